// Handlers of a focus change that free the form the change happens on: the edit the focus leaves
// frees its form in OnExit, whichever way the focus goes (a click, Tab, SetFocus from code); the
// change stops there, and nothing reads the form after it went (checked by the sanitizer).
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/Guard.h"
#include "platform/Input.h"
#include "platform/StdCtrls.h"
#include "tests/support/UiTest.h"

namespace {

struct TWay {
    const char* Name;
    std::function<void(TEdit* To)> Move;
};

TEST(FocusFreesTheForm, TheEditLeftFreesItsFormInOnExit)
{
    Application->Initialize();
    const TWay ways[] = {
        {"a click",
         [](TEdit* To) {
             TGuardPtr<TEdit> to(To);
             Input::MouseDown(To, mbLeft, 5, 5);
             if (to)
                 Input::MouseUp(To, mbLeft, 5, 5);
         }},
        {"Tab", [](TEdit*) { Input::PressKey(VK_TAB); }},
        {"SetFocus", [](TEdit* To) { To->SetFocus(); }},
        {"the form's ActiveControl", [](TEdit* To) { GetParentForm(To)->SetActiveControl(To); }},
    };
    for (const TWay& way : ways) {
        SCOPED_TRACE(way.Name);
        auto* form = new TForm(nullptr);
        form->SetBounds(100, 100, 320, 200);
        auto* panel = new TPanel(form);
        panel->SetParent(form);
        panel->SetBounds(0, 0, 320, 100);
        auto* left = new TEdit(form);
        left->SetParent(panel);
        left->SetBounds(20, 10, 120, 22);
        auto* right = new TEdit(form);
        right->SetParent(form);
        right->SetBounds(20, 120, 120, 22);
        form->Show();
        uitest::Pump();
        left->SetFocus();
        uitest::Pump();
        ASSERT_TRUE(left->Focused());
        TGuardPtr<TForm> alive(form);
        int exits = 0;
        bool entered = false;
        left->OnExit = [&](TObject*) {
            ++exits;
            TObject::Free(form);
        };
        right->OnEnter = [&](TObject*) { entered = true; };
        way.Move(right);
        uitest::Pump();
        EXPECT_EQ(exits, 1);
        EXPECT_FALSE(alive);
        EXPECT_FALSE(entered);
        if (alive)
            TObject::Free(form);
    }
}

}  // namespace
