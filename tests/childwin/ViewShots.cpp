// Saves pictures of a view on the running default universe, for looking at by eye:
//   childwin_view_shots OUT_DIR [STEPS] [RUN_SECONDS]
// Writes the frame with the first view's settings, with lines on, after a zoom drag and a
// rotate drag, and the whole MDI area with its window frame. With RUN_SECONDS it then keeps
// stepping the universe and redrawing the view on a 1 ms timer for that long, so that a
// screen grab (under Xvfb: import -window root) sees the running simulation.
#include "Childwin/ChildWin.h"
#include "universe/SettingsFormulas.h"
#include "universe/Universe.h"
#include "universe/UniverseSnapshot.h"

#include <QApplication>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace {

void Save(const QImage& image, const QString& path) {
    std::printf("%s: %s\n", qPrintable(path), image.save(path) ? "saved" : "FAILED");
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    const int steps = argc > 2 ? std::atoi(argv[2]) : 20;
    QDir().mkpath(out);

    TUniverse universe;
    TUniverseSettings settings;
    SettingsFormulas::BuildUniverse(universe, settings, 20261208);
    for (int k = 0; k < steps; ++k)
        universe.Step(0, universe.LastIndex);

    QMdiArea area;
    area.resize(700, 560);
    area.show();
    auto snapshot = std::make_shared<TUniverseSnapshot>();
    snapshot->CopyFrom(universe);
    TMDIChild* view = TMDIChild::Create(&area, snapshot->Space);
    view->SubWindow()->setWindowTitle(QStringLiteral("View 1"));
    const QSize frame = view->SubWindow()->size() - view->size();
    view->SubWindow()->resize(QSize(640, 480) + frame);
    // The first view's settings.
    view->ApplySettings(DefaultViewSettings(view->height(), universe.Space));
    view->ShowUniverse(snapshot);
    view->FormResize();
    view->RenderFrame();
    Save(view->Frame(), out + "/view-default.png");

    view->SetUseLines(true);
    view->WaitForPicture();
    Save(view->Frame(), out + "/view-lines.png");

    // Each display method with lines and luminance on, without and with the grid; the
    // camera tilted a little so that the grid's plane shows.
    const TViewCamera plain = view->Camera();
    TViewCamera tilted = plain;
    tilted.Elevation = 0.35;
    view->SetCamera(tilted);
    const char* const methods[] = {"monocular", "autostereo", "chromostereo"};
    for (int method = 0; method < 3; ++method) {
        view->SetShowAs(static_cast<TShowAs>(method));
        for (const bool grid : {false, true}) {
            view->SetShowGrid(grid);
            view->RenderFrame();
            Save(view->Frame(), out + "/view-" + methods[method] + (grid ? "-grid" : "") + ".png");
        }
    }
    view->SetShowAs(saMonocular);
    view->SetShowGrid(false);
    view->SetCamera(plain);

    const int cx = view->CentreX(), cy = view->CentreY();
    view->FormMouseDown(Qt::RightButton, Qt::NoModifier, cx, cy);
    for (int dy = 10; dy <= 150; dy += 10)
        view->FormMouseMove(cx, cy - dy);
    view->FormMouseUp();
    view->WaitForPicture();
    Save(view->Frame(), out + "/view-zoomed.png");

    view->FormMouseDown(Qt::LeftButton, Qt::ShiftModifier, cx, cy);
    for (int d = 10; d <= 200; d += 10)
        view->FormMouseMove(cx + d, cy + d / 2);
    view->FormMouseUp();
    view->WaitForPicture();
    Save(view->Frame(), out + "/view-zoomed-rotated.png");

    QCoreApplication::processEvents();
    Save(area.grab().toImage(), out + "/area.png");

    const double runSeconds = argc > 3 ? std::atof(argv[3]) : 0;
    if (runSeconds <= 0)
        return 0;
    QTimer ticks;
    ticks.setTimerType(Qt::PreciseTimer);
    ticks.setInterval(1);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        universe.Step(0, universe.LastIndex);
        auto next = std::make_shared<TUniverseSnapshot>();
        next->CopyFrom(universe);
        view->ShowUniverse(next);
    });
    ticks.start();
    QTimer::singleShot(static_cast<int>(runSeconds * 1000), &app, [&] {
        ticks.stop();
        view->WaitForPicture();
        Save(view->Frame(), out + "/view-after-run.png");
        std::printf("%d steps in all\n", universe.IterationCount);
        app.quit();
    });
    return app.exec();
}
