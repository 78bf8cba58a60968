// What the controls pay as they grow: a column header built one section at a time, the rectangle
// of its last section, a repaint and a live-resize step with most sections off screen, a themed
// repaint of one very wide section, and an advanced list box filled by 100,000 single Add calls
// beside the platform's plain list box doing the same.
#include <benchmark/benchmark.h>

#include <cstdlib>
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

void BM_HeaderWideSectionClassic(benchmark::State& State) { WideSectionRepaint(State, false); }
void BM_HeaderWideSectionThemed(benchmark::State& State) { WideSectionRepaint(State, true); }

template <class TBox>
void ListAdds(benchmark::State& State)
{
    for (auto _ : State) {
        State.PauseTiming();
        auto* form = new TForm(nullptr);
        form->SetBounds(0, 0, 300, 400);
        auto* box = new TBox(form);
        box->SetParent(form);
        box->SetBounds(10, 10, 200, 300);
        form->Show();
        Application->ProcessMessages();
        State.ResumeTiming();
        for (int i = 0; i < State.range(0); ++i)
            box->Items()->Add("Item " + std::to_string(i));
        Application->ProcessMessages();
        State.PauseTiming();
        benchmark::DoNotOptimize(box->Count());
        TObject::Free(form);
        State.ResumeTiming();
    }
}

void BM_AdvancedListBoxAdd(benchmark::State& State) { ListAdds<TExAdvancedListBox>(State); }
void BM_PlainListBoxAdd(benchmark::State& State) { ListAdds<TListBox>(State); }

BENCHMARK(BM_HeaderAddSections)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HeaderSectionRect)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HeaderRepaint)->Arg(30)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HeaderResizeStep)->Arg(30)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HeaderWideSectionClassic)->Arg(1000)->Arg(1048576)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HeaderWideSectionThemed)->Arg(1000)->Arg(1048576)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AdvancedListBoxAdd)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainListBoxAdd)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
