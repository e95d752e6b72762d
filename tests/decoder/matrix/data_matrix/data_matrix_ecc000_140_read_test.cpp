// Data Matrix ECC 000-140 symbols drawn by the project's own test code: the
// data formats and their CRC, then whole symbols of every level read through
// DEC2D_Main at their angles and polarities, module damage that the
// protected levels correct and ECC 000 refuses, and the key that turns the
// old levels on.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "decoder/core/decoded_label.h"
#include "decoder/matrix/data_matrix/data_matrix_ecc000_140_data.h"
#include "tests/decoder/matrix/handle_harness.h"
#include "tests/support/data_matrix_ecc000_140_symbol.h"

namespace data_matrix_ecc000_140_read_test {
namespace {

using DEC2DIvra::DataMatrixEcc000To140Data;
using Polarity = ivra_configuration::configuration::readable_medium::positive_and_negative_codes::data_matrix::Enum;

// Bits most significant first into one 8-bit codeword per element.
std::vector<unsigned short> Pack(std::string const& bits)
{
    std::vector<unsigned short> out((bits.size() + 7) / 8 + 1, 0);
    for (size_t i = 0; i < bits.size(); ++i) {
        if (bits[i] == '1') {
            out[i / 8] = static_cast<unsigned short>(out[i / 8] | (0x80u >> (i % 8)));
        }
    }
    return out;
}

std::string LowFirst(unsigned value, unsigned width)
{
    std::string s;
    for (unsigned i = 0; i < width; ++i) {
        s += ((value >> i) & 1u) != 0 ? '1' : '0';
    }
    return s;
}

std::string Stream(unsigned format, unsigned crc, unsigned count, std::string const& data)
{
    std::string s;
    for (int i = 4; i >= 0; --i) {
        s += (((format - 1) >> i) & 1u) != 0 ? '1' : '0';
    }
    return s + LowFirst(crc, 16) + LowFirst(count, 9) + data;
}

std::string Convert(std::string const& bits)
{
    std::vector<unsigned short> const packed = Pack(bits);
    DEC2DIvra::DecodedLabel label;
    if (!DataMatrixEcc000To140Data::Start(packed.data(), 0, static_cast<unsigned>(bits.size()), label)) {
        return "<none>";
    }
    return std::string(label.data.GetFirst(), label.data.GetCount());
}

unsigned Crc(unsigned format, std::string const& data)
{
    return DataMatrixEcc000To140Data::CalcCrc(format, reinterpret_cast<unsigned char const*>(data.data()),
                                              static_cast<unsigned>(data.size()));
}

// The published example's check value, then each format's packing of a
// short group (first character the lowest digit) and the refusals.
TEST(DataMatrixEcc000To140Data, FormatsCrcAndRefusals)
{
    EXPECT_EQ(Crc(3, "AB12-X"), 0x7559u);
    // "123456" in base 11: digits 2..7, 2 + 3*11 + 4*11^2 + ... in 21 bits.
    unsigned v = 0;
    for (int i = 5; i >= 0; --i) {
        v = v * 11 + static_cast<unsigned>(i + 2);
    }
    EXPECT_EQ(Convert(Stream(1, Crc(1, "123456"), 6, LowFirst(v, 21))), "123456");
    EXPECT_EQ(Convert(Stream(2, Crc(2, "AB"), 2, LowFirst(1 + 2 * 27, 10))), "AB");
    EXPECT_EQ(Convert(Stream(3, Crc(3, "A."), 2, LowFirst(1 + 37 * 41, 11))), "A.");
    EXPECT_EQ(Convert(Stream(4, Crc(4, "Z9"), 2, LowFirst(26 + 36 * 37, 11))), "Z9");
    EXPECT_EQ(Convert(Stream(5, Crc(5, "B"), 1, LowFirst('B', 7))), "B");
    EXPECT_EQ(Convert(Stream(6, Crc(6, "\x96"), 1, LowFirst(0x96, 8))), "\x96");

    EXPECT_EQ(Convert(Stream(5, Crc(5, "B") ^ 1, 1, LowFirst('B', 7))), "<none>");   // wrong CRC
    EXPECT_EQ(Convert(Stream(7, Crc(7, "B"), 1, LowFirst('B', 7))), "<none>");       // no such format
    EXPECT_EQ(Convert(Stream(5, Crc(5, ""), 0, "")), "<none>");                      // nothing to read
    EXPECT_EQ(Convert(Stream(5, Crc(5, "BC"), 2, LowFirst('B', 7))), "<none>");      // stream ends early
    EXPECT_EQ(Convert(Stream(1, Crc(1, "1"), 1, LowFirst(11, 4))), "<none>");        // group beyond base 11
    EXPECT_EQ(Convert(Stream(2, Crc(2, "AB"), 2, LowFirst(27 * 27, 10))), "<none>"); // two letters hold less
}

struct Case {
    int side;
    int level;  // -1: ECC 000
    int format;
    std::string data;
    double moduleSize;
    double angle;
    bool inverted = false;
};

std::vector<matrix_test::HandleLabel> Read(matrix_test::HandleHarness& harness, support::ModuleMatrix const& m,
                                           Case const& c, std::vector<std::pair<int, int>> const& flips = {})
{
    support::ModuleMatrix spoilt = m;
    for (auto const& [x, y] : flips) {
        uint8_t& module = spoilt.dark[static_cast<size_t>(y * m.size + x)];
        module = module != 0 ? 0 : 1;
    }
    support::RenderOptions options;
    options.moduleSize = c.moduleSize;
    options.angle = c.angle;
    options.quietZone = 3.0;
    options.inverted = c.inverted;
    return harness.Read(support::renderModules(spoilt, options));
}

// Every level, at sizes from the smallest to the largest the step limit
// allows, each format, turned and light on dark.
TEST(DataMatrixEcc000To140Read, EveryLevelReadsAtItsAngle)
{
    matrix_test::HandleHarness harness;
    ASSERT_TRUE(harness.IsReady());
    harness.Settings().read.data_matrix_ecc000_140.Set(true);
    harness.Settings().readable_medium.positive_and_negative_codes.data_matrix.Set(Polarity::POSITIVE_AND_NEGATIVE);
    std::vector<Case> const cases = {
        {9, -1, 1, "123", 4.0, 0},
        {11, -1, 5, "Hello", 4.0, 33},
        {15, 0, 2, "ECC ZERO", 3.0, 90},
        {19, 1, 3, "A1-B2/C3.", 3.0, 135},
        {21, 2, 4, "LEVEL TWO 2", 3.0, 200},
        {25, 3, 6, "bytes \x01\x7f\xff", 3.0, 250, true},
        {27, 4, 5, "four: k=2 n=3", 3.0, 300},
        {31, 5, 1, "0123456789012345", 3.0, 15},
        {23, 6, 2, "CODE SIX", 3.0, 45},
        {29, 7, 5, "code 7, half rate", 3.0, 170},
        {33, 8, 4, "QUARTER RATE 8", 3.0, 280},
        {35, 9, 3, "MEMORY-23/CODE.9", 3.0, 60},
        {37, 10, 6, "third rate, code ten", 2.5, 100},
        {45, 11, 5, "ECC 140: the strongest code of all", 2.5, 225, true},
        {47, 0, 5, std::string(200, 'x'), 2.5, 0},
        {49, -1, 6, std::string(250, '\xa5'), 2.5, 90},
        {49, 7, 5, std::string(120, 'z'), 2.5, 180},  // the most steps of any symbol
    };
    for (Case const& c : cases) {
        support::ModuleMatrix const m = support::drawDataMatrixEcc000To140(c.side, c.level, c.format, c.data);
        ASSERT_TRUE(m.ok()) << c.side << " level " << c.level;
        std::vector<matrix_test::HandleLabel> const labels = Read(harness, m, c);
        ASSERT_EQ(labels.size(), 1u) << c.side << " level " << c.level << " " << c.data;
        EXPECT_EQ(labels[0].data, c.data);
        EXPECT_EQ(labels[0].aim, "]d0");
    }
}

// Modules flipped in the data area: a protected level corrects them, an
// ECC 000 symbol (no correction) gives no label rather than a wrong one;
// and nothing is read with the key off.
TEST(DataMatrixEcc000To140Read, DamageAndTheKey)
{
    matrix_test::HandleHarness harness;
    ASSERT_TRUE(harness.IsReady());
    harness.Settings().read.data_matrix_ecc000_140.Set(true);
    std::vector<std::pair<int, int>> const flips = {{5, 5}, {12, 7}, {9, 16}, {25, 30}, {30, 12}};
    Case const protectedCase{35, 8, 5, "Fixed by the code", 3.0, 20};
    support::ModuleMatrix const strong =
        support::drawDataMatrixEcc000To140(protectedCase.side, protectedCase.level, protectedCase.format,
                                           protectedCase.data);
    ASSERT_TRUE(strong.ok());
    std::vector<matrix_test::HandleLabel> labels = Read(harness, strong, protectedCase, flips);
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_EQ(labels[0].data, protectedCase.data);

    Case const plainCase{25, -1, 5, "No correction here", 4.0, 20};
    support::ModuleMatrix const plain =
        support::drawDataMatrixEcc000To140(plainCase.side, plainCase.level, plainCase.format, plainCase.data);
    ASSERT_TRUE(plain.ok());
    EXPECT_EQ(Read(harness, plain, plainCase).size(), 1u);
    EXPECT_TRUE(Read(harness, plain, plainCase, {{9, 9}}).empty());

    harness.Settings().read.data_matrix_ecc000_140.Set(false);
    EXPECT_TRUE(Read(harness, plain, plainCase).empty());
    EXPECT_TRUE(Read(harness, strong, protectedCase).empty());
}

// ECC 000 corrects nothing: every one of the 2401 modules of the largest
// symbol must come out right. Blurred at two pixels a module, the corners
// fitted to the timing sides must leave the L corner where its solid edges
// put it, or the modules near it are read a third of a module off.
TEST(DataMatrixEcc000To140Read, BlurredLargestEcc000SymbolReads)
{
    matrix_test::HandleHarness harness;
    ASSERT_TRUE(harness.IsReady());
    harness.Settings().read.data_matrix_ecc000_140.Set(true);
    std::string const data(250, 'y');
    support::ModuleMatrix const m = support::drawDataMatrixEcc000To140(49, -1, 5, data);
    ASSERT_TRUE(m.ok());
    struct Blurred {
        double angle;
        std::uint64_t seed;
    };
    for (Blurred const& b : {Blurred{15, 2}, Blurred{75, 6}, Blurred{135, 10}, Blurred{150, 11}}) {
        SCOPED_TRACE(b.angle);
        support::RenderOptions options;
        options.moduleSize = 2.0;
        options.angle = b.angle;
        options.quietZone = 4.0;
        options.blur = 0.7;
        options.seed = b.seed;
        std::vector<matrix_test::HandleLabel> const labels = harness.Read(support::renderModules(m, options));
        ASSERT_EQ(labels.size(), 1u);
        EXPECT_EQ(labels[0].data, data);
    }
}

// Small symbols at two pixels a module: legs two pixels wide that a walk in
// whole pixels loses off their edge. A corner sighted so stays where it is
// when a finer walk met data modules there first (light on dark, 15 x 15).
TEST(DataMatrixEcc000To140Read, SmallSymbolsWithThinLegsRead)
{
    matrix_test::HandleHarness harness;
    ASSERT_TRUE(harness.IsReady());
    harness.Settings().read.data_matrix_ecc000_140.Set(true);
    harness.Settings().readable_medium.positive_and_negative_codes.data_matrix.Set(Polarity::POSITIVE_AND_NEGATIVE);
    struct Thin {
        int side;
        int level;
        int format;
        std::string data;
        double angle;
        std::uint64_t seed;
        double blur = 0.0;
        double noise = 0.0;
        bool inverted = false;
    };
    std::string const digits = "0123456789";
    Thin const cases[] = {
        {11, -1, 1, digits, 150, 11},
        {11, -1, 1, digits, 240, 17},
        {11, -1, 1, digits, 60, 5, 0.7},
        {11, -1, 1, digits, 210, 15, 0.0, 25.0},
        {11, -1, 1, digits, 315, 22, 0.0, 0.0, true},
        {15, 0, 2, "ECC ZERO", 165, 12, 0.0, 0.0, true},
    };
    for (Thin const& t : cases) {
        SCOPED_TRACE(std::to_string(t.side) + " at " + std::to_string(t.angle));
        support::ModuleMatrix const m = support::drawDataMatrixEcc000To140(t.side, t.level, t.format, t.data);
        ASSERT_TRUE(m.ok());
        support::RenderOptions options;
        options.moduleSize = 2.0;
        options.angle = t.angle;
        options.quietZone = 4.0;
        options.blur = t.blur;
        options.noise = t.noise;
        options.inverted = t.inverted;
        options.seed = t.seed;
        std::vector<matrix_test::HandleLabel> const labels = harness.Read(support::renderModules(m, options));
        ASSERT_EQ(labels.size(), 1u);
        EXPECT_EQ(labels[0].data, t.data);
    }
}

}  // namespace
}  // namespace data_matrix_ecc000_140_read_test
