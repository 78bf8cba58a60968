// Cell controls: the progress bar's share of its range (out-of-range values and an empty range
// included) on pixels; the check box's and the button's answers to clicks and presses; what a
// hidden control repaints; copying; references to menus and image lists that go; and a handler that
// frees the control it was called by. Their painting inside a tree's cells is with the rows'.
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "TreeRecorder.h"
#include "platform/Graphics.h"
#include "platform/ImgList.h"
#include "tree/Extree.h"
#include "platform/Menus.h"
#include "tree/Excellctl.h"
#include "tree/Excellstyle.h"

namespace {

// ---------------------------------------------------------------- the progress bar

struct ShareCase {
    const char* name;
    Integer min, max, value;
    Integer percent;  // also the filled part of a bar 100 pixels wide
};

class ProgressShare : public ::testing::TestWithParam<ShareCase> {};

TEST_P(ProgressShare, IsMeasuredFromTheMinimumAndKeptInsideTheBar)
{
    const ShareCase& c = GetParam();
    TExCellProgressBar bar(nullptr);
    bar.SetMinValue(c.min);
    bar.SetMaxValue(c.max);
    bar.SetValue(c.value);
    EXPECT_EQ(bar.Percent(), c.percent);
    EXPECT_EQ(bar.FilledWidth(100), c.percent);
    EXPECT_EQ(bar.FilledWidth(0), 0);
}

const ShareCase ShareCases[] = {
    {"QuarterOfTwoHundred", 0, 200, 50, 25},
    {"FromAMinimumAboveZero", 100, 200, 150, 50},
    {"AtTheMinimum", 100, 200, 100, 0},
    {"PastTheMaximum", 0, 100, 150, 100},
    {"BelowTheMinimum", 10, 20, 5, 0},
    {"EmptyRange", 5, 5, 5, 0},
    {"ReversedRange", 10, 0, 5, 0},
    {"RoundedToTheNearest", 0, 3, 2, 67},
    {"WholeIntegerRange", INT_MIN, INT_MAX, 0, 50},
};

INSTANTIATE_TEST_SUITE_P(Cases, ProgressShare, ::testing::ValuesIn(ShareCases),
                         [](const ::testing::TestParamInfo<ShareCase>& Info) { return Info.param.name; });

// Paints a control into a bitmap of its own and reads it back.
struct Painted {
    TBitmap bitmap;
    explicit Painted(TExCellControl& Control, int Width = 120, int Height = 17)
    {
        bitmap.SetSize(Width, Height + 1);
        bitmap.Canvas()->Brush()->SetColor(clWindow);
        bitmap.Canvas()->FillRect(TRect{0, 0, Width, Height + 1});
        Control.Paint(bitmap.Canvas(), TRect{0, 0, Width, Height});
    }
    COLORREF At(int X, int Y) { return COLORREF(bitmap.Canvas()->Pixels(X, Y)); }
    int Count(COLORREF C, int X1, int X2, int Y)
    {
        int n = 0;
        for (int x = X1; x < X2; ++x) n += At(x, Y) == C;
        return n;
    }
};

TEST(CellProgressBar, FillsItsShareInsideItsFrameAndMakesRoomForSideText)
{
    TExCellProgressBar bar(nullptr);
    bar.SetBarColor(clGreen);
    bar.SetColor(clYellow);
    bar.SetFrameColor(clBlue);
    bar.SetShowProgressText(false);
    bar.SetMaxValue(200);
    bar.SetValue(50);
    {
        Painted p(bar, 102);
        EXPECT_EQ(p.At(0, 8), ColorToRGB(clBlue)) << "the frame";
        EXPECT_EQ(p.Count(ColorToRGB(clGreen), 0, 102, 8), 25);
        EXPECT_EQ(p.At(1, 8), ColorToRGB(clGreen));
        EXPECT_EQ(p.At(60, 8), ColorToRGB(clYellow));
    }
    // A value beyond the range fills the bar and no more.
    bar.SetMinValue(100);
    bar.SetValue(900);
    {
        Painted p(bar, 102);
        EXPECT_EQ(p.Count(ColorToRGB(clGreen), 0, 102, 8), 100);
        EXPECT_EQ(p.At(101, 8), ColorToRGB(clBlue));
    }
    // An empty range paints an empty bar.
    bar.SetMaxValue(100);
    {
        Painted p(bar, 102);
        EXPECT_EQ(p.Count(ColorToRGB(clGreen), 0, 102, 8), 0);
    }
    // Text at a side takes its width from the bar.
    bar.SetMinValue(0);
    bar.SetMaxValue(100);
    bar.SetValue(100);
    bar.SetShowProgressText(true);
    bar.SetTextAlignment(taRightJustify);
    {
        Painted p(bar, 120);
        EXPECT_EQ(p.At(1, 8), ColorToRGB(clGreen));
        EXPECT_NE(p.At(118, 8), ColorToRGB(clGreen)) << "the text's place";
        EXPECT_LT(p.Count(ColorToRGB(clGreen), 0, 120, 8), 110);
    }
    bar.SetTextAlignment(taLeftJustify);
    {
        Painted p(bar, 120);
        EXPECT_NE(p.At(1, 8), ColorToRGB(clGreen));
        EXPECT_EQ(p.At(117, 8), ColorToRGB(clGreen));
    }
    // Centred text lies over the middle of a bar that keeps its whole width.
    bar.SetTextAlignment(taCenter);
    bar.SetValue(0);
    {
        Painted p(bar, 120);
        int first = -1, last = -1;
        for (int y = 0; y < 17; ++y)
            for (int x = 1; x < 119; ++x)
                if (p.At(x, y) != ColorToRGB(clYellow) && p.At(x, y) != ColorToRGB(clBlue)) {
                    if (first < 0 || x < first) first = x;
                    last = std::max(last, x);
                }
        ASSERT_GE(first, 0) << "no text";
        EXPECT_NEAR((first + last) / 2, 60, 3);
        EXPECT_EQ(p.At(118, 8), ColorToRGB(clYellow));
    }
}

TEST(CellControls, PaintingGivesTheCanvasItsPenBrushAndFontBack)
{
    TExCellProgressBar bar(nullptr);
    bar.SetValue(40);
    TExCellCheckBox box(nullptr);
    box.SetCaption("box");
    TExCellButton button(nullptr);
    button.SetCaption("go");
    for (TExCellControl* c : std::initializer_list<TExCellControl*>{&bar, &box, &button}) {
        TBitmap b;
        b.SetSize(100, 18);
        TCanvas* canvas = b.Canvas();
        canvas->Pen()->SetColor(clOlive);
        canvas->Pen()->SetWidth(3);
        canvas->Brush()->SetColor(clTeal);
        canvas->Font()->SetColor(clPurple);
        canvas->Font()->SetSize(15);
        c->Paint(canvas, TRect{0, 0, 100, 17});
        EXPECT_EQ(canvas->Pen()->Color(), clOlive);
        EXPECT_EQ(canvas->Pen()->Width(), 3);
        EXPECT_EQ(canvas->Brush()->Color(), clTeal);
        EXPECT_EQ(canvas->Font()->Color(), clPurple);
        EXPECT_EQ(canvas->Font()->Size(), 15);
    }
}

// ---------------------------------------------------------------- check box and button

TEST(CellCheckBox, ADisabledBoxAndCaptionLookDisabled)
{
    TExCellCheckBox box(nullptr);
    box.SetCaption("Done");
    box.SetChecked(true);
    auto pixels = [&] {
        Painted p(box, 80);
        std::vector<COLORREF> r;
        for (int y = 0; y < 17; ++y)
            for (int x = 0; x < 80; ++x) r.push_back(p.At(x, y));
        return r;
    };
    auto region = [](const std::vector<COLORREF>& All, int X1, int X2) {
        std::vector<COLORREF> r;
        for (int y = 0; y < 17; ++y)
            for (int x = X1; x < X2; ++x) r.push_back(All[std::size_t(y * 80 + x)]);
        return r;
    };
    const auto enabled = pixels();
    box.SetEnabled(false);
    const auto disabled = pixels();
    EXPECT_NE(region(enabled, 0, 16), region(disabled, 0, 16)) << "the box";
    EXPECT_NE(region(enabled, 18, 80), region(disabled, 18, 80)) << "the caption";
}

TEST(CellCheckBox, ClicksStepTheStateBeforeTheHandlerSeesIt)
{
    TExCellCheckBox box(nullptr);
    std::vector<TCheckBoxState> seen;
    box.OnClick = [&](TObject* Sender) { seen.push_back(static_cast<TExCellCheckBox*>(Sender)->State()); };
    box.TriggerClickEvent();
    box.TriggerClickEvent();
    EXPECT_EQ(seen, (std::vector<TCheckBoxState>{cbChecked, cbUnchecked})) << "two states without grayed";
    box.SetState(cbGrayed);
    EXPECT_EQ(box.State(), cbUnchecked) << "grayed is refused until allowed";
    box.SetAllowGrayed(true);
    seen.clear();
    for (int i = 0; i < 3; ++i) box.TriggerClickEvent();
    EXPECT_EQ(seen, (std::vector<TCheckBoxState>{cbGrayed, cbChecked, cbUnchecked}));
    box.SetState(cbGrayed);
    box.SetAllowGrayed(false);
    EXPECT_EQ(box.State(), cbUnchecked);
    box.SetChecked(true);
    EXPECT_TRUE(box.Checked());
    // Only a grayed box is cleared when grayed is no longer allowed.
    box.SetAllowGrayed(true);
    box.SetAllowGrayed(false);
    EXPECT_TRUE(box.Checked());
    EXPECT_FALSE(box.PassClicks());
}

TEST(CellButton, PressesAndReleasesAndTheSwitch)
{
    TExCellButton button(nullptr);
    std::vector<bool> downAtPress;
    button.OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { downAtPress.push_back(button.Down()); };
    button.TriggerMouseDownEvent(mbLeft, 0, 3, 4);
    EXPECT_TRUE(button.Down());
    button.TriggerMouseUpEvent(mbLeft, 0, 3, 4);
    EXPECT_FALSE(button.Down());
    button.SetSwitch(true);
    button.TriggerMouseDownEvent(mbLeft, 0, 3, 4);
    button.TriggerMouseUpEvent(mbLeft, 0, 3, 4);
    EXPECT_TRUE(button.Down()) << "a switch stays down after its release";
    button.TriggerMouseDownEvent(mbLeft, 0, 3, 4);
    button.TriggerMouseUpEvent(mbLeft, 0, 3, 4);
    EXPECT_FALSE(button.Down());
    EXPECT_EQ(downAtPress, (std::vector<bool>{true, true, false}));
    EXPECT_FALSE(button.PassClicks());
    // Up and down look different.
    button.SetCaption("Go");
    Painted up(button, 60, 20);
    button.SetDown(true);
    Painted down(button, 60, 20);
    EXPECT_NE(up.At(0, 0), down.At(0, 0));
}

TEST(CellControls, AssignCopiesEachKindsOwnSettingsOnly)
{
    TExCellProgressBar a(nullptr), b(nullptr);
    a.SetMinValue(3);
    a.SetMaxValue(9);
    a.SetValue(4);
    a.SetBarColor(clRed);
    a.SetShowProgressText(false);
    a.SetTextAlignment(taLeftJustify);
    a.SetFrameColor(clGreen);
    a.SetColor(clBlue);
    a.SetCaption("not copied");
    a.SetEnabled(false);
    b.Assign(&a);
    EXPECT_EQ(b.MinValue(), 3);
    EXPECT_EQ(b.MaxValue(), 9);
    EXPECT_EQ(b.Value(), 4);
    EXPECT_EQ(b.BarColor(), clRed);
    EXPECT_FALSE(b.ShowProgressText());
    EXPECT_EQ(b.TextAlignment(), taLeftJustify);
    EXPECT_EQ(b.FrameColor(), clGreen);
    EXPECT_EQ(b.Color(), clBlue);
    EXPECT_EQ(b.Caption(), "");
    EXPECT_TRUE(b.Enabled());
    EXPECT_TRUE(b.PassClicks());
    TExCellButton c(nullptr), d(nullptr);
    TBitmap glyph;
    glyph.SetSize(8, 8);
    c.SetGlyph(&glyph);
    c.SetSwitch(true);
    c.SetDown(true);
    d.Assign(&c);
    EXPECT_EQ(d.Glyph()->Width(), 8);
    EXPECT_TRUE(d.Switch());
    EXPECT_TRUE(d.Down());
    d.Assign(&b);  // another kind: nothing
    EXPECT_TRUE(d.Down());
    TExCellCheckBox e(nullptr), f(nullptr);
    e.SetChecked(true);
    f.Assign(&e);
    EXPECT_FALSE(f.Checked());
}

TEST(CellControls, MenusAndImageListsThatGoAreForgotten)
{
    auto* menu = new TPopupMenu(nullptr);
    auto* list = new TImageList(nullptr);
    TExCellButton button(nullptr);
    button.SetPopupMenu(menu);
    button.SetImageList(list);
    EXPECT_EQ(button.PopupMenu(), menu);
    // Each reference goes with its own object only.
    TObject::Free(list);
    EXPECT_EQ(button.ImageList(), nullptr);
    EXPECT_EQ(button.PopupMenu(), menu);
    TObject::Free(menu);
    EXPECT_EQ(button.PopupMenu(), nullptr);
}

// ---------------------------------------------------------------- in a style

class HostedControl : public ::testing::Test {
protected:
    TreeRecorder host;
    TExTreeModel tree{&host};
    TExTreeItem* item = tree.Items()->Add(nullptr, "i");
    TExCellStyle* style = nullptr;
    void SetUp() override
    {
        item->SetUseStyles(true);
        style = item->AddStyle();
        host.Clear();
    }
};

TEST_F(HostedControl, AHiddenControlRepaintsNothingUntilShownAgain)
{
    auto* bar = new TExCellProgressBar(nullptr);
    style->SetControl(bar);
    host.Clear();
    bar->SetValue(10);
    EXPECT_EQ(host.Lines("redraw").size(), 1u);
    host.Clear();
    bar->SetVisible(false);
    bar->SetValue(20);
    bar->SetCaption("x");
    EXPECT_TRUE(host.Lines("redraw").empty());
    bar->SetVisible(true);
    EXPECT_EQ(host.Lines("redraw").size(), 1u);
    // The button's image list and index repaint only while it draws from the list.
    auto* button = new TExCellButton(nullptr);
    style->SetControl(button);  // frees the bar
    TImageList list(nullptr);
    host.Clear();
    button->SetImageList(&list);
    button->SetImageIndex(2);
    EXPECT_TRUE(host.Lines("redraw").empty());
    button->SetUseImageList(true);
    host.Clear();
    button->SetImageIndex(1);
    EXPECT_EQ(host.Lines("redraw").size(), 1u);
    button->SetImageList(nullptr);
}

TEST_F(HostedControl, AFreedControlLeavesItsStyle)
{
    auto* box = new TExCellCheckBox(nullptr);
    style->SetControl(box);
    host.Clear();
    TObject::Free(box);
    EXPECT_EQ(style->Control(), nullptr);
    EXPECT_EQ(host.Lines("redraw").size(), 1u);
}

TEST_F(HostedControl, AClickHandlerMayFreeItsOwnControl)
{
    auto* box = new TExCellCheckBox(nullptr);
    style->SetControl(box);
    box->OnClick = [this](TObject*) { style->SetControl(nullptr); };
    box->TriggerClickEvent();
    EXPECT_EQ(style->Control(), nullptr);
    auto* button = new TExCellButton(nullptr);
    style->SetControl(button);
    button->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { style->SetControl(nullptr); };
    button->TriggerMouseDownEvent(mbLeft, 0, 0, 0);
    EXPECT_EQ(style->Control(), nullptr);
}

}  // namespace
