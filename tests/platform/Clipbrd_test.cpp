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

}  // namespace
