// The standard controls one by one, forms and the application object, and menu structures.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/Buttons.h"
#include "platform/ComCtrls.h"
#include "platform/ExtCtrls.h"
#include "platform/Input.h"
#include "platform/Menus.h"
#include "platform/StdCtrls.h"
#include "tests/platform/LayoutForm.h"
#include "tests/support/UiTest.h"

namespace {

class Controls : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->Initialize();
        form = new TForm(nullptr);
        form->SetBounds(50, 50, 400, 300);
        form->AfterConstruction();
    }
    void TearDown() override
    {
        delete form;
        uitest::ClearDialogAnswers();
        uitest::Pump();
    }
    void Show()
    {
        form->Show();
        uitest::Pump();
    }
    COLORREF Pixel(TWinControl* w, int x, int y)
    {
        HDC dc = GetDC(w->Handle());
        COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(w->Handle(), dc);
        return c;
    }
    // Whether text ink (smoothed black) stands somewhere in the rectangle.
    bool HasInk(TWinControl* w, const TRect& r)
    {
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x) {
                COLORREF c = Pixel(w, x, y);
                if (GetRValue(c) < 64 && GetGValue(c) < 64 && GetBValue(c) < 64)
                    return true;
            }
        return false;
    }
    TForm* form = nullptr;
};

TEST_F(Controls, LabelsSizeThemselvesToTheirText)
{
    auto* l = new TLabel(form);
    l->SetParent(form);
    l->SetBounds(10, 10, 200, 40);
    l->SetCaption("Morvik  V1.0");
    TCanvas* c = static_cast<TGraphicControl*>(l)->Canvas();
    c->SetFont(l->Font());
    EXPECT_EQ(l->Width(), c->TextWidth("Morvik  V1.0"));
    EXPECT_EQ(l->Height(), c->TextHeight("Morvik  V1.0"));
    // A centred label keeps its centre as the text grows.
    l->SetAlignment(taCenter);
    int centre = l->Left() + l->Width() / 2;
    l->SetCaption("Morvik  V1.0 with a longer caption");
    EXPECT_NEAR(l->Left() + l->Width() / 2, centre, 1);
    // Without AutoSize the bounds stay; a bigger font grows an auto-sized label.
    l->SetAutoSize(false);
    l->SetBounds(0, 0, 50, 10);
    l->SetCaption("x");
    EXPECT_EQ(l->BoundsRect(), Bounds(0, 0, 50, 10));
    l->SetAutoSize(true);
    int h = l->Height();
    l->Font()->SetHeight(-27);
    EXPECT_GT(l->Height(), h);
    // "&" marks an accelerator unless ShowAccelChar is off.
    l->SetCaption("A&B");
    int w1 = l->Width();
    l->ShowAccelChar = false;
    l->SetCaption("A&B ");
    l->SetCaption("A&B");
    EXPECT_GT(l->Width(), w1);
}

TEST_F(Controls, LabelsPaintTheirColourUnlessTransparent)
{
    auto* l = new TLabel(form);
    l->SetParent(form);
    l->SetAutoSize(false);
    l->SetBounds(10, 10, 60, 20);
    l->SetColor(clYellow);
    l->SetCaption("");
    Show();
    EXPECT_EQ(Pixel(form, 30, 20), RGB(255, 255, 0));
    l->SetTransparent(true);
    uitest::Pump();
    EXPECT_EQ(Pixel(form, 30, 20), GetSysColor(COLOR_BTNFACE));
    int clicks = 0;
    l->OnClick = [&](TObject*) { ++clicks; };
    l->SetCursor(crHandPoint);
    Input::Click(l, 5, 5);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(GetCursor(), Screen->Cursors(crHandPoint));
}

TEST_F(Controls, EditTypesUnlessReadOnly)
{
    auto* e = new TEdit(form);
    e->SetParent(form);
    e->SetBounds(10, 10, 100, 21);
    int changes = 0;
    e->OnChange = [&](TObject*) { ++changes; };
    Show();
    e->SetFocus();
    Input::TypeText("Ab1");
    EXPECT_EQ(e->Text(), "Ab1");
    EXPECT_EQ(changes, 3);
    Input::PressKey(VK_BACK);
    EXPECT_EQ(e->Text(), "Ab");
    e->SetMaxLength(3);
    Input::TypeText("xyz");
    EXPECT_EQ(e->Text(), "Abx");
    e->SetReadOnly(true);
    Input::TypeText("q");
    Input::PressKey(VK_BACK);
    EXPECT_EQ(e->Text(), "Abx");
    e->SetText("Abx");  // unchanged: no event
    EXPECT_EQ(changes, 5);
    // A bordered edit's client area is inside its sunken edge.
    EXPECT_EQ(e->ClientRect(), (TRect{0, 0, 96, 17}));
    EXPECT_EQ(Pixel(e, 0, 0), RGB(255, 255, 255));
}

TEST_F(Controls, ButtonsClickByMouseSpaceAndDialogKeys)
{
    auto* ok = new TButton(form);
    ok->SetParent(form);
    ok->SetBounds(10, 10, 75, 25);
    ok->SetCaption("OK");
    ok->Default = true;
    auto* cancel = new TButton(form);
    cancel->SetParent(form);
    cancel->SetBounds(100, 10, 75, 25);
    cancel->Cancel = true;
    auto* e = new TEdit(form);
    e->SetParent(form);
    e->SetBounds(10, 50, 100, 21);
    std::vector<std::string> seen;
    ok->OnClick = [&](TObject*) { seen.push_back("ok"); };
    cancel->OnClick = [&](TObject*) { seen.push_back("cancel"); };
    Show();
    e->SetFocus();
    Input::PressKey(VK_RETURN);
    Input::PressKey(VK_ESCAPE);
    EXPECT_EQ(seen, (std::vector<std::string>{"ok", "cancel"}));
    cancel->SetFocus();
    Input::PressKey(VK_SPACE);
    EXPECT_EQ(seen.back(), "cancel");
    // Pressed and released elsewhere: no click.
    Input::MouseDown(ok, mbLeft, 5, 5);
    Input::MouseMove(ok, 300, 5, ssLeft);
    Input::MouseUp(ok, mbLeft, 300, 5);
    EXPECT_EQ(seen.size(), 3u);
    Input::Click(ok, 5, 5);
    EXPECT_EQ(seen.size(), 4u);
    EXPECT_TRUE(ok->Focused());  // a click focuses the button
    // Enter is the focused button's, not the Default one's; Alt with a caption's letter clicks.
    cancel->SetFocus();
    Input::PressKey(VK_RETURN);
    EXPECT_EQ(seen.back(), "cancel");
    ok->SetCaption("&Apply");
    Input::PressKey('A', ssAlt);
    EXPECT_EQ(seen.back(), "ok");
}

TEST_F(Controls, BevelLinesUseShadowAndHighlight)
{
    auto* b = new TBevel(form);
    b->SetParent(form);
    b->SetBounds(10, 10, 50, 30);
    b->SetShape(bsBox);
    b->SetStyle(bsRaised);
    Show();
    EXPECT_EQ(Pixel(form, 10, 10), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(Pixel(form, 59, 39), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(Pixel(form, 59, 10), GetSysColor(COLOR_BTNSHADOW));  // the top-right corner goes to the bottom colour
    EXPECT_EQ(Pixel(form, 30, 20), GetSysColor(COLOR_BTNFACE));
    b->SetShape(bsLeftLine);
    b->SetStyle(bsLowered);
    uitest::Pump();
    EXPECT_EQ(Pixel(form, 10, 20), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(Pixel(form, 11, 20), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(Pixel(form, 59, 39), GetSysColor(COLOR_BTNFACE));
}

TEST_F(Controls, PanelBordersAndBevelsNarrowTheAlignArea)
{
    auto* p = new TPanel(form);
    p->SetParent(form);
    p->SetBounds(0, 0, 200, 100);
    p->SetBorderWidth(3);
    p->SetBevelInner(bvLowered);
    auto* child = new TPanel(form);
    child->SetParent(p);
    child->SetAlign(alClient);
    EXPECT_EQ(child->BoundsRect(), (TRect{5, 5, 195, 95}));
    p->SetBevelOuter(bvNone);
    EXPECT_EQ(child->BoundsRect(), (TRect{4, 4, 196, 96}));
    p->SetBorderStyle(bsSingle);
    Show();
    EXPECT_EQ(p->ClientRect(), (TRect{0, 0, 196, 96}));
    EXPECT_EQ(child->BoundsRect(), (TRect{4, 4, 192, 92}));
    // The caption is drawn centred.
    p->SetCaption("Centre");
    child->Hide();
    uitest::Pump();
    EXPECT_TRUE(HasInk(p, Rect(80, 40, 120, 56)));
}

TEST_F(Controls, AlignmentSkipsHiddenControlsAndStacksRightFromTheEdge)
{
    auto add = [&](TAlign a, TRect r) {
        auto* c = new TPanel(form);
        c->SetParent(form);
        c->SetBoundsRect(r);
        c->SetAlign(a);
        return c;
    };
    TRect client = form->ClientRect();
    TPanel* r1 = add(alRight, Bounds(300, 0, 30, 10));
    TPanel* r2 = add(alRight, Bounds(200, 0, 20, 10));
    TPanel* l1 = add(alLeft, Bounds(0, 0, 40, 10));
    TPanel* mid = add(alClient, Bounds(0, 0, 10, 10));
    EXPECT_EQ(r1->BoundsRect(), (TRect{client.Right - 30, 0, client.Right, client.Bottom}));
    EXPECT_EQ(r2->BoundsRect(), (TRect{client.Right - 50, 0, client.Right - 30, client.Bottom}));
    EXPECT_EQ(mid->BoundsRect(), (TRect{40, 0, client.Right - 50, client.Bottom}));
    r1->Hide();
    EXPECT_EQ(r2->BoundsRect().Right, client.Right);
    EXPECT_EQ(mid->BoundsRect().Right, client.Right - 20);
    // Nothing moves while alignment is held back; it all happens at the end.
    form->DisableAlign();
    l1->SetWidth(80);
    EXPECT_EQ(mid->Left(), 40);
    form->EnableAlign();
    EXPECT_EQ(mid->Left(), 80);
    // A control taken out of alignment stays where it is.
    l1->SetAlign(alNone);
    EXPECT_EQ(l1->BoundsRect(), (TRect{0, 0, 80, client.Bottom}));
    EXPECT_EQ(mid->Left(), 0);
}

TEST_F(Controls, SplittersOnTheRightAndLiveResizing)
{
    auto* right = new TPanel(form);
    right->SetParent(form);
    right->SetBounds(300, 0, 80, 100);
    right->SetAlign(alRight);
    auto* sp = new TSplitter(form);
    sp->SetParent(form);
    sp->SetBounds(290, 0, 3, 100);
    sp->SetAlign(alRight);
    sp->SetMinSize(30);
    EXPECT_EQ(sp->Cursor(), crHSplit);
    Show();
    int w = right->Width();
    // Dragging left widens the right-hand control.
    Input::Drag(sp, 1, 50, -19, 50);
    EXPECT_EQ(right->Width(), w + 20);
    EXPECT_EQ(right->Left() + right->Width(), form->ClientWidth());
    EXPECT_EQ(sp->Left() + sp->Width(), right->Left());
    // Refused by OnCanResize: no change.
    sp->OnCanResize = [](TObject*, int&, bool& accept) { accept = false; };
    Input::Drag(sp, 1, 50, -40, 50);
    EXPECT_EQ(right->Width(), w + 20);
    // Live resizing follows every move (the mouse moves over the form; the splitter moves with it).
    sp->OnCanResize = nullptr;
    sp->ResizeStyle = rsUpdate;
    int moved = 0;
    sp->OnMoved = [&](TObject*) { ++moved; };
    int x0 = sp->Left() + 1;
    Input::MouseDown(sp, mbLeft, 1, 50);
    for (int dx = 2; dx <= 10; dx += 2)
        Input::MouseMove(form, x0 + dx, 50, ssLeft);
    EXPECT_EQ(right->Width(), w + 10);
    EXPECT_EQ(moved, 5);
    Input::MouseUp(form, mbLeft, x0 + 10, 50);
    EXPECT_EQ(right->Width(), w + 10);
    // A top splitter shows the vertical-split cursor.
    auto* top = new TSplitter(form);
    top->SetParent(form);
    top->SetAlign(alTop);
    EXPECT_EQ(top->Cursor(), crVSplit);
}

TEST_F(Controls, SplitterPatternIsGoneAfterTheDrag)
{
    auto* left = new TPanel(form);
    left->SetParent(form);
    left->SetBounds(0, 0, 100, 100);
    left->SetAlign(alLeft);
    auto* sp = new TSplitter(form);
    sp->SetParent(form);
    sp->SetBounds(100, 0, 3, 100);
    // The bar passes over a child window: it must show above it, not in the form beneath.
    auto* right = new TPanel(form);
    right->SetParent(form);
    right->SetAlign(alClient);
    Show();
    auto onScreen = [&](int x, int y) {
        TBitmap shot;
        EXPECT_TRUE(CaptureControlImage(form, &shot));
        return ColorToRGB(shot.Canvas()->Pixels(x, y));
    };
    // Mid-drag the XOR bar is visible on the form; after release the form shows no trace.
    Input::MouseDown(sp, mbLeft, 1, 50);
    Input::MouseMove(sp, 31, 50, ssLeft);
    int marked = 0;
    for (int x = 130; x < 133; ++x)
        for (int y = 60; y < 62; ++y)
            marked += onScreen(x, y) == (RGB(255, 255, 255) ^ GetSysColor(COLOR_BTNFACE));
    Input::MouseUp(sp, mbLeft, 31, 50);
    uitest::Pump();
    EXPECT_EQ(marked, 3);  // a checker: every other pixel
    EXPECT_EQ(left->Width(), 130);
    for (int x = 130; x < 140; ++x)
        EXPECT_NE(onScreen(x, 60), RGB(255, 255, 255) ^ GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(onScreen(200, 60), GetSysColor(COLOR_BTNFACE));
}

TEST_F(Controls, StatusBarSimpleTextAndPanelUpdates)
{
    auto* sb = new TStatusBar(form);
    sb->SetParent(form);
    EXPECT_EQ(sb->Align(), alBottom);
    EXPECT_EQ(sb->Top(), form->ClientHeight() - sb->Height());
    TStatusPanel* p = sb->Panels()->Add();
    p->SetText("Message saved");
    p->SetWidth(120);
    EXPECT_EQ(p->Index(), 0);
    sb->Panels()->Add();
    sb->Panels()->Delete(0);
    EXPECT_EQ(sb->Panels()->Count(), 1);
    EXPECT_THROW(sb->Panels()->Delete(5), EListError);
    sb->SetSimplePanel(true);
    sb->SetSimpleText("Decoding...");
    Show();
    EXPECT_TRUE(HasInk(sb, Rect(2, 4, 60, sb->Height() - 2)));
}

// Keeps what each paint of the bar was allowed to touch.
class TClipStatusBar : public TStatusBar {
public:
    using TStatusBar::TStatusBar;
    std::vector<TRect> Clips;

protected:
    void Paint() override
    {
        Clips.push_back(Canvas()->ClipRect());
        TStatusBar::Paint();
    }
};

TEST_F(Controls, StatusPanelChangesRepaintOnlyWhatMoved)
{
    auto* sb = new TClipStatusBar(form);
    sb->SetParent(form);
    TStatusPanels* ps = sb->Panels();
    for (const char* text : {"FrB: 16", "FrA: 10", "Mode"}) {
        TStatusPanel* p = ps->Add();
        p->SetWidth(90);
        p->SetText(text);
    }
    Show();
    const TRect whole = sb->ClientRect();
    auto textArea = [&](int i) {
        TRect r = sb->PanelRect(i);
        return TRect{r.Left + 2, r.Top + 2, r.Right - 2, r.Bottom - 2};
    };
    ASSERT_TRUE(HasInk(sb, textArea(0)));

    // A new text repaints its own panel, whole, and nothing else.
    sb->Clips.clear();
    ps->Items(1)->SetText("FrA: 12");
    ps->Items(1)->SetText("FrA: 14");
    uitest::Pump();
    EXPECT_EQ(sb->Clips, std::vector<TRect>{sb->PanelRect(1)});
    // The old text is gone with it.
    sb->Clips.clear();
    ps->Items(0)->SetText("");
    uitest::Pump();
    EXPECT_EQ(sb->Clips, std::vector<TRect>{sb->PanelRect(0)});
    EXPECT_FALSE(HasInk(sb, textArea(0)));
    EXPECT_TRUE(HasInk(sb, textArea(1)));
    // The same text again paints nothing; a new bevel repaints its panel alone.
    sb->Clips.clear();
    ps->Items(1)->SetText("FrA: 14");
    uitest::Pump();
    EXPECT_TRUE(sb->Clips.empty());
    ps->Items(2)->SetBevel(pbRaised);
    uitest::Pump();
    EXPECT_EQ(sb->Clips, std::vector<TRect>{sb->PanelRect(2)});
    sb->Clips.clear();

    // A width moves the panels after it: the bar repaints whole.
    ps->Items(0)->SetWidth(40);
    uitest::Pump();
    EXPECT_EQ(sb->Clips, std::vector<TRect>{whole});
    EXPECT_TRUE(HasInk(sb, textArea(1)));
    // Changes made between BeginUpdate and EndUpdate come as one repaint of the bar.
    sb->Clips.clear();
    ps->BeginUpdate();
    ps->Items(0)->SetText("FrB: 20");
    ps->Items(2)->SetText("NAVTEX");
    uitest::Pump();
    EXPECT_TRUE(sb->Clips.empty());
    ps->EndUpdate();
    uitest::Pump();
    EXPECT_EQ(sb->Clips, std::vector<TRect>{whole});
    EXPECT_TRUE(HasInk(sb, textArea(0)));
    // Under a simple text the panels are hidden, and their changes paint nothing.
    sb->SetSimplePanel(true);
    uitest::Pump();
    sb->Clips.clear();
    ps->Items(2)->SetText("RTTY");
    uitest::Pump();
    EXPECT_TRUE(sb->Clips.empty());
}

// Drawing on a window outside its paint (as the receiver's displays do) must reach the screen
// wherever it went: every corner of the figure's box, whichever point makes it.
TEST_F(Controls, FiguresDrawnOutsideAPaintReachTheScreenWhole)
{
    Show();
    constexpr COLORREF kRed = RGB(255, 0, 0);
    // The first point is inside: each side of the box is made by another point.
    const POINT pts[] = {{50, 60}, {20, 15}, {5, 70}, {110, 40}, {60, 130}, {55, 65}};
    const POINT tri[] = {{150, 20}, {230, 50}, {170, 110}};
    HDC dc = GetDC(form->Handle());
    HPEN pen = CreatePen(PS_SOLID, 1, kRed);
    HGDIOBJ old = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Polyline(dc, pts, 6);
    Polygon(dc, tri, 3);
    SelectObject(dc, oldBrush);
    SelectObject(dc, old);
    DeleteObject(pen);
    ReleaseDC(form->Handle(), dc);
    uitest::Pump();
    TPoint origin{0, 0};
    ClientToScreen(form->Handle(), &origin);
    TBitmap shot;
    ASSERT_TRUE(CaptureScreenRect({origin.X, origin.Y, origin.X + 250, origin.Y + 140}, &shot));
    auto onScreen = [&](const POINT& p) { return ColorToRGB(shot.Canvas()->Pixels(p.X, p.Y)); };
    for (int i = 0; i < 5; ++i)  // the last point is where the line stops, undrawn
        EXPECT_EQ(onScreen(pts[i]), kRed) << "point " << i;
    for (const POINT& p : tri)
        EXPECT_EQ(onScreen(p), kRed) << p.X << "," << p.Y;
}

TEST_F(Controls, HeldUpDownRepeatsUntilReleasedOrTheMouseIsTaken)
{
    auto* u = new TUpDown(form);
    u->SetParent(form);
    u->SetBounds(130, 10, 15, 22);
    u->SetMax(1000);
    Show();
    Input::MouseDown(u, mbLeft, 7, 3);
    ASSERT_TRUE(uitest::PumpUntil([&] { return u->Position() >= 3; }, 3000));
    Input::MouseUp(u, mbLeft, 7, 3);
    int after = u->Position();
    uitest::Pump(250);
    EXPECT_EQ(u->Position(), after);
    // Another window takes the mouse while the button is held: no release comes, no more steps.
    Input::MouseDown(u, mbLeft, 7, 3);
    ASSERT_TRUE(uitest::PumpUntil([&] { return u->Position() >= after + 2; }, 3000));
    ReleaseCapture();
    after = u->Position();
    uitest::Pump(250);
    EXPECT_EQ(u->Position(), after);
}

TEST_F(Controls, UpDownDetails)
{
    auto* e = new TEdit(form);
    e->SetParent(form);
    auto* u = new TUpDown(form);
    u->SetParent(form);
    u->SetBounds(130, 10, 15, 22);
    u->SetMax(5000);
    u->SetAssociate(e);
    EXPECT_EQ(u->BoundsRect(), TRect(e->BoundsRect().Right, e->Top(), e->BoundsRect().Right + 15, e->BoundsRect().Bottom));
    u->Increment = 1500;
    Show();
    Input::Click(u, 7, 3);
    EXPECT_EQ(u->Position(), 1500);
    EXPECT_EQ(e->Text(), "1,500");
    u->Thousands = false;
    Input::Click(u, 7, 3);
    EXPECT_EQ(e->Text(), "3000");
    // OnChanging may refuse.
    u->OnChanging = [](TObject*, bool& allow) { allow = false; };
    Input::Click(u, 7, 3);
    EXPECT_EQ(u->Position(), 3000);
    u->OnChanging = nullptr;
    // Horizontal: right is "next".
    u->Orientation = udHorizontal;
    u->Increment = 1;
    TUDBtnType last = btPrev;
    u->OnClick = [&](TObject*, TUDBtnType b) { last = b; };
    Input::Click(u, 12, 10);
    EXPECT_EQ(last, btNext);
    EXPECT_EQ(u->Position(), 3001);
    Input::Click(u, 2, 10);
    EXPECT_EQ(last, btPrev);
    EXPECT_EQ(u->Position(), 3000);
    // A number typed into the associate is the position the next step starts from.
    e->SetFocus();
    e->SelectAll();
    Input::TypeText("2999");
    EXPECT_EQ(u->Position(), 2999);
    Input::Click(u, 12, 10);
    EXPECT_EQ(e->Text(), "3000");
    e->SelectAll();
    Input::TypeText("1,2");  // no number without thousands separators, nor in hex
    EXPECT_EQ(u->Position(), 3000);
    e->SelectAll();
    Input::TypeText("0x10");
    EXPECT_EQ(u->Position(), 3000);
    // The associate goes away: the up-down forgets it.
    delete e;
    EXPECT_EQ(u->Associate(), nullptr);
    Input::Click(u, 12, 10);
    EXPECT_EQ(u->Position(), 3001);
    // Min above Max: "next" counts down.
    u->SetMin(10);
    u->SetMax(0);
    u->SetPosition(5);
    u->Step(btNext);
    EXPECT_EQ(u->Position(), 4);
}

TEST_F(Controls, SpeedButtonShowsTheGlyphOfItsState)
{
    auto* b = new TSpeedButton(form);
    b->SetParent(form);
    b->SetBounds(10, 10, 30, 24);
    MakeDotGlyph(b->Glyph(), clLime);
    b->SetNumGlyphs(4);
    b->SetGroupIndex(3);
    b->SetAllowAllUp(true);
    Show();
    // The dot's centre: grey when up, the "on" colour when down, silver when disabled.
    auto centre = [&] { return Pixel(form, 10 + 15, 10 + 12); };
    EXPECT_EQ(centre(), RGB(128, 128, 128));
    b->SetDown(true);
    uitest::Pump();
    EXPECT_EQ(centre(), RGB(0, 255, 0));  // the down image is drawn one pixel lower and right
    b->SetDown(false);
    b->SetEnabled(false);
    uitest::Pump();
    EXPECT_EQ(centre(), RGB(192, 192, 192));
    // Disabled buttons do not press.
    Input::Click(b, 5, 5);
    EXPECT_FALSE(b->Down());
    // The glyph's transparent colour never reaches the screen.
    b->SetEnabled(true);
    uitest::Pump();
    for (int x = 10; x < 40; ++x)
        for (int y = 10; y < 34; ++y)
            EXPECT_NE(Pixel(form, x, y), RGB(128, 128, 0));
}

TEST_F(Controls, FlatSpeedButtonsRaiseUnderTheMouse)
{
    auto* b = new TSpeedButton(form);
    b->SetParent(form);
    b->SetBounds(10, 10, 30, 24);
    b->SetFlat(true);
    Show();
    EXPECT_EQ(Pixel(form, 10, 10), GetSysColor(COLOR_BTNFACE));
    Input::MouseMove(b, 5, 5);
    uitest::Pump();
    EXPECT_EQ(Pixel(form, 10, 10), GetSysColor(COLOR_BTNHIGHLIGHT));
    Input::MouseMove(form, 200, 200);
    uitest::Pump();
    EXPECT_EQ(Pixel(form, 10, 10), GetSysColor(COLOR_BTNFACE));
}

// ---- Menus ---------------------------------------------------------------------------------------
TEST(MenuItems, InsertDeleteAndIndexErrors)
{
    TMainMenu menu(nullptr);
    auto* a = new TMenuItem(&menu);
    auto* b = new TMenuItem(&menu);
    a->SetCaption("A");
    b->SetCaption("B");
    menu.Items()->Add(b);
    menu.Items()->Insert(0, a);
    EXPECT_EQ(menu.Items()->Count(), 2);
    EXPECT_EQ(menu.Items()->Items(0), a);
    EXPECT_EQ(b->MenuIndex(), 1);
    EXPECT_EQ(a->GetParentMenu(), &menu);
    EXPECT_THROW(menu.Items()->Items(2), EMenuError);
    EXPECT_THROW(menu.Items()->Insert(5, new TMenuItem(&menu)), EMenuError);
    EXPECT_THROW(menu.Items()->Add(a), EMenuError);  // already in a menu
    menu.Items()->Remove(a);
    EXPECT_EQ(a->Parent(), nullptr);
    EXPECT_EQ(menu.Items()->IndexOf(a), -1);
    menu.Items()->Delete(0);  // frees b
    EXPECT_EQ(menu.Items()->Count(), 0);
    delete a;
}

TEST(MenuItems, AutoCheckShortcutsAndDisabledItems)
{
    Application->Initialize();
    TMainMenu menu(nullptr);
    auto* file = new TMenuItem(&menu);
    file->SetCaption("&File");
    menu.Items()->Add(file);
    auto* save = new TMenuItem(&menu);
    save->SetCaption("Save");
    save->SetShortCut(ShortCut('S', ssAlt));
    file->Add(save);
    std::vector<std::string> seen;
    file->OnClick = [&](TObject*) { seen.push_back("file"); };
    save->OnClick = [&](TObject*) { seen.push_back("save"); };
    EXPECT_TRUE(menu.IsShortCut('S', ssAlt));
    EXPECT_EQ(seen, (std::vector<std::string>{"file", "save"}));  // the parent opens first
    EXPECT_FALSE(menu.IsShortCut('S', ssCtrl));
    save->SetEnabled(false);
    EXPECT_FALSE(menu.IsShortCut('S', ssAlt));
    save->SetEnabled(true);
    save->AutoCheck = true;
    save->Click();
    EXPECT_TRUE(save->Checked());
    save->Click();
    EXPECT_FALSE(save->Checked());
    EXPECT_EQ(ShortCutToText(ShortCut(VK_F1, 0)), "F1");
    EXPECT_EQ(ShortCutToText(ShortCut('Z', ssAlt | ssShift)), "Shift+Alt+Z");
    Word k;
    TShiftState s;
    ShortCutToKey(ShortCut(VK_DELETE, ssCtrl), k, s);
    EXPECT_EQ(k, VK_DELETE);
    EXPECT_EQ(s, TShiftState(ssCtrl));
}

TEST(MenuItems, ItemsAddedToAShownMenuBarWork)
{
    Application->Initialize();
    auto* f = new TLayoutForm(nullptr);
    f->AfterConstruction();
    f->Show();
    uitest::Pump();
    auto* extra = AddItem(f, f->Help1, "Contents");
    int runs = 0;
    extra->OnClick = [&](TObject*) { ++runs; };
    uitest::Pump();  // the bar is rebuilt after the change
    TriggerMenuItem(extra);
    EXPECT_EQ(runs, 1);
    // Captions and hidden items follow too.
    extra->SetCaption("Help Contents");
    f->About1->SetVisible(false);
    TriggerMenuItem(extra);
    EXPECT_EQ(runs, 2);
    delete f;
    uitest::Pump();
}

TEST(MenuItems, AltAndTheMarkedLetterOpensATopLevelMenu)
{
    Application->Initialize();
    auto* f = new TLayoutForm(nullptr);
    f->AfterConstruction();
    f->Show();
    uitest::Pump();
    f->RxMemo->SetFocus();
    f->RussianCharset1->Hint = "Russian|Decode Cyrillic";
    f->SwedishCharset1->Hint = "Swedish|Decode Nordic";
    f->SwedishCharset1->SetEnabled(false);
    Input::PressKey('S', ssAlt);  // "&Setup"
    EXPECT_EQ(f->Setup1Opened, 1);
    // The item the keys highlight gives the application its hint until the menu closes, a
    // disabled one too. A menu opened from the keyboard stands on its first item.
    Input::PressKey(VK_DOWN);
    EXPECT_EQ(Application->Hint(), "Decode Cyrillic");
    Input::PressKey(VK_DOWN);
    EXPECT_EQ(Application->Hint(), "Decode Nordic");
    CloseMenus();
    uitest::Pump();
    EXPECT_EQ(Application->Hint(), "");
    Input::PressKey('Q', ssAlt);  // no such mark: nothing opens
    EXPECT_EQ(f->Setup1Opened, 1);
    // Enter runs that first item, whether the letter came with Alt or after F10 or Alt alone.
    int firstRan = 0;
    f->EnglishCharset1->OnClick = [&](TObject*) { ++firstRan; };
    for (Word start : {Word(0), Word(VK_F10), Word(VK_MENU)}) {
        if (start)
            Input::PressKey(start);
        Input::PressKey('S', start ? TShiftState(0) : TShiftState(ssAlt));
        Input::PressKey(VK_RETURN);
    }
    EXPECT_EQ(firstRan, 3);
    EXPECT_FALSE(MenuShown());
    // F10, and Alt alone, give the keys to the menu bar (Down opens the first menu); Escape from
    // the menu goes back to the bar, and again to the form.
    int formKeys = 0;
    f->RxMemo->OnKeyDown = [&](TObject*, Word&, TShiftState) { ++formKeys; };
    for (Word key : {VK_F10, VK_MENU}) {
        Input::PressKey(key);
        Input::PressKey(VK_DOWN);
        EXPECT_TRUE(MenuShown());
        formKeys = 0;
        for (Word k : {Word(VK_ESCAPE), Word(VK_ESCAPE), Word('X')})
            Input::PressKey(k);
        EXPECT_EQ(formKeys, 1);
    }
    // The walk ends where the user leaves it, and Alt with anything between its press and release
    // starts none: what is typed next reaches its edit whole, and the File menu stays shut.
    f->File1->OnClick = f->Exit1->OnClick = [](TObject*) { ADD_FAILURE() << "the main form's File menu ran"; };
    auto* edit = new TEdit(f);
    edit->SetParent(f->Panel1);
    auto* other = new TForm(f);  // another form, later a modal dialog with a Default button
    auto* otherEdit = new TEdit(other);
    otherEdit->SetParent(other);
    auto* ok = new TButton(other);
    ok->SetParent(other);
    ok->Default = true;
    ok->ModalResult = mrOk;
    const auto typed = [](TEdit* e) { e->SetText(""); Input::TypeText("fixed"); return e->Text(); };
    const auto altOver = [](auto between) { Input::KeyDown(VK_MENU, ssAlt); between(); Input::KeyUp(VK_MENU); };
    const struct { const char* name; Word start; std::function<std::string()> then; } rows[] = {
        {"a click", VK_F10, [&] { Input::Click(edit, 2, 2); return typed(edit); }},
        {"Alt held over a click", 0, [&] { altOver([&] { Input::Click(edit, 2, 2, mbLeft, ssAlt); }); return typed(edit); }},
        {"another form", VK_F10, [&] { other->Show(); otherEdit->SetFocus(); return typed(otherEdit); }},
        {"a modal dialog, Enter pressing its Default button", VK_F10, [&] {
             std::string text;
             SetModalHook([&](TObject*, int&) {
                 SetModalHook(nullptr);
                 text = typed(otherEdit);
                 Input::PressKey(VK_RETURN);
                 other->SetModalResult(other->ModalResult() == mrOk ? mrOk : mrCancel);  // never left waiting
                 return false;
             });
             return other->ShowModal() == mrOk ? text : text + ", Enter not taken";
         }},
        {"a key with no virtual key", 0, [&] { altOver([] { Input::PressGroupSwitch(ssAlt); }); return typed(edit); }},
        {"a wheel turn", 0, [&] { altOver([&] { Input::Wheel(edit, -120, 2, 2, ssAlt); }); return typed(edit); }},
        {"a button held (Alt+drop)", 0, [&] {
             Input::MouseDown(edit, mbLeft, 2, 2);
             altOver([&] { Input::MouseUp(edit, mbLeft, 2, 2, ssAlt); });
             return typed(edit);
         }},
        {"Alt tapped with Ctrl held", 0, [&] {
             Input::KeyDown(VK_CONTROL, ssCtrl);
             Input::PressKey(VK_MENU, ssCtrl | ssAlt);
             Input::KeyUp(VK_CONTROL);
             return typed(edit);
         }},
        {"Alt and a menu's letter, then a letter the menu has no item for", VK_MENU, [&] {
             edit->SetText("");
             Input::PressKey('H', ssAlt);
             const bool opened = MenuShown();
             Input::TypeText("q");
             const std::string leaked = edit->Text();
             CloseMenus();
             return opened ? leaked + typed(edit) : "no menu opened";
         }},
        {"a letter of no virtual key", VK_F10, [&] { Input::TypeText("\xC3\xA9"); return typed(edit); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        edit->SetFocus();
        if (row.start)
            Input::PressKey(row.start);
        EXPECT_EQ(row.then(), "fixed");
        EXPECT_FALSE(MenuShown());
        CloseMenus();
        other->Hide();
        uitest::Pump();
    }
    // A dialog a press opens takes the button's release: Alt alone walks the bar after it closes.
    edit->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) {
        SetModalHook([&](TObject*, int&) {
            SetModalHook(nullptr);
            Input::MouseUp(edit, mbLeft, 2, 2);
            other->SetModalResult(mrOk);
            return false;
        });
        other->ShowModal();
    };
    Input::MouseDown(edit, mbLeft, 2, 2);
    Input::PressKey(VK_MENU);
    Input::PressKey('H');
    EXPECT_TRUE(MenuShown());
    CloseMenus();
    delete f;
    uitest::Pump();
}

TEST(Hints, ShowHintFlowsDownToChildrenThatFollowTheirParent)
{
    TForm f(nullptr);
    auto* panel = new TPanel(&f);
    panel->SetParent(&f);
    auto* button = new TSpeedButton(&f);
    button->SetParent(panel);
    auto* own = new TSpeedButton(&f);
    own->SetParent(panel);
    own->SetShowHint(false);
    EXPECT_FALSE(button->ShowHint());
    f.SetShowHint(true);
    EXPECT_TRUE(panel->ShowHint());
    EXPECT_TRUE(button->ShowHint());
    EXPECT_FALSE(own->ShowHint());  // set on its own: keeps it
    panel->SetShowHint(false);
    EXPECT_FALSE(button->ShowHint());
    EXPECT_FALSE(panel->ParentShowHint());
}

// A component that records when it hears that its form is complete.
class TLoadProbe : public TComponent {
public:
    using TComponent::TComponent;
    int Loads = 0;
    void Loaded() override
    {
        TComponent::Loaded();
        ++Loads;
    }
};

TEST(FormsAndApplication, ComponentsHearLoadedOnceTheFormIsBuilt)
{
    TForm f(nullptr);
    auto* p = new TLoadProbe(&f);
    EXPECT_EQ(p->Loads, 0);
    EXPECT_TRUE(f.HasState(csLoading));
    f.AfterConstruction();
    EXPECT_EQ(p->Loads, 1);
    // Without AfterConstruction, making the window is enough for the layout.
    TForm g(nullptr);
    auto* top = new TPanel(&g);
    top->SetParent(&g);
    top->SetAlign(alTop);
    EXPECT_EQ(top->Width(), 185);
    g.HandleNeeded();
    EXPECT_EQ(top->Width(), g.ClientWidth());
    EXPECT_FALSE(f.HasState(csLoading));
    f.AfterConstruction();
    EXPECT_EQ(p->Loads, 1);
}

// ---- Forms and the application -------------------------------------------------------------------
class TCountingForm : public TForm {
public:
    explicit TCountingForm(TComponent* AOwner) : TForm(AOwner)
    {
        SetBounds(0, 0, 200, 150);
        OnCreate = [this](TObject*) { Log.push_back("create"); };
        OnShow = [this](TObject*) { Log.push_back("show"); };
        OnActivate = [this](TObject*) { Log.push_back("activate"); };
        OnHide = [this](TObject*) { Log.push_back("hide"); };
        OnDestroy = [this](TObject*) {
            if (Destroyed)
                *Destroyed = true;
        };
    }
    std::vector<std::string> Log;
    bool* Destroyed = nullptr;
};

TEST(FormsAndApplication, CreateFormRunsOnCreateOnceAndMakesTheMainForm)
{
    Application->Initialize();
    TCountingForm* f = nullptr;
    Application->CreateForm(f);
    bool gone = false;
    f->Destroyed = &gone;
    EXPECT_EQ(Application->MainForm(), f);
    EXPECT_EQ(f->Owner(), Application);
    f->Show();
    uitest::Pump();
    f->Hide();
    EXPECT_EQ(f->Log, (std::vector<std::string>{"create", "show", "activate", "hide"}));
    // A modal dialog over it hears its deactivation once as it closes.
    f->Show();
    auto* dlg = new TCountingForm(f);
    dlg->OnDeactivate = [dlg](TObject*) { dlg->Log.push_back("deactivate"); };
    uitest::AnswerNextDialog([](TObject*) { return mrOk; });
    dlg->ShowModal();
    EXPECT_EQ(dlg->Log, (std::vector<std::string>{"create", "show", "activate", "hide", "deactivate"}));
    // The form that opened it is active again, its control focused, with no desktop to say so.
    auto* second = new TCountingForm(f);
    auto* edit = new TEdit(second);
    edit->SetParent(second);
    second->Show();
    edit->SetFocus();
    second->Log.clear();
    (new TEdit(dlg))->SetParent(dlg);
    uitest::AnswerNextDialog([](TObject*) { return mrOk; });
    dlg->ShowModal();
    EXPECT_EQ(second->Log, std::vector<std::string>{"activate"});
    EXPECT_EQ(GetFocus(), edit->Handle());
    // Closing the main form ends the application.
    f->Show();
    f->Close();
    EXPECT_TRUE(Application->Terminated());
    Application->ResetTerminated();
    DoneApplication();
    EXPECT_TRUE(gone);
    EXPECT_EQ(Application->MainForm(), nullptr);
}

TEST(FormsAndApplication, ScreenCentredFormsAndCaptions)
{
    Application->Initialize();
    auto* f = new TForm(nullptr);
    f->AfterConstruction();
    f->SetBounds(0, 0, 200, 100);
    f->SetPosition(poScreenCenter);
    f->SetCaption("About Morvik");
    f->Show();
    EXPECT_EQ(f->Left(), (GetSystemMetrics(SM_CXSCREEN) - 200) / 2);
    EXPECT_EQ(f->Top(), (GetSystemMetrics(SM_CYSCREEN) - 100) / 2);
    char title[32];
    GetWindowText(f->Handle(), title, sizeof title);
    EXPECT_STREQ(title, "About Morvik");
    // A dialog border is thinner than a sizeable one.
    f->SetBorderStyle(bsDialog);
    EXPECT_EQ(f->ClientRect(), (TRect{0, 0, 194, 100 - 6 - 19}));
    f->SetBorderStyle(bsNone);
    EXPECT_EQ(f->ClientRect(), (TRect{0, 0, 200, 100}));
    EXPECT_EQ(Screen->ActiveForm(), f);
    delete f;
}

TEST(FormsAndApplication, WindowStatesReachTheDesktopAndComeBack)
{
    Application->Initialize();
    auto* f = new TForm(nullptr);
    f->AfterConstruction();
    f->SetBounds(10, 20, 200, 100);
    // A state chosen before the form is shown applies when it shows.
    f->SetWindowState(wsMaximized);
    f->Show();
    EXPECT_TRUE(uitest::PumpUntil([&] { return f->Width() >= GetSystemMetrics(SM_CXSCREEN) - 8; }));
    EXPECT_EQ(f->WindowState(), wsMaximized);
    f->SetWindowState(wsNormal);
    EXPECT_TRUE(uitest::PumpUntil([&] { return f->Width() == 200; }));
    EXPECT_EQ(f->BoundsRect(), Bounds(10, 20, 200, 100));
    // The desktop minimising and restoring the window is reported back.
    ShowWindow(f->Handle(), SW_MINIMIZE);
    EXPECT_TRUE(uitest::PumpUntil([&] { return f->WindowState() == wsMinimized; }));
    ShowWindow(f->Handle(), SW_RESTORE);
    EXPECT_TRUE(uitest::PumpUntil([&] { return f->WindowState() == wsNormal; }));
    delete f;
}

TEST(FormsAndApplication, ReleasedFormsGoWhenIdle)
{
    Application->Initialize();
    auto* f = new TCountingForm(nullptr);
    f->AfterConstruction();
    bool gone = false;
    f->Destroyed = &gone;
    f->OnClose = [](TObject*, TCloseAction& a) { a = caFree; };
    f->Show();
    f->Close();
    EXPECT_FALSE(gone);  // not while its own message may still be running
    uitest::Pump();
    EXPECT_TRUE(gone);
}

TEST(FormsAndApplication, ShowModalOnAVisibleFormIsRefused)
{
    Application->Initialize();
    auto* f = new TForm(nullptr);
    f->AfterConstruction();
    f->Show();
    EXPECT_THROW(f->ShowModal(), EInvalidOperation);
    delete f;
}

TEST(FormsAndApplication, RunReturnsWhenTerminated)
{
    Application->Initialize();
    TTimer t(nullptr);
    t.SetInterval(10);
    int ticks = 0;
    t.OnTimer = [&](TObject*) {
        if (++ticks == 3)
            Application->Terminate();
    };
    Application->Run();
    EXPECT_EQ(ticks, 3);
    EXPECT_TRUE(Application->Terminated());
    Application->ResetTerminated();
}

}  // namespace

namespace {

TEST_F(Controls, ButtonsTellTheirParentOfClicksAndTakeTheDefaultStyle)
{
    std::vector<Word> codes;
    struct TListener : TPanel {
        using TPanel::TPanel;
        std::vector<Word>* Codes = nullptr;
        void Dispatch(TMessage& M) override
        {
            if (M.Msg == WM_COMMAND && M.LParam)
                Codes->push_back(HIWORD(M.WParam));
            TPanel::Dispatch(M);
        }
    };
    auto* panel = new TListener(form);
    panel->Codes = &codes;
    panel->SetParent(form);
    panel->SetBounds(0, 0, 300, 100);
    auto* b = new TButton(form);
    b->SetParent(panel);
    b->SetBounds(10, 10, 75, 25);
    int clicks = 0;
    b->OnClick = [&](TObject*) { ++clicks; };
    Show();
    Input::Click(b, 10, 10);
    SendMessage(b->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(codes, (std::vector<Word>{BN_CLICKED, BN_CLICKED}));
    EXPECT_EQ(clicks, 2) << "the parent hands BN_CLICKED back as CN_COMMAND";
    EXPECT_EQ(GetWindowLong(b->Handle(), GWL_STYLE) & BS_TYPEMASK, LONG(BS_PUSHBUTTON));
    // BM_SETSTYLE gives a button without the focus the default look: the dark frame round the face.
    auto* c = new TButton(form);
    c->SetParent(panel);
    c->SetBounds(100, 10, 75, 25);
    uitest::Pump();
    const COLORREF plain = Pixel(c, 0, 12);
    SendMessage(c->Handle(), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    uitest::Pump();
    EXPECT_EQ(GetWindowLong(c->Handle(), GWL_STYLE) & BS_TYPEMASK, LONG(BS_DEFPUSHBUTTON));
    EXPECT_EQ(Pixel(c, 0, 12), GetSysColor(COLOR_WINDOWFRAME));
    EXPECT_NE(Pixel(c, 0, 12), plain);
    SendMessage(c->Handle(), BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    uitest::Pump();
    EXPECT_EQ(Pixel(c, 0, 12), plain);
    // A button made as the default starts with the style.
    auto* d = new TButton(form);
    d->Default = true;
    d->SetParent(panel);
    EXPECT_EQ(GetWindowLong(d->Handle(), GWL_STYLE) & BS_TYPEMASK, LONG(BS_DEFPUSHBUTTON));
}

}  // namespace
