#pragma once

#include "Main/FrameRange.h"

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

/// "Export Frames": the first and last frame to write (1 to the recording's length, the
/// first never after the last) and the folder to write them in.
class TExportFramesDlg : public QDialog {
    Q_OBJECT

public:
    TExportFramesDlg(const TFrameRange& offered, int frameCount, const QString& folder,
                     QWidget* parent);

    TFrameRange Range() const;
    QString Folder() const;

    QSpinBox* SpinFirst = nullptr;
    QSpinBox* SpinLast = nullptr;
    QLineEdit* EditFolder = nullptr;
    QPushButton* BtnBrowse = nullptr;
    QLabel* LabelNames = nullptr;
    QDialogButtonBox* Buttons = nullptr;

private:
    void BtnBrowseClick();
    void ShowState();
    int FrameCount = 0;
};
