// Regions and the clip regions of device contexts.
#include <QPolygon>

#include <algorithm>
#include <cstdlib>

#include "platform/qt/GdiObjects.h"

using namespace morvik::backend;
using namespace morvik::qtgdi;

// ---- Regions and clipping -----------------------------------------------------------------------
HRGN CreateRectRgn(int x1, int y1, int x2, int y2)
{
    auto* r = Register(new RegionObj);
    if (x2 < x1)
        std::swap(x1, x2);
    if (y2 < y1)
        std::swap(y1, y2);
    r->region = QRegion(x1, y1, x2 - x1, y2 - y1);
    return H(r);
}

HRGN CreateRectRgnIndirect(const RECT* r)
{
    return r ? CreateRectRgn(r->Left, r->Top, r->Right, r->Bottom) : nullptr;
}

HRGN CreateEllipticRgn(int x1, int y1, int x2, int y2)
{
    auto* r = Register(new RegionObj);
    r->region = QRegion(x1, y1, x2 - x1, y2 - y1, QRegion::Ellipse);
    return H(r);
}

HRGN CreatePolygonRgn(const POINT* pts, int n, int iMode)
{
    QPolygon poly;
    for (int i = 0; i < n; ++i)
        poly << QPoint(pts[i].X, pts[i].Y);
    auto* r = Register(new RegionObj);
    r->region = QRegion(poly, iMode == 2 ? Qt::WindingFill : Qt::OddEvenFill);
    return H(r);
}

BOOL SetRectRgn(HRGN h, int l, int t, int r, int b)
{
    auto* o = ObjAs<RegionObj>(h, OBJ_REGION);
    if (!o)
        return FALSE;
    o->region = QRegion(std::min(l, r), std::min(t, b), std::abs(r - l), std::abs(b - t));
    return TRUE;
}

static int RegionType(const QRegion& r)
{
    if (r.isEmpty())
        return NULLREGION;
    return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

int CombineRgn(HRGN dst, HRGN s1, HRGN s2, int mode)
{
    auto* d = ObjAs<RegionObj>(dst, OBJ_REGION);
    auto* a = ObjAs<RegionObj>(s1, OBJ_REGION);
    auto* b = ObjAs<RegionObj>(s2, OBJ_REGION);
    if (!d || !a || (mode != RGN_COPY && !b))
        return ERROR;
    switch (mode) {
    case RGN_AND: d->region = a->region & b->region; break;
    case RGN_OR: d->region = a->region | b->region; break;
    case RGN_XOR: d->region = a->region ^ b->region; break;
    case RGN_DIFF: d->region = a->region - b->region; break;
    case RGN_COPY: d->region = a->region; break;
    default: return ERROR;
    }
    return RegionType(d->region);
}

int OffsetRgn(HRGN h, int x, int y)
{
    auto* o = ObjAs<RegionObj>(h, OBJ_REGION);
    if (!o)
        return ERROR;
    o->region.translate(x, y);
    return RegionType(o->region);
}

BOOL PtInRegion(HRGN h, int x, int y)
{
    auto* o = ObjAs<RegionObj>(h, OBJ_REGION);
    return o && o->region.contains(QPoint(x, y));
}

BOOL RectInRegion(HRGN h, const RECT* r)
{
    auto* o = ObjAs<RegionObj>(h, OBJ_REGION);
    return o && r && o->region.intersects(QRect(r->Left, r->Top, r->Width(), r->Height()));
}

BOOL EqualRgn(HRGN h1, HRGN h2)
{
    auto* a = ObjAs<RegionObj>(h1, OBJ_REGION);
    auto* b = ObjAs<RegionObj>(h2, OBJ_REGION);
    return a && b && a->region == b->region;
}

int GetRgnBox(HRGN h, RECT* r)
{
    auto* o = ObjAs<RegionObj>(h, OBJ_REGION);
    if (!o || !r)
        return ERROR;
    QRect b = o->region.boundingRect();
    *r = o->region.isEmpty() ? TRect{} : TRect{b.left(), b.top(), b.left() + b.width(), b.top() + b.height()};
    return RegionType(o->region);
}

int SelectClipRgn(HDC hdc, HRGN h)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return ERROR;
    if (!h) {
        dc->st.hasClip = false;
        dc->st.clip = QRegion();
        return SIMPLEREGION;
    }
    auto* o = ObjAs<RegionObj>(h, OBJ_REGION);
    if (!o)
        return ERROR;
    dc->st.hasClip = true;
    dc->st.clip = o->region;
    return RegionType(o->region);
}

int ExtSelectClipRgn(HDC hdc, HRGN h, int mode)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return ERROR;
    if (mode == RGN_COPY || !h)
        return SelectClipRgn(hdc, h);
    auto* o = ObjAs<RegionObj>(h, OBJ_REGION);
    if (!o)
        return ERROR;
    QRegion cur = dc->st.hasClip ? dc->st.clip : QRegion(-100000, -100000, 200000, 200000);
    switch (mode) {
    case RGN_AND: cur &= o->region; break;
    case RGN_OR: cur |= o->region; break;
    case RGN_XOR: cur ^= o->region; break;
    case RGN_DIFF: cur -= o->region; break;
    default: return ERROR;
    }
    dc->st.hasClip = true;
    dc->st.clip = cur;
    return RegionType(cur);
}

static QRegion Unbounded() { return QRegion(-1000000, -1000000, 2000000, 2000000); }

int IntersectClipRect(HDC hdc, int l, int t, int r, int b)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return ERROR;
    QRegion cur = dc->st.hasClip ? dc->st.clip : Unbounded();
    cur &= QRegion(DX(dc, l), DY(dc, t), std::max(0, r - l), std::max(0, b - t));
    dc->st.hasClip = true;
    dc->st.clip = cur;
    return RegionType(cur);
}

int ExcludeClipRect(HDC hdc, int l, int t, int r, int b)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return ERROR;
    QRegion cur = dc->st.hasClip ? dc->st.clip : Unbounded();
    cur -= QRegion(DX(dc, l), DY(dc, t), std::max(0, r - l), std::max(0, b - t));
    dc->st.hasClip = true;
    dc->st.clip = cur;
    return RegionType(cur);
}

int GetClipBox(HDC hdc, RECT* r)
{
    DCObj* dc = DC(hdc);
    if (!dc || !r)
        return ERROR;
    QImage* img = Target(dc);
    if (!img)
        return ERROR;
    QRegion c = Clip(dc, *img);
    QRect b = c.boundingRect();
    int ox = dc->origin.X - dc->st.windowOrg.X + dc->st.viewportOrg.X;
    int oy = dc->origin.Y - dc->st.windowOrg.Y + dc->st.viewportOrg.Y;
    *r = c.isEmpty() ? TRect{} : TRect{b.left() - ox, b.top() - oy, b.left() + b.width() - ox, b.top() + b.height() - oy};
    return RegionType(c);
}

int GetClipRgn(HDC hdc, HRGN h)
{
    DCObj* dc = DC(hdc);
    auto* o = ObjAs<RegionObj>(h, OBJ_REGION);
    if (!dc || !o)
        return -1;
    if (!dc->st.hasClip)
        return 0;
    o->region = dc->st.clip;
    return 1;
}

BOOL RectVisible(HDC hdc, const RECT* r)
{
    DCObj* dc = DC(hdc);
    if (!dc || !r)
        return FALSE;
    QImage* img = Target(dc);
    if (!img)
        return FALSE;
    return Clip(dc, *img).intersects(ImgRect(dc, r->Left, r->Top, r->Right, r->Bottom));
}

BOOL PtVisible(HDC hdc, int x, int y)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return FALSE;
    QImage* img = Target(dc);
    return img && Clip(dc, *img).contains(QPoint(IX(dc, x), IY(dc, y)));
}
