// GBK text: what can't be decoded or encoded is replaced, never dropped.

#include <gtest/gtest.h>

#include "core/text/gbk.h"
#include "core/text/utf.h"

TEST(Gbk, MalformedAndUnmappableTextIsReplacedNotLost) {
    EXPECT_EQ(qc::gbkToUtf8("ab\x81"), "ab\xEF\xBF\xBD");  // cut-off double byte
    EXPECT_EQ(qc::utf8ToGbk("a\xF0\x9F\x98\x80"
                            "b"),
              "a?b");  // no emoji in GBK
    EXPECT_EQ(qc::utf8ToGbk("a\xFF"
                            "b"),
              "a?b");  // not UTF-8 at all
    EXPECT_TRUE(qc::isValidUtf8("晴川"));
    EXPECT_FALSE(qc::isValidUtf8("\xC0\xAF"));  // overlong
    EXPECT_FALSE(qc::isValidUtf8(qc::utf8ToGbk("晴川")));
}
