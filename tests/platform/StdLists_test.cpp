// The list box and the combo box through the toolkit's own events: choosing by mouse and keys,
// multiple selection, owner-drawn items, item objects, scrolling, the drop-down list, CBN_*
// notifications, and subclassing the combo box's child windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "platform/Clipbrd.h"
#include "platform/ExtCtrls.h"
#include "platform/Input.h"
#include "platform/PaintCount.h"
#include "platform/StdCtrls.h"
#include "tests/support/UiTest.h"

namespace {

class Lists : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->Initialize();
        form = new TForm(nullptr);
        form->SetBounds(60, 60, 420, 320);
        form->AfterConstruction();
        list = new TListBox(form);
        list->SetParent(form);
        list->SetBounds(10, 10, 150, 120);
        form->Show();
        uitest::Pump();
    }
    void TearDown() override
    {
        delete form;
        uitest::Pump();
    }
    void Fill(TStrings* s, int n)
    {
        for (int i = 0; i < n; ++i)
            s->Add("item " + std::to_string(i));
    }
    TPoint CentreOf(int index)
    {
        TRect r = list->ItemRect(index);
        return {r.Left + 10, (r.Top + r.Bottom) / 2};
    }
    TForm* form = nullptr;
    TListBox* list = nullptr;
};

TEST_F(Lists, ClicksAndKeysChooseAndRaiseOnClick)
{
    Fill(list->Items(), 30);
    int clicks = 0, doubles = 0;
    list->OnClick = [&](TObject*) { ++clicks; };
    list->OnDblClick = [&](TObject*) { ++doubles; };
    TPoint p = CentreOf(2);
    Input::Click(list, p.X, p.Y);
    EXPECT_EQ(list->ItemIndex(), 2);
    EXPECT_TRUE(list->Focused());
    EXPECT_EQ(clicks, 1);
    Input::AdvanceTime(1000);
    Input::Click(list, p.X, p.Y);
    EXPECT_EQ(clicks, 1) << "choosing the chosen item again changes nothing";
    Input::PressKey(VK_DOWN);
    EXPECT_EQ(list->ItemIndex(), 3);
    EXPECT_EQ(clicks, 2);
    Input::PressKey(VK_END);
    EXPECT_EQ(list->ItemIndex(), 29);
    EXPECT_GT(list->TopIndex(), 0) << "the chosen item scrolled into view";
    TRect last = list->ItemRect(29);
    EXPECT_LE(last.Bottom, list->ClientHeight());
    Input::PressKey(VK_HOME);
    EXPECT_EQ(list->TopIndex(), 0);
    Input::PressKey(VK_NEXT);
    EXPECT_GT(list->ItemIndex(), 3);
    // Typing the start of an item goes to it; the same letter again steps on.
    Input::PressKey(VK_HOME);
    Input::AdvanceTime(2000);
    Input::TypeText("item 2");
    EXPECT_EQ(list->ItemIndex(), 2);
    Input::AdvanceTime(2000);
    Input::TypeText("i");
    EXPECT_EQ(list->ItemIndex(), 3);
    p = CentreOf(list->TopIndex());
    Input::AdvanceTime(1000);
    Input::DoubleClick(list, p.X, p.Y);
    EXPECT_EQ(doubles, 1);
    // Changes made by the program raise nothing.
    const int before = clicks;
    list->SetItemIndex(5);
    list->Items()->Delete(0);
    EXPECT_EQ(list->ItemIndex(), 4) << "the choice moves with its item";
    EXPECT_EQ(clicks, before);
}

TEST_F(Lists, ItemObjectsItemAtAPointAndSorting)
{
    TObject a, b, c;
    list->Items()->AddObject("charlie", &c);
    list->Items()->AddObject("alpha", &a);
    list->Items()->InsertObject(1, "bravo", &b);
    EXPECT_EQ(list->Items()->Objects(1), &b);
    EXPECT_EQ(list->Items()->IndexOf("ALPHA"), 2) << "found without regard to case";
    list->Items()->Put(2, "alpha2");
    EXPECT_EQ(list->Items()->Objects(2), &a) << "a replaced text keeps its object";
    list->SetSorted(true);
    EXPECT_EQ(list->Items()->CommaText(), "alpha2,bravo,charlie");
    EXPECT_EQ(list->Items()->Objects(0), &a);
    EXPECT_EQ(list->Items()->Objects(2), &c);
    list->Items()->Add("Beta");
    EXPECT_EQ(list->Items()->Strings(1), "Beta") << "sorted without regard to case";
    const int h = list->ItemHeight();
    EXPECT_EQ(list->ItemAtPos({5, 0}, true), 0);
    EXPECT_EQ(list->ItemAtPos({5, h - 1}, true), 0);
    EXPECT_EQ(list->ItemAtPos({5, h}, true), 1) << "a multiple of the item height is the item below";
    EXPECT_EQ(list->ItemAtPos({5, 4 * h + 2}, true), -1);
    EXPECT_EQ(list->ItemAtPos({5, 4 * h + 2}, false), 4);
    EXPECT_EQ(list->ItemRect(1), (TRect{0, h, list->ClientWidth(), 2 * h}));
    EXPECT_THROW(list->Items()->Strings(4), EStringListError);
    EXPECT_THROW(list->Items()->Delete(-1), EStringListError);
}

TEST_F(Lists, ItemsAddedOneByOneLeaveTheBarsToThePaintAfterThem)
{
    // Each Add moves the bar; drawn at once, a hundred thousand adds drew the frame as often.
    // (The bar's coming into view changes the frame once, so it is already there.)
    Fill(list->Items(), 20);
    uitest::Pump();
    PaintCount::Reset();
    for (int i = 20; i < 2000; ++i)
        list->Items()->Add("item " + std::to_string(i));
    list->Items()->Delete(0);
    EXPECT_EQ(PaintCount::Counts().FramePaints, 0u);
    uitest::Pump();
    EXPECT_GE(PaintCount::Counts().FramePaints, 1u);
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(list->Handle(), SB_VERT, &si));
    EXPECT_EQ(si.nMax, 1998);
    // What the paint after them shows is what a full repaint shows.
    const TRect bar{list->Width() - GetSystemMetrics(SM_CXVSCROLL) - 2, 2, list->Width() - 2, list->Height() - 2};
    std::vector<COLORREF> after;
    HDC dc = GetWindowDC(list->Handle());
    for (int y = bar.Top; y < bar.Bottom; y += 3)
        after.push_back(GetPixel(dc, (bar.Left + bar.Right) / 2, y));
    ReleaseDC(list->Handle(), dc);
    RedrawWindow(list->Handle(), nullptr, 0, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    dc = GetWindowDC(list->Handle());
    size_t i = 0;
    for (int y = bar.Top; y < bar.Bottom; y += 3, ++i)
        EXPECT_EQ(GetPixel(dc, (bar.Left + bar.Right) / 2, y), after[i]) << "y " << y;
    ReleaseDC(list->Handle(), dc);
}

TEST_F(Lists, HundredThousandItemsInRandomOrderStaySorted)
{
    list->SetSorted(true);
    std::vector<int> numbers(100000);
    for (int i = 0; i < int(numbers.size()); ++i)
        numbers[size_t(i)] = i;
    std::shuffle(numbers.begin(), numbers.end(), std::mt19937(11));
    char buf[16];
    list->Items()->BeginUpdate();
    for (int n : numbers) {
        std::snprintf(buf, sizeof buf, "%06d", n);
        list->Items()->Add(buf);
    }
    list->Items()->EndUpdate();
    ASSERT_EQ(list->Count(), 100000);
    for (int i : {0, 1, 511, 512, 513, 1024, 50000, 99998, 99999}) {
        std::snprintf(buf, sizeof buf, "%06d", i);
        EXPECT_EQ(list->Items()->Strings(i), buf);
    }
    list->SetItemIndex(99999);
    EXPECT_EQ(list->TopIndex() + list->ClientHeight() / list->ItemHeight(), 100000);
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(list->Handle(), SB_VERT, &si));
    EXPECT_EQ(si.nMax, 99999);
    EXPECT_EQ(si.nPos, list->TopIndex());
}

TEST_F(Lists, MultipleAndExtendedSelection)
{
    Fill(list->Items(), 10);
    list->SetMultiSelect(true);
    ASSERT_TRUE(list->ExtendedSelect());
    Input::Click(list, CentreOf(1).X, CentreOf(1).Y);
    Input::Click(list, CentreOf(4).X, CentreOf(4).Y, mbLeft, ssShift);
    EXPECT_EQ(list->SelCount(), 4);
    Input::Click(list, CentreOf(2).X, CentreOf(2).Y, mbLeft, ssCtrl);
    EXPECT_EQ(list->SelCount(), 3);
    EXPECT_FALSE(list->Selected(2));
    int clicks = 0;
    list->OnClick = [&](TObject*) { ++clicks; };
    Input::PressKey(VK_DOWN, ssShift);
    EXPECT_TRUE(list->Selected(3));
    EXPECT_EQ(list->SelCount(), 2) << "Shift and a key select from the anchor";
    EXPECT_EQ(clicks, 1);
    // From the first item: a range grows by one, a click leaves one item, a range from a Ctrl click
    // leaves out the first; the list hands out the selected items.
    Input::Click(list, CentreOf(0).X, CentreOf(0).Y);
    Input::PressKey(VK_DOWN, ssShift);
    EXPECT_EQ(clicks, 3) << "a range that only grew is a change";
    Input::Click(list, CentreOf(3).X, CentreOf(3).Y, mbLeft, ssShift);
    EXPECT_EQ(list->SelCount(), 4);
    EXPECT_TRUE(list->Selected(0));
    Input::Click(list, CentreOf(5).X, CentreOf(5).Y);
    EXPECT_EQ(list->SelCount(), 1);
    Input::Click(list, CentreOf(0).X, CentreOf(0).Y);
    Input::Click(list, CentreOf(5).X, CentreOf(5).Y, mbLeft, ssCtrl);
    Input::Click(list, CentreOf(7).X, CentreOf(7).Y, mbLeft, ssShift);
    int chosen[8] = {};
    ASSERT_EQ(SendMessage(list->Handle(), LB_GETSELITEMS, 8, reinterpret_cast<LPARAM>(chosen)), 3);
    EXPECT_EQ(std::vector<int>(chosen, chosen + 3), (std::vector<int>{5, 6, 7}));
    list->OnClick = nullptr;
    list->SelectAll();
    EXPECT_EQ(list->SelCount(), 10);
    list->DeleteSelected();
    EXPECT_EQ(list->Count(), 0);
    // Without extended selection each click toggles its item.
    Fill(list->Items(), 5);
    list->SetExtendedSelect(false);
    Input::Click(list, CentreOf(0).X, CentreOf(0).Y);
    Input::Click(list, CentreOf(3).X, CentreOf(3).Y);
    EXPECT_EQ(list->SelCount(), 2);
    Input::Click(list, CentreOf(0).X, CentreOf(0).Y);
    EXPECT_EQ(list->SelCount(), 1);
    EXPECT_TRUE(list->Selected(3));
    EXPECT_THROW(list->Selected(5), EListError);
}

TEST_F(Lists, OwnerDrawnItemsAreDrawnAndMeasuredByTheProgram)
{
    Fill(list->Items(), 6);
    std::map<int, TOwnerDrawState> drawn;
    list->SetStyle(lbOwnerDrawVariable);
    list->OnMeasureItem = [](TWinControl*, int Index, int& Height) { Height = 10 + 5 * Index; };
    std::map<int, TColor> inks, grounds;
    list->OnDrawItem = [&](TWinControl* Control, int Index, TRect Rect, TOwnerDrawState State) {
        drawn[Index] = State;
        TCanvas* c = static_cast<TListBox*>(Control)->Canvas();
        inks[Index] = c->Font()->Color();
        grounds[Index] = c->Brush()->Color();
        c->Brush()->SetColor(Index % 2 ? clRed : clBlue);
        c->FillRect(Rect);
    };
    list->Items()->Clear();
    Fill(list->Items(), 6);
    list->SetItemIndex(1);
    list->SetFocus();
    uitest::Pump();
    ASSERT_GE(drawn.size(), 5u);
    EXPECT_EQ(list->ItemRect(3), (TRect{0, 10 + 15 + 20, list->ClientWidth(), 10 + 15 + 20 + 25}));
    EXPECT_TRUE(drawn[1] & odSelected);
    EXPECT_TRUE(drawn[1] & odFocused);
    EXPECT_FALSE(drawn[2] & odSelected);
    EXPECT_EQ(inks[1], clHighlightText) << "a chosen item is drawn in the highlight colours";
    EXPECT_EQ(inks[2], list->Font()->Color());
    EXPECT_EQ(grounds[1], clHighlight);
    EXPECT_EQ(grounds[2], list->Color());
    HDC dc = GetDC(list->Handle());
    EXPECT_EQ(GetPixel(dc, 20, 5), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dc, 20, 12), RGB(255, 0, 0));
    ReleaseDC(list->Handle(), dc);
    // Clicking by the drawn heights.
    Input::Click(list, 20, 10 + 15 + 20 + 3);
    EXPECT_EQ(list->ItemIndex(), 3);
}

TEST_F(Lists, TabbedItemsAndTheirExtent)
{
    HDC dc = GetDC(list->Handle());
    HGDIOBJ old = SelectObject(dc, list->Font()->Handle());
    SIZE plain;
    GetTextExtentPoint32(dc, "ab", 2, &plain);
    const int stop = 40;
    DWORD one = GetTabbedTextExtent(dc, "ab\tc", 4, 1, &stop);
    SIZE c;
    GetTextExtentPoint32(dc, "c", 1, &c);
    EXPECT_EQ(LOWORD(one), stop + c.cx);
    EXPECT_EQ(HIWORD(one), plain.cy);
    const int stops[2] = {30, 90};
    DWORD two = GetTabbedTextExtent(dc, "a\tb\tc", 5, 2, stops);
    EXPECT_EQ(LOWORD(two), 90 + c.cx);
    TEXTMETRIC tm;
    GetTextMetrics(dc, &tm);
    DWORD none = GetTabbedTextExtent(dc, "\tc", 2, 0, nullptr);
    EXPECT_EQ(LOWORD(none), 8 * tm.tmAveCharWidth + c.cx);
    EXPECT_EQ(LOWORD(GetTabbedTextExtent(dc, "", 0, 0, nullptr)), 0);
    SelectObject(dc, old);
    ReleaseDC(list->Handle(), dc);
    // A horizontal extent wider than the box gives it a scroll bar to reach the rest.
    auto* wide = new TListBox(form);
    wide->SetParent(form);
    wide->SetBounds(200, 10, 100, 100);
    SetWindowLong(wide->Handle(), GWL_STYLE, GetWindowLong(wide->Handle(), GWL_STYLE) | WS_HSCROLL);
    wide->Items()->Add(std::string(60, 'x'));
    SendMessage(wide->Handle(), LB_SETHORIZONTALEXTENT, 400, 0);
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(wide->Handle(), SB_HORZ, &si));
    EXPECT_EQ(si.nMax, 399);
    SendMessage(wide->Handle(), WM_HSCROLL, SB_PAGERIGHT, 0);
    EXPECT_LT(wide->ItemRect(0).Left, 0);
}

// Cyrillic items in Windows-1251: "Береза", "Ель", "ива", "Ёж".
const char* const kBirch = "\xC1\xE5\xF0\xE5\xE7\xE0";
const char* const kFir = "\xC5\xEB\xFC";
const char* const kWillow = "\xE8\xE2\xE0";
const char* const kHedgehog = "\xA8\xE6";

TEST_F(Lists, LettersBeyondAsciiChooseItemsInTheFontsCodePage)
{
    list->Font()->SetCharset(RUSSIAN_CHARSET);
    for (const char* s : {kBirch, kFir, kWillow, kHedgehog})
        list->Items()->Add(s);
    list->SetFocus();
    Input::TypeText("\xD0\x98");  // "И": case does not matter
    EXPECT_EQ(list->ItemIndex(), 2);
    Input::AdvanceTime(2000);
    Input::TypeText("\xD1\x91");  // "ё" is no "е"
    EXPECT_EQ(list->ItemIndex(), 3);
    Input::AdvanceTime(2000);
    Input::TypeText("\xD0\xB5\xD0\xBB");  // "ел"
    EXPECT_EQ(list->ItemIndex(), 1);
    Input::AdvanceTime(2000);
    Input::TypeText("\xD0\xB1\xD0\xB5\xD1\x80");  // "бер"
    EXPECT_EQ(list->ItemIndex(), 0);
    // In the western code page the same letters are no letters of these items.
    list->Font()->SetCharset(ANSI_CHARSET);
    Input::AdvanceTime(2000);
    Input::TypeText("\xD0\x98");
    EXPECT_EQ(list->ItemIndex(), 0);
}

TEST_F(Lists, VariableHeightsKeepTheLastPageFullAndTheirOwnHeights)
{
    list->SetStyle(lbOwnerDrawVariable);
    // Falling heights, so that several items share the last page.
    list->OnMeasureItem = [](TWinControl*, int Index, int& Height) { Height = 65 - 5 * Index; };
    list->OnDrawItem = [](TWinControl*, int, TRect, TOwnerDrawState) {};
    Fill(list->Items(), 12);
    const int h = list->ClientHeight();
    // Wholly shown from the top down to the last item, and the item above the top would not fit.
    auto lastPageFull = [&]() {
        const int top = list->TopIndex();
        EXPECT_GT(top, 0);
        EXPECT_EQ(list->ItemRect(top).Top, 0);
        EXPECT_LE(list->ItemRect(11).Bottom, h) << "top " << top;
        EXPECT_GT(list->ItemRect(11).Bottom + 65 - 5 * (top - 1), h) << "top " << top;
    };
    list->SetTopIndex(11);
    lastPageFull();
    EXPECT_LT(list->TopIndex(), 10);
    list->SetTopIndex(0);
    list->SetFocus();
    Input::PressKey(VK_END);
    EXPECT_EQ(list->ItemIndex(), 11);
    lastPageFull();
    // The fixed item height is no height of a variable list's first item.
    list->SetItemHeight(40);
    EXPECT_EQ(list->ItemRect(0).Height(), 65);
    EXPECT_EQ(list->ItemRect(1).Height(), 60);
}

TEST_F(Lists, ItemsReplacedInPlaceAndPointsAtTheEdges)
{
    Fill(list->Items(), 3);
    list->SetItemIndex(0);
    list->Items()->Put(0, "first");
    list->Items()->Put(2, "third");
    EXPECT_EQ(list->Items()->Count(), 3);
    EXPECT_EQ(list->Items()->Strings(0), "first");
    EXPECT_EQ(list->Items()->Strings(1), "item 1");
    EXPECT_EQ(list->Items()->Strings(2), "third");
    EXPECT_THROW(list->Items()->Put(3, "x"), EStringListError);
    EXPECT_THROW(list->Items()->Put(-1, "x"), EStringListError);
    // The last item's bottom edge is past it; the row just above is still the item.
    const TRect last = list->ItemRect(2);
    EXPECT_EQ(list->ItemAtPos({5, last.Bottom - 1}, true), 2);
    EXPECT_EQ(list->ItemAtPos({5, last.Bottom}, true), -1);
    EXPECT_EQ(list->ItemAtPos({5, last.Bottom}, false), 3);
    EXPECT_EQ(list->ItemRect(3).Top, last.Bottom) << "the slot after the last item";
    EXPECT_EQ(list->ItemRect(4), TRect{});
    // A larger font makes taller items.
    const int before = list->ItemRect(1).Top;
    list->Font()->SetHeight(-30);
    EXPECT_GT(list->ItemRect(1).Top, before + 10);
}

TEST_F(Lists, ClearedAndOwnerDrawnListsShowWhatTheyHold)
{
    auto inked = [&](const TRect& r) {
        uitest::Pump();
        HDC dc = GetDC(list->Handle());
        int n = 0;
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x)
                n += GetPixel(dc, x, y) != ColorToRGB(clWindow);
        ReleaseDC(list->Handle(), dc);
        return n;
    };
    // Owner-drawn without a handler: the list draws each item's text itself, the first one too.
    list->SetStyle(lbOwnerDrawFixed);
    Fill(list->Items(), 3);
    const TRect first = list->ItemRect(0);
    EXPECT_GT(inked({first.Left, first.Top, 60, first.Bottom}), 10);
    const TRect second = list->ItemRect(1);
    EXPECT_GT(inked({second.Left, second.Top, 60, second.Bottom}), 10);
    // Cleared: nothing of the old items stays on the screen.
    list->Items()->Clear();
    // Inside the first row's focus rectangle and the whole second row.
    EXPECT_EQ(inked({first.Left + 1, first.Top + 1, 60, first.Bottom - 1}), 0);
    EXPECT_EQ(inked({second.Left, second.Top, 60, second.Bottom}), 0);
}

TEST_F(Lists, ATypedLetterSetsTheAnchorOfAnExtendedSelection)
{
    list->SetMultiSelect(true);
    list->SetExtendedSelect(true);
    for (const char* s : {"alpha", "bravo", "charlie", "delta", "echo", "foxtrot"})
        list->Items()->Add(s);
    list->SetFocus();
    Input::PressKey(VK_DOWN);
    Input::AdvanceTime(2000);
    Input::TypeText("c");
    EXPECT_EQ(list->ItemIndex(), 2);
    Input::PressKey(VK_DOWN, ssShift);
    Input::PressKey(VK_DOWN, ssShift);
    EXPECT_EQ(list->SelCount(), 3) << "from the found item on";
    EXPECT_FALSE(list->Selected(1));
    EXPECT_TRUE(list->Selected(2));
    EXPECT_TRUE(list->Selected(4));
}

TEST_F(Lists, AHandlerMayFreeTheListBox)
{
    Fill(list->Items(), 5);
    list->OnClick = [](TObject* Sender) { delete Sender; };
    Input::MouseDown(list, mbLeft, CentreOf(1).X, CentreOf(1).Y);
    Input::MouseUp(form, mbLeft, 20, 20);
    EXPECT_EQ(form->ControlCount(), 0);
    list = new TListBox(form);
    list->SetParent(form);
    Fill(list->Items(), 5);
    list->SetFocus();
    list->OnDrawItem = [](TWinControl* Control, int, TRect, TOwnerDrawState) { delete Control; };
    list->SetStyle(lbOwnerDrawFixed);
    uitest::Pump();
    EXPECT_EQ(form->ControlCount(), 0);
}

// ---- Combo boxes --------------------------------------------------------------------------------
class Combos : public Lists {
protected:
    void SetUp() override
    {
        Lists::SetUp();
        combo = new TComboBox(form);
        combo->SetParent(form);
        combo->SetBounds(200, 20, 150, 0);
        for (const char* s : {"Ash", "Birch", "Cedar", "Elm", "Fir", "Hazel", "Larch", "Oak", "Pine", "Rowan", "Yew"})
            combo->Items()->Add(s);
        combo->OnChange = [this](TObject*) { events.push_back("change"); };
        combo->OnSelect = [this](TObject*) { events.push_back("select"); };
        combo->OnDropDown = [this](TObject*) { events.push_back("dropdown"); };
        combo->OnCloseUp = [this](TObject*) { events.push_back("closeup"); };
        uitest::Pump();
    }
    TListBox* ListOf() { return nullptr; }
    TRect ListScreenRect()
    {
        TRect r;
        GetWindowRect(combo->ListHandle(), &r);
        return r;
    }
    TComboBox* combo = nullptr;
    std::vector<std::string> events;
};

TEST_F(Combos, ChildWindowsOfTheirClassesAndHeight)
{
    char name[64];
    ASSERT_NE(combo->EditHandle(), nullptr);
    GetClassName(combo->EditHandle(), name, sizeof name);
    EXPECT_STREQ(name, "Edit");
    GetClassName(combo->ListHandle(), name, sizeof name);
    EXPECT_STREQ(name, "ComboLBox");
    EXPECT_EQ(GetParent(combo->EditHandle()), combo->Handle());
    EXPECT_FALSE(IsWindowVisible(combo->ListHandle()));
    // The field lies inside the box's frame, left of its button.
    TRect field;
    GetWindowRect(combo->EditHandle(), &field);
    const TPoint at = combo->ScreenToClient(field.TopLeft());
    field = {at.X, at.Y, at.X + field.Width(), at.Y + field.Height()};
    EXPECT_GE(field.Left, 2);
    EXPECT_GE(field.Top, 2);
    EXPECT_LE(field.Bottom, combo->Height() - 2);
    EXPECT_LE(field.Right, combo->Width() - 18);
    EXPECT_GT(field.Height(), combo->Height() / 2);
    combo->SetStyle(csDropDownList);
    EXPECT_EQ(combo->EditHandle(), nullptr) << "a list-only box has no edit field";
    EXPECT_NE(combo->ListHandle(), nullptr);
    const int h = combo->Height();
    combo->SetHeight(100);
    EXPECT_EQ(combo->Height(), h) << "the box keeps the height of its field";
    combo->Font()->SetHeight(-24);
    EXPECT_GT(combo->Height(), h);
}

TEST_F(Combos, TheListDropsDownAndAClickOnAnItemChoosesIt)
{
    const TRect button{combo->Width() - 18, 2, combo->Width() - 2, combo->Height() - 2};
    Input::Click(combo, button.Left + 8, combo->Height() / 2);
    ASSERT_TRUE(combo->DroppedDown());
    EXPECT_TRUE(IsWindowVisible(combo->ListHandle()));
    TRect lr = ListScreenRect();
    TPoint below = combo->ClientToScreen({0, combo->Height()});
    EXPECT_EQ(lr.Top, below.Y);
    EXPECT_EQ(lr.Left, below.X);
    EXPECT_EQ(lr.Width(), combo->Width());
    const int ih = combo->ItemHeight();
    EXPECT_EQ(lr.Height(), 8 * ih + 2) << "DropDownCount items show";
    // The pointer over an item marks it; the release there chooses it.
    TWinControl* listWindow = TWinControl::FindControl(combo->ListHandle());
    ASSERT_NE(listWindow, nullptr);
    Input::MouseMove(listWindow, 20, 2 * ih + ih / 2);
    Input::Click(listWindow, 20, 2 * ih + ih / 2);
    EXPECT_FALSE(combo->DroppedDown());
    EXPECT_FALSE(IsWindowVisible(combo->ListHandle()));
    EXPECT_EQ(combo->ItemIndex(), 2);
    EXPECT_EQ(combo->Text(), "Cedar");
    EXPECT_EQ(events, (std::vector<std::string>{"dropdown", "closeup", "select"}));
    // A click outside closes the list and keeps the choice.
    events.clear();
    Input::PressKey(VK_F4);
    ASSERT_TRUE(combo->DroppedDown());
    Input::MouseMove(listWindow, 20, 5 * ih + 2);
    Input::Click(list, 5, 5);
    EXPECT_FALSE(combo->DroppedDown());
    EXPECT_EQ(combo->ItemIndex(), 2);
    EXPECT_EQ(events, (std::vector<std::string>{"dropdown", "closeup"}));
    // A press on the dropped list's scroll bar scrolls it and leaves it open.
    Input::PressKey(VK_F4);
    ASSERT_TRUE(combo->DroppedDown());
    const int top = int(SendMessage(combo->ListHandle(), LB_GETTOPINDEX, 0, 0));
    TRect lw;
    GetWindowRect(combo->ListHandle(), &lw);
    const TPoint arrow = listWindow->ScreenToClient({lw.Right - 4, lw.Bottom - 4});
    Input::Click(listWindow, arrow.X, arrow.Y);
    EXPECT_TRUE(combo->DroppedDown());
    EXPECT_EQ(SendMessage(combo->ListHandle(), LB_GETTOPINDEX, 0, 0), top + 1);
    Input::PressKey(VK_ESCAPE);
    EXPECT_FALSE(combo->DroppedDown());
}

TEST_F(Combos, KeysMoveTheChoiceAndOpenAndCloseTheList)
{
    combo->SetFocus();
    EXPECT_EQ(GetFocus(), combo->EditHandle());
    Input::PressKey(VK_DOWN);
    EXPECT_EQ(combo->ItemIndex(), 0);
    EXPECT_EQ(combo->Text(), "Ash");
    EXPECT_EQ(combo->SelLength(), 3) << "the chosen text is selected in the field";
    // In the open list the keys show each item in the field and take none: Escape gives back
    // what was there when it dropped, Enter takes the item shown.
    for (const bool list : {false, true}) {
        SCOPED_TRACE(list ? "list only" : "with a field");
        combo->SetStyle(list ? csDropDownList : csDropDown);
        combo->SetFocus();
        combo->SetItemIndex(0);
        events.clear();
        Input::PressKey(VK_DOWN, ssAlt);
        ASSERT_TRUE(combo->DroppedDown());
        Input::PressKey(VK_DOWN);
        Input::PressKey(VK_DOWN);
        EXPECT_EQ(combo->Text(), "Cedar");
        Input::PressKey(VK_END);
        EXPECT_EQ(combo->Text(), "Yew");
        Input::PressKey(VK_HOME);
        Input::PressKey(VK_DOWN);
        EXPECT_EQ(combo->Text(), "Birch");
        EXPECT_EQ(events, (std::vector<std::string>{"dropdown"}));
        Input::PressKey(VK_ESCAPE);
        EXPECT_FALSE(combo->DroppedDown());
        EXPECT_EQ(combo->ItemIndex(), 0);
        EXPECT_EQ(combo->Text(), "Ash");
        EXPECT_EQ(events, (std::vector<std::string>{"dropdown", "closeup"}));
        Input::PressKey(VK_F4);
        Input::PressKey(VK_END);
        Input::PressKey(VK_UP);
        Input::PressKey(VK_RETURN);
        EXPECT_FALSE(combo->DroppedDown());
        EXPECT_EQ(combo->ItemIndex(), 9);
        EXPECT_EQ(combo->Text(), "Rowan");
        EXPECT_EQ(events, (std::vector<std::string>{"dropdown", "closeup", "dropdown", "closeup", "select"}));
    }
    // What was typed comes back too, though it is no item.
    combo->SetStyle(csDropDown);
    combo->SetFocus();
    combo->SetText("Lime");
    Input::PressKey(VK_F4);
    Input::PressKey(VK_DOWN);
    EXPECT_NE(combo->Text(), "Lime");
    Input::PressKey(VK_ESCAPE);
    EXPECT_EQ(combo->Text(), "Lime");
    // What is typed while the list is open stays, the list closed by Escape, Enter or leaving; a
    // move in the list after it shows an item, and Escape gives back the typed text; an item shown
    // before it is no longer offered.
    for (const Word close : {Word(VK_ESCAPE), Word(VK_RETURN), Word(VK_TAB)}) {
        SCOPED_TRACE(close);
        combo->SetFocus();
        combo->SetItemIndex(1);
        events.clear();
        Input::PressKey(VK_F4);
        if (close == VK_RETURN)
            Input::PressKey(VK_DOWN);
        combo->SelectAll();
        Input::TypeText("Palm");
        if (close == VK_ESCAPE) {
            Input::PressKey(VK_DOWN);
            EXPECT_EQ(combo->Text(), "Cedar");
        }
        Input::PressKey(close);
        EXPECT_FALSE(combo->DroppedDown());
        EXPECT_EQ(combo->Text(), "Palm");
        EXPECT_EQ(combo->ItemIndex(), 1);
        EXPECT_EQ(events.back(), "closeup") << "no item was taken";
    }
    combo->SetFocus();
    combo->SetItemIndex(0);
    Input::PressKey(VK_F4);
    Input::PressKey(VK_DOWN);
    Input::PressKey(VK_RETURN);
    EXPECT_FALSE(combo->DroppedDown());
    EXPECT_EQ(combo->Text(), "Birch");
    // Pages stop at the ends of the list.
    for (int i = 0; i < 3; ++i)
        Input::PressKey(VK_NEXT);
    EXPECT_EQ(combo->ItemIndex(), combo->Items()->Count() - 1);
    for (int i = 0; i < 3; ++i)
        Input::PressKey(VK_PRIOR);
    EXPECT_EQ(combo->ItemIndex(), 0);
    Input::PressKey(VK_DOWN);
    // Typing edits the field and raises OnChange; Return with the list closed goes to the form.
    events.clear();
    combo->SelectAll();
    Input::TypeText("Lime");
    EXPECT_EQ(combo->Text(), "Lime");
    EXPECT_EQ(events.size(), 4u);
    EXPECT_EQ(events.back(), "change");
    // A list-only box chooses by its letters.
    combo->SetStyle(csDropDownList);
    int textChanges = 0;
    const TWndMethod own = combo->WindowProc;
    combo->WindowProc = [&](TMessage& M) {
        textChanges += M.Msg == CM_TEXTCHANGED;
        own(M);
    };
    combo->SetFocus();
    Input::AdvanceTime(2000);
    Input::TypeText("r");
    EXPECT_EQ(combo->Text(), "Rowan");
    Input::PressKey(VK_END);
    EXPECT_EQ(combo->Text(), "Yew");
    combo->SetText("Oak");
    EXPECT_EQ(combo->ItemIndex(), 7);
    EXPECT_EQ(textChanges, 1) << "the box hears of text set from code";
    combo->WindowProc = own;
    combo->SetText("Palm");
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_EQ(combo->Text(), "");
}

TEST_F(Combos, TheFieldAndTheListTakeLettersBeyondAsciiInTheFontsCodePage)
{
    combo->Items()->Clear();
    combo->Font()->SetCharset(RUSSIAN_CHARSET);
    for (const char* s : {kBirch, kFir, kWillow, kHedgehog})
        combo->Items()->Add(s);
    combo->SetFocus();
    Input::TypeText("\xD0\x95\xD0\xBB\xD1\x8C \xD1\x91");  // "Ель ё"
    EXPECT_EQ(combo->Text(), std::string(kFir) + " \xB8");
    Input::PressKey(VK_LEFT, ssShift);
    Input::PressKey('C', ssCtrl);
    EXPECT_EQ(Clipboard()->AsText(1251), "\xB8");
    EXPECT_EQ(Clipboard()->AsText(1252), "?") << "the clipboard holds the letter, not the byte";
    Clipboard()->SetAsText(std::string(kWillow), 1251);
    combo->SelectAll();
    Input::PressKey('V', ssCtrl);
    EXPECT_EQ(combo->Text(), kWillow);
    Input::PressKey('Z', ssCtrl);
    EXPECT_EQ(combo->Text(), std::string(kFir) + " \xB8");
    // A list-only box chooses by the letter typed.
    combo->SetStyle(csDropDownList);
    combo->SetFocus();
    Input::AdvanceTime(2000);
    Input::TypeText("\xD0\x81");  // "Ё"
    EXPECT_EQ(combo->ItemIndex(), 3);
    Input::AdvanceTime(2000);
    Input::TypeText("\xD0\xB8");  // "и"
    EXPECT_EQ(combo->Text(), kWillow);
}

TEST_F(Combos, ItemObjectsReplacedInPlace)
{
    TObject a, b;
    combo->Items()->PutObject(0, &a);
    combo->Items()->PutObject(10, &b);
    EXPECT_EQ(combo->Items()->Objects(0), &a);
    EXPECT_EQ(combo->Items()->Objects(10), &b);
    EXPECT_EQ(combo->Items()->Objects(1), nullptr);
    EXPECT_THROW(combo->Items()->PutObject(11, &a), EStringListError);
    EXPECT_THROW(combo->Items()->PutObject(-1, &a), EStringListError);
}

TEST_F(Combos, AListOnlyBoxWhoseItemsAreClearedShowsNoText)
{
    combo->SetStyle(csDropDownList);
    combo->SetItemIndex(1);
    auto inked = [&]() {
        uitest::Pump();
        HDC dc = GetDC(combo->Handle());
        int n = 0;
        for (int y = 4; y < combo->Height() - 4; ++y)
            for (int x = 5; x < combo->Width() - 22; ++x)
                n += GetPixel(dc, x, y) != ColorToRGB(clWindow);
        ReleaseDC(combo->Handle(), dc);
        return n;
    };
    EXPECT_GT(inked(), 10);
    combo->Items()->Clear();
    EXPECT_EQ(combo->Text(), "");
    EXPECT_EQ(inked(), 0);
}

TEST_F(Combos, NotificationsReachTheParentInOrder)
{
    std::vector<Word> codes;
    struct TListener : TPanel {
        using TPanel::TPanel;
        std::vector<Word>* Codes = nullptr;
        void Dispatch(TMessage& M) override
        {
            if (M.Msg == WM_COMMAND && M.LParam)
                Codes->push_back(HIWORD(M.WParam));
            TPanel::Dispatch(M);
        }
    };
    auto* panel = new TListener(form);
    panel->Codes = &codes;
    panel->SetParent(form);
    panel->SetBounds(0, 150, 400, 100);
    auto* box = new TComboBox(form);
    box->Items()->Add("one");
    box->Items()->Add("two");
    box->SetParent(panel);
    box->SetBounds(10, 10, 120, 0);
    box->SetFocus();
    Input::TypeText("x");
    Input::PressKey(VK_F4);
    Input::PressKey(VK_DOWN);
    Input::PressKey(VK_RETURN);
    list->SetFocus();
    EXPECT_EQ(codes, (std::vector<Word>{CBN_SETFOCUS, CBN_EDITUPDATE, CBN_EDITCHANGE, CBN_DROPDOWN, CBN_SELENDOK,
                                        CBN_CLOSEUP, CBN_SELCHANGE, CBN_KILLFOCUS}));
}

TEST_F(Combos, EnterAndExitOnceForTheBoxAndTheFormKnowsIt)
{
    int enters = 0, exits = 0;
    combo->OnEnter = [&](TObject*) { ++enters; };
    combo->OnExit = [&](TObject*) { ++exits; };
    combo->SetFocus();
    EXPECT_EQ(form->ActiveControl(), combo);
    EXPECT_EQ(Screen->ActiveControl(), combo);
    EXPECT_TRUE(combo->Focused());
    Input::Click(combo, combo->Width() - 10, 5);  // the button: the field keeps the focus
    Input::PressKey(VK_ESCAPE);
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(exits, 0);
    Input::PressKey(VK_TAB);
    EXPECT_EQ(exits, 1);
    EXPECT_NE(form->ActiveControl(), combo);
    // A click into the field enters as well.
    TWinControl* field = TWinControl::FindControl(combo->EditHandle());
    Input::Click(field, 5, 5);
    EXPECT_EQ(enters, 2);
    EXPECT_EQ(form->ActiveControl(), combo);
}

TEST_F(Combos, OwnerDrawnItemsAndTheField)
{
    combo->SetStyle(csOwnerDrawFixed);
    combo->SetItemHeight(20);
    std::vector<std::pair<int, TOwnerDrawState>> drawn;
    std::vector<TRect> fields;
    combo->OnDrawItem = [&](TWinControl* Control, int Index, TRect Rect, TOwnerDrawState State) {
        drawn.emplace_back(Index, State);
        if (State & odComboBoxEdit)
            fields.push_back(Rect);
        TCanvas* c = static_cast<TComboBox*>(Control)->Canvas();
        c->Brush()->SetColor(clLime);
        c->FillRect(Rect);
    };
    combo->SetItemIndex(3);
    combo->SetFocus();
    uitest::Pump();
    auto field = std::find_if(drawn.begin(), drawn.end(), [](auto& d) { return d.second & odComboBoxEdit; });
    ASSERT_NE(field, drawn.end());
    EXPECT_EQ(field->first, 3);
    EXPECT_TRUE(field->second & odSelected) << "the focused box shows its field chosen";
    EXPECT_EQ(combo->Height(), 20 + 6);
    ASSERT_FALSE(fields.empty());
    EXPECT_EQ(fields.back(), (TRect{3, 3, combo->Width() - 2 - GetSystemMetrics(SM_CXVSCROLL) - 1, combo->Height() - 3}));
    drawn.clear();
    Input::PressKey(VK_F4);
    uitest::Pump();
    EXPECT_GE(std::count_if(drawn.begin(), drawn.end(), [](auto& d) { return !(d.second & odComboBoxEdit); }), 8);
    HDC dc = GetDC(combo->ListHandle());
    EXPECT_EQ(GetPixel(dc, 10, 25), RGB(0, 255, 0));
    ReleaseDC(combo->ListHandle(), dc);
    Input::PressKey(VK_ESCAPE);
}

// Subclassing the child windows as a descendant does: it hears of them through WM_PARENTNOTIFY.
struct TSpyCombo : TComboBox {
    using TComboBox::TComboBox;
    static inline std::map<HWND, WNDPROC> Old;
    static inline std::vector<std::pair<std::string, UINT>> Seen;
    std::vector<std::string> Children;
    static LRESULT Spy(HWND h, UINT msg, WPARAM w, LPARAM l)
    {
        char name[32];
        GetClassName(h, name, sizeof name);
        Seen.emplace_back(name, msg);
        WNDPROC old = Old[h];
        if (msg == WM_DESTROY) {
            SetWindowLongPtr(h, GWLP_WNDPROC, reinterpret_cast<std::intptr_t>(old));
            Old.erase(h);
        }
        return CallWindowProc(old, h, msg, w, l);
    }
    void WndProc(TMessage& M) override
    {
        TComboBox::WndProc(M);
        if (M.Msg == WM_PARENTNOTIFY && LOWORD(M.WParam) == WM_CREATE) {
            HWND child = reinterpret_cast<HWND>(M.LParam);
            char name[51];
            GetClassName(child, name, sizeof name);
            Children.push_back(name);
            Old[child] = reinterpret_cast<WNDPROC>(GetWindowLongPtr(child, GWLP_WNDPROC));
            SetWindowLongPtr(child, GWLP_WNDPROC, reinterpret_cast<std::intptr_t>(&Spy));
        }
    }
};

TEST_F(Combos, ChildWindowsCanBeSubclassed)
{
    TSpyCombo::Old.clear();
    TSpyCombo::Seen.clear();
    auto* spy = new TSpyCombo(form);
    spy->SetParent(form);
    spy->SetBounds(10, 200, 120, 0);
    EXPECT_EQ(spy->Children, (std::vector<std::string>{"Edit", "ComboLBox"}));
    spy->Items()->Add("walnut");
    auto saw = [](const char* cls, UINT msg) {
        return std::find(TSpyCombo::Seen.begin(), TSpyCombo::Seen.end(), std::make_pair(std::string(cls), msg)) !=
               TSpyCombo::Seen.end();
    };
    EXPECT_TRUE(saw("ComboLBox", LB_ADDSTRING)) << "the box's items reach its list window as list messages";
    spy->SetFocus();
    Input::TypeText("w");
    EXPECT_TRUE(saw("Edit", WM_CHAR));
    spy->SetStyle(csDropDownList);
    EXPECT_TRUE(saw("Edit", WM_DESTROY)) << "a child going away tells its subclass first";
    EXPECT_EQ(spy->Children, (std::vector<std::string>{"Edit", "ComboLBox", "ComboLBox"}));
    EXPECT_EQ(TSpyCombo::Old.size(), 1u);
    delete spy;
    TSpyCombo::Old.clear();
}

TEST_F(Combos, AHandlerMayFreeTheComboBox)
{
    combo->OnCloseUp = [](TObject* Sender) { delete Sender; };
    combo->SetFocus();
    Input::PressKey(VK_F4);
    Input::PressKey(VK_DOWN);
    Input::PressKey(VK_RETURN);
    EXPECT_EQ(form->ControlCount(), 1);
    auto* box = new TComboBox(form);
    box->SetParent(form);
    box->Items()->Add("a");
    box->OnChange = [](TObject* Sender) { delete Sender; };
    box->SetFocus();
    Input::TypeText("q");
    EXPECT_EQ(form->ControlCount(), 1);
    box = new TComboBox(form);
    box->SetParent(form);
    box->Items()->Add("a");
    box->OnDropDown = [](TObject* Sender) { delete Sender; };
    box->SetFocus();
    Input::PressKey(VK_F4);
    EXPECT_EQ(form->ControlCount(), 1);
}

TEST_F(Combos, TheSimpleBoxShowsItsListBelowTheField)
{
    combo->SetStyle(csSimple);
    combo->SetHeight(150);
    EXPECT_EQ(combo->Height(), 150);
    ASSERT_NE(combo->ListHandle(), nullptr);
    EXPECT_EQ(GetParent(combo->ListHandle()), combo->Handle());
    EXPECT_TRUE(IsWindowVisible(combo->ListHandle()));
    TWinControl* listWindow = TWinControl::FindControl(combo->ListHandle());
    const int ih = combo->ItemHeight();
    Input::Click(listWindow, 10, ih + ih / 2);
    EXPECT_EQ(combo->Text(), "Birch");
    EXPECT_EQ(events.back(), "select");
}

}  // namespace
