#include "MainTestSupport.h"

#include "Storage/SimulationFile.h"
#include "settings/SettingsModel.h"

#include <QFileInfo>
#include <QTemporaryDir>

namespace {

class UnsavedWorkTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        ShowMain();
    }

    void Step() const {
        Main->StepOnce1Click();
        ASSERT_TRUE(Main->WaitForEngine());
    }

    // Saves under path as the Save command does, and lets the outcome arrive.
    void SaveAs(const QString& path) const {
        ASSERT_TRUE(Main->SaveSimulation(path));
        ASSERT_TRUE(Main->WaitForEngine());
        QApplication::processEvents();
    }

    // The step count of the universe that the file at path holds.
    static std::int32_t SavedIteration(const QString& path) {
        TSimulationContents contents;
        const TStorageResult loaded = SimulationFile::Load(path.toStdString(), contents);
        EXPECT_TRUE(loaded.Ok) << loaded.Message;
        return loaded.Ok ? contents.Universe->IterationCount : -1;
    }

    void Exit() const {
        Action("FileExitItem")->trigger();
        QApplication::processEvents();
    }

    QTemporaryDir Folder;
};

TEST_F(UnsavedWorkTest, QuitAsksAboutUnsavedWorkAndDoesWhatTheAnswerSays) {
    // A name without an extension gets the simulation files' one.
    SaveAs(Folder.filePath("run"));
    const QString path = Folder.filePath("run.astrivo");
    ASSERT_EQ(Main->CurrentFile(), path);
    EXPECT_EQ(Main->windowTitle(), "Astrivo 2 - run.astrivo[*]");
    EXPECT_FALSE(Main->isWindowModified());
    const std::int32_t first = SavedIteration(path);

    {
        // Nothing changed since the save: no question.
        TSaveChangesAnswer answer(QMessageBox::Cancel);
        Exit();
        EXPECT_EQ(answer.Count, 0);
        EXPECT_FALSE(Main->isVisible());
    }
    Main->show();
    Step();
    EXPECT_TRUE(Main->isWindowModified());
    {
        TSaveChangesAnswer answer(QMessageBox::Cancel);
        Exit();
        EXPECT_EQ(answer.Count, 1);
        EXPECT_EQ(answer.Text, "Save changes to run.astrivo?");
        EXPECT_TRUE(Main->isVisible());
    }
    {
        TSaveChangesAnswer answer(QMessageBox::Discard);
        Exit();
        EXPECT_EQ(answer.Count, 1);
        EXPECT_FALSE(Main->isVisible());
        EXPECT_EQ(SavedIteration(path), first);
    }
    Main->show();
    {
        // Save writes the file before the window goes.
        TSaveChangesAnswer answer(QMessageBox::Save);
        Exit();
        EXPECT_EQ(answer.Count, 1);
        EXPECT_FALSE(Main->isVisible());
        EXPECT_EQ(SavedIteration(path), Main->Snapshot()->IterationCount);
        EXPECT_GT(SavedIteration(path), first);
        EXPECT_FALSE(Main->isWindowModified());
    }
}

TEST_F(UnsavedWorkTest, ApplyAllAsksAboutTheOldUniverseAndStartsAnUntitledOne) {
    SaveAs(Folder.filePath("run.astrivo"));
    const std::uint64_t builds = Main->Snapshot()->BuildCount;
    {
        // Settings that the build itself takes lose nothing.
        TSaveChangesAnswer answer(QMessageBox::Cancel);
        Dialog->ChangeNumber(26);
        EXPECT_TRUE(Main->isWindowModified());
        Dialog->BtnUniverseApply->click();
        Finish();
        EXPECT_EQ(answer.Count, 0);
        EXPECT_EQ(Main->Snapshot()->BuildCount, builds + 1);
    }
    // The new universe is nobody's file, and nothing of it is unsaved yet.
    EXPECT_TRUE(Main->CurrentFile().isEmpty());
    EXPECT_EQ(Main->windowTitle(), "Astrivo 2[*]");
    EXPECT_FALSE(Main->isWindowModified());

    Step();
    {
        TSaveChangesAnswer answer(QMessageBox::Cancel);
        Dialog->BtnUniverseApply->click();
        Finish();
        EXPECT_EQ(answer.Count, 1);
        EXPECT_EQ(answer.Text, "Save changes to Untitled?");
        EXPECT_EQ(Main->Snapshot()->BuildCount, builds + 1);
        EXPECT_TRUE(Main->isWindowModified());
    }
    {
        // Cancelling the name cancels the build too.
        TSaveChangesAnswer answer(QMessageBox::Save);
        Dialog->BtnUniverseApply->click();
        Finish();
        EXPECT_EQ(answer.Count, 1);
        EXPECT_EQ(Main->Snapshot()->BuildCount, builds + 1);
    }
    const std::int32_t stepped = Main->Snapshot()->IterationCount;
    {
        TSaveChangesAnswer answer(QMessageBox::Save, Folder.filePath("second"));
        Dialog->BtnUniverseApply->click();
        Finish();
        QApplication::processEvents();
        EXPECT_EQ(answer.Count, 1);
        EXPECT_EQ(SavedIteration(Folder.filePath("second.astrivo")), stepped);
        EXPECT_EQ(Main->Snapshot()->BuildCount, builds + 2);
        // The save that ended after the build began does not name the new universe.
        EXPECT_TRUE(Main->CurrentFile().isEmpty());
        EXPECT_FALSE(Main->isWindowModified());
    }
    Step();
    {
        TSaveChangesAnswer answer(QMessageBox::Discard);
        Dialog->BtnUniverseApply->click();
        Finish();
        EXPECT_EQ(answer.Count, 1);
        EXPECT_EQ(Main->Snapshot()->BuildCount, builds + 3);
    }
}

} // namespace
