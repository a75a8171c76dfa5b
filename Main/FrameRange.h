#pragma once

#include <cstdint>
#include <string>

/// A run of recorded frames to export, numbered from 1 as the position bar shows them.
/// Empty (Count() == 0) only for a recording without frames.
struct TFrameRange {
    std::int32_t First = 1;
    std::int32_t Last = 0;

    /// What the export dialog offers: the frame shown (0-based index, -1 while the live
    /// universe is shown, which offers the whole recording) to the last of count.
    static TFrameRange Offered(std::int32_t shownIndex, std::int32_t count);
    /// Both ends moved into 1..count, swapped when given the wrong way round.
    TFrameRange Clamped(std::int32_t count) const;
    std::int32_t Count() const { return Last >= First ? Last - First + 1 : 0; }

    bool operator==(const TFrameRange&) const = default;
};

namespace FrameRange {

/// The picture file of frame number (1-based) in a recording of count frames:
/// "frame000042.png". Every name of one recording has the same number of digits (six or
/// more), so that names sort in frame order and video tools take them as a sequence.
std::string FileName(std::int32_t frame, std::int32_t count);

} // namespace FrameRange
