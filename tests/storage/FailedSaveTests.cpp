// Saves that fail with a long recording, which is written straight to the disk rather than
// built in memory: the old file stays, the reason is given, and HDF5 is left in a state the
// program can end from. Each case runs in a child process, which must end normally.
#include "StorageTestSupport.h"

#include "Storage/AtomicFile.h"
#include "Storage/H5Access.h"
#include "Storage/Recording.h"
#include "Storage/SimulationFile.h"

#include <array>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sys/resource.h>

namespace {

std::size_t EntriesIn(const std::filesystem::path& folder) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

// Caps the size of files this process writes, as a full disk would.
void LimitFileSize(rlim_t bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

// Ends the child: 0 when every check held. Exit handlers run, HDF5's among them.
[[noreturn]] void EndChild(bool passed) {
    std::exit(passed ? 0 : 1);
}

class FailedSaveTest : public ::testing::Test {
protected:
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        ASSERT_TRUE(TRecording::Create(Folder.File("recording.astrivo"), Universe->LastIndex + 1,
                                       TRecorderOptions{}, Recording)
                        .Ok);
        ASSERT_TRUE(Recording->Begin(*Universe).Ok);
        // More frames than a save builds in memory.
        for (int s = 0; s < 120; ++s) {
            Universe->Step(0, Universe->LastIndex);
            ASSERT_TRUE(Recording->StepTaken(*Universe).Ok);
        }
        Path = Folder.File("run.astrivo");
        ASSERT_TRUE(Save(Path).Ok);
        Before = ReadBytes(Path);
    }

    TStorageResult Save(const std::string& path) {
        return SimulationFile::Save(path, *Universe, SettingsFor(SmallSettings()), TwoViews(),
                                    Recording.get());
    }

    bool OldFileIntact() const { return ReadBytes(Path) == Before && EntriesIn(Folder.Path) == 2; }

    // Records until the disk is full, saves elsewhere, and tells whether the recording
    // stopped cleanly: its file and the saved one hold every frame taken before the failure.
    bool FillTheDiskWhileRecording() {
        const std::string recorded = Folder.File("recording.astrivo");
        // Room for some thousands of frames of this small universe.
        LimitFileSize(std::filesystem::file_size(recorded) + (std::uintmax_t{8} << 20));
        TStorageResult step = TStorageResult::Success();
        std::vector<float> taken; // one particle's X in each frame taken here
        for (int s = 0; s < 100000 && step.Ok; ++s) {
            Universe->Step(0, Universe->LastIndex);
            step = Recording->StepTaken(*Universe);
            if (step.Ok)
                taken.push_back(static_cast<float>(Universe->Particles[3].X));
        }
        const std::int32_t kept = Recording->FrameCount();
        // Once failed, the recording takes no more frames, and says so at once.
        const bool refused = !Recording->Append(*Universe).Ok && Recording->FrameCount() == kept;
        // Saved elsewhere, where there is room, with the frames it holds.
        LimitFileSize(RLIM_INFINITY);
        const std::string elsewhere = Folder.File("elsewhere.astrivo");
        const TStorageResult saved = Save(elsewhere);
        Recording.reset();
        std::unique_ptr<TRecording> fromSave, fromFile;
        const TStorageResult a = TRecording::Extract(elsewhere, Folder.File("a.astrivo"), fromSave);
        const TStorageResult b = TRecording::Extract(recorded, Folder.File("b.astrivo"), fromFile);
        // Every frame taken before the failure, the last one intact, and none after it.
        bool intact = a.Ok && b.Ok && kept == 121 + static_cast<std::int32_t>(taken.size());
        for (const TRecording* copy : std::array{fromSave.get(), fromFile.get()}) {
            TUniverseSnapshot last;
            intact = intact && copy->FrameCount() == kept && copy->ReadFrame(kept - 1, last).Ok &&
                     last.Particles[3].X == taken.back();
        }
        return taken.size() > 100 && !step.Ok && refused && saved.Ok && intact;
    }

    TTempFolder Folder;
    std::unique_ptr<TUniverse> Universe = BuildSmall();
    std::unique_ptr<TRecording> Recording;
    std::string Path;
    std::string Before;
};

TEST_F(FailedSaveTest, ALongRecordingSavesAndOpens) {
    TSimulationContents contents;
    ASSERT_TRUE(SimulationFile::Load(Path, contents).Ok);
    EXPECT_TRUE(contents.HasRecording);
    std::unique_ptr<TRecording> extracted;
    ASSERT_TRUE(TRecording::Extract(Path, Folder.File("copy.astrivo"), extracted).Ok);
    EXPECT_EQ(extracted->FrameCount(), 121);
    // Room is set aside for the file before it is written; what was not needed is given back.
    EXPECT_LT(std::filesystem::file_size(Path),
              std::filesystem::file_size(Folder.File("recording.astrivo")) + (1u << 20));
}

TEST_F(FailedSaveTest, AFullDiskLeavesTheOldFileAndTheProgramEndsNormally) {
    EXPECT_EXIT(
        {
            Universe->Step(0, Universe->LastIndex);
            LimitFileSize(Before.size() / 2);
            const TStorageResult result = Save(Path);
            LimitFileSize(RLIM_INFINITY);

            EndChild(!result.Ok && result.Message.find("File too large") != std::string::npos &&
                     OldFileIntact());
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(FailedSaveTest, AFolderGoneBeforeOrDuringTheSaveIsReported) {
    EXPECT_EXIT(
        {
            const TStorageResult gone = Save(Folder.File("gone/run.astrivo"));
            // The folder removed while the file is being written into it.
            const std::filesystem::path doomed = Folder.Path / "doomed";
            std::filesystem::create_directory(doomed);
            const TStorageResult removed =
                AtomicFile::Write((doomed / "run.astrivo").string(),
                                  [&](hid_t file) {
                                      std::filesystem::remove_all(doomed);
                                      Recording->CopyInto(file);
                                  },
                                  std::uintmax_t{1} << 22);
            EndChild(!gone.Ok && gone.Message.find("No such file") != std::string::npos &&
                     !removed.Ok && OldFileIntact());
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(FailedSaveTest, AFolderMadeReadOnlyIsReported) {
    std::filesystem::permissions(Folder.Path, std::filesystem::perms::owner_read |
                                                  std::filesystem::perms::owner_exec);
    if (::access(Folder.Path.c_str(), W_OK) == 0)
        GTEST_SKIP() << "this user writes into read-only folders";
    EXPECT_EXIT(
        {
            const TStorageResult result = Save(Path);
            EndChild(!result.Ok && result.Message.find("Permission denied") != std::string::npos &&
                     OldFileIntact());
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(FailedSaveTest, ADiskFillingWhileRecordingClosesItWithWhatWasWritten) {
    EXPECT_EXIT(EndChild(FillTheDiskWhileRecording()), ::testing::ExitedWithCode(0), "");
}

} // namespace
