// The tree's view at work beside QTreeView doing the same, in one run: a scroll step and a page
// (each with the repaint it causes) at the top and at the bottom of 100,000 and 1,000,000 rows, and
// one changed, one added and one selected row on a 100,000-row tree. Each pair runs both trees in every
// iteration and reports the tree's time (the benchmark's own), QTreeView's and their ratio
// (tree / QTreeView). Also: a full page of 50 rows and 5 columns with marked-up cells painted
// again, and the wheel on rows of differing heights. A frame of the screen is 16 ms.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEvent>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTreeView>

#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "platform/Forms.h"
#include "tree/Extree.h"

namespace {

// Before anything starts the toolkit: no display is needed.
const int kOffscreen = (setenv("QT_QPA_PLATFORM", "offscreen", 0), 0);

struct Shown {
    TForm* form = nullptr;
    TExTree* tree = nullptr;
    Shown(int Width, int Height)
    {
        (void)kOffscreen;
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

// ---------------------------------------------------------------- beside QTreeView

constexpr int kWidth = 400, kHeight = 600, kPerDay = 99;

// Counts the viewport's paints: a scroll that painted nothing measured nothing.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};

// Days of 99 messages, all expanded, in both trees: Rows rows in all.
struct Twins {
    Shown ours{kWidth, kHeight};
    std::unique_ptr<QStandardItemModel> model = std::make_unique<QStandardItemModel>();
    std::unique_ptr<QTreeView> theirs = std::make_unique<QTreeView>();
    PaintCounter counter;
    TExTreeItem* lastDay = nullptr;
    QStandardItem* theirLastDay = nullptr;
    explicit Twins(int Rows)
    {
        const int days = Rows / (kPerDay + 1);
        TExTreeItems* items = ours.tree->Items();
        items->BeginUpdate();
        for (int d = 0; d < days; ++d) {
            TExTreeItem* day = items->Add(nullptr, "Day " + std::to_string(d));
            for (int m = 0; m < kPerDay; ++m) items->AddChild(day, "Message " + std::to_string(m));
            day->Expand(false);
            lastDay = day;
        }
        items->EndUpdate();
        QStandardItem* root = model->invisibleRootItem();
        for (int d = 0; d < days; ++d) {
            auto* day = new QStandardItem(QString("Day %1").arg(d));
            QList<QStandardItem*> messages;
            messages.reserve(kPerDay);
            for (int m = 0; m < kPerDay; ++m) messages.append(new QStandardItem(QString("Message %1").arg(m)));
            day->appendRows(messages);
            root->appendRow(day);
            theirLastDay = day;
        }
        theirs->setHeaderHidden(true);
        theirs->setModel(model.get());
        theirs->expandAll();
        theirs->resize(kWidth, kHeight);
        theirs->viewport()->installEventFilter(&counter);
        theirs->show();
        Application->ProcessMessages();
        QCoreApplication::processEvents();
    }
};

// One tree pair per size, made once: building a million rows twice per benchmark run would
// dwarf what is measured. The pairs stay to the end of the process: freed among the statics at
// exit, they would go after the application and its windows (a crash on the way out).
Twins& TwinsOf(int Rows)
{
    static auto* made = new std::map<int, std::unique_ptr<Twins>>;
    std::unique_ptr<Twins>& t = (*made)[Rows];
    if (!t) t = std::make_unique<Twins>(Rows);
    return *t;
}

using Clock = std::chrono::steady_clock;
double Seconds(Clock::duration D) { return std::chrono::duration<double>(D).count(); }

// The tree's time is the benchmark's; QTreeView's and the ratio are counters.
void Report(benchmark::State& State, double Ours, double Theirs)
{
    const double n = double(State.iterations());
    State.counters["tree_us"] = Ours / n * 1e6;
    State.counters["qtreeview_us"] = Theirs / n * 1e6;
    State.counters["ratio"] = Theirs > 0 ? Ours / Theirs : 0;
}

void OurScroll(TExTree* Tree, TExScrollCode Code)
{
    Integer pos = 0;
    bool change = true;
    Tree->View()->OnVScroll(Tree->VertScrollBar(), Code, pos, change);
    Tree->View()->Update();
}

void TheirScroll(QTreeView* View, QAbstractSlider::SliderAction Action)
{
    View->verticalScrollBar()->triggerAction(Action);
    QCoreApplication::processEvents();
}

// range(0): rows; range(1): 0 at the top, 1 at the bottom; range(2): 0 a step, 1 a page.
void BM_ScrollBesideQTreeView(benchmark::State& state)
{
    Twins& t = TwinsOf(int(state.range(0)));
    const bool bottom = state.range(1) != 0, page = state.range(2) != 0;
    TExTree* tree = t.ours.tree;
    QScrollBar* bar = t.theirs->verticalScrollBar();
    tree->SetVPosition(bottom ? tree->GetTotalVisCount() : 0);
    tree->View()->Update();
    bar->setValue(bottom ? bar->maximum() : 0);
    QCoreApplication::processEvents();
    const TExScrollCode away = bottom ? (page ? escPageUp : escLineUp) : (page ? escPageDown : escLineDown);
    const TExScrollCode back = bottom ? (page ? escPageDown : escLineDown) : (page ? escPageUp : escLineUp);
    const auto theirAway = bottom ? (page ? QAbstractSlider::SliderPageStepSub : QAbstractSlider::SliderSingleStepSub)
                                  : (page ? QAbstractSlider::SliderPageStepAdd : QAbstractSlider::SliderSingleStepAdd);
    const auto theirBack = bottom ? (page ? QAbstractSlider::SliderPageStepAdd : QAbstractSlider::SliderSingleStepAdd)
                                  : (page ? QAbstractSlider::SliderPageStepSub : QAbstractSlider::SliderSingleStepSub);
    double ours = 0, theirs = 0;
    bool there = false;
    const Integer startTop = tree->TopIndex();
    const int paints = t.counter.paints;
    for (auto _ : state) {
        auto a = Clock::now();
        OurScroll(tree, there ? back : away);
        auto b = Clock::now();
        TheirScroll(t.theirs.get(), there ? theirBack : theirAway);
        auto c = Clock::now();
        ours += Seconds(b - a);
        theirs += Seconds(c - b);
        state.SetIterationTime(Seconds(b - a));
        there = !there;
    }
    if (tree->TopIndex() != startTop && !there) state.SkipWithError("the tree did not come back");
    if (t.counter.paints == paints) state.SkipWithError("QTreeView painted nothing");
    Report(state, ours, theirs);
}
BENCHMARK(BM_ScrollBesideQTreeView)
    ->ArgNames({"rows", "bottom", "page"})
    ->ArgsProduct({{100000, 1000000}, {0, 1}, {0, 1}})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// One row's text changed, far down a tree of 100,000 rows (the widest row and the view follow).
void BM_ChangeOneRowBesideQTreeView(benchmark::State& state)
{
    Twins& t = TwinsOf(100000);
    TExTreeItem* item = t.ours.tree->Items()->Item(54321);
    QStandardItem* their = t.model->item(543)->child(21);
    double ours = 0, theirs = 0;
    int n = 0;
    for (auto _ : state) {
        const std::string text = "Changed " + std::to_string(n++);
        auto a = Clock::now();
        item->SetText(text);
        t.ours.tree->View()->Update();
        auto b = Clock::now();
        their->setText(QString::fromStdString(text));
        QCoreApplication::processEvents();
        auto c = Clock::now();
        ours += Seconds(b - a);
        theirs += Seconds(c - b);
        state.SetIterationTime(Seconds(b - a));
    }
    Report(state, ours, theirs);
}
BENCHMARK(BM_ChangeOneRowBesideQTreeView)->UseManualTime()->Unit(benchmark::kMicrosecond);

// One message added to the last day of a tree of 100,000 rows, and taken away again outside the
// timing.
void BM_AddOneRowBesideQTreeView(benchmark::State& state)
{
    Twins& t = TwinsOf(100000);
    double ours = 0, theirs = 0;
    for (auto _ : state) {
        auto a = Clock::now();
        TExTreeItem* added = t.ours.tree->Items()->AddChild(t.lastDay, "Added");
        t.ours.tree->View()->Update();
        auto b = Clock::now();
        t.theirLastDay->appendRow(new QStandardItem("Added"));
        QCoreApplication::processEvents();
        auto c = Clock::now();
        ours += Seconds(b - a);
        theirs += Seconds(c - b);
        state.SetIterationTime(Seconds(b - a));
        state.PauseTiming();
        t.ours.tree->Items()->Delete(added);
        t.theirLastDay->removeRow(t.theirLastDay->rowCount() - 1);
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    Report(state, ours, theirs);
}
BENCHMARK(BM_AddOneRowBesideQTreeView)->UseManualTime()->Unit(benchmark::kMicrosecond);

// One row selected and deselected again from code, outside any bracket, far down a tree of
// 100,000 rows in a multi-select tree.
void BM_SelectOneRowBesideQTreeView(benchmark::State& state)
{
    Twins& t = TwinsOf(100000);
    TExTreeItem* item = t.ours.tree->Items()->Item(54321);
    const QModelIndex index = t.model->item(543)->child(21)->index();
    QItemSelectionModel* selection = t.theirs->selectionModel();
    t.theirs->setSelectionMode(QAbstractItemView::MultiSelection);
    double ours = 0, theirs = 0;
    bool on = true;
    for (auto _ : state) {
        auto a = Clock::now();
        item->SetSelected(on);
        t.ours.tree->View()->Update();
        auto b = Clock::now();
        selection->select(index, on ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
        QCoreApplication::processEvents();
        auto c = Clock::now();
        ours += Seconds(b - a);
        theirs += Seconds(c - b);
        state.SetIterationTime(Seconds(b - a));
        on = !on;
    }
    Report(state, ours, theirs);
}
BENCHMARK(BM_SelectOneRowBesideQTreeView)->UseManualTime()->Unit(benchmark::kMicrosecond);

// ---------------------------------------------------------------- the tree alone

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
