// The flat edit family: an edit box, a memo, a list box and a combo box over the platform's
// standard controls, each with a flat border that lights up while the control is hot or focused,
// a choice of border sides, the visual-style frame when one is available, and a background from
// the form's image form, the parent seen through the control, or a tiled bitmap.
#pragma once

#include <memory>
#include <string>

#include "ctlbase/Exvclutils.h"
#include "platform/StdCtrls.h"
#include "platform/UxTheme.h"

class TCustomExImageForm;
class TImgFormChangeLink;
class TBitmap;

// ---------------------------------------------------------------- advanced edit

class TCustomExAdvancedEdit : public TCustomEdit {
public:
    explicit TCustomExAdvancedEdit(TComponent* AOwner);
    ~TCustomExAdvancedEdit() override;

    TExFlatBorderType ActiveBorderType() const { return FActiveBorderType; }
    void SetActiveBorderType(TExFlatBorderType Value);
    TExFlatBorderType InactiveBorderType() const { return FInactiveBorderType; }
    void SetInactiveBorderType(TExFlatBorderType Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    TBitmap* Background() const { return FBackground.get(); }
    void SetBackground(TBitmap* Value);
    bool Flat() const { return FFlat; }
    virtual void SetFlat(bool Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    bool UseBackground() const { return FUseBackground; }
    void SetUseBackground(bool Value);
    TCustomExImageForm* ImageForm() const { return FImageForm; }
    virtual void SetImageForm(TCustomExImageForm* Value);
    TExBorderSides BorderSides() const { return FBorderSides; }
    void SetBorderSides(TExBorderSides Value);
    // Every key, Tab aside, stays in the edit instead of going to the form's dialog keys.
    bool HandleDialogKeys() const { return FHandleDialogKeys; }
    void SetHandleDialogKeys(bool Value) { FHandleDialogKeys = Value; }
    // Refused: the edit never hides what is typed; any other character than #0 is answered with a box.
    void SetPasswordChar(char Value) override;
    bool UseXPThemes() const { return FUseXPThemes; }
    virtual void SetUseXPThemes(bool Value);
    bool IsThemeApplied() const { return FUseXPThemes && FTheme != nullptr; }
    HTHEME Theme() const { return FTheme; }
    // The cursor is over the edit.
    bool MouseOver() const { return FMouseOver; }
    // The last key down was Ctrl+Return, Up, Down, Page Up or Page Down.
    bool KeyHandled() const { return FKeyHandled; }

    // Draws the flat border on DC (the window's whole-window context when null).
    void DrawFlatBorder(HDC DC);

    void Dispatch(TMessage& Message) override;

protected:
    virtual std::u16string GetThemedClassName() { return u"EDIT"; }
    virtual void FreeThemeHandle();
    virtual void CreateThemeHandle();
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void Change() override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    virtual void DoMouseEnter();
    virtual void DoMouseLeave();
    // Paints the whole client area at once through a bitmap, background and text together.
    virtual void DoPaint();
    bool BackgroundApplies() const;

private:
    bool Active();
    void BackgroundChanged(TObject* Sender);
    void ImageFormChanged(TObject* Sender);
    void WMEraseBkgnd(TMessage& Message);
    void WMPaint(TMessage& Message);
    void WMNCPaint(TMessage& Message);
    void WMNCCalcSize(TMessage& Message);
    void WMFocus(TMessage& Message);
    void WMGetDlgCode(TMessage& Message);
    void WMThemeChanged(TMessage& Message);
    void WMPaste(TMessage& Message);
    void CMMouse(TMessage& Message);
    void IFMRepaintChildren(TMessage& Message);

    TExFlatBorderType FActiveBorderType = fbtSunken;
    TAlignment FAlignment = taLeftJustify;
    std::unique_ptr<TBitmap> FBackground;
    bool FFlat = false;
    TExFlatBorderType FInactiveBorderType = fbtSunkenOuter;
    bool FMouseOver = false;
    bool FInPaint = false;
    bool FPaintingToMemory = false;
    bool FKeyHandled = false;
    bool FTransparent = false;
    bool FUseBackground = false;
    TCustomExImageForm* FImageForm = nullptr;
    std::unique_ptr<TImgFormChangeLink> FImageFormLink;
    bool FHandleDialogKeys = false;
    TExBorderSides FBorderSides = AllBorderSides;
    bool FUseXPThemes = true;
    HTHEME FTheme = nullptr;
};

class TExAdvancedEdit : public TCustomExAdvancedEdit {
public:
    explicit TExAdvancedEdit(TComponent* AOwner) : TCustomExAdvancedEdit(AOwner) {}
};

// ---------------------------------------------------------------- advanced memo

class TExAdvancedMemo : public TMemo {
public:
    explicit TExAdvancedMemo(TComponent* AOwner);
    ~TExAdvancedMemo() override;

    TExFlatBorderType ActiveBorderType() const { return FActiveBorderType; }
    void SetActiveBorderType(TExFlatBorderType Value);
    TExFlatBorderType InactiveBorderType() const { return FInactiveBorderType; }
    void SetInactiveBorderType(TExFlatBorderType Value);
    TBitmap* Background() const { return FBackground.get(); }
    void SetBackground(TBitmap* Value);
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    // The scroll bars keep their flat look while the memo is focused or hot.
    bool FlatFocusedScrollBars() const { return FFlatFocusedScrollBars; }
    void SetFlatFocusedScrollBars(bool Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    bool UseBackground() const { return FUseBackground; }
    void SetUseBackground(bool Value);
    TCustomExImageForm* ImageForm() const { return FImageForm; }
    void SetImageForm(TCustomExImageForm* Value);
    TExBorderSides BorderSides() const { return FBorderSides; }
    void SetBorderSides(TExBorderSides Value);
    bool HandleDialogKeys() const { return FHandleDialogKeys; }
    void SetHandleDialogKeys(bool Value) { FHandleDialogKeys = Value; }
    bool UseXPThemes() const { return FUseXPThemes; }
    void SetUseXPThemes(bool Value);
    bool IsThemeApplied() const { return FUseXPThemes && FTheme != nullptr; }
    HTHEME Theme() const { return FTheme; }
    bool MouseOver() const { return FMouseOver; }

    // The flat border and the flat scroll bars on DC (the whole-window context when null).
    void DrawFlatBorder(HDC DC);

    void Dispatch(TMessage& Message) override;

protected:
    virtual void FreeThemeHandle();
    virtual void CreateThemeHandle();
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void Change() override;
    virtual void DoMouseEnter();
    virtual void DoMouseLeave();
    virtual void DoPaint();
    bool BackgroundApplies() const;

private:
    bool Active();
    void BackgroundChanged(TObject* Sender);
    void WMEraseBkgnd(TMessage& Message);
    void WMPaint(TMessage& Message);
    void WMNCPaint(TMessage& Message);
    void WMFocus(TMessage& Message);
    void WMGetDlgCode(TMessage& Message);
    void WMKeyDown(TMessage& Message);
    void WMThemeChanged(TMessage& Message);
    void CMMouse(TMessage& Message);
    void IFMRepaintChildren(TMessage& Message);

    TExFlatBorderType FActiveBorderType = fbtSunken;
    std::unique_ptr<TBitmap> FBackground;
    bool FFlat = false;
    bool FFlatFocusedScrollBars = false;
    TExFlatBorderType FInactiveBorderType = fbtSunkenOuter;
    bool FMouseOver = false;
    bool FInPaint = false;
    bool FPaintingToMemory = false;
    bool FTransparent = false;
    bool FUseBackground = false;
    TCustomExImageForm* FImageForm = nullptr;
    std::unique_ptr<TImgFormChangeLink> FImageFormLink;
    TExBorderSides FBorderSides = AllBorderSides;
    bool FHandleDialogKeys = false;
    bool FUseXPThemes = true;
    HTHEME FTheme = nullptr;
};
