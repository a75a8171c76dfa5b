#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

/// One thread that draws the views' pictures, so that the window thread never waits for a
/// picture. Each view posts its jobs to a lane of its own; a lane holds at most one job
/// waiting, and a newer job takes the place of the one waiting, which is dropped unrun: a
/// view falling behind skips pictures rather than queueing them. Lanes are served in the
/// order their jobs came in, so views asked one after another are drawn in that order.
///
/// A job must be self-contained, holding everything it draws from and into (shared, not
/// borrowed), because the view that posted it may be gone before it runs to its end.
class TRenderWorker {
public:
    using TJob = std::function<void()>;
    class TLane;

    TRenderWorker();
    /// Drops every waiting job, lets the running one finish, and joins the thread.
    ~TRenderWorker();
    TRenderWorker(const TRenderWorker&) = delete;
    TRenderWorker& operator=(const TRenderWorker&) = delete;

    std::shared_ptr<TLane> OpenLane();
    /// Queues job on lane in place of the job waiting there, if any.
    void Post(const std::shared_ptr<TLane>& lane, TJob job);
    /// Drops lane's waiting job; one already running goes on to its end.
    void Drop(TLane& lane);
    /// Returns once lane has no job waiting or running. Never call it from a job.
    void Wait(const TLane& lane);

    /// Jobs run and jobs dropped unrun, all lanes together.
    std::uint64_t Ran() const;
    std::uint64_t Dropped() const;

    /// The worker all views share: made on first use, ended once the last holder lets go.
    static std::shared_ptr<TRenderWorker> Shared();

private:
    void Run();

    mutable std::mutex FLock;
    std::condition_variable FWake; // a job came in, or the worker is to stop
    std::condition_variable FDone; // a job finished or was dropped
    std::deque<std::shared_ptr<TLane>> FReady;
    std::uint64_t FRan = 0;
    std::uint64_t FDropped = 0;
    bool FStop = false;
    std::thread FThread;
};

/// A view's place in the worker's queue. Only the worker reads or writes its fields, under
/// the worker's lock.
class TRenderWorker::TLane {
    friend class TRenderWorker;

    TJob FWaiting;
    bool FQueued = false;  // in FReady
    bool FRunning = false; // its job is being run
};
