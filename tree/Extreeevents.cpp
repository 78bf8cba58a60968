// The tree's events: one small raising operation per event, with the tree as Sender, so that a
// derived tree overrides the reaction in one place.
#include "tree/Extreeedit.h"
#include "tree/Extreectl.h"
#include "tree/Extreeview.h"

void TCustomExTree::TriggerImageNeededEvent(TObject*, const std::string& Src, TBitmap*& Image)
{
    if (OnHTMLImageNeeded) OnHTMLImageNeeded(this, Src, Image);
}

void TCustomExTree::DoChanging(TExTreeItem* Item, bool& AllowChange)
{
    if (OnChanging && FModel->FocusEventsLock == 0)
        OnChanging(this, Item, AllowChange);
    else
        AllowChange = true;
}

void TCustomExTree::DoOnColumnResize(Integer SectionIndex)
{
    if (OnHeaderColumnResize) OnHeaderColumnResize(this, SectionIndex);
}

void TCustomExTree::DoColumnClick(Integer SectionIndex)
{
    if (OnHeaderColumnClick) OnHeaderColumnClick(this, SectionIndex);
}

void TCustomExTree::DoItemFocused()
{
    if (OnItemFocused && FModel->FocusEventsLock == 0 && !IsDestroying()) OnItemFocused(this);
}

void TCustomExTree::DoItemDraw(TExTreeItem* Item, TCanvas* Canvas, TRect R, Integer SectionIndex)
{
    if (OnItemDraw) OnItemDraw(this, Item, Canvas, R, SectionIndex);
}

void TCustomExTree::DoItemChange(TExTreeItem* Item, TItemChangeMode ItemChangeMode)
{
    if (OnItemChange) OnItemChange(this, Item, ItemChangeMode);
}

void TCustomExTree::DoItemExpanding(TExTreeItem* Item, bool& CanProcess)
{
    if (OnItemExpanding) OnItemExpanding(this, Item, CanProcess);
}

void TCustomExTree::DoItemCollapsing(TExTreeItem* Item, bool& CanProcess)
{
    if (OnItemCollapsing) OnItemCollapsing(this, Item, CanProcess);
}

void TCustomExTree::DoItemChecked(TExTreeItem* Item)
{
    if (OnItemChecked) OnItemChecked(this, Item);
}

void TCustomExTree::DoItemExpand(TExTreeItem* Item)
{
    if (OnItemExpand) OnItemExpand(this, Item);
}

void TCustomExTree::DoItemCollapse(TExTreeItem* Item)
{
    if (OnItemCollapse) OnItemCollapse(this, Item);
}

void TCustomExTree::DoItemDelete(TExTreeItem* Item)
{
    if (OnItemDeletion) OnItemDeletion(this, Item);
}

void TCustomExTree::DoCompareItems(TExTreeItem* Item1, TExTreeItem* Item2, Integer& Res)
{
    Res = 0;
    if (OnCompareItems) OnCompareItems(this, Item1, Item2, Res);
}

void TCustomExTree::DoHeaderDraw(TObject* Header, TCanvas* Canvas, TExHeaderSection* Section, const TRect& R,
                                 bool Pressed)
{
    if (OnHeaderColumnDraw) OnHeaderColumnDraw(Header, Canvas, Section, R, Pressed);
}

void TCustomExTree::TriggerHotTrackEvent(TExTreeItem* OldItem, TExTreeItem* NewItem)
{
    if (OnHotTrack) OnHotTrack(this, OldItem, NewItem);
}

void TCustomExTree::TriggerScrollEvent(TScrollBarKind ScrollBarKind, Integer ScrollCode)
{
    if (OnScroll) OnScroll(this, ScrollBarKind, ScrollCode);
}

void TCustomExTree::TriggerHeaderColumnMoveEvent(TExHeaderSection* Section, Integer OldPos, Integer NewPos)
{
    if (OnHeaderColumnMove) OnHeaderColumnMove(this, Section, OldPos, NewPos);
}

void TCustomExTree::TriggerItemSaveEvent(TStream* Stream, TExTreeItem* Item)
{
    if (OnItemSave) OnItemSave(this, Stream, Item);
}

void TCustomExTree::TriggerItemLoadEvent(TStream* Stream, TExTreeItem* Item)
{
    if (OnItemLoad) OnItemLoad(this, Stream, Item);
}

void TCustomExTree::TriggerItemSelectedChangeEvent(TExTreeItem* Item)
{
    if (OnItemSelectedChange && !IsDestroying()) OnItemSelectedChange(this, Item);
}

void TCustomExTree::DoShowHint(TExTreeItem* Item, TExHeaderSection* Section, std::string& Text,
                               THintWindow* HintWindow, TPoint MousePos, bool& Show)
{
    if (OnShowLineHint) OnShowLineHint(this, Item, Section, Text, HintWindow, MousePos, Show);
}

void TCustomExTree::TriggerHeaderLookupEvent(TExHeaderSection* Section, std::string& Text)
{
    if (OnHeaderLookup) OnHeaderLookup(this, Section, Text);
}

void TCustomExTree::TriggerHeaderLookupDoneEvent(TExHeaderSection* Section, const std::string& Text, bool Accepted)
{
    if (OnHeaderLookupDone) OnHeaderLookupDone(this, Section, Text, Accepted);
}

void TCustomExTree::TriggerHeaderSectionExpandEvent(TExHeaderSection* Section)
{
    if (OnHeaderSectionExpand) OnHeaderSectionExpand(this, Section);
}

void TCustomExTree::TriggerHeaderSectionCollapseEvent(TExHeaderSection* Section)
{
    if (OnHeaderSectionCollapse) OnHeaderSectionCollapse(this, Section);
}

void TCustomExTree::TriggerMeasureItemPartEvent(TExTreeItem* Item, Integer PartIndex, TPoint& Size)
{
    if (OnMeasureItemPart) OnMeasureItemPart(this, Item, PartIndex, Size);
}

void TCustomExTree::TriggerApplyVisFilterEvent(TExTreeItem* Item, bool& Hidden)
{
    if (OnApplyVisFilter) OnApplyVisFilter(this, Item, Hidden);
}

void TCustomExTree::TriggerItemPostDrawEvent(TCanvas* Canvas, TExTreeItem* Item, TRect ItemRect, bool& DrawFocusRect)
{
    if (OnItemPostDraw) OnItemPostDraw(this, Canvas, Item, ItemRect, DrawFocusRect);
}

void TCustomExTree::TriggerOleTargetDragEvent(TDragState State, TOleDragObject* Source, TShiftState Shift, Integer X,
                                              Integer Y, TDragType& DragType)
{
    if (OnOleTargetDrag) OnOleTargetDrag(this, State, Source, Shift, X + FView->Left(), Y + FView->Top(), DragType);
}

void TCustomExTree::TriggerOleTargetDropEvent(TOleDragObject* Source, TShiftState Shift, Integer X, Integer Y,
                                              TDragType& DragType)
{
    if (OnOleTargetDrop) OnOleTargetDrop(this, Source, Shift, X + FView->Left(), Y + FView->Top(), DragType);
}

void TCustomExTree::TriggerOleDragStartEvent(IDataObject*& DataObj, IDropSource*& DropSource, TDragTypes& OKEffects)
{
    if (OnOleDragStart) OnOleDragStart(this, DataObj, DropSource, OKEffects);
}

void TCustomExTree::TriggerOleDragFinishEvent(TDragType Effect, HRESULT Result)
{
    if (OnOleDragFinish) OnOleDragFinish(this, Effect, Result);
}

void TCustomExTree::TriggerSortBegin()
{
    if (OnSortBegin) OnSortBegin(this);
}

void TCustomExTree::TriggerSortEnd()
{
    if (OnSortEnd) OnSortEnd(this);
}

void TCustomExTree::DoAfterSelectionChange()
{
    if (OnAfterSelectionChange) OnAfterSelectionChange(this);
}

void TCustomExTree::TriggerVirtualTextNeeded(TExTreeItem* Item, Integer SectionIndex, std::string& Text)
{
    Text.clear();
    if (OnVirtualTextNeeded) OnVirtualTextNeeded(this, Item, SectionIndex, Text);
}

void TCustomExTree::TriggerVirtualHintNeeded(TExTreeItem* Item, std::string& Hint)
{
    Hint.clear();
    if (OnVirtualHintNeeded) OnVirtualHintNeeded(this, Item, Hint);
}

void TCustomExTree::TriggerVirtualValueNeeded(TExTreeItem* Item, Integer SectionIndex, Integer VarType,
                                              TExVariant& Value)
{
    Value = std::monostate{};
    if (OnVirtualValueNeeded) OnVirtualValueNeeded(this, Item, SectionIndex, VarType, Value);
}

void TCustomExTree::TriggerVirtualStyleNeeded(TExTreeItem* Item, Integer SectionIndex, TExCellStyle* Style)
{
    if (OnVirtualStyleNeeded) OnVirtualStyleNeeded(this, Item, SectionIndex, Style);
}

void TCustomExTree::TriggerTryEditEvent(TExTreeItem* Item, Integer SectionIndex, TExFieldType& CellType, bool& CanEdit)
{
    if (OnTryEdit && !IsDestroying()) OnTryEdit(this, Item, SectionIndex, CellType, CanEdit);
}

void TCustomExTree::TriggerInplaceEditorNeeded(TExTreeItem* Item, Integer SectionIndex, TExFieldType SupposedFieldType,
                                               TExTreeInplaceEditor*& Editor)
{
    Editor = FInplaceManager->GetSuitableEditor(SupposedFieldType);
    if (OnInplaceEditorNeeded) OnInplaceEditorNeeded(this, Item, SectionIndex, SupposedFieldType, Editor);
}

void TCustomExTree::VertScrollHitTestTransfer(TObject*, Integer X, Integer Y, TExScrollBarPart& Part, bool& DefaultTest)
{
    if (OnVertScrollHitTest) OnVertScrollHitTest(this, X, Y, Part, DefaultTest);
}

void TCustomExTree::HorzScrollHitTestTransfer(TObject*, Integer X, Integer Y, TExScrollBarPart& Part, bool& DefaultTest)
{
    if (OnHorzScrollHitTest) OnHorzScrollHitTest(this, X, Y, Part, DefaultTest);
}

Integer TCustomExTree::DoGetPicture(TExTreeItem* Item)
{
    Integer index = Item->ImageIndex();
    if (OnItemPicDraw) OnItemPicDraw(this, Item, index);
    return index;
}

Integer TCustomExTree::DoGetPicture2(TExTreeItem* Item)
{
    Integer index = Item->ImageIndex2();
    if (OnItemPicDraw2) OnItemPicDraw2(this, Item, index);
    return index;
}
