// A combined line: the lines around one place of the band sampled again,
// aligned onto one line, merged and sharpened, then decoded.

#include "decoder/linear/roads/combined_line_decoder.h"
#include "decoder/linear/roads/combined_line_samples.h"
#include "decoder/linear/line/line_decode_data.h"
#include "decoder/linear/roads/line_decoder.h"
#include "decoder/linear/roads/scan_line_segment.h"

namespace DEC2DIvra {

namespace {

// Slope dividers of the run-length conversion for the two line types.
constexpr unsigned kWholeLineDivider = 32;
constexpr unsigned kCentralLineDivider = 16;
// Samples of a combined line to one step of the pixel walk.
constexpr int kSamplesPerStep = 2;

long long Abs(long long v) { return v < 0 ? -v : v; }

Point Add(Point const& p, Vector const& v) { return Point{p.x + v.dx, p.y + v.dy}; }

}  // namespace

using combined_line::Bin;
using combined_line::ClampGrey;
using combined_line::MakeRising;

void CompositeLineDecoder::CalcWindow(unsigned index, unsigned& first, unsigned& last, unsigned& target) const
{
    CalcGroup(index, first, last);
    target = (first + last) / 2;
    // Enough lines that their sampling phases cover a whole sample, at least
    // the group and at most half the band.
    unsigned const group = last - first + 1;
    StackInterface<PickLineElement> const& middle = lines_[target];
    long long const drift = Abs(CalcDrift(middle[middle.GetCount() / 2].coordinate));
    long long wanted = drift > 0 ? (kSlopeOne + drift - 1) / drift : group;
    long long const most = prepared_ / 2 > group ? prepared_ / 2 : group;
    wanted = wanted < group ? group : (wanted > most ? most : wanted);
    long long const samples = middle.GetCount() > 0 ? middle.GetCount() : 1;
    long long const fit = static_cast<long long>(kMergedCapacity) / samples;
    wanted = wanted > fit ? fit : wanted;
    wanted = wanted < 1 ? 1 : wanted;
    long long low = static_cast<long long>(target) - (wanted - 1) / 2;
    low = low < 0 ? 0 : low;
    long long high = low + wanted - 1;
    if (high >= static_cast<long long>(prepared_)) {
        high = prepared_ - 1;
        low = high - wanted + 1 < 0 ? 0 : high - wanted + 1;
    }
    first = static_cast<unsigned>(low);
    last = static_cast<unsigned>(high);
}

bool CompositeLineDecoder::PickAligned(GrayImage const& image, unsigned line,
                                       StackInterface<PickLineElement>& samples) const
{
    Point const begin{start_.x + lineStep_.dx * static_cast<int>(line),
                      start_.y + lineStep_.dy * static_cast<int>(line)};
    if (!ScanLineSegment(LineSegment{begin, Add(begin, direction_)}, fourConnected_).Pick(image, samples)) {
        return false;
    }
    long long const offsetTwice = 1 + 2 * static_cast<long long>(line) - prepared_;
    long long previous = 0;
    for (unsigned i = 0; i < samples.GetCount(); ++i) {
        PickLineElement& sample = samples[i];
        sample.grey = ClampGrey(static_cast<long long>(sample.grey) * levelTarget_ / levelAverage_[line]);
        long long const corrected = sample.coordinate - CalcCorrection(sample.coordinate, offsetTwice);
        if ((i > 0 && corrected <= previous) || corrected > 0x3FFFFFFF || corrected < -0x3FFFFFFF) {
            return false;
        }
        sample.coordinate = static_cast<int>(corrected);
        previous = corrected;
    }
    return true;
}

bool CompositeLineDecoder::Merge(unsigned first, unsigned last) const
{
    for (unsigned j = first; j <= last; ++j) {
        mergeNext_[j] = 0;
    }
    for (;;) {
        unsigned best = kMaxLines;
        int bestCoordinate = 0;
        for (unsigned j = first; j <= last; ++j) {
            if (mergeNext_[j] >= rawCount_[j]) {
                continue;
            }
            int const c = raw_[rawFirst_[j] + mergeNext_[j]].coordinate;
            if (best == kMaxLines || c < bestCoordinate) {
                best = j;
                bestCoordinate = c;
            }
        }
        if (best == kMaxLines) {
            return true;
        }
        if (!merged_.Push(raw_[rawFirst_[best] + mergeNext_[best]])) {
            return false;
        }
        ++mergeNext_[best];
    }
}

bool CompositeLineDecoder::Start(GrayImage const& image, LineDecoder const& decoder, unsigned index,
                                 LineDecodeData& result, LineSegment& segment)
{
    return index < kMaxCombinedLines && Start(image, decoder, static_cast<int>(index), kWholeLine, result, segment);
}

bool CompositeLineDecoder::Start(GrayImage const& image, LineDecoder const& decoder, int index, LineType type,
                                 LineDecodeData& result, LineSegment& segment) const
{
    merged_.Clear();
    result.Clear();
    if (!completed_ || index < 0 || static_cast<unsigned>(index) >= combinedCount_ || image.GetPixels() == nullptr) {
        return false;
    }
    unsigned first = 0;
    unsigned last = 0;
    unsigned target = 0;
    CalcWindow(static_cast<unsigned>(index), first, last, target);

    // The window's lines as the image holds them (the smoothed copies served
    // the drift measurement only), levelled and aligned to the band's middle.
    unsigned used = 0;
    unsigned lines = 0;
    for (unsigned j = first; j <= last; ++j) {
        StackInterface<PickLineElement> view(raw_.GetData() + used, raw_.GetCount() - used);
        rawFirst_[j] = used;
        rawCount_[j] = 0;
        // A line that crosses no print (beyond the bars' ends) adds only
        // its noise.
        if (2 * range_[j] >= largestRange_ && PickAligned(image, j, view)) {
            rawCount_[j] = view.GetCount();
            used += view.GetCount();
            ++lines;
        }
    }
    if (lines == 0 || !Merge(first, last)) {
        return false;
    }
    // Two samples to a pixel step, each the mean of the lines' samples that
    // fall there: the noise of the lines averages out, and the sharpening
    // then lifts the frequency of modules one pixel wide.
    Bin(merged_, unit_ / kSamplesPerStep > 1 ? unit_ / kSamplesPerStep : 1);
    Sharpen(merged_, filterWork_);

    // Back from the band's middle onto the window's own line.
    long long const offsetTwice = 1 + 2 * static_cast<long long>(target) - prepared_;
    for (PickLineElement& sample : merged_) {
        long long const moved = sample.coordinate + CalcCorrection(sample.coordinate, offsetTwice);
        sample.coordinate =
            static_cast<int>(moved > 0x3FFFFFFF ? 0x3FFFFFFF : (moved < -0x3FFFFFFF ? -0x3FFFFFFF : moved));
    }
    MakeRising(merged_);

    Point const begin{start_.x + lineStep_.dx * static_cast<int>(target),
                      start_.y + lineStep_.dy * static_cast<int>(target)};
    result.line = ScanLineSegment(LineSegment{begin, Add(begin, direction_)}, fourConnected_);
    bool const central = type != kWholeLine;
    bool falseEdge = false;
    return decoder.Start(image, band_.GetLocatedRegion(), merged_, false, result, falseEdge, central,
                         central ? kCentralLineDivider : kWholeLineDivider) &&
           result.CalcDecodedLineSegment(image, segment);
}


}  // namespace DEC2DIvra
