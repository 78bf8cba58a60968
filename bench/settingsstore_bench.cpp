// The settings store with one key of many entries: taken apart one entry at a time (sub-keys and
// values deleted front to back, at random and from the middle outwards; every sub-key and value
// renamed) beside ClearKey of the same key. Goal: each within 10x ClearKey of the same count.
// Beside them, goals of their own: the text form of a key of N values followed by N keys holding
// values of their own (40,000 + 40,000 within 0.2 s), the first of many entries of one name
// deleted one after the other (in time linear in their count), and ClearKey in registry mode of
// 100,000 values (within 1 s).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "ctlbase/Exini.h"
#include "platform/Registry.h"

namespace {

std::string Name(int I)
{
    return "Entry" + std::to_string(I);
}

// Count sub-keys (each holding a value) or values under "\Wide".
void Fill(TExIniFile& Ini, int Count, bool Keys)
{
    for (int i = 0; i < Count; ++i) {
        if (Keys)
            Ini.WriteInteger("\\Wide\\" + Name(i), "v", i);
        else
            Ini.WriteInteger("\\Wide", Name(i), i);
    }
}

enum Order { FrontToBack, Random, MiddleOut };

std::vector<int> Sequence(int Count, Order How)
{
    std::vector<int> seq(static_cast<size_t>(Count));
    for (int i = 0; i < Count; ++i) seq[static_cast<size_t>(i)] = i;
    if (How == Random) std::shuffle(seq.begin(), seq.end(), std::mt19937(5));
    if (How == MiddleOut) {
        for (int i = 0; i < Count; ++i) {
            const int step = (i + 1) / 2;
            seq[static_cast<size_t>(i)] = Count / 2 + (i % 2 ? -step : step);
        }
    }
    return seq;
}

void BM_ClearKey(benchmark::State& State)
{
    const int count = static_cast<int>(State.range(0));
    for (auto _ : State) {
        State.PauseTiming();
        auto ini = std::make_unique<TExIniFile>(nullptr);
        Fill(*ini, count, true);
        State.ResumeTiming();
        if (!ini->ClearKey("\\Wide")) State.SkipWithError("the clear failed");
        State.PauseTiming();
        ini.reset();
        State.ResumeTiming();
    }
}
BENCHMARK(BM_ClearKey)->Arg(10000)->Unit(benchmark::kMillisecond);

template <bool Keys, Order How>
void BM_DeleteEach(benchmark::State& State)
{
    const int count = static_cast<int>(State.range(0));
    const std::vector<int> seq = Sequence(count, How);
    for (auto _ : State) {
        State.PauseTiming();
        auto ini = std::make_unique<TExIniFile>(nullptr);
        Fill(*ini, count, Keys);
        State.ResumeTiming();
        for (const int i : seq) {
            const bool ok = Keys ? ini->Delete("\\Wide\\" + Name(i), "") : ini->Delete("\\Wide", Name(i));
            if (!ok) State.SkipWithError("a delete failed");
        }
        State.PauseTiming();
        ini.reset();
        State.ResumeTiming();
    }
}
BENCHMARK(BM_DeleteEach<true, FrontToBack>)->Name("BM_DeleteSubKeys/FrontToBack")->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteEach<true, Random>)->Name("BM_DeleteSubKeys/Random")->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteEach<true, MiddleOut>)->Name("BM_DeleteSubKeys/MiddleOut")->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteEach<false, FrontToBack>)->Name("BM_DeleteValues/FrontToBack")->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteEach<false, Random>)->Name("BM_DeleteValues/Random")->Arg(10000)->Unit(benchmark::kMillisecond);

template <bool Keys>
void BM_RenameEach(benchmark::State& State)
{
    const int count = static_cast<int>(State.range(0));
    for (auto _ : State) {
        State.PauseTiming();
        auto ini = std::make_unique<TExIniFile>(nullptr);
        Fill(*ini, count, Keys);
        State.ResumeTiming();
        for (int i = 0; i < count; ++i) {
            const bool ok = Keys ? ini->RenameKey("\\Wide\\" + Name(i), "Renamed" + std::to_string(i))
                                 : ini->RenameValue("\\Wide", Name(i), "Renamed" + std::to_string(i));
            if (!ok) State.SkipWithError("a rename failed");
        }
        State.PauseTiming();
        ini.reset();
        State.ResumeTiming();
    }
}
BENCHMARK(BM_RenameEach<true>)->Name("BM_RenameKey")->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenameEach<false>)->Name("BM_RenameValue")->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_TextOfKeysAfterValues(benchmark::State& State)
{
    const int count = static_cast<int>(State.range(0));
    TExIniFile ini(nullptr);
    for (int i = 0; i < count; ++i) ini.WriteInteger("\\", Name(i), i);
    for (int i = 0; i < count; ++i) {
        ini.WriteInteger("\\Key" + std::to_string(i), "v", i);
        ini.WriteInteger("\\", "Key" + std::to_string(i), i);
    }
    for (auto _ : State) {
        TMemoryStream m;
        ini.SaveToStream(&m);
        benchmark::DoNotOptimize(m.Size());
    }
}
BENCHMARK(BM_TextOfKeysAfterValues)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond);

// Entries given one name through their own SetName, then deleted by that name: the first goes each time.
void BM_DeleteFirstOfOneName(benchmark::State& State)
{
    const int count = static_cast<int>(State.range(0));
    for (auto _ : State) {
        State.PauseTiming();
        auto ini = std::make_unique<TExIniFile>(nullptr);
        Fill(*ini, count, false);
        for (int i = 0; i < count; ++i) ini->GetValueEntry("\\Wide", Name(i))->SetName("Same");
        State.ResumeTiming();
        for (int i = 0; i < count; ++i)
            if (!ini->Delete("\\Wide", "Same")) State.SkipWithError("a delete failed");
        State.PauseTiming();
        ini.reset();
        State.ResumeTiming();
    }
}
BENCHMARK(BM_DeleteFirstOfOneName)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);

void BM_RegistryClearKey(benchmark::State& State)
{
    const int count = static_cast<int>(State.range(0));
    platform::RegistryUseMemory();
    for (auto _ : State) {
        State.PauseTiming();
        TExIniFile ini(nullptr);
        ini.SetUseRegistry(true);
        for (int i = 0; i < count; ++i) ini.WriteInteger("\\Wide", Name(i), i);
        State.ResumeTiming();
        if (!ini.ClearKey("\\Wide")) State.SkipWithError("the clear failed");
    }
}
BENCHMARK(BM_RegistryClearKey)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
