#pragma once

#include "decoder/core/containers/binary_heap.h"
#include "decoder/core/arithmetic/real_number.h"

#include <atomic>

namespace DEC2DIvra {

// Fixed-point trigonometry and small integer helpers of the decoders.
// Angles are 9-bit values (512 to a turn); the sine table has 1024 entries to
// a turn, so it also holds the half steps between 9-bit angles, which the
// inverse functions use as their rounding boundaries.
class DecMath {
public:
    static constexpr unsigned kTableSize = 1024;
    static constexpr int kTurn = 512;

    // The table entry: sin(2 pi index / 1024) in 32 fraction bits; the index
    // is taken modulo 1024. Inline: the angle searches look entries up by the
    // dozen for every direction they measure.
    static long long SineTable(int index)
    {
        long long const* values = sineValues_.load(std::memory_order_acquire);
        if (values == nullptr) {
            values = BuildSineTable();
        }
        return values[static_cast<unsigned>(index) & (kTableSize - 1)];
    }

    static Real32 Sin(int angle) { return Real32::FromRaw(SineTable(2 * angle)); }
    static Real32 Cos(int angle) { return Real32::FromRaw(SineTable(2 * angle + kTableSize / 4)); }

    // The nearest 9-bit angle (halves upward): ASin in -128 .. 128, ACos in
    // 0 .. 256. Values beyond -1 .. 1 answer the end of the range.
    static int ASin(Real32 value);
    static int ACos(Real32 value);

    // Sorts in place through a binary heap: with compare(a, b) = b - a the
    // items end ascending, with a - b descending.
    template <class T>
    static void HeapSort(T* items, unsigned count, int (*compare)(T const&, T const&))
    {
        if (items == nullptr || count < 2) {
            return;
        }
        BinaryHeap<T> heap(items, count, compare);
        for (unsigned i = 0; i < count; ++i) {
            heap.Push();
        }
        for (unsigned i = 0; i < count; ++i) {
            heap.Pop();
        }
    }

    // The binomial coefficient in 32-bit unsigned arithmetic (wider
    // intermediates); 1 when r is 0 or n, 0 when r exceeds n.
    static unsigned Combination(unsigned n, unsigned r);

    // floor(sqrt(value)).
    static unsigned Sqrt(unsigned long long value);

private:
    // The table, built on first need (before main, or earlier when a static
    // initialiser elsewhere asks); null until then.
    static long long const* BuildSineTable();
    static std::atomic<long long const*> sineValues_;
};

}  // namespace DEC2DIvra
