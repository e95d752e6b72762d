#include "decoder/linear/line/line_decode_data.h"

#include "decoder/linear/line/bar_symbol_decoder.h"

namespace DEC2DIvra {

namespace {

template <class T>
bool TakeStack(SharedMemoryDistributor& memory, unsigned capacity, StackInterface<T>& stack)
{
    VirtualArray<T> const window = memory.TakeArray<T>(capacity);
    stack.Set(window.GetData(), window.GetCount());
    return window.GetCount() == capacity;
}

template <class T>
bool CopyStack(StackInterface<T> const& from, StackInterface<T>& to)
{
    to.Clear();
    if (from.GetCount() > to.GetCapacity()) {
        return false;
    }
    for (T const& item : from) {
        to.Push(item);
    }
    return true;
}

}  // namespace

bool LineDecodeData::Initialize(SharedMemoryDistributor& memory)
{
    StackInterface<StartBarSymbol> starts;
    bool const ok = TakeStack(memory, kElementCapacity, elements) && TakeStack(memory, kSymbolCapacity, symbols) &&
                    TakeStack(memory, kStartSymbolCapacity, starts);
    if (!ok) {
        elements.Set(nullptr, 0);
        symbols.Set(nullptr, 0);
        startSymbols.Set(nullptr, 0);
        return false;
    }
    startSymbols.Set(starts.GetFirst(), kStartSymbolCapacity);
    Clear();
    return true;
}

void LineDecodeData::Clear()
{
    line = ScanLineSegment();
    elements.Clear();
    symbols.Clear();
    startSymbols.Clear();
    reverced = 0;
    negative = 0;
    statistics = LineStatistics();
    decoder = nullptr;
}

bool LineDecodeData::Copy(LineDecodeData const& other)
{
    if (&other == this) {
        return true;
    }
    if (!CopyStack(other.elements, elements) || !CopyStack(other.symbols, symbols) ||
        !startSymbols.Copy(other.startSymbols)) {
        Clear();
        return false;
    }
    line = other.line;
    reverced = other.reverced;
    negative = other.negative;
    statistics = other.statistics;
    decoder = other.decoder;
    return true;
}

bool LineDecodeData::EqualTo(LineDecodeData const& other) const
{
    if (decoder == nullptr || other.decoder == nullptr || decoder->GetSymbology() != other.decoder->GetSymbology() ||
        symbols.GetCount() != other.symbols.GetCount()) {
        return false;
    }
    for (unsigned i = 0; i < symbols.GetCount(); ++i) {
        if (symbols[i].value != other.symbols[i].value) {
            return false;
        }
    }
    return true;
}

bool LineDecodeData::CalcDecodedLineSegment(GrayImage const& image, LineSegment& segment) const
{
    return decoder != nullptr && decoder->CalcDecodedLineSegment(image, line, reverced != 0, symbols, segment);
}

}  // namespace DEC2DIvra
