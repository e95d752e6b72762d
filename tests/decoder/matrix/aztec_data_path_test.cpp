// The Aztec data path on zint's own module matrices: mode ring, orientation,
// codeword placement, Reed-Solomon and the data stream, with no image in
// between; and the converter's fault cases on hand-made codewords.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "decoder/matrix/aztec_code_decoder.h"
#include "tests/decoder/matrix/aztec_fixture.h"

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
        Case{"ShortBinary", Bytes(128, 20), 0, DATA_MODE, 0, Bytes(128, 20)},
        Case{"LongBinary", Bytes(0x80, 300), 0, DATA_MODE, 0, Bytes(0x80, 300)},
        Case{"Eci", "A\\B", 0, DATA_MODE, 26, "\\000026A\\\\B", "]z3"},
        Case{"Gs1", "[01]09501101530003[10]ABC[21]12345", 0, GS1_MODE, 0, "010950110153000310ABC\x1d" "2112345",
             "]z1"},
        Case{"Large", std::string(1500, 'x') + Bytes(0xA0, 200), 0, DATA_MODE, 0,
             std::string(1500, 'x') + Bytes(0xA0, 200)}),
    [](auto const& info) { return std::string(info.param.name); });

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
