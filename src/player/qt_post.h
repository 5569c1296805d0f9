#pragma once
// The Qt thread as the owner of the media engine: what libvlc's threads post runs in Qt's event
// loop, guarded like every handler.

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QTimer>
#include <memory>
#include <optional>

#include "player/libvlc/vlc_media_engine.h"
#include "shared/guard.h"

namespace qc {

// Posts to the application object, which outlives every engine made after it.
inline VlcMediaEngine::Post postToQt() {
    return [](VlcMediaEngine::Task task) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [t = std::move(task)] { guarded(t); }, Qt::QueuedConnection);
    };
}

// Runs Qt's events until the engine has started (true) or could not be (false), for at most
// `boundMs`: a libvlc that loads but never starts is a failure too.
inline bool engineStarted(VlcMediaEngine& engine, int boundMs = 20000) {
    struct Wait {
        std::optional<bool> result;
        QEventLoop loop;
    };
    auto wait = std::make_shared<Wait>();
    engine.whenStarted([wait](bool ok) {
        wait->result = ok;
        wait->loop.quit();
    });
    if (!wait->result) {
        QTimer::singleShot(boundMs, &wait->loop, &QEventLoop::quit);
        wait->loop.exec();
    }
    return wait->result.value_or(false);
}

}  // namespace qc
