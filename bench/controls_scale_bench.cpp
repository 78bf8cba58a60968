// What the controls pay as they grow: a column header built one section at a time, the rectangle
// of its last section, a repaint and a live-resize step with most sections off screen, many
// changes in one update bracket and one change among many sections, a themed
// repaint of one very wide section, half of many sections deleted in one bracket, an advanced list
// box filled by 100,000 single Add calls beside the platform's plain list box doing the same, half
// of the items of a sideways-scrolled list or combo box deleted one by one, and keys and clicks in a
// multi-select list of a million items.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "controls/Exactrls.h"
#include "controls/Exheader.h"
#include "ctlbase/Exuxtheme.h"
#include "platform/Forms.h"
#include "platform/Input.h"
#include "platform/StdCtrls.h"

namespace {

// Measured offscreen, so that no window system takes part.
const bool kHeadless = (setenv("QT_QPA_PLATFORM", "offscreen", 0), true);

struct HeaderOnForm {
    TForm* Form = new TForm(nullptr);
    TExHeader* Header = new TExHeader(Form);

    explicit HeaderOnForm(bool Themed = false)
    {
        Form->SetBounds(0, 0, 1300, 200);
        Header->SetParent(Form);
        Header->SetUseXPThemes(Themed);
        Form->Show();
        Application->ProcessMessages();
    }
    ~HeaderOnForm() { TObject::Free(Form); }
    // Sections 60 wide with a caption each, added one by one as a program that knows no update
    // bracket adds them.
    void Fill(int Count)
    {
        for (int i = 0; i < Count; ++i) {
            TExHeaderSection* s = Header->Sections()->AddSection();
            s->SetText("Column " + std::to_string(i));
            s->SetWidth(60);
        }
    }
};

void BM_HeaderAddSections(benchmark::State& State)
{
    for (auto _ : State) {
        State.PauseTiming();
        auto f = std::make_unique<HeaderOnForm>();
        State.ResumeTiming();
        f->Fill(int(State.range(0)));
        State.PauseTiming();
        benchmark::DoNotOptimize(f->Header->SectionsWidth());
        f.reset();
        State.ResumeTiming();
    }
}

void BM_HeaderSectionRect(benchmark::State& State)
{
    HeaderOnForm f;
    f.Fill(int(State.range(0)));
    const Integer last = Integer(State.range(0)) - 1;
    for (auto _ : State)
        benchmark::DoNotOptimize(f.Header->GetSectionRect(last));
}

void BM_HeaderRepaint(benchmark::State& State)
{
    HeaderOnForm f;
    f.Fill(int(State.range(0)));
    f.Header->SetLeftPos(60 * 10);
    for (auto _ : State) {
        f.Header->Invalidate();
        UpdateWindow(f.Header->Handle());
    }
}

// One mouse move of a live resize of the second section, drawn at once.
void BM_HeaderResizeStep(benchmark::State& State)
{
    HeaderOnForm f;
    f.Fill(int(State.range(0)));
    TExHeader* h = f.Header;
    h->SetResizeOnDrag(true);
    Input::MouseMove(h, 119, 5, 0);
    Input::MouseDown(h, mbLeft, 119, 5);
    int x = 119, step = 1;
    for (auto _ : State) {
        x += step;
        if (x > 300 || x < 100)
            step = -step;
        Input::MouseMove(h, x, 5, ssLeft);
        UpdateWindow(h->Handle());
    }
    Input::MouseUp(h, mbLeft, x, 5);
}

// One section of the given width; what is on screen is always the first 1,300 pixels of it.
void WideSectionRepaint(benchmark::State& State, bool Themed)
{
    if (Themed && !ThemesAvailable) {
        State.SkipWithError("themes switched off");
        return;
    }
    HeaderOnForm f(Themed);
    TExHeaderSection* s = f.Header->Sections()->AddSection();
    s->SetText("Wide");
    s->SetMaxWidth(Integer(State.range(0)));
    s->SetWidth(Integer(State.range(0)));
    for (auto _ : State) {
        f.Header->Invalidate();
        UpdateWindow(f.Header->Handle());
    }
}

// Changes of many sections inside one update bracket, drawn once at its end: every section hidden
// one by one, deleted from the front, or moved to the front (reversing the order), or as many
// sections inserted one by one at the front.
void InBracket(benchmark::State& State, const std::function<void(TExHeaderSections*)>& Change)
{
    for (auto _ : State) {
        State.PauseTiming();
        auto f = std::make_unique<HeaderOnForm>();
        f->Fill(int(State.range(0)));
        State.ResumeTiming();
        f->Header->BeginUpdate();
        Change(f->Header->Sections());
        f->Header->EndUpdate();
        UpdateWindow(f->Header->Handle());
        State.PauseTiming();
        f.reset();
        State.ResumeTiming();
    }
}

void BM_HeaderHideAllInBracket(benchmark::State& State)
{
    InBracket(State, [](TExHeaderSections* All) {
        for (Integer i = 0; i < All->GetCount(); ++i)
            All->GetSectionByPos(i)->SetVisible(false);
    });
}

void BM_HeaderDeleteAllInBracket(benchmark::State& State)
{
    InBracket(State, [](TExHeaderSections* All) {
        while (All->GetCount() > 0)
            All->DeleteSection(All->GetSectionByPos(0));
    });
}

void BM_HeaderReverseInBracket(benchmark::State& State)
{
    InBracket(State, [](TExHeaderSections* All) {
        for (Integer i = 1; i < All->GetCount(); ++i)
            All->MoveSection(All->GetSectionByPos(i), 0);
    });
}

void BM_HeaderInsertAtFrontInBracket(benchmark::State& State)
{
    for (auto _ : State) {
        State.PauseTiming();
        auto f = std::make_unique<HeaderOnForm>();
        State.ResumeTiming();
        f->Header->BeginUpdate();
        for (int i = 0; i < State.range(0); ++i)
            f->Header->Sections()->InsertSection(0);
        f->Header->EndUpdate();
        UpdateWindow(f->Header->Handle());
        State.PauseTiming();
        f.reset();
        State.ResumeTiming();
    }
}

// One change among many sections, drawn at once: a section moved to the front and back, one
// hidden and shown, one inserted at the front and deleted.
void BM_HeaderOneChange(benchmark::State& State, int Kind)
{
    HeaderOnForm f;
    f.Fill(int(State.range(0)));
    TExHeaderSections* all = f.Header->Sections();
    TExHeaderSection* s = all->GetSectionByPos(all->GetCount() / 2);
    bool flip = false;
    for (auto _ : State) {
        flip = !flip;
        switch (Kind) {
        case 0: all->MoveSection(s, flip ? 0 : all->GetCount() / 2); break;
        case 1: s->SetVisible(!flip); break;
        default:
            if (flip)
                all->InsertSection(0);
            else
                all->DeleteSection(all->GetSectionByPos(0));
            break;
        }
        UpdateWindow(f.Header->Handle());
    }
}

void BM_HeaderOneMove(benchmark::State& State) { BM_HeaderOneChange(State, 0); }
void BM_HeaderOneHideOrShow(benchmark::State& State) { BM_HeaderOneChange(State, 1); }
void BM_HeaderOneInsertOrDelete(benchmark::State& State) { BM_HeaderOneChange(State, 2); }

void BM_HeaderWideSectionClassic(benchmark::State& State) { WideSectionRepaint(State, false); }
void BM_HeaderWideSectionThemed(benchmark::State& State) { WideSectionRepaint(State, true); }

// A box of that class on a form of its own (its owner), shown; Before sets it up first.
template <class TBox>
TBox* BoxOnForm(const std::function<void(TBox*)>& Before = nullptr)
{
    auto* form = new TForm(nullptr);
    form->SetBounds(0, 0, 300, 400);
    auto* box = new TBox(form);
    box->SetParent(form);
    box->SetBounds(10, 10, 200, 300);
    if (Before)
        Before(box);
    form->Show();
    return box;
}

template <class TBox>
void ListAdds(benchmark::State& State)
{
    for (auto _ : State) {
        State.PauseTiming();
        auto* box = BoxOnForm<TBox>();
        Application->ProcessMessages();
        State.ResumeTiming();
        for (int i = 0; i < State.range(0); ++i)
            box->Items()->Add("Item " + std::to_string(i));
        Application->ProcessMessages();
        State.PauseTiming();
        benchmark::DoNotOptimize(box->Count());
        TObject::Free(box->Owner());
        State.ResumeTiming();
    }
}

void BM_AdvancedListBoxAdd(benchmark::State& State) { ListAdds<TExAdvancedListBox>(State); }
void BM_PlainListBoxAdd(benchmark::State& State) { ListAdds<TListBox>(State); }

// Half of the sections deleted one by one inside one update bracket, from the front, the middle or
// the end (the second argument: 0, 1, 2).
void BM_HeaderDeleteHalfInBracket(benchmark::State& State)
{
    const int where = int(State.range(1));
    InBracket(State, [where](TExHeaderSections* All) {
        for (Integer n = All->GetCount() / 2; n > 0; --n)
            All->DeleteSection(All->GetSectionByPos(where * (All->GetCount() - 1) / 2));
    });
}

// Items of one width, as the names of the receiver's message files are, half of them deleted one by
// one from the middle of a list that scrolls sideways as far as its widest item.
template <class TBox>
void DeleteHalf(benchmark::State& State)
{
    for (auto _ : State) {
        State.PauseTiming();
        auto* box = BoxOnForm<TBox>([](TBox* Box) { Box->SetHorizontalScroll(true); });
        TStrings* items = box->Items();
        items->BeginUpdate();
        for (int i = 0; i < State.range(0); ++i)
            items->Add("230114-" + std::to_string(100000 + i) + ".TXT");
        items->EndUpdate();
        Application->ProcessMessages();
        State.ResumeTiming();
        for (int n = items->Count() / 2; n > 0; --n)
            items->Delete(items->Count() / 2);
        Application->ProcessMessages();
        State.PauseTiming();
        benchmark::DoNotOptimize(box->MaxItemWidth());
        TObject::Free(box->Owner());
        State.ResumeTiming();
    }
}

void BM_AdvancedListBoxDeleteHalf(benchmark::State& State) { DeleteHalf<TExAdvancedListBox>(State); }
void BM_AdvancedComboBoxDeleteHalf(benchmark::State& State) { DeleteHalf<TExAdvancedComboBox>(State); }

// One key or click in an extended multi-select list: down, shift+down, a click, a ctrl+click and
// shift+up in turn, somewhere in the middle of the list.
void BM_MultiSelectKeyOrClick(benchmark::State& State)
{
    auto* box = BoxOnForm<TListBox>([](TListBox* Box) { Box->SetMultiSelect(true); });
    TStrings* items = box->Items();
    items->BeginUpdate();
    for (int i = 0; i < State.range(0); ++i)
        items->Add("Item " + std::to_string(i));
    items->EndUpdate();
    box->SetFocus();
    box->SetTopIndex(int(State.range(0) / 2));
    Application->ProcessMessages();
    const int y = box->ItemHeight() * 3 + 2;
    int step = 0;
    for (auto _ : State) {
        switch (step++ % 5) {
        case 0: Input::PressKey(VK_DOWN); break;
        case 1: Input::PressKey(VK_DOWN, ssShift); break;
        case 2: Input::Click(box, 20, y); break;
        case 3: Input::Click(box, 20, y + 2 * box->ItemHeight(), mbLeft, ssCtrl); break;
        default: Input::PressKey(VK_UP, ssShift); break;
        }
        UpdateWindow(box->Handle());
    }
    benchmark::DoNotOptimize(box->SelCount());
    TObject::Free(box->Owner());
}

// Looking an item up by its text walks the list once.
void BM_ListIndexOf(benchmark::State& State)
{
    TListBox box(nullptr);
    for (int i = 0; i < State.range(0); ++i)
        box.Items()->Add("Item " + std::to_string(i));
    const std::string last = "Item " + std::to_string(State.range(0) - 1);
    for (auto _ : State)
        benchmark::DoNotOptimize(box.Items()->IndexOf(last));
}

BENCHMARK(BM_HeaderAddSections)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HeaderSectionRect)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HeaderRepaint)->Arg(30)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HeaderResizeStep)->Arg(30)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HeaderHideAllInBracket)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_HeaderDeleteAllInBracket)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_HeaderReverseInBracket)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_HeaderInsertAtFrontInBracket)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_HeaderOneMove)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HeaderOneHideOrShow)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HeaderOneInsertOrDelete)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HeaderWideSectionClassic)->Arg(1000)->Arg(1048576)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HeaderWideSectionThemed)->Arg(1000)->Arg(1048576)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AdvancedListBoxAdd)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainListBoxAdd)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HeaderDeleteHalfInBracket)
    ->ArgsProduct({{25000, 50000, 100000}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_AdvancedListBoxDeleteHalf)->Arg(12500)->Arg(25000)->Arg(50000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_AdvancedComboBoxDeleteHalf)->Arg(12500)->Arg(25000)->Arg(50000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_MultiSelectKeyOrClick)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ListIndexOf)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
