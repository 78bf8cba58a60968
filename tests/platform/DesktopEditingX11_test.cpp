// Editing as the Linux desktop does it, on a virtual X display with xclip and xsel as the other
// programs and xdotool as the user: the primary selection set by selecting and pasted by the middle
// button, line ends handed over, the edit menu, the wheel over a control without the focus, and a
// drag held below the memo.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "platform/Clipbrd.h"
#include "platform/Forms.h"
#include "platform/Menus.h"
#include "platform/StdCtrls.h"
#include "tests/support/UiTest.h"
#include "tests/support/X11Session.h"

namespace {

bool HaveSelectionTools() { return access("/usr/bin/xclip", X_OK) == 0 && access("/usr/bin/xsel", X_OK) == 0; }

// "Пример ёж" in Windows-1251 bytes and in UTF-8.
const std::string Cyrillic1251 = "\xCF\xF0\xE8\xEC\xE5\xF0 \xB8\xE6";
const std::string CyrillicUtf8 = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xBC\xD0\xB5\xD1\x80 \xD1\x91\xD0\xB6";

// What another program reads of the primary selection.
std::string XselPrimary()
{
    std::string out;
    x11test::RunHere({"/usr/bin/xsel", "--primary", "--output"}, &out);
    return out;
}

TEST(DesktopEditingX11, PrimarySelectionTravelsBetweenPrograms)
{
    x11test::TDisplay display;
    if (!display.Ok())
        GTEST_SKIP() << display.Why();
    if (!HaveSelectionTools())
        GTEST_SKIP() << "xclip and xsel are needed";
    // Another program's selection, with its own line ends.
    display.Start({"/usr/bin/xclip", "-i", "-quiet", "-selection", "primary"},
                  "caf\xC3\xA9 \xE2\x82\xAC\nline\r\n" + CyrillicUtf8);
    std::string out;
    EXPECT_EQ(display.RunRole("DesktopEditingX11.DISABLED_Role", "primary", out), 0) << out;
}

TEST(DesktopEditingX11, TheControlsFollowTheDesktopsConventions)
{
    x11test::TDisplay display;
    if (!display.Ok())
        GTEST_SKIP() << display.Why();
    if (!HaveSelectionTools())
        GTEST_SKIP() << "xclip and xsel are needed";
    std::string out;
    EXPECT_EQ(display.RunRole("DesktopEditingX11.DISABLED_Role", "select", out), 0) << out;
    display.Start({"/usr/bin/xclip", "-i", "-quiet", "-selection", "primary"}, "from xclip\nsecond " + CyrillicUtf8);
    EXPECT_EQ(display.RunRole("DesktopEditingX11.DISABLED_Role", "middle", out), 0) << out;
    EXPECT_EQ(display.RunRole("DesktopEditingX11.DISABLED_Role", "menu", out), 0) << out;
    EXPECT_EQ(display.RunRole("DesktopEditingX11.DISABLED_Role", "wheel", out), 0) << out;
    EXPECT_EQ(display.RunRole("DesktopEditingX11.DISABLED_Role", "drag", out), 0) << out;
}

// A form with a one-line edit above a memo of numbered lines.
struct TEditForm {
    TForm* Form = new TForm(nullptr);
    TEdit* Edit = new TEdit(Form);
    TMemo* Memo = new TMemo(Form);
    explicit TEditForm(int Lines)
    {
        Form->SetBounds(20, 20, 420, 300);
        Edit->SetParent(Form);
        Edit->SetBounds(10, 10, 300, 24);
        Memo->SetParent(Form);
        Memo->SetBounds(10, 50, 300, 160);
        Memo->SetScrollBars(ssVertical);
        std::string text;
        for (int i = 0; i < Lines; ++i)
            text += "line " + std::to_string(i) + (i + 1 < Lines ? "\r\n" : "");
        Memo->SetText(text);
    }
    ~TEditForm() { TObject::Free(Form); }
    int TopLine() const { return int(SendMessage(Memo->Handle(), EM_GETFIRSTVISIBLELINE, 0, 0)); }
    // The client point of a character of the memo.
    TPoint At(int Pos) const
    {
        const LRESULT r = SendMessage(Memo->Handle(), EM_POSFROMCHAR, WPARAM(Pos), 0);
        return {SHORT(LOWORD(r)), SHORT(HIWORD(r))};
    }
};

TEST(DesktopEditingX11, DISABLED_Role)
{
    const std::string role = x11test::Role();
    ASSERT_FALSE(role.empty());
    Application->Initialize();
    if (role == "primary") {
        ASSERT_TRUE(uitest::PumpUntil([] { return Clipboard()->HasPrimaryText(); }, 60000));
        bool leftOut = false;
        EXPECT_EQ(Clipboard()->PrimaryText(1252, &leftOut), "caf\xE9 \x80\r\nline\r\n ");
        EXPECT_TRUE(leftOut);
        EXPECT_EQ(Clipboard()->PrimaryText(1251), "cafe \x88\r\nline\r\n" + Cyrillic1251);
        // Taking the selection over: other programs read the characters, with LF line ends.
        Clipboard()->SetPrimaryText(Cyrillic1251 + "\r\n2\r\n", 1251);
        EXPECT_EQ(XselPrimary(), CyrillicUtf8 + "\n2\n");
        EXPECT_EQ(Clipboard()->PrimaryText(1251), Cyrillic1251 + "\r\n2\r\n");
    } else if (role == "select") {
        TEditForm f(3);
        f.Edit->SetText("alpha beta");
        ASSERT_TRUE(x11test::ShowOnScreen(f.Form));
        // A double click on a word: other programs read it as the primary selection.
        ASSERT_TRUE(x11test::MoveTo(f.Edit, 5, 10));
        ASSERT_TRUE(x11test::Xdo({"click", "--repeat", "2", "--delay", "80", "1"}));
        EXPECT_TRUE(uitest::PumpUntil([&] { return f.Edit->SelText() == "alpha"; }, 60000)) << f.Edit->SelText();
        EXPECT_EQ(XselPrimary(), "alpha");
        // Lines dragged over in the memo reach them with LF line ends.
        const TPoint from = f.At(0), to = f.At(int(f.Memo->Text().find("line 2")) + 4);
        ASSERT_TRUE(x11test::MoveTo(f.Memo, from.X, from.Y + 4));
        ASSERT_TRUE(x11test::Xdo({"mousedown", "1"}));
        ASSERT_TRUE(x11test::MoveTo(f.Memo, to.X, to.Y + 4));
        ASSERT_TRUE(x11test::Xdo({"mouseup", "1"}));
        EXPECT_TRUE(uitest::PumpUntil([&] { return f.Memo->SelText() == "line 0\r\nline 1\r\nline"; }, 60000))
            << f.Memo->SelText();
        EXPECT_EQ(XselPrimary(), "line 0\nline 1\nline");
        // Shift with the arrows selects as well.
        ASSERT_TRUE(x11test::Key("ctrl+Home shift+Down"));
        EXPECT_EQ(XselPrimary(), "line 0\n");
    } else if (role == "middle") {
        // xclip holds the primary selection; a middle click pastes it into the memo, focused or not.
        TEditForm f(2);
        ASSERT_TRUE(x11test::ShowOnScreen(f.Form));
        f.Edit->SetFocus();
        const TPoint end = f.At(int(f.Memo->Text().size()));
        const std::string before = f.Memo->Text();
        ASSERT_TRUE(x11test::Click(f.Memo, end.X + 40, end.Y + 4, 2));
        EXPECT_TRUE(uitest::PumpUntil([&] { return f.Memo->Text() != before; }, 60000));
        EXPECT_EQ(f.Memo->Text(), "line 0\r\nline 1from xclip\r\nsecond  ") << "Cyrillic has no place in a Western memo";
        EXPECT_TRUE(f.Memo->Focused());
        f.Memo->Font()->SetCharset(RUSSIAN_CHARSET);
        f.Memo->SetText("");
        ASSERT_TRUE(x11test::Click(f.Memo, 20, 10, 2));
        EXPECT_TRUE(uitest::PumpUntil([&] { return !f.Memo->Text().empty(); }, 60000));
        EXPECT_EQ(f.Memo->Text(), "from xclip\r\nsecond " + Cyrillic1251);
    } else if (role == "menu") {
        // A right click opens the edit menu; its Select All is there to choose with its letter.
        TEditForm f(2);
        f.Edit->SetText("menu text");
        ASSERT_TRUE(x11test::ShowOnScreen(f.Form));
        f.Edit->SetFocus();
        f.Edit->SetSelStart(0);
        // The key goes once the menu is up (the click returns when the menu has closed).
        SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT Id, DWORD) {
            if (!MenuShown())
                return;
            KillTimer(nullptr, Id);
            x11test::Key("a");
        });
        ASSERT_TRUE(x11test::Click(f.Edit, 10, 10, 3));
        EXPECT_TRUE(uitest::PumpUntil([&] { return f.Edit->SelLength() == 9; }, 60000)) << f.Edit->SelLength();
        EXPECT_EQ(XselPrimary(), "menu text");
    } else if (role == "wheel") {
        // The wheel over the memo scrolls it while the edit keeps the focus.
        TEditForm f(200);
        ASSERT_TRUE(x11test::ShowOnScreen(f.Form));
        f.Edit->SetFocus();
        ASSERT_TRUE(x11test::MoveTo(f.Memo, 50, 50));
        ASSERT_TRUE(x11test::Xdo({"click", "--repeat", "3", "--delay", "30", "5"}));
        EXPECT_TRUE(uitest::PumpUntil([&] { return f.TopLine() == 9; }, 60000)) << f.TopLine();
        EXPECT_TRUE(f.Edit->Focused());
        ASSERT_TRUE(x11test::Xdo({"click", "4"}));
        EXPECT_TRUE(uitest::PumpUntil([&] { return f.TopLine() == 6; }, 60000)) << f.TopLine();
    } else if (role == "drag") {
        // A drag held still below the memo goes on selecting, line after line.
        TEditForm f(200);
        ASSERT_TRUE(x11test::ShowOnScreen(f.Form));
        ASSERT_TRUE(x11test::MoveTo(f.Memo, 5, 5));
        ASSERT_TRUE(x11test::Xdo({"mousedown", "1"}));
        ASSERT_TRUE(x11test::MoveTo(f.Memo, 40, f.Memo->Height() + 20));
        EXPECT_TRUE(uitest::PumpUntil([&] { return f.TopLine() >= 40; }, 60000)) << f.TopLine();
        ASSERT_TRUE(x11test::Xdo({"mouseup", "1"}));
        const int top = f.TopLine();
        EXPECT_GE(f.Memo->SelLength(), int(SendMessage(f.Memo->Handle(), EM_LINEINDEX, WPARAM(top), 0)));
        uitest::Pump(300);
        EXPECT_EQ(f.TopLine(), top) << "the release stops it";
    }
}

}  // namespace
