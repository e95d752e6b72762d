#pragma once
// Frames as image files, for the simulated camera and for looking at a failing
// test's input.
//
// 10-bit levels are stored as: 8-bit PNG/PGM v >> 2; 16-bit PNG v scaled to
// full range (v << 6 | v >> 4, sBIT 10); 16-bit PGM v itself with maxval 1023.
// Reading scales back: 8-bit v * 4 + v / 64, 16-bit PNG v >> 6, PGM maxval
// 1023 as is, other maxvals to 0..1023 rounded. PNG colour is turned to grey.
// Malformed or oversized files are refused with a reason; nothing is guessed.

#include "tests/support/frame.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace support {

enum class FileDepth { Bits8, Bits16 };

// Largest width or height taken from a file.
inline constexpr int kMaxImageSide = 16384;

std::vector<uint8_t> encodePng(Frame const& frame, FileDepth depth);
std::vector<uint8_t> encodePgm(Frame const& frame, FileDepth depth);

// PNG or PGM (P5), told apart by their first bytes.
std::optional<Frame> decodeImage(std::span<uint8_t const> bytes, std::string* why = nullptr);

bool writePng(std::string const& path, Frame const& frame, FileDepth depth);
bool writePgm(std::string const& path, Frame const& frame, FileDepth depth);
std::optional<Frame> readImage(std::string const& path, std::string* why = nullptr);

} // namespace support
