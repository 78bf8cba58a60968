// The list box: properties and events over the list window of ListCore.
#include <algorithm>
#include <vector>

#include "platform/ListCore.h"
#include "platform/Guard.h"
#include "platform/StdCtrls.h"

using morvik::stdctl::TListCore;
using morvik::stdctl::TListItem;

// ---- TListWindowStrings ------------------------------------------------------------------------
int TListWindowStrings::Count() const { return Core()->Count(); }

std::string TListWindowStrings::Get(int Index) const
{
    if (Index < 0 || Index >= Count())
        Error(SysMsg::ListIndexError, Index);
    return Core()->Item(Index).Text;
}

void TListWindowStrings::Put(int Index, const std::string& S)
{
    if (Index < 0 || Index >= Count())
        Error(SysMsg::ListIndexError, Index);
    // Replaced in place: the item keeps its object and, when it was chosen, stays chosen.
    const int selected = ChosenIndex();
    TObject* object = GetObject(Index);
    Delete(Index);
    TGuardPtr<TListWindowStrings> self(this);
    InsertObject(Index, S, object);
    if (self && selected == Index)
        Choose(Index);
}

TObject* TListWindowStrings::GetObject(int Index) const
{
    if (Index < 0 || Index >= Count())
        Error(SysMsg::ListIndexError, Index);
    return reinterpret_cast<TObject*>(Core()->Item(Index).Data);
}

void TListWindowStrings::PutObject(int Index, TObject* AObject)
{
    if (Index < 0 || Index >= Count())
        Error(SysMsg::ListIndexError, Index);
    Send(LB_SETITEMDATA, WPARAM(Index), reinterpret_cast<LPARAM>(AObject));
}

int TListWindowStrings::Add(const std::string& S)
{
    return int(Send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(S.c_str())));
}

void TListWindowStrings::Insert(int Index, const std::string& S)
{
    if (Index < 0 || Index > Count())
        Error(SysMsg::ListIndexError, Index);
    Send(LB_INSERTSTRING, WPARAM(Index), reinterpret_cast<LPARAM>(S.c_str()));
}

void TListWindowStrings::InsertObject(int Index, const std::string& S, TObject* AObject)
{
    TGuardPtr<TListWindowStrings> self(this);
    Insert(Index, S);
    if (self)
        PutObject(Index, AObject);
}

int TListWindowStrings::AddObject(const std::string& S, TObject* AObject)
{
    TGuardPtr<TListWindowStrings> self(this);
    const int at = Add(S);
    if (self && at >= 0)
        PutObject(at, AObject);
    return at;
}

void TListWindowStrings::Delete(int Index)
{
    if (Index < 0 || Index >= Count())
        Error(SysMsg::ListIndexError, Index);
    Send(LB_DELETESTRING, WPARAM(Index), 0);
}

void TListWindowStrings::Clear() { Send(LB_RESETCONTENT, 0, 0); }

int TListWindowStrings::IndexOf(const std::string& S) const
{
    const LRESULT r = Send(LB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(S.c_str()));
    return r < 0 ? -1 : int(r);
}

// ---- TListBoxStrings ---------------------------------------------------------------------------
TListCore* TListBoxStrings::Core() const { return FListBox->Core(); }

LRESULT TListBoxStrings::Send(UINT Msg, WPARAM WParam, LPARAM LParam) const
{
    return FListBox->Send(Msg, WParam, LParam);
}

int TListBoxStrings::ChosenIndex() const { return FListBox->ItemIndex(); }
void TListBoxStrings::Choose(int Index) { FListBox->SetItemIndex(Index); }

void TListBoxStrings::SetUpdateState(bool Updating)
{
    if (!FListBox->HandleAllocated())
        return;
    SendMessage(FListBox->Handle(), WM_SETREDRAW, Updating ? FALSE : TRUE, 0);
    if (!Updating)
        FListBox->Invalidate();
}

// ---- TCustomListBox ----------------------------------------------------------------------------
TCustomListBox::TCustomListBox(TComponent* AOwner)
    : TWinControl(AOwner), FCore(new TListCore(this)), FItems(new TListBoxStrings(this)), FCanvas(new TControlCanvas)
{
    ControlStyle = csSetCaption | csDoubleClicks | csOpaque;
    FCanvas->SetControl(this);
    SetBounds(0, 0, 121, 97);
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clWindow);
    FCore->SetStyleSource([this] {
        TCreateParams p;
        CreateParams(p);
        return p.Style;
    });
}

TCustomListBox::~TCustomListBox()
{
    // Descendants are gone already: the window goes without running their procedures.
    Destroying();
    DestroyHandle();
}

void TCustomListBox::CreateParams(TCreateParams& Params)
{
    TWinControl::CreateParams(Params);
    Params.Style |= WS_VSCROLL | LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT;
    if (FSorted)
        Params.Style |= LBS_SORT;
    if (FMultiSelect)
        Params.Style |= FExtendedSelect ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
    if (FStyle == lbOwnerDrawFixed)
        Params.Style |= LBS_OWNERDRAWFIXED;
    else if (FStyle == lbOwnerDrawVariable)
        Params.Style |= LBS_OWNERDRAWVARIABLE;
    if (FTabWidth > 0)
        Params.Style |= LBS_USETABSTOPS;
    if (FBorderStyle == bsSingle) {
        if (Ctl3D())
            Params.ExStyle |= WS_EX_CLIENTEDGE;
        else
            Params.Style |= WS_BORDER;
    }
}

LRESULT TCustomListBox::Send(UINT Msg, WPARAM WParam, LPARAM LParam) const
{
    auto* self = const_cast<TCustomListBox*>(this);
    if (HandleAllocated())
        return SendMessage(self->Handle(), Msg, WParam, LParam);
    // No window yet: the list keeps its items all the same.
    TMessage m{Msg, WParam, LParam, 0};
    FCore->WindowProc(m);
    return m.Result;
}

int TCustomListBox::Count() const { return FCore->Count(); }

int TCustomListBox::ItemIndex() const
{
    if (FMultiSelect)
        return int(Send(LB_GETCARETINDEX, 0, 0));
    return FCore->CurSel();
}

void TCustomListBox::SetItemIndex(int Value)
{
    if (ItemIndex() == Value)
        return;
    if (FMultiSelect)
        Send(LB_SETCARETINDEX, WPARAM(Value), 0);
    else
        Send(LB_SETCURSEL, WPARAM(Value), 0);
}

int TCustomListBox::ItemHeight() const { return FCore->ItemHeight(-1); }

void TCustomListBox::SetItemHeight(int Value)
{
    if (Value > 0 && FStyle != lbOwnerDrawVariable)
        Send(LB_SETITEMHEIGHT, 0, MAKELPARAM(Value, 0));
}

namespace {
// A window restyle that keeps the items, their objects and the selection.
void Restyle(TWinControl* Control) { Control->RecreateWnd(); }
}  // namespace

void TCustomListBox::SetStyle(TListBoxStyle Value)
{
    if (FStyle == Value)
        return;
    FStyle = Value;
    Restyle(this);
}

void TCustomListBox::SetMultiSelect(bool Value)
{
    if (FMultiSelect == Value)
        return;
    FMultiSelect = Value;
    Restyle(this);
}

void TCustomListBox::SetExtendedSelect(bool Value)
{
    if (FExtendedSelect == Value)
        return;
    FExtendedSelect = Value;
    Restyle(this);
}

void TCustomListBox::SetSorted(bool Value)
{
    if (FSorted == Value)
        return;
    FSorted = Value;
    if (Value) {
        // Items there already are put in order, each with its object.
        std::vector<TListItem> items;
        for (int i = 0; i < Count(); ++i)
            items.push_back(FCore->Item(i));
        Send(LB_RESETCONTENT, 0, 0);
        Restyle(this);
        // Measuring an item may run a handler that frees the list box.
        TGuardPtr<TCustomListBox> self(this);
        for (const TListItem& item : items) {
            const int at = FItems->Add(item.Text);
            if (!self)
                return;
            Send(LB_SETITEMDATA, WPARAM(at), LPARAM(item.Data));
        }
    } else {
        Restyle(this);
    }
}

void TCustomListBox::SetTabWidth(int Value)
{
    Value = std::max(0, Value);
    if (FTabWidth == Value)
        return;
    FTabWidth = Value;
    Restyle(this);
    if (Value > 0)
        Send(LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&FTabWidth));
}

void TCustomListBox::SetBorderStyle(TBorderStyle Value)
{
    if (FBorderStyle == Value)
        return;
    FBorderStyle = Value;
    Restyle(this);
}

int TCustomListBox::TopIndex() const { return FCore->TopIndex(); }
void TCustomListBox::SetTopIndex(int Value) { Send(LB_SETTOPINDEX, WPARAM(Value), 0); }

bool TCustomListBox::Selected(int Index) const
{
    const LRESULT r = Send(LB_GETSEL, WPARAM(Index), 0);
    if (r < 0)
        throw EListError(Format(SysMsg::ListIndexError, Index));
    return r != 0;
}

void TCustomListBox::SetSelected(int Index, bool Value)
{
    if (Index < 0 || Index >= Count())
        throw EListError(Format(SysMsg::ListIndexError, Index));
    if (FMultiSelect)
        Send(LB_SETSEL, Value ? TRUE : FALSE, LPARAM(Index));
    else if (Value)
        SetItemIndex(Index);
    else if (ItemIndex() == Index)
        SetItemIndex(-1);
}

int TCustomListBox::SelCount() const
{
    const LRESULT r = Send(LB_GETSELCOUNT, 0, 0);
    return r < 0 ? (ItemIndex() >= 0 ? 1 : 0) : int(r);
}

int TCustomListBox::ItemAtPos(const TPoint& Pos, bool Existing)
{
    bool outside = false;
    const int i = FCore->ItemAt(Pos, &outside);
    if (i < 0)
        return Existing ? -1 : Count();
    if (outside) {
        const TRect last = FCore->ItemRect(i);
        // Below the last item: the place a new item would take.
        if (Pos.Y >= last.Bottom)
            return Existing ? -1 : Count();
        if (Existing)
            return -1;
    }
    return i;
}

TRect TCustomListBox::ItemRect(int Index)
{
    if (Index < 0 || Index > Count())
        return TRect{};
    if (Index == Count()) {
        // Where an item after the last would go.
        TRect r = Count() > 0 ? FCore->ItemRect(Count() - 1) : TRect{0, 0, ClientWidth(), ItemHeight()};
        if (Count() > 0)
            OffsetRect(r, 0, r.Height());
        return r;
    }
    return FCore->ItemRect(Index);
}

void TCustomListBox::Clear() { FItems->Clear(); }

void TCustomListBox::ClearSelection()
{
    if (FMultiSelect)
        Send(LB_SETSEL, FALSE, -1);
    else
        SetItemIndex(-1);
}

void TCustomListBox::SelectAll()
{
    if (FMultiSelect)
        Send(LB_SETSEL, TRUE, -1);
}

void TCustomListBox::DeleteSelected()
{
    if (FMultiSelect) {
        for (int i = Count() - 1; i >= 0; --i)
            if (Selected(i))
                FItems->Delete(i);
    } else if (ItemIndex() >= 0) {
        FItems->Delete(ItemIndex());
    }
}

void TCustomListBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State)
{
    if (OnDrawItem) {
        OnDrawItem(this, Index, Rect, State);
        return;
    }
    FCanvas->FillRect(Rect);
    if (Index >= 0 && Index < Count())
        FCanvas->TextOut(Rect.Left + 2, Rect.Top, FCore->Item(Index).Text);
}

void TCustomListBox::MeasureItem(int Index, int& Height)
{
    if (OnMeasureItem)
        OnMeasureItem(this, Index, Height);
}

void TCustomListBox::CNDrawItem(TMessage& Message)
{
    auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
    TOwnerDrawState state = 0;
    if (dis->itemState & ODS_SELECTED)
        state |= odSelected;
    if (dis->itemState & ODS_FOCUS)
        state |= odFocused;
    if (dis->itemState & ODS_DISABLED)
        state |= odDisabled;
    TGuardPtr<TCustomListBox> self(this);
    const int saved = SaveDC(dis->hDC);
    FCanvas->FreeHandle();
    FCanvas->SetHandle(dis->hDC);
    FCanvas->SetFont(Font());
    FCanvas->Brush()->Assign(Brush());
    if (state & odSelected) {
        FCanvas->Brush()->SetColor(clHighlight);
        FCanvas->Font()->SetColor(clHighlightText);
    }
    if (int(dis->itemID) >= 0)
        DrawItem(int(dis->itemID), dis->rcItem, state);
    else
        FCanvas->FillRect(dis->rcItem);
    // A handler may have freed the list box.
    if (!self)
        return;
    if (state & odFocused)
        DrawFocusRect(dis->hDC, &dis->rcItem);
    FCanvas->SetHandle(nullptr);
    RestoreDC(dis->hDC, saved);
    Message.Result = 1;
}

void TCustomListBox::DefaultHandler(TMessage& Message)
{
    if (!FCore->WindowProc(Message))
        TWinControl::DefaultHandler(Message);
}

void TCustomListBox::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_MOUSEMOVE: {
        TGuardPtr<TCustomListBox> self(this);
        DefaultHandler(Message);
        if (self)
            TWinControl::Dispatch(Message);
        break;
    }
    case WM_SIZE: {
        // OnResize may free the list box.
        TGuardPtr<TCustomListBox> self(this);
        TWinControl::Dispatch(Message);
        if (self)
            FCore->WindowProc(Message);
        break;
    }
    case CM_FONTCHANGED:
        TWinControl::Dispatch(Message);
        FCore->FontChanged();
        break;
    case CN_DRAWITEM: CNDrawItem(Message); break;
    case CN_MEASUREITEM: {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
        int height = int(mis->itemHeight);
        MeasureItem(int(mis->itemID), height);
        mis->itemHeight = UINT(std::max(1, height));
        Message.Result = 1;
        break;
    }
    case CN_COMMAND:
        switch (HIWORD(Message.WParam)) {
        case LBN_SELCHANGE: Click(); break;
        case LBN_DBLCLK: DblClick(); break;
        default: break;
        }
        break;
    default: TWinControl::Dispatch(Message); break;
    }
}
