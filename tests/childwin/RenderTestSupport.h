#pragma once

#include "Childwin/FrameRender.h"
#include "Childwin/PixelFrame.h"
#include "universe/UniverseSnapshot.h"

#include <cstdint>
#include <vector>

// A universe of particles placed by hand, at rest, heat 0.2, not yet stepped, and the
// screen points a view keeps for it.
struct TPlacedUniverse {
    TUniverseSnapshot Universe;
    TDrawnPoints Screen;

    // One particle's fields as the tests reach them.
    struct TPlaced {
        double& Heat;
        std::int32_t& ScreenX;
        std::int32_t& ScreenY;
    };

    explicit TPlacedUniverse(std::int32_t count) {
        Universe.Space = 10;
        Universe.PairLast = -1;
        Universe.Particles.assign(static_cast<std::size_t>(count), {0, 0, 0, 0.2});
        // Left over from some earlier frame.
        Screen.assign(static_cast<std::size_t>(count), {12345, 12345});
    }
    TPlaced operator[](std::int32_t i) {
        const auto k = static_cast<std::size_t>(i);
        return {Universe.Particles[k].Heat, Screen[k].ScreenX, Screen[k].ScreenY};
    }
    void Place(std::int32_t i, double x, double y, double z) {
        TUniverseSnapshot::TPoint& p = Universe.Particles[static_cast<std::size_t>(i)];
        p.X = x;
        p.Y = y;
        p.Z = z;
    }
    void AddPair(std::int32_t upper, std::int32_t lower) {
        ++Universe.PairLast;
        Universe.Pairs.push_back({upper, lower, 0.1});
    }
};

// A black 32-bit picture in plain memory.
struct TBuffer {
    std::int32_t Width, Height;
    std::vector<std::uint32_t> Pixels;

    TBuffer(std::int32_t width, std::int32_t height)
        : Width(width), Height(height), Pixels(static_cast<std::size_t>(width * height), 0) {}
    TPixelFrame Frame() {
        TPixelFrame f;
        f.Bits = reinterpret_cast<std::uint8_t*>(Pixels.data());
        f.BytesPerLine = Width * 4;
        f.Width = Width;
        f.Height = Height;
        return f;
    }
    int Grey(std::int32_t x, std::int32_t y) const {
        return static_cast<int>(Pixels[static_cast<std::size_t>(y * Width + x)] >> 8 & 255);
    }
    int Lit() const {
        int n = 0;
        for (std::uint32_t p : Pixels)
            n += p != 0;
        return n;
    }
};

// Camera at azimuth and elevation 0: a particle at (x, y, z) has view X = -x, Y = y and
// depth -z - dolly.
inline TFrameSettings PlainSettings(std::int32_t width, std::int32_t height, double zoom,
                                    double dolly) {
    TFrameSettings s;
    s.Camera.ZoomX = s.Camera.ZoomY = zoom;
    s.Camera.Dolly = dolly;
    s.CentreX = width / 2;
    s.CentreY = height / 2;
    s.ClientWidth = width;
    s.ClientHeight = height;
    s.Dots = {10, 128};
    return s;
}
