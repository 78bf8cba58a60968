// The tree's events: one small raising operation per event, with the tree as Sender, so that a
// derived tree overrides the reaction in one place. Each handler runs as a raise of the item model
// (TExTreeModel::TRaise): a handler that frees the tree or deletes an item leaves what the raising
// code still uses in place until that code is done (TExTreeOperation).
#include <optional>

#include "tree/Extreeedit.h"
#include "tree/Extreectl.h"
#include "tree/Extreeview.h"

namespace {
// The model is there from the first event to the last one.
class THandlerCall {
public:
    explicit THandlerCall(TExTreeModel* Model)
    {
        if (Model) FRaise.emplace(Model);
    }

private:
    std::optional<TExTreeModel::TRaise> FRaise;
};
}  // namespace

void TCustomExTree::TriggerImageNeededEvent(TObject*, const std::string& Src, TBitmap*& Image)
{
    if (OnHTMLImageNeeded) {
        THandlerCall call(FModel.get());
        OnHTMLImageNeeded(this, Src, Image);
    }
}

void TCustomExTree::DoChanging(TExTreeItem* Item, bool& AllowChange)
{
    if (OnChanging && FModel->FocusEventsLock == 0) {
        THandlerCall call(FModel.get());
        OnChanging(this, Item, AllowChange);
    } else {
        AllowChange = true;
    }
}

void TCustomExTree::DoOnColumnResize(Integer SectionIndex)
{
    if (OnHeaderColumnResize) {
        THandlerCall call(FModel.get());
        OnHeaderColumnResize(this, SectionIndex);
    }
}

void TCustomExTree::DoColumnClick(Integer SectionIndex)
{
    if (OnHeaderColumnClick) {
        THandlerCall call(FModel.get());
        OnHeaderColumnClick(this, SectionIndex);
    }
}

void TCustomExTree::DoItemFocused()
{
    if (OnItemFocused && FModel->FocusEventsLock == 0 && !IsDestroying()) {
        THandlerCall call(FModel.get());
        OnItemFocused(this);
    }
}

void TCustomExTree::DoItemDraw(TExTreeItem* Item, TCanvas* Canvas, TRect R, Integer SectionIndex)
{
    if (OnItemDraw) {
        THandlerCall call(FModel.get());
        OnItemDraw(this, Item, Canvas, R, SectionIndex);
    }
}

void TCustomExTree::DoItemChange(TExTreeItem* Item, TItemChangeMode ItemChangeMode)
{
    if (OnItemChange) {
        THandlerCall call(FModel.get());
        OnItemChange(this, Item, ItemChangeMode);
    }
}

void TCustomExTree::DoItemExpanding(TExTreeItem* Item, bool& CanProcess)
{
    if (OnItemExpanding) {
        THandlerCall call(FModel.get());
        OnItemExpanding(this, Item, CanProcess);
    }
}

void TCustomExTree::DoItemCollapsing(TExTreeItem* Item, bool& CanProcess)
{
    if (OnItemCollapsing) {
        THandlerCall call(FModel.get());
        OnItemCollapsing(this, Item, CanProcess);
    }
}

void TCustomExTree::DoItemChecked(TExTreeItem* Item)
{
    if (OnItemChecked) {
        THandlerCall call(FModel.get());
        OnItemChecked(this, Item);
    }
}

void TCustomExTree::DoItemExpand(TExTreeItem* Item)
{
    if (OnItemExpand) {
        THandlerCall call(FModel.get());
        OnItemExpand(this, Item);
    }
}

void TCustomExTree::DoItemCollapse(TExTreeItem* Item)
{
    if (OnItemCollapse) {
        THandlerCall call(FModel.get());
        OnItemCollapse(this, Item);
    }
}

void TCustomExTree::DoItemDelete(TExTreeItem* Item)
{
    if (OnItemDeletion) {
        THandlerCall call(FModel.get());
        OnItemDeletion(this, Item);
    }
}

void TCustomExTree::DoCompareItems(TExTreeItem* Item1, TExTreeItem* Item2, Integer& Res)
{
    Res = 0;
    if (OnCompareItems) {
        THandlerCall call(FModel.get());
        OnCompareItems(this, Item1, Item2, Res);
    }
}

void TCustomExTree::DoHeaderDraw(TObject* Header, TCanvas* Canvas, TExHeaderSection* Section, const TRect& R,
                                 bool Pressed)
{
    if (OnHeaderColumnDraw) {
        THandlerCall call(FModel.get());
        OnHeaderColumnDraw(Header, Canvas, Section, R, Pressed);
    }
}

void TCustomExTree::TriggerHotTrackEvent(TExTreeItem* OldItem, TExTreeItem* NewItem)
{
    if (OnHotTrack) {
        THandlerCall call(FModel.get());
        OnHotTrack(this, OldItem, NewItem);
    }
}

void TCustomExTree::TriggerScrollEvent(TScrollBarKind ScrollBarKind, Integer ScrollCode)
{
    if (OnScroll) {
        THandlerCall call(FModel.get());
        OnScroll(this, ScrollBarKind, ScrollCode);
    }
}

void TCustomExTree::TriggerHeaderColumnMoveEvent(TExHeaderSection* Section, Integer OldPos, Integer NewPos)
{
    if (OnHeaderColumnMove) {
        THandlerCall call(FModel.get());
        OnHeaderColumnMove(this, Section, OldPos, NewPos);
    }
}

void TCustomExTree::TriggerItemSaveEvent(TStream* Stream, TExTreeItem* Item)
{
    if (OnItemSave) {
        THandlerCall call(FModel.get());
        OnItemSave(this, Stream, Item);
    }
}

void TCustomExTree::TriggerItemLoadEvent(TStream* Stream, TExTreeItem* Item)
{
    if (OnItemLoad) {
        THandlerCall call(FModel.get());
        OnItemLoad(this, Stream, Item);
    }
}

void TCustomExTree::TriggerItemSelectedChangeEvent(TExTreeItem* Item)
{
    if (OnItemSelectedChange && !IsDestroying()) {
        THandlerCall call(FModel.get());
        OnItemSelectedChange(this, Item);
    }
}

void TCustomExTree::DoShowHint(TExTreeItem* Item, TExHeaderSection* Section, std::string& Text,
                               THintWindow* HintWindow, TPoint MousePos, bool& Show)
{
    if (OnShowLineHint) {
        THandlerCall call(FModel.get());
        OnShowLineHint(this, Item, Section, Text, HintWindow, MousePos, Show);
    }
}

void TCustomExTree::TriggerHeaderLookupEvent(TExHeaderSection* Section, std::string& Text)
{
    if (OnHeaderLookup) {
        THandlerCall call(FModel.get());
        OnHeaderLookup(this, Section, Text);
    }
}

void TCustomExTree::TriggerHeaderLookupDoneEvent(TExHeaderSection* Section, const std::string& Text, bool Accepted)
{
    if (OnHeaderLookupDone) {
        THandlerCall call(FModel.get());
        OnHeaderLookupDone(this, Section, Text, Accepted);
    }
}

void TCustomExTree::TriggerHeaderSectionExpandEvent(TExHeaderSection* Section)
{
    if (OnHeaderSectionExpand) {
        THandlerCall call(FModel.get());
        OnHeaderSectionExpand(this, Section);
    }
}

void TCustomExTree::TriggerHeaderSectionCollapseEvent(TExHeaderSection* Section)
{
    if (OnHeaderSectionCollapse) {
        THandlerCall call(FModel.get());
        OnHeaderSectionCollapse(this, Section);
    }
}

void TCustomExTree::TriggerMeasureItemPartEvent(TExTreeItem* Item, Integer PartIndex, TPoint& Size)
{
    if (OnMeasureItemPart) {
        THandlerCall call(FModel.get());
        OnMeasureItemPart(this, Item, PartIndex, Size);
    }
}

void TCustomExTree::TriggerApplyVisFilterEvent(TExTreeItem* Item, bool& Hidden)
{
    if (OnApplyVisFilter) {
        THandlerCall call(FModel.get());
        OnApplyVisFilter(this, Item, Hidden);
    }
}

void TCustomExTree::TriggerItemPostDrawEvent(TCanvas* Canvas, TExTreeItem* Item, TRect ItemRect, bool& DrawFocusRect)
{
    if (OnItemPostDraw) {
        THandlerCall call(FModel.get());
        OnItemPostDraw(this, Canvas, Item, ItemRect, DrawFocusRect);
    }
}

void TCustomExTree::TriggerOleTargetDragEvent(TDragState State, TOleDragObject* Source, TShiftState Shift, Integer X,
                                              Integer Y, TDragType& DragType)
{
    if (OnOleTargetDrag) {
        THandlerCall call(FModel.get());
        OnOleTargetDrag(this, State, Source, Shift, X + FView->Left(), Y + FView->Top(), DragType);
    }
}

void TCustomExTree::TriggerOleTargetDropEvent(TOleDragObject* Source, TShiftState Shift, Integer X, Integer Y,
                                              TDragType& DragType)
{
    if (OnOleTargetDrop) {
        THandlerCall call(FModel.get());
        OnOleTargetDrop(this, Source, Shift, X + FView->Left(), Y + FView->Top(), DragType);
    }
}

void TCustomExTree::TriggerOleDragStartEvent(IDataObject*& DataObj, IDropSource*& DropSource, TDragTypes& OKEffects)
{
    if (OnOleDragStart) {
        THandlerCall call(FModel.get());
        OnOleDragStart(this, DataObj, DropSource, OKEffects);
    }
}

void TCustomExTree::TriggerOleDragFinishEvent(TDragType Effect, HRESULT Result)
{
    if (OnOleDragFinish) {
        THandlerCall call(FModel.get());
        OnOleDragFinish(this, Effect, Result);
    }
}

void TCustomExTree::TriggerSortBegin()
{
    if (OnSortBegin) {
        THandlerCall call(FModel.get());
        OnSortBegin(this);
    }
}

void TCustomExTree::TriggerSortEnd()
{
    if (OnSortEnd) {
        THandlerCall call(FModel.get());
        OnSortEnd(this);
    }
}

void TCustomExTree::DoAfterSelectionChange()
{
    if (OnAfterSelectionChange) {
        THandlerCall call(FModel.get());
        OnAfterSelectionChange(this);
    }
}

void TCustomExTree::TriggerVirtualTextNeeded(TExTreeItem* Item, Integer SectionIndex, std::string& Text)
{
    Text.clear();
    if (OnVirtualTextNeeded) {
        THandlerCall call(FModel.get());
        OnVirtualTextNeeded(this, Item, SectionIndex, Text);
    }
}

void TCustomExTree::TriggerVirtualHintNeeded(TExTreeItem* Item, std::string& Hint)
{
    Hint.clear();
    if (OnVirtualHintNeeded) {
        THandlerCall call(FModel.get());
        OnVirtualHintNeeded(this, Item, Hint);
    }
}

void TCustomExTree::TriggerVirtualValueNeeded(TExTreeItem* Item, Integer SectionIndex, Integer VarType,
                                              TExVariant& Value)
{
    Value = std::monostate{};
    if (OnVirtualValueNeeded) {
        THandlerCall call(FModel.get());
        OnVirtualValueNeeded(this, Item, SectionIndex, VarType, Value);
    }
}

void TCustomExTree::TriggerVirtualStyleNeeded(TExTreeItem* Item, Integer SectionIndex, TExCellStyle* Style)
{
    if (OnVirtualStyleNeeded) {
        THandlerCall call(FModel.get());
        OnVirtualStyleNeeded(this, Item, SectionIndex, Style);
    }
}

void TCustomExTree::TriggerTryEditEvent(TExTreeItem* Item, Integer SectionIndex, TExFieldType& CellType, bool& CanEdit)
{
    if (OnTryEdit && !IsDestroying()) {
        THandlerCall call(FModel.get());
        OnTryEdit(this, Item, SectionIndex, CellType, CanEdit);
    }
}

void TCustomExTree::TriggerInplaceEditorNeeded(TExTreeItem* Item, Integer SectionIndex, TExFieldType SupposedFieldType,
                                               TExTreeInplaceEditor*& Editor)
{
    Editor = FInplaceManager->GetSuitableEditor(SupposedFieldType);
    if (OnInplaceEditorNeeded) {
        THandlerCall call(FModel.get());
        OnInplaceEditorNeeded(this, Item, SectionIndex, SupposedFieldType, Editor);
    }
}

void TCustomExTree::VertScrollHitTestTransfer(TObject*, Integer X, Integer Y, TExScrollBarPart& Part, bool& DefaultTest)
{
    if (OnVertScrollHitTest) {
        THandlerCall call(FModel.get());
        OnVertScrollHitTest(this, X, Y, Part, DefaultTest);
    }
}

void TCustomExTree::HorzScrollHitTestTransfer(TObject*, Integer X, Integer Y, TExScrollBarPart& Part, bool& DefaultTest)
{
    if (OnHorzScrollHitTest) {
        THandlerCall call(FModel.get());
        OnHorzScrollHitTest(this, X, Y, Part, DefaultTest);
    }
}

Integer TCustomExTree::DoGetPicture(TExTreeItem* Item)
{
    Integer index = Item->ImageIndex();
    if (OnItemPicDraw) {
        THandlerCall call(FModel.get());
        OnItemPicDraw(this, Item, index);
    }
    return index;
}

Integer TCustomExTree::DoGetPicture2(TExTreeItem* Item)
{
    Integer index = Item->ImageIndex2();
    if (OnItemPicDraw2) {
        THandlerCall call(FModel.get());
        OnItemPicDraw2(this, Item, index);
    }
    return index;
}
