#include "Childwin/ViewProjection.h"

#include "Childwin/Rounding.h"

#include <cmath>
#include <limits>

TCameraTransform TCameraTransform::FromCamera(const TViewCamera& camera) {
    TCameraTransform t;
    t.CosAzimuth = std::cos(camera.Azimuth);
    t.SinAzimuth = std::sin(camera.Azimuth);
    t.CosElevation = std::cos(camera.Elevation);
    t.SinElevation = std::sin(camera.Elevation);
    t.Dolly = camera.Dolly;
    return t;
}

TViewPoint TransformPoint(const TCameraTransform& t, double x, double y, double z) {
    // The turn looks at the universe from its +z side, so at azimuth 0 both x and z flip.
    const double x1 = -t.CosAzimuth * x + t.SinAzimuth * z;
    const double z1 = -t.SinAzimuth * x - t.CosAzimuth * z;
    return {x1, y * t.CosElevation - t.SinElevation * z1,
            z1 * t.CosElevation + y * t.SinElevation - t.Dolly};
}

TScreenPoint ProjectPoint(const TViewPoint& p, const TViewCamera& camera, std::int32_t centreX,
                          std::int32_t centreY) {
    const double scale = p.Depth * 0.01;
    return {(p.X + camera.OffsetX) * camera.ZoomX / scale + centreX,
            (p.Y + camera.OffsetY) * camera.ZoomY / scale + centreY,
            2 * camera.ZoomX / std::sqrt(p.Depth)};
}

std::int32_t RoundToInt32(double value) {
    constexpr double lowest = std::numeric_limits<std::int32_t>::min();
    constexpr double highest = std::numeric_limits<std::int32_t>::max();
    const double rounded = RoundHalfEven(value);
    if (rounded >= lowest && rounded <= highest)
        return static_cast<std::int32_t>(rounded);
    if (rounded < lowest)
        return std::numeric_limits<std::int32_t>::min();
    if (rounded > highest)
        return std::numeric_limits<std::int32_t>::max();
    return 0;
}
