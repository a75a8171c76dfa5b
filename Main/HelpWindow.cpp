#include "Main/HelpWindow.h"

#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

THelpWindow::THelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Astrivo Help"));
    Browser = new QTextBrowser(this);
    Browser->setObjectName(QStringLiteral("HelpBrowser"));
    // Links between sections stay inside; a link out of the program opens the user's browser
    // rather than an empty page here.
    Browser->setOpenExternalLinks(true);
    Browser->setSource(QUrl(QString::fromLatin1(PageUrl)));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Browser);
    resize(640, 720);
}

void THelpWindow::ShowInFront() {
    show();
    raise();
    activateWindow();
}
