// The settings store: its tree of keys and values, the current key, its properties, the entries'
// operations, its events, and loading and saving (the forms themselves are in Exinitext.cpp and
// Exinibinary.cpp, the typed reads and writes in Exinivalues.cpp).
#include "ctlbase/Exini.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_map>

#include "ctlbase/Exiniparts.h"
#include "ctlbase/Exlist.h"
#include "ctlbase/Exobjlist.h"
#include "ctlbase/Exstrutils.h"
#include "ctlbase/Extools.h"
#include "platform/FileUtils.h"
#include "platform/Graphics.h"
#include "platform/TypInfo.h"

using namespace exini;

namespace {

std::string MatchName(const std::string& S)
{
    return UpperCase(Trim(S));
}


}  // namespace

bool exini::NoName(const std::string& Name)
{
    return Trim(Name).empty();
}

bool exini::IsValue(const TExIniEntry* E)
{
    return !E->IsKey || E->ValueType != evtUnknown;
}

bool exini::DeleteRegTree(HKEY Parent, const std::string& Name)
{
    HKEY k = nullptr;
    if (RegOpenKeyEx(Parent, Name, 0, KEY_ALL_ACCESS, &k) != ERROR_SUCCESS) return false;
    bool ok = true;
    std::string sub;
    while (ok && RegEnumKeyEx(k, 0, sub) == ERROR_SUCCESS) ok = DeleteRegTree(k, sub);
    RegCloseKey(k);
    return ok && RegDeleteKey(Parent, Name) == ERROR_SUCCESS;
}
// ---------------------------------------------------------------- TExIniEntry

namespace {
// Below this many children a search is quicker than keeping an index.
constexpr size_t IndexFrom = 32;
}  // namespace

void exini::EntrySlot::Set(TExIniEntry* const& E, size_t Slot)
{
    E->FSlot = Slot;
}

// Slots grow with the order of the children and keep it when holes are squeezed out.
bool exini::EntryOrder::operator()(const TExIniEntry* A, const TExIniEntry* B) const
{
    return A->FSlot < B->FSlot;
}

TExIniEntry::TExIniEntry() = default;

TExIniEntry::~TExIniEntry()
{
    ClearChildren();
}

void TExIniEntry::ClearChildren()
{
    FIndex.reset();
    for (TExIniEntry* e : FChildren.TakeAll()) {
        e->FParent = nullptr;
        delete e;
    }
}

TExIniEntry* TExIniEntry::GetValue(const std::string& Name) const
{
    const std::string m = MatchName(Name);
    if (FChildren.Count() >= IndexFrom) {
        if (!FIndex) {
            FIndex = std::make_unique<std::unordered_map<std::string, IndexSlot>>();
            FChildren.ForEach([&](TExIniEntry* e) { IndexAdd(e); });
        }
        const auto it = FIndex->find(m);
        return it == FIndex->end() ? nullptr : it->second.First;
    }
    TExIniEntry* found = nullptr;
    FChildren.ForEach([&](TExIniEntry* e) {
        if (found == nullptr && e->FMatchName == m) found = e;
    });
    return found;
}

void TExIniEntry::IndexAdd(TExIniEntry* Child) const
{
    if (!FIndex) return;
    const auto [it, fresh] = FIndex->try_emplace(Child->FMatchName, IndexSlot{Child, nullptr});
    if (fresh) return;
    IndexSlot& s = it->second;
    if (!s.All) {
        s.All = std::make_unique<std::set<TExIniEntry*, EntryOrder>>();
        s.All->insert(s.First);
    }
    s.All->insert(Child);
    // The first of the name in the children's order answers to it.
    s.First = *s.All->begin();
}

void TExIniEntry::IndexRemove(TExIniEntry* Child) const
{
    if (!FIndex) return;
    const auto it = FIndex->find(Child->FMatchName);
    if (it == FIndex->end()) return;
    IndexSlot& s = it->second;
    if (!s.All) {
        FIndex->erase(it);
        return;
    }
    s.All->erase(Child);
    s.First = *s.All->begin();
    if (s.All->size() == 1) s.All.reset();
}

void TExIniEntry::TakeOut(TExIniEntry* Child)
{
    IndexRemove(Child);
    FChildren.Remove(Child->FSlot);
    Child->FParent = nullptr;
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
    if (FParent != nullptr) FParent->TakeOut(this);
    FParent = P;
    if (P != nullptr) {
        P->FChildren.Append(this);
        P->IndexAdd(this);
    }
}

Integer TExIniEntry::GetSubCount() const
{
    return static_cast<Integer>(FChildren.Count());
}

TExIniEntry* TExIniEntry::Child(Integer Index) const
{
    if (Index < 0 || static_cast<size_t>(Index) >= FChildren.Count())
        throw EExListError(Format(ctlbase::ListIndexOutOfBounds, Index));
    return FChildren[static_cast<size_t>(Index)];
}

void TExIniEntry::SetName(const std::string& Value)
{
    if (FParent != nullptr) FParent->IndexRemove(this);
    FName = Value;
    FMatchName = MatchName(Value);
    if (FParent != nullptr) FParent->IndexAdd(this);
}

Integer TExIniEntry::Level() const
{
    Integer n = 0;
    for (const TExIniEntry* p = FParent; p != nullptr; p = p->FParent) ++n;
    return n;
}

TExIniEntry* exini::AddChild(TExIniEntry* Parent, const std::string& Name, bool Key)
{
    auto* e = new TExIniEntry;
    e->SetName(Name);
    e->IsKey = Key;
    e->SetParent(Parent);
    return e;
}

namespace {

Integer Height(const TExIniEntry* E)
{
    Integer h = 0;
    for (Integer i = 0; i < E->GetSubCount(); ++i) h = Max(h, 1 + Height(E->Child(i)));
    return h;
}

}  // namespace

// ---------------------------------------------------------------- TExIniFile: the current key



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

namespace {

// Characters the text form's own lines use: line breaks end them, quotes hold texts, brackets and
// digits make sections and list lines ("L[0]").
bool SyntaxChar(char C)
{
    return C == '\r' || C == '\n' || C == '"' || C == '[' || C == ']' || (C >= '0' && C <= '9');
}

void CheckTextForm(const std::string& Comment, char DivChar)
{
    if (SyntaxChar(DivChar)) throw EExIniError("The divider can not be a line break, a quote, a bracket or a digit.");
    if (std::any_of(Comment.begin(), Comment.end(), SyntaxChar))
        throw EExIniError("The comment characters can not hold a line break, a quote, a bracket or a digit.");
    if (Comment.find(DivChar) != std::string::npos)
        throw EExIniError("The divider can not be one of the comment characters.");
}

}  // namespace

void TExIniFile::SetComment(const std::string& Value)
{
    if (Value == FComment) return;
    if (!HasState(csLoading)) CheckTextForm(Value, FDivChar);
    FComment = Value;
}

void TExIniFile::SetDivChar(char Value)
{
    if (Value == FDivChar) return;
    if (!HasState(csLoading)) CheckTextForm(FComment, Value);
    FDivChar = Value;
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
    parent->TakeOut(Entry);
    delete Entry;
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
        FCurrent->ClearChildren();
        MarkChanged();
        ok = true;
    }
    return SaveIfEager() && ok;
}

bool TExIniFile::Clear()
{
    RegistryOnly("Clearing the whole registry is not allowed. Use ClearKey instead.");
    FCurrent = FRoot.get();
    FRoot->ClearChildren();
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
    CheckTextForm(FComment, FDivChar);
    if (FPath.empty() || UseRegistry()) return;
    try {
        Load();
    } catch (...) {
        // A settings file that cannot be read leaves the store empty.
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

void TExIniFile::LoadFromStream(TStream* Stream)
{
    if (UseRegistry()) return;
    TriggerBeforeLoadEvent();
    LoadData(ReadToEnd(Stream));
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
        data = ReadToEnd(&f);
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
