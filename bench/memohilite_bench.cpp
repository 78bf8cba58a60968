// Highlighting a 1 MB text with 50 keywords and 5 start/stop pairs from scratch, and one keystroke
// in it, in a memo without a window (the searches alone) and in a shown one (formatting and
// painting included).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>
#include <string>

#include "memo/Stylehilite.h"
#include "memo/Stylememo.h"
#include "platform/Forms.h"

namespace {

const char* const Keywords[50] = {
    "begin",  "end",    "if",     "then",    "else",   "while",  "do",     "for",    "to",     "downto",
    "repeat", "until",  "case",   "of",      "with",   "var",    "const",  "type",   "record", "array",
    "set",    "file",   "class",  "object",  "proc",   "func",   "unit",   "uses",   "and",    "or",
    "not",    "xor",    "div",    "mod",     "shl",    "shr",    "nil",    "true",   "false",  "try",
    "except", "finally", "raise", "inherited", "self", "result", "exit",  "break",  "goto",   "label"};
const char* const Others[] = {"alpha", "beta", "gamma", "count", "index", "value", "x", "y", "=", ":=", ";", "+", "(", ")"};

// Lines of about 60 characters: words, a few keywords, comments of one line and of several, strings.
std::string SourceText(size_t Bytes)
{
    std::mt19937 rng(42);
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    std::string t;
    size_t lineStart = 0;
    while (t.size() < Bytes) {
        const int r = pick(100);
        if (r < 30)
            t += Keywords[pick(50)];
        else if (r < 88)
            t += Others[pick(14)];
        else if (r < 91)
            t += "'c'";
        else if (r < 94)
            t += "\"a string\"";
        else if (r < 96)
            t += "{ note }";
        else if (r < 98)
            t += "// to the line's end";
        else if (r < 99)
            t += "/* a comment\r\nover lines */";
        else
            t += "(* old style *)";
        t += ' ';
        if (t.size() - lineStart > 60) {
            t += "\r\n";
            lineStart = t.size();
        }
    }
    t.resize(Bytes);
    return t;
}

void Configure(TStyleMemo& M)
{
    for (int i = 0; i < 50; ++i) M.Keywords()->AddKeyWord(Keywords[i], woWholeWordsOnly, 1, i + 1, 0, -1, clNavy);
    TStartStopKeyList& s = *M.StartStopKeys();
    s.AddStartStopKey("/*", "*/", 0, 2, 100, 0, -1, clGreen, false);
    s.AddStartStopKey("(*", "*)", 0, 2, 100, 0, -1, clGreen, false);
    s.AddStartStopKey("{", "}", 0, 2, 100, 0, -1, clGreen, false);
    s.AddStartStopKey("//", "", 0, 2, 100, 0, -1, clGreen, true);
    s.AddStartStopKey("\"", "\"", 0, 0, 0, 0, -1, clMaroon, false);
}

const std::string& Text()
{
    static const std::string t = SourceText(1 << 20);
    return t;
}

void BM_Highlight1MB(benchmark::State& state)
{
    TStyleMemo m(nullptr);
    Configure(m);
    m.SetTextBuf(Text().c_str());
    for (auto _ : state) {
        m.ReApplyKeywords();
        m.FormatNow(0, m.ParCount() - 1, false);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(Text().size()));
}

// A character typed in the middle of the highlighted text and taken back again: two keystrokes.
void Keystrokes(benchmark::State& state, TStyleMemo& M, bool Paint)
{
    const Integer at = M.TextLen() / 2;
    for (auto _ : state) {
        M.setSelStart(at);
        M.setSelText("x");
        if (Paint) M.Update();
        M.setSelStart(at);
        M.setSelLength(1);
        M.setSelText("");
        if (Paint) M.Update();
    }
    state.SetItemsProcessed(2 * static_cast<int64_t>(state.iterations()));
}

// Arg 1: with the keywords and keys; 0: the same text without them, what an edit costs anyway.
void BM_Keystroke1MB(benchmark::State& state)
{
    TStyleMemo m(nullptr);
    if (state.range(0) != 0) Configure(m);
    m.SetTextBuf(Text().c_str());
    m.ReApplyKeywords();
    m.FormatNow(0, m.ParCount() - 1, false);
    Keystrokes(state, m, false);
}

void BM_Keystroke1MBShown(benchmark::State& state)
{
    if (std::getenv("DISPLAY") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    Application->Initialize();
    TForm form(nullptr);
    form.SetBounds(0, 0, 660, 520);
    auto* m = new TStyleMemo(&form);
    m->SetParent(&form);
    m->SetBounds(0, 0, 640, 480);
    m->setUpdateMode(umImmediate);
    form.Show();
    Configure(*m);
    m->SetTextBuf(Text().c_str());
    m->ReApplyKeywords();
    m->setSelStart(m->TextLen() / 2);
    m->ScrollInView();
    m->Update();
    Keystrokes(state, *m, true);
}

}  // namespace

BENCHMARK(BM_Highlight1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Keystroke1MB)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Keystroke1MBShown)->Unit(benchmark::kMicrosecond);
