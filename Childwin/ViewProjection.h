#pragma once

#include "Childwin/ViewCamera.h"

#include <cstdint>

/// The sines and cosines of a camera's angles, worked out once per frame.
struct TCameraTransform {
    double CosAzimuth = 1;
    double SinAzimuth = 0;
    double CosElevation = 1;
    double SinElevation = 0;
    double Dolly = 0;

    static TCameraTransform FromCamera(const TViewCamera& camera);
};

/// A position after the camera transform: X to the right, Y downwards on the screen, Depth
/// away from the camera (all in universe units).
struct TViewPoint {
    double X;
    double Y;
    double Depth;
};

/// Turns about the universe's y axis by the azimuth, then tilts by the elevation; depth is
/// measured from the camera, which sits at Dolly on the turned z axis.
TViewPoint TransformPoint(const TCameraTransform& transform, double x, double y, double z);

/// A projected point in window pixels with the dot radius that goes with its depth.
struct TScreenPoint {
    double SX;
    double SY;
    double Radius;
};

/// Nearer than this (or not a number) a point is behind or too close to the camera.
inline bool IsProjectable(double depth) {
    return depth > 1;
}

/// Perspective projection of a point that IsProjectable: a lateral offset u at depth D lands
/// 100 * zoom * u / D pixels from the window centre; the dot radius falls with sqrt(D).
TScreenPoint ProjectPoint(const TViewPoint& point, const TViewCamera& camera, std::int32_t centreX,
                          std::int32_t centreY);

/// Rounds to the nearest integer, ties to even. Values beyond the 32-bit range saturate and
/// a NaN gives 0, so no conversion is ever out of range.
std::int32_t RoundToInt32(double value);
