// The seam between the class library and the toolkit underneath. Included only by platform/*.cpp;
// it names toolkit classes by forward declaration alone, so including it costs nothing.
#pragma once

#include <functional>
#include <string>

#include "platform/Windows.h"

class QImage;
class QRegion;
class QString;
class QWidget;
class QFont;
class QCursor;
class TControl;
class TWinControl;
class TMainMenu;
struct TCreateParams;

namespace morvik::backend {

// Starts the toolkit on first use. Every entry point that needs it calls this, so tests and tools
// never have to create an application object first.
void EnsureToolkit();
bool IsMainThread();
// Whether the toolkit has started (on the thread that IsMainThread then names).
bool ToolkitStarted();
// The name the toolkit gives the window system for the program's windows (their class) and shows
// in a window with no caption; the program's name until this is called, now or before the start.
void SetApplicationName(const std::string& name);

// Text crosses into the toolkit here: bytes in the code page of a character set (204 Cyrillic is
// Windows-1251, everything else Windows-1252) to and from Unicode.
QString ToQString(const std::string& bytes, int charset = 1 /* DEFAULT_CHARSET */);
std::string FromQString(const QString& text, int charset = 1);
// Text the user gives (typed, pasted, dropped) as bytes of a code page: a character the code page
// lacks gives those characters of its canonical decomposition that the code page has (an accented
// letter its base letter), or nothing, rather than a '?' the user never typed. LeftOut, when given,
// is set when a character gave nothing.
std::string UserTextToCodePage(const QString& text, int codePage, bool* leftOut = nullptr);

// ---- Event loop --------------------------------------------------------------------------
// Queues fn to run on the main thread; callable from any thread; runs in the order queued.
void Post(std::function<void()> fn);
// Runs fn on the main thread and waits for it (at once on the main thread); an exception fn raises
// is raised again in the caller.
void RunOnMainThread(const std::function<void()>& fn);
// On the main thread: runs the calls workers are waiting for; true when one ran.
bool RunMainThreadCalls();
// On the main thread: waits until done() holds, running the workers' calls meanwhile.
void WaitRunningMainThreadCalls(const std::function<bool()>& done);
// Wakes a main thread waiting above (a worker's state changed).
void WakeMainThread();
// Repeating timer on the main thread; returns an id > 0. Stopping an unknown id does nothing.
unsigned StartTimer(unsigned intervalMs, std::function<void()> fn);
void StopTimer(unsigned id);
// Runs whatever is pending (posted calls, timers due, input, pending paints) and returns.
void ProcessPending();
// Waits for at least one event, then runs what is pending.
void WaitForEvents();
// Waits until the window system has handed over what it holds for this program (input it has
// already taken, exposures), then runs what is pending.
void SyncWithWindowSystem();
// Milliseconds of a steady clock shared by GetTickCount and message times.
DWORD Now();

// ---- Windows ------------------------------------------------------------------------------
// Makes the window of a windowed control: a child of Params.WndParent, or a top-level window.
HWND CreateControlWindow(TWinControl* control, const TCreateParams& params);
void DestroyControlWindow(HWND wnd);
// WM_PARENTNOTIFY up the parents of a child window, as its creation (WM_CREATE) ends or before its
// destruction (WM_DESTROY) starts; a window with WS_EX_NOPARENTNOTIFY tells no one.
void NotifyParents(HWND child, UINT event);
TWinControl* ControlOf(HWND wnd);
// A control is going away: the layer forgets it as the control under the mouse.
void ForgetControl(TControl* control);
// The procedure messages to a window go through (GWLP_WNDPROC), and replacing it; the replacement
// returns the procedure it replaced.
WNDPROC WindowProcOf(HWND wnd);
WNDPROC SetWindowProcOf(HWND wnd, WNDPROC proc);
// Runs the default processing of a message (frame painting, scroll bars, hit testing, ...).
LRESULT DefaultWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Top-level windows: frame metrics around the client area (left, top, right, bottom).
TRect FrameMargins(HWND wnd);
// Sets what a top-level window shows above its client area (a menu bar widget; null for none).
void SetMenuBarWidget(HWND wnd, QWidget* menuBar);
void SetStayOnTop(HWND wnd, bool onTop);
void SetWindowCaption(HWND wnd, const std::string& caption);
// The window system's own number for the top-level window that shows wnd (0 when none shows it).
unsigned long WindowSystemId(HWND wnd);
void ActivateWindow(HWND wnd);
// Shows a tool tip at a screen point (an empty text hides it).
void ShowToolTip(TPoint screenPos, const std::string& text);
// Called by the layer after each input event and posted message: control canvases release their
// device contexts and pending paints run.
void SetIdleHandler(std::function<void()> fn);
// A window's backing image: the whole window, non-client area included. Null for 0 or a window
// that has none.
QImage* WindowImage(HWND wnd);
// A child is about to draw its parent's picture under Part of its client area: from now on the
// parent paints under it, and what the parent has still to paint there is painted first. False
// when a handler took either window away meanwhile.
bool BringParentPictureUpToDate(HWND child, const TRect& Part);
// Offset of the client area inside the window image, and the client rectangle's size.
TPoint ClientOrigin(HWND wnd);
// Drawing through a device context that targets a window reports here, so the screen catches up.
void WindowImageChanged(HWND wnd);
// Only a rectangle of the window's image changed (image coordinates).
void WindowImageChanged(HWND wnd, const TRect& imageRect);
// The toolkit widget that shows a window (null when none).
QWidget* WindowWidget(HWND wnd);
// The top-level toolkit window of a form (holds the menu bar), null for child windows.
QWidget* HostWidget(HWND wnd);

// ---- Device contexts (implemented by the drawing half) -------------------------------------
// A device context drawing into image, with its logical origin at origin (image pixels) and never
// drawing outside clip (image pixels; null: the whole image). wnd is the window the image belongs
// to (0 for a bitmap's memory context); drawing through it calls WindowImageChanged(wnd).
HDC CreateImageDC(QImage* image, HWND wnd, TPoint origin, const QRegion* clip);
// The context BeginPaint hands out: its drawing is shown at EndPaint, once for the whole paint,
// instead of call by call.
void ShowAtEndPaint(HDC dc);
void DeleteImageDC(HDC dc);
// The image a device context currently draws into (a selected bitmap for memory contexts).
QImage* DCImage(HDC dc);
// Toolkit views of drawing objects.
QImage* BitmapImage(HBITMAP bmp);
const QRegion* RegionOf(HRGN rgn);
HRGN CreateRegionFromQt(const QRegion& region);
// Replaces the area of an existing region object; false when rgn is no region.
bool SetRegionFromQt(HRGN rgn, const QRegion& region);
QFont FontOf(HFONT font);

// ---- Menus ------------------------------------------------------------------------------------
// The menu bar widget of a main menu (made on first use, rebuilt as the menu changes).
QWidget* MenuBarWidget(TMainMenu* menu);
// Opens the top-level item whose caption marks Ch with "&"; true when there was one.
bool OpenMenuByAccelerator(TMainMenu* menu, char ch);
// F10, or Alt pressed and released alone: the keys walk the menu bar's titles from the first, or
// leave them when they already did; true when the bar took or gave back the keyboard.
bool EnterMenuBar(TMainMenu* menu);
// A key pressed while the keys walk a menu bar; true when the bar took it.
bool MenuBarKey(Word vk, bool ctrlOrAlt);
// The user went elsewhere (a mouse button, another window, a modal loop, another program): the keys
// leave the menu bar, and an Alt held down no longer counts as pressed alone.
void LeaveMenuBar();

// ---- Cursors ------------------------------------------------------------------------------
QCursor CursorOf(HCURSOR cursor);
// What an icon shows, with transparency (null for none).
QImage IconImage(HICON icon);
// A new icon showing an image (its transparency kept); null for a null image.
HICON IconFromImage(const QImage& image);

}  // namespace morvik::backend
