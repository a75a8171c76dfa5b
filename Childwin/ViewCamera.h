#pragma once

#include <cstdint>

/// A view's display method. Only saMonocular draws particle dots; the stereo methods are
/// stored, shown and copied like it.
enum TShowAs : std::uint8_t { saMonocular = 0, saAutoStereo = 1, saChromoStereo = 2 };

/// A view's camera. Distances in universe units, angles in radians (never wrapped), zooms
/// in hundredths of a pixel per universe unit at unit depth, at most 1,000,000.
struct TViewCamera {
    double OffsetX = 0;
    double OffsetY = 0;
    double Dolly = 0; // Depth = rotated z - Dolly; negative pulls the camera back
    double Azimuth = 0;
    double Elevation = 0;
    double ZoomX = 0;
    double ZoomY = 0;

    bool operator==(const TViewCamera&) const = default;
};
