#pragma once

#include "decoder/core/containers/virtual_array.h"

namespace DEC2DIvra {

// A two-dimensional table, row by row, over a fixed window of elements; its
// width and height change per use within the window's element count.
template <class T>
class VariableSizeVirtualTable {
public:
    VariableSizeVirtualTable() = default;
    VariableSizeVirtualTable(T* data, unsigned count) : window_(data, count) {}
    explicit VariableSizeVirtualTable(VirtualArray<T> const& window) : window_(window) {}

    // False, and the table left as it was, when width x height does not fit.
    bool Resize(unsigned width, unsigned height)
    {
        unsigned long long const cells = static_cast<unsigned long long>(width) * height;
        if (cells > window_.GetCount()) {
            return false;
        }
        width_ = width;
        height_ = height;
        return true;
    }

    void Fill(T const& value)
    {
        unsigned const cells = width_ * height_;
        for (unsigned i = 0; i < cells; ++i) {
            window_[i] = value;
        }
    }

    unsigned GetWidth() const { return width_; }
    unsigned GetHeight() const { return height_; }
    unsigned GetCapacity() const { return window_.GetCount(); }
    T* GetData() const { return window_.GetData(); }

    bool IsInside(int x, int y) const
    {
        return x >= 0 && y >= 0 && static_cast<unsigned>(x) < width_ && static_cast<unsigned>(y) < height_;
    }

    T& At(unsigned x, unsigned y) const { return window_[y * width_ + x]; }
    T* GetRow(unsigned y) const { return window_.GetData() + y * width_; }

private:
    VirtualArray<T> window_;
    unsigned width_ = 0;
    unsigned height_ = 0;
};

}  // namespace DEC2DIvra
