// Saving copies the whole recording into the file on the engine thread. The window must go
// on meanwhile: what it asks of the recording on every shown step, and stopping the
// recording, may not wait for the copy.
#include "RecorderTestSupport.h"

#include "Main/SimulationSession.h"
#include "Storage/Recorder.h"
#include "universe/SimulationRunner.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
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

    // The window's loop, turn by turn while the save runs: its own events (the steps it
    // shows, with their position in the recording), the count it shows, and Stop Recording.
    // A turn that waited for the copy would sleep for the save's time.
    std::atomic<TClock::rep> saveBegan{0}, saveEnded{0};
    const auto stamp = [](std::atomic<TClock::rep>& at) {
        return [&at](TUniverse&) { at = TClock::now().time_since_epoch().count(); };
    };
    const auto at = [](const std::atomic<TClock::rep>& stamped) {
        return TClock::time_point(TClock::duration(stamped.load()));
    };
    QTemporaryDir dir;
    const QString path = dir.filePath("big.astrivo");
    Main->Runner().Run(stamp(saveBegan));
    ASSERT_TRUE(Main->SaveSimulation(path));
    Main->Runner().Run(stamp(saveEnded));
    double longestSleep = 0;
    bool stopped = false;
    while (saveEnded == 0 && TClock::now() < until) {
        const TClock::time_point turn = TClock::now();
        const double runnable = RunnableMs();
        // Not QTest::qWait, which sleeps up to 10 ms of its own in every pass: the turn's
        // only intended sleep is this millisecond.
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        std::this_thread::sleep_for(milliseconds(1));
        const TClock::time_point asked = TClock::now();
        const int frames = Main->RecordedFrames();
        // Stopping the recording well inside the save.
        if (!stopped && saveBegan != 0 && asked - at(saveBegan) > milliseconds(10)) {
            Action("StartRecording2")->trigger();
            stopped = true;
        }
        if (saveBegan != 0)
            longestSleep =
                std::max(longestSleep, Ms(TClock::now() - turn) - (RunnableMs() - runnable));
        EXPECT_GT(frames, 0);
    }
    ASSERT_NE(saveEnded, 0);
    const double saving = Ms(at(saveEnded) - at(saveBegan));
    std::printf("save of %d frames: %.1f ms; the window slept %.2f ms at most in a turn\n",
                Main->RecordedFrames(), saving, longestSleep);
    // Without a save longer than a few frames there is nothing to measure.
    ASSERT_GT(saving, 60.0);
    EXPECT_TRUE(stopped);
    EXPECT_LT(longestSleep, 20.0);

    Main->SetProcessing(false);
    ASSERT_TRUE(Main->WaitForEngine());
    QTest::qWait(10);
    EXPECT_EQ(Main->CurrentFile(), QFileInfo(path).absoluteFilePath());
    EXPECT_FALSE(Main->Recording());
}

} // namespace
