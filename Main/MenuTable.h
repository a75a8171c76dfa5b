#pragma once

#include "Main/MenuActions.h"

#include <span>
#include <string_view>

/// One item of the main menu. A caption of "-" is a separator line.
struct TMenuItemRow {
    TMenuAction Action; // where the main window keeps the item
    std::string_view Name;
    std::string_view Caption;
    std::string_view Shortcut; // portable key text ("Shift+Ctrl+S"); empty for none
    std::string_view Hint;     // shown in the status line while the item is highlighted
    bool Enabled = true;
    bool Visible = true;
    bool Checkable = false; // shows a check mark for an on/off setting
};

/// One menu of the main menu bar with its items, in order.
struct TMenuRow {
    std::string_view Name;
    std::string_view Caption;
    std::string_view Hint;
    bool Visible;
    std::span<const TMenuItemRow> Items;
};

/// The tool bar, left to right. Image -1 marks a separator, which has no Button.
struct TToolButtonRow {
    TToolButton Button; // where the main window keeps the button
    std::string_view Name;
    int Image;
    bool Visible = true;
};

namespace MenuTable {

/// The main menu bar, left to right.
std::span<const TMenuRow> MainMenu();

/// The item called name in any menu; null when there is none.
const TMenuItemRow* FindItem(std::string_view name);

std::span<const TToolButtonRow> ToolBar();

/// Width of a tool-bar separator in pixels.
constexpr int SeparatorWidth = 8;

} // namespace MenuTable
