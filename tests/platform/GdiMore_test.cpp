// Map modes, pixel rows, alpha blending, regions from rectangle lists, window regions and
// placement, system commands and UTF-16 text.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/Graphics.h"
#include "platform/Libraries.h"
#include "platform/WinGdiMore.h"
#include "tests/support/UiTest.h"

namespace {

TEST(MapModes, OnlyPixelsAreOffered)
{
    TBitmap b;
    b.SetSize(2, 2);
    HDC dc = b.Canvas()->Handle();
    EXPECT_EQ(GetMapMode(dc), MM_TEXT);
    EXPECT_EQ(SetMapMode(dc, MM_TEXT), MM_TEXT);
    EXPECT_EQ(SetMapMode(dc, MM_LOMETRIC), 0);
    EXPECT_EQ(GetMapMode(dc), MM_TEXT);
    EXPECT_EQ(GetMapMode(nullptr), 0);
    EXPECT_EQ(SetMapMode(nullptr, MM_TEXT), 0);
}

TEST(DibRows, ReadAndWriteInBothRowOrders)
{
    TBitmap b;
    b.SetSize(3, 2);
    b.Canvas()->SetPixel(0, 0, TColor(RGB(1, 2, 3)));
    b.Canvas()->SetPixel(2, 1, TColor(RGB(200, 100, 50)));
    HBITMAP h = b.Handle();
    BITMAPINFO info;
    ASSERT_NE(GetDIBits(nullptr, h, 0, 0, nullptr, &info, DIB_RGB_COLORS), 0);
    EXPECT_EQ(info.bmiHeader.biWidth, 3);
    EXPECT_EQ(info.bmiHeader.biHeight, 2);
    std::vector<RGBQUAD> px(6);
    // Bottom-up: the first row read is the picture's last.
    ASSERT_EQ(GetDIBits(nullptr, h, 0, 2, px.data(), &info, DIB_RGB_COLORS), 2);
    EXPECT_EQ(px[2].rgbRed, 200);
    EXPECT_EQ(px[2].rgbBlue, 50);
    EXPECT_EQ(px[3].rgbRed, 1);
    EXPECT_EQ(px[3].rgbGreen, 2);
    info.bmiHeader.biHeight = -2;
    ASSERT_EQ(GetDIBits(nullptr, h, 1, 5, px.data(), &info, DIB_RGB_COLORS), 1);  // rows past the end are left
    EXPECT_EQ(px[2].rgbGreen, 100);
    px[0] = RGBQUAD{9, 8, 7, 0};
    ASSERT_EQ(SetDIBits(nullptr, h, 0, 1, px.data(), &info, DIB_RGB_COLORS), 1);
    EXPECT_EQ(b.Canvas()->Pixels(0, 0), TColor(RGB(7, 8, 9)));
    std::vector<RGBQUAD> back(6);
    GetDIBits(nullptr, h, 0, 2, back.data(), &info, DIB_RGB_COLORS);
    EXPECT_EQ(back[0].rgbReserved, 255);  // bitmaps stay opaque
    EXPECT_EQ(back[1].rgbReserved, 255);
    TBitmap empty;
    BITMAPINFO none;
    EXPECT_EQ(GetDIBits(nullptr, empty.Handle(), 0, 0, nullptr, &none, DIB_RGB_COLORS), 0);
    info.bmiHeader.biWidth = 4;  // a header that does not fit the bitmap is refused
    EXPECT_EQ(GetDIBits(nullptr, h, 0, 2, px.data(), &info, DIB_RGB_COLORS), 0);
    info.bmiHeader.biWidth = 3;
    info.bmiHeader.biBitCount = 24;
    EXPECT_EQ(SetDIBits(nullptr, h, 0, 1, px.data(), &info, DIB_RGB_COLORS), 0);
}

TEST(AlphaBlending, ConstantAlphaMixesAndBadSizesFail)
{
    TBitmap dst, src;
    dst.SetSize(2, 1);
    dst.Canvas()->Brush()->SetColor(clBlack);
    dst.Canvas()->FillRect(Rect(0, 0, 2, 1));
    src.SetSize(1, 1);
    src.Canvas()->SetPixel(0, 0, TColor(RGB(255, 100, 0)));
    BLENDFUNCTION bf;
    bf.SourceConstantAlpha = 51;  // a fifth
    EXPECT_TRUE(GdiAlphaBlend(dst.Canvas()->Handle(), 1, 0, 1, 1, src.Canvas()->Handle(), 0, 0, 1, 1, bf));
    EXPECT_EQ(dst.Canvas()->Pixels(1, 0), TColor(RGB(51, 20, 0)));
    EXPECT_EQ(dst.Canvas()->Pixels(0, 0), clBlack);
    EXPECT_FALSE(GdiAlphaBlend(dst.Canvas()->Handle(), 0, 0, 0, 1, src.Canvas()->Handle(), 0, 0, 1, 1, bf));
    dst.Canvas()->SetPixel(0, 0, TColor(RGB(100, 254, 50)));
    GdiAlphaBlend(dst.Canvas()->Handle(), 0, 0, 1, 1, src.Canvas()->Handle(), 0, 0, 1, 1, bf);
    EXPECT_EQ(dst.Canvas()->Pixels(0, 0), TColor(RGB(131, 223, 40)));  // a fifth of the source, the rest kept
    // Per-pixel alpha: the opaque source covers whatever the constant alpha leaves.
    BLENDFUNCTION perPixel;
    perPixel.SourceConstantAlpha = 255;
    perPixel.AlphaFormat = AC_SRC_ALPHA;
    dst.Canvas()->SetPixel(0, 0, TColor(RGB(100, 200, 50)));
    GdiAlphaBlend(dst.Canvas()->Handle(), 0, 0, 1, 1, src.Canvas()->Handle(), 0, 0, 1, 1, perPixel);
    EXPECT_EQ(dst.Canvas()->Pixels(0, 0), TColor(RGB(255, 100, 0)));
    perPixel.SourceConstantAlpha = 51;
    dst.Canvas()->SetPixel(0, 0, TColor(RGB(100, 254, 50)));
    GdiAlphaBlend(dst.Canvas()->Handle(), 0, 0, 1, 1, src.Canvas()->Handle(), 0, 0, 1, 1, perPixel);
    EXPECT_EQ(dst.Canvas()->Pixels(0, 0), TColor(RGB(131, 223, 40)));
    bf.BlendOp = 1;
    EXPECT_FALSE(GdiAlphaBlend(dst.Canvas()->Handle(), 0, 0, 1, 1, src.Canvas()->Handle(), 0, 0, 1, 1, bf));
    // Found by name, as the system's image library.
    HMODULE library = LoadLibrary("msimg32.dll");
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(GetProcAddress(library, "AlphaBlend"), reinterpret_cast<FARPROC>(&GdiAlphaBlend));
    EXPECT_EQ(GetProcAddress(library, "GradientFill"), nullptr);
    FreeLibrary(library);
}

HRGN FromRects(const std::vector<RECT>& rects)
{
    std::vector<char> buf(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
    auto* data = reinterpret_cast<RGNDATA*>(buf.data());
    data->rdh = RGNDATAHEADER{};
    data->rdh.nCount = DWORD(rects.size());
    if (!rects.empty())
        std::memcpy(data->Buffer, rects.data(), rects.size() * sizeof(RECT));
    return ExtCreateRegion(nullptr, DWORD(rects.size()), data);
}

TEST(RegionData, BandedAndLooseListsGiveTheSameArea)
{
    HRGN banded = FromRects({{0, 0, 2, 2}, {4, 0, 6, 2}, {1, 2, 5, 3}});
    HRGN loose = FromRects({{1, 2, 5, 3}, {4, 0, 6, 2}, {0, 0, 2, 1}, {0, 1, 2, 2}, {3, 2, 4, 3}});
    ASSERT_NE(banded, nullptr);
    ASSERT_NE(loose, nullptr);
    EXPECT_TRUE(EqualRgn(banded, loose));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 7; ++x) {
            bool in = (y < 2 && (x < 2 || (x >= 4 && x < 6))) || (y == 2 && x >= 1 && x < 5);
            EXPECT_EQ(PtInRegion(banded, x, y) != 0, in) << x << "," << y;
        }
    HRGN empty = FromRects({});
    RECT box;
    EXPECT_EQ(GetRgnBox(empty, &box), NULLREGION);
    std::vector<char> buf(sizeof(RGNDATA));
    auto* data = reinterpret_cast<RGNDATA*>(buf.data());
    data->rdh = RGNDATAHEADER{};
    EXPECT_EQ(ExtCreateRegion(&box, 0, data), nullptr);  // transformations are not offered
    DeleteObject(banded);
    DeleteObject(loose);
    DeleteObject(empty);
}

TEST(WindowRegions, ShapeAndRestore)
{
    TForm* form = new TForm(nullptr);
    form->SetBorderStyle(bsNone);
    form->SetBounds(10, 10, 40, 30);
    HWND h = form->Handle();
    HRGN probe = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(h, probe), ERROR);
    SetWindowRgn(h, CreateEllipticRgn(0, 0, 40, 30), TRUE);
    EXPECT_EQ(GetWindowRgn(h, probe), COMPLEXREGION);
    EXPECT_TRUE(PtInRegion(probe, 20, 15));
    EXPECT_FALSE(PtInRegion(probe, 0, 0));
    SetWindowRgn(h, nullptr, TRUE);
    EXPECT_EQ(GetWindowRgn(h, probe), ERROR);
    DeleteObject(probe);
    TObject::Free(form);
}

TEST(Placement, NormalRectangleMinimisedPositionAndSystemCommands)
{
    TForm* form = new TForm(nullptr);
    form->SetBounds(100, 80, 200, 150);
    form->Show();
    uitest::Pump();
    HWND h = form->Handle();
    WINDOWPLACEMENT wp;
    ASSERT_TRUE(GetWindowPlacement(h, &wp));
    EXPECT_EQ(wp.length, sizeof(WINDOWPLACEMENT));
    EXPECT_EQ(wp.showCmd, UINT(SW_SHOWNORMAL));
    TRect wa = WorkAreaRect(), r;
    GetWindowRect(h, &r);
    EXPECT_EQ(wp.rcNormalPosition, Bounds(r.Left - wa.Left, r.Top - wa.Top, r.Width(), r.Height()));
    EXPECT_EQ(wp.ptMinPosition, Point(-1, -1));
    EXPECT_EQ(wp.ptMaxPosition, Point(-1, -1));
    EXPECT_FALSE(GetWindowPlacement(h, nullptr));
    EXPECT_FALSE(GetWindowPlacement(reinterpret_cast<HWND>(std::uintptr_t(0x7FFFFFF0)), &wp));
    wp.flags = 7;
    GetWindowPlacement(h, &wp);
    EXPECT_EQ(wp.flags, 0u);

    wp.flags = WPF_SETMINPOSITION;
    wp.ptMinPosition = Point(5, 6);
    wp.rcNormalPosition = Bounds(30 - wa.Left, 40 - wa.Top, r.Width(), r.Height());
    ASSERT_TRUE(SetWindowPlacement(h, &wp));
    GetWindowRect(h, &r);
    EXPECT_EQ(r.TopLeft(), Point(30, 40));
    WINDOWPLACEMENT back;
    GetWindowPlacement(h, &back);
    EXPECT_EQ(back.ptMinPosition, Point(5, 6));
    wp.length = 0;
    EXPECT_FALSE(SetWindowPlacement(h, &wp));

    SendMessage(h, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(uitest::PumpUntil([&] { return form->WindowState() == wsMinimized; }));
    GetWindowPlacement(h, &back);
    EXPECT_EQ(back.showCmd, UINT(SW_SHOWMINIMIZED));
    SendMessage(h, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_TRUE(uitest::PumpUntil([&] { return form->WindowState() == wsNormal; }));
    // The placement's state is carried out: minimised, then shown normally again.
    back.showCmd = SW_SHOWMINIMIZED;
    SetWindowPlacement(h, &back);
    EXPECT_TRUE(uitest::PumpUntil([&] { return form->WindowState() == wsMinimized; }));
    back.showCmd = SW_SHOWNORMAL;
    SetWindowPlacement(h, &back);
    EXPECT_TRUE(uitest::PumpUntil([&] { return form->WindowState() == wsNormal; }));
    TObject::Free(form);
}

TEST(WideText, CharactersBeyondTheCodePageAreDrawn)
{
    auto draw = [](const char16_t* text) {
        TBitmap b;
        b.SetSize(40, 20);
        b.Canvas()->Brush()->SetColor(clWhite);
        b.Canvas()->FillRect(Rect(0, 0, 40, 20));
        b.Canvas()->Font()->SetHeight(-14);
        TRect r = Rect(0, 0, 40, 20);
        DrawTextW(b.Canvas()->Handle(), text, -1, &r, DT_SINGLELINE | DT_NOPREFIX);
        std::vector<TColor> px;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 40; ++x)
                px.push_back(b.Canvas()->Pixels(x, y));
        return px;
    };
    auto cyrillic = draw(u"\u0436"), question = draw(u"?"), blank = draw(u"");
    EXPECT_NE(cyrillic, question);  // not replaced by the code page's stand-in
    EXPECT_NE(cyrillic, blank);
    TBitmap b;
    b.SetSize(40, 20);
    TRect r = Rect(0, 0, 0, 0);
    EXPECT_GT(DrawTextW(b.Canvas()->Handle(), u"&ab", -1, &r, DT_CALCRECT | DT_SINGLELINE), 0);
    TRect plain = Rect(0, 0, 0, 0);
    DrawTextW(b.Canvas()->Handle(), u"ab", -1, &plain, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(r.Right, plain.Right);  // the prefix mark takes no room
}

}  // namespace
