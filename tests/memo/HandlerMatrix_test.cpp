// The memo's events, each with handlers that free the memo, its form or the focused sibling, change
// its text, or raise (tests/support/HandlerMatrix.h); what is left passes the store's deep check.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MemoCheck.h"
#include "memo/Stylememo.h"
#include "memo/Stylenav.h"
#include "platform/Classes.h"
#include "tests/support/HandlerMatrix.h"

namespace {

using matrix::Focused;
using matrix::On;
using matrix::TClass;
using matrix::TStage;

// Faults the matrix finds that are still open; their cases are skipped, each with what goes wrong.
const std::vector<matrix::TKnownFault> KnownFaults = {};

// Thirty lines, a bold word in the first and a word with a context in the second.
const std::string& Text()
{
    static const std::string text = [] {
        std::string t = "plain \2bold\2 words";
        for (int i = 1; i < 30; ++i)
            t += "\r\nline " + std::to_string(i) + (i == 1 ? " gamma" : " words") + " and more";
        return t;
    }();
    return text;
}

TStyleMemo* MemoOf(TStage& S) { return S.As<TStyleMemo>(); }

TControl* Memo(TForm* Form)
{
    auto* m = static_cast<TStyleMemo*>(matrix::PlaceAt<TStyleMemo>(Form, {20, 50, 260, 130}));
    m->setSelText(Text());
    m->setSelStart(0);
    m->setTopLine(0);
    return m;
}

void ReadMemo(TStage& S)
{
    TStyleMemo* m = MemoOf(S);
    const Integer length = m->TextLen();
    EXPECT_GE(m->ParCount(), 1) << "a memo has a paragraph at least";
    EXPECT_GE(m->Lines()->Count(), 0);
    // The length counts from the anchor, backwards when negative.
    EXPECT_GE(m->SelStart(), 0);
    EXPECT_LE(m->SelStart(), length);
    EXPECT_GE(m->SelStart() + m->SelLength(), 0);
    EXPECT_LE(m->SelStart() + m->SelLength(), length);
}

void WalkMemo(TStage& S)
{
    ReadMemo(S);
    EXPECT_TRUE(memotest::DeepCheck(*MemoOf(S)));
}

// Streams read and written report their progress at every step.
matrix::TStep Progressing(matrix::TStep Arm)
{
    return [Arm](TStage& S) {
        const Integer interval = ProgressInterval;
        ProgressInterval = 0;
        S.Cleanup = [interval] { ProgressInterval = interval; };
        Arm(S);
    };
}

void Load(TStage& S)
{
    std::string text(200000, 'a');
    text += "\r\nend";
    TReadOnlyMemoryStream s(text.data(), static_cast<Int64>(text.size()));
    MemoOf(S)->LoadFromStream(&s);
}

void Save(TStage& S)
{
    TMemoryStream s;
    MemoOf(S)->SaveToStream(&s);
}

// A press in the middle of the word with a context.
void PressContext(TStage& S)
{
    TStyleMemo* m = MemoOf(S);
    const auto gamma = static_cast<Integer>(Text().find("gamma")) + 2;
    TPoint p;
    {
        TStyleNavigator n(m);
        n.SetPos(gamma);
        p = n.GetDisplayPos();
    }
    S.PressAt({p.X, p.Y + m->RowHeight() / 2});
}

matrix::TStep Keys(std::vector<std::pair<Word, TShiftState>> Keys)
{
    return [Keys](TStage& S) {
        for (const auto& [k, shift] : Keys)
            S.Key(k, shift);
    };
}

std::vector<matrix::TEvent> MemoEvents()
{
    auto change = matrix::Hang(&TStyleMemo::OnChange);
    return {
        {"OnChange, typed", Focused(change), [](TStage& S) { S.Type("x"); }},
        On<&TStyleMemo::OnChange>("OnChange, set", [](TStage& S) { MemoOf(S)->setSelText("abc"); }),
        On<&TStyleMemo::OnChange>("OnChange, lines", [](TStage& S) { MemoOf(S)->Lines()->Add("more"); }),
        {"OnChange, undone", Focused([change](TStage& S) {
             MemoOf(S)->setSelText("abc");
             change(S);
         }),
         Keys({{'Z', ssCtrl}})},
        {"OnChange, cut", Focused([change](TStage& S) {
             MemoOf(S)->setSelLength(5);
             change(S);
         }),
         Keys({{'X', ssCtrl}})},
        {"OnBeforeChange", Focused(matrix::Hang(&TStyleMemo::OnBeforeChange)), [](TStage& S) { S.Type("x"); }},
        {"OnParse", Focused(matrix::Hang(&TStyleMemo::OnParse)),
         [](TStage& S) {
             S.Type("x");
             S.Key(VK_RETURN);
         }},
        {"OnSelMove, Down", Focused(matrix::Hang(&TStyleMemo::OnSelMove)), Keys({{VK_DOWN, 0}})},
        On<&TStyleMemo::OnSelMove>("OnSelMove, pressed",
                                   [](TStage& S) { S.PressAt({30, 3 * MemoOf(S)->RowHeight() / 2}); }),
        // The caret goes into the bold word.
        {"OnStyleChange", Focused(matrix::Hang(&TStyleMemo::OnStyleChange)),
         Keys({{VK_RIGHT, ssCtrl}, {VK_RIGHT, 0}, {VK_RIGHT, 0}})},
        {"OnVScroll, Page Down", Focused(matrix::Hang(&TStyleMemo::OnVScroll)), Keys({{VK_NEXT, 0}})},
        {"OnVScroll, appended",
         [](TStage& S) {
             MemoOf(S)->setSelStart(MemoOf(S)->TextLen());
             MemoOf(S)->ScrollInView();
             matrix::Hang(&TStyleMemo::OnVScroll)(S);
         },
         [](TStage& S) { MemoOf(S)->setSelText("\r\nappended"); }},
        On<&TStyleMemo::OnVScroll>("OnVScroll, wheel", [](TStage& S) { S.Wheel(-240); }),
        On<&TStyleMemo::OnVScroll>("OnVScroll, message",
                                   [](TStage& S) { SendMessage(MemoOf(S)->Handle(), WM_VSCROLL, SB_LINEDOWN, 0); }),
        {"OnHScroll",
         [](TStage& S) {
             MemoOf(S)->setWordWrap(false);
             matrix::Hang(&TStyleMemo::OnHScroll)(S);
         },
         [](TStage& S) { SendMessage(MemoOf(S)->Handle(), WM_HSCROLL, SB_PAGERIGHT, 0); }},
        {"OnProgress, loading", Progressing(matrix::Hang(&TStyleMemo::OnProgress)), Load},
        // Twenty thousand lines: what a save goes on with after the handler is far past what is left.
        {"OnProgress, saving", Progressing([](TStage& S) {
             std::string text;
             for (int i = 0; i < 20000; ++i)
                 text += "line " + std::to_string(i) + "\r\n";
             TReadOnlyMemoryStream s(text.data(), static_cast<Int64>(text.size()));
             MemoOf(S)->LoadFromStream(&s);
             matrix::Hang(&TStyleMemo::OnProgress)(S);
         }),
         Save},
        {"OnProgress, formatting in the background",
         [](TStage& S) {
             MemoOf(S)->setUpdateMode(umBackground);
             matrix::Hang(&TStyleMemo::OnProgress)(S);
         },
         [](TStage& S) {
             MemoOf(S)->Reformat();
             S.Pump();
         }},
        {"OnContext",
         [](TStage& S) {
             const auto gamma = static_cast<Integer>(Text().find("gamma"));
             MemoOf(S)->SetDynStyle(gamma, gamma + 5, 0, false, 42, crHandPoint, 0, 0);
             matrix::Hang(&TStyleMemo::OnContext)(S);
         },
         PressContext},
        On<&TStyleMemo::OnAfterMouseDown>("OnAfterMouseDown", [](TStage& S) { S.PressAt({30, 5}); }),
    };
}

std::vector<TClass> Classes()
{
    TClass memo{"TStyleMemo",
             Memo,
             MemoEvents(),
             {{"replaces the text",
               [](TStage& S) {
                   MemoOf(S)->SelectAll();
                   MemoOf(S)->setSelText("short");
               }},
              {"clears the text", [](TStage& S) { MemoOf(S)->Clear(); }},
              {"deletes the first line, adds at the end",
               [](TStage& S) {
                   TStyleMemo* m = MemoOf(S);
                   m->Lines()->Delete(0);
                   m->setSelStart(m->TextLen());
                   m->setSelText("x");
               }}},
             ReadMemo,
             WalkMemo};
    // The memo turns the wheel into scrolling itself.
    memo.Without = {"OnMouseWheel"};
    return {memo};
}

TEST(HandlerMatrixTable, HasARowForEveryControlClassOfTheLayer)
{
    matrix::ExpectARowForEveryClass("memo", Classes());
}

MORVIK_HANDLER_MATRIX(Memo, Classes(), KnownFaults);

}  // namespace
