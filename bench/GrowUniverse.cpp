// The bench's universes of many particles once their clusters have met, grown from the
// merged default universe: merging them by stepping would take hours at 192,080 particles.
#include "GrowUniverse.h"

#include "universe/UniformRandom.h"
#include "universe/Universe.h"

#include <cmath>
#include <vector>

bool BenchUniverse::Grow(const TUniverse& from, TUniverse& to, std::int32_t count,
                         std::uint64_t seed) {
    if (!to.Allocate(count))
        return false;
    to.CopySettingsFrom(from);
    const std::int32_t n = from.LastIndex + 1;
    std::vector<double> reach(static_cast<std::size_t>(n), 0);
    for (std::int32_t a = 0; a < n; ++a) {
        double least = 0;
        for (std::int32_t b = 0; b < n; ++b) {
            const TParticle& p = from.Particles[a];
            const TParticle& q = from.Particles[b];
            const double d = std::sqrt((p.X - q.X) * (p.X - q.X) + (p.Y - q.Y) * (p.Y - q.Y) +
                                       (p.Z - q.Z) * (p.Z - q.Z));
            if (b != a && (least == 0 || d < least))
                least = d;
        }
        reach[static_cast<std::size_t>(a)] = 0.5 * least;
    }
    TUniformRandom random;
    random.Seed(seed);
    for (std::int32_t k = 0; k < count; ++k) {
        const std::int32_t source = k % n;
        TParticle p = from.Particles[source];
        if (k >= n) {
            double x, y, z;
            do {
                x = 2 * random.RandomReal() - 1;
                y = 2 * random.RandomReal() - 1;
                z = 2 * random.RandomReal() - 1;
            } while (x * x + y * y + z * z > 1);
            const double r = reach[static_cast<std::size_t>(source)];
            p.X += x * r;
            p.Y += y * r;
            p.Z += z * r;
        }
        to.Particles[k] = p;
    }
    return true;
}
