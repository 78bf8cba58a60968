// What the flat edit family shares: where a control's background comes from (a form's image form,
// its parent seen through it, or a tiled bitmap), painting each of them into a device context, the
// client area won back from left-out border sides, and the visual-style frame.
#pragma once

#include "ctlbase/Exvclutils.h"
#include "platform/UxTheme.h"

class TBitmap;
class TCustomExImageForm;

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

}  // namespace exflat
