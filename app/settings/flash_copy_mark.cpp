#include "app/settings/flash_copy_mark.h"

#include <algorithm>

namespace {

constexpr std::array<std::uint8_t, 4> kMagic{'S', 'A', 'V', 'E'};
constexpr std::size_t kChecked = kCopyMarkSize - 4;

std::uint32_t Crc32(std::uint32_t crc, std::span<std::uint8_t const> bytes)
{
    crc = ~crc;
    for (std::uint8_t b : bytes) {
        crc ^= b;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

void Put(std::uint8_t* at, std::uint32_t value)
{
    at[0] = static_cast<std::uint8_t>(value >> 24);
    at[1] = static_cast<std::uint8_t>(value >> 16);
    at[2] = static_cast<std::uint8_t>(value >> 8);
    at[3] = static_cast<std::uint8_t>(value);
}

std::uint32_t Get(std::uint8_t const* at)
{
    return std::uint32_t{at[0]} << 24 | std::uint32_t{at[1]} << 16 | std::uint32_t{at[2]} << 8 | at[3];
}

std::uint32_t Checksum(std::span<std::uint8_t const> text, std::uint8_t const* head)
{
    return Crc32(Crc32(0, text), {head, kChecked});
}

} // namespace

std::array<std::uint8_t, kCopyMarkSize> EncodeCopyMark(CopyMark const& mark, std::span<std::uint8_t const> text)
{
    std::array<std::uint8_t, kCopyMarkSize> bytes{};
    std::copy(kMagic.begin(), kMagic.end(), bytes.begin());
    Put(&bytes[4], mark.generation);
    Put(&bytes[8], mark.link);
    Put(&bytes[12], mark.length);
    Put(&bytes[16], Checksum(text, bytes.data()));
    return bytes;
}

std::optional<CopyMark> DecodeCopyMark(std::span<std::uint8_t const> half)
{
    if (half.size() < kCopyMarkSize) {
        return std::nullopt;
    }
    std::size_t const room = half.size() - kCopyMarkSize;
    std::uint8_t const* const head = half.data() + room;
    if (!std::equal(kMagic.begin(), kMagic.end(), head)) {
        return std::nullopt;
    }
    CopyMark const mark{Get(head + 4), Get(head + 8), Get(head + 12)};
    if (mark.generation == 0 || mark.length > room) {
        return std::nullopt;
    }
    if (Get(head + 16) != Checksum(half.first(mark.length), head)) {
        return std::nullopt;
    }
    return mark;
}
