#include "Storage/Handover.h"

#include "Storage/SettingsSchema.h"
#include "Storage/StorageError.h"
#include "Storage/UniverseIO.h"
#include "Storage/ViewsIO.h"
#include "settings/SettingsTable.h"
#include "universe/Universe.h"

#include <array>
#include <cstdint>
#include <string>

namespace Handover {

namespace {

using Isolated::TReceiver;
using Isolated::TSender;

// Marks the start of a hand-over, so that bytes from anything else are refused at once.
constexpr std::uint32_t Magic = 0x41535632; // "ASV2"
constexpr std::uint32_t MaxCaption = 4096;

[[noreturn]] void Refuse(const std::string& what) {
    throw TStorageError("Its reading handed over a damaged state (" + what + ").");
}

std::int32_t Flag(TReceiver& receiver, const char* name) {
    const auto value = receiver.Get<std::int32_t>();
    if (value != 0 && value != 1)
        Refuse(std::string(name) + " is neither 0 nor 1");
    return value;
}

// The scalars as UniverseIO keeps them; their ranges are checked with the whole state.
void SendScalars(TSender& s, const TUniverse& u) {
    for (const std::int32_t value :
         {u.LastIndex + 1, u.PairLast, u.RedoCountdown, u.UseThermodynamics ? 1 : 0, u.Formation,
          u.LocalitySize, u.RedoFrequency, u.MatrixResolution, u.IterationCount, u.MaxSeparation,
          static_cast<std::int32_t>(u.GravityMethod)})
        s.Put(value);
    for (const double value : {u.Distribution, u.Space, u.Velocity, u.Mass, u.Globular, u.Friction,
                               u.Pressure, u.Separation, u.Radiation, u.OpeningAngle})
        s.Put(value);
    s.Put(u.Optimisation);
}

std::unique_ptr<TUniverse> ReceiveUniverse(TReceiver& r, bool steppable) {
    const auto count = r.Get<std::int32_t>();
    if (count < 1 || count > UniverseIO::MaxParticles())
        Refuse("a particle count of " + std::to_string(count));
    const auto pairLast = r.Get<std::int32_t>();
    if (pairLast < -1 || pairLast >= TUniverse::MaxPairs)
        Refuse("a close-pair count of " + std::to_string(pairLast + 1));
    auto u = std::make_unique<TUniverse>();
    if (!(steppable ? u->Allocate(count) : u->AllocateState(count)))
        throw TStorageError("There is not enough memory for a universe of " +
                            std::to_string(count) + " particles.");
    u->PairLast = pairLast;
    u->RedoCountdown = r.Get<std::int32_t>();
    u->UseThermodynamics = Flag(r, "UseThermodynamics") != 0;
    u->Formation = r.Get<std::int32_t>();
    u->SetLocalitySize(r.Get<std::int32_t>());
    u->SetRedoFrequency(r.Get<std::int32_t>());
    u->SetMatrixResolution(r.Get<std::int32_t>());
    u->SetIterationCount(r.Get<std::int32_t>());
    u->SetMaxSeparation(r.Get<std::int32_t>());
    const auto method = r.Get<std::int32_t>();
    if (method != gmPairs && method != gmTree)
        Refuse("a gravity method of " + std::to_string(method));
    u->SetGravityMethod(static_cast<TGravityMethod>(method));
    for (double* field : {&u->Distribution, &u->Space, &u->Velocity, &u->Mass, &u->Globular,
                          &u->Friction, &u->Pressure, &u->Separation, &u->Radiation})
        *field = r.Get<double>();
    u->SetOpeningAngle(r.Get<double>());
    u->Optimisation = r.Get<float>();
    // Every bit pattern is a particle or a close pair; Validate then finds the ones no file
    // may hold.
    r.Read(u->Particles, sizeof(TParticle) * static_cast<std::size_t>(count));
    r.Read(u->Pairs.data(), sizeof(TPairEntry) * static_cast<std::size_t>(pairLast + 1));
    return u;
}

void SendString(TSender& s, const std::string& text) {
    s.Put(static_cast<std::uint32_t>(text.size()));
    s.Write(text.data(), text.size());
}

std::string ReceiveString(TReceiver& r) {
    const auto size = r.Get<std::uint32_t>();
    if (size > MaxCaption)
        Refuse("a caption of " + std::to_string(size) + " bytes");
    std::string text(size, '\0');
    r.Read(text.data(), size);
    return text;
}

void SendViews(TSender& s, const TViewsRecord& views) {
    s.Put(static_cast<std::int32_t>(views.Views.size()));
    s.Put(views.ActiveView);
    for (const TViewRecord& view : views.Views) {
        SendString(s, view.Caption);
        const TViewSettings& v = view.Settings;
        for (const double value :
             {v.Camera.OffsetX, v.Camera.OffsetY, v.Camera.Dolly, v.Camera.Azimuth,
              v.Camera.Elevation, v.Camera.ZoomX, v.Camera.ZoomY})
            s.Put(value);
        for (const std::int32_t value :
             {static_cast<std::int32_t>(v.ShowAs), v.Contrast, v.Brightness, v.PartSize,
              v.ShowLuminance ? 1 : 0, v.UseLines ? 1 : 0, v.ShowGrid ? 1 : 0, v.Follow ? 1 : 0,
              view.X, view.Y, view.Width, view.Height, static_cast<std::int32_t>(view.WindowState)})
            s.Put(value);
    }
}

TViewsRecord ReceiveViews(TReceiver& r) {
    TViewsRecord views;
    const auto count = r.Get<std::int32_t>();
    if (count < 0 || count > ViewsIO::MaxViews)
        Refuse(std::to_string(count) + " views");
    views.ActiveView = r.Get<std::int32_t>();
    for (std::int32_t i = 0; i < count; ++i) {
        TViewRecord view;
        view.Caption = ReceiveString(r);
        TViewSettings& v = view.Settings;
        for (double* field :
             {&v.Camera.OffsetX, &v.Camera.OffsetY, &v.Camera.Dolly, &v.Camera.Azimuth,
              &v.Camera.Elevation, &v.Camera.ZoomX, &v.Camera.ZoomY})
            *field = r.Get<double>();
        const auto showAs = r.Get<std::int32_t>();
        if (showAs < saMonocular || showAs > saChromoStereo)
            Refuse("a view shown as " + std::to_string(showAs));
        v.ShowAs = static_cast<TShowAs>(showAs);
        v.Contrast = r.Get<std::int32_t>();
        v.Brightness = r.Get<std::int32_t>();
        v.PartSize = r.Get<std::int32_t>();
        v.ShowLuminance = Flag(r, "ShowLuminance") != 0;
        v.UseLines = Flag(r, "UseLines") != 0;
        v.ShowGrid = Flag(r, "ShowGrid") != 0;
        v.Follow = Flag(r, "Follow") != 0;
        view.X = r.Get<std::int32_t>();
        view.Y = r.Get<std::int32_t>();
        view.Width = r.Get<std::int32_t>();
        view.Height = r.Get<std::int32_t>();
        const auto state = r.Get<std::int32_t>();
        if (state < 0 || state > 2)
            Refuse("a window state of " + std::to_string(state));
        view.WindowState = static_cast<TWindowState>(state);
        views.Views.push_back(std::move(view));
    }
    return views;
}

} // namespace

void Send(TSender& s, const TSimulationContents& contents) {
    s.Put(Magic);
    const TUniverse& u = *contents.Universe;
    SendScalars(s, u);
    s.Write(u.Particles, sizeof(TParticle) * static_cast<std::size_t>(u.LastIndex + 1));
    s.Write(u.Pairs.data(), sizeof(TPairEntry) * static_cast<std::size_t>(u.PairLast + 1));
    for (const TSettingRow& row : SettingsTable::All())
        if (row.Kept)
            s.Put(SettingsTable::Value(contents.Settings, row));
    SendViews(s, contents.Views);
    s.Put(static_cast<std::int32_t>(contents.HasRecording ? 1 : 0));
}

void Receive(TReceiver& r, TSimulationContents& contents, bool steppable) {
    if (r.Get<std::uint32_t>() != Magic)
        Refuse("it does not start as one");
    TSimulationContents received;
    received.Universe = ReceiveUniverse(r, steppable);
    for (const TSettingRow& row : SettingsTable::All()) {
        if (!row.Kept)
            continue;
        const auto value = r.Get<std::int32_t>();
        // Checked before it is stored: a check box must hold 0 or 1.
        if (value < row.Min || value > row.Max)
            Refuse("the setting " + std::string(row.Property) + " is " + std::to_string(value));
        SettingsTable::SetValue(received.Settings, row, value);
    }
    received.Views = ReceiveViews(r);
    received.HasRecording = Flag(r, "HasRecording") != 0;
    UniverseIO::Validate(*received.Universe);
    SettingsSchema::Validate(received.Settings);
    ViewsIO::Validate(received.Views);
    contents = std::move(received);
}

} // namespace Handover
