// The flat edit family: an edit box, a memo, a list box and a combo box over the platform's
// standard controls, each with a flat border that lights up while the control is hot or focused,
// a choice of border sides, the visual-style frame when one is available, and a background from
// the form's image form, the parent seen through the control, or a tiled bitmap.
#pragma once

#include <memory>
#include <string>

#include "controls/Exflatctl.h"
#include "ctlbase/Exvclutils.h"
#include "platform/HintWindow.h"
#include "platform/StdCtrls.h"
#include "platform/UxTheme.h"

class TCustomExImageForm;
class TImgFormChangeLink;
class TBitmap;

// ---------------------------------------------------------------- advanced edit

class TCustomExAdvancedEdit : public exflat::TFlatControl<TCustomEdit> {
public:
    explicit TCustomExAdvancedEdit(TComponent* AOwner);

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    // Every key, Tab aside, stays in the edit instead of going to the form's dialog keys.
    bool HandleDialogKeys() const { return FHandleDialogKeys; }
    void SetHandleDialogKeys(bool Value) { FHandleDialogKeys = Value; }
    // Refused: the edit never hides what is typed; any other character than #0 is answered with a box.
    void SetPasswordChar(char Value) override;
    // The last key down was Ctrl+Return, Up, Down, Page Up or Page Down.
    bool KeyHandled() const { return FKeyHandled; }

    // Draws the flat border on DC (the window's whole-window context when null).
    void DrawFlatBorder(HDC DC);

    void Dispatch(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void Change() override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void PaintFlatBorder(HDC DC, bool) override { DrawFlatBorder(DC); }
    // The edit's border follows the hot state whenever the theme library is there.
    bool HotRedrawsThemed() const override;
    void FocusGained() override;

private:
    void WMGetDlgCode(TMessage& Message);
    void WMPaste(TMessage& Message);

    TAlignment FAlignment = taLeftJustify;
    bool FKeyHandled = false;
    bool FHandleDialogKeys = false;
};

class TExAdvancedEdit : public TCustomExAdvancedEdit {
public:
    explicit TExAdvancedEdit(TComponent* AOwner) : TCustomExAdvancedEdit(AOwner) {}
};

// ---------------------------------------------------------------- advanced memo

class TExAdvancedMemo : public exflat::TFlatControl<TMemo> {
public:
    explicit TExAdvancedMemo(TComponent* AOwner);

    // The scroll bars keep their flat look while the memo is focused or hot.
    using TFlatControl::FlatFocusedScrollBars;
    using TFlatControl::SetFlatFocusedScrollBars;
    bool HandleDialogKeys() const { return FHandleDialogKeys; }
    void SetHandleDialogKeys(bool Value) { FHandleDialogKeys = Value; }

    // The flat border and the flat scroll bars on DC (the whole-window context when null).
    void DrawFlatBorder(HDC DC);

    void Dispatch(TMessage& Message) override;

protected:
    void Change() override;
    void PaintFlatBorder(HDC DC, bool) override { DrawFlatBorder(DC); }

private:
    void WMGetDlgCode(TMessage& Message);
    void WMKeyDown(TMessage& Message);

    bool FHandleDialogKeys = false;
    bool FRedrawOff = false;
};

// ---------------------------------------------------------------- advanced list box

class TTimer;
class THintWindow;

// The hint window a list box shows a clipped item's whole text in.
class TListBoxHintWindow : public THintWindow {
public:
    using THintWindow::THintWindow;
};

class TExAdvancedListBox : public exflat::TFlatControl<TListBox> {
public:
    explicit TExAdvancedListBox(TComponent* AOwner);
    ~TExAdvancedListBox() override;

    using TFlatControl::FlatFocusedScrollBars;
    using TFlatControl::SetFlatFocusedScrollBars;
    // A selected item shows the unselected background, inverted.
    bool InvertSelection() const { return FInvertSelection; }
    void SetInvertSelection(bool Value);
    TColor SelectedColor() const { return FSelectedColor; }
    void SetSelectedColor(TColor Value);
    TFont* SelectedFont() const { return FSelectedFont.get(); }
    void SetSelectedFont(TFont* Value);
    // The list keeps its window: a tiled bitmap is only drawn anew.
    void SetUseBackground(bool Value) override;
    // A selected item keeps the background and the normal text colour.
    bool TransparentSelection() const { return FTransparentSelection; }
    void SetTransparentSelection(bool Value);
    // The whole text of an item wider than the box shows in a hint while the mouse rests on it.
    bool ShowLineHint() const { return FShowLineHint; }
    void SetShowLineHint(bool Value) { FShowLineHint = Value; }
    void SetStyle(TListBoxStyle Value) override;
    // The list scrolls sideways as far as its widest item.
    bool HorizontalScroll() const { return FHorizontalScroll; }
    void SetHorizontalScroll(bool Value);
    int MaxItemWidth() const { return FMaxItemWidth; }
    // The item the line hint is armed or shown for (-1: none), and its window while shown.
    int LineHintItem() const { return FLineHintItem; }
    THintWindow* LineHintWindow() const { return FLineHintWindow.get(); }

    // The item the hints take to be under a client ordinate; a point on an item's first row
    // counts for the item above. -1 when that is no item.
    int HintItemAt(int Y);
    void DrawFlatBorder(HDC DC, bool HThumbTracking, bool VThumbTracking);
    void ResetHorizontalExtent();

    void Loaded() override;
    void Dispatch(TMessage& Message) override;

protected:
    virtual int GetItemWidth(int Index);
    virtual int GetParentCtlWidth();
    virtual int GetParentCtlHeight();
    virtual TPoint RealScreenToClient(const TPoint& Point);
    virtual THintWindow* CreateHintWindow();
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void DrawItem(int Index, TRect Rect, TOwnerDrawState State) override;
    void PaintFlatBorder(HDC DC, bool Tracking) override;
    void BackgroundChanged() override { Invalidate(); }

private:
    bool AnySelected();
    void SetHorizontalExtent();
    void IntMouseMove(int X, int Y);
    void CancelLineHint();
    void ReleaseLineHintWindow();
    void OnLineHintTimer(TObject* Sender);
    void HintWndProc(TMessage& Message);
    void RedrawAfterScroll();
    void PaintItemBackground(HDC DC, const TRect& Rect);
    void WMPaint(TMessage& Message);
    void WMScroll(TMessage& Message);
    void CMFontChanged(TMessage& Message);
    void CMParentFontChanged(TMessage& Message);
    void CMHintShow(TMessage& Message);
    void ListMessage(TMessage& Message);

    bool FInvertSelection = false;
    int FTopIndexSeen = 0;
    TColor FSelectedColor = clHighlight;
    std::unique_ptr<TFont> FSelectedFont;
    bool FVThumbTracking = false;
    bool FHThumbTracking = false;
    bool FTransparentSelection = false;
    bool FShowLineHint = false;
    int FLineHintItem = -1;
    int FMaxItemWidth = 0;
    exflat::TItemWidths FWidths;
    bool FHorizontalScroll = false;
    std::unique_ptr<TTimer> FLineHintTimer;
    std::unique_ptr<THintWindow> FLineHintWindow;
    TWndMethod FSavedHintWndProc;
    bool FSelectedFontFromParent = false;
    bool FRedrawOff = false;
    // Set while an item is added or deleted: the frame and bars wait for the paint the change asks for.
    bool FItemsChanging = false;
    // A frame asked for meanwhile is drawn by that paint.
    bool FFrameOwed = false;
};

// ---------------------------------------------------------------- advanced combo box

namespace exflat {
class TWndProcInstance;
}

class TExAdvancedComboBox : public TComboBox {
public:
    explicit TExAdvancedComboBox(TComponent* AOwner);
    ~TExAdvancedComboBox() override;

    TExFlatBorderType ActiveBorderType() const { return FActiveBorderType; }
    void SetActiveBorderType(TExFlatBorderType Value);
    TExFlatBorderType InactiveBorderType() const { return FInactiveBorderType; }
    void SetInactiveBorderType(TExFlatBorderType Value);
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    // The drop-down button as a one-pixel frame (while the list is closed).
    bool BtnFlat() const { return FBtnFlat; }
    void SetBtnFlat(bool Value);
    // The drop-down button is the arrow alone on the box's colour.
    bool BtnTransparent() const { return FBtnTransparent; }
    void SetBtnTransparent(bool Value);
    // A thin button frame that does not rise while the box is hot or focused.
    bool BtnThinFrame() const { return FBtnThinFrame; }
    void SetBtnThinFrame(bool Value);
    // The drop-down list scrolls sideways as far as its widest item.
    bool HorizontalScroll() const { return FHorizontalScroll; }
    void SetHorizontalScroll(bool Value);
    bool UseXPThemes() const { return FUseXPThemes; }
    void SetUseXPThemes(bool Value);
    bool IsThemeApplied() const { return FUseXPThemes && FTheme != nullptr; }
    HTHEME Theme() const { return FTheme; }
    bool MouseOver() const { return FMouseOver; }
    int MaxItemWidth() const { return FMaxItemWidth; }
    // The child windows while they are subclassed (0 otherwise).
    HWND SubclassedEdit() const { return FEditHandle; }
    HWND SubclassedList() const { return FListHandle; }

    // Observers of every message of the edit and list windows, before their own procedures.
    TWndMethod EditHook;
    TWndMethod ListHook;

    // The box, or for a box with an edit field that field, has the focus.
    bool IsFocused();
    void UpdateFrame();
    void ResetHorizontalExtent();

    void WndProc(TMessage& Message) override;

protected:
    virtual int GetItemWidth(int Index);
    virtual void FreeThemeHandle();
    virtual void CreateThemeHandle();
    // The flat frame stands in for the border styles; WS_HSCROLL asks for the list's sideways bar.
    void CreateParams(TCreateParams& Params) override;
    // The box's WS_HSCROLL belongs to its list: the box's own window shows no bar.
    void CreateWindowHandle(const TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;

private:
    friend class exflat::TWndProcInstance;
    void EditWndProc(TMessage& Message);
    void ListWndProc(TMessage& Message);
    void ListExtent(TMessage& Message);
    void PaintListScrollBars(HDC DC, bool HThumbTracking, bool VThumbTracking);
    void DrawFlatBorder(bool DrawButton);
    void SetHorizontalExtent();
    void RestoreEdit();
    void RestoreList();
    void Subclass(HWND Child);
    void CMMouse(TMessage& Message);
    void MouseLeft();

    TExFlatBorderType FActiveBorderType = fbtSunken;
    TExFlatBorderType FInactiveBorderType = fbtSunkenOuter;
    bool FFlat = false;
    std::unique_ptr<TCanvas> FFrameCanvas;
    std::unique_ptr<exflat::TWndProcInstance> FListProcInstance;
    std::unique_ptr<exflat::TWndProcInstance> FEditProcInstance;
    WNDPROC FOldEditProc = nullptr;
    WNDPROC FOldListProc = nullptr;
    bool FHorizontalScroll = false;
    bool FHThumbTracking = false;
    bool FVThumbTracking = false;
    HTHEME FTheme = nullptr;
    HWND FListHandle = nullptr;
    HWND FEditHandle = nullptr;
    bool FMouseOver = false;
    int FMaxItemWidth = 0;
    exflat::TItemWidths FWidths;
    bool FBtnFlat = false;
    bool FBtnTransparent = false;
    bool FUseXPThemes = true;
    bool FBtnThinFrame = true;
};
