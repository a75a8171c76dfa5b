#include "RecorderTestSupport.h"

#include "Main/ExportVideoDlg.h"
#include "tests/video/VideoDecode.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>

namespace {

using ExportVideoTest = RecorderTest;

// Answers the Export Video dialog with file, then reads the message box that may follow.
QString ExportTo(TMainForm* main, const QString& file, QString& offered) {
    QString message;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TExportVideoDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        offered = dialog->EditFile->text();
        EXPECT_EQ(dialog->SpinRate->value(), 30); // the recording's playback rate
        EXPECT_EQ(dialog->ComboSize->count(), 3);
        dialog->EditFile->setText(file);
        auto* watch = new QTimer(main);
        QObject::connect(watch, &QTimer::timeout, [&message, watch] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                message = box->text();
                box->accept();
                watch->deleteLater();
            }
        });
        watch->start(20);
        dialog->Buttons->button(QDialogButtonBox::Ok)->click();
    });
    main->findChild<QAction*>("ExportVideoItem")->trigger();
    return message;
}

TEST_F(ExportVideoTest, WritesTheWholeRecordingAtTheViewsSizeOrSaysWhyNot) {
    Record(6); // 7 frames
    ASSERT_TRUE(Action("ExportVideoItem")->isEnabled());
    QTemporaryDir temporary;
    QString offered;
    const QString missing = temporary.filePath("gone/clip.mp4");
    EXPECT_TRUE(ExportTo(Main, missing, offered).contains("cannot be written"));
    EXPECT_FALSE(QFile::exists(missing));
    const QString caption = Main->Views().at(0)->SubWindow()->windowTitle();
    EXPECT_TRUE(offered.endsWith("Simulation - " + caption + ".mp4")) << offered.toStdString();

    const QString file = temporary.filePath("clip.mp4");
    EXPECT_EQ(ExportTo(Main, file, offered), QString());
    const TDecodedVideo video = DecodeVideo(file.toStdString());
    ASSERT_EQ(video.Error, "");
    EXPECT_EQ(video.Frames.size(), 7u);
    const QSize view = Main->Views().at(0)->size();
    EXPECT_EQ(video.Width, view.width() - view.width() % 2);
    EXPECT_EQ(video.Height, view.height() - view.height() % 2);
}

TEST_F(ExportVideoTest, CancelLeavesNeitherTheFileNorATemporaryOne) {
    Record(40);
    QTemporaryDir temporary;
    const QString file = temporary.filePath("clip.mp4");
    bool cancelled = false;
    // Presses the progress box's Cancel as soon as the export shows it.
    QPointer<QTimer> watch = new QTimer(Main);
    QObject::connect(watch, &QTimer::timeout, [this, &cancelled, &watch] {
        auto* progress = Main->findChild<QProgressDialog*>("ExportVideoProgress");
        auto* button = progress ? progress->findChild<QPushButton*>() : nullptr;
        if (!button || !progress->isVisible())
            return;
        cancelled = true;
        watch->stop();
        button->click();
    });
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TExportVideoDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->EditFile->setText(file);
        // The largest pictures, so that the export is still under way when Cancel is seen.
        dialog->ComboSize->setCurrentIndex(2);
        watch->start(5);
        dialog->Buttons->button(QDialogButtonBox::Ok)->click();
    });
    Action("ExportVideoItem")->trigger();
    delete watch;
    ASSERT_TRUE(cancelled);
    EXPECT_FALSE(QFile::exists(file));
    // Nor a hidden half-written video beside it.
    const QStringList left =
        QDir(temporary.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    EXPECT_TRUE(left.isEmpty()) << left.join(", ").toStdString();
}

} // namespace
