// The registry helpers over a key of many sub-keys, each with a value and a child: copying,
// clearing and deleting it, in the memory registry.
#include <benchmark/benchmark.h>

#include <string>

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

}  // namespace
