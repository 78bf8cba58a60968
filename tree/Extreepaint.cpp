// Row painting: every row of the visible-row list with its background (own colour, selection,
// stripes, drop target), the cells of the columns with their styles, pictures, hosted controls and
// texts, the tree column (indentation, lines, button, check box, images, main text), the strike-out
// line, the focus rectangle and the drop mark; then the grid lines through the empty part. Row
// rectangles are in document coordinates (client x plus LeftPosition) until a cell is drawn.
#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

#include "ctlbase/Exvclutils.h"
#include "ctlbase/Htmlrender.h"
#include "platform/Guard.h"
#include "platform/ImgList.h"
#include "tree/Excellctl.h"
#include "tree/Excellstyle.h"
#include "tree/Extreeview.h"

namespace {

bool StartsWithHTML(const std::string& Text) { return Text.compare(0, 6, "<html>") == 0; }

TFontStyles ItemFontStyles(TExTreeItem* Item)
{
    TFontStyles styles = 0;
    if (Item->GetState(5)) styles |= FontStyle(fsBold);
    if (Item->GetState(6)) styles |= FontStyle(fsItalic);
    if (Item->GetState(4)) styles |= FontStyle(fsUnderline);
    if (Item->GetState(8)) styles |= FontStyle(fsStrikeOut);
    return styles;
}

void Fill(TCanvas* Canvas, const TRect& R, TColor Color)
{
    if (R.Right <= R.Left || R.Bottom <= R.Top) return;
    Canvas->Brush()->SetColor(Color);
    Canvas->FillRect(R);
}

// How a text is placed vertically in its box.
enum class TVertical { Top, Center };

// Keeps what is drawn inside a rectangle while it lives; the clip before it comes back. A context
// that went meanwhile (a handler freed the view) is left alone.
class TClipTo {
public:
    TClipTo(HDC DC, const TRect& R) : FDC(DC), FSaved(CreateRectRgn(0, 0, 0, 0))
    {
        FHad = GetClipRgn(FDC, FSaved) == 1;
        IntersectClipRect(FDC, R.Left, R.Top, R.Right, R.Bottom);
    }
    TClipTo(const TClipTo&) = delete;
    TClipTo& operator=(const TClipTo&) = delete;
    ~TClipTo()
    {
        SelectClipRgn(FDC, FHad ? FSaved : nullptr);
        DeleteObject(FSaved);
    }

private:
    HDC FDC;
    HRGN FSaved;
    bool FHad = false;
};

}  // namespace

// ---------------------------------------------------------------- shared pieces

namespace {

// Where a marked-up text comes from: the caller's own layout (Item nil), or an item's main text
// (Column -1) or column text, read again once the pictures' handler has run.
struct THTMLSource {
    TExHTMLData* Data;
    TExTreeItem* Item = nullptr;
    Integer Column = -1;
};

// Draws a cell's or the main column's text (plain or marked up) into Box, which is the text box
// already fitted horizontally; the canvas font and colour are set. False: a picture's handler
// freed the view (or deleted the item), and nothing is drawn.
bool DrawBoxText(TExTreeView* View, TCanvas* Canvas, const std::string& Text, THTMLSource HTML, const TRect& Box,
                 UINT Flags, TVertical Vertical)
{
    if (HTML.Data) {
        // The pictures are asked for before the renderer starts: their handler may free the tree or
        // change the items (and the text's data with them), which the renderer cannot stand while
        // it draws.
        TGuardPtr<TExTreeView> view(View);
        TGuardPtr<TExTreeItem> item(HTML.Item);
        TExTreeView::TPictures pictures = View->AskPictures(*HTML.Data);
        if (!view || (HTML.Item && !item)) return false;
        TExHTMLData* data = HTML.Data;
        if (HTML.Item) data = HTML.Column < 0 ? HTML.Item->HTMLData() : HTML.Item->ColumnHTMLData(HTML.Column);
        if (!data) return true;
        TExHTMLRender* render = View->HTMLRender();
        render->SetData(data);
        const Integer h = data->TextSize.cy;
        const Integer dy = Vertical == TVertical::Center ? (Box.Height() - h) / 2 - 1 : 0;
        const TRect r{Box.Left, Box.Top + std::max<Integer>(dy, 0), Box.Right, Box.Bottom};
        const TColor color = Canvas->Font()->Color();
        View->DrawHTML(Canvas, r, color, pictures);
        return true;
    }
    UINT flags = Flags | DT_NOPREFIX | DT_NOCLIP;
    flags &= ~(DT_VCENTER | DT_BOTTOM);
    TRect r = Box;
    if (Vertical == TVertical::Center) {
        if (flags & DT_SINGLELINE) {
            flags |= DT_VCENTER;
        } else {
            // Several lines: the block is placed by its measured height.
            TRect m{0, 0, Box.Width(), 0};
            DrawText(Canvas->Handle(), Text.data(), int(Text.size()), &m, (flags | DT_CALCRECT) & ~DT_NOCLIP);
            const Integer free = Box.Height() - m.Height();
            if (free > 0) r.Top += free / 2;
        }
    }
    DrawText(Canvas->Handle(), Text.data(), int(Text.size()), &r, flags);
    return true;
}

// A single-line text far longer than its box: the part that already overfills the box (plus a
// margin) looks the same cut off with an ellipsis, and measuring and cutting the whole would cost
// as much as the text is long. Short texts and texts that fit come back whole. Texts are bytes of
// a code page (one character each): any byte may end the part.
std::string VisiblePart(TCanvas* Canvas, const std::string& Text, Integer BoxWidth)
{
    constexpr std::size_t Short = 512;
    if (Text.size() <= Short) return Text;
    for (std::size_t n = Short; n < Text.size(); n *= 2) {
        TRect m{0, 0, 0, 0};
        DrawText(Canvas->Handle(), Text.data(), int(n), &m, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
        if (m.Width() > BoxWidth + 64) return Text.substr(0, n);
    }
    return Text;
}

// The rule for a text of the tree column or of a style: single-line plain text is centred, and so
// is any text whose flags ask for a vertical place (the bottom too); a multi-line or marked-up one
// without a vertical flag starts at the top of a tall row.
TVertical VerticalRule(UINT Flags, bool MultiOrHTML, bool TallRow)
{
    if (!MultiOrHTML || (Flags & (DT_VCENTER | DT_BOTTOM))) return TVertical::Center;
    return TallRow ? TVertical::Top : TVertical::Center;
}

}  // namespace

TExTreeView::TPictures TExTreeView::AskPictures(const TExHTMLData& Data)
{
    std::vector<std::string> sources;
    for (Integer i = 0; i < Data.Count(); ++i)
        if (const TExHTMLItem* it = Data.Item(i); it->ItemType == hitBitmap &&
                                                  std::find(sources.begin(), sources.end(), it->Text) == sources.end())
            sources.push_back(it->Text);
    TPictures pictures;
    TGuardPtr<TExTreeView> self(this);
    for (const std::string& src : sources) {
        TBitmap* image = nullptr;
        FTree->TriggerImageNeededEvent(FHTMLRender.get(), src, image);
        if (!self) break;
        pictures.emplace_back(src, image);
    }
    return pictures;
}

void TExTreeView::DrawHTML(TCanvas* Canvas, const TRect& Box, TColor Color, const TPictures& Pictures)
{
    // The renderer asks for each picture as it draws: the answers given before.
    FPictures = &Pictures;
    struct TDone {
        TExTreeView* View;
        ~TDone()
        {
            View->FPictures = nullptr;
            View->FHTMLRender->SetData(nullptr);
        }
    } done{this};
    FHTMLRender->DrawTextEx(Canvas, TPoint{0, 0}, Box, true, Color, clNone, Color, clNone);
}

TExTreeView::THTMLLayout TExTreeView::LayOutHTML(const std::string& Text, const TFont* Font, TColor Color)
{
    // The view may go while the layout is in use (a handler of the paint frees the tree).
    TGuardPtr<TExTreeView> view(this);
    THTMLLayout data(FHTMLRender->CreateData(), [view](TExHTMLData* D) {
        if (view)
            view->FHTMLRender->DestroyData(D);
        else
            delete D;
    });
    data->DefaultFont = Font->Name();
    data->DefaultSize = Font->Size();
    data->DefaultStyle = Font->Style();
    data->DefaultColor = Color;
    data->Charset = Font->Charset();
    FHTMLRender->PrepareToData(Text, 0, false, data.get());
    FHTMLRender->SetData(nullptr);
    return data;
}

// ---------------------------------------------------------------- the rows

void TExTreeView::RedrawTree(TCanvas* Canvas, Integer RealLeftPos, TExList* ItemsList)
{
    TGuardPtr<TExTreeView> self(this);
    TCustomExHeader* header = FTree->Header();
    if (header->Sections()->Count() <= Model()->MainTreeColumn) Model()->MainTreeColumn = 0;
    const Integer savedLeft = FTree->FLeftPosition;
    const Integer savedHeaderLeft = header->LeftPos();
    FTree->FLeftPosition = RealLeftPos;
    if (header->LeftPos() != RealLeftPos) header->SetLeftPos(RealLeftPos);
    const TBrushStyle brushStyle = Canvas->Brush()->Style();
    Canvas->Font()->Assign(FTree->Font());
    const TRect clip = Canvas->ClipRect();
    const bool columns = FTree->ShowColumns();
    const Integer columnsWidth = columns ? header->GetColumnsWidth() : 0;
    const bool barStyle = FTree->BarStyle();
    Integer top = 0;
    for (Integer i = 0; i < ItemsList->Count(); ++i) {
        auto* item = static_cast<TExTreeItem*>(ItemsList->Get(i));
        const Integer h = item->GetHeight();
        const bool bordered = barStyle || item->BorderStyle() != ibsNone;
        const bool hline = FTree->HorizontalLines() && !barStyle && item->BorderStyle() == ibsNone;
        TRect R{0, top, Width(), top + h - 1};
        top += h;
        if (hline) --R.Bottom;
        if (R.Top >= clip.Bottom || R.Bottom + 1 <= clip.Top) continue;
        TRect S = R;
        S.Bottom = S.Top + h - (hline ? 1 : 0);
        if (columns) {
            S.Right = columnsWidth;
        } else {
            R.Right = S.Right = std::max(FHRange, Width() + FTree->FLeftPosition);
        }
        if (!item->UseStyles()) {
            Canvas->Font()->SetColor(FTree->TextColor());
            Canvas->Pen()->SetColor(FTree->TextColor());
        }
        FCurRowTextColor = FTree->TextColor();
        FPaintRow = i;
        if (bordered) {
            InflateRect(R, -1, -1);
            InflateRect(S, -1, -1);
        }
        DoRedrawItem(Canvas, item, R, S);
        if (!self) return;
        if (bordered) {
            InflateRect(R, 1, 1);
            ++R.Bottom;
            if (columns) R.Right = columnsWidth - FTree->FLeftPosition;
            UINT edge = BDR_RAISEDINNER, flags = BF_RECT;
            switch (item->BorderStyle()) {
            case ibsRaised: edge = BDR_RAISEDINNER; break;
            case ibsFlat:
                edge = BDR_SUNKENOUTER;
                flags |= BF_FLAT;
                break;
            case ibsSunken: edge = BDR_SUNKENOUTER; break;
            default: edge = item->Selected() ? BDR_SUNKENOUTER : BDR_RAISEDINNER; break;
            }
            if (!columns) R.Right -= FTree->FLeftPosition;
            R.Left -= FTree->FLeftPosition;
            DrawEdge(Canvas->Handle(), &R, edge, flags);
        }
    }
    Canvas->Brush()->SetStyle(brushStyle);
    if (!barStyle || FTree->BarStyleVerticalLines()) {
        const Integer clientH = ClientHeight();
        if (FTree->HorizontalLines() && !barStyle && ItemsList->Count() > 0) {
            Canvas->Pen()->SetColor(FTree->HorzDivLinesColor());
            Canvas->Pen()->SetStyle(psSolid);
            const Integer right = columns ? columnsWidth - FTree->FLeftPosition : ClientWidth();
            const Integer l = std::max<Integer>(0, clip.Left), r = std::min(right, clip.Right);
            Integer y = static_cast<TExTreeItem*>(ItemsList->Get(0))->GetHeight() - 1;
            for (Integer i = 0; i < ItemsList->Count() && y < clientH; ++i) {
                auto* item = static_cast<TExTreeItem*>(ItemsList->Get(i));
                // A bordered row keeps its own edge where the line would run.
                if (item->DrawHLine() && item->BorderStyle() == ibsNone && y >= clip.Top && y < clip.Bottom &&
                    r > l) {
                    Canvas->MoveTo(l, y);
                    Canvas->LineTo(r, y);
                }
                if (i + 1 < ItemsList->Count()) y += static_cast<TExTreeItem*>(ItemsList->Get(i + 1))->GetHeight();
            }
        }
        if (FTree->VerticalLines() && columns && FTree->VerticalLinesLong() && FTree->FBottomIndex >= 0) {
            Canvas->Pen()->SetColor(FTree->VertDivLinesColor());
            Canvas->Pen()->SetStyle(psSolid);
            TExHeaderSection* locked = header->LockedSection();
            if (locked && !locked->GetVisible()) locked = nullptr;
            for (Integer s = 0; s < header->Sections()->Count(); ++s) {
                TExHeaderSection* section = header->Sections()->GetSection(s);
                if (!section->GetVisible() || section->Width() <= 0) continue;
                Integer x = section->GetRight() - 1;
                if (section != locked) {
                    x -= FTree->FLeftPosition;
                    // Scrolled under the locked column, which does not scroll.
                    if (locked && x >= locked->GetLeft() && x < locked->GetRight()) continue;
                }
                Canvas->MoveTo(x, top);
                Canvas->LineTo(x, clientH);
            }
        }
    }
    FTree->FLeftPosition = savedLeft;
    if (header->LeftPos() != savedHeaderLeft) header->SetLeftPos(savedHeaderLeft);
}

void TExTreeView::DoRedrawItem(TCanvas* Canvas, TExTreeItem* Item, const TRect& ItemRect, const TRect& SurfRect)
{
    TGuardPtr<TExTreeView> self(this);
    TGuardPtr<TExTreeItem> item(Item);
    auto gone = [&] { return !self || !item; };
    const TRect& R = ItemRect;
    const TRect& S = SurfRect;
    const Integer LP = FTree->FLeftPosition;
    TCustomExHeader* header = FTree->Header();
    const bool columns = FTree->ShowColumns();
    const bool barStyle = FTree->BarStyle();
    const bool bordered = Item->BorderStyle() != ibsNone;
    const Integer V = FTree->VerticalLines() && (!barStyle || FTree->BarStyleVerticalLines()) && !bordered ? 1 : 0;
    const bool shown = SelectionShown();
    const TColor selBk = shown ? FTree->FocusedSelectColor() : FTree->HideSelectColor();
    const TColor selText = shown ? FTree->FocusedSelectTextColor() : FTree->HideSelectTextColor();
    const bool selectedRow = Item->Selected() && !barStyle && !bordered;
    const bool dropTarget = Item == FDropTargetItem;
    const TDragTargetDraw dropMode = FTree->DragTrgDrawMode();
    const bool dropColours = dropTarget && (dropMode == ColorRect || dropMode == SelColorRect);
    const TColor dropBk = dropMode == ColorRect ? (FDropAccepted ? FTree->DragRectAcceptColor() : FTree->DragRectDenyColor())
                                                : TColor(clHighlight);
    const TColor dropText = dropMode == ColorRect ? TColor(clBtnText) : TColor(clHighlightText);

    // The row's background, later rules over earlier ones.
    FRowBkSet = FRowBkFromItem = false;
    FCurRowBkColor = FTree->BkColor();
    if (!Item->ParentColors() && Item->UseBkColor()) {
        FCurRowBkColor = Item->RowBkColor();
        Canvas->Brush()->SetColor(FCurRowBkColor);
        FRowBkSet = FRowBkFromItem = true;
    }
    const bool selectionRule = selectedRow && FTree->RowSelect();
    if (selectionRule) {
        FCurRowBkColor = selBk;
        FCurRowTextColor = selText;
        Canvas->Brush()->SetColor(selBk);
        Canvas->Font()->SetColor(selText);
        FRowBkSet = true;
        FRowBkFromItem = false;
    } else if (FTree->StripedItems()) {
        FCurRowBkColor = (FTree->FTopIndex + FPaintRow) % 2 ? FTree->StripedOddColor() : FTree->StripedEvenColor();
        FRowBkSet = true;
        FRowBkFromItem = false;
    }
    if (dropColours && FTree->RowSelect()) {
        FCurRowBkColor = dropBk;
        FCurRowTextColor = dropText;
        FRowBkSet = true;
        FRowBkFromItem = false;
    }

    if (!columns) {
        DoRedrawItemTree(Canvas, Item, R, R);
        if (gone()) return;
    } else {
        TExHeaderSection* locked = header->LockedSection();
        if (locked && !locked->GetVisible()) locked = nullptr;
        std::unique_ptr<TBitmap> under;
        TRect lockedCell{};
        if (locked) {
            // What lies under the locked column before the scrolled cells paint there.
            lockedCell = TRect{locked->GetLeft(), S.Top, locked->GetRight(), S.Bottom};
            under = std::make_unique<TBitmap>();
            under->SetSize(std::max<Integer>(lockedCell.Width(), 1), std::max<Integer>(lockedCell.Height(), 1));
            BitBlt(under->Canvas()->Handle(), 0, 0, lockedCell.Width(), lockedCell.Height(), Canvas->Handle(),
                   lockedCell.Left, lockedCell.Top, SRCCOPY);
        }
        const Integer count = header->Sections()->Count();
        for (Integer n = 0; n <= count; ++n) {
            TExHeaderSection* section;
            if (n == count) {
                if (!locked) break;
                section = locked;
                BitBlt(Canvas->Handle(), lockedCell.Left, lockedCell.Top, lockedCell.Width(), lockedCell.Height(),
                       under->Canvas()->Handle(), 0, 0, SRCCOPY);
            } else {
                section = header->Sections()->GetSection(n);
                if (section == locked) continue;
            }
            if (!section->GetVisible()) continue;
            const Integer index = section->GetIndex();
            const Integer lock = section == locked ? -LP : 0;
            if (index == FTree->MainTreeColumn()) {
                DoRedrawItemTree(Canvas, Item, R, R);
                if (gone()) return;
            } else {
                PaintCell(Canvas, Item, section, S, V, selectedRow, dropColours, selBk, selText, dropBk, dropText);
                if (gone()) return;
            }
            if (FTree->VerticalLines() && ((!barStyle && !bordered) || FTree->BarStyleVerticalLines())) {
                const Integer x = section->GetRight() - LP - lock - 1;
                Canvas->Pen()->SetStyle(psSolid);
                Canvas->Pen()->SetColor(FTree->VertDivLinesColor());
                Canvas->MoveTo(x, S.Top);
                Canvas->LineTo(x, S.Bottom + 1);
            }
        }
    }

    // Strike-out line.
    if (Item->StrikedOutLine()) {
        const TColor old = Canvas->Pen()->Color();
        Canvas->Pen()->SetStyle(psSolid);
        Canvas->Pen()->SetColor(selectionRule ? selText : Item->StrikedLineColor());
        const Integer lock = MainColumnLockOffset();
        const Integer y = (R.Top + R.Bottom) / 2 + 1;
        const Integer x1 = Item->TextLeft - 2 - LP - lock;
        const Integer x2 = columns ? header->GetColumnsWidth() - LP : Item->TextRight - LP - lock;
        Canvas->MoveTo(x1, y);
        Canvas->LineTo(x2, y);
        Canvas->Pen()->SetColor(old);
    }

    // Focus rectangle.
    TExHeaderSection* locked = columns ? header->LockedSection() : nullptr;
    TRect F{0, R.Top, 0, R.Bottom};
    if (FTree->RowSelect()) {
        F.Left = locked ? 0 : S.Left - LP;
        F.Right = columns ? header->GetColumnsWidth() - LP - V : S.Right - LP;
        if (barStyle || bordered) {
            --F.Right;
            if (locked) ++F.Left;
        }
    } else if (TExHeaderSection* sel = columns ? header->Sections()->GetSection(FTree->SelectColumn()) : nullptr) {
        const Integer lock = sel->GetLocked() ? -LP : 0;
        F.Left = sel->GetLeft() - LP - lock;
        F.Right = F.Left + sel->Width() - (FTree->VerticalLines() ? 1 : 0);
    } else {
        const Integer lock = MainColumnLockOffset();
        F.Left = Item->TextLeft + 1 - LP - lock;
        F.Right = Item->TextRight - 1 - LP - lock;
    }
    bool drawFocus = FTree->Focused() || !FTree->HideFocusRect();
    FTree->TriggerItemPostDrawEvent(Canvas, Item, F, drawFocus);
    if (gone()) return;
    ++F.Bottom;
    if (Item == Model()->Focused() && drawFocus && FTree->DrawFocusRect()) {
        Canvas->Brush()->SetStyle(bsSolid);
        Canvas->Brush()->SetColor(FTree->BkColor());
        Canvas->Pen()->SetColor(FTree->TextColor());
        Canvas->Font()->SetColor(FTree->TextColor());
        Canvas->DrawFocusRect(F);
    }

    // Drop mark.
    if (dropTarget) {
        TRect M{S.Left - LP, R.Top, columns ? ClientWidth() : S.Right + 1 - LP, R.Bottom + 1};
        if (locked && (barStyle || bordered)) {
            --M.Right;
            ++M.Left;
        }
        const TColor mark = FDropAccepted ? FTree->DragRectAcceptColor() : FTree->DragRectDenyColor();
        auto line = [&](Integer Y, Integer Dir, TColor Color) {
            Canvas->Pen()->SetStyle(psSolid);
            Canvas->Pen()->SetColor(Color);
            Canvas->MoveTo(M.Left, Y);
            Canvas->LineTo(M.Right, Y);
            // End ticks: 3 and 1 pixels long at each end.
            Canvas->MoveTo(M.Left, Y);
            Canvas->LineTo(M.Left, Y + 3 * Dir);
            Canvas->MoveTo(M.Left + 1, Y);
            Canvas->LineTo(M.Left + 1, Y + Dir);
            Canvas->MoveTo(M.Right - 1, Y);
            Canvas->LineTo(M.Right - 1, Y + 3 * Dir);
            Canvas->MoveTo(M.Right - 2, Y);
            Canvas->LineTo(M.Right - 2, Y + Dir);
        };
        switch (dropMode) {
        case ColorFrame:
            Canvas->Brush()->SetColor(mark);
            Canvas->FrameRect(M);
            break;
        case dtdUpColorLine: line(M.Top, 1, mark); break;
        case dtdDownColorLine: line(M.Bottom - 1, -1, mark); break;
        case dtdUpSelColorLine: line(M.Top, 1, clHighlight); break;
        case dtdDownSelColorLine: line(M.Bottom - 1, -1, clHighlight); break;
        default: break;
        }
    }
}

Integer TExTreeView::MainColumnLockOffset()
{
    if (!FTree->ShowColumns()) return 0;
    TExHeaderSection* main = FTree->Header()->Sections()->GetSection(FTree->MainTreeColumn());
    return main && main->GetLocked() ? -FTree->FLeftPosition : 0;
}

void TExTreeView::PaintCell(TCanvas* Canvas, TExTreeItem* Item, TExHeaderSection* Section, const TRect& S, Integer V,
                            bool SelectedRow, bool DropColours, TColor SelBk, TColor SelText, TColor DropBk,
                            TColor DropText)
{
    const Integer LP = FTree->FLeftPosition;
    const Integer I = FTree->ItemIndent();
    const Integer index = Section->GetIndex();
    const Integer main = FTree->MainTreeColumn();
    const bool virt = Model()->IsVirtual();
    const Integer lock = Section->GetLocked() ? -LP : 0;
    TGuardPtr<TExTreeItem> alive(Item);
    // Text of the cell.
    const Integer column = index > main ? index - 1 : index;
    std::string text;
    TExHTMLData* html = nullptr;
    if (virt) {
        FTree->TriggerVirtualTextNeeded(Item, index, text);
        if (!alive) return;
    } else if (TStringList* texts = Item->ColumnText(); texts && column >= 0 && column < texts->Count()) {
        text = texts->Get(column);
        if (Item->IsHTML() && StartsWithHTML(text)) html = Item->ColumnHTMLData(column);
    }
    if (Section->Password()) {
        text = "******";
        html = nullptr;
    }
    // Its style and colours.
    TExCellStyle* style = nullptr;
    if (Item->UseStyles()) {
        if (virt) {
            style = FVirtualStyle.get();
            if (style) {
                FTree->TriggerVirtualStyleNeeded(Item, index, style);
                if (!alive) return;
            }
        } else {
            style = column >= 0 && column < Item->StylesCount() && !Section->UseMainStyle() ? Item->Styles(column)
                                                                                          : Item->MainStyle();
        }
    }
    const bool ownColours = style && !style->OwnerColors();
    TColor bk = FCurRowBkColor, fg = FCurRowTextColor;
    bool fill = FRowBkSet;
    const bool selectedCell = SelectedRow && (index == FTree->SelectColumn() || FTree->RowSelect());
    if (ownColours && !FRowBkSet) {
        bk = style->CellBkColor();
        fill = style->UseBkColor() && !selectedCell;
    }
    if (selectedCell) {
        bk = SelBk;
        fg = SelText;
        fill = true;
    }
    if (DropColours && (index == FTree->SelectColumn() || FTree->RowSelect())) {
        bk = DropBk;
        fg = DropText;
        fill = true;
    }
    TRect C{Section->GetLeft() - LP - lock, S.Top, Section->GetRight() - LP - V - lock, S.Bottom};
    if (fill) Fill(Canvas, C, bk);

    const bool ownerDraw = (FTree->OwnerDrawByColumn() && Section->Style() == ExhsOwnerDraw) ||
                           (!FTree->OwnerDrawByColumn() && text == FTree->OwnerDrawMask()) ||
                           (style && style->Style() == ExhsOwnerDraw);
    if (ownerDraw) {
        const TRect r{C.Left + 1, C.Top + 1, C.Right - V - 1, C.Bottom - 1};
        FTree->DoItemDraw(Item, Canvas, r, index);
        return;
    }
    if (ownColours && style->Control() && style->Control()->Visible()) {
        TExCellControl* control = style->Control();
        TRect r = C;
        InflateRect(r, -control->BorderWidth(), -control->BorderWidth());
        control->SetPaintContext(FTree, Item, selectedCell);
        control->Paint(Canvas, r);
        control->SetPaintContext(nullptr, nullptr, false);
        return;
    }
    if (TBitmap* picture = style && style->Style() == ExhsPictureOnly ? style->Picture() : nullptr;
        picture && !picture->Empty()) {
        const Integer top = C.Top + (C.Height() + 1) / 2 - picture->Height() / 2;
        Integer left = C.Left;
        if (Section->Alignment() == hsaCenter)
            left = C.Left + (C.Width() - picture->Width()) / 2;
        else if (Section->Alignment() == hsaRight)
            left = C.Right - picture->Width();
        DrawClippedPicture(Canvas, picture, left, top, C);
        return;
    }
    // Font and flags (a picture-only style without a picture shows the text).
    UINT flags;
    if (!ownColours) {
        Canvas->Font()->SetName(FTree->Font()->Name());
        Canvas->Font()->SetStyle(FTree->Font()->Style());
        Canvas->Font()->SetSize(FTree->Font()->Size());
        TExSAlignment a = Section->Alignment();
        if (FTree->RightAlignedText()) a = a == hsaLeft ? hsaRight : a == hsaRight ? hsaLeft : a;
        flags = a == hsaCenter ? DT_CENTER : a == hsaRight ? DT_RIGHT : DT_LEFT;
        if (!Item->Multiline()) flags |= DT_SINGLELINE | DT_END_ELLIPSIS;
        flags |= DT_NOPREFIX;
    } else {
        flags = UINT(style->TextFlags());
        Canvas->Font()->SetName(style->FontName());
        Canvas->Font()->SetStyle(style->FontStyles());
        Canvas->Font()->SetSize(style->FontSize());
        if (!FRowBkSet && !selectedCell) {
            fg = style->TextColor();
            bk = style->TextBkColor();
            fill = style->UseBkColor();
        }
    }
    Canvas->Font()->SetColor(fg);
    // A virtual tree's marked-up text is laid out as it comes, in the cell's font.
    THTMLLayout laidOut;
    if (virt && Item->IsHTML() && StartsWithHTML(text) && !Section->Password()) {
        laidOut = LayOutHTML(text, Canvas->Font(), fg);
        html = laidOut.get();
    }
    // Measure and place.
    Integer w;
    if (html) {
        w = html->TextSize.cx;
    } else {
        if (flags & DT_SINGLELINE) text = VisiblePart(Canvas, text, std::min(C.Right, ClientWidth()) - C.Left);
        TRect m{0, 0, C.Width(), 0};
        DrawText(Canvas->Handle(), text.data(), int(text.size()), &m, (flags | DT_CALCRECT) & ~DT_END_ELLIPSIS);
        w = m.Width();
    }
    TRect box = C;
    if (flags & DT_CENTER) {
        const Integer bw = std::min<Integer>(C.Width(), w + 3);
        box.Left = C.Left + (C.Width() - bw) / 2;
        box.Right = box.Left + bw;
    } else if (flags & DT_RIGHT) {
        box.Left = std::max(C.Right - (I / 3 + w), C.Left);
        box.Right -= I / 5;
    } else {
        box.Right = std::min(C.Left + I / 3 + w, C.Right);
        box.Left += I / 5;
    }
    if (box.Right <= box.Left || C.Right <= C.Left) return;
    if (fill && (ownColours || selectedCell)) Fill(Canvas, box, bk);
    Canvas->Brush()->SetStyle(bsClear);
    const bool multi = Item->Multiline() || html;
    {
        // An ellipsis or a line longer than the box stays in the cell.
        TClipTo clip(Canvas->Handle(), C);
        const THTMLSource source{html, laidOut ? nullptr : Item, column};
        if (!DrawBoxText(this, Canvas, text, source, box, flags, VerticalRule(flags, multi, C.Height() > Model()->LineHeight)))
            return;
    }
    Canvas->Brush()->SetStyle(bsSolid);
}

void TExTreeView::DrawClippedPicture(TCanvas* Canvas, TBitmap* Picture, Integer Left, Integer Top, const TRect& Clip)
{
    const Integer l = std::max(Left, Clip.Left), t = std::max(Top, Clip.Top);
    const Integer r = std::min(Left + Picture->Width(), Clip.Right), b = std::min(Top + Picture->Height(), Clip.Bottom);
    if (r <= l || b <= t) return;
    const TRect src{l - Left, t - Top, r - Left, b - Top};
    if (Picture->Transparent())
        DrawTransparentBitmapEx(Canvas->Handle(), Picture, l, t, src, Picture->TransparentColor());
    else
        BitBlt(Canvas->Handle(), l, t, r - l, b - t, Picture->Canvas()->Handle(), src.Left, src.Top, SRCCOPY);
}

// ---------------------------------------------------------------- the tree column

TBitmap* TExTreeView::CellBitmap()
{
    if (!FCellBitmap) FCellBitmap = std::make_unique<TBitmap>();
    return FCellBitmap.get();
}

void TExTreeView::DoRedrawItemTree(TCanvas* Canvas, TExTreeItem* Item, const TRect& ItemRect, const TRect&)
{
    TGuardPtr<TExTreeView> self(this);
    TGuardPtr<TExTreeItem> alive(Item);
    auto gone = [&] { return !self || !alive; };
    TRect R = ItemRect;
    const Integer LP = FTree->FLeftPosition;
    const Integer I = FTree->ItemIndent();
    const bool columns = FTree->ShowColumns();
    const bool right = FTree->RightAlignedTree();
    const bool barStyle = FTree->BarStyle();
    const bool bordered = Item->BorderStyle() != ibsNone;
    TCustomExHeader* header = FTree->Header();
    TExHeaderSection* main = header->Sections()->GetSection(FTree->MainTreeColumn());
    const Integer lock = columns && main && main->GetLocked() ? -LP : 0;
    // 1. The cell.
    TRect T = R;
    if (columns && main) {
        T.Left = main->GetLeft() - LP - lock;
        T.Right = main->GetRight() - LP - lock;
        if (FTree->VerticalLines() && !(barStyle && !FTree->BarStyleVerticalLines())) --T.Right;
    } else {
        OffsetRect(T, -LP, 0);
    }
    const bool virt = Model()->IsVirtual();
    TExCellStyle* style = nullptr;
    if (virt && Item->UseStyles()) {
        style = FVirtualStyle.get();
        if (style) {
            FTree->TriggerVirtualStyleNeeded(Item, columns ? FTree->MainTreeColumn() : -1, style);
            if (gone()) return;
        }
    } else if (Item->UseStyles()) {
        style = Item->MainStyle();
    }
    const bool ownColours = style && !style->OwnerColors();
    // 2. Background.
    const bool shown = SelectionShown();
    const TColor selBk = shown ? FTree->FocusedSelectColor() : FTree->HideSelectColor();
    const TColor selText = shown ? FTree->FocusedSelectTextColor() : FTree->HideSelectTextColor();
    TColor bk = FCurRowBkColor, fg = FCurRowTextColor;
    bool fill = FRowBkSet;
    if (ownColours && !FRowBkSet) {
        bk = style->CellBkColor();
        fill = style->UseBkColor();
    }
    // The cell takes the selection (and drop-target) colours when the row or the main column does.
    const bool highlightable =
        !barStyle && !bordered &&
        ((FTree->SelectColumn() == FTree->MainTreeColumn() && (columns || FTree->RowSelect())) || FTree->RowSelect());
    const bool selectedCell = Item->Selected() && highlightable;
    if (selectedCell) {
        bk = selBk;
        fg = selText;
        fill = true;
    }
    const TDragTargetDraw dropMode = FTree->DragTrgDrawMode();
    if (Item == FDropTargetItem && (dropMode == ColorRect || dropMode == SelColorRect) && highlightable) {
        bk = dropMode == ColorRect ? (FDropAccepted ? FTree->DragRectAcceptColor() : FTree->DragRectDenyColor())
                                   : TColor(clHighlight);
        fg = dropMode == ColorRect ? TColor(clBtnText) : TColor(clHighlightText);
        fill = true;
    }
    ++T.Bottom;
    if (fill) Fill(Canvas, T, bk);
    // With columns what the cell holds stays in its column (owner drawing aside).
    std::optional<TClipTo> clip;
    if (columns && main) clip.emplace(Canvas->Handle(), T);
    // 3. Indentation: everything from the leading edge (the right one in a right-aligned tree).
    auto advance = [&](Integer By) {
        if (right)
            T.Right -= By;
        else
            T.Left += By;
    };
    advance(Item->IndentAdjust());
    advance((FTree->ShowRoot() && FTree->ShowLines()) || (FTree->ShowButtons() && FTree->ShowRootButtons()) ? I
                                                                                                             : I / 5);
    // 4. Lines.
    if (FTree->ShowLines() && !Item->SuppressLines())
        DrawItemLines(Canvas, Item, R, T);
    else
        advance((Item->Level() - 1) * I);
    // 5, 6. Button.
    if (Item->GetAncestor()->SuppressButtons()) advance(-I);
    if (FTree->ShowButtons() && !Item->SuppressButtons() && !(Item->Level() == 0 && !FTree->ShowRootButtons())) {
        const bool hasButton = Item->HasVisibleChildren() || Item->ForceButtons();
        if (hasButton || FTree->ShowLeafButton()) DrawButtons(Canvas, Item, hasButton, CellBitmap(), R, T);
    }
    advance(I);
    // 7, 8. Check box and images.
    if (FTree->ShowCheckboxes() && Item->ShowCheckBox()) DrawCheckBoxes(Canvas, Item, CellBitmap(), R, T);
    Item->SetPictureShown(false);
    Item->SetPicture2Shown(false);
    if (FTree->ShowImages()) {
        DrawImages(Canvas, Item, CellBitmap(), R, T);
        if (gone()) return;
    }
    const bool bare = !FTree->ShowButtons() && !FTree->ShowLines() && !FTree->ShowImages() && !FTree->ShowCheckboxes();
    // 9. Owner drawing.
    const std::string text = Item->Text();
    if (gone()) return;
    const bool ownerDraw = (FTree->OwnerDrawByColumn() && main && main->Style() == ExhsOwnerDraw) ||
                           (text == FTree->OwnerDrawMask() && !FTree->OwnerDrawByColumn()) ||
                           (style && style->Style() == ExhsOwnerDraw);
    if (ownerDraw) {
        clip.reset();
        FTree->DoItemDraw(Item, Canvas, T, FTree->MainTreeColumn());
        if (gone()) return;
        advance(I / 3);
        Item->TextLeft = T.Left + LP + lock - (bare && !right ? I / 3 : 0);
        Item->TextRight = T.Right + LP + lock + (bare && right ? I / 3 : 0);
        return;
    }
    // 10. The gap before the text.
    advance(I / 3);
    // 11. A picture instead of the text.
    if (style && style->Style() == ExhsPictureOnly && style->Picture() && !style->Picture()->Empty()) {
        TBitmap* picture = style->Picture();
        const Integer top = T.Top + (T.Height() + 1) / 2 - picture->Height() / 2;
        const Integer left = right ? T.Left + (T.Width() - picture->Width()) / 2 : T.Left;
        DrawClippedPicture(Canvas, picture, left, top, T);
        Item->TextLeft = T.Left + LP + lock;
        Item->TextRight = T.Right + LP + lock;
        return;
    }
    // 12. Font, colours and flags.
    TColor textBk = clNone;
    UINT flags;
    TFont* font = Canvas->Font();
    if (!Item->UseStyles() || !style) {
        font->SetName(FTree->Font()->Name());
        font->SetSize(FTree->Font()->Size());
        font->SetStyle(Item->ParentStyle() ? FTree->Font()->Style() : ItemFontStyles(Item));
        if (!Item->ParentColors()) {
            fg = Item->Color();
            if (Item->UseBkColor()) textBk = Item->BkColor();
        }
        flags = right ? DT_RIGHT : DT_LEFT;
        if (!Item->Multiline()) flags |= DT_SINGLELINE | DT_END_ELLIPSIS;
        flags |= DT_NOPREFIX;
        if (FTree->RightAlignedText()) flags |= DT_RTLREADING;
    } else if (!ownColours) {
        font->SetName(FTree->Font()->Name());
        font->SetSize(FTree->Font()->Size());
        font->SetStyle(Item->ParentStyle() ? FTree->Font()->Style() : ItemFontStyles(Item));
        flags = main && main->Alignment() == hsaCenter ? DT_CENTER : main && main->Alignment() == hsaRight ? DT_RIGHT : 0;
        if (!Item->Multiline()) flags |= DT_SINGLELINE | DT_END_ELLIPSIS;
        flags |= DT_NOPREFIX;
    } else {
        flags = UINT(style->TextFlags());
        font->SetName(style->FontName());
        font->SetSize(style->FontSize());
        font->SetStyle(style->FontStyles());
        if (!FRowBkSet && !selectedCell) {
            fg = style->TextColor();
            if (style->UseBkColor()) textBk = style->TextBkColor();
        }
    }
    // 13. Hot tracking.
    if (FTree->Tracking() && Item == FTrackedItem) {
        if (FTree->UnderlineTracked()) font->SetStyle(font->Style() | FontStyle(fsUnderline));
        if (!Item->Selected()) fg = FTree->TrackColor();
    }
    // 14. Selection and drop target colours of the text.
    const bool otherSelectColumn = columns && !FTree->RowSelect() && FTree->SelectColumn() >= 0 &&
                                   FTree->SelectColumn() < header->Sections()->Count() &&
                                   FTree->SelectColumn() != FTree->MainTreeColumn();
    if (Item->Selected() && !barStyle && !bordered && !otherSelectColumn) {
        textBk = selBk;
        fg = selText;
    }
    if (Item == FDropTargetItem) {
        if (dropMode == ColorRect) fg = clBtnText;
        if (dropMode == SelColorRect) {
            textBk = clHighlight;
            fg = clHighlightText;
        }
    }
    font->SetColor(fg);
    // 15. Measure.
    TExHTMLData* html = nullptr;
    THTMLLayout laidOut;
    if (Item->IsHTML() && StartsWithHTML(text)) {
        if (virt) {
            laidOut = LayOutHTML(text, font, fg);
            html = laidOut.get();
        } else {
            html = Item->HTMLData();
        }
    }
    Integer w = 0;
    std::string visible = text;
    if (html) {
        w = html->TextSize.cx;
    } else {
        // Only what can show in the client area needs measuring.
        if (!Item->Multiline()) visible = VisiblePart(Canvas, text, std::min(T.Right, ClientWidth()) - T.Left);
        TRect m{0, 0, 0, 0};
        DrawText(Canvas->Handle(), visible.data(), int(visible.size()), &m,
                 DT_CALCRECT | DT_NOPREFIX | (Item->Multiline() ? 0 : DT_SINGLELINE));
        w = m.Width();
    }
    // 16. The text box.
    TRect X{T.Left - 1, T.Top, 0, T.Bottom};
    if (right) {
        X.Right = T.Right + 2;
        X.Left = std::max(T.Left, X.Right - w - 4);
    } else {
        X.Right = std::min(X.Left + w + 4, T.Right);
    }
    if (X.Right <= X.Left) {
        Item->TextLeft = Item->TextRight = X.Left + LP + lock - 1;
        return;
    }
    // 17. Text.
    if (textBk != clNone) Fill(Canvas, X, textBk);
    const TRect box = X;
    ++X.Left;
    Canvas->Brush()->SetStyle(bsClear);
    const bool multi = Item->Multiline() || html;
    DrawBoxText(this, Canvas, visible, {html, laidOut ? nullptr : Item}, X, flags,
                VerticalRule(flags, multi, R.Bottom - R.Top + 1 > Model()->LineHeight));
    if (gone()) return;
    // 18. The painted extent, which hit testing reads back.
    Item->TextLeft = box.Left + LP + lock - 1 - (bare && !right ? I / 3 : 0);
    Item->TextRight = box.Right + LP + lock + 1 + (bare && right ? I / 3 : 0);
    Canvas->Brush()->SetStyle(bsSolid);
}

// ---------------------------------------------------------------- the drag image

Integer TExTreeView::TreeTextOffset(TExTreeItem* Item)
{
    const Integer I = FTree->ItemIndent();
    Integer x = Item->IndentAdjust();
    x += (FTree->ShowRoot() && FTree->ShowLines()) || (FTree->ShowButtons() && FTree->ShowRootButtons()) ? I : I / 5;
    x += (Item->Level() - 1) * I;
    if (Item->GetAncestor()->SuppressButtons()) x -= I;
    x += I;
    const bool checkBox = FTree->ShowCheckboxes() && Item->ShowCheckBox();
    if (checkBox) x += CheckBoxWidth(Item);
    if (FTree->ShowImages()) {
        auto shown = [&](TCustomImageList* List, Integer Index, bool ShowEmpty) {
            return List && ((Index >= 0 && Index < List->Count()) || ShowEmpty);
        };
        TCustomImageList* second = FTree->Images2() ? FTree->Images2() : FTree->Images();
        const bool secondShown = shown(second, second ? FTree->ItemImageIndex(Item, true) : -1, FTree->ShowEmptyImages2());
        if (secondShown) x += second->Width() + (checkBox ? I / 3 : 0);
        TCustomImageList* images = FTree->Images();
        if (shown(images, images ? FTree->ItemImageIndex(Item, false) : -1, FTree->ShowEmptyImages()))
            x += images->Width() + (secondShown || checkBox ? I / 3 : 0);
    }
    return x + I / 3;
}

void TExTreeView::FillDragImage()
{
    if (FDragImages) {
        TObject::Free(FDragImages);
        FDragImages = nullptr;
    }
    const TDragImgMode mode = FTree->DragImageMode();
    if (mode == dimNever) return;
    Integer first = -1, last = -1, count = 0;
    for (Integer i = 0; i < FVisibleRows.Count(); ++i) {
        if (!Row(i)->Selected()) continue;
        if (first < 0) first = i;
        last = i;
        ++count;
    }
    if (count == 0 || (mode == dimOne && count > 1)) return;
    const TRect topRect = GetItemRect(first), bottomRect = GetItemRect(last);
    const Integer extentTop = topRect.Top;
    const Integer height = bottomRect.Bottom - extentTop + 1;
    TCustomExHeader* header = FTree->Header();
    if (header->Sections()->Count() <= Model()->MainTreeColumn) Model()->MainTreeColumn = 0;
    TExHeaderSection* main = header->Sections()->GetSection(FTree->MainTreeColumn());
    const bool columns = FTree->ShowColumns() && main;
    const Integer width = columns ? main->Width() : std::max(FHRange, FTree->FLeftPosition + Width());
    if (width <= 0 || height <= 0) return;
    auto* list = new TImageList(this);
    list->SetWidth(width);
    list->SetHeight(height + 1);
    TBitmap bitmap;
    bitmap.SetSize(width, height + 1);
    bitmap.TransparentMode = tmFixed;
    bitmap.SetTransparentColor(FTree->BkColor());
    TCanvas* canvas = bitmap.Canvas();
    canvas->Lock();
    canvas->Brush()->SetColor(FTree->BkColor());
    canvas->FillRect(TRect{0, 0, width, height + 1});
    canvas->Font()->Assign(FTree->Font());
    canvas->Font()->SetColor(FTree->TextColor());
    canvas->Pen()->SetColor(FTree->TextColor());
    const bool right = FTree->RightAlignedTree();
    for (Integer i = first; i <= last; ++i) {
        TExTreeItem* item = Row(i);
        if (!item->Selected()) continue;
        TRect r = GetItemRect(i);
        OffsetRect(r, 0, -extentTop);
        r.Right = width;
        if (FTree->HorizontalLines()) --r.Bottom;
        ++r.Bottom;
        const Integer offset = TreeTextOffset(item);
        TRect box = r;
        if (right)
            box.Right -= offset;
        else
            box.Left += offset;
        if (box.Right <= box.Left) continue;
        canvas->Font()->SetStyle(item->ParentStyle() ? FTree->Font()->Style() : ItemFontStyles(item));
        const std::string text = item->Text();
        if (item->IsHTML() && StartsWithHTML(text) && item->HTMLData()) {
            TGuardPtr<TExTreeView> self(this);
            DrawBoxText(this, canvas, text, {item->HTMLData(), item}, box, 0, TVertical::Center);
            // The pictures' handler may have freed the tree or changed the rows.
            if (!self) return;
            last = std::min(last, RowCount() - 1);
        } else {
            UINT flags = DT_SINGLELINE | DT_NOPREFIX | DT_VCENTER;
            if (right) flags |= DT_RIGHT | DT_RTLREADING;
            canvas->Brush()->SetStyle(bsClear);
            DrawText(canvas->Handle(), text.data(), int(text.size()), &box, flags);
            canvas->Brush()->SetStyle(bsSolid);
        }
    }
    canvas->Unlock();
    list->AddMasked(&bitmap, clDefault);
    FDragImages = list;
}
