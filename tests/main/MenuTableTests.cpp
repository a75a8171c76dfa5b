#include "Main/MenuTable.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

std::vector<std::string_view> Captions(std::string_view menuName) {
    for (const TMenuRow& menu : MenuTable::MainMenu())
        if (menu.Name == menuName) {
            std::vector<std::string_view> captions;
            for (const TMenuItemRow& item : menu.Items)
                captions.push_back(item.Caption);
            return captions;
        }
    return {};
}

TEST(MenuTable, MenusInOrderWithTheirVisibility) {
    std::vector<std::string> menus;
    for (const TMenuRow& menu : MenuTable::MainMenu())
        menus.push_back(std::string(menu.Caption) + (menu.Visible ? "" : " (hidden)"));
    EXPECT_EQ(menus,
              (std::vector<std::string>{"&File", "&Edit (hidden)", "&View", "&Recorder", "&Help"}));
}

TEST(MenuTable, ViewMenuItemsInOrder) {
    EXPECT_EQ(Captions("Window1"),
              (std::vector<std::string_view>{"&New View", "&Close View", "Close &All Views",
                                             "Close(2)", "-", "Show &Grid", "-",
                                             "Arrange 3rd Angle + Perspective", "-", "&Cascade",
                                             "&Tile", "Arrange Icons", "&Minimize All"}));
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

TEST(MenuTable, ItemsKeepTheirShortcutsStatesAndHints) {
    const TMenuItemRow* save = MenuTable::FindItem("FileSaveAsItem");
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(save->Shortcut, "Shift+Ctrl+S");
    EXPECT_FALSE(save->Enabled);
    EXPECT_EQ(save->Hint, "Save current file as...");

    const TMenuItemRow* resume = MenuTable::FindItem("ContinueProcessing1");
    ASSERT_NE(resume, nullptr);
    EXPECT_EQ(resume->Caption, "Resume Processing Here");
    EXPECT_EQ(resume->Shortcut, "F5");

    const TMenuItemRow* contents = MenuTable::FindItem("Contents1");
    EXPECT_FALSE(contents->Enabled);
    EXPECT_FALSE(contents->Visible);
    EXPECT_FALSE(MenuTable::FindItem("Close2")->Visible);
    EXPECT_EQ(MenuTable::FindItem("MenuViewNew")->Hint, "Create a new file");
    EXPECT_EQ(MenuTable::FindItem("NoSuchItem"), nullptr);
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
