// The toolkit widgets that show windows: making and destroying them, keeping their geometry,
// visibility and stacking equal to the window records, top-level frames and their events, tool tips
// and pictures of controls.
#include <QBuffer>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QToolTip>

#include <algorithm>

#include "platform/FileUtils.h"
#include "platform/Forms.h"
#include "platform/Graphics.h"
#include "platform/qt/OleDrag.h"
#include "platform/qt/WindowRec.h"

using namespace morvik::backend;
using namespace morvik::qtwin;

namespace morvik::qtwin {

QRgb ToPixBtnFace()
{
    COLORREF c = GetSysColor(COLOR_BTNFACE);
    return qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
}

// The kind of WM_SIZE: a top-level window may be minimised or maximised by the desktop.
WPARAM SizeKind(WindowRec* w)
{
    if (!w->topLevel || !w->host)
        return SIZE_RESTORED;
    return w->host->isMinimized() ? SIZE_MINIMIZED : w->host->isMaximized() ? SIZE_MAXIMIZED : SIZE_RESTORED;
}

void SyncWidgetGeometry(WindowRec* w)
{
    if (!w->widget)
        return;
    if (w->topLevel) {
        TRect c = ClientInImage(w);
        TPoint o = ImageScreenOrigin(w);
        int menuH = w->menuBar ? kMenuHeight : 0;
        w->host->FInternalGeometry = true;
        w->host->setGeometry(o.X, o.Y - menuH, std::max(1, c.Width()), std::max(1, c.Height() + menuH));
        w->host->FInternalGeometry = false;
        if (w->menuBar)
            w->menuBar->setGeometry(0, 0, std::max(1, c.Width()), menuH);
        w->widget->setGeometry(0, menuH, std::max(1, c.Width()), std::max(1, c.Height()));
        SyncOverlay(w);
    } else if (w->parent) {
        TRect pc = ClientInImage(w->parent);
        w->widget->setGeometry(pc.Left + w->rect.Left, pc.Top + w->rect.Top, std::max(0, w->rect.Width()),
                               std::max(0, w->rect.Height()));
    }
    if (w->hasRgn)
        w->widget->setMask(w->windowRgn);
}

void ResizeImage(WindowRec* w)
{
    TSize s = ImageSize(w);
    if (w->image.width() == s.cx && w->image.height() == s.cy)
        return;
    QImage grown(std::max(0, s.cx), std::max(0, s.cy), QImage::Format_RGB32);
    grown.fill(ToPixBtnFace());
    if (!w->image.isNull() && !grown.isNull()) {
        QPainter p(&grown);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(0, 0, w->image);
    }
    w->image = grown;
}

void ShowWidget(WindowRec* w)
{
    if (!w->widget)
        return;
    bool show = w->visible;
    if (w->topLevel) {
        if (show && !w->host->isVisible()) {
            SyncWidgetGeometry(w);
            w->host->show();
        } else if (!show && w->host->isVisible()) {
            w->host->hide();
        }
        w->widget->setVisible(true);
    } else {
        w->widget->setVisible(show);
    }
}

void HostWindow::closeEvent(QCloseEvent* e)
{
    // The form decides; it hides or destroys the window itself.
    e->ignore();
    if (!gWindows.count(FRec))
        return;
    Shielded([this] {
        SendMessage(H(FRec), WM_CLOSE, 0, 0);
        RunIdle();
    });
}

void HostGeometryChanged(WindowRec* w)
{
    if (!gWindows.count(w) || w->host->FInternalGeometry)
        return;
    QRect g = w->host->geometry();
    TRect m = TopMargins(w);
    int menuH = w->menuBar ? kMenuHeight : 0;
    int left = g.x() - m.Left, top = g.y() + menuH - m.Top;
    int width = g.width() + m.Left + m.Right, height = g.height() - menuH + m.Top + m.Bottom;
    if (left == w->rect.Left && top == w->rect.Top && width == w->rect.Width() && height == w->rect.Height())
        return;
    SetWindowPos(H(w), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void HostWindow::moveEvent(QMoveEvent*)
{
    Shielded([this] { HostGeometryChanged(FRec); });
}
void HostWindow::resizeEvent(QResizeEvent*)
{
    Shielded([this] { HostGeometryChanged(FRec); });
}

bool HostWindow::event(QEvent* e)
{
    if (!gWindows.count(FRec))
        return QWidget::event(e);
    if (e->type() == QEvent::WindowActivate) {
        if (gActive != FRec && !(FRec->exStyle & WS_EX_NOACTIVATE)) {
            gToolkitActivating = true;
            ActivateWindow(H(FRec));
            gToolkitActivating = false;
        }
    } else if (e->type() == QEvent::ShortcutOverride) {
        e->accept();  // every key comes to us; menus and shortcuts are decided by the forms
        return true;
    } else if (e->type() == QEvent::WindowStateChange) {
        bool handled = QWidget::event(e);
        TRect c = ClientInImage(FRec);
        SendMessage(H(FRec), WM_SIZE, SizeKind(FRec), MAKELPARAM(c.Width(), c.Height()));
        return handled;
    }
    return QWidget::event(e);
}

void NotifyParentsOf(WindowRec* w, WPARAM wParam, const std::function<LPARAM(WindowRec* parent)>& LParam)
{
    while (w && gWindows.count(w) && !w->topLevel && w->parent && !(w->exStyle & WS_EX_NOPARENTNOTIFY)) {
        WindowRec* p = w->parent;
        if (p->control && p->control->HasState(csDestroying))
            return;
        SendMessage(H(p), WM_PARENTNOTIFY, wParam, LParam(p));
        w = p;
    }
}

}  // namespace morvik::qtwin

namespace morvik::backend {

HWND CreateControlWindow(TWinControl* control, const TCreateParams& params)
{
    EnsureToolkit();
    auto* w = new WindowRec;
    w->control = control;
    w->style = params.Style;
    w->exStyle = params.ExStyle;
    w->classStyle = params.WindowClassStyle;
    w->text = params.Caption;
    w->className = params.WinClassName;
    w->parent = Rec(params.WndParent);
    w->topLevel = (w->parent == nullptr);
    w->rect = Bounds(params.X, params.Y, params.Width, params.Height);
    w->visible = (params.Style & WS_VISIBLE) != 0;
    w->enabled = !(params.Style & WS_DISABLED);
    for (int bar = 0; bar < 2; ++bar)
        w->sb[bar].visible = !w->topLevel && (params.Style & (bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL));
    w->handle = ++gLastHandle;
    {
        std::lock_guard<std::mutex> g(gHandlesLock);
        gHandles[w->handle] = w;
    }
    RecalcClient(w, false);
    gWindows.insert(w);
    if (w->topLevel) {
        w->host = new HostWindow(w);
        w->host->setWindowTitle(ToQString(w->text));
        w->widget = new SurfaceWidget(w, w->host);
        if ((params.Style & WS_POPUP) && (params.Style & WS_CAPTION) != WS_CAPTION) {
            // Popups (hints, drop-down lists) get no frame from the desktop; one that never
            // activates is shown without taking the keyboard.
            bool passive = params.ExStyle & WS_EX_NOACTIVATE;
            w->host->setWindowFlags(Qt::FramelessWindowHint | (passive ? Qt::ToolTip : Qt::Tool));
            if (passive) {
                w->host->setAttribute(Qt::WA_ShowWithoutActivating);
                w->host->setFocusPolicy(Qt::NoFocus);
            }
        }
        if ((params.Style & WS_CAPTION) == WS_CAPTION) {
            // The desktop's caption shows the buttons the window asks for.
            Qt::WindowFlags f = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
            if (params.Style & WS_SYSMENU)
                f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
            if (params.Style & WS_MINIMIZEBOX)
                f |= Qt::WindowMinimizeButtonHint;
            if (params.Style & WS_MAXIMIZEBOX)
                f |= Qt::WindowMaximizeButtonHint;
            if (params.ExStyle & WS_EX_CONTEXTHELP)
                f |= Qt::WindowContextHelpButtonHint;
            w->host->setWindowFlags(f);
        }
        if (params.ExStyle & WS_EX_TOPMOST) {
            w->onTop = true;
            w->host->setWindowFlag(Qt::WindowStaysOnTopHint, true);
        }
        if (!(params.Style & WS_THICKFRAME))
            w->host->setWindowFlag(Qt::MSWindowsFixedSizeDialogHint, true);
    } else {
        w->parent->children.push_back(w);
        w->widget = new SurfaceWidget(w, w->parent->widget);
    }
    ResizeImage(w);
    SyncWidgetGeometry(w);
    ShowWidget(w);
    w->update = QRegion(0, 0, ClientInImage(w).Width(), ClientInImage(w).Height());
    w->erase = true;
    SchedulePaint(w);
    return H(w);
}

void NotifyParents(HWND h, UINT event)
{
    WindowRec* w = Rec(h);
    if (!w)
        return;
    WPARAM id = WPARAM(GetWindowLong(h, GWL_ID));
    NotifyParentsOf(w, MAKEWPARAM(event, Word(id)), [h](WindowRec*) { return reinterpret_cast<LPARAM>(h); });
}

namespace {
void DestroyWindowTree(HWND h)
{
    WindowRec* w = Rec(h);
    if (!w)
        return;
    while (!w->children.empty())
        DestroyWindowTree(H(w->children.back()));
    if (gCapture == w)
        ReleaseCapture();
    if (gFocus == w) {
        gFocus = nullptr;
    }
    if (gActive == w)
        gActive = nullptr;
    if (gMouseWindow == w)
        gMouseWindow = nullptr;
    if (gMouseControl == w->control)
        gMouseControl = nullptr;
    if (gCaret.owner == w)
        DestroyCaret();
    if (gTrack.w == w) {
        if (gTrack.timer)
            StopTimer(gTrack.timer);
        gTrack = ScrollTrack{};
    }
    if (gLastClick.w == w)
        gLastClick = LastClick{};
    ForgetMouseTracking(w);
    gPendingPaint.erase(w);
    ForgetDropTarget(h);
    if (w->parent) {
        auto& ch = w->parent->children;
        ch.erase(std::remove(ch.begin(), ch.end(), w), ch.end());
    }
    gWindows.erase(w);
    {
        std::lock_guard<std::mutex> g(gHandlesLock);
        gHandles.erase(w->handle);
    }
    if (w->host) {
        w->host->hide();
        w->host->deleteLater();
    } else if (w->widget) {
        w->widget->hide();
        w->widget->deleteLater();
    }
    delete w;
}
}  // namespace

void DestroyControlWindow(HWND h)
{
    // The parent's picture under a window that goes shows again (its children go with it, and what
    // they covered is inside it).
    if (WindowRec* w = Rec(h); w && w->parent && IsShowing(w))
        InvalidateArea(w->parent, QRegion(w->rect.Left, w->rect.Top, w->rect.Width(), w->rect.Height()), true);
    DestroyWindowTree(h);
}

void ForgetControl(TControl* control)
{
    if (gMouseControl == control)
        gMouseControl = nullptr;
}

TWinControl* ControlOf(HWND h)
{
    WindowRec* w = Rec(h);
    return w ? w->control : nullptr;
}

QImage* WindowImage(HWND h)
{
    WindowRec* w = Rec(h);
    return w ? &w->image : nullptr;
}

TPoint ClientOrigin(HWND h)
{
    WindowRec* w = Rec(h);
    return w ? ClientInImage(w).TopLeft() : TPoint{};
}

void WindowImageChanged(HWND h, const TRect& r)
{
    if (WindowRec* w = Rec(h)) {
        // The widget shows the image at its own origin.
        if (w->widget)
            w->widget->update(QRect(r.Left, r.Top, std::max(0, r.Width()), std::max(0, r.Height())));
        if (w->overlay)
            RefreshOverlay(w);
    }
}

void WindowImageChanged(HWND h)
{
    if (WindowRec* w = Rec(h)) {
        if (w->widget)
            w->widget->update();
        if (w->overlay)
            RefreshOverlay(w);
    }
}

QWidget* WindowWidget(HWND h)
{
    WindowRec* w = Rec(h);
    return w ? w->widget : nullptr;
}

QWidget* HostWidget(HWND h)
{
    WindowRec* w = Rec(h);
    return w ? w->host : nullptr;
}

TRect FrameMargins(HWND h)
{
    WindowRec* w = Rec(h);
    return (w && w->topLevel) ? TopMargins(w) : TRect{};
}

void SetMenuBarWidget(HWND h, QWidget* menuBar)
{
    WindowRec* w = Rec(h);
    if (!w || !w->topLevel || w->menuBar == menuBar)
        return;
    TRect old = ClientInImage(w);
    if (w->menuBar)
        w->menuBar->hide();
    w->menuBar = menuBar;
    if (menuBar) {
        menuBar->setParent(w->host);
        menuBar->show();
    }
    ResizeImage(w);
    SyncWidgetGeometry(w);
    FrameChanged(w, old);
}

void SetStayOnTop(HWND h, bool onTop)
{
    WindowRec* w = Rec(h);
    if (!w || !w->topLevel || w->onTop == onTop)
        return;
    w->onTop = onTop;
    bool shown = w->host->isVisible();
    w->host->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (shown) {
        SyncWidgetGeometry(w);
        w->host->show();
    }
}

void SetWindowCaption(HWND h, const std::string& caption)
{
    WindowRec* w = Rec(h);
    if (!w)
        return;
    w->text = caption;
    if (w->host)
        w->host->setWindowTitle(ToQString(caption));
}

void ShowToolTip(TPoint screenPos, const std::string& text)
{
    EnsureToolkit();
    if (text.empty())
        QToolTip::hideText();
    else
        QToolTip::showText(QPoint(screenPos.X, screenPos.Y), ToQString(text));
}

void SetIdleHandler(std::function<void()> fn) { gIdleHandler = std::move(fn); }

}  // namespace morvik::backend

// ---- Pictures of controls ----------------------------------------------------------------------------
namespace {

// What the screen shows of a control, pending paints done first.
QPixmap GrabControl(TControl* Control)
{
    if (!Control)
        return {};
    auto* w = dynamic_cast<TWinControl*>(Control);
    QRect area;
    if (!w) {
        w = Control->Parent();
        if (!w)
            return {};
        WindowRec* pr = Rec(w->Handle());
        TRect c = ClientInImage(pr);
        area = QRect(c.Left + Control->Left(), c.Top + Control->Top(), Control->Width(), Control->Height());
    }
    HWND h = w->Handle();
    WindowRec* r = Rec(h);
    if (!r)
        return {};
    if (Application)
        Application->ProcessMessages();
    RedrawWindow(h, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    QWidget* target = (r->topLevel && area.isNull()) ? static_cast<QWidget*>(r->host) : r->widget;
    if (r->topLevel && area.isNull())
        SyncWidgetGeometry(r);
    if (!r->topLevel) {
        // A child window's picture includes the drag feedback drawn over it.
        WindowRec* top = TopOf(r);
        if (top->overlay && top->overlay->isVisible()) {
            QRect g(target->mapTo(top->host, area.isNull() ? QPoint(0, 0) : area.topLeft()),
                    area.isNull() ? target->size() : area.size());
            return top->host->grab(g);
        }
    }
    return area.isNull() ? target->grab() : target->grab(area);
}

}  // namespace

bool SaveControlImage(TControl* Control, const std::string& FileName)
{
    QPixmap pm = GrabControl(Control);
    if (pm.isNull())
        return false;
    // Made whole first, then put in the old file's place: a failure leaves the old file.
    QByteArray data;
    QBuffer buf(&data);
    buf.open(QIODevice::WriteOnly);
    return pm.save(&buf, "PNG") && StoreFileContents(FileName, std::string(data.constData(), size_t(data.size())));
}

namespace {

bool PixmapToBitmap(const QPixmap& pm, TBitmap* Bitmap)
{
    if (pm.isNull() || !Bitmap)
        return false;
    QImage img = pm.toImage().convertToFormat(QImage::Format_RGB32);
    Bitmap->SetWidth(img.width());
    Bitmap->SetHeight(img.height());
    QImage* dst = BitmapImage(Bitmap->Handle());
    if (!dst)
        return false;
    *dst = img;
    return true;
}

}  // namespace

bool CaptureScreenRect(const TRect& ScreenRect, TBitmap* Bitmap)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || ScreenRect.Width() <= 0 || ScreenRect.Height() <= 0)
        return false;
    return PixmapToBitmap(
        screen->grabWindow(0, ScreenRect.Left, ScreenRect.Top, ScreenRect.Width(), ScreenRect.Height()), Bitmap);
}

bool CaptureControlImage(TControl* Control, TBitmap* Bitmap)
{
    return PixmapToBitmap(GrabControl(Control), Bitmap);
}
