#include "Childwin/ChildWin.h"

#include "Childwin/CameraDrag.h"
#include "Childwin/DotBlend.h"
#include "Childwin/FramePainter.h"
#include "Childwin/FrameRender.h"
#include "Childwin/ViewRenderer.h"
#include "universe/UniverseSnapshot.h"

#include <QAction>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>

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

// The centre every following view moves with. All views are shown the same snapshot, and at
// the largest counts finding the central particles takes milliseconds: it is found once for
// each snapshot (on the window thread, the only one that calls this).
TUniversePoint CentreToFollow(const std::shared_ptr<const TUniverseSnapshot>& universe) {
    static std::weak_ptr<const TUniverseSnapshot> last;
    static TUniversePoint centre;
    if (last.lock() != universe) {
        centre = FollowedCentre(universe->Particles);
        last = universe;
    }
    return centre;
}

} // namespace

TMDIChild* TMDIChild::Create(QMdiArea* area, double space) {
    auto* view = new TMDIChild;
    QMdiSubWindow* sub = area->addSubWindow(view); // deletes itself, and the view, once closed
    // The frame's own Close carries Ctrl+W and Ctrl+F4, which the main window's Close View
    // owns: two owners of a key make the platform fire neither.
    for (QAction* action : sub->actions())
        action->setShortcuts({});
    // Shown first, so that the sizes FormCreate sets and reads are laid out at once.
    view->show();
    view->FormCreate(space);
    return view;
}

TMDIChild::TMDIChild(QWidget* parent)
    : QWidget(parent), FRenderer(std::make_unique<TViewRenderer>()) {
    // Called on the drawing thread: only posts the picture over to this window's thread.
    // Detach stops the calls before this view goes away.
    FRenderer->SetReady(
        [this] { QMetaObject::invokeMethod(this, &TMDIChild::TakePicture, Qt::QueuedConnection); });
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
    FollowUniverse();
    Redraw();
}

void TMDIChild::FollowUniverse() {
    if (!FFollow || !FUniverse || !FUniverse->HasParticles())
        return;
    if (FUniverse->BuildCount != FFollowedBuild) {
        FFollowAnchor = {};
        FFollowedBuild = FUniverse->BuildCount;
    }
    FollowCentre(FCamera, FFollowAnchor, CentreToFollow(FUniverse));
}

void TMDIChild::SetFollow(bool value) {
    if (value == FFollow)
        return;
    FFollow = value;
    FFollowAnchor = {};
    if (!value)
        return;
    FollowUniverse();
    Redraw();
}

void TMDIChild::FitToParticles() {
    if (FClosing || !FUniverse || !FUniverse->HasParticles())
        return;
    FCamera = FitToSee(FCamera, FUniverse->Particles, width(), height(), FUniverse->Space);
    if (FFollow) {
        // The fitted picture stays put: the centre is followed from where the fit left it.
        FFollowAnchor = {true, CentreToFollow(FUniverse), 0, 0, 0};
        FFollowedBuild = FUniverse->BuildCount;
        PinFollow(FCamera, FFollowAnchor);
    }
    Redraw();
}

void TMDIChild::Redraw() {
    FFrameValid = false;
    if (FClosing)
        return;
    // Moved to a screen of another pixel ratio: the frame is made anew for its pixels.
    if (!FFrame.isNull() && devicePixelRatioF() != FPixelRatio)
        ResizeFrame();
    FRequested = FRenderer->Request(Request());
}

void TMDIChild::WaitForPicture() {
    FRenderer->Wait();
    TakePicture();
}

std::uint64_t TMDIChild::Renders() const {
    return FRenderer->Renders();
}

void TMDIChild::TakePicture() {
    TFinishedPicture done;
    if (FClosing || !FRenderer->Take(FShownRequest, done))
        return;
    // An older picture is shown while a newer one is drawn, so that a drag keeps moving.
    FShown = std::move(done.Image);
    FShownRequest = done.Request;
    if (FShownRequest == FRequested) {
        FFrame = FShown;
        FFrameValid = true;
    }
    update();
}

void TMDIChild::TurnCamera(const std::function<bool(TViewCamera&)>& turn) {
    if (turn(FCamera))
        Redraw();
}

void TMDIChild::SetCamera(const TViewCamera& camera) {
    if (camera == FCamera)
        return;
    FCamera = camera;
    Redraw();
}

TViewSettings TMDIChild::Settings() const {
    TViewSettings settings;
    settings.Camera = FCamera;
    settings.ShowAs = FShowAs;
    settings.Contrast = FContrast;
    settings.Brightness = FBrightness;
    settings.PartSize = FPartSize;
    settings.ShowLuminance = FShowLuminance;
    settings.UseLines = FUseLines;
    settings.ShowGrid = FShowGrid;
    settings.Follow = FFollow;
    return settings;
}

void TMDIChild::ApplySettings(const TViewSettings& settings) {
    const TViewSettings old = Settings();
    if (settings == old)
        return;
    FCamera = settings.Camera;
    FShowAs = settings.ShowAs;
    FContrast = settings.Contrast;
    FBrightness = settings.Brightness;
    FPartSize = settings.PartSize;
    FShowLuminance = settings.ShowLuminance;
    FUseLines = settings.UseLines;
    FShowGrid = settings.ShowGrid;
    FFollow = settings.Follow;
    // A camera given whole (another view's, a file's) is followed from its own middle.
    FFollowAnchor = {};
    FollowUniverse();
    if (FShowAs != old.ShowAs)
        emit ShowAsSelected(FShowAs);
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

void TMDIChild::SetShowGrid(bool value) {
    if (value == FShowGrid)
        return;
    FShowGrid = value;
    Redraw();
}

void TMDIChild::FormCreate(double space) {
    FClosing = false;
    if (QMdiSubWindow* sub = SubWindow())
        sub->resize(320, 256);
    else
        resize(320, 256);
    ApplySettings(CreatedViewSettings(height(), space));
}

void TMDIChild::FormResize() {
    if (FClosing)
        return;
    ResizeFrame();
    Redraw();
}

void TMDIChild::FormActivate() {
    emit Activated(this);
}

void TMDIChild::FormPaint() {
    if (FClosing)
        return;
    if (!FFrameValid && FRequested == FShownRequest)
        Redraw();
    // Until the new picture is done the last one stays up, rather than a black frame.
    QPainter painter(this);
    painter.drawImage(0, 0, FFrameValid ? FFrame : FShown);
}

void TMDIChild::FormClose() {
    FClosing = true;
    // Inside the MDI area the sub-window is deleted once closed and takes the view along.
    if (!SubWindow())
        setAttribute(Qt::WA_DeleteOnClose);
}

void TMDIChild::FormDestroy() {
    // A picture being drawn is finished on the drawing thread, on its own copy of all it
    // reads, and thrown away.
    FRenderer->Detach();
    FFrame = QImage();
    FShown = QImage();
}

void TMDIChild::FormMouseDown(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int x,
                              int y, bool doubleClick) {
    const TDragMode mode =
        DragModeForPress(PointerButtons(buttons), PointerModifiers(modifiers), doubleClick);
    if (mode == dmNone)
        return;
    FLastMouseX = x;
    FLastMouseY = y;
    FPanning = FPanning || mode == dmPanning;
    FZooming = FZooming || mode == dmZooming;
    FRotating = FRotating || mode == dmRotating;
    FDollying = FDollying || mode == dmDollying;
}

void TMDIChild::FormMouseMove(int x, int y) {
    const auto redraw = [this] { Redraw(); };
    if (FPanning) {
        DragPan(FCamera, FUniverse ? FUniverse->Space : 0, FLastMouseX, FLastMouseY, x, y);
        PinFollow(FCamera, FFollowAnchor);
        redraw();
    }
    if (FZooming) {
        DragZoom(FCamera, FLastMouseY, y, MinZoom(height()));
        redraw();
    }
    if (FRotating) {
        DragRotate(FCamera, FLastMouseX, FLastMouseY, x, y);
        redraw();
    }
    if (FDollying && DragDolly(FCamera, FLastMouseY, y)) {
        PinFollow(FCamera, FFollowAnchor);
        redraw();
    }
}

void TMDIChild::FormMouseUp() {
    FPanning = FZooming = FRotating = FDollying = false;
}

void TMDIChild::FormMouseWheel(int x, int y, int angleDelta) {
    if (FClosing || angleDelta == 0)
        return;
    WheelZoom(FCamera, FUniverse ? FUniverse->Space : 0, FCentreX, FCentreY, x, y, angleDelta,
              MinZoom(height()));
    PinFollow(FCamera, FFollowAnchor);
    Redraw();
}

void TMDIChild::ResizeFrame() {
    if (FClosing)
        return;
    if (height() < MinClientHeight) {
        // Inside the MDI area the sub-window's frame surrounds the client area: grow it.
        if (QMdiSubWindow* sub = SubWindow())
            sub->resize(sub->width(), sub->height() + MinClientHeight - height());
        else
            resize(width(), MinClientHeight);
    }
    // Drawn in the screen's own pixels, so that a display scale of 2 shows fine dots rather
    // than blocks of four.
    FPixelRatio = devicePixelRatioF();
    FFrame = QImage(static_cast<int>(std::ceil(width() * FPixelRatio)),
                    static_cast<int>(std::ceil(height() * FPixelRatio)), QImage::Format_RGB32);
    FFrame.setDevicePixelRatio(FPixelRatio);
    ClearFrame();
    FCentreX = static_cast<std::int32_t>(static_cast<unsigned>(width()) / 2);
    FCentreY = static_cast<std::int32_t>(static_cast<unsigned>(height()) / 2);
    FFrameValid = false;
}

void TMDIChild::ClearFrame() {
    if (FClosing)
        return;
    FFrame.fill(QColor(Qt::black));
    FFrameValid = false;
}

TPictureRequest TMDIChild::Request() const {
    TPictureRequest request;
    request.Universe = FUniverse;
    request.Size = FFrame.size();
    request.PixelRatio = FPixelRatio;
    TFrameSettings& settings = request.Settings;
    settings.Camera = FCamera;
    settings.CentreX = FCentreX;
    settings.CentreY = FCentreY;
    settings.ClientWidth = width();
    settings.ClientHeight = height();
    settings.ShowAs = FShowAs;
    settings.ShowLuminance = FShowLuminance;
    settings.UseLines = FUseLines;
    settings.Dots = {FPartSize, FContrast};
    settings.ShowGrid = FShowGrid;
    settings.GridSpace = FUniverse ? FUniverse->Space : 0;
    if (FPixelRatio != 1)
        settings = ForDevicePixels(settings, FPixelRatio, FFrame.width(), FFrame.height());
    return request;
}

void TMDIChild::RenderFrame() {
    if (FClosing)
        return;
    ClearFrame();
    FRequested = FRenderer->RenderNow(FFrame, Request());
    // Newer than anything the drawing thread may still finish: that is thrown away.
    FShown = FFrame;
    FShownRequest = FRequested;
}

bool TMDIChild::PrepareFrame() {
    if (FClosing)
        return false;
    if (!FFrameValid) {
        RenderFrame();
        FFrameValid = true;
    }
    return true;
}

void TMDIChild::PresentFrame() {
    // The copy to the window happens in the paint event that this schedules.
    if (PrepareFrame())
        update();
}

void TMDIChild::DrawParticle(int level, double sx, double sy, double radius, double intensity) {
    BlendDot(PixelsOf(FFrame), {FPartSize, FContrast}, level, sx, sy, radius, intensity);
}

QImage TMDIChild::Picture() {
    if (!PrepareFrame())
        return {};
    return FFrame.copy();
}

int TMDIChild::PictureIteration() const {
    return FUniverse ? FUniverse->IterationCount : 0;
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

void TMDIChild::wheelEvent(QWheelEvent* event) {
    const QPoint at = event->position().toPoint();
    FormMouseWheel(at.x(), at.y(), event->angleDelta().y());
    event->accept();
}
