// The Aztec reader's module sampling on a large symbol's grid: the grey value
// of every module of a 137 x 137 map (a 31-layer symbol and its surround) at
// about 2.6 pixels a module, turned and seen at a slant, and the reference
// grid fit's lines of eighth-module steps.

#include <cmath>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "decoder/core/gray_image.h"
#include "decoder/matrix/aztec/aztec_code_decoder.h"
#include "decoder/matrix/aztec/aztec_module_grid.h"

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

}  // namespace

BENCHMARK_MAIN();
