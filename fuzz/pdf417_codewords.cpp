// Codeword streams of any shape through the PDF417, MicroPDF417 and CC-A
// conversions and the error correction: no label or a correct one, never a
// read or write outside the buffers.

#include <cstddef>
#include <cstdint>

#include "decoder/stacked/bitstream_convert.h"
#include "decoder/stacked/cc_abc_decoder.h"
#include "decoder/stacked/pdf_error_detection.h"

using namespace DEC2DIvra;

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    if (size < 1) {
        return 0;
    }
    static BitstreamConvert convert;
    static DecodedLabel label;
    static unsigned short saved[PDFErrorDetection::kMaxCodewords];
    static unsigned short savedErasures[PDFErrorDetection::kMaxCodewords];
    static unsigned short codewords[PDFErrorDetection::kMaxCodewords];
    static unsigned short erasures[PDFErrorDetection::kMaxCodewords];
    std::uint8_t const head = data[0];
    unsigned count = 0;
    // Mostly mode and data codewords, now and then anything up to 1023.
    for (std::size_t i = 1; i + 1 < size && count < PDFErrorDetection::kMaxCodewords; i += 2) {
        unsigned const v = static_cast<unsigned>(data[i] << 8 | data[i + 1]) & 0x3FFu;
        codewords[count++] = static_cast<unsigned short>((head & 0x80) != 0 ? v : v % 929);
    }
    BitstreamConvert::Codewords it(codewords, count);
    MicroPDFIdentifier identifier;
    bool composite = false;
    label.Clear();
    switch (head & 3) {
    case 0: convert.convertNormalPDF(it, label, composite); break;
    case 1: convert.convertMicroPDF(it, label, identifier); break;
    case 2: convert.convertCCA(it, label, identifier); break;
    default: {
        char out[512];
        StackInterface<char> text(out, (head >> 2) & 1 ? 8 : sizeof(out));
        CC_ABC_Decoder::DecodeCC_ABC(reinterpret_cast<char const*>(data), static_cast<unsigned>(size * 8), text);
        break;
    }
    }
    // The correction on the same list, with every fourth codeword erased.
    StackInterface<unsigned short> list(codewords, PDFErrorDetection::kMaxCodewords);
    list.SetCount(count);
    StackInterface<unsigned short> missing(erasures, PDFErrorDetection::kMaxCodewords);
    for (unsigned i = 0; i < count; i += 4 + (head >> 4)) {
        missing.Push(static_cast<unsigned short>(i));
    }
    PDFErrorDetection detection(saved, savedErasures);
    for (unsigned i = 0; i < count; ++i) {
        codewords[i] = static_cast<unsigned short>(codewords[i] % 929);
    }
    detection.Start(2u << (head % 9), list, missing);
    return 0;
}
