#include "Childwin/CameraDrag.h"

#include <algorithm>
#include <cmath>

namespace {

// a - b in pixels, taken in 64 bits so that no pair of pointer positions overflows.
double Delta(std::int32_t a, std::int32_t b) {
    return static_cast<double>(static_cast<std::int64_t>(a) - b);
}

} // namespace

TDragMode DragModeForPress(unsigned buttons, unsigned modifiers, bool doubleClick) {
    if (doubleClick)
        return dmNone;
    if (buttons == pbLeft && modifiers == 0)
        return dmPanning;
    if (buttons == pbRight && modifiers == 0)
        return dmZooming;
    if (buttons == pbLeft && modifiers == pmShift)
        return dmRotating;
    if (buttons == pbLeft && modifiers == pmCtrl)
        return dmDollying;
    return dmNone;
}

void DragPan(TViewCamera& camera, double space, std::int32_t& lastX, std::int32_t& lastY,
             std::int32_t x, std::int32_t y) {
    camera.OffsetX =
        camera.OffsetX - (camera.Dolly - space) * 0.01 * Delta(x, lastX) / camera.ZoomX;
    lastX = x;
    camera.OffsetY =
        camera.OffsetY - (camera.Dolly - space) * 0.01 * Delta(y, lastY) / camera.ZoomY;
    lastY = y;
}

double MinZoom(std::int32_t clientHeight) {
    return 1e-6 * std::max(clientHeight, 1);
}

void KeepZoomAlive(TViewCamera& camera, std::int32_t clientHeight) {
    const double least = MinZoom(clientHeight);
    for (double* zoom : {&camera.ZoomX, &camera.ZoomY})
        *zoom = *zoom >= least ? std::min(*zoom, MaxZoom) : least;
}

void DragZoom(TViewCamera& camera, std::int32_t& lastY, std::int32_t y, double minZoom) {
    // A long drag out makes f underflow to 0 and a long drag in makes it infinite; the
    // bounds catch both.
    const double f = std::pow(1.007, Delta(lastY, y));
    camera.ZoomY = std::clamp(camera.ZoomY * f, minZoom, MaxZoom);
    camera.ZoomX = std::clamp(camera.ZoomX * f, minZoom, MaxZoom);
    lastY = y;
}

void DragRotate(TViewCamera& camera, std::int32_t& lastX, std::int32_t& lastY, std::int32_t x,
                std::int32_t y) {
    camera.Elevation = camera.Elevation - Delta(lastY, y) * 0.003;
    lastY = y;
    camera.Azimuth = camera.Azimuth - Delta(lastX, x) * 0.003;
    lastX = x;
}

bool DragDolly(TViewCamera& camera, std::int32_t& lastY, std::int32_t y) {
    const double dy = Delta(lastY, y);
    if (dy == 0)
        return false;
    const double step = std::pow(std::abs(dy) * 0.5, 1.8);
    camera.Dolly = camera.Dolly + (dy > 0 ? step : -step);
    lastY = y;
    return true;
}

void WheelZoom(TViewCamera& camera, double space, std::int32_t centreX, std::int32_t centreY,
               std::int32_t x, std::int32_t y, int angleDelta, double minZoom) {
    const double f = std::pow(1.2, angleDelta / 120.0);
    // The pan drag's reference depth: the picture moves with the pointer there.
    const double depth = space - camera.Dolly;
    const auto zoomAbout = [depth, f, minZoom](double& zoom, double& offset, double pixels) {
        const double old = zoom;
        zoom = std::clamp(zoom * f, minZoom, MaxZoom);
        // (view offset + offset) * zoom / (depth / 100) = pixels from the centre, before and
        // after.
        offset += pixels * 0.01 * depth * (1 / zoom - 1 / old);
    };
    zoomAbout(camera.ZoomX, camera.OffsetX, Delta(x, centreX));
    zoomAbout(camera.ZoomY, camera.OffsetY, Delta(y, centreY));
}
