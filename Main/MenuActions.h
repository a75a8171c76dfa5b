#pragma once

class QAction;
class QToolButton;

/// The main menu's items, one member for each row of the menu table (separators included),
/// named after the row's component. Every row names its member, and the table checks that
/// the rows and the members pair off one to one: a command the code uses but the table
/// lacks, or a row the window would not hold, fails to build.
struct TMenuActions {
    // File
    QAction* FileOpenItem = nullptr;
    QAction* NewSimulation1 = nullptr;
    QAction* NewFromPreset1 = nullptr;
    QAction* FileSaveItem = nullptr;
    QAction* FileSaveAsItem = nullptr;
    QAction* FileExportItem = nullptr;
    QAction* FileRecentItem = nullptr;
    QAction* N1 = nullptr;
    QAction* FileExitItem = nullptr;
    // Edit
    QAction* CutItem = nullptr;
    QAction* CopyItem = nullptr;
    QAction* PasteItem = nullptr;
    // View
    QAction* MenuViewNew = nullptr;
    QAction* MenuViewClose = nullptr;
    QAction* MenuViewCloseAll = nullptr;
    QAction* Close2 = nullptr;
    QAction* N4 = nullptr;
    QAction* ShowGrid1 = nullptr;
    QAction* MenuViewFit = nullptr;
    QAction* MenuViewFollow = nullptr;
    QAction* MenuViewStatistics = nullptr;
    QAction* N2 = nullptr;
    QAction* MenuViewPreset1 = nullptr;
    QAction* N6 = nullptr;
    QAction* WindowCascadeItem = nullptr;
    QAction* WindowTileItem = nullptr;
    QAction* WindowArrangeItem = nullptr;
    QAction* WindowMinimizeItem = nullptr;
    // Recorder
    QAction* StartRecording1 = nullptr;
    QAction* StartRecording2 = nullptr;
    QAction* Play1 = nullptr;
    QAction* ContinueProcessing1 = nullptr;
    QAction* StepOnce1 = nullptr;
    QAction* ResumeProcessingatEnd1 = nullptr;
    QAction* N3 = nullptr;
    QAction* Erase1 = nullptr;
    QAction* ExportFrames1 = nullptr;
    QAction* ExportVideoItem = nullptr;
    // Help
    QAction* Contents1 = nullptr;
    QAction* N5 = nullptr;
    QAction* HelpAboutItem = nullptr;
};

/// One member of TMenuActions.
using TMenuAction = QAction* TMenuActions::*;

/// The tool bar's buttons, one member for each button row of the tool-bar table (the
/// separators between them are frames the window does not keep), paired off like the menu.
struct TToolButtons {
    QToolButton* ToolButton1 = nullptr;
    QToolButton* ToolButton3 = nullptr;
    QToolButton* ToolButton5 = nullptr;
    QToolButton* ToolButton6 = nullptr;
    QToolButton* ToolButton8 = nullptr;
    QToolButton* ToolButton7 = nullptr;
    QToolButton* ToolButton10 = nullptr;
};

/// One member of TToolButtons.
using TToolButton = QToolButton* TToolButtons::*;
