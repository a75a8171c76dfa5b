#pragma once

#include <hdf5.h>

#include <cstdint>
#include <memory>

class TUniverse;

/// The universe's full state as a group of an HDF5 file: every field the next step reads
/// and every particle field, in the universe's own precision. Loading this group and
/// stepping gives bit for bit the steps the saved universe would have taken.
///
/// The random source is not kept: only seeding draws from it, and every seeding is preceded
/// by an Allocate, which reseeds it from the clock.
namespace UniverseIO {

/// The most particles a universe may hold: the count of the particle slider's last position.
std::int32_t MaxParticles();

/// Writes universe, which must hold particles, into group.
void Write(hid_t group, const TUniverse& universe);

/// Reads a universe from group into a new object. Throws TStorageError naming the first
/// missing, misshapen or out-of-range field; nothing outside the new object is touched.
/// Unless steppable, the object has no working memory for steps: enough to check or copy
/// a state, at a fraction of the cost for a large universe.
std::unique_ptr<TUniverse> Read(hid_t group, bool steppable = true);

/// Gives to every field of from's state, particles included, so that to steps on exactly as
/// from would. False, with to holding no particles, when there is no memory for them.
/// To keeps its own thread setting.
bool CopyState(const TUniverse& from, TUniverse& to);

/// Throws TStorageError when a field of universe is outside what the program can produce:
/// a non-finite number, a setting outside its slider's range, a close pair naming a
/// particle that does not exist.
void Validate(const TUniverse& universe);

} // namespace UniverseIO
