#pragma once
// Cell strings of the template functions: a String over a cell array with a
// capacity, and a SubString window on one. Both delete and insert in place;
// every change is checked against the capacity and the window.

#include <cstring>

#include "format/data_edit/character.h"
#include "format/decode_data_byte.h"

namespace ivra_string_library {

template <class C>
class String {
public:
    static_assert(sizeof(C) == sizeof(DecodeDataByte), "a string's characters are cells");

    // The first `length` of `capacity` cells at `cells`.
    String(DecodeDataByte* cells, unsigned capacity, unsigned length)
        : cells_(cells), capacity_(capacity), end_(length <= capacity ? length : capacity)
    {
    }

    unsigned Length() const { return end_; }
    unsigned Capacity() const { return capacity_; }
    C At(unsigned i) const { return C(cells_[i]); }
    DecodeDataByte* Cells() { return cells_; }
    const DecodeDataByte* Cells() const { return cells_; }
    void Clear() { end_ = 0; }

    // Removes n cells at pos; false when they run past the end.
    bool Delete(unsigned pos, unsigned n)
    {
        const unsigned length = Length();
        if (n > length || pos > length - n)
            return false;
        DecodeDataByte* at = Cells() + pos;
        std::memmove(at, at + n, (length - pos - n) * sizeof(DecodeDataByte));
        end_ -= n;
        return true;
    }
    // Inserts n cells at pos; false when pos is past the end or they do not fit.
    bool Insert(unsigned pos, const DecodeDataByte* cells, unsigned n)
    {
        const unsigned length = Length();
        if (pos > length || n > Capacity() - length)
            return false;
        DecodeDataByte* at = Cells() + pos;
        std::memmove(at + n, at, (length - pos) * sizeof(DecodeDataByte));
        std::memmove(at, cells, n * sizeof(DecodeDataByte));
        end_ += n;
        return true;
    }
    bool Append(DecodeDataByte cell) { return Insert(Length(), &cell, 1); }
    bool Append(const DecodeDataByte* cells, unsigned n) { return Insert(Length(), cells, n); }

private:
    DecodeDataByte* cells_;
    unsigned capacity_;
    unsigned end_;
};

// Cells [start, end) of a string; changes move the window's end.
template <class C>
class SubString {
public:
    SubString(String<C>& string, unsigned start, unsigned end)
        : string_(string), start_(start <= string.Length() ? start : string.Length()),
          end_(end < start_ ? start_ : end <= string.Length() ? end : string.Length())
    {
    }

    unsigned Start() const { return start_; }
    unsigned End() const { return end_; }
    unsigned Length() const { return end_ - start_; }
    const DecodeDataByte* Cells() const { return string_.Cells() + start_; }

    // pos relative to the window; false outside it.
    bool Delete(unsigned pos, unsigned n)
    {
        if (n > Length() || pos > Length() - n || !string_.Delete(start_ + pos, n))
            return false;
        end_ -= n;
        return true;
    }
    bool Insert(unsigned pos, const DecodeDataByte* cells, unsigned n)
    {
        if (pos > Length() || !string_.Insert(start_ + pos, cells, n))
            return false;
        end_ += n;
        return true;
    }
    // The window's cells become `cells`.
    bool Replace(const DecodeDataByte* cells, unsigned n) { return Delete(0, Length()) && Insert(0, cells, n); }

private:
    String<C>& string_;
    unsigned start_;
    unsigned end_;
};

using CellString = String<Character>;
using CellSubString = SubString<Character>;

} // namespace ivra_string_library
