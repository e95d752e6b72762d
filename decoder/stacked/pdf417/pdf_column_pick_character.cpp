// One character from the grey values at its 17 module centres.
#include "decoder/core/geometry/geometry_ex.h"
#include "decoder/core/gray_image.h"
#include "decoder/stacked/pdf417/pdf_column_pick_subroutine.h"
#include "decoder/stacked/pdf417/pdf_column_scan_subroutine.h"
#include "decoder/stacked/pdf_character_table.h"

namespace DEC2DIvra {

namespace {

// Modules 1 to 15 of a luminance line.
Array<unsigned short, 15> InnerModules(Array<unsigned, 17> const& luminance)
{
    Array<unsigned short, 15> inner;
    for (unsigned i = 0; i < 15; ++i) {
        inner[i] = static_cast<unsigned short>(luminance[i + 1] > 0xFFFF ? 0xFFFF : luminance[i + 1]);
    }
    return inner;
}

}  // namespace

void PDFColumnPickSubroutine::MakeLuminanceLineMap(GrayImage const& image, Array<Point, 17> const& centres,
                                                   bool laplacian, Array<unsigned, 17>& luminance,
                                                   unsigned short& threshold) const
{
    unsigned high = 0;
    unsigned low = 0xFFFF;
    for (unsigned i = 0; i < kModules; ++i) {
        luminance[i] = laplacian ? GeometryEx::GetLapLuminance(image, centres[i], 8)
                                 : GeometryEx::GetLuminance(image, centres[i], 8);
        high = luminance[i] > high ? luminance[i] : high;
        low = luminance[i] < low ? luminance[i] : low;
    }
    threshold = static_cast<unsigned short>((high + low) / 2);
}

bool PDFColumnPickSubroutine::CalcCharacterPart(GrayImage const& image, Array<Point, 17> const& centres,
                                                bool laplacian, bool inverted, unsigned short& pattern,
                                                PDFCharacterWithScore& character) const
{
    Array<unsigned, 17> luminance;
    unsigned short threshold = 0;
    MakeLuminanceLineMap(image, centres, laplacian, luminance, threshold);
    // A module is dark when it stands clearly below a neighbour, or when it
    // lies at or below the threshold without standing clearly above one.
    unsigned decisions = 0;
    for (unsigned m = 1; m <= 15; ++m) {
        long long const value = luminance[m];
        long long const before = value - static_cast<long long>(luminance[m - 1]);
        long long const after = value - static_cast<long long>(luminance[m + 1]);
        long long const c = (before < 0 ? -before : before) > (after < 0 ? -after : after) ? before : after;
        bool const dark = c < 127 && (c < -126 || value <= threshold);
        decisions = (decisions << 1) | (dark ? 0u : 1u);
    }
    unsigned const measured = inverted ? 65535u - (decisions << 1) : ((decisions << 1) | 1u);
    unsigned short const value = PDFCharacterTable::PatternToValue(measured >> 1);
    if (value == 0xFFFF) {
        return false;
    }
    unsigned short score = 0;
    score_->Start(InnerModules(luminance), inverted, false, threshold, measured, score);
    pattern = static_cast<unsigned short>(measured);
    character.value = value;
    character.score = score;
    return true;
}

bool PDFColumnPickSubroutine::CalcCharacter(GrayImage const& image, Array<Point, 17> const& centres, bool laplacian,
                                            bool inverted, unsigned short& pattern,
                                            PDFCharacterWithScore& character) const
{
    static constexpr int kShifts[] = {0, -1, 1, -2, 2, -3, 3, -4, 4};
    long long const vx = static_cast<long long>(centres[16].x) - centres[0].x;
    long long const vy = static_cast<long long>(centres[16].y) - centres[0].y;
    long long const right = static_cast<long long>(image.GetWidth() - 3) * 256;
    long long const bottom = static_cast<long long>(image.GetHeight() - 3) * 256;
    bool found = false;
    for (int k : kShifts) {
        Array<Point, 17> moved;
        for (unsigned i = 0; i < kModules; ++i) {
            long long const x = centres[i].x + k * vx / 136;
            long long const y = centres[i].y + k * vy / 136;
            if (x < 2 * 256 || y < 2 * 256 || x > right || y > bottom) {
                return false;
            }
            moved[i] = Point{static_cast<int>(x), static_cast<int>(y)};
        }
        unsigned short readPattern = 0;
        PDFCharacterWithScore read;
        if (!CalcCharacterPart(image, moved, laplacian, inverted, readPattern, read)) {
            continue;
        }
        if (!found || read.score > character.score) {
            found = true;
            pattern = readPattern;
            character = read;
            if (read.score > kSureScore) {
                break;
            }
        }
    }
    return found;
}

bool PDFColumnPickSubroutine::CalcClusterFromPattern(unsigned short pattern, int& cluster) const
{
    // Module 0 (a bar) in front of modules 1 to 16: four bars and four
    // spaces, bar first, space last.
    int bars[4] = {};
    int runs = 0;
    unsigned colour = 0;
    int width = 1;
    for (int bit = 15; bit >= 0; --bit) {
        unsigned const module = (static_cast<unsigned>(pattern) >> bit) & 1u;
        if (module == colour) {
            ++width;
            continue;
        }
        if (colour == 0) {
            if (runs / 2 >= 4) {
                return false;
            }
            bars[runs / 2] = width;
        }
        ++runs;
        colour = module;
        width = 1;
    }
    // The last run must be the fourth space.
    if (colour != 1 || runs != 7) {
        return false;
    }
    unsigned const c = PDFCharacterTable::CalcCluster(bars);
    if (c != 0 && c != 3 && c != 6) {
        return false;
    }
    cluster = static_cast<int>(c);
    return true;
}

bool PDFColumnPickSubroutine::CalcPatternFromCluster(Array<unsigned, 17> const& luminance, bool inverted,
                                                     unsigned short threshold, int cluster,
                                                     unsigned short const& measured, unsigned short& pattern,
                                                     unsigned& value, unsigned short& score) const
{
    Array<unsigned short, 15> const inner = InnerModules(luminance);
    unsigned short best = kCorrectedScore;
    bool found = false;
    for (unsigned m = 1; m <= 15; ++m) {
        unsigned short const flipped = static_cast<unsigned short>(measured ^ (1u << (16 - m)));
        unsigned short const candidate = PDFCharacterTable::PatternToValue(flipped >> 1);
        int flippedCluster = -1;
        if (candidate == 0xFFFF || !CalcClusterFromPattern(flipped, flippedCluster) || flippedCluster != cluster) {
            continue;
        }
        unsigned short flippedScore = 0;
        score_->Start(inner, inverted, false, threshold, flipped, flippedScore);
        if (flippedScore > best) {
            best = flippedScore;
            found = true;
            pattern = flipped;
            value = candidate;
            score = flippedScore;
        }
    }
    return found;
}

}  // namespace DEC2DIvra
