// Every data encodation zint chooses, with and without an ECI, read from
// zint symbols through DEC2D_Main: the label's bytes exactly as encoded.
// zint picks the encodation from the data; each case's data is one that
// makes it take the path named (its codewords were looked at once).

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/decoder/matrix/handle_harness.h"
#include "tests/support/symbol_renderer.h"

namespace data_matrix_encodation_test {
namespace {

using Label = matrix_test::HandleLabel;
using Harness = matrix_test::HandleHarness;

struct Case {
    char const* name;
    std::string data;  // the bytes given to zint
    int eci = 0;
    int inputMode = DATA_MODE;
    std::string label;  // what the label must hold
    char const* aim = "]d1";
};

void PrintTo(Case const& c, std::ostream* os) { *os << c.name; }

// "Größe Äpfel café" in Latin-1: "Gr" in ASCII, a Base 256 field, then Text
// whose last pair ends on the upper-shifted é and a Shift 1 filling the pair.
std::string const kLatin1 = "Gr\xF6\xDF" "e \xC4pfel caf\xE9";

std::string Eci(char const* number, std::string const& data)
{
    std::string escaped = std::string("\\") + number;
    for (char c : data) {
        escaped += c;
        if (c == '\\') {
            escaped += c;
        }
    }
    return escaped;
}

class DataMatrixEncodationTest : public ::testing::TestWithParam<Case> {
protected:
    Harness harness;
};

TEST_P(DataMatrixEncodationTest, LabelHoldsTheBytesEncoded)
{
    Case const& c = GetParam();
    ASSERT_TRUE(harness.IsReady());
    support::SymbolInput const input{
        .symbology = BARCODE_DATAMATRIX, .data = c.data, .inputMode = c.inputMode, .eci = c.eci};
    for (double moduleSize : {2.0, 3.0, 4.0}) {
        SCOPED_TRACE(moduleSize);
        support::Rendering const r =
            support::render(input, {.background = 900, .moduleSize = moduleSize});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        std::vector<Label> const& labels = harness.Read(r.frame);
        ASSERT_EQ(labels.size(), 1u);
        EXPECT_EQ(labels[0].data, c.label);
        EXPECT_EQ(labels[0].aim, c.aim);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Zint, DataMatrixEncodationTest,
    ::testing::Values(
        Case{"AsciiWithUpperShift", "caf\xE9 ok", 0, DATA_MODE, "caf\xE9 ok"},
        Case{"C40", "ABCDEFGHIJKLMNOPQRSTUV", 0, DATA_MODE, "ABCDEFGHIJKLMNOPQRSTUV"},
        // C40 and Text end on an upper-shifted letter and a Shift 1 that
        // fills the last pair.
        Case{"C40UpperShiftAndFilledPair", "ABCDEFGH CAF\xC9", 0, DATA_MODE, "ABCDEFGH CAF\xC9"},
        Case{"Text", "abcdefghijklmnopqrstuv", 0, DATA_MODE, "abcdefghijklmnopqrstuv"},
        Case{"TextUpperShiftAndFilledPair", "abcdefgh caf\xE9", 0, DATA_MODE, "abcdefgh caf\xE9"},
        Case{"X12", "ABC*123>XYZ*456>QRS*78", 0, DATA_MODE, "ABC*123>XYZ*456>QRS*78"},
        Case{"Edifact", "AB=CD;EF@GH:IJ?KL=MN;OP.QR,", 0, DATA_MODE, "AB=CD;EF@GH:IJ?KL=MN;OP.QR,"},
        Case{"Base256", std::string("\x01\x80\xFF\x00" "binary\x9F", 11), 0, DATA_MODE,
             std::string("\x01\x80\xFF\x00" "binary\x9F", 11)},
        Case{"Latin1AsciiBase256AndText", kLatin1, 0, DATA_MODE, kLatin1},
        Case{"Latin1UnderEci3", kLatin1, 3, DATA_MODE, Eci("000003", kLatin1), "]d4"},
        Case{"C40UnderEci3", "ABCDEFGHIJKLMNOPQRST", 3, DATA_MODE, Eci("000003", "ABCDEFGHIJKLMNOPQRST"), "]d4"},
        Case{"TextWithBackslashUnderEci3", "a\\bcdefghijklmnopqrst", 3, DATA_MODE,
             Eci("000003", "a\\bcdefghijklmnopqrst"), "]d4"},
        Case{"EdifactUnderEci3", "AB=CD;EF@GH:IJ?KL=MN;OP.QR,", 3, DATA_MODE,
             Eci("000003", "AB=CD;EF@GH:IJ?KL=MN;OP.QR,"), "]d4"},
        // UTF-8 text under ECI 26 stays UTF-8: Base 256 and ASCII upper shift.
        Case{"Utf8UnderEci26", "Gr\xC3\xB6\xC3\x9F" "e \xC3\x84pfel", 26, UNICODE_MODE,
             Eci("000026", "Gr\xC3\xB6\xC3\x9F" "e \xC3\x84pfel"), "]d4"},
        // zint turns UTF-8 into Latin-1 for ECI 3.
        Case{"Utf8GivenAsLatin1UnderEci3", "Gr\xC3\xB6\xC3\x9F" "e \xC3\x84pfel caf\xC3\xA9", 3, UNICODE_MODE,
             Eci("000003", kLatin1), "]d4"},
        Case{"Gs1WithEci", "[10]ABC123[21]XYZ", 3, GS1_MODE, Eci("000003", "10ABC123\x1d" "21XYZ"), "]d5"}),
    [](::testing::TestParamInfo<Case> const& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace data_matrix_encodation_test
