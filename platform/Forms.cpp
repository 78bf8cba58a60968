// Forms, the application object and its message loop, hints, the screen and its cursors.
#include "platform/Forms.h"

#include <algorithm>
#include <sys/stat.h>

#include "platform/Backend.h"
#include "platform/CmdLine.h"
#include "platform/Guard.h"
#include "platform/Menus.h"
#include "platform/ShellApi.h"

using namespace morvik::backend;

TApplication* Application = new TApplication(nullptr);
TScreen* Screen = new TScreen(nullptr);

namespace {
std::vector<TCustomForm*>& AllForms()
{
    static std::vector<TCustomForm*> v;
    return v;
}
TModalAnswerer* gModalAnswerer = nullptr;
// The form whose control the keyboard focus was last given to, and a count of focus changes so that
// a handler moving the focus elsewhere is noticed.
TCustomForm* gFocusedForm = nullptr;
unsigned gFocusCount = 0;

// False when the handler of Msg moved the focus on.
bool SendFocusMessage(TWinControl* Control, UINT Msg)
{
    unsigned count = gFocusCount;
    if (Control->HandleAllocated())
        SendMessage(Control->Handle(), Msg, 0, 0);
    else
        Control->Perform(Msg, 0, 0);
    return count == gFocusCount;
}
}  // namespace

TModalAnswerer* SetModalAnswerer(TModalAnswerer* Answerer)
{
    TModalAnswerer* old = gModalAnswerer;
    gModalAnswerer = Answerer;
    return old;
}

TModalAnswerer* ModalAnswerer() { return gModalAnswerer; }

bool CallModalHook(TObject* Dialog, int& Result)
{
    // A modal window ends whatever the mouse was doing: the window holding it hears WM_CANCELMODE;
    // and the keys go to it, not to a menu bar behind it.
    morvik::backend::LeaveMenuBar();
    if (HWND capture = GetCapture())
        SendMessage(capture, WM_CANCELMODE, 0, 0);
    return gModalAnswerer && gModalAnswerer->ModalStarting(Dialog, Result);
}

// ---- TCustomForm ------------------------------------------------------------------------------
TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner)
{
    FVisible = false;
    FParentColor = false;
    FParentFont = false;
    FColor = clBtnFace;
    Brush()->SetColor(clBtnFace);
    ControlStyle |= csAcceptsControls;
    FWidth = 320;
    FHeight = 240;
    AllForms().push_back(this);
    // Components are placed by the derived constructor; aligning them waits until it is done.
    SetState(csLoading, true);
    DisableAlign();
}

void TCustomForm::AfterConstruction()
{
    if (HasState(csLoading)) {
        SetState(csLoading, false);
        // As after reading a form's design: every component hears that its properties are set.
        for (int i = 0; i < ComponentCount(); ++i)
            Components(i)->Loaded();
        Loaded();
    }
    EndAlignHold();
    DoCreate();
}

void TCustomForm::EndAlignHold()
{
    if (!FAlignHeld)
        return;
    FAlignHeld = false;
    EnableAlign();
}

void TCustomForm::BeforeDestruction()
{
    if (FDestroyed)
        return;
    FDestroyed = true;
    if (FCreated && OnDestroy) {
        try {
            OnDestroy(this);
        } catch (const std::exception& e) {
            Application->ShowException(e);
        }
    }
}

TCustomForm::~TCustomForm()
{
    if (gFocusedForm == this)
        gFocusedForm = nullptr;
    BeforeDestruction();
    Destroying();
    // Owned components go while the form is still whole.
    DestroyComponents();
    if (Application)
        Application->RemoveForm(this);
    auto& all = AllForms();
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

void TCustomForm::DoCreate()
{
    if (HasState(csLoading)) {
        AfterConstruction();
        return;
    }
    if (FCreated)
        return;
    FCreated = true;
    if (OnCreate)
        OnCreate(this);
}

void TCustomForm::SetBorderStyle(TBorderStyle Value)
{
    if (FBorderStyle == Value)
        return;
    FBorderStyle = Value;
    if (HandleAllocated())
        RecreateWnd();
    Realign();
}

void TCustomForm::SetFormStyle(TFormStyle Value)
{
    if (FFormStyle == Value)
        return;
    FFormStyle = Value;
    if (HandleAllocated())
        SetStayOnTop(FHandle, Value == fsStayOnTop);
}

void TCustomForm::SetWindowState(TWindowState Value)
{
    if (FWindowState == Value)
        return;
    FWindowState = Value;
    if (HandleAllocated() && FVisible)
        ShowWindow(FHandle, StateShowCommand());
}

int TCustomForm::StateShowCommand() const
{
    return FWindowState == wsMinimized ? SW_SHOWMINIMIZED : FWindowState == wsMaximized ? SW_SHOWMAXIMIZED : SW_RESTORE;
}

void TCustomForm::SetMenu(TMainMenu* Value)
{
    if (FMenu == Value)
        return;
    if (FMenu)
        FMenu->RemoveFreeNotification(this);
    FMenu = Value;
    if (Value)
        Value->FreeNotification(this);
    UpdateMenuBar();
}

void TCustomForm::UpdateMenuBar()
{
    if (HandleAllocated())
        SetMenuBarWidget(FHandle, FMenu ? MenuBarWidget(FMenu) : nullptr);
    Realign();
}

TRect TCustomForm::FrameMargins() const
{
    int f = 0, caption = GetSystemMetrics(SM_CYCAPTION);
    switch (FBorderStyle) {
    case bsNone: f = 0; caption = 0; break;
    case bsSizeable:
    case bsSizeToolWin: f = GetSystemMetrics(SM_CXFRAME); break;
    default: f = GetSystemMetrics(SM_CXDLGFRAME); break;
    }
    int menu = FMenu ? GetSystemMetrics(SM_CYMENU) : 0;
    return {f, f + caption + menu, f, f};
}

TRect TCustomForm::ClientRect()
{
    TRect m = FrameMargins();
    return {0, 0, std::max(0, FWidth - m.Left - m.Right), std::max(0, FHeight - m.Top - m.Bottom)};
}

TPoint TCustomForm::ClientOrigin()
{
    TRect m = FrameMargins();
    return {FLeft + m.Left, FTop + m.Top};
}

void TCustomForm::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight)
{
    TWinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
}

bool TCustomForm::Showing() const { return FVisible && FHandle && IsWindowVisible(FHandle); }

void TCustomForm::CreateParams(TCreateParams& Params)
{
    TWinControl::CreateParams(Params);
    Params.WndParent = nullptr;
    Params.Style = WS_CLIPCHILDREN;
    switch (FBorderStyle) {
    case bsNone: Params.Style |= WS_POPUP; break;
    case bsSingle: Params.Style |= WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX; break;
    case bsSizeable: Params.Style |= WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX; break;
    case bsDialog:
        Params.Style |= WS_CAPTION | WS_SYSMENU;
        Params.ExStyle |= WS_EX_DLGMODALFRAME;
        break;
    case bsToolWindow:
        Params.Style |= WS_CAPTION | WS_SYSMENU;
        Params.ExStyle |= WS_EX_TOOLWINDOW;
        break;
    case bsSizeToolWin:
        Params.Style |= WS_CAPTION | WS_THICKFRAME | WS_SYSMENU;
        Params.ExStyle |= WS_EX_TOOLWINDOW;
        break;
    }
    // The caption buttons the border style has, less those the form does without.
    if (Params.Style & WS_CAPTION) {
        if (!(FBorderIcons & biSystemMenu))
            Params.Style &= ~DWORD(WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
        if (!(FBorderIcons & biMinimize))
            Params.Style &= ~DWORD(WS_MINIMIZEBOX);
        if (!(FBorderIcons & biMaximize))
            Params.Style &= ~DWORD(WS_MAXIMIZEBOX);
        if ((FBorderIcons & (biHelp | biSystemMenu)) == (biHelp | biSystemMenu) &&
            (FBorderStyle == bsDialog || !(FBorderIcons & (biMinimize | biMaximize))))
            Params.ExStyle |= WS_EX_CONTEXTHELP;
    }
    if (!FEnabled)
        Params.Style |= WS_DISABLED;
    // A visible form made again (new border style) stays visible.
    if (FVisible && FShown)
        Params.Style |= WS_VISIBLE;
    if (FFormStyle == fsStayOnTop)
        Params.ExStyle |= WS_EX_TOPMOST;
}

void TCustomForm::CreateWnd()
{
    // A window needs its layout: code that asks for the handle before AfterConstruction gets it.
    EndAlignHold();
    TWinControl::CreateWnd();
    if (FMenu)
        SetMenuBarWidget(FHandle, MenuBarWidget(FMenu));
    if (FVisible && FShown)
        ActivateWindow(FHandle);
}

void TCustomForm::SetBorderIcons(TBorderIcons Value)
{
    if (FBorderIcons == Value)
        return;
    FBorderIcons = Value;
    // The caption's buttons are the window's: a window made already is made again.
    RecreateWnd();
}

void TCustomForm::SetText(const std::string& Value)
{
    if (FText == Value)
        return;
    FText = Value;
    if (FHandle)
        SetWindowCaption(FHandle, Value);
    Perform(CM_TEXTCHANGED, 0, 0);
}

void TCustomForm::Show()
{
    TGuardPtr<TCustomForm> self(this);
    SetVisible(true);
    if (self)
        BringToFront();
}

void TCustomForm::BringToFront()
{
    if (Showing())
        ActivateWindow(FHandle);
}

void TCustomForm::FocusControl(TWinControl* Control)
{
    if (!Control)
        return;
    if (!Control->CanFocus())
        throw EInvalidOperation("Cannot focus a disabled or invisible window");
    FActiveControl = Control;
    if (Showing())
        ::SetFocus(Control->Handle());
}

bool TCustomForm::SetFocusedControl(TWinControl* Control)
{
    ++gFocusCount;
    if (Control != this)
        FActiveControl = Control;
    if (Control->ControlState & csFocusing)
        return false;
    // The handlers of the change (CM_DEACTIVATE, CM_EXIT, CM_ENTER) may free the control, the form
    // or both: after each, both are read again and the walk stops once either has gone.
    TGuardPtr<TWinControl> target(Control);
    TGuardPtr<TCustomForm> self(this);
    Control->ControlState |= csFocusing;
    struct Done {
        TGuardPtr<TWinControl>& T;
        ~Done()
        {
            if (T)
                T->ControlState &= ~TControlState(csFocusing);
        }
    } done{target};
    auto tell = [&](TWinControl* To, UINT Msg) { return SendFocusMessage(To, Msg) && self && target; };
    if (gFocusedForm != this) {
        if (TCustomForm* before = gFocusedForm) {
            gFocusedForm = nullptr;
            if (!tell(before, CM_DEACTIVATE))
                return false;
        }
        gFocusedForm = this;
    }
    if (!FFocusedControl)
        FFocusedControl = this;
    if (FFocusedControl != Control) {
        while (FFocusedControl && !FFocusedControl->ContainsControl(Control)) {
            TWinControl* leaving = FFocusedControl;
            FFocusedControl = leaving->Parent();
            if (!tell(leaving, CM_EXIT))
                return false;
        }
        while (FFocusedControl && FFocusedControl != Control) {
            TWinControl* entering = Control;
            while (entering->Parent() && entering->Parent() != FFocusedControl)
                entering = entering->Parent();
            FFocusedControl = entering;
            if (!tell(entering, CM_ENTER))
                return false;
        }
        Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(Control));
    }
    return true;
}

void TCustomForm::DefocusControl(TWinControl* Control, bool Removing)
{
    if (Removing && Control->ContainsControl(this))
        return;
    if (FActiveControl && (FActiveControl == Control || Control->ContainsControl(FActiveControl)))
        FActiveControl = nullptr;
    if (FFocusedControl && (FFocusedControl == Control || Control->ContainsControl(FFocusedControl)))
        FFocusedControl = Control->Parent();
}

void TCustomForm::SendCancelMode(TControl* Sender)
{
    if (FActive && FActiveControl)
        FActiveControl->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(Sender));
}

void TCustomForm::SetActiveControl(TWinControl* Control)
{
    if (FActiveControl == Control)
        return;
    if (Control && Showing() && !Control->CanFocus())
        throw EInvalidOperation("Cannot focus a disabled or invisible window");
    FActiveControl = Control;
    if (Control && Showing() && FActive)
        ::SetFocus(Control->Handle());
}

bool TCustomForm::IsShortCut(Word Key, TShiftState Shift)
{
    // The popup menus of the focused control and of its parents answer before the main menu.
    for (TControl* c = FActiveControl ? static_cast<TControl*>(FActiveControl) : this; c; c = c->Parent())
        if (c->PopupMenu() && c->PopupMenu()->IsShortCut(Key, Shift))
            return true;
    return FMenu && FMenu->IsShortCut(Key, Shift);
}

bool TCustomForm::CloseQuery()
{
    bool can = true;
    if (OnCloseQuery)
        OnCloseQuery(this, can);
    return can;
}

void TCustomForm::DoClose(TCloseAction& Action)
{
    if (OnClose)
        OnClose(this, Action);
}

void TCustomForm::Close()
{
    if (FModal) {
        FModalResult = mrCancel;
        return;
    }
    // OnCloseQuery and OnClose may free the form.
    TGuardPtr<TCustomForm> self(this);
    if (!CloseQuery() || !self)
        return;
    TCloseAction action = caHide;
    DoClose(action);
    if (!self || action == caNone)
        return;
    if (Application && Application->MainForm() == this)
        Application->Terminate();
    else if (action == caHide)
        Hide();
    else if (action == caMinimize)
        SetWindowState(wsMinimized);
    else
        Release();
}

void TCustomForm::Release()
{
    if (std::find(Application->FReleased.begin(), Application->FReleased.end(), this) ==
        Application->FReleased.end())
        Application->FReleased.push_back(this);
    Post([] { Application->Idle(); });
}

TModalResult TCustomForm::ShowModal()
{
    if (FVisible || !FEnabled || FModal)
        throw EInvalidOperation("Cannot make a visible window modal");
    // Other windows of the program take no input while this one is up.
    std::vector<TCustomForm*> disabled;
    for (TCustomForm* f : AllForms())
        if (f != this && f->HandleAllocated() && f->Visible() && f->Enabled()) {
            EnableWindow(f->FHandle, FALSE);
            disabled.push_back(f);
        }
    FModal = true;
    FModalResult = mrNone;
    FActiveBeforeModal = GetActiveWindow();
    Show();
    int answer = 0;
    if (CallModalHook(this, answer))
        FModalResult = answer ? answer : mrCancel;
    try {
        while (FModalResult == mrNone) {
            Application->HandleMessage();
            if (Application->Terminated())
                FModalResult = mrCancel;
            else if (FModalResult != mrNone) {
                // The form may refuse to close.
                TCloseAction action = caNone;
                if (CloseQuery()) {
                    action = caHide;
                    DoClose(action);
                }
                if (action == caNone)
                    FModalResult = mrNone;
            }
        }
    } catch (...) {
        FModal = false;
        for (TCustomForm* f : disabled)
            if (std::find(AllForms().begin(), AllForms().end(), f) != AllForms().end() && f->HandleAllocated())
                EnableWindow(f->FHandle, TRUE);
        Hide();
        throw;
    }
    for (TCustomForm* f : disabled)
        if (std::find(AllForms().begin(), AllForms().end(), f) != AllForms().end() && f->HandleAllocated())
            EnableWindow(f->FHandle, TRUE);
    Hide();
    FModal = false;
    return FModalResult;
}

void TCustomForm::Activate()
{
    FActive = true;
    if (FActiveControl && FActiveControl->HandleAllocated() && FActiveControl->CanFocus() &&
        GetFocus() != FActiveControl->Handle())
        ::SetFocus(FActiveControl->Handle());
    if (OnActivate)
        OnActivate(this);
}

void TCustomForm::Deactivate()
{
    FActive = false;
    if (OnDeactivate)
        OnDeactivate(this);
}

void TCustomForm::WMClose(TMessage&) { Close(); }

void TCustomForm::CMDeactivate(TMessage& Message)
{
    // The control that kept the focus hears it too, so that it can draw its selection inactive.
    if (FFocusedControl && FFocusedControl != this)
        FFocusedControl->Perform(CM_DEACTIVATE, Message.WParam, Message.LParam);
}

void TCustomForm::WMCommand(TMessage& Message)
{
    if (Message.LParam == 0 && HIWORD(Message.WParam) == 0 && FMenu &&
        FMenu->DispatchCommand(LOWORD(Message.WParam))) {
        Message.Result = 0;
        return;
    }
    TWinControl::Dispatch(Message);
}

void TCustomForm::WMActivate(TMessage& Message)
{
    // Told once: a form that hides deactivates itself before the window activated next tells it.
    if (LOWORD(Message.WParam) == WA_INACTIVE) {
        if (FActive)
            Deactivate();
    } else
        Activate();
}

void TCustomForm::CMDialogKeyForm(TMessage& Message)
{
    Word key = LOWORD(Message.WParam);
    TShiftState shift = KeyDataToShiftState(Message.LParam);
    if (key == VK_TAB && !(shift & (ssCtrl | ssAlt))) {
        SelectNext(FActiveControl, !(shift & ssShift), true);
        Message.Result = 1;
        return;
    }
    if ((key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN) && FActiveControl) {
        if (TWinControl* p = FActiveControl->Parent())
            p->SelectNext(FActiveControl, key == VK_RIGHT || key == VK_DOWN, false);
        Message.Result = 1;
        return;
    }
    TWinControl::Dispatch(Message);
}

void TCustomForm::CMShowingChangedForm(TMessage&)
{
    // OnCreate, OnShow, OnHide, the activation and the focus moves run handlers that may free the form.
    TGuardPtr<TCustomForm> self(this);
    if (FVisible) {
        DoCreate();
        if (!self)
            return;
        HandleNeeded();
        if (FPosition == poScreenCenter || FPosition == poDesktopCenter ||
            ((FPosition == poMainFormCenter || FPosition == poOwnerFormCenter) && !Application->MainForm())) {
            SetBounds((GetSystemMetrics(SM_CXSCREEN) - FWidth) / 2, (GetSystemMetrics(SM_CYSCREEN) - FHeight) / 2,
                      FWidth, FHeight);
        } else if ((FPosition == poMainFormCenter || FPosition == poOwnerFormCenter) && Application->MainForm() &&
                   Application->MainForm() != this) {
            TCustomForm* m = Application->MainForm();
            SetBounds(m->Left() + (m->Width() - FWidth) / 2, m->Top() + (m->Height() - FHeight) / 2, FWidth, FHeight);
        }
        if (!self)
            return;
        ShowWindow(FHandle, FWindowState == wsNormal ? SW_SHOW : StateShowCommand());
        if (self && OnShow)
            OnShow(this);
        if (!self)
            return;
        ActivateWindow(FHandle);
        if (!self)
            return;
        if (!FActiveControl) {
            if (TWinControl* first = FindNextControl(nullptr, true, true, false))
                FActiveControl = first;
        }
        if (FActiveControl && FActiveControl->CanFocus())
            ::SetFocus(FActiveControl->Handle());
        if (self)
            FShown = true;
    } else {
        if (OnHide)
            OnHide(this);
        if (self && FHandle) {
            HWND focus = GetFocus();
            if (focus == FHandle || IsChild(FHandle, focus))
                ::SetFocus(nullptr);
            if (!self)
                return;
            ShowWindow(FHandle, SW_HIDE);
            if (self && FActive) {
                SendMessage(FHandle, WM_ACTIVATE, WA_INACTIVE, 0);
                // Without a window manager nobody else activates a window: a modal form gives the
                // activation back to the window it took it from, any other form to the main form.
                if (!self)
                    return;
                const HWND before = FActiveBeforeModal;
                if (FModal && before && before != FHandle && IsWindow(before) && IsWindowVisible(before))
                    ActivateWindow(before);
                else if (Application && Application->MainForm() && Application->MainForm() != this &&
                         Application->MainForm()->Showing())
                    ActivateWindow(Application->MainForm()->FHandle);
            }
        }
    }
}

void TCustomForm::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_CLOSE: WMClose(Message); break;
    case WM_ACTIVATE: WMActivate(Message); break;
    case CM_DIALOGKEY: CMDialogKeyForm(Message); break;
    case CM_DEACTIVATE: CMDeactivate(Message); break;
    case WM_SYSCOLORCHANGE: Perform(CM_SYSCOLORCHANGE, Message.WParam, Message.LParam); break;
    case WM_COMMAND: WMCommand(Message); break;
    case WM_MENUSELECT: MenuSelectHint(nullptr, Message); break;
    case CM_VISIBLECHANGED: CMShowingChangedForm(Message); break;
    case WM_SIZE:
        // The desktop may minimise, maximise or restore the window itself.
        if (Message.WParam == SIZE_MINIMIZED)
            FWindowState = wsMinimized;
        else if (Message.WParam == SIZE_MAXIMIZED)
            FWindowState = wsMaximized;
        else if (Message.WParam == SIZE_RESTORED && FVisible)
            FWindowState = wsNormal;
        TWinControl::Dispatch(Message);
        break;
    case WM_SETFOCUS:
        // Focus given to the form itself goes on to its active control.
        if (FActiveControl && FActiveControl != this && FActiveControl->CanFocus())
            ::SetFocus(FActiveControl->Handle());
        else
            TWinControl::Dispatch(Message);
        break;
    default: TWinControl::Dispatch(Message); break;
    }
}

// ---- TApplication -----------------------------------------------------------------------------
TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {}

TApplication::~TApplication() = default;

std::string TApplication::Title() const
{
    return FTitle.empty() ? ProgramName() : FTitle;
}

void TApplication::SetTitle(const std::string& Value)
{
    FTitle = Value;
    SetApplicationName(Title());
}

void TApplication::Initialize()
{
    EnsureToolkit();
    SetIdleHandler([] {
        if (Application)
            Application->Idle();
    });
}

void TApplication::RegisterForm(TCustomForm* Form)
{
    Initialize();
    FForms.push_back(Form);
    if (!FMainForm)
        FMainForm = Form;
    Form->AfterConstruction();
}

void TApplication::RemoveForm(TCustomForm* Form)
{
    FForms.erase(std::remove(FForms.begin(), FForms.end(), Form), FForms.end());
    FReleased.erase(std::remove(FReleased.begin(), FReleased.end(), Form), FReleased.end());
    if (FMainForm == Form)
        FMainForm = nullptr;
    if (FHintControl && (FHintControl.Get() == Form || Form->ContainsControl(FHintControl.Get())))
        CancelHint();
}

void TApplication::Run()
{
    Initialize();
    if (FMainForm)
        FMainForm->Show();
    while (!FTerminated) {
        try {
            HandleMessage();
        } catch (const std::exception& e) {
            if (OnException)
                OnException(this, e);
            else
                ShowException(e);
        }
    }
}

void TApplication::Terminate()
{
    FTerminated = true;
    Post([] {});  // wakes the loop
}

void TApplication::ProcessMessages()
{
    Initialize();
    ProcessPending();
    Idle();
}

unsigned long WindowSystemId(TWinControl* Control)
{
    return Control && Control->HandleAllocated() ? morvik::backend::WindowSystemId(Control->Handle()) : 0;
}

void TApplication::SyncWithWindowSystem()
{
    Initialize();
    morvik::backend::SyncWithWindowSystem();
    Idle();
}

void TApplication::HandleMessage()
{
    Initialize();
    WaitForEvents();
    Idle();
}

void TApplication::Idle()
{
    TControlCanvas::FreeDeviceContexts();
    // A released form's destruction may free another released one: each is looked at again first.
    auto released = GuardedCopy<TCustomForm>(FReleased);
    FReleased.clear();
    for (TGuardPtr<TCustomForm>& f : released)
        if (f)
            TObject::Free(f.Get());
    if (OnIdle) {
        bool done = true;
        OnIdle(this, done);
    }
}

void TApplication::ShowException(const std::exception& E)
{
    std::string msg = E.what();
    if (!msg.empty() && msg.back() != '.')
        msg += '.';
    MessageBox(msg, Title(), MB_OK | MB_ICONSTOP);
}

void TApplication::HandleException(TObject*)
{
    try {
        throw;
    } catch (const std::exception& e) {
        if (OnException)
            OnException(this, e);
        else
            ShowException(e);
    }
}

int TApplication::MessageBox(const std::string& Text, const std::string& Caption, UINT Flags)
{
    HWND owner = FMainForm && FMainForm->HandleAllocated() ? FMainForm->Handle() : nullptr;
    return ::MessageBox(owner, Text.c_str(), Caption.c_str(), Flags);
}

bool TApplication::HelpCommand(Word Command, Int64)
{
    if (Command == HELP_QUIT)
        return true;
    if (HelpFile.empty())
        return false;
    std::string path = NativeFileName(HelpFile);
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        MessageBox("Cannot find the help file " + HelpFile + ".", Title(),
                   MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    std::string lower = LowerCase(path);
    if (lower.size() > 4 && lower.substr(lower.size() - 4) == ".hlp") {
        // Help files of that kind need a viewer this system does not have.
        MessageBox("No help viewer is available for the help file " + HelpFile + ".",
                   Title(), MB_OK | MB_ICONINFORMATION);
        return false;
    }
    return reinterpret_cast<std::intptr_t>(ShellExecute(nullptr, "open", path.c_str(), nullptr, nullptr,
                                                        SW_SHOWNORMAL)) > 32;
}

void TApplication::HideHint()
{
    if (FHintHideTimer) {
        StopTimer(FHintHideTimer);
        FHintHideTimer = 0;
    }
    if (!FShownHint.empty()) {
        FShownHint.clear();
        ShowToolTip({0, 0}, "");
    }
    FShownHintControl = nullptr;
}

void TApplication::SetHint(const std::string& Value)
{
    if (Value == FHint)
        return;
    FHint = Value;
    if (OnHint)
        OnHint(this);
}

void TApplication::CancelHint()
{
    if (FHintTimer) {
        StopTimer(FHintTimer);
        FHintTimer = 0;
    }
    HideHint();
    FHintControl = nullptr;
}

void TApplication::HintMouseMessage(TControl* Control, TMessage& Message)
{
    if (Message.Msg != WM_MOUSEMOVE) {
        if (Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_RBUTTONDOWN || Message.Msg == WM_MBUTTONDOWN)
            CancelHint();
        return;
    }
    // The hint comes from the nearest control up the parents that shows hints.
    TControl* c = Control;
    while (c && !c->ShowHint())
        c = c->Parent();
    TPoint screen = Control->ClientToScreen({Message.XPos(), Message.YPos()});
    if (c && c == FHintControl.Get()) {
        // Within the control, a hint that marked out a part of it goes when the mouse leaves that part.
        if (FShownHintControl.Get() == c && !PtInRect(FHintCursorRect, screen)) {
            HideHint();
            FHintPos = screen;
            FHintCursor = c->ScreenToClient(screen);
            FHintTimer = StartTimer(unsigned(std::max(1, HintShortPause)), [] { Application->ActivateHint(); });
        }
        return;
    }
    // Moving from a shown hint to the next control shows its hint after the short pause.
    bool following = !FShownHint.empty();
    CancelHint();
    if (!c || !ShowHint || c->Hint().empty())
        return;
    FHintControl = c;
    FHintPos = screen;
    FHintCursor = c->ScreenToClient(screen);
    FHintTimer = StartTimer(unsigned(std::max(1, following ? HintShortPause : HintPause)),
                            [] { Application->ActivateHint(); });
}

void TApplication::ActivateHint()
{
    if (FHintTimer) {
        StopTimer(FHintTimer);
        FHintTimer = 0;
    }
    if (!FHintControl)
        return;
    std::string h = FHintControl->Hint();
    // "short|long": the tip shows the short part.
    size_t bar = h.find('|');
    THintInfo info;
    info.HintControl = FHintControl.Get();
    info.HintPos = {FHintPos.X, FHintPos.Y + 20};
    info.HintMaxWidth = Screen ? Screen->Width() : 0;
    info.HintColor = HintColor;
    info.CursorRect = FHintControl->ClientRect();
    info.CursorPos = FHintCursor;
    info.HintStr = bar == std::string::npos ? h : h.substr(0, bar);
    // The control may change its hint, or refuse it, and may go in its handler.
    TGuardPtr<TControl> control = FHintControl;
    LRESULT refused = FHintControl->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info));
    if (!control) {
        FHintControl = nullptr;
        return;
    }
    if (refused != 0 || info.HintStr.empty())
        return;
    FHint = h;
    FShownHint = info.HintStr;
    FShownHintControl = FHintControl;
    TPoint tl = FHintControl->ClientToScreen(info.CursorRect.TopLeft());
    FHintCursorRect = Bounds(tl.X, tl.Y, info.CursorRect.Width(), info.CursorRect.Height());
    if (OnHint)
        OnHint(this);
    if (!control || FShownHintControl.Get() != control.Get())
        return;
    ShowToolTip(info.HintPos, FShownHint);
    int hide = info.HideTimeout > 0 ? info.HideTimeout : HintHidePause;
    if (hide > 0)
        FHintHideTimer = StartTimer(unsigned(hide), [] { Application->HideHint(); });
    if (info.ReshowTimeout > 0) {
        // The control asked to be asked again: its hint may change while the mouse rests.
        FHintTimer = StartTimer(unsigned(info.ReshowTimeout), [] {
            if (Application->FShownHintControl) {
                Application->HideHint();
                Application->ActivateHint();
            }
        });
    }
}

void DoneApplication()
{
    if (!Application)
        return;
    Application->CancelHint();
    Application->DestroyComponents();
}

// ---- TScreen ----------------------------------------------------------------------------------
TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner) {}

HCURSOR TScreen::Cursors(TCursor Index)
{
    auto it = FCursors.find(Index);
    if (it != FCursors.end())
        return it->second;
    LPCSTR name = nullptr;
    switch (Index) {
    case crNone: return nullptr;
    case crArrow: case crDefault: name = IDC_ARROW; break;
    case crCross: name = IDC_CROSS; break;
    case crIBeam: name = IDC_IBEAM; break;
    case crSizeNESW: name = IDC_SIZENESW; break;
    case crSizeNS: name = IDC_SIZENS; break;
    case crSizeNWSE: name = IDC_SIZENWSE; break;
    case crSizeWE: name = IDC_SIZEWE; break;
    case crUpArrow: name = IDC_UPARROW; break;
    case crHourGlass: case crSQLWait: name = IDC_WAIT; break;
    case crDrag: name = "DRAG"; break;
    case crNoDrop: case crNo: name = IDC_NO; break;
    case crHSplit: name = "HSPLIT"; break;
    case crVSplit: name = "VSPLIT"; break;
    case crMultiDrag: name = "MULTIDRAG"; break;
    case crAppStart: name = IDC_APPSTARTING; break;
    case crHelp: name = IDC_HELP; break;
    case crHandPoint: name = IDC_HAND; break;
    case crSizeAll: name = IDC_SIZEALL; break;
    default: name = IDC_ARROW; break;
    }
    HCURSOR h = LoadCursor(nullptr, name);
    FCursors[Index] = h;
    return h;
}

void TScreen::SetCursors(TCursor Index, HCURSOR Value) { FCursors[Index] = Value; }

void TScreen::SetCursor(TCursor Value)
{
    if (FCursor == Value)
        return;
    FCursor = Value;
    ::SetCursor(Cursors(Value == crDefault ? crArrow : Value));
}

Integer TScreen::Width() { return GetSystemMetrics(SM_CXSCREEN); }
Integer TScreen::Height() { return GetSystemMetrics(SM_CYSCREEN); }

TCustomForm* TScreen::ActiveForm() const
{
    return dynamic_cast<TCustomForm*>(TWinControl::FindControl(GetActiveWindow()));
}

TWinControl* TScreen::ActiveControl() const { return TWinControl::FindOuterControl(GetFocus()); }

int TScreen::FormCount() const { return int(AllForms().size()); }
TCustomForm* TScreen::Forms(int Index) const { return AllForms().at(size_t(Index)); }
