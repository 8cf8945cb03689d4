#pragma once
// How `cantora-cli batch` runs its songs: each one is a child process of the
// program itself (`cantora-cli mp3 SONG OUT ...`), at most N at once, so a
// song that crashes takes only itself down and the command lines the pool
// runs are exactly those --print-jobs prints. Ctrl-C or SIGTERM (seen
// through InterruptGuard) stops the starting of new songs and passes SIGINT
// on to the running ones, which remove their temporary files and end.

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace cantora::cli::batchjob {

struct JobOutcome {
    int status = 0;        // exit status; 128 + N when ended by signal N
    std::string errorText; // what the child wrote to stderr (its last 64 KiB)
    double wallSeconds = 0;
};

// Runs every command line (argv[0] a path), `parallel` at a time, and calls
// `finished` in the calling thread as each ends; `tick` about once a
// second. True when a signal cut the batch short.
bool runJobs(const std::vector<std::vector<std::string>> &jobs, unsigned parallel,
             const std::function<void(std::size_t job, const JobOutcome &)> &finished,
             const std::function<void()> &tick);

// Progress on stderr: on a terminal one line redrawn (songs done of total,
// failed, elapsed, time left); elsewhere one line per song.
class BatchProgress {
public:
    explicit BatchProgress(std::size_t total);
    void song(const std::string &name, bool ok, const std::string &detail);
    void tick();
    void end();

private:
    void draw();
    std::size_t total_, done_ = 0, failed_ = 0;
    bool tty_;
    std::chrono::steady_clock::time_point start_;
};

} // namespace cantora::cli::batchjob
