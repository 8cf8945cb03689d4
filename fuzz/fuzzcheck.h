#pragma once
// What the fuzz targets assert: a broken promise aborts, so libFuzzer keeps
// the input that broke it.

#include <cstdlib>

namespace fuzzcheck {

inline void check(bool ok) {
    if (!ok)
        std::abort();
}

} // namespace fuzzcheck
