#include "video/VideoEncoder.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Packed 32-bit pixels, blue in the lowest byte and the top byte ignored: a pixel frame's
// layout, so pictures go to the converter without a copy.
constexpr AVPixelFormat PictureFormat = AV_PIX_FMT_BGR0;

// Options for a dictionary-taking call, freed whether or not the call took them all.
struct TOptions {
    AVDictionary* Entries = nullptr;
    ~TOptions() { av_dict_free(&Entries); }
    void Set(const char* key, const std::string& value) {
        av_dict_set(&Entries, key, value.c_str(), 0);
    }
};

} // namespace

TVideoEncoder::TVideoEncoder() = default;

TVideoEncoder::~TVideoEncoder() {
    Abandon();
}

std::int32_t TVideoEncoder::EvenSize(std::int32_t size) {
    return std::max(2, size - size % 2);
}

TStorageResult TVideoEncoder::Fail(const std::string& what, int code) {
    Abandon();
    std::string message = "The video " + FPath + " cannot be written: " + what;
    if (code != 0)
        message += " (" + Av::ErrorText(code) + ")";
    return TStorageResult::Failure(message + ".");
}

TStorageResult TVideoEncoder::Open(const std::string& path, const TVideoFormat& format) {
    Abandon();
    FPath = path;
    FWidth = EvenSize(format.Width);
    FHeight = EvenSize(format.Height);
    FFrames = 0;
    if (format.FramesPerSecond < 1)
        return Fail("the frame rate must be at least 1 frame per second", 0);

    // The temporary file sits beside the target, so the final rename cannot cross disks.
    const std::filesystem::path target(path);
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    std::string hidden = ".";
    hidden += target.filename().string();
    hidden += ".XXXXXX";
    std::string temporary = (folder / hidden).string();
    const int descriptor = ::mkstemp(temporary.data());
    if (descriptor < 0)
        return Fail("no file can be made in the folder " + folder.string() + " (" +
                        std::strerror(errno) + ")",
                    0);
    // mkstemp makes the file private; a video is for sharing, so readable like any new file.
    ::fchmod(descriptor, 0644);
    ::close(descriptor);
    FTemporary = temporary;

    // The encoder's notes on every video would bury the program's own progress lines.
    av_log_set_level(AV_LOG_ERROR);
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (!codec)
        return Fail("FFmpeg has no H.264 encoder (libx264)", 0);
    AVFormatContext* output = nullptr;
    if (const int code =
            avformat_alloc_output_context2(&output, nullptr, "mp4", FTemporary.c_str());
        code < 0)
        return Fail("no MP4 writer", code);
    FOutput.reset(output);
    FStream = avformat_new_stream(output, nullptr);
    FCodec.reset(avcodec_alloc_context3(codec));
    FFrame.reset(av_frame_alloc());
    FPacket.reset(av_packet_alloc());
    if (!FStream || !FCodec || !FFrame || !FPacket)
        return Fail("not enough memory", AVERROR(ENOMEM));

    AVCodecContext* context = FCodec.get();
    context->width = FWidth;
    context->height = FHeight;
    context->pix_fmt = AV_PIX_FMT_YUV420P;
    context->time_base = AVRational{1, format.FramesPerSecond};
    context->framerate = AVRational{format.FramesPerSecond, 1};
    // A key frame every two seconds: a player seeks in a shared video without decoding long.
    context->gop_size = 2 * format.FramesPerSecond;
    // What the converter's default coefficients make, said in the stream, so that players
    // turn the colours back the same way.
    context->color_range = AVCOL_RANGE_MPEG;
    context->colorspace = AVCOL_SPC_SMPTE170M;
    context->color_primaries = AVCOL_PRI_SMPTE170M;
    context->color_trc = AVCOL_TRC_SMPTE170M;
    if (output->oformat->flags & AVFMT_GLOBALHEADER)
        context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    {
        TOptions options;
        options.Set("crf", std::to_string(format.RateFactor));
        // Black backgrounds with small dots compress well even at a fast preset; a slower
        // one would cost export speed for a few percent of size.
        options.Set("preset", "veryfast");
        // A rotating cluster moves every dot in every frame: no motion search predicts it,
        // and at the plain rate curve such frames take 3.4 MB a minute. A flatter curve
        // (qcomp) raises the quantiser of exactly those busy frames while a calm picture
        // keeps the rate factor's quality. Stronger adaptive quantisation takes bits from
        // the crowded blocks to the dark, even ones around them, where blocking would
        // show, and the wider inter deadzone drops the smallest leftovers of moved dots.
        options.Set("x264-params", "qcomp=0.2:aq-strength=1.5:deadzone-inter=32");
        if (const int code = avcodec_open2(context, codec, &options.Entries); code < 0)
            return Fail("the H.264 encoder does not start", code);
    }
    if (const int code = avcodec_parameters_from_context(FStream->codecpar, context); code < 0)
        return Fail("the stream cannot be described", code);
    FStream->time_base = context->time_base;
    FStream->avg_frame_rate = context->framerate;

    if (const int code = avio_open(&output->pb, FTemporary.c_str(), AVIO_FLAG_WRITE); code < 0)
        return Fail("the file cannot be opened", code);
    {
        // The index goes before the pictures, so a player can start before the whole file
        // has arrived.
        TOptions options;
        options.Set("movflags", "+faststart");
        if (const int code = avformat_write_header(output, &options.Entries); code < 0)
            return Fail("the file's header cannot be written", code);
    }

    FFrame->format = AV_PIX_FMT_YUV420P;
    FFrame->width = FWidth;
    FFrame->height = FHeight;
    if (const int code = av_frame_get_buffer(FFrame.get(), 0); code < 0)
        return Fail("not enough memory", code);
    FScale.reset(sws_getContext(FWidth, FHeight, PictureFormat, FWidth, FHeight, AV_PIX_FMT_YUV420P,
                                SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!FScale)
        return Fail("the colour converter does not start", 0);
    return TStorageResult::Success();
}

TStorageResult TVideoEncoder::Add(const TPixelFrame& picture) {
    if (!FCodec)
        return TStorageResult::Failure("No video is open.");
    if (picture.Width != FWidth || picture.Height != FHeight || !picture.Bits)
        return Fail("a picture is " + std::to_string(picture.Width) + "x" +
                        std::to_string(picture.Height) + ", not the video's size",
                    0);
    // The encoder may still hold the previous picture's planes.
    if (const int code = av_frame_make_writable(FFrame.get()); code < 0)
        return Fail("not enough memory", code);
    const std::uint8_t* const source[] = {picture.Bits};
    const int stride[] = {static_cast<int>(picture.BytesPerLine)};
    sws_scale(FScale.get(), source, stride, 0, FHeight, FFrame->data, FFrame->linesize);
    FFrame->pts = FFrames++;
    if (const int code = avcodec_send_frame(FCodec.get(), FFrame.get()); code < 0)
        return Fail("the encoder refused a picture", code);
    return WritePackets();
}

TStorageResult TVideoEncoder::WritePackets() {
    for (;;) {
        const int received = avcodec_receive_packet(FCodec.get(), FPacket.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            return TStorageResult::Success();
        if (received < 0)
            return Fail("the encoder failed", received);
        av_packet_rescale_ts(FPacket.get(), FCodec->time_base, FStream->time_base);
        FPacket->stream_index = FStream->index;
        // Reports the file's write errors too (a full disk): they surface at the next flush.
        if (const int code = av_interleaved_write_frame(FOutput.get(), FPacket.get()); code < 0)
            return Fail("writing failed", code);
    }
}

TStorageResult TVideoEncoder::Finish() {
    if (!FCodec)
        return TStorageResult::Failure("No video is open.");
    if (FFrames == 0)
        return Fail("it has no pictures", 0);
    if (const int code = avcodec_send_frame(FCodec.get(), nullptr); code < 0)
        return Fail("the encoder cannot be emptied", code);
    if (TStorageResult written = WritePackets(); !written.Ok)
        return written;
    if (const int code = av_write_trailer(FOutput.get()); code < 0)
        return Fail("the file's index cannot be written", code);
    if (const int code = avio_closep(&FOutput->pb); code < 0)
        return Fail("the file cannot be closed", code);
    // On the disk before it takes the target's name: a crash then leaves the old file or
    // the whole new one.
    const int descriptor = ::open(FTemporary.c_str(), O_RDONLY);
    const bool synced = descriptor >= 0 && ::fsync(descriptor) == 0;
    const int syncError = errno;
    if (descriptor >= 0)
        ::close(descriptor);
    if (!synced)
        return Fail(std::string("the file cannot be flushed to the disk (") +
                        std::strerror(syncError) + ")",
                    0);
    std::error_code renamed;
    std::filesystem::rename(FTemporary, FPath, renamed);
    if (renamed)
        return Fail("the finished file cannot take its name (" + renamed.message() + ")", 0);
    FTemporary.clear();
    Abandon();
    return TStorageResult::Success();
}

void TVideoEncoder::Abandon() {
    FScale.reset();
    FPacket.reset();
    FFrame.reset();
    FCodec.reset();
    FOutput.reset();
    FStream = nullptr;
    if (!FTemporary.empty()) {
        std::error_code ignored;
        std::filesystem::remove(FTemporary, ignored);
        FTemporary.clear();
    }
}
