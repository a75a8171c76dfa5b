#include "video/VideoExport.h"

#include "universe/UniverseSnapshot.h"

#include <functional>
#include <future>
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

    // Two pictures: the next frame is read and drawn on a thread of its own while the
    // encoder takes the one before, so drawing a large universe and encoding overlap.
    // The colour converter reads whole vector registers, past the last row's end.
    const std::size_t size =
        static_cast<std::size_t>(encoder.Width()) * static_cast<std::size_t>(encoder.Height());
    std::vector<std::uint32_t> pixels[2] = {std::vector<std::uint32_t>(size + 64),
                                            std::vector<std::uint32_t>(size + 64)};
    TPixelFrame pictures[2];
    for (int i = 0; i < 2; ++i) {
        pictures[i].Bits = reinterpret_cast<std::uint8_t*>(pixels[i].data());
        pictures[i].BytesPerLine = static_cast<std::ptrdiff_t>(encoder.Width()) * 4;
        pictures[i].Width = encoder.Width();
        pictures[i].Height = encoder.Height();
    }
    // One drawing at a time, each started after the one before has been waited for: the
    // reader and the drawer never run on two threads at once.
    TUniverseSnapshot frame;
    const auto draw = [&](std::int32_t index, const TPixelFrame& picture) {
        if (TStorageResult got = read(index, frame); !got.Ok)
            return got;
        drawer.Draw(
            picture, frame,
            FrameSettings(job.View, job.ViewHeight, picture.Width, picture.Height, frame.Space));
        return TStorageResult::Success();
    };
    std::future<TStorageResult> drawing =
        std::async(std::launch::async, draw, job.First, std::cref(pictures[0]));
    for (std::int32_t index = job.First; index <= job.Last; ++index) {
        const TPixelFrame& picture = pictures[(index - job.First) % 2];
        if (TStorageResult drawn = drawing.get(); !drawn.Ok)
            return {TVideoEnd::Failed, drawn.Message};
        if (index < job.Last)
            drawing = std::async(std::launch::async, draw, index + 1,
                                 std::cref(pictures[(index + 1 - job.First) % 2]));
        // Leaving the loop waits for a drawing under way: the future's end joins it.
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
