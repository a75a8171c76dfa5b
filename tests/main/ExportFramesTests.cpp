#include "RecorderTestSupport.h"

#include "Main/ExportFramesDlg.h"
#include "Main/FrameRange.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProgressDialog>
#include <QSpinBox>
#include <QTemporaryDir>

namespace {

QStringList Pictures(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
}

using ExportFramesTest = RecorderTest;

TEST_F(ExportFramesTest, WritesExactlyTheChosenFramesAsTheViewDrawsThem) {
    Record(6); // 7 frames
    ASSERT_EQ(Main->RecordedFrames(), 7);
    ASSERT_TRUE(Main->ShowRecordedFrame(2));
    QTemporaryDir temporary;
    const QString folder = temporary.filePath("not/yet/there");
    bool asked = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TExportFramesDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        asked = true;
        // Offered: the frame shown to the last, numbered as the position bar numbers them.
        EXPECT_EQ(dialog->SpinFirst->value(), 3);
        EXPECT_EQ(dialog->SpinLast->value(), 7);
        EXPECT_EQ(dialog->SpinLast->maximum(), 7);
        EXPECT_EQ(dialog->SpinFirst->minimum(), 1);
        dialog->SpinFirst->setValue(2);
        dialog->SpinLast->setValue(5);
        dialog->EditFolder->setText(folder);
        dialog->Buttons->button(QDialogButtonBox::Ok)->click();
    });
    Action("ExportFrames1")->trigger();
    ASSERT_TRUE(asked);
    EXPECT_EQ(Pictures(folder), (QStringList{"frame000002.png", "frame000003.png",
                                             "frame000004.png", "frame000005.png"}));
    // What was shown before is shown again.
    EXPECT_EQ(Main->ShownFrame(), 2);

    // Each file is its own frame's picture, not the one drawn before it.
    TMDIChild* view = Main->Views().at(0);
    QImage previous;
    for (int frame = 2; frame <= 5; ++frame) {
        ASSERT_TRUE(Main->ShowRecordedFrame(frame - 1));
        const QImage expected = view->Picture();
        const QImage written(
            QDir(folder).filePath(QString("frame%1.png").arg(frame, 6, 10, QChar('0'))));
        ASSERT_FALSE(written.isNull());
        EXPECT_EQ(written.convertToFormat(expected.format()), expected) << "frame " << frame;
        EXPECT_NE(expected, previous) << "frames " << frame - 1 << " and " << frame;
        previous = expected;
    }
}

TEST_F(ExportFramesTest, TheDialogKeepsTheRangeInTheRecording) {
    TExportFramesDlg dialog(TFrameRange{4, 9}, 6, QString(), Main);
    EXPECT_EQ(dialog.SpinFirst->value(), 4);
    EXPECT_EQ(dialog.SpinLast->value(), 6);
    // One end moved past the other takes it along.
    dialog.SpinFirst->setValue(6);
    dialog.SpinLast->setValue(2);
    EXPECT_EQ(dialog.Range(), (TFrameRange{2, 2}));
    dialog.SpinLast->setValue(99);
    EXPECT_EQ(dialog.Range(), (TFrameRange{2, 6}));
    // No folder, no export.
    QPushButton* ok = dialog.Buttons->button(QDialogButtonBox::Ok);
    EXPECT_FALSE(ok->isEnabled());
    dialog.EditFolder->setText("  ");
    EXPECT_FALSE(ok->isEnabled());
    dialog.EditFolder->setText("/tmp/frames");
    EXPECT_TRUE(ok->isEnabled());
    EXPECT_EQ(dialog.Folder(), "/tmp/frames");
}

TEST_F(ExportFramesTest, CancelStopsAndAnUnwritableFolderIsReported) {
    Record(6);
    QTemporaryDir temporary;
    // Cancel as soon as the progress dialog shows: not every frame is written.
    QTimer cancel;
    QObject::connect(&cancel, &QTimer::timeout, [&] {
        if (auto* progress = Main->findChild<QProgressDialog*>("ExportProgress"))
            progress->cancel();
    });
    cancel.start(0);
    EXPECT_FALSE(Main->ExportFrames({1, 7}, temporary.path()));
    cancel.stop();
    EXPECT_LT(Pictures(temporary.path()).size(), 7);
    EXPECT_EQ(Main->ShownFrame(), -1);

    // A file where the folder should be.
    const QString blocked = temporary.filePath("blocked");
    {
        QFile file(blocked);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    TMessageBoxCloser closer;
    EXPECT_FALSE(Main->ExportFrames({1, 2}, blocked));
    EXPECT_EQ(closer.Count, 1);
    EXPECT_EQ(closer.Icon, QMessageBox::Critical);
    EXPECT_TRUE(closer.Text.contains("blocked")) << closer.Text.toStdString();
}

} // namespace
