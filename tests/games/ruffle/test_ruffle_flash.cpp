// The engine's view: what the page writes on its console reaches our log, bounded; our messages
// say apart what failed.

#include <unistd.h>

#include <QFile>
#include <QTemporaryFile>
#include <QTest>

#include "core/games/flash_sandbox.h"
#include "games_fixture.h"

using namespace qctest;

namespace {

// What this process writes to stderr while it lives, kept in a file.
class CapturedStderr {
public:
    CapturedStderr() {
        file_.open();
        saved_ = ::dup(2);
        ::dup2(file_.handle(), 2);
    }
    ~CapturedStderr() { restore(); }
    QStringList lines() {
        restore();
        QFile f(file_.fileName());
        f.open(QIODevice::ReadOnly);
        return QString::fromUtf8(f.readAll()).split('\n');
    }

private:
    void restore() {
        if (saved_ < 0) return;
        ::fflush(stderr);
        ::dup2(saved_, 2);
        ::close(saved_);
        saved_ = -1;
    }
    QTemporaryFile file_;
    int saved_ = -1;
};

}  // namespace

TEST_F(Games, ThePagesConsoleReachesOurLogPrefixedCutAndBounded) {
    game("/red.swf");
    ASSERT_TRUE(shows(kRed));
    const qc::FlashSandbox::Limits limits;
    CapturedStderr log;
    // A movie's flood: long lines with control characters, far more than the bound.
    bool done = false;
    engineView()->page()->runJavaScript(
        "for (let i = 0; i < 500; i++) console.error('flood ' + i + ' \\x1b[2J\\n' + 'x'.repeat(5000));"
        "console.log('info is left out');",
        [&](const QVariant&) { done = true; });
    ASSERT_TRUE(waitUntil([&] { return done; }, 5000));
    QTest::qWait(500);
    int ours = 0;
    for (const QString& line : log.lines()) {
        if (!line.startsWith("qingchuan: games page: ")) continue;
        ++ours;
        EXPECT_TRUE(line.startsWith("qingchuan: games page: error: flood ")) << line.left(80).toStdString();
        EXPECT_LE(size_t(line.toUtf8().size()), limits.logLineBytes + 200);
        EXPECT_FALSE(line.contains(QChar(0x1b)));
        EXPECT_FALSE(line.contains("info is left out"));
    }
    EXPECT_EQ(ours, limits.logLines);
}

TEST_F(Games, OurMessageTellsAMissingMovieFromAnUnreachableServer) {
    game("/no-such-game.swf");
    ASSERT_TRUE(says(qc::GameFailure::NotFound)) << pageState().toStdString();
    form->ShockwaveFlash1().setMovie("http://127.0.0.1:" + std::to_string(refusedPort()) + "/gone.swf");
    EXPECT_TRUE(says(qc::GameFailure::NoConnection)) << pageState().toStdString();
}
