// Reading a recording back: frames for playback, and any frame's exact state for resuming.
#include "Storage/Recording.h"

#include "Storage/H5Access.h"
#include "Storage/H5Series.h"
#include "Storage/UniverseIO.h"
#include "universe/Universe.h"

#include <algorithm>

namespace {

std::string KeyframeName(std::int32_t frame) {
    return "Keyframe" + std::to_string(frame);
}

TStorageResult NoSuchFrame(std::int32_t index, std::int32_t count) {
    return TStorageResult::Failure("The recording has no frame " + std::to_string(index) +
                                   " (it holds " + std::to_string(count) + ").");
}

} // namespace

std::int32_t TRecording::KeyframeAtOrBefore(std::int32_t index) const {
    const auto after = std::upper_bound(KeyframeList.begin(), KeyframeList.end(), index);
    return after == KeyframeList.begin() ? -1 : *(after - 1);
}

TStorageResult TRecording::ReadFrame(std::int32_t index, TRecordedFrame& frame) const {
    H5Access::SilenceErrors();
    if (index < 0 || index >= FrameCount())
        return NoSuchFrame(index, FrameCount());
    const auto k = static_cast<std::size_t>(index);
    const auto n = static_cast<std::size_t>(Particles);
    try {
        TRecordedFrame read;
        read.IterationCount = Iterations[k];
        read.Positions.resize(3 * n);
        read.Heat.resize(n);
        H5Series::Read(OptimisationSet, H5T_NATIVE_FLOAT, k, 1, &read.Optimisation);
        H5Series::Read(PositionSet, H5T_NATIVE_FLOAT, k, 1, read.Positions.data());
        H5Series::Read(HeatSet, H5T_NATIVE_FLOAT, k, 1, read.Heat.data());
        const auto pairs = static_cast<std::size_t>(PairCounts[k]);
        std::vector<std::int32_t> indices(2 * pairs);
        std::vector<float> distances(pairs);
        const auto offset = static_cast<hsize_t>(PairOffsets[k]);
        H5Series::Read(PairIndexSet, H5T_NATIVE_INT32, offset, pairs, indices.data());
        H5Series::Read(PairDistanceSet, H5T_NATIVE_FLOAT, offset, pairs, distances.data());
        read.Pairs.resize(pairs);
        for (std::size_t p = 0; p < pairs; ++p) {
            const std::int32_t upper = indices[2 * p];
            const std::int32_t lower = indices[2 * p + 1];
            // Views index particles with these: they must name particles that exist.
            if (lower < 0 || upper <= lower || upper >= Particles)
                throw TStorageError("A close pair of frame " + std::to_string(index) +
                                    " names particles that do not exist.");
            read.Pairs[p] = TRecordedPair{upper, lower, distances[p]};
        }
        frame = std::move(read);
    } catch (const TStorageError& error) {
        return TStorageResult::Failure(error.what());
    }
    return TStorageResult::Success();
}

TStorageResult TRecording::ReadKeyframe(std::int32_t index,
                                        std::unique_ptr<TUniverse>& universe) const {
    H5Access::SilenceErrors();
    if (index < 0 || index >= FrameCount())
        return NoSuchFrame(index, FrameCount());
    const std::int32_t keyframe = KeyframeAtOrBefore(index);
    try {
        TH5Handle keyframes = H5Access::OpenGroup(Group, "Keyframes");
        std::unique_ptr<TUniverse> read =
            UniverseIO::Read(H5Access::OpenGroup(keyframes, KeyframeName(keyframe)));
        if (read->LastIndex + 1 != Particles || read->IterationCount != Iterations.at(keyframe))
            throw TStorageError("Keyframe " + std::to_string(keyframe) +
                                " does not match its frame.");
        universe = std::move(read);
    } catch (const TStorageError& error) {
        return TStorageResult::Failure(error.what());
    } catch (const std::out_of_range&) {
        return TStorageResult::Failure("The recording's keyframe list is damaged.");
    }
    return TStorageResult::Success();
}

TStorageResult TRecording::RestoreState(std::int32_t index, std::unique_ptr<TUniverse>& universe,
                                        const std::atomic<bool>* cancel) const {
    std::unique_ptr<TUniverse> state;
    if (TStorageResult read = ReadKeyframe(index, state); !read.Ok)
        return read;
    // Frames after a keyframe, up to the next, follow from it step by step with nothing
    // changed in between; the recording made sure of that when it took them.
    const std::int64_t steps =
        static_cast<std::int64_t>(Iterations[static_cast<std::size_t>(index)]) -
        state->IterationCount;
    if (steps < 0)
        return TStorageResult::Failure("Frame " + std::to_string(index) +
                                       " comes before its keyframe.");
    for (std::int64_t s = 0; s < steps; ++s) {
        if (cancel != nullptr && cancel->load(std::memory_order_relaxed))
            return TStorageResult::Failure("Restoring the frame was cancelled.");
        state->Step(0, state->LastIndex);
    }
    universe = std::move(state);
    return TStorageResult::Success();
}

void TRecording::ApplyFrame(const TRecordedFrame& frame, TUniverse& universe) {
    const std::size_t n =
        std::min(static_cast<std::size_t>(universe.LastIndex + 1), frame.Heat.size());
    for (std::size_t i = 0; i < n && 3 * i + 2 < frame.Positions.size(); ++i) {
        TParticle& p = universe.Particles[i];
        p.X = frame.Positions[3 * i];
        p.Y = frame.Positions[3 * i + 1];
        p.Z = frame.Positions[3 * i + 2];
        p.Heat = frame.Heat[i];
    }
    std::size_t pairs = 0;
    for (const TRecordedPair& pair : frame.Pairs) {
        if (pairs == TUniverse::MaxPairs)
            break;
        if (pair.Upper <= universe.LastIndex)
            universe.Pairs[pairs++] =
                TPairEntry{pair.Upper, pair.Lower, static_cast<double>(pair.Distance)};
    }
    universe.PairLast = static_cast<std::int32_t>(pairs) - 1;
    universe.IterationCount = frame.IterationCount;
    universe.Optimisation = frame.Optimisation;
}
