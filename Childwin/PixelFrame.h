#pragma once

#include <cstddef>
#include <cstdint>

/// A 32-bit picture addressed row by row: blue, green and red bytes from the lowest byte up,
/// then a top byte. The grey levels drawn here are read back from the green byte.
struct TPixelFrame {
    std::uint8_t* Bits = nullptr;    // first byte of row 0
    std::ptrdiff_t BytesPerLine = 0; // distance from one row to the next
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    /// The top byte every written pixel gets: 0 for a plain buffer; a platform image that
    /// requires opaque pixels sets 0xFF000000.
    std::uint32_t TopByte = 0;

    std::uint32_t* Row(std::int32_t y) const {
        return reinterpret_cast<std::uint32_t*>(Bits + y * BytesPerLine);
    }
    static std::uint32_t Grey(std::uint32_t level) { return level * 65793u; }
    static std::uint32_t GreyOf(std::uint32_t pixel) { return (pixel >> 8) & 0xFFu; }

    /// Black everywhere.
    void Clear() const;
};
