#include "Main/ViewLayout.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace ViewLayout {

namespace {

constexpr std::array<TPresetCell, 4> Cells{{
    {0, 0, "From Front", 0.0, 0.0},
    {0, 1, "From Top", 90.0, 0.0},
    {1, 0, "From Right", 0.0, -90.0},
    {1, 1, "Perspective", 45.0, 30.0},
}};

// Division rounding toward minus infinity, so negative spans round down as well.
int FloorHalf(int value) {
    return value >= 0 ? value / 2 : -((1 - value) / 2);
}

} // namespace

std::span<const TPresetCell, 4> PresetCells() {
    return Cells;
}

TViewRect PresetCellSize(int clientWidth, int clientHeight, int statusBarHeight, int toolBarHeight,
                         int minWidth, int minHeight) {
    const int width = FloorHalf(clientWidth - 4);
    const int height = FloorHalf(clientHeight - statusBarHeight - toolBarHeight - 8);
    return {0, 0, std::max({width, minWidth, 1}), std::max({height, minHeight, 1})};
}

std::vector<TViewRect> TileVertically(int count, int areaWidth, int areaHeight) {
    std::vector<TViewRect> rects;
    if (count <= 0)
        return rects;
    rects.reserve(static_cast<std::size_t>(count));
    const int columns =
        count <= 3 ? count : static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count))));
    const int perColumn = count / columns;
    const int longer = count % columns; // the rightmost columns take one window more
    const int width = std::max(areaWidth, columns) / columns;
    for (int column = 0; column < columns; ++column) {
        const int rows = perColumn + (column >= columns - longer ? 1 : 0);
        const int height = std::max(areaHeight, rows) / rows;
        for (int row = 0; row < rows; ++row)
            rects.push_back(
                {column * width, row * height, std::max(width, 1), std::max(height, 1)});
    }
    return rects;
}

std::vector<TViewRect> Cascade(int count, int areaWidth, int areaHeight, int step, int minWidth,
                               int minHeight) {
    std::vector<TViewRect> rects;
    if (count <= 0)
        return rects;
    rects.reserve(static_cast<std::size_t>(count));
    areaWidth = std::max(areaWidth, 1);
    areaHeight = std::max(areaHeight, 1);
    step = std::max(step, 1);
    const auto span = [&](int area, int minimum) {
        // Long division of the stair: a count of 100,000 must not overflow.
        const long long stair = static_cast<long long>(count - 1) * step;
        const long long wanted = std::max<long long>(area - stair, std::min(minimum, area));
        return static_cast<int>(std::clamp<long long>(wanted, 1, area));
    };
    const int width = span(areaWidth, minWidth);
    const int height = span(areaHeight, minHeight);
    const int places = 1 + std::min((areaWidth - width) / step, (areaHeight - height) / step);
    for (int i = 0; i < count; ++i) {
        const int at = i % places;
        rects.push_back({at * step, at * step, width, height});
    }
    return rects;
}

std::vector<TViewRect> ArrangeIcons(int count, int iconWidth, int iconHeight, int areaWidth,
                                    int areaHeight) {
    std::vector<TViewRect> rects;
    if (count <= 0)
        return rects;
    rects.reserve(static_cast<std::size_t>(count));
    iconWidth = std::max(iconWidth, 1);
    iconHeight = std::max(iconHeight, 1);
    const int perRow = std::max(areaWidth / iconWidth, 1);
    for (int i = 0; i < count; ++i) {
        const int column = i % perRow;
        const int row = i / perRow;
        rects.push_back(
            {column * iconWidth, areaHeight - (row + 1) * iconHeight, iconWidth, iconHeight});
    }
    return rects;
}

} // namespace ViewLayout
