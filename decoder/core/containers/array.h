#pragma once

#include "decoder/core/containers/stack_interface.h"
#include "decoder/core/containers/virtual_array.h"

namespace DEC2DIvra {

// A table of N elements held inside its owner (no memory of its own outside).
template <class T, unsigned N>
class Array {
public:
    static constexpr unsigned kCount = N;

    T& operator[](unsigned i) { return items_[i]; }
    T const& operator[](unsigned i) const { return items_[i]; }

    unsigned GetCount() const { return N; }
    T* GetData() { return items_; }
    T const* GetData() const { return items_; }

    VirtualArray<T> GetWindow() { return VirtualArray<T>(items_, N); }
    StackInterface<T> CreateStack() { return StackInterface<T>(items_, N); }

    T* begin() { return items_; }
    T* end() { return items_ + N; }
    T const* begin() const { return items_; }
    T const* end() const { return items_ + N; }

private:
    T items_[N] = {};
};

}  // namespace DEC2DIvra
