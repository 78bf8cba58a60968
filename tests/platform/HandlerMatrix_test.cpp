// The standard controls' events, each with handlers that free the control, its form or the focused
// sibling, change the control's contents, or raise (tests/support/HandlerMatrix.h).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Buttons.h"
#include "platform/ComCtrls.h"
#include "platform/ExtCtrls.h"
#include "platform/StdCtrls.h"
#include "tests/support/HandlerMatrix.h"
#include "tests/support/UiTest.h"

namespace {

using matrix::TChange;
using matrix::TClass;
using matrix::TEvent;
using matrix::TStage;

// Faults the matrix finds that are still open; their cases are skipped, each with what goes wrong.
const std::vector<matrix::TKnownFault> KnownFaults = {};

template <class T>
T* OnForm(TStage& S)
{
    for (int i = 0; i < S.Form->ControlCount(); ++i)
        if (auto* t = dynamic_cast<T*>(S.Form->Controls(i)); t && t != S.Control && t != S.Sibling)
            return t;
    return nullptr;
}

TChange ClearCaption() { return {"clears the caption", [](TStage& S) { S.Control->SetCaption(""); }}; }

void ReadCaption(TStage& S) { EXPECT_LE(S.Control->Caption().size(), 64u); }

// The up-down beside the edit it writes its position into.
TControl* UpDown(TForm* Form)
{
    auto* edit = new TEdit(Form);
    edit->SetParent(Form);
    edit->SetBounds(20, 50, 60, 22);
    auto* u = static_cast<TUpDown*>(matrix::PlaceAt<TUpDown>(Form, {80, 50, 96, 72}));
    u->SetAssociate(edit);
    return u;
}

void ReadUpDown(TStage& S)
{
    auto* u = S.As<TUpDown>();
    EXPECT_GE(u->Position(), u->Min());
    EXPECT_LE(u->Position(), u->Max());
    if (TWinControl* a = u->Associate()) {
        EXPECT_EQ(a, OnForm<TEdit>(S));
    }
}

// A press on the up-down's upper arrow; held, it repeats.
void PressUp(TStage& S) { S.PressAt({S.AimPoint.X, 3}); }

void HoldUp(TStage& S)
{
    S.Down({S.AimPoint.X, 3});
    S.WaitForCall();
    S.Up({S.AimPoint.X, 3});
}

// The splitter between a left-aligned panel and the rest of a panel of its own.
TControl* Splitter(TForm* Form, TResizeStyle Style)
{
    auto* box = static_cast<TPanel*>(matrix::PlaceAt<TPanel>(Form, {20, 50, 320, 250}));
    auto* left = new TPanel(Form);
    left->SetParent(box);
    left->SetBounds(0, 0, 100, 100);
    left->SetAlign(alLeft);
    auto* s = new TSplitter(Form);
    s->SetParent(box);
    s->SetBounds(100, 0, 4, 100);
    s->SetAlign(alLeft);
    s->ResizeStyle = Style;
    return s;
}

void DragSplitter(TStage& S)
{
    S.Down(S.AimPoint);
    for (int i = 1; i <= 4; ++i)
        S.Move({S.AimPoint.X + 10 * i, S.AimPoint.Y}, ssLeft);
    S.Up({S.AimPoint.X + 40, S.AimPoint.Y});
}

std::vector<TEvent> SplitterEvents()
{
    auto resized = [](TStage& S) -> TControl* {
        auto* s = S.As<TSplitter>();
        return s->Parent()->Controls(0);
    };
    return {
        matrix::On<&TSplitter::OnCanResize>("OnCanResize", DragSplitter),
        matrix::On<&TSplitter::OnMoved>("OnMoved", DragSplitter),
        {"the resized panel's OnResize", [resized](TStage& S) { resized(S)->OnResize = S.Handler(); }, DragSplitter},
    };
}

TClass Splitter(const char* Name, TResizeStyle Style)
{
    return {Name, [Style](TForm* Form) { return Splitter(Form, Style); }, SplitterEvents(),
            {{"frees the control it resizes", [](TStage& S) { TObject::Free(S.Control->Parent()->Controls(0)); }}}};
}

std::vector<TClass> Classes()
{
    TClass button{"TButton", matrix::Place<TButton>,
                  {{"OnClick, Space", [](TStage& S) {
                        S.Focus();
                        matrix::Hang(&TControl::OnClick)(S);
                    },
                    [](TStage& S) { S.Key(VK_SPACE); }}},
                  {ClearCaption()}, ReadCaption};
    button.Without = {"OnDblClick"};
    TClass upDown{"TUpDown", UpDown,
                  {{"OnClick, arrow", matrix::Hang(&TCustomUpDown::OnClick), PressUp},
                   {"OnClick, held", matrix::HangSecond<&TCustomUpDown::OnClick>, HoldUp},
                   matrix::On<&TCustomUpDown::OnChanging>("OnChanging", PressUp),
                   {"OnChanging, held", matrix::HangSecond<&TCustomUpDown::OnChanging>, HoldUp},
                   {"OnChanging, Up in the associate",
                    [](TStage& S) {
                        OnForm<TEdit>(S)->SetFocus();
                        matrix::Hang(&TCustomUpDown::OnChanging)(S);
                    },
                    [](TStage& S) { S.Key(VK_UP); }},
                   {"the associate's OnChange", [](TStage& S) { OnForm<TEdit>(S)->OnChange = S.Handler(); }, PressUp}},
                  {{"frees its associate", [](TStage& S) { TObject::Free(OnForm<TEdit>(S)); }}},
                  ReadUpDown,
                  ReadUpDown};
    upDown.PressTakesNoFocus = true;
    TClass panel{"TPanel",
                 [](TForm* Form) {
                     TControl* p = matrix::Place<TPanel>(Form);
                     auto* l = new TLabel(Form);
                     l->SetParent(static_cast<TPanel*>(p));
                     l->SetCaption("inside");
                     return p;
                 },
                 {},
                 {{"frees its children", [](TStage& S) {
                       auto* p = S.As<TPanel>();
                       while (p->ControlCount() > 0)
                           TObject::Free(p->Controls(0));
                   }}}};
    panel.PressTakesNoFocus = true;
    TClass speedButton{"TSpeedButton", matrix::Place<TSpeedButton>, {}, {ClearCaption()}, ReadCaption};
    // Only a button held down takes a double click.
    speedButton.Without = {"OnDblClick"};
    TClass statusBar{"TStatusBar",
                     [](TForm* Form) {
                         auto* s = static_cast<TStatusBar*>(matrix::Place<TStatusBar>(Form));
                         s->Panels()->Add()->SetText("one");
                         s->Panels()->Add()->SetText("two");
                         return s;
                     },
                     {},
                     {{"clears the panels", [](TStage& S) { S.As<TStatusBar>()->Panels()->Clear(); }}},
                     [](TStage& S) {
                         auto* s = S.As<TStatusBar>();
                         ASSERT_NE(s, nullptr);
                         for (int i = 0; i < s->Panels()->Count(); ++i)
                             EXPECT_EQ(s->Panels()->Items(i)->Index(), i);
                     }};
    statusBar.PressTakesNoFocus = true;
    return {
        button,
        matrix::EditClass<TEdit>("TEdit", {20, 50, 180, 72}),
        matrix::EditClass<TMemo>("TMemo", {20, 50, 180, 150}),
        matrix::ListBoxClass<TListBox>("TListBox", lbStandard, false, false),
        matrix::ListBoxClass<TListBox>("TListBox_MultiSelect", lbStandard, true, false),
        matrix::ListBoxClass<TListBox>("TListBox_ExtendedSelect", lbStandard, true, true),
        matrix::ListBoxClass<TListBox>("TListBox_OwnerDrawVariable", lbOwnerDrawVariable, false, false),
        matrix::ComboBoxClass<TComboBox>("TComboBox", csDropDown),
        matrix::ComboBoxClass<TComboBox>("TComboBox_DropDownList", csDropDownList),
        matrix::ComboBoxClass<TComboBox>("TComboBox_OwnerDrawVariable", csOwnerDrawVariable),
        upDown,
        panel,
        {"TLabel", matrix::Place<TLabel>, {}, {ClearCaption()}, ReadCaption},
        speedButton,
        {"TPaintBox", matrix::Place<TPaintBox>,
         {matrix::On<&TPaintBox::OnPaint>("OnPaint", [](TStage& S) { S.Control->Repaint(); })}},
        {"TBevel", matrix::Place<TBevel>},
        {"TImage", matrix::Place<TImage>},
        Splitter("TSplitter", rsPattern),
        Splitter("TSplitter_Update", rsUpdate),
        statusBar,
    };
}

// The classes a row covers only through a class made from them, and those not placed on a form.
const std::vector<std::string> kLeftOut = {"TControl",    "TGraphicControl", "TWinControl",     "TCustomControl",
                                           "TCustomEdit", "TCustomMemo",     "TCustomListBox",  "TCustomComboBox",
                                           "TCustomLabel", "TCustomPanel",   "TCustomUpDown",   "TForm",
                                           "TCustomForm", "THintWindow"};

TEST(HandlerMatrixTable, HasARowForEveryControlClassOfTheLayer)
{
    matrix::ExpectARowForEveryClass("platform", Classes(), kLeftOut);
}

MORVIK_HANDLER_MATRIX(StandardControls, Classes(), KnownFaults);

}  // namespace
