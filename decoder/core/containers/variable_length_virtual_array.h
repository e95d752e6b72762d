#pragma once

#include "decoder/core/containers/virtual_array.h"

namespace DEC2DIvra {

// A fixed window with a used length that grows and shrinks inside it.
template <class T>
class VariableLengthVirtualArray {
public:
    VariableLengthVirtualArray() = default;
    VariableLengthVirtualArray(T* data, unsigned capacity) : window_(data, capacity) {}
    explicit VariableLengthVirtualArray(VirtualArray<T> const& window) : window_(window) {}

    unsigned GetLength() const { return length_; }
    unsigned GetCapacity() const { return window_.GetCount(); }
    unsigned GetRoom() const { return window_.GetCount() - length_; }
    T* GetData() const { return window_.GetData(); }

    void Clear() { length_ = 0; }

    bool SetLength(unsigned length)
    {
        if (length > window_.GetCount()) {
            return false;
        }
        length_ = length;
        return true;
    }

    bool Push(T const& item)
    {
        if (length_ >= window_.GetCount()) {
            return false;
        }
        window_[length_++] = item;
        return true;
    }

    // Claims `count` elements at the end of the used part; empty when they do
    // not fit.
    VirtualArray<T> Extend(unsigned count)
    {
        VirtualArray<T> const part = window_.Slice(length_, count);
        if (part.GetData() != nullptr || count == 0) {
            length_ += part.GetCount();
        }
        return part;
    }

    T& operator[](unsigned i) const { return window_[i]; }
    VirtualArray<T> GetUsed() const { return window_.Slice(0, length_); }

    T* begin() const { return window_.GetData(); }
    T* end() const { return window_.GetData() + length_; }

private:
    VirtualArray<T> window_;
    unsigned length_ = 0;
};

}  // namespace DEC2DIvra
