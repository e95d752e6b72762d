#pragma once
// A camera on a fresh simulated board, frames delivered one at a time on demand.

#include "app/camera/camera.h"
#include "app/camera/frame_queue.h"

#include "tests/platform/board_fixture.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <linux/videodev2.h>
#include <memory>
#include <mutex>
#include <vector>

namespace camera_test {

using Samples = std::vector<std::uint16_t>;
using namespace std::chrono_literals;

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr std::size_t kPixels = static_cast<std::size_t>(kWidth) * kHeight;

inline Samples frameOf(std::uint16_t (*sample)(int x, int y, int seed), int seed)
{
    Samples samples(kPixels);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            samples[static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)] = sample(x, y, seed);
        }
    }
    return samples;
}

// A frame that tells where it came from at every sample.
inline Samples pattern(int seed)
{
    return frameOf([](int x, int y, int s) { return static_cast<std::uint16_t>((x * 3 + y * 5 + s * 37) % 1024); },
                   seed);
}

inline bool samePixels(std::uint16_t const* pixels, Samples const& expected)
{
    return pixels != nullptr && std::equal(expected.begin(), expected.end(), pixels);
}

class CameraTest : public platform_test::BoardTest {
protected:
    void SetUp() override
    {
        BoardTest::SetUp();
        sim().setDeterministic(true);
        queue_.frameReady.connect([this] {
            std::lock_guard lock(mutex_);
            ++ready_;
            changed_.notify_all();
        });
        camera_ = std::make_unique<V4L2Camera>("/dev/video0", queue_);
    }

    void TearDown() override
    {
        camera_.reset();
        queue_.clear();
        BoardTest::TearDown();
    }

    plat::sim::Camera& sim() { return board().camera(); }
    V4L2Camera& camera() { return *camera_; }

    unsigned readyCount()
    {
        std::lock_guard lock(mutex_);
        return ready_;
    }

    bool waitReady(unsigned count, std::chrono::milliseconds timeout = 5s)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return ready_ >= count; });
    }

    // The sensor takes `count` frames, each handed to the queue before the next is taken.
    bool deliver(unsigned count = 1)
    {
        for (unsigned i = 0; i < count; ++i) {
            unsigned const before = readyCount();
            // A dropped frame's buffer goes back just after the frame-ready signal.
            bool const free = sim().waitFor([](auto const& status) { return status.queued > 0; }, 5s);
            if (!free || sim().deliverFrames(1) != 1 || !waitReady(before + 1)) {
                return false;
            }
        }
        return true;
    }

    // Whether the driver comes to hold `queued` buffers with `held` out with the application.
    bool buffersSettle(unsigned held, unsigned queued)
    {
        return sim().waitFor([&](auto const& status) { return status.held == held && status.queued == queued; }, 5s);
    }

    FrameIndexStatusPtr newest()
    {
        std::lock_guard lock(queue_.mutex);
        return queue_.frames.empty() ? nullptr : queue_.frames.back();
    }

    FrameIndexQueue queue_;
    std::unique_ptr<V4L2Camera> camera_;

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    unsigned ready_ = 0;
};

} // namespace camera_test
