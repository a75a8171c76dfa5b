#include "statistics/FileStatistics.h"

#include "Storage/Recording.h"
#include "Storage/SimulationFile.h"
#include "statistics/FigureCsv.h"
#include "statistics/PairPotential.h"
#include "universe/Universe.h"
#include "universe/UniverseSnapshot.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <unistd.h>

namespace {

void NoteEstimate(const TFigureState& state, std::ostream& notes) {
    const auto n = static_cast<std::int32_t>(state.Particles.size());
    if (n > PairPotential::ExactLimit)
        notes << "potential of iteration " << state.IterationCount << " estimated from "
              << PairPotential::SampleRows(n) << " of " << n << " particles' pairs\n";
}

// The recording's frames, read from a copy in a scratch file: reading opens a recording for
// appending too, and the user's file is not ours to write.
TStorageResult WriteFrames(const std::string& path, std::ostream& out, std::ostream& notes) {
    std::string scratch =
        (std::filesystem::temp_directory_path() / "astrivo-statistics-XXXXXX").string();
    const int descriptor = ::mkstemp(scratch.data());
    if (descriptor < 0)
        return TStorageResult::Failure("No scratch file for the recording can be made.");
    ::close(descriptor);
    std::unique_ptr<TRecording> recording;
    if (TStorageResult extracted = TRecording::Extract(path, scratch, recording); !extracted.Ok) {
        std::filesystem::remove(scratch);
        return extracted;
    }
    recording->SetTemporary(true);

    TUniverseSnapshot frame;
    TFigureState state;
    std::unique_ptr<TUniverse> keyframe;
    std::int32_t keyframeFrame = -1;
    const std::vector<std::int32_t>& keyframes = recording->Keyframes();
    for (std::int32_t index = 0; index < recording->FrameCount(); ++index) {
        // Mass and Pressure are the parameters of the keyframe the frame was stepped from.
        const auto after = std::upper_bound(keyframes.begin(), keyframes.end(), index);
        const std::int32_t owner = after == keyframes.begin() ? -1 : *(after - 1);
        if (!keyframe || owner != keyframeFrame) {
            if (TStorageResult read = recording->ReadKeyframe(index, keyframe); !read.Ok)
                return read;
            keyframeFrame = owner;
        }
        if (TStorageResult read = recording->ReadFrame(index, frame); !read.Ok)
            return read;
        state.CopyFrom(frame, keyframe->Mass, keyframe->Pressure);
        NoteEstimate(state, notes);
        out << FigureCsv::Row(*Figures::WorkOut(state));
    }
    return TStorageResult::Success();
}

} // namespace

namespace FileStatistics {

TStorageResult Write(const std::string& path, bool frames, std::ostream& out, std::ostream& notes) {
    TSimulationContents contents;
    if (TStorageResult loaded = SimulationFile::Load(path, contents, false); !loaded.Ok)
        return loaded;
    TFigureState state;
    state.CopyFrom(*contents.Universe);
    contents.Universe.reset();
    NoteEstimate(state, notes);
    out << FigureCsv::Header() << FigureCsv::Row(*Figures::WorkOut(state));
    if (frames && contents.HasRecording)
        return WriteFrames(path, out, notes);
    if (frames)
        notes << path << " holds no recording: no frames to add\n";
    return TStorageResult::Success();
}

} // namespace FileStatistics
