#include "platform/Registry.h"
#include "platform/FileUtils.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/SysUtils.h"

#include "tests/platform/ScratchDir.h"

namespace {

std::vector<Byte> B(const std::string& s)
{
    return {s.begin(), s.end()};
}

std::vector<std::string> SubKeys(HKEY k)
{
    std::vector<std::string> names;
    std::string n;
    for (DWORD i = 0; RegEnumKeyEx(k, i, n) == ERROR_SUCCESS; ++i) names.push_back(n);
    return names;
}

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { platform::RegistryUseMemory(); }

    HKEY Create(HKEY root, const std::string& path, REGSAM access = KEY_ALL_ACCESS)
    {
        HKEY k = nullptr;
        EXPECT_EQ(RegCreateKeyEx(root, path, "", REG_OPTION_NON_VOLATILE, access, &k), ERROR_SUCCESS) << path;
        return k;
    }
    std::vector<std::string> Values(HKEY k)
    {
        std::vector<std::string> names;
        std::string n;
        for (DWORD i = 0; RegEnumValue(k, i, n) == ERROR_SUCCESS; ++i) names.push_back(n);
        return names;
    }
};

TEST_F(RegistryTest, CreateOpenAndDisposition)
{
    HKEY k = nullptr;
    DWORD disp = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Morvik", "cls", 0, KEY_ALL_ACCESS, &k, &disp), ERROR_SUCCESS);
    EXPECT_EQ(disp, REG_CREATED_NEW_KEY);
    RegCloseKey(k);
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "SOFTWARE\\morvik\\", "", 0, KEY_ALL_ACCESS, &k, &disp), ERROR_SUCCESS);
    EXPECT_EQ(disp, REG_OPENED_EXISTING_KEY);
    HKEY parent = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "software", 0, KEY_READ, &parent), ERROR_SUCCESS);
    std::string name, cls;
    EXPECT_EQ(RegEnumKeyEx(parent, 0, name, &cls), ERROR_SUCCESS);
    EXPECT_EQ(name, "Morvik");  // the spelling it was made with
    EXPECT_EQ(cls, "cls");
    EXPECT_EQ(RegEnumKeyEx(parent, 1, name), ERROR_NO_MORE_ITEMS);
    RegCloseKey(parent);
    RegCloseKey(k);
    // The roots are separate trees.
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &k), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, BadPathsAndHandles)
{
    HKEY k = nullptr;
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "\\lead", "", 0, KEY_ALL_ACCESS, &k), ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "a\\\\b", "", 0, KEY_ALL_ACCESS, &k), ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, std::string(256, 'n'), "", 0, KEY_ALL_ACCESS, &k),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegOpenKeyEx(reinterpret_cast<HKEY>(std::uintptr_t{0x77}), "", 0, KEY_READ, &k), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(reinterpret_cast<HKEY>(std::uintptr_t{0x77})), ERROR_INVALID_HANDLE);
    // The predefined roots can always be closed, and stay usable.
    for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
        EXPECT_EQ(RegCloseKey(root), ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyEx(HKEY_CLASSES_ROOT, "", 0, KEY_READ, &k), ERROR_SUCCESS);
    RegCloseKey(k);
    std::string path;
    for (DWORD i = 0; i < RegMaxKeyDepth; ++i) path += (i ? "\\d" : "d");
    k = Create(HKEY_CURRENT_USER, path);
    RegCloseKey(k);
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, path + "\\deeper", "", 0, KEY_ALL_ACCESS, &k), ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryTest, ValuesKeepTheirPlaceAndType)
{
    HKEY k = Create(HKEY_CURRENT_USER, "v");
    EXPECT_EQ(RegSetValueEx(k, "b", REG_SZ, "x\0", 2), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueEx(k, "", REG_DWORD, "\1\0\0\0", 4), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueEx(k, "a", REG_BINARY, nullptr, 0), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueEx(k, "B", REG_MULTI_SZ, "p\0q\0\0", 5), ERROR_SUCCESS);
    EXPECT_EQ(Values(k), (std::vector<std::string>{"b", "", "a"}));
    DWORD type = 0;
    std::vector<Byte> data;
    EXPECT_EQ(RegQueryValueEx(k, "b", &type, &data), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_MULTI_SZ);
    EXPECT_EQ(data, B(std::string("p\0q\0\0", 5)));
    EXPECT_EQ(RegQueryValueEx(k, "a", &type, &data), ERROR_SUCCESS);
    EXPECT_TRUE(data.empty());
    TRegKeyInfo info;
    EXPECT_EQ(RegQueryInfoKey(k, info), ERROR_SUCCESS);
    EXPECT_EQ(info.Values, 3u);
    EXPECT_EQ(info.MaxValueLen, 5u);
    EXPECT_EQ(RegDeleteValue(k, "A"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValue(k, "a"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueEx(k, "a", nullptr, nullptr), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegSetValueEx(k, "n", REG_BINARY, nullptr, 3), ERROR_INVALID_PARAMETER);
    RegCloseKey(k);
}

TEST_F(RegistryTest, AKeyWithSubKeysCannotBeDeleted)
{
    HKEY deep = Create(HKEY_CURRENT_USER, "p\\c\\g");
    HKEY p = Create(HKEY_CURRENT_USER, "p");
    EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "p"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKey(p, "c"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKey(p, "c\\g"), ERROR_SUCCESS);
    // An open handle of a deleted key is refused, not followed into freed memory.
    EXPECT_EQ(RegSetValueEx(deep, "v", REG_SZ, "", 0), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(deep), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKey(p, "c"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKey(p, "c"), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(SubKeys(p).empty());
    EXPECT_EQ(RegDeleteKey(p, ""), ERROR_INVALID_PARAMETER);
    RegCloseKey(p);
}

TEST_F(RegistryTest, HandlesKeepTheirAccess)
{
    Create(HKEY_CURRENT_USER, "r");
    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "r", 0, KEY_READ, &k), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueEx(k, "v", REG_SZ, "", 0), ERROR_ACCESS_DENIED);
    HKEY sub = nullptr;
    EXPECT_EQ(RegCreateKeyEx(k, "new", "", 0, KEY_ALL_ACCESS, &sub), ERROR_ACCESS_DENIED);
    RegCloseKey(k);
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "r", 0, KEY_SET_VALUE, &k), ERROR_SUCCESS);
    std::string n;
    EXPECT_EQ(RegEnumKeyEx(k, 0, n), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegQueryValueEx(k, "v", nullptr, nullptr), ERROR_ACCESS_DENIED);
    RegCloseKey(k);
}

TEST_F(RegistryTest, OtherComputersAreNotAvailable)
{
    HKEY k = nullptr;
    EXPECT_EQ(RegConnectRegistry("\\\\faraway", HKEY_LOCAL_MACHINE, &k), ERROR_BAD_NETPATH);
    EXPECT_EQ(GetLastError(), ERROR_BAD_NETPATH);
    EXPECT_EQ(SysErrorMessage(ERROR_BAD_NETPATH), "The network path was not found.");
    EXPECT_EQ(RegConnectRegistry("", HKEY_USERS, &k), ERROR_SUCCESS);
    EXPECT_EQ(k, HKEY_USERS);
    char host[256] = {};
    ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
    EXPECT_EQ(RegConnectRegistry(std::string("\\\\") + host, HKEY_CURRENT_USER, &k), ERROR_SUCCESS);
    HKEY opened = Create(HKEY_CURRENT_USER, "x");
    EXPECT_EQ(RegConnectRegistry("", opened, &k), ERROR_INVALID_HANDLE);
    RegCloseKey(opened);
}

class RegistryFile : public ScratchDir {
protected:
    void SetUp() override
    {
        ScratchDir::SetUp();
        platform::RegistryUseFile(Path("cfg/registry"));
    }
    void TearDown() override
    {
        platform::RegistryUseMemory();
        ScratchDir::TearDown();
    }
};

TEST_F(RegistryFile, EverythingComesBackFromTheFile)
{
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_CONFIG, "Odd names\\100% \xE9t\xE9", "a class", 0, KEY_ALL_ACCESS, &k),
              ERROR_SUCCESS);
    RegSetValueEx(k, "", REG_SZ, "default\0", 8);
    RegSetValueEx(k, "all bytes", REG_BINARY, all.data(), 256);
    RegSetValueEx(k, "%", 0x12345678, nullptr, 0);
    RegCloseKey(k);
    ASSERT_EQ(RegCreateKeyEx(HKEY_USERS, "only\\a\\key", "", 0, KEY_ALL_ACCESS, &k), ERROR_SUCCESS);
    RegCloseKey(k);
    // Closing writes nothing; leaving the file writes what is pending.
    EXPECT_FALSE(std::filesystem::exists(Path("cfg/registry")));
    platform::RegistryUseMemory();
    EXPECT_EQ(Get("cfg/registry").substr(0, 18), "MORVIK-REGISTRY 1\n");
    EXPECT_NE(RegOpenKeyEx(HKEY_CURRENT_CONFIG, "Odd names", 0, KEY_READ, &k), ERROR_SUCCESS);
    platform::RegistryUseFile(Path("cfg/registry"));
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_CONFIG, "odd NAMES\\100% \xE9t\xE9", 0, KEY_READ, &k), ERROR_SUCCESS);
    DWORD type = 0;
    std::vector<Byte> data;
    EXPECT_EQ(RegQueryValueEx(k, "all bytes", &type, &data), ERROR_SUCCESS);
    EXPECT_EQ(data, B(all));
    EXPECT_EQ(RegQueryValueEx(k, "", &type, &data), ERROR_SUCCESS);
    EXPECT_EQ(data, B(std::string("default\0", 8)));
    EXPECT_EQ(RegQueryValueEx(k, "%", &type, &data), ERROR_SUCCESS);
    EXPECT_EQ(type, 0x12345678u);
    RegCloseKey(k);
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_CONFIG, "odd names", 0, KEY_READ, &k), ERROR_SUCCESS);
    std::string name, cls;
    EXPECT_EQ(RegEnumKeyEx(k, 0, name, &cls), ERROR_SUCCESS);
    EXPECT_EQ(cls, "a class");
    RegCloseKey(k);
    EXPECT_EQ(RegOpenKeyEx(HKEY_USERS, "only\\a\\key", 0, KEY_READ, &k), ERROR_SUCCESS);
    RegCloseKey(k);
}

TEST_F(RegistryFile, PendingChangesAreWrittenWhenTheProgramEnds)
{
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // A save that failed earlier leaves its reason behind; the flush at exit must still be able
        // to record its own.
        StoreFileContents(Path("no such folder/" + std::string(40, 'f')), "x", false);
        HKEY k = nullptr;
        RegCreateKeyEx(HKEY_CURRENT_USER, "left\\open", "", 0, KEY_ALL_ACCESS, &k);
        RegSetValueEx(k, "v", REG_SZ, "x\0", 2);
        std::exit(0);  // the handle is never closed
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    platform::RegistryUseMemory();
    platform::RegistryUseFile(Path("cfg/registry"));
    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "left\\open", 0, KEY_READ, &k), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueEx(k, "v", nullptr, nullptr), ERROR_SUCCESS);
    RegCloseKey(k);
}

TEST_F(RegistryFile, ADamagedFileIsKeptAsideAndItsGoodLinesRead)
{
    platform::RegistryUseMemory();
    std::filesystem::create_directories(Path("cfg"));
    Put("cfg/registry", "MORVIK-REGISTRY 1\nK HKEY_CURRENT_USER good\nV 1 v 6100\nK NO_SUCH_ROOT x\nV 1 w zz\n");
    platform::RegistryUseFile(Path("cfg/registry"));
    EXPECT_NE(Get("cfg/registry"), "");
    EXPECT_EQ(Get("cfg/registry.bad"), Get("cfg/registry"));
    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "good", 0, KEY_READ, &k), ERROR_SUCCESS);
    std::vector<Byte> data;
    EXPECT_EQ(RegQueryValueEx(k, "v", nullptr, &data), ERROR_SUCCESS);
    EXPECT_EQ(data, B(std::string("a\0", 2)));
    RegCloseKey(k);

    platform::RegistryUseMemory();
    Put("cfg/registry", "something else entirely");
    std::filesystem::remove(Path("cfg/registry.bad"));
    platform::RegistryUseFile(Path("cfg/registry"));
    EXPECT_EQ(Get("cfg/registry.bad"), "something else entirely");
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "good", 0, KEY_READ, &k), ERROR_FILE_NOT_FOUND);

    // Damage in a value's name or data alone.
    for (const char* value : {"V 1 v 6", "V 1 %G1 61"}) {
        platform::RegistryUseMemory();
        std::filesystem::remove(Path("cfg/registry.bad"));
        Put("cfg/registry", std::string("MORVIK-REGISTRY 1\nK HKEY_CURRENT_USER good\n") + value + "\n");
        platform::RegistryUseFile(Path("cfg/registry"));
        EXPECT_EQ(Get("cfg/registry.bad"), Get("cfg/registry")) << value;
    }
}

TEST_F(RegistryFile, TheDefaultFileFollowsTheConfigurationFolder)
{
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old != nullptr ? old : "";
    ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    EXPECT_EQ(platform::RegistryDefaultFile(), dir + "/morvik/registry");
    ::setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    const char* home = std::getenv("HOME");
    EXPECT_EQ(platform::RegistryDefaultFile(), std::string(home ? home : "") + "/.config/morvik/registry");
    if (old != nullptr)
        ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(platform::RegistryFileName(), Path("cfg/registry"));
}

// Sub-keys and values made, deleted (at random, first, last, middle) and made or set again under
// another case among 80 names each, against plain lists in making order: after every step the same
// names (and data) in the same order by index, the counts the key reports, and each name found in
// any case, also through a handle opened before its deletion. Every 40 steps the file is written
// and read back into a fresh store, which must show the same.
TEST_F(RegistryFile, SubKeysAndValuesMadeAndDeletedInAnyOrderMatchPlainLists)
{
    for (const unsigned seed : {1u, 2u, 3u, 4u}) {
        std::mt19937 rng(seed);
        std::vector<std::string> plain;
        std::vector<std::pair<std::string, std::string>> values;
        const auto Find = [&](const std::string& n) {
            return std::find_if(plain.begin(), plain.end(), [&](const std::string& p) { return SameText(p, n); });
        };
        const auto FindValue = [&](const std::string& n) {
            return std::find_if(values.begin(), values.end(), [&](const auto& v) { return SameText(v.first, n); });
        };
        const std::string base = "seed" + std::to_string(seed);
        HKEY w = nullptr;
        ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, base, "", 0, KEY_ALL_ACCESS, &w), ERROR_SUCCESS);
        for (int step = 0; step < 2400; ++step) {
            const unsigned op = rng() % 8;
            std::string name = "k" + std::to_string(rng() % 80);
            if (rng() % 2) name = UpperCase(name);
            if (rng() % 2) {
                const std::string data = std::to_string(step);
                if (op < 3) {
                    const auto size = static_cast<DWORD>(data.size());
                    ASSERT_EQ(RegSetValueEx(w, name, REG_SZ, data.data(), size), ERROR_SUCCESS);
                    if (FindValue(name) == values.end())
                        values.emplace_back(name, data);
                    else
                        FindValue(name)->second = data;  // keeps its place and its spelling
                } else if (op == 7 || values.empty()) {
                    const bool had = FindValue(name) != values.end();
                    EXPECT_EQ(RegDeleteValue(w, name), had ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);
                    if (FindValue(name) != values.end()) values.erase(FindValue(name));
                } else {
                    const size_t n = values.size();
                    const size_t at = op == 3 ? 0 : op == 4 ? n - 1 : op == 5 ? n / 2 : rng() % n;
                    ASSERT_EQ(RegDeleteValue(w, UpperCase(values[at].first)), ERROR_SUCCESS);
                    values.erase(values.begin() + static_cast<std::ptrdiff_t>(at));
                }
            } else if (op < 3) {
                HKEY k = nullptr;
                DWORD disposition = 0;
                ASSERT_EQ(RegCreateKeyEx(w, name, "", 0, KEY_ALL_ACCESS, &k, &disposition), ERROR_SUCCESS);
                EXPECT_EQ(disposition, Find(name) == plain.end() ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY);
                if (Find(name) == plain.end()) plain.push_back(name);
                RegCloseKey(k);
            } else if (op == 7 || plain.empty()) {
                EXPECT_EQ(RegDeleteKey(w, name), Find(name) == plain.end() ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS);
                if (Find(name) != plain.end()) plain.erase(Find(name));
            } else {
                const size_t at = op == 3 ? 0 : op == 4 ? plain.size() - 1 : op == 5 ? plain.size() / 2 : rng() % plain.size();
                HKEY held = nullptr;
                ASSERT_EQ(RegOpenKeyEx(w, plain[at], 0, KEY_READ, &held), ERROR_SUCCESS);
                ASSERT_EQ(RegDeleteKey(w, plain[at]), ERROR_SUCCESS);
                std::string n;
                EXPECT_EQ(RegEnumKeyEx(held, 0, n), ERROR_KEY_DELETED);
                RegCloseKey(held);
                plain.erase(plain.begin() + static_cast<std::ptrdiff_t>(at));
            }
            if (step % 40 == 39) {
                RegCloseKey(w);
                ASSERT_TRUE(platform::RegistryFlush());
                platform::RegistryUseMemory();
                platform::RegistryUseFile(Path("cfg/registry"));
                ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, base, 0, KEY_ALL_ACCESS, &w), ERROR_SUCCESS);
            }
            ASSERT_EQ(SubKeys(w), plain) << "seed " << seed << " step " << step;
            std::vector<std::pair<std::string, std::string>> listed;
            std::string n;
            std::vector<Byte> data;
            for (DWORD i = 0; RegEnumValue(w, i, n, nullptr, &data) == ERROR_SUCCESS; ++i)
                listed.emplace_back(n, std::string(data.begin(), data.end()));
            ASSERT_EQ(listed, values) << "seed " << seed << " step " << step;
            TRegKeyInfo info;
            ASSERT_EQ(RegQueryInfoKey(w, info), ERROR_SUCCESS);
            EXPECT_EQ(info.SubKeys, plain.size());
            EXPECT_EQ(info.Values, values.size());
            size_t longestName = 0, longestData = 0;
            for (const auto& [v, d] : values) {
                longestName = std::max(longestName, v.size());
                longestData = std::max(longestData, d.size());
            }
            EXPECT_EQ(info.MaxValueNameLen, longestName);
            EXPECT_EQ(info.MaxValueLen, longestData);
            for (const std::string& p : plain) {
                HKEY k = nullptr;
                EXPECT_EQ(RegOpenKeyEx(w, UpperCase(p), 0, KEY_READ, &k), ERROR_SUCCESS) << p;
                RegCloseKey(k);
            }
            for (const auto& [v, d] : values) {
                EXPECT_EQ(RegQueryValueEx(w, UpperCase(v), nullptr, &data), ERROR_SUCCESS) << v;
                EXPECT_EQ(std::string(data.begin(), data.end()), d) << v;
            }
        }
        RegCloseKey(w);
    }
}

// Far more sub-keys than a program keeps, deleted two at a time from the end (the one before the
// last first), from the middle outwards and then at random: each deletion takes its own key and
// leaves the others in their order.
TEST_F(RegistryTest, HundredsOfThousandsOfSubKeysDeletedFromTheEndTheMiddleAndAtRandom)
{
    constexpr int N = 300000;
    HKEY w = Create(HKEY_CURRENT_USER, "wide");
    for (int i = 0; i < N; ++i) {
        HKEY k = Create(w, "k" + std::to_string(i));
        RegCloseKey(k);
    }
    // The last quarter in pairs from the end; of the rest, half from its middle outwards, half at
    // random.
    constexpr int M = N - N / 4;
    std::vector<int> order;
    for (int k = N - 2; k >= M; k -= 2) order.insert(order.end(), {k, k + 1});
    for (int i = 0; i < M; ++i) order.push_back(M / 2 + (i % 2 ? -(i + 1) / 2 : (i + 1) / 2));
    std::shuffle(order.begin() + N / 4 + M / 2, order.end(), std::mt19937(3));
    std::vector<bool> gone(N);
    for (int i = 0; i < N; ++i) {
        const int k = order[static_cast<size_t>(i)];
        ASSERT_EQ(RegDeleteKey(w, "K" + std::to_string(k)), ERROR_SUCCESS) << k;
        gone[static_cast<size_t>(k)] = true;
        if (i % 50000 == 49999) {
            std::vector<std::string> expected;
            for (int j = 0; j < N; ++j)
                if (!gone[static_cast<size_t>(j)]) expected.push_back("k" + std::to_string(j));
            ASSERT_EQ(SubKeys(w), expected) << i;
        }
    }
    EXPECT_TRUE(SubKeys(w).empty());
    RegCloseKey(w);
}

// ---------------------------------------------------------------- TRegistry

TEST_F(RegistryTest, RegistryObjectPaths)
{
    TRegistry reg;
    EXPECT_EQ(reg.RootKey(), HKEY_CURRENT_USER);
    EXPECT_TRUE(reg.OpenKey("\\Software\\Morvik", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Morvik");
    EXPECT_TRUE(reg.OpenKey("Sub", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Morvik\\Sub");
    EXPECT_FALSE(reg.OpenKey("Missing", false));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Morvik\\Sub");
    EXPECT_TRUE(reg.KeyExists("\\Software"));
    EXPECT_FALSE(reg.KeyExists("Missing"));
    EXPECT_TRUE(reg.OpenKey("\\Software", false));
    EXPECT_TRUE(reg.HasSubKeys());
    TStringList names;
    reg.GetKeyNames(&names);
    EXPECT_EQ(names.CommaText(), "Morvik");
    EXPECT_FALSE(reg.DeleteKey("Morvik"));
    EXPECT_TRUE(reg.DeleteKey("Morvik\\Sub"));
    EXPECT_TRUE(reg.DeleteKey("\\Software\\Morvik"));
    // Creating a key answers whether it is there afterwards.
    EXPECT_TRUE(reg.CreateKey("Made\\Deeper"));
    EXPECT_TRUE(reg.KeyExists("\\Software\\Made\\Deeper"));
    EXPECT_FALSE(reg.CreateKey("a\\\\b"));
    reg.CloseKey();
    EXPECT_EQ(reg.CurrentPath(), "");
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(reg.CurrentKey(), nullptr);
    EXPECT_FALSE(reg.KeyExists("\\Software"));
}

TEST_F(RegistryTest, RegistryObjectValues)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\V", true));
    EXPECT_TRUE(reg.PutData("a", REG_SZ, "1\0", 2));
    EXPECT_TRUE(reg.PutData("b", REG_SZ, "2\0", 2));
    EXPECT_FALSE(reg.RenameValue("a", "B"));
    EXPECT_FALSE(reg.RenameValue("none", "c"));
    EXPECT_TRUE(reg.RenameValue("a", "c"));
    // A change of case alone keeps the value where it stands.
    EXPECT_TRUE(reg.RenameValue("b", "B"));
    TStringList names;
    reg.GetValueNames(&names);
    EXPECT_EQ(names.CommaText(), "B,c");
    DWORD type = 0;
    std::vector<Byte> data;
    EXPECT_TRUE(reg.GetData("c", type, data));
    EXPECT_EQ(data, B(std::string("1\0", 2)));
    EXPECT_TRUE(reg.DeleteValue("b"));
    EXPECT_FALSE(reg.ValueExists("b"));
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\V"));
    EXPECT_FALSE(reg.PutData("x", REG_SZ, "", 0));
}

}  // namespace
