#include "app/camera/camera_frame_buffer.h"

#include <algorithm>

FrameBuffer::FrameBuffer() : samples_(kCapacity, 0) {}

std::size_t FrameBuffer::assignBuffer(std::uint16_t const* samples, std::size_t count)
{
    if (samples == nullptr || count == 0) {
        return 0;
    }
    // The driver's buffer may be longer than a frame (rounded up to pages, or another format).
    std::size_t const n = std::min(count, kCapacity);
    std::copy_n(samples, n, samples_.begin());
    size_ = n;
    return n;
}
