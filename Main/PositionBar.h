#pragma once

#include <QWidget>

class QLabel;
class QSlider;

/// The recorder's position bar: a slider over the frames and the text "frame n of m,
/// iteration i". Moving the slider (mouse, arrow keys) asks for a frame; setting the
/// position from code does not.
class TPositionBar : public QWidget {
    Q_OBJECT

public:
    explicit TPositionBar(QWidget* parent = nullptr);

    /// Shows frame index (0-based) of count, taken at iteration.
    void ShowFrame(int index, int count, int iteration);
    int Frame() const;
    int FrameCount() const { return Count; }

    QSlider* Slider = nullptr;
    QLabel* Label = nullptr;

signals:
    void FrameChosen(int index);

private:
    int Count = 0;
    bool Setting = false;
};
