#include "ctlbase/Exini.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "ctlbase/Exstrutils.h"
#include "tests/ctlbase/ExiniTest.h"
#include "tests/platform/ScratchDir.h"

namespace {
using namespace exinitest;

// ---------------------------------------------------------------- keys

TEST_F(ExIniTest, OpenKeyWalksCreatesAndRefuses)
{
    EXPECT_EQ(ini.CurrentKey(), "\\");
    EXPECT_TRUE(ini.OpenKey("\\a\\b", true));
    EXPECT_EQ(ini.CurrentKey(), "\\a\\b");
    EXPECT_FALSE(ini.OpenKey("c", false));
    // A failed open leaves the deepest key reached current.
    EXPECT_EQ(ini.CurrentKey(), "\\a\\b");
    EXPECT_TRUE(ini.OpenKey("c\\", true));
    EXPECT_EQ(ini.CurrentKey(), "\\a\\b\\c");
    EXPECT_FALSE(ini.OpenKey("\\a\\\\b", true));
    EXPECT_EQ(ini.CurrentKey(), "\\a");
    EXPECT_TRUE(ini.OpenKey("\\A\\B", false));  // names ignore case
    EXPECT_TRUE(ini.OpenKey("", false));
    EXPECT_EQ(ini.CurrentKey(), "\\a\\b");
}

TEST_F(ExIniTest, KeyPathsAreMadeAbsolute)
{
    ini.OpenKey("\\x\\y", true);
    EXPECT_EQ(ini.FullKey("z"), "\\x\\y\\z");
    EXPECT_EQ(ini.FullKey("\\q\\"), "\\q");
    EXPECT_EQ(ini.FullKey(""), "\\x\\y");
    EXPECT_EQ(ini.OwnKey("z\\w"), "w");
    EXPECT_EQ(ini.ParentKey("z\\w"), "\\x\\y\\z");
    EXPECT_EQ(ini.ParentKey("\\top"), "\\");
    ini.OpenKey("\\", false);
    EXPECT_EQ(ini.FullKey("k"), "\\k");
}

TEST_F(ExIniTest, OperationsKeepTheCurrentKey)
{
    ini.OpenKey("\\home", true);
    ini.WriteInteger("\\other\\deep", "V", 1);
    Integer v = 0;
    EXPECT_TRUE(ini.ReadInteger("\\other\\deep", "V", 0, v));
    EXPECT_FALSE(ini.ReadInteger("\\missing", "V", 0, v));
    EXPECT_EQ(ini.CurrentKey(), "\\home");
    EXPECT_FALSE(ini.KeyExists("\\missing"));
    EXPECT_EQ(ini.CurrentKey(), "\\home");
}

TEST_F(ExIniTest, NamesMatchWithoutCaseOrBlanks)
{
    ini.WriteInteger("\\k", "Width", 5);
    Integer v = 0;
    EXPECT_TRUE(ini.ReadInteger("\\K", "WIDTH", 0, v));
    EXPECT_TRUE(ini.ReadInteger("\\k", "  width ", 0, v));
    EXPECT_EQ(v, 5);
    // An empty name addresses nothing.
    EXPECT_FALSE(ini.WriteInteger("\\k", "", 1));
    EXPECT_FALSE(ini.WriteInteger("\\k", "  ", 1));
    EXPECT_FALSE(ini.ReadInteger("\\k", "", 0, v));
}

TEST_F(ExIniTest, DeletingTheCurrentKeyMakesItsParentCurrent)
{
    ini.OpenKey("\\a\\b\\c", true);
    ini.WriteInteger("\\a", "keep", 1);
    EXPECT_TRUE(ini.Delete("\\a\\b", ""));
    EXPECT_EQ(ini.CurrentKey(), "\\a");
    EXPECT_FALSE(ini.KeyExists("\\a\\b"));
    EXPECT_TRUE(ini.ValueExists("\\a", "keep"));
    EXPECT_FALSE(ini.Delete("\\", ""));
    EXPECT_TRUE(ini.Delete("\\a", "keep"));
    EXPECT_FALSE(ini.Delete("\\a", "keep"));
}

TEST_F(ExIniTest, RenameKeyRefusesClashesAndCarriesTheCurrentKey)
{
    ini.OpenKey("\\a\\c", true);
    ini.OpenKey("\\a\\b\\inner", true);
    EXPECT_FALSE(ini.RenameKey("\\a\\b", "c"));
    EXPECT_FALSE(ini.RenameKey("\\a\\b", "x\\y"));
    EXPECT_FALSE(ini.RenameKey("\\", "root"));
    EXPECT_TRUE(ini.RenameKey("\\a\\b", "d"));
    EXPECT_EQ(ini.CurrentKey(), "\\a\\d\\inner");
    EXPECT_TRUE(ini.KeyExists("\\a\\d\\inner"));
}

TEST_F(ExIniTest, RenameValueRefusesClashes)
{
    ini.WriteInteger("\\k", "a", 1);
    ini.WriteInteger("\\k", "b", 2);
    EXPECT_FALSE(ini.RenameValue("\\k", "a", "B"));
    EXPECT_FALSE(ini.RenameValue("\\k", "a", "x\\y"));
    EXPECT_FALSE(ini.RenameValue("\\k", "none", "z"));
    EXPECT_TRUE(ini.RenameValue("\\k", "a", "c"));
    Integer v = 0;
    EXPECT_TRUE(ini.ReadInteger("\\k", "c", 0, v));
    EXPECT_EQ(v, 1);
    EXPECT_FALSE(ini.ValueExists("\\k", "a"));
}

TEST_F(ExIniTest, MoveEntryRefusesCyclesAndClashes)
{
    ini.OpenKey("\\a\\b\\c", true);
    ini.OpenKey("\\t", true);
    ini.WriteInteger("\\t", "b", 9);
    ini.OpenKey("\\a\\b\\c", false);
    EXPECT_FALSE(ini.MoveEntry("\\a", "b", "\\a\\b\\c"));  // under itself
    EXPECT_FALSE(ini.MoveEntry("\\a", "b", "\\t"));        // a "b" is there
    EXPECT_FALSE(ini.MoveEntry("\\a", "b", "\\nowhere"));
    ini.Delete("\\t", "b");
    EXPECT_TRUE(ini.MoveEntry("\\a", "b", "\\t"));
    EXPECT_TRUE(ini.KeyExists("\\t\\b\\c"));
    EXPECT_FALSE(ini.KeyExists("\\a\\b"));
    EXPECT_EQ(ini.CurrentKey(), "\\t\\b\\c");
}

TEST_F(ExIniTest, ClearKeyAndClear)
{
    ini.WriteInteger("\\", "top", 1);
    ini.WriteInteger("\\k\\s", "v", 1);
    ini.WriteInteger("\\k", "v", 1);
    EXPECT_FALSE(ini.ClearKey("\\"));
    EXPECT_TRUE(ini.ValueExists("\\", "top"));
    EXPECT_TRUE(ini.ClearKey("\\k"));
    EXPECT_TRUE(ini.KeyExists("\\k"));
    EXPECT_EQ(ini.SubKeysCount("\\k") + ini.ValuesCount("\\k"), 0);
    ini.OpenKey("\\k", false);
    EXPECT_TRUE(ini.Clear());
    EXPECT_EQ(ini.CurrentKey(), "\\");
    EXPECT_EQ(ini.Root()->GetSubCount(), 0);
}

TEST_F(ExIniTest, EnumerationsAppendInOrder)
{
    ini.WriteInteger("\\k", "z", 1);
    ini.OpenKey("\\k\\b", true);
    ini.WriteInteger("\\k", "a", 1);
    ini.OpenKey("\\k\\a2", true);
    TStringList keys, values;
    keys.Add("pre");
    EXPECT_TRUE(ini.EnumSubKeys("\\k", &keys));
    EXPECT_TRUE(ini.EnumValues("\\k", &values));
    EXPECT_EQ(keys.CommaText(), "pre,b,a2");
    EXPECT_EQ(values.CommaText(), "z,a");
    EXPECT_EQ(ini.ValuesCount("\\k"), 2);
    // Enumerating makes a missing key.
    EXPECT_TRUE(ini.EnumSubKeys("\\new", &keys));
    EXPECT_TRUE(ini.KeyExists("\\new"));
}

TEST_F(ExIniTest, EntriesAndTypes)
{
    EXPECT_EQ(ini.GetValueEntry("\\", ""), nullptr);
    EXPECT_EQ(ini.GetValueEntry("\\none", "x"), nullptr);
    TExIniEntry* e = ini.CreateValue("\\k", "v");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->ValueType, evtUnknown);
    EXPECT_EQ(ini.GetValueEntry("\\k", "V"), e);
    EXPECT_EQ(ini.GetValueEntry("\\k", "")->Name(), "k");
    ini.SetValueType("\\k", "m", evtMultiString);
    EXPECT_EQ(ini.GetValueType("\\k", "m"), evtMultiString);
    StringsGuard g;
    g.list.Add("x");
    EXPECT_TRUE(ini.ReadMultiString("\\k", "m", &g.list));
    EXPECT_EQ(g.list.Count(), 0);
    ini.WriteDouble("\\k", "d", 1.5);
    EXPECT_EQ(ini.GetValueType("\\k", "d"), evtDouble);
    EXPECT_EQ(ini.GetValueType("\\k", "none"), evtUnknown);
}

TEST_F(ExIniTest, ReadBinaryNeedsRoom)
{
    const Byte block[5] = {1, 2, 3, 4, 5};
    ini.WriteBinary("\\k", "b", block, 5);
    Byte buf[8] = {};
    Integer size = 3;
    EXPECT_FALSE(ini.ReadBinary("\\k", "b", buf, size));
    EXPECT_EQ(size, 5);
    EXPECT_EQ(buf[0], 0);
    size = 4;  // one byte short
    EXPECT_FALSE(ini.ReadBinary("\\k", "b", buf, size));
    EXPECT_EQ(buf[0], 0);
    size = 5;
    EXPECT_TRUE(ini.ReadBinary("\\k", "b", buf, size));
    size = 8;
    EXPECT_TRUE(ini.ReadBinary("\\k", "b", buf, size));
    EXPECT_EQ(size, 5);
    EXPECT_EQ(buf[4], 5);
    EXPECT_FALSE(ini.WriteBinary("\\k", "bad", nullptr, 3));
}

TEST_F(ExIniTest, RectanglesAsText)
{
    TRect r;
    EXPECT_FALSE(ini.ReadRect("\\k", "r", Rect(1, 2, 3, 4), r));
    EXPECT_EQ(r, Rect(1, 2, 3, 4));
    ini.WriteRect("\\k", "r", Rect(-5, 6, 70, 80));
    EXPECT_TRUE(ini.ReadRect("\\k", "r", TRect{}, r));
    EXPECT_EQ(r, Rect(-5, 6, 70, 80));
}

TEST_F(ExIniTest, ColoursByNameNumberAndParts)
{
    struct Case {
        const char* Text;
        bool Found;
        TColor Value;
    } cases[] = {
        {"clRed", true, 0x0000FF},       {"#clBlue", true, 0xFF0000},   {"$00102030", true, 0x102030},
        {"255.128.1", true, 0x0180FF},   {"1.2", false, 77},            {"1.x.3", false, 77},
        {"256.0.0", false, 77},          {"clNoSuch", false, 77},       {"$80000005", true, TColor(0x80000005)},
    };
    for (const auto& c : cases) {
        ini.WriteString("\\c", "v", c.Text);
        TColor v = 0;
        EXPECT_EQ(ini.ReadColor("\\c", "v", 77, v), c.Found) << c.Text;
        EXPECT_EQ(v, c.Value) << c.Text;
    }
    TColor v = 0;
    EXPECT_FALSE(ini.ReadColor("\\c", "none", 0x123456, v));
    EXPECT_EQ(v, 0x123456);
    for (TColor c : {TColor(0x0000FF), TColor(0x00ABCDEF), TColor(0x80000005), TColor(0x1FFFFFFF)}) {
        ini.WriteColor("\\c", "w", c);
        EXPECT_TRUE(ini.ReadColor("\\c", "w", 0, v));
        EXPECT_EQ(v, c);
    }
    std::string s;
    ini.ReadString("\\c", "w", "", s);
    EXPECT_EQ(s, "clNone");
}

TEST_F(ExIniTest, EveryLineOfTheWarningIsAComment)
{
    ini.SetWarningMessage("first\r\nsecond");
    ini.WriteInteger("\\", "A", 1);
    const std::string text = Saved(ini);
    EXPECT_EQ(text, ";first\r\n;second\r\nA=1\r\n");
    TExIniFile back(nullptr);
    back.SetWarningMessage("first\r\nsecond");
    LoadBytes(back, text);
    EXPECT_EQ(Saved(back), text);
    ini.SetComment("");
    EXPECT_EQ(Saved(ini), "A=1\r\n");
}

TEST_F(ExIniTest, KeysDeeperThanTheLimitAreNotMade)
{
    std::string deep;
    for (int i = 0; i < ctlbase::ExIniMaxKeyDepth; ++i) deep += "\\k";
    EXPECT_TRUE(ini.OpenKey(deep, true));
    EXPECT_FALSE(ini.OpenKey(deep + "\\one_more", true));
    EXPECT_FALSE(ini.WriteInteger(deep + "\\one_more", "v", 1));
}

// Random writes, renames, moves and deletes of values and sub-keys among 120 names each (past the
// count at which a key keeps an index of its children), against plain lists in order: after every
// step each name answers as the first of its name in the list, and the key lists the same names in
// the same order. Now and then an entry takes a name in use through its own SetName (the first of
// the two answers), and every 100 steps a fresh store read from the binary form lists the same
// (the second of a name merged into the first).
TEST(ExIniModel, ValuesAndSubKeysOfOneKeyAgainstPlainLists)
{
    platform::RegistryUseMemory();
    for (const unsigned seed : {11u, 12u, 13u, 14u}) {
        std::mt19937 rng(seed);
        struct Ref {
            std::string Name;
            Integer Value;
        };
        std::vector<Ref> values, keys;  // in the key's order
        const auto find = [](std::vector<Ref>& list, const std::string& n) {
            return std::find_if(list.begin(), list.end(), [&](const Ref& r) { return SameText(r.Name, n); });
        };
        const auto names = [](const std::vector<Ref>& list) {
            std::string out;
            for (const Ref& r : list) out += r.Name + "|";
            return out;
        };
        const auto listed = [](TExIniFile& f, bool Keys) {
            TStringList l;
            if (Keys)
                f.EnumSubKeys("\\k", &l);
            else
                f.EnumValues("\\k", &l);
            std::string out;
            for (int i = 0; i < l.Count(); ++i) out += l[i] + "|";
            return out;
        };
        TExIniFile ini(nullptr);
        ini.SetCurrentKey("\\side");
        for (int step = 0; step < 3000; ++step) {
            const bool onKeys = rng() % 2 == 0;
            std::vector<Ref>& list = onKeys ? keys : values;
            const auto name = [&] { return std::string(rng() % 2 ? "v" : "V") + (onKeys ? "k" : "") + std::to_string(rng() % 120); };
            const std::string a = name(), b = name();
            std::string c = a;
            const std::string path = "\\k\\" + a;
            const unsigned op = rng() % 7;
            if (op <= 1) {
                if (onKeys) {
                    ASSERT_TRUE(ini.WriteInteger(path, "x", step));
                } else {
                    ASSERT_TRUE(ini.WriteInteger("\\k", a, step));
                }
                if (find(list, a) == list.end())
                    list.push_back({a, step});
                else
                    find(list, a)->Value = step;
            } else if (op == 2) {
                const bool can = find(list, a) != list.end() && (SameText(a, b) || find(list, b) == list.end());
                EXPECT_EQ(onKeys ? ini.RenameKey(path, b) : ini.RenameValue("\\k", a, b), can) << a << ">" << b;
                if (can) find(list, a)->Name = b;
            } else if (op == 3) {
                const auto it = find(list, a);
                EXPECT_EQ(onKeys ? ini.Delete(path, "") : ini.Delete("\\k", a), it != list.end());
                if (it != list.end()) list.erase(it);
            } else if (op == 4 || list.empty()) {
                // Out to another key and back: it returns at the end of the list.
                const auto it = find(list, a);
                const auto many = std::count_if(list.begin(), list.end(), [&](const Ref& r) { return SameText(r.Name, a); });
                if (it != list.end() && many == 1) {
                    EXPECT_TRUE(ini.MoveEntry("\\k", a, "\\side"));
                    EXPECT_TRUE(ini.MoveEntry("\\side", a, "\\k"));
                    const Ref r = *it;
                    list.erase(it);
                    list.push_back(r);
                }
            } else if (op == 5) {
                // From the front, the back or the middle.
                const size_t at = rng() % 3 == 0 ? 0 : rng() % 2 ? list.size() - 1 : list.size() / 2;
                const std::string gone = list[at].Name;
                EXPECT_TRUE(onKeys ? ini.Delete("\\k\\" + gone, "") : ini.Delete("\\k", gone)) << gone;
                // With two of a name, the first goes.
                list.erase(find(list, gone));
            } else if (rng() % 4 == 0) {
                // A name already in use, given through the entry itself.
                const size_t at = rng() % list.size();
                const std::string taken = list[rng() % list.size()].Name;
                TExIniEntry* e = ini.GetValueEntry("\\k", list[at].Name);
                ASSERT_NE(e, nullptr);
                if (&*find(list, list[at].Name) == &list[at]) {
                    e->SetName(taken);
                    list[at].Name = taken;
                    c = taken;
                }
            }
            for (const std::string& n : {a, b, c}) {
                Integer v = -1;
                const auto it = find(list, n);
                if (onKeys) {
                    EXPECT_EQ(ini.KeyExists("\\k\\" + n), it != list.end()) << n;
                    if (it != list.end()) {
                        EXPECT_TRUE(ini.ReadInteger("\\k\\" + n, "x", -1, v));
                        EXPECT_EQ(v, it->Value) << n;
                    }
                } else {
                    EXPECT_EQ(ini.ReadInteger("\\k", n, -1, v), it != list.end()) << n;
                    if (it != list.end()) {
                        EXPECT_EQ(v, it->Value) << n;
                    }
                }
            }
            ASSERT_EQ(listed(ini, false), names(values)) << "seed " << seed << " step " << step;
            ASSERT_EQ(listed(ini, true), names(keys)) << "seed " << seed << " step " << step;
            if (step % 100 == 99) {
                TExIniFile fresh(nullptr);
                ini.SetBinaryMode(true);
                fresh.SetBinaryMode(true);
                LoadBytes(fresh, Saved(ini));
                // Read back, a second entry of a name is one with the first.
                const auto firsts = [&](std::vector<Ref> list) {
                    for (size_t i = 0; i < list.size(); ++i)
                        while (find(list, list[i].Name) != list.begin() + static_cast<std::ptrdiff_t>(i)) {
                            list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
                            if (i == list.size()) break;
                        }
                    return names(list);
                };
                EXPECT_EQ(listed(fresh, false), firsts(values));
                EXPECT_EQ(listed(fresh, true), firsts(keys));
            }
        }
        EXPECT_EQ(ini.ValuesCount("\\k"), static_cast<Integer>(values.size()));
    }
}

// Fifty thousand sub-keys and values of one key, taken out or renamed one at a time in orders that
// leave holes anywhere: each step takes or renames its own entry, and the rest keep their order.
TEST_F(ExIniTest, FiftyThousandEntriesDeletedAndRenamedOneByOne)
{
    constexpr int N = 50000;
    std::vector<int> order(N);
    for (int i = 0; i < N; ++i) order[static_cast<size_t>(i)] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    for (int i = 0; i < N; ++i) {
        ini.OpenKey("\\keys\\k" + std::to_string(i), true);
        ini.WriteInteger("\\values", "v" + std::to_string(i), i);
    }
    for (int i = 0; i < N; ++i) {
        const std::string n = std::to_string(order[static_cast<size_t>(i)]);
        ASSERT_TRUE(ini.RenameKey("\\keys\\k" + n, "K" + n + "r")) << n;
        ASSERT_TRUE(ini.RenameValue("\\values", "v" + n, "V" + n + "r")) << n;
    }
    // Every other key in random order, then the rest from the middle outwards; the values the same.
    std::vector<int> gone;
    for (int i = 0; i < N; ++i)
        if (order[static_cast<size_t>(i)] % 2) gone.push_back(order[static_cast<size_t>(i)]);
    for (int i = 0; i < N / 2; ++i) gone.push_back(2 * (N / 4 + (i % 2 ? -(i + 1) / 2 : (i + 1) / 2)));
    std::vector<bool> left(N, true);
    for (size_t i = 0; i < gone.size(); ++i) {
        const std::string n = std::to_string(gone[i]);
        ASSERT_TRUE(ini.Delete("\\keys\\k" + n + "R", "")) << n;
        ASSERT_TRUE(ini.Delete("\\values", "v" + n + "R")) << n;
        left[static_cast<size_t>(gone[i])] = false;
        if (i == N / 2 + N / 8) {
            TStringList keys, values;
            ini.EnumSubKeys("\\keys", &keys);
            ini.EnumValues("\\values", &values);
            std::vector<std::string> expectKeys, expectValues, gotKeys, gotValues;
            for (int j = 0; j < N; ++j)
                if (left[static_cast<size_t>(j)]) {
                    expectKeys.push_back("K" + std::to_string(j) + "r");
                    expectValues.push_back("V" + std::to_string(j) + "r");
                }
            for (int j = 0; j < keys.Count(); ++j) gotKeys.push_back(keys[j]);
            for (int j = 0; j < values.Count(); ++j) gotValues.push_back(values[j]);
            ASSERT_EQ(gotKeys, expectKeys);
            ASSERT_EQ(gotValues, expectValues);
        }
    }
    EXPECT_EQ(ini.SubKeysCount("\\keys"), 0);
    EXPECT_EQ(ini.ValuesCount("\\values"), 0);
}

// ---------------------------------------------------------------- the typed-read matrix

// What each read answers for a stored value: "T:" or "F:" and the value handed out.
std::vector<std::string> Probe(TExIniFile& ini, const std::string& name)
{
    std::vector<std::string> out;
    auto tf = [](bool b) { return std::string(b ? "T:" : "F:"); };
    bool b = false;
    const bool rb = ini.ReadBool("\\m", name, false, b);
    out.push_back(tf(rb) + (b ? "1" : "0"));
    Integer i = 0;
    const bool ri = ini.ReadInteger("\\m", name, -7, i);
    out.push_back(tf(ri) + IntToStr(i));
    std::string s;
    const bool rs = ini.ReadString("\\m", name, "dflt", s);
    out.push_back(tf(rs) + StringReplace(s, "\r\n", "/", rfReplaceAll));
    double d = 0;
    const bool rd = ini.ReadDouble("\\m", name, -1, d);
    out.push_back(tf(rd) + FloatToStr(d));
    StringsGuard g;
    g.list.Add("untouched");
    const bool rm = ini.ReadMultiString("\\m", name, &g.list);
    out.push_back(tf(rm) + g.Joined());
    Byte buf[16];
    Integer size = 16;
    const bool rx = ini.ReadBinary("\\m", name, buf, size);
    out.push_back(tf(rx) + IntToStr(size));
    return out;
}

void Fill(TExIniFile& ini)
{
    TStringList lines;
    lines.Add("a");
    lines.Add("b");
    const Byte block[3] = {1, 2, 0xAB};
    ini.WriteBool("\\m", "B", true);
    ini.WriteInteger("\\m", "I", 42);
    ini.WriteString("\\m", "S", "hello");
    ini.WriteString("\\m", "N", "42");
    ini.WriteString("\\m", "F", StrFloat(2.5));
    ini.WriteMultiString("\\m", "M", &lines);
    ini.WriteBinary("\\m", "X", block, 3);
    ini.WriteDouble("\\m", "D", 2.5);
}

struct MatrixRow {
    bool Registry;
    const char* Name;
    std::vector<std::string> Expected;  // bool, integer, string, double, multi, binary
};

void PrintTo(const MatrixRow& r, std::ostream* os)
{
    *os << (r.Registry ? "registry " : "memory ") << r.Name;
}

const MatrixRow Matrix[] = {
    {false, "B", {"T:1", "F:-7", "T:true", "F:-1", "F:untouched", "F:0"}},
    {false, "I", {"T:1", "T:42", "T:42", "F:-1", "F:untouched", "F:0"}},
    {false, "S", {"F:0", "F:-7", "T:hello", "F:-1", "F:untouched", "F:0"}},
    {false, "N", {"F:0", "F:42", "T:42", "F:-1", "F:untouched", "F:0"}},
    {false, "F", {"F:0", "F:-7", "T:0.1074003968", "T:2.5", "F:untouched", "F:0"}},
    {false, "M", {"F:0", "F:-7", "T:a/b/", "F:-1", "T:a|b", "F:0"}},
    {false, "X", {"F:0", "F:-7", "T:454C 3 01 02 AB ", "F:-1", "F:untouched", "T:3"}},
    {false, "D", {"F:0", "F:-7", "F:dflt", "T:2.5", "F:untouched", "F:0"}},
    {false, "none", {"F:0", "F:-7", "F:dflt", "F:-1", "F:untouched", "F:0"}},
    // The registry keeps booleans and integers as double words, texts as strings and doubles as
    // 8-byte binaries.
    {true, "B", {"T:1", "T:1", "T:1", "F:-1", "F:untouched", "F:0"}},
    {true, "I", {"T:1", "T:42", "T:42", "F:-1", "F:untouched", "F:0"}},
    {true, "S", {"F:0", "F:-7", "T:hello", "F:-1", "F:untouched", "F:0"}},
    {true, "N", {"F:0", "F:-7", "T:42", "F:-1", "F:untouched", "F:0"}},
    {true, "M", {"F:0", "F:-7", "T:a/b/", "F:-1", "T:a|b", "F:0"}},
    {true, "X", {"F:0", "F:-7", "T:454C 3 01 02 AB ", "F:-1", "F:untouched", "T:3"}},
    {true, "D", {"F:0", "F:-7", "T:454C 8 00 00 00 00 00 00 04 40 ", "T:2.5", "F:untouched", "T:8"}},
    {true, "none", {"F:0", "F:-7", "F:dflt", "F:-1", "F:untouched", "F:0"}},
};

class TypedReads : public ::testing::TestWithParam<MatrixRow> {
protected:
    void SetUp() override { platform::RegistryUseMemory(); }
};

TEST_P(TypedReads, EachStoredTypeReadAsEachType)
{
    const MatrixRow& row = GetParam();
    TExIniFile ini(nullptr);
    if (row.Registry) {
        ini.SetUseRegistry(true);
        ini.SetPath("\\Morvik\\Matrix");
    }
    Fill(ini);
    EXPECT_EQ(Probe(ini, row.Name), row.Expected) << row.Name << (row.Registry ? " (registry)" : "");
}

INSTANTIATE_TEST_SUITE_P(Matrix, TypedReads, ::testing::ValuesIn(Matrix), [](const auto& info) {
    return std::string(info.param.Registry ? "Registry_" : "Memory_") + info.param.Name;
});

TEST_F(ExIniTest, ReadsHandTheDefaultOutFirst)
{
    ini.WriteString("\\m", "S", "not a number");
    Integer i = 99;
    EXPECT_FALSE(ini.ReadInteger("\\m", "S", 5, i));
    EXPECT_EQ(i, 5);
    std::string s = "junk";
    EXPECT_FALSE(ini.ReadString("\\m", "none", "d", s));
    EXPECT_EQ(s, "d");
}

// ---------------------------------------------------------------- the binary form

TEST_F(ExIniTest, BinaryImageOfTheSmallestStore)
{
    ini.SetBinaryMode(true);
    ini.WriteInteger("\\", "X", 5);
    const std::string expected = std::string("\x01\0\0\0\0" "\x00\x01\0\0\0X\x02\x04\0\0\0\x05\0\0\0", 20);
    EXPECT_EQ(Saved(ini), expected);
}

std::string SampleBinary()
{
    return KeyRec("") + ValRec("X", evtInt, I32(5)) + ValRec("B", evtBoolean, std::string(1, '\1')) +
           KeyRec("K") + ValRec("S", evtString, LStr("text")) +
           ValRec("M", evtMultiString, LStr("one") + LStr("") + LStr("three")) +
           ValRec("Bin", evtBinary, I32(3) + std::string("\x00\xFF\x10", 3)) + KeyRec("K\\Sub") +
           ValRec("D", evtDouble, DoubleBytes(-0.25));
}

TEST_F(ExIniTest, BinaryImageWithEveryType)
{
    ini.SetBinaryMode(true);
    LoadBytes(ini, SampleBinary());
    Integer i = 0;
    EXPECT_TRUE(ini.ReadInteger("\\", "X", 0, i));
    EXPECT_EQ(i, 5);
    StringsGuard g;
    EXPECT_TRUE(ini.ReadMultiString("\\K", "M", &g.list));
    EXPECT_EQ(g.Joined(), "one||three");
    double d = 0;
    EXPECT_TRUE(ini.ReadDouble("\\K\\Sub", "D", 0, d));
    EXPECT_EQ(d, -0.25);
    Byte buf[3];
    Integer size = 3;
    EXPECT_TRUE(ini.ReadBinary("\\K", "Bin", buf, size));
    EXPECT_EQ(buf[1], 0xFF);
    EXPECT_EQ(Saved(ini), SampleBinary());
}

TEST_F(ExIniTest, BinaryLoadSkipsUnknownTypesAndKeysThatCannotOpen)
{
    ini.SetBinaryMode(true);
    const std::string data = KeyRec("") + ValRec("odd", 9, "whatever") + ValRec("X", evtInt, I32(1)) +
                             KeyRec("a\\\\b") + ValRec("lost", evtInt, I32(2)) + KeyRec("ok") +
                             ValRec("Y", evtInt, I32(3));
    LoadBytes(ini, data);
    EXPECT_FALSE(ini.ValueExists("\\", "odd"));
    EXPECT_TRUE(ini.ValueExists("\\", "X"));
    EXPECT_TRUE(ini.ValueExists("\\ok", "Y"));
    EXPECT_FALSE(ini.ValueExists("\\a", "lost"));
    EXPECT_FALSE(ini.ValueExists("\\", "lost"));
}

TEST_F(ExIniTest, DamagedBinaryDataRaisesAndChangesNothing)
{
    ini.SetBinaryMode(true);
    ini.WriteString("\\keep", "v", "before");
    const std::string before = Saved(ini);
    const std::string bad[] = {
        KeyRec("") + std::string(1, '\2'),                                   // unknown record
        KeyRec("") + std::string("\0", 1) + I32(0x7FFFFFFF) + "x",           // name longer than the data
        KeyRec("") + ValRec("S", evtString, I32(-1)),                        // negative length
        KeyRec("") + ValRec("B", evtBoolean, "\1\1"),                        // wrong size
        KeyRec("") + ValRec("S", evtString, LStr("abc") + ValRec("Z", evtInt, I32(1))),  // size beyond the string
        KeyRec("") + ValRec("M", evtMultiString, LStr("abc") + "\1\0"),      // item cut short
        // an item running on into the next record
        KeyRec("") + std::string("\0", 1) + LStr("M") + "\4" + I32(6) + I32(5) + "ab" + ValRec("Z", evtInt, I32(1)),
        KeyRec("") + ValRec("X", evtBinary, I32(100) + "ab"),                // block size lies
        KeyRec("") + ValRec("D", evtDouble, "1234"),                         // short double
        KeyRec("") + std::string("\0", 1) + LStr("N") + "\2" + I32(1000000), // size beyond the data
    };
    for (const auto& data : bad) {
        EXPECT_THROW(LoadBytes(ini, data), EExIniError);
        EXPECT_EQ(Saved(ini), before);
        std::string s;
        EXPECT_TRUE(ini.ReadString("\\keep", "v", "", s));
    }
}

TEST_F(ExIniTest, TruncatedAndFlippedBinaryFilesLoadOrRaiseCleanly)
{
    ini.SetBinaryMode(true);
    ini.WriteString("\\guard", "g", "kept");
    const std::string before = Saved(ini);
    const std::string good = SampleBinary();
    std::mt19937 rng(7);
    int loads = 0;
    int errors = 0;
    auto attempt = [&](const std::string& data) {
        try {
            LoadBytes(ini, data);
            ++loads;
            // What was read must come back out and in again unchanged.
            const std::string once = Saved(ini);
            TExIniFile again(nullptr);
            again.SetBinaryMode(true);
            LoadBytes(again, once);
            EXPECT_EQ(Saved(again), once);
            LoadBytes(ini, before);
        } catch (const EExIniError&) {
            ++errors;
            EXPECT_EQ(Saved(ini), before);
        }
    };
    for (size_t n = 0; n < good.size(); ++n) attempt(good.substr(0, n));
    for (size_t i = 0; i < good.size(); ++i)
        for (unsigned mask : {0x01u, 0x80u, 0xFFu, static_cast<unsigned>(rng() | 1) & 0xFFu}) {
            std::string d = good;
            d[i] = static_cast<char>(static_cast<Byte>(d[i]) ^ mask);
            attempt(d);
        }
    EXPECT_GT(loads, 0);
    EXPECT_GT(errors, 0);
}

// ---------------------------------------------------------------- files

class ExIniFiles : public ScratchDir {
protected:
    void SetUp() override
    {
        ScratchDir::SetUp();
        platform::RegistryUseMemory();
    }
};

TEST_F(ExIniFiles, SaveAndLoadWithEvents)
{
    std::string events;
    {
        TExIniFile ini(nullptr);
        ini.OnBeforeSave = [&](TObject*) { events += "bs "; };
        ini.OnAfterSave = [&](TObject*) { events += "as "; };
        ini.SetPath(Path("s.ini"));
        ini.WriteInteger("\\k", "v", 3);
        EXPECT_TRUE(ini.Changed());
        EXPECT_TRUE(ini.Save());
        EXPECT_FALSE(ini.Changed());
    }
    EXPECT_EQ(events, "bs as ");
    EXPECT_EQ(Get("s.ini"), std::string(Warning) + "\r\n[k]\r\nv=3\r\n");
    TExIniFile ini(nullptr);
    ini.OnBeforeLoad = [&](TObject*) { events += "bl "; };
    ini.OnAfterLoad = [&](TObject*) { events += "al "; };
    ini.SetPath(Path("s.ini"));
    ini.OpenKey("\\elsewhere", true);
    EXPECT_TRUE(ini.Load());
    EXPECT_EQ(ini.CurrentKey(), "\\");
    EXPECT_FALSE(ini.KeyExists("\\elsewhere"));
    EXPECT_EQ(events, "bs as bl al ");
}

TEST_F(ExIniFiles, AMissingFileLeavesTheStoreAsItWas)
{
    TExIniFile ini(nullptr);
    std::string events;
    ini.OnBeforeLoad = [&](TObject*) { events += "bl "; };
    ini.OnAfterLoad = [&](TObject*) { events += "al "; };
    ini.WriteInteger("\\k", "v", 1);
    ini.SetPath(Path("none.ini"));
    EXPECT_FALSE(ini.Load());
    EXPECT_TRUE(ini.ValueExists("\\k", "v"));
    EXPECT_EQ(events, "bl al ");
}

TEST_F(ExIniFiles, AFailedSaveIsReportedAndKeepsTheChange)
{
    TExIniFile ini(nullptr);
    ini.SetPath(Path("no/such/folder/s.ini"));
    ini.WriteInteger("\\k", "v", 1);
    EXPECT_FALSE(ini.Save());
    EXPECT_TRUE(ini.Changed());
    TExIniFile nameless(nullptr);
    EXPECT_FALSE(nameless.Save());
}

TEST_F(ExIniFiles, EagerWritesAndTheLazyDestructor)
{
    {
        TExIniFile ini(nullptr);
        ini.SetPath(Path("eager.ini"));
        ini.SetLazyWrite(false);
        ini.WriteInteger("\\k", "v", 1);
        EXPECT_NE(Get("eager.ini").find("v=1"), std::string::npos);
        ini.ClearKey("\\k");
        EXPECT_EQ(Get("eager.ini").find("v=1"), std::string::npos);
    }
    {
        TExIniFile ini(nullptr);
        ini.SetPath(Path("lazy.ini"));
        ini.WriteInteger("\\k", "v", 2);
        EXPECT_FALSE(std::filesystem::exists(Path("lazy.ini")));
    }
    EXPECT_NE(Get("lazy.ini").find("v=2"), std::string::npos);
    // An eager store with no file still takes its values.
    TExIniFile memory(nullptr);
    memory.SetLazyWrite(false);
    EXPECT_TRUE(memory.WriteInteger("\\k", "v", 1));
}

TEST_F(ExIniFiles, LoadedReadsTheFileAndIgnoresDamage)
{
    Put("a.ini", "[k]\r\nv=4\r\n");
    TExIniFile ini(nullptr);
    ini.SetPath(Path("a.ini"));
    ini.Loaded();
    Integer v = 0;
    EXPECT_TRUE(ini.ReadInteger("\\k", "v", 0, v));
    Put("b.bin", "\x07garbage");
    TExIniFile bin(nullptr);
    bin.SetBinaryMode(true);
    bin.SetPath(Path("b.bin"));
    EXPECT_NO_THROW(bin.Loaded());
    EXPECT_THROW(bin.Load(), EExIniError);
}

// ---------------------------------------------------------------- flat mode

TEST_F(ExIniTest, SimpleModeFlattensAndRestoresKeys)
{
    ini.WriteBool("\\a\\b", "flag", true);
    ini.WriteInteger("\\a", "n", 1);
    ini.SetSimple(true);
    EXPECT_TRUE(ini.KeyExists("\\a\\b"));
    EXPECT_EQ(ini.SubKeysCount("\\a"), 0);
    TStringList keys;
    ini.EnumSubKeys("\\", &keys);
    EXPECT_EQ(keys.CommaText(), "a,a\\b");
    // Booleans are kept in flat mode too, written as 0 and 1.
    EXPECT_TRUE(ini.WriteBool("\\c", "on", true));
    EXPECT_NE(Saved(ini).find("flag=1\r\n"), std::string::npos);
    ini.SetSimple(false);
    EXPECT_EQ(ini.SubKeysCount("\\a"), 1);
    bool b = false;
    EXPECT_TRUE(ini.ReadBool("\\a\\b", "flag", false, b));
    EXPECT_EQ(ini.GetValueType("\\a\\b", "flag"), evtBoolean);
}

TEST_F(ExIniTest, SimpleModeKeepsTheChangedFlag)
{
    EXPECT_FALSE(ini.Changed());
    ini.SetSimple(true);
    EXPECT_FALSE(ini.Changed());
    ini.WriteInteger("\\a", "n", 1);
    ini.SetSimple(false);
    EXPECT_TRUE(ini.Changed());
}

// Key names of flat mode may hold the delimiter anywhere, at the front too.
TEST_F(ExIniTest, FlatKeysComeBackThroughTheBinaryForm)
{
    ini.SetSimple(true);
    ini.SetBinaryMode(true);
    ini.WriteInteger("\\", "top", 1);
    ini.WriteInteger("\\\\", "v", 2);      // a key named "\"
    ini.WriteInteger("\\\\Win", "v", 3);   // a key named "\Win"
    TExIniFile back(nullptr);
    back.SetSimple(true);
    back.SetBinaryMode(true);
    LoadBytes(back, Saved(ini));
    StringsGuard keys;
    back.EnumSubKeys("\\", &keys.list);
    EXPECT_EQ(keys.Joined(), "\\|\\Win");
    Integer v = 0;
    EXPECT_TRUE(back.ReadInteger("\\", "top", 0, v) && v == 1);
    EXPECT_TRUE(back.ReadInteger("\\\\Win", "v", 0, v) && v == 3);
    EXPECT_EQ(back.ValuesCount("\\"), 1);
}

TEST_F(ExIniTest, FlatModeMovesKeysOnlyToTheRoot)
{
    ini.SetSimple(true);
    ini.WriteInteger("\\a", "n", 1);
    ini.WriteInteger("\\b", "m", 2);
    EXPECT_FALSE(ini.MoveEntry("\\a", "", "\\b"));
    EXPECT_FALSE(ini.MoveEntry("\\", "a", "\\b"));
    EXPECT_TRUE(ini.MoveEntry("\\a", "n", "\\b"));  // values move between keys
    EXPECT_TRUE(ini.ValueExists("\\b", "n"));
    EXPECT_EQ(ini.SubKeysCount("\\b"), 0);
}

// ---------------------------------------------------------------- registry mode

class ExIniRegistry : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::RegistryUseMemory();
        ini.SetUseRegistry(true);
    }
    // A value straight from the registry, below HKEY_CURRENT_USER.
    bool Raw(const std::string& key, const std::string& name, DWORD& type, std::vector<Byte>& data)
    {
        HKEY k = nullptr;
        if (RegOpenKeyEx(HKEY_CURRENT_USER, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
        const bool ok = RegQueryValueEx(k, name, &type, &data) == ERROR_SUCCESS;
        RegCloseKey(k);
        return ok;
    }
    TExIniFile ini{nullptr};
};

TEST(ExIniRegistryMode, LeavingItGivesTheDelimiterBack)
{
    platform::RegistryUseMemory();
    TExIniFile ini(nullptr);
    ini.SetDelimiter('/');
    ini.SetUseRegistry(true);
    EXPECT_EQ(ini.Delimiter(), '\\');
    ini.SetUseRegistry(false);
    EXPECT_EQ(ini.Delimiter(), '/');
}

// The registry's file is written when the store says so, not on every key that closes.
TEST_F(ExIniFiles, RegistryModeWritesTheFileOnlyWhenNotLazy)
{
    platform::RegistryUseFile(Path("registry"));
    {
        TExIniFile ini(nullptr);
        ini.SetUseRegistry(true);
        for (int i = 0; i < 5; ++i) ini.WriteInteger("\\Lazy", "v" + IntToStr(i), i);
        EXPECT_FALSE(std::filesystem::exists(Path("registry")));
        ini.SetLazyWrite(false);
        ini.WriteInteger("\\Eager", "v", 1);
        EXPECT_NE(Get("registry").find("Eager"), std::string::npos);
    }
    platform::RegistryUseMemory();
}

TEST_F(ExIniRegistry, SwitchingOnUsesTheSoftwareKey)
{
    EXPECT_EQ(ini.Path(), "\\SOFTWARE");
    EXPECT_EQ(ini.CurrentKey(), "\\");
    EXPECT_TRUE(ini.WriteInteger("\\Morvik\\Sub", "n", 7));
    DWORD type = 0;
    std::vector<Byte> data;
    ASSERT_TRUE(Raw("SOFTWARE\\Morvik\\Sub", "n", type, data));
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(data, (std::vector<Byte>{7, 0, 0, 0}));
    EXPECT_TRUE(ini.OpenKey("Morvik", false));
    EXPECT_EQ(ini.CurrentKey(), "\\Morvik");
    EXPECT_TRUE(ini.OpenKey("Sub\\", false));
    EXPECT_EQ(ini.CurrentKey(), "\\Morvik\\Sub");
    EXPECT_FALSE(ini.OpenKey("\\Nope", false));
    EXPECT_EQ(ini.CurrentKey(), "\\Morvik\\Sub");
}

TEST_F(ExIniRegistry, PathIsNormalisedAndMustOpen)
{
    ini.SetPath("Apps\\Morvik\\");
    EXPECT_EQ(ini.Path(), "\\Apps\\Morvik");
    ini.WriteString("", "s", "x");
    DWORD type = 0;
    std::vector<Byte> data;
    EXPECT_TRUE(Raw("Apps\\Morvik", "s", type, data));
    ini.SetPath("");
    EXPECT_EQ(ini.Path(), "\\");
    ini.SetPath("bad\\\\path");
    EXPECT_EQ(ini.Path(), "\\");
}

TEST_F(ExIniRegistry, RootChoice)
{
    EXPECT_EQ(ini.RegRoot(), rrtHKEY_CURRENT_USER);
    ini.SetRegRoot(rrtHKEY_LOCAL_MACHINE);
    EXPECT_EQ(ini.RegRoot(), rrtHKEY_LOCAL_MACHINE);
    ini.SetRegRoot(rrtUnknown);
    ini.SetRegRoot(static_cast<TRegRootType>(9));
    EXPECT_EQ(ini.RegRoot(), rrtHKEY_LOCAL_MACHINE);
    ini.WriteInteger("\\m", "v", 1);
    HKEY k = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\m", 0, KEY_READ, &k), ERROR_SUCCESS);
    RegCloseKey(k);
}

TEST_F(ExIniRegistry, OperationsThatTheRegistryCannotDoRaise)
{
    auto message = [](const std::function<void()>& f) {
        try {
            f();
        } catch (const EExIniError& e) {
            return e.Message();
        }
        return std::string("(nothing raised)");
    };
    EXPECT_EQ(message([&] { ini.SetDelimiter('/'); }), "Changing delimiter is not available when using registry.");
    EXPECT_EQ(message([&] { ini.Clear(); }), "Clearing the whole registry is not allowed. Use ClearKey instead.");
    EXPECT_EQ(message([&] { ini.CreateValue("k", "v"); }), "CreateValue method is not available when using registry.");
    EXPECT_EQ(message([&] { ini.GetValueEntry("k", "v"); }),
              "GetValueEntry method is not available when using registry.");
    EXPECT_EQ(message([&] { ini.MoveEntry("k", "v", "x"); }), "MoveEntry method is not available when using registry.");
    EXPECT_EQ(message([&] { ini.RenameKey("k", "x"); }), "Key can not be renamed when using registry.");
    EXPECT_EQ(message([&] { ini.SetValueType("k", "v", evtInt); }),
              "SetValueType method is not available when using registry.");
    EXPECT_NO_THROW(ini.SetDelimiter('\\'));
    EXPECT_FALSE(ini.Load());
    EXPECT_FALSE(ini.Save());
}

TEST_F(ExIniRegistry, DeletingAKeyLeavesASameNamedValueAlone)
{
    ini.WriteInteger("\\App", "Child", 1);
    ini.WriteInteger("\\App\\Child\\Deeper", "v", 2);
    ini.OpenKey("\\App\\Child\\Deeper", false);
    EXPECT_TRUE(ini.Delete("\\App\\Child", ""));
    EXPECT_FALSE(ini.KeyExists("\\App\\Child"));
    EXPECT_TRUE(ini.ValueExists("\\App", "Child"));
    EXPECT_EQ(ini.CurrentKey(), "\\App");
    EXPECT_FALSE(ini.Delete("\\", ""));
    EXPECT_FALSE(ini.Delete("\\App\\Child", ""));
    EXPECT_TRUE(ini.Delete("\\App", "Child"));
    EXPECT_FALSE(ini.ValueExists("\\App", "Child"));
}

TEST_F(ExIniRegistry, ClearKeyEnumerationsAndRenames)
{
    ini.WriteInteger("\\k", "v1", 1);
    ini.WriteInteger("\\k", "Shadow", 1);
    ini.WriteInteger("\\k\\Shadow", "x", 1);
    ini.WriteInteger("\\k\\b\\c", "x", 1);
    TStringList keys, values;
    EXPECT_TRUE(ini.EnumSubKeys("\\k", &keys));
    EXPECT_TRUE(ini.EnumValues("\\k", &values));
    EXPECT_EQ(keys.CommaText(), "Shadow,b");
    EXPECT_EQ(values.CommaText(), "v1");
    EXPECT_TRUE(ini.RenameValue("\\k", "v1", "v2"));
    EXPECT_FALSE(ini.RenameValue("\\k", "v2", "Shadow"));
    EXPECT_EQ(ini.GetValueType("\\k", "v2"), evtInt);
    EXPECT_EQ(ini.GetValueType("\\k\\b", ""), evtUnknown);
    EXPECT_FALSE(ini.ClearKey("\\"));
    EXPECT_TRUE(ini.ClearKey("\\k"));
    EXPECT_TRUE(ini.KeyExists("\\k"));
    EXPECT_EQ(ini.SubKeysCount("\\k") + ini.ValuesCount("\\k"), 0);
}

TEST_F(ExIniRegistry, DefaultValuesAndMultiStrings)
{
    EXPECT_TRUE(ini.WriteString("\\App", "", "Morvik"));
    std::string s;
    EXPECT_TRUE(ini.ReadString("\\App", "", "", s));
    EXPECT_EQ(s, "Morvik");
    TStringList items;
    items.Add("a");
    items.Add("");
    items.Add("c");
    EXPECT_TRUE(ini.WriteMultiString("\\App", "m", &items));
    StringsGuard g;
    EXPECT_TRUE(ini.ReadMultiString("\\App", "m", &g.list));
    EXPECT_TRUE(g.list.Equals(&items));
    DWORD type = 0;
    std::vector<Byte> data;
    ASSERT_TRUE(Raw("SOFTWARE\\App", "m", type, data));
    EXPECT_EQ(std::string(data.begin(), data.end()), std::string("a\0\0c\0\0", 6));
}

}  // namespace
