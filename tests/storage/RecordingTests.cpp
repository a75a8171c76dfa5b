#include "StorageTestSupport.h"

#include "Storage/Recorder.h"
#include "Storage/Recording.h"
#include "Storage/SaveControl.h"
#include "Storage/SimulationFile.h"

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// A copy of a universe's state, to compare a restored frame with what was recorded.
struct TSnapshot {
    std::vector<TParticle> Particles;
    std::vector<TPairEntry> Pairs;
    std::int32_t IterationCount = 0;
    std::int32_t RedoCountdown = 0;
    float Optimisation = 0;
};

TSnapshot Take(const TUniverse& u) {
    TSnapshot s;
    s.Particles.assign(u.Particles, u.Particles + u.LastIndex + 1);
    s.Pairs.assign(u.Pairs.begin(), u.Pairs.begin() + (u.PairLast + 1));
    s.IterationCount = u.IterationCount;
    s.RedoCountdown = u.RedoCountdown;
    s.Optimisation = u.Optimisation;
    return s;
}

void ExpectState(const TSnapshot& s, const TUniverse& u) {
    ASSERT_EQ(s.Particles.size(), static_cast<std::size_t>(u.LastIndex + 1));
    EXPECT_EQ(s.IterationCount, u.IterationCount);
    EXPECT_EQ(s.RedoCountdown, u.RedoCountdown);
    EXPECT_EQ(s.Optimisation, u.Optimisation);
    for (std::size_t i = 0; i < s.Particles.size(); ++i)
        ASSERT_EQ(std::memcmp(&s.Particles[i], &u.Particles[i], offsetof(TParticle, CellX)), 0)
            << "particle " << i;
    ASSERT_EQ(s.Pairs.size(), static_cast<std::size_t>(u.PairLast + 1));
    for (std::size_t k = 0; k < s.Pairs.size(); ++k) {
        EXPECT_EQ(s.Pairs[k].Upper, u.Pairs[k].Upper);
        EXPECT_EQ(s.Pairs[k].Lower, u.Pairs[k].Lower);
        EXPECT_EQ(s.Pairs[k].Distance, u.Pairs[k].Distance);
    }
}

class RecordingTest : public ::testing::Test {
protected:
    // Records frames while stepping, keeping the exact state of each frame beside it.
    // Steps taken while processing runs come spacing apart from start on.
    void Record(TRecording& recording, int steps, bool running = false,
                TRecording::TClock::time_point start = {},
                TRecording::TClock::duration spacing = {}) {
        for (int s = 0; s < steps; ++s) {
            Universe->Step(0, Universe->LastIndex);
            const std::int32_t before = recording.FrameCount();
            ASSERT_TRUE(recording.StepTaken(*Universe, running, start + s * spacing).Ok);
            if (recording.FrameCount() > before)
                Frames.push_back(Take(*Universe));
        }
    }

    std::unique_ptr<TRecording> Create(const TRecorderOptions& options) {
        std::unique_ptr<TRecording> recording;
        const TStorageResult result =
            TRecording::Create(Path, Universe->LastIndex + 1, options, recording);
        EXPECT_TRUE(result.Ok) << result.Message;
        EXPECT_TRUE(recording->Begin(*Universe).Ok);
        Frames.push_back(Take(*Universe));
        return recording;
    }

    void ExpectEveryFrameRestores(const TRecording& recording) {
        ASSERT_EQ(recording.FrameCount(), static_cast<std::int32_t>(Frames.size()));
        for (std::int32_t k = 0; k < recording.FrameCount(); ++k) {
            SCOPED_TRACE("frame " + std::to_string(k));
            std::unique_ptr<TUniverse> state;
            const TStorageResult result = recording.RestoreState(k, state);
            ASSERT_TRUE(result.Ok) << result.Message;
            ExpectState(Frames[static_cast<std::size_t>(k)], *state);
        }
    }

    TTempFolder Folder;
    std::string Path = Folder.File("recording.astrivo");
    std::unique_ptr<TUniverse> Universe = BuildSmall();
    std::vector<TSnapshot> Frames;
};

TEST_F(RecordingTest, ResumingAtAFrameGivesItsStateAndTheOriginalRunAfterIt) {
    TRecorderOptions options;
    options.KeyframeInterval = 8;
    std::unique_ptr<TRecording> recording = Create(options);
    Record(*recording, 30);
    EXPECT_EQ(recording->Keyframes(), (std::vector<std::int32_t>{0, 8, 16, 24}));
    ExpectEveryFrameRestores(*recording);

    // From a frame between keyframes, the steps that follow are the original run's.
    std::unique_ptr<TUniverse> resumed;
    ASSERT_TRUE(recording->RestoreState(13, resumed).Ok);
    for (std::size_t k = 14; k < Frames.size(); ++k) {
        resumed->Step(0, resumed->LastIndex);
        ExpectState(Frames[k], *resumed);
    }
}

TEST_F(RecordingTest, FramesHoldTheFiguresPositionsHeatAndClosePairs) {
    std::unique_ptr<TRecording> recording = Create(TRecorderOptions{});
    Record(*recording, 6);
    for (std::int32_t k = 0; k < recording->FrameCount(); ++k) {
        TUniverseSnapshot frame;
        ASSERT_TRUE(recording->ReadFrame(k, frame).Ok);
        const TSnapshot& s = Frames[static_cast<std::size_t>(k)];
        EXPECT_EQ(frame.IterationCount, s.IterationCount);
        EXPECT_EQ(frame.Optimisation, s.Optimisation);
        EXPECT_EQ(frame.Space, Universe->Space);
        EXPECT_TRUE(frame.UseThermodynamics);
        ASSERT_EQ(frame.Particles.size(), s.Particles.size());
        for (std::size_t i = 0; i < s.Particles.size(); ++i) {
            EXPECT_EQ(frame.Particles[i].Y, static_cast<float>(s.Particles[i].Y));
            EXPECT_EQ(frame.Particles[i].Heat, static_cast<float>(s.Particles[i].Heat));
        }
        ASSERT_EQ(frame.Pairs.size(), s.Pairs.size());
        for (std::size_t p = 0; p < s.Pairs.size(); ++p) {
            EXPECT_EQ(frame.Pairs[p].Upper, s.Pairs[p].Upper);
            EXPECT_EQ(frame.Pairs[p].Lower, s.Pairs[p].Lower);
        }
    }
    TUniverseSnapshot none;
    EXPECT_FALSE(recording->ReadFrame(recording->FrameCount(), none).Ok);
    EXPECT_FALSE(recording->ReadFrame(-1, none).Ok);
}

TEST_F(RecordingTest, ChangedSettingsAndPausesStillRestoreExactly) {
    TRecorderOptions options;
    options.KeyframeInterval = 50;
    options.RecordEvery = 3;
    std::unique_ptr<TRecording> recording = Create(options);
    Record(*recording, 10);
    // A setting moved between frames: the frames before it replay with the old value, the
    // frames after it with the new one.
    Universe->SetMaxSeparation(5);
    Universe->SetLocalitySize(1);
    Record(*recording, 10);
    // Steps taken while not recording, then recording again.
    for (int s = 0; s < 4; ++s)
        Universe->Step(0, Universe->LastIndex);
    ASSERT_TRUE(recording->Begin(*Universe).Ok);
    Frames.push_back(Take(*Universe));
    Record(*recording, 9);
    ExpectEveryFrameRestores(*recording);
    EXPECT_GT(recording->Keyframes().size(), 2u);
}

TEST_F(RecordingTest, FramesPacedByTimeLeaveOutFastStepsAndStillRestoreExactly) {
    using namespace std::chrono_literals;
    TRecorderOptions options;
    ASSERT_EQ(options.RecordEvery, 0); // paced by time unless the user asks for steps
    options.KeyframeInterval = 3;
    std::unique_ptr<TRecording> recording = Create(options);
    const auto start = TRecording::TClock::now();
    // A step every 10 ms: the first after the start is kept, then one in four, as a frame
    // is due every 33.3 ms.
    Record(*recording, 17, true, start, 10ms);
    EXPECT_EQ(recording->FrameCount(), 1 + 5);
    // Single steps are the user's own pace and are all kept.
    Record(*recording, 2, false, start + 170ms, 1ms);
    EXPECT_EQ(recording->FrameCount(), 1 + 5 + 2);
    ExpectEveryFrameRestores(*recording);
}

TEST_F(RecordingTest, ChangesOfGravityMethodAndOpeningAngleReplayExactly) {
    TRecorderOptions options;
    options.KeyframeInterval = 50;
    std::unique_ptr<TRecording> recording = Create(options);
    Record(*recording, 5);
    Universe->SetGravityMethod(gmTree);
    Record(*recording, 5);
    Universe->SetOpeningAngle(0.35);
    Record(*recording, 5);
    Universe->SetGravityMethod(gmPairs);
    Record(*recording, 5);
    // The first frame stepped another way keeps the whole state: the steps before it cannot
    // be replayed from an earlier keyframe with the method or angle that keyframe had.
    EXPECT_EQ(recording->Keyframes(), (std::vector<std::int32_t>{0, 6, 11, 16}));
    ExpectEveryFrameRestores(*recording);
}

TEST_F(RecordingTest, ARecordingReopensAndCutsShortAfterAFrame) {
    TRecorderOptions options;
    options.KeyframeInterval = 5;
    {
        std::unique_ptr<TRecording> recording = Create(options);
        Record(*recording, 17);
    }
    std::unique_ptr<TRecording> recording;
    ASSERT_TRUE(TRecording::Open(Path, recording).Ok);
    EXPECT_EQ(recording->Options(), options);
    ExpectEveryFrameRestores(*recording);

    // Resume at frame 7: the frames after it go, and recording goes on from its state.
    std::unique_ptr<TUniverse> resumed;
    ASSERT_TRUE(recording->RestoreState(7, resumed).Ok);
    ASSERT_TRUE(recording->Truncate(7).Ok);
    EXPECT_EQ(recording->FrameCount(), 8);
    EXPECT_EQ(recording->Keyframes(), (std::vector<std::int32_t>{0, 5}));
    Frames.resize(8);
    Universe = std::move(resumed);
    Record(*recording, 6);
    recording.reset();

    ASSERT_TRUE(TRecording::Open(Path, recording).Ok);
    ExpectEveryFrameRestores(*recording);
    ASSERT_TRUE(recording->Truncate(-1).Ok);
    EXPECT_EQ(recording->FrameCount(), 0);
}

// What the recorder tells without reading the file (the count, each frame's step, the
// options) follows every change: frames taken only while on, a cut, a new spacing of frames
// after it, stopping, and a recording taken away.
TEST_F(RecordingTest, TheRecorderShowsWhatItsFileHoldsThroughCutsAndChanges) {
    TRecorder recorder;
    EXPECT_FALSE(recorder.Begin(*Universe).Ok);
    recorder.Replace(Create(TRecorderOptions{5, 1, 30}));
    ASSERT_EQ(recorder.FrameCount(), 1);
    std::vector<std::int32_t> steps{Universe->IterationCount};
    const auto step = [&](int count) {
        for (int s = 0; s < count; ++s) {
            Universe->Step(0, Universe->LastIndex);
            const std::int32_t before = recorder.FrameCount();
            ASSERT_TRUE(recorder.StepTaken(*Universe).Ok);
            if (recorder.FrameCount() > before)
                steps.push_back(Universe->IterationCount);
        }
    };
    const auto expectIndex = [&] {
        ASSERT_EQ(recorder.FrameCount(), static_cast<std::int32_t>(steps.size()));
        for (std::size_t k = 0; k < steps.size(); ++k)
            EXPECT_EQ(recorder.FrameIteration(static_cast<std::int32_t>(k)), steps[k]) << k;
        EXPECT_EQ(recorder.FrameIteration(recorder.FrameCount()), 0);
    };
    step(2); // not on yet: nothing taken
    EXPECT_EQ(recorder.FrameCount(), 1);
    ASSERT_TRUE(recorder.Begin(*Universe).Ok);
    steps.push_back(Universe->IterationCount);
    step(6);
    expectIndex();

    // Resuming at frame 3, a frame every other step from there.
    std::unique_ptr<TUniverse> state;
    std::int32_t iteration = 0;
    ASSERT_TRUE(recorder.ReadKeyframe(3, state, iteration).Ok);
    EXPECT_EQ(iteration, steps[3]);
    ASSERT_TRUE(TRecording::StepForward(*state, iteration));
    ASSERT_TRUE(recorder.Truncate(3).Ok);
    steps.resize(4);
    ASSERT_TRUE(recorder.SetOptions({5, 2, 12}).Ok);
    EXPECT_EQ(recorder.Options().PlaybackRate, 12);
    Universe = std::move(state);
    step(7);
    expectIndex();
    EXPECT_EQ(recorder.FrameIteration(5) - recorder.FrameIteration(4), 2);

    recorder.Stop();
    step(2);
    expectIndex();
    recorder.Replace(nullptr);
    EXPECT_FALSE(recorder.HasRecording());
    EXPECT_EQ(recorder.FrameCount(), 0);
    EXPECT_EQ(recorder.FrameIteration(0), 0);
    // Options chosen without a recording are the next recording's.
    EXPECT_EQ(recorder.Options(), (TRecorderOptions{5, 2, 12}));
    ASSERT_TRUE(recorder.SetOptions({7, 3, 24}).Ok);
    EXPECT_EQ(recorder.Options(), (TRecorderOptions{7, 3, 24}));
}

// A save holds the recording for as long as it copies it. What the window changes
// meanwhile (options, an erase, another recording) must not wait for that: it is shown at
// once, made in the file after the copy, and left out of the file being saved.
TEST_F(RecordingTest, ChangesDuringASaveNeitherWaitNorReachTheSavedFile) {
    TRecorder recorder;
    recorder.Replace(Create(TRecorderOptions{1, 1, 30}));
    ASSERT_TRUE(recorder.Begin(*Universe).Ok);
    // Every frame a keyframe, each copied as a part of its own: a save of many parts.
    for (int s = 0; s < 150; ++s) {
        Universe->Step(0, Universe->LastIndex);
        ASSERT_TRUE(recorder.StepTaken(*Universe).Ok);
    }
    recorder.Stop();
    const std::int32_t recorded = recorder.FrameCount();
    std::unique_ptr<TUniverse> other = BuildSmall(31, 9);
    const std::int32_t otherCount = other->LastIndex + 1;
    ASSERT_NE(otherCount, Universe->LastIndex + 1);
    std::unique_ptr<TRecording> next;
    ASSERT_TRUE(TRecording::Create(Folder.File("next.astrivo"), otherCount, {}, next).Ok);
    ASSERT_TRUE(next->Begin(*other).Ok);

    TSaveControl control;
    const std::string saved = Folder.File("saved.astrivo");
    TStorageResult result = TStorageResult::Failure("not run");
    std::thread saving([&] {
        result =
            recorder.Save(saved, *Universe, SettingsFor(SmallSettings()), TwoViews(), &control);
    });
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (control.PartsDone.load() < 5 && std::chrono::steady_clock::now() < until)
        std::this_thread::yield();
    const TRecorderOptions changed{9, 2, 60};
    ASSERT_TRUE(recorder.SetOptions(changed).Ok);
    EXPECT_EQ(recorder.Options(), changed);
    recorder.Erase();
    EXPECT_EQ(recorder.FrameCount(), 0);
    TUniverseSnapshot frame;
    EXPECT_FALSE(recorder.ReadFrame(0, frame).Ok);
    recorder.Replace(std::move(next));
    EXPECT_EQ(recorder.ParticleCount(), otherCount);
    ASSERT_EQ(recorder.FrameCount(), 1);
    ASSERT_TRUE(recorder.ReadFrame(0, frame).Ok);
    EXPECT_EQ(frame.LastIndex() + 1, otherCount);
    // All of it while the copy went on.
    EXPECT_LT(control.PartsDone.load(), control.Parts.load());
    saving.join();
    ASSERT_TRUE(result.Ok) << result.Message;

    std::unique_ptr<TRecording> copy;
    ASSERT_TRUE(TRecording::Extract(saved, Folder.File("copy.astrivo"), copy).Ok);
    EXPECT_EQ(copy->FrameCount(), recorded);
    EXPECT_EQ(copy->Options(), (TRecorderOptions{1, 1, 30}));
    // The first recording got its changes before it was closed.
    std::unique_ptr<TRecording> first;
    ASSERT_TRUE(TRecording::Open(Path, first).Ok);
    EXPECT_EQ(first->FrameCount(), 0);
    EXPECT_EQ(first->Options(), changed);
    EXPECT_EQ(recorder.ParticleCount(), otherCount);
}

// A build of another size while recording, or recording started while one is under way:
// the frames go on into a new recording that begins with a keyframe of the new universe.
TEST_F(RecordingTest, AUniverseOfAnotherSizeGoesOnInANewRecording) {
    TRecorder recorder;
    int made = 0;
    recorder.SetRenewal([&](std::int32_t particles, const TRecorderOptions& options,
                            std::unique_ptr<TRecording>& next) {
        return TRecording::Create(Folder.File("next" + std::to_string(made++) + ".astrivo"),
                                  particles, options, next);
    });
    recorder.Replace(Create(TRecorderOptions{4, 1, 30}));
    ASSERT_TRUE(recorder.Begin(*Universe).Ok);
    Universe->Step(0, Universe->LastIndex);
    ASSERT_TRUE(recorder.StepTaken(*Universe).Ok);
    const std::int32_t taken = recorder.FrameCount();

    std::unique_ptr<TUniverse> other = BuildSmall(31, 9);
    other->Step(0, other->LastIndex);
    ASSERT_TRUE(recorder.StepTaken(*other).Ok);
    EXPECT_EQ(made, 1);
    EXPECT_EQ(recorder.ParticleCount(), other->LastIndex + 1);
    ASSERT_EQ(recorder.FrameCount(), 1);
    EXPECT_EQ(recorder.FrameIteration(0), other->IterationCount);
    EXPECT_EQ(recorder.Options(), (TRecorderOptions{4, 1, 30}));
    other->Step(0, other->LastIndex);
    ASSERT_TRUE(recorder.StepTaken(*other).Ok);
    EXPECT_EQ(recorder.FrameCount(), 2);
    recorder.Stop();
    // The first recording keeps what it took.
    std::unique_ptr<TRecording> first;
    ASSERT_TRUE(TRecording::Open(Path, first).Ok);
    EXPECT_EQ(first->FrameCount(), taken);
    first.reset();

    // Started with the old size's recording, after the build of the new one.
    recorder.Replace(Create(TRecorderOptions{}));
    ASSERT_TRUE(recorder.Begin(*other).Ok);
    EXPECT_EQ(made, 2);
    std::unique_ptr<TUniverse> state;
    std::int32_t iteration = 0;
    ASSERT_TRUE(recorder.ReadKeyframe(0, state, iteration).Ok);
    EXPECT_EQ(state->LastIndex, other->LastIndex);
    EXPECT_EQ(iteration, other->IterationCount);
}

TEST_F(RecordingTest, AUniverseOfAnotherSizeIsNotRecordedIntoIt) {
    std::unique_ptr<TRecording> recording = Create(TRecorderOptions{});
    std::unique_ptr<TUniverse> other = BuildSmall(31);
    EXPECT_FALSE(recording->Append(*other).Ok);
    EXPECT_EQ(recording->FrameCount(), 1);
}

TEST_F(RecordingTest, OptionsOutsideTheirRangesAreRefused) {
    std::unique_ptr<TRecording> recording = Create(TRecorderOptions{});
    for (const TRecorderOptions bad :
         {TRecorderOptions{0, 1, 30}, TRecorderOptions{100, -1, 30}, TRecorderOptions{100, 1, 0},
          TRecorderOptions{100, 1, 1000}}) {
        EXPECT_FALSE(bad.Problem().empty());
        EXPECT_FALSE(recording->SetOptions(bad).Ok);
    }
    EXPECT_EQ(recording->Options(), TRecorderOptions{});
    const TRecorderOptions changed{20, 2, 60};
    ASSERT_TRUE(recording->SetOptions(changed).Ok);
    recording.reset();
    ASSERT_TRUE(TRecording::Open(Path, recording).Ok);
    EXPECT_EQ(recording->Options(), changed);
}

TEST_F(RecordingTest, ASavedSimulationCarriesItsRecording) {
    TRecorderOptions options;
    options.KeyframeInterval = 4;
    std::unique_ptr<TRecording> recording = Create(options);
    Record(*recording, 9);
    const std::string file = Folder.File("with-recording.astrivo");
    ASSERT_TRUE(SimulationFile::Save(file, *Universe, SettingsFor(SmallSettings()), TwoViews(),
                                     recording.get())
                    .Ok);
    TSimulationContents contents;
    ASSERT_TRUE(SimulationFile::Load(file, contents).Ok);
    EXPECT_TRUE(contents.HasRecording);

    std::unique_ptr<TRecording> extracted;
    const TStorageResult result =
        TRecording::Extract(file, Folder.File("extracted.astrivo"), extracted);
    ASSERT_TRUE(result.Ok) << result.Message;
    ExpectEveryFrameRestores(*extracted);

    // Frames cut off (a resume) take no room in the next save, though the scratch file
    // that held them keeps its size.
    const std::string empty = Folder.File("no-frames.astrivo");
    ASSERT_TRUE(recording->Truncate(-1).Ok);
    ASSERT_TRUE(SimulationFile::Save(empty, *Universe, SettingsFor(SmallSettings()), TwoViews(),
                                     recording.get())
                    .Ok);
    const auto full = std::filesystem::file_size(file);
    const auto cut = std::filesystem::file_size(empty);
    EXPECT_LT(cut, full / 2);
}

TEST_F(RecordingTest, AScratchRecordingTakesItsFileAlongAndANamedOneLeavesIt) {
    std::unique_ptr<TRecording> named = Create(TRecorderOptions{});
    Record(*named, 3);
    named.reset();
    EXPECT_TRUE(std::filesystem::exists(Path));
    std::unique_ptr<TRecording> reopened;
    ASSERT_TRUE(TRecording::Open(Path, reopened).Ok);
    EXPECT_EQ(reopened->FrameCount(), 4);
    reopened->SetTemporary(true);
    reopened.reset();
    EXPECT_FALSE(std::filesystem::exists(Path));
}

// A program killed while it records leaves its named file marked as open for writing. The
// file still opens, as the simulation kept when recording began, with the frames written.
// The kill comes between two frames: one inside HDF5's own writing of the file's structure
// can leave that half written, and the file is then refused as damaged.
TEST_F(RecordingTest, ANamedRecordingLeftByAKilledProgramOpensWithItsFrames) {
    constexpr int Taken = 4;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(ready[0]);
        TRecorderOptions options;
        options.KeyframeInterval = 1; // each frame reaches the disk as it is taken
        std::unique_ptr<TRecording> recording;
        if (!TRecording::Create(Path, Universe->LastIndex + 1, options, recording).Ok ||
            !recording->KeepSimulation(*Universe, SettingsFor(SmallSettings()), TwoViews()).Ok ||
            !recording->Begin(*Universe).Ok)
            ::_exit(1);
        for (int frame = 1; frame < Taken; ++frame) {
            Universe->Step(0, Universe->LastIndex);
            if (!recording->Append(*Universe).Ok)
                ::_exit(1);
        }
        // Still recording, the file open for writing, when the kill comes.
        const char done = 1;
        if (::write(ready[1], &done, 1) != 1)
            ::_exit(1);
        for (;;)
            ::pause();
    }
    ::close(ready[1]);
    char done = 0;
    const bool recorded = ::read(ready[0], &done, 1) == 1;
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(ready[0]);
    ASSERT_TRUE(recorded);
    ASSERT_TRUE(WIFSIGNALED(status));
    // The superblock's flags (byte 11) still say that a writer has the file open.
    std::ifstream in(Path, std::ios::binary);
    char superblock[12] = {};
    in.read(superblock, sizeof superblock);
    ASSERT_NE(superblock[11], 0) << "the killed program left the file unmarked";

    TSimulationContents contents;
    const TStorageResult loaded = SimulationFile::Load(Path, contents);
    ASSERT_TRUE(loaded.Ok) << loaded.Message;
    EXPECT_TRUE(contents.HasRecording);
    ExpectSameState(*Universe, *contents.Universe);
    EXPECT_EQ(contents.Views, TwoViews());
    std::unique_ptr<TRecording> extracted;
    const TStorageResult result =
        TRecording::Extract(Path, Folder.File("extracted.astrivo"), extracted);
    ASSERT_TRUE(result.Ok) << result.Message;
    ASSERT_EQ(extracted->FrameCount(), Taken);
    Frames.push_back(Take(*Universe));
    for (int frame = 1; frame < extracted->FrameCount(); ++frame) {
        Universe->Step(0, Universe->LastIndex);
        Frames.push_back(Take(*Universe));
    }
    ExpectEveryFrameRestores(*extracted);
}

// Each stop of a named recording, and each start, writes the simulation beside the frames
// afresh, the file closed in between: the old state's room is taken again, so pausing and
// resuming grows the file by the frames alone.
TEST_F(RecordingTest, KeepingTheSimulationAgainAndAgainDoesNotGrowTheFile) {
    std::unique_ptr<TRecording> recording = Create(TRecorderOptions{});
    const auto stopAndKeep = [&] {
        EXPECT_TRUE(
            recording->KeepSimulation(*Universe, SettingsFor(SmallSettings()), TwoViews()).Ok);
        recording->Finish();
        return std::filesystem::file_size(Path);
    };
    const auto once = stopAndKeep();
    for (int time = 2; time <= 5; ++time)
        EXPECT_LE(stopAndKeep(), once) << "after " << time << " times";
}

} // namespace
