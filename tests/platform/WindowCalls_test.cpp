// Window calls the controls build on: subclassing, redraw switching, update regions, window
// contexts limited by a region, leaving and hovering, sideways wheels, non-activating popups,
// scroll-bar controls and per-character text measuring.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Forms.h"
#include "platform/Input.h"
#include "tests/support/UiTest.h"

namespace {

class TRecorder : public TCustomControl {
public:
    explicit TRecorder(TComponent* AOwner) : TCustomControl(AOwner) { SetColor(clWhite); }
    std::vector<UINT> Messages;
    std::vector<std::pair<UINT, WPARAM>> Params;
    int Paints = 0;
    LRESULT MouseActivate = 0;  // 0: the default answer
    SCROLLINFO Bar;
    LPARAM HoverAt = -1;
    int Times(UINT m) const { return int(std::count(Messages.begin(), Messages.end(), m)); }
    void WndProc(TMessage& Message) override
    {
        Messages.push_back(Message.Msg);
        Params.emplace_back(Message.Msg, Message.WParam);
        if (Message.Msg == WM_MOUSEHOVER)
            HoverAt = Message.LParam;
        if (Message.Msg == WM_USER + 7) {
            Message.Result = LRESULT(Message.WParam * 2);
            return;
        }
        if (Message.Msg == WM_MOUSEACTIVATE && MouseActivate) {
            Message.Result = MouseActivate;
            return;
        }
        if (Message.Msg == SBM_SETSCROLLINFO) {
            auto* si = reinterpret_cast<const SCROLLINFO*>(Message.LParam);
            if (si->fMask & SIF_RANGE) {
                Bar.nMin = si->nMin;
                Bar.nMax = si->nMax;
            }
            if (si->fMask & SIF_POS)
                Bar.nPos = si->nPos;
            Message.Result = Bar.nPos;
            return;
        }
        if (Message.Msg == SBM_GETSCROLLINFO) {
            auto* si = reinterpret_cast<SCROLLINFO*>(Message.LParam);
            si->nMin = Bar.nMin;
            si->nMax = Bar.nMax;
            si->nPos = Bar.nPos;
            Message.Result = TRUE;
            return;
        }
        TCustomControl::WndProc(Message);
    }

protected:
    void Paint() override
    {
        ++Paints;
        Canvas()->Brush()->SetColor(clWhite);
        Canvas()->FillRect(ClientRect());
    }
};

class WindowCalls : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->Initialize();
        form = new TForm(nullptr);
        form->SetBounds(100, 100, 300, 200);
        form->AfterConstruction();
        a = new TRecorder(form);
        a->SetParent(form);
        a->SetBounds(10, 10, 100, 50);
        b = new TRecorder(form);
        b->SetParent(form);
        b->SetBounds(150, 10, 100, 50);
        form->Show();
        uitest::Pump();
    }
    void TearDown() override
    {
        delete form;
        ReleaseCapture();
        uitest::Pump();
    }
    TForm* form = nullptr;
    TRecorder* a = nullptr;
    TRecorder* b = nullptr;
};

WNDPROC gOldProc = nullptr;
int gSeen = 0;
LRESULT CALLBACK_Subclass(HWND h, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_USER + 7) {
        ++gSeen;
        return CallWindowProc(gOldProc, h, msg, wParam + 1, lParam);
    }
    return CallWindowProc(gOldProc, h, msg, wParam, lParam);
}

TEST_F(WindowCalls, SubclassingPutsAProcedureInFrontAndHandsOn)
{
    HWND h = a->Handle();
    gSeen = 0;
    gOldProc = reinterpret_cast<WNDPROC>(GetWindowLongPtr(h, GWLP_WNDPROC));
    ASSERT_NE(gOldProc, nullptr);
    EXPECT_EQ(SetWindowLongPtr(h, GWLP_WNDPROC, reinterpret_cast<std::intptr_t>(&CALLBACK_Subclass)),
              reinterpret_cast<std::intptr_t>(gOldProc));
    EXPECT_EQ(GetWindowLongPtr(h, GWLP_WNDPROC), reinterpret_cast<std::intptr_t>(&CALLBACK_Subclass));
    EXPECT_EQ(SendMessage(h, WM_USER + 7, 20, 0), 42);  // seen first, handed on changed
    EXPECT_EQ(SetWindowLongPtr(h, GWLP_WNDPROC, 0), 0) << "no procedure is refused";
    EXPECT_EQ(GetWindowLongPtr(h, GWLP_WNDPROC), reinterpret_cast<std::intptr_t>(&CALLBACK_Subclass));
    PostMessage(h, WM_USER + 7, 1, 0);
    uitest::Pump();
    EXPECT_EQ(gSeen, 2);
    // Put back, the control alone answers again.
    SetWindowLongPtr(h, GWLP_WNDPROC, reinterpret_cast<std::intptr_t>(gOldProc));
    EXPECT_EQ(SendMessage(h, WM_USER + 7, 20, 0), 40);
    EXPECT_EQ(gSeen, 2);
}

TEST_F(WindowCalls, RedrawOffKeepsTheUpdateRegionUnpaintedUntilOn)
{
    HWND h = a->Handle();
    SendMessage(h, WM_SETREDRAW, FALSE, 0);
    a->Paints = 0;
    a->Messages.clear();
    RECT r1{0, 0, 10, 10}, r2{50, 20, 60, 40};
    InvalidateRect(h, &r1, TRUE);
    InvalidateRect(h, &r2, TRUE);
    UpdateWindow(h);
    uitest::Pump();
    EXPECT_EQ(a->Paints, 0);
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetUpdateRgn(h, rgn, FALSE), COMPLEXREGION);
    EXPECT_TRUE(PtInRegion(rgn, 55, 30));
    EXPECT_FALSE(PtInRegion(rgn, 30, 30));
    EXPECT_EQ(a->Times(WM_ERASEBKGND), 0);
    EXPECT_EQ(GetUpdateRgn(h, rgn, TRUE), COMPLEXREGION);
    EXPECT_EQ(a->Times(WM_ERASEBKGND), 1);
    SendMessage(h, WM_SETREDRAW, TRUE, 0);
    uitest::Pump();
    EXPECT_EQ(a->Paints, 1);
    EXPECT_EQ(GetUpdateRgn(h, rgn, FALSE), NULLREGION);
    EXPECT_EQ(GetUpdateRgn(h, nullptr, FALSE), ERROR);
    DeleteObject(rgn);
}

TEST_F(WindowCalls, AWindowContextLimitedByAScreenRegion)
{
    HWND h = a->Handle();
    RECT wr;
    GetWindowRect(h, &wr);
    // The region covers the window's top-left 5 x 5 pixels on the screen, frame included.
    HRGN rgn = CreateRectRgn(wr.Left, wr.Top, wr.Left + 5, wr.Top + 5);
    HDC dc = GetDCEx(h, rgn, DCX_WINDOW | DCX_INTERSECTRGN);
    EXPECT_EQ(GetObjectType(rgn), 0u);  // the context took the region over
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT all{0, 0, 100, 50};
    FillRect(dc, &all, red);
    ReleaseDC(h, dc);
    DeleteObject(red);
    dc = GetWindowDC(h);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 4, 4), RGB(255, 0, 0));
    EXPECT_NE(GetPixel(dc, 5, 4), RGB(255, 0, 0));
    EXPECT_NE(GetPixel(dc, 20, 20), RGB(255, 0, 0));
    ReleaseDC(h, dc);
    // Excluding instead: everything but that corner.
    rgn = CreateRectRgn(wr.Left, wr.Top, wr.Left + 5, wr.Top + 5);
    dc = GetDCEx(h, rgn, DCX_EXCLUDERGN);
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    FillRect(dc, &all, blue);
    EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID);  // outside its clip
    ReleaseDC(h, dc);
    DeleteObject(blue);
    dc = GetDC(h);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 20, 20), RGB(0, 0, 255));
    ReleaseDC(h, dc);
}

TEST_F(WindowCalls, LeavingIsToldOnceToTheWindowThatAsked)
{
    Input::MouseMove(a, 20, 20);
    TRACKMOUSEEVENT t;
    t.dwFlags = TME_LEAVE;
    t.hwndTrack = a->Handle();
    ASSERT_TRUE(TrackMouseEvent(&t));
    TRACKMOUSEEVENT q;
    q.dwFlags = TME_QUERY;
    ASSERT_TRUE(TrackMouseEvent(&q));
    EXPECT_EQ(q.hwndTrack, a->Handle());
    EXPECT_EQ(q.dwFlags, TME_LEAVE);
    Input::MouseMove(a, 30, 20);
    uitest::Pump();
    EXPECT_EQ(a->Times(WM_MOUSELEAVE), 0);
    Input::MouseMove(b, 10, 10);
    Input::MouseMove(b, 12, 10);
    uitest::Pump();
    EXPECT_EQ(a->Times(WM_MOUSELEAVE), 1);
    EXPECT_EQ(b->Times(WM_MOUSELEAVE), 0);
    // Asked while the mouse is elsewhere: told at once. Cancelled: never told.
    ASSERT_TRUE(TrackMouseEvent(&t));
    uitest::Pump();
    EXPECT_EQ(a->Times(WM_MOUSELEAVE), 2);
    t.hwndTrack = b->Handle();
    ASSERT_TRUE(TrackMouseEvent(&t));
    t.dwFlags = TME_LEAVE | TME_CANCEL;
    ASSERT_TRUE(TrackMouseEvent(&t));
    Input::MouseMove(a, 20, 20);
    uitest::Pump();
    EXPECT_EQ(b->Times(WM_MOUSELEAVE), 0);
}

TEST_F(WindowCalls, HoveringIsToldAfterTheMouseRests)
{
    Input::MouseMove(a, 20, 20);
    TRACKMOUSEEVENT t;
    t.dwFlags = TME_HOVER;
    t.hwndTrack = a->Handle();
    t.dwHoverTime = 30;
    ASSERT_TRUE(TrackMouseEvent(&t));
    EXPECT_TRUE(uitest::PumpUntil([&] { return a->Times(WM_MOUSEHOVER) == 1; }, 2000));
    uitest::Pump(60);
    EXPECT_EQ(a->Times(WM_MOUSEHOVER), 1);  // once per request
    EXPECT_EQ(a->HoverAt, MAKELPARAM(20, 20));
    // Cancelling the hover alone keeps the leaving asked for, and the other way round.
    t.dwFlags = TME_HOVER | TME_LEAVE;
    ASSERT_TRUE(TrackMouseEvent(&t));
    t.dwFlags = TME_HOVER | TME_CANCEL;
    ASSERT_TRUE(TrackMouseEvent(&t));
    TRACKMOUSEEVENT q;
    q.dwFlags = TME_QUERY;
    ASSERT_TRUE(TrackMouseEvent(&q));
    EXPECT_EQ(q.dwFlags, TME_LEAVE);
    uitest::Pump(60);
    EXPECT_EQ(a->Times(WM_MOUSEHOVER), 1);
    Input::MouseMove(b, 10, 10);
    uitest::Pump();
    EXPECT_EQ(a->Times(WM_MOUSELEAVE), 1);
    Input::MouseMove(a, 20, 20);
    t.dwFlags = TME_HOVER | TME_LEAVE;
    t.dwHoverTime = HOVER_DEFAULT;
    ASSERT_TRUE(TrackMouseEvent(&t));
    t.dwFlags = TME_LEAVE | TME_CANCEL;
    ASSERT_TRUE(TrackMouseEvent(&t));
    q.dwFlags = TME_QUERY;
    ASSERT_TRUE(TrackMouseEvent(&q));
    EXPECT_EQ(q.dwHoverTime, 400u) << "the system's hover time";
    EXPECT_TRUE(uitest::PumpUntil([&] { return a->Times(WM_MOUSEHOVER) == 2; }, 2000));
    // Nothing asked for any more: nothing is tracked.
    q.dwFlags = TME_QUERY;
    ASSERT_TRUE(TrackMouseEvent(&q));
    EXPECT_EQ(q.dwFlags, 0u);
    EXPECT_EQ(q.hwndTrack, nullptr);
    EXPECT_EQ(q.dwHoverTime, 400u);
}

TEST_F(WindowCalls, WheelsTurnThroughTheToolkit)
{
    a->SetFocus();
    a->Params.clear();
    Input::Wheel(a, -120, 20, 20);
    Input::HorizontalWheel(a, 240, 20, 20);
    auto find = [&](UINT m) {
        for (auto& p : a->Params)
            if (p.first == m)
                return short(HIWORD(p.second));
        return short(0);
    };
    EXPECT_EQ(find(WM_MOUSEWHEEL), -120);
    EXPECT_EQ(find(WM_MOUSEHWHEEL), 240);
}

TEST_F(WindowCalls, ClicksActivateUnlessTheWindowSaysNo)
{
    // A control may keep its click from activating the form and may swallow it.
    auto* other = new TForm(nullptr);
    other->SetBounds(500, 100, 100, 100);
    other->AfterConstruction();
    other->Show();
    other->SetFocus();
    uitest::Pump();
    ASSERT_EQ(GetActiveWindow(), other->Handle());
    a->MouseActivate = MA_NOACTIVATEANDEAT;
    Input::Click(a, 5, 5);
    EXPECT_EQ(GetActiveWindow(), other->Handle());
    EXPECT_EQ(a->Times(WM_LBUTTONDOWN), 0);
    a->MouseActivate = MA_ACTIVATE;
    Input::Click(a, 5, 5);
    EXPECT_EQ(GetActiveWindow(), form->Handle());
    EXPECT_EQ(a->Times(WM_LBUTTONDOWN), 1);
    delete other;
}

// A frameless popup that clicks never activate, as hint windows and drop-down lists are.
class TPopup : public TCustomControl {
public:
    explicit TPopup(TComponent* AOwner) : TCustomControl(AOwner) {}
    int Clicks = 0;

protected:
    void CreateParams(TCreateParams& Params) override
    {
        TCustomControl::CreateParams(Params);
        Params.Style = WS_POPUP | WS_BORDER;
        Params.ExStyle |= WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
        Params.WndParent = nullptr;
    }
    void MouseDown(TMouseButton, TShiftState, int, int) override { ++Clicks; }
    void Paint() override {}
};

TEST_F(WindowCalls, NonActivatingPopupsTakeClicksWithoutTheFocus)
{
    form->SetFocus();
    uitest::Pump();
    auto* pop = new TPopup(form);
    pop->SetBounds(120, 300, 80, 40);
    pop->HandleNeeded();
    ShowWindow(pop->Handle(), SW_SHOWNOACTIVATE);
    uitest::Pump();
    EXPECT_EQ(GetParent(pop->Handle()), nullptr);
    Input::Click(pop, 10, 10);
    EXPECT_EQ(pop->Clicks, 1);
    EXPECT_EQ(GetActiveWindow(), form->Handle());
    delete pop;
}

TEST_F(WindowCalls, ScrollBarControlsAnswerForThemselves)
{
    // Each bar keeps its own range and position; the control's is asked of the control itself.
    const int bars[] = {SB_HORZ, SB_VERT, SB_CTL};
    for (int i = 0; i < 3; ++i) {
        SCROLLINFO si;
        si.fMask = SIF_RANGE | SIF_POS;
        si.nMin = i;
        si.nMax = 50 + i;
        si.nPos = 7 + i;
        EXPECT_EQ(SetScrollInfo(a->Handle(), bars[i], &si, TRUE), 7 + i) << bars[i];
    }
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(GetScrollPos(a->Handle(), bars[i]), 7 + i) << bars[i];
        EXPECT_EQ(SetScrollPos(a->Handle(), bars[i], 20 + i, TRUE), 7 + i) << bars[i];
        int mn = -1, mx = -1;
        ASSERT_TRUE(GetScrollRange(a->Handle(), bars[i], &mn, &mx));
        EXPECT_EQ(mn, i);
        EXPECT_EQ(mx, 50 + i);
    }
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(GetScrollPos(a->Handle(), bars[i]), 20 + i) << bars[i];
    EXPECT_EQ(a->Bar.nPos, 22);
    EXPECT_EQ(SetScrollPos(a->Handle(), 7, 1, TRUE), 0) << "no such bar";
}

TEST_F(WindowCalls, TextMeasuresCharacterByCharacter)
{
    HDC dc = GetDC(a->Handle());
    const char* text = "Wim\xE9 1";
    int n = int(std::strlen(text));
    std::vector<int> dx(static_cast<size_t>(n));
    int fit = -1;
    SIZE whole, ex;
    GetTextExtentPoint32(dc, text, n, &whole);
    ASSERT_TRUE(GetTextExtentExPoint(dc, text, n, 1000, &fit, dx.data(), &ex));
    EXPECT_EQ(fit, n);
    EXPECT_EQ(ex.cx, whole.cx);
    EXPECT_EQ(dx.back(), whole.cx);
    for (int i = 0; i < n; ++i) {
        SIZE part;
        GetTextExtentPoint32(dc, text, i + 1, &part);
        EXPECT_EQ(dx[size_t(i)], part.cx) << i;
    }
    ASSERT_TRUE(GetTextExtentExPoint(dc, text, n, dx[2], &fit, nullptr, nullptr));
    EXPECT_EQ(fit, 3);
    ASSERT_TRUE(GetTextExtentExPoint(dc, text, n, dx[2] - 1, &fit, nullptr, nullptr));
    EXPECT_EQ(fit, 2);
    ASSERT_TRUE(GetTextExtentExPoint(dc, nullptr, 0, 10, &fit, nullptr, &ex)) << "no text measures as nothing";
    EXPECT_EQ(fit, 0);
    EXPECT_EQ(ex.cx, 0);
    int widths[4];
    ASSERT_TRUE(GetCharWidth32(dc, 'W', 'Z', widths));
    SIZE w1;
    GetTextExtentPoint32(dc, "W", 1, &w1);
    EXPECT_EQ(widths[0], w1.cx);
    ABC abc[3];
    ASSERT_TRUE(GetCharABCWidths(dc, ' ', '!', abc));
    int space;
    GetCharWidth(dc, ' ', ' ', &space);
    EXPECT_EQ(abc[0].abcA + int(abc[0].abcB) + abc[0].abcC, space);
    EXPECT_GT(abc[1].abcB, 0u);  // '!' has ink
    EXPECT_FALSE(GetCharWidth(dc, 'Z', 'A', widths));
    ReleaseDC(a->Handle(), dc);
}

}  // namespace
