// The grid grown from the orientation clusters, on rendered zint symbols:
// the bull's-eye half-extents in, module values out, read back to the text.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "decoder/legacy/engine/legacy_scan_line.h"
#include "decoder/legacy/maxicode/maxi_codewords.h"
#include "decoder/legacy/maxicode/maxi_message.h"
#include "decoder/legacy/maxicode/maxi_line_growth.h"
#include "decoder/legacy/maxicode/maxi_module_location.h"
#include "decoder/legacy/maxicode/maxi_turned_grid.h"
#include "tests/support/symbol_renderer.h"

namespace {

void UseFrame(support::Frame const& frame)
{
    decode_image_info.samplePixels = frame.pixels.data();
    decode_image_info.sampleWidth = frame.width;
    decode_image_info.sampleHeight = frame.height;
    decode_image_info.sampleRowPadding = 0;
    ForgetModuleLocation();  // a new image
}

// Module values of the last grid, read to text; "" when nothing reads.
std::string ReadGrid()
{
    static unsigned char modules[kMaxiRows * kMaxiColumns];
    for (int i = 0; i < kMaxiRows * kMaxiColumns; ++i) {
        modules[i] = MX_bits[i] == '1' ? 1 : 0;
    }
    static MaxiMessage message;
    if (DecodeMaxiModules(modules, 0, message) == 129) {
        return "";
    }
    return {reinterpret_cast<char const*>(message.text), static_cast<size_t>(message.length)};
}

// The light centre spot near the frame centre (the drawn symbol's middle is
// not the bull's-eye's), as the finder check would hand it on.
support::Point SpotCentre(support::Frame const& f, double pitch)
{
    int const reach = static_cast<int>(pitch);
    int const disc = static_cast<int>(pitch * 0.35);
    long best = -1;
    support::Point centre{};
    for (int y = f.height / 2 - reach; y <= f.height / 2 + reach; ++y) {
        for (int x = f.width / 2 - reach; x <= f.width / 2 + reach; ++x) {
            long sum = 0;
            for (int j = -disc; j <= disc; ++j) {
                for (int i = -disc; i <= disc; ++i) {
                    sum += f.pixels[static_cast<size_t>((y + j) * f.width + x + i)];
                }
            }
            if (sum > best) {
                best = sum;
                centre = {static_cast<double>(x), static_cast<double>(y)};
            }
        }
    }
    return centre;
}

class MaxiModuleLocationTest : public testing::Test {
protected:
    void SetUp() override
    {
        InitTables_mx();
        BuildMaxiBitInverse();
        clear_Bo_MX();
    }
};

TEST_F(MaxiModuleLocationTest, TurnedSymbolsReadAtBothThresholds)
{
    struct Case {
        char const* name;
        int mode;
        double moduleSize;
        double angle;
        double blur;
    };
    Case const cases[] = {
        {"upright", 4, 6.0, 0, 0},
        {"turned 30", 4, 5.0, 30, 0},
        {"turned 150, mode 5", 5, 6.0, 150, 0},
        {"turned 250, blurred", 6, 6.0, 250, 1.0},
    };
    std::string const text = "CLUSTER GRID 0123456789";
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        auto const r = support::render({.symbology = BARCODE_MAXICODE, .data = text, .option1 = c.mode},
                                       {.moduleSize = c.moduleSize, .angle = c.angle, .blur = c.blur});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        UseFrame(r.frame);
        // The outer ring edge lies 4.51 module pitches from the centre.
        int const extent = static_cast<int>(4.51 * c.moduleSize);
        support::Point const spot = SpotCentre(r.frame, c.moduleSize);
        int const cx = static_cast<int>(spot.x);
        int const cy = static_cast<int>(spot.y);
        // Attempts 0 and 2 cut the bands at their own mid-range, 1 and 3 at
        // the bull's-eye's; 0 and 1 settle crossings on the fewer
        // corrections, 2 and 3 on the straighter lines.
        for (int attempt : {0, 1, 2, 3}) {
            SCOPED_TRACE(attempt);
            ASSERT_EQ(ModuleLocation(cx, cy, extent, extent, extent, extent, attempt), 0);
            EXPECT_EQ(TH_SELECT, attempt & 1);
            EXPECT_EQ(METHOD1, attempt < 2 ? 1 : 0);
            // Cluster k lies at 60 (k + 1) degrees turned by the symbol's
            // (clockwise) angle.
            for (int k = 0; k < 6; ++k) {
                int const want = static_cast<int>(std::lround(60 * (k + 1) - c.angle + 720)) % 360;
                int const off = ((Hexagon2[0].direction[k] - want) % 360 + 540) % 360 - 180;
                EXPECT_LE(std::abs(off), 3) << "cluster " << k;
            }
            EXPECT_EQ(ReadGrid(), text);
            // The corner modules where the hexagonal lattice about the
            // bull's-eye puts them: columns a pitch apart, rows sqrt(3)/2,
            // odd rows half a pitch right; turned clockwise with the symbol.
            double const turn = c.angle * M_PI / 180;
            for (auto const& corner : {std::array<int, 2>{0, 0}, {0, 29}, {32, 0}, {32, 29}, {9, 10}}) {
                SCOPED_TRACE(testing::Message() << "module " << corner[0] << "," << corner[1]);
                double const u = (corner[1] + 0.5 * (corner[0] & 1) - 14) * c.moduleSize;
                double const v = (corner[0] - 16) * std::sqrt(3.0) / 2 * c.moduleSize;
                MaxiPoint16 const& m = Modl[37 * corner[0] + corner[1]];
                EXPECT_NEAR(m.x / 65536.0, spot.x + u * std::cos(turn) - v * std::sin(turn), 0.35 * c.moduleSize);
                EXPECT_NEAR(m.y / 65536.0, spot.y + u * std::sin(turn) + v * std::cos(turn), 0.35 * c.moduleSize);
            }
            // The centre module's record holds the bull's-eye centre.
            EXPECT_NEAR(Modl[37 * 16 + 14].x >> 16, cx, 2);
            EXPECT_NEAR(Modl[37 * 16 + 14].y >> 16, cy, 2);
        }
    }
}

// Leaning symbols: the lines walked out in hops with centring follow the
// changing pitch of a moderate lean on the first attempt; a strong lean is
// left to the grid turned whole and placed through the projective map.
TEST_F(MaxiModuleLocationTest, LeaningSymbolsRead)
{
    std::string const text = "MaxiCode mode 4: 0123456789 text";
    int grown = 0;
    int turned = 0;
    for (int angle = 0; angle < 360; angle += 30) {
        SCOPED_TRACE(angle);
        for (double lean : {0.1, 0.2}) {
            auto const r = support::render(
                {.symbology = BARCODE_MAXICODE, .data = text, .option1 = 4},
                {.moduleSize = 4.0, .angle = static_cast<double>(angle), .perspectiveX = lean, .perspectiveY = lean / 2});
            ASSERT_TRUE(r.symbol.ok);
            UseFrame(r.frame);
            int const extent = static_cast<int>(4.51 * 4.0);
            support::Point const spot = SpotCentre(r.frame, 4.0);
            int const cx = static_cast<int>(spot.x);
            int const cy = static_cast<int>(spot.y);
            if (lean < 0.15) {
                ASSERT_EQ(ModuleLocation(cx, cy, extent, extent, extent, extent, 0), 0);
                grown += ReadGrid() == text ? 1 : 0;
            } else if (LocateTurnedGrid(cx, cy, extent, extent, extent, extent, 2) == 0) {
                turned += ReadGrid() == text ? 1 : 0;
            }
        }
    }
    EXPECT_GE(grown, 11) << "of 12";
    EXPECT_GE(turned, 4) << "of 12";
}

// The second search, which takes a sample only where the four pixels of its
// cell agree and also pairs clusters two apart, finds the same six
// directions as the first on sharp symbols, turned or not.
TEST_F(MaxiModuleLocationTest, BothClusterSearchesFindTheSameDirections)
{
    for (double angle : {0.0, 45.0, 200.0}) {
        SCOPED_TRACE(angle);
        auto const r = support::render({.symbology = BARCODE_MAXICODE, .data = "SEARCH", .option1 = 4},
                                       {.moduleSize = 6.0, .angle = angle});
        ASSERT_TRUE(r.symbol.ok);
        UseFrame(r.frame);
        int const extent = static_cast<int>(4.51 * 6.0);
        support::Point const spot = SpotCentre(r.frame, 6.0);
        SetMaxiThreshold(static_cast<int>(spot.x), static_cast<int>(spot.y), extent, extent, extent, extent);
        CenterRadii(static_cast<int>(spot.x), static_cast<int>(spot.y), extent, extent, extent, extent);
        for (int search = 0; search < 2; ++search) {
            SCOPED_TRACE(search == 0 ? "against the sector thresholds" : "cells agreeing");
            ASSERT_GT(search == 0 ? PatternFind() : PatternSearch(0), 0);
            for (int k = 0; k < 6; ++k) {
                int const want = static_cast<int>(std::lround(60 * (k + 1) - angle + 720)) % 360;
                for (int n = 0; n < NumH2; ++n) {
                    int const off = ((Hexagon2[n].direction[k] - want) % 360 + 540) % 360 - 180;
                    // Records of the scales at either end may lean by the
                    // 5 degrees within which they are averaged.
                    EXPECT_LE(std::abs(off), 5) << "record " << n << " cluster " << k;
                }
            }
        }
    }
}

// Rings with nothing about them: no orientation, no grid.
TEST_F(MaxiModuleLocationTest, RingsWithoutClustersAreRefused)
{
    auto r = support::render({.symbology = BARCODE_MAXICODE, .data = "X", .option1 = 4}, {.moduleSize = 6.0});
    ASSERT_TRUE(r.symbol.ok);
    // Light everything beyond the rings.
    int const cx = r.frame.width / 2;
    int const cy = r.frame.height / 2;
    int const keep = static_cast<int>(4.9 * 6.0);
    for (int y = 0; y < r.frame.height; ++y) {
        for (int x = 0; x < r.frame.width; ++x) {
            if ((x - cx) * (x - cx) + (y - cy) * (y - cy) > keep * keep) {
                r.frame.pixels[static_cast<size_t>(y * r.frame.width + x)] = 900;
            }
        }
    }
    UseFrame(r.frame);
    int const extent = static_cast<int>(4.51 * 6.0);
    EXPECT_EQ(ModuleLocation(cx, cy, extent, extent, extent, extent, 0), 1);
    EXPECT_EQ(NumH2, 0);
}

// Points off the frame read the nearest edge pixel: a bull's-eye near the
// corner is measured without reading outside the image.
TEST_F(MaxiModuleLocationTest, GridReachingPastTheFrameIsClamped)
{
    auto const r = support::render({.symbology = BARCODE_MAXICODE, .data = "EDGE", .option1 = 4},
                                   {.moduleSize = 6.0, .centre = support::Point{40, 40}});
    ASSERT_TRUE(r.symbol.ok);
    UseFrame(r.frame);
    int const extent = static_cast<int>(4.51 * 6.0);
    int const result = ModuleLocation(40, 40, extent, extent, extent, extent, 0);
    EXPECT_TRUE(result == 0 || result == 1);
}

}  // namespace
