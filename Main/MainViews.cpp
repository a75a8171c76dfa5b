// Opening, closing and arranging the views.
#include "Main/Main.h"

#include "About/About.h"
#include "Childwin/CameraDrag.h"
#include "Childwin/ChildWin.h"
#include "Main/ViewLayout.h"
#include "Options/Options.h"
#include "universe/UniverseSnapshot.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

#include <algorithm>
#include <numbers>

namespace {

constexpr double Degree = std::numbers::pi / 180.0;

constexpr TMenuAction ViewCommands[] = {
    &TMenuActions::MenuViewClose,     &TMenuActions::MenuViewCloseAll,
    &TMenuActions::WindowCascadeItem, &TMenuActions::WindowTileItem,
    &TMenuActions::WindowArrangeItem, &TMenuActions::WindowMinimizeItem};
// Commands on the active view's picture.
constexpr TMenuAction PictureCommands[] = {&TMenuActions::FileExportItem, &TMenuActions::CopyItem,
                                           &TMenuActions::ShowGrid1, &TMenuActions::MenuViewFit,
                                           &TMenuActions::MenuViewFollow};

// The size a view is created with; cascading keeps it where there is room.
constexpr int ViewWidth = 320;
constexpr int ViewHeight = 256;

QString NextViewCaption(qsizetype openViews) {
    return QStringLiteral("View %1").arg(openViews + 1);
}

} // namespace

QList<TMDIChild*> TMainForm::Views() const {
    QList<TMDIChild*> views;
    // A closed window lingers until its deferred deletion; it no longer counts as open.
    for (QMdiSubWindow* window : MDIClient->subWindowList(QMdiArea::CreationOrder))
        if (auto* view = qobject_cast<TMDIChild*>(window->widget()); view && !window->isHidden())
            views.append(view);
    return views;
}

TMDIChild* TMainForm::ActiveView() const {
    QMdiSubWindow* window = MDIClient->currentSubWindow();
    if (!window || window->isHidden())
        return nullptr;
    return qobject_cast<TMDIChild*>(window->widget());
}

void TMainForm::SubWindowActivated(QMdiSubWindow* window) {
    if (window && !window->isHidden())
        if (auto* view = qobject_cast<TMDIChild*>(window->widget()))
            view->FormActivate();
    UpdateMenuItems();
}

void TMainForm::ConnectView(TMDIChild* view) {
    if (!FPropertiesDlg)
        return;
    connect(view, &TMDIChild::ShowAsSelected, FPropertiesDlg, &TPropertiesDlg::SelectShowAs);
    connect(view, &TMDIChild::Activated, FPropertiesDlg, &TPropertiesDlg::ViewActivated);
}

TMDIChild* TMainForm::NewViewWindow() {
    // The universe being built may not have published yet: the camera starts from the
    // settings it was sent with.
    TMDIChild* view = TMDIChild::Create(MDIClient, FSpace);
    ConnectView(view);
    return view;
}

TViewSettings TMainForm::NewViewSettings(const TMDIChild* view, const TMDIChild* active,
                                         TViewCopyRule copy) const {
    if (!active)
        return DefaultViewSettings(view->height(), FSpace);
    TViewSettings settings = copy(active->Settings(), view->Settings());
    // The active view may be shorter than this one, or carry a zoom dragged to nothing.
    KeepZoomAlive(settings.Camera, view->height());
    return settings;
}

void TMainForm::OpenView(const QString& title) {
    TMDIChild* active = ActiveView();
    TMDIChild* view = NewViewWindow();
    view->setWindowTitle(title);
    view->SubWindow()->setWindowTitle(title);
    view->ApplySettings(NewViewSettings(view, active, OpenedBeside));
    view->ShowUniverse(Snapshot());
    // The platform stairs new views down and to the right, past the area's edge in time.
    PlaceViewInArea(view, view->SubWindow()->geometry());
    view->FormResize();
    // The new view is the active one; it reports itself now that it is set up, so the
    // properties window shows its settings rather than its creation defaults.
    if (MDIClient->currentSubWindow() == view->SubWindow()) {
        view->FormActivate();
        UpdateMenuItems();
    } else {
        MDIClient->setActiveSubWindow(view->SubWindow());
    }
}

void TMainForm::ToolButton8Click() {
    if (!FUniverseReady)
        RunUniverseDialog();
    if (FUniverseReady)
        OpenView(NextViewCaption(Views().size()));
}

void TMainForm::MenuViewNewClick() {
    ToolButton8Click();
}

void TMainForm::FileExitItemClick() {
    close();
}

void TMainForm::MenuViewCloseClick() {
    if (TMDIChild* view = ActiveView())
        view->SubWindow()->close();
}

void TMainForm::MenuViewCloseAllClick() {
    const QList<TMDIChild*> views = Views();
    for (qsizetype i = views.size() - 1; i >= 0; --i) {
        views[i]->MarkClosing();
        views[i]->SubWindow()->close();
    }
}

void TMainForm::WindowCascadeItemClick() {
    // The platform's cascade shrinks the views until all of them fit without any stair
    // overlap, to a few dozen pixels when many are open; this one keeps them usable.
    QList<QMdiSubWindow*> windows;
    for (TMDIChild* view : Views())
        if (!view->SubWindow()->isMinimized())
            windows.append(view->SubWindow());
    if (windows.isEmpty())
        return;
    // One title bar's height per step, so that every caption stays readable.
    const int step = std::max(windows.first()->height() - windows.first()->widget()->height(), 8);
    const QSize area = MDIClient->viewport()->size();
    const auto rects = ViewLayout::Cascade(static_cast<int>(windows.size()), area.width(),
                                           area.height(), step, ViewWidth, ViewHeight);
    for (qsizetype i = 0; i < windows.size(); ++i) {
        const TViewRect& r = rects[static_cast<std::size_t>(i)];
        if (windows[i]->isMaximized())
            windows[i]->showNormal();
        windows[i]->setGeometry(r.Left, r.Top, r.Width, r.Height);
        windows[i]->raise(); // the last one in order ends on top, as in a stack of cards
    }
}

void TMainForm::WindowTileItemClick() {
    // Vertical tiling: side-by-side columns over the client area; minimised views stay
    // where they are.
    QList<QMdiSubWindow*> windows;
    const QList<TMDIChild*> views = Views();
    for (TMDIChild* view : views)
        if (!view->SubWindow()->isMinimized())
            windows.append(view->SubWindow());
    const QSize area = MDIClient->viewport()->size();
    const auto rects =
        ViewLayout::TileVertically(static_cast<int>(windows.size()), area.width(), area.height());
    for (qsizetype i = 0; i < windows.size(); ++i) {
        const TViewRect& r = rects[static_cast<std::size_t>(i)];
        if (windows[i]->isMaximized())
            windows[i]->showNormal();
        windows[i]->setGeometry(r.Left, r.Top, r.Width, r.Height);
    }
}

void TMainForm::WindowArrangeItemClick() {
    QList<QMdiSubWindow*> icons;
    for (TMDIChild* view : Views())
        if (view->SubWindow()->isMinimized())
            icons.append(view->SubWindow());
    if (icons.isEmpty())
        return;
    const QSize icon = icons.first()->size();
    const QSize area = MDIClient->viewport()->size();
    const auto rects = ViewLayout::ArrangeIcons(static_cast<int>(icons.size()), icon.width(),
                                                icon.height(), area.width(), area.height());
    for (qsizetype i = 0; i < icons.size(); ++i)
        icons[i]->move(rects[static_cast<std::size_t>(i)].Left,
                       rects[static_cast<std::size_t>(i)].Top);
}

void TMainForm::WindowMinimizeItemClick() {
    const QList<TMDIChild*> views = Views();
    for (qsizetype i = views.size() - 1; i >= 0; --i)
        views[i]->SubWindow()->showMinimized();
}

void TMainForm::UpdateMenuItems() {
    const bool any = !Views().isEmpty();
    for (const TMenuAction command : ViewCommands)
        (Actions.*command)->setEnabled(any);
    TMDIChild* active = ActiveView();
    for (const TMenuAction command : PictureCommands)
        (Actions.*command)->setEnabled(active != nullptr);
    Actions.ShowGrid1->setChecked(active && active->ShowGrid());
    Actions.MenuViewFollow->setChecked(active && active->Follow());
}

void TMainForm::MenuViewFitClick() {
    if (TMDIChild* view = ActiveView())
        view->FitToParticles();
}

void TMainForm::MenuViewFollowClick() {
    QAction* item = Actions.MenuViewFollow;
    if (TMDIChild* view = ActiveView())
        view->SetFollow(item->isChecked());
    else
        item->setChecked(false);
}

void TMainForm::ShowWindowMenu() {
    // The View menu lists the open views after its own items; choosing one activates it.
    for (QAction* action : WindowListActions)
        Window1->removeAction(action);
    qDeleteAll(WindowListActions);
    WindowListActions.clear();
    const QList<TMDIChild*> views = Views();
    if (views.isEmpty())
        return;
    WindowListActions.append(Window1->addSeparator());
    TMDIChild* active = ActiveView();
    for (qsizetype i = 0; i < views.size(); ++i) {
        TMDIChild* view = views[i];
        const QString number = i < 9 ? QStringLiteral("&%1 ").arg(i + 1) : QString();
        QAction* action = Window1->addAction(number + view->SubWindow()->windowTitle());
        action->setCheckable(true);
        action->setChecked(view == active);
        QMdiSubWindow* window = view->SubWindow();
        connect(action, &QAction::triggered, this,
                [this, window] { MDIClient->setActiveSubWindow(window); });
        WindowListActions.append(action);
    }
}

void TMainForm::MenuViewPreset1Click() {
    TMDIChild* active = ActiveView();
    const int barsBelowMenu =
        menuWidget() && menuWidget()->isVisible() ? menuWidget()->height() : 0;
    const QSize minimum = QMdiSubWindow().minimumSizeHint();
    const TViewRect cell = ViewLayout::PresetCellSize(
        width(), height() - barsBelowMenu, StatusBar->isVisible() ? StatusBar->height() : 0,
        ToolBar1->isVisible() ? ToolBar1->height() : 0, minimum.width(), minimum.height());

    const QList<TMDIChild*> views = Views();
    for (qsizetype i = views.size() - 1; i >= 0; --i) {
        if (views[i] == active)
            continue;
        views[i]->MarkClosing();
        views[i]->SubWindow()->close();
    }

    for (const TPresetCell& place : ViewLayout::PresetCells()) {
        TMDIChild* view = NewViewWindow();
        QMdiSubWindow* window = view->SubWindow();
        window->resize(cell.Width, cell.Height);
        TViewSettings settings = NewViewSettings(view, active, PresetFrom);
        settings.Camera.Elevation = place.ElevationDegrees * Degree;
        settings.Camera.Azimuth += place.AzimuthChangeDegrees * Degree;
        view->ApplySettings(settings);
        window->move(place.Column * cell.Width, place.Row * cell.Height);
        const QString caption =
            QString::fromUtf8(place.Caption.data(), static_cast<qsizetype>(place.Caption.size()));
        view->setWindowTitle(caption);
        window->setWindowTitle(caption);
        view->ShowUniverse(Snapshot());
        view->FormResize();
    }
    if (active)
        active->SubWindow()->close();
    // Each new view reported itself on activation before it took the old view's settings;
    // the one left active reports again so the properties window matches it.
    if (TMDIChild* current = ActiveView())
        current->FormActivate();
    UpdateMenuItems();
}

void TMainForm::HelpAboutItemClick() {
    if (!FAboutBox)
        return;
    FAboutBox->show();
    FAboutBox->raise();
}
