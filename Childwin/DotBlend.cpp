#include "Childwin/DotBlend.h"

#include "Childwin/Rounding.h"

#include <algorithm>
#include <cmath>

namespace {

// The pixel indices from the rounded bounds lo..hi (both included) that lie in [0, size).
// Worked out in floating point so that no far-off or infinite bound reaches an integer.
bool ClampedSpan(double lo, double hi, std::int32_t size, std::int32_t& first, std::int32_t& last) {
    lo = RoundHalfEven(lo);
    hi = RoundHalfEven(hi);
    if (!(lo <= hi) || hi < 0 || lo > size - 1.0)
        return false;
    first = lo < 0 ? 0 : static_cast<std::int32_t>(lo);
    last = hi > size - 1.0 ? size - 1 : static_cast<std::int32_t>(hi);
    return true;
}

} // namespace

void BlendDot(const TPixelFrame& frame, const TDotStyle& style, std::int32_t level, double sx,
              double sy, double radius, double intensity) {
    double r = 0.04 * radius * style.PartSize;
    const std::int64_t contrast = style.Contrast;
    const double gain = static_cast<double>((contrast * contrast) >> 6);
    if (r < 1) {
        intensity *= r;
        r = 1;
    }
    std::int32_t firstRow, lastRow, firstCol, lastCol;
    if (!ClampedSpan(sy - r - 0.5, sy + r + 0.5, frame.Height, firstRow, lastRow) ||
        !ClampedSpan(sx - r - 0.5, sx + r + 0.5, frame.Width, firstCol, lastCol))
        return;
    const double reach = r + 0.5;
    // Pixels beyond reach get weight 0 and keep their level, so they are skipped without
    // a square root; the tiny margin leaves every pixel near the edge to the exact test.
    const double farSquared = reach * reach * (1 + 1e-12);
    const double levelIntensity = level * intensity;
    // A finite target never makes v NaN, so the pixel loop can clamp without tests; an
    // infinite or NaN one (from a blown-up particle's heat) takes the careful path.
    const bool finite = std::isfinite(levelIntensity * gain);
    std::uint8_t* const bits = frame.Bits;
    const std::ptrdiff_t pitch = frame.BytesPerLine;
    const std::uint32_t top = frame.TopByte;
    for (std::int32_t row = firstRow; row <= lastRow; ++row) {
        std::uint32_t* pixels = reinterpret_cast<std::uint32_t*>(bits + row * pitch);
        const double dy = row - sy;
        if (finite) {
            // No branch inside the row: every pixel's weight is worked out, and the ones
            // beyond reach take their old value back, so the compiler blends several pixels
            // at once with the same arithmetic, pixel for pixel, as the careful path.
            for (std::int32_t col = firstCol; col <= lastCol; ++col) {
                const std::uint32_t old = pixels[col];
                const double dx = col - sx;
                const double squared = dx * dx + dy * dy;
                const double d = std::sqrt(squared);
                const double w = std::max(0.0, 0.2 - 0.2 * d / reach);
                const double g =
                    static_cast<double>(static_cast<std::int32_t>(TPixelFrame::GreyOf(old)));
                const double v = (1 - w) * g + levelIntensity * w * gain / 256;
                // Truncated toward zero, limited to the grey range.
                const double high = v < 255.0 ? v : 255.0;
                const std::uint32_t out =
                    static_cast<std::uint32_t>(static_cast<std::int32_t>(high > 0.0 ? high : 0.0));
                pixels[col] = squared > farSquared ? old : TPixelFrame::Grey(out) | top;
            }
            continue;
        }
        for (std::int32_t col = firstCol; col <= lastCol; ++col) {
            const double dx = col - sx;
            const double squared = dx * dx + dy * dy;
            if (squared > farSquared)
                continue;
            const double d = std::sqrt(squared);
            // Beyond reach 0.2 - 0.2 d / reach is negative, and the weight there is 0.
            const double w = std::max(0.0, 0.2 - 0.2 * d / reach);
            const std::uint32_t g = TPixelFrame::GreyOf(pixels[col]);
            const double v = (1 - w) * g + levelIntensity * w * gain / 256;
            // Truncated toward zero; NaN leaves the pixel as it was.
            const std::uint32_t out = v >= 255 ? 255
                                      : v >= 0 ? static_cast<std::uint32_t>(v)
                                      : v < 0  ? 0
                                               : g;
            pixels[col] = TPixelFrame::Grey(out) | top;
        }
    }
}
