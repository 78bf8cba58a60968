#include "platform/Registry.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/FileUtils.h"
#include "platform/OrderedSlots.h"

namespace {

struct Value {
    std::string Name;
    DWORD Type = REG_NONE;
    std::vector<Byte> Data;
    size_t Slot = 0;
};

struct ValueSlot {
    static void Set(const std::unique_ptr<Value>& V, size_t Slot) { V->Slot = Slot; }
};

struct Node;

struct NodeSlot {
    static void Set(const std::shared_ptr<Node>& N, size_t Slot);
};

// Invariant: a node's Parent holds it in Keys, at its Slot, except for the roots and deleted nodes
// (Deleted set, Parent nil). Handles keep their node alive after deletion through the shared pointer.
// KeyIndex holds every node of Keys under its upper-cased name, so that opening, creating and
// deleting one of many sub-keys does not walk its siblings; Keys takes a key out from anywhere
// without moving the others, so deleting many keys costs the same in any order. Values and
// ValueIndex are kept the same way.
struct Node : std::enable_shared_from_this<Node> {
    std::string Name;
    std::string Class;
    Node* Parent = nullptr;
    size_t Slot = 0;
    bool Deleted = false;
    TOrderedSlots<std::shared_ptr<Node>, NodeSlot> Keys;
    std::unordered_map<std::string, Node*> KeyIndex;
    TOrderedSlots<std::unique_ptr<Value>, ValueSlot> Values;
    std::unordered_map<std::string, Value*> ValueIndex;

    Node* FindKey(const std::string& N) const
    {
        const auto it = KeyIndex.find(UpperCase(N));
        return it == KeyIndex.end() ? nullptr : it->second;
    }
    std::shared_ptr<Node> FindKeyShared(const std::string& N) const
    {
        Node* k = FindKey(N);
        return k == nullptr ? nullptr : k->shared_from_this();
    }
    Node* AddKey(std::shared_ptr<Node> K)
    {
        K->Parent = this;
        Node* k = K.get();
        KeyIndex[UpperCase(K->Name)] = k;
        Keys.Append(std::move(K));
        return k;
    }
    void RemoveKey(Node* K)
    {
        KeyIndex.erase(UpperCase(K->Name));
        K->Deleted = true;
        K->Parent = nullptr;
        // Freed here unless a handle still holds it.
        Keys.Remove(K->Slot);
    }
    Value* FindValue(const std::string& N) const
    {
        const auto it = ValueIndex.find(UpperCase(N));
        return it == ValueIndex.end() ? nullptr : it->second;
    }
    // The value of that name, made at the end when there is none.
    Value* TakeValue(const std::string& N)
    {
        const auto [it, fresh] = ValueIndex.try_emplace(UpperCase(N), nullptr);
        if (fresh) {
            auto v = std::make_unique<Value>();
            v->Name = N;
            it->second = v.get();
            Values.Append(std::move(v));
        }
        return it->second;
    }
    void RemoveValue(Value* V)
    {
        ValueIndex.erase(UpperCase(V->Name));
        Values.Remove(V->Slot);
    }
    DWORD Depth() const
    {
        DWORD d = 0;
        for (const Node* n = Parent; n != nullptr; n = n->Parent) ++d;
        return d;
    }
};

void NodeSlot::Set(const std::shared_ptr<Node>& N, size_t Slot)
{
    N->Slot = Slot;
}

struct Handle {
    std::shared_ptr<Node> Key;
    REGSAM Access = 0;
};

constexpr int RootCount = 5;
const char* const RootNames[RootCount] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
                                          "HKEY_USERS", "HKEY_CURRENT_CONFIG"};
constexpr std::uint32_t RootCodes[RootCount] = {0x80000000u, 0x80000001u, 0x80000002u, 0x80000003u,
                                                0x80000005u};
constexpr const char* FileHeader = "MORVIK-REGISTRY 1";

int RootIndex(HKEY Key)
{
    for (int i = 0; i < RootCount; ++i)
        if (Key == platform_detail::PredefinedKey(RootCodes[i])) return i;
    return -1;
}

// ---------------------------------------------------------------- file form
// One line per key ("K <root> <path>"), its class ("C <class>") and each value
// ("V <type> <name> <data in hex>"). Names are kept to printable ASCII: blanks, "%", control and
// high bytes are written as %HH; "%" alone is the empty name, "-" empty data.

std::string Escape(const std::string& S)
{
    if (S.empty()) return "%";
    static const char Hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : S) {
        if (c <= 0x20 || c == '%' || c >= 0x7F) {
            out += '%';
            out += Hex[c >> 4];
            out += Hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool Unescape(const std::string& S, std::string& Out)
{
    Out.clear();
    if (S == "%") return true;
    for (size_t i = 0; i < S.size(); ++i) {
        if (S[i] != '%') {
            Out += S[i];
            continue;
        }
        if (i + 2 >= S.size()) return false;
        const int h = HexValue(S[i + 1]);
        const int l = HexValue(S[i + 2]);
        if (h < 0 || l < 0) return false;
        Out += static_cast<char>(h * 16 + l);
        i += 2;
    }
    return true;
}

std::string HexData(const std::vector<Byte>& D)
{
    if (D.empty()) return "-";
    static const char Hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(D.size() * 2);
    for (Byte b : D) {
        out += Hex[b >> 4];
        out += Hex[b & 15];
    }
    return out;
}

bool ParseHexData(const std::string& S, std::vector<Byte>& D)
{
    D.clear();
    if (S == "-") return true;
    if (S.size() % 2 != 0) return false;
    D.reserve(S.size() / 2);
    for (size_t i = 0; i < S.size(); i += 2) {
        const int h = HexValue(S[i]);
        const int l = HexValue(S[i + 1]);
        if (h < 0 || l < 0) return false;
        D.push_back(static_cast<Byte>(h * 16 + l));
    }
    return true;
}

std::vector<std::string> Fields(const std::string& Line)
{
    std::vector<std::string> f;
    size_t pos = 0;
    while (pos <= Line.size()) {
        const size_t sp = Line.find(' ', pos);
        f.push_back(Line.substr(pos, sp == std::string::npos ? std::string::npos : sp - pos));
        if (sp == std::string::npos) break;
        pos = sp + 1;
    }
    return f;
}

// ---------------------------------------------------------------- the store

class Store {
public:
    Store() { Reset(); }

    std::mutex Lock;

    void Reset()
    {
        for (int i = 0; i < RootCount; ++i) {
            Roots[i] = std::make_shared<Node>();
            Roots[i]->Name = RootNames[i];
        }
        Handles.clear();
        Dirty = false;
    }

    // Chooses where the registry lives. An empty name means memory.
    void Use(const std::string& FileName)
    {
        Flush();
        Reset();
        File = FileName;
        Configured = true;
        if (!File.empty()) Load();
    }

    void Ensure()
    {
        if (!Configured) Use(platform::RegistryDefaultFile());
    }

    bool Flush()
    {
        if (!Dirty || File.empty()) return true;
        const size_t slash = File.rfind('/');
        if (slash != std::string::npos && slash > 0) ForceDirectories(File.substr(0, slash));
        std::string text = std::string(FileHeader) + "\n";
        for (int i = 0; i < RootCount; ++i) WriteNode(text, i, *Roots[i], "");
        if (!StoreFileContents(File, text, true)) return false;
        Dirty = false;
        return true;
    }

    // Resolves a handle to its key; ERROR_INVALID_HANDLE for an unknown one.
    LONG Resolve(HKEY Key, std::shared_ptr<Node>& N, REGSAM& Access)
    {
        const int root = RootIndex(Key);
        if (root >= 0) {
            N = Roots[root];
            Access = KEY_ALL_ACCESS;
            return ERROR_SUCCESS;
        }
        const auto it = Handles.find(reinterpret_cast<std::uintptr_t>(Key));
        if (it == Handles.end()) return ERROR_INVALID_HANDLE;
        N = it->second.Key;
        Access = it->second.Access;
        return N->Deleted ? ERROR_KEY_DELETED : ERROR_SUCCESS;
    }

    HKEY NewHandle(const std::shared_ptr<Node>& N, REGSAM Access)
    {
        NextHandle += 4;
        Handles[NextHandle] = Handle{N, Access};
        return reinterpret_cast<HKEY>(NextHandle);
    }

    bool CloseHandle(HKEY Key)
    {
        if (RootIndex(Key) >= 0) return true;
        return Handles.erase(reinterpret_cast<std::uintptr_t>(Key)) > 0;
    }

    std::shared_ptr<Node> Roots[RootCount];
    std::map<std::uintptr_t, Handle> Handles;
    std::uintptr_t NextHandle = 0x1000;
    std::string File;
    bool Configured = false;
    bool Dirty = false;

private:
    void WriteNode(std::string& Out, int Root, const Node& N, const std::string& Path)
    {
        if (!Path.empty() || !N.Values.Empty() || !N.Class.empty()) {
            Out += "K " + std::string(RootNames[Root]) + " " + Escape(Path) + "\n";
            if (!N.Class.empty()) Out += "C " + Escape(N.Class) + "\n";
            N.Values.ForEach([&](const std::unique_ptr<Value>& v) {
                Out += "V " + std::to_string(v->Type) + " " + Escape(v->Name) + " " + HexData(v->Data) + "\n";
            });
        }
        N.Keys.ForEach([&](const std::shared_ptr<Node>& k) {
            WriteNode(Out, Root, *k, Path.empty() ? k->Name : Path + "\\" + k->Name);
        });
    }

    void Load()
    {
        std::ifstream f(File, std::ios::binary);
        if (!f) return;  // no registry yet
        const std::string text{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
        if (f.bad()) {
            KeepAside(text);
            return;
        }
        bool whole = true;
        size_t pos = 0;
        bool first = true;
        Node* current = nullptr;
        while (pos < text.size()) {
            size_t end = text.find('\n', pos);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(pos, end - pos);
            pos = end + 1;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (first) {
                first = false;
                if (line != FileHeader) {
                    // Not a registry this program wrote: keep it whole and start empty.
                    KeepAside(text);
                    return;
                }
                continue;
            }
            if (line.empty()) continue;
            if (!LoadLine(line, current)) whole = false;
        }
        if (first || !whole) KeepAside(text);
    }

    bool LoadLine(const std::string& Line, Node*& Current)
    {
        const std::vector<std::string> f = Fields(Line);
        if (f[0] == "K" && f.size() == 3) {
            Current = nullptr;
            int root = -1;
            for (int i = 0; i < RootCount; ++i)
                if (f[1] == RootNames[i]) root = i;
            std::string path;
            if (root < 0 || !Unescape(f[2], path)) return false;
            Node* n = Roots[root].get();
            if (!path.empty()) {
                size_t p = 0;
                DWORD depth = 0;
                for (;;) {
                    const size_t bs = path.find('\\', p);
                    const std::string name = path.substr(p, bs == std::string::npos ? std::string::npos : bs - p);
                    if (name.empty() || name.size() > RegMaxKeyNameLength || ++depth > RegMaxKeyDepth) return false;
                    Node* child = n->FindKey(name);
                    if (child == nullptr) {
                        auto k = std::make_shared<Node>();
                        k->Name = name;
                        child = n->AddKey(std::move(k));
                    }
                    n = child;
                    if (bs == std::string::npos) break;
                    p = bs + 1;
                }
            }
            Current = n;
            return true;
        }
        if (f[0] == "C" && f.size() == 2 && Current != nullptr) return Unescape(f[1], Current->Class);
        if (f[0] == "V" && f.size() == 4 && Current != nullptr) {
            Int64 type = 0;
            std::string name;
            std::vector<Byte> data;
            if (!TryStrToInt64(f[1], type) || type < 0 || type > 0xFFFFFFFFLL) return false;
            if (!Unescape(f[2], name) || !ParseHexData(f[3], data)) return false;
            // A name met again takes the place of the first, spelled as it was last.
            Value* v = Current->TakeValue(name);
            v->Name = name;
            v->Type = static_cast<DWORD>(type);
            v->Data = std::move(data);
            return true;
        }
        return false;
    }

    void KeepAside(const std::string& Text)
    {
        StoreFileContents(File + ".bad", Text, true);
    }
};

// Never destroyed, so that keys closed by objects that outlive the program's statics still find it;
// pending changes are written when the program ends.
Store& TheStore()
{
    static Store* s = [] {
        auto* store = new Store;
        std::atexit([] {
            try {
                platform::RegistryFlush();
            } catch (...) {
                // Nothing can be reported at exit.
            }
        });
        return store;
    }();
    return *s;
}

LONG Fail(LONG Code)
{
    if (Code != ERROR_SUCCESS) SetLastError(static_cast<DWORD>(Code));
    return Code;
}

// Splits a sub-key path into names. A single trailing "\" is allowed; a leading one or an empty name
// is not.
LONG SplitPath(const std::string& Path, std::vector<std::string>& Names)
{
    Names.clear();
    if (Path.empty()) return ERROR_SUCCESS;
    size_t p = 0;
    const size_t end = Path.back() == '\\' ? Path.size() - 1 : Path.size();
    if (end == 0) return ERROR_BAD_PATHNAME;
    while (p <= end) {
        size_t bs = Path.find('\\', p);
        if (bs == std::string::npos || bs > end) bs = end;
        const std::string name = Path.substr(p, bs - p);
        if (name.empty()) return ERROR_BAD_PATHNAME;
        if (name.size() > RegMaxKeyNameLength) return ERROR_INVALID_PARAMETER;
        Names.push_back(name);
        p = bs + 1;
    }
    return ERROR_SUCCESS;
}

std::string LocalComputerName()
{
    char buf[256] = {};
    if (::gethostname(buf, sizeof buf - 1) != 0) return {};
    return buf;
}

}  // namespace

// ---------------------------------------------------------------- the functions

LONG RegConnectRegistry(const std::string& MachineName, HKEY Key, HKEY* Result)
{
    if (Result == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    *Result = nullptr;
    std::string machine = MachineName;
    if (machine.compare(0, 2, "\\\\") == 0) machine.erase(0, 2);
    if (!machine.empty() && !SameText(machine, LocalComputerName())) return Fail(ERROR_BAD_NETPATH);
    if (RootIndex(Key) < 0) return Fail(ERROR_INVALID_HANDLE);
    *Result = Key;
    return ERROR_SUCCESS;
}

namespace {

LONG OpenOrCreate(HKEY Key, const std::string& SubKey, const std::string* Class, REGSAM Access, HKEY* Result,
                  DWORD* Disposition)
{
    if (Result == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    *Result = nullptr;
    Store& s = TheStore();
    std::lock_guard<std::mutex> lock(s.Lock);
    s.Ensure();
    std::shared_ptr<Node> n;
    REGSAM parentAccess = 0;
    if (const LONG r = s.Resolve(Key, n, parentAccess); r != ERROR_SUCCESS) return Fail(r);
    std::vector<std::string> names;
    if (const LONG r = SplitPath(SubKey, names); r != ERROR_SUCCESS) return Fail(r);
    if (Class != nullptr && n->Depth() + names.size() > RegMaxKeyDepth) return Fail(ERROR_INVALID_PARAMETER);
    bool made = false;
    for (const auto& name : names) {
        std::shared_ptr<Node> child = n->FindKeyShared(name);
        if (!child) {
            if (Class == nullptr) return Fail(ERROR_FILE_NOT_FOUND);
            if ((parentAccess & KEY_CREATE_SUB_KEY) == 0 && !made) return Fail(ERROR_ACCESS_DENIED);
            child = std::make_shared<Node>();
            child->Name = name;
            n->AddKey(child);
            made = true;
            s.Dirty = true;
        }
        n = child;
    }
    if (made && Class != nullptr) n->Class = *Class;
    if (Disposition != nullptr) *Disposition = made ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *Result = s.NewHandle(n, Access);
    return ERROR_SUCCESS;
}

// Runs Op on the resolved key under the store's lock, after checking the handle's access.
template <class F>
LONG WithKey(HKEY Key, REGSAM Needed, F Op)
{
    Store& s = TheStore();
    std::lock_guard<std::mutex> lock(s.Lock);
    s.Ensure();
    std::shared_ptr<Node> n;
    REGSAM access = 0;
    if (const LONG r = s.Resolve(Key, n, access); r != ERROR_SUCCESS) return Fail(r);
    if ((access & Needed) != Needed) return Fail(ERROR_ACCESS_DENIED);
    return Fail(Op(s, *n));
}

}  // namespace

LONG RegOpenKeyEx(HKEY Key, const std::string& SubKey, DWORD Options, REGSAM Access, HKEY* Result)
{
    (void)Options;
    return OpenOrCreate(Key, SubKey, nullptr, Access, Result, nullptr);
}

LONG RegCreateKeyEx(HKEY Key, const std::string& SubKey, const std::string& Class, DWORD Options,
                    REGSAM Access, HKEY* Result, DWORD* Disposition)
{
    (void)Options;
    return OpenOrCreate(Key, SubKey, &Class, Access, Result, Disposition);
}

LONG RegCloseKey(HKEY Key)
{
    Store& s = TheStore();
    std::lock_guard<std::mutex> lock(s.Lock);
    return s.CloseHandle(Key) ? ERROR_SUCCESS : Fail(ERROR_INVALID_HANDLE);
}

LONG RegFlushKey(HKEY Key)
{
    return WithKey(Key, 0, [](Store& s, Node&) -> LONG { return s.Flush() ? ERROR_SUCCESS : ERROR_CANTWRITE; });
}

LONG RegDeleteKey(HKEY Key, const std::string& SubKey)
{
    std::vector<std::string> names;
    if (const LONG r = SplitPath(SubKey, names); r != ERROR_SUCCESS) return Fail(r);
    if (names.empty()) return Fail(ERROR_INVALID_PARAMETER);
    return WithKey(Key, 0, [&](Store& s, Node& n) -> LONG {
        Node* parent = &n;
        for (size_t i = 0; i + 1 < names.size(); ++i) {
            parent = parent->FindKey(names[i]);
            if (parent == nullptr) return ERROR_FILE_NOT_FOUND;
        }
        Node* k = parent->FindKey(names.back());
        if (k == nullptr) return ERROR_FILE_NOT_FOUND;
        if (!k->Keys.Empty()) return ERROR_ACCESS_DENIED;
        parent->RemoveKey(k);
        s.Dirty = true;
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteValue(HKEY Key, const std::string& ValueName)
{
    return WithKey(Key, KEY_SET_VALUE, [&](Store& s, Node& n) -> LONG {
        Value* v = n.FindValue(ValueName);
        if (v == nullptr) return ERROR_FILE_NOT_FOUND;
        n.RemoveValue(v);
        s.Dirty = true;
        return ERROR_SUCCESS;
    });
}

LONG RegEnumKeyEx(HKEY Key, DWORD Index, std::string& Name, std::string* Class)
{
    return WithKey(Key, KEY_ENUMERATE_SUB_KEYS, [&](Store&, Node& n) -> LONG {
        if (Index >= n.Keys.Count()) return ERROR_NO_MORE_ITEMS;
        const Node& k = *n.Keys[Index];
        Name = k.Name;
        if (Class != nullptr) *Class = k.Class;
        return ERROR_SUCCESS;
    });
}

LONG RegEnumValue(HKEY Key, DWORD Index, std::string& Name, DWORD* Type, std::vector<Byte>* Data)
{
    return WithKey(Key, KEY_QUERY_VALUE, [&](Store&, Node& n) -> LONG {
        if (Index >= n.Values.Count()) return ERROR_NO_MORE_ITEMS;
        const Value& v = *n.Values[Index];
        Name = v.Name;
        if (Type != nullptr) *Type = v.Type;
        if (Data != nullptr) *Data = v.Data;
        return ERROR_SUCCESS;
    });
}

LONG RegQueryInfoKey(HKEY Key, TRegKeyInfo& Info)
{
    return WithKey(Key, KEY_QUERY_VALUE, [&](Store&, Node& n) -> LONG {
        Info = TRegKeyInfo{};
        Info.Class = n.Class;
        Info.SubKeys = static_cast<DWORD>(n.Keys.Count());
        Info.Values = static_cast<DWORD>(n.Values.Count());
        n.Keys.ForEach([&](const std::shared_ptr<Node>& k) {
            Info.MaxSubKeyLen = std::max(Info.MaxSubKeyLen, static_cast<DWORD>(k->Name.size()));
            Info.MaxClassLen = std::max(Info.MaxClassLen, static_cast<DWORD>(k->Class.size()));
        });
        n.Values.ForEach([&](const std::unique_ptr<Value>& v) {
            Info.MaxValueNameLen = std::max(Info.MaxValueNameLen, static_cast<DWORD>(v->Name.size()));
            Info.MaxValueLen = std::max(Info.MaxValueLen, static_cast<DWORD>(v->Data.size()));
        });
        return ERROR_SUCCESS;
    });
}

LONG RegQueryValueEx(HKEY Key, const std::string& ValueName, DWORD* Type, std::vector<Byte>* Data)
{
    return WithKey(Key, KEY_QUERY_VALUE, [&](Store&, Node& n) -> LONG {
        const Value* v = n.FindValue(ValueName);
        if (v == nullptr) return ERROR_FILE_NOT_FOUND;
        if (Type != nullptr) *Type = v->Type;
        if (Data != nullptr) *Data = v->Data;
        return ERROR_SUCCESS;
    });
}

LONG RegSetValueEx(HKEY Key, const std::string& ValueName, DWORD Type, const void* Data, DWORD Size)
{
    if (ValueName.size() > RegMaxValueNameLength || (Data == nullptr && Size > 0)) return Fail(ERROR_INVALID_PARAMETER);
    return WithKey(Key, KEY_SET_VALUE, [&](Store& s, Node& n) -> LONG {
        const auto* p = static_cast<const Byte*>(Data);
        Value* v = n.TakeValue(ValueName);
        v->Type = Type;
        v->Data.assign(p, p + Size);
        s.Dirty = true;
        return ERROR_SUCCESS;
    });
}

// ---------------------------------------------------------------- choosing the store

std::string platform::RegistryDefaultFile()
{
    const char* x = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (x != nullptr && x[0] == '/') {
        base = x;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home != nullptr ? home : "") + "/.config";
    }
    return base + "/morvik/registry";
}

void platform::RegistryUseMemory()
{
    Store& s = TheStore();
    std::lock_guard<std::mutex> lock(s.Lock);
    s.Use("");
}

void platform::RegistryUseFile(const std::string& FileName)
{
    Store& s = TheStore();
    std::lock_guard<std::mutex> lock(s.Lock);
    s.Use(NativeFileName(FileName));
}

std::string platform::RegistryFileName()
{
    Store& s = TheStore();
    std::lock_guard<std::mutex> lock(s.Lock);
    s.Ensure();
    return s.File;
}

bool platform::RegistryFlush()
{
    Store& s = TheStore();
    std::lock_guard<std::mutex> lock(s.Lock);
    return s.Flush();
}

// ---------------------------------------------------------------- TRegistry

TRegistry::~TRegistry()
{
    CloseKey();
}

void TRegistry::SetRootKey(HKEY Value)
{
    if (Value == FRootKey) return;
    CloseKey();
    FRootKey = Value;
}

void TRegistry::CloseKey()
{
    if (FCurrentKey == nullptr) return;
    if (!LazyWrite) RegFlushKey(FCurrentKey);
    RegCloseKey(FCurrentKey);
    FCurrentKey = nullptr;
    FCurrentPath.clear();
}

void TRegistry::ChangeKey(HKEY Value, const std::string& Path)
{
    CloseKey();
    FCurrentKey = Value;
    FCurrentPath = Path;
}

HKEY TRegistry::Base(const std::string& Key, std::string& SubPath, bool& Relative) const
{
    Relative = Key.empty() || Key[0] != '\\';
    SubPath = Relative ? Key : Key.substr(1);
    if (!SubPath.empty() && SubPath.back() == '\\') SubPath.pop_back();
    return Relative && FCurrentKey != nullptr ? FCurrentKey : FRootKey;
}

bool TRegistry::OpenKey(const std::string& Key, bool CanCreate)
{
    std::string sub;
    bool relative = false;
    const HKEY base = Base(Key, sub, relative);
    HKEY result = nullptr;
    const LONG r = CanCreate ? RegCreateKeyEx(base, sub, "", REG_OPTION_NON_VOLATILE, Access, &result)
                             : RegOpenKeyEx(base, sub, 0, Access, &result);
    if (r != ERROR_SUCCESS) return false;
    std::string path = sub;
    if (relative && FCurrentKey != nullptr && !FCurrentPath.empty())
        path = sub.empty() ? FCurrentPath : FCurrentPath + "\\" + sub;
    ChangeKey(result, path);
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& Key)
{
    const REGSAM saved = Access;
    Access = KEY_READ;
    const bool ok = OpenKey(Key, false);
    Access = saved;
    return ok;
}

bool TRegistry::CreateKey(const std::string& Key)
{
    std::string sub;
    bool relative = false;
    const HKEY base = Base(Key, sub, relative);
    HKEY result = nullptr;
    if (RegCreateKeyEx(base, sub, "", REG_OPTION_NON_VOLATILE, Access, &result) != ERROR_SUCCESS) return false;
    RegCloseKey(result);
    return true;
}

bool TRegistry::DeleteKey(const std::string& Key)
{
    std::string sub;
    bool relative = false;
    const HKEY base = Base(Key, sub, relative);
    return RegDeleteKey(base, sub) == ERROR_SUCCESS;
}

bool TRegistry::KeyExists(const std::string& Key)
{
    std::string sub;
    bool relative = false;
    const HKEY base = Base(Key, sub, relative);
    HKEY result = nullptr;
    if (RegOpenKeyEx(base, sub, 0, KEY_READ, &result) != ERROR_SUCCESS) return false;
    RegCloseKey(result);
    return true;
}

bool TRegistry::HasSubKeys()
{
    TRegKeyInfo info;
    return FCurrentKey != nullptr && RegQueryInfoKey(FCurrentKey, info) == ERROR_SUCCESS && info.SubKeys > 0;
}

void TRegistry::GetKeyNames(TStrings* Strings)
{
    Strings->Clear();
    if (FCurrentKey == nullptr) return;
    std::string name;
    for (DWORD i = 0; RegEnumKeyEx(FCurrentKey, i, name) == ERROR_SUCCESS; ++i) Strings->Add(name);
}

void TRegistry::GetValueNames(TStrings* Strings)
{
    Strings->Clear();
    if (FCurrentKey == nullptr) return;
    std::string name;
    for (DWORD i = 0; RegEnumValue(FCurrentKey, i, name) == ERROR_SUCCESS; ++i) Strings->Add(name);
}

bool TRegistry::ValueExists(const std::string& Name)
{
    return FCurrentKey != nullptr && RegQueryValueEx(FCurrentKey, Name, nullptr, nullptr) == ERROR_SUCCESS;
}

bool TRegistry::DeleteValue(const std::string& Name)
{
    return FCurrentKey != nullptr && RegDeleteValue(FCurrentKey, Name) == ERROR_SUCCESS;
}

bool TRegistry::RenameValue(const std::string& OldName, const std::string& NewName)
{
    if (FCurrentKey == nullptr) return false;
    DWORD type = 0;
    std::vector<Byte> data;
    if (RegQueryValueEx(FCurrentKey, OldName, &type, &data) != ERROR_SUCCESS) return false;
    if (SameText(OldName, NewName)) {
        // Only the spelling changes: the value takes the new name where it stands.
        return WithKey(FCurrentKey, KEY_SET_VALUE, [&](Store& s, Node& n) -> LONG {
                   Value* v = n.FindValue(OldName);
                   if (v == nullptr) return ERROR_FILE_NOT_FOUND;
                   v->Name = NewName;
                   s.Dirty = true;
                   return ERROR_SUCCESS;
               }) == ERROR_SUCCESS;
    }
    if (ValueExists(NewName)) return false;
    if (!PutData(NewName, type, data.data(), static_cast<DWORD>(data.size()))) return false;
    if (RegDeleteValue(FCurrentKey, OldName) != ERROR_SUCCESS) {
        RegDeleteValue(FCurrentKey, NewName);
        return false;
    }
    return true;
}

bool TRegistry::GetData(const std::string& Name, DWORD& Type, std::vector<Byte>& Data)
{
    return FCurrentKey != nullptr && RegQueryValueEx(FCurrentKey, Name, &Type, &Data) == ERROR_SUCCESS;
}

bool TRegistry::PutData(const std::string& Name, DWORD Type, const void* Data, DWORD Size)
{
    return FCurrentKey != nullptr && RegSetValueEx(FCurrentKey, Name, Type, Data, Size) == ERROR_SUCCESS;
}
