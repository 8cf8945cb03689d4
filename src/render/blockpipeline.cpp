#include "render/blockpipeline.h"

#include <chrono>
#include <ctime>
#include <exception>
#include <thread>

namespace cantora::render {

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Processor time the calling thread has used (a busy time that a loaded
// machine does not inflate).
double threadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

std::string whatOf(std::exception_ptr e) {
    try {
        std::rethrow_exception(e);
    } catch (const std::exception &x) {
        return x.what();
    } catch (...) {
        return "unknown failure";
    }
}

} // namespace

BlockQueue::BlockQueue(std::size_t capacity) : capacity_(capacity ? capacity : 1) {}

bool BlockQueue::push(Block block) {
    std::unique_lock<std::mutex> g(lock_);
    changed_.wait(g, [&] { return cancelled_ || blocks_.size() < capacity_; });
    if (cancelled_)
        return false;
    blocks_.push_back(std::move(block));
    if (blocks_.size() > highWater_)
        highWater_ = blocks_.size();
    changed_.notify_all();
    return true;
}

std::optional<Block> BlockQueue::pop() {
    std::unique_lock<std::mutex> g(lock_);
    changed_.wait(g, [&] { return cancelled_ || closed_ || !blocks_.empty(); });
    if (cancelled_ || blocks_.empty())
        return std::nullopt;
    Block b = std::move(blocks_.front());
    blocks_.pop_front();
    changed_.notify_all();
    return b;
}

void BlockQueue::close() {
    std::lock_guard<std::mutex> g(lock_);
    closed_ = true;
    changed_.notify_all();
}

void BlockQueue::cancel() {
    std::lock_guard<std::mutex> g(lock_);
    cancelled_ = true;
    blocks_.clear();
    changed_.notify_all();
}

bool BlockQueue::cancelled() const {
    std::lock_guard<std::mutex> g(lock_);
    return cancelled_;
}

std::size_t BlockQueue::highWater() const {
    std::lock_guard<std::mutex> g(lock_);
    return highWater_;
}

PipelineOutcome runBlockPipeline(const BlockProducer &produce, BlockConsumer &consumer, std::size_t capacity) {
    BlockQueue queue(capacity);
    PipelineOutcome out;

    // The worker: consumes until the end or a stop, then finishes or abandons.
    std::thread worker([&] {
        const double cpu0 = threadCpuSeconds();
        Clock::duration busy{};
        try {
            while (true) {
                std::optional<Block> b = queue.pop();
                if (!b)
                    break;
                const auto t0 = Clock::now();
                std::string why = consumer.consume(*b);
                busy += Clock::now() - t0;
                if (!why.empty()) {
                    out.consumerError = std::move(why);
                    queue.cancel();
                    break;
                }
            }
            if (out.consumerError.empty() && !queue.cancelled()) {
                const auto t0 = Clock::now();
                out.consumerError = consumer.finish();
                busy += Clock::now() - t0;
            }
        } catch (...) {
            out.consumerError = whatOf(std::current_exception());
            queue.cancel();
        }
        if (!out.consumerError.empty() || queue.cancelled()) {
            try {
                consumer.abandon();
            } catch (...) {}
        }
        out.consumerBusySeconds = seconds(busy);
        out.consumerCpuSeconds = threadCpuSeconds() - cpu0;
    });

    // The producer, timed without the waits for room in the queue.
    Clock::duration waiting{};
    const PushFn push = [&](Block b) {
        const auto t0 = Clock::now();
        const bool taken = queue.push(std::move(b));
        waiting += Clock::now() - t0;
        return taken;
    };
    const auto start = Clock::now();
    const double cpu0 = threadCpuSeconds();
    std::string producerError;
    try {
        producerError = produce(push);
    } catch (...) {
        producerError = whatOf(std::current_exception());
    }
    out.producerBusySeconds = seconds(Clock::now() - start - waiting);
    out.producerCpuSeconds = threadCpuSeconds() - cpu0;
    if (producerError.empty())
        queue.close();
    else
        queue.cancel();
    worker.join();

    // A producer that stopped because the consumer did reports the
    // consumer's reason, not its own.
    if (!out.consumerError.empty())
        producerError.clear();
    out.producerError = std::move(producerError);
    out.ok = out.producerError.empty() && out.consumerError.empty();
    out.highWater = queue.highWater();
    return out;
}

} // namespace cantora::render
