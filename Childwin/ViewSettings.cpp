#include "Childwin/ViewSettings.h"

#include <numbers>

namespace {

// The camera starts five universe widths back, so the whole cloud is in sight.
constexpr double DollyPerSpace = -5;

} // namespace

TViewSettings CreatedViewSettings(std::int32_t clientHeight, double space) {
    TViewSettings settings;
    settings.Camera.ZoomX = settings.Camera.ZoomY = 0.06 * clientHeight;
    settings.Camera.Elevation = std::numbers::pi / 4;
    settings.Camera.Dolly = DollyPerSpace * space;
    settings.ShowAs = saMonocular;
    settings.ShowLuminance = true;
    settings.Contrast = 100;
    settings.Brightness = 0;
    settings.PartSize = 10;
    return settings;
}

TViewSettings DefaultViewSettings(std::int32_t clientHeight, double space) {
    TViewSettings settings;
    settings.Camera.ZoomX = settings.Camera.ZoomY = 0.1 * clientHeight;
    settings.Camera.Dolly = DollyPerSpace * space;
    settings.ShowAs = saMonocular;
    settings.Contrast = 130;
    settings.Brightness = 0;
    settings.PartSize = 12;
    settings.ShowLuminance = true;
    return settings;
}

TViewSettings OpenedBeside(const TViewSettings& active, const TViewSettings& created) {
    TViewSettings settings = created;
    settings.Camera = active.Camera;
    settings.ShowAs = active.ShowAs;
    settings.PartSize = active.PartSize;
    settings.ShowGrid = active.ShowGrid;
    settings.Follow = active.Follow;
    return settings;
}

TViewSettings PresetFrom(const TViewSettings& active, const TViewSettings& created) {
    TViewSettings settings = active;
    settings.UseLines = created.UseLines;
    settings.Camera.Elevation = 0;
    return settings;
}
