#include "Childwin/ChildWin.h"

#include "Childwin/CameraDrag.h"
#include "Childwin/DisplayList.h"
#include "Childwin/DotBlend.h"
#include "Childwin/FrameRender.h"
#include "Childwin/LineList.h"
#include "Childwin/PixelFrame.h"
#include "universe/UniverseSnapshot.h"

#include <QCloseEvent>
#include <QLineF>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>

#include <numbers>

namespace {

constexpr int MinClientHeight = 30;

unsigned PointerButtons(Qt::MouseButtons buttons) {
    unsigned set = 0;
    if (buttons & Qt::LeftButton)
        set |= pbLeft;
    if (buttons & Qt::RightButton)
        set |= pbRight;
    if (buttons & Qt::MiddleButton)
        set |= pbMiddle;
    if (buttons & ~(Qt::LeftButton | Qt::RightButton | Qt::MiddleButton))
        set |= pbOther;
    return set;
}

// The keypad and group-switch flags describe the key that was typed, not a key held down.
unsigned PointerModifiers(Qt::KeyboardModifiers modifiers) {
    unsigned set = 0;
    if (modifiers & Qt::ShiftModifier)
        set |= pmShift;
    if (modifiers & Qt::ControlModifier)
        set |= pmCtrl;
    if (modifiers & Qt::AltModifier)
        set |= pmAlt;
    if (modifiers & Qt::MetaModifier)
        set |= pmMeta;
    return set;
}

QPoint EventPoint(const QMouseEvent* event) {
    return event->position().toPoint();
}

} // namespace

TMDIChild* TMDIChild::Create(QMdiArea* area, const TUniverseSnapshot* mainUniverse) {
    auto* view = new TMDIChild;
    area->addSubWindow(view); // the sub-window deletes itself, and the view, once closed
    // Shown first, so that the sizes FormCreate sets and reads are laid out at once.
    view->show();
    view->FormCreate(mainUniverse);
    return view;
}

TMDIChild::TMDIChild(QWidget* parent) : QWidget(parent), FLines(std::make_unique<TLineList>()) {
    setWindowTitle(QStringLiteral("MDI Child"));
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
}

TMDIChild::~TMDIChild() {
    FormDestroy();
}

QMdiSubWindow* TMDIChild::SubWindow() const {
    return qobject_cast<QMdiSubWindow*>(parentWidget());
}

void TMDIChild::ShowUniverse(std::shared_ptr<const TUniverseSnapshot> universe) {
    FUniverse = std::move(universe);
    Redraw();
}

void TMDIChild::Redraw() {
    FrameValid = false;
    PresentFrame();
}

void TMDIChild::TurnCamera(const std::function<bool(TViewCamera&)>& turn) {
    if (turn(Camera))
        Redraw();
}

void TMDIChild::SetShowLuminance(bool value) {
    if (value == FShowLuminance)
        return;
    FShowLuminance = value;
    Redraw();
}

void TMDIChild::SetShowAs(TShowAs value) {
    if (value == FShowAs)
        return;
    FShowAs = value;
    emit ShowAsSelected(value);
    Redraw();
}

void TMDIChild::SetBrightness(int value) {
    if (value == FBrightness)
        return;
    FBrightness = value;
    Redraw();
}

void TMDIChild::SetContrast(int value) {
    if (value == FContrast)
        return;
    FContrast = value;
    Redraw();
}

void TMDIChild::SetPartSize(int value) {
    if (value == FPartSize)
        return;
    FPartSize = value;
    Redraw();
}

void TMDIChild::SetUseLines(bool value) {
    if (value == FUseLines)
        return;
    FUseLines = value;
    Redraw();
}

void TMDIChild::FormCreate(const TUniverseSnapshot* mainUniverse) {
    if (!DisplayList)
        DisplayList = std::make_unique<TDisplayList>();
    Closing = false;
    if (QMdiSubWindow* sub = SubWindow())
        sub->resize(320, 256);
    else
        resize(320, 256);
    Camera.OffsetX = Camera.OffsetY = 0;
    Camera.Azimuth = 0;
    Camera.ZoomX = Camera.ZoomY = 0.06 * height();
    Camera.Elevation = std::numbers::pi / 4;
    Camera.Dolly = -5 * (mainUniverse ? mainUniverse->Space : 0);
    SetShowAs(saMonocular);
    SetShowLuminance(true);
    SetContrast(100);
    SetBrightness(0);
    SetPartSize(10);
}

void TMDIChild::FormResize() {
    if (Closing)
        return;
    ResizeFrame();
    update();
}

void TMDIChild::FormActivate() {
    emit Activated(this);
}

void TMDIChild::FormPaint() {
    if (!PrepareFrame())
        return;
    QPainter painter(this);
    painter.drawImage(0, 0, Frame);
}

void TMDIChild::FormClose() {
    Closing = true;
    // Inside the MDI area the sub-window is deleted once closed and takes the view along.
    if (!SubWindow())
        setAttribute(Qt::WA_DeleteOnClose);
}

void TMDIChild::FormDestroy() {
    Frame = QImage();
    DisplayList.reset();
}

void TMDIChild::FormMouseDown(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int x,
                              int y, bool doubleClick) {
    const TDragMode mode =
        DragModeForPress(PointerButtons(buttons), PointerModifiers(modifiers), doubleClick);
    if (mode == dmNone)
        return;
    LastMouseX = x;
    LastMouseY = y;
    Panning = Panning || mode == dmPanning;
    Zooming = Zooming || mode == dmZooming;
    Rotating = Rotating || mode == dmRotating;
    Dollying = Dollying || mode == dmDollying;
}

void TMDIChild::FormMouseMove(int x, int y) {
    const auto redraw = [this] { Redraw(); };
    if (Panning) {
        DragPan(Camera, FUniverse ? FUniverse->Space : 0, LastMouseX, LastMouseY, x, y);
        redraw();
    }
    if (Zooming) {
        DragZoom(Camera, LastMouseY, y, MinZoom(height()));
        redraw();
    }
    if (Rotating) {
        DragRotate(Camera, LastMouseX, LastMouseY, x, y);
        redraw();
    }
    if (Dollying && DragDolly(Camera, LastMouseY, y))
        redraw();
}

void TMDIChild::FormMouseUp() {
    Panning = Zooming = Rotating = Dollying = false;
}

void TMDIChild::ResizeFrame() {
    if (Closing)
        return;
    if (height() < MinClientHeight) {
        // Inside the MDI area the sub-window's frame surrounds the client area: grow it.
        if (QMdiSubWindow* sub = SubWindow())
            sub->resize(sub->width(), sub->height() + MinClientHeight - height());
        else
            resize(width(), MinClientHeight);
    }
    Frame = QImage(width(), height(), QImage::Format_RGB32);
    ClearFrame();
    CentreX = static_cast<std::int32_t>(static_cast<unsigned>(width()) / 2);
    CentreY = static_cast<std::int32_t>(static_cast<unsigned>(height()) / 2);
    FrameValid = false;
}

void TMDIChild::ClearFrame() {
    if (Closing)
        return;
    Frame.fill(QColor(Qt::black));
    FrameValid = false;
}

TPixelFrame TMDIChild::FramePixels() {
    TPixelFrame pixels;
    if (Frame.isNull())
        return pixels;
    pixels.Bits = Frame.bits(); // one address for the whole frame; rows by bytesPerLine
    pixels.BytesPerLine = Frame.bytesPerLine();
    pixels.Width = Frame.width();
    pixels.Height = Frame.height();
    pixels.TopByte = 0xFF000000u; // this image format keeps its top byte opaque
    return pixels;
}

void TMDIChild::RenderFrame() {
    if (Closing)
        return;
    ++FRenders;
    ClearFrame();
    TFrameSettings settings;
    settings.Camera = Camera;
    settings.CentreX = CentreX;
    settings.CentreY = CentreY;
    settings.ClientWidth = width();
    settings.ClientHeight = height();
    settings.ShowAs = FShowAs;
    settings.ShowLuminance = FShowLuminance;
    settings.UseLines = FUseLines;
    settings.Dots = {FPartSize, FContrast};
    RenderUniverse(FUniverse.get(), DisplayList.get(), FramePixels(), settings, *FLines,
                   FScreenPoints);
    DrawLines();
}

void TMDIChild::DrawLines() {
    if (FLines->Count() == 0 || Frame.isNull())
        return;
    QPainter painter(&Frame);
    painter.setPen(QPen(QColor(255, 0, 0), 1, Qt::SolidLine));
    for (const TLineSegment& line : *FLines)
        painter.drawLine(QLineF(line.X1, line.Y1, line.X2, line.Y2));
}

bool TMDIChild::PrepareFrame() {
    if (Closing)
        return false;
    if (!FrameValid) {
        RenderFrame();
        FrameValid = true;
    }
    return true;
}

void TMDIChild::PresentFrame() {
    // The copy to the window happens in the paint event that this schedules.
    if (PrepareFrame())
        update();
}

void TMDIChild::DrawParticle(int level, double sx, double sy, double radius, double intensity) {
    BlendDot(FramePixels(), {FPartSize, FContrast}, level, sx, sy, radius, intensity);
}

void TMDIChild::paintEvent(QPaintEvent*) {
    FormPaint();
}

void TMDIChild::resizeEvent(QResizeEvent*) {
    FormResize();
}

void TMDIChild::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

void TMDIChild::mousePressEvent(QMouseEvent* event) {
    const QPoint at = EventPoint(event);
    FormMouseDown(event->buttons(), event->modifiers(), at.x(), at.y());
}

void TMDIChild::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint at = EventPoint(event);
    FormMouseDown(event->buttons(), event->modifiers(), at.x(), at.y(), true);
}

void TMDIChild::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = EventPoint(event);
    FormMouseMove(at.x(), at.y());
}

void TMDIChild::mouseReleaseEvent(QMouseEvent*) {
    FormMouseUp();
}
