#include "decoder/linear/data_bar/rss_limited_sightings.h"

#include <cmath>
#include <initializer_list>

#include "decoder/core/sampling/bilinear.h"

#include "decoder/linear/line/line_decode_data.h"
#include "decoder/linear/data_bar/rss_finder_direction.h"
#include "decoder/linear/data_bar/rss_limited_partial_scan_data.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kMaxNoisePasses = 16;

long long Squared(Point const& a, Point const& b)
{
    long long const dx = static_cast<long long>(a.x) - b.x;
    long long const dy = static_cast<long long>(a.y) - b.y;
    return dx * dx + dy * dy;
}

constexpr int kProfileSamples = 48;
// A profile this like the check character's shows the same bars.
constexpr double kMinLikeness = 0.6;

// The bars of the check character run on `modules` beyond it on both sides
// (along the bars, unit reading direction ux, uy): the bars of a taller
// symbol, never a Limited one's, which are ten modules high.
bool BarsRunOn(GrayImage const& image, LineSegment const& check, double ux, double uy, double modules)
{
    double const dx = static_cast<double>(check.end.x) - check.begin.x;
    double const dy = static_cast<double>(check.end.y) - check.begin.y;
    double const length = std::sqrt(dx * dx + dy * dy);
    double const module = length / RSSLimitedSightings::kCheckModules;
    double const cx = check.begin.x + dx / 2;
    double const cy = check.begin.y + dy / 2;
    double const half = length / 2 + module;
    double const step = 2 * half / (kProfileSamples - 1);
    auto pixel = [&image](int x, int y) { return static_cast<double>(image.AtClamped(x, y)); };
    auto profile = [&](double t, double shift, double* out) {
        for (int k = 0; k < kProfileSamples; ++k) {
            double const s = -half + shift + k * step;
            out[k] = Bilinear(pixel, cx + ux * s - uy * t, cy + uy * s + ux * t);
        }
    };
    double reference[kProfileSamples];
    profile(0.0, 0.0, reference);
    for (double const side : {-1.0, 1.0}) {
        double best = -1.0;
        // A little slant left by the measured direction moves the bars along.
        for (int k = -2; k <= 2; ++k) {
            double line[kProfileSamples];
            profile(side * modules * module, k * module / 2, line);
            double const c = RSSFinderDirection::Correlation(reference, line, kProfileSamples);
            best = c > best ? c : best;
        }
        if (best < kMinLikeness) {
            return false;
        }
    }
    return true;
}

bool HasReading(BarSymbolForRSSLimited const& character, BarSymbolForRSSLimited const& check)
{
    for (unsigned way = 0; way < 2; ++way) {
        if (character.value[way] != BarSymbolForRSSLimited::kNoReading &&
            check.value[way] != BarSymbolForRSSLimited::kNoReading) {
            return true;
        }
    }
    return false;
}

}  // namespace

void RSSLimitedSightings::Clear()
{
    count_ = 0;
}

bool RSSLimitedSightings::Note(GrayImage const& image, ArrayIterator<ScanElement const> const& start,
                               LineDecodeData const& line)
{
    if (!start.IsValid()) {
        return false;
    }
    RSSLimitedStartPartialScanData check;
    BarSymbolForRSSLimited checkValue;
    if (!RSSLimitedStartPartialScanData::FindCheck(start, kMaxNoisePasses, check, checkValue)) {
        return false;
    }
    unsigned minimum = 0;
    unsigned maximum = 0;
    check.CalcDataSpan(minimum, maximum);
    int const spread = check.CalcSpread();
    ArrayIterator<ScanElement const> const before(start.GetBegin(), start.GetCount(), check[0].lineIndex - 1, -1);
    RSSLimitedPartialScanData lineLeft;
    BarSymbolForRSSLimited left;
    bool const leftRead = before.IsValid() && lineLeft.ReverceSet(before) &&
                          lineLeft.ReverceAdjustmentWidth(minimum, maximum) && lineLeft.CalcBarSymbol(0, spread, left) &&
                          HasReading(left, checkValue);
    RSSLimitedPartialScanData lineRight;
    BarSymbolForRSSLimited right;
    bool const rightRead = !leftRead && lineRight.SetNextRunLengthData(check, minimum, maximum) &&
                           lineRight.CalcBarSymbol(1, spread, right) && HasReading(right, checkValue);
    if (!leftRead && !rightRead) {
        return false;
    }
    LineSegment stretch;
    if (!line.line.CalcLineCoordPoint(image, check[0].begin, stretch.begin) ||
        !line.line.CalcLineCoordPoint(image, check[RSSLimitedStartPartialScanData::kRuns - 1].end, stretch.end)) {
        return false;
    }
    Add(stretch);
    return true;
}

void RSSLimitedSightings::Add(LineSegment const& check)
{
    // Crossings of one check character lie within half its width of each
    // other, middle to middle, and measure alike.
    Point const middle{(check.begin.x + check.end.x) / 2, (check.begin.y + check.end.y) / 2};
    long long const length = Squared(check.begin, check.end);
    for (unsigned i = 0; i < count_; ++i) {
        Sighting& s = sightings_[i];
        Point const other{(s.check.begin.x + s.check.end.x) / 2, (s.check.begin.y + s.check.end.y) / 2};
        long long const otherLength = Squared(s.check.begin, s.check.end);
        if (4 * Squared(middle, other) <= otherLength && 16 * length <= 25 * otherLength &&
            16 * otherLength <= 25 * length) {
            ++s.lines;
            return;
        }
    }
    // A full list gives up a place seen on one line only.
    unsigned place = count_;
    for (unsigned i = 0; i < count_ && place == kMaxSightings; ++i) {
        place = sightings_[i].lines == 1 ? i : place;
    }
    if (place < kMaxSightings) {
        sightings_[place] = Sighting{check, 1, false};
        count_ = place == count_ ? count_ + 1 : count_;
    }
}

unsigned RSSLimitedSightings::CalcRegions(GrayImage const& image, StackInterface<Region>& regions, unsigned most)
{
    unsigned named = 0;
    for (unsigned i = 0; i < count_ && named < most; ++i) {
        Sighting& s = sightings_[i];
        if (s.named || s.lines < kMinLines) {
            continue;
        }
        s.named = true;
        double ux = 0;
        double uy = 0;
        Region region;
        if (RSSFinderDirection::Calc(image, s.check, ux, uy, kCheckModules) &&
            !BarsRunOn(image, s.check, ux, uy, kTallModules) &&
            RSSFinderDirection::CalcRegion(image, s.check, 0.0, region, kCheckModules, kReachModules) &&
            regions.Push(region)) {
            ++named;
        }
    }
    return named;
}

}  // namespace DEC2DIvra
