#include "Main/MenuTable.h"

#include <array>

namespace MenuTable {

namespace {

// A row's member and its component name, spelt once.
#define ROW(name) &TMenuActions::name, #name
#define BUTTON(name) &TToolButtons::name, #name

// clang-format off
constexpr std::array<TMenuItemRow, 9> FileItems{{
    {ROW(FileOpenItem), "&Open Simulation...", "Ctrl+O", "Open an existing file"},
    {ROW(NewSimulation1), "New Simulation...", "", ""},
    {ROW(NewFromPreset1), "New from &Preset", "", "Build a ready-made universe, tried at its size"},
    {ROW(FileSaveItem), "&Save Simulation", "Ctrl+S", "Save current file", false},
    {ROW(FileSaveAsItem), "Save Simulation &As...", "Shift+Ctrl+S", "Save current file as...", false},
    {ROW(FileExportItem), "&Export Picture...", "Ctrl+E", "Save the active view's picture as a PNG file", false},
    {ROW(FileRecentItem), "Recent &Files", "", "Open a simulation opened or saved lately", false},
    {ROW(N1), "-", "", ""},
    {ROW(FileExitItem), "E&xit", "Ctrl+Q", "Exit the application"},
}};

constexpr std::array<TMenuItemRow, 3> EditItems{{
    {ROW(CutItem), "Cu&t", "", "Cut to clipboard", false},
    {ROW(CopyItem), "&Copy", "Ctrl+C", "Copy to clipboard", false},
    {ROW(PasteItem), "&Paste", "", "Paste from clipboard", false},
}};

constexpr std::array<TMenuItemRow, 16> ViewItems{{
    {ROW(MenuViewNew), "&New View", "Ctrl+N", "Create a new file"},
    {ROW(MenuViewClose), "&Close View", "Ctrl+W", "Close current file"},
    {ROW(MenuViewCloseAll), "Close &All Views", "Shift+Ctrl+W", ""},
    {ROW(Close2), "Close(2)", "Ctrl+F4", "", true, false},
    {ROW(N4), "-", "", ""},
    {ROW(ShowGrid1), "Show &Grid", "", "Show axes and a grid in the plane y = 0 under the particles", true, true, true},
    {ROW(MenuViewFit), "&Fit to Particles", "Home", "Move the active view's camera so that the central 98% of the particles fill the view", false},
    {ROW(MenuViewFollow), "F&ollow Centre of Mass", "", "Move the active view's camera with the centre of mass of the central particles", false, true, true},
    {ROW(MenuViewStatistics), "&Statistics", "Ctrl+T", "Plot the energies, momentum, heat and half-mass radius against the iteration"},
    {ROW(N2), "-", "", ""},
    {ROW(MenuViewPreset1), "Arrange 3rd Angle + Perspective", "F9", ""},
    {ROW(N6), "-", "", ""},
    {ROW(WindowCascadeItem), "&Cascade", "Shift+F5", "Arrange windows to overlap"},
    {ROW(WindowTileItem), "&Tile", "Shift+F4", "Arrange windows without overlap"},
    {ROW(WindowArrangeItem), "Arrange Icons", "", "Arrange window icons at bottom of main window"},
    {ROW(WindowMinimizeItem), "&Minimize All", "", "Minimize all windows"},
}};

constexpr std::array<TMenuItemRow, 10> RecorderItems{{
    {ROW(StartRecording1), "New Recording...", "", ""},
    {ROW(StartRecording2), "Start Recording", "", "", true, true, true},
    {ROW(Play1), "Play", "", "", true, true, true},
    {ROW(ContinueProcessing1), "Resume Processing Here", "F5", ""},
    {ROW(StepOnce1), "Step Once", "F6", "Take one step while processing is off"},
    {ROW(ResumeProcessingatEnd1), "Resume Processing from End", "", "", false},
    {ROW(N3), "-", "", ""},
    {ROW(Erase1), "Recorder Options...", "", ""},
    {ROW(ExportFrames1), "Export Frames...", "", "Write recorded frames of the active view as numbered PNG pictures", false},
    {ROW(ExportVideoItem), "Export &Video...", "", "Render recorded frames of the active view into an MP4 video", false},
}};

constexpr std::array<TMenuItemRow, 3> HelpItems{{
    {ROW(Contents1), "Astrivo &Help", "F1", "The mouse and keys, the properties, display methods, files and the command line"},
    {ROW(N5), "-", "", ""},
    {ROW(HelpAboutItem), "&About", "", ""},
}};

constexpr std::array<TMenuRow, 5> Menus{{
    {"File1", "&File", "File related commands", true, FileItems},
    {"Edit1", "&Edit", "Edit related commands", true, EditItems},
    {"Window1", "&View", "Window related commands such as Tile and Cascade", true, ViewItems},
    {"Recorder1", "&Recorder", "Record, play back and resume", true, RecorderItems},
    {"Help1", "&Help", "Help topics", true, HelpItems},
}};

constexpr std::array<TToolButtonRow, 9> Buttons{{
    {BUTTON(ToolButton1), 0},
    {BUTTON(ToolButton3), 1},
    {BUTTON(ToolButton5), 2},
    {nullptr, "ToolButton4", -1},
    {BUTTON(ToolButton6), 3},
    {nullptr, "ToolButton9", -1},
    {BUTTON(ToolButton8), 6},
    {BUTTON(ToolButton7), 5},
    {BUTTON(ToolButton10), 7, false},
}};
// clang-format on
#undef ROW
#undef BUTTON

constexpr std::size_t ItemCount() {
    std::size_t count = 0;
    for (const auto& menu : Menus)
        count += menu.Items.size();
    return count;
}

constexpr bool EveryRowHasAMemberOfItsOwn() {
    for (const auto& menu : Menus)
        for (const auto& item : menu.Items)
            for (const auto& other : Menus)
                for (const auto& otherItem : other.Items)
                    if (&item != &otherItem && item.Action == otherItem.Action)
                        return false;
    return true;
}

constexpr bool EveryButtonHasAMemberOfItsOwn() {
    std::size_t buttons = 0;
    for (const auto& row : Buttons) {
        if ((row.Image < 0) != (row.Button == nullptr))
            return false;
        if (row.Button)
            ++buttons;
        for (const auto& other : Buttons)
            if (&row != &other && row.Button && row.Button == other.Button)
                return false;
    }
    return buttons * sizeof(QToolButton*) == sizeof(TToolButtons);
}

// Distinct members, as many as the struct holds: each member has exactly one row.
static_assert(EveryRowHasAMemberOfItsOwn());
static_assert(ItemCount() * sizeof(QAction*) == sizeof(TMenuActions),
              "TMenuActions holds a member that no menu row fills");
static_assert(EveryButtonHasAMemberOfItsOwn(),
              "the tool bar's buttons and the members of TToolButtons do not pair off");

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
