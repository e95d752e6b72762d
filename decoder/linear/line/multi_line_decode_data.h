#pragma once

#include "decoder/core/containers/array_iterator.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/core/containers/stack_interface.h"
#include "decoder/linear/line/bar_symbol.h"
#include "decoder/linear/line/multi_line_block_data.h"
#include "decoder/linear/line/scan_element.h"

namespace DEC2DIvra {

class BarSymbolDecoder;

// The working state of one multi-line decode: a run iterator per line of the
// band, the start blocks found on the lines, the blocks of the start block in
// hand, the characters voted from them, and what the accepted read was. The
// lists live over slices of the decoder work area taken once by Initialize.
class MultiLineDecodeData {
public:
    static constexpr unsigned kLineCapacity = MultiLineBlockData::kLineCapacity;
    // Character positions of one symbol; a line never holds more characters.
    static constexpr unsigned kBlockCapacity = 512;
    static constexpr unsigned kStartBlockCapacity = 64;
    static constexpr unsigned kSymbolCapacity = 512;
    static constexpr unsigned kBufferBytes = kBlockCapacity * sizeof(MultiLineBlockData) +
                                             kStartBlockCapacity * sizeof(MultiLineStartBlockData) +
                                             kSymbolCapacity * sizeof(BarSymbol);

    MultiLineDecodeData() : lines(lineBuffer_, kLineCapacity) {}
    MultiLineDecodeData(MultiLineDecodeData const&) = delete;
    MultiLineDecodeData& operator=(MultiLineDecodeData const&) = delete;

    // Takes the lists from the work area; false when it has no room (the
    // lists then hold nothing and refuse every push).
    bool Initialize(SharedMemoryDistributor& memory);
    bool IsReady() const { return blocks.GetCapacity() == kBlockCapacity; }

    // Empties the lists and forgets the read.
    void Clear();

    StackInterface<ArrayIterator<ScanElement const>> lines;
    StackInterface<MultiLineStartBlockData> startBlocks;
    StackInterface<MultiLineBlockData> blocks;
    StackInterface<BarSymbol> symbols;
    unsigned char reverced = 0;
    unsigned char negative = 0;
    unsigned votes = 0;  // lines that agree on every chosen character
    BarSymbolDecoder const* decoder = nullptr;

private:
    ArrayIterator<ScanElement const> lineBuffer_[kLineCapacity];
};

}  // namespace DEC2DIvra
