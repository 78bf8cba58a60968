// TExAdvancedComboBox: the flat combo box, which subclasses its edit and list windows.
#include <algorithm>
#include <memory>
#include <unordered_map>

#include "controls/Exactrls.h"
#include "controls/Exflatctl.h"
#include "ctlbase/Eximgfrm.h"
#include "ctlbase/Exuxtheme.h"
#include "platform/Guard.h"
#include "platform/ThemeSchema.h"
#include "platform/WinGdi.h"

namespace exflat {

// A window procedure that hands the messages of the windows attached to it to one method of one
// combo box. A window still attached when the instance goes is orphaned: its next message gives it
// its own procedure back and goes on there, so it never reaches a combo box that is gone.
class TWndProcInstance {
public:
    TWndProcInstance(TExAdvancedComboBox* Combo, bool List) : FCombo(Combo), FList(List) {}
    ~TWndProcInstance()
    {
        for (auto& [wnd, entry] : Windows())
            if (entry.Owner == this)
                entry.Owner = nullptr;
    }
    TWndProcInstance(const TWndProcInstance&) = delete;
    TWndProcInstance& operator=(const TWndProcInstance&) = delete;

    static WNDPROC Proc() { return &Thunk; }
    void Attach(HWND Wnd, WNDPROC Old)
    {
        Windows()[Wnd] = TEntry{this, Old};
        SetWindowLongPtr(Wnd, GWLP_WNDPROC, reinterpret_cast<std::intptr_t>(&Thunk));
    }
    // Puts Wnd's own procedure back. When another subclass has gone in over this one since, the
    // window stays attached as an orphan that passes everything on, so that chain holds.
    static void Detach(HWND Wnd, WNDPROC Old)
    {
        auto it = Windows().find(Wnd);
        if (IsWindow(Wnd) && reinterpret_cast<WNDPROC>(GetWindowLongPtr(Wnd, GWLP_WNDPROC)) != &Thunk) {
            if (it != Windows().end())
                it->second.Owner = nullptr;
            return;
        }
        if (it != Windows().end())
            Windows().erase(it);
        if (IsWindow(Wnd))
            SetWindowLongPtr(Wnd, GWLP_WNDPROC, reinterpret_cast<std::intptr_t>(Old));
    }

private:
    struct TEntry {
        TWndProcInstance* Owner = nullptr;
        WNDPROC Old = nullptr;
    };
    static std::unordered_map<HWND, TEntry>& Windows()
    {
        static std::unordered_map<HWND, TEntry> windows;
        return windows;
    }
    static LRESULT Thunk(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
    {
        auto it = Windows().find(Wnd);
        if (it == Windows().end())
            return DefWindowProc(Wnd, Msg, WParam, LParam);
        const TEntry entry = it->second;
        if (!entry.Owner) {
            Detach(Wnd, entry.Old);
            const LRESULT result = CallWindowProc(entry.Old, Wnd, Msg, WParam, LParam);
            if (Msg == WM_DESTROY)
                Windows().erase(Wnd);
            return result;
        }
        TMessage m{Msg, WParam, LParam, 0};
        if (entry.Owner->FList)
            entry.Owner->FCombo->ListWndProc(m);
        else
            entry.Owner->FCombo->EditWndProc(m);
        return m.Result;
    }

    TExAdvancedComboBox* FCombo;
    bool FList;
};

}  // namespace exflat

using exflat::TWndProcInstance;

TExAdvancedComboBox::TExAdvancedComboBox(TComponent* AOwner)
    : TComboBox(AOwner), FFrameCanvas(std::make_unique<TCanvas>()),
      FListProcInstance(std::make_unique<TWndProcInstance>(this, true)),
      FEditProcInstance(std::make_unique<TWndProcInstance>(this, false))
{
}

TExAdvancedComboBox::~TExAdvancedComboBox()
{
    Destroying();
    // The children get their own procedures back before anything of this class goes.
    RestoreEdit();
    RestoreList();
    DestroyHandle();
}

// ---------------------------------------------------------------- properties

void TExAdvancedComboBox::SetActiveBorderType(TExFlatBorderType Value)
{
    if (FActiveBorderType == Value)
        return;
    FActiveBorderType = Value;
    if (FFlat && (IsFocused() || FMouseOver))
        UpdateFrame();
}

void TExAdvancedComboBox::SetInactiveBorderType(TExFlatBorderType Value)
{
    if (FInactiveBorderType == Value)
        return;
    FInactiveBorderType = Value;
    if (FFlat && !IsFocused() && !FMouseOver)
        UpdateFrame();
}

void TExAdvancedComboBox::SetFlat(bool Value)
{
    if (FFlat == Value)
        return;
    FFlat = Value;
    UpdateFrame();
}

void TExAdvancedComboBox::SetBtnFlat(bool Value)
{
    if (FBtnFlat == Value)
        return;
    FBtnFlat = Value;
    Invalidate();
}

void TExAdvancedComboBox::SetBtnTransparent(bool Value)
{
    if (FBtnTransparent == Value)
        return;
    FBtnTransparent = Value;
    Invalidate();
}

void TExAdvancedComboBox::SetBtnThinFrame(bool Value)
{
    if (FBtnThinFrame == Value)
        return;
    FBtnThinFrame = Value;
    Invalidate();
}

void TExAdvancedComboBox::SetHorizontalScroll(bool Value)
{
    if (FHorizontalScroll == Value)
        return;
    FHorizontalScroll = Value;
    if (HandleAllocated())
        RecreateWnd();
}

void TExAdvancedComboBox::SetUseXPThemes(bool Value)
{
    if (FUseXPThemes == Value)
        return;
    FUseXPThemes = Value;
    if (HandleAllocated())
        exflat::SwitchTheme(this, Value, FTheme, [this] { CreateThemeHandle(); }, [this] { FreeThemeHandle(); });
}

bool TExAdvancedComboBox::IsFocused()
{
    if (!HandleAllocated())
        return false;
    if (Style() == csDropDown)
        return EditHandle() && GetFocus() == EditHandle();
    return Focused();
}

void TExAdvancedComboBox::UpdateFrame()
{
    if (!HandleAllocated())
        return;
    const TRect r{0, 0, Width(), Height()};
    RedrawWindow(Handle(), &r, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME);
}

// ---------------------------------------------------------------- window and theme

void TExAdvancedComboBox::CreateParams(TCreateParams& Params)
{
    TComboBox::CreateParams(Params);
    Params.Style &= ~DWORD(WS_BORDER);
    Params.ExStyle &= ~DWORD(WS_EX_CLIENTEDGE);
    if (FHorizontalScroll)
        Params.Style |= WS_HSCROLL;
}

void TExAdvancedComboBox::CreateWindowHandle(const TCreateParams& Params)
{
    TCreateParams own = Params;
    own.Style &= ~DWORD(WS_HSCROLL);
    TComboBox::CreateWindowHandle(own);
}

void TExAdvancedComboBox::CreateWnd()
{
    TComboBox::CreateWnd();
    if (FUseXPThemes && !IsThemeApplied())
        CreateThemeHandle();
    if (FHorizontalScroll)
        ResetHorizontalExtent();
}

void TExAdvancedComboBox::DestroyWnd()
{
    TComboBox::DestroyWnd();
    if (IsThemeApplied())
        FreeThemeHandle();
}

void TExAdvancedComboBox::CreateThemeHandle() { FTheme = exflat::OpenTheme(Handle(), u"EDIT"); }

void TExAdvancedComboBox::FreeThemeHandle() { exflat::CloseTheme(FTheme); }

// ---------------------------------------------------------------- subclassing

void TExAdvancedComboBox::Subclass(HWND Child)
{
    char name[51] = {};
    GetClassName(Child, name, 50);
    const std::string cls = name;
    TCreateParams params;
    CreateParams(params);
    if (cls == "Edit" && (params.Style & CBS_DROPDOWN)) {
        FEditHandle = Child;
        FOldEditProc = reinterpret_cast<WNDPROC>(GetWindowLongPtr(Child, GWLP_WNDPROC));
        FEditProcInstance->Attach(Child, FOldEditProc);
    } else if (cls == "ComboLBox") {
        FListHandle = Child;
        if (!FOldListProc) {
            FOldListProc = reinterpret_cast<WNDPROC>(GetWindowLongPtr(Child, GWLP_WNDPROC));
            FListProcInstance->Attach(Child, FOldListProc);
        }
        if (params.Style & WS_HSCROLL)
            SetWindowLong(Child, GWL_STYLE, GetWindowLong(Child, GWL_STYLE) | LONG(WS_HSCROLL));
    }
}

void TExAdvancedComboBox::RestoreEdit()
{
    if (FEditHandle && FOldEditProc)
        TWndProcInstance::Detach(FEditHandle, FOldEditProc);
    FEditHandle = nullptr;
    FOldEditProc = nullptr;
}

void TExAdvancedComboBox::RestoreList()
{
    if (FListHandle && FOldListProc)
        TWndProcInstance::Detach(FListHandle, FOldListProc);
    FListHandle = nullptr;
    // Forgotten with the window, so that the next list window is subclassed in its turn.
    FOldListProc = nullptr;
}

void TExAdvancedComboBox::EditWndProc(TMessage& Message)
{
    const HWND h = FEditHandle;
    const WNDPROC old = FOldEditProc;
    TGuardPtr<TExAdvancedComboBox> self(this);
    if (Message.Msg == WM_DESTROY) {
        TWndProcInstance::Detach(h, old);
        Message.Result = CallWindowProc(old, h, Message.Msg, Message.WParam, Message.LParam);
        if (self && EditHook)
            EditHook(Message);
        if (!self)
            return;
        if (FEditHandle == h) {
            FOldEditProc = nullptr;
            FEditHandle = nullptr;
        }
        return;
    }
    if (EditHook)
        EditHook(Message);
    if (!self) {
        // The hook freed the box, and the field with it, unless it lives on elsewhere.
        if (IsWindow(h))
            Message.Result = CallWindowProc(old, h, Message.Msg, Message.WParam, Message.LParam);
        return;
    }
    Message.Result = CallWindowProc(old, h, Message.Msg, Message.WParam, Message.LParam);
    if (!self)
        return;
    // The edit field is part of the box: the mouse over it keeps the box hot.
    if (Message.Msg == WM_MOUSEMOVE && IsWindow(h)) {
        if (!FMouseOver) {
            TMessage enter{CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(this), 0};
            CMMouse(enter);
            if (!self)
                return;
        }
        TRACKMOUSEEVENT track;
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = h;
        TrackMouseEvent(&track);
    } else if (Message.Msg == WM_MOUSELEAVE) {
        MouseLeft();
    }
}

void TExAdvancedComboBox::ListWndProc(TMessage& Message)
{
    const HWND h = FListHandle;
    const WNDPROC old = FOldListProc;
    TGuardPtr<TExAdvancedComboBox> self(this);
    auto callOld = [&] { Message.Result = CallWindowProc(old, h, Message.Msg, Message.WParam, Message.LParam); };
    if (Message.Msg == WM_DESTROY) {
        callOld();
        TWndProcInstance::Detach(h, old);
        if (self && ListHook)
            ListHook(Message);
        if (!self)
            return;
        if (FListHandle == h) {
            FOldListProc = nullptr;
            FListHandle = nullptr;
        }
        return;
    }
    if (ListHook)
        ListHook(Message);
    if (!self) {
        if (IsWindow(h))
            callOld();
        return;
    }
    switch (Message.Msg) {
    case WM_NCPAINT:
        callOld();
        if (self)
            PaintListScrollBars(nullptr, false, false);
        return;
    case WM_HSCROLL:
    case WM_VSCROLL: {
        callOld();
        if (!self)
            return;
        bool& tracking = Message.Msg == WM_HSCROLL ? FHThumbTracking : FVThumbTracking;
        if (LOWORD(Message.WParam) == SB_THUMBTRACK)
            tracking = true;
        else if (LOWORD(Message.WParam) == SB_THUMBPOSITION)
            tracking = false;
        if (FFlat)
            PaintListScrollBars(nullptr, FHThumbTracking, FVThumbTracking);
        return;
    }
    case WM_SETFONT:
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
    case LB_DELETESTRING:
    case LB_RESETCONTENT:
        if (FHorizontalScroll) {
            ListExtent(Message);
            return;
        }
        callOld();
        return;
    default: callOld(); return;
    }
}

// ---------------------------------------------------------------- the sideways extent

int TExAdvancedComboBox::GetItemWidth(int Index) { return Canvas()->TextWidth(Items()->Get(Index) + "W"); }

void TExAdvancedComboBox::SetHorizontalExtent()
{
    if (FListHandle)
        SendMessage(FListHandle, LB_SETHORIZONTALEXTENT, WPARAM(FMaxItemWidth), 0);
}

void TExAdvancedComboBox::ResetHorizontalExtent()
{
    Canvas()->SetFont(Font());
    FMaxItemWidth = FWidths.Reset(Items()->Count(), [this](int i) { return GetItemWidth(i); });
    SetHorizontalExtent();
}

void TExAdvancedComboBox::ListExtent(TMessage& Message)
{
    const HWND h = FListHandle;
    const WNDPROC old = FOldListProc;
    auto callOld = [&] { Message.Result = CallWindowProc(old, h, Message.Msg, Message.WParam, Message.LParam); };
    Canvas()->SetFont(Font());
    switch (Message.Msg) {
    case WM_SETFONT:
        callOld();
        ResetHorizontalExtent();
        return;
    case LB_ADDSTRING:
    case LB_INSERTSTRING: {
        // Measuring the new item may run a handler that frees the box.
        TGuardPtr<TExAdvancedComboBox> self(this);
        callOld();
        if (!self)
            return;
        const int at = int(Message.Result);
        if (at >= 0 && at < Items()->Count()) {
            const int width = GetItemWidth(at);
            FWidths.Add(width);
            if (width > FMaxItemWidth) {
                FMaxItemWidth = width;
                SetHorizontalExtent();
            }
        }
        return;
    }
    case LB_DELETESTRING: {
        const int at = int(std::intptr_t(Message.WParam));
        if (at < 0 || at >= Items()->Count()) {
            callOld();
            return;
        }
        // The count of widths tells the next widest when the widest goes.
        const int width = GetItemWidth(at);
        callOld();
        if (!FWidths.Remove(width))
            ResetHorizontalExtent();
        else if (FWidths.Widest() != FMaxItemWidth) {
            FMaxItemWidth = FWidths.Widest();
            SetHorizontalExtent();
        }
        return;
    }
    case LB_RESETCONTENT:
        FWidths.Clear();
        FMaxItemWidth = 0;
        SetHorizontalExtent();
        callOld();
        return;
    default: callOld(); return;
    }
}

void TExAdvancedComboBox::PaintListScrollBars(HDC DC, bool HThumbTracking, bool VThumbTracking)
{
    if (IsThemeApplied() || !FListHandle || !FFlat)
        return;
    HDC dc = DC ? DC : GetWindowDC(FListHandle);
    TRect window;
    GetWindowRect(FListHandle, &window);
    DrawFlatScrollbars(FListHandle, dc, TRect{0, 0, window.Width(), window.Height()}, false, ssBoth, HThumbTracking,
                       VThumbTracking, false);
    if (!DC)
        ReleaseDC(FListHandle, dc);
}

// ---------------------------------------------------------------- the frame

void TExAdvancedComboBox::DrawFlatBorder(bool DrawButton)
{
    if (!HandleAllocated())
        return;
    HWND h = Handle();
    HDC dc = GetWindowDC(h);
    const bool dropped = DroppedDown();
    const bool active = IsFocused() || FMouseOver;
    const int state = !Enabled() ? 4 : dropped ? 3 : FMouseOver ? 2 : 1;
    const int cx = GetSystemMetrics(SM_CXVSCROLL);
    const TRect window{0, 0, Width(), Height()};
    const int saved = SaveDC(dc);
    if (IsThemeApplied()) {
        TRect c;
        GetClientRect(h, &c);
        ExcludeClipRect(dc, c.Left + 2, c.Top + 2, c.Right - cx - 2, c.Bottom - 2);
        const TRect button{window.Right - 1 - cx, window.Top + 1, window.Right - 1, window.Bottom - 1};
        if (SUCCEEDED(DrawThemeBackground(FTheme, dc, 0, 0, &window, nullptr)) &&
            SUCCEEDED(DrawThemeBackgroundTo(VSCLASS_COMBOBOX, dc, CP_DROPDOWNBUTTON, state, button, nullptr))) {
            RestoreDC(dc, saved);
            ReleaseDC(h, dc);
            return;
        }
    }
    const TExFlatBorderType type = !FFlat ? fbtSunken : active ? FActiveBorderType : FInactiveBorderType;
    const TColor buttonColour = Color() == clWindow ? clBtnFace : Color();
    DrawFlatFrameEx2(dc, window, Color(), active, Enabled(), AllBorderSides, type);
    if (DrawButton) {
        const TRect button{window.Right - 2 - cx, window.Top + 2, window.Right - 2, window.Bottom - 2};
        FFrameCanvas->SetHandle(dc);
        FFrameCanvas->Brush()->SetColor(FBtnTransparent ? Color() : buttonColour);
        FFrameCanvas->FillRect(button);
        if (!FBtnTransparent) {
            if (FBtnFlat && !dropped) {
                FFrameCanvas->Brush()->SetColor(buttonColour);
                FFrameCanvas->FrameRect(button);
            } else {
                DrawButtonFrameEx(FFrameCanvas->Handle(), button, active && !FBtnThinFrame, dropped, buttonColour,
                                  FBtnThinFrame);
            }
        }
        DrawArrow(FFrameCanvas.get(), eadDown, button, Font()->Color(), Enabled());
        FFrameCanvas->SetHandle(nullptr);
    }
    RestoreDC(dc, saved);
    ReleaseDC(h, dc);
}

// ---------------------------------------------------------------- messages

void TExAdvancedComboBox::CMMouse(TMessage& Message)
{
    const bool enter = Message.Msg == CM_MOUSEENTER;
    if (!enter) {
        // Onto the box's own edit field is not away from the box.
        TPoint cursor;
        TRect r;
        GetCursorPos(&cursor);
        GetWindowRect(Handle(), &r);
        if (PtInRect(r, cursor))
            return;
    }
    if (enter == FMouseOver || !exflat::TakeHotState(this, enter, FMouseOver))
        return;
    if (IsThemeApplied() || (FFlat && FActiveBorderType != FInactiveBorderType) || (!FBtnThinFrame && !IsFocused()))
        UpdateFrame();
    exflat::TellMouse(this, enter);
}

void TExAdvancedComboBox::MouseLeft()
{
    TMessage leave{CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(this), 0};
    CMMouse(leave);
}

void TExAdvancedComboBox::WndProc(TMessage& Message)
{
    TGuardPtr<TExAdvancedComboBox> self(this);
    switch (Message.Msg) {
    case WM_PARENTNOTIFY:
        if (LOWORD(Message.WParam) == WM_DESTROY) {
            const HWND child = reinterpret_cast<HWND>(Message.LParam);
            if (child && child == FEditHandle)
                RestoreEdit();
            else if (child && child == FListHandle)
                RestoreList();
        }
        TComboBox::WndProc(Message);
        if (self && LOWORD(Message.WParam) == WM_CREATE && Message.LParam)
            Subclass(reinterpret_cast<HWND>(Message.LParam));
        return;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
        if (Message.LParam == 0 || Message.LParam == reinterpret_cast<LPARAM>(this)) {
            CMMouse(Message);
            return;
        }
        break;
    case WM_PAINT:
        TComboBox::WndProc(Message);
        if (self)
            DrawFlatBorder(true);
        return;
    case WM_NCPAINT:
        TComboBox::WndProc(Message);
        if (self && FFlat) {
            DrawFlatBorder(false);
            Message.Result = 0;
        }
        return;
    case WM_ERASEBKGND: Message.Result = 1; return;
    case WM_SIZE:
        TComboBox::WndProc(Message);
        if (self && FFlat)
            UpdateFrame();
        return;
    case CM_ENTER:
    case CM_EXIT:
    case WM_SETFOCUS:
        TComboBox::WndProc(Message);
        if (self)
            Invalidate();
        return;
    case WM_KILLFOCUS:
        TComboBox::WndProc(Message);
        if (self && FFlat && FActiveBorderType != FInactiveBorderType)
            UpdateFrame();
        return;
    case CN_COMMAND:
        TComboBox::WndProc(Message);
        if (self && HIWORD(Message.WParam) == CBN_CLOSEUP)
            Invalidate();
        return;
    case WM_THEMECHANGED:
        RecreateWnd();
        Message.Result = 1;
        return;
    case WM_WINDOWPOSCHANGED:
        TComboBox::WndProc(Message);
        if (self)
            Perform(IFM_REPAINTCHILDREN, 0, 0);
        return;
    case IFM_REPAINTCHILDREN:
        TComboBox::WndProc(Message);
        if (!self)
            return;
        Invalidate();
        for (int i = 0; i < ControlCount(); ++i)
            Controls(i)->Perform(IFM_REPAINTCHILDREN, 0, 0);
        return;
    default: break;
    }
    TComboBox::WndProc(Message);
}
