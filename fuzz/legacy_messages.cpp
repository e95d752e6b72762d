// Printed MaxiCode and Han Xin data of any content through the readers'
// message stages: no label or a bounded one, never a read or write outside
// the buffers.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "decoder/legacy/han_xin/han_xin_data.h"
#include "decoder/legacy/maxicode/maxi_message.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    if (size < 1) {
        return 0;
    }
    std::uint8_t const head = data[0];
    ++data;
    --size;
    if ((head & 1) == 0) {
        static MaxiCodewords codewords;
        static MaxiMessage message;
        std::memset(&codewords, 0, sizeof codewords);
        for (std::size_t i = 0; i < size && i < kMaxiCodewords; ++i) {
            codewords.value[i + 1] = static_cast<unsigned char>(data[i] & 63);
        }
        int const mode = (head >> 1) % 8;
        int const answer = InterpretMaxiMessage(codewords, mode, (head >> 4) & 1, message);
        if (answer != 129 && (message.length < 0 || message.length >= kMaxiTextCapacity)) {
            std::abort();
        }
        // The same bytes as module values of a whole symbol.
        static unsigned char modules[33 * 30];
        for (std::size_t i = 0; i < sizeof modules; ++i) {
            modules[i] = i / 8 < size ? (data[i / 8] >> (i % 8)) & 1 : 0;
        }
        DecodeMaxiModules(modules, 0, message);
        return 0;
    }
    // A small output buffer now and then, so the refusal at its end is met.
    static unsigned char out[8000];
    int const capacity = (head & 2) != 0 ? 1 + head % 64 : static_cast<int>(sizeof out);
    int const length = size < sizeof CHINA_byte_sequence ? static_cast<int>(size) : kHanXinSequenceBytes;
    std::memcpy(CHINA_byte_sequence, data, static_cast<std::size_t>(length));
    CHINA_total_byte_count = length;
    CHINA_final_data = out;
    CHINA_final_data_capacity = capacity;
    if (develop_text_CHINA() == 0 && (CHINA_final_data_count < 0 || CHINA_final_data_count > capacity)) {
        std::abort();
    }
    return 0;
}
