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
#include "tests/support/Settle.h"
#include "tests/support/UiTest.h"

namespace {

using matrix::TChange;
using matrix::TClass;
using matrix::TEvent;
using matrix::TStage;

// Faults the matrix finds that are still open; their cases are skipped, each with what goes wrong.
const std::vector<matrix::TKnownFault> KnownFaults = {
    {"", "OnExit", "frees the form", "the focus walk reads the form its CM_EXIT freed (platform/Forms.cpp:346)"},
};

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

TClass ListBox(const char* Name, TListBoxStyle Style, bool Multi, bool Extended)
{
    return {Name,
            [=](TForm* Form) {
                auto* l = static_cast<TListBox*>(matrix::PlaceAt<TListBox>(Form, {20, 50, 180, 250}));
                l->SetStyle(Style);
                l->SetMultiSelect(Multi);
                l->SetExtendedSelect(Extended);
                matrix::Fill(l->Items(), 12);
                return l;
            },
            matrix::ListBoxEvents(), {matrix::RefillItems()}, matrix::ReadListBox, matrix::ReadListBox};
}

TClass ComboBox(const char* Name, TComboBoxStyle Style)
{
    TClass c{Name,
             [=](TForm* Form) {
                 auto* c = static_cast<TComboBox*>(matrix::PlaceAt<TComboBox>(Form, {20, 50, 180, 74}));
                 c->SetStyle(Style);
                 matrix::Fill(c->Items(), 6);
                 return c;
             },
             matrix::ComboBoxEvents(), {matrix::RefillItems()}, matrix::ReadComboBox, matrix::ReadComboBox};
    c.FromRight = 8;
    // A press on the button drops the list, which takes the release, the second press and the
    // moves that would drag.
    c.Without = {"OnMouseUp", "OnDblClick", "OnStartDrag", "OnEndDrag"};
    return c;
}

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
    TClass edit{"TEdit",
                [](TForm* Form) {
                    TControl* e = matrix::PlaceAt<TEdit>(Form, {20, 50, 180, 72});
                    e->SetText("some text to edit");
                    return e;
                },
                matrix::EditEvents(), {matrix::ClearText()}, matrix::ReadEdit, matrix::ReadEdit};
    TClass memo{"TMemo",
                [](TForm* Form) {
                    auto* m = static_cast<TMemo*>(matrix::PlaceAt<TMemo>(Form, {20, 50, 180, 150}));
                    for (int i = 0; i < 20; ++i)
                        m->Lines()->Add("line " + std::to_string(i));
                    return m;
                },
                matrix::EditEvents(), {matrix::ClearText()}, matrix::ReadEdit, matrix::ReadEdit};
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
        edit,
        memo,
        ListBox("TListBox", lbStandard, false, false),
        ListBox("TListBox_MultiSelect", lbStandard, true, false),
        ListBox("TListBox_ExtendedSelect", lbStandard, true, true),
        ListBox("TListBox_OwnerDrawVariable", lbOwnerDrawVariable, false, false),
        ComboBox("TComboBox", csDropDown),
        ComboBox("TComboBox_DropDownList", csDropDownList),
        ComboBox("TComboBox_OwnerDrawVariable", csOwnerDrawVariable),
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
    std::vector<std::string> names = kLeftOut;
    for (const TClass& c : Classes())
        names.push_back(c.Name.substr(0, c.Name.find('_')));
    settle::ExpectARowForEveryControlClass(MORVIK_SOURCE_DIR, "platform", names);
}

class HandlerMatrix : public ::testing::TestWithParam<TClass> {};

TEST_P(HandlerMatrix, EveryEventsHandlerMayFreeOrChangeWhatRaisedItOrRaise)
{
    matrix::Drive(GetParam(), KnownFaults);
}

INSTANTIATE_TEST_SUITE_P(StandardControls, HandlerMatrix, ::testing::ValuesIn(Classes()), matrix::ClassName);

}  // namespace
