#include "Main/PictureName.h"

namespace PictureName {

namespace {

constexpr std::size_t MaxCaptionBytes = 120;

bool Refused(unsigned char c) {
    return c < 0x20 || c == 0x7F ||
           std::string_view("<>:\"/\\|?*").find(static_cast<char>(c)) != std::string_view::npos;
}

std::string_view Trimmed(std::string_view text) {
    // Leading dots too: a name starting with one would be a hidden file.
    while (!text.empty() && (text.front() == ' ' || text.front() == '.'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '.'))
        text.remove_suffix(1);
    return text;
}

} // namespace

std::string DefaultFileName(std::string_view caption, std::int64_t iteration) {
    if (const auto slash = caption.find_last_of("/\\"); slash != std::string_view::npos)
        caption.remove_prefix(slash + 1);
    caption = Trimmed(caption);
    if (caption.size() > MaxCaptionBytes) {
        std::size_t cut = MaxCaptionBytes;
        while (cut > 0 && (static_cast<unsigned char>(caption[cut]) & 0xC0) == 0x80)
            --cut; // back to the start of the character that would be split
        caption = Trimmed(caption.substr(0, cut));
    }
    std::string name;
    for (const char c : caption)
        name += Refused(static_cast<unsigned char>(c)) ? '_' : c;
    if (name.empty())
        name = "View";
    return name + " - iteration " + std::to_string(iteration) + ".png";
}

} // namespace PictureName
