#include "controls/Exscrollbar.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "ctlbase/Eximgfrm.h"
#include "ctlbase/Exini.h"
#include "ctlbase/Exuxtheme.h"
#include "ctlbase/Exvclutils.h"
#include "platform/ThemeSchema.h"
#include "platform/TypInfo.h"
#include "tests/support/ParamName.h"
#include "tests/support/UiTest.h"

namespace {

class TTestBar : public TExScrollBar {
public:
    using TExScrollBar::TExScrollBar;
    using TCustomExScrollBar::FThumbPos;
    std::vector<std::pair<TExScrollCode, Integer>> Scrolls;
    // What the last paint covered.
    TRect Painted{};

protected:
    void Paint() override { Painted = Canvas()->ClipRect(); }
};

// A bar of either kind on a form, with a window, sized by hand (no system metrics, no theme).
struct Bar : ::testing::TestWithParam<TScrollBarKind> {
    TForm* Form = new TForm(nullptr);
    TTestBar* B = new TTestBar(Form);

    Bar()
    {
        Form->SetBounds(0, 0, 500, 500);
        Form->Show();
        B->SetParent(Form);
        B->SetUseXPThemes(false);
        B->SetUseSystemMetrics(false);
        B->SetKind(GetParam());
        B->SetButtonSize(16);
        B->OnScroll = [this](TObject*, TExScrollCode Code, Integer& Pos, bool&) { B->Scrolls.push_back({Code, Pos}); };
        Lay(200, 17);
        B->HandleNeeded();
    }
    ~Bar() override
    {
        TObject::Free(Form);
        uitest::Pump();  // hooks left behind are freed by a posted message
    }

    void Lay(int Length, int Thickness)
    {
        if (GetParam() == sbHorizontal)
            B->SetBounds(0, 0, Length, Thickness);
        else
            B->SetBounds(0, 0, Thickness, Length);
    }
    // Range, page and position exactly as given, through the scroll-information message.
    void Set(int Min, int Max, int Page, int Pos)
    {
        SCROLLINFO si;
        si.fMask = SIF_ALL;
        si.nMin = Min;
        si.nMax = Max;
        si.nPage = UINT(Page);
        si.nPos = Pos;
        B->SetScrollInfo(si, false);
    }
    TExScrollBarPart Hit(int Along, int Across = 3)
    {
        return GetParam() == sbHorizontal ? B->GetHitTest(Along, Across) : B->GetHitTest(Across, Along);
    }
    // A rectangle's extent along the bar and across it.
    std::pair<int, int> AlongOf(const TRect& R)
    {
        return GetParam() == sbHorizontal ? std::pair{R.Left, R.Right} : std::pair{R.Top, R.Bottom};
    }
    std::pair<int, int> AcrossOf(const TRect& R)
    {
        return GetParam() == sbHorizontal ? std::pair{R.Top, R.Bottom} : std::pair{R.Left, R.Right};
    }
    std::pair<int, int> Along(TExScrollBarPart Part) { return AlongOf(B->GetPartRect(Part)); }
};

std::string KindName(const ::testing::TestParamInfo<TScrollBarKind>& Info)
{
    return Info.param == sbHorizontal ? "Horizontal" : "Vertical";
}

#define BOTH_KINDS(Suite) INSTANTIATE_TEST_SUITE_P(Kinds, Suite, ::testing::Values(sbHorizontal, sbVertical), KindName)

// ---------------------------------------------------------------- geometry table

struct GeoCase {
    const char* Name;
    int L, ButtonSize;
    bool ShowLeft, ShowRight, Secondary;
    int Min, Max, Page, Pos;
    TExScrollThumbMode Mode;
    int ThumbSize, MinThumb;
    // Expected: effective button size, thumb length, thumb offset, usable arrows.
    int B, T, Offset;
    bool LeftOn, RightOn;
};

void PrintTo(const GeoCase& C, std::ostream* Os) { *Os << C.Name; }

struct Geometry : ::testing::TestWithParam<std::tuple<TScrollBarKind, GeoCase>> {};

// clang-format off
const GeoCase GeoCases[] = {
    // 30 pixels cannot hold two 17-pixel arrows: they shrink to 15, with secondary buttons to 7.
    {"ShortBarShrinksArrows", 30, 17, true, true, false, 0, 100, 14, 0, etmAuto, 0, 4, 15, 0, 15, false, true},
    {"ShortBarShrinksAllButtons", 30, 17, true, true, true, 0, 100, 14, 0, etmAuto, 0, 4, 7, 0, 14, false, true},
    {"OnePositionHasNoUsableArrows", 200, 16, true, true, false, 5, 5, 14, 5, etmAuto, 0, 4, 16, 168, 16, false, false},
    {"PageCoversRange", 200, 16, true, true, false, 0, 9, 10, 5, etmAuto, 0, 4, 16, 168, 16, false, false},
    {"PageJustInsideRange", 200, 16, true, true, false, -10, 0, 10, -5, etmAuto, 0, 4, 16, 153, 31, true, true},
    {"ThumbLengthRoundsToNearest", 200, 16, true, true, false, 0, 99, 20, 40, etmAuto, 0, 4, 16, 34, 83, true, true},
    {"ProportionalThumb", 200, 16, true, true, false, 0, 99, 10, 45, etmAuto, 0, 4, 16, 17, 92, true, true},
    {"MinThumbSizeAtLastPage", 200, 16, true, true, false, 0, 999, 1, 999, etmAuto, 0, 4, 16, 4, 180, true, false},
    {"MinThumbSizeThatDoesNotFit", 200, 16, true, true, false, 0, 999, 1, 500, etmAuto, 0, 200, 16, 0, 100, true, true},
    {"PageZeroOnOnePosition", 200, 16, true, true, false, 5, 5, 0, 5, etmAuto, 0, 4, 16, 168, 16, false, false},
    {"PageZeroTakesSystemThumb", 200, 16, true, true, false, 0, 100, 0, 100, etmAuto, 0, 4, 16, 16, 166, true, false},
    {"FixedThumb", 200, 16, true, true, false, 0, 100, 14, 50, etmFixed, 30, 4, 16, 30, 95, true, true},
    {"FixedThumbLongerThanTrack", 200, 16, true, true, false, 0, 100, 14, 50, etmFixed, 170, 4, 16, 0, 113, true, true},
    {"NoArrows", 200, 16, false, false, false, 0, 99, 10, 0, etmAuto, 0, 4, 16, 20, 0, false, true},
    {"RightButtonsOnly", 200, 16, false, true, true, 0, 99, 10, 99, etmAuto, 0, 4, 16, 17, 151, true, false},
};
// clang-format on

TEST_P(Geometry, ButtonsThumbAndOffsetFollowTheRules)
{
    const auto [kind, c] = GetParam();
    TForm form(nullptr);
    TTestBar* b = new TTestBar(&form);
    b->SetParent(&form);
    b->SetUseXPThemes(false);
    b->SetUseSystemMetrics(false);
    b->SetKind(kind);
    // Stored before the window exists, so that the short bars keep a size too long for them.
    b->SetButtonSize(c.ButtonSize);
    b->SetShowLeftArrows(c.ShowLeft);
    b->SetShowRightArrows(c.ShowRight);
    b->SetSecondaryButtons(c.Secondary);
    b->SetThumbMode(c.Mode);
    b->SetThumbSize(c.ThumbSize);
    b->SetMinThumbSize(c.MinThumb);
    b->SetBounds(0, 0, kind == sbHorizontal ? c.L : 17, kind == sbHorizontal ? 17 : c.L);
    b->HandleNeeded();
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    si.nMin = c.Min;
    si.nMax = c.Max;
    si.nPage = UINT(c.Page);
    si.nPos = c.Pos;
    b->SetScrollInfo(si, false);
    EXPECT_EQ(b->GetButtonSize(), c.B);
    EXPECT_EQ(b->GetThumbLength(), c.T);
    EXPECT_EQ(b->GetThumbPos(), c.Offset);
    EXPECT_EQ(b->LeftBtnsEnabled(), c.LeftOn);
    EXPECT_EQ(b->RightBtnsEnabled(), c.RightOn);
}

INSTANTIATE_TEST_SUITE_P(Cases, Geometry,
                         ::testing::Combine(::testing::Values(sbHorizontal, sbVertical), ::testing::ValuesIn(GeoCases)),
                         [](const auto& Info) {
                             return std::string(std::get<1>(Info.param).Name) +
                                    (std::get<0>(Info.param) == sbHorizontal ? "Horizontal" : "Vertical");
                         });

// ---------------------------------------------------------------- hit test

using HitTest = Bar;
BOTH_KINDS(HitTest);

TEST_P(HitTest, SharedBoundaryPixelsGoToTheEarlierTest)
{
    Set(0, 99, 10, 0);  // thumb 17 pixels at 16
    EXPECT_EQ(Hit(16), sbpLeftArrow);
    EXPECT_EQ(Hit(17), sbpThumb);
    EXPECT_EQ(Hit(33), sbpRightBottom);
    EXPECT_EQ(Hit(184), sbpRightBottom);
    EXPECT_EQ(Hit(185), sbpRightArrow);
    EXPECT_EQ(Hit(-7), sbpLeftTop);
    EXPECT_EQ(Hit(260), sbpRightArrow);
    // Across: one past the last pixel is still on the bar.
    EXPECT_EQ(Hit(100, -1), sbpNowhere);
    EXPECT_EQ(Hit(100, 17), sbpRightBottom);
    EXPECT_EQ(Hit(100, 18), sbpNowhere);
    B->SetSecondaryButtons(true);
    EXPECT_EQ(Hit(32), sbpLeftSndArrow);
    EXPECT_EQ(Hit(184), sbpRightSndArrow);
    EXPECT_EQ(Hit(168), sbpRightSndArrow);
    EXPECT_EQ(Hit(167), sbpRightBottom);
    B->SetShowLeftArrows(false);
    EXPECT_EQ(Hit(0), sbpThumb);
    B->OnHitTest = [](TObject*, Integer, Integer, TExScrollBarPart& Part, bool& Default) {
        Part = sbpThumb;
        Default = false;
    };
    EXPECT_EQ(Hit(500, 500), sbpThumb);
}

// Many random bars: the thumb stays in the track, the parts tile the bar, and the hit test answers
// each pixel's rectangle (at a boundary between two buttons, or a button and the track, the
// earlier of the ordered tests takes the shared pixel).
using Random = Bar;
BOTH_KINDS(Random);

TEST_P(Random, PartsTileTheBarAndTheHitTestAgrees)
{
    std::mt19937 rng(GetParam() == sbHorizontal ? 24 : 42);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int round = 0; round < 400; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const int mn = pick(-50, 50);
        const int mx = pick(0, 3) ? mn + pick(0, 2000) : mn;
        Set(mn, mx, pick(0, 3) ? pick(0, 3000) : pick(0, 3), pick(mn, mx));
        // Whatever changes the geometry puts the thumb where the position wants it.
        auto then = [&](auto Change) {
            Change();
            ASSERT_EQ(B->GetThumbPos(), B->AdjustThumbPos());
        };
        then([&] { B->SetShowLeftArrows(pick(0, 4) > 0); });
        then([&] { B->SetShowRightArrows(pick(0, 4) > 0); });
        then([&] { B->SetSecondaryButtons(pick(0, 1)); });
        then([&] { B->SetThumbMode(pick(0, 3) ? etmAuto : etmFixed); });
        then([&] { B->SetThumbSize(pick(1, 60)); });
        then([&] { B->SetMinThumbSize(pick(1, 30)); });
        then([&] { B->SetPage(pick(0, 3) ? pick(0, 3000) : pick(0, 3)); });
        const int n = B->GetTopBtns() + B->GetBottomBtns();
        const int len = pick(std::max(n, 1), 300);
        const int thickness = pick(1, 30);
        then([&] { Lay(len, thickness); });
        then([&] { B->SetButtonSize(pick(1, std::max(len / 2, 1))); });
        const int L = B->GetBarLength(), b = B->GetButtonSize(), t = B->GetThumbLength();
        ASSERT_EQ(L, len);
        ASSERT_GE(b, 1);
        ASSERT_LE(n * b, L);
        if (t > 0) {
            EXPECT_GE(B->GetThumbPos(), b * B->GetTopBtns());
            EXPECT_LE(B->GetThumbPos() + t, L - b * B->GetBottomBtns());
        }
        // Every pixel belongs to exactly one part's rectangle.
        std::vector<TExScrollBarPart> owner(size_t(L), sbpNowhere);
        for (TExScrollBarPart p : {sbpLeftArrow, sbpLeftSndArrow, sbpLeftTop, sbpThumb, sbpRightBottom,
                                   sbpRightSndArrow, sbpRightArrow}) {
            const auto [from, to] = Along(p);
            ASSERT_GE(from, 0);
            ASSERT_LE(to, L);
            if (from < to) {  // across the bar every part takes the whole thickness
                ASSERT_EQ(AcrossOf(B->GetPartRect(p)), std::pair(0, thickness));
            }
            for (int c = from; c < to; ++c) {
                ASSERT_EQ(owner[size_t(c)], sbpNowhere) << "pixel " << c << " in two parts";
                owner[size_t(c)] = p;
            }
        }
        for (int c = 0; c < L; ++c) {
            ASSERT_NE(owner[size_t(c)], sbpNowhere) << "gap at " << c;
            TExScrollBarPart want = owner[size_t(c)];
            const bool sec = B->SecondaryButtons(), left = B->ShowLeftArrows(), right = B->ShowRightArrows();
            if (left && c == b)
                want = sbpLeftArrow;
            else if (right && L - c < b)
                want = sbpRightArrow;
            else if (left && sec && c == 2 * b)
                want = sbpLeftSndArrow;
            else if (right && sec && c == L - b)
                want = sbpRightSndArrow;
            else if (right && c == L - b)
                want = c < B->GetThumbPos() ? sbpLeftTop : c < B->GetThumbPos() + t ? sbpThumb : sbpRightBottom;
            ASSERT_EQ(Hit(c, pick(0, thickness)), want) << "pixel " << c;
        }
    }
}

// The thumb moves with the position from the start to the end of its free room.
TEST_P(Random, ThumbFollowsThePositionAndBack)
{
    std::mt19937 rng(7);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int round = 0; round < 100; ++round) {
        Lay(pick(60, 400), 17);
        const int mn = pick(-1000, 1000), mx = mn + pick(1, 5000), page = pick(1, mx - mn);
        Set(mn, mx, page, mn);
        const int start = B->GetThumbPos(), free = B->GetBarLength() - 32 - B->GetThumbLength();
        if (B->GetThumbLength() == 0)
            continue;
        ASSERT_EQ(start, 16);
        EXPECT_EQ(B->UpdateThumbPos(), mn);
        int last = start;
        for (int pos = mn; pos <= mx; pos += std::max(1, (mx - mn) / 37)) {
            B->SetPosition(pos);
            ASSERT_GE(B->GetThumbPos(), last);
            last = B->GetThumbPos();
        }
        B->SetPosition(mx - page + 1);
        EXPECT_EQ(B->GetThumbPos(), 16 + free);
        // A thumb dragged to the end of its room stands for the last page's position.
        B->FThumbPos = 16 + free;
        EXPECT_EQ(B->UpdateThumbPos(), free > 0 ? mx - page + 1 : mn);
    }
}

// ---------------------------------------------------------------- range, page and position

using Rules = Bar;
BOTH_KINDS(Rules);

TEST_P(Rules, RangeAndPageKeepThePositionInside)
{
    B->SetPosition(250);
    EXPECT_EQ(B->Position(), 100);
    B->SetMax(-5);  // below Min: raised to Min, a one-position range
    EXPECT_EQ(B->Max(), 0);
    EXPECT_EQ(B->Position(), 0);
    EXPECT_EQ(B->Page(), 1);
    B->SetMax(300);
    B->SetPage(50);
    B->SetPosition(120);
    B->SetMin(200);
    EXPECT_EQ(B->Position(), 200);
    EXPECT_EQ(B->Page(), 50);
    B->SetMin(400);
    EXPECT_EQ(B->Max(), 400);
    EXPECT_EQ(B->Position(), 400);
    EXPECT_EQ(B->Page(), 1);
    B->SetPage(-3);
    EXPECT_EQ(B->Page(), 1);
    B->SetPage(999);  // not clamped to the range
    EXPECT_EQ(B->Page(), 999);
    // Each change of position is told with the position taken, not the one asked for.
    const std::vector<std::pair<TExScrollCode, Integer>> told{{escPosition, 100}, {escPosition, 0},
                                                              {escPosition, 120}, {escPosition, 200},
                                                              {escPosition, 400}};
    EXPECT_EQ(B->Scrolls, told);
}

TEST_P(Rules, InvalidSizesAreIgnored)
{
    B->SetButtonSize(0);
    B->SetButtonSize(101);  // more than half of the 200-pixel bar
    EXPECT_EQ(B->GetButtonSize(), 16);
    B->SetButtonSize(1);
    EXPECT_EQ(B->GetButtonSize(), 1);
    B->SetButtonSize(100);
    EXPECT_EQ(B->GetButtonSize(), 100);
    EXPECT_EQ(B->GetThumbPos(), 100);
    B->SetThumbMode(etmFixed);
    B->SetThumbSize(1);
    B->SetThumbSize(0);
    B->SetMinThumbSize(1);
    B->SetMinThumbSize(0);
    EXPECT_EQ(B->ThumbSize(), 1);
    EXPECT_EQ(B->MinThumbSize(), 1);
    // Under the system's sizes a fixed thumb and the buttons read back as the system's.
    B->SetUseSystemMetrics(true);
    const bool horz = GetParam() == sbHorizontal;
    EXPECT_EQ(B->ThumbSize(), GetSystemMetrics(horz ? SM_CXHTHUMB : SM_CYVTHUMB));
    EXPECT_EQ(B->GetButtonSize(), GetSystemMetrics(horz ? SM_CXHSCROLL : SM_CYVSCROLL));
    EXPECT_EQ(horz ? B->Height() : B->Width(), GetSystemMetrics(horz ? SM_CYHSCROLL : SM_CXVSCROLL));
    // Switched off, the bar keeps the system's button size, or one stored meanwhile, and moves its
    // thumb to suit.
    B->SetUseSystemMetrics(false);
    EXPECT_EQ(B->GetButtonSize(), GetSystemMetrics(horz ? SM_CXHSCROLL : SM_CYVSCROLL));
    B->SetUseSystemMetrics(true);
    B->SetButtonSize(30);
    B->SetUseSystemMetrics(false);
    EXPECT_EQ(B->GetButtonSize(), 30);
    EXPECT_EQ(B->GetThumbPos(), 30);
    // A fixed thumb chosen under the system's sizes keeps the system's length when they go.
    B->SetThumbMode(etmAuto);
    B->SetUseSystemMetrics(true);
    B->SetThumbMode(etmFixed);
    B->SetUseSystemMetrics(false);
    EXPECT_EQ(B->ThumbSize(), GetSystemMetrics(horz ? SM_CXHTHUMB : SM_CYVTHUMB));
    // Under a theme the system's sizes are the themed arrow's, kept when switched off again.
    B->SetUseXPThemes(true);
    ASSERT_TRUE(B->IsThemeApplied());
    B->SetButtonSize(20);
    B->SetUseSystemMetrics(true);
    B->SetUseSystemMetrics(false);
    SIZE arrow{};
    ASSERT_EQ(GetThemePartSize(B->Theme(), nullptr, SBP_ARROWBTN, ABS_LEFTNORMAL, nullptr, TS_TRUE, &arrow), S_OK);
    EXPECT_EQ(B->GetButtonSize(), horz ? arrow.cx : arrow.cy);
    EXPECT_EQ(horz ? B->Height() : B->Width(), horz ? arrow.cy : arrow.cx);
}

TEST_P(Rules, KindSwapsTheBoundsAndTakesTheSystemThickness)
{
    int resized = 0;
    B->OnResize = [&](TObject* Sender) {
        EXPECT_EQ(Sender, B);
        ++resized;
    };
    B->SetBounds(5, 6, 70, 40);
    EXPECT_EQ(resized, 1);
    B->SetKind(GetParam() == sbHorizontal ? sbVertical : sbHorizontal);
    EXPECT_EQ(B->Width(), 40);
    EXPECT_EQ(B->Height(), 70);
    const int length = B->GetBarLength();
    B->SetUseSystemMetrics(true);
    B->SetKind(GetParam());
    const bool horz = GetParam() == sbHorizontal;
    EXPECT_EQ(horz ? B->Height() : B->Width(), GetSystemMetrics(horz ? SM_CYHSCROLL : SM_CXVSCROLL));
    EXPECT_EQ(B->GetBarLength(), length);
}

TEST_P(Rules, LoadedClampsWhatWasReadInAnyOrder)
{
    B->SetState(csLoading, true);
    B->SetPosition(500);
    B->SetMin(10);
    B->SetMax(3);
    EXPECT_EQ(B->Position(), 3);
    B->Loaded();
    EXPECT_EQ(B->Max(), 10);
    EXPECT_EQ(B->Position(), 10);
    EXPECT_EQ(B->Page(), 1);
    // A position read past the end puts the thumb at the end once loaded.
    B->SetState(csLoading, true);
    B->SetMax(1000);
    B->SetPage(100);
    B->SetPosition(2000);
    B->Loaded();
    EXPECT_EQ(B->Position(), 1000);
    EXPECT_EQ(B->GetThumbPos(), B->GetBarLength() - 16 - B->GetThumbLength());
}

// A move that leaves both arrows as they were redraws the track only; one that changes an arrow
// redraws the whole bar, also when the position jumps from one end to the other.
TEST_P(Rules, PositionChangesRedrawOnlyWhatChanged)
{
    uitest::Pump();
    auto drawn = [&] {
        TRect r{};
        GetUpdateRect(B->Handle(), &r, FALSE);
        ValidateRect(B->Handle(), nullptr);
        return AlongOf(r);
    };
    drawn();
    B->SetPosition(40);
    EXPECT_EQ(drawn(), std::pair(0, 200));
    B->Painted = {};
    B->SetPosition(60);
    EXPECT_EQ(drawn(), std::pair(0, 0));  // the track was drawn at once, and only the track
    EXPECT_EQ(AlongOf(B->Painted), std::pair(16, 184));
    EXPECT_EQ(AcrossOf(B->Painted), std::pair(0, 17));
    B->SetPosition(0);
    drawn();
    B->SetPosition(100);
    EXPECT_EQ(drawn(), std::pair(0, 200));
    // With the last page counting as the end, reaching it turns the right arrow off.
    B->SetAltDisablingArrows(true);
    B->SetPosition(86);  // the last page of 14 starts at 87
    EXPECT_TRUE(B->RightBtnsEnabled());
    drawn();
    B->SetPosition(87);
    EXPECT_FALSE(B->RightBtnsEnabled());
    EXPECT_EQ(drawn(), std::pair(0, 200));
}

TEST_P(Rules, ChangesRedrawTheBarWhereTheyShow)
{
    auto redraws = [&](const std::function<void()>& Change) {
        ValidateRect(B->Handle(), nullptr);
        Change();
        TRect r;
        return GetUpdateRect(B->Handle(), &r, FALSE) != FALSE;
    };
    // Not while nothing shows them: the mouse is away, no thumb is pressed, no secondary buttons.
    EXPECT_FALSE(redraws([&] { B->SetActiveFlat(true); }));
    EXPECT_FALSE(redraws([&] { B->SetNoSunkenThumb(true); }));
    EXPECT_FALSE(redraws([&] { B->SetSecondBtnKind(sbkPage); }));
    const std::function<void()> changes[] = {
        [&] { B->SetPage(20); }, [&] { B->SetMax(90); }, [&] { B->SetMin(5); }, [&] { B->SetMinThumbSize(9); },
        [&] { B->SetThumbMode(etmFixed); }, [&] { B->SetThumbSize(30); }, [&] { B->SetButtonSize(20); },
        [&] { B->SetShowLeftArrows(false); }, [&] { B->SetShowRightArrows(false); },
        [&] { B->SetSecondaryButtons(true); }, [&] { B->SetSecondBtnKind(sbkCustom); },
        [&] { B->SetNoDisableButtons(true); }, [&] { B->SetAltDisablingArrows(true); }, [&] { B->SetFlat(false); },
        [&] { B->SetChangeColorsOnScroll(false); }, [&] { B->SetBlendBackground(false); },
        [&] { B->SetSysBkColor(false); }, [&] { B->SetDrawArrowFrames(false); }, [&] { B->SetDrawFrames(false); },
        [&] { B->SetThinFrames(true); }, [&] { B->SetDrawBars(false); }, [&] { B->SetBarOffset(5); },
        [&] { B->SetBarColor(clRed); }, [&] { B->SetArrowColor(clRed); }, [&] { B->SetArrowHotTrackColor(clRed); },
        [&] { B->SetOwnerDraw(true); }, [&] { B->SetUseSystemMetrics(true); }};
    for (size_t i = 0; i < std::size(changes); ++i) {
        EXPECT_TRUE(redraws(changes[i])) << "change " << i;
        EXPECT_FALSE(redraws(changes[i])) << "change " << i << " made again";
    }
    // ActiveFlat shows while the bar has the focus.
    B->SetFocus();
    EXPECT_TRUE(redraws([&] { B->SetActiveFlat(false); }));
}

TEST(ScrollBarMade, WithTheDesignsSizeAndLook)
{
    TForm form(nullptr);
    auto* b = new TExScrollBar(&form);
    EXPECT_EQ(b->Width(), 121);
    EXPECT_EQ(b->Height(), GetSystemMetrics(SM_CYHSCROLL));
    EXPECT_EQ(b->Color(), clBtnFace);
    EXPECT_TRUE(b->TabStop());
    EXPECT_FALSE(b->Ctl3D());
    EXPECT_EQ(b->ControlStyle, TControlStyle(csFramed));  // a double click arrives as a second press
    EXPECT_EQ(b->GetButtonSize(), GetSystemMetrics(SM_CXHSCROLL));
    EXPECT_EQ(std::tuple(b->Min(), b->Max(), b->Page(), b->Position()), std::tuple(0, 100, 14, 0));
    // Moved and sized before it has a window, it starts with the thumb where the position wants it.
    b->SetParent(&form);
    b->SetUseXPThemes(false);
    b->SetPosition(50);
    b->SetBounds(0, 0, 300, 17);
    b->HandleNeeded();
    EXPECT_EQ(b->GetThumbPos(), b->AdjustThumbPos());
}

TEST_P(Rules, WheelStepsForEverySystemSetting)
{
    const struct {
        int Delta;
        UINT Lines;
        int Steps;
    } cases[] = {{120, 3, 3},    {-120, 3, -3},  {60, 3, 1},  {120, 0, 1},  {240, 1, 2},     {120, 120, 120},
                 {120, 121, 120}, {-120, 5000, -120}, {120, WHEEL_PAGESCROLL, 14}, {-240, WHEEL_PAGESCROLL, -28}};
    for (const auto& c : cases)
        EXPECT_EQ(B->WheelSteps(c.Delta, c.Lines), c.Steps) << c.Delta << " " << c.Lines;
    B->SetPage(0);
    EXPECT_EQ(B->WheelSteps(-120, WHEEL_PAGESCROLL), -1);
    B->SetPage(INT_MAX);  // pages beyond a notch's worth of integers give the most steps, not a wrap
    EXPECT_EQ(B->WheelSteps(-240, WHEEL_PAGESCROLL), INT_MIN);
}

TEST_P(Rules, TrackColoursComeFromTheFace)
{
    EXPECT_EQ(B->LighterColor(), clBtnHighlight);
    EXPECT_EQ(B->ShadowColor(), clBtnShadow);
    EXPECT_EQ(B->DitherBitmap()->Canvas()->Pixels(0, 0), TColor(ColorToRGB(clBtnHighlight)));
    EXPECT_EQ(B->DitherBitmap()->Canvas()->Pixels(1, 0), TColor(ColorToRGB(clBtnFace)));
    B->SetColor(TColor(0x406080));
    const int l = (RGBtoHLS(TColor(0x406080)) >> 8) & 0xFF;
    EXPECT_NEAR((RGBtoHLS(B->LighterColor()) >> 8) & 0xFF, l + l / 4, 1);
    EXPECT_NEAR((RGBtoHLS(B->ShadowColor()) >> 8) & 0xFF, l - l / 4, 1);
    TCanvas* c = B->DitherBitmap()->Canvas();
    EXPECT_EQ(c->Pixels(2, 4), TColor(ColorToRGB(B->LighterColor())));
    EXPECT_EQ(c->Pixels(7, 7), TColor(ColorToRGB(B->LighterColor())));
    EXPECT_EQ(c->Pixels(3, 4), TColor(0x406080));
    EXPECT_EQ(c->Pixels(0, 0), TColor(ColorToRGB(B->LighterColor())));
    EXPECT_EQ(c->Pixels(0, 7), TColor(0x406080));
}

TEST_P(Rules, AnImageFormRedrawsTheBarUntilItGoes)
{
    auto* form = new TExImageForm(Form);
    auto* other = new TExImageForm(Form);
    auto redrawnBy = [&](TExImageForm* F, TExBkGndType Type) {
        ValidateRect(B->Handle(), nullptr);
        F->SetBackgroundType(Type);
        TRect r;
        return GetUpdateRect(B->Handle(), &r, FALSE) != FALSE;
    };
    B->SetImageForm(form);
    EXPECT_TRUE(redrawnBy(form, bgtVertGradient));
    B->SetImageForm(other);
    EXPECT_FALSE(redrawnBy(form, bgtHorzGradient));
    EXPECT_TRUE(redrawnBy(other, bgtVertGradient));
    B->SetImageForm(nullptr);
    EXPECT_FALSE(redrawnBy(other, bgtHorzGradient));
    B->SetImageForm(form);
    EXPECT_EQ(B->ImageForm(), form);
    ValidateRect(B->Handle(), nullptr);
    delete form;
    EXPECT_EQ(B->ImageForm(), nullptr);
    TRect r;
    EXPECT_TRUE(GetUpdateRect(B->Handle(), &r, FALSE));  // drawn again without its background
}

// ---------------------------------------------------------------- scroll information

struct SiCase {
    const char* Name;
    UINT Size, Mask;
    int nMin, nMax;
    UINT nPage;
    int nPos;
    // Expected after it, from Min 0, Max 100, Page 14, Position 50.
    int Pos, Min, Max, Page;
};
void PrintTo(const SiCase& C, std::ostream* Os) { *Os << C.Name; }

// clang-format off
const SiCase SiCases[] = {
    {"ShortRecordIsIgnored", 24, SIF_ALL, 10, 20, 5, 15, 50, 0, 100, 14},
    {"RangeAndPosition", 28, SIF_RANGE | SIF_POS, 10, 20, 0, 15, 15, 10, 20, 14},
    {"PositionAboveRangeTakesMax", 28, SIF_RANGE | SIF_POS, 10, 20, 0, 99, 20, 10, 20, 14},
    {"PositionBelowRangeTakesMin", 28, SIF_RANGE | SIF_POS, 10, 20, 0, 3, 10, 10, 20, 14},
    {"RangeHoldingThePosition", 28, SIF_RANGE | SIF_PAGE, 0, 60, 5, 0, 50, 0, 60, 5},
    {"RangeStartingAtThePosition", 28, SIF_RANGE, 50, 90, 0, 0, 50, 50, 90, 14},
    {"RangeEndingAtThePosition", 28, SIF_RANGE, 0, 50, 0, 0, 50, 0, 50, 14},
    {"RangeLeavingThePosition", 28, SIF_RANGE | SIF_PAGE, 60, 80, 5, 0, 50, 0, 100, 14},
    {"ReversedRange", 28, SIF_RANGE | SIF_POS, 20, 10, 0, 15, 50, 0, 100, 14},
    {"PositionInRange", 28, SIF_POS, 0, 0, 0, 70, 70, 0, 100, 14},
    {"PositionAtTheMaximum", 28, SIF_POS, 0, 0, 0, 100, 100, 0, 100, 14},
    {"PositionOutsideTakesNothing", 28, SIF_POS | SIF_PAGE, 0, 0, 3, 101, 50, 0, 100, 14},
    {"PositionWithPage", 28, SIF_POS | SIF_PAGE, 0, 0, 30, 0, 0, 0, 100, 30},
    {"PageNotClampedToRange", 28, SIF_PAGE, 0, 0, 200, 0, 50, 0, 100, 200},
    {"PageBeyondIntegers", 28, SIF_PAGE, 0, 0, 0xFFFFFFFFu, 0, 50, 0, 100, INT_MAX},
    {"TrackPositionSetsNothing", 28, SIF_TRACKPOS, 10, 20, 5, 15, 50, 0, 100, 14},
};
// clang-format on

struct ScrollInfo : ::testing::TestWithParam<SiCase> {};

TEST_P(ScrollInfo, SetByMaskThroughTheWindow)
{
    const SiCase& c = GetParam();
    TForm form(nullptr);
    auto* b = new TTestBar(&form);
    b->SetParent(&form);
    b->SetPosition(50);
    bool told = false;
    b->OnScroll = [&](TObject*, TExScrollCode, Integer&, bool&) { told = true; };
    SCROLLINFO si;
    si.cbSize = c.Size;
    si.fMask = c.Mask;
    si.nMin = c.nMin;
    si.nMax = c.nMax;
    si.nPage = c.nPage;
    si.nPos = c.nPos;
    EXPECT_EQ(SetScrollInfo(b->Handle(), SB_CTL, &si, TRUE), c.Pos);
    EXPECT_EQ(b->Position(), c.Pos);
    EXPECT_EQ(b->Min(), c.Min);
    EXPECT_EQ(b->Max(), c.Max);
    EXPECT_EQ(b->Page(), c.Page);
    EXPECT_FALSE(told);
}

INSTANTIATE_TEST_SUITE_P(Masks, ScrollInfo, ::testing::ValuesIn(SiCases), morvik::ParamName());

using ScrollInfoRead = Bar;
BOTH_KINDS(ScrollInfoRead);

TEST_P(ScrollInfoRead, OnlyTheMaskedFieldsAreFilled)
{
    Set(-20, 80, 11, 30);
    const int trackEnd = 200 - 16 - B->GetThumbLength();
    B->FThumbPos = trackEnd;  // as a drag leaves it
    for (UINT mask : {0u, SIF_RANGE, SIF_PAGE, SIF_POS, SIF_TRACKPOS, SIF_ALL}) {
        SCROLLINFO si;
        si.fMask = mask;
        si.nMin = si.nMax = si.nPos = si.nTrackPos = -99;
        si.nPage = 99;
        ASSERT_TRUE(GetScrollInfo(B->Handle(), SB_CTL, &si));
        EXPECT_EQ(si.nMin, mask & SIF_RANGE ? -20 : -99) << mask;
        EXPECT_EQ(si.nMax, mask & SIF_RANGE ? 80 : -99) << mask;
        EXPECT_EQ(si.nPage, mask & SIF_PAGE ? 11u : 99u) << mask;
        EXPECT_EQ(si.nPos, mask & SIF_POS ? 30 : -99) << mask;
        EXPECT_EQ(si.nTrackPos, mask & SIF_TRACKPOS ? 80 - 11 + 1 : -99) << mask;
    }
    SCROLLINFO shortRecord;
    shortRecord.cbSize = 27;
    shortRecord.fMask = SIF_ALL;
    EXPECT_FALSE(GetScrollInfo(B->Handle(), SB_CTL, &shortRecord));
    // The position and range calls of a scroll-bar control go through the same messages.
    EXPECT_EQ(SetScrollPos(B->Handle(), SB_CTL, 55, TRUE), 30);
    EXPECT_EQ(B->Position(), 55);
    int mn = 0, mx = 0;
    ASSERT_TRUE(GetScrollRange(B->Handle(), SB_CTL, &mn, &mx));
    EXPECT_EQ(std::pair(mn, mx), std::pair(-20, 80));
    // A thumb that fills the track stands for the first position.
    Set(-20, 80, 200, 30);
    SCROLLINFO track;
    track.fMask = SIF_TRACKPOS;
    ASSERT_TRUE(GetScrollInfo(B->Handle(), SB_CTL, &track));
    EXPECT_EQ(track.nTrackPos, -20);
}

// ---------------------------------------------------------------- styles

using Styles = Bar;
BOTH_KINDS(Styles);

TEST_P(Styles, TheBagReadsAndWritesItsBar)
{
    TExScrollBarStyles s(B);
    EXPECT_TRUE(B->UseSystemMetrics());  // switched on by the bag
    int changes = 0;
    s.OnChange = [&](TObject* Sender) {
        EXPECT_EQ(Sender, &s);
        ++changes;
    };
    const int thick = GetSystemMetrics(GetParam() == sbHorizontal ? SM_CYHSCROLL : SM_CXVSCROLL);
    s.SetWidth(40);  // under the system's sizes: the system thickness stays
    EXPECT_EQ(s.Width(), thick);
    EXPECT_EQ(changes, 2);
    s.SetUseSystemMetrics(false);
    s.SetWidth(40);
    EXPECT_EQ(GetParam() == sbHorizontal ? B->Height() : B->Width(), 40);
    EXPECT_EQ(changes, 4);
    s.SetButtonSize(20);
    s.SetSecondaryButtons(true);
    s.SetSecondBtnKind(sbkPage);
    s.SetArrowColor(clRed);
    s.SetHintColor(clLime);
    s.SetDrawFrames(false);
    EXPECT_EQ(changes, 4);  // only the two sizing setters tell
    EXPECT_EQ(B->GetButtonSize(), 20);
    EXPECT_EQ(B->SecondBtnKind(), sbkPage);
    EXPECT_EQ(B->ArrowColor(), clRed);
    EXPECT_EQ(B->HintColor(), clLime);
    EXPECT_FALSE(B->DrawArrowFrames());
    // A bar too short for its buttons reads back the size they really get.
    Lay(60, 40);
    EXPECT_EQ(s.ButtonSize(), 15);
    // Stored and read into the bag of a fresh bar, the width comes back, though it is read first.
    TExIniFile ini(nullptr);
    ASSERT_TRUE(ini.WriteObject("\\Bar", &s));
    auto* fresh = new TTestBar(Form);
    fresh->SetKind(GetParam());
    TExScrollBarStyles back(fresh);
    ASSERT_TRUE(ini.ReadObject("\\Bar", &back));
    EXPECT_EQ(back.Width(), 40);
}

TEST_P(Styles, AssignCopiesTheLookButNotTheSizes)
{
    auto* other = new TTestBar(Form);
    other->SetParent(Form);
    TExScrollBarStyles from(other), to(B);
    from.SetUseSystemMetrics(false);
    from.SetWidth(33);
    from.SetButtonSize(21);
    from.SetActiveFlat(true);
    from.SetBlendBackground(false);
    from.SetColor(clTeal);
    from.SetFlat(false);
    from.SetMinThumbSize(9);
    from.SetOwnerDraw(true);
    from.SetSecondaryButtons(true);
    from.SetSecondBtnKind(sbkCustom);
    from.SetShowTrackHint(true);
    from.SetThumbMode(etmFixed);
    from.SetThumbSize(25);
    from.SetArrowColor(clRed);
    from.SetBarColor(clRed);
    to.SetUseSystemMetrics(false);
    to.Assign(&from);
    EXPECT_TRUE(B->ActiveFlat());
    EXPECT_FALSE(B->BlendBackground());
    EXPECT_EQ(B->Color(), clTeal);
    EXPECT_FALSE(B->Flat());
    EXPECT_EQ(B->MinThumbSize(), 9);
    EXPECT_TRUE(B->OwnerDraw());
    EXPECT_TRUE(B->SecondaryButtons());
    EXPECT_EQ(B->SecondBtnKind(), sbkCustom);
    EXPECT_TRUE(B->ShowTrackHint());
    EXPECT_EQ(B->ThumbMode(), etmFixed);
    EXPECT_EQ(B->ThumbSize(), 25);
    // The bag switched the system's sizes on when it was made.
    EXPECT_EQ(to.Width(), GetSystemMetrics(GetParam() == sbHorizontal ? SM_CYHSCROLL : SM_CXVSCROLL));
    EXPECT_EQ(B->GetButtonSize(), GetSystemMetrics(GetParam() == sbHorizontal ? SM_CXHSCROLL : SM_CYVSCROLL));
    EXPECT_EQ(B->ArrowColor(), clBtnText);
    EXPECT_EQ(B->BarColor(), clBtnShadow);
    TStringList strings;
    EXPECT_THROW(to.Assign(&strings), EConvertError);
}

TEST(StylesWithoutBar, RaiseAndTheClassIsRegistered)
{
    try {
        TExScrollBarStyles s(nullptr);
        FAIL() << "made without a bar";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "No scrollbar specified when attempting to create TExScrollBarStyles instance");
    }
    const TClassInfo* info = GetClass("TExScrollBarStyles");
    ASSERT_NE(info, nullptr);
    std::vector<std::string> names;
    for (const TPropInfo* p : GetPropList(info)) names.push_back(p->Name);
    ASSERT_EQ(names.size(), 32u);
    EXPECT_EQ(names[15], "Width");
    EXPECT_EQ(names[20], "OnChange");
    EXPECT_EQ(names[31], "UseXPThemes");
}

}  // namespace
