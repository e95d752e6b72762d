#include <gtest/gtest.h>

#include <vector>

#include "format/decode_data_byte.h"
#include "tests/format/iconv_oracle.h"

namespace {

std::vector<std::uint32_t> EveryScalarValue()
{
    std::vector<std::uint32_t> all;
    for (std::uint32_t cp = 0; cp < 0x110000; ++cp)
        if (cp < 0xD800 || cp > 0xDFFF)
            all.push_back(cp);
    return all;
}

// The packed value's bytes, first byte in the most significant used position.
void AppendPacked(std::vector<unsigned char>& out, std::uint32_t packed, unsigned n)
{
    for (unsigned i = 0; i < n; ++i)
        out.push_back(static_cast<unsigned char>(packed >> (8 * (n - 1 - i))));
}

TEST(UnicodeTest, EncodersAgreeWithIconvOnEveryScalarValue)
{
    const auto all = EveryScalarValue();
    std::vector<unsigned char> utf8, utf16;
    for (std::uint32_t cp : all) {
        std::uint32_t packed = 0;
        ASSERT_EQ(DecodeDataByte::UnicodeToUtf8(packed, cp), 1);
        AppendPacked(utf8, packed, cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4);
        ASSERT_EQ(DecodeDataByte::UnicodeToUtf16(packed, cp), 1);
        AppendPacked(utf16, packed, cp < 0x10000 ? 2 : 4);
    }
    const auto utf32 = iconv_oracle::Utf32(all);
    EXPECT_EQ(iconv_oracle::Convert("UTF-32LE", "UTF-8", utf32), utf8);
    EXPECT_EQ(iconv_oracle::Convert("UTF-32LE", "UTF-16BE", utf32), utf16);

    std::uint32_t out = 7;
    EXPECT_EQ(DecodeDataByte::UnicodeToUtf16(out, 0x110000), 0);
    EXPECT_EQ(DecodeDataByte::UnicodeToUtf8(out, 0x200000), 0);
    EXPECT_EQ(out, 7u);
}

TEST(UnicodeTest, DecodersTakeWellFormedSequencesOnly)
{
    struct Row {
        unsigned char b[4];
        bool utf8; // else UTF-16, units big-endian
        std::uint32_t codePoint; // 0xFFFFFFFF: refused
    };
    constexpr std::uint32_t kNo = 0xFFFFFFFF;
    const Row rows[] = {
        {{0, 0, 0, 0x41}, true, 0x41},
        {{0, 0, 0, 0}, true, 0},
        {{0, 0, 0xC3, 0xA9}, true, 0xE9},
        {{0, 0xE3, 0x81, 0x82}, true, 0x3042},
        {{0xF0, 0x9F, 0x98, 0x80}, true, 0x1F600},
        {{0xF4, 0x8F, 0xBF, 0xBF}, true, 0x10FFFF},
        {{0, 0, 0, 0x80}, true, kNo},          // a trail byte alone
        {{0, 0, 0xC1, 0xBF}, true, kNo},       // overlong
        {{0, 0xE0, 0x9F, 0xBF}, true, kNo},    // overlong
        {{0xF0, 0x8F, 0xBF, 0xBF}, true, kNo}, // overlong
        {{0, 0xED, 0xA0, 0x80}, true, kNo},    // surrogate
        {{0xF4, 0x90, 0x80, 0x80}, true, kNo}, // past U+10FFFF
        {{0xF8, 0x88, 0x80, 0x80}, true, kNo},
        {{0, 0xE3, 0x81, 0x41}, true, kNo},    // bad trail
        {{0, 0, 0xE3, 0x81}, true, kNo},       // too short for its lead
        {{0x30, 0x42, 0, 0}, false, 0x3042},
        {{0xD8, 0x3D, 0xDE, 0x00}, false, 0x1F600},
        {{0xDB, 0xFF, 0xDF, 0xFF}, false, 0x10FFFF},
        {{0xD8, 0x3D, 0x00, 0x41}, false, kNo},
        {{0xDE, 0x00, 0xD8, 0x3D}, false, kNo},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message() << std::hex << int(r.b[0]) << ' ' << int(r.b[1]) << ' ' << int(r.b[2])
                                          << ' ' << int(r.b[3]));
        std::uint32_t out = kNo;
        const int ok = r.utf8 ? DecodeDataByte::Utf8ToUnicode(out, r.b[0], r.b[1], r.b[2], r.b[3])
                              : DecodeDataByte::Utf16ToUnicode(out, r.b[0], r.b[1], r.b[2], r.b[3]);
        EXPECT_EQ(ok, r.codePoint != kNo ? 1 : 0);
        EXPECT_EQ(out, r.codePoint);
    }
}

} // namespace
