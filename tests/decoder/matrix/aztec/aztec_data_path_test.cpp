// The Aztec data path on zint's own module matrices: mode ring, orientation,
// codeword placement, Reed-Solomon and the data stream, with no image in
// between; and the converter's fault cases on hand-made codewords.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "decoder/matrix/aztec/aztec_code_decoder.h"
#include "tests/decoder/matrix/aztec/aztec_fixture.h"

namespace aztec_test {
namespace {

using namespace DEC2DIvra;

struct Decoded {
    bool ok = false;
    std::string data;
    std::string aim;
    tagStructuredAppend structuredAppend{};
    ModeMessageInformation information;
};

class AztecDataPath {
public:
    AztecDataPath()
        : work_(1u << 20),
          decoder_(std::make_unique<AztecCodeDecoder>(VirtualArray<unsigned char>(work_.data(),
                                                                                  static_cast<unsigned>(work_.size())),
                                                      harness_.Property()))
    {
    }

    AztecHarness& Harness() { return harness_; }

    // A zint matrix read as the decoder reads a sampled table.
    Decoded Read(Matrix const& m, bool runes = false)
    {
        Decoded d;
        int const c = m.size / 2;
        bool const compact = runes || (m.size <= 27 && !IsFullRangeCore(m));
        int const r = compact ? 5 : 7;
        std::vector<unsigned char> core((2 * r + 1) * (2 * r + 1));
        for (int j = -r; j <= r; ++j) {
            for (int i = -r; i <= r; ++i) {
                core[(j + r) * (2 * r + 1) + (i + r)] = m.cells[(c + j) * m.size + (c + i)];
            }
        }
        unsigned orientation = 0;
        unsigned long long mode = 0;
        ReadAztecModeRing(core.data(), compact, orientation, mode);
        PossibleOrientationPatterns possible;
        if (!possible.CalcPossibleOrientationPatterns(orientation) || possible.first.rotation != 0 ||
            possible.first.mirrored) {
            return d;
        }
        if (!ModeBitsDecoder::Start(mode, compact, possible.first, true, rs_, d.information, nullptr)) {
            return d;
        }
        DecodedLabel label;
        if (d.information.runes) {
            d.ok = DataStreamConversionForAztecCode::StartForRunes(d.information.runeValue, label) != 0;
        } else {
            BinarizationTableForAztec table{const_cast<unsigned char*>(m.cells.data()), static_cast<unsigned>(m.size)};
            d.ok = decoder_->DecodeTable(table, d.information, label) != 0;
        }
        d.data.assign(label.data.GetFirst(), label.data.GetCount());
        char aim[8] = {};
        label.identifier.GetAIMIdentifier(aim, sizeof aim);
        d.aim = aim;
        d.structuredAppend = label.structuredAppend;
        return d;
    }

private:
    // A full-range bull's-eye has a dark ring at distance 6.
    static bool IsFullRangeCore(Matrix const& m)
    {
        int const c = m.size / 2;
        for (int i = -6; i <= 6; ++i) {
            if (m.cells[(c - 6) * m.size + c + i] == 0) {
                return false;
            }
        }
        return true;
    }

    AztecHarness harness_;
    std::vector<unsigned char> work_;
    std::unique_ptr<AztecCodeDecoder> decoder_;
    RSdecodingOfAztec rs_;
};

struct Case {
    char const* name;
    std::string data;
    int version = 0;
    int inputMode = DATA_MODE;
    int eci = 0;
    std::string expected;
    char const* aim = "]z0";
};

void PrintTo(Case const& c, std::ostream* os) { *os << c.name; }

std::string Bytes(int from, int count)
{
    std::string s;
    for (int i = 0; i < count; ++i) {
        s.push_back(static_cast<char>((from + i) & 255));
    }
    return s;
}

class AztecDataPathTest : public ::testing::TestWithParam<Case> {};

TEST_P(AztecDataPathTest, ReadsZintMatrix)
{
    Case const& c = GetParam();
    AztecDataPath path;
    Matrix const m = EncodeMatrix(BARCODE_AZTEC, c.data, c.version, c.inputMode, c.eci);
    ASSERT_GT(m.size, 0);
    Decoded const d = path.Read(m);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.data, c.expected);
    EXPECT_EQ(d.aim, c.aim);
    if (c.version >= 1) {
        EXPECT_EQ(d.information.compact, c.version <= 4);
        EXPECT_EQ(d.information.layers, static_cast<unsigned>(c.version <= 4 ? c.version : c.version - 4));
    }
}

std::string const kText = "Aztec Code 2D";
std::string const kMixed = "Mixed case: a, b. c\r\nd@e\\f^g_h`i|j~k\x7f\x01\x1b end";

INSTANTIATE_TEST_SUITE_P(
    Modes, AztecDataPathTest,
    ::testing::Values(
        Case{"Compact1", "HELLO", 1, DATA_MODE, 0, "HELLO"}, Case{"Compact2", kText, 2, DATA_MODE, 0, kText},
        Case{"Compact3", kText, 3, DATA_MODE, 0, kText}, Case{"Compact4", kText, 4, DATA_MODE, 0, kText},
        Case{"Full1", kText, 5, DATA_MODE, 0, kText}, Case{"Full4", kText, 8, DATA_MODE, 0, kText},
        Case{"Full5", kText, 9, DATA_MODE, 0, kText}, Case{"Full7", kText, 11, DATA_MODE, 0, kText},
        Case{"Full14", kText, 18, DATA_MODE, 0, kText}, Case{"Full22", kText, 26, DATA_MODE, 0, kText},
        Case{"Full23", kText, 27, DATA_MODE, 0, kText}, Case{"Full32", kText, 36, DATA_MODE, 0, kText},
        Case{"MixedPunctuation", kMixed, 0, DATA_MODE, 0, kMixed},
        Case{"Digits", "0123456789, 3.14159 2718281828", 0, DATA_MODE, 0, "0123456789, 3.14159 2718281828"},
        // Single capitals shifted in from lower case, and digit runs between words.
        Case{"ShiftsInLower", "one Two threE fouR 55 six 7 eIght", 0, DATA_MODE, 0,
             "one Two threE fouR 55 six 7 eIght"},
        Case{"ShortBinary", Bytes(128, 20), 0, DATA_MODE, 0, Bytes(128, 20)},
        Case{"LongBinary", Bytes(0x80, 300), 0, DATA_MODE, 0, Bytes(0x80, 300)},
        Case{"Eci", "A\\B", 0, DATA_MODE, 26, "\\000026A\\\\B", "]z3"},
        Case{"Gs1", "[01]09501101530003[10]ABC[21]12345", 0, GS1_MODE, 0, "010950110153000310ABC\x1d" "2112345",
             "]z1"},
        Case{"Large", std::string(1500, 'x') + Bytes(0xA0, 200), 0, DATA_MODE, 0,
             std::string(1500, 'x') + Bytes(0xA0, 200)}),
    [](auto const& info) { return std::string(info.param.name); });

// The codewords read off zint's matrices of every codeword size, and of
// sizes whose bit count leaves bits before the first codeword, are a
// codeword as they stand: Reed-Solomon finds nothing to correct, where a
// misplaced word, or one holding a bit before the first, would pass as a
// corrected error.
TEST(AztecDataPathTest, CodewordsReadOffTheMatrixNeedNoCorrection)
{
    static int const kVersions[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 20, 26, 27, 31, 36};
    AztecDataPath path;
    RSdecodingOfAztec rs;
    for (int version : kVersions) {
        SCOPED_TRACE(version);
        Matrix const m = EncodeMatrix(BARCODE_AZTEC, "Aztec 2D", version);
        ASSERT_GT(m.size, 0);
        ModeMessageInformation const info = path.Read(m).information;
        ASSERT_EQ(info.layers, static_cast<unsigned>(version <= 4 ? version : version - 4));
        // The bits before the first codeword (the data layers' bit count
        // modulo the codeword size) lie first down the outermost layer's
        // left side, two a row: made dark, they must still count for nothing.
        std::vector<unsigned char> cells = m.cells;
        unsigned total = 0;
        for (unsigned i = 0; i < info.layers; ++i) {
            total += ((info.layers - i) * 4 + (info.compact ? 9 : 12)) * 8;
        }
        for (unsigned k = 0; k < total % info.codewordBits; ++k) {
            cells[(k / 2) * m.size + k % 2] = 1;
        }
        BinarizationTableForAztec const table{cells.data(), static_cast<unsigned>(m.size)};
        std::vector<unsigned short> words(info.totalWords + 1, 0xBEEF);
        ASSERT_TRUE(
            ReadAztecCodewords(table, info.compact, info.layers, info.codewordBits, info.totalWords, words.data()));
        EXPECT_EQ(words[info.totalWords], 0xBEEF) << "written past the count";
        unsigned located = 99;
        ASSERT_NE(
            rs.CorrectErrors(words.data(), info.codewordBits, info.totalWords, info.dataWords, 0, nullptr, &located),
            0u);
        EXPECT_EQ(located, 0u);
        // Fewer words than the symbol holds: the same first ones.
        std::vector<unsigned short> fewer(info.totalWords / 2 + 1, 0xBEEF);
        ASSERT_TRUE(ReadAztecCodewords(table, info.compact, info.layers, info.codewordBits, info.totalWords / 2,
                                       fewer.data()));
        EXPECT_TRUE(std::equal(fewer.begin(), fewer.end() - 1, words.begin()));
        EXPECT_EQ(fewer.back(), 0xBEEF);
        // Any nonzero entry is a dark module, whatever its low bit.
        std::vector<unsigned char> marked = cells;
        for (unsigned char& cell : marked) {
            cell = cell != 0 ? static_cast<unsigned char>(0x80 | (&cell - marked.data()) % 0x7F) : 0;
        }
        std::vector<unsigned short> same(info.totalWords, 0);
        ASSERT_TRUE(ReadAztecCodewords(BinarizationTableForAztec{marked.data(), static_cast<unsigned>(m.size)},
                                       info.compact, info.layers, info.codewordBits, info.totalWords, same.data()));
        EXPECT_TRUE(std::equal(same.begin(), same.end(), words.begin()));
    }
}

TEST(AztecDataPathTest, StructuredAppendWithAndWithoutId)
{
    AztecDataPath path;
    zint_structapp withId{};
    withId.index = 2;
    withId.count = 4;
    std::snprintf(withId.id, sizeof withId.id, "MYID");
    Decoded const a = path.Read(EncodeMatrix(BARCODE_AZTEC, "PART", 0, DATA_MODE, 0, &withId));
    ASSERT_TRUE(a.ok);
    EXPECT_EQ(a.data, "PART");
    EXPECT_EQ(a.aim, "]z6");
    EXPECT_EQ(a.structuredAppend.mode, 1u);
    EXPECT_EQ(a.structuredAppend.value2, 4u);
    EXPECT_EQ(a.structuredAppend.value3, 1u);
    EXPECT_EQ(a.structuredAppend.value1, ((12u * 32 + 24) * 32 + 8) * 32 + 3);  // M Y I D

    // No message ID: the position and count letters follow the latches.
    zint_structapp noId{};
    noId.index = 1;
    noId.count = 3;
    Decoded const b = path.Read(EncodeMatrix(BARCODE_AZTEC, "PART", 0, DATA_MODE, 0, &noId));
    ASSERT_TRUE(b.ok);
    EXPECT_EQ(b.data, "PART");
    EXPECT_EQ(b.structuredAppend.value1, 0u);
    EXPECT_EQ(b.structuredAppend.value2, 3u);
    EXPECT_EQ(b.structuredAppend.value3, 0u);
}

TEST(AztecDataPathTest, RunesOnlyWhenAllowed)
{
    AztecDataPath path;
    for (int value : {0, 7, 255}) {
        Decoded const d = path.Read(EncodeMatrix(BARCODE_AZRUNE, std::to_string(value)), true);
        ASSERT_TRUE(d.ok) << value;
        char expected[4];
        std::snprintf(expected, sizeof expected, "%03d", value);
        EXPECT_EQ(d.data, expected);
        EXPECT_EQ(d.aim, "]zC");
        EXPECT_TRUE(d.information.runes);
    }
}

TEST(AztecDataPathTest, DamageUpToTheCapacityOnly)
{
    AztecDataPath path;
    Matrix m = EncodeMatrix(BARCODE_AZTEC, kText, 3);
    ASSERT_EQ(m.size, 23);
    // Layer 1 (outermost) modules flipped in the top rows: a few codewords.
    Matrix some = m;
    for (int x = 2; x < 8; ++x) {
        some.cells[x] ^= 1;
    }
    EXPECT_EQ(path.Read(some).data, kText);
    // Half the symbol inverted: beyond any correction, and no label.
    Matrix ruined = m;
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 23; ++x) {
            ruined.cells[y * 23 + x] ^= 1;
        }
    }
    EXPECT_FALSE(path.Read(ruined).ok);
}

}  // namespace
}  // namespace aztec_test

namespace aztec_test {
namespace {

// Hand-made data codewords: 5-bit (and 4-bit, 3-bit, 8-bit) fields packed
// into codewords of the given size, padded with ones.
class Stream {
public:
    explicit Stream(unsigned bits) : bits_(bits) {}
    Stream& Put(unsigned value, unsigned width)
    {
        for (unsigned i = width; i-- > 0;) {
            all_.push_back((value >> i) & 1u);
        }
        return *this;
    }
    // The codewords; none is a stuffed value, so the fields read as written.
    std::vector<unsigned short> Words() const
    {
        std::vector<unsigned short> words;
        for (size_t i = 0; i < all_.size(); i += bits_) {
            unsigned w = 0;
            for (unsigned b = 0; b < bits_; ++b) {
                w = (w << 1) | (i + b < all_.size() ? all_[i + b] : 1u);
            }
            EXPECT_NE(w, 1u);
            EXPECT_NE(w, (1u << bits_) - 2);
            words.push_back(static_cast<unsigned short>(w));
        }
        return words;
    }

private:
    unsigned bits_;
    std::vector<unsigned> all_;
};

int Convert(Stream const& s, unsigned bits, DecodedLabel& label, bool suppress = false)
{
    static std::vector<unsigned char> work(DataStreamConversionForAztecCode::kMaxBits);
    std::vector<unsigned short> const words = s.Words();
    DataStreamConversionForAztecCode::Settings settings;
    settings.suppressEci = suppress;
    return DataStreamConversionForAztecCode::Start(words.data(), bits, static_cast<unsigned>(words.size()), settings,
                                                   work.data(), label);
}

std::string Data(DecodedLabel const& label) { return std::string(label.data.GetFirst(), label.data.GetCount()); }

constexpr unsigned kPunctShift = 0;
constexpr unsigned kFlg = 0;
constexpr unsigned kBinaryShift = 31;

TEST(AztecDataStreamTest, EciDigitsMustBeDigits)
{
    DecodedLabel label;
    // FLG(2) with the digits 2 and 6: an escape, and the backslash read
    // in Binary Shift after it doubled.
    Stream eci(6);
    eci.Put(2, 5).Put(kPunctShift, 5).Put(kFlg, 5).Put(2, 3).Put(4, 4).Put(8, 4).Put(kBinaryShift, 5).Put(1, 5);
    eci.Put('\\', 8);
    ASSERT_EQ(Convert(eci, 6, label), 1);
    EXPECT_EQ(Data(label), "A\\000026\\\\");
    // With the escapes suppressed: neither the escape nor the doubling.
    ASSERT_EQ(Convert(eci, 6, label, true), 1);
    EXPECT_EQ(Data(label), "A\\");
    // A digit field of value 12 (",") is no designator: no label.
    Stream comma(6);
    comma.Put(2, 5).Put(kPunctShift, 5).Put(kFlg, 5).Put(2, 3).Put(4, 4).Put(12, 4).Put(5, 5);
    EXPECT_EQ(Convert(comma, 6, label), 0);
    EXPECT_EQ(label.data.GetCount(), 0u);
}

// Text packed into codewords as an encoder stuffs them: b-1 equal bits
// take the other bit after them and carry only those b-1; the end is padded
// with ones. Runs of zero and of all-one bytes (in Binary Shift) between
// letters make many stuffed words at every codeword size, met at every bit
// offset.
TEST(AztecDataStreamTest, StuffedWordsCarryOneBitLess)
{
    std::string text;
    std::vector<unsigned> bits;
    auto put = [&bits](unsigned value, unsigned width) {
        for (unsigned i = width; i-- > 0;) {
            bits.push_back((value >> i) & 1u);
        }
    };
    for (unsigned block = 0; block < 40; ++block) {
        char const letter = static_cast<char>('A' + block % 26);
        put(static_cast<unsigned>(letter - 'A' + 2), 5);
        text += letter;
        unsigned const length = 2 + block % 5;
        put(kBinaryShift, 5);
        put(length, 5);
        for (unsigned i = 0; i < length; ++i) {
            unsigned char const byte = (block + i) % 3 == 0 ? 0xFF : 0x00;
            put(byte, 8);
            text += static_cast<char>(byte);
        }
    }
    for (unsigned const b : {6u, 8u, 10u, 12u}) {
        SCOPED_TRACE(b);
        std::vector<unsigned short> words;
        unsigned stuffed = 0;
        for (std::size_t at = 0; at < bits.size();) {
            unsigned word = 0;
            unsigned taken = 0;
            bool same = true;
            for (; taken + 1 < b; ++taken) {
                unsigned const bit = at + taken < bits.size() ? bits[at + taken] : 1u;
                same = same && (taken == 0 || bit == (word & 1u));
                word = (word << 1) | bit;
            }
            if (same) {
                word = (word << 1) | ((word & 1u) ^ 1u);  // the stuffed bit
                ++stuffed;
            } else {
                unsigned const bit = at + taken < bits.size() ? bits[at + taken] : 1u;
                word = (word << 1) | bit;
                ++taken;
            }
            at += taken;
            words.push_back(static_cast<unsigned short>(word));
        }
        ASSERT_GT(stuffed, 3u);
        static std::vector<unsigned char> work(DataStreamConversionForAztecCode::kMaxBits);
        DecodedLabel label;
        ASSERT_EQ(DataStreamConversionForAztecCode::Start(words.data(), b, static_cast<unsigned>(words.size()),
                                                          DataStreamConversionForAztecCode::Settings{}, work.data(),
                                                          label),
                  1);
        EXPECT_EQ(Data(label), text);
    }
}

TEST(AztecDataStreamTest, LabelBufferOverflowRefused)
{
    // Mixed latch, Punct latch, then one-digit ECIs: 12 bits of symbol
    // write 7 label bytes, so a 32-layer symbol's worth overflows the buffer.
    Stream many(12);
    many.Put(29, 5).Put(30, 5);
    for (int i = 0; i < 1600; ++i) {
        many.Put(kFlg, 5).Put(1, 3).Put(3 + (i % 9), 4);
    }
    DecodedLabel label;
    EXPECT_EQ(Convert(many, 12, label), 0);
    EXPECT_EQ(label.data.GetCount(), 0u);
    // A thousand of them fit.
    Stream fewer(12);
    fewer.Put(29, 5).Put(30, 5);
    for (int i = 0; i < 1000; ++i) {
        fewer.Put(kFlg, 5).Put(1, 3).Put(3 + (i % 9), 4);
    }
    ASSERT_EQ(Convert(fewer, 12, label), 1);
    EXPECT_EQ(label.data.GetCount(), 7000u);
}

TEST(AztecDataStreamTest, StructuredAppendPrefixMustBeComplete)
{
    DecodedLabel label;
    // Mixed latch, Upper latch, then a space, an ID and no closing space.
    Stream open(6);
    open.Put(29, 5).Put(29, 5).Put(1, 5).Put(2, 5).Put(3, 5);
    EXPECT_EQ(Convert(open, 6, label), 0);
    // Position letter beyond the count ("C" of "B").
    Stream beyond(6);
    beyond.Put(29, 5).Put(29, 5).Put(4, 5).Put(3, 5).Put(2, 5);
    EXPECT_EQ(Convert(beyond, 6, label), 0);
}

}  // namespace
}  // namespace aztec_test

#include "tests/support/random.h"

namespace aztec_test {
namespace {

// The longest run of printable text that still fits zint's symbol of this
// version: a symbol filled to the brim keeps the fewest check words, where a
// block of damage is likeliest to land near another message's codewords.
Matrix FullSymbol(int version, support::Random& random, std::string& text)
{
    std::string all;
    for (int i = 0; i < 2000; ++i) {
        all.push_back(static_cast<char>(random.integer(33, 126)));
    }
    int low = 1;
    int high = static_cast<int>(all.size());
    while (low < high) {
        int const middle = (low + high + 1) / 2;
        if (EncodeMatrix(BARCODE_AZTEC, all.substr(0, middle), version).size > 0) {
            low = middle;
        } else {
            high = middle - 1;
        }
    }
    text = all.substr(0, low);
    return EncodeMatrix(BARCODE_AZTEC, text, version);
}

// Data layers ruined past any correction while the bull's-eye and the mode
// ring stay whole: the mode message reads, the data never does. Correcting
// to the full capacity turned about 3 in 100 such compact 1-layer symbols
// into another message; none may read as anything but its own text.
TEST(AztecDataPathTest, DataRuinedPastCorrectionGivesNoOtherLabel)
{
    AztecDataPath path;
    support::Random random(49);
    struct Range {
        int firstVersion;
        int lastVersion;
        int symbols;
    };
    // zint versions 1-4 are compact, 5-36 full range with 1-32 layers.
    for (Range const range : {Range{1, 4, 150}, Range{5, 36, 6}}) {
        for (int version = range.firstVersion; version <= range.lastVersion; ++version) {
            std::string text;
            Matrix const m = FullSymbol(version, random, text);
            ASSERT_GT(m.size, 0) << version;
            int const c = m.size / 2;
            int const core = version <= 4 ? 6 : 8;  // the bull's-eye and the mode ring
            int wrong = 0;
            for (int symbol = 0; symbol < range.symbols; ++symbol) {
                Matrix ruined = m;
                for (int y = 0; y < m.size; ++y) {
                    for (int x = 0; x < m.size; ++x) {
                        bool const inCore = std::abs(x - c) < core && std::abs(y - c) < core;
                        if (!inCore && random.uniform() < 0.3) {
                            ruined.cells[y * m.size + x] ^= 1;
                        }
                    }
                }
                Decoded const d = path.Read(ruined);
                wrong += d.ok && d.data != text ? 1 : 0;
            }
            EXPECT_EQ(wrong, 0) << "version " << version;
        }
    }
}

}  // namespace
}  // namespace aztec_test
