#include "decoder/matrix/qr/qr_model2_mesh.h"

#include <cmath>
#include <cstdlib>

#include "decoder/core/containers/array_iterator.h"
#include "decoder/core/geometry/geometry.h"
#include "decoder/core/geometry/rectangle.h"
#include "decoder/matrix/qr/qr_mini_finder_searcher.h"
#include "decoder/matrix/qr/qr_version_tables.h"

namespace DEC2DIvra {

namespace {

// Grey levels of 10 bits: below this the window shows no pattern.
constexpr unsigned kMinContrast = 40;

unsigned GridCount(unsigned version)
{
    return version >= 1 && version <= QRVersionTables::kMaxVersion
               ? MiniFinderPositionTable::miniFinderPositionTable[version - 1][0]
               : 0u;
}

unsigned Coordinate(MiniFinderPoint const& p, bool columns)
{
    return columns ? p.position.column : p.position.row;
}

// The line through p and the point where l1 and l2 meet (parallel to them
// when they do not): the one dividing them as p's distances to them do.
bool ThroughMeetingPoint(Line const& l1, Line const& l2, Point const& p, Line& line)
{
    double const n1 = std::sqrt(static_cast<double>(l1.a) * l1.a + static_cast<double>(l1.b) * l1.b);
    double const n2 = std::sqrt(static_cast<double>(l2.a) * l2.a + static_cast<double>(l2.b) * l2.b);
    if (n1 == 0.0 || n2 == 0.0) {
        return false;
    }
    // Both facing the same way, as the dividing line takes them.
    double const sign = static_cast<double>(l1.a) * l2.a + static_cast<double>(l1.b) * l2.b < 0.0 ? -1.0 : 1.0;
    double const d1 = static_cast<double>(l1.Evaluate(p)) / n1;
    double const d2 = sign * static_cast<double>(l2.Evaluate(p)) / n2;
    // Weights in 1/16 pixel, within an int.
    double const scale = 16.0 / 256.0;
    double const a = d2 * scale;
    double const b = -d1 * scale;
    if (std::fabs(a) > 1e9 || std::fabs(b) > 1e9) {
        return false;
    }
    Line out;
    if (!Geometry::CalcDividingLine(static_cast<int>(std::lround(a)), l1, static_cast<int>(std::lround(b)), l2, out) ||
        !out.MoveTo(p)) {
        return false;
    }
    line = out;
    return true;
}

}  // namespace

unsigned CalcModel2QRCodeMeshSubroutine::CalcMiniFinderPosition(unsigned version, unsigned i)
{
    unsigned const n = GridCount(version);
    if (n == 0 || i == 0) {
        return 0;
    }
    unsigned short const* const row = MiniFinderPositionTable::miniFinderPositionTable[version - 1];
    return i <= n ? row[i] : row[n] + 6u;
}

void CalcModel2QRCodeMeshSubroutine::SetMainFinderPositions(QRFinderRegion const* const* finders, unsigned version,
                                                            MiniFinderTable& grid)
{
    unsigned const n = grid.GetWidth() - 2;
    // Grid points of each finder's corners (top-left, top-right,
    // bottom-right, bottom-left).
    unsigned const at[3][4][2] = {{{0, 0}, {1, 0}, {1, 1}, {0, 1}},
                                  {{n, 0}, {n + 1, 0}, {n + 1, 1}, {n, 1}},
                                  {{0, n}, {1, n}, {1, n + 1}, {0, n + 1}}};
    for (unsigned f = 0; f < 3; ++f) {
        if (finders[f] == nullptr) {
            continue;
        }
        for (unsigned k = 0; k < 4; ++k) {
            MiniFinderPoint& p = grid.At(at[f][k][0], at[f][k][1]);
            p.centre = finders[f]->corner[k];
            p.size = finders[f]->size;
            p.valid = 1;
            p.corrected = 1;
        }
    }
    (void)version;
}

unsigned CalcModel2QRCodeMeshSubroutine::CalcSearchMiniFinderSize(QRFinderRegion const* const* finders)
{
    unsigned long long sum = 0;
    unsigned count = 0;
    for (unsigned f = 0; f < 3; ++f) {
        if (finders[f] == nullptr) {
            continue;
        }
        for (unsigned k = 0; k < 4; ++k) {
            sum += Geometry::CalcChebyshevDistance(finders[f]->corner[k], finders[f]->corner[(k + 1) & 3]);
        }
        ++count;
    }
    return count == 0 ? 0u : static_cast<unsigned>(sum / (4u * count));
}

void CalcModel2QRCodeMeshSubroutine::PushToIndexStack(unsigned short* stack, unsigned& count, unsigned short index)
{
    for (unsigned k = 0; k < count; ++k) {
        if (stack[k] == index) {
            return;
        }
    }
    if (count < kMaxGrid * kMaxGrid) {
        stack[count++] = index;
    }
}

bool CalcModel2QRCodeMeshSubroutine::SearchNextMiniFinderOnTable(MiniFinderTable const& grid, unsigned i, unsigned j,
                                                                 int di, int dj, unsigned& fi, unsigned& fj)
{
    int x = static_cast<int>(i) + di;
    int y = static_cast<int>(j) + dj;
    for (; grid.IsInside(x, y); x += di, y += dj) {
        if (grid.At(static_cast<unsigned>(x), static_cast<unsigned>(y)).valid != 0) {
            fi = static_cast<unsigned>(x);
            fj = static_cast<unsigned>(y);
            return true;
        }
    }
    return false;
}

bool CalcModel2QRCodeMeshSubroutine::CalcMiniFinder(MiniFinderTable const& grid, unsigned i, unsigned j,
                                                    MiniFinderPoint& point)
{
    static constexpr int kDirections[4][2] = {{1, 0}, {0, 1}, {1, 1}, {1, -1}};
    MiniFinderPoint const* pairs[2][2] = {};
    unsigned found = 0;
    MiniFinderPoint const& target = grid.At(i, j);
    int const tx = target.position.column;
    int const ty = target.position.row;
    for (auto const& d : kDirections) {
        if (found == 2) {
            break;
        }
        // The nearest known point on either side; with none on one side,
        // the next one beyond the nearest on the other.
        unsigned ai = 0;
        unsigned aj = 0;
        unsigned bi = 0;
        unsigned bj = 0;
        bool back = SearchNextMiniFinderOnTable(grid, i, j, -d[0], -d[1], ai, aj);
        bool ahead = SearchNextMiniFinderOnTable(grid, i, j, d[0], d[1], bi, bj);
        if (back && !ahead) {
            ahead = SearchNextMiniFinderOnTable(grid, ai, aj, -d[0], -d[1], bi, bj);
        } else if (!back && ahead) {
            back = SearchNextMiniFinderOnTable(grid, bi, bj, d[0], d[1], ai, aj);
        }
        if (!back || !ahead) {
            continue;
        }
        MiniFinderPoint const& a = grid.At(ai, aj);
        MiniFinderPoint const& b = grid.At(bi, bj);
        // The grid is not evenly spaced: a diagonal of the grid need not be
        // a straight line of modules through the target.
        long long const cross = static_cast<long long>(a.position.column - tx) * (b.position.row - ty) -
                                static_cast<long long>(a.position.row - ty) * (b.position.column - tx);
        if (cross != 0) {
            continue;
        }
        pairs[found][0] = &a;
        pairs[found][1] = &b;
        ++found;
    }
    if (found == 0) {
        return false;
    }
    MiniFinderPoint estimate = target;
    if (found == 2) {
        Line first;
        Line second;
        if (Geometry::CalcLine(pairs[0][0]->centre, pairs[0][1]->centre, first) &&
            Geometry::CalcLine(pairs[1][0]->centre, pairs[1][1]->centre, second) &&
            Geometry::CalcCrossPoint(first, second, estimate.centre)) {
            estimate.size = (pairs[0][0]->size + pairs[0][1]->size + pairs[1][0]->size + pairs[1][1]->size) / 4;
            estimate.valid = 1;
            estimate.corrected = 0;
            point = estimate;
            return true;
        }
    }
    // One direction: the point dividing the pair as the module coordinates
    // divide along the axis on which they differ more.
    MiniFinderPoint const& a = *pairs[0][0];
    MiniFinderPoint const& b = *pairs[0][1];
    int const spanX = std::abs(static_cast<int>(b.position.column) - static_cast<int>(a.position.column));
    int const spanY = std::abs(static_cast<int>(b.position.row) - static_cast<int>(a.position.row));
    bool const columns = spanX >= spanY;
    int const ta = static_cast<int>(Coordinate(a, columns));
    int const tb = static_cast<int>(Coordinate(b, columns));
    int const t = static_cast<int>(Coordinate(target, columns));
    // Signed weights: beyond the pair the point is extrapolated.
    if (ta == tb || !Geometry::CalcDividingPoint(tb - t, a.centre, t - ta, b.centre, estimate.centre)) {
        return false;
    }
    estimate.size = (a.size + b.size) / 2;
    estimate.valid = 1;
    estimate.corrected = 0;
    point = estimate;
    return true;
}

bool CalcModel2QRCodeMeshSubroutine::CorrectMiniFinder(GrayImage const& image, bool polarity, unsigned searchSize,
                                                       MiniFinderPoint& point) const
{
    // The window: the estimate and six modules (a finder's side) each way.
    int const reach = static_cast<int>(searchSize >> 8) + 1;
    int const x = point.centre.x >> 8;
    int const y = point.centre.y >> 8;
    constexpr int kFarthest = 1 << 20;
    if (x < -kFarthest || y < -kFarthest || x > kFarthest || y > kFarthest || reach > kFarthest) {
        return false;
    }
    Rectangle const window{x - reach, y - reach, x + reach, y + reach};
    Point centre;
    unsigned size = 0;
    if (QRMiniFinderSearcher().StartPart(image, window, searchSize / 6, kMinContrast, polarity, 8, centre, size, 3) ==
        0) {
        return false;
    }
    point.centre = centre;
    point.size = size;
    point.corrected = 1;
    return true;
}

int CalcModel2QRCodeMeshSubroutine::CalcMiniFinders(GrayImage const& image, QRFinderRegion const* const* finders,
                                                    bool polarity, unsigned version, MiniFinderTable& grid) const
{
    unsigned const n = GridCount(version);
    unsigned const searchSize = CalcSearchMiniFinderSize(finders);
    if (n == 0 || searchSize == 0 || !grid.Resize(n + 2, n + 2)) {
        return 0;
    }
    grid.Fill(MiniFinderPoint{});
    for (unsigned j = 0; j < n + 2; ++j) {
        for (unsigned i = 0; i < n + 2; ++i) {
            grid.At(i, j).position = MiniFinderPosition{static_cast<unsigned short>(CalcMiniFinderPosition(version, i)),
                                                        static_cast<unsigned short>(CalcMiniFinderPosition(version, j))};
        }
    }
    SetMainFinderPositions(finders, version, grid);
    unsigned const width = n + 2;
    auto index = [width](unsigned i, unsigned j) { return static_cast<unsigned short>(j * width + i); };
    unsigned short lists[2][kMaxGrid * kMaxGrid];
    unsigned counts[2] = {0, 0};
    unsigned current = 0;
    unsigned short const seeds[3] = {index(1, 1), index(n, 1), index(1, n)};
    for (unsigned f = 0; f < 3; ++f) {
        if (finders[f] != nullptr) {
            PushToIndexStack(lists[current], counts[current], seeds[f]);
        }
    }
    bool fallbackDone = false;
    for (unsigned pass = 0; pass < 4 * kMaxGrid * kMaxGrid; ++pass) {
        if (counts[current] == 0) {
            if (fallbackDone) {
                break;
            }
            // Positions no found pattern led to, all at once.
            fallbackDone = true;
            for (unsigned j = 1; j <= n; ++j) {
                for (unsigned i = 1; i <= n; ++i) {
                    if (grid.At(i, j).valid == 0) {
                        PushToIndexStack(lists[current], counts[current], index(i, j));
                    }
                }
            }
            if (counts[current] == 0) {
                break;
            }
        }
        unsigned const next = current ^ 1u;
        counts[next] = 0;
        for (unsigned k = 0; k < counts[current]; ++k) {
            unsigned const i = lists[current][k] % width;
            unsigned const j = lists[current][k] / width;
            MiniFinderPoint& p = grid.At(i, j);
            if (p.valid == 0) {
                if (!CalcMiniFinder(grid, i, j, p)) {
                    continue;
                }
                // Next to a finder the pattern is the finder's own corner.
                bool const edgeRow = j == 1 || j == n;
                bool const edgeColumn = i == 1 || i == n;
                bool const keep = edgeRow && edgeColumn && !(i == n && j == n);
                if (version >= 2 && !keep) {
                    CorrectMiniFinder(image, polarity, searchSize, p);
                }
            }
            if (p.corrected == 0) {
                continue;
            }
            int const around[4][2] = {{0, -1}, {1, 0}, {0, 1}, {-1, 0}};
            for (auto const& d : around) {
                int const x = static_cast<int>(i) + d[0];
                int const y = static_cast<int>(j) + d[1];
                if (x >= 1 && y >= 1 && x <= static_cast<int>(n) && y <= static_cast<int>(n) &&
                    grid.At(static_cast<unsigned>(x), static_cast<unsigned>(y)).valid == 0) {
                    PushToIndexStack(lists[next], counts[next], index(static_cast<unsigned>(x), static_cast<unsigned>(y)));
                }
            }
        }
        current = next;
    }
    RejectStrayFinds(grid, searchSize / 6);
    GridLines lines;
    CalcGridLines(grid, lines);
    return 1;
}

bool CalcModel2QRCodeMeshSubroutine::SearchNearLines(MiniFinderTable const& grid, Line const* lines, bool const* has,
                                                     unsigned k, bool columns, Point const* through, Line& out)
{
    unsigned const n = grid.GetWidth() - 2;
    int below = -1;
    int above = -1;
    for (int m = static_cast<int>(k) - 1; m >= 1; --m) {
        if (has[m]) {
            below = m;
            break;
        }
    }
    for (unsigned m = k + 1; m <= n; ++m) {
        if (has[m]) {
            above = static_cast<int>(m);
            break;
        }
    }
    auto coordinate = [&](unsigned m) {
        MiniFinderPoint const& p = columns ? grid.At(m, 0) : grid.At(0, m);
        return static_cast<int>(Coordinate(p, columns));
    };
    Line line;
    if (below >= 0 && above >= 0) {
        int const t = coordinate(k);
        int const t1 = coordinate(static_cast<unsigned>(below));
        int const t2 = coordinate(static_cast<unsigned>(above));
        if (!Geometry::CalcDividingLine(t2 - t, lines[below], t - t1, lines[above], line)) {
            return false;
        }
    } else if (through != nullptr && (below >= 0 || above >= 0)) {
        line = lines[below >= 0 ? below : above];
    } else {
        return false;
    }
    if (through != nullptr && !line.MoveTo(*through)) {
        return false;
    }
    out = line;
    return true;
}

void CalcModel2QRCodeMeshSubroutine::RejectStrayFinds(MiniFinderTable& grid, unsigned module)
{
    unsigned const width = grid.GetWidth();
    // The centres of one grid row (column) lie on a straight line of
    // modules under any perspective: a found point a module or more
    // off the line through the others came from a blob of data. The worst
    // one goes first, while three or more are left to judge by.
    for (unsigned round = 0; round < 2 * width; ++round) {
        bool rejected = false;
        for (unsigned axis = 0; axis < 2 && !rejected; ++axis) {
            for (unsigned k = 0; k < width && !rejected; ++k) {
                Point points[kMaxGrid];
                MiniFinderPoint* members[kMaxGrid];
                bool seeded[kMaxGrid];
                unsigned count = 0;
                for (unsigned m = 0; m < width; ++m) {
                    unsigned const i = axis == 0 ? k : m;
                    unsigned const j = axis == 0 ? m : k;
                    MiniFinderPoint& p = grid.At(i, j);
                    if (p.corrected != 0) {
                        // A finder's corner stands where the finder put it.
                        seeded[count] = (i <= 1 || i + 2 >= width) && (j <= 1 || j + 2 >= width) &&
                                        !(i + 2 >= width && j + 2 >= width);
                        members[count] = &p;
                        points[count++] = p.centre;
                    }
                }
                if (count < 3) {
                    continue;
                }
                double worst = 0.0;
                MiniFinderPoint* stray = nullptr;
                for (unsigned m = 0; m < count; ++m) {
                    Line line;
                    if (seeded[m] ||
                        !Geometry::CalcLine(ArrayIterator<Point const>(points, count), line, static_cast<int>(m))) {
                        continue;
                    }
                    double const norm = std::sqrt(static_cast<double>(line.a) * line.a +
                                                  static_cast<double>(line.b) * line.b);
                    double const off = std::fabs(static_cast<double>(line.Evaluate(points[m]))) / norm;
                    if (off > worst) {
                        worst = off;
                        stray = members[m];
                    }
                }
                if (stray != nullptr && worst >= static_cast<double>(module)) {
                    stray->corrected = 0;
                    rejected = true;
                }
            }
        }
        if (!rejected) {
            return;
        }
    }
}

void CalcModel2QRCodeMeshSubroutine::CalcGridLines(MiniFinderTable& grid, GridLines& lines)
{
    unsigned const n = grid.GetWidth() - 2;
    unsigned const width = n + 2;
    Point single[2][kMaxGrid] = {};
    unsigned singles[2][kMaxGrid] = {};
    for (unsigned axis = 0; axis < 2; ++axis) {
        bool const columns = axis == 0;
        Line* const fitted = columns ? lines.column : lines.row;
        bool* const has = columns ? lines.hasColumn : lines.hasRow;
        for (unsigned k = 0; k <= n; ++k) {
            Point points[kMaxGrid];
            unsigned count = 0;
            for (unsigned m = 0; m < width; ++m) {
                MiniFinderPoint const& p = columns ? grid.At(k, m) : grid.At(m, k);
                if (p.corrected != 0) {
                    points[count++] = p.centre;
                }
            }
            singles[axis][k] = count;
            single[axis][k] = count > 0 ? points[0] : Point{};
            has[k] = count >= 2 && Geometry::CalcLine(ArrayIterator<Point const>(points, count), fitted[k], -1);
        }
        // One found point: the line through it between its fitted
        // neighbours; none: between them.
        bool fittedOnly[kMaxGrid];
        for (unsigned k = 0; k < kMaxGrid; ++k) {
            fittedOnly[k] = has[k];
        }
        for (unsigned k = 1; k <= n; ++k) {
            if (!fittedOnly[k]) {
                Point const* through = singles[axis][k] == 1 ? &single[axis][k] : nullptr;
                has[k] = SearchNearLines(grid, fitted, fittedOnly, k, columns, through, fitted[k]);
            }
        }
    }
    // The last row and column: through the finder corner on them and the
    // point where the two rows (columns) before them meet, as perspective
    // draws them.
    for (unsigned axis = 0; axis < 2 && n >= 2; ++axis) {
        bool const columns = axis == 0;
        Line* const fitted = columns ? lines.column : lines.row;
        bool* const has = columns ? lines.hasColumn : lines.hasRow;
        MiniFinderPoint const& anchor = columns ? grid.At(n + 1, 1) : grid.At(1, n + 1);
        if (anchor.corrected == 0 || !has[n - 1] || !has[n]) {
            continue;
        }
        has[n + 1] = ThroughMeetingPoint(fitted[n - 1], fitted[n], anchor.centre, fitted[n + 1]);
    }
    // The top row and the left column run through two finders each: their
    // points between the finders lie on those lines.
    for (unsigned j = 0; j <= n + 1; ++j) {
        for (unsigned i = 0; i <= n + 1; ++i) {
            bool const interior = i >= 1 && j >= 1 && i <= n && j <= n;
            MiniFinderPoint& p = grid.At(i, j);
            Point crossing;
            if ((interior || p.valid == 0) && p.corrected == 0 && lines.hasColumn[i] && lines.hasRow[j] &&
                Geometry::CalcCrossPoint(lines.column[i], lines.row[j], crossing)) {
                p.centre = crossing;
                p.valid = 1;
            }
        }
    }
}

}  // namespace DEC2DIvra
