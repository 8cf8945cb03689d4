#include "app/cli/commands.h"

#include <cstdio>

int cantora::cli::info(const Args &) {
    std::fprintf(stderr, "cantora-cli: info: not available yet\n");
    return 1;
}
