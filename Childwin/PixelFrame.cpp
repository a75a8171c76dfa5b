#include "Childwin/PixelFrame.h"

#include <algorithm>

void TPixelFrame::Clear() const {
    for (std::int32_t y = 0; y < Height; ++y)
        std::fill_n(Row(y), Width, TopByte);
}
