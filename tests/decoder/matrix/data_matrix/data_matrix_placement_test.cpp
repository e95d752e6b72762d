// The placement laid out once per size must give the codewords the
// placement walk gives, to the bit, for every ECC 200 size: matrices of
// random modules, all dark and all light, a table rebuilt when the size
// changes, and sizes the walk refuses.

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "decoder/matrix/data_matrix/data_matrix_placement.h"
#include "decoder/matrix/data_matrix/data_matrix_version.h"

namespace data_matrix_placement_test {
namespace {

using DEC2DIvra::DataMatrixPlacement;
using DEC2DIvra::DataMatrixPlacementTable;
using DEC2DIvra::DataMatrixVersion;
using DEC2DIvra::DataMatrixVersionTable;
using DEC2DIvra::VariableSizeVirtualTable;

constexpr unsigned kSide = DataMatrixVersionTable::kMaxMappingSide;

struct Buffers {
    std::unique_ptr<bool[]> modules{new bool[kSide * kSide]};
    std::vector<unsigned char> visited = std::vector<unsigned char>(kSide * kSide);
    VariableSizeVirtualTable<bool> matrix{modules.get(), kSide * kSide};
};

// The codewords of the walk and of the table for one matrix; false when
// either refuses.
void ExpectSameCodewords(Buffers& b, DataMatrixPlacementTable& table, unsigned count)
{
    std::vector<unsigned short> walked(count + 1, 0x5555);
    std::vector<unsigned short> looked(count + 1, 0x5555);
    bool const walk = DataMatrixPlacement::ReadCodewords(b.matrix, b.visited.data(),
                                                         static_cast<unsigned>(b.visited.size()), walked.data(), count);
    bool const built = table.IsFor(b.matrix.GetWidth(), b.matrix.GetHeight(), count) ||
                       table.Build(b.matrix.GetWidth(), b.matrix.GetHeight(), count, b.visited.data(),
                                   static_cast<unsigned>(b.visited.size()));
    ASSERT_EQ(built, walk);
    if (!built) {
        return;
    }
    ASSERT_TRUE(table.Read(b.matrix, looked.data()));
    EXPECT_EQ(looked, walked);
}

TEST(DataMatrixPlacementTest, TheTableReadsAsTheWalkForEverySize)
{
    Buffers b;
    auto table = std::make_unique<DataMatrixPlacementTable>();
    std::mt19937 random(11);
    for (unsigned i = 0; i < DataMatrixVersionTable::kCount; ++i) {
        DataMatrixVersion const& v = DataMatrixVersionTable::Get(i);
        SCOPED_TRACE(std::to_string(v.symbolWidth) + " x " + std::to_string(v.symbolHeight));
        ASSERT_TRUE(b.matrix.Resize(v.GetMappingWidth(), v.GetMappingHeight()));
        unsigned const modules = v.GetMappingWidth() * v.GetMappingHeight();
        for (int fill = 0; fill < 4; ++fill) {
            for (unsigned m = 0; m < modules; ++m) {
                b.modules[m] = fill == 0 ? true : (fill == 1 ? false : (random() & 1) != 0);
            }
            ExpectSameCodewords(b, *table, v.GetTotalCodewords());
        }
    }
}

TEST(DataMatrixPlacementTest, ASizeChangeLaysTheTableOutAgain)
{
    struct Step {
        unsigned width;
        unsigned height;
        unsigned count;
    };
    DataMatrixVersion const& small = DataMatrixVersionTable::Get(0);
    DataMatrixVersion const& large = DataMatrixVersionTable::Get(DataMatrixVersionTable::kCount - 1);
    Step const steps[] = {
        {small.GetMappingWidth(), small.GetMappingHeight(), small.GetTotalCodewords()},
        {large.GetMappingWidth(), large.GetMappingHeight(), large.GetTotalCodewords()},
        {small.GetMappingWidth(), small.GetMappingHeight(), small.GetTotalCodewords()},
        // Fewer codewords than the size holds: the first ones only.
        {large.GetMappingWidth(), large.GetMappingHeight(), 5},
        // More than the size holds, and a matrix too small to place in.
        {small.GetMappingWidth(), small.GetMappingHeight(), small.GetTotalCodewords() + 40},
        {5, 5, 2},
        {small.GetMappingWidth(), small.GetMappingHeight(), small.GetTotalCodewords()},
    };
    Buffers b;
    auto table = std::make_unique<DataMatrixPlacementTable>();
    std::mt19937 random(5);
    for (Step const& s : steps) {
        SCOPED_TRACE(std::to_string(s.width) + " x " + std::to_string(s.height) + ", " + std::to_string(s.count));
        ASSERT_TRUE(b.matrix.Resize(s.width, s.height));
        for (unsigned m = 0; m < s.width * s.height; ++m) {
            b.modules[m] = (random() & 1) != 0;
        }
        ExpectSameCodewords(b, *table, s.count);
    }
}

}  // namespace
}  // namespace data_matrix_placement_test
