// The two rules for XML-like text from servers: playlists leniently, policies strictly.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/text/markup.h"
#include "core/text/utf.h"

using qc::Markup;

TEST(Markup, ReferencesByRule) {
    struct Case {
        const char* text;
        std::optional<std::string> lenient, strict;
    };
    const Case cases[] = {
        {"a&amp;b&lt;&gt;&quot;&apos;", "a&b<>\"'", "a&b<>\"'"},
        {"&AMP;", "&", std::nullopt},                // names are case-sensitive in XML
        {"&#65;&#x42;", "AB", std::nullopt},         // hex references only leniently
        {"&#65;&#66;", "AB", "AB"},                  //
        {"&#x53F0;", "台", std::nullopt},            // beyond ASCII
        {"&#31;", "\x1F", std::nullopt},             // control characters
        {"&#0;", "&#0;", std::nullopt},              // never a NUL
        {"&#xD800;", "&#xD800;", std::nullopt},      // a lone surrogate
        {"&#x110000;", "&#x110000;", std::nullopt},  // past Unicode
        {"&bogus;", "&bogus;", std::nullopt},
        {"a & b", "a & b", std::nullopt},
        {"&amp", "&amp", std::nullopt},  // unterminated
    };
    for (const Case& c : cases) {
        EXPECT_EQ(qc::decodeReferences(c.text, Markup::Lenient), c.lenient) << c.text;
        EXPECT_EQ(qc::decodeReferences(c.text, Markup::Strict), c.strict) << c.text;
    }
    EXPECT_TRUE(qc::isValidUtf8(*qc::decodeReferences("&#x10FFFF;&#128512;", Markup::Lenient)));
}

TEST(Markup, LenientTagsAsBrokenServersWriteThem) {
    std::string_view text = "REF HREF = 'mms://a.example/x?a=1&amp;b=2' Title=plain novalue/><next>";
    std::size_t pos = 0;
    auto tag = qc::readTag(text, pos, Markup::Lenient);
    ASSERT_TRUE(tag);
    EXPECT_EQ(tag->name, "ref");
    EXPECT_TRUE(tag->selfClosing);
    EXPECT_EQ(tag->attribute("href"), "mms://a.example/x?a=1&b=2");
    EXPECT_EQ(tag->attribute("title"), "plain");
    EXPECT_TRUE(tag->has("novalue"));
    EXPECT_EQ(text.substr(pos), "<next>");
    // A tag that never ends is none; a '>' ends a tag even inside quotes.
    pos = 0;
    EXPECT_FALSE(qc::readTag("ref href=\"x", pos, Markup::Lenient));
    pos = 0;
    EXPECT_EQ(qc::readTag("ref href=\"a>b\">", pos, Markup::Lenient)->attribute("href"), "a");
}

TEST(Markup, StrictTagsOrNone) {
    std::size_t pos = 0;
    auto tag = qc::readTag("allow-access-from domain=\"*.example.com\" secure='false'/>", pos, Markup::Strict);
    ASSERT_TRUE(tag);
    EXPECT_EQ(tag->name, "allow-access-from");
    EXPECT_TRUE(tag->selfClosing);
    EXPECT_EQ(tag->attribute("domain"), "*.example.com");
    EXPECT_EQ(tag->attribute("Domain"), std::nullopt);  // names keep their case
    EXPECT_EQ(tag->attribute("secure"), "false");
    pos = 0;
    EXPECT_EQ(qc::readTag("a b=\"x>y\">", pos, Markup::Strict)->attribute("b"), "x>y");
    // A spoilt value is there, but says nothing.
    pos = 0;
    auto spoilt = qc::readTag("a b=\"&bogus;\">", pos, Markup::Strict);
    ASSERT_TRUE(spoilt);
    EXPECT_TRUE(spoilt->has("b"));
    EXPECT_EQ(spoilt->attribute("b"), std::nullopt);
    for (const char* bad : {"a b=unquoted>", "a b>", "a b=\"<\">", "a b=\"open", "<a>", "a b=\"x\"", ""}) {
        pos = 0;
        EXPECT_FALSE(qc::readTag(bad, pos, Markup::Strict)) << bad;
    }
}
