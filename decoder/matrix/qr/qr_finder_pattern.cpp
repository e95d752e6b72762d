#include "decoder/matrix/qr/qr_finder_pattern.h"

namespace DEC2DIvra {

void QRFinderPartialScanData::Push(Run const& run)
{
    if (count_ < 5) {
        runs_[count_++] = run;
        return;
    }
    for (unsigned i = 0; i + 1 < 5; ++i) {
        runs_[i] = runs_[i + 1];
    }
    runs_[4] = run;
}

bool QRFinderPartialScanData::IsFinderPattern() const
{
    if (count_ < 5) {
        return false;
    }
    unsigned pixels = 0;
    for (Run const& r : runs_) {
        pixels += r.pixels;
    }
    long long w[5];
    for (unsigned i = 0; i < 5; ++i) {
        w[i] = pixels > 14 ? static_cast<long long>(runs_[i].end) - runs_[i].begin : runs_[i].pixels;
        if (w[i] <= 0) {
            return false;
        }
    }
    long long const t = w[0] + w[1] + w[2] + w[3] + w[4];
    long long const d = w[0] + w[2] + w[4];
    auto within = [](long long v, long long low, long long high) { return v >= low && v <= high; };
    long long const low24 = w[1] < w[3] ? w[1] : w[3];
    return within(w[0] + w[1], t / 4, 6 * t / 8) && within(w[3] + w[4], t / 4, 6 * t / 8) &&
           within(w[2], 4 * d / 10, 8 * d / 10) && within(w[0], d / 20, 4 * d / 10) &&
           within(w[4], d / 20, 4 * d / 10) && low24 >= (w[1] + w[3]) / 4;
}

int CalcCenterBlackPointSubroutine::Start(GrayImage const& image, Rectangle const& window, unsigned short threshold,
                                          bool polarity, Point& centre) const
{
    int const width = window.right - window.left + 1;
    int const height = window.bottom - window.top + 1;
    if (width < 3 || height < 3 || image.GetPixels() == nullptr) {
        return 0;
    }
    int const longer = width > height ? width : height;
    int k = 1;
    while ((longer + k - 1) / k > kCells) {
        ++k;
    }
    int const columns = (width + k - 1) / k;
    int const rows = (height + k - 1) / k;
    unsigned char visited[kCells * kCells] = {};
    unsigned short stack[kCells * kCells];
    unsigned top = 0;
    auto isDark = [&](int cx, int cy) {
        unsigned short const v = image.AtClamped(window.left + k * cx, window.top + k * cy);
        return polarity ? v > threshold : v < threshold;
    };
    int const startX = columns / 2;
    int const startY = rows / 2;
    visited[startY * kCells + startX] = 1;
    stack[top++] = static_cast<unsigned short>(startY * kCells + startX);
    static constexpr int kStepX[8] = {1, 1, 0, -1, -1, -1, 0, 1};
    static constexpr int kStepY[8] = {0, 1, 1, 1, 0, -1, -1, -1};
    bool metDark = false;
    long long sumX = 0;
    long long sumY = 0;
    long long count = 0;
    while (top > 0) {
        unsigned const cell = stack[--top];
        int const cx = static_cast<int>(cell % kCells);
        int const cy = static_cast<int>(cell / kCells);
        bool const dark = isDark(cx, cy);
        if (dark) {
            if (cx == 0 || cy == 0 || cx == columns - 1 || cy == rows - 1) {
                return 0;  // the blob is not enclosed by the window
            }
            if (!metDark) {
                // The spread from the centre ends here: only dark cells
                // grow the blob from now on.
                metDark = true;
            }
            sumX += window.left + k * cx;
            sumY += window.top + k * cy;
            ++count;
        } else if (metDark) {
            continue;
        }
        for (unsigned n = 0; n < 8; ++n) {
            int const nx = cx + kStepX[n];
            int const ny = cy + kStepY[n];
            if (nx < 0 || ny < 0 || nx >= columns || ny >= rows || visited[ny * kCells + nx] != 0) {
                continue;
            }
            if (metDark && !isDark(nx, ny)) {
                continue;
            }
            visited[ny * kCells + nx] = 1;
            stack[top++] = static_cast<unsigned short>(ny * kCells + nx);
        }
    }
    if (count == 0) {
        return 0;
    }
    centre.x = static_cast<int>((sumX * 256 + count / 2) / count);
    centre.y = static_cast<int>((sumY * 256 + count / 2) / count);
    return 1;
}

}  // namespace DEC2DIvra
