#include "ctlbase/Exstrutils.h"

#include <array>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/CodePages.h"
#include "platform/Windows.h"

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Code page 437, codes 128-255.
constexpr char16_t Oem80[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320,
    0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};

// Nearest plain character for what one code page shows and the other lacks.
char BestFit(char16_t u)
{
    if (u == 0x2500 || u == 0x2550) return '-';
    if (u == 0x2502 || u == 0x2551) return '|';
    if (u >= 0x2500 && u <= 0x257F) return '+';
    switch (u) {
    case 0x03B1: return 'a';
    case 0x0393: return 'G';
    case 0x03C0: return 'p';
    case 0x03A3: return 'S';
    case 0x03C3: return 's';
    case 0x03C4: return 't';
    case 0x03A6: return 'F';
    case 0x0398: return 'T';
    case 0x03A9: return 'O';
    case 0x03B4: return 'd';
    case 0x03C6: return 'f';
    case 0x03B5: return 'e';
    case 0x221E: return '8';
    case 0x2261: return '=';
    case 0x2265: return '>';
    case 0x2264: return '<';
    case 0x2248: return '=';
    case 0x221A: return 'v';
    case 0x207F: return 'n';
    case 0x20A7: return 'P';
    case 0x2310: return static_cast<char>(0xAC);
    case 0x2219: return static_cast<char>(0xB7);
    case 0x0160: return 'S';
    case 0x0161: return 's';
    case 0x0152: return 'O';
    case 0x0153: return 'o';
    case 0x017D: return 'Z';
    case 0x017E: return 'z';
    case 0x0178: return 'Y';
    case 0x201A: return ',';
    case 0x201E: return '"';
    case 0x201C: return '"';
    case 0x201D: return '"';
    case 0x2018: return '\'';
    case 0x2019: return '\'';
    case 0x2026: return '.';
    case 0x2013: return '-';
    case 0x2014: return '-';
    case 0x02DC: return '~';
    case 0x02C6: return '^';
    case 0x2039: return '<';
    case 0x203A: return '>';
    case 0x2122: return 'T';
    case 0x00A6: return '|';
    case 0x00D7: return 'x';
    default: break;
    }
    // Accented Latin-1 letters fall back to their base letter.
    static const char base[] = "AAAAAAACEEEEIIIIDNOOOOOxOUUUUYPsaaaaaaaceeeeiiiidnooooo/ouuuuypy";
    if (u >= 0xC0 && u <= 0xFF) return base[u - 0xC0];
    return '?';
}

const std::array<Byte, 65536>& UnicodeToOemTable()
{
    static const std::array<Byte, 65536> table = [] {
        std::array<Byte, 65536> t{};
        for (int i = 0; i < 128; ++i) t[static_cast<size_t>(i)] = static_cast<Byte>(i);
        for (int i = 0; i < 128; ++i) t[Oem80[i]] = static_cast<Byte>(128 + i);
        return t;
    }();
    return table;
}

// The Western code page's byte for a character, or 0 when it has none.
Byte AnsiByte(char16_t u)
{
    Byte b = 0;
    return u != 0 && CharToCodePage(u, 1252, b) ? b : 0;
}

char16_t AnsiChar(Byte b)
{
    return static_cast<char16_t>(CodePageToChar(b, 1252));
}

Byte FoldAnsi(Byte c)
{
    if (c >= 'a' && c <= 'z') return static_cast<Byte>(c - 32);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<Byte>(c - 32);
    switch (c) {
    case 0x9A: return 0x8A;
    case 0x9C: return 0x8C;
    case 0x9E: return 0x8E;
    case 0xFF: return 0x9F;
    default: return c;
    }
}

// Inserts the thousand separator into a run of decimal digits.
std::string GroupDigits(const std::string& digits)
{
    std::string out;
    const size_t n = digits.size();
    for (size_t i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) out += FormatSettings.ThousandSeparator;
        out += digits[i];
    }
    return out;
}

[[noreturn]] void RaiseInvalidInteger(const std::string& S)
{
    throw EConvertError(Format(SysMsg::InvalidInteger, S.c_str()));
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

constexpr char HexDigits[] = "0123456789ABCDEF";

}  // namespace


// ---------------------------------------------------------------- formatting and filling

std::string IntToStrFmt(Int64 Value)
{
    const bool neg = Value < 0;
    const unsigned long long mag = neg ? 0ULL - static_cast<unsigned long long>(Value) : static_cast<unsigned long long>(Value);
    return (neg ? "-" : "") + GroupDigits(std::to_string(mag));
}

std::string FloatToStrFmt(double Value, Integer Digits)
{
    if (!std::isfinite(Value)) return FloatToStr(Value);
    if (Digits > 15) Digits = 15;
    const double a = std::fabs(Value);
    double whole = std::trunc(a);
    double scale = 1;
    for (Integer i = 0; i < Digits; ++i) scale *= 10;
    double frac = std::nearbyint((a - whole) * scale);
    // A fraction that rounds up to a whole unit carries into the integer part.
    if (frac >= scale) {
        whole += 1;
        frac -= scale;
    }
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.0f", whole);
    std::string out = GroupDigits(buf);
    if (Digits > 0) {
        std::snprintf(buf, sizeof buf, "%0*.0f", static_cast<int>(Digits), frac);
        out += FormatSettings.DecimalSeparator;
        out += buf;
    }
    // The sign only where something non-zero is written.
    if (Value < 0 && (whole != 0 || frac != 0)) out.insert(0, "-");
    return out;
}

std::string IntToStrPad(Integer Value, Integer Len)
{
    std::string s = IntToStr(Value);
    if (static_cast<Integer>(s.size()) < Len) s.insert(0, static_cast<size_t>(Len) - s.size(), '0');
    return s;
}

std::string CenterStr(const std::string& S, Integer Len)
{
    const Integer n = static_cast<Integer>(S.size());
    if (n > Len) return {};
    return std::string(static_cast<size_t>((Len - n) / 2), ' ') + S;
}

std::string CompleteLine(const std::string& S, Integer Len, char Ch)
{
    if (static_cast<Integer>(S.size()) >= Len) return S;
    return S + std::string(static_cast<size_t>(Len) - S.size(), Ch);
}

std::string PrefixLine(const std::string& S, Integer Len, char Ch)
{
    if (Len <= 0) return S;
    return std::string(static_cast<size_t>(Len), Ch) + S;
}

std::string MakeString(Integer Count, const std::string& S)
{
    if (Count <= 0 || S.empty()) return {};
    if (S.size() == 1) return std::string(static_cast<size_t>(Count), S[0]);
    std::string out;
    out.reserve(S.size() * static_cast<size_t>(Count));
    for (Integer i = 0; i < Count; ++i) out += S;
    return out;
}

std::string GetCharRangeString(char C1, char C2)
{
    int a = static_cast<Byte>(C1), b = static_cast<Byte>(C2);
    if (a > b) std::swap(a, b);
    std::string out;
    for (int c = a; c <= b; ++c) out += static_cast<char>(c);
    return out;
}

std::string CurrToPrettyStr(Currency Value)
{
    const int dec = FormatSettings.CurrencyDecimals;
    const bool neg = Value < 0;
    const unsigned long long mag = neg ? 0ULL - static_cast<unsigned long long>(Value) : static_cast<unsigned long long>(Value);
    unsigned long long whole = mag / 10000;
    const unsigned long long frac = mag % 10000;
    std::string fracDigits;
    if (dec >= 4) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04llu", frac);
        fracDigits = buf + std::string(static_cast<size_t>(dec - 4), '0');
    } else {
        unsigned long long div = 1, unit = 1;
        for (int i = dec; i < 4; ++i) div *= 10;
        for (int i = 0; i < dec; ++i) unit *= 10;
        unsigned long long r = (frac + div / 2) / div;  // halves away from zero
        if (r >= unit) {
            whole += 1;
            r -= unit;
        }
        if (dec > 0) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "%0*llu", dec, r);
            fracDigits = buf;
        }
    }
    std::string num = GroupDigits(std::to_string(whole));
    if (dec > 0) num += FormatSettings.DecimalSeparator + fracDigits;
    const std::string& c = FormatSettings.CurrencyString;
    // No minus sign on an amount that rounds to zero.
    const bool shownNegative = neg && (whole != 0 || fracDigits.find_first_not_of('0') != std::string::npos);
    if (!shownNegative) {
        switch (FormatSettings.CurrencyFormat) {
        case 1: return num + c;
        case 2: return c + " " + num;
        case 3: return num + " " + c;
        default: return c + num;
        }
    }
    switch (FormatSettings.NegCurrFormat) {
    case 1: return "-" + c + num;
    case 2: return c + "-" + num;
    case 3: return c + num + "-";
    case 4: return "(" + num + c + ")";
    case 5: return "-" + num + c;
    case 6: return num + "-" + c;
    case 7: return num + c + "-";
    case 8: return "-" + num + " " + c;
    case 9: return "-" + c + " " + num;
    case 10: return num + " " + c + "-";
    case 11: return c + " " + num + "-";
    case 12: return c + " -" + num;
    case 13: return num + "- " + c;
    case 14: return "(" + c + " " + num + ")";
    case 15: return "(" + num + " " + c + ")";
    default: return "(" + c + num + ")";
    }
}

Integer CurrSign(Currency Value)
{
    return Value < 0 ? -1 : (Value > 0 ? 1 : 0);
}

// ---------------------------------------------------------------- search and extraction

bool replace(std::string& S, const std::string& Source, const std::string& Dest)
{
    if (Source.empty()) return false;
    const size_t at = S.find(Source);
    if (at == std::string::npos) return false;
    S.replace(at, Source.size(), Dest);
    return true;
}

Integer LastPos(const std::string& SubStr, const std::string& Str)
{
    if (SubStr.empty() || Str.empty() || SubStr.size() > Str.size()) return 0;
    const size_t at = Str.rfind(SubStr);
    return at == std::string::npos ? 0 : static_cast<Integer>(at) + 1;
}

std::string ExtractWord(const std::string& S, Integer Index)
{
    auto isDelim = [](char c) { return c == ' ' || c == '\t' || c == ';'; };
    Integer n = 0;
    size_t i = 0;
    while (i < S.size()) {
        while (i < S.size() && isDelim(S[i])) ++i;
        if (i >= S.size()) break;
        const size_t start = i;
        while (i < S.size() && !isDelim(S[i])) ++i;
        if (++n == Index) {
            std::string word = S.substr(start, i - start);
            if (start > 0 && S[start - 1] == ';') word.insert(0, ";");
            return word;
        }
    }
    return {};
}

Integer NextWordBegin(const std::string& S, Integer Start)
{
    for (size_t i = Start < 1 ? 0 : static_cast<size_t>(Start) - 1; i < S.size(); ++i)
        if (!IsBlank(S[i])) return static_cast<Integer>(i) + 1;
    return -1;
}

Integer FstNonSpace(const std::string& S)
{
    return NextWordBegin(S, 1);
}

bool LineIsEmpty(const std::string& S)
{
    return FstNonSpace(S) == -1;
}

Integer LeftBreak(const std::string& S, Integer Pos)
{
    if (Pos < 1 || Pos > static_cast<Integer>(S.size())) return -1;
    const bool k = IsBlank(S[static_cast<size_t>(Pos) - 1]);
    for (Integer i = Pos; i >= 1; --i)
        if (IsBlank(S[static_cast<size_t>(i) - 1]) != k) return i;
    return -1;
}

std::string ExtractStr(std::string& S, Integer Index, Integer Count)
{
    if (Index < 1 || Count <= 0 || Index > static_cast<Integer>(S.size())) return {};
    std::string part = S.substr(static_cast<size_t>(Index) - 1, static_cast<size_t>(Count));
    S.erase(static_cast<size_t>(Index) - 1, part.size());
    return part;
}

void TStrDelete(std::string& S, Integer Index, Integer Count)
{
    ExtractStr(S, Index, Count);
}

std::string TStrExtractStr(std::string& S, Integer Index, Integer Count)
{
    return ExtractStr(S, Index, Count);
}

void SetTStr(std::string& S, const char16_t* Buffer, Integer Len)
{
    S.clear();
    for (Integer i = 0; i < Len; ++i) {
        const Byte b = AnsiByte(Buffer[i]);
        S += b != 0 || Buffer[i] == 0 ? static_cast<char>(b) : '?';
    }
}

bool StrStartsWith(const char* Str, const char* Prefix)
{
    if (Prefix == nullptr) return true;
    if (Str == nullptr) return false;
    return std::strncmp(Str, Prefix, std::strlen(Prefix)) == 0;
}

bool ContainsAt(const std::string& S, Integer Pos, const std::string& Sub)
{
    if (Pos <= 0 || Pos > static_cast<Integer>(S.size())) return false;
    return S.compare(static_cast<size_t>(Pos) - 1, Sub.size(), Sub) == 0;
}

std::unique_ptr<char[]> StringDup(const std::string& S)
{
    std::unique_ptr<char[]> p(new char[S.size() + 1]);
    std::memcpy(p.get(), S.data(), S.size());
    p[S.size()] = '\0';
    return p;
}

// ---------------------------------------------------------------- classification

bool IsDigit(char C)
{
    return C >= '0' && C <= '9';
}

bool IsAlpha(char C)
{
    return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_';
}

bool IsAlphaOrDigit(char C)
{
    return IsAlpha(C) || IsDigit(C);
}

bool IsDigitStr(const std::string& S)
{
    for (char c : S)
        if (!IsDigit(c)) return false;
    return true;
}

bool IsAlphaStr(const std::string& S)
{
    for (char c : S)
        if (!IsAlpha(c)) return false;
    return true;
}

bool IsIdentStr(const std::string& S)
{
    if (S.empty() || !IsAlpha(S[0])) return false;
    for (size_t i = 1; i < S.size(); ++i)
        if (!IsAlphaOrDigit(S[i])) return false;
    return true;
}

bool AnsiSameText(const std::string& S1, const std::string& S2)
{
    if (S1.size() != S2.size()) return false;
    for (size_t i = 0; i < S1.size(); ++i)
        if (FoldAnsi(static_cast<Byte>(S1[i])) != FoldAnsi(static_cast<Byte>(S2[i]))) return false;
    return true;
}

std::string AnsiUpperCase(const std::string& S)
{
    std::string r(S);
    for (char& c : r) c = static_cast<char>(FoldAnsi(static_cast<Byte>(c)));
    return r;
}

bool FileNameLike(const std::string& FileName, const std::string& Mask)
{
    if (Mask == "*") return true;
    std::string name = FileName;
    const bool dotAdded = name.find('.') == std::string::npos;
    if (dotAdded) name += '.';
    const size_t nn = name.size(), mm = Mask.size();
    size_t n = 0, m = 0;
    bool starMet = false;
    for (;;) {
        if (m < mm && Mask[m] == '*') {
            if (starMet) return true;
            starMet = true;
            const size_t md = Mask.rfind('.');
            m = (md != std::string::npos && md > m) ? md + 1 : mm;
            const size_t nd = name.rfind('.');
            n = (nd != std::string::npos && nd >= n) ? nd + 1 : nn;
            continue;
        }
        if (m == mm && n == nn) return true;
        if (m < mm && n < nn &&
            (Mask[m] == '?' || FoldAnsi(static_cast<Byte>(Mask[m])) == FoldAnsi(static_cast<Byte>(name[n])))) {
            ++m;
            ++n;
            continue;
        }
        if (n == nn && m < mm && Mask[m] == '.' && (m + 1 == mm || Mask[m + 1] == '*')) return true;
        // A mask without an extension matches a name without one: all that is left of the name
        // is the "." added above.
        if (m == mm && dotAdded && n + 1 == nn) return true;
        return false;
    }
}

// ---------------------------------------------------------------- conversions

Integer H2D(const std::string& S)
{
    std::string t = S;
    if (!t.empty() && t[0] == '$') t.erase(0, 1);
    t = Trim(t);
    if (t.empty()) RaiseInvalidInteger(S);
    const bool neg = t[0] == '-';
    if (t[0] == '-' || t[0] == '+') t.erase(0, 1);
    if (t.empty()) RaiseInvalidInteger(S);
    std::uint32_t v = 0;  // wraps at 32 bits, as stored values rely on ("FFFFFFFF" is -1)
    for (char c : t) {
        const int d = HexValue(c);
        if (d < 0) RaiseInvalidInteger(S);
        v = v * 16 + static_cast<std::uint32_t>(d);
    }
    if (neg) v = 0u - v;
    return static_cast<Integer>(v);
}

Integer H2DDef(const std::string& S, Integer Default)
{
    try {
        return H2D(S);
    } catch (const EConvertError&) {
        return Default;
    }
}

Integer Bin2Int(const std::string& S)
{
    std::uint32_t v = 0;
    for (char c : S) {
        if (c != '0' && c != '1') RaiseInvalidInteger(S);
        v = v * 2 + static_cast<std::uint32_t>(c - '0');
    }
    return static_cast<Integer>(v);
}

Integer Bin2IntDef(const std::string& S, Integer Default)
{
    try {
        return Bin2Int(S);
    } catch (const EConvertError&) {
        return Default;
    }
}

std::string OEMToStr(const std::string& S)
{
    std::string out = S;
    for (char& c : out) {
        const Byte b = static_cast<Byte>(c);
        if (b < 0x80) continue;
        const char16_t u = Oem80[b - 0x80];
        const Byte a = AnsiByte(u);
        c = a != 0 ? static_cast<char>(a) : BestFit(u);
    }
    return out;
}

std::string StrToOEM(const std::string& S)
{
    std::string out = S;
    for (char& c : out) {
        const Byte b = static_cast<Byte>(c);
        if (b < 0x80) continue;
        const char16_t u = AnsiChar(b);
        const Byte o = UnicodeToOemTable()[u];
        if (o != 0) {
            c = static_cast<char>(o);
            continue;
        }
        const Byte fit = static_cast<Byte>(BestFit(u));
        c = static_cast<char>(fit < 0x80 ? fit : UnicodeToOemTable()[AnsiChar(fit)]);
        if (c == 0) c = '?';
    }
    return out;
}

std::string Data2Str(const void* Data, Integer Size)
{
    if (Size < 0 || Data == nullptr) Size = 0;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%X", static_cast<unsigned>(Size));
    std::string out = "454C ";
    out += buf;
    out += ' ';
    out.reserve(out.size() + 3 * static_cast<size_t>(Size));
    const auto* p = static_cast<const Byte*>(Data);
    for (Integer i = 0; i < Size; ++i) {
        out += HexDigits[p[i] >> 4];
        out += HexDigits[p[i] & 15];
        out += ' ';
    }
    return out;
}

bool Str2Data(const std::string& S, std::vector<Byte>& Data, Integer& Size)
{
    Data.clear();
    Size = -1;
    if (S.compare(0, 4, "454C") != 0) return false;
    size_t pos = S.size() < 5 ? S.size() : 5;
    // The next blank-terminated token; the last one may end with the text.
    auto token = [&](std::string& out) {
        if (pos >= S.size()) return false;
        size_t end = pos;
        while (end < S.size() && !IsBlank(S[end])) ++end;
        out = S.substr(pos, end - pos);
        pos = end < S.size() ? end + 1 : end;
        return true;
    };
    std::string t;
    if (!token(t)) return false;
    Integer len = 0;
    try {
        len = H2D(t);
    } catch (const EConvertError&) {
        return false;
    }
    // Every byte takes at least one digit and a blank: a length the rest cannot hold is a lie,
    // refused before anything is allocated.
    if (len < 0 || static_cast<size_t>(len) > (S.size() - pos + 1) / 2) return false;
    std::vector<Byte> block(static_cast<size_t>(len));
    for (Integer i = 0; i < len; ++i) {
        if (!token(t)) return false;
        Integer v = 0;
        try {
            v = H2D(t);
        } catch (const EConvertError&) {
            return false;
        }
        if (v < 0 || v > 255) return false;
        block[static_cast<size_t>(i)] = static_cast<Byte>(v);
    }
    Data = std::move(block);
    Size = len;
    return true;
}

std::string EscapeString(const std::string& S, const std::string& Chars, char EscChar)
{
    bool set[256] = {};
    if (Chars.empty()) {
        for (int c = 0; c < 32; ++c) set[c] = true;
        for (int c = 128; c < 256; ++c) set[c] = true;
    } else {
        for (char c : Chars) set[static_cast<Byte>(c)] = true;
    }
    set[static_cast<Byte>(EscChar)] = true;
    std::string out;
    out.reserve(S.size());
    for (char c : S) {
        const Byte b = static_cast<Byte>(c);
        if (set[b]) {
            out += EscChar;
            out += HexDigits[b >> 4];
            out += HexDigits[b & 15];
        } else {
            out += c;
        }
    }
    return out;
}

std::string UnEscapeString(const std::string& S, char EscChar)
{
    std::string out;
    out.reserve(S.size());
    for (size_t i = 0; i < S.size(); ++i) {
        if (S[i] != EscChar) {
            out += S[i];
            continue;
        }
        if (i + 2 >= S.size()) break;  // an escape cut short ends the text
        const int hi = HexValue(S[i + 1]), lo = HexValue(S[i + 2]);
        if (hi < 0 || lo < 0) RaiseInvalidInteger(S.substr(i + 1, 2));
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return out;
}

Currency PrettyStrToCurr(const std::string& S)
{
    if (S.empty()) return 0;
    const std::string& cur = FormatSettings.CurrencyString;
    const size_t curPos = cur.empty() ? std::string::npos : S.find(cur);
    const char dec = FormatSettings.DecimalSeparator;
    const char thou = FormatSettings.ThousandSeparator;
    Int64 value = 0;  // ten-thousandths
    bool negative = false, started = false, inFraction = false;
    Int64 weight = 1000;  // of the next fraction digit
    size_t i = 0;
    while (i < S.size()) {
        const char c = S[i];
        if (i == curPos) {
            if (started && negative) break;
            i += cur.size();
            continue;
        }
        if (c == '(' || c == '-') {
            negative = true;
            if (started) break;
        } else if (c == ',' || c == '.' || c == dec) {
            if (inFraction) break;
            inFraction = true;
            started = true;
        } else if (c >= '0' && c <= '9') {
            started = true;
            const int d = c - '0';
            if (inFraction) {
                // Digits past the fourth decimal are below the resolution and are dropped.
                if (value > LLONG_MAX - d * weight) break;  // the amount would overflow
                value += d * weight;
                weight /= 10;
            } else {
                if (value > (LLONG_MAX - d * 10000LL) / 10) break;  // the amount would overflow
                value = value * 10 + d * 10000LL;
            }
        } else if (c == thou || static_cast<Byte>(c) <= 32) {
            // skipped
        } else {
            break;
        }
        ++i;
    }
    return negative ? -value : value;
}

int MessageRes(int ResId, const std::string& Caption, Cardinal Flags, bool Beep)
{
    if (Beep) MessageBeep(Flags & 0x70);  // the icon type alone
    const std::string text = LoadStr(ResId);
    return MessageBox(nullptr, text.c_str(), Caption.c_str(), Flags);
}
