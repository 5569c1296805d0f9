#pragma once
// Recording fakes of the ports the core drives.

#include <stdexcept>
#include <string>
#include <vector>

#include "app/shell.h"
#include "app/window.h"
#include "playback/flash_control.h"
#include "playback/media_player.h"

namespace qctest {

// One log shared by all fakes, so tests can check the order of calls across ports.
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
    explicit FakeShell(CallLog& log) : log_(log) {}
    void open(const std::string& address) override { log_.push_back("open " + address); }

private:
    CallLog& log_;
};

class FakeFlash : public qc::FlashControl {
public:
    explicit FakeFlash(CallLog& log) : log_(log) {}
    void setMovie(const std::string& address) override {
        if (refuse) throw std::runtime_error("refused");
        log_.push_back("Movie=" + address);
    }
    bool refuse = false;

private:
    CallLog& log_;
};

class FakeWindow : public qc::SecondaryWindow {
public:
    FakeWindow(CallLog& log, std::string name) : log_(log), name_(std::move(name)) {}
    void showWindow() override { log_.push_back("show " + name_); }

private:
    CallLog& log_;
    std::string name_;
};

}  // namespace qctest
