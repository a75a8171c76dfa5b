// Screenshots of the whole program for looking at by eye, under a real X server:
//   xvfb-run -a -s "-screen 0 1280x1024x24" main_screen_shots OUT_DIR
// Runs the default universe for a moment, then shows View 1 with lines and luminance on in
// each display method, the grid in the four preset views, and exports View 1's picture
// through the Export Picture dialog. Each stage is grabbed from the screen with ImageMagick's
// import when it is there, otherwise from the platform's screen.
#include "Childwin/ChildWin.h"
#include "Main/Main.h"
#include "Main/Program.h"
#include "Options/Options.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <cstdio>

namespace {

QString Out;

void Shoot(const QString& name) {
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
        QTest::qWait(60);
    }
    const QString path = Out + "/" + name + ".png";
    bool saved = false;
    if (!QStandardPaths::findExecutable("import").isEmpty())
        saved = QProcess::execute("import", {"-window", "root", path}) == 0;
    else
        saved = QGuiApplication::primaryScreen()->grabWindow(0).save(path);
    std::printf("%s: %s\n", qPrintable(path), saved ? "saved" : "FAILED");
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    Out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(Out);

    TProgram program(app);
    TMainForm* main = program.MainForm();
    TPropertiesDlg* dialog = program.PropertiesDlg();
    main->setGeometry(0, 0, 1000, 760);
    program.Show();
    dialog->move(1010, 0);
    if (!QTest::qWaitForWindowExposed(main))
        std::printf("the main window never showed\n");
    main->WaitForEngine();

    main->SetProcessing(true);
    QTest::qWait(1500);
    main->SetProcessing(false);
    main->WaitForEngine();

    TMDIChild* view = main->ActiveView();
    view->SubWindow()->setGeometry(0, 0, 820, 520);
    view->TurnCamera([](TViewCamera& camera) {
        camera.Elevation = 0.35;
        camera.ZoomX = camera.ZoomY = 3 * camera.ZoomX; // closer in
        return true;
    });
    dialog->CheckBoxUseLines->click();
    if (!dialog->CheckBoxShowLuminance->isChecked())
        dialog->CheckBoxShowLuminance->click();
    const char* const methods[] = {"monocular", "autostereo", "chromostereo"};
    QListWidget* list = dialog->ListBoxShowAs;
    for (int method = 0; method < 3; ++method) {
        list->setCurrentRow(method);
        emit list->itemClicked(list->item(method));
        Shoot(QStringLiteral("screen-%1").arg(methods[method]));
    }
    list->setCurrentRow(0);
    emit list->itemClicked(list->item(0));

    QAction* grid = main->findChild<QAction*>("ShowGrid1");
    grid->trigger();
    Shoot("screen-grid");

    // Export the picture under the name offered, as the dialog's Save button would.
    main->ExportDialog->setDirectory(Out);
    QTimer::singleShot(300, main->ExportDialog, [&] {
        std::printf("offered name: %s\n",
                    qPrintable(QFileInfo(main->ExportDialog->selectedFiles().value(0)).fileName()));
        Shoot("screen-export-dialog");
        QMetaObject::invokeMethod(main->ExportDialog, "accept");
    });
    main->FileExportItemClick();

    main->MenuViewPreset1Click();
    Shoot("screen-preset-grid");
    return 0;
}
