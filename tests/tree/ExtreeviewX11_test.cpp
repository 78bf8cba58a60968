// The tree's view under the real window system: a virtual X display, xdotool pressing keys through
// the keyboard map and turning the wheel of a real pointer, into a tree on a shown form.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Forms.h"
#include "tests/support/UiTest.h"
#include "tests/support/X11Session.h"
#include "tree/Extree.h"

namespace {

// A shown tree with the focus in its view: roots "r0".."r<Roots-1>", the first with two children
// that have two children each.
struct ShownTree {
    TForm* Form = new TForm(nullptr);
    TExTree* Tree = new TExTree(Form);
    std::vector<TExTreeItem*> Roots;
    explicit ShownTree(int Roots)
    {
        Form->SetBounds(20, 20, 420, 300);
        Tree->SetParent(Form);
        Tree->SetUseXPThemes(false);
        Tree->SetBounds(10, 10, 300, 240);
        Tree->Items()->BeginUpdate();
        for (int i = 0; i < Roots; ++i) this->Roots.push_back(Tree->Items()->Add(nullptr, "r" + std::to_string(i)));
        for (int c = 0; c < 2; ++c) {
            TExTreeItem* child = Tree->Items()->AddChild(this->Roots[0], "c" + std::to_string(c));
            for (int g = 0; g < 2; ++g) Tree->Items()->AddChild(child, "g" + std::to_string(g));
        }
        Tree->Items()->EndUpdate();
    }
    ~ShownTree() { TObject::Free(Form); }
};

TEST(TreeViewX11, TheMainKeyboardsStarAndShiftEightOpenTheWholeBranch)
{
    x11test::TDisplay display;
    if (!display.Ok()) GTEST_SKIP() << display.Why();
    std::string out;
    EXPECT_EQ(display.RunRole("TreeViewX11.DISABLED_Role", "star", out), 0) << out;
}

// The programs the README shows end, with status 0, once their window is closed as a window
// manager closes it; a form that is not the main form only hides and Run never returns.
TEST(TreeViewX11, ExampleProgramsEndWhenTheirWindowIsClosed)
{
    x11test::TDisplay display;
    if (!display.Ok()) GTEST_SKIP() << display.Why();
    std::vector<std::string> programs = {MORVIK_MEMO_TREE_EXAMPLE};
#ifdef MORVIK_TREE_EXAMPLE
    programs.push_back(MORVIK_TREE_EXAMPLE);
#endif
    for (const std::string& program : programs) {
        SCOPED_TRACE(program);
        bool closed = false;
        EXPECT_EQ(display.Run({program}, nullptr, 60000, [&] { closed = display.CloseWindow("Messages"); }), 0);
        EXPECT_TRUE(closed);
    }
}

TEST(TreeViewX11, DISABLED_Role)
{
    const std::string role = x11test::Role();
    if (role == "star") {
        ShownTree t(3);
        ASSERT_TRUE(x11test::ShowOnScreen(t.Form));
        ASSERT_TRUE(x11test::Click(t.Tree->View(), 30, 8));
        ASSERT_TRUE(uitest::PumpUntil([&] { return t.Tree->View()->Focused(); }, 60000));
        TExTreeItem* r0 = t.Roots[0];
        t.Tree->SetFocused(r0);
        TExTreeItem* c0 = r0->GetFirstChild();
        for (const char* keys : {"shift+8", "asterisk"}) {
            SCOPED_TRACE(keys);
            r0->Collapse(true);
            ASSERT_FALSE(c0->Expanded());
            ASSERT_TRUE(x11test::Key(keys));
            EXPECT_TRUE(uitest::PumpUntil([&] { return r0->Expanded() && c0->Expanded(); }, 60000));
        }
        // A plain 8 is no star.
        r0->Collapse(true);
        ASSERT_TRUE(x11test::Key("8"));
        uitest::Pump(50);
        EXPECT_FALSE(r0->Expanded());
        // The numeric keypad's star too.
        ASSERT_TRUE(x11test::Key("KP_Multiply"));
        EXPECT_TRUE(uitest::PumpUntil([&] { return r0->Expanded() && c0->Expanded(); }, 60000));
        return;
    }
    FAIL() << "unknown role " << role;
}

}  // namespace
