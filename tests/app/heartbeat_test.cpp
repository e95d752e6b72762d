#include "app/heartbeat.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;

bool waitForTicks(std::atomic<int> const& count, int target)
{
    auto const deadline = std::chrono::steady_clock::now() + 5s;
    while (count.load() < target) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

TEST(Heartbeat, ManualTicksRunTheSlotsInConnectionOrder)
{
    Heartbeat heartbeat(10ms);
    std::string calls;
    heartbeat.connect([&] { calls += "L"; }); // LEDs first
    heartbeat.connect([&] { calls += "R"; }); // then the read timer
    heartbeat.tick();
    heartbeat.tick();
    EXPECT_EQ(calls, "LRLR");
}

TEST(Heartbeat, StartStopAndRestartKeepOneTickTask)
{
    Heartbeat heartbeat(2ms);
    std::atomic<int> ticks{0};
    std::atomic<int> inside{0};
    std::atomic<bool> overlapped{false};
    heartbeat.connect([&] {
        overlapped = overlapped || inside.fetch_add(1) != 0; // two tick tasks at once
        ++ticks;
        inside.fetch_sub(1);
    });

    heartbeat.stop(); // a stop before any start must not spoil the first start
    heartbeat.start();
    ASSERT_TRUE(waitForTicks(ticks, 3));
    heartbeat.start(); // restart while running
    int const restarted = ticks.load();
    ASSERT_TRUE(waitForTicks(ticks, restarted + 3));

    heartbeat.stop();
    std::this_thread::sleep_for(30ms); // the task sees the stop within a period
    int const settled = ticks.load();
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(ticks.load(), settled);

    heartbeat.start();
    ASSERT_TRUE(waitForTicks(ticks, settled + 3));
    EXPECT_FALSE(overlapped.load());
}

} // namespace
