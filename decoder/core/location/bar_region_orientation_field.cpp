#include "decoder/core/location/bar_region_orientation_field.h"

#include "decoder/core/processor_lanes.h"

#include <algorithm>
#include <bit>
#include <cstddef>

#include "decoder/core/arithmetic/dec_math.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__SSE2__) && defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define SCANNER_FIELD_AVX2 1
#include <immintrin.h>
#endif

namespace DEC2DIvra {

namespace {

unsigned CeilDivide(unsigned a, unsigned b) { return (a + b - 1) / b; }

// Samples are 10-bit: only their low ten bits are read, so that a malformed
// frame cannot overflow the sums (and masking costs the pass nothing).
int Level(unsigned short v) { return v & 1023; }

// Eight cells of eight blocks: the row differences of a run of whole cells
// are taken in chunks of this many, in loops of a fixed length over local
// arrays, which compilers run as vector operations even at the optimisation
// levels that vectorise only such loops.
constexpr int kEight = 8;
constexpr int kChunk = kEight * kEight;

void AddChunk(unsigned short const* row, unsigned short const* below, BarOrientationField::Cell* cells)
{
    short gx[kChunk];
    short gy[kChunk];
    for (int i = 0; i < kChunk; ++i) {
        int const a = Level(row[i]);
        int const b = Level(row[i + 1]);
        int const c = Level(below[i]);
        int const d = Level(below[i + 1]);
        gx[i] = static_cast<short>((b + d) - (a + c));
        gy[i] = static_cast<short>((c + d) - (a + b));
    }
    for (int k = 0; k < kEight; ++k) {
        short const* x = gx + k * kEight;
        short const* y = gy + k * kEight;
        int xx = 0;
        int yy = 0;
        int xy = 0;
        for (int i = 0; i < kEight; ++i) {
            xx += x[i] * x[i];
            yy += y[i] * y[i];
            xy += x[i] * y[i];
        }
        BarOrientationField::Cell& cell = cells[k];
        cell.xx += xx;
        cell.yy += yy;
        cell.xy += xy;
        cell.samples = static_cast<unsigned short>(cell.samples + kEight);
    }
}

#if defined(__SSE2__)
// The sum of the four lanes.
int Fold(__m128i v)
{
    v = _mm_add_epi32(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2)));
    v = _mm_add_epi32(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(2, 3, 0, 1)));
    return _mm_cvtsi128_si32(v);
}

// The sums of `count` whole cells of eight pixels over `rows` rows from
// `row` on, all in one row of cells: each cell's sums are kept in four lanes
// down the rows and folded once. With a = (x, y), b = (x + 1, y),
// c = (x, y + 1) and d = (x + 1, y + 1), gx = u + v and gy = u - v for the
// diagonal steps u = d - a and v = b - c: the sums of u u, v v and u v give
// xx, yy and xy, and each row's pixels serve the row above as well, so that
// each row is loaded once. One cell at a time keeps its lanes in registers,
// and two rows a step trade the roles of the pixel pairs instead of copying.
void AddCellRows(unsigned short const* row, int pitch, int rows, int count, BarOrientationField::Cell* cells)
{
    __m128i const mask = _mm_set1_epi16(1023);
    auto load = [mask](unsigned short const* q) {
        return _mm_and_si128(_mm_loadu_si128(reinterpret_cast<__m128i const*>(q)), mask);
    };
    for (int k = 0; k < count; ++k) {
        unsigned short const* p = row + k * kEight;
        __m128i uu = _mm_setzero_si128();
        __m128i vv = _mm_setzero_si128();
        __m128i uv = _mm_setzero_si128();
        auto step = [&uu, &vv, &uv](__m128i a, __m128i b, __m128i c, __m128i d) {
            __m128i const u = _mm_sub_epi16(d, a);
            __m128i const v = _mm_sub_epi16(b, c);
            uu = _mm_add_epi32(uu, _mm_madd_epi16(u, u));
            vv = _mm_add_epi32(vv, _mm_madd_epi16(v, v));
            uv = _mm_add_epi32(uv, _mm_madd_epi16(u, v));
        };
        __m128i a = load(p);
        __m128i b = load(p + 1);
        int r = 0;
        for (; r + 2 <= rows; r += 2) {
            __m128i const c = load(p + pitch);
            __m128i const d = load(p + pitch + 1);
            step(a, b, c, d);
            p += 2 * pitch;
            a = load(p);
            b = load(p + 1);
            step(c, d, a, b);
        }
        if (r < rows) {
            p += pitch;
            step(a, b, load(p), load(p + 1));
        }
        int const suu = Fold(uu);
        int const svv = Fold(vv);
        int const suv = Fold(uv);
        BarOrientationField::Cell& cell = cells[k];
        cell.xx += suu + svv + 2 * suv;
        cell.yy += suu + svv - 2 * suv;
        cell.xy += suu - svv;
        cell.samples = static_cast<unsigned short>(cell.samples + kEight * rows);
    }
}

// The sums of a row of cells' last cell, `width` (1 .. 7) blocks ending at
// `last`, over `rows` rows from `last`'s row on: the eight lanes take the
// blocks from last - 7 on, and those before the cell are masked out. The
// reads stay between last - 7 and last + 1 (one row further down).
void AddCellEndRows(unsigned short const* last, int pitch, int rows, int width, BarOrientationField::Cell& cell)
{
    __m128i const mask = _mm_set1_epi16(1023);
    __m128i const lanes = _mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7);
    __m128i const keep = _mm_cmpgt_epi16(lanes, _mm_set1_epi16(static_cast<short>(7 - width)));
    auto load = [mask](unsigned short const* q) {
        return _mm_and_si128(_mm_loadu_si128(reinterpret_cast<__m128i const*>(q)), mask);
    };
    __m128i uu = _mm_setzero_si128();
    __m128i vv = _mm_setzero_si128();
    __m128i uv = _mm_setzero_si128();
    auto step = [&uu, &vv, &uv, keep](__m128i a, __m128i b, __m128i c, __m128i d) {
        __m128i const u = _mm_and_si128(_mm_sub_epi16(d, a), keep);
        __m128i const v = _mm_and_si128(_mm_sub_epi16(b, c), keep);
        uu = _mm_add_epi32(uu, _mm_madd_epi16(u, u));
        vv = _mm_add_epi32(vv, _mm_madd_epi16(v, v));
        uv = _mm_add_epi32(uv, _mm_madd_epi16(u, v));
    };
    unsigned short const* p = last - (kEight - 1);
    __m128i a = load(p);
    __m128i b = load(p + 1);
    for (int r = 0; r < rows; ++r) {
        p += pitch;
        __m128i const c = load(p);
        __m128i const d = load(p + 1);
        step(a, b, c, d);
        a = c;
        b = d;
    }
    int const suu = Fold(uu);
    int const svv = Fold(vv);
    int const suv = Fold(uv);
    cell.xx += suu + svv + 2 * suv;
    cell.yy += suu + svv - 2 * suv;
    cell.xy += suu - svv;
    cell.samples = static_cast<unsigned short>(cell.samples + width * rows);
}
#endif

#if defined(SCANNER_FIELD_AVX2)
__attribute__((target("avx2"))) inline __m256i LoadSixteen(unsigned short const* q)
{
    return _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<__m256i const*>(q)), _mm256_set1_epi16(1023));
}

// The products of the diagonal steps u = d - a and v = b - c of one row of
// blocks, added to their lanes.
__attribute__((target("avx2"))) inline void AddSteps(__m256i a, __m256i b, __m256i c, __m256i d, __m256i& uu,
                                                     __m256i& vv, __m256i& uv)
{
    __m256i const u = _mm256_sub_epi16(d, a);
    __m256i const v = _mm256_sub_epi16(b, c);
    uu = _mm256_add_epi32(uu, _mm256_madd_epi16(u, u));
    vv = _mm256_add_epi32(vv, _mm256_madd_epi16(v, v));
    uv = _mm256_add_epi32(uv, _mm256_madd_epi16(u, v));
}

// AddCellRows two cells at a time: the low half of each 256-bit lane holds
// the first cell's eight pixels, the high half the second's, and the halves
// are folded apart. The same integer sums, so the same cells; an odd last
// cell takes the 128-bit path.
__attribute__((target("avx2"))) void AddCellPairRows(unsigned short const* row, int pitch, int rows, int count,
                                                     BarOrientationField::Cell* cells)
{
    int k = 0;
    for (; k + 2 <= count; k += 2) {
        unsigned short const* p = row + k * kEight;
        __m256i uu = _mm256_setzero_si256();
        __m256i vv = _mm256_setzero_si256();
        __m256i uv = _mm256_setzero_si256();
        __m256i a = LoadSixteen(p);
        __m256i b = LoadSixteen(p + 1);
        int r = 0;
        for (; r + 2 <= rows; r += 2) {
            __m256i const c = LoadSixteen(p + pitch);
            __m256i const d = LoadSixteen(p + pitch + 1);
            AddSteps(a, b, c, d, uu, vv, uv);
            p += 2 * pitch;
            a = LoadSixteen(p);
            b = LoadSixteen(p + 1);
            AddSteps(c, d, a, b, uu, vv, uv);
        }
        if (r < rows) {
            p += pitch;
            AddSteps(a, b, LoadSixteen(p), LoadSixteen(p + 1), uu, vv, uv);
        }
        // Per half: (uu, vv, uv, 0) summed over its four lanes.
        __m256i const pairs = _mm256_hadd_epi32(uu, vv);
        __m256i const mixed = _mm256_hadd_epi32(uv, _mm256_setzero_si256());
        __m256i const sums = _mm256_hadd_epi32(pairs, mixed);
        alignas(32) int folded[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(folded), sums);
        for (int half = 0; half < 2; ++half) {
            int const suu = folded[4 * half];
            int const svv = folded[4 * half + 1];
            int const suv = folded[4 * half + 2];
            BarOrientationField::Cell& cell = cells[k + half];
            cell.xx += suu + svv + 2 * suv;
            cell.yy += suu + svv - 2 * suv;
            cell.xy += suu - svv;
            cell.samples = static_cast<unsigned short>(cell.samples + kEight * rows);
        }
    }
    if (k < count) {
        AddCellRows(row + k * kEight, pitch, rows, count - k, cells + k);
    }
}
#endif

}  // namespace

bool BarOrientationField::Start(GrayImage const& image, Rectangle const& area, unsigned cellSide, unsigned stride)
{
    columns_ = 0;
    rows_ = 0;
    if (cellSide == 0 || stride == 0 || image.GetPixels() == nullptr || area.left < 0 || area.top < 0 ||
        area.right >= image.GetWidth() || area.bottom >= image.GetHeight() || area.right < area.left ||
        area.bottom < area.top) {
        return false;
    }
    unsigned const width = static_cast<unsigned>(area.right - area.left + 1);
    unsigned const height = static_cast<unsigned>(area.bottom - area.top + 1);
    if (width > kMaxWidth) {
        return false;
    }
    while (CeilDivide(width, cellSide) > kMaxColumns ||
           CeilDivide(width, cellSide) * CeilDivide(height, cellSide) > kMaxCells) {
        cellSide *= 2;
    }
    // Cells start on a sample: the side is a multiple of the stride.
    while (CeilDivide(cellSide, stride) > kMaxSamplesPerSide) {
        stride *= 2;
    }
    if (stride > cellSide) {
        stride = cellSide;
    }
    cellSide = CeilDivide(cellSide, stride) * stride;
    area_ = area;
    cellSide_ = cellSide;
    stride_ = stride;
    columns_ = CeilDivide(width, cellSide);
    rows_ = CeilDivide(height, cellSide);
    unsigned const count = columns_ * rows_;
    std::fill(cells_, cells_ + count, Cell{0, 0, 0, 0});
    std::fill(judgements_, judgements_ + count, Judgement{0, 0, 0});

    // The differences need the pixel to the right and the one below.
    int const lastX = area.right < image.GetWidth() - 1 ? area.right : image.GetWidth() - 2;
    int const lastY = area.bottom < image.GetHeight() - 1 ? area.bottom : image.GetHeight() - 2;
    int const pitch = image.GetPitch();
    int const side = static_cast<int>(cellSide);
    int const step = static_cast<int>(stride);
    // Runs of whole cells at every pixel take the chunked path.
    bool const chunks = step == 1 && side == kEight;
    // Whole cells: a row of cells at a time where the rows can be summed
    // down in lanes, else a row at a time.
    int whole = 0;
#if defined(__SSE2__)
    if (chunks) {
        whole = (lastX - area.left + 1) / kEight * kEight;
        for (int top = area.top; top <= lastY; top += side) {
            unsigned short const* row = image.GetPixels() + static_cast<long long>(top) * pitch + area.left;
            int const rows = top + side - 1 < lastY ? side : lastY - top + 1;
            Cell* cell = cells_ + static_cast<unsigned>((top - area.top) / side) * columns_;
#if defined(SCANNER_FIELD_AVX2)
            if (ProcessorHasAvx2()) {
                AddCellPairRows(row, pitch, rows, whole / kEight, cell);
                continue;
            }
#endif
            AddCellRows(row, pitch, rows, whole / kEight, cell);
        }
        // The last cell of each row of cells, short of the area's right
        // side, in lanes as well where eight blocks fit before its end.
        int const rest = lastX - area.left + 1 - whole;
        if (rest > 0 && lastX >= kEight - 1) {
            for (int top = area.top; top <= lastY; top += side) {
                unsigned short const* last = image.GetPixels() + static_cast<long long>(top) * pitch + lastX;
                int const rows = top + side - 1 < lastY ? side : lastY - top + 1;
                Cell& cell = cells_[static_cast<unsigned>((top - area.top) / side) * columns_ +
                                    static_cast<unsigned>(whole / kEight)];
                AddCellEndRows(last, pitch, rows, rest, cell);
            }
            whole += rest;
        }
    }
#endif
    for (int y = area.top; y <= lastY && area.left + whole <= lastX; y += step) {
        unsigned short const* row = image.GetPixels() + static_cast<long long>(y) * pitch;
        unsigned short const* below = row + pitch;
        Cell* cell = cells_ + static_cast<unsigned>((y - area.top) / side) * columns_;
        int x0 = area.left + whole;
        cell += whole / side;
        if (chunks) {
            for (; x0 + kChunk - 1 <= lastX; x0 += kChunk, cell += kEight) {
                AddChunk(row + x0, below + x0, cell);
            }
        }
        for (; x0 <= lastX; x0 += side, ++cell) {
            int const x1 = x0 + side - 1 < lastX ? x0 + side - 1 : lastX;
            int xx = 0;
            int yy = 0;
            int xy = 0;
            int n = 0;
            for (int x = x0; x <= x1; x += step, ++n) {
                int const a = Level(row[x]);
                int const b = Level(row[x + 1]);
                int const c = Level(below[x]);
                int const d = Level(below[x + 1]);
                int const gx = (b + d) - (a + c);
                int const gy = (c + d) - (a + b);
                xx += gx * gx;
                yy += gy * gy;
                xy += gx * gy;
            }
            cell->xx += xx;
            cell->yy += yy;
            cell->xy += xy;
            cell->samples = static_cast<unsigned short>(cell->samples + n);
        }
    }
    return true;
}

namespace {

#if defined(SCANNER_FIELD_AVX2)
static_assert(sizeof(BarOrientationField::Cell) == 16 && offsetof(BarOrientationField::Cell, samples) == 12,
              "a cell fills 128 bits: three sums, its sample count in the low half of the last word");

// Four cells' sums as doubles, one quantity to a row of lanes.
__attribute__((target("avx2"))) void SpreadCellsFour(BarOrientationField::Cell const* cells, double* xx, double* yy,
                                                     double* xy, double* samples)
{
    __m128i const keep = _mm_set_epi32(0xFFFF, -1, -1, -1);
    auto const* words = reinterpret_cast<__m128i const*>(cells);
    __m256d const c0 = _mm256_cvtepi32_pd(_mm_and_si128(_mm_loadu_si128(words), keep));
    __m256d const c1 = _mm256_cvtepi32_pd(_mm_and_si128(_mm_loadu_si128(words + 1), keep));
    __m256d const c2 = _mm256_cvtepi32_pd(_mm_and_si128(_mm_loadu_si128(words + 2), keep));
    __m256d const c3 = _mm256_cvtepi32_pd(_mm_and_si128(_mm_loadu_si128(words + 3), keep));
    __m256d const low01 = _mm256_unpacklo_pd(c0, c1);
    __m256d const high01 = _mm256_unpackhi_pd(c0, c1);
    __m256d const low23 = _mm256_unpacklo_pd(c2, c3);
    __m256d const high23 = _mm256_unpackhi_pd(c2, c3);
    _mm256_storeu_pd(xx, _mm256_permute2f128_pd(low01, low23, 0x20));
    _mm256_storeu_pd(yy, _mm256_permute2f128_pd(high01, high23, 0x20));
    _mm256_storeu_pd(xy, _mm256_permute2f128_pd(low01, low23, 0x31));
    _mm256_storeu_pd(samples, _mm256_permute2f128_pd(high01, high23, 0x31));
}

// A row of cells spread into the rows of doubles (the zero columns either
// side already set) and summed with their left and right neighbours, for
// `ends` columns, a multiple of four.
__attribute__((target("avx2"))) void SumRowLanes(BarOrientationField::Cell const* cells, unsigned columns,
                                                 unsigned ends, double* xx, double* yy, double* xy, double* samples,
                                                 double (&sums)[4][(BarOrientationField::kMaxColumns + 3) / 4 * 4])
{
    unsigned column = 0;
    for (; column + 4 <= columns; column += 4) {
        SpreadCellsFour(cells + column, xx + column + 1, yy + column + 1, xy + column + 1, samples + column + 1);
    }
    for (; column < columns; ++column) {
        xx[column + 1] = cells[column].xx;
        yy[column + 1] = cells[column].yy;
        xy[column + 1] = cells[column].xy;
        samples[column + 1] = cells[column].samples;
    }
    double const* const rows[4] = {xx, yy, xy, samples};
    for (unsigned q = 0; q < 4; ++q) {
        double const* c = rows[q];
        for (unsigned k = 0; k < ends; k += 4) {
            __m256d const left = _mm256_loadu_pd(c + k);
            __m256d const middle = _mm256_loadu_pd(c + k + 1);
            __m256d const right = _mm256_loadu_pd(c + k + 2);
            _mm256_storeu_pd(sums[q] + k, _mm256_add_pd(_mm256_add_pd(left, middle), right));
        }
    }
}
#endif

}  // namespace

void BarOrientationField::SumRow(unsigned row, RowSums& sums)
{
    unsigned const ends = (columns_ + 3) / 4 * 4;
    if (row >= rows_) {
        for (unsigned q = 0; q < kQuantities; ++q) {
            for (unsigned column = 0; column < ends; ++column) {
                sums[q][column] = 0;
            }
        }
        return;
    }
    Cell const* cells = cells_ + row * columns_;
    for (unsigned q = 0; q < kQuantities; ++q) {
        rowCells_[q][0] = 0;
        for (unsigned column = columns_; column <= ends; ++column) {
            rowCells_[q][column + 1] = 0;
        }
    }
#if defined(SCANNER_FIELD_AVX2)
    if (wideLanes_) {
        SumRowLanes(cells, columns_, ends, rowCells_[kXX], rowCells_[kYY], rowCells_[kXY], rowCells_[kSamples], sums);
        return;
    }
#endif
    for (unsigned column = 0; column < columns_; ++column) {
        rowCells_[kXX][column + 1] = cells[column].xx;
        rowCells_[kYY][column + 1] = cells[column].yy;
        rowCells_[kXY][column + 1] = cells[column].xy;
        rowCells_[kSamples][column + 1] = cells[column].samples;
    }
    for (unsigned q = 0; q < kQuantities; ++q) {
        double const* c = rowCells_[q];
        for (unsigned k = 0; k < ends; ++k) {
            sums[q][k] = c[k] + c[k + 1] + c[k + 2];
        }
    }
}

namespace {

// The judgement of a cell from the sums of its neighbourhood, in whole
// numbers: this decides every cell.
BarOrientationField::Judgement JudgeSums(long long xx, long long yy, long long xy, unsigned samples,
                                         unsigned energyFloor, long long floor2)
{
    BarOrientationField::Judgement judgement{0, 0, 0};
    long long energy = xx + yy;
    if (samples == 0 || energy < static_cast<long long>(energyFloor) * samples) {
        return judgement;
    }
    // Most cells fail on coherence: compare squares first, scaled so that
    // 255^2 times a square stays in 64 bits (all halved together below
    // 2^23, each halving rounding toward zero).
    long long a2 = xx - yy;
    long long b2 = 2 * xy;
    if (energy >= (1LL << 23)) {
        int const shift = std::bit_width(static_cast<unsigned long long>(energy)) - 23;
        energy >>= shift;
        a2 = a2 >= 0 ? a2 >> shift : -((-a2) >> shift);
        b2 = b2 >= 0 ? b2 >> shift : -((-b2) >> shift);
    }
    long long const square = a2 * a2 + b2 * b2;
    if (square * (255 * 255) < floor2 * energy * energy) {
        return judgement;
    }
    unsigned angle = 0;
    if (GradientTensor{xx, yy, xy, samples}.CalcDoubledAngle(angle)) {
        long long const share = square * 255 / (energy * energy);
        judgement.angle = static_cast<unsigned short>(angle);
        judgement.coherence = static_cast<unsigned char>(share > 255 ? 255 : share);
        judgement.barLike = 1;
    }
    return judgement;
}

// How far below the coherence floor (of 255, squared over 255^2) a
// neighbourhood's squared coherence must lie for the lanes to turn it down
// unseen. The whole-number test halves its sums below 2^23, which moves the
// squared coherence by less than 2^-19; doubles round far less.
constexpr double kCoherenceMargin = 1.0 / 4096;

#if defined(SCANNER_FIELD_AVX2)
__attribute__((target("avx2"))) inline __m256d SumThreeRows(double const* above, double const* here,
                                                             double const* below, unsigned column)
{
    return _mm256_add_pd(_mm256_add_pd(_mm256_loadu_pd(above + column), _mm256_loadu_pd(here + column)),
                         _mm256_loadu_pd(below + column));
}

// The cells of a row that may pass: mean energy at the floor or above,
// squared coherence no less than `coherenceFloor2` (the margin below the
// floor); a bit per column, four to a byte of `may`, for the columns of
// whole groups of four.
__attribute__((target("avx2"))) void MayPassRow(double const* const* above, double const* const* here,
                                                double const* const* below, unsigned columns, double energyFloor,
                                                double coherenceFloor2, unsigned char* may)
{
    __m256d const floor = _mm256_set1_pd(energyFloor);
    __m256d const floor2 = _mm256_set1_pd(coherenceFloor2);
    for (unsigned column = 0; column + 4 <= columns; column += 4) {
        __m256d const xx = SumThreeRows(above[0], here[0], below[0], column);
        __m256d const yy = SumThreeRows(above[1], here[1], below[1], column);
        __m256d const xy = SumThreeRows(above[2], here[2], below[2], column);
        __m256d const samples = SumThreeRows(above[3], here[3], below[3], column);
        __m256d const energy = _mm256_add_pd(xx, yy);
        __m256d const a = _mm256_sub_pd(xx, yy);
        __m256d const b = _mm256_add_pd(xy, xy);
        __m256d const square = _mm256_add_pd(_mm256_mul_pd(a, a), _mm256_mul_pd(b, b));
        __m256d const some = _mm256_cmp_pd(samples, _mm256_setzero_pd(), _CMP_GT_OQ);
        __m256d const strong = _mm256_cmp_pd(energy, _mm256_mul_pd(samples, floor), _CMP_GE_OQ);
        __m256d const coherent = _mm256_cmp_pd(square, _mm256_mul_pd(_mm256_mul_pd(energy, energy), floor2), _CMP_GE_OQ);
        may[column / 4] =
            static_cast<unsigned char>(_mm256_movemask_pd(_mm256_and_pd(_mm256_and_pd(some, strong), coherent)));
    }
}
#endif

}  // namespace

void BarOrientationField::JudgeRow(unsigned row, RowSums const& above, RowSums const& here, RowSums const& below,
                                   unsigned energyFloor, unsigned coherenceFloor)
{
    long long const floor2 = static_cast<long long>(coherenceFloor) * coherenceFloor;
    Judgement* judgements = judgements_ + row * columns_;
    auto judge = [&](unsigned column) {
        auto total = [&](unsigned q) {
            return static_cast<long long>(above[q][column] + here[q][column] + below[q][column]);
        };
        judgements[column] = JudgeSums(total(kXX), total(kYY), total(kXY), static_cast<unsigned>(total(kSamples)),
                                       energyFloor, floor2);
    };
    unsigned column = 0;
#if defined(SCANNER_FIELD_AVX2)
    if (wideLanes_) {
        double const* a[kQuantities] = {above[0], above[1], above[2], above[3]};
        double const* h[kQuantities] = {here[0], here[1], here[2], here[3]};
        double const* b[kQuantities] = {below[0], below[1], below[2], below[3]};
        double const least = static_cast<double>(floor2) / (255.0 * 255.0) - kCoherenceMargin;
        unsigned char may[kSumColumns / 4];
        MayPassRow(a, h, b, columns_, energyFloor, least, may);
        std::fill(judgements, judgements + columns_, Judgement{0, 0, 0});
        for (; column + 4 <= columns_; column += 4) {
            for (unsigned bits = may[column / 4]; bits != 0; bits &= bits - 1) {
                judge(column + static_cast<unsigned>(std::countr_zero(bits)));
            }
        }
    }
#endif
    for (; column < columns_; ++column) {
        judge(column);
    }
}

void BarOrientationField::Classify(unsigned energyFloor, unsigned coherenceFloor, bool wideLanes)
{
    // Sums of three cells along each row, for the row above, this one and
    // the one below; the 3 x 3 sums are their column sums. Above the first
    // row and below the last stand rows of zeros.
    RowSums* above = &rowSums_[0];
    RowSums* here = &rowSums_[1];
    RowSums* below = &rowSums_[2];
    if (rows_ == 0) {
        return;
    }
#if defined(SCANNER_FIELD_AVX2)
    wideLanes_ = wideLanes && ProcessorHasAvx2();
#else
    (void)wideLanes;
#endif
    SumRow(rows_, *above);
    SumRow(0, *here);
    for (unsigned row = 0; row < rows_; ++row) {
        SumRow(row + 1, *below);
        JudgeRow(row, *above, *here, *below, energyFloor, coherenceFloor);
        RowSums* const spare = above;
        above = here;
        here = below;
        below = spare;
    }
}

namespace {

// The histogram bin of a cell's mean square per sample: 0 for none, else
// four to an octave (see CalcNoiseLevel).
unsigned CalcNoiseBin(unsigned long long mean)
{
    if (mean == 0) {
        return 0;
    }
    unsigned const top = 63u - static_cast<unsigned>(__builtin_clzll(mean));
    unsigned const fraction = top >= 2 ? static_cast<unsigned>(mean >> (top - 2)) & 3u : 0u;
    return 4 * top + fraction + 1;
}

#if defined(SCANNER_FIELD_AVX2)
// The noise bins of the cells of whole groups of four holding a whole cell's
// 64 samples, as CalcNoiseBin gives them, kNotWhole for the others; the
// count of cells binned. The mean is made a double (exact below 2^52), whose
// exponent and two highest fraction bits are the bin but for the means 0
// and 3.
constexpr unsigned char kNotWhole = 255;

__attribute__((target("avx2"))) unsigned BinWholeCells(BarOrientationField::Cell const* cells, unsigned count,
                                                       unsigned char* bins)
{
    __m256i const low = _mm256_set1_epi64x(0xFFFFFFFFLL);
    __m256i const sampleBits = _mm256_set1_epi64x(0xFFFF);
    __m256i const whole = _mm256_set1_epi64x(kEight * kEight);
    __m256i const magic = _mm256_set1_epi64x(0x4330000000000000LL);  // 2^52
    __m256i const three = _mm256_set1_epi64x(3);
    __m256i const binOfThree = _mm256_set1_epi64x(5);
    __m256i const offset = _mm256_set1_epi64x((1023 << 2) - 1);
    alignas(32) long long lanes[4];
    unsigned i = 0;
    for (; i + 4 <= count; i += 4) {
        // Two cells to 256 bits: xx, yy, xy, samples of one, then the other.
        __m256i const first = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(cells + i));
        __m256i const second = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(cells + i + 2));
        // In the 64-bit lanes of each, (xx, yy) and (xy, samples): the lanes
        // of cells i, i + 2, i + 1, i + 3 in this order.
        __m256i const pairs = _mm256_unpacklo_epi64(first, second);
        __m256i const counts = _mm256_and_si256(_mm256_srli_epi64(_mm256_unpackhi_epi64(first, second), 32),
                                                sampleBits);
        __m256i const sums = _mm256_add_epi64(_mm256_and_si256(pairs, low), _mm256_srli_epi64(pairs, 32));
        __m256i const mean = _mm256_srli_epi64(sums, 6);
        __m256d const exact =
            _mm256_sub_pd(_mm256_castsi256_pd(_mm256_or_si256(mean, magic)), _mm256_castsi256_pd(magic));
        __m256i bin = _mm256_sub_epi64(_mm256_srli_epi64(_mm256_castpd_si256(exact), 50), offset);
        bin = _mm256_blendv_epi8(bin, binOfThree, _mm256_cmpeq_epi64(mean, three));
        bin = _mm256_blendv_epi8(bin, _mm256_setzero_si256(), _mm256_cmpeq_epi64(mean, _mm256_setzero_si256()));
        bin = _mm256_blendv_epi8(_mm256_set1_epi64x(kNotWhole), bin, _mm256_cmpeq_epi64(counts, whole));
        _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), bin);
        bins[i] = static_cast<unsigned char>(lanes[0]);
        bins[i + 2] = static_cast<unsigned char>(lanes[1]);
        bins[i + 1] = static_cast<unsigned char>(lanes[2]);
        bins[i + 3] = static_cast<unsigned char>(lanes[3]);
    }
    return i;
}
#endif

}  // namespace

unsigned BarOrientationField::CalcNoiseLevel(bool wideLanes) const
{
    // Mean squares per sample in bins of a quarter octave.
    static constexpr unsigned kBins = 160;
    // Cell i counts in histogram i % 4: neighbouring cells mostly fall in
    // one bin, and four counts let their increments overlap.
    unsigned short histograms[4][kBins] = {};
    unsigned counted = 0;
    unsigned const count = GetCellCount();
    unsigned i = 0;
#if defined(SCANNER_FIELD_AVX2)
    // A block of cells at a time: their bins, then their counts.
    static constexpr unsigned kBlock = 256;
    unsigned char bins[kBlock];
    while (wideLanes && ProcessorHasAvx2() && i + 4 <= count) {
        unsigned const block = count - i < kBlock ? count - i : kBlock;
        unsigned const binned = i + BinWholeCells(cells_ + i, block, bins);
        // i stays a multiple of four: cell i + k counts in histogram k.
        for (unsigned const first = i; i < binned; i += 4) {
            for (unsigned k = 0; k < 4; ++k) {
                unsigned const bin = bins[i - first + k];
                if (bin != kNotWhole) {
                    // Below 2^33 / 64, the mean's bin is at most 108.
                    ++histograms[k][bin];
                    ++counted;
                    continue;
                }
                Cell const& c = cells_[i + k];
                if (c.samples == 0) {
                    continue;
                }
                unsigned long long const sum =
                    static_cast<unsigned long long>(static_cast<unsigned>(c.xx)) + static_cast<unsigned>(c.yy);
                unsigned const other = CalcNoiseBin(sum / c.samples);
                ++histograms[k][other < kBins ? other : kBins - 1];
                ++counted;
            }
        }
    }
#else
    (void)wideLanes;
#endif
    for (; i < count; ++i) {
        Cell const& c = cells_[i];
        if (c.samples == 0) {
            continue;
        }
        unsigned long long const sum =
            static_cast<unsigned long long>(static_cast<unsigned>(c.xx)) + static_cast<unsigned>(c.yy);
        // A whole cell of eight by eight samples, by far the most, divides
        // by a shift.
        unsigned const bin = CalcNoiseBin(c.samples == kEight * kEight ? sum >> 6 : sum / c.samples);
        ++histograms[i & 3u][bin < kBins ? bin : kBins - 1];
        ++counted;
    }
    unsigned histogram[kBins];
    for (unsigned b = 0; b < kBins; ++b) {
        histogram[b] = static_cast<unsigned>(histograms[0][b]) + histograms[1][b] + histograms[2][b] + histograms[3][b];
    }
    unsigned seen = 0;
    unsigned bin = 0;
    for (; bin < kBins; ++bin) {
        seen += histogram[bin];
        if (10 * seen >= counted) {
            break;
        }
    }
    if (counted == 0 || bin == 0) {
        return 0;
    }
    // The bin's lower bound: 2^top * (4 + fraction) / 4.
    unsigned const top = (bin - 1) / 4;
    unsigned const fraction = (bin - 1) % 4;
    unsigned long long const mean = top >= 2 ? (4ull + fraction) << (top - 2) : (1ull << top);
    // mean = 8 d^2 (both components).
    return DecMath::Sqrt(mean / 8);
}

}  // namespace DEC2DIvra
