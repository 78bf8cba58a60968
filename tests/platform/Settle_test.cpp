// Every standard control, shown with its defaults, settles: once its pending messages have been
// handled, further passes of the message loop paint nothing and no timer runs.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/Buttons.h"
#include "platform/ComCtrls.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/HintWindow.h"
#include "platform/StdCtrls.h"
#include "platform/WinGdi.h"
#include "tests/support/Settle.h"

namespace {

using settle::Row;
using settle::TRow;

// A window of a registered class that leaves everything to the default procedure: the layer
// paints its border, edge and scroll bar itself.
LRESULT PlainProc(HWND h, UINT Msg, WPARAM W, LPARAM L) { return DefWindowProc(h, Msg, W, L); }

// A window that draws its frame itself, in WM_NCPAINT without the default procedure and again in
// WM_PAINT, both through its window device context.
void DrawOwnFrame(HWND h)
{
    HDC dc = GetWindowDC(h);
    RECT r;
    GetWindowRect(h, &r);
    OffsetRect(r, -r.Left, -r.Top);
    FrameRect(dc, &r, GetSysColorBrush(COLOR_HIGHLIGHT));
    ReleaseDC(h, dc);
}

LRESULT OwnFrameProc(HWND h, UINT Msg, WPARAM W, LPARAM L)
{
    if (Msg == WM_NCPAINT) {
        DrawOwnFrame(h);
        return 0;
    }
    if (Msg == WM_PAINT) {
        PAINTSTRUCT ps;
        BeginPaint(h, &ps);
        FillRect(ps.hdc, &ps.rcPaint, GetSysColorBrush(COLOR_WINDOW));
        EndPaint(h, &ps);
        DrawOwnFrame(h);
        return 0;
    }
    return DefWindowProc(h, Msg, W, L);
}

class TClassWindowKeeper : public TComponent {
public:
    TClassWindowKeeper(TComponent* AOwner, HWND Wnd) : TComponent(AOwner), FWnd(Wnd) {}
    ~TClassWindowKeeper() override { DestroyWindow(FWnd); }

private:
    HWND FWnd;
};

void MakeClassWindow(TForm* Form, const char* Class, WNDPROC Proc)
{
    WNDCLASS wc;
    if (!GetClassInfo(HInstance, Class, &wc)) {
        wc.lpfnWndProc = Proc;
        wc.lpszClassName = Class;
        ASSERT_NE(RegisterClass(&wc), 0);
    }
    HWND wnd = CreateWindowEx(WS_EX_CLIENTEDGE, Class, "", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_HSCROLL,
                              20, 20, 160, 120, Form->Handle(), nullptr, HInstance, nullptr);
    ASSERT_NE(wnd, nullptr);
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMax = 99;
    si.nPage = 10;
    SetScrollInfo(wnd, SB_VERT, &si, TRUE);
    SetScrollInfo(wnd, SB_HORZ, &si, TRUE);
    new TClassWindowKeeper(Form, wnd);
}

const TRow kRows[] = {
    {"TForm", [](TForm*) {}},
    {"TCustomForm", [](TForm* Form) {
         auto* f = new TCustomForm(Form);
         f->SetBounds(500, 40, 200, 150);
         f->Show();
     }},
    Row<TControl>("TControl"),
    Row<TGraphicControl>("TGraphicControl"),
    Row<TWinControl>("TWinControl"),
    Row<TCustomControl>("TCustomControl"),
    Row<TButton>("TButton"),
    Row<TCustomEdit>("TCustomEdit"),
    Row<TEdit>("TEdit"),
    {"TEditFocusedWithItsCaretHidden", [](TForm* Form) {
         auto* e = new TEdit(Form);
         e->SetParent(Form);
         e->SetBounds(20, 20, 160, 24);
         Form->Show();
         e->SetFocus();
         HideCaret(e->Handle());
     }},
    Row<TCustomMemo>("TCustomMemo"),
    Row<TMemo>("TMemo"),
    Row<TCustomListBox>("TCustomListBox"),
    Row<TListBox>("TListBox"),
    Row<TCustomComboBox>("TCustomComboBox"),
    Row<TComboBox>("TComboBox"),
    {"TComboBoxDroppedDown", [](TForm* Form) {
         // The box's edit, list and drop-down windows.
         auto* c = new TComboBox(Form);
         c->SetParent(Form);
         c->SetBounds(20, 20, 160, 24);
         c->Items()->Add("one");
         c->Items()->Add("two");
         Form->Show();
         c->SetDroppedDown(true);
     }},
    Row<TCustomLabel>("TCustomLabel"),
    Row<TLabel>("TLabel"),
    Row<TBevel>("TBevel"),
    Row<TCustomPanel>("TCustomPanel"),
    Row<TPanel>("TPanel"),
    Row<TPaintBox>("TPaintBox"),
    Row<TImage>("TImage"),
    Row<TSplitter>("TSplitter"),
    Row<TSpeedButton>("TSpeedButton"),
    Row<TCustomUpDown>("TCustomUpDown"),
    Row<TUpDown>("TUpDown"),
    Row<TStatusBar>("TStatusBar"),
    {"THintWindow", [](TForm* Form) {
         auto* h = new THintWindow(Form);
         h->ActivateHint(TRect{100, 100, 220, 120}, "A hint");
     }},
    {"ClassWindow", [](TForm* Form) { MakeClassWindow(Form, "MorvikSettlePlain", &PlainProc); }},
    {"ClassWindowDrawingItsOwnFrame", [](TForm* Form) { MakeClassWindow(Form, "MorvikSettleOwnFrame", &OwnFrameProc); }},
};

TEST(SettleTable, HasARowForEveryControlClassOfTheLayer)
{
    settle::ExpectARowForEveryControlClass(MORVIK_SOURCE_DIR, "platform", settle::NamesOf(kRows));
}

class Settles : public ::testing::TestWithParam<TRow> {};

TEST_P(Settles, NoPaintAndNoTimerOnceThePendingMessagesAreHandled) { settle::ExpectSettles(GetParam()); }

INSTANTIATE_TEST_SUITE_P(StandardControls, Settles, ::testing::ValuesIn(kRows),
                         [](const auto& Info) { return settle::RowName(Info.param); });

bool SamePicture(TBitmap& A, TBitmap& B)
{
    if (A.Width() != B.Width() || A.Height() != B.Height())
        return false;
    for (int y = 0; y < A.Height(); ++y)
        for (int x = 0; x < A.Width(); ++x)
            if (A.Canvas()->Pixels(x, y) != B.Canvas()->Pixels(x, y))
                return false;
    return true;
}

// A focused edit's caret blinks, and its blinking repaints only the caret; hidden, it stops (its
// timer with it), and it blinks again once shown.
TEST(CaretSettles, BlinksOnlyWhileShown)
{
    auto* form = new TForm(nullptr);
    form->SetBounds(40, 40, 300, 200);
    form->AfterConstruction();
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetBounds(20, 20, 160, 24);
    form->Show();
    edit->SetFocus();
    ASSERT_EQ(settle::Painted(settle::PaintsAfterSettling()), PaintCount::TCounts{});
    auto blinks = [](unsigned n) { return [n](const PaintCount::TCounts& c) { return c.CaretBlinks >= n; }; };

    PaintCount::TCounts shown = settle::PaintsUntil(blinks(2));
    EXPECT_GE(shown.CaretBlinks, 2u);
    EXPECT_EQ(settle::Painted(shown), PaintCount::TCounts{});
    // What the screen shows changes from one blink to the next.
    TBitmap before, after;
    ASSERT_TRUE(CaptureControlImage(edit, &before));
    settle::PaintsUntil(blinks(1));
    ASSERT_TRUE(CaptureControlImage(edit, &after));
    EXPECT_FALSE(SamePicture(before, after));

    HideCaret(edit->Handle());
    settle::PaintsAfterSettling();
    EXPECT_EQ(PaintCount::RunningTimers(), 0);
    auto* clock = new TTimer(form);
    clock->SetInterval(GetCaretBlinkTime());
    const PaintCount::TCounts hidden = settle::PaintsUntil([](const PaintCount::TCounts& c) { return c.TimerTicks >= 3; });
    EXPECT_GE(hidden.TimerTicks, 3u);
    EXPECT_EQ(hidden.CaretBlinks, 0u);
    EXPECT_EQ(hidden.ScreenUpdates, 0u);
    ASSERT_TRUE(CaptureControlImage(edit, &before));
    settle::PaintsUntil([](const PaintCount::TCounts& c) { return c.TimerTicks >= 1; });
    ASSERT_TRUE(CaptureControlImage(edit, &after));
    EXPECT_TRUE(SamePicture(before, after));
    delete clock;

    ShowCaret(edit->Handle());
    shown = settle::PaintsUntil(blinks(2));
    EXPECT_GE(shown.CaretBlinks, 2u);
    TObject::Free(form);
}

}  // namespace

namespace {

// Windows that never rest: each must fail the settle check, or the settle tests prove nothing.
class TRepaintsItself : public TCustomControl {
public:
    using TCustomControl::TCustomControl;

protected:
    void Paint() override
    {
        Canvas()->FillRect(ClientRect());
        Invalidate();
    }
};

class TPostsToItself : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    static constexpr UINT kAgain = WM_USER + 77;
    void Start() { PostMessage(Handle(), kAgain, 0, 0); }

protected:
    void WndProc(TMessage& Message) override
    {
        if (Message.Msg == kAgain)
            Start();
        else
            TCustomControl::WndProc(Message);
    }
};

// The failures the check reports for the form that Make builds, with Limit to come to rest.
std::vector<std::string> SettleFailures(const std::function<void(TForm*)>& Make, std::chrono::milliseconds Limit)
{
    ::testing::TestPartResultArray failures;
    auto* form = new TForm(nullptr);
    form->SetBounds(40, 40, 300, 200);
    form->AfterConstruction();
    Make(form);
    form->Show();
    {
        ::testing::ScopedFakeTestPartResultReporter reporter(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
        const PaintCount::TCounts c = settle::Painted(settle::PaintsAfterSettling(20, Limit));
        EXPECT_EQ(c, PaintCount::TCounts{});
        EXPECT_EQ(PaintCount::RunningTimers(), 0);
    }
    TObject::Free(form);
    Application->ProcessMessages();
    std::vector<std::string> texts;
    for (int i = 0; i < failures.size(); ++i)
        texts.push_back(failures.GetTestPartResult(i).message());
    return texts;
}

bool AnyMentions(const std::vector<std::string>& Texts, const std::string& Part)
{
    for (const std::string& t : Texts)
        if (t.find(Part) != std::string::npos)
            return true;
    return false;
}

TEST(SettleCheck, FailsForAWindowThatNeverRests)
{
    const auto place = [](TWinControl* C, TForm* Form) {
        C->SetParent(Form);
        C->SetBounds(10, 10, 80, 60);
    };
    // Invalidated from its own paint: told apart by its endless painting, long before the limit.
    std::vector<std::string> f = SettleFailures([&](TForm* Form) { place(new TRepaintsItself(Form), Form); },
                                                std::chrono::minutes(1));
    EXPECT_TRUE(AnyMentions(f, "did not come to rest")) << ::testing::PrintToString(f);
    EXPECT_TRUE(AnyMentions(f, "WM_PAINT")) << ::testing::PrintToString(f);

    // A message that brings another: never done with its posted work.
    f = SettleFailures(
        [&](TForm* Form) {
            auto* c = new TPostsToItself(Form);
            place(c, Form);
            c->Start();
        },
        std::chrono::seconds(2));
    EXPECT_TRUE(AnyMentions(f, "posted calls waiting")) << ::testing::PrintToString(f);

    // A slow timer that repaints a panel at every tick: the further passes wait for its next tick.
    f = SettleFailures(
        [&](TForm* Form) {
            auto* p = new TPanel(Form);
            place(p, Form);
            auto* t = new TTimer(Form);
            t->SetInterval(300);
            t->OnTimer = [p](TObject*) { p->Invalidate(); };
        },
        std::chrono::minutes(1));
    EXPECT_TRUE(AnyMentions(f, "WM_PAINT 1")) << ::testing::PrintToString(f);
}

}  // namespace
