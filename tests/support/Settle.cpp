#include "tests/support/Settle.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "platform/Forms.h"

namespace settle {

namespace {

// One pass of the message loop, with a moment for the toolkit's own posted work to arrive.
void Pass()
{
    Application->ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// Start-up paints a few times, however busy the machine; a window that repaints itself from its
// own paint or from every tick goes on without end, and is told apart long before the time limit.
bool PaintedWithoutEnd(const PaintCount::TCounts& C)
{
    constexpr unsigned kMostStartUpPaints = 1000;
    return C.Paints + C.FramePaints + C.ScreenUpdates > kMostStartUpPaints;
}

}  // namespace

PaintCount::TCounts PaintsAfterSettling(int Passes, std::chrono::milliseconds Limit)
{
    // Waits for what is known to come, however late a busy machine delivers it: every posted call
    // delivered, every shown window painted, and every running timer ticked once (start-up work
    // often shows its first results at the first tick). A window that never rests never gets there.
    const unsigned mark = PaintCount::TickMark();
    const auto end = std::chrono::steady_clock::now() + Limit;
    PaintCount::Reset();
    PaintCount::TPending pending = PaintCount::Pending(mark);
    bool rested = false;
    while (!rested && std::chrono::steady_clock::now() < end && !PaintedWithoutEnd(PaintCount::Counts())) {
        Pass();
        pending = PaintCount::Pending(mark);
        if (PaintCount::Nothing(pending)) {
            // What the images owe the screen is shown now rather than at the toolkit's next update.
            PaintCount::FlushScreen();
            pending = PaintCount::Pending(mark);
            rested = PaintCount::Nothing(pending);
        }
    }
    if (!rested)
        ADD_FAILURE() << "the windows did not come to rest: " << pending.PostedCalls << " posted calls waiting, "
                      << pending.WindowsToPaint << " windows to paint, " << pending.TimersToTick
                      << " timers yet to tick; painted meanwhile " << ::testing::PrintToString(PaintCount::Counts());
    // The further passes last until every running timer has ticked again and what it set off is
    // done, so that a window a timer repaints at every tick shows it however slow the timer.
    const unsigned measured = PaintCount::TickMark();
    const auto measureEnd = std::chrono::steady_clock::now() + Limit;
    PaintCount::Reset();
    for (int i = 0; i < Passes || (!PaintCount::Nothing(PaintCount::Pending(measured)) &&
                                   std::chrono::steady_clock::now() < measureEnd && !PaintedWithoutEnd(PaintCount::Counts()));
         ++i)
        Pass();
    return PaintCount::Counts();
}

PaintCount::TCounts PaintsUntil(const std::function<bool(const PaintCount::TCounts&)>& Done,
                                const std::function<void()>& Step)
{
    PaintCount::Reset();
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!Done(PaintCount::Counts()) && std::chrono::steady_clock::now() < end) {
        if (Step)
            Step();
        Pass();
    }
    return PaintCount::Counts();
}

void ExpectSettles(const TRow& Row)
{
    auto* form = new TForm(nullptr);
    form->SetBounds(40, 40, 420, 320);
    form->AfterConstruction();
    Row.Make(form);
    form->Show();
    EXPECT_EQ(Painted(PaintsAfterSettling()), PaintCount::TCounts{});
    EXPECT_EQ(PaintCount::RunningTimers(), 0) << "a timer runs with nothing to do";
    TObject::Free(form);
    Application->ProcessMessages();
}

namespace {

struct TClassDecl {
    std::string Name;
    std::vector<std::string> Bases;  // a template argument counts as a base: TExPictureButton<TExButtonControl>
    bool Template = false;
};

bool IdentChar(char C) { return std::isalnum(static_cast<unsigned char>(C)) || C == '_' || C == ':'; }

std::string LastPart(const std::string& Name)
{
    const std::size_t colon = Name.rfind(':');
    return colon == std::string::npos ? Name : Name.substr(colon + 1);
}

// "public TA<TB>, private virtual TC" -> TA, TB, TC.
std::vector<std::string> BasesOf(const std::string& Clause)
{
    std::vector<std::string> bases;
    std::string word;
    auto flush = [&] {
        if (!word.empty() && word != "public" && word != "protected" && word != "private" && word != "virtual")
            bases.push_back(LastPart(word));
        word.clear();
    };
    for (char c : Clause) {
        if (IdentChar(c))
            word += c;
        else
            flush();
    }
    flush();
    return bases;
}

// The classes with base classes declared in a header's text.
std::vector<TClassDecl> ClassesIn(const std::string& Text)
{
    std::vector<TClassDecl> found;
    for (const char* keyword : {"class ", "struct "}) {
        for (std::size_t at = Text.find(keyword); at != std::string::npos; at = Text.find(keyword, at + 1)) {
            if (at > 0 && IdentChar(Text[at - 1]))
                continue;
            std::size_t i = at + std::strlen(keyword);
            const std::size_t nameStart = i;
            while (i < Text.size() && IdentChar(Text[i]))
                ++i;
            TClassDecl d;
            d.Name = Text.substr(nameStart, i - nameStart);
            const std::size_t open = Text.find_first_of("{;", i);
            if (d.Name.empty() || open == std::string::npos || Text[open] != '{')
                continue;
            std::string head = Text.substr(i, open - i);
            const std::size_t colon = head.find(':');
            if (colon == std::string::npos)
                continue;
            d.Bases = BasesOf(head.substr(colon + 1));
            // template <...> right before the keyword.
            std::size_t j = at;
            while (j > 0 && std::isspace(static_cast<unsigned char>(Text[j - 1])))
                --j;
            if (j > 0 && Text[j - 1] == '>') {
                const std::size_t t = Text.rfind("template", j);
                d.Template = t != std::string::npos && Text.find_first_of(";{}", t) >= j;
            }
            found.push_back(std::move(d));
        }
    }
    return found;
}

}  // namespace

std::vector<std::string> ControlClassesDeclaredIn(const std::string& SourceDir, const std::string& Layer)
{
    namespace fs = std::filesystem;
    struct TClass {
        std::vector<std::string> Bases;
        std::string Layer;
        bool Template = false;
    };
    std::map<std::string, TClass> classes;
    for (const char* layer : {"platform", "ctlbase", "controls", "tree", "memo", "extras", "receiver"}) {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(fs::path(SourceDir) / layer, ec)) {
            if (entry.path().extension() != ".h")
                continue;
            std::ifstream in(entry.path());
            std::stringstream text;
            text << in.rdbuf();
            for (TClassDecl& d : ClassesIn(text.str()))
                classes[d.Name] = TClass{std::move(d.Bases), layer, d.Template};
        }
    }
    std::map<std::string, bool> known{{"TControl", true}};
    std::function<bool(const std::string&, int)> isControl = [&](const std::string& Name, int Depth) {
        if (auto k = known.find(Name); k != known.end())
            return k->second;
        auto c = classes.find(Name);
        bool result = false;
        if (c != classes.end() && Depth < 64)
            for (const std::string& b : c->second.Bases)
                result = result || isControl(b, Depth + 1);
        known[Name] = result;
        return result;
    };
    std::vector<std::string> found;
    for (const auto& [name, c] : classes)
        if (c.Layer == Layer && !c.Template && isControl(name, 0))
            found.push_back(name);
    return found;
}

void ExpectARowForEveryControlClass(const std::string& SourceDir, const std::string& Layer,
                                    const std::vector<std::string>& RowNames)
{
    const std::vector<std::string> classes = ControlClassesDeclaredIn(SourceDir, Layer);
    EXPECT_FALSE(classes.empty()) << "no control class found in " << SourceDir << "/" << Layer;
    const std::set<std::string> rows(RowNames.begin(), RowNames.end());
    for (const std::string& c : classes)
        EXPECT_TRUE(rows.count(c)) << c << " has no row in the table";
}

}  // namespace settle
