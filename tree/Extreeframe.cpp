// The tree window's own painting: its frame in the non-client area (themed, flat with hot
// tracking, or the plain border) and the square between the two custom bars.
#include "ctlbase/Eximgfrm.h"
#include "ctlbase/Exuxtheme.h"
#include "platform/WinGdi.h"
#include "tree/Extreectl.h"

void TCustomExTree::DrawFlatBorder(bool HDragging, bool VDragging)
{
    if (!HandleAllocated()) return;
    HDC dc = GetWindowDC(Handle());
    if (!dc) return;
    DrawFlatBorderEx(dc, HDragging, VDragging);
    ReleaseDC(Handle(), dc);
}

void TCustomExTree::DrawFlatBorderEx(HDC DC, bool HDragging, bool VDragging)
{
    if (!HandleAllocated()) return;
    TRect c;
    GetClientRect(Handle(), &c);
    if (!FUseCustomScrollBars) {
        const LONG style = GetWindowLong(Handle(), GWL_STYLE);
        if (style & WS_VSCROLL) c.Right += GetSystemMetrics(SM_CXVSCROLL);
        if (style & WS_HSCROLL) c.Bottom += GetSystemMetrics(SM_CYHSCROLL);
    }
    TRect w;
    GetWindowRect(Handle(), &w);
    // Window rectangle in client coordinates, then both moved so that the window starts at 0, 0.
    TPoint origin{w.Left, w.Top};
    ::ScreenToClient(Handle(), &origin);
    OffsetRect(w, origin.X - w.Left, origin.Y - w.Top);
    OffsetRect(c, -w.Left, -w.Top);
    OffsetRect(w, -w.Left, -w.Top);
    const bool active = Focused() || FMouseInside;
    if (IsThemeApplied() && FBorderStyle == bsSingle) {
        const int saved = SaveDC(DC);
        ExcludeClipRect(DC, c.Left, c.Top, c.Right, c.Bottom);
        DrawThemeBackgroundTo(u"EDIT", DC, 0, 0, w, nullptr);
        RestoreDC(DC, saved);
    } else if (FBorderStyle == bsSingle) {
        TExFlatBorderType type = active ? FActiveBorderType : FInactiveBorderType;
        if (!FFlat && FUseCustomScrollBars) type = fbtSunken;
        if (type == fbtRaised) type = fbtRaisedOuter;
        DrawFlatFrameEx2(DC, w, FBkColor, active, Enabled(), FBorderSides, type);
    }
    if (!FUseCustomScrollBars && !IsThemeApplied()) {
        const LONG style = GetWindowLong(Handle(), GWL_STYLE);
        const bool v = style & WS_VSCROLL, h = style & WS_HSCROLL;
        const TScrollStyle bars = v && h ? ssBoth : v ? ssVertical : h ? ssHorizontal : ssNone;
        DrawFlatScrollbars(Handle(), DC, w, active && !FFlatFocusedScrollbars, bars, HDragging, VDragging, false);
    }
}

void TCustomExTree::UpdateFrame()
{
    if (FBorderStyle == bsSingle && HandleAllocated())
        RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME);
}

void TCustomExTree::WMNCPaint(TMessage& Message)
{
    if (!FUseCustomScrollBars) TExXPThemedControl::Dispatch(Message);
    if ((FFlat || FUseCustomScrollBars || IsThemeApplied()) && FBorderStyle == bsSingle) {
        HDC dc = GetDCEx(Handle(), HRGN(Message.WParam), DCX_WINDOW | DCX_INTERSECTRGN);
        if (!dc) dc = GetWindowDC(Handle());
        DrawFlatBorderEx(dc, false, false);
        ReleaseDC(Handle(), dc);
        Message.Result = 0;
    } else if (FUseCustomScrollBars) {
        TExXPThemedControl::Dispatch(Message);
    }
}

void TCustomExTree::CMMouseEnter(TMessage& Message)
{
    TExXPThemedControl::Dispatch(Message);
    FMouseInside = true;
    if (FFlat && !Focused() && FInactiveBorderType != FActiveBorderType && !IsThemeApplied())
        DrawFlatBorder(false, false);
}

void TCustomExTree::CMMouseLeave(TMessage& Message)
{
    FMouseInside = false;
    if (FFlat && !Focused() && FInactiveBorderType != FActiveBorderType && !IsThemeApplied())
        DrawFlatBorder(false, false);
    TExXPThemedControl::Dispatch(Message);
}

void TCustomExTree::Paint()
{
    if (IsThemeApplied() || (FBorderStyle == bsSingle && (FFlat || FUseCustomScrollBars))) DrawFlatBorder(false, false);
    if (!(FVertBarVisible && FHorzBarVisible && FUseCustomScrollBars)) return;
    const TRect corner{FVScrollBar->Left(), FHScrollBar->Top(), FVScrollBar->Left() + FVScrollBar->Width(),
                       FHScrollBar->Top() + FHScrollBar->Height()};
    if (IsThemeApplied()) {
        const TRect grown{corner.Left - 1, corner.Top - 1, corner.Right + 1, corner.Bottom + 1};
        DrawThemeBackground(FTheme, Canvas()->Handle(), 0, 0, &grown, nullptr);
        return;
    }
    if (FImageForm && FImageForm->GetRealControl() && !FImageForm->GetRealControl()->HasState(csDesigning)) {
        TPoint origin = ClientToScreen(corner.TopLeft());
        origin = FImageForm->GetRealControl()->ScreenToClient(origin);
        FImageForm->PaintBkgnd(Canvas()->Handle(), corner, origin, false);
        return;
    }
    Canvas()->Brush()->SetStyle(bsSolid);
    Canvas()->Brush()->SetColor(FVScrollBar->Color());
    Canvas()->FillRect(corner);
}
