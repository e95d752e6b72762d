// Costs of the decoder core's inner routines: the mesh crossing, line fits,
// sub-pixel sampling, angle lookup, wide arithmetic and the bare entry point.
#include <benchmark/benchmark.h>

#include <new>
#include <vector>

#include "decoder/core/arithmetic/big_integer.h"
#include "decoder/core/geometry/common_angle.h"
#include "decoder/core/dec2d_entry.h"
#include "decoder/core/geometry/geometry.h"
#include "decoder/core/geometry/geometry_ex.h"
#include "decoder/two_dimension_decoder.h"

namespace {

using namespace DEC2DIvra;

// A 177 x 177 module grid (the largest QR mesh): every row line crossed with
// every column line.
void BM_MeshCrossPoints(benchmark::State& state)
{
    std::vector<Line> rows;
    std::vector<Line> columns;
    for (int i = 0; i < 177; ++i) {
        Line row;
        Line column;
        Geometry::CalcLine(Point{10, 20 + i * 2}, Point{630, 25 + i * 2}, row);
        Geometry::CalcLine(Point{15 + i * 3, 5}, Point{12 + i * 3, 470}, column);
        rows.push_back(row);
        columns.push_back(column);
    }
    for (auto _ : state) {
        long long sum = 0;
        for (Line const& r : rows) {
            for (Line const& c : columns) {
                Point p;
                Geometry::CalcCrossPoint(r, c, p);
                sum += p.x + p.y;
            }
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * 177 * 177);
}
BENCHMARK(BM_MeshCrossPoints);

void BM_LeastSquaresLine64(benchmark::State& state)
{
    std::vector<Point> points;
    for (int i = 0; i < 64; ++i) {
        points.push_back(Point{100 + i * 7, 200 + (i * 5) / 3 + (i % 3)});
    }
    for (auto _ : state) {
        Line line;
        benchmark::DoNotOptimize(Geometry::CalcLine(ArrayIterator<Point const>(points.data(), 64), line, 5));
        benchmark::DoNotOptimize(line);
    }
}
BENCHMARK(BM_LeastSquaresLine64);

void BM_SubPixelLuminance(benchmark::State& state)
{
    std::vector<unsigned short> frame(640 * 480);
    for (unsigned i = 0; i < frame.size(); ++i) {
        frame[i] = static_cast<unsigned short>((i * 37) & 1023);
    }
    GrayImage const image(640, 480, 640, frame.data());
    bool const laplacian = state.range(0) != 0;
    for (auto _ : state) {
        unsigned sum = 0;
        for (int i = 0; i < 1000; ++i) {
            Point const p{(50 + i / 2) * 256 + (i * 29) % 256, (40 + i / 3) * 256 + (i * 71) % 256};
            sum += laplacian ? GeometryEx::GetLapLuminance(image, p, 8) : GeometryEx::GetLuminance(image, p, 8);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_SubPixelLuminance)->Arg(0)->Arg(1);

void BM_AngleValue9Bit(benchmark::State& state)
{
    for (auto _ : state) {
        unsigned sum = 0;
        for (int i = -50; i < 50; ++i) {
            unsigned v = 0;
            CommonAngle::CalcAngleValue(i * 13 + 1, 37 - i * 7, 9, v);
            sum += v;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_AngleValue9Bit);

void BM_CommonBigIntegerMulDiv(benchmark::State& state)
{
    CommonBigInteger const a(123456789123456789LL);
    CommonBigInteger const b(987654321LL);
    for (auto _ : state) {
        CommonBigInteger v = a;
        v.Mul(a);
        v.Div(b);
        benchmark::DoNotOptimize(v);
    }
}
BENCHMARK(BM_CommonBigIntegerMulDiv);

// The entry point on a 640 x 480 frame with nothing built in: the fixed cost
// every frame pays before any decoder runs.
void BM_MainBareFrame(benchmark::State& state)
{
    TwoDimensionDecoder* handle = new (std::nothrow) TwoDimensionDecoder(nullptr);
    std::vector<unsigned short> frame(640 * 480, 512);
    for (auto _ : state) {
        benchmark::DoNotOptimize(DEC2D_Main(handle, 640, 480, 640, frame.data(), nullptr));
    }
    delete handle;
}
BENCHMARK(BM_MainBareFrame);

}  // namespace

BENCHMARK_MAIN();
