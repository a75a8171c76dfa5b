// The chief header must stand on its own: it is the first and only include here.
#include "universe/Universe.h"

#include <gtest/gtest.h>

#include <type_traits>

TEST(UniverseHeader, ParticleKeepsItsLayout) {
    static_assert(std::is_standard_layout_v<TParticle>);
    EXPECT_EQ(offsetof(TParticle, Heat), 0u);
    EXPECT_EQ(offsetof(TParticle, X), 4 * sizeof(double));
    // Screen points belong to the views, which keep their own.
    EXPECT_EQ(offsetof(TParticle, CellX), 13 * sizeof(double));
    EXPECT_EQ(offsetof(TParticle, CellZ), 13 * sizeof(double) + 2 * sizeof(std::int32_t));
}
