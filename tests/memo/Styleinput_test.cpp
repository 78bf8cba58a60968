// The memo's input: a handler of any of its events may free it, and events an error left behind
// come with the next operation.
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
