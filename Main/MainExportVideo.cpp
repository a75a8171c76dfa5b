// Export Video: a range of recorded frames of the active view rendered into an MP4 file,
// off the window thread.
#include "Main/Main.h"

#include "Childwin/ChildWin.h"
#include "Main/ExportVideoDlg.h"
#include "Main/FrameRange.h"
#include "Main/VideoPicture.h"
#include "Storage/Recorder.h"
#include "universe/UniverseSnapshot.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QTimer>

#include <atomic>
#include <thread>

void TMainForm::ExportVideoItemClick() {
    const int count = RecordedFrames();
    TMDIChild* view = ActiveView();
    if (count == 0 || !view)
        return;
    QString folder = FExportFolder;
    if (folder.isEmpty() && !CurrentFile().isEmpty())
        folder = QFileInfo(CurrentFile()).absolutePath();
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    const QString simulation = CurrentFile().isEmpty()
                                   ? QStringLiteral("Simulation")
                                   : QFileInfo(CurrentFile()).completeBaseName();
    const QString caption =
        view->SubWindow() ? view->SubWindow()->windowTitle() : view->windowTitle();
    TExportVideoDlg dialog(
        TFrameRange::Offered(ShownFrame(), count), count, view->size(),
        FSession->Recorder().Options().PlaybackRate,
        QDir(folder).filePath(TExportVideoDlg::DefaultFileName(simulation, caption)), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    FExportFolder = QFileInfo(dialog.File()).absolutePath();
    ExportVideo(dialog.Range(), dialog.VideoSize(), dialog.FramesPerSecond(), dialog.File());
}

bool TMainForm::ExportVideo(const TFrameRange& asked, const QSize& size, int framesPerSecond,
                            const QString& path) {
    TMDIChild* view = ActiveView();
    const TFrameRange range = asked.Clamped(RecordedFrames());
    if (!view || range.Count() == 0 || path.isEmpty() || size.isEmpty())
        return false;
    TVideoJob job;
    job.First = range.First - 1;
    job.Last = range.Last - 1;
    job.View = view->Settings();
    job.ViewHeight = view->height();
    job.Format.Width = size.width();
    job.Format.Height = size.height();
    job.Format.FramesPerSecond = framesPerSecond;
    const std::string file = QFile::encodeName(path).toStdString();

    // The recorder's reads take its lock, so the engine may go on recording meanwhile; the
    // frames asked for are there already and never change.
    const TRecorder& recorder = FSession->Recorder();
    std::atomic<int> done{0};
    std::atomic<bool> cancel{false};
    std::atomic<bool> finished{false};
    TVideoResult result;
    std::thread worker([&] {
        TViewPictureDrawer drawer;
        result = VideoExport::Write(
            file, job,
            [&recorder](std::int32_t index, TUniverseSnapshot& frame) {
                return recorder.ReadFrame(index, frame);
            },
            drawer,
            [&](std::int32_t count, std::int32_t) {
                done.store(count);
                return !cancel.load();
            });
        finished.store(true);
    });

    QProgressDialog progress(QStringLiteral("Exporting video..."), QStringLiteral("Cancel"), 0,
                             range.Count(), this);
    progress.setObjectName(QStringLiteral("ExportVideoProgress"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoReset(false);
    QEventLoop waiting;
    QTimer poll;
    poll.setInterval(30);
    connect(&poll, &QTimer::timeout, &waiting, [&] {
        if (progress.wasCanceled())
            cancel.store(true);
        else
            progress.setValue(done.load());
        if (finished.load())
            waiting.quit();
    });
    poll.start();
    waiting.exec();
    worker.join();
    progress.close();

    if (result.End == TVideoEnd::Failed)
        QMessageBox::critical(this, QStringLiteral("Error"),
                              QString::fromStdString(result.Message));
    return result.End == TVideoEnd::Written;
}
