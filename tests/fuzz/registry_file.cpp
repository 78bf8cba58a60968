// The registry's file: whatever a file holds, loading it gives a registry every key of which opens
// and lists.
#include <cstdint>
#include <string>

#include "tests/fuzz/FuzzSupport.h"
#include "tests/fuzz/RegistryDump.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    const std::string path = fuzz::ScratchPath("registry");
    fuzz::WriteFile(path, fuzz::Bytes(Data, Size));
    platform::RegistryUseFile(path);
    const auto all = fuzz::DumpRegistry();
    for (const auto& root : all)
        for (const auto& k : root) FUZZ_CHECK(k.Path.size() <= 255 * 513, k.Path);
    platform::RegistryUseMemory();
    return 0;
}
