#pragma once

#include "Childwin/ViewCamera.h"
#include "universe/UniverseSnapshot.h"

#include <cstdint>
#include <span>
#include <vector>

/// A position in universe units.
struct TUniversePoint {
    double X = 0;
    double Y = 0;
    double Z = 0;
};

/// The share of the particles that Fit to Particles frames: the few that a collision flings
/// far out would otherwise shrink the cloud to a speck.
inline constexpr double FitShare = 0.98;
/// The share whose centre of mass Follow starts from: tighter than the fit, so that the
/// stragglers leaving a merger do not drag the picture after them.
inline constexpr double FollowShare = 0.90;

/// The share of the particles nearest the middle of the cloud, at least one of any: the
/// middle is the median of each axis, which escaping particles cannot pull away the way they
/// pull the mean. Ties at the cut are taken in any order.
std::vector<TUniversePoint> CentralParticles(std::span<const TUniverseSnapshot::TPoint> points,
                                             double share);

/// Every particle has the same mass, so this is their mean position; the origin for none.
TUniversePoint CentreOfMass(std::span<const TUniversePoint> points);

/// The point Follow keeps in place: the centre of mass of the central FollowShare of the
/// particles, then of the 70% of those nearest it, and so on down to a tenth of them. A
/// merger flings up to half its particles tens of thousands of units out, and the centre
/// of mass of nine tenths then lies out among them, far from the core where the particles
/// are; closing in keeps the core in the picture, and in a cloud without such stragglers
/// it lands where the plain centre of mass is. Above 20,000 particles an even sample of
/// them stands for all, so that each picture costs about a millisecond whatever the count.
TUniversePoint FollowedCentre(std::span<const TUniverseSnapshot::TPoint> points);

/// A camera with the turn and tilt of camera whose offsets, dolly and zoom put every point of
/// central inside the middle nine tenths of a clientWidth x clientHeight view, touching its
/// edge with at least one. Dots dim and shrink with the square root of their depth, so the
/// camera keeps the distance of a freshly opened view of a universe of Space space (five
/// Spaces, or the cloud's depth if that is more) and the zoom does the framing. Without
/// points, the camera is returned as it is.
TViewCamera FitCamera(const TViewCamera& camera, std::span<const TUniversePoint> central,
                      std::int32_t clientWidth, std::int32_t clientHeight, double space);

/// Where a followed centre of mass was last seen, where on the screen it is kept (as a view
/// offset in universe units; 0, 0 is the middle of the view) and how far from the camera.
struct TFollowAnchor {
    bool Set = false;
    TUniversePoint At;
    double PinX = 0;
    double PinY = 0;
    double Distance = 0;
};

/// Moves the camera with the centre: first (anchor not Set) it only pans the centre to the
/// middle of the view; after that the centre keeps its place on the screen and its distance
/// from the camera however it moves, and the camera turns and tilts about it.
void FollowCentre(TViewCamera& camera, TFollowAnchor& anchor, const TUniversePoint& centre);

/// After the user panned or dollied (or a fit moved the camera) the followed centre is kept
/// where the camera now shows it.
void PinFollow(const TViewCamera& camera, TFollowAnchor& anchor);

/// Fit to Particles: FitCamera on the central FitShare of the particles, unless the
/// picture would then be too spread out to see (dots dim with the area each pixel covers:
/// more than four times what a fresh view shows of a fresh universe of Space space). A
/// merger can fling half its particles tens of thousands of units out; then the central
/// 90%, 75%, 50% or 25% are framed instead, the first that can be seen.
TViewCamera FitToSee(const TViewCamera& camera, std::span<const TUniverseSnapshot::TPoint> points,
                     std::int32_t clientWidth, std::int32_t clientHeight, double space);
