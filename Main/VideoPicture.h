#pragma once

#include "Childwin/DisplayList.h"
#include "Childwin/FramePainter.h"
#include "video/VideoExport.h"

/// A video's pictures drawn by the views' own painter: dots, connecting lines, grid and the
/// stereo methods exactly as a view window shows them. Needs no display: it paints into
/// the video's pixel buffer.
class TViewPictureDrawer : public TFrameDrawer {
public:
    void Draw(const TPixelFrame& frame, const TUniverseSnapshot& universe,
              const TFrameSettings& settings) override;

private:
    TFramePainter FPainter;
    TDisplayList FList;
};
