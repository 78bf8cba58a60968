// Colours, fonts, pens, brushes, canvases, bitmaps and pictures of the class library.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Classes.h"
#include "platform/Windows.h"

MORVIK_EXCEPTION(EInvalidGraphic, Exception);
MORVIK_EXCEPTION(EInvalidGraphicOperation, Exception);
MORVIK_EXCEPTION(EResNotFound, Exception);

constexpr TColor clSystemColor = TColor(0x80000000);
constexpr TColor clScrollBar = clSystemColor | COLOR_SCROLLBAR;
constexpr TColor clBackground = clSystemColor | COLOR_BACKGROUND;
constexpr TColor clActiveCaption = clSystemColor | COLOR_ACTIVECAPTION;
constexpr TColor clInactiveCaption = clSystemColor | COLOR_INACTIVECAPTION;
constexpr TColor clMenu = clSystemColor | COLOR_MENU;
constexpr TColor clWindow = clSystemColor | COLOR_WINDOW;
constexpr TColor clWindowFrame = clSystemColor | COLOR_WINDOWFRAME;
constexpr TColor clMenuText = clSystemColor | COLOR_MENUTEXT;
constexpr TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;
constexpr TColor clCaptionText = clSystemColor | COLOR_CAPTIONTEXT;
constexpr TColor clActiveBorder = clSystemColor | COLOR_ACTIVEBORDER;
constexpr TColor clInactiveBorder = clSystemColor | COLOR_INACTIVEBORDER;
constexpr TColor clAppWorkSpace = clSystemColor | COLOR_APPWORKSPACE;
constexpr TColor clHighlight = clSystemColor | COLOR_HIGHLIGHT;
constexpr TColor clHighlightText = clSystemColor | COLOR_HIGHLIGHTTEXT;
constexpr TColor clBtnFace = clSystemColor | COLOR_BTNFACE;
constexpr TColor clBtnShadow = clSystemColor | COLOR_BTNSHADOW;
constexpr TColor clGrayText = clSystemColor | COLOR_GRAYTEXT;
constexpr TColor clBtnText = clSystemColor | COLOR_BTNTEXT;
constexpr TColor clInactiveCaptionText = clSystemColor | COLOR_INACTIVECAPTIONTEXT;
constexpr TColor clBtnHighlight = clSystemColor | COLOR_BTNHIGHLIGHT;
constexpr TColor cl3DDkShadow = clSystemColor | COLOR_3DDKSHADOW;
constexpr TColor cl3DLight = clSystemColor | COLOR_3DLIGHT;
constexpr TColor clInfoText = clSystemColor | COLOR_INFOTEXT;
constexpr TColor clInfoBk = clSystemColor | COLOR_INFOBK;
constexpr TColor clHotLight = clSystemColor | COLOR_HOTLIGHT;
constexpr TColor clMenuHighlight = clSystemColor | COLOR_MENUHILIGHT;
constexpr TColor clMenuBar = clSystemColor | COLOR_MENUBAR;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// System colours resolve through the system colour table; other values pass unchanged.
COLORREF ColorToRGB(TColor Color);
// Overrides an entry of the system colour table (tests and themes); 0..30.
void SetSysColorEntry(int Index, COLORREF Value);
std::string ColorToString(TColor Color);       // "clRed", or "$00BBGGRR"
bool IdentToColor(const std::string& Ident, TColor& Color);

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
// Bit n set for the n-th style.
using TFontStyles = unsigned;
constexpr TFontStyles FontStyle(TFontStyle s) { return 1u << s; }
enum TFontPitch { fpDefault, fpVariable, fpFixed };
using TFontCharset = Byte;

// Graphic objects own a system object made on demand and tell OnChange when a property changes.
class TGraphicsObject : public TPersistent {
public:
    TNotifyEvent OnChange;

protected:
    virtual void Changed();
};

class TFont : public TGraphicsObject {
public:
    TFont();
    ~TFont() override;
    void Assign(TPersistent* Source) override;

    const std::string& Name() const { return FName; }
    void SetName(const std::string& Value);
    // Negative: the character height in pixels; positive: the cell height (internal leading included).
    Integer Height() const { return FHeight; }
    void SetHeight(Integer Value);
    // Points; Size = -Height * 72 / PixelsPerInch.
    Integer Size() const;
    void SetSize(Integer Value);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TFontCharset Charset() const { return FCharset; }
    void SetCharset(TFontCharset Value);
    TFontPitch Pitch() const { return FPitch; }
    void SetPitch(TFontPitch Value);
    Integer PixelsPerInch = 96;

    HFONT Handle();
    void SetHandle(HFONT Value);  // takes the description of Value; the font keeps its own object
    LOGFONT LogFont() const;

private:
    void FreeHandle();
    std::string FName = "MS Sans Serif";
    Integer FHeight = -11;
    TFontStyles FStyle = 0;
    TColor FColor = clWindowText;
    TFontCharset FCharset = DEFAULT_CHARSET;
    TFontPitch FPitch = fpDefault;
    HFONT FHandle = nullptr;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
    pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot, pmMergeNotPen,
    pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};

class TPen : public TGraphicsObject {
public:
    TPen() = default;
    ~TPen() override;
    void Assign(TPersistent* Source) override;
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    Integer Width() const { return FWidth; }
    void SetWidth(Integer Value);
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle Value);
    TPenMode Mode() const { return FMode; }
    void SetMode(TPenMode Value);
    HPEN Handle();

private:
    void FreeHandle();
    TColor FColor = clBlack;
    Integer FWidth = 1;
    TPenStyle FStyle = psSolid;
    TPenMode FMode = pmCopy;
    HPEN FHandle = nullptr;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross,
                   bsDiagCross };

class TBitmap;

class TBrush : public TGraphicsObject {
public:
    TBrush() = default;
    ~TBrush() override;
    void Assign(TPersistent* Source) override;
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);  // a clear brush becomes solid
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle Value);
    // A pattern bitmap the brush tiles with (not owned); null for none.
    TBitmap* Bitmap() const { return FBitmap; }
    void SetBitmap(TBitmap* Value);
    HBRUSH Handle();

private:
    void FreeHandle();
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
    TBitmap* FBitmap = nullptr;
    HBRUSH FHandle = nullptr;
};

constexpr DWORD cmBlackness = BLACKNESS, cmDstInvert = DSTINVERT, cmMergeCopy = MERGECOPY,
                cmMergePaint = MERGEPAINT, cmNotSrcCopy = NOTSRCCOPY, cmNotSrcErase = NOTSRCERASE,
                cmPatCopy = PATCOPY, cmPatInvert = PATINVERT, cmPatPaint = PATPAINT,
                cmSrcAnd = SRCAND, cmSrcCopy = SRCCOPY, cmSrcErase = SRCERASE,
                cmSrcInvert = SRCINVERT, cmSrcPaint = SRCPAINT, cmWhiteness = WHITENESS;

class TGraphic;

// Drawing surface over a device context. The font, pen and brush are selected into the context
// before each operation that uses them. Descendants that own no context make one on demand in
// CreateHandle.
class TCanvas : public TPersistent {
public:
    TCanvas();
    ~TCanvas() override;

    HDC Handle();
    void SetHandle(HDC Value);
    bool HandleAllocated() const { return FHandle != nullptr; }

    TFont* Font() const { return FFont.get(); }
    void SetFont(TFont* Value) { FFont->Assign(Value); }
    TPen* Pen() const { return FPen.get(); }
    void SetPen(TPen* Value) { FPen->Assign(Value); }
    TBrush* Brush() const { return FBrush.get(); }
    void SetBrush(TBrush* Value) { FBrush->Assign(Value); }
    DWORD CopyMode = cmSrcCopy;
    TPoint PenPos();
    void SetPenPos(const TPoint& Value) { MoveTo(Value.X, Value.Y); }

    void MoveTo(Integer X, Integer Y);
    void LineTo(Integer X, Integer Y);
    void Rectangle(Integer X1, Integer Y1, Integer X2, Integer Y2);
    void Rectangle(const TRect& R) { Rectangle(R.Left, R.Top, R.Right, R.Bottom); }
    void RoundRect(Integer X1, Integer Y1, Integer X2, Integer Y2, Integer X3, Integer Y3);
    void Ellipse(Integer X1, Integer Y1, Integer X2, Integer Y2);
    void Ellipse(const TRect& R) { Ellipse(R.Left, R.Top, R.Right, R.Bottom); }
    // Counter-clockwise from the radial through (X3, Y3) to the one through (X4, Y4), in the pen.
    void Arc(Integer X1, Integer Y1, Integer X2, Integer Y2, Integer X3, Integer Y3, Integer X4, Integer Y4);
    void Polyline(const std::vector<TPoint>& Points);
    void Polygon(const std::vector<TPoint>& Points);
    void FillRect(const TRect& Rect);
    void FrameRect(const TRect& Rect);
    void DrawFocusRect(const TRect& Rect);
    void TextOut(Integer X, Integer Y, const std::string& Text);
    void TextRect(const TRect& Rect, Integer X, Integer Y, const std::string& Text);
    Integer TextWidth(const std::string& Text);
    Integer TextHeight(const std::string& Text);
    TSize TextExtent(const std::string& Text);
    void Draw(Integer X, Integer Y, TGraphic* Graphic);
    void StretchDraw(const TRect& Rect, TGraphic* Graphic);
    void CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source);
    void BrushCopy(const TRect& Dest, TBitmap* Bitmap, const TRect& Source, TColor Color);
    TColor Pixels(Integer X, Integer Y);
    void SetPixel(Integer X, Integer Y, TColor Value);
    TRect ClipRect();

    // Serialises drawing from several threads; the window thread is the only one here, but the
    // count is kept so that callers that bracket their drawing work unchanged.
    void Lock();
    void Unlock();
    int LockCount() const { return FLockCount; }

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    virtual void CreateHandle() {}
    virtual void Changing();
    virtual void Changed();
    // Makes sure a context exists and has the current font, pen and brush selected.
    void RequireState(bool font, bool pen, bool brush);
    // Puts the context's original objects back (before the context is released).
    void DeselectHandles();

private:
    HDC FHandle = nullptr;
    std::unique_ptr<TFont> FFont;
    std::unique_ptr<TPen> FPen;
    std::unique_ptr<TBrush> FBrush;
    HGDIOBJ FOldFont = nullptr, FOldPen = nullptr, FOldBrush = nullptr;
    bool FFontSelected = false, FPenSelected = false, FBrushSelected = false;
    int FLockCount = 0;
};

// A picture that can be drawn on a canvas.
class TGraphic : public TPersistent {
public:
    virtual Integer Width() const = 0;
    virtual Integer Height() const = 0;
    virtual void SetWidth(Integer Value) = 0;
    virtual void SetHeight(Integer Value) = 0;
    virtual bool Empty() const { return Width() == 0 || Height() == 0; }
    virtual void LoadFromFile(const std::string& FileName) = 0;
    virtual void SaveToFile(const std::string& FileName) = 0;
    virtual void LoadFromStream(TStream* Stream) = 0;
    virtual void SaveToStream(TStream* Stream) = 0;
    bool Transparent() const { return FTransparent; }
    virtual void SetTransparent(bool Value);
    TNotifyEvent OnChange;

protected:
    friend class TCanvas;
    virtual void Draw(TCanvas* ACanvas, const TRect& Rect) = 0;
    virtual void Changed();
    bool FTransparent = false;
};

// An icon: a picture with transparent parts, drawn at its own size or stretched. Files and streams
// hold the icon file format.
class TIcon : public TGraphic {
public:
    TIcon() = default;
    ~TIcon() override;
    void Assign(TPersistent* Source) override;
    HICON Handle() const { return FHandle; }
    void SetHandle(HICON Value);  // takes ownership
    HICON ReleaseHandle();        // gives the icon away; this object becomes empty
    Integer Width() const override;
    Integer Height() const override;
    // An icon's size is its picture's: setting it is refused.
    void SetWidth(Integer Value) override;
    void SetHeight(Integer Value) override;
    bool Empty() const override { return FHandle == nullptr; }
    void LoadFromFile(const std::string& FileName) override;
    void SaveToFile(const std::string& FileName) override;
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;

protected:
    void Draw(TCanvas* ACanvas, const TRect& Rect) override;

private:
    HICON FHandle = nullptr;
};

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TTransparentMode { tmAuto, tmFixed };

class TBitmap : public TGraphic {
public:
    TBitmap();
    ~TBitmap() override;
    void Assign(TPersistent* Source) override;

    Integer Width() const override;
    Integer Height() const override;
    void SetWidth(Integer Value) override;
    void SetHeight(Integer Value) override;
    void SetSize(Integer AWidth, Integer AHeight);
    TCanvas* Canvas();
    HBITMAP Handle();
    void SetHandle(HBITMAP Value);  // takes ownership
    HBITMAP ReleaseHandle();        // gives the bitmap away; this object becomes empty
    TPixelFormat PixelFormat() const { return FPixelFormat; }
    void SetPixelFormat(TPixelFormat Value);
    TColor TransparentColor() const;  // tmAuto: the bottom-left pixel
    void SetTransparentColor(TColor Value);
    TTransparentMode TransparentMode = tmAuto;
    bool Monochrome() const { return FPixelFormat == pf1bit; }
    void Dormant() {}
    void FreeImage() {}

    // BMP files (and the other image formats the toolkit reads).
    void LoadFromFile(const std::string& FileName) override;
    void SaveToFile(const std::string& FileName) override;  // BMP; ".png" names write PNG
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    // Bitmaps built into the program, registered under a name with RegisterResourceBitmap.
    void LoadFromResourceName(HINSTANCE Instance, const std::string& ResName);

protected:
    void Draw(TCanvas* ACanvas, const TRect& Rect) override;

private:
    class TBitmapCanvas;
    void NeedImage();
    void FreeContext();
    HBITMAP FHandle = nullptr;
    // The size asked for: an image with no width or no height keeps neither, so a width set
    // before the height is remembered here.
    Integer FWidth = 0, FHeight = 0;
    std::unique_ptr<TCanvas> FCanvas;
    TPixelFormat FPixelFormat = pfDevice;
    TColor FTransparentColor = clDefault;
};

// Registers image file data (BMP or PNG bytes) built into the program under a resource name.
void RegisterResourceBitmap(const std::string& ResName, const void* Data, std::size_t Size);
bool FindResourceBitmap(const std::string& ResName, std::string& Data);

class TPicture : public TPersistent {
public:
    TPicture() = default;
    ~TPicture() override;
    void Assign(TPersistent* Source) override;
    TGraphic* Graphic() const { return FGraphic.get(); }
    void SetGraphic(TGraphic* Value);  // copies
    TBitmap* Bitmap();                 // makes the picture a bitmap when it is not one
    void SetBitmap(TBitmap* Value) { SetGraphic(Value); }
    Integer Width() const { return FGraphic ? FGraphic->Width() : 0; }
    Integer Height() const { return FGraphic ? FGraphic->Height() : 0; }
    void LoadFromFile(const std::string& FileName);
    void SaveToFile(const std::string& FileName);
    TNotifyEvent OnChange;

private:
    void Changed();
    std::unique_ptr<TGraphic> FGraphic;
};

// Screen resolution assumed throughout (pixels per inch).
constexpr Integer ScreenPixelsPerInch = 96;
