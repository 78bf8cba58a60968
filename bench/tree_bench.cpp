// The message archive after a few years: one date node per day with the day's messages under it,
// 100,000 items in all, built with the calls the archive makes when the files come in date order
// (a day inserted after the last day, each time after the last time). Then the lookup of a row far
// down the fully expanded list, and clearing the whole tree. The same archive in a tree control:
// built inside one update bracket, the close's work (row count, scroll ranges, content width, top
// row, rows on screen) alone, a page of scrolling near the top and far down, and sorting by a
// column of dates.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/Forms.h"
#include "tree/Extree.h"

namespace {

constexpr int Days = 1000;
constexpr int MessagesPerDay = 99;  // with the day node, 100 items a day

void Build(TExTreeItems& Items)
{
    char date[32], time[32];
    for (int d = 0; d < Days; ++d) {
        std::snprintf(date, sizeof date, "%02d %s %02d", 1 + d % 28, "Mar", d / 336);
        TExTreeItem* day = Items.RootCount() == 0 ? Items.Add(nullptr, date)
                                                  : Items.InsertAfter(Items.RootItem(Items.RootCount() - 1), date);
        for (int m = 0; m < MessagesPerDay; ++m) {
            std::snprintf(time, sizeof time, "%02d:%02d:%02d", m / 60 % 24, m % 60, d % 60);
            if (day->Count() == 0)
                Items.AddChild(day, time);
            else
                Items.InsertAfter(day->GetLastChild(), time);
        }
    }
}

void BM_BuildArchive(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto tree = std::make_unique<TExTreeModel>();
        state.ResumeTiming();
        Build(*tree->Items());
        benchmark::DoNotOptimize(tree->Items()->Count());
        state.PauseTiming();
        tree.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * Days * (MessagesPerDay + 1));
}
BENCHMARK(BM_BuildArchive)->Unit(benchmark::kMillisecond);

void BM_VisibleRowLookup(benchmark::State& state)
{
    TExTreeModel tree;
    Build(*tree.Items());
    for (Integer i = 0; i < tree.Items()->RootCount(); ++i) tree.Items()->RootItem(i)->Expand(false);
    for (auto _ : state) {
        TExTreeItem* row = tree.Items()->GetVisItem(49999);
        benchmark::DoNotOptimize(row);
    }
}
BENCHMARK(BM_VisibleRowLookup)->Unit(benchmark::kMicrosecond);

void BM_ClearArchive(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto tree = std::make_unique<TExTreeModel>();
        Build(*tree->Items());
        state.ResumeTiming();
        tree->Items()->Clear();
        benchmark::DoNotOptimize(tree->Items()->Count());
        state.PauseTiming();
        tree.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ClearArchive)->Unit(benchmark::kMillisecond);

// 100,000 items inserted in random order: each one before a randomly chosen earlier item, or as
// the first child of one (a reproducible sequence).
void BM_RandomInsert(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto tree = std::make_unique<TExTreeModel>();
        std::vector<TExTreeItem*> made;
        made.reserve(100000);
        unsigned seed = 12345;
        auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
        state.ResumeTiming();
        tree->SetUpdating(true);
        for (int i = 0; i < 100000; ++i) {
            TExTreeItem* at = made.empty() ? nullptr : made[(next() >> 8) % made.size()];
            made.push_back((next() >> 8) % 4 == 0 ? tree->Items()->AddChildFirst(at, "x") : tree->Items()->Insert(at, "x"));
        }
        tree->SetUpdating(false);
        benchmark::DoNotOptimize(tree->Items()->Count());
        state.PauseTiming();
        tree.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_RandomInsert)->Unit(benchmark::kMillisecond);

// A tree control on a form (the offscreen platform when there is no display).
struct ShownTree {
    TForm* form = nullptr;
    TExTree* tree = nullptr;
    ShownTree()
    {
        if (std::getenv("DISPLAY") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 0);
        Application->Initialize();
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 420, 620);
        form->AfterConstruction();
        tree = new TExTree(form);
        tree->SetParent(form);
        tree->SetBounds(0, 0, 400, 600);
        form->Show();
        Application->ProcessMessages();
    }
    ~ShownTree() { delete form; }
};

// range(0): 1 with every day expanded (100,000 rows), 0 with the days collapsed (1,000 rows).
void BuildExpanded(TExTree* Tree, bool Expanded)
{
    Build(*Tree->Items());
    if (!Expanded) return;
    for (Integer i = 0; i < Tree->Items()->RootCount(); ++i) Tree->Items()->RootItem(i)->Expand(false);
}

void BM_ControlBuildInOneBracket(benchmark::State& state)
{
    ShownTree v;
    for (auto _ : state) {
        v.tree->SetUpdating(true);
        BuildExpanded(v.tree, state.range(0) != 0);
        v.tree->SetUpdating(false);
        benchmark::DoNotOptimize(v.tree->VertScrollBar()->Max());
        state.PauseTiming();
        v.tree->Items()->Clear();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * Days * (MessagesPerDay + 1));
}
BENCHMARK(BM_ControlBuildInOneBracket)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ControlBracketClose(benchmark::State& state)
{
    ShownTree v;
    for (auto _ : state) {
        state.PauseTiming();
        v.tree->SetUpdating(true);
        BuildExpanded(v.tree, state.range(0) != 0);
        state.ResumeTiming();
        v.tree->SetUpdating(false);
        benchmark::DoNotOptimize(v.tree->VertScrollBar()->Max());
        state.PauseTiming();
        v.tree->Items()->Clear();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ControlBracketClose)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// One page down and back up, from row range(0) of the expanded archive.
void BM_ControlPageAt(benchmark::State& state)
{
    ShownTree v;
    v.tree->SetUpdating(true);
    BuildExpanded(v.tree, true);
    v.tree->SetUpdating(false);
    const Integer at = static_cast<Integer>(state.range(0));
    v.tree->SetVPosition(at);
    const Integer page = v.tree->View()->GetVisCount() - 1;
    for (auto _ : state) {
        v.tree->SetVPosition(at + page);
        v.tree->SetVPosition(at);
        benchmark::DoNotOptimize(v.tree->TopIndex());
    }
}
BENCHMARK(BM_ControlPageAt)->Arg(0)->Arg(90000)->Unit(benchmark::kMicrosecond);

// 100,000 root items in random order sorted by a second column of dates and times ("m/d/yyyy
// h:nn"), keys converted once per sort; the sort's bracket close (the rows anew) included.
void BM_ControlSortByDateColumn(benchmark::State& state)
{
    constexpr int Count = 100000;
    ShownTree v;
    TExHeaderSections* sections = v.tree->Header()->Sections();
    sections->AddSection()->SetFieldType(sftText);
    TExHeaderSection* when = sections->AddSection();
    when->SetFieldType(sftDateTime);
    when->SetSortMode(hsmAscend);
    v.tree->SetSortSection(1);
    std::srand(7);
    std::vector<std::string> dates;
    char text[48];
    for (int i = 0; i < Count; ++i) {
        std::snprintf(text, sizeof text, "%d/%d/%d %d:%02d", 1 + std::rand() % 12, 1 + std::rand() % 28,
                      1990 + std::rand() % 35, std::rand() % 24, std::rand() % 60);
        dates.emplace_back(text);
    }
    for (auto _ : state) {
        state.PauseTiming();
        v.tree->Items()->Clear();
        v.tree->SetUpdating(true);
        for (int i = 0; i < Count; ++i) v.tree->Items()->Add(nullptr, "m")->ColumnText()->Add(dates[size_t(i)]);
        v.tree->SetUpdating(false);
        state.ResumeTiming();
        v.tree->Sort(false);
        benchmark::DoNotOptimize(v.tree->Items()->Item(0));
    }
    state.SetItemsProcessed(state.iterations() * Count);
}
BENCHMARK(BM_ControlSortByDateColumn)->Unit(benchmark::kMillisecond);

}  // namespace
