// Painting: control canvases, the WM_PAINT path of windowed controls and their windowless
// children, TCustomControl and TGraphicControl.
#include "platform/Controls.h"

#include <algorithm>

#include "platform/Backend.h"
#include "platform/Guard.h"

using namespace morvik::backend;

namespace {
std::vector<TControlCanvas*> gCanvasList;

void MoveWindowOrg(HDC DC, int DX, int DY)
{
    TPoint p;
    GetWindowOrgEx(DC, &p);
    SetWindowOrgEx(DC, p.X - DX, p.Y - DY, nullptr);
}
}  // namespace

// ---- TControlCanvas -----------------------------------------------------------------------------
TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::SetControl(TControl* Value)
{
    if (FControl == Value)
        return;
    FreeHandle();
    FControl = Value;
}

void TControlCanvas::FreeHandle()
{
    if (!FDeviceContext)
        return;
    HDC dc = FDeviceContext;
    SetHandle(nullptr);
    FDeviceContext = nullptr;
    ReleaseDC(FWindowHandle, dc);
    FWindowHandle = nullptr;
    gCanvasList.erase(std::remove(gCanvasList.begin(), gCanvasList.end(), this), gCanvasList.end());
}

void TControlCanvas::CreateHandle()
{
    if (!FControl)
        return;
    if (auto* w = dynamic_cast<TWinControl*>(FControl)) {
        FWindowHandle = w->Handle();
        FDeviceContext = GetDC(FWindowHandle);
    } else {
        TWinControl* p = FControl->Parent();
        if (!p)
            return;
        FWindowHandle = p->Handle();
        FDeviceContext = GetDC(FWindowHandle);
        MoveWindowOrg(FDeviceContext, FControl->Left(), FControl->Top());
        IntersectClipRect(FDeviceContext, 0, 0, FControl->Width(), FControl->Height());
    }
    gCanvasList.push_back(this);
    SetHandle(FDeviceContext);
}

void TControlCanvas::FreeDeviceContexts()
{
    auto list = gCanvasList;
    for (TControlCanvas* c : list)
        if (c->LockCount() == 0)
            c->FreeHandle();
}

void TWinControl::WMPaint(TMessage& Message)
{
    if (!(ControlState & csCustomPaint) && FControls.empty() && !dynamic_cast<TCustomControl*>(this))
        DefaultHandler(Message);
    else
        PaintHandler(Message);
}

void TWinControl::PaintHandler(TMessage& Message)
{
    HDC dc = reinterpret_cast<HDC>(Message.WParam);
    PAINTSTRUCT ps;
    const TPaintEnd end{FHandle, ps};
    if (!dc)
        dc = BeginPaint(end.Wnd, &ps);
    int saved = SaveDC(dc);
    // Opaque windowless children paint over their rectangle; the window leaves it out. Only those
    // the paint reaches matter: a small update of a window of many controls stays small.
    TRect box;
    GetClipBox(dc, &box);
    for (TControl* c : FControls)
        if (c->Visible() && (c->ControlStyle & csOpaque)) {
            TRect r = c->BoundsRect();
            if (r.Left < box.Right && box.Left < r.Right && r.Top < box.Bottom && box.Top < r.Bottom &&
                !dynamic_cast<TWinControl*>(c))
                ExcludeClipRect(dc, r.Left, r.Top, r.Right, r.Bottom);
        }
    // A drawing handler may free the control it draws.
    TGuardPtr<TWinControl> self(this);
    PaintWindow(dc);
    RestoreDC(dc, saved);
    if (self)
        PaintControls(dc, nullptr);
}

void TWinControl::PaintWindow(HDC DC)
{
    TMessage m{WM_PAINT, reinterpret_cast<WPARAM>(DC), 0, 0};
    DefaultHandler(m);
}

void TWinControl::PaintControls(HDC DC, TControl* First)
{
    size_t i = 0;
    if (First)
        i = size_t(std::find(FControls.begin(), FControls.end(), First) - FControls.begin());
    TRect box;
    GetClipBox(DC, &box);
    // A child's OnPaint may free it, another child or this control.
    TGuardPtr<TWinControl> self(this);
    while (i < FControls.size()) {
        TControl* c = FControls[i];
        TRect r = c->BoundsRect();
        if (!c->Visible() || r.Left >= box.Right || box.Left >= r.Right || r.Top >= box.Bottom ||
            box.Top >= r.Bottom || dynamic_cast<TWinControl*>(c) || !RectVisible(DC, &r)) {
            ++i;
            continue;
        }
        TGuardPtr<TControl> painted(c);
        TGuardPtr<TControl> next(i + 1 < FControls.size() ? FControls[i + 1] : nullptr);
        int saved = SaveDC(DC);
        MoveWindowOrg(DC, c->Left(), c->Top());
        IntersectClipRect(DC, 0, 0, c->Width(), c->Height());
        c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
        RestoreDC(DC, saved);
        if (!self)
            return;
        if (painted && i < FControls.size() && FControls[i] == c) {
            ++i;
            continue;
        }
        // The children changed: go on after the one painted, or from the one that followed it.
        TControl* from = painted ? painted.Get() : next.Get();
        auto at = std::find(FControls.begin(), FControls.end(), from);
        if (!from || at == FControls.end())
            return;
        i = size_t(at - FControls.begin()) + (painted ? 1 : 0);
    }
}

void TWinControl::PaintTo(HDC DC, int X, int Y)
{
    int saved = SaveDC(DC);
    MoveWindowOrg(DC, X, Y);
    IntersectClipRect(DC, 0, 0, FWidth, FHeight);
    Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC), 0);
    Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
    for (TControl* c : FControls)
        if (auto* w = dynamic_cast<TWinControl*>(c); w && w->Visible())
            w->PaintTo(DC, w->Left(), w->Top());
    RestoreDC(DC, saved);
}

void TWinControl::WMEraseBkgnd(TMessage& Message)
{
    HDC dc = reinterpret_cast<HDC>(Message.WParam);
    TRect r = ClientRect();
    ::FillRect(dc, &r, FBrush->Handle());
    Message.Result = 1;
}

// ---- TCustomControl and TGraphicControl -----------------------------------------------------------
TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner), FCanvas(new TControlCanvas)
{
    FCanvas->SetControl(this);
}

TCustomControl::~TCustomControl() { FCanvas->FreeHandle(); }

void TCustomControl::PaintWindow(HDC DC)
{
    ControlState |= csCustomPaint;
    FCanvas->Lock();
    FCanvas->SetHandle(DC);
    TGuardPtr<TCustomControl> self(this);
    Paint();
    if (!self)
        return;
    FCanvas->SetHandle(nullptr);
    FCanvas->Unlock();
    ControlState &= ~TControlState(csCustomPaint);
}

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner), FCanvas(new TControlCanvas)
{
    FCanvas->SetControl(this);
}

TGraphicControl::~TGraphicControl() { FCanvas->FreeHandle(); }

void TGraphicControl::WMPaint(TMessage& Message)
{
    HDC dc = reinterpret_cast<HDC>(Message.WParam);
    if (!dc || HasState(csDestroying))
        return;
    FCanvas->FreeHandle();
    FCanvas->Lock();
    FCanvas->SetHandle(dc);
    TGuardPtr<TGraphicControl> self(this);
    Paint();
    if (!self)
        return;
    FCanvas->SetHandle(nullptr);
    FCanvas->Unlock();
}
