#pragma once
// One unit of host output. The formatter fills units; the output queue takes
// copies and plays them in order on the host interface.

#include <cstdint>
#include <vector>

struct OutputBufferData {
    enum Type : std::uint32_t {
        ByteText = 0,   // bytes
        CodePoints = 1, // values: code points for the USB keyboard (0xE000 + byte is a direct key)
        Pause = 2,      // values: one value, tens of milliseconds
        EciMarker = 3,  // bytes: a backslash and six digits; written like ByteText where it stays
        GoodRead = 4,   // values: one value, 0
    };

    std::uint32_t type = ByteText;
    std::vector<unsigned char> bytes;
    std::vector<unsigned int> values;

    friend bool operator==(const OutputBufferData&, const OutputBufferData&) = default;
};
