#pragma once

#include "Childwin/FrameRender.h"
#include "Childwin/LineList.h"

#include <array>
#include <cstdint>

/// What a reference line shows; the painter gives each kind its colour.
enum TGridKind : std::uint8_t { gkGrid, gkAxisX, gkAxisY, gkAxisZ };

/// One reference line in window pixels.
struct TGridLine {
    TLineSegment Line;
    TGridKind Kind;
};

/// The faint reference a view can draw under its particles: a square grid of
/// GridDivisions x GridDivisions cells in the plane y = 0 spanning -space to +space in x and
/// z, then the three axes through the origin over the same span, each projected with the
/// view's camera (and eye). Parts behind the camera are cut off before projecting and the
/// rest is clipped to the window like the connecting lines.
class TGridLines {
public:
    static constexpr int GridDivisions = 10;
    static constexpr int Capacity = 2 * (GridDivisions + 1) + 3;

    /// Projects the reference for settings, whose GridSpace gives the span. Nothing when
    /// the span is not a positive finite number.
    void Project(const TFrameSettings& settings);

    int Count() const { return FCount; }
    const TGridLine& operator[](int i) const { return FLines[static_cast<std::size_t>(i)]; }
    const TGridLine* begin() const { return FLines.data(); }
    const TGridLine* end() const { return FLines.data() + FCount; }

private:
    std::array<TGridLine, Capacity> FLines{};
    int FCount = 0;
};
