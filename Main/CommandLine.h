#pragma once

#include "Main/VideoCommandLine.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

/// What the command line asks for: run (opening File at start when one is given), print
/// the help or the version and end, print File's figures as CSV and end, step File with no
/// window and write the result to Output, or end with a usage error.
struct TCommandLine {
    enum class TAction { Run, Help, Version, Statistics, BatchRun, ExportVideo, Error };
    TAction Action = TAction::Run;
    std::string File;    // the simulation to open at start, to give figures of or to step
    std::string Message; // for Error: what was wrong
    bool Frames = false; // for Statistics: a row per recorded frame too
    // For BatchRun: where the result goes, how many steps, and a frame every RecordEvery
    // steps (0: no frames taken).
    std::string Output{};
    std::int32_t Steps = 0;
    std::int32_t RecordEvery = 0;
    TVideoArguments Video{}; // for ExportVideo

    /// Parses the arguments after the program's name.
    static TCommandLine Parse(std::span<const std::string_view> arguments);
    /// The batch form, `--run IN --steps N [--record-every K] --output OUT`, in any order.
    static TCommandLine ParseBatchRun(std::span<const std::string_view> arguments);
    /// The --help text, with program as the command's name.
    static std::string HelpText(std::string_view program);
    static std::string VersionText();
};
