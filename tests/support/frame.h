#pragma once
// A 10-bit grey frame as the capture device delivers it, and the scene effects
// that act on a whole frame once every symbol is drawn.
//
// Coordinates are continuous: pixel (x, y) covers [x, x+1) x [y, y+1), so its
// centre is (x + 0.5, y + 0.5). All effects are deterministic for a given seed.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace support {

inline constexpr int kFrameWidth = 640;
inline constexpr int kFrameHeight = 480;
inline constexpr int kMaxLevel = 1023;

struct Frame {
    int width = 0;
    int height = 0;
    std::vector<uint16_t> pixels{}; // row-major, pitch = width, values 0..kMaxLevel

    bool valid() const
    {
        return width > 0 && height > 0 && pixels.size() == static_cast<size_t>(width) * static_cast<size_t>(height);
    }
    uint16_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]; }
    uint16_t& at(int x, int y) { return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]; }
};

Frame makeFrame(int width = kFrameWidth, int height = kFrameHeight, int level = 512);

struct Point {
    double x = 0.0;
    double y = 0.0;
};

// Four corners in order around a symbol: top-left, top-right, bottom-right,
// bottom-left as the symbol reads, whatever its angle in the frame.
using Quad = std::array<Point, 4>;

// Signed distance from the quadrilateral's outline: negative inside, positive
// outside. The quadrilateral must be convex (either winding).
double distanceOutside(Quad const& quad, Point p);

// Uneven lighting: the frame is multiplied by a gain that runs linearly from
// 1 - amount/2 to 1 + amount/2 across the frame along `angleDegrees`
// (0 = brighter to the right, 90 = brighter downwards).
void applyLighting(Frame& frame, double amount, double angleDegrees);

// Gaussian blur of the given sigma in pixels; edges repeat the border pixel.
void applyBlur(Frame& frame, double sigma);

// Additive Gaussian noise of the given sigma in grey levels. The generator is
// our own, so the same seed gives the same frame on every library and machine.
void applyNoise(Frame& frame, double sigma, uint64_t seed);

// Light for dark: v -> 1023 - v.
void invert(Frame& frame);

} // namespace support
