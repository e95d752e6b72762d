// The Aztec reader's module sampling on a large symbol's grid: the grey value
// of every module of a 137 x 137 map (a 31-layer symbol and its surround) at
// about 2.6 pixels a module, turned and seen at a slant, and the reference
// grid fit's lines of eighth-module steps; and the reference-point road's
// pieces on the same scene: the module decisions of a 137-module mesh and
// the reference points of a 31-layer symbol's four rings.

#include <cmath>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "decoder/core/gray_image.h"
#include "decoder/matrix/aztec/aztec_code_decoder.h"
#include "decoder/matrix/aztec/aztec_module_grid.h"
#include "decoder/matrix/aztec/binarization_subroutine_for_aztec.h"
#include "decoder/matrix/aztec/calc_reference_points_subroutine.h"

using namespace DEC2DIvra;

namespace {

struct Scene {
    std::vector<unsigned short> pixels;
    GrayImage image;
    AztecModuleGrid grid;

    Scene() : pixels(640 * 480)
    {
        std::mt19937 random(5);
        for (unsigned short& p : pixels) {
            p = static_cast<unsigned short>(random() % 1024);
        }
        image = GrayImage(640, 480, 640, pixels.data());
        // Modules of 2.6 pixels turned by 0.3 rad, a little keystoned.
        double const c = std::cos(0.3) * 2.6;
        double const s = std::sin(0.3) * 2.6;
        for (int v = -70; v <= 70; v += 10) {
            for (int u = -70; u <= 70; u += 10) {
                double const w = 1 + 0.0005 * u;
                grid.Add(u, v, (320 + c * u - s * v) / w, (240 + s * u + c * v) / w);
            }
        }
        grid.Fit();
    }
};

Scene const& TheScene()
{
    static Scene const scene;
    return scene;
}

void BM_SampleModuleMap(benchmark::State& state)
{
    Scene const& scene = TheScene();
    constexpr unsigned kSide = 137;
    std::vector<unsigned short> grey(kSide * kSide);
    OrientationPattern orientation;
    orientation.rotation = static_cast<unsigned>(state.range(0));
    for (auto _ : state) {
        bool const sampled = SampleAztecModules(scene.image, scene.grid, orientation, kSide, grey.data());
        benchmark::DoNotOptimize(sampled);
        benchmark::DoNotOptimize(grey.data());
    }
    state.SetItemsProcessed(static_cast<long long>(state.iterations()) * kSide * kSide);
}
BENCHMARK(BM_SampleModuleMap)->Arg(0)->Arg(1);

void BM_SampleEighthSteps(benchmark::State& state)
{
    Scene const& scene = TheScene();
    constexpr unsigned kPoints = 105;
    int grey[kPoints];
    for (auto _ : state) {
        for (int k = -4; k <= 4; ++k) {
            AztecModuleGrid::Line const line(scene.grid, 16.0 * k - 6.5, 16.0 * k, 1 / 8.0, 0);
            benchmark::DoNotOptimize(line.Sample(scene.image, kPoints, grey));
            benchmark::DoNotOptimize(grey);
        }
    }
    state.SetItemsProcessed(static_cast<long long>(state.iterations()) * 9 * kPoints);
}
BENCHMARK(BM_SampleEighthSteps);

// The scene's grid as the frames' grid holds it: centre and four steps.
CommonVectorGrid VectorGridOf(Scene const& scene)
{
    auto fixed = [&](double u, double v) {
        double x = 0;
        double y = 0;
        scene.grid.Map(u, v, x, y);
        return Point{static_cast<int>(std::lround((x - 0.5) * 256)), static_cast<int>(std::lround((y - 0.5) * 256))};
    };
    CommonVectorGrid grid;
    Point const centre = fixed(0, 0);
    grid.Reset(centre);
    for (unsigned d = 0; d < 4; ++d) {
        Vector const unit = StepToDirection::Get(d, 1);
        Point const p = fixed(unit.dx, unit.dy);
        grid.SetStep(d, Vector{p.x - centre.x, p.y - centre.y});
    }
    return grid;
}

void BM_BinarizeMesh(benchmark::State& state)
{
    Scene const& scene = TheScene();
    constexpr unsigned kSide = 137;
    CommonVectorGrid const grid = VectorGridOf(scene);
    std::vector<Point> points(kSide * kSide);
    CommonCodeMesh mesh(VirtualArray<Point>(points.data(), kSide * kSide));
    mesh.SetSize(kSide, kSide, 8);
    mesh.SetSamplingSize(8);
    int const half = kSide / 2;
    for (int j = -half; j <= half; ++j) {
        for (int i = -half; i <= half; ++i) {
            mesh.At(static_cast<unsigned>(i + half), static_cast<unsigned>(j + half)) = grid.GetTempModuleCenter(i, j);
        }
    }
    constexpr unsigned kWide = (kSide + 2) * (kSide + 2);
    std::vector<Point> wide(kWide);
    std::vector<unsigned short> luminance(kWide);
    std::vector<GapAndThreshold> blocks(30 * 30);
    std::vector<unsigned char> cells(kSide * kSide);
    BinarizationSubroutineForAztec binarization(VirtualArray<Point>(wide.data(), kWide),
                                                VirtualArray<unsigned short>(luminance.data(), kWide),
                                                VirtualArray<GapAndThreshold>(blocks.data(), 30 * 30));
    BinarizationTableForAztec table{cells.data(), kSide};
    for (auto _ : state) {
        benchmark::DoNotOptimize(binarization.Start(scene.image, mesh, state.range(0) != 0, true, table));
        benchmark::DoNotOptimize(cells.data());
    }
    state.SetItemsProcessed(static_cast<long long>(state.iterations()) * kSide * kSide);
}
BENCHMARK(BM_BinarizeMesh)->Arg(0)->Arg(1);

void BM_ReferenceCrossPoints(benchmark::State& state)
{
    Scene const& scene = TheScene();
    CommonVectorGrid const grid = VectorGridOf(scene);
    CalcReferencePointsSubroutine const search;
    ReferenceGridPointTable table;
    for (auto _ : state) {
        table.Clear();
        table.rings = 4;
        table.half = 68;
        table.At(0, 0) = grid.GetCenter();
        search.CalcCrossPoints(scene.image, false, state.range(0) != 0, grid, 31, table);
        benchmark::DoNotOptimize(table.points);
    }
}
BENCHMARK(BM_ReferenceCrossPoints)->Arg(0)->Arg(1);

}  // namespace

BENCHMARK_MAIN();
