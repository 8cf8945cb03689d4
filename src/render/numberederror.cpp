#include "render/numberederror.h"

#include <utility>

namespace cantora::render {

namespace {
std::string &executableName() {
    static std::string name = "cantora";
    return name;
}
} // namespace

NumberedError::NumberedError(long number_, std::string source_, std::string description_)
    : std::runtime_error(description_), number(number_), source(std::move(source_)),
      description(std::move(description_)) {}

void SetExecutableName(std::string name) { executableName() = std::move(name); }

const std::string &ExecutableName() { return executableName(); }

std::string ErrorSource(const std::string &place) { return executableName() + "." + place; }

} // namespace cantora::render
