#include "app/safe_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <thread>
#include <utility>
#include <vector>

namespace {

TEST(SafeQueue, OneConsumerGetsEveryItemOfEachProducerInOrder)
{
    SafeQueue<std::pair<int, int>> queue;
    std::condition_variable wake;
    constexpr int kProducers = 4;
    constexpr int kItems = 5000;
    std::atomic<bool> stopped{false};
    std::vector<int> next(kProducers, 0);
    bool inOrder = true;
    std::thread consumer([&] {
        std::pair<int, int> item;
        while (queue.waitPop(wake, item, [&] { return stopped.load(); })) {
            inOrder = inOrder && item.second == next[item.first];
            ++next[item.first];
        }
    });
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p) {
        producers.emplace_back([&, p] {
            for (int i = 0; i < kItems; ++i) {
                queue.push({p, i});
                wake.notify_one();
            }
        });
    }
    for (auto& producer : producers) {
        producer.join();
    }
    // A stop request hands out what is queued first, then wakes the consumer for good.
    stopped = true;
    queue.wakeAll(wake);
    consumer.join();

    EXPECT_TRUE(inOrder);
    EXPECT_EQ(next, std::vector<int>(kProducers, kItems));
    EXPECT_TRUE(queue.empty());
}

} // namespace
