// The INI file writer against its reader: what a file gives, written key by key into a new file,
// reads back the same.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/IniFiles.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

using Contents = std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>>;

Contents ReadAll(const TIniFile& Ini)
{
    Contents all;
    TStringList sections, keys;
    Ini.ReadSections(&sections);
    for (int i = 0; i < sections.Count(); ++i) {
        // A section without a name cannot be addressed.
        if (Trim(sections[i]).empty()) continue;
        all.push_back({sections[i], {}});
        Ini.ReadSection(sections[i], &keys);
        for (int k = 0; k < keys.Count(); ++k)
            all.back().second.push_back({keys[k], Ini.ReadString(sections[i], keys[k], "")});
    }
    return all;
}

std::string Show(const Contents& C)
{
    std::string s;
    for (const auto& [section, keys] : C) {
        s += "[" + section + "]\n";
        for (const auto& [k, v] : keys) s += "<" + k + ">=<" + v + ">\n";
    }
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    const std::string path = fuzz::ScratchPath("in.ini"), copyPath = fuzz::ScratchPath("copy.ini");
    fuzz::WriteFile(path, fuzz::Bytes(Data, Size));
    fuzz::WriteFile(copyPath, "");
    const Contents read = ReadAll(TIniFile(path));
    TIniFile copy(copyPath);
    for (const auto& [section, keys] : read)
        for (const auto& [k, v] : keys) {
            // A value that reading would take out of its quotes is given a pair of its own, as the
            // callers of the INI file do for texts that must keep their blanks.
            const bool quoted = v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0];
            copy.WriteString(section, k, quoted ? "\"" + v + "\"" : v);
        }
    const Contents back = ReadAll(copy);
    // Sections without keys are not written.
    Contents want;
    for (const auto& s : read)
        if (!s.second.empty()) want.push_back(s);
    FUZZ_CHECK(back == want, Show(want) + "---\n" + Show(back));
    return 0;
}
