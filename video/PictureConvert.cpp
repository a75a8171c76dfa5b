#include "video/PictureConvert.h"

namespace {

// BT.601's weights for limited range (16-235 brightness, 16-240 colour) in 16-bit fixed
// point, each weight x 219 / 255 (brightness) or x 224 / 255 (colour) x 2^16. The colour
// weights of each row add up to 0, so that grey has no colour.
constexpr std::int32_t YR = 16829, YG = 33039, YB = 6416;
constexpr std::int32_t UR = -9714, UG = -19070, UB = 28784;
constexpr std::int32_t VR = 28784, VG = -24103, VB = -4681;

constexpr std::uint32_t Red(std::uint32_t pixel) {
    return (pixel >> 16) & 0xFFu;
}
constexpr std::uint32_t Green(std::uint32_t pixel) {
    return (pixel >> 8) & 0xFFu;
}
constexpr std::uint32_t Blue(std::uint32_t pixel) {
    return pixel & 0xFFu;
}

std::uint8_t Brightness(std::uint32_t pixel) {
    const std::int32_t r = static_cast<std::int32_t>(Red(pixel));
    const std::int32_t g = static_cast<std::int32_t>(Green(pixel));
    const std::int32_t b = static_cast<std::int32_t>(Blue(pixel));
    return static_cast<std::uint8_t>(((16 << 16) + (1 << 15) + YR * r + YG * g + YB * b) >> 16);
}

// r, g and b are sums over four pixels: a quarter of the weights, rounded.
std::uint8_t Colour(std::int32_t wr, std::int32_t wg, std::int32_t wb, std::int32_t r,
                    std::int32_t g, std::int32_t b) {
    return static_cast<std::uint8_t>(((128 << 18) + (1 << 17) + wr * r + wg * g + wb * b) >> 18);
}

// One row of brightness. The output bytes could alias the pixels for all the compiler
// knows; said otherwise, it converts several pixels at once.
void BrightnessRow(const std::uint32_t* __restrict pixels, std::uint8_t* __restrict out,
                   std::int32_t width) {
    for (std::int32_t x = 0; x < width; ++x)
        out[x] = Brightness(pixels[x]);
}

// One row of colour from a pair of picture rows.
void ColourRow(const std::uint32_t* __restrict top, const std::uint32_t* __restrict bottom,
               std::uint8_t* __restrict u, std::uint8_t* __restrict v, std::int32_t halfWidth) {
    for (std::int32_t x = 0; x < halfWidth; ++x) {
        const std::uint32_t a = top[2 * x], b = top[2 * x + 1], c = bottom[2 * x],
                            d = bottom[2 * x + 1];
        const auto r = static_cast<std::int32_t>(Red(a) + Red(b) + Red(c) + Red(d));
        const auto g = static_cast<std::int32_t>(Green(a) + Green(b) + Green(c) + Green(d));
        const auto bl = static_cast<std::int32_t>(Blue(a) + Blue(b) + Blue(c) + Blue(d));
        u[x] = Colour(UR, UG, UB, r, g, bl);
        v[x] = Colour(VR, VG, VB, r, g, bl);
    }
}

} // namespace

void ToYuv420(const TPixelFrame& picture, const TYuvPlanes& planes) {
    for (std::int32_t y = 0; y + 1 < picture.Height; y += 2) {
        const std::uint32_t* top = picture.Row(y);
        const std::uint32_t* bottom = picture.Row(y + 1);
        std::uint8_t* yTop = planes.Y + static_cast<std::ptrdiff_t>(y) * planes.YPitch;
        BrightnessRow(top, yTop, picture.Width);
        BrightnessRow(bottom, yTop + planes.YPitch, picture.Width);
        ColourRow(top, bottom, planes.U + static_cast<std::ptrdiff_t>(y / 2) * planes.UPitch,
                  planes.V + static_cast<std::ptrdiff_t>(y / 2) * planes.VPitch, picture.Width / 2);
    }
}
