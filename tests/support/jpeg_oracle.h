#pragma once
// libjpeg as the outside judge of the firmware's JPEG streams, and its own encoder
// for comparison in the benchmark.

#include <cstdint>
#include <string>
#include <vector>

namespace support {

struct DecodedJpeg {
    bool ok = false;
    std::string error;
    int width = 0;
    int height = 0;
    int components = 0;
    std::vector<std::uint8_t> pixels; // rows top to bottom, components interleaved
};

DecodedJpeg decodeJpeg(std::vector<std::uint8_t> const& stream);
// Baseline greyscale with libjpeg's default tables scaled by quality.
std::vector<std::uint8_t> encodeGreyJpeg(std::vector<std::uint8_t> const& pixels, int width, int height, int quality);

// Peak signal-to-noise ratio in dB of two 8-bit images of one size (infinity when equal).
double psnr(std::vector<std::uint8_t> const& a, std::vector<std::uint8_t> const& b);

} // namespace support
