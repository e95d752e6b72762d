// The parts of the symbol locator on images whose answer is known: the cell
// field and its noise estimate, the edges and trains of a profile, the
// direction correction, region building and the overlap with the central
// window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "decoder/core/arithmetic/dec_math.h"
#include "decoder/core/geometry/common_angle.h"
#include "decoder/core/geometry/geometry.h"
#include "decoder/core/location/bar_region_builder.h"
#include "decoder/core/location/bar_region_direction.h"
#include "decoder/core/location/bar_region_finder.h"
#include "decoder/core/location/bar_region_grower.h"
#include "decoder/core/location/bar_region_orientation_field.h"
#include "decoder/core/location/bar_region_profile.h"
#include "decoder/core/location/code_searcher_candidate_order.h"
#include "tests/decoder/linear/upc_ean/upc_ean_zint_modules.h"
#include "tests/support/frame.h"

namespace searcher_test {
namespace {

using namespace DEC2DIvra;

// Bars of the given widths (pixels, alternately dark and light, dark first)
// across the direction `degrees` (clockwise on screen), anti-aliased by 4 x 4
// supersampling, centred on (cx, cy) and `height` pixels high; the rest 800.
support::Frame DrawBars(std::vector<double> const& widths, double degrees, double cx, double cy, double height)
{
    support::Frame frame = support::makeFrame(640, 480, 800);
    double total = 0;
    for (double w : widths) {
        total += w;
    }
    double const a = degrees * std::numbers::pi / 180;
    double const ux = std::cos(a);
    double const uy = std::sin(a);
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            int dark = 0;
            for (int k = 0; k < 16; ++k) {
                double const px = x + (k % 4 + 0.5) / 4 - cx;
                double const py = y + (k / 4 + 0.5) / 4 - cy;
                double const s = px * ux + py * uy + total / 2;
                double const t = -px * uy + py * ux;
                if (s < 0 || s >= total || std::abs(t) > height / 2) {
                    continue;
                }
                double edge = 0;
                for (size_t i = 0; i < widths.size(); ++i) {
                    if (s < edge + widths[i]) {
                        dark += i % 2 == 0 ? 1 : 0;
                        break;
                    }
                    edge += widths[i];
                }
            }
            frame.at(x, y) = static_cast<uint16_t>(800 - dark * 650 / 16);
        }
    }
    return frame;
}

GrayImage ImageOf(support::Frame const& frame)
{
    return GrayImage(frame.width, frame.height, frame.width, frame.pixels.data());
}

BarRegionAxis Axis(double degrees, double x, double y)
{
    double const a = degrees * std::numbers::pi / 180;
    BarRegionAxis axis;
    axis.originX = std::llround(x * BarRegionAxis::kOne);
    axis.originY = std::llround(y * BarRegionAxis::kOne);
    axis.ux = static_cast<int>(std::lround(std::cos(a) * BarRegionAxis::kOne));
    axis.uy = static_cast<int>(std::lround(std::sin(a) * BarRegionAxis::kOne));
    return axis;
}

double AxisDegrees(BarRegionAxis const& axis) { return std::atan2(axis.uy, axis.ux) * 180 / std::numbers::pi; }

TEST(OrientationFieldTest, BarsAreBarLikeInTheirOwnDirectionAndFlatGroundIsNot)
{
    std::vector<double> const widths(30, 3.0);
    auto field = std::make_unique<BarOrientationField>();
    for (double degrees : {0.0, 30.0, 45.0, 100.0, 160.0}) {
        support::Frame const frame = DrawBars(widths, degrees, 320, 240, 120);
        ASSERT_TRUE(field->Start(ImageOf(frame), Rectangle{0, 0, 639, 479}, 8, 1));
        field->Classify(64, 140);
        auto grower = std::make_unique<BarRegionGrower>();
        ASSERT_GE(grower->Start(*field, 3), 1u) << degrees;
        unsigned largest = 0;
        for (unsigned i = 1; i < grower->GetCount(); ++i) {
            largest = grower->GetComponent(i).count > grower->GetComponent(largest).count ? i : largest;
        }
        BarRegionComponent const& c = grower->GetComponent(largest);
        int ux = 0;
        int uy = 0;
        ASSERT_TRUE(c.tensor.CalcDirection(ux, uy));
        double found = std::atan2(uy, ux) * 180 / std::numbers::pi;
        double error = std::fmod(found - degrees + 360 + 90, 180.0) - 90;
        // The summed products lean toward the axes by a few degrees at most.
        EXPECT_LT(std::abs(error), 4.0) << degrees;
        // The cell at the centre is bar-like, a corner cell is not.
        unsigned const middle = (240 / 8) * field->GetColumns() + 320 / 8;
        EXPECT_EQ(field->GetJudgement(middle).barLike, 1) << degrees;
        EXPECT_EQ(field->GetJudgement(0).barLike, 0) << degrees;
    }
}

TEST(OrientationFieldTest, EachJudgementIsThatOfItsCellsNeighbourhood)
{
    // Every cell judged on the sums of the cells around it (those of the
    // grid only): bars of full and of faint contrast, whose sums pass 2^23
    // and must be scaled down, over noise; the grid's edges and corners;
    // with and without the wide lanes, over grids of every width modulo
    // eight (the lanes take groups of eight columns) and grids of one or two
    // groups, whose both ends lie in one group.
    auto field = std::make_unique<BarOrientationField>();
    struct Case {
        double degrees;
        int right;
        bool wide;
    };
    for (Case const c : {Case{15.0, 639, true}, Case{70.0, 639, true}, Case{135.0, 639, true},
                         Case{15.0, 639, false}, Case{70.0, 631, false}, Case{135.0, 623, true},
                         Case{70.0, 615, true}, Case{15.0, 607, true}, Case{70.0, 599, true},
                         Case{135.0, 591, true}, Case{15.0, 583, true}, Case{70.0, 631, true},
                         Case{15.0, 63, true}, Case{70.0, 71, true}, Case{135.0, 135, true}}) {
        double const degrees = c.degrees;
        SCOPED_TRACE(std::to_string(c.right) + (c.wide ? " wide" : " plain"));
        support::Frame frame = DrawBars(std::vector<double>(24, 2.0 + degrees / 45), degrees, 300, 200, 150);
        // Full-contrast stripes at the left, ground alone at the right.
        for (size_t i = 0; i < frame.pixels.size(); i += 2) {
            if (i % 640 < 100) {
                frame.pixels[i] = static_cast<unsigned short>(frame.pixels[i] > 400 ? 1023 : 0);
            }
        }
        support::applyNoise(frame, 40, 3);
        ASSERT_TRUE(field->Start(ImageOf(frame), Rectangle{0, 0, c.right, 479}, 8, 1));
        field->Classify(64, 140, c.wide);
        int const columns = static_cast<int>(field->GetColumns());
        int const rows = static_cast<int>(field->GetRows());
        unsigned wrong = 0;
        unsigned barLike = 0;
        // The list of bar-like cells holds them all, in rising order.
        std::vector<unsigned> listed;
        for (int row = 0; row < rows; ++row) {
            for (int column = 0; column < columns; ++column) {
                GradientTensor t;
                for (int r = std::max(0, row - 1); r <= std::min(rows - 1, row + 1); ++r) {
                    for (int c = std::max(0, column - 1); c <= std::min(columns - 1, column + 1); ++c) {
                        t.Add(field->CalcTensor(static_cast<unsigned>(r * columns + c)));
                    }
                }
                BarOrientationField::Judgement expected{0, 0, 0};
                long long energy = t.CalcEnergy();
                if (t.samples > 0 && energy >= 64LL * t.samples) {
                    long long a = t.xx - t.yy;
                    long long b = 2 * t.xy;
                    while (energy >= (1LL << 23)) {
                        energy >>= 1;
                        a /= 2;
                        b /= 2;
                    }
                    long long const square = a * a + b * b;
                    unsigned angle = 0;
                    if (square * 255 * 255 >= 140LL * 140 * energy * energy && t.CalcDoubledAngle(angle)) {
                        long long const share = square * 255 / (energy * energy);
                        expected = {static_cast<unsigned short>(angle),
                                    static_cast<unsigned char>(share > 255 ? 255 : share), 1};
                    }
                }
                auto const& j = field->GetJudgement(static_cast<unsigned>(row * columns + column));
                wrong += j.barLike != expected.barLike || j.angle != expected.angle ||
                         j.coherence != expected.coherence;
                barLike += j.barLike;
                if (j.barLike != 0) {
                    listed.push_back(static_cast<unsigned>(row * columns + column));
                }
            }
        }
        EXPECT_EQ(wrong, 0u) << degrees;
        EXPECT_EQ(std::vector<unsigned>(field->GetBarLikeCells(), field->GetBarLikeCells() + field->GetBarLikeCount()),
                  listed);
        if (columns > 40) {
            EXPECT_GT(barLike, 100u) << degrees;
            EXPECT_LT(barLike, static_cast<unsigned>(rows * columns) / 2) << degrees;
        }
    }
}

TEST(OrientationFieldTest, TheLanesJudgeAsThePlainPathAtEveryFloor)
{
    // The lanes turn cells down on float sums before the whole sums judge
    // the rest: over floors that put many cells near either one (bars over
    // noise, their contrast a ramp from none at the left), they judge and
    // list every cell as the plain path does.
    auto wide = std::make_unique<BarOrientationField>();
    auto plain = std::make_unique<BarOrientationField>();
    support::Frame frame = DrawBars(std::vector<double>(30, 2.5), 35.0, 320, 240, 200);
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            frame.at(x, y) = static_cast<uint16_t>(500 + (static_cast<int>(frame.at(x, y)) - 500) * x / 640);
        }
    }
    support::applyNoise(frame, 12, 9);
    ASSERT_TRUE(wide->Start(ImageOf(frame), Rectangle{0, 0, 639, 479}, 8, 1));
    ASSERT_TRUE(plain->Start(ImageOf(frame), Rectangle{0, 0, 639, 479}, 8, 1));
    struct Floors {
        std::vector<unsigned> energy;
        std::vector<unsigned> coherence;
    };
    // Coherence floors five apart over a few energy floors, and energy
    // floors a few percent apart over two coherence floors.
    Floors sweeps[2] = {{{1, 16, 64, 300, 2000}, {}}, {{}, {0, 140}}};
    for (unsigned c = 0; c <= 255; c += 5) {
        sweeps[0].coherence.push_back(c);
    }
    for (double e = 1; e < 4000; e = e * 1.06 + 1) {
        sweeps[1].energy.push_back(static_cast<unsigned>(e));
    }
    unsigned barLike = 0;
    for (Floors const& sweep : sweeps) {
        for (unsigned energyFloor : sweep.energy) {
            for (unsigned coherenceFloor : sweep.coherence) {
                SCOPED_TRACE(std::to_string(energyFloor) + " " + std::to_string(coherenceFloor));
                wide->Classify(energyFloor, coherenceFloor, true);
                plain->Classify(energyFloor, coherenceFloor, false);
                unsigned wrong = 0;
                for (unsigned i = 0; i < wide->GetCellCount(); ++i) {
                    auto const& x = wide->GetJudgement(i);
                    auto const& y = plain->GetJudgement(i);
                    wrong += x.barLike != y.barLike || x.angle != y.angle || x.coherence != y.coherence;
                }
                EXPECT_EQ(wrong, 0u);
                ASSERT_EQ(wide->GetBarLikeCount(), plain->GetBarLikeCount());
                EXPECT_TRUE(std::equal(wide->GetBarLikeCells(), wide->GetBarLikeCells() + wide->GetBarLikeCount(),
                                       plain->GetBarLikeCells()));
                barLike += wide->GetBarLikeCount();
            }
        }
    }
    EXPECT_GT(barLike, 1000u);
}

TEST(GradientTensorTest, TheDoubledAngleIsTheGeneralAngleOfTheDoubledVector)
{
    // The 9-bit angle of (xx - yy, 2 xy), halved below 2^30 as the general
    // search takes it: on, one unit either side of and halfway between the
    // table's directions in all four quadrants (where rounding and the
    // search's boundaries decide), on the axes, and at random over every
    // magnitude up to sums that must be halved.
    auto expected = [](GradientTensor const& t, unsigned& value) {
        long long a = t.xx - t.yy;
        long long b = 2 * t.xy;
        while (std::llabs(a) >= (1LL << 30) || std::llabs(b) >= (1LL << 30)) {
            a /= 2;
            b /= 2;
        }
        return CommonAngle::CalcAngleValue(static_cast<int>(a), static_cast<int>(b), 9, value);
    };
    std::vector<GradientTensor> tensors;
    // A tensor whose doubled vector is (a, b), b even.
    auto add = [&tensors](long long a, long long b) {
        tensors.push_back(GradientTensor{a > 0 ? a : 0, a > 0 ? 0 : -a, b / 2, 9});
    };
    for (int j = 0; j < 1024; j += 1) {
        for (int shift : {4, 9}) {
            long long const x = DecMath::SineTable(j + 256) >> shift;
            long long const y = DecMath::SineTable(j) >> shift;
            for (long long d : {-2, 0, 2}) {
                // The direction (x, y) of y up is (x, -y) of y down.
                add(x + d, -(y & ~1LL));
                add(x, -((y & ~1LL) + d));
            }
        }
    }
    for (long long a : {0LL, 1LL, -1LL, 1000LL, -1000LL}) {
        for (long long b : {0LL, 2LL, -2LL, 2000LL, -2000LL}) {
            add(a, b);
        }
    }
    std::mt19937_64 random(7);
    for (int i = 0; i < 20000; ++i) {
        int const bits = 1 + static_cast<int>(random() % 40);
        auto value = [&random, bits] { return static_cast<long long>(random() % (1ULL << bits)); };
        long long const xy = value() - value() / 2;
        tensors.push_back(GradientTensor{value(), value(), xy, 9});
    }
    unsigned wrong = 0;
    for (GradientTensor const& t : tensors) {
        unsigned want = 1000;
        unsigned got = 1000;
        bool const has = expected(t, want);
        bool const found = t.CalcDoubledAngle(got);
        wrong += has != found || (has && want != got) ? 1 : 0;
    }
    EXPECT_EQ(wrong, 0u);
}

TEST(OrientationFieldTest, TheNoiseLevelFollowsTheNoiseOfTheImage)
{
    // The level follows the noise, and the cells binned in lanes give the
    // level of the cells binned one by one: faint noise, ground half flat
    // and half noisy, any share of whole cells, and cells all of one mean.
    auto field = std::make_unique<BarOrientationField>();
    for (double sigma : {0.0, 10.0, 30.0}) {
        support::Frame frame = support::makeFrame(640, 480, 500);
        support::applyNoise(frame, sigma, 3);
        ASSERT_TRUE(field->Start(ImageOf(frame), Rectangle{0, 0, 639, 479}, 8, 1));
        double const level = field->CalcNoiseLevel();
        EXPECT_GE(level, sigma * 0.6) << sigma;
        EXPECT_LE(level, sigma * 1.3 + 1) << sigma;
        EXPECT_EQ(field->CalcNoiseLevel(false), field->CalcNoiseLevel()) << sigma;
    }
    unsigned levels = 0;
    unsigned last = 1000;
    for (double sigma : {0.3, 0.5, 1.0, 2.0, 6.0}) {
        for (int flat : {0, 200, 500}) {
            support::Frame frame = support::makeFrame(640, 480, 500);
            support::applyNoise(frame, sigma, 5);
            for (int y = 0; y < flat && y < 480; ++y) {
                for (int x = 0; x < 640; ++x) {
                    frame.at(x, y) = 500;
                }
            }
            ASSERT_TRUE(field->Start(ImageOf(frame), Rectangle{3, 1, 633, 470}, 8, 1));
            unsigned const level = field->CalcNoiseLevel();
            EXPECT_EQ(field->CalcNoiseLevel(false), level) << sigma << " " << flat;
            levels += level != last ? 1 : 0;
            last = level;
        }
    }
    // The cases reach many levels (and so many bins).
    EXPECT_GE(levels, 5u);
    // One raised pixel inside each cell gives every whole cell the mean
    // 8 d^2 / 64 per sample, here from 0 to 200: bins on and between the
    // octaves.
    for (int d = 2; d <= 40; d += 3) {
        support::Frame frame = support::makeFrame(640, 480, 500);
        for (int y = 3; y < 480; y += 8) {
            for (int x = 3; x < 640; x += 8) {
                frame.at(x, y) = static_cast<uint16_t>(500 + d);
            }
        }
        ASSERT_TRUE(field->Start(ImageOf(frame), Rectangle{0, 0, 639, 479}, 8, 1));
        EXPECT_EQ(field->CalcNoiseLevel(false), field->CalcNoiseLevel()) << d;
    }
}

TEST(OrientationFieldTest, TheGridGrowsToFitLargeAreasAndRefusesBadOnes)
{
    auto field = std::make_unique<BarOrientationField>();
    std::vector<unsigned short> pixels(4000 * 3000, 500);
    GrayImage const image(4000, 3000, 4000, pixels.data());
    ASSERT_TRUE(field->Start(image, Rectangle{0, 0, 3999, 2999}, 8, 1));
    EXPECT_LE(field->GetCellCount(), BarOrientationField::kMaxCells);
    EXPECT_LE(field->GetCellSide() / field->GetStride(), BarOrientationField::kMaxSamplesPerSide);
    EXPECT_GE(field->GetColumns() * field->GetCellSide(), 4000u);
    struct Case {
        Rectangle area;
        unsigned side, stride;
    };
    for (Case const c : {Case{{0, 0, 4000, 10}, 8, 1}, Case{{-1, 0, 10, 10}, 8, 1}, Case{{5, 5, 4, 10}, 8, 1},
                         Case{{0, 0, 10, 10}, 0, 1}, Case{{0, 0, 10, 10}, 8, 0}}) {
        EXPECT_FALSE(field->Start(image, c.area, c.side, c.stride));
    }
    EXPECT_FALSE(field->Start(GrayImage(10, 10, 10, nullptr), Rectangle{0, 0, 9, 9}, 8, 1));
}

TEST(OrientationFieldTest, CellSumsAreThoseOfEveryBlockInTheCell)
{
    // Each cell's sums, however the pass groups the pixels (whole runs of
    // cells down a row of cells, the short last cell of a row in lanes
    // reaching back into the cell before, the rest pixel by pixel), are
    // those of the 2 x 2 blocks whose top-left pixel it holds: areas of any
    // left edge and width, a last row of cells cut short, grey values with
    // bits above the ten that count, coarser strides.
    struct Case {
        Rectangle area;
        unsigned stride;
    };
    Case const cases[] = {
        {{0, 0, 639, 479}, 1},  {{3, 5, 600, 470}, 1}, {{17, 2, 210, 61}, 1},
        {{0, 0, 62, 20}, 1},    {{1, 1, 638, 478}, 2}, {{0, 0, 639, 479}, 4},
        {{0, 0, 5, 20}, 1},     {{630, 0, 639, 479}, 1}, {{625, 3, 637, 40}, 1},
    };
    support::Frame frame = support::makeFrame(640, 480, 500);
    support::applyNoise(frame, 200, 5);
    std::vector<unsigned short> pixels(frame.pixels.begin(), frame.pixels.end());
    for (size_t i = 0; i < pixels.size(); i += 7) {
        pixels[i] = static_cast<unsigned short>(pixels[i] | 0xFC00);  // only the low ten bits count
    }
    GrayImage const image(640, 480, 640, pixels.data());
    auto field = std::make_unique<BarOrientationField>();
    for (Case const& c : cases) {
        SCOPED_TRACE(std::to_string(c.area.left) + " " + std::to_string(c.area.right) + " " +
                     std::to_string(c.stride));
        ASSERT_TRUE(field->Start(image, c.area, 8, c.stride));
        unsigned const side = field->GetCellSide();
        unsigned const step = field->GetStride();
        int const lastX = std::min(c.area.right, 638);
        int const lastY = std::min(c.area.bottom, 478);
        unsigned wrong = 0;
        for (unsigned row = 0; row < field->GetRows(); ++row) {
            for (unsigned column = 0; column < field->GetColumns(); ++column) {
                long long xx = 0, yy = 0, xy = 0;
                unsigned n = 0;
                int const x0 = c.area.left + static_cast<int>(column * side);
                int const y0 = c.area.top + static_cast<int>(row * side);
                for (int y = y0; y < y0 + static_cast<int>(side) && y <= lastY; y += static_cast<int>(step)) {
                    for (int x = x0; x < x0 + static_cast<int>(side) && x <= lastX; x += static_cast<int>(step)) {
                        int const a = image.At(x, y) & 1023, b = image.At(x + 1, y) & 1023;
                        int const d1 = image.At(x, y + 1) & 1023, d2 = image.At(x + 1, y + 1) & 1023;
                        long long const gx = (b + d2) - (a + d1);
                        long long const gy = (d1 + d2) - (a + b);
                        xx += gx * gx;
                        yy += gy * gy;
                        xy += gx * gy;
                        ++n;
                    }
                }
                auto const t = field->CalcTensor(row * field->GetColumns() + column);
                wrong += t.xx != xx || t.yy != yy || t.xy != xy || t.samples != n ? 1 : 0;
            }
        }
        EXPECT_EQ(wrong, 0u);
    }
}

TEST(ProfileTest, EdgesAndTrainsOfBarsInARow)
{
    // Two groups of 2-pixel bars (12 and 10 dark ones), 60 pixels apart.
    std::vector<double> widths;
    for (int i = 0; i < 23; ++i) {
        widths.push_back(2.0);
    }
    widths.push_back(60.0);  // light: the widths alternate dark, light
    for (int i = 0; i < 19; ++i) {
        widths.push_back(2.0);
    }
    support::Frame const frame = DrawBars(widths, 0, 320, 240, 60);
    auto profile = std::make_unique<BarRegionProfile>();
    int const offsets[3] = {-10, 0, 10};
    ASSERT_TRUE(profile->Sample(ImageOf(frame), Rectangle{0, 0, 639, 479}, Axis(0, 320, 240), -250, 250, offsets, 3));
    EXPECT_EQ(profile->GetCount(), 501u);
    // 12 + 10 dark bars, two edges each.
    EXPECT_EQ(profile->FindEdges(8, 6), 44u);
    BarRegionProfile::Train trains[4];
    ASSERT_EQ(profile->SplitTrains(16, 6, 10, trains, 4), 2u);
    EXPECT_EQ(trains[0].last - trains[0].first + 1, 24u);
    EXPECT_EQ(trains[1].last - trains[1].first + 1, 20u);
    EXPECT_EQ(trains[0].spacing, 2u);
    EXPECT_EQ(profile->CalcLongestTrain(6, 10), 24u);
    // The first edge lies where the first bar begins.
    double total = 0;
    for (double w : widths) {
        total += w;
    }
    EXPECT_NEAR(profile->CalcEdgeS(0), -total / 2, 1.0);
    EXPECT_NEAR(profile->CalcEdgeS(43), total / 2, 1.0);
    // A train shorter than the minimum is not kept.
    EXPECT_EQ(profile->SplitTrains(22, 6, 10, trains, 4), 1u);
}

TEST(ProfileTest, ThinBarsFarApartMakeOneTrain)
{
    // A postal symbol's thin bars: 2-pixel bars, spaces of one to three
    // units of 8 pixels less the bar; two symbols 150 pixels apart.
    std::vector<double> widths;
    double const spaces[] = {6, 22, 14, 6, 14, 22, 6, 6, 14, 22, 14, 6};
    for (int symbol = 0; symbol < 2; ++symbol) {
        for (int i = 0; i < 12; ++i) {
            widths.push_back(2.0);
            widths.push_back(i < 11 ? spaces[i] : (symbol == 0 ? 150.0 : 0.0));
        }
    }
    support::Frame const frame = DrawBars(widths, 0, 320, 240, 60);
    auto profile = std::make_unique<BarRegionProfile>();
    int const offsets[3] = {-10, 0, 10};
    ASSERT_TRUE(profile->Sample(ImageOf(frame), Rectangle{0, 0, 639, 479}, Axis(0, 320, 240), -310, 310, offsets, 3));
    ASSERT_EQ(profile->FindEdges(8, 6), 48u);
    BarRegionProfile::Train trains[4];
    ASSERT_EQ(profile->SplitTrains(16, 6, 10, trains, 4), 2u);
    EXPECT_EQ(trains[0].last - trains[0].first + 1, 24u);
    EXPECT_EQ(trains[1].last - trains[1].first + 1, 24u);
    EXPECT_EQ(profile->CalcLongestTrain(6, 10), 24u);
}

// The runs of a module row ('1' dark) at `module` pixels, dark first.
std::vector<double> RunsOf(std::string const& modules, double module)
{
    std::vector<double> widths;
    for (size_t i = 0; i < modules.size(); ++i) {
        if (i == 0 || modules[i] != modules[i - 1]) {
            widths.push_back(0.0);
        }
        widths.back() += module;
    }
    return widths;
}

// The trains of a row drawn across the frame, read from either end.
std::vector<unsigned> TrainEdges(std::string const& modules, double degrees)
{
    support::Frame const frame = DrawBars(RunsOf(modules, 2.0), degrees, 320, 240, 60);
    auto profile = std::make_unique<BarRegionProfile>();
    int const offsets[3] = {-10, 0, 10};
    std::vector<unsigned> edges;
    if (profile->Sample(ImageOf(frame), Rectangle{0, 0, 639, 479}, Axis(0, 320, 240), -310, 310, offsets, 3) &&
        profile->FindEdges(8, 6) > 0) {
        BarRegionProfile::Train trains[4];
        unsigned const count = profile->SplitTrains(16, 6, 10, trains, 4);
        for (unsigned k = 0; k < count; ++k) {
            edges.push_back(trains[k].last - trains[k].first + 1);
        }
    }
    return edges;
}

TEST(ProfileTest, AnAddonStaysInItsSymbolsTrain)
{
    // The widest and narrowest add-on gaps, both add-on sizes, upright and
    // upside down: one train of all the edges. Main symbols of 60, 44 and 34
    // edges; add-ons of 14 and 32.
    struct Case {
        int symbology;
        char const* data;
        unsigned edges;
    };
    for (Case const& c : {Case{BARCODE_EANX, "590123412345+12", 74}, Case{BARCODE_EANX, "590123412345+12345", 92},
                          Case{BARCODE_EANX, "9638507+12", 58}, Case{BARCODE_UPCE, "0425261+24345", 66}}) {
        for (int gap : {7, 12}) {
            upc_ean_test::ZintRow const row = upc_ean_test::EncodeRow(c.symbology, c.data, gap);
            ASSERT_TRUE(row.ok) << c.data;
            for (double degrees : {0.0, 180.0}) {
                EXPECT_EQ(TrainEdges(row.modules, degrees), std::vector<unsigned>{c.edges})
                    << c.data << " gap " << gap << " at " << degrees;
            }
        }
    }
    // The edge of a dark label border beside the add-on or the symbol, seen
    // as one more edge of the train, keeps the pair together.
    upc_ean_test::ZintRow const bordered = upc_ean_test::EncodeRow(BARCODE_EANX, "590123412345+12", 12);
    ASSERT_TRUE(bordered.ok);
    std::string const border(60, '1');
    for (std::string const& row : {bordered.modules + "00000" + border, border + "00000" + bordered.modules}) {
        std::vector<unsigned> const edges = TrainEdges(row, 0);
        ASSERT_EQ(edges.size(), 1u);
        EXPECT_GE(edges[0], 74u);
    }
    // Two symbols 12 modules apart stay two; so do a symbol and a short
    // stroke group too far off to be its add-on.
    upc_ean_test::ZintRow const ean = upc_ean_test::EncodeRow(BARCODE_EANX, "590123412345");
    ASSERT_TRUE(ean.ok);
    EXPECT_EQ(TrainEdges(ean.modules + std::string(12, '0') + ean.modules, 0), (std::vector<unsigned>{60, 60}));
    upc_ean_test::ZintRow const addon = upc_ean_test::EncodeRow(BARCODE_EANX, "590123412345+12345");
    ASSERT_TRUE(addon.ok);
    std::string const far = ean.modules + std::string(30, '0') + addon.modules.substr(addon.modules.size() - 47);
    EXPECT_EQ(TrainEdges(far, 0), (std::vector<unsigned>{60, 32}));
}

TEST(ProfileTest, LaneSamplesAreTheOneByOneSamples)
{
    // Eight samples at a time give the one-by-one profile to the last bit,
    // and its range and edges: every direction, one to four lines, lines
    // cut by the area and running along its border (where the clamp acts),
    // axes long enough for coarser steps, counts of any remainder modulo
    // eight, a pitch wider than the frame, grey values with bits above the
    // ten that count.
    int const width = 2600;
    int const height = 300;
    int const pitch = 2611;
    std::vector<unsigned short> pixels(static_cast<size_t>(pitch) * height);
    std::mt19937 random(11);
    for (unsigned short& p : pixels) {
        p = static_cast<unsigned short>(random() & 0xFFFF);
    }
    GrayImage const image(width, height, pitch, pixels.data());
    auto wide = std::make_unique<BarRegionProfile>();
    auto plain = std::make_unique<BarRegionProfile>();
    plain->SetWideLanes(false);
    struct Case {
        Rectangle area;
        double x, y;
        int begin, end;
    };
    Case const cases[] = {
        {{0, 0, width - 1, height - 1}, 1300.3, 150.7, -1400, 1400},
        {{10, 20, 400, 280}, 200.5, 150.2, -300, 300},
        {{0, 0, 639, 299}, 320, 0.4, -330, 330},
        {{0, 0, 639, 299}, 0.2, 150, -200, 213},
        {{5, 5, 30, 290}, 17, 100, -9, 10},
    };
    unsigned compared = 0;
    for (Case const& c : cases) {
        for (int degrees = 0; degrees < 360; degrees += 7) {
            BarRegionAxis const axis = Axis(degrees, c.x, c.y);
            int const offsets[4] = {0, -5, 7, 2};
            for (unsigned lines = 1; lines <= 4; ++lines) {
                bool const a = wide->Sample(image, c.area, axis, c.begin, c.end, offsets, lines);
                bool const b = plain->Sample(image, c.area, axis, c.begin, c.end, offsets, lines);
                ASSERT_EQ(a, b) << degrees;
                ASSERT_EQ(wide->GetCount(), plain->GetCount()) << degrees;
                ASSERT_EQ(wide->GetStep(), plain->GetStep());
                ASSERT_EQ(wide->GetBegin(), plain->GetBegin());
                for (unsigned i = 0; i < wide->GetCount(); ++i) {
                    ASSERT_EQ(wide->GetSample(i), plain->GetSample(i)) << degrees << " " << lines << " " << i;
                }
                compared += wide->GetCount();
                // And the same range, so the same edges.
                ASSERT_EQ(wide->FindEdges(8, 6), plain->FindEdges(8, 6));
                ASSERT_EQ(wide->GetRange(), plain->GetRange());
                for (unsigned e = 0; e < wide->GetEdgeCount(); ++e) {
                    ASSERT_EQ(wide->CalcEdgeS(e), plain->CalcEdgeS(e));
                }
            }
        }
    }
    EXPECT_GT(compared, 100000u);
}

TEST(ProfileTest, TheLinesAreCutToTheAreaAndNoiseAloneShowsFewEdges)
{
    support::Frame frame = support::makeFrame(640, 480, 500);
    auto profile = std::make_unique<BarRegionProfile>();
    int const offset[1] = {0};
    Rectangle const area{100, 0, 199, 479};
    ASSERT_TRUE(profile->Sample(ImageOf(frame), area, Axis(0, 150, 240), -500, 500, offset, 1));
    EXPECT_EQ(profile->GetBegin(), -50);
    EXPECT_EQ(profile->GetEnd(), 49);
    EXPECT_FALSE(profile->Sample(ImageOf(frame), area, Axis(0, 150, 240), 60, 500, offset, 1));
    int const tooMany[5] = {0, 0, 0, 0, 0};
    EXPECT_FALSE(profile->Sample(ImageOf(frame), area, Axis(0, 150, 240), -50, 50, tooMany, 5));
    // Noise of deviation 20 along 601 samples: with the edge step at five
    // deviations, too few edges for a symbol; at one, a dense train.
    support::applyNoise(frame, 20, 9);
    ASSERT_TRUE(profile->Sample(ImageOf(frame), Rectangle{0, 0, 639, 479}, Axis(0, 320, 240), -300, 300, offset, 1));
    EXPECT_LT(profile->FindEdges(100, 6), 16u);
    EXPECT_GT(profile->FindEdges(20, 6), 100u);
}

TEST(ProfileTest, AWantedEdgeCountIsRefusedOnlyWhereTooFewEdgesLie)
{
    // Runs of 4 pixels alternating by `swing` grey levels along row 240, with
    // noise: where the edge step equals the swing, the level changes of
    // clean runs just reach `edges` thresholds. FindEdges given the count
    // wanted says the same as the plain count, with and without the lanes.
    struct Case {
        unsigned edges;
        int swing;
        unsigned step;
        double sigma;
    };
    Case const cases[] = {{16, 100, 100, 0}, {15, 100, 100, 0}, {17, 100, 100, 0}, {16, 100, 101, 0},
                          {16, 60, 20, 8},   {30, 80, 40, 15},  {12, 200, 50, 30}, {40, 30, 25, 5}};
    auto plain = std::make_unique<BarRegionProfile>();
    auto bounded = std::make_unique<BarRegionProfile>();
    int const offset[1] = {0};
    for (Case const& c : cases) {
        support::Frame frame = support::makeFrame(640, 480, 600);
        for (unsigned run = 0; run <= c.edges; ++run) {
            for (int x = 0; x < 4; ++x) {
                frame.at(100 + static_cast<int>(4 * run) + x, 240) = static_cast<uint16_t>(run % 2 == 0 ? 600 : 600 - c.swing);
            }
        }
        if (c.sigma > 0) {
            support::applyNoise(frame, c.sigma, c.edges);
        }
        for (bool wide : {true, false}) {
            plain->SetWideLanes(wide);
            bounded->SetWideLanes(wide);
            ASSERT_TRUE(plain->Sample(ImageOf(frame), Rectangle{0, 0, 639, 479}, Axis(0, 0, 240), 20, 600, offset, 1));
            ASSERT_TRUE(bounded->Sample(ImageOf(frame), Rectangle{0, 0, 639, 479}, Axis(0, 0, 240), 20, 600, offset, 1));
            unsigned const all = plain->FindEdges(c.step, 6);
            for (unsigned wanted : {8u, 15u, 16u, 17u, 32u}) {
                unsigned const found = bounded->FindEdges(c.step, 6, wanted);
                EXPECT_EQ(found >= wanted, all >= wanted) << c.edges << " " << c.swing << " " << wanted << " " << wide;
                if (found >= wanted) {
                    EXPECT_EQ(found, all) << c.edges << " " << c.swing << " " << wanted << " " << wide;
                }
                EXPECT_EQ(bounded->GetRange(), plain->GetRange());
            }
        }
    }
}

TEST(DirectionTest, TwoLinesAcrossTheBarsTurnTheAxisOntoThem)
{
    std::vector<double> widths;
    for (int i = 0; i < 41; ++i) {
        widths.push_back(i % 3 == 0 ? 4.0 : 2.0);
    }
    struct Case {
        double bars;
        double axis;
    };
    for (Case const c : {Case{20, 16.5}, Case{20, 23.5}, Case{-70, -66}, Case{135, 139.5}}) {
        support::Frame const frame = DrawBars(widths, c.bars, 320, 240, 100);
        auto first = std::make_unique<BarRegionProfile>();
        auto second = std::make_unique<BarRegionProfile>();
        BarRegionAxis axis = Axis(c.axis, 320, 240);
        ASSERT_TRUE(CalcBarDirectionSubroutine().Start(ImageOf(frame), Rectangle{0, 0, 639, 479}, -80, 80, -30, 30,
                                                       *first, *second, axis));
        EXPECT_NEAR(AxisDegrees(axis), c.bars, 0.4) << c.bars << " from " << c.axis;
    }
    // Two bar symbols one above the other, as a composite's 2D part over its
    // linear bars: lines far apart cross different patterns and match by
    // chance; the half of the band whose lines cross the same bars gives the
    // direction.
    std::vector<double> other;
    for (int i = 0; i < 41; ++i) {
        other.push_back(1.5 + (i * 7) % 5);
    }
    for (Case const c : {Case{20, 23.5}, Case{20, 16.5}, Case{-70, -66}}) {
        double const a = (c.bars + 90) * std::numbers::pi / 180;
        support::Frame frame = DrawBars(widths, c.bars, 320 - 25 * std::cos(a), 240 - 25 * std::sin(a), 70);
        support::Frame const upper = DrawBars(other, c.bars, 320 + 45 * std::cos(a), 240 + 45 * std::sin(a), 50);
        for (size_t k = 0; k < frame.pixels.size(); ++k) {
            frame.pixels[k] = std::min(frame.pixels[k], upper.pixels[k]);
        }
        auto first = std::make_unique<BarRegionProfile>();
        auto second = std::make_unique<BarRegionProfile>();
        BarRegionAxis axis = Axis(c.axis, 320, 240);
        ASSERT_TRUE(CalcBarDirectionSubroutine().Start(ImageOf(frame), Rectangle{0, 0, 639, 479}, -80, 80, -30, 30,
                                                       *first, *second, axis));
        EXPECT_NEAR(AxisDegrees(axis), c.bars, 0.8) << c.bars << " from " << c.axis << ", two symbols";
    }
    // Lines too close together, or nothing to match, leave the axis alone.
    support::Frame const flat = support::makeFrame();
    auto first = std::make_unique<BarRegionProfile>();
    auto second = std::make_unique<BarRegionProfile>();
    BarRegionAxis axis = Axis(10, 320, 240);
    BarRegionAxis const before = axis;
    EXPECT_FALSE(CalcBarDirectionSubroutine().Start(ImageOf(flat), Rectangle{0, 0, 639, 479}, -80, 80, -30, 30,
                                                    *first, *second, axis));
    EXPECT_FALSE(CalcBarDirectionSubroutine().Start(ImageOf(flat), Rectangle{0, 0, 639, 479}, -80, 80, 0, 4, *first,
                                                    *second, axis));
    EXPECT_EQ(axis.ux, before.ux);
    EXPECT_EQ(axis.uy, before.uy);
}

// How well the lines across a band fit its axis: bars whose direction the
// lines find fit; bars crossed at a slant beyond the correction's reach (the
// axis of a group beside them, its lines running on into the bars) do not.
TEST(DirectionTest, TheFitTellsWhetherTheLinesSawTheSameEdges)
{
    // Irregular widths, as a symbol's characters make.
    std::vector<double> widths;
    unsigned state = 11;
    for (int i = 0; i < 61; ++i) {
        state = state * 1103515245u + 12345u;
        widths.push_back(2.0 + (state >> 16) % 4 * 1.5);
    }
    struct Case {
        double bars;
        double axis;
        bool steady;
    };
    for (Case const c : {Case{20, 16.5, true}, Case{-70, -66, true}, Case{0, 13, false}, Case{90, 76, false},
                         Case{20, 35, false}}) {
        support::Frame const frame = DrawBars(widths, c.bars, 320, 240, 100);
        auto first = std::make_unique<BarRegionProfile>();
        auto second = std::make_unique<BarRegionProfile>();
        BarRegionAxis axis = Axis(c.axis, 320, 240);
        double fit = -2;
        CalcBarDirectionSubroutine().Start(ImageOf(frame), Rectangle{0, 0, 639, 479}, -80, 80, -21, 21, *first,
                                           *second, axis, &fit);
        EXPECT_EQ(fit >= CalcBarDirectionSubroutine::kMinLikeness, c.steady)
            << c.bars << " from " << c.axis << ": " << fit;
    }
    // Lines too close together were not compared; lines that see nothing
    // to match do not fit.
    support::Frame const flat = support::makeFrame();
    auto first = std::make_unique<BarRegionProfile>();
    auto second = std::make_unique<BarRegionProfile>();
    BarRegionAxis axis = Axis(10, 320, 240);
    double fit = 1;
    CalcBarDirectionSubroutine().Start(ImageOf(flat), Rectangle{0, 0, 639, 479}, -80, 80, 0, 4, *first, *second, axis,
                                       &fit);
    EXPECT_LT(fit, 0);
    CalcBarDirectionSubroutine().Start(ImageOf(flat), Rectangle{0, 0, 639, 479}, -80, 80, -30, 30, *first, *second,
                                       axis, &fit);
    EXPECT_EQ(fit, 0);
}

TEST(BuilderTest, TheRegionReadsAlongTheAxisAndStaysInsideTheArea)
{
    Rectangle const area{10, 20, 629, 469};
    Region region;
    // Horizontal axis through (320, 240): corners 0-1 along it at t0.
    ASSERT_TRUE(CalcBarRegionSubroutine().Start(Axis(0, 320, 240), -100, 100, -30, 40, area, region));
    EXPECT_EQ(region.corner[0], (Point{220, 210}));
    EXPECT_EQ(region.corner[1], (Point{420, 210}));
    EXPECT_EQ(region.corner[2], (Point{420, 280}));
    EXPECT_EQ(region.corner[3], (Point{220, 280}));
    // Across the area's edge the height is cut; the ends stay.
    for (double degrees : {0.0, 37.0, 90.0, 200.0}) {
        ASSERT_TRUE(CalcBarRegionSubroutine().Start(Axis(degrees, 320, 60), -30, 30, -100, 100, area, region));
        for (Point const& p : region.corner) {
            EXPECT_TRUE(p.x >= area.left && p.x <= area.right && p.y >= area.top && p.y <= area.bottom) << degrees;
        }
    }
    EXPECT_FALSE(CalcBarRegionSubroutine().Start(Axis(0, 320, 5), -80, 80, -2, 2, area, region));
    EXPECT_FALSE(CalcBarRegionSubroutine().Start(Axis(0, 320, 240), 80, -80, -2, 2, area, region));
}

// The candidates the finder makes of a frame, searched as the engine does.
unsigned FindCandidates(support::Frame const& frame, BarRegionFinder& finder)
{
    auto field = std::make_unique<BarOrientationField>();
    auto grower = std::make_unique<BarRegionGrower>();
    if (!field->Start(ImageOf(frame), Rectangle{0, 0, frame.width - 1, frame.height - 1}, 8, 1)) {
        return 0;
    }
    field->Classify(64, 140);
    grower->Start(*field, 3);
    return finder.Start(ImageOf(frame), *field, *grower, BarRegionFinder::Tuning{});
}

// Whether a candidate's region holds the point.
bool AnyHolds(BarRegionFinder const& finder, unsigned count, Point const& point)
{
    for (unsigned i = 0; i < count; ++i) {
        if (Geometry::IsIncluding(finder.GetCandidate(i).region, point)) {
            return true;
        }
    }
    return false;
}

// Grey noise of deviation `sigma` over a frame, the same for each seed.
void AddNoise(support::Frame& frame, double sigma, unsigned seed)
{
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, sigma);
    for (uint16_t& v : frame.pixels) {
        v = static_cast<uint16_t>(std::clamp(v + noise(random), 0.0, 1023.0));
    }
}

TEST(FinderTest, BarsFarTallerThanWideKeepTheirRegion)
{
    // Ten bars make the least train; drawn ten times as tall as they are
    // wide, their group is a narrow strip along them, whose lines across
    // show the bars on most of its lines: at several angles and widths,
    // clean, under noise, at a low contrast and blurred.
    struct Case {
        double module;
        double degrees;
        double sigma;     // of the noise, grey levels
        int contrast;     // grey levels between bars and spaces
        int blur;         // passes of a 3 x 3 box
    };
    Case const cases[] = {{2.0, 0, 0, 650, 0},   {2.0, 90, 0, 650, 0},   {3.0, 30, 0, 650, 0},
                          {1.5, 100, 0, 650, 0}, {2.0, 160, 0, 650, 0},  {2.0, 0, 30, 650, 0},
                          {3.0, 60, 40, 650, 0}, {2.5, 120, 30, 650, 0}, {2.0, 45, 80, 650, 0},
                          {3.0, 170, 100, 650, 0}, {2.0, 10, 0, 120, 0}, {2.5, 80, 15, 150, 0},
                          {3.0, 20, 0, 650, 2},  {2.5, 135, 20, 300, 1}};
    auto finder = std::make_unique<BarRegionFinder>();
    for (Case const& c : cases) {
        std::vector<double> widths;
        for (unsigned k = 0; k < 19; ++k) {
            widths.push_back(c.module * (k % 3 == 1 ? 2 : 1));
        }
        double total = 0;
        for (double w : widths) {
            total += w;
        }
        support::Frame frame = DrawBars(widths, c.degrees, 320, 240, 10 * total);
        for (uint16_t& v : frame.pixels) {
            v = static_cast<uint16_t>(800 - (800 - v) * c.contrast / 650);
        }
        for (int pass = 0; pass < c.blur; ++pass) {
            support::Frame const sharp = frame;
            for (int y = 1; y + 1 < frame.height; ++y) {
                for (int x = 1; x + 1 < frame.width; ++x) {
                    int sum = 0;
                    for (int k = 0; k < 9; ++k) {
                        sum += sharp.pixels[static_cast<size_t>((y + k / 3 - 1) * frame.width + x + k % 3 - 1)];
                    }
                    frame.at(x, y) = static_cast<uint16_t>(sum / 9);
                }
            }
        }
        if (c.sigma > 0) {
            AddNoise(frame, c.sigma, static_cast<unsigned>(c.degrees));
        }
        unsigned const count = FindCandidates(frame, *finder);
        EXPECT_TRUE(AnyHolds(*finder, count, Point{320, 240}))
            << c.module << " " << c.degrees << " " << c.sigma << " " << c.contrast << " " << c.blur;
    }
}

TEST(CandidateOrderTest, OverlapWithTheCentralWindow)
{
    Rectangle const window{220, 215, 420, 265};
    auto quad = [](Point a, Point b, Point c, Point d) {
        Region r;
        r.corner[0] = a;
        r.corner[1] = b;
        r.corner[2] = c;
        r.corner[3] = d;
        return r;
    };
    struct Case {
        Region region;
        bool overlapping;
    };
    Case const cases[] = {
        {quad({0, 0}, {100, 0}, {100, 100}, {0, 100}), false},
        {quad({200, 200}, {440, 200}, {440, 280}, {200, 280}), true},   // holds the window
        {quad({300, 230}, {310, 230}, {310, 240}, {300, 240}), true},   // inside it
        {quad({420, 265}, {500, 265}, {500, 300}, {420, 300}), true},   // shares a corner
        {quad({421, 100}, {500, 100}, {500, 300}, {421, 300}), false},  // one pixel to the right
        // A diagonal strip whose bounding box meets the window's corner but
        // which passes by it.
        {quad({400, 300}, {460, 240}, {470, 250}, {410, 310}), false},
        {quad({380, 260}, {460, 180}, {470, 190}, {390, 270}), true},
    };
    for (Case const& c : cases) {
        EXPECT_EQ(IsOverlapping(c.region, window), c.overlapping)
            << c.region.corner[0].x << "," << c.region.corner[0].y;
    }
    EXPECT_FALSE(IsOverlapping(cases[1].region, Rectangle{10, 10, 5, 20}));
}

// Strongest first, except that a band whose lines did not fit its axis gives
// way to a band of nearly as many edges that fitted and whose region holds
// its centre: the same bars crossed at a slant by the lines of a group beside
// them would otherwise cost a failed read first. The band that gave way is
// marked, so that the other's region searched in vain does not hide it.
TEST(CandidateOrderTest, UnsteadyBandsGiveWayToTheSteadyBandHoldingThem)
{
    auto box = [](int left, int top, int right, int bottom) {
        Region r;
        r.corner[0] = Point{left, top};
        r.corner[1] = Point{right, top};
        r.corner[2] = Point{right, bottom};
        r.corner[3] = Point{left, bottom};
        return r;
    };
    struct Given {
        char name;
        unsigned edges;
        bool steady;
        Region region;
    };
    Region const symbol = box(0, 176, 575, 287);
    Region const slantwise = box(20, 200, 440, 300);  // centre (230, 250) on the symbol
    Region const elsewhere = box(100, 380, 400, 440);
    struct Case {
        std::vector<Given> given;
        std::string order;
        std::string deferred;
    };
    Case const cases[] = {
        {{{'u', 129, false, slantwise}, {'s', 120, true, symbol}}, "su", "u"},
        {{{'u', 129, false, elsewhere}, {'s', 120, true, symbol}}, "us", ""},
        {{{'u', 48, false, slantwise}, {'s', 35, true, symbol}}, "us", ""},  // a small part of the bars
        {{{'a', 129, true, slantwise}, {'b', 120, true, symbol}}, "ab", ""},
        {{{'u', 129, false, slantwise}, {'v', 120, false, symbol}}, "uv", ""},
        {{{'s', 100, true, symbol}, {'e', 110, true, elsewhere}, {'u', 120, false, slantwise}}, "sue", "u"},
        {{{'e', 110, false, elsewhere}, {'u', 120, false, slantwise}, {'s', 100, true, symbol}}, "sue", "u"},
    };
    for (Case const& c : cases) {
        std::vector<BarRegionCandidate> candidates;
        for (Given const& g : c.given) {
            BarRegionCandidate candidate;
            candidate.edges = g.edges;
            candidate.score = g.edges * 200;
            candidate.steady = g.steady;
            candidate.region = g.region;
            candidate.s0 = g.name;  // tells the candidates apart
            candidates.push_back(candidate);
        }
        OrderBarRegionCandidates(candidates.data(), static_cast<unsigned>(candidates.size()));
        std::string order;
        std::string deferred;
        for (BarRegionCandidate const& candidate : candidates) {
            order += static_cast<char>(candidate.s0);
            deferred += candidate.deferred ? std::string(1, static_cast<char>(candidate.s0)) : "";
        }
        EXPECT_EQ(order, c.order) << c.given[0].name << c.given[1].name;
        EXPECT_EQ(deferred, c.deferred) << c.given[0].name << c.given[1].name;
    }
}

}  // namespace
}  // namespace searcher_test
