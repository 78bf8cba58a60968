// Files, directories, file names and wildcard search.
// Every name given here may be written Windows-style (".\MORVIK.INI", "Messages\*.TXT"): a '\' is a
// path delimiter like '/'.
#pragma once

#include <memory>
#include <string>

#include "platform/DateUtils.h"
#include "platform/Types.h"

constexpr char PathDelim = '/';

// Attribute bits, as the class library numbers them. On this system: read-only = nobody may write,
// hidden = the name starts with '.', directory = a directory; the others are never set.
constexpr Integer faReadOnly = 0x01;
constexpr Integer faHidden = 0x02;
constexpr Integer faSysFile = 0x04;
constexpr Integer faVolumeID = 0x08;
constexpr Integer faDirectory = 0x10;
constexpr Integer faArchive = 0x20;
constexpr Integer faAnyFile = 0x3F;

bool FileExists(const std::string& FileName);       // exists and is not a directory
bool DirectoryExists(const std::string& Directory);
Integer FileGetAttr(const std::string& FileName);   // -1 when the name does not exist
Int64 FileSizeOf(const std::string& FileName);      // -1 when it is not an existing file
// Modification time in local time; 0 when the name does not exist.
TDateTime FileDateTimeOf(const std::string& FileName);

bool CreateDir(const std::string& Dir);             // one level; false when it fails or exists
bool ForceDirectories(const std::string& Dir);      // every missing level; true when Dir exists after
bool RemoveDir(const std::string& Dir);
bool DeleteFile(const std::string& FileName);
// Fails, as the system's rename did, when NewName exists already: nothing is overwritten.
bool RenameFile(const std::string& OldName, const std::string& NewName);
std::string GetCurrentDir();
bool SetCurrentDir(const std::string& Dir);

// Name parts. Delimiters are '/' and '\'; the parts keep the delimiter characters they had.
std::string ExtractFileName(const std::string& FileName);   // "a\b.TXT" -> "b.TXT"
std::string ExtractFilePath(const std::string& FileName);   // "a\b.TXT" -> "a\"
std::string ExtractFileDir(const std::string& FileName);    // "a\b.TXT" -> "a"
std::string ExtractFileExt(const std::string& FileName);    // "a\b.TXT" -> ".TXT"; "" without a dot
std::string ChangeFileExt(const std::string& FileName, const std::string& Extension);
std::string IncludeTrailingPathDelimiter(const std::string& S);
std::string ExcludeTrailingPathDelimiter(const std::string& S);
// Absolute name with '/' delimiters, "." and ".." resolved against the current directory.
std::string ExpandFileName(const std::string& FileName);

// '?' stands for exactly one character, '*' for any run; letters compare without regard to case, as
// on the system's file systems; "*.*" matches every name, with or without a dot.
bool MatchesMask(const std::string& Name, const std::string& Mask);

// One directory search. FindFirst takes "dir\mask" (no directory: the current one) and the attributes
// of special entries to include: plain files always come, hidden files and directories only when
// faHidden / faDirectory are asked for. "." and ".." are never returned. Names come in byte order.
namespace platform_detail {
struct SearchState;
}

struct TSearchRec {
    std::string Name;        // without the directory
    Int64 Size = 0;
    Integer Attr = 0;
    TDateTime TimeStamp = 0;  // modification time, local
    Integer ExcludeAttr = 0;
    std::shared_ptr<platform_detail::SearchState> FindHandle;
};

// 0 when an entry was found, else a non-zero error code (2: no more files); FindClose after either.
Integer FindFirst(const std::string& Path, Integer Attr, TSearchRec& F);
Integer FindNext(TSearchRec& F);
void FindClose(TSearchRec& F);

// Descriptor-level files (-1 is the failed handle). Sharing flags in Mode are accepted and not
// enforced: this system has no mandatory locks.
int FileOpen(const std::string& FileName, Word Mode);
int FileCreate(const std::string& FileName);        // created anew or emptied, read and write
Integer FileRead(int Handle, void* Buffer, Integer Count);
Integer FileWrite(int Handle, const void* Buffer, Integer Count);
Int64 FileSeek(int Handle, Int64 Offset, int Origin);  // Origin 0 start, 1 current, 2 end
void FileClose(int Handle);

// Replaces a file's contents so that a failure part-way (a full disk, a failing write) leaves the old
// contents whole: the new bytes go to a file beside it, made with the old one's mode, owner and
// group, which then takes the old one's place (a symbolic link keeps pointing at it; a read-only file
// is refused). Where no such file can stand in for it (a folder the user may not write to, another
// user's file, a group the user may not give), the file is rewritten where it stands, which keeps
// everything about it: room for the new bytes is made first, it shrinks only once they are all in,
// and a write that fails puts the old bytes back. A new file that cannot be written whole is removed.
// A pipe or device takes the bytes in place; a pipe that no program reads and a socket are refused
// (a save never waits for a reader). With Sync the bytes are on the disk when it returns. On failure
// errno and StoreFileError() say why.
bool StoreFileContents(const std::string& FileName, const std::string& Data, bool Sync = false);
// Why the calling thread's last StoreFileContents failed, in words (empty after a success).
std::string StoreFileError();

// For tests: faults the next stores meet, until set back to none ({}).
struct TStoreFaults {
    // A file a store writes cannot grow past Room bytes: the write or reservation that would fails
    // with Error, as on a full disk (ENOSPC) or a failing one (EIO). Negative: no limit.
    Int64 Room = -1;
    int Error = 28;  // ENOSPC
    // The file system reserves no room ahead, so a full disk shows only as a write fails.
    bool NoReserve = false;
    // No file can be made beside the stored one, as in a folder the user may not write to.
    bool NoTemporary = false;
};
void SetStoreFaults(const TStoreFaults& Faults);
