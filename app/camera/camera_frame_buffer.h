#pragma once
// One frame copied out of the capture buffers, for image upload. It holds a full
// sensor frame at most; a longer source is cut to that.

#include <cstddef>
#include <cstdint>
#include <vector>

class FrameBuffer {
public:
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 480;
    static constexpr std::size_t kCapacity = static_cast<std::size_t>(kWidth) * kHeight;

    FrameBuffer();

    // Copies min(count, kCapacity) samples; returns how many. Null or 0 copies nothing.
    std::size_t assignBuffer(std::uint16_t const* samples, std::size_t count);

    std::uint16_t const* data() const { return samples_.data(); }
    std::size_t size() const { return size_; } // samples assigned

    int exposure = -1;
    int gain = -1;
    int width = 0;
    int height = 0;
    std::uint16_t brightness = 0;
    std::uint16_t peak = 0;
    int index = -1;

private:
    std::vector<std::uint16_t> samples_;
    std::size_t size_ = 0;
};

// A frame captured on its own (without the grabber), pixels copied.
struct CapturedFrame {
    std::vector<std::uint16_t> data;
    std::size_t size = 0; // bytes
    int exposure = -1;
    int gain = -1;
    int width = 0;
    int height = 0;
};
