#pragma once

namespace DEC2DIvra {

// Reads the low `Bits` bits of each element from the most significant one
// down: the mask starts at 1 << (Bits - 1) and halves per bit; after mask 1 it
// moves to the next element. Reading past the last element is refused.
template <class T, unsigned Bits>
class BitIterator {
    static_assert(Bits > 0 && Bits <= 32, "element width");

public:
    static constexpr unsigned kFirstMask = 1u << (Bits - 1);

    BitIterator() = default;
    // Reads the elements first .. last, both included.
    BitIterator(T const* first, T const* last) : first_(first), last_(last), current_(first) {}
    BitIterator(T const* first, unsigned count)
        : first_(first), last_(count > 0 ? first + (count - 1) : first), current_(count > 0 ? first : nullptr)
    {
    }

    bool IsEnd() const { return current_ == nullptr || current_ < first_ || current_ > last_; }

    bool ReadBit(bool& bit)
    {
        if (IsEnd()) {
            return false;
        }
        bit = (static_cast<unsigned>(*current_) & mask_) != 0;
        mask_ >>= 1;
        if (mask_ == 0) {
            mask_ = kFirstMask;
            current_ = current_ == last_ ? nullptr : current_ + 1;
        }
        return true;
    }

    // Reads `count` bits (at most 32), first bit most significant. Refused as a
    // whole, with the position kept, when fewer bits remain.
    bool Read(unsigned count, unsigned& value)
    {
        if (count > 32 || GetRemaining() < count) {
            return false;
        }
        unsigned result = 0;
        for (unsigned i = 0; i < count; ++i) {
            bool bit = false;
            ReadBit(bit);
            result = (result << 1) | (bit ? 1u : 0u);
        }
        value = result;
        return true;
    }

    unsigned long long GetRemaining() const
    {
        if (IsEnd()) {
            return 0;
        }
        unsigned bitsHere = 0;
        for (unsigned m = mask_; m != 0; m >>= 1) {
            ++bitsHere;
        }
        return static_cast<unsigned long long>(last_ - current_) * Bits + bitsHere;
    }

    T const* GetCurrent() const { return current_; }
    unsigned GetMask() const { return mask_; }

private:
    T const* first_ = nullptr;
    T const* last_ = nullptr;
    T const* current_ = nullptr;
    unsigned mask_ = kFirstMask;
};

}  // namespace DEC2DIvra
