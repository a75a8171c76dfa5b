#include "Main/PaintedIcon.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>

TPaintedIcon::TPaintedIcon(int units, TDrawing drawing)
    : Units(units), Drawing(std::move(drawing)) {}

QIcon TPaintedIcon::Make(int units, TDrawing drawing) {
    return QIcon(new TPaintedIcon(units, std::move(drawing)));
}

QImage TPaintedIcon::Render(int units, const TDrawing& drawing, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(static_cast<qreal>(size) / units, static_cast<qreal>(size) / units);
    drawing(painter);
    return image;
}

void TPaintedIcon::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
                         QIcon::State state) {
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QPixmap pm = scaledPixmap(rect.size(), mode, state, ratio);
    painter->drawPixmap(rect, pm);
}

QPixmap TPaintedIcon::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) {
    return scaledPixmap(size, mode, state, 1.0);
}

QPixmap TPaintedIcon::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale) {
    // Qt passes the size already in device pixels; the ratio is only recorded.
    const int side = qMax(1, qMin(size.width(), size.height()));
    QPixmap pm = QPixmap::fromImage(Render(Units, Drawing, side));
    if (mode == QIcon::Disabled && qApp) {
        QStyleOption option;
        option.palette = QApplication::palette();
        pm = QApplication::style()->generatedIconPixmap(QIcon::Disabled, pm, &option);
    }
    pm.setDevicePixelRatio(scale);
    return pm;
}

QIconEngine* TPaintedIcon::clone() const {
    return new TPaintedIcon(Units, Drawing);
}

QString TPaintedIcon::key() const {
    return QStringLiteral("TPaintedIcon");
}
