#pragma once

#include <QWidget>

class QTextBrowser;

/// The program's own help: one page of HTML shipped inside the program, so that it needs no
/// help viewer and no files beside the executable. A separate window, so that it can stay
/// open beside the views it explains.
class THelpWindow : public QWidget {
    Q_OBJECT

public:
    /// Where the page lies among the program's resources.
    static constexpr const char* PageUrl = "qrc:/help/astrivo-help.html";

    explicit THelpWindow(QWidget* parent = nullptr);

    /// Shows the window in front of the others, where the user last left it.
    void ShowInFront();

    QTextBrowser* Browser = nullptr;
};
