#pragma once

#include "decoder/core/sampling/common_gap_and_threshold_map.h"
#include "decoder/core/sampling/common_luminance_map.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/rectangle.h"
#include "decoder/core/containers/variable_size_virtual_table.h"
#include "decoder/core/geometry/vector.h"

namespace DEC2DIvra {

// The dark-or-light decision of every module of a luminance map. Each module
// is judged against its four neighbours first: a neighbour lighter (darker)
// by at least the block's gap G marks a colour change. With luminance L and
// the neighbours' sum, maximum and minimum:
//   - a much lighter neighbour and no much darker one: dark;
//   - both: light when L is above the neighbours' mean;
//   - a much darker neighbour only: light;
//   - neither: light when L is above the block's threshold T.
// G and T come per block of modules from the grey range around the block (the
// block, its ring of neighbours and the eight blocks around it): T is the
// middle of that range and G a part of it. A block whose range is under a
// quarter of the widest block's is flat (one colour and noise): it takes T
// from its non-flat neighbours (or the area's middle) and G from half the
// widest range, so that a flat patch is judged by the symbol's contrast
// rather than by noise, and uneven light moves T with it.
class BinarizationSubroutine {
public:
    // G = range / gap parameter.
    static constexpr unsigned kDefaultGapParameter = 4;

    // area: the modules to decide, inclusive, at least one cell inside the map
    // on every side (the neighbours). out is sized to the area; its entry is
    // (light XOR polarity). Answers 1, or 0 with out and the block map as they
    // were for an area without that margin, a block side of 0, or buffers too
    // small.
    int Start(GrayImage const& image, CommonLuminanceMap const& map, Rectangle const& area,
              CommonGapAndThresholdMap& blocks, Vector const& block, bool polarity,
              VariableSizeVirtualTable<bool>& out) const;

    // The same with the caller's gap parameter (0 answers 0); inverted plays
    // the part of polarity.
    int Start(GrayImage const& image, CommonLuminanceMap const& map, Rectangle const& area,
              CommonGapAndThresholdMap& blocks, Vector const& block, bool inverted, unsigned gapParameter,
              VariableSizeVirtualTable<bool>& out) const;

    // The gap and threshold of every block of the area, as Start uses them.
    bool CalcGapAndThresholdMap(CommonLuminanceMap const& map, Rectangle const& area, Vector const& block,
                                unsigned gapParameter, CommonGapAndThresholdMap& blocks) const;

    // How well a decided table fits the luminance: table cell (x, y) belongs
    // to map cell (x + offset.dx, y + offset.dy). product is (sum of the
    // luminance of set cells - that of clear cells) / cells, the inner product
    // of the map with the table as +1 / -1; setMean and clearMean are the
    // mean luminance of the set and of the clear cells (0 when there are
    // none). False for an empty table or one that leaves the map.
    template <class T>
    static bool CalcInnerProduct(CommonLuminanceMap const& map, Vector const& offset,
                                 VariableSizeVirtualTable<T> const& table, int& product, unsigned& setMean,
                                 unsigned& clearMean)
    {
        unsigned const width = table.GetWidth();
        unsigned const height = table.GetHeight();
        if (width == 0 || height == 0 || offset.dx < 0 || offset.dy < 0 ||
            static_cast<unsigned long long>(offset.dx) + width > map.GetWidth() ||
            static_cast<unsigned long long>(offset.dy) + height > map.GetHeight()) {
            return false;
        }
        unsigned long long sums[2] = {0, 0};
        unsigned long long counts[2] = {0, 0};
        for (unsigned y = 0; y < height; ++y) {
            for (unsigned x = 0; x < width; ++x) {
                unsigned const set = table.At(x, y) ? 1u : 0u;
                sums[set] += map.At(x + static_cast<unsigned>(offset.dx), y + static_cast<unsigned>(offset.dy));
                ++counts[set];
            }
        }
        long long const difference = static_cast<long long>(sums[1]) - static_cast<long long>(sums[0]);
        long long const cells = static_cast<long long>(counts[0] + counts[1]);
        product = static_cast<int>(difference / cells);
        setMean = counts[1] == 0 ? 0u : static_cast<unsigned>(sums[1] / counts[1]);
        clearMean = counts[0] == 0 ? 0u : static_cast<unsigned>(sums[0] / counts[0]);
        return true;
    }
};

}  // namespace DEC2DIvra
