#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace PictureName {

/// The name "Export Picture..." offers for a view's picture: its caption and the iteration
/// it shows, as "View 1 - iteration 1234.png". A caption that is a file path gives its last
/// part; characters that some file systems refuse, and control characters, become "_"; an
/// empty caption becomes "View"; a very long one is cut (whole UTF-8 characters only).
std::string DefaultFileName(std::string_view caption, std::int64_t iteration);

} // namespace PictureName
