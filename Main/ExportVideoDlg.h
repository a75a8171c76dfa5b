#pragma once

#include "Main/FrameRange.h"

#include <QDialog>
#include <QSize>

class QComboBox;
class QDialogButtonBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

/// "Export Video": the first and last frame (as Export Frames offers them), the picture
/// size (the view's own, 1280x720 or 1920x1080), the frames per second and the file.
class TExportVideoDlg : public QDialog {
    Q_OBJECT

public:
    TExportVideoDlg(const TFrameRange& offered, int frameCount, const QSize& viewSize,
                    int framesPerSecond, const QString& file, QWidget* parent);

    TFrameRange Range() const;
    QSize VideoSize() const;
    int FramesPerSecond() const;
    QString File() const;

    /// "<simulation> - <view caption>.mp4", with what file systems refuse made "_".
    static QString DefaultFileName(const QString& simulation, const QString& caption);

    QSpinBox* SpinFirst = nullptr;
    QSpinBox* SpinLast = nullptr;
    QComboBox* ComboSize = nullptr;
    QSpinBox* SpinRate = nullptr;
    QLineEdit* EditFile = nullptr;
    QPushButton* BtnBrowse = nullptr;
    QDialogButtonBox* Buttons = nullptr;

private:
    void BtnBrowseClick();
    int FrameCount = 0;
};
