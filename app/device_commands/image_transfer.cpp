#include "app/device_commands/image_transfer.h"

#include "app/host/serial_port.h"
#include "app/device_commands/too_jpeg.h"

#include <algorithm>

namespace {

constexpr std::uint8_t kAck = 0x06;
constexpr std::uint8_t kAbortEtb = 0x17;
constexpr std::uint8_t kAbortCan = 0x18;
constexpr unsigned short kReplyTimeoutMs = 1000;
constexpr int kSends = 3;
constexpr unsigned kBitsPerPixel[] = {8, 4, 1, 10};

void put16(InformationField& field, std::size_t at, unsigned value)
{
    field[at] = static_cast<std::uint8_t>(value >> 8);
    field[at + 1] = static_cast<std::uint8_t>(value);
}

void put32(InformationField& field, std::size_t at, std::uint32_t value)
{
    put16(field, at, value >> 16);
    put16(field, at + 2, value & 0xFFFF);
}

void append16(std::vector<std::uint8_t>& out, unsigned value)
{
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

// Frame head: "!", block number, payload length.
std::vector<std::uint8_t> frameHead(unsigned block, std::uint32_t length)
{
    std::vector<std::uint8_t> head{'!'};
    append16(head, block);
    append16(head, length >> 16);
    append16(head, length & 0xFFFF);
    return head;
}

bool sendAll(SerialPort& port, std::span<std::uint8_t const> bytes) { return bytes.empty() || port.writeBlock(bytes); }

// One block, sent up to three times until the host takes it.
bool sendBlock(SerialPort& port, unsigned block, std::span<std::uint8_t const> payload)
{
    std::vector<std::uint8_t> frame = frameHead(block, static_cast<std::uint32_t>(payload.size()));
    frame.insert(frame.end(), payload.begin(), payload.end());
    append16(frame, BlockChecksum(payload));
    frame.push_back('\r');
    for (int send = 0; send < kSends; ++send) {
        if (!sendAll(port, frame)) {
            return false; // a port that takes nothing more: the host is gone
        }
        int const reply = port.readByte(kReplyTimeoutMs);
        if (reply == kAck) {
            return true;
        }
        if (reply == kAbortEtb || reply == kAbortCan) {
            return false;
        }
        // NAK, anything else or no answer: the same block again.
    }
    return false;
}

} // namespace

std::uint16_t BlockChecksum(std::span<std::uint8_t const> payload, std::uint32_t firstWeight)
{
    std::uint32_t sum = 0;
    std::uint32_t weight = firstWeight;
    for (std::uint8_t byte : payload) {
        sum += byte * (weight & 0xFFFF);
        ++weight;
    }
    return static_cast<std::uint16_t>(sum);
}

bool ConvertImage(FrameBuffer const& frame, ImageSettings const& settings, ConvertedImage& image)
{
    image = {};
    if (frame.width < 1 || frame.width > FrameBuffer::kWidth || frame.height < 1 ||
        frame.height > FrameBuffer::kHeight ||
        frame.size() < static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(frame.height)) {
        return false;
    }
    ImageSettings window = settings;
    window.xEnd = std::min(settings.xEnd, static_cast<unsigned>(frame.width - 1));
    window.yEnd = std::min(settings.yEnd, static_cast<unsigned>(frame.height - 1));
    if (settings.skipX == 0 || settings.skipY == 0 || window.xStart > window.xEnd || window.yStart > window.yEnd) {
        return false;
    }
    bool const tenBit = settings.bitPerPixel == 3;
    std::uint16_t const* samples = frame.data();
    for (unsigned y = window.yStart; y <= window.yEnd; y += window.skipY) {
        for (unsigned x = window.xStart; x <= window.xEnd; x += window.skipX) {
            unsigned const sample = samples[static_cast<std::size_t>(y) * static_cast<std::size_t>(frame.width) + x] & 0x3FF;
            if (tenBit) {
                unsigned const shifted = sample << 6;
                image.bytes.push_back(static_cast<std::uint8_t>(shifted & 0xFF));
                image.bytes.push_back(static_cast<std::uint8_t>(shifted >> 8));
            } else {
                image.bytes.push_back(static_cast<std::uint8_t>(sample >> 2));
            }
        }
    }
    image.width = (window.xEnd - window.xStart) / window.skipX + 1;
    image.height = (window.yEnd - window.yStart) / window.skipY + 1;
    image.window = window;
    return true;
}

bool EncodeImage(FrameBuffer const& frame, ConvertedImage const& image, ImageSettings const& settings,
                 std::vector<std::uint8_t>& payload)
{
    payload.clear();
    if (settings.format != 1) {
        payload = image.bytes;
        return true;
    }
    // The encoder takes 8-bit samples: a 10-bit window is converted again for it.
    ConvertedImage eightBit;
    ImageSettings byteSettings = settings;
    byteSettings.bitPerPixel = 0;
    ConvertedImage const* source = &image;
    if (settings.bitPerPixel == 3) {
        if (!ConvertImage(frame, byteSettings, eightBit)) {
            return false;
        }
        source = &eightBit;
    }
    return TooJpeg::writeJpeg([&payload](unsigned char byte) { payload.push_back(byte); }, source->bytes.data(),
                              static_cast<unsigned short>(source->width), static_cast<unsigned short>(source->height),
                              false, static_cast<unsigned char>(settings.quality & 0xFF));
}

InformationField MakeInformationField(FrameBuffer const& frame, ConvertedImage const& image,
                                      std::size_t payloadSize, unsigned blockCount, bool triggerHeld)
{
    ImageSettings const& window = image.window;
    InformationField field{};
    put32(field, 1, static_cast<std::uint32_t>(payloadSize));
    put16(field, 7, image.width);
    put16(field, 9, image.height);
    put16(field, 11, window.xStart);
    put16(field, 13, window.yStart);
    put16(field, 15, window.xEnd);
    put16(field, 17, window.yEnd);
    field[19] = static_cast<std::uint8_t>(window.skipX);
    field[20] = static_cast<std::uint8_t>(window.skipY);
    put16(field, 21, frame.peak);
    field[23] = static_cast<std::uint8_t>(
        window.format == 1 ? 8 : kBitsPerPixel[std::min<unsigned>(window.bitPerPixel, std::size(kBitsPerPixel) - 1)]);
    field[24] = static_cast<std::uint8_t>(window.format);
    static constexpr std::uint8_t kFixed[] = {2, 127, 1, 223, 1, 1};
    std::copy(std::begin(kFixed), std::end(kFixed), field.begin() + 29);
    put16(field, 35, static_cast<unsigned>(std::max(frame.gain, 0)) * 100 / 16);
    put32(field, 37, static_cast<std::uint32_t>(static_cast<std::uint64_t>(std::max(frame.exposure, 0)) * 1933 / 100));
    put16(field, 41, frame.brightness);
    put16(field, 43, blockCount);
    field[45] = triggerHeld ? 1 : 0;
    return field;
}

bool TransmitPartial(SerialPort& port, InformationField field, std::span<std::uint8_t const> image, unsigned blockSize)
{
    std::size_t const blocks = blockSize == 0 ? 0 : (image.size() + blockSize - 1) / blockSize;
    put16(field, 43, static_cast<unsigned>(blocks + 1));
    if (!sendBlock(port, 0, field)) {
        return false;
    }
    for (std::size_t k = 1; k <= blocks; ++k) {
        std::size_t const start = (k - 1) * blockSize;
        std::size_t const length = std::min<std::size_t>(blockSize, image.size() - start);
        if (!sendBlock(port, static_cast<unsigned>(k), image.subspan(start, length))) {
            return false;
        }
    }
    return true;
}

bool TransmitAllAtOnce(SerialPort& port, InformationField field, std::span<std::uint8_t const> image)
{
    put16(field, 43, 1);
    std::vector<std::uint8_t> frame = frameHead(0, static_cast<std::uint32_t>(image.size() + field.size()));
    frame.insert(frame.end(), field.begin(), field.end());
    frame.insert(frame.end(), image.begin(), image.end());
    std::uint32_t const sum = BlockChecksum(field) + BlockChecksum(image, static_cast<std::uint32_t>(field.size() + 1));
    append16(frame, sum & 0xFFFF);
    frame.push_back('\r');
    // A refused or unanswered transfer is a failure, not a success.
    return sendAll(port, frame) && port.readByte(kReplyTimeoutMs) == kAck;
}
