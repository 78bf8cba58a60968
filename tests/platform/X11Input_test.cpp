// Input from the real window system: a virtual X display, xdotool pressing keys through the
// keyboard map and moving and clicking a real pointer, into the layer's own edit and list controls.
#include <gtest/gtest.h>

#include "platform/StdCtrls.h"
#include "tests/support/UiTest.h"
#include "tests/support/X11Session.h"

namespace {

TEST(X11Input, KeysAndClicksFromTheWindowSystemReachTheControls)
{
    x11test::TDisplay display;
    if (!display.Ok())
        GTEST_SKIP() << display.Why();
    std::string out;
    EXPECT_EQ(display.RunRole("X11Input.DISABLED_Role", "keys", out), 0) << out;
}

TEST(X11Input, DISABLED_Role)
{
    ASSERT_EQ(x11test::Role(), "keys");
    auto* form = new TForm(nullptr);
    form->SetBounds(20, 20, 400, 200);
    auto* first = new TEdit(form);
    first->SetParent(form);
    first->SetBounds(10, 10, 200, 24);
    auto* second = new TEdit(form);
    second->SetParent(form);
    second->SetBounds(10, 50, 200, 24);
    ASSERT_TRUE(x11test::ShowOnScreen(form));

    // A click gives the second edit the focus; typed text arrives through the keyboard map, the
    // shifted digit and the main keyboard's asterisk included.
    ASSERT_TRUE(x11test::Click(second, 5, 5));
    EXPECT_TRUE(uitest::PumpUntil([&] { return second->Focused(); }, 60000));
    ASSERT_TRUE(x11test::Type("Ab1 *"));
    ASSERT_TRUE(x11test::Key("shift+8 BackSpace"));
    EXPECT_TRUE(uitest::PumpUntil([&] { return second->Text() == "Ab1 *"; }, 60000)) << second->Text();
    EXPECT_EQ(first->Text(), "");

    // Tab moves on to the first edit again, Shift+Home selects what was typed there.
    ASSERT_TRUE(x11test::Key("Tab"));
    EXPECT_TRUE(uitest::PumpUntil([&] { return first->Focused(); }, 60000));
    ASSERT_TRUE(x11test::Type("xyz"));
    ASSERT_TRUE(x11test::Key("shift+Home"));
    EXPECT_TRUE(uitest::PumpUntil([&] { return first->SelLength() == 3; }, 60000)) << first->SelLength();
    TObject::Free(form);
}

}  // namespace
