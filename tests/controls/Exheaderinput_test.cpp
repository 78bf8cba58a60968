// The header under the mouse and keys, driven through the toolkit's own events: clicks, resizing
// with the inverted line and live, dragging with the floating image, the expand, filter and lookup
// signs, cancel mode in the middle of a drag or a resize, menus, hot tracking and cursors, and
// handlers that free the header or the section they were told of.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "controls/Exactrls.h"
#include "controls/Exheader.h"
#include "platform/Guard.h"
#include "platform/Input.h"
#include "platform/Menus.h"
#include "platform/StdCtrls.h"
#include "platform/Windows.h"
#include "tests/controls/HeaderFixture.h"
#include "tests/support/UiTest.h"

namespace {

class TInputHeader : public TLogHeader {
public:
    explicit TInputHeader(TComponent* AOwner) : TLogHeader(AOwner)
    {
        auto name = [](TExHeaderSection* s) { return s ? std::to_string(s->GetIndex()) : std::string("nil"); };
        OnSectionClick = [this, name](TObject*, TExHeaderSection* s) { Log.push_back("click " + name(s)); };
        OnSectionResizing = [this, name](TObject*, TExHeaderSection* s, TExHResizingStates st, Integer w) {
            Log.push_back("resizing " + name(s) + " " + std::to_string(int(st)) + " " + std::to_string(w));
        };
        OnSectionResize = [this, name](TObject*, TExHeaderSection* s) { Log.push_back("resize " + name(s)); };
        OnSectionExpand = [this, name](TObject*, TExHeaderSection* s) { Log.push_back("expand " + name(s)); };
        OnSectionCollapse = [this, name](TObject*, TExHeaderSection* s) { Log.push_back("collapse " + name(s)); };
        OnFilterCall = [this, name](TObject*, TExHeaderSection* s) { Log.push_back("filter " + name(s)); };
        OnHeaderLookupDone = [this, name](TObject*, TExHeaderSection* s, const std::string& t, bool ok) {
            Log.push_back("done " + name(s) + " " + t + (ok ? " ok" : " no"));
        };
    }
    using TCustomExHeader::FDragImage;
    using TCustomExHeader::FDragRect;
    using TCustomExHeader::FLineDrawn;
    using TCustomExHeader::FLookupShown;
    using TCustomExHeader::FPressed;
    using TCustomExHeader::FResizeLineX;
    using TCustomExHeader::FResizing;

protected:
    // Drawn as a header is, so that the floating image has a header to go over; what was painted is
    // noted as well.
    void Paint() override
    {
        TLogHeader::Paint();
        TCustomExHeader::Paint();
    }
};

// A header 600 x 20 at the top of a shown form, sections of 100 each.
struct HeaderInput : ::testing::Test {
    TForm* Form = nullptr;
    TInputHeader* H = nullptr;
    TEdit* Other = nullptr;

    HeaderInput()
    {
        Application->Initialize();
        Input::AdvanceTime(GetDoubleClickTime() + 1);
        Form = new TForm(nullptr);
        Form->SetBounds(40, 40, 700, 300);
        Form->AfterConstruction();
        H = new TInputHeader(Form);
        H->SetAlign(alNone);
        H->SetParent(Form);
        H->SetUseXPThemes(false);
        H->SetLockHeight(true);
        H->SetBounds(0, 0, 600, 20);
        Other = new TEdit(Form);
        Other->SetParent(Form);
        Other->SetBounds(10, 200, 120, 24);
        Form->Show();
        uitest::Pump();
        Other->SetFocus();
    }
    ~HeaderInput() override
    {
        if (Screen)
            Screen->SetCursor(crDefault);
        TObject::Free(Form);
        uitest::Pump();
    }
    void Make(Integer N, Integer Width = 100)
    {
        for (Integer i = 0; i < N; ++i) {
            TExHeaderSection* s = H->Sections()->AddSection();
            s->SetWidth(Width);
            s->SetText("S" + std::to_string(i));
        }
        H->Log.clear();
    }
    TExHeaderSection* At(Integer Position) const { return H->Sections()->GetSectionByPos(Position); }
    std::vector<Integer> Order() const
    {
        std::vector<Integer> o;
        for (Integer i = 0; i < H->Sections()->GetCount(); ++i)
            o.push_back(At(i)->GetIndex());
        return o;
    }
    // Presses and clicks come apart from the one before, so that none is taken for a double click.
    void Press(Integer X, Integer Y)
    {
        Input::AdvanceTime(GetDoubleClickTime() + 1);
        Input::MouseDown(H, mbLeft, X, Y);
    }
    void ClickAt(Integer X, Integer Y, TMouseButton Button = mbLeft)
    {
        Input::AdvanceTime(GetDoubleClickTime() + 1);
        Input::Click(H, X, Y, Button);
    }
    // Down at X1, moves in single steps to X2, up there.
    void DragTo(Integer X1, Integer X2, Integer Y = 8)
    {
        Press(X1, Y);
        Step(X1, X2, Y);
        Input::MouseUp(H, mbLeft, X2, Y);
    }
    void Step(Integer From, Integer To, Integer Y = 8)
    {
        const Integer dir = To > From ? 1 : -1;
        for (Integer x = From; x != To; x += dir)
            Input::MouseMove(H, x + dir, Y);
    }
    bool Has(const std::string& Entry) const
    {
        return std::find(H->Log.begin(), H->Log.end(), Entry) != H->Log.end();
    }
};

// ---------------------------------------------------------------- clicks

TEST_F(HeaderInput, APressReleasedWithinFourPixelsClicksFiveStartDragsInstead)
{
    Make(3);
    Press(150, 8);
    EXPECT_EQ(H->FPressSection, At(1));
    EXPECT_TRUE(H->FPressed);
    Step(150, 154);
    Input::MouseUp(H, mbLeft, 154, 8);
    EXPECT_EQ(H->Log, std::vector<std::string>{"click 1"});
    EXPECT_EQ(H->FPressSection, nullptr);

    H->Log.clear();
    Press(150, 8);
    Input::MouseMove(H, 153, 12);  // 5 pixels away, diagonally
    EXPECT_EQ(H->FDragSection, At(1));
    Input::MouseUp(H, mbLeft, 153, 12);
    EXPECT_FALSE(Has("click 1"));
    EXPECT_EQ(Order(), (std::vector<Integer>{0, 1, 2}));
    // Nothing of the press is left: the edge shows the split cursor again.
    Input::MouseMove(H, 198, 8);
    EXPECT_EQ(Screen->Cursor(), crHSplit);

    // Without AllowDrag a long move stays a press, and a release over another section clicks nothing.
    H->SetAllowDrag(false);
    H->Log.clear();
    DragTo(150, 180);
    EXPECT_EQ(H->Log, std::vector<std::string>{"click 1"});
    H->Log.clear();
    DragTo(150, 250);
    EXPECT_TRUE(H->Log.empty());
}

TEST_F(HeaderInput, ASectionThatDoesNotAllowClicksNeverRaisesOne)
{
    Make(2);
    At(0)->SetAllowClick(false);
    ClickAt(50, 8);
    Input::AdvanceTime(GetDoubleClickTime() + 1);
    EXPECT_TRUE(H->Log.empty());
    EXPECT_EQ(H->FPressSection, nullptr);
    ClickAt(150, 8);
    EXPECT_EQ(H->Log, std::vector<std::string>{"click 1"});
}

TEST_F(HeaderInput, AClickHandlerThatFreesTheHeaderOrItsFormEndsTheRelease)
{
    Make(2);
    H->OnSectionClick = [this](TObject*, TExHeaderSection*) { TObject::Free(H); };
    bool upSeen = false;
    H->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { upSeen = true; };
    Press(50, 8);
    Input::MouseUp(H, mbLeft, 50, 8);
    EXPECT_FALSE(upSeen);
    H = nullptr;

    H = new TInputHeader(Form);
    H->SetParent(Form);
    H->SetBounds(0, 0, 600, 20);
    Make(2);
    H->OnSectionClick = [this](TObject*, TExHeaderSection*) {
        // The closure goes with the header: what it needs afterwards is read first.
        HeaderInput* fixture = this;
        TObject::Free(fixture->Form);
        fixture->Form = nullptr;
    };
    Press(50, 8);
    Input::MouseUp(H, mbLeft, 50, 8);
    EXPECT_EQ(Form, nullptr);
}

// ---------------------------------------------------------------- resizing

TEST_F(HeaderInput, ResizingWithTheLineSetsTheWidthOfTheLastLineDrawn)
{
    Make(3);
    At(0)->SetMinWidth(40);
    // The section under the mouse stops being hot once a resize starts.
    Input::MouseMove(H, 50, 8);
    ASSERT_EQ(H->FHotSection, At(0));
    Input::MouseMove(H, 98, 8);
    int downs = 0, moves = 0, ups = 0;
    // The class library's events follow the header's own handling of each message.
    H->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) {
        EXPECT_TRUE(H->FResizing);
        ++downs;
    };
    H->OnMouseMove = [&](TObject*, TShiftState, int, int) { ++moves; };
    H->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) {
        EXPECT_FALSE(H->FResizing);
        ++ups;
    };
    Press(98, 8);
    EXPECT_TRUE(H->FResizing);
    EXPECT_EQ(H->FResizeSection, At(0));
    EXPECT_EQ(Screen->Cursor(), crHSplit);
    EXPECT_TRUE(H->FLineDrawn);
    EXPECT_EQ(H->FResizeLineX, 100);
    EXPECT_EQ(GetCapture(), H->Handle());
    Step(98, 128);
    // The width changes only at the release; the line follows the mouse.
    EXPECT_EQ(At(0)->Width(), 100);
    EXPECT_EQ(H->FResizeLineX, 130);
    // Below the least width the line stays where it last was allowed.
    Step(128, 10);
    EXPECT_EQ(H->FResizeLineX, 40);
    EXPECT_EQ(H->FHotSection, nullptr);
    Input::MouseUp(H, mbLeft, 10, 8);
    EXPECT_FALSE(H->FResizing);
    EXPECT_EQ(H->FResizeSection, nullptr);
    EXPECT_EQ(At(0)->Width(), 40);
    EXPECT_EQ(Screen->Cursor(), crDefault);
    EXPECT_EQ(GetCapture(), nullptr);
    ASSERT_GE(H->Log.size(), 3u);
    EXPECT_EQ(H->Log.front(), "resizing 0 0 100");
    EXPECT_EQ(H->Log[1], "resizing 0 1 101");
    EXPECT_EQ(H->Log[H->Log.size() - 2], "resizing 0 2 40");
    EXPECT_EQ(H->Log.back(), "resize 0");
    EXPECT_FALSE(Has("click 0"));
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(moves, 30 + 118);
    EXPECT_EQ(ups, 1);
}

TEST_F(HeaderInput, TheResizeLineIsDrawnOverTheParentAndItsChildWindowsAndTakenAway)
{
    Make(3);
    auto pixel = [&](int X, int Y) {
        TBitmap shot;
        EXPECT_TRUE(CaptureControlImage(Form, &shot));
        return GetPixel(shot.Canvas()->Handle(), X, Y);
    };
    // Over the form below the header, and over the edit box (a child window of its own).
    const COLORREF formBefore = pixel(150, 120), editBefore = pixel(150, 212);
    Press(198, 8);
    Step(198, 148);
    uitest::Pump();
    EXPECT_NE(pixel(150, 120), formBefore);
    EXPECT_NE(pixel(150, 212), editBefore);
    // One pixel wide.
    EXPECT_EQ(pixel(151, 120), formBefore);
    EXPECT_EQ(pixel(149, 120), formBefore);
    EXPECT_EQ(pixel(152, 120), formBefore);
    Input::MouseUp(H, mbLeft, 148, 8);
    uitest::Pump();
    EXPECT_EQ(pixel(150, 120), formBefore);
    EXPECT_EQ(pixel(150, 212), editBefore);
    EXPECT_EQ(At(1)->Width(), 50);
}

TEST_F(HeaderInput, ResizingLiveReportsEveryAcceptedWidth)
{
    Make(3);
    H->SetResizeOnDrag(true);
    At(1)->SetMaxWidth(103);
    Press(199, 8);
    EXPECT_FALSE(H->FLineDrawn);
    Step(199, 206);
    EXPECT_EQ(At(1)->Width(), 103);
    Input::MouseUp(H, mbLeft, 206, 8);
    EXPECT_EQ(H->Log, (std::vector<std::string>{"resizing 1 0 100", "resizing 1 1 101", "resizing 1 1 102",
                                                "resizing 1 1 103", "resizing 1 2 103", "resize 1"}));
}

TEST_F(HeaderInput, AResizeOfAScrolledHeaderFollowsTheScrolledEdge)
{
    Make(4);
    H->SetLeftPos(50);
    // Section 1 ends at 200, painted at 150.
    Press(148, 8);
    EXPECT_EQ(H->FResizeSection, At(1));
    Step(148, 168);
    Input::MouseUp(H, mbLeft, 168, 8);
    EXPECT_EQ(At(1)->Width(), 120);
}

TEST_F(HeaderInput, ADoubleClickOnAResizeAreaAsksForTheSectionsOwnSizeInAProportionalFont)
{
    Make(3);
    At(0)->SetText("iiiiiiii");
    At(1)->SetText("WWWWWWWW");
    H->OnSectionAutoSize = [this](TObject*, TExHeaderSection* s) {
        H->Log.push_back("autosize " + std::to_string(s->GetIndex()));
        s->SetWidth(H->MeasureSectionWidth(s, nullptr, nullptr));
    };
    Input::DoubleClick(H, 99, 8);
    Input::AdvanceTime(GetDoubleClickTime() + 1);
    Input::DoubleClick(H, At(1)->GetRight() - 2, 8);
    EXPECT_TRUE(Has("autosize 0"));
    EXPECT_TRUE(Has("autosize 1"));
    // The same count of letters takes the room each letter needs.
    EXPECT_GT(At(1)->Width(), At(0)->Width() + 20);
    H->Log.clear();
    Input::AdvanceTime(GetDoubleClickTime() + 1);
    Input::DoubleClick(H, 20, 8);
    EXPECT_FALSE(Has("autosize 0"));
}

TEST_F(HeaderInput, AResizeHandlerThatFreesTheHeaderLeavesNoLineAndNoCapture)
{
    Make(3);
    H->SetResizeOnDrag(false);
    H->OnSectionResizing = [this](TObject*, TExHeaderSection*, TExHResizingStates State, Integer) {
        if (State == trsMove)
            TObject::Free(H);
    };
    Press(98, 8);
    Input::MouseMove(H, 110, 8);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(Screen->Cursor(), crDefault);
    H = nullptr;
}

TEST_F(HeaderInput, ASectionDeletedWhileItIsResizedEndsTheResize)
{
    Make(3);
    Press(98, 8);
    Input::MouseMove(H, 110, 8);
    H->Sections()->DeleteSection(At(0));
    EXPECT_FALSE(H->FLineDrawn);
    Input::MouseMove(H, 120, 8);
    Input::MouseUp(H, mbLeft, 120, 8);
    EXPECT_FALSE(H->FResizing);
    EXPECT_EQ(At(0)->Width(), 100);
}

// ---------------------------------------------------------------- dragging

TEST_F(HeaderInput, TheThirdOfFiveDroppedOnTheFirstGoesFirstOrSecondBehindALockedOne)
{
    Make(5);
    DragTo(250, 30);
    EXPECT_EQ(Order(), (std::vector<Integer>{2, 0, 1, 3, 4}));
    EXPECT_TRUE(Has("move 2 2>0"));
    EXPECT_EQ(H->FDragSection, nullptr);
    EXPECT_EQ(H->FDragImage, nullptr);
    EXPECT_EQ(GetCapture(), nullptr);

    H->SetLockedSection(At(0));
    DragTo(250, 30);
    EXPECT_EQ(At(0)->GetIndex(), 2);
    EXPECT_EQ(At(1)->GetIndex(), 1);
    // The locked section does not start a drag.
    H->Log.clear();
    DragTo(30, 350);
    EXPECT_EQ(At(0)->GetIndex(), 2);
    EXPECT_TRUE(Has("click 2") || H->Log.empty());
    // Past the last section goes last.
    DragTo(150, 590);
    EXPECT_EQ(At(4)->GetIndex(), 1);
}

TEST_F(HeaderInput, TheFloatingImageFollowsTheMouseAndGoesAtTheDrop)
{
    Make(5);
    At(1)->SetText("Moving");
    auto pixel = [&](int X, int Y) {
        HDC dc = GetDC(H->Handle());
        COLORREF c = GetPixel(dc, X, Y);
        ReleaseDC(H->Handle(), dc);
        return c;
    };
    const COLORREF face = COLORREF(ColorToRGB(clBtnFace));
    Press(150, 8);
    Step(150, 330);
    ASSERT_NE(H->FDragImage, nullptr);
    EXPECT_EQ(H->FDragRect.Left, 280);
    // The image is a pixel larger than the section each way, the extra column and row in the
    // header's colour.
    EXPECT_EQ(H->FDragImage->Width(), 101);
    EXPECT_EQ(H->FDragImage->Height(), H->Height() + 1);
    {
        HDC img = H->FDragImage->Canvas()->Handle();
        const COLORREF back = COLORREF(ColorToRGB(H->Color()));
        EXPECT_EQ(GetPixel(img, 100, 0), back);
        EXPECT_EQ(GetPixel(img, 100, 4), back);
        EXPECT_EQ(GetPixel(img, 50, H->Height()), back);
    }
    // The darkened face of the floating section lies over sections 2 and 3.
    const COLORREF under = pixel(350, 4);
    EXPECT_NE(under, face);
    EXPECT_LT(GetRValue(under), GetRValue(face));
    EXPECT_LT(GetRValue(pixel(282, 4)), GetRValue(face));
    // Where it was taken from (behind it now) the header shows through again.
    EXPECT_EQ(pixel(250, 4), face);
    EXPECT_EQ(pixel(150, 4), face);
    // Back to the left, what it went over comes back.
    Step(330, 320);
    EXPECT_EQ(H->FDragRect.Left, 270);
    EXPECT_EQ(pixel(375, 4), face);
    EXPECT_LT(GetRValue(pixel(365, 4)), GetRValue(face));
    EXPECT_LT(GetRValue(pixel(271, 4)), GetRValue(face));
    // Its right edge, the section's shadow, is its last column drawn.
    EXPECT_LT(GetRValue(pixel(368, 4)), GetRValue(pixel(365, 4)));
    EXPECT_EQ(pixel(369, 4), face);
    // And its bottom row, the shadow under it.
    EXPECT_LT(GetRValue(pixel(365, 18)), GetRValue(pixel(365, 4)));
    Input::MouseUp(H, mbLeft, 320, 8);
    uitest::Pump();
    EXPECT_EQ(pixel(350, 4), face);
    EXPECT_EQ(H->FDragImage, nullptr);
    EXPECT_EQ(Order(), (std::vector<Integer>{0, 2, 3, 1, 4}));
}

TEST_F(HeaderInput, MoveOnDragMovesTheSectionOnceTheMousePassesWhereItWouldFit)
{
    Make(4);
    H->SetMoveOnDrag(true);
    Press(50, 8);
    Step(50, 100);
    EXPECT_EQ(Order(), (std::vector<Integer>{0, 1, 2, 3}));
    Step(100, 101);
    EXPECT_EQ(Order(), (std::vector<Integer>{1, 0, 2, 3}));
    Step(101, 210);
    EXPECT_EQ(Order(), (std::vector<Integer>{1, 2, 0, 3}));
    Step(210, 599);
    EXPECT_EQ(Order(), (std::vector<Integer>{1, 2, 3, 0}));
    // Leftwards the same rule from the other side.
    Step(599, 250);
    EXPECT_EQ(Order(), (std::vector<Integer>{1, 2, 0, 3}));
    Input::MouseUp(H, mbLeft, 250, 8);
    EXPECT_EQ(Order(), (std::vector<Integer>{1, 2, 0, 3}));
}

TEST_F(HeaderInput, MoveOnDragPastTheLastSectionMovesItLast)
{
    Make(4);
    H->SetMoveOnDrag(true);
    Press(50, 8);
    Input::MouseMove(H, 60, 8);
    ASSERT_EQ(H->FDragSection, At(0));
    Input::MouseMove(H, 450, 8);
    EXPECT_EQ(Order(), (std::vector<Integer>{1, 2, 3, 0}));
    Input::MouseUp(H, mbLeft, 450, 8);
    EXPECT_EQ(Order(), (std::vector<Integer>{1, 2, 3, 0}));
}

TEST_F(HeaderInput, TheFloatingImageShowsTheCaptionInTheHeadersProportionalFont)
{
    Make(3, 180);
    At(0)->SetText("WWWW");
    H->Font()->SetSize(20);
    Press(50, 8);
    Step(50, 60);
    ASSERT_NE(H->FDragImage, nullptr);
    // Four wide letters at 20 points reach well past where they would end in a small font.
    HDC dc = H->FDragImage->Canvas()->Handle();
    int inkRight = -1;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 170; ++x) {
            const COLORREF c = GetPixel(dc, x, y);
            if (std::max({GetRValue(c), GetGValue(c), GetBValue(c)}) < 90)
                inkRight = std::max(inkRight, x);
        }
    EXPECT_GT(inkRight, 80);
    Input::MouseUp(H, mbLeft, 60, 8);
}

TEST_F(HeaderInput, MoveOnDragInAScrolledHeaderGoesByTheScrolledPlaces)
{
    Make(4);
    H->SetMoveOnDrag(true);
    H->SetLeftPos(50);
    // Section 1 is painted at 50..150, section 2 at 150..250.
    Press(100, 8);
    Step(100, 150);
    EXPECT_EQ(Order(), (std::vector<Integer>{0, 1, 2, 3}));
    // The floating image, taken from 50, has followed the mouse 50 pixels to the right.
    EXPECT_EQ(H->FDragRect.Left, 100);
    Step(150, 151);
    EXPECT_EQ(Order(), (std::vector<Integer>{0, 2, 1, 3}));
    Input::MouseUp(H, mbLeft, 151, 8);
}

TEST_F(HeaderInput, StickySectionsResizeOnlyAsFarAsTheFixedOnesAfterLeaveRoom)
{
    Make(4);
    H->SetWidth(400);
    At(2)->SetWidth(50);
    At(3)->SetResizable(false);
    At(0)->SetResizable(false);
    H->SetStickySections(true);
    ASSERT_EQ(H->Width(), 400);
    const Integer edge = At(1)->GetRight();
    // Only the fixed section after it (100 wide) bounds the edge, not the fixed one before it: it may
    // go up to 299.
    Press(edge - 2, 8);
    ASSERT_TRUE(H->FResizing);
    Step(edge - 2, 278);
    EXPECT_EQ(H->FResizeLineX, 280);
    Step(278, 297);
    EXPECT_EQ(H->FResizeLineX, 299);
    Step(297, 330);
    EXPECT_EQ(H->FResizeLineX, 299);
    Input::MouseUp(H, mbLeft, 330, 8);
    EXPECT_FALSE(H->FResizing);
}

TEST_F(HeaderInput, CancelModeDuringADragMovesNothing)
{
    Make(5);
    H->Log.clear();
    Press(250, 8);
    Step(250, 30);
    ASSERT_EQ(H->FDragSection, At(2));
    int clicks = 0;
    H->OnClick = [&](TObject*) { ++clicks; };
    EXPECT_EQ(SendMessage(H->Handle(), WM_CANCELMODE, 0, 0), 0);
    EXPECT_EQ(Order(), (std::vector<Integer>{0, 1, 2, 3, 4}));
    EXPECT_EQ(H->FDragSection, nullptr);
    EXPECT_EQ(H->FDragImage, nullptr);
    EXPECT_EQ(GetCapture(), nullptr);
    Input::MouseUp(H, mbLeft, 30, 8);
    EXPECT_EQ(Order(), (std::vector<Integer>{0, 1, 2, 3, 4}));
    EXPECT_TRUE(H->Log.empty());
    // The class library's press ended too: the release is no click of the control.
    EXPECT_EQ(clicks, 0);

    // A dialog that comes up during the drag ends it the same way.
    H->OnMouseMove = [](TObject*, TShiftState, int X, int) {
        if (X == 100)
            uitest::AnswerNextDialog([](TObject*) { return int(mrOk); }),
                (void)(new TForm(nullptr))->ShowModal();
    };
    Press(350, 8);
    Step(350, 20);
    Input::MouseUp(H, mbLeft, 20, 8);
    EXPECT_EQ(Order(), (std::vector<Integer>{0, 1, 2, 3, 4}));
}

TEST_F(HeaderInput, ADraggedSectionDeletedFromCodeEndsTheDragAtTheRelease)
{
    Make(3);
    Press(150, 8);
    Step(150, 200);
    ASSERT_NE(H->FDragImage, nullptr);
    H->Sections()->DeleteSection(At(1));
    Input::MouseUp(H, mbLeft, 200, 8);
    EXPECT_EQ(H->FDragImage, nullptr);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(H->Sections()->GetCount(), 2);
}

TEST_F(HeaderInput, EscapeDuringADragMovesNothing)
{
    Make(3);
    Press(250, 8);
    Step(250, 30);
    H->SetFocus();
    std::vector<Word> keys;
    H->OnKeyDown = [&](TObject*, Word& Key, TShiftState) { keys.push_back(Key); };
    Input::PressKey(VK_ESCAPE);
    EXPECT_EQ(H->FDragSection, nullptr);
    // The key goes on to the owner after the header has ended the drag.
    EXPECT_EQ(keys, std::vector<Word>{VK_ESCAPE});
    Input::MouseUp(H, mbLeft, 30, 8);
    EXPECT_EQ(Order(), (std::vector<Integer>{0, 1, 2}));
}

TEST_F(HeaderInput, CancelModeDuringAResizeKeepsTheLastLine)
{
    Make(3);
    Press(98, 8);
    Step(98, 120);
    SendMessage(H->Handle(), WM_CANCELMODE, 0, 0);
    EXPECT_FALSE(H->FResizing);
    EXPECT_FALSE(H->FLineDrawn);
    EXPECT_EQ(At(0)->Width(), 122);
    EXPECT_EQ(H->Log.back(), "resize 0");
    // And a press ends without a click, the mouse let go.
    H->Log.clear();
    Press(250, 8);
    EXPECT_EQ(GetCapture(), H->Handle());
    SendMessage(H->Handle(), WM_CANCELMODE, 0, 0);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_FALSE(H->FPressed);
    // Section 0 is 122 wide now: section 2 ends at 322.
    Input::MouseMove(H, 320, 8);
    EXPECT_EQ(Screen->Cursor(), crHSplit);
    Input::MouseUp(H, mbLeft, 250, 8);
    EXPECT_TRUE(H->Log.empty());
}

TEST_F(HeaderInput, AMoveHandlerThatFreesTheHeaderOrDeletesTheDraggedSection)
{
    Make(4);
    auto texts = [&] {
        std::vector<std::string> t;
        for (Integer i = 0; i < H->Sections()->GetCount(); ++i)
            t.push_back(At(i)->Text());
        return t;
    };
    H->OnSectionMove = [this](TObject*, TExHeaderSection* s, Integer, Integer) { H->Sections()->DeleteSection(s); };
    DragTo(250, 30);
    EXPECT_EQ(texts(), (std::vector<std::string>{"S0", "S1", "S3"}));
    EXPECT_EQ(H->FDragImage, nullptr);

    H->SetMoveOnDrag(true);
    Press(250, 8);
    Step(250, 40);
    EXPECT_EQ(H->FDragImage, nullptr);
    EXPECT_EQ(H->FDragSection, nullptr);
    Input::MouseUp(H, mbLeft, 40, 8);
    EXPECT_EQ(texts(), (std::vector<std::string>{"S0", "S1"}));

    H->OnSectionMove = [this](TObject*, TExHeaderSection*, Integer, Integer) { TObject::Free(H); };
    TGuardPtr<TControl> alive(H);
    Press(150, 8);
    for (Integer x = 149; alive && x > 20; --x)
        Input::MouseMove(H, x, 8);
    EXPECT_FALSE(alive);
    H = nullptr;
    EXPECT_EQ(GetCapture(), nullptr);
}

// ---------------------------------------------------------------- signs

TEST_F(HeaderInput, TheExpandSignTogglesTheSectionAndItsChildrenWithoutAClick)
{
    Make(3);
    At(0)->SetExpandable(true);
    At(1)->SetParentSection(At(0));
    H->Log.clear();
    std::vector<TExHeaderSection*> pressedInHandler;
    H->OnSectionExpand = [&](TObject*, TExHeaderSection* s) {
        H->Log.push_back("expand " + std::to_string(s->GetIndex()));
        pressedInHandler.push_back(H->FPressSection);
    };
    EXPECT_FALSE(At(1)->GetVisible());
    // The sign column ends 4 pixels left of the painted right edge.
    ClickAt(93, 5);
    EXPECT_TRUE(At(0)->Expanded());
    EXPECT_TRUE(At(1)->GetVisible());
    ClickAt(89, 2);
    EXPECT_FALSE(At(0)->Expanded());
    EXPECT_EQ(H->Log, (std::vector<std::string>{"expand 0", "collapse 0"}));
    EXPECT_EQ(pressedInHandler, std::vector<TExHeaderSection*>{nullptr});
    // Left of the sign's columns (89 to 96) it is a click.
    ClickAt(88, 5);
    EXPECT_EQ(H->Log.back(), "click 0");
    EXPECT_FALSE(At(0)->Expanded());
    // Outside the sign's rows (2 to 9) it is a click.
    ClickAt(93, 10);
    EXPECT_EQ(H->Log.back(), "click 0");
    ClickAt(93, 11);
    EXPECT_EQ(H->Log.back(), "click 0");
    EXPECT_FALSE(At(0)->Expanded());
}

TEST_F(HeaderInput, TheFilterSignCallsTheFilterAndANarrowSectionHasNoSigns)
{
    Make(3);
    At(1)->SetFilterEnabled(true);
    H->SetLockHeight(false);
    ClickAt(193, 14);
    EXPECT_EQ(H->Log, std::vector<std::string>{"filter 1"});
    // The sign's rows are 12 to 16, its columns from 10 to 4 left of the edge (the last five are the
    // edge's resize area).
    for (TPoint p : {TPoint{193, 17}, TPoint{193, 11}, TPoint{189, 14}}) {
        H->Log.clear();
        ClickAt(p.X, p.Y);
        EXPECT_EQ(H->Log, std::vector<std::string>{"click 1"}) << p.X << "," << p.Y;
    }
    H->Log.clear();
    ClickAt(190, 12);
    ClickAt(194, 16);
    EXPECT_EQ(H->Log, (std::vector<std::string>{"filter 1", "filter 1"}));
    At(1)->SetWidth(14);
    H->Log.clear();
    ClickAt(100 + 14 - 6, 14);
    EXPECT_EQ(H->Log, std::vector<std::string>{"click 1"});
}

TEST_F(HeaderInput, AnExpandHandlerThatFreesTheHeader)
{
    Make(2);
    At(0)->SetExpandable(true);
    H->OnSectionExpand = [this](TObject*, TExHeaderSection*) { TObject::Free(H); };
    Press(93, 5);
    H = nullptr;
    EXPECT_EQ(Form->ControlCount(), 1);
}

// ---------------------------------------------------------------- lookup

struct HeaderLookup : HeaderInput {
    TExHeaderSection* L = nullptr;
    HeaderLookup()
    {
        Make(3);
        L = At(1);
        L->SetLookupEnabled(true);
        L->LookupHistory()->Add("alpha");
        L->LookupHistory()->Add("beta");
        H->SetBounds(10, 30, 600, 20);
        H->Log.clear();
    }
    TExAdvancedComboBox* Editor() const { return dynamic_cast<TExAdvancedComboBox*>(H->FLookupEditor); }
    void Open() { ClickAt(193, 14); }
};

TEST_F(HeaderLookup, TheSignOpensTheEditorOverTheSectionWithItsHistory)
{
    int downs = 0;
    H->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++downs; };
    Open();
    EXPECT_EQ(downs, 1);
    ASSERT_NE(Editor(), nullptr);
    EXPECT_TRUE(H->FLookupShown);
    EXPECT_EQ(Editor()->Parent(), Form);
    EXPECT_TRUE(Editor()->Visible());
    EXPECT_EQ(Editor()->Left(), 110);
    EXPECT_EQ(Editor()->Top(), 30);
    EXPECT_EQ(Editor()->Width(), 100);
    EXPECT_EQ(Editor()->Items()->Count(), 2);
    EXPECT_EQ(Editor()->Items()->Strings(1), "beta");
    EXPECT_EQ(Editor()->Font()->Height(), std::abs(H->Font()->Height()) - 3);
    EXPECT_EQ(Editor()->Font()->Name(), H->Font()->Name());
    EXPECT_TRUE(Editor()->IsFocused());
    EXPECT_FALSE(Has("click 1"));
    // The sign's rows are 12 to 16.
    Input::PressKey(VK_ESCAPE);
    H->Log.clear();
    ClickAt(193, 12);
    EXPECT_TRUE(H->FLookupShown);
    Input::PressKey(VK_ESCAPE);
    H->Log.clear();
    ClickAt(193, 11);
    EXPECT_FALSE(H->FLookupShown);
    EXPECT_EQ(H->Log, std::vector<std::string>{"click 1"});
    ASSERT_GT(H->Height(), 17);
    ClickAt(193, 17);
    EXPECT_FALSE(H->FLookupShown);
    ClickAt(193, 14);
    // Not on the locked section.
    H->SetLockedSection(L);
    Input::PressKey(VK_ESCAPE);
    H->Log.clear();
    ClickAt(93, 14);
    EXPECT_FALSE(H->FLookupShown);
    EXPECT_EQ(H->Log, std::vector<std::string>{"click 1"});
}

TEST_F(HeaderLookup, TypedTextBeyondAsciiReachesTheOwnerWhoMayChangeIt)
{
    // Typed as UTF-8, the controls' text is in the Western code page.
    const std::string zur = "Z\xFCr", zurich = "Z\xFCrich Stra\xDF" "e";
    std::vector<std::string> seen;
    H->OnHeaderLookup = [&](TObject*, TExHeaderSection* s, std::string& Text) {
        EXPECT_EQ(s, L);
        seen.push_back(Text);
        if (Text == zur)
            Text = zurich;
    };
    Open();
    Input::TypeText("Z\xC3\xBCr");
    EXPECT_EQ(seen, (std::vector<std::string>{"Z", "Z\xFC", zur}));
    EXPECT_EQ(Editor()->Text(), zurich);
    Input::PressKey(VK_RETURN);
    EXPECT_FALSE(H->FLookupShown);
    EXPECT_FALSE(Editor()->Visible());
    EXPECT_EQ(H->Log, std::vector<std::string>{"done 1 " + zurich + " ok"});
    EXPECT_EQ(L->LookupHistory()->Strings(0), zurich);
    EXPECT_EQ(L->LookupHistory()->Count(), 3);
    // The change the owner made raised no second lookup, and the focus goes back where it was.
    EXPECT_EQ(seen.size(), 3u);
    EXPECT_TRUE(Other->Focused());
}

TEST_F(HeaderLookup, EnterMovesAnExistingLineToTheTopEscapeLeavesTheHistory)
{
    Open();
    Input::TypeText("beta");
    Input::PressKey(VK_RETURN);
    ASSERT_EQ(L->LookupHistory()->Count(), 2);
    EXPECT_EQ(L->LookupHistory()->Strings(0), "beta");
    EXPECT_EQ(L->LookupHistory()->Strings(1), "alpha");
    // The top line entered again stays the one top line.
    Open();
    Input::TypeText("beta");
    Input::PressKey(VK_RETURN);
    ASSERT_EQ(L->LookupHistory()->Count(), 2);
    EXPECT_EQ(L->LookupHistory()->Strings(0), "beta");

    H->Log.clear();
    Open();
    // Reopened, the editor starts empty and with the new history.
    EXPECT_EQ(Editor()->Text(), "");
    EXPECT_EQ(Editor()->Items()->Strings(0), "beta");
    Input::TypeText("gamma");
    Input::PressKey(VK_ESCAPE);
    EXPECT_EQ(H->Log, std::vector<std::string>{"done 1 gamma no"});
    EXPECT_EQ(L->LookupHistory()->Count(), 2);
    EXPECT_FALSE(Editor()->Visible());
}

TEST_F(HeaderLookup, APressOnTheHeaderOrLeavingTheEditorCloses)
{
    Open();
    Input::TypeText("x");
    ClickAt(50, 8);
    EXPECT_EQ(H->Log, std::vector<std::string>{"done 1 x no"});
    EXPECT_FALSE(H->FLookupShown);

    H->Log.clear();
    Open();
    Other->SetFocus();
    EXPECT_EQ(H->Log, std::vector<std::string>{"done 1  no"});
    EXPECT_FALSE(Editor()->Visible());
}

TEST_F(HeaderLookup, TheEditorGoesWithItsHeaderAndItsHandlersMayFreeIt)
{
    Open();
    const int children = Form->ControlCount();
    TObject::Free(H);
    EXPECT_EQ(Form->ControlCount(), children - 2);
    uitest::Pump();

    H = new TInputHeader(Form);
    H->SetParent(Form);
    H->SetBounds(0, 0, 600, 20);
    Make(2);
    At(1)->SetLookupEnabled(true);
    L = At(1);
    H->OnHeaderLookupDone = [this](TObject*, TExHeaderSection*, const std::string&, bool) { TObject::Free(H); };
    Open();
    Input::TypeText("q");
    Input::PressKey(VK_RETURN);
    H = nullptr;
    EXPECT_EQ(Form->ControlCount(), 1);

    H = new TInputHeader(Form);
    H->SetParent(Form);
    H->SetBounds(0, 0, 600, 20);
    Make(2);
    At(1)->SetLookupEnabled(true);
    H->OnHeaderLookup = [this](TObject*, TExHeaderSection*, std::string&) {
        // The closure goes with the header: what it needs afterwards is read first.
        HeaderInput* fixture = this;
        TObject::Free(fixture->Form);
        fixture->Form = nullptr;
    };
    Open();
    Input::TypeText("q");
    EXPECT_EQ(Form, nullptr);
}

TEST_F(HeaderLookup, DeletingTheLookedUpSectionClosesTheEditor)
{
    Open();
    H->Sections()->DeleteSection(L);
    EXPECT_FALSE(H->FLookupShown);
    EXPECT_FALSE(Editor()->Visible());
    Input::PressKey(VK_RETURN);
    EXPECT_TRUE(H->Log.empty() || H->Log.back().rfind("delete", 0) == 0);
}

// ---------------------------------------------------------------- hot tracking, cursor, menus

TEST_F(HeaderInput, HotTrackingAndTheSplitCursorFollowTheMouse)
{
    Make(3);
    Input::MouseMove(H, 150, 8);
    EXPECT_EQ(H->FHotSection, At(1));
    EXPECT_EQ(Screen->Cursor(), crDefault);
    Input::MouseMove(H, 197, 8);
    EXPECT_EQ(Screen->Cursor(), crHSplit);
    At(1)->SetResizable(false);
    Input::MouseMove(H, 196, 8);
    EXPECT_EQ(Screen->Cursor(), crDefault);
    Input::MouseMove(H, 250, 8);
    EXPECT_EQ(H->FHotSection, At(2));
    // Past the last section no section is hot, and the last one is drawn again plainly.
    H->Painted = TRect{};
    Input::MouseMove(H, 450, 8);
    EXPECT_EQ(H->FHotSection, nullptr);
    EXPECT_LE(H->Painted.Left, 200);
    EXPECT_GE(H->Painted.Right, 300);
    Input::MouseMove(H, 250, 8);
    Input::MouseMove(Form, 300, 150);
    EXPECT_EQ(H->FHotSection, nullptr);
    // Leaving the header from an edge gives the cursor back.
    Input::MouseMove(H, 297, 8);
    EXPECT_EQ(Screen->Cursor(), crHSplit);
    Input::MouseMove(Form, 300, 150);
    EXPECT_EQ(Screen->Cursor(), crDefault);
    H->SetTracking(false);
    Input::MouseMove(H, 150, 8);
    EXPECT_EQ(H->FHotSection, nullptr);
}

TEST_F(HeaderInput, MovingToAnotherSectionBringsItsOwnHint)
{
    Make(3);
    At(0)->SetHint("Day of reception");
    At(1)->SetHint("Time in UTC");
    H->SetHint("Columns");
    H->SetShowHint(true);
    const int savedPause = Application->HintPause;
    Application->HintPause = 30;
    Input::MouseMove(H, 50, 8);
    uitest::PumpUntil([] { return !Application->CurrentHintText().empty(); }, 1000);
    EXPECT_EQ(Application->CurrentHintText(), "Day of reception");
    EXPECT_EQ(H->FHintSection, At(0));
    // Within the header the hint would stay; the move to another section asks for it anew.
    Input::MouseMove(H, 150, 8);
    uitest::PumpUntil([] { return Application->CurrentHintText() == "Time in UTC"; }, 1000);
    EXPECT_EQ(Application->CurrentHintText(), "Time in UTC");
    EXPECT_EQ(H->FHintSection, At(1));
    Application->CancelHint();
    Application->HintPause = savedPause;
}

TEST_F(HeaderInput, LosingTheFocusInADragDropsTheSectionWhereTheMouseIs)
{
    Make(4);
    H->SetFocus();
    ASSERT_TRUE(H->Focused());
    Press(250, 8);
    Step(250, 30);
    ASSERT_EQ(H->FDragSection, At(2));
    Other->SetFocus();
    EXPECT_EQ(H->FDragSection, nullptr);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(Order(), (std::vector<Integer>{2, 0, 1, 3}));
}

// The user never let go: the focus moving away ends a press without a click of the section or of
// the control, through a key and through a program's SetFocus alike, and the release that comes
// later over the same section clicks nothing either.
TEST_F(HeaderInput, LosingTheFocusWhileASectionIsHeldEndsThePressWithoutAClick)
{
    Make(4);
    H->SetTabStop(true);
    int clicks = 0, ups = 0;
    H->OnClick = [&](TObject*) { ++clicks; };
    H->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { ++ups; };
    auto section1 = [&] {
        uitest::Pump();
        TBitmap shot;
        EXPECT_TRUE(CaptureControlImage(H, &shot));
        std::vector<COLORREF> px;
        for (int y = 0; y < 20; ++y)
            for (int x = 100; x < 200; ++x)
                px.push_back(GetPixel(shot.Canvas()->Handle(), x, y));
        return px;
    };
    const std::vector<COLORREF> up = section1();
    for (bool byKey : {true, false}) {
        SCOPED_TRACE(byKey ? "Tab" : "SetFocus");
        H->SetFocus();
        ASSERT_TRUE(H->Focused());
        Press(150, 8);
        ASSERT_TRUE(H->FPressed);
        ASSERT_EQ(H->FPressSection, At(1));
        ASSERT_NE(section1(), up);
        H->Log.clear();
        if (byKey)
            Input::PressKey(VK_TAB);
        else
            Other->SetFocus();
        uitest::Pump();
        ASSERT_FALSE(H->Focused());
        EXPECT_EQ(H->FPressSection, nullptr);
        EXPECT_FALSE(H->FPressed);
        EXPECT_EQ(section1(), up);
        Input::MouseUp(H, mbLeft, 150, 8);
        EXPECT_EQ(std::count(H->Log.begin(), H->Log.end(), "click 1"), 0);
        EXPECT_EQ(clicks, 0);
    }
    // The owner still hears the button's end.
    EXPECT_GE(ups, 2);
}

TEST_F(HeaderInput, TheSectionsMenuPopsOnceOnTheRightPressTheHeadersWhenItHasNone)
{
    Make(3);
    auto* own = new TPopupMenu(Form);
    auto* columns = new TPopupMenu(Form);
    H->SetPopupMenu(own);
    At(1)->SetPopupMenu(columns);
    std::vector<TObject*> popped;
    uitest::AnswerAllDialogs([&](TObject* Menu) {
        popped.push_back(Menu);
        return 0;
    });
    int rightDowns = 0, rightUps = 0;
    H->OnMouseDown = [&](TObject*, TMouseButton Button, TShiftState, int, int) { rightDowns += Button == mbRight; };
    H->OnMouseUp = [&](TObject*, TMouseButton Button, TShiftState, int, int) { rightUps += Button == mbRight; };
    ClickAt(150, 8, mbRight);
    EXPECT_EQ(popped, std::vector<TObject*>{columns});
    // The owner hears of the press and the release after the menu.
    EXPECT_EQ(rightDowns, 1);
    EXPECT_EQ(rightUps, 1);
    popped.clear();
    ClickAt(50, 8, mbRight);
    EXPECT_EQ(popped, std::vector<TObject*>{own});
    // A section menu that does not pop by itself keeps the header's from popping too.
    popped.clear();
    columns->AutoPopup = false;
    ClickAt(150, 8, mbRight);
    EXPECT_TRUE(popped.empty());
    EXPECT_EQ(rightDowns, 3);
    uitest::ClearDialogAnswers();
}

TEST_F(HeaderInput, AHeaderWithoutStandardEventsTakesNoPressOfItsOwn)
{
    Make(2);
    H->ControlStyle |= csNoStdEvents;
    ClickAt(50, 8);
    Press(98, 8);
    EXPECT_FALSE(H->FResizing);
    Input::MouseUp(H, mbLeft, 98, 8);
    Input::MouseMove(H, 150, 8);
    EXPECT_EQ(H->FHotSection, nullptr);
    EXPECT_TRUE(H->Log.empty());
}

}  // namespace
