// Finer points of the standard controls a user meets: selecting by words while dragging, the end of
// the last line, lost mouse capture, changes by the Delete key, the widest line going, tab stops,
// ranges from the first item, drag scrolling, hidden selections, and the wheel kept to itself.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/CodePages.h"
#include "platform/ExtCtrls.h"
#include "platform/Input.h"
#include "platform/StdCtrls.h"
#include "tests/support/UiTest.h"

namespace {

class Details : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->Initialize();
        form = new TForm(nullptr);
        form->SetBounds(40, 40, 460, 340);
        form->AfterConstruction();
        form->Show();
        uitest::Pump();
    }
    void TearDown() override
    {
        delete form;
        uitest::Pump();
    }
    template <class T>
    T* Make(TWinControl* parent, int x, int y, int w, int h)
    {
        auto* c = new T(form);
        c->SetParent(parent);
        c->SetBounds(x, y, w, h);
        return c;
    }
    static TPoint PosOf(TWinControl* c, int pos)
    {
        const LRESULT r = SendMessage(c->Handle(), EM_POSFROMCHAR, WPARAM(pos), 0);
        return {SHORT(LOWORD(r)), SHORT(HIWORD(r))};
    }
    int Width(TControl* c, const std::string& s)
    {
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, c->Font()->Handle());
        SIZE sz;
        GetTextExtentPoint32(dc, s.c_str(), int(s.size()), &sz);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        return sz.cx;
    }
    TForm* form = nullptr;
};

TEST_F(Details, WordSelectionGrowsByWordsAndTheLastLineEndsWhereItEnds)
{
    auto* edit = Make<TEdit>(form, 10, 10, 360, 24);
    edit->SetText("one two three four five");
    edit->SetFocus();
    const TPoint o = PosOf(edit, 0);
    const int y = o.Y + 4;
    Input::Click(edit, o.X + Width(edit, "one two thr"), y);
    Input::MouseDown(edit, mbLeft, o.X + Width(edit, "one two thr"), y);
    EXPECT_EQ(edit->SelText(), "three");
    // Held after the double click, the pointer takes whole words either way.
    Input::MouseMove(edit, o.X + Width(edit, "o"), y, ssLeft);
    EXPECT_EQ(edit->SelText(), "one two three");
    Input::MouseMove(edit, o.X + Width(edit, "one two three fo"), y, ssLeft);
    EXPECT_EQ(edit->SelText(), "three four") << "to the end of the word under the pointer, no further";
    Input::MouseUp(edit, mbLeft, o.X + Width(edit, "one two three fo"), y);
    // A double click in the gap just after a word takes that word.
    Input::AdvanceTime(1000);
    Input::DoubleClick(edit, o.X + Width(edit, "one") + 1, y);
    EXPECT_EQ(edit->SelText(), "one");
    // Past the end of a memo's last line the caret goes to the very end.
    auto* memo = Make<TMemo>(form, 10, 50, 300, 100);
    memo->SetText("abc\r\nlast");
    Input::Click(memo, 250, PosOf(memo, 5).Y + 3);
    EXPECT_EQ(memo->SelStart(), 9);
    Input::Click(memo, 250, PosOf(memo, 0).Y + 3);
    EXPECT_EQ(memo->SelStart(), 3);
}

TEST_F(Details, ALostCaptureEndsSelectingAndDeleteRaisesOnChange)
{
    auto* edit = Make<TEdit>(form, 10, 10, 300, 24);
    edit->SetText("abcdef");
    int changes = 0;
    edit->OnChange = [&](TObject*) { ++changes; };
    const TPoint o = PosOf(edit, 0);
    Input::MouseDown(edit, mbLeft, o.X + 1, o.Y + 4);
    // Another window takes the mouse: moves no longer select.
    auto* other = Make<TPanel>(form, 10, 100, 50, 50);
    SetCapture(other->Handle());
    ReleaseCapture();
    Input::MouseMove(edit, o.X + Width(edit, "abcd"), o.Y + 4);
    EXPECT_EQ(edit->SelLength(), 0);
    Input::PressKey(VK_DELETE);
    EXPECT_EQ(edit->Text(), "bcdef");
    EXPECT_EQ(changes, 1);
    Input::PressKey(VK_DELETE, ssCtrl);
    EXPECT_EQ(edit->Text(), "");
    EXPECT_EQ(changes, 2);
}

TEST_F(Details, TheHorizontalRangeShrinksWhenTheWidestLineGoes)
{
    auto* memo = Make<TMemo>(form, 10, 10, 200, 120);
    memo->SetScrollBars(ssBoth);
    memo->SetText("short\r\n" + std::string(200, 'W') + "\r\nshort");
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    GetScrollInfo(memo->Handle(), SB_HORZ, &si);
    const int wide = si.nMax;
    EXPECT_GT(wide, memo->ClientWidth());
    memo->Lines()->Delete(1);
    GetScrollInfo(memo->Handle(), SB_HORZ, &si);
    EXPECT_LT(si.nMax, wide);
    EXPECT_LE(si.nMax, memo->ClientWidth());
    // A narrower line going leaves the range alone.
    memo->SetText(std::string(200, 'W') + "\r\nshort\r\nx");
    GetScrollInfo(memo->Handle(), SB_HORZ, &si);
    const int before = si.nMax;
    memo->Lines()->Delete(1);
    GetScrollInfo(memo->Handle(), SB_HORZ, &si);
    EXPECT_EQ(si.nMax, before);
}

// The first dark column of the text ink in a rectangle of a window.
int FirstInk(HWND h, const TRect& r)
{
    HDC dc = GetDC(h);
    int found = -1;
    for (int x = r.Left; x < r.Right && found < 0; ++x)
        for (int y = r.Top; y < r.Bottom; ++y) {
            const COLORREF c = GetPixel(dc, x, y);
            if (GetRValue(c) < 100 && GetGValue(c) < 100 && GetBValue(c) < 100) {
                found = x;
                break;
            }
        }
    ReleaseDC(h, dc);
    return found;
}

TEST_F(Details, TabStopsOfListsAndTabbedText)
{
    auto* list = Make<TListBox>(form, 10, 10, 250, 100);
    list->Items()->Add("\tX");
    list->SetTabWidth(40);
    uitest::Pump();
    TEXTMETRIC tm;
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, list->Font()->Handle());
    GetTextMetrics(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    const int stop = 40 * tm.tmAveCharWidth / 4;
    const TRect row = list->ItemRect(0);
    const int ink = FirstInk(list->Handle(), row);
    EXPECT_GE(ink, 2 + stop - 1);
    EXPECT_LE(ink, 2 + stop + 2) << "the X stands at the tab stop";
    // Drawn text with tabs puts each piece at its stop from the origin.
    auto* box = Make<TPanel>(form, 10, 150, 300, 40);
    box->SetBevelOuter(bvNone);
    uitest::Pump();
    HDC bd = GetDC(box->Handle());
    SetBkMode(bd, TRANSPARENT);
    const int stops[1] = {100};
    const LONG extent = TabbedTextOut(bd, 20, 5, "\tI", 2, 1, stops, 0);
    SIZE i;
    GetTextExtentPoint32(bd, "I", 1, &i);
    ReleaseDC(box->Handle(), bd);
    EXPECT_EQ(LOWORD(extent), 100 - 20 + i.cx) << "the stop counts from the origin, not from X";
    const int at = FirstInk(box->Handle(), {0, 0, 300, 40});
    EXPECT_GE(at, 99);
    EXPECT_LE(at, 103);
}

TEST_F(Details, RangesFromTheFirstItemAndDraggingPastTheBottom)
{
    auto* list = Make<TListBox>(form, 10, 10, 150, 100);
    list->SetMultiSelect(true);
    for (int i = 0; i < 30; ++i)
        list->Items()->Add("row " + std::to_string(i));
    const int h = list->ItemHeight();
    Input::Click(list, 10, 2 * h + 2);
    Input::Click(list, 10, 2, mbLeft, ssShift);
    EXPECT_EQ(list->SelCount(), 3);
    EXPECT_TRUE(list->Selected(0));
    // Dragging below the list scrolls it a row per move.
    list->SetMultiSelect(false);
    Input::MouseDown(list, mbLeft, 10, 2);
    Input::MouseMove(list, 10, list->ClientHeight() + 20, ssLeft);
    EXPECT_EQ(list->TopIndex(), 1);
    Input::MouseMove(list, 10, list->ClientHeight() + 20, ssLeft);
    EXPECT_EQ(list->TopIndex(), 2);
    Input::MouseUp(list, mbLeft, 10, list->ClientHeight() + 20);
    EXPECT_EQ(list->ItemIndex(), list->TopIndex() + list->ClientHeight() / h - 1);
    // The horizontal bar's page is the box's width; items reach to the extent.
    auto* wide = Make<TListBox>(form, 200, 10, 120, 100);
    SetWindowLong(wide->Handle(), GWL_STYLE, GetWindowLong(wide->Handle(), GWL_STYLE) | WS_HSCROLL);
    wide->Items()->Add("x");
    SendMessage(wide->Handle(), LB_SETHORIZONTALEXTENT, 500, 0);
    SendMessage(wide->Handle(), WM_HSCROLL, SB_PAGERIGHT, 0);
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    GetScrollInfo(wide->Handle(), SB_HORZ, &si);
    EXPECT_EQ(int(si.nPage), wide->ClientWidth());
    EXPECT_EQ(wide->ItemRect(0).Right, 500 - si.nPos);
}

TEST_F(Details, SelectionsHideWithTheFocusUnlessAskedToStay)
{
    auto* edit = Make<TEdit>(form, 10, 10, 200, 24);
    auto* other = Make<TEdit>(form, 10, 50, 200, 24);
    edit->SetText("WWWWWWWW");
    edit->SetFocus();
    edit->SelectAll();
    uitest::Pump();
    auto highlighted = [&] {
        HDC dc = GetDC(edit->Handle());
        int n = 0;
        for (int y = 0; y < edit->ClientHeight(); ++y)
            for (int x = 0; x < edit->ClientWidth(); ++x)
                n += GetPixel(dc, x, y) == GetSysColor(COLOR_HIGHLIGHT);
        ReleaseDC(edit->Handle(), dc);
        return n;
    };
    EXPECT_GT(highlighted(), 0);
    other->SetFocus();
    uitest::Pump();
    EXPECT_EQ(highlighted(), 0);
    edit->SetHideSelection(false);
    uitest::Pump();
    EXPECT_GT(highlighted(), 0);
}

TEST_F(Details, TheWheelScrollsTheMemoAndGoesNoFurther)
{
    struct TWheelCounter : TPanel {
        using TPanel::TPanel;
        int Wheels = 0;
        void Dispatch(TMessage& M) override
        {
            if (M.Msg == WM_MOUSEWHEEL)
                ++Wheels;
            TPanel::Dispatch(M);
        }
    };
    auto* panel = Make<TWheelCounter>(form, 0, 0, 300, 200);
    auto* memo = Make<TMemo>(panel, 10, 10, 200, 80);
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += "line\r\n";
    memo->SetText(text);
    Input::Wheel(memo, -WHEEL_DELTA, 20, 20);
    EXPECT_EQ(SendMessage(memo->Handle(), EM_GETFIRSTVISIBLELINE, 0, 0), 3);
    EXPECT_EQ(panel->Wheels, 0);
    // A one-line edit leaves the wheel to its parent.
    auto* edit = Make<TEdit>(panel, 10, 120, 100, 24);
    Input::Wheel(edit, -WHEEL_DELTA, 5, 5);
    EXPECT_EQ(panel->Wheels, 1);
}

TEST_F(Details, ComboItemsInsertedAtTheTopAndItsTextCut)
{
    auto* combo = Make<TComboBox>(form, 10, 10, 150, 0);
    combo->Items()->Add("second");
    combo->Items()->Insert(0, "first");
    EXPECT_EQ(combo->Items()->CommaText(), "first,second");
    TComboBox lone(nullptr);
    lone.Items()->Add("b");
    lone.Items()->Insert(0, "a");
    lone.Items()->Insert(2, "c");
    EXPECT_EQ(lone.Items()->CommaText(), "a,b,c") << "without a window as well";
    EXPECT_THROW(lone.Items()->Insert(4, "d"), EStringListError);
    combo->SetText("abcdef");
    char buf[8];
    EXPECT_EQ(SendMessage(combo->Handle(), WM_GETTEXT, 4, reinterpret_cast<LPARAM>(buf)), 3);
    EXPECT_STREQ(buf, "abc");
}

}  // namespace

namespace {

TEST_F(Details, FirstItemsLastStepsAndBreaksJoinedAtAParagraphsStart)
{
    auto* list = Make<TListBox>(form, 10, 10, 150, 100);
    for (const char* s : {"alpha", "beta", "gamma"})
        list->Items()->Add(s);
    EXPECT_EQ(SendMessage(list->Handle(), LB_SETCURSEL, 0, 0), 0);
    EXPECT_EQ(SendMessage(list->Handle(), LB_SELECTSTRING, 1, reinterpret_cast<LPARAM>("al")), 0);
    EXPECT_EQ(list->ItemIndex(), 0);
    const LRESULT first = SendMessage(list->Handle(), LB_ITEMFROMPOINT, 0, MAKELPARAM(5, 2));
    EXPECT_EQ(first, 0) << "item 0, inside";
    auto* combo = Make<TComboBox>(form, 200, 10, 150, 0);
    combo->Items()->Add("north");
    combo->Items()->Add("south");
    combo->SetItemIndex(1);
    EXPECT_EQ(SendMessage(combo->Handle(), CB_SELECTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>("no")), 0);
    EXPECT_EQ(combo->Text(), "north");
    EXPECT_THROW(combo->Items()->Objects(2), EStringListError);
    // Up from the second line reaches the first; SetSelStart(0) goes to the start.
    auto* memo = Make<TMemo>(form, 10, 120, 200, 100);
    memo->SetText("ab\r\ncd");
    memo->SetFocus();
    memo->SetCaretPos({1, 1});
    Input::PressKey(VK_UP);
    EXPECT_EQ(memo->CaretPos(), (TPoint{1, 0}));
    memo->SetSelStart(3);
    memo->SetSelStart(0);
    EXPECT_EQ(memo->SelStart(), 0);
    // A line feed typed after a lone CR joins them into one break.
    memo->SetText("x\ry");
    EXPECT_EQ(SendMessage(memo->Handle(), EM_GETLINECOUNT, 0, 0), 2);
    SendMessage(memo->Handle(), EM_SETSEL, 2, 2);
    SendMessage(memo->Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("\n"));
    // The memo makes CR LF of the LF; either way there are two lines, the second starting at y.
    EXPECT_EQ(SendMessage(memo->Handle(), EM_GETLINECOUNT, 0, 0), 3);
    memo->SetText("x\r");
    SendMessage(memo->Handle(), EM_SETSEL, 2, 2);
    SendMessage(memo->Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("y"));
    EXPECT_EQ(SendMessage(memo->Handle(), EM_GETLINECOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessage(memo->Handle(), EM_LINEINDEX, 1, 0), 2);
}

TEST_F(Details, UndoKeepsTheLastThousandSteps)
{
    auto* edit = Make<TEdit>(form, 10, 10, 150, 24);
    for (int i = 0; i < 1001; ++i)
        SendMessage(edit->Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("x"));
    int undone = 0;
    while (SendMessage(edit->Handle(), EM_UNDO, 0, 0))
        ++undone;
    EXPECT_EQ(undone, 1000);
    EXPECT_EQ(edit->Text(), "x") << "the oldest step is the one let go";
}

TEST_F(Details, VariableHeightComboItemsAreMeasuredByTheProgram)
{
    auto* combo = Make<TComboBox>(form, 10, 10, 150, 0);
    combo->SetStyle(csOwnerDrawVariable);
    combo->OnMeasureItem = [](TWinControl*, int Index, int& Height) { Height = 12 + 4 * Index; };
    for (int i = 0; i < 4; ++i)
        combo->Items()->Add("row");
    combo->SetDroppedDown(true);
    TRect r;
    GetWindowRect(combo->ListHandle(), &r);
    EXPECT_EQ(r.Height(), 12 + 16 + 20 + 24 + 2);
    combo->SetDroppedDown(false);
}

}  // namespace

namespace {

TEST_F(Details, ResetsBoundsAndPagesThatUsersNotice)
{
    // New text starts at its beginning, scrolled back and counted afresh.
    auto* edit = Make<TEdit>(form, 10, 10, 120, 24);
    edit->SetText(std::string(100, 'w'));
    edit->SetFocus();
    Input::PressKey(VK_END);
    EXPECT_LT(PosOf(edit, 0).X, 0);
    edit->SetText("short");
    EXPECT_EQ(PosOf(edit, 0).X, 2);
    TMemo lone(nullptr);
    lone.SetText("a\r\nb");
    EXPECT_EQ(lone.Lines()->Count(), 2);
    lone.SetText("a");
    EXPECT_EQ(lone.Lines()->Count(), 1);
    EXPECT_EQ(lone.Lines()->Strings(0), "a");
    // A list box: its objects are bounded, its choices are set from code, Clear leaves no choice.
    auto* list = Make<TListBox>(form, 10, 50, 150, 100);
    for (int i = 0; i < 40; ++i)
        list->Items()->Add("row " + std::to_string(i));
    EXPECT_THROW(list->Items()->Objects(40), EStringListError);
    EXPECT_THROW(list->Items()->Objects(-1), EStringListError);
    list->SetFocus();
    Input::PressKey(VK_HOME);
    Input::PressKey(VK_NEXT);
    const int page = list->ClientHeight() / list->ItemHeight();
    EXPECT_EQ(list->ItemIndex(), page - 1) << "a page down lands on the last row wholly shown";
    Input::Click(list, 5, 5);
    EXPECT_NE(GetCapture(), list->Handle()) << "the release lets the mouse go";
    list->Clear();
    EXPECT_EQ(list->ItemIndex(), -1);
    list->SetMultiSelect(true);
    list->Items()->Add("a");
    list->Items()->Add("b");
    list->SetSelected(1, true);
    EXPECT_TRUE(list->Selected(1));
    EXPECT_EQ(list->SelCount(), 1);
    list->SetSelected(1, false);
    EXPECT_EQ(list->SelCount(), 0);
    // The combo box's first item can go, and F4 on an open list keeps what the pointer chose.
    auto* combo = Make<TComboBox>(form, 200, 10, 150, 0);
    for (const char* s : {"a", "b", "c", "d"})
        combo->Items()->Add(s);
    combo->Items()->Delete(0);
    EXPECT_EQ(combo->Items()->CommaText(), "b,c,d");
    combo->SetFocus();
    Input::PressKey(VK_F4);
    TWinControl* dropped = TWinControl::FindControl(combo->ListHandle());
    Input::MouseMove(dropped, 10, combo->ItemHeight() * 2 + 2);
    Input::PressKey(VK_F4);
    EXPECT_FALSE(combo->DroppedDown());
    EXPECT_EQ(combo->Text(), "d");
}

// A dropped-down list follows the pointer held over it and beyond it, its first item included.
TEST_F(Details, ADroppedListFollowsThePointerBothWays)
{
    auto* combo = Make<TComboBox>(form, 10, 10, 150, 0);
    for (int i = 0; i < 30; ++i)
        combo->Items()->Add("row " + std::to_string(i));
    combo->SetItemIndex(3);
    combo->SetFocus();
    Input::PressKey(VK_F4);
    ASSERT_TRUE(combo->DroppedDown());
    TWinControl* dropped = TWinControl::FindControl(combo->ListHandle());
    ASSERT_NE(dropped, nullptr);
    const int ih = combo->ItemHeight();
    auto top = [&] { return int(SendMessage(combo->ListHandle(), LB_GETTOPINDEX, 0, 0)); };
    auto current = [&] { return int(SendMessage(combo->ListHandle(), LB_GETCURSEL, 0, 0)); };
    SendMessage(combo->ListHandle(), LB_SETTOPINDEX, 0, 0);
    ASSERT_EQ(top(), 0);
    Input::MouseMove(dropped, 10, ih / 2);
    EXPECT_EQ(current(), 0) << "the first item is marked like any other";
    // Held below the list it scrolls down, above it back up.
    Input::MouseDown(dropped, mbLeft, 10, ih / 2);
    for (int i = 0; i < 3; ++i)
        Input::MouseMove(dropped, 10, dropped->ClientHeight() + 20, ssLeft);
    EXPECT_EQ(top(), 3);
    Input::MouseMove(dropped, 10, -20, ssLeft);
    EXPECT_EQ(top(), 2);
    Input::MouseUp(dropped, mbLeft, 10, ih / 2);
    EXPECT_FALSE(combo->DroppedDown());
}

// A click that leaves one item selected in a multi-selection list is a change, however many were
// selected before.
TEST_F(Details, AClickOnAMultiSelectionListIsAChange)
{
    auto* list = Make<TListBox>(form, 10, 10, 150, 120);
    list->SetMultiSelect(true);
    for (int i = 0; i < 5; ++i)
        list->Items()->Add("row " + std::to_string(i));
    int clicks = 0;
    list->OnClick = [&](TObject*) { ++clicks; };
    list->SetSelected(1, true);
    list->SetSelected(2, true);
    const int ih = list->ItemHeight();
    Input::Click(list, 5, 3 * ih + 2);
    EXPECT_EQ(list->SelCount(), 1);
    EXPECT_TRUE(list->Selected(3));
    EXPECT_EQ(clicks, 1);
}

// Owner-drawn combo boxes are as tall as their items ask; the button is pushed from the press on.
TEST_F(Details, OwnerDrawnComboFieldsAndThePushedButton)
{
    for (TComboBoxStyle style : {csOwnerDrawFixed, csOwnerDrawVariable}) {
        auto* combo = Make<TComboBox>(form, 10, 10, 150, 0);
        combo->SetStyle(style);
        const int plain = combo->Height();
        combo->SetItemHeight(40);
        EXPECT_EQ(combo->Height(), 46) << "style " << int(style);
        EXPECT_GT(combo->Height(), plain);
        delete combo;
    }
    auto* combo = Make<TComboBox>(form, 10, 10, 150, 0);
    combo->SetStyle(csDropDownList);
    combo->Items()->Add("a");
    uitest::Pump();
    const TRect button{combo->ClientWidth() - 18, 2, combo->ClientWidth() - 2, combo->ClientHeight() - 2};
    auto look = [&] {
        HDC dc = GetDC(combo->Handle());
        std::vector<COLORREF> pixels;
        for (int y = button.Top; y < button.Bottom; ++y)
            for (int x = button.Left; x < button.Right; ++x)
                pixels.push_back(GetPixel(dc, x, y));
        ReleaseDC(combo->Handle(), dc);
        return pixels;
    };
    const std::vector<COLORREF> raised = look();
    std::vector<COLORREF> whilePressed;
    combo->OnDropDown = [&](TObject*) {
        combo->Repaint();
        whilePressed = look();
    };
    Input::MouseDown(combo, mbLeft, button.Left + 8, combo->ClientHeight() / 2);
    ASSERT_TRUE(combo->DroppedDown());
    uitest::Pump();
    EXPECT_NE(whilePressed, raised) << "pushed as the press comes, before the list shows";
    EXPECT_EQ(whilePressed, look());
    Input::PressKey(VK_ESCAPE);
    EXPECT_FALSE(combo->DroppedDown());
    uitest::Pump();
    EXPECT_EQ(look(), raised);
}

// Letters change case in both code pages, those of Latin Extended-A and the Cyrillic supplement too.
TEST_F(Details, CharCaseTakesEveryLetterOfTheCodePage)
{
    struct Case {
        Byte Charset;
        const char* Capitals;  // UTF-8, pairs with Small letter by letter
        const char* Small;
    };
    const Case cases[] = {
        {DEFAULT_CHARSET, "\xC5\xA0\xC5\x92\xC5\xBD\xC5\xB8\xC3\x80\xC3\x9E", "\xC5\xA1\xC5\x93\xC5\xBE\xC3\xBF\xC3\xA0\xC3\xBE"},
        {RUSSIAN_CHARSET, "\xD0\x82\xD0\x83\xD0\x89\xD0\x8A\xD0\x8C\xD0\x8B\xD0\x8F\xD0\x8E\xD0\x88\xD2\x90\xD0\x81\xD0\x84\xD0\x85\xD0\x86\xD0\x87\xD0\x90\xD0\xAF",
         "\xD1\x92\xD1\x93\xD1\x99\xD1\x9A\xD1\x9C\xD1\x9B\xD1\x9F\xD1\x9E\xD1\x98\xD2\x91\xD1\x91\xD1\x94\xD1\x95\xD1\x96\xD1\x97\xD0\xB0\xD1\x8F"},
    };
    for (const Case& c : cases) {
        auto* edit = Make<TEdit>(form, 10, 10, 300, 24);
        edit->Font()->SetCharset(c.Charset);
        const int cp = CharsetToCodePage(c.Charset);
        edit->SetFocus();
        edit->SetCharCase(ecLowerCase);
        Input::TypeText(c.Capitals);
        EXPECT_EQ(edit->Text(), Utf8ToCodePage(c.Small, cp)) << c.Small;
        edit->Clear();
        edit->SetCharCase(ecUpperCase);
        Input::TypeText(c.Small);
        EXPECT_EQ(edit->Text(), Utf8ToCodePage(c.Capitals, cp)) << c.Capitals;
        delete edit;
    }
}

// The scroll bars follow a change of font or of password character at once.
TEST_F(Details, ScrollBarsFollowTheFontAndThePasswordCharacter)
{
    std::string text;
    for (int i = 0; i < 30; ++i)
        text += "line " + std::to_string(i) + " " + std::string(size_t(i), 'm') + "\r\n";
    auto range = [](TWinControl* c, int bar) {
        SCROLLINFO si;
        si.fMask = SIF_ALL;
        GetScrollInfo(c->Handle(), bar, &si);
        return std::vector<int>{si.nMax, int(si.nPage)};
    };
    // Each memo is compared with one made afresh with the same settings.
    auto made = [&](int fontHeight, char password) {
        auto* m = Make<TMemo>(form, 10, 10, 200, 150);
        m->SetScrollBars(ssBoth);
        m->Font()->SetHeight(fontHeight);
        m->SetPasswordChar(password);
        m->SetText(text);
        return m;
    };
    auto* memo = made(-11, 0);
    const std::vector<int> v0 = range(memo, SB_VERT), h0 = range(memo, SB_HORZ);
    memo->Font()->SetHeight(-22);
    auto* big = made(-22, 0);
    EXPECT_EQ(range(memo, SB_VERT), range(big, SB_VERT));
    EXPECT_EQ(range(memo, SB_HORZ), range(big, SB_HORZ));
    EXPECT_NE(range(memo, SB_VERT), v0);
    memo->SetPasswordChar('W');
    auto* hidden = made(-22, 'W');
    EXPECT_EQ(range(memo, SB_HORZ), range(hidden, SB_HORZ));
    EXPECT_NE(range(memo, SB_HORZ), range(big, SB_HORZ));
    (void)h0;
}

}  // namespace
