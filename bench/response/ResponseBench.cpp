// Response benchmark: drives the real program offscreen and measures how long the window
// thread goes without handling a 5 ms timer, while the universe is built and processed;
// and the steps per second the whole program takes on the default universe, and with the
// tree on that universe grown to 28,880 and 192,080 particles once its clusters have met.
//   astrivo-response-bench [--seconds S] [--default-only] [--tree-only]
//   (--tree-only: the default universe and the tree, not the building of larger ones)
//   astrivo-response-bench --tour DIR   (on a real display: the largest universe, with a
//                                        screenshot of the whole screen at each stage)

#include "Main/Main.h"
#include "Main/Program.h"
#include "Options/Options.h"
#include "bench/GrowUniverse.h"
#if __has_include("universe/UniverseSnapshot.h")
#include "Childwin/ChildWin.h"
#include "universe/SimulationRunner.h"
#include "universe/UniverseSnapshot.h"
#endif
#include "universe/SettingsFormulas.h"
#include "universe/Universe.h"

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QSlider>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

namespace {

using TClock = std::chrono::steady_clock;

// The figures the window shows, whichever way the program keeps its universe.
template <class TForm> int Iterations(TForm* main) {
    if constexpr (requires { main->Snapshot(); }) {
        const auto snapshot = main->Snapshot();
        return snapshot ? snapshot->IterationCount : 0;
    } else {
        return main->Universe ? main->Universe->IterationCount : 0;
    }
}

template <class TForm> std::uint64_t Builds(TForm* main) {
    if constexpr (requires { main->Snapshot(); }) {
        const auto snapshot = main->Snapshot();
        return snapshot ? snapshot->BuildCount : 0;
    } else {
        return 0; // the build runs inside the call that asks for it
    }
}

// Runs the event loop until done() or the time is up, watching a 5 ms timer: the longest
// time between two of its ticks is how long the window did not respond.
struct TWatch {
    double LongestGap = 0; // seconds
    double Elapsed = 0;

    void Run(const std::function<void()>& start, const std::function<bool()>& done,
             double seconds) {
        QEventLoop loop;
        QTimer probe;
        probe.setTimerType(Qt::PreciseTimer);
        probe.setInterval(5);
        TClock::time_point last = TClock::now();
        const TClock::time_point began = last;
        QObject::connect(&probe, &QTimer::timeout, [&] {
            const TClock::time_point now = TClock::now();
            LongestGap = std::max(LongestGap, std::chrono::duration<double>(now - last).count());
            last = now;
            if (done() || now - began >= std::chrono::duration<double>(seconds))
                loop.quit();
        });
        probe.start();
        QTimer::singleShot(0, [&] { start(); });
        loop.exec();
        const TClock::time_point now = TClock::now();
        LongestGap = std::max(LongestGap, std::chrono::duration<double>(now - last).count());
        Elapsed = std::chrono::duration<double>(now - began).count();
    }
};

void Report(const char* what, const TWatch& w, double goal) {
    std::printf("  %-36s longest gap %8.1f ms  (goal <= %.0f ms; %.1f s watched)\n", what,
                w.LongestGap * 1e3, goal, w.Elapsed);
    std::fflush(stdout);
}

#if __has_include("universe/UniverseSnapshot.h")
// Waits in the event loop, the window working meanwhile.
void Pause(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

void Shot(const QString& dir, const char* name) {
    QGuiApplication::primaryScreen()->grabWindow(0).save(dir + "/" + name + ".png");
    std::printf("  shot %s.png\n", name);
    std::fflush(stdout);
}

double Since(TClock::time_point start) {
    return std::chrono::duration<double>(TClock::now() - start).count() * 1e3;
}

// What a new user would try at the largest size: Apply All, processing, a menu, a drag in
// the view and Stop, with the time each took to show.
int Tour(TMainForm* main, TPropertiesDlg* dialog, const QString& dir) {
    dialog->TrackBarNumber->setValue(220);
    main->CreateUniverse();
    Pause(1500);
    Shot(dir, "1-building");
    while (main->Runner().Progress().Work != TSimulationRunner::TWork::Idle)
        Pause(50);
    Pause(100);
    Shot(dir, "2-built");
    main->SetProcessing(true);
    Pause(3000);
    Shot(dir, "3-processing");

    QMenu* menu = main->findChild<QMenu*>(QStringLiteral("Window1"));
    TClock::time_point asked = TClock::now();
    menu->popup(main->mapToGlobal(QPoint(60, 30)));
    while (!menu->isVisible())
        Pause(1);
    std::printf("  View menu shown after %.1f ms\n", Since(asked));
    Pause(300);
    Shot(dir, "4-menu-open");
    menu->close();

    TMDIChild* view = main->ActiveView();
    if (view) {
        const double azimuth = view->Camera().Azimuth;
        const QPoint from(100, 100), to(180, 120);
        asked = TClock::now();
        QMouseEvent press(QEvent::MouseButtonPress, from, view->mapToGlobal(from), Qt::LeftButton,
                          Qt::LeftButton, Qt::ShiftModifier);
        QApplication::sendEvent(view, &press);
        for (int k = 1; k <= 8; ++k) {
            const QPoint at = from + (to - from) * k / 8;
            QMouseEvent move(QEvent::MouseMove, at, view->mapToGlobal(at), Qt::NoButton,
                             Qt::LeftButton, Qt::ShiftModifier);
            QApplication::sendEvent(view, &move);
            Pause(30);
        }
        QMouseEvent release(QEvent::MouseButtonRelease, to, view->mapToGlobal(to), Qt::LeftButton,
                            Qt::NoButton, Qt::ShiftModifier);
        QApplication::sendEvent(view, &release);
        std::printf("  drag of 8 moves took %.1f ms; the camera turned %.2f rad\n", Since(asked),
                    view->Camera().Azimuth - azimuth);
        Pause(200);
        Shot(dir, "5-after-drag");
    }

    asked = TClock::now();
    main->BtnStopClick();
    while (main->Runner().Progress().Work != TSimulationRunner::TWork::Idle)
        Pause(1);
    std::printf("  engine idle %.1f ms after Stop\n", Since(asked));
    Pause(300);
    Shot(dir, "6-stopped");
    return 0;
}

// The running program's steps per second with the tree on universes whose clusters have
// met, where users watch and where the exact step is slowest. The program's own merged
// default universe is grown in its engine (merging 192,080 particles by stepping would take
// hours), then the tree is chosen in the properties window as a user chooses it. A rate
// counts only whole steps, from the end of the first to the end of the last, so the step
// under way when the watch begins or ends does not blur it.
void TreeRates(TMainForm* main, TPropertiesDlg* dialog, double seconds) {
    constexpr std::uint64_t GrowSeed = 20261208;
    // Shared with the engine thread's job, which outlives this call if the wait times out.
    auto merged = std::make_shared<TUniverse>();
    auto kept = std::make_shared<std::atomic<bool>>(false);
    main->Runner().Run([merged, kept](TUniverse& u) {
        const std::int32_t n = u.LastIndex + 1;
        if (n <= 0 || !merged->AllocateState(n))
            return;
        merged->CopySettingsFrom(u);
        std::copy(u.Particles, u.Particles + n, merged->Particles);
        *kept = true;
    });
    if (!main->Runner().WaitUntilIdle(std::chrono::minutes(1)) || !*kept) {
        std::printf("  tree: no merged universe to grow\n");
        return;
    }
    for (const int number : {100, 220}) {
        const std::int32_t count = SettingsFormulas::ParticleCount(number);
        dialog->ComboBoxGravity->setCurrentIndex(static_cast<int>(gmPairs));
        const std::uint64_t builds = Builds(main);
        main->Runner().Replace([merged, count](TUniverse& u) {
            return BenchUniverse::Grow(*merged, u, count, GrowSeed);
        });
        TWatch grow;
        grow.Run([] {}, [&] { return Builds(main) > builds; }, 120);
        dialog->ComboBoxGravity->setCurrentIndex(static_cast<int>(gmTree));
        const int before = Iterations(main);
        TClock::time_point first{};
        int firstSteps = 0;
        TWatch start;
        start.Run([&] { main->SetProcessing(true); },
                  [&] {
                      if (Iterations(main) == before)
                          return false;
                      first = TClock::now();
                      firstSteps = Iterations(main);
                      return true;
                  },
                  120);
        TClock::time_point last = first;
        int lastSteps = firstSteps;
        TWatch run;
        run.Run([] {},
                [&] {
                    if (Iterations(main) != lastSteps) {
                        lastSteps = Iterations(main);
                        last = TClock::now();
                    }
                    return lastSteps - firstSteps >= 3 &&
                           TClock::now() - first >= std::chrono::duration<double>(seconds);
                },
                std::max(seconds, 120.0));
        main->SetProcessing(false);
        const int steps = lastSteps - firstSteps;
        const double elapsed = std::chrono::duration<double>(last - first).count();
        char what[80];
        std::snprintf(what, sizeof what, "%d merged, tree:", count);
        Report(what, run, 100);
        std::printf("  %-36s %8.2f steps/s (%d steps in %.1f s)\n", what,
                    elapsed > 0 ? steps / elapsed : 0.0, steps, elapsed);
        std::fflush(stdout);
        TWatch stop;
        stop.Run([] {}, [&] { return true; }, 1);
    }
    dialog->ComboBoxGravity->setCurrentIndex(static_cast<int>(gmPairs));
}
#endif

} // namespace

int main(int argc, char** argv) {
    double seconds = 10;
    bool defaultOnly = false;
    bool treeOnly = false;
    const char* tour = nullptr;
    for (int a = 1; a < argc; ++a) {
        if (std::strcmp(argv[a], "--tour") == 0 && a + 1 < argc)
            tour = argv[++a];
        else if (std::strcmp(argv[a], "--seconds") == 0 && a + 1 < argc)
            seconds = std::max(1.0, std::atof(argv[++a]));
        else if (std::strcmp(argv[a], "--default-only") == 0)
            defaultOnly = true;
        else if (std::strcmp(argv[a], "--tree-only") == 0)
            treeOnly = true;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !tour)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    TProgram program(application);
    program.Show();
    TMainForm* main = program.MainForm();
    TPropertiesDlg* dialog = program.PropertiesDlg();

#if __has_include("universe/UniverseSnapshot.h")
    if (tour) {
        Pause(1000);
        return Tour(main, dialog, QString::fromLocal8Bit(tour));
    }
#endif
    std::printf("Response, 5 ms timer on the window thread, one view\n");
    // The first build, then processing the default universe.
    {
        TWatch settle;
        settle.Run([] {}, [&] { return Builds(main) >= 1 || Iterations(main) > 0; }, 60);
        TWatch w;
        int before = 0;
        w.Run(
            [&] {
                before = Iterations(main);
                main->SetProcessing(true);
            },
            [] { return false; }, seconds);
        const int steps = Iterations(main) - before;
        Report("default universe, processing:", w, 50);
        std::printf("  %-36s %8.1f steps/s (%d steps in %.1f s)\n",
                    "default universe:", steps / w.Elapsed, steps, w.Elapsed);
#if __has_include("universe/UniverseSnapshot.h")
        // Where users watch: on after the clusters have met, which is when the steps that
        // skip far pairs have stayed below a fifth skipped for a second.
        TWatch merge;
        TClock::time_point mergedSince = TClock::now();
        merge.Run([] {},
                  [&] {
                      const auto snapshot = main->Snapshot();
                      if (snapshot && snapshot->Optimisation >= 0.2f)
                          mergedSince = TClock::now();
                      return TClock::now() - mergedSince > std::chrono::seconds(1);
                  },
                  300);
        auto renders = [&] {
            std::uint64_t n = 0;
            for (TMDIChild* view : main->Views())
                n += view->Renders();
            return n;
        };
        TWatch merged;
        const int mergedBefore = Iterations(main);
        const std::uint64_t rendersBefore = renders();
        merged.Run([] {}, [] { return false; }, seconds);
        const int mergedSteps = Iterations(main) - mergedBefore;
        Report("default universe after the merge:", merged, 50);
        std::printf("  %-36s %8.1f steps/s (%d steps in %.1f s, merged by step %d), %.0f "
                    "pictures/s\n",
                    "default universe after the merge:", mergedSteps / merged.Elapsed, mergedSteps,
                    merged.Elapsed, mergedBefore,
                    static_cast<double>(renders() - rendersBefore) / merged.Elapsed);
        main->SetProcessing(false);
        if (!defaultOnly)
            TreeRates(main, dialog, seconds);
        if (treeOnly)
            return 0;
#endif
        main->SetProcessing(false);
    }
    if (defaultOnly)
        return 0;

    for (const int number : {100, 220}) {
        dialog->TrackBarNumber->setValue(number);
        const int count = SettingsFormulas::ParticleCount(number);
        const std::uint64_t builds = Builds(main);
        TWatch build;
        build.Run([&] { main->CreateUniverse(); }, [&] { return Builds(main) > builds; }, 600);
        char what[80];
        std::snprintf(what, sizeof what, "%d particles, building:", count);
        Report(what, build, 100);
        TWatch process;
        const int before = Iterations(main);
        process.Run([&] { main->SetProcessing(true); }, [] { return false; }, seconds);
        main->SetProcessing(false);
        std::snprintf(what, sizeof what, "%d particles, processing:", count);
        Report(what, process, 100);
        std::printf("  %-36s %d steps shown in %.1f s\n", "", Iterations(main) - before,
                    process.Elapsed);
        // Stop: the engine idle again.
        TWatch stop;
        stop.Run([] {}, [&] { return true; }, 1);
    }
    return 0;
}
