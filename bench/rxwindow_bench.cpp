// One sound buffer through the main window: spectrum, both displays painted (the oscillogram 34
// or 35 times, with the window's messages run after each drawing), AFC, demodulation and
// decoding, at the window's default size and 1600 pixels wide. A buffer lasts 2048 / 11025 s =
// 185.8 ms; the window must take a small share of that. The same buffer with nothing painted shows
// what the drawing costs.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "receiver/RxForm.h"

namespace {

// Continuous-phase two-tone keying at 50 Bd on the start-up tones, with noise: eight buffers.
std::vector<std::vector<std::int16_t>> Signal()
{
    std::mt19937 gen(5);
    std::normal_distribution<double> noise(0.0, 600.0);
    std::uniform_int_distribution<int> bit(0, 1);
    const double lower = 274 * 11025.0 / 2048, upper = 358 * 11025.0 / 2048;
    std::vector<std::vector<std::int16_t>> blocks(8, std::vector<std::int16_t>(2048));
    double phase = 0.0, hz = lower;
    int n = 0;
    for (auto& b : blocks)
        for (auto& s : b) {
            if (n++ % 221 == 0)
                hz = bit(gen) ? lower : upper;
            phase += 2 * M_PI * hz / 11025.0;
            s = static_cast<std::int16_t>(8000 * std::sin(phase) + noise(gen));
        }
    return blocks;
}

void Buffer(benchmark::State& state, bool paint)
{
    if (std::getenv("DISPLAY") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    Application->Initialize();
    {
        TRxForm form(nullptr);  // no sound device is opened: the buffers come from here
        form.AfterConstruction();
        form.SetBounds(0, 0, static_cast<int>(state.range(0)) + 8, 427);
        form.OnActivate = nullptr;  // no start-up: it would open the sound input
        form.Show();
        form.SetMode(0);
        Application->ProcessMessages();
        if (!paint)
            form.Path.Host = nullptr;
        const auto blocks = Signal();
        std::size_t i = 0;
        for (auto _ : state)
            form.ProcessSoundBuffer(blocks[i++ % blocks.size()].data(), false);
        // Time per buffer over the buffer's length, in per cent.
        state.counters["share_%"] = benchmark::Counter(
            0.18576 / 100.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
        state.SetLabel(std::to_string(form.FFTBox->Width()) + " px wide");
    }
    Application->ProcessMessages();
}

void BM_BufferWithDisplays(benchmark::State& state) { Buffer(state, true); }
void BM_BufferNothingPainted(benchmark::State& state) { Buffer(state, false); }

}  // namespace

BENCHMARK(BM_BufferWithDisplays)->Arg(524)->Arg(1600)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BufferNothingPainted)->Arg(524)->Unit(benchmark::kMillisecond);
