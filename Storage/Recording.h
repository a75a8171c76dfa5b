#pragma once

#include "Storage/H5Handle.h"
#include "Storage/SimulationRecord.h"
#include "Storage/StorageError.h"
#include "universe/UniverseSnapshot.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TUniverse;
struct TSaveControl;
struct TStepControl;

/// How a recording is made and played.
struct TRecorderOptions {
    std::int32_t KeyframeInterval = 100; // every this many frames one keeps the full state
    /// A frame every this many steps; 0 paces frames by time instead: while processing
    /// runs, at most FramesPerSecond a second of running, however fast the engine steps.
    std::int32_t RecordEvery = 0;
    std::int32_t PlaybackRate = 30; // frames per second

    static constexpr std::int32_t FramesPerSecond = 30;

    bool operator==(const TRecorderOptions&) const = default;
    /// Empty when every option is in its range, else what is wrong.
    std::string Problem() const;
};

/// A recording: frames streamed into an HDF5 file as they are taken, so memory stays
/// bounded however long it runs. Every KeyframeInterval-th frame also keeps the universe's
/// full state; so does a frame after anything that breaks the run of steps (a changed
/// setting, a new universe, a pause in recording), so that any frame's exact state is its
/// keyframe's state stepped forward by the difference of their iteration counts.
///
/// Not thread-safe: one thread at a time may use a recording.
class TRecording {
public:
    ~TRecording();
    TRecording(const TRecording&) = delete;
    TRecording& operator=(const TRecording&) = delete;

    /// A new, empty recording in a new file at path (replacing any file there).
    static TStorageResult Create(const std::string& path, std::int32_t particleCount,
                                 const TRecorderOptions& options,
                                 std::unique_ptr<TRecording>& recording);
    /// The recording in file path, opened for reading and appending.
    static TStorageResult Open(const std::string& path, std::unique_ptr<TRecording>& recording);
    /// Copies the recording that the simulation file source holds into a new file at path
    /// and opens that, so the source is never written. The source's layout is checked
    /// first, and its frames and keyframes are read through their checksums and written
    /// afresh, so that a damaged source is refused rather than copied. The copy is made in a
    /// child process, so that a fault of HDF5's on the source refuses it instead of ending
    /// the program.
    static TStorageResult Extract(const std::string& source, const std::string& path,
                                  std::unique_ptr<TRecording>& recording);
    /// Extract's work, done in the calling process: the recording in source copied to a
    /// new, closed file at path. For a process that is itself the child reading source.
    static TStorageResult CopyOut(const std::string& source, const std::string& path);

    const std::string& Path() const { return FilePath; }
    /// A recording kept in a scratch file of its own: the file goes when the recording does.
    void SetTemporary(bool value) { Temporary = value; }
    bool IsTemporary() const { return Temporary; }
    std::int32_t ParticleCount() const { return Particles; }
    std::int32_t FrameCount() const { return static_cast<std::int32_t>(Iterations.size()); }
    const TRecorderOptions& Options() const { return FOptions; }
    /// Stores new options; the keyframe interval and step spacing apply from the next frame.
    TStorageResult SetOptions(const TRecorderOptions& options);
    std::int32_t FrameIteration(std::int32_t index) const { return Iterations.at(index); }
    const std::vector<std::int32_t>& Keyframes() const { return KeyframeList; }

    /// Records universe as the next frame, a keyframe whatever came before.
    TStorageResult Begin(const TUniverse& universe);
    using TClock = std::chrono::steady_clock;
    /// One step was taken at now: every RecordEvery-th call records the universe as a
    /// frame. Paced by time, a step taken while processing runs (running) is recorded when
    /// a frame's share of a second has passed since the last frame, and a single step
    /// always is.
    TStorageResult StepTaken(const TUniverse& universe, bool running = false,
                             TClock::time_point now = TClock::now());
    /// Records universe as the next frame now. A recording whose disk has no room for the
    /// frame is closed instead, with the frames it holds, and opened again for reading
    /// only: it takes no frames after that, and a cut opens it for writing again.
    TStorageResult Append(const TUniverse& universe);

    /// Writes the simulation beside the recording in its file, in place of what was there,
    /// so that the file opens as a simulation file does: with this state and the frames.
    TStorageResult KeepSimulation(const TUniverse& universe, const TSettings& settings,
                                  const TViewsRecord& views);

    /// Frame index as a snapshot for drawing: its figures, and positions and heat as the
    /// frame keeps them (single precision), Space and UseThermodynamics from its keyframe.
    /// Serial and BuildCount are left for the caller.
    TStorageResult ReadFrame(std::int32_t index, TUniverseSnapshot& frame) const;
    /// The state at the keyframe at or before index, not stepped forward: the parameters
    /// and particle count that playback draws a frame with.
    TStorageResult ReadKeyframe(std::int32_t index, std::unique_ptr<TUniverse>& universe) const;
    /// Frame index's exact state: its keyframe's state stepped forward.
    TStorageResult RestoreState(std::int32_t index, std::unique_ptr<TUniverse>& universe) const;
    /// Steps a keyframe's state on to iteration, as the frames after it were taken. With a
    /// control, every step checks its Cancel and reports its rows; a cancelled run returns
    /// false, leaving state between two steps. StepsDone, when given, counts the steps.
    static bool StepForward(TUniverse& state, std::int32_t iteration,
                            TStepControl* control = nullptr,
                            std::atomic<std::int32_t>* stepsDone = nullptr);
    /// Drops every frame after lastKept (-1 drops them all). The next frame is a keyframe.
    TStorageResult Truncate(std::int32_t lastKept);
    /// Writes what is buffered to the disk.
    TStorageResult Flush();
    /// Ends a spell of recording: the file is written out, closed (a finished file on the
    /// disk, which this program's Open and other programs read), and opened again for
    /// reading only. The next change opens it for writing again.
    void Finish();
    /// The size of the recording's file in bytes, what is buffered included.
    std::uint64_t FileSize() const;
    /// The space the file takes as the library has laid it out, without writing what is
    /// buffered first: cheap enough to ask after every frame.
    std::uint64_t SpaceUsed() const;

    /// Copies the recording's frames into file as its Recording group; throws
    /// TStorageError, also when control's Cancel is set. The copy goes in small pieces, so
    /// that other threads' HDF5 calls never wait long behind it.
    void CopyInto(hid_t file, TSaveControl* control = nullptr) const;

    /// Puts a frame into a universe, for views that draw a universe: positions, heat,
    /// figures and the close pairs that name particles it holds.
    static void ApplyFrame(const TUniverseSnapshot& frame, TUniverse& universe);

private:
    TRecording() = default;
    /// Opens path (H5F_ACC_RDONLY or H5F_ACC_RDWR) after checking its whole layout.
    void Attach(const std::string& path, unsigned flags);
    /// Opens the datasets of Group, of Particles particles, and reads its frame lists.
    void OpenSets();
    /// Fills this empty recording with source's whole frames through checked reads and
    /// fresh writes: damaged data in the source stops the copy instead of spreading.
    void CopyFrames(const TRecording& source);
    void AppendFrame(const TUniverse& universe, bool keyframe);
    /// What a frame adds to the file, at most.
    static std::uint64_t FrameBytes(const TUniverse& universe, bool keyframe);
    /// Room on the disk for the next frame and whatever HDF5 holds back until it flushes.
    void Reserve(const TUniverse& universe, bool keyframe);
    /// Stops writing for good: the file is closed with what was flushed, its spare room
    /// given back, and opened again for reading; why is what appends are told from now on.
    void CloseForReading(const std::string& why);
    /// Opens the file for writing again after Finish or CloseForReading; throws
    /// TStorageError when it cannot.
    void OpenForWriting();
    void CloseFile();
    bool ContinuesRun(const TUniverse& universe) const;
    std::int32_t KeyframeAtOrBefore(std::int32_t index) const;
    void Shrink(std::int32_t frames);

    std::string FilePath;
    bool Temporary = false;
    TH5Handle File;
    TH5Handle Group;
    TH5Handle IterationSet, OptimisationSet, PositionSet, HeatSet;
    TH5Handle PairOffsetSet, PairCountSet, PairIndexSet, PairDistanceSet, KeyframeSet;
    std::int32_t Particles = 0;
    TRecorderOptions FOptions;

    // Per frame, kept in memory to find frames and keyframes without reading: a few bytes
    // a frame.
    std::vector<std::int32_t> Iterations;
    std::vector<std::int64_t> PairOffsets;
    std::vector<std::int32_t> PairCounts;
    std::vector<std::int32_t> KeyframeList;
    std::int64_t PairTotal = 0;

    // Writing: a file closed for writing (its disk filled) says why here. Reserved is the
    // room taken on the disk, Unflushed what was appended since HDF5 last flushed.
    std::string ClosedBy;
    bool Writing = true;
    std::uint64_t Reserved = 0;
    std::uint64_t Unflushed = 0;

    // What tells whether the next frame continues the run of steps since the last one.
    bool ForceKeyframe = true;
    std::int32_t StepsSinceFrame = 0;
    TClock::time_point LastFrameAt;
    std::vector<double> LastParameters;
};
