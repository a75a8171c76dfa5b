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
// A fresh view's camera stands this many Spaces back from the universe.
constexpr double StartDistance = 5;

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

TUniversePoint FollowedCentre(std::span<const TUniverseSnapshot::TPoint> points) {
    constexpr std::size_t Sample = 20000;
    std::vector<TUniverseSnapshot::TPoint> sample;
    if (points.size() > Sample) {
        const std::size_t stride = (points.size() + Sample - 1) / Sample;
        for (std::size_t i = 0; i < points.size(); i += stride)
            sample.push_back(points[i]);
        points = sample;
    }
    std::vector<TUniversePoint> near = CentralParticles(points, FollowShare);
    TUniversePoint centre = CentreOfMass(near);
    const std::size_t least = std::max<std::size_t>(points.size() / 10, 1);
    while (near.size() > least) {
        const std::size_t keep = std::max(least, near.size() * 7 / 10);
        const auto distance = [&centre](const TUniversePoint& p) {
            return (p.X - centre.X) * (p.X - centre.X) + (p.Y - centre.Y) * (p.Y - centre.Y) +
                   (p.Z - centre.Z) * (p.Z - centre.Z);
        };
        std::nth_element(near.begin(), near.begin() + static_cast<std::ptrdiff_t>(keep - 1),
                         near.end(), [&distance](const TUniversePoint& a, const TUniversePoint& b) {
                             return distance(a) < distance(b);
                         });
        near.resize(keep);
        centre = CentreOfMass(near);
    }
    return centre;
}

TViewCamera FitCamera(const TViewCamera& camera, std::span<const TUniversePoint> central,
                      std::int32_t clientWidth, std::int32_t clientHeight, double space) {
    if (central.empty())
        return camera;
    TViewCamera fitted = camera;
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
    // Universe units per pixel that the cloud needs, seen from afar, and how deep it is.
    double spread = 0;
    const auto [nearest, farthest] =
        std::minmax_element(seen.begin(), seen.end(), [](const TViewPoint& a, const TViewPoint& b) {
            return a.Depth < b.Depth;
        });
    for (const TViewPoint& p : seen)
        spread = std::max({spread, std::abs(p.X + fitted.OffsetX) / roomX,
                           std::abs(p.Y + fitted.OffsetY) / roomY});
    // Dots dim and shrink with the square root of their depth: the camera stays as far
    // back as a fresh view's (five Spaces), or as far as the cloud is deep if that is more,
    // and the zoom does the framing.
    const double distance =
        std::max({StartDistance * space, farthest->Depth - nearest->Depth, LeastFitDepth});
    fitted.ZoomX = fitted.ZoomY =
        std::clamp(distance / (100 * std::max(spread, 1e-300)), MinZoom(clientHeight), MaxZoom);
    double dolly = HUGE_VAL;
    for (const TViewPoint& p : seen) {
        const double needX = 100 * fitted.ZoomX * std::abs(p.X + fitted.OffsetX) / roomX;
        const double needY = 100 * fitted.ZoomY * std::abs(p.Y + fitted.OffsetY) / roomY;
        dolly = std::min(dolly, p.Depth - std::max({needX, needY, LeastFitDepth}));
    }
    fitted.Dolly = dolly;
    return fitted;
}

TViewCamera FitToSee(const TViewCamera& camera, std::span<const TUniverseSnapshot::TPoint> points,
                     std::int32_t clientWidth, std::int32_t clientHeight, double space) {
    // Universe units per pixel in the middle of a fresh view of a fresh universe.
    const double freshSpread = StartDistance * space / (10.0 * std::max(clientHeight, 1));
    TViewCamera fitted = camera;
    for (const double share : {FitShare, 0.9, 0.75, 0.5, 0.25}) {
        const std::vector<TUniversePoint> central = CentralParticles(points, share);
        fitted = FitCamera(camera, central, clientWidth, clientHeight, space);
        const TUniversePoint middle = CentreOfMass(central);
        const double depth =
            TransformPoint(TCameraTransform::FromCamera(fitted), middle.X, middle.Y, middle.Z)
                .Depth;
        if (depth / (100 * fitted.ZoomY) <= 4 * freshSpread)
            break;
    }
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
