#pragma once

#include <QIconEngine>

#include <functional>

class QPainter;

/// An icon drawn by code instead of loaded from a file. The drawing is given in a square of
/// Units x Units and scaled to whatever pixel size is asked for, so the icon stays crisp at
/// any device pixel ratio. Strokes one unit wide sit on half-unit coordinates, which puts
/// them on whole pixels at 1x and 2x alike.
class TPaintedIcon : public QIconEngine {
public:
    using TDrawing = std::function<void(QPainter&)>;

    TPaintedIcon(int units, TDrawing drawing);

    /// The icon as a QIcon (which takes ownership of a new engine).
    static QIcon Make(int units, TDrawing drawing);
    /// The drawing rendered into an image of size x size pixels.
    static QImage Render(int units, const TDrawing& drawing, int size);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override;
    QIconEngine* clone() const override;
    QString key() const override;

private:
    int Units;
    TDrawing Drawing;
};
