// A page that hasn't answered: ended when its main thread is stuck in a script, waited for while
// it only runs slowly, and never waited for past the bound or when its thread can't be read.

#include <gtest/gtest.h>

#include "core/games/page_answer.h"

using qc::PageAnswer;
using Verdict = PageAnswer::Verdict;

TEST(PageAnswer, AThreadThatNeverSleptIsEndedAtTheFirstLookOneThatSleptIsWaitedForUpToTheBound) {
    PageAnswer stuck(40);
    EXPECT_EQ(stuck.look(40), Verdict::End);

    PageAnswer slow(40);
    int looks = 0;
    long sleeps = 40;
    while (slow.look(sleeps += 3) == Verdict::Wait) ++looks;
    EXPECT_EQ((looks + 1) * PageAnswer::kLookMs, PageAnswer::kBoundMs);

    // Slow at first, then stuck in a script: ended at the first look it didn't sleep.
    PageAnswer then(40);
    EXPECT_EQ(then.look(45), Verdict::Wait);
    EXPECT_EQ(then.look(45), Verdict::End);
}

TEST(PageAnswer, AThreadThatCantBeReadIsNotWaitedFor) {
    EXPECT_EQ(PageAnswer(-1).look(12), Verdict::End);
    EXPECT_EQ(PageAnswer(12).look(-1), Verdict::End);
}
