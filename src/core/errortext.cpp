#include "core/errortext.h"

namespace cantora::core {

std::string errorText(std::string_view message, int code) {
    return std::string(message) + "\n\nBASS error code: " + std::to_string(code);
}

} // namespace cantora::core
