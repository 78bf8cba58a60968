// Forms, the application object with its message loop, and the screen.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/Controls.h"
#include "platform/Guard.h"
#include "platform/ModalSeam.h"

class TMainMenu;
class TMenuItem;

enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
                 poMainFormCenter, poOwnerFormCenter };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
// The buttons of a form's caption.
enum TBorderIconFlag : unsigned { biSystemMenu = 1u << 0, biMinimize = 1u << 1, biMaximize = 1u << 2, biHelp = 1u << 3 };
using TBorderIcons = unsigned;
enum TScrollBarKind { sbHorizontal, sbVertical };
using TFormBorderStyle = TBorderStyle;

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;     // IDOK
constexpr TModalResult mrCancel = 2; // IDCANCEL
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;
constexpr TModalResult mrAll = 8;

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

class TCustomForm : public TWinControl {
public:
    explicit TCustomForm(TComponent* AOwner);
    ~TCustomForm() override;
    // OnDestroy runs here, while the derived form is whole (its owner, Release and Free call it);
    // a form deleted plainly runs OnDestroy from its destructor instead.
    void BeforeDestruction() override;

    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    // Which caption buttons the form has, as far as its border style allows them: a dialog border
    // has no minimise or maximise button, and the help button shows only on a dialog border or
    // without both of those.
    TBorderIcons BorderIcons() const { return FBorderIcons; }
    void SetBorderIcons(TBorderIcons Value);
    TFormStyle FormStyle() const { return FFormStyle; }
    void SetFormStyle(TFormStyle Value);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition Value) { FPosition = Value; }
    bool KeyPreview = false;
    TMainMenu* Menu() const { return FMenu; }
    void SetMenu(TMainMenu* Value);
    TWinControl* ActiveControl() const { return FActiveControl; }
    void SetActiveControl(TWinControl* Control);
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult Value) { FModalResult = Value; }
    TWindowState WindowState() const { return FWindowState; }
    void SetWindowState(TWindowState Value);
    bool Active() const { return FActive; }
    bool Modal() const { return FModal; }

    // Ends construction: the layout held back while the constructor placed the components is done
    // and OnCreate runs. Application->CreateForm calls it; a form made with new gets it at its
    // first Show, or the code that made it calls it. Calls after the first do nothing. (Making the
    // form's window before that also ends the hold on the layout, but not the rest.)
    void AfterConstruction();

    // Shows the form and waits, handling messages, until ModalResult is set or it is closed.
    virtual TModalResult ShowModal();
    void Show();
    void Close();
    bool CloseQuery();
    void Release();  // destroyed once the current message has been handled
    void BringToFront();
    // Moves the keyboard focus to a control of this form.
    void FocusControl(TWinControl* Control);
    // Called as a control of this form receives the focus: the form that had the focus before hears
    // CM_DEACTIVATE, the controls left (innermost first) CM_EXIT, the controls entered (outermost
    // first) CM_ENTER, then this form CM_FOCUSCHANGED with the control. False when a handler moved
    // the focus elsewhere on the way (the rest is then left to that move).
    bool SetFocusedControl(TWinControl* Control);
    // The control inside this form that the last CM_ENTER reached (the form itself at first).
    TWinControl* FocusedControl() const { return FFocusedControl; }
    // A control leaving the form (or its window) stops being its active or focused control.
    void DefocusControl(TWinControl* Control, bool Removing);
    // Modes in progress elsewhere on the form end: its active control hears CM_CANCELMODE with Sender.
    void SendCancelMode(TControl* Sender);
    // The form answers a key with the shortcuts of the popup menus of its focused control and that
    // control's parents, then of its main menu; true when one ran.
    virtual bool IsShortCut(Word Key, TShiftState Shift);

    TRect ClientRect() override;
    void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;
    bool Showing() const override;
    TPoint ClientOrigin() override;

    TNotifyEvent OnCreate;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnDestroy;
    TCloseQueryEvent OnCloseQuery;
    TCloseEvent OnClose;

    void Dispatch(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DoCreate();
    virtual void DoClose(TCloseAction& Action);
    virtual void Activate();
    virtual void Deactivate();
    void SetText(const std::string& Value) override;
    TRect FrameMargins() const;
    // The show command that puts the window in its WindowState.
    int StateShowCommand() const;
    void UpdateMenuBar();
    void EndAlignHold();

    void WMClose(TMessage& Message);
    void WMActivate(TMessage& Message);
    void CMDialogKeyForm(TMessage& Message);
    void CMShowingChangedForm(TMessage& Message);
    void CMDeactivate(TMessage& Message);
    void WMCommand(TMessage& Message);

    friend class TApplication;
    friend class TWinControl;
    TBorderStyle FBorderStyle = bsSizeable;
    TBorderIcons FBorderIcons = biSystemMenu | biMinimize | biMaximize;
    TFormStyle FFormStyle = fsNormal;
    TPosition FPosition = poDesigned;
    TMainMenu* FMenu = nullptr;
    TWinControl* FActiveControl = nullptr;
    TWinControl* FFocusedControl = nullptr;
    TModalResult FModalResult = mrNone;
    TWindowState FWindowState = wsNormal;
    bool FActive = false;
    bool FModal = false;
    // The window active when ShowModal began: it is active again when the form closes.
    HWND FActiveBeforeModal = nullptr;
    bool FShown = false;
    bool FCreated = false;
    bool FDestroyed = false;
    bool FAlignHeld = true;
};

// A form whose constructor builds its components; OnCreate runs when the application creates it
// (or at the first Show when made directly).
class TForm : public TCustomForm {
public:
    explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
};

using TExceptionEvent = std::function<void(TObject* Sender, const std::exception& E)>;
using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;

constexpr Word HELP_CONTEXT = 0x0001;
constexpr Word HELP_QUIT = 0x0002;
constexpr Word HELP_CONTENTS = 0x0003;
constexpr Word HELP_INDEX = 0x0003;
constexpr Word HELP_FINDER = 0x000B;

class TApplication : public TComponent {
public:
    explicit TApplication(TComponent* AOwner);
    ~TApplication() override;

    void Initialize();
    // The program's name (ProgramName) until it gives itself a title.
    std::string Title() const;
    void SetTitle(const std::string& Value);
    std::string HelpFile;
    std::string ExeName;

    // Creates a form owned by the application; the first one becomes the main form.
    template <class T>
    void CreateForm(T*& Reference)
    {
        Reference = new T(this);
        RegisterForm(Reference);
    }
    TCustomForm* MainForm() const { return FMainForm; }
    void Run();
    void Terminate();
    bool Terminated() const { return FTerminated; }
    void ResetTerminated() { FTerminated = false; }
    void ProcessMessages();
    // ProcessMessages after the window system has handed over all it holds for this program (input
    // another program has just given it, say).
    void SyncWithWindowSystem();
    void HandleMessage();
    void ShowException(const std::exception& E);
    void HandleException(TObject* Sender);
    int MessageBox(const std::string& Text, const std::string& Caption, UINT Flags);
    // Help through the help file; answers false (after telling the user) when it cannot be shown.
    bool HelpCommand(Word Command, Int64 Data);
    bool HelpContext(Int64 Context) { return HelpCommand(HELP_CONTEXT, Context); }

    Integer HintPause = 500;
    // The pause before the next control's hint while one is showing, so that hints follow the mouse.
    Integer HintShortPause = 50;
    Integer HintHidePause = 2500;
    bool ShowHint = true;
    TColor HintColor = clInfoBk;
    const std::string& Hint() const { return FHint; }
    // The hint of what the mouse or an open menu points at; OnHint tells of each change.
    void SetHint(const std::string& Value);
    // The hint text shown now (empty when none).
    const std::string& CurrentHintText() const { return FShownHint; }
    void CancelHint();

    TExceptionEvent OnException;
    TNotifyEvent OnHint;
    TIdleEvent OnIdle;

    // Called by controls on mouse movement so that hints follow the mouse.
    void HintMouseMessage(TControl* Control, TMessage& Message);
    // Forms created by the application (for ShowModal's disabling of the others).
    int FormCount() const { return int(FForms.size()); }
    TCustomForm* Forms(int Index) const { return FForms.at(size_t(Index)); }
    void RemoveForm(TCustomForm* Form);
    // Runs when idle: releases forms asked to go and device contexts held by canvases.
    void Idle();

private:
    void RegisterForm(TCustomForm* Form);
    void ActivateHint();
    void HideHint();
    std::string FTitle;
    TCustomForm* FMainForm = nullptr;
    std::vector<TCustomForm*> FForms;
    bool FTerminated = false;
    std::string FHint;
    std::string FShownHint;
    TGuardPtr<TControl> FHintControl;
    unsigned FHintTimer = 0;
    unsigned FHintHideTimer = 0;
    TPoint FHintPos;
    TPoint FHintCursor;  // client coordinates of FHintControl
    // The control whose hint shows, and where the mouse may go without hiding it (screen).
    TGuardPtr<TControl> FShownHintControl;
    TRect FHintCursorRect;
    friend class TCustomForm;
    std::vector<TCustomForm*> FReleased;
};

// The window system's own number for the top-level window showing Control (0 while none shows it),
// for tools that drive the window from outside.
unsigned long WindowSystemId(TWinControl* Control);

class TScreen : public TComponent {
public:
    explicit TScreen(TComponent* AOwner);
    // The cursor shown over every window while not crDefault (an hourglass while busy).
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value);
    HCURSOR Cursors(TCursor Index);
    void SetCursors(TCursor Index, HCURSOR Value);
    Integer Width();
    Integer Height();
    Integer PixelsPerInch = 96;
    TCustomForm* ActiveForm() const;
    TWinControl* ActiveControl() const;
    int FormCount() const;
    TCustomForm* Forms(int Index) const;

private:
    TCursor FCursor = crDefault;
    std::map<TCursor, HCURSOR> FCursors;
};


// Saves what a control shows (a form with its menu bar, a windowed control, or a windowless
// control's rectangle of its parent) as a PNG file, pending paints done first. The old file stays
// as it was unless the new one is whole (as StoreFileContents does); answers false on failure.
bool SaveControlImage(TControl* Control, const std::string& FileName);
// The same picture into a bitmap (sized to it): what the screen shows, child windows, caret and
// drag feedback included.
bool CaptureControlImage(TControl* Control, TBitmap* Bitmap);
// What the screen itself shows in a rectangle of screen coordinates, as last sent to it: no
// pending paint is done first, so a window image changed without telling the screen shows old.
bool CaptureScreenRect(const TRect& ScreenRect, TBitmap* Bitmap);

class TBitmap;
extern TApplication* Application;
extern TScreen* Screen;

// Destroys the application's forms (and with them their components); the program's end.
void DoneApplication();
