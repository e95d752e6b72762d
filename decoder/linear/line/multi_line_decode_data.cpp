#include "decoder/linear/line/multi_line_decode_data.h"

namespace DEC2DIvra {

namespace {

template <class T>
bool TakeStack(SharedMemoryDistributor& memory, unsigned capacity, StackInterface<T>& stack)
{
    VirtualArray<T> const window = memory.TakeArray<T>(capacity);
    stack.Set(window.GetData(), window.GetCount());
    return window.GetCount() == capacity;
}

}  // namespace

bool MultiLineDecodeData::Initialize(SharedMemoryDistributor& memory)
{
    bool const ok = TakeStack(memory, kBlockCapacity, blocks) && TakeStack(memory, kStartBlockCapacity, startBlocks) &&
                    TakeStack(memory, kSymbolCapacity, symbols);
    if (!ok) {
        blocks.Set(nullptr, 0);
        startBlocks.Set(nullptr, 0);
        symbols.Set(nullptr, 0);
    }
    Clear();
    return ok;
}

void MultiLineDecodeData::Clear()
{
    lines.Clear();
    startBlocks.Clear();
    blocks.Clear();
    symbols.Clear();
    reverced = 0;
    negative = 0;
    votes = 0;
    decoder = nullptr;
}

}  // namespace DEC2DIvra
