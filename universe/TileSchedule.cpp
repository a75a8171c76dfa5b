#include "universe/TileSchedule.h"

#include "universe/TileJob.h"

#include <algorithm>

namespace {
constexpr std::int32_t LeastStrip = 64;
constexpr std::int32_t GreatestStrip = 1024;
constexpr std::int32_t MostStrips = 32;
} // namespace

TTileSchedule TTileSchedule::For(std::int32_t count) {
    TTileSchedule s;
    s.Count = std::max(count, 0);
    constexpr std::int32_t lanes = TTileJob::Lanes;
    const std::int32_t even = (s.Count + MostStrips - 1) / MostStrips;
    s.StripSize = std::clamp((even + lanes - 1) / lanes * lanes, LeastStrip, GreatestStrip);
    s.Strips = (s.Count + s.StripSize - 1) / s.StripSize;
    return s;
}

std::int32_t TTileSchedule::LargestStripSize(std::int32_t count) {
    return For(count).StripSize;
}

std::int32_t TTileSchedule::TilesIn(std::int32_t phase) const {
    const std::int32_t least = std::max(0, phase - (Strips - 1));
    return std::max(0, phase / 2 - least + 1);
}

void TTileSchedule::Tile(std::int32_t phase, std::int32_t t, std::int32_t& rows,
                         std::int32_t& partners) const {
    partners = std::max(0, phase - (Strips - 1)) + t;
    rows = phase - partners;
}

std::int32_t TTileSchedule::PartBegin(int part) const {
    if (part <= 0)
        return 0;
    if (part >= Parts)
        return Strips;
    // Row strip s meets every particle below it and half its own.
    auto pairsBelow = [&](std::int32_t strip) {
        const std::int64_t n = std::min<std::int64_t>(Count, std::int64_t{strip} * StripSize);
        return n * (n - 1) / 2;
    };
    const std::int64_t wanted = pairsBelow(Strips) * part / Parts;
    std::int32_t strip = 0;
    while (strip < Strips && pairsBelow(strip + 1) <= wanted)
        ++strip;
    // The nearer of the two strip bounds around the wanted share.
    if (strip < Strips && pairsBelow(strip + 1) - wanted < wanted - pairsBelow(strip))
        ++strip;
    return strip;
}
