#include "app/cli/batchrun.h"

#include "app/cli/commandline.h"
#include "app/cli/interrupt.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>

extern char **environ;

namespace cantora::cli::batchjob {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kKeptStderr = 64 * 1024;

struct Child {
    pid_t pid = -1;
    int fd = -1; // the child's stderr
    std::size_t job = 0;
    std::string err;
    Clock::time_point start;
};

// Starts one command with stdout to /dev/null and stderr into a pipe.
bool spawn(const std::vector<std::string> &argv, Child &c) {
    int p[2];
    if (pipe2(p, O_CLOEXEC) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, p[1], STDERR_FILENO);
    std::vector<char *> args;
    for (const std::string &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    const int rc = posix_spawn(&c.pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(p[1]);
    if (rc != 0) {
        close(p[0]);
        return false;
    }
    c.fd = p[0];
    c.start = Clock::now();
    return true;
}

std::string clock(double seconds) {
    const long s = static_cast<long>(seconds);
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

} // namespace

bool runJobs(const std::vector<std::vector<std::string>> &jobs, unsigned parallel,
             const std::function<void(std::size_t, const JobOutcome &)> &finished, const std::function<void()> &tick) {
    std::vector<Child> running;
    std::size_t next = 0;
    bool forwarded = false;
    for (;;) {
        while (!InterruptGuard::interrupted() && running.size() < parallel && next < jobs.size()) {
            Child c;
            c.job = next++;
            if (!spawn(jobs[c.job], c)) {
                finished(c.job, {127, "cannot start " + jobs[c.job][0], 0});
                continue;
            }
            running.push_back(std::move(c));
        }
        if (running.empty())
            break;
        if (InterruptGuard::interrupted() && !forwarded) {
            for (const Child &c : running)
                kill(c.pid, SIGINT);
            forwarded = true;
        }
        std::vector<pollfd> fds;
        for (const Child &c : running)
            fds.push_back({c.fd, POLLIN, 0});
        const int n = poll(fds.data(), fds.size(), 1000);
        if (n < 0 && errno != EINTR)
            break;
        for (std::size_t i = fds.size(); i-- > 0;) {
            if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            Child &c = running[i];
            char buffer[4096];
            const ssize_t got = read(c.fd, buffer, sizeof buffer);
            if (got > 0) {
                c.err.append(buffer, static_cast<std::size_t>(got));
                if (c.err.size() > 2 * kKeptStderr)
                    c.err.erase(0, c.err.size() - kKeptStderr);
                continue;
            }
            if (got < 0 && errno == EINTR)
                continue;
            close(c.fd);
            int st = 0;
            while (waitpid(c.pid, &st, 0) < 0 && errno == EINTR) {}
            JobOutcome o;
            o.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
            o.errorText = std::move(c.err);
            o.wallSeconds = std::chrono::duration<double>(Clock::now() - c.start).count();
            const std::size_t job = c.job;
            running.erase(running.begin() + static_cast<std::ptrdiff_t>(i));
            finished(job, o);
        }
        tick();
    }
    return InterruptGuard::interrupted();
}

BatchProgress::BatchProgress(std::size_t total)
    : total_(total), tty_(!manners().quiet && (manners().progress || isatty(STDERR_FILENO) != 0)),
      start_(Clock::now()) {}

void BatchProgress::song(const std::string &name, bool ok, const std::string &detail) {
    ++done_;
    failed_ += ok ? 0 : 1;
    if (tty_) {
        if (!ok)
            std::fprintf(stderr, "\r\033[KFAILED %s: %s\n", name.c_str(), detail.c_str());
        draw();
    } else if (!ok || !manners().quiet) {
        std::fprintf(stderr, "[%zu/%zu] %s %s%s%s\n", done_, total_, ok ? "done" : "FAILED", name.c_str(),
                     ok ? " " : ": ", detail.c_str());
    }
    std::fflush(stderr);
}

void BatchProgress::tick() {
    if (tty_)
        draw();
}

void BatchProgress::draw() {
    const double elapsed = std::chrono::duration<double>(Clock::now() - start_).count();
    const std::string left = done_ ? clock(elapsed / double(done_) * double(total_ - done_)) : std::string("?");
    std::fprintf(stderr, "\r\033[K%zu/%zu songs, %zu failed, %s elapsed, %s left", done_, total_, failed_,
                 clock(elapsed).c_str(), left.c_str());
    std::fflush(stderr);
}

void BatchProgress::end() {
    if (tty_)
        std::fputc('\n', stderr);
}

} // namespace cantora::cli::batchjob
