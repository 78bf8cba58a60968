// What the settings store's tests share: the bytes of a store's form, loading bytes, the
// binary form's records and the text form's first lines.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "ctlbase/Exini.h"
#include "platform/Registry.h"

namespace exinitest {

inline std::string Bytes(TMemoryStream& m)
{
    return {m.Bytes().begin(), m.Bytes().end()};
}

inline std::string Saved(TExIniFile& ini)
{
    TMemoryStream m;
    ini.SaveToStream(&m);
    return Bytes(m);
}

inline void LoadBytes(TExIniFile& ini, const std::string& data)
{
    TReadOnlyMemoryStream s(data.data(), static_cast<Int64>(data.size()));
    ini.LoadFromStream(&s);
}

inline std::string I32(Integer v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[static_cast<size_t>(i)] = static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
    return s;
}

// Length-prefixed string of the binary form.
inline std::string LStr(const std::string& s)
{
    return I32(static_cast<Integer>(s.size())) + s;
}

inline std::string KeyRec(const std::string& path)
{
    return std::string(1, '\1') + LStr(path);
}

inline std::string ValRec(const std::string& name, Byte type, const std::string& data)
{
    return std::string(1, '\0') + LStr(name) + std::string(1, static_cast<char>(type)) +
           I32(static_cast<Integer>(data.size())) + data;
}

inline std::string DoubleBytes(double d)
{
    std::string s(8, '\0');
    std::memcpy(s.data(), &d, 8);
    return s;
}

struct StringsGuard {
    TStringList list;
    std::string Joined() const
    {
        std::string out;
        for (int i = 0; i < list.Count(); ++i) out += (i ? "|" : "") + list[i];
        return out;
    }
};

class ExIniTest : public ::testing::Test {
protected:
    void SetUp() override { platform::RegistryUseMemory(); }
    TExIniFile ini{nullptr};
};


constexpr const char* Warning = ";Automatically generated file. DO NOT MODIFY!!!\r\n";
constexpr const char* Mark = ";Texts in double quotes hold %, \" and control characters as %HH.\r\n";

}  // namespace exinitest
