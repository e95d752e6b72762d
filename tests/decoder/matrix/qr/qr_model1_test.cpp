// QR Model 1 symbols drawn by the project's own encoder: the layout of every
// version and level against its codeword count, then reads through the
// decoder handle at several versions, angles and conditions, damage within
// and beyond a level's capacity, and the switch that turns reading off.

#include <gtest/gtest.h>

#include <string>

#include "decoder/matrix/qr/qr_model1_placement.h"
#include "decoder/matrix/qr/qr_model1_tables.h"
#include "decoder/matrix/qr/qr_version_tables.h"
#include "tests/decoder/matrix/qr/qr_read_fixture.h"
#include "tests/support/qr_model1_symbol.h"

namespace qr_test {
namespace {

using DEC2DIvra::QRModel1Placement;
using DEC2DIvra::QRModel1Tables;

std::string Text(unsigned length)
{
    std::string text;
    for (unsigned i = 0; text.size() < length; ++i) {
        text += "Model1-" + std::to_string(i * 53 % 1000) + ";";
    }
    text.resize(length);
    return text;
}

// Every level of a version fills the same matrix: the free modules hold its
// codewords less the four leading bits, and the blocks divide evenly.
TEST(QRModel1Test, LayoutHoldsEveryLevelsCodewords)
{
    for (unsigned version = 1; version <= QRModel1Tables::kMaxVersion; ++version) {
        unsigned const size = DEC2DIvra::QRVersionTables::GetSize(version);
        unsigned free = 0;
        for (unsigned y = 0; y < size; ++y) {
            for (unsigned x = 0; x < size; ++x) {
                free += QRModel1Placement::IsFunctionModule(version, x, y) ? 0u : 1u;
            }
        }
        for (unsigned level = 0; level < 4; ++level) {
            DEC2DIvra::QRModel1Blocks const* b = QRModel1Tables::GetBlocks(version, level);
            ASSERT_NE(b, nullptr);
            EXPECT_EQ(free, 8 * b->TotalCount() - QRModel1Placement::kUnplacedBits)
                << "version " << version << " level " << level;
            EXPECT_EQ(b->data % b->blocks, 0u) << "version " << version << " level " << level;
            EXPECT_EQ(b->check % b->blocks, 0u) << "version " << version << " level " << level;
        }
    }
    EXPECT_EQ(QRModel1Tables::GetBlocks(0, 0), nullptr);
    EXPECT_EQ(QRModel1Tables::GetBlocks(15, 0), nullptr);
}

struct Case {
    int version;
    char level;
    int mask;
    unsigned length;
    support::RenderOptions options;
};

TEST(QRModel1Test, ReadsDrawnSymbols)
{
    QRReadHarness harness;
    ASSERT_TRUE(harness.IsReady());
    Case const cases[] = {
        {1, 'L', 0, 10, {.moduleSize = 3.0, .angle = 0}},
        {1, 'H', 5, 4, {.moduleSize = 4.0, .angle = 30}},
        {2, 'M', 3, 20, {.moduleSize = 3.0, .angle = 135}},
        {4, 'Q', 1, 30, {.moduleSize = 3.0, .angle = 200, .blur = 0.8}},
        {7, 'H', 2, 60, {.moduleSize = 3.0, .angle = 75}},        // three blocks, two extra codewords
        {10, 'Q', 6, 150, {.moduleSize = 2.5, .angle = 300, .noise = 20}},  // sixteen-bit count
        {14, 'H', 7, 180, {.moduleSize = 2.5, .angle = 15}},      // six blocks, four extra codewords
        {3, 'L', 4, 40, {.moduleSize = 3.0, .angle = 250, .inverted = true}},
    };
    for (Case const& c : cases) {
        std::string const data = Text(c.length);
        support::ModuleMatrix const matrix = support::drawQRModel1(c.version, c.level, c.mask, data);
        ASSERT_TRUE(matrix.ok()) << c.version << c.level;
        QRRead const read = harness.Read(support::renderModules(matrix, c.options));
        EXPECT_TRUE(read.read) << c.version << c.level;
        EXPECT_EQ(read.data, data) << c.version << c.level;
        EXPECT_EQ(read.aim, "]Q0") << c.version << c.level;
        EXPECT_EQ(read.negative, c.options.inverted) << c.version << c.level;
    }
}

// Flips whole codeword-sized patches of the data area.
support::ModuleMatrix Flipped(support::ModuleMatrix m, int x0, int y0, int w, int h)
{
    for (int y = y0; y < y0 + h; ++y) {
        for (int x = x0; x < x0 + w; ++x) {
            m.dark[static_cast<size_t>(y * m.size + x)] ^= 1;
        }
    }
    return m;
}

TEST(QRModel1Test, DamageUpToTheLevelsCapacityAndBeyond)
{
    QRReadHarness harness;
    ASSERT_TRUE(harness.IsReady());
    std::string const data = Text(12);
    support::ModuleMatrix const high = support::drawQRModel1(2, 'H', 0, data);
    support::ModuleMatrix const low = support::drawQRModel1(2, 'L', 0, data);
    ASSERT_TRUE(high.ok() && low.ok());
    // 4 x 6 modules: at most five codewords, within H's fifteen.
    QRRead const within = harness.Read(support::renderModules(Flipped(high, 12, 12, 4, 6), {.moduleSize = 3.0}));
    EXPECT_TRUE(within.read);
    EXPECT_EQ(within.data, data);
    // Beyond L's five codewords (less its reserve), and beyond H's: no label.
    EXPECT_FALSE(harness.Read(support::renderModules(Flipped(low, 10, 10, 8, 8), {.moduleSize = 3.0})).read);
    EXPECT_FALSE(harness.Read(support::renderModules(Flipped(high, 9, 9, 12, 12), {.moduleSize = 3.0})).read);
}

TEST(QRModel1Test, QRCodeSwitchTurnsModel1Off)
{
    QRReadHarness harness;
    ASSERT_TRUE(harness.IsReady());
    support::Frame const frame = support::renderModules(support::drawQRModel1(3, 'M', 2, "switch"), {});
    EXPECT_TRUE(harness.Read(frame).read);
    harness.Settings().read.qr_code.Set(false);
    EXPECT_FALSE(harness.Read(frame).read);
}

}  // namespace
}  // namespace qr_test
