#pragma once

#include "Storage/Recording.h"

#include <QDialog>

class QPushButton;
class QRadioButton;
class QSpinBox;

/// "Recorder Options": playback rate, keyframe interval, how often a frame is taken (paced
/// by time, or every so many steps), and a button that erases the recording after asking.
class TRecorderOptionsDlg : public QDialog {
    Q_OBJECT

public:
    TRecorderOptionsDlg(const TRecorderOptions& options, bool hasFrames, QWidget* parent);

    TRecorderOptions Options() const;
    /// Whether the user erased the recording (and confirmed it).
    bool EraseAsked() const { return FEraseAsked; }

    QSpinBox* SpinPlaybackRate = nullptr;
    QSpinBox* SpinKeyframeInterval = nullptr;
    QRadioButton* RadioByTime = nullptr;
    QRadioButton* RadioBySteps = nullptr;
    QSpinBox* SpinRecordEvery = nullptr; // enabled with RadioBySteps
    QPushButton* BtnErase = nullptr;

private:
    void BtnEraseClick();
    bool FEraseAsked = false;
};
