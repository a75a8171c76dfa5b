// Simulation files: Save, Save As and Open, the caption, and opening a file at start.
#include "Main/Main.h"

#include "Childwin/ChildWin.h"
#include "Main/PositionBar.h"
#include "Options/Options.h"
#include "Storage/Recording.h"
#include "Storage/SettingsSchema.h"
#include "Storage/SimulationFile.h"
#include "universe/Universe.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QVariant>

#include <algorithm>

namespace {

const QString FileFilters = QStringLiteral("Astrivo simulations (*.astrivo);;All files (*)");

std::string ToPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// Every kept setting, read from the properties window by its property name. A property
// that the window never wrote (PartSize starts at 0) is kept as its control shows it: the
// slider's nearest position.
std::vector<TSettingValue> CollectSettings(const TPropertiesDlg& dialog) {
    std::vector<TSettingValue> settings;
    for (const TSettingRange& range : SettingsSchema::All()) {
        const std::string name(range.Name);
        const int value = dialog.property(name.c_str()).toInt();
        settings.push_back({name, std::clamp(value, range.Min, range.Max)});
    }
    return settings;
}

TViewRecord RecordOf(const TMDIChild& view) {
    TViewRecord record;
    record.Caption = view.windowTitle().toStdString();
    record.Camera = view.Camera;
    record.ShowLuminance = view.ShowLuminance();
    record.ShowAs = view.ShowAs();
    record.Brightness = view.Brightness();
    record.Contrast = view.Contrast();
    record.PartSize = view.PartSize();
    record.UseLines = view.UseLines();
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
    if (!FUniverseReady || !Universe || !FPropertiesDlg)
        return false;
    TViewsRecord views;
    const QList<TMDIChild*> list = Views();
    for (qsizetype i = 0; i < list.size(); ++i) {
        views.Views.push_back(RecordOf(*list[i]));
        if (list[i] == ActiveView())
            views.ActiveView = static_cast<std::int32_t>(i);
    }
    const TStorageResult result = SimulationFile::Save(
        ToPath(path), *Universe, CollectSettings(*FPropertiesDlg), views, FRecordingFile.get());
    if (!result.Ok) {
        QMessageBox::critical(this, QStringLiteral("Error"),
                              QString::fromStdString(result.Message));
        return false;
    }
    FCurrentFile = QFileInfo(path).absoluteFilePath();
    FRecordingSaved = true;
    UpdateCaption();
    return true;
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
    SetProcessing(false);
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
    }
    if (!AskToDiscardRecording())
        return false;
    SetRecording(false);
    SetPlaying(false);
    LeavePlayback();
    FRecordingFile = std::move(recording);
    FRecordingSaved = true;
    ApplySimulation(contents, path);
    return true;
}

void TMainForm::ApplySimulation(TSimulationContents& contents, const QString& path) {
    // Settings first: the view settings among them go to the active view, which is
    // replaced below, and the processing settings to the universe, whose values they equal.
    for (const TSettingValue& setting : contents.Settings)
        FPropertiesDlg->setProperty(setting.Name.c_str(), setting.Value);

    const QList<TMDIChild*> old = Views();
    for (qsizetype i = old.size() - 1; i >= 0; --i) {
        old[i]->Universe = nullptr;
        old[i]->SubWindow()->close();
    }
    Universe = std::move(contents.Universe);
    FUniverseReady = true;
    FCurrentFile = QFileInfo(path).absoluteFilePath();
    UpdateCaption();
    ShowFigures(Universe->Optimisation, Universe->IterationCount);

    if (contents.Views.Views.empty()) {
        OpenView(QDir::toNativeSeparators(FCurrentFile));
    } else {
        QList<QMdiSubWindow*> frames;
        for (const TViewRecord& record : contents.Views.Views) {
            TMDIChild* view = NewViewWindow();
            const QString caption = QString::fromStdString(record.Caption);
            view->setWindowTitle(caption);
            view->SubWindow()->setWindowTitle(caption);
            view->Camera = record.Camera;
            view->SetShowLuminance(record.ShowLuminance);
            view->SetShowAs(static_cast<TShowAs>(record.ShowAs));
            view->SetBrightness(record.Brightness);
            view->SetContrast(record.Contrast);
            view->SetPartSize(record.PartSize);
            view->SetUseLines(record.UseLines);
            view->Universe = Universe.get();
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
    RedrawViews(Universe.get());
    ShowRecorderPosition();
    UpdateMenuItems();
}
