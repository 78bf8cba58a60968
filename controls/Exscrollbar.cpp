#include "controls/Exscrollbar.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "controls/Exhintwnd.h"
#include "ctlbase/Eximgfrm.h"
#include "ctlbase/Exuxtheme.h"
#include "ctlbase/Exvclutils.h"
#include "platform/ExtCtrls.h"
#include "platform/Guard.h"
#include "platform/ThemeSchema.h"
#include "platform/TypInfo.h"
#include "platform/Windows.h"

namespace {

// The least record size the scroll-information messages take: the whole record.
constexpr UINT ScrollInfoSize = 28;
static_assert(sizeof(SCROLLINFO) == ScrollInfoSize);

// __extension__ keeps a parent project's -Wpedantic quiet about the compiler's 128-bit type.
__extension__ typedef __int128 Int128;

// A x B / C rounded half away from zero, -1 when C is 0, as the system's MulDiv; wide enough for
// ranges that span the whole integer line.

Int64 MulDivL(Int64 A, Int64 B, Int64 C)
{
    if (C == 0)
        return -1;
    const Int128 p = static_cast<Int128>(A) * B;
    const Int128 half = (C < 0 ? -static_cast<Int128>(C) : static_cast<Int128>(C)) / 2;
    return static_cast<Int64>((p + (p >= 0 ? half : -half)) / C);
}

Integer ToInteger(Int64 V) { return static_cast<Integer>(std::clamp<Int64>(V, INT_MIN, INT_MAX)); }

// A system thickness or length along a bar of the kind.
Integer SystemSize(TScrollBarKind Kind, int Horizontal, int Vertical)
{
    return GetSystemMetrics(Kind == sbHorizontal ? Horizontal : Vertical);
}

}  // namespace

// ---------------------------------------------------------------- TCustomExScrollBar

TCustomExScrollBar::TCustomExScrollBar(TComponent* AOwner)
    : TExXPThemedControl(AOwner),
      FDither(std::make_unique<TBitmap>()),
      FImageFormLink(std::make_unique<TImgFormChangeLink>()),
      FTimer(std::make_unique<TTimer>(nullptr))
{
    FTimer->SetEnabled(false);
    FTimer->OnTimer = [this](TObject* Sender) { RepeatTick(Sender); };
    FDither->SetWidth(8);
    FDither->SetHeight(8);
    SetColor(clBtnFace);
    SetBounds(Left(), Top(), 121, GetSystemMetrics(SM_CYHSCROLL));
    // No automatic capture, click events or double clicks: a double click is a second press.
    ControlStyle = csFramed;
    SetTabStop(true);
    SetCtl3D(false);
    FButtonSize = GetSystemMetrics(SM_CXHSCROLL);
    FImageFormLink->OnChange = [this](TObject* Sender) { ImageFormChanged(Sender); };
    RebuildBackground();
}

TCustomExScrollBar::~TCustomExScrollBar() { SetImageForm(nullptr); }

std::u16string TCustomExScrollBar::GetThemedClassName() { return u"SCROLLBAR"; }

bool TCustomExScrollBar::IsLoading() const { return HasState(csLoading); }

void TCustomExScrollBar::RepaintBar()
{
    if (HandleAllocated() && !IsLoading())
        Invalidate();
}

// ---- Range, page and position

void TCustomExScrollBar::SetPosition(Integer Value)
{
    if (Value == FPosition)
        return;
    DoSetPosition(Value, HandleAllocated() && !IsLoading());
}

void TCustomExScrollBar::DoSetPosition(Integer Value, bool Redraw)
{
    const Integer old = FPosition;
    const bool oldLeft = LeftBtnsEnabled();
    const bool oldRight = RightBtnsEnabled();
    if (!IsLoading()) {
        FPosition = std::max(FMin, std::min(Value, FMax));
        UpdateThumb();
    } else {
        FPosition = Value;
    }
    if (FPosition == old)
        return;
    if (Redraw) {
        // The arrows are drawn again only when one of them turns usable or unusable.
        if (FNoDisableButtons || (oldLeft == LeftBtnsEnabled() && oldRight == RightBtnsEnabled())) {
            // The track is drawn at once, and an owner's drawing handler may free the bar.
            TGuardPtr<TCustomExScrollBar> self(this);
            UpdateScrollingRegion();
            if (!self)
                return;
        } else {
            Invalidate();
        }
    }
    Integer pos = FPosition;
    bool doChange = true;
    TriggerScrollEvent(escPosition, pos, doChange);
}

void TCustomExScrollBar::SetMax(Integer Value)
{
    if (Value != FMax)
        DoSetMax(Value, true);
}

void TCustomExScrollBar::DoSetMax(Integer Value, bool Redraw)
{
    FMax = Value;
    if (!IsLoading()) {
        if (FMin >= FMax)
            FMax = FMin;
        FPage = ToInteger(std::min<Int64>(FPage, Int64(FMax) - FMin + 1));
        UpdateThumb();
    }
    if (FPosition > FMax) {
        TGuardPtr<TCustomExScrollBar> self(this);
        SetPosition(FMax);
        if (!self)
            return;
    }
    if (Redraw)
        RepaintBar();
}

void TCustomExScrollBar::SetMin(Integer Value)
{
    if (Value != FMin)
        DoSetMin(Value, true);
}

void TCustomExScrollBar::DoSetMin(Integer Value, bool Redraw)
{
    FMin = Value;
    if (!IsLoading()) {
        if (FMin >= FMax)
            FMax = FMin;
        FPage = ToInteger(std::min<Int64>(FPage, Int64(FMax) - FMin + 1));
        UpdateThumb();
    }
    if (FPosition < FMin) {
        TGuardPtr<TCustomExScrollBar> self(this);
        SetPosition(FMin);
        if (!self)
            return;
    }
    if (Redraw)
        RepaintBar();
}

void TCustomExScrollBar::SetPage(Integer Value)
{
    if (Value != FPage)
        DoSetPage(Value, true);
}

void TCustomExScrollBar::DoSetPage(Integer Value, bool Redraw)
{
    if (Value < 0)
        return;
    FPage = Value;
    UpdateThumb();
    if (Redraw)
        RepaintBar();
}

void TCustomExScrollBar::SetKind(TScrollBarKind Value)
{
    if (Value == FKind)
        return;
    FKind = Value;
    if (!IsLoading())
        SetBounds(Left(), Top(), Height(), Width());
    if (!HandleAllocated())
        return;
    if (FUseSystemMetrics) {
        ApplySystemMetrics();
    } else {
        UpdateThumb();
        RepaintBar();
    }
}

// ---- Sizes

void TCustomExScrollBar::SetThumbMode(TExScrollThumbMode Value)
{
    if (Value == FThumbMode)
        return;
    FThumbMode = Value;
    if (Value == etmFixed && FUseSystemMetrics)
        FThumbSize = SystemSize(FKind, SM_CXHTHUMB, SM_CYVTHUMB);
    UpdateThumb();
    RepaintBar();
}

void TCustomExScrollBar::SetThumbSize(Integer Value)
{
    if (Value == FThumbSize || Value < 1)
        return;
    FThumbSize = Value;
    UpdateThumb();
    RepaintBar();
}

void TCustomExScrollBar::SetMinThumbSize(Integer Value)
{
    if (Value == FMinThumbSize || Value < 1)
        return;
    FMinThumbSize = Value;
    if (FThumbMode == etmAuto) {
        UpdateThumb();
        RepaintBar();
    }
}

void TCustomExScrollBar::SetButtonSize(Integer Value)
{
    if (Value == FButtonSize || Value < 1)
        return;
    if (HandleAllocated() && LengthOf() < 2 * Int64(Value))
        return;
    FButtonSize = Value;
    if (!IsLoading()) {
        UpdateThumb();
        RepaintBar();
    }
}

void TCustomExScrollBar::SetUseSystemMetrics(bool Value)
{
    if (Value == FUseSystemMetrics)
        return;
    FUseSystemMetrics = Value;
    if (IsLoading() || (Owner() && Owner()->HasState(csLoading)))
        return;
    if (Value) {
        ApplySystemMetrics();
    } else if (HandleAllocated()) {
        UpdateThumb();
        RepaintBar();
    }
}

void TCustomExScrollBar::ApplySystemMetrics()
{
    const bool horz = FKind == sbHorizontal;
    SIZE s{0, 0};
    if (IsThemeApplied() && GetThemePartSize(FTheme, nullptr, SBP_ARROWBTN, ABS_LEFTNORMAL, nullptr, TS_TRUE, &s) == S_OK) {
        FButtonSize = horz ? s.cx : s.cy;
        if (horz)
            SetHeight(s.cy);
        else
            SetWidth(s.cx);
    } else if (horz) {
        FButtonSize = GetSystemMetrics(SM_CXHSCROLL);
        SetHeight(GetSystemMetrics(SM_CYHSCROLL));
    } else {
        FButtonSize = GetSystemMetrics(SM_CYVSCROLL);
        SetWidth(GetSystemMetrics(SM_CXVSCROLL));
    }
    if (HandleAllocated()) {
        UpdateThumb();
        RepaintBar();
    }
}

// ---- Buttons

void TCustomExScrollBar::SetShowLeftArrows(bool Value)
{
    if (Value == FShowLeftArrows)
        return;
    FShowLeftArrows = Value;
    UpdateThumb();
    RepaintBar();
}

void TCustomExScrollBar::SetShowRightArrows(bool Value)
{
    if (Value == FShowRightArrows)
        return;
    FShowRightArrows = Value;
    UpdateThumb();
    RepaintBar();
}

void TCustomExScrollBar::SetSecondaryButtons(bool Value)
{
    if (Value == FSecondaryButtons)
        return;
    FSecondaryButtons = Value;
    UpdateThumb();
    RepaintBar();
}

void TCustomExScrollBar::SetSecondBtnKind(TExSecButtonsKind Value)
{
    if (Value == FSecondBtnKind)
        return;
    FSecondBtnKind = Value;
    if (FSecondaryButtons)
        RepaintBar();
}

// ---- Look: store and show

namespace {

template <class T>
bool Store(T& Field, T Value)
{
    if (Field == Value)
        return false;
    Field = Value;
    return true;
}

}  // namespace

void TCustomExScrollBar::SetNoDisableButtons(bool Value)
{
    if (Store(FNoDisableButtons, Value))
        Invalidate();
}

void TCustomExScrollBar::SetAltDisablingArrows(bool Value)
{
    if (Store(FAltDisablingArrows, Value))
        Invalidate();
}

void TCustomExScrollBar::SetFlat(bool Value)
{
    if (Store(FFlat, Value))
        RepaintBar();
}

void TCustomExScrollBar::SetActiveFlat(bool Value)
{
    if (Store(FActiveFlat, Value) && (FMouseInControl || Focused()))
        Invalidate();
}

void TCustomExScrollBar::SetChangeColorsOnScroll(bool Value)
{
    if (Store(FChangeColorsOnScroll, Value))
        Invalidate();
}

void TCustomExScrollBar::SetBlendBackground(bool Value)
{
    if (Store(FBlendBackground, Value) && HandleAllocated())
        Invalidate();
}

void TCustomExScrollBar::SetSysBkColor(bool Value)
{
    if (Store(FSystemBkColor, Value))
        Invalidate();
}

void TCustomExScrollBar::SetDrawFrames(bool Value)
{
    if (!Store(FDrawFrames, Value))
        return;
    if (!Value)
        FDrawArrowFrames = false;
    Invalidate();
}

void TCustomExScrollBar::SetDrawArrowFrames(bool Value)
{
    if (Store(FDrawArrowFrames, Value))
        Invalidate();
}

void TCustomExScrollBar::SetThinFrames(bool Value)
{
    if (Store(FThinFrames, Value))
        Invalidate();
}

void TCustomExScrollBar::SetDrawBars(bool Value)
{
    if (Store(FDrawBars, Value))
        Invalidate();
}

void TCustomExScrollBar::SetBarOffset(Cardinal Value)
{
    if (Store(FBarOffset, Value))
        Invalidate();
}

void TCustomExScrollBar::SetBarColor(TColor Value)
{
    if (Store(FBarColor, Value))
        Invalidate();
}

void TCustomExScrollBar::SetArrowColor(TColor Value)
{
    if (Store(FArrowColor, Value))
        Invalidate();
}

void TCustomExScrollBar::SetArrowHotTrackColor(TColor Value)
{
    if (Store(FArrowHotTrackColor, Value))
        Invalidate();
}

void TCustomExScrollBar::SetNoSunkenThumb(bool Value)
{
    if (Store(FNoSunkenThumb, Value) && FPressedPart == sbpThumb)
        Invalidate();
}

void TCustomExScrollBar::SetOwnerDraw(bool Value)
{
    if (Store(FOwnerDraw, Value))
        Invalidate();
}

void TCustomExScrollBar::SetImageForm(TCustomExImageForm* Value)
{
    if (Value == FImageForm)
        return;
    if (FImageForm) {
        FImageForm->UnregisterChanges(FImageFormLink.get());
        FImageForm->RemoveFreeNotification(this);
    }
    FImageForm = Value;
    if (Value) {
        Value->RegisterChanges(FImageFormLink.get());
        Value->FreeNotification(this);
    }
    Invalidate();
}

void TCustomExScrollBar::ImageFormChanged(TObject*) { Invalidate(); }

void TCustomExScrollBar::Notification(TComponent* AComponent, TOperation Operation)
{
    TExXPThemedControl::Notification(AComponent, Operation);
    // The image form is half gone by now: it has dropped its links itself.
    if (Operation == opRemove && FImageForm && AComponent == FImageForm) {
        FImageForm = nullptr;
        Invalidate();
    }
}

// ---- Colours of the track

TColor TCustomExScrollBar::LighterColor() const
{
    if (Color() == clBtnFace)
        return clBtnHighlight;
    const Integer hls = RGBtoHLS(TColor(ColorToRGB(Color())));
    const Integer l = (hls >> 8) & 0xFF;
    return HLStoRGB((hls & ~0xFF00) | (std::min(255, l + l / 4) << 8));
}

TColor TCustomExScrollBar::ShadowColor() const
{
    if (Color() == clBtnFace)
        return clBtnShadow;
    const Integer hls = RGBtoHLS(TColor(ColorToRGB(Color())));
    const Integer l = (hls >> 8) & 0xFF;
    return HLStoRGB((hls & ~0xFF00) | (std::min(255, l - l / 4) << 8));
}

void TCustomExScrollBar::RebuildBackground()
{
    const TColor light = TColor(ColorToRGB(LighterColor()));
    const TColor face = TColor(ColorToRGB(Color()));
    TCanvas* c = FDither->Canvas();
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            c->SetPixel(x, y, (x + y) % 2 == 0 ? light : face);
}

void TCustomExScrollBar::CMColorChanged(TMessage& Message)
{
    TExXPThemedControl::Dispatch(Message);
    // Also without blending: the pattern fills the track under the system colours too, and a
    // pattern left from an older colour would show once blending is switched on.
    RebuildBackground();
    Invalidate();
}

void TCustomExScrollBar::WMSysColorChange(TMessage& Message)
{
    TExXPThemedControl::Dispatch(Message);
    RebuildBackground();
}

// ---- Life

void TCustomExScrollBar::Loaded()
{
    TExXPThemedControl::Loaded();
    if (FMin >= FMax)
        FMax = FMin;
    FPage = ToInteger(std::min<Int64>(FPage, Int64(FMax) - FMin + 1));
    FPosition = std::max(FMin, std::min(FPosition, FMax));
    if (FUseSystemMetrics)
        ApplySystemMetrics();
    UpdateThumb();
    RepaintBar();
}

void TCustomExScrollBar::CreateWnd()
{
    TExXPThemedControl::CreateWnd();
    UpdateThumb();
}

void TCustomExScrollBar::Resize()
{
    if (HandleAllocated()) {
        UpdateThumb();
        Invalidate();
    }
    TriggerResizeEvent();
}

// ---- Events

void TCustomExScrollBar::TriggerChangeEvent()
{
    if (OnChange)
        OnChange(this);
}

void TCustomExScrollBar::TriggerScrollEvent(TExScrollCode ScrollCode, Integer& ScrollPos, bool& DoChange)
{
    if (OnScroll)
        OnScroll(this, ScrollCode, ScrollPos, DoChange);
}

void TCustomExScrollBar::TriggerScrollHintNeededEvent(Integer TrackPosition, std::string& Hint)
{
    if (OnScrollHintNeeded)
        OnScrollHintNeeded(this, TrackPosition, Hint);
}

void TCustomExScrollBar::TriggerResizeEvent()
{
    if (OnResize)
        OnResize(this);
}

void TCustomExScrollBar::TriggerHitTestEvent(Integer X, Integer Y, TExScrollBarPart& Part, bool& DefaultTest)
{
    if (OnHitTest)
        OnHitTest(this, X, Y, Part, DefaultTest);
}

// ---- Geometry

Integer TCustomExScrollBar::LengthOf() const
{
    const TRect r = const_cast<TCustomExScrollBar*>(this)->ClientRect();
    return FKind == sbHorizontal ? r.Width() : r.Height();
}

Integer TCustomExScrollBar::GetBarLength() { return LengthOf(); }

Integer TCustomExScrollBar::GetTopBtns() const { return FShowLeftArrows ? (FSecondaryButtons ? 2 : 1) : 0; }

Integer TCustomExScrollBar::GetBottomBtns() const { return FShowRightArrows ? (FSecondaryButtons ? 2 : 1) : 0; }

Integer TCustomExScrollBar::GetButtonSize() const
{
    const Integer base = FUseSystemMetrics ? SystemSize(FKind, SM_CXHSCROLL, SM_CYVSCROLL) : FButtonSize;
    const Integer n = GetTopBtns() + GetBottomBtns();
    const Integer l = LengthOf();
    if (Int64(n) * base > l)
        return l / n;
    return base;
}

Integer TCustomExScrollBar::GetThumbSize() const
{
    if (FUseSystemMetrics && FThumbMode == etmFixed)
        return SystemSize(FKind, SM_CXHTHUMB, SM_CYVTHUMB);
    return FThumbSize;
}

Integer TCustomExScrollBar::GetAutoThumbSize() const
{
    const Int64 w = LengthOf() - Int64(GetButtonSize()) * (GetTopBtns() + GetBottomBtns());
    const Int64 range = Int64(FMax) - FMin + 1;
    Int64 t;
    if (FPage == 0)
        t = Int64(FMin) + 1 <= FMax ? SystemSize(FKind, SM_CXHTHUMB, SM_CYVTHUMB) : w;
    else if (Int64(FMin) + 1 > FMax || Int64(FMax) - FMin < FPage)
        t = w;
    else
        t = MulDivL(std::min<Int64>(FPage, range), w, range);
    if (t < FMinThumbSize)
        t = FMinThumbSize;
    if (t > w)
        t = 0;
    return Integer(t);
}

Integer TCustomExScrollBar::GetThumbLength() const
{
    if (FThumbMode == etmAuto)
        return GetAutoThumbSize();
    // A fixed thumb longer than the track would cover the buttons: the bar shows none then.
    const Int64 w = LengthOf() - Int64(GetButtonSize()) * (GetTopBtns() + GetBottomBtns());
    const Integer t = GetThumbSize();
    return t > w ? 0 : t;
}

Integer TCustomExScrollBar::AdjustThumbPos() const
{
    const Int64 b = GetButtonSize();
    const Int64 top = b * GetTopBtns();
    const Int64 l = LengthOf();
    const Int64 t = GetThumbLength();
    const Int64 buttons = b * (GetTopBtns() + GetBottomBtns());
    if (buttons + t >= l || FMin > FMax)
        return Integer(top);
    const Int64 range = Int64(FMax) - FMin + 1;
    const Int64 p = std::min<Int64>(FPage, range);
    const Int64 a = std::min<Int64>(Int64(FPosition) - FMin, range - FPage);
    const Int64 f = l - buttons - t;
    return Integer(std::max<Int64>(0, MulDivL(f, a, range - p)) + top);
}

Integer TCustomExScrollBar::UpdateThumbPos() const
{
    const Int64 b = GetButtonSize();
    const Int64 f = LengthOf() - b * (GetTopBtns() + GetBottomBtns()) - GetThumbLength();
    // A thumb that fills the track cannot stand for any position but the first.
    if (f <= 0)
        return FMin;
    const Int64 range = Int64(FMax) - FMin + 1;
    return ToInteger(FMin + MulDivL(FThumbPos - b * GetTopBtns(), range - std::min<Int64>(FPage, range), f));
}

Integer TCustomExScrollBar::TrackPosition() const
{
    // A thumb at the very end of a bar without a page stands for one past the last position.
    return std::clamp(UpdateThumbPos(), FMin, std::max(FMin, FMax));
}

bool TCustomExScrollBar::LeftBtnsEnabled() const { return FPosition > FMin && Int64(FMax) - FMin >= FPage; }

bool TCustomExScrollBar::RightBtnsEnabled() const
{
    const bool before = FAltDisablingArrows ? Int64(FPosition) < Int64(FMax) - FPage + 1 : FPosition < FMax;
    return before && Int64(FMax) - FMin >= FPage;
}

TExScrollBarPart TCustomExScrollBar::PartAlong(Integer C) const
{
    const Int64 b = GetButtonSize();
    const Int64 l = LengthOf();
    const Int64 c = C;
    if (FShowLeftArrows && c >= 0 && c <= b)
        return sbpLeftArrow;
    if (FShowRightArrows && l - c < b)
        return sbpRightArrow;
    if (FSecondaryButtons) {
        if (FShowLeftArrows && c >= b && c <= 2 * b)
            return sbpLeftSndArrow;
        if (FShowRightArrows && c >= l - 2 * b && c <= l - b)
            return sbpRightSndArrow;
    }
    if (c < FThumbPos)
        return sbpLeftTop;
    if (c < Int64(FThumbPos) + GetThumbLength())
        return sbpThumb;
    return sbpRightBottom;
}

TExScrollBarPart TCustomExScrollBar::GetHitTest(Integer X, Integer Y)
{
    TExScrollBarPart part = sbpNowhere;
    bool defaultTest = true;
    // The caller tells by its own guard whether the handler freed the bar.
    TGuardPtr<TCustomExScrollBar> self(this);
    TriggerHitTestEvent(X, Y, part, defaultTest);
    if (!self)
        return sbpNowhere;
    if (!defaultTest)
        return part;
    const bool horz = FKind == sbHorizontal;
    const Integer across = horz ? Y : X;
    const Integer thickness = horz ? ClientHeight() : ClientWidth();
    // One past the last pixel across still counts as on the bar.
    if (across < 0 || across > thickness)
        return sbpNowhere;
    return PartAlong(horz ? X : Y);
}

TRect TCustomExScrollBar::GetPartRect(TExScrollBarPart Part)
{
    const Integer b = GetButtonSize();
    const Integer l = LengthOf();
    const Integer start = b * GetTopBtns();
    const Integer end = l - b * GetBottomBtns();
    const Integer t = GetThumbLength();
    Integer from = 0, to = 0;
    switch (Part) {
    case sbpLeftArrow:
        if (FShowLeftArrows)
            to = b;
        break;
    case sbpLeftSndArrow:
        if (FShowLeftArrows && FSecondaryButtons) {
            from = b;
            to = 2 * b;
        }
        break;
    case sbpRightArrow:
        if (FShowRightArrows) {
            from = l - b;
            to = l;
        }
        break;
    case sbpRightSndArrow:
        if (FShowRightArrows && FSecondaryButtons) {
            from = l - 2 * b;
            to = l - b;
        }
        break;
    case sbpThumb:
        if (t > 0) {
            from = FThumbPos;
            to = FThumbPos + t;
        }
        break;
    case sbpLeftTop:
        from = start;
        to = std::max(start, FThumbPos);
        break;
    case sbpRightBottom:
        from = std::min(end, FThumbPos + t);
        to = end;
        break;
    case sbpNowhere: break;
    }
    if (from >= to)
        return TRect{};
    if (FKind == sbHorizontal)
        return TRect{from, 0, to, ClientHeight()};
    return TRect{0, from, ClientWidth(), to};
}

TRect TCustomExScrollBar::GetTrackRect()
{
    const Integer b = GetButtonSize();
    const Integer from = b * GetTopBtns();
    const Integer to = LengthOf() - b * GetBottomBtns();
    if (FKind == sbHorizontal)
        return TRect{from, 0, to, ClientHeight()};
    return TRect{0, from, ClientWidth(), to};
}

void TCustomExScrollBar::UpdateScrollingRegion()
{
    if (!HandleAllocated())
        return;
    const TRect r = GetTrackRect();
    InvalidateRect(Handle(), &r, FALSE);
    UpdateWindow(Handle());
}

// ---- Scroll information

Integer TCustomExScrollBar::SetScrollInfo(const SCROLLINFO& Info, bool Redraw)
{
    if (Info.cbSize < ScrollInfoSize)
        return FPosition;
    // A page beyond the integers would read back negative; no range is longer anyway.
    const Integer page = Integer(std::min<UINT>(Info.nPage, INT_MAX));
    const bool withPage = (Info.fMask & SIF_PAGE) != 0;
    bool taken = withPage;
    if (Info.fMask & SIF_RANGE) {
        if (Info.nMin > Info.nMax)
            return FPosition;
        taken = (Info.fMask & SIF_POS) || (FPosition >= Info.nMin && FPosition <= Info.nMax);
        if (taken) {
            if (Info.fMask & SIF_POS)
                FPosition = std::clamp(Info.nPos, Info.nMin, Info.nMax);
            FMin = Info.nMin;
            FMax = Info.nMax;
        }
    } else if (Info.fMask & SIF_POS) {
        taken = Info.nPos >= FMin && Info.nPos <= FMax;
        if (taken)
            FPosition = Info.nPos;
    }
    if (!taken)
        return FPosition;
    if (withPage)
        FPage = page;
    UpdateThumb();
    if (Redraw)
        Invalidate();
    return FPosition;
}

bool TCustomExScrollBar::GetScrollInfo(SCROLLINFO& Info)
{
    if (Info.cbSize < ScrollInfoSize)
        return false;
    if (Info.fMask & SIF_PAGE)
        Info.nPage = UINT(FPage);
    if (Info.fMask & SIF_POS)
        Info.nPos = FPosition;
    if (Info.fMask & SIF_TRACKPOS)
        Info.nTrackPos = TrackPosition();
    if (Info.fMask & SIF_RANGE) {
        Info.nMin = FMin;
        Info.nMax = FMax;
    }
    return true;
}

void TCustomExScrollBar::SBMSetScrollInfo(TMessage& Message)
{
    const auto* info = reinterpret_cast<const SCROLLINFO*>(Message.LParam);
    Message.Result = info ? SetScrollInfo(*info, Message.WParam != 0) : FPosition;
}

void TCustomExScrollBar::SBMGetScrollInfo(TMessage& Message)
{
    auto* info = reinterpret_cast<SCROLLINFO*>(Message.LParam);
    Message.Result = info && GetScrollInfo(*info) ? 1 : 0;
}

Integer TCustomExScrollBar::WheelSteps(Integer WheelDelta, UINT LinesPerNotch) const
{
    if (LinesPerNotch == WHEEL_PAGESCROLL)
        return ToInteger(Int64(WheelDelta) * std::max(FPage, 1) / WHEEL_DELTA);
    // More lines than a notch has units would make the notch 0 units long.
    const UINT lines = std::clamp<UINT>(LinesPerNotch, 1, WHEEL_DELTA);
    return WheelDelta / Integer(WHEEL_DELTA / lines);
}

// ---------------------------------------------------------------- TExScrollBarStyles

namespace {
// Forms find the bag by its class name.
[[maybe_unused]] const TClassInfo* const StylesClassInfo = TExScrollBarStyles::Info();
}  // namespace

TExScrollBarStyles::TExScrollBarStyles(TCustomExScrollBar* AControl) : FScrollBar(AControl)
{
    if (!AControl)
        throw Exception("No scrollbar specified when attempting to create TExScrollBarStyles instance");
    SetUseSystemMetrics(true);
}

const TClassInfo* TExScrollBarStyles::Info()
{
    using S = TExScrollBarStyles;
    static const TClassInfo* info =
        TPublish<S>("TExScrollBarStyles", nullptr)
            .Ordinal("ActiveFlat", tkEnumeration, &S::ActiveFlat, &S::SetActiveFlat)
            .Ordinal("BlendBackground", tkEnumeration, &S::BlendBackground, &S::SetBlendBackground)
            .Ordinal("Color", tkInteger, &S::Color, &S::SetColor)
            .Ordinal("Flat", tkEnumeration, &S::Flat, &S::SetFlat)
            .Ordinal("MinThumbSize", tkInteger, &S::MinThumbSize, &S::SetMinThumbSize)
            .Ordinal("NoDisableButtons", tkEnumeration, &S::NoDisableButtons, &S::SetNoDisableButtons)
            .Ordinal("NoSunkenThumb", tkEnumeration, &S::NoSunkenThumb, &S::SetNoSunkenThumb)
            .Ordinal("OwnerDraw", tkEnumeration, &S::OwnerDraw, &S::SetOwnerDraw)
            .Ordinal("SecondaryButtons", tkEnumeration, &S::SecondaryButtons, &S::SetSecondaryButtons)
            .Ordinal("SecondBtnKind", tkEnumeration, &S::SecondBtnKind, &S::SetSecondBtnKind)
            .Ordinal("ShowLeftArrows", tkEnumeration, &S::ShowLeftArrows, &S::SetShowLeftArrows)
            .Ordinal("ShowRightArrows", tkEnumeration, &S::ShowRightArrows, &S::SetShowRightArrows)
            .Ordinal("ShowTrackHint", tkEnumeration, &S::ShowTrackHint, &S::SetShowTrackHint)
            .Ordinal("ThumbMode", tkEnumeration, &S::ThumbMode, &S::SetThumbMode)
            .Ordinal("ThumbSize", tkInteger, &S::ThumbSize, &S::SetThumbSize)
            .Ordinal("Width", tkInteger, &S::Width, &S::SetWidth)
            .Ordinal("ButtonSize", tkInteger, &S::ButtonSize, &S::SetButtonSize)
            .Ordinal("UseSystemMetrics", tkEnumeration, &S::UseSystemMetrics, &S::SetUseSystemMetrics)
            .Ordinal("ArrowColor", tkInteger, &S::ArrowColor, &S::SetArrowColor)
            .Ordinal("ArrowHotTrackColor", tkInteger, &S::ArrowHotTrackColor, &S::SetArrowHotTrackColor)
            .Other("OnChange", tkMethod)
            .Ordinal("DrawFrames", tkEnumeration, &S::DrawFrames, &S::SetDrawFrames)
            .Ordinal("DrawArrowFrames", tkEnumeration, &S::DrawArrowFrames, &S::SetDrawArrowFrames)
            .Ordinal("DrawBars", tkEnumeration, &S::DrawBars, &S::SetDrawBars)
            .Ordinal("BarOffset", tkInteger, &S::BarOffset, &S::SetBarOffset)
            .Ordinal("BarColor", tkInteger, &S::BarColor, &S::SetBarColor)
            .Ordinal("ThinFrames", tkEnumeration, &S::ThinFrames, &S::SetThinFrames)
            .Ordinal("HintColor", tkInteger, &S::HintColor, &S::SetHintColor)
            .Ordinal("HintTextColor", tkInteger, &S::HintTextColor, &S::SetHintTextColor)
            .Ordinal("SystemBkColor", tkEnumeration, &S::SystemBkColor, &S::SetSystemBkColor)
            .Object("ImageForm", [](S& Styles) -> TObject* { return Styles.ImageForm(); })
            .Ordinal("UseXPThemes", tkEnumeration, &S::UseXPThemes, &S::SetUseXPThemes)
            .Register();
    return info;
}

void TExScrollBarStyles::Changed()
{
    if (OnChange)
        OnChange(this);
}

void TExScrollBarStyles::SetUseSystemMetrics(bool Value)
{
    const Integer waiting = std::exchange(FWaitingWidth, -1);
    if (Value == FScrollBar->UseSystemMetrics())
        return;
    FScrollBar->SetUseSystemMetrics(Value);
    if (!Value && waiting >= 0)
        SetThickness(waiting);
    Changed();
}

Integer TExScrollBarStyles::Width() const
{
    return FScrollBar->Kind() == sbVertical ? FScrollBar->Width() : FScrollBar->Height();
}

void TExScrollBarStyles::SetWidth(Integer Value)
{
    if (FScrollBar->UseSystemMetrics()) {
        // The system's thickness wins; switching off and on again applies it (and tells twice).
        // A stored bag gives Width before UseSystemMetrics: the value waits for the switch that
        // turns the system's sizes off, or is forgotten by the next one.
        TGuardPtr<TExScrollBarStyles> self(this);
        FWaitingWidth = -1;
        SetUseSystemMetrics(false);
        if (self)
            SetUseSystemMetrics(true);
        if (self)
            FWaitingWidth = Value;
        return;
    }
    SetThickness(Value);
    Changed();
}

void TExScrollBarStyles::SetThickness(Integer Value)
{
    if (FScrollBar->Kind() == sbVertical)
        FScrollBar->SetWidth(Value);
    else
        FScrollBar->SetHeight(Value);
}

void TExScrollBarStyles::Assign(TPersistent* Source)
{
    auto* s = dynamic_cast<TExScrollBarStyles*>(Source);
    if (!s) {
        TPersistent::Assign(Source);
        return;
    }
    SetActiveFlat(s->ActiveFlat());
    SetBlendBackground(s->BlendBackground());
    SetColor(s->Color());
    SetFlat(s->Flat());
    SetMinThumbSize(s->MinThumbSize());
    SetOwnerDraw(s->OwnerDraw());
    SetSecondaryButtons(s->SecondaryButtons());
    SetSecondBtnKind(s->SecondBtnKind());
    SetShowTrackHint(s->ShowTrackHint());
    SetThumbMode(s->ThumbMode());
    SetThumbSize(s->ThumbSize());
}
