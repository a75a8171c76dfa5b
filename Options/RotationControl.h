#pragma once

#include "Childwin/ViewCamera.h"

#include <cstdint>

/// What the properties window's rotation timer does on each tick.
enum TRotateAction : std::uint8_t {
    raNone = 0,  // nothing held
    raLeft = 1,  // left arrow held
    raRight = 2, // right arrow held
    raUp = 3,    // up arrow held
    raDown = 4,  // down arrow held
    raMouse = 5, // mouse held on the rotation panel
};

/// Turning the active view's camera by held buttons and the mouse rotation panel.
namespace RotationControl {

/// One degree in radians.
constexpr double Degree = 0.017453292519943295;
/// The reset elevation, 15 degrees: the double nearest to pi / 12.
constexpr double ResetElevation = 0.26179938779914946;

/// The panel's rate in degrees per tick for a pointer offset in pixels from its centre:
/// -(offset^3) x 0.001, stored in single precision. The tick subtracts it, so an offset
/// of 10 turns by +1 degree per tick, 20 by +8.
float MouseRate(std::int32_t offset);

/// One timer tick: turns or tilts the camera by the held action. Returns false for
/// raNone, which changes nothing and needs no new picture. Angles are not wrapped.
bool Tick(TViewCamera& camera, TRotateAction action, float turnRate, float tiltRate);

/// The standard camera: centred, pulled back by 3 x space, facing along the default
/// direction and tilted 15 degrees. Zoom is left as it is.
void Reset(TViewCamera& camera, std::int32_t space);

} // namespace RotationControl
