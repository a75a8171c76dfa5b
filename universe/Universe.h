#pragma once

#include "universe/GravityMethod.h"
#include "universe/UniformRandom.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

/// One particle. Positions are in free distance units, velocities in distance per step,
/// accelerations and friction changes in velocity change per step.
struct TParticle {
    double Heat;
    double FrictionX, FrictionY, FrictionZ;
    double X, Y, Z;
    double VX, VY, VZ;
    double AX, AY, AZ;
    // Matrix cell on each axis, 0 to MatrixResolution - 1, set by every step.
    std::int32_t CellX, CellY, CellZ;
};

/// One entry of the close-pair list: Upper > Lower are particle indices.
struct TPairEntry {
    std::int32_t Upper;
    std::int32_t Lower;
    double Distance;
};

class TStepScratch;
struct TTreeScratch;
struct TStepControl;

/// The simulation: particles, the parameters chosen at creation, the matrix settings of the
/// step, the close-pair list of the last step and the two running figures.
///
/// All state is public, and no operation checks its parameters: callers keep
/// MatrixResolution and RedoFrequency at 1 or more, LocalitySize at 0 or more, Space above 0
/// and Formation at 0 or 1. The universe is used from one thread at a time; a step may share
/// its own work among worker threads, which all finish before it returns.
class TUniverse {
public:
    static constexpr int MaxPairs = 5000;
    // Keeps the tree's acceleration error on merged universes within rms 1e-3 and 99th
    // percentile 1e-2 with room to spare; see docs/performance.md (the tree step).
    static constexpr double DefaultOpeningAngle = 0.65;

    TUniverse();
    ~TUniverse();
    TUniverse(const TUniverse&) = delete;
    TUniverse& operator=(const TUniverse&) = delete;

    std::int32_t LastIndex = 0;
    TParticle* Particles = nullptr;
    std::size_t ParticlesBytes = 0; // byte size of the Particles block, for its release
    std::int32_t RedoCountdown = 0;
    std::array<TPairEntry, MaxPairs> Pairs{};
    std::int32_t PairLast = 0;
    bool UseThermodynamics = false;
    std::int32_t Formation = 0; // 0 one globular cluster, 1 two clusters on a collision course
    double Distribution = 0;
    double Space = 0; // a seeded cluster's radius is 0.1 * Space
    double Velocity = 0;
    double Mass = 0;
    double Globular = 0;
    double Friction = 0;
    double Pressure = 0;
    double Separation = 0;
    double Radiation = 0;
    float Optimisation = 0; // share of all pairs that the last step skipped, 0 to 1
    std::int32_t LocalitySize = 0;
    std::int32_t RedoFrequency = 0;
    std::int32_t MatrixResolution = 0;
    std::int32_t IterationCount = 0;
    std::int32_t MaxSeparation = 0; // close-pair limit in tenths of a distance unit
    TGravityMethod GravityMethod = gmPairs;
    // The tree's opening angle: a node acts as a whole on particles farther from it than
    // its radius over this. Smaller is more exact and slower; 0 works out every pair.
    double OpeningAngle = DefaultOpeningAngle;

    /// Reseeds the random source from the clock, gives back any particles held and obtains
    /// an uninitialised block for Count particles. False, with no particles held and
    /// LastIndex = PairLast = -1, when Count <= 0 or the heap cannot supply the block.
    bool Allocate(std::int32_t Count);
    /// As Allocate, without the working memory of a step (about 500 bytes a particle, all of
    /// it touched): for a state that is only read, checked or written. Stepping it steps
    /// nothing; CopyFrom into another universe gives one that steps.
    bool AllocateState(std::int32_t Count);
    /// Gives the particles back; afterwards LastIndex and PairLast are -1 in every case.
    void ReleaseParticles();

    /// Seeds every particle in the formation chosen by Formation. Runs one step per cluster.
    /// False when Control cancelled it: the particles then hold no usable state.
    bool SeedFormation(TStepControl* Control = nullptr);
    /// Seeds particles First..Last as one cluster centred on the shift, tilted by Tilt
    /// radians about the X axis. False when Control cancelled its step.
    bool SeedCluster(std::int32_t First, std::int32_t Last, double Tilt, double ShiftX,
                     double ShiftY, double ShiftZ, TStepControl* Control = nullptr);

    /// Advances particles First..Last (inclusive) by one step, considering only pairs among
    /// them. An empty range (Last < First) still counts the step. The range must lie within
    /// 0..LastIndex. Gives the result of StepLiteral: the cells, the close-pair list and the
    /// figures exactly, the reals up to rounding where most pairs are computed and each pair
    /// is worked out once; the same bits whatever the thread count.
    /// With GravityMethod gmTree the step stands for the full step with RedoFrequency 1,
    /// distant gravity coming from an octree (see UniverseTreeStep.cpp); it leaves
    /// RedoCountdown alone and Optimisation gives the share of pairs it approximated.
    /// With a Control, the step reports its progress and stops when asked to: it then
    /// returns false and leaves the universe exactly as it was, every field of every
    /// particle, the counters and the close-pair list. True when the step was taken.
    bool Step(std::int32_t First, std::int32_t Last, TStepControl* Control = nullptr);
    /// The same step computed literally, every pair visited in index order: slow, readable,
    /// and the reference that Step is measured and checked against. A RowStride above 1
    /// visits only every RowStride-th row of the pair loop (lower index First, First +
    /// RowStride, ...), to time the literal step where the whole loop would take minutes;
    /// what it leaves is then no step's result.
    void StepLiteral(std::int32_t First, std::int32_t Last, std::int32_t RowStride = 1);

    /// Worker threads for Step: a count above 0 is used for every step; 0 or less means one
    /// per processor core for large steps and one thread for small ones.
    void SetStepThreads(std::int32_t Count);
    std::int32_t StepThreads() const { return StepThreadCount; }
    /// Whether Step may work out each pair once in tiles where most pairs are computed
    /// (the default); off, it takes every pair from both sides, one particle per lane. For
    /// the benchmark and the tests, which compare the two.
    void SetTiles(bool Use) { UseTiles = Use; }
    /// Whether the last fast step worked out its pairs in tiles.
    bool LastStepTiled() const { return LastTiled; }

    void SetLocalitySize(std::int32_t Value) { LocalitySize = Value; }
    void SetMatrixResolution(std::int32_t Value) { MatrixResolution = Value; }
    void SetRedoFrequency(std::int32_t Value) { RedoFrequency = Value; }
    void SetIterationCount(std::int32_t Value) { IterationCount = Value; }
    void SetMaxSeparation(std::int32_t Value) { MaxSeparation = Value; }
    void SetGravityMethod(TGravityMethod Value) { GravityMethod = Value; }
    void SetOpeningAngle(double Value) { OpeningAngle = Value; }

    /// Takes every setting and counter that the next step reads (not the particles): what a
    /// copy needs to step on as `from` would.
    void CopySettingsFrom(const TUniverse& from);
    /// Takes from's whole state, particles and close pairs included, so that both step to
    /// the same bits; false (and nothing taken) without memory for the particles.
    bool CopyStateFrom(const TUniverse& from);

    /// Makes the seeding reproducible: call after Allocate, which reseeds from the clock.
    void SeedRandom(std::uint64_t Seed) { RandomSource.Seed(Seed); }

private:
    // The end of every step, fast or literal: the redo schedule, the count and the share of
    // pairs the step skipped.
    void FinishStep(std::int32_t First, std::int32_t Last, std::int64_t ComputedPairs);
    // The count and the share of pairs skipped, without the redo schedule.
    void CountStep(std::int32_t First, std::int32_t Last, std::int64_t ComputedPairs);
    bool StepPairs(std::int32_t First, std::int32_t Last, TStepControl* Control);
    // Makes room for the tree step; false without the memory.
    bool ReserveTree(std::int32_t Count);
    bool StepTree(std::int32_t First, std::int32_t Last, TStepControl* Control);

    TUniformRandom RandomSource;
    // Working memory of the fast step, sized by Allocate so that a step allocates nothing.
    std::unique_ptr<TStepScratch> Scratch;
    // The tree step's, made by its first step and kept.
    std::unique_ptr<TTreeScratch> TreeScratch;
    std::int32_t StepThreadCount = 0;
    bool UseTiles = true;
    bool LastTiled = false;
};
