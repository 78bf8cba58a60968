// The advanced list box: its owner-drawn items and selection looks read back from the screen, item
// hints at the edges of items and of the list, line hints that come, go and are hidden by others,
// the sideways extent as items come and go (a hundred thousand of them too), the flat border and
// scroll bars while hot, backgrounds, typing beyond ASCII, and handlers that free the list box.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "controls/Exactrls.h"
#include "ctlbase/Eximgfrm.h"
#include "ctlbase/Exuxtheme.h"
#include "platform/Input.h"
#include "platform/WinGdi.h"
#include "tests/support/UiTest.h"
#include "tests/support/X11Session.h"

namespace {

COLORREF Rgb(TColor C) { return COLORREF(ColorToRGB(C)); }

// Smoothed text has few pixels of exactly its colour: near it is enough.
bool Near(COLORREF A, TColor B)
{
    const COLORREF b = Rgb(B);
    auto close = [](int x, int y) { return std::abs(x - y) <= 0x30; };
    return close(GetRValue(A), GetRValue(b)) && close(GetGValue(A), GetGValue(b)) && close(GetBValue(A), GetBValue(b));
}

struct AdvancedListBox : ::testing::Test {
    TForm* Form = nullptr;
    TExAdvancedListBox* L = nullptr;
    TEdit* Other = nullptr;
    Integer SavedPause = 0, SavedHide = 0;

    AdvancedListBox()
    {
        Application->Initialize();
        SavedPause = Application->HintPause;
        SavedHide = Application->HintHidePause;
        Form = new TForm(nullptr);
        Form->SetBounds(60, 60, 460, 320);
        Form->AfterConstruction();
        L = new TExAdvancedListBox(Form);
        L->SetParent(Form);
        L->SetBounds(20, 20, 160, 120);
        L->SetUseXPThemes(false);
        Other = new TEdit(Form);
        Other->SetParent(Form);
        Other->SetBounds(20, 240, 160, 24);
        Form->Show();
        uitest::Pump();
        Other->SetFocus();
    }
    ~AdvancedListBox() override
    {
        Application->HintPause = SavedPause;
        Application->HintHidePause = SavedHide;
        TObject::Free(Form);
        uitest::Pump();
    }
    COLORREF WindowPixel(TWinControl* C, int X, int Y)
    {
        uitest::Pump();
        HDC dc = GetWindowDC(C->Handle());
        const COLORREF p = GetPixel(dc, X, Y);
        ReleaseDC(C->Handle(), dc);
        return p;
    }
    COLORREF ClientPixel(TWinControl* C, int X, int Y)
    {
        uitest::Pump();
        HDC dc = GetDC(C->Handle());
        const COLORREF p = GetPixel(dc, X, Y);
        ReleaseDC(C->Handle(), dc);
        return p;
    }
    // Pixels of an item's row that are not Ground.
    int Inked(int Index, COLORREF Ground)
    {
        uitest::Pump();
        const TRect r = L->ItemRect(Index);
        HDC dc = GetDC(L->Handle());
        int n = 0;
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < std::min(r.Right, 80); ++x)
                if (GetPixel(dc, x, y) != Ground)
                    ++n;
        ReleaseDC(L->Handle(), dc);
        return n;
    }
    int TextWidth(const std::string& S)
    {
        TBitmap b;
        b.Canvas()->SetFont(L->Font());
        return b.Canvas()->TextWidth(S);
    }
    // The list's client area made exactly Width wide.
    void ClientWidthTo(int Width) { L->SetWidth(L->Width() - L->ClientWidth() + Width); }
    THintInfo Ask(int Y)
    {
        THintInfo info;
        info.HintControl = L;
        info.CursorPos = {10, Y};
        info.HintStr = L->Hint();
        L->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info));
        return info;
    }
};

// ---------------------------------------------------------------- items and selection looks

TEST_F(AdvancedListBox, ItemsAreDrawnWithTheSelectionLookChosen)
{
    for (const char* s : {"alpha", "beta", "gamma"})
        L->Items()->Add(s);
    EXPECT_NE(GetWindowLong(L->Handle(), GWL_STYLE) & LBS_OWNERDRAWFIXED, 0) << "the list draws every item";
    EXPECT_GT(Inked(0, Rgb(clWindow)), 5);
    L->SetSelectedColor(clLime);
    L->SelectedFont()->SetColor(clNavy);
    L->SetItemIndex(1);
    const TRect r = L->ItemRect(1);
    EXPECT_EQ(ClientPixel(L, r.Right - 3, r.Top + 1), Rgb(clLime));
    int navy = 0;
    for (int x = r.Left; x < 60; ++x)
        for (int y = r.Top; y < r.Bottom; ++y)
            navy += Near(ClientPixel(L, x, y), clNavy);
    EXPECT_GT(navy, 3) << "the selected font's colour";
    // Inverted: the unselected background turned over.
    L->SetInvertSelection(true);
    EXPECT_EQ(ClientPixel(L, r.Right - 3, r.Top + 1), COLORREF(~Rgb(clWindow) & 0xFFFFFF));
    const TRect other = L->ItemRect(2);
    EXPECT_EQ(ClientPixel(L, other.Right - 3, other.Top + 1), Rgb(clWindow)) << "only the chosen item turns";
    // Transparent selection: background and text colour as if unselected.
    L->SetInvertSelection(false);
    L->SetTransparentSelection(true);
    L->Font()->SetColor(clMaroon);
    EXPECT_EQ(ClientPixel(L, r.Right - 3, r.Top + 1), Rgb(clWindow));
    int maroon = 0, navyNow = 0;
    for (int x = r.Left; x < 60; ++x)
        for (int y = r.Top; y < r.Bottom; ++y) {
            maroon += Near(ClientPixel(L, x, y), clMaroon);
            navyNow += Near(ClientPixel(L, x, y), clNavy);
        }
    EXPECT_GT(maroon, 3);
    EXPECT_EQ(navyNow, 0);
}

TEST_F(AdvancedListBox, OwnerDrawnStylesGoToTheEventAndStandardIgnoresIt)
{
    L->Items()->Add("one");
    L->Items()->Add("two");
    std::vector<int> drawn;
    L->OnDrawItem = [&](TWinControl* c, int index, TRect r, TOwnerDrawState) {
        EXPECT_EQ(c, L);
        drawn.push_back(index);
        L->Canvas()->Brush()->SetColor(clFuchsia);
        L->Canvas()->FillRect(r);
    };
    L->Repaint();
    uitest::Pump();
    EXPECT_TRUE(drawn.empty()) << "a standard list draws its items itself";
    L->SetStyle(lbOwnerDrawFixed);
    L->Repaint();
    uitest::Pump();
    EXPECT_NE(std::find(drawn.begin(), drawn.end(), 1), drawn.end());
    EXPECT_EQ(ClientPixel(L, 5, L->ItemRect(1).Top + 1), Rgb(clFuchsia));
}

TEST_F(AdvancedListBox, TypingBeyondAsciiChoosesTheItem)
{
    for (const char* s : {"\xC4gypten", "Norwegen", "\xD6sterreich", "Zypern"})  // Ägypten, Österreich
        L->Items()->Add(s);
    L->SetFocus();
    Input::TypeText("\xC3\x96");  // "Ö"
    EXPECT_EQ(L->ItemIndex(), 2);
    Input::AdvanceTime(2000);
    Input::TypeText("\xC3\xA4");  // "ä": case does not matter
    EXPECT_EQ(L->ItemIndex(), 0);
}

// ---------------------------------------------------------------- item hints

TEST_F(AdvancedListBox, TheStandardHintShowsAClippedItemAndTheBoxsHintElsewhere)
{
    const std::string wide = "a clipped item text";
    L->Items()->Add("short");
    L->Items()->Add(wide);
    L->SetHint("the list");
    L->SetShowHint(true);
    const int h = L->ItemHeight();
    ClientWidthTo(TextWidth(wide));
    THintInfo in = Ask(h + 2);
    EXPECT_EQ(in.HintStr, wide) << "exactly as wide as the client area";
    EXPECT_EQ(in.HintPos, L->ClientToScreen({-1, h - 3}));
    EXPECT_EQ(Ask(h + 2 + h / 2).HintStr, wide);
    ClientWidthTo(TextWidth(wide) + 1);
    EXPECT_EQ(Ask(h + 2).HintStr, "") << "one pixel to spare: no hint";
    // A row at a multiple of the item height is the item above.
    ClientWidthTo(TextWidth(wide));
    EXPECT_EQ(Ask(2 * h).HintStr, wide);
    EXPECT_EQ(Ask(h).HintStr, "");
    // The very top row has no item above it: the box's own hint, and nothing read before the list.
    EXPECT_EQ(L->HintItemAt(0), -1);
    EXPECT_EQ(Ask(0).HintStr, "the list");
    // Below the last item.
    EXPECT_EQ(Ask(3 * h + 2).HintStr, "the list");
    L->SetShowHint(false);
    EXPECT_EQ(Ask(3 * h + 2).HintStr, "");
    // Scrolled: the row counts from the top item.
    for (int i = 0; i < 20; ++i)
        L->Items()->Add("filler " + std::to_string(i));
    L->Items()->Add(wide);
    L->SetTopIndex(L->Count() - 3);
    const int top = L->TopIndex();
    EXPECT_EQ(L->HintItemAt((L->Count() - 1 - top) * h + 1), L->Count() - 1);
    L->SetShowHint(true);
    ClientWidthTo(TextWidth(wide));
    const int row = L->Count() - 1 - L->TopIndex();
    in = Ask(row * h + 2);
    EXPECT_EQ(in.HintStr, wide);
    EXPECT_EQ(in.HintPos, L->ClientToScreen({-1, row * h - 3})) << "over the item where it shows";
}

TEST_F(AdvancedListBox, ALineHintComesAfterThePauseAndGoesAfterItsTime)
{
    Application->HintPause = 20;
    Application->HintHidePause = 150;
    L->SetShowLineHint(true);
    L->Items()->Add("short");
    const std::string wide = "an item far too wide for the list box";
    L->Items()->Add(wide);
    const int h = L->ItemHeight();
    Input::MouseMove(L, 30, h + 3);
    EXPECT_EQ(L->LineHintItem(), 1);
    ASSERT_TRUE(uitest::PumpUntil([&] { return L->LineHintWindow() != nullptr; }));
    THintWindow* hint = L->LineHintWindow();
    EXPECT_EQ(hint->Caption(), wide);
    EXPECT_TRUE(IsWindowVisible(hint->Handle()));
    TRect at;
    GetWindowRect(hint->Handle(), &at);
    const TPoint item = L->ClientToScreen(L->ItemRect(1).TopLeft());
    EXPECT_EQ(at.Left, item.X - 3);
    EXPECT_EQ(at.Top, item.Y - 3);
    EXPECT_TRUE(uitest::PumpUntil([&] { return L->LineHintWindow() == nullptr; }));
    EXPECT_EQ(L->LineHintItem(), 1) << "it does not come again while the mouse stays";
    uitest::Pump(400);
    EXPECT_EQ(L->LineHintWindow(), nullptr);
    // A short item arms nothing that shows; moving off cancels.
    Input::MouseMove(L, 30, 3 + h / 2);
    Input::MouseMove(L, 30, 2 + h / 2);
    uitest::Pump(80);
    EXPECT_EQ(L->LineHintWindow(), nullptr);
    EXPECT_EQ(L->LineHintItem(), -1);
    // Changing the style goes back to idle.
    Input::MouseMove(L, 30, h + 3);
    EXPECT_EQ(L->LineHintItem(), 1);
    L->SetStyle(lbOwnerDrawFixed);
    EXPECT_EQ(L->LineHintItem(), -1);
    uitest::Pump(100);
    EXPECT_EQ(L->LineHintWindow(), nullptr) << "nothing comes until the mouse moves again";
    EXPECT_EQ(L->LineHintItem(), -1);
}

TEST_F(AdvancedListBox, ALineHintNeedsTheWholeWidthAndTheTopRowIsNoItem)
{
    Application->HintPause = 20;
    L->SetShowLineHint(true);
    const std::string text = "exact fit";
    L->Items()->Add(text);
    L->Items()->Add("next");
    ClientWidthTo(TextWidth(text + "W") + 1);
    const int h = L->ItemHeight();
    Input::MouseMove(L, 20, 3);
    uitest::Pump(80);
    EXPECT_EQ(L->LineHintWindow(), nullptr) << "one pixel narrower than the box: none";
    Input::MouseMove(L, 20, h + 3);
    ClientWidthTo(TextWidth(text + "W"));
    Input::MouseMove(L, 20, 3);
    EXPECT_TRUE(uitest::PumpUntil([&] { return L->LineHintWindow() != nullptr; })) << "as wide as the box";
    // The top row: no item is armed, and the mouse there shows nothing later either.
    Input::MouseMove(L, 20, h + 3);
    Input::MouseMove(L, 20, 0);
    EXPECT_EQ(L->LineHintItem(), -1);
    EXPECT_EQ(L->LineHintWindow(), nullptr);
}

TEST_F(AdvancedListBox, AWaitingLineHintFollowsTheItemsUnderAStillMouse)
{
    Application->HintPause = 20;
    Application->HintHidePause = 5000;
    L->SetShowLineHint(true);
    for (int i = 0; i < 20; ++i)
        L->Items()->Add("item " + std::to_string(i) + " far too wide for the list box");
    const int h = L->ItemHeight();
    // The list scrolls under the mouse before the pause is over: the item now under it is shown.
    Input::MouseMove(L, 30, h + 3);
    EXPECT_EQ(L->LineHintItem(), 1);
    L->SetTopIndex(4);
    ASSERT_TRUE(uitest::PumpUntil([&] { return L->LineHintWindow() != nullptr; }));
    EXPECT_EQ(L->LineHintWindow()->Caption(), L->Items()->Get(5));
    EXPECT_EQ(L->LineHintItem(), 5);
    // Items deleted from under the mouse while a hint waits: nothing shows, nothing is read.
    Input::MouseMove(L, 30, 3);
    L->SetTopIndex(0);
    Input::MouseMove(L, 30, 2 * h + 3);
    EXPECT_EQ(L->LineHintItem(), 2);
    while (L->Items()->Count() > 2)
        L->Items()->Delete(2);
    uitest::Pump(120);
    EXPECT_EQ(L->LineHintWindow(), nullptr);
    EXPECT_EQ(L->LineHintItem(), -1);
}

TEST_F(AdvancedListBox, ALineHintHiddenBySomeoneElseIsLetGoAfterwards)
{
    Application->HintPause = 20;
    Application->HintHidePause = 5000;
    L->SetShowLineHint(true);
    L->Items()->Add("an item far too wide for the list box");
    Input::MouseMove(L, 30, 3);
    ASSERT_TRUE(uitest::PumpUntil([&] { return L->LineHintWindow() != nullptr; }));
    ShowWindow(L->LineHintWindow()->Handle(), SW_HIDE);
    EXPECT_NE(L->LineHintWindow(), nullptr) << "not freed inside its own message";
    EXPECT_TRUE(uitest::PumpUntil([&] { return L->LineHintWindow() == nullptr; }));
    // The list box freed while its hint shows takes the hint along.
    Input::MouseMove(L, 30, L->ItemHeight() + 5);
    Input::MouseMove(L, 30, 3);
    ASSERT_TRUE(uitest::PumpUntil([&] { return L->LineHintWindow() != nullptr; }));
    TObject::Free(L);
    L = nullptr;
    uitest::Pump(30);
    EXPECT_EQ(Form->ControlCount(), 1);
}

// ---------------------------------------------------------------- the sideways extent

TEST_F(AdvancedListBox, TheExtentFollowsTheWidestItem)
{
    L->SetHorizontalScroll(true);
    auto extent = [&] { return int(SendMessage(L->Handle(), LB_GETHORIZONTALEXTENT, 0, 0)); };
    L->Items()->Add("mid width");
    L->Items()->Add("x");
    EXPECT_EQ(extent(), TextWidth("mid widthW"));
    const std::string widest = "the widest item of them all, by far";
    L->Items()->Insert(1, widest);
    EXPECT_EQ(extent(), TextWidth(widest + "W")) << "widened at once";
    EXPECT_NE(GetWindowLong(L->Handle(), GWL_STYLE) & WS_HSCROLL, 0) << "with a bar to scroll by";
    EXPECT_EQ(L->MaxItemWidth(), extent());
    // Deleting another keeps it; deleting the widest scrolls home and measures again.
    L->Items()->Delete(2);
    EXPECT_EQ(extent(), TextWidth(widest + "W"));
    SendMessage(L->Handle(), WM_HSCROLL, SB_PAGERIGHT, 0);
    EXPECT_LT(L->ItemRect(0).Left, 0);
    L->Items()->Delete(1);
    EXPECT_EQ(extent(), TextWidth("mid widthW"));
    EXPECT_EQ(L->ItemRect(0).Left, 0);
    L->Items()->Add(widest);
    SendMessage(L->Handle(), WM_HSCROLL, SB_PAGERIGHT, 0);
    EXPECT_LT(L->ItemRect(0).Left, 0);
    L->Clear();
    EXPECT_EQ(extent(), 0);
    EXPECT_EQ(L->MaxItemWidth(), 0);
    L->Items()->Add("again");
    EXPECT_EQ(L->ItemRect(0).Left, 0) << "clearing scrolled home";
    L->Clear();
    // Tab stops in quarters of a digit's width.
    L->SetTabWidth(40);
    L->Items()->Add("a\tb");
    const int stop = int(std::lround(40 * TextWidth("0") * 0.25));
    EXPECT_EQ(extent(), stop + TextWidth("bW"));
    // A bigger font measures again.
    L->Clear();
    L->SetTabWidth(0);
    L->Items()->Add(widest);
    L->Font()->SetSize(L->Font()->Size() * 2);
    EXPECT_EQ(extent(), TextWidth(widest + "W"));
}

// The widest item as a list box and a combo box keep it, change by change, against every item
// measured afresh: items added, inserted, sorted in, replaced and deleted (the widest, one of
// several as wide, any other), cleared, a new font, a new window, the list scrolled sideways. An item
// going is measured once, whatever its width; pixels are those of a fresh box given the same items.
template <class TBox>
class TCountingBox : public TBox {
public:
    using TBox::TBox;
    int Measured = 0;

protected:
    int GetItemWidth(int Index) override
    {
        ++Measured;
        return TBox::GetItemWidth(Index);
    }
};

class Widest : public AdvancedListBox, public ::testing::WithParamInterface<unsigned> {};

TEST_P(Widest, TheKeptWidestIsTheWidestMeasuredAfresh)
{
    std::mt19937 rnd(GetParam());
    auto pick = [&](int n) { return n <= 0 ? 0 : int(rnd() % unsigned(n)); };
    auto* list = new TCountingBox<TExAdvancedListBox>(Form);
    auto* combo = new TCountingBox<TExAdvancedComboBox>(Form);
    list->SetParent(Form);
    list->SetBounds(200, 20, 160, 120);
    list->SetHorizontalScroll(true);
    combo->SetParent(Form);
    combo->SetBounds(200, 160, 160, 0);
    combo->SetHorizontalScroll(true);
    // Fixed-format names of one width, mostly; now and then a longer or shorter one.
    auto text = [&] {
        const int k = pick(10);
        return k < 7 ? "2301" + std::to_string(10 + pick(80)) + "-1015" + std::to_string(10 + pick(50)) + ".TXT"
                     : std::string(size_t(1 + pick(30)), "ilmW"[k - 6]);
    };
    auto fresh = [&](TStrings* Items, TFont* Font, int Only = -1) {
        TBitmap b;
        b.Canvas()->SetFont(Font);
        int widest = 0;
        for (int i = Only < 0 ? 0 : Only; i < (Only < 0 ? Items->Count() : Only + 1); ++i)
            widest = std::max(widest, b.Canvas()->TextWidth(Items->Get(i) + "W"));
        return widest;
    };
    for (int step = 0; step < 300; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        for (TWinControl* box : {static_cast<TWinControl*>(list), static_cast<TWinControl*>(combo)}) {
            const bool isList = box == list;
            TStrings* items = isList ? list->Items() : combo->Items();
            const int n = items->Count();
            int& measured = isList ? list->Measured : combo->Measured;
            const int before = measured;
            const int kind = pick(20);
            if (kind < 8 || n == 0) {
                items->Insert(pick(n + 1), text());
            } else if (kind < 14) {
                const int at = pick(n);
                const bool home = isList && fresh(items, box->Font(), at) >= list->MaxItemWidth();
                items->Delete(at);
                ASSERT_LE(measured - before, 1) << "only the item that goes is measured";
                if (home && n > 1) {
                    ASSERT_EQ(list->ItemRect(0).Left, 0) << "the widest going scrolls home";
                }
            } else if (kind < 16) {
                items->Put(pick(n), text());
            } else if (kind == 16) {
                SendMessage(isList ? list->Handle() : combo->ListHandle(), WM_HSCROLL, SB_PAGERIGHT, 0);
            } else if (kind == 17 && pick(4) == 0) {
                box->Font()->SetSize(7 + pick(6));
            } else if (kind == 18 && pick(4) == 0) {
                if (isList)
                    list->SetSorted(!list->Sorted());
                else
                    combo->SetSorted(!combo->Sorted());
            } else if (kind == 19 && pick(8) == 0) {
                items->Clear();
            }
            const int widest = fresh(items, box->Font());
            ASSERT_EQ(isList ? list->MaxItemWidth() : combo->MaxItemWidth(), widest) << (isList ? "list" : "combo");
            ASSERT_EQ(SendMessage(isList ? list->Handle() : combo->ListHandle(), LB_GETHORIZONTALEXTENT, 0, 0), widest);
        }
        if (step % 30 != 29)
            continue;
        // What the list shows, scrolled home, against a box given its items, font and place afresh.
        auto* twin = new TExAdvancedListBox(Form);
        twin->SetParent(Form);
        twin->SetBounds(200, 20, 160, 120);
        twin->SetHorizontalScroll(true);
        twin->Font()->Assign(list->Font());
        twin->Items()->Assign(list->Items());
        twin->SetTopIndex(list->TopIndex());
        SendMessage(list->Handle(), WM_HSCROLL, SB_LEFT, 0);
        auto pixels = [&](TWinControl* Box) {
            uitest::Pump();
            std::vector<COLORREF> p;
            HDC dc = GetWindowDC(Box->Handle());
            for (int y = 0; y < Box->Height(); ++y)
                for (int x = 0; x < Box->Width(); ++x)
                    p.push_back(GetPixel(dc, x, y));
            ReleaseDC(Box->Handle(), dc);
            return p;
        };
        ASSERT_EQ(pixels(list), pixels(twin));
        TObject::Free(twin);
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, Widest, ::testing::Values(1u, 2u, 3u));

TEST_F(AdvancedListBox, AHundredThousandItemsInRandomOrderKeepTheExtentOfTheWidest)
{
    L->SetHorizontalScroll(true);
    L->SetSorted(true);
    L->SetFlat(true);
    std::vector<std::string> items;
    std::mt19937 rng(7);
    for (int i = 0; i < 100000; ++i)
        items.push_back("item " + std::to_string(rng() % 1000000) + std::string(size_t(rng() % 40), 'm'));
    const std::string widest = "item " + std::string(60, 'W');
    items.insert(items.begin() + long(rng() % items.size()), widest);
    L->Items()->BeginUpdate();
    for (const std::string& s : items)
        L->Items()->Add(s);
    L->Items()->EndUpdate();
    // The frame put off while drawing was off is drawn once it is back on: flat, with the bars.
    EXPECT_EQ(WindowPixel(L, 1, 1), Rgb(clBtnFace));
    const int b = GetSystemMetrics(SM_CXEDGE);
    EXPECT_EQ(WindowPixel(L, L->Width() - b - GetSystemMetrics(SM_CXVSCROLL), b), Rgb(clBtnHighlight));
    EXPECT_EQ(WindowPixel(L, b, L->Height() - b - GetSystemMetrics(SM_CYHSCROLL)), Rgb(clBtnHighlight));
    EXPECT_EQ(L->Count(), 100001);
    EXPECT_EQ(L->MaxItemWidth(), TextWidth(widest + "W"));
    EXPECT_EQ(L->Items()->Get(L->Count() - 1), widest) << "sorted";
    L->Items()->Delete(L->Count() - 1);
    EXPECT_LT(L->MaxItemWidth(), TextWidth(widest + "W"));
    EXPECT_GE(L->MaxItemWidth(), TextWidth("item " + std::string(39, 'm') + "W"));
}

TEST_F(AdvancedListBox, ItemsAddedOneByOneWithoutAnUpdateDrawTheFrameOnceAfterThem)
{
    L->SetFlat(true);
    uitest::Pump();
    const int b = GetSystemMetrics(SM_CXEDGE);
    auto mark = [&] {
        HDC dc = GetWindowDC(L->Handle());
        SetPixel(dc, 1, 1, RGB(255, 0, 0));
        ReleaseDC(L->Handle(), dc);
    };
    auto frameCorner = [&] {
        HDC dc = GetWindowDC(L->Handle());
        const COLORREF p = GetPixel(dc, 1, 1);
        ReleaseDC(L->Handle(), dc);
        return p;
    };
    for (int round = 0; round < 2; ++round) {
        // A mark on the frame shows whether the frame was drawn again.
        mark();
        for (int i = 0; i < 5000; ++i)
            L->Items()->Add("item " + std::to_string(i));
        L->Items()->Delete(0);
        EXPECT_EQ(frameCorner(), RGB(255, 0, 0)) << "the frame waits for the paint the items ask for";
        uitest::Pump();
        EXPECT_EQ(frameCorner(), Rgb(clBtnFace));
    }
    EXPECT_EQ(L->Count(), 9998);
    // Drawn then with the bar, whose thumb is at the top of the new range.
    EXPECT_EQ(WindowPixel(L, L->Width() - b - GetSystemMetrics(SM_CXVSCROLL), b), Rgb(clBtnHighlight));
    SCROLLINFO si{};
    si.fMask = SIF_ALL;
    GetScrollInfo(L->Handle(), SB_VERT, &si);
    EXPECT_EQ(si.nMax, 9997);
    EXPECT_EQ(si.nPos, 0);
}

// ---------------------------------------------------------------- flat border and scroll bars

TEST_F(AdvancedListBox, FlatBorderAndScrollBarsFollowTheHotState)
{
    for (int i = 0; i < 30; ++i)
        L->Items()->Add("row " + std::to_string(i));
    L->SetFlat(true);
    Input::MouseMove(Form, 400, 280);
    const int b = GetSystemMetrics(SM_CXEDGE);
    const int barLeft = L->Width() - b - GetSystemMetrics(SM_CXVSCROLL);
    EXPECT_EQ(WindowPixel(L, 1, 1), Rgb(clBtnFace));
    EXPECT_EQ(WindowPixel(L, barLeft + 1, b + 1), Rgb(clBtnFace));
    EXPECT_EQ(WindowPixel(L, barLeft, b), Rgb(clBtnHighlight));
    Input::MouseMove(L, 30, 30);
    EXPECT_EQ(WindowPixel(L, 1, 1), Rgb(cl3DDkShadow));
    EXPECT_EQ(WindowPixel(L, barLeft + 1, b + 1), Rgb(clBtnHighlight));
    // The active type changed while hot shows at once.
    L->SetActiveBorderType(fbtFlat);
    EXPECT_EQ(L->ActiveBorderType(), fbtFlat);
    EXPECT_EQ(WindowPixel(L, 1, 1), Rgb(clWindow));
    L->SetActiveBorderType(fbtSunken);
    EXPECT_EQ(WindowPixel(L, 1, 1), Rgb(cl3DDkShadow));
    Input::MouseMove(Form, 400, 280);
    // A scroll by the bar leaves the flat look in place.
    SendMessage(L->Handle(), WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(L->TopIndex(), 1);
    EXPECT_EQ(WindowPixel(L, barLeft + 1, b + 1), Rgb(clBtnFace));
    // Dragging the thumb: the arrow buttons are left as they are while it moves.
    SendMessage(L->Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 5), 0);
    HDC dc = GetWindowDC(L->Handle());
    SetPixel(dc, barLeft + 1, b + 1, RGB(255, 0, 0));
    ReleaseDC(L->Handle(), dc);
    SendMessage(L->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(30, 30));
    EXPECT_EQ(WindowPixel(L, barLeft + 1, b + 1), RGB(255, 0, 0));
    SendMessage(L->Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 5), 0);
    EXPECT_EQ(WindowPixel(L, barLeft + 1, b + 1), Rgb(clBtnFace));
    // Border sides as the edit's.
    const TRect all = L->ClientRect();
    L->SetBorderSides(BorderSide(ebsLeft) | BorderSide(ebsRight));
    EXPECT_EQ(L->ClientRect().Height(), all.Height() + 2 * GetSystemMetrics(SM_CYEDGE));
}

TEST_F(AdvancedListBox, AThemedFrameLeavesTheScrollBarsTheirOwnLook)
{
    if (!ThemesAvailable)
        GTEST_SKIP() << "themes switched off";
    for (int i = 0; i < 30; ++i)
        L->Items()->Add("row " + std::to_string(i));
    L->SetHorizontalScroll(true);
    L->Items()->Add(std::string(80, 'W'));
    const int b = GetSystemMetrics(SM_CXEDGE);
    const int cx = GetSystemMetrics(SM_CXVSCROLL), cy = GetSystemMetrics(SM_CYHSCROLL);
    // The bars' pieces as the default painting leaves them: the up arrow and the right arrow.
    const TPoint up{L->Width() - b - cx / 2, b + cx / 2};
    const TPoint right{L->Width() - b - cx - cy / 2, L->Height() - b - cy / 2};
    const COLORREF plainUp = WindowPixel(L, up.X, up.Y), plainRight = WindowPixel(L, right.X, right.Y);
    const COLORREF plainEdge = WindowPixel(L, 0, 5);
    L->SetUseXPThemes(true);
    ASSERT_TRUE(L->IsThemeApplied());
    L->SetBorderSides(BorderSide(ebsLeft) | BorderSide(ebsTop) | BorderSide(ebsRight) | BorderSide(ebsBottom));
    L->SetStyle(lbOwnerDrawFixed);
    L->SetStyle(lbStandard);
    EXPECT_TRUE(L->IsThemeApplied()) << "a window made anew opens the theme again";
    RedrawWindow(L->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_NE(WindowPixel(L, 0, 5), plainEdge) << "the frame is the theme's";
    EXPECT_EQ(WindowPixel(L, up.X, up.Y), plainUp);
    EXPECT_EQ(WindowPixel(L, right.X, right.Y), plainRight);
}

TEST_F(AdvancedListBox, TheSelectedFontFollowsTheParentsAndOwnChangesTakeItAway)
{
    L->Items()->Add("item");
    EXPECT_TRUE(L->ParentFont());
    Form->Font()->SetSize(14);
    EXPECT_EQ(L->SelectedFont()->Size(), 14) << "the parent's font, in the selection's colour";
    EXPECT_EQ(L->SelectedFont()->Color(), clHighlightText);
    EXPECT_TRUE(L->ParentFont()) << "following the parent keeps following it";
    L->SelectedFont()->SetStyle(FontStyle(fsBold));
    EXPECT_FALSE(L->ParentFont()) << "a font of its own for the selection";
    Form->Font()->SetSize(9);
    EXPECT_EQ(L->SelectedFont()->Size(), 14);
}

TEST_F(AdvancedListBox, LooksChangeOnScreenAtOnce)
{
    L->Items()->Add("first");
    L->Items()->Add("second");
    L->SetItemIndex(0);
    const TRect r = L->ItemRect(0);
    EXPECT_EQ(ClientPixel(L, r.Right - 3, r.Top + 1), Rgb(clHighlight));
    L->SetTransparentSelection(true);
    EXPECT_EQ(ClientPixel(L, r.Right - 3, r.Top + 1), Rgb(clWindow)) << "the first item chosen too";
    L->SetTransparentSelection(false);
    L->SetSelectedColor(clOlive);
    EXPECT_EQ(ClientPixel(L, r.Right - 3, r.Top + 1), Rgb(clOlive));
    L->SetInvertSelection(true);
    EXPECT_EQ(ClientPixel(L, r.Right - 3, r.Top + 1), COLORREF(~Rgb(clWindow) & 0xFFFFFF));
    EXPECT_EQ(WindowPixel(L, 1, 1), Rgb(cl3DDkShadow)) << "the default sunken edge";
    L->SetFlat(true);
    EXPECT_EQ(WindowPixel(L, 1, 1), Rgb(clBtnFace));
    L->SetInactiveBorderType(fbtFlat);
    EXPECT_EQ(WindowPixel(L, 1, 1), Rgb(clWindow));
    L->SetFlat(false);
    EXPECT_EQ(WindowPixel(L, 1, 1), Rgb(cl3DDkShadow));
    EXPECT_EQ(L->Perform(WM_THEMECHANGED, 0, 0), 1);
    // An image form that goes is forgotten at once.
    auto* form = new TExImageForm(Form);
    TBitmap pic;
    pic.SetSize(8, 8);
    pic.Canvas()->Brush()->SetColor(clTeal);
    pic.Canvas()->FillRect(TRect{0, 0, 8, 8});
    form->SetBkImage(&pic);
    form->SetBackgroundType(bgtTileBitmap);
    L->SetImageForm(form);
    EXPECT_EQ(ClientPixel(L, r.Right - 3, L->ItemRect(1).Top + 1), Rgb(clTeal)) << "under an item";
    EXPECT_EQ(ClientPixel(L, r.Right - 3, L->ClientHeight() - 2), Rgb(clTeal)) << "below the items";
    TObject::Free(form);
    EXPECT_EQ(L->ImageForm(), nullptr);
    EXPECT_EQ(ClientPixel(L, r.Right - 3, L->ItemRect(1).Top + 1), Rgb(clWindow));
}

// ---------------------------------------------------------------- backgrounds

TEST_F(AdvancedListBox, ATiledBackgroundShowsUnderItemsAndInAnEmptyList)
{
    TBitmap tile;
    tile.SetSize(2, 2);
    tile.Canvas()->Brush()->SetColor(clYellow);
    tile.Canvas()->FillRect(TRect{0, 0, 2, 2});
    L->SetBackground(&tile);
    L->SetUseBackground(true);
    L->SetFocus();
    const TRect c = L->ClientRect();
    EXPECT_EQ(ClientPixel(L, c.Right - 2, 2), Rgb(clYellow)) << "an empty, focused list";
    EXPECT_EQ(ClientPixel(L, c.Right - 2, c.Bottom - 2), Rgb(clYellow));
    L->Items()->Add("first");
    L->Items()->Add("second");
    EXPECT_EQ(ClientPixel(L, c.Right - 2, 2), Rgb(clYellow)) << "under an item";
    EXPECT_GT(Inked(0, Rgb(clYellow)), 5);
    L->SetItemIndex(1);
    EXPECT_EQ(ClientPixel(L, c.Right - 2, L->ItemRect(1).Top + 1), Rgb(clHighlight));
    L->SetTransparentSelection(true);
    EXPECT_EQ(ClientPixel(L, c.Right - 2, L->ItemRect(1).Top + 1), Rgb(clYellow));
    // Seen through to the parent.
    L->SetUseBackground(false);
    L->SetTransparent(true);
    Form->SetColor(clGreen);
    L->Repaint();
    EXPECT_EQ(ClientPixel(L, c.Right - 2, 2), Rgb(clGreen));
    EXPECT_EQ(ClientPixel(L, c.Right - 2, c.Bottom - 2), Rgb(clGreen));
}

// ---------------------------------------------------------------- handlers that free the list

TEST_F(AdvancedListBox, HandlersMayFreeTheListBox)
{
    const int count = Form->ControlCount();
    L->Items()->Add("one");
    L->Items()->Add("two");
    L->OnClick = [this](TObject*) {
        TExAdvancedListBox* l = L;
        L = nullptr;
        TObject::Free(l);
    };
    const TPoint at = Form->ScreenToClient(L->ClientToScreen({20, L->ItemRect(1).Top + 2}));
    Input::MouseDown(L, mbLeft, 20, L->ItemRect(1).Top + 2);
    Input::MouseUp(Form, mbLeft, at.X, at.Y);
    uitest::Pump();
    EXPECT_EQ(Form->ControlCount(), count - 1);
    auto* drawn = new TExAdvancedListBox(Form);
    drawn->SetParent(Form);
    drawn->SetStyle(lbOwnerDrawFixed);
    drawn->Items()->Add("x");
    drawn->OnDrawItem = [drawn](TWinControl*, int, TRect, TOwnerDrawState) { TObject::Free(drawn); };
    drawn->Repaint();
    uitest::Pump();
    EXPECT_EQ(Form->ControlCount(), count - 1);
    auto* hot = new TExAdvancedListBox(Form);
    hot->SetParent(Form);
    hot->SetBounds(200, 20, 100, 100);
    hot->SetFlat(true);
    hot->OnMouseEnter = [hot](TObject*) { TObject::Free(hot); };
    uitest::Pump();
    Input::MouseMove(hot, 10, 10);
    uitest::Pump();
    EXPECT_EQ(Form->ControlCount(), count - 1);
}

}  // namespace

// ---------------------------------------------------------------- line hints under a real pointer

namespace {

TEST(AdvancedListBoxX11, ALineHintShowsUnderARealPointerAndComesAgainFromAnotherItem)
{
    x11test::TDisplay display;
    if (!display.Ok())
        GTEST_SKIP() << display.Why();
    std::string out;
    EXPECT_EQ(display.RunRole("AdvancedListBoxX11.DISABLED_Role", "line hint", out), 0) << out;
}

TEST(AdvancedListBoxX11, DISABLED_Role)
{
    ASSERT_EQ(x11test::Role(), "line hint");
    Application->HintPause = 50;
    Application->HintHidePause = 1500;
    auto* form = new TForm(nullptr);
    form->SetBounds(40, 40, 400, 240);
    auto* list = new TExAdvancedListBox(form);
    list->SetParent(form);
    list->SetBounds(20, 20, 160, 150);
    list->SetShowLineHint(true);
    const std::string wide = "an item far too wide for the list box to show";
    list->Items()->Add("short");
    list->Items()->Add(wide);
    list->Items()->Add("short too");
    ASSERT_TRUE(x11test::ShowOnScreen(form));
    const int h = list->ItemHeight();
    // The pointer comes from outside over the first item onto the wide one, as a hand moves it.
    ASSERT_TRUE(x11test::MoveTo(form, 300, 200));
    for (int y : {3, h / 2, h + 2, h + h / 2})
        ASSERT_TRUE(x11test::MoveTo(list, 30, y));
    // The hint opens under the pointer, which leaves the list for it: it stays its whole time.
    ASSERT_TRUE(uitest::PumpUntil([&] { return list->LineHintWindow() != nullptr; }, 60000));
    THintWindow* hint = list->LineHintWindow();
    EXPECT_EQ(hint->Caption(), wide);
    uitest::Pump(500);
    ASSERT_EQ(list->LineHintWindow(), hint) << "the pointer going over the hint does not close it";
    EXPECT_TRUE(hint->HandleAllocated() && IsWindowVisible(hint->Handle()));
    EXPECT_TRUE(uitest::PumpUntil([&] { return list->LineHintWindow() == nullptr; }, 60000));
    // Off to another item and back: the hint comes again.
    ASSERT_TRUE(x11test::MoveTo(list, 30, 2 * h + h / 2));
    uitest::Pump(200);
    ASSERT_TRUE(x11test::MoveTo(list, 30, h + h / 2));
    EXPECT_TRUE(uitest::PumpUntil([&] { return list->LineHintWindow() != nullptr; }, 60000));
    TObject::Free(form);
}

}  // namespace
