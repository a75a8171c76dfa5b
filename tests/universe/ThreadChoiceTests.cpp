// The choice between the thread team and one thread follows the time each took per pair:
// it must try both, keep the faster, come back to the other now and then, and not be turned
// by steps that tell nothing.

#include "universe/ThreadChoice.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

// Steps `steps` partial steps on a machine where one thread takes `one` and the team `team`
// seconds per million pairs; returns how many used the team.
int StepMany(TThreadChoice& choice, int steps, double one, double team, bool full = false) {
    int onTeam = 0;
    for (int s = 0; s < steps; ++s) {
        const bool useTeam = choice.UseTeam(full);
        onTeam += useTeam ? 1 : 0;
        choice.Took(full, useTeam, useTeam ? team : one, 1000000);
    }
    return onTeam;
}

TEST(ThreadChoice, TriesBothThenKeepsTheFasterAndProbesTheOther) {
    TThreadChoice choice;
    EXPECT_TRUE(choice.UseTeam(false));
    choice.Took(false, true, 1.0, 1000000);
    EXPECT_FALSE(choice.UseTeam(false)); // one thread, once
    choice.Took(false, false, 1.6, 1000000);
    // The team is faster: kept, but for a probe of one thread every ProbeEvery steps.
    const int steps = 10 * TThreadChoice::ProbeEvery;
    const int onTeam = StepMany(choice, steps, 1.6, 1.0);
    EXPECT_EQ(onTeam, steps - 10);
}

TEST(ThreadChoice, FollowsAMachineThatGetsBusyAndQuietAgain) {
    TThreadChoice choice;
    StepMany(choice, 100, 1.6, 1.0); // quiet: the team
    // Another program takes a core: the team now takes twice what one thread does.
    StepMany(choice, 20 * TThreadChoice::ProbeEvery, 1.6, 3.2);
    const int busy = StepMany(choice, 10 * TThreadChoice::ProbeEvery, 1.6, 3.2);
    EXPECT_EQ(busy, 10);                                        // only the probes
    StepMany(choice, 20 * TThreadChoice::ProbeEvery, 1.6, 1.0); // quiet again
    const int quiet = StepMany(choice, 10 * TThreadChoice::ProbeEvery, 1.6, 1.0);
    EXPECT_EQ(quiet, 10 * TThreadChoice::ProbeEvery - 10);
}

TEST(ThreadChoice, NearTieKeepsTheTeamAndKindsAreJudgedApart) {
    TThreadChoice choice;
    const int tie = StepMany(choice, 10 * TThreadChoice::ProbeEvery, 1.0, 1.05);
    EXPECT_GE(tie, 10 * TThreadChoice::ProbeEvery - 11);
    // Full steps where one thread wins leave partial steps on the team.
    StepMany(choice, 10 * TThreadChoice::ProbeEvery, 1.0, 2.0, true);
    EXPECT_FALSE(choice.UseTeam(true) && choice.UseTeam(true));
    EXPECT_TRUE(choice.UseTeam(false) || choice.UseTeam(false));
}

TEST(ThreadChoice, StepsThatTellNothingAreLeftOut) {
    TThreadChoice choice;
    StepMany(choice, 50, 1.6, 1.0);
    // Cancelled or empty steps, and clocks gone wrong, must not turn the choice.
    for (int s = 0; s < 3 * TThreadChoice::ProbeEvery; ++s) {
        const bool team = choice.UseTeam(false);
        choice.Took(false, team, team ? 1e9 : 1e-9, 0);
        choice.Took(false, team, std::numeric_limits<double>::quiet_NaN(), 1000000);
        choice.Took(false, team, -1.0, 1000000);
    }
    const int onTeam = StepMany(choice, 5 * TThreadChoice::ProbeEvery, 1.6, 1.0);
    EXPECT_EQ(onTeam, 5 * TThreadChoice::ProbeEvery - 5);
}

} // namespace
