#pragma once

#include "Childwin/ViewCamera.h"

#include <cstdint>

/// Everything a view shows the universe with, apart from its window and picture: what a new
/// view takes from the active one, what the preset derives its four views from, and what a
/// file keeps of each view. A view hands it out and takes it whole (TMDIChild::Settings,
/// ApplySettings), so a field added here travels along every one of those paths.
struct TViewSettings {
    TViewCamera Camera;
    TShowAs ShowAs = saMonocular;
    std::int32_t Contrast = 0;
    std::int32_t Brightness = 0;
    std::int32_t PartSize = 0;
    bool ShowLuminance = false;
    bool UseLines = false;
    bool ShowGrid = false;
    bool Follow = false; // the camera moves with the central particles' centre of mass

    bool operator==(const TViewSettings&) const = default;
};

/// What a view window holds from its creation until its opener gives it its own: tilted by
/// a quarter turn, zoom 0.06 x the client height, contrast 100, size 10. New View leaves
/// what it does not copy at these values. space is the Space of the universe on view.
TViewSettings CreatedViewSettings(std::int32_t clientHeight, double space);

/// A view opened with none to copy from (View 1 at start, and the preset's views then):
/// level, zoom 0.1 x the client height, contrast 130, size 12, luminance on.
TViewSettings DefaultViewSettings(std::int32_t clientHeight, double space);

/// A view opened while another is active: that view's camera, display method, size, grid
/// and following; contrast, brightness, luminance and lines stay as the new view was created.
TViewSettings OpenedBeside(const TViewSettings& active, const TViewSettings& created);

/// One of the preset's views, derived from the active view: all of it but the lines, which
/// stay as created, and level (the preset then turns and tilts each view its own way).
TViewSettings PresetFrom(const TViewSettings& active, const TViewSettings& created);
