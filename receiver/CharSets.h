// The teleprinter character sets: the four built-in tables that give the text of a 5-unit code
// in its shift and register, and the user-defined table read from a file of dot/dash patterns.
#pragma once

#include <array>
#include <cstddef>
#include <string>

// Entries by (code AND 31) + shift + register: 0-31 letters, 32-63 figures, 64-95 extended
// letters, 96-127 extended figures. Each entry is a zero-terminated text; the entries of the
// codes 0, 27 and 31 are empty and never looked up.
struct TCharset {
    std::array<const char*, 128> Text;
};

extern const TCharset CharsetEnglish;
extern const TCharset CharsetRussian;         // Windows-1251 letters
extern const TCharset CharsetSwedish;         // Windows-1252 letters in the figures
extern const TCharset CharsetEnglishRussian;  // code 0 switches to the Russian letters

// Texts of up to 15 bytes, zero-terminated, by dot/dash pattern number: the pattern starts at 1,
// each dot doubles it and each dash doubles it and adds 1, so numbers 2..255 are patterns of one
// to seven symbols. Entry 0 is a blank. No decoder reads it.
struct TUserCharsetTable {
    std::array<std::array<char, 16>, 256> Entry{};
    TUserCharsetTable();
};

extern TUserCharsetTable UserCharsetTable;

// The user-defined file held in memory, read one byte at a time. Line counts from 1 for messages.
struct TCharsetStream {
    const char* Data = nullptr;
    std::size_t Size = 0;
    std::size_t Pos = 0;
    int Line = 1;
    // The line on which the last entry (or non-entry) began.
    int EntryLine = 1;
    // Set when the end of the data came in the middle of something that is not a whole entry:
    // a line that is not an entry, or a pattern with no text after it.
    bool EndedInsideLine = false;
    bool EndedAfterPattern = false;
};

// One entry of a user-defined file: returns -1 at the end of the data, 0 for an entry (index
// 2..255 and its text), 1 for a line that is not an entry, 2 for a pattern of more than seven
// symbols. A blank is any byte of value 32 or less; the text may stand on the line after its
// pattern.
int ReadCharsetEntry(TCharsetStream& stream, int& index, std::string& text);

// Reads a user-defined character-set file into table. Returns 0 when loaded, -1 when the file is
// empty, -2 when a line is malformed (error then names the line; the table is left as it was).
// A file that cannot be opened raises EFOpenError.
int LoadUserCharset(const std::string& fileName, std::string* error = nullptr,
                    TUserCharsetTable& table = UserCharsetTable);

namespace rx {

constexpr int kCharsetEnglish = 0;
constexpr int kCharsetRussian = 1;
constexpr int kCharsetSwedish = 2;
constexpr int kCharsetEnglishRussian = 3;

// The table of a character-set index; any value outside 0..3 reads as English.
const TCharset& CharsetByIndex(int index);

}  // namespace rx
