#include "Main/DesktopLayout.h"
#include "Main/ViewLayout.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace ViewLayout;

TEST(ViewLayout, PresetCellsAreHalfTheClientAreaRoundedDown) {
    const TViewRect cell = PresetCellSize(545, 480, 20, 27, 10, 10);
    EXPECT_EQ(cell.Width, 270);  // (545 - 4) / 2 = 270.5
    EXPECT_EQ(cell.Height, 212); // (480 - 20 - 27 - 8) / 2 = 212.5
}

TEST(ViewLayout, PresetCellsNeverShrinkBelowTheMinimum) {
    const TViewRect narrow = PresetCellSize(3, 40, 20, 27, 100, 60);
    EXPECT_EQ(narrow.Width, 100);
    EXPECT_EQ(narrow.Height, 60);
    const TViewRect nothing = PresetCellSize(-50, -50, 0, 0, 0, 0);
    EXPECT_GE(nothing.Width, 1);
    EXPECT_GE(nothing.Height, 1);
}

TEST(ViewLayout, PresetCellsLookFrontTopRightAndInPerspective) {
    const auto cells = PresetCells();
    EXPECT_EQ(cells[0].Caption, "From Front");
    EXPECT_EQ(cells[1].Caption, "From Top");
    EXPECT_EQ(cells[2].Caption, "From Right");
    EXPECT_EQ(cells[3].Caption, "Perspective");
    const int expected[4][2] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(cells[i].Column, expected[i][0]);
        EXPECT_EQ(cells[i].Row, expected[i][1]);
    }
    EXPECT_EQ(cells[1].ElevationDegrees, 90);
    EXPECT_EQ(cells[2].AzimuthChangeDegrees, -90);
    EXPECT_EQ(cells[3].ElevationDegrees, 45);
    EXPECT_EQ(cells[3].AzimuthChangeDegrees, 30);
}

// The rectangles tile the area without overlap, each inside it.
void ExpectTiling(const std::vector<TViewRect>& rects, int width, int height) {
    for (std::size_t i = 0; i < rects.size(); ++i) {
        const TViewRect& a = rects[i];
        EXPECT_GE(a.Left, 0);
        EXPECT_GE(a.Top, 0);
        EXPECT_LE(a.Left + a.Width, width);
        EXPECT_LE(a.Top + a.Height, height);
        for (std::size_t j = i + 1; j < rects.size(); ++j) {
            const TViewRect& b = rects[j];
            const bool apart = a.Left + a.Width <= b.Left || b.Left + b.Width <= a.Left ||
                               a.Top + a.Height <= b.Top || b.Top + b.Height <= a.Top;
            EXPECT_TRUE(apart) << i << " overlaps " << j;
        }
    }
}

TEST(ViewLayout, TilingPutsUpToThreeViewsSideBySide) {
    const auto rects = TileVertically(3, 600, 400);
    ASSERT_EQ(rects.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(rects[i].Left, 200 * i);
        EXPECT_EQ(rects[i].Top, 0);
        EXPECT_EQ(rects[i].Width, 200);
        EXPECT_EQ(rects[i].Height, 400);
    }
}

TEST(ViewLayout, TilingMoreViewsFillsColumnsRightmostLongest) {
    for (int count = 1; count <= 12; ++count) {
        SCOPED_TRACE(count);
        const auto rects = TileVertically(count, 800, 600);
        ASSERT_EQ(rects.size(), static_cast<std::size_t>(count));
        ExpectTiling(rects, 800, 600);
    }
    const auto five = TileVertically(5, 600, 600);
    // Three columns: one view in the first, two in each of the others.
    EXPECT_EQ(five[0].Height, 600);
    EXPECT_EQ(five[1].Height, 300);
    EXPECT_EQ(five[4].Left, 400);
    EXPECT_TRUE(TileVertically(0, 100, 100).empty());
}

TEST(ViewLayout, TilingATinyAreaStillGivesPositiveSizes) {
    for (const TViewRect& r : TileVertically(7, 2, 0)) {
        EXPECT_GE(r.Width, 1);
        EXPECT_GE(r.Height, 1);
    }
}

TEST(ViewLayout, IconsLineUpAlongTheBottomAndWrapUpwards) {
    const auto rects = ArrangeIcons(5, 160, 30, 400, 300);
    ASSERT_EQ(rects.size(), 5u);
    EXPECT_EQ(rects[0].Left, 0);
    EXPECT_EQ(rects[0].Top, 270);
    EXPECT_EQ(rects[1].Left, 160);
    EXPECT_EQ(rects[2].Left, 0); // two fit in a row of 400 pixels
    EXPECT_EQ(rects[2].Top, 240);
    EXPECT_EQ(rects[4].Top, 210);
    EXPECT_EQ(ArrangeIcons(2, 0, 0, 0, 0).size(), 2u);
}

// Cascading: a stair of title-bar steps; the windows keep 320 x 256 where they can.
TEST(Cascade, ThreeWindowsInRoomyAreaGrowToReachTheFarCorner) {
    const auto rects = ViewLayout::Cascade(3, 1000, 800, 25, 320, 256);
    ASSERT_EQ(rects.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(rects[i].Left, 25 * i);
        EXPECT_EQ(rects[i].Top, 25 * i);
        EXPECT_EQ(rects[i].Width, 950);
        EXPECT_EQ(rects[i].Height, 750);
    }
}

TEST(Cascade, ManyWindowsKeepTheirCreationSizeAndStartTheStairAgain) {
    // 40 steps of 25 would need 975 pixels: the windows stay 320 x 256 and the stair
    // fits (800 - 256) / 25 = 21 steps, so it starts again with the 23rd window.
    const auto rects = ViewLayout::Cascade(40, 1000, 800, 25, 320, 256);
    for (const TViewRect& r : rects) {
        EXPECT_EQ(r.Width, 320);
        EXPECT_EQ(r.Height, 256);
        EXPECT_LE(r.Left + r.Width, 1000);
        EXPECT_LE(r.Top + r.Height, 800);
    }
    EXPECT_EQ(rects[21].Top, 21 * 25);
    EXPECT_EQ(rects[22].Top, 0);
}

TEST(Cascade, ASmallAreaGivesTheLargestSizeThatFits) {
    const auto rects = ViewLayout::Cascade(5, 300, 200, 25, 320, 256);
    for (const TViewRect& r : rects) {
        EXPECT_EQ(r.Left, 0);
        EXPECT_EQ(r.Width, 300);
        EXPECT_EQ(r.Height, 200);
    }
    // Wide but low: full height, the stair cannot move down, so none moves.
    const auto low = ViewLayout::Cascade(3, 1000, 240, 25, 320, 256);
    EXPECT_EQ(low[2].Left, 0);
    EXPECT_EQ(low[2].Height, 240);
    EXPECT_EQ(low[2].Width, 950);
}

TEST(Cascade, DegenerateInputGivesSoundRectangles) {
    EXPECT_TRUE(ViewLayout::Cascade(0, 100, 100, 25, 320, 256).empty());
    for (const TViewRect& r : ViewLayout::Cascade(100000, 0, -5, 0, 320, 256)) {
        ASSERT_GE(r.Width, 1);
        ASSERT_GE(r.Height, 1);
        ASSERT_GE(r.Left, 0);
    }
}

} // namespace

namespace {

// The properties window keeps the centred place where it covers nothing, and otherwise
// stands right of the view, left of it, or below it, never off the screen.
TEST(DesktopLayout, ThePropertiesWindowStandsBesideTheViewNeverOverIt) {
    const TViewRect screen{0, 0, 1600, 1000};
    const auto place = [&](const TViewRect& view) {
        return DesktopLayout::PropertiesBeside(screen, 264, 357, view);
    };
    const TViewRect centred{668, 321, 264, 357};
    const auto same = [](const TViewRect& a, const TViewRect& b) {
        return a.Left == b.Left && a.Top == b.Top && a.Width == b.Width && a.Height == b.Height;
    };
    EXPECT_TRUE(same(place({160, 180, 320, 256}), centred));
    EXPECT_TRUE(same(place({500, 300, 320, 256}), {828, 321, 264, 357}));
    EXPECT_TRUE(same(place({700, 300, 700, 256}), {428, 321, 264, 357}));
    EXPECT_TRUE(same(place({100, 100, 1400, 300}), {668, 408, 264, 357}));
    EXPECT_TRUE(same(place({0, 0, 1600, 1000}), centred)) << "no room anywhere: centred";
}

// At a first start View 1 grows, in a new view's shape, into the room that the properties
// window leaves it; the properties window then stands beside it.
TEST(DesktopLayout, ViewOneGrowsAsFarAsThePropertiesWindowLeavesRoom) {
    const TViewRect screen{0, 0, 1600, 1000};
    const TViewRect area{160, 160, 1280, 680}; // the views' area of a first main window
    const TViewRect one = DesktopLayout::FirstView(area, screen, 300, 320, 256);
    EXPECT_EQ(one.Width, 850); // as tall as the area allows
    EXPECT_EQ(one.Height, 680);
    const TViewRect beside = DesktopLayout::PropertiesBeside(
        screen, 300, 357, {area.Left + one.Left, area.Top + one.Top, one.Width, one.Height});
    EXPECT_EQ(beside.Left, area.Left + one.Width + 8);
    EXPECT_LE(beside.Left + beside.Width, screen.Width);

    const TViewRect narrow = DesktopLayout::FirstView(area, screen, 700, 320, 256);
    EXPECT_EQ(narrow.Width, 1600 - 8 - 700 - 160); // as wide as the room allows
    EXPECT_EQ(narrow.Height, 585);
    const TViewRect small = DesktopLayout::FirstView({0, 0, 400, 200}, screen, 300, 320, 256);
    EXPECT_EQ(small.Width, 320) << "no room to grow: a new view's size";
    EXPECT_EQ(small.Height, 256);
}

TEST(DesktopLayout, AViewIsShrunkAndMovedIntoTheArea) {
    const auto kept = DesktopLayout::KeepInArea({-3000, 200, 30000, 30000}, 900, 600, 120, 40);
    EXPECT_EQ(kept.Left, 0);
    EXPECT_EQ(kept.Top, 0);
    EXPECT_EQ(kept.Width, 900);
    EXPECT_EQ(kept.Height, 600);
    const auto moved = DesktopLayout::KeepInArea({850, -20, 320, 256}, 900, 600, 120, 40);
    EXPECT_EQ(moved.Left, 580);
    EXPECT_EQ(moved.Top, 0);
    EXPECT_EQ(moved.Width, 320);
    const auto tiny = DesktopLayout::KeepInArea({10, 10, 320, 256}, 50, 30, 120, 40);
    EXPECT_EQ(tiny.Left, 0) << "an area below the least size keeps the view at its corner";
    EXPECT_EQ(tiny.Width, 120);
}

} // namespace
