// TExTreeView: the tree's inner client window. It holds the window of rows cut from the tree's
// visible items (the visible-row list from TopIndex down), the focus and anchor the model keeps for
// it, the horizontal content width, the four refresh flags' consumers, and the input and painting
// state of the rows. Grouped by concern; each group lives in its unit (Extreeview.cpp: rows,
// scrolling and the window; Extreepaint.cpp: row painting; Extreeglyphs.cpp: lines, buttons,
// check boxes, images; Extreehint.cpp: line hints; Extreehit.cpp: hit testing; Extreebkgnd.cpp:
// background and paint cycle; Extreemouse.cpp; Extreekeys.cpp; Extreeedit.cpp; Extreedrag.cpp).
#pragma once

#include <memory>
#include <string>

#include "ctlbase/Exlist.h"
#include "tree/Extreectl.h"

class TBitmap;
class TExCellControl;
class TExCellStyle;
class TExHintWindow;
class TExHTMLRender;
class TExTreeInplaceEditor;
class TImageList;
class TSearchTextTimeoutThread;
class TTimer;

class TExTreeView : public TCustomControl {
public:
    // Owner must be a TCustomExTree (EConvertError otherwise).
    explicit TExTreeView(TComponent* AOwner);
    ~TExTreeView() override;

    TCustomExTree* Tree() const { return FTree; }
    TExTreeModel* Model() const { return FTree->Model(); }

    // ================================================================ rows and scrolling
    // The items of the rows on screen, top row first.
    TExList* VisibleRows() { return &FVisibleRows; }
    Integer RowCount() const { return FVisibleRows.Count(); }
    TExTreeItem* Row(Integer Index) { return static_cast<TExTreeItem*>(FVisibleRows.Get(Index)); }
    void FillVisFwd(Integer StartIndex);
    void DoSetTopIndex(Integer Value);
    void SetVPosition(Integer Value);
    void SetHPosition(Integer Value);
    Integer CalcPageUpPos(Integer Index);
    Integer CalcPageDownPos(Integer Index);
    void DefineHRange();
    Integer GetVisiblesHeight();
    virtual Integer GetVisCount();
    virtual Integer GetVisCount2();
    // The highest top row for the current rows and view height.
    Integer MaxTopIndex();
    Integer HRange() const { return FHRange; }
    void SetHRange(Integer Value) { FHRange = Value; }
    void OnVScroll(TObject* Sender, TExScrollCode ScrollCode, Integer& ScrollPos, bool& DoChange);
    void OnHScroll(TObject* Sender, TExScrollCode ScrollCode, Integer& ScrollPos, bool& DoChange);
    // The visible item of a row index, stepping from the nearest position the view knows.
    TExTreeItem* VisItem(Integer Index);
    // Forgets the positions the view steps from (the rows above them changed).
    void ForgetPositions();

    // ================================================================ focus and anchor (kept by the model)
    TExTreeItem* FocusedItem() const { return Model()->Focused(); }
    TExTreeItem* SelectedItem() const { return Model()->Selected(); }
    // Selects Item in a single-select tree, toggles it in a multi-select one.
    void DoSetSelected(TExTreeItem* Item) { Model()->DoSetSelected(Item); }

    // ================================================================ window and paint cycle
    void UpdateView();
    void DoPaintBkgnd(HDC DC, const TRect& ClipRect);
    void RedoTmpBmp();
    void FillDragImage();
    bool Painting() const { return FPainting; }
    TExHTMLRender* HTMLRender() const { return FHTMLRender.get(); }
    TExCellStyle* VirtualStyle() const { return FVirtualStyle.get(); }
    void SetVirtualStyle(std::unique_ptr<TExCellStyle> Value);
    TBitmap* BackgroundBitmap() const { return FTmpBmp.get(); }

    // ================================================================ row painting and glyphs
    void RedrawTree(TCanvas* Canvas, Integer RealLeftPos, TExList* ItemsList);
    void DoRedrawItem(TCanvas* Canvas, TExTreeItem* Item, const TRect& ItemRect, const TRect& SurfRect);
    void DoRedrawItemTree(TCanvas* Canvas, TExTreeItem* Item, const TRect& ItemRect, const TRect& SurfRect);
    void DrawItemLines(TCanvas* Canvas, TExTreeItem* Item, TRect& R, TRect& T);
    void DrawButtons(TCanvas* Canvas, TExTreeItem* Item, bool HasButton, TBitmap* Bitmap, TRect& R, TRect& T);
    void DrawCheckBoxes(TCanvas* Canvas, TExTreeItem* Item, TBitmap* Bitmap, TRect& R, TRect& T);
    void DrawImages(TCanvas* Canvas, TExTreeItem* Item, TBitmap* Bitmap, TRect& R, TRect& T);
    // Invalidates part of an item's row (nothing when it is not on screen).
    void InvalidateItem(TExTreeItem* Item, TExRedrawArea Area, Integer Left, Integer Right);
    // The item is going: nothing of the view may point at it afterwards.
    void ForgetItem(TExTreeItem* Item);
    // The item leaves the rows on screen (they are filled again at the end of the bracket).
    void RemoveRow(TExTreeItem* Item);
    // A filter hid items: the hot-tracked and drop-target items go when hidden.
    void ForgetHiddenItems();

    // ================================================================ hit testing (client coordinates)
    virtual TRect GetItemRect(Integer ItemIndex);
    virtual TExTreeItem* GetItemAtY(Integer Y);
    virtual TExTreeItem* GetItemAt(Integer X, Integer Y, TSTItemPart& ItemPart, Integer& HitColumn);

    // ================================================================ line hints
    void OnHintTimer(TObject* Sender);
    void TryStartHint(Integer X, Integer Y);
    void GetHintText(TExTreeItem* Item, TExHeaderSection*& Section, std::string& Text);
    void DoShowLineHint(TExTreeItem* Item, TExHeaderSection* Section);
    void DoHideLineHint();

    // ================================================================ mouse
    void FitMostChildren(TExTreeItem* Item);
    void CancelMouseSel();
    void SelectMouseSelectItems();
    void ProcessPassedClick();
    TExTreeItem* TrackedItem() const { return FTrackedItem; }
    TExTreeItem* DropTargetItem() const { return FDropTargetItem; }
    bool IsDragging() const { return FDragStarted; }

    // ================================================================ keys and incremental search
    virtual TExTreeItem* FindNewFocused(Word Key, Integer* PVisIndex, bool& Sel);
    bool ProcessSearch(char Key);
    void StartClearSearchTimeoutThread();
    void StopClearSearchTimeoutThread();
    void SearchTextTimeout(TObject* Sender);
    const std::string& SearchText() const { return FSearchText; }

    // ================================================================ in-place editing
    virtual void DoEditItem(TExTreeItem* Item, Integer SectionNum);
    virtual void DoEndEdit(bool ByCancel);
    virtual void EditOperationCancelled();
    virtual void EditOperationAccepted();
    void OnEditTimer(TObject* Sender);
    TExTreeInplaceEditor* ActiveEditor() const { return FActiveEditor; }
    TExTreeItem* ItemInEdit() const { return FItemInEdit; }

    // ================================================================ drag and drop
    virtual void DoDragOver(TDragObject* Source, Integer X, Integer Y, bool CanDrop);
    virtual bool DragScroll(TDragObject* Source, Integer X, Integer Y);
    void OnScrollTimer(TObject* Sender);
    void OnDragExpandTimer(TObject* Sender);
    void OnDropTargetDrag(TObject* Sender, TDragState State, TOleDragObject* Source, TShiftState Shift, int X, int Y,
                          TDragType& DragType);
    void OnDropTargetDrop(TObject* Sender, TOleDragObject* Source, TShiftState Shift, int X, int Y,
                          TDragType& DragType);

    BEGIN_MESSAGE_MAP
        MESSAGE_HANDLER(WM_SIZE, WMSize)
        MESSAGE_HANDLER(WM_ERASEBKGND, WMEraseBkgnd)
    END_MESSAGE_MAP(TCustomControl)

protected:
    void WMSize(TMessage& Message);
    void WMEraseBkgnd(TMessage& Message);

    // ================================================================ fields: rows and scrolling
    TCustomExTree* FTree;
    TExList FVisibleRows;
    Integer FHRange = -1;
    bool FEditScrollToggle = false;
    // A position the view steps from: the visible item at row FAnchorRow.
    TExTreeItem* FAnchorItem = nullptr;
    Integer FAnchorRow = -1;
    Integer FAnchorVersion = -1;

    // ================================================================ fields: window and painting
    bool FPainting = false;
    std::unique_ptr<TBitmap> FTmpBmp;
    std::unique_ptr<TExHTMLRender> FHTMLRender;
    std::unique_ptr<TExCellStyle> FVirtualStyle;
    TImageList* FDragImages = nullptr;
    Integer FDragImageTop = 0;
    // The row being painted: a row-wide background applies, and it is the item's own.
    bool FRowBkSet = false;
    bool FRowBkFromItem = false;
    TColor FCurRowBkColor = clWindow;
    TColor FCurRowTextColor = clWindowText;

    // ================================================================ fields: line hints
    TTimer* FHintTimer = nullptr;
    TPoint FHintPoint{};
    TExTreeItem* FLineHintItem = nullptr;
    TExHintWindow* FLineHintWindow = nullptr;

    // ================================================================ fields: mouse
    TPoint FPressPoint{};
    bool FLeftPressed = false;
    bool FFrameSelecting = false;
    bool FDragStarted = false;
    bool FClickPending = false;
    TExTreeItem* FPassedItem = nullptr;
    TShiftState FPassedShift = 0;
    bool FPassedWasSelected = false;
    TExTreeItem* FTrackedItem = nullptr;
    bool FSecondClick = false;
    TExTreeItem* FLastClickedItem = nullptr;
    Integer FLastClickedColumn = 0;
    TExCellControl* FMouseDownControl = nullptr;
    TExTreeItem* FFrameStartItem = nullptr;
    Integer FFrameStartX = 0;
    Integer FFrameStartOffset = 0;
    TExTreeItem* FFrameEndItem = nullptr;
    Integer FFrameEndX = 0;
    Integer FFrameEndOffset = 0;
    std::unique_ptr<TExList> FFrameItems;
    TExTreeItem* FItemHintItem = nullptr;
    bool FDragOver = false;

    // ================================================================ fields: keys and search
    std::string FSearchText;
    TSearchTextTimeoutThread* FSearchThread = nullptr;

    // ================================================================ fields: in-place editing
    TTimer* FEditTimer = nullptr;
    TExTreeItem* FEditItem = nullptr;
    Integer FEditColumn = -1;
    TExTreeInplaceEditor* FActiveEditor = nullptr;
    TExTreeItem* FItemInEdit = nullptr;

    // ================================================================ fields: drag and drop
    TExTreeItem* FDropTargetItem = nullptr;
    bool FDropAccepted = false;
    TTimer* FScrollTimer = nullptr;
    TTimer* FDragExpandTimer = nullptr;

    friend class TCustomExTree;
};
