// The memo's keyboard, mouse, clipboard and popup menu, driven through the toolkit's own key and
// mouse events and the platform's message path.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "memo/Stylememo.h"
#include "platform/Clipbrd.h"
#include "platform/Forms.h"
#include "platform/Input.h"
#include "platform/Menus.h"
#include "platform/Windows.h"
#include "tests/memo/MemoCheck.h"
#include "tests/support/UiTest.h"

namespace {

// A failing case is reported by its name, not by its bytes.
template <class Case>
auto operator<<(std::ostream& Os, const Case& C) -> decltype(C.Name, Os)
{
    return Os << C.Name;
}

class Input_ : public ::testing::Test {
public:
    void SetUp() override
    {
        Application->Initialize();
        form = new TForm(nullptr);
        form->SetBounds(50, 50, 460, 320);
        form->AfterConstruction();
        memo = new TStyleMemo(form);
        memo->SetParent(form);
        memo->SetBounds(0, 0, 400, 200);
        memo->setUpdateMode(umImmediate);
        form->Show();
        uitest::Pump();
        memo->SetFocus();
        uitest::Pump();
    }
    void TearDown() override
    {
        SetModalHook(nullptr);
        delete form;
        uitest::Pump();
    }
    void Load(const std::string& Text, Integer Caret = 0)
    {
        memo->Clear();
        memo->setSelText(Text);
        memo->ClearUndo();
        memo->setSelStart(Caret);
        memo->ScrollInView();
    }
    std::string Text() { return memo->GetTextPart(0, memo->TextLen()); }
    // The middle of the character border at a position, in client coordinates.
    TPoint At(Integer Pos)
    {
        TStyleNavigator n(memo);
        n.SetPos(Pos);
        TPoint p = n.GetDisplayPos();
        p.Y += memo->RowHeight() / 2;
        return p;
    }
    void Mono()
    {
        memo->Font()->SetName("DejaVu Sans Mono");
        memo->setWordWrap(false);
        uitest::Pump();
    }
    TForm* form = nullptr;
    TStyleMemo* memo = nullptr;
};

// ---------------------------------------------------------------- caret moves

struct MoveCase {
    const char* Name;
    Integer Start;
    Word Key;
    TShiftState Shift;
    Integer SelStart;
    Integer SelLength;
    const char* Text = nullptr;  // MoveText
    bool PassOverCodes = true;
    TStyleMemoOptions Options = 0;  // besides the defaults
};

// "one two" CR LF "x" bold "bold" bold " y" CR LF "last line": paragraphs at 0, 9 and 20.
const char* const MoveText = "one two\r\nx\2bold\2 y\r\nlast line";

const MoveCase MoveCases[] = {
    {"RightOneCharacter", 0, VK_RIGHT, 0, 1, 0},
    {"RightOverTheBreak", 7, VK_RIGHT, 0, 9, 0},
    {"RightOverACodeToTheNextLetter", 10, VK_RIGHT, 0, 12, 0},
    {"RightAtTheEndStays", 29, VK_RIGHT, 0, 29, 0},
    {"LeftOverTheBreak", 9, VK_LEFT, 0, 7, 0},
    {"LeftOverACodeAndALetter", 11, VK_LEFT, 0, 9, 0},
    {"LeftOneLetter", 12, VK_LEFT, 0, 11, 0},
    {"LeftAtZeroStays", 0, VK_LEFT, 0, 0, 0},
    {"CtrlRightToTheNextWord", 0, VK_RIGHT, ssCtrl, 4, 0},
    {"CtrlRightToTheParagraphEnd", 4, VK_RIGHT, ssCtrl, 7, 0},
    {"CtrlRightOverTheBreak", 7, VK_RIGHT, ssCtrl, 9, 0},
    {"CtrlLeftToTheWordStart", 6, VK_LEFT, ssCtrl, 4, 0},
    {"CtrlLeftFromAParagraphStartToTheEndBefore", 9, VK_LEFT, ssCtrl, 7, 0},
    {"HomeToTheLineStart", 13, VK_HOME, 0, 9, 0},
    {"EndToTheLineEnd", 9, VK_END, 0, 18, 0},
    {"CtrlHomeToTheTextStart", 13, VK_HOME, ssCtrl, 0, 0},
    {"CtrlEndToTheTextEnd", 13, VK_END, ssCtrl, 29, 0},
    {"DownKeepsTheColumn", 0, VK_DOWN, 0, 9, 0},
    {"UpKeepsTheColumn", 20, VK_UP, 0, 9, 0},
    {"DownOnTheLastLineStays", 22, VK_DOWN, 0, 22, 0},
    {"UpOnTheFirstLineStays", 3, VK_UP, 0, 3, 0},
    {"PageDownToTheLastLine", 0, VK_NEXT, 0, 20, 0},
    {"PageUpToTheFirstLine", 20, VK_PRIOR, 0, 0, 0},
    {"ShiftRightSelectsForward", 0, VK_RIGHT, ssShift, 1, -1},
    {"ShiftLeftSelectsBackward", 5, VK_LEFT, ssShift, 4, 1},
    {"ShiftEndSelectsToTheLineEnd", 4, VK_END, ssShift, 7, -3},
    {"ShiftDownSelectsALine", 0, VK_DOWN, ssShift, 9, -9},
    {"LeftFromBehindLeadingCodesToTheParagraphBefore", 5, VK_LEFT, 0, 2, 0, "ab\r\n\2cd\2"},
    {"CtrlLeftOverLeadingBlanksToTheTextStart", 2, VK_LEFT, ssCtrl, 0, 0, "  ab"},
    {"CtrlLeftToTheFirstWord", 3, VK_LEFT, ssCtrl, 0, 0},
    {"RightOntoACodeWithoutPassOverCodes", 10, VK_RIGHT, 0, 11, 0, nullptr, false},
    {"RightOverTheBreakWhereTheCaretWrapsDespiteAKeptColumn", 7, VK_RIGHT, 0, 9, 0, nullptr, true, pmoKeepColumnPos},
    {"RightIntoBlanksThatDoNotEndTheParagraph", 2, VK_RIGHT, 0, 3, 0, "ab  cd", true, pmoDiscardTrailingSpaces},
};

class Moves : public Input_, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(Moves, CaretAndSelection)
{
    const MoveCase& c = GetParam();
    const char* text = c.Text != nullptr ? c.Text : MoveText;
    memo->setPassOverCodes(c.PassOverCodes);
    memo->setOptions(memo->Options() | c.Options);
    Load(text, c.Start);
    Input::PressKey(c.Key, c.Shift);
    EXPECT_EQ(memo->SelStart(), c.SelStart);
    EXPECT_EQ(memo->SelLength(), c.SelLength);
    EXPECT_EQ(memo->VirtualColumns(), 0);
    EXPECT_EQ(Text(), text);
}

INSTANTIATE_TEST_SUITE_P(Keys, Moves, ::testing::ValuesIn(MoveCases),
                         [](const ::testing::TestParamInfo<MoveCase>& i) { return std::string(i.param.Name); });

TEST_F(Input_, ShiftMovesKeepTheFarEndAndCollapseWithoutShift)
{
    Load("abcdef", 2);
    Input::PressKey(VK_RIGHT, ssShift);
    Input::PressKey(VK_RIGHT, ssShift);
    Input::PressKey(VK_LEFT, ssShift);
    EXPECT_EQ(memo->SelText(), "c");
    Input::PressKey(VK_LEFT, ssShift);
    Input::PressKey(VK_LEFT, ssShift);
    EXPECT_EQ(memo->SelText(), "b");
    EXPECT_EQ(memo->SelStart(), 1);
    Input::PressKey(VK_RIGHT);
    EXPECT_EQ(memo->SelLength(), 0);
    EXPECT_EQ(memo->SelStart(), 2);
}

TEST_F(Input_, KeysActOnTheSelectionTheCaretEndsAt)
{
    // Left at the text start collapses the selection there.
    Load("abcdef", 1);
    Input::PressKey(VK_LEFT, ssShift);
    ASSERT_EQ(memo->SelLength(), 1);
    Input::PressKey(VK_LEFT);
    EXPECT_EQ(memo->SelLength(), 0);
    EXPECT_EQ(memo->SelStart(), 0);
    // Ctrl+Delete takes the selection with the rest of its line, whichever end the caret is at.
    Load("abc def\r\nx", 2);
    Input::PressKey(VK_RIGHT, ssShift);
    Input::PressKey(VK_RIGHT, ssShift);
    Input::PressKey(VK_DELETE, ssCtrl);
    EXPECT_EQ(Text(), "ab\r\nx");
    // Inside an update the keys do nothing.
    memo->Lines()->BeginUpdate();
    Input::PressKey(VK_END, ssCtrl);
    Input::PressKey(VK_BACK);
    EXPECT_EQ(memo->SelStart(), 2);
    memo->Lines()->EndUpdate();
    EXPECT_EQ(Text(), "ab\r\nx");
}

TEST_F(Input_, KeptColumnCrossesAShortLineAndVirtualSpaceIsPadded)
{
    Mono();
    Load("long line here\r\nab\r\nlong line here", 14);
    Input::PressKey(VK_DOWN);
    EXPECT_EQ(memo->SelStart(), 18);
    Input::PressKey(VK_DOWN);
    EXPECT_EQ(memo->SelStart(), 34);
    // Left forgets the kept column.
    Input::PressKey(VK_UP);
    Input::PressKey(VK_LEFT);
    Input::PressKey(VK_DOWN);
    EXPECT_EQ(memo->SelStart(), 21);
    // Shift without a block selects up to the short line's end, with no virtual space.
    memo->setOptions(memo->Options() | pmoKeepColumnPos);
    Load("long line here\r\nab\r\nlong line here", 14);
    Input::PressKey(VK_DOWN, ssShift);
    EXPECT_EQ(memo->SelStart(), 18);
    EXPECT_EQ(memo->VirtualColumns(), 0);
    memo->setOptions(memo->Options() & ~pmoKeepColumnPos);
    Load("long line here\r\nab\r\nlong line here", 34);
    // With the column kept, the caret stays in the empty space right of the short line.
    memo->setOptions(memo->Options() | pmoKeepColumnPos | pmoPutExtraSpaces);
    memo->setWordWrap(false);
    Input::PressKey(VK_UP);
    EXPECT_EQ(memo->SelStart(), 18);
    EXPECT_GT(memo->VirtualColumns(), 5);
    // Back down to where it came from: no virtual space there.
    Input::PressKey(VK_DOWN);
    EXPECT_EQ(memo->SelStart(), 34);
    EXPECT_EQ(memo->VirtualColumns(), 0);
    Input::PressKey(VK_UP);
    EXPECT_GT(memo->VirtualColumns(), 5);
    Input::TypeText("z");
    EXPECT_EQ(memo->Paragraphs(1).substr(0, 3), "ab ");
    EXPECT_EQ(memo->Paragraphs(1).back(), 'z');
    // Past the end of an empty text and back again.
    memo->setOptions((memo->Options() | pmoKeepColumnPos) & ~pmoWrapCaret);
    Load("");
    Input::PressKey(VK_RIGHT);
    EXPECT_EQ(memo->VirtualColumns(), 1);
    Input::PressKey(VK_LEFT);
    EXPECT_EQ(memo->VirtualColumns(), 0);
}

TEST_F(Input_, PagesMoveByTheWindowHeight)
{
    std::string text;
    for (int i = 0; i < 60; ++i) text += "line\r\n";
    Load(text);
    memo->setSelLine(40);
    Input::PressKey(VK_PRIOR);
    EXPECT_EQ(memo->SelLine(), 40 - memo->VisibleLines() + 1);
    Input::PressKey(VK_NEXT);
    EXPECT_EQ(memo->SelLine(), 40);
}

TEST_F(Input_, OnKeyDownOnceWhereTheCaretCannotGo)
{
    int downs = 0;
    memo->OnKeyDown = [&](TObject*, Word&, TShiftState) { ++downs; };
    Load("ab\r\ncd", 0);
    Input::PressKey(VK_UP);
    Input::PressKey(VK_LEFT);
    EXPECT_EQ(downs, 2);
}

// ---------------------------------------------------------------- editing keys

struct EditCase {
    const char* Name;
    const char* Text;
    Integer Start;
    Word Key;
    TShiftState Shift;
    const char* Result;
    Integer Caret;
    TStyleMemoOptions Options = 0;
};

const EditCase EditCases[] = {
    {"BackspaceAtTheStartDoesNothing", "ab", 0, VK_BACK, 0, "ab", 0},
    {"BackspaceJoinsParagraphs", "ab\r\ncd", 4, VK_BACK, 0, "abcd", 2},
    {"BackspaceTakesACodeWithTheLetterBeforeIt", "ab\2cd\2", 3, VK_BACK, 0, "a\2cd\2", 2},
    {"CtrlBackspaceTakesTheWord", "one two", 7, VK_BACK, ssCtrl, "one ", 4},
    {"DeleteJoinsParagraphs", "ab\r\ncd", 2, VK_DELETE, 0, "abcd", 2},
    {"DeleteAtTheEndDoesNothing", "ab", 2, VK_DELETE, 0, "ab", 2},
    {"DeleteTakesCodesWithTheLetterAfter", "a\2b\2c", 1, VK_DELETE, 0, "ac", 1},
    {"ShiftDeleteTakesTheCharacterBefore", "abc", 2, VK_DELETE, ssShift, "ac", 1},
    {"ShiftDeleteTakesTheFirstCharacter", "abc", 1, VK_DELETE, ssShift, "bc", 0},
    {"CtrlDeleteToTheLineEnd", "abc def", 2, VK_DELETE, ssCtrl, "ab", 2},
    {"TabInsertsATab", "ab", 1, VK_TAB, 0, "a\tb", 2},
    {"ShiftDeleteAtAParagraphStartJoins", "ab\r\ncd", 4, VK_DELETE, ssShift, "abcd", 2},
    {"EnterSplits", "ab", 1, VK_RETURN, 0, "a\r\nb", 3},
    {"SpaceIsTyped", "ab", 1, VK_SPACE, 0, "a b", 2},
    {"BackspaceBacksOutToTheIndentationAbove", "a\r\n  b\r\n    c", 12, VK_BACK, 0, "a\r\n  b\r\n  c", 10, pmoBackIndent},
    {"BackspaceAfterTheIndentationTakesOneCharacter", "a\r\n  bc", 7, VK_BACK, 0, "a\r\n  b", 6, pmoBackIndent},
};

class Edits : public Input_, public ::testing::WithParamInterface<EditCase> {};

TEST_P(Edits, TextAndCaret)
{
    const EditCase& c = GetParam();
    memo->setOptions(c.Options);
    Load(c.Text, c.Start);
    Input::PressKey(c.Key, c.Shift);
    EXPECT_EQ(Text(), c.Result);
    EXPECT_EQ(memo->SelStart(), c.Caret);
    EXPECT_EQ(memo->VirtualColumns(), 0);
    EXPECT_TRUE(memotest::DeepCheck(*memo));
}

INSTANTIATE_TEST_SUITE_P(Keys, Edits, ::testing::ValuesIn(EditCases),
                         [](const ::testing::TestParamInfo<EditCase>& i) { return std::string(i.param.Name); });

TEST_F(Input_, TypingEnterIndentAndOverwrite)
{
    // OnKeyPress comes first and may swallow the character; a letter is no hot key without Ctrl.
    memo->OnKeyPress = [](TObject*, char& Key) {
        if (Key == '#') Key = 0;
    };
    Load("ab", 1);
    Input::TypeText("#");
    Input::PressKey('T');
    EXPECT_EQ(Text(), "atb");
    memo->setOptions(memo->Options() | pmoAutoIndent);
    // The indentation is the nearest line's, not that of a line further up.
    Load("a\r\n  ab", 7);
    Input::TypeText("\rc");
    EXPECT_EQ(Text(), "a\r\n  ab\r\n  c");
    // Typed characters in a row are one undo step.
    EXPECT_EQ(memo->UndoCount(), 1);
    SendMessage(memo->Handle(), WM_CHAR, 31, 0);
    SendMessage(memo->Handle(), WM_CHAR, 127, 0);
    EXPECT_EQ(Text(), "a\r\n  ab\r\n  c");
    memo->setSelStart(3);
    int styleChanges = 0;
    memo->OnStyleChange = [&styleChanges](TObject*) { ++styleChanges; };
    Input::PressKey(VK_INSERT);
    EXPECT_TRUE(memo->Overwrite());
    EXPECT_EQ(styleChanges, 1);  // the caret's look changed
    memo->OnStyleChange = nullptr;
    Input::TypeText("XY");
    EXPECT_EQ(Text(), "a\r\nXYab\r\n  c");
    // Enter in overwrite mode only goes to the start of the next line, one line a time; on the
    // last line it goes to the end and breaks there.
    Input::TypeText("\r");
    EXPECT_EQ(memo->SelStart(), 9);
    EXPECT_EQ(Text(), "a\r\nXYab\r\n  c");
    Load("one\r\ntwo\r\nthree\r\nfour", 1);
    Input::TypeText("\r");
    EXPECT_EQ(memo->SelStart(), 5);
    Input::TypeText("\r");
    EXPECT_EQ(memo->SelStart(), 10);
    Input::TypeText("\r\r");
    EXPECT_EQ(Text(), "one\r\ntwo\r\nthree\r\nfour\r\n");
    EXPECT_EQ(memo->SelStart(), memo->TextLen());
    EXPECT_EQ(memo->SelLength(), 0);
    // A character typed over at a paragraph's end is added there: the break stays.
    Load("ab\r\ncd", 2);
    Input::TypeText("Z");
    EXPECT_EQ(Text(), "abZ\r\ncd");
    // Without trailing blanks the indentation of a new last line is virtual.
    memo->setOverwrite(false);
    memo->setOptions(memo->Options() | pmoDiscardTrailingSpaces);
    Load("  ab", 4);
    Input::TypeText("\r");
    EXPECT_EQ(Text(), "  ab\r\n");
    EXPECT_EQ(memo->VirtualColumns(), 2);
    // A blank typed at a paragraph's end is dropped; with the column kept it moves the caret on.
    Load("ab", 2);
    Input::TypeText(" ");
    EXPECT_EQ(Text(), "ab");
    EXPECT_EQ(memo->VirtualColumns(), 0);
    memo->setOptions(memo->Options() | pmoKeepColumnPos);
    Input::TypeText(" ");
    EXPECT_EQ(Text(), "ab");
    EXPECT_EQ(memo->VirtualColumns(), 1);
}

TEST_F(Input_, CtrlERepaintsEvenABrokenStoreWithoutRaising)
{
    Load("ab\r\ncd", 0);
    ParInfo* p = memo->ParList()->At(1);
    const Integer saved = p->StartPos;
    p->StartPos = saved + 1;
    EXPECT_NO_THROW(Input::PressKey('E', ssCtrl));
    p->StartPos = saved;
    EXPECT_EQ(Text(), "ab\r\ncd");
}

// ---------------------------------------------------------------- hot keys

struct HotKeyCase {
    const char* Name;
    Word Key;
    TShiftState Shift;
    const char* Result;  // from "abc" with all of it selected
};

const HotKeyCase HotKeyCases[] = {
    {"CtrlBBold", 'B', ssCtrl, "\2abc\2"},
    {"CtrlIItalic", 'I', ssCtrl, "\1abc\1"},
    {"CtrlUUnderline", 'U', ssCtrl, "\25abc\25"},
    {"CtrlHHighlight", 'H', ssCtrl, "\3abc\3"},
    {"CtrlFAlternativeFont", 'F', ssCtrl, "\4abc\4"},
    {"CtrlTTab", 'T', ssCtrl, "\t"},
    {"CtrlPPageBreak", 'P', ssCtrl, "\r\n\20\r\n"},
    {"CtrlZUndo", 'Z', ssCtrl, ""},
};

class HotKeys : public Input_, public ::testing::WithParamInterface<std::tuple<HotKeyCase, bool>> {};

TEST_P(HotKeys, OnlyWhenEnabled)
{
    const auto& [c, enabled] = GetParam();
    memo->setEnableHotKeys(enabled);
    memo->setSelText("abc");
    memo->SelectAll();
    Input::PressKey(c.Key, c.Shift);
    EXPECT_EQ(Text(), enabled ? c.Result : "abc");
}

INSTANTIATE_TEST_SUITE_P(Keys, HotKeys, ::testing::Combine(::testing::ValuesIn(HotKeyCases), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<HotKeyCase, bool>>& i) {
                             return std::string(std::get<0>(i.param).Name) + (std::get<1>(i.param) ? "On" : "Off");
                         });

TEST_F(Input_, CtrlShiftZRedoes)
{
    memo->setSelText("abc");
    Input::PressKey('Z', ssCtrl);
    EXPECT_EQ(Text(), "");
    Input::PressKey('Z', ssCtrl | ssShift);
    EXPECT_EQ(Text(), "abc");
}

// ---------------------------------------------------------------- a read-only memo

struct UserPath {
    const char* Name;
    std::function<void(Input_&, TStyleMemo*)> Act;
};

void PopupCommand(TStyleMemo* m, int Index)
{
    m->CreatePopupMenu();
    m->DefaultPopup()->Items()->Items(Index)->Click();
}

const UserPath UserPaths[] = {
    {"Typing", [](Input_&, TStyleMemo*) { Input::TypeText("x\r"); }},
    {"Backspace", [](Input_&, TStyleMemo*) { Input::PressKey(VK_BACK); }},
    {"Delete", [](Input_&, TStyleMemo*) { Input::PressKey(VK_DELETE); }},
    {"ShiftDelete", [](Input_&, TStyleMemo*) { Input::PressKey(VK_DELETE, ssShift); }},
    {"Tab", [](Input_&, TStyleMemo*) { Input::PressKey(VK_TAB); }},
    {"CtrlX", [](Input_&, TStyleMemo*) { Input::PressKey('X', ssCtrl); }},
    {"CtrlV", [](Input_&, TStyleMemo*) { Input::PressKey('V', ssCtrl); }},
    {"ShiftInsert", [](Input_&, TStyleMemo*) { Input::PressKey(VK_INSERT, ssShift); }},
    {"CtrlZ", [](Input_&, TStyleMemo*) { Input::PressKey('Z', ssCtrl); }},
    {"CtrlB", [](Input_&, TStyleMemo*) { Input::PressKey('B', ssCtrl); }},
    {"CtrlP", [](Input_&, TStyleMemo*) { Input::PressKey('P', ssCtrl); }},
    {"CutMessage", [](Input_&, TStyleMemo* m) { SendMessage(m->Handle(), WM_CUT, 0, 0); }},
    {"PasteMessage", [](Input_&, TStyleMemo* m) { SendMessage(m->Handle(), WM_PASTE, 0, 0); }},
    {"UndoMessage", [](Input_&, TStyleMemo* m) { SendMessage(m->Handle(), WM_UNDO, 0, 0); }},
    {"PopupUndo", [](Input_&, TStyleMemo* m) { PopupCommand(m, 0); }},
    {"PopupRedo", [](Input_&, TStyleMemo* m) { PopupCommand(m, 1); }},
    {"PopupCut", [](Input_&, TStyleMemo* m) { PopupCommand(m, 3); }},
    {"PopupPaste", [](Input_&, TStyleMemo* m) { PopupCommand(m, 5); }},
    {"DragAndDrop", [](Input_& t, TStyleMemo* m) {
         const TPoint a = t.At(1);
         const TPoint b = t.At(8);
         Input::MouseMove(m, a.X, a.Y);
         Input::Drag(m, a.X, a.Y, b.X, b.Y);
     }},
};

class ReadOnlyPaths : public Input_, public ::testing::WithParamInterface<UserPath> {};

TEST_P(ReadOnlyPaths, ChangeNothing)
{
    Clipboard()->SetAsText("pasted");
    memo->setSelText("one two");
    memo->setSelStart(7);
    memo->setSelText(" three");
    memo->Undo();  // one record to undo and one to redo
    memo->setReadOnly(true);
    memo->setSelStart(0);
    memo->setSelLength(3);
    GetParam().Act(*this, memo);
    EXPECT_EQ(Text(), "one two");
    EXPECT_EQ(memo->UndoLevel(), 1);
    // Code keeps its undo: the receive window takes back its own text.
    memo->Undo();
    EXPECT_EQ(Text(), "");
}

INSTANTIATE_TEST_SUITE_P(User, ReadOnlyPaths, ::testing::ValuesIn(UserPaths),
                         [](const ::testing::TestParamInfo<UserPath>& i) { return std::string(i.param.Name); });

TEST_F(Input_, ReadOnlyStillCopies)
{
    Clipboard()->SetAsText("old");
    Load("abc def", 0);
    memo->setReadOnly(true);
    memo->setSelLength(3);
    Input::PressKey('C', ssCtrl);
    EXPECT_EQ(Clipboard()->AsText(), "abc");
    memo->setSelLength(0);
    Input::PressKey(VK_INSERT, ssCtrl);
    EXPECT_EQ(Clipboard()->AsText(), "abc");
}

// ---------------------------------------------------------------- mouse

TEST_F(Input_, ClicksPlaceAndExtendTheCaret)
{
    int ups = 0;
    int moves = 0;
    memo->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { ++ups; };
    memo->OnMouseMove = [&](TObject*, TShiftState, int, int) { ++moves; };
    Load("one two three\r\nfour");
    TPoint p = At(4);
    Input::MouseMove(memo, p.X, p.Y);
    EXPECT_EQ(moves, 1);
    Input::Click(memo, p.X, p.Y);
    EXPECT_EQ(memo->SelStart(), 4);
    EXPECT_EQ(ups, 1);
    p = At(8);
    Input::Click(memo, p.X, p.Y, mbLeft, ssShift);
    EXPECT_EQ(memo->SelText(), "two ");
    Input::AdvanceTime(1000);
    // Below the last line: the end of the text.
    Input::Click(memo, 60, memo->ClientHeight() - 3);
    EXPECT_EQ(memo->SelStart(), memo->TextLen());
    EXPECT_EQ(memo->SelLength(), 0);
}

TEST_F(Input_, DoubleClickSelectsAWordAndDraggingGoesByWords)
{
    Load("alpha beta gamma delta");
    const TPoint p = At(8);
    Input::Click(memo, p.X, p.Y);
    Input::AdvanceTime(50);
    Input::MouseDown(memo, mbLeft, p.X, p.Y);
    EXPECT_EQ(memo->SelText(), "beta");
    // The second press held and moved on: whole words from "beta" on.
    const TPoint q = At(13);
    Input::MouseMove(memo, q.X, q.Y, ssLeft);
    Input::MouseUp(memo, mbLeft, q.X, q.Y);
    EXPECT_EQ(memo->SelText(), "beta gamma");
}

TEST_F(Input_, LeftMarginSelectsWholeLines)
{
    Load("first\r\nsecond\r\nthird");
    const int m = memo->LeftMargin() - 3;  // the margin's rightmost pixel
    const int y0 = At(0).Y;
    const int y1 = At(7).Y;
    Input::MouseMove(memo, m, y0);
    uitest::Pump();
    EXPECT_EQ(GetCursor(), Screen->Cursors(crPMRightArrow));
    Input::Click(memo, m, y0);
    EXPECT_EQ(memo->SelText(), "first\r\n");
    EXPECT_EQ(memo->SelStart(), 0);
    Input::AdvanceTime(1000);
    Input::MouseMove(memo, m, y0);
    Input::Drag(memo, m, y0, m, y1);
    EXPECT_EQ(memo->SelText(), "first\r\nsecond\r\n");
    Input::MouseMove(memo, m, y1);
    Input::Drag(memo, m, y1, m, y0);
    EXPECT_EQ(memo->SelText(), "first\r\nsecond\r\n");
    EXPECT_EQ(memo->SelStart(), 0);
    // Down from the second line and back above it in one drag: the lines left go again, and the
    // anchor line stays.
    const int y3 = At(15).Y;
    Input::MouseMove(memo, m, y1);
    Input::MouseDown(memo, mbLeft, m, y1);
    Input::MouseMove(memo, m, y3, ssLeft);
    EXPECT_EQ(memo->SelText(), "second\r\nthird");
    EXPECT_EQ(memo->SelStart(), memo->TextLen());
    Input::MouseMove(memo, m, y0, ssLeft);
    EXPECT_EQ(memo->SelText(), "first\r\nsecond\r\n");
    EXPECT_EQ(memo->SelStart(), 0);
    Input::MouseMove(memo, m, y1, ssLeft);
    EXPECT_EQ(memo->SelText(), "second\r\n");
    Input::MouseMove(memo, m, y3, ssLeft);
    Input::MouseUp(memo, mbLeft, m, y3);
    EXPECT_EQ(memo->SelText(), "second\r\nthird");
    Input::AdvanceTime(1000);
    // One pixel further right is text.
    Input::MouseMove(memo, m + 1, y1);
    Input::Click(memo, m + 1, y1);
    EXPECT_EQ(memo->SelLength(), 0);
    EXPECT_EQ(memo->SelStart(), 7);
    // A wrapped line goes alone: no paragraph break follows it.
    std::string para;
    for (int i = 0; i < 30; ++i) para += "word ";
    Load("x\r\n" + para + "\r\ny");
    TStyleNavigator second(memo);
    second.SetLineNb(2);
    TStyleNavigator third(memo);
    third.SetLineNb(3);
    ASSERT_LT(third.Pos, static_cast<Integer>(para.size()));
    const int y2 = second.GetDisplayPos().Y + memo->RowHeight() / 2;
    Input::AdvanceTime(1000);
    Input::MouseMove(memo, m, y2);
    Input::Click(memo, m, y2);
    EXPECT_EQ(memo->SelStart(), second.Pos);
    EXPECT_EQ(memo->SelLength(), third.Pos - second.Pos);
    // With line selection off the margin is text.
    memo->setOptions(memo->Options() | pmoNoLineSelection);
    Load("first\r\nsecond\r\nthird");
    Input::AdvanceTime(1000);
    Input::MouseMove(memo, 2, y1);
    Input::Click(memo, 2, y1);
    EXPECT_EQ(memo->SelLength(), 0);
    EXPECT_EQ(memo->SelStart(), 7);
}

TEST_F(Input_, DragSelectsAndAltDragSelectsAColumnBlock)
{
    Mono();
    Load("abcdef\r\nabcdef\r\nab\r\nabcdef");
    Input::Drag(memo, At(1).X, At(1).Y, At(12).X, At(12).Y);
    EXPECT_EQ(memo->SelText(), "bcdef\r\nabcd");
    EXPECT_EQ(memo->SelStart(), 12);
    // Below the last line the selection runs to the end of the text.
    memo->setSelStart(0);
    Input::Drag(memo, At(1).X, At(1).Y, At(1).X, memo->ClientHeight() - 3);
    EXPECT_EQ(memo->SelText(), "bcdef\r\nabcdef\r\nab\r\nabcdef");
    Input::AdvanceTime(1000);
    memo->setSelStart(0);
    Input::Drag(memo, At(1).X, At(1).Y, At(24).X, At(24).Y, ssAlt);
    EXPECT_TRUE(memo->BlockSelected());
    Input::PressKey('C', ssCtrl);
    EXPECT_EQ(Clipboard()->AsText(), "bcd\r\nbcd\r\nb\r\nbcd\r\n");
    // The block format carries the same text, for any program that reads it.
    Clipboard()->Open();
    HANDLE block = GetClipboardData(BlockClipboardFormat());
    ASSERT_NE(block, nullptr);
    EXPECT_STREQ(static_cast<const char*>(GlobalLock(block)), "bcd\r\nbcd\r\nb\r\nbcd\r\n");
    GlobalUnlock(block);
    Clipboard()->Close();
    // Shift+click without Alt goes on as ordinary text.
    Input::Click(memo, At(3).X, At(3).Y, mbLeft, ssShift);
    EXPECT_FALSE(memo->BlockSelected());
    Input::AdvanceTime(1000);
    memo->setOptions(memo->Options() & ~pmoBlockSelection);
    memo->setSelStart(0);
    Input::AdvanceTime(1000);
    Input::Drag(memo, At(1).X, At(1).Y, At(24).X, At(24).Y, ssAlt);
    EXPECT_FALSE(memo->BlockSelected());
}

TEST_F(Input_, ShiftAltArrowsSelectAColumnBlock)
{
    Mono();
    Load("abcdef\r\nabcdef", 1);
    Input::PressKey(VK_END, ssShift | ssAlt);
    EXPECT_FALSE(memo->BlockSelected());
    EXPECT_EQ(memo->SelStart(), 1);
    Input::PressKey(VK_DOWN, ssShift | ssAlt);
    Input::PressKey(VK_RIGHT, ssShift | ssAlt);
    Input::PressKey(VK_RIGHT, ssShift | ssAlt);
    EXPECT_TRUE(memo->BlockSelected());
    EXPECT_EQ(memo->SelText(), "bc\r\nbc\r\n");
    Input::PressKey(VK_RIGHT);
    EXPECT_FALSE(memo->BlockSelected());
    // End ends a block even with Shift held.
    Input::PressKey(VK_LEFT, ssShift | ssAlt);
    ASSERT_TRUE(memo->BlockSelected());
    Input::PressKey(VK_END, ssShift);
    EXPECT_FALSE(memo->BlockSelected());
    // Codes at a block's edges: a code at the left edge is in the block, one at the right is not.
    Load("ab\2cd\2ef");
    memo->SelectBlock(2, 0, 0, 4);
    EXPECT_EQ(memo->SelText(), "\2c\r\n");
}

struct DropCase {
    const char* Name;
    Integer Target;
    TShiftState Shift;
    const char* Result;
    const char* Selected;
    Integer UndoSteps;  // to get the text back
};

const DropCase DropCases[] = {
    {"MoveToTheEnd", 13, 0, "two threeone ", "one ", 1},
    {"CopyWithCtrl", 13, ssCtrl, "one two threeone ", "one ", 1},
    {"OntoItselfOnlyMovesTheCaret", 2, 0, "one two three", "", 0},
};

class Drops : public Input_, public ::testing::WithParamInterface<DropCase> {};

TEST_P(Drops, TextSelectionAndUndo)
{
    const DropCase& c = GetParam();
    Load("one two three");
    memo->setSelLength(4);
    const TPoint a = At(1);
    const TPoint b = At(c.Target);
    Input::MouseMove(memo, a.X, a.Y);
    EXPECT_EQ(memo->Cursor(), crArrow);
    Input::Drag(memo, a.X, a.Y, b.X, b.Y, c.Shift);
    EXPECT_FALSE(memo->Dragging());
    EXPECT_EQ(Text(), c.Result);
    EXPECT_EQ(memo->SelText(), c.Selected);
    for (Integer i = 0; i < c.UndoSteps; ++i) memo->Undo();
    EXPECT_EQ(Text(), "one two three");
    EXPECT_TRUE(memotest::DeepCheck(*memo));
}

INSTANTIATE_TEST_SUITE_P(Mouse, Drops, ::testing::ValuesIn(DropCases),
                         [](const ::testing::TestParamInfo<DropCase>& i) { return std::string(i.param.Name); });

TEST_F(Input_, ADraggedTextScrollsNearTheEdgesAndDropsAfterComingBack)
{
    std::string rest;
    for (int i = 0; i < 30; ++i) rest += "\r\nline";
    Load("one two three" + rest);
    memo->setSelLength(4);
    // The press that starts the drag takes the focus from another control.
    auto* other = new TStyleMemo(form);
    other->SetParent(form);
    other->SetBounds(0, 210, 100, 50);
    other->SetFocus();
    uitest::Pump();
    ASSERT_FALSE(memo->Focused());
    const TPoint a = At(1);
    Input::MouseMove(memo, a.X, a.Y);
    Input::MouseDown(memo, mbLeft, a.X, a.Y);
    ASSERT_TRUE(memo->Dragging());
    EXPECT_TRUE(memo->Focused());
    const int cw = memo->ClientWidth();
    const int ch = memo->ClientHeight();
    struct {
        int X, Y;
        TMouseScrollType Dir;
    } const moves[] = {{-23, a.Y, msLeft}, {-24, a.Y, msNoScroll}, {cw + 23, a.Y, msRight}, {cw + 24, a.Y, msNoScroll},
                       {60, -26, msUp}, {60, -27, msNoScroll}, {-3, -10, msUp}, {-4, -10, msLeft},
                       {60, ch + 4, msDown}, {60, ch + 24, msNoScroll}};
    for (const auto& m : moves) {
        Input::MouseMove(memo, m.X, m.Y, ssLeft);
        EXPECT_EQ(memo->AutoScrollDirection(), m.Dir) << m.X << "," << m.Y;
    }
    // Outside the window Ctrl changes nothing; inside it shows whether the text would be copied.
    Input::MouseMove(memo, 60, -40, ssLeft);
    EXPECT_EQ(Screen->Cursor(), crNoDrop);
    Input::PressKey(VK_CONTROL);
    EXPECT_EQ(Screen->Cursor(), crNoDrop);
    const TPoint b = At(13);
    Input::MouseMove(memo, b.X, b.Y, ssLeft);
    EXPECT_EQ(Screen->Cursor(), crDrag);
    Input::KeyDown(VK_CONTROL, ssCtrl);
    EXPECT_EQ(Screen->Cursor(), crDragCopy);
    Input::KeyUp(VK_CONTROL);
    EXPECT_EQ(Screen->Cursor(), crDrag);
    Input::MouseUp(memo, mbLeft, b.X, b.Y);
    EXPECT_EQ(Screen->Cursor(), crDefault);
    EXPECT_EQ(Text(), "two threeone " + rest);
}

TEST_F(Input_, APressOnTheSelectionDragsItUnlessDragAndDropIsOff)
{
    // The mouse rested there before the text under it was selected: the press itself sees the selection.
    Load("one two three");
    Input::MouseMove(memo, At(1).X, At(1).Y);
    memo->setSelLength(4);
    Input::Drag(memo, At(1).X, At(1).Y, At(13).X, At(13).Y);
    EXPECT_EQ(Text(), "two threeone ");
    memo->setOptions(memo->Options() | pmoNoDragnDrop);
    Load("one two three");
    memo->setSelLength(4);
    Input::MouseMove(memo, At(1).X, At(1).Y);
    Input::Drag(memo, At(1).X, At(1).Y, At(6).X, At(6).Y);
    EXPECT_EQ(Text(), "one two three");
    EXPECT_EQ(memo->SelText(), "ne tw");
}

TEST_F(Input_, AutoScrollRunsOnATimerWhileTheMouseIsHeldBelow)
{
    std::string text;
    for (int i = 0; i < 60; ++i) text += "line " + std::to_string(i) + "\r\n";
    Load(text);
    const int ch = memo->ClientHeight();
    Input::MouseDown(memo, mbLeft, 20, 5);
    // Each distance below the window has its interval; a step then scrolls one line.
    const std::pair<int, Integer> speeds[] = {{1, 400}, {4, 400}, {7, 300}, {9, 200}, {12, 130},
                                              {15, 78}, {18, 48}, {21, 30}, {40, 10}};
    for (const auto& [below, interval] : speeds) {
        Input::MouseMove(memo, 20, ch + below, ssLeft);
        EXPECT_EQ(memo->AutoScrollDirection(), msDown) << below;
        EXPECT_EQ(memo->AutoScrollInterval(), interval) << below;
    }
    ASSERT_TRUE(uitest::PumpUntil([&] { return memo->TopLine() >= 5; }, 3000));
    EXPECT_LT(memo->SelLength(), -100);
    Input::MouseMove(memo, 20, 40, ssLeft);
    EXPECT_EQ(memo->AutoScrollInterval(), -1);
    Input::MouseMove(memo, -30, 40, ssLeft);
    EXPECT_EQ(memo->AutoScrollDirection(), msLeft);
    Input::MouseMove(memo, 20, -10, ssLeft);
    EXPECT_EQ(memo->AutoScrollDirection(), msUp);
    EXPECT_EQ(memo->AutoScrollInterval(), 200);
    Input::MouseUp(memo, mbLeft, 20, -10);
    EXPECT_EQ(memo->AutoScrollInterval(), -1);
    const Integer top = memo->TopLine();
    uitest::Pump(100);
    EXPECT_EQ(memo->TopLine(), top);
    // Scrolled to the end, the text stops inside the window: below it there is nothing to scroll to.
    memo->setTopLine(memo->LineCount() - memo->VisibleLines() + 1);
    Input::AdvanceTime(1000);
    Input::MouseDown(memo, mbLeft, 20, 5);
    Input::MouseMove(memo, 20, ch + 30, ssLeft);
    EXPECT_EQ(memo->AutoScrollDirection(), msNoScroll);
    Input::MouseUp(memo, mbLeft, 20, ch + 30);
}

TEST_F(Input_, LosingTheMouseEndsAutoScroll)
{
    std::string text;
    for (int i = 0; i < 60; ++i) text += "line\r\n";
    Load(text);
    Input::MouseDown(memo, mbLeft, 20, 5);
    Input::MouseMove(memo, 20, memo->ClientHeight() + 40, ssLeft);
    EXPECT_EQ(memo->AutoScrollInterval(), 10);
    SendMessage(memo->Handle(), WM_CANCELMODE, 0, 0);
    EXPECT_EQ(memo->AutoScrollInterval(), -1);
    const Integer top = memo->TopLine();
    uitest::Pump(50);
    EXPECT_EQ(memo->TopLine(), top);
}

TEST_F(Input_, DisplayOnlyKeysMoveTheViewAlone)
{
    std::string text;
    for (int i = 0; i < 60; ++i) text += "line\r\n";
    Load(text);
    memo->setDisplayOnly(true);
    const Integer last = memo->LineCount() - memo->VisibleLines() + 1;
    const std::pair<Word, TShiftState> keys[] = {{VK_NEXT, 0}, {VK_DOWN, 0}, {VK_UP, 0}, {VK_NEXT, ssCtrl}, {VK_DOWN, 0}, {VK_PRIOR, ssCtrl}};
    const Integer tops[] = {1, 2, 1, last, last, 0};
    for (size_t i = 0; i < 6; ++i) {
        Input::PressKey(keys[i].first, keys[i].second);
        EXPECT_EQ(memo->TopLine(), tops[i]) << i;
    }
    Input::TypeText("x");
    Input::PressKey(VK_DELETE);
    EXPECT_EQ(Text(), text);
    EXPECT_EQ(memo->SelStart(), 0);
}

// Tab is typed while WantTabs is on; off, or in a viewer, it moves the focus on, whatever else
// the memo asks of the keyboard.
TEST_F(Input_, TabIsTypedOnlyWhileWanted)
{
    auto* other = new TStyleMemo(form);
    other->SetParent(form);
    other->SetBounds(0, 210, 400, 60);
    uitest::Pump();
    Load("ab", 1);
    Input::PressKey(VK_TAB);
    EXPECT_EQ(Text(), "a\tb");
    EXPECT_TRUE(memo->Focused());
    memo->setWantTabs(false);
    Input::PressKey(VK_TAB);
    EXPECT_EQ(Text(), "a\tb");
    EXPECT_TRUE(other->Focused());
    EXPECT_EQ(other->GetTextPart(0, other->TextLen()), "");
    // Back with Shift+Tab; a viewer gives Tab away even while it is wanted.
    other->setWantTabs(false);
    Input::PressKey(VK_TAB, ssShift);
    ASSERT_TRUE(memo->Focused());
    memo->setWantTabs(true);
    memo->setDisplayOnly(true);
    Input::PressKey(VK_TAB);
    EXPECT_TRUE(other->Focused());
    EXPECT_EQ(Text(), "a\tb");
}

TEST_F(Input_, WheelScrollsByFactorAndKeepsTheRemainder)
{
    std::string text;
    for (int i = 0; i < 60; ++i) text += "line\r\n";
    Load(text);
    memo->setTopLine(10);
    Input::Wheel(memo, -120, 20, 20);
    EXPECT_EQ(memo->TopLine(), 13);
    Input::Wheel(memo, 120, 20, 20);
    EXPECT_EQ(memo->TopLine(), 10);
    memo->setMouseWheelFactor(1);
    Input::Wheel(memo, -40, 20, 20);
    Input::Wheel(memo, -40, 20, 20);
    EXPECT_EQ(memo->TopLine(), 10);
    Input::Wheel(memo, -40, 20, 20);
    EXPECT_EQ(memo->TopLine(), 11);
}

TEST_F(Input_, AClickOnASpanWithAContextReportsItsExtent)
{
    Load("see the link here");
    memo->SetDynStyle(8, 12, 0, false, 42, crHandPoint, 0, 0);
    std::vector<Integer> got;
    memo->OnContext = [&](TObject*, Integer Context, Integer Start, Integer Stop) { got = {Context, Start, Stop}; };
    Input::MouseMove(memo, At(10).X, At(10).Y);
    EXPECT_EQ(memo->Cursor(), crHandPoint);
    Input::Click(memo, At(10).X, At(10).Y);
    EXPECT_EQ(got, (std::vector<Integer>{42, 8, 12}));
    Input::MouseMove(memo, At(2).X, At(2).Y);
    EXPECT_EQ(memo->Cursor(), crIBeam);
}

// ---------------------------------------------------------------- popup menu and clipboard

struct PopupCase {
    const char* Name;
    bool ReadOnly;
    bool Select;
    bool ClipboardText;
    bool Enabled[8];  // Undo, Redo, -, Cut, Copy, Paste, -, Select all
};

const PopupCase PopupCases[] = {
    {"EditableWithSelection", false, true, true, {true, false, true, true, true, true, true, true}},
    {"EditableEmptyClipboard", false, false, false, {true, false, true, false, false, false, true, true}},
    {"ReadOnlyWithSelection", true, true, true, {false, false, true, false, true, false, true, true}},
};

class Popup : public Input_, public ::testing::WithParamInterface<PopupCase> {};

TEST_P(Popup, ItemsEnabledByTheRules)
{
    const PopupCase& c = GetParam();
    Load("some text");
    memo->setSelText("x");
    if (c.ClipboardText)
        Clipboard()->SetAsText("clip");
    else
        Clipboard()->Clear();
    memo->setReadOnly(c.ReadOnly);
    if (c.Select) memo->setSelLength(-3);
    std::vector<bool> enabled;
    SetModalHook([&](TObject* Dialog, int&) {
        auto* menu = dynamic_cast<TPopupMenu*>(Dialog);
        if (menu == nullptr) return false;
        for (int i = 0; i < menu->Items()->Count(); ++i) enabled.push_back(menu->Items()->Items(i)->Enabled());
        return true;
    });
    Input::Click(memo, 60, 5, mbRight);
    ASSERT_EQ(enabled.size(), 8u);
    for (size_t i = 0; i < 8; ++i) EXPECT_EQ(enabled[i], c.Enabled[i]) << i;
    EXPECT_EQ(memo->DefaultPopup()->Items()->Items(7)->Caption(), "&Select all");
}

INSTANTIATE_TEST_SUITE_P(Menu, Popup, ::testing::ValuesIn(PopupCases),
                         [](const ::testing::TestParamInfo<PopupCase>& i) { return std::string(i.param.Name); });

TEST_F(Input_, AnAssignedPopupMenuReplacesTheDefaultOne)
{
    TPopupMenu own(form);
    memo->SetPopupMenu(&own);
    TObject* shown = nullptr;
    SetModalHook([&](TObject* Dialog, int&) {
        shown = Dialog;
        return true;
    });
    Input::Click(memo, 60, 5, mbRight);
    EXPECT_EQ(shown, &own);
    EXPECT_EQ(memo->DefaultPopup(), nullptr);
}

TEST_F(Input_, PopupCommandsRun)
{
    Load("abc def");
    memo->CreatePopupMenu();
    TMenuItem* items = memo->DefaultPopup()->Items();
    items->Items(7)->Click();
    EXPECT_EQ(memo->SelLength(), -7);
    items->Items(3)->Click();
    EXPECT_EQ(Text(), "");
    items->Items(5)->Click();
    EXPECT_EQ(Text(), "abc def");
    items->Items(0)->Click();
    items->Items(0)->Click();
    EXPECT_EQ(Text(), "abc def");
    items->Items(1)->Click();
    EXPECT_EQ(Text(), "");
}

TEST_F(Input_, APasteIsAnUndoStepOfItsOwnAndTheMessagesEdit)
{
    Load("");
    Clipboard()->SetAsText("p\r\nq");
    Input::TypeText("x");
    // Plain text pastes as text, also where blocks are on.
    Input::PressKey('V', ssCtrl);
    Input::TypeText("y");
    EXPECT_EQ(Text(), "xp\r\nqy");
    EXPECT_EQ(memo->UndoCount(), 3);
    EXPECT_EQ(SendMessage(memo->Handle(), WM_UNDO, 0, 0), 1);
    EXPECT_EQ(Text(), "xp\r\nq");
    memo->SelectAll();
    SendMessage(memo->Handle(), WM_CUT, 0, 0);
    EXPECT_EQ(Text(), "");
    SendMessage(memo->Handle(), WM_PASTE, 0, 0);
    EXPECT_EQ(Text(), "xp\r\nq");
}

TEST_F(Input_, BlocksPasteAsBlocksOnlyWhereBlocksAreOn)
{
    Mono();
    Load("abcdef\r\nabcdef\r\nabcdef");
    memo->SelectBlock(2, 0, 2, 5);
    Clipboard()->SetAsText("unchanged");
    memo->setSelLength(0);
    Input::PressKey('C', ssCtrl);
    EXPECT_EQ(Clipboard()->AsText(), "unchanged");  // nothing selected: the clipboard stays
    memo->SelectBlock(2, 0, 2, 5);
    Input::PressKey('C', ssCtrl);
    EXPECT_EQ(Clipboard()->AsText(), "cde\r\ncde\r\ncde\r\n");
    Load("12\r\n12345\r\n");
    memo->setSelStart(1);
    memo->setDisplayLeft(3 * memo->BlankWidth());  // the view scrolled does not move the column
    Input::PressKey('V', ssCtrl);
    EXPECT_EQ(Text(), "1cde2\r\n1cde2345\r\n cde");
    memo->setOptions(memo->Options() & ~pmoBlockSelection);
    Load("xy", 1);
    Input::PressKey('V', ssCtrl);
    EXPECT_EQ(Text(), "xcde\r\ncde\r\ncde\r\ny");
}

}  // namespace

namespace {

// The clipboard's text as another program reads it.
std::u16string ClipboardUnicode()
{
    std::u16string out;
    Clipboard()->Open();
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
        const auto* p = static_cast<const char16_t*>(GlobalLock(h));
        for (size_t i = 0; i < GlobalSize(h) / 2 && p[i] != 0; ++i) out += p[i];
        GlobalUnlock(h);
    }
    Clipboard()->Close();
    return out;
}

void SetClipboardUnicode(const std::u16string& Text)
{
    Clipboard()->Open();
    EmptyClipboard();
    HGLOBAL b = GlobalAlloc(GMEM_MOVEABLE, (Text.size() + 1) * 2);
    std::memcpy(GlobalLock(b), Text.c_str(), (Text.size() + 1) * 2);
    GlobalUnlock(b);
    SetClipboardData(CF_UNICODETEXT, b);
    Clipboard()->Close();
}

const std::u16string Word16 = u"\u041F\u0440\u0438\u043C\u0435\u0440 \u0451\u0436";  // "Пример ёж"
const std::string Word1251 = "\xCF\xF0\xE8\xEC\xE5\xF0 \xB8\xE6";

}  // namespace

// Text leaves and enters the memo as the characters its font's code page gives its bytes, and the
// line ends of other programs become paragraphs.
TEST_F(Input_, ClipboardTextCarriesTheFontsCodePageAndLineEnds)
{
    memo->Font()->SetCharset(RUSSIAN_CHARSET);
    Load(Word1251 + "\r\n2");
    memo->SelectAll();
    Input::PressKey('C', ssCtrl);
    EXPECT_EQ(ClipboardUnicode(), Word16 + u"\r\n2");
    SetClipboardUnicode(u"\u0451\u0436\n\u041F\r\nx\n\ny");
    Load("");
    Input::PressKey('V', ssCtrl);
    EXPECT_EQ(Text(), "\xB8\xE6\r\n\xCF\r\nx\r\n\r\ny");
    EXPECT_EQ(memo->ParCount(), 5);
    EXPECT_EQ(memo->UndoCount(), 1);
    // A column block too.
    Mono();
    memo->Font()->SetCharset(RUSSIAN_CHARSET);
    Load(Word1251 + "\r\n" + Word1251);
    memo->SelectBlock(1, 0, 1, 3);
    Input::PressKey('C', ssCtrl);
    EXPECT_EQ(ClipboardUnicode(), u"\u0440\u0438\r\n\u0440\u0438\r\n");
    // A character the code page lacks is left out, by the keys and by the menu alike, as the middle
    // button leaves it out.
    SetClipboardUnicode(u"A\u65E5B\u20ACC\u03A9D\u0416");
    Load("");
    Input::PressKey('V', ssCtrl);
    EXPECT_EQ(Text(), "AB\x88" "CD\xC6");
    Load("");
    PopupCommand(memo, 5);
    EXPECT_EQ(Text(), "AB\x88" "CD\xC6");
    memo->Font()->SetCharset(ANSI_CHARSET);
    SetClipboardUnicode(u"\u0416 caf\u00E9\n");
    Load("");
    Input::PressKey('V', ssCtrl);
    EXPECT_EQ(Text(), " caf\xE9\r\n");
}

namespace {

// The pixels of the top of a display row, and the x range where they differ from an earlier look.
std::vector<COLORREF> RowPixels(TStyleMemo* M, Integer Row)
{
    M->Invalidate();
    M->Update();
    HDC dc = GetDC(M->Handle());
    std::vector<COLORREF> r;
    for (int x = 0; x < M->ClientWidth(); ++x) r.push_back(GetPixel(dc, x, M->LinePos(Row) + 2));
    ReleaseDC(M->Handle(), dc);
    return r;
}

std::pair<int, int> ChangedRange(const std::vector<COLORREF>& Before, const std::vector<COLORREF>& After)
{
    int a = -1;
    int b = -1;
    for (size_t x = 0; x < Before.size(); ++x)
        if (Before[x] != After[x]) {
            if (a < 0) a = static_cast<int>(x);
            b = static_cast<int>(x) + 1;
        }
    return {a, b};
}

// The offset in a display line whose character border stands at client x, or -1.
Integer OffsetAt(TStyleMemo* M, Integer Par, Integer X)
{
    ParInfo* par = M->ParList()->At(Par);
    for (Integer k = 0; k <= par->Len; ++k)
        if (M->ColPos(par, Par, k, 0) == X) return k;
    return -1;
}

}  // namespace

// A column block dragged with Alt in a proportional font: each line's selected characters are
// those painted selected, copy and delete take exactly those, and one undo step gives them back.
TEST_F(Input_, ColumnBlocksInAProportionalFontActOnWhatIsPainted)
{
    memo->Font()->SetName("DejaVu Sans");
    memo->setWordWrap(false);
    uitest::Pump();
    const std::vector<std::string> rows = {"abcdefghijklmn", "ABCDEFGHIJKLMN", "0123456789WWii", "il"};
    Load(rows[0] + "\r\n" + rows[1] + "\r\n" + rows[2] + "\r\n" + rows[3]);
    std::vector<std::vector<COLORREF>> plain;
    for (Integer r = 0; r < 4; ++r) plain.push_back(RowPixels(memo, r));
    // From the middle of "c" on the first row to the middle of "6" on the third, then on down to the
    // fourth row, which ends left of the block.
    const TPoint from = At(2);
    TPoint to = At(static_cast<Integer>(rows[0].size() + 2 + rows[1].size() + 2 + 7));
    to.X -= 2;
    Input::Drag(memo, from.X + 2, from.Y, to.X, to.Y + memo->RowHeight(), ssAlt);
    ASSERT_TRUE(memo->BlockSelected());
    const std::string selected = memo->SelText();
    std::vector<std::string> pieces;
    for (Integer r = 0; r < 4; ++r) {
        const auto [a, b] = ChangedRange(plain[static_cast<size_t>(r)], RowPixels(memo, r));
        ASSERT_GE(a, 0) << "row " << r << " shows no selection";
        const Integer ka = OffsetAt(memo, r, a);
        const Integer kb = OffsetAt(memo, r, b);
        if (r < 3) {
            ASSERT_GE(ka, 0) << "row " << r << ": the selection starts inside a character";
            ASSERT_GE(kb, 0) << "row " << r << ": the selection ends inside a character";
            pieces.push_back(rows[static_cast<size_t>(r)].substr(static_cast<size_t>(ka), static_cast<size_t>(kb - ka)));
        } else {
            // Wholly right of the short row's text: nothing of it is selected.
            EXPECT_GT(a, memo->ColPos(memo->ParList()->At(3), 3, 2, 0));
            pieces.push_back("");
        }
    }
    EXPECT_EQ(selected, pieces[0] + "\r\n" + pieces[1] + "\r\n" + pieces[2] + "\r\n" + pieces[3] + "\r\n");
    // The system's selection colours fill the same places.
    std::vector<std::pair<int, int>> inverted;
    for (Integer r = 0; r < 4; ++r) inverted.push_back(ChangedRange(plain[static_cast<size_t>(r)], RowPixels(memo, r)));
    memo->setOptions(memo->Options() | pmoWindowsSelColors);
    for (Integer r = 0; r < 4; ++r)
        EXPECT_EQ(ChangedRange(plain[static_cast<size_t>(r)], RowPixels(memo, r)), inverted[static_cast<size_t>(r)]) << "row " << r;
    memo->setOptions(memo->Options() & ~pmoWindowsSelColors);
    EXPECT_FALSE(pieces[0].empty());
    EXPECT_NE(pieces[0].size(), pieces[2].size());  // the rows' characters differ in width
    Input::PressKey('C', ssCtrl);
    EXPECT_EQ(Clipboard()->AsText(), selected);
    const Integer undo = memo->UndoCount();
    Input::PressKey(VK_DELETE);
    for (Integer r = 0; r < 4; ++r) {
        std::string expect = rows[static_cast<size_t>(r)];
        const size_t at = expect.find(pieces[static_cast<size_t>(r)]);
        expect.erase(at, pieces[static_cast<size_t>(r)].size());
        EXPECT_EQ(memo->Paragraphs(r), expect) << "row " << r;
    }
    Input::PressKey('Z', ssCtrl);
    EXPECT_EQ(Text(), rows[0] + "\r\n" + rows[1] + "\r\n" + rows[2] + "\r\n" + rows[3]);
    EXPECT_EQ(memo->UndoLevel(), undo);
    EXPECT_TRUE(memotest::DeepCheck(*memo));
    // An edge inside the first character of a word after a blank takes that character; an edge
    // three columns past a paragraph's end lies three blank widths beyond its text.
    Load("WWWWWW\r\ni Wxyz");
    memo->SelectBlock(1, 0, 1, 9);
    ASSERT_TRUE(memo->BlockSelected());
    ParInfo* wide = memo->ParList()->At(0);
    ParInfo* mixed = memo->ParList()->At(1);
    const Integer e1 = memo->ColPos(wide, 0, 1, 0);
    const Integer blank = memo->ColPos(mixed, 1, 2, 0) - memo->ColPos(mixed, 1, 1, 0);
    const Integer e2 = memo->ColPos(mixed, 1, 6, 0) + 3 * blank;
    ASSERT_GT(e1, memo->ColPos(mixed, 1, 2, 0));
    ASSERT_LT(e1, memo->ColPos(mixed, 1, 3, 0));
    Integer k = 1;
    while (k < 6 && memo->ColPos(wide, 0, k + 1, 0) <= e2) ++k;
    EXPECT_EQ(memo->SelText(), std::string(static_cast<size_t>(k - 1), 'W') + "\r\nWxyz\r\n");
    // A block pasted at the caret goes into each paragraph at the caret's pixel column.
    Load("WWW\r\n" + std::string(20, 'i'));
    const Integer caretAt = memo->ColPos(memo->ParList()->At(0), 0, 3, 0);
    Integer narrow = 0;
    while (memo->ColPos(memo->ParList()->At(1), 1, narrow + 1, 0) <= caretAt) ++narrow;
    ASSERT_GT(narrow, 3);
    memo->setSelStart(3);
    memo->InsertBlock("AB\r\nCD\r\n");
    EXPECT_EQ(memo->Paragraphs(0), "WWWAB");
    EXPECT_EQ(memo->Paragraphs(1), std::string(static_cast<size_t>(narrow), 'i') + "CD" +
                                       std::string(static_cast<size_t>(20 - narrow), 'i'));
}

// ---------------------------------------------------------------- handlers that free the memo

namespace {

// Hears every message of a memo and runs Go on the first of one kind.
class MessageClient : public TComponent {
public:
    MessageClient(TComponent* Owner, TStyleMemo* Memo, UINT Msg, std::function<void()> Go)
        : TComponent(Owner), FMemo(Memo), FMsg(Msg), FGo(std::move(Go))
    {
        Memo->AddNotificationClient(this);
    }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override
    {
        TComponent::Notification(AComponent, Operation);
        if (AComponent == FMemo && static_cast<int>(Operation) == opMemoMessage && FMemo->LastMessage().Msg == FMsg && FGo)
            std::exchange(FGo, nullptr)();
    }

private:
    TStyleMemo* FMemo;
    UINT FMsg;
    std::function<void()> FGo;
};

// Input that stops once its target is gone: presses and releases (twice for a double click), and
// a press moved to another point.
void Press(TStyleMemo* M, int X, int Y, int Times = 1)
{
    TGuardPtr<TStyleMemo> alive(M);
    for (int i = 0; i < Times && alive; ++i) {
        if (i > 0) Input::AdvanceTime(50);
        Input::MouseDown(M, mbLeft, X, Y);
        if (alive) Input::MouseUp(M, mbLeft, X, Y);
    }
}

void DragTo(TStyleMemo* M, int X1, int Y1, int X2, int Y2)
{
    TGuardPtr<TStyleMemo> alive(M);
    Input::MouseDown(M, mbLeft, X1, Y1);
    for (int i = 1; i <= 4 && alive; ++i) Input::MouseMove(M, X1 + (X2 - X1) * i / 4, Y1 + (Y2 - Y1) * i / 4, ssLeft);
    if (alive) Input::MouseUp(M, mbLeft, X2, Y2);
}

}  // namespace

// A handler of any of the memo's events may free the memo: what raised the event touches nothing of
// it afterwards (the suite runs under AddressSanitizer), whether the event came from a key, the
// mouse, a scroll-bar message, a message pass or a call by code.
TEST_F(Input_, EveryHandlerMayFreeTheMemo)
{
    using Go = std::function<void()>;
    struct Case {
        const char* Name;
        std::function<void(TStyleMemo*, Go)> Arm;
        std::function<void(TStyleMemo*)> Act;
        TUpdateMode Mode = umImmediate;
    };
    std::string text = "plain \2bold\2 words";
    for (int i = 1; i < 30; ++i) text += "\r\nline " + std::to_string(i) + (i == 1 ? " gamma" : " words") + " and more";
    // A word that gets a context, clicked in its middle.
    const auto gamma = static_cast<Integer>(text.find("gamma")) + 2;
    TForm* owner = form;
    const Case cases[] = {
        {"OnChangeTyping", [](TStyleMemo* M, Go G) { M->OnChange = [G](TObject*) { G(); }; },
         [](TStyleMemo*) { Input::TypeText("x"); }},
        {"OnChangeCode", [](TStyleMemo* M, Go G) { M->OnChange = [G](TObject*) { G(); }; },
         [](TStyleMemo* M) { M->setSelText("abc"); }},
        {"OnChangeList", [](TStyleMemo* M, Go G) { M->OnChange = [G](TObject*) { G(); }; },
         [](TStyleMemo* M) { M->Lines()->Add("more"); }},
        {"OnChangeUndoKey", [](TStyleMemo* M, Go G) { M->OnChange = [G](TObject*) { G(); }; },
         [](TStyleMemo*) { Input::PressKey('Z', ssCtrl); }},
        {"OnChangeCutKey", [](TStyleMemo* M, Go G) {
             M->setSelLength(5);
             M->OnChange = [G](TObject*) { G(); };
         },
         [](TStyleMemo*) { Input::PressKey('X', ssCtrl); }},
        {"OnChangeMenuPaste", [](TStyleMemo* M, Go G) {
             Clipboard()->SetAsText("p\r\nq");
             M->OnChange = [G](TObject*) { G(); };
         },
         [](TStyleMemo* M) { PopupCommand(M, 5); }},
        {"OnBeforeChange", [](TStyleMemo* M, Go G) { M->OnBeforeChange = [G](TObject*, const char*&) { G(); }; },
         [](TStyleMemo*) { Input::TypeText("x"); }},
        {"OnParse", [](TStyleMemo* M, Go G) { M->OnParse = [G](TObject*, Integer, Integer) { G(); }; },
         [](TStyleMemo*) { Input::TypeText("x"); }},
        {"OnSelMoveDown", [](TStyleMemo* M, Go G) { M->OnSelMove = [G](TObject*) { G(); }; },
         [](TStyleMemo*) { Input::PressKey(VK_DOWN); }},
        {"OnSelMoveClick", [](TStyleMemo* M, Go G) { M->OnSelMove = [G](TObject*) { G(); }; },
         [](TStyleMemo* M) { Press(M, 30, 3 * M->RowHeight() / 2); }},
        {"OnStyleChange", [](TStyleMemo* M, Go G) {
             M->OnStyleChange = [G](TObject*) { G(); };
             M->setSelStart(6);  // before the code that starts the bold word
         },
         [](TStyleMemo*) { Input::PressKey(VK_RIGHT); }},
        {"OnVScrollPageDown", [](TStyleMemo* M, Go G) { M->OnVScroll = [G](TObject*) { G(); }; },
         [](TStyleMemo*) { Input::PressKey(VK_NEXT); }},
        {"OnVScrollAppend", [](TStyleMemo* M, Go G) {
             M->setSelStart(M->TextLen());
             M->ScrollInView();
             M->OnVScroll = [G](TObject*) { G(); };
         },
         [](TStyleMemo* M) { M->setSelText("\r\nappended"); }},
        {"OnVScrollMessage", [](TStyleMemo* M, Go G) { M->OnVScroll = [G](TObject*) { G(); }; },
         [](TStyleMemo* M) { SendMessage(M->Handle(), WM_VSCROLL, SB_LINEDOWN, 0); }},
        {"OnVScrollWheel", [](TStyleMemo* M, Go G) { M->OnVScroll = [G](TObject*) { G(); }; },
         [](TStyleMemo* M) { Input::Wheel(M, -240, 20, 20); }},
        // The font's own change and the platform's parenting go on with the memo after its part.
        {"OnVScrollFontChange", [](TStyleMemo* M, Go G) { M->OnVScroll = [G](TObject*) { G(); }; },
         [](TStyleMemo* M) { M->Font()->SetSize(M->Font()->Size() + 6); }},
        {"OnVScrollParented", [](TStyleMemo* M, Go G) { M->OnVScroll = [G](TObject*) { G(); }; },
         [owner](TStyleMemo* M) {
             // Hidden, twice: no paint comes to raise them, only the message the second window gets.
             M->Hide();
             for (int i = 0; i < 2; ++i) {
                 M->SetParent(nullptr);
                 M->SetParent(owner);
             }
         }},
        {"OnSelMoveAfterAnError", [](TStyleMemo* M, Go G) {
             M->OnParse = [M](TObject*, Integer, Integer) {
                 M->OnParse = nullptr;
                 throw Exception("refused");
             };
             M->OnSelMove = [G](TObject*) { G(); };
         },
         [owner](TStyleMemo* M) {
             try {
                 M->Lines()->Add("more");  // moves the caret to the end, then the parse raises
             } catch (const Exception&) {
             }
             // The window goes before the caret's move is told.
             M->SetParent(nullptr);
             M->SetParent(owner);
         }},
        {"OnHScrollMessage", [](TStyleMemo* M, Go G) {
             M->setWordWrap(false);
             M->OnHScroll = [G](TObject*) { G(); };
         },
         [](TStyleMemo* M) { SendMessage(M->Handle(), WM_HSCROLL, SB_PAGERIGHT, 0); }},
        {"OnProgressLoad", [](TStyleMemo* M, Go G) { M->OnProgress = [G](TObject*) { G(); }; },
         [](TStyleMemo* M) {
             // Reported while reading, with a paragraph read and the rest still to come.
             const std::string t = "loaded\r\ntext";
             TReadOnlyMemoryStream s(t.data(), static_cast<Int64>(t.size()));
             const Integer interval = ProgressInterval;
             ProgressInterval = 0;
             M->LoadFromStream(&s);
             ProgressInterval = interval;
         }},
        {"OnProgressSave", [](TStyleMemo* M, Go G) { M->OnProgress = [G](TObject*) { G(); }; },
         [](TStyleMemo* M) {
             TMemoryStream s;
             M->SaveToStream(&s);
         }},
        {"OnProgressBackground", [](TStyleMemo* M, Go G) { M->OnProgress = [G](TObject*) { G(); }; },
         [](TStyleMemo* M) {
             M->Reformat();
             uitest::Pump();
         },
         umBackground},
        {"OnContext", [gamma](TStyleMemo* M, Go G) {
             M->SetDynStyle(gamma - 2, gamma + 3, 0, false, 42, crHandPoint, 0, 0);
             M->OnContext = [G](TObject*, Integer, Integer, Integer) { G(); };
         },
         [gamma](TStyleMemo* M) {
             TPoint p;
             {
                 TStyleNavigator n(M);  // the memo would free it with itself
                 n.SetPos(gamma);
                 p = n.GetDisplayPos();
             }
             Press(M, p.X, p.Y + M->RowHeight() / 2);
         }},
        {"OnAfterMouseDown", [](TStyleMemo* M, Go G) {
             M->OnAfterMouseDown = [G](TObject*, TMouseButton, TShiftState, int, int) { G(); };
         },
         [](TStyleMemo* M) { Press(M, 30, 5); }},
        {"OnKeyDown", [](TStyleMemo* M, Go G) { M->OnKeyDown = [G](TObject*, Word&, TShiftState) { G(); }; },
         [](TStyleMemo*) { Input::PressKey(VK_DOWN); }},
        {"OnKeyPress", [](TStyleMemo* M, Go G) { M->OnKeyPress = [G](TObject*, char&) { G(); }; },
         [](TStyleMemo*) { Input::TypeText("x"); }},
        {"OnKeyUp", [](TStyleMemo* M, Go G) { M->OnKeyUp = [G](TObject*, Word&, TShiftState) { G(); }; },
         [](TStyleMemo*) { Input::PressKey(VK_DOWN); }},
        {"OnMouseDown", [](TStyleMemo* M, Go G) {
             M->OnMouseDown = [G](TObject*, TMouseButton, TShiftState, int, int) { G(); };
         },
         [](TStyleMemo* M) { Press(M, 30, 5); }},
        {"OnMouseUp", [](TStyleMemo* M, Go G) {
             M->OnMouseUp = [G](TObject*, TMouseButton, TShiftState, int, int) { G(); };
         },
         [](TStyleMemo* M) { Press(M, 30, 5); }},
        {"OnDblClick", [](TStyleMemo* M, Go G) { M->OnDblClick = [G](TObject*) { G(); }; },
         [](TStyleMemo* M) { Press(M, 30, 5, 2); }},
        {"OnMouseMoveSelecting", [](TStyleMemo* M, Go G) {
             M->OnMouseMove = [G](TObject*, TShiftState, int, int) { G(); };
         },
         [](TStyleMemo* M) { DragTo(M, 10, 5, 80, 40); }},
        {"ClientHearingAKey", [owner](TStyleMemo* M, Go G) { new MessageClient(owner, M, WM_KEYDOWN, G); },
         [](TStyleMemo*) { Input::PressKey(VK_DOWN); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        auto* m = new TStyleMemo(form);
        m->SetParent(form);
        m->SetBounds(0, 0, 240, 80);
        m->setUpdateMode(c.Mode);
        m->setSelText(text);
        m->setSelStart(0);
        m->setTopLine(0);
        uitest::Pump();
        m->SetFocus();
        uitest::Pump();
        TGuardPtr<TStyleMemo> alive(m);
        bool fired = false;
        c.Arm(m, [&fired, m] {
            fired = true;
            TObject::Free(m);
        });
        Input::AdvanceTime(GetDoubleClickTime() + 1);  // no click makes a double click with the last case's
        c.Act(m);
        uitest::PumpUntil([&] { return fired; }, 60000);
        uitest::Pump();
        EXPECT_TRUE(fired);
        EXPECT_FALSE(alive);
        if (alive) TObject::Free(m);
    }
}

// Without a window, what an operation owed when an error left it is not raised while the error
// leaves, and comes with the next operation, even one that owes nothing itself.
TEST_F(Input_, EventsAnErrorLeftComeWithTheNextOperationWithoutAWindow)
{
    auto* m = new TStyleMemo(form);
    m->setSelText("one\r\ntwo");
    m->setSelStart(0);
    ASSERT_FALSE(m->HandleAllocated());
    int moves = 0;
    m->OnSelMove = [&moves](TObject*) { ++moves; };
    m->OnParse = [m](TObject*, Integer, Integer) {
        m->OnParse = nullptr;
        throw Exception("refused");
    };
    EXPECT_THROW(m->Lines()->Add("three"), Exception);  // moves the caret to the end first
    EXPECT_EQ(moves, 0);
    m->setAlignment(taCenter);
    EXPECT_EQ(moves, 1);
    TObject::Free(m);
}
