// GoogleTest inside a running QApplication.

#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
// Sanitized runs keep every library loaded: a leak inside an unloaded plugin would be reported
// without a name, and so could not be told apart from ours.
extern "C" int dlclose(void*) { return 0; }
#endif

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();  // listing needs no display
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
