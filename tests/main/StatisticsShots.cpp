// The statistics window by eye, and what it costs the engine; a tool, not a test.
//   main_statistics_shots shots OUT_DIR [RUN...]
//     runs the default universe (seeded alike each time) through its collision, then with
//     thermodynamics off at RedoFrequency 1 and 15, then through the collision by pairs
//     with every step a full one and by the tree step (or only the runs named); grabs the
//     window after each run as OUT_DIR/<run>.png, the main window as <run>-views.png, and
//     exports the data as OUT_DIR/<run>.csv.
//   main_statistics_shots measure SECONDS ROUNDS
//     runs the default universe past its merge, then measures the engine's steps per
//     second for SECONDS with the window closed and SECONDS with it open, ROUNDS times in
//     turn, and prints each figure.
// Run offscreen (QT_QPA_PLATFORM=offscreen) or under Xvfb.
#include "Main/Main.h"
#include "Main/Program.h"
#include "Options/Options.h"
#include "statistics/StatisticsDlg.h"
#include "universe/SimulationRunner.h"
#include "universe/UniverseSnapshot.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sys/resource.h>
#include <vector>

namespace {

TMainForm* Main = nullptr;
TStatisticsDlg* Stats = nullptr;
TPropertiesDlg* Properties = nullptr;

// Steps one at a time, waiting for every few steps' sample, so that the plots hold them.
void Run(int steps, int every) {
    for (int s = 1; s <= steps; ++s) {
        Main->StepOnce1Click();
        Main->WaitForEngine();
        if (s % every != 0)
            continue;
        const std::int32_t iteration = Main->Snapshot()->IterationCount;
        for (int k = 0; k < 2000; ++k) {
            QApplication::processEvents();
            Stats->SampleTimerTimer();
            const std::vector<TFigures>& items = Stats->Series().Items();
            if (!items.empty() && items.back().Iteration == iteration)
                break;
            QTest::qSleep(2);
        }
    }
}

// One run from the same seeded universe, with the settings the properties window is given.
void Shoot(const QString& out, const QString& name, bool thermodynamics, int redo, int method,
           int steps, int every) {
    Properties->SetUseThermoCalc(thermodynamics);
    Properties->SetRedoFrequency(redo);
    Properties->SetGravityMethod(method);
    Main->Runner().BuildUniverse(Properties->UniverseSettings(), 3);
    Main->WaitForEngine();
    Run(steps, every);
    Stats->SampleTimerTimer();
    QApplication::processEvents();
    const bool saved = Stats->grab().save(out + "/" + name + ".png");
    QString error;
    const bool exported = Stats->ExportData(out + "/" + name + ".csv", error);
    std::printf("%s: %s, %s\n", qPrintable(name), saved ? "saved" : "NOT SAVED",
                exported ? "exported" : qPrintable(error));
    std::fflush(stdout);
}

struct TRun {
    const char* Name;
    bool Thermodynamics;
    int Redo;
    int Method;
    int Steps;
    int Every; // sampled every this many steps
};

constexpr TRun Runs[] = {
    {"collision", true, 30, gmPairs, 3000, 3}, // the default settings
    {"redo-1", false, 1, gmPairs, 300, 1},
    {"redo-15", false, 15, gmPairs, 300, 1},
    // The tree weighs every pair once a step: against it, pairs with every step a full one.
    {"pairs-every-step", true, 1, gmPairs, 1500, 2},
    {"tree", true, 1, gmTree, 1500, 2},
};

int Shots(const QString& out, const QStringList& names) {
    QDir().mkpath(out);
    for (const TRun& run : Runs) {
        if (!names.isEmpty() && !names.contains(QLatin1String(run.Name)))
            continue;
        Shoot(out, run.Name, run.Thermodynamics, run.Redo, run.Method, run.Steps, run.Every);
        Main->grab().save(out + "/" + run.Name + "-views.png");
    }
    return 0;
}

double ProcessorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           1e-6 * (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

struct TPace {
    double StepsPerSecond;
    double Cores; // processor seconds the whole program used per second
};

TPace Pace(double seconds) {
    Main->TakeSnapshot();
    const std::int32_t start = Main->Runner().Latest()->IterationCount;
    const double processor = ProcessorSeconds();
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < seconds * 1000)
        QTest::qWait(20); // the window goes on showing steps and collecting samples
    const double elapsed = static_cast<double>(clock.nsecsElapsed()) * 1e-9;
    const std::int32_t end = Main->Runner().Latest()->IterationCount;
    return {(end - start) / elapsed, (ProcessorSeconds() - processor) / elapsed};
}

int Measure(double seconds, int rounds) {
    Main->SetProcessing(true);
    QTest::qWait(30000); // past the merge: the clusters meet within a few thousand steps
    std::vector<double> ratios;
    for (int round = 0; round < rounds; ++round) {
        Stats->hide();
        QTest::qWait(500);
        const TPace closed = Pace(seconds);
        Main->MenuViewStatisticsClick();
        QTest::qWait(500);
        const TPace open = Pace(seconds);
        ratios.push_back(open.StepsPerSecond / closed.StepsPerSecond);
        std::printf("round %d: closed %.1f steps/s on %.2f cores, open %.1f steps/s on %.2f "
                    "cores (%zu samples)\n",
                    round + 1, closed.StepsPerSecond, closed.Cores, open.StepsPerSecond, open.Cores,
                    Stats->Series().Items().size());
        std::fflush(stdout);
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf("median of open over closed: %.3f, at iteration %d\n", ratios[ratios.size() / 2],
                Main->Runner().Latest()->IterationCount);
    Main->SetProcessing(false);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("shots");

    TProgram program(app);
    Main = program.MainForm();
    Main->setGeometry(0, 0, 800, 600);
    program.Show();
    if (!QTest::qWaitForWindowExposed(Main))
        std::printf("the main window never showed\n");
    Main->WaitForEngine();
    Main->MenuViewStatisticsClick();
    Stats = Main->StatisticsDlg;
    Properties = program.PropertiesDlg();
    Stats->resize(960, 680);

    if (mode == QLatin1String("measure"))
        return Measure(argc > 2 ? std::atof(argv[2]) : 5, argc > 3 ? std::atoi(argv[3]) : 6);
    QStringList names;
    for (int i = 3; i < argc; ++i)
        names << QString::fromLocal8Bit(argv[i]);
    return Shots(argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("."), names);
}
