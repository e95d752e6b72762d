#include "decoder/core/decoded_label.h"

#include "decoder/core/containers/memory.h"

namespace DEC2DIvra {

DecodedLabel::DecodedLabel() : data(buffer_, kDataBytes) {}

void DecodedLabel::Clear()
{
    identifier = CommonSymbologyIdentifier();
    data.Set(buffer_, kDataBytes);
    region = Region();
    structuredAppend = tagStructuredAppend{};
    moduleCount = 0;
    moduleWord = 0;
    negative = 0;
    further = tagFurtherRecord{};
    codablockRow = Code128Identifier();
}

void DecodedLabel::Copy(DecodedLabel const& other)
{
    if (&other == this) {
        return;
    }
    identifier = other.identifier;
    data.Set(buffer_, kDataBytes);
    unsigned const count = other.data.GetCount() < kDataBytes ? other.data.GetCount() : kDataBytes;
    Memory::MemoryCopy(buffer_, other.data.GetFirst(), count);
    data.SetCount(count);
    region = other.region;
    structuredAppend = other.structuredAppend;
    moduleCount = other.moduleCount;
    moduleWord = other.moduleWord;
    negative = other.negative;
    further = other.further;
    codablockRow = other.codablockRow;
}

}  // namespace DEC2DIvra
