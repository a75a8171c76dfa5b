#include "Main/FrameRange.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(FrameRange, OffersTheShownFrameToTheLast) {
    EXPECT_EQ(TFrameRange::Offered(4, 10), (TFrameRange{5, 10}));
    EXPECT_EQ(TFrameRange::Offered(9, 10), (TFrameRange{10, 10}));
    // The live universe shown: the whole recording.
    EXPECT_EQ(TFrameRange::Offered(-1, 10), (TFrameRange{1, 10}));
    // A shown index the recording no longer has (it was cut short) offers it all too.
    EXPECT_EQ(TFrameRange::Offered(10, 10), (TFrameRange{1, 10}));
    EXPECT_EQ(TFrameRange::Offered(0, 0).Count(), 0);
    EXPECT_EQ(TFrameRange::Offered(3, -5).Count(), 0);
}

TEST(FrameRange, ClampingKeepsBothEndsInTheRecording) {
    EXPECT_EQ((TFrameRange{3, 7}).Clamped(10), (TFrameRange{3, 7}));
    EXPECT_EQ((TFrameRange{0, 12}).Clamped(10), (TFrameRange{1, 10}));
    EXPECT_EQ((TFrameRange{-5, -2}).Clamped(10), (TFrameRange{1, 1}));
    EXPECT_EQ((TFrameRange{11, 40}).Clamped(10), (TFrameRange{10, 10}));
    EXPECT_EQ((TFrameRange{INT_MIN, INT_MAX}).Clamped(10), (TFrameRange{1, 10}));
    // The wrong way round means the same frames.
    EXPECT_EQ((TFrameRange{8, 2}).Clamped(10), (TFrameRange{2, 8}));
    EXPECT_EQ((TFrameRange{3, 7}).Clamped(0).Count(), 0);
    EXPECT_EQ((TFrameRange{3, 7}).Clamped(1), (TFrameRange{1, 1}));
}

TEST(FrameRange, CountsItsFrames) {
    EXPECT_EQ((TFrameRange{1, 1}).Count(), 1);
    EXPECT_EQ((TFrameRange{5, 10}).Count(), 6);
    EXPECT_EQ((TFrameRange{6, 5}).Count(), 0);
    EXPECT_EQ(TFrameRange{}.Count(), 0);
}

TEST(FrameRange, FileNamesSortInFrameOrder) {
    EXPECT_EQ(FrameRange::FileName(1, 10), "frame000001.png");
    EXPECT_EQ(FrameRange::FileName(42, 999999), "frame000042.png");
    // Longer recordings get more digits, the same for every frame of the recording.
    EXPECT_EQ(FrameRange::FileName(7, 1234567), "frame0000007.png");
    EXPECT_EQ(FrameRange::FileName(1234567, 1234567), "frame1234567.png");
    EXPECT_LT(FrameRange::FileName(99, 100), FrameRange::FileName(100, 100));
}

} // namespace
