// What the viewer and its engine process say to each other: anything either receives is read as
// untrusted.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/player/engine_protocol.h"

using namespace qc::engine;

TEST(EngineProtocol, EveryFieldSurvivesTheTrip) {
    Message m{Kind::Progress, 3, kSeekable | kHasVideo, 0xFFFF'FFFE, 65'000, -1, 1LL << 40, 0.25, "mms://a.example/台"};
    auto back = decode(encode(m));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->kind, Kind::Progress);
    EXPECT_EQ(back->slot, 3);
    EXPECT_EQ(back->flags, kSeekable | kHasVideo);
    EXPECT_EQ(back->generation, 0xFFFF'FFFEu);
    EXPECT_EQ(back->a, 65'000);
    EXPECT_EQ(back->b, -1);
    EXPECT_EQ(back->c, 1LL << 40);
    EXPECT_EQ(back->number, 0.25);
    EXPECT_EQ(back->text, m.text);
    EXPECT_TRUE(decode(encode({Kind::Open, 0, 0, 1, 0, 0, 0, 0, std::string(kMaxText, 'x')})));
}

TEST(EngineProtocol, MalformedMessagesAreNone) {
    const std::string good = encode({Kind::Open, 1, 0, 7, 0, 0, 0, 0, "http://a.example/x"});
    auto with = [&](std::size_t at, char byte) {
        std::string s = good;
        s[at] = byte;
        return s;
    };
    EXPECT_FALSE(decode(""));
    EXPECT_FALSE(decode(good.substr(0, kHeadBytes - 1)));               // a head cut short
    EXPECT_FALSE(decode(good.substr(0, good.size() - 1)));              // a text shorter than it says
    EXPECT_FALSE(decode(good + "x"));                                   // or longer
    EXPECT_FALSE(decode(with(0, 0)));                                   // no kind
    EXPECT_FALSE(decode(with(0, 20)));                                  // between the two ranges
    EXPECT_FALSE(decode(with(0, static_cast<char>(Kind::Frame) + 1)));  // past the last
    EXPECT_FALSE(decode(with(1, kSlots)));                              // a slot out of range
    EXPECT_FALSE(decode(with(3, 1)));                                   // the spare byte
    std::string huge = encode({Kind::Open, 0, 0, 1, 0, 0, 0, 0, std::string(kMaxText + 1, 'x')});
    EXPECT_FALSE(decode(huge));
    for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()})
        EXPECT_FALSE(decode(encode({Kind::Seek, 0, 0, 0, 0, 0, 0, bad, ""})));
    // A length field that would overflow an addition.
    std::string wrap = good;
    wrap[4] = wrap[5] = wrap[6] = wrap[7] = static_cast<char>(0xFF);
    EXPECT_FALSE(decode(wrap));
}

TEST(EngineProtocol, FormatsTheViewerTakes) {
    const std::uint64_t enough = frameBytes(720 * 4, 576) * kFrameBuffers;
    EXPECT_TRUE(isValidFormat(720, 576, 720 * 4, enough));
    EXPECT_TRUE(isValidFormat(kMaxFrameWidth, kMaxFrameHeight, kMaxFrameWidth * 4,
                              frameBytes(kMaxFrameWidth * 4, kMaxFrameHeight) * kFrameBuffers));
    EXPECT_FALSE(isValidFormat(720, 576, 720 * 4, enough - 1));  // memory for fewer buffers
    EXPECT_FALSE(isValidFormat(720, 576, 719 * 4, enough));      // rows that don't fit
    EXPECT_FALSE(isValidFormat(720, 576, 720 * 4 + 2, enough));  // not whole pixels
    EXPECT_FALSE(isValidFormat(0, 576, 0, enough));
    EXPECT_FALSE(isValidFormat(720, -1, 720 * 4, enough));
    EXPECT_FALSE(isValidFormat(kMaxFrameWidth + 1, 10, (kMaxFrameWidth + 1) * 4, ~0ull));
    EXPECT_FALSE(isValidFormat(10, kMaxFrameHeight + 1, 40, ~0ull));
    EXPECT_FALSE(isValidFormat(10, 10, 1LL << 40, ~0ull));  // a pitch that would overflow
}

TEST(EngineProtocol, CausesBeyondTheKnownAreNone) {
    EXPECT_TRUE(isKnownCause(static_cast<std::int64_t>(Cause::Other)));
    EXPECT_TRUE(isKnownCause(static_cast<std::int64_t>(Cause::TooLarge)));
    EXPECT_FALSE(isKnownCause(static_cast<std::int64_t>(Cause::TooLarge) + 1));
    EXPECT_FALSE(isKnownCause(-1));
    EXPECT_FALSE(isKnownCause(1LL << 40));
}
