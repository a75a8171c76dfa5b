#include "Childwin/ViewRenderer.h"

#include "Childwin/DisplayList.h"
#include "Childwin/FramePainter.h"
#include "universe/UniverseSnapshot.h"

#include <atomic>
#include <mutex>
#include <utility>

// What the drawing thread shares with the view; each job holds it, so it outlives a view
// closed while its picture is drawn.
struct TViewRenderer::TState {
    // Held while the painter draws: the painter keeps per-view scratch (screen points, the
    // anaglyph's left eye) from frame to frame.
    std::mutex Drawing;
    TFramePainter Painter;
    TDisplayList List;
    std::atomic<std::uint64_t> Renders{0};

    // Guards the finished picture and the ready notice.
    std::mutex Mailbox;
    TFinishedPicture Finished;
    std::function<void()> Ready;

    void Draw(QImage& frame, const TPictureRequest& request) {
        std::lock_guard lock(Drawing);
        if (!frame.isNull()) // a view without a frame has nothing to draw into
            Painter.Paint(frame, request.Universe.get(), &List, request.Settings);
        Renders.fetch_add(1, std::memory_order_relaxed);
    }
};

TViewRenderer::TViewRenderer()
    : FWorker(TRenderWorker::Shared()), FLane(FWorker->OpenLane()),
      FState(std::make_shared<TState>()) {}

TViewRenderer::~TViewRenderer() {
    Detach();
}

void TViewRenderer::SetReady(std::function<void()> ready) {
    std::lock_guard lock(FState->Mailbox);
    FState->Ready = std::move(ready);
}

void TViewRenderer::Detach() {
    FWorker->Drop(*FLane);
    std::function<void()> ready;
    std::lock_guard lock(FState->Mailbox);
    ready.swap(FState->Ready);
}

QImage TViewRenderer::BlackFrame(const QSize& size, double ratio) {
    if (size.isEmpty())
        return {};
    QImage frame(size, QImage::Format_RGB32);
    frame.setDevicePixelRatio(ratio);
    frame.fill(QColor(Qt::black));
    return frame;
}

std::uint64_t TViewRenderer::Request(TPictureRequest request) {
    const std::uint64_t number = ++FLastRequest;
    FWorker->Post(FLane, [state = FState, request = std::move(request), number] {
        QImage frame = BlackFrame(request.Size, request.PixelRatio);
        state->Draw(frame, request);
        std::lock_guard lock(state->Mailbox);
        if (number > state->Finished.Request)
            state->Finished = {std::move(frame), number};
        if (state->Ready)
            state->Ready();
    });
    return number;
}

std::uint64_t TViewRenderer::RenderNow(QImage& frame, const TPictureRequest& request) {
    const std::uint64_t number = ++FLastRequest;
    FWorker->Drop(*FLane);
    FState->Draw(frame, request);
    return number;
}

bool TViewRenderer::Take(std::uint64_t after, TFinishedPicture& picture) {
    std::lock_guard lock(FState->Mailbox);
    if (FState->Finished.Request <= after)
        return false;
    picture = std::move(FState->Finished);
    FState->Finished.Image = QImage();
    FState->Finished.Request = picture.Request;
    return true;
}

void TViewRenderer::Wait() {
    FWorker->Wait(*FLane);
}

std::uint64_t TViewRenderer::Renders() const {
    return FState->Renders.load(std::memory_order_relaxed);
}
