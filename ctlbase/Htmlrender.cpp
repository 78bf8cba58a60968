// Items, data and the render's measuring, layout, drawing and hit-testing. The parser is in
// Htmlrender_parse.cpp.
#include "ctlbase/Htmlrender.h"

#include <algorithm>
#include <limits>
#include <map>
#include <tuple>

#include "ctlbase/Exlist.h"
#include "ctlbase/Exscratch.h"
#include "ctlbase/Exvclutils.h"
#include "platform/Windows.h"

namespace {

// Font sizes outside this range (points) are taken as its nearest end: a size from the markup
// must not make the toolkit build glyphs of unbounded size.
constexpr Integer kMinFontSize = 1;
constexpr Integer kMaxFontSize = 1000;
// Past this many cached fonts the cache is emptied at the start of the next operation.
constexpr size_t kFontCacheLimit = 64;

Integer Clamp32(Int64 V)
{
    return static_cast<Integer>(std::clamp<Int64>(V, std::numeric_limits<Integer>::min(), MaxInt));
}

Integer FloorDiv2(Integer V) { return V >= 0 ? V / 2 : -((-V + 1) / 2); }

bool IsLinkItem(const TExHTMLItem* Item)
{
    return Item->IsLink() && (Item->ItemType == hitChar || Item->ItemType == hitBitmap);
}

}  // namespace

struct TExHTMLRender::TFontEntry {
    HFONT Font = nullptr;
    Integer Height = 0;
    Integer Descent = 0;
    Integer AveWidth = 0;
    Integer MaxWidth = 0;
};

// ---- Items ------------------------------------------------------------------------------------

bool TExHTMLItem::IsBreak() const
{
    return ItemType != hitChar && ItemType != hitBitmap && ItemType != hitHR;
}

Integer TExHTMLItem::GetWidth()
{
    TExHTMLRender* r = Data ? Data->Render : nullptr;
    switch (ItemType) {
    case hitChar:
        return r ? r->RunWidth(*this, Text, Text.size()) : 0;
    case hitBitmap:
    case hitHR:
        return Width;
    case hitUL:
        return r ? r->ItemFont(*this).MaxWidth : 0;
    default:
        return 0;
    }
}

Integer TExHTMLItem::GetHeight(Integer& Descent)
{
    Descent = 0;
    TExHTMLRender* r = Data ? Data->Render : nullptr;
    if (ItemType == hitChar && r) {
        const auto& f = r->ItemFont(*this);
        Descent = f.Descent;
        return f.Height;
    }
    return ItemType == hitBitmap ? Height : 0;
}

void TExHTMLItem::Assign(TExHTMLItem* Source)
{
    if (!Source)
        return;
    FontStyle = Source->FontStyle;
    FontSize = Source->FontSize;
    FontBgColor = Source->FontBgColor;
    FontColor = Source->FontColor;
    LinkRef = Source->LinkRef;
    FontName = Source->FontName;
    Indent = Source->Indent;
    ColorSetCount = Source->ColorSetCount;
    FFlags = Source->FFlags;
}

void TExHTMLBreakItem::SetLineDescent(Integer Value)
{
    const auto d = static_cast<std::uint16_t>(std::clamp<Integer>(Value, INT16_MIN, INT16_MAX));
    BreakProps = (BreakProps & 0xFFFF) | (Cardinal(d) << 16);
}

Integer TExHTMLBreakItem::GetWidth()
{
    TExHTMLRender* r = Data ? Data->Render : nullptr;
    return ItemType == hitLI && r ? r->ItemFont(*this).AveWidth : 0;
}

Integer TExHTMLBreakItem::GetHeight(Integer& Descent)
{
    Descent = 0;
    TExHTMLRender* r = Data ? Data->Render : nullptr;
    if (!r)
        return 0;
    switch (ItemType) {
    case hitSoftBreak:
    case hitBreak:
    case hitLI:
        return r->DefaultFont(*Data).Height;
    case hitPara: {
        const Integer h = r->DefaultFont(*Data).Height;
        const bool first = Data->Count() > 0 && Data->Item(0) == this;
        return first ? h : MulDiv(h, 3, 2);
    }
    default:
        return 0;
    }
}

void TExHTMLBreakItem::Assign(TExHTMLItem* Source)
{
    TExHTMLItem::Assign(Source);
    if (auto* b = dynamic_cast<TExHTMLBreakItem*>(Source))
        BreakProps = b->BreakProps & ~Cardinal(3);
}

void TExHTMLBreakItem::AssignBreakProps(TExHTMLItem* Source)
{
    if (auto* b = dynamic_cast<TExHTMLBreakItem*>(Source))
        BreakProps = b->BreakProps;
}

// ---- Data -------------------------------------------------------------------------------------

TExHTMLData::TExHTMLData() : FArray(std::make_unique<TExList>()) {}

TExHTMLData::~TExHTMLData() { ClearArray(); }

Integer TExHTMLData::Count() const { return FArray->Count(); }

TExHTMLItem* TExHTMLData::Item(Integer Index) const
{
    return static_cast<TExHTMLItem*>(FArray->Get(Index));
}

void TExHTMLData::ClearArray()
{
    SelectedItem = nullptr;
    for (Integer i = 0; i < FArray->Count(); ++i)
        delete static_cast<TExHTMLItem*>(FArray->FastGet(i));
    FArray->Clear();
}

Integer TExHTMLData::LineCount() const
{
    if (FArray->Count() < 2)
        return 0;
    Integer n = 0;
    for (Integer i = 0; i < FArray->Count(); ++i)
        n += static_cast<TExHTMLItem*>(FArray->FastGet(i))->IsBreak();
    return n;
}

// ---- Render: fonts ----------------------------------------------------------------------------

struct TExHTMLRender::TFontCache {
    using Key = std::tuple<std::string, Integer, TFontStyles, TFontCharset>;
    std::map<Key, TFontEntry> Fonts;
    HFONT Selected = nullptr;  // the font now in the measuring context
};

TExHTMLRender::TGuard::TGuard(TExHTMLRender& R) : Render(&R)
{
    if (R.FBusy)
        throw Exception(EngineError);
    ++R.FBusy;
    if (R.FFonts->Fonts.size() > kFontCacheLimit)
        R.ReleaseFonts();
}

TExHTMLRender::TGuard::~TGuard()
{
    if (Render)
        --Render->FBusy;
}

TExHTMLRender::TExHTMLRender() : FFonts(std::make_unique<TFontCache>())
{
    HDC screen = GetDC(nullptr);
    FMeasureDC = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    FMeasureOldFont = GetCurrentObject(FMeasureDC, OBJ_FONT);
    FBuffer = std::make_unique<TBitmap>();
    FOwnData = new TExHTMLData;
    FOwnData->Render = this;
    FData = FOwnData;
}

TExHTMLRender::~TExHTMLRender()
{
    if (FData && FData != FOwnData && FData->Render == this)
        FData->Render = nullptr;
    ReleaseFonts();
    DeleteDC(FMeasureDC);
    delete FOwnData;
}

void TExHTMLRender::ReleaseFonts()
{
    SelectObject(FMeasureDC, FMeasureOldFont);
    FFonts->Selected = nullptr;
    for (auto& [key, entry] : FFonts->Fonts)
        DeleteObject(entry.Font);
    FFonts->Fonts.clear();
}

const TExHTMLRender::TFontEntry& TExHTMLRender::Font(const std::string& Name, Integer Size, TFontStyles Style,
                                                      TFontCharset Charset)
{
    Size = std::clamp(Size, kMinFontSize, kMaxFontSize);
    const TFontCache::Key key{Name, Size, Style, Charset};
    auto it = FFonts->Fonts.find(key);
    if (it != FFonts->Fonts.end())
        return it->second;
    TFont desc;
    desc.SetName(Name);
    desc.SetSize(Size);
    desc.SetStyle(Style);
    desc.SetCharset(Charset);
    const LOGFONT lf = desc.LogFont();
    TFontEntry e;
    e.Font = CreateFontIndirect(&lf);
    SelectObject(FMeasureDC, e.Font);
    FFonts->Selected = e.Font;
    TEXTMETRIC tm;
    GetTextMetrics(FMeasureDC, &tm);
    e.Height = std::abs(tm.tmHeight);
    e.Descent = tm.tmDescent;
    e.AveWidth = tm.tmAveCharWidth;
    e.MaxWidth = tm.tmMaxCharWidth;
    return FFonts->Fonts.emplace(key, e).first->second;
}

const TExHTMLRender::TFontEntry& TExHTMLRender::ItemFont(const TExHTMLItem& Item)
{
    const TFontCharset cs = Item.Data ? Item.Data->Charset : TFontCharset(ANSI_CHARSET);
    const bool small = Item.IsSub() || Item.IsSuper();
    const Integer size = small ? Clamp32(Int64(Item.FontSize) - 2) : Item.FontSize;
    const TFontStyles style = Item.IsLink() && Item.Data ? Item.Data->LinkStyle : Item.FontStyle;
    return Font(Item.FontName, size, style, cs);
}

const TExHTMLRender::TFontEntry& TExHTMLRender::DefaultFont(const TExHTMLData& Data)
{
    return Font(Data.DefaultFont, Data.DefaultSize, 0, Data.Charset);
}

Integer TExHTMLRender::RunWidth(const TExHTMLItem& Item, const std::string& Text, size_t Len)
{
    const TFontEntry& f = ItemFont(Item);
    if (FFonts->Selected != f.Font) {
        SelectObject(FMeasureDC, f.Font);
        FFonts->Selected = f.Font;
    }
    RECT r{0, 0, 0, 0};
    ::DrawText(FMeasureDC, Text.data(), static_cast<int>(std::min(Len, Text.size())), &r,
               DT_NOPREFIX | DT_CALCRECT | DT_SINGLELINE | DT_BOTTOM);
    return r.Right - r.Left + 1;
}

// ---- Render: data -----------------------------------------------------------------------------

TExHTMLData* TExHTMLRender::CreateData()
{
    auto* d = new TExHTMLData;
    d->Render = this;
    return d;
}

void TExHTMLRender::DestroyData(TExHTMLData* Data)
{
    if (!Data)
        return;
    if (FBusy)
        throw Exception(EngineError);
    if (Data == FOwnData) {
        Data->ClearArray();
        return;
    }
    if (Data == FData)
        FData = nullptr;
    delete Data;
}

void TExHTMLRender::SetData(TExHTMLData* Data)
{
    if (FBusy)
        throw Exception(EngineError);
    FData = Data ? Data : FOwnData;
    FData->Render = this;
}

void TExHTMLRender::PrepareText(const std::string& Text, Integer MaxWidth, bool AutoWrap)
{
    PrepareToData(Text, MaxWidth, AutoWrap, FData);
}

void TExHTMLRender::TriggerImageNeededEvent(const std::string& Src, TBitmap*& Image)
{
    Image = nullptr;
    if (OnImageNeeded)
        OnImageNeeded(this, Src, Image);
}

// ---- Layout -----------------------------------------------------------------------------------

void TExHTMLRender::MeasureLine(TExHTMLData& Data, Integer Index, Integer& Next)
{
    TExHTMLItem* head = Data.Item(Index);
    Int64 lineWidth = 0;
    Integer lineHeight = 0, lineDescent = 0;
    Integer i = Index;
    do {
        TExHTMLItem* it = Data.Item(i);
        it->Width = it->GetWidth();
        lineWidth += it->Width;
        Integer d = 0;
        const Integer h = it->GetHeight(d);
        it->FRunHeight = h;
        it->FRunDescent = d;
        Integer height = h;
        if (it->ItemType == hitChar) {
            // Room for the lowered or raised run; both adjustments from the run's own height.
            if (it->IsSub()) {
                d += h / 4;
                height += h / 4;
            }
            if (it->IsSuper()) {
                d -= h / 2;
                height += 2 * h / 3;
            }
        }
        it->Height = height;
        if (i == Index || height > lineHeight)
            lineHeight = height;
        if (i == Index || d > lineDescent)
            lineDescent = d;
        ++i;
    } while (i < Data.Count() && !Data.Item(i)->IsBreak());
    Next = i;
    if (auto* b = dynamic_cast<TExHTMLBreakItem*>(head)) {
        b->Height = lineHeight;
        b->Width = Clamp32(head->Indent + lineWidth);
        b->SetLineDescent(lineDescent);
    }
}

void TExHTMLRender::CalcTokenSizes(TExHTMLData* Data)
{
    if (!Data)
        return;
    Integer i = 0;
    while (i < Data->Count())
        MeasureLine(*Data, i, i);
    Data->TextSize = TextSizeOf(*Data);
}

TSize TExHTMLRender::TextSizeOf(const TExHTMLData& Data) const
{
    Integer width = 0;
    Int64 height = 0;
    for (Integer i = 0; i < Data.Count(); ++i) {
        const TExHTMLItem* it = Data.Item(i);
        if (!it->IsBreak())
            continue;
        width = std::max(width, it->Width);
        height += it->Height;
    }
    return {width, Clamp32(height)};
}

TSize TExHTMLRender::GetTextSize() const { return FData ? TextSizeOf(*FData) : TSize{}; }

Integer TExHTMLRender::LineStart(const TExHTMLItem& Head, Integer Available)
{
    const auto* b = dynamic_cast<const TExHTMLBreakItem*>(&Head);
    if (!b)
        return 0;
    const Integer L = b->Width;
    const Integer room = Clamp32(Int64(std::max(Available, L)) - L - 1);
    switch (b->Alignment()) {
    case htaCenter:
        return FloorDiv2(room);
    case htaRight:
        return room;
    default:
        return b->Indent;
    }
}

// Where the walk over the items stands: the current line and the next item's left edge, in the
// laid-out text's coordinates, and how the text is placed in the rectangle.
struct TExHTMLRender::TLineGeometry {
    TPoint Origin;
    Integer Available = 0;  // the rectangle's width
    Int64 Top = 0;          // top of the line
    Integer Height = 0;
    Integer Descent = 0;
    Integer Width = 0;  // the line's width, indent included
    Int64 X = 0;        // left edge of the next item
};

TRect TExHTMLRender::ItemBox(const TExHTMLItem& Item, const TLineGeometry& Line, Integer& Baseline) const
{
    const Int64 left = Line.X - Line.Origin.X;
    const Int64 top = Line.Top - Line.Origin.Y;
    Baseline = 0;
    switch (Item.ItemType) {
    case hitChar: {
        const Integer h = Item.FRunHeight;
        Int64 base = top + Line.Height - Line.Descent;
        if (Item.IsSuper())
            base -= h / 2;
        if (Item.IsSub())
            base += h / 4;
        Baseline = Clamp32(base);
        return Rect(Clamp32(left), Clamp32(base - (h - Item.FRunDescent)), Clamp32(left + Item.Width),
                    Clamp32(base + Item.FRunDescent));
    }
    case hitBitmap:
        return Rect(Clamp32(left), Clamp32(top), Clamp32(left + Item.Width), Clamp32(top + Item.Height));
    case hitHR: {
        const Int64 y = top + Line.Height / 2;
        const Int64 right = Item.Width != 0 ? left + Item.Width : std::max(Line.Width, Line.Available);
        return Rect(Clamp32(left), Clamp32(y), Clamp32(right), Clamp32(y + 2));
    }
    default:
        return {};
    }
}

// ---- Drawing ----------------------------------------------------------------------------------

void TExHTMLRender::DrawText(TCanvas* Canvas, const TPoint& Origin, const TRect& Rect)
{
    DrawTextEx(Canvas, Origin, Rect, false, 0, 0, 0, 0);
}

void TExHTMLRender::DrawTextEx(TCanvas* Canvas, const TPoint& Origin, const TRect& Rect, bool UseColors,
                               TColor Color1, TColor Color2, TColor Color3, TColor Color4)
{
    if (!FData || !Canvas)
        return;
    // Lines are laid out over the rectangle's width, as hit-testing lays them out; the buffer is
    // the part of the rectangle the canvas shows, so nothing is drawn outside the rectangle and
    // a rectangle far larger than the canvas costs what the canvas shows.
    const Integer w = Rect.Width(), h = Rect.Height();
    if (w <= 0 || h <= 0)
        return;
    HDC dst = Canvas->Handle();
    TRect shown;
    if (!VisiblePart(dst, Rect, shown))
        return;
    const Integer bw = shown.Width(), bh = shown.Height();
    TGuard guard(*this);
    TExHTMLData& data = *FData;
    if (FBuffer->Width() != bw || FBuffer->Height() != bh)
        FBuffer->SetSize(bw, bh);
    HDC buf = FBuffer->Canvas()->Handle();
    BitBlt(buf, 0, 0, bw, bh, dst, shown.Left, shown.Top, SRCCOPY);

    // The buffer's canvas gets its own font and modes back even when an image handler raises.
    struct TRestore {
        HDC DC;
        UINT Align = GetTextAlign(DC);
        HGDIOBJ Font = GetCurrentObject(DC, OBJ_FONT);
        int BkMode = GetBkMode(DC);
        COLORREF Bk = GetBkColor(DC), Text = GetTextColor(DC);
        ~TRestore()
        {
            SelectObject(DC, Font);
            SetTextAlign(DC, Align);
            SetBkMode(DC, BkMode);
            SetBkColor(DC, Bk);
            SetTextColor(DC, Text);
        }
    } restore{buf};
    SetTextAlign(buf, TA_BASELINE);

    // The buffer's corner is this far into the rectangle: the text is laid out as if drawn from
    // the rectangle's corner, then moved by it.
    const Integer dx = shown.Left - Rect.Left, dy = shown.Top - Rect.Top;
    TLineGeometry line;
    line.Origin = Point(Origin.X + dx, Origin.Y + dy);
    line.Available = w;
    bool first = true;
    for (Integer i = 0; i < data.Count(); ++i) {
        TExHTMLItem* it = data.Item(i);
        if (it->IsBreak()) {
            if (!first)
                line.Top += line.Height;
            first = false;
            if (line.Top > Int64(bh) + line.Origin.Y)
                break;
            line.Height = it->Height;
            line.Descent = static_cast<TExHTMLBreakItem*>(it)->LineDescent();
            line.Width = it->Width;
            line.X = LineStart(*it, w);
            if (it->ItemType == hitLI) {
                const Integer W = it->GetWidth();
                const Int64 x = line.X - line.Origin.X;
                const Int64 top = (line.Height - line.Descent - W) / 2 + line.Top - line.Origin.Y + line.Descent;
                const TColor c = UseColors && it->ColorSetCount == 0 ? Color1 : it->FontColor;
                HBRUSH brush = CreateSolidBrush(ColorToRGB(c));
                HPEN pen = CreatePen(PS_SOLID, 1, ColorToRGB(c));
                HGDIOBJ ob = SelectObject(buf, brush), op = SelectObject(buf, pen);
                Ellipse(buf, Clamp32(x - W - 1), Clamp32(top), Clamp32(x - 1), Clamp32(top + W));
                SelectObject(buf, ob);
                SelectObject(buf, op);
                DeleteObject(brush);
                DeleteObject(pen);
            }
            continue;
        }
        Integer baseline;
        const TRect box = ItemBox(*it, line, baseline);
        switch (it->ItemType) {
        case hitChar: {
            const bool selected = it == data.SelectedItem;
            TColor bg, fg;
            if (selected) {
                bg = UseColors ? Color4 : data.HighlightBgColor;
                fg = UseColors ? Color3 : data.HighlightColor;
            } else {
                bg = UseColors && it->ColorSetCount == 0 ? Color2 : it->FontBgColor;
                fg = it->IsLink() ? data.LinkColor : UseColors && it->ColorSetCount == 0 ? Color1 : it->FontColor;
            }
            if (bg == clNone) {
                SetBkMode(buf, TRANSPARENT);
            } else {
                SetBkMode(buf, OPAQUE);
                SetBkColor(buf, ColorToRGB(bg));
            }
            SetTextColor(buf, ColorToRGB(fg));
            SelectObject(buf, ItemFont(*it).Font);
            ::TextOut(buf, box.Left, baseline, it->Text.data(), static_cast<int>(it->Text.size()));
            break;
        }
        case hitBitmap: {
            TBitmap* image = nullptr;
            TriggerImageNeededEvent(it->Text, image);
            if (!guard.Render)
                return;
            if (image && !image->Empty()) {
                // Only the part the bitmap has: a box larger than the bitmap stays empty.
                const Integer bw = std::min(it->Width, image->Width());
                const Integer bh = std::min(it->Height, image->Height());
                const TColor transparent = image->Canvas()->Pixels(0, image->Height() - 1);
                if (bw > 0 && bh > 0)
                    DrawTransparentBitmapEx(buf, image, box.Left, box.Top, TRect{0, 0, bw, bh}, transparent);
            }
            break;
        }
        case hitHR:
            DrawBevel(buf, box, clBtnShadow, clBtnFace, BorderSide(ebsTop) | BorderSide(ebsBottom));
            break;
        default:
            break;
        }
        if (it->ItemType != hitHR)
            line.X += it->Width;
    }

    BitBlt(dst, shown.Left, shown.Top, bw, bh, buf, 0, 0, SRCCOPY);
}

// ---- Hit-testing and links --------------------------------------------------------------------

TExHTMLItem* TExHTMLRender::FindItemAt(const TPoint& Point, const TPoint& Origin, const TRect& Rect)
{
    if (!FData)
        return nullptr;
    // Every run's box is placed exactly as drawing places it, raised and lowered runs included,
    // so the whole text is searched rather than the line whose band holds the point.
    TLineGeometry line;
    line.Origin = Origin;
    line.Available = Rect.Width();
    bool first = true;
    for (Integer i = 0; i < FData->Count(); ++i) {
        TExHTMLItem* it = FData->Item(i);
        if (it->IsBreak()) {
            if (!first)
                line.Top += line.Height;
            first = false;
            line.Height = it->Height;
            line.Descent = static_cast<TExHTMLBreakItem*>(it)->LineDescent();
            line.Width = it->Width;
            line.X = LineStart(*it, line.Available);
            continue;
        }
        Integer baseline;
        if (PtInRect(ItemBox(*it, line, baseline), Point))
            return it;
        if (it->ItemType != hitHR)
            line.X += it->Width;
    }
    return nullptr;
}

bool TExHTMLRender::IsCursorOverLink(const TPoint& Point, const TPoint& Origin, const TRect& Rect,
                                     std::string& HRef)
{
    TExHTMLItem* it = FindItemAt(Point, Origin, Rect);
    if (it && it->IsLink()) {
        HRef = it->LinkRef;
        return true;
    }
    HRef.clear();
    return false;
}

void TExHTMLRender::SelectLinkAt(const TPoint& Point, const TPoint& Origin, const TRect& Rect)
{
    if (FData)
        FData->SelectedItem = FindItemAt(Point, Origin, Rect);
}

void TExHTMLRender::SelectNextLink()
{
    if (!FData)
        return;
    const Integer from = FData->SelectedItem ? FData->Array()->IndexOf(FData->SelectedItem) + 1 : 0;
    for (Integer i = from; i < FData->Count(); ++i)
        if (IsLinkItem(FData->Item(i))) {
            FData->SelectedItem = FData->Item(i);
            return;
        }
}

void TExHTMLRender::SelectPrevLink()
{
    if (!FData || !FData->SelectedItem)
        return;
    for (Integer i = FData->Array()->IndexOf(FData->SelectedItem) - 1; i >= 0; --i)
        if (IsLinkItem(FData->Item(i))) {
            FData->SelectedItem = FData->Item(i);
            return;
        }
}
