#include "decoder/matrix/qr/qr_mini_finder_searcher.h"

#include "decoder/core/containers/variable_size_virtual_table.h"
#include "decoder/core/geometry/geometry.h"
#include "decoder/core/sampling/common_binarization_subroutine.h"
#include "decoder/core/sampling/common_luminance_map.h"

namespace DEC2DIvra {

int QRMiniFinderSearcher::StartPart(GrayImage const& image, Rectangle const& window, unsigned moduleSize,
                                    unsigned minContrast, bool polarity, unsigned shift, Point& centre,
                                    unsigned& size, unsigned rank) const
{
    if (image.GetPixels() == nullptr || window.right < window.left || window.bottom < window.top || shift > 15) {
        return 0;
    }
    // A window from a map gone wild lies far off any frame: its sides and
    // margins must stay clear of int overflow.
    constexpr int kFarthest = 1 << 20;
    if (window.left < -kFarthest || window.top < -kFarthest || window.right > kFarthest ||
        window.bottom > kFarthest) {
        return 0;
    }
    Grid grid;
    int const extent = (window.right - window.left > window.bottom - window.top ? window.right - window.left
                                                                                : window.bottom - window.top);
    grid.step = extent / kSteps > 1 ? extent / kSteps : 1;
    int const margin = 3 * grid.step;
    int left = window.left - margin;
    int top = window.top - margin;
    int right = window.right + margin;
    int bottom = window.bottom + margin;
    left = left < 0 ? 0 : left;
    top = top < 0 ? 0 : top;
    right = right >= image.GetWidth() ? image.GetWidth() - 1 : right;
    bottom = bottom >= image.GetHeight() ? image.GetHeight() - 1 : bottom;
    grid.left = left;
    grid.top = top;
    grid.width = (right - left) / grid.step + 1;
    grid.height = (bottom - top) / grid.step + 1;
    if (grid.width < 5 || grid.height < 5 || grid.width > kMaxCells || grid.height > kMaxCells) {
        return 0;
    }
    CommonLuminanceMap map(VirtualArray<unsigned short>(grid.grey, kMaxCells * kMaxCells));
    if (!map.SetSize(static_cast<unsigned>(grid.width), static_cast<unsigned>(grid.height))) {
        return 0;
    }
    for (int y = 0; y < grid.height; ++y) {
        for (int x = 0; x < grid.width; ++x) {
            map.At(static_cast<unsigned>(x), static_cast<unsigned>(y)) =
                image.At(left + x * grid.step, top + y * grid.step);
        }
    }
    VariableSizeVirtualTable<bool> decided(grid.light, kMaxCells * kMaxCells);
    if (!CommonBinarizationSubroutine().Start(map, polarity, decided)) {
        return 0;
    }
    return Search(grid, window, moduleSize, minContrast, polarity, shift, centre, size, rank);
}

int QRMiniFinderSearcher::Search(Grid& grid, Rectangle const& window, unsigned moduleSize, unsigned minContrast,
                                 bool polarity, unsigned shift, Point& centre, unsigned& size, unsigned rank) const
{
    if (CalcContrast(grid) < minContrast) {
        return 0;
    }
    CalcRankMap(grid);
    if (CalcMiniFinderPoint(grid, window, moduleSize, polarity, shift, rank, centre, size)) {
        return 1;
    }
    if (moduleSize >= 512 || rank < 3) {
        return 0;
    }
    // A small pattern blurs into its surroundings: a larger blob one rank
    // lower, or the same size two ranks lower, the one nearer the centre.
    Point a;
    Point b;
    unsigned sizeA = 0;
    unsigned sizeB = 0;
    bool const foundA = CalcMiniFinderPoint(grid, window, moduleSize * 14 / 5, polarity, shift, rank - 1, a, sizeA);
    bool const foundB = CalcMiniFinderPoint(grid, window, moduleSize, polarity, shift, rank - 2, b, sizeB);
    if (!foundA && !foundB) {
        return 0;
    }
    Point const middle{((window.left + window.right) << shift) / 2, ((window.top + window.bottom) << shift) / 2};
    bool const takeA = foundA && (!foundB || Geometry::CalcChebyshevDistance(a, middle) <=
                                                 Geometry::CalcChebyshevDistance(b, middle));
    centre = takeA ? a : b;
    size = takeA ? sizeA : sizeB;
    return 1;
}

unsigned QRMiniFinderSearcher::CalcContrast(Grid const& grid)
{
    long long sums[2] = {0, 0};
    long long counts[2] = {0, 0};
    for (int i = 0; i < grid.width * grid.height; ++i) {
        sums[grid.light[i] ? 1 : 0] += grid.grey[i];
        ++counts[grid.light[i] ? 1 : 0];
    }
    if (counts[0] == 0 || counts[1] == 0) {
        return 0;
    }
    long long const d = sums[1] / counts[1] - sums[0] / counts[0];
    return static_cast<unsigned>(d < 0 ? -d : d);
}

void QRMiniFinderSearcher::CalcRankMap(Grid& grid)
{
    int const w = grid.width;
    int const h = grid.height;
    auto parity = [&](int i) { return static_cast<unsigned char>(grid.light[i] ? 0 : 1); };
    auto rowPasses = [&](int y) {
        unsigned char* r = grid.rank + y * w;
        r[0] = static_cast<unsigned char>(r[0] & 1);
        r[w - 1] = static_cast<unsigned char>(r[w - 1] & 1);
        for (int x = 1; x < w; ++x) {
            while (r[x] >= r[x - 1] + 2) {
                r[x] = static_cast<unsigned char>(r[x] - 2);
            }
        }
        for (int x = w - 2; x >= 0; --x) {
            while (r[x] >= r[x + 1] + 2) {
                r[x] = static_cast<unsigned char>(r[x] - 2);
            }
        }
    };
    for (int x = 0; x < w; ++x) {
        grid.rank[x] = parity(x);
    }
    for (int y = 1; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int const i = y * w + x;
            int const above = grid.rank[i - w];
            int const r = grid.light[i] == grid.light[i - w] ? above : above + 1;
            grid.rank[i] = static_cast<unsigned char>(r > 250 ? 250 + (r & 1) : r);
        }
        rowPasses(y);
    }
    for (int x = 0; x < w; ++x) {
        grid.rank[(h - 1) * w + x] = parity((h - 1) * w + x);
    }
    rowPasses(h - 1);
    for (int y = h - 2; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            int const i = y * w + x;
            while (grid.rank[i] >= grid.rank[i + w] + 2) {
                grid.rank[i] = static_cast<unsigned char>(grid.rank[i] - 2);
            }
        }
        rowPasses(y);
    }
}

bool QRMiniFinderSearcher::CalcMiniFinderPointPart(Grid const& grid, int seed, unsigned rank, unsigned maxCells,
                                                   bool polarity, unsigned char* visited, long long& x, long long& y,
                                                   long long& weight, unsigned& cells)
{
    int const w = grid.width;
    int const h = grid.height;
    unsigned const least = rank >= 3 ? rank - 1 : rank;
    unsigned short stack[kMaxCells * kMaxCells];
    unsigned top = 0;
    bool enclosed = true;
    stack[top++] = static_cast<unsigned short>(seed);
    visited[seed] = 1;
    // The blob's cells, then weighted by how far their grey lies from the
    // blob's lightest (darkest) one.
    unsigned short members[kMaxCells * kMaxCells];
    unsigned count = 0;
    while (top > 0) {
        int const i = stack[--top];
        members[count++] = static_cast<unsigned short>(i);
        int const cx = i % w;
        int const cy = i / w;
        if (cx == 0 || cy == 0 || cx == w - 1 || cy == h - 1) {
            enclosed = false;
        }
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                int const nx = cx + dx;
                int const ny = cy + dy;
                if ((dx == 0 && dy == 0) || nx < 0 || ny < 0 || nx >= w || ny >= h) {
                    continue;
                }
                int const n = ny * w + nx;
                if (visited[n] == 0 && grid.rank[n] >= least) {
                    visited[n] = 1;
                    stack[top++] = static_cast<unsigned short>(n);
                }
            }
        }
    }
    if (!enclosed || count > maxCells || count == 0) {
        return false;
    }
    // Odd ranks are dark cells (light ones with the polarity flag set).
    bool const darkBlob = (rank & 1u) != 0;
    bool const brightest = darkBlob != polarity;
    int extreme = grid.grey[members[0]];
    for (unsigned k = 0; k < count; ++k) {
        int const g = grid.grey[members[k]];
        extreme = brightest ? (g > extreme ? g : extreme) : (g < extreme ? g : extreme);
    }
    long long sx = 0;
    long long sy = 0;
    long long total = 0;
    for (unsigned k = 0; k < count; ++k) {
        int const g = grid.grey[members[k]];
        long long const weight = (brightest ? extreme - g : g - extreme) + 1;
        sx += weight * (grid.left + (members[k] % w) * grid.step);
        sy += weight * (grid.top + (members[k] / w) * grid.step);
        total += weight;
    }
    x = sx;
    y = sy;
    weight = total;
    cells = count;
    return true;
}

bool QRMiniFinderSearcher::CalcMiniFinderPoint(Grid const& grid, Rectangle const& window, unsigned moduleSize,
                                               bool polarity, unsigned shift, unsigned rank, Point& centre,
                                               unsigned& size)
{
    int const w = grid.width;
    int const h = grid.height;
    // At most the pattern's 5 x 5 modules, in cells.
    long long const module = moduleSize;
    long long const bound = 25 * module * module / (256LL * 256 * grid.step * grid.step) + 4;
    unsigned char visited[kMaxCells * kMaxCells] = {};
    long long const mx = (static_cast<long long>(window.left + window.right) << shift) / 2;
    long long const my = (static_cast<long long>(window.top + window.bottom) << shift) / 2;
    bool found = false;
    long long nearest = 0;
    for (int i = 0; i < w * h; ++i) {
        if (visited[i] != 0 || grid.rank[i] != rank) {
            continue;
        }
        long long sx = 0;
        long long sy = 0;
        long long weight = 0;
        unsigned cells = 0;
        if (!CalcMiniFinderPointPart(grid, i, rank, static_cast<unsigned>(bound), polarity, visited, sx, sy, weight,
                                     cells)) {
            continue;
        }
        long long const cx = ((sx << shift) + weight / 2) / weight;
        long long const cy = ((sy << shift) + weight / 2) / weight;
        long long const d = (cx - mx < 0 ? mx - cx : cx - mx) + (cy - my < 0 ? my - cy : cy - my);
        if (!found || d < nearest) {
            found = true;
            nearest = d;
            centre = Point{static_cast<int>(cx), static_cast<int>(cy)};
            long long side = 1;
            while (side * side < static_cast<long long>(cells)) {
                ++side;
            }
            size = static_cast<unsigned>((side * grid.step) << 8);
        }
    }
    return found;
}

}  // namespace DEC2DIvra
