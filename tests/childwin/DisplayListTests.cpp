#include "Childwin/DisplayList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

void Fill(TDisplayList& list, const std::vector<double>& depths) {
    ASSERT_TRUE(list.Allocate(static_cast<std::int32_t>(depths.size())));
    for (std::int32_t i = 0; i <= list.LastIndex(); ++i)
        list[i] = {0, 0, depths[static_cast<std::size_t>(i)], i, 0};
}

// Sorted by depth, and every particle index still there exactly once.
void ExpectSortedPermutation(const TDisplayList& list, std::size_t count) {
    std::vector<int> seen(count, 0);
    for (std::int32_t i = 0; i <= list.LastIndex(); ++i) {
        ++seen[static_cast<std::size_t>(list[i].Particle)];
        if (i > 0) {
            ASSERT_LE(list[i - 1].Depth, list[i].Depth) << "at " << i;
        }
    }
    EXPECT_TRUE(std::all_of(seen.begin(), seen.end(), [](int n) { return n == 1; }));
}

} // namespace

TEST(DisplayList, AllocateRefusesEmptyListsAndLeavesTheListEmpty) {
    TDisplayList list;
    EXPECT_FALSE(list.Allocate(0));
    EXPECT_EQ(list.LastIndex(), -1);
    ASSERT_TRUE(list.Allocate(3));
    EXPECT_EQ(list.LastIndex(), 2);
    EXPECT_FALSE(list.Allocate(-5));
    EXPECT_EQ(list.LastIndex(), -1);
    EXPECT_EQ(list.Entries(), nullptr);
}

TEST(DisplayList, ReleaseEmptiesAndMarksStartClearedEveryFrame) {
    TDisplayList list;
    ASSERT_TRUE(list.Allocate(4));
    list.MarkDrawn(1);
    list.MarkDrawn(3);
    EXPECT_TRUE(list.WasDrawn(1));
    EXPECT_FALSE(list.WasDrawn(2));
    list.Release();
    EXPECT_EQ(list.LastIndex(), -1);
    ASSERT_TRUE(list.Allocate(4));
    for (std::int32_t i = 0; i < 4; ++i)
        EXPECT_FALSE(list.WasDrawn(i));
}

TEST(DisplayList, SortsRandomDepthsWithRepeatsAscending) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> level(0, 40); // many equal depths
    std::vector<double> depths(5000);
    for (double& d : depths)
        d = level(random) * 0.25 - 3;
    TDisplayList list;
    Fill(list, depths);
    list.SortByDepth();
    ExpectSortedPermutation(list, depths.size());
}

TEST(DisplayList, SortsOrderedReversedAndConstantLists) {
    const std::size_t n = 20000;
    std::vector<double> up(n), down(n), flat(n, 4.0);
    for (std::size_t i = 0; i < n; ++i) {
        up[i] = static_cast<double>(i);
        down[i] = static_cast<double>(n - i);
    }
    for (const auto* depths : {&up, &down, &flat}) {
        TDisplayList list;
        Fill(list, *depths);
        list.SortByDepth();
        ExpectSortedPermutation(list, n);
    }
}

TEST(DisplayList, SingleEntryAndTwoEntries) {
    TDisplayList list;
    Fill(list, {5});
    list.SortByDepth();
    EXPECT_EQ(list[0].Particle, 0);
    Fill(list, {9, 2});
    list.SortByDepth();
    EXPECT_EQ(list[0].Particle, 1);
    EXPECT_EQ(list[1].Particle, 0);
}

// A blown-up universe gives NaN depths, which compare false both ways: the sort must stay
// inside the list, finish, and keep every entry.
TEST(DisplayList, NaNDepthsStayInRangeAndLoseNoEntry) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<double> depths(3001);
    std::mt19937 random(3);
    std::uniform_real_distribution<double> any(-10, 10);
    for (std::size_t i = 0; i < depths.size(); ++i)
        depths[i] = i % 3 == 0 ? nan : any(random);
    depths[1500] = nan; // the first pivot
    TDisplayList list;
    Fill(list, depths);
    list.SortByDepth();
    std::vector<int> seen(depths.size(), 0);
    for (std::int32_t i = 0; i <= list.LastIndex(); ++i)
        ++seen[static_cast<std::size_t>(list[i].Particle)];
    EXPECT_TRUE(std::all_of(seen.begin(), seen.end(), [](int n) { return n == 1; }));

    std::vector<double> allNaN(1000, nan);
    Fill(list, allNaN);
    list.SortByDepth();
    EXPECT_EQ(list.LastIndex(), 999);
}
