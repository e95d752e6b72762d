#pragma once

#include "decoder/core/location/bar_region_axis.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/rectangle.h"

namespace DEC2DIvra {

// The grey levels met along an axis (the sum of a few lines parallel to it)
// and the edges among them: each rise or fall of at least a threshold between
// a lowest and a highest level, placed where the level crosses the middle of
// the two. Parallel bars show up as a dense train of edges; their quiet
// zones, and the gaps between two symbols in a row, as long stretches
// without any.
class BarRegionProfile {
public:
    static constexpr unsigned kMaxSamples = 2048;
    static constexpr unsigned kMaxEdges = kMaxSamples / 2;
    static constexpr unsigned kMaxLines = 4;

    // A train of edges: edges first .. last of the profile.
    struct Train {
        unsigned first = 0;
        unsigned last = 0;
        unsigned spacing = 0;  // the median distance of neighbouring edges, samples
        bool addon = false;    // a UPC/EAN symbol joined with its add-on
    };

    // Samples the lines at normal offsets `offsets` (pixels) from s = begin to
    // s = end, at one-pixel steps (longer axes at a coarser step), cut to the
    // stretch where every line stays inside `area` (and the image). False
    // when fewer than two samples remain.
    bool Sample(GrayImage const& image, Rectangle const& area, BarRegionAxis const& axis, int begin, int end,
                int const* offsets, unsigned lines);

    // Finds the edges with a threshold of the larger of `minimumStep` grey
    // levels (for one line; for a sum of n lines, whose noise grows as the
    // root of n, that times the root of n) and 1 / `contrastShare` of the
    // profile's range; their count. Every edge takes a swing of at least the
    // threshold: where the profile's level changes sum to less than `wanted`
    // thresholds, none is placed and 0 is returned (fewer than wanted, as
    // the count would be).
    unsigned FindEdges(unsigned minimumStep, unsigned contrastShare, unsigned wanted = 0);

    // Whether Sample and FindEdges may take eight samples at a time in
    // 256-bit lanes where the processor has them (the same results either
    // way).
    void SetWideLanes(bool wide) { wideLanes_ = wide; }

    // The profile's range (highest less lowest sample) as of the last
    // FindEdges.
    int GetRange() const { return range_; }

    // The stretch (axis coordinates) whose edges alone set the median spacing
    // of CalcGap; the whole profile until set. Sample resets it.
    void SetCore(int begin, int end)
    {
        coreBegin_ = begin;
        coreEnd_ = end;
    }

    // Splits the edges into trains wherever neighbouring edges lie more than
    // `gapFactor` times the median spacing (and at least `minimumGap` pixels)
    // apart, except between a UPC/EAN symbol and its add-on; keeps the trains
    // of at least `minimumEdges` edges. Their count.
    unsigned SplitTrains(unsigned minimumEdges, unsigned gapFactor, unsigned minimumGap, Train* trains,
                         unsigned capacity) const;

    // Whether a train's edge count is that of a UPC/EAN symbol, which may
    // have an add-on beside it.
    static bool IsUpcEanEdgeCount(unsigned edges);

    // The edge count of the longest train (split as by SplitTrains).
    unsigned CalcLongestTrain(unsigned gapFactor, unsigned minimumGap) const;

    unsigned GetCount() const { return count_; }
    unsigned GetEdgeCount() const { return edgeCount_; }
    int GetSample(unsigned i) const { return samples_[i]; }
    int const* GetSamples() const { return samples_; }
    // The axis coordinate of a sample (pixels).
    int CalcS(unsigned sample) const { return begin_ + static_cast<int>(sample) * step_; }
    // The axis coordinate of an edge (pixels).
    int CalcEdgeS(unsigned edge) const { return CalcS(edges_[edge]); }
    int GetBegin() const { return begin_; }
    int GetEnd() const { return begin_ + static_cast<int>(count_ - 1) * step_; }
    int GetStep() const { return step_; }

private:
    // The median distance of neighbouring edges among first .. last; with
    // `every` 2, of every second pair only (from first + offset on).
    unsigned CalcMedianSpacing(unsigned first, unsigned last, unsigned every = 1, unsigned offset = 0) const;
    // Whether edges addonFirst .. addonLast can be the 2- or 5-digit add-on
    // of the symbol whose edges are mainFirst .. mainLast (either side).
    bool IsAddonPair(unsigned mainFirst, unsigned mainLast, unsigned addonFirst, unsigned addonLast) const;
    // The same for exactly these edges.
    bool FitsAsAddon(unsigned mainFirst, unsigned mainLast, unsigned addonFirst, unsigned addonLast) const;
    // The largest distance of two neighbouring edges within one train.
    unsigned CalcGap(unsigned gapFactor, unsigned minimumGap) const;

    int samples_[kMaxSamples];
    unsigned short edges_[kMaxEdges];
    unsigned count_ = 0;
    unsigned edgeCount_ = 0;
    unsigned lines_ = 1;
    int begin_ = 0;
    int step_ = 1;
    int range_ = 0;
    int coreBegin_ = 0;
    int coreEnd_ = 0;
    bool wideLanes_ = true;
};

}  // namespace DEC2DIvra
