#include "video/VideoExport.h"

#include "universe/UniverseSnapshot.h"

#include <vector>

namespace VideoExport {

TFrameSettings FrameSettings(const TViewSettings& view, std::int32_t viewHeight, std::int32_t width,
                             std::int32_t height, double space) {
    TFrameSettings settings;
    settings.Camera = view.Camera;
    if (viewHeight > 0) {
        const double scale = static_cast<double>(height) / viewHeight;
        settings.Camera.ZoomX *= scale;
        settings.Camera.ZoomY *= scale;
    }
    // The view's own rounding of its centre, for the same picture at the view's size.
    settings.CentreX = static_cast<std::int32_t>(static_cast<unsigned>(width) / 2);
    settings.CentreY = static_cast<std::int32_t>(static_cast<unsigned>(height) / 2);
    settings.ClientWidth = width;
    settings.ClientHeight = height;
    settings.ShowAs = view.ShowAs;
    settings.ShowLuminance = view.ShowLuminance;
    settings.UseLines = view.UseLines;
    settings.Dots = {view.PartSize, view.Contrast};
    settings.ShowGrid = view.ShowGrid;
    settings.GridSpace = space;
    return settings;
}

TVideoResult Write(const std::string& path, const TVideoJob& job, const TFrameReader& read,
                   TFrameDrawer& drawer, const TVideoProgress& progress) {
    const std::int32_t total = job.Last - job.First + 1;
    if (job.First < 0 || total < 1)
        return {TVideoEnd::Failed, "There are no frames to export."};
    TVideoEncoder encoder;
    if (TStorageResult opened = encoder.Open(path, job.Format); !opened.Ok)
        return {TVideoEnd::Failed, opened.Message};

    // The colour converter reads whole vector registers, past the last row's end.
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(encoder.Width()) *
                                          static_cast<std::size_t>(encoder.Height()) +
                                      64);
    TPixelFrame picture;
    picture.Bits = reinterpret_cast<std::uint8_t*>(pixels.data());
    picture.BytesPerLine = static_cast<std::ptrdiff_t>(encoder.Width()) * 4;
    picture.Width = encoder.Width();
    picture.Height = encoder.Height();

    TUniverseSnapshot frame;
    for (std::int32_t index = job.First; index <= job.Last; ++index) {
        if (TStorageResult got = read(index, frame); !got.Ok)
            return {TVideoEnd::Failed, got.Message};
        drawer.Draw(
            picture, frame,
            FrameSettings(job.View, job.ViewHeight, picture.Width, picture.Height, frame.Space));
        if (TStorageResult added = encoder.Add(picture); !added.Ok)
            return {TVideoEnd::Failed, added.Message};
        if (progress && !progress(index - job.First + 1, total))
            return {TVideoEnd::Cancelled, {}};
    }
    if (TStorageResult finished = encoder.Finish(); !finished.Ok)
        return {TVideoEnd::Failed, finished.Message};
    return {};
}

} // namespace VideoExport
