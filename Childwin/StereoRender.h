#pragma once

#include "Childwin/EyeTurn.h"
#include "Childwin/FrameRender.h"
#include "Childwin/PixelFrame.h"

#include <cstdint>

/// The part of a frame one eye's picture takes: all of it for the anaglyph, one half side
/// by side for parallel viewing.
struct TEyeArea {
    std::int32_t Left = 0;
    std::int32_t Width = 0;
};

namespace StereoRender {

/// Side-by-side halves of equal width, the left eye's on the left, for parallel
/// (wall-eyed) viewing; in an odd width the middle column stays black.
TEyeArea SideBySide(std::int32_t frameWidth, TEye eye);

/// The settings one eye is drawn with: the view's own (contrast, size, luminance, lines,
/// zoom) with the camera turned to the eye, drawn as a plain picture into area, centred
/// in it and clipped to it.
TFrameSettings EyeSettings(const TFrameSettings& view, TEye eye, const TEyeArea& area);

/// The columns [area.Left, area.Left + area.Width) of frame as a frame of their own, cut
/// to the frame's width.
TPixelFrame SubFrame(const TPixelFrame& frame, const TEyeArea& area);

/// Red-cyan anaglyph: out takes its red byte from left and its green and blue bytes from
/// right, over the rows and columns all three share. out may be left or right itself.
void ComposeAnaglyph(const TPixelFrame& left, const TPixelFrame& right, const TPixelFrame& out);

} // namespace StereoRender
