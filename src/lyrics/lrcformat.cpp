#include "lyrics/lrcformat.h"

#include <cmath>
#include <cstdio>

namespace cantora::lyrics {

TagTime earlyTag(int seconds) {
    if (seconds < 0)
        seconds = 0;
    TagTime t{seconds / 60, seconds % 60};
    if (t.minutes == 0 && t.seconds <= 2)
        return t;
    if (t.seconds <= 2) {
        t.seconds += 57;
        t.minutes -= 1;
    } else {
        t.seconds -= 1;
    }
    return t;
}

std::string lrcTag(int seconds) {
    const TagTime t = earlyTag(seconds);
    char buf[32];
    std::snprintf(buf, sizeof buf, "[%02d:%02d]", t.minutes, t.seconds);
    return buf;
}

std::string lrcExactTag(double seconds) {
    if (!(seconds > 0)) // negative and NaN alike
        seconds = 0;
    // Whole hundredths first, so that 59.996 s reads [01:00.00], not [00:60.00].
    const long long hundredths = std::llround(seconds * 100.0);
    char buf[48];
    std::snprintf(buf, sizeof buf, "[%02lld:%02lld.%02lld]", hundredths / 6000, hundredths / 100 % 60,
                  hundredths % 100);
    return buf;
}

std::string lrcLine(int seconds, std::string_view lineText) {
    // The first character (the break, or the first letter of a line sung
    // before any break) is not written; in UTF-8 text it may be several bytes.
    std::size_t first = lineText.empty() ? 0 : 1;
    while (first < lineText.size() && (static_cast<unsigned char>(lineText[first]) & 0xC0) == 0x80)
        ++first;
    if (first >= lineText.size())
        return {};
    std::string out = lrcTag(seconds);
    out += lineText.substr(first);
    out += "\r\n";
    return out;
}

} // namespace cantora::lyrics
