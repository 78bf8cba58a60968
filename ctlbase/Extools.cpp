#include "ctlbase/Extools.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <random>
#include <thread>
#include <vector>

#include "ctlbase/Exstrutils.h"
#include "platform/FileUtils.h"
#include "platform/MMSystem.h"

extern char** environ;

// ---------------------------------------------------------------- version flags

namespace {

struct OsVersion {
    Integer Platform, Major, Minor, Build;
};
constexpr OsVersion Version{2, 5, 1, 2600};
constexpr bool Consumer = Version.Platform == 1;
constexpr bool NT = Version.Platform == 2;

}  // namespace

bool IsWin95 = Consumer;
bool IsWin95OSR2 = Consumer && Version.Build >= 1000;
bool IsWin98 = Consumer && Version.Minor > 0;
bool IsWin98Up = Consumer && Version.Minor > 0;
bool IsWinME = Consumer && Version.Minor >= 90;
bool IsWinNT = NT;
bool IsWin2000 = NT && Version.Major >= 5;
bool IsWin2000Up = NT && Version.Major >= 5;
bool IsWinNTUp = NT || (NT && Version.Major >= 5);
bool IsWinXP = NT && Version.Major == 5 && Version.Minor == 1;
bool IsWinXPUp = NT && Version.Major >= 5 && Version.Minor >= 1;
bool IsLinux = false;

// ---------------------------------------------------------------- streams

namespace {

constexpr Int64 ChunkSize = 65536;

bool ReadLength(TStream* Stream, Integer& Len)
{
    Byte b[4];
    if (Stream->Read(b, 4) != 4) return false;
    Len = static_cast<Integer>(static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
                               static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24);
    return true;
}

void WriteLength(TStream* Stream, Integer Len)
{
    const auto u = static_cast<std::uint32_t>(Len);
    const Byte b[4] = {static_cast<Byte>(u), static_cast<Byte>(u >> 8), static_cast<Byte>(u >> 16),
                       static_cast<Byte>(u >> 24)};
    Stream->WriteBuffer(b, 4);
}

// Reads exactly Count bytes. A count beyond what the stream still holds fails before anything is
// allocated; where the stream cannot tell its size, memory grows only with the data that arrives.
bool ReadExactly(TStream* Stream, Int64 Count, std::string& Out)
{
    const Int64 pos = Stream->Position();
    const Int64 size = pos >= 0 ? Stream->Size() : -1;
    if (pos >= 0 && size >= 0 && Count > size - pos) return false;
    Out.clear();
    while (static_cast<Int64>(Out.size()) < Count) {
        const Int64 step = std::min<Int64>(ChunkSize, Count - static_cast<Int64>(Out.size()));
        const size_t old = Out.size();
        Out.resize(old + static_cast<size_t>(step));
        if (Stream->Read(&Out[old], step) != step) return false;
    }
    return true;
}

}  // namespace

void TDirectMemoryStream::SetPointer(void* Ptr, Int64 Size)
{
    FBlock = static_cast<Byte*>(Ptr);
    TCustomMemoryStream::SetPointer(Ptr, Ptr != nullptr && Size > 0 ? Size : 0);
    FPosition = 0;
}

Int64 TDirectMemoryStream::Write(const void* Buffer, Int64 Count)
{
    if (Count <= 0 || FPosition < 0 || FPosition >= FSize) return 0;
    const Int64 n = std::min(Count, FSize - FPosition);
    std::memcpy(FBlock + FPosition, Buffer, static_cast<size_t>(n));
    FPosition += n;
    return n;
}

void TDirectMemoryStream::SetSize(Int64 NewSize)
{
    if (NewSize != FSize) throw EStreamError("The size of a caller's memory block cannot change");
}

bool WriteStringToStream(TStream* Stream, const std::string& S)
{
    if (S.size() > static_cast<size_t>(MaxInt)) return false;
    try {
        WriteLength(Stream, static_cast<Integer>(S.size()));
        Stream->WriteBuffer(S.data(), static_cast<Int64>(S.size()));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool ReadStringFromStream(TStream* Stream, std::string& S)
{
    try {
        Integer len = 0;
        if (!ReadLength(Stream, len) || len < 0) return false;
        std::string text;
        if (!ReadExactly(Stream, len, text)) return false;
        S = std::move(text);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool WriteWideStringToStream(TStream* Stream, const std::u16string& W)
{
    if (W.size() > static_cast<size_t>(MaxInt)) return false;
    try {
        WriteLength(Stream, static_cast<Integer>(W.size()));
        std::string bytes;
        bytes.reserve(W.size() * 2);
        for (char16_t c : W) {
            bytes += static_cast<char>(c & 0xFF);
            bytes += static_cast<char>(c >> 8);
        }
        Stream->WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool ReadWideStringFromStream(TStream* Stream, std::u16string& W)
{
    try {
        Integer len = 0;
        if (!ReadLength(Stream, len) || len < 0) return false;
        std::string bytes;
        if (!ReadExactly(Stream, static_cast<Int64>(len) * 2, bytes)) return false;
        std::u16string text(static_cast<size_t>(len), u'\0');
        for (size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<char16_t>(static_cast<Byte>(bytes[2 * i]) | static_cast<Byte>(bytes[2 * i + 1]) << 8);
        W = std::move(text);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool WriteFStringToStream(TStream* Stream, const TExFString& S)
{
    return WriteStringToStream(Stream, S);
}

bool ReadFStringFromStream(TStream* Stream, TExFString& S)
{
    std::string text;
    const bool ok = ReadStringFromStream(Stream, text);
    S = ok ? std::move(text) : std::string();
    return ok;
}

void WriteTextToStream(TStream* Stream, const std::string& S)
{
    if (S.size() >= 2 && S.compare(S.size() - 2, 2, "\r\n") == 0) {
        Stream->WriteBuffer(S.data(), static_cast<Int64>(S.size()));
        return;
    }
    const std::string line = S + "\r\n";
    Stream->WriteBuffer(line.data(), static_cast<Int64>(line.size()));
}

bool ReadTextFromStream(TStream* Stream, std::string& S)
{
    constexpr Int64 Step = 256;
    S.clear();
    for (;;) {
        const size_t old = S.size();
        S.resize(old + Step);
        Int64 n = Stream->Read(&S[old], Step);
        if (n < 0) n = 0;
        S.resize(old + static_cast<size_t>(n));
        // Searching from one byte back finds a CR LF split between two steps.
        const size_t at = S.find("\r\n", old > 0 ? old - 1 : 0);
        if (at != std::string::npos) {
            const Int64 extra = static_cast<Int64>(S.size() - at - 2);
            if (extra > 0) Stream->Seek(-extra, soCurrent);
            S.resize(at);
            return true;
        }
        if (n < Step) return false;
    }
}

// ---------------------------------------------------------------- folders and files

namespace {

std::string WithSlash(const std::string& S)
{
    if (S.empty() || S.back() == '/' || S.back() == '\\') return S;
    return S + "/";
}

std::string HomeDir()
{
    const char* h = std::getenv("HOME");
    if (h != nullptr && *h != '\0') return h;
    if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr) return pw->pw_dir;
    return {};
}

// An XDG base directory: the variable when it holds an absolute path, else HOME + the default.
std::string BaseDir(const char* Var, const char* Default)
{
    const char* v = std::getenv(Var);
    if (v != nullptr && v[0] == '/') return v;
    const std::string home = HomeDir();
    return home.empty() ? std::string() : home + "/" + Default;
}

// The first absolute entry of a colon-separated list, else the default.
std::string FirstOf(const char* Var, const char* Default)
{
    if (const char* v = std::getenv(Var); v != nullptr) {
        std::string list = v;
        size_t start = 0;
        while (start <= list.size()) {
            size_t end = list.find(':', start);
            if (end == std::string::npos) end = list.size();
            const std::string item = list.substr(start, end - start);
            if (!item.empty() && item[0] == '/') return item;
            start = end + 1;
        }
    }
    return Default;
}

// A user folder from the user-dirs file ("$HOME/..." or an absolute path); Fallback below HOME
// when the file names none.
std::string UserDir(const std::string& Key, const char* Fallback)
{
    const std::string home = HomeDir();
    const std::string config = BaseDir("XDG_CONFIG_HOME", ".config");
    std::ifstream f(config + "/user-dirs.dirs");
    std::string line;
    const std::string prefix = "XDG_" + Key + "_DIR=";
    while (std::getline(f, line)) {
        if (line.compare(0, prefix.size(), prefix) != 0) continue;
        std::string value = line.substr(prefix.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        if (value.compare(0, 5, "$HOME") == 0) return home.empty() ? std::string() : home + value.substr(5);
        if (!value.empty() && value[0] == '/') return value;
    }
    if (home.empty()) return {};
    return *Fallback ? home + "/" + Fallback : home;
}

// Windows-style %NAME% references, replaced where the variable exists.
std::string ExpandEnvironment(const std::string& S)
{
    std::string out;
    size_t i = 0;
    while (i < S.size()) {
        const size_t close = S[i] == '%' ? S.find('%', i + 1) : std::string::npos;
        if (close != std::string::npos && close > i + 1) {
            const std::string name = S.substr(i + 1, close - i - 1);
            if (const char* v = std::getenv(name.c_str()); v != nullptr) {
                out += v;
                i = close + 1;
                continue;
            }
        }
        out += S[i++];
    }
    return out;
}

bool StatName(const std::string& Name, struct stat& St)
{
    return !Name.empty() && ::stat(NativeFileName(Name).c_str(), &St) == 0;
}

std::string ParentOf(const std::string& Path)
{
    const size_t at = Path.find_last_of("/\\");
    if (at == std::string::npos) return {};
    return Path.substr(0, at);
}

// Splits a command line into arguments: blanks separate them outside double quotes, and inside
// quotes a doubled quote stands for one.
std::vector<std::string> SplitCommandLine(const std::string& Line)
{
    std::vector<std::string> args;
    std::string cur;
    bool inArg = false, quoted = false;
    for (size_t i = 0; i < Line.size(); ++i) {
        const char c = Line[i];
        if (c == '"') {
            inArg = true;
            if (quoted && i + 1 < Line.size() && Line[i + 1] == '"') {
                cur += '"';
                ++i;
            } else {
                quoted = !quoted;
            }
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inArg) args.push_back(cur);
            cur.clear();
            inArg = false;
        } else {
            cur += c;
            inArg = true;
        }
    }
    if (inArg) args.push_back(cur);
    return args;
}

}  // namespace

std::string GetSpecialFolder(Integer FolderId)
{
    std::string path;
    switch (FolderId & 0xFF) {
    case 0x00:  // desktop
    case 0x10: path = UserDir("DESKTOP", "Desktop"); break;
    case 0x02: path = BaseDir("XDG_DATA_HOME", ".local/share") + "/applications"; break;  // programs menu
    case 0x05: path = UserDir("DOCUMENTS", ""); break;                                     // documents
    case 0x07: path = BaseDir("XDG_CONFIG_HOME", ".config") + "/autostart"; break;        // start-up
    case 0x0D: path = UserDir("MUSIC", ""); break;
    case 0x0E: path = UserDir("VIDEOS", ""); break;
    case 0x14: path = BaseDir("XDG_DATA_HOME", ".local/share") + "/fonts"; break;
    case 0x15: path = UserDir("TEMPLATES", ""); break;
    case 0x1A: path = BaseDir("XDG_CONFIG_HOME", ".config"); break;     // application data
    case 0x1C: path = BaseDir("XDG_DATA_HOME", ".local/share"); break;  // local application data
    case 0x20: path = BaseDir("XDG_CACHE_HOME", ".cache"); break;       // internet cache
    case 0x23: path = FirstOf("XDG_CONFIG_DIRS", "/etc/xdg"); break;    // common application data
    case 0x24: path = GetWindowsDir(); break;
    case 0x25: path = GetSystemDir(); break;
    case 0x26: path = "/usr"; break;  // program files
    case 0x27: path = UserDir("PICTURES", ""); break;
    case 0x28: path = HomeDir(); break;                  // profile
    case 0x2E: path = UserDir("PUBLICSHARE", "Public"); break;  // common documents
    default: break;
    }
    if (path.size() > 1024) path.clear();
    return WithSlash(path);
}

std::string GetUserAppDataFolder()
{
    std::string path = GetSpecialFolder(0x1A);
    if (path.empty()) path = GetSpecialFolder(0x05);
    if (path.empty()) path = GetModulePath();
    return WithSlash(ExpandEnvironment(path));
}

std::string GetCommonAppDataFolder()
{
    std::string path = GetSpecialFolder(0x23);
    if (path.empty()) path = GetSpecialFolder(0x2E);
    if (path.empty()) path = GetModulePath();
    return WithSlash(ExpandEnvironment(path));
}

std::string GetUserLocalAppDataFolder()
{
    std::string path = GetSpecialFolder(0x1C);
    if (path.empty()) path = GetSpecialFolder(0x1A);
    if (path.empty()) path = GetSpecialFolder(0x05);
    if (path.empty()) path = GetModulePath();
    return WithSlash(path);
}

std::string GetTempDir()
{
    const char* t = std::getenv("TMPDIR");
    return WithSlash(t != nullptr && t[0] == '/' ? t : "/tmp");
}

std::string GetSystemDir()
{
    return "/usr/lib/";
}

std::string GetWindowsDir()
{
    return "/etc/";
}

std::string GetModulePath()
{
    char buf[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    return WithSlash(ParentOf(std::string(buf, static_cast<size_t>(n))));
}

std::string GetShortPath(const std::string& Path)
{
    return Path;  // file names have no short form here
}

std::string GetComputerName()
{
    char buf[256] = {};
    if (::gethostname(buf, sizeof buf - 1) != 0) return {};
    std::string name = buf;
    name = name.substr(0, name.find('.'));
    return name.substr(0, 15);
}

std::string GetTempFile()
{
    std::random_device rd;
    Byte g[16];
    for (Byte& b : g) b = static_cast<Byte>(rd());
    g[6] = static_cast<Byte>((g[6] & 0x0F) | 0x40);  // a random (version 4) identifier
    g[8] = static_cast<Byte>((g[8] & 0x3F) | 0x80);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", g[0],
                  g[1], g[2], g[3], g[4], g[5], g[6], g[7], g[8], g[9], g[10], g[11], g[12], g[13], g[14], g[15]);
    return GetTempDir() + buf;
}

std::string IncludeTrailingBackslash2(const std::string& S)
{
    if (S.empty() || S.back() == '\\' || S.back() == '/') return S;
    return S + "\\";
}

std::string AppendSlash(const std::string& S)
{
    return IncludeTrailingBackslash2(S);
}

bool FileNameValid(const std::string& Name)
{
    for (char c : Name) {
        if (static_cast<Byte>(c) < 32) return false;
        if (std::strchr("\"*/:<>?\\|", c) != nullptr) return false;
    }
    return true;
}

Integer GetFileSize(const std::string& FileName)
{
    if (FileName.empty()) return -1;
    TSearchRec f;
    const Integer rc = FindFirst(ExpandFileName(FileName), faAnyFile, f);
    Int64 size = f.Size;
    FindClose(f);
    if (rc != 0) return -1;
    return size > MaxInt ? MaxInt : static_cast<Integer>(size);  // larger files report the most an Integer holds
}

TDateTime FileDateTime(const std::string& FileName)
{
    return FileDateTimeOf(FileName);
}

bool CreateFile(const std::string& FileName)
{
    struct stat st {};
    if (StatName(FileName, st)) return true;
    if (FileName.empty()) return false;
    const int fd = ::open(NativeFileName(FileName).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

bool DirExists(const std::string& Dir)
{
    return DirectoryExists(Dir);
}

void EnsureDirExists(const std::string& Dir, const std::string& SubDir)
{
    std::string dir = Dir;
    while (dir.size() > 1 && (dir.back() == '\\' || dir.back() == '/')) dir.pop_back();
    if (!dir.empty() && !DirExists(dir)) {
        const std::string parent = ParentOf(dir);
        if (!parent.empty() && parent != dir) EnsureDirExists(parent, "");
        CreateDir(dir);
    }
    if (!SubDir.empty()) {
        const std::string sub = dir + "\\" + SubDir;
        if (!DirExists(sub)) CreateDir(sub);
    }
}

Integer RunProgram(const std::string& Program, const std::string& Params, const std::string& WorkDir)
{
    constexpr size_t Limit = 259;
    std::string program = Program;
    if (program.find(' ') != std::string::npos) program = "\"" + program + "\"";
    std::string line = IsWinNT ? program + " " + Params : Params;
    // Longer texts would be cut by the system; running a cut command is worse than not running.
    if (line.size() > Limit || program.size() > Limit || WorkDir.size() > Limit) return 0;
    std::vector<std::string> args = SplitCommandLine(line);
    if (!IsWinNT) args.insert(args.begin(), Program);
    if (args.empty() || args[0].empty()) return 0;
    args[0] = NativeFileName(args[0]);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!WorkDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, NativeFileName(WorkDir).c_str());
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0 || pid <= 0) return 0;
    // Nobody waits for the program here; reap it when it ends so that it leaves no zombie.
    std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
    return static_cast<Integer>(pid);
}

Integer PlaySound(const char* Name, std::uintptr_t Module, Integer Flags)
{
    return PlaySoundA(Name, reinterpret_cast<HMODULE>(Module), static_cast<DWORD>(Flags));
}

bool SetPrivilege(const std::string& /*Name*/, bool /*Enable*/)
{
    return false;
}

// ---------------------------------------------------------------- small helpers

bool RangesIntersect(Integer A1, Integer A2, Integer B1, Integer B2)
{
    return Max(Min(A1, A2), Min(B1, B2)) <= Min(Max(A1, A2), Max(B1, B2));
}

bool IsBIn(Integer Index, Byte B)
{
    return Index >= 1 && Index <= 8 && (B >> (Index - 1) & 1) != 0;
}

Integer swapInt32(Integer X)
{
    const auto u = static_cast<std::uint32_t>(X);
    return static_cast<Integer>((u >> 24) | ((u >> 8) & 0xFF00) | ((u << 8) & 0xFF0000) | (u << 24));
}

void CenterRects(Integer W1, Integer W2, Integer H1, Integer H2, TRect& R)
{
    R.Left = Max(W2 / 2 - W1 / 2, 0);
    R.Right = Min(R.Left + W1 - 1, R.Left + W2 - 1);
    R.Top = Max(H2 / 2 - H1 / 2, 0);
    R.Bottom = Min(R.Top + H1 - 1, R.Top + H2 - 1);
}

std::string RectToString(const TRect& R)
{
    return IntToStr(R.Left) + "," + IntToStr(R.Top) + "," + IntToStr(R.Right) + "," + IntToStr(R.Bottom);
}

TRect StringToRect(const std::string& S)
{
    TRect r;
    Integer* fields[4] = {&r.Left, &r.Top, &r.Right, &r.Bottom};
    size_t pos = 0;
    for (int i = 0; i < 4; ++i) {
        std::string field;
        if (i < 3) {
            const size_t comma = S.find(',', pos);
            field = S.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
            pos = comma == std::string::npos ? S.size() : comma + 1;
        } else {
            field = pos < S.size() ? S.substr(pos) : std::string();
        }
        Integer v = 0;
        if (field.empty() || !TryStrToInt(field, v)) break;
        *fields[i] = v;
    }
    return r;
}

std::string encode_line(const void* Data, Integer Size)
{
    if (Size < 0 || Data == nullptr) Size = 0;
    if (Size > 45) Size = 45;
    const auto* p = static_cast<const Byte*>(Data);
    std::string out(1, '\0');
    const Integer bits = Size * 8;
    for (Integer at = 0; at < bits; at += 6) {
        Integer v = 0;
        for (Integer k = 0; k < 6; ++k) {
            const Integer bit = at + k;
            v <<= 1;
            if (bit < bits && (p[bit / 8] >> (7 - bit % 8) & 1) != 0) v |= 1;
        }
        out += v == 0 ? '`' : static_cast<char>(32 + v);
    }
    return out;
}
