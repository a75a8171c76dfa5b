#pragma once

#include <QIcon>
#include <QObject>

#include <array>

/// The main window's seven tool-bar images, drawn by code on a 16 x 16 grid:
/// 0 blank page, 1 open folder, 2 floppy disk, 3 play triangle, 4 pause bars,
/// 5 form sheet, 6 framed picture.
class TImageList : public QObject {
    Q_OBJECT

public:
    static constexpr int Count = 7;
    static constexpr int Size = 16;

    explicit TImageList(QObject* parent = nullptr);

    /// The image at index; a null icon outside 0..Count - 1.
    QIcon Icon(int index) const;

private:
    std::array<QIcon, Count> Icons;
};

/// The program's own icon: a spiral galaxy of soft grey dots on a night-blue tile.
namespace ProgramIcon {
QIcon Icon();
QImage Render(int size);
} // namespace ProgramIcon
