#include "statistics/FigureSampler.h"

#include "statistics/FigureState.h"
#include "universe/UniverseSnapshot.h"

#include <algorithm>

#if defined(__linux__)
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

// Samples nobody took (a window that stopped asking) are kept up to this many, the newest.
constexpr std::size_t MostDone = 4096;

} // namespace

TFigureSampler::TPace TFigureSampler::DefaultPace() {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return {std::chrono::milliseconds(5), std::min(0.5, 0.04 * cores)};
}

TFigureSampler::TFigureSampler(TPace pace) : Pace(pace), Worker([this] { Loop(); }) {}

TFigureSampler::~TFigureSampler() {
    {
        const std::lock_guard lock(Mutex);
        Ending = true;
        Cancel.store(true);
    }
    Wake.notify_all();
    Worker.join();
}

void TFigureSampler::Offer(std::shared_ptr<const TUniverseSnapshot> state, TSource source) {
    {
        const std::lock_guard lock(Mutex);
        Pending = std::move(state);
        PendingSource = source;
    }
    Wake.notify_all();
}

void TFigureSampler::Drop() {
    std::shared_ptr<const TUniverseSnapshot> dropped;
    {
        const std::lock_guard lock(Mutex);
        dropped = std::move(Pending);
        Pending.reset();
        ++Generation;
        Cancel.store(true);
        NextAt = {};
        Done.clear();
    }
    Wake.notify_all();
    // dropped goes back to the engine's pool here, outside the lock.
}

std::vector<TFigureSampler::TSample> TFigureSampler::Take() {
    std::vector<TSample> taken;
    const std::lock_guard lock(Mutex);
    taken.swap(Done);
    return taken;
}

void TFigureSampler::Loop() {
#if defined(__linux__)
    // Below the engine's threads: when the two want the same core, the step goes first.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10);
#endif
    using TClock = std::chrono::steady_clock;
    TFigureState state;
    std::unique_lock lock(Mutex);
    while (!Ending) {
        if (!Pending) {
            Wake.wait(lock);
            continue;
        }
        if (TClock::now() < NextAt) {
            Wake.wait_until(lock, NextAt);
            continue;
        }
        std::shared_ptr<const TUniverseSnapshot> snapshot = std::move(Pending);
        Pending.reset();
        const TSource source = PendingSource;
        const std::uint64_t generation = Generation;
        Cancel.store(false);
        lock.unlock();

        const TClock::time_point start = TClock::now();
        state.CopyFrom(*snapshot, snapshot->Mass, snapshot->Pressure);
        const std::optional<TFigures> figures = Figures::WorkOut(state, &Cancel);
        const TClock::time_point end = TClock::now();
        snapshot.reset(); // home to the engine's pool, outside the lock

        lock.lock();
        if (figures && generation == Generation) {
            if (Done.size() == MostDone)
                Done.erase(Done.begin());
            Done.push_back({*figures, source});
            const auto worked = std::chrono::duration_cast<std::chrono::nanoseconds>(end - start);
            const auto idle = std::chrono::duration_cast<std::chrono::nanoseconds>(
                worked * (1.0 / Pace.Share - 1.0));
            NextAt = end + std::max(Pace.LeastInterval, idle);
        }
    }
}
