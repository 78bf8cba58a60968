// The edit box and the memo: properties over the edit window of EditCore.
#include <algorithm>
#include <cstring>

#include "platform/EditCore.h"
#include "platform/Guard.h"
#include "platform/Menus.h"
#include "platform/StdCtrls.h"

using morvik::stdctl::TEditCore;

// ---- TCustomEdit -------------------------------------------------------------------------------
TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner), FCore(new TEditCore(this, FText))
{
    ControlStyle = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks | csFixedHeight;
    SetBounds(0, 0, 121, 21);
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clWindow);
    SetCursor(crIBeam);
    FCore->SetStyleSource([this] {
        TCreateParams p;
        CreateParams(p);
        return p.Style;
    });
}

TCustomEdit::~TCustomEdit()
{
    // The window goes while the core lives; descendants are gone already, so without their procedures.
    Destroying();
    DestroyHandle();
}

void TCustomEdit::CreateParams(TCreateParams& Params)
{
    TWinControl::CreateParams(Params);
    Params.Style |= ES_AUTOHSCROLL | ES_AUTOVSCROLL;
    if (FBorderStyle == bsSingle) {
        if (Ctl3D())
            Params.ExStyle |= WS_EX_CLIENTEDGE;
        else
            Params.Style |= WS_BORDER;
    }
    if (FReadOnly)
        Params.Style |= ES_READONLY;
    if (FCharCase == ecUpperCase)
        Params.Style |= ES_UPPERCASE;
    else if (FCharCase == ecLowerCase)
        Params.Style |= ES_LOWERCASE;
    if (!FHideSelection)
        Params.Style |= ES_NOHIDESEL;
    if (FOEMConvert)
        Params.Style |= ES_OEMCONVERT;
    if (FCore && FCore->PasswordChar())
        Params.Style |= ES_PASSWORD;
}

void TCustomEdit::UpdateEditStyle()
{
    if (!HandleAllocated())
        return;
    TCreateParams p;
    CreateParams(p);
    // The low word holds the edit's own style bits; the window keeps the rest.
    const DWORD mine = 0xFFFF | WS_HSCROLL | WS_VSCROLL;
    const DWORD now = DWORD(GetWindowLong(Handle(), GWL_STYLE));
    SetWindowLong(Handle(), GWL_STYLE, LONG((now & ~mine) | (p.Style & mine)));
    FCore->Relayout();
}

void TCustomEdit::SetBorderStyle(TBorderStyle Value)
{
    if (FBorderStyle == Value)
        return;
    FBorderStyle = Value;
    RecreateWnd();
}

void TCustomEdit::SetCharCase(TEditCharCase Value)
{
    if (FCharCase == Value)
        return;
    FCharCase = Value;
    UpdateEditStyle();
}

void TCustomEdit::SetHideSelection(bool Value)
{
    if (FHideSelection == Value)
        return;
    FHideSelection = Value;
    UpdateEditStyle();
}

void TCustomEdit::SetReadOnly(bool Value)
{
    if (FReadOnly == Value)
        return;
    FReadOnly = Value;
    if (HandleAllocated())
        SendMessage(Handle(), EM_SETREADONLY, Value ? TRUE : FALSE, 0);
}

int TCustomEdit::MaxLength() const { return FCore->Limit(); }

void TCustomEdit::SetMaxLength(int Value)
{
    Value = std::max(0, Value);
    if (HandleAllocated())
        SendMessage(Handle(), EM_LIMITTEXT, WPARAM(Value), 0);
    else
        FCore->SetLimit(Value);
}

bool TCustomEdit::Modified() const { return FCore->Modified(); }
void TCustomEdit::SetModified(bool Value) { FCore->SetModified(Value); }
char TCustomEdit::PasswordChar() const { return FCore->PasswordChar(); }

void TCustomEdit::SetPasswordChar(char Value)
{
    if (FCore->PasswordChar() == Value)
        return;
    if (HandleAllocated())
        SendMessage(Handle(), EM_SETPASSWORDCHAR, static_cast<unsigned char>(Value), 0);
    else
        FCore->SetPasswordChar(Value);
    UpdateEditStyle();
}

int TCustomEdit::SelStart() const { return FCore->SelStart(); }
int TCustomEdit::SelLength() const { return FCore->SelEnd() - FCore->SelStart(); }
std::string TCustomEdit::SelText() const { return FCore->SelText(); }
bool TCustomEdit::CanUndo() const { return FCore->CanUndo(); }

void TCustomEdit::SetSelStart(int Value) { FCore->SetSel(std::max(0, Value), std::max(0, Value)); }

void TCustomEdit::SetSelLength(int Value)
{
    const int start = FCore->SelStart();
    FCore->SetSel(start, std::max(0, start + Value));
}

void TCustomEdit::SetSelText(const std::string& Value)
{
    if (HandleAllocated())
        SendMessage(Handle(), EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(Value.c_str()));
    else
        FCore->ReplaceSel(Value, false);
}

void TCustomEdit::Clear() { SetText(std::string()); }
void TCustomEdit::ClearSelection() { Perform(WM_CLEAR, 0, 0); }
void TCustomEdit::CopyToClipboard() { Perform(WM_COPY, 0, 0); }
void TCustomEdit::CutToClipboard() { Perform(WM_CUT, 0, 0); }
void TCustomEdit::PasteFromClipboard() { Perform(WM_PASTE, 0, 0); }
void TCustomEdit::Undo() { Perform(WM_UNDO, 0, 0); }
void TCustomEdit::ClearUndo() { FCore->ClearUndo(); }
void TCustomEdit::SelectAll() { FCore->SetSel(0, -1); }

int TCustomEdit::GetSelTextBuf(char* Buffer, int BufSize) const
{
    if (!Buffer || BufSize <= 0)
        return 0;
    const std::string s = SelText();
    const int n = std::min(BufSize - 1, int(s.size()));
    std::memcpy(Buffer, s.data(), size_t(n));
    Buffer[n] = 0;
    return n;
}

void TCustomEdit::SetSelTextBuf(const char* Buffer) { SetSelText(Buffer ? Buffer : ""); }

void TCustomEdit::SetText(const std::string& Value)
{
    if (Value == FText)
        return;
    if (HandleAllocated()) {
        TGuardPtr<TCustomEdit> self(this);
        SendMessage(Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Value.c_str()));
        if (!self)
            return;
    } else {
        FCore->SetText(Value);
    }
    Perform(CM_TEXTCHANGED, 0, 0);
}

void TCustomEdit::Change()
{
    if (OnChange)
        OnChange(this);
}

void TCustomEdit::DoEnter()
{
    // Tabbing into a one-line edit selects its text; a click places the caret instead.
    if (FAutoSelect && GetKeyState(VK_LBUTTON) >= 0 && !(FCore->Style() & ES_MULTILINE))
        SelectAll();
    TWinControl::DoEnter();
}

void TCustomEdit::DefaultHandler(TMessage& Message)
{
    if (!FCore->WindowProc(Message))
        TWinControl::DefaultHandler(Message);
}

void TCustomEdit::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
    case WM_MBUTTONUP:
    case WM_MOUSEMOVE: {
        // The edit's own handling first, then the control's mouse events.
        TGuardPtr<TCustomEdit> self(this);
        DefaultHandler(Message);
        if (self)
            TWinControl::Dispatch(Message);
        break;
    }
    case WM_CONTEXTMENU:
        // A menu of the edit's own, else the edit menu (not a parent's menu: text fields keep theirs).
        if (PopupMenu() && PopupMenu()->AutoPopup)
            TWinControl::Dispatch(Message);
        else
            DefaultHandler(Message);
        break;
    case WM_SIZE: {
        // OnResize may free the edit.
        TGuardPtr<TCustomEdit> self(this);
        TWinControl::Dispatch(Message);
        if (self)
            FCore->WindowProc(Message);
        break;
    }
    case CM_FONTCHANGED:
        TWinControl::Dispatch(Message);
        FCore->Relayout();
        break;
    case CM_TEXTCHANGED:
        TWinControl::Dispatch(Message);
        // With a window, the edit's EN_CHANGE raised the event already.
        if (!HandleAllocated())
            Change();
        break;
    case CN_COMMAND:
        if (HIWORD(Message.WParam) == EN_CHANGE)
            Change();
        break;
    default: TWinControl::Dispatch(Message); break;
    }
}

// ---- TCustomMemo -------------------------------------------------------------------------------
TCustomMemo::TCustomMemo(TComponent* AOwner) : TCustomEdit(AOwner), FLines(new TMemoStrings(this))
{
    SetBounds(0, 0, 185, 89);
    SetAutoSelect(false);
    ControlStyle &= ~TControlStyle(csFixedHeight);
}

TCustomMemo::~TCustomMemo() { DestroyHandle(); }

void TCustomMemo::CreateParams(TCreateParams& Params)
{
    TCustomEdit::CreateParams(Params);
    Params.Style |= ES_MULTILINE;
    // Wrapped lines need no horizontal scrolling.
    if (FWordWrap && !(FScrollBars == ssHorizontal || FScrollBars == ssBoth))
        Params.Style &= ~ES_AUTOHSCROLL;
    if (FAlignment == taCenter)
        Params.Style |= ES_CENTER;
    else if (FAlignment == taRightJustify)
        Params.Style |= ES_RIGHT;
    if (FScrollBars == ssVertical || FScrollBars == ssBoth)
        Params.Style |= WS_VSCROLL;
    if (FScrollBars == ssHorizontal || FScrollBars == ssBoth)
        Params.Style |= WS_HSCROLL;
}

void TCustomMemo::SetAlignment(TAlignment Value)
{
    if (FAlignment == Value)
        return;
    FAlignment = Value;
    UpdateEditStyle();
}

void TCustomMemo::SetScrollBars(TScrollStyle Value)
{
    if (FScrollBars == Value)
        return;
    FScrollBars = Value;
    RecreateWnd();
}

void TCustomMemo::SetWordWrap(bool Value)
{
    if (FWordWrap == Value)
        return;
    FWordWrap = Value;
    UpdateEditStyle();
}

TPoint TCustomMemo::CaretPos() const
{
    const int line = Core()->LineFromChar(Core()->Caret());
    return {Core()->Caret() - Core()->LineIndex(line), line};
}

void TCustomMemo::SetCaretPos(const TPoint& Value)
{
    const int start = Core()->LineIndex(std::max(0, Value.Y));
    if (start < 0)
        return;
    const int line = Core()->LineFromChar(start);
    const int pos = start + std::clamp(Value.X, 0, Core()->LineLength(line));
    Core()->SetSel(pos, pos);
}

void TCustomMemo::KeyPress(char& Key)
{
    TCustomEdit::KeyPress(Key);
    if (Key == '\r' && !FWantReturns)
        Key = 0;
}

void TCustomMemo::Dispatch(TMessage& Message)
{
    if (Message.Msg == WM_GETDLGCODE) {
        TCustomEdit::Dispatch(Message);
        Message.Result = FWantTabs ? (Message.Result | DLGC_WANTTAB) : (Message.Result & ~DLGC_WANTTAB);
        if (!FWantReturns)
            Message.Result &= ~DLGC_WANTALLKEYS;
        return;
    }
    TCustomEdit::Dispatch(Message);
}

// ---- TMemoStrings ------------------------------------------------------------------------------
int TMemoStrings::Count() const { return FMemo->Core()->ParagraphCount(); }

std::string TMemoStrings::Get(int Index) const
{
    TEditCore* core = FMemo->Core();
    if (Index < 0 || Index >= core->ParagraphCount())
        Error(SysMsg::ListIndexError, Index);
    const int start = core->ParagraphStart(Index);
    return core->Text().substr(size_t(start), size_t(core->ParagraphLength(Index)));
}

void TMemoStrings::Put(int Index, const std::string& S)
{
    TEditCore* core = FMemo->Core();
    if (Index < 0 || Index >= core->ParagraphCount())
        Error(SysMsg::ListIndexError, Index);
    const int start = core->ParagraphStart(Index);
    core->SetSel(start, start + core->ParagraphLength(Index));
    FMemo->SetSelText(S);
}

void TMemoStrings::Insert(int Index, const std::string& S)
{
    TEditCore* core = FMemo->Core();
    const int count = core->ParagraphCount();
    if (Index < 0 || Index > count)
        Error(SysMsg::ListIndexError, Index);
    if (Index < count) {
        const int start = core->ParagraphStart(Index);
        core->SetSel(start, start);
        FMemo->SetSelText(S + "\r\n");
        return;
    }
    // After the last line: a line break first unless the text already ends with one.
    const std::string& t = core->Text();
    const bool needBreak = !t.empty() && t.back() != '\n' && t.back() != '\r';
    core->SetSel(-1, int(t.size()));
    FMemo->SetSelText(needBreak ? "\r\n" + S : S);
}

void TMemoStrings::Delete(int Index)
{
    TEditCore* core = FMemo->Core();
    const int count = core->ParagraphCount();
    if (Index < 0 || Index >= count)
        Error(SysMsg::ListIndexError, Index);
    const int start = core->ParagraphStart(Index);
    int end = core->ParagraphStart(Index + 1);
    if (end < 0)
        end = int(core->Text().size());
    // The last line takes the break before it along.
    int from = start;
    if (Index + 1 >= count && Index > 0 && core->ParagraphStart(Index + 1) < 0) {
        const std::string& t = core->Text();
        from = start - ((start >= 2 && t.compare(size_t(start - 2), 2, "\r\n") == 0) ? 2 : 1);
    }
    core->SetSel(from, end);
    FMemo->SetSelText(std::string());
}

void TMemoStrings::Clear() { FMemo->SetText(std::string()); }

std::string TMemoStrings::GetText() const { return FMemo->Text(); }

void TMemoStrings::SetText(const std::string& Value)
{
    // Line breaks become CR LF, as the memo keeps them.
    std::string t;
    t.reserve(Value.size());
    for (size_t i = 0; i < Value.size(); ++i) {
        if (Value[i] == '\r' || Value[i] == '\n') {
            t += "\r\n";
            if (Value[i] == '\r' && i + 1 < Value.size() && Value[i + 1] == '\n')
                ++i;
        } else {
            t += Value[i];
        }
    }
    FMemo->SetText(t);
}

void TMemoStrings::SetUpdateState(bool Updating)
{
    if (!FMemo->HandleAllocated())
        return;
    SendMessage(FMemo->Handle(), WM_SETREDRAW, Updating ? FALSE : TRUE, 0);
    if (!Updating)
        FMemo->Invalidate();
}
