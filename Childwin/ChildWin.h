#pragma once

#include "Childwin/ViewCamera.h"

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <memory>

class QMdiArea;
class QMdiSubWindow;
class TDisplayList;
class TUniverse;

/// One view window: a camera and display settings of its own, drawing the shared universe
/// into an off-screen frame. Lives as the widget of a sub-window of the main window's MDI
/// area; closing the sub-window destroys it.
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
    /// null). The caller sets caption, camera, Universe, then calls FormResize.
    static TMDIChild* Create(QMdiArea* area, const TUniverse* mainUniverse);

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

    void FormCreate(const TUniverse* mainUniverse);
    void FormResize();
    void FormActivate(); // emits Activated; the main window calls it on activation
    void ResizeFrame();
    void ClearFrame();
    void RenderFrame();
    void PresentFrame();

    // View state other windows read and write directly.
    QImage Frame;
    std::unique_ptr<TDisplayList> DisplayList;
    bool Closing = false;
    bool FrameValid = false;
    TUniverse* Universe = nullptr; // not owned; may be null
    std::int32_t LastMouseX = 0, LastMouseY = 0;
    bool Panning = false, Zooming = false, Rotating = false, Dollying = false;
    std::int32_t CentreX = 0, CentreY = 0;
    TViewCamera Camera;

signals:
    /// The ShowAs setter stored a new value: the properties window selects this row.
    void ShowAsSelected(int index);
    /// This view became the active one: the properties window shows its ShowAs and Contrast.
    void Activated(TMDIChild* view);

private:
    int ShowAsIndex() const { return FShowAs; }
    void SetShowAsIndex(int value) { SetShowAs(static_cast<TShowAs>(value)); }

    bool FShowLuminance = false;
    TShowAs FShowAs = saMonocular;
    int FBrightness = 0;
    int FContrast = 0;
    int FPartSize = 0;
    bool FUseLines = false;
};
