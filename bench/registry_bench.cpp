// The registry helpers over a key of many sub-keys, each with a value and a child: copying,
// clearing and deleting it, in the memory registry. Beside them, 100,000 sub-keys deleted one by one
// front to back, at random and from the middle outwards, and 100,000 values of one key set, each
// read by its name and deleted. Goal: under 1 s each.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "extras/Exregutils.h"
#include "platform/Registry.h"

namespace {

void MakeWide(const std::string& Key, int Count)
{
    KeyCreateSubKey("", rrtHKEY_CURRENT_USER, "HKEY_CURRENT_USER", "Software", "");
    KeyCreateSubKey("", rrtHKEY_CURRENT_USER, "Software", Key, "");
    const std::string base = "Software\\" + Key;
    for (int i = 0; i < Count; ++i) {
        const std::string name = "Key" + std::to_string(i);
        KeyCreateSubKey("", rrtHKEY_CURRENT_USER, base, name, "");
        KeyCreateSubKey("", rrtHKEY_CURRENT_USER, base + "\\" + name, "child", "");
        KeySetValue("", rrtHKEY_CURRENT_USER, base + "\\" + name, "v", REG_SZ, "A", 2);
    }
}

void BM_CopyKey(benchmark::State& State)
{
    platform::RegistryUseMemory();
    MakeWide("Wide", int(State.range(0)));
    for (auto _ : State) {
        State.PauseTiming();
        KeyDelete("", rrtHKEY_CURRENT_USER, "Software\\Copy");
        KeyCreateSubKey("", rrtHKEY_CURRENT_USER, "Software", "Copy", "");
        State.ResumeTiming();
        if (!CopyKey("", "", rrtHKEY_CURRENT_USER, rrtHKEY_CURRENT_USER, "Software\\Wide", "Software\\Copy"))
            State.SkipWithError("the copy failed");
    }
}
BENCHMARK(BM_CopyKey)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_KeyClear(benchmark::State& State)
{
    platform::RegistryUseMemory();
    for (auto _ : State) {
        State.PauseTiming();
        MakeWide("Wide", int(State.range(0)));
        State.ResumeTiming();
        if (!KeyClear("", rrtHKEY_CURRENT_USER, "Software\\Wide")) State.SkipWithError("the clear failed");
    }
}
BENCHMARK(BM_KeyClear)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_KeyDelete(benchmark::State& State)
{
    platform::RegistryUseMemory();
    for (auto _ : State) {
        State.PauseTiming();
        MakeWide("Wide", int(State.range(0)));
        State.ResumeTiming();
        if (!KeyDelete("", rrtHKEY_CURRENT_USER, "Software\\Wide")) State.SkipWithError("the delete failed");
    }
}
BENCHMARK(BM_KeyDelete)->Arg(20000)->Unit(benchmark::kMillisecond);

enum Order { FrontToBack, Random, MiddleOut };

template <Order How>
void BM_DeleteSubKeys(benchmark::State& State)
{
    const int count = static_cast<int>(State.range(0));
    std::vector<int> seq(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) seq[static_cast<size_t>(i)] = i;
    if (How == Random) std::shuffle(seq.begin(), seq.end(), std::mt19937(5));
    if (How == MiddleOut)
        for (int i = 0; i < count; ++i) seq[static_cast<size_t>(i)] = count / 2 + (i % 2 ? -(i + 1) / 2 : (i + 1) / 2);
    platform::RegistryUseMemory();
    for (auto _ : State) {
        State.PauseTiming();
        HKEY wide = nullptr;
        RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Leaves", "", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, &wide);
        for (int i = 0; i < count; ++i) {
            HKEY k = nullptr;
            RegCreateKeyEx(wide, "Key" + std::to_string(i), "", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, &k);
            RegCloseKey(k);
        }
        State.ResumeTiming();
        for (const int i : seq)
            if (RegDeleteKey(wide, "Key" + std::to_string(i)) != ERROR_SUCCESS) State.SkipWithError("a delete failed");
        State.PauseTiming();
        RegCloseKey(wide);
        State.ResumeTiming();
    }
}
BENCHMARK(BM_DeleteSubKeys<FrontToBack>)->Name("BM_DeleteSubKeys/FrontToBack")->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteSubKeys<Random>)->Name("BM_DeleteSubKeys/Random")->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteSubKeys<MiddleOut>)->Name("BM_DeleteSubKeys/MiddleOut")->Arg(100000)->Unit(benchmark::kMillisecond);

// Values of one key set, read by name (in another case) and deleted front to back: all within 1 s.
void BM_Values(benchmark::State& State)
{
    const int count = static_cast<int>(State.range(0));
    platform::RegistryUseMemory();
    for (auto _ : State) {
        HKEY k = nullptr;
        RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Values", "", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, &k);
        for (int i = 0; i < count; ++i) {
            const DWORD v = static_cast<DWORD>(i);
            RegSetValueEx(k, "Value" + std::to_string(i), REG_DWORD, &v, 4);
        }
        std::vector<Byte> data;
        for (int i = 0; i < count; ++i)
            if (RegQueryValueEx(k, "VALUE" + std::to_string(i), nullptr, &data) != ERROR_SUCCESS)
                State.SkipWithError("a value was not found");
        for (int i = 0; i < count; ++i)
            if (RegDeleteValue(k, "Value" + std::to_string(i)) != ERROR_SUCCESS) State.SkipWithError("a delete failed");
        RegCloseKey(k);
    }
}
BENCHMARK(BM_Values)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
