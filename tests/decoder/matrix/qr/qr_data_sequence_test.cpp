// The placement table and the erasure ranking: the function modules the
// table leaves out are those the symbol's layout has, every codeword bit is
// placed once, and the weak codewords of a read are ranked as erasures.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "decoder/matrix/qr/qr_codeword_placement.h"
#include "decoder/matrix/qr/qr_data_sequence.h"
#include "decoder/matrix/qr/qr_erasure_index.h"
#include "decoder/matrix/qr/qr_model1_placement.h"
#include "decoder/matrix/qr/qr_version_tables.h"

namespace {

using DEC2DIvra::BitAndLuminance;
using DEC2DIvra::CalcDataSequenceSubroutineForQRCode;
using DEC2DIvra::CalcErasureIndexSubroutine;
using DEC2DIvra::QRFormatInformation;
using DEC2DIvra::VariableLengthVirtualArray;
using DEC2DIvra::VariableSizeVirtualTable;
using DEC2DIvra::VirtualArray;

enum class Kind { kModel2, kModel1, kMicro };

struct Case {
    Kind kind;
    unsigned version;
    unsigned level;  // as the format information codes it
};

TEST(QRDataSequenceTest, EveryCodewordBitLiesOnOneDataModule)
{
    Case const cases[] = {
        {Kind::kModel2, 1, 1},  {Kind::kModel2, 2, 2},  {Kind::kModel2, 7, 0},  {Kind::kModel2, 15, 3},
        {Kind::kModel2, 40, 1}, {Kind::kModel2, 40, 2}, {Kind::kModel1, 1, 1},  {Kind::kModel1, 6, 0},
        {Kind::kModel1, 14, 2}, {Kind::kMicro, 1, 0},   {Kind::kMicro, 3, 4},   {Kind::kMicro, 4, 7},
    };
    auto sequence = std::make_unique<CalcDataSequenceSubroutineForQRCode>();
    std::vector<int> cells(177 * 177);
    for (Case const& c : cases) {
        VariableSizeVirtualTable<int> table(cells.data(), static_cast<unsigned>(cells.size()));
        QRFormatInformation format;
        format.level = c.level;
        unsigned codewords = 0;
        int const built = c.kind == Kind::kModel2   ? sequence->StartForModel2(c.version, format, table, codewords)
                          : c.kind == Kind::kModel1 ? sequence->StartForModel1(c.version, format, table, codewords)
                                                    : sequence->StartForMicro(c.version, format, table, codewords);
        ASSERT_EQ(built, 1) << static_cast<int>(c.kind) << " " << c.version;
        unsigned const side = table.GetWidth();
        std::vector<int> seen(8 * codewords, 0);
        for (unsigned y = 0; y < side; ++y) {
            for (unsigned x = 0; x < side; ++x) {
                int const v = table.At(x, y);
                bool const function =
                    c.kind == Kind::kModel1 ? DEC2DIvra::QRModel1Placement::IsFunctionModule(c.version, x, y)
                                            : DEC2DIvra::QRCodewordPlacement::IsFunctionModule(
                                                  c.kind == Kind::kMicro, c.version, x, y);
                if (function) {
                    EXPECT_EQ(v, -1) << c.version << " (" << x << ", " << y << ")";
                }
                if (v >= 0) {
                    ASSERT_LT(static_cast<unsigned>(v), seen.size());
                    ++seen[static_cast<unsigned>(v)];
                }
            }
        }
        // Model 1 leaves the first four bits out, M1 and M3 the lower half
        // of their last data codeword.
        DEC2DIvra::MicroQRSymbol const* micro = DEC2DIvra::QRVersionTables::GetMicroSymbol(c.level);
        for (unsigned b = 0; b < seen.size(); ++b) {
            bool const unplaced = (c.kind == Kind::kModel1 && b < 4) ||
                                  (c.kind == Kind::kMicro && (c.version == 1 || c.version == 3) &&
                                   b / 8 == micro->data - 1u && b % 8 >= 4);
            EXPECT_EQ(seen[b], unplaced ? 0 : 1) << static_cast<int>(c.kind) << " " << c.version << " bit " << b;
        }
    }
}

TEST(QRDataSequenceTest, BlocksFollowEachOtherInTheTable)
{
    // Version 5-Q: two blocks of 15 and two of 16 data codewords, 18 check
    // codewords each. Transmitted codeword 1 is block 1's first, the 61st
    // (after 4 x 15) block 2's last data codeword.
    auto sequence = std::make_unique<CalcDataSequenceSubroutineForQRCode>();
    std::vector<int> cells(37 * 37);
    VariableSizeVirtualTable<int> table(cells.data(), static_cast<unsigned>(cells.size()));
    QRFormatInformation format;
    format.level = 3;
    unsigned codewords = 0;
    ASSERT_EQ(sequence->StartForModel2(5, format, table, codewords), 1);
    EXPECT_EQ(codewords, 134u);
    // The first bits climb the right column pair from the bottom.
    EXPECT_EQ(table.At(36, 36), 0);
    EXPECT_EQ(table.At(35, 36), 1);
    // Codeword 1 (bits 8..) starts at row 32.
    EXPECT_EQ(table.At(36, 32), 8 * 15);
    EXPECT_EQ(table.At(36, 28), 8 * 30);
}

TEST(QRErasureIndexTest, WeakCodewordsBecomeErasures)
{
    auto ranking = std::make_unique<CalcErasureIndexSubroutine>();
    std::vector<unsigned short> out(16);
    // Eight codewords of alternating dark (set) and light bits; codeword 5
    // faint, codeword 2 all one colour.
    std::vector<BitAndLuminance> bits(8 * 8);
    for (unsigned i = 0; i < bits.size(); ++i) {
        bool const set = i % 2 == 0;
        unsigned const word = i / 8;
        bits[i].bit = word == 2 ? true : set;
        bits[i].luminance = static_cast<unsigned short>(word == 5 ? (set ? 480 : 520) : (set ? 100 : 900));
    }
    VariableLengthVirtualArray<unsigned short> erasures(out.data(), static_cast<unsigned>(out.size()));
    EXPECT_EQ(ranking->Start(true, VirtualArray<BitAndLuminance const>(bits.data(), 64), erasures), 1);
    ASSERT_EQ(erasures.GetLength(), 2u);
    EXPECT_EQ(erasures[0], 2u);  // contrast 0 first
    EXPECT_EQ(erasures[1], 5u);
    // A uniform print: nothing below a quarter of the median.
    for (unsigned i = 0; i < bits.size(); ++i) {
        bits[i].bit = i % 2 == 0;
        bits[i].luminance = static_cast<unsigned short>(i % 2 == 0 ? 100 : 900);
    }
    EXPECT_EQ(ranking->Start(true, VirtualArray<BitAndLuminance const>(bits.data(), 64), erasures), 1);
    EXPECT_EQ(erasures.GetLength(), 0u);
}

}  // namespace
