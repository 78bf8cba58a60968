// What decode_samples does, on a 10-minute RTTY file and a 10-minute NAVTEX file generated at
// start: the whole decode (text parsing, spectrum, AFC, demodulator, decoder), the text parsing
// alone, and the processing alone on blocks already in memory. The counter RealTime is seconds
// of audio per second of CPU.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <stdlib.h>

#include "receiver/Navtex.h"
#include "receiver/SampleFile.h"

namespace {

constexpr double kRate = 11025.0;
constexpr double kSeconds = 600.0;

struct TKeyer {
    std::vector<std::int16_t> Samples;
    double Phase = 0.0;
    double Time = 0.0;
    std::uint32_t Noise = 99;
    void Tone(double hz, double samples)
    {
        Time += samples;
        while (static_cast<double>(Samples.size()) < Time) {
            Noise = Noise * 1664525u + 1013904223u;
            const double n = static_cast<int>(Noise >> 20) - 2048;
            Samples.push_back(static_cast<std::int16_t>(std::lround(8000.0 * std::sin(Phase) + n)));
            Phase = std::fmod(Phase + 2.0 * M_PI * hz / kRate, 2.0 * M_PI);
        }
    }
};

double CentreHz()
{
    return rx::kStartCentreBin * kRate / 2048.0;
}

// 50 Bd, 170 Hz, mark on the lower tone: random letters with spaces, 1.5 stop bits.
std::vector<std::int16_t> RttySignal()
{
    TKeyer k;
    const double bit = kRate / 50.0, mark = CentreHz() - 85.0, space = CentreHz() + 85.0;
    std::uint32_t r = 7;
    k.Tone(mark, 20 * bit);
    while (k.Time < kSeconds * kRate) {
        r = r * 1103515245u + 12345u;
        int code = static_cast<int>((r >> 16) % 32);
        if (code == 0 || code == 27 || code == 31)
            code = 4;
        k.Tone(space, bit);
        for (int i = 0; i < 5; ++i)
            k.Tone((code >> i) & 1 ? mark : space, bit);
        k.Tone(mark, 1.5 * bit);
    }
    k.Samples.resize(static_cast<std::size_t>(kSeconds * kRate));
    return k.Samples;
}

// Phasing, then random letters each sent in a DX and again in the RX position five later.
std::vector<std::int16_t> NavtexSignal()
{
    std::vector<int> codeOf(32, 0);
    for (int c = 0; c < 128; ++c)
        if (Ccir476Table[static_cast<std::size_t>(c)] >= 0 && Ccir476Table[static_cast<std::size_t>(c)] < 32)
            codeOf[FecToBaudot[static_cast<std::size_t>(Ccir476Table[static_cast<std::size_t>(c)])]] = c;
    const int pairs = static_cast<int>(kSeconds * 100.0 / 14.0) + 1;
    std::vector<int> dx;
    std::uint32_t r = 5;
    for (int k = 0; k < pairs; ++k) {
        r = r * 1103515245u + 12345u;
        int b = static_cast<int>((r >> 16) % 32);
        if (b == 0 || b == 27 || b == 31)
            b = 4;
        dx.push_back(k < 20 ? rx::kFecPhasingDx : codeOf[static_cast<std::size_t>(b)]);
    }
    TKeyer k;
    const double bit = kRate / 100.0, one = CentreHz() + 85.0, zero = CentreHz() - 85.0;
    for (int p = 0; p < pairs && k.Time < kSeconds * kRate; ++p) {
        const int rxCode = p >= 22 ? dx[static_cast<std::size_t>(p - 2)] : rx::kFecPhasingRx;
        for (int code : {dx[static_cast<std::size_t>(p)], rxCode})
            for (int i = 6; i >= 0; --i)
                k.Tone((code >> i) & 1 ? one : zero, bit);
    }
    k.Samples.resize(static_cast<std::size_t>(kSeconds * kRate));
    return k.Samples;
}

struct TFiles {
    std::string Dir, Rtty, Navtex;
    std::vector<std::int16_t> RttySamples, NavtexSamples;
    TFiles()
    {
        std::string templ = (std::filesystem::temp_directory_path() / "morvik-bench-XXXXXX").string();
        if (!::mkdtemp(templ.data()))
            std::abort();
        Dir = templ;
        RttySamples = RttySignal();
        NavtexSamples = NavtexSignal();
        Rtty = Write("rtty.txt", RttySamples);
        Navtex = Write("navtex.txt", NavtexSamples);
    }
    ~TFiles()
    {
        std::error_code ec;
        std::filesystem::remove_all(Dir, ec);
    }
    std::string Write(const char* name, const std::vector<std::int16_t>& s) const
    {
        const std::string path = Dir + "/" + name;
        std::FILE* f = std::fopen(path.c_str(), "w");
        for (std::int16_t v : s)
            std::fprintf(f, "%d\n", v);
        std::fclose(f);
        return path;
    }
};

const TFiles& Files()
{
    static const TFiles files;
    return files;
}

// The receiver as decode_samples sets it up: fresh start, AFC on, squelch off.
struct TReceiver {
    TTtyParams P;
    rx::TPlainReceiver R{P};
    rx::TRxSignalPath& Path = R.Path;
    long Bytes = 0;
    explicit TReceiver(int mode)
    {
        R.Decoder.OnReceivedChar = [this](char) { ++Bytes; };
        rx::TDecodeTuning tuning;
        tuning.Mode = mode;
        tuning.Shift = 170;
        rx::TuneForDecode(P, Path.Demod, tuning);
    }
};

void SetCounters(benchmark::State& state, long bytes)
{
    state.counters["RealTime"] =
        benchmark::Counter(kSeconds * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["Chars"] = static_cast<double>(bytes);
}

void DecodeFile(benchmark::State& state, int mode, const std::string& file)
{
    long bytes = 0;
    for (auto _ : state) {
        TReceiver r(mode);
        if (rx::DecodeSampleFile(file, r.Path) != rx::TFileDecodeResult::Done)
            state.SkipWithError("decode failed");
        bytes = r.Bytes;
    }
    SetCounters(state, bytes);
}

void ParseFile(benchmark::State& state, const std::string& file)
{
    std::int16_t block[rx::kBlockSize];
    long sum = 0;
    for (auto _ : state) {
        rx::TSampleFileReader reader;
        reader.Open(file);
        while (reader.ReadBlock(block) == rx::TSampleFileReader::TBlock::Full)
            sum += block[0];
        benchmark::DoNotOptimize(sum);
    }
    SetCounters(state, 0);
}

// decode false: the same without the decoder, to show what the decoder itself costs.
void ProcessBlocks(benchmark::State& state, int mode, const std::vector<std::int16_t>& samples, bool decode = true)
{
    long bytes = 0;
    for (auto _ : state) {
        TReceiver r(mode);
        if (!decode)
            r.Path.Sink = nullptr;
        for (std::size_t i = 0; i + rx::kBlockSize <= samples.size(); i += rx::kBlockSize)
            r.Path.ProcessSoundBuffer(samples.data() + i, true);
        bytes = r.Bytes;
    }
    SetCounters(state, bytes);
}

void BM_DecodeRttyFile(benchmark::State& s) { DecodeFile(s, rx::kModeRtty, Files().Rtty); }
void BM_DecodeNavtexFile(benchmark::State& s) { DecodeFile(s, rx::kModeNavtex, Files().Navtex); }
void BM_ParseRttyFile(benchmark::State& s) { ParseFile(s, Files().Rtty); }
void BM_ParseNavtexFile(benchmark::State& s) { ParseFile(s, Files().Navtex); }
void BM_ProcessRttyBlocks(benchmark::State& s) { ProcessBlocks(s, rx::kModeRtty, Files().RttySamples); }
void BM_ProcessNavtexBlocks(benchmark::State& s) { ProcessBlocks(s, rx::kModeNavtex, Files().NavtexSamples); }
void BM_ProcessRttyBlocksNoDecoder(benchmark::State& s)
{
    ProcessBlocks(s, rx::kModeRtty, Files().RttySamples, false);
}
void BM_ProcessNavtexBlocksNoDecoder(benchmark::State& s)
{
    ProcessBlocks(s, rx::kModeNavtex, Files().NavtexSamples, false);
}

}  // namespace

BENCHMARK(BM_DecodeRttyFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeNavtexFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseRttyFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseNavtexFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProcessRttyBlocks)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProcessNavtexBlocks)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProcessRttyBlocksNoDecoder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProcessNavtexBlocksNoDecoder)->Unit(benchmark::kMillisecond);
