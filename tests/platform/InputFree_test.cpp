// The standard controls, freed (or their form, or the control the focus leaves) by a handler of any
// input event while that input goes on.
#include <gtest/gtest.h>

#include <string>

#include "platform/Buttons.h"
#include "platform/Guard.h"
#include "platform/Input.h"
#include "platform/ComCtrls.h"
#include "platform/Controls.h"
#include "platform/ExtCtrls.h"
#include "platform/StdCtrls.h"
#include "tests/support/InputFree.h"
#include "tests/support/UiTest.h"

namespace {

using inputfree::Row;

class InputHandlers : public ::testing::TestWithParam<inputfree::TRow> {};

TEST_P(InputHandlers, MayFreeTheControlItsFormOrTheControlTheFocusLeaves)
{
    inputfree::ExpectHandlersMayFreeIt(GetParam());
}

inputfree::TRow Combo(const char* Name, TComboBoxStyle Style)
{
    return {Name, [Style](TForm* Form) {
                auto* c = new TComboBox(Form);
                c->SetParent(Form);
                c->SetStyle(Style);
                c->SetBounds(20, 50, 160, 24);
                c->Items()->Add("one");
                c->Items()->Add("two");
                return static_cast<TControl*>(c);
            },
            true, 8};
}

INSTANTIATE_TEST_SUITE_P(Platform, InputHandlers,
                         ::testing::Values(Row<TButton>("TButton"), Row<TEdit>("TEdit"), Row<TMemo>("TMemo"),
                                           Row<TListBox>("TListBox"), Combo("TComboBox", csDropDown),
                                           Combo("TComboBoxDropDownList", csDropDownList),
                                           Row<TUpDown>("TUpDown", false),
                                           Row<TPanel>("TPanel", false), Row<TLabel>("TLabel", false),
                                           Row<TSpeedButton>("TSpeedButton", false),
                                           Row<TPaintBox>("TPaintBox", false), Row<TSplitter>("TSplitter", false),
                                           Row<TStatusBar>("TStatusBar", false)),
                         inputfree::RowName);

}  // namespace

// The up-down's own events, and its associated edit's change, run on the press and again on every
// repeat of a held press; each may free it.
TEST(UpDownHandlers, MayFreeItOnAPressAndOnTheRepeatOfAHeldPress)
{
    auto* form = new TForm(nullptr);
    form->SetBounds(100, 100, 200, 100);
    form->Show();
    for (int way = 0; way < 4; ++way) {
        SCOPED_TRACE(way);
        auto* edit = new TEdit(form);
        edit->SetParent(form);
        edit->SetBounds(10, 10, 40, 20);
        auto* u = new TUpDown(form);
        u->SetParent(form);
        u->SetBounds(50, 10, 15, 20);
        u->SetAssociate(edit);
        uitest::Pump();
        TGuardPtr<TUpDown> g(u);
        int steps = 0;
        // The last way frees it on the first repeat.
        const int freeAt = way == 3 ? 2 : 1;
        auto step = [&] {
            if (++steps == freeAt)
                TObject::Free(g.Get());
        };
        switch (way) {
        case 0: u->OnChanging = [&](TObject*, bool&) { step(); }; break;
        case 1: edit->OnChange = [&](TObject*) { step(); }; break;
        default: u->OnClick = [&](TObject*, TUDBtnType) { step(); }; break;
        }
        Input::MouseDown(u, mbLeft, 7, 3);
        EXPECT_TRUE(uitest::PumpUntil([&] { return !g; }, 60000));
        Input::MouseUp(form, mbLeft, 57, 13);
        EXPECT_EQ(steps, freeAt);
        // Freed while it asked whether it may change, it did not; else it stepped as often as it ran.
        EXPECT_EQ(edit->Text(), way == 0 ? "0" : std::to_string(freeAt));
        edit->OnChange = nullptr;
        TObject::Free(edit);
    }
    TObject::Free(form);
    uitest::Pump();
}

// A drag of a splitter asks whether the size may change and resizes the control beside it as it
// goes (rsUpdate) or at the release; each of those handlers may free the splitter.
TEST(SplitterHandlers, MayFreeItWhileItIsDragged)
{
    auto* form = new TForm(nullptr);
    form->SetBounds(100, 100, 300, 200);
    form->Show();
    for (int way = 0; way < 4; ++way) {
        SCOPED_TRACE(way);
        auto* left = new TPanel(form);
        left->SetParent(form);
        left->SetBounds(0, 0, 100, 100);
        left->SetAlign(alLeft);
        auto* s = new TSplitter(form);
        s->SetParent(form);
        s->SetBounds(100, 0, 4, 100);
        s->SetAlign(alLeft);
        s->ResizeStyle = way % 2 == 0 ? rsUpdate : rsPattern;
        uitest::Pump();
        TGuardPtr<TSplitter> g(s);
        if (way < 2)
            s->OnCanResize = [&g](TObject*, int&, bool&) { TObject::Free(g.Get()); };
        else
            left->OnResize = [&g](TObject*) { TObject::Free(g.Get()); };
        const int x = s->Left() + 2;
        Input::MouseDown(s, mbLeft, 2, 50);
        for (int i = 1; i <= 4 && g; ++i)
            Input::MouseMove(form, x + 10 * i, 50, ssLeft);
        Input::MouseUp(form, mbLeft, x + 40, 50);
        uitest::Pump();
        EXPECT_FALSE(g);
        left->OnResize = nullptr;
        // Resized while the size could still change: to where the mouse was then.
        EXPECT_EQ(left->Width(), way == 2 ? 110 : way == 3 ? 140 : 100);
        TObject::Free(left);
    }
    TObject::Free(form);
    uitest::Pump();
}
