#include "decoder/core/location/bar_region_finder.h"

#include "decoder/core/location/bar_region_builder.h"
#include "decoder/core/location/bar_region_direction.h"

namespace DEC2DIvra {

unsigned BarRegionFinder::Start(GrayImage const& image, BarOrientationField const& field,
                                BarRegionGrower const& grower, Tuning const& tuning)
{
    count_ = 0;
    step_ = tuning.noiseFactor * field.CalcNoiseLevel();
    step_ = step_ > tuning.minimumStep ? step_ : tuning.minimumStep;
    for (unsigned i = 0; i < grower.GetCount(); ++i) {
        AddComponent(image, field, grower, grower.GetComponent(i), tuning);
    }
    return count_;
}

BarRegionFinder::Extent BarRegionFinder::CalcExtent(BarOrientationField const& field, BarRegionGrower const& grower,
                                                    BarRegionComponent const& component, BarRegionAxis const& axis)
{
    Extent e{0, 0, 0, 0};
    unsigned short const* order = grower.GetCellOrder();
    unsigned const columns = field.GetColumns();
    for (unsigned k = 0; k < component.count; ++k) {
        unsigned const index = order[component.first + k];
        long long const x = field.CalcCentreX(index % columns);
        long long const y = field.CalcCentreY(index / columns);
        long long const s = axis.CalcS(x, y);
        long long const t = axis.CalcT(x, y);
        if (k == 0) {
            e = Extent{s, s, t, t};
            continue;
        }
        e.sMin = s < e.sMin ? s : e.sMin;
        e.sMax = s > e.sMax ? s : e.sMax;
        e.tMin = t < e.tMin ? t : e.tMin;
        e.tMax = t > e.tMax ? t : e.tMax;
    }
    return e;
}

void BarRegionFinder::AddComponent(GrayImage const& image, BarOrientationField const& field,
                                   BarRegionGrower const& grower, BarRegionComponent const& component,
                                   Tuning const& tuning)
{
    BarRegionAxis axis;
    if (component.count == 0 || !component.tensor.CalcDirection(axis.ux, axis.uy)) {
        return;
    }
    long long const n = component.count;
    axis.originX = (component.sumX * BarRegionAxis::kOne + n / 2) / n;
    axis.originY = (component.sumY * BarRegionAxis::kOne + n / 2) / n;
    Extent const whole = CalcExtent(field, grower, component, axis);
    int const side = static_cast<int>(field.GetCellSide());
    if (whole.sMax - whole.sMin + side < static_cast<long long>(tuning.minimumLength)) {
        return;
    }
    // Lines across the group, each judged by its longest train of edges: a
    // group may have grown into clutter beside the bars, or hold two symbols
    // one above the other.
    // The lines reach well beyond the group: elements several cells wide
    // (the finder patterns and wide characters of GS1 DataBar) leave no
    // gradient, and the group then ends at them. The trains of edges decide
    // the symbol's ends.
    Span span;
    int const reach = static_cast<int>(whole.sMax - whole.sMin) + 2 * side;
    span.begin = static_cast<int>(whole.sMin) - reach;
    span.end = static_cast<int>(whole.sMax) + reach;
    span.coreBegin = static_cast<int>(whole.sMin) - 2 * side;
    span.coreEnd = static_cast<int>(whole.sMax) + 2 * side;
    int const tLow = static_cast<int>(whole.tMin) - side / 2;
    int const height = static_cast<int>(whole.tMax - whole.tMin) + side;
    int lines = height / kLinePitch + 1;
    lines = lines < 3 ? 3 : (lines > kMaxLines ? kMaxLines : lines);
    // A group that runs as a narrow strip along its bars (a matrix symbol's
    // side, its solid border or clock track with the data beside it) and
    // whose lines across show trains on few of its lines has no long bars:
    // the bars of a bar code, tall or stacked, show on most lines of their
    // group. Such a group is given up as soon as too few of its lines are
    // left that may show one.
    bool const strip = static_cast<long long>(height) >= kStripLength * (whole.sMax - whole.sMin + side);
    int possible = lines;
    int t[kMaxLines];
    unsigned longest[kMaxLines];
    unsigned best = 0;
    for (int k = 0; k < lines; ++k) {
        if (strip && kStripShare * possible <= lines) {
            return;
        }
        t[k] = tLow + (2 * k + 1) * height / (2 * lines);
        longest[k] = 0;
        bool const sampled = profile_.Sample(image, field.GetArea(), axis, span.begin, span.end, &t[k], 1);
        if (sampled) {
            profile_.SetCore(span.coreBegin, span.coreEnd);
        }
        if (sampled && profile_.FindEdges(step_, tuning.contrastShare, tuning.minimumEdges) >= tuning.minimumEdges) {
            longest[k] = profile_.CalcLongestTrain(tuning.gapFactor, tuning.minimumGap);
        }
        best = longest[k] > best ? longest[k] : best;
        possible -= longest[k] < tuning.minimumEdges ? 1 : 0;
    }
    if (best < tuning.minimumEdges) {
        return;
    }
    unsigned const threshold = best / 2 > tuning.minimumEdges ? best / 2 : tuning.minimumEdges;
    if (strip) {
        int shown = 0;
        for (int k = 0; k < lines; ++k) {
            shown += longest[k] >= threshold ? 1 : 0;
        }
        if (kStripShare * shown <= lines) {
            return;
        }
    }
    unsigned const coherence = component.coherenceSum / component.count;
    int const pitch = height / lines;
    for (int k = 0; k < lines; ++k) {
        if (longest[k] < threshold) {
            continue;
        }
        int last = k;
        while (last + 1 < lines && longest[last + 1] >= threshold) {
            ++last;
        }
        span.tLow = t[k] - pitch / 2;
        span.tHigh = t[last] + pitch / 2;
        AddBand(image, field, axis, span, coherence, tuning);
        k = last;
    }
}

void BarRegionFinder::AddBand(GrayImage const& image, BarOrientationField const& field, BarRegionAxis axis,
                              Span span, unsigned coherence, Tuning const& tuning)
{
    // The axis through the band's middle, turned onto the bars.
    int const middle = (span.tLow + span.tHigh) / 2;
    axis.originX = axis.CalcX(0, middle);
    axis.originY = axis.CalcY(0, middle);
    span.tLow -= middle;
    span.tHigh -= middle;
    int const height = span.tHigh - span.tLow;
    double fit = 0;
    CalcBarDirectionSubroutine().Start(image, field.GetArea(), span.begin, span.end, -height / 3, height / 3,
                                       profile_, second_, axis, &fit);
    bool const steady = fit < 0 || fit >= CalcBarDirectionSubroutine::kMinLikeness;
    // Lines at a quarter of the height either side of the axis as well, so
    // that a damaged stretch of the bars does not hide them.
    int const offsets[3] = {-height / 4, 0, height / 4};
    BarRegionProfile::Train trains[kMaxTrains];
    unsigned const trainCount =
        FindTrains(profile_, image, field, axis, span, offsets, tuning, trains);
    for (unsigned k = 0; k < trainCount; ++k) {
        BarRegionProfile::Train const& train = trains[k];
        unsigned quiet = train.spacing * tuning.quietFactor;
        quiet = quiet < tuning.minimumQuiet ? tuning.minimumQuiet : quiet;
        quiet = quiet > tuning.maximumQuiet ? tuning.maximumQuiet : quiet;
        int s0 = profile_.CalcEdgeS(train.first) - static_cast<int>(quiet);
        int s1 = profile_.CalcEdgeS(train.last) + static_cast<int>(quiet);
        s0 = s0 < profile_.GetBegin() ? profile_.GetBegin() : s0;
        s1 = s1 > profile_.GetEnd() ? profile_.GetEnd() : s1;
        if (!train.addon && BarRegionProfile::IsUpcEanEdgeCount(train.last - train.first + 1)) {
            ReachAddon(image, field, axis, offsets, tuning, train, quiet, s0, s1);
        }
        BarRegionCandidate candidate;
        candidate.axis = axis;
        candidate.s0 = s0;
        candidate.s1 = s1;
        candidate.t0 = span.tLow;
        candidate.t1 = span.tHigh;
        candidate.quiet = quiet;
        candidate.edges = train.last - train.first + 1;
        candidate.spacing = train.spacing;
        candidate.score = candidate.edges * coherence;
        candidate.steady = steady;
        if (CalcBarRegionSubroutine().Start(axis, s0, s1, span.tLow, span.tHigh, field.GetArea(),
                                            candidate.region)) {
            Add(candidate);
        }
    }
}

unsigned BarRegionFinder::FindTrains(BarRegionProfile& profile, GrayImage const& image, BarOrientationField const& field,
                                     BarRegionAxis const& axis, Span const& span, int const* offsets,
                                     Tuning const& tuning, BarRegionProfile::Train* trains) const
{
    if (!profile.Sample(image, field.GetArea(), axis, span.begin, span.end, offsets, 3)) {
        return 0;
    }
    profile.SetCore(span.coreBegin, span.coreEnd);
    if (profile.FindEdges(step_, tuning.contrastShare, tuning.minimumEdges) < tuning.minimumEdges) {
        return 0;
    }
    return profile.SplitTrains(tuning.minimumEdges, tuning.gapFactor, tuning.minimumGap, trains, kMaxTrains);
}

void BarRegionFinder::ReachAddon(GrayImage const& image, BarOrientationField const& field, BarRegionAxis const& axis,
                                 int const* offsets, Tuning const& tuning, BarRegionProfile::Train const& train,
                                 unsigned quiet, int& s0, int& s1)
{
    // An add-on 7 to 12 modules away may have grown into a group of its own,
    // beyond this band's lines: the gap and a 5-digit add-on take up to 59
    // modules beside a UPC-E of 51. The lines are followed that far, and the
    // train that holds this one, joined with an add-on, gives the ends.
    int const first = profile_.CalcEdgeS(train.first);
    int const last = profile_.CalcEdgeS(train.last);
    int const reach = (last - first) * 5 / 4 + static_cast<int>(quiet);
    Span along;
    along.begin = first - reach;
    along.end = last + reach;
    along.coreBegin = first;
    along.coreEnd = last;
    BarRegionProfile::Train trains[kMaxTrains];
    unsigned const count = FindTrains(second_, image, field, axis, along, offsets, tuning, trains);
    for (unsigned k = 0; k < count; ++k) {
        int const begin = second_.CalcEdgeS(trains[k].first);
        int const end = second_.CalcEdgeS(trains[k].last);
        if (trains[k].addon && begin <= (first + last) / 2 && end >= (first + last) / 2) {
            int const t0 = begin - static_cast<int>(quiet);
            int const t1 = end + static_cast<int>(quiet);
            s0 = t0 < s0 ? (t0 < second_.GetBegin() ? second_.GetBegin() : t0) : s0;
            s1 = t1 > s1 ? (t1 > second_.GetEnd() ? second_.GetEnd() : t1) : s1;
            return;
        }
    }
}

void BarRegionFinder::Add(BarRegionCandidate const& candidate)
{
    if (count_ < kMaxCandidates) {
        candidates_[count_++] = candidate;
        return;
    }
    unsigned weakest = 0;
    for (unsigned i = 1; i < count_; ++i) {
        weakest = candidates_[i].score < candidates_[weakest].score ? i : weakest;
    }
    if (candidates_[weakest].score < candidate.score) {
        candidates_[weakest] = candidate;
    }
}

}  // namespace DEC2DIvra
