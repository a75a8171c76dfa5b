// Building the universe from the properties window, and its failure path.
#include "MainTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSlider>

namespace {

TEST_F(MainFormTest, TheStartValuesGiveTheDocumentedUniverse) {
    Main->CreateUniverse();
    const TEngineState u = Engine();
    EXPECT_TRUE(Main->UniverseReady());
    EXPECT_EQ(u.LastIndex, 1279);
    EXPECT_NEAR(u.Distribution, 0.9414801, 1e-7);
    EXPECT_DOUBLE_EQ(u.Space, 216);
    EXPECT_DOUBLE_EQ(u.Velocity, 4.096);
    EXPECT_NEAR(u.Mass, 1.48877e-4, 1e-9);
    EXPECT_DOUBLE_EQ(u.Friction, 1.0125e-3);
    EXPECT_DOUBLE_EQ(u.Pressure, 1e-4);
    EXPECT_DOUBLE_EQ(u.Radiation, 1e-6);
    EXPECT_DOUBLE_EQ(u.Separation, 10);
    EXPECT_DOUBLE_EQ(u.Globular, 0.03);
    EXPECT_EQ(u.Formation, 1);
    EXPECT_TRUE(u.UseThermodynamics);
    EXPECT_EQ(u.RedoFrequency, 15);
    EXPECT_EQ(u.MatrixResolution, 250);
    EXPECT_EQ(u.LocalitySize, 25);
    EXPECT_EQ(u.MaxSeparation, 5);
    EXPECT_EQ(u.IterationCount, 2); // reset, then one seeding step per cluster
}

TEST_F(MainFormTest, CreationReadsTheControlsThemselves) {
    // Controls changed without their change handlers: the stored copies stay behind.
    {
        const QSignalBlocker quiet(Dialog->TrackBarSpace);
        Dialog->TrackBarSpace->setValue(8);
    }
    {
        const QSignalBlocker quiet(Dialog->CheckUseThermo);
        Dialog->CheckUseThermo->setChecked(false);
    }
    Dialog->ComboBoxFormation->setCurrentText("Globular (sphere)");
    Dialog->ChangeNumber(27);
    ASSERT_EQ(Dialog->Space(), 48);
    ASSERT_TRUE(Dialog->UseThermoCalc());

    Main->CreateUniverse();
    const TEngineState u = Engine();
    EXPECT_DOUBLE_EQ(u.Space, 1);
    EXPECT_FALSE(u.UseThermodynamics);
    EXPECT_EQ(u.Formation, 0);
    EXPECT_EQ(u.LastIndex, 44);
    EXPECT_EQ(u.IterationCount, 1); // one cluster, one seeding step
}

TEST_F(MainFormTest, OnlyTheExactGlobularTextChoosesOneCluster) {
    Dialog->ComboBoxFormation->setEditable(true);
    for (const char* text : {"globular (sphere)", "", "Globular (sphere) "}) {
        Dialog->ComboBoxFormation->setEditText(QString::fromLatin1(text));
        Main->CreateUniverse();
        EXPECT_EQ(Engine().Formation, 1) << '"' << text << '"';
    }
}

TEST_F(MainFormTest, ALaterCreationRefreshesTheViews) {
    ShowMain();
    TMDIChild* view = Main->Views().at(0);
    const TUniverseSnapshot* first = view->Snapshot();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->LastIndex(), 1279);
    Dialog->ChangeNumber(30);
    Main->CreateUniverse();
    Finish();
    EXPECT_EQ(Main->Snapshot()->LastIndex(), 179);
    EXPECT_EQ(view->Snapshot(), Main->Snapshot().get());
}

TEST_F(MainFormTest, ZeroParticlesShowTheirOwnMessageAndLeaveAnEmptyUniverse) {
    ShowMain();
    Main->SetProcessing(true);
    TMDIChild* view = Main->Views().at(0);
    Dialog->TrackBarNumber->setValue(0);
    ASSERT_EQ(Dialog->ParticleCount(), 0);

    TMessageBoxCloser closer;
    Main->CreateUniverse();
    Finish();
    EXPECT_EQ(closer.Count, 1);
    EXPECT_EQ(closer.Icon, QMessageBox::Critical);
    // No memory ran short: the message says what is wrong instead.
    EXPECT_EQ(closer.Text, "A universe needs at least one particle");
    const TEngineState u = Engine();
    EXPECT_FALSE(u.HasParticles);
    EXPECT_EQ(u.LastIndex, -1);
    EXPECT_EQ(u.PairLast, -1);
    ASSERT_NE(view->Snapshot(), nullptr);
    EXPECT_FALSE(view->Snapshot()->HasParticles());
    EXPECT_TRUE(Main->UniverseReady());
    EXPECT_TRUE(Main->Processing());
    // No file can hold a universe without particles.
    EXPECT_FALSE(Action("FileSaveItem")->isEnabled());
    EXPECT_FALSE(Action("FileSaveAsItem")->isEnabled());
    EXPECT_FALSE(Main->SaveSimulation(QStringLiteral("empty.astrivo")));

    // The running loop goes on over the empty universe and shows it in the view.
    const int before = Engine().IterationCount;
    NextStep();
    NextStep();
    EXPECT_GE(Main->Snapshot()->IterationCount, before + 2);
    EXPECT_EQ(Dialog->IterationCount(), Main->Snapshot()->IterationCount);
    EXPECT_EQ(view->Snapshot(), Main->Snapshot().get());
    Main->SetProcessing(false);
}

TEST_F(MainFormTest, AFailedFirstCreationLeavesNoUniverseReady) {
    Dialog->ChangeNumber(0);
    TMessageBoxCloser closer;
    ShowMain();
    EXPECT_EQ(closer.Count, 1);
    EXPECT_FALSE(Main->UniverseReady());
    ASSERT_EQ(Main->Views().size(), 1); // View 1 opens all the same, showing nothing

    Main->ToolButtons.ToolButton6->click();
    EXPECT_FALSE(Main->Processing());
    Main->Actions.ContinueProcessing1->trigger();
    EXPECT_TRUE(Main->Processing());
    NextStep();
    EXPECT_EQ(Main->Snapshot()->LastIndex(), -1);
    Main->Actions.ContinueProcessing1->trigger();

    // A later successful creation makes the universe ready.
    Dialog->ChangeNumber(26);
    Main->CreateUniverse();
    Finish();
    EXPECT_TRUE(Main->UniverseReady());
    EXPECT_EQ(Main->Snapshot()->LastIndex(), 19);
    EXPECT_EQ(Engine().LastIndex, 19);
    EXPECT_EQ(closer.Count, 1);
}

} // namespace
