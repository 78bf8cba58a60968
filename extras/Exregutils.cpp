#include "extras/Exregutils.h"

#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/Classes.h"
#include "platform/SysUtils.h"

namespace {

struct RootInfo {
    const char* Name;
    const char* ShortName;
    HKEY Key;
};

const RootInfo& Root(TRegRootType RootType)
{
    static const RootInfo Table[] = {
        {"", "", reinterpret_cast<HKEY>(static_cast<std::intptr_t>(-1))},
        {"HKEY_CLASSES_ROOT", "HKCR", HKEY_CLASSES_ROOT},
        {"HKEY_CURRENT_USER", "HKCU", HKEY_CURRENT_USER},
        {"HKEY_LOCAL_MACHINE", "HKLM", HKEY_LOCAL_MACHINE},
        {"HKEY_USERS", "HKEY_USERS", HKEY_USERS},
        {"HKEY_CURRENT_CONFIG", "HKCC", HKEY_CURRENT_CONFIG},
    };
    return Table[RootType <= rrtHKEY_CURRENT_CONFIG ? RootType : rrtUnknown];
}

std::mutex ErrorLock;
std::vector<std::string>* Errors = nullptr;

// Frees a list left at the end of the program.
struct ErrorListEnd {
    ~ErrorListEnd()
    {
        delete Errors;
        Errors = nullptr;
    }
} TheErrorListEnd;

// A failed registry call: its own code is the reliable one, so its text is added from it.
bool Failed(LONG Code)
{
    if (Code == ERROR_SUCCESS) return false;
    AddRegError(SysErrorMessage(static_cast<DWORD>(Code)));
    return true;
}

// Paths compared the way the registry compares names: ASCII case ignored, one trailing "\" ignored,
// and a root's full name standing for the root itself ("").
std::string PathKey(const std::string& KeyName)
{
    if (NameToRootType(KeyName) != rrtUnknown) return {};
    std::string p = UpperCase(KeyName);
    if (!p.empty() && p.back() == '\\') p.pop_back();
    return p;
}

bool IsRootName(const std::string& KeyName)
{
    return NameToRootType(KeyName) != rrtUnknown || KeyName.empty();
}

// One key opened on a connected root, both closed when it goes.
class OpenedKey {
public:
    OpenedKey(const std::string& ComputerName, TRegRootType RootType, const std::string& KeyName, REGSAM Access)
    {
        if (Failed(RegConnectRegistry(ComputerName, Root(RootType).Key, &FRoot))) {
            FRoot = nullptr;
            return;
        }
        if (NameToRootType(KeyName) != rrtUnknown) {
            FKey = FRoot;
            return;
        }
        HKEY k = nullptr;
        if (Failed(RegOpenKeyEx(FRoot, KeyName, 0, Access, &k))) return;
        FKey = k;
    }
    ~OpenedKey()
    {
        if (FKey != nullptr && FKey != FRoot) RegCloseKey(FKey);
        if (FRoot != nullptr) RegCloseKey(FRoot);
    }
    OpenedKey(const OpenedKey&) = delete;
    OpenedKey& operator=(const OpenedKey&) = delete;

    explicit operator bool() const { return FKey != nullptr; }
    HKEY Key() const { return FKey; }
    HKEY ConnectedRoot() const { return FRoot; }
    // Hands the key to the caller; the connected root is closed unless it is the key.
    HKEY Release()
    {
        HKEY k = FKey;
        FKey = nullptr;
        if (k == FRoot) FRoot = nullptr;
        return k;
    }

private:
    HKEY FRoot = nullptr;
    HKEY FKey = nullptr;
};

bool EnumSubKeysOf(HKEY Key, TStrings* List, bool Report)
{
    TRegKeyInfo info;
    const LONG r = RegQueryInfoKey(Key, info);
    if (r != ERROR_SUCCESS) return !(Report ? Failed(r) : true);
    for (DWORD i = 0;; ++i) {
        std::string name;
        const LONG e = RegEnumKeyEx(Key, i, name);
        if (e == ERROR_NO_MORE_ITEMS) break;
        if (e != ERROR_SUCCESS) {
            if (Report) Failed(e);
            return false;
        }
        if (List != nullptr) List->Add(name);
    }
    return true;
}

std::string HexBytes(const std::vector<Byte>& Data)
{
    static const char Hex[] = "0123456789ABCDEF";
    std::string s;
    s.reserve(Data.size() * 3);
    for (Byte b : Data) {
        s += Hex[b >> 4];
        s += Hex[b & 15];
        s += ' ';
    }
    return s;
}

// The text of a stored string: up to its first zero, never past the data.
std::string StringData(const std::vector<Byte>& Data)
{
    std::string s(Data.begin(), Data.end());
    const size_t zero = s.find('\0');
    if (zero != std::string::npos) s.resize(zero);
    return s;
}

// The strings of a multi-string, one per line. The closing zeros are dropped as far as they are
// there, so a value stored without them loses no text.
std::string MultiStringData(const std::vector<Byte>& Data)
{
    size_t n = Data.size();
    for (int k = 0; k < 2 && n > 0 && Data[n - 1] == 0; ++k) --n;
    std::string s;
    s.reserve(n + 16);
    for (size_t i = 0; i < n; ++i) {
        if (Data[i] == 0)
            s += "\r\n";
        else
            s += static_cast<char>(Data[i]);
    }
    return s;
}

}  // namespace

// ---------------------------------------------------------------- errors

std::string GetLastRegError()
{
    std::lock_guard<std::mutex> lock(ErrorLock);
    std::string text;
    if (Errors != nullptr) {
        for (const auto& e : *Errors) text += e + "\r\n";
        delete Errors;
        Errors = nullptr;
    }
    return text;
}

void AddRegError(const std::string& Text)
{
    std::lock_guard<std::mutex> lock(ErrorLock);
    if (Errors == nullptr) Errors = new std::vector<std::string>;
    Errors->push_back(Text);
}

void AddLastWin32Error()
{
    const DWORD code = GetLastError();
    if (code != 0) AddRegError(SysErrorMessage(code));
}

// ---------------------------------------------------------------- names

TRegRootType NameToRootType(const std::string& Name)
{
    for (int t = rrtHKEY_CLASSES_ROOT; t <= rrtHKEY_CURRENT_CONFIG; ++t)
        if (Name == Root(TRegRootType(t)).Name) return TRegRootType(t);
    return rrtUnknown;
}

std::string RootTypeName(TRegRootType RootType) { return Root(RootType).Name; }

std::string RootTypeShortName(TRegRootType RootType) { return Root(RootType).ShortName; }

HKEY RootTypeToHandle(TRegRootType RootType) { return Root(RootType).Key; }

std::string ValueTypeToString(DWORD ValueType)
{
    static const char* const Names[] = {"REG_NONE",  "REG_SZ",       "REG_EXPAND_SZ",
                                        "REG_BINARY", "REG_DWORD",   "REG_DWORD_BIG_ENDIAN",
                                        "REG_LINK",  "REG_MULTI_SZ", "REG_RESOURCE_LIST"};
    return ValueType <= REG_RESOURCE_LIST ? Names[ValueType] : "REG_NONE";
}

bool IsValidKeyName(const std::string& Name)
{
    for (unsigned char c : Name)
        if (c < 32 || c > 127 || c == '*' || c == '?') return false;
    return true;
}

// ---------------------------------------------------------------- keys

bool KeyClear(const std::string& ComputerName, TRegRootType RootType, const std::string& KeyName)
{
    if (IsRootName(KeyName)) {
        AddRegError("A registry root cannot be cleared");
        return false;
    }
    TStringList names;
    if (!KeyEnumSubKeys(ComputerName, RootType, KeyName, &names)) return false;
    const std::string base = KeyName.back() == '\\' ? KeyName : KeyName + "\\";
    for (int i = 0; i < names.Count(); ++i)
        if (!KeyDelete(ComputerName, RootType, base + names.Strings(i))) return false;
    return true;
}

bool KeyDelete(const std::string& ComputerName, TRegRootType RootType, const std::string& KeyName)
{
    if (IsRootName(KeyName)) {
        AddRegError("A registry root cannot be deleted");
        return false;
    }
    // KeyClear has said why it failed.
    if (!KeyClear(ComputerName, RootType, KeyName)) return false;
    std::string path = KeyName;
    if (path.back() == '\\') path.pop_back();
    const size_t bs = path.rfind('\\');
    const std::string parent = bs == std::string::npos ? RootTypeName(RootType) : path.substr(0, bs);
    const std::string name = bs == std::string::npos ? path : path.substr(bs + 1);
    OpenedKey key(ComputerName, RootType, parent, KEY_WRITE);
    if (!key) return false;
    return !Failed(RegDeleteKey(key.Key(), name));
}

bool KeyHasValue(const std::string& ComputerName, TRegRootType RootType, const std::string& KeyName,
                 const std::string& ValueName, bool& Exists)
{
    Exists = false;
    OpenedKey key(ComputerName, RootType, KeyName, KEY_QUERY_VALUE);
    if (!key) return false;
    Exists = RegQueryValueEx(key.Key(), ValueName, nullptr, nullptr) == ERROR_SUCCESS;
    return true;
}

bool KeyRenameValue(const std::string& ComputerName, TRegRootType RootType, const std::string& KeyName,
                    const std::string& OldName, const std::string& NewName)
{
    OpenedKey key(ComputerName, RootType, KeyName, KEY_QUERY_VALUE | KEY_SET_VALUE);
    if (!key) return false;
    if (RegQueryValueEx(key.Key(), NewName, nullptr, nullptr) == ERROR_SUCCESS) {
        AddRegError("Value name already exists");
        return false;
    }
    DWORD type = REG_NONE;
    std::vector<Byte> data;
    if (Failed(RegQueryValueEx(key.Key(), OldName, &type, &data))) return false;
    if (Failed(RegSetValueEx(key.Key(), NewName, type, data.data(), static_cast<DWORD>(data.size()))))
        return false;
    if (Failed(RegDeleteValue(key.Key(), OldName))) {
        RegDeleteValue(key.Key(), NewName);
        return false;
    }
    return true;
}

bool KeyDeleteValue(const std::string& ComputerName, TRegRootType RootType, const std::string& KeyName,
                    const std::string& ValueName)
{
    OpenedKey key(ComputerName, RootType, KeyName, KEY_WRITE);
    return key && !Failed(RegDeleteValue(key.Key(), ValueName));
}

bool KeySetValue(const std::string& ComputerName, TRegRootType RootType, const std::string& KeyName,
                 const std::string& ValueName, DWORD ValueType, const void* Data, DWORD DataSize)
{
    OpenedKey key(ComputerName, RootType, KeyName, KEY_WRITE);
    return key && !Failed(RegSetValueEx(key.Key(), ValueName, ValueType, Data, DataSize));
}

bool KeyCreateSubKey(const std::string& ComputerName, TRegRootType RootType, const std::string& KeyName,
                     const std::string& SubKeyName, const std::string& ClassName)
{
    OpenedKey key(ComputerName, RootType, KeyName, KEY_WRITE);
    if (!key) return false;
    HKEY made = nullptr;
    if (Failed(RegCreateKeyEx(key.Key(), SubKeyName, ClassName, REG_OPTION_NON_VOLATILE, KEY_WRITE, &made)))
        return false;
    RegCloseKey(made);
    return true;
}

bool CopyKey(const std::string& SourceComputer, const std::string& DestComputer, TRegRootType SourceRoot,
             TRegRootType DestRoot, const std::string& SourceKey, const std::string& DestKey)
{
    OpenedKey src(SourceComputer, SourceRoot, SourceKey, KEY_READ);
    if (!src) return false;
    OpenedKey dst(DestComputer, DestRoot, DestKey, KEY_WRITE);
    if (!dst) return false;
    // A copy into the source's own subtree would meet its own copies and never end.
    if (src.ConnectedRoot() == dst.ConnectedRoot()) {
        const std::string s = PathKey(SourceKey), d = PathKey(DestKey);
        if (s.empty() || d == s || d.compare(0, s.size() + 1, s + "\\") == 0) {
            AddRegError("A key cannot be copied into itself or one of its sub-keys");
            return false;
        }
    }
    bool ok = true;
    const std::string srcBase = SourceKey.back() == '\\' ? SourceKey : SourceKey + "\\";
    const std::string dstBase = DestKey.back() == '\\' ? DestKey : DestKey + "\\";
    // The count is taken first: a copy into the source's own parent adds sub-keys to the source as
    // it goes, which are not the source's to copy.
    TRegKeyInfo info;
    if (Failed(RegQueryInfoKey(src.Key(), info))) return false;
    for (DWORD i = 0; i < info.SubKeys; ++i) {
        std::string name, cls;
        const LONG e = RegEnumKeyEx(src.Key(), i, name, &cls);
        if (e != ERROR_SUCCESS) {
            if (e != ERROR_NO_MORE_ITEMS) ok = !Failed(e) && ok;
            break;
        }
        HKEY made = nullptr;
        if (Failed(RegCreateKeyEx(dst.Key(), name, cls, REG_OPTION_NON_VOLATILE, KEY_WRITE, &made))) {
            ok = false;
            continue;
        }
        // Sub-keys of a root are reached by their own name.
        const std::string sub = NameToRootType(SourceKey) != rrtUnknown ? name : srcBase + name;
        const std::string dsub = NameToRootType(DestKey) != rrtUnknown ? name : dstBase + name;
        if (!CopyKey(SourceComputer, DestComputer, SourceRoot, DestRoot, sub, dsub)) ok = false;
        RegCloseKey(made);
    }
    for (DWORD i = 0;; ++i) {
        std::string name;
        DWORD type = REG_NONE;
        std::vector<Byte> data;
        const LONG e = RegEnumValue(src.Key(), i, name, &type, &data);
        if (e != ERROR_SUCCESS) {
            if (e != ERROR_NO_MORE_ITEMS) ok = !Failed(e) && ok;
            break;
        }
        if (Failed(RegSetValueEx(dst.Key(), name, type, data.data(), static_cast<DWORD>(data.size())))) ok = false;
    }
    return ok;
}

bool KeyGetClassName(const std::string& ComputerName, TRegRootType RootType, const std::string& KeyName,
                     std::string& ClassName)
{
    ClassName.clear();
    OpenedKey key(ComputerName, RootType, KeyName, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS);
    if (!key) return false;
    TRegKeyInfo info;
    if (Failed(RegQueryInfoKey(key.Key(), info))) return false;
    ClassName = info.Class;
    return true;
}

bool KeyEnumValues(const std::string& ComputerName, TRegRootType RootType, const std::string& KeyName,
                   TStrings* List)
{
    OpenedKey key(ComputerName, RootType, KeyName, KEY_QUERY_VALUE);
    if (!key) return false;
    for (DWORD i = 0;; ++i) {
        std::string name;
        const LONG e = RegEnumValue(key.Key(), i, name);
        if (e == ERROR_NO_MORE_ITEMS) return true;
        if (Failed(e)) return false;
        if (List != nullptr) List->Add(name);
    }
}

bool KeyGetValueInfo(const std::string& ComputerName, TRegRootType RootType, const std::string& KeyName,
                     const std::string& ValueName, DWORD& ValueType, std::string& Text)
{
    Text.clear();
    OpenedKey key(ComputerName, RootType, KeyName, KEY_QUERY_VALUE);
    if (!key) return false;
    std::vector<Byte> data;
    if (Failed(RegQueryValueEx(key.Key(), ValueName, &ValueType, &data))) return false;
    switch (ValueType) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        Text = StringData(data);
        break;
    case REG_DWORD:
        // A number stored short is shown as the bytes it has, not read past its end.
        if (data.size() >= 4) {
            const std::uint32_t v = std::uint32_t(data[0]) | std::uint32_t(data[1]) << 8 |
                                    std::uint32_t(data[2]) << 16 | std::uint32_t(data[3]) << 24;
            Text = std::to_string(v);
        } else {
            Text = HexBytes(data);
        }
        break;
    case REG_MULTI_SZ:
        Text = MultiStringData(data);
        break;
    default:
        Text = HexBytes(data);
    }
    return true;
}

bool KeyEnumSubKeys(const std::string& ComputerName, TRegRootType RootType, const std::string& KeyName,
                    TStrings* List)
{
    OpenedKey key(ComputerName, RootType, KeyName, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS);
    return key && EnumSubKeysOf(key.Key(), List, true);
}

bool KeyHasSubKeys(const std::string& ComputerName, TRegRootType RootType, const std::string& KeyName)
{
    OpenedKey key(ComputerName, RootType, KeyName, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS);
    if (!key) return false;
    TRegKeyInfo info;
    if (Failed(RegQueryInfoKey(key.Key(), info))) return false;
    return info.SubKeys > 0;
}

bool OpenRegKey(const std::string& ComputerName, TRegRootType RootType, const std::string& KeyName, HKEY& Key)
{
    Key = nullptr;
    OpenedKey key(ComputerName, RootType, KeyName, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS);
    if (!key) return false;
    Key = key.Release();
    return true;
}

bool KeyHasSubKeys0(HKEY Key, const std::string& SubKeyName)
{
    HKEY k = nullptr;
    if (RegOpenKeyEx(Key, SubKeyName, 0, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS, &k) != ERROR_SUCCESS)
        return false;
    TRegKeyInfo info;
    const bool has = RegQueryInfoKey(k, info) == ERROR_SUCCESS && info.SubKeys > 0;
    RegCloseKey(k);
    return has;
}

bool KeyEnumSubKeys0(HKEY Key, const std::string& SubKeyName, TStrings* List)
{
    if (Trim(SubKeyName).empty()) return EnumSubKeysOf(Key, List, true);
    HKEY k = nullptr;
    if (Failed(RegOpenKeyEx(Key, SubKeyName, 0, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS, &k))) return false;
    const bool ok = EnumSubKeysOf(k, List, true);
    RegCloseKey(k);
    return ok;
}
