// Settings written through the properties (as a script or a simulation file writes them)
// never store what the controls could not show.
#include "PropertiesTestSupport.h"

#include <QComboBox>

#include <limits>

namespace {

constexpr int Most = std::numeric_limits<int>::max();
constexpr int Least = std::numeric_limits<int>::min();

struct TWrite {
    const char* Property;
    int Written;
    int Stored;
};

// Out-of-range writes once found to reach the engine, and each end of every range.
constexpr TWrite OutOfRange[] = {
    {"Number", Most, 220}, // overflowed the particle-count formula
    {"Number", 1000, 220}, // 4,762,880 particles: a build that took minutes
    {"Number", -1, 0},
    {"Mass", 0, 1},
    {"Mass", Least, 1},
    {"Space", 0, 1}, // a universe of no size
    {"Space", 101, 100},
    {"Velocity", -5, 0},
    {"Velocity", Most, 200},
    {"Distribution", 0, 1},
    {"Distribution", 201, 200},
    {"Globular", -1, 0},
    {"Globular", 101, 100},
    {"Separation", -1, 0},
    {"Separation", 501, 500},
    {"RedoFrequency", 0, 1}, // the step counts down from it
    {"RedoFrequency", Least, 1},
    {"MatrixResolution", 0, 10}, // the matrix divides by it
    {"MatrixResolution", Most, 300},
    {"LocalitySize", -1, 0},
    {"LocalitySize", 51, 50},
    {"Pressure", 0, 1},
    {"FrictionEffect", 1000, 100},
    {"Radiation", Least, 1},
    {"MaxSeparation", -1, 0},
    {"MaxSeparation", 61, 60},
    {"PartSize", 0, 1},
    {"PartSize", 101, 100},
    {"Contrast", 0, 1},
    {"Contrast", 513, 512},
};

TEST_F(PropertiesDlgTest, OutOfRangeWritesStoreTheNearestEndOfTheSlider) {
    for (const TWrite& write : OutOfRange) {
        SCOPED_TRACE(std::string(write.Property) + " = " + std::to_string(write.Written));
        ASSERT_TRUE(Dialog->setProperty(write.Property, write.Written));
        EXPECT_EQ(Dialog->property(write.Property).toInt(), write.Stored);
        // The separation limit's writer leaves its slider where it is.
        if (std::string_view(write.Property) != "MaxSeparation") {
            EXPECT_EQ(Dialog->Slider(write.Property)->value(), write.Stored);
        }
        const TSettingRow* row = SettingsTable::Find(write.Property);
        if (QLabel* label = Dialog->ValueLabel(write.Property)) {
            EXPECT_EQ(label->text().toStdString(),
                      SettingsTable::LabelText(row->Label, write.Stored));
        }
    }
}

TEST_F(PropertiesDlgTest, TheParticleCountFollowsTheHeldNumber) {
    Dialog->TrackBarNumber->setValue(220);
    ASSERT_EQ(Dialog->ParticleCount(), 192080);
    Dialog->setProperty("Number", 1000);
    EXPECT_EQ(Dialog->Number(), 220);
    EXPECT_EQ(Dialog->ParticleCount(), 192080);
    Dialog->setProperty("Number", Most);
    EXPECT_EQ(Dialog->ParticleCount(), 192080);
    Dialog->setProperty("Number", Least);
    EXPECT_EQ(Dialog->Number(), 0);
    EXPECT_EQ(Dialog->ParticleCount(), 0);
}

TEST_F(PropertiesDlgTest, OnlyHeldValuesReachTheHostAndTheView) {
    TMDIChild view;
    Host.View = &view;
    Host.Calls.clear();
    for (const TWrite& write : OutOfRange)
        Dialog->setProperty(write.Property, write.Written);
    for (const TRecordingHost::TCall& call : Host.Calls) {
        const TSettingRow* row = SettingsTable::Find(call.Name);
        ASSERT_NE(row, nullptr) << call;
        EXPECT_GE(call.Value, row->Min) << call;
        EXPECT_LE(call.Value, row->Max) << call;
    }
    EXPECT_FALSE(Host.Calls.empty());
    EXPECT_EQ(view.PartSize(), 100);
    EXPECT_EQ(view.Contrast(), 512);
    Host.View = nullptr;
}

TEST_F(PropertiesDlgTest, TheFormationIsHeldToTheListedFormations) {
    Dialog->setProperty("StartFormation", 2);
    EXPECT_EQ(Dialog->StartFormation(), 1);
    EXPECT_EQ(Dialog->ComboBoxFormation->currentText(), "Collision of two");
    Dialog->setProperty("StartFormation", Least);
    EXPECT_EQ(Dialog->StartFormation(), 0);
    EXPECT_EQ(Dialog->ComboBoxFormation->currentText(), "Globular (sphere)");
}

TEST_F(PropertiesDlgTest, SettingsAppliedWholeReadBackThroughEveryProperty) {
    // Every kept setting gets a value of its own, unlike its current one and every other
    // setting's, so a setting left out, or a writer or getter tied to another's field, shows.
    const auto rows = SettingsTable::All();
    TSettings wanted = Dialog->Model().Settings();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const TSettingRow& row = rows[i];
        const std::int32_t now = SettingsTable::Value(wanted, row);
        std::int32_t value = row.Max - static_cast<std::int32_t>(i);
        if (value <= row.Min || row.Max - row.Min == 1)
            value = now == row.Max ? row.Min : row.Max;
        ASSERT_NE(value, now) << row.Property;
        if (row.Kept)
            SettingsTable::SetValue(wanted, row, value);
    }
    Dialog->ApplySettings(wanted);
    for (const TSettingRow& row : rows) {
        if (!row.Kept)
            continue;
        const std::string property(row.Property);
        SCOPED_TRACE(property);
        EXPECT_EQ(SettingsTable::Value(Dialog->Model().Settings(), row),
                  SettingsTable::Value(wanted, row));
        EXPECT_EQ(Dialog->property(property.c_str()).toInt(), SettingsTable::Value(wanted, row));
    }
}

TEST_F(PropertiesDlgTest, TheIterationFigureShowsACountThatStopped) {
    Dialog->SetIterationCount(Most);
    EXPECT_EQ(Dialog->LabelIterationCount->text(), "2147483647+");
    Dialog->SetIterationCount(Most - 1);
    EXPECT_EQ(Dialog->LabelIterationCount->text(), "2147483646");
}

} // namespace
