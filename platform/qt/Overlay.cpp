// Drag feedback over child windows: each top-level window can have an overlay above all its
// children. Inverting drawing goes into an XOR mask that the overlay applies to whatever the
// screen shows beneath it, so drawing a line twice takes it away again; the drag image of an
// image list is drawn on top of it.
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

#include "platform/qt/WindowRec.h"

using namespace morvik::backend;
using namespace morvik::qtwin;

namespace morvik::qtwin {

class OverlayWidget : public QWidget {
public:
    OverlayWidget(WindowRec* top, QWidget* parent) : QWidget(parent), FTop(top)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent* e) override
    {
        QPainter p(this);
        p.setClipRegion(e->region());
        if (FTop->overlayUsed) {
            p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            p.drawImage(0, 0, FTop->overlayMask);
            p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        }
        PaintDragImage(FTop, p);
    }

private:
    WindowRec* FTop;
};

void SyncOverlay(WindowRec* top)
{
    if (!top->overlay)
        return;
    QRect g = top->widget->geometry();
    top->overlay->setGeometry(g);
    if (top->overlayMask.size() != g.size()) {
        top->overlayMask = QImage(g.size(), QImage::Format_RGB32);
        top->overlayMask.fill(0);
        top->overlayUsed = false;
    }
    top->overlay->raise();
}

void RefreshOverlay(WindowRec* top)
{
    if (!top || !top->host)
        return;
    bool needed = top->overlayUsed || DragImageShownOver(top);
    if (needed && !top->overlay) {
        top->overlay = new OverlayWidget(top, top->host);
        SyncOverlay(top);
    }
    if (top->overlay) {
        top->overlay->setVisible(needed);
        if (needed)
            top->overlay->raise();
        top->overlay->update();
    }
}

HDC CreateOverlayDC(WindowRec* w, bool wholeWindow)
{
    WindowRec* top = TopOf(w);
    if (!top || !top->host)
        return nullptr;
    if (!top->overlay) {
        top->overlay = new OverlayWidget(top, top->host);
        top->overlay->hide();
        SyncOverlay(top);
    }
    // The overlay covers the top-level window's client area, as its image does.
    TPoint topOrigin = ImageScreenOrigin(top);
    TPoint o = wholeWindow ? ImageScreenOrigin(w) : ClientScreenOrigin(w);
    TPoint origin{o.X - topOrigin.X, o.Y - topOrigin.Y};
    TRect area;
    if (wholeWindow) {
        area = Bounds(origin.X, origin.Y, w->topLevel ? ImageSize(w).cx : w->rect.Width(),
                      w->topLevel ? ImageSize(w).cy : w->rect.Height());
    } else {
        TRect c = ClientInImage(w);
        area = Bounds(origin.X, origin.Y, c.Width(), c.Height());
    }
    QRegion clip(area.Left, area.Top, area.Width(), area.Height());
    top->overlayUsed = true;
    return CreateImageDC(&top->overlayMask, H(top), origin, &clip);
}

bool ReleaseOverlayDC(HDC dc)
{
    QImage* img = DCImage(dc);
    for (WindowRec* w : gWindows) {
        if (!w->topLevel || &w->overlayMask != img)
            continue;
        DeleteImageDC(dc);
        // Once everything drawn has been drawn again, the overlay has nothing to show.
        bool any = false;
        for (int y = 0; y < img->height() && !any; ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(img->constScanLine(y));
            any = std::any_of(row, row + img->width(), [](QRgb p) { return (p & 0xFFFFFFu) != 0; });
        }
        w->overlayUsed = any;
        RefreshOverlay(w);
        return true;
    }
    return false;
}

}  // namespace morvik::qtwin
