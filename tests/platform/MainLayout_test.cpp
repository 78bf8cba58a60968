// The main window's kind of layout: alignment, splitters, tool buttons, up-downs, status bar and
// menus, driven through real input.
#include <gtest/gtest.h>

#include <memory>

#include "platform/Input.h"
#include "tests/platform/LayoutForm.h"
#include "tests/support/UiTest.h"

namespace {

class MainLayout : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->Initialize();
        form = new TLayoutForm(nullptr);
        form->AfterConstruction();
    }
    void TearDown() override
    {
        CloseMenus();
        delete form;
        uitest::ClearDialogAnswers();
        uitest::Pump();
    }
    void ShowForm()
    {
        form->Show();
        uitest::Pump();
    }
    COLORREF FormPixel(int x, int y)
    {
        HDC dc = GetDC(form->Handle());
        COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(form->Handle(), dc);
        return c;
    }
    TLayoutForm* form = nullptr;
};

TEST_F(MainLayout, ClientAreaExcludesFrameCaptionAndMenu)
{
    EXPECT_EQ(form->ClientRect(), (TRect{0, 0, 524, 380}));
    ShowForm();
    EXPECT_EQ(form->ClientRect(), (TRect{0, 0, 524, 380}));
    TRect wr;
    GetWindowRect(form->Handle(), &wr);
    EXPECT_EQ(wr, Bounds(247, 111, 532, 427));
    EXPECT_EQ(form->ClientOrigin(), (TPoint{247 + 4, 111 + 4 + 19 + 20}));
}

TEST_F(MainLayout, TopAndBottomByPositionThenLeftThenClient)
{
    auto check = [this] {
        EXPECT_EQ(form->Panel1->BoundsRect(), Bounds(0, 0, 524, 25));
        EXPECT_EQ(form->Bevel1->BoundsRect(), Bounds(0, 25, 524, 2));
        EXPECT_EQ(form->FFTBox->BoundsRect(), Bounds(0, 27, 524, 50));
        EXPECT_EQ(form->Splitter1->BoundsRect(), Bounds(0, 77, 524, 4));
        EXPECT_EQ(form->RxMemo->BoundsRect(), Bounds(0, 81, 524, 80));
        EXPECT_EQ(form->Splitter2->BoundsRect(), Bounds(0, 161, 524, 2));
        EXPECT_EQ(form->StatusBar1->BoundsRect(), Bounds(0, 360, 524, 20));
        EXPECT_EQ(form->PaintBox1->BoundsRect(), Bounds(0, 310, 524, 50));
        EXPECT_EQ(form->Splitter3->BoundsRect(), Bounds(0, 306, 524, 4));
        EXPECT_EQ(form->Panel2->BoundsRect(), Bounds(0, 163, 524, 143));
        EXPECT_EQ(form->TreeView1->BoundsRect(), Bounds(0, 0, 125, 143));
        EXPECT_EQ(form->Splitter4->BoundsRect(), Bounds(125, 0, 3, 143));
        EXPECT_EQ(form->MessageMemo->BoundsRect(), Bounds(128, 0, 396, 143));
    };
    check();  // laid out before any window exists
    ShowForm();
    check();  // and the same with windows
    // The bordered, scrolling control has a smaller client area than its bounds.
    EXPECT_EQ(form->RxMemo->ClientRect(), (TRect{0, 0, 524 - 4 - 16, 80 - 4}));
}

TEST_F(MainLayout, ResizingTheFormReflowsOnlyTheClientPanel)
{
    ShowForm();
    form->SetBounds(form->Left(), form->Top(), 600, 500);
    EXPECT_EQ(form->ClientRect(), (TRect{0, 0, 592, 453}));
    EXPECT_EQ(form->RxMemo->BoundsRect(), Bounds(0, 81, 592, 80));
    EXPECT_EQ(form->StatusBar1->BoundsRect(), Bounds(0, 433, 592, 20));
    EXPECT_EQ(form->Panel2->BoundsRect(), Bounds(0, 163, 592, 216));
    EXPECT_EQ(form->MessageMemo->Width(), 592 - 128);
}

TEST_F(MainLayout, MovingABottomControlKeepsTheBottomOrder)
{
    // Collapse the oscillogram and bring it back the way the receiver does.
    form->PaintBox1->SetHeight(1);
    form->Splitter3->SetVisible(false);
    EXPECT_EQ(form->PaintBox1->BoundsRect(), Bounds(0, 359, 524, 1));
    EXPECT_EQ(form->Panel2->Height(), 359 - 163);
    form->Splitter3->SetVisible(true);
    form->PaintBox1->SetTop(form->PaintBox1->Top() - 50);
    form->PaintBox1->SetHeight(50);
    form->StatusBar1->SetTop(form->PaintBox1->Top() + 50);
    EXPECT_EQ(form->StatusBar1->BoundsRect(), Bounds(0, 360, 524, 20));
    EXPECT_EQ(form->PaintBox1->BoundsRect(), Bounds(0, 310, 524, 50));
    EXPECT_EQ(form->Splitter3->BoundsRect(), Bounds(0, 306, 524, 4));
}

TEST_F(MainLayout, SplitterDragResizesItsNeighbourWithinTheMinimum)
{
    ShowForm();
    Input::Drag(form->Splitter1, 100, 2, 100, 32);
    EXPECT_EQ(form->FFTBox->Height(), 80);
    EXPECT_EQ(form->Splitter1->Top(), 107);
    EXPECT_EQ(form->RxMemo->Top(), 111);
    EXPECT_EQ(form->Panel2->Height(), 143 - 30);
    // Far up: the spectrum keeps its minimum of 20.
    Input::Drag(form->Splitter1, 100, 2, 100, -300);
    EXPECT_EQ(form->FFTBox->Height(), 20);
    // A bottom splitter resizes the control below it; OnMoved once per drag.
    Input::Drag(form->Splitter3, 10, 2, 10, -18);
    EXPECT_EQ(form->PaintBox1->BoundsRect(), Bounds(0, 290, 524, 70));
    EXPECT_EQ(form->Splitter3->Top(), 286);
    EXPECT_EQ(form->Splitter3Moves, 1);
    // A left splitter inside the client panel.
    Input::Drag(form->Splitter4, 1, 50, 21, 50);
    EXPECT_EQ(form->TreeView1->Width(), 145);
    EXPECT_EQ(form->MessageMemo->Left(), 148);
}

TEST_F(MainLayout, SplitterWithoutMovementReportsNothing)
{
    ShowForm();
    Input::Click(form->Splitter3, 10, 2);
    EXPECT_EQ(form->Splitter3Moves, 0);
    EXPECT_EQ(form->PaintBox1->Height(), 50);
}

TEST_F(MainLayout, SpeedButtonsStayDownAndReleaseWithAllowAllUp)
{
    ShowForm();
    EXPECT_TRUE(form->AfcButton->Down());
    Input::Click(form->OnTopButton, 10, 10);
    EXPECT_TRUE(form->OnTopButton->Down());
    EXPECT_EQ(form->FormStyle(), fsStayOnTop);
    Input::Click(form->OnTopButton, 10, 10);
    EXPECT_FALSE(form->OnTopButton->Down());
    EXPECT_EQ(form->FormStyle(), fsNormal);
    EXPECT_EQ(form->OnTopClicks, 2);
    // Released outside the button: no click, no change.
    Input::MouseDown(form->OnTopButton, mbLeft, 10, 10);
    Input::MouseMove(form->OnTopButton, 200, 10, ssLeft);
    Input::MouseUp(form->OnTopButton, mbLeft, 200, 10);
    EXPECT_FALSE(form->OnTopButton->Down());
    EXPECT_EQ(form->OnTopClicks, 2);
}

TEST_F(MainLayout, SpeedButtonGroupsAreExclusive)
{
    ShowForm();
    TSpeedButton* b[3];
    int clicks = 0;
    for (int i = 0; i < 3; ++i) {
        b[i] = new TSpeedButton(form);
        b[i]->SetParent(form->Panel1);
        b[i]->SetBounds(330 + 30 * i, 1, 30, 23);
        b[i]->SetGroupIndex(9);
        b[i]->OnClick = [&](TObject*) { ++clicks; };
    }
    Input::Click(b[0], 5, 5);
    EXPECT_TRUE(b[0]->Down());
    Input::Click(b[1], 5, 5);
    EXPECT_TRUE(b[1]->Down());
    EXPECT_FALSE(b[0]->Down());
    // Without AllowAllUp the pressed button stays down, yet still clicks.
    Input::Click(b[1], 5, 5);
    EXPECT_TRUE(b[1]->Down());
    EXPECT_EQ(clicks, 3);
    b[1]->SetDown(false);
    EXPECT_TRUE(b[1]->Down());
    b[2]->SetDown(true);
    EXPECT_FALSE(b[1]->Down());
    // Group 0: never down.
    auto* plain = new TSpeedButton(form);
    plain->SetParent(form->Panel1);
    plain->SetBounds(430, 1, 30, 23);
    plain->SetDown(true);
    Input::Click(plain, 5, 5);
    EXPECT_FALSE(plain->Down());
    // The AFC button in group 3 is independent of group 9.
    EXPECT_TRUE(form->AfcButton->Down());
}

TEST_F(MainLayout, UpDownStepsWithinItsLimits)
{
    ShowForm();
    EXPECT_EQ(form->AfcEdit->Text(), "10");
    EXPECT_EQ(form->SquelchEdit->Text(), "50");
    for (int i = 0; i < 3; ++i)
        Input::Click(form->AfcUpDown, 7, 3);
    EXPECT_EQ(form->AfcUpDown->Position(), 13);
    EXPECT_EQ(form->AfcEdit->Text(), "13");
    form->AfcUpDown->SetPosition(98);
    for (int i = 0; i < 3; ++i)
        Input::Click(form->AfcUpDown, 7, 3);
    EXPECT_EQ(form->AfcUpDown->Position(), 99);
    EXPECT_EQ(form->AfcEdit->Text(), "99");
    form->SquelchUpDown->SetPosition(2);
    Input::Click(form->SquelchUpDown, 7, 18);
    Input::Click(form->SquelchUpDown, 7, 18);
    EXPECT_EQ(form->SquelchUpDown->Position(), 1);
    EXPECT_EQ(form->SquelchClicks, 2);  // the click is reported at the limit too
    EXPECT_EQ(form->LastSquelchButton, btPrev);
    // Positions outside the range are clamped.
    form->SquelchUpDown->SetPosition(500);
    EXPECT_EQ(form->SquelchUpDown->Position(), 99);
    // Wrap goes round.
    form->SquelchUpDown->Wrap = true;
    Input::Click(form->SquelchUpDown, 7, 3);
    EXPECT_EQ(form->SquelchUpDown->Position(), 1);
    Input::Click(form->SquelchUpDown, 7, 18);
    EXPECT_EQ(form->SquelchUpDown->Position(), 99);
}

TEST_F(MainLayout, UpDownArrowKeysOnlyWhenAsked)
{
    ShowForm();
    form->AfcEdit->SetFocus();
    Input::PressKey(VK_UP);
    EXPECT_EQ(form->AfcUpDown->Position(), 10);
    form->AfcUpDown->ArrowKeys = true;
    Input::PressKey(VK_UP);
    Input::PressKey(VK_UP);
    Input::PressKey(VK_DOWN);
    EXPECT_EQ(form->AfcUpDown->Position(), 11);
    EXPECT_EQ(form->AfcEdit->Text(), "11");
}

TEST_F(MainLayout, StatusBarHasNinePanelsTheLastToTheEdge)
{
    ShowForm();
    TStatusPanels* p = form->StatusBar1->Panels();
    ASSERT_EQ(p->Count(), 9);
    EXPECT_EQ(p->Items(6)->Text(), "FrB: 15");
    EXPECT_EQ(form->StatusBar1->PanelRect(0), (TRect{0, 2, 50, 20}));
    EXPECT_EQ(form->StatusBar1->PanelRect(1), (TRect{52, 2, 102, 20}));
    EXPECT_EQ(form->StatusBar1->PanelRect(8).Right, 524);
    EXPECT_EQ(form->StatusBar1->PanelRect(8).Left, 50 * 5 + 30 * 2 + 100 + 2 * 8);
    EXPECT_THROW(p->Items(9), EListError);
}

TEST_F(MainLayout, MenuRadioGroupsAndCheckItems)
{
    EXPECT_TRUE(form->EnglishCharset1->Checked());
    form->UnshiftOnSpace1->SetChecked(true);
    form->RussianCharset1->SetChecked(true);
    EXPECT_FALSE(form->EnglishCharset1->Checked());
    EXPECT_TRUE(form->RussianCharset1->Checked());
    // A check item with the same group index is not a radio item: it keeps its mark.
    EXPECT_TRUE(form->UnshiftOnSpace1->Checked());
    // Radio groups are per menu: the speed items do not touch the character sets.
    ShowForm();
    TriggerMenuItem(form->N75Baud1);
    EXPECT_TRUE(form->N75Baud1->Checked());
    EXPECT_FALSE(form->N50Baud1->Checked());
    EXPECT_TRUE(form->RussianCharset1->Checked());
    // Unchecking a radio item leaves the group with none.
    form->N75Baud1->SetChecked(false);
    for (TMenuItem* i : {form->N45Baud1, form->N50Baud1, form->N75Baud1, form->N100Baud1})
        EXPECT_FALSE(i->Checked());
}

TEST_F(MainLayout, OpeningAMenuRunsItsOnClick)
{
    ShowForm();
    ShowSubMenu(form->Setup1);
    EXPECT_EQ(form->Setup1Opened, 1);
    ShowSubMenu(form->View1);
    EXPECT_EQ(form->View1Opened, 1);
    CloseMenus();
    // Disabled leaves do nothing when chosen.
    int exits = 0;
    form->Exit1->OnClick = [&](TObject*) { ++exits; };
    form->Exit1->SetEnabled(false);
    TriggerMenuItem(form->Exit1);
    EXPECT_EQ(exits, 0);
    form->Exit1->SetEnabled(true);
    TriggerMenuItem(form->Exit1);
    EXPECT_EQ(exits, 1);
}

TEST_F(MainLayout, ShortcutsRunBeforeKeyPreview)
{
    ShowForm();
    int exits = 0, previews = 0;
    form->Exit1->OnClick = [&](TObject*) { ++exits; };
    form->Exit1->SetShortCut(ShortCut('Q', ssCtrl));
    form->OnKeyDown = [&](TObject*, Word&, TShiftState) { ++previews; };
    form->RxMemo->SetFocus();
    Input::PressKey('Q', ssCtrl);
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(previews, 0);
    Input::PressKey('W', ssCtrl);
    EXPECT_EQ(previews, 1);
    EXPECT_EQ(ShortCutToText(ShortCut('Q', ssCtrl)), "Ctrl+Q");
}

TEST_F(MainLayout, PaintedPixelsOfPanelsBevelsAndPaintBoxes)
{
    ShowForm();
    uitest::Pump();
    HDC panel = GetDC(form->Panel1->Handle());
    EXPECT_EQ(GetPixel(panel, 0, 0), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(GetPixel(panel, 523, 24), GetSysColor(COLOR_BTNSHADOW));
    ReleaseDC(form->Panel1->Handle(), panel);
    EXPECT_EQ(FormPixel(200, 25), GetSysColor(COLOR_BTNSHADOW));     // bevel line, lowered
    EXPECT_EQ(FormPixel(200, 26), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(FormPixel(250, 27 + 20), RGB(255, 0, 0));                 // the spectrum's marker
    EXPECT_EQ(FormPixel(251, 27 + 20), RGB(255, 255, 255));
    EXPECT_EQ(FormPixel(100, 310 + 25), RGB(255, 0, 0));               // oscillogram zero line
    EXPECT_GT(form->RxMemo->PaintCount, 0);
}

TEST_F(MainLayout, SnapshotOfTheFormIsARealPicture)
{
    ShowForm();
    std::string path = uitest::SaveSnapshot(form, "layout-form");
    ASSERT_FALSE(path.empty());
    TBitmap pic;
    pic.LoadFromFile(path);
    // The client area and the menu bar above it.
    EXPECT_EQ(pic.Width(), 524);
    EXPECT_EQ(pic.Height(), 380 + 20);
    EXPECT_EQ(COLORREF(pic.Canvas()->Pixels(250, 20 + 27 + 20)), RGB(255, 0, 0));
    std::string part = uitest::SaveSnapshot(form->StatusBar1, "status-bar");
    ASSERT_FALSE(part.empty());
    TBitmap bar;
    bar.LoadFromFile(part);
    EXPECT_EQ(bar.Width(), 524);
    EXPECT_EQ(bar.Height(), 20);
    std::string box = uitest::SaveSnapshot(form->FFTBox, "spectrum-box");
    TBitmap b;
    b.LoadFromFile(box);
    EXPECT_EQ(b.Width(), 524);
    EXPECT_EQ(b.Height(), 50);
    EXPECT_EQ(COLORREF(b.Canvas()->Pixels(250, 20)), RGB(255, 0, 0));
}

}  // namespace
