// Up-down buttons and the status bar.
#include "platform/ComCtrls.h"

#include <algorithm>

#include "platform/Backend.h"
#include "platform/Guard.h"

// ---- TCustomUpDown ------------------------------------------------------------------------------
TCustomUpDown::TCustomUpDown(TComponent* AOwner) : TCustomControl(AOwner)
{
    ControlStyle = csCaptureMouse | csOpaque;
    SetBounds(0, 0, 15, 21);
    SetParentColor(false);
    SetColor(clBtnFace);
}

TCustomUpDown::~TCustomUpDown()
{
    if (FRepeatTimer)
        morvik::backend::StopTimer(FRepeatTimer);
    Unhook();
}

void TCustomUpDown::Unhook()
{
    if (FAssociate) {
        if (FSavedAssociateProc)
            FAssociate->WindowProc = FSavedAssociateProc;
        FAssociate->RemoveFreeNotification(this);
        FSavedAssociateProc = nullptr;
        FAssociate = nullptr;
    }
}

void TCustomUpDown::SetAssociate(TWinControl* Value)
{
    if (FAssociate == Value)
        return;
    Unhook();
    FAssociate = Value;
    if (!Value)
        return;
    Value->FreeNotification(this);
    PlaceBeside(Value);
    // The associated control's keys pass through here first (Up and Down step the position).
    FSavedAssociateProc = Value->WindowProc;
    Value->WindowProc = [this](TMessage& m) {
        if (m.Msg == WM_KEYDOWN && ArrowKeys && Enabled()) {
            Word key = LOWORD(m.WParam);
            bool vertical = Orientation == udVertical;
            if ((vertical && key == VK_UP) || (!vertical && key == VK_RIGHT)) {
                Step(btNext);
                return;
            }
            if ((vertical && key == VK_DOWN) || (!vertical && key == VK_LEFT)) {
                Step(btPrev);
                return;
            }
        }
        if (m.Msg == WM_GETDLGCODE && ArrowKeys) {
            FSavedAssociateProc(m);
            m.Result |= DLGC_WANTARROWS;
            return;
        }
        FSavedAssociateProc(m);
    };
    UpdateAssociate();
}

void TCustomUpDown::PlaceBeside(TWinControl* Buddy)
{
    TPoint at{AlignButton == udLeft ? Buddy->Left() - Width() : Buddy->Left() + Buddy->Width(), Buddy->Top()};
    if (Parent() && Buddy->Parent() && Parent() != Buddy->Parent())
        at = Parent()->ScreenToClient(Buddy->Parent()->ClientToScreen(at));
    SetBounds(at.X, at.Y, Width(), Buddy->Height());
}

void TCustomUpDown::Notification(TComponent* AComponent, TOperation Operation)
{
    TCustomControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FAssociate) {
        FSavedAssociateProc = nullptr;
        FAssociate = nullptr;
    }
}

void TCustomUpDown::SetMin(SmallInt Value)
{
    if (FMin == Value)
        return;
    FMin = Value;
    if (FPosition < std::min(FMin, FMax))
        SetPosition(std::min(FMin, FMax));
}

void TCustomUpDown::SetMax(SmallInt Value)
{
    if (FMax == Value)
        return;
    FMax = Value;
    if (FPosition > std::max(FMin, FMax))
        SetPosition(std::max(FMin, FMax));
}

namespace {
// A number as the up-down writes it: decimal digits after an optional sign, with the thousands
// separators only when it writes them.
bool ReadPosition(std::string text, bool thousands, Integer& value)
{
    text = Trim(text);
    if (thousands)
        text.erase(std::remove(text.begin(), text.end(), ','), text.end());
    const size_t digits = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
    return digits < text.size() && text.find_first_not_of("0123456789", digits) == std::string::npos &&
           TryStrToInt(text, value);
}
}  // namespace

SmallInt TCustomUpDown::Position() const
{
    Integer typed = 0;
    if (FAssociate && ReadPosition(FAssociate->Text(), Thousands, typed) && typed >= std::min(FMin, FMax) &&
        typed <= std::max(FMin, FMax))
        FPosition = SmallInt(typed);
    return FPosition;
}

void TCustomUpDown::SetPosition(SmallInt Value)
{
    SmallInt lo = std::min(FMin, FMax), hi = std::max(FMin, FMax);
    Value = std::clamp(Value, lo, hi);
    if (FPosition == Value) {
        UpdateAssociate();
        return;
    }
    FPosition = Value;
    UpdateAssociate();
}

void TCustomUpDown::UpdateAssociate()
{
    if (!FAssociate)
        return;
    std::string s = IntToStr(FPosition);
    if (Thousands && (FPosition >= 1000 || FPosition <= -1000)) {
        std::string digits = IntToStr(FPosition < 0 ? -FPosition : FPosition);
        std::string grouped;
        int n = int(digits.size());
        for (int i = 0; i < n; ++i) {
            grouped += digits[size_t(i)];
            if ((n - i - 1) % 3 == 0 && i != n - 1)
                grouped += ',';
        }
        s = (FPosition < 0 ? "-" : "") + grouped;
    }
    FAssociate->SetText(s);
}

bool TCustomUpDown::CanChange()
{
    bool allow = true;
    if (OnChanging)
        OnChanging(this, allow);
    return allow;
}

void TCustomUpDown::Step(TUDBtnType Button)
{
    // Min may exceed Max: then the "next" button counts down.
    int dir = FMax >= FMin ? 1 : -1;
    int delta = (Button == btNext ? 1 : -1) * dir * Increment;
    int lo = std::min(FMin, FMax), hi = std::max(FMin, FMax);
    const int from = Position();
    int target = from + delta;
    if (target > hi)
        target = Wrap ? lo : hi;
    else if (target < lo)
        target = Wrap ? hi : lo;
    // Each handler on the way (the change's, the associated control's) may free the control.
    TGuardPtr<TCustomUpDown> self(this);
    if (target != from && CanChange() && self) {
        FPosition = SmallInt(target);
        UpdateAssociate();
    }
    if (self)
        Click(Button);
}

void TCustomUpDown::Click(TUDBtnType Button)
{
    if (OnClick)
        OnClick(this, Button);
}

void TCustomUpDown::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TGuardPtr<TCustomUpDown> self(this);
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (!self || Button != mbLeft || !Enabled())
        return;
    StopRepeat();
    bool vertical = Orientation == udVertical;
    // Up (or right) is "next".
    FPressed = vertical ? (Y < Height() / 2 ? 0 : 1) : (X >= Width() / 2 ? 0 : 1);
    Invalidate();
    Step(FPressed == 0 ? btNext : btPrev);
    // Gone, or the press ended while the handlers ran (a window took the mouse): nothing repeats.
    if (!self || FPressed < 0)
        return;
    // Held: repeats after a pause.
    FRepeatTimer = morvik::backend::StartTimer(400, [this] {
        if (FPressed < 0)
            return;
        TGuardPtr<TCustomUpDown> alive(this);
        Step(FPressed == 0 ? btNext : btPrev);
        if (!alive || FPressed < 0)
            return;
        morvik::backend::StopTimer(FRepeatTimer);
        FRepeatTimer = morvik::backend::StartTimer(100, [this] {
            if (FPressed >= 0)
                Step(FPressed == 0 ? btNext : btPrev);
        });
    });
}

void TCustomUpDown::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TGuardPtr<TCustomUpDown> self(this);
    TCustomControl::MouseUp(Button, Shift, X, Y);
    if (self)
        StopRepeat();
}

void TCustomUpDown::StopRepeat()
{
    if (FRepeatTimer) {
        morvik::backend::StopTimer(FRepeatTimer);
        FRepeatTimer = 0;
    }
    if (FPressed >= 0) {
        FPressed = -1;
        Invalidate();
    }
}

void TCustomUpDown::WMCaptureChanged(TMessage& Message)
{
    // A button whose release will never come here (a window took the mouse) stops repeating.
    StopRepeat();
    TCustomControl::Dispatch(Message);
}

void TCustomUpDown::Paint()
{
    TCanvas* c = Canvas();
    int w = Width(), h = Height();
    bool vertical = Orientation == udVertical;
    TRect first = vertical ? TRect{0, 0, w, h / 2} : TRect{w / 2, 0, w, h};
    TRect second = vertical ? TRect{0, h / 2, w, h} : TRect{0, 0, w / 2, h};
    UINT inactive = Enabled() ? 0 : DFCS_INACTIVE;
    DrawFrameControl(c->Handle(), &first, DFC_SCROLL,
                     (vertical ? DFCS_SCROLLUP : DFCS_SCROLLRIGHT) | inactive | (FPressed == 0 ? DFCS_PUSHED : 0));
    DrawFrameControl(c->Handle(), &second, DFC_SCROLL,
                     (vertical ? DFCS_SCROLLDOWN : DFCS_SCROLLLEFT) | inactive | (FPressed == 1 ? DFCS_PUSHED : 0));
}

// ---- Status panels ------------------------------------------------------------------------------
void TStatusPanel::Changed() { FOwner->Panels()->Changed(); }
void TStatusPanel::Redraw() { FOwner->Panels()->PanelChanged(this); }

void TStatusPanel::SetText(const std::string& Value)
{
    if (FText == Value)
        return;
    FText = Value;
    Redraw();
}

void TStatusPanel::SetWidth(Integer Value)
{
    if (FWidth == Value)
        return;
    FWidth = Value;
    Changed();
}

void TStatusPanel::SetAlignment(TAlignment Value)
{
    if (FAlignment == Value)
        return;
    FAlignment = Value;
    Changed();
}

void TStatusPanel::SetBevel(TStatusPanelBevel Value)
{
    if (FBevel == Value)
        return;
    FBevel = Value;
    Redraw();
}

int TStatusPanel::Index() const
{
    TStatusPanels* p = FOwner->Panels();
    for (int i = 0; i < p->Count(); ++i)
        if (p->Items(i) == this)
            return i;
    return -1;
}

TStatusPanel* TStatusPanels::Items(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw EListError(Format(SysMsg::ListIndexError, Index));
    return FItems[size_t(Index)].get();
}

TStatusPanel* TStatusPanels::Add()
{
    FItems.push_back(std::make_unique<TStatusPanel>(FOwner));
    Changed();
    return FItems.back().get();
}

void TStatusPanels::Delete(int Index)
{
    Items(Index);
    FItems.erase(FItems.begin() + Index);
    Changed();
}

void TStatusPanels::Clear()
{
    FItems.clear();
    Changed();
}

void TStatusPanels::EndUpdate()
{
    if (FUpdate > 0 && --FUpdate == 0)
        Changed();
}

void TStatusPanels::Changed()
{
    if (FUpdate == 0)
        FOwner->Invalidate();
}

void TStatusPanels::PanelChanged(const TStatusPanel* Panel)
{
    // A receiver rewrites its frequency panels many times a second: repainting the bar whole
    // would measure and draw every panel's text again each time.
    if (FUpdate > 0 || !FOwner->HandleAllocated())
        return;
    if (FOwner->SimplePanel())
        return;  // the panels are not on show
    const TRect r = FOwner->PanelRect(Panel->Index());
    InvalidateRect(FOwner->Handle(), &r, FALSE);
}

// ---- TStatusBar ---------------------------------------------------------------------------------
TStatusBar::TStatusBar(TComponent* AOwner) : TCustomControl(AOwner), FPanels(new TStatusPanels(this))
{
    ControlStyle = csCaptureMouse | csClickEvents | csDoubleClicks | csOpaque;
    SetParentColor(false);
    SetColor(clBtnFace);
    SetBounds(0, 0, 200, 19);
    SetAlign(alBottom);
}

TStatusBar::~TStatusBar() = default;

void TStatusBar::SetSimplePanel(bool Value)
{
    if (FSimplePanel == Value)
        return;
    FSimplePanel = Value;
    Invalidate();
}

void TStatusBar::SetSimpleText(const std::string& Value)
{
    if (FSimpleText == Value)
        return;
    FSimpleText = Value;
    if (FSimplePanel)
        Invalidate();
}

TRect TStatusBar::PanelRect(int Index)
{
    // Panels sit 2 pixels from the top, with 2-pixel gaps between them.
    int x = 0;
    int h = ClientHeight();
    for (int i = 0; i < FPanels->Count(); ++i) {
        int w = FPanels->Items(i)->Width();
        int right = i == FPanels->Count() - 1 ? ClientWidth() : x + w;
        if (i == Index)
            return {x, 2, std::max(x, right), h};
        x += w + 2;
    }
    return {};
}

void TStatusBar::Paint()
{
    TCanvas* c = Canvas();
    TRect all = ClientRect();
    c->Brush()->SetColor(Color());
    c->FillRect(all);
    c->SetFont(Font());
    auto drawPanel = [&](TRect r, const std::string& text, TAlignment align, TStatusPanelBevel bevel) {
        if (bevel != pbNone) {
            TRect e = r;
            DrawEdge(c->Handle(), &e, bevel == pbLowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
        }
        TRect tr = r;
        InflateRect(tr, -2, -1);
        UINT flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
        flags |= align == taCenter ? DT_CENTER : align == taRightJustify ? DT_RIGHT : DT_LEFT;
        c->Brush()->SetStyle(bsClear);
        DrawText(c->Handle(), text.c_str(), int(text.size()), &tr, flags);
        c->Brush()->SetStyle(bsSolid);
    };
    if (FSimplePanel || FPanels->Count() == 0) {
        drawPanel({0, 2, all.Right, all.Bottom}, FSimpleText, taLeftJustify, pbLowered);
    } else {
        const TRect clip = c->ClipRect();
        for (int i = 0; i < FPanels->Count(); ++i) {
            TStatusPanel* p = FPanels->Items(i);
            TRect r = PanelRect(i), seen;
            if (IntersectRect(seen, r, clip))
                drawPanel(r, p->Text(), p->Alignment(), p->Bevel());
        }
    }
    if (SizeGrip) {
        // Three diagonal ridges in the bottom-right corner.
        int x = all.Right, y = all.Bottom;
        for (int k = 0; k < 3; ++k) {
            int off = 4 * k + 2;
            c->Pen()->SetColor(clBtnHighlight);
            c->MoveTo(x - off - 1, y - 1);
            c->LineTo(x - 1, y - off - 2);
            c->Pen()->SetColor(clBtnShadow);
            c->MoveTo(x - off, y - 1);
            c->LineTo(x - 1, y - off - 1);
            c->MoveTo(x - off + 1, y - 1);
            c->LineTo(x - 1, y - off);
        }
    }
}
