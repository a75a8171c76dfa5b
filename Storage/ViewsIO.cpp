#include "Storage/ViewsIO.h"

#include "Storage/H5Access.h"
#include "Storage/StorageError.h"
#include "settings/SettingsTable.h"

#include <array>
#include <cmath>
#include <string>

namespace ViewsIO {

namespace {

// The camera's zoom limit, as a drag enforces it.
constexpr double MaxZoom = 1000000;
// Window positions and sizes beyond this many pixels fit no screen.
constexpr std::int32_t MaxPixels = 100000;

struct TCameraField {
    const char* Name;
    double TViewCamera::*Field;
};
constexpr std::array<TCameraField, 7> CameraFields{{
    {"OffsetX", &TViewCamera::OffsetX},
    {"OffsetY", &TViewCamera::OffsetY},
    {"Dolly", &TViewCamera::Dolly},
    {"Azimuth", &TViewCamera::Azimuth},
    {"Elevation", &TViewCamera::Elevation},
    {"ZoomX", &TViewCamera::ZoomX},
    {"ZoomY", &TViewCamera::ZoomY},
}};

std::string ViewName(std::size_t index) {
    return "View" + std::to_string(index + 1);
}

void Require(bool condition, std::size_t index, const std::string& problem) {
    if (!condition)
        throw TStorageError(ViewName(index) + ": " + problem + ".");
}

bool InSlider(std::int32_t TSettings::*field, std::int32_t value) {
    const TSettingRow* row = SettingsTable::Find(field);
    return value >= row->Min && value <= row->Max;
}

} // namespace

void Write(hid_t group, const TViewsRecord& views) {
    using namespace H5Access;
    WriteInt(group, "Count", static_cast<std::int32_t>(views.Views.size()));
    WriteInt(group, "ActiveView", views.ActiveView);
    for (std::size_t i = 0; i < views.Views.size(); ++i) {
        const TViewRecord& view = views.Views[i];
        TH5Handle sub = CreateGroup(group, ViewName(i));
        WriteString(sub, "Caption", view.Caption);
        const TViewSettings& settings = view.Settings;
        for (const TCameraField& field : CameraFields)
            WriteDouble(sub, field.Name, settings.Camera.*field.Field);
        WriteInt(sub, "ShowLuminance", settings.ShowLuminance ? 1 : 0);
        WriteInt(sub, "ShowAs", settings.ShowAs);
        WriteInt(sub, "Brightness", settings.Brightness);
        WriteInt(sub, "Contrast", settings.Contrast);
        WriteInt(sub, "PartSize", settings.PartSize);
        WriteInt(sub, "UseLines", settings.UseLines ? 1 : 0);
        WriteInt(sub, "ShowGrid", settings.ShowGrid ? 1 : 0);
        WriteInt(sub, "Follow", settings.Follow ? 1 : 0);
        WriteInt(sub, "X", view.X);
        WriteInt(sub, "Y", view.Y);
        WriteInt(sub, "Width", view.Width);
        WriteInt(sub, "Height", view.Height);
        WriteInt(sub, "WindowState", static_cast<std::int32_t>(view.WindowState));
    }
}

TViewsRecord Read(hid_t group) {
    using namespace H5Access;
    TViewsRecord views;
    const std::int32_t count = ReadInt(group, "Count");
    if (count < 0 || count > MaxViews)
        throw TStorageError("The file lists " + std::to_string(count) +
                            " views; there can be 0 to " + std::to_string(MaxViews) + ".");
    views.ActiveView = ReadInt(group, "ActiveView");
    for (std::int32_t i = 0; i < count; ++i) {
        TH5Handle sub = OpenGroup(group, ViewName(static_cast<std::size_t>(i)));
        TViewRecord view;
        view.Caption = ReadString(sub, "Caption");
        TViewSettings& settings = view.Settings;
        for (const TCameraField& field : CameraFields)
            settings.Camera.*field.Field = ReadDouble(sub, field.Name);
        const std::int32_t luminance = ReadInt(sub, "ShowLuminance");
        const std::int32_t method = ReadInt(sub, "ShowAs");
        settings.Brightness = ReadInt(sub, "Brightness");
        settings.Contrast = ReadInt(sub, "Contrast");
        settings.PartSize = ReadInt(sub, "PartSize");
        const std::int32_t lines = ReadInt(sub, "UseLines");
        // Files written before views had a grid show none.
        const std::int32_t grid = H5Aexists(sub, "ShowGrid") > 0 ? ReadInt(sub, "ShowGrid") : 0;
        const std::int32_t follow = H5Aexists(sub, "Follow") > 0 ? ReadInt(sub, "Follow") : 0;
        view.X = ReadInt(sub, "X");
        view.Y = ReadInt(sub, "Y");
        view.Width = ReadInt(sub, "Width");
        view.Height = ReadInt(sub, "Height");
        const std::int32_t state = ReadInt(sub, "WindowState");
        const auto index = static_cast<std::size_t>(i);
        Require(luminance == 0 || luminance == 1, index, "ShowLuminance is neither 0 nor 1");
        Require(lines == 0 || lines == 1, index, "UseLines is neither 0 nor 1");
        Require(grid == 0 || grid == 1, index, "ShowGrid is neither 0 nor 1");
        Require(follow == 0 || follow == 1, index, "Follow is neither 0 nor 1");
        Require(method >= saMonocular && method <= saChromoStereo, index,
                "ShowAs is not 0, 1 or 2");
        Require(state >= 0 && state <= 2, index, "WindowState is not 0, 1 or 2");
        settings.ShowAs = static_cast<TShowAs>(method);
        settings.ShowLuminance = luminance != 0;
        settings.UseLines = lines != 0;
        settings.ShowGrid = grid != 0;
        settings.Follow = follow != 0;
        view.WindowState = static_cast<TWindowState>(state);
        views.Views.push_back(std::move(view));
    }
    Validate(views);
    return views;
}

void Validate(const TViewsRecord& views) {
    if (views.Views.size() > static_cast<std::size_t>(MaxViews))
        throw TStorageError("There are more than " + std::to_string(MaxViews) + " views.");
    if (views.ActiveView < -1 || views.ActiveView >= static_cast<std::int32_t>(views.Views.size()))
        throw TStorageError("The active view " + std::to_string(views.ActiveView) +
                            " does not exist.");
    for (std::size_t i = 0; i < views.Views.size(); ++i) {
        const TViewRecord& view = views.Views[i];
        const TViewSettings& settings = view.Settings;
        const TViewCamera& camera = settings.Camera;
        for (const TCameraField& field : CameraFields)
            Require(std::isfinite(camera.*field.Field), i,
                    std::string("the camera's ") + field.Name + " is not a finite number");
        Require(camera.ZoomX >= 0 && camera.ZoomX <= MaxZoom && camera.ZoomY >= 0 &&
                    camera.ZoomY <= MaxZoom,
                i, "the camera's zoom is outside 0 to 1,000,000");
        Require(settings.ShowAs <= saChromoStereo, i, "ShowAs is not 0, 1 or 2");
        Require(settings.Brightness >= -1000 && settings.Brightness <= 1000, i,
                "Brightness is outside -1000 to 1000");
        Require(InSlider(&TSettings::Contrast, settings.Contrast), i,
                "Contrast is outside its slider's range");
        Require(InSlider(&TSettings::PartSize, settings.PartSize), i,
                "PartSize is outside its slider's range");
        Require(std::abs(static_cast<std::int64_t>(view.X)) <= MaxPixels &&
                    std::abs(static_cast<std::int64_t>(view.Y)) <= MaxPixels && view.Width >= 0 &&
                    view.Width <= MaxPixels && view.Height >= 0 && view.Height <= MaxPixels,
                i, "its window lies outside any screen");
    }
}

} // namespace ViewsIO
