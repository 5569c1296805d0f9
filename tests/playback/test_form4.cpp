// The games window on the real Flash engine (Ruffle in Qt WebEngine): tiny movies written here,
// served on 127.0.0.1 by a server that sends no CORS headers.

#include <gtest/gtest.h>

#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QWebEnginePage>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "clips.h"
#include "http_server.h"
#include "playback/form4.h"
#include "playback/lazy_flash.h"
#include "swf.h"

#include <QWebEngineView>
#include "playback/ruffle/ruffle_scheme.h"

using namespace qctest;

namespace {

// The engine's switches and scheme must be in place before gui_main creates the QApplication.
const bool kEnginePrepared = (qc::prepareFlashEngine(), true);

constexpr int kShowBound = 30000;  // the first movie compiles Ruffle's 14 MB of wasm; the machine is shared

const QColor kRed(220, 30, 40), kBlue(30, 60, 210), kGreen(40, 190, 70);

bool near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) < 24 && std::abs(a.green() - b.green()) < 24 && std::abs(a.blue() - b.blue()) < 24;
}

// Children of this process: the web engine's helpers, once started.
int childProcesses() {
    int n = 0;
    const QString me = QString::number(getpid());
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
        QFile stat("/proc/" + pid + "/stat");
        if (!stat.open(QIODevice::ReadOnly)) continue;
        const QString text = QString::fromLatin1(stat.readAll());
        const QStringList after = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (after.size() > 1 && after[1] == me) ++n;
    }
    return n;
}

Reply movie(std::string body) {
    Reply r;  // no CORS headers: the engine must not need them
    r.contentType = "application/x-shockwave-flash";
    r.body = std::move(body);
    return r;
}

class Games : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(kEnginePrepared);
        server = std::make_unique<HttpServer>();
        server->route("/red.swf", movie(makeSwf(kRed)));
        server->route("/blue.swf", movie(makeSwf(kBlue)));
        server->route("/green.swf", movie(makeSwf(kGreen)));
        server->route("/junk.swf", movie("this is not a movie"));
        form = std::make_unique<qc::TForm4>(QStringList{QC_BUILD_DIR});
        control = form->findChild<qc::LazyFlash*>("ShockwaveFlash1");
        ASSERT_NE(control, nullptr);
    }
    void TearDown() override {
        form.reset();
        server.reset();
    }

    // The game action: the movie first, then the window.
    void game(const std::string& path) {
        form->ShockwaveFlash1().setMovie(server->url(path));
        form->showWindow();
    }

    QColor centre() {
        const QImage shot = (engineView() ? engineView()->grab() : QPixmap()).toImage();
        if (shot.isNull() || shot.width() < 2) return {};
        return shot.pixelColor(shot.width() / 2, shot.height() / 2);
    }
    bool shows(QColor want, int ms = kShowBound) {
        return waitUntil([&] { return near(centre(), want); }, ms);
    }

    // What the player's page says it shows: "loading", "none", "ready:<state>" or "panic:<Ruffle's message>".
    QString pageState() {
        QString state;
        bool done = false;
        engineView()->page()->runJavaScript("typeof qcState === 'function' ? qcState() : 'loading'", [&](const QVariant& v) {
            state = v.toString();
            done = true;
        });
        waitUntil([&] { return done; }, 5000);
        return state;
    }
    bool panics(int ms = kShowBound) {
        return waitUntil([&] { return pageState().startsWith("panic:"); }, ms);
    }
    int players() {
        int n = -1;
        engineView()->page()->runJavaScript("document.querySelectorAll('ruffle-player').length",
                                    [&](const QVariant& v) { n = v.toInt(); });
        waitUntil([&] { return n >= 0; }, 5000);
        return n;
    }
    std::string seen() {
        std::string all;
        for (const auto& r : server->requests()) all += r + "; ";
        return all;
    }
    size_t requestsFor(const std::string& path) {
        size_t n = 0;
        for (const auto& r : server->requests()) n += r == "GET " + path;
        return n;
    }

    std::unique_ptr<HttpServer> server;
    std::unique_ptr<qc::TForm4> form;
    qc::LazyFlash* control = nullptr;
    // The engine's view, once the first movie has loaded the engine.
    QWebEngineView* engineView() { return control->findChild<QWebEngineView*>(); }
};

}  // namespace

TEST_F(Games, LoadsNothingBeforeTheFirstGame) {
    QTest::qWait(300);
    EXPECT_FALSE(control->engineLoaded());
    EXPECT_EQ(engineView(), nullptr);
    EXPECT_EQ(childProcesses(), 0) << "the web engine's helpers started before any movie";
    EXPECT_FALSE(form->isVisible());
    game("/red.swf");
    EXPECT_TRUE(control->engineLoaded());
    ASSERT_NE(engineView(), nullptr);
}

TEST_F(Games, ShowsAMovieFromAServerWithoutCorsHeaders) {
    game("/red.swf");
    EXPECT_TRUE(shows(kRed)) << "centre " << centre().name().toStdString() << ", " << pageState().toStdString();
    EXPECT_EQ(requestsFor("/red.swf"), 1u);
}

TEST_F(Games, AMovieKeepsItsOwnAddressForWhatItLoads) {
    server->route("/games/chain.swf", movie(makeSwf(kRed, "next.swf")));
    server->route("/games/next.swf", movie(makeSwf(kGreen)));
    game("/games/chain.swf");
    // Resolved from the movie's address, fetched on our path (the server sends no CORS headers).
    EXPECT_TRUE(waitUntil([&] { return requestsFor("/games/next.swf") == 1; }, kShowBound)) << seen();
    EXPECT_EQ(requestsFor("/next.swf"), 0u) << seen();
    QTest::qWait(300);
    EXPECT_TRUE(pageState().startsWith("ready:")) << pageState().toStdString();
}

TEST_F(Games, WritingTheMovieDoesNotWait) {
    QElapsedTimer t;
    t.start();
    form->ShockwaveFlash1().setMovie(server->url("/red.swf"));
    EXPECT_LT(t.elapsed(), 500);
    EXPECT_FALSE(form->isVisible());  // the write alone shows nothing
    EXPECT_EQ(requestsFor("/red.swf"), 0u);
}

TEST_F(Games, ASecondMovieReplacesTheFirstInTheSameWindow) {
    game("/red.swf");
    ASSERT_TRUE(shows(kRed));
    QWebEnginePage* page = engineView()->page();
    game("/blue.swf");
    EXPECT_TRUE(shows(kBlue, 15000)) << "centre " << centre().name().toStdString();
    EXPECT_EQ(engineView()->page(), page);
    EXPECT_EQ(players(), 1);
    EXPECT_EQ(QApplication::topLevelWidgets().count(form.get()), 1);
}

TEST_F(Games, TheSameAddressAgainLoadsItAgain) {
    game("/red.swf");
    ASSERT_TRUE(shows(kRed));
    game("/red.swf");
    EXPECT_TRUE(waitUntil([&] { return requestsFor("/red.swf") == 2; }, 15000));
    EXPECT_TRUE(shows(kRed));
}

TEST_F(Games, NotFoundShowsTheEnginesMessageAndTheNextGameShows) {
    game("/red.swf");
    ASSERT_TRUE(shows(kRed));
    game("/no-such-game.swf");
    EXPECT_TRUE(panics()) << pageState().toStdString();
    EXPECT_FALSE(near(centre(), kRed)) << "the failed movie left the old one on screen";
    EXPECT_TRUE(form->isVisible());
    game("/blue.swf");
    EXPECT_TRUE(shows(kBlue)) << pageState().toStdString();
    EXPECT_TRUE(pageState().startsWith("ready:")) << pageState().toStdString();
    EXPECT_EQ(players(), 1);
}

TEST_F(Games, ARefusedAddressShowsTheEnginesMessageAndTheNextGameShows) {
    form->ShockwaveFlash1().setMovie("http://127.0.0.1:" + std::to_string(refusedPort()) + "/gone.swf");
    form->showWindow();
    EXPECT_TRUE(panics()) << pageState().toStdString();
    game("/green.swf");
    EXPECT_TRUE(shows(kGreen)) << pageState().toStdString();
}

TEST_F(Games, AFileThatIsNoMovieShowsTheEnginesMessage) {
    game("/junk.swf");
    EXPECT_TRUE(panics()) << pageState().toStdString();
    game("/blue.swf");
    EXPECT_TRUE(shows(kBlue)) << pageState().toStdString();
}

TEST_F(Games, TheEngineTellsAMissingMovieFromAnUnreachableServer) {
    game("/no-such-game.swf");
    ASSERT_TRUE(panics()) << pageState().toStdString();
    const QString missing = pageState();
    form->ShockwaveFlash1().setMovie("http://127.0.0.1:" + std::to_string(refusedPort()) + "/gone.swf");
    ASSERT_TRUE(waitUntil([&] { return pageState().startsWith("panic:") && pageState() != missing; }, kShowBound))
        << "both say: " << missing.toStdString();
    EXPECT_TRUE(missing.contains("SWF")) << missing.toStdString();
}

TEST_F(Games, ClosingHidesAndTheNextGameShowsTheWindowAgainWithTheNewMovie) {
    game("/red.swf");
    ASSERT_TRUE(shows(kRed));
    QPointer<QWidget> alive(form.get());
    EXPECT_TRUE(form->close());
    QTest::qWait(100);
    ASSERT_TRUE(alive);
    EXPECT_FALSE(form->isVisible());
    game("/blue.swf");
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(shows(kBlue)) << pageState().toStdString();
}

TEST_F(Games, TheFirstShowingFillsTheScreenWithTheControlFillingTheWindow) {
    game("/red.swf");
    EXPECT_TRUE(form->isVisible());
    const QRect available = form->screen()->availableGeometry();
    // Maximised by the window manager, or, without one, over the work area all the same.
    EXPECT_TRUE(waitUntil([&] { return form->frameGeometry().contains(available); }, 5000))
        << "frame " << form->frameGeometry().width() << "x" << form->frameGeometry().height() << " of "
        << available.width() << "x" << available.height();
    EXPECT_TRUE(waitUntil([&] { return control->geometry() == form->rect() && (!engineView() || engineView()->geometry() == control->rect()); }, 5000));
    EXPECT_TRUE(shows(kRed));
    // At another size the control still fills the window.
    form->showNormal();
    form->setGeometry(204, 157, 544, 375);
    EXPECT_TRUE(waitUntil([&] { return form->width() == 544 && control->geometry() == form->rect() && (!engineView() || engineView()->geometry() == control->rect()); }, 5000));
    EXPECT_TRUE(shows(kRed));
}

TEST_F(Games, AMinimisedWindowStaysMinimisedWhenAGameIsChosen) {
    game("/red.swf");
    ASSERT_TRUE(shows(kRed));
    form->showMinimized();
    ASSERT_TRUE(waitUntil([&] { return form->isMinimized(); }, 5000));
    game("/blue.swf");
    QTest::qWait(300);
    EXPECT_TRUE(form->isMinimized());
    EXPECT_TRUE(waitUntil([&] { return requestsFor("/blue.swf") == 1; }, kShowBound));
}

TEST_F(Games, AMovieBeyondTheSizeBoundIsRefusedAndTheNextGameShows) {
    Reply huge = movie(makeSwf(kRed) + std::string(1 << 20, '\0'));
    huge.repeatBody = qc::RuffleScheme::kMovieBytes / (1 << 20) + 2;
    server->route("/huge.swf", huge);
    game("/huge.swf");
    EXPECT_TRUE(panics()) << pageState().toStdString();
    game("/blue.swf");
    EXPECT_TRUE(shows(kBlue)) << pageState().toStdString();
}
