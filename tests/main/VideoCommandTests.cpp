#include "Main/CommandLine.h"
#include "Main/VideoCommand.h"
#include "Main/VideoPicture.h"
#include "Storage/Recording.h"
#include "Storage/SimulationFile.h"
#include "tests/storage/StorageTestSupport.h"
#include "tests/video/VideoDecode.h"
#include "universe/UniverseSnapshot.h"

#include <fstream>
#include <sstream>

namespace {

std::int32_t ExportVideo(std::vector<std::string_view> words, std::string& errors) {
    const TCommandLine command = TCommandLine::Parse(words);
    EXPECT_EQ(command.Action, TCommandLine::TAction::ExportVideo) << command.Message;
    std::ostringstream text;
    const int status = VideoCommand::Run(command.Video, "astrivo", text);
    errors = text.str();
    return status;
}

// A saved simulation with a recording of six frames and two views: a plain one, and a
// side-by-side stereo one with grid and connecting lines, which is not the active view.
class VideoCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto universe = BuildSmall();
        std::unique_ptr<TRecording> recording;
        ASSERT_TRUE(TRecording::Create(Folder.File("take.h5"), universe->LastIndex + 1,
                                       TRecorderOptions{}, recording)
                        .Ok);
        ASSERT_TRUE(recording->Begin(*universe).Ok);
        for (int frame = 1; frame < 6; ++frame) {
            for (int step = 0; step < 40; ++step)
                universe->Step(0, universe->LastIndex);
            ASSERT_TRUE(recording->Append(*universe).Ok);
        }
        TViewRecord plain{"View 1", DefaultViewSettings(151, universe->Space), 0, 0, 201, 151};
        TViewRecord stereo = plain;
        stereo.Caption = "View 2";
        stereo.Settings.ShowAs = saAutoStereo;
        stereo.Settings.ShowGrid = true;
        stereo.Settings.UseLines = true;
        stereo.Settings.PartSize = 60;
        Views = {{plain, stereo}, 0};
        ASSERT_TRUE(SimulationFile::Save(Simulation, *universe, SettingsFor(SmallSettings()), Views,
                                         recording.get())
                        .Ok);
        ASSERT_TRUE(TRecording::Open(Folder.File("take.h5"), Recording).Ok);
    }

    std::vector<std::uint32_t> Picture(std::int32_t index, const TViewSettings& view) {
        TUniverseSnapshot frame;
        EXPECT_TRUE(Recording->ReadFrame(index, frame).Ok);
        std::vector<std::uint32_t> pixels(200 * 150);
        TPixelFrame picture;
        picture.Bits = reinterpret_cast<std::uint8_t*>(pixels.data());
        picture.BytesPerLine = 200 * 4;
        picture.Width = 200;
        picture.Height = 150;
        TViewPictureDrawer drawer;
        drawer.Draw(picture, frame, VideoExport::FrameSettings(view, 151, 200, 150, frame.Space));
        for (std::uint32_t& pixel : pixels)
            pixel &= 0xFFFFFFu; // the painter's opaque top byte is no colour
        return pixels;
    }

    TTempFolder Folder;
    std::string Simulation = Folder.File("run.astrivo");
    std::unique_ptr<TRecording> Recording;
    TViewsRecord Views;
};

TEST_F(VideoCommandTest, RendersTheChosenViewAndFramesAtTheViewsOwnSize) {
    const std::string video = Folder.File("run.mp4");
    std::string errors;
    ASSERT_EQ(ExportVideo({"--export-video", Simulation, video, "--view", "2", "--first", "3",
                           "--last", "5", "--fps", "12"},
                          errors),
              0)
        << errors;
    EXPECT_NE(errors.find("frame 3 of 3 (100%)"), std::string::npos) << errors;

    const TDecodedVideo decoded = DecodeVideo(video);
    ASSERT_EQ(decoded.Error, "");
    EXPECT_EQ(decoded.Width, 200); // the view's 201 x 151, made even
    EXPECT_EQ(decoded.Height, 150);
    EXPECT_EQ(av_cmp_q(decoded.Rate, AVRational{12, 1}), 0);
    ASSERT_EQ(decoded.Frames.size(), 3u);
    // Frame 4 (index 3) as the stereo view paints it, grid and lines included; the plain
    // view's picture of the same frame is far from it.
    const std::vector<std::uint32_t> stereo = Picture(3, Views.Views[1].Settings);
    EXPECT_GE(Psnr(stereo, decoded.Frames[1]), 35);
    EXPECT_LT(Psnr(Picture(3, Views.Views[0].Settings), decoded.Frames[1]), 30);
}

TEST_F(VideoCommandTest, BadInputGivesOneLineAndNoVideo) {
    const std::string video = Folder.File("out.mp4");
    std::ofstream(Folder.File("notes.astrivo")) << "not a simulation\n";
    std::string errors;
    // Strings, not views: the paths are temporaries that must outlive the loop's lists.
    const std::string notes = Folder.File("notes.astrivo");
    const std::string missing = Folder.File("missing.astrivo");
    for (const std::vector<std::string_view>& words :
         {std::vector<std::string_view>{"--export-video", notes, video},
          {"--export-video", missing, video},
          {"--export-video", Simulation, video, "--view", "3"},
          {"--export-video", Simulation, video, "--last", "7"}}) {
        EXPECT_EQ(ExportVideo(words, errors), 1) << words[1];
        EXPECT_EQ(errors.find("astrivo: "), 0u) << errors;
        EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
        EXPECT_FALSE(std::filesystem::exists(video));
    }
}

} // namespace
