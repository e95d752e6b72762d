#pragma once

#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/core/containers/stack_interface.h"
#include "decoder/linear/line/bar_symbol.h"
#include "decoder/linear/line/line_statistics.h"
#include "decoder/linear/line/scan_element.h"
#include "decoder/linear/roads/scan_line_segment.h"
#include "decoder/linear/line/start_bar_symbol_list.h"

namespace DEC2DIvra {

class BarSymbolDecoder;

// The result of one scan line: the line, its runs, the characters read, the
// start symbols met on it, the read's flags and statistics, and the decoder
// that read it. The lists live over slices of the decoder work area taken
// once by Initialize.
class LineDecodeData {
public:
    // A line never holds more runs than the run-length conversion makes.
    static constexpr unsigned kElementCapacity = 4928;
    static constexpr unsigned kSymbolCapacity = 512;
    static constexpr unsigned kStartSymbolCapacity = 64;
    static constexpr unsigned kBufferBytes = kElementCapacity * sizeof(ScanElement) +
                                             kSymbolCapacity * sizeof(BarSymbol) +
                                             kStartSymbolCapacity * sizeof(StartBarSymbol);

    LineDecodeData() = default;
    LineDecodeData(LineDecodeData const&) = delete;
    LineDecodeData& operator=(LineDecodeData const&) = delete;

    // Takes the three lists from the work area; false when it has no room
    // (the lists then hold nothing and refuse every push).
    bool Initialize(SharedMemoryDistributor& memory);
    bool IsReady() const { return elements.GetCapacity() == kElementCapacity; }

    // Empties the lists and forgets the read.
    void Clear();
    // The other result into this one's own buffers; false (and this one
    // cleared) when it does not fit.
    bool Copy(LineDecodeData const& other);
    // Same symbology, same number of characters, same character values.
    bool EqualTo(LineDecodeData const& other) const;
    // The part of the scan line that the characters cover, as the line's
    // decoder sees it; false without a decoder.
    bool CalcDecodedLineSegment(GrayImage const& image, LineSegment& segment) const;

    ScanLineSegment line;
    StackInterface<ScanElement> elements;
    StackInterface<BarSymbol> symbols;
    StartBarSymbolList startSymbols;
    unsigned char reverced = 0;
    unsigned char negative = 0;
    LineStatistics statistics;
    BarSymbolDecoder const* decoder = nullptr;
};

}  // namespace DEC2DIvra
