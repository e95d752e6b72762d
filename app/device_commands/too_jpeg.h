#pragma once
// A one-pass baseline JPEG (JFIF) encoder with the typical Huffman tables, so no
// statistics pass: greyscale (8-bit samples, or 16-bit words holding 10-bit
// samples) and RGB (YCbCr, optionally 4:2:0). Every output byte goes through
// the sink, in stream order; nothing is allocated on the heap for the tables.

#include <functional>

namespace TooJpeg {

using WRITE_ONE_BYTE = std::function<void(unsigned char)>;

// False, with nothing written, for an empty sink, null pixels or a zero size.
// Quality 0 counts as 1, above 100 as 100. `downsample` applies to colour only,
// `samples16` to greyscale only (a word above 1023 counts as 1023). A comment
// longer than a segment holds is cut to 65533 bytes.
bool writeJpeg(WRITE_ONE_BYTE output, void const* pixels, unsigned short width, unsigned short height,
               bool colour = false, unsigned char quality = 90, bool downsample = false,
               char const* comment = nullptr, bool samples16 = false);

} // namespace TooJpeg
