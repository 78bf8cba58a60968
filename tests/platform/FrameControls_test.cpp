// The classic frame controls: round radio buttons, check marks, the third state, and push buttons
// that give back the room inside their edge.
#include <gtest/gtest.h>

#include <string>

#include "platform/Forms.h"
#include "platform/Graphics.h"
#include "tests/support/UiTest.h"

namespace {

struct Glyph {
    explicit Glyph(int Size = 13)
    {
        dc = CreateCompatibleDC(nullptr);
        bmp = CreateCompatibleBitmap(nullptr, Size + 4, Size + 4);
        old = SelectObject(dc, bmp);
        HBRUSH b = CreateSolidBrush(kBack);
        RECT all{0, 0, Size + 4, Size + 4};
        FillRect(dc, &all, b);
        DeleteObject(b);
        box = RECT{2, 2, 2 + Size, 2 + Size};
    }
    ~Glyph()
    {
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
    COLORREF At(int x, int y) const { return GetPixel(dc, box.Left + x, box.Top + y); }
    int Count(COLORREF c) const
    {
        int n = 0;
        for (int y = box.Top; y < box.Bottom; ++y)
            for (int x = box.Left; x < box.Right; ++x)
                n += GetPixel(dc, x, y) == c;
        return n;
    }
    static constexpr COLORREF kBack = RGB(1, 2, 3);
    HDC dc;
    HBITMAP bmp;
    HGDIOBJ old;
    RECT box;
};

TEST(FrameControls, ARadioButtonIsRoundAndItsDotSitsInTheMiddle)
{
    Glyph off, on;
    ASSERT_TRUE(DrawFrameControl(off.dc, &off.box, DFC_BUTTON, DFCS_BUTTONRADIO));
    ASSERT_TRUE(DrawFrameControl(on.dc, &on.box, DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED));
    for (Glyph* g : {&off, &on}) {
        // The corners stay as they were; the edge's middle is drawn.
        EXPECT_EQ(g->At(0, 0), Glyph::kBack);
        EXPECT_EQ(g->At(12, 12), Glyph::kBack);
        EXPECT_EQ(g->At(0, 12), Glyph::kBack);
        EXPECT_NE(g->At(0, 6), Glyph::kBack);
        // Shadow above, highlight below.
        EXPECT_EQ(g->At(6, 0), GetSysColor(COLOR_BTNSHADOW));
        EXPECT_EQ(g->At(6, 12), GetSysColor(COLOR_BTNHIGHLIGHT));
    }
    EXPECT_EQ(off.At(6, 6), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(on.At(6, 6), GetSysColor(COLOR_WINDOWTEXT));
    // The dot is small and round: not the whole face, and not its corners.
    int dot = on.Count(GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_GE(dot, 4);
    EXPECT_LE(dot, 20);
    EXPECT_EQ(on.At(3, 3), GetSysColor(COLOR_WINDOW));
    // Inactive: the face is grey and so is the dot.
    Glyph dim;
    DrawFrameControl(dim.dc, &dim.box, DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED | DFCS_INACTIVE);
    EXPECT_EQ(dim.At(6, 6), GetSysColor(COLOR_GRAYTEXT));
    EXPECT_EQ(dim.At(3, 6), GetSysColor(COLOR_BTNFACE));
    // The mask is one black disc.
    Glyph mask;
    DrawFrameControl(mask.dc, &mask.box, DFC_BUTTON, DFCS_BUTTONRADIOMASK);
    EXPECT_EQ(mask.At(6, 6), RGB(0, 0, 0));
    EXPECT_EQ(mask.At(0, 0), Glyph::kBack);
}

TEST(FrameControls, ACheckedBoxShowsACheckMarkNotAFilledSquare)
{
    Glyph off, on;
    DrawFrameControl(off.dc, &off.box, DFC_BUTTON, DFCS_BUTTONCHECK);
    DrawFrameControl(on.dc, &on.box, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
    // Square, sunken: shadow at the top-left corner, highlight at the bottom-right.
    EXPECT_EQ(off.At(0, 0), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(off.At(12, 12), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(off.Count(GetSysColor(COLOR_WINDOWTEXT)), 0);
    // The mark: the short leg down on the left, the long leg up to the right, three pixels thick;
    // the interior's corners stay white.
    COLORREF ink = GetSysColor(COLOR_WINDOWTEXT);
    int mark = on.Count(ink);
    EXPECT_EQ(mark, 21);
    EXPECT_EQ(on.At(3, 5), ink);   // left end of the short leg
    EXPECT_EQ(on.At(9, 3), ink);   // top of the long leg
    EXPECT_EQ(on.At(5, 9), ink);   // the bottom of the V
    EXPECT_EQ(on.At(2, 2), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(on.At(10, 10), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(on.At(3, 3), GetSysColor(COLOR_WINDOW));
}

TEST(FrameControls, TheThirdStateIsAGreyMarkOnTheFace)
{
    Glyph third, plain;
    DrawFrameControl(third.dc, &third.box, DFC_BUTTON, DFCS_BUTTON3STATE | DFCS_CHECKED);
    DrawFrameControl(plain.dc, &plain.box, DFC_BUTTON, DFCS_BUTTON3STATE);
    EXPECT_EQ(third.Count(GetSysColor(COLOR_BTNSHADOW)) - plain.Count(GetSysColor(COLOR_BTNSHADOW)), 21);
    EXPECT_EQ(third.At(2, 2), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(third.Count(GetSysColor(COLOR_WINDOWTEXT)), 0);
    // Unchecked it is an ordinary empty box.
    EXPECT_EQ(plain.At(6, 6), GetSysColor(COLOR_WINDOW));
    // Inactive and checked: grey ink on the face.
    Glyph dim, dimEmpty;
    DrawFrameControl(dim.dc, &dim.box, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED | DFCS_INACTIVE);
    DrawFrameControl(dimEmpty.dc, &dimEmpty.box, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_INACTIVE);
    EXPECT_EQ(dim.Count(GetSysColor(COLOR_GRAYTEXT)) - dimEmpty.Count(GetSysColor(COLOR_GRAYTEXT)), 21);
    EXPECT_EQ(dim.At(2, 2), GetSysColor(COLOR_BTNFACE));
}

TEST(FrameControls, AMonoBoxHasAOnePixelFrameAndAFlatOneAGreyEdge)
{
    Glyph mono, flat;
    DrawFrameControl(mono.dc, &mono.box, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_MONO);
    DrawFrameControl(flat.dc, &flat.box, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT);
    COLORREF frame = GetSysColor(COLOR_WINDOWFRAME);
    EXPECT_EQ(mono.At(0, 0), frame);
    EXPECT_EQ(mono.At(12, 6), frame);
    // The face starts one pixel in.
    EXPECT_EQ(mono.At(1, 1), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(mono.At(11, 11), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(flat.At(0, 0), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(flat.At(12, 12), GetSysColor(COLOR_BTNSHADOW));
}

TEST(FrameControls, ALargerBoxKeepsItsMarkCentredAndSquare)
{
    Glyph big(21);
    DrawFrameControl(big.dc, &big.box, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
    EXPECT_EQ(big.Count(GetSysColor(COLOR_WINDOWTEXT)), 21);
    EXPECT_EQ(big.At(10 - 3, 10 - 1), GetSysColor(COLOR_WINDOWTEXT));
    // A wide rectangle holds a square box in its middle.
    Glyph wide(13);
    RECT r{0, 2, 17, 15};
    DrawFrameControl(wide.dc, &r, DFC_BUTTON, DFCS_BUTTONCHECK);
    EXPECT_EQ(GetPixel(wide.dc, 2, 2), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(GetPixel(wide.dc, 0, 8), Glyph::kBack);
}

TEST(FrameControls, APushButtonGivesBackTheRoomInsideItsEdgeWhenAsked)
{
    Glyph g(30);
    RECT r = g.box;
    DrawFrameControl(g.dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH);
    EXPECT_EQ(r, g.box);
    DrawFrameControl(g.dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT);
    EXPECT_EQ(r, (RECT{g.box.Left + 2, g.box.Top + 2, g.box.Right - 2, g.box.Bottom - 2}));
    EXPECT_EQ(g.At(15, 15), GetSysColor(COLOR_BTNFACE));
}

// The looks side by side on a form, saved for a person to look at (MORVIK_SNAPSHOT_DIR).
TEST(FrameControls, TheClassicLooksOnAForm)
{
    Application->Initialize();
    auto* form = new TForm(nullptr);
    form->SetBounds(40, 40, 420, 200);
    form->AfterConstruction();
    form->Show();
    uitest::Pump();
    HDC dc = GetDC(form->Handle());
    const UINT looks[] = {DFCS_BUTTONCHECK,
                          DFCS_BUTTONCHECK | DFCS_CHECKED,
                          DFCS_BUTTON3STATE | DFCS_CHECKED,
                          DFCS_BUTTONCHECK | DFCS_CHECKED | DFCS_INACTIVE,
                          DFCS_BUTTONRADIO,
                          DFCS_BUTTONRADIO | DFCS_CHECKED,
                          DFCS_BUTTONRADIO | DFCS_CHECKED | DFCS_INACTIVE,
                          DFCS_BUTTONCHECK | DFCS_CHECKED | DFCS_FLAT};
    int x = 10;
    for (UINT look : looks) {
        RECT small{x, 20, x + 13, 33};
        DrawFrameControl(dc, &small, DFC_BUTTON, look);
        RECT large{x, 60, x + 40, 100};
        DrawFrameControl(dc, &large, DFC_BUTTON, look);
        x += 50;
    }
    RECT push{10, 120, 110, 150};
    DrawFrameControl(dc, &push, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT);
    SetBkMode(dc, TRANSPARENT);
    DrawText(dc, "Push", -1, &push, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    ReleaseDC(form->Handle(), dc);
    std::string file = uitest::SaveSnapshot(form, "frame-controls");
    EXPECT_FALSE(file.empty());
    delete form;
}

}  // namespace
