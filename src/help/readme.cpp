#include "help/readme.h"

#include "core/itemreader.h"

namespace cantora::help {

std::vector<std::string> readmeItems(std::string_view bytes) { return core::readItems(bytes); }

std::string readmeText(std::string_view bytes) {
    std::string text;
    for (const auto &item : readmeItems(bytes))
        text += item + "\r\n";
    return text;
}

} // namespace cantora::help
