// Damaged files in many seeded ways: every one is read without a crash, a hang or a
// sanitizer report, and whatever is accepted is a valid state.
#include "StorageTestSupport.h"

#include "Storage/Recording.h"
#include "Storage/SimulationFile.h"
#include "Storage/UniverseIO.h"

#include <fstream>
#include <iterator>
#include <random>

namespace {

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

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
    for (int trial = 0; trial < 1000; ++trial) {
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
    EXPECT_GT(refused, 500);
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

} // namespace
