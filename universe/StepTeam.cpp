#include "universe/StepTeam.h"

TStepTeam::~TStepTeam() {
    {
        std::lock_guard<std::mutex> guard(Lock);
        Stopping = true;
    }
    Wake.notify_all();
    for (std::thread& t : Threads)
        t.join();
}

void TStepTeam::RunShared(int threads, std::int32_t tasks, TCall call, void* context) {
    while (static_cast<int>(Threads.size()) < threads - 1) {
        const int worker = static_cast<int>(Threads.size());
        Threads.emplace_back([this, worker] { Work(worker); });
    }
    {
        std::lock_guard<std::mutex> guard(Lock);
        Call = call;
        Context = context;
        Tasks = tasks;
        Next.store(0, std::memory_order_relaxed);
        Wanted = threads - 1;
        Active = 0;
        Open = true;
        ++Generation;
    }
    Wake.notify_all();
    TakeTasks(0);
    std::unique_lock<std::mutex> guard(Lock);
    Open = false;
    Finished.wait(guard, [this] { return Active == 0; });
}

void TStepTeam::TakeTasks(int thread) {
    for (;;) {
        const std::int32_t task = Next.fetch_add(1, std::memory_order_relaxed);
        if (task >= Tasks)
            return;
        Call(Context, task, thread);
    }
}

void TStepTeam::Work(int worker) {
    std::uint64_t seen = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> guard(Lock);
            Wake.wait(guard, [&] { return Stopping || Generation != seen; });
            if (Stopping)
                return;
            seen = Generation;
            if (!Open || worker >= Wanted)
                continue;
            ++Active;
        }
        TakeTasks(worker + 1);
        std::lock_guard<std::mutex> guard(Lock);
        if (--Active == 0)
            Finished.notify_one();
    }
}
