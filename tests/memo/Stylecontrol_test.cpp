// The memo as a control: word wrap measured with the painter's fonts, the view seam, scroll ranges
// and messages, caret placement, properties and their streaming.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "memo/Stylememo.h"
#include "memo/Stylestrings.h"
#include "platform/Filer.h"
#include "platform/Forms.h"
#include "platform/Windows.h"
#include "tests/memo/MemoCheck.h"
#include "tests/memo/MemoForm.h"
#include "tests/support/UiTest.h"

using namespace memotest;

namespace {

TEST_F(Control, ShowsText)
{
    memo->setSelText("Hello world, this is a memo that wraps its text at the window width.\r\nSecond");
    Paint();
    EXPECT_TRUE(DeepCheck(*memo));
    EXPECT_GT(memo->LineCount(), 2);
    uitest::SaveSnapshot(memo, "memo_smoke");
}

}  // namespace

namespace {

std::vector<std::string> DisplayLines(TStyleMemo* m)
{
    std::vector<std::string> r;
    for (Integer i = 0; i < m->LineCount(); ++i) r.push_back(m->Lines(i));
    return r;
}

}  // namespace

// Greedy word wrap against a reference that measures words and blanks with the same function.
TEST_F(Control, WordWrapAtSeveralWidths)
{
    const std::string text = "The quick brown fox jumps over the lazy dog while seven wizards quietly hex "
                             "a jovial frog near the old mill by the river";
    memo->setSelText(text);
    const Integer blank = Measure(memo, "  ") - Measure(memo, " ");
    for (const Integer width : {120, 170, 233, 300}) {
        memo->SetWidth(width);
        memo->Perform(WM_SIZE, 0, 0);
        uitest::Pump();
        const Integer max = memo->ClientWidth() - memo->LeftMargin() - memo->RightMargin();
        // The reference: words are added while the line's width stays within the maximum.
        std::vector<std::string> expect;
        std::string line;
        Integer x = 0;
        size_t at = 0;
        while (at < text.size()) {
            size_t end = text.find(' ', at);
            if (end == std::string::npos) end = text.size();
            const std::string word = text.substr(at, end - at);
            const Integer w = Measure(memo, word);
            if (!line.empty() && x + blank + w > max) {
                expect.push_back(line + " ");
                line.clear();
                x = 0;
            }
            x += (line.empty() ? 0 : blank) + w;
            line += (line.empty() ? "" : " ") + word;
            at = end + 1;
        }
        expect.push_back(line);
        EXPECT_EQ(DisplayLines(memo), expect) << "width " << width;
        EXPECT_TRUE(DeepCheck(*memo));
    }
}

// What a person sees at the edges: a word wider than the window is cut inside it but never before
// its first character, the blanks at a wrap end the line before, an empty paragraph is one line,
// without word wrap a paragraph is one line however long.
TEST_F(Control, WrapEdges)
{
    memo->SetWidth(100);
    memo->Perform(WM_SIZE, 0, 0);
    memo->setSelText("abcdefghijklmnopqrstuvwxyzabcdefghijkl\r\n\r\nab   cd");
    const std::vector<std::string> lines = DisplayLines(memo);
    ASSERT_GE(lines.size(), 4u);
    std::string joined;
    size_t i = 0;
    for (; joined.size() < 38; ++i) {
        EXPECT_FALSE(lines[i].empty());
        EXPECT_LE(Measure(memo, lines[i]), memo->ClientWidth() - 16) << lines[i];
        joined += lines[i];
    }
    EXPECT_EQ(joined, "abcdefghijklmnopqrstuvwxyzabcdefghijkl");
    EXPECT_EQ(lines[i], "");  // the empty paragraph
    memo->SetWidth(60);
    memo->Perform(WM_SIZE, 0, 0);
    for (const std::string& l : DisplayLines(memo)) EXPECT_NE(l.substr(0, 1), " ") << l;
    memo->setWordWrap(false);
    EXPECT_EQ(memo->LineCount(), 3);
}

namespace {

// A view that records what the model tells it.
class RecordingMemo : public TStyleMemo {
public:
    RecordingMemo() : TStyleMemo(nullptr) {}
    struct Change {
        Integer First, Last, Delta;
        bool operator==(const Change&) const = default;
    };
    std::vector<Change> Changes;
    int ScrollRequests = 0;
    void LinesChanged(Integer FirstLine, Integer LastLine, Integer Delta) override
    {
        Changes.push_back({FirstLine, LastLine, Delta});
        TStyleMemo::LinesChanged(FirstLine, LastLine, Delta);
    }
    void ScrollInView() override { ++ScrollRequests; }
};

}  // namespace

// The range the model reports after each kind of edit: lines numbered after the change.
TEST(ViewSeam, ChangedRangeOfAppendInsertDeleteAndStyle)
{
    struct Case {
        const char* what;
        std::function<void(TStyleMemo&)> edit;
        RecordingMemo::Change expect;
    };
    const Case cases[] = {
        {"append", [](TStyleMemo& m) { m.setSelStart(m.TextLen()); m.setSelText("x"); }, {2, 2, 0}},
        {"append a break", [](TStyleMemo& m) { m.setSelStart(m.TextLen()); m.setSelText("\r\nx"); }, {2, 3, 1}},
        {"insert", [](TStyleMemo& m) { m.setSelStart(5); m.setSelText("y"); }, {1, 1, 0}},
        {"delete a break", [](TStyleMemo& m) { Select(m, 2, 2); m.ClearSelection(); }, {0, 0, -1}},
        {"delete two paragraphs", [](TStyleMemo& m) { Select(m, 1, 7); m.ClearSelection(); }, {0, 0, -2}},
        {"bold", [](TStyleMemo& m) { Select(m, 4, 2); m.SetBold(); }, {1, 1, 0}},
        {"dynamic style", [](TStyleMemo& m) { m.SetDynStyle(5, 9, FontStyle(fsItalic), false, 0, 0, -1, -1); }, {1, 2, 0}},
    };
    for (const Case& c : cases) {
        RecordingMemo m;
        m.setSelText("aa\r\nbb\r\ncc");
        m.Changes.clear();
        m.ScrollRequests = 0;
        c.edit(m);
        ASSERT_FALSE(m.Changes.empty()) << c.what;
        EXPECT_EQ(m.Changes.back(), c.expect) << c.what << ": " << m.Changes.back().First << ".."
                                              << m.Changes.back().Last << " " << m.Changes.back().Delta;
        EXPECT_TRUE(DeepCheck(m)) << c.what;
    }
    RecordingMemo m;
    m.setSelText("a");
    EXPECT_EQ(m.ScrollRequests, 1);  // an edit asks once for the caret to be seen
    m.Lines()->BeginUpdate();
    m.setSelText("b");
    m.setSelText("c");
    EXPECT_EQ(m.ScrollRequests, 1);  // none inside an update
    m.Lines()->EndUpdate();
}


TEST_F(Control, ScrollRangesAndVScrollArithmetic)
{
    std::string text;
    for (int i = 0; i < 100; ++i) text += "line " + std::to_string(i) + "\r\n";
    memo->setSelText(text);
    memo->setSelStart(0);
    memo->setTopLine(0);
    uitest::Pump();
    const Integer h = memo->RowHeight();
    const Integer ch = memo->ClientHeight();
    const Integer visible = memo->VisibleLines();
    EXPECT_EQ(visible, ch / h + 1);
    EXPECT_EQ(memo->VScrollUnit(), 1);
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    GetScrollInfo(memo->Handle(), SB_VERT, &si);
    EXPECT_EQ(si.nMax, std::max(101 * h, ch - h - 1));
    EXPECT_EQ(static_cast<Integer>(si.nPage), ch - h);

    struct Step {
        int code;
        int pos;
        Integer topOrigin;  // expected after the message
    };
    const Step steps[] = {
        {SB_LINEDOWN, 0, h},
        {SB_PAGEDOWN, 0, (1 + visible - 1) * h},
        {SB_THUMBTRACK, 35, 35},
        {SB_LINEUP, 0, (35 / h) * h},  // a partly shown top line: to its start
        {SB_LINEUP, 0, (35 / h - 1) * h},
        {SB_THUMBTRACK, 40 * h, 40 * h},
        {SB_PAGEUP, 0, (40 - visible + 2) * h},
        {SB_PAGEDOWN, 0, std::min(40 - visible + 2 + visible - 1, 101 - visible + 2) * h},
        {SB_THUMBTRACK, 90 * h, 90 * h},
        {SB_PAGEDOWN, 0, std::min(90 + visible - 1, 101 - visible + 2) * h},  // clamped to the end
        {SB_ENDSCROLL, 0, (101 - visible + 2) * h},
    };
    for (const Step& s : steps) {
        memo->Perform(WM_VSCROLL, MAKEWPARAM(s.code, s.pos), 0);
        EXPECT_EQ(memo->TopOrigin(), s.topOrigin) << s.code << " " << s.pos;
        EXPECT_EQ(memo->TopLine(), memo->TopOrigin() / h);
    }
    memo->setOptions(memo->Options() | pmoNoFineScroll);
    memo->Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 3 * h + h / 2 + 1), 0);
    EXPECT_EQ(memo->TopOrigin(), 4 * h);  // whole lines only, rounded

    // A text taller than 32760 pixels scrolls in units of more than a pixel.
    text.clear();
    for (int i = 0; i < 40000 / h + 10; ++i) text += "x\r\n";
    memo->SelectAll();
    memo->setSelText(text);
    EXPECT_EQ(memo->VScrollUnit(), memo->LineCount() * h / 32760 + 1);
    EXPECT_GT(memo->VScrollUnit(), 1);
    memo->setOptions(memo->Options() & ~pmoNoFineScroll);
    memo->Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 100), 0);
    EXPECT_EQ(memo->TopOrigin(), 100 * memo->VScrollUnit());
}

TEST_F(Control, CaretFollowsEveryKindOfMove)
{
    memo->setSelText("alpha beta gamma delta epsilon zeta eta theta iota kappa lambda\r\nmu nu");
    const Integer h = memo->RowHeight();
    auto expectCaretAt = [&](const char* what) {
        TStyleNavigator* a = memo->Anchor();
        const Integer x = memo->ColPos(nullptr, a->GetParNb(), a->GetColNb(), a->GetParLine());
        EXPECT_EQ(memo->CaretXY().X, x) << what;
        EXPECT_EQ(memo->CaretXY().Y, (a->GetLineNb() - memo->TopLine()) * h - memo->TopOrigin() % h) << what;
    };
    memo->setSelStart(6);
    EXPECT_EQ(memo->CaretXY().X, memo->LeftMargin() + Measure(memo, "alpha "));
    EXPECT_EQ(memo->CaretXY().Y, 0);
    expectCaretAt("start");
    memo->setSelStart(memo->TextLen());
    expectCaretAt("end");
    memo->setSelLine(1);
    EXPECT_EQ(memo->CaretXY().X, memo->LeftMargin());  // a wrapped line starts at the margin
    expectCaretAt("line");
    memo->setSelCol(3);
    expectCaretAt("column");
    memo->SelectAll();
    expectCaretAt("all");
    memo->setSelStart(0);
    EXPECT_TRUE(memo->FindTxt("zeta", true, true, false));
    expectCaretAt("found");
    const Integer y = memo->CaretXY().Y;
    memo->setTopLine(1);
    EXPECT_EQ(memo->CaretXY().Y, y - h);  // the view moved, the caret with it
    memo->setTopLine(0);
    // Typing at the end of a long text keeps the caret in view.
    memo->setSelStart(memo->TextLen());
    for (int i = 0; i < 30; ++i) memo->setSelText("\r\nmore");
    EXPECT_GE(memo->CaretXY().Y, 0);
    EXPECT_LE(memo->CaretXY().Y + h, memo->ClientHeight());
    expectCaretAt("typed");
}

TEST(StringsProperty, WrittenAndReadBack)
{
    auto roundTrip = [](TStyleMemo& from, TStyleMemo& to) {
        TMemoryStream s;
        TWriter w(&s);
        static_cast<TStyleMemoStrings*>(from.Lines())->DefineProperties(&w);
        const Int64 size = s.Size();
        s.SetPosition(0);
        TReader r(&s);
        static_cast<TStyleMemoStrings*>(to.Lines())->DefineProperties(&r);
        return size;
    };
    const std::vector<std::vector<std::string>> cases = {
        {"A", "", "B"},
        {"", "x"},
        {std::string(254, 'a'), std::string(255, 'b'), std::string(256, 'c'), std::string(600, 'd')},
        {"a\tb c"},
    };
    for (const auto& pars : cases) {
        TStyleMemo a(nullptr);
        std::string text;
        for (size_t i = 0; i < pars.size(); ++i) text += (i ? "\r\n" : "") + pars[i];
        a.setSelText(text);
        TStyleMemo b(nullptr);
        b.setSelText("old");
        roundTrip(a, b);
        EXPECT_EQ(Pars(b), pars);
        EXPECT_TRUE(DeepCheck(b));
    }
    TStyleMemo empty(nullptr);
    TStyleMemo other(nullptr);
    other.setSelText("kept");
    EXPECT_EQ(roundTrip(empty, other), 0);  // an empty memo stores nothing
    EXPECT_EQ(Text(other), "kept");
}

// Background formatting runs in posted slices: one message however often a reformat is asked for,
// and every paragraph is formatted once the messages have run.
TEST_F(Control, BackgroundFormattingInPostedSlices)
{
    std::string text;
    for (int i = 0; i < 3000; ++i) text += "word after word after word after word after word after word\r\n";
    memo->setUpdateMode(umBackground);
    int progress = 0;
    memo->OnProgress = [&](TObject*) { progress = memo->Progress(); };
    memo->Lines()->SetText(text);
    memo->Reformat();
    memo->Reformat();
    memo->setSelStart(static_cast<Integer>(text.size()) / 1000);  // in the fourth paragraph
    EXPECT_TRUE(memo->BackgroundPosted());
    EXPECT_GT(memo->LineCount(), 3000);  // the first screen is broken at once, the rest still one line each
    EXPECT_TRUE(uitest::PumpUntil([&] { return !memo->BackgroundPosted(); }, 20000));
    EXPECT_EQ(progress, 100);
    // The lines above the caret were broken after it was placed: its row followed them.
    EXPECT_EQ(memo->CaretXY().Y, memo->LinePos(memo->Anchor()->GetLineNb() - memo->TopLine()));
    EXPECT_GT(memo->Anchor()->GetLineNb(), 3);
    bool all = true;
    for (Integer p = 0; p < memo->ParCount(); ++p) all = all && memo->ParList()->At(p)->Formatted;
    EXPECT_TRUE(all);
    EXPECT_EQ(memo->LineCount(), 3000 * memo->ParList()->At(0)->LineCount + 1);
    EXPECT_TRUE(DeepCheck(*memo));
}

// Results of the upper-case cache stay valid when the next request changes the cache.
TEST(UpperCaseCache, TwoResultsHeldAtOnce)
{
    TStyleMemo m(nullptr);
    m.setSelText("abc def\r\nxyz");
    const std::string a = m.GetUpText(nullptr, 0, 4, 3);
    const std::string b = m.GetUpText(nullptr, 0, 0, 3);  // extends the cache at the front
    const std::string c = m.GetUpText(nullptr, 1, 0, 3);  // another paragraph
    EXPECT_EQ(a, "DEF");
    EXPECT_EQ(b, "ABC");
    EXPECT_EQ(c, "XYZ");
    EXPECT_EQ(m.GetUpText(nullptr, 0, 2, 3), "C D");
    m.setSelStart(1);
    m.setSelText("q");  // an edit drops the cached copy
    EXPECT_EQ(m.GetUpText(nullptr, 0, 0, 4), "AQBC");
}

TEST_F(Control, RowsOriginEventsAndCaretWidth)
{
    std::string text;
    for (int i = 0; i < 40; ++i) text += "row\r\n";
    memo->setSelText(text + "plain \2bold\2");
    memo->setLineHeight(16);
    EXPECT_EQ(memo->RowHeight(), 16);
    int vscrolls = 0;
    memo->OnVScroll = [&](TObject*) { ++vscrolls; };
    memo->setTopOrigin(40);
    EXPECT_EQ(memo->LinePos(0), -8);
    EXPECT_EQ(memo->LinePos(1), 8);
    EXPECT_EQ(memo->LineNb(0), 0);
    EXPECT_EQ(memo->LineNb(8), 1);
    EXPECT_EQ(memo->TopLine(), 2);
    vscrolls = 0;
    memo->setTopLine(3);
    EXPECT_EQ(memo->TopOrigin(), 48);
    memo->setTopLine(3);
    EXPECT_EQ(vscrolls, 1);

    int moves = 0;
    int styles = 0;
    memo->OnSelMove = [&](TObject*) { ++moves; };
    memo->OnStyleChange = [&](TObject*) { ++styles; };
    const Integer bold = static_cast<Integer>(memo->TextLen()) - 4;
    memo->setSelStart(bold - 3);
    moves = 0;
    styles = 0;
    memo->setSelStart(bold - 2);  // one character on, still plain
    EXPECT_EQ(moves, 1);
    EXPECT_EQ(styles, 0);
    memo->setSelStart(bold);  // into the bold run
    EXPECT_EQ(moves, 2);
    EXPECT_EQ(styles, 1);

    memo->setCaretWidth(0);
    memo->setLineHeight(13);
    EXPECT_EQ(memo->GetCaretWidth(), 1);
    memo->setLineHeight(28);
    EXPECT_EQ(memo->GetCaretWidth(), 3);
    memo->setLineHeight(0);  // automatic again: from the font
    EXPECT_EQ(memo->LineHeight(), 0);
    EXPECT_NE(memo->RowHeight(), 28);
}

// A navigator's client point and back: every character border of a wrapped text.
TEST_F(Control, DisplayPositionsRoundTrip)
{
    memo->setSelText("one two three four five six seven eight nine ten eleven twelve\r\nlast");
    memo->setTopOrigin(3);
    TStyleNavigator* n = new TStyleNavigator(memo);
    TStyleNavigator* back = new TStyleNavigator(memo);
    for (Integer p = 0; p <= memo->TextLen(); ++p) {
        n->SetPos(p);
        if (n->GetText() == '\n') continue;  // between CR and LF there is no point of its own
        const TPoint at = n->GetDisplayPos();
        back->SetDisplayPos(at);
        // A position at a wrap is the same point as the start of the next line.
        if (back->Pos != p) {
            EXPECT_EQ(back->GetDisplayPos().Y, at.Y) << p;
            EXPECT_EQ(n->GetColNb(), n->GetNavLines()->GetLinesPointer(n->GetParLine())->Stop -
                                         n->GetNavLines()->GetLinesPointer(n->GetParLine())->Start)
                << p;
        }
    }
    back->SetDisplayPos(TPoint{5, memo->ClientHeight() * 10});
    EXPECT_EQ(back->Pos, memo->TextLen());
}

// The constructor's values of the control's properties.
TEST(ControlDefaults, AFreshMemo)
{
    TStyleMemo m(nullptr);
    EXPECT_EQ(m.Width(), 100);
    EXPECT_EQ(m.Height(), 60);
    EXPECT_EQ(m.Cursor(), crIBeam);
    EXPECT_EQ(m.Color(), clWindow);
    EXPECT_FALSE(m.ParentColor());
    EXPECT_TRUE(m.TabStop());
    EXPECT_EQ(m.Options(), 0x805C);
    EXPECT_EQ(m.ScrollBars(), ssVertical);
    EXPECT_EQ(m.BorderStyle(), bsSingle);
    EXPECT_EQ(m.Alignment(), taLeftJustify);
    EXPECT_TRUE(m.HideSelection() && m.WantTabs() && m.WordWrap() && m.ApplyKeyWords() && m.ApplyStartStopKeys());
    EXPECT_TRUE(m.EnableHotKeys() && m.PassOverCodes() && m.ShowEndParSelected() && m.StaticFormat());
    EXPECT_FALSE(m.Justified() || m.DisplayOnly() || m.Overwrite() || m.ReadOnly());
    EXPECT_EQ(m.CaretWidth(), 1);
    EXPECT_EQ(m.LeftMargin(), 8);
    EXPECT_EQ(m.RightMargin(), 8);
    EXPECT_EQ(m.TabStops(), 8);
    EXPECT_EQ(m.MouseWheelFactor(), 3);
    EXPECT_EQ(m.LineHeight(), 0);
    EXPECT_EQ(m.HighlightColor(), clRed);
    EXPECT_EQ(m.HighlightBackgnd(), clWindow);
    EXPECT_EQ(m.SelBackColor(), clHighlight);
    EXPECT_EQ(m.SelTextColor(), clHighlightText);
    EXPECT_EQ(m.EndOfTextMark()->Color(), clRed);
    EXPECT_EQ(m.SpecUnderline()->Color(), clRed);
    EXPECT_EQ(m.UpdateMode(), umBackground);
    EXPECT_EQ(m.UndoMaxLevel(), 256);
    EXPECT_EQ(m.UndoMaxSpace(), 65536);
    EXPECT_EQ(m.LineCount(), 1);
    EXPECT_EQ(m.ControlStyle, static_cast<TControlStyle>(csCaptureMouse | csClickEvents | csDoubleClicks));
    // Setters return at once on an unchanged value; scroll bars come from the two flags.
    m.setScrollBars(ssBoth);
    EXPECT_EQ(m.ScrollBars(), ssBoth);
    m.setScrollBars(ssHorizontal);
    EXPECT_EQ(m.ScrollBars(), ssHorizontal);
    m.setScrollBars(ssNone);
    EXPECT_EQ(m.ScrollBars(), ssNone);
}

// Where a display line starts: alignment, justification to both margins, a word that fits exactly.
TEST_F(Control, AlignmentJustificationAndAnExactFit)
{
    const std::string word = "MMMMMMMMMM";
    const Integer w = Measure(memo, word);
    memo->SetWidth(w + 16 + memo->Width() - memo->ClientWidth());
    memo->setSelText("ab " + word + " cd");
    EXPECT_EQ(memo->Lines(1), word + " ");  // as wide as the line: whole, not cut
    memo->SetWidth(300);
    memo->SelectAll();
    memo->setSelText("one two three four five six seven eight nine ten eleven twelve");
    memo->setSelStart(0);
    const Integer cw = memo->ClientWidth();
    const LineInfo* first = ParLineAt(memo->ParList()->At(0), 0);
    const Integer last = memo->ParList()->At(0)->LineCount - 1;
    const LineInfo* lastLine = ParLineAt(memo->ParList()->At(0), last);
    memo->setAlignment(taRightJustify);
    EXPECT_EQ(memo->ColPos(nullptr, 0, 0, 0), cw - 8 - first->TextWidth);
    memo->setAlignment(taCenter);
    EXPECT_EQ(memo->ColPos(nullptr, 0, 0, last), (8 + cw - 8 - lastLine->TextWidth) / 2);
    memo->setAlignment(taLeftJustify);
    memo->setJustified(true);
    // The first line's last word ends at the right margin; its blanks share the free width, the
    // one-pixel remainders spread from the middle; the last line is not stretched.
    const Integer end = first->Stop - first->Start;
    Integer words = end;
    while (words > 0 && memo->Paragraphs(0)[static_cast<size_t>(words - 1)] == ' ') --words;
    EXPECT_EQ(memo->ColPos(nullptr, 0, words, 0), cw - 8);
    const Integer g = first->Blanks;
    ASSERT_GT(g, 1);
    const Integer free = cw - 16 - first->TextWidth;
    const Integer blank = Measure(memo, "  ") - Measure(memo, " ");
    Integer acc = (free % g) / 2;
    Integer k = 0;
    const std::string text = memo->Paragraphs(0);
    for (Integer i = 0; i < words; ++i) {
        if (text[static_cast<size_t>(i)] != ' ') continue;
        const Integer before = memo->ColPos(nullptr, 0, i, 0);
        const Integer after = memo->ColPos(nullptr, 0, i + 1, 0);
        acc += free % g;
        Integer stretch = blank + free / g;
        if (acc >= g) {
            ++stretch;
            acc -= g;
        }
        EXPECT_EQ(after - before, stretch) << "blank " << k++;
    }
    EXPECT_EQ(memo->ColPos(nullptr, 0, 0, last), 8);
    EXPECT_EQ(memo->ColPos(nullptr, 0, lastLine->Stop - lastLine->Start, last), 8 + lastLine->TextWidth);
    // Justified to the right: the stretched lines fill the width, the last one keeps to the right.
    memo->setAlignment(taRightJustify);
    lastLine = ParLineAt(memo->ParList()->At(0), last);
    EXPECT_EQ(memo->ColPos(nullptr, 0, 0, 0), 8);
    EXPECT_EQ(memo->ColPos(nullptr, 0, words, 0), cw - 8);
    EXPECT_EQ(memo->ColPos(nullptr, 0, 0, last), cw - 8 - lastLine->TextWidth);
}

TEST_F(Control, TabStopsAndWideOverwriteCaret)
{
    memo->setSelText("\tx\r\n");
    const Integer blank = memo->BlankWidth();
    EXPECT_EQ(memo->ColPos(nullptr, 0, 1, 0), 8 + 8 * blank);
    memo->setTabStops(3);
    EXPECT_EQ(memo->TabStops(), 3);
    EXPECT_EQ(memo->ColPos(nullptr, 0, 1, 0), 8 + 3 * blank);
    memo->SelectAll();
    memo->ClearSelection();
    memo->setSelText("aWi");
    EXPECT_EQ(memo->BlankWidth(), Measure(memo, " "));
    EXPECT_EQ(memo->RowHeight(), memo->Canvas()->TextHeight("Wg") + 1);
    memo->setOverwrite(true);
    memo->setSelStart(1);
    EXPECT_EQ(memo->GetCaretWidth(), Measure(memo, "W"));
    memo->setSelStart(2);
    EXPECT_EQ(memo->GetCaretWidth(), Measure(memo, "i"));
    memo->setSelStart(3);  // at the paragraph end: the ordinary width
    EXPECT_EQ(memo->GetCaretWidth(), memo->CaretWidth());
    memo->setOptions(memo->Options() & ~pmoWideOverwriteCaret);
    memo->setSelStart(1);
    EXPECT_EQ(memo->GetCaretWidth(), memo->CaretWidth());
}

namespace {

class Watcher : public TComponent {
public:
    Watcher() : TComponent(nullptr) {}
    std::vector<UINT> Seen;
    TStyleMemo* Memo = nullptr;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override
    {
        if (Operation == static_cast<TOperation>(opMemoMessage) && AComponent == Memo)
            Seen.push_back(Memo->LastMessage().Msg);
        TComponent::Notification(AComponent, Operation);
    }
};

}  // namespace

// Clients see every message; the memo's own messages tell them of caret moves and scrolling.
TEST_F(Control, NotificationClientsAndTheLastMessage)
{
    memo->setSelText("ab\r\ncd\r\nef");
    memo->Perform(WM_USER + 77, 5, 6);
    EXPECT_EQ(memo->LastMessage().Msg, WM_USER + 77u);
    EXPECT_EQ(memo->LastMessage().WParam, 5u);
    {
        Watcher w;
        w.Memo = memo;
        memo->AddNotificationClient(&w);
        memo->setSelStart(1);
        memo->setTopLine(1);
        memo->Perform(WM_USER + 78, 0, 0);
        EXPECT_NE(std::find(w.Seen.begin(), w.Seen.end(), PM_SELMOVED), w.Seen.end());
        EXPECT_NE(std::find(w.Seen.begin(), w.Seen.end(), PM_VSCROLLED), w.Seen.end());
        EXPECT_EQ(w.Seen.back(), WM_USER + 78u);
        memo->RemoveNotificationClient(&w);
        const size_t n = w.Seen.size();
        memo->Perform(WM_USER + 79, 0, 0);
        EXPECT_EQ(w.Seen.size(), n);
    }
    memo->Perform(WM_USER + 80, 0, 0);  // a client that went is never called again
}

// The horizontal bar without word wrap; back to word wrap the view returns to the left edge.
TEST_F(Control, HorizontalScrollingWithoutWordWrap)
{
    memo->setScrollBars(ssBoth);
    memo->setWordWrap(false);
    memo->setSelText(std::string(200, 'w') + "\r\nshort");
    memo->setSelStart(0);
    const Integer cw = memo->ClientWidth();
    const Integer widest = memo->WidestWidth();
    EXPECT_EQ(widest, Measure(memo, std::string(200, 'w')));
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    GetScrollInfo(memo->Handle(), SB_HORZ, &si);
    EXPECT_EQ(static_cast<Integer>(si.nPage), cw - 16);
    EXPECT_EQ(si.nMax, (widest + 16 - cw) + static_cast<Integer>(si.nPage) - 1);
    memo->Perform(WM_HSCROLL, SB_LINERIGHT, 0);
    EXPECT_EQ(memo->DisplayLeft(), cw / 20 + 1);
    memo->Perform(WM_HSCROLL, SB_PAGERIGHT, 0);
    EXPECT_EQ(memo->DisplayLeft(), cw / 20 + 1 + cw - cw / 20);
    memo->Perform(WM_HSCROLL, SB_PAGELEFT, 0);
    EXPECT_EQ(memo->DisplayLeft(), cw / 20 + 1 + cw - cw / 20 + cw / 20 - cw);
    memo->Perform(WM_HSCROLL, SB_LINELEFT, 0);
    EXPECT_EQ(memo->DisplayLeft(), 0);
    memo->Perform(WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 40), 0);
    EXPECT_EQ(memo->DisplayLeft(), 40);
    EXPECT_EQ(memo->ColPos(nullptr, 0, 0, 0), 8 - 40);
    memo->SetWidth(memo->Width() + widest);  // now everything fits: back to the left edge
    EXPECT_EQ(memo->DisplayLeft(), 0);
    memo->SetWidth(300);
    memo->Perform(WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 40), 0);
    memo->setWordWrap(true);
    EXPECT_EQ(memo->DisplayLeft(), 0);
    GetScrollInfo(memo->Handle(), SB_HORZ, &si);
    EXPECT_EQ(si.nMax, static_cast<Integer>(si.nPage) - 1);  // nothing to scroll with word wrap
    // At the end of the text a line down moves no further.
    std::string text;
    for (int i = 0; i < 60; ++i) text += "x\r\n";
    memo->SelectAll();
    memo->setSelText(text);
    const Integer limit = memo->LineCount() - memo->VisibleLines() + 2;
    memo->setTopLine(limit - 1);
    memo->Perform(WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(memo->TopLine(), limit);
    memo->Perform(WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(memo->TopLine(), limit);
}

// Without word wrap, a last line typed past the widest one widens the horizontal range at once.
TEST_F(Control, TypingPastTheWidestLineWidensTheRange)
{
    memo->setScrollBars(ssBoth);
    memo->setWordWrap(false);
    memo->setSelText(std::string(100, 'w') + "\r\nshort");
    const Integer cw = memo->ClientWidth();
    EXPECT_EQ(memo->WidestWidth(), Measure(memo, std::string(100, 'w')));
    memo->setSelStart(memo->TextLen());
    memo->setSelText(std::string(150, 'w'));
    EXPECT_EQ(memo->WidestWidth(), Measure(memo, "short" + std::string(150, 'w')));
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    GetScrollInfo(memo->Handle(), SB_HORZ, &si);
    EXPECT_EQ(si.nMax, (memo->WidestWidth() + 16 - cw) + static_cast<Integer>(si.nPage) - 1);
}

// The scroll bars of text given before the window existed are drawn with the text's first paint,
// not only once the view scrolls.
TEST_F(Control, ScrollBarsOfTextGivenBeforeTheWindowAreDrawnAtOnce)
{
    for (const bool wrap : {false, true}) {
        auto* m = new TStyleMemo(form);
        m->setScrollBars(ssBoth);
        m->setWordWrap(wrap);
        std::string text;
        for (int i = 0; i < 20; ++i) text += std::string(100, 'w') + "\r\n";
        m->setSelText(text);
        m->SetBounds(0, 0, 300, 200);
        m->SetParent(form);
        uitest::Pump(100);
        auto frame = [&]() {
            std::vector<COLORREF> r;
            HDC dc = GetWindowDC(m->Handle());
            TRect wr;
            GetWindowRect(m->Handle(), &wr);
            for (int y = 0; y < wr.Height(); ++y)
                for (int x = 0; x < wr.Width(); ++x)
                    if (x >= wr.Width() - 20 || y >= wr.Height() - 20) r.push_back(GetPixel(dc, x, y));
            ReleaseDC(m->Handle(), dc);
            return r;
        };
        const std::vector<COLORREF> shown = frame();
        SCROLLINFO si;
        si.fMask = SIF_ALL;
        ASSERT_TRUE(GetScrollInfo(m->Handle(), SB_HORZ, &si));
        EXPECT_EQ(si.nMax > static_cast<Integer>(si.nPage), !wrap);
        ASSERT_TRUE(GetScrollInfo(m->Handle(), SB_VERT, &si));
        EXPECT_GT(si.nMax, static_cast<Integer>(si.nPage));
        SendMessage(m->Handle(), WM_NCPAINT, 1, 0);
        EXPECT_EQ(frame(), shown) << (wrap ? "with word wrap" : "without word wrap");
        delete m;
    }
}

TEST(Filer, LongStringsAndForeignProperties)
{
    TMemoryStream s;
    TWriter w(&s);
    w.DefineProperty("Other", nullptr, [](TWriter* W) { W->WriteString(std::string(300, 'o')); }, true);
    w.DefineProperty("Unsaved", nullptr, [](TWriter* W) { W->WriteString("x"); }, false);
    w.DefineProperty("Strings", nullptr, [](TWriter* W) {
        W->WriteListBegin();
        W->WriteString(std::string(70000, 'z'));
        W->WriteString("");
        W->WriteListEnd();
    }, true);
    s.SetPosition(0);
    TReader r(&s);
    std::string other;
    std::vector<std::string> got;
    r.DefineProperty("Strings", [&](TReader*) { got.push_back("wrong order"); }, nullptr, true);  // not next: skipped
    r.DefineProperty("Other", [&](TReader* R) { other = R->ReadString(); }, nullptr, true);
    r.DefineProperty("Strings", [&](TReader* R) {
        R->ReadListBegin();
        while (!R->EndOfList()) got.push_back(R->ReadString());
        R->ReadListEnd();
    }, nullptr, true);
    EXPECT_EQ(other, std::string(300, 'o'));
    EXPECT_EQ(got, (std::vector<std::string>{std::string(70000, 'z'), ""}));
    EXPECT_EQ(s.Position(), s.Size());
}

// Background slices finish a range in the middle of the text, an on-demand memo leaves what is
// out of view unbroken, and a slice that raises leaves no message counted as outstanding.
TEST_F(Control, PendingRangesByUpdateMode)
{
    std::string text;
    for (int i = 0; i < 400; ++i) text += "a line long enough to wrap once in the window of the test\r\n";
    memo->setUpdateMode(umBackground);
    memo->Lines()->SetText(text);
    ASSERT_TRUE(uitest::PumpUntil([&] { return !memo->BackgroundPosted(); }, 20000));
    memo->setTopLine(0);
    memo->setSelStart(0);
    memo->Lines()->BeginUpdate();
    for (int i = 0; i < 300; ++i) memo->setParagraphs(50 + i, "a changed paragraph that wraps in the window of the test too");
    memo->Lines()->EndUpdate();
    EXPECT_TRUE(uitest::PumpUntil([&] { return !memo->BackgroundPosted(); }, 20000));
    // A narrower window: the slices break every paragraph again, a navigator's line with them.
    TStyleNavigator* far = new TStyleNavigator(memo);
    far->SetPos(memo->ParList()->At(380)->StartPos + 50);
    const Integer before = far->GetParLine();
    memo->SetWidth(120);
    EXPECT_TRUE(uitest::PumpUntil([&] { return !memo->BackgroundPosted(); }, 20000));
    EXPECT_GT(far->GetParLine(), before);
    for (Integer p = 0; p < memo->ParCount(); ++p) ASSERT_TRUE(memo->ParList()->At(p)->Formatted) << p;
    EXPECT_TRUE(DeepCheck(*memo));

    memo->setUpdateMode(umOnNeed);
    memo->Reformat();
    memo->setTopLine(0);
    Paint();
    EXPECT_TRUE(memo->ParList()->At(0)->Formatted);
    EXPECT_FALSE(memo->ParList()->At(memo->ParCount() - 2)->Formatted);
    EXPECT_FALSE(memo->BackgroundPosted());
    memo->FormatNow(0, memo->ParCount() - 1, false);
    memo->Lines()->BeginUpdate();
    for (int i = 0; i < 100; ++i) memo->setParagraphs(200 + i, "changed far below the view");
    memo->Lines()->EndUpdate();
    EXPECT_FALSE(memo->ParList()->At(250)->Formatted);  // out of view: broken when it is needed

    memo->setUpdateMode(umBackground);
    memo->OnProgress = [](TObject*) { throw Exception("stop"); };
    memo->Reformat();
    EXPECT_THROW(memo->Perform(PM_UPDATEBKG, 0, 0), Exception);
    EXPECT_FALSE(memo->BackgroundPosted());
    memo->OnProgress = nullptr;
    uitest::Pump();
}

// Dynamic styles set, cleared, captured and put back, and dropped by a new highlighting pass.
TEST(DynamicStyles, SetClearCaptureAndReapply)
{
    TStyleMemo m(nullptr);
    m.setSelText("alpha beta\r\ngamma delta");
    m.SetDynStyle(6, 15, FontStyle(fsBold), true, 7, crHandPoint, clYellow, clRed);
    TStyleNavigator* n = new TStyleNavigator(&m);
    auto attrAt = [&](Integer pos) {
        n->SetPos(pos);
        return static_cast<int>(n->GetpDynInfo()->Attr);
    };
    EXPECT_EQ(attrAt(6), 0);     // the character before the range is plain
    EXPECT_EQ(attrAt(7), 0xC1);  // bold, flagged, and a style of its own
    n->SetPos(7);
    EXPECT_EQ(n->GetContext(), 7);
    EXPECT_EQ(n->GetpDynInfo()->Foregnd, clRed);
    EXPECT_EQ(attrAt(13), 0xC1);  // on into the next paragraph
    EXPECT_EQ(attrAt(15), 0xC1);
    EXPECT_EQ(attrAt(16), 0);  // and back after it
    EXPECT_EQ(m.CurrentStyle() & 1, 0);
    {
        TStyleMemo c(nullptr);
        c.setSelText("alpha beta\r\ngamma delta");
        c.SetDynStyle(6, 15, FontStyle(fsBold), false, 0, 0, -1, -1);
        c.ClearStyle(14);  // in the part the second paragraph's start context carries
        TStyleNavigator* k = new TStyleNavigator(&c);
        k->SetPos(13);
        EXPECT_EQ(k->GetpDynInfo()->Attr, 0);
        k->SetPos(8);
        EXPECT_NE(k->GetpDynInfo()->Attr, 0);  // the first paragraph's part stays
    }
    // A capture put back elsewhere comes back as a plain style: no span flag, no level.
    const std::string capture = m.DynText(6, 16);
    m.setSelStart(0);
    m.SetDynText(0, 0, capture);
    EXPECT_EQ(Text(m).substr(0, 10), "beta\r\ngamm");
    EXPECT_EQ(attrAt(1), 0x81);
    n->SetPos(1);
    EXPECT_EQ(n->GetpDynInfo()->Level, -1);
    EXPECT_EQ(attrAt(11), 0);
    // A captured span keeps its text and attributes but becomes a plain style.
    TStyleMemo span(nullptr);
    span.setSelText("xyz");
    {
        TStyleNavigator s(&span);
        s.SetPos(1);
        DynInfoRec r;
        r.Attr = 0xC1;
        r.Level = 3;
        s.AddDyn(r);
    }
    m.SetDynText(0, 0, span.DynText(0, 3));
    n->SetPos(2);
    EXPECT_EQ(n->GetpDynInfo()->Level, -1);
    EXPECT_EQ(n->GetpDynInfo()->Attr, 0x81);
    m.Undo();
    // Clearing at a position takes the whole style the position is in.
    m.ClearStyle(3);
    EXPECT_EQ(attrAt(1), 0);
    EXPECT_EQ(attrAt(5), 0);
    EXPECT_NE(attrAt(17), 0);  // the other range stays
    m.ReApplyKeywords();
    EXPECT_EQ(attrAt(17), 0);
    for (Integer p = 0; p < m.ParCount(); ++p) EXPECT_EQ(m.ParList()->At(p)->Context, m.ParList()->At(0)->Context);
    EXPECT_TRUE(DeepCheck(m));
}

// A dynamic style is measured with its own font by the formatter and the caret alike, and the
// text after it with the plain font again.
TEST_F(Control, DynamicStylesAreMeasuredWithTheirFont)
{
    memo->setSelText("aaa BBB ccc");
    memo->SetDynStyle(4, 7, FontStyle(fsBold), false, 0, 0, -1, -1);
    memo->FormatNow(0, 0, true);
    const Integer bold = MeasureStyled(memo, 1u << xfsBold, "BBB");
    ASSERT_NE(bold, Measure(memo, "BBB"));
    const Integer blank = Measure(memo, "  ") - Measure(memo, " ");
    EXPECT_EQ(memo->ColPos(nullptr, 0, 7, 0), 8 + Measure(memo, "aaa") + blank + bold);
    EXPECT_EQ(ParLineAt(memo->ParList()->At(0), 0)->TextWidth,
              Measure(memo, "aaa") + blank + bold + blank + Measure(memo, "ccc"));
    // Scrolled to the end, a refresh brings the top line back to the last page.
    std::string text;
    for (int i = 0; i < 50; ++i) text += "x\r\n";
    memo->setSelStart(memo->TextLen());
    memo->setSelText(text);
    memo->setTopLine(memo->LineCount() - 1);
    memo->setLeftMargin(9);
    EXPECT_EQ(memo->TopLine(), memo->LineCount() - memo->VisibleLines() + 1);
}

// Another canvas: the text is broken for its width and drawn there line by line at the pitch asked.
TEST_F(Control, FormatTextAndDrawLinesOnAnotherCanvas)
{
    memo->setSelText("first line of text to print\r\nsecond");
    TBitmap page;
    page.SetSize(400, 200);
    page.Canvas()->Brush()->SetColor(clWhite);
    page.Canvas()->FillRect(TRect{0, 0, 400, 200});
    memo->FormatText(page.Canvas(), 90);
    const Integer lines = memo->LineCount();
    EXPECT_GT(lines, 2) << ::testing::PrintToString(DisplayLines(memo));  // narrower than the window
    memo->DrawLines(0, lines - 1, page.Canvas(), TPoint{10, 5}, 40.0f);
    auto inkRow = [&](int top) {
        for (int y = top; y < top + 14; ++y)
            for (int x = 0; x < 400; ++x)
                if (GetRValue(page.Canvas()->Pixels(x, y)) < 100) return true;
        return false;
    };
    EXPECT_TRUE(inkRow(5));
    EXPECT_TRUE(inkRow(45));
    EXPECT_FALSE(inkRow(25));  // between two lines 40 apart
    page.Canvas()->FillRect(TRect{0, 0, 400, 200});
    memo->DrawLines(0, 1, page.Canvas(), TPoint{10, 100}, 0.0f);  // no pitch: the canvas's line height
    const Integer h = page.Canvas()->TextHeight("Wg") + 1;
    EXPECT_TRUE(inkRow(100));
    EXPECT_TRUE(inkRow(100 + h));
    EXPECT_FALSE(inkRow(100 + 2 * h + 2));
    for (int y = 0; y < 200; ++y) ASSERT_GT(GetRValue(page.Canvas()->Pixels(10 + memo->LeftMargin() - 1, y)), 200);
    memo->FormatText(nullptr, 0);  // back to the window
    EXPECT_LT(memo->LineCount(), lines);
}

// Paragraphs above the caret broken by the first paint move the caret's row with them.
TEST_F(Control, CaretFollowsLinesBrokenByAPaint)
{
    auto* m = new TStyleMemo(form);
    m->setSelText("a first paragraph long enough to be broken into several lines here\r\nsecond one");
    m->setSelStart(m->TextLen());
    m->SetBounds(0, 0, 200, 100);
    m->SetParent(form);
    m->Invalidate();
    m->Update();
    EXPECT_GT(m->Anchor()->GetLineNb(), 1);
    EXPECT_EQ(m->CaretXY().Y, m->LinePos(m->Anchor()->GetLineNb() - m->TopLine()));
}
