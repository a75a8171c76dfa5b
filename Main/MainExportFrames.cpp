// Export Frames: a range of recorded frames of the active view as numbered PNG pictures.
#include "Main/Main.h"

#include "Childwin/ChildWin.h"
#include "Main/ExportFramesDlg.h"
#include "Main/FrameRange.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QStandardPaths>

void TMainForm::ExportFrames1Click() {
    const int count = RecordedFrames();
    if (count == 0 || !ActiveView())
        return;
    QString folder = FExportFolder;
    if (folder.isEmpty() && !CurrentFile().isEmpty())
        folder = QFileInfo(CurrentFile()).absolutePath();
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    TExportFramesDlg dialog(TFrameRange::Offered(ShownFrame(), count), count, folder, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    FExportFolder = dialog.Folder();
    ExportFrames(dialog.Range(), dialog.Folder());
}

bool TMainForm::ExportFrames(const TFrameRange& asked, const QString& folder) {
    TMDIChild* view = ActiveView();
    const int count = RecordedFrames();
    const TFrameRange range = asked.Clamped(count);
    if (!view || range.Count() == 0 || folder.isEmpty())
        return false;
    if (!QDir().mkpath(folder)) {
        QMessageBox::critical(this, QStringLiteral("Error"),
                              QStringLiteral("The folder %1 cannot be created.")
                                  .arg(QDir::toNativeSeparators(folder)));
        return false;
    }
    // Showing the frames stops processing and recording; both go on again afterwards.
    const int wasShown = ShownFrame();
    const bool wasProcessing = FProcessing;
    const bool wasRecording = Recording();
    FSession->SetPlaying(false);
    QProgressDialog progress(QStringLiteral("Exporting frames..."), QStringLiteral("Cancel"), 0,
                             range.Count(), this);
    progress.setObjectName(QStringLiteral("ExportProgress"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    bool done = true;
    for (int frame = range.First; frame <= range.Last; ++frame) {
        progress.setValue(frame - range.First);
        if (progress.wasCanceled() || !ShowRecordedFrame(frame - 1)) {
            done = false;
            break;
        }
        // Views draw on the drawing thread: Picture() waits for this frame's own picture.
        const QImage picture = view->Picture();
        const QString name =
            QDir(folder).filePath(QString::fromStdString(FrameRange::FileName(frame, count)));
        if (picture.isNull() || !picture.save(name, "PNG")) {
            QMessageBox::critical(this, QStringLiteral("Error"),
                                  QStringLiteral("The picture %1 cannot be written.")
                                      .arg(QDir::toNativeSeparators(name)));
            done = false;
            break;
        }
    }
    progress.setValue(range.Count());
    // Back to what the user was looking at.
    if (wasShown >= 0 && wasShown < RecordedFrames())
        ShowRecordedFrame(wasShown);
    else
        FSession->LeavePlayback();
    if (wasShown < 0 && wasRecording)
        SetRecording(true);
    if (wasShown < 0 && wasProcessing)
        SetProcessing(true);
    return done;
}
