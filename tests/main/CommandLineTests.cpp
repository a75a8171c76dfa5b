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

} // namespace
