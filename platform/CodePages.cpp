#include "platform/CodePages.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {

// 0x80..0x9F of 1252; 0xA0..0xFF equal their Unicode values.
constexpr char16_t Upper1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// 0x80..0xBF of 1251; 0xC0..0xFF are U+0410..U+044F.
constexpr char16_t Upper1251[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

char32_t Decode(Byte b, bool cyrillic)
{
    if (b < 0x80) return b;
    if (cyrillic) return b >= 0xC0 ? char32_t(0x0410 + (b - 0xC0)) : char32_t(Upper1251[b - 0x80]);
    return b >= 0xA0 ? char32_t(b) : char32_t(Upper1252[b - 0x80]);
}

// Characters of the upper half, sorted, for the way back.
struct Reverse {
    std::array<std::pair<char32_t, Byte>, 128> Pairs{};
    explicit Reverse(bool cyrillic)
    {
        for (int b = 0x80; b < 0x100; ++b)
            Pairs[static_cast<size_t>(b - 0x80)] = {Decode(static_cast<Byte>(b), cyrillic), static_cast<Byte>(b)};
        std::sort(Pairs.begin(), Pairs.end());
    }
    bool Find(char32_t c, Byte& b) const
    {
        const auto it = std::lower_bound(Pairs.begin(), Pairs.end(), std::make_pair(c, Byte(0)));
        if (it == Pairs.end() || it->first != c) return false;
        b = it->second;
        return true;
    }
};

bool IsCyrillic(int codePage)
{
    return codePage == 1251;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// One character from s at i; false (and i one byte further) for a malformed sequence, an overlong
// form, a surrogate or a value above U+10FFFF.
bool NextUtf8(const std::string& s, size_t& i, char32_t& c)
{
    const auto b0 = static_cast<unsigned char>(s[i]);
    int n;
    char32_t min;
    if (b0 < 0x80) {
        c = b0;
        ++i;
        return true;
    } else if ((b0 & 0xE0) == 0xC0) {
        n = 1;
        c = b0 & 0x1F;
        min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        n = 2;
        c = b0 & 0x0F;
        min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        n = 3;
        c = b0 & 0x07;
        min = 0x10000;
    } else {
        ++i;
        return false;
    }
    if (i + static_cast<size_t>(n) >= s.size()) {
        ++i;
        return false;
    }
    for (int k = 1; k <= n; ++k) {
        const auto b = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return false;
        }
        c = (c << 6) | (b & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++i;
        return false;
    }
    i += static_cast<size_t>(n) + 1;
    return true;
}

}  // namespace

int CharsetToCodePage(Byte Charset)
{
    return Charset == 204 ? 1251 : 1252;
}

char32_t CodePageToChar(Byte B, int CodePage)
{
    return Decode(B, IsCyrillic(CodePage));
}

bool CharToCodePage(char32_t C, int CodePage, Byte& B)
{
    if (C < 0x80) {
        B = static_cast<Byte>(C);
        return true;
    }
    static const Reverse western(false), cyrillic(true);
    return (IsCyrillic(CodePage) ? cyrillic : western).Find(C, B);
}

std::u32string CodePageToUtf32(const std::string& S, int CodePage)
{
    const bool cyr = IsCyrillic(CodePage);
    std::u32string r;
    r.reserve(S.size());
    for (char ch : S) r += Decode(static_cast<Byte>(ch), cyr);
    return r;
}

std::string CodePageToUtf8(const std::string& S, int CodePage)
{
    const bool cyr = IsCyrillic(CodePage);
    std::string r;
    r.reserve(S.size());
    for (char ch : S) AppendUtf8(r, Decode(static_cast<Byte>(ch), cyr));
    return r;
}

std::string Utf32ToCodePage(const std::u32string& S, int CodePage, char Replacement)
{
    std::string r;
    r.reserve(S.size());
    for (char32_t c : S) {
        Byte b;
        r += CharToCodePage(c, CodePage, b) ? static_cast<char>(b) : Replacement;
    }
    return r;
}

std::string Utf8ToCodePage(const std::string& S, int CodePage, char Replacement)
{
    std::string r;
    r.reserve(S.size());
    size_t i = 0;
    while (i < S.size()) {
        char32_t c;
        Byte b;
        r += NextUtf8(S, i, c) && CharToCodePage(c, CodePage, b) ? static_cast<char>(b) : Replacement;
    }
    return r;
}
