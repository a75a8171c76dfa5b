#pragma once

#include <QDialog>

class QPushButton;

/// The about box: program icon, name and version. Shown without being modal; closing only
/// hides it, so Help > About shows the same box again. Escape closes it when released,
/// wherever the focus is inside the box.
class TAboutBox : public QDialog {
    Q_OBJECT

public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QPushButton* OKButton = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void OKButtonClick();
    /// Returns true when it closed the box.
    bool FormKeyUp(int key);
};
