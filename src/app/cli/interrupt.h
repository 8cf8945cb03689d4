#pragma once
// Ctrl-C and SIGTERM during a long command: while a guard lives, the two
// signals only set a flag that the command's progress callback reads; the
// command then stops, removes its temporary file and exits with 130, the
// status a shell gives a program ended by SIGINT.

namespace cantora::cli {

// The exit status of a command stopped by the user.
constexpr int kInterruptedStatus = 130;

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
};

} // namespace cantora::cli
