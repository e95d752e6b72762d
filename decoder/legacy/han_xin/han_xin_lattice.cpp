#include "decoder/legacy/han_xin/han_xin_lattice.h"

#include "decoder/legacy/han_xin/han_xin_finder.h"
#include "decoder/legacy/han_xin/han_xin_function_map.h"
#include "decoder/legacy/han_xin/han_xin_grid.h"
#include "decoder/legacy/han_xin/han_xin_version.h"
#include "decoder/legacy/engine/legacy_geometry.h"

#include <cmath>
#include <initializer_list>

namespace {

constexpr unsigned short kUnknown = 2;
// Colours of the alignment lines of the symbol searched (1 dark, 0 light,
// kUnknown elsewhere).
unsigned short gColours[kHanXinMaxSize * kHanXinMaxSize];

// Modules either side of a lattice point that its template takes.
constexpr int kReach = 3;
constexpr int kMaxTemplate = (2 * kReach + 1) * (2 * kReach + 1);

struct Template {
    double u[kMaxTemplate];  // module offset from the lattice point
    double v[kMaxTemplate];
    bool dark[kMaxTemplate];
    int count;
    int darks;
};

void BuildTemplate(int size, int row, int column, Template* t)
{
    t->count = 0;
    t->darks = 0;
    for (int r = row - kReach; r <= row + kReach; ++r) {
        for (int c = column - kReach; c <= column + kReach; ++c) {
            if (r < 0 || r >= size || c < 0 || c >= size) {
                continue;
            }
            unsigned short const colour = gColours[r * kHanXinMaxSize + c];
            if (colour == kUnknown) {
                continue;
            }
            t->u[t->count] = c - column;
            t->v[t->count] = r - row;
            t->dark[t->count] = colour == 1;
            t->darks += colour == 1 ? 1 : 0;
            ++t->count;
        }
    }
}

// Local frame of the lattice point: its pixel position and the steps of one
// module along a row and down a column.
struct Local {
    double x, y;
    double ux, uy;
    double vx, vy;
};

// How much lighter the template's light modules read than its dark ones,
// the template moved by (du, dv) modules; *spread the range of its samples.
int Score(HanXinImage const& image, Template const& t, Local const& at, double du, double dv, int* spread)
{
    int dark = 0;
    int light = 0;
    int lo = 1 << 30;
    int hi = -1;
    for (int i = 0; i < t.count; ++i) {
        double const u = t.u[i] + du;
        double const v = t.v[i] + dv;
        int const g = HanXinGrey(image, at.x + u * at.ux + v * at.vx, at.y + u * at.uy + v * at.vy);
        (t.dark[i] ? dark : light) += g;
        lo = g < lo ? g : lo;
        hi = g > hi ? g : hi;
    }
    int const darks = t.darks;
    int const lights = t.count - t.darks;
    if (spread != nullptr) {
        *spread = hi - lo;
    }
    return light / lights - dark / darks;
}

// The best template position about (du, dv) within reach (modules), in
// steps of step: its score.
int BestAbout(HanXinImage const& image, Template const& t, Local const& at, double reach, double step, double* du,
              double* dv)
{
    double const u0 = *du;
    double const v0 = *dv;
    // The prediction stands on a tie.
    int best = Score(image, t, at, u0, v0, nullptr);
    int const steps = static_cast<int>(std::lround(reach / step));
    for (int j = -steps; j <= steps; ++j) {
        for (int i = -steps; i <= steps; ++i) {
            int const s = (i == 0 && j == 0) ? best : Score(image, t, at, u0 + i * step, v0 + j * step, nullptr);
            if (s > best) {
                best = s;
                *du = u0 + i * step;
                *dv = v0 + j * step;
            }
        }
    }
    return best;
}

struct Neighbours {
    double dx, dy;
    int count;
};

// The shift of point (i, j) from the points that pass the filter: between
// two on its row or column where both pass; else, when asked to extrapolate
// (a search's first guess: perspective makes the shifts grow steadily),
// carried on in a straight line from the two next to it on one side; else
// the mean of its neighbours (8-connected).
template <typename Filter>
Neighbours Predict(HanXinLattice const& lattice, int i, int j, bool extrapolate, Filter filter)
{
    auto usable = [&](int a, int b) { return a >= 0 && b >= 0 && a < lattice.lines && b < lattice.lines && filter(a, b); };
    Neighbours line{0, 0, 0};
    int const steps[2][2] = {{1, 0}, {0, 1}};
    for (auto const& d : steps) {
        if (usable(i - d[0], j - d[1]) && usable(i + d[0], j + d[1])) {
            line.dx += (lattice.dx[i - d[0]][j - d[1]] + lattice.dx[i + d[0]][j + d[1]]) / 2;
            line.dy += (lattice.dy[i - d[0]][j - d[1]] + lattice.dy[i + d[0]][j + d[1]]) / 2;
            ++line.count;
        }
    }
    int const sides[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    for (int k = 0; k < 4 && line.count == 0 && extrapolate; ++k) {
        int const* d = sides[k];
        int const a1 = i + d[0], b1 = j + d[1], a2 = i + 2 * d[0], b2 = j + 2 * d[1];
        if (usable(a1, b1) && usable(a2, b2)) {
            line.dx += 2 * lattice.dx[a1][b1] - lattice.dx[a2][b2];
            line.dy += 2 * lattice.dy[a1][b1] - lattice.dy[a2][b2];
            ++line.count;
        }
    }
    if (line.count > 0) {
        line.dx /= line.count;
        line.dy /= line.count;
        return line;
    }
    Neighbours n{0, 0, 0};
    for (int a = i - 1; a <= i + 1; ++a) {
        for (int b = j - 1; b <= j + 1; ++b) {
            if ((a == i && b == j) || !usable(a, b)) {
                continue;
            }
            n.dx += lattice.dx[a][b];
            n.dy += lattice.dy[a][b];
            ++n.count;
        }
    }
    if (n.count > 0) {
        n.dx /= n.count;
        n.dy /= n.count;
    }
    return n;
}

double Median(double* values, int n)
{
    for (int i = 1; i < n; ++i) {
        for (int k = i; k > 0 && values[k] < values[k - 1]; --k) {
            double const t = values[k];
            values[k] = values[k - 1];
            values[k - 1] = t;
        }
    }
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Status of each point of the lattice searched last: 2 found in the frame,
// 0 not.
int gStatusLines = 0;
unsigned char gStatus[kHanXinMaxLatticeLines][kHanXinMaxLatticeLines];

// Pixel position of lattice point (i, j) in 1/32 pixel.
bool LatticePoint(HanXinMapping const& base, HanXinLattice const& lattice, int i, int j, int* x, int* y)
{
    double px = 0;
    double py = 0;
    if (!base.Map(lattice.column[j] + 0.5, lattice.row[i] + 0.5, &px, &py)) {
        return false;
    }
    *x = static_cast<int>(std::lround(32 * (px + lattice.dx[i][j])));
    *y = static_cast<int>(std::lround(32 * (py + lattice.dy[i][j])));
    return true;
}

// Point (i, j) as the crossing of its row's and its column's line through
// their two nearest found points: true with its shift set.
bool RebuildFromLines(HanXinMapping const& base, HanXinLattice* lattice, int i, int j)
{
    int columns[2];
    int rows[2];
    if (lattice->found[i][j] != 0 || QR_get_2nn_index(0, 1, columns, j, i, lattice->lines) != 0 ||
        QR_get_2nn_index(1, 1, rows, i, j, lattice->lines) != 0) {
        return false;
    }
    int along[4];
    int across[4];
    if (!LatticePoint(base, *lattice, i, columns[0], &along[0], &along[1]) ||
        !LatticePoint(base, *lattice, i, columns[1], &along[2], &along[3]) ||
        !LatticePoint(base, *lattice, rows[0], j, &across[0], &across[1]) ||
        !LatticePoint(base, *lattice, rows[1], j, &across[2], &across[3])) {
        return false;
    }
    POINT_st at{};
    double px = 0;
    double py = 0;
    if (Calc_Intsec3(0, &at, along, across) != 0 ||
        !base.Map(lattice->column[j] + 0.5, lattice->row[i] + 0.5, &px, &py)) {
        return false;
    }
    double const dx = at.x / 32.0 - px;
    double const dy = at.y / 32.0 - py;
    // Two near points far from this one can cross anywhere: a crossing more
    // than a cell away from where the mapping puts it is not taken.
    double const cell = lattice->lines > 1 ? static_cast<double>(lattice->row[1] - lattice->row[0]) : 1;
    double cx = 0;
    double cy = 0;
    double ux = 0;
    double uy = 0;
    if (!base.Map(lattice->column[j] + 0.5, lattice->row[i] + 0.5, &cx, &cy) ||
        !base.Map(lattice->column[j] + 1.5, lattice->row[i] + 0.5, &ux, &uy) ||
        std::hypot(dx, dy) > cell * std::hypot(ux - cx, uy - cy)) {
        return false;
    }
    lattice->dx[i][j] = dx;
    lattice->dy[i][j] = dy;
    return true;
}

}  // namespace

void HanXinKeepLatticeStatus(HanXinLattice const& lattice)
{
    gStatusLines = lattice.lines > 0 && lattice.lines <= kHanXinMaxLatticeLines ? lattice.lines : 0;
    for (int i = 0; i < gStatusLines; ++i) {
        for (int j = 0; j < gStatusLines; ++j) {
            gStatus[i][j] = lattice.found[i][j] != 0 ? 2 : 0;
        }
    }
}

int CHINA_get_lattice_status(int x, int y)
{
    if (x < 0 || y < 0 || x >= gStatusLines || y >= gStatusLines) {
        return -1;
    }
    return gStatus[y][x] == 2 || gStatus[y][x] == 3 ? 0 : -1;
}

int QR_get_2nn_index(int kind, int dir, int* out, int a, int b, int n)
{
    int taken = 0;
    int const first = dir < 0 ? -1 : 1;
    for (int step = 1; step < n && taken < 2; ++step) {
        for (int side : {first, -first}) {
            int const k = a + side * step;
            if (k < 0 || k >= n || taken >= 2) {
                continue;
            }
            int const usable = kind == 0 ? CHINA_get_lattice_status(k, b) : CHINA_get_lattice_status(b, k);
            if (usable == 0) {
                out[taken++] = k;
            }
        }
    }
    return taken == 2 ? 0 : -1;
}

int get_CHINA_alignment_pattern(HanXinImage const& image, CHINA_FUNCTION_INFO_st const& info,
                                HanXinMapping const& mapping, HanXinLattice* lattice)
{
    int const size = info.size;
    int const m = info.m;
    int const k = info.k;
    int const lines = m + 2;
    if (m < 1 || lines > kHanXinMaxLatticeLines || k < 1 || size > kHanXinMaxSize) {
        lattice->lines = 0;
        return -1;
    }
    for (int i = 0; i < size; ++i) {
        for (int j = 0; j < size; ++j) {
            gColours[i * kHanXinMaxSize + j] = kUnknown;
        }
    }
    if (MarkHanXinAlignmentColours(gColours, info.version) != 0) {
        lattice->lines = 0;
        return -1;
    }
    HanXinMapping base = mapping;
    base.lattice = nullptr;
    lattice->lines = lines;
    for (int i = 0; i <= m; ++i) {
        lattice->row[i] = i * k;
        lattice->column[lines - 1 - i] = size - 1 - i * k;
    }
    lattice->row[lines - 1] = size - 1;
    lattice->column[0] = 0;

    // The lattice points beside the finders found are where the mapping,
    // fitted to those finders, puts them; the search spreads out from them.
    bool processed[kHanXinMaxLatticeLines][kHanXinMaxLatticeLines] = {};
    int distance[kHanXinMaxLatticeLines][kHanXinMaxLatticeLines];
    int const cornerAt[4][2] = {{0, 0}, {0, lines - 1}, {lines - 1, lines - 1}, {lines - 1, 0}};
    for (int i = 0; i < lines; ++i) {
        for (int j = 0; j < lines; ++j) {
            lattice->dx[i][j] = 0;
            lattice->dy[i][j] = 0;
            lattice->found[i][j] = 0;
            distance[i][j] = 1 << 20;
            for (int c = 0; c < 4; ++c) {
                if (CHINA_finder[c].valid != 0) {
                    int const d = std::abs(i - cornerAt[c][0]) > std::abs(j - cornerAt[c][1])
                                      ? std::abs(i - cornerAt[c][0])
                                      : std::abs(j - cornerAt[c][1]);
                    distance[i][j] = d < distance[i][j] ? d : distance[i][j];
                }
            }
        }
    }
    int found = 0;
    for (int d = 0; d < 2 * lines; ++d) {
        for (int i = 0; i < lines; ++i) {
            for (int j = 0; j < lines; ++j) {
                if (distance[i][j] != d) {
                    continue;
                }
                processed[i][j] = true;
                if (d == 0) {
                    for (int c = 0; c < 4; ++c) {
                        if (cornerAt[c][0] == i && cornerAt[c][1] == j) {
                            HanXinAnchorShift(c, size, base, lattice->column[j] + 0.5, lattice->row[i] + 0.5,
                                              &lattice->dx[i][j], &lattice->dy[i][j]);
                        }
                    }
                    lattice->found[i][j] = 1;
                    continue;
                }
                Neighbours const n =
                    Predict(*lattice, i, j, true, [&](int a, int b) { return processed[a][b] && distance[a][b] < d; });
                lattice->dx[i][j] = n.dx;
                lattice->dy[i][j] = n.dy;
                int const row = lattice->row[i];
                int const column = lattice->column[j];
                Template t;
                BuildTemplate(size, row, column, &t);
                if (t.darks < 3 || t.count - t.darks < 3) {
                    continue;
                }
                Local at{};
                double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
                if (!base.Map(column + 0.5, row + 0.5, &at.x, &at.y) || !base.Map(column + 1.5, row + 0.5, &x1, &y1) ||
                    !base.Map(column + 0.5, row + 1.5, &x2, &y2)) {
                    continue;
                }
                at.ux = x1 - at.x;
                at.uy = y1 - at.y;
                at.vx = x2 - at.x;
                at.vy = y2 - at.y;
                at.x += n.dx;
                at.y += n.dy;
                if (!HanXinInside(image, at.x, at.y, 1)) {
                    continue;
                }
                double du = 0;
                double dv = 0;
                BestAbout(image, t, at, 2.0, 0.5, &du, &dv);
                int const score = BestAbout(image, t, at, 0.5, 0.125, &du, &dv);
                int spread = 0;
                Score(image, t, at, du, dv, &spread);
                if (score < kHanXinMinContrast / 2 || 10 * score < 3 * spread) {
                    continue;
                }
                lattice->dx[i][j] += du * at.ux + dv * at.vx;
                lattice->dy[i][j] += du * at.uy + dv * at.vy;
                lattice->found[i][j] = 1;
                ++found;
            }
        }
    }

    // A point far off its found neighbours matched something else: it is
    // taken from them instead.
    double module = 1;
    {
        double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        if (base.Map(size / 2.0, size / 2.0, &x0, &y0) && base.Map(size / 2.0 + 1, size / 2.0, &x1, &y1)) {
            module = std::hypot(x1 - x0, y1 - y0);
        }
    }
    bool outlier[kHanXinMaxLatticeLines][kHanXinMaxLatticeLines] = {};
    for (int i = 0; i < lines; ++i) {
        for (int j = 0; j < lines; ++j) {
            if (lattice->found[i][j] == 0 || distance[i][j] == 0) {
                continue;
            }
            double xs[8];
            double ys[8];
            int n = 0;
            for (int a = i - 1; a <= i + 1; ++a) {
                for (int b = j - 1; b <= j + 1; ++b) {
                    if ((a != i || b != j) && a >= 0 && b >= 0 && a < lines && b < lines && lattice->found[a][b] != 0) {
                        xs[n] = lattice->dx[a][b];
                        ys[n] = lattice->dy[a][b];
                        ++n;
                    }
                }
            }
            if (n >= 2) {
                double const mx = Median(xs, n);
                double const my = Median(ys, n);
                outlier[i][j] = std::hypot(lattice->dx[i][j] - mx, lattice->dy[i][j] - my) > module;
            }
        }
    }
    for (int i = 0; i < lines; ++i) {
        for (int j = 0; j < lines; ++j) {
            if (outlier[i][j]) {
                lattice->found[i][j] = 0;
                --found;
            }
        }
    }
    // Points not found: where the line through the two nearest found points
    // of their row crosses the one through the two nearest of their column.
    bool known[kHanXinMaxLatticeLines][kHanXinMaxLatticeLines];
    HanXinKeepLatticeStatus(*lattice);
    for (int i = 0; i < lines; ++i) {
        for (int j = 0; j < lines; ++j) {
            known[i][j] = lattice->found[i][j] != 0;
        }
    }
    for (int i = 0; i < lines; ++i) {
        for (int j = 0; j < lines; ++j) {
            known[i][j] = known[i][j] || RebuildFromLines(base, lattice, i, j);
        }
    }
    // What no two lines reach is taken from its neighbours, found ones first.
    for (int pass = 0; pass < 2 * lines; ++pass) {
        bool changed = false;
        for (int i = 0; i < lines; ++i) {
            for (int j = 0; j < lines; ++j) {
                if (known[i][j]) {
                    continue;
                }
                Neighbours const n = Predict(*lattice, i, j, false, [&](int a, int b) { return known[a][b]; });
                if (n.count > 0) {
                    lattice->dx[i][j] = n.dx;
                    lattice->dy[i][j] = n.dy;
                    known[i][j] = true;
                    changed = true;
                }
            }
        }
        if (!changed) {
            break;
        }
    }
    return found;
}

void HanXinLatticeShift(HanXinLattice const& lattice, double column, double row, double* dx, double* dy)
{
    int const n = lattice.lines;
    if (n < 2) {
        *dx = 0;
        *dy = 0;
        return;
    }
    // Lattice points sit at module centres.
    double const y = row - 0.5;
    double const x = column - 0.5;
    int i = 0;
    while (i + 2 < n && y >= lattice.row[i + 1]) {
        ++i;
    }
    int j = 0;
    while (j + 2 < n && x >= lattice.column[j + 1]) {
        ++j;
    }
    double const t = (y - lattice.row[i]) / (lattice.row[i + 1] - lattice.row[i]);
    double const s = (x - lattice.column[j]) / (lattice.column[j + 1] - lattice.column[j]);
    *dx = (1 - t) * ((1 - s) * lattice.dx[i][j] + s * lattice.dx[i][j + 1]) +
          t * ((1 - s) * lattice.dx[i + 1][j] + s * lattice.dx[i + 1][j + 1]);
    *dy = (1 - t) * ((1 - s) * lattice.dy[i][j] + s * lattice.dy[i][j + 1]) +
          t * ((1 - s) * lattice.dy[i + 1][j] + s * lattice.dy[i + 1][j + 1]);
}
