#pragma once

#include "Storage/SimulationRecord.h"
#include "Storage/StorageError.h"

#include <hdf5.h>

#include <cstdint>
#include <memory>
#include <string>

class TRecording;
struct TSaveControl;

/// Astrivo's simulation files: HDF5 files holding the universe's state, the properties
/// window's settings, the open views and optionally a recording. docs/file-format.md
/// describes the layout.
namespace SimulationFile {

/// The layout this program writes; it reads this one and every older one.
constexpr std::int32_t FormatVersion = 1;

/// Saves atomically to path: a failure leaves whatever was there untouched and returns a
/// message naming the cause. A recording, when given, is copied into the file whole.
/// Settings must hold every kept setting within its range, and the universe particles
/// with finite state; otherwise nothing is written and the result says why. Control, when
/// given, follows the copy of the recording and may stop the save.
TStorageResult Save(const std::string& path, const TUniverse& universe, const TSettings& settings,
                    const TViewsRecord& views, const TRecording* recording = nullptr,
                    TSaveControl* control = nullptr);

/// Writes the universe, settings and views into file as its Universe, Settings and Views
/// groups, in place of any it holds: what makes a file of a recording open as the
/// simulation it recorded. Throws TStorageError when they cannot be kept (as Save refuses
/// them) or written.
void WriteState(hid_t file, const TUniverse& universe, const TSettings& settings,
                const TViewsRecord& views);

/// Reads path into contents. On failure contents is left as it was and the result names
/// the problem: not an HDF5 file, damaged or truncated, a missing or misshapen part, a
/// value outside its range, a newer format. Unless steppable, the universe has no working
/// memory for steps (UniverseIO::Read): enough for a caller that copies the state into a
/// universe of its own, and for a large universe most of the cost of the open saved.
TStorageResult Load(const std::string& path, TSimulationContents& contents, bool steppable = true);

/// As Load, and when the file holds a recording, the same child also copies it to a new
/// file at recordingPath (as TRecording::Extract does) and recording opens that copy: one
/// child, not two, reads a file with a recording. With no recordingPath it loads as Load
/// does. On failure nothing is left at recordingPath and contents and recording are left
/// as they were.
TStorageResult Load(const std::string& path, TSimulationContents& contents, bool steppable,
                    const std::string& recordingPath, std::unique_ptr<TRecording>& recording);

} // namespace SimulationFile
