#include "app/signal.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(Signal, SlotsRunInConnectionOrderUnlessBlocked)
{
    sigs::Signal<void(bool)> source;
    sigs::Signal<void(bool)> target;
    std::string calls;
    source.connect([&](bool on) { calls += on ? "a1" : "a0"; });
    source.connect(target); // forwards, under the target's own blocked flag
    source.connect([&](bool on) { calls += on ? "c1" : "c0"; });
    target.connect([&](bool on) { calls += on ? "t1" : "t0"; });

    source(true);
    source.setBlocked(true);
    source(false);
    source.setBlocked(false);
    target.setBlocked(true);
    source(false);
    EXPECT_EQ(calls, "a1t1c1a0c0");
}

TEST(Signal, SlotsMayReshapeTheListTheyAreCalledFrom)
{
    sigs::Signal<void()> signal;
    std::vector<int> calls;
    sigs::Connection removed;
    bool added = false;
    signal.connect([&] {
        calls.push_back(1);
        signal.disconnect(removed); // not called again, not even later in this emission
        if (!added) {
            added = true; // would deadlock if connect waited for the emission to end
            signal.connect([&] { calls.push_back(4); });
        }
        signal(); // would recurse without end
    });
    removed = signal.connect([&] { calls.push_back(2); });
    signal.connect([&] { calls.push_back(3); });

    signal();
    signal();
    EXPECT_EQ(calls, (std::vector<int>{1, 3, 1, 3, 4}));
    EXPECT_EQ(signal.slotCount(), 3u);
}

TEST(Signal, EmptySlotIsRefusedAndConnectionsOutliveTheirSignal)
{
    auto const token = std::make_shared<int>(0); // one more owner while a slot holds it
    int calls = 0;
    sigs::Connection connection;
    {
        sigs::Signal<void(bool)> signal;
        EXPECT_EQ(signal.connect(std::function<void(bool)>()), nullptr);
        EXPECT_EQ(signal.slotCount(), 0u);
        connection = signal.connect([&calls, token](bool) { ++calls; });
        sigs::Connection const other = signal.connect([token](bool) {});
        EXPECT_EQ(token.use_count(), 3);
        other->disconnect();
        EXPECT_EQ(signal.slotCount(), 1u);
        EXPECT_EQ(token.use_count(), 2);
        signal(true);
        EXPECT_EQ(calls, 1);
    }
    // The signal took its slot with it: the connection keeps neither alive, and
    // disconnecting it now touches nothing.
    EXPECT_EQ(token.use_count(), 1);
    connection->disconnect();
    connection->disconnect();
    EXPECT_EQ(token.use_count(), 1);
    EXPECT_EQ(calls, 1);
}

TEST(Signal, EmissionsFromSeveralThreadsReachEverySlotWhileSlotsComeAndGo)
{
    sigs::Signal<void()> signal;
    std::atomic<int> calls{0};
    signal.connect([&] { ++calls; });
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 2000; ++i) {
                signal();
                if (t == 0 && i % 100 == 0) {
                    signal.connect([] {});
                } else if (t == 1 && i % 100 == 0) {
                    auto const passing = signal.connect([] {});
                    signal.disconnect(passing);
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(calls, 8000);
    EXPECT_EQ(signal.slotCount(), 21u);
}

// Emitting under a lock that a slot also takes (a command emits, its slot runs
// commands) must not order the signal against that lock: the thread sanitizer
// reports a lock-order inversion when the signal holds a lock of its own while
// its slots run.
TEST(Signal, SlotsRunWithoutTheSignalHoldingALock)
{
    std::recursive_mutex command;
    sigs::Signal<void()> signal;
    int underCommand = 0;
    signal.connect([&] {
        std::lock_guard<std::recursive_mutex> lock(command);
        ++underCommand;
    });
    {
        std::lock_guard<std::recursive_mutex> lock(command);
        signal();
    }
    std::thread([&] { signal(); }).join();
    EXPECT_EQ(underCommand, 2);

    // A disconnect on another thread returns only once a running slot has ended.
    std::atomic<bool> inSlot{false};
    std::atomic<bool> slotDone{false};
    sigs::Signal<void()> slow;
    auto const connection = slow.connect([&] {
        inSlot = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        slotDone = true;
    });
    std::thread emitter([&] { slow(); });
    while (!inSlot) {
        std::this_thread::yield();
    }
    slow.disconnect(connection);
    EXPECT_TRUE(slotDone);
    emitter.join();
}

} // namespace
