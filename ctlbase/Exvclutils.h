// The library's toolbox for owner-drawn controls: colour arithmetic, fills, text, focus dots,
// gradients, arrows and the frame family; transparent copies, tiling and blending; flat scroll
// bars; desktop geometry, sizing-border hit tests, the wait cursor and small owner and key queries.
// Every pen, brush, context or bitmap a function makes is gone again when it returns, and every
// object it selects into the caller's context is deselected.
#pragma once

#include <string>

#include "platform/Controls.h"

class TCanvas;
class TBitmap;
class TComponent;
class TForm;

enum TExBkGndType {
    bgtTileBitmap, bgtStretchBitmap, bgtColorFill, bgtCenterBitmap, bgtHorzGradient, bgtVertGradient,
    bgtTopLeftBitmap
};
enum TExBorderSide { ebsLeft, ebsRight, ebsTop, ebsBottom };
// Bit n stands for the side of ordinal n.
using TExBorderSides = Byte;
constexpr TExBorderSides BorderSide(TExBorderSide Side) { return TExBorderSides(1u << Side); }
constexpr bool HasSide(TExBorderSides Sides, TExBorderSide Side) { return (Sides & BorderSide(Side)) != 0; }
constexpr TExBorderSides AllBorderSides = 0x0F;

enum TExFlatBorderType : Byte {
    fbtFlat, fbtSunken, fbtSunkenInner, fbtSunkenOuter, fbtRaised, fbtRaisedInner, fbtRaisedOuter,
    fbtBump, fbtBigBump, fbtEtched, fbtFramed, fbtLine, fbtLineBorder, fbtNone
};
enum TExTextDrawType { tdtNormal, tdtShadowed, tdtRaised };
enum TExArrowDir { eadLeft, eadUp, eadRight, eadDown };
enum TTaskbarEdge { tbeBottom, tbeLeft, tbeTop, tbeRight };

// System-metric index of the border width: [false] the thin border, [true] the 3-D edge.
extern const int smXEdge[2];
extern const int smYEdge[2];
// The cursor StartWait shows.
extern SmallInt WaitCursor;
// Number of the broadcast a control receives after its parent repainted (WParam: the control
// whose painting caused it; LParam: the repainted rectangle in the parent's client coordinates).
extern const UINT ParentControlRepaintedMessage;

// ---------------------------------------------------------------- colours
// Adds the deltas to the components, each kept within 0..255.
TColor IncColor(TColor Color, Integer dR, Integer dG, Integer dB);
TColor InvertColor(TColor Color);
// Hue in bits 0-7, lightness 8-15, saturation 16-23, each on the scale 0..252. A grey has hue 168.
Integer RGBtoHLS(TColor Color);
TColor HLStoRGB(Integer HLS);

// ---------------------------------------------------------------- fills and text
void FillSolidRect2(HDC DC, const TRect& Rect, TColor Color);
void FillSolidRect(HDC DC, Integer X, Integer Y, Integer W, Integer H, TColor Color);
// Top and left lines in TopLeftColor, right and bottom in BottomRightColor, each only for a side
// in Sides; the bottom-right colour takes the two far corners.
void Draw3dRectEx(HDC DC, Integer X, Integer Y, Integer CX, Integer CY, TColor TopLeftColor,
                  TColor BottomRightColor, TExBorderSides Sides);
// One ring of one-pixel lines on the chosen sides; returns Rect less the sides drawn.
TRect DrawBevel(HDC DC, const TRect& Rect, TColor TopLeftColor, TColor BottomRightColor, TExBorderSides Sides);
void DrawTypedText(TCanvas* Canvas, const TRect& Rect, const std::string& Text, UINT Flags,
                   TExTextDrawType DrawType);
void DrawTypedTextW(TCanvas* Canvas, const TRect& Rect, const std::u16string& Text, UINT Flags,
                    TExTextDrawType DrawType);
// A dotted rectangle in the canvas's pen whose dots lie on the one checkerboard where x + y is even.
void DrawFocus(TCanvas* Canvas, const TRect& Rect);

// ---------------------------------------------------------------- gradients and arrows
// Steps bands from StartColor to EndColor across the width, or down the height when Vertical.
void GradientFill(HDC DC, const TRect& Rect, TColor StartColor, TColor EndColor, Integer Steps, bool Vertical);
// The part of a gradient over GradientRect that lies under DrawRect + Origin, painted at DrawRect.
void GradientFillEx(HDC DC, const TRect& DrawRect, const TRect& GradientRect, const TPoint& Origin,
                    TColor StartColor, TColor EndColor, Integer Steps, bool Vertical);
// A solid triangle 4 x 7 (or 7 x 4) pixels centred in Rect; nothing when Rect is too small.
void DrawArrow(TCanvas* Canvas, TExArrowDir Direction, const TRect& Rect, TColor Color, bool Enabled);

// ---------------------------------------------------------------- frames
// Colour arguments named ...Index are system colour indexes.
void Draw3dBorder(HDC DC, const TRect& Rect, int OuterTopLeftIndex, int OuterBottomRightIndex,
                  int InnerTopLeftIndex, int InnerBottomRightIndex);
void DrawButtonFrame(HDC DC, const TRect& Rect, bool Focused, bool Down);
void DrawButtonFrameEx(HDC DC, const TRect& Rect, bool Focused, bool Down, TColor FaceColor, bool Thin);
void DrawButtonFrameEx3(HDC DC, const TRect& Rect, bool Focused, bool Down, TColor FaceColor, bool Thin,
                        TExBorderSides Sides);
void DrawButtonFrameEx2(HDC DC, const TRect& Rect, bool Focused, bool Down, TColor FaceColor, bool Thin,
                        TColor Highlight, TColor DarkShadow, TColor Face, TColor Shadow);
void DrawFlatFrame(HDC DC, const TRect& Rect, TColor BkColor, bool Focused);
void DrawFlatFrame2(HDC DC, const TRect& Rect, TColor BkColor, bool Focused, TExBorderSides Sides);
void DrawFlatFrameEx(HDC DC, const TRect& Rect, TColor BkColor, bool Flag1, bool Flag2);
void DrawFlatFrameEx2(HDC DC, const TRect& Rect, TColor BkColor, bool Flag1, bool Flag2, TExBorderSides Sides,
                      TExFlatBorderType BorderType);
void DrawFlatScrollbarThumb(HDC DC, const TRect& Rect, bool Down);

// ---------------------------------------------------------------- bitmaps
// Copies SrcRect of Bitmap to (X, Y), leaving the destination where the bitmap has TransparentColor.
void DrawTransparentBitmapEx(HDC DC, TBitmap* Bitmap, Integer X, Integer Y, const TRect& SrcRect,
                             TColor TransparentColor);
// Covers Rect with copies of Bitmap starting at Rect's top-left corner.
void TiledPaint(TCanvas* Canvas, TBitmap* Bitmap, const TRect& Rect);
// Blends with a constant Alpha (0..255); false when the system offers no blending.
bool AlphaBlend(HDC DestDC, Integer X, Integer Y, Integer W, Integer H, HDC SrcDC, Integer SrcX, Integer SrcY,
                Integer SrcW, Integer SrcH, Integer Alpha);
// new = (old * (256 - Alpha) + src * Alpha) div 256 per component.
void AlphaCopyRect(TCanvas* DestCanvas, const TRect& DestRect, TCanvas* SrcCanvas, const TRect& SrcRect,
                   Integer Alpha);
void AlphaFillRect(TCanvas* Canvas, const TRect& Rect, TColor Color, Integer Alpha);

// ---------------------------------------------------------------- flat scroll bars
// Frames the arrow buttons and thumb of the standard scroll bars Wnd shows, over Rect (the
// window rectangle moved to (0, 0)). HorzFlag / VertFlag: that bar's thumb is being tracked.
void DrawFlatScrollbars(HWND Wnd, HDC DC, const TRect& Rect, bool Pressed, TScrollStyle ScrollBars,
                        bool HorzFlag, bool VertFlag, bool CtlFlag);
// The colours and the two last flags do not change the drawing.
void DrawFlatScrollBarsEx(HWND Wnd, HDC DC, const TRect& Rect, bool Pressed, TScrollStyle ScrollBars,
                          bool HorzFlag, bool VertFlag, bool CtlFlag, TColor Color1, TColor Color2,
                          TColor Color3, TColor Color4, TColor Color5, bool Flag1, bool Flag2);
// One bar in BarRect: horizontal or vertical, Tracking places the thumb by the tracking position.
void DrawFlatScrollBarEx(HWND Wnd, HDC DC, const TRect& BarRect, bool Pressed, bool Horizontal, bool Tracking,
                         bool CtlFlag, TColor Color1, TColor Color2, TColor Color3, TColor Color4,
                         TColor Color5, bool Flag1, bool Flag2);

// ---------------------------------------------------------------- geometry and system queries
TRect GetWorkSpaceRect();
Integer GetWorkSpaceTop();
Integer GetWorkSpaceLeft();
Integer GetWorkSpaceBottom();
Integer GetWorkSpaceRight();
// The work area: the screen less what the desktop keeps for its panels.
TRect GetDesktopRect();
Integer GetDesktopTop();
Integer GetDesktopLeft();
Integer GetDesktopBottom();
Integer GetDesktopRight();
// Empty when the desktop exposes no such window.
TRect GetTaskbarRect();
TRect GetSysTrayRect();
TTaskbarEdge GetTaskbarEdge();
void MinimizeToTray(HWND Wnd);
// Auto-repeat timing in milliseconds for the keyboard speed and delay codes; other codes give the
// system's raw value.
Integer GetKeybTimes(UINT Code);
char GetTimeAMChar();
char GetTimePMChar();
// True when the two rectangles share no pixel (their intersection is empty), false when they overlap.
bool RectsIntersect(const TRect& R1, const TRect& R2);
TWinControl* FindVCLChild(TWinControl* Parent, HWND Wnd);
// The first control up the owner chain (Component itself included); nil when there is none.
TControl* GetTopOwnerControl(TComponent* Component);
// Component itself when it is a form, else the first form up its chain of owners; nil when none.
TForm* GetOwnerForm(TComponent* Component);
bool ModalFormVisible();
bool Win2KHideUIState();
Integer ShiftStateToKeyData(TShiftState Shift);
// Hit-test code of Point for a sizing border of BorderSize around Rect with corners of CornerSize.
Integer HitTest(const TRect& Rect, const TPoint& Point, Integer CornerSize, Integer BorderSize);
void StartWait();
void StopWait();
// A new solid pen of width 1; the caller deletes it.
HPEN GetSysColorPen(COLORREF Color);
