#include "Childwin/EyeTurn.h"

#include <cmath>

TEyeTurn TEyeTurn::ForEye(const TViewCamera& camera, TEye eye, double eyeAngle) {
    TEyeTurn turn;
    const double half = static_cast<int>(eye) * eyeAngle / 2;
    turn.Turned = true;
    turn.Cos = std::cos(half);
    turn.Sin = std::sin(half);
    turn.PivotX = -camera.OffsetX;
    turn.PivotZ = -camera.Dolly;
    return turn;
}
