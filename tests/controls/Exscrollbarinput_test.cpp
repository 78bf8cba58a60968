// The scroll bar driven as a user drives it, through the toolkit's own mouse, wheel and key events:
// what each part proposes, thumb drags, held parts repeating at the system's rate, the track hint,
// and handlers that free the bar or take the mouse away.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>
#include <unistd.h>

#include "controls/Exhintwnd.h"
#include "controls/Exscrollbar.h"
#include "ctlbase/Exvclutils.h"
#include "platform/ExtCtrls.h"
#include "platform/Guard.h"
#include "platform/Input.h"
#include "tests/support/UiTest.h"
#include "tests/support/X11Session.h"

namespace {

struct Told {
    TExScrollCode Code;
    Integer Pos;
    friend bool operator==(const Told&, const Told&) = default;
};

void PrintTo(const Told& T, std::ostream* Os) { *Os << "{" << int(T.Code) << ", " << T.Pos << "}"; }

// A form that logs the scroll messages a dragged thumb sends it.
class TLogForm : public TForm {
public:
    using TForm::TForm;
    std::vector<std::pair<UINT, WPARAM>> Scrolls;
    void Dispatch(TMessage& Message) override
    {
        if (Message.Msg == WM_HSCROLL || Message.Msg == WM_VSCROLL)
            Scrolls.push_back({Message.Msg, Message.WParam});
        TForm::Dispatch(Message);
    }
};

// A horizontal or vertical bar, 200 long, 17 thick with 17-pixel buttons, range 0..99, page 10,
// position 50, on a form; OnScroll logs and answers with Answer.
struct Input_ : ::testing::TestWithParam<TScrollBarKind> {
    TLogForm* Form = new TLogForm(nullptr);
    TExScrollBar* B = new TExScrollBar(Form);
    bool Horz = GetParam() == sbHorizontal;
    std::vector<Told> Log;
    int Changes = 0;
    bool Answer = true;

    Input_()
    {
        Form->SetBounds(100, 100, 400, 400);
        B->SetParent(Form);
        B->SetUseXPThemes(false);
        B->SetUseSystemMetrics(false);
        B->SetKind(GetParam());
        B->SetButtonSize(17);
        if (Horz)
            B->SetBounds(10, 10, 200, 17);
        else
            B->SetBounds(10, 10, 17, 200);
        B->SetMax(99);
        B->SetPosition(50);
        B->SetPage(10);
        B->OnScroll = [this](TObject* Sender, TExScrollCode Code, Integer& Pos, bool& DoChange) {
            EXPECT_EQ(Sender, B);
            EXPECT_TRUE(DoChange);
            Log.push_back({Code, Pos});
            DoChange = Answer;
        };
        B->OnChange = [this](TObject*) { ++Changes; };
        Form->Show();
        uitest::Pump();
    }
    ~Input_() override
    {
        TObject::Free(Form);
        uitest::Pump();
    }
    int X(int Along) const { return Horz ? Along : 8; }
    int Y(int Along) const { return Horz ? 8 : Along; }
    void Down(int Along) { Input::MouseDown(B, mbLeft, X(Along), Y(Along)); }
    void Up(int Along) { Input::MouseUp(B, mbLeft, X(Along), Y(Along)); }
    void Move(int Along, TShiftState Shift = ssLeft) { Input::MouseMove(B, X(Along), Y(Along), Shift); }
    void Click(int Along)
    {
        Move(Along, 0);
        Down(Along);
        Up(Along);
    }
};

std::string KindName(const ::testing::TestParamInfo<TScrollBarKind>& Info)
{
    return Info.param == sbHorizontal ? "Horizontal" : "Vertical";
}

#define BOTH_KINDS(Suite) INSTANTIATE_TEST_SUITE_P(Kinds, Suite, ::testing::Values(sbHorizontal, sbVertical), KindName)

// ---------------------------------------------------------------- clicks

using Clicks = Input_;
BOTH_KINDS(Clicks);

TEST_P(Clicks, EachPartProposesItsStep)
{
    // The thumb lies at 17 + 149 x 50 / 90 = 100 .. 117.
    struct Case {
        int Along;
        TExScrollCode Code;
        Integer Pos;
    };
    const Case cases[] = {
        {8, escLineUp, 49}, {191, escLineDown, 51}, {40, escPageUp, 40}, {170, escPageDown, 60}};
    for (const Case& c : cases) {
        B->SetPosition(50);
        Log.clear();
        Changes = 0;
        Click(c.Along);
        // The step, the move it causes, the end of the scroll; OnChange after the step and the end.
        EXPECT_EQ(Log, (std::vector<Told>{{c.Code, c.Pos}, {escPosition, c.Pos}, {escEndScroll, c.Pos}})) << c.Along;
        EXPECT_EQ(B->Position(), c.Pos);
        EXPECT_EQ(Changes, 2);
        EXPECT_FALSE(B->Pressing());
        EXPECT_EQ(GetCapture(), nullptr);
    }
    // A handler that refuses keeps the position; nothing changes and OnChange stays silent.
    Answer = false;
    B->SetPosition(50);
    Log.clear();
    Changes = 0;
    Click(191);
    EXPECT_EQ(Log, (std::vector<Told>{{escLineDown, 51}, {escEndScroll, 50}}));
    EXPECT_EQ(B->Position(), 50);
    EXPECT_EQ(Changes, 0);
}

TEST_P(Clicks, SecondaryButtonsByKind)
{
    B->SetSecondaryButtons(true);
    // Left secondary 17..34, right secondary 166..183.
    struct Case {
        TExSecButtonsKind Kind;
        int Along;
        TExScrollCode Code;
        Integer Pos;
    };
    const Case cases[] = {
        {sbkOpposite, 25, escLineDown, 51}, {sbkOpposite, 175, escLineUp, 49},
        {sbkPage, 25, escPageUp, 40},       {sbkPage, 175, escPageDown, 60},
        {sbkCustom, 25, escSndLineDown, 50}, {sbkCustom, 175, escSndLineUp, 50},
    };
    for (const Case& c : cases) {
        B->SetSecondBtnKind(c.Kind);
        B->SetPosition(50);
        Log.clear();
        Click(c.Along);
        ASSERT_FALSE(Log.empty());
        EXPECT_EQ(Log.front(), (Told{c.Code, c.Pos})) << int(c.Kind) << " " << c.Along;
        EXPECT_EQ(Log.back(), (Told{escEndScroll, c.Pos})) << int(c.Kind) << " " << c.Along;
    }
    // A custom button answers even at the end of the range, and at the start; the other kinds
    // at an end where they cannot move do nothing.
    B->SetPosition(99);
    Log.clear();
    Click(175);
    EXPECT_EQ(Log.front(), (Told{escSndLineUp, 99}));
    Log.clear();
    Click(25);
    EXPECT_EQ(Log.front(), (Told{escSndLineDown, 99}));
    B->SetPosition(0);
    Log.clear();
    Click(25);
    EXPECT_EQ(Log.front(), (Told{escSndLineDown, 0}));
    for (TExSecButtonsKind kind : {sbkOpposite, sbkPage}) {
        B->SetSecondBtnKind(kind);
        // Opposite: the left one steps forward (usable at 0), the right one back (not at 0).
        const int idle = kind == sbkOpposite ? 175 : 25;
        B->SetPosition(0);
        Log.clear();
        Click(idle);
        EXPECT_TRUE(Log.empty()) << int(kind);
        B->SetPosition(99);
        Log.clear();
        Click(kind == sbkOpposite ? 25 : 175);
        EXPECT_TRUE(Log.empty()) << int(kind);
    }
}

TEST_P(Clicks, UnusablePartsStartNothingUnlessTold)
{
    B->SetPosition(0);
    Log.clear();
    Click(8);
    EXPECT_TRUE(Log.empty());
    EXPECT_EQ(B->PressedPart(), sbpNowhere);
    EXPECT_FALSE(B->RepeatTimer()->Enabled());
    // Kept usable: the press takes the mouse, repeats and reports the clamped step.
    B->SetNoDisableButtons(true);
    Move(8, 0);
    Down(8);
    EXPECT_TRUE(B->Pressing());
    EXPECT_EQ(GetCapture(), B->Handle());
    EXPECT_TRUE(B->RepeatTimer()->Enabled());
    Up(8);
    EXPECT_EQ(Log, (std::vector<Told>{{escLineUp, 0}, {escEndScroll, 0}}));
    // A thumb that cannot move starts no drag, whatever NoDisableButtons says.
    B->SetPage(200);
    Log.clear();
    Click(30);
    EXPECT_TRUE(Log.empty());
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_P(Clicks, PageZeroPressesInPlaceButRepeatsByOne)
{
    B->SetPage(0);
    // The system's thumb, about half way.
    Move(40, 0);
    Down(40);
    EXPECT_EQ(Log, (std::vector<Told>{{escPageUp, 50}}));
    B->RepeatTimer()->OnTimer(B->RepeatTimer());
    EXPECT_EQ(Log.back(), (Told{escPosition, 49}));
    EXPECT_EQ(Log[Log.size() - 2], (Told{escPageUp, 49}));
    Up(40);
}

// ---------------------------------------------------------------- thumb drag

using Drag = Input_;
BOTH_KINDS(Drag);

TEST_P(Drag, TracksThenSetsThePositionAtTheRelease)
{
    const int grip = 105;  // 5 pixels into the thumb at 100
    Move(grip, 0);
    Down(grip);
    EXPECT_EQ(B->PressedPart(), sbpThumb);
    EXPECT_EQ(GetCapture(), B->Handle());
    EXPECT_FALSE(B->RepeatTimer()->Enabled());
    EXPECT_TRUE(Log.empty());
    EXPECT_EQ(B->TrackHintWindow(), nullptr);  // not asked for
    // 30 pixels on: offset 130, position 90 x 113 / 149 = 68; the parent hears it first.
    Move(grip + 30);
    EXPECT_EQ(B->GetThumbPos(), 130);
    EXPECT_EQ(Log, (std::vector<Told>{{escTrack, 68}}));
    EXPECT_EQ(B->Position(), 50);
    ASSERT_EQ(Form->Scrolls.size(), 1u);
    EXPECT_EQ(Form->Scrolls[0].first, UINT(Horz ? WM_HSCROLL : WM_VSCROLL));
    EXPECT_EQ(Form->Scrolls[0].second, MAKEWPARAM(SB_THUMBPOSITION, 68));
    // Past the end the thumb stops at the end of the track: the last page.
    Move(grip + 150);
    EXPECT_EQ(B->GetThumbPos(), 200 - 17 - 17);
    EXPECT_EQ(Log.back(), (Told{escTrack, 90}));
    Log.clear();
    Changes = 0;
    Up(grip + 150);
    EXPECT_EQ(Log, (std::vector<Told>{{escPosition, 90}, {escPosition, 90}}));
    EXPECT_EQ(B->Position(), 90);
    EXPECT_EQ(Changes, 1);
    EXPECT_EQ(GetCapture(), nullptr);
    // Without scroll messages the parent hears nothing.
    B->NoScrollMessages = true;
    Form->Scrolls.clear();
    const int t = B->GetThumbPos() + 3;
    Move(t, 0);
    Down(t);
    Move(t - 40);
    Up(t - 40);
    EXPECT_TRUE(Form->Scrolls.empty());
    EXPECT_LT(B->Position(), 90);
}

TEST_P(Drag, RefusedReleaseKeepsThePosition)
{
    Answer = false;
    Move(105, 0);
    Down(105);
    Move(125);
    Up(125);
    EXPECT_EQ(B->Position(), 50);
    EXPECT_EQ(Changes, 0);
    // The thumb goes back to where the position puts it.
    EXPECT_EQ(B->GetThumbPos(), 100);
}

TEST_P(Drag, FarOffTheBarTheThumbSnapsBack)
{
    Move(105, 0);
    Down(105);
    Move(145);
    ASSERT_EQ(B->GetThumbPos(), 140);
    Log.clear();
    // More than half the bar's length before its start: back to the press, nothing told.
    Move(-101);
    EXPECT_EQ(B->GetThumbPos(), 100);
    EXPECT_TRUE(Log.empty());
    // Half the length exactly still tracks (at the start of the track).
    Move(-100);
    EXPECT_EQ(B->GetThumbPos(), 17);
    EXPECT_EQ(Log, (std::vector<Told>{{escTrack, 0}}));
    // Past the end likewise; coming back resumes from the cursor.
    Move(301);
    EXPECT_EQ(B->GetThumbPos(), 100);
    Move(125);
    EXPECT_EQ(B->GetThumbPos(), 120);
    Up(125);
    EXPECT_EQ(B->Position(), 62);  // 90 x 103 / 149
}

TEST_P(Drag, WithoutAPageTheEndIsTheLastPosition)
{
    // A thumb dragged to the end of a bar without a page stands for one past the last position;
    // nothing reports that one.
    B->SetPage(0);
    B->SetShowTrackHint(true);
    std::vector<Integer> asked;
    B->OnScrollHintNeeded = [&](TObject*, Integer Track, std::string&) { asked.push_back(Track); };
    const int t = B->GetThumbPos() + 3;
    Move(t, 0);
    Down(t);
    Move(t + 100);
    Move(250);
    ASSERT_EQ(B->GetThumbPos(), 200 - 17 - B->GetThumbLength());
    EXPECT_EQ(B->UpdateThumbPos(), 100);
    EXPECT_EQ(B->TrackPosition(), 99);
    EXPECT_EQ(asked.back(), 99);
    EXPECT_EQ(Log.back(), (Told{escTrack, 99}));
    EXPECT_EQ(Form->Scrolls.back().second, MAKEWPARAM(SB_THUMBPOSITION, 99));
    SCROLLINFO si;
    si.fMask = SIF_TRACKPOS;
    ASSERT_TRUE(B->GetScrollInfo(si));
    EXPECT_EQ(si.nTrackPos, 99);
    Log.clear();
    Up(250);
    EXPECT_EQ(Log.front(), (Told{escPosition, 99}));
    for (Integer a : asked)
        EXPECT_LE(a, 99);
}

// ---------------------------------------------------------------- held parts

using Held = Input_;
BOTH_KINDS(Held);

TEST_P(Held, RepeatsAtTheSystemRateUntilReleased)
{
    const int delay = GetKeybTimes(SPI_GETKEYBOARDDELAY), rate = GetKeybTimes(SPI_GETKEYBOARDSPEED);
    B->SetMax(100000);
    B->SetPosition(0);
    Log.clear();
    Move(191, 0);
    const auto start = std::chrono::steady_clock::now();
    Down(191);
    EXPECT_EQ(B->RepeatTimer()->Interval(), Cardinal(delay));
    EXPECT_TRUE(B->RepeatTimer()->Enabled());
    // The first repeat comes after the delay, the next ones at the keyboard's rate.
    ASSERT_TRUE(uitest::PumpUntil([&] { return Log.size() >= 4; }, 5000));
    const auto first = std::chrono::steady_clock::now() - start;
    EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(first).count(), delay);
    EXPECT_EQ(B->RepeatTimer()->Interval(), Cardinal(rate));
    ASSERT_TRUE(uitest::PumpUntil([&] { return Log.size() >= 10; }, 5000));
    // Each repeat: the step and the move it made; no OnChange.
    EXPECT_EQ(Log[2], (Told{escLineDown, 2}));
    EXPECT_EQ(Log[3], (Told{escPosition, 2}));
    EXPECT_EQ(Changes, 1);
    // Off the arrow the repeat pauses; back on it, it goes on.
    Move(100);
    EXPECT_FALSE(B->RepeatTimer()->Enabled());
    const size_t paused = Log.size();
    uitest::Pump(3 * rate);
    EXPECT_EQ(Log.size(), paused);
    Move(191);
    EXPECT_TRUE(B->RepeatTimer()->Enabled());
    ASSERT_TRUE(uitest::PumpUntil([&] { return Log.size() > paused; }, 5000));
    Up(191);
    EXPECT_FALSE(B->RepeatTimer()->Enabled());
    const size_t ended = Log.size();
    EXPECT_EQ(Log.back().Code, escEndScroll);
    uitest::Pump(3 * rate);
    EXPECT_EQ(Log.size(), ended);
}

TEST_P(Held, LosingTheMouseEndsThePress)
{
    B->SetMax(100000);
    Move(191, 0);
    Down(191);
    ASSERT_EQ(GetCapture(), B->Handle());
    // Another window takes the mouse (a menu, a dialog): the press ends and the repeat stops.
    Log.clear();
    Changes = 0;
    SetCapture(Form->Handle());
    EXPECT_FALSE(B->Pressing());
    EXPECT_FALSE(B->RepeatTimer()->Enabled());
    EXPECT_EQ(B->PressedPart(), sbpNowhere);
    EXPECT_EQ(Log, (std::vector<Told>{{escEndScroll, 51}}));
    EXPECT_EQ(Changes, 1);
    // The mouse stays with the window that took it.
    EXPECT_EQ(GetCapture(), Form->Handle());
    const size_t ended = Log.size();
    uitest::Pump(GetKeybTimes(SPI_GETKEYBOARDDELAY) + 100);
    EXPECT_EQ(Log.size(), ended);
    ReleaseCapture();
    // Cancel mode ends a thumb drag the same way, at the tracked position.
    Move(110, 0);
    const int t = B->GetThumbPos() + 3;
    Move(t, 0);
    Down(t);
    Move(t + 20);
    Log.clear();
    B->Perform(WM_CANCELMODE, 0, 0);
    EXPECT_FALSE(B->Pressing());
    EXPECT_EQ(GetCapture(), nullptr);
    ASSERT_FALSE(Log.empty());
    EXPECT_EQ(Log.front().Code, escPosition);
    EXPECT_EQ(B->Position(), Log.front().Pos);
}

TEST_P(Held, ATickAfterThePressEndedDoesNothing)
{
    Click(191);
    Log.clear();
    TTimer* timer = B->RepeatTimer();
    timer->SetEnabled(true);
    timer->OnTimer(timer);
    EXPECT_TRUE(Log.empty());
    EXPECT_FALSE(timer->Enabled());
    // A thumb drag has no repeat either.
    Move(105, 0);
    Down(105);
    timer->OnTimer(timer);
    EXPECT_TRUE(Log.empty());
    EXPECT_FALSE(timer->Enabled());
    Up(105);
}

TEST_P(Held, PagingStopsWhereTheThumbMeetsTheCursor)
{
    // Page areas repeat by a page while the cursor is still beyond the thumb.
    Move(170, 0);
    Down(170);
    EXPECT_EQ(B->Position(), 60);
    TTimer* timer = B->RepeatTimer();
    std::vector<Integer> proposed;
    for (int i = 0; i < 6; ++i) {
        Log.clear();
        timer->OnTimer(timer);
        ASSERT_FALSE(Log.empty());
        EXPECT_EQ(Log.front().Code, escPageDown);
        proposed.push_back(Log.front().Pos);
    }
    // 70 puts the thumb at 17 + 149 x 70 / 90 = 133 .. 150, 80 at 149 .. 166, covering 170 at 90.
    EXPECT_EQ(proposed, (std::vector<Integer>{70, 80, 90, 90, 90, 90}));
    Up(170);
    // EndScroll ends a press from outside as a release does.
    Move(40, 0);
    Down(40);
    Log.clear();
    B->EndScroll();
    EXPECT_EQ(Log, (std::vector<Told>{{escEndScroll, 80}}));
    EXPECT_FALSE(B->RepeatTimer()->Enabled());
    EXPECT_EQ(GetCapture(), nullptr);
}

// ---------------------------------------------------------------- wheel and keys

using WheelAndKeys = Input_;
BOTH_KINDS(WheelAndKeys);

TEST_P(WheelAndKeys, TheWheelStepsByTheSystemLines)
{
    UINT lines = 0;
    SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    ASSERT_GE(lines, 1u);
    B->SetFocus();
    Input::Wheel(B, 120, X(100), Y(100));
    std::vector<Told> want;
    for (UINT i = 1; i <= lines; ++i) {
        want.push_back({escLineUp, Integer(50 - i)});
        want.push_back({escPosition, Integer(50 - i)});
    }
    want.push_back({escEndScroll, Integer(50 - lines)});
    EXPECT_EQ(Log, want);
    EXPECT_EQ(B->Position(), Integer(50 - lines));
    EXPECT_EQ(Changes, 0);
    // Toward the user: down, and the handler that refuses stops the rest of the turn.
    Log.clear();
    Answer = false;
    Input::Wheel(B, -240, X(100), Y(100));
    EXPECT_EQ(Log, (std::vector<Told>{{escLineDown, Integer(51 - lines)}, {escEndScroll, Integer(50 - lines)}}));
    // A third of a notch is one line.
    Answer = true;
    B->SetPosition(50);
    Log.clear();
    Input::Wheel(B, 120 / Integer(lines), X(100), Y(100));
    EXPECT_EQ(Log, (std::vector<Told>{{escLineUp, 49}, {escPosition, 49}, {escEndScroll, 49}}));
    // At the start a turn still proposes each step below it; the bar stays at Min.
    Answer = true;
    B->SetPosition(0);
    Log.clear();
    Input::Wheel(B, 120, X(100), Y(100));
    EXPECT_EQ(Log.front(), (Told{escLineUp, -1}));
    EXPECT_EQ(B->Position(), 0);
}

TEST_P(WheelAndKeys, KeysStepAndJump)
{
    B->SetFocus();
    struct Case {
        Word Key;
        TExScrollCode Code;
        Integer Pos;
    };
    const Case cases[] = {{VK_PRIOR, escPageUp, 40}, {VK_NEXT, escPageDown, 60}, {VK_HOME, escTop, 0},
                          {VK_END, escBottom, 99},  {VK_LEFT, escLineUp, 49},  {VK_UP, escLineUp, 49},
                          {VK_RIGHT, escLineDown, 51}, {VK_DOWN, escLineDown, 51}};
    int keyDowns = 0;
    B->OnKeyDown = [&](TObject*, Word&, TShiftState) { ++keyDowns; };
    for (const Case& c : cases) {
        B->SetPosition(50);
        Log.clear();
        Changes = 0;
        Input::PressKey(c.Key);
        EXPECT_EQ(Log.front(), (Told{c.Code, c.Pos})) << c.Key;
        EXPECT_EQ(B->Position(), c.Pos) << c.Key;
        EXPECT_EQ(Changes, 1) << c.Key;
        // The arrows stay with the bar instead of moving the focus.
        EXPECT_TRUE(B->Focused()) << c.Key;
    }
    EXPECT_EQ(keyDowns, 0);
    // With a shift key, or any other key, the bar only passes the key on.
    B->SetPosition(50);
    Log.clear();
    Input::PressKey(VK_NEXT, ssShift);
    Input::PressKey('A');
    EXPECT_TRUE(Log.empty());
    EXPECT_EQ(keyDowns, 2);
    EXPECT_EQ(B->Perform(WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS);
}

// ---------------------------------------------------------------- the track hint

using Hint = Input_;
BOTH_KINDS(Hint);

TEST_P(Hint, ShownBeforeTheThumbWhileDragged)
{
    B->SetShowTrackHint(true);
    B->Font()->SetCharset(RUSSIAN_CHARSET);
    std::vector<Integer> asked;
    B->OnScrollHintNeeded = [&](TObject* Sender, Integer Track, std::string& Hint) {
        EXPECT_EQ(Sender, B);
        EXPECT_TRUE(Hint.empty());
        asked.push_back(Track);
        Hint = "Row " + std::to_string(Track);
    };
    // Only the thumb has a hint.
    Click(191);
    EXPECT_EQ(B->TrackHintWindow(), nullptr);
    EXPECT_TRUE(asked.empty());
    B->SetPosition(50);
    Move(105, 0);
    Down(105);
    TExHintWindow* hint = B->TrackHintWindow();
    ASSERT_NE(hint, nullptr);
    EXPECT_EQ(asked, (std::vector<Integer>{50}));
    EXPECT_EQ(hint->Text(), "Row 50");
    EXPECT_TRUE(hint->Visible());
    EXPECT_EQ(hint->Font()->Charset(), RUSSIAN_CHARSET);
    EXPECT_FALSE(hint->IsHTML());
    // It ends one pixel above and left of the point just before the thumb.
    auto hangsFrom = [&] {
        const TPoint p = B->ClientToScreen(Horz ? TPoint{B->GetThumbPos() - 2, -5} : TPoint{-2, B->GetThumbPos() - 2});
        TRect r;
        GetWindowRect(hint->Handle(), &r);
        return std::pair(r.Right, r.Bottom) == std::pair(p.X - 1, p.Y - 1);
    };
    EXPECT_TRUE(hangsFrom());
    Move(125);
    EXPECT_EQ(asked.back(), 62);
    EXPECT_EQ(hint->Text(), "Row 62");
    EXPECT_TRUE(hangsFrom());
    // A move that changes nothing asks nothing.
    const size_t n = asked.size();
    Move(125);
    EXPECT_EQ(asked.size(), n);
    Up(125);
    EXPECT_EQ(B->TrackHintWindow(), nullptr);
    // A marked-up hint is passed on as markup.
    B->SetIsHTML(true);
    Move(B->GetThumbPos() + 2, 0);
    Down(B->GetThumbPos() + 2);
    ASSERT_NE(B->TrackHintWindow(), nullptr);
    EXPECT_TRUE(B->TrackHintWindow()->IsHTML());
    B->EndScroll();
    EXPECT_EQ(B->TrackHintWindow(), nullptr);
}

TEST_P(Hint, KeptOnTheScreen)
{
    B->SetShowTrackHint(true);
    B->OnScrollHintNeeded = [&](TObject*, Integer, std::string& Hint) { Hint = "A long hint for the row"; };
    // The form at the screen's top left corner: the hint would start off the screen.
    Form->SetBounds(0, 0, 400, 400);
    B->SetBounds(0, 0, Horz ? 200 : 17, Horz ? 17 : 200);
    B->SetPosition(0);
    const TPoint origin = B->ClientToScreen(TPoint{0, 0});
    ASSERT_LT(origin.X, 60);
    Move(20, 0);
    Down(20);
    ASSERT_NE(B->TrackHintWindow(), nullptr);
    TRect r;
    GetWindowRect(B->TrackHintWindow()->Handle(), &r);
    EXPECT_EQ(r.Left, 0);
    // Moved only as far as it overshot: its top stays above the point unless that is off too.
    const TPoint at = B->ClientToScreen(Horz ? TPoint{B->GetThumbPos() - 2, -5} : TPoint{-2, B->GetThumbPos() - 2});
    EXPECT_EQ(r.Top, std::max(0, at.Y - 1 - r.Height()));
    EXPECT_LE(r.Right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_GT(r.Width(), 60);
    const int height = r.Height();
    Up(20);
    // Past the top edge alone: moved down only.
    Form->SetBounds(300, -100, 400, 400);
    Move(20, 0);
    Down(20);
    ASSERT_NE(B->TrackHintWindow(), nullptr);
    const TPoint above = B->ClientToScreen(Horz ? TPoint{B->GetThumbPos() - 2, -5} : TPoint{-2, B->GetThumbPos() - 2});
    ASSERT_LT(above.Y - 1 - height, 0);
    GetWindowRect(B->TrackHintWindow()->Handle(), &r);
    EXPECT_EQ(r.Top, 0);
    EXPECT_EQ(r.Right, above.X - 1);
    Up(20);
    // Past the right and bottom edges: moved back in by the overshoot.
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    Form->SetBounds(sw + 40, sh + 40, 400, 400);
    B->SetPosition(B->Max());
    const int t = B->GetThumbPos() + 3;
    Move(t, 0);
    Down(t);
    ASSERT_NE(B->TrackHintWindow(), nullptr);
    const TPoint from = B->ClientToScreen(Horz ? TPoint{B->GetThumbPos() - 2, -5} : TPoint{-2, B->GetThumbPos() - 2});
    ASSERT_GT(from.X, sw + 1);
    ASSERT_GT(from.Y, sh + 1);
    GetWindowRect(B->TrackHintWindow()->Handle(), &r);
    EXPECT_EQ(r.Right, sw);
    EXPECT_EQ(r.Bottom, sh);
    EXPECT_EQ(r.Height(), height);
    Up(t);
}

// ---------------------------------------------------------------- what hover and focus redraw

using Redraws = Input_;
BOTH_KINDS(Redraws);

TEST_P(Redraws, OnlyWhereTheLookFollowsHoverOrFocus)
{
    auto redrawnBy = [&](UINT Msg) {
        UpdateWindow(B->Handle());
        B->Perform(Msg, 0, reinterpret_cast<LPARAM>(B));
        TRect r;
        return GetUpdateRect(B->Handle(), &r, FALSE) != FALSE;
    };
    const UINT all[] = {CM_MOUSEENTER, CM_MOUSELEAVE, CM_ENTER, CM_EXIT};
    // Flat and not kept flat: every one of them changes the look.
    for (UINT m : all)
        EXPECT_TRUE(redrawnBy(m)) << m;
    // Kept flat, or raised anyway: none does, but leaving a hot button.
    for (bool activeFlat : {true, false}) {
        B->SetActiveFlat(activeFlat);
        B->SetFlat(!activeFlat ? false : true);
        for (UINT m : all)
            EXPECT_FALSE(redrawnBy(m)) << m << " " << activeFlat;
    }
    Move(191, 0);
    EXPECT_TRUE(redrawnBy(CM_MOUSELEAVE));
    EXPECT_EQ(B->HotPart(), sbpNowhere);
    Move(100, 0);
    EXPECT_FALSE(redrawnBy(CM_MOUSELEAVE));
    // Themed, all of them.
    B->SetUseXPThemes(true);
    if (B->IsThemeApplied()) {
        for (UINT m : all)
            EXPECT_TRUE(redrawnBy(m)) << m;
    }
}

// ---------------------------------------------------------------- handlers that free the bar

using Freed = Input_;
BOTH_KINDS(Freed);

TEST_P(Freed, ByEveryHandlerOfAPress)
{
    // Each step frees the whole form from a handler at a different moment of the input.
    // AtHitTest: the press asks the owner which part it hit; AtDrawThumb, AtDrawTrack: the owner
    // draws the part the press redraws at once (the pressed thumb; the track the step moved).
    enum Moment {
        AtMouseDown, AtStep, AtChange, AtTrack, AtHint, AtRelease, AtThumbRelease, AtRepeat, AtWheel, AtKey,
        AtHitTest, AtDrawThumb, AtDrawTrack
    };
    for (Moment m : {AtMouseDown, AtStep, AtChange, AtTrack, AtHint, AtRelease, AtThumbRelease, AtRepeat, AtWheel,
                     AtKey, AtHitTest, AtDrawThumb, AtDrawTrack}) {
        SCOPED_TRACE(int(m));
        auto* form = new TForm(nullptr);
        form->SetBounds(100, 100, 400, 400);
        auto* bar = new TExScrollBar(form);
        bar->SetParent(form);
        bar->SetUseSystemMetrics(false);
        bar->SetKind(GetParam());
        bar->SetButtonSize(17);
        bar->SetBounds(10, 10, Horz ? 200 : 17, Horz ? 17 : 200);
        bar->SetPosition(50);
        bar->SetPage(10);
        bar->SetShowTrackHint(true);
        form->Show();
        TGuardPtr<TForm> alive(form);
        auto free = [&] {
            if (alive)
                TObject::Free(form);
        };
        bool pressed = false;
        bar->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) {
            pressed = true;
            if (m == AtMouseDown)
                free();
        };
        bar->OnHitTest = [&](TObject*, Integer, Integer, TExScrollBarPart&, bool&) {
            if (m == AtHitTest && pressed)
                free();
        };
        bar->SetOwnerDraw(m == AtDrawThumb || m == AtDrawTrack);
        bar->OnDrawPart = [&](TObject*, TCanvas*, const TRect&, TExScrollBarPart Part, bool, bool, bool Pressed,
                              bool&) {
            if ((m == AtDrawThumb && Part == sbpThumb && Pressed) ||
                (m == AtDrawTrack && pressed && (Part == sbpLeftTop || Part == sbpRightBottom)))
                free();
        };
        bar->OnScroll = [&](TObject*, TExScrollCode Code, Integer&, bool&) {
            if ((m == AtStep && Code == escLineDown) || (m == AtTrack && Code == escTrack) ||
                (m == AtRelease && Code == escEndScroll) || (m == AtThumbRelease && Code == escPosition) ||
                (m == AtWheel && Code == escLineUp) ||
                (m == AtKey && Code == escPageDown))
                free();
        };
        bar->OnChange = [&](TObject*) {
            if (m == AtChange)
                free();
        };
        bar->OnScrollHintNeeded = [&](TObject*, Integer, std::string&) {
            if (m == AtHint)
                free();
        };
        if (m == AtWheel || m == AtKey) {
            bar->SetFocus();
            if (m == AtWheel)
                Input::Wheel(bar, 120, 8, 8);
            else
                Input::PressKey(VK_NEXT);
        } else if (m == AtTrack || m == AtHint || m == AtThumbRelease || m == AtDrawThumb) {
            const int t = bar->GetThumbPos() + 3;
            Input::MouseDown(bar, mbLeft, X(t), Y(t));
            if (alive)
                Input::MouseMove(bar, X(t + 20), Y(t + 20), ssLeft);
            if (alive)
                Input::MouseUp(bar, mbLeft, X(t + 20), Y(t + 20));
        } else if (m == AtDrawTrack) {
            // The page area after the thumb: the step moves the thumb, the arrows stay as they were.
            Input::MouseMove(bar, X(160), Y(160));
            Input::MouseDown(bar, mbLeft, X(160), Y(160));
            if (alive)
                Input::MouseUp(bar, mbLeft, X(160), Y(160));
        } else {
            Input::MouseMove(bar, X(191), Y(191));
            Input::MouseDown(bar, mbLeft, X(191), Y(191));
            if (m == AtRepeat && alive) {
                bar->OnScroll = [&](TObject*, TExScrollCode, Integer&, bool&) { free(); };
                bar->RepeatTimer()->OnTimer(bar->RepeatTimer());
            }
            if (alive)
                Input::MouseUp(bar, mbLeft, X(191), Y(191));
        }
        EXPECT_FALSE(alive);
        free();
        uitest::Pump();
    }
}

}  // namespace

// ---------------------------------------------------------------- the desktop's settings

namespace {

// The desktop's own settings, not ours: the keyboard's repeat as the X server holds it and the
// wheel's lines as the desktop's configuration file gives them, read by a bar on a real display.
TEST(ScrollBarX11, HeldArrowsAndTheWheelFollowTheDesktopsSettings)
{
    x11test::TDisplay display;
    if (!display.Ok())
        GTEST_SKIP() << display.Why();
    if (access("/usr/bin/xset", X_OK) != 0)
        GTEST_SKIP() << "xset is needed to change the keyboard's repeat";
    const std::string config = uitest::TempDir() + "/desktop-config";
    std::filesystem::create_directories(config);
    {
        std::ofstream f(config + "/kdeglobals");
        f << "[KDE]\nWheelScrollLines=7\n";
    }
    const std::vector<std::pair<const char*, std::string>> env{
        {"XDG_CONFIG_HOME", config}, {"XDG_CURRENT_DESKTOP", "KDE"}, {"KDE_SESSION_VERSION", "5"},
        {"KDE_FULL_SESSION", "true"}};
    std::vector<std::pair<std::string, const char*>> saved;
    for (const auto& [name, value] : env) {
        const char* old = std::getenv(name);
        saved.push_back({name, old ? strdup(old) : nullptr});
        setenv(name, value.c_str(), 1);
    }
    std::string out;
    EXPECT_EQ(display.RunRole("ScrollBarX11.DISABLED_Role", "desktop settings", out), 0) << out;
    for (auto& [name, old] : saved) {
        if (old)
            setenv(name.c_str(), old, 1);
        else
            unsetenv(name.c_str());
        std::free(const_cast<char*>(old));
    }
    std::filesystem::remove_all(config);
}

TEST(ScrollBarX11, DISABLED_Role)
{
    ASSERT_EQ(x11test::Role(), "desktop settings");
    auto* form = new TForm(nullptr);
    form->SetBounds(40, 40, 300, 300);
    auto* bar = new TExScrollBar(form);
    bar->SetParent(form);
    bar->SetUseXPThemes(false);
    bar->SetUseSystemMetrics(false);
    bar->SetKind(sbVertical);
    bar->SetButtonSize(17);
    bar->SetBounds(10, 10, 17, 200);
    bar->SetMax(1000);
    bar->SetPosition(500);
    ASSERT_TRUE(x11test::ShowOnScreen(form));
    UINT lines = 0;
    SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    EXPECT_EQ(lines, 7u);
    // A notch of the real wheel moves the bar by the desktop's lines.
    ASSERT_TRUE(x11test::MoveTo(bar, 8, 100));
    ASSERT_TRUE(x11test::Xdo({"click", "5"}));
    EXPECT_TRUE(uitest::PumpUntil([&] { return bar->Position() != 500; }, 60000));
    EXPECT_EQ(bar->Position(), 507);
    // Repeat settings other than the usual one, and beyond what the classic units hold at either
    // end: a held arrow waits the desktop's delay, then repeats at its rate.
    struct Case {
        const char *Delay, *Rate;
        int Speed, KeybDelay, FirstMs, NextMs;
    };
    for (const Case& c : {Case{"300", "20", 19, 0, 250, 50}, Case{"1000", "10", 9, 3, 1000, 100},
                          Case{"5000", "100", 31, 3, 1000, 31}, Case{"100", "1", 0, 0, 250, 1000}}) {
        SCOPED_TRACE(c.Delay);
        ASSERT_EQ(x11test::RunHere({"/usr/bin/xset", "r", "rate", c.Delay, c.Rate}), 0);
        int speed = -1, delay = -1;
        SystemParametersInfo(SPI_GETKEYBOARDSPEED, 0, &speed, 0);
        SystemParametersInfo(SPI_GETKEYBOARDDELAY, 0, &delay, 0);
        EXPECT_EQ(speed, c.Speed);
        EXPECT_EQ(delay, c.KeybDelay);
        ASSERT_TRUE(x11test::MoveTo(bar, 8, 191));
        ASSERT_TRUE(x11test::Xdo({"mousedown", "1"}));
        ASSERT_TRUE(uitest::PumpUntil([&] { return bar->Pressing(); }, 60000));
        EXPECT_EQ(bar->RepeatTimer()->Interval(), Cardinal(c.FirstMs));
        const Integer first = bar->Position();
        ASSERT_TRUE(uitest::PumpUntil([&] { return bar->Position() > first + 1; }, 60000));
        EXPECT_EQ(bar->RepeatTimer()->Interval(), Cardinal(c.NextMs));
        ASSERT_TRUE(x11test::Xdo({"mouseup", "1"}));
        ASSERT_TRUE(uitest::PumpUntil([&] { return !bar->Pressing(); }, 60000));
        ASSERT_TRUE(x11test::MoveTo(bar, 8, 100));
    }
    TObject::Free(form);
}

}  // namespace
