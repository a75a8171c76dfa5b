#include "Main/CommandLine.h"

TCommandLine TCommandLine::Parse(std::span<const std::string_view> arguments) {
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
    return "Usage: " + name + " [FILE]\n" + "       " + name + " --statistics [--frames] FILE\n" +
           "       " + name +
           " --export-video IN OUT [options]\n"
           "Simulates a small gravitating universe of up to 192,080 particles.\n"
           "\n"
           "  FILE           open this simulation (*.astrivo) at start instead of\n"
           "                 building a new universe\n"
           "  --statistics   print FILE's figures as CSV (a header and one row) and exit;\n"
           "                 needs no display\n"
           "  --frames       with --statistics: a row more per recorded frame, from its\n"
           "                 positions (kinetic energy, total, momentum and virial empty)\n" +
           VideoCommandLine::HelpText(name) +
           "  -h, --help     print this help and exit\n"
           "  -v, --version  print the version and exit\n";
}

std::string TCommandLine::VersionText() {
    return "Astrivo 2.0.0\n";
}
