#pragma once

#include <cstdio>
#include <string_view>

struct TCommandLine;

/// `astrivo --run`: a saved simulation stepped with no display, progress on standard
/// error, SIGINT and SIGTERM ending it at the next step with the result still written.
namespace BatchCommand {

/// Carries out command (a BatchRun) and returns the exit status: 0 when every step was
/// taken and the output written; 128 plus the signal's number when a signal ended the run
/// early and the output was written; 1 when the input cannot be read or the output cannot
/// be written, the message on errors in one line.
int Run(const TCommandLine& command, std::string_view program, std::FILE* errors = stderr);

} // namespace BatchCommand
