#include "app/cli/commands.h"

#include <cstdio>

int cantora::cli::tag(const Args &) {
    std::fprintf(stderr, "cantora-cli: tag: not available yet\n");
    return 1;
}
