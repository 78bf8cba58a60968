// The control hierarchy: geometry, alignment, parents and children, messages and their default
// handling, mouse and keyboard events, focus, painting of windowed and windowless controls.
#include "platform/Controls.h"

#include <algorithm>

#include "platform/Backend.h"
#include "platform/Forms.h"
#include "platform/Menus.h"

using namespace morvik::backend;

namespace {
TControl* gCaptureControl = nullptr;
std::vector<TControlCanvas*> gCanvasList;

void MoveWindowOrg(HDC DC, int DX, int DY)
{
    TPoint p;
    GetWindowOrgEx(DC, &p);
    SetWindowOrgEx(DC, p.X - DX, p.Y - DY, nullptr);
}
}  // namespace

// ---- Shift states and helpers ---------------------------------------------------------------------
TShiftState KeysToShiftState(WPARAM Keys)
{
    TShiftState s = 0;
    if (Keys & MK_SHIFT)
        s |= ssShift;
    if (Keys & MK_CONTROL)
        s |= ssCtrl;
    if (Keys & MK_LBUTTON)
        s |= ssLeft;
    if (Keys & MK_RBUTTON)
        s |= ssRight;
    if (Keys & MK_MBUTTON)
        s |= ssMiddle;
    if ((Keys & MK_ALT) || (GetKeyState(VK_MENU) < 0))
        s |= ssAlt;
    return s;
}

TShiftState KeyDataToShiftState(LPARAM KeyData)
{
    TShiftState s = 0;
    if (GetKeyState(VK_SHIFT) < 0)
        s |= ssShift;
    if (GetKeyState(VK_CONTROL) < 0)
        s |= ssCtrl;
    if (KeyData & (LPARAM(1) << 29))
        s |= ssAlt;
    return s;
}

TShiftState KeyboardStateToShiftState(const BYTE* KeyboardState)
{
    TShiftState s = 0;
    if (KeyboardState[VK_SHIFT] & 0x80)
        s |= ssShift;
    if (KeyboardState[VK_CONTROL] & 0x80)
        s |= ssCtrl;
    if (KeyboardState[VK_MENU] & 0x80)
        s |= ssAlt;
    if (KeyboardState[VK_LBUTTON] & 0x80)
        s |= ssLeft;
    if (KeyboardState[VK_RBUTTON] & 0x80)
        s |= ssRight;
    if (KeyboardState[VK_MBUTTON] & 0x80)
        s |= ssMiddle;
    return s;
}

TCustomForm* GetParentForm(TControl* Control)
{
    while (Control && Control->Parent())
        Control = Control->Parent();
    return dynamic_cast<TCustomForm*>(Control);
}

TControl* GetCaptureControl()
{
    TWinControl* w = TWinControl::FindControl(GetCapture());
    if (w && gCaptureControl && gCaptureControl->Parent() == w)
        return gCaptureControl;
    return w;
}

void SetCaptureControl(TControl* Control)
{
    gCaptureControl = nullptr;
    if (!Control) {
        ReleaseCapture();
        return;
    }
    auto* wc = dynamic_cast<TWinControl*>(Control);
    if (!wc) {
        if (!Control->Parent())
            return;
        wc = Control->Parent();
    }
    SetCapture(wc->Handle());
    if (wc != Control)
        gCaptureControl = Control;
}

TControl* FindVCLWindow(const TPoint& Pos)
{
    return TWinControl::FindControl(WindowFromPoint(Pos));
}

TControl* FindDragTarget(const TPoint& Pos, bool AllowDisabled)
{
    TWinControl* w = TWinControl::FindControl(WindowFromPoint(Pos));
    if (!w)
        return nullptr;
    if (TControl* c = w->ControlAtPos(w->ScreenToClient(Pos), AllowDisabled))
        return c;
    return w;
}

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

// ---- TControl -----------------------------------------------------------------------------------
TControl::TControl(TComponent* AOwner) : TComponent(AOwner), FFont(new TFont)
{
    WindowProc = [this](TMessage& m) { WndProc(m); };
    FFont->SetColor(clWindowText);
    FFont->OnChange = [this](TObject*) { FontChanged(); };
}

TControl::~TControl()
{
    ForgetControl(this);
    if (gCaptureControl == this)
        gCaptureControl = nullptr;
    if (FParent)
        FParent->RemoveControl(this);
    if (FPopupMenu)
        FPopupMenu->RemoveFreeNotification(this);
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam)
{
    TMessage m{Msg, WParam, LParam, 0};
    WindowProc(m);
    return m.Result;
}

// The drag in progress takes the source's mouse and Escape key first (Dragging.cpp).
bool DragFilter(TControl* Control, TMessage& Message);

void TControl::WndProc(TMessage& Message)
{
    if (DragFilter(this, Message))
        return;
    if ((Message.Msg == WM_LBUTTONDBLCLK || Message.Msg == WM_RBUTTONDBLCLK || Message.Msg == WM_MBUTTONDBLCLK) &&
        !(ControlStyle & csDoubleClicks))
        Message.Msg -= 2;  // without double clicks, the second press is a plain press
    if (Message.Msg >= WM_MOUSEFIRST && Message.Msg <= WM_MOUSELAST && Message.Msg != WM_MOUSEWHEEL &&
        Application)
        Application->HintMouseMessage(this, Message);
    Dispatch(Message);
}

void TControl::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: WMMouseButton(Message); break;
    case WM_MOUSEMOVE: WMMouseMove(Message); break;
    case WM_CANCELMODE: WMCancelMode(Message); break;
    case CM_ENABLEDCHANGED: CMEnabledChanged(Message); break;
    case CM_VISIBLECHANGED: CMVisibleChanged(Message); break;
    case CM_COLORCHANGED: CMColorChanged(Message); break;
    case CM_FONTCHANGED: CMFontChanged(Message); break;
    case CM_PARENTCOLORCHANGED: CMParentColorChanged(Message); break;
    case CM_PARENTFONTCHANGED: CMParentFontChanged(Message); break;
    case CM_PARENTSHOWHINTCHANGED: CMParentShowHintChanged(Message); break;
    case CM_MOUSEENTER: CMMouseEnter(Message); break;
    case CM_MOUSELEAVE: CMMouseLeave(Message); break;
    case CM_HITTEST: CMHitTest(Message); break;
    case CM_DRAG: CMDrag(Message); break;
    default: DefaultHandler(Message); break;
    }
}

void TControl::DefaultHandler(TMessage& Message) { (void)Message; }

void TControl::WMMouseButton(TMessage& Message)
{
    UINT msg = Message.Msg;
    int x = Message.XPos(), y = Message.YPos();
    TShiftState shift = KeysToShiftState(Message.WParam);
    TMouseButton button = (msg == WM_RBUTTONDOWN || msg == WM_RBUTTONUP || msg == WM_RBUTTONDBLCLK) ? mbRight
                          : (msg == WM_MBUTTONDOWN || msg == WM_MBUTTONUP || msg == WM_MBUTTONDBLCLK)
                              ? mbMiddle
                              : mbLeft;
    switch (msg) {
    case WM_LBUTTONDOWN:
        if (ControlStyle & csCaptureMouse)
            SetMouseCapture(true);
        if (ControlStyle & csClickEvents)
            ControlState |= csClicked;
        if (!(ControlStyle & csNoStdEvents))
            MouseDown(button, shift, x, y);
        break;
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (!(ControlStyle & csNoStdEvents))
            MouseDown(button, shift, x, y);
        break;
    case WM_LBUTTONDBLCLK:
        if (ControlStyle & csCaptureMouse)
            SetMouseCapture(true);
        if (ControlStyle & csClickEvents)
            DblClick();
        if (!(ControlStyle & csNoStdEvents))
            MouseDown(button, shift | ssDouble, x, y);
        break;
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
        if (!(ControlStyle & csNoStdEvents))
            MouseDown(button, shift | ssDouble, x, y);
        break;
    case WM_LBUTTONUP: {
        if (ControlStyle & csCaptureMouse)
            SetMouseCapture(false);
        bool clicked = ControlState & csClicked;
        ControlState &= ~TControlState(csClicked);
        // A click counts only when released over the control.
        if (clicked && x >= 0 && y >= 0 && x < FWidth && y < FHeight)
            Click();
        if (!(ControlStyle & csNoStdEvents))
            MouseUp(button, shift, x, y);
        break;
    }
    case WM_RBUTTONUP: {
        if (!(ControlStyle & csNoStdEvents))
            MouseUp(button, shift, x, y);
        TPoint sp = ClientToScreen({x, y});
        // The context menu follows the release, as the system sends it.
        Perform(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(this), MAKELPARAM(sp.X, sp.Y));
        break;
    }
    case WM_MBUTTONUP:
        if (!(ControlStyle & csNoStdEvents))
            MouseUp(button, shift, x, y);
        break;
    default: break;
    }
}

void TControl::WMMouseMove(TMessage& Message)
{
    if (!(ControlStyle & csNoStdEvents))
        MouseMove(KeysToShiftState(Message.WParam), Message.XPos(), Message.YPos());
}

void TControl::WMCancelMode(TMessage&)
{
    if (MouseCapture()) {
        SetMouseCapture(false);
        ControlState &= ~TControlState(csClicked);
    }
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (OnMouseDown)
        OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y)
{
    if (OnMouseMove)
        OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (OnMouseUp)
        OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::Click()
{
    if (OnClick)
        OnClick(this);
}

void TControl::DblClick()
{
    if (OnDblClick)
        OnDblClick(this);
}

void TControl::Resize()
{
    if (OnResize)
        OnResize(this);
}

bool TControl::MouseCapture() { return GetCaptureControl() == this; }

void TControl::SetMouseCapture(bool Value)
{
    if (MouseCapture() == Value)
        return;
    SetCaptureControl(Value ? this : nullptr);
}

void TControl::SetParent(TWinControl* AParent)
{
    if (FParent == AParent)
        return;
    if (AParent == this)
        throw EInvalidOperation("A control cannot have itself as its parent");
    if (FParent)
        FParent->RemoveControl(this);
    if (AParent)
        AParent->InsertControl(this);
}

void TControl::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight)
{
    if (AWidth < 0)
        AWidth = 0;
    if (AHeight < 0)
        AHeight = 0;
    if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight)
        return;
    bool sized = AWidth != FWidth || AHeight != FHeight;
    InvalidateControl(Visible(), false);
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    InvalidateControl(Visible(), false);
    TControlCanvas::FreeDeviceContexts();
    RequestAlign();
    if (sized)
        Resize();
}

TRect TControl::ClientRect() { return {0, 0, FWidth, FHeight}; }

void TControl::SetClientWidth(Integer Value) { SetWidth(FWidth - ClientWidth() + Value); }
void TControl::SetClientHeight(Integer Value) { SetHeight(FHeight - ClientHeight() + Value); }

TPoint TControl::ClientOrigin()
{
    if (!FParent)
        return {FLeft, FTop};
    TPoint p = FParent->ClientOrigin();
    return {p.X + FLeft, p.Y + FTop};
}

TPoint TControl::ClientToScreen(const TPoint& Point)
{
    TPoint o = ClientOrigin();
    return {Point.X + o.X, Point.Y + o.Y};
}

TPoint TControl::ScreenToClient(const TPoint& Point)
{
    TPoint o = ClientOrigin();
    return {Point.X - o.X, Point.Y - o.Y};
}

void TControl::SetAlign(TAlign Value)
{
    if (FAlign == Value)
        return;
    TAlign old = FAlign;
    FAlign = Value;
    // A control that takes the client area keeps its place; others are pushed to their edge.
    if (old == alNone || Value != alNone)
        RequestAlign();
    else if (FParent)
        FParent->Realign();
}

void TControl::RequestAlign()
{
    if (FParent && FAlign != alNone)
        FParent->Realign();
}

void TControl::SetVisible(bool Value)
{
    if (FVisible == Value)
        return;
    VisibleChanging();
    FVisible = Value;
    Perform(CM_VISIBLECHANGED, Value, 0);
    if (FParent && FAlign != alNone)
        FParent->Realign();
}

void TControl::SetEnabled(bool Value)
{
    if (FEnabled == Value)
        return;
    FEnabled = Value;
    Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TControl::SetColor(TColor Value)
{
    if (FColor == Value && !FParentColor)
        return;
    bool changed = FColor != Value;
    FColor = Value;
    FParentColor = false;
    if (changed)
        Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::SetParentColor(bool Value)
{
    if (FParentColor == Value)
        return;
    FParentColor = Value;
    if (Value && FParent)
        Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TControl::SetParentFont(bool Value)
{
    if (FParentFont == Value)
        return;
    FParentFont = Value;
    if (Value && FParent)
        Perform(CM_PARENTFONTCHANGED, 0, 0);
}

void TControl::SetShowHint(bool Value)
{
    FParentShowHint = false;
    if (FShowHint == Value)
        return;
    FShowHint = Value;
    ShowHintChanged();
}

void TControl::ShowHintChanged()
{
    if (auto* w = dynamic_cast<TWinControl*>(this))
        for (TControl* c : std::vector<TControl*>(w->FControls))
            c->Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
}

void TControl::SetParentShowHint(bool Value)
{
    if (FParentShowHint == Value)
        return;
    FParentShowHint = Value;
    if (Value && FParent)
        Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
}

void TControl::SetCursor(TCursor Value)
{
    if (FCursor == Value)
        return;
    FCursor = Value;
    Perform(CM_CURSORCHANGED, 0, 0);
}

void TControl::SetPopupMenu(TPopupMenu* Value)
{
    if (FPopupMenu == Value)
        return;
    if (FPopupMenu)
        FPopupMenu->RemoveFreeNotification(this);
    FPopupMenu = Value;
    if (Value)
        Value->FreeNotification(this);
}

void TControl::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FPopupMenu)
        FPopupMenu = nullptr;
}

void TControl::SetText(const std::string& Value)
{
    if (FText == Value)
        return;
    FText = Value;
    Perform(CM_TEXTCHANGED, 0, 0);
    Invalidate();
}

void TControl::FontChanged()
{
    FParentFont = false;
    Perform(CM_FONTCHANGED, 0, 0);
}

bool TControl::Showing() const { return FVisible && FParent && FParent->Showing(); }

void TControl::InvalidateControl(bool IsVisible, bool IsOpaque)
{
    if (!IsVisible || !FParent || !FParent->HandleAllocated())
        return;
    TRect r = BoundsRect();
    InvalidateRect(FParent->FHandle, &r, !IsOpaque);
}

void TControl::Invalidate() { InvalidateControl(Visible(), (ControlStyle & csOpaque) != 0); }

void TControl::Update()
{
    if (FParent)
        FParent->Update();
}

void TControl::Repaint()
{
    Invalidate();
    Update();
}

void TControl::BringToFront()
{
    if (!FParent)
        return;
    FParent->SetChildOrder(this, FParent->ControlCount() - 1);
}

void TControl::SendToBack()
{
    if (!FParent)
        return;
    FParent->SetChildOrder(this, 0);
}

void TControl::CMEnabledChanged(TMessage&) { Invalidate(); }

void TControl::CMVisibleChanged(TMessage&) { InvalidateControl(true, (ControlStyle & csOpaque) != 0); }

void TControl::CMColorChanged(TMessage&)
{
    ColorChanged();
    Invalidate();
}

void TControl::CMFontChanged(TMessage&) { Invalidate(); }

void TControl::CMParentColorChanged(TMessage& Message)
{
    if (!FParentColor)
        return;
    TColor c = Message.WParam ? TColor(Message.LParam) : (FParent ? FParent->Color() : FColor);
    SetColor(c);
    FParentColor = true;
}

void TControl::CMParentFontChanged(TMessage& Message)
{
    if (!FParentFont)
        return;
    TFont* f = Message.WParam ? reinterpret_cast<TFont*>(Message.LParam) : (FParent ? FParent->Font() : nullptr);
    if (f)
        FFont->Assign(f);
    FParentFont = true;
}

void TControl::CMParentShowHintChanged(TMessage&)
{
    if (FParentShowHint && FParent && FShowHint != FParent->ShowHint()) {
        FShowHint = FParent->ShowHint();
        ShowHintChanged();
    }
}

void TControl::CMMouseEnter(TMessage& Message)
{
    if (FParent)
        FParent->Perform(CM_MOUSEENTER, 0, Message.LParam);
    if (Message.LParam == reinterpret_cast<LPARAM>(this) && OnMouseEnter)
        OnMouseEnter(this);
}

void TControl::CMMouseLeave(TMessage& Message)
{
    if (FParent)
        FParent->Perform(CM_MOUSELEAVE, 0, Message.LParam);
    if (Message.LParam == reinterpret_cast<LPARAM>(this) && OnMouseLeave)
        OnMouseLeave(this);
}

void TControl::CMHitTest(TMessage& Message) { Message.Result = HTCLIENT; }

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
            if (form->FActiveControl && (form->FActiveControl == w || w->ContainsControl(form->FActiveControl)))
                form->FActiveControl = nullptr;
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
    DisableAlign();
    TRect r = ClientRect();
    AdjustClientRect(r);
    AlignControls(nullptr, r);
    --FAlignLevel;
    if (FRealignPending) {
        // Children changed their sizes while being placed; one more pass settles them.
        FRealignPending = false;
        DisableAlign();
        TRect r2 = ClientRect();
        AdjustClientRect(r2);
        AlignControls(nullptr, r2);
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
    for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient}) {
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
        for (TControl* c : list) {
            int l = Rect.Left, t = Rect.Top, w = Rect.Width(), h = Rect.Height();
            switch (a) {
            case alTop: h = c->Height(); break;
            case alBottom: h = c->Height(); t = Rect.Bottom - h; break;
            case alLeft: w = c->Width(); break;
            case alRight: w = c->Width(); l = Rect.Right - w; break;
            default: break;
            }
            c->SetBounds(l, t, std::max(0, w), std::max(0, h));
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
}

void TWinControl::CreateWindowHandle(const TCreateParams& Params)
{
    FHandle = CreateControlWindow(this, Params);
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
    if (FHandle) {
        const unsigned serial = ++FBoundsSerial;
        // The window reports its new place back through WM_WINDOWPOSCHANGED and WM_SIZE.
        SetWindowPos(FHandle, nullptr, ALeft, ATop, AWidth, AHeight, SWP_NOZORDER | SWP_NOACTIVATE);
        if (!FHandle)
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
    for (TControl* c : std::vector<TControl*>(FControls))
        c->Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TWinControl::FontChanged()
{
    TControl::FontChanged();
    for (TControl* c : std::vector<TControl*>(FControls))
        c->Perform(CM_PARENTFONTCHANGED, 0, 0);
}

// ---- Focus ------------------------------------------------------------------------------------
bool TWinControl::CanFocus()
{
    TCustomForm* form = GetParentForm(this);
    if (form && !(form->Visible() && form->Enabled()))
        return false;
    for (TWinControl* c = this; c; c = c->FParent) {
        if (!(c->Visible() && c->Enabled()))
            return false;
        if (c == form)
            break;
    }
    return true;
}

bool TWinControl::Focused() { return FHandle && GetFocus() == FHandle; }

void TWinControl::SetFocus()
{
    if (TCustomForm* form = GetParentForm(this)) {
        form->FocusControl(this);
        return;
    }
    if (!CanFocus())
        throw EInvalidOperation("Cannot focus a disabled or invisible window");
    ::SetFocus(Handle());
}

int TWinControl::TabOrder() const
{
    if (!FParent)
        return -1;
    int i = 0;
    for (TControl* c : FParent->FControls)
        if (auto* w = dynamic_cast<TWinControl*>(c)) {
            if (w == this)
                return i;
            ++i;
        }
    return -1;
}

void TWinControl::SetTabOrder(int Value)
{
    if (!FParent)
        return;
    // Tab order follows the order of the windowed children.
    std::vector<TWinControl*> wins;
    for (TControl* c : FParent->FControls)
        if (auto* w = dynamic_cast<TWinControl*>(c); w && w != this)
            wins.push_back(w);
    Value = std::clamp(Value, 0, int(wins.size()));
    auto& list = FParent->FControls;
    list.erase(std::find(list.begin(), list.end(), this));
    auto pos = Value < int(wins.size()) ? std::find(list.begin(), list.end(), wins[size_t(Value)]) : list.end();
    list.insert(pos, this);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& List)
{
    for (TControl* c : FControls)
        if (auto* w = dynamic_cast<TWinControl*>(c)) {
            List.push_back(w);
            w->GetTabOrderList(List);
        }
}

TWinControl* TWinControl::FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                                          bool CheckParent)
{
    std::vector<TWinControl*> list;
    GetTabOrderList(list);
    if (list.empty())
        return nullptr;
    int n = int(list.size());
    auto it = std::find(list.begin(), list.end(), CurControl);
    int start = it == list.end() ? (GoForward ? n - 1 : 0) : int(it - list.begin());
    int i = start;
    for (int k = 0; k < n; ++k) {
        i = GoForward ? (i + 1) % n : (i - 1 + n) % n;
        TWinControl* c = list[size_t(i)];
        if (c == CurControl)
            continue;
        if ((!CheckTabStop || c->TabStop()) && (!CheckParent || c->Parent() == this) && c->CanFocus())
            return c;
    }
    return nullptr;
}

void TWinControl::SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop)
{
    if (TWinControl* next = FindNextControl(CurControl, GoForward, CheckTabStop, false))
        next->SetFocus();
}

void TWinControl::DoEnter()
{
    if (OnEnter)
        OnEnter(this);
}

void TWinControl::DoExit()
{
    if (OnExit)
        OnExit(this);
}

// ---- Messages ---------------------------------------------------------------------------------
void TWinControl::DefaultHandler(TMessage& Message)
{
    if (FHandle)
        Message.Result = DefaultWindowProc(FHandle, Message.Msg, Message.WParam, Message.LParam);
}

bool TWinControl::IsControlMouseMsg(TMessage& Message)
{
    TControl* control = nullptr;
    TPoint p{Message.XPos(), Message.YPos()};
    if (FHandle && GetCapture() == FHandle) {
        if (gCaptureControl && gCaptureControl->Parent() == this)
            control = gCaptureControl;
    } else if (!GetCapture()) {
        control = ControlAtPos(p, false);
    }
    if (!control)
        return false;
    Message.Result = control->Perform(Message.Msg, Message.WParam,
                                      MAKELPARAM(p.X - control->Left(), p.Y - control->Top()));
    return true;
}

void TWinControl::WndProc(TMessage& Message)
{
    UINT m = Message.Msg;
    if (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST && m != WM_MOUSEWHEEL) {
        if (IsControlMouseMsg(Message))
            return;
    }
    if (m == WM_CAPTURECHANGED && gCaptureControl && gCaptureControl->Parent() == this)
        gCaptureControl = nullptr;
    TControl::WndProc(Message);
}

void TWinControl::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_PAINT: WMPaint(Message); break;
    case WM_ERASEBKGND: WMEraseBkgnd(Message); break;
    case WM_SIZE: WMSize(Message); break;
    case WM_WINDOWPOSCHANGED: {
        // Read back where the window ended up.
        TRect r;
        GetWindowRect(FHandle, &r);
        if (FParent && FParent->FHandle) {
            TPoint p = r.TopLeft();
            ::ScreenToClient(FParent->FHandle, &p);
            r = Bounds(p.X, p.Y, r.Width(), r.Height());
        }
        FLeft = r.Left;
        FTop = r.Top;
        FWidth = r.Width();
        FHeight = r.Height();
        break;
    }
    case WM_SETFOCUS: WMSetFocus(Message); break;
    case WM_KILLFOCUS: WMKillFocus(Message); break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: WMKeyDown(Message); break;
    case WM_KEYUP:
    case WM_SYSKEYUP: WMKeyUp(Message); break;
    case WM_CHAR: WMChar(Message); break;
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN: CNKeyDown(Message); break;
    case WM_SETCURSOR: WMSetCursor(Message); break;
    case WM_MOUSEWHEEL: WMMouseWheel(Message); break;
    case WM_CONTEXTMENU: WMContextMenu(Message); break;
    case CM_DIALOGKEY: CMDialogKey(Message); break;
    case CM_ENABLEDCHANGED: CMEnabledChangedWin(Message); break;
    case CM_VISIBLECHANGED:
        if (FHandle)
            ShowWindow(FHandle, FVisible ? SW_SHOW : SW_HIDE);
        break;
    case WM_CAPTURECHANGED:
        TControl::Dispatch(Message);
        break;
    default: TControl::Dispatch(Message); break;
    }
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
    if (!dc)
        dc = BeginPaint(FHandle, &ps);
    int saved = SaveDC(dc);
    // Opaque windowless children paint over their rectangle; the window leaves it out.
    for (TControl* c : FControls)
        if (!dynamic_cast<TWinControl*>(c) && c->Visible() && (c->ControlStyle & csOpaque)) {
            TRect r = c->BoundsRect();
            ExcludeClipRect(dc, r.Left, r.Top, r.Right, r.Bottom);
        }
    PaintWindow(dc);
    RestoreDC(dc, saved);
    PaintControls(dc, nullptr);
    if (!Message.WParam)
        EndPaint(FHandle, &ps);
}

void TWinControl::PaintWindow(HDC DC)
{
    TMessage m{WM_PAINT, reinterpret_cast<WPARAM>(DC), 0, 0};
    DefaultHandler(m);
}

void TWinControl::PaintControls(HDC DC, TControl* First)
{
    auto it = FControls.begin();
    if (First)
        it = std::find(FControls.begin(), FControls.end(), First);
    for (; it != FControls.end(); ++it) {
        TControl* c = *it;
        if (dynamic_cast<TWinControl*>(c) || !c->Visible())
            continue;
        TRect r = c->BoundsRect();
        if (!RectVisible(DC, &r))
            continue;
        int saved = SaveDC(DC);
        MoveWindowOrg(DC, c->Left(), c->Top());
        IntersectClipRect(DC, 0, 0, c->Width(), c->Height());
        c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
        RestoreDC(DC, saved);
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

void TWinControl::WMSetFocus(TMessage& Message)
{
    DefaultHandler(Message);
    if (TCustomForm* form = GetParentForm(this))
        if (form != this)
            form->FActiveControl = this;
    DoEnter();
}

void TWinControl::WMKillFocus(TMessage& Message)
{
    DefaultHandler(Message);
    DoExit();
}

void TWinControl::KeyDown(Word& Key, TShiftState Shift)
{
    if (OnKeyDown)
        OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyPress(char& Key)
{
    if (OnKeyPress)
        OnKeyPress(this, Key);
}

void TWinControl::KeyUp(Word& Key, TShiftState Shift)
{
    if (OnKeyUp)
        OnKeyUp(this, Key, Shift);
}

bool TWinControl::DoKeyDown(TMessage& Message)
{
    return DoKeyEvent(Message, &TWinControl::DoKeyDown, &TWinControl::KeyDown);
}

bool TWinControl::DoKeyEvent(TMessage& Message, bool (TWinControl::*Preview)(TMessage&),
                             void (TWinControl::*Handler)(Word&, TShiftState))
{
    // The form sees the key first when it previews keys; a key it zeroes goes no further.
    TCustomForm* form = GetParentForm(this);
    if (form && form != this && form->KeyPreview && (static_cast<TWinControl*>(form)->*Preview)(Message))
        return true;
    Word key = LOWORD(Message.WParam);
    TShiftState shift = KeyDataToShiftState(Message.LParam);
    if (!(ControlStyle & csNoStdEvents)) {
        (this->*Handler)(key, shift);
        Message.WParam = key;
        if (key == 0)
            return true;
    }
    return false;
}

bool TWinControl::DoKeyPress(TMessage& Message)
{
    TCustomForm* form = GetParentForm(this);
    if (form && form != this && form->KeyPreview && static_cast<TWinControl*>(form)->DoKeyPress(Message))
        return true;
    char ch = char(Message.WParam);
    if (!(ControlStyle & csNoStdEvents)) {
        KeyPress(ch);
        Message.WParam = static_cast<unsigned char>(ch);
        if (ch == 0)
            return true;
    }
    return false;
}

bool TWinControl::DoKeyUp(TMessage& Message)
{
    return DoKeyEvent(Message, &TWinControl::DoKeyUp, &TWinControl::KeyUp);
}

void TWinControl::WMKeyDown(TMessage& Message)
{
    if (!DoKeyDown(Message))
        DefaultHandler(Message);
}

void TWinControl::WMKeyUp(TMessage& Message)
{
    if (!DoKeyUp(Message))
        DefaultHandler(Message);
}

void TWinControl::WMChar(TMessage& Message)
{
    if (!DoKeyPress(Message))
        DefaultHandler(Message);
}

void TWinControl::CNKeyDown(TMessage& Message)
{
    Message.Result = 1;
    Word key = LOWORD(Message.WParam);
    TShiftState shift = KeyDataToShiftState(Message.LParam);
    TCustomForm* form = GetParentForm(this);
    if (form && form->IsShortCut(key, shift))
        return;
    LRESULT mask = 0;
    switch (key) {
    case VK_TAB: mask = DLGC_WANTTAB; break;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN: mask = DLGC_WANTARROWS; break;
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
    default: break;
    }
    // Each key needs its own bit: wanting all keys is not wanting Tab or the arrows.
    if (mask && form && !(Perform(WM_GETDLGCODE, 0, 0) & mask) &&
        form->Perform(CM_DIALOGKEY, key, Message.LParam) != 0)
        return;
    Message.Result = 0;
}

void TWinControl::CMDialogKey(TMessage& Message)
{
    // Offered to the children in turn; the first that takes it wins.
    for (TControl* c : std::vector<TControl*>(FControls)) {
        if (c->Visible() && c->Enabled() && c->Perform(CM_DIALOGKEY, Message.WParam, Message.LParam) != 0) {
            Message.Result = 1;
            return;
        }
    }
}

void TWinControl::WMSetCursor(TMessage& Message)
{
    HWND cursorWnd = reinterpret_cast<HWND>(Message.WParam);
    if (cursorWnd == FHandle && SHORT(LOWORD(std::uint64_t(Message.LParam))) == HTCLIENT) {
        TCursor cursor = Screen ? Screen->Cursor() : crDefault;
        if (cursor == crDefault) {
            TPoint p;
            GetCursorPos(&p);
            TControl* control = ControlAtPos(ScreenToClient(p), false);
            if (control)
                cursor = control->Cursor();
            if (cursor == crDefault)
                cursor = FCursor;
        }
        if (cursor != crDefault && Screen) {
            ::SetCursor(Screen->Cursors(cursor));
            Message.Result = 1;
            return;
        }
    }
    DefaultHandler(Message);
}

bool TWinControl::DoMouseWheel(TShiftState Shift, int WheelDelta, const TPoint& MousePos)
{
    bool handled = false;
    if (OnMouseWheel)
        OnMouseWheel(this, Shift, WheelDelta, MousePos, handled);
    return handled;
}

void TWinControl::WMMouseWheel(TMessage& Message)
{
    TShiftState shift = KeysToShiftState(Message.WParamLo());
    if (DoMouseWheel(shift, GET_WHEEL_DELTA_WPARAM(Message.WParam), {Message.XPos(), Message.YPos()})) {
        Message.Result = 1;
        return;
    }
    DefaultHandler(Message);
}

void TWinControl::WMContextMenu(TMessage& Message)
{
    TControl* target = reinterpret_cast<TControl*>(Message.WParam);
    if (target && target != this && target->Parent() != this)
        target = this;
    // The control's own menu first, then its parents'.
    for (TControl* c = target ? target : this; c; c = c->Parent()) {
        if (TPopupMenu* menu = c->PopupMenu(); menu && menu->AutoPopup) {
            menu->PopupComponent = c;
            menu->Popup(Message.XPos(), Message.YPos());
            Message.Result = 1;
            return;
        }
    }
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

void TWinControl::CMShowingChanged(TMessage&) {}

void TWinControl::UpdateShowing() {}

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
    Paint();
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
    Paint();
    FCanvas->SetHandle(nullptr);
    FCanvas->Unlock();
}
