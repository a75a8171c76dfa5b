#include "Main/MenuTable.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

// Every menu and item written out by hand: name, caption, shortcut, state and hint. A menu
// line reads "Name Caption [hidden] : hint"; an item line
// "Name | Caption | Shortcut | states | Hint" with the states disabled, hidden, checkable.
TEST(MenuTable, EveryMenuAndItemAsWrittenOut) {
    const std::vector<std::string> expected{
        "File1 &File : File related commands",
        "FileOpenItem | &Open Simulation... | Ctrl+O |  | Open an existing file",
        "NewSimulation1 | New Simulation... |  |  | ",
        "NewFromPreset1 | New from &Preset |  |  | Build a ready-made universe, tried at its size",
        "FileSaveItem | &Save Simulation | Ctrl+S | disabled | Save current file",
        "FileSaveAsItem | Save Simulation &As... | Shift+Ctrl+S | disabled | Save current file "
        "as...",
        "FileExportItem | &Export Picture... | Ctrl+E | disabled | Save the active view's picture "
        "as a PNG file",
        "FileRecentItem | Recent &Files |  | disabled | Open a simulation opened or saved lately",
        "N1 | - |  |  | ",
        "FileExitItem | E&xit | Ctrl+Q |  | Exit the application",
        "Edit1 &Edit : Edit related commands",
        "CutItem | Cu&t |  | disabled | Cut to clipboard",
        "CopyItem | &Copy | Ctrl+C | disabled | Copy to clipboard",
        "PasteItem | &Paste |  | disabled | Paste from clipboard",
        "Window1 &View : Window related commands such as Tile and Cascade",
        "MenuViewNew | &New View | Ctrl+N |  | Create a new file",
        "MenuViewClose | &Close View | Ctrl+W |  | Close current file",
        "MenuViewCloseAll | Close &All Views | Shift+Ctrl+W |  | ",
        "Close2 | Close(2) | Ctrl+F4 | hidden | ",
        "N4 | - |  |  | ",
        "ShowGrid1 | Show &Grid |  | checkable | Show axes and a grid in the plane y = 0 under "
        "the particles",
        "MenuViewFit | &Fit to Particles | Home | disabled | Move the active view's camera so "
        "that the central 98% of the particles fill the view",
        "MenuViewFollow | F&ollow Centre of Mass |  | disabled checkable | Move the active "
        "view's camera with the centre of mass of the central particles",
        "MenuViewStatistics | &Statistics | Ctrl+T |  | Plot the energies, momentum, heat and "
        "half-mass radius against the iteration",
        "N2 | - |  |  | ",
        "MenuViewPreset1 | Arrange 3rd Angle + Perspective | F9 |  | ",
        "N6 | - |  |  | ",
        "WindowCascadeItem | &Cascade | Shift+F5 |  | Arrange windows to overlap",
        "WindowTileItem | &Tile | Shift+F4 |  | Arrange windows without overlap",
        "WindowArrangeItem | Arrange Icons |  |  | Arrange window icons at bottom of main window",
        "WindowMinimizeItem | &Minimize All |  |  | Minimize all windows",
        "Recorder1 &Recorder : Record, play back and resume",
        "StartRecording1 | New Recording... |  |  | ",
        "StartRecording2 | Start Recording |  | checkable | ",
        "Play1 | Play |  | checkable | ",
        "ContinueProcessing1 | Resume Processing Here | F5 |  | ",
        "StepOnce1 | Step Once | F6 |  | Take one step while processing is off",
        "ResumeProcessingatEnd1 | Resume Processing from End |  | disabled | ",
        "N3 | - |  |  | ",
        "Erase1 | Recorder Options... |  |  | ",
        "ExportFrames1 | Export Frames... |  | disabled | Write recorded frames of the active "
        "view as numbered PNG pictures",
        "ExportVideoItem | Export &Video... |  | disabled | Render recorded frames of the active "
        "view into an MP4 video",
        "Help1 &Help : Help topics",
        "Contents1 | Astrivo &Help | F1 |  | The mouse and keys, the properties, display "
        "methods, files and the command line",
        "N5 | - |  |  | ",
        "HelpAboutItem | &About |  |  | ",
    };
    std::vector<std::string> actual;
    for (const TMenuRow& menu : MenuTable::MainMenu()) {
        actual.push_back(std::string(menu.Name) + " " + std::string(menu.Caption) +
                         (menu.Visible ? "" : " hidden") + " : " + std::string(menu.Hint));
        for (const TMenuItemRow& item : menu.Items) {
            std::string states;
            for (const auto& [on, word] :
                 {std::pair{!item.Enabled, "disabled"}, std::pair{!item.Visible, "hidden"},
                  std::pair{item.Checkable, "checkable"}})
                if (on) {
                    if (!states.empty())
                        states += ' ';
                    states += word;
                }
            actual.push_back(std::string(item.Name) + " | " + std::string(item.Caption) + " | " +
                             std::string(item.Shortcut) + " | " + states + " | " +
                             std::string(item.Hint));
        }
    }
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(MenuTable::FindItem("NoSuchItem"), nullptr);
    EXPECT_EQ(MenuTable::FindItem("CopyItem")->Shortcut, "Ctrl+C");
}

TEST(MenuTable, NamesAreUniqueAndShortcutsDoNotClash) {
    std::set<std::string_view> names;
    std::set<std::string_view> shortcuts;
    for (const TMenuRow& menu : MenuTable::MainMenu()) {
        EXPECT_TRUE(names.insert(menu.Name).second) << menu.Name;
        for (const TMenuItemRow& item : menu.Items) {
            EXPECT_TRUE(names.insert(item.Name).second) << item.Name;
            if (!item.Shortcut.empty()) {
                EXPECT_TRUE(shortcuts.insert(item.Shortcut).second) << item.Shortcut;
            }
        }
    }
    for (const TToolButtonRow& button : MenuTable::ToolBar())
        EXPECT_TRUE(names.insert(button.Name).second) << button.Name;
}

TEST(MenuTable, ToolBarLeftToRight) {
    std::vector<std::string> buttons;
    for (const TToolButtonRow& button : MenuTable::ToolBar())
        buttons.push_back(std::string(button.Name) + ":" + std::to_string(button.Image) +
                          (button.Visible ? "" : " hidden"));
    EXPECT_EQ(buttons, (std::vector<std::string>{"ToolButton1:0", "ToolButton3:1", "ToolButton5:2",
                                                 "ToolButton4:-1", "ToolButton6:3",
                                                 "ToolButton9:-1", "ToolButton8:6", "ToolButton7:5",
                                                 "ToolButton10:7 hidden"}));
}

} // namespace
