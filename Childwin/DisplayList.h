#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

/// One projected particle of a frame.
struct TDisplayEntry {
    double X;               // after the camera transform
    double Y;               // after the camera transform
    double Depth;           // after the camera transform
    std::int32_t Particle;  // index into the universe's particle array
    double LuminanceFactor; // 4 x the particle's heat
};

/// The per-frame list of projected particles. It holds nothing between frames: each frame
/// allocates it, fills it, sorts it, draws from it and releases it. Beside the entries the
/// same block holds one "drawn this frame" mark per particle, so that connecting lines can
/// be limited to particles the frame really drew, at one allocation per frame.
class TDisplayList {
public:
    TDisplayList() = default;
    TDisplayList(const TDisplayList&) = delete;
    TDisplayList& operator=(const TDisplayList&) = delete;

    /// Storage for count entries and count marks (all marks cleared); LastIndex = count - 1.
    /// False, with the list left empty, when count is 0 or less or no memory is available.
    bool Allocate(std::int32_t count);
    void Release();

    /// Ascending Depth, by the quicksort below; equal depths end in no particular order.
    void SortByDepth();

    std::int32_t LastIndex() const { return FLastIndex; }
    TDisplayEntry* Entries() { return FEntries; }
    const TDisplayEntry* Entries() const { return FEntries; }
    TDisplayEntry& operator[](std::int32_t i) { return FEntries[i]; }
    const TDisplayEntry& operator[](std::int32_t i) const { return FEntries[i]; }

    /// Marks by particle index (0 to LastIndex), cleared by Allocate.
    void MarkDrawn(std::int32_t particle) { FDrawn[particle] = 1; }
    bool WasDrawn(std::int32_t particle) const { return FDrawn[particle] != 0; }

private:
    void QuickSort(std::int32_t lo, std::int32_t hi);

    std::unique_ptr<std::byte[]> FStorage;
    TDisplayEntry* FEntries = nullptr;
    std::uint8_t* FDrawn = nullptr;
    std::int32_t FLastIndex = -1;
};
