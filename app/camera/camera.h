#pragma once
// The image sensor through V4L2 memory-mapped streaming. Once open, a grabber thread
// takes every frame from the driver, adjusts gain and exposure for the next one, watches
// one row for motion when asked, and hands the frame to the frame queue.
//
// Buffers: the driver's capture buffers are mapped once per stream. A frame lends its
// buffer to whoever holds it (the queue, the decoder, an upload); the buffer goes back
// to the driver only when the last holder lets go, so a frame is never overwritten
// while it is read.

#include "app/camera/camera_device.h"
#include "app/camera/camera_frame_buffer.h"
#include "app/camera/camera_mapped_buffers.h"
#include "app/camera/exposure_control.h"
#include "app/camera/frame_queue.h"
#include "app/indicators/gpio_led.h"
#include "app/signal.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <linux/videodev2.h>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class V4L2Camera : public V4L2Device {
public:
    static constexpr unsigned kStreamingBuffers = 5;
    // The queue keeps up to its bound out of the driver's hands; one more must be free
    // for the sensor to go on.
    static constexpr unsigned kMinimumBuffers = FrameIndexQueue::kBound + 1;
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 480;
    static constexpr std::uint32_t kPixelFormat = v4l2_fourcc('Y', '1', '0', ' ');
    static constexpr std::uint32_t kCaptureModeBit = 0x1000;
    static constexpr std::uint32_t kFramesPerSecond = 100;
    static constexpr int kStartGain = Isp::kStartGain;
    static constexpr int kStartExposure = Isp::kStartExposure;
    static constexpr std::uint32_t kStrobeControl = 0x981901; // the sensor driver's own
    static constexpr int kMotionRow = 240;
    static constexpr int kMotionDifference = 51;
    static constexpr int kMotionThreshold = 100;
    static constexpr int kPollMs = 1000;
    // A failing dequeue is tried again after a pause that doubles up to the last.
    static constexpr std::chrono::milliseconds kFirstBackoff{10};
    static constexpr std::chrono::milliseconds kLastBackoff{1000};
    // getLastFrame settles the exposure over at most this many frames.
    static constexpr int kSettleFrames = 10;

    explicit V4L2Camera(std::string const& path, FrameIndexQueue& queue = frameIB);
    ~V4L2Camera() override;

    // Opens, configures and starts streaming and the grabber: 0, or -errno with the
    // device closed again (-EBUSY when already open; -EINVAL when the device cannot
    // capture, stream, or give 640 x 480 10-bit grey at pitch = width).
    int open();
    // Stops the grabber and the stream and closes. Frames still held keep their pixels.
    int close();

    int setFormat(std::uint32_t fourcc, int width, int height);
    int getFormat(std::uint32_t& fourcc, int& width, int& height);

    // Maps and queues the stream's buffers; any buffer that cannot be mapped, or is
    // shorter than a frame, fails the whole preparation and leaves none.
    int prepareBuffers();
    int unprepareBuffers();
    int streamOn();
    int streamOff();
    bool isStreaming() const;

    int dequeueBuffer(); // index, or -1 (lastError() says why)
    int queueBuffer(int index);
    int lastError() const { return lastError_.load(); }

    // Controls: a failed read gives -1; writes give 0 or -errno.
    int analogueGain();
    int exposure();
    int setAnalogueGain(int gain);
    int setExposure(int exposure);
    int setAnalogueGainExposure(int gain, int exposure);
    bool horizontalFlip();
    bool verticalFlip();
    // Kept while closed and applied at the next open.
    int setHorizontalFlip(bool on);
    int setVerticalFlip(bool on);
    int enableStrobe(bool on);
    bool isStrobeEnabled();
    void enableAutoGainExposure(bool on) { autoGainExposure_ = on; }
    void setSkip(bool on) { skip_ = on; }

    // The aimer lights only when asked to and allowed to.
    void setUseAimer(bool on) { useAimer_ = on; }
    void setAimLed(bool on);
    bool isAimEnabled() const { return aimer_.state() == GPIOLed::eOn; }

    // Motion watch on row 240: a threshold of changed samples; the reference row starts over.
    void setAutoDetect(bool enable, int threshold);
    void connectAutoMovementDetect(std::function<void()> const& slot);

    // Frame access through the frame queue.
    FrameIndexStatusPtr getFrameIndex() { return queue_.takeNewest(); }
    FrameIndexStatusPtr getUsedFrameIndex() { return queue_.taken(); }
    // The mapped buffer itself, with no hold on it: only for a frame one holds.
    std::uint8_t* getFrameIndexBufferPtr(int index);
    std::uint16_t* getFrameIndexBuffer16Ptr(int index);
    std::size_t getFrameIndexBufferSize(int index);
    bool frameBuffered() { return !queue_.empty(); }
    // True when a frame arrived within `ms`.
    bool waitForBufferedFrame(int ms);
    void clearbuffer() { queue_.clear(); }

    // Single-shot capture; only while the grabber is stopped (else null / -EBUSY).
    std::shared_ptr<CapturedFrame> getLastFrame();
    int skipFrames(int count); // frames skipped, or -errno

    // The grabber runs from open() to close(); these let it pause for single shots.
    bool startGrabber();
    void stopGrabber();
    bool grabberRunning() const { return grabber_.joinable(); }

private:
    int configure();
    int prepareBuffersLocked();
    void unprepareBuffersLocked();
    int applyFlips();
    int getControl(std::uint32_t id);
    int setControl(std::uint32_t id, int value);
    std::size_t frameBytes() const;

    void cameraGrabberThread();
    void deliver(int index);
    bool checkAutoDetect(std::uint16_t const* pixels);
    int updateGainExposure(std::uint16_t const* pixels);
    // 1: a buffer is ready, 0: time-out or stop, -errno.
    int waitReadable(int timeoutMs);
    // Sleeps, ended early by a stop.
    void pause(std::chrono::milliseconds time);

    FrameIndexQueue& queue_;
    v4l2_capability capability_{};
    std::atomic<bool> streaming_ = false;
    std::atomic<bool> autoGainExposure_ = true;
    std::uint32_t fourcc_ = 0;
    int width_ = 0;
    int height_ = 0;
    std::uint32_t bytesPerLine_ = 0;
    std::atomic<bool> hflip_ = false;
    std::atomic<bool> vflip_ = false;
    GPIOLed aimer_{"led_aim"};
    std::atomic<bool> useAimer_ = true;
    std::thread grabber_;
    std::atomic<bool> stopping_ = false;
    int stopPipe_[2] = {-1, -1};
    std::atomic<bool> autoDetect_ = false;
    std::atomic<bool> skip_ = false;
    std::atomic<int> lastError_ = 0;

    std::mutex frameMutex_;
    std::condition_variable frameCondition_;
    std::uint64_t framesArrived_ = 0;

    std::mutex autoDetectMutex_;
    std::vector<std::uint16_t> motionReference_; // empty until the first frame after a change
    int motionThreshold_ = kMotionThreshold;
    unsigned motionComparisons_ = 0;

    Isp isp_{kWidth, kHeight, Rect{160, 120, 479, 359}};

    // Guards the buffer table and the stream's way back to the driver.
    mutable std::mutex bufferMutex_;
    V4L2MMFrameBuffer buffers_;
    std::shared_ptr<BufferReturn> return_;

    sigs::Signal<void()> motion_;
};
