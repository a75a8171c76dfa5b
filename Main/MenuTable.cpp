#include "Main/MenuTable.h"

#include <array>

namespace MenuTable {

namespace {

// clang-format off
constexpr std::array<TMenuItemRow, 7> FileItems{{
    {"FileOpenItem", "&Open Simulation...", "Ctrl+O", "Open an existing file"},
    {"NewSimulation1", "New Simulation...", "", ""},
    {"FileSaveItem", "&Save Simulation", "Ctrl+S", "Save current file", false},
    {"FileSaveAsItem", "Save Simulation &As...", "Shift+Ctrl+S", "Save current file as...", false},
    {"FileExportItem", "&Export Picture...", "Ctrl+E", "Save the active view's picture as a PNG file", false},
    {"N1", "-", "", ""},
    {"FileExitItem", "E&xit", "Ctrl+Q", "Exit the application"},
}};

constexpr std::array<TMenuItemRow, 3> EditItems{{
    {"CutItem", "Cu&t", "", "Cut to clipboard", false},
    {"CopyItem", "&Copy", "Ctrl+C", "Copy to clipboard", false},
    {"PasteItem", "&Paste", "", "Paste from clipboard", false},
}};

constexpr std::array<TMenuItemRow, 13> ViewItems{{
    {"MenuViewNew", "&New View", "Ctrl+N", "Create a new file"},
    {"MenuViewClose", "&Close View", "Ctrl+W", "Close current file"},
    {"MenuViewCloseAll", "Close &All Views", "Shift+Ctrl+W", ""},
    {"Close2", "Close(2)", "Ctrl+F4", "", true, false},
    {"N4", "-", "", ""},
    {"ShowGrid1", "Show &Grid", "", "Show axes and a grid in the plane y = 0 under the particles", true, true, true},
    {"N2", "-", "", ""},
    {"MenuViewPreset1", "Arrange 3rd Angle + Perspective", "F9", ""},
    {"N6", "-", "", ""},
    {"WindowCascadeItem", "&Cascade", "Shift+F5", "Arrange windows to overlap"},
    {"WindowTileItem", "&Tile", "Shift+F4", "Arrange windows without overlap"},
    {"WindowArrangeItem", "Arrange Icons", "", "Arrange window icons at bottom of main window"},
    {"WindowMinimizeItem", "&Minimize All", "", "Minimize all windows"},
}};

constexpr std::array<TMenuItemRow, 9> RecorderItems{{
    {"StartRecording1", "New Recording...", "", ""},
    {"StartRecording2", "Start Recording", "", "", true, true, true},
    {"Play1", "Play", "", "", true, true, true},
    {"ContinueProcessing1", "Resume Processing Here", "F5", ""},
    {"StepOnce1", "Step Once", "F6", "Take one step while processing is off"},
    {"ResumeProcessingatEnd1", "Resume Processing from End", "", "", false},
    {"N3", "-", "", ""},
    {"Erase1", "Recorder Options...", "", ""},
    {"ExportFrames1", "Export Frames...", "", "Write recorded frames of the active view as numbered PNG pictures", false},
}};

constexpr std::array<TMenuItemRow, 3> HelpItems{{
    {"Contents1", "&Contents", "F1", "", false, false},
    {"N5", "-", "", "", false, false},
    {"HelpAboutItem", "&About", "", ""},
}};

constexpr std::array<TMenuRow, 5> Menus{{
    {"File1", "&File", "File related commands", true, FileItems},
    {"Edit1", "&Edit", "Edit related commands", true, EditItems},
    {"Window1", "&View", "Window related commands such as Tile and Cascade", true, ViewItems},
    {"Recorder1", "&Recorder", "Record, play back and resume", true, RecorderItems},
    {"Help1", "&Help", "Help topics", true, HelpItems},
}};

constexpr std::array<TToolButtonRow, 9> Buttons{{
    {"ToolButton1", 0},
    {"ToolButton3", 1},
    {"ToolButton5", 2},
    {"ToolButton4", -1},
    {"ToolButton6", 3},
    {"ToolButton9", -1},
    {"ToolButton8", 6},
    {"ToolButton7", 5},
    {"ToolButton10", 7, false},
}};
// clang-format on

} // namespace

std::span<const TMenuRow> MainMenu() {
    return Menus;
}

const TMenuItemRow* FindItem(std::string_view name) {
    for (const auto& menu : Menus)
        for (const auto& item : menu.Items)
            if (item.Name == name)
                return &item;
    return nullptr;
}

std::span<const TToolButtonRow> ToolBar() {
    return Buttons;
}

} // namespace MenuTable
