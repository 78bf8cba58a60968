// The memo's fast paths against its plain one: a key in a long paragraph breaks only what the screen
// shows and leaves the rest to background slices, edits re-break only around themselves, and the
// view gathers its moves and scrolls the picture once per pass. Random runs of edits, highlighting,
// update brackets, scrolls and layout changes are checked, once settled, against a memo given the
// same text afresh and broken whole, in every update mode.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <numeric>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "memo/Stylehilite.h"
#include "memo/Stylememo.h"
#include "platform/Classes.h"
#include "platform/Forms.h"
#include "platform/Input.h"
#include "platform/Windows.h"
#include "tests/memo/MemoCheck.h"
#include "tests/support/UiTest.h"

using namespace memotest;

namespace {

// The words of the texts: ordinary ones, the highlighting's keys and keyword, style codes, TABs and
// a word wider than the window.
const char* const Words[] = {"alpha", "beta", "gamma", "z", "to", "WWWWWWW", "iii", "((", "))", "((bold))",
                             "\t", "  ", "\x02" "b" "\x02", "x\x01" "i", "averyveryverylongwordwiderthanthewindowcanshowatall"};

std::string Phrase(std::mt19937& Rng, int Count)
{
    std::string s;
    for (int i = 0; i < Count; ++i) {
        if (i > 0) s += ' ';
        s += Words[Rng() % std::size(Words)];
    }
    return s;
}

// A few paragraphs of hundreds of lines at the memo's width, runs of short ones, and runs of one letter
// longer than the measuring steps (in which every break moves when a character is typed).
std::string LongText(std::mt19937& Rng)
{
    std::string t;
    const int pars = 3 + static_cast<int>(Rng() % 3);
    for (int p = 0; p < pars; ++p) {
        if (p > 0) t += "\r\n";
        switch (Rng() % 4) {
        case 0:
            // A run of short paragraphs, each ending inside the view.
            for (int i = 10 + static_cast<int>(Rng() % 50); i > 0; --i) t += Phrase(Rng, 1 + static_cast<int>(Rng() % 6)) + (i > 1 ? "\r\n" : "");
            break;
        case 1: t += std::string(1100 + Rng() % 2000, static_cast<char>('A' + Rng() % 26)); break;
        default: t += Phrase(Rng, 300 + static_cast<int>(Rng() % 900)); break;
        }
    }
    return t;
}

// Every line of every paragraph, as text a failure can show.
std::string Layout(TStyleMemo* M)
{
    std::ostringstream s;
    for (Integer p = 0; p < M->ParCount(); ++p) {
        ParInfo* par = M->ParList()->At(p);
        s << "P" << p << "@" << par->FirstLine << ":";
        for (Integer l = 0; l < par->LineCount; ++l) {
            const LineInfo* li = ParLineAt(par, l);
            s << " [" << l << " " << li->Start << "," << li->Stop << " " << li->TextWidth << "/" << li->Width << " b"
              << li->Blanks << " j" << li->JustifyFrom << " s" << int(li->StartStyle) << " d" << li->StartDyn << "]";
        }
        for (Integer d = 0; d < par->DynCount; ++d) s << " <" << par->Dyns[d].Offset << " " << int(par->Dyns[d].Attr) << ">";
        s << "\n";
    }
    return s.str();
}

std::string FirstDifference(const std::string& A, const std::string& B)
{
    size_t i = 0;
    while (i < A.size() && i < B.size() && A[i] == B[i]) ++i;
    const size_t from = i > 120 ? i - 120 : 0;
    const size_t par = A.rfind("\nP", i);
    const std::string head = par == std::string::npos ? A.substr(0, 30) : A.substr(par + 1, 30);
    return head + "\nedited: ..." + A.substr(from, 360) + "\nfresh:  ..." + B.substr(from, 360);
}

std::vector<COLORREF> ClientPixels(TStyleMemo* M)
{
    std::vector<COLORREF> r;
    HDC dc = GetDC(M->Handle());
    for (int y = 0; y < M->ClientHeight(); ++y)
        for (int x = 0; x < M->ClientWidth(); ++x) r.push_back(GetPixel(dc, x, y));
    ReleaseDC(M->Handle(), dc);
    return r;
}

// Background formatting run to its end and the paints it left made.
void Settle(TStyleMemo* M)
{
    ASSERT_TRUE(uitest::PumpUntil([&] { return !M->BackgroundPosted(); }, 60000));
    for (int i = 0; i < 3; ++i) Application->ProcessMessages();
}

using LazySetup = std::tuple<TUpdateMode, unsigned>;

class Lazy : public ::testing::TestWithParam<LazySetup> {
protected:
    void SetUp() override
    {
        Application->Initialize();
        form = new TForm(nullptr);
        form->SetBounds(20, 20, 900, 560);
        form->AfterConstruction();
        edited = Make(0);
        fresh = Make(440);
        edited->setUpdateMode(std::get<0>(GetParam()));
        fresh->setUpdateMode(umImmediate);
        form->Show();
        uitest::Pump();
        edited->SetFocus();
    }
    void TearDown() override
    {
        delete form;
        uitest::Pump();
    }
    TStyleMemo* Make(int Left)
    {
        auto* m = new TStyleMemo(form);
        m->SetParent(form);
        m->SetBounds(Left, 0, 300, 200);
        m->setHideSelection(false);
        // A bar that comes and goes with the text has two settled states for some texts (the bar
        // taking the width that makes the line it needs): it stays.
        m->setOptions(m->Options() & ~pmoAutoScrollBars);
        m->Font()->SetName("DejaVu Sans");
        m->StartStopKeys()->AddStartStopKey("((", "))", 0, FontStyle(fsBold), 1, 0, -1, -1, false);
        m->StartStopKeys()->AddStartStopKey("<<", ">>", 0, FontStyle(fsUnderline), 4, 0, -1, clRed, false);
        m->Keywords()->AddKeyWord("gamma", woWholeWordsOnly, FontStyle(fsItalic), 2, 0, -1, clBlue);
        return m;
    }
    // What changes the layout is done to the fresh memo too.
    void Both(const std::function<void(TStyleMemo*)>& F)
    {
        F(edited);
        F(fresh);
    }
    // The fresh memo gets the edited one's text, colours, selection and view, with no message run.
    void Copy()
    {
        // The text as it stands (saving would drop pairs of codes without effect).
        const std::string all = Text(*edited);
        TMemoryStream text;
        text.WriteBuffer(all.data(), static_cast<Int64>(all.size()));
        text.SetPosition(0);
        fresh->LoadFromStream(&text);
        for (Integer p = 0; p < edited->ParCount(); ++p) {
            fresh->setParForegnd(p, edited->ParForegnd(p));
            fresh->setParBackgnd(p, edited->ParBackgnd(p));
        }
        const Integer lo = edited->SelStartNav()->Pos;
        const Integer hi = edited->SelStopNav()->Pos;
        const bool anchorLow = edited->Anchor() == edited->SelStartNav();
        fresh->setSelStart(anchorLow ? lo : hi);
        fresh->setSelLength(anchorLow ? hi - lo : lo - hi);
        SameTop();
    }
    // In umOnNeed the lines above the view may not be broken yet: the fresh memo is brought to the
    // same text at the top.
    void SameTop()
    {
        TStyleNavigator top(edited);
        top.SetLineNb(edited->TopLine());
        TStyleNavigator freshTop(fresh);
        freshTop.SetPos(top.Pos);
        const Integer h = edited->RowHeight();
        fresh->SetTopLeft(freshTop.GetLineNb() * h + edited->TopOrigin() % h, edited->DisplayLeft());
    }
    // What is shown, and once all is broken the caret, lines, the top line, points of positions,
    // positions of points, attributes and pixels must be those of the fresh memo.
    ::testing::AssertionResult SameAsFresh(std::mt19937& Rng)
    {
        Copy();
        Settle(fresh);
        if (ClientPixels(edited) != ClientPixels(fresh)) return ::testing::AssertionFailure() << "pixels differ before the rest is broken";
        // Only umOnNeed leaves work for later: the other modes have done it all once settled.
        auto done = [&] {
            for (Integer p = 0; p < edited->ParCount(); ++p)
                if (const ParInfo* par = edited->ParList()->At(p);
                    !par->Formatted || !par->StartStopParsed || !par->KeywordsParsed || par->Provisional > 0)
                    return p;
            return Integer(-1);
        };
        if (std::get<0>(GetParam()) != umOnNeed && done() >= 0)
            return ::testing::AssertionFailure() << "paragraph " << done() << " left unformatted";
        // What the view has not touched is broken now (which may bring the view back into the text's
        // range). The last line is asked for until nothing is left: lines gained by breaking what lies
        // before it move it on.
        for (Integer n = edited->ParCount(); n >= 0 && done() >= 0; --n) edited->Lines(edited->LineCount() - 1);
        if (done() >= 0) return ::testing::AssertionFailure() << "paragraph " << done() << " left unformatted after the last line";
        Settle(edited);
        SameTop();
        Settle(fresh);
        if (edited->CaretXY().X != fresh->CaretXY().X || edited->CaretXY().Y != fresh->CaretXY().Y)
            return ::testing::AssertionFailure() << "caret at " << edited->CaretXY().X << "," << edited->CaretXY().Y << ", fresh "
                                                 << fresh->CaretXY().X << "," << fresh->CaretXY().Y;
        if (edited->SelStart() != fresh->SelStart()) return ::testing::AssertionFailure() << "caret moved";
        const std::string a = Layout(edited);
        const std::string b = Layout(fresh);
        if (a != b) return ::testing::AssertionFailure() << FirstDifference(a, b);
        if (edited->LineCount() != fresh->LineCount())
            return ::testing::AssertionFailure() << "line count " << edited->LineCount() << " " << fresh->LineCount();
        if (edited->TopLine() != fresh->TopLine() || edited->TopLine() != edited->TopOrigin() / edited->RowHeight())
            return ::testing::AssertionFailure() << "top line " << edited->TopLine() << " at " << edited->TopOrigin() << "/"
                                                 << edited->RowHeight() << ", fresh " << fresh->TopLine();
        TStyleNavigator na(edited);
        TStyleNavigator nb(fresh);
        for (int i = 0; i < 20; ++i) {
            const Integer p = static_cast<Integer>(Rng() % static_cast<unsigned>(edited->TextLen() + 1));
            na.SetPos(p);
            nb.SetPos(p);
            if (na.GetDisplayPos() != nb.GetDisplayPos()) return ::testing::AssertionFailure() << "point of position " << p;
            const TPoint at{static_cast<int>(Rng() % 300), static_cast<int>(Rng() % 200)};
            na.SetDisplayPos(at);
            nb.SetDisplayPos(at);
            if (na.Pos != nb.Pos) return ::testing::AssertionFailure() << "position at " << at.X << "," << at.Y;
        }
        const std::vector<COLORREF> pa = ClientPixels(edited);
        const std::vector<COLORREF> pb = ClientPixels(fresh);
        if (pa != pb) {
            const auto at = std::mismatch(pa.begin(), pa.end(), pb.begin()).first - pa.begin();
            const auto count = std::inner_product(pa.begin(), pa.end(), pb.begin(), 0, std::plus<>(), std::not_equal_to<>());
            return ::testing::AssertionFailure() << count << " pixels differ, the first in row " << at / edited->ClientWidth()
                                                 << " at x " << at % edited->ClientWidth() << ", top line " << edited->TopLine();
        }
        return ::testing::AssertionSuccess();
    }
    TForm* form = nullptr;
    TStyleMemo* edited = nullptr;
    TStyleMemo* fresh = nullptr;
};

TEST_P(Lazy, SettlesAsAMemoGivenTheTextAfresh)
{
    std::mt19937 rng(std::get<1>(GetParam()));
    auto pick = [&](Integer n) { return static_cast<Integer>(rng() % static_cast<unsigned>(std::max<Integer>(n, 1))); };
    TStyleMemo* m = edited;
    m->Lines()->SetText(LongText(rng));
    Settle(m);
    // A place in view half of the time, so that edits land on what is shown as often as behind it.
    auto place = [&] {
        if (pick(2) == 0) return pick(m->TextLen() + 1);
        TStyleNavigator n(m);
        n.SetLineNb(m->TopLine() + pick(m->VisibleLines()));
        return std::min(n.Pos + pick(40), m->TextLen());
    };
    // A scroll by code of a row or two, within the text.
    auto nudge = [&] { m->setTopLine(std::clamp<Integer>(m->TopLine() + pick(5) - 2, 0, m->LineCount() - 1)); };
    // A colour of a paragraph in view (the background or the text's), or a selection, changed.
    auto changeInView = [&](bool Backgnd) {
        if (pick(2)) {
            TStyleNavigator n(m);
            n.SetLineNb(m->TopLine() + pick(m->VisibleLines()));
            if (Backgnd)
                m->setParBackgnd(n.GetParNb(), pick(2) ? clRed : -1);
            else
                m->setParForegnd(n.GetParNb(), pick(2) ? clGreen : -1);
        } else {
            Select(*m, place(), pick(300));
        }
    };
    std::vector<std::string> log;
    for (int step = 0; step < 40; ++step) {
        // A few actions at once, none of them waiting for what the others left to the background.
        for (Integer k = pick(3) + 1; k > 0; --k) {
            std::string what;
            switch (pick(21)) {
            case 0:
            case 1: {
                // A span key, at a paragraph's start half of the time: "<<" has no stop in the
                // texts, so what it opens reaches past the view.
                static const char* const keys[] = {"((", "<<", ">>"};
                const bool key = pick(3) == 0;
                m->setSelStart(key && pick(2) ? m->ParsOffset(pick(m->ParCount())) : place());
                const std::string s = key ? keys[pick(3)] : Phrase(rng, 1);
                Input::TypeText(s);
                what = "type " + s;
                break;
            }
            case 2: {
                // A letter typed, then the lines below it deleted; half of the time near the start
                // of a run of one letter, where the letter moves every break behind it.
                Integer at = place();
                const Integer p = pick(m->ParCount());
                const std::string par = m->Paragraphs(p);
                if (pick(2) == 0 && par.size() > 1000 && par.find(' ') == std::string::npos) {
                    m->setTopLine(m->ParList()->At(p)->FirstLine + pick(4));
                    at = m->ParsOffset(p) + pick(300);
                }
                m->setSelStart(at);
                Input::TypeText("E");
                for (Integer i = pick(4) + 1; i > 0; --i) Input::PressKey(VK_DOWN, ssShift);
                Input::PressKey(VK_DELETE);
                what = "type, shift-down, delete";
                break;
            }
            case 3: {
                const Integer at = place();
                Select(*m, at, std::min(pick(3000), m->TextLen() - at));
                m->ClearSelection();
                what = "delete";
                break;
            }
            case 4: {
                // A selection replaced, or a paste of several lines.
                const Integer at = place();
                Select(*m, at, std::min(pick(200), m->TextLen() - at));
                m->setSelText(Phrase(rng, static_cast<int>(pick(30))) + (pick(2) ? "\r\n" + Phrase(rng, 5) : ""));
                what = "replace";
                break;
            }
            case 5:
                m->Undo();
                what = "undo";
                break;
            case 6:
                m->Redo();
                what = "redo";
                break;
            case 7: {
                const Integer at = place();
                Select(*m, at, std::min(pick(100), m->TextLen() - at));
                Input::PressKey('B', ssCtrl);
                what = "bold";
                break;
            }
            case 8:
                m->setParForegnd(pick(m->ParCount()), pick(2) ? clRed : -1);
                what = "colour";
                break;
            case 9:
                m->Lines()->BeginUpdate();
                for (Integer i = pick(4) + 2; i > 0; --i) {
                    m->setSelStart(place());
                    m->setSelText(pick(2) ? "ab" : "WWWW WWWWWW ");
                }
                m->Lines()->EndUpdate();
                what = "bracket";
                break;
            case 10: {
                m->setTopLine(m->ParList()->At(pick(m->ParCount()))->FirstLine);
                const int w = 160 + static_cast<int>(pick(300));
                const int h = 120 + static_cast<int>(pick(160));
                Both([&](TStyleMemo* x) { x->SetBounds(x->Left(), 0, w, h); });
                m->Update();  // painted at the new width, then wheeled up into lines broken for the old one
                if (pick(2)) Input::Wheel(m, 240, 20, 20);
                what = "resize";
                break;
            }
            case 11: {
                static const char* const faces[] = {"DejaVu Sans", "DejaVu Sans Mono", "DejaVu Serif"};
                const char* face = faces[pick(3)];
                const int size = 8 + static_cast<int>(pick(6));
                Both([&](TStyleMemo* x) {
                    x->Font()->SetName(face);
                    x->Font()->SetSize(size);
                });
                what = "font";
                break;
            }
            case 12: {
                const bool wrap = pick(4) != 0;
                static const TAlignment aligns[] = {taLeftJustify, taLeftJustify, taRightJustify, taCenter};
                const TAlignment align = aligns[pick(4)];
                const bool justified = pick(4) == 0;
                Both([&](TStyleMemo* x) {
                    x->setWordWrap(wrap);
                    x->setAlignment(align);
                    x->setJustified(justified);
                });
                what = "layout";
                break;
            }
            case 13: {
                // An append at the end while the view is elsewhere, as the receiver appends.
                m->setTopLine(pick(m->LineCount()));
                const Integer s = m->SelStart();
                const Integer n = m->SelLength();
                m->setSelStart(m->TextLen());
                m->setSelText(pick(2) ? "\r\n" + Phrase(rng, 4) : Phrase(rng, 2));
                m->setSelStart(s);
                m->setSelLength(n);
                what = "append";
                break;
            }
            case 14:
                // Scrolls by code with a change between them, in one pass.
                nudge();
                changeInView(false);
                nudge();
                if (pick(2)) m->Update();
                what = "scrolls";
                break;
            case 15: {
                const bool on = pick(3) != 0;
                Both([&](TStyleMemo* x) {
                    x->setApplyStartStopKeys(on);
                    x->ReApplyKeywords();
                });
                what = on ? "keys on" : "keys off";
                break;
            }
            case 16: {
                // A selection across paragraphs replaced and the caret moved by a key at once, where
                // the lines behind the edit are not broken yet.
                // Near the longest paragraph's start half of the time, so that most of it is left
                // behind.
                Integer longest = 0;
                for (Integer p = 1; p < m->ParCount(); ++p)
                    if (m->ParList()->At(p)->Len > m->ParList()->At(longest)->Len) longest = p;
                const Integer at = pick(2) ? place() : std::min(m->ParsOffset(longest) + pick(100), m->TextLen());
                Select(*m, at, std::min(pick(2) ? pick(4000) : pick(50), m->TextLen() - at));
                m->setSelText(Phrase(rng, static_cast<int>(pick(4))) + "\r\n" + Phrase(rng, static_cast<int>(pick(4))));
                const bool far = pick(2) == 0;
                if (far) {
                    // Far into the paragraph the edit left, or anywhere.
                    const Integer q = m->SelPar();
                    const Integer end = m->ParsOffset(q) + m->ParList()->At(q)->Len;
                    m->setSelStart(pick(2) ? std::max(end - pick(40), 0) : pick(m->TextLen() + 1));
                }
                what = std::string("across, ") + (far ? "caret placed, " : "");
                bool moved = true;
                if (pick(3) == 0) {
                    Input::PressKey(VK_END, ssCtrl);
                    what += "ctrl+end";
                } else {
                    // The key lands where it lands in a memo broken whole, and shows the caret.
                    static const Word keys[] = {VK_DOWN, VK_UP, VK_NEXT, VK_PRIOR, VK_END, VK_HOME};
                    const Word key = keys[pick(6)];
                    what += "key " + std::to_string(key);
                    Copy();
                    const Integer line = m->SelLine();
                    for (TStyleMemo* x : {m, fresh}) x->Perform(WM_KEYDOWN, key, 0);
                    ASSERT_EQ(m->SelStart(), fresh->SelStart()) << "step " << step << " " << what;
                    // Down on the last line and Up on the first do nothing, not even scroll.
                    moved = !((key == VK_DOWN || key == VK_UP) && m->SelLine() == line);
                }
                // The view went to the caret, and stays there once the rest is broken. Wrapped,
                // right and centred text does not scroll sideways: End after blanks that hang past
                // the right edge leaves the caret there.
                const bool sideways = m->Alignment() == taLeftJustify && !m->WordWrap();
                for (int settled = 0; settled < 2 && moved; ++settled) {
                    const TPoint c = m->CaretXY();
                    ASSERT_TRUE(c.Y >= 0 && c.Y + m->RowHeight() <= m->ClientHeight() && (!sideways || (c.X >= 0 && c.X <= m->ClientWidth())))
                        << "caret out of view at " << c.X << "," << c.Y << ", step " << step << " " << what << " " << settled;
                    Settle(m);
                }
                break;
            }
            case 17: {
                // Lines changed through the lists while the caret stands elsewhere or a selection
                // is kept, as the receiver trims its window, or by an OnParse handler while an
                // edit replaces that selection; then a key that goes by the caret's column.
                const Integer at = place();
                Select(*m, at, std::min(pick(2) ? 0 : pick(60), m->TextLen() - at));
                const Integer kind = pick(5);
                const unsigned r = rng();
                const std::string s = Phrase(rng, 2 + static_cast<int>(pick(4)));
                auto change = [&] {
                    const auto index = [&](int n) { return static_cast<int>(r % static_cast<unsigned>(std::max(n, 1))); };
                    const int lines = m->Lines()->Count();
                    const int pars = m->Paragraphs()->Count();
                    switch (kind) {
                    case 0: m->Lines()->Insert(index(lines + 1), s); break;
                    case 1: m->Lines()->Delete(index(std::min(lines, 3))); break;
                    case 2: m->Lines()->Put(index(lines), s); break;
                    case 3: m->Paragraphs()->Insert(index(pars), s); break;
                    default: m->Paragraphs()->Delete(index(pars)); break;
                    }
                };
                if (pick(3) == 0) {
                    bool once = true;
                    m->OnParse = [&](TObject*, Integer, Integer) {
                        if (std::exchange(once, false)) change();
                    };
                    m->setSelText(Phrase(rng, 1 + static_cast<int>(pick(12))));
                    m->OnParse = nullptr;
                    what = "lists from OnParse";
                } else {
                    change();
                    what = "lists";
                }
                if (pick(2)) Input::PressKey(pick(2) ? VK_DOWN : VK_UP);
                break;
            }
            case 18: {
                // Sideways and up or down by code with changes between them, in one pass.
                Both([&](TStyleMemo* x) { x->setWordWrap(false); });
                m->setDisplayLeft(pick(120));
                changeInView(true);
                if (pick(2)) nudge();
                m->setDisplayLeft(pick(120));
                if (pick(2)) m->Update();
                what = "sideways";
                break;
            }
            case 19: {
                // A keyword changed and the memo dumped and read back before any of it was done.
                Both([&](TStyleMemo* x) {
                    const int i = x->Keywords()->IndexOf("beta");
                    if (i >= 0)
                        x->Keywords()->Delete(i);
                    else
                        x->Keywords()->AddKeyWord("beta", woWholeWordsOnly, FontStyle(fsUnderline), 3, 0, -1, clGreen);
                });
                m->ReApplyKeywords();
                TMemoryStream dump;
                m->SaveToNativeStream(&dump);
                dump.SetPosition(0);
                m->LoadFromNativeStream(&dump, true);
                what = "dump";
                break;
            }
            default:
                m->setTopLine(pick(m->LineCount()));
                what = "scroll";
                break;
            }
            log.push_back(std::to_string(step) + " " + what);
        }
        Settle(m);
        std::string steps;
        for (size_t i = log.size() > 8 ? log.size() - 8 : 0; i < log.size(); ++i) steps += log[i] + "; ";
        ASSERT_TRUE(DeepCheck(*m)) << "step " << step << " after ..." << steps;
        const ::testing::AssertionResult same = SameAsFresh(rng);
        if (!same) FAIL() << "step " << step << " after ..." << steps << "\n" << same.message();
    }
}

std::string LazyName(const LazySetup& S)
{
    static const char* const modes[] = {"Immediate", "OnNeed", "Background"};
    return modes[std::get<0>(S)] + std::string("Seed") + std::to_string(std::get<1>(S));
}

INSTANTIATE_TEST_SUITE_P(Memo, Lazy,
                         ::testing::Combine(::testing::Values(umBackground, umImmediate, umOnNeed), ::testing::Values(1u, 8u, 9u, 30u, 139u)),
                         [](const ::testing::TestParamInfo<LazySetup>& i) { return LazyName(i.param); });
// More runs: one that paints an update region that is not a rectangle while the lines above the
// view are broken anew (on demand), one that dumps a memo whose lines and highlighting still wait,
// two that move the caret by a key below a paragraph whose lines still wait, one that deletes lines
// above the top while a scroll waits, one that scrolls sideways to a glyph reaching back over the edge,
// two that page up and down over paragraphs whose lines wait, one that places the caret after a font
// change while lines before it gained as many as lines after it lost.
INSTANTIATE_TEST_SUITE_P(MemoMore, Lazy,
                         ::testing::Values(LazySetup{umOnNeed, 42u}, LazySetup{umBackground, 44u}, LazySetup{umOnNeed, 150u},
                                           LazySetup{umBackground, 2u}, LazySetup{umOnNeed, 288u}, LazySetup{umImmediate, 558u},
                                           LazySetup{umOnNeed, 244u}, LazySetup{umBackground, 205u}, LazySetup{umBackground, 241u}),
                         [](const ::testing::TestParamInfo<LazySetup>& i) { return LazyName(i.param); });

}  // namespace
namespace {

// Up from a paragraph's first line, after an edit at the start of a long paragraph before it whose
// lines behind the edit still wait, lands where it lands in a memo broken whole.
TEST(UpIntoWaitingLines, LandsAsInAMemoBrokenWhole)
{
    Application->Initialize();
    std::unique_ptr<TForm> form(new TForm(nullptr));
    form->SetBounds(20, 20, 900, 560);
    form->AfterConstruction();
    TStyleMemo* ms[2];
    for (int i = 0; i < 2; ++i) {
        ms[i] = new TStyleMemo(form.get());
        ms[i]->SetParent(form.get());
        ms[i]->SetBounds(i * 440, 0, 300, 200);
        ms[i]->setUpdateMode(i == 0 ? umOnNeed : umImmediate);
        ms[i]->Lines()->SetText(std::string(3000, 'A') + "\r\nxyz\r\nend");
    }
    form->Show();
    uitest::Pump();
    for (TStyleMemo* m : ms) {
        Select(*m, 10, 0);
        m->setSelText("C");
        m->setSelStart(m->ParsOffset(1) + 1);
        m->Perform(WM_KEYDOWN, VK_UP, 0);
    }
    EXPECT_EQ(ms[0]->SelStart(), ms[1]->SelStart());
}

// Scrolls by code gathered into one move of the picture, up, down and sideways, with changes between
// them, end as a memo given the same changes and brought to the last place directly: rows changed
// between two scrolls, one row high, are where the later scrolls take them, at full width.
TEST(GatheredScrolls, EndAsAMemoBroughtToTheSamePlaceDirectly)
{
    Application->Initialize();
    std::unique_ptr<TForm> form(new TForm(nullptr));
    form->SetBounds(20, 20, 900, 560);
    form->AfterConstruction();
    TStyleMemo* ms[2];
    std::string t;
    for (int k = 0; k < 100; ++k) t += "line " + std::to_string(k) + std::string(static_cast<size_t>(k % 7) * 9, 'x') + "\r\n";
    for (int i = 0; i < 2; ++i) {
        ms[i] = new TStyleMemo(form.get());
        ms[i]->SetParent(form.get());
        ms[i]->SetBounds(i * 440, 0, 300, 200);
        ms[i]->setHideSelection(false);
        ms[i]->setWordWrap(false);
        ms[i]->Lines()->SetText(t);
    }
    form->Show();
    uitest::Pump();
    TStyleMemo* m = ms[0];
    for (unsigned seed : {1u, 2u, 3u, 4u, 5u, 6u}) {
        std::mt19937 rng(seed);
        auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
        // Sideways moves only with the text at the left: other alignments keep the view at 0.
        const TAlignment align = seed % 3 == 0 ? taRightJustify : taLeftJustify;
        for (TStyleMemo* x : ms) x->setAlignment(align);
        for (int step = 0; step < 40; ++step) {
            const Integer start = 5 + pick(80);
            const Integer startLeft = pick(3) * 40;
            for (TStyleMemo* x : ms) x->SetTopLeft(start * x->RowHeight(), startLeft);
            uitest::Pump();
            Integer top = start;
            Integer left = startLeft;
            std::string ops = "start " + std::to_string(start) + "," + std::to_string(startLeft);
            auto move = [&] {
                top = std::clamp<Integer>(top + pick(7) - 3, 0, 90);
                if (pick(2)) left = pick(4) * 30;
                m->SetTopLeft(top * m->RowHeight(), left);
                ops += "; to " + std::to_string(top) + "," + std::to_string(left);
            };
            for (int k = pick(3) + 1; k > 0; --k) {
                move();
                const Integer par = top + pick(m->VisibleLines());
                ops += " par " + std::to_string(par);
                switch (pick(3)) {
                case 0: {
                    const TColor c = pick(2) ? clRed : -1;
                    ops += c == clRed ? " red" : " default";
                    for (TStyleMemo* x : ms) x->setParBackgnd(par, c);
                    break;
                }
                case 1: {
                    const Integer at = m->ParsOffset(par) + pick(4);
                    const Integer len = pick(12);
                    for (TStyleMemo* x : ms) Select(*x, at, len);
                    break;
                }
                default:
                    ops += " typed";
                    for (TStyleMemo* x : ms) {
                        x->setSelStart(x->ParsOffset(par));
                        x->setSelText("ab");
                    }
                    break;
                }
            }
            move();
            if (pick(2)) {
                m->Update();
                ops += " update";
            }
            ms[1]->SetTopLeft(m->TopOrigin(), m->DisplayLeft());
            uitest::Pump();
            const auto pa = ClientPixels(ms[0]);
            const auto pb = ClientPixels(ms[1]);
            if (pa != pb) {
                const auto at = std::mismatch(pa.begin(), pa.end(), pb.begin()).first - pa.begin();
                FAIL() << "seed " << seed << " step " << step << ": first differing pixel in row " << at / m->ClientWidth()
                       << " at x " << at % m->ClientWidth() << " after " << ops;
            }
        }
    }
}

}  // namespace
