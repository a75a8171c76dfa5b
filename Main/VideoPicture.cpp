#include "Main/VideoPicture.h"

#include <QImage>

void TViewPictureDrawer::Draw(const TPixelFrame& frame, const TUniverseSnapshot& universe,
                              const TFrameSettings& settings) {
    // An image over the video's own buffer: the painter writes straight into it.
    QImage image(frame.Bits, frame.Width, frame.Height, static_cast<qsizetype>(frame.BytesPerLine),
                 QImage::Format_RGB32);
    image.fill(QColor(Qt::black));
    FPainter.Paint(image, &universe, &FList, settings);
}
