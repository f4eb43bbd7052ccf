// Snapping one marked line of 3000 pixels to its edge, on a colour photograph of 6000 x 4000
// pixels: the façade's bottom edge of the colour sample, clicked a pixel off at either end.
#include <benchmark/benchmark.h>

#include <cmath>

#include "edges/snap.h"
#include "sample/colour.h"

namespace {

void BM_SnapLine3000(benchmark::State& state) {
    const velta::sample::Camera cam =
        velta::sample::colourCamera(velta::sample::colourSampleWidth, velta::sample::colourSampleHeight);
    static const velta::Picture picture = velta::sample::renderColourFacade(cam);
    const velta::edges::PictureGrey grey(picture);
    // 3000 pixels along the bottom edge from its left corner.
    const auto a = velta::sample::projectToImage(cam, {0, 0}).value();
    const auto b = velta::sample::projectToImage(cam, {24, 0}).value();
    const double len = std::hypot(b.x - a.x, b.y - a.y);
    const double x2 = a.x + (b.x - a.x) * 3000 / len, y2 = a.y + (b.y - a.y) * 3000 / len;
    for (auto _ : state) {
        const velta::edges::Snap s = velta::edges::snapLine(grey, std::floor(a.x) + 1, std::floor(a.y) - 1,
                                                            std::floor(x2), std::floor(y2) + 1);
        if (!s.snapped) state.SkipWithError("the edge was not found");
        benchmark::DoNotOptimize(s);
    }
}
BENCHMARK(BM_SnapLine3000)->Unit(benchmark::kMillisecond);

}  // namespace
