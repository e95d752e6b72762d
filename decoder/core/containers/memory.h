#pragma once

namespace DEC2DIvra {

// Byte-level helpers over fixed buffers. Every operation that moves data
// checks its bounds and refuses (false) instead of writing outside.
class Memory {
public:
    static void Set(void* destination, int value, unsigned size);
    static void MemoryCopy(void* destination, void const* source, unsigned size);

    // Byte-wise comparison of n bytes: the difference of the first bytes that
    // differ, 0 when all are equal.
    static int BiggerCompare(unsigned char const* a, unsigned char const* b, unsigned n);

    // Removes the element of `elementSize` bytes at `index` from the used
    // `byteSize` bytes of a packed array: later elements move down and the
    // freed last element is zeroed.
    static bool Delete(void* base, unsigned byteSize, unsigned elementSize, int index);

    // Inserts `element` at `index`: the caller has already grown the used
    // part to `byteSize` bytes (room for one more element at its end); the
    // elements from `index` move up by one and the element is copied in.
    static bool Insert(void* base, unsigned byteSize, unsigned elementSize, int index, void const* element);

    // Bounded copy of a NUL-terminated text; the destination always ends with
    // a NUL. False when the text had to be cut.
    static bool StringCopy(char* destination, unsigned capacity, char const* source);

    static bool GetBit(unsigned word, unsigned bit) { return bit < 32 && ((word >> bit) & 1u) != 0; }
    static void SetBit(unsigned& word, unsigned bit, bool value)
    {
        if (bit >= 32) {
            return;
        }
        word = value ? (word | (1u << bit)) : (word & ~(1u << bit));
    }
};

}  // namespace DEC2DIvra
