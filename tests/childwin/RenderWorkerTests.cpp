// The drawing thread's queue: newest job per lane wins, lanes in turn, clean shutdown.
#include "Childwin/RenderWorker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Holds the worker inside a job until the test lets it go.
class TGate {
public:
    void Enter() {
        std::unique_lock lock(FLock);
        FEntered = true;
        FChanged.notify_all();
        FChanged.wait(lock, [this] { return FOpen; });
    }
    void WaitEntered() {
        std::unique_lock lock(FLock);
        FChanged.wait(lock, [this] { return FEntered; });
    }
    void Open() {
        std::lock_guard lock(FLock);
        FOpen = true;
        FChanged.notify_all();
    }

private:
    std::mutex FLock;
    std::condition_variable FChanged;
    bool FEntered = false;
    bool FOpen = false;
};

// What the jobs ran, in order; written on the drawing thread, read after Wait.
struct TLog {
    std::mutex Lock;
    std::vector<int> Ran;
    TRenderWorker::TJob Job(int tag) {
        return [this, tag] {
            std::lock_guard lock(Lock);
            Ran.push_back(tag);
        };
    }
};

struct RenderWorkerTest : testing::Test {
    TRenderWorker Worker;
    TGate Gate;
    TLog Log;
    std::shared_ptr<TRenderWorker::TLane> Busy = Worker.OpenLane();

    // Keeps the worker inside a job on a lane of its own until Gate opens.
    void HoldWorker() {
        Worker.Post(Busy, [this] { Gate.Enter(); });
        Gate.WaitEntered();
    }
};

} // namespace

TEST_F(RenderWorkerTest, TheNewestJobOfALaneWinsAndTheOlderOnesNeverRun) {
    const auto lane = Worker.OpenLane();
    HoldWorker();
    for (int tag = 1; tag <= 3; ++tag)
        Worker.Post(lane, Log.Job(tag));
    Gate.Open();
    Worker.Wait(*lane);
    EXPECT_EQ(Log.Ran, std::vector<int>{3});
    EXPECT_EQ(Worker.Dropped(), 2u);
    EXPECT_EQ(Worker.Ran(), 2u); // the gate's job and the newest
}

TEST_F(RenderWorkerTest, LanesAreServedInTurnAndAReplacedJobKeepsItsLanesPlace) {
    const auto first = Worker.OpenLane();
    const auto second = Worker.OpenLane();
    HoldWorker();
    Worker.Post(first, Log.Job(1));
    Worker.Post(second, Log.Job(2));
    Worker.Post(first, Log.Job(3));
    Gate.Open();
    Worker.Wait(*first);
    Worker.Wait(*second);
    EXPECT_EQ(Log.Ran, (std::vector<int>{3, 2}));
}

TEST_F(RenderWorkerTest, DropForgetsTheWaitingJobAndLetsTheRunningOneFinish) {
    const auto lane = Worker.OpenLane();
    HoldWorker();
    Worker.Post(lane, Log.Job(1));
    Worker.Drop(*lane);
    Worker.Wait(*lane); // nothing waiting, nothing running: returns at once
    Worker.Drop(*Busy); // the running gate job is not stopped by this
    Gate.Open();
    Worker.Wait(*Busy);
    EXPECT_TRUE(Log.Ran.empty());
    EXPECT_EQ(Worker.Ran(), 1u);
    // The lane works on as before.
    Worker.Post(lane, Log.Job(2));
    Worker.Wait(*lane);
    EXPECT_EQ(Log.Ran, std::vector<int>{2});
}

// A view posts from the window thread while the drawing thread works: whatever the
// interleaving, the last job posted always runs, each posted job runs at most once, and
// nothing the jobs hold is kept once they are done.
TEST(RenderWorker, TheLastJobPostedAlwaysRunsWhileTheThreadIsBusy) {
    TRenderWorker worker;
    std::vector<std::shared_ptr<TRenderWorker::TLane>> lanes = {worker.OpenLane(),
                                                                worker.OpenLane()};
    std::vector<std::atomic<int>> last(lanes.size());
    std::vector<std::atomic<int>> runs(lanes.size());
    auto held = std::make_shared<int>(0);
    constexpr int Posts = 300;
    for (int k = 0; k < Posts; ++k)
        for (std::size_t l = 0; l < lanes.size(); ++l)
            worker.Post(lanes[l], [&, l, k, held] {
                last[l].store(k);
                runs[l].fetch_add(1);
                volatile int spin = 0;
                for (int i = 0; i < 2000; ++i)
                    spin = spin + i;
            });
    for (std::size_t l = 0; l < lanes.size(); ++l) {
        worker.Wait(*lanes[l]);
        EXPECT_EQ(last[l].load(), Posts - 1) << "lane " << l;
        EXPECT_GE(runs[l].load(), 1);
    }
    EXPECT_EQ(worker.Ran() + worker.Dropped(), 2u * Posts);
    EXPECT_EQ(held.use_count(), 1);
}

// Ending the worker while it draws: the running job ends first, the waiting one is let go
// without running, and nothing either held is left behind.
TEST(RenderWorker, EndingTheWorkerFinishesTheRunningJobAndFreesTheWaitingOne) {
    auto worker = std::make_unique<TRenderWorker>();
    TGate gate;
    std::atomic<bool> finished = false;
    auto held = std::make_shared<int>(0);
    const auto a = worker->OpenLane();
    const auto b = worker->OpenLane();
    worker->Post(a, [&, held] {
        gate.Enter();
        finished = true;
    });
    gate.WaitEntered();
    worker->Post(b, [held] {});
    std::thread opener([&] { gate.Open(); });
    worker.reset(); // joins the drawing thread
    opener.join();
    EXPECT_TRUE(finished);
    EXPECT_EQ(held.use_count(), 1);
}

TEST(RenderWorker, TheSharedWorkerLivesWhileSomeoneHoldsIt) {
    std::shared_ptr<TRenderWorker> first = TRenderWorker::Shared();
    std::shared_ptr<TRenderWorker> second = TRenderWorker::Shared();
    EXPECT_EQ(first, second);
    std::weak_ptr<TRenderWorker> seen = first;
    first.reset();
    second.reset();
    EXPECT_TRUE(seen.expired());
    const std::shared_ptr<TRenderWorker> fresh = TRenderWorker::Shared();
    const auto lane = fresh->OpenLane();
    std::atomic<bool> ran = false;
    fresh->Post(lane, [&ran] { ran = true; });
    fresh->Wait(*lane);
    EXPECT_TRUE(ran);
}
