#include "app/cli/interrupt.h"

#include <csignal>

namespace cantora::cli {

namespace {

volatile std::sig_atomic_t gInterrupted = 0;
struct sigaction gOldInt {
}, gOldTerm{};

void onSignal(int signal) { gInterrupted = signal; }

} // namespace

InterruptGuard::InterruptGuard() {
    gInterrupted = 0;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &gOldInt);
    sigaction(SIGTERM, &action, &gOldTerm);
}

InterruptGuard::~InterruptGuard() {
    sigaction(SIGINT, &gOldInt, nullptr);
    sigaction(SIGTERM, &gOldTerm, nullptr);
}

bool InterruptGuard::interrupted() { return gInterrupted != 0; }

int InterruptGuard::status() { return 128 + gInterrupted; }

} // namespace cantora::cli
