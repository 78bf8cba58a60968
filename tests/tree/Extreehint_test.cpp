// Line hints through the mouse and the hint timer: which texts get one (cut-off texts, own hints,
// the cell under the pointer, every text by setting), where the window goes, the event's last word,
// what hides the hint (another row, keys, the time-out, focus loss), items that go while a hint is
// armed or shown, and texts beyond ASCII or megabytes long.
#include <gtest/gtest.h>

#include <string>

#include "ViewTest.h"
#include "controls/Exhintwnd.h"
#include "platform/ExtCtrls.h"
#include "platform/Input.h"

namespace {

class LineHints : public ViewTest {
protected:
    Integer savedPause = 0, savedHide = 0;
    TExTreeItem* A = nullptr;
    TExTreeItem* B = nullptr;
    void SetUp() override
    {
        savedPause = Application->HintPause;
        savedHide = Application->HintHidePause;
        Application->HintPause = 10;
        Form->Show();
        Items().BeginUpdate();
        A = Items().Add(nullptr, "short");
        B = Items().Add(nullptr, "second");
        Items().EndUpdate();
        View()->SetFocus();
        uitest::Pump();
    }
    void TearDown() override
    {
        Application->HintPause = savedPause;
        Application->HintHidePause = savedHide;
    }
    // Rests the mouse at a view point and waits for the try (true when a hint came).
    bool RestAt(int X, int Y)
    {
        Input::MouseMove(View(), X, Y);
        Input::MouseMove(View(), X + 1, Y);
        return uitest::PumpUntil([&] { return View()->LineHintItem() != nullptr; }, 300);
    }
    TExHintWindow* Window() const { return View()->LineHintWindow(); }
    bool Shown() const { return Window() && Window()->HandleAllocated() && IsWindowVisible(Window()->Handle()); }
};

TEST_F(LineHints, OnlyACutOffTextGetsOneAndItLiesOverTheText)
{
    EXPECT_FALSE(RestAt(A->TextLeft + 3, 5)) << "the text fits";
    EXPECT_FALSE(Shown());
    const std::string text = "A text far too long for a view of three hundred pixels, cut off at its right";
    A->SetText(text);
    ASSERT_TRUE(RestAt(A->TextLeft + 3, 5));
    EXPECT_EQ(View()->LineHintItem(), A);
    ASSERT_TRUE(Shown());
    EXPECT_EQ(Window()->Caption(), text);
    const TPoint at = View()->ClientToScreen(TPoint{A->TextLeft, 0});
    EXPECT_EQ(Window()->Left(), at.X);
    EXPECT_EQ(Window()->Top(), at.Y);
    EXPECT_GT(Window()->Width(), View()->ClientWidth() - A->TextLeft);
    // Moving within the row keeps it; moving to another row hides it.
    Input::MouseMove(View(), A->TextLeft + 20, 6);
    EXPECT_TRUE(Shown());
    Input::MouseMove(View(), A->TextLeft + 3, 17 + 5);
    EXPECT_FALSE(Shown());
    EXPECT_EQ(View()->LineHintItem(), nullptr);
}

TEST_F(LineHints, AScrolledOutStartAndAnOwnHint)
{
    // A fitting text scrolled half out on the left is cut too.
    Tree->SetBounds(10, 10, 120, 200);
    A->SetText("a text that fits in");
    B->SetText(std::string(60, 'w'));
    uitest::Pump();
    Tree->SetHPosition(A->TextLeft + 10);
    ASSERT_GT(Tree->LeftPosition(), A->TextLeft);
    EXPECT_TRUE(RestAt(5, 5));
    EXPECT_EQ(Window()->Caption(), "a text that fits in");
    EXPECT_EQ(Window()->Left(), View()->ClientToScreen(TPoint{0, 0}).X) << "never left of the view";
    Tree->SetHPosition(0);
    Tree->SetBounds(10, 10, 300, 200);
    uitest::Pump();
    // An own hint is shown, up to its "|", even over a text that fits.
    View()->DoHideLineHint();
    A->SetHint("from the station|more");
    EXPECT_TRUE(RestAt(A->TextLeft + 3, 5));
    EXPECT_EQ(Window()->Caption(), "from the station");
    View()->DoHideLineHint();
    // Showing the main text only: an item with a hint of its own still gets the try's hint.
    Tree->SetHintType(shtMainText);
    EXPECT_TRUE(RestAt(A->TextLeft + 3, 5));
    EXPECT_EQ(Window()->Caption(), "a text that fits in");
    View()->DoHideLineHint();
    A->SetHint("");
    EXPECT_FALSE(RestAt(A->TextLeft + 4, 5)) << "without one, a text that fits has none";
    // With every text hinted the fitting one is shown too.
    Tree->SetLineHintMode(shmAll);
    EXPECT_TRUE(RestAt(A->TextLeft + 3, 5));
    EXPECT_EQ(Window()->Caption(), "a text that fits in");
    // With none, no try is armed at all.
    View()->DoHideLineHint();
    Tree->SetLineHintMode(shmNone);
    Input::MouseMove(View(), A->TextLeft + 9, 17 + 5);
    EXPECT_FALSE(View()->HintTimer() && View()->HintTimer()->Enabled());
}

TEST_F(LineHints, TheCellUnderThePointerOrTheMainText)
{
    for (Integer w : {100, 60}) Tree->Header()->Sections()->AddSection()->SetWidth(w);
    Tree->SetShowHeader(true);
    Tree->SetLineHintMode(shmAll);
    A->ColumnText()->Add("");
    B->ColumnText()->Add("a cell text longer than its cell");
    uitest::Pump();
    // Smart: an empty cell shows the main text over the main column.
    ASSERT_TRUE(RestAt(120, 5));
    EXPECT_EQ(Window()->Caption(), "short");
    EXPECT_EQ(Window()->Left(), View()->ClientToScreen(TPoint{A->TextLeft, 0}).X);
    // A cell's own text is laid over the cell.
    ASSERT_TRUE(RestAt(120, 17 + 5));
    EXPECT_EQ(Window()->Caption(), "a cell text longer than its cell");
    EXPECT_EQ(Window()->Left(), View()->ClientToScreen(TPoint{100 + 17 / 5, 0}).X);
    // Cell text only: an empty cell has nothing to show.
    View()->DoHideLineHint();
    Tree->SetLineHintType(lhtCellTextOnly);
    EXPECT_FALSE(RestAt(121, 6));
    Tree->SetLineHintType(lhtMainTextOnly);
    ASSERT_TRUE(RestAt(120, 17 + 5));
    EXPECT_EQ(Window()->Caption(), "second");
}

TEST_F(LineHints, AVirtualCellsStyleDecidesAndItsHandlerMayDeleteTheItem)
{
    for (Integer w : {100, 60}) Tree->Header()->Sections()->AddSection()->SetWidth(w);
    Tree->SetShowHeader(true);
    Tree->SetLineHintMode(shmAll);
    Tree->SetLineHintType(lhtCellTextOnly);
    Tree->SetVirtualityLevel(vlTextAndStyles);
    for (TExTreeItem* i : {A, B}) i->SetUseStyles(true);
    bool picture = false, kill = false;
    Tree->OnVirtualTextNeeded = [](TObject*, TExTreeItem*, Integer Column, std::string& Text) {
        Text = Column > 0 ? "cell text" : "main";
    };
    Tree->OnVirtualStyleNeeded = [&](TObject*, TExTreeItem* I, Integer Section, TExCellStyle* Style) {
        Style->SetStyle(picture && Section == 1 ? ExhsPictureOnly : ExhsText);
        if (kill && I == A) {
            kill = false;
            A->Delete();
        }
    };
    uitest::Pump();
    ASSERT_TRUE(RestAt(120, 5));
    EXPECT_EQ(Window()->Caption(), "cell text");
    // A picture cell has no text to show.
    ASSERT_TRUE(RestAt(120, 17 + 5));
    View()->DoHideLineHint();
    picture = true;
    EXPECT_FALSE(RestAt(121, 6));
    // The style's handler deletes the row it is asked about: no hint, and nothing of it is kept.
    // (Without hot tracking, which would repaint the row and so ask the style first.)
    Tree->SetTracking(false);
    picture = false;
    View()->DoHideLineHint();
    Input::MouseMove(View(), 120, 17 + 5);
    uitest::Pump(30);
    kill = true;
    EXPECT_FALSE(RestAt(121, 5));
    EXPECT_FALSE(kill);
    EXPECT_EQ(Items().Count(), 1);
    EXPECT_EQ(View()->LineHintItem(), nullptr);
}

TEST_F(LineHints, TheEventMayRefuseOrReplaceAndSeesTheTreesPoint)
{
    Tree->SetLineHintMode(shmAll);
    for (Integer w : {150}) Tree->Header()->Sections()->AddSection()->SetWidth(w);
    Tree->SetShowHeader(true);
    uitest::Pump();
    TPoint seen{};
    bool refuse = true;
    Tree->OnShowLineHint = [&](TObject*, TExTreeItem*, TExHeaderSection*, std::string& Text, THintWindow*,
                               TPoint MousePos, bool& Show) {
        seen = MousePos;
        if (refuse)
            Show = false;
        else
            Text = "replaced by the handler, and longer";
    };
    EXPECT_FALSE(RestAt(A->TextLeft + 3, 5));
    EXPECT_EQ(seen.Y, 5 + Tree->Header()->Height()) << "the point in the tree's terms";
    refuse = false;
    ASSERT_TRUE(RestAt(A->TextLeft + 3, 17 + 5));
    EXPECT_EQ(Window()->Caption(), "replaced by the handler, and longer");
    TBitmap probe;
    probe.Canvas()->Font()->Assign(Window()->Font());
    EXPECT_GE(Window()->Width(), probe.Canvas()->TextWidth("replaced by the handler, and longer")) << "measured again";
}

TEST_F(LineHints, KeysFocusLossAndTheTimeOutHideIt)
{
    Tree->SetLineHintMode(shmAll);
    ASSERT_TRUE(RestAt(A->TextLeft + 3, 5));
    Input::PressKey(VK_DOWN);
    EXPECT_FALSE(Shown()) << "a key";
    ASSERT_TRUE(RestAt(A->TextLeft + 3, 17 + 5));
    auto* other = new TExTree(Form);
    other->SetParent(Form);
    other->SetBounds(400, 10, 100, 100);
    other->View()->SetFocus();
    uitest::Pump();
    EXPECT_FALSE(Shown()) << "the focus went";
    View()->SetFocus();
    // With the time-out the next tick hides it; a time-out of 0 waits the hint-hide pause.
    Tree->SetHideHintOnTimer(true);
    Tree->SetLineHintTimeout(30);
    ASSERT_TRUE(RestAt(A->TextLeft + 3, 5));
    EXPECT_EQ(View()->HintTimer()->Interval(), 30u);
    EXPECT_TRUE(uitest::PumpUntil([&] { return !Shown(); }, 1000));
    Tree->SetLineHintTimeout(0);
    Application->HintHidePause = 40;
    ASSERT_TRUE(RestAt(A->TextLeft + 3, 17 + 5));
    EXPECT_EQ(View()->HintTimer()->Interval(), 40u);
    EXPECT_TRUE(uitest::PumpUntil([&] { return !Shown(); }, 1000));
}

TEST_F(LineHints, AnItemThatGoesTakesItsHintAlong)
{
    Tree->SetLineHintMode(shmAll);
    ASSERT_TRUE(RestAt(A->TextLeft + 3, 5));
    A->Delete();
    EXPECT_FALSE(Shown());
    EXPECT_EQ(View()->LineHintItem(), nullptr);
    // Messages after it touch nothing that went.
    Input::MouseMove(View(), 40, 8);
    Input::PressKey(VK_UP);
    uitest::Pump(50);
    // Gone between the arming and the tick: the row under the point now is hinted, or none.
    Input::MouseMove(View(), B->TextLeft + 3, 5);
    Input::MouseMove(View(), B->TextLeft + 4, 5);
    B->Delete();
    uitest::Pump(60);
    EXPECT_EQ(View()->LineHintItem(), nullptr);
    EXPECT_FALSE(Shown());
}

TEST_F(LineHints, AHandlerThatFreesTheTree)
{
    Tree->SetLineHintMode(shmAll);
    Tree->OnShowLineHint = [this](TObject*, TExTreeItem*, TExHeaderSection*, std::string&, THintWindow*, TPoint,
                                  bool&) {
        TForm* form = Form;
        Form = nullptr;
        TObject::Free(form);
    };
    Input::MouseMove(View(), A->TextLeft + 3, 5);
    Input::MouseMove(View(), A->TextLeft + 4, 5);
    EXPECT_TRUE(uitest::PumpUntil([&] { return Form == nullptr; }, 500));
    Form = new TForm(nullptr);
}

TEST_F(LineHints, TextsBeyondAsciiAndOfMegabytes)
{
    const std::string text = "Météo für Nordsee — шторм 東京 " + std::string(40, 'w');
    A->SetText(text);
    ASSERT_TRUE(RestAt(A->TextLeft + 3, 5));
    EXPECT_EQ(Window()->Caption(), text);
    const std::string huge(5 * 1024 * 1024, 'x');
    B->SetText(huge);
    uitest::Pump();
    ASSERT_TRUE(RestAt(B->TextLeft + 3, 17 + 5));
    EXPECT_LT(Window()->Caption().size(), 2000u) << "the hint shows the start of it";
    EXPECT_EQ(Window()->Caption().compare(0, 1024, huge, 0, 1024), 0);
    EXPECT_LE(Window()->Width(), GetSystemMetrics(SM_CXSCREEN));
}

// Texts are bytes of a code page: every byte is a character, 0x80 to 0xBF as well ("€" and "–" in
// Windows-1252). A text of 600 narrow characters on a view wider than 512 of them is measured to
// its end and no further.
TEST_F(LineHints, TextsOfCodePageBytesAndOfJustOverFiveHundredBytes)
{
    Tree->SetBounds(0, 0, 2400, 200);
    const std::string narrow(600, 'i');
    A->SetText(narrow);
    uitest::Pump();
    ASSERT_LT(A->TextRight, View()->ClientWidth()) << "the text fits";
    EXPECT_FALSE(RestAt(A->TextLeft + 3, 5));
    Input::MouseMove(View(), 5, 150);
    uitest::Pump();
    Tree->SetLineHintMode(shmAll);
    // Bytes 0x80 to 0xBF in turn, "€" first.
    std::string euros;
    for (int i = 0; i < 2000; ++i) euros += char(0x80 + i % 64);
    const std::string dashes(700, '\x96');
    B->SetText(euros);
    A->SetText(dashes);
    uitest::Pump();
    ASSERT_TRUE(RestAt(B->TextLeft + 3, 17 + 5));
    EXPECT_EQ(Window()->Caption(), euros.substr(0, 1024) + "...") << "cut after 1,024 characters";
    Input::MouseMove(View(), 5, 150);
    uitest::Pump();
    ASSERT_TRUE(RestAt(A->TextLeft + 3, 5));
    EXPECT_EQ(Window()->Caption(), dashes);
}

}  // namespace
