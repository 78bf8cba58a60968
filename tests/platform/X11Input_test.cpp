// Input from the real window system: a virtual X display, xdotool pressing keys through the
// keyboard map and moving and clicking a real pointer, into the layer's own edit and list controls.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Menus.h"
#include "platform/StdCtrls.h"
#include "tests/platform/LayoutForm.h"
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

    // Alt with something between its press and release that reaches no window here (a click or a
    // key another program takes, a button held elsewhere, a dead key the input method keeps)
    // leaves the menu bar alone: what is typed next reaches the edit whole and runs no command.
    auto* menu = new TMainMenu(form);
    TMenuItem* file = AddItem(form, menu->Items(), "&File");
    int ran = 0;
    AddItem(form, file, "E&xit")->OnClick = [&](TObject*) { ++ran; };
    form->SetMenu(menu);
    uitest::Pump();
    ASSERT_TRUE(x11test::ActAsWindowManager());
    ASSERT_EQ(x11test::RunHere({"/usr/bin/setxkbmap", "-layout", "us", "-variant", "intl"}), 0);
    const TPoint over = x11test::ScreenPoint(second, 5, 5);
    const struct {
        const char* name;
        std::vector<std::vector<std::string>> keys;
        std::string text, typed;
    } rows[] = {
        {"Alt+click over the form", {{"keydown", "alt"}, {"mousemove", std::to_string(over.X), std::to_string(over.Y)}, {"click", "1"}, {"keyup", "alt"}}, "fixed", "fixed"},
        {"Alt+Tab", {{"keydown", "alt"}, {"key", "Tab"}, {"keyup", "alt"}}, "fixed", "fixed"},
        // The walk ends when another program takes the keyboard.
        {"the walk, then Alt+Tab", {{"key", "alt"}, {"key", "alt+Tab"}}, "fixed", "fixed"},
        {"Alt tapped with a button held elsewhere", {{"mousemove", "900", "700"}, {"mousedown", "1"}, {"key", "alt"}, {"mouseup", "1"}}, "fixed", "fixed"},
        // The acute accent waits for its letter: "a" makes it whole.
        {"Alt+dead key", {{"keydown", "alt"}, {"keydown", "dead_acute"}, {"keyup", "alt"}, {"keyup", "dead_acute"}}, "afixed", "\xE1" "fixed"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        first->SetText("");
        first->SetFocus();
        bool done = true;
        for (const auto& keys : row.keys) done = done && x11test::Xdo(keys);
        ASSERT_TRUE(done && x11test::Type(row.text));
        uitest::PumpUntil([&] { return first->Text().find("fixed") != std::string::npos; }, 60000);
        EXPECT_EQ(first->Text(), row.typed);
        EXPECT_FALSE(MenuShown());
        CloseMenus();
    }
    EXPECT_EQ(ran, 0);

    // After Escape from a menu opened by its letter, the keys walk the bar whole, Enter too, until a
    // letter of no title gives them back.
    ASSERT_TRUE(x11test::Key("alt+f Escape z Return"));
    uitest::Pump();
    EXPECT_FALSE(MenuShown());
    CloseMenus();

    // Behind a modal dialog the form takes no click: its menu bar opens nothing.
    bool opened = true;
    SetModalHook([&](TObject*, int& answer) {
        SetModalHook(nullptr);
        opened = !x11test::Click(form, 12, -8) || (uitest::Pump(), MenuShown());
        CloseMenus();
        answer = mrOk;
        return true;
    });
    auto* dialog = new TForm(form);
    dialog->SetBounds(500, 300, 200, 100);
    EXPECT_EQ(dialog->ShowModal(), mrOk);
    EXPECT_FALSE(opened);
    EXPECT_EQ(ran, 0);

    // With a layout of another script active (Russian first, as a Russian desktop starts), a letter
    // key is known by the Latin letter at its place while it types its own: Alt and the key of F
    // open File on its first item, which Enter runs.
    ASSERT_EQ(x11test::RunHere({"/usr/bin/setxkbmap", "-layout", "ru,us"}), 0);
    Word altKey = 0;
    first->OnKeyDown = [&](TObject*, Word& key, TShiftState shift) { altKey = shift & ssAlt ? key : altKey; };
    first->Font()->SetCharset(RUSSIAN_CHARSET);
    first->SetText("");
    first->SetFocus();
    // The letter after Enter waits for the menu to close, as one typed ahead would go to the menu.
    ASSERT_TRUE(x11test::Key("alt+Cyrillic_a Return"));
    EXPECT_TRUE(uitest::PumpUntil([&] { return ran == 1 && !MenuShown(); }, 60000));
    ASSERT_TRUE(x11test::Key("Cyrillic_a"));
    EXPECT_TRUE(uitest::PumpUntil([&] { return first->Text() != ""; }, 60000));
    EXPECT_EQ(altKey, 'F');
    EXPECT_EQ(first->Text(), "\xE0");  // the Cyrillic a
    TObject::Free(form);
}

}  // namespace
