#pragma once

// The frame the Han Xin reader works on, and the sampling it does on it:
// bilinear grey values at fractional points and the dark/light decision of a
// scan line against its local mid-range.

struct HanXinImage {
    int width;
    int height;
    int pitch;
    unsigned short const* pixels;
    int inverted = 0;  // 1: light modules on a dark ground, read as if dark on light
};

// The engine's current frame, as the adapter handed it over.
HanXinImage GetHanXinImage();

// Bilinear grey value at (x, y) in pixels; outside the frame the nearest
// border sample.
int HanXinGrey(HanXinImage const& image, double x, double y);

// Grey value of pixel (x, y); outside the frame the nearest border pixel.
int HanXinPixel(HanXinImage const& image, int x, int y);

// Whether (x, y) lies at least margin pixels inside the frame.
bool HanXinInside(HanXinImage const& image, double x, double y, double margin);

constexpr int kHanXinMaxLineSamples = 2048;
// Below this grey-level spread a stretch of line is taken as plain.
constexpr int kHanXinMinContrast = 96;

// A scan line as alternating runs: edges[i] is the distance (pixels, from the
// start point) where run i ends; run 0 starts at 0. dark0 tells the colour of
// run 0. At most kHanXinMaxLineSamples runs.
struct HanXinRuns {
    int count;
    bool dark0;
    double edges[kHanXinMaxLineSamples];
    double length;
    double x0, y0, dx, dy;  // start point and unit step along the line
};

// Samples the line from (x0, y0) to (x1, y1) at one-pixel steps, cuts it at
// the local mid-range and fills runs; false for a line too short to hold a
// pattern.
bool HanXinSampleRuns(HanXinImage const& image, double x0, double y0, double x1, double y1, HanXinRuns* runs);
