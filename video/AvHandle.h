#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <memory>
#include <string>

/// Owners for FFmpeg's objects: each is freed the way its library asks, once, whatever path
/// leaves the scope that made it.
namespace Av {

struct TCodecFree {
    void operator()(AVCodecContext* codec) const { avcodec_free_context(&codec); }
};
struct TFrameFree {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct TPacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct TScaleFree {
    void operator()(SwsContext* scale) const { sws_freeContext(scale); }
};
/// An output context closes its file, when it opened one, before it is freed.
struct TOutputFree {
    void operator()(AVFormatContext* format) const {
        if (format->pb && !(format->oformat->flags & AVFMT_NOFILE))
            avio_closep(&format->pb);
        avformat_free_context(format);
    }
};
/// An input context is closed by its own call, which also frees it.
struct TInputFree {
    void operator()(AVFormatContext* format) const { avformat_close_input(&format); }
};

using TCodec = std::unique_ptr<AVCodecContext, TCodecFree>;
using TFrame = std::unique_ptr<AVFrame, TFrameFree>;
using TPacket = std::unique_ptr<AVPacket, TPacketFree>;
using TScale = std::unique_ptr<SwsContext, TScaleFree>;
using TOutput = std::unique_ptr<AVFormatContext, TOutputFree>;
using TInput = std::unique_ptr<AVFormatContext, TInputFree>;

/// The library's words for an error code ("No space left on device").
std::string ErrorText(int code);

} // namespace Av
