#include "ctlbase/Exini.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_map>

#include "ctlbase/Exlist.h"
#include "ctlbase/Exobjlist.h"
#include "ctlbase/Exstrutils.h"
#include "ctlbase/Extools.h"
#include "platform/FileUtils.h"
#include "platform/Graphics.h"
#include "platform/TypInfo.h"

namespace {

constexpr const char* BadData = "Damaged settings data at offset %d.";

std::string MatchName(const std::string& S)
{
    return UpperCase(Trim(S));
}

bool NoName(const std::string& Name)
{
    return Trim(Name).empty();
}

// Holds a value of its own (a key may hold one too).
bool IsValue(const TExIniEntry* E)
{
    return !E->IsKey || E->ValueType != evtUnknown;
}

// Val-style reading of a decimal 32-bit integer: 0 on success, else the 1-based position of the fault.
Integer Val32(const std::string& T, Integer& V)
{
    size_t i = 0;
    bool neg = false;
    if (i < T.size() && (T[i] == '+' || T[i] == '-')) {
        neg = T[i] == '-';
        ++i;
    }
    if (i >= T.size()) return static_cast<Integer>(i + 1);
    Int64 acc = 0;
    for (; i < T.size(); ++i) {
        if (T[i] < '0' || T[i] > '9') return static_cast<Integer>(i + 1);
        acc = acc * 10 + (T[i] - '0');
        if (acc > (neg ? 2147483648LL : 2147483647LL)) return static_cast<Integer>(i + 1);
    }
    V = static_cast<Integer>(neg ? -acc : acc);
    return 0;
}

bool Decimal32(const std::string& T, Integer& V)
{
    return Val32(T, V) == 0;
}

// ---------------------------------------------------------------- the 10-byte extended form

void DoubleToExtended(double V, Byte Out[10])
{
    std::uint64_t mant = 0;
    unsigned exp = 0;
    if (std::isnan(V)) {
        exp = 0x7FFF;
        mant = 0xC000000000000000ULL;
    } else if (std::isinf(V)) {
        exp = 0x7FFF;
        mant = 0x8000000000000000ULL;
    } else if (V != 0) {
        int e = 0;
        const double m = std::frexp(std::fabs(V), &e);  // in [0.5, 1)
        mant = static_cast<std::uint64_t>(std::ldexp(m, 64));
        exp = static_cast<unsigned>(e - 1 + 16383);
    }
    if (std::signbit(V)) exp |= 0x8000;
    for (int i = 0; i < 8; ++i) Out[i] = static_cast<Byte>(mant >> (8 * i));
    Out[8] = static_cast<Byte>(exp);
    Out[9] = static_cast<Byte>(exp >> 8);
}

double ExtendedToDouble(const Byte In[10])
{
    std::uint64_t mant = 0;
    for (int i = 0; i < 8; ++i) mant |= static_cast<std::uint64_t>(In[i]) << (8 * i);
    const unsigned se = In[8] | (In[9] << 8);
    const int exp = static_cast<int>(se & 0x7FFF);
    const bool neg = (se & 0x8000) != 0;
    double v = 0;
    if (exp == 0x7FFF)
        v = (mant << 1) == 0 ? INFINITY : NAN;
    else if (mant != 0)
        v = std::ldexp(static_cast<double>(mant), exp - 16383 - 63);
    return neg ? -v : v;
}

// ---------------------------------------------------------------- little-endian fields

void PutInt32(TStream* S, Integer V)
{
    const auto u = static_cast<std::uint32_t>(V);
    const Byte b[4] = {static_cast<Byte>(u), static_cast<Byte>(u >> 8), static_cast<Byte>(u >> 16),
                       static_cast<Byte>(u >> 24)};
    S->WriteBuffer(b, 4);
}

void PutByte(TStream* S, Byte V)
{
    S->WriteBuffer(&V, 1);
}

void PutString(TStream* S, const std::string& V)
{
    if (!WriteStringToStream(S, V)) throw EWriteError(SysMsg::WriteError);
}

// Reads the binary form out of memory; every length is checked against what is left.
class BinReader {
public:
    explicit BinReader(const std::string& D) : FData(D) {}
    size_t Left() const { return FData.size() - FPos; }
    size_t Pos() const { return FPos; }
    [[noreturn]] void Bad() const { throw EExIniError(Format(BadData, static_cast<int>(FPos))); }
    void Need(size_t N) const
    {
        if (N > Left()) Bad();
    }
    Byte U8()
    {
        Need(1);
        return static_cast<Byte>(FData[FPos++]);
    }
    Integer I32()
    {
        Need(4);
        std::uint32_t u = 0;
        for (int i = 0; i < 4; ++i) u |= static_cast<std::uint32_t>(static_cast<Byte>(FData[FPos + i])) << (8 * i);
        FPos += 4;
        return static_cast<Integer>(u);
    }
    // A length-prefixed string that must end by Limit.
    std::string Str(size_t Limit)
    {
        const Integer len = I32();
        if (len < 0 || static_cast<size_t>(len) > Left() || FPos + static_cast<size_t>(len) > Limit) Bad();
        std::string s = FData.substr(FPos, static_cast<size_t>(len));
        FPos += static_cast<size_t>(len);
        return s;
    }
    std::string Str() { return Str(FData.size()); }
    void Bytes(void* Out, size_t N)
    {
        Need(N);
        if (N > 0) std::memcpy(Out, FData.data() + FPos, N);
        FPos += N;
    }
    void Skip(size_t N)
    {
        Need(N);
        FPos += N;
    }

private:
    const std::string& FData;
    size_t FPos = 0;
};

// ---------------------------------------------------------------- registry data

std::vector<std::string> SplitMulti(const std::vector<Byte>& Data)
{
    std::string s(Data.begin(), Data.end());
    // The list ends with an empty item (a second zero); a list without it is read all the same.
    if (!s.empty() && s.back() == '\0') s.pop_back();
    std::vector<std::string> items;
    size_t p = 0;
    while (p < s.size()) {
        size_t z = s.find('\0', p);
        if (z == std::string::npos) z = s.size();
        items.push_back(s.substr(p, z - p));
        p = z + 1;
    }
    return items;
}

std::vector<Byte> JoinMulti(const TStrings* Strings)
{
    std::vector<Byte> d;
    for (int i = 0; i < Strings->Count(); ++i) {
        const std::string s = Strings->Get(i);
        d.insert(d.end(), s.begin(), s.end());
        d.push_back(0);
    }
    d.push_back(0);
    return d;
}

std::string RegText(const std::vector<Byte>& Data)
{
    std::string s(Data.begin(), Data.end());
    const size_t z = s.find('\0');
    return z == std::string::npos ? s : s.substr(0, z);
}

bool RegDword(DWORD Type, const std::vector<Byte>& Data, Integer& V)
{
    if (Type != REG_DWORD || Data.size() != 4) return false;
    std::uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= static_cast<std::uint32_t>(Data[static_cast<size_t>(i)]) << (8 * i);
    V = static_cast<Integer>(u);
    return true;
}

std::vector<Byte> DwordData(Integer V)
{
    const auto u = static_cast<std::uint32_t>(V);
    return {static_cast<Byte>(u), static_cast<Byte>(u >> 8), static_cast<Byte>(u >> 16), static_cast<Byte>(u >> 24)};
}

// Deletes the sub-key Name of Parent with everything below it.
bool DeleteRegTree(HKEY Parent, const std::string& Name)
{
    HKEY k = nullptr;
    if (RegOpenKeyEx(Parent, Name, 0, KEY_ALL_ACCESS, &k) != ERROR_SUCCESS) return false;
    bool ok = true;
    std::string sub;
    while (ok && RegEnumKeyEx(k, 0, sub) == ERROR_SUCCESS) ok = DeleteRegTree(k, sub);
    RegCloseKey(k);
    return ok && RegDeleteKey(Parent, Name) == ERROR_SUCCESS;
}

// ---------------------------------------------------------------- text form
// A string that would not read back as the same string (it holds a line break, a quote or the
// comment characters, or reads as another type) is written in double quotes, with "%", the quote and
// control characters as %HH. A file that uses this says so in a comment line of its own before its
// first value (QuotingMark); in a file without that line quotes are plain text, as they always were.

constexpr const char* QuotingMark = "Texts in double quotes hold %, \" and control characters as %HH.";

std::string QuoteText(const std::string& S)
{
    static const char Hex[] = "0123456789ABCDEF";
    std::string out = "\"";
    for (unsigned char c : S) {
        if (c < 0x20 || c == '%' || c == '"') {
            out += '%';
            out += Hex[c >> 4];
            out += Hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

bool IsQuotedText(const std::string& S)
{
    return S.size() >= 2 && S.front() == '"' && S.back() == '"';
}

int HexDigit(char C)
{
    if (C >= '0' && C <= '9') return C - '0';
    if (C >= 'A' && C <= 'F') return C - 'A' + 10;
    if (C >= 'a' && C <= 'f') return C - 'a' + 10;
    return -1;
}

std::string UnquoteText(const std::string& S)
{
    std::string out;
    for (size_t i = 1; i + 1 < S.size(); ++i) {
        if (S[i] == '%' && i + 3 < S.size()) {
            const int h = HexDigit(S[i + 1]);
            const int l = HexDigit(S[i + 2]);
            if (h >= 0 && l >= 0) {
                out += static_cast<char>(h * 16 + l);
                i += 2;
                continue;
            }
        }
        out += S[i];
    }
    return out;
}

bool HasControl(const std::string& S)
{
    for (unsigned char c : S)
        if (c < 0x20) return true;
    return false;
}

// The type an unquoted value text takes when it is read.
TExValueType PlainType(const std::string& S)
{
    if (SameText(S, "TRUE") || SameText(S, "FALSE")) return evtBoolean;
    double d = 0;
    Integer code = 0;
    ValFloat(S, d, code);
    if (code == 0 && StrFloat(d) == S) return evtDouble;
    Integer v = 0;
    if (Decimal32(S, v) && IntToStr(v) == S) return evtInt;
    if (S.compare(0, 4, "454C") != 0) return evtString;
    std::vector<Byte> data;
    Integer size = 0;
    return Str2Data(S, data, size) ? evtBinary : evtString;
}

// A name the reader gives a line without a name: "#" and its line number. Only such values may be
// written as their text alone; any other name would not come back.
bool LineName(const std::string& Name)
{
    if (Name.size() < 2 || Name[0] != '#') return false;
    for (size_t i = 1; i < Name.size(); ++i)
        if (Name[i] < '0' || Name[i] > '9') return false;
    return true;
}

std::string ItemKeyName(Integer N)
{
    return "Item{" + IntToStr(N) + "}";
}

}  // namespace

// ---------------------------------------------------------------- StrFloat / ValFloat

std::string StrFloat(double Value)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &Value, 8);
    const auto lo = static_cast<Integer>(static_cast<std::uint32_t>(bits));
    const auto hi = static_cast<Integer>(static_cast<std::uint32_t>(bits >> 32));
    return IntToStr(lo) + "." + IntToStr(hi);
}

void ValFloat(const std::string& S, double& Value, Integer& Code)
{
    const size_t dot = S.find('.');
    if (dot == std::string::npos) {
        Code = -1;
        return;
    }
    const auto dotPos = static_cast<Integer>(dot + 1);
    if (dot == 0 || dot + 1 == S.size()) {
        Code = dotPos;
        return;
    }
    Integer lo = 0;
    Integer hi = 0;
    if (const Integer c = Val32(S.substr(0, dot), lo); c != 0) {
        Code = c;
        return;
    }
    if (const Integer c = Val32(S.substr(dot + 1), hi); c != 0) {
        Code = c + dotPos;
        return;
    }
    const std::uint64_t bits =
        static_cast<std::uint32_t>(lo) | (static_cast<std::uint64_t>(static_cast<std::uint32_t>(hi)) << 32);
    std::memcpy(&Value, &bits, 8);
    Code = 0;
}

// ---------------------------------------------------------------- TExIniEntry

namespace {
// Below this many children a search is quicker than keeping an index.
constexpr Integer IndexFrom = 32;
}  // namespace

TExIniEntry::TExIniEntry() : FChildren(std::make_unique<TExList>())
{
    FChildren->OnDelete = [this](TObject*, void* Item) {
        FIndex.reset();
        delete static_cast<TExIniEntry*>(Item);
    };
}

TExIniEntry::~TExIniEntry()
{
    // The children go first: their removal still drops the index.
    FChildren.reset();
}

TExIniEntry* TExIniEntry::GetValue(const std::string& Name) const
{
    const std::string m = MatchName(Name);
    const Integer n = FChildren->Count();
    if (n >= IndexFrom) {
        if (!FIndex) {
            FIndex = std::make_unique<std::unordered_map<std::string, TExIniEntry*>>();
            for (Integer i = 0; i < n; ++i) {
                auto* e = static_cast<TExIniEntry*>(FChildren->FastGet(i));
                FIndex->emplace(e->FMatchName, e);
            }
        }
        const auto it = FIndex->find(m);
        return it == FIndex->end() ? nullptr : it->second;
    }
    for (Integer i = 0; i < n; ++i) {
        auto* e = static_cast<TExIniEntry*>(FChildren->FastGet(i));
        if (e->FMatchName == m) return e;
    }
    return nullptr;
}

void TExIniEntry::Invalidate()
{
    StrValue.clear();
    StrValue.shrink_to_fit();
    MultiValue.reset();
    BinValue.clear();
    BinValue.shrink_to_fit();
    BoolValue = false;
    IntValue = 0;
    DoubleValue = 0;
    ValueType = evtUnknown;
}

void TExIniEntry::SetParent(TExIniEntry* P)
{
    if (FParent != nullptr) {
        const Integer i = FParent->FChildren->IndexOf(this);
        if (i >= 0) FParent->FChildren->IntDelete(i);
        FParent->FIndex.reset();
    }
    FParent = P;
    if (P != nullptr) {
        P->FChildren->Add(this);
        if (P->FIndex) P->FIndex->emplace(FMatchName, this);
    }
}

Integer TExIniEntry::GetSubCount() const
{
    return FChildren->Count();
}

TExIniEntry* TExIniEntry::Child(Integer Index) const
{
    return static_cast<TExIniEntry*>(FChildren->Get(Index));
}

void TExIniEntry::SetName(const std::string& Value)
{
    FName = Value;
    FMatchName = MatchName(Value);
    if (FParent != nullptr) FParent->FIndex.reset();
}

Integer TExIniEntry::Level() const
{
    Integer n = 0;
    for (const TExIniEntry* p = FParent; p != nullptr; p = p->FParent) ++n;
    return n;
}

namespace {

TExIniEntry* AddChild(TExIniEntry* Parent, const std::string& Name, bool Key)
{
    auto* e = new TExIniEntry;
    e->SetName(Name);
    e->IsKey = Key;
    e->SetParent(Parent);
    return e;
}

Integer Height(const TExIniEntry* E)
{
    Integer h = 0;
    for (Integer i = 0; i < E->GetSubCount(); ++i) h = Max(h, 1 + Height(E->Child(i)));
    return h;
}

}  // namespace

// ---------------------------------------------------------------- TExIniFile: the current key

// Remembers the current key for the length of an operation and opens it again afterwards. Keys that
// the operation renames or moves carry the remembered path along (Repath); when the remembered key
// is gone, the deepest key of its path that is left becomes current.
class TExIniFile::KeyKeeper {
public:
    explicit KeyKeeper(TExIniFile* F) : FFile(F), FSaved(F->CurrentKey()) { F->FKeepers.push_back(&FSaved); }
    ~KeyKeeper()
    {
        FFile->FKeepers.pop_back();
        try {
            FFile->OpenKey(FSaved, false);
        } catch (...) {
            // Nothing to report from here; the store stays usable.
        }
    }
    KeyKeeper(const KeyKeeper&) = delete;
    KeyKeeper& operator=(const KeyKeeper&) = delete;

private:
    TExIniFile* FFile;
    std::string FSaved;
};

TExIniFile::TExIniFile(TComponent* AOwner) : TComponent(AOwner), FRoot(std::make_unique<TExIniEntry>())
{
    FRoot->IsKey = true;
    FCurrent = FRoot.get();
}

TExIniFile::~TExIniFile()
{
    try {
        if (FLazyWrite && FChanged && !UseRegistry()) Save();
    } catch (...) {
        // A destructor cannot report a failed save.
    }
    FRegistry.reset();
    FCurrent = nullptr;
    FRoot.reset();
}

std::string TExIniFile::PathOf(const TExIniEntry* Entry) const
{
    std::vector<const TExIniEntry*> chain;
    for (const TExIniEntry* e = Entry; e != nullptr && e->Parent() != nullptr; e = e->Parent()) chain.push_back(e);
    if (chain.empty()) return std::string(1, FDelimiter);
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        path += FDelimiter;
        path += (*it)->Name();
    }
    return path;
}

std::string TExIniFile::CurrentKey() const
{
    return UseRegistry() ? FRegPath : PathOf(FCurrent);
}

void TExIniFile::SetCurrentKey(const std::string& Key)
{
    if (Key != CurrentKey()) OpenKey(Key, true);
}

void TExIniFile::MarkChanged()
{
    FChanged = true;
}

bool TExIniFile::SaveIfEager()
{
    if (FLazyWrite || FPath.empty() || UseRegistry()) return true;
    return Save();
}

void TExIniFile::Repath(const std::string& OldPath, const std::string& NewPath)
{
    for (std::string* k : FKeepers) {
        if (SameText(*k, OldPath))
            *k = NewPath;
        else if (k->size() > OldPath.size() && (*k)[OldPath.size()] == FDelimiter &&
                 SameText(k->substr(0, OldPath.size()), OldPath))
            *k = NewPath + k->substr(OldPath.size());
    }
}

bool TExIniFile::OpenKey(const std::string& Key, bool CanCreate)
{
    return UseRegistry() ? RegOpenKey(Key, CanCreate) : MemOpenKey(Key, CanCreate);
}

bool TExIniFile::MemOpenKey(const std::string& Key, bool CanCreate)
{
    if (Key.empty() || SameText(Key, CurrentKey())) return true;
    TExIniEntry* e = FCurrent;
    std::string rest = Key;
    if (Key[0] == FDelimiter) {
        e = FRoot.get();
        rest = Key.substr(1);
    }
    FCurrent = e;
    // Steps down to the child Name of e, making or turning it into a key when allowed.
    auto step = [&](const std::string& Name) {
        if (NoName(Name)) return false;
        TExIniEntry* child = e->GetValue(Name);
        if (child == nullptr) {
            if (!CanCreate || e->Level() + 1 > ctlbase::ExIniMaxKeyDepth) return false;
            child = AddChild(e, Name, true);
            MarkChanged();
        } else if (!child->IsKey) {
            if (!CanCreate) return false;
            child->IsKey = true;
            MarkChanged();
        }
        e = child;
        FCurrent = e;
        return true;
    };
    if (FSimple) {
        // One level only: the whole rest is one name below the root.
        e = FRoot.get();
        FCurrent = e;
        return rest.empty() || step(rest);
    }
    if (!rest.empty() && rest.back() == FDelimiter) rest.pop_back();
    if (rest.empty()) return true;
    size_t p = 0;
    for (;;) {
        const size_t d = rest.find(FDelimiter, p);
        if (!step(rest.substr(p, d == std::string::npos ? std::string::npos : d - p))) return false;
        if (d == std::string::npos) return true;
        p = d + 1;
    }
}

std::string TExIniFile::RegKeyPath(const std::string& Key) const
{
    if (FPath == "\\") return Key;
    if (Key == "\\") return FPath;
    return FPath + Key;
}

std::string TExIniFile::RegRelativePath(const std::string& RegistryPath) const
{
    const std::string base = FPath.size() > 1 ? FPath.substr(1) : std::string();
    if (base.empty()) return "\\" + RegistryPath;
    if (SameText(RegistryPath, base)) return "\\";
    if (RegistryPath.size() > base.size() && RegistryPath[base.size()] == '\\' &&
        SameText(RegistryPath.substr(0, base.size()), base))
        return RegistryPath.substr(base.size());
    return "\\" + RegistryPath;
}

bool TExIniFile::RegOpenKey(const std::string& Key, bool CanCreate)
{
    if (Key.empty() || SameText(Key, FRegPath)) return true;
    std::string full;
    if (Key[0] == '\\')
        full = Key;
    else
        full = FRegPath == "\\" ? "\\" + Key : FRegPath + "\\" + Key;
    if (full.size() > 1 && full.back() == '\\') full.pop_back();
    // A failed open leaves the previous key open.
    if (!FRegistry->OpenKey(RegKeyPath(full), CanCreate)) return false;
    FRegPath = RegRelativePath(FRegistry->CurrentPath());
    return true;
}

bool TExIniFile::KeyExists(const std::string& Key)
{
    KeyKeeper keep(this);
    return OpenKey(Key, false);
}

std::string TExIniFile::FullKey(const std::string& Key) const
{
    const char d = FDelimiter;
    const std::string cur = CurrentKey();
    std::string full;
    if (Key.empty())
        full = cur;
    else if (Key[0] == d)
        full = Key;
    else
        full = (cur.size() == 1 && cur[0] == d) ? std::string(1, d) + Key : cur + d + Key;
    if (full.size() > 1 && full.back() == d) full.pop_back();
    return full;
}

std::string TExIniFile::OwnKey(const std::string& Key) const
{
    const std::string full = FullKey(Key);
    const size_t p = full.rfind(FDelimiter);
    return p == std::string::npos ? full : full.substr(p + 1);
}

std::string TExIniFile::ParentKey(const std::string& Key) const
{
    const std::string full = FullKey(Key);
    const size_t p = full.rfind(FDelimiter);
    if (p == std::string::npos || p == 0) return std::string(1, FDelimiter);
    return full.substr(0, p);
}

void TExIniFile::RegistryOnly(const char* Message) const
{
    if (UseRegistry()) throw EExIniError(Message);
}

// ---------------------------------------------------------------- properties

void TExIniFile::SetDelimiter(char Value)
{
    if (Value == FDelimiter) return;
    if (UseRegistry() && Value != '\\')
        throw EExIniError("Changing delimiter is not available when using registry.");
    FDelimiter = Value;
    if (!FLazyWrite) SaveIfEager();
}

void TExIniFile::SetLazyWrite(bool Value)
{
    FLazyWrite = Value;
    if (FRegistry) FRegistry->LazyWrite = Value;
}

namespace {
std::string NormalRegPath(std::string P)
{
    if (!P.empty() && P.back() == '\\') P.pop_back();
    if (P.empty()) return "\\";
    if (P[0] != '\\') P.insert(P.begin(), '\\');
    return P;
}
}  // namespace

void TExIniFile::SetPath(const std::string& Value)
{
    if (Value == FPath) return;
    if (!FRegistry) {
        FPath = Value;
        return;
    }
    const std::string p = NormalRegPath(Value);
    if (!FRegistry->OpenKey(p, true)) return;
    FPath = p;
    FRegPath = "\\";
}

void TExIniFile::SetUseRegistry(bool Value)
{
    if (Value == UseRegistry()) return;
    if (!Value) {
        FRegistry.reset();
        FRegPath = "\\";
        FDelimiter = FMemoryDelimiter;
        return;
    }
    // Paths in the registry are always separated by "\"; the store's own delimiter comes back when
    // registry mode ends.
    const std::string memPath = StringReplace(PathOf(FCurrent), std::string(1, FDelimiter), "\\", rfReplaceAll);
    FMemoryDelimiter = FDelimiter;
    FDelimiter = '\\';
    FRegistry = std::make_unique<TRegistry>();
    FRegistry->SetRootKey(FRegRoot);
    FRegistry->LazyWrite = FLazyWrite;
    FPath = NormalRegPath(FPath.empty() ? "\\SOFTWARE" : FPath);
    FRegPath = "\\";
    if (FRegistry->OpenKey(RegKeyPath(memPath), true) || FRegistry->OpenKey(FPath, true))
        FRegPath = RegRelativePath(FRegistry->CurrentPath());
}

TRegRootType TExIniFile::RegRoot() const
{
    if (FRegRoot == HKEY_CLASSES_ROOT) return rrtHKEY_CLASSES_ROOT;
    if (FRegRoot == HKEY_LOCAL_MACHINE) return rrtHKEY_LOCAL_MACHINE;
    if (FRegRoot == HKEY_USERS) return rrtHKEY_USERS;
    if (FRegRoot == HKEY_CURRENT_CONFIG) return rrtHKEY_CURRENT_CONFIG;
    return rrtHKEY_CURRENT_USER;
}

void TExIniFile::SetRegRoot(TRegRootType Value)
{
    HKEY h = nullptr;
    switch (Value) {
    case rrtHKEY_CLASSES_ROOT: h = HKEY_CLASSES_ROOT; break;
    case rrtHKEY_CURRENT_USER: h = HKEY_CURRENT_USER; break;
    case rrtHKEY_LOCAL_MACHINE: h = HKEY_LOCAL_MACHINE; break;
    case rrtHKEY_USERS: h = HKEY_USERS; break;
    case rrtHKEY_CURRENT_CONFIG: h = HKEY_CURRENT_CONFIG; break;
    default: return;
    }
    if (h == FRegRoot) return;
    FRegRoot = h;
    if (!FRegistry) return;
    FRegistry->SetRootKey(h);
    const std::string cur = FRegPath;
    FRegPath = "\\";
    if (FRegistry->OpenKey(RegKeyPath(cur), true) || FRegistry->OpenKey(FPath, true))
        FRegPath = RegRelativePath(FRegistry->CurrentPath());
}

void TExIniFile::SetSimple(bool Value)
{
    if (Value == FSimple) return;
    if (UseRegistry()) {
        FSimple = Value;
        return;
    }
    // The binary form carries every type unchanged; with the delimiter 0 while it is read back, each
    // key path becomes one flat name.
    TMemoryStream m;
    WriteBinaryForm(&m);
    const std::string data(m.Bytes().begin(), m.Bytes().end());
    const bool binary = FBinaryMode;
    const bool changed = FChanged;
    const char delimiter = FDelimiter;
    FSimple = Value;
    FBinaryMode = true;
    if (Value) FDelimiter = '\0';
    try {
        LoadData(data);
    } catch (...) {
        FDelimiter = delimiter;
        FBinaryMode = binary;
        FSimple = !Value;
        throw;
    }
    FDelimiter = delimiter;
    FBinaryMode = binary;
    FChanged = changed;
}

// ---------------------------------------------------------------- entries

TExIniEntry* TExIniFile::FindEntry(const std::string& Key, const std::string& Name)
{
    if (NoName(Name)) return nullptr;
    KeyKeeper keep(this);
    if (!OpenKey(Key, false)) return nullptr;
    return FCurrent->GetValue(Name);
}

TExIniEntry* TExIniFile::GetValueEntry(const std::string& Key, const std::string& Name)
{
    RegistryOnly("GetValueEntry method is not available when using registry.");
    KeyKeeper keep(this);
    if (!OpenKey(Key, false)) return nullptr;
    if (NoName(Name)) return FCurrent == FRoot.get() ? nullptr : FCurrent;
    return FCurrent->GetValue(Name);
}

TExIniEntry* TExIniFile::CreateValue(const std::string& Key, const std::string& Name)
{
    RegistryOnly("CreateValue method is not available when using registry.");
    if (NoName(Name)) return nullptr;
    KeyKeeper keep(this);
    if (!OpenKey(Key, true)) return nullptr;
    TExIniEntry* e = FCurrent->GetValue(Name);
    if (e == nullptr) e = AddChild(FCurrent, Name, false);
    e->Invalidate();
    MarkChanged();
    return e;
}

bool TExIniFile::ValueExists(const std::string& Key, const std::string& Name)
{
    if (UseRegistry()) {
        KeyKeeper keep(this);
        return OpenKey(Key, false) && FRegistry->ValueExists(Name);
    }
    const TExIniEntry* e = GetValueEntry(Key, Name);
    return e != nullptr && IsValue(e) && (!NoName(Name) || e->ValueType != evtUnknown);
}

TExValueType TExIniFile::GetValueType(const std::string& Key, const std::string& Name)
{
    if (UseRegistry()) {
        DWORD type = REG_NONE;
        std::vector<Byte> data;
        const bool found = NoName(Name) ? RegGet(ParentKey(Key), OwnKey(Key), type, data) : RegGet(Key, Name, type, data);
        if (!found) return evtUnknown;
        switch (type) {
        case REG_SZ:
        case REG_EXPAND_SZ: return evtString;
        case REG_BINARY: return evtBinary;
        case REG_DWORD: return evtInt;
        case REG_MULTI_SZ: return evtMultiString;
        default: return evtUnknown;
        }
    }
    const TExIniEntry* e = GetValueEntry(Key, Name);
    return e == nullptr ? evtUnknown : e->ValueType;
}

bool TExIniFile::EnumSubKeys(const std::string& Key, TStrings* Strings)
{
    KeyKeeper keep(this);
    if (!OpenKey(Key, true)) return false;
    if (UseRegistry()) {
        TStringList names;
        FRegistry->GetKeyNames(&names);
        Strings->AddStrings(&names);
        return true;
    }
    for (Integer i = 0; i < FCurrent->GetSubCount(); ++i)
        if (FCurrent->Child(i)->IsKey) Strings->Add(FCurrent->Child(i)->Name());
    return true;
}

bool TExIniFile::EnumValues(const std::string& Key, TStrings* Strings)
{
    KeyKeeper keep(this);
    if (!OpenKey(Key, true)) return false;
    if (UseRegistry()) {
        TStringList keys;
        TStringList values;
        FRegistry->GetKeyNames(&keys);
        FRegistry->GetValueNames(&values);
        for (int i = 0; i < values.Count(); ++i)
            if (keys.IndexOf(values[i]) < 0) Strings->Add(values[i]);
        return true;
    }
    for (Integer i = 0; i < FCurrent->GetSubCount(); ++i)
        if (IsValue(FCurrent->Child(i))) Strings->Add(FCurrent->Child(i)->Name());
    return true;
}

Integer TExIniFile::SubKeysCount(const std::string& Key)
{
    TStringList names;
    EnumSubKeys(Key, &names);
    return names.Count();
}

Integer TExIniFile::ValuesCount(const std::string& Key)
{
    TStringList names;
    EnumValues(Key, &names);
    return names.Count();
}

void TExIniFile::RemoveEntry(TExIniEntry* Entry)
{
    TExIniEntry* parent = Entry->Parent();
    for (TExIniEntry* e = FCurrent; e != nullptr; e = e->Parent())
        if (e == Entry) {
            FCurrent = parent;
            break;
        }
    parent->FChildren->Delete(parent->FChildren->IndexOf(Entry));
}

bool TExIniFile::Delete(const std::string& Key, const std::string& Name)
{
    if (UseRegistry()) {
        if (!NoName(Name)) {
            KeyKeeper keep(this);
            return OpenKey(Key, false) && FRegistry->DeleteValue(Name);
        }
        const std::string full = FullKey(Key);
        if (full == "\\" || !KeyExists(full)) return false;
        // A key that has sub-keys cannot be deleted directly.
        ClearKey(full);
        KeyKeeper keep(this);
        // Leave the key before it goes, so that no open handle points into it.
        if (!OpenKey(ParentKey(full), false)) return false;
        return FRegistry->DeleteKey(RegKeyPath(full));
    }
    KeyKeeper keep(this);
    if (!OpenKey(Key, false)) return false;
    if (!NoName(Name)) {
        TExIniEntry* e = FCurrent->GetValue(Name);
        if (e == nullptr) return false;
        if (e->IsKey) {
            // Only the key's own value goes.
            if (e->ValueType == evtUnknown) return false;
            e->Invalidate();
        } else {
            RemoveEntry(e);
        }
        MarkChanged();
        return true;
    }
    if (FCurrent == FRoot.get()) return false;
    RemoveEntry(FCurrent);
    MarkChanged();
    return true;
}

bool TExIniFile::ClearKey(const std::string& Key)
{
    const std::string full = FullKey(Key);
    if (full.size() == 1 && full[0] == FDelimiter) return false;
    bool ok = false;
    {
        KeyKeeper keep(this);
        if (!OpenKey(full, false)) return false;
        if (UseRegistry()) {
            const HKEY k = FRegistry->CurrentKey();
            ok = true;
            std::string name;
            while (ok && RegEnumKeyEx(k, 0, name) == ERROR_SUCCESS) ok = DeleteRegTree(k, name);
            while (ok && RegEnumValue(k, 0, name) == ERROR_SUCCESS) ok = RegDeleteValue(k, name) == ERROR_SUCCESS;
            return ok;
        }
        FCurrent->FChildren->Clear();
        MarkChanged();
        ok = true;
    }
    return SaveIfEager() && ok;
}

bool TExIniFile::Clear()
{
    RegistryOnly("Clearing the whole registry is not allowed. Use ClearKey instead.");
    FCurrent = FRoot.get();
    FRoot->FChildren->Clear();
    FRoot->Invalidate();
    MarkChanged();
    return true;
}

bool TExIniFile::RenameKey(const std::string& Key, const std::string& NewName)
{
    RegistryOnly("Key can not be renamed when using registry.");
    if (NoName(NewName) || NewName.find(FDelimiter) != std::string::npos) return false;
    KeyKeeper keep(this);
    if (!OpenKey(Key, false) || FCurrent == FRoot.get()) return false;
    TExIniEntry* e = FCurrent;
    const TExIniEntry* other = e->Parent()->GetValue(NewName);
    if (other != nullptr && other != e) return false;
    const std::string oldPath = PathOf(e);
    e->SetName(NewName);
    Repath(oldPath, PathOf(e));
    MarkChanged();
    return true;
}

bool TExIniFile::RenameValue(const std::string& Key, const std::string& OldName, const std::string& NewName)
{
    if (NoName(OldName) || NoName(NewName)) return false;
    if (UseRegistry()) {
        if (NewName.find('\\') != std::string::npos) return false;
        KeyKeeper keep(this);
        return OpenKey(Key, false) && FRegistry->RenameValue(OldName, NewName);
    }
    if (NewName.find(FDelimiter) != std::string::npos) return false;
    KeyKeeper keep(this);
    if (!OpenKey(Key, false)) return false;
    TExIniEntry* e = FCurrent->GetValue(OldName);
    if (e == nullptr || !IsValue(e)) return false;
    const TExIniEntry* other = FCurrent->GetValue(NewName);
    if (other != nullptr && other != e) return false;
    const std::string oldPath = PathOf(e);
    e->SetName(NewName);
    if (e->IsKey) Repath(oldPath, PathOf(e));
    MarkChanged();
    return true;
}

bool TExIniFile::MoveEntry(const std::string& Key, const std::string& Name, const std::string& NewKey)
{
    RegistryOnly("MoveEntry method is not available when using registry.");
    if (NoName(Name)) return false;
    const std::string target = FullKey(NewKey);
    KeyKeeper keep(this);
    if (!OpenKey(Key, false)) return false;
    TExIniEntry* e = FCurrent->GetValue(Name);
    if (e == nullptr || !OpenKey(target, false)) return false;
    TExIniEntry* t = FCurrent;
    if (e->Parent() == t) return true;
    // Never under itself, never onto a name in use, never deeper than keys may go.
    for (const TExIniEntry* p = t; p != nullptr; p = p->Parent())
        if (p == e) return false;
    if (t->GetValue(e->Name()) != nullptr) return false;
    if (e->IsKey && t->Level() + 1 + Height(e) > ctlbase::ExIniMaxKeyDepth) return false;
    // Flat mode reaches keys directly below the root only.
    if (FSimple && e->IsKey && t != FRoot.get()) return false;
    const std::string oldPath = PathOf(e);
    e->SetParent(t);
    if (e->IsKey) Repath(oldPath, PathOf(e));
    MarkChanged();
    return true;
}

void TExIniFile::SetValueType(const std::string& Key, const std::string& Name, TExValueType Type)
{
    RegistryOnly("SetValueType method is not available when using registry.");
    TExIniEntry* e = CreateValue(Key, Name);
    if (e == nullptr) return;
    e->ValueType = Type;
    if (Type == evtMultiString) e->MultiValue = std::make_unique<TStringList>();
}

// ---------------------------------------------------------------- typed reads

bool TExIniFile::RegGet(const std::string& Key, const std::string& Name, DWORD& Type, std::vector<Byte>& Data)
{
    KeyKeeper keep(this);
    return OpenKey(Key, false) && FRegistry->GetData(Name, Type, Data);
}

bool TExIniFile::ReadBool(const std::string& Key, const std::string& Name, bool Default, bool& Value)
{
    Value = Default;
    if (UseRegistry()) {
        DWORD type = REG_NONE;
        std::vector<Byte> data;
        Integer v = 0;
        if (!RegGet(Key, Name, type, data) || !RegDword(type, data, v)) return false;
        Value = v != 0;
        return true;
    }
    const TExIniEntry* e = FindEntry(Key, Name);
    if (e == nullptr) return false;
    if (e->ValueType == evtBoolean) {
        Value = e->BoolValue;
        return true;
    }
    if (e->ValueType == evtInt) {
        Value = e->IntValue != 0;
        return true;
    }
    return false;
}

bool TExIniFile::ReadInteger(const std::string& Key, const std::string& Name, Integer Default, Integer& Value)
{
    Value = Default;
    if (UseRegistry()) {
        DWORD type = REG_NONE;
        std::vector<Byte> data;
        return RegGet(Key, Name, type, data) && RegDword(type, data, Value);
    }
    const TExIniEntry* e = FindEntry(Key, Name);
    if (e == nullptr) return false;
    if (e->ValueType == evtInt) {
        Value = e->IntValue;
        return true;
    }
    // A number kept as text is handed out, but the value was not an integer.
    if (e->ValueType == evtString && !Decimal32(e->StrValue, Value)) Value = Default;
    return false;
}

bool TExIniFile::ReadString(const std::string& Key, const std::string& Name, const std::string& Default,
                            std::string& Value)
{
    Value = Default;
    if (UseRegistry()) {
        DWORD type = REG_NONE;
        std::vector<Byte> data;
        if (!RegGet(Key, Name, type, data)) return false;
        Integer v = 0;
        switch (type) {
        case REG_SZ:
        case REG_EXPAND_SZ: Value = RegText(data); return true;
        case REG_MULTI_SZ: {
            TStringList items;
            for (const auto& s : SplitMulti(data)) items.Add(s);
            Value = items.GetText();
            return true;
        }
        case REG_DWORD:
            if (!RegDword(type, data, v)) return false;
            Value = IntToStr(v);
            return true;
        case REG_BINARY: Value = Data2Str(data.data(), static_cast<Integer>(data.size())); return true;
        default: return false;
        }
    }
    const TExIniEntry* e = FindEntry(Key, Name);
    if (e == nullptr) return false;
    switch (e->ValueType) {
    case evtString: Value = e->StrValue; return true;
    case evtInt: Value = IntToStr(e->IntValue); return true;
    case evtBoolean: Value = e->BoolValue ? "true" : "false"; return true;
    case evtMultiString: Value = e->MultiValue ? e->MultiValue->GetText() : std::string(); return true;
    case evtBinary: Value = Data2Str(e->BinValue.data(), static_cast<Integer>(e->BinValue.size())); return true;
    default: return false;
    }
}

bool TExIniFile::ReadMultiString(const std::string& Key, const std::string& Name, TStrings* Strings)
{
    if (Strings == nullptr) return false;
    if (UseRegistry()) {
        DWORD type = REG_NONE;
        std::vector<Byte> data;
        if (!RegGet(Key, Name, type, data) || type != REG_MULTI_SZ) return false;
        Strings->BeginUpdate();
        Strings->Clear();
        for (const auto& s : SplitMulti(data)) Strings->Add(s);
        Strings->EndUpdate();
        return true;
    }
    const TExIniEntry* e = FindEntry(Key, Name);
    if (e == nullptr || e->ValueType != evtMultiString) return false;
    if (e->MultiValue)
        Strings->Assign(e->MultiValue.get());
    else
        Strings->Clear();
    return true;
}

bool TExIniFile::ReadBinary(const std::string& Key, const std::string& Name, void* Buffer, Integer& Size)
{
    const Integer room = Size;
    Size = 0;
    std::vector<Byte> data;
    if (UseRegistry()) {
        DWORD type = REG_NONE;
        if (!RegGet(Key, Name, type, data) || type != REG_BINARY) return false;
    } else {
        const TExIniEntry* e = FindEntry(Key, Name);
        if (e == nullptr || e->ValueType != evtBinary) return false;
        data = e->BinValue;
    }
    Size = static_cast<Integer>(data.size());
    if (room < Size || (Buffer == nullptr && Size > 0)) return false;
    if (Size > 0) std::memcpy(Buffer, data.data(), data.size());
    return true;
}

bool TExIniFile::ReadDouble(const std::string& Key, const std::string& Name, double Default, double& Value)
{
    Value = Default;
    if (UseRegistry()) {
        DWORD type = REG_NONE;
        std::vector<Byte> data;
        if (!RegGet(Key, Name, type, data) || type != REG_BINARY || data.size() != 8) return false;
        std::memcpy(&Value, data.data(), 8);
        return true;
    }
    const TExIniEntry* e = FindEntry(Key, Name);
    if (e == nullptr) return false;
    if (e->ValueType == evtDouble) {
        Value = e->DoubleValue;
        return true;
    }
    if (e->ValueType == evtString) {
        Integer code = 0;
        ValFloat(e->StrValue, Value, code);
        return code == 0;
    }
    return false;
}

bool TExIniFile::ReadRect(const std::string& Key, const std::string& Name, const TRect& Default, TRect& Value)
{
    std::string text;
    const bool found = ReadString(Key, Name, RectToString(Default), text);
    Value = StringToRect(text);
    return found;
}

namespace {

bool ColorByte(const std::string& S, Integer& V)
{
    return Decimal32(S, V) && V >= 0 && V <= 255;
}

// The class library's colour text: a colour name, or a number ("$00BBGGRR", decimal).
bool TextToColor(const std::string& S, TColor& Color)
{
    if (IdentToColor(S, Color)) return true;
    Int64 v = 0;
    if (!TryStrToInt64(S, v) || v < INT32_MIN || v > static_cast<Int64>(UINT32_MAX)) return false;
    Color = static_cast<TColor>(static_cast<std::uint32_t>(v));
    return true;
}

}  // namespace

bool TExIniFile::ReadColor(const std::string& Key, const std::string& Name, TColor Default, TColor& Value)
{
    Value = Default;
    std::string text;
    if (!ReadString(Key, Name, ColorToString(Default), text)) return false;
    TColor c = 0;
    if (text.find('.') != std::string::npos) {
        const size_t d1 = text.find('.');
        const size_t d2 = text.find('.', d1 + 1);
        Integer r = 0, g = 0, b = 0;
        if (d2 == std::string::npos || !ColorByte(text.substr(0, d1), r) ||
            !ColorByte(text.substr(d1 + 1, d2 - d1 - 1), g) || !ColorByte(text.substr(d2 + 1), b))
            return false;
        Value = r + (g << 8) + (b << 16);
        return true;
    }
    if (!text.empty() && text[0] == '#') text.erase(0, 1);
    if (!TextToColor(text, c)) return false;
    Value = c;
    return true;
}

// ---------------------------------------------------------------- typed writes

bool TExIniFile::RegPut(const std::string& Key, const std::string& Name, DWORD Type, const void* Data, DWORD Size)
{
    KeyKeeper keep(this);
    return OpenKey(Key, true) && FRegistry->PutData(Name, Type, Data, Size);
}

template <class F>
bool TExIniFile::WriteEntry(const std::string& Key, const std::string& Name, F Set)
{
    if (NoName(Name)) return false;
    {
        KeyKeeper keep(this);
        if (!OpenKey(Key, true)) return false;
        TExIniEntry* e = FCurrent->GetValue(Name);
        if (e == nullptr) e = AddChild(FCurrent, Name, false);
        e->Invalidate();
        Set(*e);
        MarkChanged();
    }
    return SaveIfEager();
}

bool TExIniFile::WriteBool(const std::string& Key, const std::string& Name, bool Value)
{
    if (UseRegistry()) {
        const std::vector<Byte> d = DwordData(Value ? 1 : 0);
        return RegPut(Key, Name, REG_DWORD, d.data(), 4);
    }
    return WriteEntry(Key, Name, [&](TExIniEntry& e) {
        e.ValueType = evtBoolean;
        e.BoolValue = Value;
    });
}

bool TExIniFile::WriteInteger(const std::string& Key, const std::string& Name, Integer Value)
{
    if (UseRegistry()) {
        const std::vector<Byte> d = DwordData(Value);
        return RegPut(Key, Name, REG_DWORD, d.data(), 4);
    }
    return WriteEntry(Key, Name, [&](TExIniEntry& e) {
        e.ValueType = evtInt;
        e.IntValue = Value;
    });
}

bool TExIniFile::WriteString(const std::string& Key, const std::string& Name, const std::string& Value)
{
    if (UseRegistry()) {
        const std::string z = Value + '\0';
        return RegPut(Key, Name, REG_SZ, z.data(), static_cast<DWORD>(z.size()));
    }
    return WriteEntry(Key, Name, [&](TExIniEntry& e) {
        e.ValueType = evtString;
        e.StrValue = Value;
    });
}

bool TExIniFile::WriteMultiString(const std::string& Key, const std::string& Name, const TStrings* Strings)
{
    if (Strings == nullptr) return false;
    if (UseRegistry()) {
        const std::vector<Byte> d = JoinMulti(Strings);
        return RegPut(Key, Name, REG_MULTI_SZ, d.data(), static_cast<DWORD>(d.size()));
    }
    return WriteEntry(Key, Name, [&](TExIniEntry& e) {
        e.ValueType = evtMultiString;
        e.MultiValue = std::make_unique<TStringList>();
        for (int i = 0; i < Strings->Count(); ++i) e.MultiValue->Add(Strings->Get(i));
    });
}

bool TExIniFile::WriteBinary(const std::string& Key, const std::string& Name, const void* Buffer, Integer Size)
{
    if (Size < 0 || (Buffer == nullptr && Size > 0)) return false;
    const auto* p = static_cast<const Byte*>(Buffer);
    if (UseRegistry()) return RegPut(Key, Name, REG_BINARY, Buffer, static_cast<DWORD>(Size));
    return WriteEntry(Key, Name, [&](TExIniEntry& e) {
        e.ValueType = evtBinary;
        if (Size > 0) e.BinValue.assign(p, p + Size);
    });
}

bool TExIniFile::WriteDouble(const std::string& Key, const std::string& Name, double Value)
{
    if (UseRegistry()) return RegPut(Key, Name, REG_BINARY, &Value, 8);
    return WriteEntry(Key, Name, [&](TExIniEntry& e) {
        e.ValueType = evtDouble;
        e.DoubleValue = Value;
    });
}

bool TExIniFile::WriteRect(const std::string& Key, const std::string& Name, const TRect& Value)
{
    return WriteString(Key, Name, RectToString(Value));
}

bool TExIniFile::WriteColor(const std::string& Key, const std::string& Name, TColor Value)
{
    return WriteString(Key, Name, ColorToString(Value));
}

// ---------------------------------------------------------------- published properties

namespace {
std::string SubKey(const std::string& Key, char Delimiter, const std::string& Name)
{
    if (Key.empty()) return Name;
    if (Key.back() == Delimiter) return Key + Name;
    return Key + Delimiter + Name;
}
}  // namespace

bool TExIniFile::WriteObject(const std::string& Key, TPersistent* Object)
{
    const TClassInfo* info = ClassInfoOf(Object);
    if (info == nullptr) return false;
    {
        // A key that cannot be made (too deep) ends the walk, so objects that hold themselves stop.
        KeyKeeper keep(this);
        if (!OpenKey(Key, true)) return false;
    }
    bool ok = true;
    for (const TPropInfo* p : GetPropList(info)) {
        switch (p->Kind) {
        case tkInteger:
        case tkChar:
        case tkEnumeration:
        case tkWChar: ok = WriteInteger(Key, p->Name, static_cast<Integer>(p->GetOrd(Object))) && ok; break;
        case tkFloat: {
            Byte ext[10];
            DoubleToExtended(p->GetFloat(Object), ext);
            ok = WriteBinary(Key, p->Name, ext, 10) && ok;
            break;
        }
        case tkString:
        case tkLString: ok = WriteString(Key, p->Name, p->GetStr(Object)) && ok; break;
        case tkClass: {
            TObject* obj = p->GetObj(Object);
            const std::string sub = SubKey(Key, FDelimiter, p->Name);
            if (auto* strings = dynamic_cast<TStrings*>(obj)) {
                ok = WriteMultiString(Key, p->Name, strings) && ok;
            } else if (auto* list = dynamic_cast<TExObjectList*>(obj)) {
                WriteList(sub, list);
            } else if (auto* coll = dynamic_cast<TCollection*>(obj)) {
                {
                    KeyKeeper keep(this);
                    if (!OpenKey(sub, true)) {
                        ok = false;
                        break;
                    }
                }
                Integer n = 0;
                for (; n < coll->Count(); ++n) ok = WriteObject(SubKey(sub, FDelimiter, ItemKeyName(n)), coll->Items(n)) && ok;
                // Items of an earlier, longer collection would come back on reading.
                for (; KeyExists(SubKey(sub, FDelimiter, ItemKeyName(n))); ++n)
                    Delete(SubKey(sub, FDelimiter, ItemKeyName(n)), "");
            } else if (auto* persistent = dynamic_cast<TPersistent*>(obj)) {
                ok = WriteObject(sub, persistent) && ok;
            }
            break;
        }
        default: break;  // sets and events are not stored
        }
    }
    return ok;
}

bool TExIniFile::ReadObject(const std::string& Key, TPersistent* Object)
{
    const TClassInfo* info = ClassInfoOf(Object);
    if (info == nullptr || !KeyExists(Key)) return false;
    for (const TPropInfo* p : GetPropList(info)) {
        switch (p->Kind) {
        case tkInteger:
        case tkChar:
        case tkEnumeration:
        case tkWChar: {
            Integer v = 0;
            if (ReadInteger(Key, p->Name, 0, v)) p->SetOrd(Object, v);
            break;
        }
        case tkFloat: {
            Byte ext[10];
            Integer size = 10;
            if (ReadBinary(Key, p->Name, ext, size) && size == 10) p->SetFloat(Object, ExtendedToDouble(ext));
            break;
        }
        case tkString:
        case tkLString: {
            std::string s;
            if (ReadString(Key, p->Name, "", s)) p->SetStr(Object, s);
            break;
        }
        case tkClass: {
            TObject* obj = p->GetObj(Object);
            const std::string sub = SubKey(Key, FDelimiter, p->Name);
            if (auto* strings = dynamic_cast<TStrings*>(obj)) {
                ReadMultiString(Key, p->Name, strings);
            } else if (auto* list = dynamic_cast<TExObjectList*>(obj)) {
                if (KeyExists(sub)) ReadList(sub, list);
            } else if (auto* coll = dynamic_cast<TCollection*>(obj)) {
                if (!KeyExists(sub)) break;
                TStringList names;
                EnumSubKeys(sub, &names);
                coll->Clear();
                for (int i = 0; i < names.Count(); ++i)
                    if (TCollectionItem* item = coll->Add()) ReadObject(SubKey(sub, FDelimiter, names[i]), item);
            } else if (auto* persistent = dynamic_cast<TPersistent*>(obj)) {
                if (KeyExists(sub)) ReadObject(sub, persistent);
            }
            break;
        }
        default: break;
        }
    }
    return true;
}

void TExIniFile::WriteList(const std::string& Key, TExObjectList* List)
{
    const bool mixed = dynamic_cast<TExHeteroObjectList*>(List) != nullptr;
    List->BeforeSave(this, Key);
    Integer n = 0;
    for (Integer i = 0; i < List->Count(); ++i) {
        TExObjectListItem* item = List->GetItems(i);
        if (item == nullptr) continue;
        const std::string itemKey = SubKey(Key, FDelimiter, ItemKeyName(n));
        item->BeforeSave(this, itemKey);
        WriteObject(itemKey, item);
        if (mixed) WriteString(itemKey, "ClsNm", item->ClassName());
        item->AfterSave(this, itemKey);
        ++n;
    }
    // Items of an earlier, longer list would come back on reading.
    for (; KeyExists(SubKey(Key, FDelimiter, ItemKeyName(n))); ++n) Delete(SubKey(Key, FDelimiter, ItemKeyName(n)), "");
    List->AfterSave(this, Key);
}

void TExIniFile::ReadList(const std::string& Key, TExObjectList* List)
{
    List->BeforeLoad(this, Key);
    for (Integer i = 0; i < List->Count(); ++i) {
        TExObjectListItem* item = List->GetItems(i);
        if (item == nullptr) continue;
        // An item of a mixed list reads from the key it was made from, even where items before it
        // could not be made.
        const Integer slot = item->FLoadSlot >= 0 ? item->FLoadSlot : i;
        item->FLoadSlot = -1;
        const std::string itemKey = SubKey(Key, FDelimiter, ItemKeyName(slot));
        if (!KeyExists(itemKey)) continue;
        item->BeforeLoad(this, itemKey);
        ReadObject(itemKey, item);
        item->AfterLoad(this, itemKey);
    }
    List->AfterLoad(this, Key);
}

// ---------------------------------------------------------------- events

void TExIniFile::TriggerBeforeSaveEvent()
{
    if (OnBeforeSave) OnBeforeSave(this);
}

void TExIniFile::TriggerAfterLoadEvent()
{
    if (OnAfterLoad) OnAfterLoad(this);
}

void TExIniFile::TriggerBeforeLoadEvent()
{
    if (OnBeforeLoad) OnBeforeLoad(this);
}

void TExIniFile::TriggerAfterSaveEvent()
{
    if (OnAfterSave) OnAfterSave(this);
}

void TExIniFile::Loaded()
{
    TComponent::Loaded();
    if (FPath.empty() || UseRegistry()) return;
    try {
        Load();
    } catch (...) {
        // A settings file that cannot be read leaves the store empty.
    }
}

// ---------------------------------------------------------------- the text form

void TExIniFile::ParseLine(const std::string& Line, std::string& Name, std::string& Value, bool& HasDelimiter)
{
    Name.clear();
    Value.clear();
    HasDelimiter = false;
    bool quoted = false;
    for (size_t i = 0; i < Line.size(); ++i) {
        const char c = Line[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted) {
            if (!FComment.empty() && Line.compare(i, FComment.size(), FComment) == 0) break;
            if (c == FDivChar && !HasDelimiter) {
                HasDelimiter = true;
                continue;
            }
        }
        (HasDelimiter ? Value : Name) += c;
    }
}

void TExIniFile::WriteText(TStream* Stream)
{
    // Set once a text goes in quotes: the file then starts with the mark that says so.
    bool quoted = false;
    const auto quote = [&](const std::string& S) {
        quoted = true;
        return QuoteText(S);
    };
    const auto hasComment = [&](const std::string& S) {
        return !FComment.empty() && S.find(FComment) != std::string::npos;
    };
    const auto nameText = [&](const std::string& Name) {
        const bool q = HasControl(Name) || Name.find_first_of("\"[]") != std::string::npos ||
                       Name.find(FDivChar) != std::string::npos || hasComment(Name);
        return q ? quote(Name) : Name;
    };
    const auto itemText = [&](const std::string& S) {
        return HasControl(S) || S.find('"') != std::string::npos || hasComment(S) ? quote(S) : S;
    };
    const auto stringText = [&](const std::string& S) {
        return HasControl(S) || S.find('"') != std::string::npos || hasComment(S) || PlainType(S) != evtString
                   ? quote(S)
                   : S;
    };
    // A text stands alone on its line when it reads back as the same line without a name.
    const auto standsAlone = [&](const std::string& S) {
        if (S.empty() || S[0] == '[' || HasControl(S)) return false;
        std::string n, v;
        bool div = false;
        ParseLine(S, n, v, div);
        return !div && n == S;
    };
    // The body goes out after the header, whose length depends on whether the body quotes anything;
    // line numbers count from the body's first line and are shifted once the header is known.
    std::vector<std::string> body;
    struct Bare {
        size_t Line;
        const TExIniEntry* Entry;
    };
    std::vector<Bare> bare;
    const auto line = [&](std::string S) { body.push_back(std::move(S)); };
    const auto value = [&](const TExIniEntry* e) {
        const std::string& name = e->Name();
        if (LineName(name) && !e->IsKey && e->ValueType == evtString && standsAlone(e->StrValue)) {
            // Read back, it is named after the line it stands on; whether that name is free is
            // known once the header is.
            bare.push_back({body.size(), e});
            line(e->StrValue);
            return;
        }
        const std::string head = nameText(name);
        std::string text;
        switch (e->ValueType) {
        case evtBoolean: text = FSimple ? (e->BoolValue ? "1" : "0") : (e->BoolValue ? "true" : "false"); break;
        case evtInt: text = IntToStr(e->IntValue); break;
        case evtString: text = stringText(e->StrValue); break;
        case evtMultiString:
            if (e->MultiValue && e->MultiValue->Count() > 0) {
                for (int j = 0; j < e->MultiValue->Count(); ++j)
                    line(head + "[" + IntToStr(j) + "]" + FDivChar + itemText(e->MultiValue->Get(j)));
            } else {
                // A list without lines: "name[]" and nothing after the divider, in quoting files only.
                quoted = true;
                line(head + "[]" + FDivChar);
            }
            return;
        case evtBinary: text = Data2Str(e->BinValue.data(), static_cast<Integer>(e->BinValue.size())); break;
        case evtDouble: text = StrFloat(e->DoubleValue); break;
        default: return;
        }
        line(head + FDivChar + text);
    };
    const auto section = [&](const std::string& Path) {
        // A line break in a key name would end the section line; such paths go in quotes.
        const bool q = Path.find_first_of("\r\n") != std::string::npos || IsQuotedText(Path);
        line("");
        line("[" + (q ? quote(Path) : Path) + "]");
    };
    // A key that holds a value of its own is made where that value's line stands. When keys come
    // before it in its parent, the value waits for the key's own section, behind the parent's
    // section opened again ("[]" for the root), so that the keys keep their order.
    const auto late = [](const TExIniEntry* K, Integer I) {
        if (!K->Child(I)->IsKey) return false;
        for (Integer j = 0; j < I; ++j)
            if (K->Child(j)->IsKey) return true;
        return false;
    };
    std::function<void(const TExIniEntry*, const std::string&)> keys = [&](const TExIniEntry* Key,
                                                                             const std::string& Path) {
        for (Integer i = 0; i < Key->GetSubCount(); ++i)
            if (IsValue(Key->Child(i)) && !late(Key, i)) value(Key->Child(i));
        for (Integer i = 0; i < Key->GetSubCount(); ++i) {
            const TExIniEntry* k = Key->Child(i);
            if (!k->IsKey) continue;
            if (IsValue(k) && late(Key, i)) {
                section(Path);
                value(k);
            }
            const std::string path = Path.empty() ? k->Name() : Path + FDelimiter + k->Name();
            section(path);
            keys(k, path);
        }
    };
    keys(FRoot.get(), "");

    std::vector<std::string> header;
    if (!FComment.empty() && !FWarningMessage.empty()) {
        // Every line of the warning is a comment, so that none of it comes back as a value.
        TStringList warning;
        warning.SetText(FWarningMessage);
        for (int i = 0; i < warning.Count(); ++i) header.push_back(FComment + warning[i]);
    }
    // A bare line comes back named after the line it stands on. It keeps standing alone unless
    // that name is one another entry comes back with: one written with its name, or a bare line
    // that had to be written with its name in turn. Deciding by the names entries come back with,
    // not the ones they have, makes a save of what was just read give the same bytes again. Writing
    // a name may need quoting, and the mark moves every line down by one: then all is decided anew.
    std::unordered_map<const TExIniEntry*, size_t> bareOf;
    for (size_t i = 0; i < bare.size(); ++i) bareOf[bare[i].Entry] = i;
    std::vector<bool> named(bare.size());
    const auto fixBare = [&] {
        const size_t first = header.size() + (quoted ? 1 : 0) + 1;
        std::fill(named.begin(), named.end(), false);
        for (const Bare& b : bare) body[b.Line] = b.Entry->StrValue;
        for (bool changed = true; changed;) {
            changed = false;
            for (size_t i = 0; i < bare.size(); ++i) {
                if (named[i]) continue;
                const TExIniEntry* e = bare[i].Entry;
                const std::string taken = "#" + IntToStr(static_cast<Integer>(first + bare[i].Line));
                const TExIniEntry* owner = e->Parent()->GetValue(taken);
                if (owner == nullptr || owner == e) continue;
                const auto other = bareOf.find(owner);
                if (other != bareOf.end() && !named[other->second]) continue;  // renamed in turn
                named[i] = true;
                changed = true;
                body[bare[i].Line] = nameText(e->Name()) + FDivChar + stringText(e->StrValue);
            }
        }
    };
    const bool quotedBefore = quoted;
    fixBare();
    if (quoted != quotedBefore) fixBare();
    // Without comment characters the mark is a line of its own: a first line that only looks like it
    // is written behind the mark.
    if (FComment.empty() && !quoted && !body.empty() && body.front() == QuotingMark) {
        quoted = true;
        fixBare();
    }
    if (quoted) header.push_back(FComment + QuotingMark);
    std::string out;
    for (const auto& l : header) out += l + "\r\n";
    for (const auto& l : body) out += l + "\r\n";
    if (!out.empty()) Stream->WriteBuffer(out.data(), static_cast<Int64>(out.size()));
}

void TExIniFile::AddTextValue(const std::string& RawName, const std::string& Value, bool HasDelimiter, Integer LineNo,
                              bool Quoting)
{
    TExIniEntry* key = FCurrent;
    if (!HasDelimiter) {
        // A line without a name keeps its text under a name made from its line number.
        const std::string name = "#" + IntToStr(LineNo);
        TExIniEntry* e = key->GetValue(name);
        if (e == nullptr) e = AddChild(key, name, false);
        e->Invalidate();
        e->ValueType = evtString;
        e->StrValue = RawName;
        return;
    }
    std::string name;
    bool item = false;
    bool resolved = false;
    if (Quoting && !RawName.empty() && RawName[0] == '"') {
        const size_t q = RawName.find('"', 1);
        if (q != std::string::npos) {
            const std::string rest = RawName.substr(q + 1);
            if (rest.empty() || (rest.front() == '[' && rest.back() == ']')) {
                name = UnquoteText(RawName.substr(0, q + 1));
                item = !rest.empty();
                resolved = true;
            }
        }
    }
    if (!resolved) {
        name = RawName;
        if (!name.empty() && name.back() == ']') {
            // "Name[index]": one line of a multi-line value; the index only marks it as such.
            item = true;
            const size_t b = name.find('[');
            name = b == std::string::npos ? std::string() : name.substr(0, b);
        }
    }
    if (NoName(name)) return;
    // "Name[]" with nothing after the divider is a list without lines (quoting files only).
    const bool emptyList = Quoting && item && Value.empty() && RawName.size() >= 2 &&
                           RawName.compare(RawName.size() - 2, 2, "[]") == 0;
    const bool quoted = Quoting && IsQuotedText(Value);
    const std::string text = quoted ? UnquoteText(Value) : Value;
    TExIniEntry* e = key->GetValue(name);
    if (item && e != nullptr && e->ValueType == evtMultiString && e->MultiValue) {
        if (!emptyList) e->MultiValue->Add(text);
        return;
    }
    if (e == nullptr) e = AddChild(key, name, false);
    e->Invalidate();
    if (item) {
        e->ValueType = evtMultiString;
        e->MultiValue = std::make_unique<TStringList>();
        if (!emptyList) e->MultiValue->Add(text);
        return;
    }
    const TExValueType type = quoted ? evtString : PlainType(text);
    e->ValueType = type;
    switch (type) {
    case evtBoolean: e->BoolValue = SameText(text, "TRUE"); break;
    case evtDouble: {
        Integer code = 0;
        ValFloat(text, e->DoubleValue, code);
        break;
    }
    case evtInt: Decimal32(text, e->IntValue); break;
    case evtBinary: {
        Integer size = 0;
        Str2Data(text, e->BinValue, size);
        break;
    }
    default: e->StrValue = text; break;
    }
}

void TExIniFile::LoadText(const std::string& Data)
{
    TStringList lines;
    lines.SetText(Data);
    const auto isComment = [&](const std::string& Line) {
        return !FComment.empty() && Line.compare(0, FComment.size(), FComment) == 0;
    };
    // The quoting mark counts among the comment lines before the first value or section; without
    // comment characters it is the first line itself.
    bool quoting = false;
    int from = 0;
    if (FComment.empty()) {
        if (lines.Count() > 0 && lines[0] == QuotingMark) {
            quoting = true;
            from = 1;
        }
    } else {
        for (int i = 0; i < lines.Count(); ++i) {
            const std::string& line = lines[i];
            if (line.empty()) continue;
            if (!isComment(line)) break;
            if (line.compare(FComment.size(), std::string::npos, QuotingMark) == 0) quoting = true;
        }
    }
    bool skip = false;
    std::string name, value;
    for (int i = from; i < lines.Count(); ++i) {
        const std::string line = lines[i];
        if (line.empty() || isComment(line)) continue;
        if (line[0] == '[') {
            std::string path = line.size() > 1 && line.back() == ']' ? line.substr(1, line.size() - 2) : line.substr(1);
            if (quoting && IsQuotedText(path)) path = UnquoteText(path);
            skip = !OpenKey(FDelimiter + path, true);
            continue;
        }
        if (skip) continue;
        bool div = false;
        ParseLine(line, name, value, div);
        AddTextValue(name, value, div, i + 1, quoting);
    }
}

// ---------------------------------------------------------------- the binary form

void TExIniFile::WriteBinaryForm(TStream* Stream)
{
    // Records go out in the order of the children, so that keys and values come back in the order
    // they had among each other: a value after a sub-key opens its key again first.
    std::function<void(const TExIniEntry*, const std::string&)> key = [&](const TExIniEntry* K,
                                                                            const std::string& Path) {
        PutByte(Stream, 1);
        PutString(Stream, Path);
        bool open = true;
        for (Integer i = 0; i < K->GetSubCount(); ++i) {
            const TExIniEntry* e = K->Child(i);
            if (!IsValue(e) || e->ValueType == evtUnknown) {
                if (e->IsKey) {
                    key(e, Path.empty() ? e->Name() : Path + FDelimiter + e->Name());
                    open = false;
                }
                continue;
            }
            if (!open) {
                PutByte(Stream, 1);
                PutString(Stream, Path);
                open = true;
            }
            PutByte(Stream, 0);
            PutString(Stream, e->Name());
            PutByte(Stream, static_cast<Byte>(e->ValueType));
            switch (e->ValueType) {
            case evtBoolean:
                PutInt32(Stream, 1);
                PutByte(Stream, e->BoolValue ? 1 : 0);
                break;
            case evtInt:
                PutInt32(Stream, 4);
                PutInt32(Stream, e->IntValue);
                break;
            case evtString:
                PutInt32(Stream, static_cast<Integer>(e->StrValue.size() + 4));
                PutString(Stream, e->StrValue);
                break;
            case evtMultiString: {
                Int64 size = 0;
                const int n = e->MultiValue ? e->MultiValue->Count() : 0;
                for (int j = 0; j < n; ++j) size += static_cast<Int64>(e->MultiValue->Get(j).size()) + 4;
                PutInt32(Stream, static_cast<Integer>(size));
                for (int j = 0; j < n; ++j) PutString(Stream, e->MultiValue->Get(j));
                break;
            }
            case evtBinary:
                PutInt32(Stream, static_cast<Integer>(e->BinValue.size() + 4));
                PutInt32(Stream, static_cast<Integer>(e->BinValue.size()));
                if (!e->BinValue.empty()) Stream->WriteBuffer(e->BinValue.data(), static_cast<Int64>(e->BinValue.size()));
                break;
            case evtDouble:
                PutInt32(Stream, 8);
                Stream->WriteBuffer(&e->DoubleValue, 8);
                break;
            default: break;
            }
            if (e->IsKey) {
                key(e, Path.empty() ? e->Name() : Path + FDelimiter + e->Name());
                open = false;
            }
        }
    };
    key(FRoot.get(), "");
}

void TExIniFile::LoadBinaryForm(const std::string& Data)
{
    BinReader r(Data);
    bool skip = false;
    while (r.Left() > 0) {
        const Byte kind = r.U8();
        if (kind == 1) {
            std::string path = r.Str();
            // In flat mode a key's name may itself begin with the delimiter: the path is always
            // below the root then.
            if (path.empty() || path[0] != FDelimiter || FSimple) path.insert(path.begin(), FDelimiter);
            skip = !OpenKey(path, true);
            continue;
        }
        if (kind != 0) r.Bad();
        const std::string name = r.Str();
        const Byte type = r.U8();
        const Integer size = r.I32();
        if (size < 0) r.Bad();
        r.Need(static_cast<size_t>(size));
        const size_t end = r.Pos() + static_cast<size_t>(size);
        // Values of keys that cannot be opened, values without a name and types this store does not
        // know are passed over.
        if (skip || NoName(name) || type == evtUnknown || type > evtDouble) {
            r.Skip(static_cast<size_t>(size));
            continue;
        }
        TExIniEntry* e = FCurrent->GetValue(name);
        if (type == evtMultiString) {
            std::vector<std::string> items;
            while (r.Pos() < end) items.push_back(r.Str(end));
            const bool append = e != nullptr && e->ValueType == evtMultiString && e->MultiValue;
            if (!append) {
                if (e == nullptr) e = AddChild(FCurrent, name, false);
                e->Invalidate();
                e->ValueType = evtMultiString;
                e->MultiValue = std::make_unique<TStringList>();
            }
            for (const auto& s : items) e->MultiValue->Add(s);
            continue;
        }
        TExIniEntry fresh;
        fresh.ValueType = static_cast<TExValueType>(type);
        switch (type) {
        case evtBoolean:
            if (size != 1) r.Bad();
            fresh.BoolValue = r.U8() != 0;
            break;
        case evtInt:
            if (size != 4) r.Bad();
            fresh.IntValue = r.I32();
            break;
        case evtString:
            fresh.StrValue = r.Str(end);
            if (r.Pos() != end) r.Bad();
            break;
        case evtBinary: {
            const Integer n = r.I32();
            if (n < 0 || static_cast<Int64>(n) + 4 != size) r.Bad();
            fresh.BinValue.resize(static_cast<size_t>(n));
            r.Bytes(fresh.BinValue.data(), static_cast<size_t>(n));
            break;
        }
        case evtDouble:
            if (size != 8) r.Bad();
            r.Bytes(&fresh.DoubleValue, 8);
            break;
        default: break;
        }
        if (e == nullptr) e = AddChild(FCurrent, name, false);
        e->Invalidate();
        e->ValueType = fresh.ValueType;
        e->BoolValue = fresh.BoolValue;
        e->IntValue = fresh.IntValue;
        e->DoubleValue = fresh.DoubleValue;
        e->StrValue = std::move(fresh.StrValue);
        e->BinValue = std::move(fresh.BinValue);
    }
}

// ---------------------------------------------------------------- loading and saving

void TExIniFile::LoadData(const std::string& Data)
{
    // Read into a fresh tree, which takes the old one's place only when the whole data was good.
    auto fresh = std::make_unique<TExIniEntry>();
    fresh->IsKey = true;
    TExIniEntry* oldCurrent = FCurrent;
    std::swap(FRoot, fresh);
    FCurrent = FRoot.get();
    try {
        if (FBinaryMode)
            LoadBinaryForm(Data);
        else
            LoadText(Data);
    } catch (...) {
        std::swap(FRoot, fresh);
        FCurrent = oldCurrent;
        throw;
    }
    FCurrent = FRoot.get();
    FChanged = false;
}

namespace {
std::string ReadRest(TStream* Stream)
{
    const Int64 left = Stream->Size() - Stream->Position();
    std::string data;
    if (left <= 0) return data;
    data.resize(static_cast<size_t>(left));
    Stream->ReadBuffer(data.data(), left);
    return data;
}
}  // namespace

void TExIniFile::LoadFromStream(TStream* Stream)
{
    if (UseRegistry()) return;
    TriggerBeforeLoadEvent();
    LoadData(ReadRest(Stream));
    TriggerAfterLoadEvent();
}

void TExIniFile::SaveToStream(TStream* Stream)
{
    if (UseRegistry()) return;
    TriggerBeforeSaveEvent();
    if (FBinaryMode)
        WriteBinaryForm(Stream);
    else
        WriteText(Stream);
    TriggerAfterSaveEvent();
}

bool TExIniFile::Load()
{
    if (UseRegistry()) return false;
    TriggerBeforeLoadEvent();
    std::string data;
    try {
        TFileStream f(NativeFileName(FPath), fmOpenRead | fmShareDenyWrite);
        data = ReadRest(&f);
    } catch (const EStreamError&) {
        // The store stays as it was; the events still come in pairs, as around a save.
        TriggerAfterLoadEvent();
        return false;
    }
    LoadData(data);
    TriggerAfterLoadEvent();
    return true;
}

bool TExIniFile::Save()
{
    TriggerBeforeSaveEvent();
    bool ok = false;
    if (!UseRegistry() && !FPath.empty()) {
        TMemoryStream m;
        if (FBinaryMode)
            WriteBinaryForm(&m);
        else
            WriteText(&m);
        const std::string data(m.Bytes().begin(), m.Bytes().end());
        ok = StoreFileContents(NativeFileName(FPath), data, true);
        if (ok) FChanged = false;
    }
    TriggerAfterSaveEvent();
    return ok;
}
