// Appending one byte at a time at the end of a memo, as the receive window does for every decoded
// character (caret to the end, the byte inserted, the user's selection put back). The cost of an
// append must not depend on how much text the memo already holds.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "memo/Stylememo.h"
#include "platform/Forms.h"
#include "platform/Windows.h"

namespace {

// Text of the given length: lines of 69 characters (a teleprinter line) or one paragraph.
std::string Filler(int length, bool lines)
{
    std::string t;
    while (static_cast<int>(t.size()) < length) {
        if (lines && t.size() % 71 == 69)
            t += "\r\n";
        else
            t += static_cast<char>('A' + t.size() % 26);
    }
    t.resize(static_cast<size_t>(length));
    return t;
}

void AppendByte(benchmark::State& state, bool lines)
{
    TStyleMemo m(nullptr);
    m.setReadOnly(true);
    m.Lines()->SetText(Filler(static_cast<int>(state.range(0)), lines));
    m.setSelStart(m.TextLen() / 2);
    m.setSelLength(40);  // a selection the user holds in the middle
    const char* bytes[] = {"R", "Y", " ", "Q", "\r\n"};
    size_t k = 0;
    for (auto _ : state) {
        const Integer s = m.SelStart();
        const Integer n = m.SelLength();
        m.setSelStart(m.TextLen());
        m.setSelLength(0);
        m.setSelText(lines ? bytes[k++ % 5] : bytes[k++ % 4]);
        m.setSelStart(s);
        m.setSelLength(n);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_AppendToLines(benchmark::State& state) { AppendByte(state, true); }
void BM_AppendToOneParagraph(benchmark::State& state) { AppendByte(state, false); }

// The receive window's whole per-byte work: while the text is trimmed from above 25000 characters
// back to below 20000, each byte also moves the first display line out.
void BM_ReceiveWithTrim(benchmark::State& state)
{
    TStyleMemo m(nullptr);
    m.setReadOnly(true);
    m.Lines()->SetText(Filler(25001, true));
    std::string history;
    bool trimming = false;
    size_t k = 0;
    for (auto _ : state) {
        const Integer len = m.TextLen();
        if (len > 25000) trimming = true;
        if (trimming) {
            if (len < 20000) {
                trimming = false;
            } else {
                history += m.Lines()->Get(0);
                m.Lines()->Delete(0);
            }
        }
        if (history.size() > 1000000) history.clear();
        m.setSelStart(m.TextLen());
        m.setSelLength(0);
        m.setSelText(k++ % 70 == 69 ? "\r\n" : "E");
    }
    state.SetItemsProcessed(state.iterations());
}

// A memo on a shown form (the offscreen platform when there is no display), formatted in the
// background as the receive window is.
struct Shown {
    TForm* form = nullptr;
    TStyleMemo* memo = nullptr;
    Shown()
    {
        if (std::getenv("DISPLAY") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 0);
        Application->Initialize();
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 660, 520);
        form->AfterConstruction();
        memo = new TStyleMemo(form);
        memo->SetParent(form);
        memo->SetBounds(0, 0, 640, 480);
        memo->setReadOnly(true);
        form->Show();
        Application->ProcessMessages();
    }
    ~Shown() { delete form; }
};

// One byte appended at the end, formatting and painting included.
void BM_AppendShown(benchmark::State& state)
{
    Shown v;
    v.memo->Lines()->SetText(Filler(static_cast<int>(state.range(0)), true));
    v.memo->setSelStart(v.memo->TextLen());
    v.memo->Update();
    size_t k = 0;
    for (auto _ : state) {
        v.memo->setSelStart(v.memo->TextLen());
        v.memo->setSelText(k++ % 70 == 69 ? "\r\n" : "E");
        v.memo->Update();
    }
    state.SetItemsProcessed(state.iterations());
}

// Paragraphs appended one by one at the caret at the end, as the receive window takes lines, until
// the memo holds 100,000: the view follows every append. range(0): the pending messages (paints,
// scrolls, background formatting) are handled after every range(0)-th append; 0 = the memo is not
// shown at all (the twin the shown figures compare with).
void BM_Append100kParagraphs(benchmark::State& state)
{
    const int every = static_cast<int>(state.range(0));
    const int count = 100000;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<Shown> v;
        std::unique_ptr<TStyleMemo> alone;
        TStyleMemo* m = nullptr;
        if (every > 0) {
            v = std::make_unique<Shown>();
            m = v->memo;
        } else {
            if (std::getenv("DISPLAY") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 0);
            Application->Initialize();
            alone = std::make_unique<TStyleMemo>(nullptr);
            m = alone.get();
            m->setReadOnly(true);
        }
        // The receive window's options.
        m->setOptions(pmoWrapCaret | pmoInsertKeyActive | pmoWideOverwriteCaret | pmoNoFineScroll | pmoNoLineSelection);
        Application->ProcessMessages();
        state.ResumeTiming();
        for (int i = 0; i < count; ++i) {
            m->setSelStart(m->TextLen());
            m->setSelText("ZCZC IA42 GALE WARNING WIND NW 8 TO 9 SEA STATE ROUGH\r\n");
            if (every > 0 && i % every == every - 1) Application->ProcessMessages();
        }
        if (every > 0) Application->ProcessMessages();
        state.PauseTiming();
        if (m->ParCount() != count + 1) state.SkipWithError("paragraphs lost");
        v.reset();
        alone.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * count);
    // Seconds per append, printed with its SI prefix (u: microseconds).
    state.counters["per_append"] =
        benchmark::Counter(static_cast<double>(state.iterations() * count), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// A 10 MB text file read into the memo and its first screen painted.
void BM_Load10MBAndShowFirstScreen(benchmark::State& state)
{
    Shown v;
    const std::string text = Filler(10 * 1024 * 1024, true);
    for (auto _ : state) {
        TReadOnlyMemoryStream s(text.data(), static_cast<Int64>(text.size()));
        v.memo->LoadFromStream(&s);
        v.memo->Update();
    }
}

// A page down in a 10 MB text, the new page formatted and painted.
void BM_ScrollPage10MB(benchmark::State& state)
{
    Shown v;
    const std::string text = Filler(10 * 1024 * 1024, true);
    TReadOnlyMemoryStream s(text.data(), static_cast<Int64>(text.size()));
    v.memo->LoadFromStream(&s);
    v.memo->Update();
    for (auto _ : state) {
        v.memo->Perform(WM_VSCROLL, SB_PAGEDOWN, 0);
        v.memo->Update();
    }
}

// Noise as a receive window gets it from a signal without blanks: letters, figures and signs.
std::string Noise(int length)
{
    static const char signs[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-?:().,'=/+";
    std::string t(static_cast<size_t>(length), 'A');
    unsigned r = 12345;
    for (char& c : t) {
        r = r * 1103515245u + 12345u;
        c = signs[(r >> 16) % (sizeof signs - 1)];
    }
    return t;
}

// One line of range(0) bytes without a blank, with word wrap (range(1) = 1) or without, in the
// receive window's font (range(2) = 0) or a fixed-pitch one (1), where a character typed at the
// start moves every break after it.
struct LongLine : Shown {
    explicit LongLine(const benchmark::State& State)
    {
        memo->setReadOnly(false);
        memo->setWordWrap(State.range(1) != 0);
        memo->Font()->SetName(State.range(2) != 0 ? "Courier New" : "MS Sans Serif");
        memo->Font()->SetHeight(-13);
        memo->Font()->SetStyle(State.range(2) != 0 ? 0 : FontStyle(fsBold));
        memo->SetFocus();
        text = Noise(static_cast<int>(State.range(0)));
    }
    void Load()
    {
        TReadOnlyMemoryStream s(text.data(), static_cast<Int64>(text.size()));
        memo->LoadFromStream(&s);
        memo->Update();
    }
    std::string text;
};

// The line read into the memo and its first screen painted (formatting included).
void BM_LongLineLoad(benchmark::State& state)
{
    LongLine v(state);
    for (auto _ : state) v.Load();
}

// A key typed at the line's start: the edit, the line broken again, the caret and the paint.
void BM_LongLineKeyAtStart(benchmark::State& state)
{
    LongLine v(state);
    v.Load();
    v.memo->setSelStart(0);
    v.memo->Update();
    for (auto _ : state) {
        v.memo->Perform(WM_CHAR, 'E', 0);
        v.memo->Update();
    }
}

// The same in the middle of the line, the view on the caret. Either key is one frame's work: the
// lines the screen shows are broken at once, the rest in the background (not measured here).
void BM_LongLineKeyInMiddle(benchmark::State& state)
{
    LongLine v(state);
    v.Load();
    v.memo->setSelStart(v.memo->TextLen() / 2);
    v.memo->ScrollInView();
    v.memo->Update();
    for (auto _ : state) {
        v.memo->Perform(WM_CHAR, 'E', 0);
        v.memo->Update();
    }
}

// A click on the line's last character, with the view on the line's end: the caret placed there and
// the view painted.
void BM_LongLineClickAtEnd(benchmark::State& state)
{
    LongLine v(state);
    v.Load();
    TStyleMemo* m = v.memo;
    m->setSelStart(m->TextLen());
    m->ScrollInView();
    m->Update();
    TStyleNavigator n(m);
    n.SetPos(m->TextLen() - 1);
    const TPoint p = n.GetDisplayPos();
    const LPARAM at = MAKELPARAM(p.X + 1, p.Y + m->RowHeight() / 2);
    for (auto _ : state) {
        m->Perform(WM_LBUTTONDOWN, MK_LBUTTON, at);
        m->Perform(WM_LBUTTONUP, 0, at);
        m->Update();
    }
    if (m->SelStart() != m->TextLen() - 1) state.SkipWithError("the click did not reach the last character");
}

}  // namespace

BENCHMARK(BM_LongLineLoad)
    ->ArgsProduct({{25000, 100000, 200000, 5000000}, {1, 0}, {0, 1}})
    ->ArgNames({"bytes", "wrap", "fixed"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LongLineKeyAtStart)
    ->ArgsProduct({{25000, 100000, 200000, 5000000}, {1, 0}, {0, 1}})
    ->ArgNames({"bytes", "wrap", "fixed"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LongLineKeyInMiddle)
    ->ArgsProduct({{200000, 5000000}, {1}, {0, 1}})
    ->ArgNames({"bytes", "wrap", "fixed"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LongLineClickAtEnd)
    ->ArgsProduct({{25000, 100000, 200000, 5000000}, {1, 0}, {0, 1}})
    ->ArgNames({"bytes", "wrap", "fixed"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AppendShown)->Arg(1000)->Arg(25000);
BENCHMARK(BM_Append100kParagraphs)->ArgName("handled_every")->Arg(0)->Arg(1)->Arg(10)->Arg(100)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load10MBAndShowFirstScreen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollPage10MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AppendToLines)->Arg(1000)->Arg(25000)->Arg(250000);
BENCHMARK(BM_AppendToOneParagraph)->Arg(1000)->Arg(25000)->Arg(250000);
BENCHMARK(BM_ReceiveWithTrim);

