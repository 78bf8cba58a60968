#include "platform/SysUtils.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

std::string FormatV(const char* fmt, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    if (n <= 0) return {};
    std::string out(static_cast<size_t>(n), '\0');
    std::vsnprintf(out.data(), out.size() + 1, fmt, args);
    return out;
}

std::string Format(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    std::string out = FormatV(fmt, args);
    va_end(args);
    return out;
}

std::string IntToStr(Int64 value)
{
    return std::to_string(value);
}

std::string IntToHex(Int64 value, int digits)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*llX", digits < 0 ? 0 : digits,
                  static_cast<unsigned long long>(value));
    return buf;
}

bool TryStrToInt64(const std::string& s, Int64& value)
{
    const std::string t = Trim(s);
    size_t i = 0;
    bool neg = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) {
        neg = t[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < t.size() && t[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < t.size() && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= t.size()) return false;
    unsigned long long acc = 0;
    const unsigned long long limit = neg ? 9223372036854775808ULL : 9223372036854775807ULL;
    for (; i < t.size(); ++i) {
        const char c = t[i];
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return false;
        if (acc > (limit - static_cast<unsigned>(d)) / static_cast<unsigned>(base)) return false;
        acc = acc * static_cast<unsigned>(base) + static_cast<unsigned>(d);
    }
    value = neg ? static_cast<Int64>(0 - acc) : static_cast<Int64>(acc);
    return true;
}

bool TryStrToInt(const std::string& s, Integer& value)
{
    Int64 v;
    if (!TryStrToInt64(s, v) || v < INT32_MIN || v > INT32_MAX) return false;
    value = static_cast<Integer>(v);
    return true;
}

Integer StrToInt(const std::string& s)
{
    Integer v;
    if (!TryStrToInt(s, v)) throw EConvertError(Format(SysMsg::InvalidInteger, s.c_str()));
    return v;
}

Int64 StrToInt64(const std::string& s)
{
    Int64 v;
    if (!TryStrToInt64(s, v)) throw EConvertError(Format(SysMsg::InvalidInteger, s.c_str()));
    return v;
}

Integer StrToIntDef(const std::string& s, Integer def)
{
    Integer v;
    return TryStrToInt(s, v) ? v : def;
}

std::string FloatToStr(double value)
{
    if (value == 0.0) return "0";  // minus zero too
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15G", value);
    // "%G" writes exponents as E+05; the class library writes E5 and E-5.
    std::string s = buf;
    const size_t e = s.find('E');
    if (e != std::string::npos) {
        std::string mant = s.substr(0, e);
        std::string exp = s.substr(e + 1);
        const bool neg = !exp.empty() && exp[0] == '-';
        if (!exp.empty() && (exp[0] == '+' || exp[0] == '-')) exp.erase(0, 1);
        while (exp.size() > 1 && exp[0] == '0') exp.erase(0, 1);
        s = mant + "E" + (neg ? "-" : "") + exp;
    }
    return s;
}

bool TryStrToFloat(const std::string& s, double& value)
{
    const std::string t = Trim(s);
    if (t.empty()) return false;
    // Only plain decimal notation: no hexadecimal floats, no "inf"/"nan" words.
    for (char c : t) {
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+' ||
              c == 'e' || c == 'E'))
            return false;
    }
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(t.c_str(), &end);
    if (end != t.c_str() + t.size() || errno == ERANGE || !std::isfinite(v)) return false;
    value = v;
    return true;
}

double StrToFloat(const std::string& s)
{
    double v;
    if (!TryStrToFloat(s, v)) throw EConvertError(Format(SysMsg::InvalidFloat, s.c_str()));
    return v;
}

double StrToFloatDef(const std::string& s, double def)
{
    double v;
    return TryStrToFloat(s, v) ? v : def;
}

namespace {

struct FloatPattern {
    std::string prefix, suffix;
    int minInt = 0;     // '0' before the point
    int minFrac = 0;    // '0' after the point
    int maxFrac = 0;    // '0' or '#' after the point
    bool grouping = false;
    bool digits = false;  // any '0' or '#' at all
    bool exponent = false;
    bool expSign = false;
    int expDigits = 0;
};

// The digits of v (>= 0, finite) times ten to the power -shift, with frac decimals, rounded half away
// from zero on its 17 significant digits, as the decimal text reads rather than as the nearest binary
// value happens to lie. Moving the point in the digits (not dividing v) keeps subnormal and huge
// values exact.
void RoundedDigits(double v, int shift, int frac, std::string& ip, std::string& fp)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.16e", v);
    std::string digits(1, buf[0]);
    digits.append(buf + 2, 16);
    const long pointPos = std::strtol(std::strchr(buf, 'e') + 1, nullptr, 10) + 1 - shift;
    if (pointPos <= 0) {
        ip = "0";
        fp = std::string(static_cast<size_t>(-pointPos), '0') + digits;
    } else if (static_cast<size_t>(pointPos) >= digits.size()) {
        ip = digits + std::string(static_cast<size_t>(pointPos) - digits.size(), '0');
        fp.clear();
    } else {
        ip = digits.substr(0, static_cast<size_t>(pointPos));
        fp = digits.substr(static_cast<size_t>(pointPos));
    }
    const size_t keep = static_cast<size_t>(std::max(frac, 0));
    if (fp.size() > keep) {
        const bool up = fp[keep] >= '5';
        fp.resize(keep);
        if (up) {
            size_t i = fp.size();
            while (i > 0 && fp[i - 1] == '9') fp[--i] = '0';
            if (i > 0) {
                ++fp[i - 1];
            } else {
                size_t j = ip.size();
                while (j > 0 && ip[j - 1] == '9') ip[--j] = '0';
                if (j > 0) ++ip[j - 1];
                else ip.insert(0, "1");
            }
        }
    }
    fp.resize(keep, '0');
    const size_t nz = ip.find_first_not_of('0');
    ip = nz == std::string::npos ? "0" : ip.substr(nz);
}

// Digits with a "," before every group of three from the right, in one pass.
std::string Grouped(const std::string& ip)
{
    std::string out;
    out.reserve(ip.size() + ip.size() / 3);
    for (size_t i = 0; i < ip.size(); ++i) {
        if (i > 0 && (ip.size() - i) % 3 == 0) out += ',';
        out += ip[i];
    }
    return out;
}

FloatPattern ParsePattern(const std::string& p)
{
    FloatPattern f;
    bool inNumber = false, afterPoint = false, done = false;
    for (size_t i = 0; i < p.size(); ++i) {
        const char c = p[i];
        if (c == '"' || c == '\'') {
            const size_t close = p.find(c, i + 1);
            const std::string lit = p.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
            (inNumber || done ? f.suffix : f.prefix) += lit;
            if (inNumber) done = true;
            i = close == std::string::npos ? p.size() : close;
        } else if (!done && (c == '0' || c == '#')) {
            inNumber = true;
            f.digits = true;
            if (afterPoint) {
                ++f.maxFrac;
                if (c == '0') f.minFrac = f.maxFrac;
            } else if (c == '0') {
                ++f.minInt;
            }
        } else if (!done && c == '.') {
            inNumber = true;
            afterPoint = true;
        } else if (!done && c == ',') {
            f.grouping = true;
        } else if (!done && inNumber && (c == 'E' || c == 'e') && i + 1 < p.size() &&
                   (p[i + 1] == '+' || p[i + 1] == '-')) {
            f.exponent = true;
            f.expSign = p[i + 1] == '+';
            i += 2;
            while (i < p.size() && p[i] == '0') {
                ++f.expDigits;
                ++i;
            }
            --i;
            done = true;
        } else {
            (inNumber ? f.suffix : f.prefix) += c;
            if (inNumber) done = true;
        }
    }
    return f;
}

}  // namespace

std::string FormatFloat(const std::string& pattern, double value)
{
    // Sections "positive;negative;zero"; a negative section writes no minus sign of its own.
    std::vector<std::string> sections(1);
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '"' || c == '\'') {
            const size_t close = pattern.find(c, i + 1);
            const size_t end = close == std::string::npos ? pattern.size() : close + 1;
            sections.back() += pattern.substr(i, end - i);
            i = end - 1;
        } else if (c == ';') {
            sections.emplace_back();
        } else {
            sections.back() += c;
        }
    }
    bool neg = std::signbit(value) && value != 0.0;
    std::string chosen = sections[0];
    if (neg && sections.size() >= 2 && !sections[1].empty()) {
        chosen = sections[1];
        neg = false;
    } else if (value == 0.0 && sections.size() >= 3 && !sections[2].empty()) {
        chosen = sections[2];
    }
    // Infinities and NaN have no digits to lay out: they read as FloatToStr writes them.
    if (chosen.empty() || !std::isfinite(value)) return FloatToStr(value);
    const FloatPattern f = ParsePattern(chosen);
    if (!f.digits) return f.prefix + f.suffix;  // a section of text alone
    const double v = std::fabs(value);
    int exp10 = 0;
    if (f.exponent && v != 0.0) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.16e", v);
        exp10 = static_cast<int>(std::strtol(std::strchr(buf, 'e') + 1, nullptr, 10)) -
                (f.minInt > 0 ? f.minInt - 1 : 0);
    }
    std::string ip, fp;
    RoundedDigits(v, exp10, f.maxFrac, ip, fp);
    if (f.exponent && v != 0.0 && ip.size() > static_cast<size_t>(std::max(f.minInt, 1))) {
        // Rounding carried into one more integer digit (9.996 -> 10.00): one place further.
        ++exp10;
        RoundedDigits(v, exp10, f.maxFrac, ip, fp);
    }
    size_t fracLen = fp.size();
    while (static_cast<int>(fracLen) > f.minFrac && fracLen > 0 && fp[fracLen - 1] == '0') --fracLen;
    fp.resize(fracLen);
    if (ip == "0" && f.minInt == 0) ip.clear();
    if (static_cast<int>(ip.size()) < f.minInt) ip.insert(0, static_cast<size_t>(f.minInt) - ip.size(), '0');
    if (f.grouping) ip = Grouped(ip);
    std::string out = ip;
    if (!fp.empty()) out += "." + fp;
    if (f.exponent) {
        std::string e = std::to_string(std::abs(exp10));
        if (static_cast<int>(e.size()) < f.expDigits) e.insert(0, static_cast<size_t>(f.expDigits) - e.size(), '0');
        out += "E";
        if (exp10 < 0) out += "-";
        else if (f.expSign) out += "+";
        out += e;
    }
    const bool allZero = out.find_first_not_of("0.,E+-") == std::string::npos;
    if (out.empty()) out = "0";
    return (neg && !allZero ? "-" : "") + f.prefix + out + f.suffix;
}

std::string UpperCase(const std::string& s)
{
    std::string r = s;
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return r;
}

std::string LowerCase(const std::string& s)
{
    std::string r = s;
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return r;
}

static bool IsBlank(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

std::string TrimLeft(const std::string& s)
{
    size_t i = 0;
    while (i < s.size() && IsBlank(s[i])) ++i;
    return s.substr(i);
}

std::string TrimRight(const std::string& s)
{
    size_t n = s.size();
    while (n > 0 && IsBlank(s[n - 1])) --n;
    return s.substr(0, n);
}

std::string Trim(const std::string& s)
{
    return TrimRight(TrimLeft(s));
}

int CompareStr(const std::string& a, const std::string& b)
{
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int CompareText(const std::string& a, const std::string& b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool SameText(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && CompareText(a, b) == 0;
}

std::string AnsiQuotedStr(const std::string& s, char quote)
{
    std::string r(1, quote);
    for (char c : s) {
        r += c;
        if (c == quote) r += c;
    }
    r += quote;
    return r;
}

std::string QuotedStr(const std::string& s)
{
    return AnsiQuotedStr(s, '\'');
}

std::string AnsiDequotedStr(const std::string& s, char quote)
{
    if (s.empty() || s[0] != quote) return s;
    std::string r;
    size_t i = 1;
    while (i < s.size()) {
        if (s[i] == quote) {
            if (i + 1 < s.size() && s[i + 1] == quote) {
                r += quote;
                i += 2;
                continue;
            }
            return r;  // closing quote; anything after it is dropped
        }
        r += s[i++];
    }
    return s;  // no closing quote: not a quoted string
}

std::string StringOfChar(char c, int count)
{
    return count > 0 ? std::string(static_cast<size_t>(count), c) : std::string();
}

std::string StringReplace(const std::string& s, const std::string& from, const std::string& to,
                          unsigned flags)
{
    if (from.empty()) return s;
    const std::string hay = (flags & rfIgnoreCase) ? UpperCase(s) : s;
    const std::string pat = (flags & rfIgnoreCase) ? UpperCase(from) : from;
    std::string out;
    size_t pos = 0;
    while (pos <= s.size()) {
        const size_t hit = hay.find(pat, pos);
        if (hit == std::string::npos) break;
        out.append(s, pos, hit - pos);
        out += to;
        pos = hit + from.size();
        if (!(flags & rfReplaceAll)) break;
    }
    out.append(s, pos, std::string::npos);
    return out;
}

std::string NativeFileName(const std::string& name)
{
    std::string r = name;
    for (char& c : r)
        if (c == '\\') c = '/';
    return r;
}

TFormatSettings FormatSettings;

namespace {
thread_local DWORD gLastError = ERROR_SUCCESS;
}

DWORD GetLastError()
{
    return gLastError;
}

void SetLastError(DWORD Code)
{
    gLastError = Code;
}

std::string SysErrorMessage(DWORD Code)
{
    switch (Code) {
    case ERROR_SUCCESS: return "The operation completed successfully.";
    case ERROR_FILE_NOT_FOUND: return "The system cannot find the file specified.";
    case ERROR_ACCESS_DENIED: return "Access is denied.";
    case ERROR_INVALID_HANDLE: return "The handle is invalid.";
    case ERROR_NOT_ENOUGH_MEMORY: return "Not enough storage is available to process this command.";
    case ERROR_BAD_NETPATH: return "The network path was not found.";
    case ERROR_INVALID_PARAMETER: return "The parameter is incorrect.";
    case ERROR_CALL_NOT_IMPLEMENTED: return "This function is not supported on this system.";
    case ERROR_BAD_PATHNAME: return "The specified path is invalid.";
    case ERROR_ALREADY_EXISTS: return "Cannot create a file when that file already exists.";
    case ERROR_MORE_DATA: return "More data is available.";
    case ERROR_NO_MORE_ITEMS: return "No more data is available.";
    case ERROR_BADDB: return "The configuration registry database is corrupt.";
    case ERROR_CANTWRITE: return "The configuration registry key could not be written.";
    case ERROR_KEY_DELETED: return "Illegal operation attempted on a registry key that has been marked for deletion.";
    default: return Format("System error, code %u.", static_cast<unsigned>(Code));
    }
}

namespace {
std::mutex& StringTableLock()
{
    static std::mutex m;
    return m;
}
std::map<int, std::string>& StringTable()
{
    static std::map<int, std::string> table;
    return table;
}
}  // namespace

void RegisterResourceString(int Ident, const std::string& Text)
{
    std::lock_guard<std::mutex> lock(StringTableLock());
    StringTable()[Ident] = Text;
}

std::string LoadStr(int Ident)
{
    std::lock_guard<std::mutex> lock(StringTableLock());
    const auto it = StringTable().find(Ident);
    return it == StringTable().end() ? std::string() : it->second;
}
