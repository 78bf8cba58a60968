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

bool WriteFully(int h, const std::string& data)
{
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(h, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool SyncIf(int h, bool sync)
{
    return !sync || ::fsync(h) == 0;
}

// Writes data into the file at path, opened with flags (and made with mode 0666 when O_CREAT).
bool WriteOpened(const std::string& path, int flags, const std::string& data, bool sync)
{
    const int h = ::open(path.c_str(), flags | O_WRONLY | O_TRUNC | O_CLOEXEC, 0666);
    if (h < 0) return false;
    const bool ok = WriteFully(h, data) && SyncIf(h, sync);
    return ::close(h) == 0 && ok;
}

}  // namespace

bool StoreFileContents(const std::string& FileName, const std::string& data, bool Sync)
{
    const std::string path = NativeFileName(FileName);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return WriteOpened(path, O_CREAT, data, Sync);
    if (S_ISDIR(st.st_mode)) return false;

    // Write through a symbolic link to the file it names, keeping the link.
    char resolved[PATH_MAX];
    const std::string target = ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
    // A device or a pipe keeps no contents to lose, and must not be replaced by a file.
    if (!S_ISREG(st.st_mode)) return WriteOpened(target, 0, data, Sync);
    // Replacing the file must not get round its being read-only.
    if (::access(target.c_str(), W_OK) != 0) return false;
    std::string temp = target + ".XXXXXX";
    const int t = ::mkstemp(temp.data());
    if (t >= 0) {
        // A file system that keeps no modes cannot take the old one's place faithfully: rewrite
        // in place instead. Any other failure (a full disk) leaves the old contents alone.
        if (::fchmod(t, st.st_mode & 07777) == 0) {
            if (::fchown(t, st.st_uid, st.st_gid) != 0) {
                // Not permitted for other owners' files; the new file then belongs to us.
            }
            bool ok = WriteFully(t, data) && SyncIf(t, Sync);
            ok = ::close(t) == 0 && ok;
            if (ok && ::rename(temp.c_str(), target.c_str()) == 0) return true;
            ::unlink(temp.c_str());
            return false;
        }
        ::close(t);
        ::unlink(temp.c_str());
    }
    return WriteOpened(target, 0, data, Sync);
}
