// Mouse cursors: stock shapes, the class library's named cursors, cursors made from bitmaps, and
// the cursor shown over the window under the mouse.
#include <QCursor>
#include <QPixmap>

#include <map>
#include <unordered_set>

#include "platform/qt/WindowRec.h"

using namespace morvik::backend;
using namespace morvik::qtwin;

namespace {

struct CursorObj {
    QCursor cursor;
    bool stock = false;
    QImage image;  // what an icon draws (with transparency); null for stock shapes
};
// Cursors live as long as the program; the registry is never torn down, so stock cursors still in
// it at exit are not taken for leaks.
std::unordered_set<CursorObj*>& gCursors = *new std::unordered_set<CursorObj*>;
CursorObj* gCurrentCursor = nullptr;

CursorObj* CursorRec(HCURSOR h)
{
    auto* c = reinterpret_cast<CursorObj*>(h);
    return (c && gCursors.count(c)) ? c : nullptr;
}

HCURSOR StockCursor(Qt::CursorShape shape)
{
    static std::map<int, CursorObj*>& stock = *new std::map<int, CursorObj*>;
    auto it = stock.find(shape);
    if (it != stock.end())
        return reinterpret_cast<HCURSOR>(it->second);
    auto* c = new CursorObj{QCursor(shape), true, QImage()};
    gCursors.insert(c);
    stock[shape] = c;
    return reinterpret_cast<HCURSOR>(c);
}

std::map<std::string, HCURSOR>& NamedCursors()
{
    static std::map<std::string, HCURSOR> m;
    return m;
}

}  // namespace

namespace morvik::backend {

QImage IconImage(HICON h)
{
    CursorObj* c = CursorRec(h);
    if (!c)
        return {};
    return c->image.isNull() ? c->cursor.pixmap().toImage() : c->image;
}

QCursor CursorOf(HCURSOR h)
{
    CursorObj* c = CursorRec(h);
    return c ? c->cursor : QCursor(Qt::ArrowCursor);
}

}  // namespace morvik::backend

// ---- Cursors --------------------------------------------------------------------------------------
HCURSOR LoadCursor(HINSTANCE, LPCSTR name)
{
    EnsureToolkit();
    auto id = reinterpret_cast<std::uintptr_t>(name);
    if (id < 0x10000) {
        switch (id) {
        case 32512: return StockCursor(Qt::ArrowCursor);
        case 32513: return StockCursor(Qt::IBeamCursor);
        case 32514: return StockCursor(Qt::WaitCursor);
        case 32515: return StockCursor(Qt::CrossCursor);
        case 32516: return StockCursor(Qt::UpArrowCursor);
        case 32642: return StockCursor(Qt::SizeFDiagCursor);
        case 32643: return StockCursor(Qt::SizeBDiagCursor);
        case 32644: return StockCursor(Qt::SizeHorCursor);
        case 32645: return StockCursor(Qt::SizeVerCursor);
        case 32646: return StockCursor(Qt::SizeAllCursor);
        case 32648: return StockCursor(Qt::ForbiddenCursor);
        case 32649: return StockCursor(Qt::PointingHandCursor);
        case 32650: return StockCursor(Qt::BusyCursor);
        case 32651: return StockCursor(Qt::WhatsThisCursor);
        default: return nullptr;
        }
    }
    std::string key = UpperCase(name);
    // The class library's own drag and splitter cursors.
    if (key == "DRAG")
        return StockCursor(Qt::DragMoveCursor);
    if (key == "MULTIDRAG")
        return StockCursor(Qt::DragCopyCursor);
    if (key == "HSPLIT")
        return StockCursor(Qt::SplitHCursor);
    if (key == "VSPLIT")
        return StockCursor(Qt::SplitVCursor);
    auto it = NamedCursors().find(key);
    return it == NamedCursors().end() ? nullptr : it->second;
}

HCURSOR CreateCursorFromBitmaps(HBITMAP color, HBITMAP mask, int x, int y)
{
    EnsureToolkit();
    QImage* ci = BitmapImage(color);
    if (!ci || ci->isNull())
        return nullptr;
    QImage img = ci->convertToFormat(QImage::Format_ARGB32);
    if (QImage* mi = BitmapImage(mask)) {
        for (int yy = 0; yy < img.height() && yy < mi->height(); ++yy)
            for (int xx = 0; xx < img.width() && xx < mi->width(); ++xx)
                if (qGray(mi->pixel(xx, yy)) >= 128)
                    img.setPixel(xx, yy, 0);  // white mask: transparent
    }
    auto* c = new CursorObj{QCursor(QPixmap::fromImage(img), x, y), false, img};
    gCursors.insert(c);
    return reinterpret_cast<HCURSOR>(c);
}

void RegisterResourceCursor(const std::string& name, HCURSOR cursor)
{
    NamedCursors()[UpperCase(name)] = cursor;
}

HCURSOR SetCursor(HCURSOR h)
{
    CursorObj* old = gCurrentCursor;
    CursorObj* c = CursorRec(h);
    gCurrentCursor = c;
    if (gMouseWindow && gWindows.count(gMouseWindow) && gMouseWindow->widget) {
        if (c)
            gMouseWindow->widget->setCursor(c->cursor);
        else
            gMouseWindow->widget->setCursor(Qt::BlankCursor);
    }
    return reinterpret_cast<HCURSOR>(old);
}

HCURSOR GetCursor() { return reinterpret_cast<HCURSOR>(gCurrentCursor); }

BOOL DestroyCursor(HCURSOR h)
{
    CursorObj* c = CursorRec(h);
    if (!c || c->stock)
        return FALSE;
    if (gCurrentCursor == c)
        gCurrentCursor = nullptr;
    gCursors.erase(c);
    delete c;
    return TRUE;
}

BOOL GetCursorPos(POINT* p)
{
    if (!p)
        return FALSE;
    *p = gCursorPos;
    return TRUE;
}

BOOL SetCursorPos(int x, int y)
{
    gCursorPos = {x, y};
    return TRUE;
}

HICON CreateIconIndirect(const ICONINFO* info)
{
    if (!info)
        return nullptr;
    // A monochrome icon keeps both halves in its mask: the AND mask on top, the XOR image below.
    if (!info->hbmColor) {
        QImage* m = BitmapImage(info->hbmMask);
        if (!m || m->height() < 2)
            return nullptr;
        int h = m->height() / 2;
        HBITMAP andPart = CreateCompatibleBitmap(nullptr, m->width(), h);
        HBITMAP xorPart = CreateCompatibleBitmap(nullptr, m->width(), h);
        *BitmapImage(andPart) = m->copy(0, 0, m->width(), h);
        *BitmapImage(xorPart) = m->copy(0, h, m->width(), h);
        HICON icon = CreateCursorFromBitmaps(xorPart, andPart, int(info->xHotspot), int(info->yHotspot));
        DeleteObject(andPart);
        DeleteObject(xorPart);
        return icon;
    }
    QImage* ci = BitmapImage(info->hbmColor);
    int w = ci ? ci->width() : 0, h = ci ? ci->height() : 0;
    // An icon's hot spot is its centre.
    return CreateCursorFromBitmaps(info->hbmColor, info->hbmMask, info->fIcon ? w / 2 : int(info->xHotspot),
                                   info->fIcon ? h / 2 : int(info->yHotspot));
}

BOOL DestroyIcon(HICON icon) { return DestroyCursor(icon); }

HICON CopyIcon(HICON icon)
{
    CursorObj* c = CursorRec(icon);
    if (!c)
        return nullptr;
    auto* copy = new CursorObj{c->cursor, false, c->image};
    gCursors.insert(copy);
    return reinterpret_cast<HICON>(copy);
}

BOOL GetIconInfo(HICON icon, ICONINFO* info)
{
    if (!CursorRec(icon) || !info)
        return FALSE;
    QImage img = IconImage(icon).convertToFormat(QImage::Format_ARGB32);
    // The colour image is black where the icon is transparent, and the mask white there.
    QImage colour(img.size(), QImage::Format_RGB32), mask(img.size(), QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            QRgb p = img.pixel(x, y);
            bool clear = qAlpha(p) < 128;
            colour.setPixel(x, y, clear ? 0xFF000000u : (p | 0xFF000000u));
            mask.setPixel(x, y, clear ? 0xFFFFFFFFu : 0xFF000000u);
        }
    info->fIcon = TRUE;
    info->xHotspot = DWORD(img.width() / 2);
    info->yHotspot = DWORD(img.height() / 2);
    info->hbmColor = CreateCompatibleBitmap(nullptr, img.width(), img.height());
    info->hbmMask = CreateCompatibleBitmap(nullptr, img.width(), img.height());
    if (QImage* ci = BitmapImage(info->hbmColor))
        *ci = colour;
    if (QImage* mi = BitmapImage(info->hbmMask))
        *mi = mask;
    return TRUE;
}

namespace morvik::backend {

HICON IconFromImage(const QImage& image)
{
    if (image.isNull())
        return nullptr;
    EnsureToolkit();
    QImage img = image.convertToFormat(QImage::Format_ARGB32);
    auto* c = new CursorObj{QCursor(QPixmap::fromImage(img), img.width() / 2, img.height() / 2), false, img};
    gCursors.insert(c);
    return reinterpret_cast<HICON>(c);
}

}  // namespace morvik::backend
