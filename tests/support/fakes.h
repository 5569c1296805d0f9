#pragma once
// Recording fakes of the ports the core and the windows drive. Each records into a log of its own
// or one shared by several, so that tests can check the order of calls across ports.

#include <stdexcept>
#include <string>
#include <vector>

#include "core/ports/flash_control.h"
#include "core/ports/media_player.h"
#include "core/ports/secondary_window.h"
#include "core/ports/shell.h"

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

}  // namespace qctest
