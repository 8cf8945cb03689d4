#include "audio/notifier.h"

#include <chrono>

namespace cantora::audio {

double Notifier::wallClock() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

Notifier::~Notifier() {
    stop();
    std::unique_lock lock(mutex_);
    cv_.wait(lock, [this] { return running_ == 0; });
}

void Notifier::startThread() {
    std::lock_guard lock(mutex_);
    stop_ = false;
    if (!thread_.joinable()) {
        ++running_;
        thread_ = std::thread([this, gen = ++generation_] { run(gen); });
    }
}

void Notifier::startManual() {
    std::lock_guard lock(mutex_);
    stop_ = false;
}

void Notifier::stop() {
    std::thread ending;
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        queue_.clear();
        ending = std::move(thread_);
    }
    cv_.notify_all();
    if (ending.joinable()) {
        if (ending.get_id() == std::this_thread::get_id())
            ending.detach(); // stopped from inside one of its own callbacks
        else
            ending.join();
    }
}

void Notifier::post(std::vector<Notification> &items) {
    if (items.empty())
        return;
    {
        std::lock_guard lock(mutex_);
        for (auto &n : items)
            queue_.push_back(std::move(n));
    }
    items.clear();
    cv_.notify_all();
}

std::size_t Notifier::queued() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

bool Notifier::deliverable(const Notification &n) {
    if (n.call.isEnd)
        return true;
    const auto target = n.target.lock();
    return target && !target->freed;
}

bool Notifier::takeDue(double now, Notification &out) {
    if (queue_.empty() || queue_.front().due > now)
        return false;
    out = std::move(queue_.front());
    queue_.pop_front();
    return true;
}

std::size_t Notifier::deliverDue(double now) {
    std::size_t ran = 0;
    Notification n;
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (!takeDue(now, n))
                return ran;
        }
        if (!deliverable(n))
            continue;
        n.call.proc(n.call.sync, n.call.channel, n.call.data, n.call.user);
        ++ran;
    }
}

void Notifier::run(unsigned generation) {
    std::unique_lock lock(mutex_);
    // A thread left running by a stop from inside its own callback ends
    // here even if a new one has been started since.
    while (!stop_ && generation == generation_) {
        if (queue_.empty()) {
            cv_.wait(lock);
            continue;
        }
        const double wait = queue_.front().due - wallClock();
        if (wait > 0) {
            cv_.wait_for(lock, std::chrono::duration<double>(wait));
            continue;
        }
        Notification n = std::move(queue_.front());
        queue_.pop_front();
        if (!deliverable(n))
            continue;
        lock.unlock();
        n.call.proc(n.call.sync, n.call.channel, n.call.data, n.call.user);
        lock.lock();
    }
    --running_;
    cv_.notify_all();
}

} // namespace cantora::audio
