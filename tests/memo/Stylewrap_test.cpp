// Word wrap after edits: re-breaking only around an edit must give the lines a full reformat gives,
// in proportional and fixed fonts, at every alignment; and lines far longer than the window (a
// receive window fed noise without blanks) must wrap and scroll as short ones do.
#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "memo/Stylememo.h"
#include "platform/Classes.h"
#include "platform/Forms.h"
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

struct WrapSetup {
    const char* Name;
    const char* Face;
    TAlignment Align;
    bool Justified;
    bool WordWrap = true;
};

const WrapSetup WrapSetups[] = {
    {"ProportionalLeft", "DejaVu Sans", taLeftJustify, false},
    {"ProportionalRight", "DejaVu Sans", taRightJustify, false},
    {"ProportionalCentred", "DejaVu Serif", taCenter, false},
    {"ProportionalJustified", "DejaVu Sans", taLeftJustify, true},
    {"FixedLeft", "DejaVu Sans Mono", taLeftJustify, false},
    {"ProportionalNoWrap", "DejaVu Sans", taLeftJustify, false, false},
};

std::ostream& operator<<(std::ostream& Os, const WrapSetup& C) { return Os << C.Name; }

class RandomEdits : public Wrap, public ::testing::WithParamInterface<WrapSetup> {};

// Words of every kind the breaker treats apart: short, long, wider than the window, with style
// codes inside, TABs, runs of blanks, paragraph breaks.
const char* const Pieces[] = {"a", "to", "the", "word", "blanks", "letters", "wrapping", " ", "  ", "   ",
                              "\t", "\r\n", "\x02" "bold" "\x02", "it\x01" "al\x01" "ic",
                              "averyveryverylongwordthatisfarwiderthanthewholewindowcanshowatonce",
                              "WWWWWWWWWWWWWWWWWW", "iiiiiiiiiiiiiiiiiiiiiiiiiii", "m", "W ", " i"};

TEST_P(RandomEdits, ReBreakingAroundAnEditEqualsAFullReformat)
{
    const WrapSetup& c = GetParam();
    Both([&](TStyleMemo* m) {
        m->Font()->SetName(c.Face);
        m->setAlignment(c.Align);
        m->setJustified(c.Justified);
        m->setWordWrap(c.WordWrap);
    });
    std::mt19937 rng(20261207);
    auto pick = [&](int n) { return static_cast<Integer>(rng() % static_cast<unsigned>(n)); };
    edited->setSelText("The quick brown fox jumps over the lazy dog while seven wizards hex a jovial frog.");
    for (int step = 0; step < 250; ++step) {
        const int kind = pick(10);
        if (kind < 5) {
            // Typing or pasting at a random place.
            edited->setSelStart(pick(edited->TextLen() + 1));
            std::string s;
            for (int k = pick(3) + 1; k > 0; --k) s += Pieces[pick(static_cast<int>(std::size(Pieces)))];
            // Typed key by key (a break is one key), or pasted whole.
            if (pick(2) == 0 && s.find('\r') == std::string::npos) {
                for (const char ch : s) edited->setSelText(std::string(1, ch));
            } else {
                edited->setSelText(s);
            }
        } else if (kind < 8) {
            const Integer from = pick(edited->TextLen() + 1);
            Select(*edited, from, std::min(pick(12) + 1, edited->TextLen() - from));
            edited->ClearSelection();
        } else if (kind == 8) {
            edited->Undo();
        } else {
            edited->Redo();
        }
        if (pick(40) == 0) {
            // Another width: the window's own resize reformats everything.
            const int w = 120 + pick(400);
            edited->SetWidth(w);
            fresh->SetWidth(w);
            uitest::Pump();
        }
        ASSERT_TRUE(DeepCheck(*edited)) << "step " << step;
        ASSERT_TRUE(SameAsFresh()) << "step " << step << " text \"" << Text(*edited) << "\"";
    }
}

INSTANTIATE_TEST_SUITE_P(Memo, RandomEdits, ::testing::ValuesIn(WrapSetups),
                         [](const ::testing::TestParamInfo<WrapSetup>& i) { return std::string(i.param.Name); });

}  // namespace
