// Image lists: their images and masks, drawing with ImageList_DrawEx, and the drag image shown over
// every window while something is dragged.
#include <QPainter>

#include <algorithm>
#include <functional>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/CommCtrl.h"
#include "platform/qt/WindowRec.h"

using namespace morvik::backend;
using namespace morvik::qtwin;

namespace {

struct ImageListRec {
    int cx = 16, cy = 16;
    bool masked = true;
    COLORREF bk = CLR_NONE;
    std::vector<QImage> images;  // ARGB: transparent where the mask is
};
std::unordered_set<ImageListRec*> gLists;

ImageListRec* List(HIMAGELIST h)
{
    auto* r = reinterpret_cast<ImageListRec*>(h);
    return gLists.count(r) ? r : nullptr;
}

// The one drag image of the program: what is shown, where (in its top-level window's client
// coordinates) and over which window.
struct DragSprite {
    WindowRec* top = nullptr;
    WindowRec* lock = nullptr;
    QImage image;
    QPoint hotspot;
    QPoint pos;
    bool dragging = false;
    bool entered = false;
    bool shown = false;
};
DragSprite gDrag;

QRgb Pix(COLORREF c) { return qRgb(GetRValue(c), GetGValue(c), GetBValue(c)); }

// Adds the images of a strip, each made transparent where 'clear' says so.
int AddStrip(ImageListRec* l, const QImage& strip, const std::function<bool(int, int)>& clear)
{
    if (strip.isNull() || l->cx <= 0 || l->cy <= 0)
        return -1;
    int first = int(l->images.size());
    int n = std::max(1, strip.width() / l->cx);
    for (int k = 0; k < n; ++k) {
        QImage img(l->cx, l->cy, QImage::Format_ARGB32);
        img.fill(0);
        for (int y = 0; y < l->cy && y < strip.height(); ++y)
            for (int x = 0; x < l->cx && k * l->cx + x < strip.width(); ++x) {
                int sx = k * l->cx + x;
                if (!(l->masked && clear(sx, y)))
                    img.setPixel(x, y, strip.pixel(sx, y) | 0xFF000000u);
            }
        l->images.push_back(img);
    }
    return first;
}

void RefreshDrag()
{
    if (gDrag.top && gWindows.count(gDrag.top))
        RefreshOverlay(gDrag.top);
}

}  // namespace

namespace morvik::qtwin {

bool DragImageShownOver(WindowRec* top)
{
    return gDrag.dragging && gDrag.entered && gDrag.shown && gDrag.top == top && gWindows.count(top) &&
           !gDrag.image.isNull();
}

void PaintDragImage(WindowRec* top, QPainter& p)
{
    if (DragImageShownOver(top))
        p.drawImage(gDrag.pos, gDrag.image);
}

}  // namespace morvik::qtwin

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int, int)
{
    if (cx <= 0 || cy <= 0)
        return nullptr;
    auto* l = new ImageListRec;
    l->cx = cx;
    l->cy = cy;
    l->masked = flags & ILC_MASK;
    gLists.insert(l);
    return reinterpret_cast<HIMAGELIST>(l);
}

BOOL ImageList_Destroy(HIMAGELIST h)
{
    ImageListRec* l = List(h);
    if (!l)
        return FALSE;
    gLists.erase(l);
    delete l;
    return TRUE;
}

int ImageList_GetImageCount(HIMAGELIST h)
{
    ImageListRec* l = List(h);
    return l ? int(l->images.size()) : 0;
}

BOOL ImageList_GetIconSize(HIMAGELIST h, int* cx, int* cy)
{
    ImageListRec* l = List(h);
    if (!l)
        return FALSE;
    if (cx)
        *cx = l->cx;
    if (cy)
        *cy = l->cy;
    return TRUE;
}

int ImageList_Add(HIMAGELIST h, HBITMAP image, HBITMAP mask)
{
    ImageListRec* l = List(h);
    const QImage* img = BitmapImage(image);
    if (!l || !img)
        return -1;
    const QImage* m = mask ? BitmapImage(mask) : nullptr;
    return AddStrip(l, *img, [m](int x, int y) {
        return m && x < m->width() && y < m->height() && (m->pixel(x, y) & 0xFFFFFF) != 0;
    });
}

int ImageList_AddMasked(HIMAGELIST h, HBITMAP image, COLORREF maskColor)
{
    ImageListRec* l = List(h);
    const QImage* img = BitmapImage(image);
    if (!l || !img)
        return -1;
    QRgb key = Pix(maskColor) & 0xFFFFFF;
    return AddStrip(l, *img, [img, key](int x, int y) { return (img->pixel(x, y) & 0xFFFFFF) == key; });
}

BOOL ImageList_Replace(HIMAGELIST h, int i, HBITMAP image, HBITMAP mask)
{
    ImageListRec* l = List(h);
    const QImage* img = BitmapImage(image);
    if (!l || !img || i < 0 || i >= int(l->images.size()))
        return FALSE;
    const QImage* m = mask ? BitmapImage(mask) : nullptr;
    ImageListRec one = *l;
    one.images.clear();
    AddStrip(&one, *img, [m](int x, int y) {
        return m && x < m->width() && y < m->height() && (m->pixel(x, y) & 0xFFFFFF) != 0;
    });
    if (one.images.empty())
        return FALSE;
    l->images[size_t(i)] = one.images.front();
    return TRUE;
}

BOOL ImageList_Remove(HIMAGELIST h, int i)
{
    ImageListRec* l = List(h);
    if (!l || i < -1 || i >= int(l->images.size()))
        return FALSE;
    if (i == -1)
        l->images.clear();
    else
        l->images.erase(l->images.begin() + i);
    return TRUE;
}

COLORREF ImageList_SetBkColor(HIMAGELIST h, COLORREF bk)
{
    ImageListRec* l = List(h);
    if (!l)
        return CLR_NONE;
    return std::exchange(l->bk, bk == CLR_NONE ? CLR_NONE : (bk & 0xFFFFFF));
}

COLORREF ImageList_GetBkColor(HIMAGELIST h)
{
    ImageListRec* l = List(h);
    return l ? l->bk : CLR_NONE;
}

BOOL ImageList_DrawEx(HIMAGELIST h, int i, HDC hdc, int x, int y, int dx, int dy, COLORREF rgbBk, COLORREF rgbFg,
                      UINT style)
{
    ImageListRec* l = List(h);
    if (!l || i < 0 || i >= int(l->images.size()) || !hdc)
        return FALSE;
    QImage img = l->images[size_t(i)];
    if (dx > 0 || dy > 0)
        img = img.copy(0, 0, dx > 0 ? dx : l->cx, dy > 0 ? dy : l->cy);
    if (style & ILD_MASK) {
        // The mask: black where the image shows, white where it is transparent.
        for (int yy = 0; yy < img.height(); ++yy)
            for (int xx = 0; xx < img.width(); ++xx)
                img.setPixel(xx, yy, qAlpha(img.pixel(xx, yy)) ? 0xFF000000u : 0xFFFFFFFFu);
    } else if (style & (ILD_BLEND25 | ILD_BLEND50)) {
        // Selected or focused: mixed with the highlight colour, half or a quarter of it.
        QRgb fg = Pix(rgbFg == CLR_DEFAULT || rgbFg == CLR_NONE ? GetSysColor(COLOR_HIGHLIGHT) : rgbFg);
        int share = (style & ILD_BLEND50) ? 2 : 4;
        for (int yy = 0; yy < img.height(); ++yy)
            for (int xx = 0; xx < img.width(); ++xx) {
                QRgb p = img.pixel(xx, yy);
                if (!qAlpha(p))
                    continue;
                auto mix = [share](int a, int b) { return a + (b - a) / share; };
                img.setPixel(xx, yy, qRgb(mix(qRed(p), qRed(fg)), mix(qGreen(p), qGreen(fg)), mix(qBlue(p), qBlue(fg))));
            }
    }
    COLORREF bk = rgbBk == CLR_DEFAULT ? l->bk : rgbBk;
    if (!(style & (ILD_TRANSPARENT | ILD_MASK)) && bk != CLR_NONE) {
        QImage under(img.size(), QImage::Format_ARGB32);
        under.fill(Pix(bk));
        QPainter p(&under);
        p.drawImage(0, 0, img);
        p.end();
        img = under;
    }
    // The image goes through an icon-like path: drawn over the destination with its transparency.
    ICONINFO info;
    HBITMAP color = CreateCompatibleBitmap(nullptr, img.width(), img.height());
    HBITMAP mask = CreateCompatibleBitmap(nullptr, img.width(), img.height());
    QImage* ci = BitmapImage(color);
    QImage* mi = BitmapImage(mask);
    for (int yy = 0; yy < img.height(); ++yy)
        for (int xx = 0; xx < img.width(); ++xx) {
            QRgb p = img.pixel(xx, yy);
            ci->setPixel(xx, yy, p | 0xFF000000u);
            mi->setPixel(xx, yy, qAlpha(p) ? 0xFF000000u : 0xFFFFFFFFu);
        }
    info.hbmColor = color;
    info.hbmMask = mask;
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(color);
    DeleteObject(mask);
    BOOL ok = DrawIconEx(hdc, x, y, icon, 0, 0, 0, nullptr, DI_NORMAL);
    DestroyIcon(icon);
    return ok;
}

BOOL ImageList_Draw(HIMAGELIST h, int i, HDC hdc, int x, int y, UINT style)
{
    return ImageList_DrawEx(h, i, hdc, x, y, 0, 0, CLR_DEFAULT, CLR_DEFAULT, style);
}

BOOL ImageList_BeginDrag(HIMAGELIST h, int i, int dxHotspot, int dyHotspot)
{
    ImageListRec* l = List(h);
    if (!l || i < 0 || i >= int(l->images.size()) || gDrag.dragging)
        return FALSE;
    gDrag = DragSprite{};
    gDrag.image = l->images[size_t(i)];
    gDrag.hotspot = QPoint(dxHotspot, dyHotspot);
    gDrag.dragging = true;
    return TRUE;
}

void ImageList_EndDrag()
{
    WindowRec* top = gDrag.top;
    gDrag = DragSprite{};
    if (top && gWindows.count(top))
        RefreshOverlay(top);
}

BOOL ImageList_DragEnter(HWND lock, int x, int y)
{
    WindowRec* w = Rec(lock);
    if (!gDrag.dragging || !w)
        return FALSE;
    WindowRec* old = gDrag.top;
    gDrag.lock = w;
    gDrag.top = TopOf(w);
    gDrag.entered = true;
    gDrag.shown = true;
    if (old && old != gDrag.top && gWindows.count(old))
        RefreshOverlay(old);
    return ImageList_DragMove(x, y);
}

BOOL ImageList_DragMove(int x, int y)
{
    if (!gDrag.dragging || !gDrag.entered || !gDrag.lock || !gWindows.count(gDrag.lock))
        return FALSE;
    // Window coordinates of the lock window, into the client coordinates of its top-level window.
    // (A top-level window's rectangle includes its frame; its image is the client area.)
    TPoint o = gDrag.lock->topLevel ? gDrag.lock->rect.TopLeft() : ImageScreenOrigin(gDrag.lock);
    TPoint t = ImageScreenOrigin(gDrag.top);
    gDrag.pos = QPoint(o.X - t.X + x, o.Y - t.Y + y) - gDrag.hotspot;
    RefreshDrag();
    return TRUE;
}

BOOL ImageList_DragShowNolock(BOOL show)
{
    if (!gDrag.dragging)
        return FALSE;
    gDrag.shown = show;
    RefreshDrag();
    return TRUE;
}

BOOL ImageList_DragLeave(HWND)
{
    if (!gDrag.dragging)
        return FALSE;
    gDrag.entered = false;
    gDrag.shown = false;
    RefreshDrag();
    return TRUE;
}
