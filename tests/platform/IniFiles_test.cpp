#include "platform/IniFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>

#include "platform/FileUtils.h"
#include "tests/platform/ScratchDir.h"

namespace {

class IniFile : public ScratchDir {
protected:
    std::string Name() const { return Path("test.ini"); }
};

TEST_F(IniFile, MissingFileGivesEveryDefaultAndCreatesNothing)
{
    TIniFile ini(Name());
    EXPECT_EQ(ini.ReadString("RTTY", "OnTop", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadInteger("RTTY", "UTCoffset", -1), -1);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("RTTY", "SamplingFreq", 11025.0), 11025.0);
    EXPECT_TRUE(ini.ReadBool("RTTY", "x", true));
    EXPECT_FALSE(ini.SectionExists("RTTY"));
    EXPECT_FALSE(ini.ValueExists("RTTY", "OnTop"));
    TStringList l;
    l.Add("stale");
    ini.ReadSection("RTTY", &l);
    EXPECT_EQ(l.Count(), 0);
    ini.EraseSection("RTTY");
    ini.DeleteKey("RTTY", "OnTop");
    EXPECT_FALSE(FileExists(Name()));
}

struct OddFile {
    const char* what;
    std::string bytes;
    const char* section;
    const char* key;
    std::string expected;  // "<none>" when the default must come back
};

void PrintTo(const OddFile& c, std::ostream* os)
{
    *os << c.what;
}

class IniOddFiles : public IniFile, public ::testing::WithParamInterface<OddFile> {};

TEST_P(IniOddFiles, ReadsWhatIsThereAndNothingElse)
{
    const OddFile& c = GetParam();
    Put("test.ini", c.bytes);
    TIniFile ini(Name());
    EXPECT_EQ(ini.ReadString(c.section, c.key, "<none>"), c.expected) << c.what;
}

const std::string longValue(200000, 'x');

INSTANTIATE_TEST_SUITE_P(
    Table, IniOddFiles,
    ::testing::Values(
        OddFile{"CR LF", "[A]\r\nk=1\r\nm=2\r\n", "A", "m", "2"},
        OddFile{"LF", "[A]\nk=1\nm=2\n", "A", "m", "2"},
        OddFile{"CR alone", "[A]\rk=1\rm=2", "A", "m", "2"},
        OddFile{"no final break", "[A]\r\nk=last", "A", "k", "last"},
        OddFile{"blank and comment lines", "\r\n; note\r\n[A]\r\n\r\n;k=commented\r\n  ; k=2\r\nk=3\r\n", "A",
                "k", "3"},
        OddFile{"a comment is not a key", "[A]\r\n;k=1\r\n", "A", ";k", "<none>"},
        OddFile{"line without equals", "[A]\r\njust words\r\nk=1\r\n", "A", "just words", "<none>"},
        OddFile{"line without equals then key", "[A]\r\njust words\r\nk=1\r\n", "A", "k", "1"},
        OddFile{"key before any section", "k=0\r\n[A]\r\nk=1\r\n", "A", "k", "1"},
        OddFile{"key before any section is nowhere", "z=0\r\n[A]\r\nk=1\r\n", "A", "z", "<none>"},
        OddFile{"key of another section", "[A]\r\nk=1\r\n[B]\r\nj=2\r\n", "A", "j", "<none>"},
        OddFile{"very long line", "[A]\r\nk=" + longValue + "\r\n", "A", "k", longValue},
        OddFile{"bytes that are not text", std::string("\x00\xff\xfe[\x01=\x02\r\n\x7f\x80", 12) + "\n[A]\nk=ok\n",
                "A", "k", "ok"},
        OddFile{"names in any case", "[rtty]\r\nONTOP=1\r\n", "RTTY", "OnTop", "1"},
        OddFile{"blanks around names and value", "  [ A ]  \r\n  k  =  v w  \r\n", "A", "k", "v w"},
        OddFile{"surrounding double quotes", "[A]\r\nf=\"MS Sans Serif\"\r\n", "A", "f", "MS Sans Serif"},
        OddFile{"surrounding single quotes", "[A]\r\nf='x y'\r\n", "A", "f", "x y"},
        OddFile{"inner quotes stay", "[A]\r\nf=\"a \"b\" c\"\r\n", "A", "f", "a \"b\" c"},
        OddFile{"unmatched quote stays", "[A]\r\nf=\"abc\r\n", "A", "f", "\"abc"},
        OddFile{"mixed quotes stay", "[A]\r\nf=\"abc'\r\n", "A", "f", "\"abc'"},
        OddFile{"lone quote stays", "[A]\r\nf=\"\r\n", "A", "f", "\""},
        OddFile{"equals inside the value", "[A]\r\nk=a=b\r\n", "A", "k", "a=b"},
        OddFile{"semicolon inside the value", "[A]\r\nk=a;b\r\n", "A", "k", "a;b"},
        OddFile{"empty value", "[A]\r\nk=\r\n", "A", "k", ""},
        OddFile{"first of two equal keys", "[A]\r\nk=1\r\nK=2\r\n", "A", "k", "1"},
        OddFile{"section that appears twice", "[A]\r\nk=1\r\n[B]\r\n[a]\r\nj=2\r\n", "A", "j", "2"},
        OddFile{"header without bracket", "[A\r\nk=1\r\n", "A", "k", "1"},
        OddFile{"text after the header", "[A] ; remark\r\nk=1\r\n", "A", "k", "1"},
        OddFile{"empty file", "", "A", "k", "<none>"},
        OddFile{"UTF-8 mark before the first section", "\xEF\xBB\xBF[A]\r\nk=1\r\n", "A", "k", "1"}),
    [](const ::testing::TestParamInfo<OddFile>& info) {
        std::string n;
        for (const char* p = info.param.what; *p; ++p) n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return n;
    });

TEST_F(IniFile, ADirectoryInPlaceOfTheFileReadsAsEmpty)
{
    ASSERT_TRUE(CreateDir(Name()));
    TIniFile ini(Name());
    EXPECT_EQ(ini.ReadString("A", "k", "d"), "d");
    EXPECT_THROW(ini.WriteString("A", "k", "v"), EIniFileException);
    // So does a device, which has no end to read to.
    EXPECT_EQ(TIniFile("/dev/zero").ReadString("A", "k", "d"), "d");
}

class IniRoundTrip : public IniFile, public ::testing::WithParamInterface<std::string> {};

TEST_P(IniRoundTrip, WhatIsWrittenReadsBack)
{
    TIniFile ini(Name());
    ini.WriteString("Main", "before", "1");
    ini.WriteString("Main", "Value", GetParam());
    ini.WriteString("Main", "after", "2");
    EXPECT_EQ(ini.ReadString("Main", "Value", "<none>"), GetParam());
    EXPECT_EQ(ini.ReadString("Main", "before", ""), "1");
    EXPECT_EQ(ini.ReadString("Main", "after", ""), "2");
    ini.WriteString("Main", "Value", GetParam() + "!");  // and again, in place
    EXPECT_EQ(ini.ReadString("Main", "Value", "<none>"), GetParam() + "!");
    TStringList keys;
    ini.ReadSection("Main", &keys);
    EXPECT_EQ(keys.CommaText(), "before,Value,after");
}

INSTANTIATE_TEST_SUITE_P(Values, IniRoundTrip,
                         ::testing::Values("", "a=b", "==", "x;y", ";leading", "#hash", "[Main]", "[Other]",
                                           "say \"hi\" now", "\"open", "close\"", "it's", "a b  c",
                                           "C:\\Morvik\\charset.txt", "\xC0\xE8\xFF\x80",
                                           std::string(300, 'q'), " lead", "trail\t", "\" x\" ",
                                           std::string("nul\0", 4)),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             // The value's letters and digits, with its place in the list for the rest.
                             std::string n;
                             for (char c : info.param.substr(0, 24)) n += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return "v" + std::to_string(info.index) + "_" + n;
                         });

TEST_F(IniFile, QuotedTextLosesItsQuotesOnTheWayBack)
{
    // The caller's way of keeping blanks around a value: it writes the quotes, the read drops them.
    TIniFile ini(Name());
    ini.WriteString("Font", "Name", "\" MS Sans Serif \"");
    EXPECT_EQ(ini.ReadString("Font", "Name", ""), " MS Sans Serif ");
    EXPECT_EQ(Get("test.ini"), "[Font]\r\nName=\" MS Sans Serif \"\r\n");
}

TEST_F(IniFile, InPlaceUpdateKeepsEveryOtherLineAndTheOrder)
{
    const std::string before =
        "; settings\r\n"
        "top=0\r\n"
        "\r\n"
        "[RTTY]\r\n"
        "  OnTop = 0  \r\n"
        "Mode=0\r\n"
        "free text\r\n"
        "; about the window\r\n"
        "[Window]\r\n"
        "Left=10\r\n";
    Put("test.ini", before);
    TIniFile ini(Name());
    ini.WriteInteger("rtty", "ONTOP", 1);
    ini.WriteInteger("Window", "Left", -5);
    EXPECT_EQ(Get("test.ini"),
              "; settings\r\n"
              "top=0\r\n"
              "\r\n"
              "[RTTY]\r\n"
              "OnTop=1\r\n"
              "Mode=0\r\n"
              "free text\r\n"
              "; about the window\r\n"
              "[Window]\r\n"
              "Left=-5\r\n");
}

TEST_F(IniFile, NewKeyGoesAfterTheLastEntryOfItsSection)
{
    Put("test.ini",
        "[RTTY]\r\n"
        "Mode=0\r\n"
        "\r\n"
        "; window follows\r\n"
        "[Window]\r\n"
        "Left=10\r\n"
        "\r\n");
    TIniFile ini(Name());
    ini.WriteString("RTTY", "Baud", "50");
    ini.WriteString("Window", "Top", "20");
    ini.WriteString("Font", "Size", "10");
    EXPECT_EQ(Get("test.ini"),
              "[RTTY]\r\n"
              "Mode=0\r\n"
              "Baud=50\r\n"
              "\r\n"
              "; window follows\r\n"
              "[Window]\r\n"
              "Left=10\r\n"
              "Top=20\r\n"
              "\r\n"
              "[Font]\r\n"
              "Size=10\r\n");
}

TEST_F(IniFile, NewFileAndEmptySectionGetTheirFirstKeys)
{
    TIniFile ini(Name());
    ini.WriteString("A", "k", "1");
    ini.WriteString("B", "k", "2");
    EXPECT_EQ(Get("test.ini"), "[A]\r\nk=1\r\n\r\n[B]\r\nk=2\r\n");
    Put("test.ini", "[Empty]\r\n[Next]\r\nx=1\r\n");
    ini.WriteString("Empty", "k", "v");
    EXPECT_EQ(Get("test.ini"), "[Empty]\r\nk=v\r\n[Next]\r\nx=1\r\n");
}

TEST_F(IniFile, AFileWithLineFeedsKeepsThem)
{
    Put("test.ini", "[A]\nk=1\n");
    TIniFile(Name()).WriteString("A", "j", "2");
    EXPECT_EQ(Get("test.ini"), "[A]\nk=1\nj=2\n");
    Put("test.ini", "\xEF\xBB\xBF[A]\nk=1\n");
    TIniFile(Name()).WriteString("A", "k", "2");
    EXPECT_EQ(Get("test.ini"), "\xEF\xBB\xBF[A]\nk=2\n");  // and an editor's byte-order mark
}

TEST_F(IniFile, NumbersAndFlags)
{
    TIniFile ini(Name());
    ini.WriteFloat("M", "SamplingFreq", 11025.0);
    ini.WriteFloat("M", "Fraction", 11025.5);
    ini.WriteFloat("M", "Third", 1.0 / 3.0);
    ini.WriteFloat("M", "Big", 1e20);
    ini.WriteFloat("M", "Small", -2.5e-7);
    ini.WriteInteger("M", "Colour", -2147483640);
    ini.WriteBool("M", "On", true);
    ini.WriteBool("M", "Off", false);
    TStringList v;
    ini.ReadSectionValues("M", &v);
    EXPECT_EQ(v.Text(),
              "SamplingFreq=11025\r\nFraction=11025.5\r\nThird=0.333333333333333\r\nBig=1E20\r\n"
              "Small=-2.5E-7\r\nColour=-2147483640\r\nOn=1\r\nOff=0\r\n");
    EXPECT_DOUBLE_EQ(ini.ReadFloat("M", "Fraction", 0), 11025.5);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("M", "Small", 0), -2.5e-7);
    EXPECT_EQ(ini.ReadInteger("M", "Colour", 0), -2147483640);
    EXPECT_TRUE(ini.ReadBool("M", "On", false));
    EXPECT_FALSE(ini.ReadBool("M", "Off", true));
}

TEST_F(IniFile, TextThatIsNoNumberGivesTheDefault)
{
    Put("test.ini", "[M]\r\nhex=$1F\r\nhex2=0x10\r\nword=abc\r\ntail=12abc\r\nempty=\r\nhuge=99999999999\r\n"
                    "f=1,5\r\nneg= -7 \r\nflag=2\r\n");
    TIniFile ini(Name());
    EXPECT_EQ(ini.ReadInteger("M", "hex", 0), 31);
    EXPECT_EQ(ini.ReadInteger("M", "hex2", 0), 16);
    EXPECT_EQ(ini.ReadInteger("M", "word", 7), 7);
    EXPECT_EQ(ini.ReadInteger("M", "tail", 7), 7);
    EXPECT_EQ(ini.ReadInteger("M", "empty", 7), 7);
    EXPECT_EQ(ini.ReadInteger("M", "huge", 7), 7);
    EXPECT_EQ(ini.ReadInteger("M", "neg", 0), -7);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("M", "f", 2.5), 2.5);
    EXPECT_TRUE(ini.ReadBool("M", "flag", false));
}

TEST_F(IniFile, SectionListsComeInFileOrderOnceEach)
{
    Put("test.ini", "x=0\r\n[B]\r\nk=1\r\nj=\"q\"\r\n[a]\r\nz=3\r\n[b]\r\nK=9\r\nm=4\r\n");
    TIniFile ini(Name());
    TStringList l;
    ini.ReadSections(&l);
    EXPECT_EQ(l.CommaText(), "B,a");
    ini.ReadSection("b", &l);
    EXPECT_EQ(l.CommaText(), "k,j,m");
    ini.ReadSectionValues("B", &l);
    EXPECT_EQ(l.CommaText(), "k=1,j=q,m=4");
    EXPECT_TRUE(ini.SectionExists("A"));
    EXPECT_TRUE(ini.ValueExists("B", "M"));
    EXPECT_FALSE(ini.ValueExists("A", "k"));
}

TEST_F(IniFile, EraseSectionAndDeleteKeyLeaveTheRest)
{
    Put("test.ini",
        "[A]\r\nk=1\r\n\r\n; about B\r\n[B]\r\nj=2\r\nk=5\r\n[a]\r\nm=3\r\n[C]\r\nk=4\r\n");
    TIniFile ini(Name());
    ini.EraseSection("a");
    EXPECT_FALSE(ini.SectionExists("A"));
    EXPECT_EQ(Get("test.ini"), "\r\n; about B\r\n[B]\r\nj=2\r\nk=5\r\n[C]\r\nk=4\r\n");
    ini.DeleteKey("b", "K");
    EXPECT_EQ(Get("test.ini"), "\r\n; about B\r\n[B]\r\nj=2\r\n[C]\r\nk=4\r\n");
    EXPECT_EQ(ini.ReadString("C", "k", ""), "4");
    ini.EraseSection("Missing");
    ini.DeleteKey("B", "missing");
    EXPECT_EQ(Get("test.ini"), "\r\n; about B\r\n[B]\r\nj=2\r\n[C]\r\nk=4\r\n");
}

TEST_F(IniFile, AFailedWriteNamesTheFile)
{
    const std::string name = Path("no-such-dir\\MORVIK.INI");
    TIniFile ini(name);
    try {
        ini.WriteInteger("RTTY", "OnTop", 1);
        FAIL() << "no exception";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message(), "Unable to write to " + name);
    }
}

TEST_F(IniFile, NamesThatCannotStandInTheFileAreRefused)
{
    TIniFile ini(Name());
    ini.WriteString("A", "k", "1");
    for (auto [s, k] : {std::pair<const char*, const char*>{"", "k"}, {"A", ""}, {"A", "a=b"}, {"A]B", "k"},
                        {"A\r\nB", "k"}, {"A", "k\nj"}, {"A", "[B]"}, {"A", ";k"}}) {
        EXPECT_THROW(ini.WriteString(s, k, "v"), EIniFileException) << s << " / " << k;
    }
    EXPECT_EQ(Get("test.ini"), "[A]\r\nk=1\r\n");
}

TEST_F(IniFile, ALineBreakInAValueCannotMakeASection)
{
    TIniFile ini(Name());
    ini.WriteString("A", "k", "x\r\n[B]\nOnTop=1");
    EXPECT_FALSE(ini.SectionExists("B"));
    EXPECT_EQ(ini.ReadString("A", "k", ""), "x  [B] OnTop=1");
}

TEST_F(IniFile, WindowsStyleRelativeNameMeansTheCurrentDirectory)
{
    const std::string old = GetCurrentDir();
    ASSERT_TRUE(SetCurrentDir(dir));
    {
        TIniFile ini(".\\MORVIK.INI");
        ini.WriteInteger("RTTY", "UTCoffset", -330);
        EXPECT_EQ(ini.ReadInteger("RTTY", "UTCoffset", 0), -330);
    }
    ASSERT_TRUE(SetCurrentDir(old));
    EXPECT_EQ(Get("MORVIK.INI"), "[RTTY]\r\nUTCoffset=-330\r\n");
}

TEST_F(IniFile, WritingKeepsTheFilesModeAndALinkToIt)
{
    Put("real.ini", "[A]\r\nk=1\r\n");
    ASSERT_EQ(::chmod(Path("real.ini").c_str(), 0640), 0);
    ASSERT_EQ(::symlink(Path("real.ini").c_str(), Name().c_str()), 0);
    TIniFile(Name()).WriteString("A", "k", "2");
    struct stat st {};
    ASSERT_EQ(::lstat(Name().c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::stat(Path("real.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(Get("real.ini"), "[A]\r\nk=2\r\n");
    TStringList files;
    TSearchRec r;
    for (int rc = FindFirst(Path("*"), faAnyFile, r); rc == 0; rc = FindNext(r)) files.Add(r.Name);
    FindClose(r);
    EXPECT_EQ(files.CommaText(), "real.ini,test.ini");  // no temporary file left behind
}

}  // namespace

namespace {

// ---- batches of calls between BeginUpdate and EndUpdate ----------------------------------------

// Bytes this process has read and written through system calls so far.
std::pair<long long, long long> ProcessIo()
{
    std::ifstream f("/proc/self/io");
    long long read = -1, written = -1;
    std::string name;
    long long value = 0;
    while (f >> name >> value) {
        if (name == "rchar:") read = value;
        if (name == "wchar:") written = value;
    }
    return {read, written};
}

TEST_F(IniFile, AnUpdateReadsTheFileOnceAndWritesItOnceAtItsEnd)
{
    Put("test.ini", "[A]\r\nk=1\r\n");
    TIniFile ini(Name());
    ini.BeginUpdate();
    EXPECT_EQ(ini.ReadString("A", "k", ""), "1");
    Put("test.ini", "[A]\r\nk=2\r\n");  // not seen: the update works on what it read first
    EXPECT_EQ(ini.ReadString("A", "k", ""), "1");
    ini.WriteString("A", "j", "3");
    ini.BeginUpdate();  // nested: only the outermost end writes
    ini.WriteString("B", "k", "4");
    ini.EndUpdate();
    EXPECT_EQ(Get("test.ini"), "[A]\r\nk=2\r\n");
    EXPECT_EQ(ini.ReadString("A", "j", ""), "3");
    EXPECT_TRUE(ini.SectionExists("B"));
    ini.EndUpdate();
    EXPECT_EQ(Get("test.ini"), "[A]\r\nk=1\r\nj=3\r\n\r\n[B]\r\nk=4\r\n");
    // After the update every call sees the disk again.
    Put("test.ini", "[A]\r\nk=5\r\n");
    EXPECT_EQ(ini.ReadString("A", "k", ""), "5");
    ini.EndUpdate();  // one too many does nothing
    EXPECT_EQ(Get("test.ini"), "[A]\r\nk=5\r\n");
}

TEST_F(IniFile, AnUpdateThatOnlyReadsLeavesTheFileUntouched)
{
    Put("test.ini", "[A]\nk=1\n");
    struct stat before {};
    ASSERT_EQ(stat(Name().c_str(), &before), 0);
    {
        TIniFile ini(Name());
        ini.BeginUpdate();
        EXPECT_EQ(ini.ReadInteger("A", "k", 0), 1);
        ini.EndUpdate();
    }
    struct stat after {};
    ASSERT_EQ(stat(Name().c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);  // not replaced
    EXPECT_FALSE(FileExists(Path("missing.ini")));
    TIniFile missing(Path("missing.ini"));
    missing.BeginUpdate();
    EXPECT_EQ(missing.ReadString("A", "k", "d"), "d");
    missing.EndUpdate();
    EXPECT_FALSE(FileExists(Path("missing.ini")));
}

TEST_F(IniFile, AnUpdateThatCannotBeWrittenRaisesAtItsEndAndLeavesTheFile)
{
    ASSERT_TRUE(CreateDir(Name()));
    TIniFile ini(Name());
    ini.BeginUpdate();
    ini.WriteString("A", "k", "1");  // nothing is written yet
    try {
        ini.EndUpdate();
        FAIL() << "no exception";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message(), "Unable to write to " + Name());
    }
    // The failed update is over: the next one starts afresh.
    ASSERT_TRUE(RemoveDir(Name()));
    ini.BeginUpdate();
    EXPECT_EQ(ini.ReadString("A", "k", "none"), "none");
    ini.WriteString("A", "k", "2");
    ini.EndUpdate();
    EXPECT_EQ(Get("test.ini"), "[A]\r\nk=2\r\n");
}

TEST_F(IniFile, AnUpdateLeftOpenByAnExceptionStillKeepsItsWrites)
{
    {
        TIniFile ini(Name());
        ini.BeginUpdate();
        ini.WriteString("A", "k", "1");
        EXPECT_THROW(ini.WriteString("A", "a=b", "2"), EIniFileException);
    }
    EXPECT_EQ(Get("test.ini"), "[A]\r\nk=1\r\n");
}

// The same random calls, one by one and in one update, leave the same bytes and read the same
// values, whatever the file held before.
TEST_F(IniFile, AnUpdateEndsWithTheBytesSingleCallsWouldLeave)
{
    const char* sections[] = {"A", "b", "B", "Main", "x y"};
    const char* keys[] = {"k", "K", "j", "Left", "a b"};
    const std::string start = "; head\r\n\r\n[B]\r\nk=0\r\njunk\r\n\r\n[a]\r\nj=1\r\n; tail\r\n[B]\r\nLeft=2\r\n";
    for (unsigned seed = 1; seed <= 40; ++seed) {
        Put("one.ini", start);
        Put("batch.ini", start);
        TIniFile one(Path("one.ini")), batch(Path("batch.ini"));
        batch.BeginUpdate();
        unsigned r = seed;
        auto next = [&](unsigned n) {
            r = r * 1103515245u + 12345u;
            return (r >> 16) % n;
        };
        std::string log;
        for (int step = 0; step < 60; ++step) {
            const char* s = sections[next(5)];
            const char* k = keys[next(5)];
            const std::string v = std::to_string(next(1000));
            switch (next(10)) {
            case 0: one.EraseSection(s); batch.EraseSection(s); log += "E"; break;
            case 1: one.DeleteKey(s, k); batch.DeleteKey(s, k); log += "D"; break;
            case 2:
            case 3:
                EXPECT_EQ(one.ReadString(s, k, "-"), batch.ReadString(s, k, "-")) << seed << log;
                EXPECT_EQ(one.SectionExists(s), batch.SectionExists(s)) << seed << log;
                log += "R";
                break;
            default: one.WriteString(s, k, v); batch.WriteString(s, k, v); log += "W"; break;
            }
        }
        TStringList a, b;
        one.ReadSections(&a);
        batch.ReadSections(&b);
        EXPECT_EQ(a.CommaText(), b.CommaText()) << seed;
        batch.EndUpdate();
        EXPECT_EQ(Get("batch.ini"), Get("one.ini")) << "seed " << seed << " " << log;
    }
}

// A settings file of 50 MB: a batch of reads and a batch of writes each go through it once.
TEST_F(IniFile, AFiftyMegabyteFileIsReadOnceByABatchOfReadsAndWrittenOnceByABatchOfWrites)
{
    std::string text = "[RTTY]\r\nMode=6\r\n[Junk]\r\n";
    while (text.size() < (50u << 20))
        text += "Key" + std::to_string(text.size()) + "=" + std::string(40, 'v') + "\r\n";
    text += "[Window]\r\nLeft=7\r\n";
    Put("test.ini", text);
    const long long size = static_cast<long long>(text.size());
    TIniFile ini(Name());
    const auto before = ProcessIo();
    ASSERT_GE(before.first, 0) << "no /proc/self/io";
    ini.BeginUpdate();
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(ini.ReadInteger("RTTY", "Mode", 0), 6);
        EXPECT_EQ(ini.ReadInteger("Window", "Left", 0), 7);
        EXPECT_EQ(ini.ReadInteger("Window", "Missing" + std::to_string(i), -1), -1);
    }
    ini.EndUpdate();
    const auto read = ProcessIo();
    EXPECT_LT(read.first - before.first, 2 * size);
    ini.BeginUpdate();
    for (int i = 0; i < 40; ++i)
        ini.WriteInteger(i % 2 ? "RTTY" : "Font", "Key" + std::to_string(i), i);
    ini.EndUpdate();
    const auto written = ProcessIo();
    EXPECT_LT(written.first - read.first, 2 * size);
    EXPECT_LT(written.second - read.second, 2 * size);
    EXPECT_EQ(ini.ReadInteger("RTTY", "Key39", 0), 39);
    EXPECT_EQ(ini.ReadInteger("Font", "Key0", -1), 0);
    EXPECT_EQ(ini.ReadInteger("Window", "Left", 0), 7);
}

}  // namespace
