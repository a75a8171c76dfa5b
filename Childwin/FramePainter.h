#pragma once

#include "Childwin/EyeTurn.h"
#include "Childwin/FrameRender.h"
#include "Childwin/GridLines.h"
#include "Childwin/PixelFrame.h"

#include <QColor>
#include <QImage>

#include <memory>

class QRect;
class TDisplayList;
class TLineList;
struct TUniverseSnapshot;

/// The rows of a 32-bit image as a pixel frame the drawing code writes into directly.
TPixelFrame PixelsOf(QImage& image);

/// Draws a view's picture into its cleared frame image, for each display method: the
/// monocular picture once (grid, particles, then the red connecting lines), the stereo
/// pictures once per eye. AutoStereo puts the two eyes side by side; ChromoStereo draws
/// the left eye into the red channel and the right eye into green and blue.
class TFramePainter {
public:
    TFramePainter();
    ~TFramePainter();

    void Paint(QImage& frame, const TUniverseSnapshot* universe, TDisplayList* list,
               const TFrameSettings& settings);

private:
    /// One picture into the columns of area, with its lines in lineColour; an anaglyph's
    /// eye gets its grid in grey, so that both eyes see it equally bright.
    void PaintPicture(QImage& image, const QRect& area, const TUniverseSnapshot* universe,
                      TDisplayList* list, const TFrameSettings& settings, TDrawnPoints& points,
                      const QColor& lineColour, bool greyGrid = false);
    void DrawGrid(QImage& image, const QRect& area, const TFrameSettings& settings, bool grey);
    void DrawLines(QImage& image, const QRect& area, const QColor& colour);

    std::unique_ptr<TLineList> FLines;
    TGridLines FGrid;
    QImage FLeftEye; // the anaglyph's left picture, kept between frames
    // Where each picture last drew every particle, kept from frame to frame as drawing
    // expects: the plain picture's, the left eye's and the right eye's.
    TDrawnPoints FPoints;
    TDrawnPoints FLeftPoints;
    TDrawnPoints FRightPoints;
};
