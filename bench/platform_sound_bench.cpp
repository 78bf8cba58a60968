// How long the caller waits when it starts a sound: a sound file played asynchronously returns at
// once however large the file; a synchronous play of a short one waits for it to end.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/MMSystem.h"

namespace {

void Le32(std::string& S, std::uint32_t V)
{
    for (int i = 0; i < 4; ++i) S += static_cast<char>((V >> (8 * i)) & 0xFF);
}

// A mono 16-bit 11025 Hz wave of DataBytes of silence, written sparse.
std::string MakeWave(std::uint32_t DataBytes)
{
    char name[] = "/tmp/morvik-sound-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0) return {};
    std::string head = "RIFF";
    Le32(head, 36 + DataBytes);
    head += "WAVEfmt ";
    Le32(head, 16);
    head += std::string("\x01\x00\x01\x00", 4);
    Le32(head, 11025);
    Le32(head, 22050);
    head += std::string("\x02\x00\x10\x00", 4);
    head += "data";
    Le32(head, DataBytes);
    const bool ok = write(fd, head.data(), head.size()) == static_cast<ssize_t>(head.size()) &&
                    ftruncate(fd, static_cast<off_t>(head.size() + DataBytes)) == 0;
    close(fd);
    return ok ? name : "";
}

void BM_AsyncPlayOfALargeFile(benchmark::State& State)
{
    const std::string file = MakeWave(static_cast<std::uint32_t>(State.range(0)) << 20);
    if (file.empty()) {
        State.SkipWithError("no scratch file");
        return;
    }
    for (auto _ : State) {
        if (!PlaySoundA(file.c_str(), nullptr, SND_FILENAME | SND_ASYNC)) State.SkipWithError("not started");
        State.PauseTiming();
        PlaySoundA(nullptr, nullptr, 0);
        State.ResumeTiming();
    }
    std::remove(file.c_str());
}
BENCHMARK(BM_AsyncPlayOfALargeFile)->Arg(1)->Arg(200)->Unit(benchmark::kMillisecond);

}  // namespace
