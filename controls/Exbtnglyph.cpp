#include "controls/Exbtnglyph.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "ctlbase/Exuxtheme.h"
#include "platform/CodePages.h"
#include "platform/CommCtrl.h"
#include "platform/Graphics.h"
#include "platform/WinGdi.h"
#include "platform/WinGdiMore.h"

TExGlyphCache* GlyphCache = nullptr;
TBitmap* Pattern = nullptr;
Integer ButtonCount = 0;

namespace {

// A bitmap's pixels as 0x00RRGGBB, top row first.
struct PixelBuffer {
    Integer W = 0, H = 0;
    std::vector<std::uint32_t> P;
    std::uint32_t& At(Integer X, Integer Y) { return P[size_t(Y) * size_t(W) + size_t(X)]; }
};

std::uint32_t Packed(TColor Color)
{
    const COLORREF c = ColorToRGB(Color);
    return std::uint32_t(GetRValue(c)) << 16 | std::uint32_t(GetGValue(c)) << 8 | GetBValue(c);
}

BITMAPINFO TopDownInfo(Integer W, Integer H)
{
    BITMAPINFO bi{};
    bi.bmiHeader.biWidth = W;
    bi.bmiHeader.biHeight = -H;
    bi.bmiHeader.biBitCount = 32;
    return bi;
}

PixelBuffer ReadPixels(TBitmap* Bitmap)
{
    PixelBuffer b;
    b.W = Bitmap->Width();
    b.H = Bitmap->Height();
    b.P.assign(size_t(b.W) * size_t(b.H), 0);
    if (b.P.empty()) return b;
    BITMAPINFO bi = TopDownInfo(b.W, b.H);
    GetDIBits(nullptr, Bitmap->Handle(), 0, UINT(b.H), b.P.data(), &bi, DIB_RGB_COLORS);
    for (auto& p : b.P) p &= 0xFFFFFF;
    return b;
}

void WritePixels(TBitmap* Bitmap, const PixelBuffer& B)
{
    if (B.P.empty()) return;
    BITMAPINFO bi = TopDownInfo(B.W, B.H);
    SetDIBits(nullptr, Bitmap->Handle(), 0, UINT(B.H), B.P.data(), &bi, DIB_RGB_COLORS);
}

// Paints Color where Mask is set, the mask moved by (DX, DY) and cut at the buffer's edges.
void Blend(PixelBuffer& B, const std::vector<bool>& Mask, Integer MaskW, Integer MaskH, Integer DX, Integer DY,
           TColor Color)
{
    const std::uint32_t c = Packed(Color);
    for (Integer y = 0; y < MaskH; ++y)
        for (Integer x = 0; x < MaskW; ++x) {
            if (!Mask[size_t(y) * size_t(MaskW) + size_t(x)]) continue;
            const Integer tx = x + DX, ty = y + DY;
            if (tx >= 0 && ty >= 0 && tx < B.W && ty < B.H) B.At(tx, ty) = c;
        }
}

// The picture's shape in highlight one pixel down and right, the shadow on top: pixels of the
// key colour are background.
void Emboss(TBitmap* Image, TColor Key)
{
    PixelBuffer b = ReadPixels(Image);
    const std::uint32_t key = Packed(Key);
    std::vector<bool> mask(b.P.size());
    for (size_t i = 0; i < b.P.size(); ++i) mask[i] = b.P[i] != key;
    Blend(b, mask, b.W, b.H, 1, 1, clBtnHighlight);
    Blend(b, mask, b.W, b.H, 0, 0, clBtnShadow);
    WritePixels(Image, b);
}

std::u16string WideCaption(TCanvas* Canvas, const std::string& Caption)
{
    const std::u32string u32 = CodePageToUtf32(Caption, CharsetToCodePage(Byte(Canvas->Font()->Charset())));
    std::u16string w;
    for (char32_t c : u32) {
        if (c >= 0x10000) {
            c -= 0x10000;
            w += char16_t(0xD800 + (c >> 10));
            w += char16_t(0xDC00 + (c & 0x3FF));
        } else {
            w += char16_t(c);
        }
    }
    return w;
}

}  // namespace

// ---------------------------------------------------------------- glyph lists

TExGlyphList::TExGlyphList(Integer AWidth, Integer AHeight) : TImageList(nullptr)
{
    SetWidth(AWidth);
    SetHeight(AHeight);
}

TExGlyphList::~TExGlyphList() = default;

bool TExGlyphList::Used(Integer Index) const
{
    return Index >= 0 && size_t(Index) < FUsed.size() && FUsed[size_t(Index)];
}

Integer TExGlyphList::AllocateIndex()
{
    const auto free = std::find(FUsed.begin(), FUsed.end(), false);
    Integer index = Integer(free - FUsed.begin());
    if (free == FUsed.end()) {
        TBitmap blank;
        blank.SetSize(Width(), Height());
        index = TImageList::Add(&blank, nullptr);
        if (index < 0) return -1;
        FUsed.resize(size_t(index) + 1, false);
    }
    FUsed[size_t(index)] = true;
    return index;
}

Integer TExGlyphList::AddMasked(TBitmap* Image, TColor MaskColor)
{
    const Integer index = AllocateIndex();
    if (index < 0) return -1;
    ReplaceMasked(index, Image, MaskColor);
    ++FCount;
    return index;
}

void TExGlyphList::Delete(Integer Index)
{
    if (!Used(Index)) return;
    --FCount;
    FUsed[size_t(Index)] = false;
}

TExGlyphCache::TExGlyphCache() = default;

TExGlyphCache::~TExGlyphCache()
{
    // Lists still held here have lost their painters; nobody can draw from them any more.
    for (TExGlyphList* l : FGlyphLists) delete l;
}

TExGlyphList* TExGlyphCache::GetList(Integer AWidth, Integer AHeight)
{
    for (auto it = FGlyphLists.rbegin(); it != FGlyphLists.rend(); ++it)
        if ((*it)->Width() == AWidth && (*it)->Height() == AHeight) return *it;
    auto* list = new TExGlyphList(AWidth, AHeight);
    FGlyphLists.push_back(list);
    return list;
}

void TExGlyphCache::ReturnList(TExGlyphList* List)
{
    if (List == nullptr || List->Count() != 0) return;
    const auto it = std::find(FGlyphLists.begin(), FGlyphLists.end(), List);
    if (it == FGlyphLists.end()) return;
    FGlyphLists.erase(it);
    delete List;
}

void CreateBrushPattern()
{
    delete Pattern;
    Pattern = new TBitmap;
    Pattern->SetSize(8, 8);
    TCanvas* c = Pattern->Canvas();
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(TRect{0, 0, 8, 8});
    for (Integer y = 0; y < 8; ++y)
        for (Integer x = 0; x < 8; ++x)
            if (x % 2 == y % 2) c->SetPixel(x, y, clBtnHighlight);
}

void ButtonCreated() { ++ButtonCount; }

void ButtonDestroyed()
{
    if (--ButtonCount == 0) {
        delete Pattern;
        Pattern = nullptr;
    }
}

// ---------------------------------------------------------------- the painter

TExButtonGlyph::TExButtonGlyph() : FGlyph(std::make_unique<TBitmap>()), FIcon(std::make_unique<TIcon>())
{
    FIcon->OnChange = [this](TObject* Sender) { IconChanged(Sender); };
    FGlyph->OnChange = [this](TObject* Sender) { GlyphChanged(Sender); };
    // Drawing on the glyph's canvas changes the picture as much as assigning a new one does.
    FGlyph->Canvas()->OnChange = [this](TObject*) { GlyphChanged(FGlyph.get()); };
    if (GlyphCache == nullptr) GlyphCache = new TExGlyphCache;
}

TExButtonGlyph::~TExButtonGlyph()
{
    FGlyph->OnChange = nullptr;
    FGlyph->Canvas()->OnChange = nullptr;
    FGlyph.reset();
    Repaint();
    if (GlyphCache != nullptr && GlyphCache->Empty()) {
        delete GlyphCache;
        GlyphCache = nullptr;
    }
    FIcon->OnChange = nullptr;
}

void TExButtonGlyph::SetIcon(TIcon* Value)
{
    FIcon->Assign(Value);
}

void TExButtonGlyph::SetUseIcon(bool Value)
{
    if (Value == FUseIcon) return;
    FUseIcon = Value;
    Repaint();
}

void TExButtonGlyph::IconChanged(TObject* /*Sender*/)
{
    if (FIcon->Empty()) SetUseIcon(false);
    Repaint();
    Changed();
}

void TExButtonGlyph::Changed()
{
    if (OnChange) OnChange(this);
}

void TExButtonGlyph::Repaint()
{
    for (Integer& index : FIndexes) {
        if (index != -1 && FGlyphList != nullptr) FGlyphList->Delete(index);
        index = -1;
    }
    if (FGlyphList != nullptr && GlyphCache != nullptr) GlyphCache->ReturnList(FGlyphList);
    FGlyphList = nullptr;
}

void TExButtonGlyph::SetGlyph(TBitmap* Value)
{
    Repaint();
    FGlyph->Assign(Value);
}

void TExButtonGlyph::SetNumGlyphs(Integer Value)
{
    if (Value <= 0 || Value == FNumGlyphs) return;
    Repaint();
    FNumGlyphs = std::min(Value, 4);
    GlyphChanged(FGlyph.get());
}

void TExButtonGlyph::SetImageList(TCustomImageList* Value)
{
    if (Value == FImageList) return;
    FImageList = Value;
    Repaint();
    Changed();
}

void TExButtonGlyph::SetImageIndex(Integer Value)
{
    if (Value == FImageIndex) return;
    FImageIndex = Value;
    Repaint();
    Changed();
}

void TExButtonGlyph::GlyphChanged(TObject* Sender)
{
    if (Sender == nullptr || Sender != FGlyph.get()) return;
    FTransparentColor = FGlyph->TransparentColor();
    ResetNumGlyphs();
    Repaint();
    Changed();
}

void TExButtonGlyph::ResetNumGlyphs()
{
    const Integer w = FGlyph->Width(), h = FGlyph->Height();
    if (h > 0) {
        FTransparentColor = FGlyph->TransparentColor();
        if (w % h == 0) {
            Integer n = w / h;
            if (n > 4) n = 1;
            SetNumGlyphs(n);
        }
    }
    if (FGlyph->Empty()) SetNumGlyphs(1);
}

Integer TExButtonGlyph::CreateButtonGlyph(TExButtonState State)
{
    if (State == ebsDown && FNumGlyphs < 3) State = ebsUp;
    if (FIndexes[State] != -1) return FIndexes[State];
    const Integer bw = FGlyph->Width(), bh = FGlyph->Height();
    const Integer iw = bw / FNumGlyphs, ih = bh;
    if (iw <= 0 || ih <= 0) return -1;
    if (FGlyphList == nullptr) {
        if (GlyphCache == nullptr) GlyphCache = new TExGlyphCache;
        FGlyphList = GlyphCache->GetList(iw, ih);
    }
    TBitmap tmp;
    tmp.SetSize(iw, ih);
    tmp.Canvas()->Brush()->SetColor(clBtnFace);
    const Integer strip = Integer(State) >= FNumGlyphs ? 0 : Integer(State);
    HDC src = FGlyph->Canvas()->Handle();
    Integer index = -1;
    if (State != ebsDisabled) {
        BitBlt(tmp.Canvas()->Handle(), 0, 0, iw, ih, src, strip * iw, 0, SRCCOPY);
        index = FGlyphList->AddMasked(&tmp, FGlyph->TransparentMode == tmFixed ? FTransparentColor : clDefault);
    } else if (FNumGlyphs > 1) {
        // The bitmap's own disabled picture, in this system's button colours.
        BitBlt(tmp.Canvas()->Handle(), 0, 0, iw, ih, src, strip * iw, 0, SRCCOPY);
        PixelBuffer b = ReadPixels(&tmp);
        const std::uint32_t white = 0xFFFFFF, gray = 0x808080, clear = Packed(FTransparentColor);
        const std::uint32_t hi = Packed(clBtnHighlight), sh = Packed(clBtnShadow), face = Packed(clBtnFace);
        for (auto& p : b.P) {
            const std::uint32_t was = p;
            if (was == white) p = hi;
            if (was == gray) p = sh;
            if (was == clear) p = face;
        }
        WritePixels(&tmp, b);
        index = FGlyphList->AddMasked(&tmp, clDefault);
    } else {
        // Embossed from the black of the picture; a picture with no black is embossed from its whole
        // shape (its transparent colour left out) rather than leave the face empty.
        PixelBuffer src = ReadPixels(FGlyph.get());
        const std::uint32_t clear = Packed(FTransparentColor);
        std::vector<bool> mask(size_t(iw) * size_t(ih));
        bool any = false;
        for (Integer y = 0; y < ih; ++y)
            for (Integer x = 0; x < iw; ++x) {
                const bool black = src.At(x, y) == 0;
                mask[size_t(y) * size_t(iw) + size_t(x)] = black;
                any = any || black;
            }
        if (!any)
            for (Integer y = 0; y < ih; ++y)
                for (Integer x = 0; x < iw; ++x) mask[size_t(y) * size_t(iw) + size_t(x)] = src.At(x, y) != clear;
        PixelBuffer b;
        b.W = iw;
        b.H = ih;
        b.P.assign(size_t(iw) * size_t(ih), Packed(clBtnFace));
        Blend(b, mask, iw, ih, 1, 1, clBtnHighlight);
        Blend(b, mask, iw, ih, 0, 0, clBtnShadow);
        WritePixels(&tmp, b);
        index = FGlyphList->AddMasked(&tmp, clDefault);
    }
    FIndexes[State] = index;
    return index;
}

void TExButtonGlyph::CalcButtonLayout(TCanvas* Canvas, const TRect& Client, const TPoint& Offset,
                                      const std::string& Caption, TButtonLayout Layout, Integer Margin,
                                      Integer Spacing, TPoint& GlyphPos, TRect& TextBounds, bool ShowGlyph,
                                      bool ShowText, bool MultiLine, Integer ArrowWidth, HTHEME Theme, int PartId,
                                      int StateId)
{
    const Integer roomW = Client.Width() - ArrowWidth, roomH = Client.Height();
    FStretched = false;

    Integer w = 0, h = 0;
    if (ShowGlyph) {
        if (UseImageList && FImageList != nullptr) {
            if (FImageIndex != -1) {
                w = FImageList->Width();
                h = FImageList->Height();
            }
        } else if (FUseIcon) {
            w = FIcon->Width();
            h = FIcon->Height();
        } else {
            w = FGlyph->Width() / FNumGlyphs;
            h = FGlyph->Height();
        }
    }
    if (h > roomH) {
        h = roomH - 2;
        w = MulDiv(w, roomH - 2, roomH);
        FStretched = true;
    }
    if (w > roomW) {
        h = MulDiv(h, roomW - 4, w);
        w = roomW - 2;
        FStretched = true;
    }
    if (FStretched) {
        FStretchWidth = w;
        FStretchHeight = h;
    }

    Integer tw = 0, th = 0;
    TextBounds = TRect{0, 0, 0, 0};
    if (!Caption.empty() && ShowText) {
        TextBounds = TRect{0, 0, roomW, 0};
        if (Theme != nullptr && GetThemeTextExtent != nullptr) {
            const std::u16string wide = WideCaption(Canvas, Caption);
            RECT bounds = Client;
            RECT extent{};
            GetThemeTextExtent(Theme, Canvas->Handle(), PartId, StateId, wide.c_str(), int(wide.size()),
                               MultiLine ? 0 : DT_SINGLELINE, &bounds, &extent);
            TextBounds = extent;
        } else {
            DrawText(Canvas->Handle(), Caption.data(), int(Caption.size()), &TextBounds,
                     DT_CALCRECT | (MultiLine ? 0 : DT_SINGLELINE));
        }
        tw = TextBounds.Width();
        th = TextBounds.Height();
    }

    const bool horizontal = Layout == blGlyphLeft || Layout == blGlyphRight;
    TPoint gp{0, 0}, tp{0, 0};
    // Across the layout both are centred; a caption longer than the room starts at its edge and is cut.
    if (horizontal) {
        gp.Y = (roomH - h) / 2;
        th = std::min(th, std::max(0, roomH));
        tp.Y = (roomH - th) / 2;
    } else {
        gp.X = (roomW - w) / 2;
        tw = std::min(tw, std::max(0, roomW));
        tp.X = (roomW - tw) / 2;
    }
    if (tw == 0 || w == 0) Spacing = 0;
    const bool autoSpacing = Spacing == -1;
    const Integer room = horizontal ? roomW : roomH;
    const Integer pic = horizontal ? w : h;
    Integer& cap = horizontal ? tw : th;
    if (Margin == -1) {
        if (Spacing != -1) {
            Margin = (room - (pic + Spacing + cap)) / 2;
        } else {
            Margin = (room - (pic + cap)) / 3;
            Spacing = Margin;
        }
    } else if (Spacing == -1) {
        Spacing = ((room - (Margin + pic)) - cap) / 2;
    }
    // Picture and caption that do not fit keep to the room: no margin or worked-out spacing below
    // nothing, the picture inside, and the caption cut at its end.
    if (Margin < 0) Margin = 0;
    if (autoSpacing && Spacing < 0) Spacing = 0;
    const Integer picAt = std::max(0, std::min(Margin, room - pic));
    Integer capAt = 0;
    if (Layout == blGlyphLeft || Layout == blGlyphTop) {
        capAt = std::max(0, std::min(picAt + pic + Spacing, room));
        cap = std::max(0, std::min(cap, room - capAt));
    } else {
        const Integer picFar = room - picAt - pic;
        const Integer capEnd = std::min(picFar - Spacing, room);
        cap = std::max(0, std::min(cap, capEnd));
        capAt = capEnd - cap;
    }
    switch (Layout) {
    case blGlyphLeft:
        gp.X = picAt;
        tp.X = capAt;
        break;
    case blGlyphRight:
        gp.X = room - picAt - pic;
        tp.X = capAt;
        break;
    case blGlyphTop:
        gp.Y = picAt;
        tp.Y = capAt;
        break;
    case blGlyphBottom:
        gp.Y = room - picAt - pic;
        tp.Y = capAt;
        break;
    }
    TextBounds.Right = TextBounds.Left + tw;
    TextBounds.Bottom = TextBounds.Top + th;
    GlyphPos = TPoint{gp.X + Client.Left + Offset.X, gp.Y + Client.Top + Offset.Y};
    OffsetRect(TextBounds, tp.X + Offset.X, tp.Y + Offset.Y);
    if (Theme == nullptr) {
        OffsetRect(TextBounds, Client.Left, Client.Top);
        TextBounds.Right = TextBounds.Left + std::min(TextBounds.Width(), Client.Width() - 1);
        TextBounds.Bottom = TextBounds.Top + std::min(TextBounds.Height(), Client.Height() - 1);
    }
}

void TExButtonGlyph::DrawStretchedCopy(TCanvas* Canvas, TBitmap* Image, const TPoint& GlyphPos)
{
    const TColor key = Image->Canvas()->Pixels(0, Image->Height() - 1);
    const TColor oldColor = Canvas->Brush()->Color();
    const TBrushStyle oldStyle = Canvas->Brush()->Style();
    Canvas->Brush()->SetColor(key);
    Canvas->Brush()->SetStyle(bsClear);
    const Integer w = FStretched ? FStretchWidth : Image->Width();
    const Integer h = FStretched ? FStretchHeight : Image->Height();
    TransparentBlt(Canvas->Handle(), GlyphPos.X, GlyphPos.Y, w, h, Image->Canvas()->Handle(), 0, 0, Image->Width(),
                   Image->Height(), ColorToRGB(key));
    Canvas->Brush()->SetColor(oldColor);
    Canvas->Brush()->SetStyle(oldStyle);
}

void TExButtonGlyph::DrawButtonGlyph(TCanvas* Canvas, const TPoint& GlyphPos, TExButtonState State,
                                     bool Transparent, TColor BackgroundColor)
{
    const bool seeThrough = Transparent || State == ebsExclusive || BackgroundColor == clNone;
    const COLORREF bk = seeThrough ? CLR_NONE : ColorToRGB(BackgroundColor);
    const UINT style = seeThrough ? ILD_TRANSPARENT : ILD_NORMAL;
    if (UseImageList && FImageList != nullptr) {
        if (FImageIndex == -1) return;
        if (!FStretched && State != ebsDisabled) {
            ImageList_DrawEx(FImageList->Handle(), FImageIndex, Canvas->Handle(), GlyphPos.X, GlyphPos.Y, 0, 0, bk,
                             seeThrough ? CLR_NONE : bk, style);
            return;
        }
        TBitmap tmp;
        tmp.SetSize(FImageList->Width(), FImageList->Height());
        ImageList_DrawEx(FImageList->Handle(), FImageIndex, tmp.Canvas()->Handle(), 0, 0, 0, 0,
                         seeThrough ? CLR_NONE : ColorToRGB(clBtnFace), CLR_NONE,
                         seeThrough ? ILD_TRANSPARENT : ILD_NORMAL);
        if (!FStretched) Emboss(&tmp, tmp.Canvas()->Pixels(0, tmp.Height() - 1));
        DrawStretchedCopy(Canvas, &tmp, GlyphPos);
        return;
    }
    if (FUseIcon) {
        if (FIcon->Empty()) return;
        if (FStretched)
            Canvas->StretchDraw(TRect{GlyphPos.X, GlyphPos.Y, GlyphPos.X + FStretchWidth, GlyphPos.Y + FStretchHeight},
                                FIcon.get());
        else
            Canvas->Draw(GlyphPos.X, GlyphPos.Y, FIcon.get());
        return;
    }
    if (FGlyph->Width() == 0 || FGlyph->Height() == 0) return;
    const Integer index = CreateButtonGlyph(State);
    if (index < 0) return;
    if (!FStretched) {
        ImageList_DrawEx(FGlyphList->Handle(), index, Canvas->Handle(), GlyphPos.X, GlyphPos.Y, 0, 0, bk,
                         seeThrough ? CLR_NONE : bk, style);
        return;
    }
    TBitmap tmp;
    tmp.SetSize(FGlyph->Width() / FNumGlyphs, FGlyph->Height());
    const bool clear = Transparent || State == ebsExclusive;
    ImageList_DrawEx(FGlyphList->Handle(), index, tmp.Canvas()->Handle(), 0, 0, 0, 0,
                     clear ? CLR_NONE : ColorToRGB(clBtnFace), CLR_NONE, clear ? ILD_TRANSPARENT : ILD_NORMAL);
    DrawStretchedCopy(Canvas, &tmp, GlyphPos);
}

void TExButtonGlyph::DrawButtonText(TCanvas* Canvas, const std::string& Caption, const TRect& TextBounds,
                                    TExButtonState State, bool MultiLine, bool /*Focused*/, bool Transparent,
                                    TExTextDrawType TextDrawType, HTHEME Theme, int PartId, int StateId)
{
    TRect r = TextBounds;
    UINT flags = DT_CENTER | DT_VCENTER | (MultiLine ? 0 : DT_SINGLELINE);
    if (Theme != nullptr && DrawThemeText != nullptr) {
        Canvas->Brush()->SetStyle(bsClear);
        const std::u16string wide = WideCaption(Canvas, Caption);
        DrawThemeText(Theme, Canvas->Handle(), PartId, StateId, wide.c_str(), int(wide.size()), flags, 0, &r);
        return;
    }
    Canvas->Brush()->SetStyle(bsClear);
    if (Transparent) Canvas->Brush()->SetStyle(bsClear);
    flags |= DT_END_ELLIPSIS;
    if (State == ebsDisabled) {
        TRect lit = r;
        OffsetRect(lit, 1, 1);
        Canvas->Font()->SetColor(clBtnHighlight);
        DrawText(Canvas->Handle(), Caption.data(), int(Caption.size()), &lit, flags);
        Canvas->Font()->SetColor(clBtnShadow);
        DrawText(Canvas->Handle(), Caption.data(), int(Caption.size()), &r, flags);
        return;
    }
    DrawTypedText(Canvas, r, Caption, flags, TextDrawType);
    Canvas->Brush()->SetStyle(bsSolid);
}

TRect TExButtonGlyph::Draw(TCanvas* Canvas, const TRect& Client, const TPoint& Offset, const std::string& Caption,
                           TButtonLayout Layout, Integer Margin, Integer Spacing, TExButtonState State,
                           TExButtonState GlyphState, bool Transparent, bool MultiLine, bool Focused, bool ShowGlyph,
                           bool ShowText, Integer ArrowWidth, TExTextDrawType TextDrawType, TColor BackgroundColor,
                           HTHEME Theme, int PartId, int StateId)
{
    TPoint glyphPos;
    TRect result;
    CalcButtonLayout(Canvas, Client, Offset, Caption, Layout, Margin, Spacing, glyphPos, result, ShowGlyph, ShowText,
                     MultiLine, ArrowWidth, Theme, PartId, StateId);
    if (ShowGlyph) DrawButtonGlyph(Canvas, glyphPos, GlyphState, Transparent, BackgroundColor);
    if (ShowText)
        DrawButtonText(Canvas, Caption, result, State, MultiLine, Focused, Transparent, TextDrawType, Theme, PartId,
                       StateId);
    return result;
}

void TExButtonGlyph::GetPaintGlyphSize(const TRect& R, TPoint& Size)
{
    Integer w = 0, h = 0;
    if (UseImageList && FImageList != nullptr) {
        w = FImageList->Width() / FNumGlyphs;
        h = FImageList->Height();
    } else if (FUseIcon) {
        w = FIcon->Width();
        h = FIcon->Height();
    } else {
        w = FGlyph->Width() / FNumGlyphs;
        h = FGlyph->Height();
    }
    FStretched = false;
    const Integer rw = R.Width(), rh = R.Height();
    if (h > rh) {
        h = rh - 2;
        w = MulDiv(w, rh - 2, rh);
        w = rh != 0 ? Integer(double(w) * double(rh - 2) / double(rh)) : -1;
        FStretched = true;
    }
    if (w > rw) {
        h = MulDiv(h, rw - 4, w);
        w = rw - 2;
        FStretched = true;
    }
    if (FStretched) {
        FStretchWidth = w;
        FStretchHeight = h;
    }
    Size = TPoint{w, h};
}

TRect TExButtonGlyph::GetGlyphSize()
{
    if (UseImageList && FImageList != nullptr) return TRect{0, 0, FImageList->Width(), FImageList->Height()};
    if (FUseIcon) return TRect{0, 0, FIcon->Width(), FIcon->Height()};
    return TRect{0, 0, FGlyph->Width() / FNumGlyphs, FGlyph->Height()};
}
