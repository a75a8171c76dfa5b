#include "Childwin/FramePainter.h"

#include "Childwin/LineList.h"
#include "Childwin/StereoRender.h"

#include <QLineF>
#include <QPainter>
#include <QPen>
#include <QRect>

namespace {

// Dim enough to stay behind the particles, bright enough to read on black.
const QColor GridColour(52, 52, 60);
const QColor AxisColours[] = {QColor(150, 45, 45), QColor(45, 140, 45), QColor(60, 80, 190)};

const QColor LineColour(255, 0, 0);
// The right eye's lines go to the green and blue channels of the anaglyph.
const QColor RightEyeLineColour(0, 255, 255);

QColor ColourOf(TGridKind kind, bool grey) {
    const QColor colour = kind == gkGrid ? GridColour : AxisColours[kind - gkAxisX];
    if (!grey)
        return colour;
    const int level = qGray(colour.rgb());
    return QColor(level, level, level);
}

} // namespace

TPixelFrame PixelsOf(QImage& image) {
    TPixelFrame pixels;
    if (image.isNull())
        return pixels;
    pixels.Bits = image.bits(); // one address for the whole image; rows by bytesPerLine
    pixels.BytesPerLine = image.bytesPerLine();
    pixels.Width = image.width();
    pixels.Height = image.height();
    pixels.TopByte = 0xFF000000u; // the 32-bit RGB image format keeps its top byte opaque
    return pixels;
}

TFramePainter::TFramePainter() : FLines(std::make_unique<TLineList>()) {}

TFramePainter::~TFramePainter() = default;

void TFramePainter::Paint(QImage& frame, const TUniverseSnapshot* universe, TDisplayList* list,
                          const TFrameSettings& settings) {
    const QRect whole(0, 0, frame.width(), frame.height());
    switch (settings.ShowAs) {
    case saAutoStereo:
        for (const TEye eye : {eyLeft, eyRight}) {
            const TEyeArea area = StereoRender::SideBySide(frame.width(), eye);
            PaintPicture(frame, QRect(area.Left, 0, area.Width, frame.height()), universe, list,
                         StereoRender::EyeSettings(settings, eye, area),
                         eye == eyLeft ? FLeftPoints : FRightPoints, LineColour);
        }
        break;
    case saChromoStereo: {
        if (FLeftEye.size() != frame.size())
            FLeftEye = QImage(frame.size(), QImage::Format_RGB32);
        FLeftEye.fill(QColor(Qt::black));
        const TEyeArea area{0, frame.width()};
        PaintPicture(FLeftEye, whole, universe, list,
                     StereoRender::EyeSettings(settings, eyLeft, area), FLeftPoints, LineColour,
                     true);
        PaintPicture(frame, whole, universe, list,
                     StereoRender::EyeSettings(settings, eyRight, area), FRightPoints,
                     RightEyeLineColour, true);
        const TPixelFrame out = PixelsOf(frame);
        StereoRender::ComposeAnaglyph(PixelsOf(FLeftEye), out, out);
        break;
    }
    default:
        PaintPicture(frame, whole, universe, list, settings, FPoints, LineColour);
        break;
    }
}

void TFramePainter::PaintPicture(QImage& image, const QRect& area,
                                 const TUniverseSnapshot* universe, TDisplayList* list,
                                 const TFrameSettings& settings, TDrawnPoints& points,
                                 const QColor& lineColour, bool greyGrid) {
    if (settings.ShowGrid)
        DrawGrid(image, area, settings, greyGrid);
    const TPixelFrame pixels = StereoRender::SubFrame(PixelsOf(image), {area.left(), area.width()});
    RenderUniverse(universe, list, pixels, settings, *FLines, points);
    DrawLines(image, area, lineColour);
}

void TFramePainter::DrawGrid(QImage& image, const QRect& area, const TFrameSettings& settings,
                             bool grey) {
    FGrid.Project(settings);
    if (FGrid.Count() == 0 || image.isNull())
        return;
    QPainter painter(&image);
    painter.setClipRect(area);
    painter.translate(area.topLeft());
    for (const TGridLine& line : FGrid) {
        painter.setPen(QPen(ColourOf(line.Kind, grey), 1, Qt::SolidLine));
        painter.drawLine(QLineF(line.Line.X1, line.Line.Y1, line.Line.X2, line.Line.Y2));
    }
}

void TFramePainter::DrawLines(QImage& image, const QRect& area, const QColor& colour) {
    if (FLines->Count() == 0 || image.isNull())
        return;
    QPainter painter(&image);
    // A picture that fills the image needs no clip; the same calls as ever then draw it.
    if (area != image.rect()) {
        painter.setClipRect(area);
        painter.translate(area.topLeft());
    }
    painter.setPen(QPen(colour, 1, Qt::SolidLine));
    for (const TLineSegment& line : *FLines)
        painter.drawLine(QLineF(line.X1, line.Y1, line.X2, line.Y2));
}
