// TCustomExPopupButton: a windowed push button that can also be a two-state switch, one button of an
// exclusive group, a dialog's default or cancel button, and a split button whose arrow part opens a
// pull-down menu. Picture and caption come from a TExButtonGlyph; sounds go through a sound map.
#pragma once

#include <memory>
#include <string>

#include "controls/Exbtnctl.h"
#include "controls/Exbtnglyph.h"
#include "platform/Forms.h"

class TCustomExImageForm;
class TExCustomSoundMap;
class TImgFormChangeLink;
class TPopupMenu;

enum TPopupPlace { ppDown, ppRight, ppTop };

// A sound event's name as the buttons keep it: at most 255 characters.
using TExSoundName = std::string;

// The message a button posts to itself when its pull-down menu has closed
// ("Ex - Cancel pulldown menu").
extern const UINT MenuCancelMsg;

class TCustomExPopupButton : public TExButtonControl, public TExGroupedButton {
public:
    explicit TCustomExPopupButton(TComponent* AOwner);
    ~TCustomExPopupButton() override;

    // ---- picture
    TBitmap* Glyph() const { return FGlyph->Glyph(); }
    void SetGlyph(TBitmap* Value);
    Integer NumGlyphs() const { return FGlyph->NumGlyphs(); }
    // Values above 4 become 4; a bitmap whose width is a multiple of its height decides itself.
    void SetNumGlyphs(Integer Value);
    TIcon* Icon() const { return FGlyph->Icon(); }
    // Copied into the painter's icon.
    void SetIcon(TIcon* Value);
    bool UseIcon() const { return FGlyph->UseIcon(); }
    void SetUseIcon(bool Value);
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);
    TCustomImageList* HotImages() const { return FHotImages; }
    void SetHotImages(TCustomImageList* Value);
    TCustomImageList* DownImages() const { return FDownImages; }
    void SetDownImages(TCustomImageList* Value);
    TCustomImageList* DisabledImages() const { return FDisabledImages; }
    void SetDisabledImages(TCustomImageList* Value);
    bool UseImageList() const { return FUseImageList; }
    void SetUseImageList(bool Value);
    Integer ImageIndex() const { return FGlyph->ImageIndex(); }
    void SetImageIndex(Integer Value);
    TButtonLayout Layout() const { return FLayout; }
    void SetLayout(TButtonLayout Value);
    Integer Margin() const { return FMargin; }
    // Values below -1 are ignored; -1 centres.
    void SetMargin(Integer Value);
    Integer Spacing() const { return FSpacing; }
    void SetSpacing(Integer Value);
    bool ShowGlyph() const { return FShowGlyph; }
    void SetShowGlyph(bool Value);
    bool ShowText() const { return FShowText; }
    void SetShowText(bool Value);
    bool AdjustSpaceForGlyph() const { return FAdjustSpaceForGlyph; }
    void SetAdjustSpaceForGlyph(bool Value);
    TExButtonGlyph* ButtonGlyph() const { return FGlyph.get(); }

    // ---- down state and groups
    bool Down() const { return FDown; }
    void SetDown(bool Value);
    bool IsSwitch() const { return FIsSwitch; }
    void SetIsSwitch(bool Value) { FIsSwitch = Value; }
    Integer GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(Integer Value);
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool Value);
    bool GetChecked() override { return FDown; }
    bool GroupDown() const override { return FDown; }
    bool GroupAllowAllUp() const override { return FAllowAllUp; }
    void SetChecked(bool Value) override { SetDown(Value); }

    // ---- arrow part and pull-down menu
    bool UseArrow() const { return FUseArrow; }
    virtual void SetUseArrow(bool Value);
    TPopupMenu* PullDownMenu() const { return FPullDownMenu; }
    // A menu clears DisableAutoPopup, none sets it.
    void SetPullDownMenu(TPopupMenu* Value);
    TPopupPlace PopupPlace = ppDown;
    bool DisableAutoPopup = false;
    TNotifyEvent OnArrowClick;

    // ---- dialog role
    bool Default() const { return FDefault; }
    void SetDefault(bool Value);
    bool Cancel = false;
    TModalResult ModalResult = mrNone;
    bool DrawDefaultFrame() const { return FDrawDefaultFrame; }
    void SetDrawDefaultFrame(bool Value);

    // ---- looks
    bool Flat() const { return FFlat; }
    virtual void SetFlat(bool Value);
    bool OldStyled() const { return FOldStyled; }
    // Not while Flat.
    void SetOldStyled(bool Value);
    bool ThinFrame() const { return FThinFrame; }
    void SetThinFrame(bool Value);
    bool ShowBorder() const { return FShowBorder; }
    void SetShowBorder(bool Value);
    bool ShowFocus() const { return FShowFocus; }
    void SetShowFocus(bool Value);
    bool ShadowsUseCustom() const { return FShadowsUseCustom; }
    void SetShadowsUseCustom(bool Value);
    TColor ShadowBtnHighlight() const { return FShadowBtnHighlight; }
    void SetShadowBtnHighlight(TColor Value);
    TColor ShadowBtnShadow() const { return FShadowBtnShadow; }
    void SetShadowBtnShadow(TColor Value);
    TColor ShadowBtnDkShadow() const { return FShadowBtnDkShadow; }
    void SetShadowBtnDkShadow(TColor Value);
    bool ShadowFollowsColor() const { return FShadowFollowsColor; }
    void SetShadowFollowsColor(bool Value);
    TBitmap* Background() const { return FBackground.get(); }
    void SetBackground(TBitmap* Value);
    TBitmap* DownBackground() const { return FDownBackground.get(); }
    void SetDownBackground(TBitmap* Value);
    bool BackgroundDrawBorder() const { return FBackgroundDrawBorder; }
    void SetBackgroundDrawBorder(bool Value);
    TCustomExImageForm* ImageForm() const { return FImageForm; }
    void SetImageForm(TCustomExImageForm* Value);

    // ---- sounds
    TExCustomSoundMap* SoundMap() const { return FSoundMap; }
    void SetSoundMap(TExCustomSoundMap* Value);
    TExSoundName DownSound, UpSound, ClickSound, ArrowClickSound;

    // ---- state
    TExButtonState State() const { return FState; }
    bool MouseInControl() const { return FMouseInControl; }
    bool MouseInArrow() const { return FMouseInArrow; }
    bool Tracking() const { return FTracking; }
    bool PressedOnArrow() const { return FPressedOnArrow; }
    bool MenuShown() const { return FMenuShown; }
    bool MenuClosedOnArrow() const { return FMenuClosedOnArrow; }
    bool MultiLine() const { return FMultiLine; }
    bool Active() const { return FActive; }

    void Click() override;
    // A click of the body or (IsArrow) of the arrow part; opens the pull-down menu where it applies.
    void AClick(bool IsArrow);
    TSize MeasureButton() { return TSize{0, 0}; }
    virtual void SetButtonStyle(bool ADefault);
    virtual Integer GetArrowSize();
    void Loaded() override;
    void WndProc(TMessage& Message) override;

    BEGIN_MESSAGE_MAP
        MESSAGE_HANDLER(CM_DIALOGKEY, CMDialogKey)
        MESSAGE_HANDLER(CM_FOCUSCHANGED, CMFocusChanged)
        MESSAGE_HANDLER(CM_BUTTONPRESSED, CMButtonPressed)
        MESSAGE_HANDLER(CM_MOUSEENTER, CMMouseEnter)
        MESSAGE_HANDLER(CM_MOUSELEAVE, CMMouseLeave)
        MESSAGE_HANDLER(CM_ENABLEDCHANGED, CMEnabledChanged)
        MESSAGE_HANDLER(CM_TEXTCHANGED, CMTextChanged)
        MESSAGE_HANDLER(CM_COLORCHANGED, CMColorChanged)
        MESSAGE_HANDLER(WM_GETDLGCODE, WMGetDlgCode)
        MESSAGE_HANDLER(CN_COMMAND, CNCommand)
        MESSAGE_HANDLER(WM_LBUTTONDBLCLK, WMLButtonDblClk)
        MESSAGE_HANDLER(WM_SETFOCUS, WMFocus)
        MESSAGE_HANDLER(WM_KILLFOCUS, WMFocus)
        MESSAGE_HANDLER(WM_KEYDOWN, WMKeyDown)
        MESSAGE_HANDLER(WM_SYSKEYDOWN, WMKeyDown)
        MESSAGE_HANDLER(WM_KEYUP, WMKeyUp)
        MESSAGE_HANDLER(CN_SYSKEYDOWN, CNSysKeyDown)
        MESSAGE_HANDLER(WM_ERASEBKGND, WMEraseBkgnd)
    END_MESSAGE_MAP(TExButtonControl)

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void Paint() override;
    void FreeThemeHandle() override;
    void CreateThemeHandle() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

    void CMDialogKey(TMessage& Message);
    void CMFocusChanged(TMessage& Message);
    void CMButtonPressed(TMessage& Message);
    void CMMouseEnter(TMessage& Message);
    void CMMouseLeave(TMessage& Message);
    void CMEnabledChanged(TMessage& Message);
    void CMTextChanged(TMessage& Message);
    void CMColorChanged(TMessage& Message);
    void WMGetDlgCode(TMessage& Message);
    void CNCommand(TMessage& Message);
    void WMLButtonDblClk(TMessage& Message);
    void WMFocus(TMessage& Message);
    void WMKeyDown(TMessage& Message);
    void WMKeyUp(TMessage& Message);
    void CNSysKeyDown(TMessage& Message);
    void WMEraseBkgnd(TMessage& Message);

private:
    void Play(const TExSoundName& Sound);
    bool InArrowZone(int X) const;
    bool Pressed() const;
    bool Hot() const { return FMouseInControl || FMouseInArrow; }
    void UpdateExclusive();
    void UpdateTracking();
    void SetListOf(TCustomImageList*& Field, TCustomImageList* Value);
    void ImageListChanged(TObject* Sender);
    void ImageFormChanged(TObject* Sender);
    void DeriveShadows();
    // Repaints while the frame shows: not old-styled, hot or focused, and not pressed.
    bool FrameShowing();
    void FrameRect(HDC DC, const TRect& R, bool Flag, bool PressedLook, TColor Face);

    std::unique_ptr<TExButtonGlyph> FGlyph;
    TCustomImageList* FImages = nullptr;
    TCustomImageList* FHotImages = nullptr;
    TCustomImageList* FDownImages = nullptr;
    TCustomImageList* FDisabledImages = nullptr;
    std::unique_ptr<TChangeLink> FImagesLink, FHotImagesLink, FDownImagesLink, FDisabledImagesLink;
    std::unique_ptr<TImgFormChangeLink> FImageFormLink;
    bool FUseImageList = false;
    TButtonLayout FLayout = blGlyphLeft;
    Integer FMargin = -1;
    Integer FSpacing = 4;
    bool FShowGlyph = true;
    bool FShowText = true;
    bool FAdjustSpaceForGlyph = true;
    bool FDown = false;
    bool FIsSwitch = false;
    Integer FGroupIndex = 0;
    bool FAllowAllUp = false;
    bool FUseArrow = false;
    TPopupMenu* FPullDownMenu = nullptr;
    bool FDefault = false;
    bool FDrawDefaultFrame = false;
    bool FFlat = false;
    bool FOldStyled = false;
    bool FThinFrame = false;
    bool FShowBorder = true;
    bool FShowFocus = true;
    bool FShadowsUseCustom = false;
    TColor FShadowBtnHighlight = clBtnHighlight;
    TColor FShadowBtnShadow = clBtnShadow;
    TColor FShadowBtnDkShadow = cl3DDkShadow;
    bool FShadowFollowsColor = true;
    std::unique_ptr<TBitmap> FBackground, FDownBackground;
    bool FBackgroundDrawBorder = false;
    TCustomExImageForm* FImageForm = nullptr;
    TExCustomSoundMap* FSoundMap = nullptr;

    TExButtonState FState = ebsUp;
    bool FMouseInControl = false;
    bool FMouseInArrow = false;
    bool FTracking = false;
    bool FPressedOnArrow = false;
    bool FMenuShown = false;
    bool FMenuClosedOnArrow = false;
    bool FMultiLine = false;
    bool FActive = false;
    HTHEME FArrowTheme = nullptr;
};

// Publishes the popup button; a press takes the focus first when the button can take it.
class TExPopupButton : public TCustomExPopupButton {
public:
    explicit TExPopupButton(TComponent* AOwner) : TCustomExPopupButton(AOwner) {}

protected:
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
};
