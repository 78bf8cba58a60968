// Controls: the control base (TControl), windowed controls with a handle (TWinControl), controls
// that paint themselves on a canvas (TCustomControl) and windowless ones painted on their parent
// (TGraphicControl).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Classes.h"
#include "platform/Graphics.h"
#include "platform/Messages.h"

class TWinControl;
class TPopupMenu;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TMouseButton { mbLeft, mbRight, mbMiddle };

enum TShiftStateFlag : unsigned {
    ssShift = 1u << 0,
    ssAlt = 1u << 1,
    ssCtrl = 1u << 2,
    ssLeft = 1u << 3,
    ssRight = 1u << 4,
    ssMiddle = 1u << 5,
    ssDouble = 1u << 6,
};
using TShiftState = unsigned;

enum TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;
constexpr TCursor crSize = -22;

using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, Word& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;
using TMouseWheelEvent =
    std::function<void(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos, bool& Handled)>;

// ---- Dragging controls (Dragging.cpp) -----------------------------------------------------
class TControl;
class TCustomImageList;
enum TDragMode { dmManual, dmAutomatic };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
// CM_DRAG's WParam; its LParam points at a TDragRec. Enter, leave and move answer non-zero when the
// control accepts the drop.
enum TDragMessage { dmDragEnter, dmDragLeave, dmDragMove, dmDragDrop, dmDragCancel, dmFindTarget };

// What is being dragged. The drag ends by freeing an object the layer made itself.
class TDragObject : public TObject {
public:
    TPoint DragPos;          // screen
    TControl* DragTarget = nullptr;
    bool Dropped = false;
    bool Cancelling = false;
    virtual TCursor GetDragCursor(bool Accepted, int X, int Y);
    virtual TCustomImageList* GetDragImages() { return nullptr; }
    // A drag image shown while dragging is hidden while the view under it repaints.
    virtual void HideDragImage();
    virtual void ShowDragImage();
    // The drag has ended, after the source's OnEndDrag: on Target at its client point (X, Y) when
    // Accepted. An object the source made may free itself here.
    virtual void Finished(TObject* Target, int X, int Y, bool Accepted)
    {
        (void)Target;
        (void)X;
        (void)Y;
        (void)Accepted;
    }
};

// A control dragged by itself: the events see the control as the source.
class TDragControlObject : public TDragObject {
public:
    explicit TDragControlObject(TControl* AControl) : Control(AControl) {}
    TControl* Control;
    TCursor GetDragCursor(bool Accepted, int X, int Y) override;
    TCustomImageList* GetDragImages() override;
};

struct TDragRec {
    TPoint Pos;  // screen
    TDragObject* Source = nullptr;
    TControl* Target = nullptr;
};

using TDragOverEvent =
    std::function<void(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept)>;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TStartDragEvent = std::function<void(TObject* Sender, TDragObject*& DragObject)>;
using TEndDragEvent = std::function<void(TObject* Sender, TObject* Target, int X, int Y)>;

// Control style: what a control is and wants.
enum TControlStyleFlag : unsigned {
    csAcceptsControls = 1u << 0,
    csCaptureMouse = 1u << 1,
    csDesignInteractive = 1u << 2,
    csClickEvents = 1u << 3,
    csFramed = 1u << 4,
    csSetCaption = 1u << 5,
    csOpaque = 1u << 6,
    csDoubleClicks = 1u << 7,
    csFixedWidth = 1u << 8,
    csFixedHeight = 1u << 9,
    csNoDesignVisible = 1u << 10,
    csReplicatable = 1u << 11,
    csNoStdEvents = 1u << 12,
    csDisplayDragImage = 1u << 13,
    csReflector = 1u << 14,
    csActionClient = 1u << 15,
    csMenuEvents = 1u << 16,
    csNeedsBorderPaint = 1u << 17,
    csParentBackground = 1u << 18,
};
using TControlStyle = unsigned;

// Transient state of a control.
enum TControlStateFlag : unsigned {
    csLButtonDown = 1u << 0,
    csClicked = 1u << 1,
    csPalette = 1u << 2,
    csReadingState = 1u << 3,
    csAlignmentNeeded = 1u << 4,
    csFocusing = 1u << 5,
    csCreating = 1u << 6,
    csPaintCopy = 1u << 7,
    csCustomPaint = 1u << 8,
    csDestroyingHandle = 1u << 9,
    csDocking = 1u << 10,
};
using TControlState = unsigned;

using TWndMethod = std::function<void(TMessage& Message)>;

class TControl;

// A canvas that draws on a control: a windowed control's client area, or a windowless control's
// rectangle of its parent. The device context is taken on first use and released when the
// control moves or at the end of the current message.
class TControlCanvas : public TCanvas {
public:
    TControlCanvas() = default;
    ~TControlCanvas() override;
    TControl* Control() const { return FControl; }
    void SetControl(TControl* Value);
    void FreeHandle();
    void UpdateTextFlags() {}
    // Releases the device contexts of every control canvas (the layer calls it when idle).
    static void FreeDeviceContexts();

protected:
    void CreateHandle() override;

private:
    TControl* FControl = nullptr;
    HDC FDeviceContext = nullptr;
    HWND FWindowHandle = nullptr;
};

class TControl : public TComponent {
public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;

    // ---- Messages: Perform calls WindowProc; WindowProc defaults to WndProc and can be replaced.
    LRESULT Perform(UINT Msg, WPARAM WParam, LPARAM LParam);
    TWndMethod WindowProc;
    virtual void WndProc(TMessage& Message);
    // Finds the handler for the message number; unhandled messages go to DefaultHandler.
    virtual void Dispatch(TMessage& Message);
    virtual void DefaultHandler(TMessage& Message);

    // ---- Parent and geometry
    TWinControl* Parent() const { return FParent; }
    virtual void SetParent(TWinControl* AParent);
    Integer Left() const { return FLeft; }
    Integer Top() const { return FTop; }
    Integer Width() const { return FWidth; }
    Integer Height() const { return FHeight; }
    void SetLeft(Integer Value) { SetBounds(Value, FTop, FWidth, FHeight); }
    void SetTop(Integer Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
    void SetWidth(Integer Value) { SetBounds(FLeft, FTop, Value, FHeight); }
    void SetHeight(Integer Value) { SetBounds(FLeft, FTop, FWidth, Value); }
    virtual void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight);
    TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
    void SetBoundsRect(const TRect& R) { SetBounds(R.Left, R.Top, R.Width(), R.Height()); }
    virtual TRect ClientRect();
    Integer ClientWidth() { return ClientRect().Right; }
    Integer ClientHeight() { return ClientRect().Bottom; }
    void SetClientWidth(Integer Value);
    void SetClientHeight(Integer Value);
    // Screen position of the client area's top-left corner.
    virtual TPoint ClientOrigin();
    TPoint ClientToScreen(const TPoint& Point);
    TPoint ScreenToClient(const TPoint& Point);
    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign Value);

    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool Value);
    TFont* Font() const { return FFont.get(); }
    void SetFont(TFont* Value) { FFont->Assign(Value); }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool Value);
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& Value) { FHint = Value; }
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool Value);
    bool ParentShowHint() const { return FParentShowHint; }
    void SetParentShowHint(bool Value);
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value);
    TPopupMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* Value);
    // Caption and Text are one string.
    const std::string& Caption() const { return FText; }
    void SetCaption(const std::string& Value) { SetText(Value); }
    const std::string& Text() const { return FText; }
    virtual void SetText(const std::string& Value);
    bool IsRightToLeft() const { return false; }

    TControlStyle ControlStyle = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
    TControlState ControlState = 0;
    bool MouseCapture();
    void SetMouseCapture(bool Value);
    // Modes in progress on this control's forms end: each form up the parents tells its active
    // control CM_CANCELMODE with Sender (a press on another control does this).
    void SendCancelMode(TControl* Sender);

    // ---- Painting
    virtual void Invalidate();
    virtual void Repaint();
    virtual void Update();
    void Refresh() { Repaint(); }
    void BringToFront();
    void SendToBack();
    virtual bool HasParent() const { return FParent != nullptr; }
    virtual bool Showing() const;

    // ---- Events
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnResize;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

    virtual void Click();
    virtual void DblClick();

    // ---- Dragging: with dmAutomatic a left press starts it; BeginDrag(false) waits until the mouse
    // has moved Threshold pixels (-1: the system's distance), BeginDrag(true) starts at once. While
    // dragging, the control under the mouse hears CM_DRAG and raises OnDragOver; releasing over a
    // control that accepts raises its OnDragDrop; Escape cancels; the source hears OnEndDrag with
    // the target, or null when nothing was dropped.
    TDragMode DragMode = dmManual;
    TCursor DragCursor = crDrag;
    void BeginDrag(bool Immediate, int Threshold = -1);
    void EndDrag(bool Drop);
    bool Dragging() const;
    // The image list whose drag image follows the mouse (null: none).
    virtual TCustomImageList* GetDragImages() { return nullptr; }
    TDragOverEvent OnDragOver;
    TDragDropEvent OnDragDrop;
    TStartDragEvent OnStartDrag;
    TEndDragEvent OnEndDrag;

protected:
    friend struct TDragAccess;
    virtual void DoStartDrag(TDragObject*& DragObject);
    virtual void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept);
    virtual void DragDrop(TObject* Source, int X, int Y);
    virtual void DoEndDrag(TObject* Target, int X, int Y);
    void CMDrag(TMessage& Message);
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void Resize();
    virtual void Changed() {}
    virtual void ColorChanged() {}
    virtual void FontChanged();
    virtual void VisibleChanging() {}
    // Children that take their hint setting from this control hear of a change.
    void ShowHintChanged();
    // Asks the parent to lay out its aligned children again.
    virtual void RequestAlign();
    virtual void SetParentComponent() {}
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // The rectangle this control occupies on its parent's surface, and a redraw of it.
    void InvalidateControl(bool IsVisible, bool IsOpaque);

    // Message handlers shared by all controls.
    void WMMouseButton(TMessage& Message);
    void WMMouseMove(TMessage& Message);
    void WMCancelMode(TMessage& Message);
    void CMEnabledChanged(TMessage& Message);
    void CMVisibleChanged(TMessage& Message);
    void CMColorChanged(TMessage& Message);
    void CMFontChanged(TMessage& Message);
    void CMParentColorChanged(TMessage& Message);
    void CMParentFontChanged(TMessage& Message);
    void CMParentShowHintChanged(TMessage& Message);
    void CMMouseEnter(TMessage& Message);
    void CMMouseLeave(TMessage& Message);
    void CMHitTest(TMessage& Message);

    friend class TWinControl;
    friend class TControlCanvas;
    TWinControl* FParent = nullptr;
    Integer FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    TAlign FAlign = alNone;
    bool FVisible = true;
    bool FEnabled = true;
    TColor FColor = clWindow;
    bool FParentColor = true;
    std::unique_ptr<TFont> FFont;
    bool FParentFont = true;
    bool FDesktopFont = false;
    std::string FHint;
    bool FShowHint = false;
    bool FParentShowHint = true;
    TCursor FCursor = crDefault;
    TPopupMenu* FPopupMenu = nullptr;
    std::string FText;
    // Position in the parent's alignment order (insertion order unless moved).
    int FAlignOrder = 0;
};

// What a windowed control asks of its window when the handle is made.
struct TCreateParams {
    std::string Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    Integer X = 0, Y = 0, Width = 0, Height = 0;
    HWND WndParent = nullptr;
    UINT WindowClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    std::string WinClassName;
};

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;

    // ---- Children (windowed and windowless, in z-order: last is on top)
    int ControlCount() const { return static_cast<int>(FControls.size()); }
    TControl* Controls(int Index) const { return FControls.at(size_t(Index)); }
    void InsertControl(TControl* AControl);
    void RemoveControl(TControl* AControl);
    bool ContainsControl(TControl* Control) const;
    // The child control at a client point (windowless ones first, topmost first); with
    // AllowDisabled false disabled controls are skipped.
    TControl* ControlAtPos(const TPoint& Pos, bool AllowDisabled, bool AllowWinControls = false);
    void DisableAlign();
    void EnableAlign();
    void Realign();
    void SetChildOrder(TControl* Child, int Order);

    // ---- Window handle
    HWND Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    void HandleNeeded();
    void RecreateWnd();
    HWND ParentWindow() const { return FParentWindow; }
    void SetParentWindow(HWND Value);
    static TWinControl* FindControl(HWND Handle);
    // The control the window stands for: a window of no control's tree (a combo box's field) is
    // part of the control whose window holds it.
    static TWinControl* FindOuterControl(HWND Handle);

    void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;
    TRect ClientRect() override;
    TPoint ClientOrigin() override;
    void SetParent(TWinControl* AParent) override;
    bool Showing() const override;
    void Invalidate() override;
    void Repaint() override;
    void Update() override;
    void SetText(const std::string& Value) override;

    // ---- Focus and keyboard
    virtual bool CanFocus();
    bool Focused();
    virtual void SetFocus();
    int TabOrder() const;
    void SetTabOrder(int Value);
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool Value) { FTabStop = Value; }
    void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);
    TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop, bool CheckParent);
    void GetTabOrderList(std::vector<TWinControl*>& List);

    TBrush* Brush() const { return FBrush.get(); }
    bool Ctl3D() const { return FCtl3D; }
    void SetCtl3D(bool Value);
    bool DoubleBuffered = false;

    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TMouseWheelEvent OnMouseWheel;

    void DefaultHandler(TMessage& Message) override;
    void WndProc(TMessage& Message) override;
    void Dispatch(TMessage& Message) override;
    void PaintTo(HDC DC, int X, int Y);
    // Sends the message to every child in turn until one answers non-zero.
    void Broadcast(TMessage& Message);

protected:
    virtual void CreateParams(TCreateParams& Params);
    virtual void CreateHandle();
    virtual void CreateWnd();
    virtual void CreateWindowHandle(const TCreateParams& Params);
    virtual void DestroyHandle();
    virtual void DestroyWnd();
    virtual void DestroyWindowHandle();
    virtual void AlignControls(TControl* AControl, TRect& Rect);
    virtual void AdjustClientRect(TRect& Rect) { (void)Rect; }
    virtual void PaintWindow(HDC DC);
    void PaintControls(HDC DC, TControl* First);
    void PaintHandler(TMessage& Message);
    virtual void KeyDown(Word& Key, TShiftState Shift);
    virtual void KeyPress(char& Key);
    virtual void KeyUp(Word& Key, TShiftState Shift);
    bool DoKeyDown(TMessage& Message);
    bool DoKeyPress(TMessage& Message);
    bool DoKeyUp(TMessage& Message);
    // Key down and key up alike: the form's preview, then the control's handler.
    bool DoKeyEvent(TMessage& Message, bool (TWinControl::*Preview)(TMessage&),
                    void (TWinControl::*Handler)(Word&, TShiftState));
    virtual bool DoMouseWheel(TShiftState Shift, int WheelDelta, const TPoint& MousePos);
    virtual void DoEnter();
    virtual void DoExit();
    void UpdateShowing();
    void ColorChanged() override;
    void FontChanged() override;
    // Sends Msg to each child in turn, skipping those gone or moved by their turn (a handler may free
    // them, or this control, whereupon the walk stops).
    void TellChildren(UINT Msg);

    void WMPaint(TMessage& Message);
    void WMEraseBkgnd(TMessage& Message);
    void WMSize(TMessage& Message);
    void WMSetFocus(TMessage& Message);
    void WMKillFocus(TMessage& Message);
    void CMEnter(TMessage& Message);
    void CMExit(TMessage& Message);
    void CNChar(TMessage& Message);
    void CNSysChar(TMessage& Message);
    // A message a child window sent about itself goes back to that child's control as CN_BASE +
    // the message; false when the window is none of ours.
    bool DoControlMsg(HWND ControlHandle, TMessage& Message);
    // The child window a reflected message is about (null: none).
    HWND ChildWindowOf(const TMessage& Message) const;
    void WMKeyDown(TMessage& Message);
    void WMKeyUp(TMessage& Message);
    void WMChar(TMessage& Message);
    void CNKeyDown(TMessage& Message);
    void WMSetCursor(TMessage& Message);
    void WMMouseWheel(TMessage& Message);
    void WMContextMenu(TMessage& Message);
    void CMDialogKey(TMessage& Message);
    void CMShowingChanged(TMessage& Message);
    void CMEnabledChangedWin(TMessage& Message);

    // Mouse messages for windowless children are forwarded to them here.
    bool IsControlMouseMsg(TMessage& Message);

    friend class TControl;
    friend class TControlCanvas;
    std::vector<TControl*> FControls;
    HWND FHandle = nullptr;
    HWND FParentWindow = nullptr;
    std::unique_ptr<TBrush> FBrush;
    bool FTabStop = false;
    bool FCtl3D = true;
    int FAlignLevel = 0;
    bool FRealignPending = false;
    int FTabOrderHint = -1;
    // Whether the window is shown, as last told by CM_SHOWINGCHANGED.
    bool FShowingWindow = false;
    // Counts SetBounds calls, so that one made while another's window moves is not undone by it.
    unsigned FBoundsSerial = 0;
};

// A windowed control that paints itself on its Canvas in Paint.
class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* AOwner);
    ~TCustomControl() override;
    TCanvas* Canvas() const { return FCanvas.get(); }

protected:
    virtual void Paint() {}
    void PaintWindow(HDC DC) override;

private:
    std::unique_ptr<TControlCanvas> FCanvas;
};

// A control without a window of its own, painted on its parent's surface.
class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* AOwner);
    ~TGraphicControl() override;
    TCanvas* Canvas() const { return FCanvas.get(); }

    BEGIN_MESSAGE_MAP
        MESSAGE_HANDLER(WM_PAINT, WMPaint)
    END_MESSAGE_MAP(TControl)

protected:
    virtual void Paint() {}
    void WMPaint(TMessage& Message);

private:
    std::unique_ptr<TControlCanvas> FCanvas;
};

// The control under the mouse for graphic-control capture, and the capture helpers.
TControl* GetCaptureControl();
void SetCaptureControl(TControl* Control);
// The shift state of a mouse message's key flags (plus Alt from the keyboard state).
TShiftState KeysToShiftState(WPARAM Keys);
// The shift state of a key message's key data.
TShiftState KeyDataToShiftState(LPARAM KeyData);
// The shift state of a keyboard state array (GetKeyboardState).
TShiftState KeyboardStateToShiftState(const BYTE* KeyboardState);
// The form (or top-level windowed control) a control sits on.
class TCustomForm;
TCustomForm* GetParentForm(TControl* Control);
// The control under a screen point, windowless controls included.
TControl* FindDragTarget(const TPoint& Pos, bool AllowDisabled);
TControl* FindVCLWindow(const TPoint& Pos);

// Hidden utility windows whose messages all go to Method (which hands what it does not handle to
// DefWindowProc). DeallocateHWnd may be called from the method itself.
HWND AllocateHWnd(TWndMethod Method);
void DeallocateHWnd(HWND Wnd);
