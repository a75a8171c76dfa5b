#include "Main/PositionBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>

TPositionBar::TPositionBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PositionBar"));
    Slider = new QSlider(Qt::Horizontal, this);
    Slider->setObjectName(QStringLiteral("PositionSlider"));
    Slider->setRange(0, 0);
    Slider->setSingleStep(1);
    Slider->setToolTip(QStringLiteral("Recording position"));
    Slider->setStatusTip(QStringLiteral("Drag to move through the recording; the arrow keys "
                                        "step one frame"));
    Label = new QLabel(this);
    Label->setObjectName(QStringLiteral("PositionLabel"));
    Label->setMinimumWidth(Label->fontMetrics().horizontalAdvance(
        QStringLiteral("frame 000000 of 000000, iteration 0000000000")));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->addWidget(Slider, 1);
    layout->addWidget(Label);
    connect(Slider, &QSlider::valueChanged, this, [this](int value) {
        if (!Setting)
            emit FrameChosen(value);
    });
}

void TPositionBar::ShowFrame(int index, int count, int iteration) {
    Count = count;
    Setting = true;
    Slider->setRange(0, count > 0 ? count - 1 : 0);
    Slider->setValue(index);
    Setting = false;
    Label->setText(count > 0 ? QStringLiteral("frame %1 of %2, iteration %3")
                                   .arg(index + 1)
                                   .arg(count)
                                   .arg(iteration)
                             : QStringLiteral("no frames"));
}

int TPositionBar::Frame() const {
    return Slider->value();
}
