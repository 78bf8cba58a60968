// The combo box: its window with the "Edit" and "ComboLBox" child windows, the drop-down list on a
// popup of its own, and the CBN_* notifications.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/EditCore.h"
#include "platform/Guard.h"
#include "platform/ListCore.h"
#include "platform/Menus.h"
#include "platform/StdCtrls.h"

namespace morvik::stdctl {

// The combo box's edit field: an edit window whose keys and focus the combo box hears first.
class TComboEditWindow : public TWinControl {
    TCustomComboBox* FCombo;

public:
    using TWinControl::DestroyHandle;
    explicit TComboEditWindow(TCustomComboBox* Combo) : TWinControl(nullptr), FCombo(Combo), Core(this, FText)
    {
        ControlStyle = csCaptureMouse | csDoubleClicks;
        SetCursor(crIBeam);
        SetParentColor(false);
        Core.SetStyleSource([this] {
            TCreateParams p;
            CreateParams(p);
            return p.Style;
        });
    }
    ~TComboEditWindow() override { DestroyHandle(); }
    TEditCore Core;
    TRect Place;

    void DefaultHandler(TMessage& Message) override
    {
        if (!Core.WindowProc(Message))
            TWinControl::DefaultHandler(Message);
    }
    void Dispatch(TMessage& Message) override
    {
        // Handlers of the combo box may free it, and this window with it.
        TGuardPtr<TCustomComboBox> combo(FCombo);
        switch (Message.Msg) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN: {
            // The combo box's key events and keys first, then the edit's own.
            if (FCombo->DoKeyDown(Message) || !combo)
                return;
            const Word key = LOWORD(Message.WParam);
            if (FCombo->ComboKey(key, KeyDataToShiftState(Message.LParam)) || !combo)
                return;
            if (Message.Msg == WM_KEYDOWN)
                DefaultHandler(Message);
            return;
        }
        case WM_KEYUP:
        case WM_SYSKEYUP: FCombo->DoKeyUp(Message); return;
        case WM_CHAR:
            if (FCombo->DoKeyPress(Message) || !combo)
                return;
            if (FCombo->FDroppedDown && (Message.WParam == '\r' || Message.WParam == 0x1B))
                return;
            DefaultHandler(Message);
            return;
        case CN_KEYDOWN:
        case CN_SYSKEYDOWN:
        case CN_CHAR:
        case CN_SYSCHAR:
            // Dialog keys and accelerators are the combo box's to hand to its form.
            Message.Result = FCombo->Perform(Message.Msg, Message.WParam, Message.LParam);
            return;
        case WM_GETDLGCODE:
            DefaultHandler(Message);
            if (FCombo->FDroppedDown)
                Message.Result |= DLGC_WANTALLKEYS;
            return;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            DefaultHandler(Message);
            if (combo)
                FCombo->ChildFocus(Message.Msg == WM_SETFOCUS, reinterpret_cast<HWND>(Message.WParam));
            return;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_LBUTTONUP:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK:
        case WM_MBUTTONUP:
        case WM_MOUSEMOVE:
            DefaultHandler(Message);
            return;
        case WM_CONTEXTMENU:
            // The combo box's own menu, else the field's edit menu.
            if (FCombo->PopupMenu() && FCombo->PopupMenu()->AutoPopup)
                FCombo->Perform(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(FCombo), Message.LParam);
            else
                DefaultHandler(Message);
            return;
        case WM_SIZE:
            TWinControl::Dispatch(Message);
            Core.WindowProc(Message);
            return;
        default: TWinControl::Dispatch(Message); return;
        }
    }

protected:
    void CreateParams(TCreateParams& Params) override
    {
        TWinControl::CreateParams(Params);
        Params.Style = WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | WS_CLIPSIBLINGS;
        if (FCombo->FCharCase == ecUpperCase)
            Params.Style |= ES_UPPERCASE;
        else if (FCombo->FCharCase == ecLowerCase)
            Params.Style |= ES_LOWERCASE;
        if (!FCombo->Enabled())
            Params.Style |= WS_DISABLED;
        Params.ExStyle = WS_EX_NOPARENTNOTIFY;
        Params.X = Place.Left;
        Params.Y = Place.Top;
        Params.Width = Place.Width();
        Params.Height = Place.Height();
        Params.WndParent = ParentWindow();
        Params.WinClassName = "Edit";
    }
};

// The popup that carries a drop-down list above every window.
class TComboDropWindow : public TWinControl {
public:
    using TWinControl::DestroyHandle;
    TComboDropWindow() : TWinControl(nullptr) { FVisible = false; }
    ~TComboDropWindow() override { DestroyHandle(); }

protected:
    void CreateParams(TCreateParams& Params) override
    {
        TWinControl::CreateParams(Params);
        Params.Style = WS_POPUP | WS_CLIPCHILDREN;
        Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
        Params.WndParent = nullptr;
    }
};

// The combo box's list: a list window whose items are the combo box's.
class TComboListWindow : public TWinControl {
    TCustomComboBox* FCombo;

public:
    using TWinControl::DestroyHandle;
    explicit TComboListWindow(TCustomComboBox* Combo) : TWinControl(nullptr), FCombo(Combo), Core(this)
    {
        ControlStyle = csDoubleClicks | csOpaque;
        SetParentColor(false);
        Core.SetStyleSource([this] {
            TCreateParams p;
            CreateParams(p);
            return p.Style;
        });
    }
    ~TComboListWindow() override { DestroyHandle(); }
    TListCore Core;
    TRect Place;

    void DefaultHandler(TMessage& Message) override
    {
        if (!Core.WindowProc(Message))
            TWinControl::DefaultHandler(Message);
    }
    void Dispatch(TMessage& Message) override
    {
        switch (Message.Msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_LBUTTONUP:
        case WM_MOUSEMOVE:
        case WM_SETFOCUS:
        case WM_KILLFOCUS: DefaultHandler(Message); return;
        case WM_MOUSEACTIVATE: Message.Result = MA_NOACTIVATE; return;
        case WM_SIZE:
            TWinControl::Dispatch(Message);
            Core.WindowProc(Message);
            return;
        default: TWinControl::Dispatch(Message); return;
        }
    }

protected:
    void CreateParams(TCreateParams& Params) override
    {
        TWinControl::CreateParams(Params);
        Params.Style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_BORDER | WS_CLIPSIBLINGS | LBS_NOTIFY | LBS_HASSTRINGS |
                       LBS_NOINTEGRALHEIGHT;
        if (FCombo->FSorted)
            Params.Style |= LBS_SORT;
        if (FCombo->FStyle == csOwnerDrawFixed)
            Params.Style |= LBS_OWNERDRAWFIXED;
        else if (FCombo->FStyle == csOwnerDrawVariable)
            Params.Style |= LBS_OWNERDRAWVARIABLE;
        Params.ExStyle = WS_EX_NOPARENTNOTIFY;
        Params.X = Place.Left;
        Params.Y = Place.Top;
        Params.Width = Place.Width();
        Params.Height = Place.Height();
        Params.WndParent = FParent ? FParent->Handle() : ParentWindow();
        Params.WinClassName = "ComboLBox";
    }
};

}  // namespace morvik::stdctl

using morvik::stdctl::TComboDropWindow;
using morvik::stdctl::TComboEditWindow;
using morvik::stdctl::TComboListWindow;
using morvik::stdctl::TListCore;
using morvik::stdctl::TListItem;

// ---- TComboBoxStrings --------------------------------------------------------------------------
namespace {
LRESULT SendList(TCustomComboBox* Combo, HWND List, TListCore* Core, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    (void)Combo;
    if (List)
        return SendMessage(List, Msg, WParam, LParam);
    TMessage m{Msg, WParam, LParam, 0};
    Core->WindowProc(m);
    return m.Result;
}
}  // namespace

TListCore* TComboBoxStrings::Core() const { return FComboBox->List(); }

LRESULT TComboBoxStrings::Send(UINT Msg, WPARAM WParam, LPARAM LParam) const
{
    if (FComboBox->HandleAllocated()) {
        UINT comboMsg = 0;
        switch (Msg) {
        case LB_ADDSTRING: comboMsg = CB_ADDSTRING; break;
        case LB_INSERTSTRING: comboMsg = CB_INSERTSTRING; break;
        case LB_DELETESTRING: comboMsg = CB_DELETESTRING; break;
        case LB_RESETCONTENT: comboMsg = CB_RESETCONTENT; break;
        default: break;
        }
        if (comboMsg)
            return SendMessage(FComboBox->Handle(), comboMsg, WParam, LParam);
    }
    return SendList(FComboBox, FComboBox->ListHandle(), FComboBox->List(), Msg, WParam, LParam);
}

int TComboBoxStrings::ChosenIndex() const { return FComboBox->ItemIndex(); }
void TComboBoxStrings::Choose(int Index) { FComboBox->SetItemIndex(Index); }

// ---- TCustomComboBox ---------------------------------------------------------------------------
TCustomComboBox::TCustomComboBox(TComponent* AOwner)
    : TWinControl(AOwner), FEdit(new TComboEditWindow(this)), FDrop(new TComboDropWindow),
      FList(new TComboListWindow(this)), FItems(new TComboBoxStrings(this)), FCanvas(new TControlCanvas)
{
    // No csCaptureMouse: a dropped-down list holds the mouse itself.
    ControlStyle = csSetCaption | csDoubleClicks | csFixedHeight;
    FCanvas->SetControl(this);
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clWindow);
    FList->Core.SetComboOwner(nullptr, true);
    FList->Core.OnComboEnd = [this](bool Picked) { CloseList(Picked); };
    FList->Core.OnComboSelChange = [this] {
        // Moving in the dropped-down list only shows the item; Enter or a click takes it, Escape
        // gives back what was there.
        FTypedInDrop = false;
        ShowSelection();
        if (FDroppedDown)
            return;
        FList->Core.SetKept(ItemIndex());
        Notify(CBN_SELCHANGE);
    };
    // The item under the pointer is offered again, though something was typed since the last move.
    FList->Core.OnComboPointed = [this] { FTypedInDrop = false; };
    FList->Core.OnComboItemsChanged = [this](bool SelectionGone) { ItemsChanged(SelectionGone); };
    SetBounds(0, 0, 145, EditHeight());
}

TCustomComboBox::~TCustomComboBox()
{
    // Descendants are gone already: the windows go without running their procedures.
    Destroying();
    DestroyHandle();
}

TListCore* TCustomComboBox::List() const { return &FList->Core; }

HWND TCustomComboBox::EditHandle() const { return FEdit->HandleAllocated() ? FEdit->Handle() : nullptr; }
HWND TCustomComboBox::ListHandle() const { return FList->HandleAllocated() ? FList->Handle() : nullptr; }

int TCustomComboBox::EditHeight() const
{
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Font()->Handle());
    TEXTMETRIC tm;
    GetTextMetrics(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    int h = int(tm.tmHeight) + 8;
    if (FStyle == csOwnerDrawFixed || FStyle == csOwnerDrawVariable)
        h = std::max(h, (FItemHeight > 0 ? FItemHeight : int(tm.tmHeight)) + 6);
    return h;
}

void TCustomComboBox::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight)
{
    // Only the simple box chooses its height; the others are as tall as their edit field.
    if (FStyle != csSimple && FEdit)
        AHeight = EditHeight();
    TWinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TCustomComboBox::CreateParams(TCreateParams& Params)
{
    TWinControl::CreateParams(Params);
    Params.Style |= WS_VSCROLL | CBS_HASSTRINGS | CBS_AUTOHSCROLL;
    switch (FStyle) {
    case csDropDown: Params.Style |= CBS_DROPDOWN; break;
    case csSimple: Params.Style |= CBS_SIMPLE; break;
    case csDropDownList: Params.Style |= CBS_DROPDOWNLIST; break;
    case csOwnerDrawFixed: Params.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED; break;
    case csOwnerDrawVariable: Params.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE; break;
    }
    if (FSorted)
        Params.Style |= CBS_SORT;
    if (FCharCase == ecUpperCase)
        Params.Style |= CBS_UPPERCASE;
    else if (FCharCase == ecLowerCase)
        Params.Style |= CBS_LOWERCASE;
    // The box has no scroll bar of its own: WS_VSCROLL is the list's.
    Params.Style &= ~DWORD(WS_VSCROLL);
}

TRect TCustomComboBox::ButtonRect()
{
    if (FStyle == csSimple)
        return TRect{};
    const int w = Width(), h = Height();
    const int cx = GetSystemMetrics(SM_CXVSCROLL);
    return {w - 2 - cx, 2, w - 2, h - 2};
}

void TCustomComboBox::LayoutChildren()
{
    const int w = Width(), h = Height();
    const int eh = FStyle == csSimple ? EditHeight() : h;
    if (FStyle == csSimple) {
        FEdit->Place = {3, 3, w - 3, eh - 3};
        FList->Place = {0, eh, w, std::max(eh, h)};
    } else {
        FEdit->Place = {3, 3, ButtonRect().Left - 1, h - 3};
    }
    if (FEdit->HandleAllocated())
        MoveWindow(FEdit->Handle(), FEdit->Place.Left, FEdit->Place.Top, FEdit->Place.Width(), FEdit->Place.Height(),
                   TRUE);
    if (FStyle == csSimple && FList->HandleAllocated())
        MoveWindow(FList->Handle(), FList->Place.Left, FList->Place.Top, FList->Place.Width(), FList->Place.Height(),
                   TRUE);
}

void TCustomComboBox::MakeChildren()
{
    HWND h = Handle();
    TGuardPtr<TCustomComboBox> self(this);
    FEdit->Font()->Assign(Font());
    FEdit->SetColor(Color());
    FList->Font()->Assign(Font());
    FList->SetColor(Color());
    FList->Core.SetComboOwner(h, FStyle != csSimple);
    LayoutChildren();
    std::vector<HWND> made;
    if (HasEdit()) {
        FEdit->SetParentWindow(h);
        FEdit->HandleNeeded();
        FEdit->Core.SetLimit(FMaxLength);
        made.push_back(FEdit->Handle());
    }
    if (FStyle == csSimple) {
        FList->SetParent(nullptr);
        FList->SetParentWindow(h);
    } else {
        FDrop->HandleNeeded();
        FList->Place = {0, 0, 1, 1};
        FList->SetParentWindow(nullptr);
        FList->SetParent(FDrop.get());
    }
    FList->HandleNeeded();
    made.push_back(FList->Handle());
    // The box hears of its new children as a parent does, so descendants can subclass them.
    FEditProc = HasEdit() ? reinterpret_cast<WNDPROC>(GetWindowLongPtr(FEdit->Handle(), GWLP_WNDPROC)) : nullptr;
    FListProc = reinterpret_cast<WNDPROC>(GetWindowLongPtr(FList->Handle(), GWLP_WNDPROC));
    for (HWND child : made) {
        SendMessage(h, WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, 0), reinterpret_cast<LPARAM>(child));
        if (!self)
            return;
    }
}

void TCustomComboBox::CreateWnd()
{
    TWinControl::CreateWnd();
    MakeChildren();
    ShowSelection();
}

void TCustomComboBox::DestroyWnd()
{
    if (FDroppedDown) {
        FDroppedDown = false;
        if (FList->HandleAllocated() && GetCapture() == FList->Handle())
            ReleaseCapture();
    }
    // The children tell the box they go while it can still hear it (not while it is being freed).
    const bool notify = !HasState(csDestroying);
    auto release = [&](auto* child, WNDPROC own) {
        if (!child->HandleAllocated())
            return;
        HWND ch = child->Handle();
        if (notify && HandleAllocated())
            SendMessage(Handle(), WM_PARENTNOTIFY, MAKEWPARAM(WM_DESTROY, 0), reinterpret_cast<LPARAM>(ch));
        else if (own)
            // A descendant that subclassed the child is gone already: its procedure must not run.
            SetWindowLongPtr(ch, GWLP_WNDPROC, reinterpret_cast<std::intptr_t>(own));
        child->DestroyHandle();
    };
    release(FEdit.get(), FEditProc);
    release(FList.get(), FListProc);
    FDrop->DestroyHandle();
    FFocusInside = false;
    TWinControl::DestroyWnd();
}

int TCustomComboBox::ItemIndex() const { return FList->Core.CurSel(); }

void TCustomComboBox::SetItemIndex(int Value)
{
    if (ItemIndex() == Value)
        return;
    if (HandleAllocated()) {
        SendMessage(Handle(), CB_SETCURSEL, WPARAM(Value), 0);
    } else {
        FList->Core.SetCurSel(Value);
        ShowSelection();
    }
}

int TCustomComboBox::ItemHeight() const { return FList->Core.ItemHeight(-1); }

void TCustomComboBox::SetItemHeight(int Value)
{
    if (Value <= 0)
        return;
    FItemHeight = Value;
    SendList(this, ListHandle(), List(), LB_SETITEMHEIGHT, 0, MAKELPARAM(Value, 0));
    SetBounds(Left(), Top(), Width(), Height());
    LayoutChildren();
}

void TCustomComboBox::SetStyle(TComboBoxStyle Value)
{
    if (FStyle == Value)
        return;
    FStyle = Value;
    RecreateWnd();
    SetBounds(Left(), Top(), Width(), FStyle == csSimple ? std::max(Height(), EditHeight() * 4) : EditHeight());
}

void TCustomComboBox::SetSorted(bool Value)
{
    if (FSorted == Value)
        return;
    FSorted = Value;
    if (Value) {
        std::vector<TListItem> items;
        for (int i = 0; i < List()->Count(); ++i)
            items.push_back(List()->Item(i));
        const std::string text = Text();
        FItems->Clear();
        RecreateWnd();
        // Measuring an item may run a handler that frees the box.
        TGuardPtr<TCustomComboBox> self(this);
        for (const TListItem& item : items) {
            FItems->AddObject(item.Text, reinterpret_cast<TObject*>(item.Data));
            if (!self)
                return;
        }
        SetText(text);
    } else {
        RecreateWnd();
    }
}

void TCustomComboBox::SetMaxLength(int Value)
{
    FMaxLength = std::max(0, Value);
    FEdit->Core.SetLimit(FMaxLength);
}

void TCustomComboBox::SetCharCase(TEditCharCase Value)
{
    if (FCharCase == Value)
        return;
    FCharCase = Value;
    RecreateWnd();
}

int TCustomComboBox::SelStart() const { return HasEdit() ? FEdit->Core.SelStart() : 0; }
int TCustomComboBox::SelLength() const { return HasEdit() ? FEdit->Core.SelEnd() - FEdit->Core.SelStart() : 0; }
std::string TCustomComboBox::SelText() const { return HasEdit() ? FEdit->Core.SelText() : std::string(); }
void TCustomComboBox::SetSelStart(int Value) { FEdit->Core.SetSel(Value, Value); }

void TCustomComboBox::SetSelLength(int Value)
{
    const int start = FEdit->Core.SelStart();
    FEdit->Core.SetSel(start, start + std::max(0, Value));
}

void TCustomComboBox::SelectAll() { FEdit->Core.SetSel(0, -1); }

void TCustomComboBox::Clear()
{
    FItems->Clear();
    SetText(std::string());
}

void TCustomComboBox::SetText(const std::string& Value)
{
    FSettingText = true;
    if (HasEdit()) {
        FEdit->Core.SetText(Value);
        FText = FEdit->Text();
    } else {
        const int found = FItems->IndexOf(Value);
        FList->Core.SetCurSel(found);
        FText = found >= 0 ? Value : std::string();
        Invalidate();
    }
    FSettingText = false;
    Perform(CM_TEXTCHANGED, 0, 0);
}

void TCustomComboBox::ShowSelection()
{
    const int i = ItemIndex();
    const std::string text = i >= 0 ? List()->Item(i).Text : std::string();
    if (HasEdit()) {
        if (i < 0)
            return;  // a list without a choice leaves what was typed alone
        FSettingText = true;
        FEdit->Core.SetText(text);
        FEdit->Core.SetSel(0, -1);
        FSettingText = false;
        FText = text;
    } else {
        FText = text;
        Invalidate();
    }
}

bool TCustomComboBox::Notify(Word Code)
{
    if (!HandleAllocated())
        return true;
    HWND h = Handle();
    TGuardPtr<TCustomComboBox> self(this);
    if (HWND parent = GetParent(h))
        SendMessage(parent, WM_COMMAND, MAKEWPARAM(GetWindowLong(h, GWL_ID), Code), reinterpret_cast<LPARAM>(h));
    return bool(self);
}

void TCustomComboBox::SetDroppedDown(bool Value)
{
    if (Value == FDroppedDown || !HandleAllocated())
        return;
    if (Value)
        DropList();
    else
        CloseList(false);
}

void TCustomComboBox::DropList()
{
    if (FDroppedDown || FStyle == csSimple || !HandleAllocated())
        return;
    TGuardPtr<TCustomComboBox> self(this);
    // The parent may fill the list as it drops down.
    if (!Notify(CBN_DROPDOWN))
        return;
    FList->Core.SetKept(ItemIndex());
    FDropText = FText;
    FTypedInDrop = false;
    PlaceList(true);
    FDroppedDown = true;
    SendMessage(FList->Handle(), LB_SETCURSEL, WPARAM(FList->Core.Kept()), 0);
    SetCapture(FList->Handle());
    if (self)
        Invalidate();
}

void TCustomComboBox::PlaceList(bool Show)
{
    TListCore& core = FList->Core;
    const int n = core.Count();
    const int rows = std::clamp(n, 1, FDropDownCount);
    int height = 0;
    for (int i = 0; i < rows; ++i)
        height += core.ItemHeight(n > 0 ? i : -1);
    height += 2 * GetSystemMetrics(SM_CYBORDER);
    const int width = Width();
    TPoint p = ClientToScreen({0, Height()});
    // Above the box when there is no room below it on the screen.
    if (p.Y + height > GetSystemMetrics(SM_CYSCREEN))
        p.Y = ClientToScreen({0, 0}).Y - height;
    FList->Place = {0, 0, width, height};
    MoveWindow(FList->Handle(), 0, 0, width, height, TRUE);
    SetWindowPos(FDrop->Handle(), HWND_TOPMOST, p.X, p.Y, width, height, SWP_NOACTIVATE | (Show ? SWP_SHOWWINDOW : 0));
}

void TCustomComboBox::ItemsChanged(bool SelectionGone)
{
    if (FDroppedDown) {
        // The open list is as tall as its items ask; when the item it showed went, it shows the
        // choice of when it dropped again (forgotten if that went too), the field what it held.
        PlaceList(false);
        if (SelectionGone) {
            FList->Core.SetCurSel(FList->Core.Kept());
            RestoreText();
        }
    } else if (SelectionGone && !HasEdit()) {
        FText.clear();
        Invalidate();
    }
}

void TCustomComboBox::ClearField()
{
    FSettingText = true;
    if (HasEdit())
        FEdit->Core.SetText(std::string());
    FSettingText = false;
    FText.clear();
    KeepShownForEscape();
    Invalidate();
}

void TCustomComboBox::KeepShownForEscape()
{
    // Code's choice (or emptying) while the list is open is what closing it untaken goes back to,
    // as the list goes back to the choice code made.
    if (FDroppedDown)
        FDropText = FText;
}

bool TCustomComboBox::CloseList(bool Picked)
{
    if (!FDroppedDown)
        return true;
    TGuardPtr<TCustomComboBox> self(this);
    FDroppedDown = false;
    FButtonDown = false;
    if (GetCapture() == FList->Handle())
        ReleaseCapture();
    ShowWindow(FDrop->Handle(), SW_HIDE);
    const bool changed = Picked && ItemIndex() != FList->Core.Kept();
    if (Picked) {
        if (!FTypedInDrop)
            ShowSelection();
    } else {
        FList->Core.SetCurSel(FList->Core.Kept());
        RestoreText();
    }
    FList->Core.SetKept(ItemIndex());
    Invalidate();
    if (!Notify(Picked ? CBN_SELENDOK : CBN_SELENDCANCEL) || !Notify(CBN_CLOSEUP))
        return false;
    if (changed && !Notify(CBN_SELCHANGE))
        return false;
    return bool(self);
}

void TCustomComboBox::RestoreText()
{
    if (!HasEdit()) {
        ShowSelection();
        return;
    }
    // What was typed, chosen or not, comes back as it was; nothing was changed by the user.
    if (FEdit->Text() == FDropText)
        return;
    FSettingText = true;
    FEdit->Core.SetText(FDropText);
    FEdit->Core.SetSel(0, -1);
    FSettingText = false;
    FText = FDropText;
}

bool TCustomComboBox::ComboKey(Word Key, TShiftState Shift)
{
    const bool alt = Shift & ssAlt;
    if ((Key == VK_F4 && !alt) || (alt && (Key == VK_DOWN || Key == VK_UP))) {
        if (FDroppedDown)
            CloseList(true);
        else
            DropList();
        return true;
    }
    if (FDroppedDown) {
        switch (Key) {
        case VK_RETURN: CloseList(true); return true;
        case VK_ESCAPE: CloseList(false); return true;
        case VK_UP:
        case VK_DOWN:
        case VK_PRIOR:
        case VK_NEXT:
        case VK_HOME:
        case VK_END:
            SendMessage(FList->Handle(), WM_KEYDOWN, Key, 0);
            return true;
        default: return false;
        }
    }
    const bool listKeys = !HasEdit() || FStyle == csSimple;
    if (Key == VK_UP || Key == VK_DOWN || Key == VK_PRIOR || Key == VK_NEXT ||
        (listKeys && (Key == VK_HOME || Key == VK_END))) {
        if (FStyle == csSimple) {
            SendMessage(FList->Handle(), WM_KEYDOWN, Key, 0);
            return true;
        }
        const int n = List()->Count();
        if (n == 0)
            return true;
        int i = ItemIndex();
        const int page = std::max(1, FDropDownCount - 1);
        switch (Key) {
        case VK_UP: i = i < 0 ? 0 : i - 1; break;
        case VK_DOWN: i = i + 1; break;
        case VK_PRIOR: i -= page; break;
        case VK_NEXT: i = i < 0 ? page : i + page; break;
        case VK_HOME: i = 0; break;
        default: i = n - 1; break;
        }
        i = std::clamp(i, 0, n - 1);
        if (i == ItemIndex())
            return true;
        List()->SetCurSel(i);
        ShowSelection();
        FList->Core.SetKept(i);
        Notify(CBN_SELCHANGE);
        return true;
    }
    return false;
}

void TCustomComboBox::ChildFocus(bool Gained, HWND Other)
{
    if (Gained) {
        if (FFocusInside)
            return;
        FFocusInside = true;
        TGuardPtr<TCustomComboBox> self(this);
        TMessage m{WM_SETFOCUS, reinterpret_cast<WPARAM>(Other), 0, 0};
        TWinControl::WMSetFocus(m);
        if (self)
            Notify(CBN_SETFOCUS);
        return;
    }
    if (Other == Handle() || !FFocusInside)
        return;
    FFocusInside = false;
    if (!CloseList(false))
        return;
    TGuardPtr<TCustomComboBox> self(this);
    TMessage m{WM_KILLFOCUS, reinterpret_cast<WPARAM>(Other), 0, 0};
    TWinControl::WMKillFocus(m);
    if (self)
        Notify(CBN_KILLFOCUS);
}

void TCustomComboBox::Change()
{
    if (OnChange)
        OnChange(this);
}

void TCustomComboBox::Select()
{
    if (OnSelect)
        OnSelect(this);
    else
        Change();
}

void TCustomComboBox::DropDown()
{
    if (OnDropDown)
        OnDropDown(this);
}

void TCustomComboBox::CloseUp()
{
    if (OnCloseUp)
        OnCloseUp(this);
}

void TCustomComboBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State)
{
    if (OnDrawItem) {
        OnDrawItem(this, Index, Rect, State);
        return;
    }
    FCanvas->FillRect(Rect);
    if (Index >= 0 && Index < List()->Count())
        FCanvas->TextOut(Rect.Left + 2, Rect.Top, List()->Item(Index).Text);
}

void TCustomComboBox::MeasureItem(int Index, int& Height)
{
    if (OnMeasureItem)
        OnMeasureItem(this, Index, Height);
}

void TCustomComboBox::CNDrawItem(TMessage& Message)
{
    auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
    TOwnerDrawState state = 0;
    if (dis->itemState & ODS_SELECTED)
        state |= odSelected;
    if (dis->itemState & ODS_FOCUS)
        state |= odFocused;
    if (dis->itemState & ODS_DISABLED)
        state |= odDisabled;
    if (dis->itemState & ODS_COMBOBOXEDIT)
        state |= odComboBoxEdit;
    TGuardPtr<TCustomComboBox> self(this);
    const int saved = SaveDC(dis->hDC);
    FCanvas->FreeHandle();
    FCanvas->SetHandle(dis->hDC);
    FCanvas->SetFont(Font());
    FCanvas->Brush()->Assign(Brush());
    if (state & odSelected) {
        FCanvas->Brush()->SetColor(clHighlight);
        FCanvas->Font()->SetColor(clHighlightText);
    }
    DrawItem(int(dis->itemID), dis->rcItem, state);
    if (!self)
        return;
    if (state & odFocused)
        DrawFocusRect(dis->hDC, &dis->rcItem);
    FCanvas->SetHandle(nullptr);
    RestoreDC(dis->hDC, saved);
    Message.Result = 1;
}

void TCustomComboBox::PaintCombo(HDC DC)
{
    TRect c;
    GetClientRect(Handle(), &c);
    ::FillRect(DC, &c, Brush()->Handle());
    if (FStyle == csSimple)
        return;
    TRect frame = c;
    DrawEdge(DC, &frame, EDGE_SUNKEN, BF_RECT);
    TRect button = ButtonRect();
    DrawFrameControl(DC, &button, DFC_SCROLL,
                     DFCS_SCROLLDOWN | (FButtonDown || FDroppedDown ? DFCS_PUSHED | DFCS_FLAT : 0) |
                         (Enabled() ? 0 : DFCS_INACTIVE));
    if (HasEdit())
        return;
    // The chosen item, highlighted while the box has the focus.
    TRect field{3, 3, button.Left - 1, c.Bottom - 3};
    const bool focused = GetFocus() == Handle() && !FDroppedDown;
    const int index = ItemIndex();
    if (FStyle == csOwnerDrawFixed || FStyle == csOwnerDrawVariable) {
        DRAWITEMSTRUCT dis;
        dis.CtlType = ODT_COMBOBOX;
        dis.itemID = UINT(index);
        dis.itemAction = ODA_DRAWENTIRE;
        dis.itemState = ODS_COMBOBOXEDIT | (focused ? ODS_SELECTED | ODS_FOCUS : 0) | (Enabled() ? 0 : ODS_DISABLED);
        dis.hwndItem = Handle();
        dis.hDC = DC;
        dis.rcItem = field;
        dis.itemData = index >= 0 ? List()->Item(index).Data : 0;
        if (HWND parent = GetParent(Handle()))
            SendMessage(parent, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
        return;
    }
    HGDIOBJ oldFont = SelectObject(DC, Font()->Handle());
    SetBkMode(DC, TRANSPARENT);
    if (focused) {
        HBRUSH b = CreateSolidBrush(GetSysColor(COLOR_HIGHLIGHT));
        ::FillRect(DC, &field, b);
        DeleteObject(b);
        SetTextColor(DC, GetSysColor(COLOR_HIGHLIGHTTEXT));
    } else {
        SetTextColor(DC, Enabled() ? ColorToRGB(Font()->Color()) : GetSysColor(COLOR_GRAYTEXT));
    }
    if (index >= 0) {
        const std::string& s = List()->Item(index).Text;
        TRect t = field;
        t.Left += 2;
        DrawText(DC, s.c_str(), int(s.size()), &t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
    if (focused)
        DrawFocusRect(DC, &field);
    SelectObject(DC, oldFont);
}

void TCustomComboBox::DefaultHandler(TMessage& Message)
{
    HWND list = ListHandle();
    auto toList = [&](UINT msg, WPARAM w, LPARAM l) {
        return list ? SendMessage(list, msg, w, l) : SendList(this, nullptr, List(), msg, w, l);
    };
    switch (Message.Msg) {
    case WM_PAINT: {
        HDC dc = reinterpret_cast<HDC>(Message.WParam);
        PAINTSTRUCT ps;
        // OnDrawItem may free the combo box or raise: the paint still ends on its window.
        const TPaintEnd end{Handle(), ps};
        if (!dc)
            dc = BeginPaint(end.Wnd, &ps);
        PaintCombo(dc);
        return;
    }
    case WM_ERASEBKGND: Message.Result = 1; return;
    case WM_GETDLGCODE:
        Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | (FDroppedDown ? DLGC_WANTALLKEYS : 0);
        return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (!ComboKey(LOWORD(Message.WParam), KeyDataToShiftState(Message.LParam)))
            TWinControl::DefaultHandler(Message);
        return;
    case WM_CHAR:
        // Typing in a box without an edit field chooses the item that starts so.
        if (!HasEdit() && Message.WParam >= 0x20 && list)
            SendMessage(list, WM_CHAR, Message.WParam, 0);
        return;
    case WM_SETTEXT:
        SetText(Message.LParam ? reinterpret_cast<const char*>(Message.LParam) : "");
        Message.Result = TRUE;
        return;
    case WM_GETTEXTLENGTH: Message.Result = LRESULT(FText.size()); return;
    case WM_GETTEXT: {
        if (!Message.LParam || Message.WParam == 0)
            return;
        const size_t n = std::min(size_t(Message.WParam) - 1, FText.size());
        std::memcpy(reinterpret_cast<char*>(Message.LParam), FText.data(), n);
        reinterpret_cast<char*>(Message.LParam)[n] = 0;
        Message.Result = LRESULT(n);
        return;
    }
    case CB_ADDSTRING: Message.Result = toList(LB_ADDSTRING, 0, Message.LParam); return;
    case CB_INSERTSTRING: Message.Result = toList(LB_INSERTSTRING, Message.WParam, Message.LParam); return;
    case CB_DELETESTRING: Message.Result = toList(LB_DELETESTRING, Message.WParam, 0); return;
    case CB_RESETCONTENT:
        toList(LB_RESETCONTENT, 0, 0);
        ClearField();
        return;
    case CB_GETCOUNT: Message.Result = toList(LB_GETCOUNT, 0, 0); return;
    case CB_GETLBTEXT: Message.Result = toList(LB_GETTEXT, Message.WParam, Message.LParam); return;
    case CB_GETLBTEXTLEN: Message.Result = toList(LB_GETTEXTLEN, Message.WParam, 0); return;
    case CB_GETITEMDATA: Message.Result = toList(LB_GETITEMDATA, Message.WParam, 0); return;
    case CB_SETITEMDATA: Message.Result = toList(LB_SETITEMDATA, Message.WParam, Message.LParam); return;
    case CB_FINDSTRING: Message.Result = toList(LB_FINDSTRING, Message.WParam, Message.LParam); return;
    case CB_FINDSTRINGEXACT: Message.Result = toList(LB_FINDSTRINGEXACT, Message.WParam, Message.LParam); return;
    case CB_SELECTSTRING: {
        const LRESULT found = toList(LB_FINDSTRING, Message.WParam, Message.LParam);
        if (found >= 0) {
            List()->SetCurSel(int(found));
            FList->Core.SetKept(int(found));
            ShowSelection();
            KeepShownForEscape();
        }
        Message.Result = found;
        return;
    }
    case CB_SETCURSEL: {
        const int i = int(std::intptr_t(Message.WParam));
        List()->SetCurSel(i >= 0 && i < List()->Count() ? i : -1);
        FList->Core.SetKept(ItemIndex());
        if (ItemIndex() < 0)
            ClearField();
        else
            ShowSelection();
        KeepShownForEscape();
        Message.Result = ItemIndex() >= 0 ? ItemIndex() : CB_ERR;
        return;
    }
    case CB_GETCURSEL: Message.Result = ItemIndex() >= 0 ? ItemIndex() : CB_ERR; return;
    case CB_SHOWDROPDOWN: SetDroppedDown(Message.WParam != 0); Message.Result = TRUE; return;
    case CB_GETDROPPEDSTATE: Message.Result = FDroppedDown ? TRUE : FALSE; return;
    case CB_SETITEMHEIGHT:
        if (int(std::intptr_t(Message.WParam)) >= 0)
            Message.Result = toList(LB_SETITEMHEIGHT, Message.WParam, Message.LParam);
        return;
    case CB_GETITEMHEIGHT:
        Message.Result = int(std::intptr_t(Message.WParam)) < 0 ? Height() - 6 : List()->ItemHeight(int(Message.WParam));
        return;
    case CB_GETDROPPEDCONTROLRECT:
        if (Message.LParam) {
            TRect r;
            GetWindowRect(Handle(), &r);
            if (FDroppedDown) {
                TRect d;
                GetWindowRect(FDrop->Handle(), &d);
                UnionRect(r, r, d);
            }
            *reinterpret_cast<RECT*>(Message.LParam) = r;
        }
        Message.Result = TRUE;
        return;
    case CB_SETHORIZONTALEXTENT: toList(LB_SETHORIZONTALEXTENT, Message.WParam, 0); return;
    case CB_GETHORIZONTALEXTENT: Message.Result = toList(LB_GETHORIZONTALEXTENT, 0, 0); return;
    case CB_GETTOPINDEX: Message.Result = List()->TopIndex(); return;
    case CB_SETTOPINDEX: Message.Result = toList(LB_SETTOPINDEX, Message.WParam, 0); return;
    case CB_LIMITTEXT: SetMaxLength(int(Message.WParam)); Message.Result = TRUE; return;
    case CB_GETEDITSEL:
        if (EditHandle())
            Message.Result = SendMessage(EditHandle(), EM_GETSEL, Message.WParam, Message.LParam);
        return;
    case CB_SETEDITSEL:
        if (EditHandle())
            SendMessage(EditHandle(), EM_SETSEL, WPARAM(SHORT(LOWORD(Message.LParam))), SHORT(HIWORD(Message.LParam)));
        Message.Result = TRUE;
        return;
    default: TWinControl::DefaultHandler(Message); return;
    }
}

void TCustomComboBox::Dispatch(TMessage& Message)
{
    const HWND edit = EditHandle(), list = ListHandle();
    const HWND from = reinterpret_cast<HWND>(Message.LParam);
    switch (Message.Msg) {
    case WM_COMMAND:
        if (from && from == edit) {
            const Word code = HIWORD(Message.WParam);
            if (code == EN_CHANGE && !FSettingText) {
                FText = FEdit->Text();
                if (FDroppedDown) {
                    // What the user types in the field while the list is open is the field's own:
                    // the item shown there is no longer offered, and closing the list, taken or
                    // not, keeps the typed text (which OnChange has told) until a move in the list
                    // shows an item again.
                    FList->Core.SetCurSel(FList->Core.Kept());
                    FDropText = FText;
                    FTypedInDrop = true;
                }
                Notify(CBN_EDITCHANGE);
            } else if (code == EN_UPDATE && !FSettingText) {
                Notify(CBN_EDITUPDATE);
            }
            return;
        }
        if (from && from == list)
            return;
        TWinControl::Dispatch(Message);
        return;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
        if (from && (from == edit || from == list)) {
            HDC dc = reinterpret_cast<HDC>(Message.WParam);
            SetTextColor(dc, ColorToRGB(Font()->Color()));
            SetBkColor(dc, ColorToRGB(Color()));
            Message.Result = reinterpret_cast<LRESULT>(Brush()->Handle());
            return;
        }
        TWinControl::Dispatch(Message);
        return;
    case WM_SETFOCUS:
        if (HasEdit()) {
            if (edit)
                ::SetFocus(edit);
            return;
        }
        FFocusInside = true;
        TWinControl::Dispatch(Message);
        Invalidate();
        Notify(CBN_SETFOCUS);
        return;
    case WM_KILLFOCUS: {
        if (HasEdit())
            return;
        TGuardPtr<TCustomComboBox> self(this);
        FFocusInside = false;
        if (!CloseList(false))
            return;
        TWinControl::Dispatch(Message);
        if (!self)
            return;
        Invalidate();
        Notify(CBN_KILLFOCUS);
        return;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        HWND h = Handle();
        TGuardPtr<TCustomComboBox> self(this);
        const TPoint p{Message.XPos(), Message.YPos()};
        if (HasEdit() && edit && GetFocus() != edit)
            ::SetFocus(edit);
        else if (!HasEdit() && GetFocus() != h)
            ::SetFocus(h);
        if (!self)
            return;
        if (FStyle != csSimple && (!HasEdit() || PtInRect(ButtonRect(), p))) {
            FButtonDown = true;
            DropList();
            if (!self)
                return;
        }
        TWinControl::Dispatch(Message);
        return;
    }
    case WM_LBUTTONUP:
        FButtonDown = false;
        TWinControl::Dispatch(Message);
        return;
    case WM_SIZE: {
        // OnResize may free the combo box.
        TGuardPtr<TCustomComboBox> self(this);
        TWinControl::Dispatch(Message);
        if (!self)
            return;
        LayoutChildren();
        Invalidate();
        return;
    }
    case CM_FONTCHANGED:
        TWinControl::Dispatch(Message);
        FEdit->Font()->Assign(Font());
        FList->Font()->Assign(Font());
        FEdit->Core.Relayout();
        FList->Core.FontChanged();
        // Subclassers of the children hear of the font as they would from the system's combo box.
        for (HWND child : {edit, list})
            if (child)
                SendMessage(child, WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), TRUE);
        SetBounds(Left(), Top(), Width(), Height());
        LayoutChildren();
        return;
    case CM_COLORCHANGED:
        TWinControl::Dispatch(Message);
        FEdit->SetColor(Color());
        FList->SetColor(Color());
        return;
    case CM_ENABLEDCHANGED:
        TWinControl::Dispatch(Message);
        if (edit)
            EnableWindow(edit, Enabled());
        if (list)
            EnableWindow(list, Enabled());
        return;
    case WM_CANCELMODE:
        CloseList(false);
        return;
    case CN_DRAWITEM: CNDrawItem(Message); return;
    case CN_MEASUREITEM: {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
        int height = int(mis->itemHeight);
        MeasureItem(int(mis->itemID), height);
        mis->itemHeight = UINT(std::max(1, height));
        Message.Result = 1;
        return;
    }
    case CN_COMMAND:
        switch (HIWORD(Message.WParam)) {
        case CBN_SELCHANGE: {
            TGuardPtr<TCustomComboBox> self(this);
            Click();
            if (self)
                Select();
            break;
        }
        case CBN_EDITCHANGE: Change(); break;
        case CBN_DROPDOWN: DropDown(); break;
        case CBN_CLOSEUP: CloseUp(); break;
        default: break;
        }
        return;
    default: TWinControl::Dispatch(Message); return;
    }
}
