// Frame files: lossless where the format holds 10 bits, the agreed scaling
// where it holds 8, and a clear refusal of anything malformed.

#include "tests/support/image_file.h"
#include "tests/support/random.h"

#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <stdlib.h>

namespace support {
namespace {

Frame randomFrame(int width, int height, uint64_t seed)
{
    Frame f = makeFrame(width, height);
    Random random(seed);
    for (uint16_t& v : f.pixels)
        v = static_cast<uint16_t>(random.integer(0, kMaxLevel));
    f.pixels[0] = 0;
    f.pixels[1] = kMaxLevel;
    return f;
}

std::vector<uint8_t> bytesOf(std::string const& text)
{
    return {text.begin(), text.end()};
}

TEST(ImageFile, RoundTripThroughEveryFormat)
{
    Frame const frame = randomFrame(37, 23, 1);
    struct Case {
        char const* name;
        std::vector<uint8_t> (*encode)(Frame const&, FileDepth);
        FileDepth depth;
    };
    for (Case const& c : {Case{"png16", encodePng, FileDepth::Bits16}, Case{"pgm16", encodePgm, FileDepth::Bits16},
                          Case{"png8", encodePng, FileDepth::Bits8}, Case{"pgm8", encodePgm, FileDepth::Bits8}}) {
        std::string why;
        auto const back = decodeImage(c.encode(frame, c.depth), &why);
        ASSERT_TRUE(back) << c.name << ": " << why;
        ASSERT_EQ(back->width, frame.width);
        ASSERT_EQ(back->height, frame.height);
        for (size_t i = 0; i < frame.pixels.size(); ++i) {
            unsigned const v = frame.pixels[i];
            // 8 bits keep the top bits and refill the bottom ones from them.
            unsigned const expected = c.depth == FileDepth::Bits16 ? v : (v >> 2) * 4 + (v >> 2) / 64;
            ASSERT_EQ(back->pixels[i], expected) << c.name << " pixel " << i;
        }
    }
}

TEST(ImageFile, FilesOnDisk)
{
    // Tests run in parallel: each gets its own directory.
    std::string templ = (std::filesystem::temp_directory_path() / "image_file_check_XXXXXX").string();
    ASSERT_NE(mkdtemp(templ.data()), nullptr);
    std::filesystem::path const dir = templ;
    Frame const frame = randomFrame(640, 480, 2);
    std::string const png = (dir / "f.png").string();
    std::string const pgm = (dir / "f.pgm").string();
    ASSERT_TRUE(writePng(png, frame, FileDepth::Bits16));
    ASSERT_TRUE(writePgm(pgm, frame, FileDepth::Bits16));
    EXPECT_EQ(readImage(png)->pixels, frame.pixels);
    EXPECT_EQ(readImage(pgm)->pixels, frame.pixels);
    std::string why;
    EXPECT_FALSE(readImage((dir / "missing.png").string(), &why));
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(writePng((dir / "no" / "such" / "dir.png").string(), frame, FileDepth::Bits8));
    EXPECT_FALSE(writePgm(pgm, Frame{}, FileDepth::Bits8));
    EXPECT_EQ(readImage(pgm)->pixels, frame.pixels); // a refused write leaves the old file
    std::filesystem::remove_all(dir);
}

TEST(ImageFile, ForeignPgmMaxvalsScaleToTenBits)
{
    struct Case {
        std::string header;
        std::vector<uint8_t> samples;
        std::vector<uint16_t> expected;
    };
    for (Case const& c : {Case{"P5 3 1 255\n", {0, 128, 255}, {0, 514, 1023}},
                          Case{"P5\n# comment line\n3 1\n15\n", {0, 7, 15}, {0, 477, 1023}},
                          Case{"P5 2 1 65535\n", {0x00, 0x00, 0xFF, 0xFF}, {0, 1023}},
                          Case{"P5 2 1 1023\n", {0x03, 0xFF, 0x01, 0x02}, {1023, 258}}}) {
        std::vector<uint8_t> bytes = bytesOf(c.header);
        bytes.insert(bytes.end(), c.samples.begin(), c.samples.end());
        std::string why;
        auto const frame = decodeImage(bytes, &why);
        ASSERT_TRUE(frame) << c.header << why;
        EXPECT_EQ(frame->pixels, c.expected) << c.header;
    }
}

TEST(ImageFile, ColourPngTurnsGrey)
{
    // Equal channels convert exactly; the alpha channel is dropped.
    uint8_t const rgba[] = {0, 0, 0, 255, 255, 255, 255, 0, 80, 80, 80, 128};
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = 3;
    image.height = 1;
    image.format = PNG_FORMAT_RGBA;
    size_t size = 0;
    ASSERT_TRUE(png_image_write_to_memory(&image, nullptr, &size, 0, rgba, 0, nullptr));
    std::vector<uint8_t> bytes(size);
    ASSERT_TRUE(png_image_write_to_memory(&image, bytes.data(), &size, 0, rgba, 0, nullptr));
    bytes.resize(size);
    auto const frame = decodeImage(bytes);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->pixels, (std::vector<uint16_t>{0, 1023, 321}));
}

TEST(ImageFile, MalformedInputIsRefused)
{
    std::vector<uint8_t> const png = encodePng(randomFrame(16, 16, 3), FileDepth::Bits8);
    std::vector<uint8_t> truncatedPng(png.begin(), png.begin() + static_cast<long>(png.size() / 2));
    std::vector<uint8_t> corruptPng = png;
    corruptPng[20] ^= 0x55; // inside the header chunk: its CRC no longer matches
    std::vector<uint8_t> signatureOnly(png.begin(), png.begin() + 8);
    std::vector<uint8_t> noEnd(png.begin(), png.end() - 12); // IEND chunk cut off

    struct Case {
        char const* name;
        std::vector<uint8_t> bytes;
    };
    std::vector<uint8_t> const pgm16 = [] {
        auto b = bytesOf("P5 2 1 1023\n");
        b.insert(b.end(), {0x04, 0x00, 0x00, 0x01}); // 1024 > maxval
        return b;
    }();
    for (Case const& c : {Case{"empty", {}}, Case{"magic_run_on", bytesOf("P51 1 255\n\x05")}, Case{"text", bytesOf("hello")}, Case{"ppm", bytesOf("P6 1 1 255\n\x01\x02\x03")},
                          Case{"ascii_pgm", bytesOf("P2 1 1 255\n7\n")}, Case{"no_size", bytesOf("P5\n")},
                          Case{"no_maxval", bytesOf("P5 2 2")}, Case{"letters", bytesOf("P5 a b 255\n")},
                          Case{"zero_width", bytesOf("P5 0 4 255\n")}, Case{"zero_maxval", bytesOf("P5 1 1 0\n\x00")},
                          Case{"huge_maxval", bytesOf("P5 1 1 70000\n\x00\x00")},
                          Case{"huge_width", bytesOf("P5 99999999 1 255\n")},
                          Case{"no_separator", bytesOf("P5 1 1 255")}, Case{"short_pgm", bytesOf("P5 4 4 255\nabc")},
                          Case{"sample_over_maxval", pgm16}, Case{"truncated_png", truncatedPng},
                          Case{"corrupt_png", corruptPng}, Case{"signature_only", signatureOnly},
                          Case{"png_without_end", noEnd}}) {
        std::string why;
        EXPECT_FALSE(decodeImage(c.bytes, &why)) << c.name;
        EXPECT_FALSE(why.empty()) << c.name;
    }
}

TEST(ImageFile, RefusesToEncodeABrokenFrame)
{
    Frame broken = makeFrame(4, 4);
    broken.pixels.pop_back();
    EXPECT_TRUE(encodePng(broken, FileDepth::Bits8).empty());
    EXPECT_TRUE(encodePgm(broken, FileDepth::Bits16).empty());
}

} // namespace
} // namespace support
