#include "clips.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <stdexcept>

namespace qctest {

std::string makeClip(double seconds, const std::string& pattern) {
    QTemporaryDir dir;
    const QString out = dir.filePath("clip.wmv");
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-loglevel",
                            "error",
                            "-y",
                            "-f",
                            "lavfi",
                            "-i",
                            QString::fromStdString(pattern) + "=size=160x120:rate=15",
                            "-f",
                            "lavfi",
                            "-i",
                            "sine=frequency=440:sample_rate=22050",
                            "-t",
                            QString::number(seconds),
                            "-c:v",
                            "wmv2",
                            "-b:v",
                            "200k",
                            "-c:a",
                            "wmav2",
                            "-b:a",
                            "32k",
                            out});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0)
        throw std::runtime_error("ffmpeg failed: " + ffmpeg.readAllStandardError().toStdString());
    QFile f(out);
    if (!f.open(QIODevice::ReadOnly)) throw std::runtime_error("no clip");
    return f.readAll().toStdString();
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

}  // namespace qctest
