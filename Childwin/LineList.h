#pragma once

#include <cstdint>
#include <memory>

/// A connecting line in window pixels.
struct TLineSegment {
    double X1, Y1, X2, Y2;
};

/// Keeps the part of the line from (x1, y1) to (x2, y2) that can touch a window of
/// width x height pixels. Lines with an end far outside are cut at the window's edge, so
/// that no drawing call sees coordinates near the 32-bit limits. False when the line misses
/// the window.
bool ClipToWindow(TLineSegment& line, std::int32_t width, std::int32_t height);

/// The connecting lines of one frame, in drawing order. Room for one line per entry of the
/// universe's close-pair list is taken once, when the list is made, and reused every frame.
class TLineList {
public:
    static constexpr std::int32_t Capacity = 5000;

    TLineList() : FLines(new TLineSegment[Capacity]) {}

    void Clear() { FCount = 0; }
    /// Adds the line as ClipToWindow cuts it; a line that misses the window is left out.
    /// False when the list is full.
    bool AddClipped(double x1, double y1, double x2, double y2, std::int32_t width,
                    std::int32_t height);

    std::int32_t Count() const { return FCount; }
    const TLineSegment& operator[](std::int32_t i) const { return FLines[i]; }
    const TLineSegment* begin() const { return FLines.get(); }
    const TLineSegment* end() const { return FLines.get() + FCount; }

private:
    std::unique_ptr<TLineSegment[]> FLines;
    std::int32_t FCount = 0;
};
