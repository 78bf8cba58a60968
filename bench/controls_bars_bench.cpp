// What a user dragging a scroll bar's thumb over a long list pays per mouse move (the bar tracks,
// tells its owner and is drawn again), in the bar's own look and in the themed one, and what a
// column header of 30 sections costs to draw again.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "controls/Exheader.h"
#include "controls/Exscrollbar.h"
#include "ctlbase/Exuxtheme.h"
#include "platform/Forms.h"
#include "platform/ImgList.h"
#include "platform/Input.h"

namespace {

// Measured offscreen, so that no window system takes part.
const bool kHeadless = (setenv("QT_QPA_PLATFORM", "offscreen", 0), true);

struct BarOnForm {
    TForm* Form = new TForm(nullptr);
    TExScrollBar* Bar = new TExScrollBar(Form);
    long Tracked = 0;

    explicit BarOnForm(bool Themed)
    {
        Form->SetBounds(0, 0, 300, 700);
        Bar->SetParent(Form);
        Bar->SetUseXPThemes(Themed);
        Bar->SetKind(sbVertical);
        Bar->SetBounds(10, 10, Bar->Width(), 600);
        // A tree of 100,000 rows showing 30 of them.
        Bar->SetMax(99999);
        Bar->SetPage(30);
        Bar->NoScrollMessages = true;
        Bar->OnScroll = [this](TObject*, TExScrollCode Code, Integer& Pos, bool& DoChange) {
            if (Code == escTrack)
                Tracked += Pos;
            DoChange = false;
        };
        Form->Show();
        Application->ProcessMessages();
    }
    ~BarOnForm() { TObject::Free(Form); }
};

void ThumbMove(benchmark::State& State, bool Themed)
{
    if (Themed && !ThemesAvailable) {
        State.SkipWithError("themes switched off");
        return;
    }
    BarOnForm f(Themed);
    TExScrollBar* b = f.Bar;
    const int grip = b->GetThumbPos() + 2;
    Input::MouseMove(b, 8, grip);
    Input::MouseDown(b, mbLeft, 8, grip);
    int y = grip, step = 1;
    for (auto _ : State) {
        y += step;
        if (y > 560 || y < grip)
            step = -step;
        Input::MouseMove(b, 8, y, ssLeft);
        UpdateWindow(b->Handle());
    }
    Input::MouseUp(b, mbLeft, 8, y);
    benchmark::DoNotOptimize(f.Tracked);
}

void BM_ThumbMoveOwnLook(benchmark::State& State) { ThumbMove(State, false); }
void BM_ThumbMoveThemed(benchmark::State& State) { ThumbMove(State, true); }

void HeaderRepaint(benchmark::State& State, bool Themed)
{
    if (Themed && !ThemesAvailable) {
        State.SkipWithError("themes switched off");
        return;
    }
    TForm* form = new TForm(nullptr);
    form->SetBounds(0, 0, 1300, 200);
    auto* images = new TImageList(form);
    TBitmap pic;
    pic.SetSize(16, 16);
    pic.Canvas()->Brush()->SetColor(clGreen);
    pic.Canvas()->FillRect(Rect(0, 0, 16, 16));
    images->AddMasked(&pic, clFuchsia);
    auto* h = new TExHeader(form);
    h->SetParent(form);
    h->SetUseXPThemes(Themed);
    h->SetImages(images);
    h->MultiSortMarks = true;
    for (int i = 0; i < 30; ++i) {
        TExHeaderSection* s = h->Sections()->AddSection();
        s->SetText(i % 5 == 4 ? "<html><b>Column</b> " + std::to_string(i) + "</html>" : "Column " + std::to_string(i));
        s->SetWidth(60);
        if (i % 3 == 0)
            s->SetSortMode(i % 2 ? hsmAscend : hsmDescend);
        if (i % 4 == 1)
            s->SetFilterEnabled(true);
        if (i % 6 == 2)
            s->SetImageIndex(0);
    }
    h->SetLockedSection(h->Sections()->GetSectionByPos(0));
    h->SetLeftPos(200);
    form->Show();
    Application->ProcessMessages();
    for (auto _ : State) {
        h->Invalidate();
        UpdateWindow(h->Handle());
    }
    TObject::Free(form);
}

void BM_HeaderRepaint30Sections(benchmark::State& State) { HeaderRepaint(State, false); }
void BM_HeaderRepaint30SectionsThemed(benchmark::State& State) { HeaderRepaint(State, true); }

BENCHMARK(BM_ThumbMoveOwnLook)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ThumbMoveThemed)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HeaderRepaint30Sections)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HeaderRepaint30SectionsThemed)->Unit(benchmark::kMicrosecond);

}  // namespace
