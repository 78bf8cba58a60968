// Labels, edit boxes, memos, list boxes, combo boxes and push buttons.
#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "platform/Controls.h"
#include "platform/Forms.h"

enum TTextLayout { tlTop, tlCenter, tlBottom };

// The accelerator of a caption: the character after a single "&" ("&&" is a literal ampersand),
// upper-cased in the code page the caption is in; 0 when there is none.
char CaptionAccelerator(const std::string& Caption, int CodePage = 1252);
// Whether the character Key (a byte of CodePage, as CM_DIALOGCHAR carries it) is Caption's
// accelerator, in either case.
bool IsCaptionAccelerator(WPARAM Key, const std::string& Caption, int CodePage);
// Enter in a dialog is the focused button's; only with the focus on a control that is no button
// (WM_GETDLGCODE without DLGC_BUTTON) is it the Default button's.
bool DefaultButtonTakesEnter();

class TCustomLabel : public TGraphicControl {
public:
    explicit TCustomLabel(TComponent* AOwner);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    TTextLayout Layout() const { return FLayout; }
    void SetLayout(TTextLayout Value);
    bool ShowAccelChar = true;
    TWinControl* FocusControl = nullptr;

    BEGIN_MESSAGE_MAP
        MESSAGE_HANDLER(CM_TEXTCHANGED, CMTextChanged)
        MESSAGE_HANDLER(CM_FONTCHANGED, CMFontChanged)
        MESSAGE_HANDLER(CM_DIALOGCHAR, CMDialogChar)
    END_MESSAGE_MAP(TGraphicControl)

protected:
    void Paint() override;
    void AdjustBounds();
    int DrawTextFlags() const;
    void CMTextChanged(TMessage& Message);
    void CMFontChanged(TMessage& Message);
    // The caption's accelerator focuses FocusControl.
    void CMDialogChar(TMessage& Message);

private:
    TAlignment FAlignment = taLeftJustify;
    bool FAutoSize = true;
    bool FTransparent = false;
    bool FWordWrap = false;
    TTextLayout FLayout = tlTop;
};

class TLabel : public TCustomLabel {
public:
    explicit TLabel(TComponent* AOwner) : TCustomLabel(AOwner) {}
};

namespace morvik::stdctl {
class TEditCore;
}

enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

// The edit box: one line of text the user types, selects with the keyboard and the mouse, cuts,
// copies and pastes (the desktop's clipboard), and undoes. Its window answers the edit messages
// (EM_*, WM_CUT, WM_COPY, WM_PASTE, WM_UNDO) and tells its parent of changes (WM_COMMAND with
// EN_CHANGE, which comes back to the edit as CN_COMMAND and raises OnChange).
class TCustomEdit : public TWinControl {
public:
    explicit TCustomEdit(TComponent* AOwner);
    ~TCustomEdit() override;

    bool AutoSelect() const { return FAutoSelect; }
    void SetAutoSelect(bool Value) { FAutoSelect = Value; }
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    TEditCharCase CharCase() const { return FCharCase; }
    void SetCharCase(TEditCharCase Value);
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool Value);
    // 0: no limit. Limits what the user types and pastes, not what the program sets.
    int MaxLength() const;
    void SetMaxLength(int Value);
    bool Modified() const;
    void SetModified(bool Value);
    bool OEMConvert() const { return FOEMConvert; }
    void SetOEMConvert(bool Value) { FOEMConvert = Value; }
    char PasswordChar() const;
    virtual void SetPasswordChar(char Value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    int SelStart() const;
    void SetSelStart(int Value);
    int SelLength() const;
    void SetSelLength(int Value);
    std::string SelText() const;
    void SetSelText(const std::string& Value);
    bool CanUndo() const;

    void Clear();
    void ClearSelection();
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();
    void Undo();
    void ClearUndo();
    void SelectAll();
    int GetSelTextBuf(char* Buffer, int BufSize) const;
    void SetSelTextBuf(const char* Buffer);

    void SetText(const std::string& Value) override;
    TNotifyEvent OnChange;

    void Dispatch(TMessage& Message) override;
    void DefaultHandler(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    virtual void Change();
    void DoEnter() override;
    // The window's style bits of the edit follow the properties at once.
    void UpdateEditStyle();
    morvik::stdctl::TEditCore* Core() const { return FCore.get(); }

private:
    std::unique_ptr<morvik::stdctl::TEditCore> FCore;
    bool FAutoSelect = true;
    TBorderStyle FBorderStyle = bsSingle;
    TEditCharCase FCharCase = ecNormal;
    bool FHideSelection = true;
    bool FOEMConvert = false;
    bool FReadOnly = false;
};

class TEdit : public TCustomEdit {
public:
    explicit TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
};

class TCustomMemo;

// The memo's lines: the text between its hard line breaks.
class TMemoStrings : public TStrings {
public:
    explicit TMemoStrings(TCustomMemo* Memo) : FMemo(Memo) {}
    int Count() const override;
    std::string Get(int Index) const override;
    void Put(int Index, const std::string& S) override;
    void Insert(int Index, const std::string& S) override;
    void Delete(int Index) override;
    void Clear() override;
    std::string GetText() const override;
    void SetText(const std::string& Value) override;

protected:
    void SetUpdateState(bool Updating) override;

private:
    TCustomMemo* FMemo;
};

// Many lines of text, wrapped at the box's width unless WordWrap is off or there is a horizontal
// scroll bar.
class TCustomMemo : public TCustomEdit {
public:
    explicit TCustomMemo(TComponent* AOwner);
    ~TCustomMemo() override;

    TStrings* Lines() const { return FLines.get(); }
    void SetLines(TStrings* Value) { FLines->Assign(Value); }
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle Value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    bool WantReturns() const { return FWantReturns; }
    void SetWantReturns(bool Value) { FWantReturns = Value; }
    bool WantTabs() const { return FWantTabs; }
    void SetWantTabs(bool Value) { FWantTabs = Value; }
    // The caret as column (X) and line (Y), lines as shown.
    TPoint CaretPos() const;
    void SetCaretPos(const TPoint& Value);

    void Dispatch(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void KeyPress(char& Key) override;

private:
    friend class TMemoStrings;
    std::unique_ptr<TMemoStrings> FLines;
    TAlignment FAlignment = taLeftJustify;
    TScrollStyle FScrollBars = ssNone;
    bool FWordWrap = true;
    bool FWantReturns = true;
    bool FWantTabs = false;
};

class TMemo : public TCustomMemo {
public:
    explicit TMemo(TComponent* AOwner) : TCustomMemo(AOwner) {}
};

namespace morvik::stdctl {
class TListCore;
class TComboEditWindow;
class TComboListWindow;
class TComboDropWindow;
}

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };

// The state of an owner-drawn item.
enum TOwnerDrawStateFlag : unsigned {
    odSelected = 1u << 0,
    odGrayed = 1u << 1,
    odDisabled = 1u << 2,
    odChecked = 1u << 3,
    odFocused = 1u << 4,
    odDefault = 1u << 5,
    odComboBoxEdit = 1u << 12,
};
using TOwnerDrawState = unsigned;

using TDrawItemEvent = std::function<void(TWinControl* Control, int Index, TRect Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = std::function<void(TWinControl* Control, int Index, int& Height)>;

class TCustomListBox;

// The items and their objects of a list window: a list box's or a combo box's drop-down list.
class TListWindowStrings : public TStrings {
public:
    int Count() const override;
    std::string Get(int Index) const override;
    void Put(int Index, const std::string& S) override;
    TObject* GetObject(int Index) const override;
    void PutObject(int Index, TObject* AObject) override;
    void Insert(int Index, const std::string& S) override;
    int Add(const std::string& S) override;
    // Measuring the new item may run a handler that frees the control and these strings: the
    // object is put in only while they are there.
    void InsertObject(int Index, const std::string& S, TObject* AObject) override;
    int AddObject(const std::string& S, TObject* AObject) override;
    void Delete(int Index) override;
    void Clear() override;
    int IndexOf(const std::string& S) const override;

protected:
    virtual morvik::stdctl::TListCore* Core() const = 0;
    // A list message (LB_*) to where the items live, their window or, without one, the list itself.
    virtual LRESULT Send(UINT Msg, WPARAM WParam, LPARAM LParam) const = 0;
    virtual int ChosenIndex() const = 0;
    virtual void Choose(int Index) = 0;
};

// The list box's items and their objects, kept by its window.
class TListBoxStrings : public TListWindowStrings {
public:
    explicit TListBoxStrings(TCustomListBox* ListBox) : FListBox(ListBox) {}

protected:
    morvik::stdctl::TListCore* Core() const override;
    LRESULT Send(UINT Msg, WPARAM WParam, LPARAM LParam) const override;
    int ChosenIndex() const override;
    void Choose(int Index) override;
    void SetUpdateState(bool Updating) override;

private:
    TCustomListBox* FListBox;
};

// A list of items to choose one or several of, drawn by the layer or by the program
// (OnDrawItem). OnClick follows a selection the user changed; OnDblClick a double click.
class TCustomListBox : public TWinControl {
public:
    explicit TCustomListBox(TComponent* AOwner);
    ~TCustomListBox() override;

    TStrings* Items() const { return FItems.get(); }
    void SetItems(TStrings* Value) { FItems->Assign(Value); }
    int Count() const;
    int ItemIndex() const;
    void SetItemIndex(int Value);
    // The height of items that are all alike (standard and fixed owner-drawn ones).
    int ItemHeight() const;
    void SetItemHeight(int Value);
    TListBoxStyle Style() const { return FStyle; }
    virtual void SetStyle(TListBoxStyle Value);
    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool Value);
    bool ExtendedSelect() const { return FExtendedSelect; }
    void SetExtendedSelect(bool Value);
    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    // Tab stops every TabWidth dialog units (quarters of an average character); 0: tabs not expanded.
    int TabWidth() const { return FTabWidth; }
    void SetTabWidth(int Value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    int TopIndex() const;
    void SetTopIndex(int Value);
    bool Selected(int Index) const;
    void SetSelected(int Index, bool Value);
    int SelCount() const;
    TCanvas* Canvas() const { return FCanvas.get(); }
    // The item at a client point; -1 there is none (with Existing) or past the last one.
    int ItemAtPos(const TPoint& Pos, bool Existing);
    TRect ItemRect(int Index);
    void Clear();
    void ClearSelection();
    void SelectAll();
    void DeleteSelected();

    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;

    void Dispatch(TMessage& Message) override;
    void DefaultHandler(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    virtual void DrawItem(int Index, TRect Rect, TOwnerDrawState State);
    virtual void MeasureItem(int Index, int& Height);
    morvik::stdctl::TListCore* Core() const { return FCore.get(); }

private:
    friend class TListBoxStrings;
    // The list's window, made when there is none yet only if the list has a parent to show in.
    LRESULT Send(UINT Msg, WPARAM WParam, LPARAM LParam) const;
    void CNDrawItem(TMessage& Message);
    std::unique_ptr<morvik::stdctl::TListCore> FCore;
    std::unique_ptr<TListBoxStrings> FItems;
    std::unique_ptr<TControlCanvas> FCanvas;
    TListBoxStyle FStyle = lbStandard;
    bool FMultiSelect = false;
    bool FExtendedSelect = true;
    bool FSorted = false;
    int FTabWidth = 0;
    TBorderStyle FBorderStyle = bsSingle;
};

class TListBox : public TCustomListBox {
public:
    explicit TListBox(TComponent* AOwner) : TCustomListBox(AOwner) {}
};

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

class TCustomComboBox;

// The combo box's items, kept by its list window.
class TComboBoxStrings : public TListWindowStrings {
public:
    explicit TComboBoxStrings(TCustomComboBox* ComboBox) : FComboBox(ComboBox) {}

protected:
    morvik::stdctl::TListCore* Core() const override;
    // Changes of the items go through the combo box's window (CB_*), which keeps its field in step.
    LRESULT Send(UINT Msg, WPARAM WParam, LPARAM LParam) const override;
    int ChosenIndex() const override;
    void Choose(int Index) override;

private:
    TCustomComboBox* FComboBox;
};

// An edit box (or, for csDropDownList, a chosen item) with a list that drops down under it. Its
// window makes two child windows of the classes "Edit" and "ComboLBox" and tells itself of each
// with WM_PARENTNOTIFY, so that a descendant can subclass them. The parent hears the CBN_*
// notifications as WM_COMMAND; they come back to the combo box as CN_COMMAND and raise OnChange,
// OnSelect, OnDropDown and OnCloseUp.
class TCustomComboBox : public TWinControl {
public:
    explicit TCustomComboBox(TComponent* AOwner);
    ~TCustomComboBox() override;

    TStrings* Items() const { return FItems.get(); }
    void SetItems(TStrings* Value) { FItems->Assign(Value); }
    int ItemIndex() const;
    void SetItemIndex(int Value);
    TComboBoxStyle Style() const { return FStyle; }
    void SetStyle(TComboBoxStyle Value);
    int ItemHeight() const;
    void SetItemHeight(int Value);
    // Items shown at once in the dropped-down list.
    int DropDownCount() const { return FDropDownCount; }
    void SetDropDownCount(int Value) { FDropDownCount = std::max(1, Value); }
    bool DroppedDown() const { return FDroppedDown; }
    void SetDroppedDown(bool Value);
    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int Value);
    TEditCharCase CharCase() const { return FCharCase; }
    void SetCharCase(TEditCharCase Value);
    int SelStart() const;
    void SetSelStart(int Value);
    int SelLength() const;
    void SetSelLength(int Value);
    std::string SelText() const;
    void SelectAll();
    TCanvas* Canvas() const { return FCanvas.get(); }
    // The child windows (0 while there is no window, or no edit in a csDropDownList box).
    HWND EditHandle() const;
    HWND ListHandle() const;
    void Clear();
    void SetText(const std::string& Value) override;

    TNotifyEvent OnChange;
    TNotifyEvent OnSelect;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;
    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;

    void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;
    void Dispatch(TMessage& Message) override;
    void DefaultHandler(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    virtual void Change();
    virtual void Select();
    virtual void DropDown();
    virtual void CloseUp();
    virtual void DrawItem(int Index, TRect Rect, TOwnerDrawState State);
    virtual void MeasureItem(int Index, int& Height);

private:
    friend class TComboBoxStrings;
    friend class morvik::stdctl::TComboEditWindow;
    friend class morvik::stdctl::TComboListWindow;
    morvik::stdctl::TListCore* List() const;
    bool HasEdit() const { return FStyle == csDropDown || FStyle == csSimple; }
    int EditHeight() const;
    TRect ButtonRect();
    void LayoutChildren();
    void MakeChildren();
    void DropList();
    // The drop-down list's place and height, from its items (shown too when Show).
    void PlaceList(bool Show);
    void ItemsChanged(bool SelectionGone);
    // The field emptied by code: no OnChange.
    void ClearField();
    void KeepShownForEscape();
    // Ends the dropped-down list's turn; false when a handler took the combo box away.
    bool CloseList(bool Picked);
    // The list's choice reaches the edit or the shown item.
    void ShowSelection();
    // The field shows again what it showed when the list dropped down.
    void RestoreText();
    bool Notify(Word Code);
    bool ComboKey(Word Key, TShiftState Shift);
    void ChildFocus(bool Gained, HWND Other);
    void PaintCombo(HDC DC);
    void CNDrawItem(TMessage& Message);
    TComboBoxStyle FStyle = csDropDown;
    int FDropDownCount = 8;
    bool FDroppedDown = false;
    bool FSorted = false;
    int FMaxLength = 0;
    TEditCharCase FCharCase = ecNormal;
    int FItemHeight = 0;
    std::string FDropText;     // the field's text when the list dropped, or what was typed in it since
    bool FTypedInDrop = false;  // typed in the field since the last move in the open list
    bool FFocusInside = false; // the edit or the box holds the focus
    bool FSettingText = false;
    bool FButtonDown = false;
    WNDPROC FEditProc = nullptr;  // the children's own procedures, before anyone subclassed them
    WNDPROC FListProc = nullptr;
    // Made last: the children read the box's settings as they are made.
    std::unique_ptr<morvik::stdctl::TComboEditWindow> FEdit;
    std::unique_ptr<morvik::stdctl::TComboDropWindow> FDrop;
    std::unique_ptr<morvik::stdctl::TComboListWindow> FList;
    std::unique_ptr<TComboBoxStrings> FItems;
    std::unique_ptr<TControlCanvas> FCanvas;
};

class TComboBox : public TCustomComboBox {
public:
    explicit TComboBox(TComponent* AOwner) : TCustomComboBox(AOwner) {}
};

class TButton : public TCustomControl {
public:
    explicit TButton(TComponent* AOwner);
    TModalResult ModalResult = mrNone;
    bool Default = false;
    bool Cancel = false;
    void Click() override;

    BEGIN_MESSAGE_MAP
        MESSAGE_HANDLER(WM_GETDLGCODE, WMGetDlgCode)
        MESSAGE_HANDLER(CM_DIALOGKEY, CMDialogKey)
        MESSAGE_HANDLER(CM_DIALOGCHAR, CMDialogChar)
        MESSAGE_HANDLER(WM_SETFOCUS, WMFocus)
        MESSAGE_HANDLER(WM_KILLFOCUS, WMFocus)
        MESSAGE_HANDLER(CM_TEXTCHANGED, CMTextChanged)
        MESSAGE_HANDLER(BM_SETSTYLE, BMSetStyle)
        MESSAGE_HANDLER(BM_CLICK, BMClick)
        MESSAGE_HANDLER(CN_COMMAND, CNCommand)
    END_MESSAGE_MAP(TCustomControl)

protected:
    void CreateParams(TCreateParams& Params) override;
    void Paint() override;
    // Shows the dialog's default look (BS_DEFPUSHBUTTON).
    bool DefaultLook();
    // A click tells the parent (WM_COMMAND with BN_CLICKED), which hands it back as CN_COMMAND.
    void Clicked();
    void BMSetStyle(TMessage& Message);
    void BMClick(TMessage& Message);
    void CNCommand(TMessage& Message);
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyUp(Word& Key, TShiftState Shift) override;
    void WMGetDlgCode(TMessage& Message);
    void CMDialogKey(TMessage& Message);
    void CMDialogChar(TMessage& Message);
    void WMFocus(TMessage& Message);
    void CMTextChanged(TMessage& Message);

private:
    bool FPressed = false;
    bool FTracking = false;
};
