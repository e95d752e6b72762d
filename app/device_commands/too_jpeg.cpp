#include "app/device_commands/too_jpeg.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace TooJpeg {
namespace {

constexpr std::array<std::uint8_t, 64> kZigZagInv{
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

constexpr std::array<std::uint8_t, 64> kDefaultQuantLuminance{
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,  14, 13, 16, 24,  40,  57,
    69, 56, 14, 17, 22,  29,  51,  87,  80, 62, 18, 22, 37,  56,  68,  109, 103, 77, 24, 35, 55, 64,
    81, 104, 113, 92, 49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
constexpr std::array<std::uint8_t, 64> kDefaultQuantChrominance{
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99, 99,
    99, 99, 47, 66, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

// Code counts by length 1..16, then the symbols.
constexpr std::array<std::uint8_t, 16> kDcLuminanceCodesPerBitsize{0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
constexpr std::array<std::uint8_t, 12> kDcLuminanceValues{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
constexpr std::array<std::uint8_t, 16> kAcLuminanceCodesPerBitsize{0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 125};
constexpr std::array<std::uint8_t, 162> kAcLuminanceValues{
    0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61, 0x07, 0x22, 0x71,
    0x14, 0x32, 0x81, 0x91, 0xA1, 0x08, 0x23, 0x42, 0xB1, 0xC1, 0x15, 0x52, 0xD1, 0xF0, 0x24, 0x33, 0x62, 0x72,
    0x82, 0x09, 0x0A, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x34, 0x35, 0x36, 0x37,
    0x38, 0x39, 0x3A, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59,
    0x5A, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A, 0x83,
    0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8A, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9A, 0xA2, 0xA3,
    0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA, 0xC2, 0xC3,
    0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xDA, 0xE1, 0xE2,
    0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0xEA, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA};
constexpr std::array<std::uint8_t, 16> kDcChrominanceCodesPerBitsize{0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0};
constexpr std::array<std::uint8_t, 12> kDcChrominanceValues{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
constexpr std::array<std::uint8_t, 16> kAcChrominanceCodesPerBitsize{0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 119};
constexpr std::array<std::uint8_t, 162> kAcChrominanceValues{
    0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61, 0x71, 0x13, 0x22,
    0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xA1, 0xB1, 0xC1, 0x09, 0x23, 0x33, 0x52, 0xF0, 0x15, 0x62, 0x72, 0xD1,
    0x0A, 0x16, 0x24, 0x34, 0xE1, 0x25, 0xF1, 0x17, 0x18, 0x19, 0x1A, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x35, 0x36,
    0x37, 0x38, 0x39, 0x3A, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58,
    0x59, 0x5A, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A,
    0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8A, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9A,
    0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA,
    0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xDA,
    0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0xEA, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA};

constexpr std::array<std::uint8_t, 20> kJfifHeader{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 0x4A, 0x46, 0x49, 0x46,
                                                   0x00, 0x01, 0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00};

constexpr int kCodeWordLimit = 2048;
constexpr std::size_t kMaxComment = 65533;

struct HuffCode {
    std::uint16_t code = 0;
    std::uint8_t numBits = 0;
};
using HuffTable = std::array<HuffCode, 256>;

// The additional bits of every value in -2047..2047, built once before first use.
HuffCode const* codewords()
{
    static std::array<HuffCode, 2 * kCodeWordLimit> const table = [] {
        std::array<HuffCode, 2 * kCodeWordLimit> words{};
        std::uint8_t numBits = 1;
        std::int32_t mask = 1;
        for (std::int32_t value = 1; value < kCodeWordLimit; ++value) {
            if (value > mask) {
                ++numBits;
                mask = (mask << 1) | 1;
            }
            words[static_cast<std::size_t>(kCodeWordLimit - value)] = {static_cast<std::uint16_t>(mask - value), numBits};
            words[static_cast<std::size_t>(kCodeWordLimit + value)] = {static_cast<std::uint16_t>(value), numBits};
        }
        return words;
    }();
    return table.data() + kCodeWordLimit;
}

class BitWriter {
public:
    explicit BitWriter(WRITE_ONE_BYTE const& output) : output_(output) {}

    void byte(std::uint8_t value) { output_(value); }
    void bytes(std::uint8_t const* values, std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i) {
            output_(values[i]);
        }
    }
    void word(std::uint16_t value)
    {
        output_(static_cast<std::uint8_t>(value >> 8));
        output_(static_cast<std::uint8_t>(value & 0xFF));
    }
    void marker(std::uint8_t id, std::uint16_t length)
    {
        output_(0xFF);
        output_(id);
        word(length);
    }
    void bits(HuffCode const& data)
    {
        count_ += data.numBits;
        buffer_ = (buffer_ << data.numBits) | data.code;
        while (count_ >= 8) {
            count_ -= 8;
            auto const oneByte = static_cast<std::uint8_t>(buffer_ >> count_);
            output_(oneByte);
            if (oneByte == 0xFF) {
                output_(0);
            }
        }
    }
    void flush() { bits({0x7F, 7}); }

private:
    WRITE_ONE_BYTE const& output_;
    std::uint32_t buffer_ = 0;
    std::uint8_t count_ = 0;
};

// AAN forward DCT on eight values at the given stride, in place.
void forwardDct8(float* block, std::size_t stride)
{
    float const c4 = 0.707106781f;
    float const c6 = 0.382683432f;
    float const c2MinusC6 = 0.541196100f;
    float const c2PlusC6 = 1.306562965f;

    float& d0 = block[0 * stride];
    float& d1 = block[1 * stride];
    float& d2 = block[2 * stride];
    float& d3 = block[3 * stride];
    float& d4 = block[4 * stride];
    float& d5 = block[5 * stride];
    float& d6 = block[6 * stride];
    float& d7 = block[7 * stride];

    float const add07 = d0 + d7;
    float const sub07 = d0 - d7;
    float const add16 = d1 + d6;
    float const sub16 = d1 - d6;
    float const add25 = d2 + d5;
    float const sub25 = d2 - d5;
    float const add34 = d3 + d4;
    float const sub34 = d3 - d4;

    float const add0347 = add07 + add34;
    float const sub07_34 = add07 - add34;
    float const add1256 = add16 + add25;
    float const sub16_25 = add16 - add25;

    d0 = add0347 + add1256;
    d4 = add0347 - add1256;
    float const z1 = (sub16_25 + sub07_34) * c4;
    d2 = sub07_34 + z1;
    d6 = sub07_34 - z1;

    float const sub23_45 = sub25 + sub34;
    float const sub12_56 = sub16 + sub25;
    float const sub01_67 = sub16 + sub07;
    float const z5 = (sub23_45 - sub01_67) * c6;
    float const z2 = sub23_45 * c2MinusC6 + z5;
    float const z4 = sub01_67 * c2PlusC6 + z5;
    float const z3 = sub12_56 * c4;
    float const z11 = sub07 + z3;
    float const z13 = sub07 - z3;
    d5 = z13 + z2;
    d3 = z13 - z2;
    d1 = z11 + z4;
    d7 = z11 - z4;
}

// One 8 x 8 block; returns the new DC predictor.
std::int16_t codeBlock(BitWriter& writer, float block[8][8], float const scaled[64], std::int16_t lastDc,
                       HuffTable const& huffmanDc, HuffTable const& huffmanAc, HuffCode const* codeWords)
{
    for (std::size_t row = 0; row < 8; ++row) {
        forwardDct8(block[row], 1);
    }
    for (std::size_t column = 0; column < 8; ++column) {
        forwardDct8(&block[0][column], 8);
    }
    float* const flat = &block[0][0];
    std::array<std::int16_t, 64> quantised{};
    for (std::size_t i = 0; i < 64; ++i) {
        flat[i] *= scaled[i];
    }
    std::size_t posNonZero = 0;
    for (std::size_t i = 0; i < 64; ++i) {
        float const value = flat[kZigZagInv[i]];
        quantised[i] = static_cast<std::int16_t>(value + (value >= 0 ? 0.5f : -0.5f));
        if (quantised[i] != 0) {
            posNonZero = i;
        }
    }
    // Every value of 8-bit input stays inside the codeword range.
    auto const clampToCodewords = [](int value) { return std::clamp(value, -(kCodeWordLimit - 1), kCodeWordLimit - 1); };

    int const dc = clampToCodewords(quantised[0]);
    int const diff = clampToCodewords(dc - lastDc);
    if (diff == 0) {
        writer.bits(huffmanDc[0x00]);
    } else {
        HuffCode const& bits = codeWords[diff];
        writer.bits(huffmanDc[bits.numBits]);
        writer.bits(bits);
    }
    std::size_t offset = 0;
    for (std::size_t i = 1; i <= posNonZero; ++i) {
        while (quantised[i] == 0) {
            offset += 0x10;
            if (offset > 0xF0) {
                writer.bits(huffmanAc[0xF0]);
                offset = 0;
            }
            ++i;
        }
        HuffCode const& encoded = codeWords[clampToCodewords(quantised[i])];
        writer.bits(huffmanAc[offset + encoded.numBits]);
        writer.bits(encoded);
        offset = 0;
    }
    if (posNonZero < 63) {
        writer.bits(huffmanAc[0x00]);
    }
    return static_cast<std::int16_t>(dc);
}

void generateHuffmanTable(std::uint8_t const numCodes[16], std::uint8_t const* values, HuffTable& result)
{
    std::uint16_t huffmanCode = 0;
    for (std::size_t numBits = 1; numBits <= 16; ++numBits) {
        for (std::size_t i = 0; i < numCodes[numBits - 1]; ++i) {
            result[*values++] = {huffmanCode++, static_cast<std::uint8_t>(numBits)};
        }
        huffmanCode = static_cast<std::uint16_t>(huffmanCode << 1);
    }
}

void writeHuffmanTable(BitWriter& writer, std::uint8_t id, std::array<std::uint8_t, 16> const& counts,
                       std::uint8_t const* values, std::size_t valueCount)
{
    writer.byte(id);
    writer.bytes(counts.data(), counts.size());
    writer.bytes(values, valueCount);
}

} // namespace

bool writeJpeg(WRITE_ONE_BYTE output, void const* pixels_, unsigned short width, unsigned short height, bool colour,
               unsigned char quality_, bool downsample, char const* comment, bool samples16)
{
    if (!output || pixels_ == nullptr || width == 0 || height == 0) {
        return false;
    }
    WRITE_ONE_BYTE const sink = std::move(output); // the call's own copy, released on return
    std::size_t const numComponents = colour ? 3 : 1;
    bool const subsample = colour && downsample;
    bool const words = !colour && samples16;
    std::size_t const mcuSize = subsample ? 16 : 8;

    BitWriter writer(sink);
    writer.bytes(kJfifHeader.data(), kJfifHeader.size());

    if (comment != nullptr) {
        std::size_t const length = std::min(std::strlen(comment), kMaxComment);
        writer.marker(0xFE, static_cast<std::uint16_t>(2 + length));
        writer.bytes(reinterpret_cast<std::uint8_t const*>(comment), length);
    }

    int const quality = std::clamp<int>(quality_, 1, 100);
    int const factor = quality < 50 ? 5000 / quality : 200 - quality * 2;
    std::array<std::uint8_t, 64> quantLuminance{};
    std::array<std::uint8_t, 64> quantChrominance{};
    for (std::size_t i = 0; i < 64; ++i) {
        int const luminance = (kDefaultQuantLuminance[kZigZagInv[i]] * factor + 50) / 100;
        int const chrominance = (kDefaultQuantChrominance[kZigZagInv[i]] * factor + 50) / 100;
        quantLuminance[i] = static_cast<std::uint8_t>(std::clamp(luminance, 1, 255));
        quantChrominance[i] = static_cast<std::uint8_t>(std::clamp(chrominance, 1, 255));
    }

    writer.marker(0xDB, static_cast<std::uint16_t>(2 + (colour ? 2 : 1) * (1 + 64)));
    writer.byte(0x00);
    writer.bytes(quantLuminance.data(), quantLuminance.size());
    if (colour) {
        writer.byte(0x01);
        writer.bytes(quantChrominance.data(), quantChrominance.size());
    }

    writer.marker(0xC0, static_cast<std::uint16_t>(2 + 6 + 3 * numComponents));
    writer.byte(0x08);
    writer.word(height);
    writer.word(width);
    writer.byte(static_cast<std::uint8_t>(numComponents));
    for (std::uint8_t id = 1; id <= numComponents; ++id) {
        writer.byte(id);
        writer.byte(id == 1 && subsample ? 0x22 : 0x11);
        writer.byte(id == 1 ? 0 : 1);
    }

    writer.marker(0xC4, colour ? 2 + 208 + 208 : 2 + 208);
    writeHuffmanTable(writer, 0x00, kDcLuminanceCodesPerBitsize, kDcLuminanceValues.data(), kDcLuminanceValues.size());
    writeHuffmanTable(writer, 0x10, kAcLuminanceCodesPerBitsize, kAcLuminanceValues.data(), kAcLuminanceValues.size());
    HuffTable huffmanLuminanceDc{};
    HuffTable huffmanLuminanceAc{};
    generateHuffmanTable(kDcLuminanceCodesPerBitsize.data(), kDcLuminanceValues.data(), huffmanLuminanceDc);
    generateHuffmanTable(kAcLuminanceCodesPerBitsize.data(), kAcLuminanceValues.data(), huffmanLuminanceAc);
    HuffTable huffmanChrominanceDc{};
    HuffTable huffmanChrominanceAc{};
    if (colour) {
        writeHuffmanTable(writer, 0x01, kDcChrominanceCodesPerBitsize, kDcChrominanceValues.data(),
                          kDcChrominanceValues.size());
        writeHuffmanTable(writer, 0x11, kAcChrominanceCodesPerBitsize, kAcChrominanceValues.data(),
                          kAcChrominanceValues.size());
        generateHuffmanTable(kDcChrominanceCodesPerBitsize.data(), kDcChrominanceValues.data(), huffmanChrominanceDc);
        generateHuffmanTable(kAcChrominanceCodesPerBitsize.data(), kAcChrominanceValues.data(), huffmanChrominanceAc);
    }

    writer.marker(0xDA, static_cast<std::uint16_t>(2 + 1 + 2 * numComponents + 3));
    writer.byte(static_cast<std::uint8_t>(numComponents));
    for (std::uint8_t id = 1; id <= numComponents; ++id) {
        writer.byte(id);
        writer.byte(id == 1 ? 0x00 : 0x11);
    }
    static constexpr std::uint8_t kSpectralSelection[] = {0, 63, 0};
    writer.bytes(kSpectralSelection, sizeof kSpectralSelection);

    float const aanScaleFactors[8] = {1, 1.387039845f, 1.306562965f, 1.175875602f,
                                      1, 0.785694958f, 0.541196100f, 0.275899379f};
    float scaledLuminance[64];
    float scaledChrominance[64];
    for (std::size_t i = 0; i < 64; ++i) {
        std::size_t const row = kZigZagInv[i] / 8;
        std::size_t const column = kZigZagInv[i] % 8;
        float const factorDct = 1 / (aanScaleFactors[row] * aanScaleFactors[column] * 8);
        scaledLuminance[kZigZagInv[i]] = factorDct / quantLuminance[i];
        scaledChrominance[kZigZagInv[i]] = factorDct / quantChrominance[i];
    }

    HuffCode const* const codeWords = codewords();
    auto const* const bytes = static_cast<std::uint8_t const*>(pixels_);
    auto const* const samples = static_cast<std::uint16_t const*>(pixels_);
    auto const grey = [&](std::size_t index) -> float {
        if (words) {
            // A word above 10 bits counts as full scale.
            return static_cast<float>(std::min<unsigned>(samples[index], 1023) >> 2);
        }
        return bytes[index];
    };

    std::int16_t lastYdc = 0;
    std::int16_t lastCbDc = 0;
    std::int16_t lastCrDc = 0;
    float Y[8][8];
    float Cb[8][8];
    float Cr[8][8];
    std::size_t const maxWidth = width - 1u;
    std::size_t const maxHeight = height - 1u;

    for (std::size_t mcuY = 0; mcuY < height; mcuY += mcuSize) {
        for (std::size_t mcuX = 0; mcuX < width; mcuX += mcuSize) {
            for (std::size_t blockY = 0; blockY < mcuSize; blockY += 8) {
                for (std::size_t blockX = 0; blockX < mcuSize; blockX += 8) {
                    for (std::size_t deltaY = 0; deltaY < 8; ++deltaY) {
                        std::size_t const line = std::min(mcuY + blockY + deltaY, maxHeight) * width;
                        for (std::size_t deltaX = 0; deltaX < 8; ++deltaX) {
                            std::size_t const pixelPos = line + std::min(mcuX + blockX + deltaX, maxWidth);
                            if (!colour) {
                                Y[deltaY][deltaX] = grey(pixelPos) - 128.f;
                                continue;
                            }
                            float const r = bytes[3 * pixelPos];
                            float const g = bytes[3 * pixelPos + 1];
                            float const b = bytes[3 * pixelPos + 2];
                            Y[deltaY][deltaX] = 0.299f * r + 0.587f * g + 0.114f * b - 128.f;
                            if (!subsample) {
                                Cb[deltaY][deltaX] = -0.16874f * r - 0.33126f * g + 0.5f * b;
                                Cr[deltaY][deltaX] = 0.5f * r - 0.41869f * g - 0.08131f * b;
                            }
                        }
                    }
                    lastYdc = codeBlock(writer, Y, scaledLuminance, lastYdc, huffmanLuminanceDc, huffmanLuminanceAc,
                                        codeWords);
                }
            }
            if (!colour) {
                continue;
            }
            if (subsample) {
                for (std::size_t deltaY = 0; deltaY < 8; ++deltaY) {
                    std::size_t const y0 = std::min(mcuY + 2 * deltaY, maxHeight);
                    std::size_t const y1 = y0 < maxHeight ? y0 + 1 : y0;
                    for (std::size_t deltaX = 0; deltaX < 8; ++deltaX) {
                        std::size_t const x0 = std::min(mcuX + 2 * deltaX, maxWidth);
                        std::size_t const x1 = x0 < maxWidth ? x0 + 1 : x0;
                        std::size_t const p[4] = {y0 * width + x0, y0 * width + x1, y1 * width + x0, y1 * width + x1};
                        float r = 0;
                        float g = 0;
                        float b = 0;
                        for (std::size_t pos : p) {
                            r += bytes[3 * pos];
                            g += bytes[3 * pos + 1];
                            b += bytes[3 * pos + 2];
                        }
                        Cb[deltaY][deltaX] = (-0.16874f * r - 0.33126f * g + 0.5f * b) * 0.25f;
                        Cr[deltaY][deltaX] = (0.5f * r - 0.41869f * g - 0.08131f * b) * 0.25f;
                    }
                }
            }
            lastCbDc = codeBlock(writer, Cb, scaledChrominance, lastCbDc, huffmanChrominanceDc, huffmanChrominanceAc,
                                 codeWords);
            lastCrDc = codeBlock(writer, Cr, scaledChrominance, lastCrDc, huffmanChrominanceDc, huffmanChrominanceAc,
                                 codeWords);
        }
    }
    writer.flush();
    writer.byte(0xFF);
    writer.byte(0xD9);
    return true;
}

} // namespace TooJpeg
