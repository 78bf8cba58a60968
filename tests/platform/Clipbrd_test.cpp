// Clipboard text with a code page: what another program reads is the characters the bytes stand for
// in the writer's code page, and the three text formats show one text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/Clipbrd.h"
#include "platform/CodePages.h"
#include "platform/Forms.h"

namespace {

class ClipboardText : public ::testing::Test {
protected:
    void SetUp() override { Application->Initialize(); }
    // The clipboard's text as another program reads it: UTF-16 up to the terminating zero.
    static std::u16string Unicode()
    {
        std::u16string out;
        if (!OpenClipboard(nullptr)) return out;
        if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
            const auto* p = static_cast<const char16_t*>(GlobalLock(h));
            const size_t n = GlobalSize(h) / 2;
            for (size_t i = 0; i < n && p[i] != 0; ++i) out += p[i];
            GlobalUnlock(h);
        }
        CloseClipboard();
        return out;
    }
    static void SetUnicode(const std::u16string& Text)
    {
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        HGLOBAL b = GlobalAlloc(GMEM_MOVEABLE, (Text.size() + 1) * 2);
        std::memcpy(GlobalLock(b), Text.c_str(), (Text.size() + 1) * 2);
        GlobalUnlock(b);
        SetClipboardData(CF_UNICODETEXT, b);
        CloseClipboard();
    }
};

// "Пример ёж" in Windows-1251 bytes.
const std::string Cyrillic1251 = "\xCF\xF0\xE8\xEC\xE5\xF0 \xB8\xE6";

TEST_F(ClipboardText, CodePageBytesTravelAsTheirCharacters)
{
    Clipboard()->SetAsText(Cyrillic1251 + "\r\n2", 1251);
    EXPECT_EQ(Unicode(), u"\u041F\u0440\u0438\u043C\u0435\u0440 \u0451\u0436\r\n2");
    EXPECT_EQ(Clipboard()->AsText(1251), Cyrillic1251 + "\r\n2");
    // Read in a code page that lacks the letters: they are not taken for Western ones.
    EXPECT_EQ(Clipboard()->AsText(1252), "?????? ??\r\n2");
    EXPECT_EQ(Clipboard()->AsText(), "?????? ??\r\n2");
    char buf[5];
    EXPECT_EQ(Clipboard()->GetTextBuf(buf, sizeof buf, 1251), 4);
    EXPECT_EQ(std::string(buf), Cyrillic1251.substr(0, 4));

    // Another program's text: each code page takes what it has.
    SetUnicode(u"\u0416 caf\u00E9 \u20AC");
    EXPECT_EQ(Clipboard()->AsText(1251), "\xC6 caf? \x88");
    EXPECT_EQ(Clipboard()->AsText(1252), "? caf\xE9 \x80");
    EXPECT_TRUE(Clipboard()->HasFormat(CF_TEXT));

    // Western bytes through the old calls are the same characters to another program.
    Clipboard()->SetAsText(std::string("caf\xE9 \x80"));
    EXPECT_EQ(Unicode(), u"caf\u00E9 \u20AC");
    Clipboard()->SetTextBuf(std::string("caf\xE9").c_str(), 1252);
    EXPECT_EQ(Clipboard()->AsText(), "caf\xE9");
    Clipboard()->SetTextBuf(nullptr, 1251);
    EXPECT_EQ(Clipboard()->AsText(1251), "");
}

TEST_F(ClipboardText, OneTextInThreeFormatsBesideAPrivateOne)
{
    const UINT block = RegisterClipboardFormat("Tarvesk IDE Block Type");
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL a = GlobalAlloc(GMEM_MOVEABLE, 4);
    std::memcpy(GlobalLock(a), "old", 4);
    GlobalUnlock(a);
    SetClipboardData(CF_TEXT, a);
    const std::u16string word = u"\u041F\u0440\u0438\u043C\u0435\u0440 \u0451\u0436";
    HGLOBAL u = GlobalAlloc(GMEM_MOVEABLE, (word.size() + 1) * 2);
    std::memcpy(GlobalLock(u), word.c_str(), (word.size() + 1) * 2);
    GlobalUnlock(u);
    SetClipboardData(CF_UNICODETEXT, u);
    HGLOBAL p = GlobalAlloc(GMEM_MOVEABLE, 3);
    std::memcpy(GlobalLock(p), "xy", 3);
    GlobalUnlock(p);
    SetClipboardData(block, p);
    // While open, the text set last is what every text format reads.
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
    HANDLE t = GetClipboardData(CF_TEXT);
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(static_cast<const char*>(GlobalLock(t)), "?????? ??");
    GlobalUnlock(t);
    UINT seen[4] = {};
    UINT f = 0;
    for (int i = 0; i < 4 && (f = EnumClipboardFormats(f)) != 0; ++i) seen[i] = f;
    EXPECT_EQ(seen[0], CF_TEXT);
    EXPECT_EQ(seen[1], CF_OEMTEXT);
    EXPECT_EQ(seen[2], CF_UNICODETEXT);
    EXPECT_EQ(seen[3], block);
    CloseClipboard();
    EXPECT_EQ(Clipboard()->AsText(1251), Cyrillic1251);
    EXPECT_TRUE(IsClipboardFormatAvailable(block));

    // Private data set without emptying keeps the text there, every character of it.
    ASSERT_TRUE(OpenClipboard(nullptr));
    HGLOBAL q = GlobalAlloc(GMEM_MOVEABLE, 3);
    std::memcpy(GlobalLock(q), "zw", 3);
    GlobalUnlock(q);
    SetClipboardData(block, q);
    CloseClipboard();
    EXPECT_EQ(Clipboard()->AsText(1251), Cyrillic1251);
    HANDLE got = Clipboard()->GetAsHandle(block);
    ASSERT_NE(got, nullptr);
    EXPECT_STREQ(static_cast<const char*>(GlobalLock(got)), "zw");
    GlobalUnlock(got);
}

// A paste keeps what the control's character set holds: no '?' the user never typed, an accented
// letter the code page lacks as its base letter, line ends of any kind as CR LF.
TEST_F(ClipboardText, PasteKeepsWhatTheCodePageHolds)
{
    struct Case {
        std::u16string Given;
        int CodePage;
        std::string Pasted;
        bool LeftOut;
    };
    const Case cases[] = {
        {u"caf\u00E9 \u20AC", 1252, "caf\xE9 \x80", false},
        {u"\u0416a\u0436", 1252, "a", true},                   // Cyrillic into a Western control
        {u"\u0416 \u20AC \u00E9", 1251, "\xC6 \x88 e", false},  // Cyrillic control: é has its e
        {u"Erd\u0151s \u0141\u00F3dz", 1252, "Erdos \xF3" "dz", true},  // ő keeps o, Ł has no base letter
        {u"\u045D", 1251, "\xE8", false},                         // ѝ: и without its grave accent
        {u"e\u0301", 1252, "\xE9", false},                        // a combining accent joins its letter
        {u"\uFB01x", 1252, "x", true},                            // a ligature is no accented letter
        {u"a\nb\rc\r\nd\r", 1252, "a\r\nb\r\nc\r\nd\r\n", false},
        {u"", 1252, "", false},
    };
    for (const Case& c : cases) {
        SetUnicode(c.Given);
        bool leftOut = !c.LeftOut;
        EXPECT_EQ(Clipboard()->PasteText(c.CodePage, &leftOut), c.Pasted) << c.Pasted;
        EXPECT_EQ(leftOut, c.LeftOut) << c.Pasted;
    }
}

// Line ends: CR LF for the program, LF for other programs.
TEST_F(ClipboardText, LineEndsAreCrLfHereAndLfOnTheDesktop)
{
    Clipboard()->SetAsText("a\r\nb\r\n", 1252);
    EXPECT_EQ(Clipboard()->AsText(1252), "a\r\nb\r\n");
    EXPECT_EQ(Unicode(), u"a\r\nb\r\n");
    SetUnicode(u"x\ny\rz");
    EXPECT_EQ(Clipboard()->AsText(), "x\r\ny\r\nz");
    EXPECT_EQ(Unicode(), u"x\r\ny\r\nz");
}

// Without a window system's primary selection the program keeps one of its own.
TEST_F(ClipboardText, PrimarySelectionOfTheProgramsOwn)
{
    Clipboard()->SetPrimaryText(Cyrillic1251 + "\n2", 1251);
    EXPECT_TRUE(Clipboard()->HasPrimaryText());
    EXPECT_EQ(Clipboard()->PrimaryText(1251), Cyrillic1251 + "\r\n2");
    bool leftOut = false;
    EXPECT_EQ(Clipboard()->PrimaryText(1252, &leftOut), " \r\n2");
    EXPECT_TRUE(leftOut);
    // The clipboard is another thing.
    Clipboard()->SetAsText("clip");
    EXPECT_EQ(Clipboard()->PrimaryText(1251), Cyrillic1251 + "\r\n2");
}

}  // namespace
