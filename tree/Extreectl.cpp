// The tree control's core: construction and destruction of its parts, the layout of the four child
// windows, the scroll-bar updates, the update bracket's outermost close, and the window messages.
#include "tree/Extreectl.h"

#include <algorithm>

#include "ctlbase/Eximgfrm.h"
#include "ctlbase/Exlist.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/ImgList.h"
#include "tree/Extreeedit.h"
#include "tree/Extreeres.h"
#include "tree/Extreeview.h"

namespace {

// Marked-up texts are laid out in the tree's font: a new font lays them out again.
void ReRenderAllHTMLItems(TExTreeModel* Model)
{
    TExTreeItemList& all = Model->AllItems();
    for (Integer i = 0; i < all.Count(); ++i) {
        auto* item = static_cast<TExTreeItem*>(all.FastGet(i));
        if (!item->IsHTML()) continue;
        item->RenderHTMLText();
        item->RenderHTMLColumns();
    }
}

}  // namespace

TCustomExTree::TCustomExTree(TComponent* AOwner) : TExXPThemedControl(AOwner) { Construct(); }

TCustomExTree::TCustomExTree(TComponent* AOwner, TExTreeItemClass ItemClass) : TExXPThemedControl(AOwner)
{
    FItemClass = ItemClass;
    Construct();
}

TCustomExTree::TCustomExTree(TComponent* AOwner, TDeferParts) : TExXPThemedControl(AOwner) {}

TCustomExTree* TCustomExTree::TreeOf(const TExTreeItem* Item)
{
    return Item ? dynamic_cast<TCustomExTree*>(Item->Tree()->Host()) : nullptr;
}

void TCustomExTree::Construct()
{
    extree::ExTreeUnitStart();
    // 1.
    FInplaceManager = new TExTreeInplaceManager(this);
    FUseCustomScrollBars = true;
    Font()->OnChange = [this](TObject* Sender) { OnFontChanged(Sender); };
    ControlStyle = csCaptureMouse | csClickEvents | csOpaque | csDoubleClicks | csReplicatable | csDisplayDragImage |
                   csReflector;
    // 2.
    if (FItemClass)
        CreateItemsExt(FItemClass);
    else
        CreateItems();
    FSpareBitmap = std::make_unique<TBitmap>();
    SetBounds(Left(), Top(), 200, 100);
    // A colour of its own, not its parent's.
    SetColor(clWindow);
    SetTabStop(true);
    FPlusPicture = std::make_unique<TBitmap>();
    FMinusPicture = std::make_unique<TBitmap>();
    FLeafPicture = std::make_unique<TBitmap>();
    FCheckBoxGlyph = std::make_unique<TBitmap>();
    FRadioButtonGlyph = std::make_unique<TBitmap>();
    FBackground = std::make_unique<TBitmap>();
    FHeaderFont = std::make_unique<TFont>();
    FPlusPicture->OnChange = FMinusPicture->OnChange = FLeafPicture->OnChange = [this](TObject* Sender) {
        OnSignChange(Sender);
    };
    FBackground->OnChange = [this](TObject* Sender) { BackgroundChange(Sender); };
    FHeaderFont->OnChange = [this](TObject* Sender) { HeaderFontChanged(Sender); };
    FImageChangeLink = std::make_unique<TChangeLink>();
    FImageChangeLink->OnChange = [this](TObject* Sender) { ImageListChange(Sender); };
    FImageFormLink = std::make_unique<TImgFormChangeLink>();
    FImageFormLink->OnChange = [this](TObject* Sender) { ImageFormChange(Sender); };
    // 3.
    FView = CreateView();
    FView->SetTabStop(false);
    FView->OnClick = [this](TObject* S) { ClickTransfer(S); };
    FView->OnDblClick = [this](TObject* S) { DblClickTransfer(S); };
    FView->OnDragDrop = [this](TObject* S, TObject* Src, int X, int Y) { DropTransfer(S, Src, X, Y); };
    FView->OnDragOver = [this](TObject* S, TObject* Src, int X, int Y, TDragState St, bool& A) {
        OverTransfer(S, Src, X, Y, St, A);
    };
    FView->OnEndDrag = [this](TObject* S, TObject* T, int X, int Y) { DragTransfer(S, T, X, Y); };
    FView->OnEnter = [this](TObject* S) { EnterTransfer(S); };
    FView->OnExit = [this](TObject* S) { ExitTransfer(S); };
    FView->OnKeyDown = [this](TObject* S, Word& K, TShiftState Sh) { KeyDownTransfer(S, K, Sh); };
    FView->OnKeyPress = [this](TObject* S, char& K) { KeyPressTransfer(S, K); };
    FView->OnKeyUp = [this](TObject* S, Word& K, TShiftState Sh) { KeyUpTransfer(S, K, Sh); };
    FView->OnMouseDown = [this](TObject* S, TMouseButton B, TShiftState Sh, int X, int Y) {
        MouseDownTransfer(S, B, Sh, X, Y);
    };
    FView->OnMouseMove = [this](TObject* S, TShiftState Sh, int X, int Y) { MouseMoveTransfer(S, Sh, X, Y); };
    FView->OnMouseUp = [this](TObject* S, TMouseButton B, TShiftState Sh, int X, int Y) {
        MouseUpTransfer(S, B, Sh, X, Y);
    };
    FView->OnStartDrag = [this](TObject* S, TDragObject*& D) { StartDragTransfer(S, D); };
    FView->SetCtl3D(false);
    FView->SetParentShowHint(true);
    FView->SetTabStop(true);
    // 4. and 5.
    auto makeBar = [this](TScrollBarKind Kind) {
        auto* bar = new TExScrollBar(this);
        bar->NoScrollMessages = true;
        auto styles = std::make_unique<TExScrollBarStyles>(bar);
        styles->OnChange = [this](TObject* Sender) { SBChanged(Sender); };
        bar->SetTabStop(false);
        bar->SetCtl3D(false);
        bar->SetVisible(false);
        bar->OnMouseDown = [this](TObject* S, TMouseButton B, TShiftState Sh, int X, int Y) {
            ScrollBarMouseDown(S, B, Sh, X, Y);
        };
        bar->SetAltDisablingArrows(true);
        bar->SetIsHTML(true);
        bar->SetKind(Kind);
        return std::make_pair(bar, std::move(styles));
    };
    auto [hbar, hstyles] = makeBar(sbHorizontal);
    FHScrollBar = hbar;
    FHorzScrollBarStyles = std::move(hstyles);
    FHScrollBar->OnDrawPart = [this](TObject* S, TCanvas* C, const TRect& R, TExScrollBarPart P, bool E, bool F,
                                     bool Pr, bool& D) { HorzScrollDrawPartTransfer(S, C, R, P, E, F, Pr, D); };
    FHScrollBar->OnScrollHintNeeded = [this](TObject* S, Integer T, std::string& H) {
        HorzScrollHintNeededTransfer(S, T, H);
    };
    FHScrollBar->OnHitTest = [this](TObject* S, Integer X, Integer Y, TExScrollBarPart& P, bool& D) {
        HorzScrollHitTestTransfer(S, X, Y, P, D);
    };
    FHScrollBar->OnScroll = [this](TObject* S, TExScrollCode C, Integer& P, bool& D) { FView->OnHScroll(S, C, P, D); };
    FHScrollBar->SetHeight(GetSystemMetrics(SM_CYVTHUMB));
    auto [vbar, vstyles] = makeBar(sbVertical);
    FVScrollBar = vbar;
    FVertScrollBarStyles = std::move(vstyles);
    FVScrollBar->OnDrawPart = [this](TObject* S, TCanvas* C, const TRect& R, TExScrollBarPart P, bool E, bool F,
                                     bool Pr, bool& D) { VertScrollDrawPartTransfer(S, C, R, P, E, F, Pr, D); };
    FVScrollBar->OnScrollHintNeeded = [this](TObject* S, Integer T, std::string& H) {
        VertScrollHintNeededHandler(S, T, H);
    };
    FVScrollBar->OnHitTest = [this](TObject* S, Integer X, Integer Y, TExScrollBarPart& P, bool& D) {
        VertScrollHitTestTransfer(S, X, Y, P, D);
    };
    FVScrollBar->OnScroll = [this](TObject* S, TExScrollCode C, Integer& P, bool& D) { FView->OnVScroll(S, C, P, D); };
    FVScrollBar->SetShowTrackHint(true);
    FVScrollBar->SetWidth(GetSystemMetrics(SM_CXHTHUMB));
    // 6. (the fields start at 17 and 15)
    // 7.
    FHeader = CreateHeader();
    FHeader->SetTabStop(false);
    FHeader->OnSectionDraw = [this](TObject* S, TCanvas* C, TExHeaderSection* Sec, const TRect& R, bool P) {
        DoHeaderDraw(S, C, Sec, R, P);
    };
    FHeader->OnResize = [this](TObject* S) { HeaderResizeHandler(S); };
    FHeader->OnSectionResize = [this](TObject* S, TExHeaderSection* Sec) { OnHeaderSectionResize(S, Sec); };
    FHeader->OnSectionClick = [this](TObject* S, TExHeaderSection* Sec) { OnHeaderSectionClick(S, Sec); };
    FHeader->OnSectionDelete = [this](TObject* S, TExHeaderSection* Sec) { OnHeaderSectionDelete(S, Sec); };
    FHeader->OnMouseDown = [this](TObject* S, TMouseButton B, TShiftState Sh, int X, int Y) {
        DoHeaderMouseDown(S, B, Sh, X, Y);
    };
    FHeader->OnSectionMove = [this](TObject* S, TExHeaderSection* Sec, Integer O, Integer N) {
        OnHeaderSectionMove(S, Sec, O, N);
    };
    FHeader->OnSectionShowHide = [this](TObject* S, TExHeaderSection* Sec) { OnHeaderSectionVisChange(S, Sec); };
    FHeader->OnSectionChange = [this](TObject* S, TExHeaderSection* Sec, TSectionChangeMode M) {
        OnHeaderSectionChange(S, Sec, M);
    };
    FHeader->OnSectionCreate = [this](TObject* S, TExHeaderSection* Sec) { OnHeaderSectionCreate(S, Sec); };
    FHeader->OnHeaderLookup = [this](TObject* S, TExHeaderSection* Sec, std::string& T) {
        OnHeaderSectionLookup(S, Sec, T);
    };
    FHeader->OnHeaderLookupDone = [this](TObject* S, TExHeaderSection* Sec, const std::string& T, bool A) {
        OnHeaderSectionLookupDone(S, Sec, T, A);
    };
    FHeader->OnSectionExpand = [this](TObject* S, TExHeaderSection* Sec) { OnHeaderExpand(S, Sec); };
    FHeader->OnSectionCollapse = [this](TObject* S, TExHeaderSection* Sec) { OnHeaderCollapse(S, Sec); };
    FHeader->OnSectionAutoSize = [this](TObject* S, TExHeaderSection* Sec) { HeaderSectionAutoSizeHandler(S, Sec); };
    FHeader->OnFilterCall = [this](TObject* S, TExHeaderSection* Sec) { SectionFilterCallTransfer(S, Sec); };
    FHeader->OnMeasureSection = [this](TCustomExHeader* S, TExHeaderSection* Sec, TPoint& Size) {
        MeasureSectionTransfer(S, Sec, Size);
    };
    FHeader->SetTracking(false);
    FHeader->SetAlign(alNone);
    FHeader->SetVisible(false);
    FHeader->SetAllowDrag(false);
    FHeader->MultiSortMarks = true;
    FHeader->SetFont(Font());
    // 8.
    FModel->LineHeight = DefineLineHeight();
    FModel->ShowColumns = false;
    Font()->OnChange = [this](TObject* Sender) { OnFontChange(Sender); };
    FLineHintColor = FBkColor;
    FStoragePath = "Tree";
    // 9.
    FDelayTimer = new TTimer(this);
    FDelayTimer->SetEnabled(false);
    FDelayTimer->OnTimer = [this](TObject* Sender) { OnDelayTimer(Sender); };
    FInplaceEditorDelay = 500;
    // 10.
    FView->SetParent(this);
    FHScrollBar->SetParent(this);
    FVScrollBar->SetParent(this);
    FHeader->SetParent(this);
    FView->SetTabOrder(0);
}

TCustomExTree::~TCustomExTree()
{
    Destroying();
    FModel->Destroying = true;
    // Handlers of the parts going now must not reach back into a tree half gone.
    FHeader->OnSectionDelete = nullptr;
    FHeader->OnSectionCreate = nullptr;
    FHeader->OnResize = nullptr;
    FBackground.reset();
    if (FImageForm) FImageForm->UnregisterChanges(FImageFormLink.get());
    FImageFormLink.reset();
    SetUseXPThemes(false);
    FCheckBoxGlyph.reset();
    FRadioButtonGlyph.reset();
    FPlusPicture.reset();
    FMinusPicture.reset();
    FLeafPicture.reset();
    // The items go while the view still answers for them; while operations of the model run (a
    // handler of theirs frees the tree) they stay with the model, which goes when those end.
    if (!FModel->Busy()) FModel->Items()->Clear();
    TObject::Free(FView);
    FView = nullptr;
    FHorzScrollBarStyles.reset();
    FVertScrollBarStyles.reset();
    TObject::Free(FHScrollBar);
    FHScrollBar = nullptr;
    TObject::Free(FVScrollBar);
    FVScrollBar = nullptr;
    TObject::Free(FHeader);
    FHeader = nullptr;
    FHeaderFont.reset();
    FDelayedFocusItem = nullptr;
    TObject::Free(FDelayTimer);
    FDelayTimer = nullptr;
    if (FModel->HostGone())
        (void)FModel.release();
    else
        FModel.reset();
    Font()->OnChange = nullptr;
    if (FImages) FImages->UnregisterChanges(FImageChangeLink.get());
    if (FImages2) FImages2->UnregisterChanges(FImageChangeLink.get());
    FImageChangeLink.reset();
    FSpareBitmap.reset();
    TObject::Free(FInplaceManager);
    FInplaceManager = nullptr;
    FSortSections.reset();
}

TExTreeItems* TCustomExTree::CreateItems() { return CreateItemsExt(nullptr); }

TExTreeItems* TCustomExTree::CreateItemsExt(TExTreeItemClass ItemClass)
{
    if (!FModel) FModel = std::make_unique<TExTreeModel>(this, ItemClass);
    return FModel->Items();
}

TCustomExHeader* TCustomExTree::CreateHeader() { return new TExHeader(this); }

TExTreeView* TCustomExTree::CreateView() { return new TExTreeView(this); }

TExTreeItem* TCustomExTree::GetRoot() { return FModel->Root(); }

void TCustomExTree::SetItems(TExTreeItems* Value) { FModel->Items()->Assign(Value); }

void TCustomExTree::SetHorzScrollBarStyles(TExScrollBarStyles* Value) { FHorzScrollBarStyles->Assign(Value); }

void TCustomExTree::SetVertScrollBarStyles(TExScrollBarStyles* Value) { FVertScrollBarStyles->Assign(Value); }

// ---------------------------------------------------------------- layout

void TCustomExTree::AlignPieces()
{
    if (!HandleAllocated() || !FView) return;
    FAligning = true;
    TRect r = ClientRect();
    TRect header{};
    if (ShowColumns()) {
        const Integer hh = FHeader->Height();
        FHeaderHeightCache = hh;
        header = TRect{0, 0, r.Right + (StickyHeaderSections() ? 1 : 0), hh};
        r.Top = hh;
    }
    FCornerRect = TRect{};
    const bool hbar = FHorzBarVisible && FUseCustomScrollBars;
    const bool vbar = FVertBarVisible && FUseCustomScrollBars;
    TRect hrect{}, vrect{};
    if (hbar) {
        const Integer h = FHScrollBar->Height();
        r.Bottom -= h;
        hrect = TRect{0, r.Bottom, r.Right, r.Bottom + h};
    }
    if (vbar) {
        const Integer w = FVScrollBar->Width();
        if (FRightAlignedText == FScrollbarOpposite) {
            vrect = TRect{r.Right - w, 0, r.Right, r.Bottom};
            header.Right -= w;
            r.Right -= w;
            hrect.Right -= w;
            if (hbar) FCornerRect = TRect{vrect.Left, vrect.Bottom + 1, vrect.Right, hrect.Bottom};
        } else {
            vrect = TRect{r.Left, 0, r.Left + w, r.Bottom};
            header.Left += w;
            r.Left += w;
            hrect.Left += w;
            if (hbar) FCornerRect = TRect{0, vrect.Bottom + 1, vrect.Right, hrect.Bottom};
        }
    }
    if (ShowColumns()) {
        FHeader->SetBoundsRect(header);
        FHeader->SetVisible(true);
    } else {
        FHeader->SetVisible(false);
    }
    FView->SetBoundsRect(r);
    FView->SetVisible(true);
    if (hbar) FHScrollBar->SetBoundsRect(hrect);
    FHScrollBar->SetVisible(hbar);
    if (vbar) {
        FVScrollBar->SetBoundsRect(vrect);
        FVScrollBar->BringToFront();
    }
    FVScrollBar->SetVisible(vbar);
    if (!IsRectEmpty(FCornerRect)) InvalidateRect(Handle(), &FCornerRect, TRUE);
    FAligning = false;
}

void TCustomExTree::UpdateScrollBars()
{
    for (int round = 0; round < 4; ++round) {
        if (UpdateHorzScrollBar()) {
            AlignPieces();
            continue;
        }
        if (UpdateVertScrollBar()) {
            AlignPieces();
            continue;
        }
        break;
    }
    if (FUseCustomScrollBars && FBorderStyle == bsSingle) DrawFlatBorder(false, false);
}

bool TCustomExTree::UpdateHorzScrollBar()
{
    Integer w;
    if (ShowColumns()) {
        w = FHeader->Sections()->Count() > 0 ? FHeader->GetColumnsWidth() : 0;
        FView->SetHRange(w);
    } else {
        w = FView->HRange();
    }
    w = std::max(w, 0);
    const Integer page = FView->Width() + 1;
    const bool was = FHorzBarVisible;
    FHorzBarVisible = w - page > 0 && !FHideHorzScrollBar;
    if (!FHorzBarVisible) {
        w = 0;
        FLeftPosition = 0;
        FHeader->SetLeftPos(0);
    }
    const bool forced = FForcedScrollBars == ssHorizontal || FForcedScrollBars == ssBoth;
    const bool changed = FHorzBarVisible != was && !forced;
    FLeftPosition = std::min(FLeftPosition, std::max(0, w));
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
    si.nMin = 0;
    si.nMax = w;
    si.nPage = UINT(page);
    si.nPos = si.nTrackPos = FLeftPosition;
    FHScrollBar->SetScrollInfo(si, true);
    // Without custom bars the window's own bar stands in.
    if (!FUseCustomScrollBars && HandleAllocated()) {
        if (forced) si.fMask |= SIF_DISABLENOSCROLL;
        ::SetScrollInfo(Handle(), SB_HORZ, &si, TRUE);
    }
    if (FHeader->LeftPos() != FLeftPosition) FHeader->SetLeftPos(FLeftPosition);
    if (forced) FHorzBarVisible = true;
    return changed;
}

bool TCustomExTree::UpdateVertScrollBar()
{
    const Integer total = FModel->TotalVisCount();
    Integer max = total - 1;
    const bool was = FVertBarVisible;
    const Integer rows = FView->RowCount();
    if (FHideVertScrollBar)
        FVertBarVisible = false;
    else
        FVertBarVisible = !(FTopIndex < 1 && FView->GetVisiblesHeight() <= FView->Height() && (rows >= max || rows == 0));
    Integer page;
    if (FModel->VarHeightCount < 1)
        page = rows - 1;
    else
        page = std::max(FView->CalcPageDownPos(FTopIndex) - FTopIndex, rows - 1);
    if (!FVertBarVisible) {
        max = 0;
        page = 1;
    }
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
    si.nMin = 0;
    si.nMax = std::max(max, 0);
    si.nPage = UINT(std::max(page, 0));
    si.nPos = si.nTrackPos = FTopIndex;
    FVScrollBar->SetScrollInfo(si, true);
    const bool forced = FForcedScrollBars == ssVertical || FForcedScrollBars == ssBoth;
    if (!FUseCustomScrollBars && HandleAllocated()) {
        if (forced) si.fMask |= SIF_DISABLENOSCROLL;
        ::SetScrollInfo(Handle(), SB_VERT, &si, TRUE);
    }
    const bool changed = FVertBarVisible != was && !forced;
    if (forced) FVertBarVisible = true;
    return changed;
}

void TCustomExTree::SetHPosition(Integer Value) { FView->SetHPosition(Value); }

void TCustomExTree::SetVPosition(Integer Value) { FView->SetVPosition(Value); }

Integer TCustomExTree::SetScrollInfo(HWND Wnd, Integer BarFlag, const SCROLLINFO& Info, bool Redraw)
{
    (void)BarFlag;
    for (TCustomExScrollBar* bar : {FHScrollBar, FVScrollBar})
        if (bar && bar->HandleAllocated() && bar->Handle() == Wnd)
            return Integer(bar->Perform(SBM_SETSCROLLINFO, WPARAM(Redraw), LPARAM(&Info)));
    return -1;
}

bool TCustomExTree::GetScrollInfo(HWND Wnd, Integer BarFlag, SCROLLINFO& Info)
{
    (void)BarFlag;
    for (TCustomExScrollBar* bar : {FHScrollBar, FVScrollBar}) {
        if (bar && bar->HandleAllocated() && bar->Handle() == Wnd) {
            bar->Perform(SBM_GETSCROLLINFO, 0, LPARAM(&Info));
            return true;
        }
    }
    return false;
}

void TCustomExTree::SBChanged(TObject*)
{
    if (FAligning || IsLoading()) return;
    AlignPieces();
    UpdateScrollBars();
}

// ---------------------------------------------------------------- update bracket

void TCustomExTree::SetUpdating(bool Value) { FModel->SetUpdating(Value); }

void TCustomExTree::UpdateBracket(bool Opening)
{
    if (Opening && FView && !FModel->Updating()) {
        FView->BracketOpened();
        // Following changes one by one may take about half of what measuring every row takes.
        FColumnsBudget = FModel->AllItems().Count() / 2 + 256;
    }
    if (!FHeader) return;
    if (Opening)
        FHeader->BeginUpdate();
    else if (FHeader->UpdateCount() > 0)
        FHeader->EndUpdate();
}

void TCustomExTree::UpdateRefresh(TExTreeRefresh& Work)
{
    if (!FView) {
        Work = TExTreeRefresh{};
        return;
    }
    // The tree-level requests are taken now: what handlers ask for while this runs is new work.
    const bool updatePending = Work.UpdatePending;
    const bool sortPending = Work.SortPending || Work.SortParent;
    // An auto-size request waits for a close that refreshes, with columns shown and texts of the
    // items' own to measure: the closes before that one keep it.
    const bool autoSize = Work.ColumnsAutoSizePending || FColumnsAutoSizeOwed;
    FColumnsAutoSizeOwed = autoSize;
    Work.UpdatePending = Work.SortPending = Work.ColumnsAutoSizePending = false;
    Work.SortParent = nullptr;
    if (FAutoLineHeight) {
        const Integer h = DefineLineHeight();
        if (h != FModel->LineHeight) {
            FModel->LineHeight = h;
            FModel->InvalidateHeights();
            Work.TopIndexChanged = true;
        }
    }
    if (Work.HRangeStale) {
        Work.HRangeStale = false;
        if (!ShowColumns()) FView->DefineHRange();
    }
    // Sort raises the sort events itself; the handlers here may free the tree (the model's close
    // keeps Work in place).
    TGuardPtr<TCustomExTree> self(this);
    if (sortPending) Sort(true);
    if (!self || !updatePending) return;
    Work.VisCountChanged = false;
    if (FView->HandleAllocated()) {
        FInScrollBarUpdate = true;
        UpdateScrollBars();
        if (!self) return;
        FInScrollBarUpdate = false;
    }
    if (Work.TopIndexChanged && FView->HandleAllocated()) {
        Work.TopIndexChanged = false;
        FView->DoSetTopIndex(FTopIndex);
        if (!self) return;
    }
    if (ShowColumns() && !FModel->IsVirtual() && autoSize) {
        FColumnsAutoSizeOwed = false;
        AutoSizeAllColumns();
        if (!self) return;
    }
    if (FView->HandleAllocated()) {
        FInScrollBarUpdate = true;
        UpdateScrollBars();
        FInScrollBarUpdate = false;
    }
    FView->UpdateView();
}

void TCustomExTree::RedrawItem(TExTreeItem* Item, TExRedrawArea Area, Integer Left, Integer Right)
{
    if (FView) FView->InvalidateItem(Item, Area, Left, Right);
}

Integer TCustomExTree::SectionCount() { return FHeader ? FHeader->Sections()->Count() : 0; }

TPoint TCustomExTree::MeasureCell(TExTreeItem* Item, Integer SectionIndex)
{
    TPoint size{0, FModel->LineHeight};
    MeasureCell(Item, SectionIndex, size);
    return size;
}

TExHTMLData* TCustomExTree::RenderHTML(const std::string& Text)
{
    TExHTMLRender* render = FView ? FView->HTMLRender() : nullptr;
    if (!render) return nullptr;
    TExHTMLData* data = render->CreateData();
    data->DefaultFont = Font()->Name();
    data->DefaultSize = Font()->Size();
    data->DefaultStyle = Font()->Style();
    data->Charset = Font()->Charset();
    data->DefaultColor = FTextColor;
    try {
        render->PrepareToData(Text, 0, false, data);
    } catch (...) {
        render->DestroyData(data);
        throw;
    }
    return data;
}

void TCustomExTree::FreeHTML(TExHTMLData* Data)
{
    if (!Data) return;
    if (FView && FView->HTMLRender())
        FView->HTMLRender()->DestroyData(Data);
    else
        delete Data;
}

std::string TCustomExTree::TriggerVirtualTextNeeded(TExTreeItem* Item, Integer SectionIndex)
{
    std::string text;
    TriggerVirtualTextNeeded(Item, SectionIndex, text);
    return text;
}

std::string TCustomExTree::TriggerVirtualHintNeeded(TExTreeItem* Item)
{
    std::string hint;
    TriggerVirtualHintNeeded(Item, hint);
    return hint;
}

void TCustomExTree::ForgetItem(TExTreeItem* Item)
{
    if (FDelayedFocusItem == Item) StopDelayedFocus();
    for (TColumnWidest& kept : FColumnWidest)
        if (kept.Item.Get() == Item) kept.Known = false;
    if (FView) FView->ForgetItem(Item);
}

void TCustomExTree::RemoveRow(TExTreeItem* Item)
{
    if (FView) FView->RemoveRow(Item);
}

void TCustomExTree::ForgetHiddenItems()
{
    if (FView) FView->ForgetHiddenItems();
}

void TCustomExTree::FocusedItemShown(TExTreeItem* Item)
{
    if (!FView || IsDestroying()) return;
    // A click's edit waits for the item it was meant for; the focus has moved on.
    FView->StopEditTimer();
    const Integer rows = FView->RowCount();
    if (rows > 1 && FView->Row(rows - 1) == Item && FView->GetVisiblesHeight() > FView->Height())
        SetVPosition(FTopIndex + 1);
}

TRect TCustomExTree::ItemRowRect(TExTreeItem* Item)
{
    const Integer i = IndexInView(Item);
    return i < 0 ? TRect{} : GetItemRect(i);
}

// ---------------------------------------------------------------- window

bool TCustomExTree::Focused()
{
    if (!HandleAllocated()) return false;
    const HWND focus = GetFocus();
    return focus == Handle() || (FView && FView->HandleAllocated() && focus == FView->Handle());
}

bool TCustomExTree::CanFocus() { return TExXPThemedControl::CanFocus(); }

void TCustomExTree::SetHint(const std::string& Value)
{
    FTreeHint = Value;
    TExXPThemedControl::SetHint(Value);
}

TCursor TCustomExTree::Cursor() const { return FView->Cursor(); }

void TCustomExTree::SetCursor(TCursor Value) { FView->SetCursor(Value); }

TCursor TCustomExTree::DragCursor() const { return FView->DragCursor; }

void TCustomExTree::SetDragCursor(TCursor Value) { FView->DragCursor = Value; }

TExTreeItem* TCustomExTree::GetTrackItem() const { return FView->TrackedItem(); }

bool TCustomExTree::GetDragging() const { return FView->IsDragging(); }

TExTreeItem* TCustomExTree::GetDropTarget() const { return FView ? FView->DropTargetItem() : nullptr; }

Integer TCustomExTree::GetVisibleRowCount() const { return FView->RowCount(); }

Integer TCustomExTree::IndexInView(TExTreeItem* Item) const
{
    return Item && FView ? FView->VisibleRows()->IndexOf(Item) : -1;
}

TRect TCustomExTree::GetItemRect(Integer ItemIndex)
{
    TRect r = FView->GetItemRect(ItemIndex);
    if (!IsRectEmpty(r)) OffsetRect(r, 0, FView->Top());
    return r;
}

TExTreeItem* TCustomExTree::GetItemAtY(Integer Y) { return FView->GetItemAtY(Y - FView->Top()); }

TExTreeItem* TCustomExTree::GetItemAt(Integer X, Integer Y, TSTItemPart& ItemPart, Integer& HitColumn)
{
    return FView->GetItemAt(X - FView->Left(), Y - FView->Top(), ItemPart, HitColumn);
}

void TCustomExTree::SetUseXPThemes(bool Value)
{
    TExXPThemedControl::SetUseXPThemes(Value);
    if (FHScrollBar) FHScrollBar->SetUseXPThemes(Value);
    if (FVScrollBar) FVScrollBar->SetUseXPThemes(Value);
    if (FHeader) FHeader->SetUseXPThemes(Value);
}

void TCustomExTree::Update() { TExXPThemedControl::Update(); }

void TCustomExTree::Loaded()
{
    TExXPThemedControl::Loaded();
    FModel->Loading = false;
    TExUpdateGuard bracket(FModel.get());
    FHeader->Loaded();
    if (SortMode() == smAdd || SortMode() == smAddClick) {
        TriggerSortBegin();
        FModel->Root()->Sort(true);
        TriggerSortEnd();
    }
    RefreshFlags().UpdatePending = true;
    RefreshFlags().ViewChanged = true;
    // The font streamed in may not be the one the items streamed before it were laid out with:
    // the rows are measured and the marked-up texts rendered again.
    OnFontChanged(Font());
    if (FHeader->Sections()->Count() <= FSelectColumn) FSelectColumn = -1;
    if (FPendingHeaderHeight > 0 && FHeader->Height() != FPendingHeaderHeight) {
        FHeader->SetHeight(FPendingHeaderHeight);
        AlignPieces();
    }
    FHScrollBar->Loaded();
    FVScrollBar->Loaded();
    Resize();
    FHeader->SetFont(FHeaderUseTreeFont ? Font() : FHeaderFont.get());
    // Sized when the bracket closes (inside it the columns would only be marked).
    RefreshFlags().ColumnsAutoSizePending = true;
    bracket.Done();
}

void TCustomExTree::Notification(TComponent* AComponent, TOperation Operation)
{
    TExXPThemedControl::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == reinterpret_cast<TComponent*>(FStorage)) FStorage = nullptr;
    if (AComponent == FImageForm) {
        FImageForm = nullptr;
        Invalidate();
    }
    // A list that is going has already let go of the change link: the rest of its setter's work
    // is the tree's side (line height, widths, rows). One list may be both.
    const bool first = AComponent == FImages, second = AComponent == FImages2;
    if (first) FImages = nullptr;
    if (second) FImages2 = nullptr;
    if (first) ImagesChanged(true);
    if (second) ImagesChanged(false);
}

void TCustomExTree::CreateParams(TCreateParams& Params)
{
    TExXPThemedControl::CreateParams(Params);
    if (FBorderStyle == bsSingle) {
        if (Ctl3D())
            Params.ExStyle |= WS_EX_CLIENTEDGE;
        else
            Params.Style |= WS_BORDER;
    }
    // The custom bars take the place of the window's own.
    if (!FUseCustomScrollBars) Params.Style |= WS_HSCROLL | WS_VSCROLL;
    Params.WindowClassStyle &= ~(CS_HREDRAW | CS_VREDRAW);
    if (FRightAlignedText) Params.ExStyle |= WS_EX_RIGHT | WS_EX_RTLREADING;
}

void TCustomExTree::CreateWindowHandle(const TCreateParams& Params)
{
    TExXPThemedControl::CreateWindowHandle(Params);
    AlignPieces();
}

void TCustomExTree::CreateWnd()
{
    TExXPThemedControl::CreateWnd();
    FHScrollBar->SetIsDesigning(false);
    FVScrollBar->SetIsDesigning(false);
    FHeader->SetIsDesigning(false);
    AlignPieces();
}

void TCustomExTree::AlignControls(TControl* AControl, TRect& Rect)
{
    if (HasState(csDesigning)) return;
    // The pieces are placed by AlignPieces; nothing here is aligned.
    (void)AControl;
    (void)Rect;
}

void TCustomExTree::Resize()
{
    // OnResize may free the tree.
    TGuardPtr<TCustomExTree> self(this);
    TExXPThemedControl::Resize();
    if (!self) return;
    TExUpdateGuard bracket(FModel.get());
    AlignPieces();
    TExTreeRefresh& w = RefreshFlags();
    w.TopIndexChanged = w.ViewChanged = w.VisCountChanged = w.UpdatePending = true;
    bracket.Done();
}

void TCustomExTree::DoEndDrag(TObject* Target, int X, int Y) { TExXPThemedControl::DoEndDrag(Target, X, Y); }

TCustomImageList* TCustomExTree::GetDragImages() { return FView ? FView->GetDragImages() : nullptr; }

// ---------------------------------------------------------------- messages

void TCustomExTree::WMSize(TMessage& Message)
{
    TGuardPtr<TCustomExTree> self(this);
    TExXPThemedControl::Dispatch(Message);
    if (self && !IsLoading() && !FInScrollBarUpdate) Resize();
    if (self && (FFlat || FUseCustomScrollBars || IsThemeApplied())) UpdateFrame();
}

void TCustomExTree::WMSetFocus(TMessage& Message)
{
    TExXPThemedControl::Dispatch(Message);
    const HWND from = HWND(Message.WParam);
    if (FView && FView->HandleAllocated()) {
        if (from != FView->Handle()) {
            if (FView->CanFocus()) FView->SetFocus();
        } else if (Parent()) {
            Parent()->SelectNext(this, false, true);
        }
    }
    if ((FFlat && FActiveBorderType != FInactiveBorderType) || FUseCustomScrollBars) UpdateFrame();
}

void TCustomExTree::WMKillFocus(TMessage& Message)
{
    TExXPThemedControl::Dispatch(Message);
    if ((FFlat && FActiveBorderType != FInactiveBorderType) || FUseCustomScrollBars) UpdateFrame();
}

void TCustomExTree::WMEnable(TMessage& Message)
{
    TExXPThemedControl::Dispatch(Message);
    if ((FFlat || FUseCustomScrollBars) && !IsThemeApplied()) DrawFlatBorder(false, false);
}

void TCustomExTree::WMEraseBkgnd(TMessage& Message) { Message.Result = 1; }

void TCustomExTree::WMNCCalcSize(TMessage& Message)
{
    TExXPThemedControl::Dispatch(Message);
    if (FBorderStyle != bsSingle || FBorderSides == AllBorderSides || Message.LParam == 0) return;
    // A side left out of BorderSides gives its edge back to the client area.
    auto* r = reinterpret_cast<RECT*>(Message.LParam);
    const int ex = GetSystemMetrics(Ctl3D() ? SM_CXEDGE : SM_CXBORDER);
    const int ey = GetSystemMetrics(Ctl3D() ? SM_CYEDGE : SM_CYBORDER);
    if (!HasSide(FBorderSides, ebsLeft)) r->Left -= ex;
    if (!HasSide(FBorderSides, ebsRight)) r->Right += ex;
    if (!HasSide(FBorderSides, ebsTop)) r->Top -= ey;
    if (!HasSide(FBorderSides, ebsBottom)) r->Bottom += ey;
    Message.Result = WVR_HREDRAW | WVR_VREDRAW;
}

void TCustomExTree::WMNCHitTest(TMessage& Message)
{
    TExXPThemedControl::Dispatch(Message);
    if (FUseCustomScrollBars && (Message.Result == HTHSCROLL || Message.Result == HTVSCROLL)) Message.Result = HTBORDER;
}

void TCustomExTree::WMMouseMove(TMessage& Message)
{
    TExXPThemedControl::Dispatch(Message);
    if (!FView) return;
    // A move over the tree's own window (beside the pieces) reaches the view in its coordinates.
    TMessage m = Message;
    m.LParam = MAKELPARAM(Message.XPos() - FView->Left(), Message.YPos() - FView->Top());
    FView->Perform(WM_MOUSEMOVE, m.WParam, m.LParam);
}

void TCustomExTree::WMVScroll(TMessage& Message)
{
    const Word code = Message.WParamLo();
    if (code > escEndScroll) return;
    Integer pos = SmallInt(Message.WParamHi());
    bool change = true;
    FView->OnVScroll(FVScrollBar, TExScrollCode(code), pos, change);
}

void TCustomExTree::WMHScroll(TMessage& Message)
{
    const Word code = Message.WParamLo();
    if (code > escEndScroll) return;
    Integer pos = SmallInt(Message.WParamHi());
    bool change = true;
    FView->OnHScroll(FHScrollBar, TExScrollCode(code), pos, change);
}

void TCustomExTree::WMWindowPosChanged(TMessage& Message)
{
    TExXPThemedControl::Dispatch(Message);
    Perform(IFM_REPAINTCHILDREN, 0, 0);
}

void TCustomExTree::WMThemeChanged(TMessage& Message)
{
    TExXPThemedControl::Dispatch(Message);
    if (HandleAllocated() && FUseXPThemes) {
        SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
        RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
    }
    Message.Result = 1;
}

void TCustomExTree::CMCtl3DChanged(TMessage& Message)
{
    if (FBorderStyle == bsSingle && HandleAllocated()) RecreateWnd();
    TExXPThemedControl::Dispatch(Message);
}

void TCustomExTree::CMFontChanged(TMessage& Message)
{
    TExXPThemedControl::Dispatch(Message);
    Canvas()->Font()->Assign(Font());
    if (FHeaderUseTreeFont && FHeader) FHeader->SetFont(Font());
    if (FView) FView->SetFont(Font());
    if (FHScrollBar) FHScrollBar->SetFont(Font());
    if (FVScrollBar) FVScrollBar->SetFont(Font());
    TExUpdateGuard bracket(FModel.get());
    FModel->FontSize = Font()->Size();
    FModel->FontStyles = Font()->Style();
    FModel->FontName = Font()->Name();
    FModel->InvalidateHeights();
    RefreshFlags().RowsChanged = true;
    RefreshFlags().UpdatePending = true;
    bracket.Done();
}

void TCustomExTree::CMColorChanged(TMessage& Message)
{
    TExXPThemedControl::Dispatch(Message);
    Canvas()->Brush()->SetColor(Color());
}

void TCustomExTree::CMEnabledChanged(TMessage& Message)
{
    TExXPThemedControl::Dispatch(Message);
    FHScrollBar->SetEnabled(Enabled());
    FVScrollBar->SetEnabled(Enabled());
}

void TCustomExTree::IFMRepaintChildren(TMessage& Message)
{
    TExXPThemedControl::Dispatch(Message);
    Invalidate();
    for (int i = 0; i < ControlCount(); ++i) Controls(i)->Perform(Message.Msg, Message.WParam, Message.LParam);
}

void TCustomExTree::IFMCanPaintBkgnd(TMessage& Message) { Message.Result = 1; }

// ---------------------------------------------------------------- change handlers of owned objects

void TCustomExTree::OnDelayTimer(TObject*)
{
    FDelayTimer->SetEnabled(false);
    if (FModel->Focused() && FModel->Focused() == FDelayedFocusItem) DoItemFocused();
}

void TCustomExTree::StartDelayedFocus(TExTreeItem* Item)
{
    FDelayTimer->SetEnabled(false);
    FDelayedFocusItem = Item;
    FDelayTimer->SetInterval(Cardinal(std::max<Integer>(ChangeDelay(), 0)));
    FDelayTimer->SetEnabled(true);
}

void TCustomExTree::StopDelayedFocus()
{
    if (FDelayTimer) FDelayTimer->SetEnabled(false);
    FDelayedFocusItem = nullptr;
}

void TCustomExTree::ImageListChange(TObject*)
{
    if (FView && FView->Painting()) return;
    TExUpdateGuard bracket(FModel.get());
    if (FAutoLineHeight) {
        const Integer h = DefineLineHeight();
        if (h != FModel->LineHeight) {
            if (h < FModel->LineHeight) RefreshFlags().ViewChanged = true;
            FModel->LineHeight = h;
            FModel->InvalidateHeights();
            RefreshFlags().TopIndexChanged = true;
        }
    }
    RefreshFlags().UpdatePending = true;
    RefreshFlags().RowsChanged = true;
    bracket.Done();
}

void TCustomExTree::ImageFormChange(TObject*) { Invalidate(); }

void TCustomExTree::OnSignChange(TObject*)
{
    if (!FCustomPlusMinus) return;
    TExUpdateGuard bracket(FModel.get());
    if (FAutoLineHeight) {
        const Integer h = DefineLineHeight();
        if (h != FModel->LineHeight) {
            FModel->LineHeight = h;
            FModel->InvalidateHeights();
            RefreshFlags().TopIndexChanged = RefreshFlags().ViewChanged = true;
        }
    }
    RefreshFlags().VisCountChanged = RefreshFlags().RowsChanged = RefreshFlags().UpdatePending = true;
    bracket.Done();
}

void TCustomExTree::BackgroundChange(TObject*)
{
    if (FView) {
        FView->RedoTmpBmp();
        FView->Invalidate();
    }
}

void TCustomExTree::HeaderFontChanged(TObject*)
{
    if (!FHeaderUseTreeFont && FHeader) FHeader->SetFont(FHeaderFont.get());
}

void TCustomExTree::OnFontChanged(TObject*)
{
    Perform(CM_FONTCHANGED, 0, 0);
    if (!IsLoading()) ReRenderAllHTMLItems(FModel.get());
}

void TCustomExTree::OnFontChange(TObject* Sender)
{
    if (FView && FView->Painting()) return;
    SetParentFont(false);
    OnFontChanged(Sender);
    if (FAutoLineHeight) {
        TExUpdateGuard bracket(FModel.get());
        const Integer h = DefineLineHeight();
        if (h != FModel->LineHeight) {
            FModel->LineHeight = h;
            FModel->InvalidateHeights();
            RefreshFlags().TopIndexChanged = RefreshFlags().ViewChanged = true;
            RefreshFlags().UpdatePending = true;
        }
        bracket.Done();
    }
}
