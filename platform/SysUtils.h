// Exceptions and the string and number helpers of the class library.
// Strings are byte strings (a Windows code page); Unicode appears only at the toolkit boundary.
#pragma once

#include <cstdarg>
#include <exception>
#include <string>

#include "platform/Types.h"

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : FMessage(std::move(message)) {}
    const std::string& Message() const { return FMessage; }
    void SetMessage(std::string m) { FMessage = std::move(m); }
    const char* what() const noexcept override { return FMessage.c_str(); }

private:
    std::string FMessage;
};

#define MORVIK_EXCEPTION(Name, Base)          \
    class Name : public Base {                \
    public:                                   \
        using Base::Base;                     \
    }

MORVIK_EXCEPTION(EAbort, Exception);
MORVIK_EXCEPTION(EConvertError, Exception);
MORVIK_EXCEPTION(EOutOfMemory, Exception);
MORVIK_EXCEPTION(EInOutError, Exception);
MORVIK_EXCEPTION(EInvalidCast, Exception);
MORVIK_EXCEPTION(EInvalidOperation, Exception);
MORVIK_EXCEPTION(EInvalidPointer, Exception);
MORVIK_EXCEPTION(EMathError, Exception);
MORVIK_EXCEPTION(EZeroDivide, EMathError);
MORVIK_EXCEPTION(ERangeError, Exception);
MORVIK_EXCEPTION(EListError, Exception);
MORVIK_EXCEPTION(EStringListError, EListError);
MORVIK_EXCEPTION(EComponentError, Exception);
MORVIK_EXCEPTION(EStreamError, Exception);
MORVIK_EXCEPTION(EFilerError, EStreamError);
MORVIK_EXCEPTION(EReadError, EFilerError);
MORVIK_EXCEPTION(EWriteError, EFilerError);
MORVIK_EXCEPTION(EFCreateError, EStreamError);
MORVIK_EXCEPTION(EFOpenError, EStreamError);
MORVIK_EXCEPTION(EIniFileException, Exception);
MORVIK_EXCEPTION(EOSError, Exception);

// The class library's fixed messages, shared so that every raiser uses the same text.
namespace SysMsg {
inline constexpr const char* InvalidInteger = "'%s' is not a valid integer value";
inline constexpr const char* InvalidFloat = "'%s' is not a valid floating point value";
inline constexpr const char* ListIndexError = "List index out of bounds (%d)";
inline constexpr const char* SortedListError = "Operation not allowed on sorted list";
inline constexpr const char* DuplicateString = "String list does not allow duplicates";
inline constexpr const char* ReadError = "Stream read error";
inline constexpr const char* WriteError = "Stream write error";
inline constexpr const char* FCreateError = "Cannot create file %s";
inline constexpr const char* FOpenError = "Cannot open file %s";
inline constexpr const char* AssignError = "Cannot assign a %s to a %s";
inline constexpr const char* OutOfMemory = "Out of memory";
}  // namespace SysMsg

// printf-style formatting into a byte string.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* fmt, va_list args);

std::string IntToStr(Int64 value);
std::string IntToHex(Int64 value, int digits);
Integer StrToInt(const std::string& s);               // EConvertError when not a number
Int64 StrToInt64(const std::string& s);
Integer StrToIntDef(const std::string& s, Integer def);
bool TryStrToInt(const std::string& s, Integer& value);
// Accepts decimal and "$"/"0x" hexadecimal, with optional sign and surrounding blanks.
bool TryStrToInt64(const std::string& s, Int64& value);

std::string FloatToStr(double value);  // general format, 15 significant digits, '.' separator
double StrToFloat(const std::string& s);
double StrToFloatDef(const std::string& s, double def);
bool TryStrToFloat(const std::string& s, double& value);
// Pattern subset: '0' and '#' digits, one '.', ',' grouping, literal text in quotes, "E+00", and the
// sections "positive;negative;zero". Halves round away from zero, as the decimal text reads.
std::string FormatFloat(const std::string& pattern, double value);

std::string UpperCase(const std::string& s);  // ASCII letters only
std::string LowerCase(const std::string& s);
std::string Trim(const std::string& s);       // removes bytes <= ' ' at both ends
std::string TrimLeft(const std::string& s);
std::string TrimRight(const std::string& s);
int CompareStr(const std::string& a, const std::string& b);
int CompareText(const std::string& a, const std::string& b);  // ASCII case-insensitive
bool SameText(const std::string& a, const std::string& b);
std::string QuotedStr(const std::string& s);                     // 'it''s'
std::string AnsiQuotedStr(const std::string& s, char quote);
std::string AnsiDequotedStr(const std::string& s, char quote);  // unchanged when not quoted
std::string StringOfChar(char c, int count);

enum TReplaceFlag : unsigned { rfReplaceAll = 1, rfIgnoreCase = 2 };
std::string StringReplace(const std::string& s, const std::string& from, const std::string& to,
                          unsigned flags);

// File names the design writes Windows-style (".\MORVIK.INI", "Messages\x.TXT") work as they stand:
// every '\' becomes '/'.
std::string NativeFileName(const std::string& name);

// The program's string table: texts built into the program under a number, registered at start-up.
void RegisterResourceString(int Ident, const std::string& Text);
std::string LoadStr(int Ident);  // empty when no text has that number

// Date-times: days since 30 December 1899, the time of day as the fraction.
using TDateTime = double;

// The system's broken-down time record (0 = Sunday in wDayOfWeek).
struct TSystemTime {
    Word wYear = 0;
    Word wMonth = 0;
    Word wDayOfWeek = 0;
    Word wDay = 0;
    Word wHour = 0;
    Word wMinute = 0;
    Word wSecond = 0;
    Word wMilliseconds = 0;
    friend bool operator==(const TSystemTime&, const TSystemTime&) = default;
};

// Locale values the formatting and parsing helpers read. One process-wide record with the en-US
// defaults; tests and a program that wants another locale change its fields. Date and time
// patterns use d/m/y for the date, h/n/s for the time ("mm" right after "h" means minutes) and
// "AMPM" for the designator.
struct TFormatSettings {
    char ThousandSeparator = ',';
    char DecimalSeparator = '.';
    char DateSeparator = '/';
    char TimeSeparator = ':';
    char ListSeparator = ',';
    std::string CurrencyString = "$";
    Byte CurrencyFormat = 0;  // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
    Byte NegCurrFormat = 0;   // 0 "($1)", 1 "-$1", ... 15 "(1 $)"
    Byte CurrencyDecimals = 2;
    std::string ShortDateFormat = "m/d/yyyy";
    std::string LongDateFormat = "dddd, mmmm d, yyyy";
    std::string ShortTimeFormat = "h:nn AMPM";
    std::string LongTimeFormat = "h:nn:ss AMPM";
    std::string TimeAMString = "AM";
    std::string TimePMString = "PM";
    std::string ShortMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::string LongMonthNames[12] = {"January", "February", "March",     "April",   "May",      "June",
                                      "July",    "August",   "September", "October", "November", "December"};
    std::string ShortDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    std::string LongDayNames[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
};

extern TFormatSettings FormatSettings;

// The system's last-error code of the calling thread, and its text. The services of this layer that
// stand in for system calls (the registry) set it when they fail.
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_BAD_NETPATH = 53;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_CALL_NOT_IMPLEMENTED = 120;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_BAD_PATHNAME = 161;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;
constexpr DWORD ERROR_MORE_DATA = 234;
constexpr DWORD ERROR_NO_MORE_ITEMS = 259;
constexpr DWORD ERROR_BADDB = 1009;
constexpr DWORD ERROR_CANTWRITE = 1013;
constexpr DWORD ERROR_KEY_DELETED = 1018;
DWORD GetLastError();
void SetLastError(DWORD Code);
// One line of text for a code ("The system cannot find the file specified."); unknown codes give a
// generic text with the number.
std::string SysErrorMessage(DWORD Code);
