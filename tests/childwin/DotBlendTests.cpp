#include "Childwin/DotBlend.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace {

// A plain pixel buffer with a row pitch wider than the picture, so that row addressing
// is exercised; the padding must stay untouched.
struct TTestFrame {
    static constexpr std::uint32_t Padding = 0xDEADBEEF;
    std::int32_t Width, Height, Pitch;
    std::vector<std::uint32_t> Pixels;

    TTestFrame(std::int32_t width, std::int32_t height)
        : Width(width), Height(height), Pitch(width + 3),
          Pixels(static_cast<std::size_t>(Pitch * height), Padding) {
        Frame().Clear();
    }
    TPixelFrame Frame() {
        TPixelFrame f;
        f.Bits = reinterpret_cast<std::uint8_t*>(Pixels.data());
        f.BytesPerLine = Pitch * 4;
        f.Width = Width;
        f.Height = Height;
        return f;
    }
    std::uint32_t At(std::int32_t x, std::int32_t y) const {
        return Pixels[static_cast<std::size_t>(y * Pitch + x)];
    }
    int Grey(std::int32_t x, std::int32_t y) const { return static_cast<int>(At(x, y) >> 8 & 255); }
    int Lit() const {
        int n = 0;
        for (std::int32_t y = 0; y < Height; ++y)
            for (std::int32_t x = 0; x < Width; ++x)
                n += At(x, y) != 0;
        return n;
    }
    bool PaddingIntact() const {
        for (std::int32_t y = 0; y < Height; ++y)
            for (std::int32_t x = Width; x < Pitch; ++x)
                if (At(x, y) != Padding)
                    return false;
        return true;
    }
};

// The dot computed literally, step by step, for small dots on small frames.
void ReferenceDot(std::vector<std::uint32_t>& pixels, std::int32_t width, std::int32_t height,
                  int partSize, int contrast, int level, double sx, double sy, double radius,
                  double intensity) {
    double r = 0.04 * radius * partSize;
    const int gain = (contrast * contrast) >> 6;
    if (r < 1) {
        intensity = intensity * r;
        r = 1;
    }
    const int colLo = static_cast<int>(std::nearbyint(sx - r - 0.5));
    const int colHi = static_cast<int>(std::nearbyint(sx + r + 0.5));
    const int rowLo = static_cast<int>(std::nearbyint(sy - r - 0.5));
    const int rowHi = static_cast<int>(std::nearbyint(sy + r + 0.5));
    for (int row = rowLo; row <= rowHi; ++row) {
        if (row < 0 || row >= height)
            continue;
        for (int col = colLo; col <= colHi; ++col) {
            if (col < 0 || col >= width)
                continue;
            std::uint32_t& pixel = pixels[static_cast<std::size_t>(row * width + col)];
            const double d = std::sqrt((col - sx) * (col - sx) + (row - sy) * (row - sy));
            const double w = d <= r + 0.5 ? 0.2 - 0.2 * d / (r + 0.5) : 0;
            const int g = static_cast<int>(pixel >> 8 & 255);
            int v = static_cast<int>((1 - w) * g + level * intensity * w * gain / 256);
            if (v > 255)
                v = 255;
            pixel = static_cast<std::uint32_t>(v) * 65793u;
        }
    }
}

} // namespace

// The dot drawing agrees pixel for pixel with the step-by-step reference blend on many random
// dots blended over each other, partly outside the frame, small and large.
TEST(DotBlend, MatchesTheReferenceBlendExactly) {
    std::mt19937 random(5);
    std::uniform_real_distribution<double> x(-6, 46), y(-6, 36), radius(0.1, 12), light(0, 2);
    std::uniform_int_distribution<int> size(1, 40), contrast(1, 140);
    TTestFrame fast(40, 30);
    std::vector<std::uint32_t> reference(40 * 30, 0);
    for (int k = 0; k < 3000; ++k) {
        const TDotStyle style{size(random), contrast(random)};
        const double sx = x(random), sy = y(random), rad = radius(random), i = light(random);
        BlendDot(fast.Frame(), style, 255, sx, sy, rad, i);
        ReferenceDot(reference, 40, 30, style.PartSize, style.Contrast, 255, sx, sy, rad, i);
    }
    for (std::int32_t row = 0; row < 30; ++row)
        for (std::int32_t col = 0; col < 40; ++col)
            ASSERT_EQ(fast.At(col, row), reference[static_cast<std::size_t>(row * 40 + col)])
                << col << ", " << row;
}

// A particle at depth 100 with ZoomX 10 has dot radius 2 and intensity 60 / 10.
TEST(DotBlend, SmallDotAtFullContrast) {
    TTestFrame t(300, 200);
    BlendDot(t.Frame(), {10, 128}, 255, 150.0, 80.0, 2.0, 6.0);
    EXPECT_EQ(t.At(150, 80), 244u * 65793u); // grey in all three colour bytes, top byte 0
    for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}})
        EXPECT_EQ(t.Grey(150 + dx, 80 + dy), 81);
    for (auto [dx, dy] : {std::pair{1, 1}, {-1, 1}, {1, -1}, {-1, -1}})
        EXPECT_EQ(t.Grey(150 + dx, 80 + dy), 14);
    EXPECT_EQ(t.Lit(), 9);
    EXPECT_TRUE(t.PaddingIntact());
}

TEST(DotBlend, ContrastBelowEightOnlyDarkens) {
    TTestFrame t(20, 20);
    const TPixelFrame f = t.Frame();
    for (std::int32_t y = 0; y < 20; ++y)
        for (std::int32_t x = 0; x < 20; ++x)
            f.Row(y)[x] = TPixelFrame::Grey(100);
    BlendDot(f, {10, 7}, 255, 10.0, 10.0, 10.0, 5.0); // gain 49 / 64 = 0
    EXPECT_EQ(t.Grey(10, 10), 80);                    // (1 - 0.2) x 100
    EXPECT_EQ(t.Grey(0, 0), 100);                     // beyond r + 0.5 = 4.5

    TTestFrame u(20, 20);
    BlendDot(u.Frame(), {10, 8}, 255, 10.0, 10.0, 10.0, 5.0); // gain 1
    EXPECT_EQ(u.Grey(10, 10), 0);                             // 255 x 5 x 0.2 / 256 = 0.99
    BlendDot(u.Frame(), {10, 8}, 255, 10.0, 10.0, 10.0, 5.1);
    EXPECT_EQ(u.Grey(10, 10), 1);
}

TEST(DotBlend, SubPixelDotKeepsOnePixelRadiusAndLosesBrightness) {
    TTestFrame t(20, 20);
    BlendDot(t.Frame(), {1, 128}, 255, 10.0, 10.0, 5.0, 4.0); // r = 0.2: intensity 0.8
    EXPECT_EQ(t.Grey(10, 10), 40);                            // 255 x 0.8 x 0.2
    EXPECT_EQ(t.Lit(), 9);                                    // within 1.5 of the centre
    EXPECT_EQ(t.Grey(12, 10), 0);
}

TEST(DotBlend, LaterDotsMoveAFifthOfTheWayAndSaturate) {
    TTestFrame t(10, 10);
    // Target level 255 x 10 x 256 / 256 at the centre, far above 255.
    for (int k = 0; k < 3; ++k)
        BlendDot(t.Frame(), {50, 128}, 255, 5.0, 5.0, 1.0, 10.0);
    EXPECT_EQ(t.Grey(5, 5), 255);
    TTestFrame u(10, 10);
    BlendDot(u.Frame(), {50, 128}, 255, 5.0, 5.0, 1.0, 0.5); // target 127.5: 25.5 -> 25
    EXPECT_EQ(u.Grey(5, 5), 25);
    BlendDot(u.Frame(), {50, 128}, 255, 5.0, 5.0, 1.0, 0.5); // 0.8 x 25 + 25.5 = 45.5
    EXPECT_EQ(u.Grey(5, 5), 45);
}

TEST(DotBlend, DotsPartlyOutsideAreCutAtTheEdges) {
    TTestFrame t(8, 6);
    BlendDot(t.Frame(), {100, 128}, 255, -1.0, 2.0, 1.0, 1.0); // r = 4
    EXPECT_GT(t.Grey(0, 2), 0);
    EXPECT_EQ(t.Grey(7, 2), 0);
    BlendDot(t.Frame(), {100, 128}, 255, 9.0, 7.0, 1.0, 1.0);
    EXPECT_GT(t.Grey(7, 5), 0);
    EXPECT_TRUE(t.PaddingIntact());
}

// The loops only visit the picture, so an enormous dot costs one pass over the frame and a
// dot far away costs nothing, whatever the numbers.
TEST(DotBlend, HugeAndFarAwayDotsStayInsideTheFrame) {
    TTestFrame t(16, 12);
    BlendDot(t.Frame(), {10, 128}, 255, 8.0, 6.0, 1e12, 1.0);
    EXPECT_EQ(t.Lit(), 16 * 12);
    TTestFrame u(16, 12);
    const double inf = std::numeric_limits<double>::infinity();
    BlendDot(u.Frame(), {10, 128}, 255, 5e15, 6.0, 3.0, 1.0);
    BlendDot(u.Frame(), {10, 128}, 255, -3e9, -4e9, 1e9, 1.0);
    BlendDot(u.Frame(), {10, 128}, 255, inf, 6.0, 3.0, 1.0);
    EXPECT_EQ(u.Lit(), 0);
    BlendDot(u.Frame(), {10, 128}, 255, 8.0, 6.0, inf, 1.0);
    EXPECT_EQ(u.Lit(), 16 * 12);
    EXPECT_TRUE(u.PaddingIntact());
}

TEST(DotBlend, NotANumberDrawsNothing) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    TTestFrame t(16, 12);
    BlendDot(t.Frame(), {10, 128}, 255, nan, 6.0, 3.0, 1.0);
    BlendDot(t.Frame(), {10, 128}, 255, 8.0, nan, 3.0, 1.0);
    BlendDot(t.Frame(), {10, 128}, 255, 8.0, 6.0, nan, 1.0);
    BlendDot(t.Frame(), {10, 128}, 255, 8.0, 6.0, 3.0, nan);
    EXPECT_EQ(t.Lit(), 0);
}

TEST(DotBlend, NegativeSettingsGiveNoNegativeLevel) {
    TTestFrame t(16, 12);
    BlendDot(t.Frame(), {-10, 128}, 255, 8.0, 6.0, 3.0, 2.0);
    EXPECT_EQ(t.Lit(), 0);
}

TEST(DotBlend, TopByteOfTheFrameIsWrittenWithEveryPixel) {
    TTestFrame t(4, 4);
    TPixelFrame f = t.Frame();
    f.TopByte = 0xFF000000u;
    BlendDot(f, {10, 128}, 255, 1.0, 1.0, 2.0, 6.0);
    EXPECT_EQ(t.At(1, 1), 0xFF000000u | 244u * 65793u);
}
