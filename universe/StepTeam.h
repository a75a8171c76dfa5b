#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

/// The worker threads of a step. They sleep while there is nothing to do: a waiting thread
/// never takes a core from the window or from other programs, and a step on a busy machine
/// is not held up by threads spinning where another thread should run.
///
/// Run hands out tasks 0, 1, ... one at a time to whichever thread is free, the calling
/// thread included, and returns when all are done. A worker that wakes only after the
/// others have taken every task stays out of it, so a worker the system does not schedule
/// in time delays nothing. Which thread runs a task never changes a result: tasks write
/// what only they write, or per-thread state that is combined in a fixed order.
class TStepTeam {
public:
    TStepTeam() = default;
    ~TStepTeam();
    TStepTeam(const TStepTeam&) = delete;
    TStepTeam& operator=(const TStepTeam&) = delete;

    /// Calls work(task, thread) for every task in [0, tasks), on up to `threads` threads;
    /// thread is 0 for the caller and 1 to threads - 1 for the workers. Starts workers as
    /// needed; one thread, or one task, runs on the caller alone. Throws std::system_error
    /// only if a worker cannot be started the first time it is needed.
    template <class TWork> void Run(int threads, std::int32_t tasks, TWork&& work) {
        if (threads <= 1 || tasks <= 1) {
            for (std::int32_t t = 0; t < tasks; ++t)
                work(t, 0);
            return;
        }
        auto call = [](void* context, std::int32_t task, int thread) {
            (*static_cast<TWork*>(context))(task, thread);
        };
        RunShared(threads, tasks, call, &work);
    }

    /// Workers started so far.
    int Workers() const { return static_cast<int>(Threads.size()); }

private:
    using TCall = void (*)(void* context, std::int32_t task, int thread);

    void RunShared(int threads, std::int32_t tasks, TCall call, void* context);
    void Work(int worker);
    void TakeTasks(int thread);

    std::mutex Lock;
    std::condition_variable Wake;
    std::condition_variable Finished;
    std::vector<std::thread> Threads;
    std::uint64_t Generation = 0;
    bool Open = false; // the current job still takes workers
    bool Stopping = false;
    int Wanted = 0; // workers the current job may use
    int Active = 0; // workers inside the current job

    TCall Call = nullptr;
    void* Context = nullptr;
    std::int32_t Tasks = 0;
    std::atomic<std::int32_t> Next{0};
};
