// Keyword and start/stop-key highlighting: a table of cases, a randomised check of edits against
// a plain reference and against highlighting from scratch, the shared highlighter, and the two
// streamed lists.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <random>
#include <tuple>
#include <string>
#include <vector>

#include "memo/Stylehilite.h"
#include "memo/Stylememo.h"
#include "platform/Filer.h"
#include "platform/Forms.h"
#include "platform/Input.h"
#include "tests/memo/MemoCheck.h"
#include "tests/support/UiTest.h"

using namespace memotest;

namespace {

// The innermost span in force: K<keyword>, S<start/stop entry>, D for a style set from code.
std::string Label(const DynInfoRec& r)
{
    const int l = (r.Attr & 0xC0) == 0xC0 ? r.Level : -1;
    if (l < 0) return (r.Attr & 0x80) != 0 ? "D" : "";
    const int k = r.Keys[l];
    return k < -1 ? "S" + std::to_string(k & 0x7FFF) : "K" + std::to_string(k);
}

// Paragraphs with a label per character, every labelled run written as {label:text}, joined by "|".
std::string Marked(const std::vector<std::string>& Pars, const std::vector<std::vector<std::string>>& Labels)
{
    std::string out;
    for (size_t k = 0; k < Pars.size(); ++k) {
        if (k > 0) out += "|";
        std::string open;
        for (size_t i = 0; i < Pars[k].size(); ++i) {
            if (Labels[k][i] != open) {
                if (!open.empty()) out += "}";
                if (!Labels[k][i].empty()) out += "{" + Labels[k][i] + ":";
                open = Labels[k][i];
            }
            out += Pars[k][i];
        }
        if (!open.empty()) out += "}";
    }
    return out;
}

std::string Render(TStyleMemo& m)
{
    std::vector<std::vector<std::string>> labels;
    for (Integer p = 0; p < m.ParCount(); ++p) {
        const ParInfo* par = m.ParList()->At(p);
        labels.emplace_back();
        Integer d = 0;
        const DynInfoRec* a = par->Context;
        for (Integer i = 0; i < par->Len; ++i) {
            while (d < par->DynCount && par->Dyns[d].Offset <= i) a = &par->Dyns[d++];
            labels.back().push_back(Label(*a));
        }
    }
    return Marked(Pars(m), labels);
}

void Settle(TStyleMemo& m) { m.FormatNow(0, m.ParCount() - 1, false); }

void Highlight(TStyleMemo& m, const std::string& Text)
{
    m.SetTextBuf(Text.c_str());
    m.ReApplyKeywords();
    Settle(m);
}

// The keywords and keys of the table below.
void StandardLists(TStyleMemo& m)
{
    TKeywordList& k = *m.Keywords();
    k.AddKeyWord("for", woWholeWordsOnly, 1, 1, 0, -1, clRed);  // K0
    k.AddKeyWord("Foo", woMatchCase, 0, 2, 0, -1, -1);          // K1
    k.AddKeyWord("zero", 0, 0, 0, 0, -1, -1);                   // K2: context 0, never applied
    k.AddKeyWord("bc", 0, 0, 3, 0, -1, -1);                     // K3
    k.AddKeyWord("ab", 0, 0, 4, 0, -1, -1);                     // K4
    k.AddKeyWord("\x05x", 0, 0, 5, 0, -1, -1);                  // K5
    k.AddKeyWord("@", 0, 0, 6, 0, -1, -1);                      // K6
    TStartStopKeyList& s = *m.StartStopKeys();
    s.AddStartStopKey("/*", "*/", 0, 2, 1, 0, -1, clGreen, false);           // S0
    s.AddStartStopKey("//", "", 0, 2, 1, 0, -1, clGreen, true);              // S1
    s.AddStartStopKey("\"", "\"", 0, 0, 0, 0, -1, clBlue, false);            // S2: context 0
    s.AddStartStopKey("begin", "end", woWholeWordsOnly, 1, 7, 0, -1, -1, false);  // S3
    s.AddStartStopKey("<", ">", 0, 0, 8, 0, -1, -1, false);                     // S4
    s.AddStartStopKey("<", "/>", 0, 0, 8, 0, -1, -1, false);                    // S5: linked to S4
}

struct HiliteCase {
    const char* name;
    const char* text;
    const char* expect;
};

class Highlighting : public ::testing::TestWithParam<HiliteCase> {};

TEST_P(Highlighting, MarksTheRightRuns)
{
    TStyleMemo m(nullptr);
    StandardLists(m);
    Highlight(m, GetParam().text);
    EXPECT_EQ(Render(m), GetParam().expect);
    EXPECT_TRUE(DeepCheck(m));
}

INSTANTIATE_TEST_SUITE_P(
    Table, Highlighting,
    ::testing::Values(
        HiliteCase{"WholeWordsAtBothParagraphEnds", "for fort for", "{K0:for} fort {K0:for}"},
        HiliteCase{"MatchCaseOnlyTheExactCase", "Foo foo FOO", "{K1:Foo} foo FOO"},
        HiliteCase{"ContextZeroNeverApplied", "zero", "zero"},
        HiliteCase{"EarlierKeywordWinsAnOverlap", "abc", "a{K3:bc}"},
        HiliteCase{"AMaskedCharacterIsNoByteFive", "abx", "{K4:ab}x"},
        HiliteCase{"ByteFiveInTheTextMatches", "q\x05x", "q{K5:\x05x}"},
        HiliteCase{"NoKeywordInASpanWithAContext", "/* for */ for", "{S0:/* for */} {K0:for}"},
        HiliteCase{"KeywordInASpanWithoutContext", "\"xbc\"", "{S2:\"x}{K3:bc}{S2:\"}"},
        HiliteCase{"SpanRunsOverParagraphs", "a /* b\r\n\r\nc */ d", "a {S0:/* b}||{S0:c */} d"},
        HiliteCase{"UnclosedSpanRunsToTheEnd", "/* a\r\nb", "{S0:/* a}|{S0:b}"},
        HiliteCase{"EndAtParEndWithEmptyStop", "x // y\r\nz", "x {S1:// y}|z"},
        HiliteCase{"NoStartInsideAnOpenSpan", "/* // */ q", "{S0:/* // */} q"},
        HiliteCase{"StopKeyBeginsAfterTheStartKey", "/*/ */", "{S0:/*/ */}"},
        HiliteCase{"WholeWordStartAndStop", "begin endx end.", "{S3:begin endx end}."},
        HiliteCase{"WholeWordStartInsideAWord", "beginx end", "beginx end"},
        HiliteCase{"LinkedEntriesCloseOneAfterTheOther", "<a> b /> c", "{S4:<a>}{S5: b />} c"},
        HiliteCase{"OneCharacterKeyword", "a@b", "a{K6:@}b"}),
    [](const ::testing::TestParamInfo<HiliteCase>& i) { return std::string(i.param.name); });

// Spans in other memos' text: a plain reference of one block comment, one line comment and one
// keyword that may stand only outside them.
std::string Reference(const std::string& Text, const TStyleMemo::TDelimiters& Delims)
{
    std::vector<std::string> pars(1);
    for (size_t i = 0; i < Text.size(); ++i) {
        if (Text[i] == '\r') {
            pars.emplace_back();
            ++i;
        } else {
            pars.back() += Text[i];
        }
    }
    std::vector<std::vector<std::string>> label;
    bool block = false;
    for (const std::string& p : pars) {
        std::vector<std::string> l(p.size());
        for (size_t i = 0; i < p.size();) {
            if (block) {
                const bool stop = p.compare(i, 2, "*/") == 0;
                l[i] = "S0";
                if (stop) l[i + 1] = "S0";
                i += stop ? 2 : 1;
                block = !stop;
            } else if (p.compare(i, 2, "/*") == 0) {
                l[i] = l[i + 1] = "S0";
                i += 2;
                block = true;
            } else if (p.compare(i, 2, "//") == 0) {
                for (; i < p.size(); ++i) l[i] = "S1";
            } else {
                ++i;
            }
        }
        auto limit = [&](size_t i) { return Delims.test(static_cast<unsigned char>(p[i])); };
        for (size_t q = 0; q + 3 <= p.size();) {
            const bool free = l[q].empty() && l[q + 1].empty() && l[q + 2].empty();
            if (p.compare(q, 3, "for") == 0 && free && (q == 0 || limit(q - 1)) && (q + 3 == p.size() || limit(q + 3))) {
                l[q] = l[q + 1] = l[q + 2] = "K0";
                q += 3;
            } else {
                ++q;
            }
        }
        label.push_back(l);
    }
    return Marked(pars, label);
}

void CommentLists(TStyleMemo& m)
{
    m.Keywords()->AddKeyWord("for", woWholeWordsOnly, 1, 2, 0, -1, clRed);
    m.StartStopKeys()->AddStartStopKey("/*", "*/", 0, 2, 1, 0, -1, clGreen, false);
    m.StartStopKeys()->AddStartStopKey("//", "", 0, 2, 1, 0, -1, clGreen, true);
}

std::vector<DynInfoRec> Records(TStyleMemo& m)
{
    std::vector<DynInfoRec> r;
    for (Integer p = 0; p < m.ParCount(); ++p) {
        const ParInfo* par = m.ParList()->At(p);
        DynInfoRec c = *par->Context;
        c.Offset = -1;
        r.push_back(c);
        r.insert(r.end(), par->Dyns, par->Dyns + par->DynCount);
    }
    return r;
}

bool SameRecords(const std::vector<DynInfoRec>& A, const std::vector<DynInfoRec>& B)
{
    return A.size() == B.size() && std::memcmp(A.data(), B.data(), A.size() * sizeof(DynInfoRec)) == 0;
}

class EditsKeepHighlighting : public ::testing::TestWithParam<unsigned> {};

TEST_P(EditsKeepHighlighting, LikeAReferenceAndLikeAFreshMemo)
{
    static const char* const tokens[] = {"/*", "*/", "//", "for", "x", " ", "\r\n", "/", "*", "f", "or", "."};
    std::mt19937 rng(GetParam());
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    auto tokenText = [&](int n) {
        std::string t;
        for (int i = 0; i < n; ++i) t += tokens[pick(12)];
        return t;
    };
    ChunkMemo m(4);  // paragraphs of several display lines
    CommentLists(m);
    Highlight(m, tokenText(pick(14)));
    for (int step = 0; step < 60; ++step) {
        const Integer len = m.TextLen();
        const Integer at = std::uniform_int_distribution<Integer>(0, len)(rng);
        Select(m, at, pick(3) == 0 ? std::min<Integer>(pick(5), len - at) : 0);
        m.setSelText(pick(3) == 0 ? std::string() : tokenText(1 + pick(2)));
        Settle(m);
        const std::string text = Text(m);
        const std::string where = "seed " + std::to_string(GetParam()) + " step " + std::to_string(step) + ": " + text;
        ASSERT_TRUE(DeepCheck(m)) << where;
        ASSERT_EQ(Render(m), Reference(text, m.Delimiters())) << where;
        ChunkMemo fresh(4);
        CommentLists(fresh);
        Highlight(fresh, text);
        ASSERT_TRUE(SameRecords(Records(m), Records(fresh))) << where;
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, EditsKeepHighlighting, ::testing::Range(1u, 9u),
                         [](const ::testing::TestParamInfo<unsigned>& i) { return "Seed" + std::to_string(i.param); });

// In a shown memo that formats in the background, a stop key typed later ends the span in every
// paragraph after it, also in those far out of view.
TEST(Highlighting, AStopKeyTypedLaterReachesTheParagraphsBelow)
{
    Application->Initialize();
    TForm form(nullptr);
    form.SetBounds(50, 50, 320, 240);
    auto* m = new TStyleMemo(&form);
    m->SetParent(&form);
    m->SetBounds(0, 0, 300, 200);
    CommentLists(*m);
    form.Show();
    std::string text = "/* a";
    for (int i = 0; i < 300; ++i) text += "\r\nline for " + std::to_string(i);
    m->SetTextBuf(text.c_str());
    m->ReApplyKeywords();
    ASSERT_TRUE(uitest::PumpUntil([&] { return !m->BackgroundPosted(); }));
    EXPECT_EQ(Render(*m).substr(0, 30), "{S0:/* a}|{S0:line for 0}|{S0:");
    m->setSelStart(4);
    m->setSelText("*/");
    ASSERT_TRUE(uitest::PumpUntil([&] { return !m->BackgroundPosted(); }));
    std::string expect = "{S0:/* a*/}";
    for (int i = 0; i < 300; ++i) expect += "|line {K0:for} " + std::to_string(i);
    EXPECT_EQ(Render(*m), expect);
    for (Integer p = 0; p < m->ParCount(); ++p) ASSERT_TRUE(m->ParList()->At(p)->Formatted) << p;
    EXPECT_TRUE(DeepCheck(*m));
}

TEST(Highlighting, StylesSetFromCodeStayAndHoldNoSpans)
{
    TStyleMemo m(nullptr);
    CommentLists(m);
    Highlight(m, "a for /* b */ c");
    m.SetDynStyle(2, 5, 1, false, 0, 0, -1, -1);  // over "for"
    m.SetDynStyle(7, 10, 1, false, 0, 0, -1, -1);  // over "* b": the comment goes on after it
    Settle(m);
    EXPECT_EQ(Render(m), "a {D:for} {S0:/}{D:* b}{S0: */} c");
    m.setSelStart(0);
    m.setSelText("for ");
    Settle(m);
    // Searched again, "/*" reaches into the style and opens nothing.
    EXPECT_EQ(Render(m), "{K0:for} a {D:for} /{D:* b}{S0: */} c");
    EXPECT_TRUE(DeepCheck(m));
}

TEST(Highlighting, AStyleEndInsideABreakTakesTheWholeBreak)
{
    TStyleMemo m(nullptr);
    m.SetTextBuf("ab\r\ncd");
    m.SetDynStyle(3, 1, 1, false, 0, 0, -1, -1);
    EXPECT_TRUE(DeepCheck(m));
    EXPECT_EQ(Render(m), "a{D:b}|cd");
    m.SetDynStyle(3, 5, 1, false, 0, 0, -1, -1);
    EXPECT_TRUE(DeepCheck(m));
    EXPECT_EQ(Render(m), "a{D:b}|{D:c}d");
}

TEST(Highlighting, WordLimitChecksFollowTheDelimiters)
{
    TStyleMemo m(nullptr);
    m.StartStopKeys()->AddStartStopKey(".x", "", woWholeWordsOnly, 0, 1, 0, -1, -1, true);
    Highlight(m, "a.x b");
    EXPECT_EQ(Render(m), "a{S0:.x b}");  // "." is a delimiter: nothing to check before the key
    m.setSeparators(" ");
    m.ReApplyKeywords();
    Settle(m);
    EXPECT_EQ(Render(m), "a.x b");
    m.StartStopKeys()->AddStartStopKey("y", "", woWholeWordsOnly, 0, 2, 0, -1, -1, true);
    Highlight(m, "xy y");
    EXPECT_EQ(Render(m), "xy {S1:y}");
}

// "(" opens a span one level deeper through a highlighter; a start key opens only below level 15
// and is still closed by its stop key there.
TEST(Highlighting, SpansNestSixteenLevelsAtMost)
{
    struct Nester : TStyleHighlighter {
        using TStyleHighlighter::TStyleHighlighter;
        bool FindStart(TStyleNavigator* Cursor, TStyleNavigator* Scan, Integer) override
        {
            const std::string t = Cursor->Memo->Paragraphs(Cursor->GetParNb());
            const size_t at = t.find('(', static_cast<size_t>(Cursor->GetOffset()));
            if (at == std::string::npos || static_cast<Integer>(at) >= Scan->GetOffset()) return false;
            Scan->setParOffset(static_cast<Integer>(at));
            Scan->RightOfDyn();
            DynInfoRec r = *Scan->GetpDynInfo();
            const int level = (r.Attr & 0xC0) == 0xC0 ? r.Level + 1 : 0;
            if (level > 15) return false;
            r.Attr = 0xC0;
            r.Level = static_cast<std::int8_t>(level);
            r.Keys[level] = 300;
            Scan->AddDyn(r);
            Scan->setParOffset(static_cast<Integer>(at) + 1);
            return true;
        }
    };
    Nester hl(nullptr);
    TStyleMemo m(nullptr);
    m.setHighlighter(&hl);
    m.StartStopKeys()->AddStartStopKey("/*", "*/", 0, 0, 1, 0, -1, -1, false);
    const std::string open15(15, '(');
    Highlight(m, open15 + "\r\n/* x */ y");
    EXPECT_EQ(Render(m), "{K300:" + open15 + "}|{S0:/* x */}{K300: y}");
    Highlight(m, open15 + "(\r\n/* x */ y");
    EXPECT_EQ(Render(m), "{K300:" + open15 + "(}|{K300:/* x */ y}");
    m.setHighlighter(nullptr);
}

TEST(Highlighting, UpperCaseTypeReachesBothLists)
{
    TStyleMemo m(nullptr);
    m.Keywords()->AddKeyWord("\xe9t\xe9", 0, 0, 1, 0, -1, -1);
    m.StartStopKeys()->AddStartStopKey("\xe0", "\xe8", 0, 0, 2, 0, -1, -1, false);
    Highlight(m, "\xc9T\xc9 \xc0x\xc8");
    EXPECT_EQ(Render(m), "\xc9T\xc9 \xc0x\xc8");
    m.setUpperCaseType(pmuAnsi);
    m.ReApplyKeywords();
    Settle(m);
    EXPECT_EQ(Render(m), "{K0:\xc9T\xc9} {S0:\xc0x\xc8}");
}

// What each opening record holds: the lengths of the keys with the word-limit character counted,
// a stop length of 0 where a span opened inside, and the entry's own colours and context.
TEST(Highlighting, OpeningRecordsCarryKeyLengthsAndTheEntrysFields)
{
    TStyleMemo m(nullptr);
    StandardLists(m);
    m.StartStopKeys()->AddStartStopKey("[", "]", 0, 3, 9, 42, clYellow, clNavy, false);  // S6
    Highlight(m, "[ x ]\r\nbegin x end \"xbc\" for /* q");
    auto at = [&](Integer Par, Integer Offset) {
        const ParInfo* par = m.ParList()->At(Par);
        for (Integer d = 0; d < par->DynCount; ++d)
            if (par->Dyns[d].Offset == Offset && par->Dyns[d].StartLen > 0) return par->Dyns[d];
        ADD_FAILURE() << "no opening record at " << Par << ":" << Offset;
        return DynInfoRec{};
    };
    struct Lengths {
        Integer Offset;
        int Start, Stop;
    };
    for (const Lengths& l : {Lengths{0, 6, 4}, Lengths{12, 1, 0}, Lengths{14, 2, 2}, Lengths{18, 3, 3}, Lengths{22, 2, 2}}) {
        const DynInfoRec r = at(1, l.Offset);
        EXPECT_EQ(r.StartLen, l.Start) << l.Offset;
        EXPECT_EQ(r.StopLen, l.Stop) << l.Offset;
    }
    const DynInfoRec r = at(0, 0);
    EXPECT_EQ(r.Attr, 3 | 0xC0);
    EXPECT_EQ(r.Context, 9);
    EXPECT_EQ(r.Cursor, 42);
    EXPECT_EQ(r.Backgnd, clYellow);
    EXPECT_EQ(r.Foregnd, clNavy);
    EXPECT_EQ(r.Keys[0], static_cast<std::int16_t>(0x8000 | 6));
}

// A single keyword with nothing else to highlight still follows every edit.
TEST(Highlighting, ALoneKeywordFollowsEdits)
{
    TStyleMemo m(nullptr);
    m.Keywords()->AddKeyWord("for", woWholeWordsOnly, 1, 1, 0, -1, clRed);
    Highlight(m, "fo x");
    m.setSelStart(2);
    m.setSelText("r");
    Settle(m);
    EXPECT_EQ(Render(m), "{K0:for} x");
    m.setSelText("m");
    Settle(m);
    EXPECT_EQ(Render(m), "form x");
}

// The memo's lists take copies of other lists; what is no list of the same kind changes nothing.
TEST(Highlighting, ListsAssignedFromOthersHighlightAlike)
{
    TStyleMemo a(nullptr);
    StandardLists(a);
    TStyleMemo b(nullptr);
    b.setKeywords(a.Keywords());
    b.setStartStopKeys(a.StartStopKeys());
    const std::string text = "for Foo abc \"xbc\" /* a\r\nb */ <a> b /> begin x end";
    Highlight(a, text);
    Highlight(b, text);
    EXPECT_EQ(Render(b), Render(a));
    EXPECT_EQ(b.StartStopKeys()->Items(5).Link, 4);
    TStringList other;
    other.Add("x");
    b.Keywords()->Assign(&other);
    b.StartStopKeys()->Assign(a.Keywords());
    EXPECT_EQ(b.Keywords()->Count(), 7);
    EXPECT_EQ(b.StartStopKeys()->Count(), 6);
}

// Digits become keyword-like spans through the keyword hook; "<" and ">" open and close spans
// through the start/stop hooks.
class TestHighlighter : public TStyleHighlighter {
public:
    using TStyleHighlighter::TStyleHighlighter;
    std::vector<TStyleMemo*> seen;

    void ApplyKeywordsList(TStyleNavigator* StartNav, TStyleNavigator* StopNav, Integer) override
    {
        TStyleMemo* memo = StartNav->Memo;
        seen.push_back(memo);
        const Integer first = StartNav->GetParNb();
        const Integer last = StopNav->GetParNb();
        for (Integer p = first; p <= last; ++p) {
            const std::string t = memo->Paragraphs(p);
            for (size_t i = 0; i < t.size();) {
                size_t j = i;
                while (j < t.size() && std::isdigit(static_cast<unsigned char>(t[j]))) ++j;
                if (j == i) {
                    ++i;
                    continue;
                }
                TStyleNavigator a(memo), b(memo);
                a.SetPos(memo->ParsOffset(p) + static_cast<Integer>(i));
                b.SetPos(memo->ParsOffset(p) + static_cast<Integer>(j));
                DynInfoRec r;
                r.Attr = 0xC1;
                r.Keys[0] = 100;
                memo->SetDynStyleP(&a, &b, r, true, false);
                i = j;
            }
        }
    }
    bool FindStart(TStyleNavigator* Cursor, TStyleNavigator* Scan, Integer) override
    {
        const std::string t = Cursor->Memo->Paragraphs(Cursor->GetParNb());
        const size_t at = t.find('<', static_cast<size_t>(Cursor->GetOffset()));
        if (at == std::string::npos || static_cast<Integer>(at) >= Scan->GetOffset()) return false;
        Scan->setParOffset(static_cast<Integer>(at));
        DynInfoRec r;
        r.Attr = 0xC2;
        r.Keys[0] = 200;
        Scan->AddDyn(r);
        Scan->setParOffset(static_cast<Integer>(at) + 1);
        return true;
    }
    bool FindStop(TStyleNavigator* Cursor, TStyleNavigator* Scan, Integer) override
    {
        if (Cursor->GetpDynInfo()->Keys[0] != 200) return false;
        const std::string t = Cursor->Memo->Paragraphs(Cursor->GetParNb());
        const size_t at = t.find('>', static_cast<size_t>(Cursor->GetOffset()));
        if (at == std::string::npos || static_cast<Integer>(at) >= Scan->GetOffset()) return false;
        Cursor->setParOffset(static_cast<Integer>(at) + 1);
        Cursor->RightOfDyn();
        Cursor->AddDyn(DynInfoRec{});
        return true;
    }
};

TEST(Highlighter, OneHighlighterServesTwoMemos)
{
    auto* hl = new TestHighlighter(nullptr);
    TStyleMemo a(nullptr);
    auto* b = new TStyleMemo(nullptr);
    a.setApplyKeywords(false);  // the hook runs all the same
    a.setHighlighter(hl);
    b->setHighlighter(hl);
    Highlight(a, "a<b>c 12\r\n<x 3");
    Highlight(*b, "7 <y> 8");
    EXPECT_EQ(Render(a), "a{K200:<b>}c {K100:12}|{K200:<x }{K100:3}");
    EXPECT_EQ(Render(*b), "{K100:7} {K200:<y>} {K100:8}");
    EXPECT_NE(std::find(hl->seen.begin(), hl->seen.end(), &a), hl->seen.end());
    EXPECT_NE(std::find(hl->seen.begin(), hl->seen.end(), b), hl->seen.end());

    // An edit is searched again through the highlighter.
    a.setSelStart(3);
    a.setSelLength(1);
    a.setSelText("");
    Settle(a);
    EXPECT_EQ(Render(a), "a{K200:<bc }{K100:12}|{K200:<x }{K100:3}");
    EXPECT_TRUE(DeepCheck(a));

    delete b;
    EXPECT_EQ(hl->Memos(), std::vector<TStyleMemo*>{&a});
    delete hl;
    EXPECT_EQ(a.Highlighter(), nullptr);
    a.ReApplyKeywords();
    Settle(a);
    EXPECT_EQ(Render(a), "a<bc 12|<x 3");
}

// A click on a keyword with a context reaches the highlighter, with the keyword's text sent to the
// memo first.
TEST(Highlighter, HearsOfClicksOnSpansWithAContext)
{
    struct Listener : TStyleHighlighter {
        using TStyleHighlighter::TStyleHighlighter;
        std::vector<std::pair<TComponent*, int>> heard;
        std::string text;
        void Notification(TComponent* C, TOperation Op) override
        {
            auto* memo = dynamic_cast<TStyleMemo*>(C);
            if (memo != nullptr && memo->LastMessage().Msg == PM_LCONTEXT)
                text = *reinterpret_cast<const std::string*>(memo->LastMessage().LParam);
            heard.emplace_back(C, static_cast<int>(Op));
        }
    };
    Application->Initialize();
    TForm form(nullptr);
    form.SetBounds(50, 50, 320, 240);
    auto* m = new TStyleMemo(&form);
    m->SetParent(&form);
    m->SetBounds(0, 0, 300, 200);
    m->setUpdateMode(umImmediate);
    Listener hl(nullptr);
    m->setHighlighter(&hl);
    m->Keywords()->AddKeyWord("link", 0, 0, 9, 0, clYellow, clBlue);
    form.Show();
    m->setSelText("see link here");
    m->ReApplyKeywords();
    uitest::Pump();
    TStyleNavigator n(m);
    n.SetPos(6);
    const TPoint p = n.GetDisplayPos();
    Input::Click(m, p.X, p.Y + m->RowHeight() / 2);
    ASSERT_EQ(hl.heard.size(), 1u);
    EXPECT_EQ(hl.heard[0], (std::pair<TComponent*, int>{m, opMemoMessage}));
    EXPECT_EQ(hl.text, "link");
    m->setHighlighter(nullptr);
}

// ---------------------------------------------------------------- the streamed lists

template <typename List>
std::string Stream(List& L)
{
    TMemoryStream s;
    TWriter w(&s);
    L.DefineProperties(&w);
    return std::string(s.Bytes().begin(), s.Bytes().end());
}

template <typename List>
void Unstream(List& L, const std::string& Bytes)
{
    TReadOnlyMemoryStream s(Bytes.data(), static_cast<Int64>(Bytes.size()));
    TReader r(&s);
    L.DefineProperties(&r);
}

TEST(StreamedLists, KeywordsKeepEveryField)
{
    TKeywordList from;
    from.AddKeyWord("Foo", woMatchCase | woContextOnly, 5, -70000, -32768, clNone, 0x123456);
    from.AddKeyWord("bar", woWholeWordsOnly, 255, 300, 32767, -1, 0);
    TKeywordList to;
    to.AddKeyWord("old", 0, 0, 1, 0, 0, 0);
    Unstream(to, Stream(from));
    ASSERT_EQ(to.Count(), 2);
    for (int i = 0; i < 2; ++i) {
        TKeywordInfo a, b;
        from.getKeyInfo(i, a);
        to.getKeyInfo(i, b);
        EXPECT_EQ(to.Get(i), from.Get(i));
        EXPECT_EQ(std::make_tuple(a.Options, a.Style, a.Context, a.Cursor, a.Backgnd, a.Foregnd, a.KeyLen),
                  std::make_tuple(b.Options, b.Style, b.Context, b.Cursor, b.Backgnd, b.Foregnd, b.KeyLen));
    }
    EXPECT_EQ(to.MatchKey(0), "Foo");
    EXPECT_EQ(to.MatchKey(1), "BAR");
    TKeywordList empty;
    EXPECT_EQ(Stream(empty), "");

    // Options and styles that do not fit their byte, cursors that do not fit 16 bits, are refused,
    // and the list stays.
    for (const std::vector<Integer>& bad : std::vector<std::vector<Integer>>{
             {256, 0, 1, 0, 0, 0}, {0, 256, 1, 0, 0, 0}, {0, 0, 1, 32768, 0, 0}, {0, 0, 1, -32769, 0, 0}}) {
        TMemoryStream s;
        TWriter w(&s);
        w.DefineProperty("Strings", nullptr, [&](TWriter* W) {
            W->WriteListBegin();
            W->WriteString("k");
            for (const Integer v : bad) W->WriteInteger(v);
            W->WriteListEnd();
        }, true);
        EXPECT_THROW(Unstream(to, std::string(s.Bytes().begin(), s.Bytes().end())), EReadError) << bad[1] << bad[3];
        EXPECT_EQ(to.Count(), 2);
    }
}

TEST(StreamedLists, KeysKeepTheUsersTextAndOldStreamsRead)
{
    TStartStopKeyList from;
    from.AddStartStopKey("Begin", "End", woWholeWordsOnly, 1, 7, -3, clRed, clNone, true);
    from.AddStartStopKey("<", "/>", woMatchCase, 0, 0, 0, -1, -1, false);
    const std::string bytes = Stream(from);
    TStartStopKeyList to;
    Unstream(to, bytes);
    ASSERT_EQ(to.Count(), 2);
    const StartStopInfo& e = to.Items(0);
    EXPECT_EQ(e.StartText, "Begin");
    EXPECT_EQ(e.StopText, "End");
    EXPECT_EQ(e.StartKey, "BEGIN");
    EXPECT_EQ(std::make_tuple(e.Options, e.Style, e.Context, e.Cursor, e.Backgnd, e.Foregnd, e.EndAtParEnd),
              std::make_tuple(TWordOptions(woWholeWordsOnly), Byte(1), 7, std::int16_t(-3), clRed, clNone, true));
    EXPECT_EQ(to.Items(1).StopKey, "/>");
    EXPECT_FALSE(to.Items(1).EndAtParEnd);
    EXPECT_EQ(to.LongestStop(), 3);

    // A stream that holds the upper-cased matching copies reads as those.
    std::string old = bytes;
    old.replace(old.find("Begin"), 5, "BEGIN");
    Unstream(to, old);
    EXPECT_EQ(to.Items(0).StartText, "BEGIN");

    // Every cut of the stream is refused and leaves the list as it was.
    for (size_t n = 6; n < bytes.size(); ++n) {
        TStartStopKeyList keep;
        keep.AddStartStopKey("a", "b", 0, 0, 1, 0, 0, 0, false);
        EXPECT_THROW(Unstream(keep, bytes.substr(0, n)), EReadError) << n;
        ASSERT_EQ(keep.Count(), 1) << n;
        EXPECT_EQ(keep.Items(0).StartText, "a");
    }
}

}  // namespace
