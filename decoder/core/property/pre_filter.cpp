#include "decoder/core/property/pre_filter.h"

#include <cstdint>

namespace DEC2DIvra {

namespace {

constexpr std::size_t kAlignmentSlack = alignof(std::uint32_t) - 1;
constexpr unsigned kMaxBefore = (PreFilter::kMaxDiameter - 1) / 2;

static_assert(std::uint64_t{PreFilter::kMaxDiameter} * PreFilter::kMaxDiameter * 0xFFFFu +
                      PreFilter::kMaxDiameter * PreFilter::kMaxDiameter <
                  (std::uint64_t{1} << 32),
              "a window sum fits 32 bits");

int Clamp(int value, int last) { return value < 0 ? 0 : (value > last ? last : value); }

// The scratch memory aligned for 32-bit words; null when it is smaller than
// the filters ask for an image of this size, whatever the diameters, so that
// a change of settings never makes a frame fail.
unsigned char* AlignedScratch(VirtualArray<unsigned char> scratch, PreFilterImage const& image)
{
    unsigned char* data = scratch.GetData();
    if (data == nullptr || scratch.GetCount() < PreFilter::CalcScratchBytes(image.width, image.height)) {
        return nullptr;
    }
    std::size_t const misalignment = reinterpret_cast<std::uintptr_t>(data) % alignof(std::uint32_t);
    return misalignment == 0 ? data : data + (alignof(std::uint32_t) - misalignment);
}

// Lines are filtered kLanes at a time: down the columns every row access then
// reads neighbouring samples, and along the rows the lanes keep independent
// running picks going side by side.
constexpr int kLanes = 16;

std::size_t LineBytes(int width, int height)
{
    int const longest = width > height ? width : height;
    return 2u * (static_cast<std::size_t>(longest) + PreFilter::kMaxDiameter - 1) * kLanes * sizeof(unsigned short);
}

std::size_t MeanBytes(int width)
{
    return static_cast<std::size_t>(width) * (sizeof(std::uint32_t) + (kMaxBefore + 1) * sizeof(unsigned short));
}

struct PickLower {
    unsigned short operator()(unsigned short a, unsigned short b) const { return b < a ? b : a; }
};

struct PickHigher {
    unsigned short operator()(unsigned short a, unsigned short b) const { return b > a ? b : a; }
};

// Running minimum or maximum along `Lanes` lines of `count` samples `step`
// apart, the lines `laneStep` apart, in three passes over blocks of
// `diameter` samples: suffix picks, prefix picks, then each window as the pick
// of one suffix and one prefix. The buffers hold the border-padded lines,
// their lanes interleaved.
template <int Lanes, class Pick>
void FilterLines(unsigned short* first, int count, std::ptrdiff_t step, std::ptrdiff_t laneStep, unsigned diameter,
                 unsigned short* prefix, unsigned short* suffix, Pick pick)
{
    int const d = static_cast<int>(diameter);
    int const before = (d - 1) / 2;
    int const length = count + d - 1;
    for (int j = 0; j < length; ++j) {
        unsigned short const* source = first + Clamp(j - before, count - 1) * step;
        for (int k = 0; k < Lanes; ++k) {
            prefix[j * Lanes + k] = source[k * laneStep];
        }
    }
    for (int start = 0; start < length; start += d) {
        int const end = (start + d < length ? start + d : length) - 1;
        for (int k = 0; k < Lanes; ++k) {
            suffix[end * Lanes + k] = prefix[end * Lanes + k];
        }
        for (int j = end - 1; j >= start; --j) {
            for (int k = 0; k < Lanes; ++k) {
                suffix[j * Lanes + k] = pick(prefix[j * Lanes + k], suffix[(j + 1) * Lanes + k]);
            }
        }
        for (int j = start + 1; j <= end; ++j) {
            for (int k = 0; k < Lanes; ++k) {
                prefix[j * Lanes + k] = pick(prefix[(j - 1) * Lanes + k], prefix[j * Lanes + k]);
            }
        }
    }
    for (int i = 0; i < count; ++i) {
        unsigned short* target = first + i * step;
        for (int k = 0; k < Lanes; ++k) {
            target[k * laneStep] = pick(suffix[i * Lanes + k], prefix[(i + d - 1) * Lanes + k]);
        }
    }
}

template <class Pick>
bool FilterSeparable(PreFilterImage const& image, unsigned diameterX, unsigned diameterY,
                     VirtualArray<unsigned char> scratch, Pick pick)
{
    if (!PreFilter::IsValidImage(image) || !PreFilter::IsValidDiameter(diameterX) ||
        !PreFilter::IsValidDiameter(diameterY)) {
        return false;
    }
    unsigned char* memory = AlignedScratch(scratch, image);
    if (memory == nullptr) {
        return false;
    }
    int const longest = image.width > image.height ? image.width : image.height;
    auto* prefix = reinterpret_cast<unsigned short*>(memory);
    unsigned short* suffix = prefix + (longest + PreFilter::kMaxDiameter - 1) * kLanes;
    if (diameterX > 1) {
        std::ptrdiff_t const pitch = image.pitch;
        int y = 0;
        for (; y + kLanes <= image.height; y += kLanes) {
            FilterLines<kLanes>(image.pixels + y * pitch, image.width, 1, pitch, diameterX, prefix, suffix, pick);
        }
        for (; y < image.height; ++y) {
            FilterLines<1>(image.pixels + y * pitch, image.width, 1, pitch, diameterX, prefix, suffix, pick);
        }
    }
    if (diameterY > 1) {
        int x = 0;
        for (; x + kLanes <= image.width; x += kLanes) {
            FilterLines<kLanes>(image.pixels + x, image.height, image.pitch, 1, diameterY, prefix, suffix, pick);
        }
        for (; x < image.width; ++x) {
            FilterLines<1>(image.pixels + x, image.height, image.pitch, 1, diameterY, prefix, suffix, pick);
        }
    }
    return true;
}

}  // namespace

bool PreFilter::IsValidImage(PreFilterImage const& image)
{
    return image.pixels != nullptr && image.width >= 1 && image.height >= 1 && image.width <= kMaxSide &&
           image.height <= kMaxSide && image.pitch >= image.width;
}

std::size_t PreFilter::CalcScratchBytes(int width, int height)
{
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) {
        return 0;
    }
    std::size_t const line = LineBytes(width, height);
    std::size_t const mean = MeanBytes(width);
    return (line > mean ? line : mean) + kAlignmentSlack;
}

bool PreFilter::Minimum(PreFilterImage const& image, unsigned diameterX, unsigned diameterY,
                        VirtualArray<unsigned char> scratch)
{
    return FilterSeparable(image, diameterX, diameterY, scratch, PickLower());
}

bool PreFilter::Maximum(PreFilterImage const& image, unsigned diameterX, unsigned diameterY,
                        VirtualArray<unsigned char> scratch)
{
    return FilterSeparable(image, diameterX, diameterY, scratch, PickHigher());
}

// Column sums over the window are kept for the current row and moved down one
// row at a time; the rows already overwritten that the sums still have to drop
// are kept in a ring of (diameterY - 1) / 2 + 1 rows. Each output is the row
// sum of the column sums over the window, moved along the row likewise.
bool PreFilter::Mean(PreFilterImage const& image, unsigned diameterX, unsigned diameterY,
                     VirtualArray<unsigned char> scratch)
{
    if (!IsValidImage(image) || !IsValidDiameter(diameterX) || !IsValidDiameter(diameterY)) {
        return false;
    }
    unsigned char* memory = AlignedScratch(scratch, image);
    if (memory == nullptr) {
        return false;
    }
    if (diameterX == 1 && diameterY == 1) {
        return true;
    }
    int const width = image.width;
    int const lastX = width - 1;
    int const lastY = image.height - 1;
    int const beforeX = static_cast<int>(diameterX - 1) / 2;
    int const afterX = static_cast<int>(diameterX) / 2;
    int const beforeY = static_cast<int>(diameterY - 1) / 2;
    int const afterY = static_cast<int>(diameterY) / 2;
    int const ringRows = beforeY + 1;
    std::uint32_t const area = diameterX * diameterY;
    std::uint32_t const half = area / 2;

    auto* columns = reinterpret_cast<std::uint32_t*>(memory);
    auto* ring = reinterpret_cast<unsigned short*>(columns + width);
    auto row = [&image](int y) { return image.pixels + static_cast<std::ptrdiff_t>(y) * image.pitch; };

    for (int x = 0; x < width; ++x) {
        columns[x] = 0;
    }
    for (int k = -beforeY; k <= afterY; ++k) {
        unsigned short const* source = row(Clamp(k, lastY));
        for (int x = 0; x < width; ++x) {
            columns[x] += source[x];
        }
    }

    for (int y = 0; y <= lastY; ++y) {
        unsigned short* current = row(y);
        if (y > 0) {
            // The row entering below is still original; the one leaving above
            // has been overwritten and comes from the ring.
            unsigned short const* entering = row(y + afterY < lastY ? y + afterY : lastY);
            int const leavingY = y - 1 - beforeY > 0 ? y - 1 - beforeY : 0;
            unsigned short const* leaving = ring + static_cast<std::ptrdiff_t>(leavingY % ringRows) * width;
            for (int x = 0; x < width; ++x) {
                columns[x] += static_cast<std::uint32_t>(entering[x]) - leaving[x];
            }
        }
        unsigned short* saved = ring + static_cast<std::ptrdiff_t>(y % ringRows) * width;
        for (int x = 0; x < width; ++x) {
            saved[x] = current[x];
        }

        std::uint32_t sum = 0;
        for (int k = -beforeX; k <= afterX; ++k) {
            sum += columns[Clamp(k, lastX)];
        }
        for (int x = 0; x < width; ++x) {
            current[x] = static_cast<unsigned short>((sum + half) / area);
            sum += columns[Clamp(x + 1 + afterX, lastX)] - columns[Clamp(x - beforeX, lastX)];
        }
    }
    return true;
}

}  // namespace DEC2DIvra
