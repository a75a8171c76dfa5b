#include "Main/ExportFramesDlg.h"

#include "Main/FrameRangeSpins.h"
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

TExportFramesDlg::TExportFramesDlg(const TFrameRange& offered, int frameCount,
                                   const QString& folder, QWidget* parent)
    : QDialog(parent), FrameCount(frameCount) {
    setObjectName(QStringLiteral("ExportFramesDlg"));
    setWindowTitle(QStringLiteral("Export Frames"));
    const TFrameRangeSpins spins = MakeFrameRangeSpins(offered, frameCount, this);
    SpinFirst = spins.First;
    SpinLast = spins.Last;
    connect(SpinFirst, &QSpinBox::valueChanged, this, &TExportFramesDlg::ShowState);
    connect(SpinLast, &QSpinBox::valueChanged, this, &TExportFramesDlg::ShowState);

    EditFolder = new QLineEdit(QDir::toNativeSeparators(folder), this);
    EditFolder->setObjectName(QStringLiteral("EditFolder"));
    EditFolder->setMinimumWidth(260);
    BtnBrowse = new QPushButton(QStringLiteral("&Browse..."), this);
    BtnBrowse->setObjectName(QStringLiteral("BtnBrowse"));
    connect(BtnBrowse, &QPushButton::clicked, this, &TExportFramesDlg::BtnBrowseClick);
    connect(EditFolder, &QLineEdit::textChanged, this, &TExportFramesDlg::ShowState);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(EditFolder, 1);
    folderRow->addWidget(BtnBrowse);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&First frame:"), SpinFirst);
    form->addRow(QStringLiteral("&Last frame:"), SpinLast);
    // A row whose field is a layout gets no buddy from addRow: the label is made here.
    auto* folderLabel = new QLabel(QStringLiteral("F&older:"), this);
    folderLabel->setBuddy(EditFolder);
    form->addRow(folderLabel, folderRow);
    LabelNames = new QLabel(this);
    LabelNames->setObjectName(QStringLiteral("LabelNames"));
    LabelNames->setWordWrap(true);

    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    Buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Export"));
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(LabelNames);
    layout->addWidget(Buttons);
    ShowState();
}

TFrameRange TExportFramesDlg::Range() const {
    return TFrameRange{SpinFirst->value(), SpinLast->value()}.Clamped(FrameCount);
}

QString TExportFramesDlg::Folder() const {
    return QDir::fromNativeSeparators(EditFolder->text().trimmed());
}

void TExportFramesDlg::BtnBrowseClick() {
    const QString chosen = QFileDialog::getExistingDirectory(
        this, QStringLiteral("Export Frames To Folder"), Folder());
    if (!chosen.isEmpty())
        EditFolder->setText(QDir::toNativeSeparators(chosen));
}

void TExportFramesDlg::ShowState() {
    const TFrameRange range = Range();
    const QString first = QString::fromStdString(FrameRange::FileName(range.First, FrameCount));
    const QString last = QString::fromStdString(FrameRange::FileName(range.Last, FrameCount));
    LabelNames->setText(range.Count() == 1
                            ? QStringLiteral("One picture of the active view: %1.").arg(first)
                            : QStringLiteral("%1 pictures of the active view: %2 to %3.")
                                  .arg(range.Count())
                                  .arg(first, last));
    Buttons->button(QDialogButtonBox::Ok)->setEnabled(range.Count() > 0 && !Folder().isEmpty());
}
