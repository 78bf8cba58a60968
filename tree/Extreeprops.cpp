// The published properties' setters: each stores its value and asks for the refresh its property
// needs, inside the update bracket.
#include "controls/Exheader.h"
#include "ctlbase/Exlist.h"
#include "tree/Extreectl.h"
#include "tree/Extreeview.h"

void TCustomExTree::SetShowHeader(bool Value)
{
    if (ShowColumns() == Value) return;
    if (Value && FHeader->Sections()->Count() == 0 && !HasState(csReading)) return;
    TExUpdateGuard bracket(FModel.get());
    FModel->ShowColumns = Value;
    FModel->InvalidateHeights();
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
    TExUpdateGuard bracket(FModel.get());
    FHeader->SetHeight(Value);
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
    SetterRefresh(true, false, false, false);
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
    SetterRefresh(false, false, false, true);
    AlignPieces();
}

void TCustomExTree::SetHideVertScrollBar(bool Value)
{
    if (FHideVertScrollBar == Value) return;
    FHideVertScrollBar = Value;
    SetterRefresh(false, false, false, true);
    AlignPieces();
}

void TCustomExTree::SetForcedScrollBars(TScrollStyle Value)
{
    if (FForcedScrollBars == Value) return;
    FForcedScrollBars = Value;
    if (HandleAllocated() && !FUseCustomScrollBars) RecreateWnd();
    SetterRefresh(false, false, false, false);
}

void TCustomExTree::SetterRefresh(bool Rows, bool View, bool Range, bool All)
{
    TExUpdateGuard bracket(FModel.get());
    TExTreeRefresh& w = RefreshFlags();
    w.UpdatePending = true;
    if (Rows) w.RowsChanged = true;
    if (View) w.ViewChanged = true;
    if (Range && !ShowColumns()) w.HRangeStale = true;
    if (All) {
        w.TopIndexChanged = w.ViewChanged = w.VisCountChanged = true;
        FModel->InvalidateIndexes(FModel->AllItems().Count());
    }
    bracket.Done();
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
    SetterRefresh(false, false, false, true);
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

void TCustomExTree::SetFilteredVisibility(bool Value) { FModel->SetFilteredVisibility(Value); }

// The line height follows what it is made of while AutoLineHeight is on.
void TCustomExTree::ApplyAutoLineHeight()
{
    if (!FAutoLineHeight) return;
    const Integer h = DefineLineHeight();
    if (h == FModel->LineHeight) return;
    FModel->LineHeight = h;
    FModel->InvalidateHeights();
    RefreshFlags().TopIndexChanged = RefreshFlags().ViewChanged = true;
}

void TCustomExTree::SetHorizontalLines(bool Value)
{
    if (FHorizontalLines == Value) return;
    FHorizontalLines = Value;
    TExUpdateGuard bracket(FModel.get());
    ApplyAutoLineHeight();
    SetterRefresh(true, false, false, false);
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
    ApplyAutoLineHeight();
    SetterRefresh(false, true, true, false);
    bracket.Done();
}

void TCustomExTree::SetItemIndent(Integer Value)
{
    if (FItemIndent == Value) return;
    FItemIndent = Value;
    SetterRefresh(false, true, false, false);
}

void TCustomExTree::SetHeaderUseTreeFont(bool Value)
{
    if (FHeaderUseTreeFont == Value) return;
    FHeaderUseTreeFont = Value;
    FHeader->SetFont(Value ? Font() : FHeaderFont.get());
}
