// What the flat edit family shares: where a control's background comes from (a form's image form,
// its parent seen through it, or a tiled bitmap), painting each of them into a device context, the
// client area won back from left-out border sides, the visual-style frame and theme, and the base
// the advanced edit, memo and list box are made on.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "ctlbase/Exvclutils.h"
#include "platform/Controls.h"
#include "platform/UxTheme.h"

class TBitmap;
class TCustomExImageForm;
class TImgFormChangeLink;

namespace exflat {

// Tested in this order; bsrcNormal is the control's own erase.
enum TBkSource { bsrcNormal, bsrcImageForm, bsrcTransparent, bsrcBitmap };

// The image form is in use: it paints something other than a plain colour, and the control it
// paints is not being designed.
bool ImageFormPaints(TCustomExImageForm* Form);
TBkSource BackgroundSource(TCustomExImageForm* Form, bool Transparent, bool UseBackground, TBitmap* Bitmap);

// The part of the image form's background that lies under R of Control's client area, painted
// into DC; nothing (and false) when the form paints Control itself.
bool PaintFormBackground(TCustomExImageForm* Form, TWinControl* Control, HDC DC, const TRect& R);
// The parent's background and painting as they lie under Control's client area, drawn into DC (a
// context in Control's client coordinates); nothing without a parent.
void DrawParentControl(TWinControl* Control, HDC DC);
// Copies of Bitmap cover R from its top-left corner, rows by the bitmap's height.
void TileBitmap(HDC DC, TBitmap* Bitmap, const TRect& R);
// WM_ERASEBKGND from Source over Control's client area; false for bsrcNormal (nothing done).
bool EraseBackground(TWinControl* Control, TBkSource Source, TCustomExImageForm* Form, TBitmap* Bitmap, HDC DC);
// Control's whole client area erased and painted into a bitmap (PaintingToMemory set meanwhile) and
// copied to the window at once, the caret hidden; false when a handler freed Control on the way.
bool PaintClientAtOnce(TWinControl* Control, bool& PaintingToMemory);

// R (a window's client rectangle as WM_NCCALCSIZE proposes it) grows by one edge width on every
// side missing from Sides.
void WidenForMissingSides(RECT& R, TExBorderSides Sides);

// The theme's frame (part 0, state 0) over the window rectangle, the client area and the scroll
// bars left alone (the default painting draws those first). UpdateRgn is WM_NCPAINT's region (1:
// the whole window).
void PaintThemedFrame(HWND Wnd, HTHEME Theme, HRGN UpdateRgn);

// A theme of class Name opened for Wnd while themes are available; nil otherwise.
HTHEME OpenTheme(HWND Wnd, const std::u16string& Name);
// Closes Theme (while themes are available) and forgets it.
void CloseTheme(HTHEME& Theme);
// UseXPThemes switched to On while Control's window exists: its theme (Theme now) is opened or
// closed at once where that changes anything, and the window is drawn again, frame too.
void SwitchTheme(TWinControl* Control, bool On, HTHEME Theme, const std::function<void()>& Open,
                 const std::function<void()>& Close);
// The mouse came onto Control (Enter) or went: its parent hears first (it tracks its children's hot
// state), then MouseOver takes it. False when a handler freed Control on the way.
bool TakeHotState(TWinControl* Control, bool Enter, bool& MouseOver);
// Control's OnMouseEnter or OnMouseLeave.
void TellMouse(TControl* Control, bool Enter);

// The widths of a list's items, counted by width, so that the widest is known after an item comes
// or goes without measuring the others again. Measured afresh (Reset) whenever what an item
// measures may have changed: a new font, a new window.
class TItemWidths {
public:
    // Every item (0..Count-1) measured; answers the widest (0 for none).
    int Reset(int Count, const std::function<int(int)>& Measure);
    void Add(int Width) { ++FCount[Width]; }
    // An item of that width went. False when none was counted, as when it was measured in another
    // font: then only a fresh count is right.
    bool Remove(int Width);
    void Clear() { FCount.clear(); }
    int Widest() const { return FCount.empty() ? 0 : FCount.rbegin()->first; }

private:
    std::map<int, int> FCount;
};

// What the advanced edit, memo and list box share, one copy for all three: the flat border's two
// types and its sides, the hot state, the visual-style theme, and the background taken from an
// image form, the parent seen through the control or a tiled bitmap. TBase is the platform
// control each of them is made from.
template <class TBase>
class TFlatControl : public TBase {
public:
    explicit TFlatControl(TComponent* AOwner);
    ~TFlatControl() override;

    TExFlatBorderType ActiveBorderType() const { return FActiveBorderType; }
    void SetActiveBorderType(TExFlatBorderType Value);
    TExFlatBorderType InactiveBorderType() const { return FInactiveBorderType; }
    void SetInactiveBorderType(TExFlatBorderType Value);
    // The tiled bitmap, read through GetBackground.
    TBitmap* Background() { return GetBackground(); }
    void SetBackground(TBitmap* Value);
    bool Flat() const { return FFlat; }
    virtual void SetFlat(bool Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    bool UseBackground() const { return FUseBackground; }
    virtual void SetUseBackground(bool Value);
    TCustomExImageForm* ImageForm() const { return FImageForm; }
    virtual void SetImageForm(TCustomExImageForm* Value);
    TExBorderSides BorderSides() const { return FBorderSides; }
    void SetBorderSides(TExBorderSides Value);
    bool UseXPThemes() const { return FUseXPThemes; }
    virtual void SetUseXPThemes(bool Value);
    bool IsThemeApplied() const { return FUseXPThemes && FTheme != nullptr; }
    HTHEME Theme() const { return FTheme; }
    // The cursor is over the control.
    bool MouseOver() const { return FMouseOver; }

protected:
    // The control's flat border (and what else it draws on its frame) on DC, the window's
    // whole-window context when null; Tracking: with the scroll bars' thumb-tracking state.
    virtual void PaintFlatBorder(HDC DC, bool Tracking) = 0;
    virtual std::u16string GetThemedClassName() { return u"EDIT"; }
    virtual void FreeThemeHandle();
    virtual void CreateThemeHandle();
    virtual TBitmap* GetBackground() { return FBackground.get(); }
    // The tiled bitmap changed.
    virtual void BackgroundChanged();
    virtual void DoMouseEnter();
    virtual void DoMouseLeave();
    // Paints the whole client area at once through a bitmap, background and text together.
    virtual void DoPaint();
    // The hot state redraws the border under a theme applied to this control.
    virtual bool HotRedrawsThemed() const { return IsThemeApplied(); }
    // The focus came (before the border is redrawn for it).
    virtual void FocusGained() {}
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    // The text changed: over a background the whole client area is painted at once.
    void TextChanged();
    TBkSource BackgroundSource() { return exflat::BackgroundSource(FImageForm, FTransparent, FUseBackground, GetBackground()); }
    bool BackgroundApplies() { return BackgroundSource() != bsrcNormal; }
    // Focused or hot.
    bool Active();

    // The flat frame and, unless the control is focused but not hot while its bars stay plain
    // when focused, the scroll bars Bars drawn flat, on DC (the whole-window context when null).
    void DrawFrameAndBars(HDC DC, TScrollStyle Bars, bool HThumbTracking, bool VThumbTracking);
    bool FlatFocusedScrollBars() const { return FFlatFocusedScrollBars; }
    void SetFlatFocusedScrollBars(bool Value);

    // Message handlers the three share.
    void CMMouse(TMessage& Message);
    void WMFocus(TMessage& Message);
    void WMThemeChanged(TMessage& Message);
    void WMNCCalcSize(TMessage& Message);
    void WMNCPaint(TMessage& Message);
    void WMEraseBkgnd(TMessage& Message);
    // The default painting, then the whole client area at once while a background applies, then
    // the flat border.
    void WMPaint(TMessage& Message);
    void WMWindowPosChanged(TMessage& Message);
    // Post: the children hear of it by posted messages rather than at once.
    void IFMRepaintChildren(TMessage& Message, bool Post);
    // The messages the edit and the memo handle alike (painting, frame, focus, hot state, theme,
    // colours and moves); false for any other, which is left alone.
    bool DispatchFlat(TMessage& Message);

    TExFlatBorderType FActiveBorderType = fbtSunken;
    TExFlatBorderType FInactiveBorderType = fbtSunkenOuter;
    std::unique_ptr<TBitmap> FBackground;
    bool FFlat = false;
    bool FFlatFocusedScrollBars = false;
    bool FMouseOver = false;
    bool FInPaint = false;
    bool FPaintingToMemory = false;
    bool FTransparent = false;
    bool FUseBackground = false;
    TCustomExImageForm* FImageForm = nullptr;
    std::unique_ptr<TImgFormChangeLink> FImageFormLink;
    TExBorderSides FBorderSides = AllBorderSides;
    bool FUseXPThemes = true;
    HTHEME FTheme = nullptr;
};

}  // namespace exflat
