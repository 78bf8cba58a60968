#include "ctlbase/Extools.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utime.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <thread>

#include "platform/DateUtils.h"
#include "tests/platform/ScratchDir.h"
#include "tests/support/ParamName.h"

namespace {

std::string StreamBytes(TMemoryStream& m)
{
    return {reinterpret_cast<const char*>(m.Bytes().data()), m.Bytes().size()};
}

TMemoryStream* StreamOf(const std::string& bytes)
{
    auto* m = new TMemoryStream;
    m->WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
    m->SetPosition(0);
    return m;
}

std::string Le32(std::uint32_t v)
{
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
}

// A stream that cannot seek or tell its size, and records how much was asked of it.
class PipeStream : public TStream {
public:
    explicit PipeStream(std::string data) : FData(std::move(data)) {}
    Int64 Read(void* Buffer, Int64 Count) override
    {
        largestRead = std::max(largestRead, Count);
        const Int64 n = std::min<Int64>(Count, static_cast<Int64>(FData.size() - FPos));
        std::memcpy(Buffer, FData.data() + FPos, static_cast<size_t>(n));
        FPos += static_cast<size_t>(n);
        return n;
    }
    Int64 Write(const void*, Int64) override { throw EWriteError("pipe is read-only"); }
    Int64 Seek(Int64, TSeekOrigin) override { return -1; }
    Int64 largestRead = 0;

private:
    std::string FData;
    size_t FPos = 0;
};

// ---------------------------------------------------------------- length-prefixed strings

TEST(StreamStrings, EveryFormRoundTrips)
{
    for (size_t len : {0u, 1u, 255u, 256u, 70000u}) {
        std::string s(len, '\0');
        for (size_t i = 0; i < len; ++i) s[i] = static_cast<char>(i * 7);
        std::u16string w(len, u'\0');
        for (size_t i = 0; i < len; ++i) w[i] = static_cast<char16_t>(i * 131);
        TMemoryStream m;
        ASSERT_TRUE(WriteStringToStream(&m, s));
        ASSERT_TRUE(WriteWideStringToStream(&m, w));
        ASSERT_TRUE(WriteFStringToStream(&m, s));
        EXPECT_EQ(m.Size(), static_cast<Int64>(12 + 4 * len));
        m.SetPosition(0);
        std::string s1 = "x", s2 = "y";
        std::u16string w1 = u"z";
        ASSERT_TRUE(ReadStringFromStream(&m, s1));
        ASSERT_TRUE(ReadWideStringFromStream(&m, w1));
        ASSERT_TRUE(ReadFStringFromStream(&m, s2));
        EXPECT_EQ(s1, s);
        EXPECT_EQ(w1, w);
        EXPECT_EQ(s2, s);
        EXPECT_EQ(m.Position(), m.Size());
    }
}

TEST(StreamStrings, ExactBytesOnTheWire)
{
    TMemoryStream m;
    WriteStringToStream(&m, "");
    WriteStringToStream(&m, "ab");
    WriteWideStringToStream(&m, u"\u0102");
    EXPECT_EQ(StreamBytes(m), std::string("\0\0\0\0\2\0\0\0ab\1\0\0\0\2\1", 16));
}

struct Hostile {
    std::string bytes;
    const char* why;
};

void PrintTo(const Hostile& c, std::ostream* out)
{
    std::ostream& os = *out;
    os << c.why;
}

class StreamStringsHostile : public ::testing::TestWithParam<Hostile> {};

TEST_P(StreamStringsHostile, FailWithoutTouchingTheText)
{
    const Hostile h = GetParam();
    std::unique_ptr<TMemoryStream> m(StreamOf(h.bytes));
    std::string s = "keep";
    EXPECT_FALSE(ReadStringFromStream(m.get(), s)) << h.why;
    EXPECT_EQ(s, "keep");
    m->SetPosition(0);
    std::u16string w = u"keep";
    EXPECT_FALSE(ReadWideStringFromStream(m.get(), w)) << h.why;
    EXPECT_EQ(w, u"keep");
    m->SetPosition(0);
    EXPECT_FALSE(ReadFStringFromStream(m.get(), s)) << h.why;
    EXPECT_EQ(s, "");  // this form always assigns
}

INSTANTIATE_TEST_SUITE_P(Cases, StreamStringsHostile,
                         ::testing::Values(Hostile{Le32(0xFFFFFFFF), "length -1"},
                                           Hostile{Le32(0x80000000) + "abcd", "most negative length"},
                                           Hostile{Le32(0x7FFFFFFF) + "abc", "length far beyond the stream"},
                                           Hostile{Le32(10) + "short", "stream ends early"},
                                           Hostile{std::string("\1\0", 2), "length cut off"},
                                           Hostile{"", "empty stream"}), morvik::ParamName());

TEST(StreamStrings, NegativeLengthLeavesTheStreamAfterTheHeader)
{
    std::unique_ptr<TMemoryStream> m(StreamOf(Le32(0xFFFFFFFE) + Le32(1) + "x"));
    std::string s;
    EXPECT_FALSE(ReadStringFromStream(m.get(), s));
    EXPECT_EQ(m->Position(), 4);  // a reader of records goes on with the next field
    EXPECT_TRUE(ReadStringFromStream(m.get(), s));
    EXPECT_EQ(s, "x");
}

TEST(StreamStrings, AStreamOfUnknownSizeIsReadInBoundedSteps)
{
    PipeStream pipe(Le32(0x7FFFFFF0) + std::string(100000, 'a'));
    std::string s = "keep";
    EXPECT_FALSE(ReadStringFromStream(&pipe, s));
    EXPECT_EQ(s, "keep");
    EXPECT_LE(pipe.largestRead, 65536);
    PipeStream ok(Le32(3) + "abc");
    EXPECT_TRUE(ReadStringFromStream(&ok, s));
    EXPECT_EQ(s, "abc");
}

TEST(StreamStrings, WriteFailuresReportFalse)
{
    PipeStream pipe("");
    EXPECT_FALSE(WriteStringToStream(&pipe, "abc"));
    EXPECT_FALSE(WriteWideStringToStream(&pipe, u"abc"));
    Byte block[6] = {};
    TDirectMemoryStream small;
    small.SetPointer(block, 6);
    EXPECT_FALSE(WriteStringToStream(&small, "abc"));  // 4 + 3 bytes do not fit in 6
}

// ---------------------------------------------------------------- lines

TEST(StreamLines, WriterAddsTheBreakOnce)
{
    TMemoryStream m;
    WriteTextToStream(&m, "abc");
    WriteTextToStream(&m, "def\r\n");
    WriteTextToStream(&m, "");
    EXPECT_EQ(StreamBytes(m), "abc\r\ndef\r\n\r\n");
}

TEST(StreamLines, ShortWriteRaises)
{
    Byte block[4] = {};
    TDirectMemoryStream m;
    m.SetPointer(block, 4);
    EXPECT_THROW(WriteTextToStream(&m, "abcdef"), EWriteError);
}

TEST(StreamLines, ReaderStopsJustAfterTheLineFeed)
{
    const std::string line(300, 'q');
    std::unique_ptr<TMemoryStream> m(StreamOf(line + "\r\nnext\r\ntail"));
    std::string s;
    ASSERT_TRUE(ReadTextFromStream(m.get(), s));
    EXPECT_EQ(s, line);
    EXPECT_EQ(m->Position(), 302);
    ASSERT_TRUE(ReadTextFromStream(m.get(), s));
    EXPECT_EQ(s, "next");
    EXPECT_FALSE(ReadTextFromStream(m.get(), s));
    EXPECT_EQ(s, "tail");
    EXPECT_FALSE(ReadTextFromStream(m.get(), s));
    EXPECT_EQ(s, "");
}

TEST(StreamLines, BreakSplitAcrossTheReadStep)
{
    for (size_t before : {254u, 255u, 256u, 511u}) {
        std::unique_ptr<TMemoryStream> m(StreamOf(std::string(before, 'x') + "\r\ny\r\n"));
        std::string s;
        ASSERT_TRUE(ReadTextFromStream(m.get(), s)) << before;
        EXPECT_EQ(s.size(), before);
        EXPECT_EQ(m->Position(), static_cast<Int64>(before + 2));
        ASSERT_TRUE(ReadTextFromStream(m.get(), s));
        EXPECT_EQ(s, "y");
    }
    // One byte after the line end: the stream goes back over it.
    std::unique_ptr<TMemoryStream> one(StreamOf("ab\r\nc"));
    std::string line;
    ASSERT_TRUE(ReadTextFromStream(one.get(), line));
    EXPECT_EQ(one->Position(), 4);
    EXPECT_FALSE(ReadTextFromStream(one.get(), line));
    EXPECT_EQ(line, "c");
    std::unique_ptr<TMemoryStream> lone(StreamOf("a\rb\nc\r\n"));
    std::string s;
    ASSERT_TRUE(ReadTextFromStream(lone.get(), s));
    EXPECT_EQ(s, "a\rb\nc");  // only CR LF ends a line
}

TEST(DirectMemoryStream, ReadsAndWritesTheCallersBlock)
{
    char block[8] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};
    TDirectMemoryStream m;
    m.SetPointer(block, 8);
    char buf[3] = {};
    EXPECT_EQ(m.Read(buf, 3), 3);
    EXPECT_EQ(std::string(buf, 3), "abc");
    EXPECT_EQ(m.Write("XYZ", 3), 3);
    EXPECT_EQ(std::string(block, 8), "abcXYZgh");
    m.SetPosition(6);
    EXPECT_EQ(m.Write("1234", 4), 2);  // never beyond the block
    EXPECT_EQ(std::string(block, 8), "abcXYZ12");
    EXPECT_EQ(m.Size(), 8);
    EXPECT_THROW(m.SetSize(9), EStreamError);
    m.SetPointer(block + 2, 2);
    EXPECT_EQ(m.Position(), 0);
    EXPECT_EQ(m.Read(buf, 3), 2);
}

// ---------------------------------------------------------------- small helpers

TEST(SmallHelpers, IntegerRanges)
{
    EXPECT_EQ(Min(-3, 2), -3);
    EXPECT_EQ(Max(-3, 2), 2);
    EXPECT_TRUE(InRange(1, 3, 1));
    EXPECT_TRUE(InRange(1, 3, 3));
    EXPECT_FALSE(InRange(1, 3, 4));
    EXPECT_FALSE(InRange(3, 1, 2));
    EXPECT_TRUE(InRangeF(0.5, 1.5, 1.5));
    EXPECT_EQ(Sign(-7), -1);
    EXPECT_EQ(Sign(0), 0);
    EXPECT_EQ(Sign(9), 1);
    EXPECT_TRUE(RangesIntersect(5, 1, 3, 9));
    EXPECT_FALSE(RangesIntersect(1, 2, 3, 4));
    EXPECT_TRUE(RangesIntersect(1, 3, 3, 4));  // one shared point
    EXPECT_TRUE(RangesIntersect(9, 0, 4, 4));
}

TEST(SmallHelpers, BitsAndBytes)
{
    EXPECT_TRUE(IsBIn(1, 0x01));
    EXPECT_TRUE(IsBIn(8, 0x80));
    EXPECT_FALSE(IsBIn(2, 0x01));
    EXPECT_FALSE(IsBIn(0, 0xFF));
    EXPECT_FALSE(IsBIn(9, 0xFF));
    EXPECT_EQ(swapInt32(0x11223344), 0x44332211);
    EXPECT_EQ(swapInt32(static_cast<Integer>(0xFF000000u)), 0xFF);
    EXPECT_EQ(swapInt32(swapInt32(-123456)), -123456);
}

TEST(SmallHelpers, CenterRects)
{
    TRect r;
    CenterRects(4, 10, 7, 9, r);
    EXPECT_EQ(r, Rect(3, 1, 6, 7));
    CenterRects(20, 10, 2, 2, r);  // a box wider than the area is cut to it
    EXPECT_EQ(r, Rect(0, 0, 9, 1));
    CenterRects(3, 4, 3, 5, r);
    EXPECT_EQ(r, Rect(1, 1, 3, 3));
}

TEST(SmallHelpers, RectText)
{
    EXPECT_EQ(RectToString(Rect(-1, 2, 300, 4)), "-1,2,300,4");
    EXPECT_EQ(StringToRect("-1,2,300,4"), Rect(-1, 2, 300, 4));
    EXPECT_EQ(StringToRect("5,6"), Rect(5, 6, 0, 0));
    EXPECT_EQ(StringToRect("5,,7,8"), Rect(5, 0, 0, 0));  // an empty field ends the reading
    EXPECT_EQ(StringToRect("5,x,7,8"), Rect(5, 0, 0, 0));
    EXPECT_EQ(StringToRect("1,2,3,4,5"), Rect(1, 2, 3, 0));  // the fourth field is the rest
    EXPECT_EQ(StringToRect(""), Rect(0, 0, 0, 0));
}

TEST(SmallHelpers, EncodeLineMatchesTheClassicSixBitCode)
{
    EXPECT_EQ(encode_line("Cat", 3), std::string("\0" "0V%T", 5));
    EXPECT_EQ(encode_line("\0\0\0", 3), std::string("\0````", 5));
    EXPECT_EQ(encode_line("A", 1), std::string("\0" "00", 3));   // 8 bits: two groups, zero-filled
    EXPECT_EQ(encode_line("\xFC", 1), std::string("\0" "_`", 3));
    std::string many(60, 'x');
    EXPECT_EQ(encode_line(many.data(), 60).size(), 1u + 60u);  // 45 bytes at most: 60 characters
    EXPECT_EQ(encode_line(nullptr, 0), std::string(1, '\0'));
}

TEST(SmallHelpers, VersionFlagsDescribeOneModernSystem)
{
    EXPECT_TRUE(IsWinNT);
    EXPECT_TRUE(IsWinNTUp);
    EXPECT_TRUE(IsWin2000Up);
    EXPECT_TRUE(IsWinXPUp);
    EXPECT_FALSE(IsWin95 || IsWin98 || IsWin98Up || IsWinME || IsWin95OSR2);
    EXPECT_FALSE(IsLinux);
}

// ---------------------------------------------------------------- names and folders

TEST(FileNames, TrailingDelimiterAndValidity)
{
    EXPECT_EQ(IncludeTrailingBackslash2(""), "");
    EXPECT_EQ(IncludeTrailingBackslash2("c:/x/"), "c:/x/");
    EXPECT_EQ(IncludeTrailingBackslash2("a\\"), "a\\");
    EXPECT_EQ(IncludeTrailingBackslash2("a"), "a\\");
    EXPECT_EQ(AppendSlash("dir"), "dir\\");
    EXPECT_FALSE(FileNameValid("a:b"));
    EXPECT_TRUE(FileNameValid("report 1.txt"));
    EXPECT_TRUE(FileNameValid(""));
    EXPECT_TRUE(FileNameValid("caf\xE9"));
    for (const char* bad : {"a\"b", "a*", "a/b", "a<b", "a>b", "a?", "a\\b", "a|b", "tab\there"})
        EXPECT_FALSE(FileNameValid(bad)) << bad;
}

class EnvGuard : public ScratchDir {
protected:
    void Set(const char* name, const std::string& value)
    {
        if (!saved.count(name)) {
            const char* old = std::getenv(name);
            saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        ::setenv(name, value.c_str(), 1);
    }
    void Unset(const char* name)
    {
        if (!saved.count(name)) {
            const char* old = std::getenv(name);
            saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        ::unsetenv(name);
    }
    void TearDown() override
    {
        for (auto& [name, value] : saved) {
            if (value) ::setenv(name.c_str(), value->c_str(), 1);
            else ::unsetenv(name.c_str());
        }
        ScratchDir::TearDown();
    }
    std::map<std::string, std::optional<std::string>> saved;
};

TEST_F(EnvGuard, SpecialFoldersFollowTheXdgVariables)
{
    Set("HOME", dir);
    Set("XDG_CONFIG_HOME", dir + "/conf");
    Set("XDG_DATA_HOME", dir + "/data");
    Set("XDG_CACHE_HOME", dir + "/cache");
    Set("XDG_CONFIG_DIRS", "relative:/opt/xdg:/etc/xdg");
    std::filesystem::create_directories(dir + "/conf");
    Put("conf/user-dirs.dirs", "# written by the desktop\nXDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n"
                               "XDG_MUSIC_DIR=\"/srv/music\"\n");
    EXPECT_EQ(GetSpecialFolder(26), dir + "/conf/");
    EXPECT_EQ(GetSpecialFolder(28), dir + "/data/");
    EXPECT_EQ(GetSpecialFolder(0x20), dir + "/cache/");
    EXPECT_EQ(GetSpecialFolder(35), "/opt/xdg/");
    EXPECT_EQ(GetSpecialFolder(5), dir + "/Papers/");
    EXPECT_EQ(GetSpecialFolder(0x0D), "/srv/music/");
    EXPECT_EQ(GetSpecialFolder(0), dir + "/Desktop/");  // not in the file: the usual default
    EXPECT_EQ(GetSpecialFolder(0x8000 | 26), dir + "/conf/");  // flag bits do not matter
    EXPECT_EQ(GetSpecialFolder(0x13), "");                      // no counterpart here
    EXPECT_EQ(GetUserAppDataFolder(), dir + "/conf/");
    EXPECT_EQ(GetUserLocalAppDataFolder(), dir + "/data/");
    EXPECT_EQ(GetCommonAppDataFolder(), "/opt/xdg/");
}

TEST_F(EnvGuard, FoldersFallBackWithoutAHome)
{
    Unset("HOME");
    Set("XDG_CONFIG_HOME", "not-absolute");
    Unset("XDG_CONFIG_DIRS");
    // HOME comes from the password database then; whatever it is, results end with "/".
    for (Integer id : {0, 5, 26, 28, 35, 46}) {
        const std::string f = GetSpecialFolder(id);
        if (!f.empty()) {
            EXPECT_EQ(f.back(), '/') << id;
        }
    }
    EXPECT_EQ(GetSpecialFolder(35), "/etc/xdg/");
}

TEST_F(EnvGuard, TempFolderAndNames)
{
    Set("TMPDIR", dir);
    EXPECT_EQ(GetTempDir(), dir + "/");
    std::set<std::string> names;
    for (int i = 0; i < 50; ++i) {
        const std::string n = GetTempFile();
        ASSERT_EQ(n.substr(0, dir.size() + 1), dir + "/");
        const std::string id = n.substr(dir.size() + 1);
        ASSERT_EQ(id.size(), 36u);
        for (size_t k = 0; k < id.size(); ++k) {
            const bool dash = k == 8 || k == 13 || k == 18 || k == 23;
            EXPECT_TRUE(dash ? id[k] == '-' : std::isxdigit(static_cast<unsigned char>(id[k])) && !std::isupper(id[k]))
                << id;
        }
        EXPECT_FALSE(std::filesystem::exists(n));  // only the name is made
        names.insert(n);
    }
    EXPECT_EQ(names.size(), 50u);
    Unset("TMPDIR");
    EXPECT_EQ(GetTempDir(), "/tmp/");
}

TEST(Folders, ProgramFolderAndComputerName)
{
    const std::string module = GetModulePath();
    ASSERT_FALSE(module.empty());
    EXPECT_EQ(module.back(), '/');
    EXPECT_TRUE(std::filesystem::is_directory(module));
    EXPECT_LE(GetComputerName().size(), 15u);
    EXPECT_EQ(GetShortPath("/a b/c"), "/a b/c");
}

// ---------------------------------------------------------------- files

using FileHelpers = ScratchDir;

TEST_F(FileHelpers, SizeAndTime)
{
    EXPECT_EQ(GetFileSize(Path("none")), -1);
    EXPECT_EQ(FileDateTime(Path("none")), 0);
    Put("five.txt", "12345");
    EXPECT_EQ(GetFileSize(Path("five.txt")), 5);
    EXPECT_EQ(GetFileSize(Path("*.txt")), 5);
    EXPECT_EQ(GetFileSize(Path("*.doc")), -1);
    // A modification time of 2021-06-15 10:20:30 local time comes back as that date-time.
    tm t{};
    t.tm_year = 121;
    t.tm_mon = 5;
    t.tm_mday = 15;
    t.tm_hour = 10;
    t.tm_min = 20;
    t.tm_sec = 30;
    t.tm_isdst = -1;
    const utimbuf times{std::mktime(&t), std::mktime(&t)};
    ASSERT_EQ(::utime(Path("five.txt").c_str(), &times), 0);
    EXPECT_NEAR(FileDateTime(Path("five.txt")), EncodeDate(2021, 6, 15) + EncodeTime(10, 20, 30, 0), 1e-8);
}

TEST_F(FileHelpers, CreateFileKeepsWhatExists)
{
    Put("old.txt", "content");
    EXPECT_TRUE(CreateFile(Path("old.txt")));
    EXPECT_EQ(Get("old.txt"), "content");
    EXPECT_TRUE(CreateFile(Path("new.txt")));
    EXPECT_TRUE(std::filesystem::exists(Path("new.txt")));
    EXPECT_EQ(GetFileSize(Path("new.txt")), 0);
    EXPECT_FALSE(CreateFile(Path("missing/dir/x.txt")));
}

TEST_F(FileHelpers, EnsureDirExistsBuildsTheWholePath)
{
    EXPECT_FALSE(DirExists(Path("a")));
    EnsureDirExists(Path("a/b\\c/"), "sub");
    EXPECT_TRUE(DirExists(Path("a/b/c")));
    EXPECT_TRUE(DirExists(Path("a/b/c/sub")));
    Put("plain", "x");
    EXPECT_FALSE(DirExists(Path("plain")));
    EnsureDirExists(Path("a"), "");  // already there: nothing to do
    EXPECT_TRUE(DirExists(Path("a/b")));
}

// Waits for a program started in the background to leave its marker file.
bool WaitForFile(const std::string& name)
{
    for (int i = 0; i < 1000; ++i) {
        if (std::filesystem::exists(name)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST_F(FileHelpers, RunProgramSplitsArgumentsAtBlanksOutsideQuotes)
{
    Put("args.sh", "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > out.tmp; mv out.tmp out.txt\n");
    const Integer pid = RunProgram("/bin/sh", "args.sh \"two words\" plain \"say \"\"hi\"\"\"  \"\" end", dir);
    ASSERT_NE(pid, 0);
    ASSERT_TRUE(WaitForFile(Path("out.txt")));
    EXPECT_EQ(Get("out.txt"), "two words\nplain\nsay \"hi\"\n\nend\n");
}

TEST_F(FileHelpers, RunProgramQuotesAProgramNameWithBlanks)
{
    std::filesystem::create_directories(Path("my dir"));
    Put("my dir/run me", "#!/bin/sh\necho \"$1\" > done.txt\n");
    std::filesystem::permissions(Path("my dir/run me"), std::filesystem::perms::owner_all);
    ASSERT_NE(RunProgram(Path("my dir/run me"), "ok", dir), 0);
    ASSERT_TRUE(WaitForFile(Path("done.txt")));
    EXPECT_EQ(Get("done.txt"), "ok\n");
}

TEST_F(FileHelpers, RunProgramRefusesWhatCannotStart)
{
    EXPECT_EQ(RunProgram(Path("no-such-program"), "", dir), 0);
    EXPECT_EQ(RunProgram("/bin/sh", "-c true", Path("no-such-dir")), 0);
    EXPECT_EQ(RunProgram("/bin/sh", std::string(300, 'x'), dir), 0);  // too long to pass whole
    EXPECT_EQ(RunProgram("", "", dir), 0);
}

TEST(SystemServices, SoundStopsOrFailsWithoutAFileAndPrivilegesAreNotAvailable)
{
    EXPECT_NE(PlaySound(nullptr, 0, 0), 0);  // stopping always works
    EXPECT_EQ(PlaySound("SystemStart", 0, 0), 0);  // no such file, and no system sounds
    EXPECT_FALSE(SetPrivilege("SeShutdownPrivilege", true));
}

}  // namespace
