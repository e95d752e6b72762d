#pragma once

#include "decoder/core/interfaces/abstract_line_segment_decoder.h"
#include "decoder/core/interfaces/abstract_stack_code_decoder.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/core/containers/virtual_array.h"
#include "decoder/stacked/bitstream_convert.h"
#include "decoder/stacked/pdf_error_detection.h"
#include "decoder/stacked/pdf_row_reader.h"
#include "decoder/stacked/pdf_decoder_stages.h"

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

    // The column road along one scan segment (whole pixels): the start,
    // stop and row address patterns met on it are followed across the
    // symbol, then PDF417 is read, else MicroPDF417. `margin` keeps every
    // scan line that many pixels inside the image. Nonzero with a label.
    int StartPart(GrayImage const& image, LineSegment const& segment, unsigned margin, DecodedLabel& label);

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
    bool IsStagesReady() const { return stagesReady_; }
    // The entries' own conditions on a label of the column road.
    int StartPartForRegion(GrayImage const& image, Region const& region, DecodedLabel& label);
    int StartPartForSegment(GrayImage const& image, LineSegment const& segment, bool negative, bool pdf417,
                            DecodedLabel& label);
    int DecodePDF417(GrayImage const& image, Vector const& direction, StartStopColumnDataStack const& columns,
                     DecodedLabel& label);
    int DecodeMicroPDF417(GrayImage const& image, Vector const& direction, MicroFinderColumnDataStack& columns,
                          DecodedLabel& label);
    // Clears what a read fills in the label besides its data.
    static void PrepareLabel(CommonSymbologyIdentifier const& identifier, DecodedLabel& label);
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

    // The column road: its call state, its columns and its stages.
    unsigned char fromLineSegment_ = 0;
    unsigned char acceptNormal_ = 1;
    unsigned char acceptReversed_ = 0;
    bool stagesReady_ = false;
    PDFDecoderStages stages_;
};

}  // namespace DEC2DIvra
