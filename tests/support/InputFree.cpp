#include "tests/support/InputFree.h"

#include <vector>

#include "platform/Guard.h"
#include "platform/Input.h"
#include "platform/StdCtrls.h"
#include "tests/support/UiTest.h"

namespace inputfree {

namespace {

// A free spot of the form, away from the edit and the control.
constexpr TPoint kAway{250, 20};

struct TStage {
    TForm* Form = nullptr;
    TEdit* Edit = nullptr;
    TControl* Control = nullptr;
    TGuardPtr<TForm> F;
    TGuardPtr<TControl> C;
    TGuardPtr<TWinControl> E;
    bool Ran = false;
    TPoint At, OnForm;

    void FreeControl()
    {
        Ran = true;
        TObject::Free(C.Get());
    }
    void FreeForm()
    {
        Ran = true;
        TObject::Free(F.Get());
    }
    void FreeEdit()
    {
        Ran = true;
        TObject::Free(E.Get());
    }
    TWinControl* Windowed() const { return dynamic_cast<TWinControl*>(Control); }
    void Press(TMouseButton Button)
    {
        Input::MouseDown(Control, Button, At.X, At.Y);
        if (F)
            Input::MouseUp(Form, Button, OnForm.X, OnForm.Y);
    }
    void Focus()
    {
        Windowed()->SetFocus();
        uitest::Pump();
    }
};

enum TFreed { fControl, fForm, fEdit };
enum TRaised { rAlways, rMaybe, rWhenPressed, rWhenTabStop };

struct TCase {
    const char* Name;
    TFreed Freed;
    TRaised Raised;
    std::function<void(TStage&)> Arm;
    std::function<void(TStage&)> Drive;
};

bool Focusable(TStage& S) { return S.Windowed() && S.Windowed()->CanFocus(); }

const std::vector<TCase>& Cases()
{
    static const std::vector<TCase> cases{
        {"OnMouseDown, left", fControl, rAlways,
         [](TStage& S) { S.Control->OnMouseDown = [&S](TObject*, TMouseButton, TShiftState, int, int) { S.FreeControl(); }; },
         [](TStage& S) { S.Press(mbLeft); }},
        {"OnMouseDown, right", fControl, rAlways,
         [](TStage& S) { S.Control->OnMouseDown = [&S](TObject*, TMouseButton, TShiftState, int, int) { S.FreeControl(); }; },
         [](TStage& S) { S.Press(mbRight); }},
        {"OnMouseUp, left", fControl, rMaybe,
         [](TStage& S) { S.Control->OnMouseUp = [&S](TObject*, TMouseButton, TShiftState, int, int) { S.FreeControl(); }; },
         [](TStage& S) { S.Press(mbLeft); }},
        {"OnMouseUp, right", fControl, rAlways,
         [](TStage& S) { S.Control->OnMouseUp = [&S](TObject*, TMouseButton, TShiftState, int, int) { S.FreeControl(); }; },
         [](TStage& S) { S.Press(mbRight); }},
        {"OnClick", fControl, rMaybe, [](TStage& S) { S.Control->OnClick = [&S](TObject*) { S.FreeControl(); }; },
         [](TStage& S) { S.Press(mbLeft); }},
        {"OnDblClick", fControl, rMaybe, [](TStage& S) { S.Control->OnDblClick = [&S](TObject*) { S.FreeControl(); }; },
         [](TStage& S) {
             S.Press(mbLeft);
             Input::AdvanceTime(50);
             if (S.C)
                 S.Press(mbLeft);
         }},
        {"OnMouseMove", fControl, rAlways,
         [](TStage& S) { S.Control->OnMouseMove = [&S](TObject*, TShiftState, int, int) { S.FreeControl(); }; },
         [](TStage& S) { Input::MouseMove(S.Control, S.At.X, S.At.Y); }},
        {"OnMouseEnter", fControl, rAlways,
         [](TStage& S) { S.Control->OnMouseEnter = [&S](TObject*) { S.FreeControl(); }; },
         [](TStage& S) { Input::MouseMove(S.Control, S.At.X, S.At.Y); }},
        {"OnMouseLeave", fControl, rAlways,
         [](TStage& S) {
             Input::MouseMove(S.Control, S.At.X, S.At.Y);
             S.Control->OnMouseLeave = [&S](TObject*) { S.FreeControl(); };
         },
         [](TStage& S) { Input::MouseMove(S.Form, kAway.X, kAway.Y); }},
        {"OnMouseWheel", fControl, rMaybe,
         [](TStage& S) {
             if (TWinControl* w = S.Windowed())
                 w->OnMouseWheel = [&S](TObject*, TShiftState, int, const TPoint&, bool&) { S.FreeControl(); };
         },
         [](TStage& S) { Input::Wheel(S.Control, -120, S.At.X, S.At.Y); }},
        {"OnKeyDown", fControl, rMaybe,
         [](TStage& S) {
             if (Focusable(S)) {
                 S.Focus();
                 S.Windowed()->OnKeyDown = [&S](TObject*, Word&, TShiftState) { S.FreeControl(); };
             }
         },
         [](TStage&) { Input::PressKey(VK_DOWN); }},
        {"OnKeyPress", fControl, rMaybe,
         [](TStage& S) {
             if (Focusable(S)) {
                 S.Focus();
                 S.Windowed()->OnKeyPress = [&S](TObject*, char&) { S.FreeControl(); };
             }
         },
         [](TStage&) { Input::TypeText("a"); }},
        {"OnEnter, pressed", fControl, rWhenPressed,
         [](TStage& S) { S.Windowed()->OnEnter = [&S](TObject*) { S.FreeControl(); }; },
         [](TStage& S) { S.Press(mbLeft); }},
        {"OnEnter freeing the form, pressed", fForm, rWhenPressed,
         [](TStage& S) { S.Windowed()->OnEnter = [&S](TObject*) { S.FreeForm(); }; },
         [](TStage& S) { S.Press(mbLeft); }},
        {"the edit's OnExit, pressed", fControl, rWhenPressed,
         [](TStage& S) { S.Edit->OnExit = [&S](TObject*) { S.FreeControl(); }; },
         [](TStage& S) { S.Press(mbLeft); }},
        {"the edit's OnExit freeing the edit, pressed", fEdit, rWhenPressed,
         [](TStage& S) { S.Edit->OnExit = [&S](TObject*) { S.FreeEdit(); }; },
         [](TStage& S) { S.Press(mbLeft); }},
        {"OnEnter, tabbed to", fControl, rWhenTabStop,
         [](TStage& S) { S.Windowed()->OnEnter = [&S](TObject*) { S.FreeControl(); }; },
         [](TStage&) { Input::PressKey(VK_TAB); }},
        {"OnEnter freeing the form, tabbed to", fForm, rWhenTabStop,
         [](TStage& S) { S.Windowed()->OnEnter = [&S](TObject*) { S.FreeForm(); }; },
         [](TStage&) { Input::PressKey(VK_TAB); }},
        {"the edit's OnExit, tabbed to", fControl, rWhenTabStop,
         [](TStage& S) { S.Edit->OnExit = [&S](TObject*) { S.FreeControl(); }; },
         [](TStage&) { Input::PressKey(VK_TAB); }},
        {"the edit's OnExit freeing the edit, tabbed to", fEdit, rWhenTabStop,
         [](TStage& S) { S.Edit->OnExit = [&S](TObject*) { S.FreeEdit(); }; },
         [](TStage&) { Input::PressKey(VK_TAB); }},
        {"OnKeyUp", fControl, rMaybe,
         [](TStage& S) {
             if (Focusable(S)) {
                 S.Focus();
                 S.Windowed()->OnKeyUp = [&S](TObject*, Word&, TShiftState) { S.FreeControl(); };
             }
         },
         [](TStage&) { Input::PressKey(VK_SPACE); }},
    };
    return cases;
}

void Run(const TRow& Row, const TCase& Case)
{
    SCOPED_TRACE(Case.Name);
    Input::AdvanceTime(GetDoubleClickTime() + 1);
    TStage s;
    s.Form = new TForm(nullptr);
    s.Form->SetBounds(100, 100, 320, 200);
    s.Edit = new TEdit(s.Form);
    s.Edit->SetParent(s.Form);
    s.Edit->SetBounds(20, 10, 120, 22);
    s.Control = Row.Make(s.Form);
    s.Form->Show();
    Input::MouseMove(s.Form, kAway.X, kAway.Y);
    uitest::Pump();
    s.Edit->SetFocus();
    uitest::Pump();
    ASSERT_TRUE(s.Edit->Focused());
    s.F = s.Form;
    s.C = s.Control;
    s.E = s.Edit;
    s.At = {Row.FromRight ? s.Control->Width() - Row.FromRight : s.Control->Width() / 2, s.Control->Height() / 2};
    s.OnForm = {s.Control->Left() + s.At.X, s.Control->Top() + s.At.Y};
    TWinControl* windowed = s.Windowed();
    const bool raised = Case.Raised == rAlways ||
                        (Case.Raised == rWhenPressed && windowed && Row.Pressed) ||
                        (Case.Raised == rWhenTabStop && windowed && windowed->TabStop());
    if (Case.Raised != rMaybe && !raised)
        return TObject::Free(s.Form);
    const int count = s.Form->ControlCount();
    // Menus that the input opens (a context menu, a combo box's list) close at once.
    uitest::AnswerAllDialogs([](TObject*) { return 0; });
    Case.Arm(s);
    Case.Drive(s);
    uitest::Pump();
    uitest::ClearDialogAnswers();
    if (raised) {
        EXPECT_TRUE(s.Ran) << "the handler did not run";
    }
    if (!s.Ran) {
        EXPECT_TRUE(s.C && s.E);
        TObject::Free(s.F.Get());
        return;
    }
    // With the form gone there is nothing left to look at (under the sanitizer, nothing was read
    // after it went).
    if (Case.Freed == fForm)
        return;
    ASSERT_TRUE(s.F);
    EXPECT_EQ(s.Form->ControlCount(), count - 1);
    if (Case.Freed == fEdit) {
        ASSERT_TRUE(s.C);
        // The focus went on to where it was sent.
        EXPECT_EQ(s.Form->ActiveControl(), windowed);
    } else {
        ASSERT_TRUE(s.E);
        s.Edit->OnExit = nullptr;
        // What is left still works: a click puts the focus back in the edit.
        if (!s.Edit->Focused())
            Input::Click(s.Edit, 5, 5);
        uitest::Pump();
        EXPECT_TRUE(s.Edit->Focused());
    }
    TObject::Free(s.Form);
    uitest::Pump();
}

}  // namespace

void ExpectHandlersMayFreeIt(const TRow& Row)
{
    for (const TCase& c : Cases())
        Run(Row, c);
}

}  // namespace inputfree
