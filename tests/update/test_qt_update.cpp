// The update check on its real adapters: the boxes, the memo, the updater's start, the main
// window's handlers, and both forms against a local server.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <chrono>
#include <filesystem>
#include <functional>
#include <iterator>
#include <memory>

#include "app/form1.h"
#include "core/app/app_text.h"
#include "core/text/gbk.h"
#include "fakes.h"
#include "files.h"
#include "form1_parts.h"
#include "http_server.h"
#include "update/curl_download.h"
#include "update/qt_update.h"

using namespace qctest;
using namespace std::chrono_literals;
using namespace std::string_literals;

namespace {

std::string makeTempDir(const char* prefix) {
    std::string tmpl = std::string("/tmp/") + prefix + "-XXXXXX";
    if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp");
    return tmpl;
}

enum class Press { Ok, Escape, CloseBox };

struct SeenBox {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    bool okIsDefault = false, okIsEscape = false, modal = false;
    QPoint centre;
    bool closed = false;  // the press ended the box
};

// Answers every message box that comes up with `press` and records what it showed.
class BoxAnswerer {
public:
    explicit BoxAnswerer(Press press) : press_(press) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
        timer_.start(30);
    }
    const std::vector<SeenBox>& seen() const { return seen_; }

private:
    void tick() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        if (box == current_) {
            // The press did not close it: note that and end it, so the test goes on.
            if (++ticksSincePress_ > 60) {
                seen_.back().closed = false;
                box->done(0);
            }
            return;
        }
        current_ = box;
        ticksSincePress_ = 0;
        SeenBox s;
        s.title = box->windowTitle();
        s.text = box->text();
        s.icon = box->icon();
        for (QAbstractButton* b : box->buttons()) s.buttons << b->text();
        QAbstractButton* only = box->buttons().size() == 1 ? box->buttons().front() : nullptr;
        s.okIsDefault = only && static_cast<QAbstractButton*>(box->defaultButton()) == only;
        s.okIsEscape = only && box->escapeButton() == only;
        s.modal = box->isModal() && box->windowModality() == Qt::ApplicationModal;
        s.centre = box->frameGeometry().center();
        s.closed = true;
        seen_.push_back(s);
        QObject::connect(box, &QObject::destroyed, [this] { current_ = nullptr; });
        switch (press_) {
        case Press::Ok:
            if (only) only->click();
            break;
        case Press::Escape: QTest::keyClick(box, Qt::Key_Escape); break;
        case Press::CloseBox:
            // As the window manager's close box does: a close request to the window.
            QCoreApplication::postEvent(box->windowHandle(), new QCloseEvent);
            break;
        }
    }

    Press press_;
    QTimer timer_;
    QMessageBox* current_ = nullptr;
    int ticksSincePress_ = 0;
    std::vector<SeenBox> seen_;
};

// ---- the boxes --------------------------------------------------------------------------------

struct BoxCase {
    const char* name;
    qc::MessageKind kind;
    Press press;
};
void PrintTo(const BoxCase& c, std::ostream* os) { *os << c.name; }

class MessageBoxTest : public ::testing::TestWithParam<BoxCase> {};

TEST_P(MessageBoxTest, OneOkButtonCentredModalAndEveryWayOfClosingReturns) {
    QWidget parent;
    parent.setGeometry(10, 10, 200, 100);  // away from the middle: the box still goes there
    parent.show();
    BoxAnswerer answer(GetParam().press);
    qc::QtMessageBoxes boxes(&parent);
    boxes.show(GetParam().kind, "已经是最新版本，谢谢。");

    ASSERT_EQ(answer.seen().size(), 1u);
    const SeenBox& s = answer.seen().front();
    const bool info = GetParam().kind == qc::MessageKind::Information;
    EXPECT_EQ(s.title, info ? "Information" : "Confirm");
    EXPECT_EQ(s.icon, info ? QMessageBox::Information : QMessageBox::Question);
    EXPECT_EQ(s.text, "已经是最新版本，谢谢。");
    EXPECT_EQ(s.buttons, QStringList{"OK"});
    EXPECT_TRUE(s.okIsDefault);
    EXPECT_TRUE(s.okIsEscape);
    EXPECT_TRUE(s.modal);
    const QPoint middle = parent.screen()->availableGeometry().center();
    EXPECT_LE((s.centre - middle).manhattanLength(), 2) << s.centre.x() << "," << s.centre.y();
    EXPECT_TRUE(s.closed);
}

INSTANTIATE_TEST_SUITE_P(Boxes, MessageBoxTest,
                         ::testing::Values(BoxCase{"InformationOk", qc::MessageKind::Information, Press::Ok},
                                           BoxCase{"InformationEscape", qc::MessageKind::Information, Press::Escape},
                                           BoxCase{"InformationCloseBox", qc::MessageKind::Information,
                                                   Press::CloseBox},
                                           BoxCase{"ConfirmOk", qc::MessageKind::Confirmation, Press::Ok},
                                           BoxCase{"ConfirmEscape", qc::MessageKind::Confirmation, Press::Escape},
                                           BoxCase{"ConfirmCloseBox", qc::MessageKind::Confirmation, Press::CloseBox}),
                         [](const ::testing::TestParamInfo<BoxCase>& i) { return std::string(i.param.name); });

// ---- the memo ---------------------------------------------------------------------------------

TEST(QtMemo, HoldsLinesAndGivesBackGbkWithCrLf) {
    QPlainTextEdit edit;
    edit.setPlainText("old");
    qc::QtMemo memo(edit);
    const std::string gbk = "1.31\r\n" + qc::utf8ToGbk("晴川影音") + "\r\n\r\nend\r\n";
    memo.setText(gbk);
    EXPECT_EQ(edit.toPlainText(), "1.31\n晴川影音\n\nend\n");
    EXPECT_EQ(memo.text(), gbk);
    memo.setText("");
    EXPECT_EQ(edit.toPlainText(), "");
    EXPECT_EQ(memo.text(), "");
}

// ---- the updater's start ----------------------------------------------------------------------

// A fake updater: a shell script that records its path and arguments when it runs.
std::string writeFakeUpdater(const std::string& folder, const std::string& marker) {
    const std::string path = folder + "/update.exe";
    writeFile(path, "#!/bin/sh\nprintf '%s\\n' \"$0\" \"$#\" > '" + marker + ".tmp' && mv '" + marker + ".tmp' '" +
                        marker + "'\n");
    ::chmod(path.c_str(), 0755);
    return path;
}

bool waitForFile(const std::string& path, std::chrono::seconds bound) {
    const auto end = std::chrono::steady_clock::now() + bound;
    while (std::chrono::steady_clock::now() < end) {
        if (std::filesystem::exists(path)) return true;
        QTest::qWait(50);
    }
    return std::filesystem::exists(path);
}

TEST(DetachedLauncher, StartsTheProgramByItsFullPathWithoutArguments) {
    const std::string dir = makeTempDir("qc launcher dir");  // a blank in the folder's name
    const std::string marker = dir + "/ran";
    const std::string updater = writeFakeUpdater(dir, marker);
    qc::DetachedLauncher launcher;
    launcher.startDetached(updater);
    ASSERT_TRUE(waitForFile(marker, 10s));
    EXPECT_EQ(readFile(marker), updater + "\n0\n");
    std::filesystem::remove_all(dir);
}

TEST(DetachedLauncher, AMissingProgramIsIgnored) {
    const std::string dir = makeTempDir("qc-launcher");
    qc::DetachedLauncher launcher;
    EXPECT_NO_THROW(launcher.startDetached(dir + "/update.exe"));
    EXPECT_TRUE(std::filesystem::is_empty(dir));
    std::filesystem::remove_all(dir);
}

TEST(QtUpdateHost, CaptionAndClosing) {
    QWidget window;
    window.setWindowTitle(QString::fromUtf8(qc::kMainCaption.data(), qc::kMainCaption.size()));
    window.show();
    qc::QtUpdateHost host(window);
    EXPECT_EQ(host.caption(), qc::kMainCaption);
    host.closeMainWindow();
    EXPECT_FALSE(window.isVisible());
}

// ---- both forms on the real adapters against a local server -----------------------------------

const std::string kOld = "1.29\r\nleft by an earlier run\r\n";

class CheckTest : public ::testing::Test {
public:
    void SetUp() override {
        dir = makeTempDir("qc-check");
        folders.exe = dir + "/";
        folders.library = dir + "/lib/qingchuan/";
        folders.cache = dir + "/cache/qingchuan/";
        folders.writable = {folders.exe};
        writeFile(descriptor(), kOld);
        edit.setPlainText("held before");
        timer.start(100000);
    }
    void TearDown() override {
        ::chmod(dir.c_str(), 0755);
        std::filesystem::remove_all(dir);
    }
    std::string descriptor() const { return dir + "/update.txt"; }
    qc::UpdatePorts ports(qc::ProcessLauncher& l) {
        return {server.url("/update.txt"), download, memo, boxes, host, folders, l};
    }
    std::vector<std::pair<QString, QString>> boxesSeen(const BoxAnswerer& a) const {
        std::vector<std::pair<QString, QString>> out;
        for (const SeenBox& s : a.seen()) out.emplace_back(s.title, s.text);
        return out;
    }
    using Boxes = std::vector<std::pair<QString, QString>>;

    HttpServer server;
    qc::DownloadLimits limits = [] {
        qc::DownloadLimits l;
        l.connectTimeout = 2s;
        l.stallTimeout = 1s;
        l.totalTimeout = 20s;
        return l;
    }();
    qc::CurlDownload download{limits};
    QPlainTextEdit edit;
    qc::QtMemo memo{edit};
    QWidget window;
    qc::QtMessageBoxes boxes{&window};
    CallLog log;
    FakeUpdateHost host{log, std::string(qc::kMainCaption)};
    FakeUpdateFolders folders{log};
    FakeLauncher launcher{log};
    QTimer timer;
    qc::QtTimer timer1{timer};
    std::string dir;
};

struct Served {
    const char* name;
    std::string body;
    bool equal;
    std::string memoText;  // what m holds afterwards, as UTF-8 with LF
};
void PrintTo(const Served& s, std::ostream* os) { *os << s.name; }

class ServedDescriptorTest : public CheckTest, public ::testing::WithParamInterface<Served> {};

TEST_P(ServedDescriptorTest, Interactive) {
    server.route("/update.txt", {.body = GetParam().body});
    BoxAnswerer answer(Press::Ok);
    auto p = ports(launcher);
    qc::interactiveCheck(p);
    if (GetParam().equal) {
        EXPECT_EQ(boxesSeen(answer), (Boxes{{"Information", "已经是最新版本，谢谢。"}}));
        EXPECT_EQ(host.closed, 0);
        EXPECT_TRUE(launcher.started.empty());
    } else {
        EXPECT_EQ(boxesSeen(answer), (Boxes{{"Confirm", "检测到有新版本可供升级，马上升级？"}}));
        EXPECT_EQ(host.closed, 1);
        EXPECT_EQ(launcher.started, std::vector<std::string>{dir + "/update.exe"});
    }
    EXPECT_EQ(readFile(descriptor()), GetParam().body);
    EXPECT_EQ(edit.toPlainText().toStdString(), GetParam().memoText);
}

TEST_P(ServedDescriptorTest, Silent) {
    server.route("/update.txt", {.body = GetParam().body});
    BoxAnswerer answer(Press::Escape);
    auto p = ports(launcher);
    qc::silentCheck(p, timer1);
    EXPECT_FALSE(timer.isActive());
    if (GetParam().equal) {
        EXPECT_TRUE(answer.seen().empty());
        EXPECT_EQ(host.closed, 0);
        EXPECT_TRUE(launcher.started.empty());
    } else {
        EXPECT_EQ(boxesSeen(answer), (Boxes{{"Confirm", "晴川检测到有新版本可供升级。"}}));
        EXPECT_EQ(host.closed, 1);
        EXPECT_EQ(launcher.started, std::vector<std::string>{dir + "/update.exe"});
    }
}

INSTANTIATE_TEST_SUITE_P(Served, ServedDescriptorTest,
                         ::testing::Values(Served{"TagThenAnything", "1.31\r\n" + qc::utf8ToGbk("新版本说明") + "\r\n",
                                                  true, "1.31\n新版本说明\n"},
                                           Served{"TagAlone", "1.31", true, "1.31"},
                                           Served{"Older", "1.30\r\n", false, "1.30\n"},
                                           Served{"LeadingV", "V1.31", false, "V1.31"}, Served{"Empty", "", false, ""},
                                           Served{"ThreeBytes", "1.3", false, "1.3"},
                                           Served{"LeadingEmptyLine", "\r\n1.31", false, "\n1.31"},
                                           Served{"ByteOrderMark",
                                                  "\xEF\xBB\xBF"
                                                  "1.31",
                                                  false,
                                                  qc::gbkToUtf8("\xEF\xBB\xBF"
                                                                "1.31")},
                                           Served{"CrOnly", "1.31\rsecond\r", true, "1.31\nsecond\n"},
                                           Served{"LfOnly", "1.31\nsecond\n", true, "1.31\nsecond\n"},
                                           Served{"CrInsideTheTag", "1.3\r1", false, "1.3\n1"},
                                           Served{"NulAfterTheTag", "1.31\0hidden"s, true, "1.31"},
                                           Served{"NulInsideTheTag",
                                                  "1.3\0"
                                                  "1"s,
                                                  false, "1.3"}),
                         [](const ::testing::TestParamInfo<Served>& i) { return std::string(i.param.name); });

struct Failing {
    const char* name;
    std::function<void(CheckTest&)> arrange;
    bool ordinaryUser = false;
};
void PrintTo(const Failing& f, std::ostream* os) { *os << f.name; }

class FailingDownloadTest : public CheckTest, public ::testing::WithParamInterface<Failing> {
protected:
    // Root passes every permission check: an ordinary file-system identity for the check itself.
    void runAsOrdinaryUserIfNeeded(const std::function<void()>& run) {
        const bool drop = GetParam().ordinaryUser && ::geteuid() == 0;
        if (drop) ::setfsuid(65534);
        run();
        if (drop) ::setfsuid(0);
    }
};

TEST_P(FailingDownloadTest, InteractiveReportsItAndKeepsTheOldFileUnread) {
    GetParam().arrange(*this);
    BoxAnswerer answer(Press::Ok);
    auto p = ports(launcher);
    runAsOrdinaryUserIfNeeded([&] { qc::interactiveCheck(p); });
    EXPECT_EQ(boxesSeen(answer), (Boxes{{"Information", "网络连接失败，请稍候重试。"}}));
    ASSERT_EQ(answer.seen().size(), 1u);
    EXPECT_EQ(answer.seen().front().icon, QMessageBox::Information);
    EXPECT_EQ(readFile(descriptor()), kOld);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
    EXPECT_EQ(edit.toPlainText(), "held before");
    EXPECT_EQ(host.closed, 0);
    EXPECT_TRUE(launcher.started.empty());
}

TEST_P(FailingDownloadTest, SilentSaysNothing) {
    GetParam().arrange(*this);
    BoxAnswerer answer(Press::Ok);
    auto p = ports(launcher);
    runAsOrdinaryUserIfNeeded([&] { qc::silentCheck(p, timer1); });
    EXPECT_TRUE(answer.seen().empty());
    EXPECT_FALSE(timer.isActive());
    EXPECT_EQ(readFile(descriptor()), kOld);
    EXPECT_EQ(edit.toPlainText(), "held before");
    EXPECT_EQ(host.closed, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FailingDownloadTest,
    ::testing::Values(
        Failing{"NotFound", [](CheckTest& t) { t.server.route("/update.txt", {.status = 404, .body = "1.30"}); }},
        Failing{"ServerError", [](CheckTest& t) { t.server.route("/update.txt", {.status = 500, .body = "1.30"}); }},
        Failing{"Refused",
                [](CheckTest& t) {
                    t.server.route(
                        "/elsewhere",
                        {.status = 302,
                         .headers = {"Location: http://127.0.0.1:" + std::to_string(refusedPort()) + "/update.txt"}});
                    t.server.route("/update.txt", {.status = 302, .headers = {"Location: /elsewhere"}});
                }},
        Failing{"NeverAnswers", [](CheckTest& t) { t.server.route("/update.txt", {.mode = Reply::Mode::Stall}); }},
        Failing{"CutOff",
                [](CheckTest& t) {
                    t.server.route("/update.txt",
                                   {.body = "1.30 and more", .mode = Reply::Mode::Truncate, .truncateAt = 3});
                }},
        Failing{"HundredMegabytes",
                [](CheckTest& t) {
                    t.server.route("/update.txt",
                                   {.body = "1.30" + std::string((1 << 20) - 4, 'x'), .repeatBody = 100});
                }},
        Failing{"FolderNotWritable",
                [](CheckTest& t) {
                    t.server.route("/update.txt", {.body = "1.30"});
                    ::chmod(t.dir.c_str(), 0555);
                },
                true}),
    [](const ::testing::TestParamInfo<Failing>& i) { return std::string(i.param.name); });

TEST_F(CheckTest, RefusedPortDirectly) {
    BoxAnswerer answer(Press::Ok);
    qc::UpdatePorts p{"http://127.0.0.1:" + std::to_string(refusedPort()) + "/update.txt",
                      download,
                      memo,
                      boxes,
                      host,
                      folders,
                      launcher};
    qc::interactiveCheck(p);
    EXPECT_EQ(boxesSeen(answer), (Boxes{{"Information", "网络连接失败，请稍候重试。"}}));
    EXPECT_EQ(readFile(descriptor()), kOld);
}

TEST_F(CheckTest, NeverAnsweringServerEndsWithinTheBound) {
    server.route("/update.txt", {.mode = Reply::Mode::Stall});
    BoxAnswerer answer(Press::Ok);
    auto p = ports(launcher);
    const auto start = std::chrono::steady_clock::now();
    qc::silentCheck(p, timer1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_TRUE(answer.seen().empty());
}

TEST_F(CheckTest, AFailedDownloadAfterASuccessfulOneLeavesItsFile) {
    server.route("/update.txt", {.body = "1.31\r\n"});
    BoxAnswerer answer(Press::Ok);
    auto p = ports(launcher);
    qc::interactiveCheck(p);
    server.route("/update.txt", {.status = 500});
    qc::interactiveCheck(p);
    EXPECT_EQ(boxesSeen(answer),
              (Boxes{{"Information", "已经是最新版本，谢谢。"}, {"Information", "网络连接失败，请稍候重试。"}}));
    EXPECT_EQ(readFile(descriptor()), "1.31\r\n");
    EXPECT_EQ(edit.toPlainText(), "1.31\n");
}

TEST_F(CheckTest, WithTheExecutablesFolderNotWritableTheDescriptorIsFetchedIntoTheCache) {
    folders.writable.clear();
    server.route("/update.txt", {.body = "1.31\r\n"});
    BoxAnswerer answer(Press::Ok);
    auto p = ports(launcher);
    qc::interactiveCheck(p);
    EXPECT_EQ(boxesSeen(answer), (Boxes{{"Information", "已经是最新版本，谢谢。"}}));
    EXPECT_EQ(readFile(folders.cache + "update.txt"), "1.31\r\n");
    EXPECT_EQ(readFile(descriptor()), kOld);
    // A failure afterwards leaves the cached descriptor as it was, unread.
    server.route("/update.txt", {.status = 500, .body = "1.30"});
    edit.setPlainText("held before");
    qc::interactiveCheck(p);
    EXPECT_EQ(readFile(folders.cache + "update.txt"), "1.31\r\n");
    EXPECT_EQ(edit.toPlainText(), "held before");
    EXPECT_EQ(answer.seen().size(), 2u);
}

TEST_F(CheckTest, HandOverStartsTheUpdaterAfterClosing) {
    const std::string marker = dir + "/updater-ran";
    const std::string updater = writeFakeUpdater(dir, marker);
    folders.files.insert(updater);
    server.route("/update.txt", {.body = "1.32"});
    BoxAnswerer answer(Press::CloseBox);  // no way to decline
    qc::DetachedLauncher real;
    auto p = ports(real);
    qc::interactiveCheck(p);
    EXPECT_EQ(boxesSeen(answer), (Boxes{{"Confirm", "检测到有新版本可供升级，马上升级？"}}));
    EXPECT_EQ(host.closed, 1);
    ASSERT_TRUE(waitForFile(marker, 10s));
    EXPECT_EQ(readFile(marker), updater + "\n0\n");
}

TEST_F(CheckTest, HandOverWithTheUpdaterMissing) {
    server.route("/update.txt", {.body = "1.30"});
    BoxAnswerer answer(Press::Ok);
    qc::DetachedLauncher real;
    auto p = ports(real);
    EXPECT_NO_THROW(qc::silentCheck(p, timer1));
    EXPECT_EQ(boxesSeen(answer), (Boxes{{"Confirm", "晴川检测到有新版本可供升级。"}}));
    EXPECT_EQ(host.closed, 1);
    EXPECT_FALSE(std::filesystem::exists(dir + "/update.exe"));
}

TEST_F(CheckTest, ADescriptorThatCannotBeLoadedRaises) {
    // The download succeeds but what it wrote is gone before it is loaded.
    struct VanishingDownload : qc::Download {
        bool DownloadFile(const std::string&, const std::string& path) override {
            std::filesystem::remove(path);
            return true;
        }
    } vanishing;
    BoxAnswerer answer(Press::Ok);
    qc::UpdatePorts p{server.url("/update.txt"), vanishing, memo, boxes, host, folders, launcher};
    EXPECT_THROW(qc::interactiveCheck(p), std::runtime_error);
    EXPECT_THROW(qc::silentCheck(p, timer1), std::runtime_error);
    EXPECT_FALSE(timer.isActive());
    EXPECT_TRUE(answer.seen().empty());
    EXPECT_EQ(edit.toPlainText(), "held before");
}

// ---- the main window's handlers ---------------------------------------------------------------

// The maker's host can't be reached from this namespace.
TEST(Form1Update, Timer1TicksOnceSilentlyAndImage3ReportsTheFailure) {
    qctest::FakeShell shell;
    qctest::Form1Adapters adapters;
    qc::TForm1 form(shell, adapters.parts("http://www.qingchuan.example/update/update.txt"));
    form.showCentred();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ASSERT_TRUE(form.Timer1->isActive());
    EXPECT_EQ(form.Timer1->interval(), 1000);
    BoxAnswerer answer(Press::Ok);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form.Timer1->isActive(); }, 70000));
    QTest::qWait(200);
    EXPECT_TRUE(answer.seen().empty());
    form.Image3Click();
    EXPECT_EQ(answer.seen().size(), 1u);
    if (!answer.seen().empty()) {
        EXPECT_EQ(answer.seen().front().title, "Information");
        EXPECT_EQ(answer.seen().front().text, "网络连接失败，请稍候重试。");
    }
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.Timer1->isActive());
}

}  // namespace
