#include "Storage/Recording.h"
#include "Storage/SimulationFile.h"
#include "statistics/FigureCsv.h"
#include "statistics/FileStatistics.h"
#include "tests/storage/StorageTestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sstream>

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

std::string FiguresRow(const TUniverse& universe) {
    TFigureState state;
    state.CopyFrom(universe);
    return FigureCsv::Row(*Figures::WorkOut(state));
}

// A small collision saved with a recording of its last three steps.
class StatisticsOfAFile : public ::testing::Test {
protected:
    void SetUp() override {
        Universe = BuildSmall(30);
        std::unique_ptr<TRecording> recording;
        ASSERT_TRUE(TRecording::Create(Folder.File("take.rec"), Universe->LastIndex + 1,
                                       TRecorderOptions{}, recording)
                        .Ok);
        ASSERT_TRUE(recording->Begin(*Universe).Ok);
        FirstFrame = FiguresRow(*Universe);
        for (int step = 0; step < 2; ++step) {
            ASSERT_TRUE(Universe->Step(0, Universe->LastIndex));
            ASSERT_TRUE(recording->StepTaken(*Universe).Ok);
        }
        ASSERT_EQ(recording->FrameCount(), 3);
        ASSERT_TRUE(SimulationFile::Save(Path(), *Universe, SettingsFor(SmallSettings(30)),
                                         TwoViews(), recording.get())
                        .Ok);
    }
    std::string Path() const { return Folder.File("run.astrivo"); }

    TTempFolder Folder;
    std::unique_ptr<TUniverse> Universe;
    std::string FirstFrame;
};

TEST_F(StatisticsOfAFile, TheUniverseRowAndOneRowPerFrame) {
    std::ostringstream out, notes;
    ASSERT_TRUE(FileStatistics::Write(Path(), false, out, notes).Ok);
    EXPECT_EQ(out.str(), FigureCsv::Header() + FiguresRow(*Universe));

    std::ostringstream framed;
    ASSERT_TRUE(FileStatistics::Write(Path(), true, framed, notes).Ok);
    const std::vector<std::string> lines = Lines(framed.str());
    ASSERT_EQ(lines.size(), 5u); // header, the universe, three frames
    // A frame keeps single-precision positions and no velocities: its potential is near the
    // state's, its kinetic energy, total, momentum and virial are empty.
    const std::vector<std::string> exact = Lines(FirstFrame);
    std::array<std::string, 9> fields;
    std::stringstream first(lines[2]);
    for (std::string& field : fields)
        std::getline(first, field, ',');
    EXPECT_EQ(fields[0], "");
    EXPECT_EQ(fields[2] + fields[3] + fields[6], "");
    std::stringstream truth(exact[0]);
    std::array<std::string, 9> expected;
    for (std::string& field : expected)
        std::getline(truth, field, ',');
    EXPECT_NEAR(std::stod(fields[1]), std::stod(expected[1]),
                1e-5 * std::abs(std::stod(expected[1])));
    EXPECT_EQ(fields[8], expected[8]);
    EXPECT_EQ(Lines(framed.str()).back().substr(0, 1), ",");
    EXPECT_TRUE(notes.str().empty());

    std::ostringstream nothing;
    EXPECT_FALSE(FileStatistics::Write(Folder.File("missing.astrivo"), false, nothing, notes).Ok);
    EXPECT_TRUE(nothing.str().empty());
}

#ifdef ASTRIVO_PROGRAM
// The program prints the same with no display and without starting its windows.
TEST_F(StatisticsOfAFile, TheProgramPrintsThemWithNoDisplay) {
    std::ostringstream expected, notes;
    ASSERT_TRUE(FileStatistics::Write(Path(), true, expected, notes).Ok);
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" +
                                std::string(ASTRIVO_PROGRAM) + "' --statistics --frames '" +
                                Path() + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string printed;
    std::array<char, 4096> buffer{};
    for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
        printed.append(buffer.data(), n);
    EXPECT_EQ(::pclose(pipe), 0);
    EXPECT_EQ(printed, expected.str());
}
#endif

} // namespace
