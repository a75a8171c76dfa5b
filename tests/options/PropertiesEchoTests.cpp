// The writers' equality test and the echo between properties and controls.
#include "PropertiesTestSupport.h"

#include <QCheckBox>
#include <QSignalSpy>
#include <QTest>

namespace {

constexpr const char* Sentinel = "untouched";

TEST_F(PropertiesDlgTest, EveryUserMoveWritesItsPropertyOnceAndEqualWritesDoNothing) {
    for (const TSettingRow& entry : SettingsTable::Sliders()) {
        const std::string property(entry.Property);
        SCOPED_TRACE(property);
        QSlider* slider = Dialog->Slider(entry.Property);
        const int before = slider->value();
        const auto action = before < entry.Max ? QAbstractSlider::SliderSingleStepAdd
                                               : QAbstractSlider::SliderSingleStepSub;
        QSignalSpy moves(slider, &QSlider::valueChanged);
        slider->triggerAction(action);
        const int moved = slider->value();
        ASSERT_NE(moved, before);
        EXPECT_EQ(moves.count(), 1); // the writer's own slider update found nothing to change
        EXPECT_EQ(Dialog->property(property.c_str()).toInt(), moved);
        if (QLabel* label = Dialog->ValueLabel(entry.Property)) {
            EXPECT_EQ(label->text().toStdString(), SettingsTable::LabelText(entry.Label, moved));
            // A write of the value already held formats nothing.
            label->setText(Sentinel);
            Dialog->setProperty(property.c_str(), moved);
            EXPECT_EQ(label->text(), Sentinel);
        }
    }
}

TEST_F(PropertiesDlgTest, ProcessingSettingsReachTheHostOncePerChange) {
    Host.Calls.clear();
    QTest::keyClick(Dialog->TrackBarLocalitySize, Qt::Key_Right);
    ASSERT_EQ(Host.Calls.size(), 1u);
    EXPECT_EQ(Host.Calls[0], (TRecordingHost::TCall{"LocalitySize", 26}));

    Dialog->SetLocalitySize(26);
    Dialog->SetMatrixResolution(250);
    Dialog->SetRedoFrequency(15);
    Dialog->SetMaxSeparation(5);
    EXPECT_EQ(Host.Calls.size(), 1u);

    Dialog->SetMatrixResolution(100);
    ASSERT_EQ(Host.Calls.size(), 2u);
    EXPECT_EQ(Host.Calls[1], (TRecordingHost::TCall{"MatrixResolution", 100}));
    EXPECT_EQ(Dialog->TrackBarMatrixResolution->value(), 100);
    EXPECT_EQ(LabelText("MatrixResolution"), "100");
}

TEST_F(PropertiesDlgTest, MaxSeparationIsPassedOnButDoesNotMoveItsSlider) {
    Host.Calls.clear();
    Dialog->SetMaxSeparation(30);
    EXPECT_EQ(Dialog->MaxSeparation(), 30);
    EXPECT_EQ(Dialog->TrackBarMaxSep->value(), 5);
    ASSERT_EQ(Host.Calls.size(), 1u);
    EXPECT_EQ(Host.Calls[0], (TRecordingHost::TCall{"MaxSeparation", 30}));

    QTest::keyClick(Dialog->TrackBarMaxSep, Qt::Key_Right);
    EXPECT_EQ(Dialog->MaxSeparation(), 6);
    EXPECT_EQ(Host.Calls.size(), 2u);
}

TEST_F(PropertiesDlgTest, EqualViewSettingsLeaveTheActiveViewAlone) {
    TMDIChild view;
    Host.View = &view;
    Dialog->SetPartSize(20);
    Dialog->SetContrast(150);
    Dialog->SetUseLines(true);
    ASSERT_EQ(view.PartSize(), 20);

    // The view changes behind the window's back; equal writes must not reach it.
    view.SetPartSize(7);
    view.SetContrast(8);
    view.SetUseLines(false);
    Dialog->ValueLabel("PartSize")->setText(Sentinel);
    Dialog->SetPartSize(20);
    Dialog->SetContrast(150);
    Dialog->SetUseLines(true);
    EXPECT_EQ(view.PartSize(), 7);
    EXPECT_EQ(view.Contrast(), 8);
    EXPECT_FALSE(view.UseLines());
    EXPECT_EQ(LabelText("PartSize"), Sentinel);
    Host.View = nullptr;
}

TEST_F(PropertiesDlgTest, CheckBoxesEchoOnceAndStop) {
    QSignalSpy toggles(Dialog->CheckBoxUseLines, &QCheckBox::toggled);
    Dialog->SetUseLines(true);
    EXPECT_EQ(toggles.count(), 1);
    EXPECT_TRUE(Dialog->CheckBoxUseLines->isChecked());
    Dialog->SetUseLines(true);
    EXPECT_EQ(toggles.count(), 1);

    Dialog->CheckBoxUseLines->click();
    EXPECT_FALSE(Dialog->UseLines());
    EXPECT_EQ(toggles.count(), 2);
}

// The box shows the value however it was written, so it never contradicts the view.
TEST_F(PropertiesDlgTest, ShowLuminanceMovesItsCheckBox) {
    Dialog->SetShowLuminance(true);
    EXPECT_TRUE(Dialog->ShowLuminance());
    EXPECT_TRUE(Dialog->CheckBoxShowLuminance->isChecked());
    Dialog->SetShowLuminance(false);
    EXPECT_FALSE(Dialog->CheckBoxShowLuminance->isChecked());
}

TEST_F(PropertiesDlgTest, EqualUniverseSettingsMoveNoControl) {
    const QSignalBlocker quiet(Dialog->TrackBarSpace);
    Dialog->TrackBarSpace->setValue(10);
    Dialog->ChangeSpace(48); // already held: the slider stays where it was put
    EXPECT_EQ(Dialog->TrackBarSpace->value(), 10);
    Dialog->ChangeSpace(49);
    EXPECT_EQ(Dialog->TrackBarSpace->value(), 49);
}

} // namespace
