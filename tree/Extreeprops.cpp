// The published properties' setters: each stores its value and asks for the refresh its property
// needs, inside the update bracket.
#include "controls/Exheader.h"
#include "ctlbase/Eximgfrm.h"
#include "ctlbase/Exini.h"
#include "ctlbase/Exlist.h"
#include "platform/Forms.h"
#include "platform/ImgList.h"
#include "tree/Excellstyle.h"
#include "tree/Extreectl.h"
#include "tree/Extreeview.h"

namespace {

// Asks, inside a bracket, for the refresh a setter's change needs: the rows, the view, the widest
// row, or all of the view with the visible rows counted again.
void SetterRefresh(TCustomExTree* Tree, bool Rows, bool View, bool Range, bool All)
{
    TExTreeModel* model = Tree->Model();
    TExUpdateGuard bracket(model);
    TExTreeRefresh& w = Tree->RefreshFlags();
    w.UpdatePending = true;
    if (Rows) w.RowsChanged = true;
    if (View) w.ViewChanged = true;
    if (Range && !Tree->ShowColumns()) w.HRangeStale = true;
    if (All) {
        w.TopIndexChanged = w.ViewChanged = w.VisCountChanged = true;
        model->InvalidateIndexes(model->AllItems().Count());
    }
    bracket.Done();
}

// The line height follows what it is made of while AutoLineHeight is on.
void ApplyAutoLineHeight(TCustomExTree* Tree)
{
    if (!Tree->AutoLineHeight()) return;
    TExTreeModel* model = Tree->Model();
    const Integer h = Tree->DefineLineHeight();
    if (h == model->LineHeight) return;
    model->LineHeight = h;
    model->InvalidateHeights();
    Tree->RefreshFlags().TopIndexChanged = Tree->RefreshFlags().ViewChanged = true;
}

void RedrawRowOf(TCustomExTree* Tree, TExTreeItem* Item)
{
    if (Item && Tree->View()) Tree->View()->InvalidateItem(Item, raRow, 0, 0);
}

// A gradient is drawn once into the view's bitmap: that bitmap is made again for new colours.
void GradientChanged(TCustomExTree* Tree)
{
    if (Tree->BackgroundType() != bgtHorzGradient && Tree->BackgroundType() != bgtVertGradient) return;
    if (Tree->GetUpdating()) return;
    Tree->View()->RedoTmpBmp();
    Tree->View()->Invalidate();
}

}  // namespace

void TCustomExTree::SetShowHeader(bool Value)
{
    if (ShowColumns() == Value) return;
    if (Value && FHeader->Sections()->Count() == 0 && !HasState(csReading)) return;
    TExUpdateGuard bracket(FModel.get());
    FModel->ShowColumns = Value;
    FModel->InvalidateHeights();
    // Hidden columns hear of no change of their cells: what they kept goes.
    FColumnWidest.clear();
    TExTreeRefresh& w = RefreshFlags();
    if (!Value) w.HRangeStale = true;
    w.TopIndexChanged = w.ViewChanged = w.VisCountChanged = w.UpdatePending = true;
    if (FBackgroundType != bgtColorFill && FBackgroundType != bgtCenterBitmap) FView->RedoTmpBmp();
    AlignPieces();
    bracket.Done();
}

void TCustomExTree::SetAdjustMultilineHeight(bool Value)
{
    if (AdjustMultilineHeight() == Value) return;
    TExUpdateGuard bracket(FModel.get());
    FModel->SetAdjustMultilineHeight(Value);
    TExTreeRefresh& w = RefreshFlags();
    w.TopIndexChanged = w.ViewChanged = w.VisCountChanged = w.RowsChanged = w.UpdatePending = true;
    bracket.Done();
}

void TCustomExTree::SetCanEdit(bool Value) { FDoInplaceEdit = Value; }

TColor TCustomExTree::GetHeaderColor() { return FHeader->Color(); }

void TCustomExTree::SetHeaderColor(TColor Value) { FHeader->SetColor(Value); }

void TCustomExTree::SetHeaderHeight(Integer Value)
{
    if (IsLoading()) {
        FPendingHeaderHeight = Value;
        return;
    }
    if (FHeader->Height() == Value) return;
    // The header's resize handlers may free the tree.
    TGuardPtr<TCustomExTree> self(this);
    TExUpdateGuard bracket(FModel.get());
    FHeader->SetHeight(Value);
    if (!self) {
        bracket.Forget();
        return;
    }
    AlignPieces();
    if (FBackgroundType != bgtColorFill && FBackgroundType != bgtCenterBitmap) FView->RedoTmpBmp();
    TExTreeRefresh& w = RefreshFlags();
    w.ViewChanged = w.TopIndexChanged = w.UpdatePending = true;
    bracket.Done();
}

Integer TCustomExTree::HeaderHeight() const { return FHeader->Height(); }

bool TCustomExTree::StickyHeaderSections() const { return FHeader->StickySections(); }

void TCustomExTree::SetStickyHeaderSections(bool Value) { FHeader->SetStickySections(Value); }

TExHeaderSections* TCustomExTree::HeaderSections() const { return FHeader->Sections(); }

void TCustomExTree::SetHeaderSections(TExHeaderSections* Value)
{
    FHeader->SetSections(Value);
    SetterRefresh(this, true, false, false, false);
}

void TCustomExTree::SetScrollbarOpposite(bool Value)
{
    if (FScrollbarOpposite == Value) return;
    FScrollbarOpposite = Value;
    if (FUseCustomScrollBars) AlignPieces();
}

void TCustomExTree::SetRightAlignedText(bool Value)
{
    if (FRightAlignedText == Value) return;
    FRightAlignedText = Value;
    FHeader->SetRightAlignedText(Value);
    if (HandleAllocated()) RecreateWnd();
}

void TCustomExTree::SetHideHorzScrollBar(bool Value)
{
    if (FHideHorzScrollBar == Value) return;
    FHideHorzScrollBar = Value;
    SetterRefresh(this, false, false, false, true);
    AlignPieces();
}

void TCustomExTree::SetHideVertScrollBar(bool Value)
{
    if (FHideVertScrollBar == Value) return;
    FHideVertScrollBar = Value;
    SetterRefresh(this, false, false, false, true);
    AlignPieces();
}

void TCustomExTree::SetForcedScrollBars(TScrollStyle Value)
{
    if (FForcedScrollBars == Value) return;
    FForcedScrollBars = Value;
    if (HandleAllocated() && !FUseCustomScrollBars) RecreateWnd();
    SetterRefresh(this, false, false, false, false);
    // A bar forced on or let go changes the layout even where its visibility counts as no change.
    if (!GetUpdating()) AlignPieces();
}

void TCustomExTree::SetLineHeight(Integer Value)
{
    if (FAutoLineHeight) return;
    if (Value == 0) Value = DefineLineHeight();
    if (Value == FModel->LineHeight) return;
    TExUpdateGuard bracket(FModel.get());
    FModel->LineHeight = Value;
    FModel->InvalidateHeights();
    RefreshFlags().TopIndexChanged = RefreshFlags().ViewChanged = true;
    RefreshFlags().UpdatePending = true;
    bracket.Done();
}

void TCustomExTree::SetAutoLineHeight(bool Value)
{
    if (FAutoLineHeight == Value) return;
    FAutoLineHeight = Value;
    if (!Value) return;
    TExUpdateGuard bracket(FModel.get());
    const Integer h = DefineLineHeight();
    if (h != FModel->LineHeight) {
        FModel->LineHeight = h;
        FModel->InvalidateHeights();
    }
    RefreshFlags().ViewChanged = RefreshFlags().TopIndexChanged = RefreshFlags().UpdatePending = true;
    bracket.Done();
}

void TCustomExTree::SetBorderStyle(TBorderStyle Value)
{
    if (FBorderStyle == Value) return;
    FBorderStyle = Value;
    if (HandleAllocated()) RecreateWnd();
}

void TCustomExTree::SetBorderSides(TExBorderSides Value)
{
    if (FBorderSides == Value) return;
    FBorderSides = Value;
    if (HandleAllocated()) RecreateWnd();
}

void TCustomExTree::SetUseCustomScrollBars(bool Value)
{
    if (FUseCustomScrollBars == Value) return;
    FUseCustomScrollBars = Value;
    if (HandleAllocated()) RecreateWnd();
}

void TCustomExTree::SetBkColor(TColor Value)
{
    if (FBkColor == Value) return;
    FBkColor = Value;
    SetterRefresh(this, false, false, false, true);
}

void TCustomExTree::SetFlat(bool Value)
{
    if (FFlat == Value) return;
    FFlat = Value;
    UpdateFrame();
}

void TCustomExTree::SetActiveBorderType(TExFlatBorderType Value)
{
    if (FActiveBorderType == Value) return;
    FActiveBorderType = Value;
    if (Focused() || FMouseInside || FUseCustomScrollBars) UpdateFrame();
}

void TCustomExTree::SetInactiveBorderType(TExFlatBorderType Value)
{
    if (FInactiveBorderType == Value) return;
    FInactiveBorderType = Value;
    if (!((Focused() || FMouseInside) && !FUseCustomScrollBars)) UpdateFrame();
}

void TCustomExTree::SetFlatFocusedScrollbars(bool Value)
{
    if (FFlatFocusedScrollbars == Value) return;
    FFlatFocusedScrollbars = Value;
    if (Focused() && !FUseCustomScrollBars && !IsThemeApplied()) DrawFlatBorder(false, false);
}

void TCustomExTree::SetSortSection(Integer Value)
{
    if (FModel->SortSection == Value) return;
    FModel->SortSection = Value;
    if (FSortSections) FSortSections->Clear();
}

// Sorts now when no bracket is open, else leaves it to the bracket's close.
static void ResortAfterListChange(TCustomExTree* Tree)
{
    if (Tree->GetUpdating())
        Tree->RefreshFlags().SortPending = true;
    else
        Tree->Sort(true);
}

void TCustomExTree::AddSortSection(Integer Index, bool ReSort)
{
    if (!FSortSections) FSortSections = std::make_unique<TExList>();
    TExHeaderSection* section = Index >= 0 ? FHeader->Sections()->FindSection(Index) : nullptr;
    if (!section) return;
    // Added again it moves to the end: the last added breaks ties last.
    FSortSections->Remove(section);
    FSortSections->Add(section);
    if (ReSort) ResortAfterListChange(this);
}

void TCustomExTree::RemoveSortSection(Integer Index, bool ReSort)
{
    if (!FSortSections) return;
    TExHeaderSection* section = Index >= 0 ? FHeader->Sections()->FindSection(Index) : nullptr;
    if (!section) return;
    FSortSections->Remove(section);
    if (ReSort) ResortAfterListChange(this);
}

void TCustomExTree::ClearSortList(bool ReSort)
{
    if (!FSortSections) return;
    FSortSections->Clear();
    if (ReSort) ResortAfterListChange(this);
}

TSortTypes TCustomExTree::SectionTypeToSortType(TExFieldType FieldType)
{
    switch (FieldType) {
    case sftText: return stText;
    case sftNumber: return stNumber;
    case sftFloating: return stFloating;
    case sftDateTime: return stDateTime;
    case sftDate: return stDate;
    case sftTime: return stTime;
    case sftBool: return stBoolean;
    case sftCurrency: return stCurrency;
    default: return stCustom;
    }
}

void TCustomExTree::SetFilteredVisibility(bool Value) { FModel->SetFilteredVisibility(Value); }

void TCustomExTree::SetHorizontalLines(bool Value)
{
    if (FHorizontalLines == Value) return;
    FHorizontalLines = Value;
    TExUpdateGuard bracket(FModel.get());
    ApplyAutoLineHeight(this);
    SetterRefresh(this, true, false, false, false);
    bracket.Done();
}

void TCustomExTree::SetBarStyle(bool Value)
{
    if (FBarStyle == Value) return;
    FBarStyle = Value;
    TExUpdateGuard bracket(FModel.get());
    if (Value) {
        FBkColor = clBtnFace;
        FTextColor = clBtnText;
        FLinesColor = clBtnShadow;
    }
    ApplyAutoLineHeight(this);
    SetterRefresh(this, false, true, true, false);
    bracket.Done();
}

void TCustomExTree::SetItemIndent(Integer Value)
{
    if (FItemIndent == Value) return;
    FItemIndent = Value;
    // Every row's width holds its level's indent.
    SetterRefresh(this, false, true, true, false);
}

void TCustomExTree::SetHeaderUseTreeFont(bool Value)
{
    if (FHeaderUseTreeFont == Value) return;
    FHeaderUseTreeFont = Value;
    FHeader->SetFont(Value ? Font() : FHeaderFont.get());
}

// ---------------------------------------------------------------- the remaining published properties

namespace {

bool IsActiveControl(TCustomExTree* Tree)
{
    TCustomForm* form = GetParentForm(Tree);
    if (!form) return false;
    TWinControl* active = form->ActiveControl();
    return active == Tree || (active && active == static_cast<TWinControl*>(Tree->View()));
}

}  // namespace

void TCustomExTree::SetChangeStateImage(bool Value)
{
    if (FChangeStateImage == Value) return;
    FChangeStateImage = Value;
    SetterRefresh(this, true, false, false, false);
}

void TCustomExTree::SetCheckBoxGlyph(TBitmap* Value)
{
    if (Value)
        FCheckBoxGlyph->Assign(Value);
    else
        FCustomCheckboxes = false;
    if (ShowCheckboxes()) SetterRefresh(this, false, true, true, false);
}

void TCustomExTree::SetRadioButtonGlyph(TBitmap* Value)
{
    if (Value)
        FRadioButtonGlyph->Assign(Value);
    else
        FCustomCheckboxes = false;
    if (ShowCheckboxes()) SetterRefresh(this, false, true, false, false);
}

void TCustomExTree::SetCheckBoxSize(Integer Value)
{
    if (FCheckBoxSize == Value) return;
    FCheckBoxSize = Value;
    if (ShowCheckboxes())
        SetterRefresh(this, false, true, true, false);
    else
        SetterRefresh(this, false, false, false, false);
}

void TCustomExTree::SetCustomCheckboxes(bool Value)
{
    if (FCustomCheckboxes == Value) return;
    FCustomCheckboxes = Value;
    if (ShowCheckboxes()) SetterRefresh(this, false, true, true, false);
}

void TCustomExTree::SetCustomPlusMinus(bool Value)
{
    if (FCustomPlusMinus == Value) return;
    FCustomPlusMinus = Value;
    SetterRefresh(this, false, true, true, false);
}

Integer TCustomExTree::DefaultSectionWidth() const { return FHeader->DefaultWidth(); }

void TCustomExTree::SetDefaultSectionWidth(Integer Value) { FHeader->SetDefaultWidth(Value); }

void TCustomExTree::SetDragRectAcceptColor(TColor Value)
{
    if (FDragRectAcceptColor == Value) return;
    FDragRectAcceptColor = Value;
    if (FDragTrgDrawMode != SelColorRect && FDragTrgDrawMode != dtdNone) RedrawRowOf(this, GetDropTarget());
}

void TCustomExTree::SetDragRectDenyColor(TColor Value)
{
    if (FDragRectDenyColor == Value) return;
    FDragRectDenyColor = Value;
    if (FDragTrgDrawMode != SelColorRect && FDragTrgDrawMode != dtdNone) RedrawRowOf(this, GetDropTarget());
}

void TCustomExTree::SetDragTrgDrawMode(TDragTargetDraw Value)
{
    if (FDragTrgDrawMode == Value) return;
    FDragTrgDrawMode = Value;
    RedrawRowOf(this, GetDropTarget());
}

bool TCustomExTree::DraggableSections() const { return FHeader->AllowDrag(); }

void TCustomExTree::SetDraggableSections(bool Value) { FHeader->SetAllowDrag(Value); }

void TCustomExTree::SetDrawFocusRect(bool Value)
{
    if (FDrawFocusRect == Value) return;
    FDrawFocusRect = Value;
    RedrawRowOf(this, GetFocused());
}

void TCustomExTree::SetFocusedSelectColor(TColor Value)
{
    if (FFocusedSelectColor == Value) return;
    FFocusedSelectColor = Value;
    if (IsActiveControl(this) || !FHideSelection) FView->Invalidate();
}

void TCustomExTree::SetFocusedSelectTextColor(TColor Value)
{
    if (FFocusedSelectTextColor == Value) return;
    FFocusedSelectTextColor = Value;
    if (IsActiveControl(this) || !FHideSelection) FView->Invalidate();
}

void TCustomExTree::SetHideSelectColor(TColor Value)
{
    if (FHideSelectColor == Value) return;
    FHideSelectColor = Value;
    if (!IsActiveControl(this) && FHideSelection) FView->Invalidate();
}

void TCustomExTree::SetHideSelectTextColor(TColor Value)
{
    if (FHideSelectTextColor == Value) return;
    FHideSelectTextColor = Value;
    if (!IsActiveControl(this) && FHideSelection) FView->Invalidate();
}

void TCustomExTree::SetGradientStartColor(TColor Value)
{
    if (FGradientStartColor == Value) return;
    FGradientStartColor = Value;
    GradientChanged(this);
}

void TCustomExTree::SetGradientEndColor(TColor Value)
{
    if (FGradientEndColor == Value) return;
    FGradientEndColor = Value;
    GradientChanged(this);
}

void TCustomExTree::SetGradientSteps(Integer Value)
{
    if (Value < 1 || FGradientSteps == Value) return;
    FGradientSteps = Value;
    GradientChanged(this);
}

TColor TCustomExTree::HeaderActiveFilterColor() const { return FHeader->ActiveFilterColor(); }
void TCustomExTree::SetHeaderActiveFilterColor(TColor Value) { FHeader->SetActiveFilterColor(Value); }
TColor TCustomExTree::HeaderFilterColor() const { return FHeader->FilterColor(); }
void TCustomExTree::SetHeaderFilterColor(TColor Value) { FHeader->SetFilterColor(Value); }
bool TCustomExTree::HeaderFlat() const { return FHeader->Flat(); }
void TCustomExTree::SetHeaderFlat(bool Value) { FHeader->SetFlat(Value); }
TCustomImageList* TCustomExTree::HeaderImages() const { return FHeader->Images(); }
void TCustomExTree::SetHeaderImages(TCustomImageList* Value) { FHeader->SetImages(Value); }
TCustomExImageForm* TCustomExTree::HeaderImageForm() const { return FHeader->ImageForm(); }
void TCustomExTree::SetHeaderImageForm(TCustomExImageForm* Value) { FHeader->SetImageForm(Value); }
bool TCustomExTree::HeaderInvertSortArrows() const { return FHeader->InvertSortArrows(); }
void TCustomExTree::SetHeaderInvertSortArrows(bool Value) { FHeader->SetInvertSortArrows(Value); }
TPopupMenu* TCustomExTree::HeaderPopupMenu() const { return FHeader->PopupMenu(); }
void TCustomExTree::SetHeaderPopupMenu(TPopupMenu* Value) { FHeader->SetPopupMenu(Value); }
bool TCustomExTree::HeaderWrapCaptions() const { return FHeader->WrapCaptions(); }
void TCustomExTree::SetHeaderWrapCaptions(bool Value) { FHeader->SetWrapCaptions(Value); }
bool TCustomExTree::LockHeaderHeight() const { return FHeader->LockHeight(); }
void TCustomExTree::SetLockHeaderHeight(bool Value) { FHeader->SetLockHeight(Value); }
bool TCustomExTree::MoveColumnOnDrag() const { return FHeader->MoveOnDrag(); }
void TCustomExTree::SetMoveColumnOnDrag(bool Value) { FHeader->SetMoveOnDrag(Value); }
bool TCustomExTree::HeaderHotTrack() const { return FHeader->Tracking(); }
void TCustomExTree::SetHeaderHotTrack(bool Value) { FHeader->SetTracking(Value); }

void TCustomExTree::SetHeaderFont(TFont* Value) { FHeaderFont->Assign(Value); }

void TCustomExTree::SetHideFocusRect(bool Value)
{
    if (FHideFocusRect == Value) return;
    FHideFocusRect = Value;
    if (!Focused() && HandleAllocated()) SetterRefresh(this, true, false, false, false);
}

void TCustomExTree::SetHideSelection(bool Value)
{
    if (FHideSelection == Value) return;
    FHideSelection = Value;
    if (!Focused() && HandleAllocated()) SetterRefresh(this, true, false, false, false);
}

void TCustomExTree::SetHorzDivLinesColor(TColor Value)
{
    if (FHorzDivLinesColor == Value) return;
    FHorzDivLinesColor = Value;
    if (FHorizontalLines) SetterRefresh(this, false, true, false, false);
}

void TCustomExTree::SetVertDivLinesColor(TColor Value)
{
    if (FVertDivLinesColor == Value) return;
    FVertDivLinesColor = Value;
    if (FVerticalLines) SetterRefresh(this, false, true, false, false);
}

void TCustomExTree::SetImageForm(TCustomExImageForm* Value)
{
    if (FImageForm == Value) return;
    if (FImageForm) {
        FImageForm->UnregisterChanges(FImageFormLink.get());
        FImageForm->RemoveFreeNotification(this);
    }
    FImageForm = Value;
    if (FImageForm) {
        FImageForm->RegisterChanges(FImageFormLink.get());
        FImageForm->FreeNotification(this);
    }
    Invalidate();
}

void TCustomExTree::ImagesChanged(bool First)
{
    if (IsDestroying()) return;
    TExUpdateGuard bracket(FModel.get());
    ApplyAutoLineHeight(this);
    if (!ShowColumns()) {
        FView->DefineHRange();
    } else if (First) {
        TExHeaderSection* main = FHeader->Sections()->GetSection(MainTreeColumn());
        if (main && main->AutoSize()) AutoSizeColumn(MainTreeColumn());
    }
    RefreshFlags().RowsChanged = RefreshFlags().UpdatePending = true;
    bracket.Done();
}

void TCustomExTree::SetImages(TCustomImageList* Value)
{
    if (FImages == Value) return;
    if (FImages) {
        FImages->UnregisterChanges(FImageChangeLink.get());
        FImages->RemoveFreeNotification(this);
    }
    FImages = Value;
    if (FImages) {
        FImages->RegisterChanges(FImageChangeLink.get());
        FImages->FreeNotification(this);
    }
    ImagesChanged(true);
}

void TCustomExTree::SetImages2(TCustomImageList* Value)
{
    if (FImages2 == Value) return;
    if (FImages2) {
        FImages2->UnregisterChanges(FImageChangeLink.get());
        FImages2->RemoveFreeNotification(this);
    }
    FImages2 = Value;
    if (FImages2) {
        FImages2->RegisterChanges(FImageChangeLink.get());
        FImages2->FreeNotification(this);
    }
    ImagesChanged(false);
}

void TCustomExTree::SetLinesColor(TColor Value)
{
    if (FLinesColor == Value) return;
    FLinesColor = Value;
    if (ShowLines()) SetterRefresh(this, false, true, false, false);
}

void TCustomExTree::SetLinesStyle(TPenStyle Value)
{
    if (FLinesStyle == Value) return;
    FLinesStyle = Value;
    if (ShowLines()) SetterRefresh(this, false, true, false, false);
}

void TCustomExTree::SetMainTreeColumn(Integer Value)
{
    if (Value >= FHeader->Sections()->Count()) Value = 0;
    if (FModel->MainTreeColumn == Value) return;
    FModel->MainTreeColumn = Value;
    SetterRefresh(this, true, false, false, false);
}

void TCustomExTree::SetMinusPicture(TBitmap* Value) { FMinusPicture->Assign(Value); }

void TCustomExTree::SetPlusPicture(TBitmap* Value) { FPlusPicture->Assign(Value); }

void TCustomExTree::SetLeafPicture(TBitmap* Value) { FLeafPicture->Assign(Value); }

void TCustomExTree::SetNoBlendSelected(bool Value)
{
    if (FNoBlendSelected == Value) return;
    FNoBlendSelected = Value;
    if (FBackgroundType != bgtColorFill) FView->Invalidate();
}

void TCustomExTree::SetPlusMinusTransparent(bool Value)
{
    if (FPlusMinusTransparent == Value) return;
    FPlusMinusTransparent = Value;
    if (ShowButtons()) SetterRefresh(this, true, false, false, false);
}

void TCustomExTree::SetRightAlignedTree(bool Value)
{
    if (FRightAlignedTree == Value) return;
    FRightAlignedTree = Value;
    FHeader->SetRightAlignedOrder(Value);
    if (!ShowColumns()) SetHPosition(Value ? FView->HRange() - FLeftPosition : 0);
    FView->Invalidate();
}

void TCustomExTree::SetRowHotTrack(bool Value)
{
    if (FRowHotTrack == Value) return;
    FRowHotTrack = Value;
    if (FTracking) RedrawRowOf(this, GetTrackItem());
}

void TCustomExTree::SetUnderlineTracked(bool Value)
{
    if (FUnderlineTracked == Value) return;
    FUnderlineTracked = Value;
    if (FTracking) RedrawRowOf(this, GetTrackItem());
}

void TCustomExTree::SetTrackColor(TColor Value)
{
    if (FTrackColor == Value) return;
    FTrackColor = Value;
    RedrawRowOf(this, GetTrackItem());
}

void TCustomExTree::SetRowSelect(bool Value)
{
    FRowSelect = Value;
    if (!Value) FFullRowSelect = false;
    TExUpdateGuard bracket(FModel.get());
    RefreshFlags().ViewChanged = RefreshFlags().TopIndexChanged = RefreshFlags().UpdatePending = true;
    bracket.Done();
}

void TCustomExTree::SetSelectColumn(Integer Value)
{
    if (Value < -1 || (Value >= FHeader->Sections()->Count() && !IsLoading())) return;
    if (FSelectColumn == Value) return;
    FSelectColumn = Value;
    if (FRowSelect) return;
    if (MultiSelect())
        SetterRefresh(this, false, true, false, false);
    else
        RedrawRowOf(this, GetFocused());
}

void TCustomExTree::SetShowButtons(bool Value)
{
    if (FModel->ShowButtons == Value) return;
    FModel->ShowButtons = Value;
    SetterRefresh(this, true, false, true, false);
}

void TCustomExTree::SetShowLines(bool Value)
{
    if (FModel->ShowLines == Value) return;
    FModel->ShowLines = Value;
    SetterRefresh(this, true, false, true, false);
}

void TCustomExTree::SetShowRoot(bool Value)
{
    if (FShowRoot == Value) return;
    FShowRoot = Value;
    SetterRefresh(this, true, false, true, false);
}

void TCustomExTree::SetShowRootButtons(bool Value)
{
    if (FShowRootButtons == Value) return;
    FShowRootButtons = Value;
    SetterRefresh(this, true, false, true, false);
}

void TCustomExTree::SetShowLeafButton(bool Value)
{
    if (FShowLeafButton == Value) return;
    FShowLeafButton = Value;
    SetterRefresh(this, true, false, true, false);
}

void TCustomExTree::SetShowCheckboxes(bool Value)
{
    if (FModel->ShowCheckboxes == Value) return;
    FModel->ShowCheckboxes = Value;
    SetterRefresh(this, false, true, true, false);
}

void TCustomExTree::SetShowEmptyImages(bool Value)
{
    if (FModel->ShowEmptyImages == Value) return;
    FModel->ShowEmptyImages = Value;
    if (ShowImages() && FImages) SetterRefresh(this, true, false, true, false);
}

void TCustomExTree::SetShowEmptyImages2(bool Value)
{
    if (FModel->ShowEmptyImages2 == Value) return;
    FModel->ShowEmptyImages2 = Value;
    if (ShowImages() && FImages) SetterRefresh(this, true, false, true, false);
}

void TCustomExTree::SetShowImages(bool Value)
{
    if (FModel->ShowImages == Value) return;
    FModel->ShowImages = Value;
    TExUpdateGuard bracket(FModel.get());
    ApplyAutoLineHeight(this);
    SetterRefresh(this, true, false, true, false);
    bracket.Done();
}

void TCustomExTree::SetStorage(TExIniFile* Value)
{
    if (FStorage == Value) return;
    if (FStorage) FStorage->RemoveFreeNotification(this);
    FStorage = Value;
    if (FStorage) FStorage->FreeNotification(this);
}

void TCustomExTree::SetStripedItems(bool Value)
{
    if (FStripedItems == Value) return;
    FStripedItems = Value;
    FView->Invalidate();
}

void TCustomExTree::SetStripedOddColor(TColor Value)
{
    if (FStripedOddColor == Value) return;
    FStripedOddColor = Value;
    if (FStripedItems) FView->Invalidate();
}

void TCustomExTree::SetStripedEvenColor(TColor Value)
{
    if (FStripedEvenColor == Value) return;
    FStripedEvenColor = Value;
    if (FStripedItems) FView->Invalidate();
}

void TCustomExTree::SetTextColor(TColor Value)
{
    if (FTextColor == Value) return;
    FTextColor = Value;
    SetterRefresh(this, false, false, false, true);
}

void TCustomExTree::SetVerticalLines(bool Value)
{
    if (FVerticalLines == Value) return;
    FVerticalLines = Value;
    SetterRefresh(this, false, true, false, false);
}

void TCustomExTree::SetVerticalLinesLong(bool Value)
{
    if (FVerticalLinesLong == Value) return;
    FVerticalLinesLong = Value;
    if (FVerticalLines) FView->Invalidate();
}

void TCustomExTree::SetBarStyleVerticalLines(bool Value)
{
    if (FBarStyleVerticalLines == Value) return;
    FBarStyleVerticalLines = Value;
    if (FBarStyle) SetterRefresh(this, false, true, false, false);
}

void TCustomExTree::SetBackground(TBitmap* Value)
{
    FBackground->Assign(Value);
    if (FBackground->Empty()) {
        SetBackgroundType(bgtColorFill);
        return;
    }
    FView->RedoTmpBmp();
    if (FBackgroundType != bgtColorFill) FView->Invalidate();
}

void TCustomExTree::SetBackgroundType(TExBkGndType Value)
{
    const bool needsPicture =
        FBackgroundType == bgtTileBitmap || FBackgroundType == bgtStretchBitmap || FBackgroundType == bgtCenterBitmap;
    if (FBackground->Empty() && needsPicture) Value = bgtColorFill;
    if (FBackgroundType == Value) return;
    FBackgroundType = Value;
    FView->RedoTmpBmp();
    if (!IsLoading()) FView->Invalidate();
}

void TCustomExTree::SetVirtualityLevel(TVirtualityLevel Value)
{
    if (FModel->VirtualityLevel() == Value) return;
    TExUpdateGuard bracket(FModel.get());
    FColumnWidest.clear();
    if (Value == vlTextAndStyles)
        FView->SetVirtualStyle(std::make_unique<TExCellStyle>(nullptr));
    else
        FView->SetVirtualStyle(nullptr);
    FModel->SetVirtualityLevel(Value);
    RefreshFlags().TopIndexChanged = RefreshFlags().VisCountChanged = RefreshFlags().UpdatePending = true;
    bracket.Done();
}
