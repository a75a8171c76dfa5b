#pragma once

#include "Main/MenuActions.h"
#include "Main/SimulationSession.h"
#include "Main/TimeLeft.h"
#include "Options/PropertiesHost.h"

#include <QList>
#include <QMainWindow>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <memory>

class QAction;
class QRect;
class QMdiArea;
class QMdiSubWindow;
class QFileDialog;
class QLabel;
class QMenu;
class QProgressBar;
class QSize;
class QStatusBar;
class QTimer;
class QToolBar;
class QToolButton;
class TAboutBox;
class THelpWindow;
class TImageList;
class TMDIChild;
class TPropertiesDlg;
class TPositionBar;
class TSettingsModel;
class TSimulationRunner;
class TStatisticsDlg;
struct TFrameRange;
struct TPreset;
struct TUniverseSnapshot;
struct TViewSettings;

/// The main window: a multiple-document frame whose children are the views. Its session
/// keeps the simulation (the runner with the one universe on an engine thread, the
/// recording, the file); the window sends the session the settings, builds and processing
/// commands, shows each new snapshot the runner publishes (checked on a 1 ms timer while
/// processing is on, and whenever the runner says it published), asks the user what the
/// session needs to know, and opens, closes and arranges the views. It never waits for the
/// engine.
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
    Q_PROPERTY(int GravityMethod READ GravityMethod WRITE SetGravityMethod)
    Q_PROPERTY(int OpeningAngle READ OpeningAngle WRITE SetOpeningAngle)

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

    /// The one current set of settings, which the properties window edits.
    TSettingsModel& SettingsModel() const { return *FSettingsModel; }

    // Pass-through settings: stored in the settings model, and sent to the engine.
    int MaxSeparation() const;
    int LocalitySize() const;
    int MatrixResolution() const;
    int RedoFrequency() const;
    int GravityMethod() const;
    int OpeningAngle() const; // in twentieths, as the properties window's slider holds it
    void SetMaxSeparation(std::int32_t value) override;
    void SetLocalitySize(std::int32_t value) override;
    void SetMatrixResolution(std::int32_t value) override;
    void SetRedoFrequency(std::int32_t value) override;
    void SetGravityMethod(std::int32_t value) override;
    void SetOpeningAngle(std::int32_t value) override;

    /// Sends a build from the properties window's settings, as a new, untitled simulation
    /// with nothing yet to save; the running step is cancelled. Its result arrives as a
    /// snapshot, a failure with its message box. Unsaved work is the caller's to ask about.
    void CreateUniverse() override;
    /// "&Apply All" of the floating properties window: asks about unsaved work first, then
    /// builds a new, untitled simulation.
    void ApplyAll() override;
    void SetStepsPerSecond(std::int32_t value) override;
    TMDIChild* ActiveView() const override;
    /// The open views in the platform's order (creation order).
    QList<TMDIChild*> Views() const;

    /// One tick of the processing loop: the newest published step, if there is one not yet
    /// shown, goes to the figures and to every view; older ones are skipped.
    void ProcessingTimerTimer();
    /// Shows the runner's newest snapshot if it is newer than the one shown.
    void TakeSnapshot();
    /// The snapshot the window shows; null before the first build ends.
    std::shared_ptr<const TUniverseSnapshot> Snapshot() const { return FSession->Snapshot(); }
    TSimulationSession& Session() const { return *FSession; }
    TSimulationRunner& Runner() const { return FSession->Runner(); }
    /// Waits until the engine has carried out every command sent (and, with processing off,
    /// has nothing left to do), then shows its newest snapshot. For tests and scripted runs
    /// only: the window does not respond meanwhile.
    bool WaitForEngine(int milliseconds = 60000);
    /// Updates the progress display in the status bar (run by its timer).
    void ProgressTimerTimer();
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
    void StepOnce1Click();
    void BtnStartClick();
    void BtnStopClick();
    void SpeedButton1Click();
    void SpeedButton3Click();
    void FileOpenItemClick();
    void FileSaveItemClick();
    void FileSaveAsItemClick();
    void NewSimulation1Click();
    void FileExportItemClick(); // the active view's picture to a PNG file (MainPicture.cpp)
    void FileExitItemClick();
    void CutItemClick() {}
    void CopyItemClick(); // the active view's picture to the clipboard
    void PasteItemClick() {}
    void MenuViewNewClick();
    void MenuViewCloseClick();
    void MenuViewCloseAllClick();
    void ShowGrid1Click();      // the active view's grid on or off, as the item's check mark says
    void MenuViewFitClick();    // the active view's camera frames the particles
    void MenuViewFollowClick(); // the active view follows the particles, as the check mark says
    void MenuViewStatisticsClick(); // shows the statistics window (MainStatistics.cpp)
    void MenuViewPreset1Click();
    void WindowCascadeItemClick();
    void WindowTileItemClick();
    void WindowArrangeItemClick();
    void WindowMinimizeItemClick();
    void HelpAboutItemClick();
    void Contents1Click(); // the help window (MainHelp.cpp)
    /// Sets the settings to preset's (the View page's only where it names them) and builds,
    /// as Apply All builds.
    void NewFromPreset(const TPreset& preset);

    // Simulation files (MainFiles.cpp).
    /// Reads path and, when it is good, replaces the universe, settings and views with it;
    /// a bad file changes nothing and is reported in a message box.
    bool OpenSimulation(const QString& path);
    /// Sends a save to path to the engine, which writes the state between steps; the
    /// outcome arrives later (caption, or a message box that says what failed).
    bool SaveSimulation(const QString& path);
    /// There is a universe to save: built, or being built, and not emptied by a failed build.
    bool CanSave() const;
    /// The settings and the views as a file keeps them now.
    TWindowRecord WindowRecord() const;
    /// Waits for the saves asked for, showing their progress, before the program ends.
    /// False when the user cancelled a save (the file it was replacing is as it was) or a
    /// save failed: the window then stays, with the work in it unsaved.
    bool FinishSaveBeforeQuit();
    const QString& CurrentFile() const { return FSession->CurrentFile(); }
    /// Asks "Save changes to NAME?" when there is unsaved work, and saves when told to
    /// (asking for a name if there is none), waiting for the save to end. True when the
    /// caller may go on to replace or drop the simulation: nothing was unsaved, the user
    /// discarded it, or it was saved. False when the user cancelled or the save failed.
    /// Building tells that a new universe from the current settings comes next, which
    /// keeps those settings: changes to them alone are then no reason to ask.
    bool MaybeSaveChanges(bool building = false);
    /// Path with the simulation files' extension added when its name has none.
    static QString WithExtension(const QString& path);
    /// A file to open instead of building the default universe at first show.
    void SetStartFile(const QString& path) { FStartFile = path; }

    // What the desktop keeps between runs (MainDesktop.cpp): window places, the Speed
    // choice, recorder options, folders and recent files. Universe settings are not kept:
    // they belong to simulation files.
    /// Before the first showing: the main window's remembered place, or about four fifths
    /// of the screen at a first start, and the remembered choices.
    void RestoreDesktop();
    /// After the first showing: the properties window where it stood last, or at a first
    /// start beside View 1 rather than over it.
    void PlacePropertiesDlg();
    /// Keeps the window places and choices for the next run (also done on closing).
    void SaveDesktop();
    /// The File menu's recent files, newest first.
    QStringList RecentFiles() const;

    // The recorder (MainRecorder.cpp).
    void StartRecording1Click();
    void StartRecording2Click();
    void Play1Click();
    void ResumeProcessingatEnd1Click();
    void Erase1Click();
    void ExportFrames1Click();
    /// Writes frames range (numbered from 1) of the active view as numbered PNG files in
    /// folder, which is created if missing, with a progress dialog whose Cancel stops it.
    /// Shows again what was shown before. False when cancelled or a file failed (reported).
    bool ExportFrames(const TFrameRange& range, const QString& folder);
    void ExportVideoItemClick();
    /// Renders frames range (numbered from 1) of the active view into the MP4 file path at
    /// size and rate, on a thread of its own behind a progress dialog whose Cancel stops it.
    /// False when cancelled or failed (reported in a message box).
    bool ExportVideo(const TFrameRange& range, const QSize& size, int framesPerSecond,
                     const QString& path);
    /// Shows recorded frame index in every view instead of the live universe.
    bool ShowRecordedFrame(int index) { return FSession->ShowRecordedFrame(index); }
    /// The frame shown, or -1 while the live universe is shown.
    int ShownFrame() const { return FSession->ShownFrame(); }
    bool Recording() const { return FSession->Recording(); }
    bool Playing() const { return FSession->Playing(); }
    /// The frame the engine is working out to resume processing from, or -1.
    int ResumingFrame() const { return FSession->ResumingFrame(); }
    /// Frames in the recording (0 without one).
    int RecordedFrames() const { return FSession->RecordedFrames(); }
    /// Above this size (a gigabyte) a recording stops once to ask whether to go on.
    void SetLargeRecording(std::uint64_t bytes) { FLargeRecording = bytes; }

    // Components.
    QMdiArea* MDIClient = nullptr;
    QStatusBar* StatusBar = nullptr;
    QToolBar* ToolBar1 = nullptr;
    TImageList* ImageList1 = nullptr;
    QTimer* ProcessingTimer = nullptr;
    QTimer* ProgressTimer = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QLabel* ProgressLabel = nullptr;
    TToolButtons ToolButtons; // every tool-bar button, filled from the tool-bar table
    QMenu* Window1 = nullptr;
    TMenuActions Actions; // every menu item, filled from the menu table
    TPositionBar* PositionBar = nullptr;
    QLabel* RecordingSizeLabel = nullptr; // the recording's size, in the status bar
    QFileDialog* OpenDialog = nullptr;
    QFileDialog* ExportDialog = nullptr;     // "Export Picture...": a PNG file to write
    TStatisticsDlg* StatisticsDlg = nullptr; // a tool window, hidden until asked for
    THelpWindow* HelpWindow = nullptr;       // made when first asked for

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
    void BuildPresetMenu();
    static void SetButtonImage(QToolButton* button, const TImageList& images, int index);

    void SubWindowActivated(QMdiSubWindow* window);
    void ConnectView(TMDIChild* view);
    void ShowWindowMenu();
    TMDIChild* NewViewWindow();
    /// How a new view derives its settings from the active one (OpenedBeside, PresetFrom).
    using TViewCopyRule = TViewSettings (*)(const TViewSettings& active,
                                            const TViewSettings& created);
    /// The settings view starts with: copied by rule from active, or the defaults without one.
    TViewSettings NewViewSettings(const TMDIChild* view, const TMDIChild* active,
                                  TViewCopyRule copy) const;
    void BuildProgress();
    void ShowSnapshot(std::shared_ptr<const TUniverseSnapshot> snapshot);
    void TakePacedSnapshot();
    void BuildEnded(const TUniverseSnapshot& snapshot);
    QList<QAction*> WindowListActions;

    std::unique_ptr<TSimulationSession> FSession;
    // When a step was last shown while processing (see TakePacedSnapshot).
    std::chrono::steady_clock::time_point FPacedShownAt;
    std::uint64_t FBuildsSeen = 0;
    double FSpace = 0; // of the universe last sent to be built: new views' cameras start there
    std::int64_t FBuildRows = 0; // of the build last sent: its particles, a row each
    TTimeLeft FTimeLeft;         // of the work the status line shows
    std::chrono::steady_clock::time_point FTimeLeftSince{};
    bool FEverBuilt = false;      // a build has succeeded
    bool FEmptyBuildSent = false; // the build sent last asked for no particles
    bool FAskingToSave = false;   // MaybeSaveChanges is under way

    // Files and the recorder: the window's side of the session.
    void BuildRecorder();
    void ConnectSession();
    void UpdateCaption();
    void SaveEnded(const QString& path, const QString& error);
    void SaveCancelled(const QString& path);
    /// The file a save should write: the current one, or one the user names (empty when
    /// the user cancelled).
    QString SavePath();
    void ApplySimulation(TSimulationContents& contents, const QString& path);
    bool AskToDiscardRecording();
    /// On asks first to replace a recording that does not fit the universe.
    void SetRecording(bool value);
    bool ResumeAt(int index, bool askToDiscard);
    void ShowRecorderPosition();
    void CheckRecordingSize(std::uint64_t bytes);
    std::uint64_t FLargeRecording = 1'000'000'000;
    bool FLargeRecordingAsked = false;
    void ShowFigures(float optimisation, int iteration);
    void ShowFrame(const std::shared_ptr<const TUniverseSnapshot>& frame);
    void ShowLive();
    // The statistics window (MainStatistics.cpp).
    void BuildStatistics();
    void StatisticsSamplingChanged(bool on);
    std::shared_ptr<const TUniverseSnapshot> FFrameShown; // the recorded frame shown, if any
    void ShowError(const QString& text);
    QString FExportFolder;     // where frames were exported last
    QString FSimulationFolder; // where a simulation was opened or saved last
    /// path was opened or saved: it heads the recent files, its folder is the next start.
    void RememberFile(const QString& path);
    void ShowRecentFiles();
    /// Gives a view the geometry wanted (by the platform or a file) as far as the MDI area
    /// can show it: shrunk to the area and moved into it. Never sized larger first, so a
    /// huge request costs nothing.
    void PlaceViewInArea(TMDIChild* view, const QRect& wanted);
    /// At a first start: View 1 takes the room that the properties window leaves beside it.
    void SizeFirstView(TMDIChild* view, int propertiesWidth);
    QString FStartFile;
    bool FProcessing = false;
    bool FUniverseReady = false;
    bool FShown = false;
    TSettingsModel* FSettingsModel = nullptr; // a child of the window
    TPropertiesDlg* FPropertiesDlg = nullptr;
    TAboutBox* FAboutBox = nullptr;
};
