// The system registry: keys below five predefined roots, each key holding sub-keys and typed named
// values (the value with the empty name is the key's default value). One store per process, kept in
// a file under the user's configuration folder, or in memory only (tests). The functions answer
// ERROR_SUCCESS or an error code, which a failing call also leaves as the thread's last error.
//
// Names of keys and values compare without regard to ASCII case. Sub-keys and values enumerate in
// the order they were made (a value keeps its place when it is set again). A key that still has
// sub-keys cannot be deleted; open handles of a deleted key answer ERROR_KEY_DELETED. Other
// computers cannot be reached: connecting to one answers ERROR_BAD_NETPATH.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Classes.h"

struct HKEY__;
using HKEY = HKEY__*;
using REGSAM = DWORD;
using LONG = std::int32_t;

namespace platform_detail {
inline HKEY PredefinedKey(std::uint32_t Code)
{
    return reinterpret_cast<HKEY>(static_cast<std::intptr_t>(static_cast<std::int32_t>(Code)));
}
}  // namespace platform_detail

inline const HKEY HKEY_CLASSES_ROOT = platform_detail::PredefinedKey(0x80000000u);
inline const HKEY HKEY_CURRENT_USER = platform_detail::PredefinedKey(0x80000001u);
inline const HKEY HKEY_LOCAL_MACHINE = platform_detail::PredefinedKey(0x80000002u);
inline const HKEY HKEY_USERS = platform_detail::PredefinedKey(0x80000003u);
inline const HKEY HKEY_CURRENT_CONFIG = platform_detail::PredefinedKey(0x80000005u);

// The registry root choice of the library's settings store and registry helpers.
enum TRegRootType : Byte {
    rrtUnknown,
    rrtHKEY_CLASSES_ROOT,
    rrtHKEY_CURRENT_USER,
    rrtHKEY_LOCAL_MACHINE,
    rrtHKEY_USERS,
    rrtHKEY_CURRENT_CONFIG,
};

// Value types.
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_DWORD_BIG_ENDIAN = 5;
constexpr DWORD REG_LINK = 6;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_RESOURCE_LIST = 8;

// Access rights of a key handle. Setting and deleting values needs KEY_SET_VALUE, making a new
// sub-key KEY_CREATE_SUB_KEY, reading values and key information KEY_QUERY_VALUE, listing sub-keys
// KEY_ENUMERATE_SUB_KEYS; deleting a sub-key needs none. The predefined roots allow everything.
constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_CREATE_LINK = 0x0020;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_EXECUTE = KEY_READ;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Longest key name (one level), longest value name, deepest key path below a root.
constexpr DWORD RegMaxKeyNameLength = 255;
constexpr DWORD RegMaxValueNameLength = 16383;
constexpr DWORD RegMaxKeyDepth = 512;

// An empty MachineName, or this computer's name (with or without a leading "\\"), connects to the
// local root Key, which must be a predefined root; the result needs no closing but may be closed.
LONG RegConnectRegistry(const std::string& MachineName, HKEY Key, HKEY* Result);
// SubKey is a path of names separated by "\" below Key ("" opens Key itself again); it may not
// start with "\" or hold an empty name. Every handle returned must be closed with RegCloseKey.
LONG RegOpenKeyEx(HKEY Key, const std::string& SubKey, DWORD Options, REGSAM Access, HKEY* Result);
// Opens SubKey, making every missing level (with the class name on the last one). Disposition tells
// whether the last level was made or found.
LONG RegCreateKeyEx(HKEY Key, const std::string& SubKey, const std::string& Class, DWORD Options,
                    REGSAM Access, HKEY* Result, DWORD* Disposition = nullptr);
LONG RegCloseKey(HKEY Key);
// Writes the registry's file now when anything changed. Closing a handle does not: changes are
// otherwise written by RegistryFlush, on switching the store and when the program ends.
LONG RegFlushKey(HKEY Key);
// Deletes the last key of the path SubKey below Key, with its values; ERROR_ACCESS_DENIED while it
// has sub-keys.
LONG RegDeleteKey(HKEY Key, const std::string& SubKey);
LONG RegDeleteValue(HKEY Key, const std::string& ValueName);
// The Index-th sub-key (from 0); ERROR_NO_MORE_ITEMS past the last.
LONG RegEnumKeyEx(HKEY Key, DWORD Index, std::string& Name, std::string* Class = nullptr);
// The Index-th value (from 0) with its type and data when asked for; ERROR_NO_MORE_ITEMS past the last.
LONG RegEnumValue(HKEY Key, DWORD Index, std::string& Name, DWORD* Type = nullptr,
                  std::vector<Byte>* Data = nullptr);

struct TRegKeyInfo {
    std::string Class;
    DWORD SubKeys = 0;
    DWORD MaxSubKeyLen = 0;
    DWORD MaxClassLen = 0;
    DWORD Values = 0;
    DWORD MaxValueNameLen = 0;
    DWORD MaxValueLen = 0;
};
LONG RegQueryInfoKey(HKEY Key, TRegKeyInfo& Info);
// Either output may be nil; ERROR_FILE_NOT_FOUND when the key has no such value.
LONG RegQueryValueEx(HKEY Key, const std::string& ValueName, DWORD* Type, std::vector<Byte>* Data);
LONG RegSetValueEx(HKEY Key, const std::string& ValueName, DWORD Type, const void* Data, DWORD Size);

namespace platform {
// The file of the registry when nothing else is chosen: "morvik/registry" in $XDG_CONFIG_HOME, or in
// ~/.config when that is not set.
std::string RegistryDefaultFile();
// Switches the process to an empty registry that lives in memory only. Open handles become invalid.
void RegistryUseMemory();
// Switches the process to the registry kept in FileName (a missing file is an empty registry; the
// folder is made on the first write). A file that cannot be read whole is first copied to
// FileName + ".bad", so that nothing it held is lost. Open handles become invalid.
void RegistryUseFile(const std::string& FileName);
// The file in use ("" in memory); writes pending changes now, false when the file cannot be written.
std::string RegistryFileName();
bool RegistryFlush();
}  // namespace platform

// The class library's registry object: one open key below a root, addressed by paths. A path
// starting with "\" counts from the root, any other from the open key. CurrentPath is the open key's
// path below the root, without a leading "\".
class TRegistry : public TObject {
public:
    TRegistry() = default;
    explicit TRegistry(REGSAM AAccess) : Access(AAccess) {}
    ~TRegistry() override;

    HKEY RootKey() const { return FRootKey; }
    // Closes the open key.
    void SetRootKey(HKEY Value);
    HKEY CurrentKey() const { return FCurrentKey; }
    const std::string& CurrentPath() const { return FCurrentPath; }
    // When false, closing a key writes the registry's file at once.
    bool LazyWrite = true;
    REGSAM Access = KEY_ALL_ACCESS;

    void CloseKey();
    bool OpenKey(const std::string& Key, bool CanCreate);
    bool OpenKeyReadOnly(const std::string& Key);
    bool CreateKey(const std::string& Key);
    // Only a key without sub-keys can go.
    bool DeleteKey(const std::string& Key);
    bool KeyExists(const std::string& Key);
    bool HasSubKeys();
    // Fill Strings anew with the open key's sub-key / value names.
    void GetKeyNames(TStrings* Strings);
    void GetValueNames(TStrings* Strings);
    bool ValueExists(const std::string& Name);
    bool DeleteValue(const std::string& Name);
    // Fails, changing nothing, when NewName exists or OldName does not.
    bool RenameValue(const std::string& OldName, const std::string& NewName);
    // A value of the open key, raw.
    bool GetData(const std::string& Name, DWORD& Type, std::vector<Byte>& Data);
    bool PutData(const std::string& Name, DWORD Type, const void* Data, DWORD Size);

private:
    // Splits Key into the base handle it counts from and the path below it.
    HKEY Base(const std::string& Key, std::string& SubPath, bool& Relative) const;
    void ChangeKey(HKEY Value, const std::string& Path);

    HKEY FRootKey = HKEY_CURRENT_USER;
    HKEY FCurrentKey = nullptr;
    std::string FCurrentPath;
};
