#pragma once
// Decoding of UTF-8 and UTF-16 sequences from outside bytes. Only well-formed
// sequences are taken: no overlong forms, no surrogate code points in UTF-8,
// nothing above U+10FFFF, and UTF-16 surrogates only as a high-low pair, so a
// sequence that hides a character (an overlong '/' or NUL) is refused.

#include <cstddef>
#include <cstdint>

namespace ivra::unicode {

// Bytes used by the well-formed UTF-8 sequence at src (reading at most len
// bytes) with its code point; 0 when there is none, codePoint then untouched.
unsigned DecodeUtf8(const unsigned char* src, std::size_t len, std::uint32_t& codePoint);

// Bytes used (2 or 4) by the UTF-16 character at src in the given byte order;
// 0 when fewer than two bytes remain or the unit is an unpaired surrogate.
unsigned DecodeUtf16(const unsigned char* src, std::size_t len, bool bigEndian, std::uint32_t& codePoint);

constexpr bool IsHighSurrogate(std::uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
constexpr bool IsLowSurrogate(std::uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

} // namespace ivra::unicode
