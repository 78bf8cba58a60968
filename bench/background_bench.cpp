// The image form's costs: the window region of a 1024 x 768 picture, and painting a whole
// 1024 x 768 window's tiled background (once as the form's own background, once shared out
// between two child areas as controls paint it), also with tiles of one pixel.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include "ctlbase/Exextbkgnd.h"
#include "ctlbase/Eximgfrm.h"
#include "platform/Graphics.h"
#include "platform/WinGdi.h"

namespace {

constexpr int kWidth = 1024, kHeight = 768;
// Drawing needs no screen: run without one unless the caller chose a platform.
const bool kHeadless = (setenv("QT_QPA_PLATFORM", "offscreen", 0), true);

// An elliptic picture on a one-colour border: a region of many bands, each of one or two runs.
std::unique_ptr<TBitmap> ShapedPicture()
{
    auto b = std::make_unique<TBitmap>();
    b->SetSize(kWidth, kHeight);
    TCanvas* c = b->Canvas();
    c->Brush()->SetColor(clFuchsia);
    c->FillRect(Rect(0, 0, kWidth, kHeight));
    c->Brush()->SetColor(clNavy);
    c->Pen()->SetColor(clNavy);
    c->Ellipse(0, 0, kWidth, kHeight);
    c->Brush()->SetColor(clFuchsia);
    c->Pen()->SetColor(clFuchsia);
    c->Ellipse(kWidth / 3, kHeight / 3, 2 * kWidth / 3, 2 * kHeight / 3);  // a hole: two runs a row
    return b;
}

void BM_RegionOf1024x768Picture(benchmark::State& state)
{
    auto picture = ShapedPicture();
    for (auto _ : state) {
        HRGN r = BitmapToRegion(picture.get(), clFuchsia);
        benchmark::DoNotOptimize(r);
        DeleteObject(r);
    }
}
BENCHMARK(BM_RegionOf1024x768Picture)->Unit(benchmark::kMillisecond);

// The same region built the plain way: each row read pixel by pixel from the picture's context,
// each run made a rectangle region and joined into the result one at a time.
void BM_RegionOf1024x768PictureRowByRow(benchmark::State& state)
{
    auto picture = ShapedPicture();
    HDC dc = picture->Canvas()->Handle();
    const COLORREF clear = ColorToRGB(clFuchsia);
    for (auto _ : state) {
        HRGN r = CreateRectRgn(0, 0, 0, 0);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth;) {
                while (x < kWidth && GetPixel(dc, x, y) == clear)
                    ++x;
                const int start = x;
                while (x < kWidth && GetPixel(dc, x, y) != clear)
                    ++x;
                if (x > start) {
                    HRGN run = CreateRectRgn(start, y, x, y + 1);
                    CombineRgn(r, r, run, RGN_OR);
                    DeleteObject(run);
                }
            }
        benchmark::DoNotOptimize(r);
        DeleteObject(r);
    }
}
BENCHMARK(BM_RegionOf1024x768PictureRowByRow)->Unit(benchmark::kMillisecond)->Iterations(3);

std::unique_ptr<TBitmap> Tile()
{
    auto t = std::make_unique<TBitmap>();
    t->SetSize(64, 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            t->Canvas()->SetPixel(x, y, TColor(RGB(x * 4, y * 5, (x ^ y) & 0xFF)));
    return t;
}

void BM_TiledBackgroundFullWindow(benchmark::State& state)
{
    auto tile = Tile();
    TBitmap window;
    window.SetSize(kWidth, kHeight);
    HDC dc = window.Canvas()->Handle();
    const TRect all = Rect(0, 0, kWidth, kHeight);
    for (auto _ : state)
        ExtDrawBkgnd(dc, nullptr, all, all, all, all, false, clBtnFace, clBtnFace, false, tile.get(), bgtTileBitmap);
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_TiledBackgroundFullWindow)->Unit(benchmark::kMillisecond);

void BM_TiledBackgroundTwoChildAreas(benchmark::State& state)
{
    auto tile = Tile();
    TBitmap left, right;
    left.SetSize(kWidth / 2, kHeight);
    right.SetSize(kWidth / 2, kHeight);
    const TRect all = Rect(0, 0, kWidth, kHeight), half = Rect(0, 0, kWidth / 2, kHeight);
    for (auto _ : state) {
        ExtDrawBkgnd2(left.Canvas()->Handle(), nullptr, half, all, Point(0, 0), clBtnFace, tile.get(), bgtTileBitmap);
        ExtDrawBkgnd2(right.Canvas()->Handle(), nullptr, half, all, Point(kWidth / 2, 0), clBtnFace, tile.get(),
                      bgtTileBitmap);
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_TiledBackgroundTwoChildAreas)->Unit(benchmark::kMillisecond);

// A 1 x 1 picture tiled over the whole window: the cost must follow the window's pixels, not the
// number of tiles. Arg 0: the form's own background; 1: a control's share of it.
void BM_TiledBackgroundOnePixelTiles(benchmark::State& state)
{
    TBitmap tile;
    tile.SetSize(1, 1);
    tile.Canvas()->SetPixel(0, 0, clTeal);
    TBitmap window;
    window.SetSize(kWidth, kHeight);
    HDC dc = window.Canvas()->Handle();
    const TRect all = Rect(0, 0, kWidth, kHeight);
    for (auto _ : state) {
        if (state.range(0) == 0)
            ExtDrawBkgnd(dc, nullptr, all, all, all, all, false, clBtnFace, clBtnFace, false, &tile, bgtTileBitmap);
        else
            ExtDrawBkgnd2(dc, nullptr, all, all, Point(0, 0), clBtnFace, &tile, bgtTileBitmap);
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_TiledBackgroundOnePixelTiles)->ArgName("share")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
