#include "platform/DateUtils.h"

#include <cmath>
#include <ctime>
#include <mutex>

#include "platform/SysUtils.h"

namespace {

// Days from 1 January of year 1 to 30 December 1899.
constexpr Int64 DateDelta = 693594;

std::mutex clockMutex;
std::function<TSystemTime()> localTimeSource;

const Word MonthDays[2][12] = {{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                               {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};

// Day number since 1 January of year 1 (that day is 1) and milliseconds into the day.
struct TimeStamp {
    Int64 Date;
    Int64 Time;
};

TimeStamp ToTimeStamp(TDateTime dt)
{
    // Beyond the calendar's years (or not a number at all) nothing can be decoded; day 0 decodes
    // as the empty date instead of overflowing the conversions below.
    if (!(std::fabs(dt) < 1e9)) return {0, 0};
    double whole = std::trunc(dt);
    Int64 ms = std::llround(std::fabs(dt - whole) * MSecsPerDay);
    if (ms >= MSecsPerDay) {
        // Rounding reached the next midnight: the next day, in the direction time runs.
        ms -= MSecsPerDay;
        whole += dt < 0 ? -1 : 1;
    }
    return {static_cast<Int64>(whole) + DateDelta, ms};
}

void DaysToDate(Int64 days, Word& year, Word& month, Word& day)
{
    if (days <= 0) {
        year = month = day = 0;
        return;
    }
    // Civil-from-days on the proleptic Gregorian calendar, counted from 1 March of year 0.
    Int64 z = days + 306 - 1;  // days since 1 March 0000 (day 1 of year 1 is 1 January 0001)
    const Int64 era = (z >= 0 ? z : z - 146096) / 146097;
    const Int64 doe = z - era * 146097;
    const Int64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const Int64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const Int64 mp = (5 * doy + 2) / 153;
    const Int64 d = doy - (153 * mp + 2) / 5 + 1;
    const Int64 m = mp < 10 ? mp + 3 : mp - 9;
    const Int64 y = yoe + era * 400 + (m <= 2 ? 1 : 0);
    year = static_cast<Word>(y);
    month = static_cast<Word>(m);
    day = static_cast<Word>(d);
}

TSystemTime FromTm(const std::tm& t, long nanoseconds)
{
    TSystemTime st;
    st.wYear = static_cast<Word>(t.tm_year + 1900);
    st.wMonth = static_cast<Word>(t.tm_mon + 1);
    st.wDayOfWeek = static_cast<Word>(t.tm_wday);
    st.wDay = static_cast<Word>(t.tm_mday);
    st.wHour = static_cast<Word>(t.tm_hour);
    st.wMinute = static_cast<Word>(t.tm_min);
    st.wSecond = static_cast<Word>(t.tm_sec > 59 ? 59 : t.tm_sec);  // a leap second stays in its minute
    st.wMilliseconds = static_cast<Word>(nanoseconds / 1000000);
    return st;
}

}  // namespace

void SetLocalTimeSource(std::function<TSystemTime()> Source)
{
    std::lock_guard<std::mutex> lock(clockMutex);
    localTimeSource = std::move(Source);
}

void GetLocalTime(TSystemTime& St)
{
    {
        std::lock_guard<std::mutex> lock(clockMutex);
        if (localTimeSource) {
            St = localTimeSource();
            return;
        }
    }
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    St = platform_detail::LocalSystemTime(ts.tv_sec, ts.tv_nsec);
}

TSystemTime platform_detail::LocalSystemTime(Int64 Seconds, long Nanoseconds)
{
    const time_t t = static_cast<time_t>(Seconds);
    std::tm tm{};
    localtime_r(&t, &tm);
    return FromTm(tm, Nanoseconds);
}

void GetSystemTime(TSystemTime& St)
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::tm t{};
    gmtime_r(&ts.tv_sec, &t);
    St = FromTm(t, ts.tv_nsec);
}

bool IsLeapYear(Word Year)
{
    return Year % 4 == 0 && (Year % 100 != 0 || Year % 400 == 0);
}

Word DaysInAMonth(Word Year, Word Month)
{
    if (Month < 1 || Month > 12) return 0;
    return MonthDays[IsLeapYear(Year) ? 1 : 0][Month - 1];
}

bool TryEncodeDate(Word Year, Word Month, Word Day, TDateTime& Result)
{
    if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1 || Day > DaysInAMonth(Year, Month))
        return false;
    const Word* table = MonthDays[IsLeapYear(Year) ? 1 : 0];
    Int64 days = Day;
    for (int m = 0; m < Month - 1; ++m) days += table[m];
    const Int64 y = Year - 1;
    days += y * 365 + y / 4 - y / 100 + y / 400;
    Result = static_cast<TDateTime>(days - DateDelta);
    return true;
}

TDateTime EncodeDate(Word Year, Word Month, Word Day)
{
    TDateTime r;
    if (!TryEncodeDate(Year, Month, Day, r)) throw EConvertError("Invalid argument to date encode");
    return r;
}

bool TryEncodeTime(Word Hour, Word Min, Word Sec, Word MSec, TDateTime& Result)
{
    if (Hour >= 24 || Min >= 60 || Sec >= 60 || MSec >= 1000) return false;
    Result = (Hour * 3600000.0 + Min * 60000.0 + Sec * 1000.0 + MSec) / MSecsPerDay;
    return true;
}

TDateTime EncodeTime(Word Hour, Word Min, Word Sec, Word MSec)
{
    TDateTime r;
    if (!TryEncodeTime(Hour, Min, Sec, MSec, r)) throw EConvertError("Invalid argument to time encode");
    return r;
}

void DecodeDate(TDateTime Date, Word& Year, Word& Month, Word& Day)
{
    DaysToDate(ToTimeStamp(Date).Date, Year, Month, Day);
}

void DecodeTime(TDateTime Time, Word& Hour, Word& Min, Word& Sec, Word& MSec)
{
    Int64 ms = ToTimeStamp(Time).Time;
    Hour = static_cast<Word>(ms / 3600000);
    ms %= 3600000;
    Min = static_cast<Word>(ms / 60000);
    ms %= 60000;
    Sec = static_cast<Word>(ms / 1000);
    MSec = static_cast<Word>(ms % 1000);
}

Integer DayOfWeek(TDateTime Date)
{
    const Int64 days = ToTimeStamp(Date).Date;  // day 1 (1 January 0001) was a Monday
    return static_cast<Integer>(((days % 7) + 7) % 7) + 1;
}

void DateTimeToSystemTime(TDateTime DateTime, TSystemTime& St)
{
    DecodeDate(DateTime, St.wYear, St.wMonth, St.wDay);
    DecodeTime(DateTime, St.wHour, St.wMinute, St.wSecond, St.wMilliseconds);
    St.wDayOfWeek = static_cast<Word>(DayOfWeek(DateTime) - 1);
}

TDateTime SystemTimeToDateTime(const TSystemTime& St)
{
    const TDateTime d = EncodeDate(St.wYear, St.wMonth, St.wDay);
    const TDateTime t = EncodeTime(St.wHour, St.wMinute, St.wSecond, St.wMilliseconds);
    return d < 0 ? d - t : d + t;
}

TDateTime Now()
{
    TSystemTime st;
    GetLocalTime(st);
    return SystemTimeToDateTime(st);
}

TDateTime Date()
{
    TSystemTime st;
    GetLocalTime(st);
    return EncodeDate(st.wYear, st.wMonth, st.wDay);
}

TDateTime Time()
{
    TSystemTime st;
    GetLocalTime(st);
    return EncodeTime(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
}

namespace {

bool StartsWithNoCase(const std::string& s, size_t pos, const char* what)
{
    for (size_t i = 0; what[i] != '\0'; ++i) {
        if (pos + i >= s.size()) return false;
        char c = s[pos + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        if (c != what[i]) return false;
    }
    return true;
}

size_t RunOf(const std::string& s, size_t pos)
{
    const char c = static_cast<char>(s[pos] | 0x20);
    size_t n = 0;
    while (pos + n < s.size() && static_cast<char>(s[pos + n] | 0x20) == c) ++n;
    return n;
}

std::string Pad(int value, int width)
{
    return Format("%0*d", width, value);
}

class DateFormatter {
public:
    explicit DateFormatter(TDateTime dt) : fDt(dt)
    {
        DateTimeToSystemTime(dt, fSt);
    }

    void Append(const std::string& fmt, std::string& out, int depth)
    {
        if (depth > 2) return;  // a locale format naming itself cannot loop
        // Whether an AM/PM marker follows decides the 12-hour clock for every hour of the format.
        const bool twelve = HasAmPm(fmt);
        bool lastWasHour = false;
        size_t i = 0;
        while (i < fmt.size()) {
            const char c = fmt[i];
            const char lc = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
            if (c == '\'' || c == '"') {
                const size_t close = fmt.find(c, i + 1);
                out.append(fmt, i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
                i = close == std::string::npos ? fmt.size() : close + 1;
                continue;
            }
            if (lc == 'a') {
                const bool pm = fSt.wHour >= 12;
                if (StartsWithNoCase(fmt, i, "am/pm")) {
                    out += pm ? (fmt[i + 3] == 'P' ? "PM" : "pm") : (fmt[i] == 'A' ? "AM" : "am");
                    i += 5;
                } else if (StartsWithNoCase(fmt, i, "a/p")) {
                    out += pm ? (fmt[i + 2] == 'P' ? 'P' : 'p') : (fmt[i] == 'A' ? 'A' : 'a');
                    i += 3;
                } else if (StartsWithNoCase(fmt, i, "ampm")) {
                    out += pm ? FormatSettings.TimePMString : FormatSettings.TimeAMString;
                    i += 4;
                } else {
                    out += c;
                    ++i;
                }
                lastWasHour = false;
                continue;
            }
            const size_t n = RunOf(fmt, i);
            bool isHour = false;
            switch (lc) {
            case 'd':
                if (n == 1) out += std::to_string(fSt.wDay);
                else if (n == 2) out += Pad(fSt.wDay, 2);
                else if (n == 3) out += FormatSettings.ShortDayNames[fSt.wDayOfWeek];
                else if (n == 4) out += FormatSettings.LongDayNames[fSt.wDayOfWeek];
                else if (n == 5) Append(FormatSettings.ShortDateFormat, out, depth + 1);
                else Append(FormatSettings.LongDateFormat, out, depth + 1);
                break;
            case 'm':
                if (lastWasHour && n <= 2) {
                    out += n == 1 ? std::to_string(fSt.wMinute) : Pad(fSt.wMinute, 2);
                } else if (n == 1) {
                    out += std::to_string(fSt.wMonth);
                } else if (n == 2) {
                    out += Pad(fSt.wMonth, 2);
                } else if (fSt.wMonth < 1 || fSt.wMonth > 12) {
                    // A date before year 1 has no month to name.
                } else if (n == 3) {
                    out += FormatSettings.ShortMonthNames[fSt.wMonth - 1];
                } else {
                    out += FormatSettings.LongMonthNames[fSt.wMonth - 1];
                }
                break;
            case 'y':
                out += n <= 2 ? Pad(fSt.wYear % 100, 2) : Pad(fSt.wYear, 4);
                break;
            case 'h': {
                int h = fSt.wHour;
                if (twelve) {
                    h %= 12;
                    if (h == 0) h = 12;
                }
                out += n == 1 ? std::to_string(h) : Pad(h, 2);
                isHour = true;
                break;
            }
            case 'n':
                out += n == 1 ? std::to_string(fSt.wMinute) : Pad(fSt.wMinute, 2);
                break;
            case 's':
                out += n == 1 ? std::to_string(fSt.wSecond) : Pad(fSt.wSecond, 2);
                break;
            case 'z':
                out += n < 3 ? std::to_string(fSt.wMilliseconds) : Pad(fSt.wMilliseconds, 3);
                break;
            case 't':
                Append(n == 1 ? FormatSettings.ShortTimeFormat : FormatSettings.LongTimeFormat, out, depth + 1);
                break;
            case 'c':
                Append(FormatSettings.ShortDateFormat, out, depth + 1);
                if (fDt - std::trunc(fDt) != 0) {
                    out += ' ';
                    Append(FormatSettings.LongTimeFormat, out, depth + 1);
                }
                break;
            case '/':
                out.append(n, FormatSettings.DateSeparator);
                break;
            case ':':
                out.append(n, FormatSettings.TimeSeparator);
                break;
            default:
                out.append(fmt, i, n);
                break;
            }
            // Letters in between ("h 'h' m") do not break the hour-minute pairing; other fields do.
            if (isHour) lastWasHour = true;
            else if (lc == 'd' || lc == 'm' || lc == 'y' || lc == 'n' || lc == 's' || lc == 'z' || lc == 't' || lc == 'c')
                lastWasHour = false;
            i += n;
        }
    }

private:
    static bool HasAmPm(const std::string& fmt)
    {
        for (size_t i = 0; i < fmt.size(); ++i) {
            if (fmt[i] == '\'' || fmt[i] == '"') {
                const size_t close = fmt.find(fmt[i], i + 1);
                if (close == std::string::npos) return false;
                i = close;
                continue;
            }
            if (StartsWithNoCase(fmt, i, "am/pm") || StartsWithNoCase(fmt, i, "a/p") ||
                StartsWithNoCase(fmt, i, "ampm"))
                return true;
        }
        return false;
    }

    TDateTime fDt;
    TSystemTime fSt;
};

}  // namespace

std::string FormatDateTime(const std::string& Format, TDateTime DateTime)
{
    std::string out;
    DateFormatter f(DateTime);
    f.Append(Format.empty() ? std::string("c") : Format, out, 0);
    return out;
}

std::string DateToStr(TDateTime Date)
{
    return FormatDateTime(FormatSettings.ShortDateFormat, Date);
}

std::string TimeToStr(TDateTime Time)
{
    return FormatDateTime(FormatSettings.LongTimeFormat, Time);
}

std::string DateTimeToStr(TDateTime DateTime)
{
    return FormatDateTime("c", DateTime);
}

Int64 GetTickCount64()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<Int64>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

DWORD GetTickCount()
{
    return static_cast<DWORD>(GetTickCount64());
}
