#include "platform/FileUtils.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "platform/SysUtils.h"

namespace {

bool IsDelimiter(char c)
{
    return c == '/' || c == '\\';
}

size_t LastDelimiter(const std::string& s)
{
    return s.find_last_of("/\\");
}

bool StatName(const std::string& name, struct stat& st)
{
    if (name.empty()) return false;
    return ::stat(NativeFileName(name).c_str(), &st) == 0;
}

Integer AttrOf(const std::string& baseName, const struct stat& st)
{
    Integer a = 0;
    if (S_ISDIR(st.st_mode)) a |= faDirectory;
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) a |= faReadOnly;
    if (!baseName.empty() && baseName[0] == '.' && baseName != "." && baseName != "..") a |= faHidden;
    return a;
}

TDateTime LocalDateTimeOf(time_t t, long ns)
{
    const TSystemTime s = platform_detail::LocalSystemTime(t, ns);
    TDateTime d, tt;
    if (!TryEncodeDate(s.wYear, s.wMonth, s.wDay, d) ||
        !TryEncodeTime(s.wHour, s.wMinute, s.wSecond, s.wMilliseconds, tt))
        return 0;
    return d + tt;
}

char Fold(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

bool Match(const char* n, const char* m)
{
    // Iterative wildcard match with one backtrack point for the last '*'.
    const char* starM = nullptr;
    const char* starN = nullptr;
    while (*n) {
        if (*m == '*') {
            starM = ++m;
            starN = n;
        } else if (*m == '?' || (*m && Fold(*m) == Fold(*n))) {
            ++m;
            ++n;
        } else if (starM) {
            m = starM;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (*m == '*') ++m;
    return *m == '\0';
}

}  // namespace

namespace platform_detail {
struct SearchState {
    std::vector<TSearchRec> Entries;
    size_t Next = 0;
};
}  // namespace platform_detail

bool FileExists(const std::string& FileName)
{
    struct stat st {};
    return StatName(FileName, st) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& Directory)
{
    struct stat st {};
    return StatName(Directory, st) && S_ISDIR(st.st_mode);
}

Integer FileGetAttr(const std::string& FileName)
{
    struct stat st {};
    if (!StatName(FileName, st)) return -1;
    return AttrOf(ExtractFileName(ExcludeTrailingPathDelimiter(FileName)), st);
}

Int64 FileSizeOf(const std::string& FileName)
{
    struct stat st {};
    if (!StatName(FileName, st) || S_ISDIR(st.st_mode)) return -1;
    return static_cast<Int64>(st.st_size);
}

TDateTime FileDateTimeOf(const std::string& FileName)
{
    struct stat st {};
    if (!StatName(FileName, st)) return 0;
    return LocalDateTimeOf(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
}

bool CreateDir(const std::string& Dir)
{
    if (Dir.empty()) return false;
    return ::mkdir(NativeFileName(Dir).c_str(), 0777) == 0;
}

bool ForceDirectories(const std::string& Dir)
{
    const std::string d = ExcludeTrailingPathDelimiter(NativeFileName(Dir));
    if (d.empty()) return false;
    if (DirectoryExists(d)) return true;
    const std::string parent = ExtractFileDir(d);
    if (!parent.empty() && parent != d && !ForceDirectories(parent)) return false;
    // Another process may have made it in between; what counts is that it exists now.
    return CreateDir(d) || DirectoryExists(d);
}

bool RemoveDir(const std::string& Dir)
{
    return !Dir.empty() && ::rmdir(NativeFileName(Dir).c_str()) == 0;
}

bool DeleteFile(const std::string& FileName)
{
    if (FileName.empty() || DirectoryExists(FileName)) return false;
    return ::unlink(NativeFileName(FileName).c_str()) == 0;
}

bool RenameFile(const std::string& OldName, const std::string& NewName)
{
    if (OldName.empty() || NewName.empty()) return false;
    const std::string from = NativeFileName(OldName), to = NativeFileName(NewName);
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // The file system cannot refuse to replace by itself.
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) return false;
    return ::rename(from.c_str(), to.c_str()) == 0;
}

std::string GetCurrentDir()
{
    std::vector<char> buf(4096);
    while (::getcwd(buf.data(), buf.size()) == nullptr) {
        if (errno != ERANGE) return {};
        buf.resize(buf.size() * 2);
    }
    return buf.data();
}

bool SetCurrentDir(const std::string& Dir)
{
    return !Dir.empty() && ::chdir(NativeFileName(Dir).c_str()) == 0;
}

std::string ExtractFileName(const std::string& FileName)
{
    const size_t p = LastDelimiter(FileName);
    return p == std::string::npos ? FileName : FileName.substr(p + 1);
}

std::string ExtractFilePath(const std::string& FileName)
{
    const size_t p = LastDelimiter(FileName);
    return p == std::string::npos ? std::string() : FileName.substr(0, p + 1);
}

std::string ExtractFileDir(const std::string& FileName)
{
    const size_t p = LastDelimiter(FileName);
    if (p == std::string::npos) return {};
    // The root keeps its delimiter: the directory of "/x" is "/".
    return p == 0 ? FileName.substr(0, 1) : FileName.substr(0, p);
}

std::string ExtractFileExt(const std::string& FileName)
{
    const size_t p = FileName.find_last_of("./\\");
    if (p == std::string::npos || FileName[p] != '.') return {};
    return FileName.substr(p);
}

std::string ChangeFileExt(const std::string& FileName, const std::string& Extension)
{
    const size_t p = FileName.find_last_of("./\\");
    if (p == std::string::npos || FileName[p] != '.') return FileName + Extension;
    return FileName.substr(0, p) + Extension;
}

std::string IncludeTrailingPathDelimiter(const std::string& S)
{
    if (!S.empty() && IsDelimiter(S.back())) return S;
    return S + PathDelim;
}

std::string ExcludeTrailingPathDelimiter(const std::string& S)
{
    std::string r = S;
    while (r.size() > 1 && IsDelimiter(r.back())) r.pop_back();
    return r;
}

std::string ExpandFileName(const std::string& FileName)
{
    std::string name = NativeFileName(FileName);
    if (name.empty()) return {};
    if (name[0] != '/') name = IncludeTrailingPathDelimiter(GetCurrentDir()) + name;
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= name.size()) {
        size_t j = name.find('/', i);
        if (j == std::string::npos) j = name.size();
        const std::string part = name.substr(i, j - i);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = j + 1;
    }
    std::string r;
    for (const std::string& p : parts) r += "/" + p;
    if (r.empty()) r = "/";
    // A name that ended in a delimiter still names a directory.
    if (IsDelimiter(name.back()) && r != "/") r += '/';
    return r;
}

bool MatchesMask(const std::string& Name, const std::string& Mask)
{
    if (Mask == "*.*" || Mask == "*") return true;
    return Match(Name.c_str(), Mask.c_str());
}

Integer FindFirst(const std::string& Path, Integer Attr, TSearchRec& F)
{
    FindClose(F);
    const std::string native = NativeFileName(Path);
    const size_t p = native.rfind('/');
    std::string dir = p == std::string::npos ? std::string(".") : native.substr(0, p + 1);
    const std::string mask = p == std::string::npos ? native : native.substr(p + 1);
    if (mask.empty()) return 2;

    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) return 3;
    auto state = std::make_shared<platform_detail::SearchState>();
    F.ExcludeAttr = ~Attr & (faHidden | faSysFile | faVolumeID | faDirectory);
    while (dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (!MatchesMask(name, mask)) continue;
        struct stat st {};
        if (::stat((IncludeTrailingPathDelimiter(dir) + name).c_str(), &st) != 0) continue;  // a dangling link
        TSearchRec r;
        r.Name = name;
        r.Attr = AttrOf(name, st);
        if (r.Attr & F.ExcludeAttr) continue;
        r.Size = S_ISDIR(st.st_mode) ? 0 : static_cast<Int64>(st.st_size);
        r.TimeStamp = LocalDateTimeOf(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
        state->Entries.push_back(std::move(r));
    }
    ::closedir(d);
    std::sort(state->Entries.begin(), state->Entries.end(),
              [](const TSearchRec& a, const TSearchRec& b) { return a.Name < b.Name; });
    if (state->Entries.empty()) return 2;
    F.FindHandle = state;
    return FindNext(F);
}

Integer FindNext(TSearchRec& F)
{
    auto* s = F.FindHandle.get();
    if (s == nullptr || s->Next >= s->Entries.size()) return 18;
    const Integer exclude = F.ExcludeAttr;
    F.Name = s->Entries[s->Next].Name;
    F.Size = s->Entries[s->Next].Size;
    F.Attr = s->Entries[s->Next].Attr;
    F.TimeStamp = s->Entries[s->Next].TimeStamp;
    F.ExcludeAttr = exclude;
    ++s->Next;
    return 0;
}

void FindClose(TSearchRec& F)
{
    F.FindHandle.reset();
}

int FileOpen(const std::string& FileName, Word Mode)
{
    int flags = O_CLOEXEC;
    switch (Mode & 3) {
    case 1: flags |= O_WRONLY; break;
    case 2: flags |= O_RDWR; break;
    default: flags |= O_RDONLY; break;
    }
    const int h = ::open(NativeFileName(FileName).c_str(), flags);
    if (h < 0) return -1;
    struct stat st {};
    if (::fstat(h, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(h);
        return -1;
    }
    return h;
}

int FileCreate(const std::string& FileName)
{
    const int h = ::open(NativeFileName(FileName).c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    return h < 0 ? -1 : h;
}

Integer FileRead(int Handle, void* Buffer, Integer Count)
{
    if (Count <= 0) return 0;
    ssize_t n;
    do n = ::read(Handle, Buffer, static_cast<size_t>(Count));
    while (n < 0 && errno == EINTR);
    return static_cast<Integer>(n);
}

Integer FileWrite(int Handle, const void* Buffer, Integer Count)
{
    if (Count <= 0) return 0;
    Integer done = 0;
    const auto* p = static_cast<const char*>(Buffer);
    while (done < Count) {
        const ssize_t n = ::write(Handle, p + done, static_cast<size_t>(Count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return done > 0 ? done : static_cast<Integer>(n);
        done += static_cast<Integer>(n);
    }
    return done;
}

Int64 FileSeek(int Handle, Int64 Offset, int Origin)
{
    const int whence = Origin == 1 ? SEEK_CUR : (Origin == 2 ? SEEK_END : SEEK_SET);
    return static_cast<Int64>(::lseek(Handle, static_cast<off_t>(Offset), whence));
}

void FileClose(int Handle)
{
    if (Handle >= 0) ::close(Handle);
}

namespace {

TStoreFaults gFaults;
// The reason of the last failed save on this thread. A plain buffer, not a string: the settings are
// flushed by an exit handler, and a thread's objects with destructors are gone by then.
thread_local char gStoreError[512];

void SetStoreError(const std::string& why)
{
    const size_t n = std::min(why.size(), sizeof gStoreError - 1);
    std::memcpy(gStoreError, why.data(), n);
    gStoreError[n] = '\0';
}

bool Fail(int err, const std::string& why = std::string())
{
    SetStoreError(why.empty() ? std::string(std::strerror(err)) : why);
    errno = err;
    return false;
}

// Writes Data at Offset whole; a fault set by a test stops it where the file would pass its room.
bool WriteAt(int h, const char* data, size_t size, off_t offset)
{
    size_t done = 0;
    while (done < size) {
        size_t chunk = size - done;
        if (gFaults.Room >= 0) {
            const Int64 room = gFaults.Room - static_cast<Int64>(offset) - static_cast<Int64>(done);
            if (room <= 0) return Fail(gFaults.Error);
            chunk = std::min<size_t>(chunk, static_cast<size_t>(room));
        }
        const ssize_t n = ::pwrite(h, data + done, chunk, offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Fail(errno);
        if (n == 0) return Fail(EIO);
        done += static_cast<size_t>(n);
    }
    return true;
}

// Writes Data to a pipe or device as it comes (no offsets there).
bool WriteStream(int h, const std::string& data)
{
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(h, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Fail(errno);
        if (n == 0) return Fail(EIO);
        done += static_cast<size_t>(n);
    }
    return true;
}

bool SyncIf(int h, bool sync)
{
    return !sync || ::fsync(h) == 0 || Fail(errno);
}

bool CloseChecked(int h, bool ok)
{
    const int err = errno;
    if (::close(h) != 0 && ok) return Fail(errno);
    errno = err;
    return ok;
}

// Makes room for Size bytes ahead of writing them, so that a full disk is found before any byte of
// the file changes. A file system that cannot reserve answers yes: the writer then copes.
bool Reserve(int h, Int64 size)
{
    if (gFaults.NoReserve || size <= 0) return true;
    if (gFaults.Room >= 0 && size > gFaults.Room) return Fail(gFaults.Error);
    int rc;
    do rc = ::fallocate(h, 0, 0, static_cast<off_t>(size));
    while (rc != 0 && errno == EINTR);
    if (rc == 0) return true;
    return errno == EOPNOTSUPP || errno == ENOSYS ? true : Fail(errno);
}

bool ReadAllAt(int h, std::string& out, Int64 size)
{
    out.resize(static_cast<size_t>(size));
    size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::pread(h, out.data() + done, out.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Fail(errno);
        if (n == 0) break;  // it shrank meanwhile
        done += static_cast<size_t>(n);
    }
    out.resize(done);
    return true;
}

// A new file: made only here (nothing to keep), and removed again when its bytes cannot all go in.
bool StoreNew(const std::string& path, const std::string& data, bool sync)
{
    int h = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    bool made = h >= 0;
    // A link to a file yet to be made: the file is made through it. One made meanwhile by someone
    // else, with something in it, is not cut short.
    if (h < 0 && errno == EEXIST) {
        h = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
        struct stat st {};
        if (h >= 0 && (::fstat(h, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size != 0)) {
            ::close(h);
            return Fail(EEXIST, "it was made by another program meanwhile");
        }
    }
    if (h < 0) return Fail(errno);
    bool ok =
        Reserve(h, static_cast<Int64>(data.size())) && WriteAt(h, data.data(), data.size(), 0) && SyncIf(h, sync);
    ok = CloseChecked(h, ok);
    if (!ok && made) {
        const int err = errno;
        ::unlink(path.c_str());
        errno = err;
    }
    return ok;
}

// Rewrites a file where it stands (the way that keeps its owner, group, mode, links and everything
// else about it) without losing the old contents: room for the new bytes is made first, the file
// shrinks only once all of them are in, and a write that fails puts the old bytes back.
bool StoreInPlace(const std::string& path, const std::string& data, bool sync)
{
    const int h = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (h < 0) return Fail(errno);
    struct stat st {};
    std::string old;
    bool ok = ::fstat(h, &st) == 0 || Fail(errno);
    ok = ok && (S_ISREG(st.st_mode) || Fail(EINVAL, "it is no longer a regular file"));
    ok = ok && ReadAllAt(h, old, static_cast<Int64>(st.st_size));
    const Int64 size = static_cast<Int64>(data.size());
    if (ok && size > static_cast<Int64>(old.size()) && !Reserve(h, size)) {
        // Whatever the reservation added goes again; the old bytes were not touched.
        const int err = errno;
        (void)::ftruncate(h, static_cast<off_t>(old.size()));
        errno = err;
        ok = false;
    } else if (ok) {
        ok = WriteAt(h, data.data(), data.size(), 0);
        if (ok && size < static_cast<Int64>(old.size()))
            ok = ::ftruncate(h, static_cast<off_t>(size)) == 0 || Fail(errno);
        if (!ok) {
            // The old bytes fit where they were: put them back and the length with them.
            const int err = errno;
            const std::string why = gStoreError;
            const TStoreFaults faults = gFaults;
            gFaults = TStoreFaults{};
            const bool back =
                WriteAt(h, old.data(), old.size(), 0) && ::ftruncate(h, static_cast<off_t>(old.size())) == 0;
            gFaults = faults;
            SetStoreError(back ? why : why + "; the old contents could not all be put back");
            errno = err;
        }
        ok = SyncIf(h, sync || !ok) && ok;
    }
    return CloseChecked(h, ok);
}

// A name for a temporary file beside Target that the file system takes (Target's own name with a
// suffix, its start alone where the whole would be too long).
std::string TemporaryNameBeside(const std::string& target)
{
    const size_t slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    long max = ::pathconf(dir.c_str(), _PC_NAME_MAX);
    if (max <= 0) max = NAME_MAX;
    const std::string suffix = ".XXXXXX";
    if (base.size() + suffix.size() > static_cast<size_t>(max)) base.resize(static_cast<size_t>(max) - suffix.size());
    return (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + base + suffix;
}

// The new bytes go to a file beside the old one, made to look like it (mode, owner, group), which
// then takes its place: a failure on the way leaves the old file as it was. Answers false with
// Tried false where no such file can stand in for the old one; Tried true: it was tried, and what
// it answers is the outcome.
bool StoreBeside(const std::string& target, const struct stat& st, const std::string& data, bool sync, bool& tried)
{
    tried = false;
    if (gFaults.NoTemporary) return false;
    std::string temp = TemporaryNameBeside(target);
    const int t = ::mkstemp(temp.data());
    if (t < 0) return false;
    // The stand-in must carry what the old file had; where it cannot (another owner's file, a group
    // the user is not in, a file system that keeps no modes), the file is rewritten in place.
    bool like = ::fchmod(t, st.st_mode & 07777) == 0;
    if (like && (st.st_uid != ::geteuid() || st.st_gid != ::getegid())) {
        like = ::fchown(t, st.st_uid, st.st_gid) == 0 ||
               (st.st_uid == ::geteuid() && ::fchown(t, static_cast<uid_t>(-1), st.st_gid) == 0);
        // Setting the group of a file that keeps set-group-ID drops that bit: set the mode again.
        like = like && ::fchmod(t, st.st_mode & 07777) == 0;
    }
    if (!like) {
        ::close(t);
        ::unlink(temp.c_str());
        return false;
    }
    tried = true;
    bool ok = Reserve(t, static_cast<Int64>(data.size())) && WriteAt(t, data.data(), data.size(), 0) && SyncIf(t, sync);
    ok = CloseChecked(t, ok);
    ok = ok && (::rename(temp.c_str(), target.c_str()) == 0 || Fail(errno));
    if (!ok) {
        const int err = errno;
        ::unlink(temp.c_str());
        errno = err;
    }
    return ok;
}

}  // namespace

void SetStoreFaults(const TStoreFaults& Faults) { gFaults = Faults; }

std::string StoreFileError() { return std::string(gStoreError); }

bool StoreFileContents(const std::string& FileName, const std::string& data, bool Sync)
{
    gStoreError[0] = '\0';
    const std::string path = NativeFileName(FileName);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT) return Fail(errno);
        return StoreNew(path, data, Sync);
    }
    if (S_ISDIR(st.st_mode)) return Fail(EISDIR, "it is a folder");

    // Write through a symbolic link to the file it names, keeping the link.
    char resolved[PATH_MAX];
    const std::string target = ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
    if (!S_ISREG(st.st_mode)) {
        // A pipe or device keeps no contents to lose and must not be replaced by a file: the bytes go
        // into it, as long as that cannot hang the program. A pipe that nothing reads is refused
        // (it would wait for a reader for ever), as is a socket.
        if (S_ISSOCK(st.st_mode)) return Fail(ENXIO, "it is a socket, not a file");
        const int h = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
        if (h < 0) {
            if (errno == ENXIO && S_ISFIFO(st.st_mode)) return Fail(ENXIO, "it is a pipe that no program reads");
            return Fail(errno);
        }
        // A reader is there: the bytes go at its pace.
        const int flags = ::fcntl(h, F_GETFL);
        if (flags >= 0) ::fcntl(h, F_SETFL, flags & ~O_NONBLOCK);
        const bool ok = WriteStream(h, data) && SyncIf(h, Sync && !S_ISFIFO(st.st_mode) && !S_ISCHR(st.st_mode));
        return CloseChecked(h, ok);
    }
    // Replacing the file must not get round its being read-only.
    if (::access(target.c_str(), W_OK) != 0) return Fail(errno, "it is read-only");
    bool tried = false;
    const bool stored = StoreBeside(target, st, data, Sync, tried);
    if (tried) return stored;
    // No file can stand in for it (a folder the user may not write to, another owner's file, a name
    // too long for a suffix): rewritten where it stands, never losing the old contents.
    return StoreInPlace(target, data, Sync);
}
