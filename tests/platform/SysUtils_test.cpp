#include "platform/SysUtils.h"

#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "platform/Forms.h"
#include "tests/support/ParamName.h"

namespace {

TEST(Numbers, IntegerTextBothWays)
{
    EXPECT_EQ(StrToInt(" -42 "), -42);
    EXPECT_EQ(StrToInt("$7FFFFFFF"), INT_MAX);
    EXPECT_EQ(StrToInt("-2147483648"), INT_MIN);
    EXPECT_EQ(StrToInt("0x1f"), 31);
    EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
    for (const char* bad : {"", " ", "2147483648", "-2147483649", "12a", "1 2", "$", "0x", "+-1", "1.0"}) {
        Integer v = 77;
        EXPECT_FALSE(TryStrToInt(bad, v)) << bad;
        EXPECT_EQ(v, 77) << "unchanged on failure: " << bad;
        EXPECT_EQ(StrToIntDef(bad, -1), -1) << bad;
    }
    try {
        StrToInt("12a");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'12a' is not a valid integer value");
    }
    EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
    EXPECT_EQ(IntToStr(INT64_MIN), "-9223372036854775808");
    EXPECT_EQ(IntToHex(255, 4), "00FF");
}

TEST(Numbers, FloatTextHasFifteenSignificantDigits)
{
    EXPECT_EQ(FloatToStr(11025.0), "11025");
    EXPECT_EQ(FloatToStr(11025.5), "11025.5");
    EXPECT_EQ(FloatToStr(0.1), "0.1");
    EXPECT_EQ(FloatToStr(1.0 / 3), "0.333333333333333");
    EXPECT_EQ(FloatToStr(2.0 / 3), "0.666666666666667");
    EXPECT_EQ(FloatToStr(1e15), "1E15");
    EXPECT_EQ(FloatToStr(123456789012345.0), "123456789012345");
    EXPECT_EQ(FloatToStr(0.0001), "0.0001");
    EXPECT_EQ(FloatToStr(0.00001), "1E-5");
    EXPECT_EQ(FloatToStr(-2.5e-7), "-2.5E-7");
    EXPECT_EQ(FloatToStr(-0.0), "0");
}

TEST(Numbers, FloatTextRoundTripsToFifteenDigits)
{
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> mant(-10, 10);
    std::uniform_int_distribution<int> exp(-30, 30);
    for (int i = 0; i < 2000; ++i) {
        const double v = mant(rng) * std::pow(10.0, exp(rng));
        const double back = StrToFloat(FloatToStr(v));
        ASSERT_NEAR(back, v, std::fabs(v) * 1e-14) << FloatToStr(v);
        // The C library reads the text the same way.
        ASSERT_EQ(back, std::strtod(FloatToStr(v).c_str(), nullptr));
    }
}

// The toolkit takes over the user's locale when it starts; a language that writes "11025,5" must not
// change how the program writes and reads numbers (the settings file, the command-line rate).
TEST(Numbers, StartingTheToolkitKeepsThePointAsDecimalSeparator)
{
    EXPECT_EXIT(
        {
            setenv("LC_ALL", "C.UTF-8", 1);
            Application->Initialize();
            std::fprintf(stderr, "numeric %s, text %s, %s %g\n", std::setlocale(LC_NUMERIC, nullptr),
                         std::setlocale(LC_CTYPE, nullptr), FloatToStr(11025.5).c_str(),
                         std::atof("0.25"));
            // Without the leak check at exit: it would race the toolkit's threads, just started.
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "numeric C, text C.UTF-8, 11025.5 0.25");
}

TEST(Numbers, FloatParsingIsStrict)
{
    double v = 5;
    EXPECT_TRUE(TryStrToFloat(" 11025.5 ", v));
    EXPECT_EQ(v, 11025.5);
    EXPECT_TRUE(TryStrToFloat("+.5", v));
    EXPECT_EQ(v, 0.5);
    for (const char* bad : {"", "-", "1,5", "1e400", "1.5e", "inf", "nan", "0x10", "1 2"}) {
        v = 5;
        EXPECT_FALSE(TryStrToFloat(bad, v)) << bad;
        EXPECT_EQ(v, 5);
    }
    EXPECT_THROW(StrToFloat("x"), EConvertError);
    EXPECT_EQ(StrToFloatDef("x", 2.5), 2.5);
}

struct FloatFormat {
    const char* pattern;
    double value;
    const char* expected;
};

void PrintTo(const FloatFormat& c, std::ostream* os)
{
    *os << c.pattern << " " << c.value;
}

class FormatFloatTable : public ::testing::TestWithParam<FloatFormat> {};

TEST_P(FormatFloatTable, Render)
{
    EXPECT_EQ(FormatFloat(GetParam().pattern, GetParam().value), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, FormatFloatTable,
    ::testing::Values(FloatFormat{"####", 1700.4, "1700"}, FloatFormat{"####", 1700.5, "1701"},
                      FloatFormat{"####", 2.5, "3"}, FloatFormat{"####", -2.5, "-3"},
                      FloatFormat{"0.00", 0.005, "0.01"}, FloatFormat{"0.00", 1.005, "1.00"},
                      FloatFormat{"0.00", 9.999, "10.00"}, FloatFormat{"0.00", -0.004, "0.00"},
                      FloatFormat{"#,##0.00", 1234567.891, "1,234,567.89"}, FloatFormat{"#,##0", 999.5, "1,000"},
                      FloatFormat{"0.###", 1234.5678, "1234.568"}, FloatFormat{"0.###", 2.5, "2.5"},
                      FloatFormat{"#.##", 0.5, ".5"}, FloatFormat{"000", 7, "007"},
                      FloatFormat{"0.00E+00", 1700, "1.70E+03"}, FloatFormat{"0.00E+00", 0.005, "5.00E-03"},
                      FloatFormat{"0.00E+00", 9.996, "1.00E+01"}, FloatFormat{"0.0\" Hz\"", 170, "170.0 Hz"},
                      FloatFormat{"0.0;(0.0)", -1.25, "(1.3)"},
                      FloatFormat{"0.0;(0.0)", 1.25, "1.3"}, FloatFormat{"0.0;;'nil'", 0, "nil"},
                      FloatFormat{"0.0;;'nil'", -1, "-1.0"}, FloatFormat{"'a;b'0", 5, "a;b5"}, FloatFormat{"", 2.5, "2.5"},
                      // Values a stored double can hold: no digits to lay out, or beyond a power of ten.
                      FloatFormat{"0.00", INFINITY, "INF"}, FloatFormat{"0.00;(0.00)", -INFINITY, "-INF"},
                      FloatFormat{"0", NAN, "NAN"}, FloatFormat{"0.00E+00", 5e-324, "4.94E-324"},
                      FloatFormat{"0.00E+00", 1.7976931348623157e308, "1.80E+308"}),
    morvik::ParamName());

TEST(Strings, FormatFloatIntegerDigitsBeyondTheDoubleRange)
{
    EXPECT_EQ(FormatFloat(std::string(310, '0') + "E+0", 1.5), "15" + std::string(308, '0') + "E-309");
}

TEST(Strings, TrimCaseAndCompare)
{
    EXPECT_EQ(Trim("\t a b \r\n"), "a b");
    EXPECT_EQ(TrimLeft("  a "), "a ");
    EXPECT_EQ(TrimRight("  a "), "  a");
    EXPECT_EQ(Trim(std::string("\0x\0", 3)), "x");
    EXPECT_EQ(UpperCase("abc\xE4z"), "ABC\xE4Z");
    EXPECT_EQ(LowerCase("ABC\xC4Z"), "abc\xC4z");
    EXPECT_LT(CompareText("apple", "Banana"), 0);
    EXPECT_EQ(CompareText("RTTY", "rtty"), 0);
    EXPECT_GT(CompareStr("a", "B"), 0);
    EXPECT_LT(CompareText("ab", "abc"), 0);
    EXPECT_TRUE(SameText("OnTop", "ONTOP"));
    EXPECT_FALSE(SameText("OnTop", "OnTo"));
}

TEST(Strings, QuotingBothWays)
{
    EXPECT_EQ(QuotedStr("it's"), "'it''s'");
    EXPECT_EQ(AnsiQuotedStr("say \"x\"", '"'), "\"say \"\"x\"\"\"");
    for (const char* s : {"", "plain", "it's", "''", "a'b'c"}) EXPECT_EQ(AnsiDequotedStr(QuotedStr(s), '\''), s);
    EXPECT_EQ(AnsiDequotedStr("'a''b'rest", '\''), "a'b");
    EXPECT_EQ(AnsiDequotedStr("'open", '\''), "'open");
    EXPECT_EQ(AnsiDequotedStr("plain", '\''), "plain");
}

TEST(Strings, ReplaceFormatAndFileNames)
{
    EXPECT_EQ(StringReplace("a.b.c", ".", "::", rfReplaceAll), "a::b::c");
    EXPECT_EQ(StringReplace("a.b.c", ".", "", 0), "ab.c");
    EXPECT_EQ(StringReplace("xAxa", "a", "b", rfReplaceAll | rfIgnoreCase), "xbxb");
    EXPECT_EQ(StringReplace("aaa", "a", "aa", rfReplaceAll), "aaaaaa");
    EXPECT_EQ(StringReplace("abc", "", "x", rfReplaceAll), "abc");
    EXPECT_EQ(StringOfChar('-', 3), "---");
    EXPECT_EQ(StringOfChar('-', -1), "");
    EXPECT_EQ(Format("%s\\%02d-%02d-%02d.TXT", "Raw_Logs", 7, 3, 15), "Raw_Logs\\07-03-15.TXT");
    EXPECT_EQ(Format("%s", std::string(5000, 'x').c_str()).size(), 5000u);
    EXPECT_EQ(Format("%s", ""), "");
    EXPECT_EQ(NativeFileName(".\\MORVIK.INI"), "./MORVIK.INI");
    EXPECT_EQ(NativeFileName("Messages\\070315-061502.TXT"), "Messages/070315-061502.TXT");
}

}  // namespace
