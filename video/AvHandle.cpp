#include "video/AvHandle.h"

namespace Av {

std::string ErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    if (av_strerror(code, text, sizeof text) < 0)
        return "error " + std::to_string(code);
    return text;
}

} // namespace Av
