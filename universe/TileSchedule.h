#pragma once

#include <cstdint>

/// How a step that works out each pair once cuts its particles into strips, and in which
/// order it works out the tiles. A tile is the pairs of a row strip with a partner strip at
/// or below it. Phase p holds the tiles whose two strip numbers add up to p: no strip
/// appears twice in a phase, so its tiles can run side by side, and every strip meets its
/// tiles in the same order whatever runs them, which keeps the sums' bits independent of
/// the thread count. A row strip meets its partner strips in ascending order, as its heat
/// fold needs.
struct TTileSchedule {
    std::int32_t Count = 0;     // particles
    std::int32_t StripSize = 0; // a multiple of the kernel's lanes
    std::int32_t Strips = 0;

    /// Strips of at least 64 particles, at most 32 of them up to 32,768 particles and at
    /// most 1,024 particles each beyond, so that a tile is a few milliseconds of work at
    /// most and a cancel is seen promptly.
    static TTileSchedule For(std::int32_t count);

    std::int32_t Phases() const { return Strips > 0 ? 2 * Strips - 1 : 0; }
    /// Tiles in phase p, and the row and partner strip of its t-th tile.
    std::int32_t TilesIn(std::int32_t phase) const;
    void Tile(std::int32_t phase, std::int32_t t, std::int32_t& rows, std::int32_t& partners) const;
    /// Particles in strip s.
    std::int32_t RowsIn(std::int32_t strip) const {
        const std::int32_t begin = strip * StripSize;
        return Count - begin < StripSize ? Count - begin : StripSize;
    }
    /// The largest StripSize that For gives for up to count particles.
    static std::int32_t LargestStripSize(std::int32_t count);

    // Below MostParticlesInParts the phases are too short for a meeting of the threads each:
    // the row strips are cut instead into Parts runs of about equal pairs. A part works out
    // its row strips' tiles in order and adds into sums of its own, which are combined in
    // part order afterwards: one meeting per step, and the same bits for any thread count.
    static constexpr std::int32_t MostParticlesInParts = 4096;
    static constexpr int Parts = 4;
    bool InParts() const { return Count < MostParticlesInParts; }
    /// The first row strip of part k, for k from 0 to Parts (which gives Strips).
    std::int32_t PartBegin(int part) const;
};
