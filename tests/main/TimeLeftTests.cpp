#include "Main/TimeLeft.h"

#include <gtest/gtest.h>

namespace {

TEST(TimeLeft, EstimatesFromTheAverageRateOnlyOnceTheWorkHasLastedASecond) {
    TTimeLeft estimate;
    estimate.Start(100.0);
    EXPECT_FALSE(estimate.Update(0.0, 100.5));
    EXPECT_FALSE(estimate.Update(0.0, 101.5)) << "nothing done: no rate to go by";
    EXPECT_FALSE(TTimeLeft().Update(0.5, 0.9)) << "work under a second shows no estimate";
    // A quarter in 2 s: 6 s to go, whatever the share was at earlier calls.
    ASSERT_TRUE(estimate.Update(0.25, 102.0));
    EXPECT_DOUBLE_EQ(*estimate.Update(0.25, 102.0), 6.0);
    EXPECT_DOUBLE_EQ(*estimate.Update(0.8, 108.0), 2.0);
    EXPECT_DOUBLE_EQ(*estimate.Update(1.0, 110.0), 0.0);

    // A share that falls is new work: its clock starts again, and it is quiet at first.
    EXPECT_FALSE(estimate.Update(0.1, 200.0));
    EXPECT_DOUBLE_EQ(*estimate.Update(0.2, 202.0), 8.0);
    // Start() for the next piece forgets the last one's share: 0.1 after 0.2 is no restart.
    estimate.Start(300.0);
    EXPECT_DOUBLE_EQ(*estimate.Update(0.1, 304.0), 36.0);
}

TEST(TimeLeft, TextRoundsAsFarAsAnEstimateDeserves) {
    EXPECT_EQ(TimeLeft::Text(-1), "a few seconds left");
    EXPECT_EQ(TimeLeft::Text(9.9), "a few seconds left");
    EXPECT_EQ(TimeLeft::Text(41), "about 40 s left");
    EXPECT_EQ(TimeLeft::Text(57.6), "about 1 min left") << "not 'about 60 s'";
    EXPECT_EQ(TimeLeft::Text(200), "about 3 min left");
    EXPECT_EQ(TimeLeft::Text(3569), "about 59 min left");
    EXPECT_EQ(TimeLeft::Text(3600), "about 1 h left");
    EXPECT_EQ(TimeLeft::Text(4800), "about 1 h 20 min left");
}

} // namespace
