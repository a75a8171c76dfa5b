#pragma once

#include "Childwin/ViewCamera.h"

#include <cstdint>

/// What a mouse drag in a view changes.
enum TDragMode : std::uint8_t { dmNone, dmPanning, dmZooming, dmRotating, dmDollying };

/// The buttons and modifier keys reported with a button press, as bit sets.
enum TPointerButton : unsigned { pbLeft = 1, pbRight = 2, pbMiddle = 4, pbOther = 8 };
enum TPointerModifier : unsigned { pmShift = 1, pmCtrl = 2, pmAlt = 4, pmMeta = 8 };

/// The mode a press starts, chosen by the exact set of buttons and modifiers: left alone
/// pans, right alone zooms, Shift+left rotates, Ctrl+left dollies. Every other set, and
/// any double click, starts none.
TDragMode DragModeForPress(unsigned buttons, unsigned modifiers, bool doubleClick);

/// The zoom drag never passes this.
inline constexpr double MaxZoom = 1000000;

/// The least zoom of a view clientHeight pixels high. A zoom of exactly 0 could never be
/// undone (0 times any factor is 0) and would leave the view black, so zooming out stops
/// here, where an ordinary zoom-in drag still brings the picture back.
double MinZoom(std::int32_t clientHeight);

/// Lifts each zoom of a camera taken from elsewhere (another view, an older state) into
/// [MinZoom(clientHeight), MaxZoom]; NaN counts as below. A live zoom is left as it is.
void KeepZoomAlive(TViewCamera& camera, std::int32_t clientHeight);

// Each drag step takes the pointer position of the event, changes the camera and moves the
// last pointer position on. space is the Space of the universe on view (0 without one).

/// The picture follows the pointer while the camera is in front of the universe.
void DragPan(TViewCamera& camera, double space, std::int32_t& lastX, std::int32_t& lastY,
             std::int32_t x, std::int32_t y);
/// Moving up zooms in by 0.7% per pixel, up to MaxZoom, and moving down zooms out, down to
/// minZoom (MinZoom of the view's height); horizontal movement is ignored.
void DragZoom(TViewCamera& camera, std::int32_t& lastY, std::int32_t y, double minZoom);
/// 0.003 radian per pixel: right turns the azimuth up, down tilts the elevation up.
void DragRotate(TViewCamera& camera, std::int32_t& lastX, std::int32_t& lastY, std::int32_t x,
                std::int32_t y);
/// Moving up brings the camera closer by (pixels / 2)^1.8 per event, so a fast drag goes
/// much farther than a slow one. False, with nothing changed, when the event has no
/// vertical movement.
bool DragDolly(TViewCamera& camera, std::int32_t& lastY, std::int32_t y);

/// One turn of the mouse wheel (angleDelta in eighths of a degree; a notch is 120) zooms by
/// 20% per notch, in when turned away from the user, about the pointer at (x, y): what lies
/// under the pointer at the depth a pan drag moves with stays under it. Zooms keep within
/// minZoom and MaxZoom.
void WheelZoom(TViewCamera& camera, double space, std::int32_t centreX, std::int32_t centreY,
               std::int32_t x, std::int32_t y, int angleDelta, double minZoom);
