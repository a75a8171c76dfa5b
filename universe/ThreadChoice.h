#pragma once

#include <cstdint>

/// Chooses, for short steps whose thread count the user left open, between the team of
/// threads and the calling thread alone, by what each took per computed pair lately.
///
/// A step gives the same bits on any thread count, so the choice may follow the machine:
/// with another program keeping a core busy, two threads that wait for each other can be
/// slower than one. Each kind of step (full, partial) is judged on its own, and the way not
/// taken is tried again every ProbeEvery steps of that kind, so a machine that quietens
/// down gets its threads back.
class TThreadChoice {
public:
    static constexpr int ProbeEvery = 32;

    /// Whether the next step, full or not, should use the team.
    bool UseTeam(bool fullStep);
    /// What that step took: seconds over the pairs it computed.
    void Took(bool fullStep, bool team, double seconds, std::int64_t computedPairs);

private:
    struct TKind {
        // Seconds per computed pair, smoothed; 0 while not known.
        double One = 0;
        double Team = 0;
        std::int64_t Steps = 0;
        bool PreferTeam = true;
    };
    TKind Kinds[2]; // partial, full
};
