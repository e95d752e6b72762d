#include "decoder/matrix/aztec/aztec_smoothed_window.h"

namespace DEC2DIvra {

namespace {

int Clamp(int v, int low, int high)
{
    return v < low ? low : (v > high ? high : v);
}

}  // namespace

WindowPlace PlaceWindow(GrayImage const& image, int x, int y, int side)
{
    WindowPlace place;
    int const width = image.GetWidth();
    int const height = image.GetHeight();
    if (side <= 0 || width <= 0 || height <= 0) {
        return place;
    }
    place.width = side < width ? side : width;
    place.height = side < height ? side : height;
    place.left = Clamp(x - place.width / 2, 0, width - place.width);
    place.top = Clamp(y - place.height / 2, 0, height - place.height);
    return place;
}

bool SmoothWindow(GrayImage const& image, WindowPlace const& place, unsigned short* out)
{
    unsigned short const* pixels = image.GetPixels();
    int const width = image.GetWidth();
    int const height = image.GetHeight();
    if (pixels == nullptr || out == nullptr || place.width <= 0 || place.height <= 0 || place.left < 0 ||
        place.top < 0 || place.left + place.width > width || place.top + place.height > height) {
        return false;
    }
    int const pitch = image.GetPitch();
    for (int v = 0; v < place.height; ++v) {
        int const y = place.top + v;
        unsigned short const* rows[3] = {pixels + static_cast<long long>(Clamp(y - 1, 0, height - 1)) * pitch,
                                         pixels + static_cast<long long>(y) * pitch,
                                         pixels + static_cast<long long>(Clamp(y + 1, 0, height - 1)) * pitch};
        // The column sums of the three rows, carried along the window's row.
        auto column = [&rows](int x) { return rows[0][x] + rows[1][x] + rows[2][x]; };
        int const first = place.left;
        int before = column(Clamp(first - 1, 0, width - 1));
        int here = column(first);
        unsigned short* line = out + static_cast<long long>(v) * place.width;
        for (int u = 0; u < place.width; ++u) {
            int const x = first + u;
            int const after = column(Clamp(x + 1, 0, width - 1));
            line[u] = static_cast<unsigned short>((before + here + after + 4) / 9);
            before = here;
            here = after;
        }
    }
    return true;
}

}  // namespace DEC2DIvra
