// Drawing icons into device contexts.
#include <QPainter>

#include "platform/qt/GdiObjects.h"

using namespace morvik::backend;
using namespace morvik::qtgdi;

BOOL DrawIconEx(HDC hdc, int x, int y, HICON icon, int cx, int cy, UINT, HBRUSH flickerFree, UINT flags)
{
    DCObj* dc = DC(hdc);
    QImage img = IconImage(icon);
    if (!dc || img.isNull())
        return FALSE;
    if (cx <= 0)
        cx = img.width();
    if (cy <= 0)
        cy = img.height();
    if (cx != img.width() || cy != img.height())
        img = img.scaled(cx, cy, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    img = img.convertToFormat(QImage::Format_ARGB32);
    if ((flags & DI_NORMAL) == DI_MASK) {
        // The mask alone: black where the icon shows, white where it is transparent.
        for (int yy = 0; yy < img.height(); ++yy) {
            auto* row = reinterpret_cast<QRgb*>(img.scanLine(yy));
            for (int xx = 0; xx < img.width(); ++xx)
                row[xx] = qAlpha(row[xx]) >= 128 ? 0xFF000000u : 0xFFFFFFFFu;
        }
    }
    Surface s = Prepare(dc);
    if (!s.ok())
        return TRUE;
    QRect dr = ImgRect(dc, x, y, x + cx, y + cy);
    // A flicker-free brush: the background is laid first, then the icon on it.
    if (flickerFree) {
        BrushInfo b = BrushOf(flickerFree);
        FillImgRect(dc, s, dr, b);
    }
    QPainter p(s.img);
    if (s.rects().size() == 1)
        p.setClipRect(s.rects().front());
    else
        p.setClipRegion(s.clip);
    p.setCompositionMode((flags & DI_NORMAL) == DI_NORMAL ? QPainter::CompositionMode_SourceOver
                                                          : QPainter::CompositionMode_Source);
    p.drawImage(dr.topLeft(), (flags & DI_NORMAL) == DI_IMAGE ? img.convertToFormat(QImage::Format_RGB32) : img);
    p.end();
    Touched(dc, dr);
    return TRUE;
}

BOOL DrawIcon(HDC hdc, int x, int y, HICON icon) { return DrawIconEx(hdc, x, y, icon, 0, 0, 0, nullptr, DI_NORMAL); }
