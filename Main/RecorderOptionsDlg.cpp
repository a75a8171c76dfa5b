#include "Main/RecorderOptionsDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QMessageBox>
#include <QPushButton>
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
    SpinRecordEvery =
        NewSpin(this, "SpinRecordEvery", 1, 10000, options.RecordEvery, QStringLiteral(" steps"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Playback rate:"), SpinPlaybackRate);
    form->addRow(QStringLiteral("&Keyframe every:"), SpinKeyframeInterval);
    form->addRow(QStringLiteral("&Record a frame every:"), SpinRecordEvery);

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
    return {SpinKeyframeInterval->value(), SpinRecordEvery->value(), SpinPlaybackRate->value()};
}

void TRecorderOptionsDlg::BtnEraseClick() {
    if (QMessageBox::question(this, QStringLiteral("Erase Recording"),
                              QStringLiteral("Erase every frame of the recording?")) !=
        QMessageBox::Yes)
        return;
    FEraseAsked = true;
    BtnErase->setEnabled(false);
}
