// The registry helpers against a registry file written by hand, read back after the helpers changed it.
#include "extras/Exregutils.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/Classes.h"
#include "platform/SysUtils.h"
#include "tests/platform/ScratchDir.h"
#include "tests/support/ParamName.h"

namespace {

using namespace std::string_literals;

std::string HostName()
{
    char buf[256] = {};
    ::gethostname(buf, sizeof buf - 1);
    return buf;
}

std::vector<std::string> Names(const TStringList& l)
{
    std::vector<std::string> v;
    for (int i = 0; i < l.Count(); ++i) v.push_back(l.Strings(i));
    return v;
}

// A user's registry with a small tree below HKCU\Software\Test:
//   Test (class "TestClass"; default "top", Count DWORD 7)
//     A (Text "alpha")
//       A1 (class "Deep"; Leaf SZ "leaf")
//         A11
//     B (empty)
//     Values: the odd values the reader must not read past
// and one key in HKEY_LOCAL_MACHINE.
const char* const HandFile =
    "MORVIK-REGISTRY 1\n"
    "K HKEY_CURRENT_USER Software\\Test\n"
    "C TestClass\n"
    "V 1 % 746F7000\n"
    "V 4 Count 07000000\n"
    "K HKEY_CURRENT_USER Software\\Test\\A\n"
    "V 1 Text 616C70686100\n"
    "K HKEY_CURRENT_USER Software\\Test\\A\\A1\n"
    "C Deep\n"
    "V 1 Leaf 6C65616600\n"
    "K HKEY_CURRENT_USER Software\\Test\\A\\A1\\A11\n"
    "K HKEY_CURRENT_USER Software\\Test\\B\n"
    "K HKEY_CURRENT_USER Software\\Test\\Values\n"
    "V 1 NoZero 6F70656E\n"
    "V 1 Inner 61620063\n"
    "V 2 Expand 2550415448250000\n"
    "V 1 Umlaut C3A47A6300\n"
    "V 4 Max FFFFFFFF\n"
    "V 4 Short2 0102\n"
    "V 4 Empty -\n"
    "V 4 Long 0500000009\n"
    "V 7 Multi 6100620000\n"
    "V 7 MultiOne 61006200\n"
    "V 7 MultiEmptyLast 610062000000\n"
    "V 7 MultiBare 61\n"
    "V 7 MultiZero 00\n"
    "V 7 MultiNone -\n"
    "V 7 MultiBlank 6100000000\n"
    "V 3 Bin 00FF10\n"
    "V 99 Odd 0A\n"
    "K HKEY_LOCAL_MACHINE Software\\Machine\n"
    "V 1 Where 686B6C6D00\n";

class RegUtils : public ScratchDir {
protected:
    void SetUp() override
    {
        ScratchDir::SetUp();
        Put("registry", HandFile);
        platform::RegistryUseFile(Path("registry"));
        GetLastRegError();
    }
    void TearDown() override
    {
        platform::RegistryUseMemory();
        GetLastRegError();
        ScratchDir::TearDown();
    }
    // The registry as the file holds it after the helpers' changes.
    void Reload()
    {
        ASSERT_TRUE(platform::RegistryFlush());
        platform::RegistryUseFile(Path("registry"));
    }
    std::vector<std::string> SubKeys(const std::string& key, TRegRootType root = rrtHKEY_CURRENT_USER)
    {
        TStringList l;
        EXPECT_TRUE(KeyEnumSubKeys("", root, key, &l)) << key;
        return Names(l);
    }
    bool Exists(const std::string& key, TRegRootType root = rrtHKEY_CURRENT_USER)
    {
        HKEY k = nullptr;
        const bool ok = OpenRegKey("", root, key, k);
        if (ok) RegCloseKey(k);
        GetLastRegError();
        return ok;
    }
    std::string Text(const std::string& key, const std::string& value, DWORD* type = nullptr)
    {
        DWORD t = 0;
        std::string s;
        EXPECT_TRUE(KeyGetValueInfo("", rrtHKEY_CURRENT_USER, key, value, t, s)) << value;
        if (type) *type = t;
        return s;
    }
};

using V = std::vector<std::string>;

// ---------------------------------------------------------------- names

struct RootRow {
    TRegRootType type;
    const char* name;
    const char* shortName;
    HKEY key;
};
void PrintTo(const RootRow& r, std::ostream* os) { *os << (r.name[0] ? r.name : "unknown"); }

class RootNames : public ::testing::TestWithParam<RootRow> {};

TEST_P(RootNames, MapBothWays)
{
    const RootRow& r = GetParam();
    EXPECT_EQ(RootTypeName(r.type), r.name);
    EXPECT_EQ(RootTypeShortName(r.type), r.shortName);
    EXPECT_EQ(RootTypeToHandle(r.type), r.key);
    EXPECT_EQ(NameToRootType(r.name), r.type);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RootNames,
    ::testing::Values(RootRow{rrtUnknown, "", "", reinterpret_cast<HKEY>(std::intptr_t{-1})},
                      RootRow{rrtHKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "HKCR", HKEY_CLASSES_ROOT},
                      RootRow{rrtHKEY_CURRENT_USER, "HKEY_CURRENT_USER", "HKCU", HKEY_CURRENT_USER},
                      RootRow{rrtHKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "HKLM", HKEY_LOCAL_MACHINE},
                      RootRow{rrtHKEY_USERS, "HKEY_USERS", "HKEY_USERS", HKEY_USERS},
                      RootRow{rrtHKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG", "HKCC", HKEY_CURRENT_CONFIG}),
    morvik::ParamName());

TEST(RegNames, OnlyExactFullNamesAreRoots)
{
    EXPECT_EQ(NameToRootType("hkey_current_user"), rrtUnknown);
    EXPECT_EQ(NameToRootType("HKCU"), rrtUnknown);
    EXPECT_EQ(NameToRootType("HKEY_CURRENT_USER\\Software"), rrtUnknown);
    EXPECT_EQ(NameToRootType(" HKEY_USERS"), rrtUnknown);
    // Past the last root the table has nothing.
    EXPECT_EQ(RootTypeName(TRegRootType(6)), "");
    EXPECT_EQ(RootTypeShortName(TRegRootType(200)), "");
    EXPECT_EQ(RootTypeToHandle(TRegRootType(6)), reinterpret_cast<HKEY>(std::intptr_t{-1}));
}

TEST(RegNames, ValueTypes)
{
    const char* const names[] = {"REG_NONE", "REG_SZ", "REG_EXPAND_SZ", "REG_BINARY", "REG_DWORD",
                                 "REG_DWORD_BIG_ENDIAN", "REG_LINK", "REG_MULTI_SZ", "REG_RESOURCE_LIST"};
    for (DWORD t = 0; t < 9; ++t) EXPECT_EQ(ValueTypeToString(t), names[t]) << t;
    EXPECT_EQ(ValueTypeToString(9), "REG_NONE");
    EXPECT_EQ(ValueTypeToString(0xFFFFFFFF), "REG_NONE");
}

TEST(RegNames, ValidKeyNames)
{
    EXPECT_TRUE(IsValidKeyName(""));
    EXPECT_TRUE(IsValidKeyName(" .current"));
    EXPECT_TRUE(IsValidKeyName(std::string(1, char(127)) + "~ "));
    EXPECT_FALSE(IsValidKeyName("a*"));
    EXPECT_FALSE(IsValidKeyName("?"));
    EXPECT_FALSE(IsValidKeyName("tab\there"));
    EXPECT_FALSE(IsValidKeyName(std::string(1, char(31))));
    EXPECT_FALSE(IsValidKeyName("\xC3\xA4"));  // UTF-8 is outside 32..127
    EXPECT_FALSE(IsValidKeyName(std::string("a\0b", 3)));
}

// ---------------------------------------------------------------- error list

TEST(RegErrors, AreHandedOutOnceInOrder)
{
    GetLastRegError();
    EXPECT_EQ(GetLastRegError(), "");
    AddRegError("first");
    AddRegError("second");
    EXPECT_EQ(GetLastRegError(), "first\r\nsecond\r\n");
    EXPECT_EQ(GetLastRegError(), "");
    SetLastError(0);
    AddLastWin32Error();
    EXPECT_EQ(GetLastRegError(), "");
    SetLastError(ERROR_ACCESS_DENIED);
    AddLastWin32Error();
    EXPECT_EQ(GetLastRegError(), SysErrorMessage(ERROR_ACCESS_DENIED) + "\r\n");
}

TEST_F(RegUtils, AnotherComputerCannotBeReached)
{
    TStringList l;
    EXPECT_FALSE(KeyEnumSubKeys("FARAWAY", rrtHKEY_CURRENT_USER, "Software\\Test", &l));
    EXPECT_EQ(l.Count(), 0);
    EXPECT_EQ(GetLastRegError(), SysErrorMessage(ERROR_BAD_NETPATH) + "\r\n");
    EXPECT_FALSE(KeyDelete("\\\\FARAWAY", rrtHKEY_CURRENT_USER, "Software\\Test"));
    EXPECT_NE(GetLastRegError().find(SysErrorMessage(ERROR_BAD_NETPATH)), std::string::npos);
    EXPECT_FALSE(CopyKey("", "FARAWAY", rrtHKEY_CURRENT_USER, rrtHKEY_CURRENT_USER, "Software\\Test\\A",
                         "Software\\Test\\B"));
    EXPECT_EQ(GetLastRegError(), SysErrorMessage(ERROR_BAD_NETPATH) + "\r\n");
    EXPECT_TRUE(SubKeys("Software\\Test\\B").empty());
    // The own computer's name is this computer.
    EXPECT_TRUE(KeyEnumSubKeys(HostName(), rrtHKEY_CURRENT_USER, "Software\\Test", &l));
    EXPECT_EQ(Names(l), (V{"A", "B", "Values"}));
}

TEST_F(RegUtils, AMissingKeyIsOneError)
{
    bool exists = true;
    EXPECT_FALSE(KeyHasValue("", rrtHKEY_CURRENT_USER, "Software\\Nowhere", "", exists));
    EXPECT_FALSE(exists);
    EXPECT_EQ(GetLastRegError(), SysErrorMessage(ERROR_FILE_NOT_FOUND) + "\r\n");
    EXPECT_FALSE(KeyHasSubKeys("", rrtUnknown, "Software"));
    EXPECT_NE(GetLastRegError(), "");
}

// ---------------------------------------------------------------- reading values

struct ValueRow {
    const char* name;
    DWORD type;
    std::string text;
};
void PrintTo(const ValueRow& r, std::ostream* os) { *os << r.name; }

class RegValueText : public RegUtils, public ::testing::WithParamInterface<ValueRow> {};

TEST_P(RegValueText, IsReadWithinItsData)
{
    DWORD type = 12345;
    EXPECT_EQ(Text("Software\\Test\\Values", GetParam().name, &type), GetParam().text);
    EXPECT_EQ(type, GetParam().type);
    EXPECT_EQ(GetLastRegError(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Values, RegValueText,
    ::testing::Values(ValueRow{"NoZero", REG_SZ, "open"}, ValueRow{"Inner", REG_SZ, "ab"},
                      ValueRow{"Expand", REG_EXPAND_SZ, "%PATH%"}, ValueRow{"Umlaut", REG_SZ, "\xC3\xA4zc"},
                      ValueRow{"Max", REG_DWORD, "4294967295"}, ValueRow{"Short2", REG_DWORD, "01 02 "},
                      ValueRow{"Empty", REG_DWORD, ""}, ValueRow{"Long", REG_DWORD, "5"},
                      ValueRow{"Multi", REG_MULTI_SZ, "a\r\nb"}, ValueRow{"MultiOne", REG_MULTI_SZ, "a\r\nb"},
                      ValueRow{"MultiBare", REG_MULTI_SZ, "a"}, ValueRow{"MultiZero", REG_MULTI_SZ, ""},
                      ValueRow{"MultiNone", REG_MULTI_SZ, ""},
                      ValueRow{"MultiBlank", REG_MULTI_SZ, "a\r\n\r\n"},
                      ValueRow{"MultiEmptyLast", REG_MULTI_SZ, "a\r\nb\r\n"},
                      ValueRow{"Bin", REG_BINARY, "00 FF 10 "}, ValueRow{"Odd", 99, "0A "}),
    morvik::ParamName());

TEST_F(RegUtils, ValueInfoOfTheRootAndOfTheDefaultValue)
{
    DWORD type = 0;
    std::string text;
    EXPECT_TRUE(KeyGetValueInfo("", rrtHKEY_LOCAL_MACHINE, "Software\\Machine", "Where", type, text));
    EXPECT_EQ(text, "hklm");
    EXPECT_EQ(Text("Software\\Test", ""), "top");
    EXPECT_EQ(Text("Software\\Test", "count"), "7");
    EXPECT_FALSE(KeyGetValueInfo("", rrtHKEY_CURRENT_USER, "Software\\Test", "Missing", type, text));
    EXPECT_EQ(text, "");
    EXPECT_EQ(GetLastRegError(), SysErrorMessage(ERROR_FILE_NOT_FOUND) + "\r\n");
}

TEST_F(RegUtils, ListsClassesAndSubKeys)
{
    std::string cls;
    EXPECT_TRUE(KeyGetClassName("", rrtHKEY_CURRENT_USER, "Software\\Test\\A\\A1", cls));
    EXPECT_EQ(cls, "Deep");
    EXPECT_TRUE(KeyGetClassName("", rrtHKEY_CURRENT_USER, "Software\\Test\\B", cls));
    EXPECT_EQ(cls, "");
    TStringList l;
    l.Add("kept");
    EXPECT_TRUE(KeyEnumValues("", rrtHKEY_CURRENT_USER, "Software\\Test", &l));
    EXPECT_EQ(Names(l), (V{"kept", "", "Count"}));
    EXPECT_TRUE(KeyHasSubKeys("", rrtHKEY_CURRENT_USER, "Software\\Test\\A"));
    EXPECT_FALSE(KeyHasSubKeys("", rrtHKEY_CURRENT_USER, "Software\\Test\\B"));
    EXPECT_EQ(GetLastRegError(), "");
    // A root's full name is the root itself.
    EXPECT_EQ(SubKeys("HKEY_LOCAL_MACHINE", rrtHKEY_LOCAL_MACHINE), V{"Software"});
    EXPECT_EQ(SubKeys("HKEY_CURRENT_USER", rrtHKEY_LOCAL_MACHINE), V{"Software"});
    EXPECT_TRUE(KeyHasSubKeys("", rrtHKEY_CURRENT_USER, "HKEY_CURRENT_USER"));
}

TEST_F(RegUtils, OpenKeysAreListedBelow)
{
    HKEY k = nullptr;
    ASSERT_TRUE(OpenRegKey("", rrtHKEY_CURRENT_USER, "Software\\Test", k));
    TStringList l;
    EXPECT_TRUE(KeyEnumSubKeys0(k, "   ", &l));
    EXPECT_EQ(Names(l), (V{"A", "B", "Values"}));
    l.Clear();
    EXPECT_TRUE(KeyEnumSubKeys0(k, "A", &l));
    EXPECT_EQ(Names(l), V{"A1"});
    EXPECT_FALSE(KeyEnumSubKeys0(k, "Nothing", &l));
    EXPECT_NE(GetLastRegError(), "");
    EXPECT_TRUE(KeyHasSubKeys0(k, "A\\A1"));
    EXPECT_FALSE(KeyHasSubKeys0(k, "A\\A1\\A11"));
    EXPECT_FALSE(KeyHasSubKeys0(k, "Nothing"));
    EXPECT_EQ(GetLastRegError(), "");
    EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);

    // The root itself comes back as the root, which needs no closing.
    ASSERT_TRUE(OpenRegKey("", rrtHKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", k));
    EXPECT_EQ(k, HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(OpenRegKey("", rrtHKEY_CURRENT_USER, "Software\\None", k));
    EXPECT_EQ(k, nullptr);
}

// ---------------------------------------------------------------- writing values

TEST_F(RegUtils, ValuesAreSetRenamedAndDeleted)
{
    const std::string data = "\x01\x00\x02"s;
    EXPECT_TRUE(KeySetValue("", rrtHKEY_CURRENT_USER, "Software\\Test\\B", "Raw", REG_BINARY, data.data(), 3));
    EXPECT_TRUE(KeyRenameValue("", rrtHKEY_CURRENT_USER, "Software\\Test\\B", "Raw", "Cooked"));
    bool exists = true;
    EXPECT_TRUE(KeyHasValue("", rrtHKEY_CURRENT_USER, "Software\\Test\\B", "Raw", exists));
    EXPECT_FALSE(exists);
    Reload();
    DWORD type = 0;
    EXPECT_EQ(Text("Software\\Test\\B", "Cooked", &type), "01 00 02 ");
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_TRUE(KeyHasValue("", rrtHKEY_CURRENT_USER, "Software\\Test\\B", "cooked", exists));
    EXPECT_TRUE(exists);
    EXPECT_TRUE(KeyDeleteValue("", rrtHKEY_CURRENT_USER, "Software\\Test\\B", "Cooked"));
    EXPECT_FALSE(KeyDeleteValue("", rrtHKEY_CURRENT_USER, "Software\\Test\\B", "Cooked"));
    EXPECT_EQ(GetLastRegError(), SysErrorMessage(ERROR_FILE_NOT_FOUND) + "\r\n");
    EXPECT_TRUE(KeyHasValue("", rrtHKEY_CURRENT_USER, "Software\\Test\\B", "Cooked", exists));
    EXPECT_FALSE(exists);
}

TEST_F(RegUtils, RenamingOntoAnExistingNameChangesNothing)
{
    EXPECT_FALSE(KeyRenameValue("", rrtHKEY_CURRENT_USER, "Software\\Test", "Count", ""));
    EXPECT_EQ(GetLastRegError(), "Value name already exists\r\n");
    EXPECT_FALSE(KeyRenameValue("", rrtHKEY_CURRENT_USER, "Software\\Test", "Count", "COUNT"));
    EXPECT_EQ(GetLastRegError(), "Value name already exists\r\n");
    EXPECT_EQ(Text("Software\\Test", ""), "top");
    EXPECT_EQ(Text("Software\\Test", "Count"), "7");
    // A missing old value: nothing made under the new name.
    EXPECT_FALSE(KeyRenameValue("", rrtHKEY_CURRENT_USER, "Software\\Test", "Gone", "New"));
    EXPECT_EQ(GetLastRegError(), SysErrorMessage(ERROR_FILE_NOT_FOUND) + "\r\n");
    bool exists = true;
    EXPECT_TRUE(KeyHasValue("", rrtHKEY_CURRENT_USER, "Software\\Test", "New", exists));
    EXPECT_FALSE(exists);
}

TEST_F(RegUtils, SubKeysAreMadeWithTheirClass)
{
    EXPECT_TRUE(KeyCreateSubKey("", rrtHKEY_CURRENT_USER, "Software\\Test\\B", "C\\D", "Klasse"));
    Reload();
    std::string cls;
    EXPECT_TRUE(KeyGetClassName("", rrtHKEY_CURRENT_USER, "Software\\Test\\B\\C\\D", cls));
    EXPECT_EQ(cls, "Klasse");
    EXPECT_FALSE(KeyCreateSubKey("", rrtHKEY_CURRENT_USER, "Software\\Missing", "X", ""));
    EXPECT_NE(GetLastRegError(), "");
    EXPECT_FALSE(Exists("Software\\Missing"));
}

// ---------------------------------------------------------------- deleting and clearing keys

TEST_F(RegUtils, DeleteTakesTheWholeSubtree)
{
    EXPECT_TRUE(KeyDelete("", rrtHKEY_CURRENT_USER, "Software\\Test\\A"));
    EXPECT_EQ(GetLastRegError(), "");
    Reload();
    EXPECT_EQ(SubKeys("Software\\Test"), (V{"B", "Values"}));
    EXPECT_FALSE(Exists("Software\\Test\\A\\A1"));
    // A trailing separator names the same key.
    EXPECT_TRUE(KeyDelete("", rrtHKEY_CURRENT_USER, "Software\\Test\\B\\"));
    EXPECT_EQ(SubKeys("Software\\Test"), V{"Values"});
    EXPECT_FALSE(KeyDelete("", rrtHKEY_CURRENT_USER, "Software\\Test\\B"));
    EXPECT_EQ(GetLastRegError(), SysErrorMessage(ERROR_FILE_NOT_FOUND) + "\r\n");
    // A key right below the root.
    EXPECT_TRUE(KeyDelete("", rrtHKEY_LOCAL_MACHINE, "Software"));
    EXPECT_TRUE(SubKeys("HKEY_LOCAL_MACHINE", rrtHKEY_LOCAL_MACHINE).empty());
    EXPECT_EQ(SubKeys("Software"), V{"Test"});
}

TEST_F(RegUtils, ClearKeepsTheKeyAndItsValues)
{
    EXPECT_TRUE(KeyClear("", rrtHKEY_CURRENT_USER, "Software\\Test"));
    Reload();
    EXPECT_TRUE(SubKeys("Software\\Test").empty());
    EXPECT_EQ(Text("Software\\Test", ""), "top");
    EXPECT_EQ(Text("Software\\Test", "Count"), "7");
    std::string cls;
    EXPECT_TRUE(KeyGetClassName("", rrtHKEY_CURRENT_USER, "Software\\Test", cls));
    EXPECT_EQ(cls, "TestClass");
}

TEST_F(RegUtils, ARootIsNeverDeletedOrCleared)
{
    for (const char* root : {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", ""}) {
        EXPECT_FALSE(KeyDelete("", rrtHKEY_CURRENT_USER, root)) << root;
        EXPECT_NE(GetLastRegError(), "");
        EXPECT_FALSE(KeyClear("", rrtHKEY_CURRENT_USER, root)) << root;
        EXPECT_NE(GetLastRegError(), "");
        EXPECT_FALSE(KeyDelete("", rrtHKEY_LOCAL_MACHINE, root)) << root;
        EXPECT_FALSE(KeyClear("", rrtHKEY_LOCAL_MACHINE, root)) << root;
        GetLastRegError();
    }
    Reload();
    EXPECT_EQ(SubKeys("Software\\Test"), (V{"A", "B", "Values"}));
    EXPECT_EQ(SubKeys("Software", rrtHKEY_LOCAL_MACHINE), V{"Machine"});
}

TEST_F(RegUtils, DeletesAWideKeyOfManySubKeys)
{
    std::string file = HandFile;
    for (int i = 0; i < 3000; ++i) file += "K HKEY_CURRENT_USER Software\\Wide\\k" + std::to_string(i * 7919 % 3000) + "\\x\n";
    Put("registry", file);
    platform::RegistryUseFile(Path("registry"));
    EXPECT_EQ(SubKeys("Software\\Wide").size(), 3000u);
    EXPECT_TRUE(KeyDelete("", rrtHKEY_CURRENT_USER, "Software\\Wide"));
    Reload();
    EXPECT_EQ(SubKeys("Software"), V{"Test"});
}

// Far more sub-keys than a program usually keeps, each with a value and a child: copied, cleared
// and deleted whole, and found by any case of their names throughout.
TEST_F(RegUtils, AWideKeyOfTwentyThousandSubKeysIsCopiedClearedAndDeleted)
{
    constexpr int N = 20000;
    std::string file = HandFile;
    for (int i = 0; i < N; ++i) {
        const std::string k = "Software\\Wide\\Key" + std::to_string(i * 7919 % N);
        file += "K HKEY_CURRENT_USER " + k + "\nV 1 v 4100\nK HKEY_CURRENT_USER " + k + "\\child\n";
    }
    Put("registry", file);
    platform::RegistryUseFile(Path("registry"));
    ASSERT_TRUE(KeyCreateSubKey("", rrtHKEY_CURRENT_USER, "Software", "Copy", ""));
    ASSERT_TRUE(CopyKey("", "", rrtHKEY_CURRENT_USER, rrtHKEY_CURRENT_USER, "Software\\Wide", "Software\\Copy"));
    EXPECT_EQ(SubKeys("Software\\Copy").size(), size_t(N));
    EXPECT_EQ(SubKeys("Software\\Copy")[5], "Key" + std::to_string(5 * 7919 % N));  // in the source's order
    EXPECT_EQ(Text("SOFTWARE\\copy\\kEY12345", "V"), "A");
    EXPECT_TRUE(Exists("software\\COPY\\key19999\\CHILD"));
    EXPECT_TRUE(KeyClear("", rrtHKEY_CURRENT_USER, "Software\\Wide"));
    EXPECT_TRUE(SubKeys("Software\\Wide").empty());
    EXPECT_FALSE(Exists("Software\\Wide\\Key7"));
    EXPECT_TRUE(KeyDelete("", rrtHKEY_CURRENT_USER, "Software\\Copy"));
    Reload();
    EXPECT_EQ(SubKeys("Software"), (V{"Test", "Wide"}));
    // Keys deleted and made again under another case are found under the new one.
    EXPECT_TRUE(KeyCreateSubKey("", rrtHKEY_CURRENT_USER, "Software\\Wide", "KEY7", ""));
    EXPECT_EQ(SubKeys("Software\\Wide"), V{"KEY7"});
    EXPECT_TRUE(Exists("Software\\Wide\\key7"));
}

// ---------------------------------------------------------------- copying keys

TEST_F(RegUtils, CopyTakesValuesSubKeysAndClasses)
{
    EXPECT_TRUE(CopyKey("", "", rrtHKEY_CURRENT_USER, rrtHKEY_CURRENT_USER, "Software\\Test\\A",
                        "Software\\Test\\B"));
    EXPECT_EQ(GetLastRegError(), "");
    Reload();
    EXPECT_EQ(SubKeys("Software\\Test\\B"), V{"A1"});
    EXPECT_EQ(SubKeys("Software\\Test\\B\\A1"), V{"A11"});
    EXPECT_EQ(Text("Software\\Test\\B", "Text"), "alpha");
    EXPECT_EQ(Text("Software\\Test\\B\\A1", "Leaf"), "leaf");
    std::string cls;
    EXPECT_TRUE(KeyGetClassName("", rrtHKEY_CURRENT_USER, "Software\\Test\\B\\A1", cls));
    EXPECT_EQ(cls, "Deep");
    // The source is untouched.
    EXPECT_EQ(SubKeys("Software\\Test\\A"), V{"A1"});
}

TEST_F(RegUtils, CopyBetweenRootsAndOfABigValue)
{
    std::string big(5 << 20, 'x');
    for (size_t i = 0; i < big.size(); i += 4093) big[i] = char(i * 31);
    ASSERT_TRUE(KeySetValue("", rrtHKEY_CURRENT_USER, "Software\\Test\\A", "Big", REG_BINARY, big.data(),
                            DWORD(big.size())));
    ASSERT_TRUE(KeyCreateSubKey("", rrtHKEY_LOCAL_MACHINE, "Software", "Copy", ""));
    EXPECT_TRUE(CopyKey("", "", rrtHKEY_CURRENT_USER, rrtHKEY_LOCAL_MACHINE, "Software\\Test\\A",
                        "Software\\Copy"));
    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Copy", 0, KEY_READ, &k), ERROR_SUCCESS);
    std::vector<Byte> data;
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueEx(k, "Big", &type, &data), ERROR_SUCCESS);
    RegCloseKey(k);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_TRUE(std::string(data.begin(), data.end()) == big);
    EXPECT_EQ(SubKeys("Software\\Copy\\A1", rrtHKEY_LOCAL_MACHINE), V{"A11"});
}

TEST_F(RegUtils, CopyIntoItsOwnSubtreeIsRefused)
{
    for (const char* dest : {"Software\\Test\\A\\A1", "Software\\Test\\A\\A1\\A11", "Software\\Test\\A",
                             "software\\test\\a\\", "SOFTWARE\\TEST\\a\\a1"}) {
        EXPECT_FALSE(CopyKey("", "", rrtHKEY_CURRENT_USER, rrtHKEY_CURRENT_USER, "Software\\Test\\A", dest)) << dest;
        EXPECT_NE(GetLastRegError(), "") << dest;
    }
    // The root holds everything of its own.
    EXPECT_FALSE(CopyKey("", "", rrtHKEY_CURRENT_USER, rrtHKEY_CURRENT_USER, "HKEY_CURRENT_USER",
                         "Software\\Test\\B"));
    EXPECT_NE(GetLastRegError(), "");
    Reload();
    EXPECT_EQ(SubKeys("Software\\Test\\A\\A1"), V{"A11"});
    EXPECT_TRUE(SubKeys("Software\\Test\\A\\A1\\A11").empty());
    EXPECT_TRUE(SubKeys("Software\\Test\\B").empty());
    // A sibling whose name starts like the source is not inside it.
    ASSERT_TRUE(KeyCreateSubKey("", rrtHKEY_CURRENT_USER, "Software\\Test", "AB", ""));
    EXPECT_TRUE(CopyKey("", "", rrtHKEY_CURRENT_USER, rrtHKEY_CURRENT_USER, "Software\\Test\\A",
                        "Software\\Test\\AB"));
    EXPECT_EQ(SubKeys("Software\\Test\\AB"), V{"A1"});
    // The same path in another root is another key.
    ASSERT_TRUE(KeyCreateSubKey("", rrtHKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "Software\\Test\\A", ""));
    EXPECT_TRUE(CopyKey("", "", rrtHKEY_CURRENT_USER, rrtHKEY_LOCAL_MACHINE, "Software\\Test\\A",
                        "Software\\Test\\A"));
    EXPECT_EQ(SubKeys("Software\\Test\\A", rrtHKEY_LOCAL_MACHINE), V{"A1"});
}

// Copied into its own parent, a key whose sub-key has its own name meets its own copies: only the
// sub-keys it had when the copy began are copied.
TEST_F(RegUtils, CopyIntoTheSourcesParentTakesOnlyTheKeysTheSourceHad)
{
    ASSERT_TRUE(KeyCreateSubKey("", rrtHKEY_CURRENT_USER, "Software\\Test\\A", "A\\x", ""));
    EXPECT_TRUE(CopyKey("", "", rrtHKEY_CURRENT_USER, rrtHKEY_CURRENT_USER, "Software\\Test\\A", "Software\\Test"));
    EXPECT_EQ(GetLastRegError(), "");
    Reload();
    EXPECT_EQ(SubKeys("Software\\Test"), (V{"A", "B", "Values", "A1"}));
    EXPECT_EQ(SubKeys("Software\\Test\\A"), (V{"A1", "A", "x"}));
    EXPECT_EQ(SubKeys("Software\\Test\\A\\A"), V{"x"});
    EXPECT_EQ(SubKeys("Software\\Test\\A1"), V{"A11"});
    EXPECT_EQ(Text("Software\\Test", "Text"), "alpha");
}

TEST_F(RegUtils, CopyNeedsAnExistingDestination)
{
    EXPECT_FALSE(CopyKey("", "", rrtHKEY_CURRENT_USER, rrtHKEY_CURRENT_USER, "Software\\Test\\A",
                         "Software\\Elsewhere"));
    EXPECT_EQ(GetLastRegError(), SysErrorMessage(ERROR_FILE_NOT_FOUND) + "\r\n");
    EXPECT_FALSE(Exists("Software\\Elsewhere"));
}

}  // namespace
