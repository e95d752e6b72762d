#include "decoder/core/shared_memory_distributor.h"

#include <cstdint>

namespace DEC2DIvra {

void* SharedMemoryDistributor::Take(unsigned bytes, unsigned alignment)
{
    if (alignment == 0 || (alignment & (alignment - 1)) != 0 || base_ == nullptr) {
        failed_ = true;
        return nullptr;
    }
    // Align the address itself: the base need not be aligned.
    std::uintptr_t const address = reinterpret_cast<std::uintptr_t>(base_) + offset_;
    std::uintptr_t const padding = (alignment - (address & (alignment - 1))) & (alignment - 1);
    unsigned long long const end = static_cast<unsigned long long>(offset_) + padding + bytes;
    if (end > size_) {
        failed_ = true;
        return nullptr;
    }
    void* slice = base_ + offset_ + padding;
    offset_ = static_cast<unsigned>(end);
    return slice;
}

}  // namespace DEC2DIvra
