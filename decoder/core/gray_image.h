#pragma once

namespace DEC2DIvra {

// A view of one grey frame: 10-bit samples held in 16 bits, sample (x, y) at
// index y * pitch + x. The view never owns or changes the samples.
class GrayImage {
public:
    GrayImage() = default;
    GrayImage(int width, int height, int pitch, unsigned short const* pixels)
        : width_(width), height_(height), pitch_(pitch), pixels_(pixels) {}

    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }
    int GetPitch() const { return pitch_; }
    unsigned short const* GetPixels() const { return pixels_; }

    bool IsInside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    // Unchecked read; the caller has made sure (x, y) is inside.
    unsigned short At(int x, int y) const { return pixels_[static_cast<long long>(y) * pitch_ + x]; }

    // Read with the coordinates clamped to the image, so that sampling next to
    // the border never leaves the frame. An empty image reads 0.
    unsigned short AtClamped(int x, int y) const
    {
        if (width_ <= 0 || height_ <= 0 || pixels_ == nullptr) {
            return 0;
        }
        x = x < 0 ? 0 : (x >= width_ ? width_ - 1 : x);
        y = y < 0 ? 0 : (y >= height_ ? height_ - 1 : y);
        return At(x, y);
    }

private:
    int width_ = 0;
    int height_ = 0;
    int pitch_ = 0;
    unsigned short const* pixels_ = nullptr;
};

}  // namespace DEC2DIvra
