#include "app/cli/commands.h"

#include <cstdio>

int cantora::cli::encode(const Args &) {
    std::fprintf(stderr, "cantora-cli: encode: not available yet\n");
    return 1;
}
