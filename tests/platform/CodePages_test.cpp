#include "platform/CodePages.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace {

// The C library's converter is the reference; it leaves the undefined bytes undefined.
bool ReferenceUtf8(const char* codePage, Byte b, std::string& utf8)
{
    iconv_t cd = iconv_open("UTF-8", codePage);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    char in = static_cast<char>(b);
    char out[8];
    char* ip = &in;
    char* op = out;
    size_t il = 1, ol = sizeof out;
    const size_t rc = iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1)) return false;
    utf8.assign(out, static_cast<size_t>(op - out));
    return true;
}

struct Page {
    int number;
    const char* name;
    std::vector<Byte> undefined;
};

void PrintTo(const Page& p, std::ostream* os)
{
    *os << p.name;
}

class CodePage : public ::testing::TestWithParam<Page> {};

TEST_P(CodePage, EveryDefinedByteMatchesTheCLibrary)
{
    const Page& p = GetParam();
    {
        iconv_t cd = iconv_open("UTF-8", p.name);
        if (cd == reinterpret_cast<iconv_t>(-1)) GTEST_SKIP() << "no converter for " << p.name;
        iconv_close(cd);
    }
    int undefined = 0;
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        std::string expected;
        if (!ReferenceUtf8(p.name, static_cast<Byte>(b), expected)) {
            ++undefined;
            EXPECT_NE(std::find(p.undefined.begin(), p.undefined.end(), b), p.undefined.end()) << b;
            continue;
        }
        EXPECT_EQ(CodePageToUtf8(one, p.number), expected) << "byte " << b;
        EXPECT_EQ(Utf8ToCodePage(expected, p.number), one) << "byte " << b;
    }
    EXPECT_EQ(undefined, static_cast<int>(p.undefined.size()));
}

TEST_P(CodePage, UndefinedBytesAreTheirC1Controls)
{
    const Page& p = GetParam();
    for (Byte b : p.undefined) {
        EXPECT_EQ(CodePageToChar(b, p.number), char32_t(b));
        Byte back = 0;
        ASSERT_TRUE(CharToCodePage(char32_t(b), p.number, back));
        EXPECT_EQ(back, b);
    }
}

TEST_P(CodePage, AllBytesRoundTripAsOneString)
{
    const Page& p = GetParam();
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(Utf8ToCodePage(CodePageToUtf8(all, p.number), p.number), all);
    EXPECT_EQ(Utf32ToCodePage(CodePageToUtf32(all, p.number), p.number), all);
    // 256 different characters: no two bytes share one.
    std::u32string u = CodePageToUtf32(all, p.number);
    std::sort(u.begin(), u.end());
    EXPECT_EQ(std::unique(u.begin(), u.end()), u.end());
}

INSTANTIATE_TEST_SUITE_P(Both, CodePage,
                         ::testing::Values(Page{1252, "CP1252", {0x81, 0x8D, 0x8F, 0x90, 0x9D}},
                                           Page{1251, "CP1251", {0x98}}),
                         [](const ::testing::TestParamInfo<Page>& i) { return std::string(i.param.name); });

TEST(CodePages, WellKnownCharacters)
{
    EXPECT_EQ(CodePageToChar(0x80, 1252), U'\u20AC');
    EXPECT_EQ(CodePageToChar(0x88, 1251), U'\u20AC');
    EXPECT_EQ(CodePageToChar(0xC0, 1251), U'\u0410');
    EXPECT_EQ(CodePageToChar(0xFF, 1251), U'\u044F');
    EXPECT_EQ(CodePageToChar(0xA8, 1251), U'\u0401');
    EXPECT_EQ(CodePageToChar(0xC0, 1252), U'\u00C0');
    EXPECT_EQ(CodePageToUtf8("\xCC\xEE\xF0\xE2\xE8\xEA", 1251), "\u041C\u043E\u0440\u0432\u0438\u043A");
    EXPECT_EQ(CodePageToUtf8("caf\xE9 \x80", 1252), "caf\u00E9 \u20AC");
}

TEST(CodePages, CharactersTheCodePageLacks)
{
    EXPECT_EQ(Utf8ToCodePage("\u041C x \u00E9", 1252), "? x \xE9");
    EXPECT_EQ(Utf8ToCodePage("\u041C x \u00E9", 1251), "\xCC x ?");
    EXPECT_EQ(Utf8ToCodePage("\U0001F600", 1252, '_'), "_");
    Byte b = 0;
    EXPECT_FALSE(CharToCodePage(U'\u0100', 1252, b));
    EXPECT_FALSE(CharToCodePage(U'\u00C0', 1251, b));
    EXPECT_EQ(Utf32ToCodePage(U"A\u0416", 1251), "A\xC6");
}

TEST(CodePages, MalformedUtf8BecomesOneReplacementPerByte)
{
    EXPECT_EQ(Utf8ToCodePage("a\xC3", 1252), "a?");              // cut short at the end
    EXPECT_EQ(Utf8ToCodePage("\xC3(", 1252), "?(");                // continuation missing
    EXPECT_EQ(Utf8ToCodePage("\xC0\xAF", 1252), "??");            // overlong "/"
    EXPECT_EQ(Utf8ToCodePage("\xED\xA0\x80", 1252), "???");       // a surrogate
    EXPECT_EQ(Utf8ToCodePage("\xF4\x90\x80\x80", 1252), "????");  // above U+10FFFF
    EXPECT_EQ(Utf8ToCodePage("\x80z", 1252), "?z");
    EXPECT_EQ(Utf8ToCodePage("\xE2\x82\xAC", 1252), "\x80");       // and a good one still converts
}

TEST(CodePages, FontCharsetsChooseTheCodePage)
{
    EXPECT_EQ(CharsetToCodePage(204), 1251);
    EXPECT_EQ(CharsetToCodePage(0), 1252);
    EXPECT_EQ(CharsetToCodePage(1), 1252);
    EXPECT_EQ(CodePageToChar(0xC0, 437), U'\u00C0');  // any other number is 1252
}

}  // namespace
