// Pictures drawn on the drawing thread: what arrives, when, and what a closing view leaves.
#include "Childwin/RenderWorker.h"
#include "ViewTestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>

#include <cmath>

namespace {

// Many particles on a sphere shell, so that a picture takes a while to draw.
std::shared_ptr<TUniverseSnapshot> Crowd(int count) {
    auto crowd = std::make_shared<TUniverseSnapshot>();
    crowd->Space = 10;
    crowd->UseThermodynamics = true;
    for (int i = 0; i < count; ++i) {
        const double a = i * 2.399963, z = 1 - 2 * (i + 0.5) / count;
        const double r = std::sqrt(1 - z * z);
        crowd->Particles.push_back(
            {8 * r * std::cos(a), 8 * z, 8 * r * std::sin(a), 0.1 + (i % 7) * 0.05});
    }
    crowd->IterationCount = 1;
    for (int i = 1; i < count && i < 400; i += 2)
        crowd->Pairs.push_back({i, i - 1, 0.1});
    crowd->PairLast = static_cast<std::int32_t>(crowd->Pairs.size()) - 1;
    return crowd;
}

// Runs the event loop until the view shows the picture it asked for last.
bool ProcessUntilValid(TMDIChild* view) {
    QElapsedTimer clock;
    clock.start();
    while (!view->FrameValid() && clock.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return view->FrameValid();
}

struct ViewRender : ViewTest {
    ViewRender() {
        SetClientSize(240, 180);
        View->TurnCamera([](TViewCamera& camera) {
            camera.Elevation = 0.35;
            return true;
        });
        View->WaitForPicture();
    }
    // The same picture drawn here and now.
    QImage DrawnHere() {
        View->RenderFrame();
        return View->Frame();
    }
};

} // namespace

// Every display method, with the grid and the connecting lines: the picture that comes
// from the drawing thread is, bit for bit, the one drawn on the window thread.
TEST_F(ViewRender, PicturesFromTheDrawingThreadEqualThoseDrawnAtOnce) {
    View->ShowUniverse(Crowd(3000));
    for (const TShowAs method : {saMonocular, saAutoStereo, saChromoStereo})
        for (const bool extras : {false, true}) {
            View->SetShowAs(method);
            View->SetShowGrid(extras);
            View->SetUseLines(extras);
            View->SetContrast(extras ? 180 : 100);
            View->WaitForPicture();
            ASSERT_TRUE(View->FrameValid());
            const QImage drawn = View->Frame();
            EXPECT_FALSE(drawn.isNull());
            EXPECT_EQ(DrawnHere(), drawn) << "method " << method << " extras " << extras;
        }
}

// The picture is announced to the window thread through its event loop, without anyone
// waiting for it.
TEST_F(ViewRender, TheFinishedPictureArrivesThroughTheEventLoop) {
    View->ShowUniverse(Crowd(5000));
    EXPECT_FALSE(View->FrameValid());
    ASSERT_TRUE(ProcessUntilValid(View));
    const QImage arrived = View->Frame();
    EXPECT_EQ(DrawnHere(), arrived);
}

// A drag posts a request per move: the view ends on the newest camera's picture, never
// draws a request twice, and skips what the drawing thread could not keep up with.
TEST_F(ViewRender, OnlyTheNewestOfManyRequestsIsShown) {
    View->ShowUniverse(Crowd(20000));
    View->WaitForPicture();
    MarkScreenPoints();
    const std::uint64_t dropped = TRenderWorker::Shared()->Dropped();
    constexpr int Moves = 40;
    for (int k = 1; k <= Moves; ++k)
        View->TurnCamera([](TViewCamera& camera) {
            camera.Azimuth += 0.05;
            return true;
        });
    EXPECT_FALSE(View->FrameValid());
    View->WaitForPicture();
    EXPECT_TRUE(View->FrameValid());
    EXPECT_GE(RendersSince(), 1u);
    EXPECT_LE(RendersSince(), static_cast<std::uint64_t>(Moves));
    EXPECT_EQ(RendersSince() + (TRenderWorker::Shared()->Dropped() - dropped),
              static_cast<std::uint64_t>(Moves));
    const QImage shown = View->Frame();
    EXPECT_EQ(DrawnHere(), shown);
}

// Closing a view while its picture is drawn: the drawing finishes on its own copy of what
// it reads, nothing reaches the freed view, and the snapshot is let go afterwards.
TEST_F(ViewRender, AViewClosedWhileItsPictureIsDrawnGoesCleanly) {
    const std::shared_ptr<TUniverseSnapshot> crowd = Crowd(60000);
    View->ShowUniverse(crowd);
    QPointer<TMDIChild> view = View;
    for (int k = 0; k < 5; ++k)
        View->Redraw();
    Sub()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(view.isNull());
    // The drawing thread serves lanes in turn: once a job posted now has run, the closed
    // view's picture is done.
    const std::shared_ptr<TRenderWorker> worker = TRenderWorker::Shared();
    const auto lane = worker->OpenLane();
    worker->Post(lane, [] {});
    worker->Wait(*lane);
    QCoreApplication::processEvents();
    EXPECT_EQ(crowd.use_count(), 1);
}

// A view that is never shown again still gets its picture, and Picture() is complete at
// any moment: it draws what is out of date itself.
TEST_F(ViewRender, PictureIsCompleteWhileANewerOneIsOnItsWay) {
    View->ShowUniverse(Crowd(20000));
    View->SetUseLines(true);
    const QImage picture = View->Picture();
    EXPECT_TRUE(View->FrameValid());
    View->WaitForPicture(); // whatever the drawing thread still finishes is older: ignored
    EXPECT_EQ(View->Frame(), picture);
    EXPECT_EQ(DrawnHere(), picture);
}
