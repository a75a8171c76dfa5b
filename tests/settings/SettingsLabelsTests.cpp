#include "settings/SettingsLabels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using namespace SettingsLabels;

TEST(SettingsLabels, NumberShowsTheParticleCountOnBothSidesOfTheJump) {
    EXPECT_EQ(NumberLabel(0), "0");
    EXPECT_EQ(NumberLabel(24), "24");
    EXPECT_EQ(NumberLabel(25), "5");
    EXPECT_EQ(NumberLabel(40), "1280");
    EXPECT_EQ(NumberLabel(220), "192080");
}

TEST(SettingsLabels, IterationCountMarksTheCountThatStopped) {
    EXPECT_EQ(IterationText(0), "0");
    EXPECT_EQ(IterationText(1234567), "1234567");
    EXPECT_EQ(IterationText(std::numeric_limits<std::int32_t>::max() - 1), "2147483646");
    EXPECT_EQ(IterationText(std::numeric_limits<std::int32_t>::max()), "2147483647+");
}

TEST(SettingsLabels, MassIsTheCubeHalvedAndTruncated) {
    EXPECT_EQ(MassLabel(1), "0");
    EXPECT_EQ(MassLabel(3), "13");
    EXPECT_EQ(MassLabel(53), "74438");
    EXPECT_EQ(MassLabel(100), "500000");
}

TEST(SettingsLabels, SpaceIsTheRoundedSpaceParameter) {
    EXPECT_EQ(SpaceLabel(1), "0");
    EXPECT_EQ(SpaceLabel(4), "0");
    EXPECT_EQ(SpaceLabel(8), "1");
    EXPECT_EQ(SpaceLabel(48), "216");
    EXPECT_EQ(SpaceLabel(100), "1953");
}

TEST(SettingsLabels, VelocityHalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(VelocityLabel(0), "0");
    EXPECT_EQ(VelocityLabel(25), "12");
    EXPECT_EQ(VelocityLabel(75), "338");
    EXPECT_EQ(VelocityLabel(80), "410");
    EXPECT_EQ(VelocityLabel(125), "1562");
    EXPECT_EQ(VelocityLabel(175), "4288");
    EXPECT_EQ(VelocityLabel(200), "6400");
}

TEST(SettingsLabels, DistributionIsCentredOnOneHundred) {
    EXPECT_EQ(DistributionLabel(1), "-99");
    EXPECT_EQ(DistributionLabel(99), "-1");
    EXPECT_EQ(DistributionLabel(100), "0");
    EXPECT_EQ(DistributionLabel(200), "100");
}

TEST(SettingsLabels, ExtremePositionsNeitherOverflowNorWrap) {
    // Out of every slider's range, but the texts must still be sound.
    EXPECT_EQ(DistributionLabel(std::numeric_limits<std::int32_t>::min()), "-2147483748");
    EXPECT_EQ(MassLabel(-3), "-13");
    EXPECT_FALSE(MassLabel(std::numeric_limits<std::int32_t>::max()).empty());
    EXPECT_EQ(SpaceLabel(std::numeric_limits<std::int32_t>::max()),
              DecimalText(std::numeric_limits<std::int64_t>::max()));
}

TEST(SettingsLabels, DecimalTextIsPlainSignedDecimal) {
    EXPECT_EQ(DecimalText(0), "0");
    EXPECT_EQ(DecimalText(-1), "-1");
    EXPECT_EQ(DecimalText(1234567), "1234567");
    EXPECT_EQ(DecimalText(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
}

TEST(SettingsLabels, RoundHalfEvenAtTiesAndLimits) {
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(2.4999999), 2);
    EXPECT_EQ(RoundHalfEven(2.5000001), 3);
    EXPECT_EQ(RoundHalfEven(std::nan("")), 0);
    EXPECT_EQ(RoundHalfEven(INFINITY), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(RoundHalfEven(-INFINITY), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(RoundHalfEven(1e300), std::numeric_limits<std::int64_t>::max());
}

TEST(SettingsLabels, OptimisationIsAPercentWithTwoDecimals) {
    EXPECT_EQ(OptimisationText(0.0f, "."), "0.00%");
    EXPECT_EQ(OptimisationText(1.0f, "."), "100.00%");
    EXPECT_EQ(OptimisationText(0.875f, "."), "87.50%");
    EXPECT_EQ(OptimisationText(0.12344f, "."), "12.34%");
}

TEST(SettingsLabels, OptimisationUsesTheGivenDecimalSeparator) {
    EXPECT_EQ(OptimisationText(0.875f, ","), "87,50%");
    EXPECT_EQ(OptimisationText(0.5f, "\xd9\xab"), "50\xd9\xab"
                                                  "00%"); // Arabic decimal separator
}

TEST(SettingsLabels, OptimisationOfNonFiniteFiguresIsStillText) {
    EXPECT_EQ(OptimisationText(std::numeric_limits<float>::infinity(), ","), "inf%");
    EXPECT_EQ(OptimisationText(std::numeric_limits<float>::quiet_NaN(), ","), "nan%");
    EXPECT_EQ(OptimisationText(-std::numeric_limits<float>::max(), ".").back(), '%');
}

TEST(SettingsLabels, HintsSplitAtTheFirstBar) {
    const auto both = SplitHint("Matrix Resolution");
    EXPECT_EQ(both.Short, "Matrix Resolution");
    EXPECT_EQ(both.Long, "Matrix Resolution");

    const auto longOnly = SplitHint("|<--- slower / faster --->");
    EXPECT_EQ(longOnly.Short, "");
    EXPECT_EQ(longOnly.Long, "<--- slower / faster --->");

    const auto twoBars = SplitHint("tip|long | with bar");
    EXPECT_EQ(twoBars.Short, "tip");
    EXPECT_EQ(twoBars.Long, "long | with bar");

    const auto empty = SplitHint("");
    EXPECT_EQ(empty.Short, "");
    EXPECT_EQ(empty.Long, "");
}

} // namespace
