// Image upload on the simulated USB serial port, with the test as the host: blocks
// reassembled byte for byte, JPEG judged by libjpeg, and hosts that refuse or vanish.
#include "app/device_commands/image_transfer.h"
#include "app/host/serial_port.h"
#include "tests/platform/board_fixture.h"
#include "tests/support/jpeg_oracle.h"

#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

constexpr char const* kUsb = "/dev/ttyGS0";

struct Block {
    unsigned number = 0;
    Bytes payload;
    bool checksumOk = false;
};

FrameBuffer testFrame()
{
    FrameBuffer frame;
    std::vector<std::uint16_t> samples(640 * 480);
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            // Bars and a gradient: sharp edges and smooth areas, every 10-bit value in use.
            samples[static_cast<std::size_t>(y * 640 + x)] =
                static_cast<std::uint16_t>(((x / 9) % 2 == 0 && y > 120 && y < 360) ? 60 + y % 4 : (x + y) * 1023 / 1118);
        }
    }
    frame.assignBuffer(samples.data(), samples.size());
    frame.width = 640;
    frame.height = 480;
    frame.peak = 1023;
    frame.gain = 64;
    frame.exposure = 100;
    frame.brightness = 300;
    return frame;
}

class ImageUpload : public platform_test::BoardTest {
protected:
    void SetUp() override
    {
        BoardTest::SetUp();
        port_ = std::make_unique<SerialPort>(kUsb, 115200, 0, 8, 0, 1000);
        ASSERT_TRUE(port_->open());
    }
    void TearDown() override
    {
        port_.reset();
        BoardTest::TearDown();
    }

    std::string read(std::size_t count, std::chrono::milliseconds wait)
    {
        std::string bytes;
        while (bytes.size() < count) {
            std::string const part = board().hostRead(kUsb, count - bytes.size(), wait);
            if (part.empty()) {
                break;
            }
            bytes += part;
        }
        return bytes;
    }

    // One block frame as the host receives it; number 0xFFFF when none came.
    // A sender that has finished sends nothing more: `wait` without a byte ends the transfer.
    Block receiveBlock(std::chrono::milliseconds wait)
    {
        Block block{0xFFFF, {}, false};
        std::string const head = read(7, wait);
        if (head.size() != 7 || head[0] != '!') {
            return block;
        }
        auto const byte = [&](std::size_t i) { return static_cast<std::uint8_t>(head[i]); };
        block.number = static_cast<unsigned>(byte(1) << 8 | byte(2));
        std::size_t const length = static_cast<std::size_t>(byte(3)) << 24 | static_cast<std::size_t>(byte(4)) << 16 |
                                   static_cast<std::size_t>(byte(5)) << 8 | byte(6);
        std::string const rest = read(length + 3, 2000ms);
        if (rest.size() != length + 3 || rest.back() != '\r') {
            return block;
        }
        block.payload.assign(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(length));
        unsigned const checksum = static_cast<std::uint8_t>(rest[length]) << 8 | static_cast<std::uint8_t>(rest[length + 1]);
        block.checksumOk = checksum == BlockChecksum(block.payload);
        return block;
    }

    // Plays the host: answers each block with what `answer` says; returns the blocks taken.
    std::vector<Block> host(std::function<char(Block const&, int)> const& answer)
    {
        std::vector<Block> taken;
        for (int sends = 0;; ++sends) {
            // The first block waits for the conversion and encoding.
            Block block = receiveBlock(sends == 0 ? 10000ms : 300ms);
            if (block.number == 0xFFFF) {
                return taken;
            }
            char const reply = answer(block, sends);
            if (reply != 0) {
                board().hostWrite(kUsb, std::string(1, reply));
            }
            if (reply == 0x06) {
                taken.push_back(std::move(block));
            }
        }
    }

    // Converts and sends as the upload does; the host's blocks and the transfer's result.
    std::pair<std::vector<Block>, bool> send(ImageSettings const& settings,
                                             std::function<char(Block const&, int)> const& answer)
    {
        FrameBuffer const frame = testFrame();
        auto result = std::async(std::launch::async, [&] {
            ConvertedImage converted;
            Bytes payload;
            if (!ConvertImage(frame, settings, converted) || !EncodeImage(frame, converted, settings, payload)) {
                return false;
            }
            auto const field = MakeInformationField(frame, converted, payload.size(), 1, false);
            unsigned const rowBytes = converted.width * (settings.bitPerPixel == 3 && settings.format != 1 ? 2 : 1);
            return settings.allAtOnce ? TransmitAllAtOnce(*port_, field, payload)
                                      : TransmitPartial(*port_, field, payload, rowBytes);
        });
        std::vector<Block> blocks = host(answer);
        return {std::move(blocks), result.get()};
    }

    static unsigned field16(Bytes const& field, std::size_t at) { return field[at] << 8 | field[at + 1]; }

    std::unique_ptr<SerialPort> port_;
};

char ack(Block const&, int) { return 0x06; }

Bytes joined(std::vector<Block> const& blocks)
{
    Bytes all;
    for (std::size_t i = 1; i < blocks.size(); ++i) {
        all.insert(all.end(), blocks[i].payload.begin(), blocks[i].payload.end());
    }
    return all;
}

TEST_F(ImageUpload, RawFramesArriveByteForByteInRowBlocks)
{
    FrameBuffer const frame = testFrame();
    for (unsigned bitPerPixel : {0u, 3u}) {
        SCOPED_TRACE(bitPerPixel);
        ImageSettings settings;
        settings.format = 0;
        settings.bitPerPixel = bitPerPixel;
        auto const [blocks, ok] = send(settings, ack);
        ASSERT_TRUE(ok);
        ASSERT_EQ(blocks.size(), 481u);
        for (auto const& block : blocks) {
            EXPECT_TRUE(block.checksumOk) << block.number;
        }
        Bytes expected;
        for (std::size_t i = 0; i < 640 * 480; ++i) {
            unsigned const sample = frame.data()[i];
            if (bitPerPixel == 3) {
                expected.push_back(static_cast<std::uint8_t>((sample << 6) & 0xFF));
                expected.push_back(static_cast<std::uint8_t>(sample << 6 >> 8));
            } else {
                expected.push_back(static_cast<std::uint8_t>(sample >> 2));
            }
        }
        EXPECT_EQ(joined(blocks), expected);
        Bytes const& field = blocks[0].payload;
        ASSERT_EQ(field.size(), 256u);
        EXPECT_EQ(field16(field, 3), expected.size() & 0xFFFF);
        EXPECT_EQ(field16(field, 7), 640u);
        EXPECT_EQ(field16(field, 9), 480u);
        EXPECT_EQ(field[23], bitPerPixel == 3 ? 10 : 8);
        EXPECT_EQ(field16(field, 43), 481u);
        EXPECT_EQ(Bytes(field.begin() + 29, field.begin() + 35), (Bytes{2, 127, 1, 223, 1, 1}));
        EXPECT_EQ(field16(field, 35), 400u); // gain 64 x 100 / 16
    }
}

TEST_F(ImageUpload, JpegDecodesWithLibjpegWithinItsQuality)
{
    FrameBuffer const frame = testFrame();
    Bytes grey;
    for (std::size_t i = 0; i < 640 * 480; ++i) {
        grey.push_back(static_cast<std::uint8_t>(frame.data()[i] >> 2));
    }
    ImageSettings settings;
    settings.quality = 75;
    for (bool allAtOnce : {false, true}) {
        settings.allAtOnce = allAtOnce;
        auto const [blocks, ok] = send(settings, ack);
        ASSERT_TRUE(ok);
        Bytes stream;
        if (allAtOnce) {
            ASSERT_EQ(blocks.size(), 1u);
            stream.assign(blocks[0].payload.begin() + 256, blocks[0].payload.end());
            EXPECT_EQ(field16(blocks[0].payload, 43), 1u);
        } else {
            stream = joined(blocks);
        }
        auto const decoded = support::decodeJpeg(stream);
        ASSERT_TRUE(decoded.ok) << decoded.error;
        EXPECT_EQ(decoded.width, 640);
        EXPECT_EQ(decoded.height, 480);
        EXPECT_GE(support::psnr(decoded.pixels, grey), 38.0);
    }
}

TEST_F(ImageUpload, AWindowReportsAndEncodesTheSamplesItTakes)
{
    ImageSettings settings;
    settings.format = 0;
    settings.xStart = 100;
    settings.xEnd = 2000; // past the frame: fitted to it
    settings.yStart = 10;
    settings.yEnd = 19;
    settings.skipX = 3;
    settings.skipY = 2;
    auto const [blocks, ok] = send(settings, ack);
    ASSERT_TRUE(ok);
    unsigned const width = (639 - 100) / 3 + 1;
    EXPECT_EQ(field16(blocks[0].payload, 7), width);
    EXPECT_EQ(field16(blocks[0].payload, 9), 5u);
    EXPECT_EQ(field16(blocks[0].payload, 15), 639u);
    EXPECT_EQ(joined(blocks).size(), width * 5);
    EXPECT_EQ(joined(blocks)[1], testFrame().data()[10 * 640 + 103] >> 2);

    settings.format = 1;
    auto const [jpegBlocks, jpegOk] = send(settings, ack);
    ASSERT_TRUE(jpegOk);
    auto const decoded = support::decodeJpeg(joined(jpegBlocks));
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(decoded.width, static_cast<int>(width));
    EXPECT_EQ(decoded.height, 5);

    FrameBuffer const frame = testFrame();
    ConvertedImage converted;
    settings.skipX = 0; // would never advance
    EXPECT_FALSE(ConvertImage(frame, settings, converted));
}

TEST_F(ImageUpload, RefusedBlocksAreSentAgainThreeTimesInAll)
{
    ImageSettings settings;
    settings.format = 0;
    settings.yEnd = 1; // two rows
    struct Case {
        char const* name;
        std::function<char(Block const&, int)> answer;
        bool succeeds;
        std::size_t sendsOfBlockOne;
    } const cases[] = {
        {"NAK twice, then ACK", [](Block const& b, int) {
             static int naks = 0;
             return b.number == 1 && naks++ < 2 ? char(0x15) : char(0x06);
         }, true, 3},
        {"NAK always", [](Block const& b, int) { return b.number == 1 ? char(0x15) : char(0x06); }, false, 3},
        {"abort", [](Block const& b, int) { return b.number == 1 ? char(0x18) : char(0x06); }, false, 1},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.name);
        std::size_t sendsOfBlockOne = 0;
        auto const counted = [&](Block const& b, int sends) {
            sendsOfBlockOne += b.number == 1 ? 1 : 0;
            return c.answer(b, sends);
        };
        auto const [blocks, ok] = send(settings, counted);
        EXPECT_EQ(ok, c.succeeds);
        EXPECT_EQ(sendsOfBlockOne, c.sendsOfBlockOne);
    }
    // All at once: only an ACK is a success.
    settings.allAtOnce = true;
    auto const [refused, refusedOk] =
        send(settings, [](Block const&, int) { return char(0x15); });
    EXPECT_FALSE(refusedOk);
}

TEST_F(ImageUpload, AHostThatStopsAnsweringEndsTheTransferAndThePortWorksOn)
{
    ImageSettings settings;
    settings.format = 0;
    settings.yEnd = 3;
    auto const start = std::chrono::steady_clock::now();
    // The host takes block 0 and then neither reads nor answers.
    auto const [blocks, ok] = send(settings, [](Block const& b, int) {
        return b.number == 0 ? char(0x06) : char(0);
    });
    EXPECT_FALSE(ok);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 6s);
    while (!board().hostRead(kUsb, 4096, 50ms).empty()) {
    }
    // The next upload on the same port goes through.
    auto const [again, againOk] = send(settings, ack);
    EXPECT_TRUE(againOk);
    EXPECT_EQ(again.size(), 5u);
}

} // namespace
