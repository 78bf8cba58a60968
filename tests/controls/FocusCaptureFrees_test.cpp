// Handlers of a change of focus or capture that free the form it happens on. The header's look-up
// editor left (a click elsewhere, Tab, SetFocus) tells OnHeaderLookupDone, which frees the form. A
// scroll bar holding the mouse (an arrow held down) loses it to another window, and its
// OnScroll(escEndScroll), raised as it hears so, frees the bar or its whole form. The change stops
// where the form went, the window that took the capture goes on, and nothing reads the freed
// windows (checked by the sanitizer).
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "controls/Exheader.h"
#include "controls/Exscrollbar.h"
#include "platform/ExtCtrls.h"
#include "platform/Guard.h"
#include "platform/Input.h"
#include "platform/StdCtrls.h"
#include "tests/support/UiTest.h"

namespace {

TEST(FocusLeavesTheLookupEditor, OnHeaderLookupDoneFreesTheForm)
{
    Application->Initialize();
    for (int way = 0; way < 3; ++way) {
        SCOPED_TRACE(way == 0 ? "a click" : way == 1 ? "Tab" : "SetFocus");
        auto* form = new TForm(nullptr);
        form->SetBounds(40, 40, 700, 300);
        form->AfterConstruction();
        auto* header = new TExHeader(form);
        header->SetParent(form);
        header->SetBounds(10, 30, 600, 20);
        auto* other = new TEdit(form);
        other->SetParent(form);
        other->SetBounds(10, 200, 120, 24);
        form->Show();
        uitest::Pump();
        for (int i = 0; i < 3; ++i) {
            TExHeaderSection* s = header->Sections()->AddSection();
            s->SetWidth(100);
            s->SetText("S" + std::to_string(i));
        }
        header->Sections()->GetSectionByPos(1)->SetLookupEnabled(true);
        other->SetFocus();
        uitest::Pump();
        // The look-up sign of the second section opens the editor, which takes the focus.
        Input::AdvanceTime(GetDoubleClickTime() + 1);
        Input::Click(header, 193, 14);
        uitest::Pump();
        ASSERT_FALSE(other->Focused());
        TGuardPtr<TForm> alive(form);
        int done = 0;
        header->OnHeaderLookupDone = [&](TObject*, TExHeaderSection*, const std::string&, bool) {
            ++done;
            TObject::Free(form);
        };
        if (way == 0) {
            Input::MouseDown(other, mbLeft, 5, 5);
            if (alive)
                Input::MouseUp(other, mbLeft, 5, 5);
        } else if (way == 1) {
            Input::PressKey(VK_TAB);
        } else {
            other->SetFocus();
        }
        uitest::Pump();
        EXPECT_EQ(done, 1);
        EXPECT_FALSE(alive);
        if (alive)
            TObject::Free(form);
    }
}

TEST(CaptureTakenAway, AHeldScrollBarFreedAsItHearsSo)
{
    Application->Initialize();
    auto* elsewhere = new TForm(nullptr);
    elsewhere->SetBounds(500, 100, 200, 200);
    auto* away = new TPanel(elsewhere);
    away->SetParent(elsewhere);
    away->SetBounds(10, 10, 100, 100);
    elsewhere->Show();
    enum TFreed { fBar, fForm };
    // Another window of the form or of another form takes it by a call, or a press in another form
    // does (a press in the same form goes to the window holding the mouse).
    enum TTaker { tCallOnTheForm, tCallElsewhere, tPressElsewhere };
    for (TFreed freed : {fBar, fForm})
        for (TTaker taker : {tCallOnTheForm, tCallElsewhere, tPressElsewhere}) {
            SCOPED_TRACE(std::to_string(int(freed)) + " " + std::to_string(int(taker)));
            auto* form = new TForm(nullptr);
            form->SetBounds(100, 100, 400, 300);
            auto* bar = new TExScrollBar(form);
            bar->SetParent(form);
            bar->SetUseSystemMetrics(false);
            bar->SetKind(sbHorizontal);
            bar->SetButtonSize(17);
            bar->SetBounds(10, 10, 200, 17);
            bar->SetPosition(50);
            bar->SetPage(10);
            auto* other = new TPanel(form);
            other->SetParent(form);
            other->SetBounds(10, 100, 100, 100);
            form->Show();
            uitest::Pump();
            TGuardPtr<TForm> formAlive(form);
            TGuardPtr<TExScrollBar> barAlive(bar);
            int ends = 0;
            // The right arrow, held.
            Input::MouseMove(bar, 191, 8);
            Input::MouseDown(bar, mbLeft, 191, 8);
            ASSERT_EQ(GetCapture(), bar->Handle());
            const HWND held = bar->Handle();
            bar->OnScroll = [&](TObject*, TExScrollCode Code, Integer&, bool&) {
                if (Code != escEndScroll)
                    return;
                ++ends;
                TObject::Free(freed == fBar ? static_cast<TObject*>(bar) : form);
            };
            if (taker == tPressElsewhere) {
                Input::MouseDown(away, mbLeft, 5, 5);
                Input::MouseUp(away, mbLeft, 5, 5);
            } else {
                // The old holder's handle comes back, read before its handler freed it.
                EXPECT_EQ(SetCapture(taker == tCallOnTheForm ? other->Handle() : away->Handle()), held);
                ReleaseCapture();
            }
            uitest::Pump();
            EXPECT_EQ(ends, 1);
            EXPECT_FALSE(barAlive);
            EXPECT_EQ(bool(formAlive), freed == fBar);
            if (formAlive)
                TObject::Free(form);
            uitest::Pump();
        }
    TObject::Free(elsewhere);
}

}  // namespace
