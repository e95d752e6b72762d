// "/dev/video0": the V4L2 streaming requests of the camera start, frames from image files and
// raw frames, deterministic and free-running delivery, the sensor model and injected faults.
#include "tests/platform/board_fixture.h"

#include <linux/videodev2.h>
#include <png.h>

#include <atomic>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <sys/mman.h>
#include <thread>
#include <vector>

namespace platform_test {
namespace {

using namespace std::chrono_literals;
using plat::sim::kSensorFrameBytes;
using plat::sim::kSensorHeight;
using plat::sim::kSensorWidth;
using Samples = std::vector<std::uint16_t>;

constexpr unsigned kBuffers = 5;

// ---- test images ----

// An image as the camera must read it from the file the test wrote.
struct TestImage {
    int width = 0;
    int height = 0;
    Samples grey; // 10-bit
};

std::uint16_t from8(unsigned v) { return static_cast<std::uint16_t>(v * 4 + v / 64); }

// libpng leaves by longjmp on error: what has a destructor lives in the caller's frame.
struct PngWrite {
    std::FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
};

bool writePngRows(PngWrite& w, int width, int height, int depth, int colour, png_bytep* rows, png_colorp palette)
{
    w.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    w.info = w.png != nullptr ? png_create_info_struct(w.png) : nullptr;
    if (w.info == nullptr) {
        return false;
    }
    if (setjmp(png_jmpbuf(w.png))) {
        return false;
    }
    png_init_io(w.png, w.file);
    png_set_IHDR(w.png, w.info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), depth, colour,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (palette != nullptr) {
        png_set_PLTE(w.png, w.info, palette, 256);
    }
    png_write_info(w.png, w.info);
    png_write_image(w.png, rows);
    png_write_end(w.png, nullptr);
    return true;
}

bool writePng(std::string const& path, int width, int height, int depth, int colour, std::vector<std::uint8_t>& bytes)
{
    std::vector<png_bytep> rows;
    for (int y = 0; y < height; ++y) {
        rows.push_back(bytes.data() + static_cast<std::size_t>(y) * (bytes.size() / static_cast<std::size_t>(height)));
    }
    std::vector<png_color> greys;
    for (int i = 0; i < 256; ++i) {
        greys.push_back({static_cast<png_byte>(i), static_cast<png_byte>(i), static_cast<png_byte>(i)});
    }
    PngWrite w;
    w.file = std::fopen(path.c_str(), "wb");
    bool const ok = w.file != nullptr && writePngRows(w, width, height, depth, colour, rows.data(),
                                                      colour == PNG_COLOR_TYPE_PALETTE ? greys.data() : nullptr);
    png_destroy_write_struct(&w.png, &w.info);
    return w.file != nullptr && std::fclose(w.file) == 0 && ok;
}

bool writeBytes(std::string const& path, std::string const& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    return static_cast<bool>(out);
}

struct FileKind {
    char const* name;
    int colour;      // PNG colour type; -1 for PGM
    int depth;       // bits per file sample
    unsigned maxval; // PGM
};

FileKind const kFileKinds[] = {
    {"png8", PNG_COLOR_TYPE_GRAY, 8, 0},     {"png16", PNG_COLOR_TYPE_GRAY, 16, 0}, {"pngrgb", PNG_COLOR_TYPE_RGB, 8, 0},
    {"pngpalette", PNG_COLOR_TYPE_PALETTE, 8, 0}, {"pgm8", -1, 8, 255},     {"pgm1023", -1, 16, 1023},
    {"pgm100", -1, 8, 100},
};

// Writes a patterned image of the kind; returns what the camera must make of it.
TestImage writeImage(std::string const& path, FileKind const& kind, int width, int height)
{
    TestImage image{width, height, {}};
    std::vector<std::uint8_t> bytes;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            unsigned v = kind.depth == 8 ? static_cast<unsigned>(x * 7 + y * 3 + (x * y) % 11) & 0xFF
                                         : static_cast<unsigned>((x * 131 + y * 71) * 37) & 0xFFFF;
            v = kind.colour < 0 ? v % (kind.maxval + 1) : v;
            for (int c = 0; c < (kind.colour == PNG_COLOR_TYPE_RGB ? 3 : 1); ++c) {
                if (kind.depth == 16) {
                    bytes.push_back(static_cast<std::uint8_t>(v >> 8));
                }
                bytes.push_back(static_cast<std::uint8_t>(v & 0xFF));
            }
            unsigned const grey = kind.depth == 16 ? (kind.colour < 0 ? v : v >> 6)
                                  : kind.maxval == 100 ? (v * 1023 + 50) / 100
                                                       : from8(v);
            image.grey.push_back(static_cast<std::uint16_t>(grey));
        }
    }
    bool written = false;
    if (kind.colour < 0) {
        std::string const header = "P5\n# test image\n" + std::to_string(width) + " " + std::to_string(height) + "\n" +
                                   std::to_string(kind.maxval) + "\n";
        written = writeBytes(path, header + std::string(bytes.begin(), bytes.end()));
    } else {
        written = writePng(path, width, height, kind.depth, kind.colour, bytes);
    }
    EXPECT_TRUE(written) << path;
    return image;
}

// The image centred on the sensor, padded with the mean of its outermost pixels.
Samples expectedFrame(TestImage const& image)
{
    std::uint64_t sum = 0;
    std::uint64_t count = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (x == 0 || y == 0 || x == image.width - 1 || y == image.height - 1) {
                sum += image.grey[static_cast<std::size_t>(y * image.width + x)];
                ++count;
            }
        }
    }
    auto const border = static_cast<std::uint16_t>((sum + count / 2) / count);
    int const ox = (kSensorWidth - image.width) / 2;
    int const oy = (kSensorHeight - image.height) / 2;
    Samples frame;
    for (int y = 0; y < kSensorHeight; ++y) {
        for (int x = 0; x < kSensorWidth; ++x) {
            int const sx = x - ox;
            int const sy = y - oy;
            bool const inside = sx >= 0 && sy >= 0 && sx < image.width && sy < image.height;
            frame.push_back(inside ? image.grey[static_cast<std::size_t>(sy * image.width + sx)] : border);
        }
    }
    return frame;
}

Samples rampFrame()
{
    Samples frame;
    for (int y = 0; y < kSensorHeight; ++y) {
        for (int x = 0; x < kSensorWidth; ++x) {
            frame.push_back(static_cast<std::uint16_t>((x + 2 * y) % 1024));
        }
    }
    return frame;
}

// ---- the device ----

int call(int fd, unsigned long request, void* argument)
{
    errno = 0;
    return plat::ioctl(fd, request, argument) == 0 ? 0 : errno;
}

int setControl(int fd, std::uint32_t id, std::int32_t value)
{
    v4l2_control control{id, value};
    return call(fd, VIDIOC_S_CTRL, &control);
}

std::int32_t getControl(int fd, std::uint32_t id)
{
    v4l2_control control{id, 0};
    EXPECT_EQ(call(fd, VIDIOC_G_CTRL, &control), 0);
    return control.value;
}

v4l2_buffer mmapBuffer(unsigned index = 0)
{
    v4l2_buffer buffer{};
    buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buffer.memory = V4L2_MEMORY_MMAP;
    buffer.index = index;
    return buffer;
}

int requestBuffers(int fd, unsigned count, std::uint32_t memory = V4L2_MEMORY_MMAP,
                   std::uint32_t type = V4L2_BUF_TYPE_VIDEO_CAPTURE)
{
    v4l2_requestbuffers request{};
    request.count = count;
    request.type = type;
    request.memory = memory;
    int const error = call(fd, VIDIOC_REQBUFS, &request);
    if (error == 0 && count > 0) {
        EXPECT_EQ(request.count, count);
    }
    return error;
}

int stream(int fd, unsigned long request)
{
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    return call(fd, request, &type);
}

// A DQBUF on another thread; returns once the device has it waiting.
std::thread waitingDequeue(int fd, std::atomic<int>& result)
{
    auto const calls = plat::sim::board().camera().status().dequeueCalls;
    std::thread grabber([fd, &result] {
        v4l2_buffer buffer = mmapBuffer();
        result = call(fd, VIDIOC_DQBUF, &buffer);
    });
    EXPECT_TRUE(plat::sim::board().camera().waitFor([calls](auto const& s) { return s.dequeueCalls > calls; }, 5s));
    return grabber;
}

bool readable(int fd)
{
    pollfd p{fd, POLLIN, 0};
    return plat::poll(&p, 1, 0) == 1 && (p.revents & POLLIN) != 0;
}

class CaptureTest : public BoardTest {
protected:
    void SetUp() override
    {
        BoardTest::SetUp();
        camera().setDeterministic(true);
    }

    void TearDown() override
    {
        for (auto [pages, length] : maps_) {
            plat::munmap(pages, length);
        }
        BoardTest::TearDown();
    }

    plat::sim::Camera& camera() { return board().camera(); }

    static int openCamera(int flags = O_RDWR) { return plat::open("/dev/video0", flags); }

    // Buffers requested, mapped and queued, and the stream on, as the camera start does.
    void startStreaming(int fd)
    {
        ASSERT_EQ(requestBuffers(fd, kBuffers), 0);
        pages_.clear();
        for (unsigned i = 0; i < kBuffers; ++i) {
            v4l2_buffer buffer = mmapBuffer(i);
            ASSERT_EQ(call(fd, VIDIOC_QUERYBUF, &buffer), 0);
            ASSERT_EQ(buffer.length, kSensorFrameBytes);
            void* pages = plat::mmap(nullptr, buffer.length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, buffer.m.offset);
            ASSERT_NE(pages, MAP_FAILED);
            maps_.emplace_back(pages, buffer.length);
            pages_.push_back(static_cast<std::uint8_t const*>(pages));
            ASSERT_EQ(call(fd, VIDIOC_QBUF, &buffer), 0);
        }
        ASSERT_EQ(stream(fd, VIDIOC_STREAMON), 0);
    }

    Samples samples(unsigned index) const
    {
        Samples frame(static_cast<std::size_t>(kSensorWidth) * kSensorHeight);
        for (std::size_t i = 0; i < frame.size(); ++i) {
            frame[i] = static_cast<std::uint16_t>(pages_[index][2 * i] | pages_[index][2 * i + 1] << 8);
        }
        return frame;
    }

    // One frame delivered, dequeued, read and queued again.
    Samples nextFrame(int fd)
    {
        EXPECT_EQ(camera().deliverFrames(1), 1u);
        v4l2_buffer buffer = mmapBuffer();
        if (call(fd, VIDIOC_DQBUF, &buffer) != 0) {
            ADD_FAILURE() << "DQBUF: " << std::strerror(errno);
            return {};
        }
        Samples frame = samples(buffer.index);
        EXPECT_EQ(call(fd, VIDIOC_QBUF, &buffer), 0);
        return frame;
    }

    std::vector<std::pair<void*, std::size_t>> maps_;
    std::vector<std::uint8_t const*> pages_;
};

// ---- the request sequence ----

TEST_F(CaptureTest, CameraStartSequenceStreamsAndStopsCleanly)
{
    Descriptor fd(openCamera());
    ASSERT_TRUE(fd);

    v4l2_capability caps{};
    ASSERT_EQ(call(fd.get(), VIDIOC_QUERYCAP, &caps), 0);
    EXPECT_NE(caps.capabilities & V4L2_CAP_DEVICE_CAPS, 0u);
    EXPECT_EQ(caps.device_caps, std::uint32_t{V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING});

    ASSERT_EQ(setControl(fd.get(), V4L2_CID_HFLIP, 0), 0);
    ASSERT_EQ(setControl(fd.get(), V4L2_CID_VFLIP, 1), 0);

    v4l2_streamparm parm{};
    parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    ASSERT_EQ(call(fd.get(), VIDIOC_G_PARM, &parm), 0);
    EXPECT_NE(parm.parm.capture.capability & V4L2_CAP_TIMEPERFRAME, 0u);
    parm.parm.capture.capturemode |= 0x1000;
    parm.parm.capture.timeperframe = {1, 100};
    ASSERT_EQ(call(fd.get(), VIDIOC_S_PARM, &parm), 0);
    EXPECT_EQ(camera().status().captureMode & 0x1000, 0x1000u);
    EXPECT_EQ(parm.parm.capture.timeperframe.numerator * 100, parm.parm.capture.timeperframe.denominator);

    v4l2_format format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    format.fmt.pix.width = 640;
    format.fmt.pix.height = 480;
    format.fmt.pix.pixelformat = V4L2_PIX_FMT_Y10;
    format.fmt.pix.field = V4L2_FIELD_ANY;
    ASSERT_EQ(call(fd.get(), VIDIOC_S_FMT, &format), 0);
    EXPECT_EQ(format.fmt.pix.pixelformat, std::uint32_t{V4L2_PIX_FMT_Y10});
    EXPECT_EQ(format.fmt.pix.bytesperline, 1280u);
    EXPECT_EQ(format.fmt.pix.sizeimage, kSensorFrameBytes);

    ASSERT_EQ(setControl(fd.get(), V4L2_CID_GAIN, 64), 0);
    ASSERT_EQ(setControl(fd.get(), V4L2_CID_EXPOSURE, 10), 0);
    startStreaming(fd.get());
    EXPECT_TRUE(camera().status().streaming);

    ASSERT_TRUE(camera().setFrame(rampFrame()));
    for (std::uint32_t frame = 0; frame < 12; ++frame) {
        ASSERT_EQ(camera().deliverFrames(1), 1u);
        v4l2_buffer buffer = mmapBuffer();
        ASSERT_EQ(call(fd.get(), VIDIOC_DQBUF, &buffer), 0);
        EXPECT_EQ(buffer.index, frame % kBuffers); // buffers come back in queue order
        EXPECT_EQ(buffer.sequence, frame);
        EXPECT_EQ(buffer.bytesused, kSensorFrameBytes);
        EXPECT_EQ(getControl(fd.get(), V4L2_CID_GAIN), 64);
        EXPECT_EQ(getControl(fd.get(), V4L2_CID_EXPOSURE), 10);
        ASSERT_EQ(call(fd.get(), VIDIOC_QBUF, &buffer), 0);
    }

    ASSERT_EQ(stream(fd.get(), VIDIOC_STREAMOFF), 0);
    for (auto [pages, length] : maps_) {
        EXPECT_EQ(plat::munmap(pages, length), 0);
    }
    maps_.clear();
    ASSERT_EQ(requestBuffers(fd.get(), 0), 0);
    auto const status = camera().status();
    EXPECT_FALSE(status.streaming);
    EXPECT_EQ(status.buffers, 0u);

    auto const log = camera().controlLog();
    std::vector<std::pair<std::uint32_t, std::int32_t>> writes;
    for (auto const& w : log) {
        writes.emplace_back(w.id, w.value);
    }
    std::vector<std::pair<std::uint32_t, std::int32_t>> const expected{
        {V4L2_CID_HFLIP, 0}, {V4L2_CID_VFLIP, 1}, {V4L2_CID_GAIN, 64}, {V4L2_CID_EXPOSURE, 10}};
    EXPECT_EQ(writes, expected);
    EXPECT_TRUE(std::is_sorted(log.begin(), log.end(), [](auto& a, auto& b) { return a.time < b.time; }));
}

TEST_F(CaptureTest, FormatRequestsAreAdjustedToTheSensorMode)
{
    Descriptor fd(openCamera());
    struct Asked {
        std::uint32_t fourcc;
        std::uint32_t width;
        std::uint32_t height;
        std::uint32_t field;
    } const asked[] = {
        {V4L2_PIX_FMT_Y10, 640, 480, V4L2_FIELD_ANY},
        {V4L2_PIX_FMT_YUYV, 320, 240, V4L2_FIELD_INTERLACED},
        {V4L2_PIX_FMT_GREY, 1920, 1080, V4L2_FIELD_NONE},
        {0, 0, 0, 0},
    };
    for (auto const& a : asked) {
        v4l2_format format{};
        format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        format.fmt.pix.pixelformat = a.fourcc;
        format.fmt.pix.width = a.width;
        format.fmt.pix.height = a.height;
        format.fmt.pix.field = a.field;
        ASSERT_EQ(call(fd.get(), VIDIOC_S_FMT, &format), 0);
        EXPECT_EQ(format.fmt.pix.pixelformat, std::uint32_t{V4L2_PIX_FMT_Y10});
        EXPECT_EQ(format.fmt.pix.width, 640u);
        EXPECT_EQ(format.fmt.pix.height, 480u);
        EXPECT_EQ(format.fmt.pix.field, std::uint32_t{V4L2_FIELD_NONE});
    }
    v4l2_format other{};
    other.type = V4L2_BUF_TYPE_VIDEO_OUTPUT;
    EXPECT_EQ(call(fd.get(), VIDIOC_S_FMT, &other), EINVAL);
    EXPECT_EQ(call(fd.get(), VIDIOC_G_FMT, &other), EINVAL);

    // Frame intervals beyond the sensor's range are brought into it; zero keeps the current one.
    struct Interval {
        v4l2_fract asked;
        v4l2_fract answered;
    } const intervals[] = {{{1, 30}, {1, 30}}, {{1, 1000}, {1, 100}}, {{5, 1}, {1, 1}}, {{0, 0}, {1, 1}}, {{2, 100}, {1, 50}}};
    for (auto const& i : intervals) {
        v4l2_streamparm parm{};
        parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        parm.parm.capture.timeperframe = i.asked;
        ASSERT_EQ(call(fd.get(), VIDIOC_S_PARM, &parm), 0);
        EXPECT_EQ(parm.parm.capture.timeperframe.numerator, i.answered.numerator);
        EXPECT_EQ(parm.parm.capture.timeperframe.denominator, i.answered.denominator);
    }
}

TEST_F(CaptureTest, RequestsOutOfOrderOrMalformedAreRefused)
{
    Descriptor fd(openCamera());
    Descriptor other(openCamera());
    ASSERT_TRUE(fd && other);
    v4l2_buffer buffer = mmapBuffer();
    v4l2_capability caps{};

    EXPECT_EQ(stream(fd.get(), VIDIOC_STREAMON), EINVAL) << "no buffers yet";
    EXPECT_EQ(call(fd.get(), VIDIOC_QUERYBUF, &buffer), EINVAL);
    EXPECT_EQ(call(fd.get(), VIDIOC_DQBUF, &buffer), EINVAL);
    EXPECT_EQ(requestBuffers(fd.get(), 5, V4L2_MEMORY_USERPTR), EINVAL);
    EXPECT_EQ(requestBuffers(fd.get(), 5, V4L2_MEMORY_MMAP, V4L2_BUF_TYPE_VIDEO_OUTPUT), EINVAL);
    EXPECT_EQ(call(fd.get(), VIDIOC_ENUM_FMT, &caps), ENOTTY);
    EXPECT_EQ(plat::ioctl(fd.get(), VIDIOC_QUERYCAP, nullptr), -1);
    EXPECT_EQ(errno, EFAULT);
    EXPECT_EQ(setControl(fd.get(), V4L2_CID_BRIGHTNESS, 1), EINVAL);
    v4l2_control unknown{V4L2_CID_CONTRAST, 0};
    EXPECT_EQ(call(fd.get(), VIDIOC_G_CTRL, &unknown), EINVAL);

    ASSERT_EQ(requestBuffers(fd.get(), kBuffers), 0);
    EXPECT_EQ(requestBuffers(other.get(), kBuffers), EBUSY) << "the buffers belong to the first opener";
    EXPECT_EQ(stream(other.get(), VIDIOC_STREAMON), EBUSY);
    v4l2_format format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    EXPECT_EQ(call(fd.get(), VIDIOC_S_FMT, &format), EBUSY);
    EXPECT_EQ(call(fd.get(), VIDIOC_DQBUF, &buffer), EINVAL) << "not streaming";

    buffer.index = kBuffers;
    EXPECT_EQ(call(fd.get(), VIDIOC_QUERYBUF, &buffer), EINVAL);
    EXPECT_EQ(call(fd.get(), VIDIOC_QBUF, &buffer), EINVAL);
    buffer.index = 0;
    ASSERT_EQ(call(fd.get(), VIDIOC_QBUF, &buffer), 0);
    EXPECT_EQ(call(fd.get(), VIDIOC_QBUF, &buffer), EINVAL) << "already queued";
    buffer.memory = V4L2_MEMORY_USERPTR;
    buffer.index = 1;
    EXPECT_EQ(call(fd.get(), VIDIOC_QBUF, &buffer), EINVAL);

    // Maps: shared, of a buffer's own offset, no longer than the buffer.
    v4l2_buffer first = mmapBuffer(0);
    ASSERT_EQ(call(fd.get(), VIDIOC_QUERYBUF, &first), 0);
    v4l2_buffer second = mmapBuffer(1);
    ASSERT_EQ(call(fd.get(), VIDIOC_QUERYBUF, &second), 0);
    EXPECT_NE(first.m.offset, second.m.offset);
    struct BadMap {
        std::size_t length;
        int flags;
        off_t offset;
    } const badMaps[] = {
        {kSensorFrameBytes, MAP_PRIVATE, static_cast<off_t>(first.m.offset)},
        {kSensorFrameBytes, MAP_SHARED, static_cast<off_t>(first.m.offset) + 4096},
        {kSensorFrameBytes, MAP_SHARED, static_cast<off_t>(second.m.offset) * kBuffers},
        {4 * kSensorFrameBytes, MAP_SHARED, static_cast<off_t>(first.m.offset)},
        {0, MAP_SHARED, static_cast<off_t>(first.m.offset)},
    };
    for (auto const& bad : badMaps) {
        errno = 0;
        EXPECT_EQ(plat::mmap(nullptr, bad.length, PROT_READ, bad.flags, fd.get(), bad.offset), MAP_FAILED);
        EXPECT_EQ(errno, EINVAL);
    }

    ASSERT_EQ(stream(fd.get(), VIDIOC_STREAMON), 0);
    EXPECT_EQ(stream(fd.get(), VIDIOC_STREAMON), 0) << "already streaming";
    EXPECT_EQ(requestBuffers(fd.get(), kBuffers), EBUSY) << "streaming";
    EXPECT_EQ(stream(other.get(), VIDIOC_STREAMOFF), EBUSY);
}

TEST_F(CaptureTest, ControlWritesAreFittedToTheSensorRangeAndLogged)
{
    Descriptor fd(openCamera());
    struct Case {
        std::uint32_t id;
        std::int32_t written;
        std::int32_t applied;
    } const cases[] = {
        {V4L2_CID_GAIN, 15, 16},       {V4L2_CID_GAIN, 1024, 1023},  {V4L2_CID_GAIN, 300, 300},
        {V4L2_CID_EXPOSURE, 0, 1},     {V4L2_CID_EXPOSURE, 261, 260}, {V4L2_CID_EXPOSURE, -5, 1},
        {V4L2_CID_HFLIP, 7, 1},        {V4L2_CID_VFLIP, 0, 0},        {plat::sim::kStrobeControl, 1, 1},
    };
    for (auto const& c : cases) {
        v4l2_control control{c.id, c.written};
        ASSERT_EQ(call(fd.get(), VIDIOC_S_CTRL, &control), 0);
        EXPECT_EQ(control.value, c.applied);
        EXPECT_EQ(getControl(fd.get(), c.id), c.applied);
        EXPECT_EQ(camera().control(c.id), c.applied);
    }
    auto const log = camera().controlLog();
    ASSERT_EQ(log.size(), std::size(cases));
    for (std::size_t i = 0; i < log.size(); ++i) {
        EXPECT_EQ(log[i].id, cases[i].id);
        EXPECT_EQ(log[i].value, cases[i].written) << "the log keeps what the firmware wrote";
        EXPECT_EQ(log[i].applied, cases[i].applied);
    }
    EXPECT_EQ(camera().gain(), 300);
    EXPECT_EQ(camera().exposure(), 1);
    camera().clearControlLog();
    EXPECT_TRUE(camera().controlLog().empty());
}

// ---- frame contents ----

struct PlacementCase {
    FileKind const* kind;
    int width;
    int height;
};

class ImagePlacementTest : public CaptureTest, public ::testing::WithParamInterface<PlacementCase> {};

TEST_P(ImagePlacementTest, FrameIsTheScaledImageCentredCroppedOrPadded)
{
    auto const& c = GetParam();
    std::string const path = directory() + "/image." + (c.kind->colour < 0 ? "pgm" : "png");
    TestImage const image = writeImage(path, *c.kind, c.width, c.height);
    std::string why;
    ASSERT_TRUE(camera().setImage(path, &why)) << why;

    Descriptor fd(openCamera());
    startStreaming(fd.get());
    Samples const frame = nextFrame(fd.get());
    Samples const expected = expectedFrame(image);
    ASSERT_EQ(frame.size(), expected.size());
    std::size_t differences = 0;
    for (std::size_t i = 0; i < frame.size(); ++i) {
        differences += frame[i] != expected[i];
    }
    EXPECT_EQ(differences, 0u);
    EXPECT_EQ(camera().lastFrame(), frame);
}

std::vector<PlacementCase> placementCases()
{
    std::vector<PlacementCase> cases;
    for (auto const& kind : kFileKinds) {
        for (auto [w, h] : {std::pair{640, 480}, {101, 57}, {700, 521}, {801, 300}, {1, 1}}) {
            cases.push_back({&kind, w, h});
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Files, ImagePlacementTest, ::testing::ValuesIn(placementCases()),
                         [](auto const& info) {
                             return std::string(info.param.kind->name) + "_" + std::to_string(info.param.width) +
                                    "x" + std::to_string(info.param.height);
                         });

TEST_F(CaptureTest, FlipsMirrorTheFrame)
{
    Samples const source = rampFrame();
    ASSERT_TRUE(camera().setFrame(source));
    Descriptor fd(openCamera());
    startStreaming(fd.get());
    for (int h : {0, 1}) {
        for (int v : {0, 1}) {
            SCOPED_TRACE(testing::Message() << "hflip " << h << " vflip " << v);
            ASSERT_EQ(setControl(fd.get(), V4L2_CID_HFLIP, h), 0);
            ASSERT_EQ(setControl(fd.get(), V4L2_CID_VFLIP, v), 0);
            Samples const frame = nextFrame(fd.get());
            ASSERT_EQ(frame.size(), source.size());
            bool same = true;
            for (int y = 0; y < kSensorHeight && same; ++y) {
                for (int x = 0; x < kSensorWidth && same; ++x) {
                    int const sx = h != 0 ? kSensorWidth - 1 - x : x;
                    int const sy = v != 0 ? kSensorHeight - 1 - y : y;
                    same = frame[static_cast<std::size_t>(y * kSensorWidth + x)] ==
                           source[static_cast<std::size_t>(sy * kSensorWidth + sx)];
                }
            }
            EXPECT_TRUE(same);
        }
    }
}

TEST_F(CaptureTest, ScriptedFramesComeInOrderAndTheLastStays)
{
    std::vector<Samples> frames;
    for (std::uint16_t level : {100, 500, 900}) {
        frames.emplace_back(static_cast<std::size_t>(kSensorWidth) * kSensorHeight, level);
    }
    ASSERT_TRUE(camera().setFrames(frames));
    Descriptor fd(openCamera());
    startStreaming(fd.get());
    for (std::uint16_t level : {100, 500, 900, 900, 900}) {
        EXPECT_EQ(nextFrame(fd.get())[12345], level);
    }
    camera().clearImage();
    EXPECT_EQ(nextFrame(fd.get())[12345], 0) << "nothing before the camera is dark";
}

TEST_F(CaptureTest, SensorModelScalesWithGainAndExposure)
{
    ASSERT_TRUE(camera().setFrame(Samples(static_cast<std::size_t>(kSensorWidth) * kSensorHeight, 200)));
    Descriptor fd(openCamera());
    startStreaming(fd.get());
    EXPECT_EQ(nextFrame(fd.get())[0], 200) << "without the model gain and exposure change nothing";
    ASSERT_EQ(setControl(fd.get(), V4L2_CID_GAIN, 640), 0);
    EXPECT_EQ(nextFrame(fd.get())[0], 200);

    camera().setSensorModel(true);
    struct Case {
        std::int32_t gain;
        std::int32_t exposure;
        std::uint16_t level;
    } const cases[] = {{64, 10, 200}, {128, 10, 400}, {64, 20, 400}, {128, 20, 800},
                       {32, 10, 100}, {16, 1, 5},     {1023, 260, 1023}};
    for (auto const& c : cases) {
        ASSERT_EQ(setControl(fd.get(), V4L2_CID_GAIN, c.gain), 0);
        ASSERT_EQ(setControl(fd.get(), V4L2_CID_EXPOSURE, c.exposure), 0);
        EXPECT_EQ(nextFrame(fd.get())[0], c.level) << c.gain << " x " << c.exposure;
    }
}

// ---- delivery ----

TEST_F(CaptureTest, DeterministicModeDeliversOnlyOnDemandIntoQueuedBuffers)
{
    Descriptor fd(openCamera(O_RDWR | O_NONBLOCK));
    startStreaming(fd.get());
    v4l2_buffer buffer = mmapBuffer();
    EXPECT_FALSE(readable(fd.get()));
    EXPECT_EQ(call(fd.get(), VIDIOC_DQBUF, &buffer), EAGAIN);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(camera().status().delivered, 0u) << "no frame without a deliver call";

    EXPECT_EQ(camera().deliverFrames(8), kBuffers) << "only into the queued buffers";
    EXPECT_EQ(camera().deliverFrames(1), 0u);
    EXPECT_TRUE(readable(fd.get()));
    std::vector<v4l2_buffer> held;
    for (unsigned i = 0; i < kBuffers; ++i) {
        held.push_back(mmapBuffer());
        ASSERT_EQ(call(fd.get(), VIDIOC_DQBUF, &held.back()), 0);
    }
    EXPECT_FALSE(readable(fd.get()));
    EXPECT_EQ(call(fd.get(), VIDIOC_DQBUF, &buffer), EAGAIN);
    EXPECT_EQ(camera().status().held, kBuffers);

    ASSERT_EQ(call(fd.get(), VIDIOC_QBUF, &held[2]), 0);
    EXPECT_EQ(camera().deliverFrames(3), 1u);
    ASSERT_EQ(call(fd.get(), VIDIOC_DQBUF, &buffer), 0);
    EXPECT_EQ(buffer.index, 2u);
    EXPECT_EQ(buffer.sequence, kBuffers);
}

TEST_F(CaptureTest, BlockingDequeueWaitsForTheNextFrame)
{
    Descriptor fd(openCamera());
    startStreaming(fd.get());
    std::atomic<int> result{-1};
    std::thread grabber = waitingDequeue(fd.get(), result);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(result.load(), -1) << "returned without a frame";
    EXPECT_EQ(camera().deliverFrames(1), 1u);
    grabber.join();
    EXPECT_EQ(result.load(), 0);
}

TEST_F(CaptureTest, FreeRunningSensorFillsOnlyQueuedBuffersAndDropsTheRest)
{
    camera().setDeterministic(false);
    Descriptor fd(openCamera());
    startStreaming(fd.get());
    EXPECT_TRUE(camera().waitFor([](auto const& s) { return s.sequence >= kBuffers + 3; }, 5s));
    auto const status = camera().status();
    EXPECT_EQ(status.delivered, kBuffers);
    EXPECT_EQ(status.filled, kBuffers);
    v4l2_buffer buffer = mmapBuffer();
    for (unsigned i = 0; i < kBuffers; ++i) {
        ASSERT_EQ(call(fd.get(), VIDIOC_DQBUF, &buffer), 0);
        EXPECT_EQ(buffer.sequence, i);
    }
    ASSERT_EQ(call(fd.get(), VIDIOC_QBUF, &buffer), 0);
    ASSERT_EQ(call(fd.get(), VIDIOC_DQBUF, &buffer), 0) << "the sensor fills a queued buffer by itself";
    EXPECT_GT(buffer.sequence, kBuffers) << "frames without a buffer were dropped";
}

// ---- faults ----

TEST_F(CaptureTest, MapFaultsFailTheMapWithoutHarmingOtherBuffers)
{
    Descriptor fd(openCamera());
    ASSERT_EQ(requestBuffers(fd.get(), kBuffers), 0);
    plat::sim::CameraFaults faults;
    faults.failMap = true;
    faults.failMapBuffer = 2;
    camera().setFaults(faults);
    for (unsigned i = 0; i < kBuffers; ++i) {
        v4l2_buffer buffer = mmapBuffer(i);
        ASSERT_EQ(call(fd.get(), VIDIOC_QUERYBUF, &buffer), 0);
        errno = 0;
        void* pages = plat::mmap(nullptr, buffer.length, PROT_READ, MAP_SHARED, fd.get(), buffer.m.offset);
        if (i == 2) {
            EXPECT_EQ(pages, MAP_FAILED);
            EXPECT_EQ(errno, ENOMEM);
        } else {
            ASSERT_NE(pages, MAP_FAILED);
            maps_.emplace_back(pages, buffer.length);
        }
    }

    // A length the driver gets wrong: too long cannot be mapped, too short maps too little.
    faults = {};
    faults.queryLength = 2 * kSensorFrameBytes;
    camera().setFaults(faults);
    v4l2_buffer buffer = mmapBuffer(0);
    ASSERT_EQ(call(fd.get(), VIDIOC_QUERYBUF, &buffer), 0);
    EXPECT_EQ(buffer.length, 2 * kSensorFrameBytes);
    EXPECT_EQ(plat::mmap(nullptr, buffer.length, PROT_READ, MAP_SHARED, fd.get(), buffer.m.offset), MAP_FAILED);
    EXPECT_EQ(errno, EINVAL);
    faults.queryLength = 4096;
    camera().setFaults(faults);
    ASSERT_EQ(call(fd.get(), VIDIOC_QUERYBUF, &buffer), 0);
    EXPECT_EQ(buffer.length, 4096u);
}

TEST_F(CaptureTest, StreamOnAndDequeueFaultsReportEio)
{
    Descriptor fd(openCamera());
    ASSERT_EQ(requestBuffers(fd.get(), kBuffers), 0);
    for (unsigned i = 0; i < kBuffers; ++i) {
        v4l2_buffer buffer = mmapBuffer(i);
        ASSERT_EQ(call(fd.get(), VIDIOC_QBUF, &buffer), 0);
    }
    plat::sim::CameraFaults faults;
    faults.failStreamOn = true;
    camera().setFaults(faults);
    EXPECT_EQ(stream(fd.get(), VIDIOC_STREAMON), EIO);
    EXPECT_FALSE(camera().status().streaming);
    camera().setFaults({});
    ASSERT_EQ(stream(fd.get(), VIDIOC_STREAMON), 0);

    std::atomic<int> result{-1};
    std::thread grabber = waitingDequeue(fd.get(), result);
    faults = {};
    faults.failDequeue = true;
    camera().setFaults(faults);
    grabber.join();
    EXPECT_EQ(result.load(), EIO) << "a waiting dequeue learns of the error";
    EXPECT_EQ(camera().deliverFrames(1), 1u);
    v4l2_buffer buffer = mmapBuffer();
    EXPECT_EQ(call(fd.get(), VIDIOC_DQBUF, &buffer), EIO) << "even with a frame ready";
    EXPECT_TRUE(readable(fd.get())) << "a poller wakes to see the error";

    camera().setFaults({});
    EXPECT_EQ(call(fd.get(), VIDIOC_DQBUF, &buffer), 0);
}

TEST_F(CaptureTest, MissingCameraFailsOpenAndWakesAWaitingDequeue)
{
    Descriptor fd(openCamera());
    startStreaming(fd.get());
    std::atomic<int> result{-1};
    std::thread grabber = waitingDequeue(fd.get(), result);
    ASSERT_TRUE(board().removeDevice("/dev/video0"));
    grabber.join();
    EXPECT_EQ(result.load(), ENODEV);
    EXPECT_EQ(failure([] { return openCamera(); }), ENOENT);
    v4l2_control gain{V4L2_CID_GAIN, 0};
    EXPECT_EQ(call(fd.get(), VIDIOC_G_CTRL, &gain), ENODEV);
    EXPECT_EQ(camera().deliverFrames(1), 0u);

    ASSERT_TRUE(board().restoreDevice("/dev/video0"));
    Descriptor again(openCamera());
    EXPECT_TRUE(again);
}

TEST_F(CaptureTest, ClosingWhileStreamingReleasesEverything)
{
    ASSERT_TRUE(camera().setFrame(rampFrame()));
    int const fd = openCamera();
    ASSERT_GE(fd, 0);
    startStreaming(fd);
    ASSERT_EQ(camera().deliverFrames(1), 1u);
    v4l2_buffer buffer = mmapBuffer();
    ASSERT_EQ(call(fd, VIDIOC_DQBUF, &buffer), 0);
    std::atomic<int> result{-1};
    std::thread grabber = waitingDequeue(fd, result);

    ASSERT_EQ(plat::close(fd), 0);
    grabber.join();
    EXPECT_EQ(result.load(), EINVAL) << "the stream ended under the waiting dequeue";
    auto const status = camera().status();
    EXPECT_FALSE(status.streaming);
    EXPECT_EQ(status.buffers, 0u);
    EXPECT_EQ(samples(buffer.index), rampFrame()) << "pages still mapped stay readable";

    Descriptor next(openCamera());
    EXPECT_EQ(requestBuffers(next.get(), kBuffers), 0) << "nobody owns the buffers any more";
}

// ---- malformed inputs ----

std::string validPng(std::string const& path)
{
    std::vector<std::uint8_t> grey(64 * 48, 77);
    EXPECT_TRUE(writePng(path, 64, 48, 8, PNG_COLOR_TYPE_GRAY, grey));
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST_F(CaptureTest, MalformedImagesAreRefusedAndTheShownImageStays)
{
    Samples const shown = rampFrame();
    ASSERT_TRUE(camera().setFrame(shown));
    Descriptor fd(openCamera());
    startStreaming(fd.get());

    std::string const png = validPng(directory() + "/valid.png");
    std::string corrupt = png;
    corrupt[corrupt.find("IDAT") + 10] ^= 0x55;
    std::string wide;
    {
        std::vector<std::uint8_t> row(20000, 1);
        EXPECT_TRUE(writePng(directory() + "/wide.png", 20000, 1, 8, PNG_COLOR_TYPE_GRAY, row));
        std::ifstream in(directory() + "/wide.png", std::ios::binary);
        wide.assign(std::istreambuf_iterator<char>(in), {});
    }
    struct Bad {
        char const* what;
        std::string bytes;
    } const bad[] = {
        {"empty", ""},
        {"text", "hello, camera"},
        {"ascii pgm", "P2\n2 1\n255\n0 255\n"},
        {"pgm without maxval", "P5\n2 1\n"},
        {"pgm maxval 0", std::string("P5\n2 1\n0\n\0\0", 11)},
        {"pgm maxval 1024", "P5\n1 1\n1024\n\x04\x00"},
        {"pgm maxval 65535", "P5\n1 1\n65535\n\xff\xff"},
        {"pgm short data", "P5\n4 4\n255\n\x01\x02\x03"},
        {"pgm sample above maxval", "P5\n2 1\n100\n\x10\x65"},
        {"pgm zero width", "P5\n0 4\n255\n"},
        {"pgm huge", "P5\n5000 5000\n255\n"},
        {"pgm number overflow", "P5\n99999999999999999999 1\n255\n\x01"},
        {"pgm no space after maxval", "P5\n1 1\n255"},
        {"png truncated", png.substr(0, png.size() / 2)},
        {"png signature only", png.substr(0, 8)},
        {"png crc error", corrupt},
        {"png too wide", wide},
    };
    for (auto const& b : bad) {
        SCOPED_TRACE(b.what);
        std::string const path = directory() + "/bad";
        ASSERT_TRUE(writeBytes(path, b.bytes));
        std::string why;
        EXPECT_FALSE(camera().setImage(path, &why));
        EXPECT_FALSE(why.empty());
        EXPECT_FALSE(camera().setImages({directory() + "/valid.png", path}, &why)) << "all or nothing";
    }
    std::string why;
    EXPECT_FALSE(camera().setImage(directory() + "/no-such-file.png", &why));
    EXPECT_NE(why.find("no-such-file"), std::string::npos);
    EXPECT_FALSE(camera().setFrame(Samples(100, 0)));
    EXPECT_FALSE(camera().setFrame(Samples(4, 1024), 2, 2));
    EXPECT_FALSE(camera().setFrame({}, 0, 0));
    EXPECT_FALSE(camera().setFrames({shown, Samples(10, 0)}));

    EXPECT_EQ(nextFrame(fd.get()), shown);
}

} // namespace
} // namespace platform_test
