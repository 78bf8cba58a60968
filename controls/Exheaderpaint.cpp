// How the header draws itself: through one off-screen bitmap per paint, section by section (the
// locked one over those scrolled under it), each with its background, edges, signs, sort mark,
// image and caption (plain, marked up, or drawn by the owner), then the strip right of the last.
#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "controls/Exheader.h"
#include "controls/Exheaderlayout.h"
#include "ctlbase/Eximgfrm.h"
#include "ctlbase/Exuxtheme.h"
#include "ctlbase/Exvclutils.h"
#include "ctlbase/Htmlrender.h"
#include "platform/CodePages.h"
#include "platform/Guard.h"
#include "platform/ImgList.h"
#include "platform/ThemeSchema.h"
#include "platform/Windows.h"

// ---------------------------------------------------------------- shared bitmaps

namespace {

// Pictures as rows of characters: 'k' is the mark, '.' lets the section show through.
struct SignPicture {
    const char* Name;
    std::vector<const char*> Rows;
};

// Magenta never appears in the marks, so it can be the see-through colour.
constexpr TColor SeeThrough = 0xFF00FF;
constexpr TColor MarkColour = 0x404040;

const std::array<SignPicture, 5> Pictures = {{
    {"EXHEADERASCBMP", {"....k....", "...kkk...", "..kkkkk..", ".kkkkkkk.", "kkkkkkkkk", "........."}},
    {"EXHEADERDESCBMP", {"kkkkkkkkk", ".kkkkkkk.", "..kkkkk..", "...kkk...", "....k....", "........."}},
    {"EXHEADERLEFTBMP", {"...k", "..kk", ".kkk", "kkkk", ".kkk", "..kk", "...k"}},
    {"EXHEADERRIGHTBMP", {"k...", "kk..", "kkk.", "kkkk", "kkk.", "kk..", "k..."}},
    {"EXHEADERPOINTBMP", {"kkkkk", ".....", ".kkk.", "..k.."}},
}};

int BitmapUsers = 0;
std::array<TBitmap*, 5> Bitmaps{};

// The picture's image file, made once and kept among the program's bitmaps.
void RegisterPicture(const SignPicture& P)
{
    std::string data;
    if (FindResourceBitmap(P.Name, data))
        return;
    TBitmap b;
    b.SetSize(Integer(std::string(P.Rows[0]).size()), Integer(P.Rows.size()));
    for (size_t y = 0; y < P.Rows.size(); ++y)
        for (size_t x = 0; P.Rows[y][x]; ++x)
            b.Canvas()->SetPixel(Integer(x), Integer(y), P.Rows[y][x] == 'k' ? MarkColour : SeeThrough);
    TMemoryStream m;
    b.SaveToStream(&m);
    const std::vector<Byte> bytes = m.Bytes();
    RegisterResourceBitmap(P.Name, bytes.data(), bytes.size());
}

// Caption bytes in the font's code page, as the wide text the theme draws. The code pages are
// single-byte ones, whose characters all lie in the first plane.
std::u16string WideCaption(const std::string& Text, TFontCharset Charset)
{
    std::u16string w;
    for (char32_t c : CodePageToUtf32(Text, CharsetToCodePage(Byte(Charset))))
        w += char16_t(c);
    return w;
}

bool Meets(const TRect& A, const TRect& B)
{
    TRect r;
    return IntersectRect(r, A, B);
}

}  // namespace

namespace controls {

void HeaderBitmapsAcquire()
{
    if (BitmapUsers++ > 0)
        return;
    for (size_t i = 0; i < Pictures.size(); ++i) {
        RegisterPicture(Pictures[i]);
        auto* b = new TBitmap;
        b->LoadFromResourceName(nullptr, Pictures[i].Name);
        Bitmaps[i] = b;
    }
}

void HeaderBitmapsRelease()
{
    if (BitmapUsers == 0 || --BitmapUsers > 0)
        return;
    for (TBitmap*& b : Bitmaps) {
        TObject::Free(b);
        b = nullptr;
    }
}

TBitmap* HeaderBitmap(THeaderBitmap Which) { return Bitmaps[size_t(Which)]; }

}  // namespace controls

// ---------------------------------------------------------------- paint cycle

void TCustomExHeader::WMPaint(TMessage& Message)
{
    if (Message.WParam) {
        TExXPThemedControl::Dispatch(Message);
        return;
    }
    const TRect client = ClientRect();
    // Let go even when a drawing handler raises.
    PAINTSTRUCT ps;
    const TPaintEnd end{Handle(), ps};
    HDC dc = BeginPaint(end.Wnd, &ps);
    TRect clip;
    GetClipBox(dc, &clip);
    if (IsRectEmpty(clip))
        clip = client;
    else
        InflateRect(clip, 1, 1);
    const TMemoryDC buffer(dc, std::max(client.Width(), 1), std::max(client.Height(), 1));
    HDC mem = buffer.DC();
    IntersectClipRect(mem, clip.Left, clip.Top, clip.Right, clip.Bottom);
    TGuardPtr<TCustomExHeader> self(this);
    Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(mem), 0);
    Perform(WM_PAINT, reinterpret_cast<WPARAM>(mem), 0);
    SelectClipRgn(mem, nullptr);
    if (self)
        BitBlt(dc, clip.Left, clip.Top, clip.Width(), clip.Height(), mem, clip.Left, clip.Top, SRCCOPY);
}

void TCustomExHeader::Paint()
{
    TGuardPtr<TCustomExHeader> self(this);
    Canvas()->SetFont(Font());
    FPainting = true;
    try {
        RedrawSections();
    } catch (...) {
        if (self)
            FPainting = false;
        throw;
    }
    if (self)
        FPainting = false;
}

bool TCustomExHeader::ImageFormShown()
{
    if (!FImageForm)
        return false;
    TWinControl* real = FImageForm->GetRealControl();
    return real && !real->HasState(csDesigning);
}

TPoint TCustomExHeader::ImageFormOrigin(const TPoint& ClientPoint)
{
    TWinControl* real = FImageForm->GetRealControl();
    return real->ScreenToClient(ClientToScreen(ClientPoint));
}

void TCustomExHeader::RedrawSections()
{
    TCanvas* c = Canvas();
    const TRect clip = c->ClipRect();
    TGuardPtr<TCustomExHeader> self(this);
    // Only the sections under the clip rectangle are looked at: found from its left edge by the
    // layout, one visible section after the other, and drawn in the order of their numbers.
    std::vector<TExHeaderSection*> under;
    {
        const controls::THeaderLayout& layout = FSections->Layout();
        const Int64 to = Int64(clip.Right) + FLeftPos;
        for (Integer pos = layout.PositionAt(Int64(clip.Left) + FLeftPos);
             pos < layout.Count() && layout.RightOf(pos) - layout.WidthAt(pos) < to;
             pos = layout.PositionAt(layout.RightOf(pos)))
            if (FSections->At(pos) != FLockedSection)
                under.push_back(FSections->At(pos));
    }
    std::sort(under.begin(), under.end(),
              [](const TExHeaderSection* A, const TExHeaderSection* B) { return A->GetIndex() < B->GetIndex(); });
    // A drawing handler may delete sections still to come.
    std::vector<TGuardPtr<TExHeaderSection>> order(under.begin(), under.end());
    for (const auto& guarded : order) {
        TExHeaderSection* s = guarded.Get();
        if (!s || !s->GetVisible() || s == FLockedSection)
            continue;
        TRect r = GetSectionRect(s->GetIndex());
        OffsetRect(r, -FLeftPos, 0);
        if (Meets(r, clip)) {
            RedrawSection(c, s, r, false);
            if (!self)
                return;
        }
    }
    if (FLockedSection && FLockedSection->GetVisible()) {
        TRect r = GetSectionRect(FLockedSection->GetIndex());
        OffsetRect(r, -FLeftPos, 0);
        if (Meets(r, clip)) {
            RedrawSection(c, FLockedSection, r, false);
            if (!self)
                return;
        }
    }
    // The strip right of the last section.
    TRect r = ClientRect();
    r.Left = GetColumnsWidth() - FLeftPos;
    if (IsRectEmpty(r))
        return;
    HDC dc = c->Handle();
    if (IsThemeApplied()) {
        DrawThemeBackground(FTheme, dc, 0, 0, &r, nullptr);
        return;
    }
    if (ImageFormShown()) {
        if (FImageForm->Control() != this) {
            TPoint origin = ImageFormOrigin(r.TopLeft());
            origin.X -= GetColumnsWidth();
            FImageForm->PaintBkgnd(dc, r, origin, false);
        }
        DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
        return;
    }
    c->Brush()->SetColor(Color());
    c->FillRect(r);
}

// ---------------------------------------------------------------- one section

void TCustomExHeader::DrawSign(TCanvas* Canvas, TBitmap* Bitmap, const TRect& Dest, const TRect& Source,
                               TColor Transparent, bool OverBackground)
{
    if (!Bitmap || IsRectEmpty(Dest))
        return;
    if (OverBackground)
        DrawTransparentBitmapEx(Canvas->Handle(), Bitmap, Dest.Left, Dest.Top, Source, Transparent);
    else
        Canvas->BrushCopy(Dest, Bitmap, Source, Transparent);
}

void TCustomExHeader::DrawSectionImage(TCanvas* Canvas, Integer N, Integer X, Integer Y, Integer MaxRight)
{
    // Images lie over whatever the section shows and stop at the end of its content.
    const Integer w = std::min(FImages->Width(), MaxRight - X + 1);
    if (w <= 0)
        return;
    HDC dc = Canvas->Handle();
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, X, Y, X + w, Y + FImages->Height());
    FImages->Draw(Canvas, X, Y, N);
    RestoreDC(dc, saved);
}

void TCustomExHeader::RedrawSection(TCanvas* Canvas, TExHeaderSection* Section, const TRect& Rect, bool DragLook)
{
    TRect r = Rect;
    HDC dc = Canvas->Handle();
    const bool themed = IsThemeApplied();
    const bool pressed = Section == FPressSection && FPressed;

    // 1. Background colour.
    TColor colour = Section->FParentColor ? Color() : Section->FColor;
    if (DragLook) {
        const Integer hls = RGBtoHLS(TColor(ColorToRGB(colour)));
        const Integer l = (hls >> 8) & 0xFF;
        colour = HLStoRGB((hls & ~0xFF00) | (std::min(252, l - l / 4) << 8));
    }
    Canvas->Brush()->SetColor(colour);

    // 2. Background and edges.
    int state = HIS_NORMAL;
    if (pressed || (Section == FDragSection && !DragLook))
        state = HIS_PRESSED;
    else if (Section == FHotSection || (DragLook && Section == FDragSection))
        state = HIS_HOT;
    bool transparent = themed;
    if (themed) {
        DrawThemeBackground(FTheme, dc, HP_HEADERITEM, state, &r, nullptr);
    } else if (ImageFormShown()) {
        transparent = true;
        if (FImageForm->Control() != this)
            FImageForm->PaintBkgnd(dc, r, ImageFormOrigin(TPoint{r.Left - PaintedLeft(Section), r.Top}), false);
    } else {
        Canvas->FillRect(r);
    }
    if (!pressed) {
        if (FFlat) {
            DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
        } else {
            DrawEdge(dc, &r, BDR_RAISEDOUTER, BF_RIGHT | BF_BOTTOM);
            --r.Right;
            --r.Bottom;
            DrawEdge(dc, &r, BDR_RAISEDINNER, BF_LEFT | BF_TOP);
            ++r.Left;
            ++r.Top;
            DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RIGHT | BF_BOTTOM);
            --r.Right;
            --r.Bottom;
        }
    } else {
        --r.Right;
        --r.Bottom;
        if (FFlat) {
            DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
        } else {
            DrawEdge(dc, &r, BDR_SUNKENINNER, BF_LEFT | BF_TOP);
            DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RIGHT | BF_BOTTOM);
        }
        ++r.Right;
        ++r.Bottom;
        // The content moves as if pushed.
        InflateRect(r, -1, -1);
        OffsetRect(r, 1, 1);
    }
    if (!themed) {
        ++r.Left;
        ++r.Top;
        --r.Bottom;
    }

    // 3, 4. Signs at the right end.
    r.Right -= 4;
    if ((Section->FExpandable || Section->FLookupEnabled || Section->FFilterEnabled) && r.Left + 7 < r.Right) {
        if (Section->FExpandable)
            DrawArrow(Canvas, Section->FExpanded ? eadLeft : eadRight, TRect{r.Right - 5, r.Top, r.Right, r.Top + 7},
                      clBtnText, true);
        const TRect sign{r.Right - 5, r.Top + 10, r.Right, std::min(r.Top + 14, r.Bottom)};
        if (Section->FLookupEnabled) {
            TBitmap* point = controls::HeaderBitmap(controls::hbPoint);
            DrawSign(Canvas, point, sign, TRect{0, 0, sign.Width(), sign.Height()}, point->TransparentColor(),
                     transparent);
        } else if (Section->FFilterEnabled) {
            const TColor filter = Section->FFilterIsActive ? FActiveFilterColor : FFilterColor;
            const TColor oldPen = Canvas->Pen()->Color();
            const TColor oldBrush = Canvas->Brush()->Color();
            const TBrushStyle oldStyle = Canvas->Brush()->Style();
            Canvas->Pen()->SetColor(filter);
            Canvas->Brush()->SetColor(filter);
            Canvas->Polygon({TPoint{r.Right - 4, r.Top + 10}, TPoint{r.Right, r.Top + 10},
                             TPoint{r.Right - 2, std::min(r.Top + 14, r.Bottom)}});
            Canvas->Pen()->SetColor(oldPen);
            Canvas->Brush()->SetColor(oldBrush);
            Canvas->Brush()->SetStyle(oldStyle);
        }
        r.Right -= 8;
    }

    // 5, 6. The sort mark.
    TRect t = r;
    if (Section->FSortMode != hsmNone && Section->FShowSortMark) {
        Integer width = 0;
        if (t.Right - 8 >= t.Left + 5) {
            width = 9;
            t.Right -= 9;
        } else {
            t.Right = t.Left + 5;
        }
        const Integer h = t.Bottom - t.Top;
        const TRect mark{t.Right, t.Top + h / 2 - 3, t.Right + width, t.Top + h / 2 + 3};
        if (width == 9) {
            const bool up = (Section->FSortMode == hsmAscend) != FInvertSortArrows;
            TBitmap* b = controls::HeaderBitmap(up ? controls::hbAscending : controls::hbDescending);
            DrawSign(Canvas, b, mark, TRect{0, 0, 9, 6}, b->Canvas()->Pixels(0, 5), transparent);
            t.Right -= 3;
        }
    }

    // 7, 8. The content by style.
    t.Left += 5;
    if (t.Right < t.Left)
        return;
    // A handler asked for the picture or the caption's images may free the header or delete the
    // section.
    TGuardPtr<TCustomExHeader> self(this);
    TGuardPtr<TExHeaderSection> section(Section);
    const Integer image = SectionImage(Section);
    if (!self || !section)
        return;
    const Integer iw = FImages ? FImages->Width() : 0;
    const Integer ih = FImages ? FImages->Height() : 0;
    if (Section->FStyle == ExhsPictureOnly) {
        if (image < 0)
            return;
        const Integer half = (t.Right - t.Left + 1) / 2 - iw / 2;
        const Integer left = std::max(t.Left + half, t.Left);
        const Integer right = std::min(t.Right, t.Left + half + iw);
        const Integer top = t.Top + (t.Bottom - t.Top + 1) / 2 - ih / 2;
        DrawSectionImage(Canvas, image, left, top, right - 1);
        return;
    }
    if (Section->FStyle == ExhsText) {
        if (image >= 0 && Section->FPictureAlign == hsaLeft) {
            DrawSectionImage(Canvas, image, t.Left, (t.Top + t.Bottom + 1) / 2 - ih / 2,
                             std::min(t.Right, t.Left + iw) - 1);
            t.Left += iw;
            if (t.Right < t.Left)
                return;
        }
        // A copy: the caption's image handler may delete the section while the text is parsed.
        const std::string text = Section->FText;
        Integer textWidth = -1;
        if (text.rfind("<html>", 0) == 0) {
            TExHTMLData* data = FRender->Data();
            data->DefaultBgColor = colour;
            data->DefaultColor = Font()->Color();
            data->DefaultStyle = Font()->Style();
            data->DefaultSize = Font()->Size();
            data->DefaultFont = Font()->Name();
            data->Charset = Font()->Charset();
            try {
                FRender->PrepareText(text, 0, false);
                if (!self || !section)
                    return;
                FRender->DrawText(Canvas, TPoint{0, 0}, t);
                if (!self || !section)
                    return;
                // What follows a marked-up caption goes after the text it shows, not its tags.
                textWidth = FRender->GetTextSize().cx;
            } catch (const Exception&) {
                if (!self || !section)
                    return;
            }
        }
        if (textWidth < 0) {
            UINT flags = DT_NOPREFIX;
            switch (Section->FAlignment) {
            case hsaLeft: flags |= FRightAlignedText ? DT_RIGHT : DT_LEFT; break;
            case hsaCenter: flags |= DT_CENTER; break;
            case hsaRight: flags |= FRightAlignedText ? DT_LEFT : DT_RIGHT; break;
            }
            if (Section->FTextLayout == tlCenter)
                flags |= DT_VCENTER;
            else if (Section->FTextLayout == tlBottom)
                flags |= DT_BOTTOM;
            if (FRightAlignedText)
                flags |= DT_RTLREADING;
            if (FWrapCaptions)
                flags |= DT_WORDBREAK;
            else if (text.find("\r\n") == std::string::npos)
                flags |= DT_SINGLELINE | DT_END_ELLIPSIS;
            Canvas->Brush()->SetStyle(bsClear);
            TFont* font = Canvas->Font();
            const TColor oldColour = font->Color();
            const TFontStyles oldStyle = font->Style();
            const bool hot = Section == FHotSection && !themed;
            if (hot) {
                font->SetColor(clHighlight);
                font->SetStyle(oldStyle | FontStyle(fsUnderline));
            } else {
                font->SetColor(Section->FParentColor ? Font()->Color() : Section->FFontColor);
            }
            TRect tr = t;
            HDC h = Canvas->Handle();
            SetBkMode(h, TRANSPARENT);
            if (themed) {
                const std::u16string wide = WideCaption(text, font->Charset());
                DrawThemeText(FTheme, h, HP_HEADERITEM, state, reinterpret_cast<LPCWSTR>(wide.c_str()),
                              Integer(wide.size()), flags, 0, &tr);
            } else {
                DrawText(h, text.c_str(), Integer(text.size()), &tr, flags);
            }
            textWidth = Canvas->TextWidth(text);
            font->SetColor(oldColour);
            font->SetStyle(oldStyle);
            Canvas->Brush()->SetStyle(bsSolid);
        }
        t.Left += textWidth + 3;
        if (t.Right < t.Left)
            return;
    } else if (Section->FStyle == ExhsOwnerDraw) {
        DoSectionDraw(Canvas, Section, t, pressed);
        if (!self || !section)
            return;
    }

    // 9. A picture after the content.
    if (image >= 0 && Section->FPictureAlign == hsaRight) {
        DrawSectionImage(Canvas, image, t.Left, (t.Top + t.Bottom + 1) / 2 - ih / 2, std::min(t.Right, t.Left + iw) - 1);
        t.Left += iw;
    }
}
