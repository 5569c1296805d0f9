#pragma once
// The media engine's threads beside libvlc's own: the way to the owner's thread, the worker that
// starts libvlc and stops and releases its players (which blocks), and the progress ticker.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "player/libvlc/vlc_media_engine.h"

namespace qc::vlc_threads {

using Task = VlcMediaEngine::Task;

// Hands tasks to the owner's thread until the engine goes; then drops them.
class Outbox {
public:
    explicit Outbox(VlcMediaEngine::Post post) : post_(std::move(post)) {}
    void post(Task task) {
        std::lock_guard lock(mutex_);
        if (post_) post_(std::move(task));
    }
    void close() {
        std::lock_guard lock(mutex_);
        post_ = nullptr;
    }

private:
    std::mutex mutex_;
    VlcMediaEngine::Post post_;
};

// One thread that runs tasks in order: libvlc's start, then stops and releases.
class Worker {
public:
    Worker() : state_(std::make_shared<State>()) {
        thread_ = std::thread([state = state_] {
            for (;;) {
                Task task;
                {
                    std::unique_lock lock(state->mutex);
                    state->wake.wait(lock, [&] { return !state->tasks.empty(); });
                    task = std::move(state->tasks.front());
                    state->tasks.pop_front();
                }
                if (!task) return;  // the last one
                task();
                std::lock_guard lock(state->mutex);
                --state->pending;
            }
        });
    }
    void push(Task task) {
        std::lock_guard lock(state_->mutex);
        if (task) ++state_->pending;
        state_->tasks.push_back(std::move(task));
        state_->wake.notify_one();
    }
    std::size_t pending() const {
        std::lock_guard lock(state_->mutex);
        return state_->pending;
    }
    // Ends after what is queued, waiting `bound` for it; past that the thread finishes on its own.
    void finish(std::chrono::milliseconds bound) {
        auto done = std::make_shared<std::promise<void>>();
        auto finished = done->get_future();
        push([done] { done->set_value(); });
        push(nullptr);
        if (finished.wait_for(bound) == std::future_status::ready) thread_.join();
        else thread_.detach();
    }

private:
    struct State {
        mutable std::mutex mutex;
        std::condition_variable wake;
        std::deque<Task> tasks;
        std::size_t pending = 0;
    };
    std::shared_ptr<State> state_;
    std::thread thread_;
};

// Asks for the shown source's progress every 250 ms while there is one.
class Ticker {
public:
    explicit Ticker(std::shared_ptr<Outbox> outbox, Task tick) {
        thread_ = std::thread([this, outbox = std::move(outbox), tick = std::move(tick)] {
            std::unique_lock lock(mutex_);
            while (!wake_.wait_for(lock, std::chrono::milliseconds(250), [&] { return quit_; }))
                if (wanted_) outbox->post(tick);
        });
    }
    ~Ticker() {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    void want(bool on) {
        std::lock_guard lock(mutex_);
        wanted_ = on;
    }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool quit_ = false, wanted_ = false;
    std::thread thread_;
};

}  // namespace qc::vlc_threads
