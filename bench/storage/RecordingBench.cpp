// The recorder's costs at 28,880 particles: stepping with a frame taken after every step
// against stepping alone, and playing the recording back. Two universes from the same seed
// take turns, one recorded throughout and one not, so that the recording is one unbroken
// run (a keyframe every 100 frames, as in use) and both see the same load on the machine.

#include "StorageBench.h"

#include "Storage/Recording.h"
#include "universe/Universe.h"
#include "universe/UniverseSnapshot.h"

#ifdef ASTRIVO_BENCH_DRAWING
#include "Childwin/ViewRenderer.h"

#endif

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace StorageBench {

namespace {

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

#ifdef ASTRIVO_BENCH_DRAWING
// What a new view draws with, as the program sets it up: the sub-window's default size,
// the default camera five cluster sizes back, dots and lines on.
TFrameSettings DefaultView(double space, QSize size) {
    TFrameSettings s;
    s.Camera.ZoomX = s.Camera.ZoomY = 0.1 * size.height();
    s.Camera.Dolly = -5 * space;
    s.CentreX = size.width() / 2;
    s.CentreY = size.height() / 2;
    s.ClientWidth = size.width();
    s.ClientHeight = size.height();
    s.ShowLuminance = true;
    s.UseLines = true;
    s.Dots = {12, 130};
    return s;
}
#endif

void Playback(const TRecording& recording) {
    const std::int32_t frames = recording.FrameCount();
    double read = 0;
    double drawn = 0;
    std::vector<double> perFrame;
#ifdef ASTRIVO_BENCH_DRAWING
    TViewRenderer renderer;
    const QSize size(320, 256);
#endif
    for (std::int32_t k = 0; k < frames; ++k) {
        // A frame for every step: what the window shows, as it reads it.
        auto frame = std::make_shared<TUniverseSnapshot>();
        const auto start = Clock::now();
        if (!recording.ReadFrame(k, *frame).Ok) {
            std::printf("frame %d cannot be read\n", k);
            return;
        }
        const double readOne = SecondsSince(start);
        read += readOne;
#ifdef ASTRIVO_BENCH_DRAWING
        const auto drawStart = Clock::now();
        QImage picture = TViewRenderer::BlackFrame(size);
        renderer.RenderNow(picture, TPictureRequest{frame, DefaultView(frame->Space, size), size});
        const double drawOne = SecondsSince(drawStart);
        drawn += drawOne;
        perFrame.push_back(readOne + drawOne);
#else
        perFrame.push_back(readOne);
#endif
    }
    std::printf("  playback: %d frames, read %.1f ms a frame", frames, read / frames * 1e3);
#ifdef ASTRIVO_BENCH_DRAWING
    std::printf(", drawn (320 x 256 view) %.1f ms a frame\n", drawn / frames * 1e3);
    std::printf("  playback, read then drawn one after the other: %.0f frames/s "
                "(median frame %.1f ms; goal 30 frames/s)\n",
                frames / (read + drawn), Median(perFrame) * 1e3);
#else
    std::printf(" (%.0f frames/s; drawing not built in)\n", frames / read);
#endif
}

} // namespace

void Recording(const std::string& folder, int rounds) {
    std::unique_ptr<TUniverse> plain = Build(100, 5);
    std::unique_ptr<TUniverse> recorded = Build(100, 5);
    const std::string path = folder + "/bench-record.astrivo";
    std::unique_ptr<TRecording> recording;
    if (!TRecording::Create(path, recorded->LastIndex + 1, TRecorderOptions{}, recording).Ok ||
        !recording->Begin(*recorded).Ok) {
        std::printf("the recording cannot be made in %s\n", folder.c_str());
        return;
    }
    constexpr int StepsPerRound = 15; // one redo cycle
    std::vector<double> ratios;
    double plainTime = 0, recordedTime = 0, writeTime = 0;
    for (int round = 0; round < rounds; ++round) {
        double times[2] = {0, 0};
        // Alternating which goes first, so that neither always follows the other.
        for (int turn = 0; turn < 2; ++turn) {
            const bool record = (turn == 0) == (round % 2 == 1);
            TUniverse& u = record ? *recorded : *plain;
            const auto start = Clock::now();
            for (int s = 0; s < StepsPerRound; ++s) {
                u.Step(0, u.LastIndex);
                if (record) {
                    const auto write = Clock::now();
                    recording->StepTaken(u);
                    writeTime += SecondsSince(write);
                }
            }
            times[record ? 1 : 0] = SecondsSince(start);
        }
        plainTime += times[0];
        recordedTime += times[1];
        ratios.push_back(times[1] / times[0]);
    }
    const int steps = rounds * StepsPerRound;
    std::printf("28,880 particles, %d steps each way in %d alternating rounds:\n", steps, rounds);
    std::printf("  stepping %.1f ms a step; while recording %.1f ms a step, of which taking the "
                "frame %.2f ms\n",
                plainTime / steps * 1e3, recordedTime / steps * 1e3, writeTime / steps * 1e3);
    std::printf("  recording / not recording: %.3f overall, %.3f median of rounds "
                "(goal at most 1.10)\n",
                recordedTime / plainTime, Median(ratios));
    std::printf("  %d frames, %d keyframes, %.0f KB a frame on disk\n", recording->FrameCount(),
                static_cast<int>(recording->Keyframes().size()),
                static_cast<double>(recording->FileSize()) / recording->FrameCount() / 1e3);
    Playback(*recording);
    recording.reset();
    std::filesystem::remove(path);
}

} // namespace StorageBench
