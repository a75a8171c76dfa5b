// Simulation files: Save, Save As and Open, the caption, and opening a file at start.
#include "Main/Main.h"

#include "Childwin/ChildWin.h"
#include "Main/PositionBar.h"
#include "Options/Options.h"
#include "Storage/Recorder.h"
#include "Storage/SimulationFile.h"
#include "Storage/UniverseIO.h"
#include "settings/SettingsModel.h"
#include "settings/SettingsTable.h"
#include "universe/SimulationRunner.h"
#include "universe/Universe.h"

#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QProgressDialog>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>

namespace {

const QString FileFilters = QStringLiteral("Astrivo simulations (*.astrivo);;All files (*)");

// The current settings as a file keeps them. A setting that the properties window never
// wrote (PartSize starts at 0) is kept as its control shows it: the slider's nearest
// position.
TSettings CollectSettings(const TSettingsModel& model) {
    TSettings settings = model.Settings();
    for (const TSettingRow& row : SettingsTable::All())
        SettingsTable::SetValue(settings, row,
                                std::clamp(SettingsTable::Value(settings, row), row.Min, row.Max));
    return settings;
}

TViewRecord RecordOf(const TMDIChild& view) {
    TViewRecord record;
    record.Caption = view.windowTitle().toStdString();
    record.Settings = view.Settings();
    const QWidget* frame = view.SubWindow();
    const QRect geometry =
        frame->isMinimized() || frame->isMaximized() ? frame->normalGeometry() : frame->geometry();
    record.X = geometry.x();
    record.Y = geometry.y();
    record.Width = geometry.width();
    record.Height = geometry.height();
    record.WindowState = frame->isMinimized()   ? TWindowState::Minimised
                         : frame->isMaximized() ? TWindowState::Maximised
                                                : TWindowState::Normal;
    return record;
}

} // namespace

void TMainForm::UpdateCaption() {
    // "[*]" is where the platform shows the modified mark.
    setWindowTitle(
        CurrentFile().isEmpty()
            ? QStringLiteral("Astrivo 2[*]")
            : QStringLiteral("Astrivo 2 - %1[*]").arg(QFileInfo(CurrentFile()).fileName()));
    setWindowModified(FSession->Modified());
}

bool TMainForm::CanSave() const {
    // Before the first snapshot a build is under way, and a save queues behind it; a failed
    // build leaves a universe without particles, which no file can hold.
    return FUniverseReady && (!Snapshot() || FSession->LiveParticles() > 0);
}

TWindowRecord TMainForm::WindowRecord() const {
    TWindowRecord record;
    record.Settings = CollectSettings(*FSettingsModel);
    const QList<TMDIChild*> list = Views();
    for (qsizetype i = 0; i < list.size(); ++i) {
        record.Views.Views.push_back(RecordOf(*list[i]));
        if (list[i] == ActiveView())
            record.Views.ActiveView = static_cast<std::int32_t>(i);
    }
    return record;
}

bool TMainForm::SaveSimulation(const QString& path) {
    if (!CanSave() || !FPropertiesDlg)
        return false;
    TWindowRecord window = WindowRecord();
    const QString file = WithExtension(path);
    StatusBar->showMessage(QStringLiteral("Saving %1...").arg(file));
    FSession->Save(file, std::move(window.Settings), std::move(window.Views));
    return true;
}

void TMainForm::SaveEnded(const QString& path, const QString& error) {
    if (!error.isEmpty()) {
        StatusBar->clearMessage();
        QMessageBox::critical(this, QStringLiteral("Error"), error);
        return;
    }
    // Said only now: the file is in place and on the disk.
    StatusBar->showMessage(QStringLiteral("Saved %1").arg(path));
    UpdateCaption();
    RememberFile(CurrentFile());
}

void TMainForm::SaveCancelled(const QString& path) {
    StatusBar->showMessage(QStringLiteral("Save cancelled: %1 is as it was").arg(path));
}

bool TMainForm::FinishSaveBeforeQuit() {
    if (!FSession->Saving())
        return true;
    QProgressDialog progress(this);
    progress.setObjectName(QStringLiteral("SaveProgress"));
    progress.setWindowTitle(QStringLiteral("Astrivo 2"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    bool failed = false;
    const auto failure = connect(
        FSession.get(), &TSimulationSession::SaveEnded, this,
        [&failed](const QString&, const QString& error) { failed = failed || !error.isEmpty(); });
    QEventLoop loop;
    const auto show = [&] {
        if (!FSession->Saving() || progress.wasCanceled()) {
            loop.quit();
            return;
        }
        // Until the engine finishes what it is busy with, the save has not begun.
        const int done = FSession->SaveProgress();
        progress.setLabelText(QStringLiteral("Saving %1...").arg(FSession->SavingPath()));
        progress.setRange(0, done < 0 ? 0 : 100);
        progress.setValue(std::max(done, 0));
    };
    QTimer poll;
    connect(&poll, &QTimer::timeout, &loop, show);
    connect(&progress, &QProgressDialog::canceled, &loop, &QEventLoop::quit);
    show();
    progress.show();
    poll.start(50);
    if (FSession->Saving() && !progress.wasCanceled())
        loop.exec();
    disconnect(failure);
    if (progress.wasCanceled())
        FSession->CancelSaves();
    return !progress.wasCanceled() && !failed;
}

void TMainForm::FileSaveItemClick() {
    if (CurrentFile().isEmpty())
        FileSaveAsItemClick();
    else
        SaveSimulation(CurrentFile());
}

void TMainForm::FileSaveAsItemClick() {
    if (!FUniverseReady)
        return;
    if (const QString path = SavePath(); !path.isEmpty())
        SaveSimulation(path);
}

QString TMainForm::SavePath() {
    QFileDialog dialog(this, QStringLiteral("Save Simulation As"));
    dialog.setObjectName(QStringLiteral("SaveDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(FileFilters);
    dialog.setDefaultSuffix(QStringLiteral("astrivo"));
    if (!CurrentFile().isEmpty())
        dialog.selectFile(CurrentFile());
    else if (!FSimulationFolder.isEmpty())
        dialog.setDirectory(FSimulationFolder);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

void TMainForm::FileOpenItemClick() {
    OpenDialog->setNameFilter(FileFilters);
    if (OpenDialog->exec() != QDialog::Accepted)
        return;
    const QStringList files = OpenDialog->selectedFiles();
    if (!files.isEmpty())
        OpenSimulation(files.first());
}

void TMainForm::NewSimulation1Click() {
    ToolButton1Click();
}

bool TMainForm::OpenSimulation(const QString& path) {
    TSimulationContents contents;
    std::unique_ptr<TRecording> recording;
    QString error;
    if (!FSession->ReadFile(path, contents, recording, error)) {
        QMessageBox::critical(this, QStringLiteral("Error"), error);
        return false;
    }
    if (!MaybeSaveChanges())
        return false;
    SetProcessing(false);
    FSession->SetRecording(false);
    FSession->SetPlaying(false);
    FSession->LeavePlayback();
    FSession->AdoptRecording(std::move(recording));
    ApplySimulation(contents, path);
    RememberFile(path);
    return true;
}

void TMainForm::ApplySimulation(TSimulationContents& contents, const QString& path) {
    // Settings first: the view settings among them go to the active view, which is
    // replaced below, and the processing settings to the engine, where the universe's
    // own (equal) values replace them next.
    FPropertiesDlg->ApplySettings(contents.Settings);
    const std::shared_ptr<const TUniverse> universe(std::move(contents.Universe));
    Runner().Replace(
        [universe](TUniverse& target) { return UniverseIO::CopyState(*universe, target); });
    FSpace = universe->Space;
    FUniverseReady = true;
    ShowFigures(universe->Optimisation, universe->IterationCount);

    const QList<TMDIChild*> old = Views();
    for (qsizetype i = old.size() - 1; i >= 0; --i)
        old[i]->SubWindow()->close();
    FSession->SetCurrentFile(path);
    FSession->StartAfresh(FSettingsModel->Settings());
    UpdateCaption();
    if (contents.Views.Views.empty()) {
        OpenView(QDir::toNativeSeparators(CurrentFile()));
    } else {
        QList<QMdiSubWindow*> frames;
        for (const TViewRecord& record : contents.Views.Views) {
            TMDIChild* view = NewViewWindow();
            const QString caption = QString::fromStdString(record.Caption);
            view->setWindowTitle(caption);
            view->SubWindow()->setWindowTitle(caption);
            view->ApplySettings(record.Settings);
            // A file from a larger screen, or an edited one, may ask for a view far larger
            // than the window or beyond its edge: it is shrunk and moved into the area.
            PlaceViewInArea(view, QRect(record.X, record.Y, std::max(record.Width, 60),
                                        std::max(record.Height, 40)));
            view->FormResize();
            frames.push_back(view->SubWindow());
        }
        for (qsizetype i = 0; i < frames.size(); ++i) {
            const TWindowState state =
                contents.Views.Views[static_cast<std::size_t>(i)].WindowState;
            if (state == TWindowState::Minimised)
                frames[i]->showMinimized();
            else if (state == TWindowState::Maximised)
                frames[i]->showMaximized();
        }
        const std::int32_t active = contents.Views.ActiveView;
        if (active >= 0 && active < frames.size())
            MDIClient->setActiveSubWindow(frames[active]);
    }
    ShowRecorderPosition();
    UpdateMenuItems();
}
