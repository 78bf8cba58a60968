// Message texts with inserts, from the system's table of error texts or from a pattern.
#include <cstring>
#include <string>

#include "platform/SysUtils.h"
#include "platform/Windows.h"

DWORD FormatMessage(DWORD dwFlags, const void* lpSource, DWORD dwMessageId, DWORD, LPSTR lpBuffer, DWORD nSize,
                    const LPCSTR* Arguments)
{
    bool inserts = !(dwFlags & FORMAT_MESSAGE_IGNORE_INSERTS);
    if ((dwFlags & (FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE)) || !lpBuffer ||
        (inserts && Arguments && !(dwFlags & FORMAT_MESSAGE_ARGUMENT_ARRAY))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string pattern;
    if (dwFlags & FORMAT_MESSAGE_FROM_STRING) {
        if (!lpSource) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        pattern = static_cast<const char*>(lpSource);
    } else if (dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) {
        pattern = SysErrorMessage(dwMessageId) + "\r\n";
    } else {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    bool oneLine = (dwFlags & FORMAT_MESSAGE_MAX_WIDTH_MASK) == FORMAT_MESSAGE_MAX_WIDTH_MASK;
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        char c = pattern[i];
        if (oneLine && (c == '\r' || c == '\n')) {
            // The pattern's own line breaks become blanks; %n still breaks.
            if (c == '\r' && i + 1 < pattern.size() && pattern[i + 1] == '\n')
                ++i;
            out += ' ';
            continue;
        }
        if (c != '%' || !inserts) {
            out += c;
            continue;
        }
        if (i + 1 >= pattern.size())
            break;
        char n = pattern[++i];
        if (n == '0')
            break;
        if (n == 'n') {
            out += "\r\n";
        } else if (n >= '1' && n <= '9') {
            int index = n - '0';
            if (i + 1 < pattern.size() && pattern[i + 1] >= '0' && pattern[i + 1] <= '9')
                index = index * 10 + (pattern[++i] - '0');
            // An insert may carry a printf form ("%1!s!"): strings are all this system inserts.
            if (i + 1 < pattern.size() && pattern[i + 1] == '!') {
                size_t end = pattern.find('!', i + 2);
                if (end != std::string::npos)
                    i = end;
            }
            if (!Arguments) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return 0;
            }
            const char* arg = Arguments[index - 1];
            out += arg ? arg : "";
        } else {
            // %% , %. , %! and the like stand for the character itself.
            out += n;
        }
    }
    if (out.size() + 1 > nSize) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        if (nSize > 0)
            lpBuffer[0] = 0;
        return 0;
    }
    std::memcpy(lpBuffer, out.c_str(), out.size() + 1);
    return DWORD(out.size());
}
