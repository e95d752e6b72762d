// The L-pattern stage sweeps its rows in interleaved parts and tries each
// part's sightings before it sweeps the next: small symbols, whose legs few
// rows of any one part cross, read at every offset from the rows; the whole
// sweep taken with DotCode wanted too still reads; and a blurred symbol that
// one part's sighting does not read is read from another part's.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/decoder/matrix/handle_harness.h"
#include "tests/support/data_matrix_ecc000_140_symbol.h"
#include "tests/support/qr_model1_symbol.h"
#include "tests/support/symbol_renderer.h"

namespace data_matrix_sweep_test {
namespace {

using Polarity = ivra_configuration::configuration::readable_medium::positive_and_negative_codes::data_matrix::Enum;

struct Case {
    int size;  // zint's size option
    char const* data;
    double moduleSize;
    double angle;
    double shift;  // pixels down from the frame's centre
    bool dotCode;  // DotCode read as well
};

TEST(DataMatrixSweepTest, SmallSymbolsReadAtEveryRowOffset)
{
    Case const cases[] = {
        {1, "123456", 2.0, 0.0, 1.0, false},    {1, "123456", 2.0, 0.0, 3.0, false},
        {1, "123456", 2.0, 15.0, 0.0, false},   {1, "123456", 2.0, 15.0, 2.0, false},
        {1, "123456", 2.0, 45.0, 5.0, false},   {1, "123456", 2.0, 90.0, 6.0, false},
        {25, "12345", 3.0, 15.0, 1.0, false},   {25, "12345", 2.0, 90.0, 3.0, false},
        {25, "12345", 2.0, 30.0, 7.0, false},   {2, "Ab12", 2.0, 165.0, 2.0, false},
        {13, "Data Matrix ECC 200", 3.0, 20.0, 0.0, true}, {1, "123456", 2.0, 45.0, 3.0, true},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(std::to_string(c.size) + " at " + std::to_string(c.angle) + " shifted " +
                     std::to_string(c.shift) + (c.dotCode ? " with DotCode" : ""));
        matrix_test::HandleHarness harness;
        ASSERT_TRUE(harness.IsReady());
        harness.Settings().readable_medium.positive_and_negative_codes.data_matrix.Set(Polarity::POSITIVE_AND_NEGATIVE);
        harness.Settings().read.dot_code.Set(c.dotCode);
        support::Rendering const r = support::render(
            {.symbology = BARCODE_DATAMATRIX, .data = c.data, .option2 = c.size},
            {.moduleSize = c.moduleSize, .angle = c.angle,
             .centre = support::Point{support::kFrameWidth / 2.0, support::kFrameHeight / 2.0 + c.shift}});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        std::vector<matrix_test::HandleLabel> const& labels = harness.Read(r.frame);
        EXPECT_EQ(labels.size(), 1u);
        EXPECT_TRUE(!labels.empty() && labels[0].data == c.data);
    }
}

// Blurred ECC 000-140 symbols two pixels a module: the sighting of the first
// part gives an outline that does not read, and the outline kept the same
// L's sightings from the other parts away.
TEST(DataMatrixSweepTest, SymbolsOneSightingDoesNotReadAreReadFromAnother)
{
    struct Blurred {
        int side;
        int level;
        int format;
        std::string data;
        double angle;
        uint64_t seed;
    };
    Blurred const cases[] = {
        {19, 1, 3, "A1-B2/C3.", 30.0, 3},
        {49, -1, 5, std::string(250, 'y'), 45.0, 4},
        {49, -1, 5, std::string(250, 'y'), 330.0, 23},
    };
    for (Blurred const& c : cases) {
        SCOPED_TRACE(std::to_string(c.side) + " at " + std::to_string(c.angle));
        matrix_test::HandleHarness harness;
        ASSERT_TRUE(harness.IsReady());
        harness.Settings().read.data_matrix_ecc000_140.Set(true);
        harness.Settings().readable_medium.positive_and_negative_codes.data_matrix.Set(Polarity::POSITIVE_AND_NEGATIVE);
        support::ModuleMatrix const matrix = support::drawDataMatrixEcc000To140(c.side, c.level, c.format, c.data);
        ASSERT_TRUE(matrix.ok());
        support::Frame const frame = support::renderModules(
            matrix, {.moduleSize = 2.0, .angle = c.angle, .quietZone = 4.0, .blur = 0.7, .seed = c.seed});
        std::vector<matrix_test::HandleLabel> const& labels = harness.Read(frame);
        EXPECT_EQ(labels.size(), 1u);
        EXPECT_TRUE(!labels.empty() && labels[0].data == c.data);
    }
}

}  // namespace
}  // namespace data_matrix_sweep_test
