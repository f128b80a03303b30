// Height evaluations per second for each formula prototype over the whole grid of
// nodes, as the mesh drawing asks for them: one call per node, nothing cached.
#include "surface/SurfaceFunctions.h"

#include <benchmark/benchmark.h>

namespace {
void BM_SurfaceHeight(benchmark::State& state) {
    const int index = static_cast<int>(state.range(0));
    const SurfaceCoefficients k{20, 1, 1, 0, 0.5f};
    for (auto _ : state) {
        for (int i = -20; i <= 20; ++i) {
            for (int j = -20; j <= 20; ++j) {
                double y = SurfaceHeight(index, k, static_cast<float>(i), static_cast<float>(j));
                benchmark::DoNotOptimize(y);
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * 41 * 41);
}
}  // namespace

BENCHMARK(BM_SurfaceHeight)->DenseRange(0, 6)->ArgName("prototype");

BENCHMARK_MAIN();
