#include "decoder/core/location/bar_region_orientation_field.h"

#include "decoder/core/processor_lanes.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>

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

static_assert(sizeof(BarOrientationField::Cell) == 16 && offsetof(BarOrientationField::Cell, samples) == 12,
              "a cell fills 128 bits: three sums, its sample count in the low half of the last word");

// The products of `rows` rows of blocks from `p` on, added to their lanes:
// two rows a step trade the roles of the pixel pairs instead of copying.
__attribute__((target("avx2"), always_inline)) inline void AddPairSteps(unsigned short const* p, int pitch, int rows,
                                                                         __m256i& uu, __m256i& vv, __m256i& uv)
{
    __m256i a = LoadSixteen(p);
    __m256i b = LoadSixteen(p + 1);
    int r = 0;
#pragma GCC unroll 4
    for (; r + 2 <= rows; r += 2) {
        __m256i const c = LoadSixteen(p + pitch);
        __m256i const d = LoadSixteen(p + pitch + 1);
        AddSteps(a, b, c, d, uu, vv, uv);
        p += 2 * pitch;
        a = LoadSixteen(p);
        b = LoadSixteen(p + 1);
        AddSteps(c, d, a, b, uu, vv, uv);
        // The sums are kept in three registers as they grow: left free, the
        // compiler gathers all the products first and spills them.
        asm("" : "+x"(uu), "+x"(vv), "+x"(uv));
    }
    if (r < rows) {
        p += pitch;
        AddSteps(a, b, LoadSixteen(p), LoadSixteen(p + 1), uu, vv, uv);
    }
}

// Two cells' lanes folded and added to the cells: per half, (uu, vv, uv)
// summed over its four lanes give xx = uu + vv + 2 uv, yy = uu + vv - 2 uv
// and xy = uu - vv, and the fourth word takes the samples (the count in its
// low half), each cell's four words at once.
__attribute__((target("avx2"), always_inline)) inline void AddFoldedPair(__m256i uu, __m256i vv, __m256i uv,
                                                                          int samples, BarOrientationField::Cell* cells)
{
    __m256i const pairs = _mm256_hadd_epi32(uu, vv);
    __m256i const mixed = _mm256_hadd_epi32(uv, uv);
    __m256i const sums = _mm256_hadd_epi32(pairs, mixed);  // per half: uu, vv, uv, uv
    __m256i const u = _mm256_shuffle_epi32(sums, _MM_SHUFFLE(0, 0, 0, 0));
    __m256i const v = _mm256_shuffle_epi32(sums, _MM_SHUFFLE(1, 1, 1, 1));
    __m256i const w = _mm256_shuffle_epi32(sums, _MM_SHUFFLE(2, 2, 2, 2));
    __m256i const uSigns = _mm256_setr_epi32(1, 1, 1, 0, 1, 1, 1, 0);
    __m256i const vSigns = _mm256_setr_epi32(1, 1, -1, 0, 1, 1, -1, 0);
    __m256i const wSigns = _mm256_setr_epi32(1, -1, 0, 0, 1, -1, 0, 0);
    __m256i const count = _mm256_setr_epi32(0, 0, 0, samples, 0, 0, 0, samples);
    __m256i const words = _mm256_add_epi32(
        _mm256_add_epi32(_mm256_sign_epi32(u, uSigns), _mm256_sign_epi32(v, vSigns)),
        _mm256_add_epi32(_mm256_sign_epi32(_mm256_add_epi32(w, w), wSigns), count));
    auto* target = reinterpret_cast<__m256i*>(cells);
    _mm256_storeu_si256(target, _mm256_add_epi32(_mm256_loadu_si256(target), words));
}

// AddCellRows two cells at a time: the low half of each 256-bit lane holds
// the first cell's eight pixels, the high half the second's, and the halves
// are folded apart. The same integer sums, so the same cells; an odd last
// cell takes the 128-bit path. A whole row of cells (eight rows of blocks,
// nearly every one) has its rows unrolled.
__attribute__((target("avx2"))) void AddCellPairRows(unsigned short const* row, int pitch, int rows, int count,
                                                     BarOrientationField::Cell* cells)
{
    int k = 0;
    for (; k + 2 <= count; k += 2) {
        unsigned short const* p = row + k * kEight;
        __m256i uu = _mm256_setzero_si256();
        __m256i vv = _mm256_setzero_si256();
        __m256i uv = _mm256_setzero_si256();
        if (rows == kEight) {
            AddPairSteps(p, pitch, kEight, uu, vv, uv);
        } else {
            AddPairSteps(p, pitch, rows, uu, vv, uv);
        }
        AddFoldedPair(uu, vv, uv, kEight * rows, cells + k);
    }
    if (k < count) {
        AddCellRows(row + k * kEight, pitch, rows, count - k, cells + k);
    }
}

// Zeros over `bytes` bytes from `p` on, a multiple of four: 32 bytes a
// store, the rest four at a time.
__attribute__((target("avx2"))) void ClearLanes(void* p, std::size_t bytes)
{
    auto* q = static_cast<unsigned char*>(p);
    std::size_t i = 0;
    for (; i + 32 <= bytes; i += 32) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(q + i), _mm256_setzero_si256());
    }
    for (unsigned const zero = 0; i + 4 <= bytes; i += 4) {
        std::memcpy(q + i, &zero, sizeof(zero));
    }
}
#endif

}  // namespace

bool BarOrientationField::Start(GrayImage const& image, Rectangle const& area, unsigned cellSide, unsigned stride)
{
    columns_ = 0;
    rows_ = 0;
    barLikeCount_ = 0;
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
#if defined(SCANNER_FIELD_AVX2)
    if (ProcessorHasAvx2()) {
        ClearLanes(cells_, count * sizeof(Cell));
        ClearLanes(judgements_, count * sizeof(Judgement));
    } else
#endif
    {
        std::fill(cells_, cells_ + count, Cell{0, 0, 0, 0});
        std::fill(judgements_, judgements_ + count, Judgement{0, 0, 0});
    }

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


#if defined(SCANNER_FIELD_AVX2)
using CellSums = BarOrientationField::CellSums;
constexpr unsigned kLaneColumns = BarOrientationField::kLaneColumns;

// The column of a group of eight that each lane holds after the sums are
// turned into rows of lanes (see SumRowEights).
constexpr unsigned char kLaneColumn[8] = {0, 2, 4, 6, 1, 3, 5, 7};

__attribute__((target("avx2"))) inline __m256i LoadTwoCells(BarOrientationField::Cell const* p)
{
    return _mm256_loadu_si256(reinterpret_cast<__m256i const*>(p));
}

// The sums of cells p[0 .. 2] and p[1 .. 3], their sample counts' upper
// halves cleared.
__attribute__((target("avx2"))) inline __m256i SumThreeCells(BarOrientationField::Cell const* p, __m256i keep)
{
    __m256i const sum = _mm256_add_epi32(_mm256_add_epi32(LoadTwoCells(p), LoadTwoCells(p + 1)), LoadTwoCells(p + 2));
    return _mm256_and_si256(sum, keep);
}

// Each cell's sums with its left and right neighbours, for `ends` columns
// (a multiple of eight): whole in `sums` (below 2^30 each, so exact in 32
// bits), and as floats in the rows of lanes, one quantity to a row, each
// group of eight columns in the lanes' order kLaneColumn. A group reads the
// cells from the one before it to the one after it straight from the row,
// except at the row's end, where a copy stands zero cells for those off the
// grid, and before the first cell, a zero cell shifted in; the sample
// count's upper half, the cell's padding, is cleared from the sums.
__attribute__((target("avx2"))) void SumRowEights(BarOrientationField::Cell const* cells, unsigned columns,
                                                  unsigned ends, CellSums* sums,
                                                  float (&lanes)[BarOrientationField::kQuantityCount][kLaneColumns])
{
    __m256i const keep = _mm256_setr_epi32(-1, -1, -1, 0xFFFF, -1, -1, -1, 0xFFFF);
    BarOrientationField::Cell window[10];
    for (unsigned group = 0; group < ends; group += 8) {
        __m256i three[4];
        if (group + 9 > columns) {
            for (unsigned k = 0; k < 10; ++k) {
                unsigned const column = group + k - 1;
                window[k] = group + k >= 1 && column < columns ? cells[column] : BarOrientationField::Cell{0, 0, 0, 0};
            }
#pragma GCC unroll 4
            for (unsigned j = 0; j < 4; ++j) {
                three[j] = SumThreeCells(window + 2 * j, keep);
            }
        } else if (group == 0) {
            // The first cell's left neighbour is a zero cell.
            __m256i const middle = LoadTwoCells(cells);
            __m256i const left = _mm256_permute2x128_si256(middle, middle, 0x08);
            three[0] = _mm256_and_si256(_mm256_add_epi32(_mm256_add_epi32(left, middle), LoadTwoCells(cells + 1)), keep);
#pragma GCC unroll 3
            for (unsigned j = 1; j < 4; ++j) {
                three[j] = SumThreeCells(cells + 2 * j - 1, keep);
            }
        } else {
#pragma GCC unroll 4
            for (unsigned j = 0; j < 4; ++j) {
                three[j] = SumThreeCells(cells + group + 2 * j - 1, keep);
            }
        }
#pragma GCC unroll 4
        for (unsigned j = 0; j < 4; ++j) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(sums + group + 2 * j), three[j]);
        }
        // Columns 2j (low half) and 2j + 1 (high half) of three[j] to one
        // quantity a vector: lanes 0 .. 3 columns 0, 2, 4, 6, lanes 4 .. 7
        // columns 1, 3, 5, 7.
        __m256i const t0 = _mm256_unpacklo_epi32(three[0], three[1]);
        __m256i const t1 = _mm256_unpackhi_epi32(three[0], three[1]);
        __m256i const t2 = _mm256_unpacklo_epi32(three[2], three[3]);
        __m256i const t3 = _mm256_unpackhi_epi32(three[2], three[3]);
        _mm256_storeu_ps(lanes[0] + group, _mm256_cvtepi32_ps(_mm256_unpacklo_epi64(t0, t2)));
        _mm256_storeu_ps(lanes[1] + group, _mm256_cvtepi32_ps(_mm256_unpackhi_epi64(t0, t2)));
        _mm256_storeu_ps(lanes[2] + group, _mm256_cvtepi32_ps(_mm256_unpacklo_epi64(t1, t3)));
        _mm256_storeu_ps(lanes[3] + group, _mm256_cvtepi32_ps(_mm256_unpackhi_epi64(t1, t3)));
    }
}

__attribute__((target("avx2"))) inline __m256 SumThreeLaneRows(float const* above, float const* here,
                                                               float const* below, unsigned group)
{
    return _mm256_add_ps(_mm256_add_ps(_mm256_loadu_ps(above + group), _mm256_loadu_ps(here + group)),
                         _mm256_loadu_ps(below + group));
}

// The cells of a row that may pass, from the rows of lanes above, at and
// below it: mean energy at `energyFloor` or above, squared coherence no less
// than `coherenceFloor2`; a bit per lane, a byte per group of eight.
// Floats carry 24 bits: the sums of three rows stray from the whole sums by
// less than 2^-21 of the energy, the squared coherence by less than 2^-17,
// far inside the margin taken off the floors (see ClassifyLanes).
__attribute__((target("avx2"))) void MayPassEights(float const (&above)[BarOrientationField::kQuantityCount][kLaneColumns],
                                                   float const (&here)[BarOrientationField::kQuantityCount][kLaneColumns],
                                                   float const (&below)[BarOrientationField::kQuantityCount][kLaneColumns],
                                                   unsigned ends, float energyFloor, float coherenceFloor2,
                                                   unsigned char* may)
{
    __m256 const floor = _mm256_set1_ps(energyFloor);
    __m256 const floor2 = _mm256_set1_ps(coherenceFloor2);
    for (unsigned group = 0; group < ends; group += 8) {
        __m256 const xx = SumThreeLaneRows(above[0], here[0], below[0], group);
        __m256 const yy = SumThreeLaneRows(above[1], here[1], below[1], group);
        __m256 const xy = SumThreeLaneRows(above[2], here[2], below[2], group);
        __m256 const samples = SumThreeLaneRows(above[3], here[3], below[3], group);
        __m256 const energy = _mm256_add_ps(xx, yy);
        __m256 const a = _mm256_sub_ps(xx, yy);
        __m256 const b = _mm256_add_ps(xy, xy);
        __m256 const square = _mm256_add_ps(_mm256_mul_ps(a, a), _mm256_mul_ps(b, b));
        __m256 const some = _mm256_cmp_ps(samples, _mm256_setzero_ps(), _CMP_GT_OQ);
        __m256 const strong = _mm256_cmp_ps(energy, _mm256_mul_ps(samples, floor), _CMP_GE_OQ);
        __m256 const coherent = _mm256_cmp_ps(square, _mm256_mul_ps(_mm256_mul_ps(energy, energy), floor2), _CMP_GE_OQ);
        may[group / 8] = static_cast<unsigned char>(_mm256_movemask_ps(_mm256_and_ps(_mm256_and_ps(some, strong), coherent)));
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
    for (unsigned column = 0; column < columns_; ++column) {
        judge(column);
        if (judgements[column].barLike != 0) {
            barLikeCells_[barLikeCount_++] = static_cast<unsigned short>(row * columns_ + column);
        }
    }
}

#if defined(SCANNER_FIELD_AVX2)
void BarOrientationField::ClassifyLanes(unsigned energyFloor, unsigned coherenceFloor)
{
    // The rows of sums above, at and below the judged row, by turns; above
    // the first row and below the last stand rows of zeros.
    unsigned const ends = (columns_ + 7) / 8 * 8;
    auto sumRow = [this, ends](unsigned row, unsigned slot) {
        if (row >= rows_) {
            std::fill(laneCells_[slot], laneCells_[slot] + ends, CellSums{0, 0, 0, 0});
            for (unsigned q = 0; q < kQuantityCount; ++q) {
                std::fill(laneSums_[slot][q], laneSums_[slot][q] + ends, 0.0f);
            }
            return;
        }
        SumRowEights(cells_ + row * columns_, columns_, ends, laneCells_[slot], laneSums_[slot]);
    };
    long long const floor2 = static_cast<long long>(coherenceFloor) * coherenceFloor;
    // The margins below the floors that the lanes' rounding cannot cross
    // (the whole-number test halves its sums below 2^23, which moves the
    // squared coherence by less than 2^-19).
    float const energyLeast = static_cast<float>(energyFloor) * (1.0f - 1.0f / 65536);
    float const coherenceLeast = static_cast<float>(static_cast<double>(floor2) / (255.0 * 255.0) - 1.0 / 4096);
    unsigned char may[kLaneColumns / 8];
    unsigned above = 0;
    unsigned here = 1;
    unsigned below = 2;
    sumRow(rows_, above);
    sumRow(0, here);
    for (unsigned row = 0; row < rows_; ++row) {
        sumRow(row + 1, below);
        MayPassEights(laneSums_[above], laneSums_[here], laneSums_[below], ends, energyLeast, coherenceLeast, may);
        Judgement* judgements = judgements_ + row * columns_;
        std::memset(judgements, 0, columns_ * sizeof(Judgement));
        CellSums const* a = laneCells_[above];
        CellSums const* h = laneCells_[here];
        CellSums const* b = laneCells_[below];
        for (unsigned group = 0; group < ends; group += 8) {
            // The bar-like columns of the group, a bit each in column order.
            unsigned passed = 0;
            for (unsigned bits = may[group / 8]; bits != 0; bits &= bits - 1) {
                unsigned const lane = kLaneColumn[std::countr_zero(bits)];
                unsigned const column = group + lane;
                if (column >= columns_) {
                    continue;
                }
                auto total = [column](CellSums const* x, CellSums const* y, CellSums const* z, int CellSums::*q) {
                    return static_cast<long long>(x[column].*q) + y[column].*q + z[column].*q;
                };
                judgements[column] =
                    JudgeSums(total(a, h, b, &CellSums::xx), total(a, h, b, &CellSums::yy),
                              total(a, h, b, &CellSums::xy),
                              static_cast<unsigned>(total(a, h, b, &CellSums::samples)), energyFloor, floor2);
                passed |= static_cast<unsigned>(judgements[column].barLike) << lane;
            }
            for (; passed != 0; passed &= passed - 1) {
                barLikeCells_[barLikeCount_++] =
                    static_cast<unsigned short>(row * columns_ + group + static_cast<unsigned>(std::countr_zero(passed)));
            }
        }
        unsigned const spare = above;
        above = here;
        here = below;
        below = spare;
    }
}
#endif

void BarOrientationField::Classify(unsigned energyFloor, unsigned coherenceFloor, bool wideLanes)
{
    // Sums of three cells along each row, for the row above, this one and
    // the one below; the 3 x 3 sums are their column sums. Above the first
    // row and below the last stand rows of zeros.
    RowSums* above = &rowSums_[0];
    RowSums* here = &rowSums_[1];
    RowSums* below = &rowSums_[2];
    barLikeCount_ = 0;
    if (rows_ == 0) {
        return;
    }
#if defined(SCANNER_FIELD_AVX2)
    // The lanes add three cells' sums in 32 bits: exact while a cell holds
    // at most 8 x 8 samples. Larger cells (wide areas) are summed as the
    // plain path does, in doubles.
    if (wideLanes && ProcessorHasAvx2() && cellSide_ <= 8 * stride_) {
        ClassifyLanes(energyFloor, coherenceFloor);
        return;
    }
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
// The noise bins of the cells of whole groups of eight holding a whole
// cell's 64 samples, as CalcNoiseBin gives them, kNotWhole for the others;
// the count of cells binned. The mean is made a float (exact below 2^24;
// a whole cell's sum lies below 2^29, and a mean of 2^23 or more is left to
// the others' path), whose exponent and two highest fraction bits are the
// bin but for the means 0 and 3.
constexpr unsigned char kNotWhole = 255;

__attribute__((target("avx2"))) unsigned BinWholeCells(BarOrientationField::Cell const* cells, unsigned count,
                                                       unsigned char* bins)
{
    __m256i const sampleBits = _mm256_set1_epi32(0xFFFF);
    __m256i const whole = _mm256_set1_epi32(kEight * kEight);
    __m256i const largest = _mm256_set1_epi32((1 << 23) - 1);
    __m256i const three = _mm256_set1_epi32(3);
    __m256i const binOfThree = _mm256_set1_epi32(5);
    __m256i const offset = _mm256_set1_epi32((127 << 2) - 1);
    __m256i const notWhole = _mm256_set1_epi32(kNotWhole);
    // The lanes hold cells 0, 2, 4, 6, 1, 3, 5, 7 after the unpacking: back
    // in the cells' order.
    __m256i const order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    unsigned i = 0;
    for (; i + 8 <= count; i += 8) {
        auto const* words = reinterpret_cast<__m256i const*>(cells + i);
        __m256i const c01 = _mm256_loadu_si256(words);
        __m256i const c23 = _mm256_loadu_si256(words + 1);
        __m256i const c45 = _mm256_loadu_si256(words + 2);
        __m256i const c67 = _mm256_loadu_si256(words + 3);
        __m256i const t0 = _mm256_unpacklo_epi32(c01, c23);
        __m256i const t1 = _mm256_unpackhi_epi32(c01, c23);
        __m256i const t2 = _mm256_unpacklo_epi32(c45, c67);
        __m256i const t3 = _mm256_unpackhi_epi32(c45, c67);
        __m256i const xx = _mm256_unpacklo_epi64(t0, t2);
        __m256i const yy = _mm256_unpackhi_epi64(t0, t2);
        __m256i const counts = _mm256_and_si256(_mm256_unpackhi_epi64(t1, t3), sampleBits);
        __m256i const mean = _mm256_srli_epi32(_mm256_add_epi32(xx, yy), 6);
        __m256i const exact = _mm256_castps_si256(_mm256_cvtepi32_ps(mean));
        __m256i bin = _mm256_sub_epi32(_mm256_srli_epi32(exact, 21), offset);
        bin = _mm256_blendv_epi8(bin, binOfThree, _mm256_cmpeq_epi32(mean, three));
        bin = _mm256_blendv_epi8(bin, _mm256_setzero_si256(), _mm256_cmpeq_epi32(mean, _mm256_setzero_si256()));
        __m256i const binned = _mm256_andnot_si256(_mm256_cmpgt_epi32(mean, largest), _mm256_cmpeq_epi32(counts, whole));
        bin = _mm256_blendv_epi8(notWhole, bin, binned);
        // Eight bins of 0 .. 255 to eight bytes.
        __m256i const halves = _mm256_permutevar8x32_epi32(bin, order);
        __m256i const shorts = _mm256_packus_epi32(halves, halves);
        __m256i const bytes = _mm256_packus_epi16(shorts, shorts);
        unsigned const low = static_cast<unsigned>(_mm_cvtsi128_si32(_mm256_castsi256_si128(bytes)));
        unsigned const high = static_cast<unsigned>(_mm_cvtsi128_si32(_mm256_extracti128_si256(bytes, 1)));
        std::memcpy(bins + i, &low, sizeof(low));
        std::memcpy(bins + i + 4, &high, sizeof(high));
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
    while (wideLanes && ProcessorHasAvx2() && i + 8 <= count) {
        unsigned const block = count - i < kBlock ? count - i : kBlock;
        unsigned const binned = i + BinWholeCells(cells_ + i, block, bins);
        // i stays a multiple of four: cell i + k counts in histogram k.
        for (unsigned const first = i; i < binned; i += 4) {
            // Mostly four whole cells: their bins are below 128, kNotWhole
            // is not.
            unsigned word = 0;
            std::memcpy(&word, bins + (i - first), sizeof(word));
            if ((word & 0x80808080u) == 0) {
                ++histograms[0][word & 255u];
                ++histograms[1][(word >> 8) & 255u];
                ++histograms[2][(word >> 16) & 255u];
                ++histograms[3][word >> 24];
                counted += 4;
                continue;
            }
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
