#pragma once

#include "universe/PairJob.h"
#include "universe/TileJob.h"

#include <cstdint>

/// The builds of the pair kernel and the choice among them. Every build gives the same bits;
/// they differ only in speed. The widest one the processor supports is used unless a test or
/// benchmark asks for another.
namespace PairKernels {

enum class TInstructionSet : std::int32_t { Scalar, Avx2, Avx512 };

bool IsAvailable(TInstructionSet set);
/// The widest available set.
TInstructionSet Best();
/// The set in use, Best() unless Use chose another.
TInstructionSet Current();
/// Chooses the set for every later step; false, changing nothing, if it is not available.
bool Use(TInstructionSet set);
const char* NameOf(TInstructionSet set);

TPairGroupFunction GroupFunction();
TTileFunction TileFunction();
TWindowFilterFunction WindowFilter();

void RunGroupScalar(const TPairJob& job, const TLaneGroup& group, const std::int32_t* candidates,
                    std::int32_t count, TCloseRecords& close);
void RunGroupAvx2(const TPairJob& job, const TLaneGroup& group, const std::int32_t* candidates,
                  std::int32_t count, TCloseRecords& close);
void RunGroupAvx512(const TPairJob& job, const TLaneGroup& group, const std::int32_t* candidates,
                    std::int32_t count, TCloseRecords& close);

void RunTileScalar(const TTileJob& job, std::int32_t rows, std::int32_t partners,
                   TCloseRecords& close, std::int64_t& computed);
void RunTileAvx2(const TTileJob& job, std::int32_t rows, std::int32_t partners,
                 TCloseRecords& close, std::int64_t& computed);
void RunTileAvx512(const TTileJob& job, std::int32_t rows, std::int32_t partners,
                   TCloseRecords& close, std::int64_t& computed);

std::int32_t FilterWindowScalar(const TNeighbourEntry* entries, std::int32_t count,
                                std::uint32_t low, std::uint32_t high, std::int32_t* out);
std::int32_t FilterWindowAvx2(const TNeighbourEntry* entries, std::int32_t count, std::uint32_t low,
                              std::uint32_t high, std::int32_t* out);
std::int32_t FilterWindowAvx512(const TNeighbourEntry* entries, std::int32_t count,
                                std::uint32_t low, std::uint32_t high, std::int32_t* out);

} // namespace PairKernels
