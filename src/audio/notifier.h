#pragma once
// Runs stream callbacks when their sound reaches the output: in the order
// they were posted, one at a time, with no engine lock held.
//
// Two ways to run. With a thread of its own, each callback waits for its
// due time on the steady clock (a real or null device). By hand, nothing
// runs until deliverDue(now) is called, and then every callback due by
// `now` runs on the calling thread (the pumped output of the tests).
//
// A callback whose target has been freed is dropped, except the end
// callback: a stream freed at its own end (auto-free) still reports it.
//
// Threading: every call may be made from any thread, and a callback may
// call back into the notifier (post, stop). By hand, one thread delivers.

#include "audio/bass.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace cantora::audio {

// What a callback belongs to; once freed it gets no more callbacks.
struct NotifyTarget {
    std::atomic<bool> freed{false};
};

// One sync callback with its arguments.
struct NotifyCall {
    SYNCPROC proc = nullptr;
    HSYNC sync = 0;
    DWORD channel = 0;
    DWORD data = 0;
    void *user = nullptr;
    bool isEnd = false; // the end-of-stream callback
};

struct Notification {
    double due = 0; // seconds on the notifier's clock
    NotifyCall call;
    std::weak_ptr<const NotifyTarget> target;
};

class Notifier {
public:
    // Waits for a thread stopped from inside its own callback to finish.
    ~Notifier();

    // Seconds of the steady clock: the clock of the threaded mode.
    static double wallClock();

    // Starts the delivering thread (threaded mode).
    void startThread();
    // Hand mode: no thread; deliverDue runs what is due.
    void startManual();
    // Drops everything queued and ends the thread (from any thread,
    // a callback included).
    void stop();

    // Queues notifications (in the order given) and empties `items`.
    void post(std::vector<Notification> &items);
    // Runs, on the calling thread, every queued notification due by `now`.
    // Returns how many ran.
    std::size_t deliverDue(double now);
    std::size_t queued() const;

private:
    void run(unsigned generation);
    // Takes the front if it is due; false when nothing is.
    bool takeDue(double now, Notification &out);
    static bool deliverable(const Notification &n);

    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<Notification> queue_;
    std::thread thread_;
    bool stop_ = false;
    unsigned generation_ = 0; // of the delivering thread
    int running_ = 0;         // delivering threads, the detached one included
};

} // namespace cantora::audio
