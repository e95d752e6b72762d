#pragma once
// Image files for the simulated camera, read as 10-bit grey.
//
// PNG: grey, palette or RGB (turned to grey), with or without alpha (ignored); 8-bit values
// become v * 4 + v / 64, 16-bit values v >> 6. PGM (P5): maxval 255 as 8-bit above, 1023 as
// is, any other maxval up to 1023 scaled to 0..1023 rounded. Anything else is refused with a
// reason; nothing is guessed.

#include "platform/sim/frame_source.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace plat::sim {

// PNG or PGM, told apart by their first bytes.
std::optional<GreyImage> decodeImageFile(std::span<std::uint8_t const> bytes, std::string* why);
std::optional<GreyImage> loadImageFile(std::string const& path, std::string* why);

// The sensor's reading of an 8-bit grey level.
constexpr std::uint16_t tenBitsOf8(unsigned v) { return static_cast<std::uint16_t>(v * 4 + v / 64); }

} // namespace plat::sim
