#include "controls/Exflatctl.h"

#include <algorithm>

#include "ctlbase/Eximgfrm.h"
#include "ctlbase/Exuxtheme.h"
#include "platform/Graphics.h"
#include "platform/Guard.h"

namespace exflat {

bool ImageFormPaints(TCustomExImageForm* Form)
{
    if (!Form || Form->BackgroundType() == bgtColorFill)
        return false;
    TWinControl* real = Form->GetRealControl();
    return !(real && real->HasState(csDesigning));
}

TBkSource BackgroundSource(TCustomExImageForm* Form, bool Transparent, bool UseBackground, TBitmap* Bitmap)
{
    if (ImageFormPaints(Form))
        return bsrcImageForm;
    if (Transparent)
        return bsrcTransparent;
    if (UseBackground && Bitmap && !Bitmap->Empty())
        return bsrcBitmap;
    return bsrcNormal;
}

bool PaintFormBackground(TCustomExImageForm* Form, TWinControl* Control, HDC DC, const TRect& R)
{
    TWinControl* real = Form ? Form->GetRealControl() : nullptr;
    if (!real || real == Control)
        return false;
    const TPoint origin = real->ScreenToClient(Control->ClientToScreen(TPoint{0, 0}));
    Form->PaintBkgnd(DC, R, origin, false);
    return true;
}

void DrawParentControl(TWinControl* Control, HDC DC)
{
    TWinControl* parent = Control->Parent();
    if (!parent)
        return;
    // The client origins, not the window positions: DC draws in the control's client area.
    const TPoint at = parent->ScreenToClient(Control->ClientToScreen(TPoint{0, 0}));
    const int saved = SaveDC(DC);
    TPoint org;
    GetWindowOrgEx(DC, &org);
    SetWindowOrgEx(DC, org.X + at.X, org.Y + at.Y, nullptr);
    parent->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC), 0);
    parent->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
    RestoreDC(DC, saved);
}

void TileBitmap(HDC DC, TBitmap* Bitmap, const TRect& R)
{
    if (!Bitmap || Bitmap->Empty() || R.Right <= R.Left || R.Bottom <= R.Top)
        return;
    const int w = Bitmap->Width(), h = Bitmap->Height();
    HDC src = Bitmap->Canvas()->Handle();
    const int saved = SaveDC(DC);
    IntersectClipRect(DC, R.Left, R.Top, R.Right, R.Bottom);
    for (int y = R.Top; y < R.Bottom; y += h)
        for (int x = R.Left; x < R.Right; x += w)
            BitBlt(DC, x, y, w, h, src, 0, 0, SRCCOPY);
    RestoreDC(DC, saved);
}

bool EraseBackground(TWinControl* Control, TBkSource Source, TCustomExImageForm* Form, TBitmap* Bitmap, HDC DC)
{
    const TRect client = Control->ClientRect();
    switch (Source) {
    case bsrcImageForm: PaintFormBackground(Form, Control, DC, client); return true;
    case bsrcTransparent: DrawParentControl(Control, DC); return true;
    case bsrcBitmap: TileBitmap(DC, Bitmap, client); return true;
    case bsrcNormal: break;
    }
    return false;
}

bool PaintClientAtOnce(TWinControl* Control, bool& PaintingToMemory)
{
    if (!Control->HandleAllocated())
        return true;
    HWND h = Control->Handle();
    TGuardPtr<TWinControl> alive(Control);
    HideCaret(h);
    TRect c;
    GetClientRect(h, &c);
    HDC dc = GetDC(h);
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bmp = CreateCompatibleBitmap(dc, std::max(1, c.Width()), std::max(1, c.Height()));
    HGDIOBJ old = SelectObject(mem, bmp);
    PaintingToMemory = true;
    Control->PaintTo(mem, 0, 0);
    // A transparent control paints its parent, whose handlers may free the control.
    if (alive) {
        PaintingToMemory = false;
        BitBlt(dc, 0, 0, c.Width(), c.Height(), mem, 0, 0, SRCCOPY);
    }
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(h, dc);
    if (!alive)
        return false;
    ShowCaret(h);
    return true;
}

void WidenForMissingSides(RECT& R, TExBorderSides Sides)
{
    const int ex = GetSystemMetrics(SM_CXEDGE), ey = GetSystemMetrics(SM_CYEDGE);
    if (!HasSide(Sides, ebsLeft))
        R.Left -= ex;
    if (!HasSide(Sides, ebsRight))
        R.Right += ex;
    if (!HasSide(Sides, ebsTop))
        R.Top -= ey;
    if (!HasSide(Sides, ebsBottom))
        R.Bottom += ey;
}

void PaintThemedFrame(HWND Wnd, HTHEME Theme, HRGN UpdateRgn)
{
    HDC dc = GetDCEx(Wnd, UpdateRgn, DCX_WINDOW | DCX_INTERSECTRGN);
    if (!dc)
        dc = GetWindowDC(Wnd);
    TRect window, inner;
    GetWindowRect(Wnd, &window);
    GetClientRect(Wnd, &inner);
    TPoint origin{0, 0};
    ClientToScreen(Wnd, &origin);
    OffsetRect(inner, origin.X - window.Left, origin.Y - window.Top);
    // The scroll bars the window shows lie inside the frame and keep their own painting.
    const DWORD style = DWORD(GetWindowLong(Wnd, GWL_STYLE));
    if (style & WS_VSCROLL)
        inner.Right += GetSystemMetrics(SM_CXVSCROLL);
    if (style & WS_HSCROLL)
        inner.Bottom += GetSystemMetrics(SM_CYHSCROLL);
    ExcludeClipRect(dc, inner.Left, inner.Top, inner.Right, inner.Bottom);
    const TRect whole{0, 0, window.Width(), window.Height()};
    DrawThemeBackground(Theme, dc, 0, 0, &whole, nullptr);
    ReleaseDC(Wnd, dc);
}

}  // namespace exflat
