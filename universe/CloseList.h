#pragma once

#include <cstdint>

class TUniverse;
class TStepScratch;

/// The close-pair list of the fast step. The kernels count, per particle, the close pairs it
/// has with higher partners; those counts say which rows of the visiting order hold the
/// first TUniverse::MaxPairs close pairs, and only those rows are walked again, in order, to
/// record them.
namespace CloseList {

/// The least squared distance whose square root is not below limit: a pair's distance is
/// below limit exactly when its squared distance is below this. 0 when limit is not above 0.
double SquaredLimit(double limit);

/// How rows that were not recorded completely are walked again: every higher partner (a
/// full step), the near ones among them by slot (a partial step in tiles), or the near
/// ones through the cell list (a partial step by particle, whose records are in bucket
/// order).
enum class TWalk { Every, NearBySlot, Buckets };

/// Fills universe.Pairs from the counts, the first `books` books of close pairs and the
/// step's copies of the particles, on up to `threads` threads; returns the new PairLast.
std::int32_t Collect(TUniverse& universe, TStepScratch& scratch, std::int32_t first,
                     std::int32_t count, TWalk walk, double squaredLimit, int books, int threads);

} // namespace CloseList
