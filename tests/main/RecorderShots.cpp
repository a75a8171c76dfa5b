// Saves pictures of the recorder and the file commands at work, for looking at by eye
// under Xvfb:   main_recorder_shots OUT_DIR [LARGE_STEPS]
// The Recorder menu; playing a recording with the position bar; a saved file opened again
// with its three views; a 28,880-particle recording played back; the Export Frames dialog.
#include "Main/Main.h"
#include "Main/PositionBar.h"
#include "Main/Program.h"
#include "Options/Options.h"
#include "universe/UniverseSnapshot.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

void Shot(const QString& path) {
    QTest::qWait(300);
    const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
    std::printf("%s: %s\n", qPrintable(path), screen.save(path) ? "saved" : "FAILED");
}

void Steps(TMainForm* main, int count) {
    for (int s = 0; s < count; ++s) {
        main->StepOnce1Click();
        main->WaitForEngine(600000);
    }
}

void Record(TMainForm* main, int steps) {
    main->findChild<QAction*>("StartRecording2")->trigger();
    main->WaitForEngine();
    Steps(main, steps);
    main->findChild<QAction*>("StartRecording2")->trigger();
    main->WaitForEngine();
}

// The properties window opens centred on the screen, over the main window's lower part;
// moved beside it, as a user would, so that the position bar shows whole.
void AsideProperties(TProgram* program) {
    program->PropertiesDlg()->move(program->MainForm()->frameGeometry().right() + 8, 40);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    const int largeSteps = argc > 2 ? std::atoi(argv[2]) : 12;
    QDir().mkpath(out);
    const QString file = QDir(out).filePath("three-views.astrivo");
    {
        auto program = std::make_unique<TProgram>(app);
        TMainForm* main = program->MainForm();
        program->Show();
        main->resize(900, 700);
        AsideProperties(program.get());
        main->WaitForEngine();
        Record(main, 60);

        QMenu* recorder = main->findChild<QMenu*>("Recorder1");
        recorder->popup(
            main->mapToGlobal(main->menuBar()->actionGeometry(recorder->menuAction()).bottomLeft() +
                              QPoint(0, main->menuBar()->y())));
        Shot(QDir(out).filePath("1-recorder-menu.png"));
        recorder->hide();

        main->ShowRecordedFrame(37);
        Shot(QDir(out).filePath("2-play-position-bar.png"));

        // The Export Frames dialog, offering the frame shown to the last.
        QTimer::singleShot(0, [&] {
            Shot(QDir(out).filePath("5-export-frames-dialog.png"));
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                dialog->reject();
        });
        main->findChild<QAction*>("ExportFrames1")->trigger();

        // Three views with their own cameras and settings, saved and opened again.
        main->MenuViewNewClick();
        main->MenuViewNewClick();
        main->MenuViewPreset1Click();
        main->SaveSimulation(file);
        main->WaitForEngine();
        QApplication::processEvents();
    }
    {
        auto program = std::make_unique<TProgram>(app);
        TMainForm* main = program->MainForm();
        main->SetStartFile(file);
        program->Show();
        main->resize(900, 700);
        AsideProperties(program.get());
        main->WaitForEngine();
        Shot(QDir(out).filePath("3-opened-file-views.png"));
    }
    {
        auto program = std::make_unique<TProgram>(app);
        TMainForm* main = program->MainForm();
        program->PropertiesDlg()->ChangeNumber(100); // 28,880 particles
        program->Show();
        main->resize(900, 700);
        AsideProperties(program.get());
        main->WaitForEngine(600000);
        Record(main, largeSteps);
        main->findChild<QAction*>("Play1")->trigger();
        QTest::qWait(largeSteps * 1000 / 30 / 2);
        Shot(QDir(out).filePath("4-playback-28880.png"));
    }
    return 0;
}
