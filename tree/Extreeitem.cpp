// The item itself: navigation, texts and cell styles, sizes, property setters with the refresh each
// asks for, the state word and the marked-up texts. Its branch operations are in Extreebranch.cpp.
#include "tree/Extreeitem.h"

#include <algorithm>
#include <vector>

#include "ctlbase/Exarray.h"
#include "tree/Excellstyle.h"
#include "tree/Extreeitems.h"
#include "tree/Extreeres.h"

using namespace extree;

namespace {

void FreeStyle(TObject*, void* Style) { delete static_cast<TExCellStyle*>(Style); }

TExList* NewStyleList()
{
    auto* list = new TExList;
    list->OnDelete = FreeStyle;
    return list;
}


bool StartsWithHTML(const std::string& Text) { return Text.compare(0, 6, "<html>") == 0; }

}  // namespace

TExTreeItem::TExTreeItem(TExTreeModel* Owner) : FTree(Owner), FSerial(++Owner->FItemsMade) {}

Integer TExTreeItem::VarHeightShare() const
{
    return (OwnerHeight() ? 0 : 1) + (Multiline() && FTree->AdjustMultilineHeight() ? 1 : 0) + (IsHTML() ? 1 : 0);
}

TExTreeItem::~TExTreeItem()
{
    if (Selected() && FTree->MultiSelect()) FTree->SelectionRemove(this);
    FTree->ForgetWaitingDeletion(this);
    // Children still here belong to a branch outside the tree (attached children were deleted):
    // they go deepest first, each without children left, however deep the branch.
    if (FChildren) {
        std::vector<TExTreeItem*> branch;
        CollectBranch(branch);
        for (TExTreeItem* item : branch) {
            delete item->FChildren;
            item->FChildren = nullptr;
        }
        for (auto it = branch.rbegin(); it != branch.rend(); ++it)
            if (*it != this) TObject::Free(*it);
    }
    // A sort left by an error, or an item deleted by a comparison handler, may still hold a key.
    if (FSortKeyRefCount > 0) {
        FSortKeyRefCount = 1;
        ReleaseSortData();
    }
    FreeHTML();
    DisposeStaticData();
}

// Navigation

TExTreeItem* TExTreeItem::Parent() const { return FParent == FHiddenRoot ? nullptr : FParent; }

void TExTreeItem::SetLevels(Integer Level)
{
    if (FLevel == Level) return;
    std::vector<std::pair<TExTreeItem*, Integer>> stack{{this, Level}};
    while (!stack.empty()) {
        auto [item, level] = stack.back();
        stack.pop_back();
        item->FLevel = level;
        for (Integer i = 0; i < item->Count(); ++i) stack.emplace_back(item->FChildren->FastGet(i), level + 1);
    }
}

Integer TExTreeItem::Count() const { return FChildren ? FChildren->Count() : 0; }

TExTreeItem* TExTreeItem::Items(Integer Index) const
{
    return FChildren ? FChildren->Get(Index) : nullptr;
}

TExTreeItem* TExTreeItem::GetChildByIndex(Integer Index) const
{
    if (Index < 0 || !FChildren || Index >= FChildren->Count()) throw EExTreeError(ExOutOfBounds);
    return FChildren->FastGet(Index);
}

Integer TExTreeItem::GetChildIndex(const TExTreeItem* Child) const
{
    return FChildren ? FChildren->IndexOf(Child) : -1;
}

Integer TExTreeItem::IndexOf(const TExTreeItem* Item) const { return Item && Item->IsUnder(this) ? Item->Index() : -1; }

Integer TExTreeItem::Index() const
{
    return FParent && FParent->FChildren ? FParent->FChildren->IndexOf(this) : -1;
}

TExTreeItem* TExTreeItem::GetFirstChild() const { return Count() > 0 ? FChildren->First() : nullptr; }

TExTreeItem* TExTreeItem::GetLastChild() const { return Count() > 0 ? FChildren->Last() : nullptr; }

TExTreeItem* TExTreeItem::GetFirstSibling() const { return FParent ? FParent->GetFirstChild() : nullptr; }

TExTreeItem* TExTreeItem::GetLastSibling() const { return FParent ? FParent->GetLastChild() : nullptr; }

TExTreeItem* TExTreeItem::GetNextSibling() const { return FParent ? FParent->GetNextChild(this) : nullptr; }

TExTreeItem* TExTreeItem::GetPrevSibling() const { return FParent ? FParent->GetPrevChild(this) : nullptr; }

TExTreeItem* TExTreeItem::GetNextChild(const TExTreeItem* Child) const
{
    const Integer i = GetChildIndex(Child);
    return i >= 0 && i + 1 < Count() ? FChildren->FastGet(i + 1) : nullptr;
}

TExTreeItem* TExTreeItem::GetPrevChild(const TExTreeItem* Child) const
{
    const Integer i = GetChildIndex(Child);
    return i > 0 ? FChildren->FastGet(i - 1) : nullptr;
}

TExTreeItem* TExTreeItem::GetFirstVisibleChild() const
{
    if (!FTree->FilteredVisibility()) return GetFirstChild();
    for (Integer i = 0; i < Count(); ++i) {
        TExTreeItem* child = FChildren->FastGet(i);
        if (!child->Hidden()) return child;
    }
    return nullptr;
}

TExTreeItem* TExTreeItem::GetNext() const
{
    if (IsHiddenRoot()) return FCollection->Item(0);
    const Integer i = GetAbsIndex();
    return i >= 0 ? FCollection->Item(i + 1) : nullptr;
}

TExTreeItem* TExTreeItem::GetPrev() const
{
    const Integer i = GetAbsIndex();
    return i > 0 ? FCollection->Item(i - 1) : nullptr;
}

TExTreeItem* TExTreeItem::GetNextVisible() const
{
    TExTreeItem* item = GetNext();
    while (item && !item->IsVisible()) item = item->GetNext();
    return item;
}

TExTreeItem* TExTreeItem::GetPrevVisible() const
{
    TExTreeItem* item = GetPrev();
    while (item && !item->IsVisible()) item = item->GetPrev();
    return item;
}

Integer TExTreeItem::GetAbsIndex() const { return FTree->IndexOfItem(this); }

Integer TExTreeItem::VisIndex() const { return FTree->Items()->GetVisIndex(this); }

TExTreeItem* TExTreeItem::GetLastSubItem() const
{
    const TExTreeItem* item = this;
    while (item->Count() > 0) item = item->FChildren->Last();
    return const_cast<TExTreeItem*>(item);
}

bool TExTreeItem::IsUnder(const TExTreeItem* Item) const
{
    if (!Item) return false;
    for (const TExTreeItem* p = this; p && !p->IsHiddenRoot(); p = p->FParent)
        if (p == Item) return true;
    return false;
}

TExTreeItem* TExTreeItem::GetAncestor() const
{
    // Painting asks for it per row: one step per level, however deep.
    const TExTreeItem* item = this;
    while (item->FParent && item->FParent != FHiddenRoot) item = item->FParent;
    return const_cast<TExTreeItem*>(item);
}

std::string TExTreeItem::GetFullNameEx(const std::string& Separator, bool AddRoot) const
{
    const bool noSeparator = Separator.size() == 1 && Separator[0] == '\0';
    std::vector<const TExTreeItem*> path;
    for (const TExTreeItem* p = this; p && !p->IsHiddenRoot(); p = p->FParent) path.push_back(p);
    std::string name;
    for (auto it = path.rbegin(); it != path.rend(); ++it) {
        if (!noSeparator && (AddRoot || it != path.rbegin())) name += Separator;
        name += (*it)->Text();
    }
    return name;
}

std::string TExTreeItem::GetFullName(const std::string& Separator) const { return GetFullNameEx(Separator, true); }

Integer TExTreeItem::GetChildrenCount() const
{
    // The branch stands in one piece of the all-items list; outside the tree it is counted.
    if (IsAttached()) return Count() == 0 ? 0 : EndOfBranch() - (IsHiddenRoot() ? -1 : GetAbsIndex());
    std::vector<TExTreeItem*> branch;
    const_cast<TExTreeItem*>(this)->CollectBranch(branch);
    return static_cast<Integer>(branch.size()) - 1;
}

bool TExTreeItem::HasVisibleChildren() const
{
    if (!FTree->FilteredVisibility()) return HasChildren();
    return GetFirstVisibleChild() != nullptr;
}

bool TExTreeItem::FullyExpanded() const
{
    for (const TExTreeItem* p = FParent; p && !p->IsHiddenRoot(); p = p->FParent)
        if (!p->Expanded()) return false;
    return true;
}

bool TExTreeItem::IsVisible() const
{
    if (!FTree->FilteredVisibility()) return FullyExpanded();
    if (IsHiddenRoot()) return true;
    // Shown, with every ancestor expanded and shown (one walk up, however deep).
    if (Hidden()) return false;
    for (const TExTreeItem* p = FParent; p && !p->IsHiddenRoot(); p = p->FParent)
        if (!p->Expanded() || p->Hidden()) return false;
    return true;
}

bool TExTreeItem::FullyVisible() const
{
    for (const TExTreeItem* p = this; p && !p->IsHiddenRoot(); p = p->FParent)
        if (p->Hidden()) return false;
    return true;
}

bool TExTreeItem::Focused() const { return FTree->Focused() == this; }

bool TExTreeItem::GetDropTarget() const { return FTree->Host() && FTree->Host()->DropTarget() == this; }

// Texts and styles

std::string TExTreeItem::Text() const
{
    if (FTree->IsVirtual())
        return FTree->Host() ? FTree->Host()->TriggerVirtualTextNeeded(const_cast<TExTreeItem*>(this), -1) : std::string();
    return FStaticData ? FStaticData->Text : std::string();
}

void TExTreeItem::SetText(const std::string& Value)
{
    if (!FStaticData || FStaticData->Text == Value) return;
    FStaticData->Text = Value;
    const bool wasUpdating = FTree->Updating();
    TExTreeOperation op(FTree);
    op.Hold(this);
    TExUpdateGuard bracket(FTree);
    FTree->RaiseItemChange(this, icmText);
    ReMeasure();
    if ((FTree->SortMode == smAdd || FTree->SortMode == smAddClick) &&
        (FTree->SortSection == -1 || FTree->SortSection == FTree->MainTreeColumn))
        RequestSort(wasUpdating);
    if ((Multiline() && FTree->AdjustMultilineHeight()) || IsHTML()) {
        RenderHTMLText();
        ResetCachedHeight();
        Rebuild();
    } else {
        UpdateItem();
    }
    bracket.Done();
}

std::string TExTreeItem::Hint() const
{
    if (FTree->IsVirtual())
        return FTree->Host() ? FTree->Host()->TriggerVirtualHintNeeded(const_cast<TExTreeItem*>(this)) : std::string();
    return FStaticData ? FStaticData->Hint : std::string();
}

void TExTreeItem::SetHint(const std::string& Value)
{
    if (FStaticData) FStaticData->Hint = Value;
}

TStringList* TExTreeItem::ColumnText() const { return FStaticData ? FStaticData->ColumnText : nullptr; }

TExCellStyle* TExTreeItem::MainStyle() const { return FStaticData ? FStaticData->MainStyle : nullptr; }

TExCellStyle* TExTreeItem::Styles(Integer Index) const
{
    if (!FStaticData || !FStaticData->Styles) return nullptr;
    return static_cast<TExCellStyle*>(FStaticData->Styles->Get(Index));
}

Integer TExTreeItem::StylesCount() const { return FStaticData && FStaticData->Styles ? FStaticData->Styles->Count() : 0; }

void TExTreeItem::SetStyles(Integer Index, TExCellStyle* Style)
{
    if (!FStaticData) return;
    TExList* held = FStaticData->Styles;
    const Integer count = held ? held->Count() : 0;
    if (Index < 0 || Index > count) throw EExTreeError(ExOutOfBounds);
    if (Index < count && held->FastGet(Index) == Style) return;
    // The list frees what it holds: a style held in two places, the main style or another item's
    // style would be freed twice.
    if (Style && (Style == FStaticData->MainStyle || (Style->Owner() && Style->Owner() != this) ||
                  (held && held->IndexOf(Style) >= 0)))
        throw EExTreeError(exStyleInUse);
    if (!held) FStaticData->Styles = held = NewStyleList();
    if (Index == count)
        held->Add(Style);
    else
        held->Put(Index, Style);
    if (UseStyles()) CellsChanged();
}

TExCellStyle* TExTreeItem::AddStyle()
{
    if (!FStaticData) return nullptr;
    auto* style = new TExCellStyle(this);
    style->SetFontSize(FTree->FontSize);
    style->SetFontStyles(FTree->FontStyles);
    style->SetFontName(FTree->FontName);
    style->SetOwnerColors(true);
    style->Assign(FStaticData->MainStyle);
    if (!FStaticData->Styles) FStaticData->Styles = NewStyleList();
    FStaticData->Styles->Add(style);
    if (UseStyles()) CellsChanged();
    return style;
}

void TExTreeItem::RemoveStyle(TExCellStyle* Style)
{
    if (!FStaticData || !FStaticData->Styles) return;
    FStaticData->Styles->Remove(Style);
    if (FStaticData->Styles->Count() == 0) {
        delete FStaticData->Styles;
        FStaticData->Styles = nullptr;
    }
    if (UseStyles()) CellsChanged();
}

void TExTreeItem::NewStaticData()
{
    if (FStaticData) return;
    FStaticData = std::make_unique<TExTreeItemStaticData>();
    FStaticData->ColumnText = new TStringList;
    FStaticData->ColumnText->OnChange = [this](TObject* Sender) { OnColTextChange(Sender); };
    auto* style = new TExCellStyle(this);
    style->SetFontSize(FTree->FontSize);
    style->SetFontStyles(FTree->FontStyles);
    style->SetFontName(FTree->FontName);
    style->SetOwnerColors(true);
    FStaticData->MainStyle = style;
    FillStaticData();
}

void TExTreeItem::DisposeStaticData()
{
    if (!FStaticData) return;
    FStaticData->ColumnText->OnChange = nullptr;
    delete FStaticData->ColumnText;
    delete FStaticData->MainStyle;
    delete FStaticData->Styles;
    FStaticData.reset();
}

void TExTreeItem::OnColTextChange(TObject*)
{
    const bool wasUpdating = FTree->Updating();
    TExTreeOperation op(FTree);
    op.Hold(this);
    TExUpdateGuard bracket(FTree);
    const Integer sections = FTree->Host() ? FTree->Host()->SectionCount() : 0;
    if ((FTree->SortMode == smAdd || FTree->SortMode == smAddClick) && FTree->SortSection >= -1 &&
        FTree->SortSection < sections)
        RequestSort(wasUpdating);
    FTree->Refresh().ColumnsAutoSizePending = true;
    if (FTree->ShowColumns) MeasureHRange();
    if ((Multiline() && FTree->AdjustMultilineHeight()) || IsHTML()) {
        ResetCachedHeight();
        RenderHTMLText();
        RenderHTMLColumns();
        Rebuild();
    }
    UpdateItem();
    bracket.Done();
}

// Sizes

Integer TExTreeItem::GetWidth() { return FTree->MeasureCell(this, -1).X; }

Integer TExTreeItem::GetHeight()
{
    const bool adjusted = Multiline() && FTree->AdjustMultilineHeight();
    if (OwnerHeight() && !IsHTML() && !adjusted) return FTree->LineHeight;
    if (FHeight > 0 && !Multiline() && !IsHTML()) return FHeight;
    if (FCachedHeight >= 0) return FCachedHeight;
    // Measuring raises events whose handlers may delete this item.
    TExTreeOperation op(FTree);
    op.Hold(this);
    Integer height = 0;
    if (FTree->ShowColumns) {
        const Integer sections = FTree->Host() ? FTree->Host()->SectionCount() : 0;
        for (Integer s = 0; s < sections; ++s) height = std::max(height, FTree->MeasureCell(this, s).Y);
    } else {
        height = FTree->MeasureCell(this, -1).Y;
    }
    FCachedHeight = std::max(height, 0);
    return FCachedHeight;
}

Integer TExTreeItem::CalcSubItemsHeight()
{
    if (!Expanded()) return 0;
    Integer height = 0;
    std::vector<TExTreeItem*> stack{this};
    while (!stack.empty()) {
        TExTreeItem* item = stack.back();
        stack.pop_back();
        for (Integer i = 0; i < item->Count(); ++i) {
            TExTreeItem* child = item->FChildren->FastGet(i);
            if (child->Hidden()) continue;
            height += child->GetHeight();
            if (child->Expanded()) stack.push_back(child);
        }
    }
    return height;
}

TRect TExTreeItem::DisplayRect(bool TextOnly)
{
    TRect r = FTree->Host() ? FTree->Host()->ItemRowRect(this) : TRect{};
    if (TextOnly && !IsRectEmpty(r)) {
        r.Left = TextLeft;
        r.Right = TextRight;
    }
    return r;
}

// Refresh helpers: each runs inside a bracket its caller holds.

void TExTreeItem::ReMeasure()
{
    if (FTree->ShowColumns) FTree->Refresh().ColumnsAutoSizePending = true;
    MeasureHRange();
}

void TExTreeItem::MeasureHRange(bool Branch)
{
    if (FTree->Host() && FTree->Host()->RowWidthChanged(this, Branch)) return;
    if (!FTree->ShowColumns && FullyExpanded()) FTree->Refresh().HRangeStale = true;
}

void TExTreeItem::BranchRowsChanged()
{
    if (FTree->Host()) FTree->Host()->RowWidthChanged(this, true);
}

void TExTreeItem::CellsChanged()
{
    if (!FTree->ShowColumns) return;
    TExUpdateGuard bracket(FTree);
    MeasureHRange();
    bracket.Done();
}

void TExTreeItem::Rebuild()
{
    FTree->MarkRows();
    FTree->Refresh().UpdatePending = true;
}

void TExTreeItem::RequestSort(bool WasUpdating)
{
    if (!FParent) return;
    TExTreeRefresh& work = FTree->Refresh();
    // Outside a bracket only the siblings are sorted; two such requests in one piece of work, or
    // any request inside a bracket, sort the whole tree.
    if (WasUpdating || (work.SortParent && work.SortParent != FParent))
        work.SortPending = true;
    else
        work.SortParent = FParent;
}

void TExTreeItem::RedrawItem(bool /*DoCheck*/)
{
    // Whether the item is on screen is the view's to answer.
    if (GetOption(ioDeleting) || FTree->Destroying || !FTree->Host()) return;
    FTree->Host()->RedrawItem(this, raRow, 0, 0);
}

void TExTreeItem::RedrawItemPart(bool /*DoCheck*/, Integer Left, Integer Right)
{
    if (GetOption(ioDeleting) || FTree->Destroying || !FTree->Host()) return;
    FTree->Host()->RedrawItem(this, raRange, Left, Right);
}

void TExTreeItem::UpdateItem()
{
    if (!(FTree->FilteredVisibility() && Hidden())) RedrawItem(true);
    FTree->RequestUpdate();
}

void TExTreeItem::EditText()
{
    if (FTree->Host()) FTree->Host()->EditItem(this, -1);
}

void TExTreeItem::EndEdit(bool ByCancel)
{
    if (FTree->Host()) FTree->Host()->EndEdit(ByCancel);
}

void TExTreeItem::MakeVisible()
{
    if (FTree->Host()) FTree->Host()->EnsureVisible(this);
}

// Property setters

void TExTreeItem::SetBit(Cardinal Bit, bool Value)
{
    if (Value)
        FOptions |= Bit;
    else
        FOptions &= ~Bit;
}

void TExTreeItem::SetRedrawOption(Cardinal Bit, bool Value)
{
    if (GetOption(Bit) == Value) return;
    SetBit(Bit, Value);
    UpdateItem();
}

// Images take room only where they are shown: the columns and the item's width follow them.
void TExTreeItem::SetImageField(Integer& Field, Integer Value)
{
    if (Field == Value) return;
    Field = Value;
    if (!FTree->ShowImages) return;
    TExUpdateGuard bracket(FTree);
    FTree->Refresh().ColumnsAutoSizePending = true;
    MeasureHRange();
    UpdateItem();
    bracket.Done();
}

void TExTreeItem::SetImageIndex(Integer Value) { SetImageField(FImageIndex, Value); }

void TExTreeItem::SetStImageIndex(Integer Value) { SetImageField(FStImageIndex, Value); }

void TExTreeItem::SetImageIndex2(Integer Value) { SetImageField(FImageIndex2, Value); }

void TExTreeItem::SetStImageIndex2(Integer Value) { SetImageField(FStImageIndex2, Value); }

void TExTreeItem::SetColor(Integer Index, TColor Value)
{
    TColor& colour = Index == 1 ? FColor : FBkColor;
    if (colour == Value) return;
    colour = Value;
    UpdateItem();
}

void TExTreeItem::SetRowBkColor(TColor Value)
{
    if (FRowBkColor == Value) return;
    FRowBkColor = Value;
    // The row shows its own background only with its own colours and UseBkColor on.
    if (!ParentColors() && UseBkColor()) UpdateItem();
}

void TExTreeItem::SetStrikedLineColor(TColor Value)
{
    if (FStrikedLineColor == Value) return;
    FStrikedLineColor = Value;
    if (StrikedOutLine()) UpdateItem();
}

void TExTreeItem::SetBorderStyle(TExItemBorderStyle Value)
{
    if (FBorderStyle == Value) return;
    FBorderStyle = Value;
    UpdateItem();
}

void TExTreeItem::SetIndentAdjust(Integer Value)
{
    if (FIndentAdjust == Value) return;
    FIndentAdjust = Value;
    TExUpdateGuard bracket(FTree);
    FTree->Refresh().ColumnsAutoSizePending = true;
    MeasureHRange();
    UpdateItem();
    bracket.Done();
}

void TExTreeItem::SetHeight(std::int16_t Value)
{
    if (FHeight == Value) return;
    FHeight = Value;
    if (OwnerHeight()) return;
    TExUpdateGuard bracket(FTree);
    Rebuild();
    bracket.Done();
}

void TExTreeItem::SetParentStyle(bool Value)
{
    if (ParentStyle() == Value) return;
    TExUpdateGuard bracket(FTree);
    SetBit(ioParentStyle, Value);
    if (FTree->ShowColumns) FTree->Refresh().ColumnsAutoSizePending = true;
    MeasureHRange();
    Rebuild();
    UpdateItem();
    bracket.Done();
}

void TExTreeItem::SetUseStyles(bool Value)
{
    if (UseStyles() == Value) return;
    TExUpdateGuard bracket(FTree);
    SetBit(ioUseStyles, Value);
    if (FStaticData) {
        if (Value && !FStaticData->Styles) {
            FStaticData->Styles = NewStyleList();
        } else if (!Value) {
            delete FStaticData->Styles;
            FStaticData->Styles = nullptr;
        }
    }
    if (FTree->ShowColumns) FTree->Refresh().ColumnsAutoSizePending = true;
    MeasureHRange();
    Rebuild();
    bracket.Done();
}

void TExTreeItem::SetForceButtons(bool Value)
{
    if (ForceButtons() == Value) return;
    SetBit(ioForceButtons, Value);
    TExUpdateGuard bracket(FTree);
    if (FTree->ShowButtons) FTree->Refresh().ColumnsAutoSizePending = true;
    UpdateItem();
    bracket.Done();
}

void TExTreeItem::SetSuppressButtons(bool Value)
{
    if (SuppressButtons() == Value) return;
    SetBit(ioSuppressButtons, Value);
    TExUpdateGuard bracket(FTree);
    FTree->Refresh().ColumnsAutoSizePending = true;
    MeasureHRange();
    UpdateItem();
    bracket.Done();
}

void TExTreeItem::SetSuppressLines(bool Value)
{
    if (SuppressLines() == Value) return;
    SetBit(ioSuppressLines, Value);
    if (!FTree->ShowLines) return;
    TExUpdateGuard bracket(FTree);
    // The lines of every row below the parent may join or part.
    FTree->Items()->IterateFrom(
        true, false, [](TExTreeItem* Item, Integer, bool&, void*, TExTreeModel*) { Item->RedrawItem(true); },
        nullptr, Parent());
    ReMeasure();
    RedrawItem(true);
    FTree->Refresh().UpdatePending = true;
    bracket.Done();
}

void TExTreeItem::SetShowCheckBox(bool Value)
{
    if (ShowCheckBox() == Value) return;
    SetBit(ioShowCheckBox, Value);
    if (!FTree->ShowCheckboxes) return;
    TExUpdateGuard bracket(FTree);
    ReMeasure();
    UpdateItem();
    bracket.Done();
}

void TExTreeItem::SetCheckBoxEnabled(bool Value)
{
    if (CheckBoxEnabled() == Value) return;
    SetBit(ioCheckBoxEnabled, Value);
    if (!ShowCheckBox() || !FTree->ShowCheckboxes) return;
    if (!GetOption(ioDeleting) && !FTree->Destroying && FTree->Host()) FTree->Host()->RedrawItem(this, raMainCell, 0, 0);
    FTree->RequestUpdate();
}

void TExTreeItem::SetCheckBoxType(TExCheckBoxType Value)
{
    if (FCheckBoxType == Value) return;
    FCheckBoxType = Value;
    if (!ShowCheckBox() || !FTree->ShowCheckboxes) return;
    if (!GetOption(ioDeleting) && !FTree->Destroying && FTree->Host()) FTree->Host()->RedrawItem(this, raMainCell, 0, 0);
    FTree->RequestUpdate();
}

void TExTreeItem::SetCheckBoxState(TCheckBoxState Value)
{
    if (FCheckBoxState == Value) return;
    FCheckBoxState = Value;
    if (!ShowCheckBox() || !FTree->ShowCheckboxes) return;
    if (!GetOption(ioDeleting) && !FTree->Destroying && FTree->Host()) FTree->Host()->RedrawItem(this, raMainCell, 0, 0);
    FTree->RequestUpdate();
}

void TExTreeItem::SetChecked(bool Value)
{
    const TCheckBoxState state = Value ? cbChecked : cbUnchecked;
    if (FCheckBoxState == state) return;
    TExTreeOperation op(FTree);
    op.Hold(this);
    if (Value && FCheckBoxType == ectRadioButton && FParent) {
        for (Integer i = 0; i < FParent->Count(); ++i) {
            TExTreeItem* sibling = FParent->FChildren->FastGet(i);
            if (sibling != this && sibling->CheckBoxType() == ectRadioButton) sibling->SetChecked(false);
        }
    }
    SetCheckBoxState(state);
}

void TExTreeItem::SetHidden(bool Value)
{
    if (Hidden() == Value) return;
    TExUpdateGuard bracket(FTree);
    SetBit(ioHidden, Value);
    if (IsAttached()) FTree->HiddenCount += Value ? 1 : -1;
    if (FTree->FilteredVisibility()) {
        Rebuild();
        if (IsAttached()) BranchRowsChanged();
    }
    FTree->Refresh().ColumnsAutoSizePending = true;
    bracket.Done();
}

void TExTreeItem::SetFullyVisible(bool Value)
{
    if (!Value) return;
    std::vector<TExTreeItem*> path;
    for (TExTreeItem* p = this; p && !p->IsHiddenRoot(); p = p->FParent) path.push_back(p);
    TExUpdateGuard bracket(FTree);
    for (auto it = path.rbegin(); it != path.rend(); ++it) (*it)->SetHidden(false);
    bracket.Done();
}

void TExTreeItem::SetMultiline(bool Value)
{
    if (Multiline() == Value) return;
    TExUpdateGuard bracket(FTree);
    SetBit(ioMultiline, Value);
    ResetCachedHeight();
    if (FTree->AdjustMultilineHeight() && IsAttached()) FTree->VarHeightCount += Value ? 1 : -1;
    MeasureHRange();
    Rebuild();
    bracket.Done();
}

void TExTreeItem::SetIsHTML(bool Value)
{
    if (IsHTML() == Value) return;
    SetBit(ioIsHTML, Value);
    ResetCachedHeight();
    if (Value) {
        FColumnHTMLData = new TExArray;
        FColumnHTMLData->OnDelete = [this](TObject*, void* Data) {
            if (FTree->Host()) FTree->Host()->FreeHTML(static_cast<TExHTMLData*>(Data));
        };
        RenderHTMLText();
        RenderHTMLColumns();
    } else {
        FreeHTML();
    }
    if (FTree->Destroying) return;
    TExUpdateGuard bracket(FTree);
    if (IsAttached()) FTree->VarHeightCount += Value ? 1 : -1;
    MeasureHRange();
    Rebuild();
    bracket.Done();
}

void TExTreeItem::SetOwnerHeight(bool Value)
{
    if (OwnerHeight() == Value) return;
    TExUpdateGuard bracket(FTree);
    SetBit(ioOwnerHeight, Value);
    ResetCachedHeight();
    if (IsAttached()) FTree->VarHeightCount += Value ? -1 : 1;
    Rebuild();
    bracket.Done();
}

// State word

bool TExTreeItem::GetState(Integer Index) const
{
    if (Index < 0 || Index > 15) return false;
    if (Index == stFocused) return Focused();
    return (FState >> Index) & 1;
}

void TExTreeItem::SetStateBit(Integer Index, bool Value)
{
    const Word bit = static_cast<Word>(1u << Index);
    if (((FState & bit) != 0) == Value) return;
    FState = static_cast<Word>(Value ? FState | bit : FState & ~bit);
    if (Index == stSelected) StateImagesShown();
}

void TExTreeItem::StateImagesShown()
{
    // A state picture of -1 shows the plain one.
    const bool differ = (FStImageIndex != -1 && FStImageIndex != FImageIndex) ||
                        (FStImageIndex2 != -1 && FStImageIndex2 != FImageIndex2);
    if (FTree->ShowImages && differ) MeasureHRange();
}

Byte TExTreeItem::StateSet() const
{
    static constexpr Integer Order[8] = {1, 2, 3, 7, 5, 6, 4, 8};
    Byte set = 0;
    for (Integer member = 0; member < 8; ++member)
        if (GetState(Order[member])) set = static_cast<Byte>(set | (1u << member));
    return set;
}

void TExTreeItem::SetState(Integer Index, bool Value)
{
    if (Index < 0 || Index > 15) return;
    switch (Index) {
    case stFocused:
        if (Value)
            FTree->SetFocused(this);
        else if (Focused())
            FTree->SetFocused(nullptr);
        return;
    case stSelected: SetSelected(Value); return;
    case stExpanded: SetExpanded(Value); return;
    default: break;
    }
    if (GetState(Index) == Value) return;
    SetStateBit(Index, Value);
    TExTreeOperation op(FTree);
    op.Hold(this);
    TExUpdateGuard bracket(FTree);
    // Bold and italic change the text's width.
    if (Index == 5 || Index == 6) MeasureHRange();
    FTree->RaiseItemChange(this, icmState);
    UpdateItem();
    bracket.Done();
}

void TExTreeItem::SetExpanded(bool Value)
{
    if (Expanded() == Value) return;
    TExUpdateGuard bracket(FTree);
    if (Value)
        Expand(false);
    else
        Collapse(false);
    bracket.Done();
}

void TExTreeItem::SetSelected(bool Value)
{
    // The hidden root is no row: selected, it would outlive the list that holds it.
    if (IsHiddenRoot()) return;
    if (!FTree->MultiSelect() || Selected() == Value) {
        UpdateItem();
        return;
    }
    const TExTreeItemList& selected = FTree->Selection();
    if (Value && FTree->KeepSelectionWithinLevel && selected.Count() > 0) {
        TExTreeItem* first = selected.First();
        if (first != this && first->Level() != Level()) return;
    }
    TExTreeOperation op(FTree);
    op.Hold(this);
    FTree->SelectionChanged = true;
    SetStateBit(stSelected, Value);
    if (Value) {
        FTree->SelectionAdd(this);
    } else {
        FTree->SelectionRemove(this);
        FTree->ForgetAnchor(this);
    }
    FTree->TriggerItemSelectedChangeEvent(this);
    UpdateItem();
}

// Marked-up texts

TExHTMLData* TExTreeItem::ColumnHTMLData(Integer Column) const
{
    return FColumnHTMLData ? static_cast<TExHTMLData*>(FColumnHTMLData->Get(Column)) : nullptr;
}

void TExTreeItem::RenderHTMLText()
{
    if (FTree->Loading || !IsHTML()) return;
    // A virtual text comes from a handler, which may free the control: the host is asked after it.
    const std::string text = Text();
    TExTreeHost* host = FTree->Host();
    if (FHTMLData && host) host->FreeHTML(FHTMLData);
    FHTMLData = nullptr;
    if (host && StartsWithHTML(text)) FHTMLData = host->RenderHTML(text);
}

void TExTreeItem::RenderHTMLColumns()
{
    if (FTree->Loading || !IsHTML() || !FColumnHTMLData) return;
    FColumnHTMLData->Clear();
    TStringList* columns = ColumnText();
    TExTreeHost* host = FTree->Host();
    if (!columns || !host) return;
    for (Integer i = 0; i < columns->Count(); ++i) {
        const std::string text = columns->Get(i);
        if (StartsWithHTML(text)) FColumnHTMLData->Put(i, host->RenderHTML(text));
    }
}

void TExTreeItem::FreeHTML()
{
    if (FHTMLData && FTree->Host()) FTree->Host()->FreeHTML(FHTMLData);
    FHTMLData = nullptr;
    delete FColumnHTMLData;
    FColumnHTMLData = nullptr;
}
