#pragma once

#include "Storage/StorageError.h"

#include <ostream>
#include <string>

/// The figures of a simulation file as CSV, for `astrivo --statistics`: no window, no Qt.
namespace FileStatistics {

/// Writes the header and the row of the universe the file at path holds to out. With frames
/// and a recording in the file, one row follows per recorded frame, from the frame's
/// positions and heat: frames keep no velocities, so kinetic, total, momentum and virial
/// are left empty there. A potential estimated from a sample is said so on notes.
/// Nothing is written to out unless the file reads.
TStorageResult Write(const std::string& path, bool frames, std::ostream& out, std::ostream& notes);

} // namespace FileStatistics
