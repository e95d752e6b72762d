// The camera against the simulated capture device: start, frames into the queue, buffer
// ownership, stop, and the device failing in the ways a driver can.
#include "tests/app/camera/camera_fixture.h"

#include <atomic>
#include <cerrno>
#include <thread>

namespace camera_test {
namespace {

using plat::sim::CameraFaults;

class CameraCaptureTest : public CameraTest {};

TEST_F(CameraCaptureTest, StartWritesSettingsAndQueuesFiveMappedBuffers)
{
    camera().setHorizontalFlip(true); // kept while closed
    ASSERT_EQ(camera().open(), 0);
    EXPECT_EQ(camera().open(), -EBUSY);

    auto const status = sim().status();
    EXPECT_TRUE(status.streaming);
    EXPECT_EQ(status.buffers, 5u);
    EXPECT_EQ(status.queued, 5u);
    EXPECT_NE(status.captureMode & 0x1000u, 0u);
    EXPECT_EQ(status.intervalNumerator, 1u);
    EXPECT_EQ(status.intervalDenominator, 100u);

    std::vector<std::pair<std::uint32_t, std::int32_t>> written;
    for (auto const& write : sim().controlLog()) {
        written.emplace_back(write.id, write.value);
    }
    std::vector<std::pair<std::uint32_t, std::int32_t>> const expected{
        {V4L2_CID_HFLIP, 1}, {V4L2_CID_VFLIP, 0}, {V4L2_CID_GAIN, 64}, {V4L2_CID_EXPOSURE, 10}};
    EXPECT_EQ(written, expected);
    EXPECT_TRUE(camera().horizontalFlip());
    EXPECT_FALSE(camera().verticalFlip());

    std::uint32_t fourcc = 0;
    int width = 0;
    int height = 0;
    ASSERT_EQ(camera().getFormat(fourcc, width, height), 0);
    EXPECT_EQ(fourcc, V4L2_PIX_FMT_Y10);
    EXPECT_EQ(width, kWidth);
    EXPECT_EQ(height, kHeight);
    for (int i = 0; i < 5; ++i) {
        EXPECT_NE(camera().getFrameIndexBufferPtr(i), nullptr);
        EXPECT_GE(camera().getFrameIndexBufferSize(i), kPixels * 2);
    }
    EXPECT_EQ(camera().getFrameIndexBufferPtr(5), nullptr);
    EXPECT_EQ(camera().getFrameIndexBufferSize(-1), 0u);
    EXPECT_EQ(camera().enableStrobe(true), 0);
    EXPECT_EQ(sim().control(V4L2Camera::kStrobeControl), 1);
    EXPECT_TRUE(camera().isStrobeEnabled());

    EXPECT_EQ(camera().close(), 0);
    EXPECT_FALSE(sim().status().streaming);
    EXPECT_EQ(sim().status().buffers, 0u);
    EXPECT_EQ(camera().close(), 0);
    EXPECT_EQ(camera().analogueGain(), -1); // a failed read
}

TEST_F(CameraCaptureTest, FramesArriveWithTheirSamplesAndTheQueueKeepsTheNewestThree)
{
    std::vector<Samples> frames;
    for (int i = 0; i < 6; ++i) {
        frames.push_back(pattern(i));
    }
    ASSERT_TRUE(sim().setFrames(frames));
    ASSERT_EQ(camera().open(), 0);
    camera().enableAutoGainExposure(false);

    for (int i = 0; i < 6; ++i) {
        ASSERT_TRUE(deliver());
        auto const frame = newest();
        ASSERT_NE(frame, nullptr);
        EXPECT_TRUE(samePixels(frame->pixels, frames[static_cast<std::size_t>(i)])) << "frame " << i;
        EXPECT_EQ(frame->width, kWidth);
        EXPECT_EQ(frame->height, kHeight);
        EXPECT_EQ(frame->gain, 64);
        EXPECT_EQ(frame->exposure, 10);
        EXPECT_EQ(frame->status, FrameIndexStatus::eNew);
        EXPECT_GE(frame->index, 0);
        EXPECT_LT(frame->index, 5);
    }
    EXPECT_EQ(readyCount(), 6u);
    EXPECT_TRUE(camera().frameBuffered());

    // The three newest stay, oldest first; the rest went back to the driver.
    std::lock_guard lock(queue_.mutex);
    ASSERT_EQ(queue_.frames.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(samePixels(queue_.frames[i]->pixels, frames[3 + i]));
    }
    EXPECT_TRUE(buffersSettle(3, 2));
}

TEST_F(CameraCaptureTest, FrameBeingReadIsNotTheOneDroppedAndIsNeverTakenTwice)
{
    std::vector<Samples> frames{pattern(10), pattern(11), pattern(12), pattern(13)};
    ASSERT_TRUE(sim().setFrames(frames));
    ASSERT_EQ(camera().open(), 0);

    ASSERT_TRUE(deliver());
    auto const reading = camera().getFrameIndex();
    ASSERT_NE(reading, nullptr);
    EXPECT_EQ(camera().getFrameIndex(), nullptr); // not new any more
    EXPECT_EQ(camera().getUsedFrameIndex(), reading);

    ASSERT_TRUE(deliver(3));
    std::lock_guard lock(queue_.mutex);
    ASSERT_EQ(queue_.frames.size(), 3u);
    EXPECT_EQ(queue_.frames[0], reading);
    EXPECT_TRUE(samePixels(queue_.frames[1]->pixels, frames[2]));
    EXPECT_TRUE(samePixels(queue_.frames[2]->pixels, frames[3]));
}

// Another reader marks the frame superseded and it leaves the queue: the holder still reads
// its own pixels, and only its release gives the buffer back.
TEST_F(CameraCaptureTest, HeldFrameKeepsItsBufferUntilTheLastHolderLetsGo)
{
    std::vector<Samples> frames;
    for (int i = 0; i < 10; ++i) {
        frames.push_back(pattern(20 + i));
    }
    ASSERT_TRUE(sim().setFrames(frames));
    ASSERT_EQ(camera().open(), 0);

    ASSERT_TRUE(deliver());
    auto decoding = camera().getFrameIndex();
    ASSERT_NE(decoding, nullptr);
    ASSERT_TRUE(deliver());
    ASSERT_NE(camera().getFrameIndex(), nullptr); // an upload takes the newer one
    EXPECT_EQ(decoding->status, FrameIndexStatus::eSuperseded);

    ASSERT_TRUE(deliver(8));
    {
        std::lock_guard lock(queue_.mutex);
        for (auto const& frame : queue_.frames) {
            EXPECT_NE(frame, decoding);
        }
    }
    EXPECT_TRUE(samePixels(decoding->pixels, frames[0]));
    EXPECT_TRUE(buffersSettle(4, 1)); // the queue's three and the reader's one

    decoding.reset();
    EXPECT_TRUE(buffersSettle(3, 2));
}

TEST_F(CameraCaptureTest, StopWhileAReaderHoldsAFrame)
{
    ASSERT_TRUE(sim().setFrame(pattern(7)));
    ASSERT_EQ(camera().open(), 0);
    ASSERT_TRUE(deliver(2));
    auto held = camera().getFrameIndex();
    ASSERT_NE(held, nullptr);

    EXPECT_EQ(camera().close(), 0);
    EXPECT_FALSE(sim().status().streaming);
    EXPECT_EQ(sim().status().buffers, 0u);
    EXPECT_TRUE(samePixels(held->pixels, pattern(7)));

    // A new stream is not disturbed by the old stream's frames going.
    ASSERT_EQ(camera().open(), 0);
    ASSERT_TRUE(sim().setFrame(pattern(8)));
    ASSERT_TRUE(deliver());
    queue_.clear();
    held.reset();
    EXPECT_EQ(sim().status().buffers, 5u);
    EXPECT_TRUE(buffersSettle(0, 5));
    ASSERT_TRUE(deliver());
    EXPECT_TRUE(samePixels(newest()->pixels, pattern(8)));
}

TEST_F(CameraCaptureTest, ClearingTheQueueGivesEveryBufferBack)
{
    ASSERT_EQ(camera().open(), 0);
    ASSERT_TRUE(deliver(4));
    EXPECT_TRUE(buffersSettle(3, 2));
    camera().clearbuffer();
    EXPECT_FALSE(camera().frameBuffered());
    EXPECT_TRUE(buffersSettle(0, 5));
}

CameraFaults faults(void (*set)(CameraFaults&))
{
    CameraFaults f;
    set(f);
    return f;
}

struct StartFault {
    char const* name;
    CameraFaults faults;
    bool removed;
    int error;
};

void PrintTo(StartFault const& value, std::ostream* out) { *out << value.name; }

class CameraStartFaultTest : public CameraTest, public ::testing::WithParamInterface<StartFault> {};

TEST_P(CameraStartFaultTest, FailsTheStartAndLeavesNothingBehind)
{
    StartFault const& fault = GetParam();
    sim().setFaults(fault.faults);
    if (fault.removed) {
        ASSERT_TRUE(board().removeDevice("/dev/video0"));
    }
    EXPECT_EQ(camera().open(), fault.error);
    EXPECT_FALSE(camera().isOpen());
    EXPECT_FALSE(camera().grabberRunning());
    auto const status = sim().status();
    EXPECT_FALSE(status.streaming);
    EXPECT_EQ(status.buffers, 0u);
    EXPECT_EQ(status.dequeueCalls, 0u);

    // Once the fault is gone the camera starts.
    sim().setFaults({});
    board().restoreDevice("/dev/video0");
    ASSERT_TRUE(sim().setFrame(pattern(3)));
    ASSERT_EQ(camera().open(), 0);
    ASSERT_TRUE(deliver());
    EXPECT_TRUE(samePixels(newest()->pixels, pattern(3)));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CameraStartFaultTest,
    ::testing::Values(
        StartFault{"every_map_fails", faults([](CameraFaults& f) { f.failMap = true; }), false, -ENOMEM},
        StartFault{"one_map_fails", faults([](CameraFaults& f) { f.failMap = true, f.failMapBuffer = 3; }), false,
                   -ENOMEM},
        StartFault{"stream_on_fails", faults([](CameraFaults& f) { f.failStreamOn = true; }), false, -EIO},
        StartFault{"buffer_shorter_than_a_frame", faults([](CameraFaults& f) { f.queryLength = 4096; }), false,
                   -EINVAL},
        StartFault{"device_missing", CameraFaults{}, true, -ENOENT}),
    [](auto const& info) { return std::string(info.param.name); });

// A dequeue that keeps failing is tried again after growing pauses, and frames flow
// again once the device recovers.
TEST_F(CameraCaptureTest, FailingDequeueBacksOffAndRecovers)
{
    ASSERT_TRUE(sim().setFrame(pattern(5)));
    ASSERT_EQ(camera().open(), 0);
    std::uint64_t const start = sim().status().dequeueCalls;
    sim().setFaults(faults([](CameraFaults& f) { f.failDequeue = true; }));
    std::this_thread::sleep_for(400ms);
    std::uint64_t const failing = sim().status().dequeueCalls - start;
    EXPECT_GE(failing, 1u);
    EXPECT_LE(failing, 12u);
    EXPECT_EQ(camera().lastError(), -EIO);

    sim().setFaults({});
    ASSERT_TRUE(deliver());
    EXPECT_TRUE(samePixels(newest()->pixels, pattern(5)));
    EXPECT_EQ(camera().close(), 0); // not held up by a pause
}

TEST_F(CameraCaptureTest, DeviceGoneMidStreamIsWaitedOutWithoutSpinning)
{
    ASSERT_TRUE(sim().setFrame(pattern(6)));
    ASSERT_EQ(camera().open(), 0);
    ASSERT_TRUE(board().removeDevice("/dev/video0"));
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(camera().lastError(), -ENODEV);
    ASSERT_TRUE(board().restoreDevice("/dev/video0"));
    ASSERT_TRUE(deliver());
    EXPECT_TRUE(samePixels(newest()->pixels, pattern(6)));
}

TEST_F(CameraCaptureTest, MotionIsReportedFromTheThirdFrameWhenRow240Changes)
{
    // Row 240 in runs of (end, value); the rest of the frame at `rest`.
    auto const frame = [](std::vector<std::pair<int, std::uint16_t>> const& runs, std::uint16_t rest = 300) {
        Samples samples(kPixels, rest);
        int x = 0;
        for (auto const& [end, value] : runs) {
            for (; x < end; ++x) {
                samples[240 * kWidth + static_cast<std::size_t>(x)] = value;
            }
        }
        return samples;
    };
    ASSERT_TRUE(sim().setFrames({
        frame({{640, 300}}),                         // fills the reference
        frame({{640, 900}}),                         // first comparison: never reported
        frame({{60, 300}, {640, 900}}),              // 60 changed
        frame({{60, 300}, {600, 900}, {640, 300}}),  // 40 changed
        frame({{60, 300}, {600, 900}, {640, 300}}, 900), // only other rows changed
    }));
    std::atomic<int> motions = 0;
    camera().connectAutoMovementDetect([&] { ++motions; });
    ASSERT_EQ(camera().open(), 0);
    camera().enableAutoGainExposure(false);
    camera().setAutoDetect(true, 50);

    std::vector<int> seen;
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(deliver());
        seen.push_back(motions.load());
    }
    EXPECT_EQ(seen, (std::vector<int>{0, 0, 1, 1, 1}));

    camera().setAutoDetect(false, 50);
    ASSERT_TRUE(sim().setFrames({frame({{640, 0}}), frame({{640, 1000}}), frame({{640, 0}})}));
    ASSERT_TRUE(deliver(3));
    EXPECT_EQ(motions.load(), 1);
}

// The key thread lights the aimer for a first press while the imager thread switches it
// for the read: the state the read cycle asks for and the LED never part.
TEST_F(CameraCaptureTest, AimerSwitchedFromTwoThreadsKeepsItsStateAndItsLedTogether)
{
    auto const aimer = [this] { return board().attribute("/sys/class/leds/led_aim/brightness").value_or("?"); };
    for (int round = 0; round < 20; ++round) {
        std::thread keys([this] {
            for (int i = 0; i < 50; ++i) {
                if (!camera().isAimEnabled()) {
                    camera().setAimLed(true);
                }
            }
        });
        for (int i = 0; i < 50; ++i) {
            camera().setAimLed(i % 2 == 0);
        }
        keys.join();
        ASSERT_EQ(aimer(), camera().isAimEnabled() ? "1" : "0") << round;
    }
}

TEST_F(CameraCaptureTest, AimerLightsOnlyWhenAllowed)
{
    auto const aimer = [this] { return board().attribute("/sys/class/leds/led_aim/brightness").value_or("?"); };
    camera().setUseAimer(false);
    camera().setAimLed(true);
    EXPECT_EQ(aimer(), "0");
    EXPECT_FALSE(camera().isAimEnabled());
    camera().setUseAimer(true);
    camera().setAimLed(true);
    EXPECT_EQ(aimer(), "1");
    EXPECT_TRUE(camera().isAimEnabled());
    camera().setAimLed(false);
    EXPECT_EQ(aimer(), "0");
}

TEST_F(CameraCaptureTest, SingleShotCaptureNeedsTheGrabberStopped)
{
    ASSERT_TRUE(sim().setFrames({pattern(30), pattern(31), pattern(32)}));
    ASSERT_EQ(camera().open(), 0);
    camera().enableAutoGainExposure(false);
    EXPECT_EQ(camera().getLastFrame(), nullptr);
    EXPECT_EQ(camera().skipFrames(1), -EBUSY);

    camera().stopGrabber();
    ASSERT_EQ(sim().deliverFrames(1), 1u);
    EXPECT_EQ(camera().skipFrames(1), 1);
    ASSERT_EQ(sim().deliverFrames(1), 1u);
    auto const shot = camera().getLastFrame();
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ(shot->data, pattern(31));
    EXPECT_EQ(shot->size, kPixels * 2);
    EXPECT_EQ(shot->width, kWidth);
    EXPECT_EQ(shot->gain, 64);
    EXPECT_EQ(sim().status().queued, 5u);

    EXPECT_TRUE(camera().startGrabber());
    ASSERT_TRUE(deliver());
    EXPECT_TRUE(samePixels(newest()->pixels, pattern(32)));
}

TEST_F(CameraCaptureTest, WaitForBufferedFrameSeesOnlyANewFrame)
{
    ASSERT_EQ(camera().open(), 0);
    EXPECT_FALSE(camera().waitForBufferedFrame(20));
    std::thread later([this] {
        std::this_thread::sleep_for(20ms);
        sim().deliverFrames(1);
    });
    EXPECT_TRUE(camera().waitForBufferedFrame(5000));
    later.join();
}

TEST(FrameBufferTest, CopyIsBoundedByOneFrame)
{
    FrameBuffer buffer;
    EXPECT_EQ(buffer.exposure, -1);
    EXPECT_EQ(buffer.gain, -1);
    EXPECT_EQ(buffer.assignBuffer(nullptr, 10), 0u);
    Samples longer(FrameBuffer::kCapacity + 4096, 7);
    EXPECT_EQ(buffer.assignBuffer(longer.data(), longer.size()), FrameBuffer::kCapacity);
    EXPECT_EQ(buffer.size(), FrameBuffer::kCapacity);
    EXPECT_EQ(buffer.data()[FrameBuffer::kCapacity - 1], 7);
    Samples shorter(10, 3);
    EXPECT_EQ(buffer.assignBuffer(shorter.data(), shorter.size()), 10u);
    EXPECT_EQ(buffer.data()[9], 3);
}

} // namespace
} // namespace camera_test
