#include "decoder/core/sampling/common_binarization_subroutine.h"

namespace DEC2DIvra {

namespace {

struct Extremes {
    unsigned short low = 0xFFFF;
    unsigned short high = 0;

    void Add(unsigned short v)
    {
        low = v < low ? v : low;
        high = v > high ? v : high;
    }
    void Add(Extremes const& e)
    {
        low = e.low < low ? e.low : low;
        high = e.high > high ? e.high : high;
    }
};

}  // namespace

bool CommonBinarizationSubroutine::Start(CommonLuminanceMap const& grid, bool polarity,
                                         VariableSizeVirtualTable<bool>& out) const
{
    unsigned const width = grid.GetWidth();
    unsigned const height = grid.GetHeight();
    if (width == 0 || height == 0 || !out.Resize(width, height)) {
        return false;
    }
    unsigned const longer = width > height ? width : height;
    unsigned const tile = (longer + kMaxTiles - 1) / kMaxTiles;
    unsigned const columns = (width + tile - 1) / tile;
    unsigned const rows = (height + tile - 1) / tile;
    Extremes tiles[kMaxTiles][kMaxTiles];
    Extremes whole;
    for (unsigned y = 0; y < height; ++y) {
        for (unsigned x = 0; x < width; ++x) {
            tiles[y / tile][x / tile].Add(grid.At(x, y));
        }
    }
    for (unsigned j = 0; j < rows; ++j) {
        for (unsigned i = 0; i < columns; ++i) {
            whole.Add(tiles[j][i]);
        }
    }
    unsigned const wholeMiddle = (static_cast<unsigned>(whole.low) + whole.high) / 2;
    // Each tile's range with the eight tiles around it; under a quarter of the
    // widest such range the tile is flat and borrows its threshold.
    Extremes around[kMaxTiles][kMaxTiles];
    unsigned widest = 0;
    for (unsigned j = 0; j < rows; ++j) {
        for (unsigned i = 0; i < columns; ++i) {
            for (unsigned v = j == 0 ? 0 : j - 1; v <= j + 1 && v < rows; ++v) {
                for (unsigned u = i == 0 ? 0 : i - 1; u <= i + 1 && u < columns; ++u) {
                    around[j][i].Add(tiles[v][u]);
                }
            }
            unsigned const range = static_cast<unsigned>(around[j][i].high - around[j][i].low);
            widest = range > widest ? range : widest;
        }
    }
    auto isFlat = [&](unsigned i, unsigned j) {
        unsigned const range = static_cast<unsigned>(around[j][i].high - around[j][i].low);
        return range == 0 || 4 * range < widest;
    };
    auto middle = [&](unsigned i, unsigned j) {
        return (static_cast<unsigned>(around[j][i].low) + around[j][i].high) / 2;
    };
    unsigned thresholds[kMaxTiles][kMaxTiles];
    for (unsigned j = 0; j < rows; ++j) {
        for (unsigned i = 0; i < columns; ++i) {
            if (!isFlat(i, j)) {
                thresholds[j][i] = middle(i, j);
                continue;
            }
            unsigned sum = 0;
            unsigned count = 0;
            for (unsigned v = j == 0 ? 0 : j - 1; v <= j + 1 && v < rows; ++v) {
                for (unsigned u = i == 0 ? 0 : i - 1; u <= i + 1 && u < columns; ++u) {
                    if (!isFlat(u, v)) {
                        sum += middle(u, v);
                        ++count;
                    }
                }
            }
            thresholds[j][i] = count == 0 ? wholeMiddle : sum / count;
        }
    }
    for (unsigned y = 0; y < height; ++y) {
        for (unsigned x = 0; x < width; ++x) {
            bool const light = grid.At(x, y) > thresholds[y / tile][x / tile];
            out.At(x, y) = light != polarity;
        }
    }
    return true;
}

}  // namespace DEC2DIvra
