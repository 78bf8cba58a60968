// TCustomExGraphicButton: the window-less twin of the popup button. It paints on its parent's
// surface and never takes the focus, but has the same pictures, states, groups, switch mode, split
// arrow part with its pull-down menu, sounds, backgrounds, image form and custom shadows. Its
// pull-down menu belongs to a hidden utility window whose messages come back to the button.
#pragma once

#include <memory>
#include <string>

#include "controls/Expopbtn.h"

class TCustomExGraphicButton : public TExPushButton<TGraphicControl> {
    using Inherited = TExPushButton<TGraphicControl>;

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

    virtual bool GetChecked() { return FDown; }
    virtual void SetChecked(bool Value) { SetDown(Value); }

    // ---- dialog role (Default has no published property here)
    bool Default = false;

    HWND MenuWindow() const { return FMenuWindow; }

    using Inherited::Click;
    // A click of the body or (IsArrow) of the arrow part; opens the pull-down menu where it applies.
    virtual void Click(bool IsArrow);
    virtual int GetThemePartID() { return 1; }
    virtual int GetThemeStateID();
    virtual std::u16string GetThemedClassName() { return u"BUTTON"; }
    virtual int GetArrowThemePartID() { return 1; }
    virtual int GetArrowThemeStateID();
    virtual std::u16string GetArrowThemedClassName() { return u"COMBOBOX"; }
    Integer GetArrowSize() override;
    virtual void DrawThemedBackground(TCanvas* ACanvas);
    void WndProc(TMessage& Message) override;

    BEGIN_MESSAGE_MAP
        MESSAGE_HANDLER(CM_DIALOGKEY, CMDialogKey)
        MESSAGE_HANDLER(CM_DIALOGCHAR, CMDialogChar)
        MESSAGE_HANDLER(CM_TEXTCHANGED, CMTextChanged)
        MESSAGE_HANDLER(WM_THEMECHANGED, WMThemeChanged)
    END_MESSAGE_MAP(Inherited)

protected:
    void Paint() override;
    void CreateThemeHandle();
    void FreeThemeHandle();
    bool ThemeApplied() const override { return IsThemeApplied(); }
    void ClickPart(bool IsArrow) override { Click(IsArrow); }

    void CMDialogKey(TMessage& Message);
    void CMDialogChar(TMessage& Message);
    void CMTextChanged(TMessage& Message);
    void WMThemeChanged(TMessage& Message);

private:
    // Covers its whole rectangle only unthemed and not Transparent; otherwise the parent paints
    // under it, for the pixels that show through.
    void UpdateOpaque();
    // Repaints while the frame shows: not old-styled, hot and not pressed.
    bool FrameShowing() override { return !FOldStyled && Hot() && !Pressed(); }
    // The menu window's messages.
    void MenuWndProc(TMessage& Message);

    std::string FCaption;
    bool FTransparent = false;
    TExTextDrawType FTextDrawType = tdtNormal;
    bool FUseXPThemes = false;
    HTHEME FTheme = nullptr;
    HTHEME FArrowTheme = nullptr;
    HWND FMenuWindow = nullptr;
};

class TExGraphicButton : public TCustomExGraphicButton {
public:
    explicit TExGraphicButton(TComponent* AOwner) : TCustomExGraphicButton(AOwner) {}
};
