// The Aztec symbol record through scanner-sim decode with the record key set:
// the corrected mode message, the same whichever way the symbol is turned or
// mirrored, checked against the mode ring of zint's own module matrix.
#include "tests/decoder/matrix/aztec/aztec_fixture.h"
#include "tests/sim/sim_program_fixture.h"
#include "tests/support/image_file.h"
#include "tests/support/symbol_renderer.h"

#include <string>
#include <utility>
#include <vector>

namespace {

using sim_test::Hex;

class AztecRecordRoadTest : public sim_test::SimProgramTest {
protected:
    // The first line scanner-sim decode --record prints for the frame.
    std::string Decode(support::Frame const& frame)
    {
        std::string const path = (directory_ / ("f" + std::to_string(count_++) + ".png")).string();
        EXPECT_TRUE(support::writePng(path, frame, support::FileDepth::Bits16));
        std::string const out = run("decode", {"--record", path}).first;
        std::string const line = out.substr(0, out.find('\n'));
        return line.substr(line.find('\t') + 1);
    }

    unsigned count_ = 0;
};

// The mode ring of the upright symbol as the standard lays it out: clockwise
// from the top-left corner, skipping the corners' orientation marks and, on a
// full-range symbol, the reference line through each side's middle.
std::pair<unsigned long long, unsigned> ModeRing(aztec_test::Matrix const& m, bool compact)
{
    int const c = m.size / 2;
    int const r = compact ? 5 : 7;
    static constexpr int kStartX[4] = {-1, 1, 1, -1};
    static constexpr int kStartY[4] = {-1, -1, 1, 1};
    static constexpr int kAlongX[4] = {1, 0, -1, 0};
    static constexpr int kAlongY[4] = {0, 1, 0, -1};
    unsigned long long bits = 0;
    unsigned width = 0;
    for (int side = 0; side < 4; ++side) {
        for (int i = 2; i <= 2 * r - 2; ++i) {
            if (!compact && i == r) {
                continue;
            }
            int const x = c + kStartX[side] * r + kAlongX[side] * i;
            int const y = c + kStartY[side] * r + kAlongY[side] * i;
            bits = (bits << 1) | m.cells[static_cast<size_t>(y) * m.size + x];
            ++width;
        }
    }
    return {bits, width};
}

// The record column as decode prints it for a message with words fixed.
std::string Record(std::pair<unsigned long long, unsigned> const& ring, unsigned fixed)
{
    return std::to_string(ring.first >> 32) + " " + std::to_string(fixed) + " " + std::to_string(ring.second) + " " +
           std::to_string(ring.first & 0xFFFFFFFFull);
}

TEST_F(AztecRecordRoadTest, TheRecordHoldsTheCorrectedModeMessage)
{
    std::string const text = "Symbol record";
    support::SymbolInput const compact{.symbology = BARCODE_AZTEC, .data = text, .option2 = 2};
    aztec_test::Matrix const compactMatrix = aztec_test::EncodeMatrix(BARCODE_AZTEC, text, 2);
    ASSERT_EQ(compactMatrix.size, 19);
    std::string const compactLabel = "36\t]z0\t" + Hex(text) + "\t";
    {
        // Without the key, no record.
        support::Rendering const r = support::render(compact, {.moduleSize = 3.0, .angle = 75});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        EXPECT_EQ(Decode(r.frame), compactLabel + "-");
    }
    auto const [set, status] =
        run("command", {"set read/aztec_runes:true", "set code/common_2d/fill_symbol_record:true", "save"});
    ASSERT_EQ(status, 0) << set;

    struct Case {
        char const* name;
        support::SymbolInput input;
        bool compact;
        support::RenderOptions options;
        std::string label;
    };
    std::string const longer = "A full-range symbol of seven layers";
    std::vector<Case> const cases = {
        {"compact turned", compact, true, {.moduleSize = 3.0, .angle = 75}, compactLabel},
        {"full range mirrored",
         {.symbology = BARCODE_AZTEC, .data = longer, .option2 = 11},
         false,
         {.moduleSize = 2.5, .angle = 200, .mirrored = true},
         "36\t]z0\t" + Hex(longer) + "\t"},
        {"rune light on dark",
         {.symbology = BARCODE_AZRUNE, .data = "30"},
         true,
         {.moduleSize = 3.0, .angle = 30, .inverted = true},
         "36\t]zC\t" + Hex("030") + "\t"},
    };
    for (Case const& c : cases) {
        aztec_test::Matrix const m = aztec_test::EncodeMatrix(c.input.symbology, c.input.data, c.input.option2);
        ASSERT_GT(m.size, 0) << c.name;
        support::Rendering const r = support::render(c.input, c.options);
        ASSERT_TRUE(r.symbol.ok) << c.name << ": " << r.symbol.error;
        EXPECT_EQ(Decode(r.frame), c.label + Record(ModeRing(m, c.compact), 0)) << c.name;
    }

    // One mode-ring module painted the other colour: the record still holds
    // the message as printed and counts the word the correction changed.
    support::Rendering r = support::render(compact, {.moduleSize = 3.0});
    int const x = compactMatrix.size / 2 - 3;
    int const y = compactMatrix.size / 2 - 5;
    bool const dark = compactMatrix.cells[static_cast<size_t>(y) * compactMatrix.size + x] != 0;
    for (int py = 0; py < r.frame.height; ++py) {
        for (int px = 0; px < r.frame.width; ++px) {
            support::Point const p = r.symbol.toModule({px + 0.5, py + 0.5});
            if (p.x >= x && p.x < x + 1 && p.y >= y && p.y < y + 1) {
                r.frame.at(px, py) = static_cast<std::uint16_t>(dark ? 900 : 100);
            }
        }
    }
    EXPECT_EQ(Decode(r.frame), compactLabel + Record(ModeRing(compactMatrix, true), 1));
}

}  // namespace
