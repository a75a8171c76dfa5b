#include "Childwin/ViewFit.h"

#include "Childwin/CameraDrag.h"
#include "Childwin/ViewProjection.h"

#include <algorithm>
#include <cmath>

namespace {

// The central particles fill this much of each half of the view, so that they do not touch
// the window's border.
constexpr double FitMargin = 0.9;
// Nearer than this to the camera a fitted point would sit too close to the projection's
// cut at depth 1 (a single particle has no extent to fit).
constexpr double LeastFitDepth = 2;

double Median(std::vector<double>& values) {
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// The camera's view of a point without the dolly: x right, y down, depth from the plane of
// the universe's origin.
TViewPoint Turned(const TCameraTransform& turn, const TUniversePoint& p) {
    return TransformPoint(turn, p.X, p.Y, p.Z);
}

TCameraTransform TurnOnly(const TViewCamera& camera) {
    TCameraTransform turn = TCameraTransform::FromCamera(camera);
    turn.Dolly = 0;
    return turn;
}

} // namespace

std::vector<TUniversePoint> CentralParticles(std::span<const TUniverseSnapshot::TPoint> points,
                                             double share) {
    std::vector<TUniversePoint> central;
    if (points.empty())
        return central;
    using TPoint = TUniverseSnapshot::TPoint;
    std::vector<double> axis(points.size());
    const auto medianOf = [&](double (*coordinate)(const TPoint&)) {
        std::transform(points.begin(), points.end(), axis.begin(), coordinate);
        return Median(axis);
    };
    const TUniversePoint middle{medianOf([](const TPoint& p) { return p.X; }),
                                medianOf([](const TPoint& p) { return p.Y; }),
                                medianOf([](const TPoint& p) { return p.Z; })};
    struct TRanked {
        double Distance;
        std::size_t Index;
    };
    std::vector<TRanked> ranked(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double dx = points[i].X - middle.X;
        const double dy = points[i].Y - middle.Y;
        const double dz = points[i].Z - middle.Z;
        ranked[i] = {dx * dx + dy * dy + dz * dz, i};
    }
    const double wanted =
        std::ceil(std::clamp(share, 0.0, 1.0) * static_cast<double>(points.size()));
    const auto count = std::clamp<std::size_t>(static_cast<std::size_t>(wanted), 1, points.size());
    std::nth_element(ranked.begin(), ranked.begin() + static_cast<std::ptrdiff_t>(count - 1),
                     ranked.end(),
                     [](const TRanked& a, const TRanked& b) { return a.Distance < b.Distance; });
    central.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const TPoint& p = points[ranked[i].Index];
        central.push_back({p.X, p.Y, p.Z});
    }
    return central;
}

TUniversePoint CentreOfMass(std::span<const TUniversePoint> points) {
    TUniversePoint sum;
    for (const TUniversePoint& p : points) {
        sum.X += p.X;
        sum.Y += p.Y;
        sum.Z += p.Z;
    }
    if (points.empty())
        return sum;
    const double n = static_cast<double>(points.size());
    return {sum.X / n, sum.Y / n, sum.Z / n};
}

TViewCamera FitCamera(const TViewCamera& camera, std::span<const TUniversePoint> central,
                      std::int32_t clientWidth, std::int32_t clientHeight) {
    if (central.empty())
        return camera;
    TViewCamera fitted = camera;
    fitted.ZoomX = fitted.ZoomY = std::clamp(0.1 * clientHeight, MinZoom(clientHeight), MaxZoom);

    const TCameraTransform turn = TurnOnly(camera);
    std::vector<TViewPoint> seen(central.size());
    std::transform(central.begin(), central.end(), seen.begin(),
                   [&turn](const TUniversePoint& p) { return Turned(turn, p); });
    const auto [left, right] =
        std::minmax_element(seen.begin(), seen.end(),
                            [](const TViewPoint& a, const TViewPoint& b) { return a.X < b.X; });
    const auto [top, bottom] =
        std::minmax_element(seen.begin(), seen.end(),
                            [](const TViewPoint& a, const TViewPoint& b) { return a.Y < b.Y; });
    fitted.OffsetX = -(left->X + right->X) / 2;
    fitted.OffsetY = -(top->Y + bottom->Y) / 2;

    // A lateral offset u at depth D lands 100 * zoom * u / D pixels from the centre: each
    // point asks for the camera to be at least so far from it that it lands inside.
    const double roomX = FitMargin * std::max(clientWidth / 2, 1);
    const double roomY = FitMargin * std::max(clientHeight / 2, 1);
    double dolly = HUGE_VAL;
    for (const TViewPoint& p : seen) {
        const double needX = 100 * fitted.ZoomX * std::abs(p.X + fitted.OffsetX) / roomX;
        const double needY = 100 * fitted.ZoomY * std::abs(p.Y + fitted.OffsetY) / roomY;
        dolly = std::min(dolly, p.Depth - std::max({needX, needY, LeastFitDepth}));
    }
    fitted.Dolly = dolly;
    return fitted;
}

void FollowCentre(TViewCamera& camera, TFollowAnchor& anchor, const TUniversePoint& centre) {
    const TViewPoint now = Turned(TurnOnly(camera), centre);
    if (!anchor.Set)
        anchor = {true, centre, 0, 0, now.Depth - camera.Dolly};
    anchor.At = centre;
    camera.Dolly = now.Depth - anchor.Distance;
    camera.OffsetX = anchor.PinX - now.X;
    camera.OffsetY = anchor.PinY - now.Y;
}

void PinFollow(const TViewCamera& camera, TFollowAnchor& anchor) {
    if (!anchor.Set)
        return;
    const TViewPoint at = Turned(TurnOnly(camera), anchor.At);
    anchor.PinX = camera.OffsetX + at.X;
    anchor.PinY = camera.OffsetY + at.Y;
    anchor.Distance = at.Depth - camera.Dolly;
}
