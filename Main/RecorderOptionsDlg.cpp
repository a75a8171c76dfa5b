#include "Main/RecorderOptionsDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QSpinBox* NewSpin(QWidget* parent, const char* name, int min, int max, int value,
                  const QString& suffix) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(min, max);
    spin->setValue(value);
    spin->setSuffix(suffix);
    return spin;
}

} // namespace

TRecorderOptionsDlg::TRecorderOptionsDlg(const TRecorderOptions& options, bool hasFrames,
                                         QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("RecorderOptionsDlg"));
    setWindowTitle(QStringLiteral("Recorder Options"));
    SpinPlaybackRate = NewSpin(this, "SpinPlaybackRate", 1, 240, options.PlaybackRate,
                               QStringLiteral(" frames/s"));
    SpinKeyframeInterval = NewSpin(this, "SpinKeyframeInterval", 1, 10000, options.KeyframeInterval,
                                   QStringLiteral(" frames"));
    SpinKeyframeInterval->setToolTip(QStringLiteral(
        "Every this many frames keep the full state: fewer make resuming faster, more make "
        "the recording smaller"));
    // A fast engine steps hundreds of times a second: a frame for each would fill a disk
    // within minutes, so frames are paced by time unless the user asks for steps.
    const bool bySteps = options.RecordEvery > 0;
    RadioByTime = new QRadioButton(QStringLiteral("At most %1 frames a &second of running")
                                       .arg(TRecorderOptions::FramesPerSecond),
                                   this);
    RadioByTime->setObjectName(QStringLiteral("RadioByTime"));
    RadioBySteps = new QRadioButton(QStringLiteral("E&very"), this);
    RadioBySteps->setObjectName(QStringLiteral("RadioBySteps"));
    (bySteps ? RadioBySteps : RadioByTime)->setChecked(true);
    SpinRecordEvery = NewSpin(this, "SpinRecordEvery", 1, 10000, bySteps ? options.RecordEvery : 1,
                              QStringLiteral(" steps"));
    SpinRecordEvery->setEnabled(bySteps);
    connect(RadioBySteps, &QRadioButton::toggled, SpinRecordEvery, &QWidget::setEnabled);
    auto* steps = new QHBoxLayout;
    steps->addWidget(RadioBySteps);
    steps->addWidget(SpinRecordEvery, 1);
    auto* pace = new QVBoxLayout;
    pace->addWidget(RadioByTime);
    pace->addLayout(steps);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Playback rate:"), SpinPlaybackRate);
    form->addRow(QStringLiteral("&Keyframe every:"), SpinKeyframeInterval);
    form->addRow(QStringLiteral("Record a frame:"), pace);

    BtnErase = new QPushButton(QStringLiteral("&Erase Recording"), this);
    BtnErase->setObjectName(QStringLiteral("BtnErase"));
    BtnErase->setEnabled(hasFrames);
    connect(BtnErase, &QPushButton::clicked, this, &TRecorderOptionsDlg::BtnEraseClick);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(BtnErase, 0, Qt::AlignLeft);
    layout->addWidget(buttons);
}

TRecorderOptions TRecorderOptionsDlg::Options() const {
    return {SpinKeyframeInterval->value(), RadioBySteps->isChecked() ? SpinRecordEvery->value() : 0,
            SpinPlaybackRate->value()};
}

void TRecorderOptionsDlg::BtnEraseClick() {
    if (QMessageBox::question(this, QStringLiteral("Erase Recording"),
                              QStringLiteral("Erase every frame of the recording?")) !=
        QMessageBox::Yes)
        return;
    FEraseAsked = true;
    BtnErase->setEnabled(false);
}
