#include "decoder/matrix/qr/qr_erasure_index.h"

#include "decoder/core/containers/binary_heap.h"

namespace DEC2DIvra {

namespace {

// The larger contrast on top: emptied in place, the heap leaves the
// entries ascending.
template <class Entry>
int CompareContrast(void const* a, void const* b, void*)
{
    int const x = static_cast<Entry const*>(a)->contrast;
    int const y = static_cast<Entry const*>(b)->contrast;
    return y < x ? -1 : (y > x ? 1 : 0);
}

}  // namespace

int CalcErasureIndexSubroutine::Start(bool polarity, VirtualArray<BitAndLuminance const> const& bits,
                                      VariableLengthVirtualArray<unsigned short>& erasures)
{
    erasures.Clear();
    unsigned codewords = bits.GetCount() / 8;
    codewords = codewords > kMaxCodewords ? kMaxCodewords : codewords;
    if (codewords == 0) {
        return 1;
    }
    for (unsigned i = 0; i < codewords; ++i) {
        unsigned sums[2] = {0, 0};
        unsigned counts[2] = {0, 0};
        for (unsigned k = 0; k < 8; ++k) {
            BitAndLuminance const& b = bits[8 * i + k];
            sums[b.bit ? 1 : 0] += b.luminance;
            ++counts[b.bit ? 1 : 0];
        }
        int contrast = 0;
        if (counts[0] != 0 && counts[1] != 0) {
            contrast = static_cast<int>(sums[1] / counts[1]) - static_cast<int>(sums[0] / counts[0]);
        }
        work_[i] = Entry{static_cast<unsigned short>(i), polarity ? -contrast : contrast};
    }
    CommonBinaryHeap heap(work_, sizeof(Entry), codewords, &CompareContrast<Entry>, nullptr);
    for (unsigned i = 0; i < codewords; ++i) {
        heap.Push();
    }
    while (heap.Pop()) {
    }
    int const threshold = work_[codewords / 2].contrast / 4;
    for (unsigned i = 0; i < codewords && work_[i].contrast < threshold; ++i) {
        if (!erasures.Push(work_[i].index)) {
            break;
        }
    }
    return 1;
}

}  // namespace DEC2DIvra
