#include "Childwin/RenderWorker.h"

#include <utility>

TRenderWorker::TRenderWorker() : FThread([this] { Run(); }) {}

TRenderWorker::~TRenderWorker() {
    std::deque<std::shared_ptr<TLane>> dropped;
    {
        std::lock_guard lock(FLock);
        FStop = true;
        dropped.swap(FReady);
    }
    FWake.notify_all();
    FThread.join();
    // The waiting jobs go last, outside the lock: what they hold may take time to free.
    for (const std::shared_ptr<TLane>& lane : dropped)
        lane->FWaiting = nullptr;
}

std::shared_ptr<TRenderWorker::TLane> TRenderWorker::OpenLane() {
    return std::make_shared<TLane>();
}

void TRenderWorker::Post(const std::shared_ptr<TLane>& lane, TJob job) {
    TJob replaced;
    {
        std::lock_guard lock(FLock);
        if (FStop)
            return;
        replaced = std::exchange(lane->FWaiting, std::move(job));
        if (replaced)
            ++FDropped;
        if (!lane->FQueued) {
            lane->FQueued = true;
            FReady.push_back(lane);
        }
    }
    FWake.notify_one();
    // replaced is freed here, outside the lock.
}

void TRenderWorker::Drop(TLane& lane) {
    TJob dropped;
    {
        std::lock_guard lock(FLock);
        dropped = std::exchange(lane.FWaiting, nullptr);
        if (dropped)
            ++FDropped;
    }
    FDone.notify_all();
}

void TRenderWorker::Wait(const TLane& lane) {
    std::unique_lock lock(FLock);
    FDone.wait(lock, [&] { return FStop || (!lane.FWaiting && !lane.FRunning); });
}

std::uint64_t TRenderWorker::Ran() const {
    std::lock_guard lock(FLock);
    return FRan;
}

std::uint64_t TRenderWorker::Dropped() const {
    std::lock_guard lock(FLock);
    return FDropped;
}

void TRenderWorker::Run() {
    std::unique_lock lock(FLock);
    for (;;) {
        FWake.wait(lock, [this] { return FStop || !FReady.empty(); });
        if (FStop)
            return;
        std::shared_ptr<TLane> lane = std::move(FReady.front());
        FReady.pop_front();
        lane->FQueued = false;
        TJob job = std::exchange(lane->FWaiting, nullptr);
        if (!job) // dropped after it was queued
            continue;
        lane->FRunning = true;
        lock.unlock();
        job();
        job = nullptr; // what the job held is let go before the lane counts as idle
        lock.lock();
        lane->FRunning = false;
        ++FRan;
        FDone.notify_all();
    }
}

std::shared_ptr<TRenderWorker> TRenderWorker::Shared() {
    static std::mutex lock;
    static std::weak_ptr<TRenderWorker> shared;
    std::lock_guard guard(lock);
    std::shared_ptr<TRenderWorker> worker = shared.lock();
    if (!worker) {
        worker = std::make_shared<TRenderWorker>();
        shared = worker;
    }
    return worker;
}
