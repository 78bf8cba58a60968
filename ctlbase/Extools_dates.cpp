// Calendar, week numbers, schedule masks, the time-mask formatter and time-zone conversion.
#include <langinfo.h>
#include <locale.h>

#include <cmath>
#include <cstring>
#include <ctime>

#include "ctlbase/Exstrutils.h"
#include "ctlbase/Extools.h"
#include "platform/DateUtils.h"

namespace {

// TDateTime 0 (30 December 1899) as a Modified Julian Day.
constexpr Integer MjdOfDateTimeZero = 15018;
constexpr Integer MjdOf1900 = 15020;

constexpr Integer MonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// Date-times before 1899-12-30 carry the time of day as a positive fraction away from zero
// (-1.25 is 29 December 1899 06:00). Linear is a plain day count, which arithmetic can use.
double ToLinear(TDateTime DT)
{
    if (DT >= 0) return DT;
    const double days = std::trunc(DT);
    return days + (days - DT);
}

TDateTime FromLinear(double L)
{
    const double days = std::floor(L);
    const double time = L - days;
    return days >= 0 ? days + time : days - time;
}

Integer FloorDiv(Int64 A, Int64 B)
{
    Int64 q = A / B;
    if ((A % B != 0) && ((A < 0) != (B < 0))) --q;
    return static_cast<Integer>(q);
}

bool IsLeapYearInt(Integer Year)
{
    return (Year % 4 == 0 && Year % 100 != 0) || Year % 400 == 0;
}

// 0 = Sunday ... 6 = Saturday (MJD 0 was a Wednesday).
Integer WeekdayOfMjd(Integer Mjd)
{
    return static_cast<Integer>(((static_cast<Int64>(Mjd) + 3) % 7 + 7) % 7);
}

Integer IsoWeekday(Integer Year, Integer Month, Integer Day)
{
    const Integer wd = WeekdayOfMjd(DateToJulianDays(Day, Month, Year));
    return wd == 0 ? 7 : wd;
}

Integer IsoWeeksInYear(Integer Year)
{
    const Integer jan1 = IsoWeekday(Year, 1, 1);
    return jan1 == 4 || (jan1 == 3 && IsLeapYearInt(Year)) ? 53 : 52;
}

bool ValidDate(Integer Year, Integer Month, Integer Day)
{
    return Year >= 1 && Year <= 9999 && Month >= 1 && Month <= 12 && Day >= 1 && Day <= DaysPerMonth(Year, Month);
}


// Any year, unlike the class library's encoder (the Julian calendar before October 1582).
TDateTime EncodeDateTime(Integer Year, Integer Month, Integer Day, Integer Hour = 0, Integer Min = 0, Integer Sec = 0,
                         Integer MSec = 0)
{
    const double days = DateToJulianDays(Day, Month, Year) - MjdOfDateTimeZero;
    const double time = (((Hour * 60.0 + Min) * 60.0 + Sec) * 1000.0 + MSec) / 86400000.0;
    return FromLinear(days + time);
}

void DecodeDateTime(TDateTime DT, Integer& Year, Integer& Month, Integer& Day, Integer& Hour, Integer& Min,
                    Integer& Sec, Integer& MSec)
{
    const double linear = ToLinear(DT);
    double days = std::floor(linear);
    auto ms = static_cast<Int64>(std::llround((linear - days) * 86400000.0));
    if (ms >= 86400000) {  // rounding reached the next midnight
        ms -= 86400000;
        days += 1;
    }
    JulianDaysToDate(Day, Month, Year, static_cast<Integer>(days) + MjdOfDateTimeZero);
    Hour = static_cast<Integer>(ms / 3600000);
    Min = static_cast<Integer>(ms / 60000 % 60);
    Sec = static_cast<Integer>(ms / 1000 % 60);
    MSec = static_cast<Integer>(ms % 1000);
}

// The n-th (5: the last) weekday of a transition record, resolved for Year.
TDateTime ResolveTransition(const TSystemTime& When, Integer Year)
{
    Integer day = When.wDay;
    const Integer month = When.wMonth;
    if (When.wYear != 0) {
        Year = When.wYear;
    } else {
        const Integer n = day < 1 ? 1 : (day > 5 ? 5 : day);
        const Integer first = WeekdayOfMjd(DateToJulianDays(1, month, Year));
        day = 1 + (When.wDayOfWeek % 7 - first + 7) % 7 + (n - 1) * 7;
        while (day > DaysPerMonth(Year, month)) day -= 7;
    }
    return EncodeDateTime(Year, month, day, When.wHour, When.wMinute, When.wSecond, When.wMilliseconds);
}

struct Parts {
    Integer Year, Month, Day, Hour, Min, Sec, MSec, DayOfWeek;  // DayOfWeek 0 = Sunday
};

Parts Split(TDateTime DT)
{
    Parts p{};
    DecodeDateTime(DT, p.Year, p.Month, p.Day, p.Hour, p.Min, p.Sec, p.MSec);
    p.DayOfWeek = WeekdayOfMjd(DateToJulianDays(p.Day, p.Month, p.Year));
    return p;
}

std::string Pad(Integer Value, Integer Width)
{
    return IntToStrPad(Value, Width);
}

bool TimeFormatIs12Hour(const std::string& F)
{
    const std::string u = UpperCase(F);
    return u.find("AMPM") != std::string::npos || u.find("AM/PM") != std::string::npos ||
           u.find("A/P") != std::string::npos;
}

Integer LocaleFirstDayOfWeek()
{
    locale_t loc = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
    if (loc == static_cast<locale_t>(nullptr)) return -1;
    // Day 1 is the weekday of the locale's reference date (a Sunday or a Monday).
    const int first = static_cast<unsigned char>(*nl_langinfo_l(_NL_TIME_FIRST_WEEKDAY, loc));
    union {
        const char* s;
        unsigned int word;
    } ref{};
    ref.s = nl_langinfo_l(_NL_TIME_WEEK_1STDAY, loc);
    const unsigned int refDate = ref.word;
    freelocale(loc);
    if (first < 1 || first > 7) return -1;
    const int refWeekday = refDate == 19971201 ? 1 : 0;  // 1997-11-30 was a Sunday
    const int sunday0 = (refWeekday + first - 1) % 7;     // 0 = Sunday
    return (sunday0 + 6) % 7;                             // 0 = Monday
}

ctlbase::TSystemHooks DefaultHooks()
{
    ctlbase::TSystemHooks h;
    h.NowUTC = [] {
        TSystemTime st;
        GetSystemTime(st);
        return SystemTimeToDateTime(st);
    };
    h.NowLocal = [] { return Now(); };
    h.FirstDayOfWeek = LocaleFirstDayOfWeek;
    h.Uses24HourClock = [] { return !TimeFormatIs12Hour(FormatSettings.LongTimeFormat); };
    return h;
}

ctlbase::TSystemHooks& Hooks()
{
    static ctlbase::TSystemHooks hooks = DefaultHooks();
    return hooks;
}

}  // namespace

namespace ctlbase {

TSystemHooks SetSystemHooks(TSystemHooks NewHooks)
{
    TSystemHooks old = Hooks();
    const TSystemHooks def = DefaultHooks();
    if (!NewHooks.NowUTC) NewHooks.NowUTC = def.NowUTC;
    if (!NewHooks.NowLocal) NewHooks.NowLocal = def.NowLocal;
    if (!NewHooks.FirstDayOfWeek) NewHooks.FirstDayOfWeek = def.FirstDayOfWeek;
    if (!NewHooks.Uses24HourClock) NewHooks.Uses24HourClock = def.Uses24HourClock;
    Hooks() = std::move(NewHooks);
    return old;
}

const TSystemHooks& SystemHooks()
{
    return Hooks();
}

}  // namespace ctlbase

// ---------------------------------------------------------------- calendar

Integer DateToJulianDays(Integer Day, Integer Month, Integer Year)
{
    const Int64 k = static_cast<Int64>(Year) * 10000 + Month * 100 + Day;
    double y = Year, m = Month;
    if (Month <= 2) {
        m += 12;
        y -= 1;
    }
    double b;
    if (k <= 15821004)
        b = std::trunc((y + 4716) / 4) - 1181;
    else
        b = std::trunc(y / 400) - std::trunc(y / 100) + std::trunc(y / 4);
    return static_cast<Integer>(365 * y - 679004 + b + std::trunc(30.6001 * (m + 1)) + Day);
}

void JulianDaysToDate(Integer& Day, Integer& Month, Integer& Year, Integer MJD)
{
    const double a = static_cast<double>(MJD) + 2400001;
    double c;
    if (a < 2299161) {
        c = a + 1524;
    } else {
        const double b = std::trunc((a - 1867216.25) / 36524.25);
        c = a + b - std::trunc(b / 4) + 1525;
    }
    const double d = std::trunc((c - 122.1) / 365.25);
    const double e = 365 * d + std::trunc(d / 4);
    const double f = std::trunc((c - e) / 30.6001);
    Day = static_cast<Integer>(std::trunc(c - e + 0.5) - std::trunc(30.6001 * f));
    Month = static_cast<Integer>(f - 1 - 12 * std::trunc(f / 14));
    Year = static_cast<Integer>(d - 4715 - std::trunc((7.0 + Month) / 10));
}

Int64 ExDateTimeToSeconds(Integer Day, Integer Month, Integer Year, Integer Hour, Integer Min, Integer Sec)
{
    return (static_cast<Int64>(DateToJulianDays(Day, Month, Year)) - MjdOf1900) * 86400 +
           static_cast<Int64>(Hour) * 3600 + static_cast<Int64>(Min) * 60 + Sec;
}

void ExSecondsToDateTime(Int64 Seconds, Integer& Day, Integer& Month, Integer& Year, Integer& Hour, Integer& Min,
                         Integer& Sec)
{
    const Integer days = FloorDiv(Seconds, 86400);
    const Int64 rest = Seconds - static_cast<Int64>(days) * 86400;
    JulianDaysToDate(Day, Month, Year, days + MjdOf1900);
    Hour = static_cast<Integer>(rest / 3600);
    Min = static_cast<Integer>(rest / 60 % 60);
    Sec = static_cast<Integer>(rest % 60);
}

Integer ExDayOfWeek(Integer Day, Integer Month, Integer Year)
{
    return WeekdayOfMjd(DateToJulianDays(Day, Month, Year)) + 1;
}

Integer DaysPerMonth(Integer Year, Integer Month)
{
    if (Month < 1 || Month > 12) return 0;
    return MonthDays[Month - 1] + (Month == 2 && IsLeapYearInt(Year) ? 1 : 0);
}

Integer DayNumber(Integer Year, Integer Month, Integer Day)
{
    Integer n = Day;
    for (Integer m = 1; m < Month && m <= 12; ++m) n += DaysPerMonth(Year, m);
    return n;
}

Integer WeekNumber(Integer Year, Integer Month, Integer Day)
{
    const Integer week = (DayNumber(Year, Month, Day) - IsoWeekday(Year, Month, Day) + 10) / 7;
    if (week < 1) return IsoWeeksInYear(Year - 1);
    if (week > IsoWeeksInYear(Year)) return 1;  // late December in the next year's first week
    return week;
}

TDateTime GetTime(TDateTime DT)
{
    return DT - std::trunc(DT);
}

TDateTime ExtractTime(TDateTime DT)
{
    return GetTime(DT);
}

TDateTime ExtractDate(TDateTime DT)
{
    return std::trunc(DT);
}

TDateTime IncTime(TDateTime DT, Integer Hours, Integer Minutes, Integer Seconds, Integer MSecs)
{
    const Int64 ms = static_cast<Int64>(Hours % 24) * 3600000 + static_cast<Int64>(Minutes) * 60000 +
                     static_cast<Int64>(Seconds) * 1000 + MSecs;
    return DT + Hours / 24 + static_cast<double>(ms) / 86400000.0;
}

TDateTime IncDate(TDateTime DT, Integer Days, Integer Months, Integer Years)
{
    Integer y, m, d, hh, mi, ss, ms;
    DecodeDateTime(DT, y, m, d, hh, mi, ss, ms);
    y += Years + Months / 12;
    m += Months % 12;
    if (m > 12) {
        m -= 12;
        ++y;
    } else if (m < 1) {
        m += 12;
        --y;
    }
    if (d > DaysPerMonth(y, m)) d = DaysPerMonth(y, m);
    const double time = ToLinear(DT) - std::floor(ToLinear(DT));
    const double date = DateToJulianDays(d, m, y) - MjdOfDateTimeZero;
    return FromLinear(date + Days + time);
}

TDateTime SubtractTimes(TDateTime T1, TDateTime T2)
{
    // On the 100-nanosecond grid of system file times.
    const auto ft1 = static_cast<Int64>(std::llround(ToLinear(T1) * 864000000000.0));
    const auto ft2 = static_cast<Int64>(std::llround(ToLinear(T2) * 864000000000.0));
    if (ft1 < ft2) return 0;
    const Int64 ms = (ft1 - ft2) / 10000;
    // Counted from 1 January 1900 00:00 (date-time 2).
    return 2.0 + static_cast<double>(ms) / 86400000.0;
}

TDateTime NowToUTC()
{
    return Hooks().NowUTC();
}

Integer GetSysStartDayOfWeek()
{
    const Integer d = Hooks().FirstDayOfWeek();
    return d >= 0 && d <= 6 ? d : 0;
}

TReducedDateTime MakeReducedDT(Word Year, Word Month, Word Day, Word DayOfWeek, Word Hour, Word Minute)
{
    TReducedDateTime r;
    r.Year = Year;
    r.Month = Month;
    r.DayOfWeek = DayOfWeek;
    r.Day = Day;
    r.Hour = Hour;
    r.Minute = Minute;
    return r;
}

TReducedDateTime DateTimeToReduced(TDateTime DT)
{
    const Parts p = Split(DT);
    return MakeReducedDT(static_cast<Word>(p.Year), static_cast<Word>(p.Month), static_cast<Word>(p.Day),
                         static_cast<Word>(p.DayOfWeek), static_cast<Word>(p.Hour), static_cast<Word>(p.Min));
}

TDateTime ReducedToDateTime(const TReducedDateTime& R)
{
    if (!ValidDate(R.Year, R.Month, R.Day) || R.Hour > 23 || R.Minute > 59) return Hooks().NowLocal();
    return EncodeDateTime(R.Year, R.Month, R.Day, R.Hour, R.Minute);
}

bool CompareReducedDT(const TReducedDateTime& A, const TReducedDateTime& B)
{
    return A.Year == B.Year && A.Month == B.Month && A.DayOfWeek == B.DayOfWeek && A.Day == B.Day &&
           A.Hour == B.Hour && A.Minute == B.Minute;
}

bool TimeInMask(const std::string& Mask, const TReducedDateTime& R)
{
    const Word fields[5] = {R.Minute, R.Hour, R.Day, R.DayOfWeek, R.Month};
    for (Integer i = 0; i < 5; ++i) {
        std::string word = ExtractWord(Mask, i + 1);
        // The word after a ";" comes with the ";" in front; it is a separator, not part of the list.
        if (!word.empty() && word[0] == ';') word.erase(0, 1);
        if (word.empty()) return false;
        if (word == "*") continue;
        const std::string value = IntToStr(fields[i]);
        bool hit = false;
        size_t start = 0;
        while (!hit && start <= word.size()) {
            size_t comma = word.find(',', start);
            if (comma == std::string::npos) comma = word.size();
            hit = word.compare(start, comma - start, value) == 0 && comma - start == value.size();
            start = comma + 1;
        }
        if (!hit) return false;
    }
    return true;
}

const char* const ElementFormatList[38] = {
    "D",  "DD", "w",  "",  "ww", "W", "d", "dd", "m", "mm", "mmm", "mmmm", "y", "yy", "n", "nn", "Y", "YY", "x",
    "xx", "h",  "hh", "H", "HH", "M", "MM", "S", "SS", "",  "",   "",    "tt",   "|", "'",  "~", ".", ":", "TT"};

std::string GetFormattedTimeString(TDateTime DT, const std::string& Format)
{
    static const char* const Tokens[] = {"mmmm", "mmm", "mm", "m",  "nn", "n",  "YY", "Y",  "yy", "y",  "TT", "tt",
                                         "ww",   "w",   "W",  "hh", "h",  "HH", "H",  "MM", "M",  "SS", "S",  "dd",
                                         "d",    "xx",  "x",  "DD", "D",  "~",  ":",  ".",  "|"};
    const Parts p = Split(DT);
    const Integer hour12 = p.Hour % 12 == 0 ? 12 : p.Hour % 12;
    const std::string& designator = p.Hour / 12 == 0 ? FormatSettings.TimeAMString : FormatSettings.TimePMString;
    std::string out;
    bool quoted = false;  // inside 'text'
    size_t i = 0;
    while (i < Format.size()) {
        if (Format[i] == '\'') {
            // Two quotes are one quote, inside a text or outside it.
            if (i + 1 < Format.size() && Format[i + 1] == '\'') {
                out += '\'';
                i += 2;
            } else {
                quoted = !quoted;
                ++i;
            }
            continue;
        }
        if (quoted) {
            out += Format[i++];
            continue;
        }
        std::string tok;
        for (const char* t : Tokens) {
            if (Format.compare(i, std::strlen(t), t) == 0) {
                tok = t;  // the list holds longer tokens before their prefixes
                break;
            }
        }
        if (tok.empty()) {
            out += Format[i++];
            continue;
        }
        i += tok.size();
        if (tok == "~") out += '\t';
        else if (tok == ":") out += FormatSettings.TimeSeparator;
        else if (tok == ".") out += FormatSettings.DateSeparator;
        else if (tok == "|") out += "\r\n";
        else if (tok == "n") out += IntToStr(DayNumber(p.Year, p.Month, p.Day));
        else if (tok == "nn") out += Pad(DayNumber(p.Year, p.Month, p.Day), 3);
        else if (tok == "Y") out += IntToStr(WeekNumber(p.Year, p.Month, p.Day));
        else if (tok == "YY") out += Pad(WeekNumber(p.Year, p.Month, p.Day), 2);
        else if (tok == "y") out += IntToStr(p.Year % 100);
        else if (tok == "yy") out += IntToStr(p.Year);
        else if (tok == "m") out += IntToStr(p.Month);
        else if (tok == "mm") out += Pad(p.Month, 2);
        else if (tok == "mmm") out += FormatSettings.ShortMonthNames[p.Month - 1];
        else if (tok == "mmmm") out += FormatSettings.LongMonthNames[p.Month - 1];
        else if (tok == "TT") out += UpperCase(designator);
        else if (tok == "tt") out += LowerCase(designator);
        else if (tok == "W") out += IntToStr(p.DayOfWeek);
        else if (tok == "w") out += FormatSettings.ShortDayNames[p.DayOfWeek];
        else if (tok == "ww") out += FormatSettings.LongDayNames[p.DayOfWeek];
        else if (tok == "h") out += IntToStr(hour12);
        else if (tok == "hh") out += Pad(hour12, 2);
        else if (tok == "H") out += IntToStr(p.Hour);
        else if (tok == "HH") out += Pad(p.Hour, 2);
        else if (tok == "M") out += IntToStr(p.Min);
        else if (tok == "MM") out += Pad(p.Min, 2);
        else if (tok == "S") out += IntToStr(p.Sec);
        else if (tok == "SS") out += Pad(p.Sec, 2);
        else if (tok == "d") out += IntToStr(p.Day);
        else if (tok == "dd") out += Pad(p.Day, 2);
        else if (tok == "x") out += FormatDateTime(FormatSettings.LongTimeFormat, DT);
        else if (tok == "xx") {
            const char sep = FormatSettings.TimeSeparator;
            if (Hooks().Uses24HourClock())
                out += Pad(p.Hour, 2) + sep + Pad(p.Min, 2) + sep + Pad(p.Sec, 2);
            else
                out += Pad(hour12, 2) + sep + Pad(p.Min, 2) + sep + Pad(p.Sec, 2) + " " + designator;
        } else if (tok == "D") out += FormatDateTime(FormatSettings.ShortDateFormat, DT);
        else if (tok == "DD") out += FormatDateTime(FormatSettings.LongDateFormat, DT);
    }
    return out;
}

// ---------------------------------------------------------------- time zones

namespace {

// Milliseconds on a whole grid, so that a time exactly at a transition compares as equal to it.
Int64 ToMs(double Linear)
{
    return std::llround(Linear * 86400000.0);
}

// Daylight time is in force when the standard-clock time has reached the daylight start and the
// daylight-clock time has not reached the standard start (each transition is given on the clock
// in force before it).
bool DaylightInForce(const TTimeZoneInformation& TZ, double StdClock, double DstClock)
{
    if (TZ.StandardDate.wMonth == 0) return false;
    Integer y, m, d, hh, mi, ss, ms;
    DecodeDateTime(FromLinear(StdClock), y, m, d, hh, mi, ss, ms);
    const Int64 start = ToMs(ToLinear(ResolveTransition(TZ.DaylightDate, y)));
    const Int64 end = ToMs(ToLinear(ResolveTransition(TZ.StandardDate, y)));
    const Int64 stdMs = ToMs(StdClock), dstMs = ToMs(DstClock);
    if (start < end) return start <= stdMs && dstMs < end;
    return dstMs < end || stdMs >= start;
}

bool ValidZone(const TTimeZoneInformation& TZ)
{
    if (TZ.StandardDate.wMonth == 0) return true;
    return TZ.StandardDate.wMonth <= 12 && TZ.DaylightDate.wMonth >= 1 && TZ.DaylightDate.wMonth <= 12;
}

}  // namespace

bool UTCToZoneLocal(const TTimeZoneInformation& TZ, TDateTime UTC, TDateTime& Local)
{
    if (!ValidZone(TZ)) return false;
    const double base = ToLinear(UTC) - TZ.Bias / 1440.0;
    const double std = base - TZ.StandardBias / 1440.0;
    const double dst = base - TZ.DaylightBias / 1440.0;
    Local = FromLinear(DaylightInForce(TZ, std, dst) ? dst : std);
    return true;
}

bool ExSystemTimeToTzSpecificLocalTime(const TTimeZoneInformation& TZ, TDateTime UTC, TDateTime& Local)
{
    return UTCToZoneLocal(TZ, UTC, Local);
}

bool ZoneLocalToUTC(const TTimeZoneInformation& TZ, TDateTime& UTC, TDateTime Local)
{
    if (!ValidZone(TZ)) return false;
    const double local = ToLinear(Local);
    const Integer bias = TZ.Bias + (DaylightInForce(TZ, local, local) ? TZ.DaylightBias : TZ.StandardBias);
    UTC = FromLinear(local + bias / 1440.0);
    return true;
}

Integer ZoneIDtoBias(const std::string& ZoneID)
{
    static const struct {
        const char* name;
        Integer bias;
    } Zones[] = {{"NST", 210}, {"AST", 240}, {"ADT", 180}, {"EST", 300}, {"EDT", 240}, {"CST", 360},
                 {"CDT", 300}, {"MST", 420}, {"MDT", 360}, {"PST", 480}, {"PDT", 420}, {"YST", 540},
                 {"YDT", 480}, {"HST", 600}, {"HDT", 540}, {"BST", 660}, {"BDT", 600}, {"GMT", 0}};
    const std::string id = UpperCase(Trim(ZoneID));
    if (id.empty()) return 0;
    for (const auto& z : Zones)
        if (id == z.name) return z.bias;
    // Numeric offsets ahead of UTC ("+0130", "0130") or behind it ("-0500"), in the same
    // minutes-west convention as the table.
    const char sign = id[0];
    const std::string digits = sign == '+' || sign == '-' ? id.substr(1) : id;
    if (digits.size() == 4 && IsDigitStr(digits)) {
        const Integer minutes = StrToInt(digits.substr(0, 2)) * 60 + StrToInt(digits.substr(2));
        return sign == '-' ? minutes : -minutes;
    }
    // Military letters: A-I and K-M ahead of UTC by 1-9 and 10-12 hours, N-Y behind it by 1-12.
    if (id.size() == 1) {
        const char c = id[0];
        if (c >= 'A' && c <= 'I') return -(c - 'A' + 1) * 60;
        if (c >= 'K' && c <= 'M') return -(c - 'K' + 10) * 60;
        if (c >= 'N' && c <= 'Y') return (c - 'N' + 1) * 60;
    }
    return 0;
}
