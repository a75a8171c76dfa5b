#pragma once

#include "Childwin/FrameRender.h"
#include "Childwin/ViewCamera.h"

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

class QMdiArea;
class QMdiSubWindow;
class TDisplayList;
class TLineList;
struct TPixelFrame;
struct TUniverseSnapshot;

/// One view window: a camera and display settings of its own, drawing the newest snapshot of
/// the universe it was given into an off-screen frame. Lives as the widget of a sub-window of the
/// main window's MDI area; closing the sub-window destroys it.
class TMDIChild : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool ShowLuminance READ ShowLuminance WRITE SetShowLuminance)
    Q_PROPERTY(int ShowAs READ ShowAsIndex WRITE SetShowAsIndex)
    Q_PROPERTY(int Brightness READ Brightness WRITE SetBrightness)
    Q_PROPERTY(int Contrast READ Contrast WRITE SetContrast)
    Q_PROPERTY(int PartSize READ PartSize WRITE SetPartSize)
    Q_PROPERTY(bool UseLines READ UseLines WRITE SetUseLines)

public:
    /// Creates a view as a new sub-window of area and runs its creation handler (size
    /// 320 x 256, creation defaults; Dolly from the Space of mainUniverse, which may be
    /// null). The caller sets caption, camera, the universe shown, then calls FormResize.
    static TMDIChild* Create(QMdiArea* area, const TUniverseSnapshot* mainUniverse);

    explicit TMDIChild(QWidget* parent = nullptr);
    ~TMDIChild() override;

    bool ShowLuminance() const { return FShowLuminance; }
    TShowAs ShowAs() const { return FShowAs; }
    int Brightness() const { return FBrightness; }
    int Contrast() const { return FContrast; }
    int PartSize() const { return FPartSize; }
    bool UseLines() const { return FUseLines; }

    void SetShowLuminance(bool value);
    void SetShowAs(TShowAs value);
    void SetBrightness(int value);
    void SetContrast(int value);
    void SetPartSize(int value);
    void SetUseLines(bool value);

    /// The sub-window that frames this view (null before it is added to an MDI area).
    QMdiSubWindow* SubWindow() const;

    /// Draws this snapshot from now on (null draws nothing) and shows it.
    void ShowUniverse(std::shared_ptr<const TUniverseSnapshot> universe);
    const TUniverseSnapshot* Snapshot() const { return FUniverse.get(); }
    /// Renders the picture once and schedules it to be shown.
    void Redraw();
    /// Pictures rendered so far.
    std::uint64_t Renders() const { return FRenders; }
    /// Lets turn change the camera; redraws when it says it did.
    void TurnCamera(const std::function<bool(TViewCamera&)>& turn);

    void FormCreate(const TUniverseSnapshot* mainUniverse);
    void FormResize();
    void FormActivate(); // emits Activated; the main window calls it on activation
    /// Shows the frame, drawing it first when FrameValid is clear (called by paintEvent).
    void FormPaint();
    void FormClose();   // sets Closing; the sub-window frees itself once closed
    void FormDestroy(); // releases Frame and DisplayList; run by the destructor
    /// A button press: starts the drag mode its exact button and modifier set selects.
    /// A double click starts nothing.
    void FormMouseDown(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int x, int y,
                       bool doubleClick = false);
    /// Pointer movement: every drag mode that is on changes the camera and redraws.
    void FormMouseMove(int x, int y);
    void FormMouseUp(); // any button release ends every drag mode

    /// Keeps Frame the size of the client area, which it first grows to 30 pixels high.
    void ResizeFrame();
    void ClearFrame();
    /// Builds the picture in Frame: particles as grey dots, nearest first, then the red
    /// connecting lines. Leaves FrameValid clear.
    void RenderFrame();
    /// Draws the frame when FrameValid is clear, marks it valid and shows it.
    void PresentFrame();
    /// Blends one dot centred on (sx, sy) into Frame with this view's PartSize and Contrast.
    void DrawParticle(int level, double sx, double sy, double radius, double intensity);

    // View state other windows read and write directly.
    QImage Frame;
    std::unique_ptr<TDisplayList> DisplayList;
    bool Closing = false;
    bool FrameValid = false;
    std::int32_t LastMouseX = 0, LastMouseY = 0;
    bool Panning = false, Zooming = false, Rotating = false, Dollying = false;
    std::int32_t CentreX = 0, CentreY = 0;
    TViewCamera Camera;

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

private:
    TPixelFrame FramePixels();
    bool PrepareFrame(); // false while Closing
    void DrawLines();

    std::unique_ptr<TLineList> FLines;
    std::shared_ptr<const TUniverseSnapshot> FUniverse;
    TDrawnPoints FScreenPoints; // kept from frame to frame, as drawing expects
    std::uint64_t FRenders = 0;

    int ShowAsIndex() const { return FShowAs; }
    void SetShowAsIndex(int value) { SetShowAs(static_cast<TShowAs>(value)); }

    bool FShowLuminance = false;
    TShowAs FShowAs = saMonocular;
    int FBrightness = 0;
    int FContrast = 0;
    int FPartSize = 0;
    bool FUseLines = false;
};
