// The recording's file as a file: room on the disk for the frames to come, closing it
// when there is none or recording stops, opening it for writing again, and the simulation
// kept beside the frames.
#include "Storage/Recording.h"

#include "Storage/AtomicFile.h"
#include "Storage/H5Access.h"
#include "Storage/SimulationFile.h"
#include "universe/Universe.h"

#include <algorithm>
#include <cerrno>

namespace {

using H5Access::Check;

// Room for what HDF5 adds around a frame's data (chunk indexes, object headers).
constexpr std::uint64_t MetadataRoom = std::uint64_t{1} << 20;
// Room is taken in steps of at least this much rather than frame by frame.
constexpr std::uint64_t ReserveStep = std::uint64_t{4} << 20;

} // namespace

// What a frame adds to the file, at most: its rows (docs/file-format.md) and, for a
// keyframe, the full state with its pairs and the keyframe's own metadata.
std::uint64_t TRecording::FrameBytes(const TUniverse& u, bool keyframe) {
    const auto n = static_cast<std::uint64_t>(std::max(u.LastIndex + 1, 0));
    const auto pairs =
        static_cast<std::uint64_t>(std::clamp(u.PairLast + 1, 0, TUniverse::MaxPairs));
    return 16 * n + 12 * pairs + 16 + (keyframe ? 124 * n + 16 * pairs + 8192 : 0);
}

void TRecording::CloseFile() {
    for (TH5Handle* handle :
         {&KeyframeSet, &PairDistanceSet, &PairIndexSet, &PairCountSet, &PairOffsetSet, &HeatSet,
          &PositionSet, &OptimisationSet, &IterationSet, &Group, &File})
        handle->Reset();
}

TStorageResult TRecording::KeepSimulation(const TUniverse& universe, const TSettings& settings,
                                          const TViewsRecord& views) {
    H5Access::SilenceErrors();
    if (!ClosedBy.empty())
        return TStorageResult::Failure(ClosedBy);
    try {
        OpenForWriting();
        // The state takes about the room of a keyframe.
        Reserve(universe, true);
        SimulationFile::WriteState(File, universe, settings, views);
        Check(H5Fflush(File, H5F_SCOPE_LOCAL), "The recording " + FilePath + " cannot be written.");
        Unflushed = 0;
    } catch (const TStorageError& error) {
        return TStorageResult::Failure("The recording " + FilePath +
                                       " cannot keep the simulation. " + error.what());
    }
    return TStorageResult::Success();
}

void TRecording::Reserve(const TUniverse& universe, bool keyframe) {
    haddr_t end = 0;
    if (H5Fget_eoa(File, &end) < 0)
        throw TStorageError("The recording " + FilePath + " cannot be written.");
    const std::uint64_t needed = end + Unflushed + FrameBytes(universe, keyframe) + MetadataRoom;
    if (needed <= Reserved)
        return;
    errno = 0;
    try {
        AtomicFile::Reserve(FilePath, needed + ReserveStep);
        Reserved = needed + ReserveStep;
    } catch (const TStorageError&) {
        // The last few megabytes of a disk still take frames.
        AtomicFile::Reserve(FilePath, needed);
        Reserved = needed;
    }
}

void TRecording::CloseForReading(const std::string& why) {
    ClosedBy = why;
    Finish();
}

void TRecording::Finish() {
    if (File.Valid())
        H5Fflush(File, H5F_SCOPE_LOCAL);
    CloseFile();
    Writing = false;
    try {
        if (Reserved > 0)
            AtomicFile::TrimToContents(FilePath);
        Reserved = 0;
        Unflushed = 0;
        Attach(FilePath, H5F_ACC_RDONLY);
    } catch (const TStorageError&) {
        // Not readable either: nothing is claimed from it.
        CloseFile();
        Iterations.clear();
        PairOffsets.clear();
        PairCounts.clear();
        KeyframeList.clear();
        PairTotal = 0;
    }
}

void TRecording::OpenForWriting() {
    if (Writing)
        return;
    CloseFile();
    Attach(FilePath, H5F_ACC_RDWR);
    Writing = true;
    ClosedBy.clear();
}
