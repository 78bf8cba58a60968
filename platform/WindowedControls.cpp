// Windowed controls: children and their order, alignment, the window handle and its life, bounds,
// text and colours passed on to children, showing.
#include "platform/Controls.h"
#include "platform/Guard.h"

#include <algorithm>

#include "platform/Backend.h"
#include "platform/Forms.h"
#include "platform/Guard.h"

using namespace morvik::backend;

// ---- TWinControl ------------------------------------------------------------------------------
TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner), FBrush(new TBrush)
{
    FBrush->SetColor(FColor);
}

TWinControl::~TWinControl()
{
    Destroying();
    if (FParent)
        FParent->RemoveControl(this);
    DestroyHandle();
    // Child controls go with their parent.
    while (!FControls.empty()) {
        TControl* c = FControls.back();
        RemoveControl(c);
        delete c;
    }
}

TWinControl* TWinControl::FindControl(HWND Handle) { return ControlOf(Handle); }

void TWinControl::InsertControl(TControl* AControl)
{
    if (!AControl || ContainsControl(AControl))
        return;
    FControls.push_back(AControl);
    AControl->FParent = this;
    AControl->Perform(CM_PARENTCOLORCHANGED, 0, 0);
    AControl->Perform(CM_PARENTFONTCHANGED, 0, 0);
    AControl->Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
    if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
        if (HandleAllocated())
            w->HandleNeeded();
    } else {
        AControl->Invalidate();
    }
    if (AControl->Align() != alNone)
        Realign();
}

void TWinControl::RemoveControl(TControl* AControl)
{
    auto it = std::find(FControls.begin(), FControls.end(), AControl);
    if (it == FControls.end())
        return;
    if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
        if (TCustomForm* form = GetParentForm(this))
            form->DefocusControl(w, true);
        w->DestroyHandle();
    } else {
        AControl->InvalidateControl(AControl->Visible(), false);
    }
    FControls.erase(std::find(FControls.begin(), FControls.end(), AControl));
    AControl->FParent = nullptr;
    if (AControl->Align() != alNone && !HasState(csDestroying))
        Realign();
}

bool TWinControl::ContainsControl(TControl* Control) const
{
    for (TControl* c : FControls) {
        if (c == Control)
            return true;
        if (auto* w = dynamic_cast<TWinControl*>(c))
            if (w->ContainsControl(Control))
                return true;
    }
    return false;
}

TControl* TWinControl::ControlAtPos(const TPoint& Pos, bool AllowDisabled, bool AllowWinControls)
{
    for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
        TControl* c = *it;
        bool windowed = dynamic_cast<TWinControl*>(c) != nullptr;
        if ((AllowWinControls || !windowed) && c->Visible() && (c->Enabled() || AllowDisabled) &&
            PtInRect(c->BoundsRect(), Pos) &&
            c->Perform(CM_HITTEST, 0, MAKELPARAM(Pos.X - c->Left(), Pos.Y - c->Top())) != 0)
            return c;
    }
    return nullptr;
}

void TWinControl::SetChildOrder(TControl* Child, int Order)
{
    auto it = std::find(FControls.begin(), FControls.end(), Child);
    if (it == FControls.end())
        return;
    FControls.erase(it);
    Order = std::clamp(Order, 0, int(FControls.size()));
    FControls.insert(FControls.begin() + Order, Child);
    if (auto* w = dynamic_cast<TWinControl*>(Child)) {
        if (w->HandleAllocated()) {
            // The window goes just below the next windowed sibling above it, or on top.
            HWND after = HWND_TOP;
            for (size_t i = size_t(Order) + 1; i < FControls.size(); ++i)
                if (auto* above = dynamic_cast<TWinControl*>(FControls[i]); above && above->HandleAllocated()) {
                    after = above->FHandle;
                    break;
                }
            if (after == HWND_TOP)
                SetWindowPos(w->FHandle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
            else
                SetWindowPos(w->FHandle, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        }
    } else {
        Child->Invalidate();
    }
}

void TWinControl::DisableAlign() { ++FAlignLevel; }

void TWinControl::EnableAlign()
{
    if (FAlignLevel > 0)
        --FAlignLevel;
    if (FAlignLevel == 0 && FRealignPending)
        Realign();
}

void TWinControl::Realign()
{
    if (FAlignLevel > 0) {
        FRealignPending = true;
        return;
    }
    FRealignPending = false;
    // The children's OnResize may free this control.
    TGuardPtr<TWinControl> self(this);
    DisableAlign();
    TRect r = ClientRect();
    AdjustClientRect(r);
    AlignControls(nullptr, r);
    if (!self)
        return;
    --FAlignLevel;
    if (FRealignPending) {
        // Children changed their sizes while being placed; one more pass settles them.
        FRealignPending = false;
        DisableAlign();
        TRect r2 = ClientRect();
        AdjustClientRect(r2);
        AlignControls(nullptr, r2);
        if (!self)
            return;
        --FAlignLevel;
        FRealignPending = false;
    }
}

void TWinControl::AlignControls(TControl* AControl, TRect& Rect)
{
    auto insertBefore = [](TControl* c1, TControl* c2, TAlign a) {
        switch (a) {
        case alTop: return c1->Top() < c2->Top();
        case alBottom: return c1->Top() + c1->Height() >= c2->Top() + c2->Height();
        case alLeft: return c1->Left() < c2->Left();
        case alRight: return c1->Left() + c1->Width() >= c2->Left() + c2->Width();
        default: return false;
        }
    };
    std::vector<TControl*> list;
    // A child's OnResize may free it, another child or this control.
    TGuardPtr<TWinControl> self(this);
    std::vector<TGuardPtr<TControl>> placing;
    const TGuardPtr<TControl> first(AControl);
    for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient}) {
        AControl = first.Get();
        list.clear();
        if (AControl && AControl->Align() == a && AControl->Visible())
            list.push_back(AControl);
        for (TControl* c : FControls) {
            if (c->Align() != a || !c->Visible() || c == AControl)
                continue;
            size_t j = 0;
            while (j < list.size() && !insertBefore(c, list[j], a))
                ++j;
            list.insert(list.begin() + Integer(j), c);
        }
        placing.assign(list.begin(), list.end());
        for (const TGuardPtr<TControl>& g : placing) {
            TControl* c = g.Get();
            if (!c)
                continue;
            int l = Rect.Left, t = Rect.Top, w = Rect.Width(), h = Rect.Height();
            switch (a) {
            case alTop: h = c->Height(); break;
            case alBottom: h = c->Height(); t = Rect.Bottom - h; break;
            case alLeft: w = c->Width(); break;
            case alRight: w = c->Width(); l = Rect.Right - w; break;
            default: break;
            }
            c->SetBounds(l, t, std::max(0, w), std::max(0, h));
            if (!self)
                return;
            if (!g)
                continue;
            // The control may have refused the size; the rest of the area follows what it took.
            switch (a) {
            case alTop: Rect.Top += c->Height(); break;
            case alBottom: Rect.Bottom -= c->Height(); break;
            case alLeft: Rect.Left += c->Width(); break;
            case alRight: Rect.Right -= c->Width(); break;
            default: break;
            }
        }
    }
}

HWND TWinControl::Handle()
{
    HandleNeeded();
    return FHandle;
}

void TWinControl::HandleNeeded()
{
    if (FHandle)
        return;
    if (FParent)
        FParent->HandleNeeded();
    if (!FHandle)
        CreateHandle();
}

void TWinControl::CreateParams(TCreateParams& Params)
{
    Params.Caption = FText;
    Params.Style = WS_CHILD | WS_CLIPSIBLINGS;
    if (FVisible)
        Params.Style |= WS_VISIBLE;
    if (!FEnabled)
        Params.Style |= WS_DISABLED;
    if (FTabStop)
        Params.Style |= WS_TABSTOP;
    Params.X = FLeft;
    Params.Y = FTop;
    Params.Width = FWidth;
    Params.Height = FHeight;
    Params.WndParent = FParent ? FParent->FHandle : FParentWindow;
    Params.WindowClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    if (!(ControlStyle & csDoubleClicks))
        Params.WindowClassStyle &= ~UINT(CS_DBLCLKS);
    Params.WinClassName = ClassName();
}

void TWinControl::CreateHandle()
{
    if (FHandle)
        return;
    CreateWnd();
    for (TControl* c : std::vector<TControl*>(FControls))
        if (auto* w = dynamic_cast<TWinControl*>(c))
            w->CreateHandle();
    // The real client area (frame, scroll bars) may differ from the plain size used before.
    Realign();
}

void TWinControl::CreateWnd()
{
    TCreateParams p;
    CreateParams(p);
    CreateWindowHandle(p);
    // Hooks and subclassers learn of every new window, as from the system's window creation.
    CREATESTRUCT cs;
    cs.hInstance = HInstance;
    cs.hwndParent = p.WndParent;
    cs.x = p.X;
    cs.y = p.Y;
    cs.cx = p.Width;
    cs.cy = p.Height;
    cs.style = LONG(p.Style);
    cs.lpszName = p.Caption.c_str();
    cs.lpszClass = p.WinClassName.c_str();
    cs.dwExStyle = p.ExStyle;
    SendMessage(FHandle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs));
    if (FHandle && (p.Style & WS_CHILD))
        NotifyParents(FHandle, WM_CREATE);
}

void TWinControl::CreateWindowHandle(const TCreateParams& Params)
{
    FHandle = CreateControlWindow(this, Params);
    FShowingWindow = (Params.Style & WS_VISIBLE) != 0;
    // Now that the control knows its window, it may answer for its own frame (WM_NCCALCSIZE).
    if (FParent)
        SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TWinControl::DestroyHandle()
{
    if (!FHandle)
        return;
    for (TControl* c : FControls)
        if (auto* w = dynamic_cast<TWinControl*>(c))
            w->DestroyHandle();
    DestroyWnd();
}

void TWinControl::DestroyWnd()
{
    TControlCanvas::FreeDeviceContexts();
    // Not while the object itself goes: its derived parts, and any window procedure they set, are
    // gone already.
    if (GetWindowLong(FHandle, GWL_STYLE) & WS_CHILD)
        NotifyParents(FHandle, WM_DESTROY);
    if (!HasState(csDestroying))
        SendMessage(FHandle, WM_DESTROY, 0, 0);
    DestroyWindowHandle();
}

void TWinControl::DestroyWindowHandle()
{
    ControlState |= csDestroyingHandle;
    DestroyControlWindow(FHandle);
    FHandle = nullptr;
    ControlState &= ~TControlState(csDestroyingHandle);
}

void TWinControl::RecreateWnd()
{
    if (!FHandle)
        return;
    bool hadFocus = Focused();
    DestroyHandle();
    HandleNeeded();
    if (hadFocus && CanFocus())
        ::SetFocus(FHandle);
}

void TWinControl::SetParentWindow(HWND Value)
{
    if (FParentWindow == Value)
        return;
    FParentWindow = Value;
    if (FHandle && !FParent)
        RecreateWnd();
}

void TWinControl::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight)
{
    if (AWidth < 0)
        AWidth = 0;
    if (AHeight < 0)
        AHeight = 0;
    if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight)
        return;
    bool sized = AWidth != FWidth || AHeight != FHeight;
    TControlCanvas::FreeDeviceContexts();
    // OnResize may free the control (or its form).
    TGuardPtr<TWinControl> self(this);
    if (FHandle) {
        const unsigned serial = ++FBoundsSerial;
        // The window reports its new place back through WM_WINDOWPOSCHANGED and WM_SIZE.
        SetWindowPos(FHandle, nullptr, ALeft, ATop, AWidth, AHeight, SWP_NOZORDER | SWP_NOACTIVATE);
        if (!self || !FHandle)
            return;
        // A handler of those messages that placed the window anew has the last word.
        if (serial != FBoundsSerial)
            return;
        // A window whose client size did not change hears no WM_SIZE.
        FLeft = ALeft;
        FTop = ATop;
        FWidth = AWidth;
        FHeight = AHeight;
    } else {
        FLeft = ALeft;
        FTop = ATop;
        FWidth = AWidth;
        FHeight = AHeight;
        if (sized) {
            Realign();
            Resize();
            if (!self)
                return;
        }
    }
    RequestAlign();
}

TRect TWinControl::ClientRect()
{
    if (FHandle) {
        TRect r;
        GetClientRect(FHandle, &r);
        return r;
    }
    return {0, 0, FWidth, FHeight};
}

TPoint TWinControl::ClientOrigin()
{
    if (FHandle) {
        TPoint p{0, 0};
        ::ClientToScreen(FHandle, &p);
        return p;
    }
    return TControl::ClientOrigin();
}

void TWinControl::SetParent(TWinControl* AParent) { TControl::SetParent(AParent); }

bool TWinControl::Showing() const
{
    if (!FVisible)
        return false;
    return FParent ? FParent->Showing() : (FHandle && IsWindowVisible(FHandle));
}

void TWinControl::Invalidate()
{
    if (FHandle)
        InvalidateRect(FHandle, nullptr, !(ControlStyle & csOpaque));
}

void TWinControl::Update()
{
    if (FHandle)
        UpdateWindow(FHandle);
}

void TWinControl::Repaint()
{
    Invalidate();
    Update();
}

void TWinControl::SetText(const std::string& Value)
{
    if (FText == Value)
        return;
    FText = Value;
    if (FHandle)
        SetWindowText(FHandle, FText.c_str());
    Perform(CM_TEXTCHANGED, 0, 0);
    Invalidate();
}

void TWinControl::SetCtl3D(bool Value)
{
    if (FCtl3D == Value)
        return;
    FCtl3D = Value;
    Perform(CM_CTL3DCHANGED, 0, 0);
}

void TWinControl::ColorChanged()
{
    FBrush->SetColor(FColor);
    TellChildren(CM_PARENTCOLORCHANGED);
}

void TWinControl::FontChanged()
{
    TGuardPtr<TWinControl> self(this);
    TControl::FontChanged();
    if (self)
        TellChildren(CM_PARENTFONTCHANGED);
}

void TWinControl::TellChildren(UINT Msg)
{
    TGuardPtr<TWinControl> self(this);
    for (TGuardPtr<TControl>& c : GuardedCopy<TControl>(FControls)) {
        if (!self)
            return;
        if (c && c->Parent() == this)
            c->Perform(Msg, 0, 0);
    }
}

void TWinControl::WMSize(TMessage&)
{
    TRect r;
    GetWindowRect(FHandle, &r);
    bool sized = r.Width() != FWidth || r.Height() != FHeight;
    FWidth = r.Width();
    FHeight = r.Height();
    (void)sized;
    Realign();
    Resize();
}

void TWinControl::CMEnabledChangedWin(TMessage&)
{
    if (!FEnabled && FParent && Focused())
        if (TCustomForm* form = GetParentForm(this))
            form->SelectNext(this, true, true);
    if (FHandle)
        EnableWindow(FHandle, FEnabled);
    Invalidate();
}

void TWinControl::CMShowingChanged(TMessage&)
{
    if (FHandle)
        ShowWindow(FHandle, FShowingWindow ? SW_SHOW : SW_HIDE);
}

void TWinControl::UpdateShowing()
{
    // A window made later is shown or not from its style; only a window that exists changes.
    if (!FHandle || FShowingWindow == FVisible)
        return;
    FShowingWindow = FVisible;
    Perform(CM_SHOWINGCHANGED, 0, 0);
}
