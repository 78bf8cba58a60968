// The memo left by the focus (a click elsewhere, SetFocus, the form's ActiveControl; Tab is typed into
// the memo) frees its form in OnExit: the change
// of focus stops there and nothing reads the form or the memo after they went (checked by the
// sanitizer).
#include <gtest/gtest.h>

#include <string>

#include "memo/Stylememo.h"
#include "platform/Forms.h"
#include "platform/Guard.h"
#include "platform/Input.h"
#include "platform/StdCtrls.h"
#include "tests/support/UiTest.h"

namespace {

TEST(MemoLeft, OnExitFreesTheForm)
{
    Application->Initialize();
    for (int way = 0; way < 3; ++way) {
        SCOPED_TRACE(way == 0 ? "a click" : way == 1 ? "ActiveControl" : "SetFocus");
        auto* form = new TForm(nullptr);
        form->SetBounds(40, 40, 400, 300);
        auto* memo = new TStyleMemo(form);
        memo->SetParent(form);
        memo->SetBounds(10, 10, 200, 120);
        memo->SetTextBuf("Some text\r\nin two lines");
        auto* other = new TEdit(form);
        other->SetParent(form);
        other->SetBounds(10, 200, 120, 24);
        form->Show();
        uitest::Pump();
        memo->SetFocus();
        uitest::Pump();
        ASSERT_TRUE(memo->Focused());
        TGuardPtr<TForm> alive(form);
        int exits = 0;
        bool entered = false;
        memo->OnExit = [&](TObject*) {
            ++exits;
            TObject::Free(form);
        };
        other->OnEnter = [&](TObject*) { entered = true; };
        if (way == 0) {
            Input::MouseDown(other, mbLeft, 5, 5);
            if (alive)
                Input::MouseUp(other, mbLeft, 5, 5);
        } else if (way == 1) {
            form->SetActiveControl(other);
        } else {
            other->SetFocus();
        }
        uitest::Pump();
        EXPECT_EQ(exits, 1);
        EXPECT_FALSE(alive);
        EXPECT_FALSE(entered);
        if (alive)
            TObject::Free(form);
    }
}

}  // namespace
