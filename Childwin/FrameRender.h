#pragma once

#include "Childwin/DotBlend.h"
#include "Childwin/EyeTurn.h"
#include "Childwin/PixelFrame.h"
#include "Childwin/ViewCamera.h"

#include <cstdint>
#include <vector>

class TDisplayList;
class TLineList;
struct TUniverseSnapshot;

/// Where a view last drew one particle, in window pixels; -999 when it was hidden.
struct TDrawnPoint {
    std::int32_t ScreenX = 0;
    std::int32_t ScreenY = 0;
};
using TDrawnPoints = std::vector<TDrawnPoint>;

/// Everything of a view that shapes its picture.
struct TFrameSettings {
    TViewCamera Camera;
    std::int32_t CentreX = 0;
    std::int32_t CentreY = 0;
    std::int32_t ClientWidth = 0; // dots are clipped against the window, not the bitmap
    std::int32_t ClientHeight = 0;
    TShowAs ShowAs = saMonocular;
    bool ShowLuminance = false;
    bool UseLines = false;
    TDotStyle Dots;
    TEyeTurn Eye; // a stereo picture's eye; the plain camera when not Turned
    // The reference grid is drawn by the frame's painter, not here.
    bool ShowGrid = false;
    double GridSpace = 0; // half the grid's span, the universe's Space
};

/// The settings of a view measured in its own (logical) pixels, made for drawing into a
/// frame of deviceWidth x deviceHeight physical pixels, ratio of them to each logical one:
/// the zooms grow by ratio, so the picture has the same shape and dots the same size on
/// the screen, drawn with the screen's finer pixels rather than as blocks of them.
TFrameSettings ForDevicePixels(const TFrameSettings& settings, double ratio,
                               std::int32_t deviceWidth, std::int32_t deviceHeight);

/// Draws the snapshot's particles into a frame that has already been cleared: projects
/// every particle, sorts them by depth and blends them in nearest first. Every particle
/// in front of the camera gets its screen point in points (one per particle, kept by the
/// view from frame to frame, grown with zeros or cut to the particle count here): its
/// rounded window point when drawn, -999 when hidden; particles at depth 1 or nearer keep
/// theirs. Fills lines with the connecting lines of the close pairs, in pair order, when
/// the universe has stepped and UseLines is on; a line joins two particles only if both
/// were drawn in this frame. The display list is allocated and released here; without a
/// snapshot, a display list or particles the frame stays black and lines stays empty.
void RenderUniverse(const TUniverseSnapshot* universe, TDisplayList* list, const TPixelFrame& frame,
                    const TFrameSettings& settings, TLineList& lines, TDrawnPoints& points);
