// The order in which tiles are worked out decides the bits of every sum: it must cover each
// pair of strips once, never put a strip twice into one phase (two threads would add to the
// same sums), and bring each row strip its partner strips in ascending order (the heat fold).
// The team that runs the phases must run each task once, whatever the thread count.

#include "universe/StepTeam.h"
#include "universe/TileJob.h"
#include "universe/TileSchedule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <set>
#include <utility>
#include <vector>

namespace {

TEST(TileSchedule, EveryStripPairOnceNoStripTwiceInAPhasePartnersAscending) {
    for (std::int32_t count : {1, 7, 64, 65, 1280, 2205, 28880, 70001, 192080}) {
        const TTileSchedule s = TTileSchedule::For(count);
        ASSERT_GT(s.Strips, 0) << count;
        EXPECT_EQ(s.StripSize % TTileJob::Lanes, 0) << count;
        EXPECT_GE(s.StripSize * s.Strips, count);
        EXPECT_LT(s.StripSize * (s.Strips - 1), count);
        EXPECT_LE(s.StripSize, TTileSchedule::LargestStripSize(count));
        std::set<std::pair<std::int32_t, std::int32_t>> seen;
        std::vector<std::int32_t> lastPartner(static_cast<std::size_t>(s.Strips), -1);
        std::int32_t rowsDone = 0;
        for (std::int32_t phase = 0; phase < s.Phases(); ++phase) {
            std::set<std::int32_t> inPhase;
            for (std::int32_t t = 0; t < s.TilesIn(phase); ++t) {
                std::int32_t rows = -1, partners = -1;
                s.Tile(phase, t, rows, partners);
                ASSERT_TRUE(partners >= 0 && partners <= rows && rows < s.Strips)
                    << count << " phase " << phase;
                EXPECT_TRUE(seen.insert({rows, partners}).second) << count;
                EXPECT_TRUE(inPhase.insert(rows).second) << count << " phase " << phase;
                if (rows != partners) {
                    EXPECT_TRUE(inPhase.insert(partners).second) << count << " phase " << phase;
                }
                EXPECT_GT(partners, lastPartner[static_cast<std::size_t>(rows)]) << count;
                lastPartner[static_cast<std::size_t>(rows)] = partners;
                if (rows == partners)
                    rowsDone += s.RowsIn(rows);
            }
        }
        EXPECT_EQ(seen.size(), static_cast<std::size_t>(s.Strips) * (s.Strips + 1) / 2) << count;
        EXPECT_EQ(rowsDone, count) << count;
    }
}

TEST(TileSchedule, PartsCoverTheRowStripsInOrderWithAboutEqualPairs) {
    for (std::int32_t count : {1, 63, 64, 200, 1280, 2205, 3000, 4095}) {
        const TTileSchedule s = TTileSchedule::For(count);
        ASSERT_TRUE(s.InParts()) << count;
        EXPECT_EQ(s.PartBegin(0), 0) << count;
        EXPECT_EQ(s.PartBegin(TTileSchedule::Parts), s.Strips) << count;
        auto pairsBelow = [&](std::int32_t strip) {
            const std::int64_t n = std::min<std::int64_t>(count, std::int64_t{strip} * s.StripSize);
            return n * (n - 1) / 2;
        };
        const std::int64_t all = pairsBelow(s.Strips);
        std::int64_t largestStrip = 0;
        for (std::int32_t strip = 0; strip < s.Strips; ++strip)
            largestStrip = std::max(largestStrip, pairsBelow(strip + 1) - pairsBelow(strip));
        for (int part = 0; part < TTileSchedule::Parts; ++part) {
            const std::int32_t begin = s.PartBegin(part);
            const std::int32_t end = s.PartBegin(part + 1);
            ASSERT_LE(begin, end) << count << " part " << part;
            // A cut misses its share by at most half the strip it falls in, and no strip holds
            // more than the largest; each part sits between two cuts.
            const std::int64_t pairs = pairsBelow(end) - pairsBelow(begin);
            EXPECT_LE(std::abs(pairs - all / TTileSchedule::Parts), largestStrip + 1)
                << count << " part " << part;
        }
    }
    EXPECT_FALSE(TTileSchedule::For(TTileSchedule::MostParticlesInParts).InParts());
}

TEST(TileSchedule, LargestStripSizeBoundsEveryCountBelow) {
    std::int32_t largest = 0;
    for (std::int32_t count = 1; count <= 200000; count += 997) {
        largest = std::max(largest, TTileSchedule::For(count).StripSize);
        EXPECT_LE(largest, TTileSchedule::LargestStripSize(count)) << count;
    }
}

TEST(StepTeam, EveryTaskOnceOnEveryThreadCount) {
    TStepTeam team;
    for (int threads : {1, 2, 3, 5}) {
        for (std::int32_t tasks : {0, 1, 2, 7, 1000}) {
            std::vector<std::atomic<int>> runs(static_cast<std::size_t>(tasks));
            std::atomic<bool> threadInRange{true};
            team.Run(threads, tasks, [&](std::int32_t task, int thread) {
                runs[static_cast<std::size_t>(task)].fetch_add(1);
                if (thread < 0 || thread >= threads)
                    threadInRange = false;
            });
            for (std::int32_t t = 0; t < tasks; ++t)
                EXPECT_EQ(runs[static_cast<std::size_t>(t)].load(), 1)
                    << threads << " threads, task " << t;
            EXPECT_TRUE(threadInRange.load());
        }
    }
    EXPECT_LE(team.Workers(), 4);
}

TEST(StepTeam, ManyShortRunsInARowAndFewerThreadsThanBefore) {
    // Workers that wake late, or are not wanted by a smaller run, must not take part in a
    // later run's tasks twice or miss one.
    TStepTeam team;
    std::int64_t sum = 0;
    for (int run = 0; run < 2000; ++run) {
        const int threads = 1 + run % 3;
        std::vector<std::int64_t> values(4, 0);
        team.Run(threads, 4, [&](std::int32_t task, int) {
            values[static_cast<std::size_t>(task)] = task + run;
        });
        for (std::int64_t v : values)
            sum += v;
    }
    std::int64_t expected = 0;
    for (int run = 0; run < 2000; ++run)
        expected += 6 + 4 * run;
    EXPECT_EQ(sum, expected);
}

} // namespace
