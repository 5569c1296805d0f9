// The full-screen toggle behind the picture button and the player's double-click.

#include <gtest/gtest.h>

#include "core/app/fullscreen.h"
#include "fakes.h"

using namespace qctest;

namespace {

struct ToggleCase {
    int state;
    qc::ControlBool before;
    std::vector<std::string> calls;
};

class FullScreenToggle : public ::testing::TestWithParam<ToggleCase> {};

}  // namespace

TEST_P(FullScreenToggle, NegatesOnlyWhilePlaying) {
    CallLog log;
    FakePlayer player(log);
    player.state = GetParam().state;
    player.full = GetParam().before;
    qc::toggleFullScreen(player);
    EXPECT_EQ(log, GetParam().calls);
}

INSTANTIATE_TEST_SUITE_P(
    EveryPlayState, FullScreenToggle,
    ::testing::Values(ToggleCase{qc::kPlaying, 0, {"playState?", "fullScreen?", "fullScreen=-1"}},
                      ToggleCase{qc::kPlaying, -1, {"playState?", "fullScreen?", "fullScreen=0"}},
                      ToggleCase{
                          qc::kPlaying, 1, {"playState?", "fullScreen?", "fullScreen=0"}},  // any non-zero is true
                      ToggleCase{qc::kUndefined, 0, {"playState?"}}, ToggleCase{qc::kStopped, -1, {"playState?"}},
                      ToggleCase{qc::kPaused, -1, {"playState?"}}, ToggleCase{qc::kBuffering, 0, {"playState?"}},
                      ToggleCase{qc::kMediaEnded, 0, {"playState?"}}, ToggleCase{qc::kTransitioning, 0, {"playState?"}},
                      ToggleCase{qc::kReady, 0, {"playState?"}}));

TEST(FullScreenToggleTwice, EntersThenLeaves) {
    CallLog log;
    FakePlayer player(log);
    player.state = qc::kPlaying;
    qc::toggleFullScreen(player);
    EXPECT_EQ(player.full, qc::kControlTrue);
    qc::toggleFullScreen(player);
    EXPECT_EQ(player.full, qc::kControlFalse);
}
