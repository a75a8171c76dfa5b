#include "Options/SliderSpecs.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

TEST(SliderSpecs, EverySliderIsListedOnceWithASoundRange) {
    const auto specs = SliderSpecs::All();
    ASSERT_EQ(specs.size(), 16u);
    std::set<std::string_view> names;
    std::set<std::string_view> properties;
    for (const TSliderSpec& spec : specs) {
        SCOPED_TRACE(std::string(spec.Name));
        EXPECT_TRUE(names.insert(spec.Name).second);
        EXPECT_TRUE(properties.insert(spec.Property).second);
        EXPECT_LT(spec.Min, spec.Max);
        EXPECT_GE(spec.Design, spec.Min);
        EXPECT_LE(spec.Design, spec.Max);
        EXPECT_GT(spec.PageSize, 0);
        EXPECT_GE(spec.TickSpacing, 0);
        EXPECT_FALSE(spec.Hint.empty());
        EXPECT_EQ(spec.LabelName.empty(), spec.Label == TLabelKind::None);
    }
}

TEST(SliderSpecs, RangesKeepTheEngineInsideItsLimits) {
    // The engine checks nothing: matrix resolution and redo frequency must stay at 1 or
    // more, the locality at 0 or more and the space above 0 for every reachable position.
    EXPECT_GE(SliderSpecs::Find("MatrixResolution")->Min, 1);
    EXPECT_GE(SliderSpecs::Find("RedoFrequency")->Min, 1);
    EXPECT_GE(SliderSpecs::Find("LocalitySize")->Min, 0);
    EXPECT_GE(SliderSpecs::Find("Space")->Min, 1);
}

TEST(SliderSpecs, FindsRowsByPropertyOrObjectName) {
    ASSERT_NE(SliderSpecs::Find("FrictionEffect"), nullptr);
    EXPECT_EQ(SliderSpecs::Find("FrictionEffect"), SliderSpecs::Find("TrackBarFriction"));
    EXPECT_EQ(SliderSpecs::Find("TrackBarGlobular2")->Property, "Globular");
    EXPECT_EQ(SliderSpecs::Find("NoSuchSlider"), nullptr);
}

TEST(SliderSpecs, OnlyTheDocumentedCaptionsMoveTheFocus) {
    std::set<std::string_view> focusing;
    for (const TSliderSpec& spec : SliderSpecs::All())
        if (spec.CaptionFocusesSlider)
            focusing.insert(spec.Caption);
    EXPECT_EQ(focusing, (std::set<std::string_view>{"&Particles", "&Mass", "&Space", "&Velocity",
                                                    "&Distribution"}));
}

TEST(SliderSpecs, LabelTextFollowsTheLabelKind) {
    EXPECT_EQ(SliderSpecs::LabelText(TLabelKind::None, 5), "");
    EXPECT_EQ(SliderSpecs::LabelText(TLabelKind::Decimal, -7), "-7");
    EXPECT_EQ(SliderSpecs::LabelText(TLabelKind::ParticleCount, 100), "28880");
    EXPECT_EQ(SliderSpecs::LabelText(TLabelKind::MassHalfCube, 53), "74438");
    EXPECT_EQ(SliderSpecs::LabelText(TLabelKind::SpaceCube, 48), "216");
    EXPECT_EQ(SliderSpecs::LabelText(TLabelKind::VelocityCube, 80), "410");
    EXPECT_EQ(SliderSpecs::LabelText(TLabelKind::Offset100, 99), "-1");
}

TEST(SliderSpecs, TheParticleSliderPagesPastEitherEnd) {
    // A page move from anywhere must land on an end of the range.
    const TSliderSpec* number = SliderSpecs::Find("Number");
    EXPECT_GT(number->PageSize, number->Max - number->Min);
}

} // namespace
