// Saving copies the whole recording into the file on the engine thread. The window must go
// on meanwhile: what it asks of the recording on every shown step, the frames it plays
// back, and what it changes in the recording, may not wait for the copy.
#include "RecorderTestSupport.h"

#include "Main/SimulationSession.h"
#include "Storage/Recorder.h"
#include "Storage/SimulationFile.h"
#include "universe/SettingsFormulas.h"
#include "universe/SimulationRunner.h"
#include "universe/Universe.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <thread>

namespace {

using TClock = std::chrono::steady_clock;
using std::chrono::milliseconds;

double Ms(TClock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// How long the calling thread has run and has waited to run, in ms (Linux's scheduler
// statistics): what is left of a turn's time beyond these the thread slept, idle or
// waiting for a lock. A busy machine then delays a turn without making it look blocked.
double RunnableMs() {
    std::ifstream stats("/proc/thread-self/schedstat");
    double running = 0, queued = 0;
    if (!(stats >> running >> queued))
        return 0; // without them every delay counts as sleeping
    return (running + queued) / 1e6;
}

// Runs the window's loop turn by turn while the engine saves to path, calling act(ms) each
// turn with the time since the save began (0 before). A turn that waited for the copy
// would sleep for the save's time. Gives the longest sleep of a turn and the save's time.
struct TSaveTurns {
    double LongestSleep = 0;
    double Saving = 0;
    bool Ended = false;
};

TSaveTurns TurnsDuringSave(TMainForm& main, const QString& path,
                           const std::function<void(double)>& act) {
    std::atomic<TClock::rep> saveBegan{0}, saveEnded{0};
    const auto stamp = [](std::atomic<TClock::rep>& at) {
        return [&at](TUniverse&) { at = TClock::now().time_since_epoch().count(); };
    };
    const auto at = [](const std::atomic<TClock::rep>& stamped) {
        return TClock::time_point(TClock::duration(stamped.load()));
    };
    const TClock::time_point until = TClock::now() + std::chrono::seconds(60);
    main.Runner().Run(stamp(saveBegan));
    EXPECT_TRUE(main.SaveSimulation(path));
    main.Runner().Run(stamp(saveEnded));
    TSaveTurns turns;
    while (saveEnded == 0 && TClock::now() < until) {
        const TClock::time_point turn = TClock::now();
        const double runnable = RunnableMs();
        // Not QTest::qWait, which sleeps up to 10 ms of its own in every pass: the turn's
        // only intended sleep is this millisecond.
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        std::this_thread::sleep_for(milliseconds(1));
        act(saveBegan != 0 ? Ms(TClock::now() - at(saveBegan)) : 0);
        if (saveBegan != 0)
            turns.LongestSleep =
                std::max(turns.LongestSleep, Ms(TClock::now() - turn) - (RunnableMs() - runnable));
    }
    turns.Ended = saveEnded != 0;
    if (turns.Ended)
        turns.Saving = Ms(at(saveEnded) - at(saveBegan));
    return turns;
}

TEST_F(RecorderTest, TheWindowNeverWaitsForASaveOfTheRecording) {
    // A recording that keeps the whole state at every frame, so that a few hundred frames
    // take many frames' time to copy.
    Main->SetStepsPerSecond(0); // full speed
    Action("StartRecording2")->trigger();
    ASSERT_TRUE(Main->Session().Recorder().SetOptions({1, 1, 30}).Ok);
    Main->SetProcessing(true);
    const TClock::time_point until = TClock::now() + std::chrono::seconds(60);
    while (Main->RecordedFrames() < 300 && TClock::now() < until)
        QTest::qWait(5);
    ASSERT_GE(Main->RecordedFrames(), 300);

    // The window's own events (the steps it shows, with their position in the recording),
    // the count it shows, and Stop Recording well inside the save.
    QTemporaryDir dir;
    const QString path = dir.filePath("big.astrivo");
    bool stopped = false;
    const TSaveTurns turns = TurnsDuringSave(*Main, path, [&](double intoSave) {
        EXPECT_GT(Main->RecordedFrames(), 0);
        if (!stopped && intoSave > 10) {
            Action("StartRecording2")->trigger();
            stopped = true;
        }
    });
    ASSERT_TRUE(turns.Ended);
    std::printf("save of %d frames: %.1f ms; the window slept %.2f ms at most in a turn\n",
                Main->RecordedFrames(), turns.Saving, turns.LongestSleep);
    // Without a save longer than a few frames there is nothing to measure.
    ASSERT_GT(turns.Saving, 60.0);
    EXPECT_TRUE(stopped);
    // A frame of the window (20 ms) in the optimised build. The sanitizers slow the window's
    // own handling several times over: there the bound is the one the larger save below has
    // in the optimised build.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    EXPECT_LT(turns.LongestSleep, 50.0);
#else
    EXPECT_LT(turns.LongestSleep, 20.0);
#endif

    Main->SetProcessing(false);
    ASSERT_TRUE(Main->WaitForEngine());
    QTest::qWait(10);
    EXPECT_EQ(Main->CurrentFile(), QFileInfo(path).absoluteFilePath());
    EXPECT_FALSE(Main->Recording());
}

// A recording of large states (79 keyframes of 28,880 particles, 45 MB) saved while the
// window plays it back frame by frame, then changes the recorder's options and erases it:
// reading a frame, and every change, goes on beside the copy.
TEST_F(RecorderTest, TheWindowPlaysAndChangesALargeRecordingWhileItIsSaved) {
#if defined(__SANITIZE_ADDRESS__)
    // Under the sanitizer this 45 MB save takes minutes and its timing says nothing about the
    // window; the smaller save above takes the same paths there.
    GTEST_SKIP() << "a timing of the optimised build";
#endif
    QTemporaryDir dir;
    TUniverseSettings settings;
    settings.Number = 100; // 28,880 particles
    TUniverse universe;
    ASSERT_TRUE(SettingsFormulas::BuildUniverse(universe, settings, 3));
    ASSERT_EQ(universe.LastIndex + 1, 28880);
    std::unique_ptr<TRecording> recording;
    ASSERT_TRUE(TRecording::Create(dir.filePath("large.astrivo").toStdString(), 28880, {1, 1, 30},
                                   recording)
                    .Ok);
    ASSERT_TRUE(recording->Begin(universe).Ok);
    for (int k = 1; k < 79; ++k) {
        ++universe.IterationCount;
        ASSERT_TRUE(recording->Begin(universe).Ok);
    }
    ASSERT_GT(recording->FileSize(), 40u << 20);
    recording->SetTemporary(true);
    Main->Session().AdoptRecording(std::move(recording));
    ASSERT_EQ(Main->RecordedFrames(), 79);
    // The first frame shown loads and draws for the first time: not a wait for the save.
    ASSERT_TRUE(Main->Session().ShowRecordedFrame(78));
    QTest::qWait(100);

    const QString path = dir.filePath("large-saved.astrivo");
    int shown = 0;
    bool changed = false;
    const TSaveTurns turns = TurnsDuringSave(*Main, path, [&](double intoSave) {
        if (intoSave <= 0 || changed)
            return;
        if (intoSave < 200) {
            ASSERT_TRUE(Main->Session().ShowRecordedFrame(shown++ % 79));
            return;
        }
        Main->Session().SetOptions({5, 1, 20});
        Main->Session().Erase();
        changed = true;
    });
    ASSERT_TRUE(turns.Ended);
    std::printf("save of 79 frames of 28880 particles: %.1f ms; the window showed %d frames and "
                "slept %.2f ms at most in a turn\n",
                turns.Saving, shown, turns.LongestSleep);
    ASSERT_GT(turns.Saving, 200.0);
    EXPECT_TRUE(changed);
    EXPECT_GT(shown, 2);
    // A frame's read is a dozen HDF5 calls, each of which may wait behind one piece of the
    // copy, and more when the thread copying is preempted on a busy machine: the bound
    // leaves room for that, far below a wait for the whole copy.
    EXPECT_LT(turns.LongestSleep, 50.0);

    // The file holds the recording as it was when the save began; the recording now is
    // erased, with the new options.
    QTest::qWait(10);
    TSimulationContents contents;
    ASSERT_TRUE(SimulationFile::Load(path.toStdString(), contents).Ok);
    std::unique_ptr<TRecording> saved;
    ASSERT_TRUE(
        TRecording::Extract(path.toStdString(), dir.filePath("copy.astrivo").toStdString(), saved)
            .Ok);
    EXPECT_EQ(saved->FrameCount(), 79);
    EXPECT_EQ(Main->RecordedFrames(), 0);
    EXPECT_EQ(Main->Session().Recorder().Options(), (TRecorderOptions{5, 1, 20}));
}

} // namespace
