#pragma once

#include "Main/VideoCommandLine.h"

#include <ostream>
#include <string_view>

/// `--export-video`: renders a saved simulation's recording into an MP4 file with no
/// display, reporting progress and errors on errors.
namespace VideoCommand {

/// Returns the program's exit status: 0 only when the whole video is in place. Ctrl+C or a
/// termination request stops the export and leaves no file.
int Run(const TVideoArguments& arguments, std::string_view program, std::ostream& errors);

} // namespace VideoCommand
