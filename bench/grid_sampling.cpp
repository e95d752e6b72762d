// Costs of sampling a matrix symbol through its module grid: lines from the
// corners, the mesh of crossings, the luminance map, the module decision, and
// the edge routines that place a grid.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "decoder/core/sampling/binarization_subroutine.h"
#include "decoder/core/sampling/calc_edge_line_subroutine.h"
#include "decoder/core/sampling/calc_edge_point_subroutine.h"
#include "decoder/core/sampling/common_code_grid.h"
#include "decoder/core/sampling/common_code_mesh.h"
#include "decoder/core/sampling/common_gap_and_threshold_map.h"
#include "decoder/core/sampling/common_luminance_map.h"
#include "decoder/core/sampling/range_changer.h"
#include "tests/support/symbol_renderer.h"

namespace {

using namespace DEC2DIvra;

Point At(support::RenderedSymbol const& symbol, double column, double row)
{
    support::Point const p = symbol.toFrame(support::Point{column, row});
    return Point{static_cast<int>(std::lround((p.x - 0.5) * 256)), static_cast<int>(std::lround((p.y - 0.5) * 256))};
}

// A QR symbol of the given version, turned and blurred, as large as the
// frame allows (3 pixels a module, 2 for the largest versions).
struct QrScene {
    support::Rendering rendered;
    GrayImage image;
    int side = 0;

    explicit QrScene(int version)
    {
        support::SymbolInput const input{.symbology = BARCODE_QRCODE, .data = std::string(10, 'A'), .option2 = version};
        bool const large = version > 20;
        rendered = support::render(input, {.moduleSize = large ? 2.0 : 3.0, .angle = large ? 3.0 : 17.0,
                                           .quietZone = 4, .blur = 0.7, .noise = 6});
        if (!rendered.symbol.ok) {
            std::abort();
        }
        side = rendered.symbol.rows;
        image = GrayImage(rendered.frame.width, rendered.frame.height, rendered.frame.width,
                          rendered.frame.pixels.data());
    }

    Region Corners() const
    {
        double const last = side - 0.5;
        return Region{{At(rendered.symbol, 0.5, 0.5), At(rendered.symbol, last, 0.5), At(rendered.symbol, last, last),
                       At(rendered.symbol, 0.5, last)}};
    }
};

struct Buffers {
    static constexpr unsigned kSide = 181;
    std::vector<Line> columnLines = std::vector<Line>(kSide);
    std::vector<Line> rowLines = std::vector<Line>(kSide);
    std::vector<Point> points = std::vector<Point>(kSide * kSide);
    std::vector<unsigned short> cells = std::vector<unsigned short>(kSide * kSide);
    std::vector<GapAndThreshold> blockCells = std::vector<GapAndThreshold>(kSide * kSide);
    std::unique_ptr<bool[]> decided{new bool[kSide * kSide]};
    CommonCodeGrid grid{VirtualArray<Line>(columnLines.data(), kSide), VirtualArray<Line>(rowLines.data(), kSide)};
    CommonCodeMesh mesh{VirtualArray<Point>(points.data(), kSide * kSide)};
    CommonLuminanceMap map{VirtualArray<unsigned short>(cells.data(), kSide * kSide)};
    CommonGapAndThresholdMap blocks{VirtualArray<GapAndThreshold>(blockCells.data(), kSide * kSide)};
    VariableSizeVirtualTable<bool> table{decided.get(), kSide * kSide};
};

// Grid lines and mesh only.
void BM_GridAndMesh(benchmark::State& state)
{
    QrScene const scene(static_cast<int>(state.range(0)));
    Buffers b;
    Region const corners = scene.Corners();
    int const side = scene.side;
    b.mesh.SetSize(static_cast<unsigned>(side + 2), static_cast<unsigned>(side + 2), 8);
    for (auto _ : state) {
        bool ok = b.grid.SetForShogiban(scene.image, corners, Rectangle{-1, -1, side, side}, 8, side - 1, side - 1);
        ok = ok && b.grid.CalcMesh(scene.image, Vector{1, 1}, b.mesh);
        benchmark::DoNotOptimize(ok);
    }
    state.SetItemsProcessed(state.iterations() * (side + 2) * (side + 2));
}
BENCHMARK(BM_GridAndMesh)->Arg(1)->Arg(10)->Arg(40);

// Corners to module table: grid, mesh, luminance map and module decision.
void BM_GridToModuleTable(benchmark::State& state)
{
    QrScene const scene(static_cast<int>(state.range(0)));
    Buffers b;
    Region const corners = scene.Corners();
    int const side = scene.side;
    BinarizationSubroutine const binarize;
    for (auto _ : state) {
        bool ok = b.grid.SetForShogiban(scene.image, corners, Rectangle{-1, -1, side, side}, 8, side - 1, side - 1);
        ok = ok && b.mesh.SetSize(static_cast<unsigned>(side + 2), static_cast<unsigned>(side + 2), 8);
        ok = ok && b.grid.CalcMesh(scene.image, Vector{1, 1}, b.mesh);
        ok = ok && b.map.SetLuminance(scene.image, b.mesh, false);
        ok = ok && binarize.Start(scene.image, b.map, Rectangle{1, 1, side, side}, b.blocks, Vector{5, 5}, false,
                                  b.table) == 1;
        benchmark::DoNotOptimize(ok);
    }
    state.SetItemsProcessed(state.iterations() * side * side);
}
BENCHMARK(BM_GridToModuleTable)->Arg(1)->Arg(10)->Arg(40);

// The Laplacian map costs five pixel reads per bilinear tap.
void BM_LaplacianLuminanceMap(benchmark::State& state)
{
    QrScene const scene(10);
    Buffers b;
    int const side = scene.side;
    b.grid.SetForShogiban(scene.image, scene.Corners(), Rectangle{-1, -1, side, side}, 8, side - 1, side - 1);
    b.mesh.SetSize(static_cast<unsigned>(side + 2), static_cast<unsigned>(side + 2), 8);
    b.grid.CalcMesh(scene.image, Vector{1, 1}, b.mesh);
    for (auto _ : state) {
        benchmark::DoNotOptimize(b.map.SetLuminance(scene.image, b.mesh, true));
    }
    state.SetItemsProcessed(state.iterations() * (side + 2) * (side + 2));
}
BENCHMARK(BM_LaplacianLuminanceMap);

void BM_HighLowCut17x274(benchmark::State& state)
{
    Buffers b;
    b.map.SetSize(17, 274);
    for (unsigned i = 0; i < 17 * 274; ++i) {
        b.cells[i] = static_cast<unsigned short>((i * 7919) % 1024);
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(RangeChanger::AutoHighLowCut(b.map, Vector{4, 4}));
    }
    state.SetItemsProcessed(state.iterations() * 17 * 274);
}
BENCHMARK(BM_HighLowCut17x274);

// One module-to-module edge walk, as the dot and module re-centring do.
void BM_CalcEdgePoint(benchmark::State& state)
{
    QrScene const scene(2);
    CalcEdgePointSubroutine const calc;
    Point const from = At(scene.rendered.symbol, 3.5, 3.5);
    Point const to = At(scene.rendered.symbol, 5.5, 3.5);
    for (auto _ : state) {
        Point edge;
        benchmark::DoNotOptimize(calc.Start(scene.image, from, to, true, 8, edge));
    }
}
BENCHMARK(BM_CalcEdgePoint);

// A side of a version 10 symbol (57 modules) refitted from an estimate.
void BM_CalcEdgeLine(benchmark::State& state)
{
    QrScene const scene(10);
    CalcEdgeLineSubroutine const calc;
    double const side = scene.side;
    LineSegment const estimate{At(scene.rendered.symbol, -0.5, 0.5), At(scene.rendered.symbol, -0.5, side - 0.5)};
    Point const inward = At(scene.rendered.symbol, 1.0, side / 2);
    Point const origin = At(scene.rendered.symbol, 0.0, side / 2);
    Vector const search{inward.x - origin.x, inward.y - origin.y};
    for (auto _ : state) {
        Line line;
        benchmark::DoNotOptimize(calc.Start(scene.image, estimate, search, true, 4, line));
    }
}
BENCHMARK(BM_CalcEdgeLine);

}  // namespace

BENCHMARK_MAIN();
