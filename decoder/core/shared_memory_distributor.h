#pragma once

#include <new>
#include <type_traits>

#include "decoder/core/containers/virtual_array.h"

namespace DEC2DIvra {

// Hands out consecutive fixed slices of a work area (base, size, next free
// offset) to the decoder constructors, in construction order. Nothing is ever
// given back: each decoder lays out its buffers once and reuses them.
class SharedMemoryDistributor {
public:
    static constexpr unsigned kDefaultAlignment = 8;

    SharedMemoryDistributor() = default;
    SharedMemoryDistributor(void* base, unsigned size, unsigned offset = 0)
        : base_(static_cast<unsigned char*>(base)), size_(base != nullptr ? size : 0),
          offset_(offset <= size_ ? offset : size_)
    {
    }
    explicit SharedMemoryDistributor(VirtualArray<unsigned char> const& area, unsigned offset = 0)
        : SharedMemoryDistributor(area.GetData(), area.GetCount(), offset)
    {
    }

    // `bytes` bytes at the next offset aligned to `alignment` (a power of
    // two); null when the area has no room left, which also marks the
    // distributor as failed so that a constructor can report it once.
    void* Take(unsigned bytes, unsigned alignment = kDefaultAlignment);

    // `count` default-initialised elements; an empty window on failure.
    template <class T>
    VirtualArray<T> TakeArray(unsigned count)
    {
        static_assert(std::is_trivially_destructible_v<T>, "slices are never destroyed");
        if (count > 0xFFFFFFFFu / sizeof(T)) {
            failed_ = true;
            return VirtualArray<T>();
        }
        void* memory = Take(static_cast<unsigned>(count * sizeof(T)), alignof(T));
        if (memory == nullptr) {
            return VirtualArray<T>();
        }
        T* first = static_cast<T*>(memory);
        for (unsigned i = 0; i < count; ++i) {
            new (first + i) T;
        }
        return VirtualArray<T>(first, count);
    }

    unsigned char* GetBase() const { return base_; }
    unsigned GetSize() const { return size_; }
    unsigned GetOffset() const { return offset_; }
    unsigned GetRoom() const { return size_ - offset_; }
    bool HasFailed() const { return failed_; }

private:
    unsigned char* base_ = nullptr;
    unsigned size_ = 0;
    unsigned offset_ = 0;
    bool failed_ = false;
};

}  // namespace DEC2DIvra
