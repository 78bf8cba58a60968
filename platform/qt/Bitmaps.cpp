// Bitmaps: an image held as a drawing object, its memory-context canvas, and image files.
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QPainter>

#include <map>
#include <mutex>

#include "platform/Backend.h"
#include "platform/Graphics.h"

using namespace morvik::backend;

class TBitmap::TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap* owner) : FOwner(owner) {}
    ~TBitmapCanvas() override { Free(); }
    void Free()
    {
        if (HDC dc = HandleAllocated() ? Handle() : nullptr) {
            SetHandle(nullptr);
            if (FOld)
                SelectObject(dc, FOld);
            DeleteDC(dc);
            FOld = nullptr;
        }
    }

protected:
    void CreateHandle() override
    {
        FOwner->NeedImage();
        HDC dc = CreateCompatibleDC(nullptr);
        FOld = SelectObject(dc, FOwner->FHandle);
        SetHandle(dc);
    }

private:
    TBitmap* FOwner;
    HGDIOBJ FOld = nullptr;
};

TBitmap::TBitmap() = default;

TBitmap::~TBitmap()
{
    FCanvas.reset();
    if (FHandle)
        DeleteObject(FHandle);
}

void TBitmap::FreeContext()
{
    if (FCanvas)
        static_cast<TBitmapCanvas*>(FCanvas.get())->Free();
}

void TBitmap::NeedImage()
{
    if (!FHandle) {
        FHandle = CreateCompatibleBitmap(nullptr, 0, 0);
    }
}

TCanvas* TBitmap::Canvas()
{
    if (!FCanvas)
        FCanvas = std::make_unique<TBitmapCanvas>(this);
    return FCanvas.get();
}

HBITMAP TBitmap::Handle()
{
    NeedImage();
    return FHandle;
}

void TBitmap::SetHandle(HBITMAP Value)
{
    if (FHandle == Value)
        return;
    FreeContext();
    if (FHandle)
        DeleteObject(FHandle);
    FHandle = Value;
    Changed();
}

HBITMAP TBitmap::ReleaseHandle()
{
    FreeContext();
    HBITMAP h = FHandle;
    FHandle = nullptr;
    return h;
}

Integer TBitmap::Width() const
{
    QImage* img = FHandle ? BitmapImage(FHandle) : nullptr;
    return img ? (img->isNull() ? FWidth : img->width()) : 0;
}

Integer TBitmap::Height() const
{
    QImage* img = FHandle ? BitmapImage(FHandle) : nullptr;
    return img ? (img->isNull() ? FHeight : img->height()) : 0;
}

void TBitmap::SetSize(Integer AWidth, Integer AHeight)
{
    AWidth = std::max(0, AWidth);
    AHeight = std::max(0, AHeight);
    if (AWidth == Width() && AHeight == Height() && FHandle)
        return;
    NeedImage();
    FreeContext();
    FWidth = AWidth;
    FHeight = AHeight;
    QImage* img = BitmapImage(FHandle);
    // The old picture stays in the top-left corner; new area is white.
    QImage grown(AWidth, AHeight, QImage::Format_RGB32);
    grown.fill(0xFFFFFFFFu);
    if (!img->isNull()) {
        QPainter p(&grown);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(0, 0, *img);
    }
    *img = grown;
    Changed();
}

void TBitmap::SetWidth(Integer Value) { SetSize(Value, Height()); }
void TBitmap::SetHeight(Integer Value) { SetSize(Width(), Value); }

void TBitmap::SetPixelFormat(TPixelFormat Value)
{
    if (FPixelFormat == Value)
        return;
    FPixelFormat = Value;
    if (Value == pf1bit && FHandle) {
        QImage* img = BitmapImage(FHandle);
        for (int y = 0; y < img->height(); ++y)
            for (int x = 0; x < img->width(); ++x) {
                QRgb p = img->pixel(x, y);
                img->setPixel(x, y, qGray(p) >= 128 ? 0xFFFFFFFFu : 0xFF000000u);
            }
    }
    Changed();
}

TColor TBitmap::TransparentColor() const
{
    if (TransparentMode == tmFixed && FTransparentColor != clDefault)
        return FTransparentColor;
    QImage* img = FHandle ? BitmapImage(FHandle) : nullptr;
    if (!img || img->isNull())
        return clDefault;
    QRgb p = img->pixel(0, img->height() - 1);
    return TColor(RGB(qRed(p), qGreen(p), qBlue(p)));
}

void TBitmap::SetTransparentColor(TColor Value)
{
    if (FTransparentColor == Value && TransparentMode == tmFixed)
        return;
    FTransparentColor = Value;
    TransparentMode = Value == clDefault ? tmAuto : tmFixed;
    Changed();
}

void TBitmap::Assign(TPersistent* Source)
{
    if (!Source) {
        SetSize(0, 0);
        return;
    }
    if (auto* b = dynamic_cast<TBitmap*>(Source)) {
        if (b == this)
            return;
        NeedImage();
        FreeContext();
        QImage* src = b->FHandle ? BitmapImage(b->FHandle) : nullptr;
        *BitmapImage(FHandle) = src ? src->copy() : QImage();
        FPixelFormat = b->FPixelFormat;
        FTransparent = b->FTransparent;
        FTransparentColor = b->FTransparentColor;
        TransparentMode = b->TransparentMode;
        Changed();
        return;
    }
    TGraphic::Assign(Source);
}

void TBitmap::Draw(TCanvas* ACanvas, const TRect& Rect)
{
    if (Empty())
        return;
    HDC src = Canvas()->Handle();
    HDC dst = ACanvas->Handle();
    if (FTransparent)
        TransparentBlt(dst, Rect.Left, Rect.Top, Rect.Width(), Rect.Height(), src, 0, 0, Width(), Height(),
                       ColorToRGB(TransparentColor()));
    else
        StretchBlt(dst, Rect.Left, Rect.Top, Rect.Width(), Rect.Height(), src, 0, 0, Width(), Height(),
                   ACanvas->CopyMode);
}

namespace {
void LoadImageInto(TBitmap* bmp, const QImage& loaded, const std::string& what)
{
    if (loaded.isNull())
        throw EInvalidGraphic("Bitmap image is not valid" + (what.empty() ? std::string() : ": " + what));
    bmp->SetSize(loaded.width(), loaded.height());
    *BitmapImage(bmp->Handle()) = loaded.convertToFormat(QImage::Format_RGB32);
}
}  // namespace

void TBitmap::LoadFromFile(const std::string& FileName)
{
    TFileStream fs(NativeFileName(FileName), fmOpenRead);
    LoadFromStream(&fs);
}

void TBitmap::LoadFromStream(TStream* Stream)
{
    const std::string bytes = ReadToEnd(Stream);
    const QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    // Nothing is what an empty picture saves: it loads as an empty picture again.
    if (data.isEmpty()) {
        FreeContext();
        SetSize(0, 0);
        Changed();
        return;
    }
    QImage img;
    img.loadFromData(data);
    FreeContext();
    LoadImageInto(this, img, "");
    Changed();
}

namespace {
// The picture in the format asked for; an empty picture (no width or no height) is no bytes at all,
// in every format. A picture that cannot be written raises.
QByteArray EncodedBitmap(TBitmap* Bitmap, const char* Format)
{
    QByteArray data;
    if (Bitmap->Empty())
        return data;
    QBuffer buf(&data);
    buf.open(QIODevice::WriteOnly);
    if (!BitmapImage(Bitmap->Handle())->save(&buf, Format) || data.isEmpty())
        throw EInvalidGraphicOperation(std::string("Bitmap image could not be written as ") + Format);
    return data;
}
}  // namespace

void TBitmap::SaveToStream(TStream* Stream)
{
    const QByteArray data = EncodedBitmap(this, "BMP");
    Stream->WriteBuffer(data.constData(), data.size());
}

void TBitmap::SaveToFile(const std::string& FileName)
{
    std::string name = NativeFileName(FileName);
    bool png = name.size() > 4 && SameText(name.substr(name.size() - 4), ".png");
    // Made whole first, then put in the old file's place: a failure leaves the old file.
    const QByteArray data = EncodedBitmap(this, png ? "PNG" : "BMP");
    TMemoryStream whole;
    whole.WriteBuffer(data.constData(), data.size());
    whole.SaveToFile(name);
}

namespace {
std::mutex gResLock;
std::map<std::string, std::string>& Resources()
{
    static std::map<std::string, std::string> m;
    return m;
}
}  // namespace

void RegisterResourceBitmap(const std::string& ResName, const void* Data, std::size_t Size)
{
    std::lock_guard<std::mutex> g(gResLock);
    Resources()[UpperCase(ResName)] = std::string(static_cast<const char*>(Data), Size);
}

bool FindResourceBitmap(const std::string& ResName, std::string& Data)
{
    std::lock_guard<std::mutex> g(gResLock);
    auto it = Resources().find(UpperCase(ResName));
    if (it == Resources().end())
        return false;
    Data = it->second;
    return true;
}

void TBitmap::LoadFromResourceName(HINSTANCE, const std::string& ResName)
{
    std::string data;
    if (!FindResourceBitmap(ResName, data))
        throw EResNotFound("Resource " + ResName + " not found");
    TReadOnlyMemoryStream ms(data.data(), Int64(data.size()));
    LoadFromStream(&ms);
}
