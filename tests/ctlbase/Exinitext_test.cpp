// The settings store's text form: images of stores, files of earlier forms, quoting, nameless
// lines, hostile texts; and the text form of doubles.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "ctlbase/Exini.h"
#include "ctlbase/Exstrutils.h"
#include "tests/ctlbase/ExiniTest.h"

namespace {

using namespace exinitest;

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

// Every entry of a store in order, with its type and value.
std::string Listing(const TExIniEntry* Key, const std::string& Indent = "")
{
    std::string out;
    for (Integer i = 0; i < Key->GetSubCount(); ++i) {
        const TExIniEntry* e = Key->Child(i);
        out += Indent + (e->IsKey ? "[" : "") + e->Name() + " " + IntToStr(e->ValueType) + ":";
        switch (e->ValueType) {
        case evtBoolean: out += e->BoolValue ? "1" : "0"; break;
        case evtInt: out += IntToStr(e->IntValue); break;
        case evtString: out += e->StrValue; break;
        case evtMultiString:
            for (int j = 0; e->MultiValue && j < e->MultiValue->Count(); ++j) out += "<" + e->MultiValue->Get(j) + ">";
            break;
        case evtBinary: out += Data2Str(e->BinValue.data(), static_cast<Integer>(e->BinValue.size())); break;
        case evtDouble: out += StrFloat(e->DoubleValue); break;
        default: break;
        }
        out += "\n";
        if (e->IsKey) out += Listing(e, Indent + " ");
    }
    return out;
}

// One store as every earlier form of the writer saved it, for every option that changes what goes
// in quotes or how a file says so: comment characters ";", "#" or none, ten dividers, flat mode, the
// warning, two delimiters. With comment characters every form marks quoting with a comment line;
// without them the form before today's put the sentence alone on the first line, today's puts it
// behind the divider. In the bodies {d} stands for the divider and {D} for the delimiter.
const std::string Sentence = "Texts in double quotes hold %, \" and control characters as %HH.";
const char* const QuotingBody = "freetext\r\n"
                                "tab{d}\"a%09b\"\r\n"
                                "num{d}\"12\"\r\n"
                                "quote{d}\"say %22hi%22\"\r\n"
                                "\"n{d}m\"{d}plain\r\n"
                                "L[0]{d}one\r\n"
                                "L[1]{d}\"two%0D%0Alines\"\r\n"
                                "E[]{d}\r\n"
                                "bin{d}454C 2 01 FF \r\n"
                                "dbl{d}0.1072693248\r\n"
                                "int{d}-3\r\n"
                                "\r\n[K]\r\nv{d}x\r\n"
                                "\r\n[K{D}Sub]\r\nw{d}deep\r\n"
                                "\r\n[\"Line%0D%0ABreak\"]\r\nv{d}2\r\n";
const char* const PlainBody = "freetext\r\n"
                              "plain{d}some text\r\n"
                              "L[0]{d}one\r\n"
                              "L[1]{d}two\r\n"
                              "int{d}-3\r\n"
                              "\r\n[K]\r\nv{d}x\r\n"
                              "\r\n[K{D}Sub]\r\nw{d}deep\r\n";

// The store those files were saved from; the nameless line stands first after Header lines.
void EarlierStore(TExIniFile& F, char d, char D, bool Quoting, int Header)
{
    const std::string r(1, D);
    F.WriteString(r, "#" + IntToStr(Header + 1), "freetext");
    TStringList l;
    l.Add("one");
    if (Quoting) {
        F.WriteString(r, "tab", "a\tb");
        F.WriteString(r, "num", "12");
        F.WriteString(r, "quote", "say \"hi\"");
        F.WriteString(r, std::string("n") + d + "m", "plain");
        l.Add("two\r\nlines");
        F.WriteMultiString(r, "L", &l);
        TStringList none;
        F.WriteMultiString(r, "E", &none);
        const Byte b[2] = {1, 0xFF};
        F.WriteBinary(r, "bin", b, 2);
        F.WriteDouble(r, "dbl", 1.0);
    } else {
        F.WriteString(r, "plain", "some text");
        l.Add("two");
        F.WriteMultiString(r, "L", &l);
    }
    F.WriteInteger(r, "int", -3);
    F.WriteString(r + "K", "v", "x");
    F.WriteString(r + "K" + r + "Sub", "w", "deep");
    if (Quoting) F.WriteInteger(r + "Line\r\nBreak", "v", 2);
}

TEST(ExIniEarlierForms, FilesOfEveryFormReadAsTheyWereWritten)
{
    platform::RegistryUseMemory();
    const auto expand = [](std::string T, char d, char D) {
        for (size_t p; (p = T.find("{d}")) != std::string::npos;) T.replace(p, 3, 1, d);
        for (size_t p; (p = T.find("{D}")) != std::string::npos;) T.replace(p, 3, 1, D);
        return T;
    };
    struct Options {
        std::string Comment;
        char Div, Delim;
        bool Flat, Warning;
    };
    std::vector<Options> all;
    for (const std::string comment : {";", "#", ""})
        for (const char d : std::string("=:, |~-./!"))
            for (const char D : {'\\', '/'})
                for (const int flags : {0, 1, 2, 3}) all.push_back({comment, d, D, (flags & 1) != 0, (flags & 2) != 0});
    struct Row {
        const char* Form;
        std::string Header;
        bool Quoting;
        bool Today;  // today's writer gives these bytes
    };
    for (const Options& o : all) {
        const auto configure = [&](TExIniFile& F) {
            F.SetComment(o.Comment);
            F.SetDivChar(o.Div);
            F.SetDelimiter(o.Delim);
            if (!o.Warning) F.SetWarningMessage("");
            F.SetSimple(o.Flat);
        };
        const std::string label = "comment '" + o.Comment + "', divider '" + o.Div + "', delimiter '" + o.Delim +
                                  "', flat " + (o.Flat ? "on" : "off") + ", warning " + (o.Warning ? "on" : "off");
        const std::string warn =
            o.Comment.empty() || !o.Warning ? "" : o.Comment + "Automatically generated file. DO NOT MODIFY!!!\r\n";
        std::vector<Row> rows = {{"nothing quoted", warn, false, true}};
        if (!o.Comment.empty()) {
            rows.push_back({"mark as a comment", warn + o.Comment + Sentence + "\r\n", true, true});
        } else {
            rows.push_back({"the sentence alone", Sentence + "\r\n", true, false});
            rows.push_back({"the sentence behind the divider", o.Div + Sentence + "\r\n", true, true});
        }
        for (const Row& row : rows) {
            const std::string file = row.Header + expand(row.Quoting ? QuotingBody : PlainBody, o.Div, o.Delim);
            const auto header = static_cast<int>(std::count(row.Header.begin(), row.Header.end(), '\n'));
            TExIniFile written(nullptr), read(nullptr);
            configure(written);
            configure(read);
            EarlierStore(written, o.Div, o.Delim, row.Quoting, header);
            LoadBytes(read, file);
            ASSERT_EQ(Listing(read.Root()), Listing(written.Root())) << row.Form << ", " << label << "\n" << file;
            // Saved again, nothing of that form is lost.
            EXPECT_EQ(Saved(read), Saved(written)) << row.Form << ", " << label;
            if (row.Today) {
                EXPECT_EQ(Saved(written), file) << row.Form << ", " << label;
            }
        }
        // Without a mark quotes and "%" are text, as they always were.
        TExIniFile plain(nullptr);
        configure(plain);
        LoadBytes(plain, expand(QuotingBody, o.Div, o.Delim));
        std::string s;
        EXPECT_TRUE(plain.ReadString(std::string(1, o.Delim), "tab", "", s)) << label;
        EXPECT_EQ(s, "\"a%09b\"") << label;
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

const std::vector<std::string> HostileNames = {"a=b", "semi;colon", "[bracket", "tail]", "x[0]", "q\"uote", "\xE9t\xE9",
                                               "[",   "\r\tTRUE",  "\"",        "#7",    "a\nb"};
const std::vector<std::string> HostileKeys = {"line\r\nbreak", "\"quoted\"", "semi;colon", "tail]", "%41", "lf\nonly"};

// Every hostile text as a value and as a line of one list, hostile names and hostile keys.
void WriteHostile(TExIniFile& Ini, TStringList& Items)
{
    int n = 0;
    for (const char* h : Hostile) {
        Ini.WriteString("\\k", "v" + IntToStr(n), h);
        Items.Add(h);
        ++n;
    }
    Ini.WriteMultiString("\\k", "lines", &Items);
    Ini.WriteBinary("\\k", "empty block", nullptr, 0);
    for (const auto& name : HostileNames) Ini.WriteInteger("\\k", name, 7);
    for (const auto& key : HostileKeys) Ini.WriteInteger("\\keys\\" + key, "v", 1);
}

TEST_P(HostileStrings, ValuesNamesAndLinesReadBackEqual)
{
    TExIniFile ini(nullptr);
    Configure(ini);
    TStringList items;
    WriteHostile(ini, items);
    const std::vector<std::string>& names = HostileNames;
    const std::vector<std::string>& keys = HostileKeys;

    TExIniFile back(nullptr);
    Configure(back);
    LoadBytes(back, Saved(ini));
    int n = 0;
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

// A divider either carries every hostile text, name and key, lists of many lines, an empty list and
// names holding the divider itself through the text form, or is refused when it is set, as are
// comment characters that would cut the form's own lines. Refused values leave the old ones.
TEST(ExIniDividers, EachCarriesTheHostileStoreOrIsRefused)
{
    platform::RegistryUseMemory();
    const std::string mustRefuse = std::string("[]\"\r\n0123456789", 15);
    for (const std::string comment : {";", "#", "", "//"}) {
        for (int code = 0; code < 256; ++code) {
            const char d = static_cast<char>(code);
            TExIniFile ini(nullptr), back(nullptr);
            ini.SetComment(comment);
            back.SetComment(comment);
            try {
                ini.SetDivChar(d);
            } catch (const EExIniError& e) {
                EXPECT_TRUE(mustRefuse.find(d) != std::string::npos || comment.find(d) != std::string::npos) << code;
                EXPECT_EQ(ini.DivChar(), '=');
                EXPECT_NE(std::string(e.Message()).find("divider"), std::string::npos);
                continue;
            }
            EXPECT_EQ(mustRefuse.find(d), std::string::npos) << code;
            EXPECT_EQ(comment.find(d), std::string::npos) << code;
            back.SetDivChar(d);
            TStringList items, none;
            WriteHostile(ini, items);
            ini.WriteMultiString("\\k", "none", &none);
            ini.WriteInteger("\\k", std::string("n") + d + "m", 1);
            ini.WriteInteger("\\k", std::string(1, d), 2);
            ini.WriteInteger("\\keys\\" + std::string(2, d), "v", 3);
            const std::string saved = Saved(ini);
            LoadBytes(back, saved);
            ASSERT_EQ(Listing(back.Root()), Listing(ini.Root())) << "comment '" << comment << "' divider " << code;
            EXPECT_EQ(Saved(back), saved) << code;
        }
    }
    TExIniFile ini(nullptr);
    ini.SetDivChar(':');
    for (const char* comment : {"[", "a\"", "\n", "1", "x:"}) {
        EXPECT_THROW(ini.SetComment(comment), EExIniError) << comment;
        EXPECT_EQ(ini.Comment(), ";");
    }
    // Read from a form, the pair is checked once both are set.
    ini.SetState(csLoading, true);
    ini.SetComment("=");
    ini.SetDivChar('=');
    EXPECT_THROW(ini.Loaded(), EExIniError);
    ini.SetState(csLoading, true);
    ini.SetDivChar(':');
    ini.Loaded();
    EXPECT_EQ(ini.Comment(), "=");
}

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
        f.WriteInteger("\\", "A", 4);  // the first key holds a value too
        f.WriteInteger("\\", "B", 2);
        f.WriteInteger("\\B", "b", 1);  // the value B becomes a key too
        f.WriteInteger("\\", "v2", 3);
        LoadBytes(back, Saved(f));
        StringsGuard keys, values;
        back.EnumSubKeys("\\", &keys.list);
        back.EnumValues("\\", &values.list);
        EXPECT_EQ(keys.Joined(), "A|B") << binary;
        EXPECT_EQ(values.Joined(), binary ? "v1|A|B|v2" : "v1|A|v2|B") << binary;
        Integer v = 0;
        EXPECT_TRUE(back.ReadInteger("\\", "A", 0, v) && v == 4) << binary;
        EXPECT_TRUE(back.ReadInteger("\\", "B", 0, v) && v == 2) << binary;
        EXPECT_TRUE(back.ReadInteger("\\B", "b", 0, v) && v == 1) << binary;
    }
}

}  // namespace
