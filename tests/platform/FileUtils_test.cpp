#include "platform/FileUtils.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <csignal>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <vector>

#include "platform/Classes.h"
#include "tests/platform/ScratchDir.h"
#include "tests/support/ParamName.h"

namespace {

// Split so that no "??-" trigraph appears in the source.
const char* const kMessageMask = "??????" "-??????.TXT";

struct NameParts {
    const char* name;
    const char* fileName;
    const char* path;
    const char* dir;
    const char* ext;
};

void PrintTo(const NameParts& c, std::ostream* os)
{
    *os << '"' << c.name << '"';
}

class FileNameParts : public ::testing::TestWithParam<NameParts> {};

TEST_P(FileNameParts, SplitAtEitherDelimiter)
{
    const NameParts& c = GetParam();
    EXPECT_EQ(ExtractFileName(c.name), c.fileName);
    EXPECT_EQ(ExtractFilePath(c.name), c.path);
    EXPECT_EQ(ExtractFileDir(c.name), c.dir);
    EXPECT_EQ(ExtractFileExt(c.name), c.ext);
    // The parts put together give the name back.
    EXPECT_EQ(std::string(c.path) + c.fileName, c.name);
}

INSTANTIATE_TEST_SUITE_P(Table, FileNameParts,
                         ::testing::Values(NameParts{"Messages\\070315-061502.TXT", "070315-061502.TXT", "Messages\\",
                                                     "Messages", ".TXT"},
                                           NameParts{".\\MORVIK.INI", "MORVIK.INI", ".\\", ".", ".INI"},
                                           NameParts{"/home/u/raw.log", "raw.log", "/home/u/", "/home/u", ".log"},
                                           NameParts{"a.b\\c", "c", "a.b\\", "a.b", ""},
                                           NameParts{"a/b\\c.d.e", "c.d.e", "a/b\\", "a/b", ".e"},
                                           NameParts{"noext", "noext", "", "", ""},
                                           NameParts{"dir/", "", "dir/", "dir", ""},
                                           NameParts{"/x", "x", "/", "/", ""},
                                           NameParts{"", "", "", "", ""}),
                         morvik::ParamName());

TEST(FileNames, ChangeExtensionAndDelimiters)
{
    EXPECT_EQ(ChangeFileExt("Raw_Logs\\07-03-15.TXT", ".BAK"), "Raw_Logs\\07-03-15.BAK");
    EXPECT_EQ(ChangeFileExt("a.b\\c", ".txt"), "a.b\\c.txt");
    EXPECT_EQ(ChangeFileExt("c.txt", ""), "c");
    EXPECT_EQ(IncludeTrailingPathDelimiter("Messages"), "Messages/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("Messages\\"), "Messages\\");
    EXPECT_EQ(IncludeTrailingPathDelimiter("Messages/"), "Messages/");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("Messages//"), "Messages");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/"), "/");
}

TEST(FileNames, ExpandResolvesAgainstTheCurrentDirectory)
{
    const std::string cwd = GetCurrentDir();
    ASSERT_FALSE(cwd.empty());
    EXPECT_EQ(ExpandFileName(".\\MORVIK.INI"), IncludeTrailingPathDelimiter(cwd) + "MORVIK.INI");
    EXPECT_EQ(ExpandFileName("/a/b/../c/./d.txt"), "/a/c/d.txt");
    EXPECT_EQ(ExpandFileName("/a//b\\..\\..\\..\\x"), "/x");
    EXPECT_EQ(ExpandFileName("/a/b/"), "/a/b/");
    EXPECT_EQ(ExpandFileName(""), "");
}

struct MaskCase {
    const char* name;
    const char* mask;
    bool expected;
};

void PrintTo(const MaskCase& c, std::ostream* os)
{
    *os << '"' << c.name << "\" ~ \"" << c.mask << '"';
}

class Wildcards : public ::testing::TestWithParam<MaskCase> {};

TEST_P(Wildcards, Match)
{
    const MaskCase& c = GetParam();
    EXPECT_EQ(MatchesMask(c.name, c.mask), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Wildcards,
    ::testing::Values(MaskCase{"070315-061502.TXT", kMessageMask, true},
                      MaskCase{"070315-061502.txt", kMessageMask, true},
                      MaskCase{"070315-06150.TXT", kMessageMask, false},
                      MaskCase{"0703150-61502.TXT", kMessageMask, false},
                      MaskCase{"070315-061502.TXT.bak", kMessageMask, false},
                      MaskCase{"x070315-061502.TXT", kMessageMask, false},
                      MaskCase{"abc", "a*", true}, MaskCase{"a", "a*", true}, MaskCase{"ba", "a*", false},
                      MaskCase{"axbxc", "a*b*c", true}, MaskCase{"abcbc", "a*bc", true},
                      MaskCase{"abcbd", "a*bc", false}, MaskCase{"aaab", "*a*ab", true},
                      MaskCase{"noext", "*.*", true},
                      MaskCase{"x.TXT.bak", "*.TXT", false}, MaskCase{"", "*", true}, MaskCase{"", "?", false},
                      MaskCase{"ab", "a?", true}, MaskCase{"a", "a?", false}, MaskCase{"A?", "a?", true}),
    morvik::ParamName());

class Files : public ScratchDir {};

TEST_F(Files, SearchFindsMatchingFilesInOrder)
{
    ASSERT_TRUE(CreateDir(Path("Messages")));
    for (const char* n : {"070315-061502.TXT", "070314-235959.txt", "070315-061501.TXT", "junk.TXT",
                          "070315-061503.TXT.bak"})
        Put(std::string("Messages/") + n, std::string(7, 'x'));
    ASSERT_TRUE(CreateDir(Path("Messages/070101-000000.TXT")));
    Put("Messages/.70315-061502.TXT", "hidden!");

    auto search = [&](Integer attr) {
        TStringList found;
        TSearchRec r;
        for (Integer rc = FindFirst(Path(std::string("Messages\\") + kMessageMask), attr, r); rc == 0; rc = FindNext(r)) {
            found.Add(r.Name);
            if (!(r.Attr & faDirectory)) {
                EXPECT_EQ(r.Size, 7);
            }
        }
        FindClose(r);
        return found.CommaText();
    };
    EXPECT_EQ(search(faReadOnly | faArchive), "070314-235959.txt,070315-061501.TXT,070315-061502.TXT");
    EXPECT_EQ(search(faAnyFile),
              ".70315-061502.TXT,070101-000000.TXT,070314-235959.txt,070315-061501.TXT,070315-061502.TXT");
}

TEST_F(Files, SearchReportsNothingFound)
{
    TSearchRec r;
    EXPECT_NE(FindFirst(Path("missing\\*.*"), faAnyFile, r), 0);
    FindClose(r);
    EXPECT_EQ(FindFirst(Path("*.TXT"), faAnyFile, r), 2);
    FindClose(r);
    Put("one.TXT", "abc");
    ASSERT_EQ(FindFirst(Path("*.txt"), faAnyFile, r), 0);
    EXPECT_EQ(r.Name, "one.TXT");
    EXPECT_EQ(r.Size, 3);
    EXPECT_NEAR(r.TimeStamp, Now(), 1.0 / 24);
    EXPECT_NE(FindNext(r), 0);
    EXPECT_NE(FindNext(r), 0);  // stays at the end
    FindClose(r);
}

TEST_F(Files, ExistenceAndAttributes)
{
    Put("f.txt", "12345");
    ASSERT_TRUE(CreateDir(Path("d")));
    EXPECT_TRUE(FileExists(Path("f.txt")));
    EXPECT_FALSE(FileExists(Path("d")));
    EXPECT_TRUE(DirectoryExists(Path("d")));
    EXPECT_FALSE(DirectoryExists(Path("f.txt")));
    EXPECT_FALSE(FileExists(Path("none")));
    EXPECT_EQ(FileGetAttr(Path("none")), -1);
    EXPECT_EQ(FileGetAttr(Path("f.txt")), 0);
    EXPECT_EQ(FileGetAttr(Path("d\\")), faDirectory);
    ASSERT_EQ(::chmod(Path("f.txt").c_str(), 0444), 0);
    EXPECT_EQ(FileGetAttr(Path("f.txt")), faReadOnly);
    Put(".hidden", "");
    EXPECT_EQ(FileGetAttr(Path(".hidden")), faHidden);
    EXPECT_EQ(FileSizeOf(Path("f.txt")), 5);
    EXPECT_EQ(FileSizeOf(Path("d")), -1);
    EXPECT_NEAR(FileDateTimeOf(Path("f.txt")), Now(), 1.0 / 24);
    EXPECT_EQ(FileDateTimeOf(Path("none")), 0);
}

TEST_F(Files, DirectoriesOneLevelOrAll)
{
    EXPECT_TRUE(CreateDir(Path("Raw_Logs")));
    EXPECT_FALSE(CreateDir(Path("Raw_Logs")));  // exists already
    EXPECT_FALSE(CreateDir(Path("a\\b")));      // parent missing
    EXPECT_TRUE(ForceDirectories(Path("a\\b\\c\\")));
    EXPECT_TRUE(DirectoryExists(Path("a/b/c")));
    EXPECT_TRUE(ForceDirectories(Path("a/b")));
    Put("file", "");
    EXPECT_FALSE(ForceDirectories(Path("file/sub")));
    EXPECT_FALSE(RemoveDir(Path("a")));  // not empty
    EXPECT_TRUE(RemoveDir(Path("a/b/c")));
    EXPECT_FALSE(DirectoryExists(Path("a/b/c")));
}

TEST_F(Files, DeleteAndRenameNeverOverwrite)
{
    Put("old.txt", "old");
    Put("other.txt", "other");
    EXPECT_FALSE(RenameFile(Path("old.txt"), Path("other.txt")));
    EXPECT_EQ(Get("other.txt"), "other");
    EXPECT_TRUE(RenameFile(Path("old.txt"), Path("new.txt")));
    EXPECT_FALSE(FileExists(Path("old.txt")));
    EXPECT_EQ(Get("new.txt"), "old");
    EXPECT_TRUE(DeleteFile(Path("new.txt")));
    EXPECT_FALSE(DeleteFile(Path("new.txt")));
    ASSERT_TRUE(CreateDir(Path("d")));
    EXPECT_FALSE(DeleteFile(Path("d")));
}

TEST_F(Files, DescriptorLevelAppend)
{
    int h = FileCreate(Path("log.TXT"));
    ASSERT_GE(h, 0);
    EXPECT_EQ(FileWrite(h, "ZCZC\r\n", 6), 6);
    FileClose(h);
    h = FileOpen(Path("log.TXT"), fmOpenReadWrite | fmShareDenyWrite);
    ASSERT_GE(h, 0);
    EXPECT_EQ(FileSeek(h, 0, 2), 6);
    EXPECT_EQ(FileWrite(h, "NNNN\r\n", 6), 6);
    EXPECT_EQ(FileSeek(h, 0, 0), 0);
    char buf[32] = {};
    EXPECT_EQ(FileRead(h, buf, sizeof buf), 12);
    EXPECT_EQ(std::string(buf), "ZCZC\r\nNNNN\r\n");
    FileClose(h);
    EXPECT_EQ(FileOpen(Path("missing"), fmOpenRead), -1);
    ASSERT_TRUE(CreateDir(Path("d")));
    EXPECT_EQ(FileOpen(Path("d"), fmOpenRead), -1);
    EXPECT_EQ(FileCreate(Path("nodir/x")), -1);
}

TEST_F(Files, StoringReplacesTheContentsWhole)
{
    Put("s.ini", "old");
    ASSERT_EQ(::chmod(Path("s.ini").c_str(), 0640), 0);
    EXPECT_TRUE(StoreFileContents(dir + "\\s.ini", "new contents"));
    EXPECT_EQ(Get("s.ini"), "new contents");
    struct stat st {};
    ASSERT_EQ(::stat(Path("s.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_TRUE(StoreFileContents(Path("fresh.ini"), "x"));
    EXPECT_EQ(Get("fresh.ini"), "x");
    EXPECT_FALSE(StoreFileContents(Path("nodir/x.ini"), "x"));
    // A pipe takes the bytes and stays a pipe: no file takes its place.
    ASSERT_EQ(::mkfifo(Path("pipe").c_str(), 0600), 0);
    const int reader = ::open(Path("pipe").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_TRUE(StoreFileContents(Path("pipe"), "through"));
    char got[16] = {};
    EXPECT_EQ(::read(reader, got, sizeof got), 7);
    EXPECT_EQ(std::string(got), "through");
    ::close(reader);
    ASSERT_EQ(::stat(Path("pipe").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

// Runs Body in a child process as user Uid with group Gid and the supplementary Groups (from root),
// or as the user the test runs as when Uid is the effective one; answers its answer (-1: it was
// stopped, as by the alarm that ends a save that hangs).
int InChild(uid_t Uid, gid_t Gid, const std::vector<gid_t>& Groups, const std::function<int()>& Body)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::alarm(30);
        if (Uid != ::geteuid() &&
            (::setgroups(Groups.size(), Groups.data()) != 0 || ::setgid(Gid) != 0 || ::setuid(Uid) != 0))
            ::_exit(99);
        ::_exit(Body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Owner {
    uid_t Uid;
    gid_t Gid;
    mode_t Mode;
    bool operator==(const Owner&) const = default;
};
std::ostream& operator<<(std::ostream& Os, const Owner& O)
{
    return Os << O.Uid << ":" << O.Gid << " " << std::oct << O.Mode << std::dec;
}
Owner OwnerOf(const std::string& File)
{
    struct stat st {};
    ::stat(File.c_str(), &st);
    return {st.st_uid, st.st_gid, mode_t(st.st_mode & 07777)};
}

// Saved by another user who may write it, a file keeps its owner and group: one that cannot be given
// to its owner again (another user's file, also in a sticky folder where it could not be replaced) is
// rewritten in place; the user's own file keeps a group the user is in.
TEST_F(Files, ASaveByAnotherUserKeepsTheFilesOwnerAndGroup)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to make files of other users";
    ASSERT_EQ(::chmod(dir.c_str(), 0777), 0);
    const uid_t user = 1002;
    const gid_t own = 1002, shared = 2000;
    auto make = [&](const std::string& Name, uid_t Uid, gid_t Gid, mode_t Mode) {
        Put(Name, std::string(500, 'o'));
        ASSERT_EQ(::chown(Path(Name).c_str(), Uid, Gid), 0);
        ASSERT_EQ(::chmod(Path(Name).c_str(), Mode), 0);
    };
    make("theirs.txt", 1001, shared, 0664);
    make("mine.txt", user, shared, 0664);
    ASSERT_TRUE(CreateDir(Path("sticky")));
    ASSERT_EQ(::chmod(Path("sticky").c_str(), 01777), 0);
    make("sticky/open.txt", 1001, 1001, 0666);
    for (const char* name : {"theirs.txt", "mine.txt", "sticky/open.txt"}) {
        SCOPED_TRACE(name);
        const Owner before = OwnerOf(Path(name));
        const int stored =
            InChild(user, own, {own, shared}, [&] { return StoreFileContents(Path(name), "new") ? 0 : 1; });
        EXPECT_EQ(stored, 0);
        EXPECT_EQ(Get(name), "new");
        EXPECT_EQ(OwnerOf(Path(name)), before);
    }
    // Nothing was left beside them.
    TSearchRec r;
    int count = 0;
    for (Integer rc = FindFirst(Path("*"), faAnyFile, r); rc == 0; rc = FindNext(r)) ++count;
    FindClose(r);
    EXPECT_EQ(count, 3);
}

// The new bytes cannot all be written (a file size limit stands in for a full disk, as above) where
// no file can be made beside the old one: in a folder the user may not write to, and with a name so
// long that a suffix would pass the file system's limit. The old contents stay whole; with room, the
// save succeeds in place, and the long name gets a file beside it of a name that fits.
TEST_F(Files, AStoreThatCannotMakeAFileBesideKeepsTheOldContentsWhenTheDiskIsFull)
{
    const uid_t user = ::geteuid() == 0 ? 1002 : ::geteuid();
    ASSERT_EQ(::chmod(dir.c_str(), 0755), 0);
    ASSERT_TRUE(CreateDir(Path("locked")));
    const std::string locked = "locked/s.ini";
    const std::string longName = std::string(254, 'n');
    const std::string old(100, 'o');
    Put(locked, old);
    Put(longName, old);
    ASSERT_EQ(::chown(Path(locked).c_str(), user, user), 0);
    ASSERT_EQ(::chown(Path(longName).c_str(), user, user), 0);
    ASSERT_EQ(::chown(dir.c_str(), user, user), 0);
    // Root's folder as seen by another user; the user's own folder made read-only otherwise.
    ASSERT_EQ(::chmod(Path("locked").c_str(), 0555), 0);
    for (const std::string& name : {locked, longName}) {
        SCOPED_TRACE(name.substr(0, 20));
        const int stored = InChild(user, user, {user}, [&] {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit{};
            limit.rlim_cur = limit.rlim_max = 200;
            setrlimit(RLIMIT_FSIZE, &limit);
            const bool full = StoreFileContents(Path(name), std::string(1000, 'n'));
            const bool kept = Get(name) == old;
            const bool room = StoreFileContents(Path(name), std::string(150, 'm'));
            return (full ? 1 : 0) | (room ? 0 : 2) | (kept ? 0 : 4);
        });
        EXPECT_EQ(stored, 0) << "1: a full disk was taken for success, 2: a save with room failed, 4: the full "
                                "disk's save lost the old contents";
        EXPECT_EQ(Get(name), std::string(150, 'm'));
    }
    // Nothing was left beside either.
    for (const std::string& folder : {std::string("locked/*"), std::string("*")}) {
        TSearchRec r;
        int count = 0;
        for (Integer rc = FindFirst(Path(folder), faAnyFile, r); rc == 0; rc = FindNext(r)) ++count;
        FindClose(r);
        EXPECT_EQ(count, folder == "*" ? 2 : 1) << folder;
    }
    ::chmod(Path("locked").c_str(), 0755);
}

// The same on a real small file system, where this machine lets the test make one (root, and mounts
// permitted): a 64 KB disk nearly full, a file of the user's in a folder of root's, and a file whose
// name is 254 bytes long in a folder the user may write to.
TEST_F(Files, OnASmallDiskThatIsFullTheOldFileStays)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to make a small file system";
    const std::string disk = Path("disk");
    ASSERT_TRUE(CreateDir(disk));
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k,mode=0755") != 0)
        GTEST_SKIP() << "no file system can be mounted here: " << std::strerror(errno);
    struct Unmount {
        std::string Dir;
        ~Unmount() { ::umount2(Dir.c_str(), MNT_DETACH); }
    } unmount{disk};
    ASSERT_EQ(::chmod(dir.c_str(), 0755), 0);
    const uid_t user = 1002;
    const std::string old(20000, 'o');
    ASSERT_TRUE(CreateDir(disk + "/open"));
    ASSERT_EQ(::chmod((disk + "/open").c_str(), 0777), 0);
    const std::string inRoots = disk + "/s.txt";
    const std::string longName = disk + "/open/" + std::string(254, 'n');
    for (const std::string& file : {inRoots, longName}) {
        std::ofstream(file, std::ios::binary) << old;
        ASSERT_EQ(::chown(file.c_str(), user, user), 0);
    }
    // Filled to 8 KB from the end.
    {
        std::ofstream fill(disk + "/fill", std::ios::binary);
        fill << std::string(16384, 'f');
    }
    for (const std::string& file : {inRoots, longName}) {
        SCOPED_TRACE(file.substr(disk.size(), 20));
        const int stored =
            InChild(user, user, {user}, [&] { return StoreFileContents(file, std::string(41000, 'n')) ? 1 : 0; });
        EXPECT_EQ(stored, 0);
        std::ifstream f(file, std::ios::binary);
        const std::string now{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
        EXPECT_TRUE(now == old) << "the file holds " << now.size() << " bytes";
    }
}

// A write that fails part-way (here: a file size limit standing in for a full disk) must leave the
// old contents as they were, not half of the new ones.
TEST_F(Files, AFailedStoreLeavesTheOldContentsWhole)
{
    const std::string old(100, 'o');
    Put("s.ini", old);
    EXPECT_EXIT(
        {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit{};
            limit.rlim_cur = limit.rlim_max = 200;
            setrlimit(RLIMIT_FSIZE, &limit);
            const bool stored = StoreFileContents(Path("s.ini"), std::string(1000, 'n'));
            TStringList left;
            TSearchRec r;
            for (Integer rc = FindFirst(Path("*"), faAnyFile, r); rc == 0; rc = FindNext(r)) left.Add(r.Name);
            FindClose(r);
            std::fprintf(stderr, "stored %d, contents %s, files %s\n", stored,
                         Get("s.ini") == old ? "old" : "changed", left.CommaText().c_str());
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "stored 0, contents old, files s.ini");
}

}  // namespace
