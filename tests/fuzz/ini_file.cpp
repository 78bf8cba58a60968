// The INI file reader: every section, key and value a file gives.
#include <cstdint>
#include <string>

#include "platform/IniFiles.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    const std::string path = fuzz::ScratchPath("file.ini");
    fuzz::WriteFile(path, fuzz::Bytes(Data, Size));
    TIniFile ini(path);
    TStringList sections, keys, values;
    ini.ReadSections(&sections);
    for (int i = 0; i < sections.Count(); ++i) {
        const std::string section = sections[i];
        FUZZ_CHECK(section.empty() || ini.SectionExists(section), section);
        ini.ReadSection(section, &keys);
        ini.ReadSectionValues(section, &values);
        FUZZ_CHECK(keys.Count() == values.Count(), section);
        for (int k = 0; k < keys.Count(); ++k) {
            FUZZ_CHECK(section.empty() || ini.ValueExists(section, keys[k]), keys[k]);
            const std::string v = ini.ReadString(section, keys[k], "\x01");
            FUZZ_CHECK(section.empty() || values[k] == keys[k] + "=" + v, values[k]);
            ini.ReadInteger(section, keys[k], 0);
            ini.ReadFloat(section, keys[k], 0);
        }
    }
    return 0;
}
