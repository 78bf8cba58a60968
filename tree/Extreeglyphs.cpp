// The pieces drawn inside the tree column of a row, each taking its room from the leading side of
// the cell rectangle T (the left side, or the right one in a right-aligned tree): the tree lines,
// the expand button, the check box or radio button, and the two images. Hit testing measures the
// same room back, so widths and gaps here and there must agree.
#include <algorithm>

#include "ctlbase/Extools.h"
#include "ctlbase/Exuxtheme.h"
#include "ctlbase/Exvclutils.h"
#include "platform/Guard.h"
#include "platform/ImgList.h"
#include "platform/ThemeSchema.h"
#include "tree/Extreeres.h"
#include "tree/Extreeview.h"

namespace {

constexpr UINT ThreeStateBox = 0x0008;

// The middle row of a row rectangle whose bottom is its last pixel row.
Integer RowMiddle(const TRect& R) { return R.Top + (R.Bottom - R.Top + 1) / 2; }

// The next visible sibling after Item exists, and some later sibling keeps lines.
bool LinesGoOn(const TExTreeItem* Item, bool Filtered)
{
    bool visible = false, lined = false;
    for (TExTreeItem* s = Item->GetNextSibling(); s && !(visible && lined); s = s->GetNextSibling()) {
        if (!(Filtered && s->Hidden())) visible = true;
        if (!s->SuppressLines()) lined = true;
    }
    return visible && lined;
}

bool VisibleSiblingBefore(const TExTreeItem* Item, bool Filtered)
{
    for (TExTreeItem* s = Item->GetPrevSibling(); s; s = s->GetPrevSibling())
        if (!(Filtered && s->Hidden())) return true;
    return false;
}

bool VisibleSiblingAfter(const TExTreeItem* Item, bool Filtered)
{
    for (TExTreeItem* s = Item->GetNextSibling(); s; s = s->GetNextSibling())
        if (!(Filtered && s->Hidden())) return true;
    return false;
}

// Line pieces in one colour: dotted ones pixel by pixel on one checkerboard for the whole canvas
// (x + y even), so the dots of neighbouring rows meet; other styles with the canvas pen.
class TLinePainter {
public:
    TLinePainter(TCanvas* Canvas, TPenStyle Style, TColor Color)
        : FCanvas(Canvas), FDotted(Style == psDot), FColor(ColorToRGB(Color))
    {
        FDC = Canvas->Handle();
    }
    // From (X, Y1) down to Y2, Y2 left out.
    void Vertical(Integer X, Integer Y1, Integer Y2)
    {
        if (Y2 <= Y1) return;
        if (!FDotted) {
            FCanvas->MoveTo(X, Y1);
            FCanvas->LineTo(X, Y2);
            return;
        }
        for (Integer y = Y1 + ((X + Y1) & 1); y < Y2; y += 2) SetPixel(FDC, X, y, FColor);
    }
    // From (X1, Y) to X2, X2 left out; either direction.
    void Horizontal(Integer X1, Integer X2, Integer Y)
    {
        if (X2 < X1) {
            const Integer t = X1 + 1;
            X1 = X2 + 1;
            X2 = t;
        }
        if (X2 <= X1) return;
        if (!FDotted) {
            FCanvas->MoveTo(X1, Y);
            FCanvas->LineTo(X2, Y);
            return;
        }
        for (Integer x = X1 + ((X1 + Y) & 1); x < X2; x += 2) SetPixel(FDC, x, Y, FColor);
    }

private:
    TCanvas* FCanvas;
    bool FDotted;
    COLORREF FColor;
    HDC FDC = nullptr;
};

}  // namespace

void TExTreeView::DrawItemLines(TCanvas* Canvas, TExTreeItem* Item, TRect& R, TRect& T)
{
    const Integer I = FTree->ItemIndent();
    const Integer level = Item->Level();
    const bool right = FTree->RightAlignedTree();
    const bool filtered = Model()->FilteredVisibility();
    const Integer top = R.Top, bottom = R.Bottom + 1, mid = RowMiddle(R);
    // Column of depth d: [left, left + I); depth 0 is the margin column before T.
    auto columnLeft = [&](Integer d) { return right ? T.Right + (d - 1) * -I - I : T.Left + (d - 1) * I; };
    auto lineX = [&](Integer d) { return right ? columnLeft(d) + I - 1 - I / 2 : columnLeft(d) + I / 2; };
    // Only what the canvas shows is looked at: a line before its leading edge has every line of
    // the ancestors above it there too, so a row deep in the tree asks none of those.
    const TRect clip = Canvas->ClipRect();
    auto past = [&](Integer x) { return right ? x >= clip.Right : x < clip.Left; };
    auto shown = [&](Integer x) { return (right ? x >= T.Left : x < T.Right) && x >= clip.Left && x < clip.Right; };

    TPen* pen = Canvas->Pen();
    const TPenStyle oldStyle = pen->Style();
    const TColor oldColor = pen->Color();
    pen->SetStyle(FTree->LinesStyle() == psDot ? psSolid : FTree->LinesStyle());
    pen->SetColor(FTree->LinesColor());
    TLinePainter lines(Canvas, FTree->LinesStyle(), FTree->LinesColor());

    if (level > 0 && FTree->ShowRoot()) {
        const Integer x = lineX(0);
        if (shown(x) && VisibleSiblingAfter(Item->GetAncestor(), filtered)) lines.Vertical(x, top, bottom);
    }
    // The ancestors' columns, top-down: a line where the ancestor's branch goes on below.
    TExTreeItem* ancestor = Item->Parent();
    for (Integer d = level - 1; d >= 1 && ancestor; --d, ancestor = ancestor->Parent()) {
        const Integer x = lineX(d);
        if (past(x)) break;
        if (shown(x) && LinesGoOn(ancestor, filtered)) lines.Vertical(x, top, bottom);
    }
    const Integer x = lineX(level);
    const Integer inner = right ? std::max(columnLeft(level), T.Left) - 1 : std::min(columnLeft(level) + I, T.Right);
    if (level > 0) {
        if (shown(x)) {
            lines.Vertical(x, top, mid);
            lines.Horizontal(x, inner, mid);
            if (LinesGoOn(Item, filtered)) lines.Vertical(x, mid, bottom);
        }
    } else if (FTree->ShowRoot() && shown(x)) {
        lines.Horizontal(x, inner, mid);
        if (VisibleSiblingBefore(Item, filtered)) lines.Vertical(x, top, mid);
        if (VisibleSiblingAfter(Item, filtered)) lines.Vertical(x, mid, bottom);
    }
    pen->SetStyle(oldStyle);
    pen->SetColor(oldColor);
    if (right)
        T.Right -= (level - 1) * I;
    else
        T.Left += (level - 1) * I;
}

void TExTreeView::DrawButtons(TCanvas* Canvas, TExTreeItem* Item, bool HasButton, TBitmap*, TRect& R, TRect& T)
{
    if (T.Left >= T.Right) return;
    const Integer I = FTree->ItemIndent();
    const Integer rowHeight = R.Bottom - R.Top + 1;
    const bool right = FTree->RightAlignedTree();
    const Integer cellLeft = right ? std::max(T.Right - I, T.Left) : T.Left;
    HDC dc = Canvas->Handle();
    if (FTree->IsThemeApplied()) {
        const int state = Item->Expanded() ? GLPS_OPENED : GLPS_CLOSED;
        SIZE size{};
        if (GetThemePartSize(FTree->Theme(), dc, TVP_GLYPH, state, nullptr, TS_TRUE, &size) == S_OK) {
            TRect box;
            CenterRects(size.cx + 1, I, size.cy + 1, rowHeight, box);
            OffsetRect(box, cellLeft, R.Top);
            ++box.Right;
            ++box.Bottom;
            box.Right = std::min(box.Right, T.Right);
            DrawThemeBackground(FTree->Theme(), dc, TVP_GLYPH, state, &box, nullptr);
            return;
        }
    }
    TBitmap* picture;
    TColor transparent;
    TRect box;
    if (FTree->CustomPlusMinus()) {
        picture = !HasButton ? FTree->LeafPicture() : Item->Expanded() ? FTree->MinusPicture() : FTree->PlusPicture();
        CenterRects(FTree->PlusPicture()->Width(), I, FTree->PlusPicture()->Height(), rowHeight, box);
        transparent = picture->Empty() ? clNone : picture->Canvas()->Pixels(0, picture->Height() - 1);
    } else {
        picture = !HasButton ? extree::LeafBmp() : Item->Expanded() ? extree::MinusBmp() : extree::PlusBmp();
        CenterRects(extree::ButtonBmpSize, I, extree::ButtonBmpSize, rowHeight, box);
        transparent =
            picture && !picture->Empty() ? picture->Canvas()->Pixels(1, picture->Height() - 2) : TColor(clNone);
    }
    if (!picture || picture->Empty()) return;
    OffsetRect(box, cellLeft, R.Top);
    const Integer width = std::min<Integer>(picture->Width(), T.Right - box.Left);
    if (width <= 0) return;
    const Integer height = std::min<Integer>(picture->Height(), box.Bottom - box.Top + 1);
    HDC src = picture->Canvas()->Handle();
    // The default pictures have no ground of their own: their see-through pixels always show the row.
    if (FTree->PlusMinusTransparent() || !FTree->CustomPlusMinus())
        TransparentBlt(dc, box.Left, box.Top, width, height, src, 0, 0, width, height, ColorToRGB(transparent));
    else
        BitBlt(dc, box.Left, box.Top, width, height, src, 0, 0, SRCCOPY);
}

Integer TExTreeView::CheckBoxWidth(TExTreeItem* Item)
{
    const bool radio = Item->CheckBoxType() == ectRadioButton;
    if (FTree->CustomCheckboxes()) {
        TBitmap* glyph = radio ? FTree->RadioButtonGlyph() : FTree->CheckBoxGlyph();
        return glyph->Width() / 6;
    }
    return FTree->GetCheckBoxSize();
}

void TExTreeView::DrawCheckBoxes(TCanvas* Canvas, TExTreeItem* Item, TBitmap* Bitmap, TRect& R, TRect& T)
{
    if (!Item->ShowCheckBox()) return;
    const bool radio = Item->CheckBoxType() == ectRadioButton;
    const bool enabled = Item->CheckBoxEnabled();
    const bool right = FTree->RightAlignedTree();
    const bool themed = FTree->IsThemeApplied() && !FTree->CustomCheckboxes();
    TBitmap* glyph = radio ? FTree->RadioButtonGlyph() : FTree->CheckBoxGlyph();
    HDC dc = Canvas->Handle();
    TSize size{FTree->CheckBoxSize(), FTree->CheckBoxSize()};
    if (themed) {
        SIZE s{};
        if (GetThemePartSizeTo(VSCLASS_BUTTON, dc, radio ? BP_RADIOBUTTON : BP_CHECKBOX, 1, nullptr, TS_TRUE, s) ==
            S_OK)
            size = TSize{s.cx, s.cy};
    } else if (FTree->CustomCheckboxes()) {
        size = TSize{glyph->Width() / 6, glyph->Height()};
    }
    // Which of the states: unchecked, checked, grayed (0, 1, 2).
    const Integer state = radio ? (Item->Checked() ? 1 : 0)
                          : Item->CheckBoxType() == ect3SCheckBox ? Integer(Item->CheckBoxState())
                                                                  : (Item->Checked() ? 1 : 0);
    const Integer top = RowMiddle(R) - size.cy / 2;
    const Integer left = right ? std::max(T.Right - size.cx, T.Left) : T.Left;
    const TRect box{left, top, left + size.cx, top + size.cy};
    if (themed) {
        int part = radio ? BP_RADIOBUTTON : BP_CHECKBOX;
        int s;
        if (radio)
            s = state == 1 ? (enabled ? RBS_CHECKEDNORMAL : RBS_CHECKEDDISABLED)
                           : (enabled ? RBS_UNCHECKEDNORMAL : RBS_UNCHECKEDDISABLED);
        else
            s = state == 2   ? (enabled ? CBS_MIXEDNORMAL : CBS_MIXEDDISABLED)
                : state == 1 ? (enabled ? CBS_CHECKEDNORMAL : CBS_CHECKEDDISABLED)
                             : (enabled ? CBS_UNCHECKEDNORMAL : CBS_UNCHECKEDDISABLED);
        DrawThemeBackgroundTo(VSCLASS_BUTTON, dc, part, s, box, nullptr);
    } else if (FTree->CustomCheckboxes()) {
        // Six cells side by side: unchecked, its disabled look, checked, disabled, grayed, disabled.
        const Integer cell = state * 2 + (enabled ? 0 : 1);
        const TRect src{cell * size.cx, 0, (cell + 1) * size.cx, size.cy};
        if (glyph->Transparent() || glyph->TransparentMode == tmFixed)
            DrawTransparentBitmapEx(dc, glyph, box.Left, box.Top, src, glyph->TransparentColor());
        else
            BitBlt(dc, box.Left, box.Top, size.cx, size.cy, glyph->Canvas()->Handle(), src.Left, 0, SRCCOPY);
    } else {
        UINT flags = radio ? DFCS_BUTTONRADIO : DFCS_BUTTONCHECK;
        if (state == 1) flags |= DFCS_CHECKED;
        if (state == 2) flags |= ThreeStateBox | DFCS_CHECKED;
        if (!enabled) flags |= DFCS_INACTIVE;
        // The box is drawn over a copy of what the row shows there, and copied back.
        Bitmap->SetSize(size.cx, size.cy);
        HDC mem = Bitmap->Canvas()->Handle();
        BitBlt(mem, 0, 0, size.cx, size.cy, dc, box.Left, box.Top, SRCCOPY);
        RECT r{0, 0, size.cx, size.cy};
        DrawFrameControl(mem, &r, DFC_BUTTON, flags);
        BitBlt(dc, box.Left, box.Top, size.cx, size.cy, mem, 0, 0, SRCCOPY);
    }
    if (right)
        T.Right -= size.cx;
    else
        T.Left += size.cx;
}

void TExTreeView::DrawImages(TCanvas* Canvas, TExTreeItem* Item, TBitmap* Bitmap, TRect& R, TRect& T)
{
    if (IsRectEmpty(T)) return;
    const Integer gap = FTree->ItemIndent() / 3;
    const bool right = FTree->RightAlignedTree();
    const bool checkBox = Item->ShowCheckBox() && FTree->ShowCheckboxes();
    HDC dc = Canvas->Handle();
    // The list's drawing style for this item, or -1 to leave the list's own.
    auto styleFor = [&]() -> Integer {
        if (!FTree->ChangeStateImage()) return -1;
        if (FTree->RowSelect()) {
            if (Item->Selected() || Item->GetState(3)) return dsSelected;
            return Item->Focused() ? dsFocus : dsNormal;
        }
        return Item->GetState(3) ? Integer(dsSelected) : -1;
    };
    // One image: answers whether it was shown (or its room kept).
    auto one = [&](TCustomImageList* List, Integer Index, bool ShowEmpty, bool GapBefore) -> bool {
        if (!List) return false;
        const bool inList = Index >= 0 && Index < List->Count();
        if (!inList && !ShowEmpty) return false;
        if (GapBefore) {
            if (right)
                T.Right -= gap;
            else
                T.Left += gap;
        }
        const Integer w = List->Width(), h = List->Height();
        const Integer left = right ? T.Right - w : T.Left;
        if (inList) {
            const Integer top = R.Top + (R.Bottom - R.Top + 1) / 2 - h / 2;
            const Integer clipLeft = std::max(left, T.Left), clipRight = std::min(left + w, T.Right);
            if (clipRight > clipLeft) {
                Bitmap->SetSize(w, h);
                HDC mem = Bitmap->Canvas()->Handle();
                BitBlt(mem, 0, 0, w, h, dc, left, top, SRCCOPY);
                const Integer style = styleFor();
                const TDrawingStyle old = List->DrawingStyle;
                List->Draw(Bitmap->Canvas(), 0, 0, Index, style < 0 ? old : TDrawingStyle(style), itImage, true);
                BitBlt(dc, clipLeft, top, clipRight - clipLeft, h, mem, clipLeft - left, 0, SRCCOPY);
            }
        }
        if (right)
            T.Right -= w;
        else
            T.Left += w;
        return true;
    };
    // The indexes may come from handlers: they are asked first, and the lists read afterwards.
    TGuardPtr<TExTreeView> self(this);
    TGuardPtr<TExTreeItem> alive(Item);
    const Integer index2 = FTree->Images2() || FTree->Images() ? FTree->ItemImageIndex(Item, true) : -1;
    if (!self || !alive) return;
    TCustomImageList* second = FTree->Images2() ? FTree->Images2() : FTree->Images();
    const bool secondShown = one(second, index2, FTree->ShowEmptyImages2(), checkBox);
    Item->SetPicture2Shown(secondShown);
    const Integer index1 = FTree->Images() ? FTree->ItemImageIndex(Item, false) : -1;
    if (!self || !alive) return;
    const bool mainShown = one(FTree->Images(), index1, FTree->ShowEmptyImages(), secondShown || checkBox);
    Item->SetPictureShown(mainShown);
}
