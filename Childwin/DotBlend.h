#pragma once

#include "Childwin/PixelFrame.h"

#include <cstdint>

/// How a view's display settings shape its dots.
struct TDotStyle {
    std::int32_t PartSize = 10; // dot size factor: r = 0.04 x radius x PartSize
    std::int32_t Contrast = 100;
};

/// Blends one cone-shaped dot centred on (sx, sy) into frame: each pixel within r + 0.5 of
/// the centre moves up to a fifth of the way from its present grey level towards
/// level x intensity x gain / 256, where r = 0.04 x radius x PartSize and the gain is
/// Contrast^2 / 64. A dot under one pixel in radius keeps r = 1 and loses brightness
/// instead. Only the pixels inside the frame are visited, however large or far off the dot
/// is; a dot with a coordinate that is not a number draws nothing.
void BlendDot(const TPixelFrame& frame, const TDotStyle& style, std::int32_t level, double sx,
              double sy, double radius, double intensity);
