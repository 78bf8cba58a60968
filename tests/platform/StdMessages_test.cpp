// The standard controls' window messages as a program sends them: the edit's EM_*, the list box's
// LB_* and the combo box's CB_* answers, with their edge cases.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Input.h"
#include "platform/StdCtrls.h"
#include "tests/support/UiTest.h"

namespace {

class Messages : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->Initialize();
        form = new TForm(nullptr);
        form->SetBounds(40, 40, 420, 320);
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
    T* Make(int x, int y, int w, int h)
    {
        auto* c = new T(form);
        c->SetParent(form);
        c->SetBounds(x, y, w, h);
        return c;
    }
    static LRESULT Send(TWinControl* c, UINT msg, WPARAM w = 0, LPARAM l = 0)
    {
        return SendMessage(c->Handle(), msg, w, l);
    }
    static LPARAM Str(const char* s) { return reinterpret_cast<LPARAM>(s); }
    int CharWidth(TControl* c, char ch)
    {
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, c->Font()->Handle());
        int w = 0;
        GetCharWidth32(dc, static_cast<unsigned char>(ch), static_cast<unsigned char>(ch), &w);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        return w;
    }
    TForm* form = nullptr;
};

TEST_F(Messages, EditSelectionLinesAndModification)
{
    auto* memo = Make<TMemo>(10, 10, 300, 120);
    memo->SetText("first\r\nsecond line\r\n\r\nlast");
    DWORD a = 0, b = 0;
    Send(memo, EM_SETSEL, 7, 13);
    Send(memo, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
    EXPECT_EQ(a, 7u);
    EXPECT_EQ(b, 13u);
    EXPECT_EQ(memo->SelText(), "second");
    Send(memo, EM_SETSEL, WPARAM(-1), 0);
    EXPECT_EQ(memo->SelLength(), 0) << "-1 takes the selection away";
    EXPECT_EQ(memo->SelStart(), 13);
    Send(memo, EM_SETSEL, 0, -1);
    EXPECT_EQ(memo->SelLength(), int(memo->Text().size()));
    EXPECT_EQ(Send(memo, EM_GETLINECOUNT), 4);
    EXPECT_EQ(Send(memo, EM_LINEINDEX, 1), 7);
    EXPECT_EQ(Send(memo, EM_LINEINDEX, 3), 22);
    EXPECT_EQ(Send(memo, EM_LINEINDEX, 4), -1);
    EXPECT_EQ(Send(memo, EM_LINEFROMCHAR, 21), 2);
    EXPECT_EQ(Send(memo, EM_LINELENGTH, 9), 11);
    EXPECT_EQ(Send(memo, EM_LINELENGTH, 20), 0);
    char buf[32] = {};
    *reinterpret_cast<Word*>(buf) = 6;
    EXPECT_EQ(Send(memo, EM_GETLINE, 1, reinterpret_cast<LPARAM>(buf)), 6);
    EXPECT_EQ(std::string(buf, 6), "second");
    EXPECT_EQ(Send(memo, EM_GETLINE, 9, reinterpret_cast<LPARAM>(buf)), 0);
    // A point maps to its character and line, and back.
    const LRESULT at = Send(memo, EM_POSFROMCHAR, 9);
    const LRESULT back = Send(memo, EM_CHARFROMPOS, 0, MAKELPARAM(LOWORD(at) + 1, HIWORD(at) + 2));
    EXPECT_EQ(LOWORD(back), 9);
    EXPECT_EQ(HIWORD(back), 1);
    EXPECT_EQ(Send(memo, EM_GETMODIFY), FALSE);
    memo->SetFocus();
    Input::TypeText("x");
    EXPECT_EQ(memo->Text(), "x") << "typing replaces what is selected";
    EXPECT_EQ(Send(memo, EM_GETMODIFY), TRUE);
    Send(memo, EM_SETMODIFY, FALSE);
    EXPECT_FALSE(memo->Modified());
    EXPECT_EQ(Send(memo, EM_GETLIMITTEXT), 0x7FFFFFFE);
    Send(memo, EM_SETREADONLY, TRUE);
    EXPECT_TRUE(GetWindowLong(memo->Handle(), GWL_STYLE) & ES_READONLY);
    Input::TypeText("y");
    EXPECT_EQ(memo->Text().find('y'), std::string::npos);
    Send(memo, EM_SETREADONLY, FALSE);
    EXPECT_FALSE(GetWindowLong(memo->Handle(), GWL_STYLE) & ES_READONLY);
    char whole[64] = {};
    EXPECT_EQ(Send(memo, WM_GETTEXT, sizeof whole, reinterpret_cast<LPARAM>(whole)), LRESULT(memo->Text().size()));
    EXPECT_EQ(std::string(whole), memo->Text());
    memo->SetText("long enough");
    EXPECT_EQ(Send(memo, WM_GETTEXT, 3, reinterpret_cast<LPARAM>(whole)), 2) << "cut to the buffer, with its zero";
    EXPECT_EQ(std::string(whole), "lo");
}

TEST_F(Messages, EditReplaceUndoAndDeletingForward)
{
    auto* edit = Make<TEdit>(10, 10, 200, 24);
    edit->SetFocus();
    Input::TypeText("abcdef");
    Input::PressKey(VK_HOME);
    Input::PressKey(VK_DELETE);
    Input::PressKey(VK_DELETE);
    Input::PressKey(VK_DELETE);
    EXPECT_EQ(edit->Text(), "def");
    EXPECT_EQ(Send(edit, EM_CANUNDO), TRUE);
    EXPECT_EQ(Send(edit, EM_UNDO), TRUE);
    EXPECT_EQ(edit->Text(), "abcdef") << "forward deletes in a row are one step";
    EXPECT_EQ(edit->SelText(), "abc");
    Send(edit, EM_REPLACESEL, TRUE, Str("XY"));
    EXPECT_EQ(edit->Text(), "XYdef");
    Send(edit, EM_UNDO);
    EXPECT_EQ(edit->Text(), "abcdef") << "a replacement made undoable is taken back";
    Send(edit, EM_SETSEL, 0, 1);
    Send(edit, EM_REPLACESEL, FALSE, Str("Z"));
    EXPECT_EQ(edit->Text(), "Zbcdef");
    EXPECT_EQ(Send(edit, EM_CANUNDO), FALSE) << "a replacement that cannot be undone forgets the earlier steps";
    Send(edit, EM_EMPTYUNDOBUFFER);
    Input::TypeText("q");
    EXPECT_TRUE(edit->CanUndo());
    Send(edit, EM_EMPTYUNDOBUFFER);
    EXPECT_FALSE(edit->CanUndo());
    // Cut, copy, paste and clear as messages.
    Send(edit, EM_SETSEL, 0, 2);
    Send(edit, WM_CUT);
    Send(edit, EM_SETSEL, 3, 3);
    Send(edit, WM_PASTE);
    Send(edit, EM_SETSEL, 0, 1);
    Send(edit, WM_CLEAR);
    EXPECT_EQ(edit->Text(), "cdZqef");
    Send(edit, WM_UNDO);
    EXPECT_EQ(edit->Text(), "bcdZqef");
}

TEST_F(Messages, EditPasswordAlignmentAndLowerCase)
{
    auto* edit = Make<TEdit>(10, 10, 200, 24);
    edit->SetText("iiii");
    const LRESULT start = Send(edit, EM_POSFROMCHAR, 0);
    EXPECT_EQ(LOWORD(Send(edit, EM_POSFROMCHAR, 4)) - LOWORD(start), 4 * CharWidth(edit, 'i'));
    edit->SetPasswordChar('*');
    EXPECT_TRUE(GetWindowLong(edit->Handle(), GWL_STYLE) & ES_PASSWORD);
    EXPECT_EQ(LOWORD(Send(edit, EM_POSFROMCHAR, 4)) - LOWORD(start), 4 * CharWidth(edit, '*'))
        << "what shows is the password character";
    EXPECT_EQ(Send(edit, EM_GETPASSWORDCHAR), '*');
    edit->SetPasswordChar(0);
    auto* memo = Make<TMemo>(10, 40, 200, 80);
    memo->SetText("ab");
    const int client = memo->ClientWidth();
    memo->SetAlignment(taRightJustify);
    EXPECT_EQ(LOWORD(Send(memo, EM_POSFROMCHAR, 2)), client - 2 - 1);
    memo->SetAlignment(taCenter);
    const int w = CharWidth(memo, 'a') + CharWidth(memo, 'b');
    EXPECT_EQ(LOWORD(Send(memo, EM_POSFROMCHAR, 0)), 2 + (client - 4 - w) / 2);
    edit->SetCharCase(ecLowerCase);
    edit->SetFocus();
    edit->SelectAll();
    Input::TypeText("\xC3\x9C" "BER");  // "ÜBER"
    EXPECT_EQ(edit->Text(), "\xFC" "ber");
}

TEST_F(Messages, ListAnswersAndRefusals)
{
    auto* list = Make<TListBox>(10, 10, 150, 100);
    for (const char* s : {"apple", "Banana", "apricot", "cherry", "banana"})
        Send(list, LB_ADDSTRING, 0, Str(s));
    EXPECT_EQ(Send(list, LB_GETCOUNT), 5);
    EXPECT_EQ(Send(list, LB_FINDSTRING, WPARAM(-1), Str("ap")), 0);
    EXPECT_EQ(Send(list, LB_FINDSTRING, 0, Str("ap")), 2) << "the search starts after the given item";
    EXPECT_EQ(Send(list, LB_FINDSTRING, 2, Str("ap")), 0) << "and wraps round";
    EXPECT_EQ(Send(list, LB_FINDSTRINGEXACT, WPARAM(-1), Str("BANANA")), 1);
    EXPECT_EQ(Send(list, LB_FINDSTRINGEXACT, 1, Str("BANANA")), 4);
    EXPECT_EQ(Send(list, LB_FINDSTRINGEXACT, WPARAM(-1), Str("ban")), LB_ERR);
    EXPECT_EQ(Send(list, LB_SELECTSTRING, WPARAM(-1), Str("ch")), 3);
    EXPECT_EQ(list->ItemIndex(), 3);
    EXPECT_EQ(Send(list, LB_GETTEXTLEN, 1), 6);
    char buf[16];
    EXPECT_EQ(Send(list, LB_GETTEXT, 4, reinterpret_cast<LPARAM>(buf)), 6);
    EXPECT_STREQ(buf, "banana");
    EXPECT_EQ(Send(list, LB_GETTEXT, 5, reinterpret_cast<LPARAM>(buf)), LB_ERR);
    EXPECT_EQ(Send(list, LB_SETSEL, TRUE, 1), LB_ERR) << "a single-selection list has no LB_SETSEL";
    EXPECT_EQ(Send(list, LB_GETSELCOUNT), LB_ERR);
    EXPECT_EQ(Send(list, LB_SETCURSEL, 9), LB_ERR);
    EXPECT_EQ(list->ItemIndex(), -1);
    EXPECT_EQ(Send(list, LB_SETITEMHEIGHT, 0, 0), LB_ERR);
    EXPECT_EQ(Send(list, LB_SETITEMHEIGHT, 0, 256), LB_ERR);
    EXPECT_EQ(Send(list, LB_SETITEMHEIGHT, 0, 30), 0);
    EXPECT_EQ(list->ItemHeight(), 30);
    EXPECT_EQ(Send(list, LB_INSERTSTRING, 9, Str("x")), LB_ERR);
    EXPECT_EQ(Send(list, LB_INSERTSTRING, WPARAM(-1), Str("last")), 5);
    EXPECT_EQ(Send(list, LB_DELETESTRING, 7), LB_ERR);
    EXPECT_EQ(Send(list, LB_DELETESTRING, 0), 5);
    Send(list, LB_SETITEMDATA, 1, 77);
    EXPECT_EQ(Send(list, LB_GETITEMDATA, 1), 77);
    EXPECT_EQ(Send(list, LB_GETITEMDATA, 8), LB_ERR);
    RECT r;
    EXPECT_EQ(Send(list, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r)), 1);
    EXPECT_EQ(r.Top, 30);
    EXPECT_EQ(Send(list, LB_GETITEMRECT, 6, reinterpret_cast<LPARAM>(&r)), LB_ERR);
    const LRESULT below = Send(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(5, 31));
    EXPECT_EQ(LOWORD(below), 1);
    EXPECT_EQ(HIWORD(below), 0);
    EXPECT_EQ(HIWORD(Send(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(5, 500))), 1) << "past the items";
    // The wheel scrolls three items a notch.
    for (int i = 0; i < 20; ++i)
        Send(list, LB_ADDSTRING, 0, Str("more"));
    Input::Wheel(list, -WHEEL_DELTA, 10, 10);
    EXPECT_EQ(list->TopIndex(), 3);
    Send(list, LB_RESETCONTENT);
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(list->TopIndex(), 0);
}

TEST_F(Messages, MultiSelectionMessages)
{
    auto* list = Make<TListBox>(10, 10, 150, 100);
    list->SetMultiSelect(true);
    for (int i = 0; i < 8; ++i)
        list->Items()->Add("row " + std::to_string(i));
    EXPECT_EQ(Send(list, LB_SETCURSEL, 1), LB_ERR) << "a multi-selection list has no single choice";
    Send(list, LB_SELITEMRANGE, TRUE, MAKELPARAM(2, 4));
    Send(list, LB_SETSEL, TRUE, 6);
    int items[8] = {};
    EXPECT_EQ(Send(list, LB_GETSELITEMS, 8, reinterpret_cast<LPARAM>(items)), 4);
    EXPECT_EQ(std::vector<int>(items, items + 4), (std::vector<int>{2, 3, 4, 6}));
    EXPECT_EQ(Send(list, LB_GETSELITEMS, 2, reinterpret_cast<LPARAM>(items)), 2);
    Send(list, LB_SETSEL, FALSE, -1);
    EXPECT_EQ(list->SelCount(), 0);
    EXPECT_EQ(Send(list, LB_SETSEL, TRUE, 8), LB_ERR);
    Send(list, LB_SETCARETINDEX, 5);
    EXPECT_EQ(list->ItemIndex(), 5);
    Send(list, LB_SETANCHORINDEX, 2);
    EXPECT_EQ(Send(list, LB_GETANCHORINDEX), 2);
    list->SetFocus();
    Input::PressKey(VK_DOWN, ssShift);
    EXPECT_EQ(list->SelCount(), 5) << "from the anchor to the new caret";
    // Deleting an item moves the choices after it.
    list->Items()->Delete(0);
    EXPECT_TRUE(list->Selected(1));
    EXPECT_FALSE(list->Selected(0));
}

TEST_F(Messages, ComboAnswers)
{
    auto* combo = Make<TComboBox>(10, 10, 150, 0);
    for (const char* s : {"north", "east", "south", "west"})
        Send(combo, CB_ADDSTRING, 0, Str(s));
    EXPECT_EQ(Send(combo, CB_GETCOUNT), 4);
    EXPECT_EQ(Send(combo, CB_GETLBTEXTLEN, 2), 5);
    char buf[16];
    EXPECT_EQ(Send(combo, CB_GETLBTEXT, 3, reinterpret_cast<LPARAM>(buf)), 4);
    EXPECT_STREQ(buf, "west");
    EXPECT_EQ(Send(combo, CB_FINDSTRINGEXACT, WPARAM(-1), Str("EAST")), 1);
    EXPECT_EQ(Send(combo, CB_FINDSTRING, WPARAM(-1), Str("so")), 2);
    EXPECT_EQ(Send(combo, CB_SELECTSTRING, WPARAM(-1), Str("we")), 3);
    EXPECT_EQ(combo->Text(), "west");
    EXPECT_EQ(Send(combo, CB_GETCURSEL), 3);
    EXPECT_EQ(Send(combo, CB_SETCURSEL, 7), CB_ERR);
    EXPECT_EQ(combo->Text(), "") << "no choice clears the field";
    Send(combo, CB_SETCURSEL, 0);
    DWORD a = 9, b = 9;
    Send(combo, CB_GETEDITSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
    EXPECT_EQ(a, 0u);
    EXPECT_EQ(b, 5u);
    Send(combo, CB_SETEDITSEL, 0, MAKELPARAM(1, 3));
    EXPECT_EQ(combo->SelText(), "or");
    EXPECT_EQ(Send(combo, CB_GETDROPPEDSTATE), FALSE);
    Send(combo, CB_SHOWDROPDOWN, TRUE);
    EXPECT_EQ(Send(combo, CB_GETDROPPEDSTATE), TRUE);
    RECT both;
    Send(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&both));
    TRect box;
    GetWindowRect(combo->Handle(), &box);
    EXPECT_EQ(both.Top, box.Top);
    EXPECT_GT(both.Bottom, box.Bottom) << "the rectangle takes in the open list";
    Send(combo, CB_SHOWDROPDOWN, FALSE);
    EXPECT_FALSE(combo->DroppedDown());
    Send(combo, CB_SETITEMDATA, 2, 42);
    EXPECT_EQ(Send(combo, CB_GETITEMDATA, 2), 42);
    Send(combo, CB_DELETESTRING, 0);
    EXPECT_EQ(combo->Items()->Strings(0), "east");
    Send(combo, CB_LIMITTEXT, 3);
    combo->SetFocus();
    combo->SelectAll();
    Input::TypeText("abcdef");
    EXPECT_EQ(combo->Text(), "abc");
    Send(combo, CB_RESETCONTENT);
    EXPECT_EQ(combo->Items()->Count(), 0);
    EXPECT_EQ(combo->Text(), "") << "emptying the list empties the field";
    EXPECT_EQ(Send(combo, WM_GETTEXTLENGTH), 0);
}

}  // namespace

namespace {

TEST_F(Messages, EditsWithoutAWindowAndTheirPlaces)
{
    // A memo that has no window yet still knows its lines.
    TMemo lone(nullptr);
    lone.SetText("ab\r\ncd");
    lone.SetSelStart(4);
    EXPECT_EQ(lone.CaretPos(), (TPoint{0, 1}));
    EXPECT_EQ(lone.Lines()->Count(), 2);
    char buf[4];
    lone.SetSelStart(0);
    lone.SetSelLength(5);
    EXPECT_EQ(lone.GetSelTextBuf(buf, sizeof buf), 3);
    EXPECT_STREQ(buf, "ab\r");
    EXPECT_EQ(lone.GetSelTextBuf(buf, 0), 0);
    // A one-line edit taller than its line keeps the line in the middle.
    auto* tall = Make<TEdit>(10, 10, 150, 60);
    tall->SetText("x");
    TEXTMETRIC tm;
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, tall->Font()->Handle());
    GetTextMetrics(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(SHORT(HIWORD(Send(tall, EM_POSFROMCHAR, 0))), (tall->ClientHeight() - tm.tmHeight) / 2);
    // The caret follows the text when the memo scrolls.
    auto* memo = Make<TMemo>(10, 80, 150, 60);
    memo->SetScrollBars(ssVertical);
    std::string text;
    for (int i = 0; i < 30; ++i)
        text += "line\r\n";
    memo->SetText(text);
    memo->SetFocus();
    Send(memo, WM_VSCROLL, SB_LINEDOWN);
    POINT caret;
    GetCaretPos(&caret);
    const LRESULT at = Send(memo, EM_POSFROMCHAR, 0);
    EXPECT_EQ(caret.Y, SHORT(HIWORD(at)));
    EXPECT_LT(caret.Y, 0) << "the first line scrolled out above";
}

TEST_F(Messages, EnterAndExitReachEditsListsAndListOnlyCombos)
{
    auto* edit = Make<TEdit>(10, 10, 100, 24);
    auto* list = Make<TListBox>(10, 40, 100, 60);
    auto* combo = Make<TComboBox>(10, 110, 100, 0);
    combo->SetStyle(csDropDownList);
    combo->Items()->Add("one");
    std::vector<std::string> seen;
    for (TWinControl* c : std::vector<TWinControl*>{edit, list, combo}) {
        const std::string name = c == edit ? "edit" : c == list ? "list" : "combo";
        c->OnEnter = [&seen, name](TObject*) { seen.push_back("enter " + name); };
        c->OnExit = [&seen, name](TObject*) { seen.push_back("exit " + name); };
    }
    edit->SetFocus();
    Input::PressKey(VK_TAB);
    Input::PressKey(VK_TAB);
    Input::PressKey(VK_TAB);
    EXPECT_EQ(seen, (std::vector<std::string>{"enter edit", "exit edit", "enter list", "exit list", "enter combo",
                                              "exit combo", "enter edit"}));
    EXPECT_EQ(Send(list, LB_GETCURSEL), LB_ERR);
    list->SetItemIndex(-1);
    list->Items()->Add("a");
    list->SetItemIndex(0);
    EXPECT_EQ(Send(list, LB_GETCURSEL), 0);
}

TEST_F(Messages, MultipleSelectionWithoutExtendedMovesOnlyTheCaret)
{
    auto* list = Make<TListBox>(10, 10, 150, 100);
    list->SetMultiSelect(true);
    list->SetExtendedSelect(false);
    for (int i = 0; i < 5; ++i)
        list->Items()->Add("row");
    list->SetFocus();
    Input::PressKey(VK_DOWN);
    Input::PressKey(VK_DOWN);
    EXPECT_EQ(list->SelCount(), 0) << "keys move the focus rectangle, not the choice";
    EXPECT_EQ(list->ItemIndex(), 1);
    Input::PressKey(VK_SPACE);
    EXPECT_TRUE(list->Selected(1));
    Input::PressKey(VK_SPACE);
    EXPECT_FALSE(list->Selected(1));
    // Scrolled right as far as the extent goes, and no further.
    auto* wide = Make<TListBox>(200, 10, 100, 100);
    SetWindowLong(wide->Handle(), GWL_STYLE, GetWindowLong(wide->Handle(), GWL_STYLE) | WS_HSCROLL);
    wide->Items()->Add("x");
    Send(wide, LB_SETHORIZONTALEXTENT, 300);
    Send(wide, WM_HSCROLL, SB_RIGHT);
    EXPECT_EQ(wide->ItemRect(0).Left, -(300 - wide->ClientWidth()));
    Send(wide, WM_HSCROLL, SB_LINERIGHT);
    EXPECT_EQ(wide->ItemRect(0).Left, -(300 - wide->ClientWidth()));
    Send(wide, WM_HSCROLL, SB_LEFT);
    EXPECT_EQ(wide->ItemRect(0).Left, 0);
}

// Counts what the list window is told while its items change.
struct TRedrawCounter : TListBox {
    using TListBox::TListBox;
    int Off = 0, On = 0;
    void Dispatch(TMessage& M) override
    {
        if (M.Msg == WM_SETREDRAW)
            (M.WParam ? On : Off)++;
        TListBox::Dispatch(M);
    }
};

TEST_F(Messages, BulkChangesHoldTheListsDrawing)
{
    auto* list = Make<TRedrawCounter>(10, 10, 100, 100);
    list->Items()->BeginUpdate();
    list->Items()->Add("a");
    list->Items()->BeginUpdate();
    list->Items()->EndUpdate();
    EXPECT_EQ(list->Off, 1);
    EXPECT_EQ(list->On, 0);
    list->Items()->EndUpdate();
    EXPECT_EQ(list->On, 1);
}

TEST_F(Messages, TheListOnlyComboShowsItsChoiceHighlightedWhileFocused)
{
    auto* combo = Make<TComboBox>(10, 10, 150, 0);
    combo->SetStyle(csDropDownList);
    combo->Items()->Add("WWWWWW");
    combo->SetItemIndex(0);
    auto* other = Make<TEdit>(10, 60, 100, 24);
    other->SetFocus();
    uitest::Pump();
    auto count = [&](COLORREF want) {
        HDC dc = GetDC(combo->Handle());
        int n = 0;
        for (int y = 3; y < combo->Height() - 3; ++y)
            for (int x = 3; x < combo->Width() - 22; ++x)
                n += GetPixel(dc, x, y) == want;
        ReleaseDC(combo->Handle(), dc);
        return n;
    };
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    EXPECT_EQ(count(highlight), 0);
    combo->SetFocus();
    uitest::Pump();
    EXPECT_GT(count(highlight), 50);
    EXPECT_EQ(count(RGB(255, 255, 255)), 0) << "the text draws over the highlight, not on white";
    Input::PressKey(VK_F4);
    uitest::Pump();
    EXPECT_EQ(count(highlight), 0) << "not while the list is open";
    Input::PressKey(VK_ESCAPE);
}

}  // namespace
