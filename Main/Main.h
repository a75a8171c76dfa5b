#pragma once

#include "Options/PropertiesHost.h"

#include <QList>
#include <QMainWindow>

#include <cstdint>
#include <memory>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QFileDialog;
class QMenu;
class QStatusBar;
class QTimer;
class QToolBar;
class QToolButton;
class TAboutBox;
class TImageList;
class TMDIChild;
class TPositionBar;
class TPropertiesDlg;
class TRecording;
class TUniverse;
struct TSimulationContents;

/// The main window: a multiple-document frame whose children are the views. It owns the
/// one universe, builds it from the properties window's settings, steps it on a 1 ms timer
/// while processing is on, and opens, closes and arranges the views.
///
/// The platform keeps the list of views; every walk over them goes through Views() and
/// runs from the last index down to 0.
class TMainForm : public QMainWindow, public TPropertiesHost {
    Q_OBJECT
    Q_PROPERTY(bool Processing READ Processing WRITE SetProcessing NOTIFY ProcessingChanged)
    Q_PROPERTY(bool UniverseReady READ UniverseReady)
    Q_PROPERTY(int MaxSeparation READ MaxSeparation WRITE SetMaxSeparation)
    Q_PROPERTY(int LocalitySize READ LocalitySize WRITE SetLocalitySize)
    Q_PROPERTY(int MatrixResolution READ MatrixResolution WRITE SetMatrixResolution)
    Q_PROPERTY(int RedoFrequency READ RedoFrequency WRITE SetRedoFrequency)

public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    /// The two program-wide windows the main window reaches directly; both are created
    /// after the main window.
    void SetPropertiesDlg(TPropertiesDlg* dialog);
    void SetAboutBox(TAboutBox* box);
    TPropertiesDlg* PropertiesDlg() const { return FPropertiesDlg; }
    TAboutBox* AboutBox() const { return FAboutBox; }

    bool Processing() const { return FProcessing; }
    void SetProcessing(bool value);
    bool UniverseReady() const { return FUniverseReady; }

    // Pass-through settings: stored, and handed to the universe if one exists.
    int MaxSeparation() const { return FMaxSeparation; }
    int LocalitySize() const { return FLocalitySize; }
    int MatrixResolution() const { return FMatrixResolution; }
    int RedoFrequency() const { return FRedoFrequency; }
    void SetMaxSeparation(std::int32_t value) override;
    void SetLocalitySize(std::int32_t value) override;
    void SetMatrixResolution(std::int32_t value) override;
    void SetRedoFrequency(std::int32_t value) override;

    void CreateUniverse() override;
    TMDIChild* ActiveView() const override;
    /// The open views in the platform's order (creation order).
    QList<TMDIChild*> Views() const;

    /// One tick of the processing loop: one step, the figures, every view redrawn.
    void ProcessingTimerTimer();
    /// The new-universe command: the properties window, modal on its Universe page.
    void RunUniverseDialog();
    void DisplayHint(const QString& hint);
    /// Opens one view captioned title, copying the active view or using the defaults.
    void OpenView(const QString& title);
    void UpdateMenuItems();

    // Command handlers, named after their components.
    void ToolButton1Click();
    void ToolButton6Click();
    void ToolButton7Click();
    void ToolButton8Click();
    void ContinueProcessing1Click();
    void BtnStartClick();
    void BtnStopClick();
    void SpeedButton1Click();
    void SpeedButton3Click();
    void FileOpenItemClick();
    void FileSaveItemClick();
    void FileSaveAsItemClick();
    void NewSimulation1Click();
    void FileExitItemClick();
    void CutItemClick() {}
    void CopyItemClick() {}
    void PasteItemClick() {}
    void MenuViewNewClick();
    void MenuViewCloseClick();
    void MenuViewCloseAllClick();
    void MenuViewPreset1Click();
    void WindowCascadeItemClick();
    void WindowTileItemClick();
    void WindowArrangeItemClick();
    void WindowMinimizeItemClick();
    void HelpAboutItemClick();

    // Simulation files (MainFiles.cpp).
    /// Reads path and, when it is good, replaces the universe, settings and views with it;
    /// a bad file changes nothing and is reported in a message box.
    bool OpenSimulation(const QString& path);
    /// Saves to path; a failure is reported in a message box and leaves the old file.
    bool SaveSimulation(const QString& path);
    const QString& CurrentFile() const { return FCurrentFile; }
    /// A file to open instead of building the default universe at first show.
    void SetStartFile(const QString& path) { FStartFile = path; }

    // The recorder (MainRecorder.cpp).
    void StartRecording1Click();
    void StartRecording2Click();
    void Play1Click();
    void ResumeProcessingatEnd1Click();
    void Erase1Click();
    void ExportFrames1Click();
    /// Shows recorded frame index in every view, leaving live processing.
    bool ShowRecordedFrame(int index);
    /// The frame shown, or -1 while the live universe is shown.
    int ShownFrame() const { return FShownFrame; }
    bool Recording() const { return FRecording; }
    bool Playing() const { return FPlaying; }
    TRecording* CurrentRecording() const { return FRecordingFile.get(); }

    /// The one universe; absent until the first build, then kept for the program's life.
    std::unique_ptr<TUniverse> Universe;

    // Components.
    QMdiArea* MDIClient = nullptr;
    QStatusBar* StatusBar = nullptr;
    QToolBar* ToolBar1 = nullptr;
    TImageList* ImageList1 = nullptr;
    QTimer* ProcessingTimer = nullptr;
    QToolButton* ToolButton1 = nullptr;
    QToolButton* ToolButton6 = nullptr;
    QToolButton* ToolButton7 = nullptr;
    QToolButton* ToolButton8 = nullptr;
    QMenu* Window1 = nullptr;
    QAction* ContinueProcessing1 = nullptr;
    QAction* StartRecording2 = nullptr;
    QAction* Play1 = nullptr;
    QFileDialog* OpenDialog = nullptr;
    QTimer* PlayTimer = nullptr;
    TPositionBar* PositionBar = nullptr;

signals:
    void ProcessingChanged(bool processing);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void FormClose();
    void FormDestroy();

    // Building the window (MainMenus.cpp).
    void BuildMenus();
    void BuildToolBar();
    QAction* Action(const char* name) const;
    static void SetButtonImage(QToolButton* button, const TImageList& images, int index);

    void SubWindowActivated(QMdiSubWindow* window);
    void ConnectView(TMDIChild* view);
    void ShowWindowMenu();
    TMDIChild* NewViewWindow();
    void SetDefaultCamera(TMDIChild* view) const;
    QList<QAction*> WindowListActions;

    // Files and the recorder.
    void BuildRecorder();
    void UpdateCaption();
    void ApplySimulation(TSimulationContents& contents, const QString& path);
    bool AskToDiscardRecording();
    bool StartNewRecording(const QString& path);
    void SetRecording(bool value);
    void SetPlaying(bool value);
    void PlayTimerTimer();
    void LeavePlayback();
    bool ResumeAt(int index, bool askToDiscard);
    void RecordStep();
    void UniverseReplaced();
    void ShowRecorderPosition();
    void ShowFigures(float optimisation, int iteration);
    void RedrawViews(TUniverse* universe);
    QString TemporaryRecordingPath();
    QString FCurrentFile;
    QString FStartFile;
    std::unique_ptr<TRecording> FRecordingFile;
    std::unique_ptr<TUniverse> PlaybackUniverse; // what views draw while a frame is shown
    bool FRecording = false;
    bool FPlaying = false;
    bool FRecordingSaved = true; // no frames were taken since the file was last saved
    int FShownFrame = -1;

    bool FProcessing = false;
    bool FUniverseReady = false;
    bool FShown = false;
    std::int32_t FMaxSeparation = 0;
    std::int32_t FLocalitySize = 0;
    std::int32_t FMatrixResolution = 0;
    std::int32_t FRedoFrequency = 0;
    TPropertiesDlg* FPropertiesDlg = nullptr;
    TAboutBox* FAboutBox = nullptr;
};
