#pragma once
// Stand-ins for the ports the windows act on, where a test watches rather than acts.

#include <stdexcept>
#include <string>
#include <vector>

#include "app/shell.h"
#include "app/window.h"
#include "playback/flash_control.h"

namespace qctest {

struct RecordingShell : qc::Shell {
    void open(const std::string& a) override { opened.push_back(a); }
    std::vector<std::string> opened;
};

struct RecordingWindow : qc::SecondaryWindow {
    void showWindow() override { ++shown; }
    int shown = 0;
};

struct IdleFlash : qc::FlashControl {
    void setMovie(const std::string&) override {}
};

struct RefusingFlash : qc::FlashControl {
    void setMovie(const std::string&) override { throw std::runtime_error("The control refused the movie"); }
};

}  // namespace qctest
