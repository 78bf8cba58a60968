// Device contexts: their target image, logical origins and saved states, and the clip that every
// drawing call works within.
#include <algorithm>

#include "platform/qt/GdiObjects.h"

using namespace morvik::backend;
using namespace morvik::qtgdi;

namespace morvik::qtgdi {

// ---- Device context helpers ------------------------------------------------------------------
QImage* Target(DCObj* dc)
{
    if (dc->memory) {
        auto* b = ObjAs<BitmapObj>(dc->st.bitmap, OBJ_BITMAP);
        return b ? &b->image : nullptr;
    }
    return dc->image;
}

QRegion Clip(DCObj* dc, const QImage& img)
{
    QRegion r(0, 0, img.width(), img.height());
    if (dc->hasSysClip)
        r &= dc->sysClip;
    if (dc->st.hasClip)
        r &= dc->st.clip.translated(dc->origin.X, dc->origin.Y);
    return r;
}

ClipIndex::ClipIndex(const QRegion& region)
{
    for (const QRect& r : region)
        rects.push_back(r);
    bounds = region.boundingRect();
    for (size_t i = 0; i < rects.size();) {
        size_t j = i + 1;
        while (j < rects.size() && rects[j].top() == rects[i].top() && rects[j].bottom() == rects[i].bottom())
            ++j;
        bands.push_back({rects[i].top(), rects[i].bottom(), i, j});
        i = j;
    }
}

const QRect* ClipIndex::find(int x, int y) const
{
    if (!bounds.contains(x, y))
        return nullptr;
    // The band holding y: the first whose bottom is not above it.
    auto band = std::lower_bound(bands.begin(), bands.end(), y, [](const Band& b, int v) { return b.bottom < v; });
    if (band == bands.end() || band->top > y)
        return nullptr;
    auto end = rects.begin() + std::ptrdiff_t(band->last);
    auto span = std::lower_bound(rects.begin() + std::ptrdiff_t(band->first), end, x,
                                 [](const QRect& r, int v) { return r.right() < v; });
    return span != end && span->left() <= x ? &*span : nullptr;
}

Surface Prepare(DCObj* dc)
{
    QImage* img = Target(dc);
    if (!img || img->isNull())
        return Surface{img, QRegion(), std::make_shared<ClipIndex>(QRegion())};
    if (img->format() != QImage::Format_RGB32)
        *img = img->convertToFormat(QImage::Format_RGB32);
    auto& c = dc->cache;
    // Regions compare in constant time while they share their data, as copies of one another do.
    if (c.surface.index && c.img == img && c.size == img->size() && c.hasSys == dc->hasSysClip &&
        c.hasClip == dc->st.hasClip && c.origin == dc->origin && (!c.hasSys || c.sys == dc->sysClip) &&
        (!c.hasClip || c.clip == dc->st.clip)) {
        c.surface.img = img;
        return c.surface;
    }
    c.img = img;
    c.size = img->size();
    c.hasSys = dc->hasSysClip;
    c.hasClip = dc->st.hasClip;
    c.sys = dc->sysClip;
    c.clip = dc->st.clip;
    c.origin = dc->origin;
    c.surface.img = img;
    c.surface.clip = Clip(dc, *img);
    c.surface.index = std::make_shared<ClipIndex>(c.surface.clip);
    return c.surface;
}

void Touched(DCObj* dc, const QRect& imgRect)
{
    if (!dc->wnd || dc->shownAtEndPaint)
        return;
    // What the context may reach: the clip the last drawing prepared.
    QRect reach = dc->cache.surface.index ? dc->cache.surface.clip.boundingRect() : QRect();
    QRect a = imgRect.isNull() ? reach : (reach.isNull() ? imgRect : (imgRect & reach));
    if (a.isEmpty() && !reach.isNull())
        return;
    if (a.isNull())
        WindowImageChanged(dc->wnd);
    else
        WindowImageChanged(dc->wnd, TRect{a.left(), a.top(), a.right() + 1, a.bottom() + 1});
}

QRect LineBox(DCObj* dc, int x0, int y0, int x1, int y1)
{
    int m = std::max(1, PenOf(dc).width) + 1;
    return QRect(QPoint(std::min(x0, x1) - m, std::min(y0, y1) - m), QPoint(std::max(x0, x1) + m, std::max(y0, y1) + m));
}


QRect ImgRect(DCObj* dc, int l, int t, int r, int b)
{
    int x1 = IX(dc, l), y1 = IY(dc, t), x2 = IX(dc, r), y2 = IY(dc, b);
    if (x2 < x1)
        std::swap(x1, x2);
    if (y2 < y1)
        std::swap(y1, y2);
    return QRect(x1, y1, x2 - x1, y2 - y1);
}

}  // namespace morvik::qtgdi

namespace morvik::backend {

HDC CreateImageDC(QImage* image, HWND wnd, TPoint origin, const QRegion* clip)
{
    auto* dc = new DCObj;
    dc->image = image;
    dc->wnd = wnd;
    dc->origin = origin;
    if (clip) {
        dc->hasSysClip = true;
        dc->sysClip = *clip;
    }
    InitState(dc);
    RegisterDC(dc);
    return reinterpret_cast<HDC>(dc);
}

void DeleteImageDC(HDC h) { ::DeleteDC(h); }

void ShowAtEndPaint(HDC h)
{
    if (DCObj* dc = DC(h))
        dc->shownAtEndPaint = true;
}

QImage* DCImage(HDC h)
{
    DCObj* dc = DC(h);
    return dc ? Target(dc) : nullptr;
}

}  // namespace morvik::backend

// ---- Device contexts ---------------------------------------------------------------------------
HDC CreateCompatibleDC(HDC)
{
    EnsureToolkit();
    auto* dc = new DCObj;
    dc->memory = true;
    InitState(dc);
    dc->defaultBitmap = NewBitmap(1, 1, 0xFF000000u);
    dc->defaultBitmap->stock = true;
    RegisterDC(dc);
    dc->defaultBitmap->selectedIn = reinterpret_cast<HDC>(dc);
    dc->st.bitmap = H(dc->defaultBitmap);
    return reinterpret_cast<HDC>(dc);
}

BOOL DeleteDC(HDC hdc)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return FALSE;
    if (auto* b = ObjAs<BitmapObj>(dc->st.bitmap, OBJ_BITMAP))
        b->selectedIn = nullptr;
    for (auto& s : dc->saved)
        if (auto* b = ObjAs<BitmapObj>(s.bitmap, OBJ_BITMAP))
            if (b->selectedIn == hdc)
                b->selectedIn = nullptr;
    if (dc->defaultBitmap) {
        Unregister(dc->defaultBitmap);
        delete dc->defaultBitmap;
    }
    Unregister(dc);
    delete dc;
    return TRUE;
}

int SaveDC(HDC hdc)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return 0;
    dc->saved.push_back(dc->st);
    return int(dc->saved.size());
}

BOOL RestoreDC(HDC hdc, int n)
{
    DCObj* dc = DC(hdc);
    if (!dc || dc->saved.empty())
        return FALSE;
    int count = int(dc->saved.size());
    int index = n < 0 ? count + n : n - 1;
    if (index < 0 || index >= count)
        return FALSE;
    HGDIOBJ curBmp = dc->st.bitmap;
    dc->st = dc->saved[index];
    dc->saved.resize(index);
    if (dc->memory && dc->st.bitmap != curBmp) {
        if (auto* b = ObjAs<BitmapObj>(curBmp, OBJ_BITMAP))
            b->selectedIn = nullptr;
        if (auto* b = ObjAs<BitmapObj>(dc->st.bitmap, OBJ_BITMAP))
            b->selectedIn = hdc;
        else
            dc->st.bitmap = H(dc->defaultBitmap);
    }
    return TRUE;
}

#define DC_SETTER(Name, Field, Type)           \
    Type Name(HDC hdc, Type v)                 \
    {                                          \
        DCObj* dc = DC(hdc);                   \
        if (!dc)                               \
            return Type(0);                    \
        Type old = dc->st.Field;               \
        dc->st.Field = v;                      \
        return old;                            \
    }
DC_SETTER(SetBkMode, bkMode, int)
DC_SETTER(SetROP2, rop2, int)
DC_SETTER(SetTextAlign, align, UINT)
DC_SETTER(SetTextCharacterExtra, charExtra, int)
#undef DC_SETTER

COLORREF SetBkColor(HDC hdc, COLORREF c)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return CLR_INVALID;
    COLORREF old = dc->st.bk;
    dc->st.bk = c & 0xFFFFFF;
    return old;
}

COLORREF SetTextColor(HDC hdc, COLORREF c)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return CLR_INVALID;
    COLORREF old = dc->st.text;
    dc->st.text = c & 0xFFFFFF;
    return old;
}

int GetBkMode(HDC hdc) { DCObj* dc = DC(hdc); return dc ? dc->st.bkMode : 0; }
COLORREF GetBkColor(HDC hdc) { DCObj* dc = DC(hdc); return dc ? dc->st.bk : CLR_INVALID; }
COLORREF GetTextColor(HDC hdc) { DCObj* dc = DC(hdc); return dc ? dc->st.text : CLR_INVALID; }
int GetROP2(HDC hdc) { DCObj* dc = DC(hdc); return dc ? dc->st.rop2 : 0; }
UINT GetTextAlign(HDC hdc) { DCObj* dc = DC(hdc); return dc ? dc->st.align : 0; }

BOOL SetTextJustification(HDC hdc, int extra, int count)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return FALSE;
    dc->st.justExtra = count > 0 ? extra : 0;
    dc->st.justCount = count > 0 ? count : 0;
    return TRUE;
}

static BOOL SetPointField(HDC hdc, TPoint DCState::*field, int x, int y, POINT* old, bool offset)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return FALSE;
    if (old)
        *old = dc->st.*field;
    if (offset)
        dc->st.*field = {(dc->st.*field).X + x, (dc->st.*field).Y + y};
    else
        dc->st.*field = {x, y};
    return TRUE;
}

BOOL SetWindowOrgEx(HDC hdc, int x, int y, POINT* p) { return SetPointField(hdc, &DCState::windowOrg, x, y, p, false); }
BOOL OffsetWindowOrgEx(HDC hdc, int x, int y, POINT* p) { return SetPointField(hdc, &DCState::windowOrg, x, y, p, true); }
BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* p) { return SetPointField(hdc, &DCState::viewportOrg, x, y, p, false); }
BOOL SetBrushOrgEx(HDC hdc, int x, int y, POINT* p) { return SetPointField(hdc, &DCState::brushOrg, x, y, p, false); }

BOOL GetWindowOrgEx(HDC hdc, POINT* p)
{
    DCObj* dc = DC(hdc);
    if (!dc || !p)
        return FALSE;
    *p = dc->st.windowOrg;
    return TRUE;
}

BOOL GetViewportOrgEx(HDC hdc, POINT* p)
{
    DCObj* dc = DC(hdc);
    if (!dc || !p)
        return FALSE;
    *p = dc->st.viewportOrg;
    return TRUE;
}

BOOL LPtoDP(HDC hdc, POINT* pts, int c)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return FALSE;
    for (int i = 0; i < c; ++i)
        pts[i] = {DX(dc, pts[i].X), DY(dc, pts[i].Y)};
    return TRUE;
}

BOOL DPtoLP(HDC hdc, POINT* pts, int c)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return FALSE;
    for (int i = 0; i < c; ++i)
        pts[i] = {pts[i].X + dc->st.windowOrg.X - dc->st.viewportOrg.X,
                  pts[i].Y + dc->st.windowOrg.Y - dc->st.viewportOrg.Y};
    return TRUE;
}

int GetDeviceCaps(HDC hdc, int index)
{
    switch (index) {
    case LOGPIXELSX: case LOGPIXELSY: return 96;
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    case HORZRES: case VERTRES: {
        DCObj* dc = DC(hdc);
        QImage* img = dc ? Target(dc) : nullptr;
        if (!img)
            return 0;
        return index == HORZRES ? img->width() : img->height();
    }
    default: return 0;
    }
}
