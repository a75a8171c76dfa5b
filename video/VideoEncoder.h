#pragma once

#include "Childwin/PixelFrame.h"
#include "Storage/StorageError.h"
#include "video/AvHandle.h"

#include <cstdint>
#include <string>

/// The shape of a video: its picture size, rate and quality.
struct TVideoFormat {
    std::int32_t Width = 1280;
    std::int32_t Height = 720;
    std::int32_t FramesPerSecond = 30;
    /// x264's constant rate factor: lower is better and larger; near 20 the dots and lines of
    /// a view keep their edges at a size that can still be shared.
    std::int32_t RateFactor = 20;
};

/// Writes pictures into an H.264 (yuv420p) MP4 file. The video is written under a hidden
/// temporary name in the target's folder and renamed into place only once it is complete,
/// so an encoder that fails, is abandoned or is destroyed early leaves no file under the
/// target's name, and whatever was there before stays as it was.
class TVideoEncoder {
public:
    TVideoEncoder();
    /// Abandons a video not yet finished.
    ~TVideoEncoder();
    TVideoEncoder(const TVideoEncoder&) = delete;
    TVideoEncoder& operator=(const TVideoEncoder&) = delete;

    /// Starts a video at path. Its width and height are format's rounded down to even
    /// numbers (yuv420p halves both for colour), at least 2.
    TStorageResult Open(const std::string& path, const TVideoFormat& format);
    std::int32_t Width() const { return FWidth; }
    std::int32_t Height() const { return FHeight; }

    /// Adds the next picture, which must be Width() x Height().
    TStorageResult Add(const TPixelFrame& picture);
    /// Writes what the encoder still holds and the file's index, then puts the file in
    /// place. Fails for a video without pictures.
    TStorageResult Finish();
    /// Drops the video and its temporary file.
    void Abandon();

    static std::int32_t EvenSize(std::int32_t size);

private:
    TStorageResult Fail(const std::string& what, int code);
    TStorageResult WritePackets();

    std::string FPath;
    std::string FTemporary; // while a video is open
    std::int32_t FWidth = 0;
    std::int32_t FHeight = 0;
    std::int64_t FFrames = 0;
    Av::TOutput FOutput;
    Av::TCodec FCodec;
    Av::TFrame FFrame;
    Av::TPacket FPacket;
    Av::TScale FScale;
    AVStream* FStream = nullptr; // owned by FOutput
};
