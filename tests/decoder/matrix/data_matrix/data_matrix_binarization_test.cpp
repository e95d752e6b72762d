// The module decision over a mesh of module centres: the mapping matrix is
// the symbol zint drew without its L, its timing sides and the finder and
// timing lines between its data regions, in either polarity.

#include <gtest/gtest.h>
#include <zint.h>

#include <memory>
#include <string>
#include <vector>

#include "decoder/core/sampling/common_code_mesh.h"
#include "decoder/core/sampling/common_luminance_map.h"
#include "decoder/matrix/data_matrix/data_matrix_binarization.h"

namespace data_matrix_binarization_test {
namespace {

using namespace DEC2DIvra;

struct ZintSymbol {
    std::vector<std::vector<bool>> dark;  // [row][column]
};

ZintSymbol Encode(std::string const& data, int size)
{
    std::unique_ptr<zint_symbol, void (*)(zint_symbol*)> symbol(ZBarcode_Create(), ZBarcode_Delete);
    symbol->symbology = BARCODE_DATAMATRIX;
    symbol->option_2 = size;
    ZintSymbol out;
    if (ZBarcode_Encode(symbol.get(), reinterpret_cast<unsigned char const*>(data.data()),
                        static_cast<int>(data.size())) >= ZINT_ERROR) {
        return out;
    }
    out.dark.assign(symbol->rows, std::vector<bool>(symbol->width));
    for (int r = 0; r < symbol->rows; ++r) {
        for (int c = 0; c < symbol->width; ++c) {
            out.dark[r][c] = ((symbol->encoded_data[r][c / 8] >> (c % 8)) & 1) != 0;
        }
    }
    return out;
}

TEST(DataMatrixBinarizationTest, MappingMatrixLeavesOutTheLinesBetweenDataRegions)
{
    struct Case {
        char const* name;
        int size;  // zint's size option
        unsigned width, height;
        bool lightOnDark;
        char const* data;
    };
    Case const cases[] = {
        {"one region 12x12", 2, 12, 12, false, "Ab12"},
        {"2 x 2 regions 32x32", 10, 32, 32, false, "binarization test 0123456789"},
        {"2 x 2 regions 32x32 light on dark", 10, 32, 32, true, "binarization test 0123456789"},
        {"1 x 2 regions 16x48", 30, 48, 16, false, "binarization test 0123456789"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        ZintSymbol const symbol = Encode(c.data, c.size);
        ASSERT_EQ(symbol.dark.size(), c.height);
        DataMatrixVersion const* version = DataMatrixVersionTable::Find(c.width, c.height);
        ASSERT_NE(version, nullptr);
        // 4 pixels a module, 8 pixels of quiet zone.
        constexpr int kModule = 4;
        constexpr int kQuiet = 8;
        int const w = static_cast<int>(c.width) * kModule + 2 * kQuiet;
        int const h = static_cast<int>(c.height) * kModule + 2 * kQuiet;
        std::vector<unsigned short> pixels(static_cast<size_t>(w) * h, c.lightOnDark ? 100 : 900);
        for (unsigned r = 0; r < c.height; ++r) {
            for (unsigned col = 0; col < c.width; ++col) {
                bool const ink = symbol.dark[r][col] != c.lightOnDark;
                for (int y = 0; y < kModule; ++y) {
                    for (int x = 0; x < kModule; ++x) {
                        pixels[static_cast<size_t>(kQuiet + r * kModule + y) * w + kQuiet + col * kModule + x] =
                            ink ? 100 : 900;
                    }
                }
            }
        }
        GrayImage const image(w, h, w, pixels.data());
        std::vector<Point> points(c.width * c.height);
        CommonCodeMesh mesh(VirtualArray<Point>(points.data(), static_cast<unsigned>(points.size())));
        ASSERT_TRUE(mesh.SetSize(c.width, c.height, 8) && mesh.SetSamplingSize(8));
        for (unsigned r = 0; r < c.height; ++r) {
            for (unsigned col = 0; col < c.width; ++col) {
                mesh.At(col, r) = Point{(kQuiet + static_cast<int>(col) * kModule) * 256 + 384,
                                        (kQuiet + static_cast<int>(r) * kModule) * 256 + 384};
            }
        }
        std::vector<unsigned short> cells(c.width * c.height);
        std::vector<GapAndThreshold> blockCells(64 * 64);
        std::unique_ptr<bool[]> decidedCells(new bool[c.width * c.height]);
        std::unique_ptr<bool[]> matrixCells(new bool[c.width * c.height]);
        CommonLuminanceMap map(VirtualArray<unsigned short>(cells.data(), static_cast<unsigned>(cells.size())));
        CommonGapAndThresholdMap blocks(
            VirtualArray<GapAndThreshold>(blockCells.data(), static_cast<unsigned>(blockCells.size())));
        VariableSizeVirtualTable<bool> decided(decidedCells.get(), c.width * c.height);
        VariableSizeVirtualTable<bool> matrix(matrixCells.get(), c.width * c.height);
        BinarizationSubroutineForDataMatrix const binarization(blocks, decided);
        for (bool laplacian : {false, true}) {
            ASSERT_EQ(binarization.Start(image, mesh, *version, !c.lightOnDark, laplacian, map, matrix), 1);
            ASSERT_EQ(matrix.GetWidth(), version->GetMappingWidth());
            ASSERT_EQ(matrix.GetHeight(), version->GetMappingHeight());
            unsigned const rw = version->regionWidth + 2u;
            unsigned const rh = version->regionHeight + 2u;
            unsigned my = 0;
            for (unsigned r = 0; r < c.height; ++r) {
                if (r % rh == 0 || r % rh == rh - 1) {
                    continue;
                }
                unsigned mx = 0;
                for (unsigned col = 0; col < c.width; ++col) {
                    if (col % rw == 0 || col % rw == rw - 1) {
                        continue;
                    }
                    ASSERT_EQ(matrix.At(mx, my), symbol.dark[r][col]) << "module " << col << ", " << r;
                    ++mx;
                }
                EXPECT_EQ(mx, matrix.GetWidth());
                ++my;
            }
            EXPECT_EQ(my, matrix.GetHeight());
        }
        // A mesh of another size than the version's is refused.
        CommonCodeMesh small(VirtualArray<Point>(points.data(), static_cast<unsigned>(points.size())));
        ASSERT_TRUE(small.SetSize(c.width - 1, c.height, 8));
        EXPECT_EQ(binarization.Start(image, small, *version, true, false, map, matrix), 0);
    }
}

}  // namespace
}  // namespace data_matrix_binarization_test
