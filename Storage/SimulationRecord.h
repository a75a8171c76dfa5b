#pragma once

#include "Childwin/ViewSettings.h"
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
    TViewSettings Settings;
    std::int32_t X = 0;
    std::int32_t Y = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    TWindowState WindowState = TWindowState::Normal;

    bool operator==(const TViewRecord&) const = default;
};

/// The open views in the main window's order, and which of them is active (-1: none).
struct TViewsRecord {
    std::vector<TViewRecord> Views;
    std::int32_t ActiveView = -1;

    bool operator==(const TViewsRecord&) const = default;
};

/// The window's part of a simulation file: the settings and the views as they are now.
struct TWindowRecord {
    TSettings Settings;
    TViewsRecord Views;
};

/// Everything a simulation file holds but the recording.
struct TSimulationContents {
    std::unique_ptr<TUniverse> Universe;
    TSettings Settings;
    TViewsRecord Views;
    bool HasRecording = false;
};
