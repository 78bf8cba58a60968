#include <climits>
#include "ctlbase/Exstrutils.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/Windows.h"
#include "platform/Dialogs.h"
#include "tests/support/UiTest.h"
#include "tests/support/ParamName.h"

namespace {

// Restores the process-wide locale record after a test changes it.
class LocaleGuard : public ::testing::Test {
protected:
    void TearDown() override { FormatSettings = saved; }
    TFormatSettings saved = FormatSettings;
};

std::string Bytes(std::initializer_list<int> codes)
{
    std::string s;
    for (int c : codes) s += static_cast<char>(c);
    return s;
}

// ---------------------------------------------------------------- block text form

TEST(BlockText, WritesSizeAndBytesInUpperCaseHex)
{
    const Byte three[] = {0x01, 0x02, 0xFF};
    EXPECT_EQ(Data2Str(three, 3), "454C 3 01 02 FF ");
    EXPECT_EQ(Data2Str(nullptr, 0), "454C 0 ");
    std::vector<Byte> big(300, 0xAB);
    const std::string text = Data2Str(big.data(), 300);
    EXPECT_EQ(text.substr(0, 9), "454C 12C ");
    EXPECT_EQ(text.size(), 9 + 3 * 300u);
}

TEST(BlockText, RandomBlocksRoundTrip)
{
    std::mt19937 rng(99);
    for (int n : {0, 1, 2, 15, 16, 17, 255, 256, 4097}) {
        std::vector<Byte> block(static_cast<size_t>(n));
        for (Byte& b : block) b = static_cast<Byte>(rng());
        std::vector<Byte> back;
        Integer size = 0;
        ASSERT_TRUE(Str2Data(Data2Str(block.data(), n), back, size)) << n;
        EXPECT_EQ(size, n);
        EXPECT_EQ(back, block);
    }
}

TEST(BlockText, ReaderIsTolerantOfTheLastBlankAndLowerCase)
{
    std::vector<Byte> data;
    Integer size = 0;
    ASSERT_TRUE(Str2Data("454C 3 0a ff 7", data, size));
    EXPECT_EQ(data, (std::vector<Byte>{0x0A, 0xFF, 0x07}));
    ASSERT_TRUE(Str2Data("454C 0 ", data, size));
    EXPECT_EQ(size, 0);
    EXPECT_TRUE(data.empty());
    ASSERT_TRUE(Str2Data("454C 2 a b", data, size));  // the shortest text that holds two bytes
    EXPECT_EQ(data, (std::vector<Byte>{0x0A, 0x0B}));
    ASSERT_TRUE(Str2Data("454C 1 41 42 ", data, size));  // bytes beyond the size are ignored
    EXPECT_EQ(data, std::vector<Byte>{0x41});
}

struct BadBlock {
    const char* text;
    const char* why;
};

void PrintTo(const BadBlock& c, std::ostream* out)
{
    std::ostream& os = *out;
    os << c.why;
}

class BlockTextHostile : public ::testing::TestWithParam<BadBlock> {};

TEST_P(BlockTextHostile, FailsWithNothingHalfFilled)
{
    std::vector<Byte> data{1, 2, 3};
    Integer size = 77;
    EXPECT_FALSE(Str2Data(GetParam().text, data, size)) << GetParam().why;
    EXPECT_EQ(size, -1);
    EXPECT_TRUE(data.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BlockTextHostile,
    ::testing::Values(BadBlock{"454C 2 0A", "text ends before the second byte"},
                      BadBlock{"", "empty"}, BadBlock{"454", "too short for the mark"},
                      BadBlock{"4C45 1 00 ", "wrong mark"}, BadBlock{"454C", "no length"},
                      BadBlock{"454C ZZ 00 ", "length is not hexadecimal"},
                      BadBlock{"454C -2 00 00 ", "negative length"},
                      BadBlock{"454C FFFFFFFF 00 ", "length wraps to -1"},
                      BadBlock{"454C 7FFFFFFF 00 ", "length far beyond the text"},
                      BadBlock{"454C 2 0G 00 ", "byte is not hexadecimal"},
                      BadBlock{"454C 2 00  01 ", "empty token"},
                      BadBlock{"454C 1 1FF ", "byte above 255"}), morvik::ParamName());

// ---------------------------------------------------------------- numbers from text

TEST(H2D, ReadsHexWithSignAndDollar)
{
    EXPECT_EQ(H2D("$ff"), 255);
    EXPECT_EQ(H2D("-10"), -16);
    EXPECT_EQ(H2D("+a"), 10);
    EXPECT_EQ(H2D("  1A  "), 26);
    EXPECT_EQ(H2D("$ 7f"), 127);  // the "$" goes first, then the blanks
    EXPECT_EQ(H2D("FFFFFFFF"), -1);
    EXPECT_EQ(H2D("100000001"), 1);  // wraps at 32 bits
    for (const char* bad : {"", "$", "-", "+", "0x10", "12g", " - 1"}) {
        try {
            H2D(bad);
            ADD_FAILURE() << bad;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), "'" + std::string(bad) + "' is not a valid integer value");
        }
    }
    EXPECT_EQ(H2DDef("zz", 42), 42);
    EXPECT_EQ(H2DDef("2a", 42), 0x2A);
}

TEST(Bin2Int, ReadsBinaryDigits)
{
    EXPECT_EQ(Bin2Int(""), 0);
    EXPECT_EQ(Bin2Int("101"), 5);
    EXPECT_EQ(Bin2Int("11111111111111111111111111111111"), -1);
    EXPECT_THROW(Bin2Int("102"), EConvertError);
    EXPECT_EQ(Bin2IntDef("2", -7), -7);
    EXPECT_EQ(Bin2IntDef("0110", -7), 6);
}

// ---------------------------------------------------------------- escaping

TEST(Escape, DefaultSetAndRoundTripOfEveryByte)
{
    EXPECT_EQ(EscapeString("a%b", "", '%'), "a%25b");
    EXPECT_EQ(UnEscapeString("a%25b", '%'), "a%b");
    EXPECT_EQ(EscapeString(Bytes({9, 'x', 0xE9}), "", '%'), "%09x%E9");
    EXPECT_EQ(EscapeString("a=b;c", "=;", '\\'), "a\\3Db\\3Bc");
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    const std::string escaped = EscapeString(all, "", '%');
    for (char c : escaped) {
        const Byte b = static_cast<Byte>(c);
        EXPECT_TRUE(b >= 32 && b < 128) << int(b);
    }
    EXPECT_EQ(UnEscapeString(escaped, '%'), all);
}

TEST(Escape, ShortOrBadEscapes)
{
    EXPECT_EQ(UnEscapeString("ab%4", '%'), "ab");  // cut short: the rest is dropped
    EXPECT_EQ(UnEscapeString("ab%", '%'), "ab");
    EXPECT_THROW(UnEscapeString("%zz", '%'), EConvertError);
    EXPECT_THROW(UnEscapeString("%-1", '%'), EConvertError);
    EXPECT_EQ(UnEscapeString("%41%62", '%'), "Ab");
}

// ---------------------------------------------------------------- search and extraction

TEST(StrSearch, PositionsAndWords)
{
    EXPECT_EQ(LastPos("ab", "abxab"), 4);
    EXPECT_EQ(LastPos("", "abc"), 0);
    EXPECT_EQ(LastPos("abcd", "abc"), 0);
    EXPECT_EQ(LastPos("q", "abc"), 0);
    EXPECT_EQ(ExtractWord("one;two three", 2), ";two");
    EXPECT_EQ(ExtractWord("one;two three", 3), "three");
    EXPECT_EQ(ExtractWord("  one \t two", 1), "one");
    EXPECT_EQ(ExtractWord("one two", 3), "");
    EXPECT_EQ(ExtractWord("one two", 0), "");
    EXPECT_EQ(FstNonSpace("x"), 1);
    EXPECT_EQ(FstNonSpace("  "), -1);
    EXPECT_EQ(FstNonSpace(""), -1);
    EXPECT_EQ(FstNonSpace(" \tq"), 3);
    EXPECT_EQ(NextWordBegin("ab  cd", 3), 5);
    EXPECT_EQ(NextWordBegin("ab  ", 3), -1);
    EXPECT_TRUE(LineIsEmpty(" \t "));
    EXPECT_FALSE(LineIsEmpty(" . "));
}

TEST(StrSearch, LeftBreakFindsTheClassChange)
{
    EXPECT_EQ(LeftBreak("ab cd", 5), 3);  // from a letter back to the blank
    EXPECT_EQ(LeftBreak("ab  cd", 4), 2);  // from a blank back to the letter
    EXPECT_EQ(LeftBreak("abcd", 3), -1);
    EXPECT_EQ(LeftBreak("abcd", 0), -1);
    EXPECT_EQ(LeftBreak("abcd", 5), -1);
}

TEST(StrSearch, ReplaceOnlyTheFirst)
{
    std::string s = "a-b-c";
    EXPECT_TRUE(replace(s, "-", "+-"));
    EXPECT_EQ(s, "a+-b-c");
    EXPECT_FALSE(replace(s, "x", "y"));
    EXPECT_FALSE(replace(s, "", "y"));
    EXPECT_EQ(s, "a+-b-c");
}

TEST(StrSearch, ExtractionAndPrefixes)
{
    std::string s = "hello world";
    EXPECT_EQ(ExtractStr(s, 7, 100), "world");
    EXPECT_EQ(s, "hello ");
    EXPECT_EQ(TStrExtractStr(s, 1, 2), "he");
    EXPECT_EQ(s, "llo ");
    TStrDelete(s, 0, 2);  // no such position: nothing happens
    EXPECT_EQ(s, "llo ");
    TStrDelete(s, 4, 1);
    EXPECT_EQ(s, "llo");
    EXPECT_TRUE(ContainsAt("abcdef", 3, "cd"));
    EXPECT_FALSE(ContainsAt("abcdef", 5, "efg"));
    EXPECT_FALSE(ContainsAt("abc", 0, "a"));
    EXPECT_FALSE(ContainsAt("abc", 4, ""));
    EXPECT_TRUE(StrStartsWith("abc", nullptr));
    EXPECT_TRUE(StrStartsWith("abc", "ab"));
    EXPECT_FALSE(StrStartsWith(nullptr, "a"));
    EXPECT_FALSE(StrStartsWith("ab", "abc"));
    const auto dup = StringDup(std::string("x\0y", 3));
    EXPECT_EQ(std::string(dup.get(), 4), std::string("x\0y\0", 4));
}

TEST(StrSearch, SetTStrConvertsWideText)
{
    std::string s = "old";
    const char16_t wide[] = {u'A', 0x00C4, 0x20AC, 0x0416, u'z'};
    SetTStr(s, wide, 5);
    EXPECT_EQ(s, Bytes({'A', 0xC4, 0x80, '?', 'z'}));
    SetTStr(s, wide, 0);
    EXPECT_EQ(s, "");
}

// ---------------------------------------------------------------- formatting

TEST_F(LocaleGuard, IntegersWithGroups)
{
    EXPECT_EQ(IntToStrFmt(999), "999");
    EXPECT_EQ(IntToStrFmt(1000), "1,000");
    EXPECT_EQ(IntToStrFmt(1234567), "1,234,567");
    EXPECT_EQ(IntToStrFmt(-1234), "-1,234");
    EXPECT_EQ(IntToStrFmt(-999), "-999");
    EXPECT_EQ(IntToStrFmt(INT64_MIN), "-9,223,372,036,854,775,808");
    FormatSettings.ThousandSeparator = '.';
    EXPECT_EQ(IntToStrFmt(1000), "1.000");
}

TEST_F(LocaleGuard, FloatsWithFixedDecimals)
{
    EXPECT_EQ(FloatToStrFmt(1234.5, 2), "1,234.50");
    EXPECT_EQ(FloatToStrFmt(0.06, 1), "0.1");
    EXPECT_EQ(FloatToStrFmt(1.996, 2), "2.00");  // the fraction carries into the integer part
    EXPECT_EQ(FloatToStrFmt(999.96, 1), "1,000.0");
    EXPECT_EQ(FloatToStrFmt(-2.25, 1), "-2.2");  // halves go to even
    EXPECT_EQ(FloatToStrFmt(-0.5, 1), "-0.5");
    EXPECT_EQ(FloatToStrFmt(-0.001, 2), "0.00");
    EXPECT_EQ(FloatToStrFmt(7.6, 0), "8");
    FormatSettings.DecimalSeparator = ',';
    FormatSettings.ThousandSeparator = ' ';
    EXPECT_EQ(FloatToStrFmt(12345.678, 3), "12 345,678");
}

TEST(Formatting, PaddingAndCentring)
{
    EXPECT_EQ(IntToStrPad(5, 3), "005");
    EXPECT_EQ(IntToStrPad(-5, 4), "00-5");
    EXPECT_EQ(IntToStrPad(12345, 3), "12345");
    EXPECT_EQ(CenterStr("abc", 8), "  abc");
    EXPECT_EQ(CenterStr("abc", 3), "abc");
    EXPECT_EQ(CenterStr("abcd", 3), "");
    EXPECT_EQ(CompleteLine("ab", 5, '.'), "ab...");
    EXPECT_EQ(CompleteLine("abcdef", 5, '.'), "abcdef");
    EXPECT_EQ(PrefixLine("ab", 2, '>'), ">>ab");
    EXPECT_EQ(PrefixLine("ab", 0, '>'), "ab");
    EXPECT_EQ(MakeString(3, "ab"), "ababab");
    EXPECT_EQ(MakeString(4, "-"), "----");
    EXPECT_EQ(MakeString(0, "x"), "");
    EXPECT_EQ(GetCharRangeString('d', 'a'), "abcd");
    EXPECT_EQ(GetCharRangeString(static_cast<char>(0xFE), static_cast<char>(0xFF)), Bytes({0xFE, 0xFF}));
}

TEST(Classification, AsciiOnly)
{
    EXPECT_TRUE(IsAlpha('_'));
    EXPECT_FALSE(IsAlpha(static_cast<char>(0xC4)));
    EXPECT_TRUE(IsDigitStr(""));
    EXPECT_TRUE(IsAlphaStr(""));
    EXPECT_FALSE(IsDigitStr("12a"));
    EXPECT_TRUE(IsIdentStr("_a1"));
    EXPECT_FALSE(IsIdentStr("1a"));
    EXPECT_FALSE(IsIdentStr(""));
    EXPECT_FALSE(IsIdentStr("a-b"));
}

TEST(Classification, AnsiSameTextFoldsWesternLetters)
{
    EXPECT_TRUE(AnsiSameText("Hello", "hELLO"));
    EXPECT_TRUE(AnsiSameText(Bytes({0xC4, 0xD6, 0x8A, 0x9F}), Bytes({0xE4, 0xF6, 0x9A, 0xFF})));
    EXPECT_FALSE(AnsiSameText(Bytes({0xD7}), Bytes({0xF7})));  // multiplication and division signs
    EXPECT_FALSE(AnsiSameText("abc", "abcd"));
    EXPECT_TRUE(AnsiSameText("", ""));
}

TEST(Classification, AnsiUpperCaseFoldsAsAnsiSameText)
{
    EXPECT_EQ(AnsiUpperCase("ab1z"), "AB1Z");
    EXPECT_EQ(AnsiUpperCase(Bytes({0xE4, 0xF6, 0x9A, 0xFF, 0xF7, 0xC4})), Bytes({0xC4, 0xD6, 0x8A, 0x9F, 0xF7, 0xC4}));
}

struct MaskCase {
    const char* name;
    const char* mask;
    bool like;
};

void PrintTo(const MaskCase& c, std::ostream* out)
{
    std::ostream& os = *out;
    os << c.name << " against " << c.mask;
}

class FileNameLikeTable : public ::testing::TestWithParam<MaskCase> {};

TEST_P(FileNameLikeTable, Matches)
{
    const MaskCase c = GetParam();
    EXPECT_EQ(FileNameLike(c.name, c.mask), c.like) << c.name << " / " << c.mask;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FileNameLikeTable,
    ::testing::Values(MaskCase{"readme", "readme", true}, MaskCase{"README", "readme", true},
                      MaskCase{"readme", "readme.", true}, MaskCase{"readme", "*.*", true},
                      MaskCase{"readme", "readme.*", true}, MaskCase{"readme.txt", "readme", false},
                      MaskCase{"readme", "read", false}, MaskCase{"read", "readme", false},
                      MaskCase{"a.txt", "*.txt", true}, MaskCase{"A.TXT", "*.txt", true},
                      MaskCase{"abc.txt", "a*", false}, MaskCase{"abc.txt", "a*.*", true},
                      MaskCase{"x.txt", "?.txt", true}, MaskCase{"xy.txt", "?.txt", false},
                      MaskCase{"a.b.c", "*.c", true}, MaskCase{"a.b.c", "*.b", false},
                      MaskCase{"report.doc", "rep*.doc", true}, MaskCase{"report.doc", "r*.txt", false},
                      MaskCase{"anything at all", "*", true}, MaskCase{"", "*", true},
                      MaskCase{"file.tx", "*.txt", false}, MaskCase{"file.txt", "*.tx", false}), morvik::ParamName());

// ---------------------------------------------------------------- code pages

TEST(CodePages, OemAndAnsiAgreeWhereBothHaveTheCharacter)
{
    EXPECT_EQ(OEMToStr(Bytes({0x81, 0x8E, 0xE1, 'a'})), Bytes({0xFC, 0xC4, 0xDF, 'a'}));
    EXPECT_EQ(StrToOEM(Bytes({0xFC, 0xC4, 0xDF, 'a'})), Bytes({0x81, 0x8E, 0xE1, 'a'}));
    EXPECT_EQ(OEMToStr(Bytes({0xC4, 0xB3, 0xDA})), "-|+");  // box drawing has no Western glyphs
    EXPECT_EQ(StrToOEM(Bytes({0xC0})), "A");                 // A with grave is missing from the OEM page
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    const std::string ansi = OEMToStr(all);
    const std::string oem = StrToOEM(all);
    ASSERT_EQ(ansi.size(), 256u);
    ASSERT_EQ(oem.size(), 256u);
    EXPECT_EQ(ansi.substr(0, 128), all.substr(0, 128));
    int exact = 0;
    for (int c = 128; c < 256; ++c) {
        const char back = StrToOEM(std::string(1, ansi[static_cast<size_t>(c)]))[0];
        if (static_cast<Byte>(back) == c) ++exact;
    }
    // The 54 upper-half characters both pages have (accented letters, currency, a few signs) come
    // back exactly; the others went to a look-alike.
    EXPECT_EQ(exact, 54);
}

// ---------------------------------------------------------------- money

TEST_F(LocaleGuard, PrettyStrToCurrExamples)
{
    EXPECT_EQ(PrettyStrToCurr(""), 0);
    EXPECT_EQ(PrettyStrToCurr("(1,234.50)"), -12340);
    EXPECT_EQ(PrettyStrToCurr("1 234,5"), 12345000);
    EXPECT_EQ(PrettyStrToCurr("12-"), -120000);
    EXPECT_EQ(PrettyStrToCurr("$12.5"), 125000);
    EXPECT_EQ(PrettyStrToCurr("-$3"), -30000);
    EXPECT_EQ(PrettyStrToCurr("(12$)"), -120000);
    EXPECT_EQ(PrettyStrToCurr("7x9"), 70000);
    EXPECT_EQ(PrettyStrToCurr("1.23456789"), 12345);  // digits below a ten-thousandth are dropped
    EXPECT_EQ(PrettyStrToCurr(".5-"), -5000);
    const Currency huge = PrettyStrToCurr("99999999999999999999999999");
    EXPECT_GT(huge, 0);  // stops before overflowing instead of wrapping
    // The fraction digits overflow too: the last one that fits is taken, the next one ends the text.
    EXPECT_EQ(PrettyStrToCurr("922337203685477.5807"), LLONG_MAX);
    EXPECT_EQ(PrettyStrToCurr("922337203685477.9999"), 9223372036854770000LL);
    FormatSettings.CurrencyString = "EUR";
    FormatSettings.DecimalSeparator = ';';
    FormatSettings.ThousandSeparator = '\'';
    EXPECT_EQ(PrettyStrToCurr("EUR 1'000;25"), 10002500);
}

TEST_F(LocaleGuard, CurrToPrettyStrFollowsTheLocale)
{
    EXPECT_EQ(CurrToPrettyStr(12345000), "$1,234.50");
    EXPECT_EQ(CurrToPrettyStr(-12345000), "($1,234.50)");
    EXPECT_EQ(CurrToPrettyStr(-10), "$0.00");
    EXPECT_EQ(CurrToPrettyStr(99950), "$10.00");  // 9.995 rounds up
    FormatSettings.NegCurrFormat = 8;
    FormatSettings.CurrencyString = "kr";
    FormatSettings.CurrencyFormat = 3;
    FormatSettings.CurrencyDecimals = 0;
    EXPECT_EQ(CurrToPrettyStr(-12345000), "-1,235 kr");
    EXPECT_EQ(CurrToPrettyStr(5000), "1 kr");
    FormatSettings.CurrencyDecimals = 5;
    EXPECT_EQ(CurrToPrettyStr(12345), "1.23450 kr");
    EXPECT_EQ(CurrSign(-1), -1);
    EXPECT_EQ(CurrSign(0), 0);
    EXPECT_EQ(CurrSign(3), 1);
}

}  // namespace

TEST(MessageRes, ShowsTheProgramsStringAndReturnsTheAnswer)
{
    RegisterResourceString(4711, "Save changes?");
    std::string text, caption;
    UINT flags = 0;
    uitest::AnswerNextDialog([&](TObject* d) {
        auto* r = dynamic_cast<TMessageBoxRequest*>(d);
        if (r != nullptr) {
            text = r->Text;
            caption = r->Caption;
            flags = r->Flags;
        }
        return IDNO;
    });
    EXPECT_EQ(MessageRes(4711, "Editor", MB_YESNO | MB_ICONQUESTION, true), IDNO);
    EXPECT_EQ(text, "Save changes?");
    EXPECT_EQ(caption, "Editor");
    EXPECT_EQ(flags, UINT(MB_YESNO | MB_ICONQUESTION));
    // A number with no text shows an empty box rather than failing.
    uitest::AnswerNextDialog([&](TObject* d) {
        text = static_cast<TMessageBoxRequest*>(d)->Text;
        return IDOK;
    });
    EXPECT_EQ(MessageRes(4712, "Editor", MB_OK, false), IDOK);
    EXPECT_EQ(text, "");
}
