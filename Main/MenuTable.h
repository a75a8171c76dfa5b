#pragma once

#include <span>
#include <string_view>

/// One item of the main menu. A caption of "-" is a separator line.
struct TMenuItemSpec {
    std::string_view Name;
    std::string_view Caption;
    std::string_view Shortcut; // portable key text ("Shift+Ctrl+S"); empty for none
    std::string_view Hint;     // shown in the status line while the item is highlighted
    bool Enabled = true;
    bool Visible = true;
};

/// One menu of the main menu bar with its items, in order.
struct TMenuSpec {
    std::string_view Name;
    std::string_view Caption;
    std::string_view Hint;
    bool Visible;
    std::span<const TMenuItemSpec> Items;
};

/// The tool bar, left to right. Image -1 marks a separator.
struct TToolButtonSpec {
    std::string_view Name;
    int Image;
    bool Visible = true;
};

namespace MenuTable {

/// The main menu bar, left to right.
std::span<const TMenuSpec> MainMenu();

/// The item called name in any menu; null when there is none.
const TMenuItemSpec* FindItem(std::string_view name);

std::span<const TToolButtonSpec> ToolBar();

/// Width of a tool-bar separator in pixels.
constexpr int SeparatorWidth = 8;

} // namespace MenuTable
