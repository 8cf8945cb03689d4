// The render/encode hand-over: every block arrives once and in order, the
// queue never holds more than its capacity, and a failure on either side
// stops the other without a deadlock. Fakes on both sides; nothing waits on
// the clock.

#include "render/blockpipeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <stdexcept>
#include <thread>

using namespace cantora::render;

namespace {

Block numbered(int n) { return Block(4, static_cast<char>(n)); }

// Records what reaches the consuming side; fails at block `failAt` (or on finish).
struct FakeConsumer : BlockConsumer {
    std::vector<int> seen;
    int failAt = -1;
    bool failFinish = false;
    bool throwAt = false;
    int finished = 0, abandoned = 0;
    std::atomic<int> consumed{0};
    std::string consume(const Block &b) override {
        if (static_cast<int>(seen.size()) == failAt) {
            if (throwAt)
                throw std::runtime_error("disk on fire");
            return "encoder failed";
        }
        seen.push_back(b[0]);
        ++consumed;
        return {};
    }
    std::string finish() override {
        ++finished;
        return failFinish ? "cannot flush" : "";
    }
    void abandon() override { ++abandoned; }
};

} // namespace

TEST(BlockPipeline, EveryBlockArrivesInOrderAndTheQueueStaysWithinItsCapacity) {
    FakeConsumer c;
    int ahead = 0; // how far the producer ever got before the consumer
    const PipelineOutcome o = runBlockPipeline(
        [&](const PushFn &push) {
            for (int i = 0; i < 200; ++i) {
                ahead = std::max(ahead, i - c.consumed.load());
                if (!push(numbered(i)))
                    return std::string("stopped");
            }
            return std::string();
        },
        c, 3);
    ASSERT_TRUE(o.ok) << o.producerError << o.consumerError;
    ASSERT_EQ(c.seen.size(), 200u);
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(c.seen[static_cast<std::size_t>(i)], static_cast<char>(i));
    EXPECT_EQ(c.finished, 1);
    EXPECT_EQ(c.abandoned, 0);
    // Three queued and one in the consumer's hands.
    EXPECT_LE(ahead, 3 + 1);
}

TEST(BlockPipeline, AFailureOnEitherSideStopsTheOtherAndTheConsumerAbandons) {
    const std::function<std::string(const PushFn &)> endless = [](const PushFn &push) {
        for (int i = 0; push(numbered(i)); ++i) {} // runs forever unless the failure reaches it
        return std::string("the encoder stopped");
    };
    const struct {
        std::function<std::string(const PushFn &)> produce;
        int failAt;
        bool throwAt, failFinish;
        std::string producerError, consumerError;
    } cases[] = {
        {endless, 5, false, false, "", "encoder failed"}, // the producer only echoes the consumer's stop
        {endless, 5, true, false, "", "disk on fire"},
        {[](const PushFn &push) {
             for (int i = 0; i < 4; ++i)
                 push(numbered(i));
             return std::string("the song could not be decoded");
         },
         -1, false, false, "the song could not be decoded", ""},
        {[](const PushFn &push) -> std::string {
             push(numbered(1));
             throw std::runtime_error("out of memory");
         },
         -1, false, false, "out of memory", ""},
        {[](const PushFn &push) { return push(numbered(1)) ? "" : "x"; }, -1, false, true, "", "cannot flush"},
    };
    for (const auto &c : cases) {
        FakeConsumer consumer;
        consumer.failAt = c.failAt;
        consumer.throwAt = c.throwAt;
        consumer.failFinish = c.failFinish;
        const PipelineOutcome o = runBlockPipeline(c.produce, consumer, 2);
        EXPECT_FALSE(o.ok);
        EXPECT_EQ(o.producerError, c.producerError);
        EXPECT_EQ(o.consumerError, c.consumerError);
        EXPECT_EQ(consumer.finished, c.failFinish ? 1 : 0);
        EXPECT_EQ(consumer.abandoned, 1);
    }
}

TEST(BlockQueue, CancelWakesAProducerWaitingForRoomAndDropsWhatWasQueued) {
    BlockQueue q(1);
    ASSERT_TRUE(q.push(numbered(1)));
    std::atomic<bool> refused{false};
    std::thread producer([&] { refused = !q.push(numbered(2)); }); // waits: the queue is full
    q.cancel();
    producer.join();
    EXPECT_TRUE(refused);
    EXPECT_FALSE(q.pop().has_value());
    EXPECT_FALSE(q.push(numbered(3)));
}
