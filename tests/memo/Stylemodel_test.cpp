// Randomised model check of the text model against a plain string: seeded random selections,
// typing, replacements, deletions, undo and redo, with the store's invariants checked after each.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "memo/Stylememo.h"
#include "tests/memo/MemoCheck.h"

using namespace memotest;

namespace {

bool IsCodeByte(char c) { return IsCode(c); }

// The reference: the text as one string (breaks as CR LF), undo groups of primitive replacements,
// and the positions of listed navigators and of dynamic attributes moved by the same rules.
class Reference {
public:
    struct Record {
        Integer Start;
        Integer Stop;
        std::string Text;  // what [Start, Stop) replaced
    };
    using Group = std::vector<Record>;

    std::string text;
    std::vector<Group> groups;
    Integer level = 0;
    Integer lo = 0, hi = 0;
    bool anchorLo = true;
    bool moved = true;
    std::vector<Integer> navs;
    std::vector<Integer> dyns;  // absolute positions, ascending
    bool staticFormat = false;

    bool MidBreak(Integer p) const { return p > 0 && p < static_cast<Integer>(text.size()) && text[p - 1] == '\r'; }

    // One primitive replacement, with the navigators and attributes moved.
    void Apply(Integer S, Integer E, const std::string& ins)
    {
        const Integer diff = static_cast<Integer>(ins.size()) - (E - S);
        text.replace(static_cast<size_t>(S), static_cast<size_t>(E - S), ins);
        for (Integer& n : navs) {
            if (n < S) continue;
            n = n <= E ? S : n + diff;
        }
        std::vector<Integer> d2;
        for (Integer x : dyns) {
            if (x < S || (x == S && S < E))
                d2.push_back(x);
            else if (x >= E)
                d2.push_back(x + diff);
        }
        dyns = d2;
    }

    static std::string Breaks(const std::string& t)
    {
        std::string r;
        for (size_t i = 0; i < t.size(); ++i) {
            r += t[i];
            if (t[i] == '\r' && (i + 1 >= t.size() || t[i + 1] != '\n')) r += '\n';
            if (t[i] == '\r' && i + 1 < t.size() && t[i + 1] == '\n') r += t[++i];
        }
        return r;
    }

    // Typing t over the selection; returns false when the memo does nothing.
    bool Type(const std::string& t)
    {
        Integer S = lo;
        Integer E = hi;
        if (S == E && t.empty()) return false;
        if (S == E) {
            if (MidBreak(S)) S = E = S - 1;
        } else {
            if (MidBreak(S)) --S;
            if (MidBreak(E)) ++E;
        }
        const Integer anchor = anchorLo ? S : E;
        std::string ins = Breaks(t);
        const std::string replaced = text.substr(static_cast<size_t>(S), static_cast<size_t>(E - S));
        if (staticFormat) {
            Byte style = 0;
            for (char c : ins) ApplyStyleCode(style, c);
            for (char c : replaced) ApplyStyleCode(style, c);
            const std::pair<int, char> order[] = {{2, 21}, {1, 1}, {0, 2}, {4, 3}, {5, 4}};
            for (auto [bit, code] : order)
                if (style & (1 << bit)) ins += code;
        }
        // Redo records go; typing on at the end of the last record extends it.
        groups.resize(static_cast<size_t>(level));
        const bool merge = S == E && level > 0 && !moved && groups.back().back().Stop == anchor &&
                           groups.back().back().Start != anchor;
        Apply(S, E, ins);
        Integer caret = S + static_cast<Integer>(ins.size());
        if (merge) {
            groups.back().back().Stop = anchor + static_cast<Integer>(ins.size());
        } else {
            groups.push_back({{S, caret, replaced}});
            ++level;
        }
        if (staticFormat) Clean(S, caret);
        lo = hi = caret;
        anchorLo = true;
        moved = false;
        return true;
    }

    // Pairs of equal codes with only codes between, in the paragraphs from S's to Caret's.
    void Clean(Integer S, Integer& Caret)
    {
        Integer from = S;
        while (from > 0 && text[from - 1] != '\n') --from;
        for (;;) {
            Integer end = Caret;
            while (end < static_cast<Integer>(text.size()) && text[end] != '\r') ++end;
            Integer i = -1;
            Integer j = -1;
            for (Integer a = from; a < end && i < 0; ++a) {
                if (!IsCodeByte(text[a])) continue;
                for (Integer b = a + 1; b < end && IsCodeByte(text[b]); ++b)
                    if (text[b] == text[a]) {
                        i = a;
                        j = b;
                        break;
                    }
            }
            if (i < 0) return;
            for (Integer x : {j, i}) {
                groups.back().push_back({x, x, std::string(1, text[x])});
                Apply(x, x + 1, "");
                if (x < Caret) --Caret;
            }
        }
    }

    void Undo()
    {
        if (level == 0) return;
        Group& g = groups[static_cast<size_t>(--level)];
        Integer caret = 0;
        for (auto r = g.rbegin(); r != g.rend(); ++r) {
            const std::string removed = text.substr(static_cast<size_t>(r->Start), static_cast<size_t>(r->Stop - r->Start));
            Apply(r->Start, r->Stop, r->Text);
            caret = r->Start + static_cast<Integer>(r->Text.size());
            *r = {r->Start, caret, removed};
        }
        lo = hi = caret;
        anchorLo = true;
        moved = false;
    }

    void Redo()
    {
        if (level >= static_cast<Integer>(groups.size())) return;
        Group& g = groups[static_cast<size_t>(level++)];
        Integer caret = 0;
        for (Record& r : g) {
            const std::string removed = text.substr(static_cast<size_t>(r.Start), static_cast<size_t>(r.Stop - r.Start));
            Apply(r.Start, r.Stop, r.Text);
            caret = r.Start + static_cast<Integer>(r.Text.size());
            r = {r.Start, caret, removed};
        }
        lo = hi = caret;
        anchorLo = true;
        moved = false;
    }

    std::vector<std::string> Paragraphs() const
    {
        std::vector<std::string> r(1);
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r') {
                r.emplace_back();
                ++i;
            } else {
                r.back() += text[i];
            }
        }
        return r;
    }
};

std::string RandomText(std::mt19937& rng, bool codes)
{
    static const char* const plain[] = {"a", "b", "c", " ", "\t", "\r", "\n", "\r\n", "xy"};
    static const char* const coded[] = {"\x02", "\x01", "\x15", "\x03", "\x04"};
    std::string t;
    const int n = std::uniform_int_distribution<int>(0, 6)(rng);
    for (int i = 0; i < n; ++i) {
        if (codes && std::uniform_int_distribution<int>(0, 3)(rng) == 0)
            t += coded[std::uniform_int_distribution<int>(0, 4)(rng)];
        else
            t += plain[std::uniform_int_distribution<int>(0, 8)(rng)];
    }
    return t;
}

struct ModelParams {
    bool staticFormat;
    Integer lineWidth;  // 0: the memo's own no-window lines
    unsigned seed;
};

class ModelCheck : public ::testing::TestWithParam<ModelParams> {};

void CheckAgainst(TStyleMemo& m, const Reference& ref, const std::vector<TStyleNavigator*>& navs, Integer lineWidth,
                  const std::string& where)
{
    ASSERT_TRUE(DeepCheck(m)) << where;
    ASSERT_EQ(Text(m), ref.text) << where;
    ASSERT_EQ(m.TextLen(), static_cast<Integer>(ref.text.size())) << where;
    const auto pars = ref.Paragraphs();
    ASSERT_EQ(Pars(m), pars) << where;
    for (size_t i = 0; i < navs.size(); ++i) ASSERT_EQ(navs[i]->Pos, ref.navs[i]) << where << " navigator " << i;
    std::vector<Integer> dyns;
    for (Integer p = 0; p < m.ParCount(); ++p) {
        const ParInfo* par = m.ParList()->At(p);
        for (Integer d = 0; d < par->DynCount; ++d) dyns.push_back(par->StartPos + par->Dyns[d].Offset);
    }
    ASSERT_EQ(dyns, ref.dyns) << where;
    // Display lines as the formatter cut them.
    std::vector<std::string> lines;
    for (const std::string& p : pars) {
        if (lineWidth == 0 || p.empty()) {
            lines.push_back(p);
            continue;
        }
        for (size_t s = 0; s < p.size(); s += static_cast<size_t>(lineWidth)) lines.push_back(p.substr(s, static_cast<size_t>(lineWidth)));
    }
    if (lines.back().empty()) lines.pop_back();
    ASSERT_EQ(m.Lines()->Count(), static_cast<int>(lines.size())) << where;
    for (size_t i = 0; i < lines.size(); ++i) ASSERT_EQ(m.Lines()->Get(static_cast<int>(i)), lines[i]) << where << " line " << i;
    ASSERT_EQ(m.Paragraphs()->Count(), static_cast<int>(pars.back().empty() ? pars.size() - 1 : pars.size())) << where;
}

TEST_P(ModelCheck, RandomEditsUndoAndRedoAgreeWithAPlainString)
{
    const ModelParams prm = GetParam();
    std::mt19937 rng(prm.seed);
    std::unique_ptr<TStyleMemo> memo(prm.lineWidth > 0 ? new ChunkMemo(prm.lineWidth) : new TStyleMemo(nullptr));
    TStyleMemo& m = *memo;
    m.setStaticFormat(prm.staticFormat);
    m.setUndoMaxLevel(1000000);
    m.setUndoMaxSpace(MaxInt);
    Reference ref;
    ref.staticFormat = prm.staticFormat;
    std::vector<TStyleNavigator*> navs;
    for (int i = 0; i < 3; ++i) {
        navs.push_back(new TStyleNavigator(&m));
        ref.navs.push_back(0);
    }
    auto pos = [&](Integer max) { return std::uniform_int_distribution<Integer>(0, max)(rng); };

    for (int step = 0; step < 600; ++step) {
        const int op = std::uniform_int_distribution<int>(0, 99)(rng);
        const Integer len = m.TextLen();
        std::string what;
        bool acted = false;
        const Integer levelBefore = ref.level;
        if (op < 30) {
            const Integer a = pos(len);
            const Integer b = std::uniform_int_distribution<int>(0, 3)(rng) == 0 ? a : pos(len);
            const bool anchorHigh = std::uniform_int_distribution<int>(0, 1)(rng) == 1;
            const Integer l = std::min(a, b);
            const Integer h = std::max(a, b);
            if (anchorHigh)
                Select(m, h, l - h);
            else
                Select(m, l, h - l);
            // An end inside a break: the caret goes before it, a moving end takes the whole break.
            Integer anchor = anchorHigh ? h : l;
            if (ref.MidBreak(anchor)) --anchor;
            Integer moving = std::clamp(anchor + (anchorHigh ? l - h : h - l), 0, len);
            if (moving != anchor && ref.MidBreak(moving)) moving += moving > anchor ? 1 : -1;
            ref.lo = std::min(anchor, moving);
            ref.hi = std::max(anchor, moving);
            ref.anchorLo = moving >= anchor;
            ref.moved = true;
            what = "select " + std::to_string(l) + ".." + std::to_string(h);
            ASSERT_EQ(m.SelStart(), anchor) << what;
        } else if (op < 75) {
            const std::string t = RandomText(rng, true);
            what = "type \"" + t + "\" over " + std::to_string(ref.lo) + ".." + std::to_string(ref.hi);
            // Inside an update the lines are not re-broken: the edit alone must keep them whole.
            const bool bracket = std::uniform_int_distribution<int>(0, 3)(rng) == 0;
            if (bracket) m.Lines()->BeginUpdate();
            m.setSelText(t);
            if (bracket) {
                ASSERT_TRUE(DeepCheck(m)) << what << " (inside an update)";
                m.Lines()->EndUpdate();
            }
            acted = ref.Type(t);
        } else if (op < 85) {
            what = "undo";
            m.Undo();
            ref.Undo();
            acted = ref.level != levelBefore;
        } else if (op < 93) {
            what = "redo";
            m.Redo();
            ref.Redo();
            acted = ref.level != levelBefore;
        } else if (op < 97) {
            const size_t k = static_cast<size_t>(std::uniform_int_distribution<int>(0, 2)(rng));
            const Integer p = pos(len);
            navs[k]->SetPos(p);
            ref.navs[k] = p;
            what = "navigator " + std::to_string(k) + " to " + std::to_string(p);
        } else {
            // An attribute at a text position (never between the CR and the LF of a break).
            Integer p = pos(len);
            if (ref.MidBreak(p)) --p;
            TStyleNavigator* n = navs[0];
            n->SetPos(p);
            DynInfoRec rec;
            rec.Attr = 0x80;
            n->AddDyn(rec);
            InvalidateNavs(m.NavList(), p, n->GetParNb());
            ref.navs[0] = p;
            ref.dyns.insert(std::upper_bound(ref.dyns.begin(), ref.dyns.end(), p), p);
            what = "attribute at " + std::to_string(p);
        }
        const std::string where = "seed " + std::to_string(prm.seed) + " step " + std::to_string(step) + ": " + what;
        CheckAgainst(m, ref, navs, prm.lineWidth, where);
        if (::testing::Test::HasFatalFailure()) return;
        if (acted) {
            ASSERT_EQ(m.SelLength(), 0) << where;
            ASSERT_EQ(m.SelStart(), ref.lo) << where;
        }
        Integer records = 0;
        for (Integer g = 0; g < ref.level; ++g) records += static_cast<Integer>(ref.groups[static_cast<size_t>(g)].size());
        ASSERT_EQ(m.UndoLevel(), records) << where;
        ASSERT_EQ(m.CanRedo(), ref.level < static_cast<Integer>(ref.groups.size())) << where;
    }
}

// Small undo limits, trailing-blank removal and static styles together: no reference text, but every
// step must leave the store whole and the undo bookkeeping in range.
TEST(ModelCheckLimits, RandomEditsWithSmallUndoLimitsKeepTheStoreWhole)
{
    const char* const pieces[] = {"a", " ", "\t", "\r\n", "\x02", "\x01", "xyz", "\n", "\r"};
    for (unsigned seed = 1; seed <= 12; ++seed) {
        std::mt19937 rng(seed);
        TStyleMemo m(nullptr);
        m.setUndoMaxLevel(static_cast<Integer>(rng() % 6));
        m.setUndoMaxSpace(20 + static_cast<Integer>(rng() % 200));
        m.setStaticFormat(seed % 2 == 1);
        if (seed % 3 == 0) m.setOptions(m.Options() | pmoDiscardTrailingSpaces);
        for (int i = 0; i < 800; ++i) {
            const unsigned op = rng() % 10;
            const auto len = static_cast<unsigned>(m.TextLen());
            if (op < 4) {
                Select(m, static_cast<Integer>(rng() % (len + 1)), static_cast<Integer>(rng() % (len + 1)) - m.SelStart());
            } else if (op < 7) {
                std::string t;
                for (unsigned k = rng() % 5; k > 0; --k) t += pieces[rng() % 9];
                m.setSelText(t);
            } else if (op == 7) {
                m.Undo();
            } else if (op == 8) {
                m.Redo();
            } else if (rng() % 20 == 0) {
                m.setOptions(m.Options() ^ pmoDiscardTrailingSpaces);
            }
            ASSERT_TRUE(DeepCheck(m)) << "seed " << seed << " step " << i;
            ASSERT_LE(m.UndoLevel(), m.UndoCount());
            // No record is left behind without the records it is undone with.
            if (m.UndoCount() > 0) {
                ASSERT_FALSE(m.UndoList(0).Chained) << "seed " << seed << " step " << i;
            }
        }
    }
}

std::vector<ModelParams> ModelCases()
{
    std::vector<ModelParams> r;
    for (unsigned seed = 1; seed <= 6; ++seed) {
        r.push_back({false, 0, seed});
        r.push_back({true, 0, seed + 100});
        r.push_back({false, 4, seed + 200});
        r.push_back({true, 3, seed + 300});
    }
    return r;
}

INSTANTIATE_TEST_SUITE_P(Seeds, ModelCheck, ::testing::ValuesIn(ModelCases()), [](const auto& info) {
    return std::string(info.param.staticFormat ? "Static" : "Plain") + "Width" + std::to_string(info.param.lineWidth) +
           "Seed" + std::to_string(info.param.seed);
});

}  // namespace
