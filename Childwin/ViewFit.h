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
/// The share whose centre of mass Follow keeps in place: tighter than the fit, so that the
/// stragglers leaving a merger do not drag the picture after them.
inline constexpr double FollowShare = 0.90;

/// The share of the particles nearest the middle of the cloud, at least one of any: the
/// middle is the median of each axis, which escaping particles cannot pull away the way they
/// pull the mean. Ties at the cut are taken in any order.
std::vector<TUniversePoint> CentralParticles(std::span<const TUniverseSnapshot::TPoint> points,
                                             double share);

/// Every particle has the same mass, so this is their mean position; the origin for none.
TUniversePoint CentreOfMass(std::span<const TUniversePoint> points);

/// A camera with the turn and tilt of camera whose offsets, dolly and zoom put every point of
/// central inside the middle nine tenths of a clientWidth x clientHeight view, touching its
/// edge with at least one. The zoom becomes that of a freshly opened view (a tenth of the
/// height), so the dots keep the size the user first saw them at; the dolly does the
/// framing. Without points, the camera is returned as it is.
TViewCamera FitCamera(const TViewCamera& camera, std::span<const TUniversePoint> central,
                      std::int32_t clientWidth, std::int32_t clientHeight);

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
