#include "app/cli/progressbar.h"

#include "app/cli/commandline.h"

#include <unistd.h>

#include <cstdio>
#include <string>

namespace cantora::cli {

namespace {

// "m:ss" of a sample count over both channels.
std::string clock(std::int64_t samples, long rate) {
    const long seconds = rate > 0 ? static_cast<long>(samples / 2 / rate) : 0;
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", seconds / 60, seconds % 60);
    return text;
}

} // namespace

ProgressBar::ProgressBar(long rate)
    : rate_(rate), tty_(isatty(STDERR_FILENO) != 0), shown_(!manners().quiet && (tty_ || manners().progress)) {}

void ProgressBar::show(std::int64_t done, std::int64_t total) { show(done, total, done, total); }

void ProgressBar::show(std::int64_t done, std::int64_t total, std::int64_t clockDone, std::int64_t clockTotal) {
    const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 100;
    if (!shown_ || percent == last_ || (!tty_ && percent / 10 == last_ / 10 && percent != 100))
        return;
    last_ = percent;
    constexpr int kWidth = 40;
    const int filled = percent * kWidth / 100;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(kWidth - filled), '.');
    std::fprintf(stderr, "%s[%s] %3d%%  %s / %s%s", tty_ ? "\r" : "", bar.c_str(), percent,
                 clock(clockDone, rate_).c_str(), clock(clockTotal, rate_).c_str(), tty_ ? "" : "\n");
    if (tty_ && percent == 100)
        std::fputc('\n', stderr);
    std::fflush(stderr);
}

void ProgressBar::interrupt() const {
    if (tty_ && last_ >= 0 && last_ < 100)
        std::fputc('\n', stderr);
}

} // namespace cantora::cli
