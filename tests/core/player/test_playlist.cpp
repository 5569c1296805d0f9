// Our own reader of the playlists that web servers send.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/player/playlist.h"
#include "core/text/gbk.h"
#include "core/text/utf.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(Playlist, AsxInAnyCaseWithSeveralRefs) {
    auto p = qc::parsePlaylist(
        "<ASX version=\"3.0\">\r\n<!-- <ref href=\"mms://commented.example/x\"/> -->\n"
        "<Entry><Title>x</Title><REF HREF=\"mms://203.0.113.1/live\"/>\n"
        "<ref href = 'http://198.51.100.2/live.wmv' ></ref></Entry>\n"
        "<entry><Ref Href=\"mmst://a.example/b?id=1&amp;t=2\"/></entry></asx>");
    EXPECT_TRUE(p.recognised);
    EXPECT_THAT(p.refs,
                ElementsAre("mms://203.0.113.1/live", "http://198.51.100.2/live.wmv", "mmst://a.example/b?id=1&t=2"));
}

TEST(Playlist, GbkWithoutDeclarationAndGb2312Declared) {
    std::string gbk =
        qc::utf8ToGbk("<asx><entry><title>凤凰卫视</title><ref href=\"mms://h.example/中文台\"/></entry></asx>");
    EXPECT_THAT(qc::parsePlaylist(gbk).refs, ElementsAre("mms://h.example/中文台"));
    std::string declared =
        qc::utf8ToGbk("<?xml version=\"1.0\" encoding=\"gb2312\"?><ASX><REF HREF=\"mms://h.example/台\"/></ASX>");
    EXPECT_THAT(qc::parsePlaylist(declared).refs, ElementsAre("mms://h.example/台"));
}

TEST(Playlist, ByteOrderMarksAndUtf16) {
    EXPECT_THAT(qc::parsePlaylist("\xEF\xBB\xBF<asx><ref href=\"mms://h.example/a\"/></asx>").refs,
                ElementsAre("mms://h.example/a"));
    std::string text = "<asx><ref href=\"mms://h.example/b\"/></asx>", utf16 = "\xFF\xFE";
    for (char c : text) utf16 += {c, '\0'};
    EXPECT_THAT(qc::parsePlaylist(utf16).refs, ElementsAre("mms://h.example/b"));
}

TEST(Playlist, ReferenceFormOfWindowsMediaServers) {
    auto p = qc::parsePlaylist(
        "[Reference]\r\nRef1=http://203.0.113.7/live?MSWMExt=.asf\r\nRef2=mms://203.0.113.7/live\r\nBogus=x\r\n");
    EXPECT_TRUE(p.recognised);
    EXPECT_THAT(p.refs, ElementsAre("http://203.0.113.7/live?MSWMExt=.asf", "mms://203.0.113.7/live"));
}

TEST(Playlist, RelativeRefsAndNestedPlaylists) {
    auto p = qc::parsePlaylist("<asx><entryref href=\"more.asx\"/><ref href=\"/clips/a.wmv\"/></asx>",
                               "http://127.0.0.1:8080/lists/main.asx?x=1");
    EXPECT_THAT(p.refs, ElementsAre("http://127.0.0.1:8080/lists/more.asx", "http://127.0.0.1:8080/clips/a.wmv"));
}

TEST(Playlist, MediaAndGarbageAreNotPlaylists) {
    EXPECT_FALSE(qc::parsePlaylist("\x30\x26\xB2\x75\x8E\x66\xCF\x11 binary asf header").recognised);
    EXPECT_FALSE(qc::parsePlaylist("<html><body>not found</body></html>").recognised);
    EXPECT_FALSE(qc::parsePlaylist("").recognised);
    auto empty = qc::parsePlaylist("<asx version=\"3.0\"></asx>");
    EXPECT_TRUE(empty.recognised);
    EXPECT_THAT(empty.refs, IsEmpty());
    // Cut off in the middle of a tag or an attribute: what was complete is kept.
    EXPECT_THAT(qc::parsePlaylist("<asx><ref href=\"mms://h.example/a\"/><ref href=\"mms://h").refs,
                ElementsAre("mms://h.example/a"));
    EXPECT_THAT(qc::parsePlaylist("<asx><ref href=\"mms://h.example/a").refs, IsEmpty());
}

TEST(Playlist, NumericCharacterReferences) {
    EXPECT_THAT(qc::parsePlaylist("<asx><ref href=\"mms://h.example/&#x53F0;&#21488;&bogus;\"/></asx>").refs,
                ElementsAre("mms://h.example/台台&bogus;"));
}

// Found by fuzzing: a byte-order mark before malformed UTF-8 let the bad bytes through to the
// refs, which go to the engine as UTF-8.
TEST(Playlist, MalformedTextAfterAByteOrderMarkIsRepaired) {
    auto p = qc::parsePlaylist("\xEF\xBB\xBF<asx><ref href=\"mms://h\xD2\x9A\x87\xA2mple/&#x53F0;&amp;x\"/></asx>");
    ASSERT_EQ(p.refs.size(), 1u);
    EXPECT_TRUE(qc::isValidUtf8(p.refs[0]));
    EXPECT_EQ(p.refs[0], "mms://h\xD2\x9A\xEF\xBF\xBD\xEF\xBF\xBDmple/台&x");
    EXPECT_EQ(qc::repairUtf8("a\xC0\xAF"
                             "b"),
              "a\xEF\xBF\xBD\xEF\xBF\xBD"
              "b");
}
