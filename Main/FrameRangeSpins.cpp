#include "Main/FrameRangeSpins.h"

#include <QSpinBox>

#include <algorithm>

TFrameRangeSpins MakeFrameRangeSpins(const TFrameRange& offered, int frameCount, QWidget* parent) {
    const TFrameRange range = offered.Clamped(frameCount);
    const int last = std::max(frameCount, 1);
    TFrameRangeSpins spins;
    spins.First = new QSpinBox(parent);
    spins.First->setObjectName(QStringLiteral("SpinFirst"));
    spins.First->setRange(1, last);
    spins.First->setValue(range.First);
    spins.Last = new QSpinBox(parent);
    spins.Last->setObjectName(QStringLiteral("SpinLast"));
    spins.Last->setRange(1, last);
    spins.Last->setValue(range.Last);
    spins.Last->setSuffix(QStringLiteral(" of %1").arg(frameCount));
    QObject::connect(spins.First, &QSpinBox::valueChanged, spins.Last,
                     [last = spins.Last](int value) {
                         if (last->value() < value)
                             last->setValue(value);
                     });
    QObject::connect(spins.Last, &QSpinBox::valueChanged, spins.First,
                     [first = spins.First](int value) {
                         if (first->value() > value)
                             first->setValue(value);
                     });
    return spins;
}
