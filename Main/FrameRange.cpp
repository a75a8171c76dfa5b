#include "Main/FrameRange.h"

#include <algorithm>
#include <utility>

TFrameRange TFrameRange::Offered(std::int32_t shownIndex, std::int32_t count) {
    if (count <= 0)
        return {};
    const std::int32_t first = shownIndex >= 0 && shownIndex < count ? shownIndex + 1 : 1;
    return {first, count};
}

TFrameRange TFrameRange::Clamped(std::int32_t count) const {
    if (count <= 0)
        return {};
    std::int32_t first = std::clamp(First, 1, count);
    std::int32_t last = std::clamp(Last, 1, count);
    if (last < first)
        std::swap(first, last);
    return {first, last};
}

namespace FrameRange {

std::string FileName(std::int32_t frame, std::int32_t count) {
    std::size_t digits = 6;
    digits = std::max(digits, std::to_string(std::max(count, 0)).size());
    std::string number = std::to_string(std::max(frame, 0));
    if (number.size() < digits)
        number.insert(0, digits - number.size(), '0');
    return "frame" + number + ".png";
}

} // namespace FrameRange
