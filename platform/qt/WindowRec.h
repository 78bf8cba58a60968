// Shared by the window half of the toolkit backend: the record each window handle stands for, the
// layer's global input state, the toolkit widgets that show windows, and the helpers the window
// files call on one another. Internal to platform/qt/.
#pragma once

#include <QImage>
#include <QRegion>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/Backend.h"
#include "platform/Controls.h"
#include "platform/PaintCount.h"

class QInputMethodEvent;
class QKeyEvent;
class QMouseEvent;
class QPainter;

namespace morvik::qtwin {

constexpr int kScrollBarSize = 16;
constexpr int kCaptionHeight = 19;
constexpr int kMenuHeight = 20;

// The keyboard's auto-repeat as the desktop set it: the delay before the first repeat and the
// time between repeats, in milliseconds.
void KeyboardRepeat(int& DelayMs, int& IntervalMs);

struct ScrollBarState {
    int min = 0, max = 100;
    UINT page = 0;
    int pos = 0;
    int trackPos = 0;
    bool visible = false;
    bool disabled = false;
};

class SurfaceWidget;
class HostWindow;
class OverlayWidget;

struct WindowRec {
    TWinControl* control = nullptr;
    WindowRec* parent = nullptr;
    std::vector<WindowRec*> children;  // z-order, last on top
    DWORD style = 0, exStyle = 0;
    UINT classStyle = 0;
    TRect rect;  // child: in the parent's client coordinates; top-level: screen, frame included
    bool visible = false;
    bool enabled = true;
    std::string text;
    QImage image;   // child: whole window; top-level: client area
    QRegion update; // client coordinates
    bool erase = false;
    bool frameDirty = true;
    ScrollBarState sb[2];
    TRect client;  // in image coordinates (child windows)
    SurfaceWidget* widget = nullptr;
    HostWindow* host = nullptr;
    QWidget* menuBar = nullptr;
    bool topLevel = false;
    bool onTop = false;
    bool hasRgn = false;
    QRegion windowRgn;
    bool seeThrough = false;  // draws its parent's picture under itself: the parent paints under it
    std::string className;
    std::uintptr_t handle = 0;
    std::uintptr_t id = 0;  // GWL_ID; 0: the handle's number
    // Top-level windows: drag feedback above the child windows (Overlay.cpp).
    QWidget* overlay = nullptr;
    QImage overlayMask;  // XORed onto the screen; all black when nothing is drawn
    bool overlayUsed = false;
    WNDPROC subclass = nullptr;  // a procedure put in front of the control's (GWLP_WNDPROC)
    bool noRedraw = false;       // WM_SETREDRAW FALSE: no painting until it is turned back on
    bool caretOnlyRepaint = false;  // the screen was asked to show the caret's blink alone
};


inline std::unordered_set<WindowRec*> gWindows;
// Handles are serial numbers that are never given out twice, so that a message posted to a window
// that has gone cannot reach a newer window that happens to live at the same address.
inline std::unordered_map<std::uintptr_t, WindowRec*> gHandles;
// Taken to change gHandles, and to read it from threads other than the main one (PostMessage).
inline std::mutex gHandlesLock;
inline std::uintptr_t gLastHandle = 0;
inline WindowRec* gFocus = nullptr;
inline WindowRec* gCapture = nullptr;
inline WindowRec* gActive = nullptr;
inline WindowRec* gMouseWindow = nullptr;
inline TControl* gMouseControl = nullptr;
inline std::set<WindowRec*> gPendingPaint;
inline bool gPaintPosted = false;
inline PaintCount::TCounts gPaintCounts;
inline BYTE gKeyState[256] = {};
inline DWORD gTimeSkew = 0;
inline DWORD gMessageTime = 0;
inline TPoint gCursorPos;
inline std::function<void()> gIdleHandler;
inline UINT gButtons = 0;  // mouse buttons held: 1 left, 2 right, 4 middle
// Set while the toolkit reports that it activated a window: the layer follows without asking again.
inline bool gToolkitActivating = false;
// Alt is down and nothing has come since its press: released now, it puts the keys in the menu bar.
inline bool gAltAlone = false;
// The display's code of the key last pressed as Alt (0: not known).
inline unsigned gAltKeycode = 0;

struct LastClick {
    WindowRec* w = nullptr;
    UINT msg = 0;
    DWORD time = 0;
    TPoint pt;
    bool armed = false;
};
inline LastClick gLastClick;

struct BarGeom {
    TRect bar, arrow1, arrow2, track, thumb;
    bool hasThumb = false;
};

struct ScrollTrack {
    WindowRec* w = nullptr;
    int bar = 0;
    int part = -1;  // 0 line up, 1 line down, 2 page up, 3 page down, 4 thumb
    int grab = 0;
    unsigned timer = 0;
    TPoint last;
};
inline ScrollTrack gTrack;

struct CaretState {
    WindowRec* owner = nullptr;
    int width = 0, height = 0;
    TPoint pos;
    int hideLevel = 1;
    bool blinkOn = true;
    unsigned timer = 0;
    bool gray = false;
    QImage shape;  // null: a solid caret
};
inline CaretState gCaret;

// ---- Handles, messages, idle ---------------------------------------------------------------
WindowRec* Rec(HWND h);
HWND H(WindowRec* r);
DWORD MessageClock();
void RunIdle();
// Queues a posted message for the main thread (MessageQueue.cpp); callable from any thread.
void PostToQueue(HWND h, UINT msg, WPARAM wParam, LPARAM lParam);

// ---- Geometry (WindowGeometry.cpp) ---------------------------------------------------------
int BorderWidth(const WindowRec* w);
TRect TopMargins(const WindowRec* w);
TSize WindowSize(const WindowRec* w);
TRect DefaultClient(const WindowRec* w);
TRect ClientInImage(const WindowRec* w);
void RecalcClient(WindowRec* w, bool ask);
TSize ImageSize(const WindowRec* w);
TPoint ImageScreenOrigin(const WindowRec* w);
TPoint ClientScreenOrigin(const WindowRec* w);
// WM_PARENTNOTIFY to each parent up the chain while the window telling has neither WS_EX_NOPARENTNOTIFY
// nor is top-level; LParam gives each parent its own LParam. Parents whose control is going are
// skipped (their derived parts may be gone).
void NotifyParentsOf(WindowRec* w, WPARAM wParam, const std::function<LPARAM(WindowRec* parent)>& LParam);
bool IsShowing(const WindowRec* w);
bool IsEnabledChain(const WindowRec* w);
WindowRec* TopOf(WindowRec* w);
WindowRec* WindowAt(WindowRec* w, TPoint screenPt);

// ---- Widgets (WidgetGlue.cpp) --------------------------------------------------------------
QRgb ToPixBtnFace();
WPARAM SizeKind(WindowRec* w);
void SyncWidgetGeometry(WindowRec* w);
void ResizeImage(WindowRec* w);
void ShowWidget(WindowRec* w);

// ---- Painting (Painting.cpp) ---------------------------------------------------------------
void FlushPaints();
void SchedulePaint(WindowRec* w);
// Adds Area (client coordinates, clipped to the client area) to what w has to paint. A see-through
// child shows w's picture as it is now: the part of Area under one is its to paint as well.
void InvalidateArea(WindowRec* w, const QRegion& Area, bool Erase);
// Whether w draws its parent's picture under itself.
inline bool SeeThrough(const WindowRec* w) { return w->seeThrough || (w->exStyle & WS_EX_TRANSPARENT); }

// ---- Non-client area (NonClient.cpp) -------------------------------------------------------
BarGeom BarGeometry(const WindowRec* w, int bar);
void PaintFrame(WindowRec* w);
void FrameChanged(WindowRec* w, TRect oldClient);
void UpdateBarVisibility(WindowRec* w, int bar, bool disableNoScroll);

// ---- Scroll-bar tracking (ScrollBars.cpp) --------------------------------------------------
void StartScrollTrack(WindowRec* w, int bar, TPoint screenPt);
void TrackMouse(UINT kind, TPoint screenPt);
void EndScrollTrack();

// ---- Overlay (Overlay.cpp) -----------------------------------------------------------------
void SyncOverlay(WindowRec* top);
// Shows or hides the overlay as it has something to show, and repaints it.
void RefreshOverlay(WindowRec* top);
HDC CreateOverlayDC(WindowRec* w, bool wholeWindow);
// True when dc was an overlay context (then it is released).
bool ReleaseOverlayDC(HDC dc);
// The image list's drag image (ImageLists.cpp), drawn on the overlay of the window it moves over.
bool DragImageShownOver(WindowRec* top);
void PaintDragImage(WindowRec* top, QPainter& p);

// ---- Caret (Caret.cpp) ---------------------------------------------------------------------
void RefreshCaret();
// Whether a repaint of 'painted' (image coordinates) of w shows the caret's blink and nothing else.
bool CaretBlinkOnly(WindowRec* w, const QRect& painted);
void PaintCaretOverlay(WindowRec* w, QPainter& p);

// ---- Mouse (MouseInput.cpp) ----------------------------------------------------------------
WPARAM KeyFlags(UINT buttons);
void SetModifierState(TShiftState shift);
// The toolkit's libraries are built without exceptions: their frames keep no clean-up for an error
// passing through them (a guard left counted, a state half changed). An error a handler raises while
// the toolkit delivers an event is therefore kept where the toolkit called the layer (Shielded), and
// raised again once the toolkit has returned to the layer (RaiseShielded), as if it had come
// straight through; a second error before then is dropped.
void Shielded(const std::function<void()>& Fn);
void RaiseShielded();

void DeliverMouse(WindowRec* target, UINT kind, int button, TPoint screenPt);
void DeliverMouseEvent(WindowRec* w, QMouseEvent* e, UINT kind);
// The window under the mouse is now 'under' (null: none of ours): a window that asked to hear of
// the mouse leaving hears it.
void MouseMovedOver(WindowRec* under);
void ForgetMouseTracking(WindowRec* w);

// ---- Keyboard (KeyTranslation.cpp) ---------------------------------------------------------
// On X11: what the display tells our windows that reaches them as no toolkit event (a dead key the
// input method takes, another program's grab of the pointer or the keyboard) still ends Alt's being
// alone, and a grab ends the menu bar's walk.
void WatchUnseenInput();
void DeliverKey(bool down, Word vk, TShiftState shift, const std::string& text, bool repeat);
void DeliverQtKey(QKeyEvent* e, bool down);
// Characters alone (an input-method commit), in the focused control's character set.
void DeliverText(const std::string& chars);
// The characters a key types under a shift state (bytes in the focused control's character set).
std::string CharsOfKey(Word vk, TShiftState shift, const std::string& text);
int FocusCharset();
Word VirtualKeyOf(int key, Qt::KeyboardModifiers mods);
// The virtual key at a display's key code in the keymap's Latin layout (the US keyboard's where the
// keymap has none); 0 for none.
Word LatinPlaceKey(unsigned code);

// ---- Toolkit widgets -----------------------------------------------------------------------
class SurfaceWidget : public QWidget {
public:
    SurfaceWidget(WindowRec* rec, QWidget* parent) : QWidget(parent), FRec(rec)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
        setMouseTracking(true);
        setFocusPolicy(Qt::NoFocus);
    }
    WindowRec* FRec;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override { DeliverMouseEvent(FRec, e, WM_LBUTTONDOWN); }
    void mouseDoubleClickEvent(QMouseEvent* e) override { DeliverMouseEvent(FRec, e, WM_LBUTTONDOWN); }
    void mouseReleaseEvent(QMouseEvent* e) override { DeliverMouseEvent(FRec, e, WM_LBUTTONUP); }
    void mouseMoveEvent(QMouseEvent* e) override { DeliverMouseEvent(FRec, e, WM_MOUSEMOVE); }
    void wheelEvent(QWheelEvent* e) override;
    void leaveEvent(QEvent*) override;
};

class HostWindow : public QWidget {
public:
    explicit HostWindow(WindowRec* rec) : QWidget(nullptr), FRec(rec)
    {
        setFocusPolicy(Qt::StrongFocus);
        setAttribute(Qt::WA_InputMethodEnabled, true);
    }
    WindowRec* FRec;
    bool FInternalGeometry = false;

protected:
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void moveEvent(QMoveEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    bool event(QEvent* e) override;
    bool focusNextPrevChild(bool) override { return false; }
};


}  // namespace morvik::qtwin
