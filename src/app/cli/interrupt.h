#pragma once
// Ctrl-C and SIGTERM during a long command: while a guard lives, the two
// signals only set a flag that the command's progress callback reads; the
// command then stops, removes its temporary file and exits with 128 + the
// signal (130 after SIGINT, 143 after SIGTERM), the status a shell gives a
// program ended by that signal.

namespace cantora::cli {

class InterruptGuard {
public:
    // Installs the handlers and clears the flag.
    InterruptGuard();
    // Puts the previous handlers back.
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard &) = delete;
    InterruptGuard &operator=(const InterruptGuard &) = delete;

    // True once SIGINT or SIGTERM arrived.
    static bool interrupted();
    // The exit status for the signal that arrived: 128 + its number.
    static int status();
};

} // namespace cantora::cli
