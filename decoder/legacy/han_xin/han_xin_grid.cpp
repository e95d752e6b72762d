#include "decoder/legacy/han_xin/han_xin_grid.h"

#include "decoder/legacy/han_xin/han_xin_finder_function.h"
#include "decoder/legacy/han_xin/han_xin_lattice.h"
#include "decoder/legacy/han_xin/han_xin_version.h"
#include "decoder/legacy/engine/legacy_linear_system.h"

#include <cmath>

unsigned short CHINA_module_grid[kHanXinMaxSize * kHanXinMaxSize];

namespace {

// Grey samples of the grid, before the cut.
unsigned short gGrey[kHanXinMaxSize * kHanXinMaxSize];

// Module position of each corner's block centre.
void BlockCentre(int corner, int size, double* column, double* row)
{
    double const far = size - 5.5;
    double const at[4][2] = {{5.5, 5.5}, {far, 5.5}, {far, far}, {1.5, size - 1.5}};
    *column = at[corner & 3][0];
    *row = at[corner & 3][1];
}

constexpr double kQuarter = 1.57079632679489661923;

int FirstValidCorner()
{
    for (int c = 0; c < 4; ++c) {
        if (CHINA_finder[c].valid != 0) {
            return c;
        }
    }
    return -1;
}

int ValidFinders()
{
    int n = 0;
    for (int c = 0; c < 4; ++c) {
        n += CHINA_finder[c].valid != 0 ? 1 : 0;
    }
    return n;
}

bool MappingFor(int size, HanXinMapping* mapping);

// The similarity about one finder: its own size and the turn its L corner
// gives the symbol's x axis, 135 degrees on from the top-left L's corner,
// which the others' point a quarter turn on per corner (the bottom-left one,
// pointing inwards, a quarter turn).
void FinderMapping(int corner, int size, HanXinMapping* mapping)
{
    CHINA_FINDER_INFO_st const& f = CHINA_finder[corner];
    double u = 0;
    double v = 0;
    BlockCentre(corner, size, &u, &v);
    double const theta = f.vertex - (corner == 3 ? 1 : corner) * kQuarter;
    double const ex = theta + 3 * kQuarter / 2;
    // Module steps along a row and down a column.
    double rx = f.module * std::cos(ex);
    double ry = f.module * std::sin(ex);
    double cx = -ry;
    double cy = rx;
    HanXinMapping fit{};
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    if (ValidFinders() >= 2 && MappingFor(size, &fit) && fit.Map(u, v, &x0, &y0) && fit.Map(u + 1, v, &x1, &y1) &&
        fit.Map(u, v + 1, &x2, &y2)) {
        // The finders' centres give the turn more closely than an L, which
        // perspective skews; the scale is this finder's own.
        double const area = std::fabs((x1 - x0) * (y2 - y0) - (y1 - y0) * (x2 - x0));
        if (area > 1e-9) {
            double const scale = f.module / std::sqrt(area);
            rx = (x1 - x0) * scale;
            ry = (y1 - y0) * scale;
            cx = (x2 - x0) * scale;
            cy = (y2 - y0) * scale;
        }
    }
    double const h[9] = {rx, cx, f.x - rx * u - cx * v, ry, cy, f.y - ry * u - cy * v, 0, 0, 1};
    for (int k = 0; k < 9; ++k) {
        mapping->h[k] = h[k];
    }
    mapping->lattice = nullptr;
}

// The mapping through the valid finders' block centres: perspective with
// four, affine with three.
bool MappingFor(int size, HanXinMapping* mapping)
{
    double u[4];
    double v[4];
    double x[4];
    double y[4];
    int n = 0;
    for (int c = 0; c < 4; ++c) {
        if (CHINA_finder[c].valid != 0) {
            BlockCentre(c, size, &u[n], &v[n]);
            x[n] = CHINA_finder[c].x;
            y[n] = CHINA_finder[c].y;
            ++n;
        }
    }
    double a[8][9] = {};
    double p[8] = {};
    if (n == 4) {
        for (int i = 0; i < 4; ++i) {
            double const rx[9] = {u[i], v[i], 1, 0, 0, 0, -u[i] * x[i], -v[i] * x[i], x[i]};
            double const ry[9] = {0, 0, 0, u[i], v[i], 1, -u[i] * y[i], -v[i] * y[i], y[i]};
            for (int k = 0; k < 9; ++k) {
                a[2 * i][k] = rx[k];
                a[2 * i + 1][k] = ry[k];
            }
        }
        if (!SolveLinearSystem(a, 8, p)) {
            return false;
        }
    } else if (n == 3) {
        for (int i = 0; i < 3; ++i) {
            double const rx[7] = {u[i], v[i], 1, 0, 0, 0, x[i]};
            double const ry[7] = {0, 0, 0, u[i], v[i], 1, y[i]};
            for (int k = 0; k < 6; ++k) {
                a[2 * i][k] = rx[k];
                a[2 * i + 1][k] = ry[k];
            }
            a[2 * i][6] = rx[6];
            a[2 * i + 1][6] = ry[6];
        }
        if (!SolveLinearSystem(a, 6, p)) {
            return false;
        }
        p[6] = 0;
        p[7] = 0;
    } else if (n == 2) {
        // Turn, scale and shift through the two centres (a symbol seen
        // square on).
        for (int i = 0; i < 2; ++i) {
            double const rx[5] = {u[i], -v[i], 1, 0, x[i]};
            double const ry[5] = {v[i], u[i], 0, 1, y[i]};
            for (int k = 0; k < 5; ++k) {
                a[2 * i][k] = rx[k];
                a[2 * i + 1][k] = ry[k];
            }
        }
        double q[4] = {};
        if (!SolveLinearSystem(a, 4, q)) {
            return false;
        }
        double const turned[8] = {q[0], -q[1], q[2], q[1], q[0], q[3], 0, 0};
        for (int k = 0; k < 8; ++k) {
            p[k] = turned[k];
        }
    } else if (n == 1) {
        FinderMapping(FirstValidCorner(), size, mapping);
        return true;
    } else {
        return false;
    }
    for (int k = 0; k < 8; ++k) {
        mapping->h[k] = p[k];
    }
    mapping->h[8] = 1;
    return true;
}

// Sizes in order of fit to the finders' spacing.
int CandidateSizes(int* sizes, int capacity)
{
    if (ValidFinders() == 1) {
        int count = 0;
        for (int version = 1; version <= kHanXinMaxVersion && count < capacity; ++version) {
            sizes[count++] = 2 * version + 21;
        }
        return count;
    }
    double errors[kHanXinMaxVersion];
    int count = 0;
    for (int version = 1; version <= kHanXinMaxVersion; ++version) {
        int const size = 2 * version + 21;
        double error = 0;
        int pairs = 0;
        for (int i = 0; i < 4; ++i) {
            for (int j = i + 1; j < 4; ++j) {
                CHINA_FINDER_INFO_st const& a = CHINA_finder[i];
                CHINA_FINDER_INFO_st const& b = CHINA_finder[j];
                if (a.valid == 0 || b.valid == 0) {
                    continue;
                }
                double ua = 0, va = 0, ub = 0, vb = 0;
                BlockCentre(i, size, &ua, &va);
                BlockCentre(j, size, &ub, &vb);
                double const modules = std::hypot(ua - ub, va - vb);
                double const measured = std::hypot(a.x - b.x, a.y - b.y) / ((a.module + b.module) / 2);
                error += std::fabs(modules - measured) / modules;
                ++pairs;
            }
        }
        errors[version - 1] = pairs > 0 ? error / pairs : 1e9;
    }
    bool taken[kHanXinMaxVersion] = {};
    while (count < capacity) {
        int best = -1;
        for (int v = 0; v < kHanXinMaxVersion; ++v) {
            if (!taken[v] && errors[v] < 0.15 && (best < 0 || errors[v] < errors[best])) {
                best = v;
            }
        }
        if (best < 0) {
            break;
        }
        taken[best] = true;
        sizes[count++] = 2 * (best + 1) + 21;
    }
    return count;
}

// Samples the modules of rows/columns [from, to) x [from, to) and cuts them
// at their own mid-range.
void SampleRegion(HanXinImage const& image, HanXinMapping const& mapping, int row0, int column0, int rows,
                  int columns, int threshold)
{
    for (int r = row0; r < row0 + rows; ++r) {
        for (int c = column0; c < column0 + columns; ++c) {
            double x = 0;
            double y = 0;
            int g = 0;
            // A module outside the frame reads 0; error correction decides.
            if (mapping.Map(c + 0.5, r + 0.5, &x, &y) && HanXinInside(image, x, y, 0)) {
                g = HanXinGrey(image, x, y);
            }
            gGrey[r * kHanXinMaxSize + c] = static_cast<unsigned short>(g);
            if (threshold >= 0) {
                CHINA_module_grid[r * kHanXinMaxSize + c] = g < threshold ? 1 : 0;
            }
        }
    }
}

int MidRange(int row0, int column0, int rows, int columns, int size, int* contrast)
{
    int lo = 1 << 30;
    int hi = -1;
    for (int r = row0 < 0 ? 0 : row0; r < row0 + rows && r < size; ++r) {
        for (int c = column0 < 0 ? 0 : column0; c < column0 + columns && c < size; ++c) {
            int const g = gGrey[r * kHanXinMaxSize + c];
            lo = g < lo ? g : lo;
            hi = g > hi ? g : hi;
        }
    }
    *contrast = hi - lo;
    return (lo + hi + 1) / 2;
}

// The four 9 x 9 corners, each cut at its own mid-range. With few (one or
// two) finders, those beside a finder are placed by that finder alone: a fit
// through two puts them off under perspective.
void SampleCorners(HanXinImage const& image, HanXinMapping const& mapping, int size, bool few)
{
    int const origins[4][2] = {{0, 0}, {0, size - 9}, {size - 9, size - 9}, {size - 9, 0}};
    for (int corner = 0; corner < 4; ++corner) {
        int const* o = origins[corner];
        HanXinMapping own{};
        bool const alone = few && CHINA_finder[corner].valid != 0;
        if (alone) {
            FinderMapping(corner, size, &own);
        }
        HanXinMapping const& used = alone ? own : mapping;
        SampleRegion(image, used, o[0], o[1], 9, 9, -1);
        int contrast = 0;
        int const threshold = MidRange(o[0], o[1], 9, 9, size, &contrast);
        SampleRegion(image, used, o[0], o[1], 9, 9, threshold);
    }
}

// Whether the finders' own halves of the function information (corners 0
// and 2), read about each finder alone, name this size, or hold none.
bool LatticeWorthSearching(HanXinImage const& image, int size, int valid)
{
    bool named = false;
    for (int corner = 0; corner <= 2; corner += 2) {
        if (CHINA_finder[corner].valid == 0) {
            continue;
        }
        HanXinMapping own{};
        FinderMapping(corner, size, &own);
        int const at = corner == 0 ? 0 : size - 9;
        SampleRegion(image, own, at, at, 9, 9, -1);
        int contrast = 0;
        SampleRegion(image, own, at, at, 9, 9, MidRange(at, at, 9, 9, size, &contrast));
        int const version = HanXinVersionBesideCorner(CHINA_module_grid, size, corner);
        if (2 * version + 21 == size) {
            return true;
        }
        named = named || version > 0;
    }
    return valid == 2 && !named;
}

HanXinLattice gFunctionLattice;

// The symbol's size in modules from the spacing of each pair of finders
// (neighbours and diagonals) against their own module size, averaged and
// rounded; 0 with fewer than two finders.
int MeasuredSize()
{
    double sum = 0;
    int pairs = 0;
    for (int i = 0; i < 4; ++i) {
        for (int j = i + 1; j < 4; ++j) {
            CHINA_FINDER_INFO_st const& a = CHINA_finder[i];
            CHINA_FINDER_INFO_st const& b = CHINA_finder[j];
            if (a.valid == 0 || b.valid == 0 || a.module + b.module <= 0) {
                continue;
            }
            double const modules = std::hypot(a.x - b.x, a.y - b.y) / ((a.module + b.module) / 2);
            // The block centres' spacing grows with the size: the size whose
            // spacing comes nearest.
            int nearest = 0;
            double least = 1e9;
            for (int size = 11; size <= 2 * kHanXinMaxSize; ++size) {
                double ua = 0, va = 0, ub = 0, vb = 0;
                BlockCentre(i, size, &ua, &va);
                BlockCentre(j, size, &ub, &vb);
                double const off = std::fabs(std::hypot(ua - ub, va - vb) - modules);
                if (off < least) {
                    least = off;
                    nearest = size;
                }
            }
            if (nearest > 11) {
                sum += nearest;
                ++pairs;
            }
        }
    }
    return pairs > 0 ? static_cast<int>(sum / pairs + 0.5) : 0;
}

// The corners of a symbol of this size sampled on the finders' own mapping
// (no lattice): false when the finders give none.
bool SampleCornersFor(HanXinImage const& image, int size, int valid, HanXinMapping* mapping)
{
    mapping->lattice = nullptr;
    if (!MappingFor(size, mapping)) {
        return false;
    }
    SampleCorners(image, *mapping, size, valid <= 2);
    return true;
}

}  // namespace

void HanXinAnchorShift(int corner, int size, HanXinMapping const& mapping, double column, double row, double* dx,
                       double* dy)
{
    *dx = 0;
    *dy = 0;
    if (ValidFinders() > 2 || corner < 0 || corner > 3 || CHINA_finder[corner].valid == 0) {
        return;
    }
    HanXinMapping own{};
    FinderMapping(corner, size, &own);
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    if (own.Map(column, row, &x1, &y1) && mapping.Map(column, row, &x0, &y0)) {
        *dx = x1 - x0;
        *dy = y1 - y0;
    }
}

bool HanXinMapping::Map(double column, double row, double* x, double* y) const
{
    double const w = h[6] * column + h[7] * row + h[8];
    if (std::fabs(w) < 1e-9) {
        return false;
    }
    *x = (h[0] * column + h[1] * row + h[2]) / w;
    *y = (h[3] * column + h[4] * row + h[5]) / w;
    if (lattice != nullptr) {
        double dx = 0;
        double dy = 0;
        HanXinLatticeShift(*lattice, column, row, &dx, &dy);
        *x += dx;
        *y += dy;
    }
    return true;
}

int get_CHINA_function_info(HanXinImage const& image, int* corrections, CHINA_FUNCTION_INFO_st* info,
                            HanXinMapping* mapping)
{
    // Blur shrinks a finder's block, which the module size is taken from:
    // the finders' spacing then names a size some versions above the true
    // one, so a good number of sizes is tried.
    int sizes[kHanXinMaxVersion];
    int const count = CandidateSizes(sizes, ValidFinders() == 1 ? kHanXinMaxVersion : 16);
    int const valid = ValidFinders();
    // The modules beside the finders as lines across the patterns place
    // them, first; taken for a size the finders' spacing allows.
    if (ReadChinaFunctionInfoAtFinders(corrections, info) == 0) {
        for (int i = 0; i < count; ++i) {
            if (sizes[i] == info->size && SampleCornersFor(image, info->size, valid, mapping)) {
                return 0;
            }
        }
    }
    for (int i = 0; i < count; ++i) {
        int const size = sizes[i];
        if (!SampleCornersFor(image, size, valid, mapping)) {
            continue;
        }
        if (ReadHanXinFunctionInfoFromGrid(CHINA_module_grid, size, info, corrections) == 0) {
            return 0;
        }
        // With one or two finders the far corners lie where a square-on view
        // puts them; the alignment lattice, searched out from the finders,
        // brings them to their place. Only for a size the finders' own
        // halves of the function information name, when they hold one.
        if (valid > 2 || !LatticeWorthSearching(image, size, valid)) {
            continue;
        }
        CHINA_FUNCTION_INFO_st guess{};
        guess.version = (size - 21) / 2;
        guess.size = size;
        if (get_param_M(&guess.m, guess.version) != 0 || get_param_K(&guess.k, guess.version) != 0 ||
            get_param_R(&guess.r, guess.version) != 0 || guess.m < 1 ||
            get_CHINA_alignment_pattern(image, guess, *mapping, &gFunctionLattice) <= 0) {
            continue;
        }
        mapping->lattice = &gFunctionLattice;
        SampleCorners(image, *mapping, size, valid <= 2);
        if (ReadHanXinFunctionInfoFromGrid(CHINA_module_grid, size, info, corrections) == 0) {
            return 0;
        }
    }
    // No pair corrects: the halves beside the finders, uncorrected, for a
    // size they name and the finders' spacing bears out.
    unsigned found = 0;
    for (int c = 0; c < 4; ++c) {
        found |= CHINA_finder[c].valid != 0 ? 1u << c : 0u;
    }
    int const measured = MeasuredSize();
    for (int i = 0; i < count; ++i) {
        int const size = sizes[i];
        if (!SampleCornersFor(image, size, valid, mapping)) {
            continue;
        }
        if (HanXinFunctionInfoUncorrected(CHINA_module_grid, size, found, measured, info, corrections) == 0) {
            return 0;
        }
    }
    mapping->lattice = nullptr;
    return -1;
}

namespace {

// Blur pulls a module toward the mean of its four neighbours: pushing it
// back by as much undoes most of it (an unsharp mask on the module grid).
void SharpenGrey(int size)
{
    static int sharp[kHanXinMaxSize * kHanXinMaxSize];
    for (int r = 0; r < size; ++r) {
        for (int c = 0; c < size; ++c) {
            int sum = 0;
            int count = 0;
            int const neighbours[4][2] = {{r - 1, c}, {r + 1, c}, {r, c - 1}, {r, c + 1}};
            for (auto const& q : neighbours) {
                if (q[0] >= 0 && q[0] < size && q[1] >= 0 && q[1] < size) {
                    sum += gGrey[q[0] * kHanXinMaxSize + q[1]];
                    ++count;
                }
            }
            int const g = gGrey[r * kHanXinMaxSize + c];
            sharp[r * kHanXinMaxSize + c] = count > 0 ? 2 * g - (sum + count / 2) / count : g;
        }
    }
    for (int r = 0; r < size; ++r) {
        for (int c = 0; c < size; ++c) {
            int const v = sharp[r * kHanXinMaxSize + c];
            gGrey[r * kHanXinMaxSize + c] = static_cast<unsigned short>(v < 0 ? 0 : (v > 65535 ? 65535 : v));
        }
    }
}

}  // namespace

int SampleHanXinGrid(HanXinImage const& image, CHINA_FUNCTION_INFO_st const& info, HanXinMapping const& mapping,
                     bool sharpen)
{
    int const size = info.size;
    double corners[4][2] = {{0, 0}, {static_cast<double>(size), 0}, {static_cast<double>(size), static_cast<double>(size)}, {0, static_cast<double>(size)}};
    for (auto const& c : corners) {
        double x = 0;
        double y = 0;
        if (!mapping.Map(c[0], c[1], &x, &y)) {
            return -1;
        }
    }
    SampleRegion(image, mapping, 0, 0, size, size, -1);
    if (sharpen) {
        SharpenGrey(size);
    }
    // Each module is cut at the mid-range of the 13 x 13 modules about it,
    // taken in tiles of 5.
    constexpr int kTile = 5;
    int const tiles = (size + kTile - 1) / kTile;
    for (int tr = 0; tr < tiles; ++tr) {
        for (int tc = 0; tc < tiles; ++tc) {
            int contrast = 0;
            int const threshold = MidRange(tr * kTile - 4, tc * kTile - 4, kTile + 8, kTile + 8, size, &contrast);
            for (int r = tr * kTile; r < (tr + 1) * kTile && r < size; ++r) {
                for (int c = tc * kTile; c < (tc + 1) * kTile && c < size; ++c) {
                    CHINA_module_grid[r * kHanXinMaxSize + c] = gGrey[r * kHanXinMaxSize + c] < threshold ? 1 : 0;
                }
            }
        }
    }
    return 0;
}
