#include "statistics/FileStatistics.h"

#include "Storage/AtomicFile.h"
#include "Storage/Recording.h"
#include "Storage/SimulationFile.h"
#include "statistics/FigureCsv.h"
#include "statistics/PairPotential.h"
#include "universe/Universe.h"
#include "universe/UniverseSnapshot.h"

#include <algorithm>
#include <filesystem>
#include <memory>

namespace {

void NoteEstimate(const TFigureState& state, std::ostream& notes) {
    const auto n = static_cast<std::int32_t>(state.Particles.size());
    if (n > PairPotential::ExactLimit)
        notes << "potential of iteration " << state.IterationCount << " estimated from "
              << PairPotential::SampleRows(n) << " of " << n << " particles' pairs\n";
}

// The recording's frames, each with the figures of its state.
TStorageResult WriteFrames(TRecording& recording, std::ostream& out, std::ostream& notes) {
    TUniverseSnapshot frame;
    TFigureState state;
    std::unique_ptr<TUniverse> keyframe;
    std::int32_t keyframeFrame = -1;
    const std::vector<std::int32_t>& keyframes = recording.Keyframes();
    for (std::int32_t index = 0; index < recording.FrameCount(); ++index) {
        // Mass and Pressure are the parameters of the keyframe the frame was stepped from.
        const auto after = std::upper_bound(keyframes.begin(), keyframes.end(), index);
        const std::int32_t owner = after == keyframes.begin() ? -1 : *(after - 1);
        if (!keyframe || owner != keyframeFrame) {
            if (TStorageResult read = recording.ReadKeyframe(index, keyframe); !read.Ok)
                return read;
            keyframeFrame = owner;
        }
        if (TStorageResult read = recording.ReadFrame(index, frame); !read.Ok)
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
    // The frames are read from a copy in a scratch file, made by the child that reads the
    // file: reading opens a recording for appending too, and the user's file is not ours
    // to write. The copy goes with the recording.
    std::string scratch;
    if (frames)
        if (TStorageResult made = AtomicFile::Scratch("astrivo-statistics", scratch); !made.Ok)
            return made;
    TSimulationContents contents;
    std::unique_ptr<TRecording> recording;
    const TStorageResult loaded = SimulationFile::Load(path, contents, false, scratch, recording);
    if (recording)
        recording->SetTemporary(true);
    else if (!scratch.empty())
        std::filesystem::remove(scratch);
    if (!loaded.Ok)
        return loaded;
    TFigureState state;
    state.CopyFrom(*contents.Universe);
    contents.Universe.reset();
    NoteEstimate(state, notes);
    out << FigureCsv::Header() << FigureCsv::Row(*Figures::WorkOut(state));
    if (recording)
        return WriteFrames(*recording, out, notes);
    if (frames)
        notes << path << " holds no recording: no frames to add\n";
    return TStorageResult::Success();
}

} // namespace FileStatistics
