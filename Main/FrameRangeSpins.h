// The first and last frame of a range, as two spin boxes that never cross: the frame range
// of Export Frames and Export Video alike.
#pragma once

#include "Main/FrameRange.h"

class QSpinBox;
class QWidget;

struct TFrameRangeSpins {
    QSpinBox* First = nullptr;
    QSpinBox* Last = nullptr;
};

/// Spin boxes named SpinFirst and SpinLast in 1..frameCount showing offered (clamped);
/// moving one end past the other takes the other along, so the range is never empty.
TFrameRangeSpins MakeFrameRangeSpins(const TFrameRange& offered, int frameCount, QWidget* parent);
