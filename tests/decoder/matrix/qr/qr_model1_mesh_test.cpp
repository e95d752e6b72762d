// The Model 1 mesh along the extension patterns and the module decisions
// over it, on symbols the project's encoder draws: every module of the
// drawn matrix is decided as drawn, also with a finder placed from the
// top-left one, turned, blurred and light on dark.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "decoder/core/containers/variable_size_virtual_table.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/sampling/common_code_mesh.h"
#include "decoder/core/sampling/common_luminance_map.h"
#include "decoder/matrix/qr/qr_binarization.h"
#include "decoder/matrix/qr/qr_model1_mesh.h"
#include "tests/support/qr_model1_symbol.h"

namespace {

using DEC2DIvra::CommonCodeMesh;
using DEC2DIvra::Point;
using DEC2DIvra::QRFinderRegion;

struct Case {
    int version;
    support::RenderOptions options;
    bool placeTopRight;  // the top-right finder placed from the top-left one
};

TEST(QRModel1MeshTest, EveryModuleIsDecidedAsDrawn)
{
    Case const cases[] = {
        {1, {.moduleSize = 4.0, .angle = 10.0}, false},
        {4, {.moduleSize = 3.0, .angle = 200.0, .inverted = true}, false},
        {9, {.moduleSize = 3.0, .angle = 33.0, .blur = 1.0}, false},
        {14, {.moduleSize = 3.0, .angle = 2.0}, false},
        {6, {.moduleSize = 3.5, .angle = 75.0}, true},
    };
    std::vector<Point> points(75 * 75);
    std::vector<unsigned short> luminance(75 * 75);
    std::vector<DEC2DIvra::GapAndThreshold> blocks(15 * 15);
    std::vector<unsigned char> decided(73 * 73);
    for (Case const& c : cases) {
        support::ModuleMatrix const matrix = support::drawQRModel1(c.version, 'M', 3, "mesh " + std::to_string(c.version));
        ASSERT_TRUE(matrix.ok());
        support::Frame const frame = support::renderModules(matrix, c.options);
        double const a = c.options.angle * 3.14159265358979 / 180.0;
        double const half = matrix.size / 2.0;
        // Module coordinates to the decoder's pixels (a pixel's centre at its
        // index), as the renderer draws them.
        auto place = [&](double u, double v) {
            double const dx = ((u - half) * std::cos(a) - (v - half) * std::sin(a)) * c.options.moduleSize;
            double const dy = ((u - half) * std::sin(a) + (v - half) * std::cos(a)) * c.options.moduleSize;
            return Point{static_cast<int>(std::lround((frame.width / 2.0 + dx - 0.5) * 256.0)),
                         static_cast<int>(std::lround((frame.height / 2.0 + dy - 0.5) * 256.0))};
        };
        auto finder = [&](double x, double y) {
            QRFinderRegion f;
            f.corner[0] = place(x + 0.5, y + 0.5);
            f.corner[1] = place(x + 6.5, y + 0.5);
            f.corner[2] = place(x + 6.5, y + 6.5);
            f.corner[3] = place(x + 0.5, y + 6.5);
            f.size = static_cast<unsigned>(6.0 * c.options.moduleSize * 256.0);
            f.CalcMiddlePoints();
            return f;
        };
        int const s = matrix.size;
        QRFinderRegion const topLeft = finder(0, 0);
        QRFinderRegion const topRight = finder(s - 7, 0);
        QRFinderRegion const bottomLeft = finder(0, s - 7);
        DEC2DIvra::GrayImage const image(frame.width, frame.height, frame.width, frame.pixels.data());
        CommonCodeMesh mesh(DEC2DIvra::VirtualArray<Point>(points.data(), static_cast<unsigned>(points.size())));
        ASSERT_EQ(DEC2DIvra::CalcModel1QRCodeMeshSubroutine().Start(image, &topLeft,
                                                                    c.placeTopRight ? nullptr : &topRight,
                                                                    &bottomLeft, c.options.inverted,
                                                                    static_cast<unsigned>(c.version), mesh),
                  1)
            << "version " << c.version;
        DEC2DIvra::CommonLuminanceMap map(
            DEC2DIvra::VirtualArray<unsigned short>(luminance.data(), static_cast<unsigned>(luminance.size())));
        DEC2DIvra::VariableSizeVirtualTable<bool> table(reinterpret_cast<bool*>(decided.data()),
                                                        static_cast<unsigned>(decided.size()));
        DEC2DIvra::BinarizationSubroutineForQRCode const binarization(
            DEC2DIvra::VirtualArray<DEC2DIvra::GapAndThreshold>(blocks.data(), static_cast<unsigned>(blocks.size())));
        ASSERT_EQ(binarization.Start(image, mesh, false, static_cast<unsigned>(c.version), !c.options.inverted, false,
                                     map, table),
                  1);
        ASSERT_EQ(table.GetWidth(), static_cast<unsigned>(s));
        int wrong = 0;
        for (int y = 0; y < s; ++y) {
            for (int x = 0; x < s; ++x) {
                bool const dark = matrix.dark[static_cast<size_t>(y * s + x)] != 0;
                wrong += table.At(static_cast<unsigned>(x), static_cast<unsigned>(y)) != dark ? 1 : 0;
            }
        }
        EXPECT_EQ(wrong, 0) << "version " << c.version;
    }
}

}  // namespace
