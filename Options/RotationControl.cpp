#include "Options/RotationControl.h"

namespace RotationControl {

float MouseRate(std::int32_t offset) {
    // Pointer offsets are screen distances; the bound only keeps the cube inside 64 bits.
    constexpr std::int64_t Bound = (std::int64_t{1} << 21) - 1;
    std::int64_t d = offset;
    if (d > Bound)
        d = Bound;
    if (d < -Bound)
        d = -Bound;
    return static_cast<float>(-(static_cast<double>(d * d * d) * 0.001));
}

bool Tick(TViewCamera& camera, TRotateAction action, float turnRate, float tiltRate) {
    switch (action) {
    case raLeft:
        camera.Azimuth = camera.Azimuth - 1.0 * Degree;
        return true;
    case raRight:
        camera.Azimuth = camera.Azimuth + 1.0 * Degree;
        return true;
    case raUp:
        camera.Elevation = camera.Elevation - 1.0 * Degree;
        return true;
    case raDown:
        camera.Elevation = camera.Elevation + 1.0 * Degree;
        return true;
    case raMouse:
        camera.Azimuth = camera.Azimuth - turnRate * Degree;
        camera.Elevation = camera.Elevation - tiltRate * Degree;
        return true;
    case raNone:
        break;
    }
    return false;
}

void Reset(TViewCamera& camera, std::int32_t space) {
    camera.OffsetX = 0;
    camera.OffsetY = 0;
    camera.Dolly = static_cast<double>(-3 * std::int64_t{space});
    camera.Azimuth = 0;
    camera.Elevation = ResetElevation;
}

} // namespace RotationControl
