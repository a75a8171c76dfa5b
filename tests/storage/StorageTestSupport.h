#pragma once

#include "Storage/Recording.h"
#include "Storage/SimulationFile.h"
#include "Storage/SimulationRecord.h"
#include "settings/SettingsTable.h"
#include "universe/SettingsFormulas.h"
#include "universe/Universe.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

// A private folder per test, removed afterwards.
class TTempFolder {
public:
    TTempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "astrivo-storage-XXXXXX").string();
        Path = ::mkdtemp(pattern.data());
    }
    ~TTempFolder() {
        std::error_code ignored;
        std::filesystem::permissions(Path, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(Path, ignored);
    }
    std::string File(const std::string& name) const { return (Path / name).string(); }
    std::filesystem::path Path;
};

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A small seeded collision with thermodynamics on: every stage of the step has work to do.
inline TUniverseSettings SmallSettings(std::int32_t number = 30) {
    TUniverseSettings settings;
    settings.Number = number;
    settings.MatrixResolution = 20;
    settings.LocalitySize = 3;
    settings.RedoFrequency = 4;
    settings.MaxSeparation = 30;
    return settings;
}

inline std::unique_ptr<TUniverse> BuildSmall(std::int32_t number = 30, std::uint64_t seed = 7) {
    auto universe = std::make_unique<TUniverse>();
    EXPECT_TRUE(SettingsFormulas::BuildUniverse(*universe, SmallSettings(number), seed));
    return universe;
}

// The properties window's settings matching SmallSettings. Formation stays 0: a file does
// not keep it, so a loaded copy compares equal.
inline TSettings SettingsFor(const TUniverseSettings& s) {
    TSettings settings;
    settings.Number = s.Number;
    settings.Mass = s.Mass;
    settings.Globular = s.Globular;
    settings.Separation = s.Separation;
    settings.Space = s.Space;
    settings.Velocity = s.Velocity;
    settings.Distribution = s.Distribution;
    settings.RedoFrequency = s.RedoFrequency;
    settings.MatrixResolution = s.MatrixResolution;
    settings.LocalitySize = s.LocalitySize;
    settings.Pressure = s.Pressure;
    settings.FrictionEffect = s.Friction;
    settings.Radiation = s.Radiation;
    settings.OpeningAngle = SettingsTable::Defaults().OpeningAngle; // the universe's start θ
    settings.PartSize = 50;
    settings.Contrast = 200;
    settings.MaxSeparation = s.MaxSeparation;
    settings.UseThermoCalc = s.UseThermodynamics;
    settings.ShowLuminance = true;
    settings.UseLines = true;
    settings.AutoApply = false;
    settings.StartFormation = s.Formation;
    return settings;
}

inline TViewsRecord TwoViews() {
    TViewsRecord views;
    TViewRecord first;
    first.Caption = "View 1";
    // Every setting away from its default, so that one a file drops shows.
    first.Settings.Camera = TViewCamera{1.5, -2.25, -30, 0.5, -0.25, 42, 43};
    first.Settings.ShowLuminance = true;
    first.Settings.Brightness = -7;
    first.Settings.Contrast = 300;
    first.Settings.PartSize = 12;
    first.Settings.UseLines = true;
    first.Settings.ShowGrid = true;
    first.Settings.Follow = true;
    first.X = 10;
    first.Y = 20;
    first.Width = 400;
    first.Height = 300;
    TViewRecord second = first;
    second.Caption = "Vue 2 \xc3\xa9"; // UTF-8 survives
    second.Settings.ShowAs = saChromoStereo;
    second.WindowState = TWindowState::Maximised;
    views.Views = {first, second};
    views.ActiveView = 1;
    return views;
}

// Every field of the state, compared bit for bit (doubles by their bytes, so -0 and NaN
// payloads count too).
inline void ExpectSameState(const TUniverse& a, const TUniverse& b) {
    ASSERT_EQ(a.LastIndex, b.LastIndex);
    EXPECT_EQ(a.IterationCount, b.IterationCount);
    EXPECT_EQ(a.RedoCountdown, b.RedoCountdown);
    EXPECT_EQ(a.PairLast, b.PairLast);
    EXPECT_EQ(std::memcmp(&a.Optimisation, &b.Optimisation, sizeof(float)), 0);
    for (std::int32_t i = 0; i <= a.LastIndex; ++i) {
        const TParticle& p = a.Particles[i];
        const TParticle& q = b.Particles[i];
        EXPECT_EQ(std::memcmp(&p, &q, offsetof(TParticle, CellX)), 0) << "particle " << i;
        EXPECT_EQ(p.CellX, q.CellX);
        EXPECT_EQ(p.CellY, q.CellY);
        EXPECT_EQ(p.CellZ, q.CellZ);
    }
    for (std::int32_t k = 0; k <= a.PairLast; ++k) {
        EXPECT_EQ(a.Pairs[k].Upper, b.Pairs[k].Upper);
        EXPECT_EQ(a.Pairs[k].Lower, b.Pairs[k].Lower);
        EXPECT_EQ(std::memcmp(&a.Pairs[k].Distance, &b.Pairs[k].Distance, sizeof(double)), 0);
    }
}

// A simulation saved with a recording of frames frames, a keyframe every keyframeInterval:
// enough frames and keyframes that every kind of index and heap HDF5 writes is in the file.
// The recording is made in scratch, which stays. Returns the saved universe.
inline std::unique_ptr<TUniverse> SaveWithRecording(const std::string& path,
                                                    const std::string& scratch, int frames,
                                                    std::int32_t keyframeInterval) {
    std::unique_ptr<TUniverse> universe = BuildSmall();
    std::unique_ptr<TRecording> recording;
    TRecorderOptions options;
    options.KeyframeInterval = keyframeInterval;
    EXPECT_TRUE(TRecording::Create(scratch, universe->LastIndex + 1, options, recording).Ok);
    EXPECT_TRUE(recording->Begin(*universe).Ok);
    for (int f = 1; f < frames; ++f) {
        universe->Step(0, universe->LastIndex);
        EXPECT_TRUE(recording->StepTaken(*universe).Ok);
    }
    EXPECT_TRUE(SimulationFile::Save(path, *universe, SettingsFor(SmallSettings()), TwoViews(),
                                     recording.get())
                    .Ok);
    return universe;
}
