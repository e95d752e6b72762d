#pragma once
// Fixed-capacity setting values. They are stored in place in the bank images and read
// by the decoder without locking from its copy of them, so they are plain structures
// with a fixed layout.

#include <cstddef>
#include <cstdint>

namespace ivra_configuration {

// A text of at most N characters: a count followed by N UTF-32 code units.
template <unsigned N>
struct string_t {
  static constexpr unsigned Capacity = N;
  std::uint32_t count;
  std::uint32_t data[N];

  unsigned size() const { return count < N ? count : N; }
  std::uint32_t operator[](unsigned i) const { return data[i]; }
  std::uint32_t const* begin() const { return data; }
  std::uint32_t const* end() const { return data + size(); }
};

// A list of at most N items: a count followed by N items.
template <class T, unsigned N>
struct Array {
  using value_type = T;
  static constexpr unsigned Capacity = N;
  std::uint32_t count;
  T data[N];

  unsigned size() const { return count < N ? count : N; }
  T const& operator[](unsigned i) const { return data[i]; }
  T const* begin() const { return data; }
  T const* end() const { return data + size(); }
};

// Length restriction of one symbology. A nonzero count admits only the listed lengths;
// otherwise a label must not be shorter than minimum (0: none) nor longer than
// maximum (65535: none).
struct FixedLength {
  static constexpr unsigned Capacity = 16;
  static constexpr std::uint16_t kNoMaximum = 65535;
  std::uint32_t count;
  std::uint16_t lengths[Capacity];
  std::uint16_t minimum;
  std::uint16_t maximum;

  bool Admits(std::size_t length) const {
    unsigned const n = count < Capacity ? count : Capacity;
    if (n != 0) {
      for (unsigned i = 0; i < n; ++i) {
        if (lengths[i] == length) return true;
      }
      return false;
    }
    if (minimum != 0 && length < minimum) return false;
    if (maximum != kNoMaximum && length > maximum) return false;
    return true;
  }
};

static_assert(sizeof(FixedLength) == 40);
static_assert(sizeof(string_t<4>) == 20);
static_assert(sizeof(Array<std::uint64_t, 255>) == 2048);
static_assert(sizeof(Array<std::uint32_t, 2047>) == 8192);
static_assert(sizeof(Array<std::uint8_t, 252>) == 256);

} // namespace ivra_configuration
