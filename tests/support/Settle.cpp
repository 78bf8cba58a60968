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

bool PaintedAnything(const PaintCount::TCounts& C)
{
    return C.Paints != 0 || C.FramePaints != 0 || C.ScreenUpdates != 0;
}

// One pass of the message loop, with a moment for the toolkit's own posted work to arrive.
void Pass()
{
    Application->ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace

PaintCount::TCounts PaintsAfterSettling(int Passes)
{
    // A stretch of quiet passes, long enough that start-up work a busy machine delivers late (a
    // single paint after three quiet passes, once in a suite run at three jobs a core) is not taken
    // for a window that never rests; one that never rests has no quiet stretch at all.
    constexpr int kQuietPasses = 10;
    constexpr int kMaxPasses = 2000;
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    int quiet = 0;
    for (int i = 0; i < kMaxPasses && quiet < kQuietPasses && std::chrono::steady_clock::now() < end; ++i) {
        PaintCount::Reset();
        Pass();
        quiet = PaintedAnything(PaintCount::Counts()) ? 0 : quiet + 1;
    }
    PaintCount::Reset();
    for (int i = 0; i < Passes; ++i)
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
