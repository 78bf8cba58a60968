// The edit box and the memo through the toolkit's own key and mouse events: caret keys, word moves,
// selection, the clipboard, undo, limits, scrolling, wrapping, and what reaches a subclass.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/Clipbrd.h"
#include "platform/ExtCtrls.h"
#include "platform/Input.h"
#include "platform/StdCtrls.h"
#include "tests/support/UiTest.h"

namespace {

class Edits : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->Initialize();
        form = new TForm(nullptr);
        form->SetBounds(50, 50, 420, 320);
        form->AfterConstruction();
        edit = new TEdit(form);
        edit->SetParent(form);
        edit->SetBounds(10, 10, 160, 24);
        form->Show();
        uitest::Pump();
        edit->SetFocus();
    }
    void TearDown() override
    {
        delete form;
        uitest::Pump();
    }
    // The width of text in the edit's font, as the edit measures it.
    int Width(const std::string& s)
    {
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, edit->Font()->Handle());
        int w = 0;
        for (unsigned char c : s) {
            int cw = 0;
            GetCharWidth32(dc, c, c, &cw);
            w += cw;
        }
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        return w;
    }
    TPoint CaretPoint(TWinControl* w, int pos)
    {
        LRESULT r = SendMessage(w->Handle(), EM_POSFROMCHAR, WPARAM(pos), 0);
        return {SHORT(LOWORD(r)), SHORT(HIWORD(r))};
    }
    TForm* form = nullptr;
    TEdit* edit = nullptr;
};

TEST_F(Edits, CaretKeysAndWordMovesWithAndWithoutShift)
{
    Input::TypeText("alpha beta, gamma");
    EXPECT_EQ(edit->SelStart(), 17);
    Input::PressKey(VK_HOME);
    EXPECT_EQ(edit->SelStart(), 0);
    Input::PressKey(VK_RIGHT, ssCtrl);
    EXPECT_EQ(edit->SelStart(), 6) << "to the start of the next word";
    Input::PressKey(VK_RIGHT, ssCtrl);
    EXPECT_EQ(edit->SelStart(), 10) << "punctuation is a word of its own";
    Input::PressKey(VK_RIGHT, ssCtrl | ssShift);
    EXPECT_EQ(edit->SelStart(), 10);
    EXPECT_EQ(edit->SelText(), ", ");
    Input::PressKey(VK_LEFT);
    EXPECT_EQ(edit->SelLength(), 0);
    EXPECT_EQ(edit->SelStart(), 10) << "Left collapses a selection to its start";
    Input::PressKey(VK_END, ssShift);
    EXPECT_EQ(edit->SelText(), ", gamma");
    Input::PressKey(VK_RIGHT);
    EXPECT_EQ(edit->SelStart(), 17);
    Input::PressKey(VK_LEFT, ssCtrl);
    EXPECT_EQ(edit->SelStart(), 12);
    Input::PressKey(VK_LEFT, ssCtrl | ssShift);
    EXPECT_EQ(edit->SelText(), ", ");
    Input::TypeText("-");
    EXPECT_EQ(edit->Text(), "alpha beta-gamma") << "typing replaces the selection";
    Input::PressKey(VK_BACK, ssCtrl);
    EXPECT_EQ(edit->Text(), "alpha betagamma");
    Input::PressKey(VK_HOME);
    Input::PressKey(VK_DELETE, ssCtrl);
    EXPECT_EQ(edit->Text(), "betagamma");
    Input::PressKey(VK_DELETE);
    EXPECT_EQ(edit->Text(), "etagamma");
    Input::PressKey('A', ssCtrl);
    EXPECT_EQ(edit->SelLength(), 8);
}

TEST_F(Edits, MouseSelectsByClickDragShiftClickAndDoubleClick)
{
    edit->SetText("one two three");
    uitest::Pump();
    const TPoint origin = CaretPoint(edit, 0);
    const int y = origin.Y + 4;
    // A click lands on the nearer side of a character.
    Input::Click(edit, origin.X + Width("one t") + 1, y);
    EXPECT_EQ(edit->SelStart(), 5);
    EXPECT_EQ(edit->SelLength(), 0);
    Input::Click(edit, origin.X + Width("one tw") - 1, y);
    EXPECT_EQ(edit->SelStart(), 6);
    Input::Click(edit, origin.X + Width("one two thr") + 1, y, mbLeft, ssShift);
    EXPECT_EQ(edit->SelText(), "o thr");
    Input::Drag(edit, origin.X + 1, y, origin.X + Width("one ") + 1, y);
    EXPECT_EQ(edit->SelText(), "one ");
    Input::AdvanceTime(1000);
    Input::DoubleClick(edit, origin.X + Width("one tw"), y);
    EXPECT_EQ(edit->SelText(), "two");
    // Letters beyond ASCII belong to the word.
    edit->SetText("Gr\xFC\xDF" "e aus K\xF6ln");
    Input::AdvanceTime(1000);
    Input::DoubleClick(edit, origin.X + Width("Gr\xFC"), y);
    EXPECT_EQ(edit->SelText(), "Gr\xFC\xDF" "e");
    Input::AdvanceTime(1000);
    Input::DoubleClick(edit, origin.X + Width("Gr\xFC\xDF" "e aus K\xF6"), y);
    EXPECT_EQ(edit->SelText(), "K\xF6ln");
}

TEST_F(Edits, UndoTakesBackTypedRunsAndRedoBringsThemAgain)
{
    Input::TypeText("abc");
    Input::PressKey(VK_LEFT);
    Input::TypeText("X");
    EXPECT_EQ(edit->Text(), "abXc");
    EXPECT_TRUE(edit->CanUndo());
    Input::PressKey('Z', ssCtrl);
    EXPECT_EQ(edit->Text(), "abc") << "a caret move ends a typed run";
    Input::PressKey('Z', ssCtrl);
    EXPECT_EQ(edit->Text(), "");
    EXPECT_FALSE(edit->CanUndo());
    Input::PressKey('Z', ssCtrl | ssShift);
    EXPECT_EQ(edit->Text(), "abc");
    Input::PressKey('Y', ssCtrl);
    EXPECT_EQ(edit->Text(), "abXc");
    // Backspaces in a row are one step; what they removed comes back selected.
    Input::PressKey(VK_END);
    Input::PressKey(VK_BACK);
    Input::PressKey(VK_BACK);
    EXPECT_EQ(edit->Text(), "ab");
    edit->Undo();
    EXPECT_EQ(edit->Text(), "abXc");
    EXPECT_EQ(edit->SelText(), "Xc");
    // A new change drops what could have been redone.
    Input::TypeText("!");
    EXPECT_EQ(edit->Text(), "ab!");
    Input::PressKey('Y', ssCtrl);
    EXPECT_EQ(edit->Text(), "ab!");
    // Text set by the program starts afresh.
    edit->SetText("new");
    EXPECT_FALSE(edit->CanUndo());
    EXPECT_EQ(SendMessage(edit->Handle(), EM_UNDO, 0, 0), FALSE);
}

TEST_F(Edits, ClipboardKeysReadOnlyAndPassword)
{
    Input::TypeText("copy me");
    Input::PressKey(VK_LEFT, ssCtrl | ssShift);
    Input::PressKey('C', ssCtrl);
    EXPECT_EQ(Clipboard()->AsText(), "me");
    Input::PressKey(VK_HOME);
    Input::PressKey('V', ssCtrl);
    EXPECT_EQ(edit->Text(), "mecopy me");
    Input::PressKey(VK_HOME, ssShift);
    Input::PressKey('X', ssCtrl);
    EXPECT_EQ(edit->Text(), "copy me");
    EXPECT_EQ(Clipboard()->AsText(), "me");
    Input::PressKey(VK_END);
    Input::PressKey(VK_INSERT, ssShift);
    EXPECT_EQ(edit->Text(), "copy meme");
    // A pasted text of many lines gives its first line to a one-line edit.
    Clipboard()->SetAsText("first\r\nsecond");
    edit->SelectAll();
    edit->PasteFromClipboard();
    EXPECT_EQ(edit->Text(), "first");
    // Read-only: copying works, cutting, pasting and typing do not.
    edit->SetReadOnly(true);
    edit->SelectAll();
    Input::PressKey('X', ssCtrl);
    Input::PressKey('V', ssCtrl);
    Input::TypeText("z");
    Input::PressKey(VK_DELETE);
    Input::PressKey(VK_BACK);
    EXPECT_EQ(edit->Text(), "first");
    EXPECT_EQ(Clipboard()->AsText(), "first\r\nsecond");
    Input::PressKey('C', ssCtrl);
    EXPECT_EQ(Clipboard()->AsText(), "first");
    // What a password hides does not go to the clipboard.
    edit->SetReadOnly(false);
    edit->SetPasswordChar('*');
    EXPECT_EQ(edit->PasswordChar(), '*');
    edit->SelectAll();
    Input::PressKey('C', ssCtrl);
    Input::PressKey('X', ssCtrl);
    EXPECT_EQ(edit->Text(), "first");
    EXPECT_EQ(Clipboard()->AsText(), "first");
}

TEST_F(Edits, MaxLengthCutsTypingAndPastingButNotTheProgram)
{
    edit->SetMaxLength(5);
    Input::TypeText("abcdefg");
    EXPECT_EQ(edit->Text(), "abcde");
    Clipboard()->SetAsText("XYZ");
    Input::PressKey(VK_LEFT);
    Input::PressKey(VK_LEFT, ssShift);
    Input::PressKey('V', ssCtrl);
    EXPECT_EQ(edit->Text(), "abcXe") << "the paste fills the room the selection leaves";
    edit->SetText("longer than five");
    EXPECT_EQ(edit->Text(), "longer than five");
    EXPECT_EQ(edit->MaxLength(), 5);
    edit->SetMaxLength(0);
    Input::TypeText("!");
    EXPECT_EQ(edit->Text().size(), 17u);
}

TEST_F(Edits, TypedCharactersBeyondAsciiArriveInTheFontsCodePage)
{
    Input::TypeText("Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC");  // "Grüße €" in UTF-8
    EXPECT_EQ(edit->Text(), "Gr\xFC\xDF" "e \x80");
    edit->Clear();
    edit->Font()->SetCharset(RUSSIAN_CHARSET);
    Input::TypeText("\xD0\x9F\xD1\x80\xD0\xB8");  // "При"
    EXPECT_EQ(edit->Text(), "\xCF\xF0\xE8");
    // Upper case in that code page.
    edit->SetCharCase(ecUpperCase);
    Input::TypeText("\xD0\xB2\xD1\x91");  // "вё"
    EXPECT_EQ(edit->Text(), "\xCF\xF0\xE8\xC2\xA8");
    Input::TypeText("\xD0\xB0\xD1\x8F");  // "ая": the first and last small letters of the alphabet
    EXPECT_EQ(edit->Text(), "\xCF\xF0\xE8\xC2\xA8\xC0\xDF");
}

TEST_F(Edits, LongTextScrollsSoTheCaretStaysInView)
{
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += "word" + std::to_string(i) + " ";
    edit->SetText(text);
    TRect client = edit->ClientRect();
    edit->SelectAll();
    Input::PressKey(VK_END);
    TPoint end = CaretPoint(edit, int(text.size()));
    EXPECT_GE(end.X, client.Width() / 2);
    EXPECT_LT(end.X, client.Width());
    EXPECT_LT(CaretPoint(edit, 0).X, 0) << "the start scrolled out on the left";
    Input::PressKey(VK_HOME);
    EXPECT_EQ(CaretPoint(edit, 0).X, 2);
    // Dragging past the right edge follows the pointer.
    Input::Drag(edit, 5, 8, client.Width() + 40, 8);
    EXPECT_GT(edit->SelLength(), 0);
    TPoint caret = CaretPoint(edit, edit->SelStart() + edit->SelLength());
    EXPECT_LT(caret.X, client.Width());
    EXPECT_GT(caret.X, 0);
}

TEST_F(Edits, TabbingInSelectsAllButAClickPlacesTheCaret)
{
    auto* other = new TEdit(form);
    other->SetParent(form);
    other->SetBounds(10, 50, 160, 24);
    other->SetText("selected on entry");
    Input::PressKey(VK_TAB);
    ASSERT_TRUE(other->Focused());
    EXPECT_EQ(other->SelLength(), 17);
    Input::PressKey(VK_TAB);
    other->SetAutoSelect(false);
    other->SetSelStart(3);
    Input::PressKey(VK_TAB);
    ASSERT_TRUE(other->Focused());
    EXPECT_EQ(other->SelLength(), 0);
    edit->SetText("clicked");
    Input::Click(edit, 2, 10);
    EXPECT_TRUE(edit->Focused());
    EXPECT_EQ(edit->SelLength(), 0);
}

TEST_F(Edits, AHandlerMayFreeTheEditThatRaisedIt)
{
    bool freed = false;
    edit->OnChange = [&freed](TObject* Sender) {
        freed = true;  // before the delete, which takes this handler with it
        delete Sender;
    };
    Input::TypeText("x");
    EXPECT_TRUE(freed);
    EXPECT_EQ(form->ControlCount(), 0);
    // Freed from a paste, from undo and from a change made by the program.
    for (int way = 0; way < 3; ++way) {
        auto* e = new TEdit(form);
        e->SetParent(form);
        e->SetFocus();
        Input::TypeText("ab");
        e->OnChange = [](TObject* Sender) { delete Sender; };
        if (way == 0) {
            Clipboard()->SetAsText("p");
            Input::PressKey('V', ssCtrl);
        } else if (way == 1) {
            Input::PressKey('Z', ssCtrl);
        } else {
            e->SetText("set");
        }
        EXPECT_EQ(form->ControlCount(), 0) << way;
    }
}

// A descendant that colours the edit through CN_CTLCOLOREDIT and sees its paint and erase.
class TColouredEdit : public TEdit {
public:
    using TEdit::TEdit;
    int Paints = 0, Erases = 0, Colours = 0;
    bool Transparent = false;
    void Dispatch(TMessage& Message) override
    {
        switch (Message.Msg) {
        case CN_CTLCOLOREDIT:
            ++Colours;
            TEdit::Dispatch(Message);
            SetTextColor(reinterpret_cast<HDC>(Message.WParam), RGB(255, 0, 0));
            if (Transparent)
                SetBkMode(reinterpret_cast<HDC>(Message.WParam), TRANSPARENT);
            return;
        case WM_ERASEBKGND: {
            ++Erases;
            HDC dc = reinterpret_cast<HDC>(Message.WParam);
            TRect r = ClientRect();
            HBRUSH b = CreateSolidBrush(RGB(0, 200, 0));
            FillRect(dc, &r, b);
            DeleteObject(b);
            Message.Result = 1;
            return;
        }
        case WM_PAINT: ++Paints; break;
        default: break;
        }
        TEdit::Dispatch(Message);
    }
};

LRESULT (*gEditProc)(HWND, UINT, WPARAM, LPARAM) = nullptr;
std::vector<UINT> gSeen;
LRESULT SpyProc(HWND h, UINT msg, WPARAM w, LPARAM l)
{
    gSeen.push_back(msg);
    if (msg == WM_CHAR && w == 'q')
        return 0;  // swallowed before the edit sees it
    return CallWindowProc(gEditProc, h, msg, w, l);
}

TEST_F(Edits, SubclassesSeeColourPaintEraseAndEveryMessage)
{
    auto* e = new TColouredEdit(form);
    e->SetParent(form);
    e->SetBounds(10, 60, 200, 30);
    e->SetText("WWWW");
    uitest::Pump();
    EXPECT_GT(e->Colours, 0);
    EXPECT_GT(e->Paints, 0);
    EXPECT_GT(e->Erases, 0);
    auto pixelsOf = [&](COLORREF want) {
        HDC dc = GetDC(e->Handle());
        int n = 0;
        for (int y = 0; y < e->ClientHeight(); ++y)
            for (int x = 0; x < e->ClientWidth(); ++x)
                n += GetPixel(dc, x, y) == want;
        ReleaseDC(e->Handle(), dc);
        return n;
    };
    // Opaque text cells take the control's colour; the erased green shows around them.
    EXPECT_GT(pixelsOf(RGB(0, 200, 0)), 0);
    EXPECT_GT(pixelsOf(RGB(255, 255, 255)), 0);
    e->Transparent = true;
    e->Invalidate();
    uitest::Pump();
    EXPECT_EQ(pixelsOf(RGB(255, 255, 255)), 0) << "transparent text leaves the background alone";
    HDC dc = GetDC(e->Handle());
    int reddish = 0;
    for (int y = 0; y < e->ClientHeight(); ++y)
        for (int x = 0; x < e->ClientWidth(); ++x) {
            const COLORREF c = GetPixel(dc, x, y);
            reddish += GetRValue(c) > 150 && GetGValue(c) < 120 && GetBValue(c) < 100;
        }
    ReleaseDC(e->Handle(), dc);
    EXPECT_GT(reddish, 0) << "the text takes the colour the handler chose";

    gSeen.clear();
    gEditProc = reinterpret_cast<WNDPROC>(GetWindowLongPtr(e->Handle(), GWLP_WNDPROC));
    SetWindowLongPtr(e->Handle(), GWLP_WNDPROC, reinterpret_cast<std::intptr_t>(&SpyProc));
    e->SetFocus();
    e->SelectAll();
    Input::TypeText("pq");
    EXPECT_EQ(e->Text(), "p");
    EXPECT_NE(std::find(gSeen.begin(), gSeen.end(), UINT(WM_KEYDOWN)), gSeen.end());
    e->Invalidate();
    uitest::Pump();
    EXPECT_NE(std::find(gSeen.begin(), gSeen.end(), UINT(WM_PAINT)), gSeen.end());
    SetWindowLongPtr(e->Handle(), GWLP_WNDPROC, reinterpret_cast<std::intptr_t>(gEditProc));
}

// What the advanced edits derive on: the read-only colour message and the frame's paint.
class TFramedEdit : public TEdit {
public:
    using TEdit::TEdit;
    int StaticColours = 0, EditColours = 0, FramePaints = 0;
    void Dispatch(TMessage& Message) override
    {
        if (Message.Msg == CN_CTLCOLORSTATIC)
            ++StaticColours;
        else if (Message.Msg == CN_CTLCOLOREDIT)
            ++EditColours;
        else if (Message.Msg == WM_NCPAINT)
            ++FramePaints;
        TEdit::Dispatch(Message);
    }
};

TEST_F(Edits, ReadOnlyAndDisabledEditsAskForTheStaticColoursAndFramesArePainted)
{
    auto* e = new TFramedEdit(form);
    e->SetParent(form);
    e->SetBounds(10, 60, 120, 24);
    uitest::Pump();
    EXPECT_GT(e->EditColours, 0);
    EXPECT_EQ(e->StaticColours, 0);
    EXPECT_GT(e->FramePaints, 0);
    e->SetReadOnly(true);
    e->Invalidate();
    uitest::Pump();
    EXPECT_GT(e->StaticColours, 0);
    const int editColours = e->EditColours;
    e->SetReadOnly(false);
    e->SetEnabled(false);
    e->Invalidate();
    uitest::Pump();
    EXPECT_EQ(e->EditColours, editColours) << "a disabled edit is coloured as static text";
    const int frames = e->FramePaints;
    SetWindowPos(e->Handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    uitest::Pump();
    EXPECT_GT(e->FramePaints, frames);
}

TEST_F(Edits, NotificationsReachTheParentAsCommands)
{
    std::vector<Word> codes;
    struct TListener : TPanel {
        using TPanel::TPanel;
        std::vector<Word>* Codes = nullptr;
        HWND From = nullptr;
        void Dispatch(TMessage& M) override
        {
            if (M.Msg == WM_COMMAND && HWND(M.LParam) == From)
                Codes->push_back(HIWORD(M.WParam));
            TPanel::Dispatch(M);
        }
    };
    auto* panel = new TListener(form);
    panel->SetParent(form);
    panel->SetBounds(0, 100, 300, 100);
    auto* e = new TEdit(form);
    e->SetParent(panel);
    panel->Codes = &codes;
    panel->From = e->Handle();
    int changes = 0;
    e->OnChange = [&](TObject*) { ++changes; };
    e->SetFocus();
    Input::TypeText("a");
    e->SetMaxLength(1);
    Input::TypeText("b");
    edit->SetFocus();
    EXPECT_EQ(codes, (std::vector<Word>{EN_SETFOCUS, EN_UPDATE, EN_CHANGE, EN_MAXTEXT, EN_KILLFOCUS}));
    EXPECT_EQ(changes, 1) << "the reflected EN_CHANGE raises OnChange";
}

// ---- Memo -------------------------------------------------------------------------------------
class Memos : public Edits {
protected:
    void SetUp() override
    {
        Edits::SetUp();
        memo = new TMemo(form);
        memo->SetParent(form);
        memo->SetBounds(10, 50, 200, 120);
        uitest::Pump();
        memo->SetFocus();
    }
    int Lines() { return int(SendMessage(memo->Handle(), EM_GETLINECOUNT, 0, 0)); }
    int LineIndex(int l) { return int(SendMessage(memo->Handle(), EM_LINEINDEX, WPARAM(l), 0)); }
    TMemo* memo = nullptr;
};

TEST_F(Memos, ReturnBreaksLinesAndTheLinesListFollows)
{
    Input::TypeText("one\rtwo\rthree");
    EXPECT_EQ(memo->Text(), "one\r\ntwo\r\nthree");
    ASSERT_EQ(memo->Lines()->Count(), 3);
    EXPECT_EQ(memo->Lines()->Strings(1), "two");
    memo->Lines()->Add("four");
    memo->Lines()->Insert(0, "zero");
    memo->Lines()->Delete(2);
    EXPECT_EQ(memo->Text(), "zero\r\none\r\nthree\r\nfour");
    memo->Lines()->Delete(3);
    EXPECT_EQ(memo->Text(), "zero\r\none\r\nthree");
    memo->Lines()->Put(1, "ONE");
    EXPECT_EQ(memo->Lines()->Text(), "zero\r\nONE\r\nthree");
    memo->Lines()->SetText("a\nb\n");
    EXPECT_EQ(memo->Text(), "a\r\nb\r\n");
    EXPECT_EQ(memo->Lines()->Count(), 2) << "a final break adds no line";
    EXPECT_THROW(memo->Lines()->Strings(2), EStringListError);
    memo->Lines()->Clear();
    EXPECT_EQ(memo->Lines()->Count(), 0);
    // Up and down keep the column; Ctrl+End and Ctrl+Home go to the ends.
    memo->SetText("abcdef\r\nab\r\nabcdef");
    memo->SetCaretPos({4, 0});
    Input::PressKey(VK_DOWN);
    EXPECT_EQ(memo->CaretPos(), (TPoint{2, 1}));
    Input::PressKey(VK_DOWN);
    EXPECT_EQ(memo->CaretPos(), (TPoint{4, 2}));
    Input::PressKey(VK_HOME, ssCtrl | ssShift);
    EXPECT_EQ(memo->SelLength(), 16);
    Input::PressKey(VK_RIGHT);
    EXPECT_EQ(memo->CaretPos(), (TPoint{4, 2})) << "Right collapses the selection to its end";
    memo->SetCaretPos({6, 0});
    Input::PressKey(VK_RIGHT);
    EXPECT_EQ(memo->CaretPos(), (TPoint{0, 1})) << "CR LF is crossed in one step";
    Input::PressKey(VK_BACK);
    EXPECT_EQ(memo->Text(), "abcdefab\r\nabcdef");
    // Only Up and Down keep the column: any other move or a placement from code starts afresh.
    memo->SetText("abcdef\r\nab\r\nabcdef");
    memo->SetCaretPos({6, 0});
    Input::PressKey(VK_DOWN);
    Input::PressKey(VK_LEFT);
    Input::PressKey(VK_DOWN);
    EXPECT_EQ(memo->CaretPos(), (TPoint{1, 2}));
    memo->SetCaretPos({6, 0});
    Input::PressKey(VK_DOWN);
    memo->SetSelStart(8);
    Input::PressKey(VK_DOWN);
    EXPECT_EQ(memo->CaretPos(), (TPoint{0, 2}));
    // A break that opens the text goes whole with one Backspace.
    memo->SetText("\r\nab");
    memo->SetSelStart(2);
    Input::PressKey(VK_BACK);
    EXPECT_EQ(memo->Text(), "ab");
}

// A third press soon after a double click and near it selects the line: the edit's whole text, the
// memo's line with its break; held, it extends the selection by lines. Late or far, it is a click.
TEST_F(Memos, ATripleClickSelectsTheLine)
{
    edit->SetText("one two three");
    uitest::Pump();
    TPoint at = CaretPoint(edit, 0);
    at.X += Width("one tw");
    at.Y += 4;
    Input::AdvanceTime(1000);
    Input::DoubleClick(edit, at.X, at.Y);
    ASSERT_EQ(edit->SelText(), "two");
    Input::Click(edit, at.X, at.Y);
    EXPECT_EQ(edit->SelText(), "one two three");
    Input::AdvanceTime(1000);
    Input::DoubleClick(edit, at.X, at.Y);
    Input::Click(edit, at.X + GetSystemMetrics(SM_CXDOUBLECLK) / 2, at.Y);
    EXPECT_EQ(edit->SelText(), "one two three") << "at the edge of the double click's rectangle";
    Input::AdvanceTime(1000);
    Input::DoubleClick(edit, at.X, at.Y);
    Input::AdvanceTime(GetDoubleClickTime() + 1);
    Input::Click(edit, at.X, at.Y);
    EXPECT_EQ(edit->SelLength(), 0) << "too late";
    Input::AdvanceTime(1000);
    Input::DoubleClick(edit, at.X, at.Y);
    Input::Click(edit, at.X + Width("o thr"), at.Y);
    EXPECT_EQ(edit->SelLength(), 0) << "too far";

    memo->SetText("ZCZC SA12\r\nWind SW 8\r\nNNNN");
    uitest::Pump();
    auto point = [&](int pos) {
        const TPoint p = CaretPoint(memo, pos);
        return TPoint{p.X + 1, p.Y + 4};
    };
    auto triple = [&](TPoint p) {
        Input::AdvanceTime(1000);
        Input::DoubleClick(memo, p.X, p.Y);
        Input::MouseDown(memo, mbLeft, p.X, p.Y);
    };
    triple(point(14));
    Input::MouseUp(memo, mbLeft, point(14).X, point(14).Y);
    EXPECT_EQ(memo->SelText(), "Wind SW 8\r\n");
    triple(point(24));
    Input::MouseUp(memo, mbLeft, point(24).X, point(24).Y);
    EXPECT_EQ(memo->SelText(), "NNNN") << "the last line has no break";
    triple(point(2));
    Input::MouseMove(memo, point(13).X, point(13).Y);
    Input::MouseUp(memo, mbLeft, point(13).X, point(13).Y);
    EXPECT_EQ(memo->SelText(), "ZCZC SA12\r\nWind SW 8\r\n") << "dragged down by lines";
    triple(point(25));
    Input::MouseMove(memo, point(16).X, point(16).Y);
    Input::MouseUp(memo, mbLeft, point(16).X, point(16).Y);
    EXPECT_EQ(memo->SelText(), "Wind SW 8\r\nNNNN") << "dragged up by lines";
    EXPECT_EQ(memo->SelStart(), 11);
}

TEST_F(Memos, WordWrapBreaksAtBlanksAndLongWordsWhereTheyMust)
{
    const int width = memo->ClientWidth() - 4;
    std::string word = "lorem ";
    std::string text;
    while (Width(text + word) < width * 3)
        text += word;
    memo->SetText(text);
    EXPECT_GE(Lines(), 3);
    for (int l = 1; l < Lines(); ++l)
        EXPECT_EQ(memo->Text()[size_t(LineIndex(l) - 1)], ' ') << "line " << l << " starts after a blank";
    memo->Lines()->Count();
    EXPECT_EQ(memo->Lines()->Count(), 1) << "soft breaks make no lines of the list";
    std::string longWord(400, 'W');
    memo->SetText(longWord);
    EXPECT_GE(Lines(), 400 * Width("W") / width);
    for (int l = 0; l < Lines(); ++l)
        EXPECT_GT(SendMessage(memo->Handle(), EM_LINELENGTH, WPARAM(LineIndex(l)), 0), 0);
    // A narrower memo wraps its lines anew.
    memo->SetText(text);
    const int before = Lines();
    memo->SetWidth(memo->Width() / 2);
    EXPECT_GT(Lines(), before);
    memo->SetText(longWord);
    // Without wrapping, one line scrolls sideways.
    memo->SetWordWrap(false);
    EXPECT_EQ(Lines(), 1);
    Input::PressKey(VK_END, ssCtrl);
    EXPECT_LT(CaretPoint(memo, int(longWord.size())).X, memo->ClientWidth());
}

TEST_F(Memos, ScrollBarsFollowTheTextAndScrollIt)
{
    memo->SetScrollBars(ssBoth);
    std::string text;
    for (int i = 0; i < 60; ++i)
        text += "line " + std::to_string(i) + std::string(size_t(i), 'x') + "\r\n";
    memo->SetText(text);
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(memo->Handle(), SB_VERT, &si));
    EXPECT_EQ(si.nMax, 60);
    EXPECT_EQ(si.nPos, 0);
    const int visible = int(si.nPage);
    EXPECT_GT(visible, 2);
    SendMessage(memo->Handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(SendMessage(memo->Handle(), EM_GETFIRSTVISIBLELINE, 0, 0), visible);
    GetScrollInfo(memo->Handle(), SB_VERT, &si);
    EXPECT_EQ(si.nPos, visible);
    Input::Wheel(memo, -WHEEL_DELTA, 20, 20);
    EXPECT_EQ(SendMessage(memo->Handle(), EM_GETFIRSTVISIBLELINE, 0, 0), visible + 3);
    Input::PressKey(VK_END, ssCtrl);
    EXPECT_EQ(SendMessage(memo->Handle(), EM_GETFIRSTVISIBLELINE, 0, 0), 61 - visible);
    ASSERT_TRUE(GetScrollInfo(memo->Handle(), SB_HORZ, &si));
    EXPECT_GT(si.nMax, memo->ClientWidth());
    SendMessage(memo->Handle(), WM_HSCROLL, SB_PAGERIGHT, 0);
    GetScrollInfo(memo->Handle(), SB_HORZ, &si);
    EXPECT_GT(si.nPos, 0);
    EXPECT_LT(CaretPoint(memo, LineIndex(59)).X, 0);
    // PageUp moves the caret and the view a page.
    Input::PressKey(VK_PRIOR);
    EXPECT_EQ(SendMessage(memo->Handle(), EM_GETFIRSTVISIBLELINE, 0, 0), 61 - 2 * visible);
}

TEST_F(Memos, LineScrollsMoveOneLineAndASelectedBreakShows)
{
    memo->SetScrollBars(ssVertical);
    std::string text;
    for (int i = 0; i < 30; ++i)
        text += "line " + std::to_string(i) + "\r\n";
    memo->SetText(text);
    auto first = [&] { return int(SendMessage(memo->Handle(), EM_GETFIRSTVISIBLELINE, 0, 0)); };
    SendMessage(memo->Handle(), EM_LINESCROLL, 0, 5);
    ASSERT_EQ(first(), 5);
    SendMessage(memo->Handle(), WM_VSCROLL, SB_LINEUP, 0);
    EXPECT_EQ(first(), 4);
    SendMessage(memo->Handle(), WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(first(), 5);
    // A point just above the view is on the line above it.
    const LRESULT above = SendMessage(memo->Handle(), EM_CHARFROMPOS, 0, MAKELPARAM(2, Word(-1)));
    EXPECT_EQ(HIWORD(above), 4);
    // Selecting past the top or bottom edge scrolls a line for each move the memo hears.
    int moves = 0;
    const TWndMethod own = memo->WindowProc;
    memo->WindowProc = [&](TMessage& M) {
        moves += M.Msg == WM_MOUSEMOVE;
        own(M);
    };
    Input::MouseDown(memo, mbLeft, 20, 20);
    moves = 0;
    Input::MouseMove(memo, 20, -5);
    ASSERT_GT(moves, 0);
    EXPECT_EQ(first(), 5 - moves);
    const int up = moves;
    moves = 0;
    Input::MouseMove(memo, 20, memo->ClientHeight() + 5);
    EXPECT_EQ(first(), 5 - up + moves);
    Input::MouseUp(memo, mbLeft, 20, memo->ClientHeight() + 5);
    memo->WindowProc = own;
    EXPECT_GT(memo->SelLength(), 0);
    // A selection that takes a line's break shows a highlighted cell after its text; one that
    // stops at the break does not.
    memo->SetText("one\r\ntwo");
    const TPoint end = CaretPoint(memo, 3);
    const int y = end.Y + 4;
    auto highlighted = [&]() {
        uitest::Pump();
        HDC dc = GetDC(memo->Handle());
        const COLORREF c = GetPixel(dc, end.X + 1, y);
        ReleaseDC(memo->Handle(), dc);
        return c == ColorToRGB(clHighlight);
    };
    memo->SetSelStart(0);
    memo->SetSelLength(3);
    EXPECT_FALSE(highlighted());
    memo->SetSelLength(5);
    EXPECT_TRUE(highlighted());
    // Tabbing into a memo keeps its caret where it was: no select-all as in an edit box.
    edit->SetFocus();
    memo->SetSelStart(3);
    Input::PressKey(VK_TAB);
    ASSERT_TRUE(memo->Focused());
    EXPECT_EQ(memo->SelLength(), 0);
}

TEST_F(Memos, TabsAndReturnsFollowWantTabsAndWantReturns)
{
    auto* ok = new TButton(form);
    ok->SetParent(form);
    ok->SetBounds(250, 10, 75, 25);
    ok->Default = true;
    int clicks = 0;
    ok->OnClick = [&](TObject*) { ++clicks; };
    Input::TypeText("a\tb");
    EXPECT_EQ(memo->Text(), "a") << "Tab left the memo";
    memo->SetFocus();
    memo->SetWantTabs(true);
    Input::PressKey(VK_END, ssCtrl);
    Input::TypeText("\tb\r");
    EXPECT_EQ(memo->Text(), "a\tb\r\n");
    EXPECT_EQ(clicks, 0);
    memo->SetWantReturns(false);
    Input::PressKey(VK_RETURN);
    EXPECT_EQ(memo->Text(), "a\tb\r\n");
    EXPECT_EQ(clicks, 1) << "Return went to the default button";
}

// The layout kept up to date change by change matches one made afresh, through random edits.
TEST_F(Memos, IncrementalLayoutMatchesAFreshOne)
{
    auto* fresh = new TMemo(form);
    fresh->SetParent(form);
    fresh->SetBounds(220, 50, 200, 120);
    std::mt19937 rng(7);
    const std::vector<std::string> pieces = {"a", "bb ", " ", "\r\n", "\r", "\n", "long-word-without-blanks", "x y z ",
                                             "\t", "WWWWWWWWWWWWWWWWWWWWWWWWWW"};
    for (int step = 0; step < 400; ++step) {
        const int n = int(memo->Text().size());
        const int a = n ? int(rng() % (n + 1)) : 0;
        const int b = std::min(n, a + int(rng() % 4));
        SendMessage(memo->Handle(), EM_SETSEL, WPARAM(a), LPARAM(rng() % 3 ? a : b));
        if (rng() % 4 == 0)
            Input::PressKey(rng() % 2 ? VK_BACK : VK_DELETE);
        else
            memo->SetSelText(pieces[rng() % pieces.size()]);
        fresh->SetText(memo->Text());
        const int lines = Lines();
        ASSERT_EQ(lines, int(SendMessage(fresh->Handle(), EM_GETLINECOUNT, 0, 0))) << "step " << step;
        for (int l = 0; l < lines; ++l) {
            ASSERT_EQ(LineIndex(l), int(SendMessage(fresh->Handle(), EM_LINEINDEX, WPARAM(l), 0)))
                << "step " << step << " line " << l;
        }
        ASSERT_EQ(memo->Lines()->Count(), fresh->Lines()->Count());
    }
}

TEST_F(Memos, AFiveMegabyteLineWithoutBlanks)
{
    std::string big(5 * 1024 * 1024, 'm');
    memo->SetWordWrap(false);
    memo->SetText(big);
    Input::PressKey(VK_END, ssCtrl);
    Input::TypeText("!");
    EXPECT_EQ(memo->Text().size(), big.size() + 1);
    EXPECT_EQ(memo->Text().back(), '!');
    TPoint caret = CaretPoint(memo, int(big.size()) + 1);
    EXPECT_GT(caret.X, 0);
    EXPECT_LT(caret.X, memo->ClientWidth());
    Input::PressKey(VK_HOME);
    EXPECT_EQ(memo->SelStart(), 0);
    EXPECT_EQ(CaretPoint(memo, 0).X, 2);
    // Wrapped, the same line fills many lines and the end is still reached at once.
    memo->SetWordWrap(true);
    EXPECT_GT(Lines(), 1000);
    Input::PressKey(VK_END, ssCtrl);
    EXPECT_EQ(memo->SelStart(), int(big.size()) + 1);
    EXPECT_EQ(SendMessage(memo->Handle(), EM_GETFIRSTVISIBLELINE, 0, 0) + 1 >= Lines() - 20, true);
}

}  // namespace
