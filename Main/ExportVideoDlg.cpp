#include "Main/ExportVideoDlg.h"

#include "Main/FrameRangeSpins.h"
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

TExportVideoDlg::TExportVideoDlg(const TFrameRange& offered, int frameCount, const QSize& viewSize,
                                 int framesPerSecond, const QString& file, QWidget* parent)
    : QDialog(parent), FrameCount(frameCount) {
    setObjectName(QStringLiteral("ExportVideoDlg"));
    setWindowTitle(QStringLiteral("Export Video"));
    const TFrameRangeSpins spins = MakeFrameRangeSpins(offered, frameCount, this);
    SpinFirst = spins.First;
    SpinLast = spins.Last;

    ComboSize = new QComboBox(this);
    ComboSize->setObjectName(QStringLiteral("ComboSize"));
    ComboSize->addItem(
        QStringLiteral("The view's own (%1 x %2)").arg(viewSize.width()).arg(viewSize.height()),
        viewSize);
    ComboSize->addItem(QStringLiteral("1280 x 720"), QSize(1280, 720));
    ComboSize->addItem(QStringLiteral("1920 x 1080"), QSize(1920, 1080));
    SpinRate = new QSpinBox(this);
    SpinRate->setObjectName(QStringLiteral("SpinRate"));
    SpinRate->setRange(1, 240);
    SpinRate->setValue(framesPerSecond);
    SpinRate->setSuffix(QStringLiteral(" frames/s"));

    EditFile = new QLineEdit(QDir::toNativeSeparators(file), this);
    EditFile->setObjectName(QStringLiteral("EditFile"));
    EditFile->setMinimumWidth(320);
    BtnBrowse = new QPushButton(QStringLiteral("&Browse..."), this);
    BtnBrowse->setObjectName(QStringLiteral("BtnBrowse"));
    connect(BtnBrowse, &QPushButton::clicked, this, &TExportVideoDlg::BtnBrowseClick);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(EditFile, 1);
    fileRow->addWidget(BtnBrowse);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&First frame:"), SpinFirst);
    form->addRow(QStringLiteral("&Last frame:"), SpinLast);
    form->addRow(QStringLiteral("&Size:"), ComboSize);
    form->addRow(QStringLiteral("&Rate:"), SpinRate);
    // A row whose field is a layout gets no buddy from addRow: the label is made here.
    auto* fileLabel = new QLabel(QStringLiteral("F&ile:"), this);
    fileLabel->setBuddy(EditFile);
    form->addRow(fileLabel, fileRow);

    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    Buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Export"));
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(EditFile, &QLineEdit::textChanged, this, [this](const QString& text) {
        Buttons->button(QDialogButtonBox::Ok)->setEnabled(!text.trimmed().isEmpty());
    });
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(Buttons);
}

TFrameRange TExportVideoDlg::Range() const {
    return TFrameRange{SpinFirst->value(), SpinLast->value()}.Clamped(FrameCount);
}

QSize TExportVideoDlg::VideoSize() const {
    return ComboSize->currentData().toSize();
}

int TExportVideoDlg::FramesPerSecond() const {
    return SpinRate->value();
}

QString TExportVideoDlg::File() const {
    return QDir::fromNativeSeparators(EditFile->text().trimmed());
}

QString TExportVideoDlg::DefaultFileName(const QString& simulation, const QString& caption) {
    QString name = simulation + QStringLiteral(" - ") + caption;
    for (QChar& c : name)
        if (c.unicode() < 32 || QStringLiteral("/\\:*?\"<>|").contains(c))
            c = QLatin1Char('_');
    return name + QStringLiteral(".mp4");
}

void TExportVideoDlg::BtnBrowseClick() {
    const QString chosen = QFileDialog::getSaveFileName(
        this, QStringLiteral("Export Video"), File(), QStringLiteral("MP4 video (*.mp4)"));
    if (!chosen.isEmpty())
        EditFile->setText(QDir::toNativeSeparators(chosen));
}
