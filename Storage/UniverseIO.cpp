#include "Storage/UniverseIO.h"

#include "Storage/H5Access.h"
#include "Storage/StorageError.h"
#include "settings/SettingsTable.h"
#include "universe/SettingsFormulas.h"
#include "universe/Universe.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

namespace UniverseIO {

namespace {

using H5Access::Check;

// A particle's vector fields, each written as an N x 3 dataset.
struct TVectorField {
    const char* Name;
    double TParticle::*X;
    double TParticle::*Y;
    double TParticle::*Z;
};
constexpr std::array<TVectorField, 4> VectorFields{{
    {"Position", &TParticle::X, &TParticle::Y, &TParticle::Z},
    {"Velocity", &TParticle::VX, &TParticle::VY, &TParticle::VZ},
    {"Acceleration", &TParticle::AX, &TParticle::AY, &TParticle::AZ},
    {"Friction", &TParticle::FrictionX, &TParticle::FrictionY, &TParticle::FrictionZ},
}};

void RequireRange(const char* name, std::int64_t value, std::int64_t min, std::int64_t max) {
    if (value < min || value > max)
        throw TStorageError("The universe's " + std::string(name) + " is " + std::to_string(value) +
                            ", outside its range " + std::to_string(min) + " to " +
                            std::to_string(max) + ".");
}

std::int32_t SettingMax(std::int32_t TSettings::*field) {
    return SettingsTable::Find(field)->Max;
}

void RequireFinite(const char* name, double value) {
    if (!std::isfinite(value))
        throw TStorageError("The universe's " + std::string(name) + " is not a finite number.");
}

void WriteScalars(hid_t group, const TUniverse& u) {
    using namespace H5Access;
    WriteInt(group, "ParticleCount", u.LastIndex + 1);
    WriteInt(group, "RedoCountdown", u.RedoCountdown);
    WriteInt(group, "PairLast", u.PairLast);
    WriteInt(group, "UseThermodynamics", u.UseThermodynamics ? 1 : 0);
    WriteInt(group, "Formation", u.Formation);
    WriteDouble(group, "Distribution", u.Distribution);
    WriteDouble(group, "Space", u.Space);
    WriteDouble(group, "Velocity", u.Velocity);
    WriteDouble(group, "Mass", u.Mass);
    WriteDouble(group, "Globular", u.Globular);
    WriteDouble(group, "Friction", u.Friction);
    WriteDouble(group, "Pressure", u.Pressure);
    WriteDouble(group, "Separation", u.Separation);
    WriteDouble(group, "Radiation", u.Radiation);
    WriteFloat(group, "Optimisation", u.Optimisation);
    WriteInt(group, "LocalitySize", u.LocalitySize);
    WriteInt(group, "RedoFrequency", u.RedoFrequency);
    WriteInt(group, "MatrixResolution", u.MatrixResolution);
    WriteInt(group, "IterationCount", u.IterationCount);
    WriteInt(group, "MaxSeparation", u.MaxSeparation);
    WriteInt(group, "GravityMethod", static_cast<std::int32_t>(u.GravityMethod));
    WriteDouble(group, "OpeningAngle", u.OpeningAngle);
}

void ReadScalars(hid_t group, TUniverse& u) {
    using namespace H5Access;
    u.RedoCountdown = ReadInt(group, "RedoCountdown");
    u.PairLast = ReadInt(group, "PairLast");
    const std::int32_t thermodynamics = ReadInt(group, "UseThermodynamics");
    RequireRange("UseThermodynamics", thermodynamics, 0, 1);
    u.UseThermodynamics = thermodynamics != 0;
    u.Formation = ReadInt(group, "Formation");
    u.Distribution = ReadDouble(group, "Distribution");
    u.Space = ReadDouble(group, "Space");
    u.Velocity = ReadDouble(group, "Velocity");
    u.Mass = ReadDouble(group, "Mass");
    u.Globular = ReadDouble(group, "Globular");
    u.Friction = ReadDouble(group, "Friction");
    u.Pressure = ReadDouble(group, "Pressure");
    u.Separation = ReadDouble(group, "Separation");
    u.Radiation = ReadDouble(group, "Radiation");
    u.Optimisation = ReadFloat(group, "Optimisation");
    u.SetLocalitySize(ReadInt(group, "LocalitySize"));
    u.SetRedoFrequency(ReadInt(group, "RedoFrequency"));
    u.SetMatrixResolution(ReadInt(group, "MatrixResolution"));
    u.SetIterationCount(ReadInt(group, "IterationCount"));
    u.SetMaxSeparation(ReadInt(group, "MaxSeparation"));
    // Files from before the tree step was offered lack both: they ran on pairs.
    u.SetGravityMethod(gmPairs);
    u.SetOpeningAngle(TUniverse::DefaultOpeningAngle);
    if (H5Aexists(group, "GravityMethod") > 0) {
        const std::int32_t method = ReadInt(group, "GravityMethod");
        RequireRange("GravityMethod", method, gmPairs, gmTree);
        u.SetGravityMethod(static_cast<TGravityMethod>(method));
    }
    if (H5Aexists(group, "OpeningAngle") > 0)
        u.SetOpeningAngle(ReadDouble(group, "OpeningAngle"));
}

} // namespace

std::int32_t MaxParticles() {
    return SettingsFormulas::ParticleCount(SettingMax(&TSettings::Number));
}

void Write(hid_t group, const TUniverse& u) {
    const std::size_t count = static_cast<std::size_t>(u.LastIndex + 1);
    WriteScalars(group, u);

    const std::array<hsize_t, 1> scalarDims{count};
    const std::array<hsize_t, 2> vectorDims{count, 3};
    std::vector<double> values(count * 3);
    for (std::size_t i = 0; i < count; ++i)
        values[i] = u.Particles[i].Heat;
    H5Access::WriteArray(group, "Heat", H5T_NATIVE_DOUBLE, scalarDims, values.data());
    for (const TVectorField& field : VectorFields) {
        for (std::size_t i = 0; i < count; ++i) {
            const TParticle& p = u.Particles[i];
            values[3 * i] = p.*field.X;
            values[3 * i + 1] = p.*field.Y;
            values[3 * i + 2] = p.*field.Z;
        }
        H5Access::WriteArray(group, field.Name, H5T_NATIVE_DOUBLE, vectorDims, values.data());
    }

    std::vector<std::int32_t> cells(count * 3);
    for (std::size_t i = 0; i < count; ++i) {
        cells[3 * i] = u.Particles[i].CellX;
        cells[3 * i + 1] = u.Particles[i].CellY;
        cells[3 * i + 2] = u.Particles[i].CellZ;
    }
    H5Access::WriteArray(group, "Cell", H5T_NATIVE_INT32, vectorDims, cells.data());

    const std::size_t pairs = static_cast<std::size_t>(std::max(u.PairLast + 1, 0));
    std::vector<std::int32_t> indices(pairs * 2);
    std::vector<double> distances(pairs);
    for (std::size_t k = 0; k < pairs; ++k) {
        indices[2 * k] = u.Pairs[k].Upper;
        indices[2 * k + 1] = u.Pairs[k].Lower;
        distances[k] = u.Pairs[k].Distance;
    }
    const std::array<hsize_t, 2> pairDims{pairs, 2};
    const std::array<hsize_t, 1> distanceDims{pairs};
    H5Access::WriteArray(group, "PairIndex", H5T_NATIVE_INT32, pairDims, indices.data());
    H5Access::WriteArray(group, "PairDistance", H5T_NATIVE_DOUBLE, distanceDims, distances.data());
}

std::unique_ptr<TUniverse> Read(hid_t group, bool steppable) {
    const std::int32_t count = H5Access::ReadInt(group, "ParticleCount");
    RequireRange("ParticleCount", count, 1, MaxParticles());
    auto u = std::make_unique<TUniverse>();
    if (!(steppable ? u->Allocate(count) : u->AllocateState(count)))
        throw TStorageError("There is not enough memory for a universe of " +
                            std::to_string(count) + " particles.");
    ReadScalars(group, *u);
    RequireRange("PairLast", u->PairLast, -1, TUniverse::MaxPairs - 1);

    const auto n = static_cast<std::size_t>(count);
    const std::array<hsize_t, 1> scalarDims{n};
    const std::array<hsize_t, 2> vectorDims{n, 3};
    std::vector<double> values(n * 3);
    H5Access::ReadArray(group, "Heat", H5T_NATIVE_DOUBLE, scalarDims, values.data());
    for (std::size_t i = 0; i < n; ++i)
        u->Particles[i].Heat = values[i];
    for (const TVectorField& field : VectorFields) {
        H5Access::ReadArray(group, field.Name, H5T_NATIVE_DOUBLE, vectorDims, values.data());
        for (std::size_t i = 0; i < n; ++i) {
            TParticle& p = u->Particles[i];
            p.*field.X = values[3 * i];
            p.*field.Y = values[3 * i + 1];
            p.*field.Z = values[3 * i + 2];
        }
    }
    std::vector<std::int32_t> cells(n * 3);
    H5Access::ReadArray(group, "Cell", H5T_NATIVE_INT32, vectorDims, cells.data());
    for (std::size_t i = 0; i < n; ++i) {
        u->Particles[i].CellX = cells[3 * i];
        u->Particles[i].CellY = cells[3 * i + 1];
        u->Particles[i].CellZ = cells[3 * i + 2];
    }

    const auto pairs = static_cast<std::size_t>(u->PairLast + 1);
    std::vector<std::int32_t> indices(pairs * 2);
    std::vector<double> distances(pairs);
    const std::array<hsize_t, 2> pairDims{pairs, 2};
    const std::array<hsize_t, 1> distanceDims{pairs};
    H5Access::ReadArray(group, "PairIndex", H5T_NATIVE_INT32, pairDims, indices.data());
    H5Access::ReadArray(group, "PairDistance", H5T_NATIVE_DOUBLE, distanceDims, distances.data());
    for (std::size_t k = 0; k < pairs; ++k)
        u->Pairs[k] = TPairEntry{indices[2 * k], indices[2 * k + 1], distances[k]};

    Validate(*u);
    return u;
}

bool CopyState(const TUniverse& from, TUniverse& to) {
    if (to.CopyStateFrom(from))
        return true;
    to.ReleaseParticles();
    return false;
}

void Validate(const TUniverse& u) {
    RequireRange("ParticleCount", u.LastIndex + 1, 1, MaxParticles());
    RequireRange("Formation", u.Formation, 0, 1);
    // The processing settings, which the properties window passes on, within its ranges.
    for (const TSettingRow& row : SettingsTable::All()) {
        if (!row.Engine.Exists())
            continue;
        const std::string name(row.Property);
        const std::int32_t position = row.Engine.Position(u);
        // The settings keep a position: a value between two (an opening angle of 0.61) could
        // not be kept beside it.
        if (!row.Engine.Holds(u, position))
            throw TStorageError("The universe's " + name + " is not one of its setting's steps.");
        RequireRange(name.c_str(), position, row.Min, row.Max);
    }
    RequireRange("RedoCountdown", u.RedoCountdown, 0, SettingMax(&TSettings::RedoFrequency));
    RequireRange("IterationCount", u.IterationCount, 0, INT32_MAX);
    RequireRange("PairLast", u.PairLast, -1, TUniverse::MaxPairs - 1);
    for (const auto& [name, value] :
         {std::pair{"Distribution", u.Distribution}, std::pair{"Space", u.Space},
          std::pair{"Velocity", u.Velocity}, std::pair{"Mass", u.Mass},
          std::pair{"Globular", u.Globular}, std::pair{"Friction", u.Friction},
          std::pair{"Pressure", u.Pressure}, std::pair{"Separation", u.Separation},
          std::pair{"Radiation", u.Radiation}})
        RequireFinite(name, value);
    if (!(u.Space > 0))
        throw TStorageError("The universe's Space is not above 0.");
    if (!(u.Optimisation >= 0 && u.Optimisation <= 1))
        throw TStorageError("The universe's Optimisation is outside 0 to 1.");

    const std::int32_t maxCell = SettingMax(&TSettings::MatrixResolution) - 1;
    for (std::int32_t i = 0; i <= u.LastIndex; ++i) {
        const TParticle& p = u.Particles[i];
        for (const double value : {p.Heat, p.X, p.Y, p.Z, p.VX, p.VY, p.VZ, p.AX, p.AY, p.AZ,
                                   p.FrictionX, p.FrictionY, p.FrictionZ})
            if (!std::isfinite(value))
                throw TStorageError("Particle " + std::to_string(i) +
                                    " holds a number that is not finite.");
        for (const std::int32_t cell : {p.CellX, p.CellY, p.CellZ})
            if (cell < 0 || cell > maxCell)
                throw TStorageError("Particle " + std::to_string(i) +
                                    " lies in a matrix cell that cannot exist.");
    }
    for (std::int32_t k = 0; k <= u.PairLast; ++k) {
        const TPairEntry& pair = u.Pairs[static_cast<std::size_t>(k)];
        if (pair.Lower < 0 || pair.Upper <= pair.Lower || pair.Upper > u.LastIndex)
            throw TStorageError("Close pair " + std::to_string(k) +
                                " names particles that do not exist.");
        if (!std::isfinite(pair.Distance) || pair.Distance < 0)
            throw TStorageError("Close pair " + std::to_string(k) + " has a bad distance.");
    }
}

} // namespace UniverseIO
