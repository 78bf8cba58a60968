// TExTreeView: the tree's inner client window. It holds the window of rows cut from the tree's
// visible items (the visible-row list from TopIndex down), the focus and anchor the model keeps for
// it, the horizontal content width, the four refresh flags' consumers, and the input and painting
// state of the rows. Grouped by concern; each group lives in its unit (Extreeview.cpp: rows,
// scrolling and the window; Extreepaint.cpp: row painting; Extreeglyphs.cpp: lines, buttons,
// check boxes, images; Extreehint.cpp: line hints; Extreehit.cpp: hit testing; Extreebkgnd.cpp:
// background and paint cycle; Extreemouse.cpp; Extreekeys.cpp; Extreeedit.cpp; Extreedrag.cpp).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ctlbase/Exlist.h"
#include "platform/Guard.h"
#include "tree/Extreekeys.h"
#include "tree/Extreectl.h"

class TBitmap;
class TExCellControl;
class TExCellStyle;
class TExHintWindow;
class TExHTMLData;
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
    // The top row a page up or down from Top leads to: at least one row away, also when a row
    // taller than the view fills the page alone.
    Integer PageUpPos(Integer Top);
    Integer PageDownPos(Integer Top);
    // Measures every row again; the widest is HRange.
    void DefineHRange();
    // One item's row width changed, or (Branch) the rows of its branch came, went or moved: the
    // widths kept for the rows follow at the cost of what changed. False: the view keeps none.
    bool RowWidthChanged(TExTreeItem* Item, bool Branch);
    // The outermost update bracket opens: the work the rows' widths may take in it starts afresh.
    void BracketOpened();
    Integer GetVisiblesHeight();
    virtual Integer GetVisCount();
    virtual Integer GetVisCount2();
    // The highest top row for the current rows and view height.
    Integer MaxTopIndex();
    Integer HRange() const { return FHRange; }
    // With columns: the columns' width.
    void SetHRange(Integer Value) { FHRange = Value; }
    void OnVScroll(TObject* Sender, TExScrollCode ScrollCode, Integer& ScrollPos, bool& DoChange);
    void OnHScroll(TObject* Sender, TExScrollCode ScrollCode, Integer& ScrollPos, bool& DoChange);
    // The visible item of a row index, stepping from the nearest position the view knows (the
    // first row, the last row, or one of the rows it found lately).
    TExTreeItem* VisItem(Integer Index);
    // The row index of a visible item (-1 for nil or an item that is not a row), stepping from the
    // nearest position the view knows.
    Integer VisIndexOf(TExTreeItem* Item);
    // Forgets the positions the view steps from (the rows above them changed).
    void ForgetPositions();
    // Rows a wheel turn of WheelDelta scrolls (positive: toward the top).
    Integer WheelRows(Integer WheelDelta);

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
    TCustomImageList* GetDragImages() override;
    void WndProc(TMessage& Message) override;
    void SetFocus() override;
    bool Painting() const { return FPainting; }
    TExHTMLRender* HTMLRender() const { return FHTMLRender.get(); }
    // Marked-up text laid out now by the view's renderer with Font as its default font and Color
    // as its default colour (a virtual tree keeps no layout of the texts its event gives).
    using THTMLLayout = std::unique_ptr<TExHTMLData, std::function<void(TExHTMLData*)>>;
    THTMLLayout LayOutHTML(const std::string& Text, const TFont* Font, TColor Color);
    // The pictures of a marked-up text by source, asked for before it is drawn (the answers of
    // the handler, each guarded: a later answer may free an earlier picture).
    using TPictures = std::vector<std::pair<std::string, TGuardPtr<TBitmap>>>;
    TPictures AskPictures(const TExHTMLData& Data);
    // Draws the renderer's data (set) into Box with the pictures given, and takes the data back.
    void DrawHTML(TCanvas* Canvas, const TRect& Box, TColor Color, const TPictures& Pictures);
    TExCellStyle* VirtualStyle() const { return FVirtualStyle.get(); }
    void SetVirtualStyle(std::unique_ptr<TExCellStyle> Value);
    TBitmap* BackgroundBitmap() const { return FTmpBmp.get(); }
    // Hands the view's mouse-move handling a move with no keys at the pointer's place, so that what
    // follows the pointer (hot tracking, hints) follows the rows that moved under it.
    void MouseMovedUnder();
    // The selection colours apply (the tree is the active control of its form, or HideSelection is
    // off), else the hidden-selection ones.
    bool SelectionShown();

    // ================================================================ row painting and glyphs
    void RedrawTree(TCanvas* Canvas, Integer RealLeftPos, TExList* ItemsList);
    void DoRedrawItem(TCanvas* Canvas, TExTreeItem* Item, const TRect& ItemRect, const TRect& SurfRect);
    void DoRedrawItemTree(TCanvas* Canvas, TExTreeItem* Item, const TRect& ItemRect, const TRect& SurfRect);
    void DrawItemLines(TCanvas* Canvas, TExTreeItem* Item, TRect& R, TRect& T);
    void DrawButtons(TCanvas* Canvas, TExTreeItem* Item, bool HasButton, TBitmap* Bitmap, TRect& R, TRect& T);
    void DrawCheckBoxes(TCanvas* Canvas, TExTreeItem* Item, TBitmap* Bitmap, TRect& R, TRect& T);
    void DrawImages(TCanvas* Canvas, TExTreeItem* Item, TBitmap* Bitmap, TRect& R, TRect& T);
    // Width of an item's check box as the painter draws it (the themed part, a sixth of the glyph
    // strip, or CheckBoxSize).
    Integer CheckBoxWidth(TExTreeItem* Item);
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
    // Starts a new try for the row under a client point (the mouse-move handling calls it).
    void ArmLineHint(Integer X, Integer Y);
    void OnHintTimer(TObject* Sender);
    void TryStartHint(Integer X, Integer Y);
    void GetHintText(TExTreeItem* Item, TExHeaderSection*& Section, std::string& Text);
    void DoShowLineHint(TExTreeItem* Item, TExHeaderSection* Section);
    void DoHideLineHint();
    TExTreeItem* LineHintItem() const { return FLineHintItem; }
    TExHintWindow* LineHintWindow() const { return FLineHintWindow; }
    TTimer* HintTimer() const { return FHintTimer; }

    // ================================================================ mouse
    // Scrolls an item expanded by the user so that as much of its branch shows as fits.
    void FitMostChildren(TExTreeItem* Item);
    // Ends a running rubber band: the band's list goes, the frame is erased, the capture released.
    void CancelMouseSel();
    // Inverts the selection of the rows that entered or left the rubber band.
    void SelectMouseSelectItems();
    // Settles at release the selection of a press on an already selected item.
    void ProcessPassedClick();
    TExTreeItem* TrackedItem() const { return FTrackedItem; }
    TExTreeItem* DropTargetItem() const { return FDropTargetItem; }
    bool IsDragging() const { return FDragStarted; }
    bool FrameSelecting() const { return FFrameSelecting; }
    // The items inside the running rubber band (nil when none runs).
    TExList* FrameItems() const { return FFrameItems.get(); }
    bool ClickPending() const { return FClickPending; }
    TTimer* EditTimer() const { return FEditTimer; }
    TTimer* FrameScrollTimer() const { return FFrameScrollTimer; }
    // The band's frame is on screen.
    bool FrameShown() const { return FFrameShown; }

    // ================================================================ keys and incremental search
    virtual TExTreeItem* FindNewFocused(Word Key, Integer* PVisIndex, bool& Sel);
    // Adds a typed character to the search text and moves the focus to the first item whose text
    // begins with it; answers False in every case.
    bool ProcessSearch(char Key);
    void StartClearSearchTimeoutThread();
    void StopClearSearchTimeoutThread();
    void RetireEndingSearchThread();
    // The search thread's end notification: the search text is forgotten.
    void SearchTextTimeout(TObject* Sender);
    const std::string& SearchText() const { return FSearchText; }
    TSearchTextTimeoutThread* SearchThread() const { return FSearchThread; }

    // ================================================================ in-place editing
    virtual void DoEditItem(TExTreeItem* Item, Integer SectionNum);
    virtual void DoEndEdit(bool ByCancel);
    virtual void EditOperationCancelled();
    virtual void EditOperationAccepted();
    void OnEditTimer(TObject* Sender);
    TExTreeInplaceEditor* ActiveEditor() const { return FActiveEditor.Get(); }
    TExTreeItem* ItemInEdit() const { return FItemInEdit.Get(); }
    // The item is going: an edit of it ends, cancelled.
    void ForgetEditedItem(TExTreeItem* Item);

    // ================================================================ drag and drop
    // Starts dragging the selection (a drag between programs with dtOLE).
    void StartItemDrag();
    TTimer* ScrollTimer() const { return FScrollTimer; }
    TTimer* DragExpandTimer() const { return FDragExpandTimer; }
    bool DragOverView() const { return FDragOver; }
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
        MESSAGE_HANDLER(WM_PAINT, WMPaint)
        MESSAGE_HANDLER(WM_GETDLGCODE, WMGetDlgCode)
        MESSAGE_HANDLER(WM_MOUSEWHEEL, WMMouseWheel)
        MESSAGE_HANDLER(WM_MOUSEMOVE, WMMouseMove)
        MESSAGE_HANDLER(WM_SETFOCUS, WMSetFocus)
        MESSAGE_HANDLER(WM_KILLFOCUS, WMKillFocus)
        MESSAGE_HANDLER(WM_WINDOWPOSCHANGED, WMWindowPosChanged)
        MESSAGE_HANDLER(CM_SYSCOLORCHANGE, CMSysColorChange)
        MESSAGE_HANDLER(CM_DEACTIVATE, CMDeactivate)
        MESSAGE_HANDLER(CM_MOUSELEAVE, CMMouseLeave)
        MESSAGE_HANDLER(WM_LBUTTONDOWN, WMLButtonDown)
        MESSAGE_HANDLER(WM_LBUTTONUP, WMLButtonUp)
        MESSAGE_HANDLER(WM_RBUTTONDOWN, WMRButtonDown)
        MESSAGE_HANDLER(WM_RBUTTONUP, WMRButtonUp)
        MESSAGE_HANDLER(WM_LBUTTONDBLCLK, WMLButtonDblClk)
        MESSAGE_HANDLER(WM_RBUTTONDBLCLK, WMRButtonDblClk)
        MESSAGE_HANDLER(WM_CANCELMODE, WMCancelMode)
        MESSAGE_HANDLER(CM_HINTSHOW, CMHintShow)
        MESSAGE_HANDLER(CM_DRAG, CMDrag)
        MESSAGE_HANDLER(IFM_REPAINTCHILDREN, IFMRepaintChildren)
    END_MESSAGE_MAP(TCustomControl)

protected:
    void Paint() override;
    // A window made at its size hears no WM_SIZE: its rows are laid out as for one.
    void CreateWnd() override;
    void SizeChanged();
    void DoEnter() override;
    void DoExit() override;
    void WMSize(TMessage& Message);
    void WMEraseBkgnd(TMessage& Message);
    void WMPaint(TMessage& Message);
    void WMGetDlgCode(TMessage& Message);
    // The wheel: the default handling (the view's and the tree's OnMouseWheel), then CMMouseWheel.
    void WMMouseWheel(TMessage& Message);
    void CMMouseWheel(TMessage& Message);
    void WMMouseMove(TMessage& Message);
    void WMSetFocus(TMessage& Message);
    void WMKillFocus(TMessage& Message);
    void WMWindowPosChanged(TMessage& Message);
    void CMSysColorChange(TMessage& Message);
    void CMDeactivate(TMessage& Message);
    void CMMouseLeave(TMessage& Message);
    void IFMRepaintChildren(TMessage& Message);
    void CMDrag(TMessage& Message);
    void DoStartDrag(TDragObject*& DragObject) override;
    void DoEndDrag(TObject* Target, int X, int Y) override;

    // Painting helpers: one cell of a column other than the main one; a picture clipped to a
    // rectangle; the lock offset of the main column (-LeftPosition when it is the locked one).
    void PaintCell(TCanvas* Canvas, TExTreeItem* Item, TExHeaderSection* Section, const TRect& S, Integer V,
                   bool SelectedRow, bool DropColours, TColor SelBk, TColor SelText, TColor DropBk, TColor DropText);
    void DrawClippedPicture(TCanvas* Canvas, TBitmap* Picture, Integer Left, Integer Top, const TRect& Clip);
    Integer MainColumnLockOffset();
    TBitmap* CellBitmap();
    // Where the main text of an item starts in its tree cell, as the row painter lays it out.
    Integer TreeTextOffset(TExTreeItem* Item);
    // Paints the rows into DC through the view's canvas (a handler may free the view meanwhile).
    void PaintInto(HDC DC);
    // Hides the line hint for the messages that end it.
    void HideLineHintOn(const TMessage& Message);

    // ================================================================ mouse: messages and steps
    void WMLButtonDown(TMessage& Message);
    void WMLButtonUp(TMessage& Message);
    void WMRButtonDown(TMessage& Message);
    void WMRButtonUp(TMessage& Message);
    void WMLButtonDblClk(TMessage& Message);
    void WMRButtonDblClk(TMessage& Message);
    void WMCancelMode(TMessage& Message);
    void CMHintShow(TMessage& Message);
    // The pointer left the view: hot tracking, item hints and a pressed cell control end.
    void MouseLeft();
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    // Ends a press the library will not hear the release of (capture and click state let go).
    void ReleaseMouse();
    void IntLButtonDown(Integer X, Integer Y, TShiftState Shift);
    // The Int...Up and ...DblClick steps answer whether the class library's handling follows.
    bool IntLButtonUp(Integer X, Integer Y, TShiftState Shift);
    void IntRButtonDown(Integer X, Integer Y, TShiftState Shift);
    bool IntRButtonUp(Integer X, Integer Y, TShiftState Shift);
    bool IntLButtonDblClick(Integer X, Integer Y, TShiftState Shift);
    bool IntRButtonDblClick(Integer X, Integer Y, TShiftState Shift);
    void IntMouseMove(Integer X, Integer Y, TShiftState Shift);
    // The item under a point for the mouse (column preset 0): with columns, nil for a point outside
    // every part.
    TExTreeItem* MouseItemAt(Integer X, Integer Y, TSTItemPart& Part, Integer& Column);
    bool Usable(TExTreeItem* Item) const;
    // The control hosted by the cell of Column (nil when none, or when the style paints its own
    // colours); Visible: only a visible one.
    TExCellControl* CellControlAt(TExTreeItem* Item, Integer Column, bool Visible);
    // The left edge of a column's section, in document coordinates.
    Integer SectionLeft(Integer Column);
    void SelectOnLeftPress(TExTreeItem* Item, TSTItemPart Part, TShiftState Shift);
    void SelectOnRightPress(TExTreeItem* Item, TSTItemPart Part, TShiftState Shift);
    void ToggleCheckBox(TExTreeItem* Item);
    void StartMouseSel(TShiftState Shift);
    void MoveMouseSel(Integer X, Integer Y);
    // Inverts the band's rectangle on the view (drawing it again erases it).
    void DrawMouseSelFrame();
    void OnFrameScrollTimer(TObject* Sender);
    // Scrolls the band's view toward a point outside it; True when it moved.
    bool ScrollFrameToward(Integer X, Integer Y);
    // Top of an item's row in client coordinates; -1 when it is not on screen.
    Integer RowTop(TExTreeItem* Item);
    void StopEditTimer();
    void ArmEditTimer(TExTreeItem* Item, Integer Column);
    // A release the tree does not act on (over a disabled row, ending a band) still ends the
    // press: a deferred click is dropped and a pressed cell control hears the release.
    void SkipRelease(TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
    void DropPendingClick();
    // The view lost the keyboard focus: no edit starts and no deferred click is settled later.
    void FocusLost();
    // Raises the tree's OnAfterSelectionChange and clears the flag; False when its handler freed
    // the tree.
    bool AfterSelectionChange();

    // ================================================================ keys
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    // The navigation keys: the item found, the selection kept or ranged by the modifiers.
    void NavigateByKey(Word Key, TShiftState Shift);
    // Moves the focus to Found (from code, Delayed False: its event comes at once) and selects as
    // a navigation key with Shift's modifiers does.
    void SelectByKey(TExTreeItem* Found, bool FoundSelected, TShiftState Shift, bool Delayed);
    void ScrollToFocusedByKey(Word Key, Integer VisIndex);

    // ================================================================ fields: rows and scrolling
    TCustomExTree* FTree;
    TExList FVisibleRows;
    Integer FHRange = -1;
    bool FEditScrollToggle = false;
    // Rows the view found lately: positions it steps from while the rows stay as they were.
    struct TRowPosition {
        TExTreeItem* Item = nullptr;
        Integer Row = -1;
        Integer Version = -1;
        Integer Used = 0;
    };
    static constexpr int PositionCount = 4;
    TRowPosition FPositions[PositionCount];
    Integer FPositionClock = 0;
    void RememberPosition(TExTreeItem* Item, Integer Row);
    // The widths of the rows without columns: how many rows have each width. A row is counted
    // while its RowWidthMark is FWidthMark (a new mark forgets every count at once).
    std::map<Integer, Integer> FRowWidths;
    std::uint32_t FWidthMark = 1;
    bool FWidthsKept = false;
    // Rows the view may still visit in this bracket before measuring all of them is cheaper.
    Integer FWidthBudget = 0;
    bool IsRow(TExTreeItem* Item);
    void Uncount(TExTreeItem* Item);
    // Takes Item's counted width out and, when it is a row, measures and counts it; False when a
    // handler changed the rows meanwhile.
    bool Recount(TExTreeItem* Item, bool Row);
    bool RecountBranch(TExTreeItem* Item);
    // The widths kept are given up: every row is measured at the end of the bracket.
    void DropRowWidths();
    // HRange without columns; a mirrored tree keeps the distance from its right end.
    void SetRowsRange(Integer Value);
    // The view's width the rows were last laid out for.
    Integer FLaidWidth = 0;

    // ================================================================ fields: window and painting
    bool FPainting = false;
    std::unique_ptr<TBitmap> FTmpBmp;
    std::unique_ptr<TExHTMLRender> FHTMLRender;
    const TPictures* FPictures = nullptr;  // while a marked-up text is drawn
    std::unique_ptr<TExCellStyle> FVirtualStyle;
    TImageList* FDragImages = nullptr;
    Integer FDragImageTop = 0;
    // The row being painted: a row-wide background applies, and it is the item's own.
    bool FRowBkSet = false;
    bool FRowBkFromItem = false;
    TColor FCurRowBkColor = clWindow;
    TColor FCurRowTextColor = clWindowText;
    // The row being painted, counted from the top row (stripes go by TopIndex + this).
    Integer FPaintRow = 0;
    // Scratch bitmap shared by the check-box and image painters of a cell.
    std::unique_ptr<TBitmap> FCellBitmap;

    // ================================================================ fields: line hints
    TTimer* FHintTimer = nullptr;
    TPoint FHintPoint{};
    TExTreeItem* FLineHintItem = nullptr;
    TExHintWindow* FLineHintWindow = nullptr;
    // The last point the mouse-move handling saw (a try starts only when the pointer moved).
    TPoint FLastMovePoint{-1, -1};

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
    TGuardPtr<TExCellControl> FMouseDownControl;
    Integer FMouseDownColumn = 0;
    TExTreeItem* FFrameStartItem = nullptr;
    Integer FFrameStartX = 0;
    Integer FFrameStartOffset = 0;
    TExTreeItem* FFrameEndItem = nullptr;
    Integer FFrameEndX = 0;
    Integer FFrameEndOffset = 0;
    std::unique_ptr<TExList> FFrameItems;
    TExTreeItem* FItemHintItem = nullptr;
    bool FDragOver = false;
    // The check box pressed by the left button: only its own release toggles it.
    TGuardPtr<TExTreeItem> FCheckPressItem;
    // Repeats the band's scrolling while the pointer is held outside the view.
    TTimer* FFrameScrollTimer = nullptr;
    // The band's frame is on screen (drawn an odd number of times).
    bool FFrameShown = false;

    // ================================================================ fields: keys and search
    std::string FSearchText;
    TSearchTextTimeoutThread* FSearchThread = nullptr;
    // A thread that ended on its own; it is joined and freed at the next key or with the view.
    std::unique_ptr<TSearchTextTimeoutThread> FEndedSearchThread;

    // ================================================================ fields: in-place editing
    TTimer* FEditTimer = nullptr;
    TExTreeItem* FEditItem = nullptr;
    Integer FEditColumn = -1;
    // Guarded: an editor freed during its edit leaves no edit behind.
    TGuardPtr<TExTreeInplaceEditor> FActiveEditor;
    TGuardPtr<TExTreeItem> FItemInEdit;

    // ================================================================ fields: drag and drop
    TExTreeItem* FDropTargetItem = nullptr;
    bool FDropAccepted = false;
    TTimer* FScrollTimer = nullptr;
    TTimer* FDragExpandTimer = nullptr;

    friend class TCustomExTree;
};
