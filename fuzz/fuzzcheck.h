#pragma once
// What the fuzz targets assert: a broken promise aborts, so libFuzzer keeps
// the input that broke it.

#include <cstdio>
#include <cstdlib>

namespace fuzzcheck {

// The failing line is printed, so a crash report says which promise broke.
inline void check(bool ok, int line = __builtin_LINE()) {
    if (!ok) {
        std::fprintf(stderr, "fuzz check failed at line %d\n", line);
        std::abort();
    }
}

} // namespace fuzzcheck
