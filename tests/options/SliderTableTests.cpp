#include "Options/SliderTable.h"

#include <gtest/gtest.h>

#include <limits>
#include <set>
#include <string>

namespace {

TEST(SliderTable, EverySliderIsListedOnceWithASoundRange) {
    const auto entries = SliderTable::All();
    ASSERT_EQ(entries.size(), 16u);
    std::set<std::string_view> names;
    std::set<std::string_view> properties;
    for (const TSliderRow& entry : entries) {
        SCOPED_TRACE(std::string(entry.Name));
        EXPECT_TRUE(names.insert(entry.Name).second);
        EXPECT_TRUE(properties.insert(entry.Property).second);
        EXPECT_LT(entry.Min, entry.Max);
        EXPECT_GE(entry.Design, entry.Min);
        EXPECT_LE(entry.Design, entry.Max);
        EXPECT_GT(entry.PageSize, 0);
        EXPECT_GE(entry.TickSpacing, 0);
        EXPECT_FALSE(entry.Hint.empty());
        EXPECT_EQ(entry.LabelName.empty(), entry.Label == TLabelKind::None);
    }
}

TEST(SliderTable, RangesKeepTheEngineInsideItsLimits) {
    // The engine checks nothing: matrix resolution and redo frequency must stay at 1 or
    // more, the locality at 0 or more and the space above 0 for every reachable position.
    EXPECT_GE(SliderTable::Find("MatrixResolution")->Min, 1);
    EXPECT_GE(SliderTable::Find("RedoFrequency")->Min, 1);
    EXPECT_GE(SliderTable::Find("LocalitySize")->Min, 0);
    EXPECT_GE(SliderTable::Find("Space")->Min, 1);
}

TEST(SliderTable, FindsRowsByPropertyOrObjectName) {
    ASSERT_NE(SliderTable::Find("FrictionEffect"), nullptr);
    EXPECT_EQ(SliderTable::Find("FrictionEffect"), SliderTable::Find("TrackBarFriction"));
    EXPECT_EQ(SliderTable::Find("TrackBarGlobular2")->Property, "Globular");
    EXPECT_EQ(SliderTable::Find("NoSuchSlider"), nullptr);
}

TEST(SliderTable, OnlyTheDocumentedCaptionsMoveTheFocus) {
    std::set<std::string_view> focusing;
    for (const TSliderRow& entry : SliderTable::All())
        if (entry.CaptionFocusesSlider)
            focusing.insert(entry.Caption);
    EXPECT_EQ(focusing, (std::set<std::string_view>{"&Particles", "&Mass", "&Space", "&Velocity",
                                                    "&Distribution"}));
}

TEST(SliderTable, LabelTextFollowsTheLabelKind) {
    EXPECT_EQ(SliderTable::LabelText(TLabelKind::None, 5), "");
    EXPECT_EQ(SliderTable::LabelText(TLabelKind::Decimal, -7), "-7");
    EXPECT_EQ(SliderTable::LabelText(TLabelKind::ParticleCount, 100), "28880");
    EXPECT_EQ(SliderTable::LabelText(TLabelKind::MassHalfCube, 53), "74438");
    EXPECT_EQ(SliderTable::LabelText(TLabelKind::SpaceCube, 48), "216");
    EXPECT_EQ(SliderTable::LabelText(TLabelKind::VelocityCube, 80), "410");
    EXPECT_EQ(SliderTable::LabelText(TLabelKind::Offset100, 99), "-1");
}

TEST(SliderTable, ClampHoldsAValueToItsSlidersRange) {
    constexpr std::int32_t Most = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t Least = std::numeric_limits<std::int32_t>::min();
    EXPECT_EQ(SliderTable::Clamp("Number", 1000), 220);
    EXPECT_EQ(SliderTable::Clamp("Number", Most), 220);
    EXPECT_EQ(SliderTable::Clamp("TrackBarNumber", -1), 0);
    EXPECT_EQ(SliderTable::Clamp("MatrixResolution", 0), 10);
    EXPECT_EQ(SliderTable::Clamp("MatrixResolution", 300), 300);
    EXPECT_EQ(SliderTable::Clamp("Contrast", Least), 1);
    EXPECT_EQ(SliderTable::Clamp("MaxSeparation", 61), 60);
    EXPECT_EQ(SliderTable::Clamp("Space", 48), 48);
    // No slider of that name: nothing to hold it to.
    EXPECT_EQ(SliderTable::Clamp("IterationCount", -5), -5);
}

TEST(SliderTable, TheParticleSliderPagesPastEitherEnd) {
    // A page move from anywhere must land on an end of the range.
    const TSliderRow* number = SliderTable::Find("Number");
    EXPECT_GT(number->PageSize, number->Max - number->Min);
}

} // namespace
