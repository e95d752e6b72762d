#include "platform/sim/capture_device.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <linux/version.h>
#include <numeric>
#include <sys/mman.h>
#include <unistd.h>

namespace plat::sim {
namespace {

constexpr std::uint32_t kCaptureType = V4L2_BUF_TYPE_VIDEO_CAPTURE;
constexpr std::uint32_t kDeviceCaps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
constexpr std::size_t kFramePixels = static_cast<std::size_t>(kSensorWidth) * kSensorHeight;

struct ControlRange {
    std::uint32_t id;
    std::int32_t minimum;
    std::int32_t maximum;
    bool boolean;
};

// The sensor's own ranges: gain in 1/16 steps, exposure in line-time steps.
constexpr std::array<ControlRange, 5> kControls{{
    {V4L2_CID_HFLIP, 0, 1, true},
    {V4L2_CID_VFLIP, 0, 1, true},
    {V4L2_CID_GAIN, 16, 1023, false},
    {V4L2_CID_EXPOSURE, 1, 260, false},
    {kStrobeControl, 0, 1, true},
}};

ControlRange const* findControl(std::uint32_t id)
{
    for (auto const& range : kControls) {
        if (range.id == id) {
            return &range;
        }
    }
    return nullptr;
}

template <std::size_t N>
void copyName(std::uint8_t (&field)[N], char const* text)
{
    std::size_t const n = std::min(N - 1, std::strlen(text));
    std::memcpy(field, text, n);
}

timeval monotonicNow()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return {now.tv_sec, now.tv_nsec / 1000};
}

std::size_t pageSize()
{
    long const page = ::sysconf(_SC_PAGESIZE);
    return page > 0 ? static_cast<std::size_t>(page) : 4096;
}

} // namespace

CaptureDevice::CaptureDevice() : last_(kFramePixels, 0), sensorThread_([this] { runSensor(); }) {}

CaptureDevice::~CaptureDevice()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    sensor_.notify_all();
    sensorThread_.join();
    freeBuffers();
}

// ---- open files ----

void CaptureDevice::attach(CaptureOpenFile const* file, int readyFd)
{
    std::lock_guard lock(mutex_);
    openers_.push_back({file, readyFd, false});
    changed();
}

void CaptureDevice::detach(CaptureOpenFile const* file)
{
    std::lock_guard lock(mutex_);
    if (owner_ == file) {
        stopStreaming();
        freeBuffers();
        owner_ = nullptr;
    }
    std::erase_if(openers_, [file](Opener const& o) { return o.file == file; });
    changed();
}

int CaptureDevice::ioctl(CaptureOpenFile const* file, unsigned long request, void* argument)
{
    if (argument == nullptr) {
        return -EFAULT;
    }
    std::unique_lock lock(mutex_);
    if (!present_) {
        return -ENODEV;
    }
    switch (request) {
    case VIDIOC_QUERYCAP:
        return querycap(*static_cast<v4l2_capability*>(argument));
    case VIDIOC_G_PARM:
        return getParm(*static_cast<v4l2_streamparm*>(argument));
    case VIDIOC_S_PARM:
        return setParm(*static_cast<v4l2_streamparm*>(argument));
    case VIDIOC_G_FMT:
        return getFormat(*static_cast<v4l2_format*>(argument));
    case VIDIOC_S_FMT:
        return setFormat(*static_cast<v4l2_format*>(argument));
    case VIDIOC_REQBUFS:
        return requestBuffers(file, *static_cast<v4l2_requestbuffers*>(argument));
    case VIDIOC_QUERYBUF:
        return queryBuffer(*static_cast<v4l2_buffer*>(argument));
    case VIDIOC_QBUF:
        return queueBuffer(file, *static_cast<v4l2_buffer*>(argument));
    case VIDIOC_DQBUF:
        return dequeueBuffer(file, *static_cast<v4l2_buffer*>(argument), lock);
    case VIDIOC_STREAMON:
        return streamOn(file, *static_cast<int*>(argument));
    case VIDIOC_STREAMOFF:
        return streamOff(file, *static_cast<int*>(argument));
    case VIDIOC_G_CTRL:
        return getControl(*static_cast<v4l2_control*>(argument));
    case VIDIOC_S_CTRL:
        return setControl(*static_cast<v4l2_control*>(argument));
    default:
        return -ENOTTY;
    }
}

int CaptureDevice::querycap(v4l2_capability& answer) const
{
    answer = {};
    copyName(answer.driver, "board_camera");
    copyName(answer.card, "board image sensor");
    copyName(answer.bus_info, "platform:camera");
    answer.version = LINUX_VERSION_CODE;
    answer.device_caps = kDeviceCaps;
    answer.capabilities = kDeviceCaps | V4L2_CAP_DEVICE_CAPS;
    return 0;
}

int CaptureDevice::getParm(v4l2_streamparm& parm) const
{
    if (parm.type != kCaptureType) {
        return -EINVAL;
    }
    std::memset(&parm.parm, 0, sizeof parm.parm);
    parm.parm.capture.capability = V4L2_CAP_TIMEPERFRAME;
    parm.parm.capture.capturemode = captureMode_;
    parm.parm.capture.timeperframe = interval_;
    return 0;
}

int CaptureDevice::setParm(v4l2_streamparm& parm)
{
    if (parm.type != kCaptureType) {
        return -EINVAL;
    }
    // Mode bits belong to the sensor driver: kept as written.
    captureMode_ = parm.parm.capture.capturemode;
    v4l2_fract wanted = parm.parm.capture.timeperframe;
    // A zero fraction keeps the current rate; otherwise the nearest the sensor can do,
    // between 100 frames a second and one.
    if (wanted.numerator != 0 && wanted.denominator != 0) {
        std::uint64_t const n = wanted.numerator;
        std::uint64_t const d = wanted.denominator;
        if (n * 100 < d) {
            interval_ = {1, 100};
        } else if (n > d) {
            interval_ = {1, 1};
        } else {
            std::uint32_t const common = std::gcd(wanted.numerator, wanted.denominator);
            interval_ = {wanted.numerator / common, wanted.denominator / common};
        }
    }
    sensor_.notify_all();
    return getParm(parm);
}

int CaptureDevice::getFormat(v4l2_format& format) const
{
    if (format.type != kCaptureType) {
        return -EINVAL;
    }
    std::memset(&format.fmt, 0, sizeof format.fmt);
    auto& pix = format.fmt.pix;
    pix.width = kSensorWidth;
    pix.height = kSensorHeight;
    pix.pixelformat = V4L2_PIX_FMT_Y10;
    pix.field = V4L2_FIELD_NONE;
    pix.bytesperline = kSensorWidth * 2;
    pix.sizeimage = kSensorFrameBytes;
    pix.colorspace = V4L2_COLORSPACE_RAW;
    return 0;
}

// The sensor has one mode: any request is answered with it, as drivers adjust rather than refuse.
int CaptureDevice::setFormat(v4l2_format& format)
{
    if (format.type != kCaptureType) {
        return -EINVAL;
    }
    if (!buffers_.empty()) {
        return -EBUSY;
    }
    return getFormat(format);
}

int CaptureDevice::requestBuffers(CaptureOpenFile const* file, v4l2_requestbuffers& request)
{
    if (request.type != kCaptureType || request.memory != V4L2_MEMORY_MMAP) {
        return -EINVAL;
    }
    if (busyFor(file) || streaming_) {
        return -EBUSY;
    }
    freeBuffers();
    owner_ = nullptr;
    request.capabilities = V4L2_BUF_CAP_SUPPORTS_MMAP | V4L2_BUF_CAP_SUPPORTS_ORPHANED_BUFS;
    request.flags = 0;
    if (request.count > 0) {
        unsigned const count = std::clamp<unsigned>(request.count, kMinBuffers, kMaxBuffers);
        if (!allocate(count)) {
            changed();
            return -ENOMEM;
        }
        owner_ = file;
        request.count = count;
    }
    changed();
    return 0;
}

int CaptureDevice::queryBuffer(v4l2_buffer& buffer) const
{
    if (buffer.type != kCaptureType || buffer.index >= buffers_.size()) {
        return -EINVAL;
    }
    describe(buffer.index, buffer);
    if (faults_.queryLength) {
        buffer.length = *faults_.queryLength;
    }
    return 0;
}

int CaptureDevice::queueBuffer(CaptureOpenFile const* file, v4l2_buffer& buffer)
{
    if (buffer.type != kCaptureType || buffer.memory != V4L2_MEMORY_MMAP) {
        return -EINVAL;
    }
    if (busyFor(file)) {
        return -EBUSY;
    }
    if (buffer.index >= buffers_.size() || buffers_[buffer.index].state != BufferState::Held) {
        return -EINVAL;
    }
    buffers_[buffer.index].state = BufferState::Queued;
    queued_.push_back(buffer.index);
    describe(buffer.index, buffer);
    changed();
    return 0;
}

int CaptureDevice::dequeueBuffer(CaptureOpenFile const* file, v4l2_buffer& buffer, std::unique_lock<std::mutex>& lock)
{
    ++dequeueCalls_;
    frames_.notify_all(); // the harness may wait for a caller to arrive
    if (buffer.type != kCaptureType || buffer.memory != V4L2_MEMORY_MMAP) {
        return -EINVAL;
    }
    if (busyFor(file)) {
        return -EBUSY;
    }
    while (true) {
        if (!present_) {
            return -ENODEV;
        }
        // Also how a waiter learns that the stream was stopped or the owner closed.
        if (owner_ != file || !streaming_) {
            return -EINVAL;
        }
        if (faults_.failDequeue) {
            return -EIO;
        }
        if (!filled_.empty()) {
            break;
        }
        if (file->nonBlocking()) {
            return -EAGAIN;
        }
        frames_.wait(lock);
    }
    unsigned const index = filled_.front();
    filled_.pop_front();
    buffers_[index].state = BufferState::Held;
    describe(index, buffer);
    changed();
    return 0;
}

int CaptureDevice::streamOn(CaptureOpenFile const* file, int type)
{
    if (static_cast<std::uint32_t>(type) != kCaptureType) {
        return -EINVAL;
    }
    if (busyFor(file)) {
        return -EBUSY;
    }
    if (buffers_.empty()) {
        return -EINVAL;
    }
    if (streaming_) {
        return 0;
    }
    if (faults_.failStreamOn) {
        return -EIO;
    }
    streaming_ = true;
    changed();
    return 0;
}

int CaptureDevice::streamOff(CaptureOpenFile const* file, int type)
{
    if (static_cast<std::uint32_t>(type) != kCaptureType) {
        return -EINVAL;
    }
    if (busyFor(file)) {
        return -EBUSY;
    }
    stopStreaming();
    changed();
    return 0;
}

int CaptureDevice::getControl(v4l2_control& control) const
{
    switch (control.id) {
    case V4L2_CID_HFLIP: control.value = hflip_; return 0;
    case V4L2_CID_VFLIP: control.value = vflip_; return 0;
    case V4L2_CID_GAIN: control.value = gain_; return 0;
    case V4L2_CID_EXPOSURE: control.value = exposure_; return 0;
    case kStrobeControl: control.value = strobe_; return 0;
    default: return -EINVAL;
    }
}

// As the kernel's control framework does: a value outside the range is brought into it.
int CaptureDevice::setControl(v4l2_control& control)
{
    ControlRange const* range = findControl(control.id);
    if (range == nullptr) {
        return -EINVAL;
    }
    std::int32_t const applied =
        range->boolean ? (control.value != 0 ? 1 : 0) : std::clamp(control.value, range->minimum, range->maximum);
    if (log_.size() == kMaxLog) {
        log_.pop_front();
    }
    log_.push_back({std::chrono::steady_clock::now(), control.id, control.value, applied});
    switch (control.id) {
    case V4L2_CID_HFLIP: hflip_ = applied; break;
    case V4L2_CID_VFLIP: vflip_ = applied; break;
    case V4L2_CID_GAIN: gain_ = applied; break;
    case V4L2_CID_EXPOSURE: exposure_ = applied; break;
    default: strobe_ = applied; break;
    }
    control.value = applied;
    return 0;
}

// ---- buffers ----

bool CaptureDevice::allocate(unsigned count)
{
    std::size_t const page = pageSize();
    stride_ = (kSensorFrameBytes + page - 1) / page * page;
    std::size_t const total = stride_ * count;
    memory_ = ::memfd_create("camera-buffers", MFD_CLOEXEC);
    if (memory_ < 0) {
        return false;
    }
    void* pages = MAP_FAILED;
    if (::ftruncate(memory_, static_cast<off_t>(total)) == 0) {
        pages = ::mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_SHARED, memory_, 0);
    }
    if (pages == MAP_FAILED) {
        ::close(memory_);
        memory_ = -1;
        return false;
    }
    pages_ = static_cast<std::uint8_t*>(pages);
    buffers_.assign(count, Buffer{});
    return true;
}

// Mappings the application still holds keep their pages: the memory file goes when they do.
void CaptureDevice::freeBuffers()
{
    if (pages_ != nullptr) {
        ::munmap(pages_, stride_ * buffers_.size());
        pages_ = nullptr;
    }
    if (memory_ >= 0) {
        ::close(memory_);
        memory_ = -1;
    }
    buffers_.clear();
    queued_.clear();
    filled_.clear();
}

void CaptureDevice::stopStreaming()
{
    streaming_ = false;
    for (auto& buffer : buffers_) {
        buffer.state = BufferState::Held;
    }
    queued_.clear();
    filled_.clear();
}

void CaptureDevice::describe(unsigned index, v4l2_buffer& buffer) const
{
    Buffer const& b = buffers_[index];
    std::uint32_t const type = buffer.type;
    buffer = {};
    buffer.index = index;
    buffer.type = type;
    buffer.bytesused = b.bytesUsed;
    buffer.flags = V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC;
    if (b.state == BufferState::Queued) {
        buffer.flags |= V4L2_BUF_FLAG_QUEUED;
    } else if (b.state == BufferState::Filled) {
        buffer.flags |= V4L2_BUF_FLAG_DONE;
    }
    buffer.field = V4L2_FIELD_NONE;
    buffer.timestamp = b.timestamp;
    buffer.sequence = b.sequence;
    buffer.memory = V4L2_MEMORY_MMAP;
    buffer.m.offset = static_cast<std::uint32_t>(index * stride_);
    buffer.length = kSensorFrameBytes;
}

void* CaptureDevice::map(bool writable, std::size_t length, int protection, int flags, off_t offset, int& error)
{
    std::lock_guard lock(mutex_);
    if (!present_) {
        error = ENODEV;
        return nullptr;
    }
    // Frames are shared with the driver: a private copy would never see one.
    if ((flags & (MAP_SHARED | MAP_PRIVATE)) != MAP_SHARED || (protection & PROT_READ) == 0) {
        error = EINVAL;
        return nullptr;
    }
    if ((protection & PROT_WRITE) != 0 && !writable) {
        error = EACCES;
        return nullptr;
    }
    if (memory_ < 0 || offset < 0 || static_cast<std::size_t>(offset) % stride_ != 0 ||
        static_cast<std::size_t>(offset) / stride_ >= buffers_.size() || length == 0 || length > stride_) {
        error = EINVAL;
        return nullptr;
    }
    auto const index = static_cast<int>(static_cast<std::size_t>(offset) / stride_);
    if (faults_.failMap && (faults_.failMapBuffer < 0 || faults_.failMapBuffer == index)) {
        error = ENOMEM;
        return nullptr;
    }
    void* const pages = ::mmap(nullptr, length, protection, MAP_SHARED, memory_, offset);
    if (pages == MAP_FAILED) {
        error = errno;
        return nullptr;
    }
    return pages;
}

// ---- frames ----

bool CaptureDevice::captureOne()
{
    std::uint32_t const sequence = sequence_++;
    if (queued_.empty()) {
        frames_.notify_all(); // the harness may wait for the sensor's count
        return false;
    }
    unsigned const index = queued_.front();
    queued_.pop_front();
    compose(pages_ + index * stride_);
    Buffer& buffer = buffers_[index];
    buffer.state = BufferState::Filled;
    buffer.bytesUsed = kSensorFrameBytes;
    buffer.sequence = sequence;
    buffer.timestamp = monotonicNow();
    filled_.push_back(index);
    ++delivered_;
    changed();
    return true;
}

void CaptureDevice::compose(std::uint8_t* out)
{
    FrameSource::Frame const* source = source_.take();
    auto const scale = static_cast<std::uint64_t>(gain_) * static_cast<std::uint64_t>(exposure_);
    constexpr std::uint64_t kNeutral = kNeutralGain * kNeutralExposure;
    for (int y = 0; y < kSensorHeight; ++y) {
        int const sy = vflip_ != 0 ? kSensorHeight - 1 - y : y;
        for (int x = 0; x < kSensorWidth; ++x) {
            int const sx = hflip_ != 0 ? kSensorWidth - 1 - x : x;
            std::uint64_t v = source != nullptr ? (*source)[static_cast<std::size_t>(sy) * kSensorWidth + sx] : 0;
            if (sensorModel_) {
                v = std::min<std::uint64_t>(kSensorMaxLevel, (v * scale + kNeutral / 2) / kNeutral);
            }
            std::size_t const i = static_cast<std::size_t>(y) * kSensorWidth + x;
            last_[i] = static_cast<std::uint16_t>(v);
            out[2 * i] = static_cast<std::uint8_t>(v & 0xFF);
            out[2 * i + 1] = static_cast<std::uint8_t>(v >> 8);
        }
    }
}

bool CaptureDevice::readyFor(CaptureOpenFile const* file) const
{
    // Whatever would make a DQBUF return at once, an error included, wakes a poller.
    if (!present_ || owner_ != file || !streaming_) {
        return true;
    }
    return faults_.failDequeue || !filled_.empty();
}

void CaptureDevice::changed()
{
    for (auto& opener : openers_) {
        bool const ready = readyFor(opener.file);
        if (ready == opener.signalled) {
            continue;
        }
        std::uint64_t value = 1;
        // The counter is only ever 0 or 1, so neither call can block.
        ssize_t const n = ready ? ::write(opener.readyFd, &value, sizeof value)
                                : ::read(opener.readyFd, &value, sizeof value);
        if (n == sizeof value) {
            opener.signalled = ready;
        }
    }
    frames_.notify_all();
    sensor_.notify_all();
}

bool CaptureDevice::sensorRunning() const { return streaming_ && !deterministic_ && present_; }

void CaptureDevice::runSensor()
{
    using Clock = std::chrono::steady_clock;
    std::unique_lock lock(mutex_);
    auto const period = [this] {
        return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
            static_cast<double>(interval_.numerator) / static_cast<double>(interval_.denominator)));
    };
    auto next = Clock::now();
    while (!stopping_) {
        if (!sensorRunning()) {
            sensor_.wait(lock, [this] { return stopping_ || sensorRunning(); });
            next = Clock::now() + period();
            continue;
        }
        if (sensor_.wait_until(lock, next, [this] { return stopping_ || !sensorRunning(); })) {
            continue;
        }
        captureOne();
        // A sensor that fell behind does not catch up with a burst.
        next += period();
        if (auto const now = Clock::now(); next < now) {
            next = now + period();
        }
    }
}

// ---- harness ----

void CaptureDevice::show(std::vector<FrameSource::Frame> frames)
{
    std::lock_guard lock(mutex_);
    source_.show(std::move(frames));
}

void CaptureDevice::setDeterministic(bool on)
{
    std::lock_guard lock(mutex_);
    deterministic_ = on;
    sensor_.notify_all();
}

bool CaptureDevice::deterministic() const
{
    std::lock_guard lock(mutex_);
    return deterministic_;
}

unsigned CaptureDevice::deliver(unsigned count)
{
    std::lock_guard lock(mutex_);
    unsigned delivered = 0;
    while (delivered < count && present_ && streaming_ && !queued_.empty()) {
        captureOne();
        ++delivered;
    }
    return delivered;
}

void CaptureDevice::setSensorModel(bool on)
{
    std::lock_guard lock(mutex_);
    sensorModel_ = on;
}

void CaptureDevice::setFaults(CameraFaults const& faults)
{
    std::lock_guard lock(mutex_);
    faults_ = faults;
    changed();
}

void CaptureDevice::setPresent(bool present)
{
    std::lock_guard lock(mutex_);
    present_ = present;
    changed();
}

std::vector<ControlWrite> CaptureDevice::controlLog() const
{
    std::lock_guard lock(mutex_);
    return {log_.begin(), log_.end()};
}

void CaptureDevice::clearControlLog()
{
    std::lock_guard lock(mutex_);
    log_.clear();
}

std::optional<std::int32_t> CaptureDevice::control(std::uint32_t id) const
{
    std::lock_guard lock(mutex_);
    v4l2_control value{id, 0};
    return getControl(value) == 0 ? std::optional(value.value) : std::nullopt;
}

CameraStatus CaptureDevice::statusLocked() const
{
    CameraStatus status;
    status.streaming = streaming_;
    status.buffers = static_cast<unsigned>(buffers_.size());
    status.queued = static_cast<unsigned>(queued_.size());
    status.filled = static_cast<unsigned>(filled_.size());
    status.held = status.buffers - status.queued - status.filled;
    status.sequence = sequence_;
    status.delivered = delivered_;
    status.dequeueCalls = dequeueCalls_;
    status.captureMode = captureMode_;
    status.intervalNumerator = interval_.numerator;
    status.intervalDenominator = interval_.denominator;
    return status;
}

CameraStatus CaptureDevice::status() const
{
    std::lock_guard lock(mutex_);
    return statusLocked();
}

bool CaptureDevice::waitFor(std::function<bool(CameraStatus const&)> const& ready, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    return frames_.wait_for(lock, timeout, [&] { return ready(statusLocked()); });
}

std::vector<std::uint16_t> CaptureDevice::lastFrame() const
{
    std::lock_guard lock(mutex_);
    return last_;
}

// ---- open file ----

CaptureOpenFile::CaptureOpenFile(std::size_t node, int flags, int readyFd, std::shared_ptr<CaptureDevice> device)
    : OpenFile(node, flags), device_(std::move(device)), nonBlocking_((flags & O_NONBLOCK) != 0)
{
    device_->attach(this, readyFd);
}

CaptureOpenFile::~CaptureOpenFile() { release(); }

void CaptureOpenFile::release()
{
    if (!released_.exchange(true)) {
        device_->detach(this);
    }
}

int CaptureOpenFile::ioctl(unsigned long request, void* argument)
{
    return released_ ? -EBADF : device_->ioctl(this, request, argument);
}

void* CaptureOpenFile::map(std::size_t length, int protection, int flags, off_t offset, int& error)
{
    if (released_) {
        error = EBADF;
        return nullptr;
    }
    return device_->map(writable(), length, protection, flags, offset, error);
}

} // namespace plat::sim
