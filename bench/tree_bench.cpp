// The message archive after a few years: one date node per day with the day's messages under it,
// 100,000 items in all, built with the calls the archive makes when the files come in date order
// (a day inserted after the last day, each time after the last time). Then the lookup of a row far
// down the fully expanded list, and clearing the whole tree. The same archive in a tree control:
// built inside one update bracket, the close's work (row count, scroll ranges, content width, top
// row, rows on screen) alone, a page of scrolling near the top and far down, and sorting by a
// column of dates.
//
// Work that grows with the tree, beside Qt's own QTreeView doing the same in the same run (pairs
// named .../Tree and .../QTreeView; the run ends with each pair's ratio of CPU time): 100,000
// selected rows deselected, and cleared; one row's text, one added row and one row's selection on a
// tree of 100,000 rows without columns. Then 1,000,000 root items sorted by a date-time column and
// by their texts, and a chain of 100,000 levels expanded, sorted, streamed as deep as a stream goes
// and cleared (CPU time); a bare chain of 10,000 and of 100,000 levels brought into view, walked
// backwards and forwards, searched and copied; and the filter's repair of a focus at the bottom of
// such a chain when an item near the top is hidden. Last, the archive loaded from its file beside
// the same bytes from memory, and saved with an item handler into a file beside memory; a file
// browser's lazy loading (expand all, one folder re-read, one cleared) done in its handlers beside
// the same work done outside them; and a row appended under three auto-sized columns beside fixed
// ones (each pair's ratio at the end).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QItemSelectionModel>
#include <QStandardItemModel>
#include <QTreeView>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Classes.h"
#include "platform/Forms.h"
#include "platform/Input.h"
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


// ---------------------------------------------------------------- beside QTreeView

constexpr int Rows = 100000;

// The tree control with Rows root items, all selected (outside the measured time).
void FillSelected(ShownTree& V)
{
    V.tree->SetMultiSelect(true);
    V.tree->SetUpdating(true);
    for (int i = 0; i < Rows; ++i) V.tree->Items()->Add(nullptr, "row " + std::to_string(i));
    V.tree->SetUpdating(false);
    V.tree->SelectAll();
    Application->ProcessMessages();
}

// Qt's tree view over a standard model with Rows rows, all selected.
struct QtTree {
    QStandardItemModel model;
    QTreeView view;
    QtTree()
    {
        view.setModel(&model);
        view.setSelectionMode(QAbstractItemView::ExtendedSelection);
        view.setUniformRowHeights(true);
        view.resize(400, 600);
        view.show();
    }
    void Fill()
    {
        model.clear();
        for (int i = 0; i < Rows; ++i) model.appendRow(new QStandardItem(QString("row %1").arg(i)));
        view.selectAll();
        QApplication::processEvents();
    }
};

void BM_DeselectAll_Tree(benchmark::State& state)
{
    ShownTree v;
    for (auto _ : state) {
        state.PauseTiming();
        v.tree->Items()->Clear();
        FillSelected(v);
        state.ResumeTiming();
        v.tree->DeselectAll();
        benchmark::DoNotOptimize(v.tree->GetSelCount());
    }
}
BENCHMARK(BM_DeselectAll_Tree)->Name("DeselectAll100000/Tree")->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_DeselectAll_Qt(benchmark::State& state)
{
    ShownTree v;  // the application object
    QtTree q;
    for (auto _ : state) {
        state.PauseTiming();
        q.Fill();
        state.ResumeTiming();
        q.view.clearSelection();
        benchmark::DoNotOptimize(q.view.selectionModel()->hasSelection());
    }
}
BENCHMARK(BM_DeselectAll_Qt)->Name("DeselectAll100000/QTreeView")->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ClearSelected_Tree(benchmark::State& state)
{
    ShownTree v;
    for (auto _ : state) {
        state.PauseTiming();
        FillSelected(v);
        state.ResumeTiming();
        v.tree->Items()->Clear();
        benchmark::DoNotOptimize(v.tree->Items()->Count());
    }
}
BENCHMARK(BM_ClearSelected_Tree)->Name("Clear100000Selected/Tree")->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ClearSelected_Qt(benchmark::State& state)
{
    ShownTree v;
    QtTree q;
    for (auto _ : state) {
        state.PauseTiming();
        q.Fill();
        state.ResumeTiming();
        q.model.removeRows(0, q.model.rowCount());
        benchmark::DoNotOptimize(q.model.rowCount());
    }
}
BENCHMARK(BM_ClearSelected_Qt)->Name("Clear100000Selected/QTreeView")->Unit(benchmark::kMillisecond)->Iterations(5);

// ---------------------------------------------------------------- one change on a large tree

// One change to a shown tree of 100,000 root rows without columns, the repaint that follows
// included, beside the same change in QTreeView. range(0): 0 the text of a row on screen (shorter
// and longer in turn, so the widest row changes too), 1 one item added at the end, 2 the selection
// of a row on screen toggled outside any bracket.
void BM_OneChange_Tree(benchmark::State& state)
{
    ShownTree v;
    v.tree->SetMultiSelect(true);
    v.tree->SetUpdating(true);
    for (int i = 0; i < Rows; ++i) v.tree->Items()->Add(nullptr, "row " + std::to_string(i));
    v.tree->SetUpdating(false);
    Application->ProcessMessages();
    TExTreeItem* row = v.tree->Items()->Item(5);
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        switch (state.range(0)) {
        case 0: row->SetText(flip ? "a row whose text is longer than any other row's" : "row"); break;
        case 1: v.tree->Items()->Add(nullptr, "added"); break;
        default: row->SetSelected(flip); break;
        }
        Application->ProcessMessages();
    }
}
BENCHMARK(BM_OneChange_Tree)->Name("OneChange100000/Tree")->ArgName("text_add_select")->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->MinTime(0.2);

void BM_OneChange_Qt(benchmark::State& state)
{
    ShownTree v;  // the application object
    QtTree q;
    for (int i = 0; i < Rows; ++i) q.model.appendRow(new QStandardItem(QString("row %1").arg(i)));
    QApplication::processEvents();
    QStandardItem* row = q.model.item(5);
    const QModelIndex at = row->index();
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        switch (state.range(0)) {
        case 0: row->setText(flip ? "a row whose text is longer than any other row's" : "row"); break;
        case 1: q.model.appendRow(new QStandardItem("added")); break;
        default:
            q.view.selectionModel()->select(at, flip ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
            break;
        }
        QApplication::processEvents();
    }
}
BENCHMARK(BM_OneChange_Qt)->Name("OneChange100000/QTreeView")->ArgName("text_add_select")->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->MinTime(0.2);

// ---------------------------------------------------------------- sorting a million items

// 1,000,000 root items in random order with a second column of dates and times ("m/d/yyyy h:nn");
// range(0): 1 sorts by that column, 0 by the texts ("m" and six random letters). The sort's
// bracket close (the rows anew) is included.
void BM_SortMillion(benchmark::State& state)
{
    constexpr int Count = 1000000;
    const bool byDate = state.range(0) != 0;
    ShownTree v;
    TExHeaderSections* sections = v.tree->Header()->Sections();
    sections->AddSection()->SetFieldType(sftText);
    TExHeaderSection* when = sections->AddSection();
    when->SetFieldType(sftDateTime);
    when->SetSortMode(hsmAscend);
    v.tree->SetSortSection(byDate ? 1 : -1);
    v.tree->SetSortType(stText);
    std::srand(11);
    std::vector<std::string> texts, dates;
    char text[48];
    for (int i = 0; i < Count; ++i) {
        std::snprintf(text, sizeof text, "%d/%d/%d %d:%02d", 1 + std::rand() % 12, 1 + std::rand() % 28,
                      1990 + std::rand() % 35, std::rand() % 24, std::rand() % 60);
        dates.emplace_back(text);
        std::string t = "m";
        for (int k = 0; k < 6; ++k) t += static_cast<char>('a' + std::rand() % 26);
        texts.push_back(t);
    }
    for (auto _ : state) {
        state.PauseTiming();
        v.tree->Items()->Clear();
        v.tree->SetUpdating(true);
        for (int i = 0; i < Count; ++i) v.tree->Items()->Add(nullptr, texts[size_t(i)])->ColumnText()->Add(dates[size_t(i)]);
        v.tree->SetUpdating(false);
        state.ResumeTiming();
        v.tree->Sort(false);
        benchmark::DoNotOptimize(v.tree->Items()->Item(0));
    }
    state.SetItemsProcessed(state.iterations() * Count);
}
BENCHMARK(BM_SortMillion)->ArgName("byDateTime")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(2);

// ---------------------------------------------------------------- a chain of 100,000 levels

constexpr int Levels = 100000;

// A chain, each level with a leaf before its chain child ("z..." before "b..."), so that sorting by
// text swaps every pair.
void BuildChain(TExTree* Tree)
{
    Tree->SetUpdating(true);
    TExTreeItem* parent = nullptr;
    for (int i = 0; i < Levels; ++i) {
        TExTreeItem* item = Tree->Items()->AddChild(parent, "b" + std::to_string(i));
        if (parent) Tree->Items()->AddChildFirst(parent, "z" + std::to_string(i));
        parent = item;
    }
    Tree->SetUpdating(false);
}

// range(0): 0 expands the whole chain, 1 sorts every level, 2 clears it, 3 streams the deepest
// part a stream carries (1,024 levels) out and in.
void BM_Chain(benchmark::State& state)
{
    ShownTree v;
    v.tree->SetSortType(stText);
    const int what = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        v.tree->Items()->Clear();
        BuildChain(v.tree);
        if (what == 3) {
            // Cut below level 1,022 (its leaf stands at 1,023): each level's chain child is its last.
            TExTreeItem* item = v.tree->Items()->GetFirstNode();
            for (int i = 0; i < 1023; ++i) item = item->GetLastChild();
            item->Delete();
        }
        Application->ProcessMessages();
        state.ResumeTiming();
        switch (what) {
        case 0: v.tree->FullExpand(); break;
        case 1: v.tree->Sort(true); break;
        case 2: v.tree->Items()->Clear(); break;
        default: {
            TMemoryStream s;
            v.tree->Items()->SaveToStream(&s);
            s.SetPosition(0);
            v.tree->Items()->LoadFromStream(&s);
            break;
        }
        }
        benchmark::DoNotOptimize(v.tree->Items()->Count());
    }
}
BENCHMARK(BM_Chain)->ArgName("expand_sort_clear_stream")->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(2);

// A bare chain of range(1) levels, each item the only child of the one above, in a shown tree.
// range(0): 0 brings the deepest item of the collapsed chain into view; on the expanded chain,
// 1 walks it backwards whole, 2 backwards from the deepest item over the rows, 3 forwards over the
// top item's branch, 4 looks for an item in the top item's branch, 5 copies
// it into another shown tree, 6 copies the top item into a new root item of the same tree. Each
// is linear in the items it visits: 100,000 levels cost ten times what 10,000 do.
void BM_ChainWalk(benchmark::State& state)
{
    ShownTree v;
    ShownTree other;
    const int what = static_cast<int>(state.range(0));
    const int levels = static_cast<int>(state.range(1));
    Integer visited = 0;
    auto count = [&](TExTreeItem*, Integer, bool&, void*, TExTreeModel*) { ++visited; };
    for (auto _ : state) {
        state.PauseTiming();
        v.tree->Items()->Clear();
        other.tree->Items()->Clear();
        v.tree->SetUpdating(true);
        TExTreeItem* top = nullptr;
        TExTreeItem* bottom = nullptr;
        for (int i = 0; i < levels; ++i) {
            bottom = v.tree->Items()->AddChild(bottom, "b" + std::to_string(i));
            if (!top) top = bottom;
        }
        v.tree->SetUpdating(false);
        if (what != 0) v.tree->FullExpand();
        Application->ProcessMessages();
        visited = 0;
        state.ResumeTiming();
        switch (what) {
        case 0: bottom->MakeVisible(); break;
        case 1: v.tree->Items()->IterateBack(false, false, count, nullptr); break;
        case 2: v.tree->Items()->IterateBackFrom(true, false, count, nullptr, bottom); break;
        case 3: v.tree->Items()->IterateBranch(false, count, nullptr, top); break;
        case 4:
            v.tree->Items()->LookForItemEx2(top, -1, true, true, false, true, nullptr,
                                            [](TExTreeItem*, void*) { return false; });
            break;
        case 5: other.tree->Items()->Assign(v.tree->Items()); break;
        default: v.tree->Items()->Add(nullptr, "copy")->Assign(top); break;
        }
        Application->ProcessMessages();
        benchmark::DoNotOptimize(visited);
    }
}
BENCHMARK(BM_ChainWalk)
    ->ArgNames({"visible_back_from_branch_look_copy_copyitem", "levels"})
    ->ArgsProduct({{0, 1, 2, 3, 4, 5, 6}, {10000, 100000}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// A bare expanded chain of range(1) levels, filtering on, the focus on the deepest item: hiding the
// item at level 1 (range(0) 0), the same with the anchor of the selection there too (1), hiding the
// top item (2). The focus and the anchor go up to the nearest item shown in one move each: one
// focus event, and time linear in the levels. Counter "focus_events": OnItemFocused calls per hide.
void BM_ChainFilterRepair(benchmark::State& state)
{
    ShownTree v;
    const int what = static_cast<int>(state.range(0));
    const int levels = static_cast<int>(state.range(1));
    int events = 0;
    v.tree->OnItemFocused = [&](TObject*) { ++events; };
    v.tree->SetFilteredVisibility(true);
    double told = 0;
    for (auto _ : state) {
        state.PauseTiming();
        v.tree->Items()->Clear();
        v.tree->SetUpdating(true);
        std::vector<TExTreeItem*> level;
        for (int i = 0; i < levels; ++i) level.push_back(v.tree->Items()->AddChild(level.empty() ? nullptr : level.back(), "b" + std::to_string(i)));
        v.tree->SetUpdating(false);
        v.tree->FullExpand();
        v.tree->SetFocused(level.back());
        if (what == 1) v.tree->SetSelected(level.back());
        Application->ProcessMessages();
        events = 0;
        state.ResumeTiming();
        level[what == 2 ? 0 : 1]->SetHidden(true);
        Application->ProcessMessages();
        told += events;
    }
    state.counters["focus_events"] = told / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ChainFilterRepair)
    ->ArgNames({"level1_anchor_top", "levels"})
    ->ArgsProduct({{0, 1, 2}, {10000, 20000, 100000}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// ---------------------------------------------------------------- loading from and saving into a file

// A new empty temporary file's name; empty (and the benchmark skipped) when none can be made.
std::string TempFile(benchmark::State& state)
{
    std::string path = (std::filesystem::temp_directory_path() / "morvik-archive-XXXXXX").string();
    const int fd = ::mkstemp(path.data());
    if (fd < 0) {
        state.SkipWithError("no temporary file");
        return {};
    }
    ::close(fd);
    return path;
}

// The archive (100,000 items) loaded from its file beside the same bytes loaded from memory (the
// load's clear of the items before included in both). The file stream's buffer keeps the file
// within 1.5 times the memory. Counter "MB": the file's size.
void LoadArchive(benchmark::State& state, bool FromFile)
{
    TExTreeModel tree;
    Build(*tree.Items());
    const std::string path = TempFile(state);
    if (path.empty()) return;
    tree.Items()->SaveToFile(path);
    TMemoryStream bytes;
    bytes.LoadFromFile(path);
    for (auto _ : state) {
        if (FromFile) {
            tree.Items()->LoadFromFile(path);
        } else {
            bytes.SetPosition(0);
            tree.Items()->LoadFromStream(&bytes);
        }
        benchmark::DoNotOptimize(tree.Items()->Count());
    }
    std::remove(path.c_str());
    state.counters["MB"] = static_cast<double>(bytes.Size()) / 1e6;
}
void BM_LoadArchive_File(benchmark::State& state) { LoadArchive(state, true); }
void BM_LoadArchive_Memory(benchmark::State& state) { LoadArchive(state, false); }
BENCHMARK(BM_LoadArchive_File)->Name("LoadArchive100000/File")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadArchive_Memory)->Name("LoadArchive100000/Memory")->Unit(benchmark::kMillisecond);

// The archive saved by a tree control whose item handler adds 5 bytes to each item in two writes,
// into a file stream (every write of which reaches the file before it returns) beside a memory
// stream. The writer hands the file blocks rather than its fields one by one, which keeps the file
// within 1.5 times the memory.
void SaveArchive(benchmark::State& state, bool ToFile)
{
    ShownTree v;
    Build(*v.tree->Items());
    v.tree->OnItemSave = [](TObject*, TStream* S, TExTreeItem*) {
        const Byte kind = 1;
        const Integer value = 42;
        S->WriteBuffer(&kind, 1);
        S->WriteBuffer(&value, 4);
    };
    const std::string path = TempFile(state);
    if (path.empty()) return;
    for (auto _ : state) {
        if (ToFile) {
            TFileStream f(path, fmCreate);
            v.tree->Items()->SaveToStream(&f);
        } else {
            TMemoryStream m;
            v.tree->Items()->SaveToStream(&m);
            benchmark::DoNotOptimize(m.Size());
        }
    }
    std::remove(path.c_str());
}
void BM_SaveArchive_File(benchmark::State& state) { SaveArchive(state, true); }
void BM_SaveArchive_Memory(benchmark::State& state) { SaveArchive(state, false); }
BENCHMARK(BM_SaveArchive_File)->Name("SaveArchive100000/File")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveArchive_Memory)->Name("SaveArchive100000/Memory")->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------- lazy loading, auto-sized columns

// A generated disk of 100,100 entries read lazily, as a file browser reads one: a root folder
// holding "big" (1,000 files) and 99 folders of 10 folders of 99 files each. A folder shows one
// placeholder child until it opens; the loader clears it and adds what it holds, a placeholder
// under each folder among them, and closing a folder clears it back to its placeholder. Each piece
// of work is driven by the keys with the loader in OnItemExpand and OnItemCollapse (.../InHandler)
// beside the same keys with the loading done by code before or after them (.../Outside): numpad *
// on the root, Right re-reading "big" in the tree opened whole, Left closing it. Goal: each within
// 5 times its twin.
struct TDisk {
    struct TEntry {
        std::string Name;
        std::vector<int> Children;
        bool Folder;
    };
    std::vector<TEntry> Entries{{"root", {}, true}};
    int Big = 0;

    TDisk()
    {
        Big = Add(0, "big", true);
        for (int f = 0; f < 1000; ++f) Add(Big, "file " + std::to_string(f), false);
        for (int d = 0; d < 99; ++d) {
            const int folder = Add(0, "folder " + std::to_string(d), true);
            for (int s = 0; s < 10; ++s) {
                const int sub = Add(folder, "sub " + std::to_string(s), true);
                for (int f = 0; f < 99; ++f) Add(sub, "file " + std::to_string(f), false);
            }
        }
    }
    int Add(int Parent, std::string Name, bool Folder)
    {
        Entries.push_back({std::move(Name), {}, Folder});
        Entries[size_t(Parent)].Children.push_back(int(Entries.size()) - 1);
        return int(Entries.size()) - 1;
    }
};

struct LazyTree {
    ShownTree v;
    TDisk disk;
    TExTreeItems* items = v.tree->Items();
    TExTreeItem* root = nullptr;
    bool loading = false;  // the handlers load

    LazyTree()
    {
        v.tree->OnItemExpand = [this](TObject*, TExTreeItem* Item) {
            if (loading) Load(Item);
        };
        v.tree->OnItemCollapse = [this](TObject*, TExTreeItem* Item) {
            if (loading) Unload(Item);
        };
        v.tree->View()->SetFocus();
        Application->ProcessMessages();
    }
    static int EntryOf(TExTreeItem* Item) { return int(reinterpret_cast<std::intptr_t>(Item->Data())); }
    void Load(TExTreeItem* Folder)
    {
        items->BeginUpdate();
        Folder->Clear();
        for (int e : disk.Entries[size_t(EntryOf(Folder))].Children) {
            const TDisk::TEntry& entry = disk.Entries[size_t(e)];
            TExTreeItem* child = items->AddChildObject(Folder, entry.Name, reinterpret_cast<void*>(std::intptr_t(e)));
            if (entry.Folder) items->AddChild(child, "");
        }
        items->EndUpdate();
    }
    void Unload(TExTreeItem* Folder)
    {
        items->BeginUpdate();
        Folder->Clear();
        items->AddChild(Folder, "");
        items->EndUpdate();
    }
    // The root alone, closed, with its placeholder.
    void Fresh()
    {
        loading = false;
        items->Clear();
        root = items->AddChildObject(nullptr, "root", nullptr);
        items->AddChild(root, "");
        v.tree->SetFocused(root);
        Application->ProcessMessages();
    }
    // Every folder read, in one bracket, as code outside a handler reads them.
    void LoadAll()
    {
        items->BeginUpdate();
        std::vector<TExTreeItem*> folders{root};
        while (!folders.empty()) {
            TExTreeItem* folder = folders.back();
            folders.pop_back();
            Load(folder);
            for (Integer i = 0; i < folder->Count(); ++i)
                if (folder->Items(i)->HasChildren()) folders.push_back(folder->Items(i));
        }
        items->EndUpdate();
    }
    TExTreeItem* BigItem() { return root->GetFirstChild(); }
    void Key(Word K)
    {
        Input::PressKey(K);
        Application->ProcessMessages();
    }
};

// range(0): 1 with the loader in the handlers, 0 with the loading done by code.
void BM_LazyExpandAll(benchmark::State& state)
{
    LazyTree t;
    const bool inHandler = state.range(0) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        t.Fresh();
        t.loading = inHandler;
        state.ResumeTiming();
        if (!inHandler) t.LoadAll();
        t.Key(VK_MULTIPLY);
    }
    state.counters["rows"] = double(t.v.tree->Model()->TotalVisCount());
}
BENCHMARK(BM_LazyExpandAll)->Name("LazyExpandAll/InHandler")->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LazyExpandAll)->Name("LazyExpandAll/Outside")->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3);

// The whole disk read and open, "big" focused: Right re-reads it as it opens (closed first, its
// entries kept), Left closes it and clears its 1,000 entries. range(1): 1 Right, 0 Left.
void BM_LazyKeyOnBig(benchmark::State& state)
{
    LazyTree t;
    const bool inHandler = state.range(0) != 0, right = state.range(1) != 0;
    t.Fresh();
    t.LoadAll();
    t.Key(VK_MULTIPLY);
    for (auto _ : state) {
        state.PauseTiming();
        t.loading = false;
        TExTreeItem* big = t.BigItem();
        if (big->Count() < 1000) t.Load(big);
        if (right)
            big->Collapse(false);
        else
            big->Expand(false);
        t.v.tree->SetFocused(big);
        Application->ProcessMessages();
        t.loading = inHandler;
        state.ResumeTiming();
        if (!inHandler && right) t.Load(big);
        t.Key(right ? VK_RIGHT : VK_LEFT);
        if (!inHandler && !right) t.Unload(big);
    }
    state.counters["rows"] = double(t.v.tree->Model()->TotalVisCount());
}
BENCHMARK(BM_LazyKeyOnBig)->Name("LazyRight1000/InHandler")->Args({1, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LazyKeyOnBig)->Name("LazyRight1000/Outside")->Args({0, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LazyKeyOnBig)->Name("LazyLeft1000/InHandler")->Args({1, 0})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LazyKeyOnBig)->Name("LazyLeft1000/Outside")->Args({0, 0})->Unit(benchmark::kMillisecond);

// A row appended (Add and two column texts, each outside a bracket, the repaint included) to
// 100,000 rows under three sections, auto-sized (.../AutoSized) or not (.../Fixed). Goal: within 3
// times.
void BM_AppendRow(benchmark::State& state)
{
    ShownTree v;
    TExHeaderSections* sections = v.tree->Header()->Sections();
    for (int s = 0; s < 3; ++s) {
        TExHeaderSection* section = sections->AddSection();
        section->SetText("S" + std::to_string(s));
        section->SetWidth(100);
        section->SetAutoSize(state.range(0) != 0);
    }
    v.tree->SetShowHeader(true);
    TExTreeItems* items = v.tree->Items();
    items->BeginUpdate();
    for (int i = 0; i < Rows; ++i) {
        TExTreeItem* row = items->Add(nullptr, "row " + std::to_string(i));
        row->ColumnText()->Add(std::to_string(i * 7 % 1000));
        row->ColumnText()->Add("text " + std::to_string(i % 77));
    }
    items->EndUpdate();
    Application->ProcessMessages();
    int n = 0;
    for (auto _ : state) {
        TExTreeItem* row = items->Add(nullptr, "added " + std::to_string(++n));
        row->ColumnText()->Add(std::to_string(n % 1000));
        row->ColumnText()->Add("text " + std::to_string(n % 77));
        Application->ProcessMessages();
    }
    state.counters["width0"] = double(sections->GetSection(0)->Width());
}
BENCHMARK(BM_AppendRow)->Name("AppendRow100000/AutoSized")->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_AppendRow)->Name("AppendRow100000/Fixed")->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(0.5);

// ---------------------------------------------------------------- the ratios

// The console's report, and at its end each pair's ratio: .../Tree beside its .../QTreeView twin,
// a file load beside the memory load, the lazy loader's work in its handler beside the same work
// outside one, a row added under auto-sized columns beside fixed ones.
class TwinReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& Runs) override
    {
        ConsoleReporter::ReportRuns(Runs);
        for (const Run& r : Runs)
            if (r.run_type == Run::RT_Iteration) FCpu[r.benchmark_name()] = r.GetAdjustedCPUTime();
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        // Each pair: the work as measured, and the plainer work it is held against.
        static const char* const pairs[][2] = {{"/Tree", "/QTreeView"},
                                               {"/File", "/Memory"},
                                               {"/InHandler", "/Outside"},
                                               {"/AutoSized", "/Fixed"}};
        for (const auto& [name, cpu] : FCpu)
            for (const auto& [mine, plain] : pairs) {
                const std::string tag = mine;
                const size_t at = name.find(tag);
                if (at == std::string::npos) continue;
                const auto twin = FCpu.find(name.substr(0, at) + plain + name.substr(at + tag.size()));
                if (twin == FCpu.end() || twin->second <= 0) continue;
                std::printf("%-50s %s / %s CPU time: %.2f\n",
                            (name.substr(0, at) + name.substr(at + tag.size())).c_str(), mine + 1, plain + 1,
                            cpu / twin->second);
            }
    }

private:
    std::map<std::string, double> FCpu;
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    TwinReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
