#pragma once

#include "Childwin/ViewCamera.h"
#include "Childwin/ViewProjection.h"

#include <numbers>

/// The eye a stereo picture is drawn for.
enum TEye : int { eyLeft = -1, eyRight = 1 };

/// Angle between the two eyes' lines of sight, in radians (4 degrees): enough depth to see
/// at a glance, little enough that the two pictures still fuse without strain.
constexpr double DefaultEyeAngle = 4 * std::numbers::pi / 180;

/// Moves a view's camera to one eye: the camera turns by half the eye angle about the
/// screen's vertical axis through the point it looks at, which is the point on its line of
/// sight at the depth of the universe's origin. That point stays where it was on the
/// screen; what lies in front of it moves apart between the eyes, what lies behind it
/// moves together. A turn that is not Turned leaves every point exactly as it is.
struct TEyeTurn {
    bool Turned = false;
    double Cos = 1;
    double Sin = 0;    // positive for the right eye
    double PivotX = 0; // view X of the axis: -OffsetX, where the line of sight runs
    double PivotZ = 0; // depth of the axis: -Dolly
    static TEyeTurn ForEye(const TViewCamera& camera, TEye eye, double eyeAngle = DefaultEyeAngle);
};

/// A point after the camera transform, as the turned eye sees it. Inline: the renderer calls
/// it once per particle.
inline TViewPoint TurnForEye(const TEyeTurn& t, const TViewPoint& p) {
    if (!t.Turned)
        return p;
    // The eye moves on a circle about the pivot and keeps looking at it, which to the eye
    // is the scene turned the other way about the same axis.
    const double x = p.X - t.PivotX;
    const double z = p.Depth - t.PivotZ;
    return {x * t.Cos + z * t.Sin + t.PivotX, p.Y, z * t.Cos - x * t.Sin + t.PivotZ};
}
