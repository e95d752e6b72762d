// The row reader's line sampling and edge finding against their plain
// one-sample-at-a-time forms: the values and edges must be the same to the
// last bit wherever the lines run (inside the frame, across its borders,
// off it), on frames of odd sizes and pitches, either polarity.
#include <cmath>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "decoder/stacked/pdf_row_reader.h"

namespace {

using DEC2DIvra::GrayImage;
using DEC2DIvra::PDFRowReader;

constexpr unsigned kMaxSamples = PDFRowReader::kMaxSamples;
constexpr unsigned kMaxEdges = PDFRowReader::kMaxEdges;

// Point by point: 16.16 steps, the four pixels around each point blended.
unsigned PlainSampleLine(GrayImage const& image, float x0, float y0, float x1, float y1, bool inverted, float* out)
{
    float const dx = x1 - x0;
    float const dy = y1 - y0;
    float const length = std::sqrt(dx * dx + dy * dy);
    if (!(length >= 2.0f)) {
        return 0;
    }
    unsigned count = static_cast<unsigned>(length * 2.0f) + 1;
    count = count > kMaxSamples ? kMaxSamples : count;
    float const sx = dx / static_cast<float>(count - 1);
    float const sy = dy / static_cast<float>(count - 1);
    int fx = static_cast<int>(std::lround(x0 * 65536.0f));
    int fy = static_cast<int>(std::lround(y0 * 65536.0f));
    int const fsx = static_cast<int>(std::lround(sx * 65536.0f));
    int const fsy = static_cast<int>(std::lround(sy * 65536.0f));
    for (unsigned i = 0; i < count; ++i, fx += fsx, fy += fsy) {
        int const ix = fx >> 16;
        int const iy = fy >> 16;
        float const ax = static_cast<float>(fx & 0xFFFF) * (1.0f / 65536.0f);
        float const ay = static_cast<float>(fy & 0xFFFF) * (1.0f / 65536.0f);
        float const p00 = image.AtClamped(ix, iy);
        float const p10 = image.AtClamped(ix + 1, iy);
        float const p01 = image.AtClamped(ix, iy + 1);
        float const p11 = image.AtClamped(ix + 1, iy + 1);
        float const top = p00 * (1 - ax) + p10 * ax;
        float const bottom = p01 * (1 - ax) + p11 * ax;
        float const v = top * (1 - ay) + bottom * ay;
        out[i] = inverted ? 1023.0f - v : v;
    }
    float previous = out[0];
    for (unsigned i = 1; i + 1 < count; ++i) {
        float const here = out[i];
        out[i] = (previous + 2.0f * here + out[i + 1]) / 4.0f;
        previous = here;
    }
    return count;
}

// Sample by sample against the threshold of its block of 16.
unsigned PlainFindEdges(float const* s, unsigned count, float* out, bool& firstDark)
{
    constexpr unsigned kBlock = 16;
    unsigned const blocks = (count + kBlock - 1) / kBlock;
    std::vector<float> low(blocks), high(blocks), threshold(blocks);
    float globalLow = 1e9f;
    float globalHigh = -1e9f;
    for (unsigned k = 0; k < blocks; ++k) {
        low[k] = 1e9f;
        high[k] = -1e9f;
        for (unsigned i = k * kBlock; i < count && i < (k + 1) * kBlock; ++i) {
            low[k] = s[i] < low[k] ? s[i] : low[k];
            high[k] = s[i] > high[k] ? s[i] : high[k];
        }
        globalLow = low[k] < globalLow ? low[k] : globalLow;
        globalHigh = high[k] > globalHigh ? high[k] : globalHigh;
    }
    float const floor = (globalHigh - globalLow) / 5.0f > 20.0f ? (globalHigh - globalLow) / 5.0f : 20.0f;
    float last = (globalHigh + globalLow) / 2;
    for (unsigned k = 0; k < blocks; ++k) {
        float lo = 1e9f;
        float hi = -1e9f;
        for (unsigned j = k >= 2 ? k - 2 : 0; j < blocks && j <= k + 2; ++j) {
            lo = low[j] < lo ? low[j] : lo;
            hi = high[j] > hi ? high[j] : hi;
        }
        if (hi - lo >= floor) {
            last = (hi + lo) / 2;
        }
        threshold[k] = last;
    }
    unsigned edges = 0;
    bool dark = s[0] < threshold[0];
    firstDark = false;
    for (unsigned i = 1; i < count && edges < kMaxEdges; ++i) {
        float const t = threshold[i / kBlock];
        bool const now = s[i] < t;
        if (now == dark) {
            continue;
        }
        float const d = s[i] - s[i - 1];
        float const at = d != 0 ? static_cast<float>(i - 1) + (t - s[i - 1]) / d : static_cast<float>(i);
        if (edges == 0) {
            firstDark = now;
        }
        out[edges++] = at;
        dark = now;
    }
    return edges;
}

TEST(PdfLineSampling, SamplesAndEdgesAreThePlainFormsToTheBit)
{
    struct Frame {
        int width, height, pitch;
    };
    // Bars of random widths under noise, so lines cross many edges; odd
    // sizes and a pitch wider than the frame.
    std::mt19937 random(7);
    for (Frame const f : {Frame{640, 480, 640}, Frame{333, 257, 333}, Frame{97, 61, 128}, Frame{2, 2, 2},
                          Frame{517, 389, 530}}) {
        std::vector<unsigned short> pixels(static_cast<size_t>(f.pitch) * f.height, 0);
        std::uniform_int_distribution<int> width(1, 6);
        std::uniform_int_distribution<int> noise(-60, 60);
        for (int y = 0; y < f.height; ++y) {
            bool dark = false;
            for (int x = 0, run = width(random); x < f.width; ++x, --run) {
                if (run == 0) {
                    dark = !dark;
                    run = width(random);
                }
                pixels[static_cast<size_t>(y) * f.pitch + x] =
                    static_cast<unsigned short>((dark ? 150 : 850) + noise(random) + (x + y) % 7);
            }
        }
        GrayImage const image(f.width, f.height, f.pitch, pixels.data());
        std::uniform_real_distribution<float> across(-0.3f * f.width - 20, 1.3f * f.width + 20);
        std::uniform_real_distribution<float> down(-0.3f * f.height - 20, 1.3f * f.height + 20);
        std::vector<float> got(kMaxSamples), want(kMaxSamples), gotEdges(kMaxEdges), wantEdges(kMaxEdges);
        for (int line = 0; line < 400; ++line) {
            float const x0 = across(random);
            float const y0 = down(random);
            // Long, short and nearly axis-parallel lines; some far off the frame.
            float x1 = line % 5 == 0 ? x0 + 1.5f : across(random);
            float y1 = line % 7 == 0 ? y0 + 0.25f : down(random);
            if (line % 11 == 0) {
                x1 = x0 + 3000.0f;
                y1 = y0 - 1.0f;
            }
            bool const inverted = line % 2 == 1;
            unsigned const count = PDFRowReader::SampleLine(image, x0, y0, x1, y1, inverted, got.data());
            ASSERT_EQ(count, PlainSampleLine(image, x0, y0, x1, y1, inverted, want.data())) << line;
            for (unsigned i = 0; i < count; ++i) {
                ASSERT_EQ(got[i], want[i]) << f.width << "x" << f.height << " line " << line << " sample " << i;
            }
            if (count < 2) {
                continue;
            }
            bool gotDark = false;
            bool wantDark = false;
            unsigned const edges = PDFRowReader::FindEdges(got.data(), count, gotEdges.data(), gotDark);
            ASSERT_EQ(edges, PlainFindEdges(want.data(), count, wantEdges.data(), wantDark)) << line;
            EXPECT_EQ(gotDark, wantDark) << line;
            for (unsigned i = 0; i < edges; ++i) {
                ASSERT_EQ(gotEdges[i], wantEdges[i]) << f.width << "x" << f.height << " line " << line << " edge " << i;
            }
        }
    }
}

// Samples that alternate every one give more edges than the list holds:
// the list fills to its end and stops there, at every count of samples
// around a block's length.
TEST(PdfLineSampling, EdgesStopAtTheListsEndAndBlocksOfAnyLength)
{
    std::vector<float> samples(kMaxSamples);
    std::vector<float> got(kMaxEdges), want(kMaxEdges);
    for (unsigned count : {2u, 15u, 16u, 17u, 31u, 33u, 1025u, kMaxSamples}) {
        for (unsigned i = 0; i < count; ++i) {
            samples[i] = i % 2 == 0 ? 100.0f + static_cast<float>(i % 13) : 900.0f - static_cast<float>(i % 5);
        }
        bool gotDark = false;
        bool wantDark = false;
        unsigned const edges = PDFRowReader::FindEdges(samples.data(), count, got.data(), gotDark);
        ASSERT_EQ(edges, PlainFindEdges(samples.data(), count, want.data(), wantDark)) << count;
        EXPECT_EQ(edges, count - 1 < kMaxEdges ? count - 1 : kMaxEdges) << count;
        EXPECT_EQ(gotDark, wantDark) << count;
        for (unsigned i = 0; i < edges; ++i) {
            ASSERT_EQ(got[i], want[i]) << count << " edge " << i;
        }
    }
}

}  // namespace
