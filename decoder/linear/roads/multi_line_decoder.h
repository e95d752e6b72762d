#pragma once

#include "decoder/core/containers/array_iterator.h"
#include "decoder/core/decoded_label.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/point.h"
#include "decoder/core/geometry/region.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/core/containers/stack_interface.h"
#include "decoder/linear/line/multi_line_block_data.h"
#include "decoder/linear/line/multi_line_decode_data.h"
#include "decoder/linear/roads/multi_line_road.h"

namespace DEC2DIvra {

class LineDecodeData;

// Reads one symbol from characters seen on different lines of a band, for the
// decoders that classify characters block by block: the start characters met
// on the lines give start blocks; from each, the decoder builds the blocks of
// the following characters across all lines and votes them into one
// character list, which must be carried by at least three lines.
class MultiLineDecoder final : public MultiLineRoad {
public:
    static constexpr unsigned kMinAgreeingLines = 3;

    // The decode state's lists come from the work area.
    explicit MultiLineDecoder(SharedMemoryDistributor& memory);
    MultiLineDecoder(MultiLineDecoder const&) = delete;
    MultiLineDecoder& operator=(MultiLineDecoder const&) = delete;

    bool IsReady() const { return data_.IsReady(); }

    // The road of the scan schedule, over the decoder's own state.
    bool Start(GrayImage const& image, ArrayIterator<LineDecodeData const> const& lines, Region const& located,
               DecodedLabel& label) override;
    // The line results of neighbouring scan positions in position order, the
    // region whose first and last scan line bound the label, the state and
    // the label. True with the label filled (region, module count and
    // polarity included).
    bool Start(GrayImage const& image, ArrayIterator<LineDecodeData const> const& lines, Region const& located,
               MultiLineDecodeData& data, DecodedLabel& label) const;

    // One start block for each distinct start symbol (decoder, first
    // character, direction) of the lines' start-symbol maps, with an entry
    // for every line that met it, its models fitted. False when there is none.
    static bool MakeStartCodeBlock(ArrayIterator<LineDecodeData const> const& lines,
                                   StackInterface<MultiLineStartBlockData>& starts);
    // The label's region: the decoder's edge points of the read, a line
    // through each edge, crossed with the region's first and last scan line.
    bool CalcDecodedRegion(GrayImage const& image, bool reverced, ArrayIterator<LineDecodeData const> const& lines,
                           MultiLineDecodeData& data, Region const& located, Region& region) const;

    // The frame's answer for the edge points: the first block's entries at
    // their begin coordinates, the last block's at their end coordinates, each
    // taken on its own line.
    static bool CalcBlockEdgePoints(GrayImage const& image, ArrayIterator<LineDecodeData const> const& lines,
                                    StackInterface<MultiLineBlockData> const& blocks, StackInterface<Point>& beginEdge,
                                    StackInterface<Point>& endEdge);

    MultiLineDecodeData const& GetDecodeData() const { return data_; }

private:
    bool TryStartBlock(GrayImage const& image, ArrayIterator<LineDecodeData const> const& lines,
                       Region const& located, MultiLineStartBlockData const& start, MultiLineDecodeData& data,
                       DecodedLabel& label) const;

    MultiLineDecodeData data_;
};

}  // namespace DEC2DIvra
