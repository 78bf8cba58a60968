// TCustomExTree: the tree control's outer window. It owns the item model (and is its host), the
// inner view with the rows, the column header, two custom scroll bars with their styles and the
// in-place editor registry, lays the four child windows out, keeps the scroll bars in step, runs the
// update bracket whose outermost close does the deferred work once, and raises the events of its
// child windows as its own. TExTree publishes it.
//
// The declaration is grouped by concern; each group's operations live in the unit of that concern
// (Extreectl.cpp: core, child windows, bracket; Extreeframe.cpp: frame; Extreeprops.cpp: published
// properties; Extreesel.cpp: selection and focus; Extreeevents.cpp: events and virtual mode;
// Extreemeasure.cpp: measuring and visibility; Extreepersist.cpp: settings, export, header sorting;
// Extreesort.cpp, Extreestream.cpp, Extreedrag.cpp, Extreeedit.cpp).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "controls/Exheader.h"
#include "controls/Exscrollbar.h"
#include "ctlbase/Excontbase.h"
#include "ctlbase/Exdragdrop.h"
#include "ctlbase/Exvclutils.h"
#include "ctlbase/Htmlrender.h"
#include "ctlbase/Exxpthemedcontrol.h"
#include "platform/Guard.h"
#include "tree/Extreeitems.h"
#include "tree/Extreemodel.h"

class TBitmap;
class TChangeLink;
class TCustomImageList;
class TExCellStyle;
class TExDropTarget;
class TExHTMLData;
class TExHTMLRender;
class TExIniFile;
class THintWindow;
class TImgFormChangeLink;
class TCustomExImageForm;
class TExTreeInplaceEditor;
class TExTreeInplaceManager;
class TExTreeView;
class TOleDragObject;
class TStream;
class TTimer;
struct IDataObject;
struct IDropSource;

// ---------------------------------------------------------------- enumerations

enum TSTSelModes : Byte { smUsual, smSimple };
enum TExHintType : Byte { shtMainText, shtHintOnly, shtHintOrText };
enum THintModes : Byte { shmNone, shmLong, shmAll };
enum TLineHintType : Byte { lhtMainTextOnly, lhtCellTextOnly, lhtSmart };
enum TSortDirs : Byte { sdAscend, sdDescend };
enum TDragImgMode : Byte { dimNever, dimOne, dimAll };
enum TDragTargetDraw : Byte {
    ColorFrame, ColorRect, SelColorRect, dtdNone, dtdUpColorLine, dtdDownColorLine, dtdUpSelColorLine,
    dtdDownSelColorLine
};
// The part of a row under a point.
enum TSTItemPart : Byte { ipButton, ipMainText, ipColumn, ipInside, ipPicture, ipPicture2, ipCheckBox, ipOutside };

// A cell's value for sorting a virtual tree; monostate is the unassigned value.
using TExVariant = std::variant<std::monostate, bool, Int64, double, std::string>;

// ---------------------------------------------------------------- events (Sender first)

using TExTreeChangingEvent = std::function<void(TObject* Sender, TExTreeItem* Item, bool& AllowChange)>;
using TItemSelChangeEvent = std::function<void(TObject* Sender, TExTreeItem* Item)>;
using TOnItemExpandEvent = TItemSelChangeEvent;
using TOnItemCheckedEvent = TItemSelChangeEvent;
using TOnItemChangeEvent = std::function<void(TObject* Sender, TExTreeItem* Item, TItemChangeMode ItemChangeMode)>;
using TOnItemExpanding = std::function<void(TObject* Sender, TExTreeItem* Item, bool& CanProcess)>;
using TOnCompareItems = std::function<void(TObject* Sender, TExTreeItem* Item1, TExTreeItem* Item2, Integer& Res)>;
using TOnItemDrawEvent =
    std::function<void(TObject* Sender, TExTreeItem* Item, TCanvas* Surface, TRect R, Integer SectionIndex)>;
using TExTreeItemPostDrawEvent =
    std::function<void(TObject* Sender, TCanvas* Canvas, TExTreeItem* Item, TRect ItemRect, bool& DrawFocusRect)>;
using TOnShowHintEvent = std::function<void(TObject* Sender, TExTreeItem* Item, TExHeaderSection* Section,
                                            std::string& Text, THintWindow* HintWindow, TPoint MousePos,
                                            bool& DoShowHint)>;
using TOnPicDrawEvent = std::function<void(TObject* Sender, TExTreeItem* Item, Integer& ImageIndex)>;
using THotTrackEvent = std::function<void(TObject* Sender, TExTreeItem* OldItem, TExTreeItem* NewItem)>;
// The tree's scroll notification (the bar's own OnScroll is TExScrollEvent).
using TExTreeScrollEvent = std::function<void(TObject* Sender, TScrollBarKind ScrollBarKind, Integer ScrollCode)>;
using TColumnNotifyEvent = std::function<void(TObject* Sender, Integer SectionIndex)>;
class TCustomExTree;
using TExColumnMoveEvent =
    std::function<void(TCustomExTree* Sender, TExHeaderSection* Section, Integer OldPos, Integer NewPos)>;
using THeaderSectionEvent = TExHeaderSectionEvent;
using TMeasureSectionEvent = std::function<void(TObject* Sender, TExHeaderSection* Section, TPoint& Size)>;
using TTryEditEvent = std::function<void(TObject* Sender, TExTreeItem* Item, Integer SectionIndex,
                                         TExFieldType& CellType, bool& CanEdit)>;
using TInplaceEditorNeededEvent = std::function<void(TObject* Sender, TExTreeItem* Item, Integer SectionIndex,
                                                     TExFieldType SupposedFieldType, TExTreeInplaceEditor*& Editor)>;
using TItemSaveEvent = std::function<void(TObject* Sender, TStream* Stream, TExTreeItem* Item)>;
using TCellStyleSaveEvent = std::function<void(TObject* Sender, TStream* Stream, TExCellStyle* Style)>;
using TMeasureItemPartEvent =
    std::function<void(TObject* Sender, TExTreeItem* Item, Integer PartIndex, TPoint& Size)>;
using TVirtualTextNeededEvent =
    std::function<void(TObject* Sender, TExTreeItem* Item, Integer SectionIndex, std::string& Text)>;
using TVirtualHintNeededEvent = std::function<void(TObject* Sender, TExTreeItem* Item, std::string& Hint)>;
using TVirtualValueNeededEvent =
    std::function<void(TObject* Sender, TExTreeItem* Item, Integer SectionIndex, Integer VarType, TExVariant& Value)>;
using TVirtualStyleNeededEvent =
    std::function<void(TObject* Sender, TExTreeItem* Item, Integer SectionIndex, TExCellStyle* Style)>;
using TTreeTargetDragEvent = TTargetDragEvent;
using TTreeTargetDropEvent = TTargetDropEvent;
using TOleDragStartEvent =
    std::function<void(TObject* Sender, IDataObject*& DataObj, IDropSource*& DropSource, TDragTypes& OKEffects)>;
using TOleDragFinishEvent = std::function<void(TObject* Sender, TDragType Effect, HRESULT Result)>;
using TExTreeItemDragTargetEvent =
    std::function<void(TObject* Sender, TExTreeItem* Item, TRect ItemRect, Integer X, Integer Y)>;
using TApplyVisFilterEvent = std::function<void(TObject* Sender, TExTreeItem* Item, bool& Hidden)>;

// ---------------------------------------------------------------- the control

class TCustomExTree : public TExXPThemedControl, public TExTreeHost {
public:
    explicit TCustomExTree(TComponent* AOwner);
    // The collection makes its items with ItemClass.
    TCustomExTree(TComponent* AOwner, TExTreeItemClass ItemClass);
    ~TCustomExTree() override;

    // The tree an item belongs to; nil for an item of a tree without a control.
    static TCustomExTree* TreeOf(const TExTreeItem* Item);

    // ================================================================ core: owned parts
    TExTreeModel* Model() const { return FModel.get(); }
    TExTreeItems* Items() const { return FModel->Items(); }
    void SetItems(TExTreeItems* Value);
    TExTreeView* View() const { return FView; }
    TCustomExHeader* Header() const { return FHeader; }
    TCustomExScrollBar* HorzScrollBar() const { return FHScrollBar; }
    TCustomExScrollBar* VertScrollBar() const { return FVScrollBar; }
    TExScrollBarStyles* HorzScrollBarStyles() const { return FHorzScrollBarStyles.get(); }
    void SetHorzScrollBarStyles(TExScrollBarStyles* Value);
    TExScrollBarStyles* VertScrollBarStyles() const { return FVertScrollBarStyles.get(); }
    void SetVertScrollBarStyles(TExScrollBarStyles* Value);
    TExTreeInplaceManager* InplaceManager() const { return FInplaceManager; }
    TExTreeItemList* AllItemsList() const { return &FModel->AllItems(); }
    virtual TExTreeItem* GetRoot();

    // ================================================================ core: layout and bars
    // Lays out the header, the view and the bars in the client area (only with a window).
    void AlignPieces();
    // Recomputes both bars, laying out again while a bar appears or goes (at most 4 rounds).
    virtual void UpdateScrollBars();
    bool HorzBarVisible() const { return FHorzBarVisible; }
    bool VertBarVisible() const { return FVertBarVisible; }
    bool Aligning() const { return FAligning; }
    Integer HeaderHeightCache() const { return FHeaderHeightCache; }
    // The square between the two bars (empty unless both are shown), as the last layout left it.
    TRect CornerRect() const { return FCornerRect; }
    Integer GetTotalVisCount() { return FModel->TotalVisCount(); }
    Integer TopIndex() const { return FTopIndex; }
    Integer BottomIndex() const { return FBottomIndex; }
    Integer LeftPosition() const { return FLeftPosition; }
    void SetLeftPosition(Integer Value) { SetHPosition(Value); }
    void SetHPosition(Integer Value);
    void SetVPosition(Integer Value);
    // Only the handles of the two owned bars; -1 and False for any other.
    Integer SetScrollInfo(HWND Wnd, Integer BarFlag, const SCROLLINFO& Info, bool Redraw);
    bool GetScrollInfo(HWND Wnd, Integer BarFlag, SCROLLINFO& Info);

    // ================================================================ core: update bracket
    void SetUpdating(bool Value);
    bool GetUpdating() const { return FModel->Updating(); }
    bool InUpdateRefresh() const { return FModel->InUpdateRefresh(); }
    bool InScrollBarUpdate() const { return FInScrollBarUpdate; }
    bool UpdatePending() const { return FModel->Refresh().UpdatePending; }
    void SetUpdatePending() { FModel->Refresh().UpdatePending = true; }
    bool SortPending() const { return FModel->Refresh().SortPending; }
    bool ColumnsAutoSizePending() const { return FModel->Refresh().ColumnsAutoSizePending || FColumnsAutoSizeOwed; }
    // The view's refresh flags, raised by setters and consumed by the outermost close.
    TExTreeRefresh& RefreshFlags() { return FModel->Refresh(); }

    // ================================================================ core: window and focus
    bool Focused();
    bool CanFocus() override;
    std::string GetHint() const { return FTreeHint; }
    void SetHint(const std::string& Value);
    TCursor Cursor() const;
    void SetCursor(TCursor Value);
    TCursor DragCursor() const;
    void SetDragCursor(TCursor Value);
    TCustomImageList* GetDragImages() override;
    TExTreeItem* GetTrackItem() const;
    bool GetDragging() const;
    TExTreeItem* GetDropTarget() const;
    Integer GetVisibleRowCount() const;
    Integer IndexInView(TExTreeItem* Item) const;
    void FitMostChildren(TExTreeItem* Item);
    // Tree client coordinates.
    virtual TRect GetItemRect(Integer ItemIndex);
    virtual TExTreeItem* GetItemAtY(Integer Y);
    virtual TExTreeItem* GetItemAt(Integer X, Integer Y, TSTItemPart& ItemPart, Integer& HitColumn);
    TExTreeItem* GetNodeAt(Integer /*X*/, Integer Y) { return GetItemAtY(Y); }
    void SetUseXPThemes(bool Value) override;
    void Loaded() override;
    void Update() override;

    // ================================================================ frame
    void DrawFlatBorder(bool HDragging, bool VDragging);
    void DrawFlatBorderEx(HDC DC, bool HDragging, bool VDragging);
    void UpdateFrame();
    bool MouseInside() const { return FMouseInside; }

    // ================================================================ selection and focus
    TExTreeItem* GetFocused() const { return FModel->Focused(); }
    void SetFocused(TExTreeItem* Item);
    void DoSetFocused(TExTreeItem* Item, bool Forced);
    bool DoSetFocusedEx(TExTreeItem* Item, bool Forced, bool Delayed);
    TExTreeItem* GetSelected() const { return FModel->Selected(); }
    void SetSelected(TExTreeItem* Item);
    Integer GetSelCount() const { return FModel->SelCount(); }
    virtual TExTreeItem* GetNextSelected(TExTreeItem* Prev);
    virtual void AllSelected(TExList* List);
    void AllSelectedEx(TExList* List, bool Order);
    virtual void SelectAll();
    virtual void InvertSelection();
    virtual void SelectAllEx(bool IncludeHidden);
    virtual void InvertSelectionEx(bool IncludeHidden);
    virtual void DeselectAll();
    virtual void DeselectAllEx(bool IncludeHidden);
    virtual void SelectRange(TExTreeItem* FromItem, TExTreeItem* ToItem);
    virtual void SelectRange2(TExTreeItem* FromItem, TExTreeItem* ToItem, bool SelectDisabled);
    virtual void SelectRangeEx(TExTreeItem* FromItem, TExTreeItem* ToItem, bool SelectHidden);
    virtual void SelectRangeEx2(TExTreeItem* FromItem, TExTreeItem* ToItem, bool SelectDisabled, bool SelectHidden);
    void StartDelayedFocus(TExTreeItem* Item) override;
    void StopDelayedFocus();
    TExTreeItem* DelayedFocusItem() const { return FDelayedFocusItem; }
    bool SelectionChanged() const { return FModel->SelectionChanged; }
    void SetSelectionChanged(bool Value) { FModel->SelectionChanged = Value; }
    bool FireFocusEvents() const;
    void SetFireFocusEvents(bool Value);
    bool IsEditing();
    bool MultiSelect() const { return FModel->MultiSelect(); }
    void SetMultiSelect(bool Value);
    Integer MultiSelectLevel() const { return FModel->MultiSelectLevel; }
    void SetMultiSelectLevel(Integer Value);

    // ================================================================ measuring and visibility
    virtual Integer DefineLineHeight();
    virtual void MeasureCell(TExTreeItem* Item, Integer SectionIndex, TPoint& Size);
    Integer MeasureColumnWidth(Integer SectionIndex, bool VisibleOnly);
    // False when a handler deleted the section or freed the tree.
    bool AutoSizeColumn(Integer SectionIndex);
    bool FitSection(TExHeaderSection* Section);
    void AutoSizeAllColumns();
    Integer GetCheckBoxSize();
    // The image index an item shows from Images (Second: Images2), asking the event for -1.
    Integer ItemImageIndex(TExTreeItem* Item, bool Second);
    void EnsureVisible(TExTreeItem* Item) override;
    void EnsureVisibleBottom(TExTreeItem* Item);
    virtual bool IsInView(TExTreeItem* Item);
    virtual TExTreeItem* GetTopItem();
    virtual void SetTopItem(TExTreeItem* Item);
    virtual void FullExpand();
    virtual void FullCollapse();
    void UpdateDiffItems() { FModel->UpdateDiffItems(); }

    // ================================================================ sorting, persistence, export, editing
    virtual void Sort(bool Recursive);
    // Negative, 0 or positive; two different items never compare equal.
    virtual Integer CompareItems(TExTreeItem* Item1, TExTreeItem* Item2, TExSSortMode SortMode, TSortTypes SortType,
                                 Integer SectionIndex);
    // Compares on one further sort section (its own direction; texts converted at each call).
    void SlowCompareItems(TExTreeItem* Item1, TExTreeItem* Item2, TExHeaderSection* Section, Integer& Res);
    void AddSortSection(Integer Index, bool ReSort);
    void RemoveSortSection(Integer Index, bool ReSort);
    void ClearSortList(bool ReSort);
    TSortTypes SectionTypeToSortType(TExFieldType FieldType);
    TExList* SortSections() const { return FSortSections.get(); }
    // Drops the further sort sections the header no longer has (it lets sections go unannounced
    // when it reads them anew, and in a batch when deletions are folded); the number dropped.
    Integer PruneSortSections();
    virtual void Save();
    virtual void Restore();
    void Assign(TPersistent* Source) override;
    virtual void SaveStringsToStream(TStream* Stream);
    void EditItem(TExTreeItem* Item, Integer SectionNum) override;
    void EndEdit(bool ByCancel) override;

    // ================================================================ published properties
    TExFlatBorderType ActiveBorderType() const { return FActiveBorderType; }
    void SetActiveBorderType(TExFlatBorderType Value);
    TExFlatBorderType InactiveBorderType() const { return FInactiveBorderType; }
    void SetInactiveBorderType(TExFlatBorderType Value);
    bool AdjustMultilineHeight() const { return FModel->AdjustMultilineHeight(); }
    virtual void SetAdjustMultilineHeight(bool Value);
    bool AlwaysKeepFocus() const { return FAlwaysKeepFocus; }
    void SetAlwaysKeepFocus(bool Value) { FAlwaysKeepFocus = Value; }
    bool AlwaysKeepSelection() const { return FAlwaysKeepSelection; }
    void SetAlwaysKeepSelection(bool Value) { FAlwaysKeepSelection = Value; }
    bool AutoCollapse() const { return FModel->AutoCollapse; }
    void SetAutoCollapse(bool Value) { FModel->AutoCollapse = Value; }
    bool AutoExpand() const { return FModel->AutoExpand; }
    void SetAutoExpand(bool Value) { FModel->AutoExpand = Value; }
    bool AutoLineHeight() const { return FAutoLineHeight; }
    void SetAutoLineHeight(bool Value);
    bool AutoLookup() const { return FAutoLookup; }
    void SetAutoLookup(bool Value) { FAutoLookup = Value; }
    bool AutoResizeColumns() const { return FAutoResizeColumns; }
    void SetAutoResizeColumns(bool Value) { FAutoResizeColumns = Value; }
    TBitmap* Background() const { return FBackground.get(); }
    void SetBackground(TBitmap* Value);
    TExBkGndType BackgroundType() const { return FBackgroundType; }
    void SetBackgroundType(TExBkGndType Value);
    bool BarStyle() const { return FBarStyle; }
    void SetBarStyle(bool Value);
    bool BarStyleVerticalLines() const { return FBarStyleVerticalLines; }
    void SetBarStyleVerticalLines(bool Value);
    TColor BkColor() const { return FBkColor; }
    void SetBkColor(TColor Value);
    TExBorderSides BorderSides() const { return FBorderSides; }
    void SetBorderSides(TExBorderSides Value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    Integer ChangeDelay() const { return FModel->ChangeDelay; }
    // A negative delay is no delay (a timer of that interval would never fire).
    void SetChangeDelay(Integer Value) { FModel->ChangeDelay = Value < 0 ? 0 : Value; }
    bool ChangeStateImage() const { return FChangeStateImage; }
    void SetChangeStateImage(bool Value);
    TBitmap* CheckBoxGlyph() const { return FCheckBoxGlyph.get(); }
    void SetCheckBoxGlyph(TBitmap* Value);
    TBitmap* RadioButtonGlyph() const { return FRadioButtonGlyph.get(); }
    void SetRadioButtonGlyph(TBitmap* Value);
    Integer CheckBoxSize() const { return FCheckBoxSize; }
    void SetCheckBoxSize(Integer Value);
    bool CustomCheckboxes() const { return FCustomCheckboxes; }
    void SetCustomCheckboxes(bool Value);
    bool CustomPlusMinus() const { return FCustomPlusMinus; }
    void SetCustomPlusMinus(bool Value);
    Integer DefaultSectionWidth() const;
    void SetDefaultSectionWidth(Integer Value);
    bool DeselectChildrenOnCollapse() const { return FModel->DeselectChildrenOnCollapse; }
    void SetDeselectChildrenOnCollapse(bool Value) { FModel->DeselectChildrenOnCollapse = Value; }
    bool DoInplaceEdit() const { return FDoInplaceEdit; }
    virtual void SetCanEdit(bool Value);
    bool DragAllowed() const { return FDragAllowed; }
    void SetDragAllowed(bool Value) { FDragAllowed = Value; }
    Integer DragExpandDelay() const { return FDragExpandDelay; }
    void SetDragExpandDelay(Integer Value) { FDragExpandDelay = Value; }
    TDragImgMode DragImageMode() const { return FDragImageMode; }
    void SetDragImageMode(TDragImgMode Value) { FDragImageMode = Value; }
    TColor DragRectAcceptColor() const { return FDragRectAcceptColor; }
    void SetDragRectAcceptColor(TColor Value);
    TColor DragRectDenyColor() const { return FDragRectDenyColor; }
    void SetDragRectDenyColor(TColor Value);
    Integer DragScrollInterval() const { return FDragScrollInterval; }
    void SetDragScrollInterval(Integer Value) { FDragScrollInterval = Value; }
    TDragTargetDraw DragTrgDrawMode() const { return FDragTrgDrawMode; }
    void SetDragTrgDrawMode(TDragTargetDraw Value);
    TExDragType DragType() const { return FDragType; }
    void SetDragType(TExDragType Value);
    bool DraggableSections() const;
    void SetDraggableSections(bool Value);
    bool DrawFocusRect() const { return FDrawFocusRect; }
    void SetDrawFocusRect(bool Value);
    bool ExpandOnDblClick() const { return FExpandOnDblClick; }
    void SetExpandOnDblClick(bool Value) { FExpandOnDblClick = Value; }
    bool ExpandOnDragOver() const { return FExpandOnDragOver; }
    void SetExpandOnDragOver(bool Value) { FExpandOnDragOver = Value; }
    bool ExplorerEditMode() const { return FExplorerEditMode; }
    void SetExplorerEditMode(bool Value) { FExplorerEditMode = Value; }
    bool FilteredVisibility() const { return FModel->FilteredVisibility(); }
    void SetFilteredVisibility(bool Value);
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    bool FlatFocusedScrollbars() const { return FFlatFocusedScrollbars; }
    void SetFlatFocusedScrollbars(bool Value);
    TColor FocusedSelectColor() const { return FFocusedSelectColor; }
    void SetFocusedSelectColor(TColor Value);
    TColor FocusedSelectTextColor() const { return FFocusedSelectTextColor; }
    void SetFocusedSelectTextColor(TColor Value);
    TColor HideSelectColor() const { return FHideSelectColor; }
    void SetHideSelectColor(TColor Value);
    TColor HideSelectTextColor() const { return FHideSelectTextColor; }
    void SetHideSelectTextColor(TColor Value);
    TScrollStyle ForcedScrollBars() const { return FForcedScrollBars; }
    void SetForcedScrollBars(TScrollStyle Value);
    bool FullRowSelect() const { return FFullRowSelect; }
    void SetFullRowSelect(bool Value) { FFullRowSelect = Value; }
    TColor GradientStartColor() const { return FGradientStartColor; }
    void SetGradientStartColor(TColor Value);
    TColor GradientEndColor() const { return FGradientEndColor; }
    void SetGradientEndColor(TColor Value);
    Integer GradientSteps() const { return FGradientSteps; }
    void SetGradientSteps(Integer Value);
    // Forwarded to the header.
    TColor HeaderActiveFilterColor() const;
    void SetHeaderActiveFilterColor(TColor Value);
    TColor HeaderFilterColor() const;
    void SetHeaderFilterColor(TColor Value);
    bool HeaderFlat() const;
    void SetHeaderFlat(bool Value);
    TCustomImageList* HeaderImages() const;
    void SetHeaderImages(TCustomImageList* Value);
    TCustomExImageForm* HeaderImageForm() const;
    void SetHeaderImageForm(TCustomExImageForm* Value);
    bool HeaderInvertSortArrows() const;
    void SetHeaderInvertSortArrows(bool Value);
    TPopupMenu* HeaderPopupMenu() const;
    void SetHeaderPopupMenu(TPopupMenu* Value);
    bool HeaderWrapCaptions() const;
    void SetHeaderWrapCaptions(bool Value);
    bool LockHeaderHeight() const;
    void SetLockHeaderHeight(bool Value);
    bool MoveColumnOnDrag() const;
    void SetMoveColumnOnDrag(bool Value);
    bool StickyHeaderSections() const;
    void SetStickyHeaderSections(bool Value);
    virtual TColor GetHeaderColor();
    virtual void SetHeaderColor(TColor Value);
    TFont* HeaderFont() const { return FHeaderFont.get(); }
    void SetHeaderFont(TFont* Value);
    Integer HeaderHeight() const;
    void SetHeaderHeight(Integer Value);
    bool HeaderHotTrack() const;
    void SetHeaderHotTrack(bool Value);
    TExHeaderSections* HeaderSections() const;
    void SetHeaderSections(TExHeaderSections* Value);
    bool HeaderUseTreeFont() const { return FHeaderUseTreeFont; }
    void SetHeaderUseTreeFont(bool Value);
    bool HideFocusRect() const { return FHideFocusRect; }
    void SetHideFocusRect(bool Value);
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool Value);
    bool HideHintOnMove() const { return FHideHintOnMove; }
    void SetHideHintOnMove(bool Value) { FHideHintOnMove = Value; }
    bool HideHintOnTimer() const { return FHideHintOnTimer; }
    void SetHideHintOnTimer(bool Value) { FHideHintOnTimer = Value; }
    bool HideHorzScrollBar() const { return FHideHorzScrollBar; }
    void SetHideHorzScrollBar(bool Value);
    bool HideVertScrollBar() const { return FHideVertScrollBar; }
    void SetHideVertScrollBar(bool Value);
    TExHintType HintType() const { return FHintType; }
    void SetHintType(TExHintType Value) { FHintType = Value; }
    bool HorizontalLines() const { return FHorizontalLines; }
    void SetHorizontalLines(bool Value);
    TColor HorzDivLinesColor() const { return FHorzDivLinesColor; }
    void SetHorzDivLinesColor(TColor Value);
    TColor VertDivLinesColor() const { return FVertDivLinesColor; }
    void SetVertDivLinesColor(TColor Value);
    bool IgnoreEnabled() const { return FIgnoreEnabled; }
    void SetIgnoreEnabled(bool Value) { FIgnoreEnabled = Value; }
    TCustomExImageForm* ImageForm() const { return FImageForm; }
    void SetImageForm(TCustomExImageForm* Value);
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);
    TCustomImageList* Images2() const { return FImages2; }
    void SetImages2(TCustomImageList* Value);
    bool IncrementalSearch() const { return FIncrementalSearch; }
    void SetIncrementalSearch(bool Value) { FIncrementalSearch = Value; }
    Integer InplaceEditorDelay() const { return FInplaceEditorDelay; }
    void SetInplaceEditorDelay(Integer Value) { FInplaceEditorDelay = Value; }
    Integer ItemIndent() const { return FItemIndent; }
    void SetItemIndent(Integer Value);
    bool KeepSelectionWithinLevel() const { return FModel->KeepSelectionWithinLevel; }
    void SetKeepSelectionWithinLevel(bool Value) { FModel->KeepSelectionWithinLevel = Value; }
    Integer LineHeight() const { return FModel->LineHeight; }
    void SetLineHeight(Integer Value);
    TColor LineHintColor() const { return FLineHintColor; }
    void SetLineHintColor(TColor Value) { FLineHintColor = Value; }
    THintModes LineHintMode() const { return FLineHintMode; }
    void SetLineHintMode(THintModes Value) { FLineHintMode = Value; }
    Integer LineHintTimeout() const { return FLineHintTimeout; }
    void SetLineHintTimeout(Integer Value) { FLineHintTimeout = Value; }
    TLineHintType LineHintType() const { return FLineHintType; }
    void SetLineHintType(TLineHintType Value) { FLineHintType = Value; }
    TColor LinesColor() const { return FLinesColor; }
    void SetLinesColor(TColor Value);
    TPenStyle LinesStyle() const { return FLinesStyle; }
    void SetLinesStyle(TPenStyle Value);
    TExFieldType MainTextType() const { return FMainTextType; }
    void SetMainTextType(TExFieldType Value) { FMainTextType = Value; }
    Integer MainTreeColumn() const { return FModel->MainTreeColumn; }
    void SetMainTreeColumn(Integer Value);
    TBitmap* MinusPicture() const { return FMinusPicture.get(); }
    void SetMinusPicture(TBitmap* Value);
    TBitmap* PlusPicture() const { return FPlusPicture.get(); }
    void SetPlusPicture(TBitmap* Value);
    TBitmap* LeafPicture() const { return FLeafPicture.get(); }
    void SetLeafPicture(TBitmap* Value);
    bool MouseFrameSelect() const { return FMouseFrameSelect; }
    void SetMouseFrameSelect(bool Value) { FMouseFrameSelect = Value; }
    bool MoveFocusOnCollapse() const { return FModel->MoveFocusOnCollapse; }
    void SetMoveFocusOnCollapse(bool Value) { FModel->MoveFocusOnCollapse = Value; }
    bool OwnerDrawByColumn() const { return FOwnerDrawByColumn; }
    void SetOwnerDrawByColumn(bool Value) { FOwnerDrawByColumn = Value; }
    const std::string& OwnerDrawMask() const { return FOwnerDrawMask; }
    void SetOwnerDrawMask(const std::string& Value) { FOwnerDrawMask = Value; }
    char PathSeparator() const { return FPathSeparator; }
    void SetPathSeparator(char Value) { FPathSeparator = Value; }
    bool PlusMinusTransparent() const { return FPlusMinusTransparent; }
    void SetPlusMinusTransparent(bool Value);
    bool QuickEditMode() const { return FQuickEditMode; }
    void SetQuickEditMode(bool Value) { FQuickEditMode = Value; }
    bool RightAlignedText() const { return FRightAlignedText; }
    void SetRightAlignedText(bool Value);
    bool RightAlignedTree() const { return FRightAlignedTree; }
    void SetRightAlignedTree(bool Value);
    bool RightClickSelect() const { return FRightClickSelect; }
    void SetRightClickSelect(bool Value) { FRightClickSelect = Value; }
    bool RowHotTrack() const { return FRowHotTrack; }
    void SetRowHotTrack(bool Value);
    bool UnderlineTracked() const { return FUnderlineTracked; }
    void SetUnderlineTracked(bool Value);
    TColor TrackColor() const { return FTrackColor; }
    void SetTrackColor(TColor Value);
    bool RowSelect() const { return FRowSelect; }
    void SetRowSelect(bool Value);
    bool NoBlendSelected() const { return FNoBlendSelected; }
    void SetNoBlendSelected(bool Value);
    bool ScrollBackground() const { return FScrollBackground; }
    void SetScrollBackground(bool Value) { FScrollBackground = Value; }
    bool ScrollbarOpposite() const { return FScrollbarOpposite; }
    void SetScrollbarOpposite(bool Value);
    bool ScrollTracking() const { return FScrollTracking; }
    void SetScrollTracking(bool Value) { FScrollTracking = Value; }
    Integer SelectColumn() const { return FSelectColumn; }
    void SetSelectColumn(Integer Value);
    TSTSelModes SelectionMode() const { return FSelectionMode; }
    void SetSelectionMode(TSTSelModes Value) { FSelectionMode = Value; }
    bool ShowButtons() const { return FModel->ShowButtons; }
    void SetShowButtons(bool Value);
    bool ShowLines() const { return FModel->ShowLines; }
    void SetShowLines(bool Value);
    bool ShowRoot() const { return FShowRoot; }
    void SetShowRoot(bool Value);
    bool ShowRootButtons() const { return FShowRootButtons; }
    void SetShowRootButtons(bool Value);
    bool ShowLeafButton() const { return FShowLeafButton; }
    void SetShowLeafButton(bool Value);
    bool ShowCheckboxes() const { return FModel->ShowCheckboxes; }
    void SetShowCheckboxes(bool Value);
    bool ShowColumns() const { return FModel->ShowColumns; }
    virtual void SetShowHeader(bool Value);
    bool ShowEmptyImages() const { return FModel->ShowEmptyImages; }
    void SetShowEmptyImages(bool Value);
    bool ShowEmptyImages2() const { return FModel->ShowEmptyImages2; }
    void SetShowEmptyImages2(bool Value);
    bool ShowImages() const { return FModel->ShowImages; }
    void SetShowImages(bool Value);
    TSortDirs SortDir() const { return FSortDir; }
    void SetSortDir(TSortDirs Value) { FSortDir = Value; }
    TSortTypes SortType() const { return FSortType; }
    void SetSortType(TSortTypes Value) { FSortType = Value; }
    TSortModes SortMode() const { return FModel->SortMode; }
    void SetSortMode(TSortModes Value) { FModel->SortMode = Value; }
    Integer SortSection() const { return FModel->SortSection; }
    void SetSortSection(Integer Value);
    TExIniFile* Storage() const { return FStorage; }
    void SetStorage(TExIniFile* Value);
    const std::string& StoragePath() const { return FStoragePath; }
    void SetStoragePath(const std::string& Value) { FStoragePath = Value; }
    bool StripedItems() const { return FStripedItems; }
    void SetStripedItems(bool Value);
    TColor StripedOddColor() const { return FStripedOddColor; }
    void SetStripedOddColor(TColor Value);
    TColor StripedEvenColor() const { return FStripedEvenColor; }
    void SetStripedEvenColor(TColor Value);
    TColor TextColor() const { return FTextColor; }
    void SetTextColor(TColor Value);
    bool Tracking() const { return FTracking; }
    void SetTracking(bool Value) { FTracking = Value; }
    bool UseCustomScrollBars() const { return FUseCustomScrollBars; }
    void SetUseCustomScrollBars(bool Value);
    bool UseSystemHintColors() const { return FUseSystemHintColors; }
    void SetUseSystemHintColors(bool Value) { FUseSystemHintColors = Value; }
    bool VerticalLines() const { return FVerticalLines; }
    void SetVerticalLines(bool Value);
    bool VerticalLinesLong() const { return FVerticalLinesLong; }
    void SetVerticalLinesLong(bool Value);
    TVirtualityLevel VirtualityLevel() const { return FModel->VirtualityLevel(); }
    void SetVirtualityLevel(TVirtualityLevel Value);

    // ================================================================ events
    TExHTMLImageNeededEvent OnHTMLImageNeeded;
    TExTreeChangingEvent OnChanging;
    TColumnNotifyEvent OnHeaderColumnResize;
    TColumnNotifyEvent OnHeaderColumnClick;
    TNotifyEvent OnItemFocused;
    TOnItemDrawEvent OnItemDraw;
    TOnItemChangeEvent OnItemChange;
    TOnItemExpanding OnItemExpanding;
    TOnItemExpanding OnItemCollapsing;
    TOnItemCheckedEvent OnItemChecked;
    TOnItemExpandEvent OnItemExpand;
    TOnItemExpandEvent OnItemCollapse;
    TOnItemExpandEvent OnItemDeletion;
    TOnCompareItems OnCompareItems;
    TExSectionRedrawEvent OnHeaderColumnDraw;
    THotTrackEvent OnHotTrack;
    TExTreeScrollEvent OnScroll;
    TExColumnMoveEvent OnHeaderColumnMove;
    TItemSaveEvent OnItemSave;
    TItemSaveEvent OnItemLoad;
    TCellStyleSaveEvent OnCellStyleSave;
    TCellStyleSaveEvent OnCellStyleLoad;
    TItemSelChangeEvent OnItemSelectedChange;
    TOnShowHintEvent OnShowLineHint;
    TExHeaderLookupEvent OnHeaderLookup;
    TExHeaderLookupDoneEvent OnHeaderLookupDone;
    THeaderSectionEvent OnHeaderSectionExpand;
    THeaderSectionEvent OnHeaderSectionCollapse;
    TMeasureItemPartEvent OnMeasureItemPart;
    TApplyVisFilterEvent OnApplyVisFilter;
    TExTreeItemPostDrawEvent OnItemPostDraw;
    TOnItemDrawEvent OnItemPreDraw;  // stored only
    TTreeTargetDragEvent OnOleTargetDrag;
    TTreeTargetDropEvent OnOleTargetDrop;
    TOleDragStartEvent OnOleDragStart;
    TOleDragFinishEvent OnOleDragFinish;
    TExTreeItemDragTargetEvent OnDragTargetChange;
    TNotifyEvent OnSortBegin;
    TNotifyEvent OnSortEnd;
    TNotifyEvent OnAfterSelectionChange;
    TVirtualTextNeededEvent OnVirtualTextNeeded;
    TVirtualHintNeededEvent OnVirtualHintNeeded;
    TVirtualValueNeededEvent OnVirtualValueNeeded;
    TVirtualStyleNeededEvent OnVirtualStyleNeeded;
    TTryEditEvent OnTryEdit;
    TInplaceEditorNeededEvent OnInplaceEditorNeeded;
    TExScrollHitTestEvent OnVertScrollHitTest;
    TExScrollHitTestEvent OnHorzScrollHitTest;
    TOnPicDrawEvent OnItemPicDraw;
    TOnPicDrawEvent OnItemPicDraw2;
    // Raised with the tree as Sender by the child-window wiring.
    TExScrollDrawPartEvent OnHorzScrollDrawPart;
    TExScrollDrawPartEvent OnVertScrollDrawPart;
    TExScrollHintNeededEvent OnHorzScrollHintNeeded;
    TExScrollHintNeededEvent OnVertScrollHintNeeded;
    TNotifyEvent OnHeaderResize;
    TColumnNotifyEvent OnHeaderSectionAutoSize;
    TColumnNotifyEvent OnHeaderSectionFilterCall;
    TMeasureSectionEvent OnHeaderSectionMeasure;
    TMouseEvent OnHeaderMouseDown;

    // ================================================================ events: raising operations
    virtual void TriggerImageNeededEvent(TObject* Sender, const std::string& Src, TBitmap*& Image);
    void DoChanging(TExTreeItem* Item, bool& AllowChange) override;
    virtual void DoOnColumnResize(Integer SectionIndex);
    virtual void DoColumnClick(Integer SectionIndex);
    void DoItemFocused() override;
    virtual void DoItemDraw(TExTreeItem* Item, TCanvas* Canvas, TRect R, Integer SectionIndex);
    void DoItemChange(TExTreeItem* Item, TItemChangeMode ItemChangeMode) override;
    void DoItemExpanding(TExTreeItem* Item, bool& CanProcess) override;
    void DoItemCollapsing(TExTreeItem* Item, bool& CanProcess) override;
    virtual void DoItemChecked(TExTreeItem* Item);
    void DoItemExpand(TExTreeItem* Item) override;
    void DoItemCollapse(TExTreeItem* Item) override;
    void DoItemDelete(TExTreeItem* Item) override;
    virtual void DoCompareItems(TExTreeItem* Item1, TExTreeItem* Item2, Integer& Res);
    virtual void DoHeaderDraw(TObject* Header, TCanvas* Canvas, TExHeaderSection* Section, const TRect& R,
                              bool Pressed);
    virtual void TriggerHotTrackEvent(TExTreeItem* OldItem, TExTreeItem* NewItem);
    virtual void TriggerScrollEvent(TScrollBarKind ScrollBarKind, Integer ScrollCode);
    virtual void TriggerHeaderColumnMoveEvent(TExHeaderSection* Section, Integer OldPos, Integer NewPos);
    virtual void TriggerItemSaveEvent(TStream* Stream, TExTreeItem* Item);
    virtual void TriggerItemLoadEvent(TStream* Stream, TExTreeItem* Item);
    void TriggerItemSelectedChangeEvent(TExTreeItem* Item) override;
    virtual void DoShowHint(TExTreeItem* Item, TExHeaderSection* Section, std::string& Text, THintWindow* HintWindow,
                            TPoint MousePos, bool& Show);
    virtual void TriggerHeaderLookupEvent(TExHeaderSection* Section, std::string& Text);
    virtual void TriggerHeaderLookupDoneEvent(TExHeaderSection* Section, const std::string& Text, bool Accepted);
    virtual void TriggerHeaderSectionExpandEvent(TExHeaderSection* Section);
    virtual void TriggerHeaderSectionCollapseEvent(TExHeaderSection* Section);
    virtual void TriggerMeasureItemPartEvent(TExTreeItem* Item, Integer PartIndex, TPoint& Size);
    virtual void TriggerApplyVisFilterEvent(TExTreeItem* Item, bool& Hidden);
    virtual void TriggerItemPostDrawEvent(TCanvas* Canvas, TExTreeItem* Item, TRect ItemRect, bool& DrawFocusRect);
    virtual void TriggerOleTargetDragEvent(TDragState State, TOleDragObject* Source, TShiftState Shift, Integer X,
                                           Integer Y, TDragType& DragType);
    virtual void TriggerOleTargetDropEvent(TOleDragObject* Source, TShiftState Shift, Integer X, Integer Y,
                                           TDragType& DragType);
    virtual void TriggerOleDragStartEvent(IDataObject*& DataObj, IDropSource*& DropSource, TDragTypes& OKEffects);
    virtual void TriggerOleDragFinishEvent(TDragType Effect, HRESULT Result);
    virtual void TriggerSortBegin();
    virtual void TriggerSortEnd();
    virtual void DoAfterSelectionChange();
    virtual void TriggerVirtualTextNeeded(TExTreeItem* Item, Integer SectionIndex, std::string& Text);
    virtual void TriggerVirtualHintNeeded(TExTreeItem* Item, std::string& Hint);
    virtual void TriggerVirtualValueNeeded(TExTreeItem* Item, Integer SectionIndex, Integer VarType, TExVariant& Value);
    virtual void TriggerVirtualStyleNeeded(TExTreeItem* Item, Integer SectionIndex, TExCellStyle* Style);
    virtual void TriggerTryEditEvent(TExTreeItem* Item, Integer SectionIndex, TExFieldType& CellType, bool& CanEdit);
    virtual void TriggerInplaceEditorNeeded(TExTreeItem* Item, Integer SectionIndex, TExFieldType SupposedFieldType,
                                            TExTreeInplaceEditor*& Editor);
    virtual void VertScrollHitTestTransfer(TObject* Sender, Integer X, Integer Y, TExScrollBarPart& Part,
                                           bool& DefaultTest);
    virtual void HorzScrollHitTestTransfer(TObject* Sender, Integer X, Integer Y, TExScrollBarPart& Part,
                                           bool& DefaultTest);
    virtual Integer DoGetPicture(TExTreeItem* Item);
    virtual Integer DoGetPicture2(TExTreeItem* Item);

    BEGIN_MESSAGE_MAP
        MESSAGE_HANDLER(WM_SIZE, WMSize)
        MESSAGE_HANDLER(WM_SETFOCUS, WMSetFocus)
        MESSAGE_HANDLER(WM_KILLFOCUS, WMKillFocus)
        MESSAGE_HANDLER(WM_ENABLE, WMEnable)
        MESSAGE_HANDLER(WM_ERASEBKGND, WMEraseBkgnd)
        MESSAGE_HANDLER(WM_NCCALCSIZE, WMNCCalcSize)
        MESSAGE_HANDLER(WM_NCHITTEST, WMNCHitTest)
        MESSAGE_HANDLER(WM_NCPAINT, WMNCPaint)
        MESSAGE_HANDLER(WM_MOUSEMOVE, WMMouseMove)
        MESSAGE_HANDLER(WM_VSCROLL, WMVScroll)
        MESSAGE_HANDLER(WM_HSCROLL, WMHScroll)
        MESSAGE_HANDLER(WM_WINDOWPOSCHANGED, WMWindowPosChanged)
        MESSAGE_HANDLER(WM_THEMECHANGED, WMThemeChanged)
        MESSAGE_HANDLER(CM_CTL3DCHANGED, CMCtl3DChanged)
        MESSAGE_HANDLER(CM_FONTCHANGED, CMFontChanged)
        MESSAGE_HANDLER(CM_COLORCHANGED, CMColorChanged)
        MESSAGE_HANDLER(CM_ENABLEDCHANGED, CMEnabledChanged)
        MESSAGE_HANDLER(CM_MOUSEENTER, CMMouseEnter)
        MESSAGE_HANDLER(CM_MOUSELEAVE, CMMouseLeave)
        MESSAGE_HANDLER(IFM_REPAINTCHILDREN, IFMRepaintChildren)
        MESSAGE_HANDLER(IFM_CANPAINTBKGND, IFMCanPaintBkgnd)
    END_MESSAGE_MAP(TExXPThemedControl)

protected:
    // ================================================================ core: construction
    // A descendant that makes its own parts (CreateView, CreateHeader, CreateItems...) constructs
    // with this and calls Construct at the end of its own constructor: virtual calls reach the
    // descendant's overrides only once its constructor runs.
    struct TDeferParts {};
    TCustomExTree(TComponent* AOwner, TDeferParts);
    void Construct();
    virtual TExTreeItems* CreateItems();
    virtual TExTreeItems* CreateItemsExt(TExTreeItemClass ItemClass);
    virtual TCustomExHeader* CreateHeader();
    virtual TExTreeView* CreateView();
    std::u16string GetThemedClassName() override { return u"TREEVIEW"; }
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void CreateParams(TCreateParams& Params) override;
    void CreateWindowHandle(const TCreateParams& Params) override;
    void CreateWnd() override;
    void AlignControls(TControl* AControl, TRect& Rect) override;
    void Resize() override;
    void Paint() override;
    void DoEndDrag(TObject* Target, int X, int Y) override;

    // ================================================================ the model's host
    void UpdateBracket(bool Opening) override;
    void UpdateRefresh(TExTreeRefresh& Work) override;
    void RedrawItem(TExTreeItem* Item, TExRedrawArea Area, Integer Left, Integer Right) override;
    TPoint MeasureCell(TExTreeItem* Item, Integer SectionIndex) override;
    bool RowWidthChanged(TExTreeItem* Item, bool Branch) override;
    Integer SectionCount() override;
    TExHTMLData* RenderHTML(const std::string& Text) override;
    void FreeHTML(TExHTMLData* Data) override;
    std::string TriggerVirtualTextNeeded(TExTreeItem* Item, Integer SectionIndex) override;
    std::string TriggerVirtualHintNeeded(TExTreeItem* Item) override;
    void ForgetItem(TExTreeItem* Item) override;
    void RemoveRow(TExTreeItem* Item) override;
    void ForgetHiddenItems() override;
    void FocusedItemShown(TExTreeItem* Item) override;
    TExTreeItem* DropTarget() override { return GetDropTarget(); }
    TRect ItemRowRect(TExTreeItem* Item) override;

    // ================================================================ core: bars
    // One round of each bar's update; true when its visibility changed.
    bool UpdateHorzScrollBar();
    bool UpdateVertScrollBar();
    void SBChanged(TObject* Sender);
    void ScrollBarMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);

    // ================================================================ child-window wiring
    virtual void ClickTransfer(TObject* Sender);
    virtual void DblClickTransfer(TObject* Sender);
    virtual void DropTransfer(TObject* Sender, TObject* Source, int X, int Y);
    virtual void OverTransfer(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept);
    virtual void DragTransfer(TObject* Sender, TObject* Target, int X, int Y);
    virtual void EnterTransfer(TObject* Sender);
    virtual void ExitTransfer(TObject* Sender);
    virtual void KeyDownTransfer(TObject* Sender, Word& Key, TShiftState Shift);
    virtual void KeyPressTransfer(TObject* Sender, char& Key);
    virtual void KeyUpTransfer(TObject* Sender, Word& Key, TShiftState Shift);
    virtual void MouseDownTransfer(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMoveTransfer(TObject* Sender, TShiftState Shift, int X, int Y);
    virtual void MouseUpTransfer(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void StartDragTransfer(TObject* Sender, TDragObject*& DragObject);
    virtual void MeasureSectionTransfer(TCustomExHeader* Sender, TExHeaderSection* Section, TPoint& Size);
    void HorzScrollDrawPartTransfer(TObject* Sender, TCanvas* Canvas, const TRect& R, TExScrollBarPart Part,
                                    bool Enabled, bool Focused, bool Pressed, bool& DefaultDraw);
    void VertScrollDrawPartTransfer(TObject* Sender, TCanvas* Canvas, const TRect& R, TExScrollBarPart Part,
                                    bool Enabled, bool Focused, bool Pressed, bool& DefaultDraw);
    void HorzScrollHintNeededTransfer(TObject* Sender, Integer TrackPosition, std::string& Hint);
    void VertScrollHintNeededHandler(TObject* Sender, Integer TrackPosition, std::string& Hint);
    void OnHeaderSectionResize(TObject* Header, TExHeaderSection* Section);
    void OnHeaderSectionVisChange(TObject* Header, TExHeaderSection* Section);
    virtual void OnHeaderSectionChange(TObject* Header, TExHeaderSection* Section, TSectionChangeMode Change);
    virtual void OnHeaderSectionCreate(TObject* Header, TExHeaderSection* Section);
    virtual void OnHeaderSectionMove(TObject* Header, TExHeaderSection* Section, Integer OldPos, Integer NewPos);
    void OnHeaderSectionDelete(TObject* Header, TExHeaderSection* Section);
    void OnHeaderSectionClick(TObject* Header, TExHeaderSection* Section);
    void OnHeaderExpand(TObject* Header, TExHeaderSection* Section);
    void OnHeaderCollapse(TObject* Header, TExHeaderSection* Section);
    void OnHeaderSectionLookup(TObject* Header, TExHeaderSection* Section, std::string& Text);
    void OnHeaderSectionLookupDone(TObject* Header, TExHeaderSection* Section, const std::string& Text, bool Accepted);
    void DoHeaderMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void HeaderResizeHandler(TObject* Sender);
    void DoHeaderResize();
    void HeaderSectionAutoSizeHandler(TObject* Header, TExHeaderSection* Section);
    void SectionAutoSizeTransfer(TObject* Sender, TExHeaderSection* Section);
    void SectionFilterCallTransfer(TObject* Sender, TExHeaderSection* Section);

    // ================================================================ change handlers of owned objects
    void OnDelayTimer(TObject* Sender);
    void ImageListChange(TObject* Sender);
    void ImageFormChange(TObject* Sender);
    void OnSignChange(TObject* Sender);
    void BackgroundChange(TObject* Sender);
    void HeaderFontChanged(TObject* Sender);
    void OnFontChanged(TObject* Sender);
    void OnFontChange(TObject* Sender);
    // Images or Images2 changed (First: Images).
    void ImagesChanged(bool First);

    // ================================================================ window messages
    void WMSize(TMessage& Message);
    void WMSetFocus(TMessage& Message);
    void WMKillFocus(TMessage& Message);
    void WMEnable(TMessage& Message);
    void WMEraseBkgnd(TMessage& Message);
    void WMNCCalcSize(TMessage& Message);
    void WMNCHitTest(TMessage& Message);
    void WMNCPaint(TMessage& Message);
    void WMMouseMove(TMessage& Message);
    void WMVScroll(TMessage& Message);
    void WMHScroll(TMessage& Message);
    void WMWindowPosChanged(TMessage& Message);
    void WMThemeChanged(TMessage& Message);
    void CMCtl3DChanged(TMessage& Message);
    void CMFontChanged(TMessage& Message);
    void CMColorChanged(TMessage& Message);
    void CMEnabledChanged(TMessage& Message);
    void CMMouseEnter(TMessage& Message);
    void CMMouseLeave(TMessage& Message);
    void IFMRepaintChildren(TMessage& Message);
    void IFMCanPaintBkgnd(TMessage& Message);

    bool IsLoading() const { return HasState(csLoading) || HasState(csReading); }
    bool IsDestroying() const { return HasState(csDestroying); }
    bool IsDesigning() const { return HasState(csDesigning); }

    // ================================================================ fields: owned parts
    std::unique_ptr<TExTreeModel> FModel;
    TExTreeItemClass FItemClass = nullptr;
    TExTreeView* FView = nullptr;
    TCustomExHeader* FHeader = nullptr;
    TCustomExScrollBar* FHScrollBar = nullptr;
    TCustomExScrollBar* FVScrollBar = nullptr;
    std::unique_ptr<TExScrollBarStyles> FHorzScrollBarStyles;
    std::unique_ptr<TExScrollBarStyles> FVertScrollBarStyles;
    TExTreeInplaceManager* FInplaceManager = nullptr;
    std::unique_ptr<TExList> FSortSections;
    TTimer* FDelayTimer = nullptr;
    std::unique_ptr<TChangeLink> FImageChangeLink;
    std::unique_ptr<TImgFormChangeLink> FImageFormLink;
    std::unique_ptr<TBitmap> FPlusPicture;
    std::unique_ptr<TBitmap> FMinusPicture;
    std::unique_ptr<TBitmap> FLeafPicture;
    std::unique_ptr<TBitmap> FCheckBoxGlyph;
    std::unique_ptr<TBitmap> FRadioButtonGlyph;
    std::unique_ptr<TBitmap> FBackground;
    std::unique_ptr<TFont> FHeaderFont;
    // Scratch bitmap for the row painter's cells.
    std::unique_ptr<TBitmap> FSpareBitmap;
    TExDropTarget* FDropTarget = nullptr;
    // The drag object of the drag over the view (set by each drag message).
    TDragObject* FDragObject = nullptr;

    // ================================================================ fields: core state
    bool FInScrollBarUpdate = false;
    bool FAligning = false;
    bool FHorzBarVisible = false;
    bool FVertBarVisible = false;
    Integer FTopIndex = 0;
    Integer FBottomIndex = 0;
    Integer FLeftPosition = 0;
    Integer FHeaderHeightCache = 0;
    Integer FPendingHeaderHeight = 0;
    bool FAutoSizingAll = false;
    // An auto-size asked for at a close that could not do it (no refresh, columns hidden, virtual).
    bool FColumnsAutoSizeOwed = false;
    // The widest cell of each section among the rows, kept from one measure of a column to the
    // next: a change measures only the rows it touched, and a column is walked again only when
    // its widest row shrank or went, or what every cell is measured with changed.
    struct TColumnWidest {
        bool Known = false;
        Integer Width = 0;
        TGuardPtr<TExTreeItem> Item;  // a row of that width; nil while there is none
    };
    std::vector<TColumnWidest> FColumnWidest;
    // The tree's settings and sections the kept widths were measured with (CellMeasureKey).
    std::vector<std::intptr_t> FCellMeasureKey;
    // Measures the kept widths may still take in this bracket before walking costs less.
    Integer FColumnsBudget = 0;
    // Changes of cells told so far: a walk that heard of one keeps nothing.
    Integer FCellChanges = 0;
    // A cell sized by its section (a hosted control) was measured: its column is not kept.
    bool FSectionSizedCell = false;
    std::vector<std::intptr_t> CellMeasureKey();
    // Whether SectionIndex's widest cell may be kept now (the kept widths forgotten when the key
    // changed).
    bool KeepsColumn(Integer SectionIndex);
    // The cells of Item (with Branch, of the rows of its branch) may measure anew, or its rows
    // came, went or moved.
    void ColumnCellsChanged(TExTreeItem* Item, bool Branch);
    bool FMouseInside = false;
    TExTreeItem* FDelayedFocusItem = nullptr;
    TRect FCornerRect{};
    std::string FTreeHint;
    // A bracket asked for while the outermost close runs: the close goes round once more.
    bool FRefreshAgain = false;

    // ================================================================ fields: published properties
    TExFlatBorderType FActiveBorderType = fbtSunken;
    TExFlatBorderType FInactiveBorderType = fbtSunkenOuter;
    bool FAlwaysKeepFocus = false;
    bool FAlwaysKeepSelection = true;
    bool FAutoLineHeight = true;
    bool FAutoLookup = false;
    bool FAutoResizeColumns = true;
    TExBkGndType FBackgroundType = bgtColorFill;
    bool FBarStyle = false;
    bool FBarStyleVerticalLines = false;
    TColor FBkColor = clWindow;
    TExBorderSides FBorderSides = AllBorderSides;
    TBorderStyle FBorderStyle = bsSingle;
    bool FChangeStateImage = false;
    Integer FCheckBoxSize = 15;
    bool FCustomCheckboxes = false;
    bool FCustomPlusMinus = false;
    bool FDoInplaceEdit = true;
    bool FDragAllowed = false;
    Integer FDragExpandDelay = 500;
    TDragImgMode FDragImageMode = dimNever;
    TColor FDragRectAcceptColor = clGreen;
    TColor FDragRectDenyColor = clRed;
    Integer FDragScrollInterval = 100;
    TDragTargetDraw FDragTrgDrawMode = SelColorRect;
    TExDragType FDragType = dtKolvar;
    bool FDrawFocusRect = true;
    bool FExpandOnDblClick = true;
    bool FExpandOnDragOver = false;
    bool FExplorerEditMode = false;
    bool FFlat = false;
    bool FFlatFocusedScrollbars = true;
    TColor FFocusedSelectColor = clHighlight;
    TColor FFocusedSelectTextColor = clHighlightText;
    TColor FHideSelectColor = clBtnFace;
    TColor FHideSelectTextColor = clBtnShadow;
    TScrollStyle FForcedScrollBars = ssNone;
    bool FFullRowSelect = true;
    TColor FGradientStartColor = clBlack;
    TColor FGradientEndColor = clBlack;
    Integer FGradientSteps = 64;
    bool FHeaderUseTreeFont = true;
    bool FHideFocusRect = false;
    bool FHideSelection = false;
    bool FHideHintOnMove = true;
    bool FHideHintOnTimer = false;
    bool FHideHorzScrollBar = false;
    bool FHideVertScrollBar = false;
    TExHintType FHintType = shtHintOrText;
    bool FHorizontalLines = false;
    TColor FHorzDivLinesColor = clBtnFace;
    TColor FVertDivLinesColor = clBtnFace;
    bool FIgnoreEnabled = false;
    TCustomExImageForm* FImageForm = nullptr;
    TCustomImageList* FImages = nullptr;
    TCustomImageList* FImages2 = nullptr;
    bool FIncrementalSearch = false;
    Integer FInplaceEditorDelay = 500;
    Integer FItemIndent = 17;
    TColor FLineHintColor = clWindow;
    THintModes FLineHintMode = shmLong;
    Integer FLineHintTimeout = 3000;
    TLineHintType FLineHintType = lhtSmart;
    TColor FLinesColor = clBtnFace;
    TPenStyle FLinesStyle = psDot;
    TExFieldType FMainTextType = sftText;
    bool FMouseFrameSelect = true;
    bool FOwnerDrawByColumn = true;
    std::string FOwnerDrawMask = "~~@~~";
    char FPathSeparator = '\\';
    bool FPlusMinusTransparent = false;
    bool FQuickEditMode = false;
    bool FRightAlignedText = false;
    bool FRightAlignedTree = false;
    bool FRightClickSelect = true;
    bool FRowHotTrack = false;
    bool FUnderlineTracked = true;
    TColor FTrackColor = clHighlight;
    bool FRowSelect = true;
    bool FNoBlendSelected = false;
    bool FScrollBackground = false;
    bool FScrollbarOpposite = false;
    bool FScrollTracking = false;
    Integer FSelectColumn = -1;
    TSTSelModes FSelectionMode = smUsual;
    bool FShowRoot = false;
    bool FShowRootButtons = true;
    bool FShowLeafButton = false;
    TSortDirs FSortDir = sdAscend;
    TSortTypes FSortType = stText;
    TExIniFile* FStorage = nullptr;
    std::string FStoragePath = "Tree";
    bool FStripedItems = false;
    TColor FStripedOddColor = clBtnShadow;
    TColor FStripedEvenColor = clBtnHighlight;
    TColor FTextColor = clWindowText;
    bool FTracking = true;
    bool FUseCustomScrollBars = true;
    bool FUseSystemHintColors = false;
    bool FVerticalLines = false;
    bool FVerticalLinesLong = true;

private:
    friend class TExTreeView;
};

// The tree as forms place it.
class TExTree : public TCustomExTree {
public:
    using TCustomExTree::TCustomExTree;
};
