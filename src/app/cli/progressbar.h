#pragma once
// A progress bar on stderr for the long commands: redrawn in place on a
// terminal; elsewhere (logs, pipes) only with --progress, one line per
// tenth; never with -q. The times shown are
// of the audio (sample counts over both channels at `rate`).

#include <cstdint>

namespace cantora::cli {

class ProgressBar {
public:
    explicit ProgressBar(long rate);
    // Shows done / total; `clockDone`/`clockTotal` (samples) give the time texts.
    void show(std::int64_t done, std::int64_t total);
    void show(std::int64_t done, std::int64_t total, std::int64_t clockDone, std::int64_t clockTotal);
    // Ends a bar left unfinished, so the next message starts on its own line.
    void interrupt() const;

private:
    long rate_;
    bool tty_;
    bool shown_;
    int last_ = -1;
};

} // namespace cantora::cli
