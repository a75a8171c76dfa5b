#include "Childwin/GridLines.h"

#include "Childwin/ViewProjection.h"

#include <cmath>

namespace {

// Points nearer than this are behind or too close to the camera (projection needs a depth
// above 1); a line that crosses it is cut where it does, slightly in front.
constexpr double NearDepth = 1.0 + 1e-6;

struct TPoint3 {
    double X, Y, Z;
};

bool Finite(const TScreenPoint& p) {
    return std::isfinite(p.SX) && std::isfinite(p.SY);
}

} // namespace

void TGridLines::Project(const TFrameSettings& s) {
    FCount = 0;
    const double space = s.GridSpace;
    if (!(space > 0) || !std::isfinite(space))
        return;
    const TCameraTransform t = TCameraTransform::FromCamera(s.Camera);
    const auto add = [&](TPoint3 a, TPoint3 b, TGridKind kind) {
        TViewPoint va = TurnForEye(s.Eye, TransformPoint(t, a.X, a.Y, a.Z));
        TViewPoint vb = TurnForEye(s.Eye, TransformPoint(t, b.X, b.Y, b.Z));
        const bool inA = va.Depth >= NearDepth, inB = vb.Depth >= NearDepth;
        if (!inA && !inB)
            return; // also what a NaN depth gives
        if (!inA || !inB) {
            TViewPoint& out = inA ? vb : va;
            const TViewPoint& in = inA ? va : vb;
            const double f = (NearDepth - in.Depth) / (out.Depth - in.Depth);
            out = {in.X + f * (out.X - in.X), in.Y + f * (out.Y - in.Y), NearDepth};
        }
        const TScreenPoint pa = ProjectPoint(va, s.Camera, s.CentreX, s.CentreY);
        const TScreenPoint pb = ProjectPoint(vb, s.Camera, s.CentreX, s.CentreY);
        if (!Finite(pa) || !Finite(pb))
            return;
        TLineSegment line{pa.SX, pa.SY, pb.SX, pb.SY};
        if (ClipToWindow(line, s.ClientWidth, s.ClientHeight))
            FLines[static_cast<std::size_t>(FCount++)] = {line, kind};
    };
    for (int k = 0; k <= GridDivisions; ++k) {
        const double at = -space + 2 * space * k / GridDivisions;
        add({at, 0, -space}, {at, 0, space}, gkGrid);
        add({-space, 0, at}, {space, 0, at}, gkGrid);
    }
    add({-space, 0, 0}, {space, 0, 0}, gkAxisX);
    add({0, -space, 0}, {0, space, 0}, gkAxisY);
    add({0, 0, -space}, {0, 0, space}, gkAxisZ);
}
