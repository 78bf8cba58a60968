// The second half of Exvclutils: bitmaps, flat scroll bars, desktop geometry and small queries.
#include <algorithm>
#include <string>
#include <vector>

#include "ctlbase/Extools.h"
#include "ctlbase/Exvclutils.h"
#include "ctlbase/Exscratch.h"
#include "platform/Forms.h"
#include "platform/Libraries.h"
#include "platform/WinGdiMore.h"

// ================================================================ bitmaps

namespace {

inline BYTE Blend256(int Old, int New, int Alpha) { return BYTE((Old * (256 - Alpha) + New * Alpha) >> 8); }

}  // namespace

void DrawTransparentBitmapEx(HDC DC, TBitmap* Bitmap, Integer X, Integer Y, const TRect& SrcRect,
                             TColor TransparentColor)
{
    const int w = SrcRect.Width(), h = SrcRect.Height();
    if (!Bitmap || Bitmap->Empty() || w <= 0 || h <= 0)
        return;
    // The part of the picture is worked on in a copy, so the caller's bitmap is never touched.
    ScratchBitmap picture(DC, w, h);
    SetMapMode(picture.DC, GetMapMode(DC));
    BitBlt(picture.DC, 0, 0, w, h, Bitmap->Canvas()->Handle(), SrcRect.Left, SrcRect.Top, SRCCOPY);
    // Mask: white where the picture has the transparent colour; the inverse: white elsewhere.
    ScratchBitmap mask(DC, w, h, true), inverse(DC, w, h, true);
    COLORREF oldBk = SetBkColor(picture.DC, ColorToRGB(TransparentColor));
    BitBlt(mask.DC, 0, 0, w, h, picture.DC, 0, 0, SRCCOPY);
    SetBkColor(picture.DC, oldBk);
    BitBlt(inverse.DC, 0, 0, w, h, mask.DC, 0, 0, NOTSRCCOPY);
    // Destination with holes where the picture shows, picture with black where it is transparent,
    // combined off-screen and copied in one step.
    ScratchBitmap combined(DC, w, h);
    BitBlt(combined.DC, 0, 0, w, h, DC, X, Y, SRCCOPY);
    BitBlt(combined.DC, 0, 0, w, h, mask.DC, 0, 0, SRCAND);
    BitBlt(picture.DC, 0, 0, w, h, inverse.DC, 0, 0, SRCAND);
    BitBlt(combined.DC, 0, 0, w, h, picture.DC, 0, 0, SRCPAINT);
    BitBlt(DC, X, Y, w, h, combined.DC, 0, 0, SRCCOPY);
}

void TiledPaint(TCanvas* Canvas, TBitmap* Bitmap, const TRect& Rect)
{
    if (!Bitmap || Bitmap->Empty() || IsRectEmpty(Rect))
        return;
    HDC dc = Canvas->Handle();
    const int bw = Bitmap->Width(), bh = Bitmap->Height();
    if (IsWinNT) {
        HBRUSH brush = CreatePatternBrush(Bitmap->Handle());
        // Pattern brushes repeat from the brush origin, a device point: put it at Rect's corner.
        POINT corner = Rect.TopLeft(), oldOrigin;
        LPtoDP(dc, &corner, 1);
        SetBrushOrgEx(dc, corner.X, corner.Y, &oldOrigin);
        FillRect(dc, &Rect, brush);
        SetBrushOrgEx(dc, oldOrigin.X, oldOrigin.Y, nullptr);
        DeleteObject(brush);
        return;
    }
    HDC src = Bitmap->Canvas()->Handle();
    for (int y = Rect.Top; y < Rect.Bottom; y += bh)
        for (int x = Rect.Left; x < Rect.Right; x += bw)
            BitBlt(dc, x, y, std::min(bw, Rect.Right - x), std::min(bh, Rect.Bottom - y), src, 0, 0, SRCCOPY);
}

namespace {
using TAlphaBlendEntry = BOOL (*)(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION);
// The image library is loaded and asked once; it stays loaded while the program runs.
TAlphaBlendEntry AlphaBlendEntry()
{
    static const TAlphaBlendEntry entry = [] {
        HMODULE library = LoadLibrary("msimg32.dll");
        return library ? reinterpret_cast<TAlphaBlendEntry>(GetProcAddress(library, "AlphaBlend")) : nullptr;
    }();
    return entry;
}
}  // namespace

bool AlphaBlend(HDC DestDC, Integer X, Integer Y, Integer W, Integer H, HDC SrcDC, Integer SrcX, Integer SrcY,
                Integer SrcW, Integer SrcH, Integer Alpha)
{
    if (!IsWin2000Up && !IsWin98Up)
        return false;
    TAlphaBlendEntry entry = AlphaBlendEntry();
    if (!entry)
        return false;
    BLENDFUNCTION blend;
    blend.BlendOp = AC_SRC_OVER;
    blend.SourceConstantAlpha = BYTE(std::clamp(Alpha, 0, 255));
    return entry(DestDC, X, Y, W, H, SrcDC, SrcX, SrcY, SrcW, SrcH, blend) > 0;
}

void AlphaCopyRect(TCanvas* DestCanvas, const TRect& DestRect, TCanvas* SrcCanvas, const TRect& SrcRect,
                   Integer Alpha)
{
    const int w = DestRect.Width(), h = DestRect.Height();
    if (w <= 0 || h <= 0 || SrcRect.Width() <= 0 || SrcRect.Height() <= 0)
        return;
    Alpha = std::clamp(Alpha, 0, 256);
    HDC dest = DestCanvas->Handle();
    ScratchBitmap old(dest, w, h), src(dest, w, h);
    BitBlt(old.DC, 0, 0, w, h, dest, DestRect.Left, DestRect.Top, SRCCOPY);
    if (SrcRect.Width() != w || SrcRect.Height() != h)
        StretchBlt(src.DC, 0, 0, w, h, SrcCanvas->Handle(), SrcRect.Left, SrcRect.Top, SrcRect.Width(),
                   SrcRect.Height(), SRCCOPY);
    else
        BitBlt(src.DC, 0, 0, w, h, SrcCanvas->Handle(), SrcRect.Left, SrcRect.Top, SRCCOPY);
    std::vector<RGBQUAD> d = old.Read();
    const std::vector<RGBQUAD> s = src.Read();
    for (size_t i = 0; i < d.size(); ++i) {
        d[i].rgbRed = Blend256(d[i].rgbRed, s[i].rgbRed, Alpha);
        d[i].rgbGreen = Blend256(d[i].rgbGreen, s[i].rgbGreen, Alpha);
        d[i].rgbBlue = Blend256(d[i].rgbBlue, s[i].rgbBlue, Alpha);
    }
    old.Write(d);
    BitBlt(dest, DestRect.Left, DestRect.Top, w, h, old.DC, 0, 0, SRCCOPY);
}

void AlphaFillRect(TCanvas* Canvas, const TRect& Rect, TColor Color, Integer Alpha)
{
    HDC dest = Canvas->Handle();
    // Only the pixels the canvas shows are blended.
    TRect R;
    if (!VisiblePart(dest, Rect, R))
        return;
    const int w = R.Width(), h = R.Height();
    Alpha = std::clamp(Alpha, 0, 256);
    const COLORREF c = ColorToRGB(Color);
    ScratchBitmap area(dest, w, h);
    BitBlt(area.DC, 0, 0, w, h, dest, R.Left, R.Top, SRCCOPY);
    std::vector<RGBQUAD> d = area.Read();
    for (RGBQUAD& p : d) {
        p.rgbRed = Blend256(p.rgbRed, GetRValue(c), Alpha);
        p.rgbGreen = Blend256(p.rgbGreen, GetGValue(c), Alpha);
        p.rgbBlue = Blend256(p.rgbBlue, GetBValue(c), Alpha);
    }
    area.Write(d);
    BitBlt(dest, R.Left, R.Top, w, h, area.DC, 0, 0, SRCCOPY);
}

// ================================================================ flat scroll bars

void DrawFlatScrollBarEx(HWND Wnd, HDC DC, const TRect& BarRect, bool Pressed, bool Horizontal, bool Tracking,
                         bool CtlFlag, TColor, TColor, TColor, TColor, TColor, bool, bool)
{
    const int length = Horizontal ? BarRect.Width() : BarRect.Height();
    if (length <= 0 || BarRect.Width() <= 0 || BarRect.Height() <= 0)
        return;
    int button = GetSystemMetrics(SM_CXHSCROLL);
    if (length < 2 * button)
        button = length / 2;
    // Rectangle of a piece that starts `from` pixels along the bar and is `size` long.
    auto piece = [&](int from, int size) {
        return Horizontal ? TRect{BarRect.Left + from, BarRect.Top, BarRect.Left + from + size, BarRect.Bottom}
                          : TRect{BarRect.Left, BarRect.Top + from, BarRect.Right, BarRect.Top + from + size};
    };
    if (!Tracking) {
        DrawFlatScrollbarThumb(DC, piece(0, button), Pressed);
        DrawFlatScrollbarThumb(DC, piece(length - button, button), Pressed);
    }
    if (CtlFlag && !IsWindowEnabled(Wnd))
        return;
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    if (!GetScrollInfo(Wnd, CtlFlag ? SB_CTL : (Horizontal ? SB_HORZ : SB_VERT), &si))
        return;
    const int track = length - 2 * button;
    const int range = si.nMax - si.nMin + 1;
    if (track <= 0 || range <= 0)
        return;
    const int page = int(si.nPage);
    const int minimum = IsWin98 ? GetSystemMetrics(SM_CXHSCROLL) / 2 : 8;
    int thumb = page == 0 ? GetSystemMetrics(SM_CXHTHUMB) : std::max(MulDiv(page, track, range), minimum);
    if (thumb >= track) {
        if (!CtlFlag)
            return;
        thumb = track;
    }
    int offset = 0;
    if (page >= range) {
        --thumb;
    } else {
        const int position = Tracking ? si.nTrackPos : si.nPos;
        offset = MulDiv(position - si.nMin, track - thumb, range - page);
    }
    DrawFlatScrollbarThumb(DC, piece(button + offset, thumb), Pressed);
}

void DrawFlatScrollBarsEx(HWND Wnd, HDC DC, const TRect& Rect, bool Pressed, TScrollStyle ScrollBars, bool HorzFlag,
                          bool VertFlag, bool CtlFlag, TColor Color1, TColor Color2, TColor Color3, TColor Color4,
                          TColor Color5, bool Flag1, bool Flag2)
{
    if (ScrollBars == ssNone)
        return;
    const DWORD style = DWORD(GetWindowLong(Wnd, GWL_STYLE)), exStyle = DWORD(GetWindowLong(Wnd, GWL_EXSTYLE));
    const int b = (style & WS_BORDER)              ? GetSystemMetrics(SM_CXBORDER)
                  : (exStyle & WS_EX_CLIENTEDGE) ? GetSystemMetrics(SM_CXEDGE)
                                                 : 0;
    const int cx = GetSystemMetrics(SM_CXHSCROLL), cy = GetSystemMetrics(SM_CYVSCROLL);
    TRect window, client;
    GetWindowRect(Wnd, &window);
    GetClientRect(Wnd, &client);
    const bool vert = (style & WS_VSCROLL) && ScrollBars != ssHorizontal &&
                      window.Width() - client.Width() >= cx + b;
    const bool horz = (style & WS_HSCROLL) && ScrollBars != ssVertical &&
                      window.Height() - client.Height() >= cy + b;
    const TRect& R = Rect;
    if (horz) {
        TRect bar{R.Left + b, R.Bottom - b - cy, (vert ? R.Right - b - cx : R.Right - b), R.Bottom - b};
        DrawFlatScrollBarEx(Wnd, DC, bar, Pressed, true, HorzFlag, CtlFlag, Color1, Color2, Color3, Color4, Color5,
                            Flag1, Flag2);
    }
    if (vert) {
        TRect bar{R.Right - b - cx, R.Top + b, R.Right - b, (horz ? R.Bottom - b - cy : R.Bottom - b)};
        DrawFlatScrollBarEx(Wnd, DC, bar, Pressed, false, VertFlag, CtlFlag, Color1, Color2, Color3, Color4, Color5,
                            Flag1, Flag2);
    }
}

void DrawFlatScrollbars(HWND Wnd, HDC DC, const TRect& Rect, bool Pressed, TScrollStyle ScrollBars, bool HorzFlag,
                        bool VertFlag, bool CtlFlag)
{
    DrawFlatScrollBarsEx(Wnd, DC, Rect, Pressed, ScrollBars, HorzFlag, VertFlag, CtlFlag, clBtnFace, clBtnShadow,
                         clBtnHighlight, cl3DDkShadow, cl3DLight, false, false);
}

// ================================================================ geometry and system queries

TRect GetWorkSpaceRect()
{
    if (IsWin98Up || IsWin2000Up)
        return Bounds(GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                      GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
    return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}
Integer GetWorkSpaceTop() { return GetWorkSpaceRect().Top; }
Integer GetWorkSpaceLeft() { return GetWorkSpaceRect().Left; }
Integer GetWorkSpaceBottom() { return GetWorkSpaceRect().Bottom; }
Integer GetWorkSpaceRight() { return GetWorkSpaceRect().Right; }

TRect GetDesktopRect()
{
    TRect r;
    SystemParametersInfo(SPI_GETWORKAREA, 0, &r, 0);
    return r;
}
Integer GetDesktopTop() { return GetDesktopRect().Top; }
Integer GetDesktopLeft() { return GetDesktopRect().Left; }
Integer GetDesktopBottom() { return GetDesktopRect().Bottom; }
Integer GetDesktopRight() { return GetDesktopRect().Right; }

namespace {
// The desktop's panel, where it exposes one as a window of that class; none on most desktops here.
HWND TrayWindow() { return FindWindow("Shell_TrayWnd", nullptr); }

HWND TrayNotifyWindow(HWND Tray)
{
    char name[64];
    for (HWND child = GetWindow(Tray, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetClassName(child, name, sizeof(name)) > 0 && std::string(name) == "TrayNotifyWnd")
            return child;
    return nullptr;
}
}  // namespace

TRect GetTaskbarRect()
{
    TRect r;
    if (HWND tray = TrayWindow())
        GetWindowRect(tray, &r);
    return r;
}

TRect GetSysTrayRect()
{
    TRect r;
    if (HWND tray = TrayWindow())
        if (HWND notify = TrayNotifyWindow(tray))
            GetWindowRect(notify, &r);
    return r;
}

TTaskbarEdge GetTaskbarEdge()
{
    HWND tray = TrayWindow();
    if (!tray)
        return tbeBottom;
    const TRect ws = GetWorkSpaceRect();
    const int w = ws.Width(), h = ws.Height();
    TRect t;
    GetWindowRect(tray, &t);
    if (t.Top > h / 2)
        return tbeBottom;
    if (t.Right < w / 2)
        return tbeLeft;
    if (t.Bottom < h / 2)
        return tbeTop;
    if (t.Left > w / 2)
        return tbeRight;
    return tbeBottom;
}

void MinimizeToTray(HWND Wnd)
{
    WINDOWPLACEMENT wp;
    GetWindowPlacement(Wnd, &wp);
    wp.flags |= WPF_SETMINPOSITION;
    wp.ptMinPosition = GetSysTrayRect().TopLeft();
    SetWindowPlacement(Wnd, &wp);
    SendMessage(Wnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

Integer GetKeybTimes(UINT Code)
{
    int value = 0;
    SystemParametersInfo(Code, 0, &value, 0);
    if (Code == SPI_GETKEYBOARDSPEED)
        return 1000 / (value + 1);
    if (Code == SPI_GETKEYBOARDDELAY)
        return (value + 1) * 250;
    return value;
}

char GetTimeAMChar() { return FormatSettings.TimeAMString.empty() ? '\0' : FormatSettings.TimeAMString[0]; }
char GetTimePMChar() { return FormatSettings.TimePMString.empty() ? '\0' : FormatSettings.TimePMString[0]; }

bool RectsIntersect(const TRect& R1, const TRect& R2)
{
    TRect common;
    return !IntersectRect(common, R1, R2);
}

TWinControl* FindVCLChild(TWinControl* Parent, HWND Wnd)
{
    if (!Parent || !Wnd)
        return nullptr;
    for (int i = 0; i < Parent->ControlCount(); ++i)
        if (auto* child = dynamic_cast<TWinControl*>(Parent->Controls(i)))
            if (child->HandleAllocated() && child->Handle() == Wnd)
                return child;
    return nullptr;
}

TControl* GetTopOwnerControl(TComponent* Component)
{
    for (TComponent* c = Component; c != nullptr; c = c->Owner())
        if (auto* control = dynamic_cast<TControl*>(c))
            return control;
    return nullptr;
}

TForm* GetOwnerForm(TComponent* Component)
{
    for (TComponent* c = Component; c != nullptr; c = c->Owner())
        if (auto* form = dynamic_cast<TForm*>(c))
            return form;
    return nullptr;
}

bool ModalFormVisible()
{
    for (int i = 0; i < Screen->FormCount(); ++i)
        if (Screen->Forms(i)->Modal())
            return true;
    return false;
}

bool Win2KHideUIState() { return false; }

Integer ShiftStateToKeyData(TShiftState Shift) { return (Shift & ssAlt) ? 0x20000000 : 0; }

Integer HitTest(const TRect& Rect, const TPoint& Point, Integer CornerSize, Integer BorderSize)
{
    if (!PtInRect(Rect, Point))
        return Integer(HTNOWHERE);
    const int x = Point.X, y = Point.Y;
    const int nearTop = Rect.Top + CornerSize, nearLeft = Rect.Left + CornerSize;
    const int farBottom = Rect.Bottom - CornerSize - 1, farRight = Rect.Right - CornerSize - 1;
    if (x < Rect.Left + BorderSize)
        return Integer(y <= nearTop ? HTTOPLEFT : y < farBottom ? HTLEFT : HTBOTTOMLEFT);
    if (y < Rect.Top + BorderSize)
        return Integer(x <= nearLeft ? HTTOPLEFT : x < farRight ? HTTOP : HTTOPRIGHT);
    // The right and bottom strips are one pixel wider than the others.
    if (y >= Rect.Bottom - BorderSize - 1)
        return Integer(x <= nearLeft ? HTBOTTOMLEFT : x < farRight ? HTBOTTOM : HTBOTTOMRIGHT);
    if (x >= Rect.Right - BorderSize - 1)
        return Integer(y <= nearTop ? HTTOPRIGHT : y < farBottom ? HTRIGHT : HTBOTTOMRIGHT);
    return Integer(HTCLIENT);
}

namespace {
int gWaitCount = 0;
TCursor gSavedCursor = crDefault;
}  // namespace

void StartWait()
{
    if (gWaitCount == 0) {
        gSavedCursor = Screen->Cursor();
        Screen->SetCursor(WaitCursor);
    }
    ++gWaitCount;
}

void StopWait()
{
    if (gWaitCount <= 0)
        return;
    if (--gWaitCount == 0)
        Screen->SetCursor(gSavedCursor);
}

HPEN GetSysColorPen(COLORREF Color) { return CreatePen(PS_SOLID, 1, Color); }
