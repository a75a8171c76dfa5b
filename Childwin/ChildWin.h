#pragma once

#include "Childwin/FrameRender.h"
#include "Childwin/ViewCamera.h"
#include "Childwin/ViewFit.h"
#include "Childwin/ViewSettings.h"

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

class QMdiArea;
class QMdiSubWindow;
class TViewRenderer;
struct TPictureRequest;
struct TUniverseSnapshot;

/// One view window: a camera and display settings of its own, drawing the newest snapshot of
/// the universe it was given into an off-screen frame. Pictures are drawn on the shared
/// drawing thread and shown when they are done, so that the window thread never waits for
/// one; the few callers that need a picture at once (PresentFrame, Picture) draw it here.
/// Lives as the widget of a sub-window of the main window's MDI area; closing the
/// sub-window destroys it.
class TMDIChild : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool ShowLuminance READ ShowLuminance WRITE SetShowLuminance)
    Q_PROPERTY(int ShowAs READ ShowAsIndex WRITE SetShowAsIndex)
    Q_PROPERTY(int Brightness READ Brightness WRITE SetBrightness)
    Q_PROPERTY(int Contrast READ Contrast WRITE SetContrast)
    Q_PROPERTY(int PartSize READ PartSize WRITE SetPartSize)
    Q_PROPERTY(bool UseLines READ UseLines WRITE SetUseLines)
    Q_PROPERTY(bool ShowGrid READ ShowGrid WRITE SetShowGrid)
    Q_PROPERTY(bool Follow READ Follow WRITE SetFollow)

public:
    /// Creates a view as a new sub-window of area and runs its creation handler (size
    /// 320 x 256, CreatedViewSettings; space is that of the main window's universe, 0
    /// without one). The caller sets caption, settings and the universe shown, then calls
    /// FormResize.
    static TMDIChild* Create(QMdiArea* area, double space);

    explicit TMDIChild(QWidget* parent = nullptr);
    ~TMDIChild() override;

    bool ShowLuminance() const { return FShowLuminance; }
    TShowAs ShowAs() const { return FShowAs; }
    int Brightness() const { return FBrightness; }
    int Contrast() const { return FContrast; }
    int PartSize() const { return FPartSize; }
    bool UseLines() const { return FUseLines; }
    bool ShowGrid() const { return FShowGrid; }
    bool Follow() const { return FFollow; }
    const TViewCamera& Camera() const { return FCamera; }

    void SetShowLuminance(bool value);
    void SetShowAs(TShowAs value);
    void SetBrightness(int value);
    void SetContrast(int value);
    void SetPartSize(int value);
    void SetUseLines(bool value);
    /// Axes and a grid in the plane y = 0, drawn under the particles.
    void SetShowGrid(bool value);
    /// A new camera: the view redraws when it differs from the one it has.
    void SetCamera(const TViewCamera& camera);
    /// Keeps the centre of mass of the central particles where it is on the screen from
    /// now on, first bringing it to the middle: the camera moves with it at every picture.
    void SetFollow(bool value);
    /// Frames the central particles (FitShare of them) with the turn and tilt kept.
    void FitToParticles();

    /// The camera and display settings, the way other views and files take them.
    TViewSettings Settings() const;
    /// Takes every setting at once, as the setters would one by one (ShowAsSelected when
    /// the method changes), but with a single redraw and none when nothing changed.
    void ApplySettings(const TViewSettings& settings);

    /// The sub-window that frames this view (null before it is added to an MDI area).
    QMdiSubWindow* SubWindow() const;

    /// Draws this snapshot from now on (null draws nothing) and shows it.
    void ShowUniverse(std::shared_ptr<const TUniverseSnapshot> universe);
    const TUniverseSnapshot* Snapshot() const { return FUniverse.get(); }
    /// Asks the drawing thread for a new picture, shown once it is drawn; a request still
    /// waiting there is dropped for this one.
    void Redraw();
    /// Waits until the picture asked for last is drawn and takes it into Frame.
    void WaitForPicture();
    /// Pictures rendered so far, on either thread.
    std::uint64_t Renders() const;
    /// Lets turn change the camera; redraws when it says it did.
    void TurnCamera(const std::function<bool(TViewCamera&)>& turn);

    void FormCreate(double space);
    void FormResize();
    void FormActivate(); // emits Activated; the main window calls it on activation
    /// Shows the newest finished picture; asks for one when FrameValid is clear and none is
    /// on its way (called by paintEvent).
    void FormPaint();
    void FormClose(); // sets Closing; the sub-window frees itself once closed
    /// Sets Closing without closing: the main window stops every view drawing before it
    /// tears them down.
    void MarkClosing() { FClosing = true; }
    void FormDestroy(); // releases Frame and stops drawing; run by the destructor
    /// A button press: starts the drag mode its exact button and modifier set selects.
    /// A double click starts nothing.
    void FormMouseDown(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int x, int y,
                       bool doubleClick = false);
    /// Pointer movement: every drag mode that is on changes the camera and redraws.
    void FormMouseMove(int x, int y);
    void FormMouseUp(); // any button release ends every drag mode
    /// The wheel at window point (x, y): zooms about the pointer (a notch is 120).
    void FormMouseWheel(int x, int y, int angleDelta);

    /// Keeps Frame the size of the client area, which it first grows to 30 pixels high.
    void ResizeFrame();
    void ClearFrame();
    /// Builds the picture in Frame here and now, in place of any picture asked for before:
    /// particles as grey dots, nearest first, then the red connecting lines. Leaves
    /// FrameValid clear.
    void RenderFrame();
    /// Draws the frame here and now when FrameValid is clear, marks it valid and shows it.
    void PresentFrame();
    /// Blends one dot centred on (sx, sy) into Frame with this view's PartSize and Contrast.
    void DrawParticle(int level, double sx, double sy, double radius, double intensity);
    /// The finished picture as the window shows it, drawn here first if it is out of date;
    /// null while Closing.
    QImage Picture();
    /// The iteration the universe had reached when this picture was drawn.
    int PictureIteration() const;

    /// The off-screen picture, the size of the client area.
    const QImage& Frame() const { return FFrame; }
    bool Closing() const { return FClosing; }
    /// Frame holds the picture of the newest request.
    bool FrameValid() const { return FFrameValid; }
    /// Half the client width and height, rounded down; set by ResizeFrame.
    std::int32_t CentreX() const { return FCentreX; }
    std::int32_t CentreY() const { return FCentreY; }
    // The drag in progress: its modes, and where the pointer was at its last event.
    bool Panning() const { return FPanning; }
    bool Zooming() const { return FZooming; }
    bool Rotating() const { return FRotating; }
    bool Dollying() const { return FDollying; }
    std::int32_t LastMouseX() const { return FLastMouseX; }
    std::int32_t LastMouseY() const { return FLastMouseY; }

signals:
    /// The ShowAs setter stored a new value: the properties window selects this row.
    void ShowAsSelected(int index);
    /// This view became the active one: the properties window shows its ShowAs and Contrast.
    void Activated(TMDIChild* view);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    bool PrepareFrame(); // false while Closing
    /// The view's present settings, copied for the drawing thread.
    TPictureRequest Request() const;
    /// Takes a picture the drawing thread finished, if it is newer than the one shown.
    void TakePicture();
    /// Moves the camera with the centre of mass of universe, when following.
    void FollowUniverse();

    std::unique_ptr<TViewRenderer> FRenderer;
    std::shared_ptr<const TUniverseSnapshot> FUniverse;
    QImage FShown;                   // the newest finished picture, what paintEvent shows
    std::uint64_t FRequested = 0;    // the newest request's number
    std::uint64_t FShownRequest = 0; // the number of the request FShown answers

    int ShowAsIndex() const { return FShowAs; }
    void SetShowAsIndex(int value) { SetShowAs(static_cast<TShowAs>(value)); }

    QImage FFrame;
    bool FClosing = false;
    bool FFrameValid = false;
    std::int32_t FLastMouseX = 0, FLastMouseY = 0;
    bool FPanning = false, FZooming = false, FRotating = false, FDollying = false;
    std::int32_t FCentreX = 0, FCentreY = 0;
    TViewCamera FCamera;
    bool FShowLuminance = false;
    TShowAs FShowAs = saMonocular;
    int FBrightness = 0;
    int FContrast = 0;
    int FPartSize = 0;
    bool FUseLines = false;
    bool FShowGrid = false;
    bool FFollow = false;
    TFollowAnchor FFollowAnchor;
    std::uint64_t FFollowedBuild = 0; // a new universe is followed from its own middle
    double FPixelRatio = 1;           // of the screen Frame was sized for
};
