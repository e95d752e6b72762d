#include "platform/sim/frame_source.h"

#include "platform/sim/camera_types.h"

#include <algorithm>

namespace plat::sim {
namespace {

void reason(std::string* why, char const* text)
{
    if (why != nullptr) {
        *why = text;
    }
}

} // namespace

std::optional<GreyImage> rawImage(std::vector<std::uint16_t> samples, int width, int height, std::string* why)
{
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide) {
        reason(why, "frame size out of range");
        return std::nullopt;
    }
    if (samples.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        reason(why, "sample count does not match the frame size");
        return std::nullopt;
    }
    if (std::any_of(samples.begin(), samples.end(), [](std::uint16_t v) { return v > kSensorMaxLevel; })) {
        reason(why, "sample above 1023");
        return std::nullopt;
    }
    return GreyImage{width, height, std::move(samples)};
}

std::uint16_t borderGrey(GreyImage const& image)
{
    auto const w = static_cast<std::size_t>(image.width);
    auto const h = static_cast<std::size_t>(image.height);
    if (w == 0 || h == 0 || image.samples.size() != w * h) {
        return 0;
    }
    std::uint64_t sum = 0;
    std::uint64_t count = 0;
    for (std::size_t y = 0; y < h; ++y) {
        std::uint16_t const* row = image.samples.data() + y * w;
        if (y == 0 || y == h - 1) {
            for (std::size_t x = 0; x < w; ++x) {
                sum += row[x];
            }
            count += w;
        } else {
            sum += row[0];
            ++count;
            if (w > 1) {
                sum += row[w - 1];
                ++count;
            }
        }
    }
    return static_cast<std::uint16_t>((sum + count / 2) / count);
}

std::vector<std::uint16_t> placeImage(GreyImage const& image, int width, int height)
{
    auto const fw = static_cast<std::size_t>(std::max(width, 0));
    auto const fh = static_cast<std::size_t>(std::max(height, 0));
    std::vector<std::uint16_t> frame(fw * fh, borderGrey(image));
    auto const iw = static_cast<std::size_t>(std::max(image.width, 0));
    auto const ih = static_cast<std::size_t>(std::max(image.height, 0));
    if (iw == 0 || ih == 0 || image.samples.size() != iw * ih) {
        return frame;
    }
    // Each side of the overlap: where it starts in the image and in the frame.
    std::size_t const cols = std::min(iw, fw);
    std::size_t const rows = std::min(ih, fh);
    std::size_t const fromX = (iw - cols) / 2;
    std::size_t const fromY = (ih - rows) / 2;
    std::size_t const toX = (fw - cols) / 2;
    std::size_t const toY = (fh - rows) / 2;
    for (std::size_t y = 0; y < rows; ++y) {
        auto const source = image.samples.begin() + static_cast<std::ptrdiff_t>((fromY + y) * iw + fromX);
        std::copy(source, source + static_cast<std::ptrdiff_t>(cols),
                  frame.begin() + static_cast<std::ptrdiff_t>((toY + y) * fw + toX));
    }
    return frame;
}

void FrameSource::show(std::vector<Frame> frames)
{
    frames_ = std::move(frames);
    next_ = 0;
}

FrameSource::Frame const* FrameSource::take()
{
    Frame const* frame = peek();
    if (next_ + 1 < frames_.size()) {
        ++next_;
    }
    return frame;
}

FrameSource::Frame const* FrameSource::peek() const
{
    return frames_.empty() ? nullptr : &frames_[next_];
}

} // namespace plat::sim
