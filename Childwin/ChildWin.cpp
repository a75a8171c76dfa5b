// Scaffold so that the main window can be built against the view's interface; the view's
// drawing, resizing and mouse handling replace it.
#include "Childwin/ChildWin.h"

#include "Childwin/DisplayList.h"
#include "universe/Universe.h"

#include <QMdiArea>
#include <QMdiSubWindow>

TMDIChild* TMDIChild::Create(QMdiArea* area, const TUniverse* mainUniverse) {
    auto* view = new TMDIChild;
    area->addSubWindow(view);
    view->FormCreate(mainUniverse);
    view->show();
    return view;
}

TMDIChild::TMDIChild(QWidget* parent) : QWidget(parent) {}
TMDIChild::~TMDIChild() = default;

QMdiSubWindow* TMDIChild::SubWindow() const { return qobject_cast<QMdiSubWindow*>(parentWidget()); }

void TMDIChild::SetShowLuminance(bool value) { FShowLuminance = value; }
void TMDIChild::SetShowAs(TShowAs value) {
    if (value == FShowAs)
        return;
    FShowAs = value;
    emit ShowAsSelected(value);
}
void TMDIChild::SetBrightness(int value) { FBrightness = value; }
void TMDIChild::SetContrast(int value) { FContrast = value; }
void TMDIChild::SetPartSize(int value) { FPartSize = value; }
void TMDIChild::SetUseLines(bool value) { FUseLines = value; }

void TMDIChild::FormCreate(const TUniverse* mainUniverse) {
    if (!DisplayList)
        DisplayList = std::make_unique<TDisplayList>();
    Closing = false;
    if (SubWindow())
        SubWindow()->resize(320, 256);
    Camera.ZoomX = Camera.ZoomY = 0.06 * height();
    Camera.Elevation = 3.14159265358979323846 / 4;
    Camera.Dolly = -5 * (mainUniverse ? mainUniverse->Space : 0);
    SetShowLuminance(true);
    SetContrast(100);
    SetPartSize(10);
}
void TMDIChild::FormResize() {}
void TMDIChild::FormActivate() { emit Activated(this); }
void TMDIChild::ResizeFrame() {}
void TMDIChild::ClearFrame() {}
void TMDIChild::RenderFrame() {}
void TMDIChild::PresentFrame() { FrameValid = true; }
