#pragma once

#include "Childwin/ViewCamera.h"
#include "settings/Settings.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TUniverse;

/// How a view window is shown: as placed, minimised or maximised.
enum class TWindowState : std::int32_t { Normal = 0, Minimised = 1, Maximised = 2 };

/// One open view as a file keeps it. Geometry is in pixels of the main window's client area.
struct TViewRecord {
    std::string Caption;
    TViewCamera Camera;
    bool ShowLuminance = false;
    std::int32_t ShowAs = 0;
    std::int32_t Brightness = 0;
    std::int32_t Contrast = 1;
    std::int32_t PartSize = 1;
    bool UseLines = false;
    std::int32_t X = 0;
    std::int32_t Y = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    TWindowState WindowState = TWindowState::Normal;

    bool operator==(const TViewRecord& other) const {
        const TViewCamera& a = Camera;
        const TViewCamera& b = other.Camera;
        return Caption == other.Caption && a.OffsetX == b.OffsetX && a.OffsetY == b.OffsetY &&
               a.Dolly == b.Dolly && a.Azimuth == b.Azimuth && a.Elevation == b.Elevation &&
               a.ZoomX == b.ZoomX && a.ZoomY == b.ZoomY && ShowLuminance == other.ShowLuminance &&
               ShowAs == other.ShowAs && Brightness == other.Brightness &&
               Contrast == other.Contrast && PartSize == other.PartSize &&
               UseLines == other.UseLines && X == other.X && Y == other.Y && Width == other.Width &&
               Height == other.Height && WindowState == other.WindowState;
    }
};

/// The open views in the main window's order, and which of them is active (-1: none).
struct TViewsRecord {
    std::vector<TViewRecord> Views;
    std::int32_t ActiveView = -1;

    bool operator==(const TViewsRecord&) const = default;
};

/// Everything a simulation file holds but the recording.
struct TSimulationContents {
    std::unique_ptr<TUniverse> Universe;
    TSettings Settings;
    TViewsRecord Views;
    bool HasRecording = false;
};
