#pragma once

#include <cstdint>

/// How a step works out gravity: every pair (near ones each step, far ones on full steps),
/// or an octree whose distant nodes act through their multipole expansion.
enum TGravityMethod : std::uint8_t { gmPairs, gmTree };
