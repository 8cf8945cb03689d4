#pragma once
// Two threads joined by a bounded queue of byte blocks: the producer runs in
// the calling thread and pushes blocks, a worker thread pops and consumes
// them. The queue holds at most `capacity` blocks, so the producer never
// runs further ahead than that and memory stays bounded however long the
// song. Either side's failure stops the other: a consumer that fails makes
// every later push return false; a producer that fails (or throws) wakes the
// consumer, which then abandons its work instead of finishing it.
//
// Threading: runBlockPipeline returns only after the worker has ended; the
// consumer's calls all happen on the worker, in order.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace cantora::render {

using Block = std::vector<char>;

class BlockQueue {
public:
    explicit BlockQueue(std::size_t capacity);
    // Waits while the queue is full; false (the block dropped) once cancelled.
    bool push(Block block);
    // Waits while the queue is empty and open; nothing once closed and
    // drained, or cancelled.
    std::optional<Block> pop();
    // The producer is done: pop drains what is left, then reports the end.
    void close();
    // Either side gave up: both sides stop waiting at once.
    void cancel();
    bool cancelled() const;
    // The most blocks the queue ever held.
    std::size_t highWater() const;

private:
    mutable std::mutex lock_;
    std::condition_variable changed_;
    std::deque<Block> blocks_;
    std::size_t capacity_;
    std::size_t highWater_ = 0;
    bool closed_ = false;
    bool cancelled_ = false;
};

// The consuming side; all three calls run on the worker thread.
class BlockConsumer {
public:
    virtual ~BlockConsumer() = default;
    // One block; an error text stops the pipeline.
    virtual std::string consume(const Block &block) = 0;
    // After the last block, when the producer succeeded; an error text fails the pipeline.
    virtual std::string finish() = 0;
    // Instead of finish when anything failed: undo what was done.
    virtual void abandon() = 0;
};

// Gives one block to the queue; false when the consumer has stopped.
using PushFn = std::function<bool(Block)>;
// The producing side, on the calling thread: pushes its blocks and returns
// an empty text, or the reason it failed.
using BlockProducer = std::function<std::string(const PushFn &push)>;

struct PipelineOutcome {
    bool ok = false;
    std::string producerError;      // empty unless the producer failed on its own
    std::string consumerError;      // empty unless the consumer failed
    double producerBusySeconds = 0; // producing, not waiting for room in the queue
    double consumerBusySeconds = 0; // consuming and finishing, not waiting for blocks
    double producerCpuSeconds = 0;  // processor time of the producing thread meanwhile
    double consumerCpuSeconds = 0;  // processor time of the worker
    std::size_t highWater = 0;      // the most blocks queued at once
};

PipelineOutcome runBlockPipeline(const BlockProducer &produce, BlockConsumer &consumer, std::size_t capacity);

} // namespace cantora::render
