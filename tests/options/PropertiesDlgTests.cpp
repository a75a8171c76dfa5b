// The properties window as built: its start values, controls, labels and commands.
#include "PropertiesTestSupport.h"

#include "universe/GravityMethod.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <iterator>

namespace {

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

TEST_F(PropertiesDlgTest, CreationWritesTheStartValues) {
    EXPECT_EQ(Dialog->windowTitle(), "Astrivo Properties");
    EXPECT_TRUE(Dialog->AutoApply());
    EXPECT_EQ(Dialog->Velocity(), 80);
    EXPECT_EQ(Dialog->Mass(), 53);
    EXPECT_EQ(Dialog->Space(), 48);
    EXPECT_EQ(Dialog->Number(), 40);
    EXPECT_EQ(Dialog->ParticleCount(), 1280);
    EXPECT_EQ(Dialog->Distribution(), 99);
    EXPECT_EQ(Dialog->StartFormation(), 0);
    EXPECT_EQ(Dialog->Globular(), 97);
    EXPECT_EQ(Dialog->FrictionEffect(), 30);
    EXPECT_EQ(Dialog->Pressure(), 20);
    EXPECT_EQ(Dialog->Separation(), 100);
    EXPECT_EQ(Dialog->Radiation(), 10);
    EXPECT_TRUE(Dialog->UseThermoCalc());
    EXPECT_EQ(Dialog->RedoFrequency(), 15);
    EXPECT_EQ(Dialog->MatrixResolution(), 250);
    EXPECT_EQ(Dialog->LocalitySize(), 25);
    EXPECT_EQ(Dialog->MaxSeparation(), 5);
    // Written by nobody at creation: still zero.
    EXPECT_EQ(Dialog->PartSize(), 0);
    EXPECT_EQ(Dialog->Contrast(), 0);
    EXPECT_FALSE(Dialog->ShowLuminance());
    EXPECT_FALSE(Dialog->UseLines());
    EXPECT_EQ(Dialog->IterationCount(), 0);

    // The processing settings reach the host at once, in creation order; the gravity
    // method's start value is the one a default-made model holds already.
    const std::vector<TRecordingHost::TCall> expected{{"RedoFrequency", 15},
                                                      {"MatrixResolution", 250},
                                                      {"LocalitySize", 25},
                                                      {"OpeningAngle", 13},
                                                      {"MaxSeparation", 5}};
    EXPECT_EQ(Host.Calls, expected);
    EXPECT_EQ(Host.Creations, 0);
}

TEST_F(PropertiesDlgTest, CreationLeavesTheControlsAndLabelsAsDocumented) {
    EXPECT_EQ(LabelText("Number"), "1280");
    EXPECT_EQ(LabelText("Mass"), "74438");
    EXPECT_EQ(LabelText("Space"), "216");
    EXPECT_EQ(LabelText("Velocity"), "410");
    EXPECT_EQ(LabelText("Distribution"), "-1");
    EXPECT_EQ(LabelText("Separation"), "100");
    EXPECT_EQ(LabelText("FrictionEffect"), "30");
    EXPECT_EQ(LabelText("Pressure"), "20");
    EXPECT_EQ(LabelText("Radiation"), "10");
    EXPECT_EQ(LabelText("RedoFrequency"), "15");
    EXPECT_EQ(LabelText("MatrixResolution"), "250");
    EXPECT_EQ(LabelText("LocalitySize"), "25");
    EXPECT_EQ(LabelText("PartSize"), "###");
    EXPECT_EQ(Dialog->LabelIterationCount->text(), "0000000000");
    EXPECT_EQ(Dialog->LabelOptimisation->text(), "00.00%");

    EXPECT_EQ(Dialog->TrackBarContrast->value(), 200);
    EXPECT_EQ(Dialog->TrackBarPartSize->value(), 50);
    EXPECT_EQ(Dialog->TrackBarMaxSep->value(), 5);
    EXPECT_EQ(Dialog->ComboBoxFormation->currentText(), "Collision of two");
    EXPECT_TRUE(Dialog->CheckUseThermo->isChecked());
    EXPECT_TRUE(Dialog->CheckBoxAutoApply->isChecked());
    EXPECT_FALSE(Dialog->CheckBoxShowLuminance->isChecked());
    EXPECT_FALSE(Dialog->CheckBoxUseLines->isChecked());
    EXPECT_EQ(Dialog->ListBoxShowAs->currentRow(), 0);
    EXPECT_EQ(Dialog->ListBoxShowAs->count(), 3);
    EXPECT_EQ(Dialog->ListBoxShowAs->item(1)->text(), "(AutoStereo)*");
    EXPECT_EQ(Dialog->PageControl1->currentWidget(), Dialog->PageView);
    EXPECT_TRUE(Dialog->BtnUniverseApply->isDefault());
    EXPECT_EQ(Dialog->BtnUniverseApply->text(), "&Apply All");
}

TEST_F(PropertiesDlgTest, AtItsFirstSizeTheViewPageShowsNoSliverOfTheGroupsBeyondIt) {
    // The groups beyond the designed width come into sight whole when the window is
    // widened; a page made wider by any other page's controls shows a cut-off edge instead.
    Dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Dialog.get()));
    EXPECT_LE(Dialog->PageView->width(), Dialog->GroupRotation->x());
    EXPECT_LE(Dialog->PageView->width(), Dialog->CamPos->x());
}

TEST_F(PropertiesDlgTest, EverySliderIsBuiltFromItsTableRow) {
    for (const TSettingRow& entry : SettingsTable::Sliders()) {
        SCOPED_TRACE(std::string(entry.Name));
        QSlider* slider = Dialog->findChild<QSlider*>(Q(entry.Name));
        ASSERT_NE(slider, nullptr);
        EXPECT_EQ(slider, Dialog->Slider(entry.Property));
        EXPECT_EQ(slider->orientation(), Qt::Horizontal);
        EXPECT_EQ(slider->minimum(), entry.Min);
        EXPECT_EQ(slider->maximum(), entry.Max);
        EXPECT_EQ(slider->pageStep(), entry.PageSize);
        EXPECT_EQ(slider->tickInterval(), entry.TickSpacing);
        EXPECT_EQ(slider->tickPosition(), QSlider::TicksAbove);
        if (!entry.LabelName.empty()) {
            EXPECT_NE(Dialog->findChild<QLabel*>(Q(entry.LabelName)), nullptr);
        }
    }
}

TEST_F(PropertiesDlgTest, HintsSplitIntoTipAndStatusText) {
    EXPECT_EQ(Dialog->TrackBarNumber->toolTip(), "");
    EXPECT_EQ(Dialog->TrackBarNumber->statusTip(), "<--- less particles / more particles --->");
    EXPECT_EQ(Dialog->TrackBarGlobular2->toolTip(),
              "<--- Large sections (precise) / Small sections (approximate) --->");
    EXPECT_EQ(Dialog->TrackBarSeparation->statusTip(),
              "Processing is more precise when using large sections.");
    EXPECT_EQ(Dialog->TrackBarLocalitySize->toolTip(), "Locality Size");
    EXPECT_EQ(Dialog->TrackBarLocalitySize->statusTip(), "Locality Size");
}

TEST_F(PropertiesDlgTest, LabelsAtTheEdgesOfTheirRanges) {
    const struct {
        const char* Property;
        int Value;
        const char* Text;
    } cases[] = {
        {"Number", 0, "0"},         {"Number", 24, "24"},
        {"Number", 25, "5"},        {"Number", 220, "192080"},
        {"Mass", 1, "0"},           {"Mass", 100, "500000"},
        {"Space", 1, "0"},          {"Space", 4, "0"},
        {"Space", 8, "1"},          {"Space", 100, "1953"},
        {"Velocity", 0, "0"},       {"Velocity", 25, "12"},
        {"Velocity", 200, "6400"},  {"Distribution", 1, "-99"},
        {"Distribution", 100, "0"}, {"Distribution", 200, "100"},
        {"PartSize", 1, "1"},       {"LocalitySize", 0, "0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Property) + " " + std::to_string(c.Value));
        ASSERT_TRUE(Dialog->setProperty(c.Property, c.Value));
        EXPECT_EQ(Dialog->property(c.Property).toInt(), c.Value);
        EXPECT_EQ(LabelText(c.Property), c.Text);
        EXPECT_EQ(Dialog->Slider(c.Property)->value(), c.Value);
    }
    Dialog->ChangeNumber(0);
    EXPECT_EQ(Dialog->ParticleCount(), 0);
}

TEST_F(PropertiesDlgTest, FiguresUseTheLocalesDecimalSeparator) {
    const QLocale saved;
    QLocale::setDefault(QLocale::c());
    Dialog->SetOptimisation(0.0f);
    EXPECT_EQ(Dialog->LabelOptimisation->text(), "0.00%");
    Dialog->SetOptimisation(1.0f);
    EXPECT_EQ(Dialog->LabelOptimisation->text(), "100.00%");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Dialog->SetOptimisation(0.875f);
    EXPECT_EQ(Dialog->LabelOptimisation->text(), "87,50%");
    QLocale::setDefault(saved);

    Dialog->SetIterationCount(1234567);
    EXPECT_EQ(Dialog->LabelIterationCount->text(), "1234567");
}

TEST_F(PropertiesDlgTest, TheSameOptimisationFigureIsFormattedEveryTime) {
    Dialog->SetOptimisation(0.5f);
    Dialog->LabelOptimisation->setText("stale");
    Dialog->SetOptimisation(0.5f);
    EXPECT_NE(Dialog->LabelOptimisation->text(), "stale");
}

TEST_F(PropertiesDlgTest, PageMovesOnTheParticleSliderLandOnTheEnds) {
    Dialog->TrackBarNumber->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(Dialog->Number(), 220);
    EXPECT_EQ(Dialog->ParticleCount(), 192080);
    Dialog->TrackBarNumber->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(Dialog->Number(), 0);
    EXPECT_EQ(LabelText("Number"), "0");
}

TEST_F(PropertiesDlgTest, ThermodynamicsSwitchEnablesItsControlsOnly) {
    TMDIChild view;
    view.SetShowLuminance(true);
    Host.View = &view;
    Dialog->CheckBoxShowLuminance->setChecked(true);

    Dialog->CheckUseThermo->click();
    EXPECT_FALSE(Dialog->UseThermoCalc());
    EXPECT_FALSE(Dialog->TrackBarFriction->isEnabled());
    EXPECT_FALSE(Dialog->TrackBarPressure->isEnabled());
    EXPECT_FALSE(Dialog->TrackBarRadiation->isEnabled());
    EXPECT_FALSE(Dialog->CheckBoxShowLuminance->isEnabled());
    EXPECT_TRUE(Dialog->CheckBoxShowLuminance->isChecked());
    EXPECT_TRUE(view.ShowLuminance());
    EXPECT_TRUE(Dialog->TrackBarSpace->isEnabled());

    Dialog->CheckUseThermo->click();
    EXPECT_TRUE(Dialog->UseThermoCalc());
    EXPECT_TRUE(Dialog->TrackBarFriction->isEnabled());
    EXPECT_TRUE(Dialog->CheckBoxShowLuminance->isEnabled());
    Host.View = nullptr;
}

TEST_F(PropertiesDlgTest, ChoosingAFormationOnlyStoresIt) {
    Dialog->ComboBoxFormation->setCurrentIndex(0);
    emit Dialog->ComboBoxFormation->activated(0);
    EXPECT_EQ(Dialog->StartFormation(), 0);
    Dialog->ComboBoxFormation->setCurrentIndex(1);
    emit Dialog->ComboBoxFormation->activated(1);
    EXPECT_EQ(Dialog->StartFormation(), 1);
    EXPECT_EQ(Host.Creations, 0);
    // Set from code (as the creation handler does), the text changes nothing stored.
    Dialog->ComboBoxFormation->setCurrentText("Globular (sphere)");
    EXPECT_EQ(Dialog->StartFormation(), 1);
}

TEST_F(PropertiesDlgTest, ShowAsActsOnlyForTheUsersChoice) {
    // With no view open, a click only moves the selection.
    QListWidget* list = Dialog->ListBoxShowAs;
    list->setCurrentRow(2);
    emit list->itemClicked(list->item(2));
    EXPECT_EQ(list->currentRow(), 2);

    TMDIChild view;
    Host.View = &view;
    emit list->itemClicked(list->item(2));
    EXPECT_EQ(view.ShowAs(), saChromoStereo);

    Dialog->SelectShowAs(1); // a view reporting its method: nothing is pushed back
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_EQ(view.ShowAs(), saChromoStereo);
    Host.View = nullptr;
}

TEST_F(PropertiesDlgTest, AnActivatedViewShowsAllItsSettingsOnTheViewPage) {
    TMDIChild view;
    view.SetShowAs(saAutoStereo);
    view.SetContrast(130);
    view.SetPartSize(33);
    view.SetShowLuminance(true);
    view.SetUseLines(true);
    Host.View = &view;
    Dialog->ViewActivated(&view);
    EXPECT_EQ(Dialog->ListBoxShowAs->currentRow(), 1);
    EXPECT_EQ(Dialog->Contrast(), 130);
    EXPECT_EQ(Dialog->TrackBarContrast->value(), 130);
    EXPECT_EQ(Dialog->PartSize(), 33);
    EXPECT_EQ(Dialog->TrackBarPartSize->value(), 33);
    EXPECT_EQ(LabelText("PartSize"), "33");
    EXPECT_TRUE(Dialog->CheckBoxShowLuminance->isChecked());
    EXPECT_TRUE(Dialog->CheckBoxUseLines->isChecked());
    EXPECT_EQ(view.Contrast(), 130);

    // Another view with the boxes off: the page follows, and unticking reaches nothing
    // else; then a tick on the page turns the view's luminance on again.
    TMDIChild plain;
    plain.SetContrast(100);
    plain.SetPartSize(10);
    Host.View = &plain;
    Dialog->ViewActivated(&plain);
    EXPECT_FALSE(Dialog->CheckBoxShowLuminance->isChecked());
    EXPECT_FALSE(Dialog->CheckBoxUseLines->isChecked());
    EXPECT_EQ(Dialog->TrackBarPartSize->value(), 10);
    EXPECT_TRUE(view.ShowLuminance());
    EXPECT_TRUE(view.UseLines());
    Dialog->CheckBoxShowLuminance->click();
    EXPECT_TRUE(plain.ShowLuminance());

    Dialog->ViewActivated(nullptr);
    EXPECT_EQ(Dialog->Contrast(), 100);

    // Showing a view's settings hands nothing back to it, not even a value the page holds
    // to its slider's range.
    TMDIChild wide;
    wide.SetPartSize(500);
    Host.View = &wide;
    Dialog->ViewActivated(&wide);
    EXPECT_EQ(Dialog->PartSize(), 100);
    EXPECT_EQ(wide.PartSize(), 500);
    Host.View = nullptr;
}

TEST_F(PropertiesDlgTest, ViewSettingsReachTheActiveViewWithoutAutoApply) {
    TMDIChild view;
    Host.View = &view;
    Dialog->CheckBoxAutoApply->click();
    EXPECT_FALSE(Dialog->AutoApply());

    Dialog->TrackBarPartSize->setValue(20);
    Dialog->TrackBarContrast->setValue(300);
    Dialog->CheckBoxUseLines->click();
    Dialog->CheckBoxShowLuminance->click();
    EXPECT_EQ(view.PartSize(), 20);
    EXPECT_EQ(LabelText("PartSize"), "20");
    EXPECT_EQ(view.Contrast(), 300);
    EXPECT_TRUE(view.UseLines());
    EXPECT_TRUE(view.ShowLuminance());

    Dialog->TrackBarRedoFrequency->setValue(40);
    EXPECT_EQ(Host.Calls.back(), (TRecordingHost::TCall{"RedoFrequency", 40}));
    Dialog->TrackBarSpace->setValue(60);
    EXPECT_EQ(Host.Creations, 0); // universe settings wait for "Apply All"
    Host.View = nullptr;
}

TEST_F(PropertiesDlgTest, TheTreeGreysOnlyThePairSlidersAndPairsBringThemBack) {
    EXPECT_EQ(LabelText("OpeningAngle"), "0.65");
    Dialog->TrackBarOpening->setValue(7);
    EXPECT_EQ(LabelText("OpeningAngle"), "0.35");
    QSlider* const pairSliders[] = {Dialog->TrackBarRedoFrequency, Dialog->TrackBarMatrixResolution,
                                    Dialog->TrackBarLocalitySize};
    std::vector<QString> pairHints;
    for (QSlider* slider : pairSliders)
        pairHints.push_back(slider->toolTip());

    Host.Calls.clear();
    Dialog->ComboBoxGravity->setCurrentIndex(gmTree);
    EXPECT_EQ(Host.Calls, (std::vector<TRecordingHost::TCall>{{"GravityMethod", gmTree}}));
    EXPECT_EQ(Dialog->GravityMethod(), gmTree);
    for (std::size_t i = 0; i < std::size(pairSliders); ++i) {
        SCOPED_TRACE(pairSliders[i]->objectName().toStdString());
        EXPECT_FALSE(pairSliders[i]->isEnabled());
        // One hint for the three, saying why, in place of each one's own.
        EXPECT_NE(pairSliders[i]->toolTip(), pairHints[i]);
        EXPECT_EQ(pairSliders[i]->toolTip(), pairSliders[0]->toolTip());
        EXPECT_FALSE(pairSliders[i]->statusTip().isEmpty());
    }
    for (QSlider* slider : {Dialog->TrackBarOpening, Dialog->TrackBarPressure,
                            Dialog->TrackBarMaxSep, Dialog->TrackBarNumber})
        EXPECT_TRUE(slider->isEnabled()) << slider->objectName().toStdString();

    // Back through the property, as a file or a script writes it.
    Dialog->setProperty("GravityMethod", static_cast<int>(gmPairs));
    EXPECT_EQ(Dialog->ComboBoxGravity->currentIndex(), gmPairs);
    for (std::size_t i = 0; i < std::size(pairSliders); ++i) {
        EXPECT_TRUE(pairSliders[i]->isEnabled()) << i;
        EXPECT_EQ(pairSliders[i]->toolTip(), pairHints[i]) << i;
    }
}

TEST_F(PropertiesDlgTest, EnterPressesApplyAllWhichKeepsAFloatingWindowOpen) {
    Dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Dialog.get()));
    QTest::keyClick(Dialog->PageControl1, Qt::Key_Return);
    EXPECT_EQ(Host.Creations, 1);
    EXPECT_TRUE(Dialog->isVisible());
    QTest::keyClick(Dialog->PageControl1, Qt::Key_Escape);
    EXPECT_TRUE(Dialog->isVisible());
}

// In a modal showing the command that opened the window builds on OK, so the button
// itself must not build as well; a floating window builds at once and stays open.
TEST_F(PropertiesDlgTest, ApplyAllEndsAModalShowingWithOkAndBuildsOnlyWhenFloating) {
    QTimer::singleShot(0, Dialog.get(), [this] { Dialog->BtnUniverseApply->click(); });
    EXPECT_EQ(Dialog->exec(), QDialog::Accepted);
    EXPECT_EQ(Host.Creations, 0);
    EXPECT_FALSE(Dialog->isVisible());

    QTimer::singleShot(0, Dialog.get(),
                       [this] { QTest::keyClick(Dialog->PageControl1, Qt::Key_Escape); });
    EXPECT_EQ(Dialog->exec(), QDialog::Rejected);
    EXPECT_EQ(Host.Creations, 0);

    Dialog->show();
    Dialog->BtnUniverseApply->click();
    EXPECT_EQ(Host.Creations, 1);
    EXPECT_TRUE(Dialog->isVisible());
}

TEST_F(PropertiesDlgTest, ShowingRereadsTheParticleAndGlobularSliders) {
    {
        const QSignalBlocker quiet(Dialog->TrackBarNumber);
        Dialog->TrackBarNumber->setValue(30);
    }
    {
        const QSignalBlocker quiet(Dialog->TrackBarGlobular2);
        Dialog->TrackBarGlobular2->setValue(50);
    }
    EXPECT_EQ(Dialog->Number(), 40);
    Dialog->show();
    EXPECT_EQ(Dialog->Number(), 30);
    EXPECT_EQ(Dialog->ParticleCount(), 180);
    EXPECT_EQ(Dialog->Globular(), 50);
}

TEST_F(PropertiesDlgTest, TiedCaptionsMoveTheFocusToTheirSliders) {
    int tied = 0;
    for (QLabel* label : Dialog->findChildren<QLabel*>()) {
        if (!label->buddy())
            continue;
        ++tied;
        const auto* slider = qobject_cast<QSlider*>(label->buddy());
        ASSERT_NE(slider, nullptr);
        EXPECT_TRUE(SettingsTable::Find(slider->objectName().toStdString())->CaptionFocusesSlider);
    }
    EXPECT_EQ(tied, 5);
}

} // namespace
