#include "Main/CommandLine.h"

#include <algorithm>

TCommandLine TCommandLine::Parse(std::span<const std::string_view> arguments) {
    const auto optionsEnd = std::find(arguments.begin(), arguments.end(), "--");
    if (std::find(arguments.begin(), optionsEnd, "--run") != optionsEnd)
        return ParseBatchRun(arguments);
    TCommandLine result;
    if (VideoCommandLine::Asked(arguments)) {
        result.Message = VideoCommandLine::Parse(arguments, result.Video);
        result.Action = result.Message.empty() ? TAction::ExportVideo : TAction::Error;
        return result;
    }
    bool optionsEnded = false;
    bool statistics = false;
    for (const std::string_view argument : arguments) {
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (argument == "--help" || argument == "-h")) {
            return {TAction::Help, {}, {}};
        } else if (!optionsEnded && (argument == "--version" || argument == "-v")) {
            return {TAction::Version, {}, {}};
        } else if (!optionsEnded && argument == "--statistics") {
            statistics = true;
        } else if (!optionsEnded && argument == "--frames") {
            result.Frames = true;
        } else if (!optionsEnded && argument.size() > 1 && argument.front() == '-') {
            return {TAction::Error, {}, "unknown option " + std::string(argument)};
        } else if (!result.File.empty()) {
            return {TAction::Error, {}, "only one simulation file can be opened"};
        } else {
            result.File = argument;
        }
    }
    if (result.Frames && !statistics)
        return {TAction::Error, {}, "--frames needs --statistics"};
    if (statistics && result.File.empty())
        return {TAction::Error, {}, "--statistics needs a simulation file"};
    if (statistics)
        result.Action = TAction::Statistics;
    return result;
}

std::string TCommandLine::HelpText(std::string_view program) {
    const std::string name(program.empty() ? "astrivo" : program);
    std::string text = "Usage: " + name + " [FILE]\n";
    for (const std::string_view form :
         {" --statistics [--frames] FILE", " --run IN --steps N [--record-every K] --output OUT",
          " --export-video IN OUT.mp4 [--fps N] [--size WxH] [--view N] [--first F] [--last L]",
          " --help | --version"})
        text += "       " + name + std::string(form) + "\n";
    text += "Simulates a small gravitating universe of up to 192,080 particles.\n"
            "\n"
            "  FILE           open this simulation (*.astrivo) at start instead of\n"
            "                 building a new universe\n"
            "  --statistics   print FILE's figures as CSV (a header and one row) and exit;\n"
            "                 needs no display\n"
            "  --frames       with --statistics: a row more per recorded frame, from its\n"
            "                 positions (kinetic energy, total, momentum and virial empty)\n"
            "  --run IN       step the simulation IN with no display, with its own\n"
            "                 settings, and write the result to OUT (IN is only written\n"
            "                 when OUT names it); progress goes to standard error, and\n"
            "                 Ctrl-C or SIGTERM stops at the next step and still writes OUT\n"
            "    --steps N        how many steps to take\n"
            "    --record-every K record a frame every K steps, the start state first, into\n"
            "                     IN's recording or a new one\n"
            "    --output OUT     the simulation file to write\n"
            "  --export-video IN OUT.mp4\n"
            "                 render IN's recording into an H.264 video with no display\n"
            "    --fps N          frames per second (default: the recording's playback rate)\n"
            "    --size WxH       the video's size (default: the view's own)\n"
            "    --view N         the view to render through (default: the file's active one)\n"
            "    --first F, --last L  the recorded frames to export (default: all)\n"
            "  -h, --help     print this help and exit\n"
            "  -v, --version  print the version and exit\n"
            "\n"
            "Examples:\n";
    for (const std::string_view example :
         {" collision.astrivo", " --statistics --frames collision.astrivo > figures.csv",
          " --run collision.astrivo --steps 100000 --record-every 10 --output later.astrivo",
          " --export-video collision.astrivo collision.mp4 --fps 30 --size 1280x720", " --version"})
        text += "  " + name + std::string(example) + "\n";
    return text;
}

std::string TCommandLine::VersionText() {
    return "Astrivo 2.0.0\n";
}
