// The module walk along a map's rows against the map itself: a symbol's
// every module is sampled where the walk puts it.

#include <gtest/gtest.h>

#include "decoder/matrix/qr/qr_perspective.h"

namespace DEC2DIvra {
namespace {

TEST(QRPerspectiveTest, RowWalkKeepsToTheMapAcrossTheLargestSymbol)
{
    struct Case {
        char const* name;
        QRPoint pixels[4];
    };
    Case const cases[] = {
        {"upright", {{10.0f, 20.0f}, {364.0f, 20.0f}, {364.0f, 374.0f}, {10.0f, 374.0f}}},
        {"turned", {{200.0f, 5.0f}, {450.0f, 255.0f}, {200.0f, 505.0f}, {-50.0f, 255.0f}}},
        {"strong perspective", {{40.0f, 30.0f}, {600.0f, 80.0f}, {520.0f, 460.0f}, {90.0f, 400.0f}}},
    };
    QRPoint const modules[4] = {{0.0f, 0.0f}, {177.0f, 0.0f}, {177.0f, 177.0f}, {0.0f, 177.0f}};
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        QRPerspective map;
        ASSERT_TRUE(map.Fit(modules, c.pixels));
        QRPoint row[177];
        for (unsigned y = 0; y < 177; y += 8) {
            float const cy = static_cast<float>(y) + 0.5f;
            map.MapRow(0.5f, cy, 177, row);
            for (unsigned x = 0; x < 177; ++x) {
                QRPoint const expected = map.Map(static_cast<float>(x) + 0.5f, cy);
                ASSERT_NEAR(row[x].x, expected.x, 0.01f) << x << ", " << y;
                ASSERT_NEAR(row[x].y, expected.y, 0.01f) << x << ", " << y;
            }
        }
    }
}

}  // namespace
}  // namespace DEC2DIvra
