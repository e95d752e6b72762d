// Codeword lists built by hand for what no encoder here makes: the
// MicroPDF417 header codewords, malformed streams, and composite bit strings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoder/stacked/bitstream_convert.h"
#include "decoder/stacked/cc_abc_decoder.h"

namespace {

using namespace DEC2DIvra;

struct Result {
    bool ok;
    std::string data;
};

Result Convert(std::vector<unsigned short> const& codewords, bool micro = false)
{
    static BitstreamConvert convert;
    static DecodedLabel label;
    label.Clear();
    MicroPDFIdentifier identifier;
    bool composite = false;
    BitstreamConvert::Codewords it(codewords.data(), static_cast<unsigned>(codewords.size()));
    bool const ok = micro ? convert.convertMicroPDF(it, label, identifier) : convert.convertNormalPDF(it, label, composite);
    return {ok, std::string(label.data.GetFirst(), label.data.GetCount())};
}

// Text values (0-29) two to a codeword.
std::vector<unsigned short> Text(std::vector<int> const& values)
{
    std::vector<unsigned short> out;
    for (size_t i = 0; i < values.size(); i += 2) {
        int const low = i + 1 < values.size() ? values[i + 1] : 29;
        out.push_back(static_cast<unsigned short>(values[i] * 30 + low));
    }
    return out;
}

TEST(BitstreamConvert, StreamsGiveTheirBytesOrAreRefused)
{
    // "PDF" in Alpha, latch Mixed, "417".
    std::vector<unsigned short> pdf417 = Text({15, 3, 5, 28, 4, 1, 7});
    pdf417.insert(pdf417.begin(), static_cast<unsigned short>(pdf417.size() + 1));
    std::vector<unsigned short> lowerShift = {0, 900, static_cast<unsigned short>(27 * 30 + 0), 913, 0x41, 1 * 30 + 2};
    lowerShift[0] = static_cast<unsigned short>(lowerShift.size());
    struct Case {
        char const* name;
        std::vector<unsigned short> codewords;
        bool micro;
        bool ok;
        std::string data;
    } const cases[] = {
        {"text with a trailing shift", pdf417, false, true, "PDF417"},
        {"byte shift keeps Lower", lowerShift, false, true, std::string("aAbc")},
        {"901 with five codewords: five bytes", {6, 901, 65, 66, 67, 68, 69}, false, true, "ABCDE"},
        {"901 byte above 255", {3, 901, 256}, false, false, ""},
        {"924 with seven codewords", {9, 924, 1, 2, 3, 4, 5, 6, 7}, false, false, ""},
        {"924 group beyond six bytes", {7, 924, 899, 899, 899, 899, 899}, false, false, ""},
        {"ECI inside a byte run after three", {0, 901, 1, 2, 3, 927, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}, false, false, ""},
        {"reader initialisation is no label", {3, 921, 1}, false, false, ""},
        {"903 in PDF417", {3, 903, 1}, false, false, ""},
        {"latch at the very end", {3, 900, 902}, false, true, ""},
        {"928 without its fields", {3, 928, 1}, false, false, ""},
        {"922 followed by data", {8, 900, 1, 928, 0, 1, 5, 922, 7}, false, false, ""},
        {"922 followed by pads", {9, 900, 1, 928, 0, 1, 5, 922, 900, 900}, false, true, "AB"},
        {"numeric group", {4, 902, 12, 434}, false, true, "1234"},
        {"916 header and trailer", {916, 12, 434}, true, true, "[)>\x1e" "05\x1d" "1234\x1e\x04"},
        {"905 with twelve digits", {905, 15, 624, 1, 1}, true, false, ""},
        {"MicroPDF417 starts in bytes", {65, 66}, true, true, "AB"},
        {"901 with six codewords: six bytes and one", {0, 901, 109, 326, 368, 127, 330, 71}, false, true, "ABCDEFG"},
        {"924 with five codewords: six bytes", {0, 924, 109, 326, 368, 127, 330}, false, true, "ABCDEF"},
        {"ECI inside a byte run after five", {0, 901, 109, 326, 368, 127, 330, 927, 3, 71}, false, true, "ABCDEFG"},
        {"ECI of two parameters resumes text", {0, 900, 1, 926, 5, 6, 1}, false, true, "ABAB"},
        {"ECI missing its parameter", {0, 900, 1, 925}, false, false, ""},
        {"numeric group of 44 digits",
         {0, 902, 491, 81, 137, 450, 302, 67, 15, 174, 492, 862, 667, 475, 869, 12, 434}, false, true,
         "12345678901234567890123456789012345678901234"},
        {"optional file name", {0, 900, 1, 928, 0, 1, 5, 923, 0, 1, 2, 922}, false, true, "AB"},
        {"optional file name left empty", {0, 900, 1, 928, 0, 1, 5, 923, 0, 922}, false, false, ""},
        {"optional segment count of two", {0, 900, 1, 928, 0, 1, 5, 923, 1, 0, 3, 922}, false, true, "AB"},
        {"optional segment count of three", {0, 900, 1, 928, 0, 1, 5, 923, 1, 0, 3, 4, 922}, false, false, ""},
        {"optional time stamp with a mode codeword", {0, 900, 1, 928, 0, 1, 5, 923, 2, 1, 2, 900, 4, 922}, false,
         false, ""},
        {"optional field designator 7", {0, 900, 1, 928, 0, 1, 5, 923, 7, 1, 922}, false, false, ""},
    };
    for (Case const& c : cases) {
        std::vector<unsigned short> codewords = c.codewords;
        if (!c.micro && codewords[0] == 0) {
            codewords[0] = static_cast<unsigned short>(codewords.size());
        }
        Result const r = Convert(codewords, c.micro);
        EXPECT_EQ(r.ok, c.ok) << c.name;
        if (c.ok) {
            EXPECT_EQ(r.data, c.data) << c.name;
        }
    }
}

std::string Bits(std::string const& bits, bool* ok = nullptr)
{
    std::vector<char> bytes((bits.size() + 7) / 8, 0);
    for (size_t i = 0; i < bits.size(); ++i) {
        if (bits[i] == '1') {
            bytes[i / 8] = static_cast<char>(bytes[i / 8] | (0x80 >> (i % 8)));
        }
    }
    char out[256];
    StackInterface<char> label(out, sizeof(out));
    bool const decoded = CC_ABC_Decoder::DecodeCC_ABC(bytes.data(), static_cast<unsigned>(bits.size()), label);
    if (ok != nullptr) {
        *ok = decoded;
    }
    return decoded ? std::string(out, label.GetCount()) : std::string("<refused>");
}

std::string Binary(unsigned value, unsigned width)
{
    std::string s;
    for (unsigned i = width; i-- > 0;) {
        s.push_back(((value >> i) & 1u) != 0 ? '1' : '0');
    }
    return s;
}

TEST(CompositeData, EncodationMethodsAndModes)
{
    // Method 10: date 9231 with f = 1, latch to alphanumeric, "ABC".
    std::string const abc = "0000" + std::string("1") + Binary(0, 5) + "1" + Binary(1, 5) + "1" + Binary(2, 5);
    EXPECT_EQ(Bits("10" + Binary(9231, 16) + "1" + abc), "17240115" "10" "ABC");
    // An empty batch: numeric data starting with the FNC1 value 10.
    EXPECT_EQ(Bits("10" + Binary(9231, 16) + "1" + Binary(8 + 10 * 11 + 2, 7) + Binary(8 + 1 * 11 + 2, 7)),
              "17240115" "2" "12");
    // A year beyond two digits is refused.
    EXPECT_EQ(Bits("10" + Binary(100u * 384u, 16) + "1" + abc), "<refused>");
    // Numeric mode with four bits left ends with one digit.
    EXPECT_EQ(Bits("0" + Binary(8 + 1 * 11 + 2, 7) + Binary(5, 4)), "124");
    // A trailing FNC1 is dropped.
    EXPECT_EQ(Bits("0" + Binary(8 + 1 * 11 + 10, 7)), "1");
    // Method 11 with AI 21 following: inserted after the first FNC1.
    std::string const ai90 = "11" "0" "10" + Binary(5, 5) + Binary(2, 4) + "1" + Binary(3, 5) + Binary(15, 5);
    EXPECT_EQ(Bits(ai90 + Binary(8 + 4 * 11 + 2, 7)), "905H" "D" "\x1d" "21" "42");
    // ISO/IEC 646: lower case and punctuation.
    std::string const iso = "0" "0000" "0" "0100" + Binary(0x61 - 7, 7) + Binary(232, 8);
    EXPECT_EQ(Bits(iso), "a!");
}

}  // namespace
