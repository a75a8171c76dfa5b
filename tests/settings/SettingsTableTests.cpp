#include "settings/SettingsTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <set>
#include <string>
#include <vector>

namespace {

TEST(SettingsTable, EverySliderIsListedOnceWithASoundRange) {
    const auto entries = SettingsTable::Sliders();
    ASSERT_EQ(entries.size(), 17u);
    std::set<std::string_view> names;
    for (const TSettingRow& entry : entries) {
        SCOPED_TRACE(std::string(entry.Name));
        EXPECT_TRUE(entry.IsSlider());
        EXPECT_TRUE(names.insert(entry.Name).second);
        EXPECT_GE(entry.Design, entry.Min);
        EXPECT_LE(entry.Design, entry.Max);
        EXPECT_GT(entry.PageSize, 0);
        EXPECT_GE(entry.TickSpacing, 0);
        EXPECT_FALSE(entry.Hint.empty());
        EXPECT_EQ(entry.LabelName.empty(), entry.Label == TLabelKind::None);
    }
}

TEST(SettingsTable, EverySettingHasOneRowOnOneFieldAndStartsInItsRange) {
    std::set<std::string_view> properties;
    // Member pointers have no order: kept in lists, each checked against those before it.
    std::vector<std::int32_t TSettings::*> integers;
    std::vector<bool TSettings::*> flags;
    for (const TSettingRow& row : SettingsTable::All()) {
        SCOPED_TRACE(std::string(row.Property));
        EXPECT_TRUE(properties.insert(row.Property).second);
        ASSERT_NE(row.Integer == nullptr, row.Flag == nullptr);
        if (row.Integer) {
            EXPECT_EQ(std::count(integers.begin(), integers.end(), row.Integer), 0);
            integers.push_back(row.Integer);
        } else {
            EXPECT_EQ(std::count(flags.begin(), flags.end(), row.Flag), 0);
            flags.push_back(row.Flag);
        }
        EXPECT_LT(row.Min, row.Max);
        EXPECT_GE(row.Default, row.Min);
        EXPECT_LE(row.Default, row.Max);
        EXPECT_EQ(SettingsTable::Find(row.Property), &row);
    }
    // Every field of TSettings (which has no padding): a field the table forgot would be
    // neither kept nor bounded.
    EXPECT_EQ(integers.size() * sizeof(std::int32_t) + flags.size() * sizeof(bool),
              sizeof(TSettings));
}

TEST(SettingsTable, RangesKeepTheEngineInsideItsLimits) {
    // The engine checks nothing: matrix resolution and redo frequency must stay at 1 or
    // more, the locality at 0 or more and the space above 0 for every reachable position.
    EXPECT_GE(SettingsTable::Find("MatrixResolution")->Min, 1);
    EXPECT_GE(SettingsTable::Find("RedoFrequency")->Min, 1);
    EXPECT_GE(SettingsTable::Find("LocalitySize")->Min, 0);
    EXPECT_GE(SettingsTable::Find("Space")->Min, 1);
}

TEST(SettingsTable, FindsRowsByPropertyOrObjectName) {
    ASSERT_NE(SettingsTable::Find("FrictionEffect"), nullptr);
    EXPECT_EQ(SettingsTable::Find("FrictionEffect"), SettingsTable::Find("TrackBarFriction"));
    EXPECT_EQ(SettingsTable::Find("TrackBarGlobular2")->Property, "Globular");
    EXPECT_EQ(SettingsTable::Find("NoSuchSlider"), nullptr);
}

TEST(SettingsTable, OnlyTheDocumentedCaptionsMoveTheFocus) {
    std::set<std::string_view> focusing;
    for (const TSettingRow& entry : SettingsTable::Sliders())
        if (entry.CaptionFocusesSlider)
            focusing.insert(entry.Caption);
    EXPECT_EQ(focusing, (std::set<std::string_view>{"&Particles", "&Mass", "&Space", "&Velocity",
                                                    "&Distribution"}));
}

TEST(SettingsTable, LabelTextFollowsTheLabelKind) {
    EXPECT_EQ(SettingsTable::LabelText(TLabelKind::None, 5), "");
    EXPECT_EQ(SettingsTable::LabelText(TLabelKind::Decimal, -7), "-7");
    EXPECT_EQ(SettingsTable::LabelText(TLabelKind::ParticleCount, 100), "28880");
    EXPECT_EQ(SettingsTable::LabelText(TLabelKind::MassHalfCube, 53), "74438");
    EXPECT_EQ(SettingsTable::LabelText(TLabelKind::SpaceCube, 48), "216");
    EXPECT_EQ(SettingsTable::LabelText(TLabelKind::VelocityCube, 80), "410");
    EXPECT_EQ(SettingsTable::LabelText(TLabelKind::Offset100, 99), "-1");
}

TEST(SettingsTable, ClampHoldsAValueToItsSlidersRange) {
    constexpr std::int32_t Most = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t Least = std::numeric_limits<std::int32_t>::min();
    EXPECT_EQ(SettingsTable::Clamp("Number", 1000), 220);
    EXPECT_EQ(SettingsTable::Clamp("Number", Most), 220);
    EXPECT_EQ(SettingsTable::Clamp("TrackBarNumber", -1), 0);
    EXPECT_EQ(SettingsTable::Clamp("MatrixResolution", 0), 10);
    EXPECT_EQ(SettingsTable::Clamp("MatrixResolution", 300), 300);
    EXPECT_EQ(SettingsTable::Clamp("Contrast", Least), 1);
    EXPECT_EQ(SettingsTable::Clamp("MaxSeparation", 61), 60);
    EXPECT_EQ(SettingsTable::Clamp("Space", 48), 48);
    // No slider of that name: nothing to hold it to.
    EXPECT_EQ(SettingsTable::Clamp("IterationCount", -5), -5);
}

TEST(SettingsTable, TheParticleSliderPagesPastEitherEnd) {
    // A page move from anywhere must land on an end of the range.
    const TSettingRow* number = SettingsTable::Find("Number");
    EXPECT_GT(number->PageSize, number->Max - number->Min);
}

} // namespace
