#pragma once

#include "decoder/core/containers/stack_interface.h"
#include "decoder/core/containers/variable_length_virtual_array.h"

namespace DEC2DIvra {

// A stack whose window is taken at run time from a shared pool, so that many
// stacks (one per scan line, say) share one buffer with capacities chosen per
// decode. Emptying the pool releases every window taken from it.
template <class T>
class DynamicStackInterface : public StackInterface<T> {
public:
    DynamicStackInterface() = default;

    // Takes `capacity` elements from the pool; false (and no window) when the
    // pool has not that much room left.
    bool Attach(VariableLengthVirtualArray<T>& pool, unsigned capacity)
    {
        if (pool.GetRoom() < capacity) {
            StackInterface<T>::Set(nullptr, 0);
            return false;
        }
        VirtualArray<T> const window = pool.Extend(capacity);
        StackInterface<T>::Set(window.GetData(), window.GetCount());
        return true;
    }

    void Detach() { StackInterface<T>::Set(nullptr, 0); }
};

}  // namespace DEC2DIvra
