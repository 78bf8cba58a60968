// The whole registry as text: every key below the five roots with its class, every value with its
// type and data, in order.
#pragma once

#include <string>
#include <vector>

#include "platform/Registry.h"

namespace fuzz {

struct TRegValue {
    std::string Name;
    DWORD Type = 0;
    std::vector<Byte> Data;
};

struct TRegKey {
    std::string Path;  // below its root, names joined by "\"
    std::string Class;
    std::vector<TRegValue> Values;
};

inline const HKEY RegRoots[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
                                HKEY_CURRENT_CONFIG};

inline void DumpKey(HKEY Key, const std::string& Path, const std::string& Class, std::vector<TRegKey>& Out)
{
    Out.push_back({Path, Class, {}});
    std::string name;
    DWORD type = 0;
    std::vector<Byte> data;
    for (DWORD i = 0; RegEnumValue(Key, i, name, &type, &data) == ERROR_SUCCESS; ++i)
        Out.back().Values.push_back({name, type, data});
    std::string cls;
    for (DWORD i = 0; RegEnumKeyEx(Key, i, name, &cls) == ERROR_SUCCESS; ++i) {
        HKEY sub = nullptr;
        if (RegOpenKeyEx(Key, name, 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
        DumpKey(sub, Path.empty() ? name : Path + "\\" + name, cls, Out);
        RegCloseKey(sub);
    }
}

inline std::vector<std::vector<TRegKey>> DumpRegistry()
{
    std::vector<std::vector<TRegKey>> all;
    for (HKEY root : RegRoots) {
        all.emplace_back();
        DumpKey(root, "", "", all.back());
    }
    return all;
}

inline std::string Show(const std::vector<std::vector<TRegKey>>& All)
{
    std::string s;
    for (const auto& root : All)
        for (const auto& k : root) {
            s += "K <" + k.Path + "> <" + k.Class + ">\n";
            for (const auto& v : k.Values) s += "  V <" + v.Name + "> " + std::to_string(v.Type) + " " + std::to_string(v.Data.size()) + "\n";
        }
    return s;
}

}  // namespace fuzz
