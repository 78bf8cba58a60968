// Drawing objects behind their handles: the registry that tells live handles from stale ones,
// stock objects, pens, brushes, bitmaps, selecting objects into contexts, and the system colours.
#include <cstring>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "platform/qt/GdiObjects.h"
#include "platform/qt/WindowRec.h"

using namespace morvik::backend;
using namespace morvik::qtgdi;

namespace morvik::qtgdi {

std::mutex gObjectsLock;
std::unordered_set<const void*>& Objects()
{
    static std::unordered_set<const void*> s;
    return s;
}

// Device contexts are kept apart from drawing objects, so that neither handle passes for the other.
std::unordered_set<const void*>& Contexts()
{
    static std::unordered_set<const void*> s;
    return s;
}

GdiObj* Register(GdiObj* o)
{
    std::lock_guard<std::mutex> g(gObjectsLock);
    Objects().insert(o);
    return o;
}

DCObj* RegisterDC(DCObj* d)
{
    std::lock_guard<std::mutex> g(gObjectsLock);
    Contexts().insert(d);
    return d;
}

bool Alive(const void* p)
{
    if (!p)
        return false;
    std::lock_guard<std::mutex> g(gObjectsLock);
    return Objects().count(p) != 0;
}

bool AliveDC(const void* p)
{
    if (!p)
        return false;
    std::lock_guard<std::mutex> g(gObjectsLock);
    return Contexts().count(p) != 0;
}

void Unregister(const void* p)
{
    std::lock_guard<std::mutex> g(gObjectsLock);
    Objects().erase(p);
    Contexts().erase(p);
}


// ---- Stock objects -------------------------------------------------------------------------
GdiObj* MakeStock(int i)
{
    GdiObj* o = nullptr;
    switch (i) {
    case WHITE_BRUSH: case LTGRAY_BRUSH: case GRAY_BRUSH: case DKGRAY_BRUSH: case BLACK_BRUSH: {
        static const COLORREF c[] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128),
                                     RGB(64, 64, 64), RGB(0, 0, 0)};
        auto* b = new BrushObj;
        b->color = c[i];
        o = b;
        break;
    }
    case NULL_BRUSH: {
        auto* b = new BrushObj;
        b->style = BS_NULL;
        o = b;
        break;
    }
    case WHITE_PEN: o = new PenObj(PS_SOLID, 1, RGB(255, 255, 255)); break;
    case BLACK_PEN: o = new PenObj(PS_SOLID, 1, 0); break;
    case NULL_PEN: o = new PenObj(PS_NULL, 1, 0); break;
    case SYSTEM_FONT: o = new FontObj(DefaultLogFont(16, "System")); break;
    case DEFAULT_GUI_FONT: o = new FontObj(DefaultLogFont(-11, "MS Sans Serif")); break;
    default: return nullptr;
    }
    o->stock = true;
    return Register(o);
}

HGDIOBJ Stock(int i)
{
    static GdiObj* objs[20] = {};
    static std::mutex m;
    if (i < 0 || i >= 20)
        return nullptr;
    std::lock_guard<std::mutex> g(m);
    if (!objs[i])
        objs[i] = MakeStock(i);
    return H(objs[i]);
}

BrushInfo BrushOf(HBRUSH h)
{
    BrushInfo bi;
    auto v = reinterpret_cast<std::uintptr_t>(h);
    if (v >= 1 && v <= 31) {
        bi.style = BS_SOLID;
        bi.color = kSysColors[v - 1];
        return bi;
    }
    if (auto* b = ObjAs<BrushObj>(h, OBJ_BRUSH)) {
        bi.style = b->style;
        bi.color = b->color;
        bi.hatch = b->hatch;
        bi.pattern = b->pattern.isNull() ? nullptr : &b->pattern;
    }
    return bi;
}

BitmapObj* NewBitmap(int w, int h, QRgb fill)
{
    auto* b = new BitmapObj;
    b->image = QImage(std::max(w, 0), std::max(h, 0), QImage::Format_RGB32);
    b->image.fill(fill);
    return Register(b);
}

void InitState(DCObj* dc)
{
    dc->st.pen = Stock(BLACK_PEN);
    dc->st.brush = Stock(WHITE_BRUSH);
    dc->st.font = Stock(SYSTEM_FONT);
}

}  // namespace morvik::qtgdi

namespace morvik::backend {

QImage* BitmapImage(HBITMAP h)
{
    auto* b = ObjAs<BitmapObj>(h, OBJ_BITMAP);
    return b ? &b->image : nullptr;
}

const QRegion* RegionOf(HRGN h)
{
    auto* r = ObjAs<RegionObj>(h, OBJ_REGION);
    return r ? &r->region : nullptr;
}

HRGN CreateRegionFromQt(const QRegion& region)
{
    auto* r = Register(new RegionObj);
    r->region = region;
    return H(r);
}

bool SetRegionFromQt(HRGN h, const QRegion& region)
{
    auto* r = ObjAs<RegionObj>(h, OBJ_REGION);
    if (!r)
        return false;
    r->region = region;
    return true;
}

}  // namespace morvik::backend

// ---- Objects -----------------------------------------------------------------------------------
HGDIOBJ GetStockObject(int i) { return Stock(i); }

HPEN CreatePen(int iStyle, int cWidth, COLORREF color)
{
    return H(Register(new PenObj(iStyle, cWidth, color & 0xFFFFFF)));
}

HBRUSH CreateSolidBrush(COLORREF color)
{
    auto* b = Register(new BrushObj);
    b->color = color & 0xFFFFFF;
    return H(b);
}

HBRUSH CreateHatchBrush(int iHatch, COLORREF color)
{
    auto* b = Register(new BrushObj);
    b->style = BS_HATCHED;
    b->hatch = iHatch;
    b->color = color & 0xFFFFFF;
    return H(b);
}

HBRUSH CreatePatternBrush(HBITMAP hbm)
{
    auto* src = ObjAs<BitmapObj>(hbm, OBJ_BITMAP);
    if (!src)
        return nullptr;
    auto* b = Register(new BrushObj);
    b->style = BS_PATTERN;
    b->pattern = src->image.copy();
    return H(b);
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* lb)
{
    if (!lb)
        return nullptr;
    if (lb->lbStyle == BS_NULL) {
        auto* b = Register(new BrushObj);
        b->style = BS_NULL;
        return H(b);
    }
    if (lb->lbStyle == BS_HATCHED)
        return CreateHatchBrush(int(lb->lbHatch), lb->lbColor);
    if (lb->lbStyle == BS_PATTERN)
        return CreatePatternBrush(reinterpret_cast<HBITMAP>(lb->lbHatch));
    return CreateSolidBrush(lb->lbColor);
}

HBITMAP CreateCompatibleBitmap(HDC, int cx, int cy)
{
    return H(NewBitmap(cx, cy, 0xFF000000u));
}

HBITMAP CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void* lpBits)
{
    BitmapObj* b = NewBitmap(nWidth, nHeight, 0xFF000000u);
    if (nPlanes == 1 && nBitCount == 1) {
        b->mono = true;
        if (lpBits) {
            // Rows padded to 16 bits, most significant bit first.
            const auto* bits = static_cast<const Byte*>(lpBits);
            int stride = ((nWidth + 15) / 16) * 2;
            for (int y = 0; y < nHeight; ++y)
                for (int x = 0; x < nWidth; ++x) {
                    bool set = (bits[y * stride + x / 8] >> (7 - x % 8)) & 1;
                    *Px(&b->image, x, y) = set ? 0xFFFFFFFFu : 0xFF000000u;
                }
        }
    } else if (lpBits && nBitCount == 32) {
        std::memcpy(b->image.bits(), lpBits, size_t(nWidth) * nHeight * 4);
        for (int y = 0; y < nHeight; ++y)
            for (int x = 0; x < nWidth; ++x)
                *Px(&b->image, x, y) |= 0xFF000000u;
    }
    return H(b);
}

int GetObject(HGDIOBJ h, int c, void* pv)
{
    GdiObj* o = Obj(h);
    if (!o)
        return 0;
    switch (o->kind) {
    case OBJ_BITMAP: {
        auto* b = static_cast<BitmapObj*>(o);
        if (pv && c >= int(sizeof(BITMAP))) {
            BITMAP bm;
            bm.bmWidth = b->image.width();
            bm.bmHeight = b->image.height();
            bm.bmBitsPixel = b->mono ? 1 : 32;
            bm.bmWidthBytes = b->mono ? ((bm.bmWidth + 15) / 16) * 2 : bm.bmWidth * 4;
            *static_cast<BITMAP*>(pv) = bm;
        }
        return sizeof(BITMAP);
    }
    case OBJ_FONT:
        if (pv && c >= int(sizeof(LOGFONT)))
            *static_cast<LOGFONT*>(pv) = static_cast<FontObj*>(o)->lf;
        return sizeof(LOGFONT);
    case OBJ_BRUSH:
        if (pv && c >= int(sizeof(LOGBRUSH))) {
            auto* b = static_cast<BrushObj*>(o);
            LOGBRUSH lb;
            lb.lbStyle = b->style;
            lb.lbColor = b->color;
            lb.lbHatch = b->hatch;
            *static_cast<LOGBRUSH*>(pv) = lb;
        }
        return sizeof(LOGBRUSH);
    default: return 0;
    }
}

BOOL DeleteObject(HGDIOBJ ho)
{
    GdiObj* o = Obj(ho);
    if (!o || o->stock)
        return FALSE;
    if (o->kind == OBJ_BITMAP && static_cast<BitmapObj*>(o)->selectedIn)
        return FALSE;  // still selected into a memory context
    Unregister(o);
    delete o;
    return TRUE;
}

DWORD GetObjectType(HGDIOBJ h)
{
    if (GdiObj* o = Obj(h))
        return o->kind;
    if (DCObj* dc = DC(reinterpret_cast<HDC>(h)))
        return dc->memory ? OBJ_MEMDC : OBJ_DC;
    return 0;
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return nullptr;
    switch (type) {
    case OBJ_PEN: return dc->st.pen;
    case OBJ_BRUSH: return dc->st.brush;
    case OBJ_FONT: return dc->st.font;
    case OBJ_BITMAP: return dc->st.bitmap;
    default: return nullptr;
    }
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h)
{
    DCObj* dc = DC(hdc);
    GdiObj* o = Obj(h);
    if (!dc || !o)
        return nullptr;
    HGDIOBJ old = nullptr;
    switch (o->kind) {
    case OBJ_PEN: old = dc->st.pen; dc->st.pen = h; break;
    case OBJ_BRUSH: old = dc->st.brush; dc->st.brush = h; break;
    case OBJ_FONT: old = dc->st.font; dc->st.font = h; break;
    case OBJ_BITMAP: {
        if (!dc->memory)
            return nullptr;
        auto* b = static_cast<BitmapObj*>(o);
        if (b->selectedIn && b->selectedIn != hdc)
            return nullptr;
        old = dc->st.bitmap;
        if (auto* ob = ObjAs<BitmapObj>(old, OBJ_BITMAP))
            ob->selectedIn = nullptr;
        b->selectedIn = hdc;
        dc->st.bitmap = h;
        break;
    }
    case OBJ_REGION:
        return reinterpret_cast<HGDIOBJ>(std::intptr_t(SelectClipRgn(hdc, h)));
    default: return nullptr;
    }
    return old;
}

COLORREF GetSysColor(int n)
{
    if (n < 0 || n > 30)
        return 0;
    return kSysColors[n];
}

HBRUSH GetSysColorBrush(int n)
{
    static HBRUSH brushes[31] = {};
    static COLORREF made[31] = {};
    if (n < 0 || n > 30)
        return nullptr;
    if (!brushes[n]) {
        brushes[n] = CreateSolidBrush(kSysColors[n]);
        ObjAs<BrushObj>(brushes[n], OBJ_BRUSH)->stock = true;
    } else if (made[n] != kSysColors[n]) {
        // A system colour's brush follows the colour: contexts may hold it, so it is not replaced.
        ObjAs<BrushObj>(brushes[n], OBJ_BRUSH)->color = kSysColors[n];
    }
    made[n] = kSysColors[n];
    return brushes[n];
}

void SetSysColorEntry(int Index, COLORREF Value)
{
    if (Index >= 0 && Index <= 30)
        kSysColors[Index] = Value & 0xFFFFFF;
}

BOOL SetSysColors(int n, const INT* elements, const COLORREF* values)
{
    if (n < 0 || (n > 0 && (!elements || !values)))
        return FALSE;
    for (int i = 0; i < n; ++i)
        if (elements[i] < 0 || elements[i] > 30)
            return FALSE;
    for (int i = 0; i < n; ++i)
        SetSysColorEntry(elements[i], values[i]);
    std::vector<HWND> tops;
    for (morvik::qtwin::WindowRec* w : morvik::qtwin::gWindows)
        if (w->topLevel)
            tops.push_back(morvik::qtwin::H(w));
    for (HWND h : tops)
        if (IsWindow(h)) {
            SendMessage(h, WM_SYSCOLORCHANGE, 0, 0);
            RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
        }
    return TRUE;
}
