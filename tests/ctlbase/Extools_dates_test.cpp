#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <optional>

#include "ctlbase/Extools.h"
#include "platform/DateUtils.h"

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date: an independent reference for the calendar.
Int64 DaysFromCivil(Int64 y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const Int64 era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<Int64>(doe) - 719468;
}

constexpr Int64 MjdOfUnixEpoch = 40587;

TDateTime At(Word y, Word m, Word d, Word hh = 0, Word mi = 0, Word ss = 0)
{
    return EncodeDate(y, m, d) + EncodeTime(hh, mi, ss, 0);
}

// ---------------------------------------------------------------- calendar

TEST(Calendar, ModifiedJulianDayVectors)
{
    EXPECT_EQ(DateToJulianDays(1, 1, 2000), 51544);
    EXPECT_EQ(DateToJulianDays(17, 11, 1858), 0);
    EXPECT_EQ(DateToJulianDays(1, 1, 1900), 15020);
    EXPECT_EQ(DateToJulianDays(15, 10, 1582) - DateToJulianDays(4, 10, 1582), 1);  // the calendar reform
    EXPECT_EQ(DateToJulianDays(1, 3, 1500) - DateToJulianDays(28, 2, 1500), 2);   // a Julian leap year
    Integer d, m, y;
    JulianDaysToDate(d, m, y, 51544);
    EXPECT_EQ(std::make_tuple(d, m, y), std::make_tuple(1, 1, 2000));
    JulianDaysToDate(d, m, y, DateToJulianDays(4, 10, 1582) + 1);
    EXPECT_EQ(std::make_tuple(d, m, y), std::make_tuple(15, 10, 1582));
}

TEST(Calendar, EveryGregorianDayAgreesWithTheReference)
{
    for (Integer year = 1583; year <= 2400; ++year) {
        for (Integer month = 1; month <= 12; ++month) {
            for (Integer day = 1; day <= DaysPerMonth(year, month); ++day) {
                const Int64 ref = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
                const Integer mjd = DateToJulianDays(day, month, year);
                ASSERT_EQ(mjd, ref + MjdOfUnixEpoch) << year << "-" << month << "-" << day;
                Integer d, m, y;
                JulianDaysToDate(d, m, y, mjd);
                ASSERT_EQ(std::make_tuple(d, m, y), std::make_tuple(day, month, year)) << mjd;
                const Integer weekday = static_cast<Integer>(((ref + 4) % 7 + 7) % 7) + 1;  // 1970-01-01: Thursday
                ASSERT_EQ(ExDayOfWeek(day, month, year), weekday) << year << "-" << month << "-" << day;
            }
        }
    }
}

TEST(Calendar, WeekdaysAndMonthLengths)
{
    EXPECT_EQ(ExDayOfWeek(1, 1, 2000), 7);
    EXPECT_EQ(ExDayOfWeek(2, 1, 2000), 1);
    EXPECT_EQ(ExDayOfWeek(1, 1, 1900), 2);  // outside the range the old formula held for
    EXPECT_EQ(ExDayOfWeek(1, 3, 2100), 2);
    EXPECT_EQ(DaysPerMonth(1900, 2), 28);
    EXPECT_EQ(DaysPerMonth(2000, 2), 29);
    EXPECT_EQ(DaysPerMonth(2004, 2), 29);
    EXPECT_EQ(DaysPerMonth(2100, 2), 28);
    EXPECT_EQ(DaysPerMonth(2001, 12), 31);
    EXPECT_EQ(DaysPerMonth(2001, 13), 0);
    EXPECT_EQ(DaysPerMonth(2001, 0), 0);
    EXPECT_EQ(DayNumber(2000, 12, 31), 366);
    EXPECT_EQ(DayNumber(2001, 12, 31), 365);
    EXPECT_EQ(DayNumber(2001, 3, 1), 60);
    EXPECT_EQ(DayNumber(2004, 3, 1), 61);
}

TEST(Calendar, SecondsCounterDoesNotWrapIn2036)
{
    EXPECT_EQ(ExDateTimeToSeconds(1, 1, 1900, 0, 0, 0), 0);
    EXPECT_EQ(ExDateTimeToSeconds(7, 2, 2036, 6, 28, 15), 4294967295LL);
    EXPECT_EQ(ExDateTimeToSeconds(7, 2, 2036, 6, 28, 16), 4294967296LL);
    EXPECT_EQ(ExDateTimeToSeconds(31, 12, 1899, 23, 59, 59), -1);
    struct Case {
        Int64 secs;
        Integer d, m, y, hh, mi, ss;
    };
    for (const Case& c : {Case{4294967296LL, 7, 2, 2036, 6, 28, 16}, Case{-1, 31, 12, 1899, 23, 59, 59},
                          Case{6311433599LL, 31, 12, 2099, 23, 59, 59}, Case{86400, 2, 1, 1900, 0, 0, 0}}) {
        Integer d, m, y, hh, mi, ss;
        ExSecondsToDateTime(c.secs, d, m, y, hh, mi, ss);
        EXPECT_EQ(std::make_tuple(d, m, y, hh, mi, ss), std::make_tuple(c.d, c.m, c.y, c.hh, c.mi, c.ss)) << c.secs;
        EXPECT_EQ(ExDateTimeToSeconds(c.d, c.m, c.y, c.hh, c.mi, c.ss), c.secs);
    }
}

TEST(Calendar, IsoWeekNumbers)
{
    EXPECT_EQ(WeekNumber(2008, 12, 29), 1);  // belongs to the first week of 2009
    EXPECT_EQ(WeekNumber(2009, 1, 1), 1);
    EXPECT_EQ(WeekNumber(2010, 1, 3), 53);  // the last week of 2009
    EXPECT_EQ(WeekNumber(2012, 12, 31), 1);
    EXPECT_EQ(WeekNumber(2016, 1, 3), 53);
    EXPECT_EQ(WeekNumber(2016, 1, 4), 1);
    EXPECT_EQ(WeekNumber(2020, 12, 31), 53);
    EXPECT_EQ(WeekNumber(2021, 1, 1), 53);
}

TEST(Calendar, WeekNumbersAgreeWithTheCLibrary)
{
    for (Int64 days = DaysFromCivil(1900, 1, 1); days <= DaysFromCivil(2100, 12, 31); ++days) {
        const time_t t = static_cast<time_t>(days * 86400);
        tm g{};
        gmtime_r(&t, &g);
        char buf[8];
        std::strftime(buf, sizeof buf, "%V", &g);
        ASSERT_EQ(WeekNumber(g.tm_year + 1900, g.tm_mon + 1, g.tm_mday), std::atoi(buf))
            << g.tm_year + 1900 << "-" << g.tm_mon + 1 << "-" << g.tm_mday;
    }
}

// ---------------------------------------------------------------- date-time arithmetic

TEST(DateArithmetic, IncDateCutsTheDayToTheMonth)
{
    EXPECT_EQ(IncDate(At(2004, 1, 31), 0, 1, 0), At(2004, 2, 29));
    EXPECT_EQ(IncDate(At(2003, 1, 31), 0, 1, 0), At(2003, 2, 28));
    EXPECT_EQ(IncDate(At(2003, 3, 31), 0, -1, 0), At(2003, 2, 28));
    EXPECT_EQ(IncDate(At(2003, 12, 15), 0, 1, 0), At(2004, 1, 15));
    EXPECT_EQ(IncDate(At(2005, 1, 10), 0, -13, 0), At(2003, 12, 10));
    EXPECT_EQ(IncDate(At(2005, 1, 10), 0, 25, 0), At(2007, 2, 10));
    EXPECT_EQ(IncDate(At(2004, 2, 29), 0, 0, 1), At(2005, 2, 28));
    EXPECT_NEAR(IncDate(At(2004, 2, 28, 18), 2, 0, 0), At(2004, 3, 1, 18), 1e-9);  // days and the time kept
    EXPECT_NEAR(IncDate(-1.25, 1, 0, 0), 0.25, 1e-9);     // 29 Dec 1899 06:00 + 1 day = 30 Dec 06:00
    EXPECT_NEAR(IncDate(0.25, -2, 0, 0), -2.25, 1e-9);    // and back over the zero day
    EXPECT_NEAR(IncDate(-1.25, 0, 1, 0), 30.25, 1e-9);    // 29 Jan 1900 06:00
}

TEST(DateArithmetic, IncTimeAndParts)
{
    const TDateTime d = At(2010, 5, 6, 7, 8, 9);
    EXPECT_NEAR(IncTime(d, 25, 0, 0, 0), d + 1 + 1.0 / 24, 1e-9);
    EXPECT_NEAR(IncTime(d, 0, -90, 0, 0), d - 1.5 / 24, 1e-9);
    EXPECT_NEAR(IncTime(d, 0, 0, 1, 500), d + 1.5 / 86400, 1e-9);
    EXPECT_EQ(ExtractDate(d), At(2010, 5, 6));
    EXPECT_NEAR(ExtractTime(d), EncodeTime(7, 8, 9, 0), 1e-9);
    EXPECT_EQ(GetTime(d), ExtractTime(d));
}

TEST(DateArithmetic, SubtractTimesCountsFrom1900)
{
    const TDateTime t = At(2015, 6, 1, 12);
    EXPECT_EQ(SubtractTimes(t, t + 0.1), 0);
    EXPECT_EQ(SubtractTimes(t, t), 2.0);  // 1 January 1900 00:00
    EXPECT_NEAR(SubtractTimes(t + 1.5, t), 3.5, 1e-9);
    EXPECT_NEAR(SubtractTimes(t + 1234.0 / 86400000, t), 2 + 1234.0 / 86400000, 1e-10);
    // Spans of years stay exact (no trip through a calendar that has other leap years).
    EXPECT_NEAR(SubtractTimes(At(2020, 3, 1), At(2010, 3, 1)), 2.0 + 3653, 1e-9);
}

// ---------------------------------------------------------------- clock, locale and records

class HookGuard : public ::testing::Test {
protected:
    void SetUp() override
    {
        ctlbase::TSystemHooks h;
        h.NowUTC = [] { return 40000.25; };
        h.NowLocal = [] { return 40000.5; };
        h.FirstDayOfWeek = [this] { return firstDay; };
        h.Uses24HourClock = [this] { return clock24; };
        previous = ctlbase::SetSystemHooks(h);
    }
    void TearDown() override
    {
        ctlbase::SetSystemHooks(previous);
        FormatSettings = savedSettings;
    }
    ctlbase::TSystemHooks previous;
    TFormatSettings savedSettings = FormatSettings;
    Integer firstDay = 6;
    bool clock24 = false;
};

TEST_F(HookGuard, ClockAndFirstDayComeFromTheHooks)
{
    EXPECT_EQ(NowToUTC(), 40000.25);
    EXPECT_EQ(GetSysStartDayOfWeek(), 6);
    firstDay = -1;  // the locale cannot tell
    EXPECT_EQ(GetSysStartDayOfWeek(), 0);
}

TEST(SystemHooks, DefaultsAnswerSensibly)
{
    const double now = NowToUTC();
    EXPECT_GT(now, At(2020, 1, 1));
    EXPECT_LT(now, At(2200, 1, 1));
    const Integer first = GetSysStartDayOfWeek();
    EXPECT_GE(first, 0);
    EXPECT_LE(first, 6);
}

TEST_F(HookGuard, ReducedRecords)
{
    const TReducedDateTime r = DateTimeToReduced(At(2004, 3, 5, 14, 7, 59));
    EXPECT_EQ(r.Year, 2004);
    EXPECT_EQ(r.Month, 3);
    EXPECT_EQ(r.Day, 5);
    EXPECT_EQ(r.DayOfWeek, 5);  // Friday
    EXPECT_EQ(r.Hour, 14);
    EXPECT_EQ(r.Minute, 7);
    EXPECT_TRUE(CompareReducedDT(r, MakeReducedDT(2004, 3, 5, 5, 14, 7)));
    EXPECT_FALSE(CompareReducedDT(r, MakeReducedDT(2004, 3, 5, 4, 14, 7)));
    EXPECT_NEAR(ReducedToDateTime(r), At(2004, 3, 5, 14, 7), 1e-9);
    EXPECT_EQ(ReducedToDateTime(MakeReducedDT(2003, 2, 29, 0, 0, 0)), 40000.5);  // not a date: now
    EXPECT_EQ(ReducedToDateTime(MakeReducedDT(2003, 2, 28, 0, 24, 0)), 40000.5);
}

TEST(TimeMask, FiveFieldsEachAListOrAStar)
{
    const auto at = [](Word dow, Word hour, Word minute) { return MakeReducedDT(2024, 6, 10, dow, hour, minute); };
    const std::string weekdays = "30 8 * 1,2,3,4,5 *";
    for (Word dow = 0; dow < 7; ++dow) EXPECT_EQ(TimeInMask(weekdays, at(dow, 8, 30)), dow >= 1 && dow <= 5) << dow;
    EXPECT_FALSE(TimeInMask(weekdays, at(1, 8, 31)));
    EXPECT_FALSE(TimeInMask(weekdays, at(1, 9, 30)));
    EXPECT_TRUE(TimeInMask("* * 10 * 6", at(3, 23, 59)));
    EXPECT_FALSE(TimeInMask("* * 10 * 7", at(3, 23, 59)));
    EXPECT_TRUE(TimeInMask("30;8;*;1;*", at(1, 8, 30)));  // ";" separates like a blank
    EXPECT_FALSE(TimeInMask("30 8 * *", at(1, 8, 30)));   // a missing word does not match
    EXPECT_FALSE(TimeInMask("30 08 * * *", at(1, 8, 30)));  // compared as text
    EXPECT_FALSE(TimeInMask("", at(1, 8, 30)));
    // Whole numbers only: neither a prefix nor a longer number matches.
    EXPECT_FALSE(TimeInMask("3 8 * * *", at(1, 8, 30)));
    EXPECT_FALSE(TimeInMask("300,3 8 * * *", at(1, 8, 30)));
    EXPECT_TRUE(TimeInMask("3,30 8 * * *", at(1, 8, 30)));
}

// ---------------------------------------------------------------- formatter

TEST_F(HookGuard, FormatterTokens)
{
    const TDateTime dt = At(2004, 3, 5, 14, 7, 9);  // a Friday
    struct Case {
        const char* format;
        const char* text;
    };
    const Case cases[] = {
        {"dd.mm.yy", "05/03/2004"}, {"d m y", "5 3 4"},  {"n nn", "65 065"},       {"Y YY", "10 10"},
        {"mmm mmmm", "Mar March"},  {"mmmmm", "March3"}, {"TT tt", "PM pm"},       {"W w ww", "5 Fri Friday"},
        {"h hh H HH", "2 02 14 14"}, {"M MM S SS", "7 07 9 09"}, {"x", "2:07:09 PM"}, {"xx", "02:07:09 PM"},
        {"D", "3/5/2004"}, {"DD", "Friday, March 5, 2004"}, {"H:MM", "14:07"}, {"a~b|c", "a\tb\r\nc"},
        {"'dd' d", "dd 5"}, {"'it''s'", "it's"}, {"''", "'"}, {"'open", "open"}, {"at H", "at 14"}};
    for (const Case& c : cases) EXPECT_EQ(GetFormattedTimeString(dt, c.format), c.text) << c.format;
    clock24 = true;
    EXPECT_EQ(GetFormattedTimeString(dt, "xx"), "14:07:09");
    FormatSettings.DateSeparator = '-';
    FormatSettings.TimeSeparator = '.';
    EXPECT_EQ(GetFormattedTimeString(dt, "dd.mm.yy H:MM"), "05-03-2004 14.07");
    const TDateTime midnight = At(2009, 1, 1, 0, 5, 0);
    EXPECT_EQ(GetFormattedTimeString(midnight, "h hh tt Y"), "12 12 am 1");
    EXPECT_EQ(GetFormattedTimeString(At(2008, 12, 29), "YY"), "01");
}

TEST_F(HookGuard, EveryListedElementIsAToken)
{
    FormatSettings.TimeSeparator = '#';
    FormatSettings.DateSeparator = '@';
    const TDateTime dt = At(2004, 3, 5, 14, 7, 9);
    int empty = 0;
    for (const char* e : ElementFormatList) {
        if (*e == '\0') {
            ++empty;
            continue;
        }
        EXPECT_NE(GetFormattedTimeString(dt, e), e) << e;
    }
    EXPECT_EQ(empty, 4);
    EXPECT_STREQ(ElementFormatList[0], "D");
    EXPECT_STREQ(ElementFormatList[37], "TT");
}

// ---------------------------------------------------------------- time zones

struct ZoneCase {
    const char* name;
    const char* posix;  // the same rules for the C library
    TTimeZoneInformation tz;
};

void PrintTo(const ZoneCase& c, std::ostream* out)
{
    std::ostream& os = *out;
    os << c.name;
}

TSystemTime Rule(Word month, Word nth, Word hour)
{
    TSystemTime t;
    t.wMonth = month;
    t.wDayOfWeek = 0;  // Sunday
    t.wDay = nth;
    t.wHour = hour;
    return t;
}

TTimeZoneInformation Zone(Integer bias, Integer dstBias, TSystemTime dst, TSystemTime std)
{
    TTimeZoneInformation z;
    z.Bias = bias;
    z.DaylightBias = dstBias;
    z.DaylightDate = dst;
    z.StandardDate = std;
    return z;
}

class TimeZones : public ::testing::TestWithParam<ZoneCase> {
protected:
    void SetUp() override
    {
        if (const char* tz = std::getenv("TZ")) savedTz = tz;
        ::setenv("TZ", GetParam().posix, 1);
        ::tzset();
    }
    void TearDown() override
    {
        if (savedTz) ::setenv("TZ", savedTz->c_str(), 1);
        else ::unsetenv("TZ");
        ::tzset();
    }
    // Local time of the C library for a UTC date-time.
    static TDateTime Reference(TDateTime utc)
    {
        const time_t t = static_cast<time_t>(std::llround((utc - UnixDateDelta) * 86400));
        tm l{};
        localtime_r(&t, &l);
        return At(static_cast<Word>(l.tm_year + 1900), static_cast<Word>(l.tm_mon + 1), static_cast<Word>(l.tm_mday),
                  static_cast<Word>(l.tm_hour), static_cast<Word>(l.tm_min), static_cast<Word>(l.tm_sec));
    }
    std::optional<std::string> savedTz;
};

TEST_P(TimeZones, AgreeWithTheCLibraryAllYearAndAtEveryTransitionMinute)
{
    const TTimeZoneInformation& tz = GetParam().tz;
    int checked = 0;
    const TDateTime first = At(2019, 1, 1);
    for (int step = 0; step < 8 * 366 * 48 && first + step / 48.0 < At(2027, 1, 1); ++step) {
        const TDateTime utc = first + step / 48.0;
        TDateTime local = 0;
        ASSERT_TRUE(UTCToZoneLocal(tz, utc, local));
        const TDateTime ref = Reference(utc);
        // Near a change of offset, walk minute by minute through the three hours around it.
        if (std::fabs(Reference(utc + 1.0 / 48) - ref - 1.0 / 48) > 1e-6) {
            for (int minute = -60; minute < 120; ++minute) {
                const TDateTime u = utc + minute / 1440.0;
                TDateTime l = 0;
                UTCToZoneLocal(tz, u, l);
                ASSERT_NEAR(l, Reference(u), 1e-6) << "utc " << FormatDateTime("yyyy-mm-dd hh:nn", u);
                ++checked;
            }
        }
        ASSERT_NEAR(local, ref, 1e-6) << "utc " << FormatDateTime("yyyy-mm-dd hh:nn", utc);
        TDateTime back = 0;
        ASSERT_TRUE(ZoneLocalToUTC(tz, back, local));
        TDateTime again = 0;
        UTCToZoneLocal(tz, back, again);
        ASSERT_NEAR(again, local, 1e-6);  // in the repeated hour the first of the two is chosen
    }
    if (GetParam().tz.StandardDate.wMonth != 0) {
        EXPECT_EQ(checked, 16 * 180);  // two changes a year, each seen from both sides
    }
}

INSTANTIATE_TEST_SUITE_P(
    Zones, TimeZones,
    ::testing::Values(
        ZoneCase{"CentralEurope", "CET-1CEST,M3.5.0,M10.5.0/3", Zone(-60, -60, Rule(3, 5, 2), Rule(10, 5, 3))},
        ZoneCase{"NewYork", "EST5EDT,M3.2.0,M11.1.0", Zone(300, -60, Rule(3, 2, 2), Rule(11, 1, 2))},
        ZoneCase{"Sydney", "AEST-10AEDT,M10.1.0,M4.1.0/3", Zone(-600, -60, Rule(10, 1, 2), Rule(4, 1, 3))},
        ZoneCase{"India", "IST-5:30", Zone(-330, 0, TSystemTime{}, TSystemTime{})}),
    [](const ::testing::TestParamInfo<ZoneCase>& info) { return std::string(info.param.name); });

TEST(TimeZoneEdges, CentralEuropeIn2024)
{
    const TTimeZoneInformation cet = Zone(-60, -60, Rule(3, 5, 2), Rule(10, 5, 3));
    const auto local = [&](TDateTime utc) {
        TDateTime l = 0;
        UTCToZoneLocal(cet, utc, l);
        return l;
    };
    EXPECT_NEAR(local(At(2024, 3, 31, 0, 59)), At(2024, 3, 31, 1, 59), 1e-9);
    EXPECT_NEAR(local(At(2024, 3, 31, 1, 0)), At(2024, 3, 31, 3, 0), 1e-9);
    EXPECT_NEAR(local(At(2024, 10, 27, 0, 59)), At(2024, 10, 27, 2, 59), 1e-9);
    EXPECT_NEAR(local(At(2024, 10, 27, 1, 0)), At(2024, 10, 27, 2, 0), 1e-9);   // back to standard time
    EXPECT_NEAR(local(At(2024, 10, 27, 1, 30)), At(2024, 10, 27, 2, 30), 1e-9);  // the hour seen twice
    TDateTime utc = 0;
    ASSERT_TRUE(ZoneLocalToUTC(cet, utc, At(2024, 10, 27, 2, 30)));
    EXPECT_NEAR(utc, At(2024, 10, 27, 0, 30), 1e-9);  // its first occurrence
    ASSERT_TRUE(ZoneLocalToUTC(cet, utc, At(2024, 7, 1, 12, 0)));
    EXPECT_NEAR(utc, At(2024, 7, 1, 10, 0), 1e-9);
    ASSERT_TRUE(ZoneLocalToUTC(cet, utc, At(2024, 12, 31, 23, 30)));
    EXPECT_NEAR(utc, At(2024, 12, 31, 22, 30), 1e-9);
    TTimeZoneInformation broken = cet;
    broken.StandardDate.wMonth = 13;
    EXPECT_FALSE(UTCToZoneLocal(broken, utc, utc));
    EXPECT_FALSE(ZoneLocalToUTC(broken, utc, utc));
    TDateTime viaAlias = 0;
    ExSystemTimeToTzSpecificLocalTime(cet, At(2024, 7, 1), viaAlias);
    EXPECT_NEAR(viaAlias, At(2024, 7, 1, 2), 1e-9);
}

TEST(TimeZoneEdges, FixedYearTransitions)
{
    TTimeZoneInformation z = Zone(0, -60, Rule(4, 0, 0), Rule(9, 0, 0));
    z.DaylightDate.wYear = 2030;
    z.DaylightDate.wDay = 10;
    z.StandardDate.wYear = 2030;
    z.StandardDate.wDay = 20;
    TDateTime l = 0;
    UTCToZoneLocal(z, At(2030, 4, 9, 12), l);
    EXPECT_NEAR(l, At(2030, 4, 9, 12), 1e-9);
    UTCToZoneLocal(z, At(2030, 4, 10, 12), l);
    EXPECT_NEAR(l, At(2030, 4, 10, 13), 1e-9);
}

TEST(ZoneNames, TableAndOtherForms)
{
    EXPECT_EQ(ZoneIDtoBias("est"), 300);
    EXPECT_EQ(ZoneIDtoBias("NST"), 210);
    EXPECT_EQ(ZoneIDtoBias("BDT"), 600);
    EXPECT_EQ(ZoneIDtoBias("GMT"), 0);
    EXPECT_EQ(ZoneIDtoBias(""), 0);
    EXPECT_EQ(ZoneIDtoBias(" pdt "), 420);
    EXPECT_EQ(ZoneIDtoBias("+0130"), -90);
    EXPECT_EQ(ZoneIDtoBias("0100"), -60);
    EXPECT_EQ(ZoneIDtoBias("-0500"), 300);
    EXPECT_EQ(ZoneIDtoBias("A"), -60);
    EXPECT_EQ(ZoneIDtoBias("i"), -540);
    EXPECT_EQ(ZoneIDtoBias("K"), -600);
    EXPECT_EQ(ZoneIDtoBias("M"), -720);
    EXPECT_EQ(ZoneIDtoBias("N"), 60);
    EXPECT_EQ(ZoneIDtoBias("Y"), 720);
    EXPECT_EQ(ZoneIDtoBias("Z"), 0);
    EXPECT_EQ(ZoneIDtoBias("J"), 0);
    EXPECT_EQ(ZoneIDtoBias("XYZ"), 0);
    EXPECT_EQ(ZoneIDtoBias("+01:30"), 0);
}

}  // namespace
