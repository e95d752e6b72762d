#pragma once

#include "decoder/core/location/bar_region_axis.h"
#include "decoder/core/location/bar_region_candidate.h"
#include "decoder/core/location/bar_region_grower.h"
#include "decoder/core/location/bar_region_orientation_field.h"
#include "decoder/core/location/bar_region_profile.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/rectangle.h"

namespace DEC2DIvra {

// Turns the grown groups of bar-like cells into candidate regions. Each
// group gives an axis across its bars: the principal direction of its summed
// gradients, through its centre. Lines parallel to the axis across the group
// find the bands in which they show a dense train of edges (a group may have
// grown into clutter beside the bars, or hold two symbols one above the
// other). In each band the axis is corrected by matching two lines across
// it, and the grey profile along it, reaching a little beyond the group, is
// split into trains of edges wherever a gap is much wider than the spacing
// of the edges: two symbols in a row, or a symbol and a stroke of the same
// direction, each give a candidate of their own, whose ends lie just beyond
// their outermost edges.
class BarRegionFinder {
public:
    static constexpr unsigned kMaxCandidates = 64;

    struct Tuning {
        unsigned minimumLength = 24;   // pixels along the axis
        unsigned minimumEdges = 16;    // a symbol of one character still has more
        unsigned minimumStep = 8;      // grey levels per line
        unsigned noiseFactor = 5;      // an edge rises above this many noise deviations
        unsigned contrastShare = 6;    // threshold: this share of the profile's range
        unsigned gapFactor = 6;        // median spacings that split two trains
        unsigned minimumGap = 10;      // pixels
        unsigned quietFactor = 8;      // median spacings kept beyond the outer edges
        unsigned minimumQuiet = 6;     // pixels
        unsigned maximumQuiet = 80;    // pixels
    };

    // Candidates for every group of the grower, at most kMaxCandidates (the
    // weakest give way); their count. The regions lie inside the area.
    unsigned Start(GrayImage const& image, BarOrientationField const& field, BarRegionGrower const& grower,
                   Tuning const& tuning);

    unsigned GetCount() const { return count_; }
    BarRegionCandidate* GetCandidates() { return candidates_; }
    BarRegionCandidate const& GetCandidate(unsigned i) const { return candidates_[i]; }

private:
    static constexpr int kLinePitch = 12;  // pixels between lines across a group
    static constexpr int kMaxLines = 12;
    // A group at least this many times as long along its bars as across
    // them whose trains show on at most one in kStripShare of its lines (at
    // most half) is dropped: the tall bars and stacked rows met show on five
    // in six of their lines or more, a matrix symbol's sides on half or less.
    static constexpr long long kStripLength = 3;
    static constexpr int kStripShare = 2;

    struct Extent {
        long long sMin;
        long long sMax;
        long long tMin;
        long long tMax;
    };
    // A stretch of the axis and a band across it.
    struct Span {
        int begin = 0;
        int end = 0;
        int coreBegin = 0;  // the group's own stretch, which sets the pitch
        int coreEnd = 0;
        int tLow = 0;
        int tHigh = 0;
    };

    void AddComponent(GrayImage const& image, BarOrientationField const& field, BarRegionGrower const& grower,
                      BarRegionComponent const& component, Tuning const& tuning);
    // The candidates of one band of lines with bars.
    void AddBand(GrayImage const& image, BarOrientationField const& field, BarRegionAxis axis, Span span,
                 unsigned coherence, Tuning const& tuning);
    // The extent of the group's cell centres.
    static Extent CalcExtent(BarOrientationField const& field, BarRegionGrower const& grower,
                             BarRegionComponent const& component, BarRegionAxis const& axis);
    static constexpr unsigned kMaxTrains = 8;

    // The trains of the three lines at `offsets` along the axis over the
    // span (its core setting the pitch), at most kMaxTrains; their count.
    unsigned FindTrains(BarRegionProfile& profile, GrayImage const& image, BarOrientationField const& field,
                        BarRegionAxis const& axis, Span const& span, int const* offsets, Tuning const& tuning,
                        BarRegionProfile::Train* trains) const;
    // Widens s0 .. s1 of a UPC/EAN train to its add-on when one lies beside
    // it, also beyond the profile sampled for the band.
    void ReachAddon(GrayImage const& image, BarOrientationField const& field, BarRegionAxis const& axis,
                    int const* offsets, Tuning const& tuning, BarRegionProfile::Train const& train, unsigned quiet,
                    int& s0, int& s1);
    void Add(BarRegionCandidate const& candidate);

    BarRegionProfile profile_;
    BarRegionProfile second_;
    unsigned step_ = 0;  // the least edge step of this image, grey levels per line
    BarRegionCandidate candidates_[kMaxCandidates];
    unsigned count_ = 0;
};

}  // namespace DEC2DIvra
