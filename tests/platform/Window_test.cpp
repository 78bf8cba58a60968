// The window and message model: message routing and window procedures, focus, capture, double
// clicks, keyboard delivery, painting and update regions, scrolling, scroll bars and the caret.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/Guard.h"
#include "platform/Input.h"
#include "platform/StdCtrls.h"
#include "tests/support/UiTest.h"

namespace {

// A custom control that records the messages and events it receives.
class TProbe : public TCustomControl {
public:
    explicit TProbe(TComponent* AOwner) : TCustomControl(AOwner)
    {
        SetTabStop(true);
        SetColor(clWhite);
    }
    std::vector<UINT> Messages;
    std::vector<std::string> Events;
    TRect LastPaintRect;
    int Paints = 0;
    LRESULT DlgCode = 0;
    TColor Fill = clWhite;
    bool Count(UINT m) const { return std::count(Messages.begin(), Messages.end(), m) != 0; }
    int Times(UINT m) const { return int(std::count(Messages.begin(), Messages.end(), m)); }

    BEGIN_MESSAGE_MAP
        MESSAGE_HANDLER(WM_GETDLGCODE, WMGetDlgCode)
        MESSAGE_HANDLER(WM_USER + 7, WMUser7)
    END_MESSAGE_MAP(TCustomControl)

    void WndProc(TMessage& Message) override
    {
        Messages.push_back(Message.Msg);
        TCustomControl::WndProc(Message);
    }

protected:
    void Paint() override
    {
        ++Paints;
        LastPaintRect = Canvas()->ClipRect();
        Canvas()->Brush()->SetColor(Fill);
        Canvas()->FillRect(ClientRect());
    }
    void MouseDown(TMouseButton b, TShiftState s, int x, int y) override
    {
        Events.push_back("down " + IntToStr(x) + "," + IntToStr(y) + ((s & ssDouble) ? " double" : ""));
        TCustomControl::MouseDown(b, s, x, y);
    }
    void MouseUp(TMouseButton b, TShiftState s, int x, int y) override
    {
        Events.push_back("up " + IntToStr(x) + "," + IntToStr(y));
        TCustomControl::MouseUp(b, s, x, y);
    }
    void KeyDown(Word& Key, TShiftState Shift) override
    {
        Events.push_back("key " + IntToStr(Key));
        TCustomControl::KeyDown(Key, Shift);
    }
    void KeyPress(char& Key) override
    {
        Events.push_back(std::string("char ") + Key);
        TCustomControl::KeyPress(Key);
    }
    void WMGetDlgCode(TMessage& Message) { Message.Result = DlgCode; }
    void WMUser7(TMessage& Message) { Message.Result = LRESULT(Message.WParam * 2); }
};

class WindowModel : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->Initialize();
        form = new TForm(nullptr);
        form->SetBounds(100, 100, 300, 200);
        form->AfterConstruction();
        a = new TProbe(form);
        a->SetParent(form);
        a->SetBounds(10, 10, 100, 50);
        b = new TProbe(form);
        b->SetParent(form);
        b->SetBounds(150, 10, 100, 50);
    }
    void TearDown() override
    {
        delete form;
        ReleaseCapture();
        uitest::ClearDialogAnswers();
        uitest::Pump();
    }
    void Show()
    {
        form->Show();
        uitest::Pump();
    }
    TForm* form = nullptr;
    TProbe* a = nullptr;
    TProbe* b = nullptr;
};

TEST_F(WindowModel, PerformAndSendMessageRunTheHandlerAtOnce)
{
    EXPECT_EQ(a->Perform(WM_USER + 7, 21, 0), 42);
    EXPECT_EQ(SendMessage(a->Handle(), WM_USER + 7, 5, 0), 10);
    EXPECT_EQ(TWinControl::FindControl(a->Handle()), a);
    EXPECT_EQ(GetParent(a->Handle()), form->Handle());
    EXPECT_EQ(SendMessage(nullptr, WM_USER + 7, 5, 0), 0);
    EXPECT_EQ(RegisterWindowMessage("Morvik test message"), RegisterWindowMessage("MORVIK TEST MESSAGE"));
    EXPECT_GE(RegisterWindowMessage("Morvik test message"), 0xC000u);
    EXPECT_NE(RegisterWindowMessage("Another"), RegisterWindowMessage("Morvik test message"));
}

TEST_F(WindowModel, WindowProcCanBeReplacedAndRestored)
{
    TWndMethod saved = a->WindowProc;
    int seen = 0;
    a->WindowProc = [&](TMessage& m) {
        if (m.Msg == WM_USER + 7)
            ++seen;
        saved(m);
    };
    EXPECT_EQ(a->Perform(WM_USER + 7, 1, 0), 2);
    EXPECT_EQ(SendMessage(a->Handle(), WM_USER + 7, 3, 0), 6);
    EXPECT_EQ(seen, 2);
    a->WindowProc = saved;
    a->Perform(WM_USER + 7, 1, 0);
    EXPECT_EQ(seen, 2);
}

// A form whose Dispatch takes one message number before the inherited dispatcher.
class TDispatchForm : public TForm {
public:
    explicit TDispatchForm(TComponent* AOwner) : TForm(AOwner) {}
    std::vector<WPARAM> Got;
    std::vector<bool> OnMain;
    std::thread::id Main = std::this_thread::get_id();
    void Dispatch(TMessage& Message) override
    {
        if (Message.Msg == 0x81F5) {
            Got.push_back(Message.WParam);
            OnMain.push_back(std::this_thread::get_id() == Main);
            return;
        }
        TForm::Dispatch(Message);
    }
};

TEST(PostedMessages, ArriveInOrderOnTheMainThread)
{
    Application->Initialize();
    auto* f = new TDispatchForm(nullptr);
    f->AfterConstruction();
    HWND h = f->Handle();
    const int n = 500;
    std::thread t([h] {
        for (int i = 0; i < n; ++i)
            PostMessage(h, 0x81F5, WPARAM(i), 0);
    });
    t.join();
    EXPECT_TRUE(f->Got.empty());  // nothing runs until the loop does
    ASSERT_TRUE(uitest::PumpUntil([&] { return int(f->Got.size()) == n; }));
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(f->Got[size_t(i)], WPARAM(i));
        EXPECT_TRUE(f->OnMain[size_t(i)]);
    }
    // Messages posted to a window that is gone are dropped, also when newer windows have come
    // since: no handle is given out twice.
    PostMessage(h, 0x81F5, 1, 0);
    delete f;
    std::set<HWND> handles{h};
    TDispatchForm* last = nullptr;
    for (int i = 0; i < 40; ++i) {
        delete last;
        last = new TDispatchForm(nullptr);
        last->AfterConstruction();
        EXPECT_TRUE(handles.insert(last->Handle()).second);
        last->RecreateWnd();
        EXPECT_TRUE(handles.insert(last->Handle()).second);
    }
    uitest::Pump();
    EXPECT_TRUE(last->Got.empty());
    delete last;
}

TEST_F(WindowModel, FocusNeedsAVisibleEnabledWindow)
{
    EXPECT_FALSE(a->CanFocus());  // the form is hidden
    EXPECT_THROW(a->SetFocus(), EInvalidOperation);
    Show();
    // Showing the form focuses its first tab stop.
    EXPECT_TRUE(a->Focused());
    int enters = 0, exits = 0;
    a->OnEnter = [&](TObject*) { ++enters; };
    a->OnExit = [&](TObject*) { ++exits; };
    b->SetFocus();
    EXPECT_FALSE(a->Focused());
    EXPECT_EQ(exits, 1);
    a->SetFocus();
    EXPECT_TRUE(a->Focused());
    EXPECT_EQ(GetFocus(), a->Handle());
    EXPECT_EQ(form->ActiveControl(), a);
    EXPECT_EQ(enters, 1);
    b->SetFocus();
    EXPECT_EQ(exits, 2);
    EXPECT_TRUE(a->Count(WM_KILLFOCUS));
    EXPECT_TRUE(b->Count(WM_SETFOCUS));
    // A disabled control cannot take the focus; disabling the focused one moves it on.
    a->SetEnabled(false);
    EXPECT_FALSE(a->CanFocus());
    EXPECT_THROW(a->SetFocus(), EInvalidOperation);
    b->SetEnabled(false);
    EXPECT_FALSE(b->Focused());
    // Hiding the form takes the focus away from its controls.
    a->SetEnabled(true);
    a->SetFocus();
    form->Hide();
    EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(WindowModel, TabMovesAlongTheTabStopsUnlessTheControlWantsIt)
{
    auto* c = new TProbe(form);
    c->SetParent(form);
    c->SetBounds(10, 100, 50, 30);
    c->SetTabStop(false);
    Show();
    a->SetFocus();
    Input::PressKey(VK_TAB);
    EXPECT_TRUE(b->Focused());
    Input::PressKey(VK_TAB);  // c has no tab stop: back to a
    EXPECT_TRUE(a->Focused());
    Input::PressKey(VK_TAB, ssShift);
    EXPECT_TRUE(b->Focused());
    b->DlgCode = DLGC_WANTTAB;
    Input::PressKey(VK_TAB);
    EXPECT_TRUE(b->Focused());
    EXPECT_NE(std::find(b->Events.begin(), b->Events.end(), "key 9"), b->Events.end());
    EXPECT_NE(std::find(b->Events.begin(), b->Events.end(), std::string("char \t")), b->Events.end());
    // Wanting all keys is not wanting Tab.
    b->DlgCode = DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS;
    Input::PressKey(VK_TAB);
    EXPECT_TRUE(a->Focused());
    // Tab order follows TabOrder.
    b->DlgCode = 0;
    b->SetTabOrder(0);
    EXPECT_EQ(b->TabOrder(), 0);
    EXPECT_EQ(a->TabOrder(), 1);
}

TEST_F(WindowModel, KeysReachTheFocusedControlAfterTheFormsPreview)
{
    Show();
    a->SetFocus();
    std::vector<std::string> order;
    form->OnKeyDown = [&](TObject*, Word& k, TShiftState) { order.push_back("form " + IntToStr(k)); };
    a->OnKeyDown = [&](TObject*, Word& k, TShiftState) { order.push_back("control " + IntToStr(k)); };
    Input::PressKey('A');
    EXPECT_EQ(order, (std::vector<std::string>{"control 65"}));
    order.clear();
    form->KeyPreview = true;
    Input::PressKey('A');
    EXPECT_EQ(order, (std::vector<std::string>{"form 65", "control 65"}));
    order.clear();
    // A key the form consumes never reaches the control, but its character still does.
    form->OnKeyDown = [&](TObject*, Word& k, TShiftState) {
        order.push_back("form " + IntToStr(k));
        k = 0;
    };
    a->Events.clear();
    Input::PressKey('B');
    EXPECT_EQ(order, (std::vector<std::string>{"form 66"}));
    EXPECT_EQ(a->Events, (std::vector<std::string>{"char b"}));
    // Ctrl+letter types the control character; Alt keys come as system keys.
    a->Events.clear();
    form->KeyPreview = false;
    Input::PressKey('C', ssCtrl);
    EXPECT_EQ(a->Events, (std::vector<std::string>{"key 67", std::string("char \x03")}));
    a->Messages.clear();
    Input::PressKey('F', ssAlt);
    EXPECT_TRUE(a->Count(WM_SYSKEYDOWN));
    EXPECT_FALSE(a->Count(WM_KEYDOWN));
    EXPECT_FALSE(a->Count(WM_CHAR));
    // The key's shift state is what the key data and the key state say.
    TShiftState seen = 0;
    a->OnKeyDown = [&](TObject*, Word&, TShiftState s) { seen = s; };
    Input::KeyDown(VK_MULTIPLY, ssShift | ssCtrl);
    EXPECT_EQ(seen, TShiftState(ssShift | ssCtrl));
    BYTE keys[256];
    GetKeyboardState(keys);
    EXPECT_EQ(KeyboardStateToShiftState(keys), TShiftState(ssShift | ssCtrl));
    EXPECT_LT(GetKeyState(VK_MULTIPLY), 0);
    Input::KeyUp(VK_MULTIPLY, 0);
    EXPECT_EQ(GetKeyState(VK_MULTIPLY), 0);
}

TEST_F(WindowModel, CaptureFollowsButtonsAndIsReported)
{
    Show();
    Input::MouseDown(a, mbLeft, 5, 5);
    EXPECT_EQ(GetCapture(), a->Handle());
    EXPECT_TRUE(a->MouseCapture());
    // Moves outside still come to the capturing control, in its coordinates.
    a->Events.clear();
    Input::MouseMove(a, 200, -20, ssLeft);
    Input::MouseUp(a, mbLeft, 200, -20);
    EXPECT_EQ(a->Events, (std::vector<std::string>{"up 200,-20"}));
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_TRUE(a->Count(WM_CAPTURECHANGED));
    // Taking the capture away tells the old owner.
    a->Messages.clear();
    SetCapture(a->Handle());
    SetCapture(b->Handle());
    EXPECT_EQ(a->Times(WM_CAPTURECHANGED), 1);
    EXPECT_EQ(GetCapture(), b->Handle());
    ReleaseCapture();
    EXPECT_TRUE(b->Count(WM_CAPTURECHANGED));
    EXPECT_EQ(GetCapture(), nullptr);
    // Hiding the capturing window releases it.
    SetCapture(a->Handle());
    a->Hide();
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(WindowModel, WindowlessControlsCaptureThroughTheirParent)
{
    auto* pb = new TPaintBox(form);
    pb->SetParent(form);
    pb->SetBounds(10, 100, 60, 40);
    std::vector<std::string> seen;
    pb->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int x, int y) {
        seen.push_back("down " + IntToStr(x) + "," + IntToStr(y));
    };
    pb->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int x, int y) {
        seen.push_back("up " + IntToStr(x) + "," + IntToStr(y));
    };
    int clicks = 0;
    pb->OnClick = [&](TObject*) { ++clicks; };
    Show();
    Input::MouseDown(pb, mbLeft, 5, 6);
    EXPECT_EQ(GetCapture(), form->Handle());
    EXPECT_EQ(GetCaptureControl(), pb);
    Input::MouseUp(pb, mbLeft, 100, 6);  // released outside: no click
    EXPECT_EQ(seen, (std::vector<std::string>{"down 5,6", "up 100,6"}));
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(GetCapture(), nullptr);
    Input::Click(pb, 1, 1);
    EXPECT_EQ(clicks, 1);
}

TEST_F(WindowModel, DoubleClicksWithinTheTimeAndDistance)
{
    Show();
    int clicks = 0, doubles = 0;
    a->OnClick = [&](TObject*) { ++clicks; };
    a->OnDblClick = [&](TObject*) { ++doubles; };
    Input::DoubleClick(a, 20, 20);
    EXPECT_EQ(doubles, 1);
    EXPECT_EQ(clicks, 1);  // the first press and release is a click
    EXPECT_TRUE(a->Count(WM_LBUTTONDBLCLK));
    EXPECT_EQ(a->Events[2], "down 20,20 double");
    // Too slow: two clicks.
    Input::AdvanceTime(1000);
    Input::Click(a, 20, 20);
    Input::AdvanceTime(GetDoubleClickTime() + 1);
    Input::Click(a, 20, 20);
    EXPECT_EQ(doubles, 1);
    EXPECT_EQ(clicks, 3);
    // Too far apart: two clicks.
    Input::AdvanceTime(1000);
    Input::Click(a, 20, 20);
    Input::Click(a, 30, 20);
    EXPECT_EQ(doubles, 1);
    // A third quick click starts a new pair rather than another double click.
    Input::AdvanceTime(1000);
    Input::Click(a, 20, 20);
    Input::Click(a, 20, 20);
    Input::Click(a, 20, 20);
    EXPECT_EQ(doubles, 2);
    // Controls without double clicks get plain presses.
    b->ControlStyle &= ~TControlStyle(csDoubleClicks);
    b->RecreateWnd();
    int bdoubles = 0;
    b->OnDblClick = [&](TObject*) { ++bdoubles; };
    Input::AdvanceTime(1000);
    Input::DoubleClick(b, 5, 5);
    EXPECT_EQ(bdoubles, 0);
    EXPECT_FALSE(b->Count(WM_LBUTTONDBLCLK));
}

// As on the Linux desktop: the control under the pointer, focused or not.
TEST_F(WindowModel, WheelGoesToTheControlUnderThePointerInNotches)
{
    Show();
    b->SetFocus();
    int total = 0;
    a->OnMouseWheel = [&](TObject*, TShiftState, int delta, TPoint, bool& handled) {
        total += delta;
        handled = true;
    };
    Input::Wheel(a, -120, 5, 5);
    Input::Wheel(a, 240, 5, 5);
    EXPECT_EQ(total, 120);
    EXPECT_FALSE(b->Count(WM_MOUSEWHEEL));
}

TEST_F(WindowModel, MouseEnterAndLeaveFollowTheMouse)
{
    Show();
    std::vector<std::string> seen;
    a->OnMouseEnter = [&](TObject*) { seen.push_back("enter a"); };
    a->OnMouseLeave = [&](TObject*) { seen.push_back("leave a"); };
    b->OnMouseEnter = [&](TObject*) { seen.push_back("enter b"); };
    Input::MouseMove(a, 5, 5);
    Input::MouseMove(a, 6, 5);
    Input::MouseMove(b, 5, 5);
    EXPECT_EQ(seen, (std::vector<std::string>{"enter a", "leave a", "enter b"}));
}

TEST_F(WindowModel, CursorComesFromTheControlUnderTheMouse)
{
    Show();
    a->SetCursor(crHandPoint);
    Input::MouseMove(a, 5, 5);
    EXPECT_EQ(GetCursor(), Screen->Cursors(crHandPoint));
    Input::MouseMove(b, 5, 5);
    EXPECT_EQ(GetCursor(), Screen->Cursors(crArrow));
    EXPECT_NE(Screen->Cursors(crIBeam), Screen->Cursors(crArrow));
    EXPECT_NE(Screen->Cursors(crHSplit), nullptr);
    EXPECT_NE(Screen->Cursors(crNoDrop), nullptr);
    // A cursor drawn here from two bitmaps.
    TBitmap colour, mask;
    colour.SetSize(16, 16);
    mask.SetSize(16, 16);
    HCURSOR own = CreateCursorFromBitmaps(colour.Handle(), mask.Handle(), 3, 4);
    ASSERT_NE(own, nullptr);
    RegisterResourceCursor("PMRIGHTARROW", own);
    EXPECT_EQ(LoadCursor(nullptr, "PMRIGHTARROW"), own);
    Screen->SetCursors(1, own);
    a->SetCursor(1);
    Input::MouseMove(a, 6, 6);
    EXPECT_EQ(GetCursor(), own);
}

TEST_F(WindowModel, PaintingGoesThroughTheUpdateRegion)
{
    Show();
    uitest::Pump();
    a->Paints = 0;
    TRect r{10, 5, 30, 20};
    InvalidateRect(a->Handle(), &r, FALSE);
    InvalidateRect(a->Handle(), &r, FALSE);
    TRect u;
    EXPECT_TRUE(GetUpdateRect(a->Handle(), &u, FALSE));
    EXPECT_EQ(u, r);
    UpdateWindow(a->Handle());
    EXPECT_EQ(a->Paints, 1);
    EXPECT_EQ(a->LastPaintRect, r);
    EXPECT_FALSE(GetUpdateRect(a->Handle(), &u, FALSE));
    UpdateWindow(a->Handle());
    EXPECT_EQ(a->Paints, 1);
    // The paint lands in the window's image; the rest keeps what it had.
    a->Fill = clRed;
    TRect small{0, 0, 5, 5};
    InvalidateRect(a->Handle(), &small, FALSE);
    uitest::Pump();
    HDC dc = GetDC(a->Handle());
    EXPECT_EQ(GetPixel(dc, 2, 2), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 6, 6), RGB(255, 255, 255));
    ReleaseDC(a->Handle(), dc);
    // Invalidate and Repaint paint the whole client area.
    a->Repaint();
    EXPECT_EQ(a->LastPaintRect, a->ClientRect());
}

TEST_F(WindowModel, ImmediateDrawingThroughAControlCanvas)
{
    auto* pb = new TPaintBox(form);
    pb->SetParent(form);
    pb->SetBounds(20, 100, 40, 30);
    Show();
    pb->Canvas()->Brush()->SetColor(clBlue);
    pb->Canvas()->FillRect(Rect(0, 0, 100, 100));  // clipped to the paint box
    HDC dc = GetDC(form->Handle());
    EXPECT_EQ(GetPixel(dc, 20, 100), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dc, 59, 129), RGB(0, 0, 255));
    EXPECT_NE(GetPixel(dc, 60, 100), RGB(0, 0, 255));
    EXPECT_NE(GetPixel(dc, 19, 100), RGB(0, 0, 255));
    ReleaseDC(form->Handle(), dc);
}

TEST_F(WindowModel, ScrollWindowMovesPixelsAndInvalidatesTheUncovered)
{
    Show();
    uitest::Pump();
    HDC dc = GetDC(a->Handle());
    SetPixel(dc, 10, 30, RGB(0, 0, 255));
    ReleaseDC(a->Handle(), dc);
    ScrollWindow(a->Handle(), 0, -20, nullptr, nullptr);
    TRect u;
    ASSERT_TRUE(GetUpdateRect(a->Handle(), &u, FALSE));
    EXPECT_EQ(u, (TRect{0, 30, 100, 50}));
    dc = GetDC(a->Handle());
    EXPECT_EQ(GetPixel(dc, 10, 10), RGB(0, 0, 255));
    ReleaseDC(a->Handle(), dc);
    a->Paints = 0;
    uitest::Pump();
    EXPECT_EQ(a->Paints, 1);
    EXPECT_EQ(a->LastPaintRect, (TRect{0, 30, 100, 50}));
}

TEST_F(WindowModel, ScrollBarsHideWhenThePageCoversTheRange)
{
    // A control with a border and a vertical bar.
    class TScroller : public TProbe {
    public:
        using TProbe::TProbe;
        std::vector<std::pair<int, int>> Scrolls;
        void CreateParams(TCreateParams& p) override
        {
            TProbe::CreateParams(p);
            p.Style |= WS_VSCROLL;
            p.ExStyle |= WS_EX_CLIENTEDGE;
        }
        void Dispatch(TMessage& m) override
        {
            if (m.Msg == WM_VSCROLL)
                Scrolls.push_back({int(LOWORD(m.WParam)), int(SHORT(HIWORD(m.WParam)))});
            TProbe::Dispatch(m);
        }
    };
    auto* s = new TScroller(form);
    s->SetParent(form);
    s->SetBounds(10, 70, 120, 100);
    Show();
    EXPECT_EQ(s->ClientRect(), (TRect{0, 0, 120 - 4 - 16, 96}));
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = 49;
    si.nPage = 50;
    s->Messages.clear();
    SetScrollInfo(s->Handle(), SB_VERT, &si, TRUE);
    EXPECT_EQ(s->ClientRect(), (TRect{0, 0, 116, 96}));
    EXPECT_TRUE(s->Count(WM_SIZE));
    si.nMax = 199;
    si.nPage = 50;
    si.nPos = 500;  // clamped to max - page + 1
    SetScrollInfo(s->Handle(), SB_VERT, &si, TRUE);
    EXPECT_EQ(s->ClientRect().Right, 100);
    SCROLLINFO got;
    got.fMask = SIF_ALL;
    GetScrollInfo(s->Handle(), SB_VERT, &got);
    EXPECT_EQ(got.nPos, 150);
    EXPECT_EQ(got.nPage, 50u);
    EXPECT_EQ(GetScrollPos(s->Handle(), SB_VERT), 150);
    // Without the bar's range, DISABLENOSCROLL keeps it, disabled.
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL;
    si.nMax = 10;
    si.nPage = 50;
    SetScrollInfo(s->Handle(), SB_VERT, &si, TRUE);
    EXPECT_EQ(s->ClientRect().Right, 100);

    // Clicks on the bar: arrows step by lines, the track by pages, the thumb tracks.
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMax = 199;
    si.nPage = 50;
    si.nPos = 0;
    SetScrollInfo(s->Handle(), SB_VERT, &si, TRUE);
    s->Scrolls.clear();
    // The bar sits in the window's frame: at client x 100..115 (screen-relative via the control).
    Input::Click(s, 107, 90);  // bottom arrow
    Input::AdvanceTime(1000);
    Input::Click(s, 107, 5);   // top arrow
    Input::AdvanceTime(1000);
    Input::Click(s, 107, 70);  // track below the thumb
    ASSERT_GE(s->Scrolls.size(), 6u);
    EXPECT_EQ(s->Scrolls[0].first, SB_LINEDOWN);
    EXPECT_EQ(s->Scrolls[1].first, SB_ENDSCROLL);
    EXPECT_EQ(s->Scrolls[2].first, SB_LINEUP);
    EXPECT_EQ(s->Scrolls[4].first, SB_PAGEDOWN);
    s->Scrolls.clear();
    Input::AdvanceTime(1000);
    Input::Drag(s, 107, 25, 107, 60);  // the thumb, from its top part downwards
    ASSERT_GE(s->Scrolls.size(), 3u);
    EXPECT_EQ(s->Scrolls.front().first, SB_THUMBTRACK);
    EXPECT_GT(s->Scrolls.front().second, 0);
    EXPECT_EQ(s->Scrolls[s->Scrolls.size() - 2].first, SB_THUMBPOSITION);
    EXPECT_EQ(s->Scrolls.back().first, SB_ENDSCROLL);
    int finalPos = s->Scrolls[s->Scrolls.size() - 2].second;
    EXPECT_GT(finalPos, 50);
    EXPECT_LE(finalPos, 150);
}

// A control that keeps a frame of its own around the client area and paints it itself.
class TFramed : public TProbe {
public:
    using TProbe::TProbe;
    int Margin = 5;
    void Dispatch(TMessage& m) override
    {
        if (m.Msg == WM_NCCALCSIZE) {
            TProbe::Dispatch(m);
            RECT* r = reinterpret_cast<RECT*>(m.LParam);
            InflateRect(*r, -Margin, -Margin);
            m.Result = WVR_REDRAW;
            return;
        }
        if (m.Msg == WM_NCPAINT) {
            HDC dc = GetWindowDC(Handle());
            RECT all{0, 0, Width(), Height()};
            HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
            ExcludeClipRect(dc, Margin, Margin, Width() - Margin, Height() - Margin);
            FillRect(dc, &all, red);
            DeleteObject(red);
            ReleaseDC(Handle(), dc);
            return;
        }
        TProbe::Dispatch(m);
    }
};

TEST_F(WindowModel, ControlsCanKeepAFrameOfTheirOwn)
{
    auto* f = new TFramed(form);
    f->SetParent(form);
    f->SetBounds(10, 70, 60, 40);
    Show();
    EXPECT_EQ(f->ClientRect(), (TRect{0, 0, 50, 30}));
    EXPECT_EQ(f->ClientToScreen({0, 0}), form->ClientToScreen({15, 75}));
    uitest::Pump();
    HDC wdc = GetWindowDC(f->Handle());
    EXPECT_EQ(GetPixel(wdc, 1, 1), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(wdc, 10, 10), RGB(255, 255, 255));
    ReleaseDC(f->Handle(), wdc);
    // A changed frame is asked for again when the frame is said to have changed.
    f->Margin = 2;
    f->Messages.clear();
    SetWindowPos(f->Handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    EXPECT_EQ(f->ClientRect(), (TRect{0, 0, 56, 36}));
    EXPECT_TRUE(f->Count(WM_SIZE));
    // Clicks in the frame are not client clicks.
    f->Events.clear();
    Input::Click(form, 11, 71);
    EXPECT_TRUE(f->Events.empty());
    EXPECT_TRUE(f->Count(WM_NCLBUTTONDOWN));
}

TEST_F(WindowModel, HeldScrollArrowsRepeat)
{
    class TScroller : public TProbe {
    public:
        using TProbe::TProbe;
        int Downs = 0;
        void CreateParams(TCreateParams& p) override
        {
            TProbe::CreateParams(p);
            p.Style |= WS_VSCROLL;
        }
        void Dispatch(TMessage& m) override
        {
            if (m.Msg == WM_VSCROLL && LOWORD(m.WParam) == SB_LINEDOWN)
                ++Downs;
            TProbe::Dispatch(m);
        }
    };
    auto* s = new TScroller(form);
    s->SetParent(form);
    s->SetBounds(10, 70, 100, 100);
    Show();
    Input::MouseDown(s, mbLeft, 90, 95);  // on the bottom arrow (client ends at x 84)
    ASSERT_TRUE(uitest::PumpUntil([&] { return s->Downs >= 4; }, 3000));
    Input::MouseUp(s, mbLeft, 90, 95);
    int after = s->Downs;
    uitest::Pump(150);
    EXPECT_EQ(s->Downs, after);  // released: no more
}

TEST_F(WindowModel, CaretBelongsToOneWindowAndSurvivesBlits)
{
    Show();
    EXPECT_TRUE(CreateCaret(a->Handle(), nullptr, 2, 14));
    SetCaretPos(7, 3);
    ShowCaret(a->Handle());
    POINT p;
    ASSERT_TRUE(GetCaretPos(&p));
    EXPECT_EQ(p, (POINT{7, 3}));
    // The caret is drawn over the image, not into it: drawing there is undisturbed.
    HDC dc = GetDC(a->Handle());
    EXPECT_EQ(GetPixel(dc, 7, 3), RGB(255, 255, 255));
    ReleaseDC(a->Handle(), dc);
    ScrollWindow(a->Handle(), 0, -5, nullptr, nullptr);
    ASSERT_TRUE(GetCaretPos(&p));
    EXPECT_EQ(p, (POINT{7, 3}));
    // Showing in another window fails; a new caret replaces the old.
    EXPECT_FALSE(ShowCaret(b->Handle()));
    CreateCaret(b->Handle(), nullptr, 1, 10);
    EXPECT_FALSE(HideCaret(a->Handle()));
    EXPECT_TRUE(DestroyCaret());
    EXPECT_FALSE(GetCaretPos(&p));
}

TEST_F(WindowModel, RecreatingAWindowKeepsTheControl)
{
    Show();
    HWND old = a->Handle();
    a->SetText("abc");
    a->RecreateWnd();
    EXPECT_NE(a->Handle(), old);
    EXPECT_FALSE(IsWindow(old));
    EXPECT_EQ(a->BoundsRect(), Bounds(10, 10, 100, 50));
    char buf[16];
    EXPECT_EQ(GetWindowText(a->Handle(), buf, sizeof buf), 3);
    EXPECT_STREQ(buf, "abc");
}

TEST_F(WindowModel, VisibilityAndParentsFollowTheControls)
{
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(0, 100, 200, 80);
    auto* inner = new TProbe(form);
    inner->SetParent(panel);
    inner->SetBounds(5, 5, 20, 20);
    Show();
    EXPECT_TRUE(inner->Showing());
    EXPECT_TRUE(IsWindowVisible(inner->Handle()));
    panel->Hide();
    EXPECT_FALSE(inner->Showing());
    EXPECT_FALSE(IsWindowVisible(inner->Handle()));
    panel->Show();
    // Screen coordinates go through every parent's client area.
    TPoint sp = inner->ClientToScreen({1, 2});
    EXPECT_EQ(sp, (TPoint{form->ClientOrigin().X + 5 + 1, form->ClientOrigin().Y + 100 + 5 + 2}));
    EXPECT_EQ(inner->ScreenToClient(sp), (TPoint{1, 2}));
    // Moving a windowed control between parents keeps it working.
    inner->SetParent(form);
    EXPECT_EQ(GetParent(inner->Handle()), form->Handle());
    EXPECT_EQ(panel->ControlCount(), 0);
    EXPECT_EQ(WindowFromPoint(inner->ClientToScreen({2, 2})), inner->Handle());
    delete inner;
    EXPECT_EQ(form->ControlCount(), 3);
}

TEST_F(WindowModel, ParentColourAndFontFlowToChildren)
{
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    auto* label = new TLabel(form);
    label->SetParent(panel);
    EXPECT_EQ(label->Color(), clBtnFace);
    panel->SetColor(clYellow);
    EXPECT_EQ(label->Color(), clYellow);
    label->SetColor(clRed);
    panel->SetColor(clAqua);
    EXPECT_EQ(label->Color(), clRed);  // no longer the parent's
    label->SetParentColor(true);
    EXPECT_EQ(label->Color(), clAqua);
    panel->Font()->SetHeight(-20);
    EXPECT_EQ(label->Font()->Height(), -20);
    EXPECT_TRUE(label->ParentFont());
    label->Font()->SetStyle(FontStyle(fsBold));
    EXPECT_FALSE(label->ParentFont());
    panel->Font()->SetHeight(-9);
    EXPECT_EQ(label->Font()->Height(), -20);
}

TEST_F(WindowModel, ModalFormsEndWithTheirModalResult)
{
    Show();
    auto* dlg = new TForm(form);
    dlg->AfterConstruction();
    dlg->SetBorderStyle(bsDialog);
    auto* ok = new TButton(dlg);
    ok->SetParent(dlg);
    ok->SetCaption("OK");
    ok->ModalResult = mrOk;
    bool mainDisabled = false;
    SetModalHook([&](TObject* d, int&) {
        SetModalHook(nullptr);
        EXPECT_EQ(d, dlg);
        mainDisabled = !IsWindowEnabled(form->Handle());
        Input::Click(ok, 5, 5);
        return false;  // let the form run; the click ends it
    });
    EXPECT_EQ(dlg->ShowModal(), mrOk);
    EXPECT_TRUE(mainDisabled);
    EXPECT_TRUE(IsWindowEnabled(form->Handle()));
    EXPECT_FALSE(dlg->Visible());
    // A form that refuses to close stays up until it agrees.
    int asks = 0;
    dlg->OnCloseQuery = [&](TObject*, bool& can) { can = ++asks > 1; };
    uitest::AnswerNextDialog([&](TObject*) { return mrCancel; });
    EXPECT_EQ(dlg->ShowModal(), mrCancel);
    EXPECT_EQ(asks, 0);  // the hook's answer ends it without asking
    // The first OK is refused by OnCloseQuery; the form stays until the second.
    TTimer t(nullptr);
    t.SetInterval(20);
    t.OnTimer = [&](TObject*) {
        if (dlg->Modal())
            Input::Click(ok, 5, 5);
    };
    EXPECT_EQ(dlg->ShowModal(), mrOk);
    EXPECT_EQ(asks, 2);
}

TEST_F(WindowModel, ClosingTheFormAsksAndHides)
{
    Show();
    std::vector<std::string> seen;
    form->OnCloseQuery = [&](TObject*, bool& can) {
        seen.push_back("query");
        can = seen.size() > 1;
    };
    form->OnClose = [&](TObject*, TCloseAction& act) {
        seen.push_back("close");
        act = caHide;
    };
    SendMessage(form->Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(form->Visible());
    form->Close();
    EXPECT_FALSE(form->Visible());
    EXPECT_EQ(seen, (std::vector<std::string>{"query", "query", "close"}));
}

// Each of the form's own events may free it, through the path that raises it: closing (as the
// window manager asks), showing, hiding, and another form taking the activation.
TEST(FormEvents, EachMayFreeTheForm)
{
    Application->Initialize();
    const std::vector<std::string> events = {"OnCloseQuery", "OnClose", "OnHide", "OnShow", "OnActivate", "OnDeactivate"};
    for (const std::string& event : events) {
        SCOPED_TRACE(event);
        auto* form = new TForm(nullptr);
        form->SetBounds(100, 100, 300, 200);
        form->AfterConstruction();
        auto* edit = new TEdit(form);
        edit->SetParent(form);
        edit->SetBounds(10, 10, 100, 22);
        TGuardPtr<TForm> alive(form);
        const auto freeIt = [form] { delete form; };
        if (event != "OnShow" && event != "OnActivate")
            form->Show();
        uitest::Pump();
        std::unique_ptr<TForm> other;
        if (event == "OnCloseQuery") form->OnCloseQuery = [&](TObject*, bool&) { freeIt(); };
        if (event == "OnClose") form->OnClose = [&](TObject*, TCloseAction&) { freeIt(); };
        if (event == "OnHide") form->OnHide = [&](TObject*) { freeIt(); };
        if (event == "OnShow") form->OnShow = [&](TObject*) { freeIt(); };
        if (event == "OnActivate") form->OnActivate = [&](TObject*) { freeIt(); };
        if (event == "OnDeactivate") form->OnDeactivate = [&](TObject*) { freeIt(); };
        if (event == "OnShow" || event == "OnActivate") {
            form->Show();
        } else if (event == "OnDeactivate") {
            other = std::make_unique<TForm>(nullptr);
            other->AfterConstruction();
            other->Show();
        } else if (event == "OnHide") {
            form->Hide();
        } else {
            SendMessage(form->Handle(), WM_CLOSE, 0, 0);
        }
        uitest::Pump();
        EXPECT_FALSE(alive);
        if (alive) delete form;
    }
}

}  // namespace

TEST_F(WindowModel, AControlThatSizesItselfWhileItsWindowIsSizedKeepsItsOwnSize)
{
    form->HandleNeeded();
    a->OnResize = [this](TObject*) {
        if (a->Height() < 30)
            a->SetHeight(30);
    };
    a->SetBounds(10, 10, 100, 12);
    EXPECT_EQ(a->Height(), 30);
    TRect r;
    GetWindowRect(a->Handle(), &r);
    EXPECT_EQ(r.Height(), 30);
}
