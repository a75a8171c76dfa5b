#include "Main/CommandLine.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TCommandLine Parse(std::vector<std::string_view> words) {
    return TCommandLine::Parse(words);
}

using A = TCommandLine::TAction;

TEST(CommandLine, AFileOpensAndNothingBuildsTheDefaultUniverse) {
    EXPECT_EQ(Parse({}).Action, A::Run);
    EXPECT_TRUE(Parse({}).File.empty());
    const TCommandLine one = Parse({"run.astrivo"});
    EXPECT_EQ(one.Action, A::Run);
    EXPECT_EQ(one.File, "run.astrivo");
    // After "--" a name that starts with a dash is a file.
    EXPECT_EQ(Parse({"--", "-odd.astrivo"}).File, "-odd.astrivo");
}

TEST(CommandLine, HelpAndVersionWinAndBadWordsAreErrors) {
    EXPECT_EQ(Parse({"--help"}).Action, A::Help);
    EXPECT_EQ(Parse({"run.astrivo", "-h"}).Action, A::Help);
    EXPECT_EQ(Parse({"--version"}).Action, A::Version);
    EXPECT_EQ(Parse({"--frobnicate"}).Action, A::Error);
    EXPECT_NE(Parse({"--frobnicate"}).Message.find("--frobnicate"), std::string::npos);
    EXPECT_EQ(Parse({"a.astrivo", "b.astrivo"}).Action, A::Error);
    EXPECT_NE(TCommandLine::HelpText("astrivo").find("Usage: astrivo [FILE]"), std::string::npos);
    EXPECT_NE(TCommandLine::VersionText().find("Astrivo 2"), std::string::npos);
}

TEST(CommandLine, StatisticsNeedAFileAndFramesNeedStatistics) {
    const TCommandLine plain = Parse({"--statistics", "run.astrivo"});
    EXPECT_EQ(plain.Action, A::Statistics);
    EXPECT_EQ(plain.File, "run.astrivo");
    EXPECT_FALSE(plain.Frames);
    const TCommandLine framed = Parse({"run.astrivo", "--frames", "--statistics"});
    EXPECT_EQ(framed.Action, A::Statistics);
    EXPECT_TRUE(framed.Frames);
    EXPECT_EQ(Parse({"--statistics"}).Action, A::Error);
    EXPECT_EQ(Parse({"--frames", "run.astrivo"}).Action, A::Error);
    // After "--" it is a file's name like any other.
    EXPECT_EQ(Parse({"--", "--statistics"}).Action, A::Run);
}

TEST(CommandLine, BatchRunsNeedTheirThreePartsAndWholeCounts) {
    const TCommandLine run = Parse(
        {"--output", "b.astrivo", "--steps", "500", "--run", "a.astrivo", "--record-every", "10"});
    EXPECT_EQ(run.Action, A::BatchRun);
    EXPECT_EQ(run.File, "a.astrivo");
    EXPECT_EQ(run.Output, "b.astrivo");
    EXPECT_EQ(run.Steps, 500);
    EXPECT_EQ(run.RecordEvery, 10);
    EXPECT_EQ(Parse({"--run", "a", "--steps", "0", "--output", "a"}).RecordEvery, 0);
    for (const std::vector<std::string_view>& bad : std::vector<std::vector<std::string_view>>{
             {"--run", "a", "--output", "b"},
             {"--run", "a", "--steps", "5"},
             {"--steps", "5", "--output", "b", "--run"},
             {"--run", "a", "--steps", "-5", "--output", "b"},
             {"--run", "a", "--steps", "5x", "--output", "b"},
             {"--run", "a", "--steps", "3000000000", "--output", "b"},
             {"--run", "a", "--steps", "5", "--record-every", "0", "--output", "b"},
             {"--run", "a", "--steps", "5", "--output", "b", "--frames"},
             {"--run", "a", "--steps", "5", "--output", "b", "c"}}) {
        const TCommandLine parsed = Parse(bad);
        EXPECT_EQ(parsed.Action, A::Error) << bad.back();
        EXPECT_FALSE(parsed.Message.empty());
    }
    // Every form the program takes is in the help, each with an example.
    const std::string help = TCommandLine::HelpText("astrivo");
    for (const char* form : {"astrivo [FILE]", "--statistics [--frames] FILE",
                             "--run IN --steps N [--record-every K] --output OUT",
                             "--export-video IN OUT.mp4 [--fps N] [--size WxH] [--view N]",
                             "[--first F] [--last L]", "--version"})
        EXPECT_NE(help.find(form), std::string::npos) << form;
    for (const char* example :
         {"\n  astrivo collision.astrivo\n", "\n  astrivo --statistics", "\n  astrivo --run",
          "\n  astrivo --export-video", "\n  astrivo --version"})
        EXPECT_NE(help.find(example), std::string::npos) << example;
}

} // namespace
