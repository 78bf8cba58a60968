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
#include "tests/platform/ScratchDir.h"

namespace {

std::string Bytes(TMemoryStream& m)
{
    return {m.Bytes().begin(), m.Bytes().end()};
}

std::string Saved(TExIniFile& ini)
{
    TMemoryStream m;
    ini.SaveToStream(&m);
    return Bytes(m);
}

void LoadBytes(TExIniFile& ini, const std::string& data)
{
    TReadOnlyMemoryStream s(data.data(), static_cast<Int64>(data.size()));
    ini.LoadFromStream(&s);
}

std::string I32(Integer v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[static_cast<size_t>(i)] = static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
    return s;
}

// Length-prefixed string of the binary form.
std::string LStr(const std::string& s)
{
    return I32(static_cast<Integer>(s.size())) + s;
}

std::string KeyRec(const std::string& path)
{
    return std::string(1, '\1') + LStr(path);
}

std::string ValRec(const std::string& name, Byte type, const std::string& data)
{
    return std::string(1, '\0') + LStr(name) + std::string(1, static_cast<char>(type)) +
           I32(static_cast<Integer>(data.size())) + data;
}

std::string DoubleBytes(double d)
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

// ---------------------------------------------------------------- StrFloat / ValFloat

TEST(ExIniFloat, StrFloatCopiesTheBits)
{
    EXPECT_EQ(StrFloat(0.0), "0.0");
    EXPECT_EQ(StrFloat(1.0), "0.1072693248");
    EXPECT_EQ(StrFloat(-2.0), "0.-1073741824");
    for (double d : {0.1, -1e300, 5e-324, std::numeric_limits<double>::infinity(), -0.0}) {
        double back = 7;
        Integer code = 1;
        ValFloat(StrFloat(d), back, code);
        EXPECT_EQ(code, 0);
        EXPECT_EQ(std::memcmp(&back, &d, 8), 0) << d;
    }
}

TEST(ExIniFloat, ValFloatReportsWhereItFails)
{
    struct Case {
        const char* Text;
        Integer Code;
    } cases[] = {{"5", -1}, {".5", 1}, {"5.", 2}, {"x.5", 1}, {"5.x", 3}, {"12.3a", 5},
                 {"99999999999.1", 10}, {"1.2.3", 4}, {"-.1", 2}, {"1.5", 0}};
    for (const auto& c : cases) {
        double v = 42;
        Integer code = 0;
        ValFloat(c.Text, v, code);
        EXPECT_EQ(code, c.Code) << c.Text;
        if (code != 0) {
            EXPECT_EQ(v, 42) << c.Text;
        }
    }
}

// ---------------------------------------------------------------- the text form

constexpr const char* Warning = ";Automatically generated file. DO NOT MODIFY!!!\r\n";
constexpr const char* Mark = ";Texts in double quotes hold %, \" and control characters as %HH.\r\n";

// A stream is read from where it stands, in both forms.
// A text in the double form only when it is the form's own writing of its two halves.
TEST_F(ExIniTest, OnlyTheExactDoubleFormLoadsAsADouble)
{
    LoadBytes(ini, "a=1.5\r\nb=1.05\r\nc=01.5\r\n");
    EXPECT_EQ(ini.GetValueType("\\", "a"), evtDouble);
    EXPECT_EQ(ini.GetValueType("\\", "b"), evtString);
    EXPECT_EQ(ini.GetValueType("\\", "c"), evtString);
}

TEST_F(ExIniTest, ValueExistsForValuesWithoutTypeAndForAKeysOwnValue)
{
    ASSERT_NE(ini.CreateValue("\\k", "fresh"), nullptr);
    EXPECT_TRUE(ini.ValueExists("\\k", "fresh"));
    EXPECT_FALSE(ini.ValueExists("\\k", ""));  // a key without a value of its own
    ini.WriteInteger("\\", "k", 3);             // now it has one
    EXPECT_TRUE(ini.ValueExists("\\k", ""));
}

TEST_F(ExIniTest, LoadFromStreamStartsAtTheStreamsPosition)
{
    for (const bool binary : {false, true}) {
        TExIniFile f(nullptr), back(nullptr);
        f.SetBinaryMode(binary);
        back.SetBinaryMode(binary);
        f.WriteInteger("\\k", "v", 7);
        const std::string data = "prefix" + Saved(f);
        TReadOnlyMemoryStream s(data.data(), static_cast<Int64>(data.size()));
        s.SetPosition(6);
        back.LoadFromStream(&s);
        Integer v = 0;
        EXPECT_TRUE(back.ReadInteger("\\k", "v", 0, v) && v == 7) << binary;
    }
}

TEST_F(ExIniTest, TextImageOfASmallStore)
{
    ini.WriteInteger("\\", "A", 1);
    ini.WriteBool("\\K", "B", true);
    EXPECT_EQ(Saved(ini), std::string(Warning) + "A=1\r\n\r\n[K]\r\nB=true\r\n");
}

TEST_F(ExIniTest, TextImageOfEveryType)
{
    TStringList lines;
    lines.Add("x");
    lines.Add("y;z");
    const Byte block[2] = {0x45, 0x4C};
    ini.WriteString("\\", "S", "plain text");
    ini.WriteString("\\", "Q", "a;b");
    ini.WriteMultiString("\\Colors", "L", &lines);
    ini.WriteBinary("\\Colors", "Bin", block, 2);
    ini.WriteDouble("\\Colors\\Dark", "D", 1.0);
    ini.WriteBool("\\Colors\\Dark", "F", false);
    ini.WriteInteger("\\Colors\\Dark", "N", -3);
    ini.WriteInteger("\\Other", "Z", 0);
    const std::string expected = std::string(Warning) + Mark +
                                 "S=plain text\r\n"
                                 "Q=\"a;b\"\r\n"
                                 "\r\n[Colors]\r\n"
                                 "L[0]=x\r\n"
                                 "L[1]=\"y;z\"\r\n"
                                 "Bin=454C 2 45 4C \r\n"
                                 "\r\n[Colors\\Dark]\r\n"
                                 "D=0.1072693248\r\n"
                                 "F=false\r\n"
                                 "N=-3\r\n"
                                 "\r\n[Other]\r\n"
                                 "Z=0\r\n";
    EXPECT_EQ(Saved(ini), expected);

    TExIniFile back(nullptr);
    LoadBytes(back, expected);
    EXPECT_EQ(Saved(back), expected);
    EXPECT_EQ(back.GetValueType("\\Colors\\Dark", "D"), evtDouble);
    EXPECT_EQ(back.GetValueType("\\Colors\\Dark", "F"), evtBoolean);
    EXPECT_EQ(back.GetValueType("\\Colors", "Bin"), evtBinary);
    std::string s;
    EXPECT_TRUE(back.ReadString("\\", "Q", "", s));
    EXPECT_EQ(s, "a;b");
}

TEST_F(ExIniTest, TextFormReadsFilesWrittenBefore)
{
    const std::string old = ";comment line\r\n"
                            "root=12\r\n"
                            "\r\n"
                            "[Sect]\r\n"
                            "zero=012\r\n"
                            "half=1.5\r\n"
                            "yes=TRUE\r\n"
                            "just text\r\n"
                            "L[0]=a\r\n"
                            "L[1]=b\r\n"
                            "mid=say \"hi\" there\r\n"
                            "cut=value ; a comment\r\n"
                            "quoted=\"x;y\"\r\n"
                            "w=\"quoted %41\"\r\n"
                            "[Sect\\Deep\r\n"
                            "v=1\r\n";
    LoadBytes(ini, old);
    EXPECT_EQ(ini.GetValueType("\\", "root"), evtInt);
    EXPECT_EQ(ini.GetValueType("\\Sect", "zero"), evtString);
    // A text in the double form still reads as a double.
    EXPECT_EQ(ini.GetValueType("\\Sect", "half"), evtDouble);
    bool b = false;
    EXPECT_TRUE(ini.ReadBool("\\Sect", "yes", false, b));
    EXPECT_TRUE(b);
    std::string s;
    EXPECT_TRUE(ini.ReadString("\\Sect", "#8", "", s));
    EXPECT_EQ(s, "just text");
    StringsGuard g;
    EXPECT_TRUE(ini.ReadMultiString("\\Sect", "L", &g.list));
    EXPECT_EQ(g.Joined(), "a|b");
    EXPECT_TRUE(ini.ReadString("\\Sect", "mid", "", s));
    EXPECT_EQ(s, "say \"hi\" there");
    EXPECT_TRUE(ini.ReadString("\\Sect", "cut", "", s));
    EXPECT_EQ(s, "value ");
    // Without the quoting mark, quotes are text and "%" is no escape.
    EXPECT_TRUE(ini.ReadString("\\Sect", "quoted", "", s));
    EXPECT_EQ(s, "\"x;y\"");
    EXPECT_TRUE(ini.ReadString("\\Sect", "w", "", s));
    EXPECT_EQ(s, "\"quoted %41\"");
    EXPECT_TRUE(ini.ValueExists("\\Sect\\Deep", "v"));
    // The nameless line goes back out as it came in.
    EXPECT_NE(Saved(ini).find("\r\njust text\r\n"), std::string::npos);
}

// Files without comment characters as the plain writer made them: a first line that reads like the
// quoting mark was a nameless text there, or (with "," between name and value) a value of its own,
// and quotes and "%" in the texts after it were text. Today's mark, a line the plain reader skips,
// makes none of that read otherwise, and a save of such a file reads back the same.
TEST_F(ExIniTest, FilesWithoutCommentCharactersWrittenBeforeReadAsTheyWere)
{
    const std::string sentence = "Texts in double quotes hold %, \" and control characters as %HH.";
    for (const char div : {'=', ','}) {
        const std::string d(1, div);
        const std::string old = sentence + "\r\np" + d + "\"50%25\"\r\ndir" + d + "\"C:%5Cdir\"\r\n";
        TExIniFile f(nullptr);
        f.SetComment("");
        f.SetDivChar(div);
        LoadBytes(f, old);
        std::string s;
        if (div == '=') {
            EXPECT_TRUE(f.ReadString("\\", "#1", "", s));
            EXPECT_EQ(s, sentence);
        } else {
            EXPECT_TRUE(f.ReadString("\\", "Texts in double quotes hold %", "", s));
            EXPECT_EQ(s, " \" and control characters as %HH.");
        }
        EXPECT_TRUE(f.ReadString("\\", "p", "", s)) << div;
        EXPECT_EQ(s, "\"50%25\"") << div;
        EXPECT_TRUE(f.ReadString("\\", "dir", "", s)) << div;
        EXPECT_EQ(s, "\"C:%5Cdir\"") << div;
        EXPECT_EQ(f.ValuesCount("\\"), 3) << div;

        // Saved today, the texts go in quotes behind the mark, which comes back as no value.
        f.WriteString("\\", "tab", "a\tb");
        const std::string saved = Saved(f);
        EXPECT_EQ(saved.substr(0, sentence.size() + 3), d + sentence + "\r\n") << saved;
        TExIniFile back(nullptr);
        back.SetComment("");
        back.SetDivChar(div);
        LoadBytes(back, saved);
        EXPECT_EQ(back.ValuesCount("\\"), 4) << saved;
        EXPECT_TRUE(back.ReadString("\\", "dir", "", s));
        EXPECT_EQ(s, "\"C:%5Cdir\"");
        EXPECT_TRUE(back.ReadString("\\", "tab", "", s));
        EXPECT_EQ(s, "a\tb");
        EXPECT_EQ(Saved(back), saved);
    }
}

// A file as the plain writer made it: texts unquoted, every value type, then the same values after
// they have been saved in today's form and read back.
TEST_F(ExIniTest, EveryTypeOfAnOldFileSurvivesASaveInTodaysForm)
{
    const std::string old = ";Automatically generated file. DO NOT MODIFY!!!\r\n"
                            "flag=true\r\n"
                            "off=FALSE\r\n"
                            "low=-2147483648\r\n"
                            "high=2147483647\r\n"
                            "words=plain words here\r\n"
                            "path=C:\\Program Files\\x.ini\r\n"
                            "pct=100% sure %41\r\n"
                            "eq=a=b\r\n"
                            "inner=say \"hi\" now\r\n"
                            "accents=\xE9t\xE9 \xFF\r\n"
                            "blank=\r\n"
                            "block=454C 3 01 02 FF \r\n"
                            "none=454C 0 \r\n"
                            "one=0.1072693248\r\n"
                            "minus=0.-1073479680\r\n"
                            "L[0]=first=1\r\n"
                            "L[1]=\r\n"
                            "L[2]=50%\r\n"
                            "free standing line\r\n"
                            "\r\n"
                            "[Flat]\r\n"
                            "B=1\r\n"
                            "whole=\"quoted\"\r\n";
    LoadBytes(ini, old);
    TExIniFile back(nullptr);
    LoadBytes(back, Saved(ini));
    for (TExIniFile* f : {&ini, &back}) {
        const char* which = f == &ini ? "old" : "resaved";
        bool b = false;
        EXPECT_TRUE(f->ReadBool("\\", "flag", false, b) && b) << which;
        EXPECT_TRUE(f->ReadBool("\\", "off", true, b) && !b) << which;
        Integer v = 0;
        EXPECT_TRUE(f->ReadInteger("\\", "low", 0, v)) << which;
        EXPECT_EQ(v, std::numeric_limits<Integer>::min()) << which;
        EXPECT_TRUE(f->ReadInteger("\\", "high", 0, v)) << which;
        EXPECT_EQ(v, std::numeric_limits<Integer>::max()) << which;
        const std::pair<const char*, const char*> texts[] = {
            {"words", "plain words here"}, {"path", "C:\\Program Files\\x.ini"}, {"pct", "100% sure %41"},
            {"eq", "a=b"}, {"inner", "say \"hi\" now"}, {"accents", "\xE9t\xE9 \xFF"}, {"blank", ""}};
        for (const auto& [name, text] : texts) {
            std::string s;
            EXPECT_TRUE(f->ReadString("\\", name, "?", s)) << which << " " << name;
            EXPECT_EQ(s, text) << which << " " << name;
            EXPECT_EQ(f->GetValueType("\\", name), evtString) << which << " " << name;
        }
        Byte block[3] = {};
        Integer size = 3;
        EXPECT_TRUE(f->ReadBinary("\\", "block", block, size)) << which;
        EXPECT_EQ(std::string(reinterpret_cast<char*>(block), 3), "\x01\x02\xFF") << which;
        size = 0;
        EXPECT_TRUE(f->ReadBinary("\\", "none", nullptr, size)) << which;
        double d = 0;
        EXPECT_TRUE(f->ReadDouble("\\", "one", 0, d)) << which;
        EXPECT_EQ(d, 1.0) << which;
        EXPECT_TRUE(f->ReadDouble("\\", "minus", 0, d)) << which;
        EXPECT_EQ(d, -2.5) << which;
        StringsGuard g;
        EXPECT_TRUE(f->ReadMultiString("\\", "L", &g.list)) << which;
        EXPECT_EQ(g.Joined(), "first=1||50%") << which;
        // Booleans of the flat form come back as numbers, which read as booleans too.
        EXPECT_TRUE(f->ReadBool("\\Flat", "B", false, b) && b) << which;
        // Quotes around a whole text in an old file are part of the text.
        std::string s;
        EXPECT_TRUE(f->ReadString("\\Flat", "whole", "", s)) << which;
        EXPECT_EQ(s, "\"quoted\"") << which;
    }
    std::string s;
    EXPECT_TRUE(ini.ReadString("\\", "#20", "", s));
    EXPECT_EQ(s, "free standing line");
    // The quoting mark moves the nameless line down, under a new name, still standing alone.
    EXPECT_NE(Saved(back).find("\r\nfree standing line\r\n"), std::string::npos);
    EXPECT_EQ(Saved(back), Saved(ini));
}

// Texts of a quoting file, and typing of plain texts, as a file gives them.
TEST_F(ExIniTest, QuotingFilesAndPlainTypes)
{
    LoadBytes(ini, std::string(Mark) + "p=\"50% of %41%2\"\r\nt=True\r\nn=-3\r\n\"a%3Db\"=1\r\ne=\"\"\r\nh=\"%3d%7E%g1%%41\"\r\n");
    std::string s;
    EXPECT_TRUE(ini.ReadString("\\", "p", "", s));
    EXPECT_EQ(s, "50% of A%2");  // a "%" that starts no escape stays
    EXPECT_TRUE(ini.ReadString("\\", "e", "?", s));
    EXPECT_EQ(s, "");  // two quotes hold an empty text
    EXPECT_TRUE(ini.ReadString("\\", "h", "", s));
    EXPECT_EQ(s, "=~%g1%A");  // hex digits in either case; anything else after "%" stays as it is
    bool b = false;
    EXPECT_TRUE(ini.ReadBool("\\", "t", false, b) && b);
    EXPECT_TRUE(ini.ReadBool("\\", "n", false, b) && b);  // any integer but 0 is true
    Integer v = 0;
    EXPECT_TRUE(ini.ReadInteger("\\", "a=b", 0, v) && v == 1);
}

TEST_F(ExIniTest, ParseLineHonoursQuotesAndComments)
{
    std::string n, v;
    bool div = false;
    ini.ParseLine("a\"=b\"=c;d", n, v, div);
    EXPECT_EQ(n, "a\"=b\"");
    EXPECT_EQ(v, "c");
    EXPECT_TRUE(div);
    ini.ParseLine("no divider ; here=1", n, v, div);
    EXPECT_EQ(n, "no divider ");
    EXPECT_FALSE(div);
    ini.SetComment("//");
    ini.ParseLine("k = a;b // c", n, v, div);
    EXPECT_EQ(n, "k ");
    EXPECT_EQ(v, " a;b ");
}

// Texts that the plain form would cut, split or retype.
const char* const Hostile[] = {
    "",       ";",           "a;b",         "=",       "a=b",          "\"",      "\"quoted\"", "x\r\ny",
    "\n",     "\r",          "tab\there",   "\xE9\xFF\x80", " lead",  "trail ",       "true",    "FALSE",
    "12",     "-5",          "1.5",         "0.1072693248", "454C 1 41 ", "454C junk", "[section]", "#hash",
    "%41",    "%",           "a%22b",       "L[0]",    "]",            "\\",      "x=1;y",      "\x01\x02\x1F",
    "  ",     "\"a\"b\"",
};

// The text form with and without comment characters, and the binary form.
enum class TForm { Text, TextWithoutComments, Binary };

class HostileStrings : public ::testing::TestWithParam<TForm> {
protected:
    void SetUp() override { platform::RegistryUseMemory(); }
    void Configure(TExIniFile& Ini) const
    {
        Ini.SetBinaryMode(GetParam() == TForm::Binary);
        if (GetParam() == TForm::TextWithoutComments) Ini.SetComment("");
    }
};

TEST_P(HostileStrings, ValuesNamesAndLinesReadBackEqual)
{
    TExIniFile ini(nullptr);
    Configure(ini);
    TStringList items;
    int n = 0;
    for (const char* h : Hostile) {
        ini.WriteString("\\k", "v" + IntToStr(n), h);
        items.Add(h);
        ++n;
    }
    ini.WriteMultiString("\\k", "lines", &items);
    ini.WriteBinary("\\k", "empty block", nullptr, 0);
    const std::vector<std::string> names = {"a=b", "semi;colon", "[bracket", "tail]", "x[0]", "q\"uote", "\xE9t\xE9",
                                            "[",   "\r\tTRUE",  "\"",        "#7",    "a\nb"};
    for (const auto& name : names) ini.WriteInteger("\\k", name, 7);
    const std::vector<std::string> keys = {"line\r\nbreak", "\"quoted\"", "semi;colon", "tail]", "%41", "lf\nonly"};
    for (const auto& key : keys) ini.WriteInteger("\\keys\\" + key, "v", 1);

    TExIniFile back(nullptr);
    Configure(back);
    LoadBytes(back, Saved(ini));
    n = 0;
    for (const char* h : Hostile) {
        std::string s;
        EXPECT_TRUE(back.ReadString("\\k", "v" + IntToStr(n), "?", s)) << n;
        EXPECT_EQ(s, h) << n;
        EXPECT_EQ(back.GetValueType("\\k", "v" + IntToStr(n)), evtString) << n;
        ++n;
    }
    StringsGuard g;
    EXPECT_TRUE(back.ReadMultiString("\\k", "lines", &g.list));
    EXPECT_TRUE(g.list.Equals(&items));
    Integer size = 5;
    EXPECT_TRUE(back.ReadBinary("\\k", "empty block", nullptr, size));
    EXPECT_EQ(size, 0);
    for (const auto& name : names) {
        Integer v = 0;
        EXPECT_TRUE(back.ReadInteger("\\k", name, 0, v)) << name;
    }
    TStringList keysBack;
    back.EnumSubKeys("\\keys", &keysBack);
    ASSERT_EQ(keysBack.Count(), static_cast<int>(keys.size()));
    for (size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(keysBack[static_cast<int>(i)], keys[i]);
        EXPECT_TRUE(back.ValueExists("\\keys\\" + keys[i], "v")) << keys[i];
    }
    EXPECT_EQ(Saved(back), Saved(ini));
}

INSTANTIATE_TEST_SUITE_P(Forms, HostileStrings, ::testing::Values(TForm::Text, TForm::TextWithoutComments, TForm::Binary),
                         [](const auto& info) {
                             return std::string(info.param == TForm::Binary ? "Binary"
                                                : info.param == TForm::Text ? "Text"
                                                                            : "TextWithoutComments");
                         });

TEST_F(ExIniTest, NamelessValuesStayNamelessOnlyWhenTheyCan)
{
    ini.WriteString("\\", "#1", "free text");
    ini.WriteString("\\", "#4", "has=divider");
    ini.WriteInteger("\\", "#5", 5);
    ini.WriteString("\\", "#9", "far");
    ini.WriteString("\\", "#6ock", "not a line number");
    const std::string text = Saved(ini);
    // Line 2 is free: the text stands alone there and comes back as "#2"; line 5 is "#5"'s.
    EXPECT_EQ(text, std::string(Warning) + "free text\r\n#4=has=divider\r\n#5=5\r\n#9=far\r\n#6ock=not a line number\r\n");
    TExIniFile back(nullptr);
    LoadBytes(back, text);
    std::string s;
    EXPECT_TRUE(back.ReadString("\\", "#2", "", s));
    EXPECT_EQ(s, "free text");
    EXPECT_TRUE(back.ReadString("\\", "#4", "", s));
    EXPECT_EQ(s, "has=divider");
    Integer v = 0;
    EXPECT_TRUE(back.ReadInteger("\\", "#5", 0, v));
    EXPECT_EQ(v, 5);

    // Texts that would not come back as a line of their own keep their names: nothing, a section,
    // a control character, a comment's start.
    TExIniFile other(nullptr);
    other.WriteString("\\", "#20", "");
    other.WriteString("\\", "#21", "[section]");
    other.WriteString("\\", "#22", "tab\there");
    other.WriteString("\\", "#23", "a;b");
    EXPECT_EQ(Saved(other),
              std::string(Warning) + std::string(Mark) + "#20=\r\n#21=[section]\r\n#22=\"tab%09here\"\r\n#23=\"a;b\"\r\n");
}

// Files whose nameless lines would, through a save, take names that other entries hold.
TEST_F(ExIniTest, NamelessLinesNeverTakeANameInUseThroughASave)
{
    const std::pair<std::string, int> files[] = {
        {"first line\r\na\tb\r\n", 2},             // the warning moves line 1 onto "#2"
        {"x\r\n\r\n[#2]\r\nv=1\r\n", 2},            // a key of that name
        {std::string("x\r\n\0\0#3=y\r\n", 11), 2},  // a name that matches once its blanks go
    };
    for (const char* comment : {";", ""})
        for (const auto& [file, count] : files) {
            TExIniFile first(nullptr), second(nullptr);
            first.SetComment(comment);
            second.SetComment(comment);
            LoadBytes(first, file);
            LoadBytes(second, Saved(first));
            EXPECT_EQ(second.ValuesCount("\\") + second.SubKeysCount("\\"), count) << Saved(first);
            EXPECT_EQ(Saved(second), Saved(first));
        }
    // What was just read, saved, read and saved again gives the same bytes: here a nameless line
    // that a lone CR split off could not stand alone at first (its line's name was another's).
    for (const char* comment : {";", ""}) {
        std::string first, second;
        {
            TExIniFile a(nullptr);
            a.SetComment(comment);
            LoadBytes(a, "a=1\r[K]\rx\rt.\r#4=zz\rb=aa\n\r");
            first = Saved(a);
        }
        TExIniFile b(nullptr);
        b.SetComment(comment);
        LoadBytes(b, first);
        second = Saved(b);
        EXPECT_EQ(second, first) << "comment '" << comment << "'";
        EXPECT_EQ(b.ValuesCount("\\K"), 3) << first;  // "x", "zz" (which took "t."'s name) and b
    }
    // Without comment characters a nameless first line that reads like the quoting mark stays a text.
    TExIniFile plain(nullptr), back(nullptr);
    plain.SetComment("");
    back.SetComment("");
    plain.WriteString("\\", "#1", "Texts in double quotes hold %, \" and control characters as %HH.");
    plain.WriteInteger("\\", "q", 1);
    LoadBytes(back, Saved(plain));
    EXPECT_EQ(back.ValuesCount("\\"), 2) << Saved(plain);
    EXPECT_EQ(Saved(back), Saved(plain));
}

TEST_F(ExIniTest, AListWithoutLinesComesBackEmpty)
{
    TStringList none;
    ini.WriteMultiString("\\", "L", &none);
    ini.WriteString("\\", "after", "x");
    TExIniFile back(nullptr);
    LoadBytes(back, Saved(ini));
    StringsGuard g;
    g.list.Add("untouched");
    EXPECT_TRUE(back.ReadMultiString("\\", "L", &g.list));
    EXPECT_EQ(g.list.Count(), 0);
    EXPECT_EQ(Saved(back), Saved(ini));
}

// A key that holds a value of its own is made where its value line stands; it keeps its place
// among the keys all the same, in both forms.
TEST_F(ExIniTest, AKeyHoldingAValueKeepsItsPlaceAmongTheKeys)
{
    for (const bool binary : {false, true}) {
        TExIniFile f(nullptr), back(nullptr);
        f.SetBinaryMode(binary);
        back.SetBinaryMode(binary);
        f.WriteInteger("\\", "v1", 1);
        f.WriteInteger("\\A", "a", 1);
        f.WriteInteger("\\", "B", 2);
        f.WriteInteger("\\B", "b", 1);  // the value B becomes a key too
        f.WriteInteger("\\", "v2", 3);
        LoadBytes(back, Saved(f));
        StringsGuard keys, values;
        back.EnumSubKeys("\\", &keys.list);
        back.EnumValues("\\", &values.list);
        EXPECT_EQ(keys.Joined(), "A|B") << binary;
        EXPECT_EQ(values.Joined(), binary ? "v1|B|v2" : "v1|v2|B") << binary;
        Integer v = 0;
        EXPECT_TRUE(back.ReadInteger("\\", "B", 0, v) && v == 2) << binary;
        EXPECT_TRUE(back.ReadInteger("\\B", "b", 0, v) && v == 1) << binary;
    }
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
