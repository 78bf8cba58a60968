// The tree's view at work: a full page of 50 rows and 5 columns with marked-up cells painted again,
// and a scroll step, a page and a wheel notch (each with the repaint it causes) near the top and near
// the bottom of 100,000 rows of differing heights. A frame of the screen is 16 ms.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "platform/Forms.h"
#include "tree/Extree.h"

namespace {

struct Shown {
    TForm* form = nullptr;
    TExTree* tree = nullptr;
    Shown(int Width, int Height)
    {
        if (std::getenv("DISPLAY") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 0);
        Application->Initialize();
        form = new TForm(nullptr);
        form->SetBounds(0, 0, Width + 20, Height + 20);
        form->AfterConstruction();
        tree = new TExTree(form);
        tree->SetParent(form);
        tree->SetBounds(0, 0, Width, Height);
        form->Show();
        Application->ProcessMessages();
    }
    ~Shown() { delete form; }
    void Repaint()
    {
        tree->View()->Invalidate();
        tree->View()->Update();
    }
};

// 50 rows of 5 columns; every other row has a marked-up cell and a marked-up main text.
void BM_PaintFullPage(benchmark::State& state)
{
    Shown v(900, 0);
    TExTree* tree = v.tree;
    for (int c = 0; c < 5; ++c) {
        TExHeaderSection* s = tree->Header()->Sections()->AddSection();
        s->SetText("Column " + std::to_string(c));
        s->SetWidth(170);
    }
    tree->SetShowHeader(true);
    tree->SetVerticalLines(true);
    tree->SetStripedItems(true);
    tree->Items()->BeginUpdate();
    for (int i = 0; i < 50; ++i) {
        TExTreeItem* item = tree->Items()->Add(nullptr, i % 2 ? "<html>Row <b>" + std::to_string(i) + "</b></html>"
                                                              : "Row " + std::to_string(i));
        for (int c = 1; c < 5; ++c)
            item->ColumnText()->Add(i % 2 && c == 2 ? "<html><font color=\"#C00000\">cell</font> <i>marked</i></html>"
                                                    : "cell " + std::to_string(c));
        if (i % 2) item->SetIsHTML(true);
    }
    tree->Items()->EndUpdate();
    tree->SetBounds(0, 0, 900, tree->HeaderHeight() + 50 * tree->LineHeight() + 4);
    Application->ProcessMessages();
    if (tree->View()->RowCount() < 50) state.SkipWithError("fewer than 50 rows on screen");
    for (auto _ : state) v.Repaint();
}
BENCHMARK(BM_PaintFullPage)->Unit(benchmark::kMillisecond);

// 1,000 days of 99 messages, all expanded; every seventh message is taller than a line.
struct Archive : Shown {
    Archive() : Shown(400, 600)
    {
        tree->Items()->BeginUpdate();
        for (int d = 0; d < 1000; ++d) {
            TExTreeItem* day = tree->Items()->Add(nullptr, "Day " + std::to_string(d));
            for (int m = 0; m < 99; ++m) {
                TExTreeItem* msg = tree->Items()->AddChild(day, "Message " + std::to_string(m));
                if (m % 7 == 0) {
                    msg->SetOwnerHeight(false);
                    msg->SetHeight(short(20 + m % 3 * 6));
                }
            }
            day->Expand(false);
        }
        tree->Items()->EndUpdate();
        Application->ProcessMessages();
    }
};

// range(0): 0 near the top, 1 near the bottom.
Integer StartRow(Archive& A, int Where) { return Where ? A.tree->View()->MaxTopIndex() - 200 : 100; }

void Scroll(Archive& A, TExScrollCode Code)
{
    Integer pos = 0;
    bool change = true;
    A.tree->View()->OnVScroll(A.tree->VertScrollBar(), Code, pos, change);
    A.tree->View()->Update();
}

void BM_ScrollStep(benchmark::State& state)
{
    Archive a;
    a.tree->SetVPosition(StartRow(a, int(state.range(0))));
    bool down = true;
    for (auto _ : state) {
        Scroll(a, down ? escLineDown : escLineUp);
        down = !down;
    }
}
BENCHMARK(BM_ScrollStep)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ScrollPage(benchmark::State& state)
{
    Archive a;
    a.tree->SetVPosition(StartRow(a, int(state.range(0))));
    bool down = true;
    for (auto _ : state) {
        Scroll(a, down ? escPageDown : escPageUp);
        down = !down;
    }
}
BENCHMARK(BM_ScrollPage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_WheelNotch(benchmark::State& state)
{
    Archive a;
    a.tree->SetVPosition(StartRow(a, int(state.range(0))));
    TExTreeView* view = a.tree->View();
    bool down = true;
    for (auto _ : state) {
        view->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, down ? -WHEEL_DELTA : WHEEL_DELTA), MAKELPARAM(10, 10));
        view->Update();
        down = !down;
    }
}
BENCHMARK(BM_WheelNotch)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
