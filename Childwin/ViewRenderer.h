#pragma once

#include "Childwin/FrameRender.h"
#include "Childwin/RenderWorker.h"

#include <QImage>
#include <QSize>

#include <cstdint>
#include <functional>
#include <memory>

struct TUniverseSnapshot;

/// Everything one picture is drawn from, copied on the window thread when the picture is
/// asked for: drawing then reads nothing the window thread may change meanwhile.
struct TPictureRequest {
    std::shared_ptr<const TUniverseSnapshot> Universe; // kept alive while it is drawn
    TFrameSettings Settings;
    QSize Size;            // the frame's, in physical pixels; an empty size gives a null picture
    double PixelRatio = 1; // physical pixels to each of the window's own
};

/// A finished picture and the number of the request it answers.
struct TFinishedPicture {
    QImage Image;
    std::uint64_t Request = 0;
};

/// Draws one view's pictures, on the shared drawing thread or, where a caller needs the
/// picture at once, on the calling thread; both with the same painter, so that the two
/// give the same picture bit for bit. Requests are numbered in the order asked; a newer one
/// replaces one still waiting. Used from the window thread only, apart from the ready
/// notice.
class TViewRenderer {
public:
    TViewRenderer();
    /// Drops the waiting request and stops the ready notices; a picture being drawn is
    /// finished on the drawing thread and then thrown away.
    ~TViewRenderer();
    TViewRenderer(const TViewRenderer&) = delete;
    TViewRenderer& operator=(const TViewRenderer&) = delete;

    /// Called on the drawing thread after each finished picture: it should only post a
    /// message to the window thread. Cleared by Detach.
    void SetReady(std::function<void()> ready);
    /// No more ready notices and no waiting request; for a view that is going away.
    void Detach();

    /// Asks the drawing thread for a picture; returns the request's number.
    std::uint64_t Request(TPictureRequest request);
    /// Draws into frame (already cleared, of the request's size) here and now, in place of
    /// every request asked for before; returns this request's number.
    std::uint64_t RenderNow(QImage& frame, const TPictureRequest& request);
    /// The newest finished picture, when its number is above after.
    bool Take(std::uint64_t after, TFinishedPicture& picture);
    /// Returns once no request of this view is waiting or being drawn.
    void Wait();
    /// Pictures drawn so far, on either thread.
    std::uint64_t Renders() const;

    /// A cleared picture of size, as both ways of drawing start from, shown at ratio
    /// physical pixels to the window's own.
    static QImage BlackFrame(const QSize& size, double ratio = 1);

private:
    struct TState;
    std::shared_ptr<TRenderWorker> FWorker;
    std::shared_ptr<TRenderWorker::TLane> FLane;
    std::shared_ptr<TState> FState;
    std::uint64_t FLastRequest = 0;
};
