// Making a recording: creating and opening its file, appending frames and keyframes, and
// cutting it short. Reading frames back is in RecordingRead.cpp.
#include "Storage/Recording.h"

#include "Storage/AtomicFile.h"
#include "Storage/FileLayout.h"
#include "Storage/H5Access.h"
#include "Storage/H5Series.h"
#include "Storage/Isolated.h"
#include "Storage/SimulationFile.h"
#include "Storage/UniverseIO.h"
#include "universe/Universe.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

using H5Access::Check;

constexpr hsize_t ListChunkRows = 1024;
constexpr hsize_t PairChunkRows = 4096;
constexpr std::int32_t MaxOption = 10000;
constexpr std::int32_t MaxPlaybackRate = 240;
// HDF5 holds new chunks in its cache and gives them room in the file only when it writes
// them: a flush at least this often bounds what the room reserved must allow for.
constexpr std::uint64_t FlushEvery = std::uint64_t{2} << 20;

std::string KeyframeName(std::int32_t frame) {
    return "Keyframe" + std::to_string(frame);
}

// Everything but the particles that decides how the next step goes: when any of it
// changes between frames, the steps between them cannot be replayed from the earlier one.
std::vector<double> Parameters(const TUniverse& u) {
    return {static_cast<double>(u.LastIndex),
            u.UseThermodynamics ? 1.0 : 0.0,
            static_cast<double>(u.Formation),
            u.Distribution,
            u.Space,
            u.Velocity,
            u.Mass,
            u.Globular,
            u.Friction,
            u.Pressure,
            u.Separation,
            u.Radiation,
            static_cast<double>(u.LocalitySize),
            static_cast<double>(u.RedoFrequency),
            static_cast<double>(u.MatrixResolution),
            static_cast<double>(u.MaxSeparation),
            static_cast<double>(u.GravityMethod),
            u.OpeningAngle};
}

// The Recording group with its attributes and empty datasets.
void WriteLayout(hid_t file, std::int32_t particleCount, const TRecorderOptions& options) {
    TH5Handle group = H5Access::CreateGroup(file, "Recording");
    H5Access::WriteInt(group, "ParticleCount", particleCount);
    H5Access::WriteInt(group, "KeyframeInterval", options.KeyframeInterval);
    H5Access::WriteInt(group, "RecordEvery", options.RecordEvery);
    H5Access::WriteInt(group, "PlaybackRate", options.PlaybackRate);
    const auto n = static_cast<hsize_t>(particleCount);
    const std::array<hsize_t, 2> positionRow{n, 3};
    const std::array<hsize_t, 1> heatRow{n};
    const std::array<hsize_t, 1> pairRow{2};
    const std::span<const hsize_t> scalarRow;
    H5Series::Create(group, "IterationCount", H5T_NATIVE_INT32, scalarRow, ListChunkRows);
    H5Series::Create(group, "Optimisation", H5T_NATIVE_FLOAT, scalarRow, ListChunkRows);
    H5Series::Create(group, "Position", H5T_NATIVE_FLOAT, positionRow, 1);
    H5Series::Create(group, "Heat", H5T_NATIVE_FLOAT, heatRow, 1);
    H5Series::Create(group, "PairOffset", H5T_NATIVE_INT64, scalarRow, ListChunkRows);
    H5Series::Create(group, "PairCount", H5T_NATIVE_INT32, scalarRow, ListChunkRows);
    H5Series::Create(group, "PairIndex", H5T_NATIVE_INT32, pairRow, PairChunkRows);
    H5Series::Create(group, "PairDistance", H5T_NATIVE_FLOAT, scalarRow, PairChunkRows);
    H5Series::Create(group, "KeyframeList", H5T_NATIVE_INT32, scalarRow, ListChunkRows);
    H5Access::CreateGroup(group, "Keyframes");
}

// The simulation kept beside the frames is written afresh each time recording stops or
// begins, and the file is closed and opened again in between. HDF5 forgets the room the
// old state leaves at each close unless the file keeps its free space: then the next state
// takes that room, and pausing and resuming grows the file by the frames alone.
TH5Handle CreationList() {
    TH5Handle list(Check(H5Pcreate(H5P_FILE_CREATE), "HDF5 cannot be set up."), H5Pclose);
    Check(H5Pset_file_space_strategy(list, H5F_FSPACE_STRATEGY_FSM_AGGR, 1, 1),
          "HDF5 cannot be set up.");
    return list;
}

TStorageResult Failure(const TStorageError& error) {
    return TStorageResult::Failure(error.what());
}

} // namespace

std::string TRecorderOptions::Problem() const {
    if (KeyframeInterval < 1 || KeyframeInterval > MaxOption)
        return "The keyframe interval must be 1 to " + std::to_string(MaxOption) + ".";
    if (RecordEvery < 0 || RecordEvery > MaxOption)
        return "The step spacing of frames must be 0 (paced by time) to " +
               std::to_string(MaxOption) + ".";
    if (PlaybackRate < 1 || PlaybackRate > MaxPlaybackRate)
        return "The playback rate must be 1 to " + std::to_string(MaxPlaybackRate) +
               " frames per second.";
    return {};
}

TRecording::~TRecording() {
    if (!Temporary) {
        if (File.Valid())
            H5Fflush(File, H5F_SCOPE_LOCAL);
        CloseFile();
        // A file the user named keeps none of the room taken for frames to come.
        if (Reserved > 0) {
            try {
                AtomicFile::TrimToContents(FilePath);
            } catch (const TStorageError&) {
            }
        }
        return;
    }
    CloseFile();
    std::remove(FilePath.c_str());
}

TStorageResult TRecording::Create(const std::string& path, std::int32_t particleCount,
                                  const TRecorderOptions& options,
                                  std::unique_ptr<TRecording>& recording) {
    H5Access::SilenceErrors();
    if (const std::string problem = options.Problem(); !problem.empty())
        return TStorageResult::Failure(problem);
    if (particleCount < 1 || particleCount > UniverseIO::MaxParticles())
        return TStorageResult::Failure("A recording needs 1 to " +
                                       std::to_string(UniverseIO::MaxParticles()) + " particles.");
    try {
        TH5Handle access = H5Access::FileAccessList();
        TH5Handle file(H5Fcreate(path.c_str(), H5F_ACC_TRUNC, CreationList(), access), H5Fclose);
        Check(file.Get(), "The recording " + path + " cannot be created.");
        H5Access::WriteInt(file, "FormatVersion", SimulationFile::FormatVersion);
        H5Access::WriteString(file, "Program", "Astrivo 2");
        WriteLayout(file, particleCount, options);
        Check(H5Fflush(file, H5F_SCOPE_LOCAL), "The recording " + path + " cannot be written.");
    } catch (const TStorageError& error) {
        std::remove(path.c_str());
        return Failure(error);
    }
    return Open(path, recording);
}

TStorageResult TRecording::Open(const std::string& path, std::unique_ptr<TRecording>& recording) {
    H5Access::SilenceErrors();
    try {
        std::unique_ptr<TRecording> opened(new TRecording);
        opened->Attach(path, H5F_ACC_RDWR);
        recording = std::move(opened);
    } catch (const TStorageError& error) {
        return TStorageResult::Failure("Cannot open the recording in " + path + ". " +
                                       error.what());
    }
    return TStorageResult::Success();
}

TStorageResult TRecording::Extract(const std::string& source, const std::string& path,
                                   std::unique_ptr<TRecording>& recording) {
    H5Access::SilenceErrors();
    // The copy is made in a child: should HDF5 fault on the source, only the child goes.
    // What it leaves at path is a file this program wrote from checked reads.
    std::error_code unknown;
    const std::uintmax_t bytes = std::filesystem::file_size(source, unknown);
    const TStorageResult copied =
        Isolated::Run([&] { return CopyOut(source, path); }, unknown ? 0 : bytes);
    if (!copied.Ok) {
        std::remove(path.c_str());
        return copied;
    }
    return Open(path, recording);
}

TStorageResult TRecording::CopyOut(const std::string& source, const std::string& path) {
    // The source is read, never copied as HDF5 objects: copying hands its structure,
    // damaged or not, to HDF5's copy code, while reading checks every chunk and keyframe.
    std::unique_ptr<TRecording> from(new TRecording);
    try {
        from->Attach(source, H5F_ACC_RDONLY);
    } catch (const TStorageError& error) {
        return TStorageResult::Failure("Its recording cannot be read. " +
                                       std::string(error.what()));
    }
    std::unique_ptr<TRecording> to;
    if (TStorageResult created = Create(path, from->Particles, from->FOptions, to); !created.Ok)
        return created;
    try {
        to->CopyFrames(*from);
        Check(H5Fflush(to->File, H5F_SCOPE_LOCAL), "The recording " + path + " cannot be written.");
        to.reset();
    } catch (const TStorageError& error) {
        to.reset();
        std::remove(path.c_str());
        return TStorageResult::Failure("Its recording cannot be read. " +
                                       std::string(error.what()));
    } catch (const std::bad_alloc&) {
        to.reset();
        std::remove(path.c_str());
        return TStorageResult::Failure("There is not enough memory to read its recording.");
    }
    return TStorageResult::Success();
}

void TRecording::Attach(const std::string& path, unsigned flags) {
    FilePath = path;
    File = FileLayout::Open(path, flags);
    FileLayout::Require(File);
    Group = H5Access::OpenGroup(File, "Recording");
    Particles = H5Access::ReadInt(Group, "ParticleCount");
    if (Particles < 1 || Particles > UniverseIO::MaxParticles())
        throw TStorageError("Its particle count " + std::to_string(Particles) +
                            " is outside 1 to " + std::to_string(UniverseIO::MaxParticles()) + ".");
    FOptions.KeyframeInterval = H5Access::ReadInt(Group, "KeyframeInterval");
    FOptions.RecordEvery = H5Access::ReadInt(Group, "RecordEvery");
    FOptions.PlaybackRate = H5Access::ReadInt(Group, "PlaybackRate");
    if (const std::string problem = FOptions.Problem(); !problem.empty())
        throw TStorageError(problem);
    OpenSets();
}

void TRecording::OpenSets() {
    const auto n = static_cast<hsize_t>(Particles);
    const std::array<hsize_t, 2> positionRow{n, 3};
    const std::array<hsize_t, 1> heatRow{n};
    const std::array<hsize_t, 1> pairRow{2};
    const std::span<const hsize_t> scalarRow;
    hsize_t frames = 0, rows = 0, pairs = 0, keyframes = 0;
    IterationSet = H5Series::Open(Group, "IterationCount", H5T_NATIVE_INT32, scalarRow, frames);
    // A frame counts once its iteration is written, which an append does last: longer
    // datasets beside it are the remains of an append that did not finish.
    const auto atLeastFrames = [&](TH5Handle set, hsize_t found, const char* name) {
        if (found < frames)
            throw TStorageError(std::string("The dataset ") + name +
                                " is shorter than the frame list.");
        return set;
    };
    OptimisationSet = H5Series::Open(Group, "Optimisation", H5T_NATIVE_FLOAT, scalarRow, rows);
    OptimisationSet = atLeastFrames(std::move(OptimisationSet), rows, "Optimisation");
    PositionSet = H5Series::Open(Group, "Position", H5T_NATIVE_FLOAT, positionRow, rows);
    PositionSet = atLeastFrames(std::move(PositionSet), rows, "Position");
    HeatSet = H5Series::Open(Group, "Heat", H5T_NATIVE_FLOAT, heatRow, rows);
    HeatSet = atLeastFrames(std::move(HeatSet), rows, "Heat");
    PairOffsetSet = H5Series::Open(Group, "PairOffset", H5T_NATIVE_INT64, scalarRow, rows);
    PairOffsetSet = atLeastFrames(std::move(PairOffsetSet), rows, "PairOffset");
    PairCountSet = H5Series::Open(Group, "PairCount", H5T_NATIVE_INT32, scalarRow, rows);
    PairCountSet = atLeastFrames(std::move(PairCountSet), rows, "PairCount");
    PairIndexSet = H5Series::Open(Group, "PairIndex", H5T_NATIVE_INT32, pairRow, pairs);
    PairDistanceSet = H5Series::Open(Group, "PairDistance", H5T_NATIVE_FLOAT, scalarRow, rows);
    if (rows < pairs)
        throw TStorageError("The dataset PairDistance is shorter than PairIndex.");
    KeyframeSet = H5Series::Open(Group, "KeyframeList", H5T_NATIVE_INT32, scalarRow, keyframes);
    H5Access::OpenGroup(Group, "Keyframes");
    if (frames > static_cast<hsize_t>(INT32_MAX) || keyframes > frames + 1)
        throw TStorageError("Its frame list is damaged.");

    Iterations.resize(frames);
    PairOffsets.resize(frames);
    PairCounts.resize(frames);
    KeyframeList.resize(keyframes);
    H5Series::Read(IterationSet, H5T_NATIVE_INT32, 0, frames, Iterations.data());
    H5Series::Read(PairOffsetSet, H5T_NATIVE_INT64, 0, frames, PairOffsets.data());
    H5Series::Read(PairCountSet, H5T_NATIVE_INT32, 0, frames, PairCounts.data());
    H5Series::Read(KeyframeSet, H5T_NATIVE_INT32, 0, keyframes, KeyframeList.data());

    std::int64_t expected = 0;
    for (std::size_t k = 0; k < frames; ++k) {
        if (PairOffsets[k] != expected || PairCounts[k] < 0 || PairCounts[k] > TUniverse::MaxPairs)
            throw TStorageError("The close pairs of frame " + std::to_string(k) + " are damaged.");
        expected += PairCounts[k];
        if (Iterations[k] < 0 || (k > 0 && Iterations[k] < Iterations[k - 1] &&
                                  !std::binary_search(KeyframeList.begin(), KeyframeList.end(),
                                                      static_cast<std::int32_t>(k))))
            throw TStorageError("The iteration count of frame " + std::to_string(k) +
                                " is damaged.");
    }
    if (expected > static_cast<std::int64_t>(pairs))
        throw TStorageError("The close-pair list is shorter than its frames need.");
    PairTotal = expected;
    // Keyframes beyond the last whole frame belong to an append that did not finish.
    while (!KeyframeList.empty() && KeyframeList.back() >= static_cast<std::int32_t>(frames))
        KeyframeList.pop_back();
    for (std::size_t k = 0; k < KeyframeList.size(); ++k)
        if (KeyframeList[k] < 0 || (k > 0 && KeyframeList[k] <= KeyframeList[k - 1]))
            throw TStorageError("Its keyframe list is damaged.");
    if (frames > 0 && (KeyframeList.empty() || KeyframeList.front() != 0))
        throw TStorageError("Its first frame has no keyframe.");
    ForceKeyframe = true;
}

TStorageResult TRecording::SetOptions(const TRecorderOptions& options) {
    H5Access::SilenceErrors();
    if (const std::string problem = options.Problem(); !problem.empty())
        return TStorageResult::Failure(problem);
    try {
        OpenForWriting();
        for (const auto& [name, value] : {std::pair{"KeyframeInterval", options.KeyframeInterval},
                                          std::pair{"RecordEvery", options.RecordEvery},
                                          std::pair{"PlaybackRate", options.PlaybackRate}}) {
            Check(H5Adelete(Group, name), "The recorder options cannot be written.");
            H5Access::WriteInt(Group, name, value);
        }
    } catch (const TStorageError& error) {
        return Failure(error);
    }
    if (options.RecordEvery != FOptions.RecordEvery)
        ForceKeyframe = true;
    FOptions = options;
    return TStorageResult::Success();
}

TStorageResult TRecording::Begin(const TUniverse& universe) {
    ForceKeyframe = true;
    return Append(universe);
}

TStorageResult TRecording::StepTaken(const TUniverse& universe, bool running,
                                     TClock::time_point now) {
    ++StepsSinceFrame;
    // Paced by time, a fast engine's steps between two frames are left out; the frames
    // still continue one run of steps, so no keyframe is needed for the gap.
    constexpr auto spacing = std::chrono::duration_cast<TClock::duration>(std::chrono::seconds(1)) /
                             TRecorderOptions::FramesPerSecond;
    const bool skip = FOptions.RecordEvery > 0 ? StepsSinceFrame < FOptions.RecordEvery
                                               : running && now - LastFrameAt < spacing;
    if (skip && !Iterations.empty())
        return TStorageResult::Success();
    const TStorageResult result = Append(universe);
    if (result.Ok)
        LastFrameAt = now;
    return result;
}

bool TRecording::ContinuesRun(const TUniverse& universe) const {
    return !ForceKeyframe && !Iterations.empty() && Parameters(universe) == LastParameters &&
           static_cast<std::int64_t>(universe.IterationCount) ==
               static_cast<std::int64_t>(Iterations.back()) + StepsSinceFrame;
}

TStorageResult TRecording::Append(const TUniverse& universe) {
    H5Access::SilenceErrors();
    if (!ClosedBy.empty())
        return TStorageResult::Failure(ClosedBy);
    if (universe.LastIndex + 1 != Particles)
        return TStorageResult::Failure(
            "The universe has " + std::to_string(universe.LastIndex + 1) +
            " particles; this recording is of " + std::to_string(Particles) + ".");
    const bool keyframe = !ContinuesRun(universe) || KeyframeList.empty() ||
                          FrameCount() - KeyframeList.back() >= FOptions.KeyframeInterval;
    // HDF5 must not meet a full disk: it then leaves the file half written and flagged as
    // open. So the room comes first, and without it the recording ends here, cleanly.
    try {
        OpenForWriting();
    } catch (const TStorageError& error) {
        return TStorageResult::Failure("The recording " + FilePath + " cannot be written. " +
                                       error.what());
    }
    try {
        Reserve(universe, keyframe);
    } catch (const TStorageError&) {
        const int cause = errno;
        std::string why = "There is no room on the disk for the recording " + FilePath;
        if (cause != 0)
            why += " (" + std::string(std::strerror(cause)) + ")";
        CloseForReading(why);
        ClosedBy += ". It was closed with its " + std::to_string(FrameCount()) +
                    " frames, which can still be played and saved elsewhere.";
        return TStorageResult::Failure(ClosedBy);
    }
    try {
        AppendFrame(universe, keyframe);
    } catch (const TStorageError& error) {
        // The frame lists in memory were not advanced; the file is read back as it is.
        CloseForReading(error.what() + std::string(" The recording was closed."));
        return TStorageResult::Failure(ClosedBy);
    }
    StepsSinceFrame = 0;
    ForceKeyframe = false;
    LastParameters = Parameters(universe);
    return TStorageResult::Success();
}

void TRecording::AppendFrame(const TUniverse& u, bool keyframe) {
    const auto frame = static_cast<hsize_t>(Iterations.size());
    const auto n = static_cast<std::size_t>(Particles);
    std::vector<float> values(3 * n);
    for (std::size_t i = 0; i < n; ++i) {
        values[3 * i] = static_cast<float>(u.Particles[i].X);
        values[3 * i + 1] = static_cast<float>(u.Particles[i].Y);
        values[3 * i + 2] = static_cast<float>(u.Particles[i].Z);
    }
    H5Series::Write(PositionSet, H5T_NATIVE_FLOAT, frame, 1, values.data());
    for (std::size_t i = 0; i < n; ++i)
        values[i] = static_cast<float>(u.Particles[i].Heat);
    H5Series::Write(HeatSet, H5T_NATIVE_FLOAT, frame, 1, values.data());

    const std::int32_t pairs = std::clamp(u.PairLast + 1, 0, TUniverse::MaxPairs);
    std::vector<std::int32_t> indices(2 * static_cast<std::size_t>(pairs));
    std::vector<float> distances(static_cast<std::size_t>(pairs));
    for (std::size_t k = 0; k < distances.size(); ++k) {
        indices[2 * k] = u.Pairs[k].Upper;
        indices[2 * k + 1] = u.Pairs[k].Lower;
        distances[k] = static_cast<float>(u.Pairs[k].Distance);
    }
    const auto offset = static_cast<hsize_t>(PairTotal);
    H5Series::Write(PairIndexSet, H5T_NATIVE_INT32, offset, distances.size(), indices.data());
    H5Series::Write(PairDistanceSet, H5T_NATIVE_FLOAT, offset, distances.size(), distances.data());
    H5Series::Write(PairOffsetSet, H5T_NATIVE_INT64, frame, 1, &PairTotal);
    H5Series::Write(PairCountSet, H5T_NATIVE_INT32, frame, 1, &pairs);
    H5Series::Write(OptimisationSet, H5T_NATIVE_FLOAT, frame, 1, &u.Optimisation);

    const auto index = static_cast<std::int32_t>(frame);
    if (keyframe) {
        TH5Handle keyframes = H5Access::OpenGroup(Group, "Keyframes");
        const std::string name = KeyframeName(index);
        // Left over from an append that failed after writing it.
        if (H5Access::Exists(keyframes, name))
            H5Ldelete(keyframes, name.c_str(), H5P_DEFAULT);
        UniverseIO::Write(H5Access::CreateGroup(keyframes, name), u);
        H5Series::Write(KeyframeSet, H5T_NATIVE_INT32, KeyframeList.size(), 1, &index);
    }
    // Written last: from here on the frame counts.
    H5Series::Write(IterationSet, H5T_NATIVE_INT32, frame, 1, &u.IterationCount);
    // A keyframe is the point a crash can fall back to: make it reach the disk. What HDF5
    // holds back otherwise is bounded by the room reserved for it.
    Unflushed += FrameBytes(u, keyframe);
    if (keyframe || Unflushed >= FlushEvery) {
        Check(H5Fflush(File, H5F_SCOPE_LOCAL), "The recording " + FilePath + " cannot be written.");
        Unflushed = 0;
    }

    Iterations.push_back(u.IterationCount);
    PairOffsets.push_back(PairTotal);
    PairCounts.push_back(pairs);
    PairTotal += pairs;
    if (keyframe)
        KeyframeList.push_back(index);
}

TStorageResult TRecording::Truncate(std::int32_t lastKept) {
    H5Access::SilenceErrors();
    const std::int32_t frames = std::clamp(lastKept + 1, 0, FrameCount());
    try {
        // A cut makes room: a recording closed when its disk filled is written again.
        OpenForWriting();
        Shrink(frames);
    } catch (const TStorageError& error) {
        return Failure(error);
    }
    return TStorageResult::Success();
}

void TRecording::Shrink(std::int32_t frames) {
    const auto kept = static_cast<std::size_t>(frames);
    const std::int64_t pairs = kept < PairOffsets.size() ? PairOffsets[kept] : PairTotal;
    // The iteration list first: should anything below fail, the file still reads as the
    // shorter recording.
    H5Series::Resize(IterationSet, kept);
    TH5Handle keyframes = H5Access::OpenGroup(Group, "Keyframes");
    while (!KeyframeList.empty() && KeyframeList.back() >= frames) {
        H5Ldelete(keyframes, KeyframeName(KeyframeList.back()).c_str(), H5P_DEFAULT);
        KeyframeList.pop_back();
    }
    H5Series::Resize(KeyframeSet, KeyframeList.size());
    for (const hid_t set : {OptimisationSet.Get(), PositionSet.Get(), HeatSet.Get(),
                            PairOffsetSet.Get(), PairCountSet.Get()})
        H5Series::Resize(set, kept);
    H5Series::Resize(PairIndexSet, static_cast<hsize_t>(pairs));
    H5Series::Resize(PairDistanceSet, static_cast<hsize_t>(pairs));
    Iterations.resize(kept);
    PairOffsets.resize(kept);
    PairCounts.resize(kept);
    PairTotal = pairs;
    ForceKeyframe = true;
    StepsSinceFrame = 0;
    Check(H5Fflush(File, H5F_SCOPE_LOCAL), "The recording cannot be written.");
}

TStorageResult TRecording::Flush() {
    H5Access::SilenceErrors();
    if (H5Fflush(File, H5F_SCOPE_LOCAL) < 0)
        return TStorageResult::Failure("The recording " + FilePath + " cannot be written.");
    return TStorageResult::Success();
}

std::uint64_t TRecording::FileSize() const {
    H5Access::SilenceErrors();
    H5Fflush(File, H5F_SCOPE_LOCAL);
    hsize_t size = 0;
    return H5Fget_filesize(File, &size) < 0 ? 0 : size;
}

std::uint64_t TRecording::SpaceUsed() const {
    hsize_t size = 0;
    return H5Fget_filesize(File, &size) < 0 ? 0 : size;
}

void TRecording::CopyFrames(const TRecording& source) {
    const auto n = static_cast<std::size_t>(Particles);
    const auto frames = static_cast<hsize_t>(source.FrameCount());
    TH5Handle fromKeyframes = H5Access::OpenGroup(source.Group, "Keyframes");
    TH5Handle toKeyframes = H5Access::OpenGroup(Group, "Keyframes");
    for (const std::int32_t k : source.KeyframeList) {
        std::unique_ptr<TUniverse> state =
            UniverseIO::Read(H5Access::OpenGroup(fromKeyframes, KeyframeName(k)), false);
        if (state->LastIndex + 1 != Particles ||
            state->IterationCount != source.Iterations.at(static_cast<std::size_t>(k)))
            throw TStorageError("Keyframe " + std::to_string(k) + " does not match its frame.");
        UniverseIO::Write(H5Access::CreateGroup(toKeyframes, KeyframeName(k)), *state);
    }
    std::vector<float> values(3 * n);
    for (hsize_t f = 0; f < frames; ++f) {
        H5Series::Read(source.PositionSet, H5T_NATIVE_FLOAT, f, 1, values.data());
        H5Series::Write(PositionSet, H5T_NATIVE_FLOAT, f, 1, values.data());
        H5Series::Read(source.HeatSet, H5T_NATIVE_FLOAT, f, 1, values.data());
        H5Series::Write(HeatSet, H5T_NATIVE_FLOAT, f, 1, values.data());
    }
    const auto pairTotal = static_cast<hsize_t>(source.PairTotal);
    std::vector<std::int32_t> indices(2 * PairChunkRows);
    std::vector<float> distances(PairChunkRows);
    for (hsize_t first = 0; first < pairTotal; first += PairChunkRows) {
        const hsize_t count = std::min(PairChunkRows, pairTotal - first);
        H5Series::Read(source.PairIndexSet, H5T_NATIVE_INT32, first, count, indices.data());
        H5Series::Write(PairIndexSet, H5T_NATIVE_INT32, first, count, indices.data());
        H5Series::Read(source.PairDistanceSet, H5T_NATIVE_FLOAT, first, count, distances.data());
        H5Series::Write(PairDistanceSet, H5T_NATIVE_FLOAT, first, count, distances.data());
    }
    std::vector<float> optimisation(frames);
    H5Series::Read(source.OptimisationSet, H5T_NATIVE_FLOAT, 0, frames, optimisation.data());
    H5Series::Write(OptimisationSet, H5T_NATIVE_FLOAT, 0, frames, optimisation.data());
    H5Series::Write(PairOffsetSet, H5T_NATIVE_INT64, 0, frames, source.PairOffsets.data());
    H5Series::Write(PairCountSet, H5T_NATIVE_INT32, 0, frames, source.PairCounts.data());
    H5Series::Write(KeyframeSet, H5T_NATIVE_INT32, 0, source.KeyframeList.size(),
                    source.KeyframeList.data());
    // Written last, as by an append: until here the copy reads as an empty recording.
    H5Series::Write(IterationSet, H5T_NATIVE_INT32, 0, frames, source.Iterations.data());
    Iterations = source.Iterations;
    PairOffsets = source.PairOffsets;
    PairCounts = source.PairCounts;
    KeyframeList = source.KeyframeList;
    PairTotal = source.PairTotal;
    ForceKeyframe = true;
    StepsSinceFrame = 0;
}
