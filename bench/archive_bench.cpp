// The message archive of the main window: loading a year of messages (36,500 files, a hundred a
// day) and about three years (100,000) at start-up, from a folder of real files in memory created
// in shuffled order (the folder lists them in no order), with the window shown; the window made,
// shown, filled and settled over an empty folder, a year and about three years (process CPU: the
// difference is what the archive costs the start); one message saved live into the 100,000-message
// archive, the node put in place and the viewer refreshed (a sound buffer lasts 185.8 ms: the live
// save must take a small share of that); and a 50 MB message shown in the viewer.
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "memo/Stylememo.h"
#include "platform/DateUtils.h"
#include "platform/Forms.h"
#include "platform/PaintCount.h"
#include "platform/SysUtils.h"
#include "receiver/RxForm.h"
#include "tree/Extree.h"

namespace {

namespace fs = std::filesystem;

// A working folder with Messages/ holding Count files, a hundred a day from 1 January 2006 on.
struct ArchiveFolder {
    std::string Dir;
    std::string Old;
    explicit ArchiveFolder(int Count)
    {
        const std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : fs::temp_directory_path().string();
        Dir = base + "/morvik-archive-bench-" + std::to_string(getpid()) + "-" + std::to_string(Count);
        fs::create_directories(Dir + "/Messages");
        const TDateTime start = EncodeDate(2006, 1, 1);
        std::vector<std::string> names;
        for (int i = 0; i < Count; ++i) {
            Word y, m, d;
            DecodeDate(start + i / 100, y, m, d);
            const int minutes = (i % 100) * 14;
            names.push_back(Format("%02d%02d%02d-%02d%02d%02d.TXT", y % 100, m, d, minutes / 60, minutes % 60, i % 60));
        }
        std::shuffle(names.begin(), names.end(), std::mt19937(36500));
        for (const std::string& name : names)
            std::ofstream(Dir + "/Messages/" + name) << "ZCZC\r\nNNNN\r\n";
        Old = fs::current_path().string();
        fs::current_path(Dir);
    }
    ~ArchiveFolder()
    {
        fs::current_path(Old);
        fs::remove_all(Dir);
    }
};

struct ShownForm {
    TRxForm* form;
    ShownForm()
    {
        if (std::getenv("DISPLAY") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 0);
        Application->Initialize();
        form = new TRxForm(nullptr);
        form->AfterConstruction();
        form->OnActivate = nullptr;  // no start-up: it would open the sound input
        form->Show();
        Application->ProcessMessages();
    }
    ~ShownForm()
    {
        delete form;
        Application->ProcessMessages();
    }
};

void BM_LoadMessageTree(benchmark::State& state)
{
    ArchiveFolder folder(static_cast<int>(state.range(0)));
    ShownForm shown;
    for (auto _ : state) {
        shown.form->LoadMessageTree();
        benchmark::DoNotOptimize(shown.form->TreeView1->Items()->Count());
    }
    state.counters["days"] = static_cast<double>(shown.form->TreeView1->Items()->RootCount());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LoadMessageTree)->Arg(36500)->Arg(100000)->Unit(benchmark::kMillisecond);

// Made, shown and filled, then the message loop run until a few passes in a row paint nothing.
void BM_StartAndSettle(benchmark::State& state)
{
    ArchiveFolder folder(static_cast<int>(state.range(0)));
    if (std::getenv("DISPLAY") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    Application->Initialize();
    for (auto _ : state) {
        auto* form = new TRxForm(nullptr);
        form->AfterConstruction();
        form->OnActivate = nullptr;  // no sound input
        form->Show();
        form->LoadMessageTree();
        for (int quiet = 0; quiet < 3;) {
            PaintCount::Reset();
            Application->ProcessMessages();
            const PaintCount::TCounts c = PaintCount::Counts();
            quiet = c.Paints + c.FramePaints + c.ScreenUpdates == 0 ? quiet + 1 : 0;
        }
        state.PauseTiming();
        delete form;
        Application->ProcessMessages();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartAndSettle)->Arg(0)->Arg(36500)->Arg(100000)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// A message of a day in the middle of the archive (the clock says so), saved and shown while the
// user's focus rests on a message.
void BM_SaveLiveIntoArchive(benchmark::State& state)
{
    ArchiveFolder folder(100000);
    ShownForm shown;
    TRxForm* form = shown.form;
    form->LoadMessageTree();
    TExTreeItem* day = form->TreeView1->Items()->RootItem(500);
    form->TreeView1->SetFocused(day->Items(0));
    int second = 0;
    SetLocalTimeSource([&] {
        Word y, m, d;
        DecodeDate(EncodeDate(2006, 1, 1) + 400, y, m, d);
        return TSystemTime{y, m, 0, d, 12, static_cast<Word>(second / 60 % 60), static_cast<Word>(second % 60), 0};
    });
    for (auto _ : state) {
        ++second;
        form->SaveMessage("ZCZC LIVE\r\nNNNN\r\n");
    }
    SetLocalTimeSource({});
    state.counters["share_%"] = benchmark::Counter(0.18576 / 100.0, benchmark::Counter::kIsIterationInvariantRate |
                                                                        benchmark::Counter::kInvert);
}
BENCHMARK(BM_SaveLiveIntoArchive)->Unit(benchmark::kMillisecond);

}  // namespace

// A 50 MB message shown in the viewer: read, loaded into the memo and laid out in the background.
void BM_ShowLargeMessage(benchmark::State& state)
{
    ArchiveFolder folder(0);
    {
        std::ofstream out("Messages/070315-061502.TXT", std::ios::binary);
        const std::string line = "ZCZC GALE WARNING SEA AREAS NORTH UTSIRE SOUTH UTSIRE WIND SOUTHWEST 8\r\n";
        for (std::size_t n = 0; n < (std::size_t{50} << 20); n += line.size()) out << line;
    }
    ShownForm shown;
    TRxForm* form = shown.form;
    for (auto _ : state) {
        form->ShowMessageFile("15 Mar 07", "06:15:02");
        Application->ProcessMessages();
        benchmark::DoNotOptimize(form->MessageMemo->TextLen());
    }
}
BENCHMARK(BM_ShowLargeMessage)->Unit(benchmark::kMillisecond)->Iterations(3);
