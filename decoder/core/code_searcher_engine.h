#pragma once

#include "decoder/core/bar_region_finder.h"
#include "decoder/core/bar_region_grower.h"
#include "decoder/core/bar_region_orientation_field.h"
#include "decoder/core/bar_region_row_locator.h"
#include "decoder/core/code_searcher.h"
#include "decoder/core/rectangle.h"
#include "decoder/core/searched_region_stack.h"

namespace DEC2DIvra {

struct DEC2DProperty;

// The symbol locator of the decoder handle. For a whole image: one pass over
// the pixels builds the cell field of gradient directions inside the area
// less the search margins; bar-like cells of one direction are grown into
// groups; each group's axis profile yields candidate regions; the candidates
// go to the decoders in the documented order (code_searcher_candidate_order.h)
// until the label outlet accepts a label. A region once handed to a decoder,
// and the region of every label obtained, go on the searched stack, so that
// nothing is decoded twice in one image.
//
// The decode options are honoured as follows: the search step is the
// sampling stride of the pass over the pixels (0: every pixel; larger steps
// search faster and lose the finest bars); the read mode sets how many
// candidates one image may cost (moving objects are seen again in the next
// frame, so fewer); and with central reading on, only candidates that
// overlap the central window are decoded.
class CodeSearcherEngine final : public CodeSearcher {
public:
    // Room for every region of a full budget with its variants and labels.
    static constexpr unsigned kSearchedRegions = 128;
    static constexpr unsigned kHandyBudget = 24;
    static constexpr unsigned kMovingBudget = 6;
    static constexpr unsigned kScanMode = 4;
    // Further regions tried around a candidate in which a symbol was seen.
    static constexpr unsigned kVariants = 2;
    static constexpr unsigned kDefaultStride = 1;
    static constexpr unsigned kMaxStride = 8;
    static constexpr unsigned kMinimumCells = 3;
    static constexpr unsigned kEnergyFloor = 64;      // mean squared gradient, grey levels
    static constexpr unsigned kCoherenceFloor = 140;  // of 255

    explicit CodeSearcherEngine(DEC2DProperty const& property);
    CodeSearcherEngine(CodeSearcherEngine const&) = delete;
    CodeSearcherEngine& operator=(CodeSearcherEngine const&) = delete;

    int Start(GrayImage const& image, Region const& region, StackInterface<Region>& located) override;
    int Start(GrayImage const& image, tagDecodeOption const& option, DecoderSet const& decoders, DecodedLabel& label,
              LabelOutlet& outlet) override;

    // The image less the configured search margins; empty (right < left)
    // when the margins leave nothing.
    Rectangle CalcSearchArea(GrayImage const& image) const;

    // What the last whole-image search saw, for tests and measurements.
    BarOrientationField const& GetField() const { return field_; }
    SearchedRegionStack const& GetSearchedRegions() const { return searched_; }

private:
    int SearchLinear(GrayImage const& image, tagDecodeOption const& option, AbstractBarCodeDecoder& decoder,
                     DecodedLabel& label, LabelOutlet& outlet);
    // Reads one candidate, and its variants while the decoder says that it
    // saw a symbol but read no label; nonzero with a label.
    int ReadCandidate(GrayImage const& image, Rectangle const& area, BarRegionCandidate const& candidate,
                      AbstractBarCodeDecoder& decoder, DecodedLabel& label);

    // The parts of a candidate either side of the label just read from it,
    // within the budget; nonzero when the outlet accepts a label.
    int ReadBesideLabel(GrayImage const& image, Rectangle const& area, BarRegionCandidate const& candidate,
                        unsigned budget, AbstractBarCodeDecoder& decoder, DecodedLabel& label, LabelOutlet& outlet);

    DEC2DProperty const* property_;
    BarRegionFinder::Tuning const tuning_{};
    BarOrientationField field_;
    BarRegionGrower grower_;
    BarRegionFinder finder_;
    BarRegionRowLocator rows_;
    Region searchedBuffer_[kSearchedRegions];
    SearchedRegionStack searched_;
    unsigned tried_ = 0;
};

}  // namespace DEC2DIvra
