// Checks shared by the memo tests: a deep consistency check of the store and its navigators, and a
// few helpers to build texts.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "memo/Stylememo.h"

namespace memotest {

inline bool IsCode(char c) { return c == 1 || c == 2 || c == 3 || c == 4 || c == 21; }

// Everything CheckIntegrity does not look at: buffers, code counts, attributes, contexts, line-start
// styles, navigator caches and the selection.
inline ::testing::AssertionResult DeepCheck(TStyleMemo& m)
{
    try {
        m.CheckIntegrity();
    } catch (const Exception& e) {
        return ::testing::AssertionFailure() << "CheckIntegrity: " << e.Message();
    }
    TParagraphsList* list = m.ParList();
    std::map<const DynInfoRec*, int> uses;
    Byte running = 0;
    for (Integer i = 0; i < list->Count(); ++i) {
        const ParInfo* p = list->At(i);
        if (p->Len > 0 && p->Text == nullptr) return ::testing::AssertionFailure() << "no text in " << i;
        if (p->Text != nullptr && p->Text[p->Len] != '\0') return ::testing::AssertionFailure() << "no NUL in " << i;
        if (p->Len > p->Room && p->Len > 0) return ::testing::AssertionFailure() << "room " << i;
        Integer codes = 0;
        for (Integer k = 0; k < p->Len; ++k) {
            if (p->Text[k] == '\r' || p->Text[k] == '\0') return ::testing::AssertionFailure() << "CR/NUL in " << i;
            if (IsCode(p->Text[k])) ++codes;
        }
        if (codes != p->CodeCount) return ::testing::AssertionFailure() << "code count " << i;
        for (Integer l = 0; l < p->LineCount; ++l)
            if (ParLineAt(const_cast<ParInfo*>(p), l)->Start > ParLineAt(const_cast<ParInfo*>(p), l)->Stop)
                return ::testing::AssertionFailure() << "line " << l << " of " << i << " runs backwards";
        if (p->DynCount > p->DynCapacity) return ::testing::AssertionFailure() << "dyn capacity " << i;
        for (Integer d = 0; d < p->DynCount; ++d) {
            if (p->Dyns[d].Offset < 0 || p->Dyns[d].Offset > p->Len)
                return ::testing::AssertionFailure() << "dyn offset " << i;
            if (d > 0 && p->Dyns[d].Offset < p->Dyns[d - 1].Offset)
                return ::testing::AssertionFailure() << "dyn order " << i;
        }
        if (p->Context == nullptr) return ::testing::AssertionFailure() << "no context " << i;
        ++uses[p->Context];
        const Byte expect = m.StaticFormat() ? running : 0;
        if (p->FirstLineInfo.StartStyle != expect)
            return ::testing::AssertionFailure() << "start style of " << i << ": " << int(p->FirstLineInfo.StartStyle)
                                                 << " expected " << int(expect);
        for (Integer k = 0; k < p->Len; ++k) ApplyStyleCode(running, p->Text[k]);
    }
    for (const auto& [ctx, n] : uses)
        if (ctx->Offset != n) return ::testing::AssertionFailure() << "context count " << ctx->Offset << " used " << n;
    for (TStyleNavigator* n : m.NavList()) {
        if (n->Pos < 0 || n->Pos > m.TextLen()) return ::testing::AssertionFailure() << "nav pos " << n->Pos;
        if (n->Par == nullptr) continue;
        if (n->ParNb < 0 || n->ParNb >= list->Count() || n->Par != list->At(n->ParNb))
            return ::testing::AssertionFailure() << "nav paragraph " << n->ParNb;
        if (n->Offset != n->Pos - n->Par->StartPos || n->Offset > n->Par->Len + 1 || n->Offset < 0)
            return ::testing::AssertionFailure() << "nav offset " << n->Offset << " at " << n->Pos;
        if (n->ParLine != NotComputed) {
            Integer l = 0;
            while (l < n->Par->LineCount - 1 && ParLineAt(n->Par, l)->Stop <= n->Offset) ++l;
            if (l != n->ParLine) return ::testing::AssertionFailure() << "nav line " << n->ParLine << " not " << l;
        }
        if (n->DynNb != NotComputed) {
            Integer lo = 0;
            while (lo < n->Par->DynCount && n->Par->Dyns[lo].Offset < n->Offset) ++lo;
            Integer hi = lo;
            while (hi < n->Par->DynCount && n->Par->Dyns[hi].Offset == n->Offset) ++hi;
            if (n->DynNb < lo || n->DynNb > hi) return ::testing::AssertionFailure() << "nav dyn " << n->DynNb;
        }
    }
    TStyleNavigator* a = m.SelStartNav();
    TStyleNavigator* b = m.SelStopNav();
    if (a->Pos > b->Pos) return ::testing::AssertionFailure() << "selection ends crossed";
    const Integer len = m.Anchor() == a ? b->Pos - a->Pos : a->Pos - b->Pos;
    if (len != m.SelLength()) return ::testing::AssertionFailure() << "selection length " << m.SelLength();
    return ::testing::AssertionSuccess();
}

// The memo's whole text, breaks as CR LF.
inline std::string Text(TStyleMemo& m) { return m.GetTextPart(0, m.TextLen()); }

inline std::vector<std::string> Pars(TStyleMemo& m)
{
    std::vector<std::string> r;
    for (Integer i = 0; i < m.ParCount(); ++i) r.push_back(m.Paragraphs(i));
    return r;
}

inline void Select(TStyleMemo& m, Integer Start, Integer Length)
{
    m.setSelStart(Start);
    m.setSelLength(Length);
}

// A formatter without pixels: every paragraph is cut into lines of Width characters, so that the
// edit's upkeep of paragraphs with several display lines is exercised.
class ChunkMemo : public TStyleMemo {
public:
    explicit ChunkMemo(Integer Width) : TStyleMemo(nullptr), FWidth(Width) {}

protected:
    void ReformatPar(ParInfo* Par, Integer ParNb, Integer& FirstLine, Integer& LastLine, bool) override
    {
        if (Par == nullptr) Par = ParList()->GetParPointers(ParNb);
        BeginFormatPar(Par, ParNb);
        std::vector<LineInfo> lines;
        Byte style = Par->FirstLineInfo.StartStyle;
        for (Integer start = 0;; start += FWidth) {
            LineInfo l;
            l.Start = start;
            l.Stop = std::min(start + FWidth, Par->Len);
            l.JustifyFrom = start;
            l.StartStyle = StaticFormat() ? style : 0;
            for (Integer k = l.Start; k < l.Stop; ++k) ApplyStyleCode(style, Par->Text[k]);
            lines.push_back(l);
            if (l.Stop >= Par->Len) break;
        }
        SpliceLines(Par, 0, Par->LineCount - 1, lines.data(), static_cast<Integer>(lines.size()));
        FirstLine = 0;
        LastLine = static_cast<Integer>(lines.size()) - 1;
    }

private:
    Integer FWidth;
};

}  // namespace memotest
