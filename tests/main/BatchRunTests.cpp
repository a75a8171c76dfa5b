#include "Main/BatchRun.h"

#include "Storage/Recording.h"
#include "Storage/SimulationFile.h"
#include "Storage/UniverseIO.h"
#include "tests/storage/StorageTestSupport.h"
#include "universe/SimulationRunner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class BatchRunTest : public ::testing::Test {
protected:
    // The default universe's size, stepped into the middle of a redo cycle so that full and
    // partial steps both come in the run.
    std::string SaveStart(TGravityMethod method, std::int32_t number = 40) {
        std::unique_ptr<TUniverse> universe = BuildSmall(number, 11);
        TSettings settings = SettingsFor(SmallSettings(number));
        universe->SetGravityMethod(method);
        settings.GravityMethod = method;
        if (method == gmTree) {
            universe->SetOpeningAngle(SettingsTable::OpeningAngle(9));
            settings.OpeningAngle = 9;
        }
        universe->Step(0, universe->LastIndex);
        universe->Step(0, universe->LastIndex);
        const std::string path = Folder.File("start.astrivo");
        const TStorageResult saved = SimulationFile::Save(path, *universe, settings, TwoViews());
        EXPECT_TRUE(saved.Ok) << saved.Message;
        return path;
    }

    static TSimulationContents Load(const std::string& path) {
        TSimulationContents contents;
        const TStorageResult loaded = SimulationFile::Load(path, contents);
        EXPECT_TRUE(loaded.Ok) << loaded.Message;
        return contents;
    }

    std::vector<std::int32_t> FrameIterations(const std::string& path) {
        std::unique_ptr<TRecording> recording;
        const TStorageResult read =
            TRecording::Extract(path, Folder.File("frames.scratch"), recording);
        EXPECT_TRUE(read.Ok) << read.Message;
        if (read.Ok)
            recording->SetTemporary(true);
        std::vector<std::int32_t> iterations;
        for (std::int32_t k = 0; read.Ok && k < recording->FrameCount(); ++k)
            iterations.push_back(recording->FrameIteration(k));
        return iterations;
    }

    TTempFolder Folder;
};

// The window opens a file by handing its universe to the engine thread, which then steps
// it; a batch run must land on the same bits, whatever thread count either step uses.
TEST_F(BatchRunTest, StepsToTheBitsTheWindowsEngineReachesFromTheSameFile) {
    constexpr std::int32_t Steps = 9;
    for (const TGravityMethod method : {gmPairs, gmTree}) {
        SCOPED_TRACE(method == gmTree ? "tree" : "pairs");
        const std::string in = SaveStart(method);
        const std::string out = Folder.File("out.astrivo");
        TBatchRun batch;
        ASSERT_TRUE(batch.Open(in, 0).Ok);
        const TStorageResult ran = batch.Run(Steps, out);
        ASSERT_TRUE(ran.Ok) << ran.Message;
        EXPECT_EQ(batch.StepsDone(), Steps);

        const std::shared_ptr<const TUniverse> opened(Load(in).Universe);
        auto reached = std::make_unique<TUniverse>();
        {
            TSimulationRunner runner;
            runner.Replace([opened](TUniverse& target) {
                target.SetStepThreads(1);
                return UniverseIO::CopyState(*opened, target);
            });
            for (std::int32_t k = 0; k < Steps; ++k)
                runner.StepOnce();
            runner.Run([&reached](TUniverse& universe) { reached->CopyStateFrom(universe); });
            ASSERT_TRUE(runner.WaitUntilIdle(std::chrono::seconds(60)));
        }
        const TSimulationContents written = Load(out);
        ASSERT_TRUE(written.Universe);
        EXPECT_EQ(written.Universe->IterationCount, opened->IterationCount + Steps);
        ExpectSameState(*written.Universe, *reached);
        EXPECT_EQ(written.Universe->GravityMethod, method);
        EXPECT_EQ(written.Settings, Load(in).Settings);
        EXPECT_EQ(written.Views, TwoViews());
        EXPECT_FALSE(written.HasRecording);
    }
}

// Frames as the window's recorder takes them (the start state, then every K-th step), into
// a new recording and then onto the end of the file's own; stopping part way still writes
// a whole file, in place when the output names the input, and never touches an input that
// it does not name.
TEST_F(BatchRunTest, RecordsAsTheRecorderDoesAndAStoppedRunStillWritesItsFile) {
    const std::string in = SaveStart(gmPairs, 12);
    const std::int32_t start = Load(in).Universe->IterationCount;
    const std::string before = Bytes(in);
    const std::string out = Folder.File("out.astrivo");
    {
        TBatchRun batch;
        ASSERT_TRUE(batch.Open(in, 2).Ok);
        ASSERT_TRUE(batch.Run(5, out).Ok);
    }
    EXPECT_EQ(Bytes(in), before);
    EXPECT_EQ(FrameIterations(out), (std::vector{start, start + 2, start + 4}));

    TBatchRun batch;
    ASSERT_TRUE(batch.Open(out, 1).Ok);
    const TStorageResult ran = batch.Run(1000, out, [&batch](const TBatchRun::TProgress& p) {
        if (p.StepsDone == 2)
            batch.RequestStop();
    });
    ASSERT_TRUE(ran.Ok) << ran.Message;
    EXPECT_EQ(batch.StepsDone(), 2);
    const std::vector<std::string> expected{"out.astrivo", "start.astrivo"};
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Folder.Path))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, expected) << "a scratch or temporary file was left behind";
    EXPECT_EQ(Load(out).Universe->IterationCount, start + 7);
    EXPECT_EQ(FrameIterations(out),
              (std::vector{start, start + 2, start + 4, start + 5, start + 6, start + 7}));

    // A recording of other particles goes along unchanged, but cannot take this universe's
    // frames.
    std::unique_ptr<TRecording> recording;
    ASSERT_TRUE(TRecording::Extract(out, Folder.File("frames.scratch"), recording).Ok);
    recording->SetTemporary(true);
    const std::string other = Folder.File("other.astrivo");
    ASSERT_TRUE(SimulationFile::Save(other, *BuildSmall(13), SettingsFor(SmallSettings(13)), {},
                                     recording.get())
                    .Ok);
    EXPECT_TRUE(TBatchRun().Open(other, 0).Ok);
    const TStorageResult refused = TBatchRun().Open(other, 1);
    EXPECT_FALSE(refused.Ok);
    EXPECT_NE(refused.Message.find("particles"), std::string::npos) << refused.Message;
}

#ifdef ASTRIVO_PROGRAM
struct TFinished {
    int Status = -1;
    std::string Errors;
};

// Runs the program with no display, its standard error read; once the first line has come
// (the run is under way, its signal handlers in place) signal, if not 0, is sent.
TFinished RunProgram(std::vector<std::string> arguments, int signal = 0) {
    std::vector<std::string> words{
        "env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM", ASTRIVO_PROGRAM};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    int pipe[2];
    EXPECT_EQ(::pipe(pipe), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipe[0]);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = -1;
    EXPECT_EQ(posix_spawnp(&child, "env", &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe[1]);
    TFinished finished;
    char c;
    bool signalled = signal == 0;
    while (::read(pipe[0], &c, 1) == 1) {
        finished.Errors.push_back(c);
        if (c == '\n' && !signalled) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            ::kill(child, signal);
            signalled = true;
        }
    }
    ::close(pipe[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    finished.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return finished;
}

TEST_F(BatchRunTest, TheProgramRefusesWhatIsNoSimulationInOneLineAndNoOutput) {
    const std::string valid = SaveStart(gmPairs, 12);
    const std::string truncated = Folder.File("truncated.astrivo");
    std::ofstream(truncated, std::ios::binary) << Bytes(valid).substr(0, 3000);
    const std::string text = Folder.File("notes.astrivo");
    std::ofstream(text) << "not a simulation\n";
    const std::string recordingOnly = Folder.File("recording.astrivo");
    {
        std::unique_ptr<TRecording> recording;
        ASSERT_TRUE(TRecording::Create(recordingOnly, 10, {}, recording).Ok);
    }
    const std::string out = Folder.File("out.astrivo");
    for (const std::string& bad :
         {truncated, text, recordingOnly, Folder.File("missing.astrivo")}) {
        SCOPED_TRACE(bad);
        const TFinished finished = RunProgram({"--run", bad, "--steps", "3", "--output", out});
        EXPECT_EQ(finished.Status, 1);
        EXPECT_EQ(std::count(finished.Errors.begin(), finished.Errors.end(), '\n'), 1)
            << finished.Errors;
        EXPECT_NE(finished.Errors.find(bad), std::string::npos) << finished.Errors;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

TEST_F(BatchRunTest, SigtermStopsTheProgramAtAStepWithItsOutputWritten) {
    const std::string in = SaveStart(gmPairs);
    const std::string out = Folder.File("out.astrivo");
    const TFinished finished = RunProgram(
        {"--run", in, "--steps", "2000000000", "--record-every", "5", "--output", out}, SIGTERM);
    EXPECT_EQ(finished.Status, 128 + SIGTERM) << finished.Errors;
    EXPECT_NE(finished.Errors.find("stopped after"), std::string::npos) << finished.Errors;
    const TSimulationContents written = Load(out);
    ASSERT_TRUE(written.Universe);
    const std::int32_t start = Load(in).Universe->IterationCount;
    // Perhaps no step yet on a crowded machine; the frames still match the steps taken.
    EXPECT_GE(written.Universe->IterationCount, start);
    const std::vector<std::int32_t> frames = FrameIterations(out);
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.front(), start);
    EXPECT_EQ(frames.back(),
              written.Universe->IterationCount - (written.Universe->IterationCount - start) % 5);
}
#endif

} // namespace
