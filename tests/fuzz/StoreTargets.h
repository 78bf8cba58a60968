// The settings store's targets, text or binary form alike. The first byte chooses the form's
// options (bit 0: flat mode; bit 1: no comment characters; bits 2 to 4: the divider, "=" for 0),
// the rest is the file.
#pragma once

#include <cstdint>
#include <string>

#include "ctlbase/Exini.h"
#include "tests/fuzz/FuzzSupport.h"

namespace fuzz {

inline void Configure(TExIniFile& Ini, bool Binary, std::uint8_t Options)
{
    Ini.SetBinaryMode(Binary);
    if (Options & 1) Ini.SetSimple(true);
    if (Options & 2) Ini.SetComment("");
    Ini.SetDivChar("=: ,|~-/"[(Options >> 2) & 7]);
}

// Every key and value read through the typed reads.
inline void ReadEverything(TExIniFile& Ini, const std::string& Key, int Depth)
{
    TStringList values, keys, lines;
    FUZZ_CHECK(Ini.EnumValues(Key, &values), Key);
    for (int i = 0; i < values.Count(); ++i) {
        const std::string& name = values[i];
        bool b = false;
        Integer n = 0;
        std::string s;
        double d = 0;
        TRect r;
        TColor c = 0;
        Ini.ReadBool(Key, name, false, b);
        Ini.ReadInteger(Key, name, 0, n);
        Ini.ReadString(Key, name, "", s);
        Ini.ReadDouble(Key, name, 0, d);
        Ini.ReadRect(Key, name, TRect(), r);
        Ini.ReadColor(Key, name, 0, c);
        Ini.ReadMultiString(Key, name, &lines);
        Integer size = 0;
        Ini.ReadBinary(Key, name, nullptr, size);
        std::string block(static_cast<size_t>(size > 0 ? size : 0), '\0');
        Integer room = size;
        if (size > 0) FUZZ_CHECK(Ini.ReadBinary(Key, name, block.data(), room) && room == size, name);
    }
    if (Depth > 64) return;
    FUZZ_CHECK(Ini.EnumSubKeys(Key, &keys), Key);
    for (int i = 0; i < keys.Count(); ++i) {
        const std::string sub = Key == std::string(1, Ini.Delimiter()) ? Key + keys[i] : Key + Ini.Delimiter() + keys[i];
        ReadEverything(Ini, sub, Depth + 1);
    }
}

inline int StoreReader(const std::uint8_t* Data, std::size_t Size, bool Binary)
{
    if (Size == 0) return 0;
    TExIniFile ini(nullptr);
    Configure(ini, Binary, Data[0]);
    if (LoadStore(ini, Bytes(Data + 1, Size - 1))) ReadEverything(ini, std::string(1, ini.Delimiter()), 0);
    return 0;
}

// Load, save, load again: the same store, and a second save gives the same bytes as the first.
// Nameless lines of the text form are named after the line they stand on, which the first save
// may move, so there the stores are compared each key's values before its sub-keys and nameless
// lines without their numbers.
inline int StoreRoundTrip(const std::uint8_t* Data, std::size_t Size, bool Binary)
{
    if (Size == 0) return 0;
    TExIniFile first(nullptr), second(nullptr), third(nullptr);
    for (TExIniFile* f : {&first, &second, &third}) Configure(*f, Binary, Data[0]);
    if (!LoadStore(first, Bytes(Data + 1, Size - 1))) return 0;
    const std::string saved = SaveStore(first);
    FUZZ_CHECK(LoadStore(second, saved), saved);
    // Nameless lines of the text form are named after the line they stand on, which a save moves;
    // the flat text form writes booleans as 0 and 1, which read back as numbers.
    const bool flatText = !Binary && (Data[0] & 1);
    const std::string a = Listing(first, !Binary, flatText, !Binary), b = Listing(second, !Binary, flatText, !Binary);
    FUZZ_CHECK(a == b, a + "---\n" + b + "---\n" + saved);
    const std::string again = SaveStore(second);
    FUZZ_CHECK(again == saved, saved + "---\n" + again);
    FUZZ_CHECK(LoadStore(third, again), again);
    const std::string c = Listing(third, !Binary, flatText, !Binary);
    FUZZ_CHECK(c == b, b + "---\n" + c);
    return 0;
}

}  // namespace fuzz
