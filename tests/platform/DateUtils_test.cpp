#include "platform/DateUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <thread>

#include "platform/SysUtils.h"
#include "tests/support/ParamName.h"

namespace {

// The C library's calendar is the independent reference: day n after 1970-01-01 in UTC.
std::tm ReferenceDay(Int64 daysSince1970)
{
    const time_t t = static_cast<time_t>(daysSince1970) * 86400;
    std::tm tm{};
    gmtime_r(&t, &tm);
    return tm;
}

TEST(Dates, KnownDayNumbers)
{
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(EncodeDate(1970, 1, 1), UnixDateDelta);
    EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
    EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);
    EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465.0);
}

TEST(Dates, EveryDayAgreesWithTheCLibrary)
{
    // From 1 January 0001 to 31 December 9999, each day encoded, decoded and named.
    for (Int64 n = -693593; n <= 2958465; ++n) {
        const std::tm ref = ReferenceDay(n - static_cast<Int64>(UnixDateDelta));
        Word y, m, d;
        // Noon of day n: before the epoch the fraction is added to the day's magnitude.
        DecodeDate(n < 0 ? n - 0.5 : n + 0.5, y, m, d);
        ASSERT_EQ(y, ref.tm_year + 1900) << n;
        ASSERT_EQ(m, ref.tm_mon + 1) << n;
        ASSERT_EQ(d, ref.tm_mday) << n;
        ASSERT_EQ(DayOfWeek(static_cast<TDateTime>(n)), ref.tm_wday + 1) << n;
        if (n % 97 == 0 || d == 1 || (m == 2 && d >= 28)) {
            ASSERT_EQ(EncodeDate(y, m, d), static_cast<TDateTime>(n)) << n;
        }
    }
}

TEST(Dates, InvalidDatesAndTimesRaise)
{
    TDateTime r = 123;
    EXPECT_TRUE(TryEncodeDate(2000, 2, 29, r));
    EXPECT_FALSE(TryEncodeDate(1900, 2, 29, r));
    EXPECT_FALSE(TryEncodeDate(2001, 2, 29, r));
    EXPECT_FALSE(TryEncodeDate(2001, 13, 1, r));
    EXPECT_FALSE(TryEncodeDate(2001, 4, 31, r));
    EXPECT_FALSE(TryEncodeDate(0, 1, 1, r));
    EXPECT_FALSE(TryEncodeDate(10000, 1, 1, r));
    EXPECT_THROW(EncodeDate(2001, 2, 29), EConvertError);
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 60, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 0, 60, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);
    EXPECT_EQ(DaysInAMonth(2000, 2), 29);
    EXPECT_EQ(DaysInAMonth(2100, 2), 28);
    EXPECT_EQ(DaysInAMonth(2100, 13), 0);
}

TEST(Times, EncodeDecodeRoundsToTheMillisecond)
{
    for (Word h : {0, 6, 12, 23})
        for (Word mi : {0, 15, 59})
            for (Word s : {0, 1, 59})
                for (Word ms : {0, 1, 500, 999}) {
                    Word h2, mi2, s2, ms2;
                    DecodeTime(EncodeDate(2007, 3, 15) + EncodeTime(h, mi, s, ms), h2, mi2, s2, ms2);
                    ASSERT_EQ(h2 * 3600000 + mi2 * 60000 + s2 * 1000 + ms2, h * 3600000 + mi * 60000 + s * 1000 + ms);
                }
    EXPECT_DOUBLE_EQ(EncodeTime(6, 0, 0, 0), 0.25);
}

TEST(Times, AlmostMidnightBelongsToTheNextDay)
{
    TSystemTime st;
    DateTimeToSystemTime(EncodeDate(2007, 12, 31) + 86399.9996 / 86400, st);
    EXPECT_EQ(st, (TSystemTime{2008, 1, 2, 1, 0, 0, 0, 0}));
}

TEST(Times, BeforeTheEpochTheFractionStillCountsForward)
{
    Word y, m, d, h, mi, s, ms;
    DecodeDate(-1.25, y, m, d);
    DecodeTime(-1.25, h, mi, s, ms);
    EXPECT_EQ(y * 10000 + m * 100 + d, 18991229);
    EXPECT_EQ(h, 6);
    EXPECT_DOUBLE_EQ(SystemTimeToDateTime(TSystemTime{1899, 12, 0, 29, 6, 0, 0, 0}), -1.25);
}

TEST(Times, SystemTimeRoundTrip)
{
    const TSystemTime st{2007, 3, 4, 15, 6, 15, 2, 345};  // a Thursday
    const TDateTime dt = SystemTimeToDateTime(st);
    TSystemTime back;
    DateTimeToSystemTime(dt, back);
    EXPECT_EQ(back, st);
    EXPECT_EQ(DayOfWeek(dt), 5);
}

TEST(Clock, LocalTimeFollowsTheSystemClock)
{
    const time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    const TDateTime expected =
        EncodeDate(static_cast<Word>(tm.tm_year + 1900), static_cast<Word>(tm.tm_mon + 1), static_cast<Word>(tm.tm_mday)) +
        EncodeTime(static_cast<Word>(tm.tm_hour), static_cast<Word>(tm.tm_min), static_cast<Word>(tm.tm_sec), 0);
    EXPECT_NEAR(Now(), expected, 5.0 / SecsPerDay);
    TSystemTime st;
    GetLocalTime(st);
    EXPECT_EQ(st.wDayOfWeek, DayOfWeek(SystemTimeToDateTime(st)) - 1);
    EXPECT_NEAR(Date() + Time(), Now(), 5.0 / SecsPerDay);
    EXPECT_EQ(Date(), std::floor(Date()));
}

TEST(Clock, ATestCanSetTheLocalTime)
{
    SetLocalTimeSource([] { return TSystemTime{2007, 3, 4, 15, 23, 59, 59, 999}; });
    TSystemTime st;
    GetLocalTime(st);
    EXPECT_EQ(st.wDay, 15);
    EXPECT_EQ(FormatDateTime("yymmdd-hhnnss", Now()), "070315-235959");
    EXPECT_DOUBLE_EQ(Date(), EncodeDate(2007, 3, 15));
    SetLocalTimeSource(nullptr);
    GetLocalTime(st);
    EXPECT_GT(st.wYear, 2020);
}

TEST(Clock, TickCountIsMonotonicMilliseconds)
{
    const Int64 a = GetTickCount64();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const Int64 b = GetTickCount64();
    EXPECT_GE(b - a, 30);
    const DWORD t = GetTickCount();
    EXPECT_LE(static_cast<DWORD>(t - static_cast<DWORD>(b)), 1000u);  // the low 32 bits of the same count
}

struct FormatCase {
    const char* format;
    const char* expected;
};

void PrintTo(const FormatCase& c, std::ostream* os)
{
    *os << '"' << c.format << '"';
}

class DateFormats : public ::testing::TestWithParam<FormatCase> {};

TEST_P(DateFormats, Render)
{
    // Thursday 15 March 2007, 18:05:02.045
    const TDateTime dt = EncodeDate(2007, 3, 15) + EncodeTime(18, 5, 2, 45);
    EXPECT_EQ(FormatDateTime(GetParam().format, dt), GetParam().expected) << GetParam().format;
}

INSTANTIATE_TEST_SUITE_P(
    Table, DateFormats,
    ::testing::Values(FormatCase{"yyyy-mm-dd hh:nn:ss.zzz", "2007-03-15 18:05:02.045"},
                      FormatCase{"d/m/yy", "15/3/07"}, FormatCase{"dd mmm yy", "15 Mar 07"},
                      FormatCase{"dddd, mmmm d", "Thursday, March 15"}, FormatCase{"ddd", "Thu"},
                      FormatCase{"hh:mm", "18:05"}, FormatCase{"h:m", "18:5"}, FormatCase{"HH:MM", "18:05"},
                      FormatCase{"hh 'h' mm", "18 h 05"}, FormatCase{"mm hh:mm", "03 18:05"},
                      FormatCase{"h:nn am/pm", "6:05 pm"}, FormatCase{"h:nn AM/PM", "6:05 PM"},
                      FormatCase{"h a/p", "6 p"}, FormatCase{"h:nn ampm", "6:05 PM"},
                      FormatCase{"\"at\" s 'sec'", "at 2 sec"}, FormatCase{"z", "45"},
                      FormatCase{"c", "3/15/2007 6:05:02 PM"}, FormatCase{"ddddd", "3/15/2007"},
                      FormatCase{"t", "6:05 PM"}, FormatCase{"tt", "6:05:02 PM"},
                      FormatCase{"'unclosed", "unclosed"}, FormatCase{"x#%", "x#%"}),
    morvik::ParamName());

// Values a caller may hold by mistake (before year 1, far beyond 9999, not a number) render as an
// empty date instead of reading outside the month names or overflowing.
TEST(DateFormats, ValuesOutsideTheCalendarRenderEmpty)
{
    for (TDateTime dt : {-700000.0, -1e12, 1e300, std::nan(""), HUGE_VAL}) {
        EXPECT_EQ(FormatDateTime("mmm|mmmm|m|d|yy", dt), "||0|0|00") << dt;
        Word y = 1, m = 1, d = 1;
        DecodeDate(dt, y, m, d);
        EXPECT_EQ(y + m + d, 0) << dt;
    }
}

TEST(DateFormatsLocale, SeparatorsAndNamesComeFromTheSettings)
{
    const TFormatSettings saved = FormatSettings;
    FormatSettings.DateSeparator = '.';
    FormatSettings.TimeSeparator = '-';
    FormatSettings.ShortMonthNames[2] = "Mrz";
    const TDateTime dt = EncodeDate(2004, 3, 5) + EncodeTime(7, 8, 9, 0);
    EXPECT_EQ(FormatDateTime("dd/mm/yyyy hh:nn:ss mmm", dt), "05.03.2004 07-08-09 Mrz");
    FormatSettings = saved;
    EXPECT_EQ(FormatDateTime("c", EncodeDate(2004, 3, 5)), "3/5/2004");  // no time at midnight
}

}  // namespace
