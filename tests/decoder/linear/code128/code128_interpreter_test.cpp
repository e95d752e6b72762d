#include "decoder/linear/code128/code128_interpreter.h"

#include <gtest/gtest.h>

#include "tests/decoder/linear/code128/code128_fixture.h"

namespace code128_test {
namespace {

using DEC2DIvra::Code128Interpretation;
using DEC2DIvra::Code128Interpreter;

std::vector<unsigned char> Bytes(std::vector<int> const& values)
{
    std::vector<unsigned char> out;
    for (int v : values) {
        out.push_back(static_cast<unsigned char>(v < 0 ? 255 : v));
    }
    return out;
}

// Values with the check character inserted before the stop.
std::vector<unsigned char> WithCheck(std::vector<int> values)
{
    long long sum = values[0];
    for (size_t i = 1; i + 1 < values.size(); ++i) {
        sum += static_cast<long long>(i) * values[i];
    }
    values.insert(values.end() - 1, static_cast<int>(sum % 103));
    return Bytes(values);
}

struct Interpreted {
    bool ok = false;
    std::string data;
    Code128Interpretation reading;
};

Interpreted Interpret(std::vector<unsigned char> const& values, unsigned capacity = 8192)
{
    std::vector<char> buffer(capacity);
    DEC2DIvra::StackInterface<char> data(buffer.data(), capacity);
    Interpreted result;
    result.ok = Code128Interpreter::Start(values.data(), static_cast<unsigned>(values.size()), data, result.reading);
    result.data.assign(data.begin(), data.end());
    return result;
}

std::string Repeat(char c, size_t n) { return std::string(n, c); }

// zint's own input is the expected data: code sets A, B and C with shifts and
// changes, FNC4 extended characters, 1 to 80 characters. The FNC4 runs are
// inputs for which zint emits ISO/IEC 15417-conforming symbols; a single FNC4
// inside a latched run makes its character plain.
TEST(Code128Interpreter, DataOfZintSymbols)
{
    std::string const e = "\xE9";
    // zint holds a symbol to 60 characters: digit pairs make room for 80.
    std::string eighty = "Code 128 \x01\x02 abcXYZ";
    for (int i = 0; i < 60; ++i) {
        eighty += static_cast<char>('0' + i % 10);
    }
    eighty += "!?";
    ASSERT_EQ(eighty.size(), 80u);
    struct Case {
        int symbology;
        std::string data;
    };
    Case const cases[] = {
        {BARCODE_CODE128, "5"},
        {BARCODE_CODE128, "ABC"},
        {BARCODE_CODE128, "abc xyz"},
        {BARCODE_CODE128, "1234567"},
        {BARCODE_CODE128, "A1234B"},
        {BARCODE_CODE128, "a\x01" "b"},
        {BARCODE_CODE128, "a\x01\x02\x03\x04"},
        {BARCODE_CODE128, std::string("\x00\x1F" "AB", 4)},
        {BARCODE_CODE128, e},
        {BARCODE_CODE128, "x\xFF" "y"},
        {BARCODE_CODE128, Repeat('\xE9', 5) + "A" + Repeat('\xE9', 3)},
        {BARCODE_CODE128, "x" + Repeat('\xE9', 6) + "y"},
        {BARCODE_CODE128, Repeat('\xE9', 6) + "AB" + Repeat('\xE9', 6)},
        {BARCODE_CODE128, "\x81\x80\x9F"},
        {BARCODE_CODE128, eighty},
        {BARCODE_CODE128B, "1234"},
    };
    for (Case const& c : cases) {
        std::vector<int> const values = ZintValues({.symbology = c.symbology, .data = c.data});
        ASSERT_GE(values.size(), 4u) << c.data;
        std::vector<unsigned char> const bytes = Bytes(values);
        EXPECT_TRUE(Code128Interpreter::CheckCheckCharacter(bytes.data(), static_cast<unsigned>(bytes.size())))
            << c.data;
        Interpreted const result = Interpret(bytes);
        EXPECT_TRUE(result.ok) << c.data;
        EXPECT_EQ(result.data, c.data);
        EXPECT_EQ(result.reading.modifier, 0u) << c.data;
    }
}

TEST(Code128Interpreter, Gs1AndReaderInitialisationFromZint)
{
    std::vector<int> const gs1 = ZintValues(
        {.symbology = BARCODE_GS1_128, .data = "[01]12345678901231[10]AB12[21]XYZ", .inputMode = GS1_MODE});
    Interpreted const label = Interpret(Bytes(gs1));
    ASSERT_TRUE(label.ok);
    EXPECT_EQ(label.data, "0112345678901231" "10AB12\x1D" "21XYZ");
    EXPECT_EQ(label.reading.modifier & 3u, 1u);
    EXPECT_EQ(Code128Interpreter::CalcLinkage(label.reading), 0u);

    std::vector<int> const init =
        ZintValues({.symbology = BARCODE_CODE128, .data = "AB", .outputOptions = READER_INIT});
    Interpreted const menu = Interpret(Bytes(init));
    ASSERT_TRUE(menu.ok);
    EXPECT_EQ(menu.data, "AB");
    EXPECT_EQ(menu.reading.modifier, 1u << 4);
}

// The linear row of a composite symbol tells by its last data character
// which kind of 2D component belongs to it.
TEST(Code128Interpreter, CompositeLinkageFromZint)
{
    struct Case {
        int mode;
        std::string primary;
        unsigned linkage;
    };
    Case const cases[] = {
        {1, "[01]12345678901231", 1u << 8},          // CC-A, ends in code set C
        {2, "[01]12345678901231[10]AB", 1u << 8},    // CC-B, ends in code set B
        {3, "[01]12345678901231", 1u << 9},          // CC-C
        {3, "[10]12345", 1u << 9},
    };
    for (Case const& c : cases) {
        std::vector<int> const values = ZintValues({.symbology = BARCODE_GS1_128_CC,
                                                    .data = "[10]ABC",
                                                    .option1 = c.mode,
                                                    .inputMode = GS1_MODE,
                                                    .primary = c.primary});
        Interpreted const result = Interpret(Bytes(values));
        ASSERT_TRUE(result.ok) << c.primary;
        EXPECT_EQ(result.reading.modifier & 3u, 1u);
        EXPECT_EQ(Code128Interpreter::CalcLinkage(result.reading), c.linkage) << c.mode << " " << c.primary;
    }
}

// Every change of code set by the last data character.
TEST(Code128Interpreter, LinkageOfEveryCodeSetChange)
{
    struct Case {
        std::vector<int> values;  // without the check character
        unsigned linkage;
    };
    Case const cases[] = {
        {{103, 102, 33, 100, 106}, 1u << 8},  // A to B
        {{104, 102, 33, 99, 106}, 1u << 8},   // B to C
        {{105, 102, 12, 101, 106}, 1u << 8},  // C to A
        {{103, 102, 33, 99, 106}, 1u << 9},   // A to C
        {{104, 102, 33, 101, 106}, 1u << 9},  // B to A
        {{105, 102, 12, 100, 106}, 1u << 9},  // C to B
        {{104, 102, 33, 34, 106}, 0},
        {{104, 102, 98, 65, 106}, 0},  // a shift changes no code set
        {{104, 102, 100, 33, 106}, 0},  // 100 is FNC4 in code set B
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        Interpreted const result = Interpret(WithCheck(cases[i].values));
        ASSERT_TRUE(result.ok) << i;
        EXPECT_EQ(Code128Interpreter::CalcLinkage(result.reading), cases[i].linkage) << i;
    }
}

// Function characters zint does not make.
TEST(Code128Interpreter, FunctionCharacters)
{
    struct Case {
        char const* name;
        std::vector<int> values;  // without the check character
        std::string data;
        unsigned modifier;
    };
    Case const cases[] = {
        {"FNC1 in second position", {104, 33, 102, 17, 106}, "A1", 2},
        {"FNC1 after two digits", {105, 12, 102, 34, 106}, "1234", 2},
        {"FNC1 later is a group separator", {105, 102, 1, 102, 2, 106}, "01\x1D" "02", 1},
        {"FNC1 in third position", {104, 33, 34, 102, 35, 106}, "AB\x1D" "C", 0},
        {"FNC2", {104, 97, 33, 106}, "A", 1u << 3},
        {"FNC3 later", {104, 33, 96, 34, 106}, "AB", 0},
        {"Start C, 5", {105, 5, 106}, "05", 0},
        {"FNC4 then shift", {104, 100, 98, 65, 106}, "\x81", 0},
        {"single FNC4 inside a latch", {104, 100, 100, 33, 100, 33, 100, 100, 33, 106}, "\xC1" "AA", 0},
        {"FNC4 in code set A", {103, 101, 65, 33, 106}, "\x81" "A", 0},
        {"code C digits ignore FNC4", {104, 100, 99, 12, 100, 33, 106}, "12\xC1", 0},
    };
    for (Case const& c : cases) {
        Interpreted const result = Interpret(WithCheck(c.values));
        EXPECT_TRUE(result.ok) << c.name;
        EXPECT_EQ(result.data, c.data) << c.name;
        EXPECT_EQ(result.reading.modifier, c.modifier) << c.name;
    }
}

// A check character never adds to the data, whatever it means in the code
// set in force.
TEST(Code128Interpreter, CheckCharacterWritesNothing)
{
    for (int second = 0; second < 96; ++second) {
        std::vector<unsigned char> const values = WithCheck({104, 33, second, 106});
        Interpreted const result = Interpret(values);
        ASSERT_TRUE(result.ok) << second;
        EXPECT_EQ(result.data.size(), 2u) << "check " << int(values[3]);
        EXPECT_EQ(result.reading.modifier & 3u, 0u);
    }
}

TEST(Code128Interpreter, MalformedSequencesAreRefused)
{
    struct Case {
        char const* name;
        std::vector<unsigned char> values;
    };
    Case const cases[] = {
        {"empty", {}},
        {"three symbols", {104, 33, 106}},
        {"no start", {33, 34, 35, 106}},
        {"no stop", {104, 33, 34, 35}},
        {"start inside", {104, 33, 103, 34, 106}},
        {"stop inside", {104, 33, 106, 34, 106}},
        {"value beyond the table", {104, 107, 34, 106}},
        {"no character", {104, 255, 34, 106}},
    };
    for (Case const& c : cases) {
        EXPECT_FALSE(Code128Interpreter::CheckCheckCharacter(c.values.data(), static_cast<unsigned>(c.values.size())))
            << c.name;
        Interpreted const result = Interpret(c.values);
        EXPECT_FALSE(result.ok) << c.name;
        EXPECT_TRUE(result.data.empty()) << c.name;
    }
    // Every single changed value breaks the check.
    std::vector<unsigned char> const good = WithCheck({104, 33, 34, 35, 36, 106});
    ASSERT_TRUE(Code128Interpreter::CheckCheckCharacter(good.data(), static_cast<unsigned>(good.size())));
    for (size_t i = 1; i + 1 < good.size(); ++i) {
        std::vector<unsigned char> bad = good;
        bad[i] = static_cast<unsigned char>((bad[i] + 1) % 103);
        EXPECT_FALSE(Code128Interpreter::CheckCheckCharacter(bad.data(), static_cast<unsigned>(bad.size()))) << i;
    }
    // Data that does not fit is refused, not cut.
    Interpreted const full = Interpret(WithCheck({105, 12, 34, 56, 106}), 5);
    EXPECT_FALSE(full.ok);
    EXPECT_TRUE(full.data.empty());
    EXPECT_TRUE(Interpret(WithCheck({105, 12, 34, 56, 106}), 6).ok);
}

}  // namespace
}  // namespace code128_test
