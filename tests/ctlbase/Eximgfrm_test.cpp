#include "ctlbase/Eximgfrm.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "ctlbase/Extools.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/Input.h"
#include "platform/WinGdiMore.h"
#include "tests/support/UiTest.h"

namespace {

// A picture whose every pixel tells where it is.
void Code(TBitmap& b, int w, int h)
{
    b.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.Canvas()->SetPixel(x, y, TColor(RGB(x * 9, y * 9, 3)));
}

struct Surface {
    Surface(int w, int h)
    {
        bmp.SetSize(w, h);
        bmp.Canvas()->Brush()->SetColor(clWhite);
        bmp.Canvas()->FillRect(Rect(0, 0, w, h));
    }
    HDC dc() { return bmp.Canvas()->Handle(); }
    TColor at(int x, int y) { return bmp.Canvas()->Pixels(x, y); }
    TBitmap bmp;
};

// A child control that counts the image form's repaint broadcasts.
class Listener : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    int repaints = 0;
    bool paintsOwnBackground = false;

protected:
    void WndProc(TMessage& Message) override
    {
        if (Message.Msg == IFM_REPAINTCHILDREN) {
            ++repaints;
            return;
        }
        if (Message.Msg == IFM_CANPAINTBKGND) {
            Message.Result = paintsOwnBackground ? 1 : 0;
            return;
        }
        TCustomControl::WndProc(Message);
    }
};

class ScrolledBox : public Listener {
public:
    using Listener::Listener;

protected:
    void CreateParams(TCreateParams& Params) override
    {
        Listener::CreateParams(Params);
        Params.Style |= WS_VSCROLL;
    }
};

class ImageForm : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = new TForm(nullptr);
        form->SetBorderStyle(bsNone);
        form->SetBounds(50, 60, 120, 90);
        form->SetColor(clTeal);
        imageForm = new TExImageForm(form);
    }
    void TearDown() override
    {
        TObject::Free(form);
        uitest::Pump();  // the hook registry lets go of emptied entries through posted messages
    }
    TForm* form = nullptr;
    TExImageForm* imageForm = nullptr;
};

// ---------------------------------------------------------------- change links

TEST_F(ImageForm, LinksHearChangesInOrderAndLetGoBothWays)
{
    std::vector<int> heard;
    auto a = std::make_unique<TImgFormChangeLink>();
    auto b = std::make_unique<TImgFormChangeLink>();
    a->OnChange = [&](TObject* Sender) {
        EXPECT_EQ(Sender, imageForm);
        heard.push_back(1);
    };
    b->OnChange = [&](TObject*) { heard.push_back(2); };
    imageForm->RegisterChanges(a.get());
    imageForm->RegisterChanges(b.get());
    EXPECT_EQ(a->Sender(), imageForm);
    imageForm->SetBackgroundType(bgtTileBitmap);
    imageForm->SetBackgroundType(bgtTileBitmap);  // unchanged: nothing
    EXPECT_EQ(heard, (std::vector<int>{1, 2}));
    imageForm->SetGradientStartColor(clRed);  // not a gradient: the controls need not hear
    EXPECT_EQ(heard.size(), 2u);
    imageForm->SetBackgroundType(bgtVertGradient);
    imageForm->SetGradientEndColor(clBlue);  // a gradient: they do, or their share goes stale
    EXPECT_EQ(heard.size(), 6u);

    imageForm->UnregisterChanges(a.get());
    EXPECT_EQ(a->Sender(), nullptr);
    b.reset();  // a link that goes unregisters itself
    heard.clear();
    imageForm->SetBackgroundType(bgtColorFill);
    EXPECT_TRUE(heard.empty());

    // A link moved to a second image form is no longer the first one's.
    auto other = new TExImageForm(form);
    imageForm->RegisterChanges(a.get());
    other->RegisterChanges(a.get());
    EXPECT_EQ(a->Sender(), other);
    imageForm->SetBackgroundType(bgtTileBitmap);
    EXPECT_TRUE(heard.empty());
    TObject::Free(other);  // destroying the image form leaves its links with no sender
    EXPECT_EQ(a->Sender(), nullptr);
}

// ---------------------------------------------------------------- region from a picture

TEST(BitmapRegion, BandsCoverExactlyTheOpaquePixels)
{
    TBitmap b;
    b.SetSize(37, 23);
    std::mt19937 rng(7);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x)
            // Rows come in pairs so that bands of several rows form.
            b.Canvas()->SetPixel(x, y, (rng() % 3 == 0 && y % 4 != 1) ? clFuchsia : TColor(RGB(y, x, 0)));
    for (int y = 1; y < 23; y += 4)
        for (int x = 0; x < 37; ++x)
            b.Canvas()->SetPixel(x, y, b.Canvas()->Pixels(x, y - 1) == clFuchsia ? clFuchsia : clBlack);
    HRGN r = BitmapToRegion(&b, clFuchsia);
    ASSERT_NE(r, nullptr);
    for (int y = -1; y <= 23; ++y)
        for (int x = -1; x <= 37; ++x) {
            const bool opaque = x >= 0 && y >= 0 && x < 37 && y < 23 && b.Canvas()->Pixels(x, y) != clFuchsia;
            ASSERT_EQ(PtInRegion(r, x, y) != 0, opaque) << x << "," << y;
        }
    DeleteObject(r);

    TBitmap clear;
    clear.SetSize(4, 3);
    clear.Canvas()->Brush()->SetColor(clFuchsia);
    clear.Canvas()->FillRect(Rect(0, 0, 4, 3));
    EXPECT_EQ(BitmapToRegion(&clear, clFuchsia), nullptr);
    TBitmap empty;
    EXPECT_EQ(BitmapToRegion(&empty, clFuchsia), nullptr);
    HRGN whole = BitmapToRegion(&clear, clNone);
    RECT box;
    EXPECT_EQ(GetRgnBox(whole, &box), SIMPLEREGION);
    EXPECT_EQ(box, Rect(0, 0, 4, 3));
    DeleteObject(whole);
}

TEST_F(ImageForm, OneColourBorderShapesTheWindowAndClearingTheFlagRestoresIt)
{
    auto* image = new TImage(form);
    image->SetParent(form);
    TBitmap pic;
    pic.SetSize(20, 12);
    pic.Canvas()->Brush()->SetColor(clFuchsia);
    pic.Canvas()->FillRect(Rect(0, 0, 20, 12));
    pic.Canvas()->Brush()->SetColor(clNavy);
    pic.Canvas()->FillRect(Rect(2, 3, 18, 10));
    pic.Canvas()->SetPixel(5, 5, clFuchsia);
    image->Picture()->Assign(&pic);
    HWND h = form->Handle();
    HRGN probe = CreateRectRgn(0, 0, 0, 0);

    imageForm->SetImage(image);
    EXPECT_EQ(GetWindowRgn(h, probe), ERROR);  // ChangeFormRegion is off
    imageForm->SetChangeRegion(true);
    ASSERT_EQ(GetWindowRgn(h, probe), COMPLEXREGION);
    EXPECT_TRUE(PtInRegion(probe, 2, 3));
    EXPECT_TRUE(PtInRegion(probe, 17, 9));
    EXPECT_FALSE(PtInRegion(probe, 5, 5));
    EXPECT_FALSE(PtInRegion(probe, 1, 3));
    EXPECT_FALSE(PtInRegion(probe, 17, 10));
    EXPECT_EQ(imageForm->GetTransparentColor(), clFuchsia);

    imageForm->SetChangeRegion(false);
    EXPECT_EQ(GetWindowRgn(h, probe), ERROR);

    // Off, neither a new picture, nor another transparent colour, nor another control reshapes.
    image->Picture()->Bitmap()->Canvas()->SetPixel(0, 11, clNavy);
    imageForm->SetTransparentColor(clNavy);
    auto* box = new Listener(form);
    box->SetParent(form);
    imageForm->SetControl(box);
    imageForm->SetControl(nullptr);
    EXPECT_EQ(GetWindowRgn(h, probe), ERROR);
    EXPECT_EQ(GetWindowRgn(box->Handle(), probe), ERROR);

    // On again: a changed picture takes its new bottom-left colour as the transparent one.
    imageForm->SetChangeRegion(true);
    TBitmap plain;
    plain.SetSize(6, 4);
    plain.Canvas()->Brush()->SetColor(clRed);
    plain.Canvas()->FillRect(Rect(0, 0, 6, 4));
    plain.Canvas()->SetPixel(5, 0, clBlue);
    image->Picture()->Assign(&plain);
    EXPECT_EQ(imageForm->TransparentColor(), clRed);
    ASSERT_EQ(GetWindowRgn(h, probe), SIMPLEREGION);
    EXPECT_TRUE(PtInRegion(probe, 5, 0));
    EXPECT_FALSE(PtInRegion(probe, 4, 0));
    DeleteObject(probe);
}

TEST_F(ImageForm, WhileLoadingPictureChangesWaitUntilLoaded)
{
    auto* image = new TImage(form);
    imageForm->SetImage(image);
    int changes = 0;
    TImgFormChangeLink link;
    link.OnChange = [&](TObject*) { ++changes; };
    imageForm->RegisterChanges(&link);
    imageForm->SetState(csLoading, true);
    TBitmap pic;
    pic.SetSize(3, 2);
    pic.Canvas()->Brush()->SetColor(clOlive);
    pic.Canvas()->FillRect(Rect(0, 0, 3, 2));
    image->Picture()->Assign(&pic);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(imageForm->TransparentColor(), clNone);
    imageForm->Loaded();
    EXPECT_FALSE(imageForm->HasState(csLoading));
    EXPECT_EQ(imageForm->TransparentColor(), clOlive);
    EXPECT_EQ(changes, 1);
    image->Picture()->Assign(&pic);
    EXPECT_EQ(changes, 2);
}

TEST_F(ImageForm, ThePictureGetsItsOwnChangeEventBackWhenTheImageFormLetsGo)
{
    auto* image = new TImage(form);
    int own = 0;
    image->Picture()->OnChange = [&](TObject*) { ++own; };
    imageForm->SetImage(image);
    TBitmap pic;
    pic.SetSize(3, 3);
    image->Picture()->Assign(&pic);
    EXPECT_EQ(own, 1);  // the saved event runs first
    imageForm->SetImage(nullptr);
    image->Picture()->Assign(&pic);
    EXPECT_EQ(own, 2);
    imageForm->SetImage(image);
    TObject::Free(imageForm);
    imageForm = nullptr;
    image->Picture()->Assign(&pic);  // must not reach the image form that has gone
    EXPECT_EQ(own, 3);
    // An image that goes first is forgotten.
    auto* second = new TExImageForm(form);
    auto* image2 = new TImage(form);
    second->SetImage(image2);
    TObject::Free(image2);
    EXPECT_EQ(second->FormImage(), nullptr);
}

// Two image forms on one picture, let go in either order: the picture's own handler and the form
// still on it keep hearing of changes, and none reaches a form that has gone.
TEST_F(ImageForm, TwoImageFormsOnOnePictureLetGoInEitherOrder)
{
    for (bool firstGoesFirst : {true, false}) {
        SCOPED_TRACE(firstGoesFirst ? "the first one goes first" : "the second one goes first");
        auto* image = new TImage(form);
        int own = 0;
        image->Picture()->OnChange = [&](TObject*) { ++own; };
        auto* one = new TExImageForm(form);
        auto* two = new TExImageForm(form);
        one->SetImage(image);
        two->SetImage(image);
        int heardOne = 0, heardTwo = 0;
        TImgFormChangeLink linkOne, linkTwo;
        linkOne.OnChange = [&](TObject*) { ++heardOne; };
        linkTwo.OnChange = [&](TObject*) { ++heardTwo; };
        one->RegisterChanges(&linkOne);
        two->RegisterChanges(&linkTwo);
        TBitmap pic;
        pic.SetSize(3, 3);
        image->Picture()->Assign(&pic);
        EXPECT_EQ(own, 1);
        EXPECT_EQ(heardOne, 1);
        EXPECT_EQ(heardTwo, 1);

        TExImageForm* gone = firstGoesFirst ? one : two;
        int& stays = firstGoesFirst ? heardTwo : heardOne;
        TObject::Free(gone);
        pic.SetSize(4, 4);
        image->Picture()->Assign(&pic);
        EXPECT_EQ(own, 2);
        EXPECT_EQ(stays, 2) << "the form still on the picture hears of it";

        TObject::Free(firstGoesFirst ? two : one);
        pic.SetSize(5, 5);
        image->Picture()->Assign(&pic);  // must reach neither form
        EXPECT_EQ(own, 3);
        EXPECT_EQ(heardOne + heardTwo, 3);
        TObject::Free(image);
    }
}

TEST_F(ImageForm, LinkHandlersMayLeaveFreeLinksOrFreeTheImageForm)
{
    std::vector<int> heard;
    auto* first = new TImgFormChangeLink;
    TImgFormChangeLink second, third;
    // The first link leaves when it hears: the others still hear this change.
    first->OnChange = [&](TObject*) {
        heard.push_back(1);
        imageForm->UnregisterChanges(first);
    };
    second.OnChange = [&](TObject*) { heard.push_back(2); };
    third.OnChange = [&](TObject*) { heard.push_back(3); };
    for (TImgFormChangeLink* l : {first, &second, &third})
        imageForm->RegisterChanges(l);
    imageForm->SetBackgroundType(bgtTileBitmap);
    EXPECT_EQ(heard, (std::vector<int>{1, 2, 3}));
    delete first;

    // A link that frees the next one: that one hears nothing, the rest do.
    heard.clear();
    auto* doomed = new TImgFormChangeLink;
    doomed->OnChange = [&](TObject*) { heard.push_back(9); };
    imageForm->UnregisterChanges(&third);
    imageForm->RegisterChanges(doomed);
    imageForm->RegisterChanges(&third);
    second.OnChange = [&](TObject*) {
        heard.push_back(2);
        delete doomed;
    };
    imageForm->SetBackgroundType(bgtColorFill);
    EXPECT_EQ(heard, (std::vector<int>{2, 3}));

    // A handler that frees the image form: the links after it hear nothing more from it.
    heard.clear();
    second.OnChange = [&](TObject*) {
        heard.push_back(2);
        TObject::Free(imageForm);
        imageForm = nullptr;
    };
    TExImageForm* raising = imageForm;
    raising->SetBackgroundType(bgtTileBitmap);
    EXPECT_EQ(heard, (std::vector<int>{2}));
    EXPECT_EQ(second.Sender(), nullptr);
    EXPECT_EQ(third.Sender(), nullptr);
}

// A picture handler that frees the image form that calls it.
TEST_F(ImageForm, APictureHandlerMayFreeTheImageFormThatCallsIt)
{
    auto* image = new TImage(form);
    auto* link = new TImgFormChangeLink;
    int heard = 0;
    link->OnChange = [&](TObject*) { ++heard; };
    imageForm->RegisterChanges(link);
    image->Picture()->OnChange = [&](TObject*) {
        TObject::Free(imageForm);
        imageForm = nullptr;
    };
    imageForm->SetImage(image);
    imageForm->SetChangeRegion(true);
    TBitmap pic;
    pic.SetSize(3, 3);
    image->Picture()->Assign(&pic);
    EXPECT_EQ(imageForm, nullptr);
    EXPECT_EQ(heard, 0);
    EXPECT_EQ(link->Sender(), nullptr);
    delete link;
}

// ---------------------------------------------------------------- painting

TEST_F(ImageForm, ControlsShareOneTiledBackgroundAndScrollingShiftsIt)
{
    TBitmap tile;
    Code(tile, 9, 7);
    imageForm->SetBkImage(&tile);
    imageForm->SetBackgroundType(bgtTileBitmap);
    const TRect client = form->ClientRect();
    Surface whole(client.Right, client.Bottom);
    imageForm->PaintBkgnd(whole.dc(), client, Point(0, 0), false);
    for (TRect child : {Rect(4, 5, 30, 40), Rect(30, 5, 70, 40)}) {
        Surface s(child.Width(), child.Height());
        imageForm->PaintBkgnd(s.dc(), Rect(0, 0, child.Width(), child.Height()), child.TopLeft(), false);
        for (int y = 0; y < child.Height(); ++y)
            for (int x = 0; x < child.Width(); ++x)
                ASSERT_EQ(s.at(x, y), whole.at(child.Left + x, child.Top + y)) << x << "," << y;
    }

    auto* box = new ScrolledBox(form);
    box->SetParent(form);
    box->SetBounds(0, 0, 80, 60);
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    si.nMax = 199;
    si.nPage = 20;
    si.nPos = 7;
    SetScrollInfo(box->Handle(), SB_VERT, &si, FALSE);
    imageForm->SetControl(box);
    Surface scrolled(20, 10);
    imageForm->PaintBkgnd(scrolled.dc(), Rect(0, 0, 20, 10), Point(2, 3), false);
    EXPECT_EQ(scrolled.at(0, 0), TColor(RGB(2 * 9, ((3 + 7) % 7) * 9, 3)));
    EXPECT_EQ(scrolled.at(1, 4), TColor(RGB(3 * 9, ((3 + 7 + 4) % 7) * 9, 3)));
}

TEST_F(ImageForm, KindsPaintTheirColourGradientOrCorner)
{
    Surface s(20, 10);
    imageForm->PaintBkgnd(s.dc(), Rect(0, 0, 20, 10), Point(0, 0), false);
    EXPECT_EQ(s.at(3, 3), clTeal);
    imageForm->SetBackgroundType(bgtStretchBitmap);  // no picture: the colour
    form->SetColor(clOlive);
    imageForm->PaintBkgnd(s.dc(), Rect(0, 0, 20, 10), Point(0, 0), false);
    EXPECT_EQ(s.at(3, 3), clOlive);

    TBitmap pic;
    Code(pic, 2, 2);
    imageForm->SetBkImage(&pic);
    imageForm->SetBackgroundType(bgtTopLeftBitmap);
    imageForm->PaintBkgnd(s.dc(), Rect(0, 0, 20, 10), Point(0, 0), false);
    EXPECT_EQ(s.at(0, 0), TColor(RGB(0, 0, 3)));
    EXPECT_EQ(s.at(5, 5), TColor(RGB(9, 9, 3)));  // the rest in the picture's bottom-right colour

    imageForm->SetBackgroundType(bgtVertGradient);
    imageForm->SetGradientStartColor(clBlack);
    imageForm->SetGradientEndColor(clWhite);
    imageForm->SetGradientSteps(2);
    const int height = form->ClientHeight();
    Surface g(4, 2);
    imageForm->PaintBkgnd(g.dc(), Rect(0, 0, 4, 2), Point(0, height - 2), false);
    EXPECT_EQ(g.at(1, 1), clWhite);
    imageForm->PaintBkgnd(g.dc(), Rect(0, 0, 4, 2), Point(0, 0), false);
    EXPECT_EQ(g.at(1, 1), clBlack);
}

TEST_F(ImageForm, EraseMessagesPaintOrPassOn)
{
    TBitmap tile;
    Code(tile, 5, 5);
    imageForm->SetBkImage(&tile);
    Surface s(30, 20);
    // A colour fill on the owner with no Control: the window erases itself.
    LRESULT r = form->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(s.dc()), 0);
    EXPECT_EQ(s.at(2, 2), clTeal);
    s.bmp.Canvas()->Brush()->SetColor(clWhite);
    s.bmp.Canvas()->FillRect(Rect(0, 0, 30, 20));
    imageForm->SetBackgroundType(bgtTileBitmap);
    r = form->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(s.dc()), 0);
    EXPECT_EQ(r, 1);
    EXPECT_EQ(s.at(2, 3), TColor(RGB(18, 27, 3)));

    auto* box = new Listener(form);
    box->SetParent(form);
    box->SetBounds(0, 0, 40, 30);
    box->SetColor(clMaroon);
    box->paintsOwnBackground = true;
    imageForm->SetControl(box);
    Surface own(10, 10);
    box->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(own.dc()), 0);
    EXPECT_EQ(own.at(2, 3), clMaroon);  // the control's own erasing
    box->paintsOwnBackground = false;
    EXPECT_EQ(box->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(own.dc()), 0), 1);
    EXPECT_EQ(own.at(2, 3), TColor(RGB(18, 27, 3)));
}

// ---------------------------------------------------------------- messages of the hooked window

TEST_F(ImageForm, ResizingAndScrollingTellTheChildren)
{
    auto* child = new Listener(form);
    child->SetParent(form);
    form->Handle();
    form->SetBounds(50, 60, 140, 100);
    EXPECT_GE(child->repaints, 1);
    const int afterSize = child->repaints;
    form->Perform(WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(child->repaints, afterSize + 1);
}

TEST_F(ImageForm, TheBackgroundActsAsCaptionAndDragsTheForm)
{
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(60, 40, 40, 30);
    form->Show();
    uitest::Pump();
    auto hit = [&](int x, int y) {
        TPoint p = form->ClientToScreen(Point(x, y));
        return SendMessage(form->Handle(), WM_NCHITTEST, 0, MAKELPARAM(p.X, p.Y));
    };
    EXPECT_EQ(hit(10, 10), HTCLIENT);
    imageForm->SetMoveForm(true);
    EXPECT_EQ(hit(10, 10), HTCAPTION);
    EXPECT_EQ(hit(70, 50), HTCLIENT);  // on the panel
    panel->SetEnabled(false);
    EXPECT_EQ(hit(70, 50), HTCLIENT);  // disabled ones count too

    TRect before;
    GetWindowRect(form->Handle(), &before);
    // The mouse goes to fixed screen points while the window moves under it.
    const TPoint start = form->ClientToScreen(Point(10, 10));
    Input::MouseDown(form, mbLeft, 10, 10);
    for (int step = 1; step <= 5; ++step) {
        TPoint p = form->ScreenToClient(Point(start.X + 4 * step, start.Y + 3 * step));
        Input::MouseMove(form, p.X, p.Y);
    }
    TPoint end = form->ScreenToClient(Point(start.X + 20, start.Y + 15));
    Input::MouseUp(form, mbLeft, end.X, end.Y);
    uitest::Pump();
    TRect after;
    GetWindowRect(form->Handle(), &after);
    EXPECT_EQ(after.Left - before.Left, 20);
    EXPECT_EQ(after.Top - before.Top, 15);

    // With a caption control only its area drags.
    auto* bar = new TPanel(form);
    bar->SetParent(form);
    bar->SetBounds(0, 0, 50, 12);
    imageForm->SetCaptionControl(bar);
    EXPECT_EQ(hit(5, 5), HTCAPTION);
    EXPECT_EQ(hit(10, 30), HTCLIENT);
    TObject::Free(bar);
    EXPECT_EQ(imageForm->CaptionControl(), nullptr);
}

TEST_F(ImageForm, RightAndMiddleClicksOnTheCaptionReachTheFormAsClientClicks)
{
    imageForm->SetMoveForm(true);
    form->Show();
    uitest::Pump();
    TMouseButton button = mbLeft;
    TPoint at;
    form->OnMouseDown = [&](TObject*, TMouseButton b, TShiftState, int x, int y) {
        button = b;
        at = Point(x, y);
    };
    TPoint p = form->ClientToScreen(Point(12, 14));
    SendMessage(form->Handle(), WM_NCRBUTTONDOWN, HTCAPTION, MAKELPARAM(p.X, p.Y));
    EXPECT_EQ(button, mbRight);
    EXPECT_EQ(at, Point(12, 14));
    SendMessage(form->Handle(), WM_NCMBUTTONDOWN, HTCAPTION, MAKELPARAM(p.X, p.Y));
    EXPECT_EQ(button, mbMiddle);
}

}  // namespace
