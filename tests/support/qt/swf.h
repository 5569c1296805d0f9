#pragma once
// Tiny Flash movies made for the tests and benchmarks.

#include <QColor>
#include <string>

namespace qctest {

// An uncompressed SWF of 400 x 300 pixels whose stage is one colour: SetBackgroundColor, ShowFrame.
// With `next`, its first frame also loads that address, relative to its own, in its place
// (DoAction: getURL(next, "_level0")).
std::string makeSwf(QColor colour, const std::string& next = "");

}  // namespace qctest
