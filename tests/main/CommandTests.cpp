// Menu and tool-bar commands: arranging views, the window list, opening a file, the about
// box and the images.
#include "MainTestSupport.h"

#include "Main/ImageList.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QMdiArea>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTemporaryFile>

namespace {

class CommandTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        ShowMain();
    }

    void OpenViews(int count) {
        while (Main->Views().size() < count)
            Main->MenuViewNewClick();
    }
};

TEST_F(CommandTest, MenusHaveTheirStatesAndShortcuts) {
    // Saving needs a universe, which showing the window built.
    EXPECT_TRUE(Action("FileSaveItem")->isEnabled());
    EXPECT_TRUE(Action("FileSaveAsItem")->isEnabled());
    EXPECT_EQ(Action("FileSaveAsItem")->shortcut(), QKeySequence("Shift+Ctrl+S"));
    EXPECT_EQ(Action("MenuViewPreset1")->shortcut(), QKeySequence(Qt::Key_F9));
    EXPECT_TRUE(Main->findChild<QMenu*>("Edit1")->menuAction()->isVisible());
    EXPECT_TRUE(Action("ShowGrid1")->isCheckable());
    EXPECT_FALSE(Action("Close2")->isVisible());
    EXPECT_EQ(Main->findChild<QMenu*>("Window1")->title(), "&View");
    EXPECT_EQ(Main->findChild<QMenu*>("Help1")->menuAction()->statusTip(), "Help topics");
    // The commands with no action leave everything as it was.
    Action("ShowGrid1")->trigger();
    EXPECT_EQ(Main->Views().size(), 1);
}

TEST_F(CommandTest, TheViewMenuListsTheOpenViews) {
    OpenViews(3);
    QMenu* menu = Main->Window1;
    emit menu->aboutToShow();
    QStringList listed;
    QAction* first = nullptr;
    // The listed views are the checkable items the table did not make (they have no name).
    const auto listedView = [](QAction* action) {
        return action->isCheckable() && action->objectName().isEmpty();
    };
    for (QAction* action : menu->actions())
        if (listedView(action)) {
            listed.append(action->text());
            if (!first)
                first = action;
        }
    EXPECT_EQ(listed, (QStringList{"&1 View 1", "&2 View 2", "&3 View 3"}));
    first->trigger();
    EXPECT_EQ(Main->ActiveView(), Main->Views().at(0));

    emit menu->aboutToShow(); // rebuilt, not appended
    int count = 0;
    for (QAction* action : menu->actions())
        count += listedView(action) ? 1 : 0;
    EXPECT_EQ(count, 3);
}

TEST_F(CommandTest, TileSetsTheViewsSideBySideAndLeavesMinimisedOnesAlone) {
    OpenViews(3);
    QMdiSubWindow* minimised = Main->Views().at(0)->SubWindow();
    minimised->showMinimized();
    const QRect iconPlace = minimised->geometry();
    Action("WindowTileItem")->trigger();
    const QSize area = Main->MDIClient->viewport()->size();
    const QList<TMDIChild*> views = Main->Views();
    EXPECT_EQ(views[1]->SubWindow()->geometry(), QRect(0, 0, area.width() / 2, area.height()));
    EXPECT_EQ(views[2]->SubWindow()->geometry(),
              QRect(area.width() / 2, 0, area.width() / 2, area.height()));
    EXPECT_TRUE(minimised->isMinimized());
    EXPECT_EQ(minimised->geometry(), iconPlace);
}

TEST_F(CommandTest, MinimizeAllThenArrangeIconsAlongTheBottom) {
    OpenViews(3);
    Action("WindowMinimizeItem")->trigger();
    for (TMDIChild* view : Main->Views())
        EXPECT_TRUE(view->SubWindow()->isMinimized());
    for (TMDIChild* view : Main->Views())
        view->SubWindow()->move(40, 40);
    Action("WindowArrangeItem")->trigger();
    const int bottom = Main->MDIClient->viewport()->height();
    const QList<TMDIChild*> views = Main->Views();
    EXPECT_EQ(views[0]->SubWindow()->pos(), QPoint(0, bottom - views[0]->SubWindow()->height()));
    EXPECT_EQ(views[1]->SubWindow()->x(), views[0]->SubWindow()->width());
}

TEST_F(CommandTest, CascadeOverlapsTheViews) {
    OpenViews(3);
    Action("WindowCascadeItem")->trigger();
    const QList<TMDIChild*> views = Main->Views();
    EXPECT_NE(views[0]->SubWindow()->pos(), views[1]->SubWindow()->pos());
    EXPECT_TRUE(views[0]->SubWindow()->geometry().intersects(views[1]->SubWindow()->geometry()));
}

TEST_F(CommandTest, OpeningAFileThatIsNoSimulationChangesNothing) {
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    file.write("not a simulation");
    file.flush();
    const QString path = QFileInfo(file.fileName()).absoluteFilePath();
    const auto* shown = Main->Snapshot().get();

    TMessageBoxCloser closer;
    QTimer::singleShot(0, Main->OpenDialog, [&] {
        EXPECT_EQ(Main->OpenDialog->nameFilters(),
                  (QStringList{"Astrivo simulations (*.astrivo)", "All files (*)"}));
        Main->OpenDialog->selectFile(path);
        QMetaObject::invokeMethod(Main->OpenDialog, "accept"); // as its Open button does
    });
    Action("FileOpenItem")->trigger();
    EXPECT_EQ(closer.Count, 1);
    EXPECT_EQ(closer.Icon, QMessageBox::Critical);
    EXPECT_TRUE(closer.Text.contains("not an HDF5 file")) << closer.Text.toStdString();
    EXPECT_EQ(Main->Views().size(), 1);
    EXPECT_EQ(Main->Snapshot().get(), shown);
    EXPECT_EQ(Main->windowTitle(), "Astrivo 2[*]");

    QTimer::singleShot(0, Main->OpenDialog, [&] { Main->OpenDialog->reject(); });
    Main->FileOpenItemClick();
    EXPECT_EQ(Main->Views().size(), 1);
}

// "*.*" hides a file without a dot on this platform; the dialog must list it.
TEST_F(CommandTest, OpenDialogListsFilesWithoutADot) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* name : {"README", "galaxy.sim"}) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    Main->OpenDialog->setDirectory(dir.path());
    auto* model = Main->OpenDialog->findChild<QFileSystemModel*>();
    ASSERT_NE(model, nullptr);
    const QModelIndex folder = model->index(dir.path());
    QStringList listed;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            listed.clear();
            for (int row = 0; row < model->rowCount(folder); ++row)
                listed.append(model->index(row, 0, folder).data().toString());
            return listed.size() >= 2;
        },
        5000));
    listed.sort();
    EXPECT_EQ(listed, (QStringList{"README", "galaxy.sim"}));
}

TEST_F(CommandTest, ExitClosesTheMainWindowAndStopsTheViews) {
    OpenViews(2);
    const QList<TMDIChild*> views = Main->Views();
    Action("FileExitItem")->trigger();
    EXPECT_FALSE(Main->isVisible());
    for (TMDIChild* view : views)
        EXPECT_TRUE(view->Closing());
}

TEST_F(CommandTest, TheAboutBoxShowsWithoutBlockingAndClosesOnEscapeOnly) {
    TAboutBox* about = Program->AboutBox();
    Action("HelpAboutItem")->trigger();
    ASSERT_TRUE(about->isVisible());
    EXPECT_FALSE(about->isModal());
    EXPECT_EQ(about->windowTitle(), "About");
    EXPECT_EQ(about->size(), QSize(298, 179));
    EXPECT_TRUE(about->OKButton->isDefault());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(about));

    for (Qt::Key key : {Qt::Key_A, Qt::Key_F1, Qt::Key_Space, Qt::Key_Left})
        QTest::keyRelease(about, key);
    EXPECT_TRUE(about->isVisible());
    QTest::keyPress(about->OKButton, Qt::Key_Escape); // the press alone does not close it
    EXPECT_TRUE(about->isVisible());
    QTest::keyRelease(about->OKButton, Qt::Key_Escape);
    EXPECT_FALSE(about->isVisible());

    Main->HelpAboutItemClick(); // the same box again
    EXPECT_TRUE(about->isVisible());
    about->OKButton->click();
    EXPECT_FALSE(about->isVisible());
}

TEST(ImageList, SevenImagesThatStaySharpAtDoubleScale) {
    TImageList images;
    for (int i = 0; i < TImageList::Count; ++i) {
        SCOPED_TRACE(i);
        const QIcon icon = images.Icon(i);
        ASSERT_FALSE(icon.isNull());
        const QPixmap single = icon.pixmap(QSize(16, 16), 1.0);
        const QPixmap doubled = icon.pixmap(QSize(16, 16), 2.0);
        EXPECT_EQ(single.size(), QSize(16, 16));
        EXPECT_EQ(doubled.size(), QSize(32, 32));
        EXPECT_EQ(doubled.devicePixelRatio(), 2.0);
        // Drawn anew at 32 pixels, not the 16-pixel picture blown up.
        const QImage blown = single.toImage().scaled(32, 32).convertToFormat(QImage::Format_ARGB32);
        EXPECT_NE(doubled.toImage().convertToFormat(QImage::Format_ARGB32), blown);
    }
    EXPECT_TRUE(images.Icon(7).isNull());
    EXPECT_TRUE(images.Icon(-1).isNull());
    // Play and pause differ: the running state is visible on the button.
    EXPECT_NE(images.Icon(3).pixmap(16).toImage(), images.Icon(4).pixmap(16).toImage());
}

TEST(ProgramIcon, RendersAtTheInstalledSizes) {
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QImage image = ProgramIcon::Render(size);
        EXPECT_EQ(image.size(), QSize(size, size));
        EXPECT_TRUE(image.hasAlphaChannel());
        EXPECT_GT(qAlpha(image.pixel(size / 2, size / 2)), 0);
    }
}

} // namespace
