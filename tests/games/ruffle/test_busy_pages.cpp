// The engine's page between movies: a movie whose script never ends, or one that works all the
// time, neither holds up the next movie nor runs on once the games window is closed.

#include <signal.h>

#include <QFile>
#include <memory>

#include "games_fixture.h"

using namespace qctest;

namespace {

const QColor kYellow(240, 200, 20);

// A process's CPU time so far, in clock ticks; -1 once it is gone.
long cpuTicks(qint64 pid) {
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return -1;
    const QString text = QString::fromLatin1(stat.readAll());
    const QStringList after = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (after.size() < 13) return -1;
    return after[11].toLong() + after[12].toLong();  // utime, stime
}

bool alive(qint64 pid) { return pid > 0 && ::kill(pid_t(pid), 0) == 0; }

}  // namespace

class BusyMovies : public Games {
protected:
    void SetUp() override {
        Games::SetUp();
        server->route("/busy.swf", movie(makeBusyMovie(kRed, kYellow)));
        server->route("/working.swf", movie(makeWorkingMovie(kRed, kYellow, 20000)));
    }
    qint64 renderer() { return engineView()->page()->renderProcessPid(); }
    // The page's thread no longer answers: the movie's script holds it (on a loaded machine the
    // script may start late).
    bool pageBusy() {
        return waitUntil(
            [&] {
                auto answered = std::make_shared<bool>(false);
                engineView()->page()->runJavaScript("0", [answered](const QVariant&) { *answered = true; });
                QTest::qWait(1000);
                return !*answered;
            },
            kShowBound);
    }
};

// Ruffle gives a script 15 s before it stops it: the next movie must not wait for that.
constexpr int kWellBeforeTheScriptLimit = 10000;

TEST_F(BusyMovies, TheNextMovieShowsAtOnceThoughTheOldOneNeverEnds) {
    server->route("/keys.swf", movie(makeKeyMovie(kBlue, kGreen, 39)));  // 39: the right arrow
    game("/busy.swf");
    ASSERT_TRUE(shows(kYellow));
    ASSERT_TRUE(pageBusy()) << "the movie's script never started";
    const qint64 busy = renderer();
    ASSERT_TRUE(alive(busy));

    game("/keys.swf");
    // Before anything is waited for, the busy movie's picture is gone from the window.
    const QColor right = centre();
    EXPECT_FALSE(near(right, kYellow)) << right.name().toStdString();
    EXPECT_TRUE(shows(kBlue, kWellBeforeTheScriptLimit)) << centre().name().toStdString();
    EXPECT_NE(renderer(), busy);
    EXPECT_TRUE(waitUntil([&] { return !alive(busy); }, 5000)) << "the busy renderer runs on";
    // The fresh page has the keyboard.
    EXPECT_TRUE(waitUntil(
        [&] {
            QTest::keyPress(form->windowHandle(), Qt::Key_Right);
            QTest::qWait(150);
            QTest::keyRelease(form->windowHandle(), Qt::Key_Right);
            return near(centre(), kGreen);
        },
        10000));

    // It takes further movies as ever.
    game("/red.swf");
    EXPECT_TRUE(shows(kRed)) << centre().name().toStdString();
}

TEST_F(BusyMovies, ClosingTheWindowStopsAMovieThatNeverEnds) {
    game("/busy.swf");
    ASSERT_TRUE(shows(kYellow));
    ASSERT_TRUE(pageBusy()) << "the movie's script never started";
    const qint64 busy = renderer();
    form->close();
    EXPECT_TRUE(waitUntil([&] { return !alive(busy); }, 5000)) << "the busy renderer runs on";
    // The next game shows as ever.
    game("/green.swf");
    EXPECT_TRUE(shows(kGreen)) << centre().name().toStdString();
}

TEST_F(BusyMovies, ClosingTheWindowStopsAMovieThatWorksAllTheTime) {
    game("/working.swf");
    ASSERT_TRUE(shows(kYellow));
    const qint64 working = renderer();
    const long ticksPerSecond = sysconf(_SC_CLK_TCK);
    const long start = cpuTicks(working);
    QTest::qWait(1000);
    const long busyTicks = cpuTicks(working) - start;
    ASSERT_GT(busyTicks, ticksPerSecond / 4) << "the movie does not keep its page at work";

    form->close();
    QTest::qWait(1000);  // the page hears that it is hidden, and answers
    const long before = cpuTicks(working);
    QTest::qWait(1000);
    const long after = cpuTicks(working);
    // Stopped: a tenth of a core at most, where it took more than a quarter (or the process is gone).
    if (before >= 0 && after >= 0) EXPECT_LT(after - before, ticksPerSecond / 10) << "ticks while shown: " << busyTicks;

    game("/blue.swf");
    EXPECT_TRUE(shows(kBlue)) << centre().name().toStdString();
}
