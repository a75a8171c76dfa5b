#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

/// What `--export-video IN OUT [--fps N] [--size WxH] [--view N] [--first F] [--last L]`
/// asks for. A 0 leaves the choice to the file: its recording's playback rate, the view's
/// own size, the file's active view, its first or last frame.
struct TVideoArguments {
    std::string Input;
    std::string Output;
    std::int32_t FramesPerSecond = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t View = 0;  // from 1, as the file lists its views
    std::int32_t First = 0; // recorded frames from 1, as the position bar counts them
    std::int32_t Last = 0;
};

namespace VideoCommandLine {

/// Whether the arguments ask for a video export (the option stands before any "--").
bool Asked(std::span<const std::string_view> arguments);
/// Reads the export form into video; returns what is wrong, or an empty text.
std::string Parse(std::span<const std::string_view> arguments, TVideoArguments& video);

} // namespace VideoCommandLine
