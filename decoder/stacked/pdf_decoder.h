#pragma once

#include "decoder/core/interfaces/abstract_line_segment_decoder.h"
#include "decoder/core/interfaces/abstract_stack_code_decoder.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/core/containers/virtual_array.h"
#include "decoder/stacked/bitstream_convert.h"
#include "decoder/stacked/pdf_error_detection.h"
#include "decoder/stacked/pdf_row_reader.h"

namespace DEC2DIvra {

struct CompositeProperty;
struct DEC2DProperty;
struct DecoderDetailProperty;
struct Pdf417Property;
struct ReadAndLengthProperty;

// Reads one PDF417 or MicroPDF417 symbol: from a located region (the symbol
// locator, through StackAndPostalCodeDecoder) or along a segment beside a
// linear symbol (the composite reader). It lays its buffers over its part of
// the work area, from the start of that part on, once, when it is built.
class PDFDecoder final : public AbstractStackCodeDecoder, public AbstractLineSegmentDecoder {
public:
    PDFDecoder(VirtualArray<unsigned char> const& workArea, DEC2DProperty const& property);
    PDFDecoder(PDFDecoder const&) = delete;
    PDFDecoder& operator=(PDFDecoder const&) = delete;

    int Start(GrayImage const& image, Region const& region, DecodedLabel& label) override;
    int Start(GrayImage const& image, LineSegment const& segment, bool negative, bool pdf417,
              DecodedLabel& label) override;

    SharedMemoryDistributor const& GetWorkArea() const { return memory_; }

    // The codeword road alone: a symbol's codewords (rows x columns, erasures
    // as indexes) corrected with 2^(level+1) check words and converted into
    // `label`. Nonzero when a label came out; `composite` tells a CC-C.
    int DecodePDF417Codewords(unsigned short const* codewords, unsigned count, unsigned level,
                              unsigned short const* erasures, unsigned erasureCount, DecodedLabel& label,
                              bool& composite);

    // A MicroPDF417 symbol or CC-A component of table size `version`.
    int DecodeMicroPDF417Codewords(unsigned short const* codewords, unsigned version, unsigned short const* erasures,
                                   unsigned erasureCount, DecodedLabel& label);

private:
    bool IsReady() const { return buffers_ != nullptr; }
    // Along a segment (`fromSegment`) a PDF417 component is sought only
    // when `segmentPdf417`.
    int ReadArea(GrayImage const& image, PDFRowReader::Area const& area, bool normal, bool reversed,
                 bool fromSegment, DecodedLabel& label, bool segmentPdf417 = false);
    // One PDF417 reading of one polarity: kRead with the label, else kNone.
    enum { kNone = 0, kRead = 1 };
    int ReadPDF417(PDFRowReader& reader, GrayImage const& image, PDFRowReader::Area const& area, bool inverted,
                   bool fromSegment, DecodedLabel& label, bool& seen);

    SharedMemoryDistributor memory_;
    DecoderDetailProperty const* detail_;
    Pdf417Property const* pdf417_;
    ReadAndLengthProperty const* microPdf417_;
    CompositeProperty const* composite_;
    PDFRowReader::Buffers* buffers_ = nullptr;
    unsigned short* codewords_ = nullptr;
    unsigned short* erasures_ = nullptr;
    // A member, not a work-area slice: its field tables must outlive the
    // other decoders' use of the shared area.
    PDFErrorDetection errorDetection_;
    BitstreamConvert convert_;
};

}  // namespace DEC2DIvra
