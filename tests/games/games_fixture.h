#pragma once
// The games window on the real Flash engine (Ruffle in Qt WebEngine), for the tests of the window
// and of the engine's loads: movies served on 127.0.0.1 by a server that sends no CORS headers.

#include <gtest/gtest.h>

#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <algorithm>
#include <map>
#include <memory>
#include <string>

#include "clips.h"
#include "core/games/game_failure.h"
#include "games/form4.h"
#include "games/lazy_flash.h"
#include "http_server.h"
#include "proc_memory.h"
#include "swf.h"

namespace qctest {

// The engine's switches and scheme must be in place before gui_main creates the QApplication.
inline const bool kEnginePrepared = (qc::prepareFlashEngine(), true);

inline constexpr int kShowBound = 30000;  // the first movie compiles Ruffle's 14 MB of wasm; the machine is shared

inline const QColor kRed(220, 30, 40), kBlue(30, 60, 210), kGreen(40, 190, 70);

inline bool near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) < 24 && std::abs(a.green() - b.green()) < 24 &&
           std::abs(a.blue() - b.blue()) < 24;
}

// Children of this process: the web engine's helpers, once started.
inline int childProcesses() {
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

inline Reply movie(std::string body) {
    Reply r;  // no CORS headers: the engine must not need them
    r.contentType = "application/x-shockwave-flash";
    r.body = std::move(body);
    return r;
}

// The peak PSS of this process and of each process below it, sampled while a movie runs: of their
// data, as the engine's memory watch reads it (the pages of program files come and go with the
// page cache, whatever a movie does).
struct MemoryPeaks {
    std::map<int, long> peakKb;
    void sample() {
        for (const auto& [pid, kb] : dataPssKbByProcess()) peakKb[pid] = std::max(peakKb[pid], kb);
    }
    // The largest of the engine's processes (every one but this), and this one's.
    long engineKb() const {
        long most = 0;
        for (const auto& [pid, kb] : peakKb)
            if (pid != int(getpid())) most = std::max(most, kb);
        return most;
    }
    long selfKb() const { return peakKb.count(int(getpid())) ? peakKb.at(int(getpid())) : 0; }
};

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

    // Our own message over the engine's view, when it shows one (the window shown, the label on top
    // of the view at its centre).
    QString shownMessage() {
        auto* label = engineView() ? engineView()->findChild<QLabel*>("GameMessage") : nullptr;
        if (!label || !label->isVisibleTo(form.get()) || !form->isVisible()) return {};
        if (engineView()->childAt(engineView()->rect().center()) != label) return {};
        return label->text();
    }
    bool says(qc::GameFailure failure, int ms = kShowBound) {
        const QString want = QString::fromStdString(qc::gameFailureText(failure));
        return waitUntil([&] { return shownMessage() == want; }, ms);
    }

    // What the player's page says it shows: "loading", "none", "ready:<state>" or "panic" (the
    // player gave up on its movie).
    QString pageState() {
        QString state;
        bool done = false;
        engineView()->page()->runJavaScript("typeof qcState === 'function' ? qcState() : 'loading'",
                                            [&](const QVariant& v) {
                                                state = v.toString();
                                                done = true;
                                            });
        waitUntil([&] { return done; }, 5000);
        return state;
    }
    bool panics(int ms = kShowBound) {
        return waitUntil([&] { return pageState() == "panic"; }, ms);
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

}  // namespace qctest
