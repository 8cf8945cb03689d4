#include "playback/timetext.h"

#include <cmath>
#include <cstdio>

namespace cantora::playback {

std::int64_t nearest(double x) {
    // The default rounding mode is round-half-to-even.
    return static_cast<std::int64_t>(std::nearbyint(x));
}

std::string Convert_Time(std::int32_t seconds) {
    // div and mod truncate toward zero, as in the displays' own arithmetic.
    const std::int32_t h = seconds / 3600;
    const std::int32_t m = (seconds / 60) % 60;
    const std::int32_t x = seconds % 60;
    char buf[40];
    if (h > 0)
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", static_cast<int>(h), static_cast<int>(m), static_cast<int>(x));
    else
        std::snprintf(buf, sizeof buf, "%02d:%02d", static_cast<int>(m), static_cast<int>(x));
    return buf;
}

} // namespace cantora::playback
