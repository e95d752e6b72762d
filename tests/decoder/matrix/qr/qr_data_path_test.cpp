// The QR data path without images: block tables against the symbol area,
// format and version information, and the data stream converter on
// hand-built streams (its faults: values out of range, text longer than the
// label, ECI escapes and FNC1).

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "config/configuration_manager.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/matrix/qr/qr_codeword_placement.h"
#include "decoder/matrix/qr/qr_data_stream_conversion.h"
#include "decoder/matrix/qr/qr_format_information.h"
#include "decoder/matrix/qr/qr_version_tables.h"

namespace qr_test {
namespace {

using namespace DEC2DIvra;

TEST(QRTablesTest, EveryLevelFillsTheSymbolArea)
{
    for (unsigned version = 1; version <= 40; ++version) {
        unsigned const size = QRVersionTables::GetSize(version);
        unsigned modules = 0;
        for (unsigned y = 0; y < size; ++y) {
            for (unsigned x = 0; x < size; ++x) {
                modules += QRCodewordPlacement::IsFunctionModule(false, version, x, y) ? 0u : 1u;
            }
        }
        for (unsigned level = 0; level < 4; ++level) {
            EXPECT_EQ(QRVersionTables::GetBlockLayout(version, level).TotalCount(), modules / 8)
                << "version " << version << " level " << level;
        }
    }
    for (unsigned number = 0; number < 8; ++number) {
        MicroQRSymbol const* symbol = QRVersionTables::GetMicroSymbol(number);
        ASSERT_NE(symbol, nullptr);
        unsigned const size = QRVersionTables::GetMicroSize(symbol->version);
        unsigned modules = 0;
        for (unsigned y = 0; y < size; ++y) {
            for (unsigned x = 0; x < size; ++x) {
                modules += QRCodewordPlacement::IsFunctionModule(true, symbol->version, x, y) ? 0u : 1u;
            }
        }
        bool const half = symbol->version == 1 || symbol->version == 3;
        EXPECT_EQ((symbol->data + symbol->check) * 8u - (half ? 4u : 0u), modules) << "symbol " << number;
    }
    EXPECT_EQ(QRVersionTables::GetMicroSymbol(8), nullptr);
}

// The codewords as the placement rule gives them, one module at a time:
// pairs of columns from the right, up and down in turn, skipping function
// modules and (Model 2) the vertical timing column.
std::vector<unsigned> WalkCodewords(std::vector<unsigned char> const& dark, std::vector<unsigned short> const& contrast,
                                    bool micro, unsigned version, unsigned size, unsigned mask, unsigned halfIndex,
                                    std::vector<unsigned>& weakest)
{
    std::vector<unsigned> words;
    unsigned value = 0;
    unsigned bits = 0;
    unsigned low = 0xFFFFu;
    bool upward = true;
    for (int right = static_cast<int>(size) - 1; right >= 1; right -= 2) {
        if (!micro && right == 6) {
            right = 5;
        }
        for (unsigned step = 0; step < size; ++step) {
            unsigned const y = upward ? size - 1 - step : step;
            for (int x = right; x >= right - 1; --x) {
                unsigned const ux = static_cast<unsigned>(x);
                if (QRCodewordPlacement::IsFunctionModule(micro, version, ux, y)) {
                    continue;
                }
                unsigned const bit = dark[y * size + ux] ^ (QRCodewordPlacement::IsMaskedDark(micro, mask, ux, y) ? 1u : 0u);
                value = value << 1 | bit;
                low = std::min<unsigned>(low, contrast[y * size + ux]);
                unsigned const width = words.size() == halfIndex ? 4u : 8u;
                if (++bits == width) {
                    words.push_back(width == 4 ? value << 4 : value);
                    weakest.push_back(low);
                    value = 0;
                    bits = 0;
                    low = 0xFFFFu;
                }
            }
        }
        upward = !upward;
    }
    return words;
}

TEST(QRPlacementTest, ReadMatchesTheModuleByModuleWalk)
{
    struct Case {
        bool micro;
        unsigned version;
        unsigned halfIndex;
    };
    // Versions around each change of the function modules: the first with
    // alignment patterns, with version information, with more alignment
    // rows, and the largest; Micro QR with and without a half codeword.
    Case const cases[] = {{false, 1, QRCodewordPlacement::kNoHalfCodeword},
                          {false, 2, QRCodewordPlacement::kNoHalfCodeword},
                          {false, 6, QRCodewordPlacement::kNoHalfCodeword},
                          {false, 7, QRCodewordPlacement::kNoHalfCodeword},
                          {false, 14, QRCodewordPlacement::kNoHalfCodeword},
                          {false, 22, QRCodewordPlacement::kNoHalfCodeword},
                          {false, 40, QRCodewordPlacement::kNoHalfCodeword},
                          {true, 1, 2},
                          {true, 2, QRCodewordPlacement::kNoHalfCodeword},
                          {true, 3, 10},
                          {true, 4, QRCodewordPlacement::kNoHalfCodeword}};
    unsigned seed = 12345;
    for (Case const& c : cases) {
        unsigned const size = c.micro ? QRVersionTables::GetMicroSize(c.version) : QRVersionTables::GetSize(c.version);
        std::vector<unsigned char> dark(size * size);
        std::vector<unsigned short> contrast(size * size);
        for (unsigned i = 0; i < size * size; ++i) {
            seed = seed * 1103515245u + 12345u;
            dark[i] = static_cast<unsigned char>(seed >> 30 & 1u);
            contrast[i] = static_cast<unsigned short>(seed >> 16 & 0x3FFu);
        }
        QRModuleView const view{dark.data(), contrast.data(), size};
        for (unsigned mask = 0; mask < (c.micro ? 4u : 8u); ++mask) {
            std::vector<unsigned> weakest;
            std::vector<unsigned> const expected =
                WalkCodewords(dark, contrast, c.micro, c.version, size, mask, c.halfIndex, weakest);
            std::vector<unsigned short> words(4000);
            std::vector<unsigned short> low(4000);
            unsigned const count =
                QRCodewordPlacement::Read(view, c.micro, c.version, mask, c.halfIndex, words.data(), low.data(), 4000);
            ASSERT_EQ(count, expected.size()) << "version " << c.version << " mask " << mask;
            EXPECT_EQ(std::vector<unsigned>(words.begin(), words.begin() + count), expected)
                << (c.micro ? "M" : "") << c.version << " mask " << mask;
            EXPECT_EQ(std::vector<unsigned>(low.begin(), low.begin() + count), weakest)
                << (c.micro ? "M" : "") << c.version << " mask " << mask;
        }
    }
}

TEST(QRTablesTest, AlignmentCentresOfKnownVersions)
{
    struct Case {
        unsigned version;
        std::vector<unsigned> centres;
    };
    Case const cases[] = {{1, {}},
                          {2, {6, 18}},
                          {7, {6, 22, 38}},
                          {32, {6, 34, 60, 86, 112, 138}},
                          {36, {6, 24, 50, 76, 102, 128, 154}},
                          {40, {6, 30, 58, 86, 114, 142, 170}}};
    for (Case const& c : cases) {
        unsigned char positions[QRVersionTables::kMaxAlignment] = {};
        unsigned const count = QRVersionTables::GetAlignmentPositions(c.version, positions);
        EXPECT_EQ(std::vector<unsigned>(positions, positions + count), c.centres) << "version " << c.version;
    }
}

TEST(QRFormatTest, FormatAndVersionWordsCorrectThreeBitsAndNoMore)
{
    // Published words: level M mask 0 is all zero before the mask, level L
    // mask 0 reads 111011111000100; version 7 is 0x07C94.
    EXPECT_EQ(QRFormatDecoder::EncodeFormat(0), 0u);
    EXPECT_EQ(QRFormatDecoder::EncodeFormat(0b01000) ^ QRFormatDecoder::kQRMask, 0b111011111000100u);
    EXPECT_EQ(QRFormatDecoder::EncodeVersion(7), 0x07C94u);
    EXPECT_EQ(QRFormatDecoder::EncodeVersion(40), 0x28C69u);
    for (unsigned data = 0; data < 32; ++data) {
        unsigned const word = QRFormatDecoder::EncodeFormat(data) ^ QRFormatDecoder::kQRMask;
        unsigned const flips[] = {0u, 1u << 14, (1u << 3) | (1u << 9), (1u << 0) | (1u << 7) | (1u << 12)};
        for (unsigned flip : flips) {
            QRFormatInformation format;
            ASSERT_TRUE(QRFormatDecoder::DecodeFormat(word ^ flip, QRFormatDecoder::kQRMask, false, format));
            EXPECT_EQ(format.level * 8 + format.mask, data);
        }
    }
    for (unsigned version = 7; version <= 40; ++version) {
        unsigned decoded = 0;
        unsigned distance = 0;
        unsigned const word = QRFormatDecoder::EncodeVersion(version) ^ 0x20041u;
        ASSERT_TRUE(QRFormatDecoder::DecodeVersion(word, decoded, distance));
        EXPECT_EQ(decoded, version);
        EXPECT_EQ(distance, 3u);
    }
    unsigned decoded = 0;
    unsigned distance = 0;
    EXPECT_FALSE(QRFormatDecoder::DecodeVersion(QRFormatDecoder::EncodeVersion(7) ^ 0x3F000u, decoded, distance));
}

TEST(QRFormatTest, BCHWordsWithinThreeBitsGiveTheirCodewordAndTheErrors)
{
    struct Case {
        unsigned short received;
        int result;
        unsigned short codeword;  // as left by the call, which starts from 0xAAAA
        unsigned errors;
    };
    Case const cases[] = {
        {0x0000, 1, 0x0000, 0},                   // data 0
        {0x0537, 1, 0x0537, 0},                   // data 1 as it stands
        {0x7FFF, 1, 0x7FFF, 0},                   // data 31
        {0x0537 ^ 0x4101, 1, 0x0537, 3},          // three flips corrected
        {0x0007, 1, 0x0000, 3},
        {0x000F, 0, 0xAAAA, 11},                  // four from 0: none within three
    };
    for (Case const& c : cases) {
        unsigned short codeword = 0xAAAA;
        unsigned errors = 99;
        EXPECT_EQ(BCHCode::DecodeBCH15_5(c.received, codeword, errors), c.result) << std::hex << c.received;
        EXPECT_EQ(codeword, c.codeword) << std::hex << c.received;
        if (c.result == 1) {
            EXPECT_EQ(errors, c.errors) << std::hex << c.received;
        } else {
            EXPECT_GT(errors, 3u) << std::hex << c.received;
        }
    }
}

// Most significant bit first, packed into 8-bit codewords.
class Stream {
public:
    Stream& Put(unsigned value, unsigned bits)
    {
        for (unsigned i = bits; i-- > 0;) {
            bits_.push_back(((value >> i) & 1u) != 0);
        }
        return *this;
    }
    std::vector<unsigned short> Codewords() const
    {
        std::vector<unsigned short> words((bits_.size() + 7) / 8, 0);
        for (size_t i = 0; i < bits_.size(); ++i) {
            if (bits_[i]) {
                words[i / 8] = static_cast<unsigned short>(words[i / 8] | (0x80u >> (i % 8)));
            }
        }
        return words;
    }

private:
    std::vector<bool> bits_;
};

class QRDataStreamTest : public ::testing::Test {
protected:
    struct Result {
        bool ok = false;
        std::string text;
        std::string aim;
    };

    Result Convert(Stream const& stream, QRModel model = QRModel::kModel2, unsigned version = 1)
    {
        std::vector<unsigned short> const words = stream.Codewords();
        Result r;
        r.ok = converter_.Start(model, version, VirtualArray<unsigned short const>(words.data(), words.size()),
                                *label_) != 0;
        r.text.assign(label_->data.GetFirst(), label_->data.GetCount());
        char aim[8] = {};
        label_->identifier.GetAIMIdentifier(aim, sizeof aim);
        r.aim = aim;
        return r;
    }

    ivra_configuration::ConfigurationManager manager_;
    std::unique_ptr<DEC2DProperty> property_ = std::make_unique<DEC2DProperty>(manager_.Root());
    DataStreamConversionForQRCode converter_{property_->common_2d, property_->qr_code};
    std::unique_ptr<DecodedLabel> label_ = std::make_unique<DecodedLabel>();
};

TEST_F(QRDataStreamTest, SegmentsAndIdentifiers)
{
    struct Case {
        char const* name;
        Stream stream;
        char const* text;
        char const* aim;
    };
    Case const cases[] = {
        {"numeric groups of 3", Stream().Put(1, 4).Put(6, 10).Put(12, 10).Put(3, 10).Put(0, 4), "012003", "]Q1"},
        {"numeric, two left", Stream().Put(1, 4).Put(5, 10).Put(12, 10).Put(3, 7), "01203", "]Q1"},
        {"numeric, one left", Stream().Put(1, 4).Put(4, 10).Put(123, 10).Put(4, 4), "1234", "]Q1"},
        {"alphanumeric pair and single", Stream().Put(2, 4).Put(3, 9).Put(10 * 45 + 36, 11).Put(44, 6), "A :", "]Q1"},
        {"byte then terminator", Stream().Put(4, 4).Put(2, 8).Put('h', 8).Put('i', 8).Put(0, 4), "hi", "]Q1"},
        {"indicator 13 skipped", Stream().Put(13, 4).Put(4, 4).Put(1, 8).Put('x', 8), "x", "]Q1"},
        {"ends after a segment", Stream().Put(4, 4).Put(1, 8).Put('z', 8), "z", "]Q1"},
        {"Kanji to Shift JIS", Stream().Put(8, 4).Put(1, 8).Put(0x0D9F, 13), "\x93\x5F", "]Q1"},
        {"ECI doubles every backslash",
         Stream().Put(4, 4).Put(1, 8).Put('\\', 8).Put(7, 4).Put(26, 8).Put(4, 4).Put(1, 8).Put('\\', 8),
         "\\\\\\000026\\\\", "]Q2"},
        {"two-byte ECI", Stream().Put(7, 4).Put(0x80 | 0x03, 8).Put(0xE8, 8).Put(4, 4).Put(0, 8), "\\001000", "]Q2"},
        {"FNC1 first: % to GS, %% to %", Stream().Put(5, 4).Put(2, 4).Put(3, 9).Put(38 * 45 + 38, 11).Put(38, 6),
         "%\x1D", "]Q3"},
        {"FNC1 second, indicator 37", Stream().Put(9, 4).Put(37, 8).Put(4, 4).Put(1, 8).Put('q', 8), "37q", "]Q5"},
        {"FNC1 second, indicator 165", Stream().Put(9, 4).Put(165, 8), "A", "]Q5"},
    };
    for (Case const& c : cases) {
        Result const r = Convert(c.stream);
        EXPECT_TRUE(r.ok) << c.name;
        EXPECT_EQ(r.text, c.text) << c.name;
        EXPECT_EQ(r.aim, c.aim) << c.name;
    }
}

TEST_F(QRDataStreamTest, ValuesNoEncoderWritesFailTheSymbol)
{
    Stream const cases[] = {
        Stream().Put(1, 4).Put(3, 10).Put(1000, 10),          // three digits above 999
        Stream().Put(1, 4).Put(2, 10).Put(100, 7),            // two digits above 99
        Stream().Put(1, 4).Put(1, 10).Put(10, 4),             // one digit above 9
        Stream().Put(2, 4).Put(2, 9).Put(45 * 45, 11),        // pair above "::"
        Stream().Put(2, 4).Put(1, 9).Put(45, 6),              // single above ":"
        Stream().Put(7, 4).Put(0xCF, 8).Put(0x4240, 16),      // ECI 1000000
        Stream().Put(4, 4).Put(3, 8).Put('a', 8),             // byte count beyond the data
        Stream().Put(0, 4),                                   // no data: all-zero codewords
    };
    for (Stream const& stream : cases) {
        EXPECT_FALSE(Convert(stream).ok);
    }
}

TEST_F(QRDataStreamTest, TextLongerThanTheLabelFails)
{
    // 1200 ECI designators of 7 bytes each ask for 8400 bytes.
    Stream stream;
    for (unsigned i = 0; i < 1200; ++i) {
        stream.Put(7, 4).Put(3, 8);
    }
    EXPECT_FALSE(Convert(stream, QRModel::kModel2, 40).ok);
    // Doubling the backslashes already written at the first ECI.
    Stream doubling;
    doubling.Put(4, 4).Put(5000, 16);
    for (unsigned i = 0; i < 5000; ++i) {
        doubling.Put('\\', 8);
    }
    doubling.Put(7, 4).Put(3, 8);
    EXPECT_FALSE(Convert(doubling, QRModel::kModel2, 40).ok);
}

TEST_F(QRDataStreamTest, ModelsAndStructuredAppend)
{
    Result const model1 = Convert(Stream().Put(0, 4).Put(4, 4).Put(1, 8).Put('m', 8), QRModel::kModel1);
    EXPECT_TRUE(model1.ok);
    EXPECT_EQ(model1.text, "m");
    EXPECT_EQ(model1.aim, "]Q0");

    // An M1 numeric segment of no digits: a symbol of no data gives no label.
    EXPECT_FALSE(Convert(Stream().Put(0, 3).Put(0, 17), QRModel::kMicro, 1).ok);
    Result const m1 = Convert(Stream().Put(1, 3).Put(7, 4).Put(0, 13), QRModel::kMicro, 1);
    EXPECT_TRUE(m1.ok);
    EXPECT_EQ(m1.text, "7");
    Result const m2 = Convert(Stream().Put(1, 1).Put(1, 3).Put(10, 6).Put(0, 5), QRModel::kMicro, 2);
    EXPECT_TRUE(m2.ok);
    EXPECT_EQ(m2.text, "A");
    EXPECT_EQ(m2.aim, "]Q1");
    EXPECT_FALSE(Convert(Stream().Put(2, 2).Put(1, 4).Put('b', 8), QRModel::kMicro, 2).ok);  // no byte mode in M2

    Result const appended =
        Convert(Stream().Put(3, 4).Put(1, 4).Put(2, 4).Put(0x5A, 8).Put(4, 4).Put(1, 8).Put('s', 8));
    EXPECT_TRUE(appended.ok);
    EXPECT_EQ(label_->structuredAppend.mode, 1u);
    EXPECT_EQ(label_->structuredAppend.value1, 0x5Au);
    EXPECT_EQ(label_->structuredAppend.value2, 3u);
    EXPECT_EQ(label_->structuredAppend.value3, 1u);
}

}  // namespace
}  // namespace qr_test
