#pragma once

#include "Main/ViewLayout.h"

#include <string>
#include <vector>

/// Where the program's windows go on the desktop, in screen pixels, and the list of recent
/// files; free of Qt so that it is tested without a display.
namespace DesktopLayout {

/// The main window at a first start: about four fifths of the screen's free area each
/// way, centred in it, so the views have room and other windows stay in reach.
TViewRect FirstMainWindow(const TViewRect& screen);

/// View 1 at a first start, placed at the top left of the views' area (area: where that
/// lies on the screen): as large as the area allows in the shape of a new view
/// (width x height), but leaving room on the screen to its right for the properties window
/// (propertiesWidth wide) to stand beside it. Where that is less than a new view, it stays
/// a new view's size.
TViewRect FirstView(const TViewRect& area, const TViewRect& screen, int propertiesWidth, int width,
                    int height);

/// The properties window (width x height) at a first start. It stands centred on the
/// screen unless that would cover the view; then it stands beside the view, to its right
/// or else to its left, at the height the centred place has (moved up only as far as the
/// screen needs), and else below it. Where none of those fits on the screen it stays
/// centred.
TViewRect PropertiesBeside(const TViewRect& screen, int width, int height, const TViewRect& view);

/// A window remembered from an earlier run, moved (not resized) so that it lies on the
/// screen as it is now: the screen may have shrunk or changed since.
TViewRect KeepOnScreen(const TViewRect& window, const TViewRect& screen);

/// A view's window taken from a file or placed by the platform, kept inside an area of
/// areaWidth x areaHeight: no larger than the area (nor smaller than minWidth x
/// minHeight), moved in as little as it takes.
TViewRect KeepInArea(const TViewRect& view, int areaWidth, int areaHeight, int minWidth,
                     int minHeight);

/// How many files the File menu's recent list holds.
inline constexpr std::size_t RecentFileCount = 5;

/// The recent list after path was opened or saved: path first, no entry twice, at most
/// RecentFileCount entries.
std::vector<std::string> WithRecentFile(std::vector<std::string> recent, const std::string& path);

} // namespace DesktopLayout
