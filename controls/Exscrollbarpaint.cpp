// How the scroll bar draws itself: arrows, secondary buttons, the two page areas and the thumb, in
// the themed, flat or three-dimensional look, or by the owner through OnDrawPart; always through an
// off-screen bitmap.
#include <algorithm>

#include "controls/Exscrollbar.h"
#include "ctlbase/Eximgfrm.h"
#include "ctlbase/Exuxtheme.h"
#include "ctlbase/Exvclutils.h"
#include "platform/Guard.h"
#include "platform/ThemeSchema.h"
#include "platform/Windows.h"

namespace {

// Theme states come in fours: normal, hot, pressed, disabled.
int FourState(int Normal, bool Usable, bool Pressed, bool Hot)
{
    if (!Usable)
        return Normal + 3;
    if (Pressed)
        return Normal + 2;
    if (Hot)
        return Normal + 1;
    return Normal;
}

// The first (normal) state of an arrow button pointing that way.
int ArrowStates(TExArrowDir Dir)
{
    switch (Dir) {
    case eadLeft: return ABS_LEFTNORMAL;
    case eadRight: return ABS_RIGHTNORMAL;
    case eadUp: return ABS_UPNORMAL;
    case eadDown: return ABS_DOWNNORMAL;
    }
    return ABS_UPNORMAL;
}

TRect Shifted(const TRect& R, bool Horizontal, Integer By)
{
    TRect r = R;
    OffsetRect(r, Horizontal ? By : 0, Horizontal ? 0 : By);
    return r;
}

}  // namespace

// ---------------------------------------------------------------- paint cycle

void TCustomExScrollBar::WMEraseBkgnd(TMessage& Message) { Message.Result = 1; }

void TCustomExScrollBar::WMPaint(TMessage& Message)
{
    if (Message.WParam) {
        TExXPThemedControl::Dispatch(Message);
        return;
    }
    const TRect client = ClientRect();
    // Let go even when a drawing handler raises.
    PAINTSTRUCT ps;
    const TPaintEnd end{Handle(), ps};
    HDC dc = BeginPaint(end.Wnd, &ps);
    TRect clip;
    GetClipBox(dc, &clip);
    if (IsRectEmpty(clip))
        clip = client;
    const TMemoryDC buffer(dc, std::max(client.Width(), 1), std::max(client.Height(), 1));
    HDC mem = buffer.DC();
    // Only what is copied out is drawn: a moving thumb redraws the track alone.
    IntersectClipRect(mem, clip.Left, clip.Top, clip.Right, clip.Bottom);
    // Themed parts have soft corners: what shows through them is the bar's face, not a blank bitmap.
    HBRUSH face = CreateSolidBrush(ColorToRGB(Color()));
    FillRect(mem, &clip, face);
    DeleteObject(face);
    TGuardPtr<TCustomExScrollBar> self(this);
    Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(mem), reinterpret_cast<LPARAM>(mem));
    Perform(WM_PAINT, reinterpret_cast<WPARAM>(mem), 0);
    if (self)
        BitBlt(dc, clip.Left, clip.Top, clip.Width(), clip.Height(), mem, clip.Left, clip.Top, SRCCOPY);
}

// ---------------------------------------------------------------- what each part looks like

bool TCustomExScrollBar::PartPressed(TExScrollBarPart Part) const
{
    if (Part == sbpThumb)
        return FPressedPart == sbpThumb;
    return FPressedPart == Part && FHotPart == FPressedPart;
}

bool TCustomExScrollBar::PartHot(TExScrollBarPart Part) const
{
    return !FPressing && FMouseInControl && FHotPart == Part;
}

bool TCustomExScrollBar::UsableLook(TExScrollBarPart Part) const
{
    if (FNoDisableButtons)
        return true;
    switch (Part) {
    case sbpLeftArrow: return LeftBtnsEnabled();
    case sbpRightArrow: return RightBtnsEnabled();
    case sbpLeftSndArrow:
        return FSecondBtnKind == sbkCustom || (FSecondBtnKind == sbkPage ? LeftBtnsEnabled() : RightBtnsEnabled());
    case sbpRightSndArrow:
        return FSecondBtnKind == sbkCustom || (FSecondBtnKind == sbkPage ? RightBtnsEnabled() : LeftBtnsEnabled());
    default: return false;
    }
}

bool TCustomExScrollBar::ButtonRaised(TExScrollBarPart Part) const
{
    return !FFlat || (!FPressing && FMouseInControl && !FActiveFlat && FHotPart == Part && UsableLook(Part));
}

bool TCustomExScrollBar::ThumbRaised()
{
    if (!FFlat || (Focused() && !FActiveFlat))
        return true;
    return FMouseInControl && !FActiveFlat && FHotPart == sbpThumb && Int64(FMax) >= Int64(FMin) + 1 &&
           Int64(FMax) - FMin > FPage;
}

bool TCustomExScrollBar::TriggerDrawPartEvent(const TRect& R, TExScrollBarPart Part, bool Enabled, bool Focused,
                                              bool Pressed)
{
    bool defaultDraw = true;
    if (FOwnerDraw && OnDrawPart)
        OnDrawPart(this, Canvas(), R, Part, Enabled, Focused, Pressed, defaultDraw);
    return defaultDraw;
}

// ---------------------------------------------------------------- the whole bar

void TCustomExScrollBar::Paint()
{
    TCanvas* c = Canvas();
    const TRect clip = c->ClipRect();
    c->Brush()->SetColor(Color());
    FImageFormPainted = false;
    if (FImageForm && !FImageForm->HasState(csDesigning)) {
        FImageFormPainted = true;
        c->Brush()->SetStyle(bsClear);
        TWinControl* real = FImageForm->GetRealControl();
        if (real && real != this) {
            TRect wr;
            GetWindowRect(Handle(), &wr);
            const TPoint origin = real->ScreenToClient(wr.TopLeft());
            FImageForm->PaintBkgnd(c->Handle(), ClientRect(), origin, false);
        }
    } else {
        c->Brush()->SetStyle(bsSolid);
    }

    const bool horz = FKind == sbHorizontal;
    const TRect client = ClientRect();
    const Integer b = GetButtonSize();
    const Integer l = LengthOf();
    auto span = [&](Integer From, Integer To) {
        return horz ? TRect{From, client.Top, To, client.Bottom} : TRect{client.Left, From, client.Right, To};
    };
    if (FShowLeftArrows && !PaintArrowButton(sbpLeftArrow, span(0, b), clip))
        return;
    if (FShowRightArrows && !PaintArrowButton(sbpRightArrow, span(l - b, l), clip))
        return;
    if (FSecondaryButtons) {
        if (FShowLeftArrows && !PaintSecondaryButton(sbpLeftSndArrow, span(b, 2 * b), clip))
            return;
        if (FShowRightArrows && !PaintSecondaryButton(sbpRightSndArrow, span(l - 2 * b, l - b), clip))
            return;
    }

    const Integer start = b * GetTopBtns();
    const Integer end = l - b * GetBottomBtns();
    const Integer t = GetThumbLength();
    if (t > 0 && Enabled()) {
        if (!PaintPageArea(sbpLeftTop, span(start, FThumbPos)))
            return;
        if (!PaintThumb(span(FThumbPos, FThumbPos + t)))
            return;
        PaintPageArea(sbpRightBottom, span(FThumbPos + t, end));
        return;
    }
    // No thumb: the track is one piece.
    const TRect track = span(start, end);
    if (!TriggerDrawPartEvent(track, sbpNowhere, Enabled(), Focused(), false))
        return;
    if (IsThemeApplied()) {
        DrawThemeBackground(FTheme, c->Handle(), horz ? SBP_LOWERTRACKHORZ : SBP_LOWERTRACKVERT, SCRBS_DISABLED,
                            &track, nullptr);
    } else if (horz) {
        if (!FImageFormPainted)
            c->FillRect(track);
    } else {
        PaintBackground(track);
    }
}

// ---------------------------------------------------------------- buttons

bool TCustomExScrollBar::PaintArrowButton(TExScrollBarPart Part, const TRect& R, const TRect& Clip)
{
    const bool horz = FKind == sbHorizontal;
    const bool left = Part == sbpLeftArrow;
    const TExArrowDir dir = left ? (horz ? eadLeft : eadUp) : (horz ? eadRight : eadDown);
    const bool usable = UsableLook(Part);
    const bool pressed = PartPressed(Part);
    TCanvas* c = Canvas();
    if (IsThemeApplied()) {
        const int state = FourState(ArrowStates(dir), usable && Enabled(), pressed, PartHot(Part));
        DrawThemeBackground(FTheme, c->Handle(), SBP_ARROWBTN, state, &R, &Clip);
        return true;
    }
    PaintButtonFace(R, Clip);
    const bool raised = ButtonRaised(Part);
    TGuardPtr<TCustomExScrollBar> self(this);
    const bool enabled = left ? LeftBtnsEnabled() : RightBtnsEnabled();
    const bool drawn = TriggerDrawPartEvent(R, Part, enabled, raised, pressed);
    if (!self)
        return false;
    if (!drawn)
        return true;
    if (FDrawArrowFrames)
        DrawButtonFrameEx(c->Handle(), R, raised, pressed, Color(), FThinFrames);
    DrawArrow(c, dir, R, FHotPart == Part ? FArrowHotTrackColor : FArrowColor, usable);
    return true;
}

bool TCustomExScrollBar::PaintSecondaryButton(TExScrollBarPart Part, const TRect& R, const TRect& Clip)
{
    const bool horz = FKind == sbHorizontal;
    const bool left = Part == sbpLeftSndArrow;
    // The arrow beside it points toward its own end.
    const TExArrowDir outward = left ? (horz ? eadLeft : eadUp) : (horz ? eadRight : eadDown);
    const TExArrowDir inward = left ? (horz ? eadRight : eadDown) : (horz ? eadLeft : eadUp);
    const bool usable = UsableLook(Part);
    const bool pressed = PartPressed(Part);
    const bool hot = PartHot(Part);
    TCanvas* c = Canvas();
    const bool themed = IsThemeApplied();
    if (themed && horz && FSecondBtnKind == sbkOpposite) {
        const int state = FourState(ArrowStates(inward), usable && Enabled(), pressed, hot);
        DrawThemeBackground(FTheme, c->Handle(), SBP_ARROWBTN, state, &R, &Clip);
        return true;
    }
    PaintButtonFace(R, Clip);
    const bool raised = ButtonRaised(Part);
    TGuardPtr<TCustomExScrollBar> self(this);
    const bool drawn = TriggerDrawPartEvent(R, Part, usable, raised, pressed);
    if (!self)
        return false;
    if (!drawn)
        return true;
    if (themed) {
        const int state = FourState(SCRBS_NORMAL, usable && Enabled(), pressed, hot);
        DrawThemeBackground(FTheme, c->Handle(), SBP_THUMBBTNHORZ, state, &R, nullptr);
    } else if (FDrawArrowFrames) {
        DrawButtonFrameEx(c->Handle(), R, raised, pressed, Color(), FThinFrames);
    }
    const TColor colour = FHotPart == Part ? FArrowHotTrackColor : FArrowColor;
    if (FSecondBtnKind == sbkPage) {
        // Two arrows 3 pixels apart, pointing the way of the page.
        const bool backward = outward == eadLeft || outward == eadUp;
        DrawArrow(c, outward, Shifted(R, horz, backward ? 1 : 2), colour, usable);
        DrawArrow(c, outward, Shifted(R, horz, backward ? -2 : -1), colour, usable);
    } else {
        DrawArrow(c, inward, R, colour, usable);
    }
    return true;
}

// ---------------------------------------------------------------- track and thumb

bool TCustomExScrollBar::PaintPageArea(TExScrollBarPart Part, const TRect& R)
{
    const bool pressed = PartPressed(Part);
    TGuardPtr<TCustomExScrollBar> self(this);
    const bool drawn = TriggerDrawPartEvent(R, Part, Enabled(), Focused(), pressed);
    if (!self)
        return false;
    if (!drawn)
        return true;
    if (IsThemeApplied()) {
        const bool horz = FKind == sbHorizontal;
        const int part = Part == sbpLeftTop ? (horz ? SBP_UPPERTRACKHORZ : SBP_UPPERTRACKVERT)
                                            : (horz ? SBP_LOWERTRACKHORZ : SBP_LOWERTRACKVERT);
        const int state = FourState(SCRBS_NORMAL, Enabled(), pressed, PartHot(Part));
        DrawThemeBackground(FTheme, Canvas()->Handle(), part, state, &R, nullptr);
    } else if (pressed && FChangeColorsOnScroll) {
        PaintPressedTrack(R);
    } else {
        PaintBackground(R);
    }
    return true;
}

bool TCustomExScrollBar::PaintThumb(const TRect& R)
{
    const bool raised = ThumbRaised();
    const bool pressed = FPressedPart == sbpThumb;
    TGuardPtr<TCustomExScrollBar> self(this);
    const bool drawn = TriggerDrawPartEvent(R, sbpThumb, Enabled(), raised, pressed);
    if (!self)
        return false;
    if (!drawn)
        return true;
    TCanvas* c = Canvas();
    const bool horz = FKind == sbHorizontal;
    if (IsThemeApplied()) {
        const int state = FourState(SCRBS_NORMAL, Enabled(), pressed, PartHot(sbpThumb));
        DrawThemeBackground(FTheme, c->Handle(), horz ? SBP_THUMBBTNHORZ : SBP_THUMBBTNVERT, state, &R, nullptr);
        if (FDrawBars) {
            TRect content;
            if (GetThemeBackgroundContentRect(FTheme, c->Handle(), SBP_THUMBBTNHORZ, state, &R, &content) == S_OK)
                DrawThemeBackground(FTheme, c->Handle(), horz ? SBP_GRIPPERHORZ : SBP_GRIPPERVERT, state, &content,
                                    nullptr);
        }
        return true;
    }
    if (!FImageFormPainted)
        c->FillRect(R);
    if (FDrawFrames)
        DrawButtonFrameEx(c->Handle(), R, raised, pressed && !FNoSunkenThumb, Color(), FThinFrames);
    if (FDrawBars && (horz ? R.Width() : R.Height()) > 14)
        PaintGrips(R, raised);
    return true;
}

void TCustomExScrollBar::PaintGrips(const TRect& R, bool Raised)
{
    const Integer off = Integer(FBarOffset) + (FDrawFrames ? 1 : 0);
    const Integer shift = Raised && FPressedPart == sbpThumb && !FNoSunkenThumb ? 1 : 0;
    const bool horz = FKind == sbHorizontal;
    if ((horz ? R.Height() : R.Width()) < 2 * Int64(off) + 3)
        return;
    TCanvas* c = Canvas();
    const TColor oldPen = c->Pen()->Color();
    c->Pen()->SetColor(FBarColor);
    const Integer mid = (horz ? (R.Left + R.Right) / 2 : (R.Top + R.Bottom) / 2) + shift;
    for (Integer d : {-3, -1, 1, 3}) {
        if (horz) {
            c->MoveTo(mid + d, R.Top + off + shift);
            c->LineTo(mid + d, R.Bottom - off + shift);
        } else {
            c->MoveTo(R.Left + off + shift, mid + d);
            c->LineTo(R.Right - off + shift, mid + d);
        }
    }
    c->Pen()->SetColor(oldPen);
}

// ---------------------------------------------------------------- fills

void TCustomExScrollBar::DitherFill(const TRect& R)
{
    TBrush* brush = Canvas()->Brush();
    brush->SetBitmap(FDither.get());
    Canvas()->FillRect(R);
    brush->SetBitmap(nullptr);
}

void TCustomExScrollBar::PaintBackground(const TRect& R)
{
    if (FImageFormPainted)
        return;
    TCanvas* c = Canvas();
    // Themed bars draw their tracks with the theme's parts and never come here.
    if (!FBlendBackground || FSystemBkColor) {
        if (FSystemBkColor && GetSysColor(COLOR_SCROLLBAR) == GetSysColor(COLOR_BTNFACE)) {
            DitherFill(R);
        } else {
            c->Brush()->SetColor(FSystemBkColor ? clScrollBar : Color());
            c->FillRect(R);
        }
    } else {
        DitherFill(R);
    }
    // Setting the colour makes the brush solid again as well.
    c->Brush()->SetColor(Color());
}

void TCustomExScrollBar::PaintPressedTrack(const TRect& R)
{
    if (IsThemeApplied() || FImageFormPainted)
        return;
    TCanvas* c = Canvas();
    c->Brush()->SetColor(ShadowColor());
    c->FillRect(R);
    c->Brush()->SetColor(Color());
}

void TCustomExScrollBar::PaintButtonFace(const TRect& R, const TRect& Clip)
{
    TCanvas* c = Canvas();
    const TColor old = c->Brush()->Color();
    if (IsThemeApplied()) {
        DrawThemeBackground(FTheme, c->Handle(), FKind == sbHorizontal ? SBP_THUMBBTNHORZ : SBP_THUMBBTNVERT, 0, &R,
                            &Clip);
    } else if (!FImageFormPainted) {
        if (FDrawArrowFrames) {
            c->Brush()->SetColor(Color());
            c->FillRect(R);
        } else {
            PaintBackground(R);
        }
    }
    c->Brush()->SetColor(old);
}
