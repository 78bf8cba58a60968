// One key of the incremental search on a tree of 100,000 items (roots with collapsed branches of
// nine), typed through the toolkit's own key events: a letter no item begins with (the whole tree
// is walked) and one that only the last item begins with (walked, then its branch opened, focused
// and scrolled into view). Goal: under 50 ms a key.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/Forms.h"
#include "platform/Input.h"
#include "tree/Extree.h"
#include "tree/Extreeview.h"

namespace {

struct Shown {
    TForm* form = nullptr;
    TExTree* tree = nullptr;
    Shown()
    {
        if (std::getenv("DISPLAY") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 0);
        Application->Initialize();
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 420, 520);
        form->AfterConstruction();
        tree = new TExTree(form);
        tree->SetParent(form);
        tree->SetBounds(0, 0, 400, 500);
        tree->SetIncrementalSearch(true);
        tree->SetMultiSelect(false);
        form->Show();
        Application->ProcessMessages();
        tree->View()->SetFocus();
        Application->ProcessMessages();
    }
    ~Shown() { delete form; }
};

void BM_SearchKey(benchmark::State& state)
{
    Shown v;
    TExTreeItems* items = v.tree->Items();
    items->BeginUpdate();
    TExTreeItem* parent = nullptr;
    for (int i = 0; i < 100000; ++i) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%c%05d", i == 99999 ? 'z' : 'n', (i * 7919) % 100000);
        if (i % 10 == 0)
            parent = items->Add(nullptr, buf);
        else
            items->AddChild(parent, buf);
    }
    items->EndUpdate();
    Application->ProcessMessages();
    const std::string key = state.range(0) ? "z" : "q";
    for (auto _ : state) {
        Input::TypeText(key);
        state.PauseTiming();
        Input::PressKey(VK_ESCAPE);
        if (state.range(0)) {
            TExTreeItem* last = items->Item(items->Count() - 1);
            if (v.tree->GetFocused() != last) state.SkipWithError("the last item was not found");
            last->Parent()->Collapse(false);
            v.tree->SetTopItem(items->Item(0));
        }
        Application->ProcessMessages();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SearchKey)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
