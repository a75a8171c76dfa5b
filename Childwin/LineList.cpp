#include "Childwin/LineList.h"

#include <cmath>

namespace {

// Ends within this many pixels of the window are passed on exactly as they are.
constexpr double Margin = 4096;

// Liang-Barsky: narrows [t0, t1] to where p*t <= q holds. False when nothing is left.
bool ClipEdge(double p, double q, double& t0, double& t1) {
    if (p == 0)
        return q >= 0;
    const double t = q / p;
    if (p < 0) {
        if (t > t1)
            return false;
        if (t > t0)
            t0 = t;
    } else {
        if (t < t0)
            return false;
        if (t < t1)
            t1 = t;
    }
    return true;
}

bool Near(double x, double y, double left, double top, double right, double bottom) {
    return x >= left - Margin && x <= right + Margin && y >= top - Margin && y <= bottom + Margin;
}

} // namespace

bool ClipToWindow(TLineSegment& line, std::int32_t width, std::int32_t height) {
    double& x1 = line.X1;
    double& y1 = line.Y1;
    double& x2 = line.X2;
    double& y2 = line.Y2;
    // A one-pixel border around the window, so that a line along its edge is kept whole.
    const double left = -1, top = -1, right = width + 1.0, bottom = height + 1.0;
    if (!Near(x1, y1, left, top, right, bottom) || !Near(x2, y2, left, top, right, bottom)) {
        const double dx = x2 - x1, dy = y2 - y1;
        double t0 = 0, t1 = 1;
        if (!ClipEdge(-dx, x1 - left, t0, t1) || !ClipEdge(dx, right - x1, t0, t1) ||
            !ClipEdge(-dy, y1 - top, t0, t1) || !ClipEdge(dy, bottom - y1, t0, t1))
            return false;
        const double nx1 = x1 + t0 * dx, ny1 = y1 + t0 * dy;
        x2 = x1 + t1 * dx;
        y2 = y1 + t1 * dy;
        x1 = nx1;
        y1 = ny1;
    }
    return true;
}

bool TLineList::AddClipped(double x1, double y1, double x2, double y2, std::int32_t width,
                           std::int32_t height) {
    if (FCount >= Capacity)
        return false;
    TLineSegment line{x1, y1, x2, y2};
    if (ClipToWindow(line, width, height))
        FLines[FCount++] = line;
    return true;
}
