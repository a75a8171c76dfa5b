#include "Main/DesktopLayout.h"

#include <algorithm>

namespace DesktopLayout {

namespace {

// Between the view and the properties window beside it, so that their borders do not merge.
constexpr int Gap = 8;
constexpr double FirstShare = 0.8;

bool Overlap(const TViewRect& a, const TViewRect& b) {
    return a.Left < b.Left + b.Width && b.Left < a.Left + a.Width && a.Top < b.Top + b.Height &&
           b.Top < a.Top + a.Height;
}

bool Inside(const TViewRect& window, const TViewRect& screen) {
    return window.Left >= screen.Left && window.Top >= screen.Top &&
           window.Left + window.Width <= screen.Left + screen.Width &&
           window.Top + window.Height <= screen.Top + screen.Height;
}

// The start in [low, low + span - size], or low when size is larger than span.
int Within(int start, int size, int low, int span) {
    return std::max(low, std::min(start, low + span - size));
}

} // namespace

TViewRect FirstMainWindow(const TViewRect& screen) {
    const int width = static_cast<int>(screen.Width * FirstShare);
    const int height = static_cast<int>(screen.Height * FirstShare);
    return {screen.Left + (screen.Width - width) / 2, screen.Top + (screen.Height - height) / 2,
            width, height};
}

TViewRect FirstView(const TViewRect& area, const TViewRect& screen, int propertiesWidth, int width,
                    int height) {
    const int room = screen.Left + screen.Width - Gap - propertiesWidth - area.Left;
    int w = std::min(area.Width, room);
    int h = area.Height;
    w = std::min(w, h * width / std::max(height, 1));
    h = std::min(h, w * height / std::max(width, 1));
    if (w < width || h < height)
        return {0, 0, width, height};
    return {0, 0, w, h};
}

TViewRect PropertiesBeside(const TViewRect& screen, int width, int height, const TViewRect& view) {
    const TViewRect centred{screen.Left + (screen.Width - width) / 2,
                            screen.Top + (screen.Height - height) / 2, width, height};
    if (!Overlap(centred, view))
        return centred;
    const int top = Within(centred.Top, height, screen.Top, screen.Height);
    const TViewRect places[] = {
        {view.Left + view.Width + Gap, top, width, height},
        {view.Left - Gap - width, top, width, height},
        {Within(centred.Left, width, screen.Left, screen.Width), view.Top + view.Height + Gap,
         width, height},
    };
    for (const TViewRect& place : places)
        if (Inside(place, screen) && !Overlap(place, view))
            return place;
    return centred;
}

TViewRect KeepOnScreen(const TViewRect& window, const TViewRect& screen) {
    return {Within(window.Left, window.Width, screen.Left, screen.Width),
            Within(window.Top, window.Height, screen.Top, screen.Height), window.Width,
            window.Height};
}

TViewRect KeepInArea(const TViewRect& view, int areaWidth, int areaHeight, int minWidth,
                     int minHeight) {
    const int width = std::max(std::min(view.Width, areaWidth), minWidth);
    const int height = std::max(std::min(view.Height, areaHeight), minHeight);
    return {Within(view.Left, width, 0, areaWidth), Within(view.Top, height, 0, areaHeight), width,
            height};
}

std::vector<std::string> WithRecentFile(std::vector<std::string> recent, const std::string& path) {
    std::erase(recent, path);
    recent.insert(recent.begin(), path);
    if (recent.size() > RecentFileCount)
        recent.resize(RecentFileCount);
    return recent;
}

} // namespace DesktopLayout
