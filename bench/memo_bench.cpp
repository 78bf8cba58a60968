// Appending one byte at a time at the end of a memo, as the receive window does for every decoded
// character (caret to the end, the byte inserted, the user's selection put back). The cost of an
// append must not depend on how much text the memo already holds.
#include <benchmark/benchmark.h>

#include <cstdlib>
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

}  // namespace

BENCHMARK(BM_AppendShown)->Arg(1000)->Arg(25000);
BENCHMARK(BM_Load10MBAndShowFirstScreen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollPage10MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AppendToLines)->Arg(1000)->Arg(25000)->Arg(250000);
BENCHMARK(BM_AppendToOneParagraph)->Arg(1000)->Arg(25000)->Arg(250000);
BENCHMARK(BM_ReceiveWithTrim);
