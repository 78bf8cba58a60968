// The user character-set reader: entry by entry over memory, and the loader over a file.
#include <cstdint>
#include <string>

#include "receiver/CharSets.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    const std::string text = fuzz::Bytes(Data, Size);
    TCharsetStream s;
    s.Data = text.data();
    s.Size = text.size();
    for (size_t guard = 0; guard <= text.size() + 1; ++guard) {
        const std::size_t before = s.Pos;
        int index = -1;
        std::string entry;
        const int r = ReadCharsetEntry(s, index, entry);
        FUZZ_CHECK(r >= -1 && r <= 2, "result " + std::to_string(r));
        FUZZ_CHECK(s.Pos <= s.Size, "past the end");
        if (r == -1) break;
        FUZZ_CHECK(s.Pos > before, "no progress");
        if (r == 0) FUZZ_CHECK(index >= 2 && index <= 255, "index " + std::to_string(index));
    }
    const std::string path = fuzz::ScratchPath("charset.txt");
    fuzz::WriteFile(path, text);
    TUserCharsetTable table;
    const TUserCharsetTable before = table;
    std::string error;
    const int r = LoadUserCharset(path, &error, table);
    FUZZ_CHECK(r == 0 || r == -1 || r == -2, "load " + std::to_string(r));
    if (r != 0) FUZZ_CHECK(table.Entry == before.Entry, "a refused file changed the table");
    for (const auto& e : table.Entry) FUZZ_CHECK(e[15] == '\0', "entry not terminated");
    return 0;
}
