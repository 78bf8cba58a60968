// Drawing helpers asked for far more than the target shows: a translucent fill of a rectangle
// much larger than its 100 x 100 bitmap, and a gradient of more bands than the rectangle has pixels.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "ctlbase/Exvclutils.h"
#include "platform/Graphics.h"

namespace {

const bool kHeadless = (setenv("QT_QPA_PLATFORM", "offscreen", 0), true);

void BM_AlphaFillRect(benchmark::State& state)
{
    TBitmap target;
    target.SetSize(100, 100);
    const Integer side = Integer(state.range(0));
    for (auto _ : state)
        AlphaFillRect(target.Canvas(), Rect(-side / 2, -side / 2, side / 2, side / 2), clNavy, 96);
}
BENCHMARK(BM_AlphaFillRect)->ArgName("side")->Arg(100)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);

void BM_GradientFillSteps(benchmark::State& state)
{
    TBitmap target;
    target.SetSize(300, 200);
    HDC dc = target.Canvas()->Handle();
    const Integer steps = Integer(state.range(0));
    for (auto _ : state)
        GradientFill(dc, Rect(0, 0, 300, 200), clNavy, clYellow, steps, state.range(1) != 0);
}
BENCHMARK(BM_GradientFillSteps)
    ->ArgNames({"steps", "vertical"})
    ->Args({256, 0})
    ->Args({10000000, 0})
    ->Args({10000000, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace
