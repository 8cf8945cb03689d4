#include "core/processexit.h"

#include <cstdio>
#include <cstdlib>

namespace cantora::core {

namespace {
std::function<void(int)> g_handler;
}

void endProgram(int code) {
    if (g_handler) {
        g_handler(code);
        return;
    }
    // The process ends at once: no window is unloaded, no engine thread joined.
    std::fflush(nullptr);
    std::_Exit(code);
}

void setEndProgramHandler(std::function<void(int)> handler) { g_handler = std::move(handler); }

} // namespace cantora::core
