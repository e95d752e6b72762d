#pragma once
// The camera "/dev/video0": a V4L2 capture device with memory-mapped streaming, as the image
// sensor's driver presents it. It answers QUERYCAP, G/S_PARM, G/S_FMT (10-bit grey "Y10 ",
// 640 x 480 only: other requests are adjusted), REQBUFS, QUERYBUF, QBUF, DQBUF, STREAMON,
// STREAMOFF and G/S_CTRL (flips, gain, exposure, strobe); every other request is ENOTTY.
//
// Frames come from what the harness puts before the camera. Free-running, the sensor takes a
// frame every frame interval while streaming and drops it when no buffer is queued;
// deterministic, it takes a frame only when the harness asks. One open file at a time owns
// the buffers, as with the kernel's buffer queue; its close stops streaming and frees them,
// though pages still mapped stay valid until unmapped.

#include "platform/sim/camera_types.h"
#include "platform/sim/frame_source.h"
#include "platform/sim/open_file.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <linux/videodev2.h>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace plat::sim {

class CaptureOpenFile;

class CaptureDevice {
public:
    static constexpr unsigned kMinBuffers = 2;
    static constexpr unsigned kMaxBuffers = 8;

    CaptureDevice();
    ~CaptureDevice();
    CaptureDevice(CaptureDevice const&) = delete;
    CaptureDevice& operator=(CaptureDevice const&) = delete;

    // The open files' side: results are kernel-style (a value, or a negative errno).
    void attach(CaptureOpenFile const* file, int readyFd);
    void detach(CaptureOpenFile const* file);
    int ioctl(CaptureOpenFile const* file, unsigned long request, void* argument);
    void* map(bool writable, std::size_t length, int protection, int flags, off_t offset, int& error);

    // The harness's side.
    void show(std::vector<FrameSource::Frame> frames); // frames of kSensorWidth x kSensorHeight
    void setDeterministic(bool on);
    bool deterministic() const;
    unsigned deliver(unsigned count);
    void setSensorModel(bool on);
    void setFaults(CameraFaults const& faults);
    void setPresent(bool present);
    std::vector<ControlWrite> controlLog() const;
    void clearControlLog();
    std::optional<std::int32_t> control(std::uint32_t id) const;
    CameraStatus status() const;
    bool waitFor(std::function<bool(CameraStatus const&)> const& ready, std::chrono::milliseconds timeout);
    std::vector<std::uint16_t> lastFrame() const;

    static constexpr std::size_t kMaxLog = 1 << 16;

private:
    enum class BufferState : std::uint8_t { Held, Queued, Filled };
    struct Buffer {
        BufferState state = BufferState::Held;
        std::uint32_t bytesUsed = 0;
        std::uint32_t sequence = 0;
        timeval timestamp{};
    };
    struct Opener {
        CaptureOpenFile const* file;
        int readyFd;
        bool signalled;
    };

    int querycap(v4l2_capability& answer) const;
    int getParm(v4l2_streamparm& parm) const;
    int setParm(v4l2_streamparm& parm);
    int getFormat(v4l2_format& format) const;
    int setFormat(v4l2_format& format);
    int requestBuffers(CaptureOpenFile const* file, v4l2_requestbuffers& request);
    int queryBuffer(v4l2_buffer& buffer) const;
    int queueBuffer(CaptureOpenFile const* file, v4l2_buffer& buffer);
    int dequeueBuffer(CaptureOpenFile const* file, v4l2_buffer& buffer, std::unique_lock<std::mutex>& lock);
    int streamOn(CaptureOpenFile const* file, int type);
    int streamOff(CaptureOpenFile const* file, int type);
    int getControl(v4l2_control& control) const;
    int setControl(v4l2_control& control);

    bool busyFor(CaptureOpenFile const* file) const { return owner_ != nullptr && owner_ != file; }
    bool allocate(unsigned count);
    void freeBuffers();
    void stopStreaming();
    void describe(unsigned index, v4l2_buffer& buffer) const;
    bool captureOne(); // a frame into the first queued buffer; false when it was dropped
    void compose(std::uint8_t* out);
    bool readyFor(CaptureOpenFile const* file) const;
    void changed(); // after any change a waiter or poller may care about
    void runSensor();
    bool sensorRunning() const;
    CameraStatus statusLocked() const;

    mutable std::mutex mutex_;
    std::condition_variable frames_;  // DQBUF waiters and the harness's waitFor
    std::condition_variable sensor_;  // the free-running sensor
    std::vector<Opener> openers_;
    CaptureOpenFile const* owner_ = nullptr;

    std::uint32_t captureMode_ = 0;
    v4l2_fract interval_{1, 100};
    std::int32_t hflip_ = 0;
    std::int32_t vflip_ = 0;
    std::int32_t gain_ = kNeutralGain;
    std::int32_t exposure_ = kNeutralExposure;
    std::int32_t strobe_ = 0;
    std::deque<ControlWrite> log_;

    int memory_ = -1; // the buffers' pages, shared with every mapping
    std::uint8_t* pages_ = nullptr;
    std::size_t stride_ = 0; // bytes from one buffer to the next, whole pages
    std::vector<Buffer> buffers_;
    std::deque<unsigned> queued_;
    std::deque<unsigned> filled_;
    bool streaming_ = false;
    std::uint32_t sequence_ = 0;
    std::uint64_t delivered_ = 0;
    std::uint64_t dequeueCalls_ = 0;

    FrameSource source_;
    std::vector<std::uint16_t> last_;
    bool deterministic_ = false;
    bool sensorModel_ = false;
    bool present_ = true;
    CameraFaults faults_;
    bool stopping_ = false;
    std::thread sensorThread_; // last: starts once everything above is built
};

class CaptureOpenFile final : public OpenFile {
public:
    // readyFd: the descriptor the firmware polls; readable while a DQBUF would not wait.
    CaptureOpenFile(std::size_t node, int flags, int readyFd, std::shared_ptr<CaptureDevice> device);
    ~CaptureOpenFile() override;

    int ioctl(unsigned long request, void* argument) override;
    void* map(std::size_t length, int protection, int flags, off_t offset, int& error) override;
    void release() override;
    bool nonBlocking() const { return nonBlocking_; }

private:
    std::shared_ptr<CaptureDevice> device_;
    bool nonBlocking_;
    std::atomic<bool> released_ = false;
};

} // namespace plat::sim
