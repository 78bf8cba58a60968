// The registry's file written and read again: a registry loaded from any file, made anew key by key
// through the registry functions in another file, reads back the same from that file.
#include <cstdint>
#include <string>

#include "tests/fuzz/FuzzSupport.h"
#include "tests/fuzz/RegistryDump.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    const std::string path = fuzz::ScratchPath("registry"), copy = fuzz::ScratchPath("copy");
    fuzz::WriteFile(path, fuzz::Bytes(Data, Size));
    platform::RegistryUseFile(path);
    auto read = fuzz::DumpRegistry();
    std::remove(copy.c_str());
    platform::RegistryUseFile(copy);
    for (size_t r = 0; r < read.size(); ++r) {
        // The roots themselves have no class of their own to give.
        read[r][0].Class.clear();
        for (const auto& k : read[r]) {
            HKEY h = nullptr;
            FUZZ_CHECK(RegCreateKeyEx(fuzz::RegRoots[r], k.Path, k.Class, 0, KEY_ALL_ACCESS, &h) == ERROR_SUCCESS, k.Path);
            for (const auto& v : k.Values)
                FUZZ_CHECK(RegSetValueEx(h, v.Name, v.Type, v.Data.data(), static_cast<DWORD>(v.Data.size())) == ERROR_SUCCESS,
                           v.Name);
            RegCloseKey(h);
        }
    }
    platform::RegistryUseMemory();  // writes the copy
    platform::RegistryUseFile(copy);
    const auto back = fuzz::DumpRegistry();
    platform::RegistryUseMemory();
    FUZZ_CHECK(fuzz::Show(back) == fuzz::Show(read), fuzz::Show(read) + "---\n" + fuzz::Show(back));
    for (size_t r = 0; r < read.size(); ++r)
        for (size_t i = 0; i < read[r].size(); ++i)
            for (size_t j = 0; j < read[r][i].Values.size(); ++j)
                FUZZ_CHECK(back[r][i].Values[j].Data == read[r][i].Values[j].Data, read[r][i].Values[j].Name);
    return 0;
}
