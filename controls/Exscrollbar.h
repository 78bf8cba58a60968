// TCustomExScrollBar: a scroll bar that is a window of its own and paints itself. This unit holds
// its model: the properties, the range, page and position rules, where the arrows, secondary
// buttons, track and thumb lie, the hit test, and the scroll-information messages by which its
// owner drives it. TExScrollBarStyles is the bag of its look that an owner publishes in its place.
//
// "Left" below means left on a horizontal bar and top on a vertical one, "right" right or bottom;
// the bar's length L is its client width (horizontal) or height (vertical). Along the bar the
// parts lie in client coordinates 0..L: left arrow, left secondary button, track, right secondary
// button, right arrow; the thumb splits the track into the two page areas.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "ctlbase/Eximgfrm.h"
#include "ctlbase/Exxpthemedcontrol.h"
#include "platform/Forms.h"

class TCustomExImageForm;
class TExHintWindow;
class TImgFormChangeLink;
class TTimer;
struct TClassInfo;

enum TExScrollBarPart : Byte {
    sbpNowhere,
    sbpLeftArrow,
    sbpRightSndArrow,  // the secondary button beside the right arrow
    sbpRightArrow,
    sbpLeftSndArrow,  // the secondary button beside the left arrow
    sbpThumb,
    sbpLeftTop,     // the track before the thumb
    sbpRightBottom  // the track after the thumb
};

enum TExScrollCode : Byte {
    escLineUp,
    escLineDown,
    escPageUp,
    escPageDown,
    escPosition,
    escTrack,
    escTop,
    escBottom,
    escEndScroll,
    escSndLineUp,
    escSndLineDown
};

// etmFixed: a thumb of ThumbSize pixels; etmAuto: a thumb as long as the page is of the range.
enum TExScrollThumbMode : Byte { etmFixed, etmAuto };

// What a secondary button does: one line the other way than its arrow, one page its arrow's way,
// or only report escSndLineUp / escSndLineDown.
enum TExSecButtonsKind : Byte { sbkOpposite, sbkPage, sbkCustom };

// The bar proposes ScrollPos; it moves only when the handler leaves DoChange true.
using TExScrollEvent =
    std::function<void(TObject* Sender, TExScrollCode ScrollCode, Integer& ScrollPos, bool& DoChange)>;
// A handler that clears DefaultTest answers with Part.
using TExScrollHitTestEvent =
    std::function<void(TObject* Sender, Integer X, Integer Y, TExScrollBarPart& Part, bool& DefaultTest)>;
using TExScrollHintNeededEvent = std::function<void(TObject* Sender, Integer TrackPosition, std::string& Hint)>;
using TExScrollDrawPartEvent =
    std::function<void(TObject* Sender, TCanvas* Canvas, const TRect& R, TExScrollBarPart Part, bool Enabled,
                       bool Focused, bool Pressed, bool& DefaultDraw)>;

class TCustomExScrollBar : public TExXPThemedControl {
public:
    explicit TCustomExScrollBar(TComponent* AOwner);
    ~TCustomExScrollBar() override;

    // ---- Range, page and position
    TScrollBarKind Kind() const { return FKind; }
    void SetKind(TScrollBarKind Value);
    Integer Position() const { return FPosition; }
    // Clamped into Min..Max; a change raises OnScroll with escPosition.
    void SetPosition(Integer Value);
    Integer Max() const { return FMax; }
    void SetMax(Integer Value);
    Integer Min() const { return FMin; }
    void SetMin(Integer Value);
    Integer Page() const { return FPage; }
    // Negative values are ignored.
    void SetPage(Integer Value);

    // ---- Sizes
    TExScrollThumbMode ThumbMode() const { return FThumbMode; }
    void SetThumbMode(TExScrollThumbMode Value);
    // The stored length, or the system's while UseSystemMetrics is set in etmFixed.
    Integer ThumbSize() const { return GetThumbSize(); }
    void SetThumbSize(Integer Value);
    Integer MinThumbSize() const { return FMinThumbSize; }
    void SetMinThumbSize(Integer Value);
    // The effective size (GetButtonSize).
    Integer ButtonSize() const { return GetButtonSize(); }
    // Ignored below 1, and with a window when the bar is shorter than two such buttons.
    void SetButtonSize(Integer Value);
    bool UseSystemMetrics() const { return FUseSystemMetrics; }
    void SetUseSystemMetrics(bool Value);

    // ---- Buttons
    bool ShowLeftArrows() const { return FShowLeftArrows; }
    void SetShowLeftArrows(bool Value);
    bool ShowRightArrows() const { return FShowRightArrows; }
    void SetShowRightArrows(bool Value);
    bool SecondaryButtons() const { return FSecondaryButtons; }
    void SetSecondaryButtons(bool Value);
    TExSecButtonsKind SecondBtnKind() const { return FSecondBtnKind; }
    void SetSecondBtnKind(TExSecButtonsKind Value);
    bool NoDisableButtons() const { return FNoDisableButtons; }
    void SetNoDisableButtons(bool Value);
    bool AltDisablingArrows() const { return FAltDisablingArrows; }
    void SetAltDisablingArrows(bool Value);

    // ---- Look
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    bool ActiveFlat() const { return FActiveFlat; }
    void SetActiveFlat(bool Value);
    bool ChangeColorsOnScroll() const { return FChangeColorsOnScroll; }
    void SetChangeColorsOnScroll(bool Value);
    bool BlendBackground() const { return FBlendBackground; }
    void SetBlendBackground(bool Value);
    bool SystemBkColor() const { return FSystemBkColor; }
    void SetSysBkColor(bool Value);
    bool DrawFrames() const { return FDrawFrames; }
    // False also clears DrawArrowFrames.
    void SetDrawFrames(bool Value);
    bool DrawArrowFrames() const { return FDrawArrowFrames; }
    void SetDrawArrowFrames(bool Value);
    bool ThinFrames() const { return FThinFrames; }
    void SetThinFrames(bool Value);
    bool DrawBars() const { return FDrawBars; }
    void SetDrawBars(bool Value);
    Cardinal BarOffset() const { return FBarOffset; }
    void SetBarOffset(Cardinal Value);
    TColor BarColor() const { return FBarColor; }
    void SetBarColor(TColor Value);
    TColor ArrowColor() const { return FArrowColor; }
    void SetArrowColor(TColor Value);
    TColor ArrowHotTrackColor() const { return FArrowHotTrackColor; }
    void SetArrowHotTrackColor(TColor Value);
    bool NoSunkenThumb() const { return FNoSunkenThumb; }
    void SetNoSunkenThumb(bool Value);
    bool OwnerDraw() const { return FOwnerDraw; }
    void SetOwnerDraw(bool Value);
    TCustomExImageForm* ImageForm() const { return FImageForm; }
    virtual void SetImageForm(TCustomExImageForm* Value);

    // ---- Track hint (shown by the input code while the thumb is dragged)
    bool ShowTrackHint() const { return FShowTrackHint; }
    void SetShowTrackHint(bool Value) { FShowTrackHint = Value; }
    bool IsHTML() const { return FIsHTML; }
    void SetIsHTML(bool Value) { FIsHTML = Value; }
    TColor HintColor() const { return FHintColor; }
    void SetHintColor(TColor Value) { FHintColor = Value; }
    TColor HintTextColor() const { return FHintTextColor; }
    void SetHintTextColor(TColor Value) { FHintTextColor = Value; }

    bool IsDesigning() const { return HasState(csDesigning); }
    void SetIsDesigning(bool Value) { SetState(csDesigning, Value); }
    // True: a thumb drag does not send the parent WM_HSCROLL / WM_VSCROLL.
    bool NoScrollMessages = false;

    // ---- Geometry, computed on demand
    // Buttons at the left and at the right end: 0, 1, or 2 with secondary buttons.
    Integer GetTopBtns() const;
    Integer GetBottomBtns() const;
    // The length of one button along the bar, shortened so that all buttons fit the bar.
    Integer GetButtonSize() const;
    Integer GetThumbSize() const;
    // The proportional thumb's length; 0 when no thumb fits.
    Integer GetAutoThumbSize() const;
    // The thumb's length in the current mode; 0 when the bar shows no thumb.
    Integer GetThumbLength() const;
    // Pixels from the start of the client area to the thumb.
    Integer GetThumbPos() const { return FThumbPos; }
    // The thumb offset the current position stands for.
    Integer AdjustThumbPos() const;
    // The position the current thumb offset stands for (not clamped).
    Integer UpdateThumbPos() const;
    bool LeftBtnsEnabled() const;
    bool RightBtnsEnabled() const;
    // The part at a client point.
    TExScrollBarPart GetHitTest(Integer X, Integer Y);
    // The client rectangle of a part; empty when the bar does not show it.
    TRect GetPartRect(TExScrollBarPart Part);
    // The track between the buttons.
    TRect GetTrackRect();
    // The bar's length along its kind.
    Integer GetBarLength();

    // ---- Scroll information (the SCROLLINFO record with its mask); no event is raised.
    Integer SetScrollInfo(const SCROLLINFO& Info, bool Redraw);
    bool GetScrollInfo(SCROLLINFO& Info);

    // Steps of one wheel turn of WheelDelta for the system setting LinesPerNotch (lines per notch
    // of 120; WHEEL_PAGESCROLL: a page per notch); positive steps move toward Min.
    Integer WheelSteps(Integer WheelDelta, UINT LinesPerNotch) const;

    // ---- Input state
    // Ends a press from outside as a release would: the timer stops, the mouse is let go, and the
    // end of the scroll is reported.
    void EndScroll();
    TExScrollBarPart PressedPart() const { return FPressedPart; }
    TExScrollBarPart HotPart() const { return FHotPart; }
    bool Pressing() const { return FPressing; }
    // The repeat timer of a held part, and the track hint while the thumb is dragged (nil when
    // none is shown).
    TTimer* RepeatTimer() const { return FTimer.get(); }
    TExHintWindow* TrackHintWindow() const { return FHintWindow.get(); }
    // The position the thumb stands for now (while dragged, the tracked one), kept inside the
    // range.
    Integer TrackPosition() const;

    // ---- Colours derived from Color for the track
    TColor LighterColor() const;
    TColor ShadowColor() const;
    // 8 x 8 checkerboard of LighterColor and Color.
    TBitmap* DitherBitmap() const { return FDither.get(); }

    TExScrollHitTestEvent OnHitTest;
    TNotifyEvent OnChange;
    TExScrollEvent OnScroll;
    TExScrollHintNeededEvent OnScrollHintNeeded;
    TExScrollDrawPartEvent OnDrawPart;

    void Loaded() override;

    BEGIN_MESSAGE_MAP
        MESSAGE_HANDLER(SBM_SETSCROLLINFO, SBMSetScrollInfo)
        MESSAGE_HANDLER(SBM_GETSCROLLINFO, SBMGetScrollInfo)
        MESSAGE_HANDLER(CM_COLORCHANGED, CMColorChanged)
        MESSAGE_HANDLER(WM_SYSCOLORCHANGE, WMSysColorChange)
        MESSAGE_HANDLER(WM_PAINT, WMPaint)
        MESSAGE_HANDLER(WM_ERASEBKGND, WMEraseBkgnd)
        MESSAGE_HANDLER(WM_WINDOWPOSCHANGED, WMWindowPosChanged)
        MESSAGE_HANDLER(IFM_REPAINTCHILDREN, IFMRepaintChildren)
        MESSAGE_HANDLER(WM_LBUTTONDOWN, WMLButtonDown)
        MESSAGE_HANDLER(WM_LBUTTONUP, WMLButtonUp)
        MESSAGE_HANDLER(WM_MOUSEMOVE, WMMouseMove)
        MESSAGE_HANDLER(WM_MOUSEWHEEL, WMMouseWheel)
        MESSAGE_HANDLER(WM_GETDLGCODE, WMGetDlgCode)
        MESSAGE_HANDLER(WM_CAPTURECHANGED, WMCaptureChanged)
        MESSAGE_HANDLER(CM_MOUSEENTER, CMMouseEnter)
        MESSAGE_HANDLER(CM_MOUSELEAVE, CMMouseLeave)
        MESSAGE_HANDLER(CM_ENTER, CMEnter)
        MESSAGE_HANDLER(CM_EXIT, CMExit)
    END_MESSAGE_MAP(TExXPThemedControl)

protected:
    std::u16string GetThemedClassName() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void CreateWnd() override;
    void Resize() override;
    // Draws every part on the canvas.
    void Paint() override;
    void KeyDown(Word& Key, TShiftState Shift) override;

    virtual void TriggerChangeEvent();
    virtual void TriggerScrollEvent(TExScrollCode ScrollCode, Integer& ScrollPos, bool& DoChange);
    virtual void TriggerScrollHintNeededEvent(Integer TrackPosition, std::string& Hint);
    virtual void TriggerResizeEvent();
    virtual void TriggerHitTestEvent(Integer X, Integer Y, TExScrollBarPart& Part, bool& DefaultTest);
    // Asks OnDrawPart (only with OwnerDraw); answers DefaultDraw.
    bool TriggerDrawPartEvent(const TRect& R, TExScrollBarPart Part, bool Enabled, bool Focused, bool Pressed);

    void DoSetPosition(Integer Value, bool Redraw);
    void DoSetMax(Integer Value, bool Redraw);
    void DoSetMin(Integer Value, bool Redraw);
    void DoSetPage(Integer Value, bool Redraw);
    // Invalidates the track between the buttons only and updates it at once.
    void UpdateScrollingRegion();
    // Stores the thumb offset for the current position.
    void UpdateThumb() { FThumbPos = AdjustThumbPos(); }
    void RebuildBackground();

    void SBMSetScrollInfo(TMessage& Message);
    void SBMGetScrollInfo(TMessage& Message);
    void CMColorChanged(TMessage& Message);
    void WMSysColorChange(TMessage& Message);
    // Painted through an off-screen bitmap, so that a moving thumb does not flicker.
    void WMPaint(TMessage& Message);
    void WMEraseBkgnd(TMessage& Message);
    void WMWindowPosChanged(TMessage& Message);
    void IFMRepaintChildren(TMessage& Message);
    void WMLButtonDown(TMessage& Message);
    void WMLButtonUp(TMessage& Message);
    void WMMouseMove(TMessage& Message);
    void WMMouseWheel(TMessage& Message);
    void WMGetDlgCode(TMessage& Message);
    void WMCaptureChanged(TMessage& Message);
    void CMMouseEnter(TMessage& Message);
    void CMMouseLeave(TMessage& Message);
    void CMEnter(TMessage& Message);
    void CMExit(TMessage& Message);

    // Shows the track hint for TrackPosition above and left of the client point (X, Y).
    void ShowHintAt(Integer TrackPosition, Integer X, Integer Y);
    // The client point the track hint hangs from: just before the thumb.
    TPoint HintPoint() const;

    bool IsLoading() const;
    // Invalidates the bar when it has a window and is not loading.
    void RepaintBar();

    // Run-time state the input and painting code keep; the thumb offset is set while dragging.
    Integer FGripOffset = 0;
    Integer FPressCoord = 0;
    HWND FOldCapture = nullptr;
    Integer FThumbPos = 0;
    TExScrollBarPart FPressedPart = sbpNowhere;
    TExScrollBarPart FHotPart = sbpNowhere;
    bool FPressing = false;
    bool FMouseInControl = false;

private:
    // ---- input (Exscrollbarinput.cpp)
    // Whether a press on Part can do anything now.
    bool PartUsable(TExScrollBarPart Part) const;
    // The code and the position a press or a repeat on Part proposes.
    void PartStep(TExScrollBarPart Part, Integer PageStep, TExScrollCode& Code, Integer& Pos) const;
    void RepeatTick(TObject* Sender);
    // The end of a press; the mouse is given back only when the bar still holds it. Answers
    // false when a handler freed the bar.
    bool FinishPress(bool GiveBackCapture);
    // Raises OnScroll and, when the handler lets it, moves to Pos; answers false when a handler
    // freed the bar.
    bool ProposeScroll(TExScrollCode Code, Integer Pos, bool Change);
    Integer Along(Integer X, Integer Y) const { return FKind == sbHorizontal ? X : Y; }

    // ---- painting (Exscrollbarpaint.cpp)
    bool PartPressed(TExScrollBarPart Part) const;
    bool PartHot(TExScrollBarPart Part) const;
    bool UsableLook(TExScrollBarPart Part) const;
    bool ButtonRaised(TExScrollBarPart Part) const;
    bool ThumbRaised();
    // Each answers false when a handler freed the bar.
    bool PaintArrowButton(TExScrollBarPart Part, const TRect& R, const TRect& Clip);
    bool PaintSecondaryButton(TExScrollBarPart Part, const TRect& R, const TRect& Clip);
    bool PaintPageArea(TExScrollBarPart Part, const TRect& R);
    bool PaintThumb(const TRect& R);
    void PaintGrips(const TRect& R, bool Raised);
    void PaintBackground(const TRect& R);
    void PaintPressedTrack(const TRect& R);
    void PaintButtonFace(const TRect& R, const TRect& Clip);
    void DitherFill(const TRect& R);
    // Set while the image form's background lies under the parts.
    bool FImageFormPainted = false;

    void ApplySystemMetrics();
    void ImageFormChanged(TObject* Sender);
    // The part along the bar at coordinate C (the hit test without its across-the-bar check).
    TExScrollBarPart PartAlong(Integer C) const;
    Integer LengthOf() const;

    TScrollBarKind FKind = sbHorizontal;
    Integer FPosition = 0;
    Integer FMax = 100;
    Integer FMin = 0;
    Integer FPage = 14;
    TExScrollThumbMode FThumbMode = etmAuto;
    Integer FThumbSize = 0;
    Integer FMinThumbSize = 4;
    Integer FButtonSize = 0;
    bool FUseSystemMetrics = true;
    bool FShowLeftArrows = true;
    bool FShowRightArrows = true;
    bool FSecondaryButtons = false;
    TExSecButtonsKind FSecondBtnKind = sbkOpposite;
    bool FNoDisableButtons = false;
    bool FAltDisablingArrows = false;
    bool FFlat = true;
    bool FActiveFlat = false;
    bool FChangeColorsOnScroll = true;
    bool FBlendBackground = true;
    bool FSystemBkColor = true;
    bool FDrawFrames = true;
    bool FDrawArrowFrames = true;
    bool FThinFrames = false;
    bool FDrawBars = true;
    Cardinal FBarOffset = 2;
    TColor FBarColor = clBtnShadow;
    TColor FArrowColor = clBtnText;
    TColor FArrowHotTrackColor = clHighlight;
    bool FNoSunkenThumb = false;
    bool FShowTrackHint = false;
    bool FIsHTML = false;
    bool FOwnerDraw = false;
    TColor FHintColor = clInfoBk;
    TColor FHintTextColor = clInfoText;
    TCustomExImageForm* FImageForm = nullptr;
    std::unique_ptr<TBitmap> FDither;
    std::unique_ptr<TImgFormChangeLink> FImageFormLink;
    std::unique_ptr<TTimer> FTimer;
    std::unique_ptr<TExHintWindow> FHintWindow;
};

class TExScrollBar : public TCustomExScrollBar {
public:
    using TCustomExScrollBar::TCustomExScrollBar;
};

// The look of a scroll bar as a property bag: every property reads and writes the bar it was made
// with; it stores nothing of its own.
class TExScrollBarStyles : public TPersistent {
public:
    // Raises Exception when AControl is nil.
    explicit TExScrollBarStyles(TCustomExScrollBar* AControl);

    void Assign(TPersistent* Source) override;
    TCustomExScrollBar* ScrollBar() const { return FScrollBar; }
    static const TClassInfo* Info();

    bool ActiveFlat() const { return FScrollBar->ActiveFlat(); }
    void SetActiveFlat(bool Value) { FScrollBar->SetActiveFlat(Value); }
    bool BlendBackground() const { return FScrollBar->BlendBackground(); }
    void SetBlendBackground(bool Value) { FScrollBar->SetBlendBackground(Value); }
    TColor Color() const { return FScrollBar->Color(); }
    void SetColor(TColor Value) { FScrollBar->SetColor(Value); }
    bool Flat() const { return FScrollBar->Flat(); }
    void SetFlat(bool Value) { FScrollBar->SetFlat(Value); }
    Integer MinThumbSize() const { return FScrollBar->MinThumbSize(); }
    void SetMinThumbSize(Integer Value) { FScrollBar->SetMinThumbSize(Value); }
    bool NoDisableButtons() const { return FScrollBar->NoDisableButtons(); }
    void SetNoDisableButtons(bool Value) { FScrollBar->SetNoDisableButtons(Value); }
    bool NoSunkenThumb() const { return FScrollBar->NoSunkenThumb(); }
    void SetNoSunkenThumb(bool Value) { FScrollBar->SetNoSunkenThumb(Value); }
    bool OwnerDraw() const { return FScrollBar->OwnerDraw(); }
    void SetOwnerDraw(bool Value) { FScrollBar->SetOwnerDraw(Value); }
    bool SecondaryButtons() const { return FScrollBar->SecondaryButtons(); }
    void SetSecondaryButtons(bool Value) { FScrollBar->SetSecondaryButtons(Value); }
    TExSecButtonsKind SecondBtnKind() const { return FScrollBar->SecondBtnKind(); }
    void SetSecondBtnKind(TExSecButtonsKind Value) { FScrollBar->SetSecondBtnKind(Value); }
    bool ShowLeftArrows() const { return FScrollBar->ShowLeftArrows(); }
    void SetShowLeftArrows(bool Value) { FScrollBar->SetShowLeftArrows(Value); }
    bool ShowRightArrows() const { return FScrollBar->ShowRightArrows(); }
    void SetShowRightArrows(bool Value) { FScrollBar->SetShowRightArrows(Value); }
    bool ShowTrackHint() const { return FScrollBar->ShowTrackHint(); }
    void SetShowTrackHint(bool Value) { FScrollBar->SetShowTrackHint(Value); }
    TExScrollThumbMode ThumbMode() const { return FScrollBar->ThumbMode(); }
    void SetThumbMode(TExScrollThumbMode Value) { FScrollBar->SetThumbMode(Value); }
    Integer ThumbSize() const { return FScrollBar->GetThumbSize(); }
    void SetThumbSize(Integer Value) { FScrollBar->SetThumbSize(Value); }
    // The bar's thickness: a vertical bar's width, a horizontal bar's height.
    Integer Width() const;
    void SetWidth(Integer Value);
    Integer ButtonSize() const { return FScrollBar->GetButtonSize(); }
    void SetButtonSize(Integer Value) { FScrollBar->SetButtonSize(Value); }
    bool UseSystemMetrics() const { return FScrollBar->UseSystemMetrics(); }
    void SetUseSystemMetrics(bool Value);
    TColor ArrowColor() const { return FScrollBar->ArrowColor(); }
    void SetArrowColor(TColor Value) { FScrollBar->SetArrowColor(Value); }
    TColor ArrowHotTrackColor() const { return FScrollBar->ArrowHotTrackColor(); }
    void SetArrowHotTrackColor(TColor Value) { FScrollBar->SetArrowHotTrackColor(Value); }
    // Raised by SetUseSystemMetrics and SetWidth only, for the owner to lay its pieces out again.
    TNotifyEvent OnChange;
    bool DrawFrames() const { return FScrollBar->DrawFrames(); }
    void SetDrawFrames(bool Value) { FScrollBar->SetDrawFrames(Value); }
    bool DrawArrowFrames() const { return FScrollBar->DrawArrowFrames(); }
    void SetDrawArrowFrames(bool Value) { FScrollBar->SetDrawArrowFrames(Value); }
    bool DrawBars() const { return FScrollBar->DrawBars(); }
    void SetDrawBars(bool Value) { FScrollBar->SetDrawBars(Value); }
    Cardinal BarOffset() const { return FScrollBar->BarOffset(); }
    void SetBarOffset(Cardinal Value) { FScrollBar->SetBarOffset(Value); }
    TColor BarColor() const { return FScrollBar->BarColor(); }
    void SetBarColor(TColor Value) { FScrollBar->SetBarColor(Value); }
    bool ThinFrames() const { return FScrollBar->ThinFrames(); }
    void SetThinFrames(bool Value) { FScrollBar->SetThinFrames(Value); }
    TColor HintColor() const { return FScrollBar->HintColor(); }
    void SetHintColor(TColor Value) { FScrollBar->SetHintColor(Value); }
    TColor HintTextColor() const { return FScrollBar->HintTextColor(); }
    void SetHintTextColor(TColor Value) { FScrollBar->SetHintTextColor(Value); }
    bool SystemBkColor() const { return FScrollBar->SystemBkColor(); }
    void SetSystemBkColor(bool Value) { FScrollBar->SetSysBkColor(Value); }
    TCustomExImageForm* ImageForm() const { return FScrollBar->ImageForm(); }
    void SetImageForm(TCustomExImageForm* Value) { FScrollBar->SetImageForm(Value); }
    bool UseXPThemes() const { return FScrollBar->UseXPThemes(); }
    void SetUseXPThemes(bool Value) { FScrollBar->SetUseXPThemes(Value); }

private:
    void Changed();
    void SetThickness(Integer Value);
    TCustomExScrollBar* FScrollBar;
    Integer FWaitingWidth = -1;  // a width given while the system's sizes were on; -1 none
};
