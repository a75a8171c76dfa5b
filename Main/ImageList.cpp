#include "Main/ImageList.h"

#include "Main/PaintedIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace {

const QColor Outline(0x40, 0x40, 0x48);

QPen OutlinePen(const QColor& colour = Outline) {
    QPen pen(colour, 1.0);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}

// Page with a folded corner.
void DrawBlankPage(QPainter& p) {
    QPainterPath page;
    page.moveTo(3.5, 1.5);
    page.lineTo(9.5, 1.5);
    page.lineTo(12.5, 4.5);
    page.lineTo(12.5, 14.5);
    page.lineTo(3.5, 14.5);
    page.closeSubpath();
    p.setPen(OutlinePen());
    p.setBrush(Qt::white);
    p.drawPath(page);
    QPainterPath fold;
    fold.moveTo(9.5, 1.5);
    fold.lineTo(9.5, 4.5);
    fold.lineTo(12.5, 4.5);
    p.setBrush(QColor(0xd8, 0xd8, 0xe0));
    p.drawPath(fold);
}

// Folder with its front flap swung open.
void DrawOpenFolder(QPainter& p) {
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(5.5, 3.5);
    back.lineTo(6.5, 4.5);
    back.lineTo(12.5, 4.5);
    back.lineTo(12.5, 13.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    p.setPen(OutlinePen(QColor(0x80, 0x60, 0x10)));
    p.setBrush(QColor(0xe8, 0xb8, 0x38));
    p.drawPath(back);
    QPainterPath flap;
    flap.moveTo(3.5, 7.5);
    flap.lineTo(15.5, 7.5);
    flap.lineTo(12.5, 13.5);
    flap.lineTo(1.5, 13.5);
    flap.closeSubpath();
    p.setBrush(QColor(0xf8, 0xd8, 0x68));
    p.drawPath(flap);
}

// Floppy disk: body, metal shutter at the top, paper label at the bottom.
void DrawFloppyDisk(QPainter& p) {
    QPainterPath body;
    body.moveTo(1.5, 1.5);
    body.lineTo(13.5, 1.5);
    body.lineTo(14.5, 2.5);
    body.lineTo(14.5, 14.5);
    body.lineTo(1.5, 14.5);
    body.closeSubpath();
    p.setPen(OutlinePen(QColor(0x10, 0x20, 0x50)));
    p.setBrush(QColor(0x30, 0x58, 0xb0));
    p.drawPath(body);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xc8, 0xcc, 0xd4));
    p.drawRect(QRectF(4, 2, 7, 4));
    p.setBrush(QColor(0x30, 0x58, 0xb0));
    p.drawRect(QRectF(8, 3, 2, 2));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3, 9, 10, 5));
    p.setBrush(QColor(0x90, 0x98, 0xb0));
    p.drawRect(QRectF(4, 10, 8, 1));
    p.drawRect(QRectF(4, 12, 6, 1));
}

// Play: a triangle pointing right.
void DrawPlay(QPainter& p) {
    QPainterPath triangle;
    triangle.moveTo(4.5, 2.5);
    triangle.lineTo(13.0, 8.0);
    triangle.lineTo(4.5, 13.5);
    triangle.closeSubpath();
    p.setPen(OutlinePen(QColor(0x10, 0x60, 0x20)));
    p.setBrush(QColor(0x30, 0xb0, 0x40));
    p.drawPath(triangle);
}

// Pause: two upright bars.
void DrawPause(QPainter& p) {
    p.setPen(OutlinePen(QColor(0x20, 0x30, 0x60)));
    p.setBrush(QColor(0x40, 0x70, 0xc8));
    p.drawRect(QRectF(3.5, 2.5, 3, 11));
    p.drawRect(QRectF(9.5, 2.5, 3, 11));
}

// Form sheet: a small dialog window with a title bar, two sliders and a button.
void DrawFormSheet(QPainter& p) {
    p.setPen(OutlinePen());
    p.setBrush(QColor(0xec, 0xec, 0xe8));
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x28, 0x50, 0xa0));
    p.drawRect(QRectF(2, 2, 12, 3));
    p.setBrush(QColor(0x70, 0x70, 0x78));
    p.drawRect(QRectF(3, 7, 10, 1));
    p.drawRect(QRectF(3, 10, 10, 1));
    p.setBrush(QColor(0x28, 0x50, 0xa0));
    p.drawRect(QRectF(9, 6, 2, 3));
    p.drawRect(QRectF(5, 9, 2, 3));
    p.setBrush(QColor(0xb0, 0xb0, 0xb8));
    p.drawRect(QRectF(9, 12, 4, 2));
}

// Framed picture: a wooden frame around hills under a sky with a sun.
void DrawFramedPicture(QPainter& p) {
    p.setPen(OutlinePen(QColor(0x50, 0x30, 0x10)));
    p.setBrush(QColor(0xb0, 0x78, 0x38));
    p.drawRect(QRectF(0.5, 2.5, 15, 11));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x90, 0xc8, 0xf0));
    p.drawRect(QRectF(2, 4, 12, 8));
    p.setBrush(QColor(0xf8, 0xe0, 0x40));
    p.drawEllipse(QRectF(10, 5, 3, 3));
    QPainterPath hills;
    hills.moveTo(2, 12);
    hills.lineTo(2, 9);
    hills.lineTo(5, 6.5);
    hills.lineTo(8, 9.5);
    hills.lineTo(10, 8);
    hills.lineTo(14, 11);
    hills.lineTo(14, 12);
    hills.closeSubpath();
    p.setBrush(QColor(0x38, 0x90, 0x40));
    p.drawPath(hills);
}

using TDraw = void (*)(QPainter&);
constexpr TDraw Drawings[TImageList::Count] = {DrawBlankPage,    DrawOpenFolder, DrawFloppyDisk,
                                               DrawPlay,         DrawPause,      DrawFormSheet,
                                               DrawFramedPicture};

constexpr int ProgramIconUnits = 64;

// A two-armed spiral of dots around a bright core, as the views draw a seeded collision.
void DrawProgramIcon(QPainter& p) {
    QRadialGradient sky(QPointF(32, 32), 44);
    sky.setColorAt(0.0, QColor(0x1c, 0x24, 0x58));
    sky.setColorAt(1.0, QColor(0x04, 0x06, 0x18));
    p.setPen(Qt::NoPen);
    p.setBrush(sky);
    p.drawRoundedRect(QRectF(1, 1, 62, 62), 12, 12);

    QRadialGradient glow(QPointF(32, 32), 30);
    glow.setColorAt(0.0, QColor(255, 255, 255, 120));
    glow.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setBrush(glow);
    p.drawEllipse(QPointF(32, 32), 30, 30);

    for (int arm = 0; arm < 2; ++arm) {
        for (int k = 0; k < 26; ++k) {
            const double t = k / 25.0;
            const double angle = arm * M_PI + t * 3.4;
            const double radius = 4.0 + 24.0 * t;
            const QPointF centre(32 + radius * std::cos(angle),
                                 32 + radius * std::sin(angle) * 0.8);
            const int grey = 255 - static_cast<int>(90 * t);
            p.setBrush(QColor(grey, grey, grey, 235 - static_cast<int>(120 * t)));
            const double dot = 2.6 - 1.5 * t;
            p.drawEllipse(centre, dot, dot);
        }
    }
    QRadialGradient core(QPointF(32, 32), 9);
    core.setColorAt(0.0, QColor(255, 255, 255, 255));
    core.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setBrush(core);
    p.drawEllipse(QPointF(32, 32), 9, 9);
}

} // namespace

TImageList::TImageList(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("ImageList1"));
    for (int i = 0; i < Count; ++i)
        Icons[static_cast<std::size_t>(i)] = TPaintedIcon::Make(Size, Drawings[i]);
}

QIcon TImageList::Icon(int index) const {
    if (index < 0 || index >= Count)
        return {};
    return Icons[static_cast<std::size_t>(index)];
}

namespace ProgramIcon {

QIcon Icon() {
    return TPaintedIcon::Make(ProgramIconUnits, DrawProgramIcon);
}

QImage Render(int size) {
    return TPaintedIcon::Render(ProgramIconUnits, DrawProgramIcon, size);
}

} // namespace ProgramIcon
