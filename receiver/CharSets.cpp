#include "receiver/CharSets.h"

#include <memory>

#include "platform/Classes.h"
#include "platform/SysUtils.h"

namespace {

using TRegister = std::array<unsigned char, 32>;  // by code; 0 is no text

constexpr TRegister kEnglishLetters = {
    0, 'E', '\n', 'A', ' ', 'S', 'I', 'U', '\r', 'D', 'R', 'J', 'N', 'F', 'C', 'K',
    'T', 'Z', 'L', 'W', 'H', 'Y', 'P', 'Q', 'O', 'B', 'G', 0, 'M', 'X', 'V', 0};
constexpr TRegister kEnglishFigures = {
    0, '3', '\n', '-', ' ', '\'', '8', '7', '\r', '$', '4', '*', ',', '!', ':', '(',
    '5', '+', ')', '2', '#', '6', '0', '1', '9', '?', '&', 0, '.', '/', '=', 0};
constexpr TRegister kEnglishExtFigures = {
    0, '3', '\n', '_', ' ', '"', '8', '7', '\r', '$', '4', '*', '<', '`', ';', '[',
    '5', '+', ']', '2', '{', '6', '0', '1', '9', '?', '}', 0, '>', '\\', '|', 0};
constexpr TRegister kRussianLetters = {
    0, 0xC5, '\n', 0xC0, ' ', 0xD1, 0xC8, 0xD3, '\r', 0xC4, 0xD0, 0xC9, 0xCD, 0xD4, 0xD6, 0xCA,
    0xD2, 0xC7, 0xCB, 0xC2, 0xD5, 0xDB, 0xCF, 0xDF, 0xCE, 0xC1, 0xC3, 0, 0xCC, 0xDC, 0xC6, 0};

// Every byte as a one-byte text; byte 0 as the empty text.
struct TByteTexts {
    char Text[256][2];
    constexpr TByteTexts() : Text()
    {
        for (int b = 0; b < 256; ++b) {
            Text[b][0] = static_cast<char>(b);
            Text[b][1] = 0;
        }
    }
};
constexpr TByteTexts kByteTexts;

// Upper to lower case in both code pages (Latin A-Z, Cyrillic 0xC0-0xDF); other bytes unchanged.
TRegister Lower(TRegister r)
{
    for (auto& b : r)
        if ((b >= 'A' && b <= 'Z') || b >= 0xC0)
            b = static_cast<unsigned char>(b | 0x20);
    return r;
}

struct TChange {
    int Code;
    unsigned char Byte;
};

TRegister With(TRegister r, std::initializer_list<TChange> changes)
{
    for (const TChange& c : changes)
        r[c.Code] = c.Byte;
    return r;
}

TCharset MakeCharset(const TRegister& letters, const TRegister& figures, const TRegister& extLetters,
                     const TRegister& extFigures)
{
    TCharset set{};
    const TRegister* regs[4] = {&letters, &figures, &extLetters, &extFigures};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 32; ++c)
            set.Text[32 * r + c] = kByteTexts.Text[(*regs[r])[c]];
    return set;
}

TRegister RussianFigures()
{
    return With(kEnglishFigures, {{11, 0xDE}, {13, 0xDD}, {20, 0xD9}, {26, 0xD8}});
}

TRegister RussianExtFigures()
{
    return With(kEnglishExtFigures, {{11, 0xFE}, {13, 0xFD}, {20, 0xF9}, {26, 0xF8}});
}

TRegister SwedishFigures()
{
    return With(kEnglishFigures, {{13, 0xC5}, {20, 0xD6}, {26, 0xC4}});
}

TRegister SwedishExtFigures()
{
    return With(kEnglishExtFigures, {{12, ','}, {13, 0xE5}, {20, 0xF6}, {26, 0xE4}});
}

constexpr Int64 kMaxFileSize = 1 << 20;

bool IsBlank(unsigned char b)
{
    return b <= 32;
}

// The next byte, or -1 at the end; line feeds advance the line count.
int Get(TCharsetStream& s)
{
    if (s.Pos >= s.Size)
        return -1;
    const unsigned char b = static_cast<unsigned char>(s.Data[s.Pos++]);
    if (b == '\n')
        ++s.Line;
    return b;
}

int Peek(const TCharsetStream& s)
{
    return s.Pos < s.Size ? static_cast<unsigned char>(s.Data[s.Pos]) : -1;
}

// Consumes up to and including the next line feed; false when the data ended first.
bool SkipLine(TCharsetStream& s)
{
    for (;;) {
        const int b = Get(s);
        if (b < 0)
            return false;
        if (b == '\n')
            return true;
    }
}

// Consumes blanks (line ends included); false when the data ended.
bool SkipBlanks(TCharsetStream& s)
{
    for (;;) {
        const int b = Peek(s);
        if (b < 0)
            return false;
        if (!IsBlank(static_cast<unsigned char>(b)))
            return true;
        Get(s);
    }
}

}  // namespace

const TCharset CharsetEnglish =
    MakeCharset(kEnglishLetters, kEnglishFigures, Lower(kEnglishLetters), kEnglishExtFigures);
const TCharset CharsetRussian =
    MakeCharset(kRussianLetters, RussianFigures(), Lower(kRussianLetters), RussianExtFigures());
const TCharset CharsetSwedish =
    MakeCharset(kEnglishLetters, SwedishFigures(), Lower(kEnglishLetters), SwedishExtFigures());
const TCharset CharsetEnglishRussian =
    MakeCharset(kEnglishLetters, RussianFigures(), kRussianLetters, RussianFigures());

TUserCharsetTable::TUserCharsetTable()
{
    Entry[0][0] = ' ';
}

TUserCharsetTable UserCharsetTable;

int ReadCharsetEntry(TCharsetStream& s, int& index, std::string& text)
{
    s.EndedInsideLine = false;
    s.EndedAfterPattern = false;
    if (!SkipBlanks(s))
        return -1;
    s.EntryLine = s.Line;
    int b = Peek(s);
    if (b != '.' && b != '-') {
        if (SkipLine(s))
            return 1;
        s.EndedInsideLine = true;
        return -1;
    }
    int n = 1;
    while ((b = Peek(s)) == '.' || b == '-') {
        Get(s);
        n = 2 * n + (b == '-' ? 1 : 0);
        if (n > 255) {
            SkipLine(s);
            return 2;
        }
    }
    if (!SkipBlanks(s)) {
        s.EndedAfterPattern = true;
        return -1;
    }
    text.clear();
    while (text.size() < 15 && (b = Peek(s)) >= 0 && !IsBlank(static_cast<unsigned char>(b))) {
        Get(s);
        text.push_back(static_cast<char>(b));
    }
    // The rest of the line after the text is ignored.
    if (b != '\n' || text.size() == 15)
        SkipLine(s);
    else
        Get(s);
    index = n;
    return 0;
}

int LoadUserCharset(const std::string& fileName, std::string* error, TUserCharsetTable& table)
{
    std::string data;
    {
        TFileStream f(fileName, fmOpenRead | fmShareDenyWrite);
        const Int64 size = f.Seek(0, soEnd);
        f.Seek(0, soBeginning);
        // Far more than 256 entries of 15 bytes need: a file this large was chosen by mistake.
        if (size > kMaxFileSize) {
            if (error)
                *error = Format("The file %s is too large to be a character-set file.", fileName.c_str());
            return -2;
        }
        data.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
        if (size < 0 || (size > 0 && f.Read(data.data(), size) != size)) {
            if (error)
                *error = Format("The character-set file %s could not be read.", fileName.c_str());
            return -2;
        }
    }
    if (data.empty())
        return -1;
    auto fresh = std::make_unique<TUserCharsetTable>();
    TCharsetStream s;
    s.Data = data.data();
    s.Size = data.size();
    int index = 0;
    std::string text;
    for (;;) {
        const int r = ReadCharsetEntry(s, index, text);
        std::string problem;
        if (r == 1 || (r == -1 && s.EndedInsideLine))
            problem = "is not a pattern of dots and dashes followed by its text";
        else if (r == 2)
            problem = "holds a pattern of more than seven dots and dashes";
        else if (r == -1 && s.EndedAfterPattern)
            problem = "holds a pattern with no text after it";
        if (!problem.empty()) {
            if (error)
                *error = Format("Line %d of the character-set file %s %s.", s.EntryLine, fileName.c_str(),
                                problem.c_str());
            return -2;
        }
        if (r < 0)
            break;
        auto& entry = fresh->Entry[static_cast<std::size_t>(index)];
        entry.fill(0);
        text.copy(entry.data(), 15);
    }
    table = *fresh;
    return 0;
}

namespace rx {

const TCharset& CharsetByIndex(int index)
{
    switch (index) {
    case kCharsetRussian: return CharsetRussian;
    case kCharsetSwedish: return CharsetSwedish;
    case kCharsetEnglishRussian: return CharsetEnglishRussian;
    default: return CharsetEnglish;
    }
}

}  // namespace rx
