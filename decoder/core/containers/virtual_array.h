#pragma once

namespace DEC2DIvra {

// A fixed window of count elements over memory owned elsewhere (normally the
// decoder handle). Element access is unchecked; Slice checks its bounds.
template <class T>
class VirtualArray {
public:
    VirtualArray() = default;
    VirtualArray(T* data, unsigned count) : data_(data), count_(data != nullptr ? count : 0) {}

    T* GetData() const { return data_; }
    unsigned GetCount() const { return count_; }
    bool IsEmpty() const { return count_ == 0; }

    T& operator[](unsigned i) const { return data_[i]; }

    // The sub-window [offset, offset + count); empty when it would not fit.
    VirtualArray Slice(unsigned offset, unsigned count) const
    {
        if (offset > count_ || count > count_ - offset) {
            return VirtualArray();
        }
        return VirtualArray(data_ + offset, count);
    }

    operator VirtualArray<T const>() const { return VirtualArray<T const>(data_, count_); }

    T* begin() const { return data_; }
    T* end() const { return data_ + count_; }

private:
    T* data_ = nullptr;
    unsigned count_ = 0;
};

}  // namespace DEC2DIvra
