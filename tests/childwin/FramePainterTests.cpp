// The frame painter: the monocular picture as before, lines over dots, the two stereo
// pictures and the grid under the particles.
#include "Childwin/DisplayList.h"
#include "Childwin/FramePainter.h"
#include "Childwin/LineList.h"
#include "RenderTestSupport.h"

#include <QImage>
#include <QLineF>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

struct PainterTest : testing::Test {
    TPlacedUniverse U{3};
    TDisplayList List;
    TFramePainter Painter;
    TFrameSettings Settings = PlainSettings(160, 100, 10, -100); // 10 px per unit

    PainterTest() {
        U.Universe.IterationCount = 1;
        U.Universe.UseThermodynamics = true;
        U.Place(0, 2, 1, 0);
        U.Place(1, -3, -2, 10);
        U.Place(2, 0, 0, -20);
        U[1].Heat = 0.4;
        U.AddPair(1, 0);
        U.AddPair(2, 1);
        Settings.UseLines = true;
        Settings.ShowLuminance = true;
        Settings.GridSpace = 5;
    }
    QImage Paint(const TFrameSettings& s) {
        QImage frame(160, 100, QImage::Format_RGB32);
        frame.fill(Qt::black);
        Painter.Paint(frame, &U.Universe, &List, s);
        return frame;
    }
};

// The monocular picture is what the plain renderer and red lines make of it, bit for bit.
TEST_F(PainterTest, MonocularIsThePlainRendererWithRedLines) {
    QImage expected(160, 100, QImage::Format_RGB32);
    expected.fill(Qt::black);
    TLineList lines;
    TDrawnPoints points;
    RenderUniverse(&U.Universe, &List, PixelsOf(expected), Settings, lines, points);
    ASSERT_EQ(lines.Count(), 2);
    {
        QPainter painter(&expected);
        painter.setPen(QPen(QColor(255, 0, 0), 1, Qt::SolidLine));
        for (const TLineSegment& line : lines)
            painter.drawLine(QLineF(line.X1, line.Y1, line.X2, line.Y2));
    }
    EXPECT_EQ(Paint(Settings), expected);
}

// A line from a dot's centre is drawn after the dot, so the centre pixel is pure red.
TEST_F(PainterTest, LinesLieOverTheDots) {
    const QImage frame = Paint(Settings);
    // Particle 0 at view (-2, 1), depth 100: centre (60, 60).
    EXPECT_EQ(frame.pixel(60, 60), qRgb(255, 0, 0));
    Settings.UseLines = false;
    const QImage dotsOnly = Paint(Settings);
    const QRgb dot = dotsOnly.pixel(60, 60);
    EXPECT_GT(qGreen(dot), 0);
    EXPECT_EQ(qRed(dot), qGreen(dot)); // grey
}

TEST_F(PainterTest, AutoStereoDrawsBothHalvesWithTheirLines) {
    Settings.ShowAs = saAutoStereo;
    const QImage frame = Paint(Settings);
    int greyLeft = 0, greyRight = 0, redLeft = 0, redRight = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 160; ++x) {
            const QRgb p = frame.pixel(x, y);
            const bool red = qRed(p) == 255 && qGreen(p) == 0;
            const bool grey = qGreen(p) > 0 && qRed(p) == qGreen(p) && qGreen(p) == qBlue(p);
            (x < 80 ? redLeft : redRight) += red;
            (x < 80 ? greyLeft : greyRight) += grey;
        }
    EXPECT_GT(greyLeft, 0);
    EXPECT_GT(greyRight, 0);
    EXPECT_GT(redLeft, 0);
    EXPECT_GT(redRight, 0);
    // Particle 0 lies at the origin's depth, so both eyes see it where the plain camera
    // does relative to their own centres: (60, 60) around 80 becomes (20, 60) around 40.
    Settings.UseLines = false;
    const QImage dots = Paint(Settings);
    EXPECT_GT(qGreen(dots.pixel(20, 60)), 0);
    EXPECT_GT(qGreen(dots.pixel(100, 60)), 0);
}

// The left eye's picture in red, the right eye's in green and blue: where the eyes agree
// (the point looked at) the dot is grey, elsewhere the two pictures part.
TEST_F(PainterTest, ChromoStereoPutsTheEyesInRedAndCyan) {
    U.Place(0, 0, 0, 0); // on the line of sight at the origin's depth
    Settings.ShowAs = saChromoStereo;
    Settings.UseLines = false;
    const QImage frame = Paint(Settings);
    const QRgb centre = frame.pixel(80, 50);
    EXPECT_GT(qRed(centre), 0);
    EXPECT_EQ(qRed(centre), qGreen(centre));
    EXPECT_EQ(qGreen(centre), qBlue(centre));
    // Particle 2 is 20 units nearer: its two pictures lie apart, so some pixels carry only
    // red and others only green and blue.
    int redOnly = 0, cyanOnly = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 160; ++x) {
            const QRgb p = frame.pixel(x, y);
            redOnly += qRed(p) > 0 && qGreen(p) == 0;
            cyanOnly += qRed(p) == 0 && qGreen(p) > 0 && qGreen(p) == qBlue(p);
        }
    EXPECT_GT(redOnly, 0);
    EXPECT_GT(cyanOnly, 0);
    // Lines: the left eye's in red, the right eye's in cyan.
    Settings.UseLines = true;
    const QImage lined = Paint(Settings);
    bool red = false, cyan = false;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 160; ++x) {
            red |= lined.pixel(x, y) == qRgb(255, 0, 0);
            cyan |= lined.pixel(x, y) == qRgb(0, 255, 255);
        }
    EXPECT_TRUE(red);
    EXPECT_TRUE(cyan);
}

// The grid lies under the particles: dots blend over it, and it leaves the rest of the
// picture as it was.
TEST_F(PainterTest, TheGridIsDrawnFirstAndOnlyWhenAsked) {
    Settings.UseLines = false;
    const QImage plain = Paint(Settings);
    Settings.ShowGrid = true;
    const QImage gridded = Paint(Settings);
    int changed = 0, coloured = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 160; ++x) {
            changed += plain.pixel(x, y) != gridded.pixel(x, y);
            coloured += qRed(gridded.pixel(x, y)) != qGreen(gridded.pixel(x, y));
        }
    EXPECT_GT(changed, 100);
    EXPECT_GT(coloured, 0); // the axes are coloured
    // The x axis passes through the centre row; the dot of particle 2 (at the origin's
    // line of sight, depth 120) sits on it and is grey, as blended over the axis.
    const QRgb onAxis = gridded.pixel(80, 50);
    EXPECT_EQ(qRed(onAxis), qGreen(onAxis));
    Settings.GridSpace = 0; // no universe span, no grid
    EXPECT_EQ(Paint(Settings), plain);
}

} // namespace
