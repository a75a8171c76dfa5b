#include "universe/StepScratch.h"

#include <algorithm>

#if defined(_OPENMP)
#include <omp.h>
#endif

void TStepScratch::Reserve(std::int32_t count, std::int32_t threads) {
    const auto n = static_cast<std::size_t>(std::max(count, 0));
    Records.resize(n);
    for (std::vector<double>* v :
         {&Heat, &AX, &AY, &AZ, &FrictionX, &FrictionY, &FrictionZ, &NewHeat})
        v->resize(n);
    for (std::vector<std::int32_t>* v :
         {&Computed, &HigherClose, &CloseFirst, &CloseSeen, &TestedCellX, &TestedCellY,
          &TestedCellZ, &CellX, &CellY, &CellZ})
        v->resize(n);
    Buckets.Reserve(count);
    ParticleCapacity = count;
    Threads = 0;
    ReserveThreads(threads);
}

void TStepScratch::ReserveThreads(std::int32_t threads) {
    threads = std::max(threads, 1);
    if (threads <= Threads)
        return;
    Candidates.resize(CandidateStride() * static_cast<std::size_t>(threads));
    CloseRecordStore.resize(static_cast<std::size_t>(CloseRecordsPerThread()) *
                            static_cast<std::size_t>(threads));
    CloseBooks.resize(static_cast<std::size_t>(threads));
    Threads = threads;
}

void TStepScratch::ResetCloseBooks(int threads) {
    for (int t = 0; t < threads; ++t)
        CloseBooks[static_cast<std::size_t>(t)] = TCloseRecords{
            CloseRecordStore.data() + static_cast<std::size_t>(t) * CloseRecordsPerThread(),
            CloseRecordsPerThread(), 0, INT32_MAX};
}

std::int32_t TStepScratch::ThreadsFor(std::int32_t setting) {
    if (setting > 0)
        return setting;
#if defined(_OPENMP)
    return std::max(omp_get_max_threads(), 1);
#else
    return 1;
#endif
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
