#pragma once

// Reads a video back with FFmpeg's decoder, for tests: what a player would find in it.
#include "video/AvHandle.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

struct TDecodedVideo {
    std::string Error; // empty when the file was read to its end
    std::string Codec;
    AVPixelFormat PixelFormat = AV_PIX_FMT_NONE;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    AVRational Rate{0, 1};
    std::vector<std::vector<std::uint32_t>> Frames; // each Width x Height, blue in the low byte
};

inline TDecodedVideo DecodeVideo(const std::string& path) {
    TDecodedVideo video;
    const auto fail = [](std::string why) {
        TDecodedVideo failed;
        failed.Error = std::move(why);
        return failed;
    };
    AVFormatContext* opened = nullptr;
    if (avformat_open_input(&opened, path.c_str(), nullptr, nullptr) < 0)
        return fail("cannot open " + path);
    Av::TInput input(opened);
    if (avformat_find_stream_info(opened, nullptr) < 0)
        return fail("no stream information");
    const int index = av_find_best_stream(opened, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0)
        return fail("no video stream");
    const AVStream* stream = opened->streams[index];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    Av::TCodec context(avcodec_alloc_context3(codec));
    if (!codec || !context || avcodec_parameters_to_context(context.get(), stream->codecpar) < 0 ||
        avcodec_open2(context.get(), codec, nullptr) < 0)
        return fail("no decoder");
    video.Codec = codec->name;
    video.PixelFormat = context->pix_fmt;
    video.Width = context->width;
    video.Height = context->height;
    video.Rate = stream->avg_frame_rate;

    Av::TPacket packet(av_packet_alloc());
    Av::TFrame frame(av_frame_alloc());
    Av::TScale scale;
    auto takeFrames = [&]() {
        while (avcodec_receive_frame(context.get(), frame.get()) == 0) {
            if (!scale)
                scale.reset(sws_getContext(frame->width, frame->height,
                                           static_cast<AVPixelFormat>(frame->format), frame->width,
                                           frame->height, AV_PIX_FMT_BGR0, SWS_BICUBIC, nullptr,
                                           nullptr, nullptr));
            // The converter writes whole vector registers, past the end of a row whose
            // width is not a multiple of 16 pixels: room for that, cut off afterwards.
            const std::size_t size =
                static_cast<std::size_t>(frame->width) * static_cast<std::size_t>(frame->height);
            std::vector<std::uint32_t> pixels(size + 64);
            std::uint8_t* const target[] = {reinterpret_cast<std::uint8_t*>(pixels.data())};
            const int stride[] = {frame->width * 4};
            sws_scale(scale.get(), frame->data, frame->linesize, 0, frame->height, target, stride);
            pixels.resize(size);
            video.Frames.push_back(std::move(pixels));
        }
    };
    while (av_read_frame(opened, packet.get()) >= 0) {
        if (packet->stream_index == index && avcodec_send_packet(context.get(), packet.get()) < 0)
            video.Error = "a damaged packet";
        av_packet_unref(packet.get());
        takeFrames();
    }
    avcodec_send_packet(context.get(), nullptr);
    takeFrames();
    return video;
}

/// Peak signal-to-noise ratio of b against a, in dB, over the brightness that video
/// codecs keep at full resolution (BT.601 luma, as the encoder converts): yuv420p keeps
/// colour at a quarter of the pixels by design, so a one-pixel red line loses colour in
/// any yuv420p video, however well encoded.
inline double Psnr(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
    const auto luma = [](std::uint32_t pixel) {
        return 0.299 * static_cast<double>((pixel >> 16) & 0xFFu) +
               0.587 * static_cast<double>((pixel >> 8) & 0xFFu) +
               0.114 * static_cast<double>(pixel & 0xFFu);
    };
    double squares = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        const double d = luma(a[i]) - luma(b[i]);
        squares += d * d;
    }
    const double mean = squares / static_cast<double>(a.size());
    return mean == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mean);
}
