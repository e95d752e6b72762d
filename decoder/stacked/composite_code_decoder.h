#pragma once

#include "decoder/core/interfaces/abstract_composite_code_decoder.h"
#include "decoder/core/interfaces/abstract_line_segment_decoder.h"
#include "decoder/core/decoded_label.h"
#include "decoder/stacked/linear_bar_direction.h"

namespace DEC2DIvra {

struct DEC2DProperty;
struct CompositeProperty;
struct Gs1DataBarProperty;
struct Gs1128Property;
struct Pdf417Property;
struct ReadAndLengthProperty;

// The 2D component of a GS1 composite label, read beside a decoded linear
// label through the PDF417 decoder's segment door. Until the component
// reading is built in, every label passes unchanged.
class CompositeCodeDecoder final : public AbstractCompositeCodeDecoder {
public:
    CompositeCodeDecoder(DEC2DProperty const& property, AbstractLineSegmentDecoder& pdf);
    CompositeCodeDecoder(CompositeCodeDecoder const&) = delete;
    CompositeCodeDecoder& operator=(CompositeCodeDecoder const&) = delete;

    int Start(GrayImage const& image, DecodedLabel& label) override;

    AbstractLineSegmentDecoder* GetLineSegmentDecoder() const { return pdf_; }

private:
    // Bars met along a label, and of them the most followed to their ends
    // for the ends' line (spread over all).
    static constexpr unsigned kMaxBars = 192;
    static constexpr unsigned kMaxFollowed = 24;
    static constexpr unsigned kMaxPairs = kMaxFollowed * (kMaxFollowed - 1) / 2;

    // Moves the region's corners on the 2D part's side onto the line through
    // the bars' ends there, and (upX, upY) onto its normal; both stay as they
    // were, and false returns, when too few bars are followed. The walk
    // along the bars starts along the region's sides when `sidesLead`, else
    // along (upX, upY).
    bool TopEdge(GrayImage const& image, DecodedLabel const& label, bool sidesLead, float& upX, float& upY,
                 Region& r);

    CompositeProperty const* composite_;
    Gs1DataBarProperty const* gs1DataBar_;
    Gs1128Property const* gs1128_;
    Pdf417Property const* pdf417_;
    ReadAndLengthProperty const* microPdf417_;
    AbstractLineSegmentDecoder* pdf_;
    DecodedLabel component_;
    LinearBarDirection barDirection_;
    float slopes_[kMaxPairs];
};

}  // namespace DEC2DIvra
