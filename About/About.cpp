#include "About/About.h"

#include <QApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {
constexpr int ClientWidth = 298;
constexpr int ClientHeight = 179;
constexpr int IconSize = 64;
} // namespace

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(ClientWidth, ClientHeight);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(10, 10, 10, 10);
    row->setSpacing(14);

    auto* programIcon = new QLabel(panel);
    programIcon->setObjectName(QStringLiteral("ProgramIcon"));
    programIcon->setFixedSize(IconSize, IconSize);
    programIcon->setScaledContents(true);
    programIcon->setPixmap(QApplication::windowIcon().pixmap(IconSize, IconSize));
    row->addWidget(programIcon, 0, Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    auto* productName = new QLabel(QStringLiteral("Astrivo"), panel);
    productName->setObjectName(QStringLiteral("ProductName"));
    QFont large(QStringLiteral("Tahoma"));
    large.setPixelSize(29);
    large.setBold(true);
    productName->setFont(large);
    auto* version = new QLabel(QStringLiteral("Version 2.00b, Build 001"), panel);
    version->setObjectName(QStringLiteral("Version"));
    texts->addWidget(productName);
    texts->addWidget(version);
    texts->addStretch(1);
    row->addLayout(texts, 1);
    column->addWidget(panel, 1);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    column->addWidget(OKButton, 0, Qt::AlignHCenter);
    connect(OKButton, &QPushButton::clicked, this, &TAboutBox::OKButtonClick);

    // The box sees every key before its controls do.
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(ClientWidth / 2, ClientHeight / 2));
}

void TAboutBox::OKButtonClick() {
    hide();
}

bool TAboutBox::FormKeyUp(int key) {
    if (key != Qt::Key_Escape)
        return false;
    hide();
    return true;
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (!key->isAutoRepeat() && FormKeyUp(key->key()))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutBox::keyPressEvent(QKeyEvent* event) {
    // Escape acts on its release, not here.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TAboutBox::keyReleaseEvent(QKeyEvent* event) {
    if (!event->isAutoRepeat() && FormKeyUp(event->key()))
        return;
    QDialog::keyReleaseEvent(event);
}
