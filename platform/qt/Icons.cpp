// Drawing icons into device contexts.
#include <QBuffer>
#include <QPainter>

#include <algorithm>

#include "platform/FileUtils.h"
#include "platform/Graphics.h"

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

// ---- TIcon -------------------------------------------------------------------------------------------
TIcon::~TIcon()
{
    if (FHandle)
        DestroyIcon(FHandle);
}

void TIcon::Assign(TPersistent* Source)
{
    if (auto* other = dynamic_cast<TIcon*>(Source)) {
        if (other == this)
            return;
        SetHandle(other->FHandle ? CopyIcon(other->FHandle) : nullptr);
        return;
    }
    TGraphic::Assign(Source);
}

void TIcon::SetHandle(HICON Value)
{
    if (FHandle == Value)
        return;
    if (FHandle)
        DestroyIcon(FHandle);
    FHandle = Value;
    Changed();
}

HICON TIcon::ReleaseHandle()
{
    HICON h = FHandle;
    FHandle = nullptr;
    if (h)
        Changed();
    return h;
}

Integer TIcon::Width() const { return FHandle ? IconImage(FHandle).width() : 0; }

Integer TIcon::Height() const { return FHandle ? IconImage(FHandle).height() : 0; }

void TIcon::SetWidth(Integer Value)
{
    if (Value != Width())
        throw EInvalidGraphicOperation("Cannot change the size of an icon");
}

void TIcon::SetHeight(Integer Value)
{
    if (Value != Height())
        throw EInvalidGraphicOperation("Cannot change the size of an icon");
}

void TIcon::LoadFromFile(const std::string& FileName)
{
    TFileStream fs(NativeFileName(FileName), fmOpenRead);
    LoadFromStream(&fs);
}

void TIcon::SaveToFile(const std::string& FileName)
{
    // Made whole first, then put in the old file's place: a failure leaves the old file.
    TMemoryStream whole;
    SaveToStream(&whole);
    whole.SaveToFile(NativeFileName(FileName));
}

void TIcon::LoadFromStream(TStream* Stream)
{
    const std::string bytes = ReadToEnd(Stream);
    const QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    // Nothing is what an empty icon saves: it loads as an empty icon again.
    if (data.isEmpty()) {
        SetHandle(nullptr);
        return;
    }
    EnsureToolkit();
    // An icon file holds several sizes: the first image read is the one the file names first.
    QImage img;
    if (!img.loadFromData(data, "ICO") || img.isNull())
        throw EInvalidGraphic("Icon image is not valid");
    SetHandle(IconFromImage(img));
}

void TIcon::SaveToStream(TStream* Stream)
{
    if (!FHandle)
        return;
    QByteArray data;
    QBuffer buf(&data);
    buf.open(QIODevice::WriteOnly);
    if (!IconImage(FHandle).convertToFormat(QImage::Format_ARGB32).save(&buf, "ICO"))
        throw EInvalidGraphic("Icon image could not be written");
    Stream->WriteBuffer(data.constData(), data.size());
}

void TIcon::Draw(TCanvas* ACanvas, const TRect& Rect)
{
    if (!FHandle || !ACanvas)
        return;
    DrawIconEx(ACanvas->Handle(), Rect.Left, Rect.Top, FHandle, Rect.Width(), Rect.Height(), 0, nullptr, DI_NORMAL);
}
