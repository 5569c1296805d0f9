// A session with the viewer's own windows, measured: memory when idle, after 50 play entries of
// the catalogue chosen in a row (their hosts can't be reached here), after clips played for real
// and after the first game (the games engine's processes counted); choosing a play
// entry to play state 3 on a clip served on 127.0.0.1, a direct file and an ASX playlist; choosing
// a game entry to the movie's pixels on the screen, the first game and the next ones; the engine's
// time on a busy movie's script.
// Run in a network namespace with only loopback, on an X server of its own.
//
//   session [--runs=N]     everything, N samples of each time (default 9)
//   session --first-game   start-up, then one first game: its time, and the memory (PSS) of
//                          the viewer and its engine's processes with that game playing
//   --module-dir=DIR       the games engine module from DIR (bench/unwatched: no memory watch)
//   session --games        the games only: next game, busy script, next game after a movie
//                          whose script never ends (run once for each way the engine draws)

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMenuBar>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/form1.h"
#include "clips.h"
#include "core/catalogue/catalogue.h"
#include "core/catalogue/dispatcher.h"
#include "form1_parts.h"
#include "games/form4.h"
#include "games/lazy_flash.h"
#include "help/form8.h"
#include "http_server.h"
#include "player/player_control.h"
#include "proc_memory.h"
#include "shared/xdg_shell.h"
#include "swf.h"

using qctest::waitUntil;

namespace {

constexpr int kBound = 30000;  // a sample that takes longer than this counts as failed

double median(std::vector<double> v) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void settle(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
}

void printMemory(const char* when, const qctest::Memory& m) {
    std::printf("memory %-28s resident %6.1f MB, with the games engine's processes (PSS) %6.1f MB, %d process%s\n",
                when, m.rssKb / 1024.0, m.pssKb / 1024.0, m.processes, m.processes == 1 ? "" : "es");
}

void printTimes(const char* what, const std::vector<double>& ms, int failed) {
    std::printf("%-36s median %7.1f ms, min %7.1f, max %7.1f (%zu runs", what, median(ms),
                ms.empty() ? -1 : *std::min_element(ms.begin(), ms.end()),
                ms.empty() ? -1 : *std::max_element(ms.begin(), ms.end()), ms.size());
    if (failed) std::printf(", %d FAILED", failed);
    std::printf(")\n");
}

bool near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) < 24 && std::abs(a.green() - b.green()) < 24 &&
           std::abs(a.blue() - b.blue()) < 24;
}

// The colour at the middle of a window, as the X server shows it.
QColor onScreen(const QWidget& w) {
    const QPoint c = w.geometry().center();
    const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0, c.x() - 2, c.y() - 2, 4, 4).toImage();
    return shot.isNull() ? QColor() : shot.pixelColor(2, 2);
}

qc::Entry entry(qc::Action action, const std::string& address) {
    qc::Entry e;
    e.name = "bench";
    e.action = action;
    e.address = address;
    return e;
}

void collectPlays(const qc::Entry& e, std::vector<const qc::Entry*>& out) {
    if (!e.visible) return;
    if (e.action == qc::Action::Play && !e.isGroup()) out.push_back(&e);
    for (const qc::Entry& c : e.children) collectPlays(c, out);
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 9;
    bool firstGameOnly = false, gamesOnly = false;
    QString moduleDir = QC_BUILD_DIR;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--runs=", 7) == 0) runs = std::max(1, std::atoi(argv[i] + 7));
        if (std::strcmp(argv[i], "--first-game") == 0) firstGameOnly = true;
        if (std::strcmp(argv[i], "--games") == 0) gamesOnly = true;
        if (std::strncmp(argv[i], "--module-dir=", 13) == 0) moduleDir = argv[i] + 13;
    }

    qctest::HttpServer server;
    const std::string clip = qctest::makeClip(8);
    server.route("/clip.wmv", {200, "video/x-ms-wmv", clip});
    server.route("/live.asx",
                 {200, "video/x-ms-asf",
                  "<ASX version=\"3.0\"><Entry><Ref href=\"" + server.url("/clip.wmv") + "\"/></Entry></ASX>"});
    const std::vector<QColor> colours = {QColor(220, 30, 40), QColor(30, 60, 210), QColor(40, 190, 70)};
    for (size_t i = 0; i < colours.size(); ++i) {
        qctest::Reply movie;
        movie.contentType = "application/x-shockwave-flash";
        movie.body = qctest::makeSwf(colours[i]);
        server.route("/game" + std::to_string(i) + ".swf", movie);
    }
    // A movie with a busy script: its first frame counts to 300,000 before the next one shows a
    // square. The time it takes, less that of a plain movie, is the engine's own speed on a
    // movie's code.
    const QColor busySquare(240, 200, 20);
    {
        qctest::Actions count;
        count.push("i").push("i").getVariable().push(1).add().setVariable();
        count.push("i").getVariable().push(300000).less();
        qctest::Frame busy;
        constexpr int kIfSize = 5;  // the ActionIf that jumps back over the count and itself
        busy.actions.push("i").push(0).setVariable().append(count).skipIfTrue(-int(count.code().size()) - kIfSize);
        qctest::Frame done;
        done.showSquare = true;
        done.actions.stop();
        qctest::Reply movie;
        movie.contentType = "application/x-shockwave-flash";
        movie.body = qctest::makeMovie(colours[0], {busy, done}, busySquare);
        server.route("/busy.swf", movie);
    }
    // A movie whose script never ends, once it shows its square.
    {
        qctest::Reply movie;
        movie.contentType = "application/x-shockwave-flash";
        movie.body = qctest::makeBusyMovie(colours[0], busySquare);
        server.route("/endless.swf", movie);
    }
    // A movie whose own files are missing, asked for again every other frame.
    {
        qctest::Frame retry;
        for (int i = 0; i < 8; ++i)
            retry.actions.loadVariables(server.url("/missing" + std::to_string(i) + ".txt"), "_root");
        qctest::Frame again;
        again.actions.gotoFrame(0).play();
        qctest::Reply movie;
        movie.contentType = "application/x-shockwave-flash";
        movie.body = qctest::makeMovie(colours[0], {retry, again});
        server.route("/failing.swf", movie);
    }

    // The viewer's windows, as its main() makes them.
    qc::prepareFlashEngine();
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    qc::XdgShell shell;
    qctest::Form1Adapters adapters;
    qc::TForm1 form1(shell, adapters.parts());
    qc::TForm8 form8(shell);
    qc::TForm4 form4(QStringList{moduleDir});
    form1.attach(form4.ShockwaveFlash1(), form4, form8);
    if (!qc::engineStarted(*adapters.engine)) return 1;
    form1.showCentred();
    settle(1500);  // start-up, and the silent update check on its timer

    // The same dispatcher the menus use, for entries that point at our server.
    qc::Dispatcher dispatcher(
        qc::ActionTargets{*form1.WindowsMediaPlayer1, shell, form4.ShockwaveFlash1(), form4, form8});
    auto gameShows = [&](const std::string& path, QColor colour) -> double {
        QElapsedTimer t;
        t.start();
        dispatcher.choose(entry(qc::Action::Game, server.url(path)));
        bool shown = waitUntil([&] { return form4.isVisible() && near(onScreen(form4), colour); }, kBound);
        return shown ? t.nsecsElapsed() / 1e6 : -1;
    };
    auto gameStart = [&](size_t colour) {
        return gameShows("/game" + std::to_string(colour) + ".swf", colours[colour]);
    };

    if (firstGameOnly) {
        double ms = gameStart(0);
        std::printf("first game %.1f\n", ms);
        if (ms < 0) return 1;
        settle(5000);  // playing: what the engine's start left behind is collected by then
        const qctest::Memory m = qctest::memory();
        std::printf("first game pss %.1f\n", m.pssKb / 1024.0);
        return 0;
    }
    int failures = 0;

    if (gamesOnly) {
        const double first = gameStart(0);
        failures += first < 0;
        settle(1000);
        const qctest::Memory afterGame = qctest::memory();
        std::vector<double> next, busy, afterEndless;
        int nextFailed = 0, busyFailed = 0, endlessFailed = 0;
        for (int i = 0; i < runs; ++i) {
            const double ms = gameStart(1 + i % 2);
            if (ms < 0) ++nextFailed;
            else next.push_back(ms);
            settle(200);
        }
        for (int i = 0; i < runs; ++i) {
            const double plain = gameStart(1 + i % 2);
            settle(200);
            const double withScript = gameShows("/busy.swf", busySquare);
            if (plain < 0 || withScript < 0) ++busyFailed;
            else busy.push_back(withScript - plain);
            settle(200);
        }
        for (int i = 0; i < runs; ++i) {
            if (gameShows("/endless.swf", busySquare) < 0) ++endlessFailed;
            settle(2000);  // its script has started (1.5 s after the square)
            const double ms = gameStart(1 + i % 2);
            if (ms < 0) ++endlessFailed;
            else afterEndless.push_back(ms);
            settle(300);
        }
        printMemory("after the first game", afterGame);
        printTimes("game entry to pixels, next game", next, nextFailed);
        printTimes("busy movie's script, less a plain one", busy, busyFailed);
        printTimes("next game after an endless script", afterEndless, endlessFailed);
        return failures + nextFailed + busyFailed + endlessFailed ? 1 : 0;
    }

    const qctest::Memory idle = qctest::memory();

    // 50 play entries of the catalogue, chosen from the menus in a row.
    std::vector<const qc::Entry*> plays;
    for (const qc::Entry& m : qc::Catalogue::builtIn().menus()) collectPlays(m, plays);
    int chosen = 0;
    for (const qc::Entry* e : plays) {
        if (chosen == 50) break;
        auto* action = form1.menuBar()->findChild<QAction*>(QString::fromStdString(e->name));
        if (!action) continue;
        action->trigger();
        ++chosen;
        settle(20);
    }
    settle(2000);
    const qctest::Memory afterPlays = qctest::memory();
    failures += chosen != 50;

    // Play state 3 from the choice, direct file and playlist taking turns.
    std::vector<double> direct, playlist;
    int directFailed = 0, playlistFailed = 0;
    qc::TWindowsMediaPlayer& player = *form1.WindowsMediaPlayer1;
    for (int i = 0; i < runs; ++i) {
        for (bool asx : {false, true}) {
            player.setUrl("");  // stopped between samples
            settle(300);
            const qc::Entry play = entry(qc::Action::Play, server.url(asx ? "/live.asx" : "/clip.wmv"));
            QElapsedTimer t;
            t.start();
            qint64 reached = -1;
            auto c = QObject::connect(&player, &qc::TWindowsMediaPlayer::playStateChanged, [&](int state) {
                if (state == qc::kPlaying && reached < 0) reached = t.nsecsElapsed();
            });
            dispatcher.choose(play);
            waitUntil([&] { return reached >= 0; }, kBound);
            QObject::disconnect(c);
            if (reached < 0) ++(asx ? playlistFailed : directFailed);
            else (asx ? playlist : direct).push_back(reached / 1e6);
        }
    }
    player.setUrl("");
    failures += directFailed + playlistFailed;

    const qctest::Memory afterClips = qctest::memory();

    // Games: the first one loads the engine; the next ones reuse it.
    const double first = gameStart(0);
    failures += first < 0;
    settle(1000);
    const qctest::Memory afterGame = qctest::memory();
    std::vector<double> next;
    int nextFailed = 0;
    for (int i = 0; i < runs; ++i) {
        double ms = gameStart(1 + i % 2);
        if (ms < 0) ++nextFailed;
        else next.push_back(ms);
        settle(200);
    }
    failures += nextFailed;

    // The busy movie, each time after a plain one: the difference is the engine's time on the
    // movie's script.
    std::vector<double> busy;
    int busyFailed = 0;
    for (int i = 0; i < runs; ++i) {
        const double plain = gameStart(1 + i % 2);
        settle(200);
        const double withScript = gameShows("/busy.swf", busySquare);
        if (plain < 0 || withScript < 0) ++busyFailed;
        else busy.push_back(withScript - plain);
        settle(200);
    }
    failures += busyFailed;

    // The next game after a movie whose loads fail.
    std::vector<double> afterFailing;
    int afterFailingFailed = 0;
    for (int i = 0; i < runs; ++i) {
        dispatcher.choose(entry(qc::Action::Game, server.url("/failing.swf")));
        waitUntil([&] { return near(onScreen(form4), colours[0]); }, kBound);
        settle(1000);
        double ms = gameStart(1 + i % 2);
        if (ms < 0) ++afterFailingFailed;
        else afterFailing.push_back(ms);
    }
    failures += afterFailingFailed;

    printMemory("idle after start-up", idle);
    printMemory("after 50 play entries", afterPlays);
    std::printf("memory %-28s resident %6.1f MB\n", ("after " + std::to_string(2 * runs) + " clips played").c_str(),
                afterClips.rssKb / 1024.0);
    printMemory("after the first game", afterGame);
    printTimes("play entry to state 3, direct file", direct, directFailed);
    printTimes("play entry to state 3, ASX playlist", playlist, playlistFailed);
    std::printf("%-36s %7.1f ms (one run; see the first-game runs)\n", "game entry to pixels, first game", first);
    printTimes("game entry to pixels, next game", next, nextFailed);
    printTimes("next game after failing loads", afterFailing, afterFailingFailed);
    printTimes("busy movie's script, less a plain one", busy, busyFailed);
    if (chosen != 50) std::printf("only %d play entries were found in the menus\n", chosen);
    return failures ? 1 : 0;
}
