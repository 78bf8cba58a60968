// The markup renderer: parsing and measuring a long marked-up text (with and without word wrap),
// and drawing a tree page of short marked-up cells, each parsed once into data of its own; a short
// text drawn into rectangles far larger than its bitmap.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "ctlbase/Htmlrender.h"

namespace {

// Drawing needs no screen: run without one unless the caller chose a platform.
const bool kHeadless = (setenv("QT_QPA_PLATFORM", "offscreen", 0), true);

// About Size bytes of paragraphs mixing styles, links, fonts, entities and lists.
std::string MarkedUp(size_t Size)
{
    static const char* pieces[] = {
        "<p>Gale warning issued at <b>0600 UTC</b> for sea areas ",
        "<a href=\"area:42\">Viking</a>, <i>North Utsire</i> and South Utsire. ",
        "<font color=#C00000 size=+2>Severe gale 9</font> expected later, ",
        "veering west &amp; decreasing 6 by 1800&nbsp;UTC. ",
        "<ul><li>Sea state: rough<li>Visibility: <u>moderate</u> or poor</ul>",
        "Pressure 986 hPa<sub>msl</sub>, falling slowly; swell 4 m<sup>2</sup>. ",
        "<p align=center>NNNN<br>",
    };
    std::string t;
    for (size_t k = 0; t.size() < Size; ++k) t += pieces[k % std::size(pieces)];
    return t;
}

void ParseAndMeasure(benchmark::State& state, const std::string& Text, bool Wrap, Integer MaxWidth)
{
    TExHTMLRender r;
    for (auto _ : state) {
        r.PrepareText(Text, MaxWidth, Wrap);
        benchmark::DoNotOptimize(r.GetTextSize());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Text.size()));
    state.counters["items"] = r.Data()->Count();
}

void BM_ParseAndMeasure100K(benchmark::State& state)
{
    ParseAndMeasure(state, MarkedUp(100 * 1024), state.range(0) != 0, 600);
}
BENCHMARK(BM_ParseAndMeasure100K)->ArgName("wrap")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// One paragraph without tags: word wrap alone, at a window's width and at a width it never
// reaches (one run of 100 KB that must still be measured only a few times).
void BM_WrapOneRun100K(benchmark::State& state)
{
    std::string t;
    for (size_t k = 0; t.size() < 100 * 1024; ++k) t += k % 7 == 0 ? "teleprinter " : "gale ";
    ParseAndMeasure(state, t, true, static_cast<Integer>(state.range(0)));
}
BENCHMARK(BM_WrapOneRun100K)->ArgName("width")->Arg(600)->Arg(1 << 30)->Unit(benchmark::kMillisecond);

// 1,000 cells of a tree page: each keeps its parsed data and is drawn into its row.
void BM_Draw1000Cells(benchmark::State& state)
{
    static const char* cells[] = {
        "<b>061200</b> NAVTEX <font color=clNavy>FA12</font>",
        "Gale warning <a href=x>Viking</a>",
        "<i>Received</i> 14:32 &middot; <u>518 kHz</u>",
        "<font color=#008000>OK</font> 0 errors",
        "H<sub>2</sub>O &amp; x<sup>2</sup> plain text",
    };
    TExHTMLRender r;
    std::vector<TExHTMLData*> data;
    for (int i = 0; i < 1000; ++i) {
        data.push_back(r.CreateData());
        r.PrepareToData(cells[i % std::size(cells)], 0, false, data.back());
    }
    const Integer rowHeight = 18, rows = 40;
    TBitmap page;
    page.SetSize(300, rowHeight * rows);
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i) {
            r.SetData(data[i]);
            const Integer top = (i % rows) * rowHeight;
            r.DrawText(page.Canvas(), Point(0, 0), Rect(2, top, 298, top + rowHeight));
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 1000);
    for (TExHTMLData* d : data) r.DestroyData(d);
}
BENCHMARK(BM_Draw1000Cells)->Unit(benchmark::kMillisecond);

// A short text drawn into a rectangle far larger than the 100 x 100 bitmap it lands on: the work
// must follow what the bitmap can show.
void BM_DrawIntoHugeRectangle(benchmark::State& state)
{
    TExHTMLRender r;
    r.PrepareText("<b>NAVTEX</b> gale warning <font color=clRed>Viking</font>", 0, false);
    TBitmap target;
    target.SetSize(100, 100);
    const Integer side = Integer(state.range(0));
    for (auto _ : state)
        r.DrawText(target.Canvas(), Point(0, 0), Rect(0, 0, side, side));
}
BENCHMARK(BM_DrawIntoHugeRectangle)->ArgName("side")->Arg(100)->Arg(20000)->Arg(60000)->Unit(benchmark::kMillisecond);

}  // namespace
