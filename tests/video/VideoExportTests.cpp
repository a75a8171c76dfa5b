#include "Childwin/DisplayList.h"
#include "Childwin/LineList.h"
#include "Storage/Recording.h"
#include "tests/storage/StorageTestSupport.h"
#include "tests/video/VideoDecode.h"
#include "universe/UniverseSnapshot.h"
#include "video/VideoExport.h"

#include <fstream>
#include <iterator>

namespace {

// The engine's own renderer, particles only: the pictures a video must carry.
class TParticleDrawer : public TFrameDrawer {
public:
    void Draw(const TPixelFrame& frame, const TUniverseSnapshot& universe,
              const TFrameSettings& settings) override {
        frame.Clear();
        RenderUniverse(&universe, &List, frame, settings, Lines, Points);
    }
    std::vector<std::uint32_t> Picture(const TUniverseSnapshot& universe,
                                       const TFrameSettings& settings) {
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(settings.ClientWidth) *
                                          static_cast<std::size_t>(settings.ClientHeight));
        TPixelFrame frame;
        frame.Bits = reinterpret_cast<std::uint8_t*>(pixels.data());
        frame.BytesPerLine = settings.ClientWidth * 4;
        frame.Width = settings.ClientWidth;
        frame.Height = settings.ClientHeight;
        Draw(frame, universe, settings);
        return pixels;
    }

private:
    TDisplayList List;
    TLineList Lines;
    TDrawnPoints Points;
};

class VideoExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto universe = BuildSmall();
        ASSERT_TRUE(TRecording::Create(Folder.File("take.h5"), universe->LastIndex + 1,
                                       TRecorderOptions{}, Recording)
                        .Ok);
        ASSERT_TRUE(Recording->Begin(*universe).Ok);
        for (int frame = 1; frame < 8; ++frame) {
            for (int step = 0; step < 40; ++step)
                universe->Step(0, universe->LastIndex);
            ASSERT_TRUE(Recording->Append(*universe).Ok);
        }
        Job.View = DefaultViewSettings(180, universe->Space);
        Job.View.PartSize = 120; // dots large enough that a lost picture shows in the figures
        Job.ViewHeight = 180;
    }
    TFrameReader Reader() {
        return [this](std::int32_t index, TUniverseSnapshot& frame) {
            return Recording->ReadFrame(index, frame);
        };
    }
    std::vector<std::string> FolderNames() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(Folder.Path))
            if (entry.path().filename() != "take.h5")
                names.push_back(entry.path().filename().string());
        return names;
    }

    TTempFolder Folder;
    std::unique_ptr<TRecording> Recording;
    TVideoJob Job;
    TParticleDrawer Drawer;
};

TEST_F(VideoExportTest, ARangeOfFramesBecomesAnH264VideoOfThosePicturesAtTheChosenRate) {
    Job.First = 2;
    Job.Last = 6;
    Job.Format = {241, 181, 24, 20}; // odd: yuv420p needs both even
    const std::string path = Folder.File("clip.mp4");
    std::vector<std::int32_t> told;
    const TVideoResult result =
        VideoExport::Write(path, Job, Reader(), Drawer, [&](std::int32_t done, std::int32_t total) {
            told.push_back(done * 100 + total);
            return true;
        });
    ASSERT_EQ(result.End, TVideoEnd::Written) << result.Message;
    EXPECT_EQ(told, (std::vector<std::int32_t>{105, 205, 305, 405, 505}));
    EXPECT_EQ(FolderNames(), std::vector<std::string>{"clip.mp4"}); // no scratch file left

    const TDecodedVideo video = DecodeVideo(path);
    ASSERT_EQ(video.Error, "");
    EXPECT_EQ(video.Codec, "h264");
    EXPECT_EQ(video.PixelFormat, AV_PIX_FMT_YUV420P);
    EXPECT_EQ(video.Width, 240);
    EXPECT_EQ(video.Height, 180);
    EXPECT_EQ(av_cmp_q(video.Rate, AVRational{24, 1}), 0);
    ASSERT_EQ(video.Frames.size(), 5u);

    // Every frame is its own recorded picture, in order: the clusters move between frames,
    // so a frame shifted by one matches its picture clearly worse.
    const std::vector<std::uint32_t> black(video.Frames[0].size(), 0);
    for (std::int32_t k = 0; k < 5; ++k) {
        TUniverseSnapshot frame;
        ASSERT_TRUE(Recording->ReadFrame(Job.First + k, frame).Ok);
        const std::vector<std::uint32_t> picture = Drawer.Picture(
            frame, VideoExport::FrameSettings(Job.View, Job.ViewHeight, 240, 180, frame.Space));
        ASSERT_LT(Psnr(picture, black), 30) << "too little drawn for the comparison to mean much";
        const double own = Psnr(picture, video.Frames[static_cast<std::size_t>(k)]);
        EXPECT_GE(own, 35) << "frame " << k;
        if (k > 0) {
            EXPECT_LT(Psnr(picture, video.Frames[static_cast<std::size_t>(k - 1)]), own - 3);
        }
    }
}

TEST_F(VideoExportTest, CancellingOrFailingLeavesNoFileAndTheOldOneUntouched) {
    Job.First = 0;
    Job.Last = 7;
    Job.Format = {160, 120, 30, 20};
    const std::string path = Folder.File("clip.mp4");
    std::ofstream(path) << "an older video";

    const TVideoResult cancelled = VideoExport::Write(
        path, Job, Reader(), Drawer, [](std::int32_t done, std::int32_t) { return done < 3; });
    EXPECT_EQ(cancelled.End, TVideoEnd::Cancelled);

    // A frame that cannot be read half-way through fails the same way, with its reason.
    const TVideoResult failed = VideoExport::Write(
        path, Job,
        [this](std::int32_t index, TUniverseSnapshot& frame) {
            return index == 4 ? TStorageResult::Failure("frame 5 is damaged")
                              : Recording->ReadFrame(index, frame);
        },
        Drawer);
    EXPECT_EQ(failed.End, TVideoEnd::Failed);
    EXPECT_EQ(failed.Message, "frame 5 is damaged");

    std::ifstream kept(path);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "an older video");
    EXPECT_EQ(FolderNames(), std::vector<std::string>{"clip.mp4"});
}

TEST_F(VideoExportTest, AnUnwritablePlaceGivesAnErrorNamingIt) {
    Job.First = Job.Last = 0;
    Job.Format = {160, 120, 30, 20};
    const std::string missing = Folder.File("no such folder");
    TVideoResult result = VideoExport::Write(missing + "/clip.mp4", Job, Reader(), Drawer);
    EXPECT_EQ(result.End, TVideoEnd::Failed);
    EXPECT_NE(result.Message.find("cannot be written"), std::string::npos) << result.Message;
    EXPECT_NE(result.Message.find(missing), std::string::npos) << result.Message;
    EXPECT_NE(result.Message.find("No such file or directory"), std::string::npos);

    // Permissions do not bind the superuser, who may run the tests in a container.
    if (::geteuid() != 0) {
        const std::filesystem::path locked = Folder.Path / "locked";
        std::filesystem::create_directory(locked);
        std::filesystem::permissions(locked, std::filesystem::perms::owner_read |
                                                 std::filesystem::perms::owner_exec);
        result = VideoExport::Write((locked / "clip.mp4").string(), Job, Reader(), Drawer);
        EXPECT_EQ(result.End, TVideoEnd::Failed);
        EXPECT_NE(result.Message.find("Permission denied"), std::string::npos) << result.Message;
    }
}

} // namespace
