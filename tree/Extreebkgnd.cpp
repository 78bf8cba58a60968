// The view's paint cycle: every paint goes through one off-screen bitmap that gets the background
// first and the rows over it, so the window never shows a cleared background between frames; the
// background itself (colour, picture, gradient or the shared image form); and what focus and
// activation change in the picture.
#include <algorithm>

#include "ctlbase/Exextbkgnd.h"
#include "ctlbase/Eximgfrm.h"
#include "platform/Forms.h"
#include "platform/Guard.h"
#include "tree/Extreeview.h"

void TExTreeView::WMPaint(TMessage& Message)
{
    if (Message.WParam) {
        PaintInto(reinterpret_cast<HDC>(Message.WParam));
        return;
    }
    const HWND wnd = Handle();
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(wnd, &ps);
    const TRect client = ClientRect();
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bmp = CreateCompatibleBitmap(dc, std::max<Integer>(client.Width(), 1), std::max<Integer>(client.Height(), 1));
    HGDIOBJ old = SelectObject(mem, bmp);
    TRect box{};
    if (GetClipBox(dc, &box) == NULLREGION || IsRectEmpty(box))
        box = client;
    else
        InflateRect(box, 1, 1);
    IntersectClipRect(mem, box.Left, box.Top, box.Right, box.Bottom);
    // A handler of the painting may have freed the view (or its tree), or raised: only the local
    // objects are let go then.
    auto release = [&] {
        EndPaint(wnd, &ps);
        SelectObject(mem, old);
        DeleteObject(bmp);
        DeleteDC(mem);
    };
    TGuardPtr<TExTreeView> self(this);
    try {
        DoPaintBkgnd(mem, box);
        PaintInto(mem);
    } catch (...) {
        release();
        throw;
    }
    if (self) {
        SelectClipRgn(mem, nullptr);
        BitBlt(dc, box.Left, box.Top, box.Width(), box.Height(), mem, box.Left, box.Top, SRCCOPY);
    }
    release();
}

void TExTreeView::PaintInto(HDC DC)
{
    TGuardPtr<TExTreeView> self(this);
    TCanvas* canvas = Canvas();
    canvas->Lock();
    canvas->SetHandle(DC);
    auto release = [&] {
        if (!self) return;
        canvas->SetHandle(nullptr);
        canvas->Unlock();
    };
    try {
        Paint();
    } catch (...) {
        release();
        throw;
    }
    release();
}

void TExTreeView::DoPaintBkgnd(HDC DC, const TRect& ClipRect)
{
    TCanvas* canvas = Canvas();
    canvas->Brush()->SetColor(FTree->BkColor());
    TRect client = ClientRect();
    ++client.Right;
    ++client.Bottom;
    TCustomExImageForm* form = FTree->ImageForm();
    if (form && !form->HasState(csDesigning) && form->GetRealControl()) {
        TWinControl* real = form->GetRealControl();
        const TPoint origin = real->ScreenToClient(ClientToScreen(TPoint{0, 0}));
        form->PaintBkgnd(DC, ClipRect, origin, false);
        return;
    }
    switch (FTree->BackgroundType()) {
    case bgtColorFill: {
        HBRUSH brush = CreateSolidBrush(ColorToRGB(FTree->BkColor()));
        ::FillRect(DC, &ClipRect, brush);
        DeleteObject(brush);
        break;
    }
    case bgtCenterBitmap:
        ExtDrawBkgnd(DC, FTree->Handle(), client, client, client, ClipRect, false, FTree->BkColor(), FTree->BkColor(),
                     false, FTree->Background(), bgtCenterBitmap);
        break;
    default:
        ExtDrawBkgnd(DC, FTree->Handle(), client, client, client, ClipRect, false, FTree->BkColor(), FTree->BkColor(),
                     false, FTmpBmp.get(), bgtCenterBitmap);
        break;
    }
}

// ---------------------------------------------------------------- focus and activation

bool TExTreeView::SelectionShown()
{
    if (!FTree->HideSelection()) return true;
    if (TCustomForm* form = GetParentForm(FTree)) return form->ActiveControl() == this || form->ActiveControl() == FTree;
    return Focused();
}

namespace {

bool FrameFollowsFocus(TCustomExTree* Tree)
{
    return Tree->Flat() || Tree->UseCustomScrollBars() || Tree->IsThemeApplied();
}

}  // namespace

void TExTreeView::WMSetFocus(TMessage& Message)
{
    TGuardPtr<TExTreeView> self(this);
    TCustomControl::Dispatch(Message);
    if (!self) return;
    if (FrameFollowsFocus(FTree)) FTree->UpdateFrame();
}

void TExTreeView::WMKillFocus(TMessage& Message)
{
    FFrameSelecting = false;
    FLeftPressed = false;
    FocusLost();
    TGuardPtr<TExTreeView> self(this);
    TCustomControl::Dispatch(Message);
    if (!self) return;
    FItemHintItem = nullptr;
    DoHideLineHint();
    if (FrameFollowsFocus(FTree)) FTree->UpdateFrame();
}

void TExTreeView::DoEnter()
{
    TGuardPtr<TExTreeView> self(this);
    TCustomControl::DoEnter();
    if (self && FTree->HideSelection()) Invalidate();
}

void TExTreeView::DoExit()
{
    TGuardPtr<TExTreeView> self(this);
    TCustomControl::DoExit();
    if (self && FTree->HideSelection()) Invalidate();
}

void TExTreeView::CMDeactivate(TMessage& Message)
{
    TGuardPtr<TExTreeView> self(this);
    TCustomControl::Dispatch(Message);
    if (self && FTree->HideSelection()) Invalidate();
}

void TExTreeView::CMSysColorChange(TMessage& Message)
{
    TGuardPtr<TExTreeView> self(this);
    TCustomControl::Dispatch(Message);
    if (self) Invalidate();
}

void TExTreeView::WMWindowPosChanged(TMessage& Message)
{
    TGuardPtr<TExTreeView> self(this);
    TCustomControl::Dispatch(Message);
    if (self && HandleAllocated()) Perform(IFM_REPAINTCHILDREN, 0, 0);
}

void TExTreeView::IFMRepaintChildren(TMessage& Message)
{
    TCustomControl::Dispatch(Message);
    Invalidate();
    for (int i = 0; i < ControlCount(); ++i) Controls(i)->Perform(IFM_REPAINTCHILDREN, 0, 0);
}
