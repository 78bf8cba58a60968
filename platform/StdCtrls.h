// Labels, edit boxes, memos, list boxes, combo boxes and push buttons.
#pragma once

#include <memory>
#include <string>

#include "platform/Controls.h"
#include "platform/Forms.h"

enum TTextLayout { tlTop, tlCenter, tlBottom };

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
    END_MESSAGE_MAP(TGraphicControl)

protected:
    void Paint() override;
    void AdjustBounds();
    int DrawTextFlags() const;
    void CMTextChanged(TMessage& Message);
    void CMFontChanged(TMessage& Message);

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
        MESSAGE_HANDLER(WM_SETFOCUS, WMFocus)
        MESSAGE_HANDLER(WM_KILLFOCUS, WMFocus)
        MESSAGE_HANDLER(CM_TEXTCHANGED, CMTextChanged)
    END_MESSAGE_MAP(TCustomControl)

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyUp(Word& Key, TShiftState Shift) override;
    void WMGetDlgCode(TMessage& Message);
    void CMDialogKey(TMessage& Message);
    void WMFocus(TMessage& Message);
    void CMTextChanged(TMessage& Message);

private:
    bool FPressed = false;
    bool FTracking = false;
};
