// Scan-line sampling, block thresholds and run lengths of the legacy engine,
// on frames whose edges lie at known sub-pixel places.
#include <gtest/gtest.h>

#include <cstdlib>
#include <numeric>
#include <vector>

#include "decoder/legacy/engine/legacy_run_length.h"
#include "decoder/legacy/engine/legacy_run_length_utilities.h"
#include "decoder/legacy/engine/legacy_scan_line.h"
#include "tests/support/random.h"

namespace {

// A frame the engine reads; columns get their grey from `column(x)`.
class LegacyFrame {
public:
    LegacyFrame(int width, int height) : width_(width), height_(height), pixels_(width * height, 900) { Attach(); }

    void Attach()
    {
        decode_image_info = DECODE_IMAGE_INFO_st{};
        decode_image_info.pixels = pixels_.data();
        decode_image_info.samplePixels = pixels_.data();
        decode_image_info.width = decode_image_info.sampleWidth = width_;
        decode_image_info.height = decode_image_info.sampleHeight = height_;
        decode_image_info.currentMaxValue = 1000;
    }
    template <typename F>
    void Columns(F column)
    {
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                pixels_[y * width_ + x] = static_cast<unsigned short>(column(x));
            }
        }
    }

    template <typename F>
    void Fill(F grey)
    {
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                pixels_[y * width_ + x] = static_cast<unsigned short>(grey(x, y));
            }
        }
    }

private:
    int width_;
    int height_;
    std::vector<unsigned short> pixels_;
};

std::vector<int> GreyRuns()
{
    std::vector<int> runs;
    for (int i = 0; i < MULTI_RunlenA.count; ++i) {
        runs.push_back(MULTI_RunlenA.runs[i]);
    }
    return runs;
}

void ScanRow(int y, int x0, int x1)
{
    MULTI_PicLineInfo.x0 = x0;
    MULTI_PicLineInfo.y0 = y;
    MULTI_PicLineInfo.x1 = x1;
    MULTI_PicLineInfo.y1 = y;
    EXPECT_EQ(SoftRunlength(&MULTI_PicLineInfo, &MULTI_RunlenA, &MULTI_RunlenB, 2, 1, nullptr), 129);
}

TEST(LegacyScanLineTest, EdgesLandAtTheirSubPixelPlaceInBothSequences)
{
    // Bars of 4 px starting at x = 20.5: the edge pixels are mid-grey.
    LegacyFrame frame(640, 40);
    frame.Columns([](int x) {
        if (x < 20 || x > 100) {
            return 900;
        }
        int const phase = (x - 20) % 8;
        return phase == 0 ? 500 : (phase <= 3 ? 100 : (phase == 4 ? 500 : 900));
    });
    ScanRow(10, 0, 200);
    std::vector<int> const runs = GreyRuns();
    ASSERT_GE(runs.size(), 20u);
    EXPECT_EQ(std::accumulate(runs.begin(), runs.end(), 0), 201 * 32);
    // The first edge lies at the centre of the mid-grey pixel 20; the margin
    // also holds the step from the white sample taken to precede the line.
    EXPECT_NEAR(runs[0], 21 * 32, 8);
    for (size_t i = 1; i + 1 < runs.size(); ++i) {
        EXPECT_NEAR(runs[i], 4 * 32, 12) << i;
    }
    EXPECT_EQ(MULTI_RunlenA.runs[runs.size()], 0xFFFF);
    EXPECT_EQ(MULTI_RunlenA.runs[runs.size() + 1], 0xFFFF);
    EXPECT_EQ(MULTI_RunlenA.runs[runs.size() + 2], 0);
    EXPECT_EQ(MULTI_RunlenB.runs[MULTI_RunlenB.count + 2], 1);
    int sharpTotal = 0;
    for (int i = 0; i < MULTI_RunlenB.count; ++i) {
        sharpTotal += MULTI_RunlenB.runs[i];
    }
    EXPECT_EQ(sharpTotal, 201 * 32);
}

TEST(LegacyScanLineTest, LinesWithoutContrastAreOneRunWhateverTheLineBefore)
{
    LegacyFrame frame(640, 40);
    // A high-contrast line first leaves its thresholds in the trace.
    frame.Columns([](int x) { return (x / 3) % 2 == 0 ? 980 : 700; });
    ScanRow(5, 0, 300);
    ASSERT_GT(MULTI_RunlenA.count, 50);
    for (int level : {1000, 760, 600}) {
        frame.Columns([level](int) { return level; });
        ScanRow(5, 0, 600);
        if (level > 511) {
            ASSERT_EQ(MULTI_RunlenA.count, 1) << level;
            EXPECT_EQ(MULTI_RunlenA.runs[0], 601 * 32);
        }
    }
    // Dark and flat: the light lead-in ends at once, the rest is one dark run.
    frame.Columns([](int) { return 200; });
    ScanRow(5, 0, 600);
    ASSERT_EQ(MULTI_RunlenA.count, 2);
}

TEST(LegacyScanLineTest, ManyStrongEdgesOnALongLineKeepEveryBlockThreshold)
{
    // 2 px bars over 1280 columns: about 320 strong pairs, 40 blocks.
    LegacyFrame frame(1280, 20);
    frame.Columns([](int x) { return (x / 2) % 2 == 0 ? 100 : 900; });
    ScanRow(3, 0, 1279);
    EXPECT_GT(MULTI_RunlenA.count, 600);
    for (int i = 1; i + 1 < MULTI_RunlenA.count; ++i) {
        ASSERT_NEAR(MULTI_RunlenA.runs[i], 64, 8) << i;
        ASSERT_GT(MULTI_RunlenA.thresholds[i], 100) << i;
        ASSERT_LT(MULTI_RunlenA.thresholds[i], 900) << i;
    }
}

TEST(LegacyScanLineTest, PixelsOutsideTheImageReadWhite)
{
    LegacyFrame frame(64, 48);
    frame.Columns([](int) { return 10; });
    struct Case {
        int x, y, grey;
    } const cases[] = {{0, 0, 10}, {63, 47, 10}, {64, 0, 1023}, {100, 10, 1023}, {0, 48, 1023},
                       {-1, 5, 1023}, {1280, 0, 1023}, {5, -1, 1023}};
    for (Case const& c : cases) {
        EXPECT_EQ(ImgGrayValue(c.x, c.y), c.grey) << c.x << "," << c.y;
        EXPECT_EQ(*ImgGrayValuePtr(c.x, c.y), c.grey) << c.x << "," << c.y;
    }
    EXPECT_EQ(get_gray_dot(0, 0, 1, 10, 0, 0), 128);
    EXPECT_EQ(get_gray_dot(2, 2, 10, 10, 0, 0), 10);
    // A line leaving the image is refused, not read past the samples.
    unsigned short buffer[2 * kLegacyLineSamples];
    int n = 0;
    EXPECT_EQ(pic_line_unified2(nullptr, nullptr, 0, &n, nullptr, buffer, 0, 5, 64, 5), -1);
}

TEST(LegacyScanLineTest, SharpeningGainFallsWithDistanceFromTheThreshold)
{
    // Neighbours 500 and 500: v = (2 p - 1000) * gain + 1000, halved.
    struct Case {
        int grey, threshold, expected;
    } const cases[] = {
        {560, 432, 800},  // 128 levels away: gain 5
        {960, 512, 960},  // 448 away: gain 1
        {300, 512, 0},    // gain 4, far below: clamped dark
        {700, 690, 1023}, // gain 7, above the range: clamped white
    };
    for (Case const& c : cases) {
        unsigned short const g[3] = {500, static_cast<unsigned short>(c.grey), 500};
        unsigned short const t[3] = {512, static_cast<unsigned short>(c.threshold), 512};
        unsigned short out[3] = {};
        AutoCoefLap(g, out, t, 3, 1);
        EXPECT_EQ(out[1], c.expected) << c.grey;
        EXPECT_EQ(out[0], 500);
        EXPECT_EQ(out[2], 500);
    }
}

TEST(LegacyRunLengthTest, NoiseRunsMergeWithTheirNeighbours)
{
    struct Case {
        std::vector<unsigned short> in;
        int limit;
        std::vector<unsigned short> out;
    } const cases[] = {
        {{300, 40, 300}, 64, {640}},
        {{100, 300, 40, 300, 200}, 64, {100, 640, 200}},
        {{30, 300, 300}, 64, {30, 300, 300}},  // the first run is never merged
        {{300, 300, 20}, 64, {300, 320}},      // a thin last run joins the one before
        {{300, 40, 300, 40, 300}, 64, {980}},
    };
    for (auto const& c : cases) {
        std::vector<unsigned short> runs = c.in;
        runs.insert(runs.end(), {0xFFFF, 0xFFFF, 7});
        std::vector<unsigned short> thresholds(runs.size(), 0);
        for (size_t i = 0; i < c.in.size(); ++i) {
            thresholds[i] = static_cast<unsigned short>(i + 1);
        }
        int const kept = ex_cut_noize(runs.data(), thresholds.data(), c.limit, 0);
        ASSERT_EQ(kept, static_cast<int>(c.out.size()));
        for (int i = 0; i < kept; ++i) {
            EXPECT_EQ(runs[i], c.out[i]) << i;
        }
        EXPECT_EQ(runs[kept], 0xFFFF);
        EXPECT_EQ(runs[kept + 2], 7);
        EXPECT_EQ(thresholds[kept - 1], c.in.size()) << "the last edge's threshold follows the merge";
    }
}

// The records of the configurable maker with their buffers attached;
// thresholds at a single level, one run sequence from channel 1.
struct MakerRecords {
    MakerRecords()
    {
        set_runlength_pointer(&th, &pl, &a, &b, &oa, &ob, thr, line, grey, fa, fb, ra, rb);
        th.mode = 4;
        set_RunlenInfo_param(&ia, 0, 1, 0, 2, 0, 0);
        set_RunlenInfo_param(&ib, 0, 0, 0, 2, 0, 0);
    }
    int Make() { return BC_make_runlength4(&th, &pl, &a, &b, &ia, &ib, &oa, &ob); }

    static inline unsigned short line[2 * kLegacyLineSamples], grey[kLegacyLineSamples], thr[kLegacyLineSamples],
        fa[kLegacyLineSamples], fb[kLegacyLineSamples], ra[kLegacyRunCapacity], rb[kLegacyRunCapacity];
    MAKETH_INFO th{};
    PICLINE_INFO pl{};
    FILTER_INFO a{}, b{};
    RUNLEN_OUT oa{}, ob{};
    RUNLEN_INFO ia{}, ib{};
};

TEST(LegacyRunLengthTest, TheMakerCoversTheCallersLineWhateverItsNudging)
{
    LegacyFrame frame(640, 40);
    frame.Columns([](int x) { return (x / 5) % 2 == 0 ? 150 : 850; });
    // Lines of a multiple of 4 samples starting at x = 2 mod 4 are moved by a
    // pixel inside the maker; the runs must still cover the line asked for.
    struct Case {
        int x0, x1;
    } const cases[] = {{2, 101}, {6, 105}, {3, 102}, {10, 639}, {2, 99}};
    for (Case const& c : cases) {
        MakerRecords r;
        set_PicLineInfo_param(&r.pl, 0, 1, 1, c.x0, 7, c.x1, 7);
        ASSERT_EQ(r.Make(), 0) << c.x0;
        EXPECT_EQ(std::accumulate(r.ra, r.ra + r.oa.count, 0), (c.x1 - c.x0 + 1) * 32) << c.x0 << "-" << c.x1;
        EXPECT_EQ(r.pl.x1, c.x1);
        EXPECT_EQ(r.pl.count, c.x1 - c.x0 + 1);
        EXPECT_EQ(r.pl.maxValue, 850);
        EXPECT_EQ(r.pl.minValue, 150);
    }
}

TEST(LegacyRunLengthTest, RecordsThatDoNotSuitTheLineAreRefused)
{
    LegacyFrame frame(640, 40);
    MakerRecords r;
    // A moving average of 8 on a line of 7 samples.
    set_Filter_param(&r.b, 2, 3, 0);
    set_PicLineInfo_param(&r.pl, 0, 1, 0, 10, 5, 16, 5);
    EXPECT_EQ(r.Make(), -1);
    // A line of no length.
    set_Filter_param(&r.b, 0, 0, 0);
    set_PicLineInfo_param(&r.pl, 0, 1, 0, 10, 5, 10, 5);
    EXPECT_EQ(r.Make(), -1);
    EXPECT_NE(r.pl.error & 64, 0);
    EXPECT_EQ(calc_line_dot_count(1, 0, 0, 3, 4), 8);
    EXPECT_EQ(calc_line_dot_count(0, 0, 0, 3, 4), 5);
}

}  // namespace

namespace {

TEST(LegacyScanLineTest, BlockThresholdsFollowTheLocalContrast)
{
    // 2 px bars: a strong left part (100 / 900) and a faint right part
    // (560 / 760). One threshold for the whole line would lose the right part.
    LegacyFrame frame(640, 20);
    frame.Columns([](int x) {
        bool const dark = (x / 2) % 2 == 0;
        return x < 300 ? (dark ? 100 : 900) : (dark ? 560 : 760);
    });
    ScanRow(5, 0, 639);
    // Every bar of both parts comes out as a run of its own.
    int faint = 0;
    int position = 0;
    for (int i = 0; i < MULTI_RunlenA.count; ++i) {
        position += MULTI_RunlenA.runs[i];
        if (position > 32 * 340 && i + 1 < MULTI_RunlenA.count) {
            EXPECT_NEAR(MULTI_RunlenA.runs[i], 64, 12) << i;
            EXPECT_GT(MULTI_RunlenA.thresholds[i], 560) << i;
            EXPECT_LT(MULTI_RunlenA.thresholds[i], 760) << i;
            ++faint;
        }
    }
    EXPECT_GT(faint, 120);
    // The statistics stay behind: strong blocks cut between 100 and 900, faint
    // ones between 560 and 760, each block's histograms holding its counts.
    EXPECT_GT(block_thresh[0], 100);
    EXPECT_LT(block_thresh[0], 900);
    int blocks = 0;
    while (blocks < kLegacyStatisBlocks && (peak_statis[blocks][64] != 0 || bottom_statis[blocks][64] != 0)) {
        int peaks = 0;
        for (int bin = 0; bin < 64; ++bin) {
            peaks += peak_statis[blocks][bin];
        }
        EXPECT_EQ(peaks, peak_statis[blocks][64]) << blocks;
        ++blocks;
    }
    ASSERT_GT(blocks, 2);
    EXPECT_GT(block_thresh[blocks - 1], 560);
    EXPECT_LT(block_thresh[blocks - 1], 760);
}

TEST(LegacyRunLengthTest, LinesAreClippedToTheImageAndWalkedInRunUnits)
{
    LegacyFrame frame(100, 50);
    struct Clip {
        int x0, y0, x1, y1;
        int answer;
        int cx0, cy0, cx1, cy1;
    } const clips[] = {
        {10, 10, 90, 40, 0, 10, 10, 90, 40},    // inside: unchanged
        {-20, 25, 120, 25, 0, 0, 25, 99, 25},   // both ends out
        {50, 25, 150, 25, 0, 50, 25, 99, 25},   // the second end out
        {-10, -10, 60, 60, 0, 0, 0, 49, 49},    // through a corner
        {-10, 60, -5, 70, -1, 1, 1, 2, 2},      // misses the image
    };
    for (Clip const& c : clips) {
        int x0 = c.x0, y0 = c.y0, x1 = c.x1, y1 = c.y1;
        EXPECT_EQ(COM_clip_xy(&x0, &y0, &x1, &y1), c.answer) << c.x0 << "," << c.y0;
        EXPECT_EQ(x0, c.cx0) << c.x0 << "," << c.y0;
        EXPECT_EQ(y0, c.cy0) << c.x0 << "," << c.y0;
        EXPECT_EQ(x1, c.cx1) << c.x0 << "," << c.y0;
        EXPECT_EQ(y1, c.cy1) << c.x0 << "," << c.y0;
    }
    struct Walk {
        int position, x0, y0, x1, y1, x, y;
    } const walks[] = {
        {0, 10, 10, 50, 30, 10, 10},   {32 * 40, 10, 10, 50, 30, 50, 30}, {32 * 20, 10, 10, 50, 30, 30, 20},
        {32 * 10, 50, 30, 10, 10, 40, 25}, {16, 0, 0, 0, 10, 0, 1},
    };
    for (Walk const& w : walks) {
        int x = -1, y = -1;
        ASSERT_EQ(transfer_ryo2xyB(&x, &y, w.position, w.x0, w.y0, w.x1, w.y1), 0);
        EXPECT_EQ(x, w.x) << w.position;
        EXPECT_EQ(y, w.y) << w.position;
    }
    int x = 0, y = 0;
    EXPECT_EQ(transfer_ryo2xyB(&x, &y, 32, 5, 5, 5, 5), -1);
    int contrast = 0;
    frame.Columns([](int px) { return px < 50 ? 200 : 800; });
    EXPECT_EQ(get_contrast(10, 10, 90, 10, &contrast), 0);
    EXPECT_EQ(contrast, 600);
    EXPECT_EQ(get_contrast(10, 10, 10, 10, &contrast), -1);
}

TEST(LegacyRunLengthTest, EnvelopeThresholdsSitBetweenTheLocalLevels)
{
    // A dim left half (300 / 500) and a bright right half (600 / 1000) of
    // 3 px bars: each half is cut at its own mid-level.
    LegacyFrame frame(640, 20);
    frame.Columns([](int x) {
        bool const dark = (x / 3) % 2 == 0;
        return x < 320 ? (dark ? 300 : 500) : (dark ? 600 : 1000);
    });
    MakerRecords r;
    r.th.mode = 0;
    r.th.windowSize = 24;
    r.th.smoothExponent = 2;
    r.th.minContrast = 40;
    set_PicLineInfo_param(&r.pl, 0, 1, 0, 0, 5, 639, 5);
    ASSERT_EQ(r.Make(), 0);
    EXPECT_NEAR(r.thr[100], 400, 40);
    EXPECT_NEAR(r.thr[500], 800, 60);
    // The runs of both halves are 3 px (where the window spans both, the
    // threshold passes from one level to the other).
    int position = 0;
    for (int i = 0; i + 1 < r.oa.count; ++i) {
        int const width = r.ra[i];
        position += width;
        if (i == 0 || std::abs(position - 32 * 320) < 32 * 24) {
            continue;
        }
        if (std::abs(width - 96) > 20) {
            ADD_FAILURE() << "run " << i << " is " << width;
            break;
        }
    }
}

TEST(LegacyScanLineTest, PointerWalksTakeTheSamplesOfTheLineSampler)
{
    LegacyFrame frame(300, 200);
    frame.Fill([](int x, int y) { return (x * 7 + y * 13 + (x * y) % 11) % 1024; });
    support::Random random(1051);
    static unsigned short walked[2 * kLegacyLineSamples];
    static unsigned short sampled[2 * kLegacyLineSamples];
    for (int i = 0; i < 600; ++i) {
        PICLINE_INFO line{};
        line.x0 = random.integer(0, 299), line.y0 = random.integer(0, 199);
        line.x1 = i % 5 == 0 ? line.x0 : random.integer(0, 299);
        line.y1 = i % 5 == 1 ? line.y0 : random.integer(0, 199);
        if (line.x0 == line.x1 && line.y0 == line.y1) {
            continue;
        }
        ASSERT_EQ(pic_line33_onlyG(nullptr, sampled, line.x0, line.y0, line.x1, line.y1), 0);
        ASSERT_EQ(calc_pic_line_steps(&line), 0);
        for (int k = 0; k < line.count; ++k) {
            long const at = static_cast<long>(k) * line.stepA + ((static_cast<long>(k) * line.stepB) >> 16) * line.stepC;
            ASSERT_EQ(line.imageBase[at], sampled[2 * k]) << i << " sample " << k;
        }
        // The plain walk, the older entry and (for rows and columns) the
        // direct walks agree with it.
        int count = 0;
        ASSERT_EQ(pic_line_unified(nullptr, 0, &count, nullptr, walked, line.x0, line.y0, line.x1, line.y1), 0);
        ASSERT_EQ(count, line.count);
        for (int k = 0; k < count; ++k) {
            ASSERT_EQ(walked[2 * k], sampled[2 * k]);
        }
        // Filter type 3 takes each sample's sharpened value beside it, on the
        // plain and on the 4-connected walk.
        for (int mode : {0, 1}) {
            FILTER_INFO both{3, 0, 0, nullptr};
            ASSERT_EQ(pic_line_unified(&both, mode, &count, nullptr, walked, line.x0, line.y0, line.x1, line.y1), 0);
            ASSERT_EQ(count, mode == 0 ? line.count : std::abs(line.x1 - line.x0) + std::abs(line.y1 - line.y0) + 1);
            for (int k = 0; k < count && mode == 0; ++k) {
                ASSERT_EQ(walked[2 * k], sampled[2 * k]);
            }
            if (line.x0 == line.x1 || line.y0 == line.y1) {
                for (int k = 0; k < count; ++k) {
                    int const x = line.x0 == line.x1 ? line.x0 : line.x0 + (line.x1 > line.x0 ? k : -k);
                    int const y = line.y0 == line.y1 ? line.y0 : line.y0 + (line.y1 > line.y0 ? k : -k);
                    unsigned short pair[2];
                    ImgLapGrayValue(x, y, pair);
                    ASSERT_EQ(pair[1], ImgLapValue(x, y));
                    ASSERT_EQ(walked[2 * k], pair[0]) << i << " sample " << k;
                    ASSERT_EQ(walked[2 * k + 1], pair[1]) << i << " sample " << k;
                }
            }
        }
        bool const row = line.y0 == line.y1;
        bool const column = line.x0 == line.x1;
        EXPECT_EQ(pic_line_H33_onlyG(&line, walked), row ? 0 : -1);
        EXPECT_EQ(pic_line_V33_onlyG(&line, walked), column ? 0 : -1);
        if (row || column) {
            for (int k = 0; k < count; ++k) {
                ASSERT_EQ(walked[2 * k], ImgGrayValue(row ? line.x0 + (line.x1 > line.x0 ? k : -k) : line.x0,
                                                      column ? line.y0 + (line.y1 > line.y0 ? k : -k) : line.y0));
            }
        }
        EXPECT_EQ(select_picline_mode(2, line.x0, line.y0, line.x1, line.y1),
                  std::min(std::abs(line.x1 - line.x0), std::abs(line.y1 - line.y0)) * 65536LL >=
                          25600LL * std::max(std::abs(line.x1 - line.x0), std::abs(line.y1 - line.y0))
                      ? 1
                      : 0);
    }
    PICLINE_INFO outside{};
    outside.x0 = -1, outside.x1 = 5;
    EXPECT_EQ(calc_pic_line_steps(&outside), -1);
    EXPECT_EQ(Set_pic_line_gray_IMG_ptr(&outside), -1);
    EXPECT_EQ((std::vector<int>{cnv_filter_mode(0), cnv_filter_mode(1), cnv_filter_mode(2), cnv_filter_mode(-1)}),
              (std::vector<int>{2, 3, 1, 1}));
}

TEST(LegacyScanLineTest, PointersIntoTheImageAndTheLineBuffers)
{
    LegacyFrame frame(64, 48);
    frame.Fill([](int x, int y) { return x + 64 * y; });
    // The samplers read a second image; the original stays reachable.
    static unsigned short inverted[64 * 48];
    for (int i = 0; i < 64 * 48; ++i) {
        inverted[i] = static_cast<unsigned short>(1023 - i % 1024);
    }
    decode_image_info.samplePixels = inverted;
    struct Case {
        int x, y;
        int original, sampled;
    };
    for (Case c : {Case{0, 0, 0, 1023}, Case{63, 10, 703, 320}, Case{64, 0, 1023, 1023}, Case{5, -1, 1023, 1023}}) {
        unsigned short const* p = nullptr;
        Set_gray_ptr(c.x, c.y, &p);
        EXPECT_EQ(*p, c.sampled) << c.x << "," << c.y;
        EXPECT_EQ(*OrigImgGrayValuePtr(c.x, c.y), c.original) << c.x << "," << c.y;
    }
    unsigned short buffer[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    unsigned short* channel = nullptr;
    ASSERT_EQ(Set_line_ptr33(2, &channel, buffer), 0);
    EXPECT_EQ(channel[0] * 10 + channel[2], 24);
    ASSERT_EQ(Set_line_ptr33(1, &channel, buffer), 0);
    EXPECT_EQ(channel[0] * 10 + channel[2], 13);
    EXPECT_EQ(Set_line_ptr33(3, &channel, buffer), -1);
    // The driver's line buffer: channel 1 holds the line the driver sampled.
    ScanRow(7, 0, 63);
    ASSERT_EQ(Set_line_ptr(1, &channel), 0);
    EXPECT_EQ(channel[2 * 5], inverted[7 * 64 + 5]);
}

}  // namespace
