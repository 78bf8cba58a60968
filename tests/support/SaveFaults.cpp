#include "tests/support/SaveFaults.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <exception>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/FileUtils.h"
#include "tests/support/UiTest.h"

namespace savetest {
namespace {

std::string Read(const std::string& File)
{
    std::ifstream f(File, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

void Write(const std::string& File, const std::string& Bytes)
{
    std::ofstream f(File, std::ios::binary | std::ios::trunc);
    f << Bytes;
}

std::set<std::string> Names(const std::string& Dir)
{
    std::set<std::string> names;
    if (DIR* d = ::opendir(Dir.c_str())) {
        while (dirent* e = ::readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.insert(e->d_name);
        ::closedir(d);
    }
    return names;
}

// Old contents that a settings file reads as comments, Size bytes long.
std::string OldContents(size_t Size)
{
    std::string s;
    while (s.size() < Size)
        s += "; old contents " + std::to_string(s.size()) + "\n";
    s.resize(Size - 1);
    return s + "\n";
}

// Runs the save; answers whether it succeeded (no exception and a true answer) and what it raised.
bool Saved(const TSavePath& Path, const std::string& File, std::string& Raised)
{
    Raised.clear();
    try {
        return Path.Save(File);
    } catch (const std::exception& e) {
        Raised = e.what();
        return false;
    }
}

struct TFaultScope {
    explicit TFaultScope(const TStoreFaults& F) { SetStoreFaults(F); }
    ~TFaultScope() { SetStoreFaults({}); }
};

}  // namespace

void ExpectEveryFaultKeepsTheOldFile(const TSavePath& Path)
{
    SCOPED_TRACE(Path.Name);
    const size_t oldSize = 256;
    const std::string old = OldContents(oldSize);
    const std::string dir = uitest::TempDir();
    long nameMax = ::pathconf(dir.c_str(), _PC_NAME_MAX);
    if (nameMax <= 0)
        nameMax = NAME_MAX;
    const std::string shortName = "saved" + Path.Ext;
    const std::string longName = std::string(size_t(nameMax) - Path.Ext.size(), 'n') + Path.Ext;

    // What the save writes over the old file when nothing fails.
    const std::string probe = dir + "/" + shortName;
    Write(probe, old);
    std::string raised;
    ASSERT_TRUE(Saved(Path, probe, raised)) << raised;
    const std::string made = Read(probe);
    const size_t n = made.size();
    ASSERT_GT(n, oldSize + 16) << "the row must save more than the old file holds";
    ASSERT_NE(made, old);
    ::unlink(probe.c_str());

    struct TCase {
        const char* What;
        TStoreFaults Faults;
        bool Long;
        bool Saves;
    };
    TStoreFaults full;
    full.Room = Int64(oldSize + n) / 2;
    TStoreFaults failing;
    failing.Room = Int64(n) / 2;
    failing.Error = EIO;
    TStoreFaults inPlaceFull = full;
    inPlaceFull.NoTemporary = true;
    TStoreFaults inPlaceFailing = failing;
    inPlaceFailing.NoTemporary = true;
    inPlaceFailing.NoReserve = true;
    TStoreFaults inPlaceNoReserveFull = full;
    inPlaceNoReserveFull.NoTemporary = true;
    inPlaceNoReserveFull.NoReserve = true;
    const TStoreFaults none;
    TStoreFaults inPlace;
    inPlace.NoTemporary = true;
    const TCase cases[] = {
        {"a full disk", full, false, false},
        {"a failing write", failing, false, false},
        {"a folder the user may not write to, on a full disk", inPlaceFull, false, false},
        {"a folder the user may not write to, on a full disk that reserves no room", inPlaceNoReserveFull, false,
         false},
        {"a folder the user may not write to, a write failing half-way", inPlaceFailing, false, false},
        {"a name as long as the file system allows, on a full disk", full, true, false},
        {"a file beside it taking its place", none, false, true},
        {"in place, in a folder the user may not write to", inPlace, false, true},
        {"a name as long as the file system allows", none, true, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        const std::string file = dir + "/" + (c.Long ? longName : shortName);
        Write(file, old);
        ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
        const std::set<std::string> before = Names(dir);
        bool ok;
        {
            TFaultScope scope(c.Faults);
            ok = Saved(Path, file, raised);
        }
        const std::string now = Read(file);
        if (c.Saves) {
            EXPECT_TRUE(ok) << raised;
            // What some paths save differs from one save to the next (an identity of the moment),
            // never its length.
            EXPECT_TRUE(now != old && now.size() == n) << "the file holds " << now.size() << " bytes, not the " << n
                                                       << " saved";
        } else {
            EXPECT_FALSE(ok) << "the save said it succeeded";
            EXPECT_TRUE(now == old) << "the old file is " << now.size() << " bytes, not the " << oldSize << " it held";
        }
        struct stat st {};
        ASSERT_EQ(::stat(file.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0640u);
        EXPECT_EQ(Names(dir), before) << "a file was left beside it";
        ::unlink(file.c_str());
    }

    // A pipe that no program reads: refused at once, never waited on (the alarm ends a save that
    // would hang), and still a pipe.
    {
        SCOPED_TRACE("a pipe that no program reads");
        const std::string pipe = dir + "/" + shortName;
        ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
        ::alarm(30);
        const bool ok = Saved(Path, pipe, raised);
        ::alarm(0);
        EXPECT_FALSE(ok);
        struct stat st {};
        ASSERT_EQ(::stat(pipe.c_str(), &st), 0);
        EXPECT_TRUE(S_ISFIFO(st.st_mode));
        ::unlink(pipe.c_str());
    }
}

}  // namespace savetest
