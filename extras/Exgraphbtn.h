// TCustomExGraphicButton: the window-less twin of the popup button. It paints on its parent's
// surface and never takes the focus, but has the same pictures, states, groups, switch mode, split
// arrow part with its pull-down menu, sounds, backgrounds, image form and custom shadows. Its
// pull-down menu belongs to a hidden utility window whose messages come back to the button.
#pragma once

#include <memory>
#include <string>

#include "controls/Exbtnglyph.h"
#include "controls/Expopbtn.h"

class TCustomExImageForm;
class TExCustomSoundMap;
class TImgFormChangeLink;
class TPopupMenu;

class TCustomExGraphicButton : public TGraphicControl, public TExGroupedButton {
public:
    explicit TCustomExGraphicButton(TComponent* AOwner);
    ~TCustomExGraphicButton() override;

    // ---- caption and looks of the button itself
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& Value);
    bool Transparent() const { return FTransparent; }
    virtual void SetTransparent(bool Value);
    TExTextDrawType TextDrawType() const { return FTextDrawType; }
    void SetTextDrawType(TExTextDrawType Value);
    bool UseXPThemes() const { return FUseXPThemes; }
    void SetUseXPThemes(bool Value);
    bool IsThemeApplied() const { return FUseXPThemes && FTheme != nullptr && FArrowTheme != nullptr; }

    // ---- picture
    TBitmap* Glyph() const { return FGlyph->Glyph(); }
    void SetGlyph(TBitmap* Value);
    Integer NumGlyphs() const { return FGlyph->NumGlyphs(); }
    void SetNumGlyphs(Integer Value);
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
    virtual bool GetChecked() { return FDown; }
    virtual void SetChecked(bool Value) { SetDown(Value); }
    bool GroupDown() const override { return FDown; }
    bool GroupAllowAllUp() const override { return FAllowAllUp; }

    // ---- arrow part and pull-down menu
    bool UseArrow() const { return FUseArrow; }
    virtual void SetUseArrow(bool Value);
    TPopupMenu* PullDownMenu() const { return FPullDownMenu; }
    void SetPullDownMenu(TPopupMenu* Value);
    TPopupPlace PopupPlace = ppDown;
    bool DisableAutoPopup = false;
    TNotifyEvent OnArrowClick;

    // ---- dialog role (Default has no published property here)
    bool Default = false;
    bool Cancel = false;
    TModalResult ModalResult = mrNone;

    // ---- frame
    bool Flat() const { return FFlat; }
    virtual void SetFlat(bool Value);
    bool OldStyled() const { return FOldStyled; }
    void SetOldStyled(bool Value);
    bool ThinFrame() const { return FThinFrame; }
    void SetThinFrame(bool Value);
    bool ShowBorder() const { return FShowBorder; }
    void SetShowBorder(bool Value);
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
    bool MenuShown() const { return FMenuShown; }
    bool MenuClosedOnArrow() const { return FMenuClosedOnArrow; }
    bool MultiLine() const { return FMultiLine; }
    HWND MenuWindow() const { return FMenuWindow; }

    void Click() override { Click(false); }
    // A click of the body or (IsArrow) of the arrow part; opens the pull-down menu where it applies.
    virtual void Click(bool IsArrow);
    virtual int GetThemePartID() { return 1; }
    virtual int GetThemeStateID();
    virtual std::u16string GetThemedClassName() { return u"BUTTON"; }
    virtual int GetArrowThemePartID() { return 1; }
    virtual int GetArrowThemeStateID();
    virtual std::u16string GetArrowThemedClassName() { return u"COMBOBOX"; }
    virtual Integer GetArrowSize();
    virtual void DrawThemedBackground(TCanvas* ACanvas);
    void WndProc(TMessage& Message) override;

    BEGIN_MESSAGE_MAP
        MESSAGE_HANDLER(CM_DIALOGKEY, CMDialogKey)
        MESSAGE_HANDLER(CM_DIALOGCHAR, CMDialogChar)
        MESSAGE_HANDLER(CM_BUTTONPRESSED, CMButtonPressed)
        MESSAGE_HANDLER(CM_MOUSEENTER, CMMouseEnter)
        MESSAGE_HANDLER(CM_MOUSELEAVE, CMMouseLeave)
        MESSAGE_HANDLER(CM_ENABLEDCHANGED, CMEnabledChanged)
        MESSAGE_HANDLER(CM_TEXTCHANGED, CMTextChanged)
        MESSAGE_HANDLER(CM_COLORCHANGED, CMColorChanged)
        MESSAGE_HANDLER(WM_LBUTTONDBLCLK, WMLButtonDblClk)
        MESSAGE_HANDLER(WM_THEMECHANGED, WMThemeChanged)
    END_MESSAGE_MAP(TGraphicControl)

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void CreateThemeHandle();
    void FreeThemeHandle();

    void CMDialogKey(TMessage& Message);
    void CMDialogChar(TMessage& Message);
    void CMButtonPressed(TMessage& Message);
    void CMMouseEnter(TMessage& Message);
    void CMMouseLeave(TMessage& Message);
    void CMEnabledChanged(TMessage& Message);
    void CMTextChanged(TMessage& Message);
    void CMColorChanged(TMessage& Message);
    void WMLButtonDblClk(TMessage& Message);
    void WMThemeChanged(TMessage& Message);

private:
    void Play(const TExSoundName& Sound);
    bool InArrowZone(int X) const;
    bool Pressed() const;
    bool Hot() const { return FMouseInControl || FMouseInArrow; }
    void UpdateExclusive();
    void UpdateTracking();
    void SetListOf(TCustomImageList*& Field, TCustomImageList* Value);
    void ImageListChanged(TObject* Sender);
    void DeriveShadows();
    void FrameRect(HDC DC, const TRect& R, bool Flag, bool PressedLook, TColor Face);
    // The menu window's messages.
    void MenuWndProc(TMessage& Message);

    std::string FCaption;
    bool FTransparent = false;
    TExTextDrawType FTextDrawType = tdtNormal;
    bool FUseXPThemes = false;
    HTHEME FTheme = nullptr;
    HTHEME FArrowTheme = nullptr;
    HWND FMenuWindow = nullptr;

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
    bool FFlat = false;
    bool FOldStyled = false;
    bool FThinFrame = false;
    bool FShowBorder = true;
    bool FShadowsUseCustom = false;
    TColor FShadowBtnHighlight = TColor(0xF7F7F5);
    TColor FShadowBtnShadow = TColor(0x767A60);
    TColor FShadowBtnDkShadow = TColor(0x595C48);
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
};

class TExGraphicButton : public TCustomExGraphicButton {
public:
    explicit TExGraphicButton(TComponent* AOwner) : TCustomExGraphicButton(AOwner) {}
};
