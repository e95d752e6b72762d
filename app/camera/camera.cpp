#include "app/camera/camera.h"
#include "app/stop_pipe.h"

#include "platform/platform.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>

V4L2Camera::V4L2Camera(std::string const& path, FrameIndexQueue& queue) : V4L2Device(path), queue_(queue) {}

V4L2Camera::~V4L2Camera() { close(); }

// ---- lifecycle ----

int V4L2Camera::open()
{
    // The grabber waits in poll, so the descriptor never blocks: a stop or an error can always end a wait.
    int const opened = openDevice(O_RDWR | O_NONBLOCK);
    if (opened < 0) {
        return opened;
    }
    int const configured = configure();
    if (configured < 0) {
        close();
        return configured;
    }
    if (!startGrabber()) {
        close();
        return -EAGAIN;
    }
    return 0;
}

int V4L2Camera::configure()
{
    v4l2_capability capability{};
    if (int const r = request(VIDIOC_QUERYCAP, &capability); r < 0) {
        return r;
    }
    std::uint32_t const caps =
        (capability.capabilities & V4L2_CAP_DEVICE_CAPS) != 0 ? capability.device_caps : capability.capabilities;
    if ((caps & V4L2_CAP_VIDEO_CAPTURE) == 0 || (caps & V4L2_CAP_STREAMING) == 0) {
        return -EINVAL;
    }
    capability_ = capability;
    applyFlips();

    // Mode bit and rate belong to the sensor driver; a driver without them still streams.
    v4l2_streamparm parm{};
    parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (request(VIDIOC_G_PARM, &parm) == 0) {
        parm.parm.capture.capturemode |= kCaptureModeBit;
        parm.parm.capture.timeperframe = {1, kFramesPerSecond};
        request(VIDIOC_S_PARM, &parm);
    }

    if (int const r = setFormat(kPixelFormat, kWidth, kHeight); r < 0) {
        return r;
    }
    // Exposure control, motion watch and decoder all read frames of this shape.
    if (fourcc_ != kPixelFormat || width_ != kWidth || height_ != kHeight ||
        bytesPerLine_ != static_cast<std::uint32_t>(kWidth) * sizeof(std::uint16_t)) {
        return -EINVAL;
    }
    setAnalogueGain(kStartGain);
    setExposure(kStartExposure);
    return streamOn();
}

int V4L2Camera::close()
{
    if (!isOpen()) {
        return 0;
    }
    stopGrabber();
    streamOff();
    closeDevice();
    return 0;
}

int V4L2Camera::setFormat(std::uint32_t fourcc, int width, int height)
{
    v4l2_format format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    format.fmt.pix.width = static_cast<std::uint32_t>(width);
    format.fmt.pix.height = static_cast<std::uint32_t>(height);
    format.fmt.pix.pixelformat = fourcc;
    format.fmt.pix.field = V4L2_FIELD_ANY;
    if (int const r = request(VIDIOC_S_FMT, &format); r < 0) {
        return r;
    }
    // What the driver made of the request.
    fourcc_ = format.fmt.pix.pixelformat;
    width_ = static_cast<int>(format.fmt.pix.width);
    height_ = static_cast<int>(format.fmt.pix.height);
    bytesPerLine_ = format.fmt.pix.bytesperline;
    return 0;
}

int V4L2Camera::getFormat(std::uint32_t& fourcc, int& width, int& height)
{
    v4l2_format format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (int const r = request(VIDIOC_G_FMT, &format); r < 0) {
        return r;
    }
    fourcc = format.fmt.pix.pixelformat;
    width = static_cast<int>(format.fmt.pix.width);
    height = static_cast<int>(format.fmt.pix.height);
    return 0;
}

std::size_t V4L2Camera::frameBytes() const
{
    return static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * sizeof(std::uint16_t);
}

// ---- buffers and stream ----

int V4L2Camera::prepareBuffers()
{
    std::lock_guard lock(bufferMutex_);
    return prepareBuffersLocked();
}

int V4L2Camera::prepareBuffersLocked()
{
    unprepareBuffersLocked();
    v4l2_requestbuffers buffers{};
    buffers.count = kStreamingBuffers;
    buffers.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buffers.memory = V4L2_MEMORY_MMAP;
    if (int const r = request(VIDIOC_REQBUFS, &buffers); r < 0) {
        return r;
    }
    int failure = buffers.count < kMinimumBuffers ? -ENOMEM : 0;
    for (unsigned i = 0; failure == 0 && i < buffers.count; ++i) {
        v4l2_buffer buffer{};
        buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buffer.memory = V4L2_MEMORY_MMAP;
        buffer.index = i;
        if (int const r = request(VIDIOC_QUERYBUF, &buffer); r < 0) {
            failure = r;
            break;
        }
        // Readers take a whole frame from every buffer.
        if (buffer.length < frameBytes()) {
            failure = -EINVAL;
            break;
        }
        void* const address =
            plat::mmap(nullptr, buffer.length, PROT_READ | PROT_WRITE, MAP_SHARED, descriptor(), buffer.m.offset);
        if (address == MAP_FAILED) {
            failure = -errno;
            break;
        }
        buffers_.setMMapBuffer(i, address, buffer.length);
    }
    for (unsigned i = 0; failure == 0 && i < buffers_.getTotalBuffers(); ++i) {
        failure = queueBuffer(static_cast<int>(i));
    }
    if (failure < 0) {
        unprepareBuffersLocked();
        return failure;
    }
    return_ = std::make_shared<BufferReturn>(descriptor());
    return 0;
}

int V4L2Camera::unprepareBuffers()
{
    std::lock_guard lock(bufferMutex_);
    unprepareBuffersLocked();
    return 0;
}

void V4L2Camera::unprepareBuffersLocked()
{
    if (return_) {
        return_->revoke();
        return_.reset();
    }
    bool const had = buffers_.getTotalBuffers() != 0;
    // Pages a held frame still reads stay mapped until it lets go.
    buffers_.clearTotalBuffer();
    if (had && isOpen()) {
        v4l2_requestbuffers none{};
        none.count = 0;
        none.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        none.memory = V4L2_MEMORY_MMAP;
        request(VIDIOC_REQBUFS, &none);
    }
}

int V4L2Camera::streamOn()
{
    std::lock_guard lock(bufferMutex_);
    if (!isOpen()) {
        return -EBADF;
    }
    if (streaming_) {
        return 0;
    }
    if (buffers_.getTotalBuffers() == 0) {
        if (int const r = prepareBuffersLocked(); r < 0) {
            return r;
        }
    }
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (int const r = request(VIDIOC_STREAMON, &type); r < 0) {
        return r;
    }
    streaming_ = true;
    return 0;
}

int V4L2Camera::streamOff()
{
    std::lock_guard lock(bufferMutex_);
    int result = 0;
    if (streaming_) {
        int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        result = request(VIDIOC_STREAMOFF, &type);
        streaming_ = false;
    }
    unprepareBuffersLocked();
    return result;
}

bool V4L2Camera::isStreaming() const { return streaming_; }

int V4L2Camera::dequeueBuffer()
{
    v4l2_buffer buffer{};
    buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buffer.memory = V4L2_MEMORY_MMAP;
    if (int const r = request(VIDIOC_DQBUF, &buffer); r < 0) {
        lastError_ = r;
        return -1;
    }
    return static_cast<int>(buffer.index);
}

int V4L2Camera::queueBuffer(int index)
{
    if (index < 0) {
        return -EINVAL;
    }
    v4l2_buffer buffer{};
    buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buffer.memory = V4L2_MEMORY_MMAP;
    buffer.index = static_cast<std::uint32_t>(index);
    return request(VIDIOC_QBUF, &buffer);
}

std::uint8_t* V4L2Camera::getFrameIndexBufferPtr(int index)
{
    std::lock_guard lock(bufferMutex_);
    return index < 0 ? nullptr : static_cast<std::uint8_t*>(buffers_.MMAddress(static_cast<std::size_t>(index)));
}

std::uint16_t* V4L2Camera::getFrameIndexBuffer16Ptr(int index)
{
    return reinterpret_cast<std::uint16_t*>(getFrameIndexBufferPtr(index));
}

std::size_t V4L2Camera::getFrameIndexBufferSize(int index)
{
    std::lock_guard lock(bufferMutex_);
    return index < 0 ? 0 : buffers_.MMBufSize(static_cast<std::size_t>(index));
}

// ---- controls ----

int V4L2Camera::getControl(std::uint32_t id)
{
    v4l2_control control{id, 0};
    return request(VIDIOC_G_CTRL, &control) < 0 ? -1 : control.value;
}

int V4L2Camera::setControl(std::uint32_t id, int value)
{
    v4l2_control control{id, value};
    return request(VIDIOC_S_CTRL, &control);
}

int V4L2Camera::analogueGain() { return getControl(V4L2_CID_GAIN); }
int V4L2Camera::exposure() { return getControl(V4L2_CID_EXPOSURE); }
int V4L2Camera::setAnalogueGain(int gain) { return setControl(V4L2_CID_GAIN, gain); }
int V4L2Camera::setExposure(int exposure) { return setControl(V4L2_CID_EXPOSURE, exposure); }

int V4L2Camera::setAnalogueGainExposure(int gain, int exposure)
{
    int const g = setAnalogueGain(gain);
    int const x = setExposure(exposure);
    return g < 0 ? g : x;
}

bool V4L2Camera::horizontalFlip() { return getControl(V4L2_CID_HFLIP) == 1; }
bool V4L2Camera::verticalFlip() { return getControl(V4L2_CID_VFLIP) == 1; }

int V4L2Camera::setHorizontalFlip(bool on)
{
    hflip_ = on;
    return isOpen() ? setControl(V4L2_CID_HFLIP, on ? 1 : 0) : 0;
}

int V4L2Camera::setVerticalFlip(bool on)
{
    vflip_ = on;
    return isOpen() ? setControl(V4L2_CID_VFLIP, on ? 1 : 0) : 0;
}

int V4L2Camera::applyFlips()
{
    int const h = setControl(V4L2_CID_HFLIP, hflip_ ? 1 : 0);
    int const v = setControl(V4L2_CID_VFLIP, vflip_ ? 1 : 0);
    return h < 0 ? h : v;
}

int V4L2Camera::enableStrobe(bool on) { return setControl(kStrobeControl, on ? 1 : 0); }
bool V4L2Camera::isStrobeEnabled() { return getControl(kStrobeControl) == 1; }

void V4L2Camera::setAimLed(bool on) { aimer_.setState(on && useAimer_ ? GPIOLed::eOn : GPIOLed::eOff); }

// ---- motion watch ----

void V4L2Camera::setAutoDetect(bool enable, int threshold)
{
    std::lock_guard lock(autoDetectMutex_);
    autoDetect_ = enable;
    motionThreshold_ = threshold;
    motionReference_.clear();
    motionComparisons_ = 0;
}

void V4L2Camera::connectAutoMovementDetect(std::function<void()> const& slot) { motion_.connect(slot); }

// True when row 240 changed in more samples than the threshold. The first frame only
// fills the reference and the first comparison only settles it.
bool V4L2Camera::checkAutoDetect(std::uint16_t const* pixels)
{
    std::lock_guard lock(autoDetectMutex_);
    if (!autoDetect_) {
        return false;
    }
    std::uint16_t const* row = pixels + static_cast<std::size_t>(kMotionRow) * static_cast<std::size_t>(width_);
    if (motionReference_.empty()) {
        motionReference_.assign(row, row + width_);
        return false;
    }
    int changed = 0;
    for (int x = 0; x < width_; ++x) {
        auto& reference = motionReference_[static_cast<std::size_t>(x)];
        if (std::abs(static_cast<int>(row[x]) - static_cast<int>(reference)) >= kMotionDifference) {
            ++changed;
            reference = row[x];
        }
    }
    bool const first = motionComparisons_++ == 0;
    return changed > motionThreshold_ && !first;
}

// ---- exposure ----

int V4L2Camera::updateGainExposure(std::uint16_t const* pixels)
{
    if (skip_ || !autoGainExposure_) {
        return 0;
    }
    int const gain = analogueGain();
    int const exposure = this->exposure();
    // Without the sensor's present setting there is nothing to scale from.
    if (gain < 0 || exposure < 0) {
        return 0;
    }
    int const result = isp_.calculateGainExposure(pixels, gain, exposure);
    if (result == Isp::eNewSetting || result == Isp::eRebalanced) {
        setAnalogueGain(isp_.gain());
        setExposure(isp_.exposure());
    }
    return result == Isp::eNewSetting ? 1 : 0;
}

// ---- grabber ----

bool V4L2Camera::startGrabber()
{
    if (grabber_.joinable() || !isOpen()) {
        return false;
    }
    if (plat::pipe(stopPipe_) != 0) {
        stopPipe_[0] = stopPipe_[1] = -1;
        return false;
    }
    stopping_ = false;
    grabber_ = std::thread([this] { cameraGrabberThread(); });
    return true;
}

void V4L2Camera::stopGrabber()
{
    if (!grabber_.joinable()) {
        return;
    }
    stopping_ = true;
    wakeStopPipe(stopPipe_[1]);
    grabber_.join();
    stopping_ = false;
    plat::close(stopPipe_[0]);
    plat::close(stopPipe_[1]);
    stopPipe_[0] = stopPipe_[1] = -1;
}

int V4L2Camera::waitReadable(int timeoutMs)
{
    pollfd fds[2] = {{descriptor(), POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
    nfds_t const count = stopPipe_[0] >= 0 ? 2 : 1;
    int const n = plat::poll(fds, count, timeoutMs);
    if (n < 0) {
        return -errno;
    }
    if (stopping_ || n == 0) {
        return 0;
    }
    return fds[0].revents != 0 ? 1 : 0;
}

void V4L2Camera::pause(std::chrono::milliseconds time)
{
    pollfd stop{stopPipe_[0], POLLIN, 0};
    plat::poll(&stop, stopPipe_[0] >= 0 ? 1 : 0, static_cast<int>(time.count()));
}

void V4L2Camera::cameraGrabberThread()
{
    auto backoff = kFirstBackoff;
    while (!stopping_) {
        int const ready = waitReadable(-1);
        if (stopping_) {
            break;
        }
        int const index = ready > 0 ? dequeueBuffer() : -1;
        if (index < 0) {
            // A device in error answers every wait at once: never spin on it.
            pause(backoff);
            backoff = std::min(backoff * 2, kLastBackoff);
            continue;
        }
        backoff = kFirstBackoff;
        deliver(index);
    }
}

void V4L2Camera::deliver(int index)
{
    std::shared_ptr<MappedBuffer> mapping;
    std::shared_ptr<BufferReturn> way;
    {
        std::lock_guard lock(bufferMutex_);
        mapping = buffers_.mapping(static_cast<std::size_t>(index));
        way = return_;
    }
    if (!mapping || !way) {
        return; // the stream stopped meanwhile: its buffers are gone
    }
    // From here the buffer goes back to the driver when the last holder lets go.
    FrameLease lease(static_cast<unsigned>(index), mapping, std::move(way));
    auto const* pixels = static_cast<std::uint16_t const*>(mapping->address());

    // Slots run outside the watch's lock: they take the read cycle's locks.
    if (autoDetect_ && checkAutoDetect(pixels)) {
        motion_();
    }
    updateGainExposure(pixels);

    auto frame = std::make_shared<FrameIndexStatus>();
    frame->index = index;
    frame->exposure = exposure();
    frame->gain = analogueGain();
    frame->width = width_;
    frame->height = height_;
    frame->pixels = pixels;
    frame->brightness = isp_.brightness();
    frame->peak = isp_.peak();
    frame->status = FrameIndexStatus::eNew;
    frame->lease = std::move(lease);
    queue_.push(std::move(frame));
    {
        std::lock_guard lock(frameMutex_);
        ++framesArrived_;
    }
    frameCondition_.notify_all();
}

bool V4L2Camera::waitForBufferedFrame(int ms)
{
    std::unique_lock lock(frameMutex_);
    std::uint64_t const seen = framesArrived_;
    return frameCondition_.wait_for(lock, std::chrono::milliseconds(std::max(ms, 0)),
                                    [&] { return framesArrived_ != seen; });
}

// ---- single shots ----

std::shared_ptr<CapturedFrame> V4L2Camera::getLastFrame()
{
    if (grabberRunning() || !streaming_) {
        return nullptr;
    }
    for (int attempt = 0; attempt < kSettleFrames; ++attempt) {
        if (waitReadable(kPollMs) <= 0) {
            return nullptr;
        }
        int const index = dequeueBuffer();
        if (index < 0) {
            return nullptr;
        }
        std::shared_ptr<MappedBuffer> mapping;
        {
            std::lock_guard lock(bufferMutex_);
            mapping = buffers_.mapping(static_cast<std::size_t>(index));
        }
        if (!mapping) {
            return nullptr;
        }
        auto const* pixels = static_cast<std::uint16_t const*>(mapping->address());
        // Settle: an adjusted exposure shows from a later frame on.
        if (updateGainExposure(pixels) != 0 && attempt + 1 < kSettleFrames) {
            queueBuffer(index);
            continue;
        }
        auto frame = std::make_shared<CapturedFrame>();
        std::size_t const bytes = std::min(frameBytes(), mapping->length());
        frame->data.assign(pixels, pixels + bytes / sizeof(std::uint16_t));
        frame->size = bytes;
        frame->exposure = exposure();
        frame->gain = analogueGain();
        frame->width = width_;
        frame->height = height_;
        queueBuffer(index);
        return frame;
    }
    return nullptr;
}

int V4L2Camera::skipFrames(int count)
{
    if (grabberRunning()) {
        return -EBUSY;
    }
    int skipped = 0;
    for (; skipped < count; ++skipped) {
        if (waitReadable(kPollMs) <= 0) {
            break;
        }
        int const index = dequeueBuffer();
        if (index < 0) {
            break;
        }
        queueBuffer(index);
    }
    return skipped;
}
