#pragma once

#include <span>
#include <string_view>
#include <vector>

/// Window geometry in the main window's client area, in pixels.
struct TViewRect {
    int Left;
    int Top;
    int Width;
    int Height;
};

/// One cell of the "Arrange 3rd Angle + Perspective" grid: where it sits (in cells), its
/// caption and how its camera is turned relative to the active view.
struct TPresetCell {
    int Column;
    int Row;
    std::string_view Caption;
    double ElevationDegrees;     // set outright
    double AzimuthChangeDegrees; // added to the active view's azimuth
};

namespace ViewLayout {

/// The four cells: front, top, right and perspective.
std::span<const TPresetCell, 4> PresetCells();

/// Cell size of the preset grid from the client area and the two bars:
/// width (client width - 4) / 2, height (client height - bars - 8) / 2, both rounded
/// down, and never below the given minimum, so a small client area still gives usable,
/// never negative, windows.
TViewRect PresetCellSize(int clientWidth, int clientHeight, int statusBarHeight, int toolBarHeight,
                         int minWidth, int minHeight);

/// Side-by-side columns filling the area: one column per window up to three windows,
/// beyond that about the square root of the count of columns, the rightmost columns
/// taking one window more when they do not divide evenly. Windows in a column share its
/// height. Sizes are never below 1.
std::vector<TViewRect> TileVertically(int count, int areaWidth, int areaHeight);

/// Overlapping windows, each step pixels right of and below the one before. Each window
/// keeps at least minWidth x minHeight (a new view's size) where the area allows, otherwise
/// the largest size that fits; with room to spare the windows grow so that the last one
/// reaches the area's far corner. When more windows are stacked than the steps fit, the
/// stair starts again at the top left.
std::vector<TViewRect> Cascade(int count, int areaWidth, int areaHeight, int step, int minWidth,
                               int minHeight);

/// Places count minimised windows of the given size in rows along the bottom of the
/// area, left to right, each further row above the last.
std::vector<TViewRect> ArrangeIcons(int count, int iconWidth, int iconHeight, int areaWidth,
                                    int areaHeight);

} // namespace ViewLayout
