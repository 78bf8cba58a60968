// One sound buffer through the main window: spectrum, both displays painted (the oscillogram 34
// or 35 times, with the window's messages run after each drawing), AFC, demodulation and
// decoding, at the window's default size and 1600 pixels wide. A buffer lasts 2048 / 11025 s =
// 185.8 ms; the window must take a small share of that. The same buffer with nothing painted shows
// what the drawing costs.
//
// One received byte through the window's one door: the receive window's append with its trimming
// and painting, the raw log (synced at every line end) and the message detector, with the window
// holding about 1,000 and about 25,000 characters.
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "memo/Stylememo.h"
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

// Teleprinter text: lines of 20 to 69 characters, a short message every 40 lines.
std::string Received()
{
    std::mt19937 gen(3);
    std::uniform_int_distribution<int> letter(0, 25), length(20, 69);
    std::string text;
    for (int line = 0; line < 2000; ++line) {
        if (line % 40 == 39) {
            text += "ZCZC FA01\r\nGALE WARNING\r\nNNNN\r\n";
            continue;
        }
        for (int i = length(gen); i > 0; --i)
            text += i % 6 == 0 ? ' ' : static_cast<char>('A' + letter(gen));
        text += "\r\n";
    }
    return text;
}

// Arguments: the receive window's size, and whether the logs go to a memory file system (1) or
// to the disk of the temporary folder (0), where every line end waits for the disk.
void BM_ReceivedByte(benchmark::State& state)
{
    if (std::getenv("DISPLAY") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const int size = static_cast<int>(state.range(0));
    const std::filesystem::path base = state.range(1) ? "/dev/shm" : std::filesystem::temp_directory_path();
    std::string dir = (base / "morvik-bench-XXXXXX").string();
    if (!mkdtemp(dir.data())) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::filesystem::path old = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    Application->Initialize();
    {
        TRxForm form(nullptr);
        form.AfterConstruction();
        form.OnActivate = nullptr;
        form.Show();
        Application->ProcessMessages();
        const std::string text = Received();
        std::size_t i = 0;
        auto feed = [&](int n) {
            for (; n > 0; --n)
                form.AppendReceivedChar(text[i++ % text.size()]);
        };
        feed(size);
        // Bytes that also move a display line into the history are timed apart: they repaint the
        // whole window, since every line moves up.
        double trimUs = 0, otherUs = 0;
        int trims = 0, others = 0;
        for (auto _ : state) {
            // The small window is brought back to its size now and then, outside the timing.
            if (size < 20000 && form.RxMemo->TextLen() > size + 500) {
                state.PauseTiming();
                form.ClearBuffer1Click(&form);
                feed(size);
                state.ResumeTiming();
            }
            const std::size_t history = form.RxHistory.size();
            const auto start = std::chrono::steady_clock::now();
            form.AppendReceivedChar(text[i++ % text.size()]);
            form.RxMemo->Update();
            const double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
            const bool trimmed = form.RxHistory.size() != history;
            (trimmed ? trimUs : otherUs) += us;
            ++(trimmed ? trims : others);
        }
        state.counters["plain_byte_us"] = others ? otherUs / others : 0;
        state.counters["trimming_byte_us"] = trims ? trimUs / trims : 0;
        state.counters["trimming_share_%"] = 100.0 * trims / (trims + others);
        state.SetLabel(std::to_string(form.RxMemo->TextLen()) + " characters at the end");
        form.CloseRawLog();
    }
    Application->ProcessMessages();
    std::filesystem::current_path(old);
    std::filesystem::remove_all(dir);
}

}  // namespace

BENCHMARK(BM_ReceivedByte)->Args({1000, 1})->Args({25000, 1})->Args({1000, 0})->Args({25000, 0});
BENCHMARK(BM_BufferWithDisplays)->Arg(524)->Arg(1600)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BufferNothingPainted)->Arg(524)->Unit(benchmark::kMillisecond);
