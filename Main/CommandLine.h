#pragma once

#include "Main/VideoCommandLine.h"

#include <span>
#include <string>
#include <string_view>

/// What the command line asks for: run (opening File at start when one is given), print
/// the help or the version and end, print File's figures as CSV and end, or end with a
/// usage error.
struct TCommandLine {
    enum class TAction { Run, Help, Version, Statistics, ExportVideo, Error };
    TAction Action = TAction::Run;
    std::string File;        // the simulation to open at start or to give figures of
    std::string Message;     // for Error: what was wrong
    bool Frames = false;     // for Statistics: a row per recorded frame too
    TVideoArguments Video{}; // for ExportVideo

    /// Parses the arguments after the program's name.
    static TCommandLine Parse(std::span<const std::string_view> arguments);
    /// The --help text, with program as the command's name.
    static std::string HelpText(std::string_view program);
    static std::string VersionText();
};
