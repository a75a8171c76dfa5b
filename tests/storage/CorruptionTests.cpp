// Damaged files in many seeded ways: every one is read without a crash, a hang or a
// sanitizer report, and whatever is accepted is a valid state.
#include "StorageTestSupport.h"

#include "Storage/Recording.h"
#include "Storage/SimulationFile.h"
#include "Storage/UniverseIO.h"

#include <array>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string_view>

namespace {

// Flips a few bits, overwrites a few bytes, cuts the file short, or several at once.
std::string Corrupt(std::string bytes, std::mt19937& random) {
    std::uniform_int_distribution<int> kind(0, 3);
    const int k = kind(random);
    if (k != 2) {
        const int edits = std::uniform_int_distribution<int>(1, 8)(random);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at =
                std::uniform_int_distribution<std::size_t>(0, bytes.size() - 1)(random);
            if (k == 0)
                bytes[at] = static_cast<char>(bytes[at] ^ (1 << (random() % 8)));
            else
                bytes[at] = static_cast<char>(random());
        }
    }
    if (k >= 2)
        bytes.resize(std::uniform_int_distribution<std::size_t>(0, bytes.size() - 1)(random));
    return bytes;
}

TEST(CorruptionTest, AThousandDamagedSimulationFilesOpenWithoutHarm) {
    TTempFolder folder;
    const std::string original = folder.File("good.astrivo");
    std::unique_ptr<TUniverse> universe = BuildSmall();
    ASSERT_TRUE(
        SimulationFile::Save(original, *universe, SettingsFor(SmallSettings()), TwoViews()).Ok);
    const std::string bytes = ReadBytes(original);
    const std::string path = folder.File("bad.astrivo");
    std::mt19937 random(20240611);
    int refused = 0;
    // Every open forks a reader; under the sanitizer that takes a fifth of a second.
#if defined(__SANITIZE_ADDRESS__)
    constexpr int Trials = 400;
#else
    constexpr int Trials = 1000;
#endif
    for (int trial = 0; trial < Trials; ++trial) {
        WriteBytes(path, Corrupt(bytes, random));
        TSimulationContents contents;
        const TStorageResult result = SimulationFile::Load(path, contents);
        if (!result.Ok) {
            ++refused;
            EXPECT_FALSE(result.Message.empty());
            EXPECT_EQ(contents.Universe, nullptr);
            continue;
        }
        // Accepted: the damage hit bytes nothing reads, so the state is the saved one.
        ASSERT_NE(contents.Universe, nullptr) << "trial " << trial;
        ExpectSameState(*universe, *contents.Universe);
    }
    // Most damage must be noticed; an exact share would restate the file's layout.
    EXPECT_GT(refused, Trials / 2);
}

TEST(CorruptionTest, DamagedRecordingsOpenAndPlayWithoutHarm) {
    TTempFolder folder;
    const std::string original = folder.File("good.astrivo");
    std::unique_ptr<TUniverse> universe = BuildSmall();
    {
        std::unique_ptr<TRecording> recording;
        TRecorderOptions options;
        options.KeyframeInterval = 4;
        ASSERT_TRUE(TRecording::Create(original, universe->LastIndex + 1, options, recording).Ok);
        ASSERT_TRUE(recording->Begin(*universe).Ok);
        for (int s = 0; s < 10; ++s) {
            universe->Step(0, universe->LastIndex);
            ASSERT_TRUE(recording->StepTaken(*universe).Ok);
        }
    }
    const std::string bytes = ReadBytes(original);
    const std::string path = folder.File("bad.astrivo");
    std::mt19937 random(77);
    for (int trial = 0; trial < 300; ++trial) {
        WriteBytes(path, Corrupt(bytes, random));
        std::unique_ptr<TRecording> recording;
        if (!TRecording::Open(path, recording).Ok)
            continue;
        for (std::int32_t k = 0; k < recording->FrameCount(); ++k) {
            TUniverseSnapshot frame;
            if (recording->ReadFrame(k, frame).Ok) {
                EXPECT_EQ(frame.Particles.size(),
                          static_cast<std::size_t>(recording->ParticleCount()));
                for (const TPairEntry& pair : frame.Pairs)
                    EXPECT_TRUE(pair.Lower >= 0 && pair.Upper > pair.Lower &&
                                pair.Upper < recording->ParticleCount());
            }
            std::unique_ptr<TUniverse> state;
            if (recording->RestoreState(k, state).Ok) {
                EXPECT_NO_THROW(UniverseIO::Validate(*state));
            }
        }
    }
}

// The signatures that open HDF5's structures: object headers and their continuations,
// B-trees, extensible and fixed arrays (chunk indexes), fractal heaps, free-space and
// shared-message records, and the older format's trees, heaps and symbol nodes.
constexpr std::array<std::string_view, 22> Signatures{
    "OHDR", "OCHK", "BTHD", "BTIN", "BTLF", "EAHD", "EAIB", "EASB", "EADB", "FAHD", "FADB",
    "FRHP", "FHDB", "FHIB", "FSHD", "FSSE", "SMTB", "SMLI", "TREE", "HEAP", "SNOD", "GCOL"};

std::vector<TUniverseSnapshot> ReadFrames(const TRecording& recording) {
    std::vector<TUniverseSnapshot> frames(static_cast<std::size_t>(recording.FrameCount()));
    for (std::int32_t k = 0; k < recording.FrameCount(); ++k)
        EXPECT_TRUE(recording.ReadFrame(k, frames[static_cast<std::size_t>(k)]).Ok);
    return frames;
}

struct TCampaign {
    const TUniverse& Universe;
    const std::vector<TUniverseSnapshot>& Frames;
    std::string Path;
    std::string Scratch;
    int Refused = 0;
    int RecordingRefused = 0;
    int Accepted = 0;

    // Opens the file as the program does: one child reads the simulation and copies its
    // recording out. Either is refused with a message, and no copy is left behind, or what
    // is read is exactly what was saved.
    void Open(const std::string& bytes, const std::string& what) {
        SCOPED_TRACE(what);
        WriteBytes(Path, bytes);
        TSimulationContents contents;
        std::unique_ptr<TRecording> recording;
        const TStorageResult loaded =
            SimulationFile::Load(Path, contents, true, Scratch, recording);
        if (!loaded.Ok) {
            ++(loaded.Message.find("ts recording ") == std::string::npos ? Refused
                                                                         : RecordingRefused);
            EXPECT_FALSE(loaded.Message.empty());
            EXPECT_FALSE(std::filesystem::exists(Scratch));
            EXPECT_FALSE(contents.Universe);
            EXPECT_FALSE(recording);
            return;
        }
        ExpectSameState(Universe, *contents.Universe);
        ASSERT_TRUE(contents.HasRecording);
        ASSERT_TRUE(recording);
        ++Accepted;
        const std::vector<TUniverseSnapshot> frames = ReadFrames(*recording);
        ASSERT_EQ(frames.size(), Frames.size());
        for (std::size_t k = 0; k < frames.size(); ++k) {
            EXPECT_EQ(frames[k].IterationCount, Frames[k].IterationCount);
            ASSERT_EQ(frames[k].Particles.size(), Frames[k].Particles.size());
            EXPECT_EQ(std::memcmp(frames[k].Particles.data(), Frames[k].Particles.data(),
                                  frames[k].Particles.size() * sizeof(frames[k].Particles[0])),
                      0)
                << "frame " << k;
            EXPECT_EQ(frames[k].Pairs.size(), Frames[k].Pairs.size());
        }
        for (const std::int32_t k : recording->Keyframes()) {
            std::unique_ptr<TUniverse> state;
            EXPECT_TRUE(recording->ReadKeyframe(k, state).Ok) << "keyframe " << k;
        }
    }
};

TEST(CorruptionTest, EveryStructureOfAFileWithARecordingDamagedOrCutIsRefusedOrReadsAsSaved) {
    TTempFolder folder;
    const std::string original = folder.File("good.astrivo");
    // Frames enough for the chunk indexes to need data blocks; two keyframes, whose many
    // attributes are kept in heaps indexed by B-trees.
    const std::unique_ptr<TUniverse> universe =
        SaveWithRecording(original, folder.File("recorded.astrivo"), 12, 8);
    std::unique_ptr<TRecording> reference;
    ASSERT_TRUE(TRecording::Extract(original, folder.File("reference.astrivo"), reference).Ok);
    const std::vector<TUniverseSnapshot> frames = ReadFrames(*reference);
    reference.reset();

    const std::string bytes = ReadBytes(original);
    std::vector<std::pair<std::size_t, std::string_view>> starts;
    std::set<std::string_view> kinds;
    for (const std::string_view signature : Signatures)
        for (std::size_t at = bytes.find(signature); at != std::string::npos;
             at = bytes.find(signature, at + 1)) {
            starts.emplace_back(at, signature);
            kinds.insert(signature);
        }
    // What a recording brings along must be reached, or the campaign proves little.
    for (const std::string_view kind : {"OHDR", "BTHD", "BTLF", "EAHD", "EAIB", "EADB", "FRHP"})
        EXPECT_EQ(kinds.count(kind), 1u) << kind;

    TCampaign campaign{*universe, frames, folder.File("bad.astrivo"),
                       folder.File("extracted.astrivo")};
    for (const auto& [at, signature] : starts) {
        const std::string where = std::string(signature) + " at " + std::to_string(at);
        std::string damaged = bytes;
        damaged[at + 1] = static_cast<char>(damaged[at + 1] ^ 0x04);
        campaign.Open(damaged, "signature of " + where);
        campaign.Open(bytes.substr(0, at), "cut at " + where);
    }
    RecordProperty("Refused", campaign.Refused);
    RecordProperty("RecordingRefused", campaign.RecordingRefused);
    RecordProperty("Accepted", campaign.Accepted);
}

} // namespace
