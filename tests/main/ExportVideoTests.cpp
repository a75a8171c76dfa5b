#include "RecorderTestSupport.h"

#include "Main/ExportVideoDlg.h"
#include "tests/video/VideoDecode.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
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

} // namespace
