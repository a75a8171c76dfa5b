// Saves pictures of each preset after some steps, the New from Preset menu and the help
// window, for looking at by eye under Xvfb:
//   main_preset_shots OUT_DIR [STEPS] [LARGE_STEPS] [PresetName ...]
// Presets above 6,000 particles take LARGE_STEPS steps instead of STEPS.
#include "Main/HelpWindow.h"
#include "Main/Main.h"
#include "Main/Program.h"
#include "Options/Options.h"
#include "settings/SettingsPresets.h"
#include "universe/SettingsFormulas.h"
#include "universe/UniverseSnapshot.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <QTextBrowser>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

void Shot(const QString& path) {
    QTest::qWait(400);
    const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
    std::printf("%s: %s\n", qPrintable(path), screen.save(path) ? "saved" : "FAILED");
    std::fflush(stdout);
}

// Processing on until the universe has taken steps more steps, then off.
void Run(TMainForm* main, int steps) {
    main->WaitForEngine(600000);
    const int until = main->Snapshot()->IterationCount + steps;
    const auto began = std::chrono::steady_clock::now();
    main->SetProcessing(true);
    while (main->Snapshot()->IterationCount < until)
        QTest::qWait(50);
    main->SetProcessing(false);
    main->WaitForEngine(600000);
    std::printf("  %d steps in %.1f s\n", steps,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count());
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    const int steps = argc > 2 ? std::atoi(argv[2]) : 1000;
    const int largeSteps = argc > 3 ? std::atoi(argv[3]) : 100;
    QStringList names;
    for (int i = 4; i < argc; ++i)
        names << QString::fromLocal8Bit(argv[i]);
    QDir().mkpath(out);

    auto program = std::make_unique<TProgram>(app);
    TMainForm* main = program->MainForm();
    program->Show();
    main->setGeometry(0, 0, 1000, 800);
    program->PropertiesDlg()->move(1010, 40);
    main->WaitForEngine();

    QMenu* file = main->findChild<QMenu*>("File1");
    file->popup(main->mapToGlobal(main->menuBar()->actionGeometry(file->menuAction()).bottomLeft() +
                                  QPoint(0, main->menuBar()->y())));
    QAction* presets = main->findChild<QAction*>("NewFromPreset1");
    file->setActiveAction(presets);
    QTest::qWait(300);
    presets->menu()->popup(file->mapToGlobal(file->actionGeometry(presets).topRight()));
    Shot(QDir(out).filePath("0-new-from-preset-menu.png"));
    presets->menu()->hide();
    file->hide();

    int index = 1;
    for (const TPreset& preset : SettingsPresets::All()) {
        const QString name = QString::fromUtf8(preset.Name.data(), preset.Name.size());
        if (!names.isEmpty() && !names.contains(name))
            continue;
        const bool large = SettingsFormulas::ParticleCount(preset.Settings.Number) > 6000;
        const int taken = large ? largeSteps : steps;
        std::printf("%s\n", qPrintable(name));
        main->NewFromPreset(preset);
        Run(main, taken);
        Shot(QDir(out).filePath(
            QStringLiteral("%1-%2-after-%3-steps.png").arg(index++).arg(name).arg(taken)));
    }

    main->findChild<QAction*>("Contents1")->trigger();
    auto* help = main->findChild<THelpWindow*>("HelpWindow");
    help->setGeometry(200, 60, 760, 860);
    Shot(QDir(out).filePath("9-help-window.png"));
    help->Browser->scrollToAnchor(QStringLiteral("display"));
    Shot(QDir(out).filePath("9-help-window-display.png"));
    return 0;
}
