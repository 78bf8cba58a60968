// How the scroll bar turns the mouse, the repeat timer, keys and the wheel into scroll codes. The
// bar proposes a position through OnScroll and moves only when the handler lets it; the track hint
// follows a dragged thumb.
#include <algorithm>
#include <climits>

#include "controls/Exhintwnd.h"
#include "controls/Exscrollbar.h"
#include "ctlbase/Exvclutils.h"
#include "platform/ExtCtrls.h"
#include "platform/Guard.h"
#include "platform/Windows.h"

namespace {

Integer Clamp64(Int64 V, Integer Lo, Integer Hi) { return Integer(std::clamp<Int64>(V, Lo, Hi)); }

}  // namespace

// ---------------------------------------------------------------- what a part does

bool TCustomExScrollBar::PartUsable(TExScrollBarPart Part) const
{
    switch (Part) {
    case sbpLeftArrow:
    case sbpLeftTop: return LeftBtnsEnabled();
    case sbpRightArrow:
    case sbpRightBottom: return RightBtnsEnabled();
    case sbpLeftSndArrow:
        return FSecondBtnKind == sbkCustom || (FSecondBtnKind == sbkPage ? LeftBtnsEnabled() : RightBtnsEnabled());
    case sbpRightSndArrow:
        return FSecondBtnKind == sbkCustom || (FSecondBtnKind == sbkPage ? RightBtnsEnabled() : LeftBtnsEnabled());
    case sbpThumb: return Int64(FMax) - FMin + 1 > FPage && FMax != FMin;
    case sbpNowhere: return false;
    }
    return false;
}

void TCustomExScrollBar::PartStep(TExScrollBarPart Part, Integer PageStep, TExScrollCode& Code, Integer& Pos) const
{
    const Int64 p = FPosition;
    auto back = [&](TExScrollCode C, Int64 By) {
        Code = C;
        Pos = Clamp64(p - By, FMin, FMax);
    };
    auto forward = [&](TExScrollCode C, Int64 By) {
        Code = C;
        Pos = Clamp64(p + By, FMin, FMax);
    };
    Pos = FPosition;
    switch (Part) {
    case sbpLeftArrow: back(escLineUp, 1); break;
    case sbpRightArrow: forward(escLineDown, 1); break;
    case sbpLeftSndArrow:
        if (FSecondBtnKind == sbkOpposite)
            forward(escLineDown, 1);
        else if (FSecondBtnKind == sbkPage)
            back(escPageUp, PageStep);
        else
            Code = escSndLineDown;
        break;
    case sbpRightSndArrow:
        if (FSecondBtnKind == sbkOpposite)
            back(escLineUp, 1);
        else if (FSecondBtnKind == sbkPage)
            forward(escPageDown, PageStep);
        else
            Code = escSndLineUp;
        break;
    case sbpLeftTop: back(escPageUp, PageStep); break;
    case sbpRightBottom: forward(escPageDown, PageStep); break;
    default: Code = escPosition; break;
    }
}

bool TCustomExScrollBar::ProposeScroll(TExScrollCode Code, Integer Pos, bool Change)
{
    TGuardPtr<TCustomExScrollBar> self(this);
    bool doChange = true;
    TriggerScrollEvent(Code, Pos, doChange);
    if (!self)
        return false;
    if (!doChange)
        return true;
    SetPosition(Pos);
    if (!self)
        return false;
    if (Change) {
        TriggerChangeEvent();
        if (!self)
            return false;
    }
    return true;
}

// ---------------------------------------------------------------- mouse

void TCustomExScrollBar::WMLButtonDown(TMessage& Message)
{
    TGuardPtr<TCustomExScrollBar> self(this);
    TExXPThemedControl::Dispatch(Message);
    if (!self)
        return;
    const Integer x = Message.XPos(), y = Message.YPos();
    const TExScrollBarPart part = GetHitTest(x, y);
    if (!self)
        return;
    FPressedPart = part;
    if (FPressing) {
        Invalidate();
        return;
    }
    const bool usable = PartUsable(FPressedPart);
    FPressing = usable;
    if (FPressedPart == sbpThumb && usable) {
        FPressCoord = Along(x, y);
        FGripOffset = FPressCoord - FThumbPos;
        if (FShowTrackHint && !(Parent() && Parent()->HasState(csDesigning))) {
            const TPoint at = HintPoint();
            ShowHintAt(FPosition, at.X, at.Y);
            if (!self)
                return;
        }
    }
    if (FPressedPart == sbpNowhere || (!usable && !(FNoDisableButtons && FPressedPart != sbpThumb))) {
        FPressedPart = sbpNowhere;
        FPressing = false;
        return;
    }
    FPressing = true;
    const HWND holder = GetCapture();
    FOldCapture = holder == Handle() ? nullptr : holder;
    SetCapture(Handle());
    if (FPressedPart != sbpThumb) {
        FTimer->SetInterval(Cardinal(GetKeybTimes(SPI_GETKEYBOARDDELAY)));
        FTimer->SetEnabled(true);
        TExScrollCode code;
        Integer pos;
        PartStep(FPressedPart, FPage, code, pos);
        if (!ProposeScroll(code, pos, true))
            return;
    } else {
        UpdateScrollingRegion();
        if (!self)
            return;
    }
    Invalidate();
}

void TCustomExScrollBar::WMLButtonUp(TMessage& Message)
{
    TGuardPtr<TCustomExScrollBar> self(this);
    TExXPThemedControl::Dispatch(Message);
    if (!self)
        return;
    if (!FPressing) {
        // No press took the mouse, so there is none to give back.
        if (GetCapture() == Handle())
            ReleaseCapture();
        return;
    }
    FinishPress(true);
}

void TCustomExScrollBar::EndScroll() { FinishPress(true); }

bool TCustomExScrollBar::FinishPress(bool GiveBackCapture)
{
    FTimer->SetEnabled(false);
    // Cleared before the mouse is let go, so that the loss of the capture is not taken for another
    // end of the press.
    FPressing = false;
    const HWND old = FOldCapture;
    FOldCapture = nullptr;
    if (GiveBackCapture) {
        if (old && IsWindow(old))
            SetCapture(old);
        else if (HandleAllocated() && GetCapture() == Handle())
            ReleaseCapture();
    }
    const TExScrollBarPart part = FPressedPart;
    if (part == sbpThumb) {
        FHintWindow.reset();
        if (!ProposeScroll(escPosition, TrackPosition(), true))
            return false;
    } else if (part != sbpNowhere) {
        if (!ProposeScroll(escEndScroll, FPosition, true))
            return false;
    }
    UpdateThumb();
    FPressedPart = sbpNowhere;
    Invalidate();
    return true;
}

void TCustomExScrollBar::WMCaptureChanged(TMessage& Message)
{
    TExXPThemedControl::Dispatch(Message);
    // Another window took the mouse in the middle of a press (a menu, a dialog, a drag): the press
    // ends where it is, and the mouse stays where it went.
    if (FPressing && reinterpret_cast<HWND>(Message.LParam) != Handle())
        FinishPress(false);
}

void TCustomExScrollBar::WMMouseMove(TMessage& Message)
{
    TGuardPtr<TCustomExScrollBar> self(this);
    TExXPThemedControl::Dispatch(Message);
    if (!self)
        return;
    const Integer x = Message.XPos(), y = Message.YPos();
    const TExScrollBarPart hot = GetHitTest(x, y);
    if (!self)
        return;
    const TExScrollBarPart wasHot = FHotPart;
    FHotPart = hot;
    if (!FPressing || FPressedPart != sbpThumb) {
        if (FPressing) {
            // Arrows and page areas repeat only while the cursor is on them.
            if (hot != FPressedPart)
                FTimer->SetEnabled(false);
            else if (wasHot != FPressedPart)
                FTimer->SetEnabled(true);
        }
        if (hot != wasHot)
            Invalidate();
        return;
    }
    if (hot != wasHot)
        Invalidate();

    const Integer c = Along(x, y);
    const Integer l = LengthOf();
    const Integer oldThumb = FThumbPos;
    const Integer oldTrack = TrackPosition();
    Integer p;
    if ((c < 0 && -Int64(c) > l / 2) || (c > l && Int64(c) - l > l / 2)) {
        // Far off the bar the thumb goes back to where it was taken.
        FThumbPos = FPressCoord - FGripOffset;
        p = TrackPosition();
        UpdateScrollingRegion();
        if (!self)
            return;
    } else {
        const Integer b = GetButtonSize();
        const Int64 lo = Int64(b) * GetTopBtns();
        const Int64 hi = std::max<Int64>(lo, Int64(l) - Int64(b) * GetBottomBtns() - GetThumbLength());
        FThumbPos = Integer(std::clamp<Int64>(Int64(c) - FGripOffset, lo, hi));
        p = TrackPosition();
        if (!NoScrollMessages && Parent() && Parent()->HandleAllocated()) {
            SendMessage(Parent()->Handle(), FKind == sbHorizontal ? WM_HSCROLL : WM_VSCROLL,
                        MAKEWPARAM(SB_THUMBPOSITION, p), reinterpret_cast<LPARAM>(Handle()));
            if (!self)
                return;
        }
        Integer track = p;
        bool doChange = true;
        TriggerScrollEvent(escTrack, track, doChange);
        if (!self)
            return;
        if (FThumbPos != oldThumb) {
            UpdateScrollingRegion();
            if (!self)
                return;
        }
    }
    // The hint is asked again only when there is something new to tell.
    if (FShowTrackHint && (FThumbPos != oldThumb || p != oldTrack || !FHintWindow)) {
        const TPoint at = HintPoint();
        ShowHintAt(p, at.X, at.Y);
    }
}

void TCustomExScrollBar::RepeatTick(TObject*)
{
    if (!FPressing || FPressedPart == sbpThumb || FPressedPart == sbpNowhere) {
        FTimer->SetEnabled(false);
        return;
    }
    const Integer pageStep = FPage != 0 ? FPage : 1;
    FTimer->SetInterval(Cardinal(GetKeybTimes(SPI_GETKEYBOARDSPEED)));
    POINT cursor{};
    GetCursorPos(&cursor);
    const TPoint at = ScreenToClient(TPoint{cursor.X, cursor.Y});
    TExScrollCode code;
    Integer pos;
    PartStep(FPressedPart, pageStep, code, pos);
    if (FPressedPart == sbpLeftTop || FPressedPart == sbpRightBottom) {
        // Paging stops once the thumb has reached the cursor.
        TGuardPtr<TCustomExScrollBar> self(this);
        const TExScrollBarPart under = GetHitTest(at.X, at.Y);
        if (!self)
            return;
        if (under != FPressedPart)
            pos = FPosition;
    }
    ProposeScroll(code, pos, false);
}

// ---------------------------------------------------------------- keys and wheel

void TCustomExScrollBar::WMGetDlgCode(TMessage& Message) { Message.Result = DLGC_WANTARROWS; }

void TCustomExScrollBar::KeyDown(Word& Key, TShiftState Shift)
{
    if (Shift & (ssShift | ssCtrl | ssAlt)) {
        TExXPThemedControl::KeyDown(Key, Shift);
        return;
    }
    const Int64 p = FPosition;
    TExScrollCode code;
    Integer pos;
    switch (Key) {
    case VK_PRIOR:
        code = escPageUp;
        pos = Clamp64(p - FPage, FMin, FMax);
        break;
    case VK_NEXT:
        code = escPageDown;
        pos = Clamp64(p + FPage, FMin, FMax);
        break;
    case VK_END:
        code = escBottom;
        pos = FMax;
        break;
    case VK_HOME:
        code = escTop;
        pos = FMin;
        break;
    case VK_LEFT:
    case VK_UP:
        code = escLineUp;
        pos = Clamp64(p - 1, FMin, FMax);
        break;
    case VK_RIGHT:
    case VK_DOWN:
        code = escLineDown;
        pos = Clamp64(p + 1, FMin, FMax);
        break;
    default: TExXPThemedControl::KeyDown(Key, Shift); return;
    }
    Key = 0;
    ProposeScroll(code, pos, true);
}

void TCustomExScrollBar::WMMouseWheel(TMessage& Message)
{
    TGuardPtr<TCustomExScrollBar> self(this);
    TExXPThemedControl::Dispatch(Message);
    if (!self)
        return;
    UINT lines = 3;
    SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    const Int64 steps = WheelSteps(GET_WHEEL_DELTA_WPARAM(Message.WParam), lines);
    for (Int64 i = 0; i < (steps < 0 ? -steps : steps); ++i) {
        const Integer proposed = Clamp64(Int64(FPosition) - (steps > 0 ? 1 : -1), INT_MIN, INT_MAX);
        Integer pos = proposed;
        bool doChange = true;
        TriggerScrollEvent(steps > 0 ? escLineUp : escLineDown, pos, doChange);
        if (!self)
            return;
        if (!doChange)
            break;
        SetPosition(pos);
        if (!self)
            return;
    }
    ProposeScroll(escEndScroll, FPosition, false);
}

// ---------------------------------------------------------------- focus and hover

void TCustomExScrollBar::CMMouseEnter(TMessage& Message)
{
    TGuardPtr<TCustomExScrollBar> self(this);
    TExXPThemedControl::Dispatch(Message);
    if (!self)
        return;
    FMouseInControl = true;
    if ((FFlat && !FActiveFlat) || IsThemeApplied())
        Invalidate();
}

void TCustomExScrollBar::CMMouseLeave(TMessage& Message)
{
    TGuardPtr<TCustomExScrollBar> self(this);
    TExXPThemedControl::Dispatch(Message);
    if (!self)
        return;
    FMouseInControl = false;
    const bool button = FHotPart == sbpLeftArrow || FHotPart == sbpRightArrow || FHotPart == sbpLeftSndArrow ||
                        FHotPart == sbpRightSndArrow;
    if ((FFlat && !FActiveFlat) || IsThemeApplied() || button)
        Invalidate();
    FHotPart = sbpNowhere;
}

void TCustomExScrollBar::CMEnter(TMessage& Message)
{
    TGuardPtr<TCustomExScrollBar> self(this);
    TExXPThemedControl::Dispatch(Message);
    if (self && ((FFlat && !FActiveFlat) || IsThemeApplied()))
        Invalidate();
}

void TCustomExScrollBar::CMExit(TMessage& Message)
{
    TGuardPtr<TCustomExScrollBar> self(this);
    TExXPThemedControl::Dispatch(Message);
    if (self && ((FFlat && !FActiveFlat) || IsThemeApplied()))
        Invalidate();
}

void TCustomExScrollBar::WMWindowPosChanged(TMessage& Message)
{
    TExXPThemedControl::Dispatch(Message);
    if (HandleAllocated())
        Perform(IFM_REPAINTCHILDREN, 0, 0);
}

void TCustomExScrollBar::IFMRepaintChildren(TMessage& Message)
{
    TExXPThemedControl::Dispatch(Message);
    Invalidate();
    for (int i = 0; i < ControlCount(); ++i)
        Controls(i)->Perform(Message.Msg, Message.WParam, Message.LParam);
}

// ---------------------------------------------------------------- track hint

TPoint TCustomExScrollBar::HintPoint() const
{
    return FKind == sbHorizontal ? TPoint{FThumbPos - 2, -5} : TPoint{-2, FThumbPos - 2};
}

void TCustomExScrollBar::ShowHintAt(Integer TrackPosition, Integer X, Integer Y)
{
    const TPoint p = ClientToScreen(TPoint{X, Y});
    TGuardPtr<TCustomExScrollBar> self(this);
    std::string hint;
    TriggerScrollHintNeededEvent(TrackPosition, hint);
    if (!self)
        return;
    if (!FHintWindow)
        FHintWindow = std::make_unique<TExHintWindow>(nullptr);
    FHintWindow->SetIsHTML(FIsHTML);
    // The hint's text comes in the bar's code page.
    FHintWindow->Font()->SetCharset(Font()->Charset());
    FHintWindow->Font()->SetColor(FHintTextColor);
    TRect r = FHintWindow->CalcHintRect(GetSystemMetrics(SM_CXSCREEN), hint, nullptr);
    const Integer w = r.Width(), h = r.Height();
    r = TRect{p.X - w - 1, p.Y - h - 1, p.X - 1, p.Y - 1};
    const Integer sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    if (r.Left < 0)
        OffsetRect(r, -r.Left, 0);
    if (r.Top < 0)
        OffsetRect(r, 0, -r.Top);
    if (r.Right > sw)
        OffsetRect(r, sw - r.Right, 0);
    if (r.Bottom > sh)
        OffsetRect(r, 0, sh - r.Bottom);
    FHintWindow->SetColor(FHintColor);
    FHintWindow->ActivateHint(r, hint);
}
