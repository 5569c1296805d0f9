#pragma once
// Recording fakes of the ports the core and the windows drive. Each records into a log of its own
// or one shared by several, so that tests can check the order of calls across ports.

#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/ports/flash_control.h"
#include "core/ports/media_engine.h"
#include "core/ports/media_player.h"
#include "core/ports/prober.h"
#include "core/ports/secondary_window.h"
#include "core/ports/shell.h"
#include "core/ports/update_ports.h"
#include "files.h"

namespace qctest {

using CallLog = std::vector<std::string>;

class FakePlayer : public qc::MediaPlayerControl {
public:
    explicit FakePlayer(CallLog& log) : log_(log) {}
    void setUrl(const std::string& url) override { log_.push_back("URL=" + url); }
    int playState() const override {
        log_.push_back("playState?");
        return state;
    }
    qc::ControlBool fullScreen() const override {
        log_.push_back("fullScreen?");
        return full;
    }
    void setFullScreen(qc::ControlBool on) override {
        log_.push_back("fullScreen=" + std::to_string(on));
        full = on;
    }
    int state = qc::kUndefined;
    qc::ControlBool full = 0;

private:
    CallLog& log_;
};

class FakeShell : public qc::Shell {
public:
    FakeShell() : log_(own_) {}
    explicit FakeShell(CallLog& log) : log_(log) {}
    void open(const std::string& address) override {
        log_.push_back("open " + address);
        opened.push_back(address);
    }
    std::vector<std::string> opened;  // the addresses alone, in order

private:
    CallLog own_;
    CallLog& log_;
};

// Plays nothing; refuses every movie when told to, as a control that rejects the property does.
class FakeFlash : public qc::FlashControl {
public:
    FakeFlash() : log_(own_) {}
    explicit FakeFlash(CallLog& log) : log_(log) {}
    void setMovie(const std::string& address) override {
        if (refuse) throw std::runtime_error("The control refused the movie");
        log_.push_back("Movie=" + address);
    }
    bool refuse = false;

private:
    CallLog own_;
    CallLog& log_;
};

class FakeWindow : public qc::SecondaryWindow {
public:
    FakeWindow() : log_(own_) {}
    FakeWindow(CallLog& log, std::string name) : log_(log), name_(std::move(name)) {}
    void showWindow() override {
        log_.push_back("show " + name_);
        ++shown;
    }
    int shown = 0;

private:
    CallLog own_;
    CallLog& log_;
    std::string name_;
};

// ---- the update check's ports ----------------------------------------------------------------

// Writes `body` to the path like a successful download, or fails without touching the file.
class FakeDownload : public qc::Download {
public:
    explicit FakeDownload(CallLog& log) : log_(log) {}
    bool DownloadFile(const std::string& address, const std::string& path) override {
        log_.push_back("DownloadFile " + address + " " + path);
        if (!succeed) return false;
        if (writeBody) writeFile(path, body);
        return true;
    }
    bool succeed = true;
    bool writeBody = true;
    std::string body;

private:
    CallLog& log_;
};

class FakeMemo : public qc::Memo {
public:
    explicit FakeMemo(CallLog& log) : log_(log) {}
    void setText(const std::string& gbk) override {
        log_.push_back("m.setText");
        held = gbk;
    }
    std::string text() const override {
        log_.push_back("m.text");
        return held;
    }
    std::string held;

private:
    CallLog& log_;
};

class FakeBoxes : public qc::MessageBoxes {
public:
    explicit FakeBoxes(CallLog& log) : log_(log) {}
    void show(qc::MessageKind kind, const std::string& text) override {
        log_.push_back((kind == qc::MessageKind::Information ? "Information " : "Confirmation ") + text);
    }

private:
    CallLog& log_;
};

class FakeUpdateHost : public qc::UpdateHost {
public:
    FakeUpdateHost(CallLog& log, std::string caption) : captionText(std::move(caption)), log_(log) {}
    std::string caption() const override {
        log_.push_back("caption");
        return captionText;
    }
    void closeMainWindow() override {
        log_.push_back("close Form1");
        ++closed;
    }
    std::string captionText;
    int closed = 0;

private:
    CallLog& log_;
};

// Folders as the test sets them. makeFolder creates the folder for real, so that a fake download
// can write into it; which folders are writable and which files exist are the test's say.
class FakeUpdateFolders : public qc::UpdateFolders {
public:
    explicit FakeUpdateFolders(CallLog& log) : log_(log) {}
    std::string executableFolder() const override {
        log_.push_back("folder");
        return exe;
    }
    std::string privateLibraryFolder() const override {
        log_.push_back("library folder");
        return library;
    }
    std::string cacheFolder() const override {
        log_.push_back("cache folder");
        return cache;
    }
    bool canWriteTo(const std::string& folder) const override {
        log_.push_back("writable? " + folder);
        return writable.count(folder) > 0;
    }
    bool makeFolder(const std::string& folder) override {
        log_.push_back("make " + folder);
        if (!canMake) return false;
        std::filesystem::create_directories(folder);
        writable.insert(folder);
        return true;
    }
    bool isFile(const std::string& path) const override {
        log_.push_back("file? " + path);
        return files.count(path) > 0;
    }
    std::string exe, library, cache;
    std::set<std::string> writable, files;
    bool canMake = true;

private:
    CallLog& log_;
};

class FakeLauncher : public qc::ProcessLauncher {
public:
    explicit FakeLauncher(CallLog& log) : log_(log) {}
    void startDetached(const std::string& program) override {
        log_.push_back("start " + program);
        started.push_back(program);
    }
    std::vector<std::string> started;

private:
    CallLog& log_;
};

class FakeTimer : public qc::Timer {
public:
    explicit FakeTimer(CallLog& log) : log_(log) {}
    void disable() override { log_.push_back("disable Timer1"); }

private:
    CallLog& log_;
};

// ---- the player's ports ----------------------------------------------------------------------

// Opens nothing; what its sources say is the test's, through event().
class FakeMediaEngine : public qc::MediaEngine {
public:
    struct Source {
        std::uint32_t generation = 0;
        std::string location;
    };
    void setListener(Listener listener) override { listener_ = std::move(listener); }
    void setPictureSink(qc::PictureSink* sink) override { sink_ = sink; }
    void open(int slot, std::uint32_t generation, const std::string& location) override {
        if (slot < 0 || slot >= kSlots) throw std::logic_error("no such slot");
        log.push_back("open " + std::to_string(slot) + " " + location);
        opened.push_back(location);
        open_[slot] = {generation, location};
    }
    void show(int slot) override {
        log.push_back("show " + std::to_string(slot));
        shown = slot;
    }
    void close(int slot) override {
        log.push_back("close " + std::to_string(slot));
        open_.erase(slot);
        if (shown == slot) shown = -1;
    }
    void pause(int slot, bool on) override {
        log.push_back(std::string(on ? "pause " : "resume ") + std::to_string(slot));
    }
    void seek(int slot, double position) override {
        log.push_back("seek " + std::to_string(slot) + " " + std::to_string(position));
    }
    void setVolume(int percent) override { log.push_back("volume " + std::to_string(percent)); }
    void setMute(bool on) override { log.push_back(on ? "mute" : "unmute"); }

    // The slot holding `location` now, or -1.
    int slotOf(const std::string& location) const {
        for (const auto& [slot, s] : open_)
            if (s.location == location) return slot;
        return -1;
    }
    bool isOpen(const std::string& location) const { return slotOf(location) >= 0; }
    int openCount() const { return static_cast<int>(open_.size()); }
    // An event of the source that holds `location` (its slot and generation filled in).
    void event(const std::string& location, qc::EngineEvent e) {
        int slot = slotOf(location);
        if (slot < 0) throw std::logic_error("not open: " + location);
        e.slot = slot;
        e.generation = open_.at(slot).generation;
        send(e);
    }
    void event(const std::string& location, qc::EngineEvent::Kind kind) { event(location, qc::EngineEvent{kind}); }
    // Exactly as given: a stale generation, say.
    void send(const qc::EngineEvent& e) {
        if (listener_) listener_(e);
    }
    const Source* source(int slot) const {
        auto it = open_.find(slot);
        return it == open_.end() ? nullptr : &it->second;
    }
    qc::PictureSink* sink() const { return sink_; }
    void lose() {
        open_.clear();
        send(qc::EngineEvent{qc::EngineEvent::Kind::Lost});
    }

    std::vector<std::string> log, opened;
    int shown = -1;

private:
    Listener listener_;
    qc::PictureSink* sink_ = nullptr;
    std::map<int, Source> open_;
};

// Fetches nothing; the test answers for the server.
class FakeProber : public qc::Prober {
public:
    void setListener(Listener listener) override { listener_ = std::move(listener); }
    void fetch(std::uint32_t ticket, const std::string& address) override {
        fetched.push_back(address);
        live_[ticket] = address;
    }
    void cancel(std::uint32_t ticket) override { live_.erase(ticket); }
    bool isFetching(const std::string& address) const { return ticketOf(address) != 0; }
    int fetching() const { return static_cast<int>(live_.size()); }
    // What the server sent so far for `address`; the fetch ends with a complete report.
    void report(const std::string& address, const qc::FetchReport& r) {
        std::uint32_t ticket = ticketOf(address);
        if (!ticket) throw std::logic_error("not fetching: " + address);
        if (r.complete) live_.erase(ticket);
        if (listener_) listener_(ticket, r);
    }
    void answer(const std::string& address, int status, const std::string& body, bool complete = true) {
        qc::FetchReport r;
        r.status = status;
        r.body = body;
        r.complete = complete;
        report(address, r);
    }
    void fail(const std::string& address, qc::FetchReport::Failure failure) {
        qc::FetchReport r;
        r.failure = failure;
        r.complete = true;
        report(address, r);
    }

    std::vector<std::string> fetched;  // every fetch started, in order

private:
    std::uint32_t ticketOf(const std::string& address) const {
        for (const auto& [ticket, a] : live_)
            if (a == address) return ticket;
        return 0;
    }
    Listener listener_;
    std::map<std::uint32_t, std::string> live_;
};

}  // namespace qctest
