// The Han Xin back end on zint's module grids: function information, masks,
// the function-module map, de-interleave, block correction and data modes.
#include <gtest/gtest.h>

#include "decoder/legacy/han_xin/han_xin_codewords.h"
#include "decoder/legacy/han_xin/han_xin_data.h"
#include "decoder/legacy/han_xin/han_xin_function_map.h"
#include "decoder/legacy/han_xin/han_xin_symbol.h"
#include "decoder/legacy/han_xin/han_xin_version.h"
#include "tests/decoder/legacy/han_xin/han_xin_test_symbol.h"

#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

using hanxin_test::Encode;
using hanxin_test::Gb18030;

struct Read {
    bool ok = false;
    CHINA_FUNCTION_INFO_st info{};
    int corrections = -1;
    std::string text;
    int eci = 0;
};

Read ReadGrid(hanxin_test::Symbol symbol)
{
    Read read;
    if (!symbol.ok || ReadHanXinFunctionInfoFromGrid(symbol.grid.data(), symbol.size, &read.info, &read.corrections) != 0) {
        return read;
    }
    static unsigned char out[8000];
    CHINA_final_data = out;
    CHINA_final_data_capacity = sizeof out;
    if (DecodeHanXinGrid(symbol.grid.data(), read.info) != 0) {
        return read;
    }
    read.ok = true;
    read.text.assign(reinterpret_cast<char const*>(out), static_cast<size_t>(CHINA_final_data_count));
    read.eci = CHINA_ECI_flag;
    return read;
}

TEST(HanXinSymbolTest, EveryVersionLevelAndMaskReads)
{
    // Each version once, levels and masks turning over; the text fills a good
    // part of the small versions and spans several blocks of the large ones.
    for (int version = 1; version <= kHanXinMaxVersion; ++version) {
        int const level = 1 + version % 4;
        int const mask = (version / 4) % 4;
        std::string data = "V" + std::to_string(version) + " 0123 abcXYZ";
        if (version > 40) {
            data += std::string(static_cast<size_t>(version) * 8, 'k');
        }
        hanxin_test::Symbol const symbol = Encode(data, version, level, mask);
        ASSERT_TRUE(symbol.ok) << "version " << version;
        Read const read = ReadGrid(symbol);
        EXPECT_TRUE(read.ok) << "version " << version;
        EXPECT_EQ(read.info.version, version);
        EXPECT_EQ(read.info.level, level - 1);
        EXPECT_EQ(read.info.mask, mask);
        EXPECT_EQ(read.corrections, 0);
        EXPECT_EQ(read.text, data) << "version " << version;
    }
    for (int level = 1; level <= 4; ++level) {
        for (int version : {5, 28, 84}) {
            Read const read = ReadGrid(Encode("LEVELS", version, level));
            ASSERT_TRUE(read.ok) << version << "/" << level;
            EXPECT_EQ(read.text, "LEVELS");
        }
    }
}

// The lattice search matches these colours against the frame: a module
// given the wrong colour pulls every lattice point off its place.
TEST(HanXinSymbolTest, AlignmentLineColoursAgreeWithTheSymbolsOfEveryVersion)
{
    static unsigned short colours[kHanXinMaxSize * kHanXinMaxSize];
    for (int version = 4; version <= kHanXinMaxVersion; ++version) {
        hanxin_test::Symbol const symbol = Encode("LATTICE", version, 1, version % 4);
        ASSERT_TRUE(symbol.ok) << "version " << version;
        std::fill(std::begin(colours), std::end(colours), static_cast<unsigned short>(7));
        ASSERT_EQ(MarkHanXinAlignmentColours(colours, version), 0);
        int known = 0;
        for (int row = 0; row < symbol.size; ++row) {
            for (int column = 0; column < symbol.size; ++column) {
                unsigned short const colour = colours[row * kHanXinMaxSize + column];
                if (colour <= 1) {
                    ++known;
                    ASSERT_EQ(colour, symbol.grid[static_cast<size_t>(row * kHanXinMaxSize + column)])
                        << "version " << version << " row " << row << " column " << column;
                }
            }
        }
        // A dark and a light line along every lattice interval.
        EXPECT_GT(known, 2 * symbol.size) << "version " << version;
    }
    EXPECT_EQ(MarkHanXinAlignmentColours(colours, 85), -1);
}

TEST(HanXinSymbolTest, DataModesGiveTheGb18030Bytes)
{
    struct Case {
        char const* what;
        std::string utf8;
        bool fullMultibyte;
    };
    Case const cases[] = {
        {"numeric, one digit left", "1234", false},
        {"numeric, two digits left", "12", false},
        {"numeric, three digits left", "123456", false},
        {"text 1 and 2", "Hello, World! ~{}[]@ 42\t\x1b", false},
        {"region 1 Hanzi", "\xe5\x95\x8a\xe5\x95\x8a\xe5\x95\x8a", false},
        {"region 2 Hanzi", "\xe4\xba\x8d\xe4\xba\x8d\xe4\xba\x8d", false},
        {"regions mixed", "\xe5\x95\x8a\xe4\xba\x8d\xe5\x95\x8a\xe4\xba\x8d", false},
        {"GB 2312 symbols", "\xe2\x80\x94\xe3\x80\x81\xe2\x91\xa0", false},
        {"GBK only", "\xe4\xb8\x82\xe4\xb8\x84\xe4\xb8\x85", false},
        {"four-byte", "\xc2\xa2\xe5\x95\x8a\xc2\xa2", false},
        {"full multibyte", "\xe4\xb8\x82 abc \xc2\xa5", true},
    };
    for (Case const& c : cases) {
        Read const read = ReadGrid(Encode(c.utf8, 0, 0, -1, true, 0, c.fullMultibyte));
        ASSERT_TRUE(read.ok) << c.what;
        EXPECT_EQ(read.text, Gb18030(c.utf8)) << c.what;
        EXPECT_EQ(read.eci, 0) << c.what;
    }

    // Text that Latin-1 holds stays Latin-1, in binary mode.
    Read const latin = ReadGrid(Encode("caf\xc3\xa9 na\xc3\xafve"));
    ASSERT_TRUE(latin.ok);
    EXPECT_EQ(latin.text, "caf\xe9 na\xefve");

    std::string bytes;
    for (int b = 0x80; b <= 0xFF; ++b) {
        bytes += static_cast<char>(b);
    }
    Read const binary = ReadGrid(Encode(bytes, 0, 0, -1, false));
    ASSERT_TRUE(binary.ok);
    EXPECT_EQ(binary.text, bytes);
}

TEST(HanXinSymbolTest, EciEscapesAndDoublesEveryLiteralBackslash)
{
    // UTF-8 under ECI 26: the escape, then the raw bytes; a backslash stands twice.
    Read const utf8 = ReadGrid(Encode("a\\b \xe5\x95\x8a", 0, 0, -1, true, 26));
    ASSERT_TRUE(utf8.ok);
    EXPECT_EQ(utf8.eci, 1);
    EXPECT_EQ(utf8.text, "\\000026a\\\\b \xe5\x95\x8a");

    // Binary bytes after the escape are doubled too.
    Read const binary = ReadGrid(Encode("\\\xff\\", 0, 0, -1, false, 899));
    ASSERT_TRUE(binary.ok);
    EXPECT_EQ(binary.text, "\\000899\\\\\xff\\\\");
}

// Codewords of a clean symbol, in stream order.
std::vector<unsigned char> Codewords(hanxin_test::Symbol symbol, CHINA_FUNCTION_INFO_st* info)
{
    int corrections = 0;
    std::vector<unsigned char> sequence(4000);
    if (ReadHanXinFunctionInfoFromGrid(symbol.grid.data(), symbol.size, info, &corrections) != 0 ||
        MarkHanXinFunctionModules(symbol.grid.data(), info->version) != 0 ||
        ExtractHanXinCodewords(symbol.grid.data(), *info, sequence.data(), 4000) < 0) {
        sequence.clear();
    }
    return sequence;
}

TEST(HanXinSymbolTest, BlocksCorrectUpToOneErrorShortOfHalfTheirChecks)
{
    std::mt19937 random(7);
    // One block (version 1), two classes (version 5 level 4), three classes
    // (version 28 level 4), many blocks (version 84 level 2).
    int const cases[][2] = {{1, 1}, {5, 4}, {28, 4}, {84, 2}};
    for (auto const& c : cases) {
        CHINA_FUNCTION_INFO_st info{};
        std::vector<unsigned char> const clean = Codewords(Encode("ERRORS 0123456789", c[0], c[1]), &info);
        ASSERT_FALSE(clean.empty());
        std::vector<unsigned char> expected = clean;
        int const data = CorrectHanXinBlocks(expected.data(), c[0], c[1] - 1);
        ASSERT_GT(data, 0);

        for (int extra : {0, 1}) {
            std::vector<unsigned char> sequence = clean;
            HanXinBlockClass classes[3];
            ASSERT_EQ(HanXinBlockClasses(c[0], c[1] - 1, classes), 0);
            int start = 0;
            for (int k = 0; k < 3; ++k) {
                for (int b = 0; b < classes[k].count; ++b) {
                    int const t = classes[k].checks / 2;
                    // The last block of the symbol gets the extra error.
                    bool const last = k == 2 || classes[k + 1].count == 0 ? b == classes[k].count - 1 : false;
                    int const errors = t - 1 + (extra && last ? 1 : 0);
                    std::vector<int> positions(classes[k].length);
                    for (int i = 0; i < classes[k].length; ++i) {
                        positions[static_cast<size_t>(i)] = i;
                    }
                    std::shuffle(positions.begin(), positions.end(), random);
                    for (int e = 0; e < errors; ++e) {
                        sequence[static_cast<size_t>(start + positions[static_cast<size_t>(e)])] ^=
                            static_cast<unsigned char>(1 + random() % 255);
                    }
                    start += classes[k].length;
                }
            }
            int const corrected = CorrectHanXinBlocks(sequence.data(), c[0], c[1] - 1);
            if (extra == 0) {
                ASSERT_EQ(corrected, data) << c[0] << "/" << c[1];
                EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + data, sequence.begin()));
            } else {
                EXPECT_EQ(corrected, -1) << c[0] << "/" << c[1];
            }
        }
    }
}

TEST(HanXinSymbolTest, ModulesBeyondTheLastCodewordAreIgnored)
{
    // Every module of a version-84 grid taken as data (no function map): far
    // more bits than codewords. Extraction fills exactly the version's count
    // into a buffer of that size and stops.
    CHINA_FUNCTION_INFO_st info{};
    unsigned short nibbles[7] = {(84 + 20) >> 4, (84 + 20) & 15, 0, 0, 0, 0, 0};
    ASSERT_EQ(ParseHanXinFunctionInfo(nibbles, 0, &info), 0);
    std::vector<unsigned short> grid(kHanXinMaxSize * kHanXinMaxSize, 1);
    int const total = HanXinTotalCodewords(84);
    std::vector<unsigned char> exact(static_cast<size_t>(total), 0);
    EXPECT_EQ(ExtractHanXinCodewords(grid.data(), info, exact.data(), total), total);
    EXPECT_EQ(std::count(exact.begin(), exact.end(), 0xFF), total);
    EXPECT_EQ(ExtractHanXinCodewords(grid.data(), info, exact.data(), total - 1), -1);

    // The modules after the last codeword of a real symbol change nothing.
    hanxin_test::Symbol symbol = Encode("REMAINDER", 84, 4);
    ASSERT_TRUE(symbol.ok);
    std::vector<unsigned short> marked = symbol.grid;
    ASSERT_EQ(MarkHanXinFunctionModules(marked.data(), 84), 0);
    int bits = 0;
    for (int i = 0; i < symbol.size * symbol.size; ++i) {
        int const at = (i / symbol.size) * kHanXinMaxSize + i % symbol.size;
        if (marked[static_cast<size_t>(at)] <= 1 && ++bits > 8 * total) {
            symbol.grid[static_cast<size_t>(at)] ^= 1;
        }
    }
    EXPECT_GE(bits, 8 * total);
    Read const read = ReadGrid(symbol);
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(read.text, "REMAINDER");
}

TEST(HanXinSymbolTest, FunctionInformationIsCorrectedOrTakenFromTheOtherCopy)
{
    hanxin_test::Symbol symbol = Encode("FUNCTION", 7, 3, 2);
    ASSERT_TRUE(symbol.ok);
    int const size = symbol.size;
    auto flip = [&](int row, int column) { symbol.grid[row * kHanXinMaxSize + column] ^= 1; };

    // One wrong nibble (two modules of codeword 0 beside the top-left finder).
    flip(8, 0);
    flip(8, 1);
    Read read = ReadGrid(symbol);
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(read.corrections, 1);
    EXPECT_EQ(read.info.version, 7);
    EXPECT_EQ(read.text, "FUNCTION");

    // Two wrong nibbles in the top copy: the bottom copy is read instead.
    flip(8, 5);
    read = ReadGrid(symbol);
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(read.info.version, 7);
    EXPECT_EQ(read.info.mask, 2);

    // Both copies broken: nothing is read.
    flip(size - 9, size - 1);
    flip(size - 9, size - 6);
    EXPECT_FALSE(ReadGrid(symbol).ok);

    // All-zero function information is refused.
    unsigned short zero[7] = {};
    EXPECT_EQ(CorrectErrs_CHINA(zero), -1);
}

// Builds a data stream of mode indicators and fields.
struct Stream {
    std::vector<unsigned char> bytes;
    int bits = 0;
    void Put(unsigned value, int n)
    {
        for (int i = n - 1; i >= 0; --i) {
            if (bits % 8 == 0) {
                bytes.push_back(0);
            }
            bytes.back() = static_cast<unsigned char>(bytes.back() | (((value >> i) & 1u) << (7 - bits % 8)));
            ++bits;
        }
    }
};

std::string Develop(Stream const& s, int capacity = 8000, int* result = nullptr)
{
    std::vector<unsigned char> out(static_cast<size_t>(capacity));
    std::copy(s.bytes.begin(), s.bytes.end(), CHINA_byte_sequence);
    CHINA_total_byte_count = static_cast<int>(s.bytes.size());
    CHINA_final_data = out.data();
    CHINA_final_data_capacity = capacity;
    int const r = static_cast<int>(develop_text_CHINA());
    if (result != nullptr) {
        *result = r;
    }
    return r == 0 ? std::string(reinterpret_cast<char*>(out.data()), static_cast<size_t>(CHINA_final_data_count))
                  : "<refused>";
}

TEST(HanXinSymbolTest, DataStreamEdgeCases)
{
    // Region 1: 4094 v reads v as a region 2 character and goes on in region
    // 2, where 4094 4094 v reads v as region 2 again.
    Stream region;
    region.Put(4, 4);
    region.Put(0, 12);
    region.Put(4094, 12);
    region.Put(0, 12);
    region.Put(4094, 12);
    region.Put(4094, 12);
    region.Put(1, 12);
    region.Put(4095, 12);
    EXPECT_EQ(Develop(region), "\xb0\xa1\xd8\xa1\xd8\xa2");

    Stream first;  // region 1: 4094 4094 v reads v in region 1
    first.Put(4, 4);
    first.Put(4094, 12);
    first.Put(4094, 12);
    first.Put(1, 12);
    first.Put(4095, 12);
    EXPECT_EQ(Develop(first), "\xb0\xa2");

    // Region 2: 4094 makes the next value a region 1 one, so 4094 4094 v
    // reads v as a region 2 character.
    Stream second;
    second.Put(5, 4);
    second.Put(4094, 12);
    second.Put(4094, 12);
    second.Put(1, 12);
    second.Put(4095, 12);
    EXPECT_EQ(Develop(second), "\xd8\xa2");

    // 1021 ends numeric mode with the held group's first character, 1022 with
    // the group as two digits (at least).
    for (auto const& [held, end, text] : {std::tuple{4, 1021, "4"}, std::tuple{45, 1021, "4"}, std::tuple{7, 1022, "07"},
                                          std::tuple{123, 1022, "123"}, std::tuple{123, 1020, ""}}) {
        Stream numeric;
        numeric.Put(1, 4);
        numeric.Put(static_cast<unsigned>(held), 10);
        numeric.Put(static_cast<unsigned>(end), 10);
        EXPECT_EQ(Develop(numeric), text) << held << " then " << end;
    }

    Stream cut;  // a binary count longer than the data writes what is there
    cut.Put(3, 4);
    cut.Put(200, 13);
    cut.Put('x', 8);
    EXPECT_EQ(Develop(cut), "x");

    Stream late;  // backslashes written before the first ECI are doubled then
    late.Put(3, 4);
    late.Put(1, 13);
    late.Put('\\', 8);
    late.Put(8, 4);
    late.Put(0, 1);
    late.Put(3, 7);
    late.Put(8, 4);
    late.Put(0b10, 2);
    late.Put(1000, 14);
    EXPECT_EQ(Develop(late), "\\\\\\000003\\001000");
}

TEST(HanXinSymbolTest, AMessageLargerThanTheAnswerBufferIsRefused)
{
    // 2000 ECI designators of 12 bits describe 14000 bytes.
    Stream s;
    for (int i = 0; i < 2000; ++i) {
        s.Put(8, 4);
        s.Put(0, 1);
        s.Put(3, 7);
    }
    int result = 0;
    EXPECT_EQ(Develop(s, 8000, &result), "<refused>");
    EXPECT_EQ(result, 1);
    // The same message fits a larger buffer exactly.
    EXPECT_EQ(Develop(s, 14000).size(), 14000u);

    // The largest symbol full of backslashes (6 bits each in text mode) under
    // an ECI doubles them past 8000 bytes; without the ECI they fit.
    Read const big = ReadGrid(Encode(std::string(4300, '\\'), 84, 1, -1, false, 3));
    EXPECT_FALSE(big.ok);
    Read const fits = ReadGrid(Encode(std::string(4300, '\\'), 84, 1, -1, false));
    ASSERT_TRUE(fits.ok);
    EXPECT_EQ(fits.text.size(), 4300u);
}

}  // namespace

namespace {

// The function information taken uncorrected: from the halves beside the
// finders seen, for the size the finders' spacing bears out; refused for a
// grid or an arrangement that names no such size.
TEST(HanXinSymbolTest, UncorrectedFunctionInformationNeedsItsFindersAndTheirSpacing)
{
    hanxin_test::Symbol const symbol = Encode("UNCORRECTED", 7, 3, 2);
    ASSERT_TRUE(symbol.ok);
    int const size = symbol.size;
    unsigned short const* grid = symbol.grid.data();
    CHINA_FUNCTION_INFO_st info{};
    int count = -1;

    // One finder: its half as it reads.
    ASSERT_EQ(HanXinFunctionInfoUncorrected(grid, size, 1u, 0, &info, &count), 0);
    EXPECT_EQ(info.version, 7);
    EXPECT_EQ(info.size, size);
    EXPECT_EQ(count, 100);
    // Two: the size measured between them within 9 per cent.
    info = {};
    ASSERT_EQ(HanXinFunctionInfoUncorrected(grid, size, 0x3u, size + 1, &info, &count), 0);
    EXPECT_EQ(info.version, 7);
    ASSERT_EQ(size, 35);
    EXPECT_EQ(count, 6) << "3 and a deviation of 1 module in 36, 3 per cent";

    CHINA_FUNCTION_INFO_st const untouched{};
    auto refused = [&](unsigned short const* g, int s, unsigned valid, int measured) {
        info = {};
        count = -1;
        int const r = HanXinFunctionInfoUncorrected(g, s, valid, measured, &info, &count);
        return r == -1 && count == -1 && info.version == untouched.version && info.size == untouched.size;
    };
    EXPECT_TRUE(refused(grid, 22, 1u, 0)) << "below the smallest size";
    EXPECT_TRUE(refused(grid, kHanXinMaxSize + 1, 1u, 0)) << "beyond the largest";
    EXPECT_TRUE(refused(grid, size, 0u, size)) << "no finder";
    EXPECT_TRUE(refused(grid, size, 0x2u, 0)) << "one finder holding no version";
    EXPECT_TRUE(refused(grid, size, 0xFu, 0)) << "spacing unknown";
    EXPECT_TRUE(refused(grid, size, 0xFu, size + size / 5)) << "spacing 20 per cent off";
    EXPECT_TRUE(refused(grid, size - 2, 1u, 0)) << "a version naming another size";
    std::vector<unsigned short> const blank(symbol.grid.size(), 0);
    EXPECT_TRUE(refused(blank.data(), size, 0xFu, size)) << "a blank grid names no version";
    std::vector<unsigned short> const dark(symbol.grid.size(), 1);
    EXPECT_TRUE(refused(dark.data(), size, 1u, size)) << "an all-dark grid names no version";
}

}  // namespace
