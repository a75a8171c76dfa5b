// Seeding: particles are spread through a ball, one step learns the pull each feels inside
// its own cluster, and that pull is turned into an orbital velocity about the Y axis.

#include "universe/Universe.h"

#include "universe/StepControl.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double Degree = std::numbers::pi / 180;

// Double to integer for values the settings keep small; out-of-range input gives 0
// instead of undefined behaviour.
std::int64_t ToInt64(double value) {
    if (!(value > -9.2e18 && value < 9.2e18))
        return 0;
    return static_cast<std::int64_t>(value);
}

} // namespace

bool TUniverse::SeedFormation(TStepControl* Control) {
    if (Formation == 0)
        return SeedCluster(0, LastIndex, 0, 0, 0, 0, Control);
    if (Formation == 1) {
        const std::int64_t last = LastIndex;
        const std::int64_t r = RandomSource.Random(last * last);
        // Split tends towards the middle, so the two clusters tend towards equal sizes.
        const auto split = static_cast<std::int32_t>(ToInt64(last - std::sqrt(double(r)) * 0.5));
        const std::int64_t separationRange = ToInt64(std::nearbyint(Space * Separation * 0.01));
        const auto offsetX = static_cast<double>(RandomSource.Random(separationRange));
        const auto offsetY = static_cast<double>(RandomSource.Random(separationRange));
        const auto offsetZ = static_cast<double>(RandomSource.Random(separationRange));
        const double tilt1 = static_cast<double>(RandomSource.Random(360)) * Degree;
        if (!SeedCluster(0, split, tilt1, offsetX, offsetY, offsetZ, Control))
            return false;
        const double tilt2 = static_cast<double>(RandomSource.Random(360)) * Degree;
        // The split particle is seeded twice on purpose: it helps pull the first cluster
        // together and then keeps the values of the second.
        return SeedCluster(split, LastIndex, tilt2, -offsetX, -offsetY, -offsetZ, Control);
    }
    return true;
}

bool TUniverse::SeedCluster(std::int32_t First, std::int32_t Last, double Tilt, double ShiftX,
                            double ShiftY, double ShiftZ, TStepControl* Control) {
    if (Particles == nullptr)
        return true;
    if (StepControl::Cancelled(Control))
        return false;

    for (std::int32_t i = First; i <= Last; ++i) {
        TParticle& p = Particles[i];
        double x, y, z, r;
        do {
            x = 2 * RandomSource.RandomReal() - 1;
            y = 2 * RandomSource.RandomReal() - 1;
            z = 2 * RandomSource.RandomReal() - 1;
            r = std::sqrt(x * x + y * y + z * z);
        } while (!(r > 0 && r < 1));

        const double s = std::pow(r, Distribution) * 0.1 * Space;
        p.X = (x / r) * s;
        p.Z = (z / r) * s;
        const double flat = std::cos(std::pow(3 * s / Space, 4));
        p.Y = (y / r) * (flat * (1 - Globular) + s * Globular);
        p.Heat = 0.2;
        p.VX = p.VY = p.VZ = 0;
        p.AX = p.AY = p.AZ = 0;
    }

    // One full step among the cluster's own particles measures the pull each one feels.
    RedoCountdown = 0;
    if (!Step(First, Last, Control))
        return false;

    const double cosTilt = std::cos(Tilt);
    const double sinTilt = std::sin(Tilt);
    for (std::int32_t i = First; i <= Last; ++i) {
        TParticle& p = Particles[i];
        const double pull = std::sqrt(p.VX * p.VX + p.VZ * p.VZ);
        const double bearing = std::atan2(p.Z, p.X);
        const double vx = std::sin(bearing) * Velocity * pull;
        const double vy = 0;
        const double vz = -std::cos(bearing) * Velocity * pull;
        p.VY = 0;
        p.AX = p.AY = p.AZ = 0;

        const double y = p.Y;
        const double z = p.Z;
        p.Y = y * cosTilt - z * sinTilt;
        p.Z = z * cosTilt + y * sinTilt;
        p.VX = vx;
        p.VY = vy * cosTilt - vz * sinTilt;
        p.VZ = vz * cosTilt + vy * sinTilt;

        p.X += ShiftX;
        p.Y += ShiftY;
        p.Z += ShiftZ;
    }
    return true;
}
