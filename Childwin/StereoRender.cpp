#include "Childwin/StereoRender.h"

#include <algorithm>

namespace StereoRender {

TEyeArea SideBySide(std::int32_t frameWidth, TEye eye) {
    const std::int32_t half = std::max(frameWidth, 0) / 2;
    return {eye == eyLeft ? 0 : std::max(frameWidth, 0) - half, half};
}

TFrameSettings EyeSettings(const TFrameSettings& view, TEye eye, const TEyeArea& area) {
    TFrameSettings s = view;
    s.ShowAs = saMonocular;
    s.Eye = TEyeTurn::ForEye(view.Camera, eye);
    s.ClientWidth = area.Width;
    // The same halving as the view's own centre: unsigned, so rounded down.
    s.CentreX = static_cast<std::int32_t>(static_cast<std::uint32_t>(area.Width) / 2);
    return s;
}

TPixelFrame SubFrame(const TPixelFrame& frame, const TEyeArea& area) {
    TPixelFrame sub = frame;
    const std::int32_t left = std::clamp(area.Left, 0, std::max(frame.Width, 0));
    sub.Width = std::clamp(area.Width, 0, std::max(frame.Width, 0) - left);
    if (sub.Bits)
        sub.Bits += static_cast<std::ptrdiff_t>(left) * 4;
    return sub;
}

void ComposeAnaglyph(const TPixelFrame& left, const TPixelFrame& right, const TPixelFrame& out) {
    if (!left.Bits || !right.Bits || !out.Bits)
        return;
    const std::int32_t width = std::min({left.Width, right.Width, out.Width});
    const std::int32_t height = std::min({left.Height, right.Height, out.Height});
    for (std::int32_t y = 0; y < height; ++y) {
        const std::uint32_t* l = left.Row(y);
        const std::uint32_t* r = right.Row(y);
        std::uint32_t* o = out.Row(y);
        for (std::int32_t x = 0; x < width; ++x)
            o[x] = (l[x] & 0xFF0000u) | (r[x] & 0x00FFFFu) | out.TopByte;
    }
}

} // namespace StereoRender
