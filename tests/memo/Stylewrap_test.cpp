// Word wrap of lines far longer than the window (a receive window fed noise without blanks): they
// must wrap and scroll as short ones do, however and wherever they are edited. (Re-breaking around
// edits in general is checked against a full reformat by the random test of Stylelazy_test.cpp.)
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "memo/Stylememo.h"
#include "platform/Classes.h"
#include "platform/Forms.h"
#include "platform/Input.h"
#include "platform/Windows.h"
#include "tests/memo/MemoCheck.h"
#include "tests/support/UiTest.h"

using namespace memotest;

namespace {

// Two memos of one size and font on one form: the first is edited, the second gets the first's text
// and is formatted whole.
class Wrap : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->Initialize();
        form = new TForm(nullptr);
        form->SetBounds(20, 20, 700, 500);
        form->AfterConstruction();
        edited = Make(0);
        fresh = Make(220);
        form->Show();
        uitest::Pump();
    }
    void TearDown() override
    {
        delete form;
        uitest::Pump();
    }
    TStyleMemo* Make(int Top)
    {
        auto* m = new TStyleMemo(form);
        m->SetParent(form);
        m->SetBounds(0, Top, 300, 200);
        m->setUpdateMode(umImmediate);
        return m;
    }
    void Both(const std::function<void(TStyleMemo*)>& F)
    {
        F(edited);
        F(fresh);
        uitest::Pump();
    }
    // The lines of every paragraph, as text a failure can show.
    static std::string Layout(TStyleMemo* M)
    {
        std::ostringstream s;
        for (Integer p = 0; p < M->ParCount(); ++p) {
            ParInfo* par = M->ParList()->At(p);
            s << "P" << p << " first " << par->FirstLine << ":";
            for (Integer l = 0; l < par->LineCount; ++l) {
                const LineInfo* li = ParLineAt(par, l);
                s << " [" << li->Start << "," << li->Stop << " tw" << li->TextWidth << " w" << li->Width << " b" << li->Blanks
                  << " j" << li->JustifyFrom << " s" << int(li->StartStyle) << " d" << li->StartDyn << "]";
            }
            s << "\n";
        }
        return s.str();
    }
    ::testing::AssertionResult SameAsFresh()
    {
        TMemoryStream text;
        edited->SaveToStream(&text);
        text.SetPosition(0);
        fresh->LoadFromStream(&text);
        fresh->FormatNow(0, fresh->ParCount() - 1, true);
        const std::string a = Layout(edited);
        const std::string b = Layout(fresh);
        if (a != b) return ::testing::AssertionFailure() << "after edits:\n" << a << "formatted whole:\n" << b;
        if (edited->LineCount() != fresh->LineCount()) return ::testing::AssertionFailure() << "line count";
        return ::testing::AssertionSuccess();
    }
    TForm* form = nullptr;
    TStyleMemo* edited = nullptr;
    TStyleMemo* fresh = nullptr;
};

// Noise without blanks, as a receive window gets it: letters, figures and signs.
std::string Noise(size_t Length, unsigned Seed)
{
    static const char signs[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-?:().,'=/+";
    std::mt19937 r(Seed);
    std::string t(Length, 'A');
    for (char& c : t) c = signs[r() % (sizeof signs - 1)];
    return t;
}

// Each byte's width measured alone in the memo's plain font: the reference the tests build lines
// and positions from.
std::vector<Integer> CharWidthsOf(TStyleMemo* M, TExtFontStyles Style = 0)
{
    LOGFONT lf;
    M->SetupLogFontStyle(lf, M->AttrToExtFontStyles(Style, 0));
    HFONT f = CreateFontIndirect(&lf);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, f);
    std::vector<Integer> w(256);
    for (int c = 0; c < 256; ++c) {
        const char ch = static_cast<char>(c);
        SIZE sz{};
        GetTextExtentPoint32(dc, &ch, 1, &sz);
        w[static_cast<size_t>(c)] = sz.cx;
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(f);
    return w;
}

class LongRuns : public Wrap, public ::testing::WithParamInterface<const char*> {};

// A word far wider than the window is cut where its characters, added one by one, reach the
// line's width (a character that fits exactly stays), however long the word and wherever it was
// edited; the word before it keeps its own line.
TEST_P(LongRuns, WrapAsTheirCharactersAddUp)
{
    Both([&](TStyleMemo* m) { m->Font()->SetName(GetParam()); });
    const std::vector<Integer> w = CharWidthsOf(edited);
    const std::string run = Noise(6000, 1);
    edited->setSelText("start " + run);
    // Measured with the vertical scroll bar the long text brings.
    Integer maxW = edited->ClientWidth() - edited->LeftMargin() - edited->RightMargin();
    // A word that fits is a line; a wider one is cut where its characters reach the width.
    auto cut = [&](const std::string& Word, std::vector<std::string>& Lines) {
        Integer width = 0;
        for (const char c : Word) width += w[static_cast<unsigned char>(c)];
        if (width <= maxW) {
            Lines.push_back(Word);
            return;
        }
        for (size_t at = 0; at < Word.size();) {
            Integer x = 0;
            size_t n = 0;
            while (at + n < Word.size() && x < maxW) x += w[static_cast<unsigned char>(Word[at + n++])];
            if (n > 1 && x > maxW) --n;
            Lines.push_back(Word.substr(at, n));
            at += n;
        }
    };
    auto expected = [&](const std::string& Word) {
        std::vector<std::string> lines;
        cut("start", lines);
        lines.back() += " ";
        cut(Word, lines);
        return lines;
    };
    auto lines = [&]() {
        std::vector<std::string> r;
        for (Integer i = 0; i < edited->LineCount(); ++i) r.push_back(edited->Lines(i));
        return r;
    };
    EXPECT_EQ(lines(), expected(run));
    // Typed at the word's start, in its middle and at its end, and one taken away again.
    std::string word = run;
    for (const size_t at : {size_t(0), size_t(3000), size_t(6001)}) {
        edited->setSelStart(static_cast<Integer>(6 + at));
        edited->setSelText("W");
        word.insert(at, "W");
        ASSERT_EQ(lines(), expected(word)) << "typed at " << at;
    }
    Select(*edited, 6 + 1500, 1);
    edited->ClearSelection();
    word.erase(1500, 1);
    EXPECT_EQ(lines(), expected(word));
    EXPECT_TRUE(SameAsFresh());
    EXPECT_TRUE(DeepCheck(*edited));
    // A width that a fixed-pitch line fills exactly: no character is sent to the next line.
    const Integer cw = w['A'];
    if (w['W'] == cw && w['1'] == cw) {
        edited->SetWidth(edited->Width() + (cw - maxW % cw) % cw + 3 * cw);
        uitest::Pump();
        maxW = edited->ClientWidth() - edited->LeftMargin() - edited->RightMargin();
        ASSERT_EQ(maxW % cw, 0);
        EXPECT_EQ(lines(), expected(word));
        EXPECT_EQ(static_cast<Integer>(edited->Lines(1).size()), maxW / cw);
    }
    // A window hardly wider than a character: one or two to a line, never none.
    edited->SetWidth(edited->Width() - maxW + w['M'] + w['M'] / 2);
    uitest::Pump();
    maxW = edited->ClientWidth() - edited->LeftMargin() - edited->RightMargin();
    ASSERT_LT(maxW, 2 * w['M']);
    EXPECT_EQ(lines(), expected(word));
}

// A word wider than the line that turns bold inside: the cut adds up its plain characters in the
// plain font and the rest in bold, also after the word was first measured to its bold part.
TEST_F(Wrap, AWideWordIsCutInTheFontsOfItsParts)
{
    edited->Font()->SetName("DejaVu Sans");
    const std::vector<Integer> plain = CharWidthsOf(edited);
    const std::vector<Integer> bold = CharWidthsOf(edited, 1u << xfsBold);
    ASSERT_NE(plain['W'], bold['W']);
    const std::string word = std::string(15, 'W') + "\x02" + std::string(60, 'W');
    edited->setSelText("ab " + word);
    const Integer maxW = edited->ClientWidth() - edited->LeftMargin() - edited->RightMargin();
    ASSERT_GT(maxW, 15 * plain['W'] + 2 * bold['W']);
    Integer x = 0;
    size_t n = 0;
    while (n < word.size() && x < maxW) {
        x += n < 15 ? plain['W'] : n == 15 ? 0 : bold['W'];
        ++n;
    }
    if (x > maxW) --n;
    ASSERT_GE(edited->LineCount(), 3);
    EXPECT_EQ(edited->Lines(0), "ab ");
    EXPECT_EQ(edited->Lines(1), word.substr(0, n));
}

// Without word wrap the same word is one line; every place in it is where its characters add up
// to, a click there puts the caret there, and it is painted as a short run would be.
TEST_P(LongRuns, PositionsAndPixelsWithoutWrap)
{
    Both([&](TStyleMemo* m) {
        m->Font()->SetName(GetParam());
        m->setWordWrap(false);
        m->setScrollBars(ssBoth);
    });
    const std::vector<Integer> w = CharWidthsOf(edited);
    const std::string run = Noise(4096, 2);
    // The second line's run starts after a word, not at the paragraph's start.
    const std::string run2 = "ab " + Noise(4096, 3);
    edited->setSelText(run + " end\r\n" + run2);
    fresh->setSelText(run.substr(0, 80));
    edited->setDisplayLeft(0);
    fresh->setDisplayLeft(0);
    uitest::Pump();
    ASSERT_EQ(edited->LineCount(), 2);
    auto sums = [&](const std::string& Run, const std::vector<Integer>& Widths) {
        std::vector<Integer> r(Run.size() + 1);
        for (size_t k = 0; k < Run.size(); ++k) r[k + 1] = r[k] + Widths[static_cast<unsigned char>(Run[k])];
        return r;
    };
    const std::vector<Integer> at = sums(run, w);
    const std::vector<Integer> at2 = sums(run2, w);
    EXPECT_GE(edited->WidestWidth(), at[4096]);
    ParInfo* par = edited->ParList()->At(0);
    for (const Integer k : {0, 1, 700, 1023, 1024, 1025, 2047, 4095, 4096}) {
        const Integer x = edited->ColPos(par, 0, k, 0);
        EXPECT_EQ(x, edited->LeftMargin() + at[static_cast<size_t>(k)]) << k;
        EXPECT_EQ(edited->ColNb(par, 0, 0, x, false), k) << k;
    }
    // The first screen shows what the short line shows.
    edited->Update();
    fresh->Update();
    HDC a = GetDC(edited->Handle());
    HDC b = GetDC(fresh->Handle());
    Integer differ = 0;
    for (int y = 0; y < edited->RowHeight(); ++y)
        for (int x = 0; x < edited->ClientWidth(); ++x) differ += GetPixel(a, x, y) != GetPixel(b, x, y) ? 1 : 0;
    ReleaseDC(edited->Handle(), a);
    ReleaseDC(fresh->Handle(), b);
    EXPECT_EQ(differ, 0);
    // Far to the right: the run's end and what follows it look as the same text does on its
    // own, and a click lands on the character border under the mouse.
    fresh->Clear();
    fresh->setSelText(run.substr(4000) + " end");
    fresh->setDisplayLeft(0);
    edited->setDisplayLeft(at[4000]);
    edited->Update();
    fresh->Update();
    a = GetDC(edited->Handle());
    b = GetDC(fresh->Handle());
    differ = 0;
    for (int y = 0; y < edited->RowHeight(); ++y)
        for (int x = edited->LeftMargin(); x < edited->ClientWidth(); ++x) differ += GetPixel(a, x, y) != GetPixel(b, x, y) ? 1 : 0;
    ReleaseDC(edited->Handle(), a);
    ReleaseDC(fresh->Handle(), b);
    EXPECT_EQ(differ, 0);
    edited->setDisplayLeft(at[3900] - 40);
    edited->Update();
    const Integer x = edited->ColPos(par, 0, 3903, 0);
    EXPECT_EQ(x, edited->LeftMargin() + 40 + at[3903] - at[3900]);
    Input::Click(edited, x, edited->RowHeight() / 2);
    EXPECT_EQ(edited->SelStart(), 3903);
    EXPECT_EQ(edited->CaretXY().X, x);
    // A block over both long lines takes, on each, the characters between its edges.
    edited->SelectBlock(1500, 0, 1, 1510);
    auto upTo = [](const std::vector<Integer>& At, Integer Edge) {
        return static_cast<Integer>(std::upper_bound(At.begin(), At.end(), Edge) - At.begin()) - 1;
    };
    const Integer e1 = at[1500];
    const Integer e2 = at2[1510];
    EXPECT_EQ(edited->SelText(), run.substr(1500, static_cast<size_t>(upTo(at, e2) - 1500)) + "\r\n" +
                                     run2.substr(static_cast<size_t>(upTo(at2, e1)), static_cast<size_t>(1510 - upTo(at2, e1))) + "\r\n");
    // The second half of the first run in bold: each half is measured with its own font.
    edited->setSelStart(0);
    edited->SetDynStyle(2048, 4096, FontStyle(fsBold), false, 0, 0, -1, -1);
    edited->setDisplayLeft(0);
    const std::vector<Integer> bold = sums(run.substr(2048), CharWidthsOf(edited, 1u << xfsBold));
    EXPECT_EQ(edited->ColPos(par, 0, 4096, 0), edited->LeftMargin() + at[2048] + bold.back());
    EXPECT_EQ(edited->ColPos(par, 0, 3000, 0), edited->LeftMargin() + at[2048] + bold[952]);
    EXPECT_EQ(edited->ColNb(par, 0, 0, edited->LeftMargin() + at[2048] + bold[952], false), 3000);
}

INSTANTIATE_TEST_SUITE_P(Memo, LongRuns, ::testing::Values("DejaVu Sans", "DejaVu Sans Mono"),
                         [](const ::testing::TestParamInfo<const char*>& i) {
                             return std::string(std::string(i.param).find("Mono") != std::string::npos ? "Fixed" : "Proportional");
                         });

}  // namespace
