#pragma once
// What stands before the simulated camera: one image, or a script of images shown one per
// captured frame (the last one stays), each already fitted to the sensor.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace plat::sim {

// A 10-bit grey image of any size, row-major, pitch = width.
struct GreyImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint16_t> samples;
};

// Largest image taken: beyond this a file is refused rather than allocated.
inline constexpr int kMaxImageSide = 16384;
inline constexpr std::size_t kMaxImagePixels = std::size_t{1} << 24;

// Checks a raw 10-bit image handed over by a test; nullopt with a reason when it is not one.
std::optional<GreyImage> rawImage(std::vector<std::uint16_t> samples, int width, int height, std::string* why);

// The mean of the image's outermost pixels, rounded: the grey that pads it.
std::uint16_t borderGrey(GreyImage const& image);

// The image centred on a width x height frame: cropped where it is larger, padded with its
// border grey where it is smaller. An odd difference puts the extra column or row on the
// right or at the bottom.
std::vector<std::uint16_t> placeImage(GreyImage const& image, int width, int height);

class FrameSource {
public:
    using Frame = std::vector<std::uint16_t>;

    void show(std::vector<Frame> frames);
    // The frame for the next capture (null: nothing before the camera), then moves on.
    Frame const* take();
    Frame const* peek() const;

private:
    std::vector<Frame> frames_;
    std::size_t next_ = 0;
};

} // namespace plat::sim
