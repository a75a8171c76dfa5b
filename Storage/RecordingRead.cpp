// Reading a recording back: frames for playback, and any frame's exact state for resuming.
#include "Storage/Recording.h"

#include "Storage/H5Access.h"
#include "Storage/H5Series.h"
#include "Storage/UniverseIO.h"
#include "universe/StepControl.h"
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

TStorageResult TRecording::ReadFrame(std::int32_t index, TUniverseSnapshot& frame) const {
    H5Access::SilenceErrors();
    if (index < 0 || index >= FrameCount())
        return NoSuchFrame(index, FrameCount());
    const auto k = static_cast<std::size_t>(index);
    const auto n = static_cast<std::size_t>(Particles);
    try {
        TH5Handle keyframes = H5Access::OpenGroup(Group, "Keyframes");
        TH5Handle keyframe =
            H5Access::OpenGroup(keyframes, KeyframeName(KeyframeAtOrBefore(index)));
        const double space = H5Access::ReadDouble(keyframe, "Space");
        const std::int32_t thermodynamics = H5Access::ReadInt(keyframe, "UseThermodynamics");
        float optimisation = 0;
        H5Series::Read(OptimisationSet, H5T_NATIVE_FLOAT, k, 1, &optimisation);
        std::vector<float> values(3 * n);
        std::vector<float> heat(n);
        H5Series::Read(PositionSet, H5T_NATIVE_FLOAT, k, 1, values.data());
        H5Series::Read(HeatSet, H5T_NATIVE_FLOAT, k, 1, heat.data());
        const auto pairs = static_cast<std::size_t>(PairCounts[k]);
        std::vector<std::int32_t> indices(2 * pairs);
        std::vector<float> distances(pairs);
        const auto offset = static_cast<hsize_t>(PairOffsets[k]);
        H5Series::Read(PairIndexSet, H5T_NATIVE_INT32, offset, pairs, indices.data());
        H5Series::Read(PairDistanceSet, H5T_NATIVE_FLOAT, offset, pairs, distances.data());
        for (std::size_t p = 0; p < pairs; ++p) {
            // Views index particles with these: they must name particles that exist.
            if (indices[2 * p + 1] < 0 || indices[2 * p] <= indices[2 * p + 1] ||
                indices[2 * p] >= Particles)
                throw TStorageError("A close pair of frame " + std::to_string(index) +
                                    " names particles that do not exist.");
        }

        frame.IterationCount = Iterations[k];
        frame.Optimisation = optimisation;
        frame.Space = space;
        frame.UseThermodynamics = thermodynamics != 0;
        frame.Build = TUniverseSnapshot::TBuild::Built;
        frame.Particles.resize(n);
        for (std::size_t i = 0; i < n; ++i)
            frame.Particles[i] = {values[3 * i], values[3 * i + 1], values[3 * i + 2], heat[i]};
        frame.PairLast = static_cast<std::int32_t>(pairs) - 1;
        frame.Pairs.resize(pairs);
        for (std::size_t p = 0; p < pairs; ++p)
            frame.Pairs[p] = TPairEntry{indices[2 * p], indices[2 * p + 1], distances[p]};
    } catch (const TStorageError& error) {
        return TStorageResult::Failure(error.what());
    } catch (const std::bad_alloc&) {
        return TStorageResult::Failure("There is not enough memory to read the frame.");
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

TStorageResult TRecording::RestoreState(std::int32_t index,
                                        std::unique_ptr<TUniverse>& universe) const {
    std::unique_ptr<TUniverse> state;
    if (TStorageResult read = ReadKeyframe(index, state); !read.Ok)
        return read;
    if (!StepForward(*state, Iterations[static_cast<std::size_t>(index)]))
        return TStorageResult::Failure("Frame " + std::to_string(index) +
                                       " comes before its keyframe.");
    universe = std::move(state);
    return TStorageResult::Success();
}

bool TRecording::StepForward(TUniverse& state, std::int32_t iteration, TStepControl* control,
                             std::atomic<std::int32_t>* stepsDone) {
    // Frames after a keyframe, up to the next, follow from it step by step with nothing
    // changed in between; the recording made sure of that when it took them.
    const std::int64_t steps = static_cast<std::int64_t>(iteration) - state.IterationCount;
    if (steps < 0)
        return false;
    for (std::int64_t s = 0; s < steps; ++s) {
        if (control != nullptr) {
            if (StepControl::Cancelled(control))
                return false;
            // Each step's rows on their own, so that the display shows this step's share.
            control->Rows.store(0, std::memory_order_relaxed);
            control->RowsDone.store(0, std::memory_order_relaxed);
        }
        if (!state.Step(0, state.LastIndex, control))
            return false;
        if (stepsDone != nullptr)
            stepsDone->fetch_add(1, std::memory_order_relaxed);
    }
    return true;
}

void TRecording::ApplyFrame(const TUniverseSnapshot& frame, TUniverse& universe) {
    const std::size_t n =
        std::min(static_cast<std::size_t>(universe.LastIndex + 1), frame.Particles.size());
    for (std::size_t i = 0; i < n; ++i) {
        TParticle& p = universe.Particles[i];
        p.X = frame.Particles[i].X;
        p.Y = frame.Particles[i].Y;
        p.Z = frame.Particles[i].Z;
        p.Heat = frame.Particles[i].Heat;
    }
    std::size_t pairs = 0;
    for (const TPairEntry& pair : frame.Pairs) {
        if (pairs == TUniverse::MaxPairs)
            break;
        if (pair.Lower >= 0 && pair.Upper > pair.Lower && pair.Upper <= universe.LastIndex)
            universe.Pairs[pairs++] = pair;
    }
    universe.PairLast = static_cast<std::int32_t>(pairs) - 1;
    universe.IterationCount = frame.IterationCount;
    universe.Optimisation = frame.Optimisation;
    universe.Space = frame.Space;
    universe.UseThermodynamics = frame.UseThermodynamics;
}
