#include "tests/fuzz/FuzzSupport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

#include "ctlbase/Exini.h"
#include "ctlbase/Exstrutils.h"

namespace fuzz {

void Fail(const char* What, const std::string& Detail)
{
    std::fprintf(stderr, "fuzz check failed: %s\n%s\n", What, Detail.c_str());
    std::abort();
}

std::string ScratchPath(const std::string& Name)
{
    // Never destroyed: the exit handler that removes the folder still needs its name.
    static const std::string* dir = [] {
        const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        auto* d = new std::string(std::string(base) + "/morvik-fuzz-" + std::to_string(getpid()));
        mkdir(d->c_str(), 0700);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(*dir, ignored);
        });
        return d;
    }();
    return Name.empty() ? *dir : *dir + "/" + Name;
}

void WriteFile(const std::string& Path, const std::string& Bytes)
{
    std::ofstream f(Path, std::ios::binary | std::ios::trunc);
    f.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
    FUZZ_CHECK(f.good(), Path);
}

std::string ReadFile(const std::string& Path)
{
    std::ifstream f(Path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

bool LoadStore(TExIniFile& Ini, const std::string& Bytes)
{
    TReadOnlyMemoryStream s(Bytes.data(), static_cast<Int64>(Bytes.size()));
    try {
        Ini.LoadFromStream(&s);
    } catch (const EExIniError&) {
        return false;
    }
    return true;
}

std::string SaveStore(TExIniFile& Ini)
{
    TMemoryStream m;
    Ini.SaveToStream(&m);
    return {m.Bytes().begin(), m.Bytes().end()};
}

namespace {

bool BareName(const std::string& Name)
{
    if (Name.size() < 2 || Name[0] != '#') return false;
    for (size_t i = 1; i < Name.size(); ++i)
        if (Name[i] < '0' || Name[i] > '9') return false;
    return true;
}

std::string Quoted(const std::string& S)
{
    return "<" + Data2Str(S.data(), static_cast<Integer>(S.size())) + ">";
}

}  // namespace

std::string Listing(TExIniFile& Ini, bool BareNamesFree, bool FlatText, bool TextOrder)
{
    std::string out;
    std::function<void(const TExIniEntry*, int)> walk = [&](const TExIniEntry* E, int Depth) {
        std::vector<const TExIniEntry*> children;
        for (Integer i = 0; i < E->GetSubCount(); ++i)
            if (!TextOrder || !E->Child(i)->IsKey) children.push_back(E->Child(i));
        for (Integer i = 0; TextOrder && i < E->GetSubCount(); ++i)
            if (E->Child(i)->IsKey) children.push_back(E->Child(i));
        for (const TExIniEntry* c : children) {
            std::string name = c->Name();
            if (BareNamesFree && c->ValueType == evtString && !c->IsKey && BareName(name)) name = "#";
            const bool asNumber = FlatText && c->ValueType == evtBoolean;
            out += std::string(static_cast<size_t>(Depth), ' ') + (c->IsKey ? "K " : "V ") + Quoted(name) + " " +
                   std::to_string(asNumber ? evtInt : c->ValueType) + " ";
            switch (c->ValueType) {
            case evtBoolean: out += c->BoolValue ? "1" : "0"; break;
            case evtInt: out += std::to_string(c->IntValue); break;
            case evtString: out += Quoted(c->StrValue); break;
            case evtMultiString:
                if (c->MultiValue)
                    for (int j = 0; j < c->MultiValue->Count(); ++j) out += Quoted(c->MultiValue->Get(j));
                break;
            case evtBinary:
                out += Quoted(std::string(c->BinValue.begin(), c->BinValue.end()));
                break;
            case evtDouble: {
                std::uint64_t bits = 0;
                std::memcpy(&bits, &c->DoubleValue, 8);
                out += std::to_string(bits);
                break;
            }
            default: break;
            }
            out += "\n";
            if (c->IsKey) walk(c, Depth + 1);
        }
    };
    walk(Ini.Root(), 0);
    return out;
}

}  // namespace fuzz
