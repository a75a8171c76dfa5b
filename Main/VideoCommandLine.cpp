#include "Main/VideoCommandLine.h"

#include <charconv>

namespace {

// Videos larger than this are beyond what H.264's levels describe and players accept.
constexpr std::int32_t LargestSide = 8192;
constexpr std::int32_t HighestRate = 240;

bool ReadNumber(std::string_view text, std::int32_t lowest, std::int32_t highest,
                std::int32_t& value) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end && value >= lowest && value <= highest;
}

} // namespace

namespace VideoCommandLine {

bool Asked(std::span<const std::string_view> arguments) {
    for (const std::string_view argument : arguments) {
        if (argument == "--")
            return false;
        if (argument == "--export-video")
            return true;
    }
    return false;
}

std::string Parse(std::span<const std::string_view> arguments, TVideoArguments& video) {
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument.front() != '-') {
            if (video.Input.empty())
                video.Input = argument;
            else if (video.Output.empty())
                video.Output = argument;
            else
                return "--export-video takes one simulation file and one video file";
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "--export-video")
            continue;
        struct TNumberOption {
            std::string_view Name;
            std::int32_t* Value;
            std::int32_t Highest;
        };
        const TNumberOption numbers[] = {{"--fps", &video.FramesPerSecond, HighestRate},
                                         {"--view", &video.View, 256},
                                         {"--first", &video.First, INT32_MAX},
                                         {"--last", &video.Last, INT32_MAX}};
        bool known = false;
        for (const TNumberOption& option : numbers) {
            if (argument != option.Name)
                continue;
            known = true;
            if (i + 1 >= arguments.size() ||
                !ReadNumber(arguments[++i], 1, option.Highest, *option.Value))
                return std::string(argument) + " needs a whole number from 1 to " +
                       std::to_string(option.Highest);
        }
        if (known)
            continue;
        if (argument == "--size") {
            const std::string_view size = i + 1 < arguments.size() ? arguments[++i] : "";
            const std::size_t by = size.find('x');
            if (by == std::string_view::npos ||
                !ReadNumber(size.substr(0, by), 2, LargestSide, video.Width) ||
                !ReadNumber(size.substr(by + 1), 2, LargestSide, video.Height))
                return "--size needs WIDTHxHEIGHT, each from 2 to " + std::to_string(LargestSide);
            continue;
        }
        return "unknown option " + std::string(argument);
    }
    if (video.Output.empty())
        return "--export-video needs a simulation file and a video file";
    if (video.First > 0 && video.Last > 0 && video.First > video.Last)
        return "--first comes after --last";
    return {};
}

} // namespace VideoCommandLine
