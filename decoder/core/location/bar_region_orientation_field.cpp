#include "decoder/core/location/bar_region_orientation_field.h"

#include <bit>

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
#endif

#if defined(SCANNER_FIELD_AVX2)
bool ProcessorHasAvx2()
{
    static bool const has = __builtin_cpu_supports("avx2") != 0;
    return has;
}

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
    for (unsigned i = 0; i < count; ++i) {
        cells_[i] = Cell{0, 0, 0, 0};
        judgements_[i] = Judgement{0, 0, 0};
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
    }
#endif
    for (int y = area.top; y <= lastY; y += step) {
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

GradientTensor BarOrientationField::CalcTensor(unsigned index) const
{
    Cell const& c = cells_[index];
    return GradientTensor{c.xx, c.yy, c.xy, c.samples};
}

void BarOrientationField::SumRow(unsigned row, GradientTensor* sums) const
{
    Cell const* cells = cells_ + row * columns_;
    auto put = [](GradientTensor& t, Cell const& a, Cell const& b) {
        t.xx = static_cast<long long>(a.xx) + b.xx;
        t.yy = static_cast<long long>(a.yy) + b.yy;
        t.xy = static_cast<long long>(a.xy) + b.xy;
        t.samples = static_cast<unsigned>(a.samples) + b.samples;
    };
    if (columns_ == 0) {
        return;
    }
    if (columns_ == 1) {
        sums[0] = GradientTensor{cells[0].xx, cells[0].yy, cells[0].xy, cells[0].samples};
        return;
    }
    // The end columns have one neighbour, the others two.
    unsigned const last = columns_ - 1;
    put(sums[0], cells[0], cells[1]);
    for (unsigned c = 1; c < last; ++c) {
        GradientTensor& t = sums[c];
        t.xx = static_cast<long long>(cells[c - 1].xx) + cells[c].xx + cells[c + 1].xx;
        t.yy = static_cast<long long>(cells[c - 1].yy) + cells[c].yy + cells[c + 1].yy;
        t.xy = static_cast<long long>(cells[c - 1].xy) + cells[c].xy + cells[c + 1].xy;
        t.samples = static_cast<unsigned>(cells[c - 1].samples) + cells[c].samples + cells[c + 1].samples;
    }
    put(sums[last], cells[last - 1], cells[last]);
}

void BarOrientationField::Classify(unsigned energyFloor, unsigned coherenceFloor)
{
    long long const floor2 = static_cast<long long>(coherenceFloor) * coherenceFloor;
    // Sums of three cells along each row, for the row above, this one and
    // the one below; the 3 x 3 sums are their column sums. Above the first
    // row and below the last stand rows of zeros.
    GradientTensor* above = rowSums_[0];
    GradientTensor* here = rowSums_[1];
    GradientTensor* below = rowSums_[2];
    for (unsigned column = 0; column < columns_; ++column) {
        above[column] = GradientTensor{};
    }
    if (rows_ > 0) {
        SumRow(0, here);
    }
    for (unsigned row = 0; row < rows_; ++row) {
        if (row + 1 < rows_) {
            SumRow(row + 1, below);
        } else {
            for (unsigned column = 0; column < columns_; ++column) {
                below[column] = GradientTensor{};
            }
        }
        Judgement* judgements = judgements_ + row * columns_;
        for (unsigned column = 0; column < columns_; ++column) {
            judgements[column] = Judgement{0, 0, 0};
            GradientTensor const& a = above[column];
            GradientTensor const& h = here[column];
            GradientTensor const& b = below[column];
            unsigned const samples = a.samples + h.samples + b.samples;
            long long energy = (a.xx + h.xx + b.xx) + (a.yy + h.yy + b.yy);
            if (samples == 0 || energy < static_cast<long long>(energyFloor) * samples) {
                continue;
            }
            GradientTensor const t{a.xx + h.xx + b.xx, a.yy + h.yy + b.yy, a.xy + h.xy + b.xy, samples};
            // Most cells fail on coherence: compare squares first, scaled so
            // that 255^2 times a square stays in 64 bits (all halved together
            // below 2^23, each halving rounding toward zero).
            long long a2 = t.xx - t.yy;
            long long b2 = 2 * t.xy;
            if (energy >= (1LL << 23)) {
                int const shift = std::bit_width(static_cast<unsigned long long>(energy)) - 23;
                energy >>= shift;
                a2 = a2 >= 0 ? a2 >> shift : -((-a2) >> shift);
                b2 = b2 >= 0 ? b2 >> shift : -((-b2) >> shift);
            }
            long long const square = a2 * a2 + b2 * b2;
            if (square * (255 * 255) < floor2 * energy * energy) {
                continue;
            }
            unsigned angle = 0;
            if (t.CalcDoubledAngle(angle)) {
                Judgement& j = judgements[column];
                long long const share = square * 255 / (energy * energy);
                j.angle = static_cast<unsigned short>(angle);
                j.coherence = static_cast<unsigned char>(share > 255 ? 255 : share);
                j.barLike = 1;
            }
        }
        GradientTensor* const spare = above;
        above = here;
        here = below;
        below = spare;
    }
}

unsigned BarOrientationField::CalcNoiseLevel() const
{
    // Mean squares per sample in bins of a quarter octave.
    static constexpr unsigned kBins = 160;
    unsigned short histogram[kBins] = {};
    unsigned counted = 0;
    unsigned const count = GetCellCount();
    for (unsigned i = 0; i < count; ++i) {
        Cell const& c = cells_[i];
        if (c.samples == 0) {
            continue;
        }
        unsigned long long const sum =
            static_cast<unsigned long long>(static_cast<unsigned>(c.xx)) + static_cast<unsigned>(c.yy);
        // A whole cell of eight by eight samples, by far the most, divides
        // by a shift.
        unsigned long long const mean = c.samples == kEight * kEight ? sum >> 6 : sum / c.samples;
        unsigned bin = 0;
        if (mean > 0) {
            unsigned const top = 63u - static_cast<unsigned>(__builtin_clzll(mean));
            unsigned const fraction = top >= 2 ? static_cast<unsigned>(mean >> (top - 2)) & 3u : 0u;
            bin = 4 * top + fraction + 1;
        }
        ++histogram[bin < kBins ? bin : kBins - 1];
        ++counted;
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

int BarOrientationField::CalcCentreX(unsigned column) const
{
    return area_.left + static_cast<int>(column * cellSide_ + cellSide_ / 2);
}

int BarOrientationField::CalcCentreY(unsigned row) const
{
    return area_.top + static_cast<int>(row * cellSide_ + cellSide_ / 2);
}

}  // namespace DEC2DIvra
