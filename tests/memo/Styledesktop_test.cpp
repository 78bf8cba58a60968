// The memo among the desktop's programs: line ends handed over and taken, the primary selection and
// the middle button, the wheel under the pointer, and a selection held beyond the window's edge; in
// the offscreen session and on a virtual X display driven by xdotool, with xclip as the other program.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "memo/Stylememo.h"
#include "platform/Clipbrd.h"
#include "platform/Forms.h"
#include "platform/Input.h"
#include "platform/Windows.h"
#include "tests/memo/MemoCheck.h"
#include "tests/support/UiTest.h"
#include "tests/support/X11Session.h"

using namespace memotest;

namespace {

std::string Numbered(int n)
{
    std::string t;
    for (int i = 0; i < n; ++i) t += (i > 0 ? "\r\n" : "") + ("line " + std::to_string(i));
    return t;
}

std::string All(TStyleMemo* m) { return m->GetTextPart(0, m->TextLen()); }

class Desktop : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->Initialize();
        form = new TForm(nullptr);
        form->SetBounds(40, 40, 700, 300);
        form->AfterConstruction();
        a = NewMemo(0);
        b = NewMemo(350);
        form->Show();
        uitest::Pump();
    }
    void TearDown() override
    {
        delete form;
        uitest::Pump();
    }
    TStyleMemo* NewMemo(int Left)
    {
        auto* m = new TStyleMemo(form);
        m->SetParent(form);
        m->SetBounds(Left, 0, 300, 200);
        m->setUpdateMode(umImmediate);
        m->setWordWrap(false);
        return m;
    }
    TForm* form = nullptr;
    TStyleMemo* a = nullptr;
    TStyleMemo* b = nullptr;
};

// Pasted text may end its lines with LF, CR LF or a lone CR: each is a paragraph break.
TEST_F(Desktop, PasteTakesEveryLineEnd)
{
    struct Case {
        const char* Given;
        const char* Pasted;
    };
    const Case cases[] = {
        {"x\ny", "x\r\ny"}, {"x\r\ny", "x\r\ny"}, {"x\ry", "x\r\ny"}, {"x\n\ny\n", "x\r\n\r\ny\r\n"},
    };
    for (const Case& c : cases) {
        b->Clear();
        Clipboard()->SetTextBuf(c.Given, 1252);
        b->PasteFromClipboard();
        EXPECT_EQ(All(b), c.Pasted) << c.Given;
        EXPECT_TRUE(DeepCheck(*b));
    }
}

// What the user selects, with the mouse or with Shift and a key, becomes the primary selection once
// the gesture's messages have run; a selection made by code does not. A middle click pastes it where
// it is released, in any memo the user may edit.
TEST_F(Desktop, SelectingOffersThePrimarySelectionAndTheMiddleButtonPastesIt)
{
    a->setSelText(Numbered(5));
    b->setSelText("target");
    Clipboard()->SetPrimaryText("before", 1252);
    a->setSelStart(0);
    a->setSelLength(4);
    uitest::Pump();
    EXPECT_EQ(Clipboard()->PrimaryText(1252), "before");

    const Integer h = a->RowHeight();
    TStyleNavigator n(a);
    n.SetPos(a->ParsOffset(1) + 2);  // "ne 1" and the start of the next line
    const TPoint from = n.GetDisplayPos();
    n.SetPos(a->ParsOffset(2) + 4);
    const TPoint to = n.GetDisplayPos();
    Input::Drag(a, from.X, from.Y + h / 2, to.X, to.Y + h / 2);
    EXPECT_EQ(a->SelText(), "ne 1\r\nline");
    uitest::Pump();
    EXPECT_EQ(Clipboard()->PrimaryText(1252), "ne 1\r\nline");

    a->SetFocus();
    a->setSelStart(a->ParsOffset(3));
    Input::PressKey(VK_END, ssShift);
    uitest::Pump();
    EXPECT_EQ(Clipboard()->PrimaryText(1252), "line 3");

    // Pasted at the release point: after "tar".
    TStyleNavigator nb(b);
    nb.SetPos(3);
    const TPoint at = nb.GetDisplayPos();
    Input::Click(b, at.X, at.Y + h / 2, mbMiddle);
    EXPECT_EQ(All(b), "tarline 3get");
    Clipboard()->SetPrimaryText("two\r\nlines", 1252);
    Input::Click(b, 2, 2, mbMiddle);
    EXPECT_EQ(All(b), "two\r\nlinestarline 3get");
    // Typing after a paste is an undo step of its own.
    b->Perform(WM_CHAR, 'z', 0);
    EXPECT_EQ(All(b), "two\r\nlinesztarline 3get");
    b->Undo();
    EXPECT_EQ(All(b), "two\r\nlinestarline 3get");
    // A read-only memo takes nothing.
    b->setReadOnly(true);
    Input::Click(b, 2, 2, mbMiddle);
    EXPECT_EQ(All(b), "two\r\nlinestarline 3get");
}

// The wheel scrolls the memo under the pointer, whichever control has the focus.
TEST_F(Desktop, TheWheelScrollsTheMemoUnderThePointer)
{
    a->setSelText(Numbered(100));
    b->setSelText(Numbered(100));
    a->setTopLine(0);
    b->setTopLine(0);
    a->SetFocus();
    uitest::Pump();
    ASSERT_TRUE(a->Focused());
    Input::Wheel(b, -120, 50, 50);
    EXPECT_EQ(b->TopLine(), 3);
    EXPECT_EQ(a->TopLine(), 0);
    Input::Wheel(a, -240, 50, 50);
    EXPECT_EQ(a->TopLine(), 6);
    EXPECT_EQ(b->TopLine(), 3);
}

// ---------------------------------------------------------------- on a virtual X display

TEST(DesktopX11, PrimarySelectionMiddleButtonWheelAndAutoScroll)
{
    x11test::TDisplay display;
    if (!display.Ok()) GTEST_SKIP() << display.Why();
    if (access("/usr/bin/xclip", X_OK) != 0) GTEST_SKIP() << "xclip is needed";
    std::string out;
    EXPECT_EQ(display.RunRole("DesktopX11.DISABLED_Role", "select", out), 0) << out;
    display.Start({"/usr/bin/xclip", "-i", "-quiet", "-selection", "primary"}, "from xclip\nsecond");
    EXPECT_EQ(display.RunRole("DesktopX11.DISABLED_Role", "middle", out), 0) << out;
    EXPECT_EQ(display.RunRole("DesktopX11.DISABLED_Role", "wheel", out), 0) << out;
    EXPECT_EQ(display.RunRole("DesktopX11.DISABLED_Role", "autoscroll", out), 0) << out;
}

TEST(DesktopX11, DISABLED_Role)
{
    const std::string role = x11test::Role();
    ASSERT_FALSE(role.empty());
    auto* form = new TForm(nullptr);
    form->SetBounds(20, 20, 700, 300);
    auto make = [&](int Left) {
        auto* m = new TStyleMemo(form);
        m->SetParent(form);
        m->SetBounds(Left, 10, 300, 200);
        m->setUpdateMode(umImmediate);
        m->setWordWrap(false);
        m->Font()->SetName("DejaVu Sans Mono");
        return m;
    };
    TStyleMemo* a = make(10);
    TStyleMemo* b = make(360);
    a->setSelText(Numbered(200));
    a->setSelStart(0);
    a->setTopLine(0);
    b->setSelText(Numbered(200));
    b->setSelStart(0);
    b->setTopLine(0);
    ASSERT_TRUE(x11test::ShowOnScreen(form));
    const Integer h = a->RowHeight();
    auto xclipOut = [] {
        std::string s;
        x11test::RunHere({"/usr/bin/xclip", "-o", "-selection", "primary"}, &s);
        return s;
    };

    if (role == "select") {
        // Dragged over "line 1" and into the next line with the real pointer: another program
        // reads the selection with LF.
        TStyleNavigator n(a);
        n.SetPos(a->ParsOffset(1));
        const TPoint from = n.GetDisplayPos();
        ASSERT_TRUE(x11test::MoveTo(a, from.X, from.Y + h / 2));
        ASSERT_TRUE(x11test::Xdo({"mousedown", "1"}));
        ASSERT_TRUE(x11test::MoveTo(a, from.X + 40, from.Y + h + h / 2));
        ASSERT_TRUE(x11test::Xdo({"mouseup", "1"}));
        EXPECT_TRUE(uitest::PumpUntil([&] { return a->SelLength() != 0 && a->SelText().find("\r\n") != std::string::npos; }, 60000));
        const std::string selected = a->SelText();
        ASSERT_EQ(selected.substr(0, 8), "line 1\r\n");
        std::string expected;
        for (char c : selected)
            if (c != '\r') expected += c;
        EXPECT_TRUE(uitest::PumpUntil([&] { return xclipOut() == expected; }, 60000)) << xclipOut();
        // Shift+End in the other memo: its line is the selection now.
        ASSERT_TRUE(x11test::Click(b, 2, 3 * h + h / 2));
        ASSERT_TRUE(x11test::Key("Home shift+End"));
        EXPECT_TRUE(uitest::PumpUntil([&] { return xclipOut() == "line 3"; }, 60000)) << xclipOut();
    } else if (role == "middle") {
        // xclip holds the primary selection: a middle click pastes it where it is released.
        TStyleNavigator n(b);
        n.SetPos(b->ParsOffset(2) + 4);
        const TPoint at = n.GetDisplayPos();
        ASSERT_TRUE(x11test::Click(b, at.X, at.Y + h / 2, 2));
        EXPECT_TRUE(uitest::PumpUntil([&] { return b->Paragraphs(2) == "linefrom xclip"; }, 60000)) << b->Paragraphs(2);
        EXPECT_EQ(b->Paragraphs(3), "second 2");
    } else if (role == "wheel") {
        // The pointer over the memo without the focus: the wheel turns it, not the focused one.
        ASSERT_TRUE(x11test::Click(a, 20, 20));
        EXPECT_TRUE(uitest::PumpUntil([&] { return a->Focused(); }, 60000));
        ASSERT_TRUE(x11test::MoveTo(b, 50, 50));
        ASSERT_TRUE(x11test::Xdo({"click", "5"}));
        EXPECT_TRUE(uitest::PumpUntil([&] { return b->TopLine() == 3; }, 60000)) << b->TopLine();
        EXPECT_EQ(a->TopLine(), 0);
        EXPECT_TRUE(a->Focused());
    } else if (role == "autoscroll") {
        // Held below the window, the selection goes on growing with the pointer at rest.
        ASSERT_TRUE(x11test::MoveTo(a, 20, h / 2));
        ASSERT_TRUE(x11test::Xdo({"mousedown", "1"}));
        ASSERT_TRUE(x11test::MoveTo(a, 20, a->ClientHeight() + 20));
        EXPECT_TRUE(uitest::PumpUntil([&] { return a->TopLine() > 0; }, 60000));
        const Integer first = a->TopLine();
        EXPECT_TRUE(uitest::PumpUntil([&] { return a->TopLine() >= first + 10; }, 60000)) << a->TopLine();
        ASSERT_TRUE(x11test::Xdo({"mouseup", "1"}));
        EXPECT_TRUE(uitest::PumpUntil([&] { return a->AutoScrollDirection() == msNoScroll; }, 60000));
        EXPECT_GT(std::abs(a->SelLength()), a->ParsOffset(first + 10));
        const Integer stopped = a->TopLine();
        uitest::Pump(300);
        EXPECT_EQ(a->TopLine(), stopped);
    }
    TObject::Free(form);
}

}  // namespace
