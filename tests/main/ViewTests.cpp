// Opening views, the copy rule, captions and the four-view preset.
#include "MainTestSupport.h"

#include "Main/ViewLayout.h"

#include <QListWidget>
#include <QMdiArea>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QToolBar>

namespace {

constexpr double Degree = M_PI / 180;

class ViewTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        ShowMain();
    }

    QString Caption(TMDIChild* view) const { return view->SubWindow()->windowTitle(); }

    void Activate(TMDIChild* view) {
        Main->MDIClient->setActiveSubWindow(view->SubWindow());
        ASSERT_EQ(Main->ActiveView(), view);
    }

    QStringList Captions() const {
        QStringList captions;
        for (TMDIChild* view : Main->Views())
            captions.append(view->SubWindow()->windowTitle());
        return captions;
    }
};

TEST_F(ViewTest, TheFirstViewHasItsOwnDefaults) {
    const QList<TMDIChild*> views = Main->Views();
    ASSERT_EQ(views.size(), 1);
    TMDIChild* view = views[0];
    EXPECT_EQ(Caption(view), "View 1");
    EXPECT_EQ(view->Contrast(), 130);
    EXPECT_EQ(view->PartSize(), 12);
    EXPECT_EQ(view->Brightness(), 0);
    EXPECT_TRUE(view->ShowLuminance());
    EXPECT_FALSE(view->UseLines());
    EXPECT_EQ(view->ShowAs(), saMonocular);
    EXPECT_EQ(view->Camera().Azimuth, 0);
    EXPECT_EQ(view->Camera().Elevation, 0);
    EXPECT_EQ(view->Camera().OffsetX, 0);
    EXPECT_EQ(view->Camera().Dolly, -5 * Main->Snapshot()->Space);
    EXPECT_GT(view->Camera().ZoomX, 0);
    EXPECT_DOUBLE_EQ(view->Camera().ZoomX, 0.1 * view->height());
    EXPECT_DOUBLE_EQ(view->Camera().ZoomY, 0.1 * view->height());
    EXPECT_EQ(view->Snapshot(), Main->Snapshot().get());
    EXPECT_EQ(Main->ActiveView(), view);
    // Active, it has shown its contrast and method in the properties window.
    EXPECT_EQ(Dialog->Contrast(), 130);
    EXPECT_EQ(Dialog->ListBoxShowAs->currentRow(), 0);
}

TEST_F(ViewTest, ANewViewCopiesCameraMethodAndSizeButNotContrastOrLines) {
    TMDIChild* first = Main->Views().at(0);
    first->SetCamera(TViewCamera{1, 2, -300, 0.4, 0.6, 17, 19});
    first->SetShowAs(saAutoStereo);
    first->SetPartSize(33);
    first->SetContrast(250);
    first->SetUseLines(true);
    first->SetShowLuminance(false);
    EXPECT_EQ(Dialog->ListBoxShowAs->currentRow(), 1); // the view reported its new method

    Main->ToolButtons.ToolButton8->click();
    const QList<TMDIChild*> views = Main->Views();
    ASSERT_EQ(views.size(), 2);
    TMDIChild* second = views[1];
    EXPECT_EQ(Caption(second), "View 2");
    EXPECT_EQ(second->Camera().OffsetX, 1);
    EXPECT_EQ(second->Camera().OffsetY, 2);
    EXPECT_EQ(second->Camera().Dolly, -300);
    EXPECT_EQ(second->Camera().Azimuth, 0.4);
    EXPECT_EQ(second->Camera().Elevation, 0.6);
    EXPECT_EQ(second->Camera().ZoomX, 17);
    EXPECT_EQ(second->Camera().ZoomY, 19);
    EXPECT_EQ(second->ShowAs(), saAutoStereo);
    EXPECT_EQ(second->PartSize(), 33);
    EXPECT_EQ(second->Contrast(), 100);
    EXPECT_FALSE(second->UseLines());
    EXPECT_TRUE(second->ShowLuminance());
    EXPECT_EQ(second->Brightness(), 0);
    EXPECT_EQ(second->Snapshot(), Main->Snapshot().get());
    EXPECT_EQ(Main->ActiveView(), second);
    EXPECT_EQ(Dialog->Contrast(), 100);
}

TEST_F(ViewTest, CaptionsCountTheViewsOpenAtTheTime) {
    Main->MenuViewNewClick();
    ASSERT_EQ(Captions(), (QStringList{"View 1", "View 2"}));
    Main->Views().at(0)->SubWindow()->close();
    Settle();
    Main->MenuViewNewClick();
    EXPECT_EQ(Captions(), (QStringList{"View 2", "View 2"}));
}

TEST_F(ViewTest, CloseViewClosesOnlyTheActiveOne) {
    Main->MenuViewNewClick();
    TMDIChild* active = Main->ActiveView();
    Action("MenuViewClose")->trigger();
    Settle();
    ASSERT_EQ(Main->Views().size(), 1);
    EXPECT_NE(Main->Views().at(0), active);

    Main->MenuViewCloseAllClick();
    Settle();
    EXPECT_TRUE(Main->Views().isEmpty());
    Main->MenuViewCloseClick(); // nothing left: nothing happens
    EXPECT_TRUE(Main->Views().isEmpty());
}

TEST_F(ViewTest, ViewCommandsFollowWhetherAnyViewIsOpen) {
    const char* commands[] = {"MenuViewClose",  "MenuViewCloseAll",  "WindowCascadeItem",
                              "WindowTileItem", "WindowArrangeItem", "WindowMinimizeItem"};
    for (const char* name : commands)
        EXPECT_TRUE(Action(name)->isEnabled()) << name;
    Action("MenuViewCloseAll")->trigger();
    Settle();
    for (const char* name : commands)
        EXPECT_FALSE(Action(name)->isEnabled()) << name;
    for (const char* name : {"MenuViewNew", "FileOpenItem", "MenuViewPreset1"})
        EXPECT_TRUE(Action(name)->isEnabled()) << name;
    Main->MenuViewNewClick();
    for (const char* name : commands)
        EXPECT_TRUE(Action(name)->isEnabled()) << name;
}

TEST_F(ViewTest, NewViewWithoutAReadyUniverseAsksForOneFirst) {
    Main->MenuViewCloseAllClick();
    Settle();
    // Make the universe unready by building the program again without showing it.
    Program.reset();
    Program = std::make_unique<TProgram>(*qobject_cast<QApplication*>(qApp));
    Main = Program->MainForm();
    Dialog = Program->PropertiesDlg();

    QTimer::singleShot(0, Dialog, [this] { Dialog->reject(); });
    Main->ToolButton8Click();
    EXPECT_TRUE(Main->Views().isEmpty());
    EXPECT_FALSE(Main->UniverseReady());

    QTimer::singleShot(0, Dialog, [this] { Dialog->BtnUniverseApply->click(); });
    Main->ToolButton8Click();
    EXPECT_TRUE(Main->UniverseReady());
    EXPECT_EQ(Captions(), QStringList{"View 1"});
}

TEST_F(ViewTest, ThePresetReplacesFiveViewsByFourFromTheActiveOne) {
    for (int i = 0; i < 4; ++i)
        Main->MenuViewNewClick();
    const QList<TMDIChild*> before = Main->Views();
    ASSERT_EQ(before.size(), 5);
    TMDIChild* active = before[2];
    Activate(active);
    active->SetCamera(TViewCamera{1.5, -2.5, -400, 10 * Degree, 33 * Degree, 21, 23});
    active->SetShowAs(saChromoStereo);
    active->SetPartSize(44);
    active->SetContrast(222);
    active->SetShowLuminance(false);
    active->SetUseLines(true);

    Action("MenuViewPreset1")->trigger();
    Settle();

    const QList<TMDIChild*> after = Main->Views();
    ASSERT_EQ(after.size(), 4);
    for (TMDIChild* old : before)
        EXPECT_FALSE(after.contains(old));
    EXPECT_EQ(Captions(), (QStringList{"From Front", "From Top", "From Right", "Perspective"}));

    const int menu = Main->menuWidget()->isVisible() ? Main->menuWidget()->height() : 0;
    const QSize minimum = QMdiSubWindow().minimumSizeHint();
    const TViewRect cell =
        ViewLayout::PresetCellSize(Main->width(), Main->height() - menu, Main->StatusBar->height(),
                                   Main->ToolBar1->height(), minimum.width(), minimum.height());
    const int w = cell.Width;
    const int h = cell.Height;
    EXPECT_EQ(w, (Main->width() - 4) / 2);
    const QPoint places[] = {{0, 0}, {0, h}, {w, 0}, {w, h}};
    const double azimuths[] = {10, 10, -80, 40};
    const double elevations[] = {0, 90, 0, 45};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        TMDIChild* view = after[i];
        EXPECT_EQ(view->SubWindow()->pos(), places[i]);
        EXPECT_EQ(view->SubWindow()->size(), QSize(w, h));
        EXPECT_NEAR(view->Camera().Azimuth, azimuths[i] * Degree, 1e-12);
        EXPECT_NEAR(view->Camera().Elevation, elevations[i] * Degree, 1e-12);
        EXPECT_EQ(view->Camera().OffsetX, 1.5);
        EXPECT_EQ(view->Camera().OffsetY, -2.5);
        EXPECT_EQ(view->Camera().Dolly, -400);
        EXPECT_EQ(view->Camera().ZoomX, 21);
        EXPECT_EQ(view->Camera().ZoomY, 23);
        EXPECT_EQ(view->ShowAs(), saChromoStereo);
        EXPECT_EQ(view->PartSize(), 44);
        EXPECT_EQ(view->Contrast(), 222);
        EXPECT_FALSE(view->ShowLuminance());
        EXPECT_FALSE(view->UseLines());
        EXPECT_EQ(view->Snapshot(), Main->Snapshot().get());
    }
    EXPECT_EQ(Dialog->Contrast(), 222); // the properties window shows the active view
    EXPECT_EQ(Dialog->ListBoxShowAs->currentRow(), 2);
}

TEST_F(ViewTest, ThePresetWithoutAnActiveViewStartsFromTheDefaultCamera) {
    Main->MenuViewCloseAllClick();
    Settle();
    Main->MenuViewPreset1Click();
    Settle();
    const QList<TMDIChild*> views = Main->Views();
    ASSERT_EQ(views.size(), 4);
    const double azimuths[] = {0, 0, -90, 30};
    const double elevations[] = {0, 90, 0, 45};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(views[i]->Camera().Azimuth, azimuths[i] * Degree, 1e-12);
        EXPECT_NEAR(views[i]->Camera().Elevation, elevations[i] * Degree, 1e-12);
        EXPECT_EQ(views[i]->Contrast(), 130);
        EXPECT_EQ(views[i]->PartSize(), 12);
        EXPECT_EQ(views[i]->Camera().Dolly, -5 * Main->Snapshot()->Space);
        EXPECT_DOUBLE_EQ(views[i]->Camera().ZoomX, 0.1 * views[i]->height());
    }
}

TEST_F(ViewTest, ThePresetInATinyWindowKeepsUsableSizes) {
    Main->resize(60, 40);
    Main->MenuViewPreset1Click();
    Settle();
    const QSize minimum = QMdiSubWindow().minimumSizeHint();
    const QList<TMDIChild*> views = Main->Views();
    ASSERT_EQ(views.size(), 4);
    for (TMDIChild* view : views) {
        EXPECT_GE(view->SubWindow()->width(), minimum.width());
        EXPECT_GE(view->SubWindow()->height(), minimum.height());
        EXPECT_GE(view->SubWindow()->x(), 0);
        EXPECT_GE(view->SubWindow()->y(), 0);
    }
}

} // namespace
