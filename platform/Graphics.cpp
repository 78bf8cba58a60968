// Fonts, pens, brushes, canvases and pictures over the device-context functions.
#include "platform/Graphics.h"

#include <cstring>

COLORREF ColorToRGB(TColor Color)
{
    if (Color < 0)
        return GetSysColor(Color & 0xFF);
    return COLORREF(Color) & 0xFFFFFF;
}

namespace {
struct ColorName {
    TColor Color;
    const char* Name;
};
const ColorName kColorNames[] = {
    {clBlack, "clBlack"}, {clMaroon, "clMaroon"}, {clGreen, "clGreen"}, {clOlive, "clOlive"},
    {clNavy, "clNavy"}, {clPurple, "clPurple"}, {clTeal, "clTeal"}, {clGray, "clGray"},
    {clSilver, "clSilver"}, {clRed, "clRed"}, {clLime, "clLime"}, {clYellow, "clYellow"},
    {clBlue, "clBlue"}, {clFuchsia, "clFuchsia"}, {clAqua, "clAqua"}, {clWhite, "clWhite"},
    {clScrollBar, "clScrollBar"}, {clBackground, "clBackground"}, {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"}, {clMenu, "clMenu"}, {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"}, {clMenuText, "clMenuText"}, {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"}, {clActiveBorder, "clActiveBorder"},
    {clInactiveBorder, "clInactiveBorder"}, {clAppWorkSpace, "clAppWorkSpace"},
    {clHighlight, "clHighlight"}, {clHighlightText, "clHighlightText"}, {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"}, {clGrayText, "clGrayText"}, {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"}, {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"}, {cl3DLight, "cl3DLight"}, {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"}, {clNone, "clNone"}, {clDefault, "clDefault"}};
}  // namespace

std::string ColorToString(TColor Color)
{
    for (const auto& c : kColorNames)
        if (c.Color == Color)
            return c.Name;
    return "$" + IntToHex(static_cast<std::uint32_t>(Color), 8);
}

bool IdentToColor(const std::string& Ident, TColor& Color)
{
    for (const auto& c : kColorNames)
        if (SameText(Ident, c.Name)) {
            Color = c.Color;
            return true;
        }
    return false;
}

void TGraphicsObject::Changed()
{
    if (OnChange)
        OnChange(this);
}

// ---- TFont ------------------------------------------------------------------------------------
TFont::TFont() = default;

TFont::~TFont() { FreeHandle(); }

void TFont::FreeHandle()
{
    if (FHandle) {
        DeleteObject(FHandle);
        FHandle = nullptr;
    }
}

void TFont::Assign(TPersistent* Source)
{
    if (auto* f = dynamic_cast<TFont*>(Source)) {
        if (f == this)
            return;
        bool same = FName == f->FName && FHeight == f->FHeight && FStyle == f->FStyle &&
                    FColor == f->FColor && FCharset == f->FCharset && FPitch == f->FPitch;
        FName = f->FName;
        FHeight = f->FHeight;
        FStyle = f->FStyle;
        FColor = f->FColor;
        FCharset = f->FCharset;
        FPitch = f->FPitch;
        PixelsPerInch = f->PixelsPerInch;
        if (!same) {
            FreeHandle();
            Changed();
        }
        return;
    }
    TGraphicsObject::Assign(Source);
}

#define FONT_SETTER(Name, Field, Type, Handle) \
    void TFont::Name(Type Value)               \
    {                                          \
        if (Field == Value)                    \
            return;                            \
        Field = Value;                         \
        if (Handle)                            \
            FreeHandle();                      \
        Changed();                             \
    }
FONT_SETTER(SetName, FName, const std::string&, true)
FONT_SETTER(SetHeight, FHeight, Integer, true)
FONT_SETTER(SetStyle, FStyle, TFontStyles, true)
FONT_SETTER(SetColor, FColor, TColor, false)
FONT_SETTER(SetCharset, FCharset, TFontCharset, true)
FONT_SETTER(SetPitch, FPitch, TFontPitch, true)
#undef FONT_SETTER

Integer TFont::Size() const
{
    return -MulDiv(FHeight, 72, PixelsPerInch);
}

void TFont::SetSize(Integer Value)
{
    SetHeight(-MulDiv(Value, PixelsPerInch, 72));
}

LOGFONT TFont::LogFont() const
{
    LOGFONT lf;
    lf.lfHeight = FHeight;
    lf.lfWeight = (FStyle & FontStyle(fsBold)) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (FStyle & FontStyle(fsItalic)) ? 1 : 0;
    lf.lfUnderline = (FStyle & FontStyle(fsUnderline)) ? 1 : 0;
    lf.lfStrikeOut = (FStyle & FontStyle(fsStrikeOut)) ? 1 : 0;
    lf.lfCharSet = FCharset;
    lf.lfPitchAndFamily = FPitch == fpFixed ? FIXED_PITCH : FPitch == fpVariable ? VARIABLE_PITCH : DEFAULT_PITCH;
    std::strncpy(lf.lfFaceName, FName.c_str(), LF_FACESIZE - 1);
    return lf;
}

HFONT TFont::Handle()
{
    if (!FHandle) {
        LOGFONT lf = LogFont();
        FHandle = CreateFontIndirect(&lf);
    }
    return FHandle;
}

void TFont::SetHandle(HFONT Value)
{
    LOGFONT lf;
    if (!GetObject(Value, sizeof(lf), &lf))
        return;
    FName = lf.lfFaceName;
    FHeight = lf.lfHeight;
    FStyle = (lf.lfWeight >= 600 ? FontStyle(fsBold) : 0) | (lf.lfItalic ? FontStyle(fsItalic) : 0) |
             (lf.lfUnderline ? FontStyle(fsUnderline) : 0) | (lf.lfStrikeOut ? FontStyle(fsStrikeOut) : 0);
    FCharset = lf.lfCharSet;
    FPitch = (lf.lfPitchAndFamily & 3) == FIXED_PITCH ? fpFixed
             : (lf.lfPitchAndFamily & 3) == VARIABLE_PITCH ? fpVariable : fpDefault;
    FreeHandle();
    Changed();
}

// ---- TPen -------------------------------------------------------------------------------------
TPen::~TPen() { FreeHandle(); }

void TPen::FreeHandle()
{
    if (FHandle) {
        DeleteObject(FHandle);
        FHandle = nullptr;
    }
}

void TPen::Assign(TPersistent* Source)
{
    if (auto* p = dynamic_cast<TPen*>(Source)) {
        if (p == this)
            return;
        FColor = p->FColor;
        FWidth = p->FWidth;
        FStyle = p->FStyle;
        FMode = p->FMode;
        FreeHandle();
        Changed();
        return;
    }
    TGraphicsObject::Assign(Source);
}

void TPen::SetColor(TColor Value)
{
    if (FColor == Value)
        return;
    FColor = Value;
    FreeHandle();
    Changed();
}

void TPen::SetWidth(Integer Value)
{
    if (Value < 0 || FWidth == Value)
        return;
    FWidth = Value;
    FreeHandle();
    Changed();
}

void TPen::SetStyle(TPenStyle Value)
{
    if (FStyle == Value)
        return;
    FStyle = Value;
    FreeHandle();
    Changed();
}

void TPen::SetMode(TPenMode Value)
{
    if (FMode == Value)
        return;
    FMode = Value;
    Changed();
}

HPEN TPen::Handle()
{
    if (!FHandle) {
        static const int styles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
        FHandle = CreatePen(styles[FStyle], FWidth, ColorToRGB(FColor));
    }
    return FHandle;
}

// ---- TBrush -----------------------------------------------------------------------------------
TBrush::~TBrush() { FreeHandle(); }

void TBrush::FreeHandle()
{
    if (FHandle) {
        DeleteObject(FHandle);
        FHandle = nullptr;
    }
}

void TBrush::Assign(TPersistent* Source)
{
    if (auto* b = dynamic_cast<TBrush*>(Source)) {
        if (b == this)
            return;
        FColor = b->FColor;
        FStyle = b->FStyle;
        FBitmap = b->FBitmap;
        FreeHandle();
        Changed();
        return;
    }
    TGraphicsObject::Assign(Source);
}

void TBrush::SetColor(TColor Value)
{
    if (FColor == Value && FStyle != bsClear)
        return;
    FColor = Value;
    if (FStyle == bsClear)
        FStyle = bsSolid;
    FreeHandle();
    Changed();
}

void TBrush::SetStyle(TBrushStyle Value)
{
    if (FStyle == Value)
        return;
    FStyle = Value;
    FreeHandle();
    Changed();
}

void TBrush::SetBitmap(TBitmap* Value)
{
    if (FBitmap == Value)
        return;
    FBitmap = Value;
    FreeHandle();
    Changed();
}

HBRUSH TBrush::Handle()
{
    if (!FHandle) {
        if (FBitmap && !FBitmap->Empty()) {
            FHandle = CreatePatternBrush(FBitmap->Handle());
        } else {
            LOGBRUSH lb;
            lb.lbColor = ColorToRGB(FColor);
            switch (FStyle) {
            case bsSolid: lb.lbStyle = BS_SOLID; break;
            case bsClear: lb.lbStyle = BS_NULL; break;
            default:
                lb.lbStyle = BS_HATCHED;
                lb.lbHatch = int(FStyle) - int(bsHorizontal);
                break;
            }
            FHandle = CreateBrushIndirect(&lb);
        }
    }
    return FHandle;
}

// ---- TCanvas ----------------------------------------------------------------------------------
TCanvas::TCanvas() : FFont(new TFont), FPen(new TPen), FBrush(new TBrush)
{
    FFont->OnChange = [this](TObject*) { FFontSelected = false; };
    FPen->OnChange = [this](TObject*) { FPenSelected = false; };
    FBrush->OnChange = [this](TObject*) { FBrushSelected = false; };
}

TCanvas::~TCanvas()
{
    if (FHandle)
        DeselectHandles();
}

HDC TCanvas::Handle()
{
    // Code that draws on the handle directly expects the canvas's font, pen and brush in it.
    RequireState(true, true, true);
    return FHandle;
}

void TCanvas::DeselectHandles()
{
    if (!FHandle)
        return;
    if (FOldFont)
        SelectObject(FHandle, FOldFont);
    if (FOldPen)
        SelectObject(FHandle, FOldPen);
    if (FOldBrush)
        SelectObject(FHandle, FOldBrush);
    FOldFont = FOldPen = FOldBrush = nullptr;
    FFontSelected = FPenSelected = FBrushSelected = false;
}

void TCanvas::SetHandle(HDC Value)
{
    if (FHandle == Value)
        return;
    if (FHandle)
        DeselectHandles();
    FHandle = Value;
}

void TCanvas::RequireState(bool font, bool pen, bool brush)
{
    if (!FHandle)
        CreateHandle();
    if (!FHandle)
        return;
    // The colours and modes that go with an object are set when it is selected, so that a caller
    // may change them on the handle for the drawing that follows.
    if (font && !FFontSelected) {
        HGDIOBJ old = SelectObject(FHandle, FFont->Handle());
        if (!FOldFont)
            FOldFont = old;
        SetTextColor(FHandle, ColorToRGB(FFont->Color()));
        FFontSelected = true;
    }
    if (pen && !FPenSelected) {
        HGDIOBJ old = SelectObject(FHandle, FPen->Handle());
        if (!FOldPen)
            FOldPen = old;
        static const int modes[] = {R2_BLACK, R2_WHITE, R2_NOP, R2_NOT, R2_COPYPEN, R2_NOTCOPYPEN,
                                    R2_MERGEPENNOT, R2_MASKPENNOT, R2_MERGENOTPEN, R2_MASKNOTPEN,
                                    R2_MERGEPEN, R2_NOTMERGEPEN, R2_MASKPEN, R2_NOTMASKPEN, R2_XORPEN,
                                    R2_NOTXORPEN};
        SetROP2(FHandle, modes[FPen->Mode()]);
        FPenSelected = true;
    }
    if (brush && !FBrushSelected) {
        HGDIOBJ old = SelectObject(FHandle, FBrush->Handle());
        if (!FOldBrush)
            FOldBrush = old;
        FBrushSelected = true;
        // A solid brush makes text opaque on the brush colour; others leave the background, so
        // that hatches show what is under them.
        if (FBrush->Style() == bsSolid) {
            SetBkMode(FHandle, OPAQUE);
            SetBkColor(FHandle, ColorToRGB(FBrush->Color()));
        } else {
            SetBkColor(FHandle, ~ColorToRGB(FBrush->Color()) & 0xFFFFFF);
            SetBkMode(FHandle, TRANSPARENT);
        }
    }
}

void TCanvas::Changing()
{
    if (OnChanging)
        OnChanging(this);
}

void TCanvas::Changed()
{
    if (OnChange)
        OnChange(this);
}

TPoint TCanvas::PenPos()
{
    RequireState(false, false, false);
    TPoint p;
    GetCurrentPositionEx(FHandle, &p);
    return p;
}

void TCanvas::MoveTo(Integer X, Integer Y)
{
    RequireState(false, true, false);
    MoveToEx(FHandle, X, Y, nullptr);
}

void TCanvas::LineTo(Integer X, Integer Y)
{
    Changing();
    RequireState(false, true, true);
    ::LineTo(FHandle, X, Y);
    Changed();
}

void TCanvas::Rectangle(Integer X1, Integer Y1, Integer X2, Integer Y2)
{
    Changing();
    RequireState(false, true, true);
    ::Rectangle(FHandle, X1, Y1, X2, Y2);
    Changed();
}

void TCanvas::RoundRect(Integer X1, Integer Y1, Integer X2, Integer Y2, Integer X3, Integer Y3)
{
    Changing();
    RequireState(false, true, true);
    ::RoundRect(FHandle, X1, Y1, X2, Y2, X3, Y3);
    Changed();
}

void TCanvas::Ellipse(Integer X1, Integer Y1, Integer X2, Integer Y2)
{
    Changing();
    RequireState(false, true, true);
    ::Ellipse(FHandle, X1, Y1, X2, Y2);
    Changed();
}

void TCanvas::Arc(Integer X1, Integer Y1, Integer X2, Integer Y2, Integer X3, Integer Y3, Integer X4, Integer Y4)
{
    Changing();
    RequireState(false, true, false);
    ::Arc(FHandle, X1, Y1, X2, Y2, X3, Y3, X4, Y4);
    Changed();
}

void TCanvas::Polyline(const std::vector<TPoint>& Points)
{
    Changing();
    RequireState(false, true, true);
    ::Polyline(FHandle, Points.data(), int(Points.size()));
    Changed();
}

void TCanvas::Polygon(const std::vector<TPoint>& Points)
{
    Changing();
    RequireState(false, true, true);
    ::Polygon(FHandle, Points.data(), int(Points.size()));
    Changed();
}

void TCanvas::FillRect(const TRect& Rect)
{
    Changing();
    RequireState(false, false, true);
    ::FillRect(FHandle, &Rect, FBrush->Handle());
    Changed();
}

void TCanvas::FrameRect(const TRect& Rect)
{
    Changing();
    RequireState(false, false, true);
    ::FrameRect(FHandle, &Rect, FBrush->Handle());
    Changed();
}

void TCanvas::DrawFocusRect(const TRect& Rect)
{
    Changing();
    RequireState(false, false, true);
    ::DrawFocusRect(FHandle, &Rect);
    Changed();
}

void TCanvas::TextOut(Integer X, Integer Y, const std::string& Text)
{
    Changing();
    RequireState(true, false, true);
    ::TextOut(FHandle, X, Y, Text.data(), int(Text.size()));
    // The pen position follows the text so that successive outputs continue the line.
    SIZE sz;
    GetTextExtentPoint32(FHandle, Text.data(), int(Text.size()), &sz);
    MoveToEx(FHandle, X + sz.cx, Y, nullptr);
    Changed();
}

void TCanvas::TextRect(const TRect& Rect, Integer X, Integer Y, const std::string& Text)
{
    Changing();
    RequireState(true, false, true);
    UINT options = ETO_CLIPPED;
    if (FBrush->Style() != bsClear)
        options |= ETO_OPAQUE;
    ::ExtTextOut(FHandle, X, Y, options, &Rect, Text.data(), UINT(Text.size()), nullptr);
    Changed();
}

TSize TCanvas::TextExtent(const std::string& Text)
{
    RequireState(true, false, false);
    SIZE sz;
    GetTextExtentPoint32(FHandle, Text.data(), int(Text.size()), &sz);
    return sz;
}

Integer TCanvas::TextWidth(const std::string& Text) { return TextExtent(Text).cx; }
Integer TCanvas::TextHeight(const std::string& Text) { return TextExtent(Text).cy; }

void TCanvas::Draw(Integer X, Integer Y, TGraphic* Graphic)
{
    if (!Graphic || Graphic->Empty())
        return;
    Changing();
    RequireState(false, false, false);
    Graphic->Draw(this, Bounds(X, Y, Graphic->Width(), Graphic->Height()));
    Changed();
}

void TCanvas::StretchDraw(const TRect& Rect, TGraphic* Graphic)
{
    if (!Graphic || Graphic->Empty())
        return;
    Changing();
    RequireState(false, false, false);
    Graphic->Draw(this, Rect);
    Changed();
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source)
{
    if (!Canvas)
        return;
    Changing();
    RequireState(false, false, true);
    Canvas->RequireState(true, false, true);
    StretchBlt(FHandle, Dest.Left, Dest.Top, Dest.Width(), Dest.Height(), Canvas->Handle(), Source.Left,
               Source.Top, Source.Width(), Source.Height(), CopyMode);
    Changed();
}

void TCanvas::BrushCopy(const TRect& Dest, TBitmap* Bitmap, const TRect& Source, TColor Color)
{
    if (!Bitmap)
        return;
    Changing();
    RequireState(false, false, true);
    TransparentBlt(FHandle, Dest.Left, Dest.Top, Dest.Width(), Dest.Height(), Bitmap->Canvas()->Handle(),
                   Source.Left, Source.Top, Source.Width(), Source.Height(), ColorToRGB(Color));
    Changed();
}

TColor TCanvas::Pixels(Integer X, Integer Y)
{
    RequireState(false, false, false);
    COLORREF c = GetPixel(FHandle, X, Y);
    return c == CLR_INVALID ? clNone : TColor(c);
}

void TCanvas::SetPixel(Integer X, Integer Y, TColor Value)
{
    Changing();
    RequireState(false, true, false);
    ::SetPixel(FHandle, X, Y, ColorToRGB(Value));
    Changed();
}

TRect TCanvas::ClipRect()
{
    RequireState(false, false, false);
    TRect r;
    GetClipBox(FHandle, &r);
    return r;
}

void TCanvas::Lock() { ++FLockCount; }
void TCanvas::Unlock()
{
    if (FLockCount > 0)
        --FLockCount;
}

// ---- TGraphic and TPicture ----------------------------------------------------------------------
void TGraphic::SetTransparent(bool Value)
{
    if (FTransparent == Value)
        return;
    FTransparent = Value;
    Changed();
}

void TGraphic::Changed()
{
    if (OnChange)
        OnChange(this);
}

TPicture::~TPicture() = default;

void TPicture::Changed()
{
    if (OnChange)
        OnChange(this);
}

void TPicture::Assign(TPersistent* Source)
{
    if (!Source) {
        FGraphic.reset();
        Changed();
        return;
    }
    if (auto* p = dynamic_cast<TPicture*>(Source)) {
        SetGraphic(p->Graphic());
        return;
    }
    if (auto* g = dynamic_cast<TGraphic*>(Source)) {
        SetGraphic(g);
        return;
    }
    TPersistent::Assign(Source);
}

void TPicture::SetGraphic(TGraphic* Value)
{
    if (!Value) {
        FGraphic.reset();
        Changed();
        return;
    }
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(Value);
    copy->OnChange = [this](TObject*) { Changed(); };
    FGraphic = std::move(copy);
    Changed();
}

TBitmap* TPicture::Bitmap()
{
    auto* b = dynamic_cast<TBitmap*>(FGraphic.get());
    if (!b) {
        auto fresh = std::make_unique<TBitmap>();
        b = fresh.get();
        fresh->OnChange = [this](TObject*) { Changed(); };
        FGraphic = std::move(fresh);
    }
    return b;
}

void TPicture::LoadFromFile(const std::string& FileName)
{
    auto b = std::make_unique<TBitmap>();
    b->LoadFromFile(FileName);
    b->OnChange = [this](TObject*) { Changed(); };
    FGraphic = std::move(b);
    Changed();
}

void TPicture::SaveToFile(const std::string& FileName)
{
    if (FGraphic)
        FGraphic->SaveToFile(FileName);
}
