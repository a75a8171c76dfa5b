#pragma once

#include "Childwin/FrameRender.h"
#include "Childwin/ViewSettings.h"
#include "Storage/StorageError.h"
#include "video/VideoEncoder.h"

#include <cstdint>
#include <functional>
#include <string>

struct TUniverseSnapshot;

/// Draws one picture of a universe state the way a view shows it. The program's drawer
/// paints particles, connecting lines and grid with the views' own painter; anything that
/// can fill a pixel frame will do for a video.
class TFrameDrawer {
public:
    virtual ~TFrameDrawer() = default;
    /// Clears frame and draws universe into it.
    virtual void Draw(const TPixelFrame& frame, const TUniverseSnapshot& universe,
                      const TFrameSettings& settings) = 0;
};

/// Which recorded frames a video shows, through which view, and in what shape.
struct TVideoJob {
    std::int32_t First = 0; // frame indices from 0, both included
    std::int32_t Last = -1;
    TViewSettings View;
    /// The view's own client height, which its camera's zoom belongs to; 0 keeps the zoom.
    std::int32_t ViewHeight = 0;
    TVideoFormat Format;
};

/// Reads recorded frame index, as TRecording::ReadFrame does: from a recording of one's
/// own, or through a recorder's lock while the engine goes on recording.
using TFrameReader = std::function<TStorageResult(std::int32_t index, TUniverseSnapshot& frame)>;
/// Told after each frame written; returning false cancels the export.
using TVideoProgress = std::function<bool(std::int32_t done, std::int32_t total)>;

enum class TVideoEnd { Written, Cancelled, Failed };
struct TVideoResult {
    TVideoEnd End = TVideoEnd::Written;
    std::string Message; // for Failed: what went wrong, in words for the user
};

namespace VideoExport {

/// A view's settings for a picture of width x height: centred in it, and with the camera's
/// zoom scaled from the view's height to the picture's, so the video frames the universe as
/// the view does whatever its size. space is the universe's, for the grid.
TFrameSettings FrameSettings(const TViewSettings& view, std::int32_t viewHeight, std::int32_t width,
                             std::int32_t height, double space);

/// Renders job's frames through drawer into an MP4 file at path. Cancelling or failing
/// leaves no file at path.
TVideoResult Write(const std::string& path, const TVideoJob& job, const TFrameReader& read,
                   TFrameDrawer& drawer, const TVideoProgress& progress = {});

} // namespace VideoExport
