// Repainting a part of a form of standard controls gives the pixels a whole repaint gives: the part
// reaches every child under it, in the child's own coordinates, and nothing beyond it changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/ExtCtrls.h"
#include "platform/Graphics.h"
#include "platform/Libraries.h"
#include "platform/StdCtrls.h"
#include "platform/UxTheme.h"
#include "platform/WinGdiMore.h"
#include "tests/support/Settle.h"
#include "tests/support/UiTest.h"

namespace {

// A child that shows its parent's picture under a frame of its own, as a see-through button does:
// through the theme's parent-background call, with the see-through window style, or without it (and
// then with a border, the picture fetched half by half).
class TSeeThrough : public TCustomControl {
public:
    TSeeThrough(TComponent* AOwner, bool SeeThroughStyle) : TCustomControl(AOwner), FStyle(SeeThroughStyle)
    {
        // A colour of its own: its parent's new colour does not reach it as a change of its own.
        SetColor(clMaroon);
        FTheme = LoadLibrary("uxtheme.dll");
        FDraw = reinterpret_cast<TDrawThemeParentBackground>(GetProcAddress(FTheme, "DrawThemeParentBackground"));
    }
    ~TSeeThrough() override { FreeLibrary(FTheme); }
    bool Through = true;  // false: paints itself opaque

protected:
    void CreateParams(TCreateParams& Params) override
    {
        TCustomControl::CreateParams(Params);
        Params.ExStyle |= FStyle ? WS_EX_TRANSPARENT : WS_EX_CLIENTEDGE;
    }
    void Paint() override
    {
        TRect r = ClientRect();
        ASSERT_NE(FDraw, nullptr);
        if (!Through) {
            Canvas()->Brush()->SetColor(clMaroon);
            Canvas()->FillRect(r);
        } else if (!FStyle) {
            TRect left = r, right = r;
            left.Right = right.Left = r.Width() / 2;
            FDraw(Handle(), Canvas()->Handle(), &left);
            FDraw(Handle(), Canvas()->Handle(), &right);
        } else {
            FDraw(Handle(), Canvas()->Handle(), &r);
        }
        Canvas()->Brush()->SetColor(clNavy);
        Canvas()->FrameRect(r);
    }

private:
    bool FStyle;
    HMODULE FTheme = 0;
    TDrawThemeParentBackground FDraw = nullptr;
};

// A pane whose picture follows its scroll position, as a scrolling control's does: bands and a
// caption that move with its contents. Its children move along or stay, as asked.
class TScrollPane : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    int Offset = 0;
    void ScrollBy(int Dy, bool Children)
    {
        Offset += Dy;
        if (Children)
            ScrollWindow(Handle(), 0, -Dy, nullptr, nullptr);
        else
            ScrollWindowEx(Handle(), 0, -Dy, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE | SW_ERASE);
    }

protected:
    void CreateParams(TCreateParams& Params) override
    {
        TCustomControl::CreateParams(Params);
        Params.Style |= WS_CLIPCHILDREN;
    }
    void Paint() override
    {
        const TRect r = ClientRect();
        for (int y = -((Offset % 10 + 10) % 10); y < r.Bottom; y += 10) {
            Canvas()->Brush()->SetColor(((y + Offset) / 10) % 2 ? clTeal : clSilver);
            Canvas()->FillRect(TRect(0, y, r.Right, y + 10));
        }
        Canvas()->Brush()->SetStyle(bsClear);
        Canvas()->TextOut(30, 45 - Offset, "Scrolled contents");
    }
};

class PartialRepaint : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->Initialize();
        form = new TForm(nullptr);
        form->SetBounds(30, 30, 520, 480);
        form->AfterConstruction();
        auto* edit = new TEdit(form);
        edit->SetParent(form);
        edit->SetBounds(8, 8, 150, 22);
        edit->SetText("Gale warning");
        auto* memo = new TMemo(form);
        memo->SetParent(form);
        memo->SetBounds(170, 8, 160, 90);
        memo->SetText("ZCZC SA12\r\nWind SW 8\r\nNNNN");
        auto* list = new TListBox(form);
        list->SetParent(form);
        list->SetBounds(340, 8, 160, 90);
        for (const char* s : {"NAVTEX", "Visibility good", "Sea state", "Fog"})
            list->Items()->Add(s);
        list->SetItemIndex(1);
        auto* combo = new TComboBox(form);
        combo->SetParent(form);
        combo->SetBounds(8, 40, 150, 22);
        combo->Items()->Add("Wind SW 8");
        combo->SetItemIndex(0);
        auto* button = new TButton(form);
        button->SetParent(form);
        button->SetBounds(8, 110, 90, 26);
        button->SetCaption("NNNN");
        auto* label = new TLabel(form);
        label->SetParent(form);
        label->SetBounds(110, 114, 80, 16);
        label->SetCaption("Visibility");
        // A panel holding a windowed and a windowless control: the part is passed on twice.
        auto* panel = new TPanel(form);
        panel->SetParent(form);
        panel->SetBounds(200, 110, 300, 200);
        panel->SetCaption("Panel");
        auto* inner = new TEdit(form);
        inner->SetParent(panel);
        inner->SetBounds(20, 20, 200, 22);
        inner->SetText("Inside the panel");
        auto* innerLabel = new TLabel(form);
        innerLabel->SetParent(panel);
        innerLabel->SetBounds(20, 60, 120, 16);
        innerLabel->SetCaption("Windowless inside");
        auto* bevel = new TBevel(form);
        bevel->SetParent(form);
        bevel->SetBounds(8, 150, 180, 60);
        // Children through which the form shows: two see-through ones, and a panel cut to its
        // top-left corner.
        for (int i = 0; i < 2; ++i) {
            auto* see = new TSeeThrough(form, i == 1);
            see->SetParent(form);
            see->SetBounds(40 + 60 * i, 218, 50, 30);
        }
        shaped = new TPanel(form);
        shaped->SetParent(form);
        shaped->SetBounds(110, 250, 80, 60);
        // Below: a scrolled pane under see-through children nested three deep, the first one's
        // right part under an opaque panel; a captioned panel with a see-through child over its
        // caption.
        pane = Place<TScrollPane>(form, TRect(8, 345, 308, 470));
        TWinControl* parent = pane;
        for (const TRect& at : {TRect(20, 20, 220, 100), TRect(12, 12, 132, 67), TRect(10, 10, 80, 40)})
            parent = see.emplace_back(Place<TSeeThrough>(parent, at, see.size() != 1));
        cover = Place<TPanel>(pane, TRect(150, 10, 250, 110));
        captioned = Place<TPanel>(form, TRect(320, 345, 510, 470));
        captioned->SetCaption("Caption under glass");
        see.push_back(Place<TSeeThrough>(captioned, TRect(20, 40, 170, 85), true));
        form->Show();
        SetWindowRgn(shaped->Handle(), CreateRectRgn(0, 0, 50, 50), TRUE);
        // A colour of its own after the first one: what the form left unpainted would show the first.
        uitest::Pump();
        form->SetColor(clYellow);
        uitest::Pump();
        form->SetColor(clAqua);
        uitest::Pump();
    }
    void TearDown() override
    {
        delete form;
        uitest::Pump();
    }

    // What the form's client area shows, put together from each window's image, children over their
    // parents and clipped to them.
    std::vector<RGBQUAD> Shown()
    {
        RECT client;
        GetClientRect(form->Handle(), &client);
        POINT origin{0, 0};
        ClientToScreen(form->Handle(), &origin);
        TBitmap composite;
        composite.SetSize(client.Right, client.Bottom);
        HDC to = composite.Canvas()->Handle();
        HDC from = GetDC(form->Handle());
        BitBlt(to, 0, 0, client.Right, client.Bottom, from, 0, 0, SRCCOPY);
        ReleaseDC(form->Handle(), from);
        ComposeChildren(to, form->Handle(), origin);
        BITMAPINFO info;
        GetDIBits(nullptr, composite.Handle(), 0, 0, nullptr, &info, DIB_RGB_COLORS);
        info.bmiHeader.biHeight = -client.Bottom;
        std::vector<RGBQUAD> px(size_t(client.Right) * size_t(client.Bottom));
        GetDIBits(nullptr, composite.Handle(), 0, UINT(client.Bottom), px.data(), &info, DIB_RGB_COLORS);
        return px;
    }
    // The children of wnd drawn into to, whose pixel (0, 0) stands at the screen point Origin.
    void ComposeChildren(HDC to, HWND wnd, POINT Origin)
    {
        RECT client;
        GetClientRect(wnd, &client);
        POINT at{0, 0};
        ClientToScreen(wnd, &at);
        for (HWND child = GetWindow(wnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (!IsWindowVisible(child))
                continue;
            int saved = SaveDC(to);
            IntersectClipRect(to, at.X - Origin.X, at.Y - Origin.Y, at.X - Origin.X + client.Right,
                              at.Y - Origin.Y + client.Bottom);
            RECT r;
            GetWindowRect(child, &r);
            // A shaped child shows only its shape.
            HRGN shape = CreateRectRgn(0, 0, 0, 0);
            if (GetWindowRgn(child, shape) != ERROR) {
                OffsetRgn(shape, r.Left - Origin.X, r.Top - Origin.Y);
                ExtSelectClipRgn(to, shape, RGN_AND);
            }
            DeleteObject(shape);
            HDC from = GetWindowDC(child);
            BitBlt(to, r.Left - Origin.X, r.Top - Origin.Y, r.Width(), r.Height(), from, 0, 0, SRCCOPY);
            ReleaseDC(child, from);
            ComposeChildren(to, child, Origin);
            RestoreDC(to, saved);
        }
    }
    // Paints magenta over Part (form client coordinates) in the form and in every window under it,
    // as a stale picture would stand there.
    void Spoil(HWND wnd, RECT Part)
    {
        HDC dc = GetDC(wnd);
        HBRUSH b = CreateSolidBrush(RGB(255, 0, 255));
        FillRect(dc, &Part, b);
        DeleteObject(b);
        ReleaseDC(wnd, dc);
        for (HWND child = GetWindow(wnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            RECT p = Part;
            MapWindowPoints(wnd, child, reinterpret_cast<POINT*>(&p), 2);
            Spoil(child, p);
        }
    }
    // A control of class T, owned by the form, on Parent at At.
    template <class T, class... Args>
    T* Place(TWinControl* Parent, const TRect& At, Args... A)
    {
        auto* c = new T(form, A...);
        c->SetParent(Parent);
        c->SetBounds(At.Left, At.Top, At.Width(), At.Height());
        return c;
    }
    // Runs the message loop until nothing is left to paint or post.
    static void Settle()
    {
        ASSERT_TRUE(uitest::PumpUntil([] {
            const PaintCount::TPending p = PaintCount::Pending(PaintCount::TickMark());
            return p.PostedCalls == 0 && p.WindowsToPaint == 0;
        }));
    }
    TForm* form = nullptr;
    TPanel* shaped = nullptr;
    TScrollPane* pane = nullptr;
    std::vector<TSeeThrough*> see;  // nested three deep in the pane, then the one over the caption
    TPanel* cover = nullptr;
    TPanel* captioned = nullptr;
};

size_t Differences(const std::vector<RGBQUAD>& A, const std::vector<RGBQUAD>& B)
{
    size_t n = A.size() == B.size() ? 0 : std::max(A.size(), B.size());
    for (size_t i = 0; i < A.size() && i < B.size(); ++i)
        n += A[i].rgbRed != B[i].rgbRed || A[i].rgbGreen != B[i].rgbGreen || A[i].rgbBlue != B[i].rgbBlue;
    return n;
}

struct PartCase {
    std::string Name;
    RECT Part;
};

TEST_F(PartialRepaint, EveryPartGivesTheWholeRepaintsPixels)
{
    const UINT flags = RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN;
    RedrawWindow(form->Handle(), nullptr, nullptr, flags);
    uitest::Pump();
    const std::vector<RGBQUAD> whole = Shown();
    // The form shows through its see-through children and around the shaped one's corner.
    RECT client;
    GetClientRect(form->Handle(), &client);
    auto formShows = [&](int x, int y) {
        const RGBQUAD& p = whole[size_t(y * client.Right + x)];
        return RGB(p.rgbRed, p.rgbGreen, p.rgbBlue) == RGB(0, 255, 255);
    };
    EXPECT_TRUE(formShows(45, 223)) << "inside the first see-through child";
    EXPECT_TRUE(formShows(84, 242)) << "in the first see-through child's other half";
    EXPECT_TRUE(formShows(125, 240)) << "inside the second see-through child";
    EXPECT_TRUE(formShows(180, 255)) << "right of the shaped panel's corner";
    EXPECT_TRUE(formShows(115, 305)) << "below the shaped panel's corner";
    EXPECT_FALSE(formShows(115, 255)) << "the shaped panel itself";
    const PartCase cases[] = {
        {"InsideTheEditsText", {20, 12, 36, 28}},
        {"AcrossTheEditAndTheComboBelow", {100, 20, 116, 50}},
        {"StraddlingTheMemosLeftEdge", {162, 30, 178, 46}},
        {"OverTheListsSelectedItem", {350, 20, 366, 36}},
        {"TheButtonsCaption", {30, 112, 70, 132}},
        {"TheWindowlessLabel", {112, 114, 128, 130}},
        {"ThePanelsEdgeAndItsEdge", {196, 106, 240, 150}},
        {"TheLabelInsideThePanel", {222, 172, 238, 188}},
        {"TheBevelsCorner", {180, 200, 196, 216}},
        {"BareFormOnly", {20, 260, 36, 276}},
        {"ReachingPastTheClientArea", {480, 290, 900, 900}},
        {"InsideASeeThroughChild", {50, 224, 66, 240}},
        {"AcrossBothSeeThroughChildren", {80, 214, 110, 252}},
        {"TheShapedPanelsCutCorner", {155, 290, 175, 306}},
        {"AcrossTheShapedPanelsEdge", {150, 262, 180, 285}},
        {"TheWholeClientAreaAsARectangle", {0, 0, 520, 340}},
    };
    for (const PartCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Spoil(form->Handle(), c.Part);
        ASSERT_GT(Differences(Shown(), whole), 0u) << "the spoiled part must show before the repaint";
        RedrawWindow(form->Handle(), &c.Part, nullptr, flags);
        uitest::Pump();
        EXPECT_EQ(Differences(Shown(), whole), 0u);
    }
}

// The parent's picture changes under see-through children (its colour, a caption, a scroll with and
// without the children, an opaque sibling hidden, moved or freed, a see-through child moved): what
// the windows show once the messages are handled is what a whole repaint shows, and then nothing
// more is painted.
TEST_F(PartialRepaint, ParentChangesReachTheSeeThroughChildren)
{
    const TColor colours[] = {clLime, clYellow, clFuchsia, clAqua, clWhite};
    const char* captions[] = {"Caption under glass", "NNNN", "Gale warning Fastnet"};
    for (unsigned seed = 1; seed <= 3; ++seed) {
        std::mt19937 rng(seed);
        for (int round = 0; round < 30; ++round) {
            const int op = int(rng() % 8);
            SCOPED_TRACE(testing::Message() << "seed " << seed << " round " << round << " change " << op);
            switch (op) {
            case 0: form->SetColor(colours[rng() % 5]); break;
            case 1: captioned->SetCaption(captions[rng() % 3]); break;
            case 2:
            case 3: {
                // Within the first 120 pixels of contents, up or down.
                const int to = int(rng() % 13) * 10 - (op == 3 ? 5 : 0);
                pane->ScrollBy(std::max(0, to) - pane->Offset, op == 2);
                break;
            }
            case 4: cover->SetVisible(!cover->Visible()); break;
            case 5: cover->SetBounds(int(rng() % 200), int(rng() % 30), 100, 100); break;
            case 6: {
                delete cover;
                const TPoint at(int(rng() % 200), int(rng() % 30));
                cover = Place<TPanel>(pane, TRect(at.X, at.Y, at.X + 100, at.Y + 100));
                break;
            }
            default: {
                // A see-through child to a new place of the same size inside its parent.
                TSeeThrough* c = see[rng() % see.size()];
                const TRect within = static_cast<TWinControl*>(c->Parent())->ClientRect();
                c->SetBounds(int(rng() % unsigned(std::max(1, within.Right - c->Width()))),
                             int(rng() % unsigned(std::max(1, within.Bottom - c->Height()))), c->Width(), c->Height());
                break;
            }
            }
            Settle();
            const std::vector<RGBQUAD> shown = Shown();
            RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
            Settle();
            ASSERT_EQ(Differences(shown, Shown()), 0u);
        }
    }
    EXPECT_EQ(settle::Painted(settle::PaintsAfterSettling()), PaintCount::TCounts{});
}

// A child that turns see-through after its parent painted around it shows the parent's current
// picture at once, and so does one that paints before its parent has painted a change under it.
TEST(SeeThroughChildren, ShowTheParentsPictureAsItIsNow)
{
    Application->Initialize();
    auto* form = new TForm(nullptr);
    form->SetBounds(30, 30, 300, 200);
    form->AfterConstruction();
    auto* child = new TSeeThrough(form, false);
    child->Through = false;
    child->SetParent(form);
    child->SetBounds(20, 20, 80, 40);
    form->Show();
    uitest::Pump();
    form->SetColor(clAqua);
    uitest::Pump();
    // A point in each half of the child's client area.
    auto at = [&](int X) {
        HDC dc = GetDC(child->Handle());
        const COLORREF c = GetPixel(dc, X, 20);
        ReleaseDC(child->Handle(), dc);
        return c;
    };
    ASSERT_EQ(at(10), ColorToRGB(clMaroon));
    child->Through = true;
    InvalidateRect(child->Handle(), nullptr, TRUE);
    UpdateWindow(child->Handle());
    EXPECT_EQ(at(10), ColorToRGB(clAqua)) << "what the form left out under the child while it was opaque";
    EXPECT_EQ(at(60), ColorToRGB(clAqua));
    // The form still to paint its new colour under the child's right half only.
    form->SetColor(clLime);
    ValidateRect(form->Handle(), nullptr);
    RECT right{60, 20, 100, 60};
    InvalidateRect(form->Handle(), &right, TRUE);
    InvalidateRect(child->Handle(), nullptr, TRUE);
    UpdateWindow(child->Handle());
    EXPECT_EQ(at(10), ColorToRGB(clAqua));
    EXPECT_EQ(at(60), ColorToRGB(clLime)) << "the form's change, painted before the child reads it";
    delete form;
    uitest::Pump();
}

// A window that clips its children, noting what each paint may reach.
class TClippingParent : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    std::vector<TRect> Reached;

protected:
    void CreateParams(TCreateParams& Params) override
    {
        TCustomControl::CreateParams(Params);
        Params.Style |= WS_CLIPCHILDREN;
    }
    void Paint() override { Reached.push_back(Canvas()->ClipRect()); }
};

// The paint of a window that clips its children reaches only around them: what lies under a child
// is left out of the paint, and a part wholly under children paints nothing of the parent.
TEST(ClippedChildren, AParentPaintsOnlyAroundItsChildren)
{
    Application->Initialize();
    auto* form = new TForm(nullptr);
    form->SetBounds(30, 30, 400, 300);
    form->AfterConstruction();
    auto* parent = new TClippingParent(form);
    parent->SetParent(form);
    parent->SetBounds(10, 20, 300, 200);
    parent->SetColor(clLime);
    auto* left = new TPanel(form);
    left->SetParent(parent);
    left->SetBounds(0, 0, 100, 200);
    auto* right = new TPanel(form);
    right->SetParent(parent);
    right->SetBounds(200, 0, 100, 200);
    form->Show();
    uitest::Pump();
    struct Case {
        const char* Name;
        RECT Part;
        TRect Reached;  // empty: the parent paints nothing
    };
    const Case cases[] = {
        {"HalfUnderTheLeftChild", {50, 10, 150, 40}, {100, 10, 150, 40}},
        {"BetweenTheChildren", {120, 10, 180, 40}, {120, 10, 180, 40}},
        {"AcrossBothChildren", {50, 10, 250, 40}, {100, 10, 200, 40}},
        {"WhollyUnderTheRightChild", {210, 10, 290, 40}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        parent->Reached.clear();
        PaintCount::Reset();
        InvalidateRect(parent->Handle(), &c.Part, TRUE);
        uitest::Pump();
        // The opaque children keep their pictures: only the parent paints.
        EXPECT_LE(PaintCount::Counts().Paints, 1u);
        if (c.Reached.Width() == 0) {
            for (const TRect& r : parent->Reached)
                EXPECT_TRUE(r.Width() <= 0 || r.Height() <= 0) << r.Left << "," << r.Top << "," << r.Right << "," << r.Bottom;
        } else {
            ASSERT_EQ(parent->Reached.size(), 1u);
            EXPECT_EQ(parent->Reached.front(), c.Reached);
        }
    }
    // A part of the form handed down reaches the parent as the piece over it, in its own
    // coordinates, not as a repaint of the whole parent.
    parent->Reached.clear();
    RECT formPart{130, 30, 190, 60};
    RedrawWindow(form->Handle(), &formPart, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    uitest::Pump();
    ASSERT_EQ(parent->Reached.size(), 1u);
    EXPECT_EQ(parent->Reached.front(), TRect(120, 10, 180, 40));
    // A child freed gives its place back to the parent's picture, which it never painted there.
    parent->Reached.clear();
    delete right;
    uitest::Pump();
    ASSERT_EQ(parent->Reached.size(), 1u);
    EXPECT_EQ(parent->Reached.front(), TRect(200, 0, 300, 200));
    HDC dc = GetDC(parent->Handle());
    EXPECT_EQ(GetPixel(dc, 250, 100), ColorToRGB(parent->Color())) << "erased to the parent's colour";
    ReleaseDC(parent->Handle(), dc);
    delete form;
    uitest::Pump();
}

// A child that frees its siblings as it paints.
class TSiblingFreer : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    std::vector<TControl*>* Siblings = nullptr;
    int Paints = 0;

protected:
    void Paint() override
    {
        ++Paints;
        std::vector<TControl*> others;
        for (TControl* c : *Siblings)
            if (c != this)
                others.push_back(c);
        Siblings->assign(1, this);
        for (TControl* c : others)
            delete c;
    }
};

// Painting at once while a part is handed to the children: the first child painted frees the
// others, and the rest of the children are not touched.
TEST(PartialRepaintNow, AChildFreeingItsSiblingsWhilePaintingAtOnce)
{
    Application->Initialize();
    for (UINT now : {UINT(RDW_ERASENOW), UINT(RDW_UPDATENOW)}) {
        SCOPED_TRACE(now);
        auto* form = new TForm(nullptr);
        form->SetBounds(30, 30, 300, 200);
        form->AfterConstruction();
        std::vector<TControl*> children;
        std::vector<TSiblingFreer*> freers;
        for (int i = 0; i < 3; ++i) {
            auto* c = new TSiblingFreer(form);
            c->Siblings = &children;
            c->SetParent(form);
            c->SetBounds(10 + 60 * i, 10, 50, 50);
            children.push_back(c);
            freers.push_back(c);
        }
        form->Show();
        uitest::Pump();
        ASSERT_EQ(children.size(), 1u) << "showing paints one child, which frees the others";
        // Bring the others back, so the repaint below meets them all.
        for (int i = 0; i < 2; ++i) {
            auto* c = new TSiblingFreer(form);
            c->Siblings = &children;
            c->SetParent(form);
            c->SetBounds(70 + 60 * i, 10, 50, 50);
            children.push_back(c);
        }
        ValidateRect(form->Handle(), nullptr);
        for (TControl* c : children)
            ValidateRect(static_cast<TWinControl*>(c)->Handle(), nullptr);
        RECT part{0, 0, 300, 100};
        RedrawWindow(form->Handle(), &part, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | now);
        EXPECT_EQ(children.size(), 1u);
        uitest::Pump();
        delete form;
        uitest::Pump();
    }
}

}  // namespace
