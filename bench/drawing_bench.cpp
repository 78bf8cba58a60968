// Drawing through the layer beside plain QPainter doing the same work, in one run: clipped lines,
// copying a bitmap onto a window, filled rectangles, and text. Each pair is named .../Layer and
// .../QPainter; the layer should stay within 1.5 times the painter's time.
#include <benchmark/benchmark.h>

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRegion>

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
