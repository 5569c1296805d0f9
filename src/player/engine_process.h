#pragma once
// The media engine in a process of its own (qingchuan-engine), driven from the viewer's thread:
// the MediaEngine port by proxy. Started at the first open; every message it sends is checked
// (decoded strictly, fields in range, pictures' memory sealed and large enough); if it dies or
// says anything else, it is ended, the listener hears Lost, and the next open starts a fresh
// one. The viewer's thread never waits on it.

#include <sys/types.h>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "core/player/engine_protocol.h"
#include "core/ports/media_engine.h"

class QSocketNotifier;

namespace qc {

class EngineProcess final : public QObject, public MediaEngine {
    Q_OBJECT
public:
    // `program`: the engine (see enginePath()); `arguments`: libvlc's options beside its own.
    explicit EngineProcess(QString program, QStringList arguments = {}, QObject* parent = nullptr);
    ~EngineProcess() override;

    // The engine installed with this viewer: beside it in the build tree, else in the private
    // library folder.
    static QString enginePath();

    // Starts the engine now rather than at the first open (nothing if it runs).
    void start();
    // The running engine's process (0: none).
    pid_t processId() const { return pid_; }
    // Whether it has said Ready.
    bool ready() const { return ready_; }
    // Starts the engine if need be and runs Qt's events until it said Ready (then whether libvlc
    // started in it) or was lost; bounded by the engine's own ready bound.
    bool waitUntilStarted();

    void setListener(Listener listener) override { listener_ = std::move(listener); }
    void setPictureSink(PictureSink* sink) override { sink_ = sink; }
    void open(int slot, std::uint32_t generation, const std::string& location) override;
    void show(int slot) override;
    void close(int slot) override;
    void pause(int slot, bool on) override;
    void seek(int slot, double position) override;
    void setVolume(int percent) override;
    void setMute(bool on) override;

private:
    struct Slot {
        bool open = false;
        std::uint32_t generation = 0;
    };
    void send(const engine::Message& m);
    void readMessages();
    bool handle(const engine::Message& m, int fd);  // false: nonsense
    bool takeFormat(const engine::Message& m, int fd);
    bool takeFrame(const engine::Message& m);
    void lose();  // ends the engine; Lost
    void endProcess();
    void unmapFrames();
    void reap();

    QString program_;
    QStringList arguments_;
    Listener listener_;
    PictureSink* sink_ = nullptr;
    int socket_ = -1;
    pid_t pid_ = 0;
    bool ready_ = false;
    bool libvlcStarted_ = false;  // as its Ready said
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer readyBound_, reaper_;
    std::vector<pid_t> ending_;  // killed, not yet reaped
    std::array<Slot, engine::kSlots> slots_{};
    int shown_ = -1, volume_ = 100;
    bool muted_ = false;
    // The pictures' memory, mapped read-only.
    const std::uint8_t* frames_ = nullptr;
    std::uint64_t framesBytes_ = 0;
    int width_ = 0, height_ = 0, pitch_ = 0;
    std::int64_t formatNumber_ = 0;
};

}  // namespace qc
