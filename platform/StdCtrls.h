// Labels, edits and push buttons.
#pragma once

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

// A single-line edit box, drawn by the layer.
class TCustomEdit : public TCustomControl {
public:
    explicit TCustomEdit(TComponent* AOwner);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    int MaxLength = 0;
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    bool AutoSelect = true;
    void SetText(const std::string& Value) override;
    TNotifyEvent OnChange;

    BEGIN_MESSAGE_MAP
        MESSAGE_HANDLER(WM_GETDLGCODE, WMGetDlgCode)
        MESSAGE_HANDLER(WM_SETFOCUS, WMFocus)
        MESSAGE_HANDLER(WM_KILLFOCUS, WMFocus)
    END_MESSAGE_MAP(TCustomControl)

protected:
    void CreateParams(TCreateParams& Params) override;
    void Paint() override;
    void KeyPress(char& Key) override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    virtual void Change();
    void WMGetDlgCode(TMessage& Message);
    void WMFocus(TMessage& Message);
    void PlaceCaret();

private:
    bool FReadOnly = false;
    TBorderStyle FBorderStyle = bsSingle;
};

class TEdit : public TCustomEdit {
public:
    explicit TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
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
