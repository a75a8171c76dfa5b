// Keeping a picture, the grid, the View page following the active view, cascading and
// panning, each through the program's own windows.
#include "MainTestSupport.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QListWidget>
#include <QMdiArea>
#include <QSlider>
#include <QTemporaryDir>

namespace {

class PictureTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        ShowMain();
    }

    // Runs the export command, choosing name in the dialog; returns the name it offered.
    QString Export(const QString& name) {
        QString offered;
        QTimer::singleShot(0, Main->ExportDialog, [&] {
            offered = Main->ExportDialog->selectedFiles().value(0);
            Main->ExportDialog->selectFile(name);
            QMetaObject::invokeMethod(Main->ExportDialog, "accept"); // its Save button
        });
        Action("FileExportItem")->trigger();
        return QFileInfo(offered).fileName();
    }

    void Activate(TMDIChild* view) {
        Main->MDIClient->setActiveSubWindow(view->SubWindow());
        ASSERT_EQ(Main->ActiveView(), view);
    }
};

TEST_F(PictureTest, ExportSavesTheActiveViewsPictureAsPng) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TMDIChild* view = Main->ActiveView();
    view->SetUseLines(true);
    const QImage picture = view->Picture();
    // Two clusters were seeded, one step each: iteration 2.
    EXPECT_EQ(Export(dir.filePath("shot")), "View 1 - iteration 2.png");
    const QImage saved(dir.filePath("shot.png"));
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), picture);
    EXPECT_EQ(saved.size(), view->size());
}

TEST_F(PictureTest, AnExportThatCannotBeWrittenSaysSo) {
    TMessageBoxCloser boxes;
    QTemporaryDir dir;
    const QString path = dir.filePath("no such folder/shot.png");
    Export(path);
    EXPECT_EQ(boxes.Count, 1);
    EXPECT_EQ(boxes.Icon, QMessageBox::Critical);
    EXPECT_TRUE(boxes.Text.contains(QDir::toNativeSeparators(path)));
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST_F(PictureTest, PictureCommandsNeedAnActiveView) {
    for (const char* name : {"FileExportItem", "CopyItem", "ShowGrid1"})
        EXPECT_TRUE(Action(name)->isEnabled()) << name;
    Main->MenuViewCloseAllClick();
    Settle();
    for (const char* name : {"FileExportItem", "CopyItem", "ShowGrid1"})
        EXPECT_FALSE(Action(name)->isEnabled()) << name;
}

TEST_F(PictureTest, CopyPutsThePictureOnTheClipboard) {
    QGuiApplication::clipboard()->clear();
    Action("CopyItem")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
              Main->ActiveView()->Picture());
}

// The check mark shows the active view's grid; new views and the preset take it over.
TEST_F(PictureTest, ShowGridBelongsToEachViewAndItsCheckMarkFollows) {
    QAction* grid = Action("ShowGrid1");
    TMDIChild* first = Main->ActiveView();
    EXPECT_FALSE(grid->isChecked());
    const QImage before = first->Picture();
    grid->trigger();
    EXPECT_TRUE(grid->isChecked());
    EXPECT_TRUE(first->ShowGrid());
    EXPECT_NE(first->Picture(), before);

    Main->MenuViewNewClick();
    TMDIChild* second = Main->ActiveView();
    EXPECT_TRUE(second->ShowGrid());
    EXPECT_TRUE(grid->isChecked());
    grid->trigger();
    EXPECT_FALSE(second->ShowGrid());
    EXPECT_TRUE(first->ShowGrid());
    Activate(first);
    EXPECT_TRUE(grid->isChecked());
    Activate(second);
    EXPECT_FALSE(grid->isChecked());

    Activate(first);
    Main->MenuViewPreset1Click();
    Settle();
    ASSERT_EQ(Main->Views().size(), 4);
    for (TMDIChild* view : Main->Views())
        EXPECT_TRUE(view->ShowGrid());
    EXPECT_TRUE(grid->isChecked());
}

// At start the View page shows View 1's own settings, and then whichever view is active.
TEST_F(PictureTest, TheViewPageFollowsTheActiveView) {
    EXPECT_EQ(Dialog->TrackBarPartSize->value(), 12);
    EXPECT_EQ(Dialog->TrackBarContrast->value(), 130);
    EXPECT_TRUE(Dialog->CheckBoxShowLuminance->isChecked());
    EXPECT_FALSE(Dialog->CheckBoxUseLines->isChecked());

    TMDIChild* first = Main->ActiveView();
    first->SetUseLines(true);
    first->SetShowLuminance(false);
    Main->MenuViewNewClick(); // contrast 100, luminance on, lines off, size copied (12)
    EXPECT_EQ(Dialog->TrackBarContrast->value(), 100);
    EXPECT_TRUE(Dialog->CheckBoxShowLuminance->isChecked());
    EXPECT_FALSE(Dialog->CheckBoxUseLines->isChecked());
    Activate(first);
    EXPECT_FALSE(Dialog->CheckBoxShowLuminance->isChecked());
    EXPECT_TRUE(Dialog->CheckBoxUseLines->isChecked());
    EXPECT_EQ(Dialog->TrackBarContrast->value(), 130);

    // Ticking the box now turns the view's luminance on: the box and the view agree.
    Dialog->CheckBoxShowLuminance->click();
    EXPECT_TRUE(first->ShowLuminance());
}

TEST_F(PictureTest, CascadeKeepsTheViewsAtLeastTheirCreationSize) {
    Main->resize(1000, 800);
    Settle();
    while (Main->Views().size() < 12)
        Main->MenuViewNewClick();
    Action("WindowCascadeItem")->trigger();
    const QSize area = Main->MDIClient->viewport()->size();
    const QList<TMDIChild*> views = Main->Views();
    for (TMDIChild* view : views) {
        const QRect r = view->SubWindow()->geometry();
        EXPECT_GE(r.width(), 320);
        EXPECT_GE(r.height(), 256);
        EXPECT_TRUE(QRect(QPoint(0, 0), area).contains(r)) << r.x() << "," << r.y();
    }
    EXPECT_EQ(views[0]->SubWindow()->pos(), QPoint(0, 0));
    EXPECT_GT(views[1]->SubWindow()->x(), 0);

    // A main window too small for that: the views fill what there is.
    Main->resize(300, 250);
    Settle();
    Action("WindowCascadeItem")->trigger();
    const QSize small = Main->MDIClient->viewport()->size();
    for (TMDIChild* view : Main->Views())
        EXPECT_EQ(view->SubWindow()->geometry(), QRect(QPoint(0, 0), small));
}

// The pan drag moves OffsetX by -(Dolly - Space) x 0.01 x dx / ZoomX. For View 1, with
// Dolly = -5 Space, a point at the origin's depth 5 Space moves on the screen by
// 6 Space x 0.01 x dx / ZoomX x ZoomX / (5 Space x 0.01) = 1.2 dx: 12 pixels for a
// 10-pixel drag, whatever Space and the zoom are.
TEST_F(PictureTest, ATenPixelPanMovesThePictureTwelvePixels) {
    TMDIChild* view = Main->ActiveView();
    const TViewCamera before = view->Camera();
    const double depth = -before.Dolly;
    const auto originX = [&](const TViewCamera& c) {
        return c.OffsetX * c.ZoomX / (depth * 0.01) + view->CentreX();
    };
    const QPoint start(100, 80);
    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, start);
    QTest::mouseEvent(QTest::MouseMove, view, Qt::NoButton, Qt::NoModifier, start + QPoint(10, 0));
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, start + QPoint(10, 0));
    EXPECT_NEAR(originX(view->Camera()) - originX(before), 12, 1e-9);
    EXPECT_EQ(view->Camera().OffsetY, before.OffsetY);
}

} // namespace
