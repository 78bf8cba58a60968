// The memo's keyboard: caret moves, editing and hot keys, a read-only memo and a viewer, driven
// through the toolkit's own key events and the platform's message path.
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
#include "tests/memo/MemoForm.h"
#include "tests/support/UiTest.h"

using memotest::Input_;
using memotest::PopupCommand;

namespace {

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
    // Styles on and off again keep the chosen text selected, the caret on its side: inside, nested, at a paragraph end.
    const struct { Integer from, length; const char* keys; std::string chosen; } styled[] = {
        {4, 3, "BB", "two"}, {4, 3, "BIB", "\1two\1"}, {13, -5, "BB", "three"}};
    for (const auto& c : styled) {
        Load("one two three\r\nfour", c.from);
        memo->setSelLength(c.length);
        for (const char* k = c.keys; *k != 0; ++k) Input::PressKey(static_cast<Word>(*k), ssCtrl);
        EXPECT_EQ(memo->SelText() + "|" + std::to_string(memo->SelStart()), c.chosen + "|" + std::to_string(c.from));
    }
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
}  // namespace
