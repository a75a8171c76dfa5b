#pragma once

#include "Childwin/PixelFrame.h"

#include <cstdint>

/// The three planes of a 4:2:0 picture: brightness at every pixel, colour at every second
/// pixel of every second row.
struct TYuvPlanes {
    std::uint8_t* Y = nullptr;
    std::uint8_t* U = nullptr;
    std::uint8_t* V = nullptr;
    int YPitch = 0;
    int UPitch = 0;
    int VPitch = 0;
};

/// Turns an even-sized picture into BT.601 limited-range 4:2:0 planes: brightness from each
/// pixel, colour from the average of each 2x2 block. Grey stays exactly neutral (U = V = 128).
void ToYuv420(const TPixelFrame& picture, const TYuvPlanes& planes);
