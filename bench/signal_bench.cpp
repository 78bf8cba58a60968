// The receiver's per-block signal path: transform, spectra, AFC and 2048 samples through the
// demodulator. The counter RealTime is seconds of audio processed per second of CPU.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "receiver/Fft.h"
#include "receiver/SignalPath.h"
#include "receiver/Tuning.h"

namespace {

constexpr double kBlockSeconds = 2048.0 / 11025.0;

// Two seconds of keyed two-tone signal with some noise, as blocks.
std::vector<std::vector<std::int16_t>> Signal(int lowerStep, int upperStep, int samplesPerBit)
{
    std::vector<std::vector<std::int16_t>> blocks(11, std::vector<std::int16_t>(2048));
    std::uint32_t noise = 12345;
    double phase = 0.0;
    long n = 0;
    for (auto& b : blocks) {
        for (auto& v : b) {
            const bool mark = ((n++ / samplesPerBit) * 2654435761u >> 7) & 1;
            phase += 2.0 * M_PI * (mark ? upperStep : lowerStep) / 32768.0;
            noise = noise * 1664525u + 1013904223u;
            v = static_cast<std::int16_t>(9000.0 * std::sin(phase) + static_cast<int>(noise >> 20) - 2048);
        }
    }
    return blocks;
}

void RunPath(benchmark::State& state, int baud)
{
    TTtyParams params;
    rx::TRxSignalPath path(params);
    rx::SetMode(params, path.Demod, rx::kModeRtty);
    rx::SetSpeed(params, path.Demod, baud);
    const auto blocks = Signal(params.LowerStep, params.UpperStep, params.SamplesPerBit);
    std::size_t i = 0;
    for (auto _ : state) {
        path.ProcessSoundBuffer(blocks[i].data(), false);
        i = (i + 1) % blocks.size();
        benchmark::DoNotOptimize(path.Rings.Oscillogram[params.OscWriteIndex]);
    }
    state.counters["RealTime"] =
        benchmark::Counter(kBlockSeconds * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_BlockSlowChain(benchmark::State& state) { RunPath(state, 50); }
void BM_BlockFastChain(benchmark::State& state) { RunPath(state, 100); }

void BM_Fft2048(benchmark::State& state)
{
    const auto blocks = Signal(4800, 5312, 221);
    std::vector<double> re(2048), im(2048);
    for (auto _ : state) {
        MixedRadixFft(2048, blocks[0].data(), re.data(), im.data());
        benchmark::DoNotOptimize(re.data());
    }
}

void DemodOnly(benchmark::State& state, int baud)
{
    TTtyParams params;
    rx::TTwoToneDemod demod;
    rx::SetSpeed(params, demod, baud);
    const auto blocks = Signal(4800, 5312, 221);
    double sum = 0.0;
    for (auto _ : state) {
        for (std::int16_t s : blocks[0])
            sum += demod.Step(s, s, 4800, 5312);
        benchmark::DoNotOptimize(sum);
    }
    state.counters["RealTime"] =
        benchmark::Counter(kBlockSeconds * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_DemodSlow2048(benchmark::State& state) { DemodOnly(state, 50); }
void BM_DemodFast2048(benchmark::State& state) { DemodOnly(state, 100); }

}  // namespace

BENCHMARK(BM_BlockSlowChain);
BENCHMARK(BM_BlockFastChain);
BENCHMARK(BM_Fft2048);
BENCHMARK(BM_DemodSlow2048);
BENCHMARK(BM_DemodFast2048);
