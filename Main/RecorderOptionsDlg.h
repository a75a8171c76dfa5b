#pragma once

#include "Storage/Recording.h"

#include <QDialog>

class QPushButton;
class QSpinBox;

/// "Recorder Options": playback rate, keyframe interval, the step spacing of frames, and a
/// button that erases the recording after asking.
class TRecorderOptionsDlg : public QDialog {
    Q_OBJECT

public:
    TRecorderOptionsDlg(const TRecorderOptions& options, bool hasFrames, QWidget* parent);

    TRecorderOptions Options() const;
    /// Whether the user erased the recording (and confirmed it).
    bool EraseAsked() const { return FEraseAsked; }

    QSpinBox* SpinPlaybackRate = nullptr;
    QSpinBox* SpinKeyframeInterval = nullptr;
    QSpinBox* SpinRecordEvery = nullptr;
    QPushButton* BtnErase = nullptr;

private:
    void BtnEraseClick();
    bool FEraseAsked = false;
};
