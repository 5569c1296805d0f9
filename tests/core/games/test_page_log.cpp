// The games page's console in our log: what a movie writes there can't flood it or write into it.

#include <gtest/gtest.h>

#include <string>

#include "core/games/page_log.h"

using qc::PageLog;
using Level = PageLog::Level;

TEST(PageLog, WarningsAndErrorsArePrefixedInfoIsLeftOut) {
    PageLog log(100, 5, 1000);
    EXPECT_TRUE(log.message(Level::Info, "Ruffle instance destroyed.", "", 0, 0).empty());
    const auto lines = log.message(Level::Error, "Failed to fetch", "qcgame://engine/ruffle.js", 2, 0);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "qingchuan: games page: error: Failed to fetch (qcgame://engine/ruffle.js:2)");
    EXPECT_EQ(log.message(Level::Warning, "odd", "", 0, 0)[0], "qingchuan: games page: warning: odd");
}

TEST(PageLog, ALineIsCutWithinACharacterAndControlCharactersBecomeBlanks) {
    PageLog log(10, 5, 1000);
    const auto cut =
        log.message(Level::Error, "12345678\xe4\xb8\xad\xe6\x96\x87", "", 0, 0);  // 中文 over the 10th byte
    EXPECT_EQ(cut[0], "qingchuan: games page: error: 12345678");
    const auto clean = log.message(Level::Error, "a\nb\x1b[2Jc", "", 0, 0);
    EXPECT_EQ(clean[0], "qingchuan: games page: error: a b [2Jc");
}

TEST(PageLog, AFloodIsBoundedPerWindowAndWhatWasLeftOutIsSaid) {
    PageLog log(100, 3, 1000);
    int written = 0;
    for (int i = 0; i < 1000; ++i) written += int(log.message(Level::Error, "again", "", 0, i / 10).size());
    EXPECT_EQ(written, 3) << "one window of 1000 ms";
    const auto next = log.message(Level::Error, "later", "", 0, 1000);
    ASSERT_EQ(next.size(), 2u);
    EXPECT_EQ(next[0], "qingchuan: games page: 997 more lines left out");
    EXPECT_EQ(next[1], "qingchuan: games page: error: later");
}
