#pragma once

#include "statistics/Figures.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct TUniverseSnapshot;

/// Works out the figures of the states it is offered on a thread of its own, so that
/// neither the window (which offers) nor the engine (which published the states) ever pays
/// for the O(N²) potential.
///
/// It takes the newest state offered, works it out, and then idles: at least the least
/// interval, and long enough that its work stays a set share of one core. States offered
/// meanwhile replace each other, so a fast run is sampled, never queued up. Nothing is
/// worked out unless something is offered.
class TFigureSampler {
public:
    /// Where an offered state comes from, handed back with its figures.
    enum class TSource : std::uint8_t { Live, Frame };

    struct TSample {
        TFigures Figures;
        TSource Source = TSource::Live;
    };

    struct TPace {
        std::chrono::nanoseconds LeastInterval;
        /// The share of one core the work may take on average, above 0 and at most 1.
        double Share;
    };

    /// At most 200 samples a second, and a share of one core that keeps the figures to
    /// about 4 % of the machine, so that the engine, which uses every core, is slowed by
    /// less than that: 8 % of a core on two cores, half a core from twelve on.
    static TPace DefaultPace();

    explicit TFigureSampler(TPace pace = DefaultPace());
    ~TFigureSampler();
    TFigureSampler(const TFigureSampler&) = delete;
    TFigureSampler& operator=(const TFigureSampler&) = delete;

    /// A state to work out when the pace allows; replaces one offered earlier that the
    /// worker has not yet begun. Mass and Pressure are the snapshot's own; without
    /// velocities, the figures that need them stay empty.
    void Offer(std::shared_ptr<const TUniverseSnapshot> state, TSource source);
    /// Forgets what was offered and cancels the work in progress: nothing offered before
    /// comes back from Take, and the next state offered is taken at once.
    void Drop();
    /// The samples worked out since the last call, in the order they were finished.
    std::vector<TSample> Take();

private:
    void Loop();

    const TPace Pace;
    std::atomic<bool> Cancel{false};

    std::mutex Mutex;
    std::condition_variable Wake;
    // Guarded by Mutex.
    std::shared_ptr<const TUniverseSnapshot> Pending;
    TSource PendingSource = TSource::Live;
    std::uint64_t Generation = 0; // counts Drop calls: work of an older one is thrown away
    std::chrono::steady_clock::time_point NextAt{};
    std::vector<TSample> Done;
    bool Ending = false;

    std::thread Worker; // last: starts once everything above exists
};
