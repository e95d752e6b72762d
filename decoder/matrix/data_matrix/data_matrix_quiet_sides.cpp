#include "decoder/matrix/data_matrix/data_matrix_quiet_sides.h"

#include <cmath>

namespace DEC2DIvra {

namespace {

constexpr int kMaxProfile = 48;

}  // namespace

int DataMatrixQuietSides::QuietPlaces(GrayImage const& image, Point const& corner, Point const& end,
                                      Point const& other)
{
    int const ex = end.x - corner.x;
    int const ey = end.y - corner.y;
    int const length = static_cast<int>(std::sqrt(static_cast<double>(ex) * ex + static_cast<double>(ey) * ey));
    if (length < kMinLeg) {
        return kPlaces;
    }
    // The outward normal in 1/256 pixel: away from the other leg.
    int nx = -ey * 256 / length;
    int ny = ex * 256 / length;
    if (static_cast<long long>(nx) * (other.x - corner.x) + static_cast<long long>(ny) * (other.y - corner.y) > 0) {
        nx = -nx;
        ny = -ny;
    }
    // A leg is a module wide and at least eight modules long.
    int reach = length * 2 / 5 + 3;
    reach = reach > kMaxProfile - 1 ? kMaxProfile - 1 : reach;
    int quiet = 0;
    for (int k = 0; k < kPlaces; ++k) {
        // From 15 % to 90 % of the way along the leg (1/256).
        int const t = 38 + 192 * k / (kPlaces - 1);
        int const px = corner.x * 256 + 128 + ex * t;
        int const py = corner.y * 256 + 128 + ey * t;
        int v[kMaxProfile];
        int n = 0;
        for (int j = 0; j <= reach; ++j) {
            int const x = (px + nx * j) >> 8;
            int const y = (py + ny * j) >> 8;
            if (!image.IsInside(x, y)) {
                break;
            }
            v[n++] = image.At(x, y);
        }
        if (n < 4) {
            ++quiet;  // at the frame's border: nothing to judge
            continue;
        }
        int low = v[1];
        int high = v[1];
        for (int j = 2; j < n; ++j) {
            low = v[j] < low ? v[j] : low;
            high = v[j] > high ? v[j] : high;
        }
        bool const dark = high - v[0] >= v[0] - low;
        int const ground = dark ? high : low;
        if ((dark ? ground - v[0] : v[0] - ground) < kMinContrast) {
            continue;
        }
        // Two fifths of the way to the ground: a bright patch beyond the
        // quiet zone does not lift the threshold above the paper.
        int const threshold = v[0] + (ground - v[0]) * 2 / 5;
        auto onGround = [&](int j) { return dark ? v[j] > threshold : v[j] < threshold; };
        int edge = 1;
        while (edge < n && !onGround(edge)) {
            ++edge;
        }
        if (edge >= n) {
            continue;
        }
        // About a module past the edge (the edge lies half a module out).
        int const last = edge + (edge > 1 ? 2 * edge - 1 : 2);
        bool still = true;
        for (int j = edge + 1; j <= last && j < n && still; ++j) {
            still = onGround(j);
        }
        quiet += still ? 1 : 0;
    }
    return quiet;
}

bool DataMatrixQuietSides::Show(GrayImage const& image, Region const& lPattern)
{
    Point const& corner = lPattern.corner[3];
    Point const& a = lPattern.corner[0];
    Point const& b = lPattern.corner[2];
    return QuietPlaces(image, corner, a, b) >= kMinQuiet && QuietPlaces(image, corner, b, a) >= kMinQuiet;
}

}  // namespace DEC2DIvra
