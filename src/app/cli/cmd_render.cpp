#include "app/cli/commands.h"

#include <cstdio>

int cantora::cli::render(const Args &) {
    std::fprintf(stderr, "cantora-cli: render: not available yet\n");
    return 1;
}
