// The firmware's JPEG encoder judged by libjpeg: exact streams for the smallest images,
// and frames that decode back within each quality's loss.
#include "app/device_commands/too_jpeg.h"

#include "tests/support/jpeg_oracle.h"
#include "tests/support/symbol_renderer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes encode(void const* pixels, unsigned short width, unsigned short height, unsigned char quality,
             bool colour = false, bool downsample = false, char const* comment = nullptr, bool samples16 = false)
{
    Bytes out;
    bool const ok = TooJpeg::writeJpeg([&out](unsigned char b) { out.push_back(b); }, pixels, width, height, colour,
                                       quality, downsample, comment, samples16);
    EXPECT_EQ(ok, !out.empty());
    return out;
}

// A camera-like frame: a label at a slant, 8-bit.
Bytes labelFrame(int& width, int& height)
{
    auto rendering = support::render({.symbology = BARCODE_CODE128, .data = "JPEG-0042"},
                                     {.moduleSize = 2.0, .angle = 20});
    EXPECT_TRUE(rendering.symbol.ok) << rendering.symbol.error;
    width = rendering.frame.width;
    height = rendering.frame.height;
    Bytes grey;
    for (auto sample : rendering.frame.pixels) {
        grey.push_back(static_cast<std::uint8_t>(sample >> 2));
    }
    return grey;
}

TEST(JpegEncoder, OnePixelGivesTheStreamByteForByte)
{
    std::uint8_t pixel = 128;
    Bytes const grey = encode(&pixel, 1, 1, 50);
    ASSERT_EQ(grey.size(), 327u);
    EXPECT_EQ(Bytes(grey.begin(), grey.begin() + 4), (Bytes{0xFF, 0xD8, 0xFF, 0xE0}));
    // DQT at quality 50 holds the luminance table unchanged, in zig-zag order.
    EXPECT_EQ(Bytes(grey.begin() + 20, grey.begin() + 28), (Bytes{0xFF, 0xDB, 0x00, 0x43, 0x00, 16, 11, 12}));
    EXPECT_EQ(Bytes(grey.begin() + 89, grey.begin() + 102),
              (Bytes{0xFF, 0xC0, 0x00, 0x0B, 0x08, 0x00, 0x01, 0x00, 0x01, 0x01, 0x01, 0x11, 0x00}));
    EXPECT_EQ(Bytes(grey.end() - 13, grey.end()),
              (Bytes{0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x3F, 0x00, 0x2B, 0xFF, 0xD9}));
    pixel = 0; // DC difference -64
    Bytes const black = encode(&pixel, 1, 1, 50);
    EXPECT_EQ(Bytes(black.end() - 4, black.end()), (Bytes{0xF3, 0xFA, 0xFF, 0xD9}));
}

TEST(JpegEncoder, RefusedArgumentsWriteNothing)
{
    std::uint8_t pixel = 0;
    Bytes out;
    auto sink = [&out](unsigned char b) { out.push_back(b); };
    EXPECT_FALSE(TooJpeg::writeJpeg(sink, &pixel, 0, 1));
    EXPECT_FALSE(TooJpeg::writeJpeg(sink, &pixel, 1, 0));
    EXPECT_FALSE(TooJpeg::writeJpeg(sink, nullptr, 1, 1));
    EXPECT_FALSE(TooJpeg::writeJpeg(nullptr, &pixel, 1, 1));
    EXPECT_TRUE(out.empty());
}

TEST(JpegEncoder, QualityLimitsCommentsAndTenBitWords)
{
    int width = 0;
    int height = 0;
    Bytes const grey = labelFrame(width, height);
    auto const w = static_cast<unsigned short>(width);
    auto const h = static_cast<unsigned short>(height);
    EXPECT_EQ(encode(grey.data(), w, h, 0), encode(grey.data(), w, h, 1));
    EXPECT_EQ(encode(grey.data(), w, h, 255), encode(grey.data(), w, h, 100));

    Bytes const plain = encode(grey.data(), w, h, 75);
    Bytes const commented = encode(grey.data(), w, h, 75, false, false, "frame 7");
    EXPECT_EQ(commented.size(), plain.size() + 4 + 7);
    EXPECT_EQ(Bytes(commented.begin() + 20, commented.begin() + 24), (Bytes{0xFF, 0xFE, 0x00, 0x09}));

    // Words four times the bytes (plus 0 to 3) encode as the bytes; words above 10 bits as full scale.
    std::vector<std::uint16_t> words;
    std::vector<std::uint16_t> overflowing;
    Bytes saturated;
    for (std::size_t i = 0; i < grey.size(); ++i) {
        words.push_back(static_cast<std::uint16_t>(grey[i] * 4 + i % 4));
        overflowing.push_back(grey[i] > 200 ? 0xFFFF : static_cast<std::uint16_t>(grey[i] * 4));
        saturated.push_back(grey[i] > 200 ? 255 : grey[i]);
    }
    EXPECT_EQ(encode(words.data(), w, h, 75, false, false, nullptr, true), plain);
    EXPECT_EQ(encode(overflowing.data(), w, h, 75, false, false, nullptr, true), encode(saturated.data(), w, h, 75));
    // Options for the other kind of image change nothing.
    EXPECT_EQ(encode(grey.data(), w, h, 75, false, true), plain);
}

TEST(JpegEncoder, FramesDecodeWithLibjpegWithinEachQualitysLoss)
{
    int width = 0;
    int height = 0;
    Bytes const grey = labelFrame(width, height);
    struct Case {
        unsigned char quality;
        double minimumPsnr;
    } const cases[] = {{10, 29.0}, {25, 32.5}, {50, 36.0}, {75, 39.5}, {90, 45.5}, {100, 60.0}};
    std::size_t lastSize = 0;
    for (auto const& c : cases) {
        Bytes const stream = encode(grey.data(), static_cast<unsigned short>(width), static_cast<unsigned short>(height),
                                    c.quality);
        auto const decoded = support::decodeJpeg(stream);
        ASSERT_TRUE(decoded.ok) << int(c.quality) << ": " << decoded.error;
        ASSERT_EQ(decoded.width, width);
        ASSERT_EQ(decoded.height, height);
        ASSERT_EQ(decoded.components, 1);
        double const psnr = support::psnr(decoded.pixels, grey);
        std::printf("quality %3d: %7zu bytes, PSNR %.1f dB\n", c.quality, stream.size(), psnr);
        EXPECT_GE(psnr, c.minimumPsnr) << int(c.quality);
        EXPECT_GT(stream.size(), lastSize);
        lastSize = stream.size();
    }
}

TEST(JpegEncoder, OddSizesAndColourDecodeWhole)
{
    // 13 x 7: partial blocks repeat the last column and row.
    Bytes grey(13 * 7);
    for (std::size_t i = 0; i < grey.size(); ++i) {
        grey[i] = static_cast<std::uint8_t>(i * 37 % 256);
    }
    auto decoded = support::decodeJpeg(encode(grey.data(), 13, 7, 100));
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(decoded.width, 13);
    EXPECT_EQ(decoded.height, 7);
    EXPECT_GE(support::psnr(decoded.pixels, grey), 40.0);

    // RGB, full and 4:2:0 chrominance, 37 x 21.
    Bytes rgb;
    for (int y = 0; y < 21; ++y) {
        for (int x = 0; x < 37; ++x) {
            rgb.push_back(static_cast<std::uint8_t>(x * 6));
            rgb.push_back(static_cast<std::uint8_t>(y * 12));
            rgb.push_back(static_cast<std::uint8_t>(128));
        }
    }
    for (bool downsample : {false, true}) {
        decoded = support::decodeJpeg(encode(rgb.data(), 37, 21, 90, true, downsample));
        ASSERT_TRUE(decoded.ok) << decoded.error;
        EXPECT_EQ(decoded.components, 3);
        EXPECT_GE(support::psnr(decoded.pixels, rgb), 35.0) << downsample;
    }
}

} // namespace
