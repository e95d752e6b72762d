// The ECC 200 data encodation on hand-built codeword streams: what zint does
// not make (invalid codewords, streams cut short, a label that would not fit),
// and the records zint's symbols cannot carry here (structured append).

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "decoder/matrix/data_matrix/data_matrix_data_stream.h"

namespace data_matrix_data_stream_test {
namespace {

using DEC2DIvra::DataMatrixDataStream;

// The 255-state randomising of a Base 256 value at (1-based) stream position.
unsigned short Randomise(unsigned value, unsigned position)
{
    return static_cast<unsigned short>((value + (149 * position) % 255 + 1) % 256);
}

// A Base 256 field of `bytes` after the codewords already in `stream`.
void AppendBase256(std::vector<unsigned short>& stream, std::string const& bytes)
{
    stream.push_back(231);
    unsigned const length = static_cast<unsigned>(bytes.size());
    if (length < 250) {
        stream.push_back(Randomise(length, static_cast<unsigned>(stream.size()) + 1));
    } else {
        stream.push_back(Randomise(length / 250 + 249, static_cast<unsigned>(stream.size()) + 1));
        stream.push_back(Randomise(length % 250, static_cast<unsigned>(stream.size()) + 1));
    }
    for (char c : bytes) {
        stream.push_back(Randomise(static_cast<unsigned char>(c), static_cast<unsigned>(stream.size()) + 1));
    }
}

struct Case {
    char const* name;
    std::vector<unsigned short> codewords;
    std::optional<std::string> data;  // nullopt: the conversion fails
    unsigned modifier = 0;
    bool suppressEci = false;
};

void PrintTo(Case const& c, std::ostream* os) { *os << c.name; }

class DataMatrixDataStreamTest : public ::testing::TestWithParam<Case> {};

TEST_P(DataMatrixDataStreamTest, Converts)
{
    Case const& c = GetParam();
    DEC2DIvra::DecodedLabel label;
    DataMatrixDataStream::Result result;
    bool const ok = DataMatrixDataStream::Start(c.codewords.data(), static_cast<unsigned>(c.codewords.size()),
                                                c.suppressEci, label, result);
    ASSERT_EQ(ok, c.data.has_value());
    if (ok) {
        EXPECT_EQ(std::string(label.data.GetFirst(), label.data.GetCount()), *c.data);
        EXPECT_EQ(result.modifier, c.modifier);
    }
}

// Fields of 1,200 backslashes (a field holds 1,749 bytes at most), after an
// ECI escape or not.
std::vector<unsigned short> Backslashes(unsigned fields, bool eci)
{
    std::vector<unsigned short> s;
    if (eci) {
        s = {241, 4};  // ECI 3
    }
    for (unsigned i = 0; i < fields; ++i) {
        AppendBase256(s, std::string(1200, '\\'));
    }
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Streams, DataMatrixDataStreamTest,
    ::testing::Values(
        Case{"AsciiDigitPairsAndPadding", {66, 142, 229, 129, 0, 0}, "A1299"},
        Case{"UpperShift", {235, 66}, "\xc1"},
        Case{"NotACodeword", {66, 0, 67}, std::nullopt},
        Case{"ReservedCodeword", {66, 250}, std::nullopt},
        Case{"UpperShiftBeforePad", {235, 129}, std::nullopt},
        // C40 "AB" then Shift 2 with the stream ended behind it.
        Case{"C40ShiftWithNothingBehind", {230, static_cast<unsigned short>((14 * 1600 + 15 * 40 + 1 + 1) >> 8),
                                           static_cast<unsigned short>((14 * 1600 + 15 * 40 + 1 + 1) & 0xFF)},
             std::nullopt},
        // "AB" and a Shift 1 filling the pair, then the stream's end or an
        // unlatch: the Shift 1 stands for nothing.
        Case{"C40PairFilledWithShift1", {230, static_cast<unsigned short>((14 * 1600 + 15 * 40 + 0 + 1) >> 8),
                                         static_cast<unsigned short>((14 * 1600 + 15 * 40 + 0 + 1) & 0xFF)},
             "AB"},
        Case{"TextPairFilledWithShift1ThenAscii", {239, static_cast<unsigned short>((14 * 1600 + 15 * 40 + 0 + 1) >> 8),
                                                   static_cast<unsigned short>((14 * 1600 + 15 * 40 + 0 + 1) & 0xFF),
                                                   254, 50},
             "ab1"},
        Case{"C40UnlatchToAscii", {230, static_cast<unsigned short>((14 * 1600 + 15 * 40 + 16 + 1) >> 8),
                                   static_cast<unsigned short>((14 * 1600 + 15 * 40 + 16 + 1) & 0xFF), 254, 50},
             "ABC1"},
        Case{"EdifactUnlatch", {240, 0x04, 0x27, 0xC0, 66}, "ABA"},
        Case{"Base256LongerThanTheSymbol", {231, Randomise(20, 2), Randomise('x', 3)}, std::nullopt},
        Case{"Fnc1FirstAndSeparator", {232, 140, 232, 66}, "10\x1d" "A", DataMatrixDataStream::kFnc1First},
        Case{"Fnc1AfterOneLetter", {66, 232, 140}, "A10", DataMatrixDataStream::kFnc1Second},
        Case{"EciEscapeAndEarlierBackslashDoubled", {93, 241, 27, 93}, "\\\\\\000026\\\\", DataMatrixDataStream::kEci},
        Case{"EciSuppressed", {93, 241, 27, 93}, "\\\\", 0, true},
        Case{"EciAboveSixDigits", {241, 253, 254, 254, 66}, std::nullopt},
        Case{"MacroNotFirst", {66, 236}, std::nullopt},
        Case{"StructuredAppendNotFirst", {66, 233, 0x1E, 5, 7}, std::nullopt},
        // 4,800 backslashes fit the 8,192-byte label; doubled after an ECI
        // they do not, and the conversion fails rather than cut the data.
        Case{"LongBase256Fits", Backslashes(4, false), std::string(4800, '\\')},
        Case{"DoubledBackslashesOverflowTheLabel", Backslashes(4, true), std::nullopt}),
    [](::testing::TestParamInfo<Case> const& info) { return std::string(info.param.name); });

TEST(DataMatrixDataStreamRecord, StructuredAppendGivesPositionCountAndFile)
{
    // Symbol 2 of 3 of file 5 x 256 + 7.
    unsigned short const codewords[] = {233, (1 << 4) | (17 - 3), 5, 7, 232, 66};
    DEC2DIvra::DecodedLabel label;
    DataMatrixDataStream::Result result;
    ASSERT_TRUE(DataMatrixDataStream::Start(codewords, 6, false, label, result));
    EXPECT_EQ(std::string(label.data.GetFirst(), label.data.GetCount()), "A");
    EXPECT_EQ(result.modifier, DataMatrixDataStream::kFnc1First);  // FNC1 right behind the header is first
    EXPECT_EQ(result.append.mode, 1u);
    EXPECT_EQ(result.append.value1, 5u * 256 + 7);
    EXPECT_EQ(result.append.value2, 3u);
    EXPECT_EQ(result.append.value3, 1u);
}

}  // namespace
}  // namespace data_matrix_data_stream_test
