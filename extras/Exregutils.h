// Registry helpers: free functions that clear, delete, copy, list, query, set and rename keys and
// values of a root on this computer or another one. None of them raises: a failure answers false
// and appends a text to one module-wide error list, which GetLastRegError hands out.
//
// KeyName is a path below the root, or the root's full name ("HKEY_CURRENT_USER") for the root
// itself. ComputerName empty means this computer. TRegRootType, the root choice, is declared with
// the registry itself (platform/Registry.h) so that the settings store below this layer takes the
// same type.
#pragma once

#include <string>

#include "platform/Registry.h"

class TStrings;

// Deletes every sub-key of the key (values of the key itself stay); stops at the first failure.
// A root is never cleared.
bool KeyClear(const std::string& ComputerName, TRegRootType RootType, const std::string& KeyName);
// Exists: the value is there (empty name: the default value).
bool KeyHasValue(const std::string& ComputerName, TRegRootType RootType, const std::string& KeyName,
                 const std::string& ValueName, bool& Exists);
// Fails with "Value name already exists" when NewName is taken; the old value stays on any failure.
bool KeyRenameValue(const std::string& ComputerName, TRegRootType RootType, const std::string& KeyName,
                    const std::string& OldName, const std::string& NewName);
bool KeyDeleteValue(const std::string& ComputerName, TRegRootType RootType, const std::string& KeyName,
                    const std::string& ValueName);
bool KeySetValue(const std::string& ComputerName, TRegRootType RootType, const std::string& KeyName,
                 const std::string& ValueName, DWORD ValueType, const void* Data, DWORD DataSize);
bool KeyCreateSubKey(const std::string& ComputerName, TRegRootType RootType, const std::string& KeyName,
                     const std::string& SubKeyName, const std::string& ClassName);
// Deletes the key with everything below it, depth first; when a sub-key cannot go, the key stays.
// A root is never deleted.
bool KeyDelete(const std::string& ComputerName, TRegRootType RootType, const std::string& KeyName);
// Copies the values and sub-keys of SourceKey into DestKey, which must exist. Refused when the
// destination is the source itself or lies below it.
bool CopyKey(const std::string& SourceComputer, const std::string& DestComputer, TRegRootType SourceRoot,
             TRegRootType DestRoot, const std::string& SourceKey, const std::string& DestKey);
bool KeyGetClassName(const std::string& ComputerName, TRegRootType RootType, const std::string& KeyName,
                     std::string& ClassName);
// Appends every value name, in index order.
bool KeyEnumValues(const std::string& ComputerName, TRegRootType RootType, const std::string& KeyName,
                   TStrings* List);
// The value's type and its text: strings up to their first zero, a DWORD as its decimal number,
// the strings of a multi-string one per line, anything else as hexadecimal bytes.
bool KeyGetValueInfo(const std::string& ComputerName, TRegRootType RootType, const std::string& KeyName,
                     const std::string& ValueName, DWORD& ValueType, std::string& Text);
// Appends every sub-key name, in index order.
bool KeyEnumSubKeys(const std::string& ComputerName, TRegRootType RootType, const std::string& KeyName,
                    TStrings* List);
bool KeyHasSubKeys(const std::string& ComputerName, TRegRootType RootType, const std::string& KeyName);
// Hands the opened key to the caller, who closes it with RegCloseKey.
bool OpenRegKey(const std::string& ComputerName, TRegRootType RootType, const std::string& KeyName, HKEY& Key);
// On an open key and a path below it; no error text on failure.
bool KeyHasSubKeys0(HKEY Key, const std::string& SubKeyName);
// On an open key; a path of blanks only lists the key itself.
bool KeyEnumSubKeys0(HKEY Key, const std::string& SubKeyName, TStrings* List);

// Exact, case-sensitive full root names; anything else rrtUnknown.
TRegRootType NameToRootType(const std::string& Name);
std::string RootTypeName(TRegRootType RootType);
std::string RootTypeShortName(TRegRootType RootType);
// -1 (as a key) for rrtUnknown and anything past the last root.
HKEY RootTypeToHandle(TRegRootType RootType);
std::string ValueTypeToString(DWORD ValueType);
// Every character in 32..127 and none of "*", "?"; the empty name is valid.
bool IsValidKeyName(const std::string& Name);

// The texts gathered since the last call, each followed by a line break; empty when none. The list
// is emptied.
std::string GetLastRegError();
void AddRegError(const std::string& Text);
// Appends the system's text for the calling thread's last error, unless that is 0.
void AddLastWin32Error();
