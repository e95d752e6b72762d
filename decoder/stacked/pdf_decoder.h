#pragma once

#include "decoder/core/interfaces/abstract_line_segment_decoder.h"
#include "decoder/core/interfaces/abstract_stack_code_decoder.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/core/containers/virtual_array.h"

namespace DEC2DIvra {

struct DEC2DProperty;
struct DecoderDetailProperty;
struct Pdf417Property;
struct ReadAndLengthProperty;

// Reads one PDF417 or MicroPDF417 symbol: from a located region (the symbol
// locator, through StackAndPostalCodeDecoder) or along a segment beside a
// linear symbol (the composite reader). It lays its buffers over its part of
// the work area, from the start of that part on, once, when it is built.
// The reading stages are not built in yet: every call reads nothing.
class PDFDecoder final : public AbstractStackCodeDecoder, public AbstractLineSegmentDecoder {
public:
    PDFDecoder(VirtualArray<unsigned char> const& workArea, DEC2DProperty const& property);
    PDFDecoder(PDFDecoder const&) = delete;
    PDFDecoder& operator=(PDFDecoder const&) = delete;

    int Start(GrayImage const& image, Region const& region, DecodedLabel& label) override;
    int Start(GrayImage const& image, LineSegment const& segment, bool negative, DecodedLabel& label) override;

    SharedMemoryDistributor const& GetWorkArea() const { return memory_; }

private:
    SharedMemoryDistributor memory_;
    DecoderDetailProperty const* detail_;
    Pdf417Property const* pdf417_;
    ReadAndLengthProperty const* microPdf417_;
};

}  // namespace DEC2DIvra
