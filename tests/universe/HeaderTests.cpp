// The chief header must stand on its own: it is the first and only include here.
#include "universe/Universe.h"

#include <gtest/gtest.h>

#include <type_traits>

TEST(UniverseHeader, ParticleKeepsItsLayout) {
    static_assert(std::is_standard_layout_v<TParticle>);
    EXPECT_EQ(offsetof(TParticle, Heat), 0u);
    EXPECT_EQ(offsetof(TParticle, X), 4 * sizeof(double));
    EXPECT_EQ(offsetof(TParticle, ScreenX), 13 * sizeof(double));
    EXPECT_EQ(offsetof(TParticle, CellZ), 13 * sizeof(double) + 4 * sizeof(std::int32_t));
}
