// The received text outside the window: the folding of the teleprinter's line ends, the limits of
// the receive window and its history, the daily raw log's name, and files written so that what
// was accepted is on the disk.
#pragma once

#include <cstddef>
#include <string>

#include "platform/SysUtils.h"

namespace rx {

// The receive window is trimmed from above kTrimAbove characters down to below kTrimBelow.
constexpr int kTrimAbove = 25000;
constexpr int kTrimBelow = 20000;
// RxHistory keeps at most this much; above it the oldest whole lines go down to three quarters.
// 4 MiB is about six days of continuous reception.
constexpr std::size_t kHistoryLimit = std::size_t{4} << 20;
// While the raw log refuses writes, received bytes wait for it up to this much.
constexpr std::size_t kRawLogPendingLimit = std::size_t{1} << 20;
// A line this long is written out before its end.
constexpr std::size_t kRawLogChunk = 4096;

inline constexpr const char* kRawLogDir = "Raw_Logs";
inline constexpr const char* kFileWriteErrorText = "File Write Error!";
inline constexpr const char* kDirectoryErrorText = "Can not create directory!";
inline constexpr const char* kDirectoryErrorCaption = "Error";
inline constexpr const char* kSaveBufferErrorText = "Error while saving buffer!";
inline constexpr const char* kSaveBufferTitle = "Save buffer to file";

// What a failure concerns; each is told to the user once until it works again.
enum class TFailureSource { RawLog, Messages, SoundInput };
constexpr int kFailureSources = 3;

// Line ends of the teleprinter stream (CR, LF, CR LF, LF CR, CR CR LF ...) become one CR LF each;
// LF LF and CR LF LF give two.
struct TLineFolding {
    bool BreakPending = false;
    bool BreakFromCR = false;
    // Text has come since the last line break.
    bool LineOpen = false;
    // The bytes c becomes (none, itself, or CR LF); lineBreak tells whether a break was made.
    std::string Fold(char c, bool& lineBreak);
};

// "Raw_Logs/yy-mm-dd.TXT" of a local time.
std::string RawLogName(const TSystemTime& t);

// Opens a file at the descriptor level for appending, creating it when missing; -1 on failure.
int OpenForAppend(const std::string& FileName);

// The folder's files (messages, raw logs, settings) are written by one copy of the program: it
// holds a lock on the folder for as long as it runs. Taken: another copy holds it. Unknown: the
// folder takes no locks (some network folders), and the program runs without one.
enum class TFolderLock { Held, Taken, Unknown };
// The lock on folder; fd gets what holds it (closing it gives it up), -1 unless Held.
TFolderLock LockFolder(const std::string& folder, int& fd);
// Told once, in a box with kFolderInUseCaption and on the standard error, by a second copy
// started in folder (its full name); that copy then ends.
std::string FolderInUseText(const std::string& folder);
inline constexpr const char* kFolderInUseCaption = "Morvik - Folder In Use";
// Writes all n bytes unless the file refuses; returns how many were written.
std::size_t WriteFully(int fd, const char* data, std::size_t n);
// Puts what was written to fd on the disk. Files that cannot be synchronised (devices, pipes)
// count as done.
bool SyncData(int fd);

}  // namespace rx
