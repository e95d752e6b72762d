// The locator's region form, which the linear frame calls for the rows of a
// stacked symbol beside the row it has read (Codablock F) and around GS1
// DataBar segments.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "config/configuration_manager.h"
#include "decoder/core/location/code_searcher_engine.h"
#include "decoder/core/property/dec2d_property.h"
#include "tests/support/symbol_renderer.h"

namespace searcher_test {
namespace {

using namespace DEC2DIvra;

class RowsTest : public ::testing::Test {
protected:
    struct Stacked {
        support::Rendering rendering;
        double rowHeight = 0;  // modules
    };

    static Stacked Render(double angle, double module = 2.0)
    {
        support::RenderOptions o;
        o.moduleSize = module;
        o.angle = angle;
        Stacked s;
        s.rendering = support::render(
            {.symbology = BARCODE_CODABLOCKF, .data = "CODABLOCK F STACKED ROWS 0123456789 ABCDEFGH"}, o);
        if (s.rendering.symbol.rows > 0) {
            s.rowHeight = s.rendering.symbol.heightModules / s.rendering.symbol.rows;
        }
        return s;
    }

    // The region of row k, a module inside its top and bottom.
    static Region RowRegion(Stacked const& s, int k)
    {
        support::RenderedSymbol const& symbol = s.rendering.symbol;
        auto point = [&](double x, double y) {
            support::Point const p = symbol.toFrame({x, y});
            return Point{static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y))};
        };
        Region r;
        r.corner[0] = point(0, k * s.rowHeight + 1);
        r.corner[1] = point(symbol.widthModules, k * s.rowHeight + 1);
        r.corner[2] = point(symbol.widthModules, (k + 1) * s.rowHeight - 1);
        r.corner[3] = point(0, (k + 1) * s.rowHeight - 1);
        return r;
    }

    // The row that a region's centre lies in; -1 outside the symbol.
    static int RowOf(Stacked const& s, Region const& r)
    {
        Point const c = r.CalcCenterPoint();
        support::Point const m = s.rendering.symbol.toModule({static_cast<double>(c.x), static_cast<double>(c.y)});
        if (m.x < 0 || m.x > s.rendering.symbol.widthModules || m.y < 0) {
            return -1;
        }
        int const row = static_cast<int>(m.y / s.rowHeight);
        return row < s.rendering.symbol.rows ? row : -1;
    }

    int Locate(support::Frame const& frame, Region const& region, StackInterface<Region>& rows)
    {
        GrayImage const image(frame.width, frame.height, frame.width, frame.pixels.data());
        return engine_->Start(image, region, rows);
    }

    ivra_configuration::ConfigurationManager manager_;
    std::unique_ptr<DEC2DProperty> property_ = std::make_unique<DEC2DProperty>(manager_.Root());
    std::unique_ptr<CodeSearcherEngine> engine_{new (std::nothrow) CodeSearcherEngine(*property_)};
};

TEST_F(RowsTest, EveryOtherRowOfAStackedSymbolIsFoundOnceAtAnyAngle)
{
    ASSERT_NE(engine_, nullptr);
    struct Case {
        double angle;
        int given;
    };
    for (Case const c : {Case{0, 1}, Case{30, 1}, Case{135, 4}, Case{200, 7}, Case{275, 0}, Case{350, 3}}) {
        Stacked const s = Render(c.angle);
        ASSERT_TRUE(s.rendering.symbol.ok) << s.rendering.symbol.error;
        int const rows = s.rendering.symbol.rows;
        ASSERT_GE(rows, 4);
        Region buffer[32];
        StackInterface<Region> located(buffer, 32);
        EXPECT_EQ(Locate(s.rendering.frame, RowRegion(s, c.given), located), 1) << c.angle;
        std::vector<int> found(static_cast<size_t>(rows), 0);
        for (Region const& r : located) {
            int const row = RowOf(s, r);
            ASSERT_GE(row, 0) << c.angle;
            ++found[static_cast<size_t>(row)];
        }
        for (int k = 0; k < rows; ++k) {
            EXPECT_EQ(found[static_cast<size_t>(k)], k == c.given ? 0 : 1) << c.angle << " row " << k;
        }
    }
}

TEST_F(RowsTest, AFullStackTakesNoMoreRows)
{
    ASSERT_NE(engine_, nullptr);
    Stacked const s = Render(10);
    Region buffer[4];
    Region const canary = RowRegion(s, 0);
    buffer[3] = canary;
    StackInterface<Region> located(buffer, 3);
    EXPECT_EQ(Locate(s.rendering.frame, RowRegion(s, 3), located), 1);
    EXPECT_EQ(located.GetCount(), 3u);
    EXPECT_EQ(buffer[3], canary);
}

TEST_F(RowsTest, RowsInTheSearchMarginsAreNotGiven)
{
    ASSERT_NE(engine_, nullptr);
    Stacked const s = Render(0);
    // The symbol spans about y 160 .. 320 at its row height of 20 pixels;
    // the margin leaves only the rows above y 260.
    auto& margin = manager_.Root().detail_of_decoder.search_margin;
    margin.bottom.Set(static_cast<std::uint16_t>(480 - 260));
    Region buffer[32];
    StackInterface<Region> located(buffer, 32);
    Locate(s.rendering.frame, RowRegion(s, 1), located);
    EXPECT_GE(located.GetCount(), 2u);
    for (Region const& r : located) {
        for (Point const& p : r.corner) {
            EXPECT_LE(p.y, 259);
        }
        EXPECT_LT(RowOf(s, r), 5);
    }
}

TEST_F(RowsTest, ASymbolOfOneRowHasNoOtherRows)
{
    ASSERT_NE(engine_, nullptr);
    support::RenderOptions o;
    o.moduleSize = 2.0;
    o.angle = 25;
    support::Rendering const r = support::render({.data = "ONE ROW ONLY"}, o);
    ASSERT_TRUE(r.symbol.ok);
    Region region;
    for (unsigned i = 0; i < 4; ++i) {
        region.corner[i] = Point{static_cast<int>(std::lround(r.symbol.corners[i].x)),
                                 static_cast<int>(std::lround(r.symbol.corners[i].y))};
    }
    Region buffer[8];
    StackInterface<Region> located(buffer, 8);
    EXPECT_EQ(Locate(r.frame, region, located), 0);
    EXPECT_EQ(located.GetCount(), 0u);
}

TEST_F(RowsTest, MalformedRegionsAndImagesGiveNothing)
{
    ASSERT_NE(engine_, nullptr);
    Stacked const s = Render(0);
    Region buffer[8];
    StackInterface<Region> located(buffer, 8);
    Region point;  // all four corners at one place
    for (Point& p : point.corner) {
        p = Point{300, 200};
    }
    Region far;  // wholly outside the image
    far.corner[0] = Point{5000, 5000};
    far.corner[1] = Point{5300, 5000};
    far.corner[2] = Point{5300, 5020};
    far.corner[3] = Point{5000, 5020};
    Region huge;  // corners at the ends of the integer range
    huge.corner[0] = Point{-2000000000, -2000000000};
    huge.corner[1] = Point{2000000000, -2000000000};
    huge.corner[2] = Point{2000000000, 2000000000};
    huge.corner[3] = Point{-2000000000, 2000000000};
    for (Region const& r : {point, far, huge}) {
        EXPECT_EQ(Locate(s.rendering.frame, r, located), 0);
    }
    EXPECT_EQ(located.GetCount(), 0u);
    GrayImage const empty(640, 480, 640, nullptr);
    EXPECT_EQ(engine_->Start(empty, RowRegion(s, 1), located), 0);
    std::vector<unsigned short> tiny(4, 500);
    GrayImage const small(2, 2, 2, tiny.data());
    EXPECT_EQ(engine_->Start(small, RowRegion(s, 1), located), 0);
    EXPECT_EQ(located.GetCount(), 0u);
}

}  // namespace
}  // namespace searcher_test
