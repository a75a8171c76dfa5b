#include "MainTestSupport.h"

#include "Storage/Recording.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QSlider>
#include <QTemporaryDir>

#include <cstring>

namespace {

class FileCommandTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        ShowMain();
    }

    void Steps(int count) {
        for (int s = 0; s < count; ++s)
            Main->ProcessingTimerTimer();
    }

    QTemporaryDir Folder;
};

TEST_F(FileCommandTest, SavingAndOpeningBringsBackUniverseSettingsAndViews) {
    EXPECT_TRUE(Action("FileSaveItem")->isEnabled());
    EXPECT_TRUE(Action("FileSaveAsItem")->isEnabled());
    Steps(3);
    Main->MenuViewNewClick();
    TMDIChild* second = Main->Views().at(1);
    second->Camera.Azimuth = 0.75;
    second->SetPartSize(17);
    second->SubWindow()->setGeometry(30, 40, 250, 200);
    Dialog->ChangeMass(77);
    const QString path = Folder.filePath("run.astrivo");
    TMessageBoxCloser closer;
    ASSERT_TRUE(Main->SaveSimulation(path)) << closer.Text.toStdString();
    EXPECT_EQ(Main->windowTitle(), "Astrivo 2 - run.astrivo");

    // What the file holds, to compare with after opening.
    const std::int32_t iteration = Main->Universe->IterationCount;
    std::vector<TParticle> particles(Main->Universe->Particles,
                                     Main->Universe->Particles + Main->Universe->LastIndex + 1);
    Steps(2);
    Dialog->ChangeMass(12);
    Main->MenuViewCloseAllClick();
    Settle();
    Main->SetProcessing(true);

    ASSERT_TRUE(Main->OpenSimulation(path));
    Settle();
    EXPECT_FALSE(Main->Processing());
    EXPECT_EQ(Main->Universe->IterationCount, iteration);
    for (std::size_t i = 0; i < particles.size(); ++i)
        ASSERT_EQ(
            std::memcmp(&particles[i], &Main->Universe->Particles[i], offsetof(TParticle, ScreenX)),
            0);
    EXPECT_EQ(Dialog->Mass(), 77);
    EXPECT_EQ(Dialog->LabelIterationCount->text().toInt(), iteration);
    const QList<TMDIChild*> views = Main->Views();
    ASSERT_EQ(views.size(), 2);
    EXPECT_EQ(views[0]->windowTitle(), "View 1");
    EXPECT_EQ(views[1]->Camera.Azimuth, 0.75);
    EXPECT_EQ(views[1]->PartSize(), 17);
    EXPECT_EQ(views[1]->SubWindow()->geometry(), QRect(30, 40, 250, 200));
    EXPECT_EQ(Main->ActiveView(), views[1]);
    for (TMDIChild* view : views)
        EXPECT_EQ(view->Universe, Main->Universe.get());
}

TEST_F(FileCommandTest, SaveAsksForANameOnlyTheFirstTime) {
    const QString path = Folder.filePath("first");
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->nameFilters(),
                  (QStringList{"Astrivo simulations (*.astrivo)", "All files (*)"}));
        dialog->selectFile(path);
        QMetaObject::invokeMethod(dialog, "accept"); // as its Save button does
    });
    Action("FileSaveItem")->trigger();
    const QString saved = Folder.filePath("first.astrivo");
    ASSERT_TRUE(QFile::exists(saved));
    EXPECT_EQ(Main->CurrentFile(), saved);
    const QDateTime before = QFileInfo(saved).lastModified();
    Steps(1);
    // The tool button saves to the current file without asking.
    Main->findChild<QToolButton*>("ToolButton5")->click();
    EXPECT_EQ(QDir(Folder.path()).entryList(QDir::Files).size(), 1);
    EXPECT_GE(QFileInfo(saved).lastModified(), before);
}

TEST_F(FileCommandTest, AFailedSaveSaysWhyAndKeepsTheCaption) {
    TMessageBoxCloser closer;
    EXPECT_FALSE(Main->SaveSimulation(Folder.filePath("gone/run.astrivo")));
    EXPECT_EQ(closer.Count, 1);
    EXPECT_TRUE(closer.Text.contains("No such file or directory")) << closer.Text.toStdString();
    EXPECT_EQ(Main->windowTitle(), "Astrivo 2");
    EXPECT_TRUE(Main->CurrentFile().isEmpty());
}

TEST_F(FileCommandTest, AFileGivenAtStartOpensInsteadOfANewUniverse) {
    const QString path = Folder.filePath("start.astrivo");
    Steps(4);
    ASSERT_TRUE(Main->SaveSimulation(path));
    const std::int32_t iteration = Main->Universe->IterationCount;
    Program.reset();
    Settle();

    // A fresh program, given the file before it is first shown.
    Program = std::make_unique<TProgram>(*qobject_cast<QApplication*>(qApp));
    Main = Program->MainForm();
    Dialog = Program->PropertiesDlg();
    Main->SetStartFile(path);
    ShowMain();
    EXPECT_EQ(Main->Universe->IterationCount, iteration);
    EXPECT_EQ(Main->windowTitle(), "Astrivo 2 - start.astrivo");
    ASSERT_EQ(Main->Views().size(), 1);
}

} // namespace
