#pragma once
// Media clips made for the tests with ffmpeg, and waiting on the Qt event loop.

#include <functional>
#include <string>

namespace qctest {

// A Windows Media clip (wmv2 video, wma audio) of `seconds`, with a test pattern; returns its bytes.
// `pattern` picks the picture ("testsrc", "testsrc2", "smptebars", ...).
std::string makeClip(double seconds, const std::string& pattern = "testsrc");

// Runs the event loop until `done()` holds or `timeoutMs` has passed; returns done().
bool waitUntil(const std::function<bool()>& done, int timeoutMs);

}  // namespace qctest
