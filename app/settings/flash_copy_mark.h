#pragma once
// The mark that makes a copy of a partition's text count. It sits in the last bytes of
// the copy's half of the partition and is programmed last, after the text read back
// whole; a copy without a whole mark is one whose save was cut short.
//
//   bytes  0- 3  "SAVE"
//          4- 7  generation (big-endian): 1 for the first copy, one more for each save
//          8-11  link (big-endian): the generation of another partition this copy goes with
//         12-15  length of the text (big-endian)
//         16-19  CRC-32 of the text followed by bytes 0-15 (big-endian)

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

inline constexpr std::size_t kCopyMarkSize = 20;

struct CopyMark {
    std::uint32_t generation = 0;
    std::uint32_t link = 0;
    std::uint32_t length = 0;
};

std::array<std::uint8_t, kCopyMarkSize> EncodeCopyMark(CopyMark const& mark, std::span<std::uint8_t const> text);

// The mark of a half, given the half's bytes (text area, then the mark); nothing when the
// mark is missing, torn or does not match the text before it.
std::optional<CopyMark> DecodeCopyMark(std::span<std::uint8_t const> half);
