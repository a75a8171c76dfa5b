#include "universe/StepScratch.h"

#include "universe/TileSchedule.h"
#include "universe/Universe.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include <thread>

void TStepScratch::Reserve(std::int32_t count, std::int32_t threads) {
    const auto n = static_cast<std::size_t>(std::max(count, 0));
    ParticleCapacity = count;
    const std::size_t padded = PaddedCapacity();
    Records.resize(n);
    for (std::vector<double>* v :
         {&Heat, &AX, &AY, &AZ, &FrictionX, &FrictionY, &FrictionZ, &NewHeat})
        v->resize(padded);
    TileData.resize(padded * TileFields);
    CloseSorted.resize(n + TUniverse::MaxPairs);
    HeatWeights.resize(256 * TTileJob::Lanes);
    QPow.resize(static_cast<std::size_t>(TTileSchedule::LargestStripSize(count)) + 1 +
                TTileJob::Lanes);
    TablesRadiation = -1;
    HigherClose.resize(padded);
    for (std::vector<std::int32_t>* v : {&Computed, &CloseFirst, &CloseSeen, &TestedCellX,
                                         &TestedCellY, &TestedCellZ, &CellX, &CellY, &CellZ})
        v->resize(n);
    Buckets.Reserve(count);
    // Steps over a range of the particles may step in parts whatever the capacity.
    constexpr std::size_t moreParts = TTileSchedule::Parts - 1;
    PartSums.assign(moreParts * TileSumFields * PartStride(), 0.0);
    PartHigherClose.assign(moreParts * PartStride(), 0);
    Threads = 0;
    // Each part keeps a book of close pairs.
    ReserveThreads(std::max(threads, TTileSchedule::Parts));
}

void TStepScratch::ReserveThreads(std::int32_t threads) {
    threads = std::max(threads, 1);
    if (threads <= Threads)
        return;
    Candidates.resize(CandidateStride() * static_cast<std::size_t>(threads));
    CloseRecordStore.resize(static_cast<std::size_t>(CloseRecordsPerThread()) *
                            static_cast<std::size_t>(threads));
    CloseBooks.resize(static_cast<std::size_t>(threads));
    TileComputed.resize(ComputedStride * static_cast<std::size_t>(threads));
    Threads = threads;
}

void TStepScratch::ResetCloseBooks(int threads) {
    // A quarter more rows, and a few, absorb the usual change from one step to the next.
    const std::int64_t margin = std::int64_t{CloseRowsTaken} / 4 + 64;
    const auto rowLimit =
        static_cast<std::int32_t>(std::min<std::int64_t>(INT32_MAX, CloseRowsTaken + margin));
    for (int t = 0; t < threads; ++t)
        CloseBooks[static_cast<std::size_t>(t)] = TCloseRecords{
            CloseRecordStore.data() + static_cast<std::size_t>(t) * CloseRecordsPerThread(),
            CloseRecordsPerThread(), 0, rowLimit};
}

std::int32_t TStepScratch::ThreadsFor(std::int32_t setting) {
    if (setting > 0)
        return setting;
    return std::max(static_cast<std::int32_t>(std::thread::hardware_concurrency()), 1);
}

TPairJob TStepScratch::Job() {
    TPairJob job{};
    job.Records = Records.data();
    job.Heat = Heat.data();
    job.AX = AX.data();
    job.AY = AY.data();
    job.AZ = AZ.data();
    job.FrictionX = FrictionX.data();
    job.FrictionY = FrictionY.data();
    job.FrictionZ = FrictionZ.data();
    job.NewHeat = NewHeat.data();
    job.Computed = Computed.data();
    job.HigherClose = HigherClose.data();
    return job;
}

TTileJob TStepScratch::PartJob(const TTileJob& job, int part) {
    const std::size_t stride = PartStride();
    const auto index = static_cast<std::size_t>(part - 1);
    double* sums = PartSums.data() + index * TileSumFields * stride;
    std::int32_t* close = PartHigherClose.data() + index * stride;
    constexpr std::size_t lanes = TTileJob::Lanes;
    const std::size_t used =
        std::min(stride, (static_cast<std::size_t>(job.Count) + lanes - 1) / lanes * lanes);
    TTileJob own = job;
    double** fields[TileSumFields] = {&own.AX,        &own.AY,        &own.AZ,
                                      &own.FrictionX, &own.FrictionY, &own.FrictionZ};
    for (int f = 0; f < TileSumFields; ++f) {
        double* field = sums + static_cast<std::size_t>(f) * stride;
        std::fill(field, field + used, 0.0);
        *fields[f] = field;
    }
    std::fill(close, close + used, 0);
    own.HigherClose = close;
    return own;
}

std::size_t TStepScratch::PartStride() const {
    constexpr std::size_t lanes = TTileJob::Lanes;
    constexpr auto most = static_cast<std::size_t>(TTileSchedule::MostParticlesInParts);
    return std::min(PaddedCapacity(), (most + lanes - 1) / lanes * lanes);
}

std::size_t TStepScratch::PaddedCapacity() const {
    constexpr std::size_t lanes = TTileJob::Lanes;
    const auto n = static_cast<std::size_t>(std::max(ParticleCapacity, 0));
    return (n + lanes - 1) / lanes * lanes + lanes;
}

void TStepScratch::MakeHeatTables(double radiation, std::int32_t stripSize) {
    const double kept = 1 - radiation;
    const std::int32_t longest = std::max<std::int32_t>(stripSize, TTileJob::Lanes);
    for (std::int32_t n = 0; n <= longest; ++n)
        QPow[static_cast<std::size_t>(n)] = std::pow(kept, n);
    for (unsigned mask = 0; mask < 256; ++mask) {
        const int computed = __builtin_popcount(mask);
        for (int l = 0; l < TTileJob::Lanes; ++l) {
            const int before = __builtin_popcount(mask & ((1u << l) - 1));
            HeatWeights[mask * TTileJob::Lanes + static_cast<unsigned>(l)] =
                (mask >> l & 1) != 0 ? QPow[static_cast<std::size_t>(computed - 1 - before)] : 0;
        }
    }
    TablesRadiation = radiation;
    TablesStrip = stripSize;
}

TTileJob TStepScratch::TileJob(std::int32_t count, std::int32_t stripSize, double radiation) {
    if (radiation != TablesRadiation || stripSize > TablesStrip)
        MakeHeatTables(radiation, stripSize);
    const std::size_t padded = PaddedCapacity();
    const double* data = TileData.data();
    TTileJob job{};
    job.X = data;
    job.Y = data + padded;
    job.Z = data + 2 * padded;
    job.VX = data + 3 * padded;
    job.VY = data + 4 * padded;
    job.VZ = data + 5 * padded;
    job.CellX = data + 6 * padded;
    job.CellY = data + 7 * padded;
    job.CellZ = data + 8 * padded;
    job.Slot = data + 9 * padded;
    job.AX = AX.data();
    job.AY = AY.data();
    job.AZ = AZ.data();
    job.FrictionX = FrictionX.data();
    job.FrictionY = FrictionY.data();
    job.FrictionZ = FrictionZ.data();
    job.Heat = NewHeat.data();
    job.HigherClose = HigherClose.data();
    job.HeatWeights = HeatWeights.data();
    job.QPow = QPow.data();
    job.Count = count;
    job.StripSize = stripSize;
    return job;
}
