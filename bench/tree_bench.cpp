// The message archive after a few years: one date node per day with the day's messages under it,
// 100,000 items in all, built with the calls the archive makes when the files come in date order
// (a day inserted after the last day, each time after the last time). Then the lookup of a row far
// down the fully expanded list, and clearing the whole tree.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

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

}  // namespace
