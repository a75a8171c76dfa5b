// Simulation files: Save, Save As and Open, the caption, and opening a file at start.
#include "Main/Main.h"

#include "Childwin/ChildWin.h"
#include "Main/PositionBar.h"
#include "Main/RecorderLink.h"
#include "Options/Options.h"
#include "Storage/Recording.h"
#include "Storage/SimulationFile.h"
#include "Storage/UniverseIO.h"
#include "settings/SettingsModel.h"
#include "settings/SettingsTable.h"
#include "universe/SimulationRunner.h"
#include "universe/Universe.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QStatusBar>

#include <algorithm>

namespace {

const QString FileFilters = QStringLiteral("Astrivo simulations (*.astrivo);;All files (*)");

std::string ToPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

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
    setWindowTitle(FCurrentFile.isEmpty()
                       ? QStringLiteral("Astrivo 2")
                       : QStringLiteral("Astrivo 2 - %1").arg(QFileInfo(FCurrentFile).fileName()));
}

bool TMainForm::SaveSimulation(const QString& path) {
    if (!FUniverseReady || !FPropertiesDlg)
        return false;
    TViewsRecord views;
    const QList<TMDIChild*> list = Views();
    for (qsizetype i = 0; i < list.size(); ++i) {
        views.Views.push_back(RecordOf(*list[i]));
        if (list[i] == ActiveView())
            views.ActiveView = static_cast<std::int32_t>(i);
    }
    StatusBar->showMessage(QStringLiteral("Saving %1...").arg(path));
    // The engine writes its own state between two steps; the window hears how it went.
    FRunner->Run([this, path, settings = CollectSettings(*FSettingsModel), views,
                  link = FRecorder](TUniverse& universe) {
        TStorageResult result;
        {
            const std::lock_guard lock(link->Mutex);
            result =
                SimulationFile::Save(ToPath(path), universe, settings, views, link->File.get());
        }
        const QString error = result.Ok ? QString() : QString::fromStdString(result.Message);
        QMetaObject::invokeMethod(
            this, [this, path, error] { SaveEnded(path, error); }, Qt::QueuedConnection);
    });
    return true;
}

void TMainForm::SaveEnded(const QString& path, const QString& error) {
    StatusBar->clearMessage();
    if (!error.isEmpty()) {
        QMessageBox::critical(this, QStringLiteral("Error"), error);
        return;
    }
    FCurrentFile = QFileInfo(path).absoluteFilePath();
    FRecordingSaved = true;
    UpdateCaption();
}

void TMainForm::FileSaveItemClick() {
    if (FCurrentFile.isEmpty())
        FileSaveAsItemClick();
    else
        SaveSimulation(FCurrentFile);
}

void TMainForm::FileSaveAsItemClick() {
    if (!FUniverseReady)
        return;
    QFileDialog dialog(this, QStringLiteral("Save Simulation As"));
    dialog.setObjectName(QStringLiteral("SaveDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(FileFilters);
    dialog.setDefaultSuffix(QStringLiteral("astrivo"));
    if (!FCurrentFile.isEmpty())
        dialog.selectFile(FCurrentFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    SaveSimulation(dialog.selectedFiles().first());
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
    const TStorageResult result = SimulationFile::Load(ToPath(path), contents);
    if (!result.Ok) {
        QMessageBox::critical(this, QStringLiteral("Error"),
                              QString::fromStdString(result.Message));
        return false;
    }
    std::unique_ptr<TRecording> recording;
    if (contents.HasRecording) {
        const TStorageResult extracted =
            TRecording::Extract(ToPath(path), ToPath(TemporaryRecordingPath()), recording);
        if (!extracted.Ok) {
            QMessageBox::critical(this, QStringLiteral("Error"),
                                  QStringLiteral("Cannot open %1. %2")
                                      .arg(path, QString::fromStdString(extracted.Message)));
            return false;
        }
        recording->SetTemporary(true);
    }
    if (!AskToDiscardRecording())
        return false;
    SetProcessing(false);
    SetRecording(false);
    SetPlaying(false);
    LeavePlayback();
    {
        const std::lock_guard lock(FRecorder->Mutex);
        FRecorder->File = std::move(recording);
    }
    FRecordingSaved = true;
    ApplySimulation(contents, path);
    return true;
}

void TMainForm::ApplySimulation(TSimulationContents& contents, const QString& path) {
    // Settings first: the view settings among them go to the active view, which is
    // replaced below, and the processing settings to the engine, where the universe's
    // own (equal) values replace them next.
    FPropertiesDlg->ApplySettings(contents.Settings);
    const std::shared_ptr<const TUniverse> universe(std::move(contents.Universe));
    FRunner->Replace(
        [universe](TUniverse& target) { return UniverseIO::CopyState(*universe, target); });
    FSpace = universe->Space;
    FUniverseReady = true;
    ShowFigures(universe->Optimisation, universe->IterationCount);

    const QList<TMDIChild*> old = Views();
    for (qsizetype i = old.size() - 1; i >= 0; --i)
        old[i]->SubWindow()->close();
    FCurrentFile = QFileInfo(path).absoluteFilePath();
    UpdateCaption();
    if (contents.Views.Views.empty()) {
        OpenView(QDir::toNativeSeparators(FCurrentFile));
    } else {
        QList<QMdiSubWindow*> frames;
        for (const TViewRecord& record : contents.Views.Views) {
            TMDIChild* view = NewViewWindow();
            const QString caption = QString::fromStdString(record.Caption);
            view->setWindowTitle(caption);
            view->SubWindow()->setWindowTitle(caption);
            view->ApplySettings(record.Settings);
            view->SubWindow()->setGeometry(record.X, record.Y, std::max(record.Width, 60),
                                           std::max(record.Height, 40));
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
