// Drawing through the layer beside plain QPainter doing the same work, in one run: clipped lines,
// copying a bitmap onto a window, filled rectangles, text (transparent, opaque, with per-character
// advances), inverting raster operations, a blit within one image, and the way to the screen (a
// small rectangle drawn through a window's context, and invalidate -> WM_PAINT -> pixels). Each pair
// is named .../Layer and .../QPainter (or .../Toolkit); the layer should stay within 1.5 times the
// other's time.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFont>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QWidget>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/Backend.h"
#include "platform/Forms.h"
#include "platform/Graphics.h"

namespace {

const int kWidth = 600, kHeight = 400;

// Before anything starts the toolkit: no display is needed.
const int kOffscreen = (setenv("QT_QPA_PLATFORM", "offscreen", 0), 0);

// A memory context over a bitmap, as the double-buffered controls draw.
struct MemoryTarget {
    MemoryTarget()
    {
        (void)kOffscreen;
        dc = CreateCompatibleDC(nullptr);
        bmp = CreateCompatibleBitmap(nullptr, kWidth, kHeight);
        old = SelectObject(dc, bmp);
    }
    ~MemoryTarget()
    {
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
    HDC dc;
    HBITMAP bmp;
    HGDIOBJ old;
};

// 40 small rectangles cut out of the clip, spread over the area.
QRegion ClipWithHoles()
{
    QRegion r(0, 0, kWidth, kHeight);
    for (int i = 0; i < 40; ++i)
        r -= QRegion((i * 53) % (kWidth - 20), (i * 37) % (kHeight - 20), 12, 9);
    return r;
}

void ClippedLines_Layer(benchmark::State& state)
{
    MemoryTarget t;
    for (int i = 0; i < 40; ++i) {
        int x = (i * 53) % (kWidth - 20), y = (i * 37) % (kHeight - 20);
        ExcludeClipRect(t.dc, x, y, x + 12, y + 9);
    }
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 128));
    HGDIOBJ oldPen = SelectObject(t.dc, pen);
    for (auto _ : state) {
        for (int i = 0; i < 300; ++i) {
            MoveToEx(t.dc, (i * 7) % kWidth, 0, nullptr);
            LineTo(t.dc, (i * 13) % kWidth, kHeight - 1);
        }
    }
    SelectObject(t.dc, oldPen);
    DeleteObject(pen);
}

void ClippedLines_QPainter(benchmark::State& state)
{
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    img.fill(Qt::white);
    QRegion clip = ClipWithHoles();
    for (auto _ : state) {
        QPainter p(&img);
        p.setClipRegion(clip);
        p.setPen(QPen(QColor(128, 0, 0), 0));
        for (int i = 0; i < 300; ++i)
            p.drawLine((i * 7) % kWidth, 0, (i * 13) % kWidth, kHeight - 1);
    }
}

// A shown window's context, as a control draws its finished line bitmap.
struct WindowTarget {
    WindowTarget()
    {
        Application->Initialize();
        form = new TForm(nullptr);
        form->SetBounds(0, 0, kWidth + 40, 300);
        form->AfterConstruction();
        dc = GetDC(form->Handle());
    }
    ~WindowTarget()
    {
        ReleaseDC(form->Handle(), dc);
        delete form;
    }
    TForm* form;
    HDC dc;
};

void BitmapToWindow_Layer(benchmark::State& state)
{
    WindowTarget w;
    MemoryTarget src;
    for (auto _ : state)
        BitBlt(w.dc, 10, 10, 600, 200, src.dc, 0, 0, SRCCOPY);
}

void BitmapToWindow_QPainter(benchmark::State& state)
{
    QImage dst(kWidth + 40, 300, QImage::Format_RGB32);
    QImage src(kWidth, kHeight, QImage::Format_RGB32);
    dst.fill(Qt::gray);
    src.fill(Qt::white);
    for (auto _ : state) {
        QPainter p(&dst);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(QPoint(10, 10), src, QRect(0, 0, 600, 200));
    }
}

void FillRects_Layer(benchmark::State& state)
{
    MemoryTarget t;
    HBRUSH b = CreateSolidBrush(RGB(10, 200, 30));
    for (auto _ : state)
        for (int i = 0; i < 1000; ++i) {
            RECT r{(i * 7) % 500, (i * 11) % 300, (i * 7) % 500 + 60, (i * 11) % 300 + 18};
            FillRect(t.dc, &r, b);
        }
    DeleteObject(b);
}

void FillRects_QPainter(benchmark::State& state)
{
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter p(&img);
        for (int i = 0; i < 1000; ++i)
            p.fillRect(QRect((i * 7) % 500, (i * 11) % 300, 60, 18), QColor(10, 200, 30));
    }
}

const char* const kLines[] = {"ZCZC SA12", "NAVTEX message received 12:34 UTC", "Gale warning: SW 8, veering NW 9",
                              "NNNN", "Wetterbericht f\xFCr die Nordsee"};

HFONT DialogFont()
{
    LOGFONT lf;
    lf.lfHeight = -11;
    std::string face = "MS Sans Serif";
    face.copy(lf.lfFaceName, face.size());
    lf.lfFaceName[face.size()] = 0;
    return CreateFontIndirect(&lf);
}

void TextOut_Layer(benchmark::State& state)
{
    MemoryTarget t;
    HFONT f = DialogFont();
    HGDIOBJ old = SelectObject(t.dc, f);
    SetBkMode(t.dc, TRANSPARENT);
    for (auto _ : state)
        for (int i = 0; i < 2000; ++i) {
            const char* s = kLines[i % 5];
            TextOut(t.dc, (i * 3) % 300, (i * 17) % 380, s, int(std::strlen(s)));
        }
    SelectObject(t.dc, old);
    DeleteObject(f);
}

void TextOut_QPainter(benchmark::State& state)
{
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    img.fill(Qt::white);
    HFONT f = DialogFont();
    QFont font = morvik::backend::FontOf(f);
    for (auto _ : state) {
        QPainter p(&img);
        p.setFont(font);
        p.setPen(Qt::black);
        for (int i = 0; i < 2000; ++i)
            p.drawText(QPoint((i * 3) % 300, (i * 17) % 380 + 11), QString::fromLatin1(kLines[i % 5]));
    }
    DeleteObject(f);
}

void DrawText_Layer(benchmark::State& state)
{
    MemoryTarget t;
    HFONT f = DialogFont();
    HGDIOBJ old = SelectObject(t.dc, f);
    SetBkMode(t.dc, TRANSPARENT);
    for (auto _ : state)
        for (int i = 0; i < 2000; ++i) {
            RECT r{(i * 3) % 300, (i * 17) % 380, (i * 3) % 300 + 250, (i * 17) % 380 + 14};
            DrawText(t.dc, kLines[i % 5], -1, &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        }
    SelectObject(t.dc, old);
    DeleteObject(f);
}

void DrawText_QPainter(benchmark::State& state)
{
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    img.fill(Qt::white);
    HFONT f = DialogFont();
    QFont font = morvik::backend::FontOf(f);
    for (auto _ : state) {
        QPainter p(&img);
        p.setFont(font);
        p.setPen(Qt::black);
        for (int i = 0; i < 2000; ++i) {
            QRect r((i * 3) % 300, (i * 17) % 380, 250, 14);
            p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, QString::fromLatin1(kLines[i % 5]));
        }
    }
    DeleteObject(f);
}


void TextOutOpaque_Layer(benchmark::State& state)
{
    MemoryTarget t;
    HFONT f = DialogFont();
    HGDIOBJ old = SelectObject(t.dc, f);
    SetBkMode(t.dc, OPAQUE);
    SetBkColor(t.dc, RGB(255, 255, 200));
    for (auto _ : state)
        for (int i = 0; i < 2000; ++i) {
            const char* s = kLines[i % 5];
            TextOut(t.dc, (i * 3) % 300, (i * 17) % 380, s, int(std::strlen(s)));
        }
    SelectObject(t.dc, old);
    DeleteObject(f);
}

void TextOutOpaque_QPainter(benchmark::State& state)
{
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    img.fill(Qt::white);
    HFONT f = DialogFont();
    QFont font = morvik::backend::FontOf(f);
    QFontMetrics m(font);
    for (auto _ : state) {
        QPainter p(&img);
        p.setFont(font);
        p.setPen(Qt::black);
        for (int i = 0; i < 2000; ++i) {
            QString s = QString::fromLatin1(kLines[i % 5]);
            int x = (i * 3) % 300, y = (i * 17) % 380;
            p.fillRect(QRect(x, y, m.horizontalAdvance(s), m.height()), QColor(255, 255, 200));
            p.drawText(QPoint(x, y + m.ascent()), s);
        }
    }
    DeleteObject(f);
}

// Characters placed one by one at fixed advances, as a grid of cells is drawn.
const int kAdvances[64] = {7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7,
                           7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7};

void ExtTextOutAdvances_Layer(benchmark::State& state)
{
    MemoryTarget t;
    HFONT f = DialogFont();
    HGDIOBJ old = SelectObject(t.dc, f);
    SetBkMode(t.dc, TRANSPARENT);
    for (auto _ : state)
        for (int i = 0; i < 500; ++i) {
            const char* s = kLines[i % 5];
            ExtTextOut(t.dc, (i * 3) % 300, (i * 17) % 380, 0, nullptr, s, UINT(std::strlen(s)), kAdvances);
        }
    SelectObject(t.dc, old);
    DeleteObject(f);
}

void ExtTextOutAdvances_QPainter(benchmark::State& state)
{
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    img.fill(Qt::white);
    HFONT f = DialogFont();
    QFont font = morvik::backend::FontOf(f);
    QFontMetrics m(font);
    for (auto _ : state) {
        QPainter p(&img);
        p.setFont(font);
        p.setPen(Qt::black);
        for (int i = 0; i < 500; ++i) {
            QString s = QString::fromLatin1(kLines[i % 5]);
            int x = (i * 3) % 300, y = (i * 17) % 380 + m.ascent();
            for (int k = 0; k < s.size(); ++k)
                p.drawText(QPoint(x + 7 * k, y), QString(s.at(k)));
        }
    }
    DeleteObject(f);
}

void PatBltInvert_Layer(benchmark::State& state)
{
    MemoryTarget t;
    for (auto _ : state)
        for (int i = 0; i < 200; ++i)
            PatBlt(t.dc, (i * 7) % 400, (i * 11) % 250, 150, 100, DSTINVERT);
}

void PatBltInvert_QPainter(benchmark::State& state)
{
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    img.fill(Qt::white);
    for (auto _ : state) {
        QPainter p(&img);
        p.setCompositionMode(QPainter::RasterOp_NotDestination);
        for (int i = 0; i < 200; ++i)
            p.fillRect(QRect((i * 7) % 400, (i * 11) % 250, 150, 100), Qt::black);
    }
}

void BitBltSrcInvert_Layer(benchmark::State& state)
{
    MemoryTarget dst, src;
    for (auto _ : state)
        for (int i = 0; i < 50; ++i)
            BitBlt(dst.dc, (i * 7) % 100, (i * 11) % 100, 400, 250, src.dc, 0, 0, SRCINVERT);
}

void BitBltSrcInvert_QPainter(benchmark::State& state)
{
    QImage dst(kWidth, kHeight, QImage::Format_RGB32);
    QImage src(kWidth, kHeight, QImage::Format_RGB32);
    dst.fill(Qt::white);
    src.fill(QColor(10, 20, 30));
    for (auto _ : state) {
        QPainter p(&dst);
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        for (int i = 0; i < 50; ++i)
            p.drawImage(QPoint((i * 7) % 100, (i * 11) % 100), src, QRect(0, 0, 400, 250));
    }
}

// Scrolling a view's contents inside its own bitmap.
void BlitWithinImage_Layer(benchmark::State& state)
{
    MemoryTarget t;
    for (auto _ : state)
        for (int i = 0; i < 50; ++i)
            BitBlt(t.dc, 0, 0, 560, 370, t.dc, 40, 30, SRCCOPY);
}

void BlitWithinImage_QPainter(benchmark::State& state)
{
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    img.fill(Qt::white);
    for (auto _ : state) {
        QPainter p(&img);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        for (int i = 0; i < 50; ++i)
            p.drawImage(QPoint(0, 0), img.copy(40, 30, 560, 370));
    }
}

// The way to the screen. A large window; a widget of the toolkit's own of the same size that
// shows an image, for comparison.
const int kBigWidth = 1200, kBigHeight = 850;

struct BigWindow {
    BigWindow()
    {
        Application->Initialize();
        form = new TForm(nullptr);
        form->SetBounds(0, 0, kBigWidth, kBigHeight);
        form->AfterConstruction();
        form->Show();
        Application->ProcessMessages();
    }
    ~BigWindow() { delete form; }
    TForm* form;
};

class ImageWidget : public QWidget {
public:
    ImageWidget() : image(kBigWidth, kBigHeight, QImage::Format_RGB32)
    {
        image.fill(Qt::gray);
        resize(kBigWidth, kBigHeight);
        show();
        QApplication::processEvents();
    }
    QImage image;
    QRect pending;

protected:
    void paintEvent(QPaintEvent* e) override
    {
        if (!pending.isEmpty()) {
            QPainter ip(&image);
            ip.fillRect(pending, QColor(10, 200, 30));
            pending = QRect();
        }
        QPainter p(this);
        p.drawImage(e->rect(), image, e->rect());
    }
};

// A 16x16 rectangle drawn through a window's context, as hot tracking and focus rectangles are,
// until it is on screen.
void SmallRectOnWindow_Layer(benchmark::State& state)
{
    BigWindow w;
    HBRUSH b = CreateSolidBrush(RGB(10, 200, 30));
    int i = 0;
    for (auto _ : state) {
        HDC dc = GetDC(w.form->Handle());
        RECT r{(i * 37) % 1100, (i * 23) % 780, (i * 37) % 1100 + 16, (i * 23) % 780 + 16};
        FillRect(dc, &r, b);
        ReleaseDC(w.form->Handle(), dc);
        QApplication::processEvents();
        ++i;
    }
    DeleteObject(b);
}

void SmallRectOnWindow_Toolkit(benchmark::State& state)
{
    (void)kOffscreen;
    Application->Initialize();
    ImageWidget w;
    int i = 0;
    for (auto _ : state) {
        QRect r((i * 37) % 1100, (i * 23) % 780, 16, 16);
        {
            QPainter ip(&w.image);
            ip.fillRect(r, QColor(10, 200, 30));
        }
        w.update(r);
        QApplication::processEvents();
        ++i;
    }
}

// A part of the window invalidated, painted by its WM_PAINT handler, and shown.
class TPaintedForm : public TForm {
public:
    using TForm::TForm;
    HBRUSH Brush = CreateSolidBrush(RGB(10, 200, 30));
    ~TPaintedForm() override { DeleteObject(Brush); }
    void Dispatch(TMessage& Message) override
    {
        if (Message.Msg == WM_PAINT) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(Handle(), &ps);
            FillRect(dc, &ps.rcPaint, Brush);
            EndPaint(Handle(), &ps);
            return;
        }
        TForm::Dispatch(Message);
    }
};

void InvalidateToPixels_Layer(benchmark::State& state)
{
    Application->Initialize();
    auto* form = new TPaintedForm(nullptr);
    form->SetBounds(0, 0, kBigWidth, kBigHeight);
    form->AfterConstruction();
    form->Show();
    Application->ProcessMessages();
    int i = 0;
    for (auto _ : state) {
        RECT r{(i * 37) % 1000, (i * 23) % 700, (i * 37) % 1000 + 100, (i * 23) % 700 + 60};
        InvalidateRect(form->Handle(), &r, FALSE);
        QApplication::processEvents();
        ++i;
    }
    delete form;
}

void InvalidateToPixels_Toolkit(benchmark::State& state)
{
    (void)kOffscreen;
    Application->Initialize();
    ImageWidget w;
    int i = 0;
    for (auto _ : state) {
        QRect r((i * 37) % 1000, (i * 23) % 700, 100, 60);
        w.pending = r;
        w.update(r);
        QApplication::processEvents();
        ++i;
    }
}

}  // namespace

BENCHMARK(ClippedLines_Layer)->Name("ClippedLines/Layer");
BENCHMARK(ClippedLines_QPainter)->Name("ClippedLines/QPainter");
BENCHMARK(BitmapToWindow_Layer)->Name("BitmapToWindow/Layer");
BENCHMARK(BitmapToWindow_QPainter)->Name("BitmapToWindow/QPainter");
BENCHMARK(FillRects_Layer)->Name("FillRects/Layer");
BENCHMARK(FillRects_QPainter)->Name("FillRects/QPainter");
BENCHMARK(TextOut_Layer)->Name("TextOut/Layer");
BENCHMARK(TextOut_QPainter)->Name("TextOut/QPainter");
BENCHMARK(DrawText_Layer)->Name("DrawText/Layer");
BENCHMARK(DrawText_QPainter)->Name("DrawText/QPainter");
BENCHMARK(TextOutOpaque_Layer)->Name("TextOutOpaque/Layer");
BENCHMARK(TextOutOpaque_QPainter)->Name("TextOutOpaque/QPainter");
BENCHMARK(ExtTextOutAdvances_Layer)->Name("ExtTextOutAdvances/Layer");
BENCHMARK(ExtTextOutAdvances_QPainter)->Name("ExtTextOutAdvances/QPainter");
BENCHMARK(PatBltInvert_Layer)->Name("PatBltInvert/Layer");
BENCHMARK(PatBltInvert_QPainter)->Name("PatBltInvert/QPainter");
BENCHMARK(BitBltSrcInvert_Layer)->Name("BitBltSrcInvert/Layer");
BENCHMARK(BitBltSrcInvert_QPainter)->Name("BitBltSrcInvert/QPainter");
BENCHMARK(BlitWithinImage_Layer)->Name("BlitWithinImage/Layer");
BENCHMARK(BlitWithinImage_QPainter)->Name("BlitWithinImage/QPainter");
BENCHMARK(SmallRectOnWindow_Layer)->Name("SmallRectOnWindow/Layer");
BENCHMARK(SmallRectOnWindow_Toolkit)->Name("SmallRectOnWindow/Toolkit");
BENCHMARK(InvalidateToPixels_Layer)->Name("InvalidateToPixels/Layer");
BENCHMARK(InvalidateToPixels_Toolkit)->Name("InvalidateToPixels/Toolkit");
