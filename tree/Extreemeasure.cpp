// Measuring: the default row height, the size of one cell, the width a column needs and the
// column auto-size; the check box's size.
#include <algorithm>
#include <functional>

#include "ctlbase/Htmlrender.h"
#include "platform/Classes.h"
#include "platform/ImgList.h"
#include "platform/WinGdi.h"
#include "ctlbase/Exuxtheme.h"
#include "tree/Excellctl.h"
#include "tree/Excellstyle.h"
#include "tree/Extreectl.h"
#include "tree/Extreeres.h"
#include "tree/Extreeview.h"

namespace {

bool StartsWithHTML(const std::string& Text) { return Text.compare(0, 6, "<html>") == 0; }

}  // namespace

Integer TCustomExTree::DefineLineHeight()
{
    Integer h = 0;
    if (ShowImages()) {
        if (FImages) h = FImages->Height();
        if (FImages2) h = std::max(h, FImages2->Height());
    }
    h = std::max(h, FItemIndent);
    const Integer fh = Font()->Height();
    h = std::max(h, fh < 0 ? -fh + 4 : fh + 2);
    if (ShowCheckboxes())
        h = std::max(h, FCustomCheckboxes ? std::max(FRadioButtonGlyph->Height(), FCheckBoxGlyph->Height())
                                          : FItemIndent - 2);
    if (FBarStyle) return h + 2;
    if (FHorizontalLines) return h + 1;
    return h;
}

Integer TCustomExTree::GetCheckBoxSize()
{
    if (IsThemeApplied() && !IsDesigning()) {
        SIZE size{};
        if (GetThemePartSizeTo(u"BUTTON", FSpareBitmap->Canvas()->Handle(), 3, 0, nullptr, TS_TRUE, size) == S_OK)
            return std::max<Integer>(size.cx, size.cy);
    }
    return FCheckBoxSize;
}

// Measuring and drawing take the same image: the state image while the item is focused,
// selected or expanded.
Integer TCustomExTree::ItemImageIndex(TExTreeItem* Item, bool Second)
{
    const bool stateful = Item->Focused() || Item->Selected() || Item->Expanded();
    if (Second) {
        const Integer index = stateful ? Item->StImageIndex2() : Item->ImageIndex2();
        return index == -1 ? DoGetPicture2(Item) : index;
    }
    const Integer index = stateful ? Item->StImageIndex() : Item->ImageIndex();
    return index == -1 ? DoGetPicture(Item) : index;
}

// Width and height of a cell's text in the font the cell shows it in. A marked-up text is measured
// by its layout: the one the item keeps, or in a virtual tree one made now from the text the event
// gave, as it is drawn.
static TSize MeasureCellText(TCustomExTree* Tree, TBitmap* Scratch, TExTreeItem* Item, const std::string& Text,
                             const TFont* Font, TExHTMLData* HTML)
{
    if (Item->IsHTML() && StartsWithHTML(Text)) {
        if (Tree->VirtualityLevel() != vlNone && Tree->View())
            return Tree->View()->LayOutHTML(Text, Font, Tree->TextColor())->TextSize;
        if (HTML) return HTML->TextSize;
    }
    TCanvas* canvas = Scratch->Canvas();
    canvas->SetFont(const_cast<TFont*>(Font));
    RECT r{};
    UINT flags = DT_CALCRECT | DT_NOPREFIX | DT_VCENTER | (Item->Multiline() ? 0 : DT_SINGLELINE);
    if (Tree->RightAlignedText()) flags |= DT_RTLREADING;
    DrawText(canvas->Handle(), Text.c_str(), int(Text.size()), &r, flags);
    return TSize{r.Right - r.Left, r.Bottom - r.Top};
}

void TCustomExTree::MeasureCell(TExTreeItem* Item, Integer SectionIndex, TPoint& Size)
{
    // The picture, style, text and part events may delete the item being measured.
    TExTreeOperation op(FModel.get());
    op.Hold(Item);
    // ...and may free the tree.
    TGuardPtr<TCustomExTree> self(this);
    const Integer I = FItemIndent;
    const Integer L = LineHeight();
    const Integer sections = FHeader->Sections()->Count();
    TExCellStyle* style = nullptr;
    TFont font;
    font.Assign(Font());
    if (SectionIndex != -1 && SectionIndex != MainTreeColumn()) {
        TExHeaderSection* section = FHeader->Sections()->GetSection(SectionIndex);
        const Integer column = SectionIndex > MainTreeColumn() ? SectionIndex - 1 : SectionIndex;
        std::string text;
        if (Item->UseStyles()) {
            if (FModel->IsVirtual()) {
                style = FView->VirtualStyle();
                if (style) {
                    TriggerVirtualStyleNeeded(Item, SectionIndex, style);
                    if (!self) return;
                }
            } else {
                style = column < Item->StylesCount() && section && !section->UseMainStyle() ? Item->Styles(column)
                                                                                             : Item->MainStyle();
            }
        }
        if (FModel->IsVirtual()) {
            TriggerVirtualTextNeeded(Item, SectionIndex, text);
            if (!self) return;
        } else if (TStringList* texts = Item->ColumnText(); texts && column >= 0 && column < texts->Count())
            text = texts->Get(column);
        const bool ownerDraw = (FOwnerDrawByColumn && section && section->Style() == ExhsOwnerDraw) ||
                               (!FOwnerDrawByColumn && text == FOwnerDrawMask) ||
                               (style && style->Style() == ExhsOwnerDraw);
        if (ownerDraw) {
            TriggerMeasureItemPartEvent(Item, SectionIndex, Size);
            if (!self) return;
            Size.X += I / 5 * 3;
            return;
        }
        if (style && style->Control()) {
            Size = TPoint{section ? section->Width() : 0, L};
            FSectionSizedCell = true;
            return;
        }
        if (style && style->Style() == ExhsPictureOnly && style->Picture()) {
            Size = TPoint{style->Picture()->Width(), style->Picture()->Height()};
            return;
        }
        if (style && style->Style() != ExhsText) {
            Size = TPoint{0, L};
            return;
        }
        if (style && !Item->ParentStyle()) {
            font.SetName(style->FontName());
            font.SetStyle(style->FontStyles());
            font.SetSize(style->FontSize());
        }
        if (section && section->Password()) text = "******";
        const TSize t = MeasureCellText(this, FSpareBitmap.get(), Item, text, &font, Item->ColumnHTMLData(column));
        Size.X = I / 5 * 3 + t.cx + 4;
        Size.Y = std::max(L, t.cy + 3);
        return;
    }
    // The tree column.
    if (FModel->IsVirtual()) {
        style = FView->VirtualStyle();
        if (style) {
            TriggerVirtualStyleNeeded(Item, SectionIndex, style);
            if (!self) return;
        }
    } else if (Item->UseStyles()) {
        style = Item->MainStyle();
    }
    Size = TPoint{0, L};
    if (FShowRoot && ShowLines())
        Size.X += I;
    else if (ShowButtons() && FShowRootButtons)
        Size.X += I;
    else
        Size.X += I / 5;
    Size.X += I * Item->Level();
    const bool checkBox = ShowCheckboxes() && Item->ShowCheckBox();
    if (checkBox) Size.X += FCustomCheckboxes ? FCheckBoxGlyph->Width() / 6 : GetCheckBoxSize();
    if (ShowImages()) {
        bool second = false;
        if (TCustomImageList* list2 = FImages2 ? FImages2 : FImages) {
            const Integer index = ItemImageIndex(Item, true);
            if ((index >= 0 && index < list2->Count()) || ShowEmptyImages2()) {
                Size.X += list2->Width();
                if (checkBox) Size.X += I / 3;
                second = true;
            }
        }
        if (FImages) {
            const Integer index = ItemImageIndex(Item, false);
            if ((index >= 0 && index < FImages->Count()) || ShowEmptyImages()) {
                Size.X += FImages->Width();
                if (second || checkBox) Size.X += I / 3;
            }
        }
    }
    const std::string text = Item->Text();
    TExHeaderSection* main = sections > 0 ? FHeader->Sections()->GetSection(MainTreeColumn()) : nullptr;
    const bool ownerDraw = (FOwnerDrawByColumn && main && main->Style() == ExhsOwnerDraw) ||
                           (text == FOwnerDrawMask && !FOwnerDrawByColumn) ||
                           (Item->UseStyles() && style && style->Style() == ExhsOwnerDraw);
    Size.X += I / 5 * 3;
    if (ownerDraw) {
        TPoint part{0, L};
        TriggerMeasureItemPartEvent(Item, SectionIndex, part);
        if (!self) return;
        Size.X += part.X;
    } else if (Item->UseStyles() && style && style->Style() != ExhsText) {
        if (style->Style() == ExhsPictureOnly && style->Picture()) Size.X += style->Picture()->Width() + 3;
    } else {
        if (!Item->UseStyles() || !style || style->OwnerColors()) {
            if (!Item->ParentStyle()) {
                TFontStyles styles = 0;
                if (Item->GetState(5)) styles |= FontStyle(fsBold);
                if (Item->GetState(6)) styles |= FontStyle(fsItalic);
                if (Item->GetState(4)) styles |= FontStyle(fsUnderline);
                if (Item->GetState(8)) styles |= FontStyle(fsStrikeOut);
                font.SetStyle(styles);
            }
        } else {
            font.SetName(style->FontName());
            font.SetStyle(style->FontStyles());
            font.SetSize(style->FontSize());
        }
        const TSize t = MeasureCellText(this, FSpareBitmap.get(), Item, text, &font, Item->HTMLData());
        if (!self) return;
        Size.Y = std::max<Integer>(Size.Y, t.cy + 1);
        Size.X += t.cx;
    }
    if (ShowColumns()) Size.X += FVerticalLines ? 4 : 2;
}

namespace {

// Calls Visit for the entries From..To-1 of the all-items list, From first, each a row when
// VisibleOnly (past hidden branches while filtering and past collapsed ones); stops when Visit
// answers False. Where to go on is taken before Visit, whose handlers may change the list.
template <class TVisit>
void ForEachItem(TExTreeModel* Model, Integer From, Integer To, bool VisibleOnly, TVisit Visit)
{
    TExTreeItemList& all = Model->AllItems();
    for (Integer i = From; i < To && i < all.Count();) {
        TExTreeItem* item = all.FastGet(i);
        const Integer past = item->PastBranch(i);
        if (VisibleOnly && Model->FilteredVisibility() && item->Hidden()) {
            i = past;
            continue;
        }
        const Integer next = VisibleOnly && !item->Expanded() ? past : i + 1;
        if (!Visit(item)) return;
        i = next;
    }
}

}  // namespace

Integer TCustomExTree::MeasureColumnWidth(Integer SectionIndex, bool VisibleOnly)
{
    if (SectionIndex >= FHeader->Sections()->Count()) return 0;
    const bool keep = VisibleOnly && KeepsColumn(SectionIndex);
    if (keep) {
        const TColumnWidest& kept = FColumnWidest[size_t(SectionIndex)];
        if (kept.Known && !kept.Item.Gone()) return kept.Width;
    }
    const std::vector<std::intptr_t> key = FCellMeasureKey;
    const Integer rows = FModel->RowsVersion();
    const Integer changes = FCellChanges;
    FSectionSizedCell = false;
    Integer widest = 0;
    TExTreeItem* widestRow = nullptr;
    // A virtual text's handler may free the tree.
    TGuardPtr<TCustomExTree> self(this);
    ForEachItem(FModel.get(), 0, FModel->AllItems().Count(), VisibleOnly, [&](TExTreeItem* Item) {
        TPoint size{0, LineHeight()};
        MeasureCell(Item, SectionIndex, size);
        if (!self) return false;
        if (!widestRow || size.X > widest) {
            widest = std::max(widest, size.X);
            widestRow = Item;
        }
        return true;
    });
    if (!self) return widest;
    // What handlers changed while the column was measured is not in the walk: it is not kept.
    if (keep && !FSectionSizedCell && FModel->RowsVersion() == rows && FCellChanges == changes &&
        KeepsColumn(SectionIndex) && FCellMeasureKey == key)
        FColumnWidest[size_t(SectionIndex)] = {true, widest, widestRow};
    return widest;
}

std::vector<std::intptr_t> TCustomExTree::CellMeasureKey()
{
    const TFont* font = Font();
    std::vector<std::intptr_t> key{FItemIndent,
                                   FShowRoot,
                                   ShowLines(),
                                   ShowButtons(),
                                   FShowRootButtons,
                                   ShowCheckboxes(),
                                   FCustomCheckboxes,
                                   FCheckBoxGlyph->Width(),
                                   GetCheckBoxSize(),
                                   ShowImages(),
                                   ShowEmptyImages(),
                                   ShowEmptyImages2(),
                                   FOwnerDrawByColumn,
                                   std::intptr_t(std::hash<std::string>{}(FOwnerDrawMask)),
                                   FVerticalLines,
                                   RightAlignedText(),
                                   MainTreeColumn(),
                                   FilteredVisibility(),
                                   std::intptr_t(std::hash<std::string>{}(font->Name())),
                                   font->Height(),
                                   std::intptr_t(font->Style()),
                                   std::intptr_t(font->Charset())};
    for (TCustomImageList* list : {FImages, FImages2}) {
        key.push_back(reinterpret_cast<std::intptr_t>(list));
        key.push_back(list ? list->Width() : 0);
        key.push_back(list ? list->Count() : 0);
    }
    TExHeaderSections* sections = FHeader->Sections();
    for (Integer i = 0; i < sections->Count(); ++i) {
        TExHeaderSection* section = sections->GetSection(i);
        key.push_back(section->Style() * 4 + section->UseMainStyle() * 2 + section->Password());
    }
    return key;
}

bool TCustomExTree::KeepsColumn(Integer SectionIndex)
{
    if (SectionIndex < 0 || !ShowColumns() || FModel->IsVirtual()) return false;
    std::vector<std::intptr_t> key = CellMeasureKey();
    if (key != FCellMeasureKey) {
        FCellMeasureKey = std::move(key);
        FColumnWidest.clear();
    }
    if (FColumnWidest.size() <= size_t(SectionIndex)) FColumnWidest.resize(size_t(SectionIndex) + 1);
    return true;
}

void TCustomExTree::ColumnCellsChanged(TExTreeItem* Item, bool Branch)
{
    const Integer changes = ++FCellChanges;
    if (std::none_of(FColumnWidest.begin(), FColumnWidest.end(), [](const TColumnWidest& K) { return K.Known; }))
        return;
    if (!ShowColumns() || FModel->IsVirtual() || Item->IsHiddenRoot()) {
        FColumnWidest.clear();
        return;
    }
    TExTreeModel* model = FModel.get();
    const Integer at = model->IndexOfItem(Item);
    // The rows the change touched: Item, or the rows of its branch; none when Item is no row.
    std::vector<TExTreeItem*> touched;
    if (at >= 0 && FView->IsRow(Item))
        ForEachItem(model, at, Branch ? Item->PastBranch(at) : at + 1, true, [&](TExTreeItem* Row) {
            touched.push_back(Row);
            return true;
        });
    const Integer rows = model->RowsVersion();
    TGuardPtr<TCustomExTree> self(this);
    for (size_t s = 0; s < FColumnWidest.size(); ++s) {
        if (!FColumnWidest[s].Known) continue;
        TExTreeItem* kept = FColumnWidest[s].Item.Get();
        const bool keptTouched = kept && (Branch ? kept->IsUnder(Item) : kept == Item);
        Integer widest = -1, keptWidth = -1;
        TExTreeItem* widestRow = nullptr;
        FSectionSizedCell = false;
        for (TExTreeItem* row : touched) {
            TPoint size{0, LineHeight()};
            if (--FColumnsBudget >= 0) MeasureCell(row, Integer(s), size);
            // Measuring costs more than a walk now, or its handlers changed what was kept.
            if (!self) return;
            if (FColumnsBudget < 0 || model->RowsVersion() != rows || FCellChanges != changes) {
                FColumnWidest.clear();
                return;
            }
            if (row == kept) keptWidth = size.X;
            if (size.X > widest) {
                widest = size.X;
                widestRow = row;
            }
        }
        TColumnWidest& k = FColumnWidest[s];
        if (FSectionSizedCell || (keptTouched && keptWidth < k.Width))
            k.Known = false;  // the widest row shrank or went: the column is walked again
        else if (widest > k.Width)
            k = {true, widest, widestRow};
    }
}

bool TCustomExTree::FitSection(TExHeaderSection* Section)
{
    // The measure handlers may delete the section or free the tree.
    TGuardPtr<TCustomExTree> self(this);
    TGuardPtr<TExHeaderSection> section(Section);
    const Integer caption = FHeader->MeasureSectionWidth(Section, nullptr, nullptr);
    if (!self || !section) return false;
    const Integer cells = MeasureColumnWidth(Section->GetIndex(), true);
    if (!self || !section) return false;
    Section->SetWidth(std::max(caption, cells));
    return self && section;
}

bool TCustomExTree::AutoSizeColumn(Integer SectionIndex)
{
    if (GetUpdating() && !InUpdateRefresh()) {
        RefreshFlags().ColumnsAutoSizePending = true;
        return true;
    }
    TExHeaderSection* section = FHeader->Sections()->GetSection(SectionIndex);
    if (!section || !section->AutoSize()) return true;
    if (!FitSection(section)) return false;
    TGuardPtr<TExHeaderSection> guard(section);
    OnHeaderSectionResize(FHeader, section);
    return bool(guard);
}

void TCustomExTree::AutoSizeAllColumns()
{
    if ((GetUpdating() && !InUpdateRefresh()) || FAutoSizingAll) return;
    FAutoSizingAll = true;
    TGuardPtr<TCustomExTree> self(this);
    try {
        for (Integer i = 0; i < FHeader->Sections()->Count(); ++i) {
            AutoSizeColumn(i);
            if (!self) return;
        }
    } catch (...) {
        if (self) FAutoSizingAll = false;
        throw;
    }
    FAutoSizingAll = false;
}

// ---------------------------------------------------------------- bringing items into view

// An item the filter hides (or one inside a hidden branch) has no row to bring into view.
static bool FilteredOut(TExTreeModel* Model, TExTreeItem* Item)
{
    return Model->FilteredVisibility() && !Item->FullyVisible();
}

void TCustomExTree::EnsureVisible(TExTreeItem* Item)
{
    FView->DoSetTopIndex(FTopIndex);
    if (!Item || FView->VisibleRows()->IndexOf(Item) >= 0 || FilteredOut(FModel.get(), Item)) return;
    // The expansion's handlers may fill a branch afresh (Item, deleted, waits until this is done),
    // or free the tree.
    TExTreeOperation op(FModel.get());
    op.Hold(Item);
    TGuardPtr<TCustomExTree> self(this);
    if (!Item->FullyExpanded()) Item->MakeFullyExpanded(true);
    if (!self) return;
    TExUpdateGuard bracket(FModel.get());
    SetVPosition(Item->VisIndex());
    TExTreeRefresh& w = RefreshFlags();
    w.UpdatePending = w.RowsChanged = w.ViewChanged = true;
    bracket.Done();
}

void TCustomExTree::EnsureVisibleBottom(TExTreeItem* Item)
{
    if (!Item || FView->VisibleRows()->IndexOf(Item) >= 0 || FilteredOut(FModel.get(), Item)) return;
    TExTreeOperation op(FModel.get());
    op.Hold(Item);
    TGuardPtr<TCustomExTree> self(this);
    if (!Item->FullyExpanded()) Item->MakeFullyExpanded(true);
    if (!self) return;
    TExUpdateGuard bracket(FModel.get());
    // The page that ends with the item, one row on: the item is the last whole row (or, when it
    // is taller than the view, the top row).
    const Integer row = Item->VisIndex();
    SetVPosition(std::min(FView->CalcPageUpPos(row) + 1, row));
    TExTreeRefresh& w = RefreshFlags();
    w.UpdatePending = w.RowsChanged = w.ViewChanged = true;
    bracket.Done();
}

bool TCustomExTree::IsInView(TExTreeItem* Item) { return Item && FView->VisibleRows()->IndexOf(Item) >= 0; }

TExTreeItem* TCustomExTree::GetTopItem() { return FView->RowCount() > 0 ? FView->Row(0) : nullptr; }

void TCustomExTree::SetTopItem(TExTreeItem* Item)
{
    if (!Item) throw EExTreeError(extree::exInvItem);
    SetVPosition(Item->VisIndex());
}

void TCustomExTree::FullExpand()
{
    // The model is held in a local: the handlers of the expansion may free the tree.
    TExTreeModel* model = FModel.get();
    if (model->Items()->RootCount() == 0) return;
    // The hidden root's recursive expansion asks each root item in turn, as expanding each would.
    model->Root()->Expand(true);
}

void TCustomExTree::FullCollapse()
{
    TExTreeModel* model = FModel.get();
    TExTreeItems* items = model->Items();
    if (items->RootCount() == 0) return;
    TExTreeOperation op(model);
    op.HoldAll();
    TExUpdateGuard bracket(model);
    for (Integer i = 0; i < items->RootCount(); ++i) items->RootItem(i)->Collapse(true);
    bracket.Done();
}
