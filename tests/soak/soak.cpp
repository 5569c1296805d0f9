// The soak: the real windows, the real dispatcher and adapters, every visible catalogue entry
// chosen once in catalogue order and once in a random order. Run in a network namespace with only
// loopback and on an X server of its own; the shell is a recording xdg-open.
// Prints what it measured; exits 1 when something is wrong.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <random>

#include "app/form1.h"
#include "core/catalogue/catalogue.h"
#include "form1_parts.h"
#include "games/form4.h"
#include "games/lazy_flash.h"
#include "help/form8.h"
#include "player/player_control.h"
#include "proc_memory.h"
#include "shared/xdg_shell.h"

namespace {

void collectLeaves(const qc::Entry& e, std::vector<const qc::Entry*>& out) {
    if (!e.visible) return;
    if (e.isGroup()) {
        if (e.action != qc::Action::None) out.push_back(&e);  // opened, not chosen
        for (const qc::Entry& c : e.children) collectLeaves(c, out);
    } else {
        out.push_back(&e);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QTemporaryDir scratch;
    const QString record = scratch.filePath("opened");
    {
        QFile fake(scratch.filePath("xdg-open"));
        fake.open(QIODevice::WriteOnly);
        // One line a call: the number of arguments, then each argument on a line of its own.
        fake.write(("#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" >>'" + record + "'\n").toUtf8());
        fake.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    qputenv("PATH", (scratch.path() + ":" + qgetenv("PATH")).toUtf8());

    qc::prepareFlashEngine();
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    qc::XdgShell shell;
    qctest::Form1Adapters adapters;
    qc::TForm1 form1(shell, adapters.parts({}, {"--aout=adummy"}));
    qc::TForm8 form8(shell);
    qc::TForm4 form4(QStringList{QC_BUILD_DIR});
    form1.attach(form4.ShockwaveFlash1(), form4, form8);
    form1.showCentred();

    std::vector<const qc::Entry*> entries;
    for (const qc::Entry& m : qc::Catalogue::builtIn().menus())
        if (m.visible)
            for (const qc::Entry& c : m.children) collectLeaves(c, entries);
    // "--only=play" (or browse, game, none) keeps one kind, to tell where time or memory goes.
    for (int i = 1; i < argc; ++i)
        if (std::string_view(argv[i]).rfind("--only=", 0) == 0) {
            std::string kind(argv[i] + 7);
            std::erase_if(entries, [&](const qc::Entry* e) { return qc::actionName(e->action) != kind; });
        }

    // A heartbeat shows how long the event loop was ever kept from turning.
    QElapsedTimer beat;
    beat.start();
    qint64 lastBeat = 0, longestStall = 0;
    QTimer heart;
    QObject::connect(&heart, &QTimer::timeout, [&] {
        qint64 now = beat.elapsed();
        longestStall = std::max(longestStall, now - lastBeat);
        lastBeat = now;
    });
    heart.start(20);

    auto settle = [&](int ms) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            app.processEvents(QEventLoop::AllEvents, 5);
            QThread::msleep(1);
        }
    };
    settle(1500);  // start-up, and the silent update check on its timer
    qctest::Memory start = qctest::memory();

    std::vector<std::string> browsed;
    int chosen = 0, missing = 0;
    qint64 longestAction = 0;
    auto choose = [&](const qc::Entry* e) {
        QElapsedTimer t;
        t.start();
        if (e->isGroup()) {
            auto* menu = form1.menuBar()->findChild<QMenu*>(QString::fromStdString(e->name));
            if (!menu) return void(++missing);
            emit menu->aboutToShow();  // what opening its sub-menu does
        } else {
            auto* action = form1.menuBar()->findChild<QAction*>(QString::fromStdString(e->name));
            if (!action) return void(++missing);
            action->trigger();
        }
        longestAction = std::max(longestAction, t.elapsed());
        ++chosen;
        if (e->action == qc::Action::Browse) browsed.push_back(e->address);
        settle(e->action == qc::Action::Game ? 150 : 4);
    };

    for (const qc::Entry* e : entries) choose(e);
    settle(1000);
    qctest::Memory middle = qctest::memory();
    std::vector<const qc::Entry*> shuffled = entries;
    std::mt19937 random(20261208);
    std::shuffle(shuffled.begin(), shuffled.end(), random);
    for (const qc::Entry* e : shuffled) choose(e);
    settle(2000);
    qctest::Memory end = qctest::memory();

    // Every browse address reached the shell exactly as stored, as one argument.
    std::map<std::string, int> want, got;
    for (const std::string& a : browsed) ++want[a];
    int calls = 0, badCalls = 0;
    for (int waited = 0; waited < 200; ++waited) {  // detached: give the last ones time to write
        QFile f(record);
        f.open(QIODevice::ReadOnly);
        got.clear();
        calls = badCalls = 0;
        QList<QByteArray> lines = f.readAll().split('\n');
        for (int i = 0; i + 1 < lines.size();) {
            int n = lines[i].toInt();
            if (n != 1) ++badCalls;
            if (i + n >= lines.size()) break;
            for (int k = 1; k <= n; ++k) ++got[lines[i + k].toStdString()];
            i += n + 1;
            ++calls;
        }
        if (calls >= static_cast<int>(browsed.size())) break;
        settle(50);
    }

    const bool shellOk = got == want && badCalls == 0;
    const bool memoryOk = end.rssKb <= middle.rssKb * 13 / 10 + 30 * 1024;
    const bool waitsOk = longestAction < 5000 && longestStall < 10000;
    std::printf("soak: %d entries chosen (%zu visible, twice), %d not found in the menus\n", chosen, entries.size(),
                missing);
    std::printf("soak: shell calls %d for %zu browse choices, %d with other than one argument: %s\n", calls,
                browsed.size(), badCalls, shellOk ? "as stored" : "MISMATCH");
    std::printf("soak: longest action %lld ms, longest event-loop stall %lld ms\n",
                static_cast<long long>(longestAction), static_cast<long long>(longestStall));
    std::printf(
        "soak: resident memory start %ld MB, middle %ld MB, end %ld MB; with the engine's processes "
        "(PSS) %ld / %ld / %ld MB\n",
        start.rssKb / 1024, middle.rssKb / 1024, end.rssKb / 1024, start.pssKb / 1024, middle.pssKb / 1024,
        end.pssKb / 1024);
    std::printf("soak: player state at the end %d, status \"%s\"\n", form1.WindowsMediaPlayer1->playState(),
                form1.WindowsMediaPlayer1->statusLine().toStdString().c_str());
    const bool ok = missing == 0 && shellOk && memoryOk && waitsOk;
    return ok ? 0 : 1;
}
