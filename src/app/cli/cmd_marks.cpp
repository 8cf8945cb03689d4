#include "app/cli/commands.h"

#include <cstdio>

int cantora::cli::marks(const Args &) {
    std::fprintf(stderr, "cantora-cli: marks: not available yet\n");
    return 1;
}
