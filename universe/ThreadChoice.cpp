#include "universe/ThreadChoice.h"

namespace {
// The newest time counts this much: enough to follow a machine that changes within a
// second or two, little enough that one disturbed step does not turn the choice.
constexpr double NewestWeight = 0.25;
// One thread is taken over the team only when clearly faster: the team pays on a quiet
// machine, and a near tie should keep it.
constexpr double OneMustBeFaster = 0.9;

void Smooth(double& kept, double newest) {
    kept = kept == 0 ? newest : kept + NewestWeight * (newest - kept);
}
} // namespace

bool TThreadChoice::UseTeam(bool fullStep) {
    TKind& k = Kinds[fullStep ? 1 : 0];
    ++k.Steps;
    if (k.Team == 0)
        return true; // the team first
    if (k.One == 0)
        return false; // then one thread, once
    const bool probe = k.Steps % ProbeEvery == 0;
    return probe ? !k.PreferTeam : k.PreferTeam;
}

void TThreadChoice::Took(bool fullStep, bool team, double seconds, std::int64_t computedPairs) {
    if (!(seconds > 0) || computedPairs <= 0)
        return;
    TKind& k = Kinds[fullStep ? 1 : 0];
    Smooth(team ? k.Team : k.One, seconds / static_cast<double>(computedPairs));
    if (k.One != 0 && k.Team != 0)
        k.PreferTeam = !(k.One < k.Team * OneMustBeFaster);
}
