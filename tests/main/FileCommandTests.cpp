#include "MainTestSupport.h"

#include "Storage/SimulationFile.h"
#include "universe/Universe.h"
#include "universe/UniverseSnapshot.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QProgressDialog>
#include <QStatusBar>
#include <QMdiArea>
#include <QTemporaryDir>

#include <atomic>
#include <functional>
#include <thread>

namespace {

class FileCommandTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        ShowMain();
        ASSERT_TRUE(Main->WaitForEngine());
    }

    void Steps(int count) {
        for (int s = 0; s < count; ++s) {
            Main->StepOnce1Click();
            ASSERT_TRUE(Main->WaitForEngine());
        }
    }

    // Saving happens on the engine thread; its outcome reaches the window as an event.
    bool Save(const QString& path) {
        if (!Main->SaveSimulation(path) || !Main->WaitForEngine())
            return false;
        QApplication::processEvents();
        return Main->CurrentFile() == QFileInfo(path).absoluteFilePath();
    }

    std::vector<TUniverseSnapshot::TPoint> Points() const { return Main->Snapshot()->Particles; }

    QTemporaryDir Folder;
};

bool SamePoints(const std::vector<TUniverseSnapshot::TPoint>& a,
                const std::vector<TUniverseSnapshot::TPoint>& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].X != b[i].X || a[i].Y != b[i].Y || a[i].Z != b[i].Z || a[i].Heat != b[i].Heat)
            return false;
    return true;
}

TEST_F(FileCommandTest, SavingAndOpeningBringsBackUniverseSettingsAndViews) {
    EXPECT_TRUE(Action("FileSaveItem")->isEnabled());
    EXPECT_TRUE(Action("FileSaveAsItem")->isEnabled());
    Steps(3);
    Main->MenuViewNewClick();
    TMDIChild* second = Main->Views().at(1);
    second->TurnCamera([](TViewCamera& camera) {
        camera.Azimuth = 0.75;
        return true;
    });
    second->SetPartSize(17);
    second->SubWindow()->setGeometry(30, 40, 250, 200);
    Dialog->ChangeMass(77);
    const QString path = Folder.filePath("run.astrivo");
    ASSERT_TRUE(Save(path));
    EXPECT_EQ(Main->windowTitle(), "Astrivo 2 - run.astrivo[*]");

    const std::int32_t iteration = Main->Snapshot()->IterationCount;
    const auto saved = Points();
    Steps(2);
    const auto later = Points();
    Dialog->ChangeMass(12);
    Main->MenuViewCloseAllClick();
    Settle();
    Main->SetProcessing(true);

    TSaveChangesAnswer discard(QMessageBox::Discard);
    ASSERT_TRUE(Main->OpenSimulation(path));
    ASSERT_TRUE(Main->WaitForEngine());
    Settle();
    EXPECT_FALSE(Main->Processing());
    EXPECT_EQ(Main->Snapshot()->IterationCount, iteration);
    EXPECT_TRUE(SamePoints(Points(), saved));
    EXPECT_EQ(Dialog->Mass(), 77);
    EXPECT_EQ(Dialog->IterationCount(), iteration);
    const QList<TMDIChild*> views = Main->Views();
    ASSERT_EQ(views.size(), 2);
    EXPECT_EQ(views[0]->windowTitle(), "View 1");
    EXPECT_EQ(views[1]->Camera().Azimuth, 0.75);
    EXPECT_EQ(views[1]->PartSize(), 17);
    EXPECT_EQ(views[1]->SubWindow()->geometry(), QRect(30, 40, 250, 200));
    EXPECT_EQ(Main->ActiveView(), views[1]);
    for (TMDIChild* view : views)
        EXPECT_EQ(view->Snapshot(), Main->Snapshot().get());
    // Continuing gives the steps the saved universe took.
    Steps(2);
    EXPECT_TRUE(SamePoints(Points(), later));
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
    ASSERT_TRUE(Main->WaitForEngine());
    QApplication::processEvents();
    const QString saved = Folder.filePath("first.astrivo");
    ASSERT_TRUE(QFile::exists(saved));
    EXPECT_EQ(Main->CurrentFile(), saved);
    Steps(1);
    // The tool button saves to the current file without asking.
    Main->findChild<QToolButton*>("ToolButton5")->click();
    ASSERT_TRUE(Main->WaitForEngine());
    QApplication::processEvents();
    EXPECT_EQ(QDir(Folder.path()).entryList(QDir::Files).size(), 1);
}

TEST_F(FileCommandTest, AFailedSaveSaysWhyAndKeepsTheCaption) {
    TMessageBoxCloser closer;
    EXPECT_FALSE(Save(Folder.filePath("gone/run.astrivo")));
    QTest::qWait(50);
    EXPECT_EQ(closer.Count, 1);
    EXPECT_TRUE(closer.Text.contains("No such file or directory")) << closer.Text.toStdString();
    EXPECT_EQ(Main->windowTitle(), "Astrivo 2[*]");
    EXPECT_TRUE(Main->CurrentFile().isEmpty());
}

// Quitting right after Save, while the engine is still busy with something else: the
// window waits for the save, showing it, and a Cancel there leaves the old file and the
// window as they were.
TEST_F(FileCommandTest, QuitWaitsForASaveThatTheBusyEngineHasNotBegun) {
    const QString path = Folder.filePath("quit.astrivo");
    ASSERT_TRUE(Save(path));
    EXPECT_EQ(Main->statusBar()->currentMessage(), "Saved " + path);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    Steps(2);
    const std::int32_t iteration = Main->Snapshot()->IterationCount;

    std::atomic<bool> busy{true};
    const auto occupy = [&] {
        busy = true;
        Main->Runner().Run([&busy](TUniverse&) {
            while (busy)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
    };
    // The progress shown while waiting, and what the user does with it.
    const auto whenWaiting = [&](const std::function<void(QProgressDialog&)>& act) {
        QTimer::singleShot(100, [&, act] {
            auto* progress = Main->findChild<QProgressDialog*>("SaveProgress");
            ASSERT_NE(progress, nullptr);
            EXPECT_TRUE(progress->isVisible());
            EXPECT_EQ(progress->labelText(), "Saving " + path + "...");
            act(*progress);
        });
    };

    occupy();
    ASSERT_TRUE(Main->SaveSimulation(path));
    whenWaiting([](QProgressDialog& progress) { progress.cancel(); });
    Main->close();
    EXPECT_TRUE(Main->isVisible());
    busy = false;
    ASSERT_TRUE(Main->WaitForEngine());
    QApplication::processEvents();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    file.close();

    occupy();
    ASSERT_TRUE(Main->SaveSimulation(path));
    whenWaiting([&busy](QProgressDialog&) { busy = false; });
    Main->close();
    EXPECT_FALSE(Main->isVisible());
    EXPECT_EQ(Main->statusBar()->currentMessage(), "Saved " + path);
    TSimulationContents contents;
    ASSERT_TRUE(SimulationFile::Load(QFile::encodeName(path).toStdString(), contents).Ok);
    EXPECT_EQ(contents.Universe->IterationCount, iteration);
}

TEST_F(FileCommandTest, AFileGivenAtStartOpensInsteadOfANewUniverse) {
    const QString path = Folder.filePath("start.astrivo");
    Steps(4);
    ASSERT_TRUE(Save(path));
    const std::int32_t iteration = Main->Snapshot()->IterationCount;
    Program.reset();
    Settle();

    // A fresh program, given the file before it is first shown.
    Program = std::make_unique<TProgram>(*qobject_cast<QApplication*>(qApp));
    Main = Program->MainForm();
    Dialog = Program->PropertiesDlg();
    Main->SetStartFile(path);
    ShowMain();
    ASSERT_TRUE(Main->WaitForEngine());
    EXPECT_EQ(Main->Snapshot()->IterationCount, iteration);
    EXPECT_EQ(Main->windowTitle(), "Astrivo 2 - start.astrivo[*]");
    ASSERT_EQ(Main->Views().size(), 1);
    // Processing works on the opened universe, which was never built here.
    Steps(1);
    EXPECT_EQ(Main->Snapshot()->IterationCount, iteration + 1);
}

// A file may ask for views far larger than any screen, or beyond the window's edge: each
// opens shrunk and moved into the main window's area, at the cost of a view that fits.
TEST_F(FileCommandTest, AFileAskingForHugeOrFarOffViewsOpensThemInsideTheWindow) {
    const QString path = Folder.filePath("huge.astrivo");
    Main->MenuViewNewClick();
    ASSERT_TRUE(Save(path));
    TSimulationContents contents;
    ASSERT_TRUE(SimulationFile::Load(path.toStdString(), contents).Ok);
    ASSERT_EQ(contents.Views.Views.size(), 2u);
    TViewRecord& huge = contents.Views.Views[0];
    huge.X = -3000;
    huge.Y = 200;
    huge.Width = huge.Height = 30000;
    TViewRecord& far = contents.Views.Views[1];
    far.X = 90000;
    far.Y = 90000;
    ASSERT_TRUE(SimulationFile::Save(path.toStdString(), *contents.Universe, contents.Settings,
                                     contents.Views)
                    .Ok);

    ASSERT_TRUE(Main->OpenSimulation(path));
    Settle();
    const QRect area(QPoint(0, 0), Main->MDIClient->viewport()->size());
    ASSERT_EQ(Main->Views().size(), 2);
    for (TMDIChild* view : Main->Views()) {
        EXPECT_TRUE(area.contains(view->SubWindow()->geometry()))
            << view->SubWindow()->geometry().x() << ", " << view->SubWindow()->geometry().y();
        EXPECT_LE(view->Frame().width(), area.width());
        EXPECT_LE(view->Frame().height(), area.height());
    }
    EXPECT_EQ(Main->Views()[0]->SubWindow()->size(), area.size()) << "shrunk to the area";
    EXPECT_EQ(Main->Views()[1]->SubWindow()->size(), QSize(far.Width, far.Height))
        << "a view that fits keeps its size";
}

} // namespace
