// The outline's fill of a symbol's patch: a patch that runs off two sides of
// the frame is given up, one against a single side is kept; the patch closes
// gaps of two pixels and no more wherever they fall in a row; sub-pixel
// samples weigh the four pixels around them as Bilinear does.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "decoder/core/sampling/bilinear.h"
#include "decoder/matrix/data_matrix/data_matrix_outline.h"
#include "tests/decoder/matrix/handle_harness.h"
#include "tests/support/symbol_renderer.h"

namespace data_matrix_outline_test {
namespace {

using DEC2DIvra::Bilinear;
using DEC2DIvra::DataMatrixOutline;
using DEC2DIvra::GrayImage;
using DEC2DIvra::Point;
using DEC2DIvra::VirtualArray;

constexpr unsigned kMarks = 1280u * 1024u;
constexpr unsigned kStack = 1u << 18;
constexpr double kCornerSlack = 0.6;  // pixels

struct Outline {
    std::vector<unsigned char> marks = std::vector<unsigned char>(kMarks);
    std::vector<int> stack = std::vector<int>(kStack);
    std::unique_ptr<DataMatrixOutline> outline = std::make_unique<DataMatrixOutline>(
        VirtualArray<unsigned char>(marks.data(), kMarks), VirtualArray<int>(stack.data(), kStack));
};

void Paint(support::Frame& frame, int left, int top, int right, int bottom, int grey)
{
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            frame.at(x, y) = static_cast<uint16_t>(grey);
        }
    }
}

struct Case {
    char const* name;
    std::function<void(support::Frame&)> draw;  // over a light ground
    Point corner;
    bool filled;
};

TEST(DataMatrixOutlineTest, PatchesRunningOffTheFrameAreGivenUp)
{
    Case const cases[] = {
        {"heavy noise over the whole frame",
         [](support::Frame& f) {
             Paint(f, 0, 0, f.width - 1, f.height - 1, 512);
             support::applyNoise(f, 60, 7);
         },
         Point{320, 240}, false},
        {"a dark band from the left side to the right",
         [](support::Frame& f) { Paint(f, 0, 200, f.width - 1, 260, 100); }, Point{320, 200}, false},
        {"a dark block in the frame's corner",
         [](support::Frame& f) { Paint(f, 0, 0, 120, 90, 100); }, Point{120, 90}, false},
        {"a dark block against the left side only",
         [](support::Frame& f) { Paint(f, 0, 200, 120, 290, 100); }, Point{120, 290}, true},
        {"a dark block inside the frame",
         [](support::Frame& f) { Paint(f, 200, 150, 320, 240, 100); }, Point{200, 240}, true},
    };
    Outline o;
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        support::Frame frame = support::makeFrame(640, 480, 900);
        c.draw(frame);
        GrayImage const image(frame.width, frame.height, frame.width, frame.pixels.data());
        EXPECT_EQ(o.outline->Fill(image, c.corner, 40, false), c.filled);
    }
}

// A patch of as many pixels as the fill's stack holds is no symbol's: it is
// given up, one a row short of it is kept, whichever word of the row its
// pixels fall in; both polarities.
TEST(DataMatrixOutlineTest, PatchesAsLargeAsTheStackAreGivenUp)
{
    constexpr unsigned kSmallStack = 100 * 100;
    struct Block {
        char const* name;
        int left, top, width, height;  // the block closes a pixel wider all round
        bool filled;
    };
    Block const blocks[] = {
        {"a block closing to the stack's size", 100, 100, 98, 98, false},
        {"a block closing to a row less", 100, 100, 98, 97, true},
        {"a block across two words closing to the stack's size", 20, 100, 98, 98, false},
        {"a block across two words closing to a row less", 20, 100, 98, 97, true},
        {"a wide block closing to the stack's size", 30, 150, 398, 23, false},
        {"a wide block closing to a row less", 30, 150, 398, 22, true},
    };
    std::vector<unsigned char> marks(kMarks);
    std::vector<int> stack(kSmallStack);
    DataMatrixOutline outline(VirtualArray<unsigned char>(marks.data(), kMarks),
                              VirtualArray<int>(stack.data(), kSmallStack));
    for (bool const negative : {false, true}) {
        int const dark = negative ? 900 : 100;
        int const light = negative ? 100 : 900;
        for (Block const& b : blocks) {
            SCOPED_TRACE(std::string(b.name) + (negative ? ", light on dark" : ", dark on light"));
            support::Frame frame = support::makeFrame(640, 480, light);
            Paint(frame, b.left, b.top, b.left + b.width - 1, b.top + b.height - 1, dark);
            GrayImage const image(frame.width, frame.height, frame.width, frame.pixels.data());
            EXPECT_EQ(outline.Fill(image, Point{b.left, b.top}, 40, negative), b.filled);
        }
    }
}

// A frame whose ground lies above the 10-bit range (a 16-bit frame handed
// over as it is): its greys count in the top bin of the threshold's
// histogram, and a dark block on it still fills.
TEST(DataMatrixOutlineTest, GreysAboveTheTenBitRangeCountAsTheLightest)
{
    // The square is counted at every pixel within 64 of the corner, at
    // every other one beyond; its darkest twentieth lies in the block's bin
    // and its lightest in the top bin, so the threshold lies between.
    constexpr int kThreshold = (100 / 16 + 63 + 1) * 8;
    for (int const reach : {40, 100}) {
        for (int const ground : {1100, 4000, 65535}) {
            SCOPED_TRACE(testing::Message() << "reach " << reach << ", ground " << ground);
            support::Frame frame = support::makeFrame(640, 480);
            Paint(frame, 0, 0, frame.width - 1, frame.height - 1, ground);
            Paint(frame, 200, 150, 320, 240, 100);
            GrayImage const image(frame.width, frame.height, frame.width, frame.pixels.data());
            Outline o;
            EXPECT_TRUE(o.outline->Fill(image, Point{200, 240}, reach, false));
            EXPECT_EQ(o.outline->GetThreshold(), kThreshold);
        }
    }
}

// A frame copied into rows longer than its width, the padding dark, so that
// a read that took the width for the pitch would see dark where there is none.
struct PaddedImage {
    static constexpr int kPadding = 24;
    std::vector<uint16_t> pixels;
    GrayImage image;

    explicit PaddedImage(support::Frame const& frame)
        : pixels(static_cast<size_t>(frame.width + kPadding) * static_cast<size_t>(frame.height), 100)
    {
        int const pitch = frame.width + kPadding;
        for (int y = 0; y < frame.height; ++y) {
            for (int x = 0; x < frame.width; ++x) {
                pixels[static_cast<size_t>(y) * static_cast<size_t>(pitch) + static_cast<size_t>(x)] = frame.at(x, y);
            }
        }
        image = GrayImage(frame.width, frame.height, pitch, pixels.data());
    }
};

// The fill's patch is the symbol's own dark grown by a pixel all round, so
// a light gap of two pixels between dark parts closes and one of three does
// not. The gaps lie across the 16-pixel blocks whose darkness is judged
// together, and across rows: a part against the frame's left (top) side
// joined to one against its right (bottom) side runs off two sides.
TEST(DataMatrixOutlineTest, GapsOfTwoPixelsCloseWhereverTheyFall)
{
    struct Gap {
        char const* name;
        int from;   // the first light column (row, across rows)
        int width;  // light columns (rows)
        bool across;
    };
    Gap const gaps[] = {
        {"two columns straddling a block's edge", 239, 2, false},
        {"two columns ending on a block's edge", 238, 2, false},
        {"two columns starting on a block's edge", 240, 2, false},
        {"two columns inside a block", 243, 2, false},
        {"three columns straddling a block's edge", 239, 3, false},
        {"three columns inside a block", 243, 3, false},
        {"two rows", 230, 2, true},
        {"three rows", 230, 3, true},
    };
    Outline o;
    for (bool const negative : {false, true}) {
        int const dark = negative ? 900 : 100;
        int const light = negative ? 100 : 900;
        for (Gap const& g : gaps) {
            SCOPED_TRACE(std::string(g.name) + (negative ? ", light on dark" : ", dark on light"));
            support::Frame frame = support::makeFrame(640, 480, light);
            if (g.across) {
                Paint(frame, 200, 0, 300, g.from - 1, dark);
                Paint(frame, 200, g.from + g.width, 300, frame.height - 1, dark);
            } else {
                Paint(frame, 0, 180, g.from - 1, 300, dark);
                Paint(frame, g.from + g.width, 180, frame.width - 1, 300, dark);
            }
            PaddedImage const padded(frame);
            bool const closed = g.width <= 2;
            EXPECT_EQ(o.outline->Fill(padded.image, Point{220, 200}, 40, negative), !closed);
        }
    }
}

// The patch as a plain 8-connected flood over the pixels with a dark pixel
// around them, from the darkest such pixel near the seed (the first in row
// order of equal ones); the frame holds two greys only, so that any
// threshold between them marks the same pixels dark. Empty rows have right
// -1. False where the fill must give up: off two sides, or fewer than seven
// rows.
struct Patch {
    std::vector<int> left;
    std::vector<int> right;
    bool kept = false;
};

Patch FloodFill(support::Frame const& frame, Point seed, int dark)
{
    int const w = frame.width;
    int const h = frame.height;
    auto isDark = [&](int x, int y) {
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                if (frame.at(std::clamp(x + dx, 0, w - 1), std::clamp(y + dy, 0, h - 1)) == dark) {
                    return true;
                }
            }
        }
        return false;
    };
    Patch patch{std::vector<int>(static_cast<size_t>(h), w), std::vector<int>(static_cast<size_t>(h), -1), false};
    Point start{-1, -1};
    bool startDark = false;
    for (int dy = -6; dy <= 6 && !startDark; ++dy) {
        for (int dx = -6; dx <= 6 && !startDark; ++dx) {
            int const x = seed.x + dx;
            int const y = seed.y + dy;
            if (x < 0 || y < 0 || x >= w || y >= h || !isDark(x, y)) {
                continue;
            }
            if (start.x < 0 || frame.at(x, y) == dark) {
                start = Point{x, y};
                startDark = frame.at(x, y) == dark;
            }
        }
    }
    if (start.x < 0) {
        return patch;
    }
    std::vector<char> seen(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
    std::vector<Point> todo{start};
    seen[static_cast<size_t>(start.y) * w + start.x] = 1;
    unsigned sides = 0;
    int top = start.y;
    int bottom = start.y;
    while (!todo.empty()) {
        Point const p = todo.back();
        todo.pop_back();
        patch.left[p.y] = std::min(patch.left[p.y], p.x);
        patch.right[p.y] = std::max(patch.right[p.y], p.x);
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
        sides |= (p.x == 0 ? 1u : 0u) | (p.x == w - 1 ? 2u : 0u) | (p.y == 0 ? 4u : 0u) | (p.y == h - 1 ? 8u : 0u);
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                int const x = p.x + dx;
                int const y = p.y + dy;
                if (x >= 0 && y >= 0 && x < w && y < h && seen[static_cast<size_t>(y) * w + x] == 0 && isDark(x, y)) {
                    seen[static_cast<size_t>(y) * w + x] = 1;
                    todo.push_back(Point{x, y});
                }
            }
        }
    }
    patch.kept = (sides & (sides - 1)) == 0 && bottom - top >= 6;
    return patch;
}

// Bars three pixels wide, five apart, from row 60 to 300, joined at the
// bottom and the top in turn: one path down and up them all.
std::function<void(support::Frame&, int)> Serpentine(int bars)
{
    return [bars](support::Frame& f, int dark) {
        for (int i = 0; i < bars; ++i) {
            int const x = 40 + 8 * i;
            Paint(f, x, 60, x + 2, 300, dark);
            if (i + 1 < bars) {
                int const y = i % 2 == 0 ? 298 : 60;
                Paint(f, x, y, x + 10, y + 2, dark);
            }
        }
    };
}

// The fill's rows against the flood's over shapes that cross the 64-pixel
// words the fill keeps its bits in: runs joined only corner to corner, a
// run entering a span's reach from the left, holes, frames whose width is
// no multiple of 64, a patch against one side, both polarities.
TEST(DataMatrixOutlineTest, FillFindsThePatchAPlainFloodFinds)
{
    struct Shape {
        char const* name;
        int width, height;
        std::function<void(support::Frame&, int)> draw;  // in the symbol's dark
        Point seed;
    };
    auto scatter = [](unsigned seed, int density, int left, int top, int right, int bottom) {
        return [=](support::Frame& f, int dark) {
            std::mt19937 random(seed);
            for (int y = top; y <= bottom; y += 3) {
                for (int x = left; x <= right; x += 3) {
                    if (static_cast<int>(random() % 100) < density) {
                        Paint(f, x, y, x + 2, y + 2, dark);
                    }
                }
            }
        };
    };
    Shape const shapes[] = {
        {"modules at random across three words", 640, 480, scatter(3, 55, 40, 100, 250, 300), Point{40, 100}},
        {"sparse modules, many small runs", 640, 480, scatter(9, 35, 60, 60, 300, 220), Point{60, 60}},
        {"a frame 150 wide, modules up to its right side", 150, 120, scatter(4, 60, 20, 20, 149, 100),
         Point{20, 20}},
        {"a frame 200 wide, modules against the left side", 200, 160, scatter(5, 60, 0, 30, 120, 130), Point{0, 30}},
        {"a frame three words wide, a block two pixels short of its right side", 192, 100,
         [](support::Frame& f, int dark) { Paint(f, 100, 20, 189, 80, dark); }, Point{100, 20}},
        {"a staircase joined corner to corner across words",
         640, 480,
         [](support::Frame& f, int dark) {
             for (int i = 0; i < 60; ++i) {
                 Paint(f, 40 + 4 * i, 100 + 3 * i, 40 + 4 * i, 100 + 3 * i, dark);
             }
         },
         Point{40, 100}},
        {"a ring with a hole, a block inside it apart",
         640, 480,
         [](support::Frame& f, int dark) {
             Paint(f, 60, 60, 260, 260, dark);
             Paint(f, 70, 70, 250, 250, 5000);
             Paint(f, 120, 120, 180, 180, dark);
         },
         Point{60, 60}},
        // Each bar is met going down or up in turn: the patch's rows settle
        // only after a sweep for every two bars, and beyond the sweeps a row
        // fill takes, the patch is filled again run by run.
        {"a path winding down and up ten bars", 640, 480, Serpentine(10), Point{40, 60}},
        {"a path winding down and up forty bars", 640, 480, Serpentine(40), Point{40, 60}},
        // The start: the seed's window holds the block (its darkest pixel
        // starts the fill), or only the pixels one short of it that the
        // closing makes dark, or nothing dark; the window cut by the frame.
        {"a block six pixels from the seed", 640, 480,
         [](support::Frame& f, int dark) { Paint(f, 100, 100, 180, 180, dark); }, Point{94, 94}},
        {"a block seven pixels from the seed, within the closing's reach", 640, 480,
         [](support::Frame& f, int dark) { Paint(f, 100, 100, 180, 180, dark); }, Point{93, 140}},
        {"a block eight pixels from the seed, out of reach", 640, 480,
         [](support::Frame& f, int dark) { Paint(f, 100, 100, 180, 180, dark); }, Point{92, 140}},
        {"a block in the frame's corner, the seed's window cut by both sides", 640, 480,
         [](support::Frame& f, int dark) { Paint(f, 3, 3, 60, 60, dark); }, Point{1, 1}},
        {"a block seven rows below the seed, running to the frame's bottom", 640, 480,
         [](support::Frame& f, int dark) { Paint(f, 300, 400, 380, 479, dark); }, Point{340, 393}},
        {"a comb whose teeth join below, runs coming in from the left",
         640, 480,
         [](support::Frame& f, int dark) {
             for (int x = 30; x < 330; x += 7) {
                 Paint(f, x, 50, x + 2, 200, dark);
             }
             Paint(f, 30, 200, 330, 203, dark);
             Paint(f, 0, 120, 27, 121, dark);
         },
         Point{300, 60}},
    };
    Outline o;
    for (bool const negative : {false, true}) {
        int const dark = negative ? 900 : 100;
        int const light = negative ? 100 : 900;
        for (Shape const& shape : shapes) {
            SCOPED_TRACE(std::string(shape.name) + (negative ? ", light on dark" : ", dark on light"));
            support::Frame frame = support::makeFrame(shape.width, shape.height, light);
            shape.draw(frame, dark);
            // The hole's marker grey is the ground's.
            std::replace(frame.pixels.begin(), frame.pixels.end(), uint16_t{5000}, static_cast<uint16_t>(light));
            Patch const expected = FloodFill(frame, shape.seed, dark);
            PaddedImage const padded(frame);
            bool const kept = o.outline->Fill(padded.image, shape.seed, 40, negative);
            ASSERT_EQ(kept, expected.kept);
            if (!kept) {
                continue;
            }
            for (int y = 0; y < frame.height; ++y) {
                int left = -1;
                int right = -1;
                bool const row = o.outline->GetRowSpan(y, left, right);
                ASSERT_EQ(row, expected.right[y] >= 0) << "row " << y;
                if (row) {
                    EXPECT_EQ(left, expected.left[y]) << "row " << y;
                    EXPECT_EQ(right, expected.right[y]) << "row " << y;
                }
            }
        }
    }
}

// A later sighting of a patch whose start pixel lies in the patch this
// polarity's last fill found, on the same buffer and thresholds, takes that
// patch again without filling, the same to the row as a fresh fill; a fill
// of the other polarity between keeps it, a fill of another patch or of
// another buffer does not.
TEST(DataMatrixOutlineTest, ALaterSightingOfAPatchTakesItAgain)
{
    support::Frame frame = support::makeFrame(320, 240, 900);
    Paint(frame, 40, 40, 50, 100, 100);    // an L's legs
    Paint(frame, 40, 90, 110, 100, 100);
    Paint(frame, 60, 50, 70, 80, 100);     // a module joined to it by a gap of two
    Paint(frame, 130, 90, 200, 160, 100);  // a dark block, another patch
    Paint(frame, 150, 110, 180, 140, 900); // with a light square in it
    support::Frame const copy = frame;
    GrayImage const image(frame.width, frame.height, frame.width, frame.pixels.data());
    GrayImage const other(copy.width, copy.height, copy.width, copy.pixels.data());
    struct Sighting {
        char const* name;
        Point seed;
        bool negative;
        bool inCopy;
        bool repeat;
    };
    Sighting const sightings[] = {
        {"the L's corner", {45, 95}, false, false, false},
        {"the L's corner again", {45, 95}, false, false, true},
        {"the far end of a leg", {105, 95}, false, false, true},
        {"the light square, light on dark", {155, 115}, true, false, false},
        {"the L's corner after the other polarity", {45, 95}, false, false, true},
        {"the light square again", {175, 135}, true, false, true},
        {"the L's corner in another buffer", {45, 95}, false, true, false},
        {"the dark block", {135, 155}, false, false, false},
        {"the L's corner after the block", {45, 95}, false, false, false},
    };
    Outline o;
    Outline fresh;
    for (Sighting const& s : sightings) {
        SCOPED_TRACE(s.name);
        GrayImage const& shown = s.inCopy ? other : image;
        ASSERT_TRUE(o.outline->Fill(shown, s.seed, 40, s.negative, true));
        EXPECT_EQ(o.outline->WasRepeat(), s.repeat);
        ASSERT_TRUE(fresh.outline->Fill(shown, s.seed, 40, s.negative));
        EXPECT_FALSE(fresh.outline->WasRepeat());
        EXPECT_EQ(o.outline->GetFillDigest(), fresh.outline->GetFillDigest());
        for (int y = 0; y < frame.height; ++y) {
            int left = 0, right = 0, freshLeft = 0, freshRight = 0;
            bool const row = o.outline->GetRowSpan(y, left, right);
            ASSERT_EQ(row, fresh.outline->GetRowSpan(y, freshLeft, freshRight)) << "row " << y;
            if (row) {
                EXPECT_EQ(left, freshLeft) << "row " << y;
                EXPECT_EQ(right, freshRight) << "row " << y;
            }
        }
    }
}

// The fitted outline's corners lie on the drawn symbol's, the L corner
// first, at any angle, keystoned, light on dark, and with the edge scans of
// a side running off the frame (where they sample point by point) or lying
// wholly on it (eight or four points at a time), in coarse steps of one to
// four half pixels.
TEST(DataMatrixOutlineTest, FittedCornersLieOnTheSymbols)
{
    struct Pose {
        char const* name;
        int size;  // zint's size option
        support::RenderOptions options;
    };
    Pose const poses[] = {
        {"20 x 20 upright", 6, {.moduleSize = 3.0}},
        {"20 x 20 at 17 degrees", 6, {.moduleSize = 3.0, .angle = 17.0}},
        {"32 x 32 at 135 degrees, light on dark", 10, {.moduleSize = 2.5, .angle = 135.0, .inverted = true}},
        {"44 x 44 keystoned", 13, {.moduleSize = 3.0, .angle = 250.0, .perspectiveX = 0.2, .perspectiveY = 0.1}},
        {"20 x 20 against the frame's left side", 6,
         {.moduleSize = 3.0, .angle = 8.0, .centre = support::Point{38.0, 240.0}, .quietZone = 2.0}},
        {"16 x 16 against the frame's top side", 4,
         {.moduleSize = 3.5, .angle = 300.0, .centre = support::Point{320.0, 33.0}, .quietZone = 2.0}},
        // Sides long enough for the edge scans' coarse steps of one to two
        // pixels, which go back to the first dark point after them.
        {"144 x 144 at 2.2 pixels a module", 24,
         {.frameWidth = 800, .frameHeight = 800, .moduleSize = 2.2, .angle = 3.0, .quietZone = 4.0}},
        {"144 x 144 light on dark, keystoned", 24,
         {.frameWidth = 800, .frameHeight = 800, .moduleSize = 2.6, .angle = 200.0, .quietZone = 4.0,
          .inverted = true, .perspectiveX = 0.1}},
        {"64 x 64 at 9 pixels a module", 16,
         {.frameWidth = 800, .frameHeight = 800, .moduleSize = 9.0, .angle = 31.0, .quietZone = 3.0}},
    };
    Outline o;
    for (Pose const& pose : poses) {
        SCOPED_TRACE(pose.name);
        support::Rendering const r =
            support::render({.symbology = BARCODE_DATAMATRIX, .data = "0123", .option2 = pose.size}, pose.options);
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        // The L corner: the symbol's bottom left in module coordinates. The
        // drawing's pixel x spans x to x + 1, the outline's lies at x.
        support::Point l = r.symbol.toFrame({0.0, static_cast<double>(r.symbol.rows)});
        l = support::Point{l.x - 0.5, l.y - 0.5};
        GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
        Point const seed{static_cast<int>(l.x), static_cast<int>(l.y)};
        ASSERT_TRUE(o.outline->Fill(image, seed, 40, pose.options.inverted));
        ASSERT_TRUE(o.outline->Fit(image, false));
        EXPECT_LT(std::hypot(o.outline->GetCorner(0).x - l.x, o.outline->GetCorner(0).y - l.y), kCornerSlack);
        for (unsigned i = 0; i < 4; ++i) {
            double nearest = 1e9;
            for (support::Point const& c : r.symbol.corners) {
                nearest = std::min(nearest, std::hypot(o.outline->GetCorner(i).x - (c.x - 0.5),
                                                       o.outline->GetCorner(i).y - (c.y - 0.5)));
            }
            EXPECT_LT(nearest, kCornerSlack) << "corner " << i;
        }
    }
}

// Off the frame's last row and column the border repeats; a point beyond
// reach of the frame (or not a number) reads 0.
TEST(DataMatrixOutlineTest, SamplesWeighTheFourPixelsAsBilinearDoes)
{
    support::Frame frame = support::makeFrame(64, 48, 0);
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            frame.at(x, y) = static_cast<uint16_t>((x * 37 + y * 101 + x * y * 13) % 1024);
        }
    }
    PaddedImage const padded(frame);
    GrayImage const& image = padded.image;
    auto clamped = [&](int x, int y) { return static_cast<float>(image.AtClamped(x, y)); };
    struct At {
        float x, y;
    };
    At const inside[] = {
        {0.0f, 0.0f},   {0.25f, 0.75f}, {10.5f, 20.125f}, {62.9f, 46.9f},  {62.0f, 0.5f},  {31.999f, 17.0001f},
        {-0.5f, 10.3f}, {10.3f, -0.75f}, {63.0f, 20.5f},  {63.7f, 47.6f}, {20.25f, 47.0f}, {-0.999f, -0.999f},
    };
    for (At const& p : inside) {
        SCOPED_TRACE(testing::Message() << "at " << p.x << ", " << p.y);
        EXPECT_EQ(DataMatrixOutline::Sample(image, p.x, p.y), Bilinear(clamped, p.x, p.y));
    }
    At const off[] = {{-1.0f, 5.0f}, {5.0f, -1.5f}, {65.0f, 5.0f}, {5.0f, 49.0f}, {1e30f, 5.0f}, {NAN, 5.0f}};
    for (At const& p : off) {
        SCOPED_TRACE(testing::Message() << "at " << p.x << ", " << p.y);
        EXPECT_EQ(DataMatrixOutline::Sample(image, p.x, p.y), 0.0f);
    }
    // Many points at once give each point's own value: groups of eight and
    // of four wholly on the image, groups with a point on the last row or
    // column or off the frame, and a remainder of fewer than four.
    std::vector<float> xs;
    std::vector<float> ys;
    for (int i = 0; i < 16; ++i) {
        xs.push_back(0.13f + static_cast<float>(i) * 3.87f);
        ys.push_back(46.99f - static_cast<float>(i) * 2.93f);
    }
    for (float x : {5.5f, 63.5f, 20.2f, 40.3f, 7.25f, 33.3f, 12.6f, 1.5f}) {
        xs.push_back(x);
    }
    for (float y : {6.5f, 10.2f, 30.1f, 12.7f, 47.5f, 46.5f, 3.3f, 9.9f}) {
        ys.push_back(y);
    }
    for (At const& p : inside) {
        xs.push_back(p.x);
        ys.push_back(p.y);
    }
    for (At const& p : off) {
        xs.push_back(p.x);
        ys.push_back(p.y);
    }
    for (int i = 0; i < 23; ++i) {
        xs.push_back(0.37f + static_cast<float>(i) * 2.61f);
        ys.push_back(46.9f - static_cast<float>(i) * 1.93f);
    }
    std::vector<float> values(xs.size(), -1.0f);
    DataMatrixOutline::SampleAll(image, xs.data(), ys.data(), static_cast<unsigned>(xs.size()), values.data());
    for (size_t i = 0; i < xs.size(); ++i) {
        float const expected = DataMatrixOutline::Sample(image, xs[i], ys[i]);
        EXPECT_EQ(std::memcmp(&values[i], &expected, sizeof expected), 0)
            << "at " << xs[i] << ", " << ys[i] << ": " << values[i] << " for " << expected;
    }
}

// Through the product road: a frame of heavy noise gives no label, and a
// symbol in moderate noise beside a noisy ground still reads.
TEST(DataMatrixOutlineTest, HeavyNoiseGivesNoLabelAndSymbolsStillRead)
{
    matrix_test::HandleHarness harness;
    ASSERT_TRUE(harness.IsReady());
    support::Frame noise = support::makeFrame(640, 480, 512);
    support::applyNoise(noise, 60, 11);
    EXPECT_TRUE(harness.Read(noise).empty());
    std::string const data = "DATA MATRIX 2024 C40";
    support::Rendering const r = support::render({.symbology = BARCODE_DATAMATRIX, .data = data, .option2 = 6},
                                                 {.moduleSize = 3.0, .angle = 30.0, .noise = 25.0, .seed = 5});
    ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
    std::vector<matrix_test::HandleLabel> const& labels = harness.Read(r.frame);
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_EQ(labels[0].data, data);
}

}  // namespace
}  // namespace data_matrix_outline_test
